#include "project/OutputSwap.h"

#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/Messages.h"
#include "text/functions.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace tavrel {

namespace {

const QString kNew = QStringLiteral("/new");
const QString kOld = QStringLiteral("/old");

// The private folders this process is using now; a leftover of this process is any other.
QMutex g_liveMutex;
QSet<QString> g_live;

void setLive(const QString &folder, bool live)
{
    QMutexLocker lock(&g_liveMutex);
    if (live)
        g_live.insert(folder);
    else
        g_live.remove(folder);
}

bool isLive(const QString &folder)
{
    QMutexLocker lock(&g_liveMutex);
    return g_live.contains(folder);
}

// Long names are cut so that the private folder's name stays within the file system's limit.
QString prefixFor(const QString &name) { return QStringLiteral(".~ta-") + name.left(100) + QLatin1Char('-'); }

bool processAlive(qint64 pid)
{
    if (pid <= 0 || pid > 0x3fffffff)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool present(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString randomPart()
{
    static const char chars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString out;
    for (int i = 0; i < 6; ++i)
        out += QLatin1Char(chars[QRandomGenerator::global()->bounded(int(sizeof(chars) - 1))]);
    return out;
}

// What killed builds left beside target: a previous output still moved aside goes back when
// the target is missing; everything else of theirs is removed.
void removeLeftovers(const QString &parent, const QString &name, const QString &target)
{
    static const QRegularExpression rest(QStringLiteral("^([0-9]+)-[A-Za-z0-9]{6}$"));
    const QString prefix = prefixFor(name);
    const QStringList entries =
        QDir(parent).entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch m = rest.match(entry.mid(prefix.size()));
        if (!m.hasMatch())
            continue;
        const QString folder = parent + QLatin1Char('/') + entry;
        const qint64 pid = m.captured(1).toLongLong();
        if (pid == ::getpid() ? isLive(folder) : processAlive(pid))
            continue;
        const QString old = folder + kOld;
        if (present(old) && !present(target))
            FileSystem().Rename(old, target);
        if (!present(old))
            FileSystem().RemoveFolder(folder);
    }
}

QString parentOf(const QString &path)
{
    const qsizetype p = path.lastIndexOf(QLatin1Char('/'));
    return p <= 0 ? QStringLiteral("/") : path.left(p);
}

} // namespace

TOutputSwap::~TOutputSwap()
{
    try {
        Discard();
    } catch (...) {
    }
}

TOutputSwap::TEntry &TOutputSwap::stage(const QString &given, bool folder, TGuardedOutput owner)
{
    QString target = TFolderGuard::CanonicalPath(given);
    if (target.isEmpty() || target == QLatin1String("/"))
        throw Exception(QStringLiteral("No path is set for an output: nothing is written."));
    const QString parent = parentOf(target);
    const QString name = target.mid(target.lastIndexOf(QLatin1Char('/')) + 1);
    if (!QFileInfo(parent).isDir() && !FileSystem().MakePath(parent))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(parent));
    removeLeftovers(parent, name, target);

    const QString base = parent + QLatin1Char('/') + prefixFor(name) + QString::number(::getpid()) + QLatin1Char('-');
    QString privateFolder;
    for (int attempt = 0; attempt < 20 && privateFolder.isEmpty(); ++attempt) {
        const QString candidate = base + randomPart();
        if (FileSystem().MakePrivateFolder(candidate))
            privateFolder = candidate;
        else if (!present(candidate))
            break; // not a taken name: the folder cannot be written
    }
    const QString refusal = QStringLiteral("Cannot write beside \"%1\": no private folder can be made in \"%2\".").arg(given, parent);
    if (privateFolder.isEmpty())
        throw Exception(refusal);
    setLive(privateFolder, true);

    TEntry e;
    e.target = target;
    e.privateFolder = privateFolder;
    e.folder = folder;
    e.owner = owner;
    e.staged = privateFolder + kNew;
    m_entries.push_back(e);
    if (!FileSystem().MakePath(e.staged))
        throw Exception(refusal);
    if (!folder)
        m_entries.back().staged += QLatin1Char('/') + name;
    return m_entries.back();
}

