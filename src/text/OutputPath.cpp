#include "text/OutputPath.h"

#include "text/Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <unistd.h>

namespace tavrel {

namespace {

const QChar kSlash = QLatin1Char('/');

// Links chained deeper than this are refused; the kernel gives up at 40 as well.
constexpr int kMaxLinkHops = 40;

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

QString joinPath(const QString &folder, const QString &name)
{
    if (folder == QLatin1String("/"))
        return folder + name;
    return folder + kSlash + name;
}

QString parentOf(const QString &path)
{
    const qsizetype p = path.lastIndexOf(kSlash);
    return p <= 0 ? QStringLiteral("/") : path.left(p);
}

// The link's target exactly as stored: Qt's own reading tidies ".." as text, which is the very
// difference this resolution exists to avoid.
QString linkTarget(const QString &link)
{
    const QByteArray name = QFile::encodeName(link);
    QByteArray buffer(4096, Qt::Uninitialized);
    const ssize_t n = ::readlink(name.constData(), buffer.data(), size_t(buffer.size()));
    if (n <= 0 || n >= buffer.size())
        return QString();
    return QFile::decodeName(buffer.left(n));
}

QString resolveAbsolute(const QString &absolute, int hops)
{
    if (hops > kMaxLinkHops)
        throw Exception(QStringLiteral("The path \"%1\" goes through too many symbolic links.").arg(absolute));
    const QStringList segments = absolute.split(kSlash, Qt::SkipEmptyParts);
    QString current = QStringLiteral("/");
    // How many names at the end of current do not exist yet; before them current is physical.
    int missing = 0;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString &seg = segments.at(i);
        if (seg == QLatin1String("."))
            continue;
        if (seg == QLatin1String("..")) {
            // The physical part's parent is the folder ".." reaches on disk; a name that does
            // not exist yet cannot be a link, so leaving it is plain text.
            current = parentOf(current);
            if (missing > 0)
                --missing;
            continue;
        }
        const QString next = joinPath(current, seg);
        if (missing > 0) {
            current = next;
            ++missing;
            continue;
        }
        const QFileInfo info(next);
        if (info.isSymLink()) {
            // The target takes the link's place and the rest of the path continues from there;
            // a relative target counts from the link's folder.
            QString target = linkTarget(next);
            if (target.isEmpty())
                throw Exception(QStringLiteral("The symbolic link \"%1\" cannot be read.").arg(next));
            if (!target.startsWith(kSlash))
                target = joinPath(current, target);
            for (qsizetype j = i + 1; j < segments.size(); ++j)
                target += kSlash + segments.at(j);
            return resolveAbsolute(target, hops + 1);
        }
        current = next;
        if (!info.exists())
            missing = 1;
    }
    return current;
}

} // namespace

bool HasControlCharacter(const QString &text)
{
    for (QChar c : text)
        if (isControl(c))
            return true;
    return false;
}

QString FirstControlCharacter(const QString &text)
{
    for (QChar c : text)
        if (isControl(c))
            return QStringLiteral("U+") + QStringLiteral("%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0')).toUpper();
    return QString();
}

QString PrintablePath(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (isControl(c))
            c = QLatin1Char('?');
    return out;
}

QString ResolveOutputPath(const QString &path, const QString &baseFolder)
{
    if (path.isEmpty())
        return QString();
    if (HasControlCharacter(path) || HasControlCharacter(baseFolder))
        throw Exception(QStringLiteral("The path \"%1\" holds a control character (%2) and is not used.")
                            .arg(PrintablePath(path),
                                 FirstControlCharacter(path + baseFolder)));
    QString p = path;
    p.replace(QLatin1Char('\\'), kSlash);
    if (!p.startsWith(kSlash)) {
        QString base = baseFolder;
        base.replace(QLatin1Char('\\'), kSlash);
        if (!base.startsWith(kSlash))
            throw Exception(QStringLiteral("The relative path \"%1\" has no project folder to be taken against.").arg(path));
        p = base + kSlash + p;
    }
    return resolveAbsolute(p, 0);
}

} // namespace tavrel
