#include "support/TestDoubles.h"

#include <QDir>

namespace tavrel::test {

bool TFaultyFileSystem::fails(const QString &path, int op) const
{
    const QString p = QDir::cleanPath(path);
    for (const Fault &f : m_faults) {
        const QString fp = QDir::cleanPath(f.path);
        if ((f.ops & op) && (p == fp || p.startsWith(fp + QLatin1Char('/'))))
            return true;
    }
    return false;
}

bool TFaultyFileSystem::CanOpenRead(const QString &path)
{
    calls << QStringLiteral("read ") + path;
    return !fails(path, opRead) && TFileSystem::CanOpenRead(path);
}

bool TFaultyFileSystem::CanOpenWrite(const QString &path)
{
    calls << QStringLiteral("canwrite ") + path;
    return !fails(path, opWrite) && TFileSystem::CanOpenWrite(path);
}

bool TFaultyFileSystem::WriteFile(const QString &path, const QByteArray &data)
{
    calls << QStringLiteral("write ") + path;
    return !fails(path, opWrite) && TFileSystem::WriteFile(path, data);
}

bool TFaultyFileSystem::RemoveFile(const QString &path)
{
    calls << QStringLiteral("remove ") + path;
    return !fails(path, opRemove) && TFileSystem::RemoveFile(path);
}

bool TFaultyFileSystem::RemoveFolder(const QString &path)
{
    calls << QStringLiteral("rmdir ") + path;
    return !fails(path, opRemove) && TFileSystem::RemoveFolder(path);
}

bool TFaultyFileSystem::Rename(const QString &from, const QString &to)
{
    calls << QStringLiteral("rename ") + from + QStringLiteral(" -> ") + to;
    return !fails(from, opRename) && !fails(to, opRename) && TFileSystem::Rename(from, to);
}

bool TFaultyFileSystem::CopyFile(const QString &from, const QString &to)
{
    calls << QStringLiteral("copy ") + from + QStringLiteral(" -> ") + to;
    return !fails(from, opCopy) && !fails(to, opCopy) && TFileSystem::CopyFile(from, to);
}

bool TFaultyFileSystem::MakePath(const QString &folder)
{
    calls << QStringLiteral("mkpath ") + folder;
    return !fails(folder, opMakeDir) && TFileSystem::MakePath(folder);
}

} // namespace tavrel::test
