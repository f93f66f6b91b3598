#include "project/OwnHelp.h"

#include "text/InstallFolder.h"
#include "text/Shell.h"

#include <QFileInfo>

namespace tavrel {

namespace {
QString fileIfPresent(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.absoluteFilePath() : QString();
}
} // namespace

TOwnHelp FindOwnHelp()
{
    TOwnHelp help;
    help.Compiled = fileIfPresent(InstallPath(QStringLiteral("zirodev.chm")));
    help.WebStart = fileIfPresent(InstallPath(QStringLiteral("zirodev/index.html")));
    if (help.WebStart.isEmpty())
        help.WebStart = fileIfPresent(InstallPath(QStringLiteral("zirodev/index.htm")));
    return help;
}

QString OpenOwnHelp(const TOwnHelp &help, TShellInterface &shell)
{
    // Few Linux desktops have a viewer for compiled help; handing the file to an opener without
    // one shows an "open with" question or nothing at all, so the browser is asked instead.
    const bool viewer = !help.Compiled.isEmpty() && shell.HasOpenerFor(help.Compiled);
    if (viewer && shell.OpenDocument(help.Compiled))
        return help.Compiled;
    if (!help.WebStart.isEmpty() && shell.OpenDocument(help.WebStart))
        return help.WebStart;
    // Without a WebHelp copy the compiled file is still worth a try.
    if (!viewer && !help.Compiled.isEmpty() && shell.OpenDocument(help.Compiled))
        return help.Compiled;
    return {};
}

} // namespace tavrel
