#include "text/Confine.h"

#include "text/Exceptions.h"
#include "text/OutputPath.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {

QString whyRefused(const QString &folder, const QString &name, QString *joined)
{
    if (name.isEmpty())
        return QStringLiteral("an empty file name");
    if (name.contains(QChar(0)))
        return QStringLiteral("a file name with a NUL character");
    if (HasControlCharacter(name))
        return QStringLiteral("a file name with a control character");
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.startsWith(QLatin1Char('/')))
        return QStringLiteral("an absolute file name");
    if (n.size() >= 2 && n[1] == QLatin1Char(':') && n[0].isLetter())
        return QStringLiteral("a file name with a drive");
    const QStringList segments = n.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QStringList kept;
    for (const QString &s : segments) {
        if (s == QLatin1String(".."))
            return QStringLiteral("a file name that climbs out of its folder");
        if (s != QLatin1String("."))
            kept << s;
    }
    if (kept.isEmpty())
        return QStringLiteral("a file name without a name");

    QString base = QDir::cleanPath(QDir(folder).absolutePath());
    QString path = base;
    // An existing symbolic link on the way may point anywhere: every existing step must stay
    // inside the folder once links are resolved.
    QString realBase = QFileInfo(base).canonicalFilePath();
    if (realBase.isEmpty())
        realBase = base;
    for (const QString &s : kept) {
        path += QLatin1Char('/') + s;
        QFileInfo step(path);
        if (step.isSymLink() || step.exists()) {
            QString real = step.canonicalFilePath();
            if (real.isEmpty() || !(real == realBase || real.startsWith(realBase + QLatin1Char('/'))))
                return QStringLiteral("a file name that leads out of its folder through a link");
        }
    }
    if (joined)
        *joined = path;
    return QString();
}

} // namespace

TConfined Confine(const QString &folder, const QString &name)
{
    TConfined r;
    const QString why = whyRefused(folder, name, &r.Path);
    if (!why.isEmpty()) {
        r.Path.clear();
        r.Refusal = QStringLiteral("Refused \"%1\": %2 is not allowed here.").arg(name, why);
    }
    return r;
}

QString ConfinePath(const QString &folder, const QString &name)
{
    TConfined r = Confine(folder, name);
    if (!r)
        throw Exception(r.Refusal);
    return r.Path;
}

bool IsConfinedName(const QString &folder, const QString &name) { return whyRefused(folder, name, nullptr).isEmpty(); }

} // namespace tavrel
