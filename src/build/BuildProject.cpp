#include "build/BuildProject.h"

#include "build/BuildLock.h"
#include "project/FolderGuard.h"
#include "project/OutputRecord.h"
#include "project/ProjectSetting.h"
#include "build/build.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/InstallFolder.h"
#include "text/Messages.h"
#include "text/functions.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <optional>

namespace tavrel {

// --- Reports ------------------------------------------------------------------------------------

QString BuildFailureText(int taskType, int taskPos, const QString &error)
{
    return QStringLiteral("Error occured when building!\r\n\r\nTaskType: ") + QString::number(taskType)
        + QStringLiteral(" TaskPos: ") + QString::number(taskPos) + QStringLiteral("\r\n") + error;
}

TBuildOutcome OutcomeOf(const Tbuild &build)
{
    TBuildOutcome o;
    o.Ok = !build.Failed;
    if (build.Failed)
        o.ErrorMsg = BuildFailureText(build.TaskType, build.Position - build.TaskPos, build.ErrorMsg);
    o.Warnings = build.Warnings;
    o.Outputs = build.OutputsWritten;
    return o;
}

QString CompletionText(const TWarnings &warnings)
{
    QString text = QStringLiteral("The build is completed!");
    if (warnings.Empty())
        return text;
    // A message box cannot hold thousands of lines; the first ones tell the author where to look.
    const int shown = 25;
    text += QStringLiteral("\n\nThe conversion reported %1 warning%2:\n")
                .arg(warnings.Count())
                .arg(warnings.Count() == 1 ? QString() : QStringLiteral("s"));
    const QStringList lines = warnings.Texts();
    for (int i = 0; i < lines.size() && i < shown; ++i)
        text += QStringLiteral("- ") + lines[i] + QLatin1Char('\n');
    if (lines.size() > shown)
        text += QStringLiteral("... and %1 more.\n").arg(lines.size() - shown);
    return text.trimmed();
}

bool HoldsWebHelpOutput(const QString &folder)
{
    QDir dir(folder);
    auto has = [&](const QString &base) {
        return QFileInfo(dir.filePath(base + QStringLiteral(".htm"))).isFile()
            || QFileInfo(dir.filePath(base + QStringLiteral(".html"))).isFile();
    };
    return has(QStringLiteral("index")) && has(QStringLiteral("webhelpcontents"));
}

QString InstallationFolderRefusal(const QString &projectFile)
{
    const QString install = TFolderGuard::CanonicalPath(GetInstallFolder());
    const QString file = TFolderGuard::CanonicalPath(QFileInfo(projectFile).absoluteFilePath());
    if (install.isEmpty() || install == QLatin1String("/"))
        return QString();
    if (file.startsWith(install + QLatin1Char('/')))
        return QStringLiteral("\"%1\" lies inside the installation folder \"%2\", which a build never writes into. "
                              "Copy the project folder somewhere else first and build that copy.")
            .arg(projectFile, install);
    return QString();
}

// --- The runner of the command line and the tests -----------------------------------------------

TBuildOutcome TThreadBuildRunner::Run(TProject &project)
{
    std::unique_ptr<Tbuild> build = Factory ? Factory(project) : std::make_unique<Tbuild>(&project);
    build->FOnUpdate = OnUpdate;
    QEventLoop loop;
    QObject::connect(build.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    build->start();
    loop.exec();
    build->wait();
    return OutcomeOf(*build);
}

// --- BuildProject -------------------------------------------------------------------------------

namespace {

bool isWordExtension(const QString &suffix)
{
    for (const char *e : {"docx", "doc", "rtf", "odt"})
        if (suffix.compare(QLatin1String(e), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The checks of the source document; the message to show, empty when the build can go on.
QString sourceProblem(const QString &source)
{
    if (source.isEmpty() || !QFileInfo(source).isFile())
        return QStringLiteral("The source file \"%1\" does not exist!").arg(source);
    const QString suffix = QFileInfo(source).suffix();
    if (!isWordExtension(suffix))
        return QStringLiteral("\"%1\" is not a Word document. Choose a .docx, .doc, .rtf or .odt file as the source.")
            .arg(source);
    if (!FileSystem().CanOpenRead(source))
        return QStringLiteral("The source file \"%1\" cannot be read.").arg(source);
    if (suffix.compare(QLatin1String("docx"), Qt::CaseInsensitive) != 0) {
        if (!IsLibreOfficeAvailable())
            return QStringLiteral("Your system cannot read \"%1\". Please install LibreOffice or choose a .docx file "
                                  "as the source.")
                .arg(source);
        return QString();
    }
    // A .docx is a zip package; anything else would only fail deep inside the conversion.
    QFile f(source);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("The source file \"%1\" cannot be read.").arg(source);
    if (f.read(4) != QByteArray("PK\x03\x04", 4))
        return QStringLiteral("\"%1\" is not a Word document: it is not a .docx package.").arg(source);
    return QString();
}

// Never saved and writing under the project folder: "<Project_Folder>" would be "/".
QString unsavedProblem(const TProject &project)
{
    try {
        TFolderGuard::CheckSaved(project);
    } catch (const Exception &e) {
        return e.Message();
    }
    if (!project.RootDir.isEmpty())
        return QString();
    // Relative output paths would land wherever the program was started.
    const QString message = QStringLiteral("Save the project first: its output paths depend on the project folder.");
    auto relative = [&](int type) {
        const QString p = project.RealPath(type);
        return !p.isEmpty() && !p.startsWith(QLatin1Char('/'));
    };
    if ((project.HtmlHelpOutput && (relative(ptCompiledFile) || (project.OutputHHP && relative(ptHHPFolder))))
        || (project.WebHelpOutput && relative(ptWebHelpFolder)) || (project.PDFOutput && relative(ptPDFFile)))
        return message;
    return QString();
}

TBuildReport stopped(const QString &message)
{
    TBuildReport r;
    r.Result = TBuildReport::Stopped;
    r.Message = message;
    if (!message.isEmpty())
        Messages().ShowError(message);
    return r;
}

} // namespace

namespace {

// Holds the project's build state for one build: the output paths resolved once at its start and
// what it may replace; cleared again however the build ends.
class TScopedBuild
{
public:
    TScopedBuild(TProject &project, const TBuildOptions &options) : m_project(project)
    {
        TBuildScope scope;
        for (int type = ptCompiledFile; type <= ptHHPFolder; ++type)
            scope.Paths[type] = project.OutputPath(type);
        scope.Interactive = !options.Headless;
        scope.ReplaceUnrecorded = options.ReplaceUnrecorded;
        scope.Active = true;
        project.BuildScope = scope;
    }
    ~TScopedBuild() { m_project.BuildScope = TBuildScope(); }
    TScopedBuild(const TScopedBuild &) = delete;
    TScopedBuild &operator=(const TScopedBuild &) = delete;

private:
    TProject &m_project;
};

} // namespace

TBuildReport BuildProject(TProject &project, TBuildRunner &runner, const TBuildOptions &options)
{
    // Before anything else: a path that the system would cut short at a NUL names another file
    // than every check below would look at.
    if (QString problem = project.PathSettingProblem(); !problem.isEmpty())
        return stopped(problem);

    if (QString problem = unsavedProblem(project); !problem.isEmpty())
        return stopped(problem);

    // Held until the report is made, also when something below raises.
    std::optional<TBuildLock> lock;
    if (!project.ProjectFilename.trimmed().isEmpty()) {
        lock.emplace(project.ProjectFilename);
        if (!lock->Held())
            return stopped(lock->Refusal());
    }

    const QString source = project.RealPath(ptSourceFile);
    if (QString problem = sourceProblem(source); !problem.isEmpty())
        return stopped(problem);

    std::optional<TScopedBuild> scope;
    try {
        scope.emplace(project, options);
    } catch (const Exception &e) {
        return stopped(e.Message());
    }
    const TFolderGuard guard(project);
    // What stands at each output path is judged before the build starts, so that every question
    // comes first; the user's own Cancel needs no error box.
    auto judged = [&](const TReplaceDecision &d) -> std::optional<QString> {
        if (d.Verdict == TReplaceVerdict::Allowed)
            return std::nullopt;
        return d.Verdict == TReplaceVerdict::Declined ? QString() : d.Message;
    };
    // Old outputs stay until the new ones are complete and swapped in; a locked one is asked
    // about at the swap.
    auto oldOutputProblem = [&](const QString &file, TGuardedOutput kind) -> std::optional<QString> {
        return judged(guard.JudgeFile(file, kind));
    };

    QStringList planned; // every output this build is about to write
    if (project.HtmlHelpOutput) {
        const QString chm = project.OutputPath(ptCompiledFile);
        if (auto problem = oldOutputProblem(chm, TGuardedOutput::CompiledFile))
            return stopped(*problem);
        planned << chm;
        if (project.OutputHHP) {
            const QString hhp = project.OutputPath(ptHHPFolder);
            if (auto problem = judged(guard.JudgeFolder(hhp, TGuardedOutput::HHPFolder)))
                return stopped(*problem);
            planned << hhp;
        }
        if (project.HtmlHelpOutputContext && !project.HtmlHelpContextFile.trimmed().isEmpty()) {
            const QString context = project.OutputPath(ptContextFile);
            if (auto problem = judged(guard.JudgeFile(context, TGuardedOutput::ContextFile)))
                return stopped(*problem);
            planned << context;
        }
    }

    if (project.WebHelpOutput) {
        // The window asks before a folder that is not empty is emptied; without one only the
        // program's own earlier output is emptied (see the folder guard).
        const QString folder = project.OutputPath(ptWebHelpFolder);
        if (auto problem = judged(guard.JudgeFolder(folder, TGuardedOutput::WebHelpFolder)))
            return stopped(*problem);
        planned << folder;
    }

    if (project.PDFOutput) {
        const QString pdf = project.OutputPath(ptPDFFile);
        if (auto problem = oldOutputProblem(pdf, TGuardedOutput::PDFFile))
            return stopped(*problem);
        planned << pdf;
    }

    // What stands at the output paths now: whatever a failed build changes there is its own.
    QList<QJsonObject> before;
    for (const QString &p : planned)
        before << TOutputRecord::State(p);

    TBuildOutcome outcome = runner.Run(project);
    TOutputRecord record(project.IsNew ? QString() : project.ProjectFilename);
    QStringList written = outcome.Outputs;
    for (qsizetype i = 0; i < planned.size(); ++i)
        if (!written.contains(planned[i]) && TOutputRecord::State(planned[i]) != before[i])
            written << planned[i];
    record.RecordWritten(written);
    if (!record.FileName().isEmpty() && !record.Save())
        outcome.Warnings.Add(QStringLiteral("The record of the outputs written could not be saved; the next build will "
                                            "ask before it replaces them."),
                             record.FileName());
    TBuildReport report;
    report.Warnings = outcome.Warnings;
    report.Outputs = outcome.Outputs;
    if (!outcome.Ok) {
        report.Result = TBuildReport::Failed;
        report.Message = outcome.ErrorMsg;
        Messages().ShowError(outcome.ErrorMsg);
        return report;
    }
    report.Result = TBuildReport::Completed;
    // The command line prints the warnings itself, one a line.
    report.Message = options.Headless ? CompletionText({}) : CompletionText(outcome.Warnings);
    if (!options.Silence)
        Messages().ShowInfo(report.Message);
    return report;
}

} // namespace tavrel
