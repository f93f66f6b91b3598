#pragma once
// One build of a project at a time: two windows, a window and a script, or two scripts that
// build the same project would otherwise write the same outputs at once. The lock is a file
// beside the project file (".<name>.lock") that holds the process id and host of its builder,
// locked with the system's advisory file lock, so a holder that dies releases it by itself
// and the next build takes it over.
#include <QString>
#include <memory>

class QFile;

namespace tavrel {

class TBuildLock
{
public:
    // Tries to take the lock of the project file once, without waiting.
    explicit TBuildLock(const QString &projectFile);
    TBuildLock(const TBuildLock &) = delete;
    TBuildLock &operator=(const TBuildLock &) = delete;
    // Releases the lock and removes the lock file.
    ~TBuildLock();

    bool Held() const { return m_file != nullptr; }
    // Why the lock was not taken (another build holds it, or the file cannot be made).
    QString Refusal() const { return m_refusal; }

    static QString LockFileOf(const QString &projectFile);

private:
    std::unique_ptr<QFile> m_file;
    QString m_path;
    QString m_refusal;
};

} // namespace tavrel
