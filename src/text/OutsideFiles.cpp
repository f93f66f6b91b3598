#include "text/OutsideFiles.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// The path of an open descriptor as the kernel resolved it; empty when it cannot be told.
QString pathOfDescriptor(int fd)
{
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink(link.constData(), buffer, PATH_MAX);
    if (n <= 0)
        return QString();
    const QString path = QFile::decodeName(QByteArray(buffer, static_cast<qsizetype>(n)));
    // A file deleted while open reads "... (deleted)": it names no file that may be trusted.
    return path.startsWith(QLatin1Char('/')) && !path.endsWith(QLatin1String(" (deleted)")) ? path : QString();
}

QString tooLarge(qint64 limit)
{
    const QString size = limit >= 1024 * 1024 ? QStringLiteral("%1 MB").arg(limit / (1024 * 1024)) : QStringLiteral("%1 bytes").arg(limit);
    return QStringLiteral("is larger than %1 and was not read").arg(size);
}

class TDescriptor
{
public:
    explicit TDescriptor(int fd) : m_fd(fd) {}
    ~TDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TDescriptor(const TDescriptor &) = delete;
    TDescriptor &operator=(const TDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

TCarryRoots::TCarryRoots(const QStringList &folders)
{
    for (const QString &f : folders)
        Add(f);
}

void TCarryRoots::Add(const QString &folder)
{
    if (folder.isEmpty() || folder.contains(QChar(0)))
        return;
    const QFileInfo info(folder);
    if (!info.isDir())
        return;
    const QString real = withoutTrailingSlash(info.canonicalFilePath());
    if (!real.isEmpty() && !m_roots.contains(real))
        m_roots << real;
}

QString TCarryRoots::Refusal(const QString &resolved) const
{
    if (resolved.isEmpty() || !resolved.startsWith(QLatin1Char('/')))
        return QStringLiteral("cannot be located");
    bool inside = false;
    for (const QString &root : m_roots) {
        const QString prefix = root == QLatin1String("/") ? root : root + QLatin1Char('/');
        if (!resolved.startsWith(prefix))
            continue;
        inside = true;
        const QStringList below = resolved.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        bool hidden = below.isEmpty(); // the root itself is a folder, not a file to carry
        for (const QString &segment : below)
            hidden = hidden || segment.startsWith(QLatin1Char('.'));
        if (!hidden)
            return QString();
    }
    return inside ? QStringLiteral("is hidden (a name below the allowed folders begins with \".\")")
                  : QStringLiteral("lies outside the project folder, the document's folder and the folders the project allows");
}

int OpenRegularFile(const QString &path, QString *error, bool *missing, qint64 *size)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return -1;
    };
    if (missing)
        *missing = false;
    if (path.isEmpty() || path.contains(QChar(0)))
        return fail(QStringLiteral("is not a valid file name"));
    // Non-blocking, so that opening a FIFO without a writer returns at once; the descriptor,
    // not the name, is judged from here on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int e = errno;
        if (missing)
            *missing = e == ENOENT || e == ENOTDIR;
        return fail(e == ENOENT || e == ENOTDIR ? QStringLiteral("does not exist")
                                                : QStringLiteral("cannot be opened (%1)").arg(QString::fromLocal8Bit(std::strerror(e))));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return fail(folder ? QStringLiteral("is a folder, not a file")
                           : QStringLiteral("is not a regular file (a device, pipe or socket) and was not read"));
    }
    // A regular file does not block; the flag only mattered for the open.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size)
        *size = static_cast<qint64>(st.st_size);
    return fd;
}

TOutsideFile ReadOutsideFile(const QString &path, qint64 limit, const TCarryRoots *roots)
{
    TOutsideFile r;
    qint64 size = 0;
    const TDescriptor fd(OpenRegularFile(path, &r.Error, &r.Missing, &size));
    if (fd.get() < 0)
        return r;
    if (size > limit) {
        r.Error = tooLarge(limit);
        return r;
    }
    r.Path = pathOfDescriptor(fd.get());
    if (r.Path.isEmpty())
        r.Path = QFileInfo(path).canonicalFilePath();
    if (roots) {
        const QString why = roots->Refusal(r.Path);
        if (!why.isEmpty()) {
            r.Error = why;
            return r;
        }
    }
    QByteArray data;
    data.resize(static_cast<qsizetype>(size));
    qint64 have = 0;
    for (;;) {
        // The file may grow while it is read: one byte more than the limit tells.
        if (have == data.size()) {
            if (have > limit)
                break;
            data.resize(static_cast<qsizetype>(std::min<qint64>(limit + 1, have + 65536)));
        }
        const ssize_t n = ::read(fd.get(), data.data() + have, static_cast<size_t>(data.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.Error = QStringLiteral("cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return r;
        }
        if (n == 0)
            break;
        have += n;
    }
    if (have > limit) {
        r.Error = tooLarge(limit);
        return r;
    }
    data.resize(static_cast<qsizetype>(have));
    r.Data = std::move(data);
    return r;
}

} // namespace tavrel
