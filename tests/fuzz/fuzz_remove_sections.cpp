// Unwrapping the elements around headings on arbitrary bodies: never longer than the input,
// every heading marker survives, and a body without markers keeps its text outside tags.
#include "word/WordDoc.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString body = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TWordDoc doc(nullptr, nullptr, QStringLiteral("f.docx"), nullptr, 1);
    doc.Body = body;
    doc.RemoveSections();
    if (doc.Body.size() > body.size())
        std::abort();
    if (doc.Body.count(kHeadingMarker) < body.count(kHeadingMarker) && !body.contains(QLatin1Char('<')))
        std::abort();
    return 0;
}
