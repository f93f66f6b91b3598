#include "project/BuildProject.h"

#include "project/BuildLock.h"
#include "project/FolderGuard.h"
#include "project/ProjectSetting.h"
#include "project/build.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/InstallFolder.h"
#include "text/Messages.h"
#include "text/functions.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
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

TBuildReport BuildProject(TProject &project, TBuildRunner &runner, const TBuildOptions &options)
{
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

    const TFolderGuard guard(project);
    // Old outputs stay until the new ones are complete; a refused path ends the build before
    // any work is done for it.
    if (project.HtmlHelpOutput) {
        if (QString refusal = guard.FileRefusal(project.RealPath(ptCompiledFile), TGuardedOutput::CompiledFile); !refusal.isEmpty())
            return stopped(refusal);
    }

    if (project.WebHelpOutput) {
        const QString folder = project.RealPath(ptWebHelpFolder);
        if (QString refusal = guard.FolderRefusal(folder, TGuardedOutput::WebHelpFolder); !refusal.isEmpty())
            return stopped(refusal);
        if (QFileInfo(folder).isDir() && !IsFolderEmpty(folder)) {
            const QString question = QStringLiteral("\"%1\" is not empty folder. It will be emptied. Continue?").arg(folder);
            if (options.Headless) {
                // Nobody to ask: an earlier WebHelp output may go, anything else only when told.
                if (!options.Yes && !HoldsWebHelpOutput(folder))
                    return stopped(question);
            } else if (Messages().Ask(question, mbYes | mbCancel, TMsgIcon::Question) != mbYes) {
                return stopped(QString());
            }
        }
    }

    if (project.PDFOutput) {
        if (QString refusal = guard.FileRefusal(project.RealPath(ptPDFFile), TGuardedOutput::PDFFile); !refusal.isEmpty())
            return stopped(refusal);
    }

    TBuildOutcome outcome = runner.Run(project);
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
