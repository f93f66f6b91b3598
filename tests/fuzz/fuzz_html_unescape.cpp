// Character-reference decoding of arbitrary text. Decoding never lengthens a text, leaves text
// without "&" alone, and undoes HtmlEscape exactly.
#include "text/functions.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString decoded = tavrel::HtmlUnescape(text);
    if (decoded.size() > text.size())
        std::abort();
    if (!text.contains(QLatin1Char('&')) && decoded != text)
        std::abort();
    if (tavrel::HtmlUnescape(tavrel::HtmlEscape(text)) != text)
        std::abort();
    return 0;
}
