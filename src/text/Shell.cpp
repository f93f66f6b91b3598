#include "text/Shell.h"

#include "text/ChildProcess.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QUrl>
#include <atomic>

namespace tavrel {

namespace {
TDesktopShell g_desktop;
std::atomic<TShellInterface *> g_shell{nullptr};
} // namespace

bool TDesktopShell::OpenDocument(const QString &path)
{
    // A web address is opened as one; anything else names a local file.
    if (path.startsWith(QLatin1String("https://")) || path.startsWith(QLatin1String("http://")))
        return QDesktopServices::openUrl(QUrl(path, QUrl::StrictMode));
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool TDesktopShell::ShowInFileManager(const QString &path)
{
    // The file manager interface of freedesktop.org selects the file; without a session bus
    // or a file manager that offers it, the containing folder is opened instead.
    const QString dbusSend = QStandardPaths::findExecutable(QStringLiteral("dbus-send"));
    if (!dbusSend.isEmpty()) {
        QStringList args{QStringLiteral("--session"), QStringLiteral("--print-reply"),
                         QStringLiteral("--dest=org.freedesktop.FileManager1"),
                         QStringLiteral("/org/freedesktop/FileManager1"),
                         QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                         QStringLiteral("array:string:") + QUrl::fromLocalFile(path).toString(),
                         QStringLiteral("string:")};
        TChildRun run;
        run.Program = dbusSend;
        run.Arguments = args;
        run.TimeoutMs = 5000;
        const TChildResult r = RunChild(run);
        if (r.Started && !r.TimedOut && !r.Crashed && r.ExitCode == 0)
            return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

bool TDesktopShell::HasOpenerFor(const QString &path)
{
    // The same association the opener (xdg-open) follows: the default application of the
    // file's MIME type. Without xdg-mime nothing can be known, and nothing is promised.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    if (type.isEmpty() || type == QLatin1String("application/octet-stream"))
        return false;
    TChildRun run;
    run.Program = xdgMime;
    run.Arguments = {QStringLiteral("query"), QStringLiteral("default"), type};
    run.TimeoutMs = 5000;
    const TChildResult r = RunChild(run);
    if (!r.Started || r.TimedOut || r.Crashed || r.ExitCode != 0)
        return false;
    // Warnings of the script may share the output; the answer is a desktop file's name.
    const QList<QByteArray> lines = r.Output.split('\n');
    for (const QByteArray &line : lines) {
        if (line.trimmed().endsWith(".desktop"))
            return true;
    }
    return false;
}

TShellInterface &Shell()
{
    TShellInterface *s = g_shell.load();
    return s ? *s : g_desktop;
}

TShellInterface *SetShell(TShellInterface *shell)
{
    TShellInterface *old = g_shell.exchange(shell);
    return old ? old : &g_desktop;
}

} // namespace tavrel
