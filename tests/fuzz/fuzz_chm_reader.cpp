// The whole reading of a compiled help file on arbitrary bytes: open, the directory walk, every
// stored object read, the #SYSTEM records, the decompile into a folder and the contents and
// index read from it. Whatever the bytes, nothing is written outside the folder.
#include "chm2word/ChmTo.h"
#include "text/ChmFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (4u << 20))
        return 0;
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/fuzz.chm");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    {
        TChmFile chm(path);
        for (const QString &name : chm.Enumerate()) {
            bool ok = false;
            const QByteArray bytes = chm.Read(name, &ok);
            if (!ok && !bytes.isEmpty())
                std::abort();
        }
    }
    const QString outer = dir.path() + QStringLiteral("/out");
    QDir(outer).removeRecursively();
    Tchm t;
    try {
        t.LoadFromCHM(path);
        t.rootFolder = outer + QStringLiteral("/in/");
        t.decompile();
    } catch (const std::exception &) {
    }
    QDirIterator it(outer, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(outer).relativeFilePath(it.next());
        if (rel != QLatin1String("in") && !rel.startsWith(QLatin1String("in/")))
            std::abort();
    }
    QDir(outer).removeRecursively();
    return 0;
}
