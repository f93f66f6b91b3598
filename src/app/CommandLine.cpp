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
        } else if (a == QLatin1String("--decompile")) {
            if (i + 2 >= args.size()) {
                cl.mode = Mode::Error;
                cl.error = QStringLiteral("--decompile needs a help file and a folder.");
                return cl;
            }
            cl.mode = Mode::Decompile;
            cl.helpFile = args[++i];
            cl.targetFolder = args[++i];
        } else if (a == QLatin1String("--chm2doc")) {
            if (i + 2 >= args.size()) {
                cl.mode = Mode::Error;
                cl.error = QStringLiteral("--chm2doc needs a help file and a document.");
                return cl;
            }
            cl.mode = Mode::Chm2Doc;
            cl.helpFile = args[++i];
            cl.outputFile = args[++i];
        } else if (a == QLatin1String("--toc")) {
            cl.toc = true;
        } else if (a == QLatin1String("--cover")) {
            cl.cover = true;
        } else if (a == QLatin1String("--title-numbers")) {
            cl.titleNumbers = true;
        } else if (a == QLatin1String("--page-breaks")) {
            const QString mode = i + 1 < args.size() ? args[++i] : QString();
            const QStringList modes{QStringLiteral("none"), QStringLiteral("top"), QStringLiteral("all")};
            if (!modes.contains(mode)) {
                cl.mode = Mode::Error;
                cl.error = QStringLiteral("--page-breaks needs none, top or all.");
                return cl;
            }
            cl.pageBreaks = int(modes.indexOf(mode));
        } else if (a == QLatin1String("--yes")) {
            cl.yes = true;
        } else if (a == QLatin1String("--replace-unrecorded")) {
            cl.replaceUnrecorded = true;
        } else if (a.compare(QLatin1String("/b"), Qt::CaseInsensitive) == 0) {
            cl.silentBuild = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            cl.mode = Mode::Error;
            cl.error = QStringLiteral("Unknown option: ") + a;
            return cl;
        } else if (cl.mode == Mode::Decompile || cl.mode == Mode::Chm2Doc) {
            cl.mode = Mode::Error;
            cl.error = QStringLiteral("Unexpected argument: ") + a;
            return cl;
        } else if (cl.projectFile.isEmpty()) {
            cl.projectFile = a;
        } else if (cl.mode != Mode::Build) {
            cl.mode = Mode::Error;
            cl.error = QStringLiteral("Unexpected argument: ") + a;
            return cl;
        }
    }
    if (cl.mode != Mode::Chm2Doc && (cl.toc || cl.cover || cl.titleNumbers || cl.pageBreaks != 0)) {
        cl.mode = Mode::Error;
        cl.error = QStringLiteral("--toc, --cover, --title-numbers and --page-breaks go with --chm2doc.");
        return cl;
    }
    if (cl.silentBuild && cl.projectFile.isEmpty()) {
        cl.mode = Mode::Error;
        cl.error = QStringLiteral("/b needs a project file before it.");
    }
    return cl;
}

