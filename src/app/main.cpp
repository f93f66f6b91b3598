// The program: the desktop application, or with --build a headless build for scripts.
#include "app/CommandLine.h"
#include "project/MainWindowLogic.h"
#include "project/gui/whelp.h"
#include "text/gui/DesktopMessages.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

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
    case TCommandLine::Mode::Build: {
        // Fonts and painting need a GUI application; the offscreen platform needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Scripts and CI jobs often run without a session; a private runtime folder for this
        // run keeps Qt from warning about it on every build.
        std::unique_ptr<QTemporaryDir> runtime;
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtime = std::make_unique<QTemporaryDir>();
            if (runtime->isValid())
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
        }
        QGuiApplication app(argc, argv);
        return HeadlessBuild(cl);
    }
    case TCommandLine::Mode::Decompile: {
        QCoreApplication app(argc, argv);
        return HeadlessDecompile(cl);
    }
    case TCommandLine::Mode::Desktop:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tavrel for Word"));
    TDesktopMessages messages;
    SetMessages(&messages);
    // The main window opens the project (or the recent or sample one) and runs the "/b" build.
    QStringList desktopArgs;
    if (!cl.projectFile.isEmpty())
        desktopArgs << cl.projectFile;
    if (cl.silentBuild)
        desktopArgs << QStringLiteral("/b");
    const int status = RunDesktop(desktopArgs);
    SetMessages(nullptr);
    return status;
}
