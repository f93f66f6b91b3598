#include "text/ChildProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace tavrel {

namespace {

// The groups of the children now running, for the signal handler: plain atomics, no lock.
constexpr int kGroupSlots = 64;
std::atomic<pid_t> g_groups[kGroupSlots];
// The program's end of the line to the reaper; -1 without a reaper.
std::atomic<int> g_reaper{-1};

void registerGroup(pid_t group)
{
    for (auto &slot : g_groups) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, group))
            return;
    }
}

void unregisterGroup(pid_t group)
{
    for (auto &slot : g_groups) {
        pid_t mine = group;
        if (slot.compare_exchange_strong(mine, 0))
            return;
    }
}

// A record to the reaper: a group that began (positive) or ended (negative).
void tellReaper(int fd, std::int32_t record)
{
    if (fd >= 0)
        (void)::send(fd, &record, sizeof record, MSG_NOSIGNAL | MSG_DONTWAIT);
}

extern "C" void onTerminatingSignal(int sig)
{
    for (auto &slot : g_groups) {
        const pid_t group = slot.load();
        if (group > 0)
            ::kill(-group, SIGKILL);
    }
    // The handler was reset to the default action: the signal ends the program when it returns.
    ::raise(sig);
}

// --- The reaper (a forked copy of the program that has no other thread) ------------------------

void removeTreeAt(int parent, const char *name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlinkat(parent, name, 0); // a file or a link, never followed
        return;
    }
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent *e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    for (const std::string &n : names)
        removeTreeAt(::dirfd(dir), n.c_str());
    ::closedir(dir);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

[[noreturn]] void reaperMain(int fd, const QByteArray &runFolder, const struct stat &runStat)
{
    // A terminal's Ctrl-C or a kill of the program's group must not end the reaper first.
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        ::signal(sig, SIG_IGN);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        // Whoever reads the program's console sees its end when the program ends.
        for (int std : {0, 1, 2})
            ::dup2(null, std);
        if (null > 2)
            ::close(null);
    }
    (void)::chdir("/");

    std::vector<pid_t> groups;
    char buffer[256];
    std::string pending;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // every copy of the program's end is closed: the program has ended
        pending.append(buffer, size_t(n));
        while (pending.size() >= sizeof(std::int32_t)) {
            std::int32_t record;
            std::memcpy(&record, pending.data(), sizeof record);
            pending.erase(0, sizeof record);
            if (record > 0) {
                groups.push_back(pid_t(record));
            } else {
                for (auto it = groups.begin(); it != groups.end(); ++it)
                    if (*it == pid_t(-record)) {
                        groups.erase(it);
                        break;
                    }
            }
        }
    }
    for (pid_t g : groups)
        ::kill(-g, SIGKILL);
    // Killed processes may still be writing; the folder goes once they are gone (or after 3 s).
    for (int round = 0; round < 150; ++round) {
        bool alive = false;
        for (pid_t g : groups)
            alive = alive || ::kill(-g, 0) == 0;
        if (!alive)
            break;
        ::usleep(20000);
    }
    if (!runFolder.isEmpty()) {
        const qsizetype slash = runFolder.lastIndexOf('/');
        const QByteArray parentPath = slash > 0 ? runFolder.left(slash) : QByteArray("/");
        const QByteArray name = runFolder.mid(slash + 1);
        const int parent = ::open(parentPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat now;
        // Only the very folder the run made: not a new one of the same name.
        if (parent >= 0 && !name.isEmpty() && ::fstatat(parent, name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISDIR(now.st_mode) && now.st_dev == runStat.st_dev && now.st_ino == runStat.st_ino)
            removeTreeAt(parent, name.constData());
        if (parent >= 0)
            ::close(parent);
    }
    ::_exit(0);
}

} // namespace

TChildResult RunChild(const TChildRun &run)
{
    TChildResult result;
    QProcess process;
    process.setProgram(run.Program);
    process.setArguments(run.Arguments);
    if (!run.WorkingDirectory.isEmpty())
        process.setWorkingDirectory(run.WorkingDirectory);
    if (!run.Environment.isEmpty())
        process.setProcessEnvironment(run.Environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());

    const pid_t parent = ::getpid();
    const int reaper = g_reaper.load();
    const bool privateFiles = run.PrivateFiles;
    // Runs in the child before the program is executed; only system calls are safe here.
    process.setChildProcessModifier([parent, reaper, privateFiles] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127); // the program died before the child could be tied to it
        tellReaper(reaper, std::int32_t(::getpid()));
        if (privateFiles)
            ::umask(077);
    });
    process.start();
    if (!process.waitForStarted(30000)) {
        result.StartError = process.errorString();
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.Started = true;
    const pid_t group = pid_t(process.processId());
    registerGroup(group);

    QDeadlineTimer deadline(qMax(run.TimeoutMs, 1));
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            result.TimedOut = true;
            break;
        }
        // Waiting for the end also reads the console, so a long output cannot fill the pipe.
        process.waitForFinished(int(qBound(qint64(1), deadline.remainingTime(), qint64(200))));
        result.Output += process.readAll();
    }
    // The whole group goes: at the time limit, and after the end whatever the child left running.
    if (group > 0)
        ::kill(-group, SIGKILL);
    if (result.TimedOut) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.Output += process.readAll();
    unregisterGroup(group);
    tellReaper(reaper, -std::int32_t(group));

    result.Crashed = !result.TimedOut && process.exitStatus() == QProcess::CrashExit;
    result.ExitCode = result.TimedOut || result.Crashed ? -1 : process.exitCode();
    return result;
}

void StartChildReaper(const QString &runFolder)
{
    if (g_reaper.load() >= 0)
        return;
    int line[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, line) != 0)
        return;
    const QByteArray folder = QFile::encodeName(runFolder.endsWith(QLatin1Char('/')) ? runFolder.chopped(1) : runFolder);
    struct stat runStat;
    std::memset(&runStat, 0, sizeof runStat);
    const bool haveFolder = !folder.isEmpty() && ::lstat(folder.constData(), &runStat) == 0 && S_ISDIR(runStat.st_mode);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(line[0]);
        ::close(line[1]);
        return;
    }
    if (pid == 0) {
        ::close(line[0]);
        reaperMain(line[1], haveFolder ? folder : QByteArray(), runStat);
    }
    ::close(line[1]);
    g_reaper = line[0];
}

void EndChildrenOnSignals()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onTerminatingSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

} // namespace tavrel
