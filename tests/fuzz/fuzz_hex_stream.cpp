// The hexadecimal form of template streams on arbitrary text: a decoded value always encodes back
// to the same digits (in upper case), anything else decodes to an empty stream, and any bytes
// survive the way there and back.
#include "output/Template.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cctype>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        const QByteArray decoded = HexToStream(text);
        if (!decoded.isEmpty()) {
            if (decoded.size() * 2 != text.size() || StreamToHex(decoded) != text.toUpper())
                std::abort();
        } else {
            bool allHex = text.size() % 2 == 0;
            for (QChar c : text)
                allHex = allHex && c.unicode() < 128 && std::isxdigit(c.unicode());
            if (allHex && !text.isEmpty())
                std::abort();
        }
    }
    if (HexToStream(StreamToHex(bytes)) != bytes)
        std::abort();
    return 0;
}
