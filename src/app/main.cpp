// The program: the desktop application, or with --build a headless build for scripts.
#include "app/CommandLine.h"
#include "editing/gui/PreviewView.h"
#include "project/MainWindowLogic.h"
#include "project/gui/whelp.h"
#include "text/ChildProcess.h"
#include "text/WorkingFolder.h"
#include "text/gui/DesktopMessages.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <cstdio>
#include <sys/stat.h>

using namespace tavrel;

namespace {
QString versionText()
{
    return QString::fromLatin1(kProductName) + QLatin1Char(' ') + QString::fromLatin1(kVersion);
}

void print(FILE *to, const QString &text)
{
    QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), to);
}
} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    TCommandLine cl = TCommandLine::Parse(args);

    switch (cl.mode) {
    case TCommandLine::Mode::Version:
        print(stdout, versionText() + QLatin1Char('\n'));
        return 0;
    case TCommandLine::Mode::Help:
        print(stdout, versionText() + QStringLiteral("\n\n") + TCommandLine::HelpText());
        return 0;
    case TCommandLine::Mode::Error:
        print(stderr, cl.error + QStringLiteral("\n\n") + TCommandLine::HelpText());
        return 2;
    case TCommandLine::Mode::Build:
    case TCommandLine::Mode::Chm2Doc: {
        // Fonts and painting need a GUI application; the offscreen platform needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Every working file of the run lives in its private folder; a refused working folder
        // ends the build before anything is written.
        const QString refused = PrepareWorkingFolder();
        if (!refused.isEmpty()) {
            print(stderr, QStringLiteral("Error: ") + refused + QLatin1Char('\n'));
            return 1;
        }
        StartChildReaper(RunFolder());
        EndChildrenOnSignals();
        // Scripts and CI jobs often run without a session; a runtime folder inside this run's
        // folder keeps Qt from warning about it on every build and goes with the run.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QByteArray runtime = QFile::encodeName(RunFolder() + QStringLiteral("runtime"));
            if (::mkdir(runtime.constData(), 0700) == 0)
                qputenv("XDG_RUNTIME_DIR", runtime);
        }
        int status = 1;
        {
            QGuiApplication app(argc, argv);
            status = cl.mode == TCommandLine::Mode::Build ? HeadlessBuild(cl) : HeadlessChm2Doc(cl);
        }
        RemoveRunFolder();
        return status;
    }
    case TCommandLine::Mode::Decompile: {
        QCoreApplication app(argc, argv);
        return HeadlessDecompile(cl);
    }
    case TCommandLine::Mode::Desktop:
        break;
    }

    // A refused working folder is reported by every build that needs it.
    const QString refused = PrepareWorkingFolder();
    if (!refused.isEmpty())
        print(stderr, QStringLiteral("Error: ") + refused + QLatin1Char('\n'));
    else
        StartChildReaper(RunFolder());
    EndChildrenOnSignals();
    int status = 0;
    {
        PreparePreviewEngine();
        QApplication app(argc, argv);
        QApplication::setApplicationDisplayName(QStringLiteral("Tavrel for Word"));
        // The installed desktop entry and icon (the window manager matches them by this name).
        QGuiApplication::setDesktopFileName(QStringLiteral("org.tavrel.Tavrel"));
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.tavrel.Tavrel")));
        TDesktopMessages messages;
        SetMessages(&messages);
        // The main window opens the project (or the recent or sample one) and runs the "/b" build.
        QStringList desktopArgs;
        if (!cl.projectFile.isEmpty())
            desktopArgs << cl.projectFile;
        if (cl.silentBuild)
            desktopArgs << QStringLiteral("/b");
        status = RunDesktop(desktopArgs);
        SetMessages(nullptr);
    }
    RemoveRunFolder();
    return status;
}
