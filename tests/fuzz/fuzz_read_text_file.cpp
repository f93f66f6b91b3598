// Text-file decoding of arbitrary bytes, the way ReadTextFile decodes a file's content. The first
// byte chooses the code-page argument (detect, a few real and pseudo code pages, or one that is
// not a number and must raise), the rest is the content.
#include "text/Exceptions.h"
#include "text/functions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char *const kCodePages[] = {"", "", "", "", "1251", "932", "936", "950", "65001", "50000", "28591", "abc"};
    const size_t choice = size > 0 ? data[0] % (sizeof kCodePages / sizeof kCodePages[0]) : 0;
    const QByteArray bytes = size > 0 ? QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)) : QByteArray();
    const QString codePage = QString::fromLatin1(kCodePages[choice]);
    try {
        tavrel::TWarnings warnings;
        const QString text = tavrel::DecodeTextStream(bytes, codePage, &warnings);
        // A UTF-16 mark: every whole code unit after it, nothing more.
        if (bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE && text.size() > (bytes.size() - 2) / 2)
            std::abort();
    } catch (const tavrel::Exception &) {
        if (codePage != QLatin1String("abc"))
            std::abort();
    }
    return 0;
}