QString TOutputSwap::StageFile(const QString &target, TGuardedOutput owner) { return stage(target, false, owner).staged; }

QString TOutputSwap::StageFolder(const QString &target, TGuardedOutput owner)
{
    return stage(target, true, owner).staged + QLatin1Char('/');
}

void TOutputSwap::restore(TEntry &e)
{
    if (!e.swapped)
        return;
    // The new output goes back into its private folder, the previous one into its place.
    if (FileSystem().Rename(e.target, e.staged) && present(e.privateFolder + kOld))
        FileSystem().Rename(e.privateFolder + kOld, e.target);
    e.swapped = false;
}

void TOutputSwap::Commit(const TFolderGuard &guard)
{
    // Everything that can refuse is asked before the first output is replaced.
    for (const TEntry &e : m_entries) {
        const QString refusal = e.folder ? guard.FolderRefusal(e.target, e.owner) : guard.FileRefusal(e.target, e.owner);
        if (!refusal.isEmpty())
            throw Exception(refusal);
        const QFileInfo t(e.target);
        if (t.exists() && e.folder != t.isDir())
            throw Exception(e.folder ? QStringLiteral("\"%1\" is a file, not a folder: the output cannot replace it.").arg(e.target)
                                     : QStringLiteral("\"%1\" is a folder, not a file: the output cannot replace it.").arg(e.target));
        if (!present(e.staged))
            throw Exception(QStringLiteral("The new \"%1\" vanished before it could be put in place.").arg(e.target));
        if (e.folder)
            continue;
        while (IsFileInUse(e.target, true)) {
            const QString text = QLatin1Char('"') + e.target
                + QStringLiteral("\" access denied! It's probably been opend. Please close it and Retry.");
            if (Messages().Ask(text, mbAbort | mbRetry, TMsgIcon::Error) != mbRetry)
                throw Exception(text);
        }
    }

    auto fail = [this](const QString &message) {
        for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it)
            restore(*it);
        throw Exception(message);
    };
    for (TEntry &e : m_entries) {
        const QString old = e.privateFolder + kOld;
        const bool hadOld = present(e.target);
        if (hadOld) {
            const QFile::Permissions permissions = QFile::permissions(e.target);
            if (!FileSystem().Rename(e.target, old))
                fail(QStringLiteral("Cannot replace \"%1\": it cannot be moved aside.").arg(e.target));
            // A replaced output keeps the permissions its owner gave it.
            QFile::setPermissions(e.staged, permissions);
        }
        if (!FileSystem().Rename(e.staged, e.target)) {
            if (hadOld)
                FileSystem().Rename(old, e.target);
            fail(QStringLiteral("Cannot move the new \"%1\" into place.").arg(e.target));
        }
        e.swapped = true;
    }
    for (TEntry &e : m_entries) {
        // A private folder that cannot go now is a leftover the next build removes.
        FileSystem().RemoveFolder(e.privateFolder);
        setLive(e.privateFolder, false);
    }
    m_entries.clear();
}

void TOutputSwap::Discard()
{
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        restore(*it);
        const QString old = it->privateFolder + kOld;
        if (present(old) && !present(it->target))
            FileSystem().Rename(old, it->target);
        // A previous output that could not be put back stays where the next build finds it.
        if (!present(old))
            FileSystem().RemoveFolder(it->privateFolder);
        setLive(it->privateFolder, false);
    }
    m_entries.clear();
}

QString TOutputSwap::Shown(const QString &text) const
{
    QString out = text;
    for (const TEntry &e : m_entries) {
        out.replace(e.staged, e.target);
        // The folder a file is made in stands for the folder of its target.
        if (!e.folder)
            out.replace(e.privateFolder + kNew, parentOf(e.target));
    }
    return out;
}

} // namespace tavrel
