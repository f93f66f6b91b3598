// The property-field parser and the field-code parsers on arbitrary code texts: items never
// hold a separator outside quotes, and the parsers never read past the text.
#include "word/WordDoc.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString code = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList items = TWordDoc::ParsePropertyItems(code);
    qsizetype total = 0;
    for (const QString &item : items) {
        if (item.isEmpty() && !code.contains(QLatin1Char('"')))
            std::abort();
        total += item.size();
    }
    if (total > code.size())
        std::abort();
    THeadingProperty property;
    TWordDoc::ApplyPropertyField(code, property);
    if (TWordDoc::IndexKeyword(code).size() > 2 * code.size() || TWordDoc::RefBookmark(code).size() > code.size())
        std::abort();
    return 0;
}
