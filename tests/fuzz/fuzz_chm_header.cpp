// The repair of the first-listing-chunk field on arbitrary bytes: it never changes the file's
// size and never touches anything but the four bytes of that field.
#include "text/HtmlHelpTools.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/fuzz.chm");
    const QByteArray before(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(before);
    }
    const bool changed = FixChmDirectoryHeader(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray after = f.readAll();
    if (after.size() != before.size())
        std::abort();
    if (!changed) {
        if (after != before)
            std::abort();
        return 0;
    }
    const qint64 field = qint64(qFromLittleEndian<quint64>(before.constData() + 0x48)) + 0x20;
    for (qsizetype i = 0; i < before.size(); ++i)
        if (before[i] != after[i] && (i < field || i >= field + 4))
            std::abort();
    return 0;
}
