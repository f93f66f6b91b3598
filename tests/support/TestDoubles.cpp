#include "support/TestDoubles.h"

#include "project/OutputRecord.h"

#include <QDir>
#include <QFile>

namespace tavrel::test {

bool TFaultyFileSystem::fails(const QString &path, int op) const
{
    const QString p = QDir::cleanPath(path);
    for (const Fault &f : m_faults) {
        const QString fp = QDir::cleanPath(f.path);
        if (!(f.ops & op))
            continue;
        if (f.tail ? (p == fp || p.endsWith(QLatin1Char('/') + fp)) : (p == fp || p.startsWith(fp + QLatin1Char('/'))))
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

bool TFaultyFileSystem::MakePrivateFolder(const QString &folder)
{
    calls << QStringLiteral("mkdir ") + folder;
    return !fails(folder, opMakeDir) && TFileSystem::MakePrivateFolder(folder);
}

namespace {
// The record of written outputs is saved after the outputs are in place; a failure there costs
// the next build a question, not this build its outputs, so it is no step of the build.
bool isRecord(const QString &path)
{
    return path.startsWith(TOutputRecord::Folder() + QLatin1Char('/'));
}
} // namespace

bool TInjectingFileSystem::diskFull()
{
    ++dataWrites;
    if (m_kind != DiskFull || dataWrites != m_n)
        return false;
    injected = true;
    return true;
}

bool TInjectingFileSystem::WriteFile(const QString &path, const QByteArray &data)
{
    if (!isRecord(path) && diskFull()) {
        // A full disk leaves what fitted: a truncated file.
        TFileSystem::WriteFile(path, data.left(data.size() / 2));
        return false;
    }
    return TFaultyFileSystem::WriteFile(path, data);
}

bool TInjectingFileSystem::CopyFile(const QString &from, const QString &to)
{
    if (!within.isEmpty() && QDir::cleanPath(from).startsWith(QDir::cleanPath(within) + QLatin1Char('/'))) {
        ++copies;
        if (m_kind == Vanishes && copies == m_n) {
            injected = true;
            QFile::remove(from);
        }
    }
    return !diskFull() && TFaultyFileSystem::CopyFile(from, to);
}

bool TInjectingFileSystem::MakePath(const QString &folder)
{
    if (isRecord(folder + QLatin1Char('/')))
        return TFaultyFileSystem::MakePath(folder);
    return !diskFull() && TFaultyFileSystem::MakePath(folder);
}

bool TInjectingFileSystem::MakePrivateFolder(const QString &folder)
{
    return !diskFull() && TFaultyFileSystem::MakePrivateFolder(folder);
}

bool TInjectingFileSystem::Rename(const QString &from, const QString &to)
{
    if (isRecord(to))
        return TFaultyFileSystem::Rename(from, to);
    ++renames;
    if (m_kind == RenameFails && renames == m_n) {
        injected = true;
        return false;
    }
    return TFaultyFileSystem::Rename(from, to);
}

} // namespace tavrel::test
