#include "text/CaseLookup.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace tavrel {

namespace {

// Folders of more entries than this are read only this far, so a hostile tree cannot make one
// lookup list millions of names.
constexpr qsizetype MaxListing = 20000;

// A name is taken when anything stands there, a dangling link included.
bool Taken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

const QHash<QString, QString> &TCaseLookup::Listing(const QString &folder)
{
    auto it = m_folders.find(folder);
    if (it != m_folders.end())
        return it.value();
    QHash<QString, QString> names;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &e : entries.mid(0, MaxListing))
        if (const QString key = e.toLower(); !names.contains(key))
            names.insert(key, e);
    return m_folders.insert(folder, names).value();
}

QString TCaseLookup::FindBelow(const QString &base, const QString &relative)
{
    const QString root = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    QString current;
    for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString exact = current.isEmpty() ? part : current + QLatin1Char('/') + part;
        if (Taken(root + exact)) {
            current = exact;
            continue;
        }
        const QHash<QString, QString> &names = Listing(current.isEmpty() ? root : root + current);
        const auto it = names.constFind(part.toLower());
        if (it == names.constEnd())
            return QString();
        current = current.isEmpty() ? it.value() : current + QLatin1Char('/') + it.value();
    }
    return current;
}

QString TCaseLookup::FindFile(const QString &path)
{
    // The first name is the base: empty for an absolute path, a drive or folder otherwise.
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    const QString base = slash == 0 ? QStringLiteral("/") : path.left(slash) + QLatin1Char('/');
    const QString found = FindBelow(base, path.mid(slash + 1));
    if (found.isEmpty())
        return QString();
    const QString result = base + found;
    return QFileInfo(result).isFile() ? result : QString();
}

} // namespace tavrel
