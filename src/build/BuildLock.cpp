#include "build/BuildLock.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace {

struct THolder
{
    qint64 pid = 0;
    QString host;
};

THolder readHolder(QFile &file)
{
    THolder h;
    file.seek(0);
    const QList<QByteArray> lines = file.read(4096).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("pid="))
            h.pid = line.mid(4).trimmed().toLongLong();
        else if (line.startsWith("host="))
            h.host = QString::fromUtf8(line.mid(5).trimmed());
    }
    return h;
}

bool sameFile(int fd, const QString &path)
{
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) != 0 || ::stat(QFile::encodeName(path).constData(), &named) != 0)
        return false;
    return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool writeHolder(QFile &file)
{
    const QByteArray text = "pid=" + QByteArray::number(qint64(::getpid())) + "\nhost="
        + QSysInfo::machineHostName().toUtf8() + "\n";
    return file.resize(0) && file.seek(0) && file.write(text) == text.size() && file.flush();
}

// Where the file system has no advisory locks, the record itself decides: a live process of
// this host other than this one holds the lock.
bool recordHeldByOther(const THolder &h)
{
    if (h.pid <= 0 || h.pid == ::getpid() || h.host != QSysInfo::machineHostName())
        return false;
    return ::kill(static_cast<pid_t>(h.pid), 0) == 0 || errno == EPERM;
}

} // namespace

QString TBuildLock::LockFileOf(const QString &projectFile)
{
    const QFileInfo info(projectFile);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".lock");
}

TBuildLock::TBuildLock(const QString &projectFile) : m_path(LockFileOf(projectFile))
{
    auto busy = [&](const THolder &h) {
        const QString who = h.pid > 0
            ? QStringLiteral(" (pid %1%2)").arg(h.pid).arg(h.host.isEmpty() ? QString() : QStringLiteral(" on ") + h.host)
            : QString();
        m_refusal = QStringLiteral("\"%1\" is being built by another process%2. Wait until that build has ended, then build again.")
                        .arg(projectFile, who);
    };
    // A holder that releases removes the file; a lock taken on the removed file would lock
    // nothing, so the file is opened again until the lock sits on the file of that name.
    for (int attempt = 0; attempt < 10; ++attempt) {
        auto file = std::make_unique<QFile>(m_path);
        if (!file->open(QIODevice::ReadWrite)) {
            m_refusal = QStringLiteral("The build lock \"%1\" cannot be created: %2.").arg(m_path, file->errorString());
            return;
        }
        const int fd = file->handle();
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                busy(readHolder(*file));
                return;
            }
            if (recordHeldByOther(readHolder(*file))) {
                busy(readHolder(*file));
                return;
            }
        } else if (!sameFile(fd, m_path)) {
            continue;
        }
        if (!writeHolder(*file)) {
            m_refusal = QStringLiteral("The build lock \"%1\" cannot be written.").arg(m_path);
            file->remove();
            return;
        }
        m_file = std::move(file);
        return;
    }
    m_refusal = QStringLiteral("The build lock \"%1\" keeps changing: another build is starting.").arg(m_path);
}

TBuildLock::~TBuildLock()
{
    if (!m_file)
        return;
    // Removed while still locked, so nobody can take a lock on a file about to vanish unseen.
    QFile::remove(m_path);
    m_file->close();
}

} // namespace tavrel
