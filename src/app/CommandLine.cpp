#include "app/CommandLine.h"

namespace tavrel {

TCommandLine TCommandLine::Parse(const QStringList &args)
{
    TCommandLine cl;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--version") || a == QLatin1String("-v")) {
            cl.mode = Mode::Version;
            return cl;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cl.mode = Mode::Help;
            return cl;
        }
        if (a == QLatin1String("--build")) {
            if (i + 1 >= args.size()) {
                cl.mode = Mode::Error;
                cl.error = QStringLiteral("--build needs a project file.");
                return cl;
            }
            cl.mode = Mode::Build;
            cl.projectFile = args[++i];
        } else if (a == QLatin1String("--yes")) {
            cl.yes = true;
        } else if (a.compare(QLatin1String("/b"), Qt::CaseInsensitive) == 0) {
            cl.silentBuild = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            cl.mode = Mode::Error;
            cl.error = QStringLiteral("Unknown option: ") + a;
            return cl;
        } else if (cl.projectFile.isEmpty()) {
            cl.projectFile = a;
        } else if (cl.mode != Mode::Build) {
            cl.mode = Mode::Error;
            cl.error = QStringLiteral("Unexpected argument: ") + a;
            return cl;
        }
    }
    if (cl.silentBuild && cl.projectFile.isEmpty()) {
        cl.mode = Mode::Error;
        cl.error = QStringLiteral("/b needs a project file before it.");
    }
    return cl;
}

QString TCommandLine::HelpText()
{
    return QStringLiteral(
        "Usage:\n"
        "  tavrel [PROJECT.tvp]          open the project in the main window\n"
        "  tavrel PROJECT.tvp /b         build the project silently, then close\n"
        "  tavrel --build PROJECT.tvp    build without a display (for scripts and CI)\n"
        "         [--yes]                  and empty an existing WebHelp folder without asking\n"
        "  tavrel --version              print the version\n"
        "  tavrel --help                 print this text\n");
}

} // namespace tavrel
