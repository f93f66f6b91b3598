// The resolver of the paths a build deletes and writes, on arbitrary text inside a small tree of
// folders and symbolic links (relative, absolute, dangling, a loop). Checks: a path with a
// control character is refused; any other result is absolute, has no "." or ".." segment and
// resolves to itself; where the kernel resolves the same path (realpath), both agree.
#include "text/Exceptions.h"
#include "text/OutputPath.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

using namespace tavrel;

namespace {

const QString &tree()
{
    static QTemporaryDir dir;
    static const QString root = [] {
        char buffer[PATH_MAX];
        const QString r = QFile::decodeName(::realpath(QFile::encodeName(dir.path()).constData(), buffer));
        for (const char *d : {"a/b/c", "d/e", "f"})
            QDir().mkpath(r + "/" + d);
        auto link = [&](const char *target, const char *name) {
            (void)::symlink(target, QFile::encodeName(r + "/" + name).constData());
        };
        link("a/b", "l");
        link("../d", "a/up");
        link("../../a/b/..", "d/e/back");
        link("missing/x", "f/dangling");
        link("loop2", "loop1");
        link("loop1", "loop2");
        link("/", "f/root");
        return r;
    }();
    return root;
}

QString physical(const QString &path)
{
    char buffer[PATH_MAX];
    return ::realpath(QFile::encodeName(path).constData(), buffer) ? QFile::decodeName(buffer) : QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString base = tree();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString result;
    try {
        result = ResolveOutputPath(text, base);
    } catch (const Exception &) {
        return 0; // refused: control characters, link loops
    }
    if (HasControlCharacter(text))
        std::abort();
    if (text.isEmpty())
        return result.isEmpty() ? 0 : (std::abort(), 0);
    if (!result.startsWith(QLatin1Char('/')) || (result.size() > 1 && result.endsWith(QLatin1Char('/'))))
        std::abort();
    for (const QString &segment : result.split(QLatin1Char('/')).mid(1))
        if (segment.isEmpty() ? result != QLatin1String("/") : (segment == QLatin1String(".") || segment == QLatin1String("..")))
            std::abort();
    if (ResolveOutputPath(result, QString()) != result)
        std::abort();
    QString absolute = text;
    absolute.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!absolute.startsWith(QLatin1Char('/')))
        absolute = base + QLatin1Char('/') + absolute;
    const QString expected = physical(absolute);
    if (!expected.isEmpty() && expected != result)
        std::abort();
    return 0;
}
