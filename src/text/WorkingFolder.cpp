#include "text/WorkingFolder.h"

#include "text/Exceptions.h"
#include "text/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace tavrel {

namespace {

// Marks a run's folder with the start time of the process that made it, so a folder whose
// process id now belongs to another program is recognised as left over.
const char *const kStartedMark = ".started";

struct TState
{
    QMutex Mutex;
    bool Prepared = false;
    QString Refusal;
    QString Run; // without a trailing "/"
};

TState &state()
{
    static TState s;
    return s;
}

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A runtime folder is used only when it is this user's own real folder that nobody else may enter.
bool isPrivateFolder(const QByteArray &path)
{
    struct stat st;
    return path.startsWith('/') && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

QString decideWorkingFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return QDir::cleanPath(QFile::decodeName(runtime)) + QStringLiteral("/tavrel");
    return QDir::cleanPath(QDir::tempPath()) + QStringLiteral("/tavrel-%1").arg(::geteuid());
}

QString refusal(const QString &folder, const QString &why)
{
    return QStringLiteral("The working folder \"%1\" cannot be used: %2. Nothing was written; remove it, "
                          "or point TMPDIR at another folder.")
        .arg(folder, why);
}

// Creates the working folder when missing; refuses a link, a non-folder and another user's
// folder. Its owner's own folder is narrowed to 0700 when it was wider.
QString checkWorkingFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return refusal(folder, QStringLiteral("it cannot be created (%1)").arg(errnoText(errno)));
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat st;
        if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            return refusal(folder, QStringLiteral("it is a symbolic link"));
        if (::lstat(path.constData(), &st) == 0 && !S_ISDIR(st.st_mode))
            return refusal(folder, QStringLiteral("it is not a folder"));
        return refusal(folder, errnoText(error));
    }
    struct stat st;
    QString why;
    if (::fstat(fd, &st) != 0)
        why = errnoText(errno);
    else if (st.st_uid != ::geteuid())
        why = QStringLiteral("it belongs to another user (uid %1)").arg(st.st_uid);
    else if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        why = QStringLiteral("its permissions cannot be made private (%1)").arg(errnoText(errno));
    ::close(fd);
    return why.isEmpty() ? QString() : refusal(folder, why);
}

// Field 22 of /proc/<pid>/stat: when the process started, in clock ticks since boot.
QByteArray processStartTime(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray stat = f.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return QByteArray();
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    return fields.size() > 19 ? fields[19] : QByteArray();
}

bool runIsAlive(qint64 pid, const QString &folder)
{
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    QFile mark(folder + QLatin1Char('/') + QLatin1String(kStartedMark));
    if (!mark.open(QIODevice::ReadOnly))
        return true; // a run that is just starting has not marked its folder yet
    const QByteArray marked = mark.readAll().trimmed();
    const QByteArray started = processStartTime(pid);
    // An empty mark is one that is still being written (or that a crash left unfinished while
    // the id is still taken): only a mark that names another start time tells of a reused id.
    return started.isEmpty() || marked.isEmpty() || marked == started;
}

// Removes the sub-folders named with the id of a process that no longer runs (or that is this
// one: no folder of this run exists before it makes its own). Anything else is left alone.
void removeDeadRuns(const QString &folder)
{
    const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool ok = false;
        const qint64 pid = name.toLongLong(&ok);
        if (!ok || pid <= 0 || name != QString::number(pid))
            continue;
        const QString run = folder + QLatin1Char('/') + name;
        if (pid == ::getpid() || !runIsAlive(pid, run))
            FileSystem().RemoveFolder(run);
    }
}

} // namespace

QString WorkingFolder()
{
    static const QString folder = decideWorkingFolder();
    return folder;
}

bool IsWorkingPath(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return absolute.startsWith(WorkingFolder() + QLatin1Char('/'));
}

QString PrepareWorkingFolder()
{
    TState &s = state();
    QMutexLocker lock(&s.Mutex);
    if (s.Prepared)
        return s.Refusal;
    s.Prepared = true;
    const QString folder = WorkingFolder();
    s.Refusal = checkWorkingFolder(folder);
    if (!s.Refusal.isEmpty())
        return s.Refusal;
    removeDeadRuns(folder);
    const QString run = folder + QLatin1Char('/') + QString::number(::getpid());
    const QByteArray path = QFile::encodeName(run);
    if (::mkdir(path.constData(), 0700) != 0) {
        s.Refusal = refusal(folder, QStringLiteral("the folder of this run cannot be made (%1)").arg(errnoText(errno)));
        return s.Refusal;
    }
    // The mark is written under another name and renamed into place, so a run starting beside
    // this one never reads half of it.
    const QByteArray mark = path + '/' + kStartedMark;
    const QByteArray unfinished = mark + ".new";
    const int fd = ::open(unfinished.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        const QByteArray started = processStartTime(::getpid()) + '\n';
        const bool written = ::write(fd, started.constData(), size_t(started.size())) == started.size();
        ::close(fd);
        // Without the mark the folder is only kept a little longer.
        if (!written || ::rename(unfinished.constData(), mark.constData()) != 0)
            ::unlink(unfinished.constData());
    }
    s.Run = run;
    return QString();
}

QString RunFolder()
{
    const QString why = PrepareWorkingFolder();
    if (!why.isEmpty())
        throw Exception(why);
    QMutexLocker lock(&state().Mutex);
    return state().Run + QLatin1Char('/');
}

void RemoveRunFolder()
{
    TState &s = state();
    QMutexLocker lock(&s.Mutex);
    if (s.Run.isEmpty())
        return;
    FileSystem().RemoveFolder(s.Run);
    s.Run.clear();
    // A later use makes a new folder instead of writing where the old one was.
    s.Prepared = false;
}

} // namespace tavrel