QString TCommandLine::HelpText()
{
    // One line per form (the manual page's synopsis lists the same), then the options.
    return QStringLiteral(
        "Usage:\n"
        "  tavrel [PROJECT.tvp]\n"
        "  tavrel PROJECT.tvp /b\n"
        "  tavrel --build PROJECT.tvp [--replace-unrecorded] [--yes]\n"
        "  tavrel --decompile HELP.chm FOLDER [--yes]\n"
        "  tavrel --chm2doc HELP.chm OUT [--yes] [--toc] [--cover] [--title-numbers] [--page-breaks none|top|all]\n"
        "  tavrel --version\n"
        "  tavrel --help\n"
        "\n"
        "  PROJECT.tvp            open the project in the main window\n"
        "  PROJECT.tvp /b         build the project behind the building window, then close\n"
        "  --build                build without a display and without questions (scripts, CI)\n"
        "  --replace-unrecorded   with --build: also replace files or empty folders at the output\n"
        "                         paths that no build of this project wrote (or that changed since);\n"
        "                         without it such a build stops and names the path\n"
        "  --decompile            write every page, picture and style sheet of a compiled help\n"
        "                         file into FOLDER\n"
        "  --chm2doc              convert a compiled help file into a Word document; OUT's\n"
        "                         extension (.docx, .doc, .pdf) chooses the format\n"
        "  --toc, --cover         with --chm2doc: a table of contents, a cover page\n"
        "  --title-numbers        with --chm2doc: numbered headings\n"
        "  --page-breaks MODE     with --chm2doc: a new page before no topic (none), each\n"
        "                         top-level topic (top) or every topic (all)\n"
        "  --yes                  with --decompile and --chm2doc: write into a folder that is not\n"
        "                         empty, replace an existing OUT; with --build it replaces nothing more\n"
        "  --version, -v          print the version\n"
        "  --help, -h             print this text\n"
        "\n"
        "More in the manual page: man tavrel\n");
}

} // namespace tavrel

// --- The builds started from the command line ----------------------------------------------------

#include "chm2word/ChmTo.h"
#include "chm2word/ChmImport.h"
#include "chm2word/OutputWord.h"
#include "build/BuildProject.h"
#include "project/ProjectSetting.h"
#include "build/build.h"
#include "text/Exceptions.h"

#include "text/functions.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <cstdio>

