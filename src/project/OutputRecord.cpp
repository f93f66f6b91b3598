#include "project/OutputRecord.h"

#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/OutputPath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

namespace tavrel {

namespace {

const QLatin1String kKind("kind");
const QLatin1String kHash("sha256");
const QLatin1String kFiles("files");

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString hashOf(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!h.addData(&f))
        return QString();
    return QString::fromLatin1(h.result().toHex());
}

// Every file under the folder by its relative path with its hash; false when the folder holds
// something no build writes (a symbolic link, a special file) or a file cannot be read.
bool folderFiles(const QString &folder, QJsonObject &files)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink())
            return false;
        if (info.isDir())
            continue;
        if (!info.isFile())
            return false;
        const QString hash = hashOf(info.filePath());
        if (hash.isEmpty())
            return false;
        files.insert(base.relativeFilePath(info.filePath()), hash);
    }
    return true;
}

} // namespace

QString TOutputRecord::Folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tavrel/outputs");
}

TOutputRecord::TOutputRecord(const QString &projectFile)
{
    if (projectFile.trimmed().isEmpty() || HasControlCharacter(projectFile))
        return;
    try {
        m_project = ResolveOutputPath(projectFile, QDir::currentPath());
    } catch (const Exception &) {
        return; // a link loop: no record, so nothing counts as the program's own
    }
    const QByteArray key = QCryptographicHash::hash(m_project.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    m_file = Folder() + QLatin1Char('/') + QString::fromLatin1(key) + QStringLiteral(".json");
    QFile f(m_file);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    // Two project paths that share a key must not share a record.
    if (root.value(QLatin1String("project")).toString() == m_project)
        m_outputs = root.value(QLatin1String("outputs")).toObject();
}

bool TOutputRecord::Knows(const QString &path) const { return m_outputs.contains(withoutTrailingSlash(path)); }

QJsonObject TOutputRecord::State(const QString &path)
{
    const QString key = withoutTrailingSlash(path);
    const QFileInfo info(key);
    if (info.isSymLink())
        return {{kKind, QStringLiteral("link")}};
    if (info.isFile())
        return {{kKind, QStringLiteral("file")}, {kHash, hashOf(key)}};
    if (info.isDir()) {
        QJsonObject files;
        if (!folderFiles(key, files))
            return {{kKind, QStringLiteral("foreign")}};
        return {{kKind, QStringLiteral("folder")}, {kFiles, files}};
    }
    return info.exists() ? QJsonObject{{kKind, QStringLiteral("foreign")}} : QJsonObject();
}

bool TOutputRecord::IsOurs(const QString &path) const
{
    const QString key = withoutTrailingSlash(path);
    const QJsonObject entry = m_outputs.value(key).toObject();
    const QString kind = entry.value(kKind).toString();
    if (kind != QLatin1String("file") && kind != QLatin1String("folder"))
        return false;
    const QJsonObject now = State(key);
    if (now.value(kKind).toString() != kind)
        return false;
    if (kind == QLatin1String("file"))
        return now.value(kHash).toString() == entry.value(kHash).toString();
    // Files the build wrote may be gone since; a new or changed one is somebody else's.
    const QJsonObject recorded = entry.value(kFiles).toObject();
    const QJsonObject files = now.value(kFiles).toObject();
    for (auto i = files.constBegin(); i != files.constEnd(); ++i)
        if (recorded.value(i.key()).toString() != i.value().toString())
            return false;
    return true;
}

void TOutputRecord::RecordWritten(const QStringList &paths)
{
    for (const QString &p : paths) {
        const QString key = withoutTrailingSlash(p);
        const QJsonObject now = State(key);
        const QString kind = now.value(kKind).toString();
        // Only what the record can tell apart later is kept; anything else is asked about.
        if (kind == QLatin1String("file") || kind == QLatin1String("folder"))
            m_outputs.insert(key, now);
        else
            m_outputs.remove(key);
    }
}

bool TOutputRecord::Save() const
{
    if (m_file.isEmpty())
        return false;
    if (!FileSystem().MakePath(QFileInfo(m_file).path()))
        return false;
    const QJsonObject root{{QLatin1String("project"), m_project}, {QLatin1String("outputs"), m_outputs}};
    const QString temp = m_file + QStringLiteral(".new");
    if (!FileSystem().WriteFile(temp, QJsonDocument(root).toJson()))
        return false;
    if (!FileSystem().Rename(temp, m_file)) {
        FileSystem().RemoveFile(temp);
        return false;
    }
    return true;
}

} // namespace tavrel
