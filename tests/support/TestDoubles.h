#pragma once
// Test doubles for the shell and the file system, installed for the lifetime of the object.
#include "text/FileSystem.h"
#include "text/Shell.h"

#include <QStringList>
#include <set>

namespace tavrel::test {

// Records shell actions instead of starting programs.
class TRecordingShell : public TShellInterface
{
public:
    TRecordingShell() { m_previous = SetShell(this); }
    ~TRecordingShell() override { SetShell(m_previous); }
    bool OpenDocument(const QString &path) override
    {
        opened << path;
        return result && !failing.contains(path);
    }
    bool ShowInFileManager(const QString &path) override { shown << path; return result; }
    // A desktop with a program for every file, unless the file's extension is listed here.
    bool HasOpenerFor(const QString &path) override
    {
        return !noOpenerFor.contains(path.section(QLatin1Char('.'), -1).toLower());
    }

    QStringList opened, shown;
    QStringList noOpenerFor; // extensions without a program, "chm"
    bool result = true;
    QStringList failing; // paths whose opening fails

private:
    TShellInterface *m_previous;
};

// The real file system, except that chosen operations fail on chosen paths (a path given
// also fails for everything below it). Root ignores permission bits, so this is how tests
// make files locked, read-only or undeletable.
class TFaultyFileSystem : public TFileSystem
{
public:
    enum Op { opRead = 1, opWrite = 2, opRemove = 4, opRename = 8, opCopy = 16, opMakeDir = 32, opAll = 63 };
    TFaultyFileSystem() { m_previous = SetFileSystem(this); }
    ~TFaultyFileSystem() override { SetFileSystem(m_previous); }

    void Fail(const QString &path, int ops) { m_faults.push_back({path, ops}); }
    // Fails the operations on every path whose last parts are these ("pages/x.htm"), wherever
    // the file is written: outputs are made in private folders of unknown names.
    void FailName(const QString &tail, int ops) { m_faults.push_back({tail, ops, true}); }
    QStringList calls; // "op path" of every call, in order

    bool CanOpenRead(const QString &path) override;
    bool CanOpenWrite(const QString &path) override;
    bool WriteFile(const QString &path, const QByteArray &data) override;
    // Rewrites meet the faults of writes.
    bool RewriteFile(const QString &path, const QByteArray &data) override { return WriteFile(path, data); }
    bool RemoveFile(const QString &path) override;
    bool RemoveFolder(const QString &path) override;
    bool Rename(const QString &from, const QString &to) override;
    bool CopyFile(const QString &from, const QString &to) override;
    bool MakePath(const QString &folder) override;
    bool MakePrivateFolder(const QString &folder) override;

protected:
    bool fails(const QString &path, int op) const;

private:
    struct Fault { QString path; int ops; bool tail = false; };
    std::vector<Fault> m_faults;
    TFileSystem *m_previous;
};

// The faults of a build that runs out of luck at its n-th step: the n-th data write (a written,
// copied or created file or folder) finds the disk full, as a large file does on a nearly full
// disk while the smaller ones after it still fit; or the n-th rename fails; or the source of the
// n-th copy vanishes just before it is read. Only that one step fails, so a step whose failure
// is ignored shows as a build that succeeds. Counting starts at 1; with n = 0 nothing fails and
// the counts show how many steps of each kind a run has.
class TInjectingFileSystem : public TFaultyFileSystem
{
public:
    enum Kind { DiskFull, RenameFails, Vanishes };
    TInjectingFileSystem(Kind kind = DiskFull, int n = 0) : m_kind(kind), m_n(n) {}

    // Only copies from below this folder count for Vanishes (never the installation's files).
    QString within;
    int dataWrites = 0, renames = 0, copies = 0;
    bool injected = false;

    bool WriteFile(const QString &path, const QByteArray &data) override;
    bool CopyFile(const QString &from, const QString &to) override;
    bool MakePath(const QString &folder) override;
    bool MakePrivateFolder(const QString &folder) override;
    bool Rename(const QString &from, const QString &to) override;

private:
    bool diskFull();
    Kind m_kind;
    int m_n;
};

} // namespace tavrel::test
