#pragma once
// Every delete, rename, write and open test of the system goes through this seam. Everything
// runs as root here, and root ignores permission bits, so tests install an implementation that
// makes chosen operations fail instead of relying on read-only files.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace tavrel {

class TFileSystem
{
public:
    virtual ~TFileSystem() = default;
    virtual bool CanOpenRead(const QString &path);
    virtual bool CanOpenWrite(const QString &path);
    // Writes the whole file, replacing it.
    virtual bool WriteFile(const QString &path, const QByteArray &data);
    // The same for a file the program itself made and rewrites (a page of a decompiled help
    // file): an existing regular file is written over in place and cut to length, where
    // truncating it first makes the file system push its data to the disk at close (a guard for
    // replaced files that scratch files do not need). A missing file goes to WriteFile; anything
    // but a regular file is refused.
    virtual bool RewriteFile(const QString &path, const QByteArray &data);
    virtual bool RemoveFile(const QString &path);
    // Removes a folder and everything in it; never follows a symbolic link out of it.
    virtual bool RemoveFolder(const QString &path);
    virtual bool Rename(const QString &from, const QString &to);
    virtual bool CopyFile(const QString &from, const QString &to);
    virtual bool MakePath(const QString &folder);
    // Creates exactly this folder, readable only by its owner (0700); false when it exists
    // already or its parent is missing, so a name chosen at random is this caller's alone.
    virtual bool MakePrivateFolder(const QString &folder);
};

// The permission bits a newly created file gets (0666 less the umask), read without changing
// the process-wide umask. Files first written under a private temporary name get these before
// they are moved into place, so an output is as readable as one written directly.
QFile::Permissions NewFilePermissions();

TFileSystem &FileSystem();
TFileSystem *SetFileSystem(TFileSystem *fs);

} // namespace tavrel