namespace tavrel {

namespace {

void printError(const QString &text)
{
    QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

// The "[ NN%] step" lines of the headless runs on standard error: a line only when the
// percentage or the step changed since the one before.
class TProgressLines
{
public:
    void Print(int percent, const QString &step)
    {
        if (percent == m_percent && step == m_step)
            return;
        m_percent = percent;
        m_step = step;
        printError(QStringLiteral("[%1%] %2").arg(percent, 3).arg(step));
    }

private:
    int m_percent = -1;
    QString m_step;
};

QString taskName(int taskType)
{
    switch (taskType) {
    case Tbuild::ttHtmlHelp: return QStringLiteral("HTML Help");
    case Tbuild::ttWebHelp: return QStringLiteral("WebHelp");
    case Tbuild::ttPDF: return QStringLiteral("PDF");
    default: return QStringLiteral("preparing");
    }
}

// Opens the project file; prints why not and returns false when it cannot be opened.
bool openProject(TProject &project, const QString &file)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    try {
        project.ReadFromIni(path);
    } catch (const Exception &e) {
        printError(QStringLiteral("Error: ") + e.Message());
        return false;
    }
    return true;
}

void printResult(const TBuildReport &report)
{
    for (const QString &w : report.Warnings.Texts())
        printError(QStringLiteral("Warning: ") + w);
    if (report.Result == TBuildReport::Completed)
        for (const QString &o : report.Outputs)
            printError(QStringLiteral("Written: ") + o);
}

} // namespace

int HeadlessDecompile(const TCommandLine &cl)
{
    const QString folder = QFileInfo(cl.targetFolder).absoluteFilePath();
    const QFileInfo target(folder);
    if (target.exists() && !target.isDir()) {
        printError(QStringLiteral("Error: \"%1\" is not a folder.").arg(folder));
        return 1;
    }
    // Every folder of the system lies at most one step below the root; pages are never
    // written there, --yes or not.
    const QString clean = QDir::cleanPath(folder);
    if (clean == QLatin1String("/") || clean.count(QLatin1Char('/')) < 2) {
        printError(QStringLiteral("Error: the help file is not written into \"%1\"; choose a folder of its own.").arg(clean));
        return 1;
    }
    if (target.exists() && !IsFolderEmpty(folder) && !cl.yes) {
        printError(QStringLiteral("Error: the folder \"%1\" is not empty. Give --yes to write into it anyway.").arg(folder));
        return 1;
    }
    Tchm chm;
    TProgressLines progress;
    chm.OnProgress = [&](const QString &step, int done, int total) {
        progress.Print(total > 0 ? int(qint64(done) * 100 / total) : 0, step);
    };
    try {
        chm.LoadFromCHM(QFileInfo(cl.helpFile).absoluteFilePath());
        chm.rootFolder = folder + QLatin1Char('/');
        chm.decompile();
    } catch (const Exception &e) {
        printError(QStringLiteral("Error: ") + e.Message());
        return 1;
    }
    if (!chm.Written.isEmpty())
        progress.Print(100, QStringLiteral("Decompiled"));
    for (const QString &w : chm.Warnings.Texts())
        printError(QStringLiteral("Warning: ") + w);
    QByteArray out;
    for (const QString &name : chm.Written)
        out += (chm.rootFolder + name + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    if (chm.Written.isEmpty() && !QFileInfo(folder).isDir())
        return 1;
    return 0;
}

int HeadlessChm2Doc(const TCommandLine &cl)
{
    const QString help = QFileInfo(cl.helpFile).absoluteFilePath();
    if (!QFileInfo(help).isFile()) {
        printError(QStringLiteral("Error: \"%1\" does not exist!").arg(cl.helpFile));
        return 1;
    }
    const QString out = QFileInfo(cl.outputFile).absoluteFilePath();
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix != QLatin1String("docx") && suffix != QLatin1String("doc") && suffix != QLatin1String("pdf")) {
        printError(QStringLiteral("Error: \"%1\" must end in .docx, .doc or .pdf.").arg(cl.outputFile));
        return 1;
    }
    if (QFileInfo(out).isDir()) {
        printError(QStringLiteral("Error: \"%1\" is a folder.").arg(out));
        return 1;
    }
    if (QFileInfo::exists(out) && !cl.yes) {
        printError(QStringLiteral("Error: \"%1\" already exists. Give --yes to replace it.").arg(out));
        return 1;
    }
    Tchm chm;
    try {
        chm.LoadFromCHM(help);
    } catch (const Exception &e) {
        printError(QStringLiteral("Error: ") + e.Message());
        return 1;
    }
    TOutputWord writer;
    SetImportSettings(writer, help, out, {chm.Title, chm.LangID, chm.CodePage});
    writer.OnlyWord = suffix != QLatin1String("pdf");
    writer.Toc = cl.toc;
    writer.Cover = cl.cover;
    writer.TitleNumber = cl.titleNumbers;
    writer.StartNewPage = cl.pageBreaks;
    TProgressLines progress;
    writer.FOnUpdate = [&](TOutputWord *w) {
        if (!w->OK && !w->info.isEmpty())
            progress.Print(w->position, w->info);
    };
    QEventLoop loop;
    QObject::connect(&writer, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    writer.start();
    loop.exec();
    writer.wait();
    for (const QString &w : writer.Warnings.Texts())
        printError(QStringLiteral("Warning: ") + w);
    if (writer.Failed)
        return 1;
    printError(QStringLiteral("Written: ") + writer.Written);
    return 0;
}

int HeadlessBuild(const TCommandLine &cl)
{
    if (QString refusal = InstallationFolderRefusal(cl.projectFile); !refusal.isEmpty()) {
        printError(QStringLiteral("Error: ") + refusal);
        return 1;
    }
    TProject project;
    if (!openProject(project, cl.projectFile))
        return 1;

    TThreadBuildRunner runner;
    TProgressLines progress;
    runner.OnUpdate = [&](Tbuild *b) { progress.Print(b->Position, taskName(b->TaskType)); };
    TBuildOptions options;
    options.Headless = true;
    options.Yes = cl.yes;
    options.ReplaceUnrecorded = cl.replaceUnrecorded;
    TBuildReport report = BuildProject(project, runner, options);
    printResult(report);
    return report.Result == TBuildReport::Completed ? 0 : 1;
}

} // namespace tavrel
