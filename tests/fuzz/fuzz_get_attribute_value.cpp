// Attribute lookup in arbitrary tag text. The input is the attribute name, a zero byte and the
// tag text (without a zero byte: a fixed name). A value found is always written in the tag as
// name=value, name="value" or name='value'.
#include "text/functions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype zero = bytes.indexOf('\0');
    const QString name = zero < 0 ? QStringLiteral("href") : QString::fromUtf8(bytes.left(zero));
    const QString tag = QString::fromUtf8(zero < 0 ? bytes : bytes.mid(zero + 1));
    const QString value = tavrel::GetAttributeValue(tag, name);
    if (value.isEmpty())
        return 0;
    const QString plain = name + QLatin1Char('=') + value;
    const QString dq = name + QLatin1String("=\"") + value + QLatin1Char('"');
    const QString sq = name + QLatin1String("='") + value + QLatin1Char('\'');
    if (!tag.contains(plain, Qt::CaseInsensitive) && !tag.contains(dq, Qt::CaseInsensitive) &&
        !tag.contains(sq, Qt::CaseInsensitive))
        std::abort();
    return 0;
}
