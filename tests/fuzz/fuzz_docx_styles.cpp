// The styles part of a .docx: read, then every style's chain, outline level and numbering
// resolved (cycles and missing parents in basedOn must end the chain).
#include "text/Exceptions.h"
#include "word/engine/DocxReader.h"

#include <cstdint>
#include <cstdlib>

using namespace tavrel;
using namespace tavrel::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TStyleSheet styles;
    try {
        ReadStylesPart(bytes, styles, QStringLiteral("fuzz.docx"));
    } catch (const Exception &) {
        return 0;
    }
    for (int i = 0; i < styles.Count(); ++i) {
        const QString &id = styles.At(i).Id;
        if (styles.Chain(id).size() > 64)
            std::abort();
        styles.ChainPPr(id);
        styles.ChainRPr(id);
        styles.ChainTblPr(id);
        int level = styles.StyleOutlineLevel(id);
        if (level < 1 || level > 10)
            std::abort();
        styles.StyleNumbering(id);
    }
    styles.EnsureBuiltin(QStringLiteral("Hyperlink"));
    return 0;
}
