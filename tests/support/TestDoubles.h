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
    bool OpenDocument(const QString &path) override { opened << path; return result; }
    bool ShowInFileManager(const QString &path) override { shown << path; return result; }

    QStringList opened, shown;
    bool result = true;

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
    QStringList calls; // "op path" of every call, in order

    bool CanOpenRead(const QString &path) override;
    bool CanOpenWrite(const QString &path) override;
    bool WriteFile(const QString &path, const QByteArray &data) override;
    bool RemoveFile(const QString &path) override;
    bool RemoveFolder(const QString &path) override;
    bool Rename(const QString &from, const QString &to) override;
    bool CopyFile(const QString &from, const QString &to) override;
    bool MakePath(const QString &folder) override;

private:
    bool fails(const QString &path, int op) const;
    struct Fault { QString path; int ops; };
    std::vector<Fault> m_faults;
    TFileSystem *m_previous;
};

} // namespace tavrel::test
