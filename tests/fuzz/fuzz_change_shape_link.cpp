// Picture rewriting and the alternative-text decoder on arbitrary pages: text without tags is
// unchanged, and a page without IMG tags keeps every character.
#include "word/WordDoc.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TWordDoc doc(nullptr, nullptr, QStringLiteral("f.docx"), nullptr, 1);
    doc.MapCodes << QStringLiteral("<map name=\"WordMap0\">\r\n</map>\r\n");
    const QString out = doc.ChangeShapeLink(page);
    if (!page.contains(QLatin1String("img"), Qt::CaseInsensitive) && out != page)
        std::abort();
    const TShapeAlt alt = TWordDoc::DecodeShapeAlt(page);
    if (alt.AltText.size() > page.size() || alt.Link.size() > page.size())
        std::abort();
    return 0;
}
