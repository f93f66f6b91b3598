#include "text/FileSystem.h"

#include "text/OutputPath.h"
#include "text/OutsideFiles.h"
#include "text/WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace {
TFileSystem g_real;

// The last line of defence: a path with a NUL would be cut short by the system call (and name
// another file than the one checked), and other control characters have no place in a file name
// the program reads or writes. Every caller checks earlier with a message of its own.
bool usable(const QString &path) { return !path.isEmpty() && !HasControlCharacter(path); }
std::atomic<TFileSystem *> g_fs{nullptr};

// Deletes the content of a folder without following symbolic links: a link is removed as a
// link, never entered.
bool removeTree(const QString &path)
{
    QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return QFile::remove(path);
    QDir dir(path);
    bool ok = true;
    const auto entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &e : entries)
        ok = removeTree(e.absoluteFilePath()) && ok;
    return QDir().rmdir(path) && ok;
}
} // namespace

bool TFileSystem::CanOpenRead(const QString &path)
{
    if (!usable(path))
        return false;
    // Without blocking: opening a FIFO for reading would wait for a writer forever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool TFileSystem::CanOpenWrite(const QString &path)
{
    if (!usable(path))
        return false;
    const QByteArray name = QFile::encodeName(path);
    // Append mode tests writability without truncating the file, and without blocking: opening
    // a FIFO for writing would wait for a reader forever.
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != ENOENT)
        return false;
    // A missing file: whether it can be made, removing only the one made here.
    const int made = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
    if (made < 0)
        return false;
    ::close(made);
    ::unlink(name.constData());
    return true;
}

namespace {
// Writes data as the whole content of the open file fd and closes it; only a regular file is
// written (a FIFO, a device or a folder opened at that name is left as it is).
bool writeRegular(int fd, const QByteArray &data)
{
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    qsizetype done = 0;
    while (ok && done < data.size()) {
        const ssize_t w = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (w < 0 && errno == EINTR)
            continue;
        ok = w > 0;
        done += ok ? qsizetype(w) : 0;
    }
    ok = ok && ::ftruncate(fd, off_t(data.size())) == 0;
    return ::close(fd) == 0 && ok;
}
} // namespace

bool TFileSystem::WriteFile(const QString &path, const QByteArray &data)
{
    if (!usable(path))
        return false;
    // Working files are the author's text and pictures: nobody else may read them, so a new one
    // is created owner-only before anything is written into it. Opening never waits (a FIFO
    // at the name would block until someone reads it) and never takes a terminal.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                          IsWorkingPath(path) ? 0600 : 0666);
    return fd >= 0 && writeRegular(fd, data);
}

bool TFileSystem::RewriteFile(const QString &path, const QByteArray &data)
{
    if (!usable(path))
        return false;
    // As WriteFile, and never through a link: only a regular file at this very name is
    // written, whatever the name turns out to be.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return errno == ENOENT && WriteFile(path, data);
    return writeRegular(fd, data);
}

bool TFileSystem::RemoveFile(const QString &path) { return usable(path) && QFile::remove(path); }

bool TFileSystem::RemoveFolder(const QString &path)
{
    if (!usable(path))
        return false;
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return false;
    return removeTree(path);
}

bool TFileSystem::Rename(const QString &from, const QString &to)
{
    if (!usable(from) || !usable(to))
        return false;
    // QFile::rename refuses to replace; rename(2) replaces atomically, which is what callers want.
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool TFileSystem::CopyFile(const QString &from, const QString &to)
{
    if (!usable(from) || !usable(to))
        return false;
    // Only a regular file is copied, read from the descriptor that was checked: a FIFO would
    // hang the copy and a device such as /dev/zero would fill the disk.
    const int in = OpenRegularFile(from);
    if (in < 0)
        return false;
    QFile source;
    if (!source.open(in, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(in);
        return false;
    }
    if (QFileInfo::exists(to) && !QFile::remove(to))
        return false;
    QFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    // A working copy is the user's alone, before anything of the original is in it.
    if (IsWorkingPath(to) && !target.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        target.close();
        target.remove();
        return false;
    }
    char buffer[65536];
    for (;;) {
        const qint64 n = source.read(buffer, sizeof buffer);
        if (n < 0 || (n > 0 && target.write(buffer, n) != n)) {
            target.close();
            target.remove();
            return false;
        }
        if (n == 0)
            break;
    }
    if (!target.flush()) {
        target.close();
        target.remove();
        return false;
    }
    // Elsewhere, as QFile::copy does: the copy gets the permissions of its source.
    if (!IsWorkingPath(to))
        target.setPermissions(QFile::permissions(from));
    return true;
}

bool TFileSystem::MakePath(const QString &folder)
{
    if (!usable(folder))
        return false;
    if (!IsWorkingPath(folder))
        return QDir().mkpath(folder);
    // The folders made inside the working folder are closed to everybody else.
    QStringList made;
    for (QString p = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); IsWorkingPath(p) && !QFileInfo::exists(p);
         p = QFileInfo(p).path())
        made << p;
    if (!QDir().mkpath(folder))
        return false;
    for (const QString &p : made)
        if (::chmod(QFile::encodeName(p).constData(), 0700) != 0)
            return false;
    return true;
}

bool TFileSystem::MakePrivateFolder(const QString &folder)
{
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TFileSystem &FileSystem()
{
    TFileSystem *f = g_fs.load();
    return f ? *f : g_real;
}

TFileSystem *SetFileSystem(TFileSystem *fs)
{
    TFileSystem *old = g_fs.exchange(fs);
    return old ? old : &g_real;
}

QFile::Permissions NewFilePermissions()
{
    int mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray &l : lines)
            if (l.startsWith("Umask:")) {
                bool ok = false;
                const int m = l.mid(6).trimmed().toInt(&ok, 8);
                if (ok)
                    mask = m;
            }
    }
    const int mode = 0666 & ~mask;
    QFile::Permissions p;
    if (mode & 0400) p |= QFile::ReadOwner | QFile::ReadUser;
    if (mode & 0200) p |= QFile::WriteOwner | QFile::WriteUser;
    if (mode & 0040) p |= QFile::ReadGroup;
    if (mode & 0020) p |= QFile::WriteGroup;
    if (mode & 0004) p |= QFile::ReadOther;
    if (mode & 0002) p |= QFile::WriteOther;
    return p;
}

} // namespace tavrel
