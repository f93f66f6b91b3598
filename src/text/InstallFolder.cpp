#include "text/InstallFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The executable's folder also without a QCoreApplication (fuzz targets, benchmarks).
QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return exe.isEmpty() ? QDir::currentPath() : QFileInfo(exe).absolutePath();
}

} // namespace

QString GetInstallFolder()
{
    const QString env = qEnvironmentVariable("TAVREL_DATA");
    if (!env.isEmpty())
        return withSlash(QDir::cleanPath(QDir(env).absolutePath()));
    const QString exeDir = executableFolder();
    const QString beside = QDir::cleanPath(exeDir + QStringLiteral("/data"));
    if (QFileInfo(beside).isDir())
        return withSlash(beside);
    const QString shared = QDir::cleanPath(exeDir + QStringLiteral("/../share/tavrel"));
    if (QFileInfo(shared).isDir())
        return withSlash(shared);
    return withSlash(beside);
}

QString InstallPath(const QString &relative)
{
    QString rel = relative;
    while (rel.startsWith(QLatin1Char('/')))
        rel.remove(0, 1);
    return GetInstallFolder() + rel;
}

} // namespace tavrel
