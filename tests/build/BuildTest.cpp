// The build driver: its progress figures, its failure report, the temporary copy of the source,
// and the checks and messages around a build.
#include "build/BuildLock.h"
#include "build/BuildProject.h"
#include "project/OutputRecord.h"
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "build/build.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "text/WorkingFolder.h"
#include "support/Golden.h"
#include "build/BuildStandIns.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zip.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

struct TRecorded
{
    std::vector<int> driver; // consecutive repeats folded
    std::vector<int> all;
};

// Runs the build on its thread the way the command line does and records every update.
TRecorded runBuild(TStandInBuild &build)
{
    TRecorded r;
    build.FOnUpdate = [&](Tbuild *b) {
        // Progress is read on the owner's thread, while the build thread waits.
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        r.all.push_back(b->Position);
        if (!static_cast<TStandInBuild *>(b)->m_inTask && (r.driver.empty() || r.driver.back() != b->Position))
            r.driver.push_back(b->Position);
    };
    QEventLoop loop;
    QObject::connect(&build, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    build.start();
    loop.exec();
    build.wait();
    return r;
}

QByteArray sha(const QString &path) { return QCryptographicHash::hash(ReadBytes(path), QCryptographicHash::Sha256); }

} // namespace

TEST(BuildProgress, StandInTasksGiveTheFiguresOfOneTwoAndThreeOutputs)
{
    TProject project;
    {
        setOutputs(project, true, false, false);
        TStandInBuild b(&project);
        TRecorded r = runBuild(b);
        EXPECT_EQ(b.ValuePerTask, 100);
        EXPECT_EQ(r.driver, (std::vector<int>{5, 35, 60, 70, 80, 95, 100}));
        // The converter moves inside its step from 5 to 35.
        EXPECT_EQ(r.all, (std::vector<int>{5, 5, 5, 17, 20, 29, 35, 35, 60, 70, 80, 95, 100, 100}));
        EXPECT_FALSE(b.Failed);
    }
    {
        setOutputs(project, true, false, true);
        TStandInBuild b(&project);
        TRecorded r = runBuild(b);
        EXPECT_EQ(b.ValuePerTask, 50);
        // 2.5 and 47.5 round to the even neighbour.
        EXPECT_EQ(r.driver, (std::vector<int>{2, 18, 30, 35, 40, 48, 50, 100}));
        EXPECT_EQ(r.all, (std::vector<int>{2, 2, 3, 8, 10, 14, 18, 18, 30, 35, 40, 48, 50, 50, 50, 70, 75, 90, 100,
                                           100, 100}));
    }
    {
        setOutputs(project, true, true, false);
        TStandInBuild b(&project);
        TRecorded r = runBuild(b);
        EXPECT_EQ(r.driver, (std::vector<int>{2, 18, 30, 35, 40, 48, 50, 62, 75, 90, 98, 100}));
    }
    {
        setOutputs(project, true, true, true);
        TStandInBuild b(&project);
        TRecorded r = runBuild(b);
        EXPECT_EQ(b.ValuePerTask, 33);
        EXPECT_EQ(r.driver, (std::vector<int>{2, 12, 20, 23, 26, 31, 33, 41, 49, 59, 64, 66, 99, 100}));
        EXPECT_EQ(r.all, (std::vector<int>{2,  2,  2,  6,  7,  10, 12, 12, 20, 23, 26, 31, 33, 41, 41, 41, 45,
                                           45, 48, 49, 49, 59, 64, 66, 66, 66, 79, 82, 92, 99, 99, 100}));
        EXPECT_EQ(b.steps, QStringList({"copy", "word", "convert1", "split", "hhcreate", "hhfolder", "hhoutput",
                                        "hhmake", "convert2", "split", "webhelp", "pdf"}));
        EXPECT_TRUE(b.quitCalled);
    }
    {
        // Nothing asked for: no copy, no engine, and a build that counts as done.
        setOutputs(project, false, false, false);
        TStandInBuild b(&project);
        runBuild(b);
        EXPECT_TRUE(b.steps.isEmpty());
        EXPECT_FALSE(b.Failed);
        EXPECT_TRUE(OutcomeOf(b).Ok);
    }
}

TEST(BuildProgress, FailuresReportTheTaskAndTheProgressInsideIt)
{
    TProject project;
    setOutputs(project, true, true, true);
    {
        // The converter of the HTML Help task fails halfway.
        TStandInBuild b(&project);
        b.failAt = "convert1";
        b.failAfter = 40;
        runBuild(b);
        EXPECT_TRUE(b.Failed);
        EXPECT_EQ(b.TaskType, 1);
        EXPECT_LE(b.Position - b.TaskPos, 12);
        EXPECT_EQ(b.Position, 6);
        EXPECT_FALSE(b.steps.contains("convert2"));
        EXPECT_FALSE(b.steps.contains("pdf"));
        EXPECT_TRUE(b.quitCalled);
        TBuildOutcome o = OutcomeOf(b);
        EXPECT_FALSE(o.Ok);
        EXPECT_EQ(o.ErrorMsg, "Error occured when building!\r\n\r\nTaskType: 1 TaskPos: 6\r\nstand-in failure in convert1");
    }
    {
        // Before the engine has started nothing has moved and nothing is closed.
        for (const char *step : {"copy", "word"}) {
            TStandInBuild b(&project);
            b.failAt = step;
            runBuild(b);
            EXPECT_TRUE(b.Failed);
            EXPECT_EQ(b.TaskType, 0);
            EXPECT_EQ(b.Position, 0) << step;
            EXPECT_FALSE(b.quitCalled);
            EXPECT_TRUE(OutcomeOf(b).ErrorMsg.contains("TaskType: 0 TaskPos: 0\r\n"));
        }
    }
    {
        // Splitting fails in a two-output build: the step's start is where the report stands.
        setOutputs(project, true, true, false);
        TStandInBuild b(&project);
        b.failAt = "split";
        runBuild(b);
        EXPECT_EQ(b.TaskType, 1);
        EXPECT_EQ(b.Position, 18);
        EXPECT_TRUE(b.quitCalled);
    }
    {
        // The PDF task fails: the two outputs before it count as done.
        setOutputs(project, true, true, true);
        TStandInBuild b(&project);
        b.failAt = "pdf";
        b.failAfter = 50;
        runBuild(b);
        EXPECT_EQ(b.TaskType, 3);
        EXPECT_EQ(b.TaskPos, 66);
        EXPECT_EQ(b.Position - b.TaskPos, 16);
        EXPECT_TRUE(b.steps.contains("webhelp"));
    }
}

TEST(BuildProgress, FailureRightAfterTheEngineStartsLeavesTwoAndDoesNotQuit)
{
    TProject project;
    setOutputs(project, true, true, true);
    struct TEarly : TStandInBuild
    {
        using TStandInBuild::TStandInBuild;
        void ConvertDocument(int) override { throw Exception("no converter"); }
    } early(&project);
    runBuild(early);
    EXPECT_TRUE(early.Failed);
    EXPECT_EQ(early.TaskType, 1);
    EXPECT_EQ(early.Position, 2);
    EXPECT_FALSE(early.quitCalled);
}

TEST(BuildTempCopy, KeepsTheExtensionIsNeverTheSourceIsPrivateAndGoesAfterEveryBuild)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("My source.docx");
    WriteBytes(source, QByteArray("PK\x03\x04 not really a document"));
    const QByteArray before = sha(source);
    TProject project;
    project.SourceFile = source;
    setOutputs(project, true, false, false);
    {
        struct TLook : TStandInBuild
        {
            using TStandInBuild::TStandInBuild;
            QString seen;
            QFile::Permissions mode;
            void SplitTopics(TContentsItems &i) override
            {
                seen = TempCopy;
                mode = QFileInfo(TempCopy).permissions();
                TStandInBuild::SplitTopics(i);
            }
        } look(&project);
        look.realCopy = true;
        // A source held open elsewhere (not writable, not removable) still builds: only the
        // copy is worked on, and the source is only ever copied.
        TFaultyFileSystem fs;
        fs.Fail(source, TFaultyFileSystem::opWrite | TFaultyFileSystem::opRemove | TFaultyFileSystem::opRename);
        runBuild(look);
        ASSERT_FALSE(look.Failed) << look.ErrorMsg.toStdString();
        for (const QString &call : fs.calls)
            if (call.contains(source)) {
                EXPECT_TRUE(call.startsWith("copy ")) << call.toStdString();
            }
        EXPECT_TRUE(look.seen.endsWith(".docx"));
        EXPECT_NE(QFileInfo(look.seen).canonicalPath(), QFileInfo(source).canonicalPath());
        // The author's whole text, readable by the user alone, in this run's working folder.
        EXPECT_TRUE(look.seen.startsWith(RunFolder())) << look.seen.toStdString();
        EXPECT_EQ(look.mode & ~(QFile::ReadUser | QFile::WriteUser), QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_FALSE(QFileInfo::exists(look.seen)) << "a good build leaves no copy";
        EXPECT_TRUE(look.TempCopy.isEmpty());
    }
    {
        // A failed build removes its copy too: it would stay unnoticed with the author's text.
        struct TFail : TStandInBuild
        {
            using TStandInBuild::TStandInBuild;
            QString seen;
            void HtmlHelpOutput() override
            {
                seen = TempCopy;
                TStandInBuild::HtmlHelpOutput();
            }
        } b(&project);
        b.realCopy = true;
        b.failAt = "hhoutput";
        runBuild(b);
        ASSERT_TRUE(b.Failed);
        ASSERT_FALSE(b.seen.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(b.seen)) << "a failed build left its copy";
        EXPECT_TRUE(b.TempCopy.isEmpty());
    }
    {
        // A copy that cannot be made fails before anything else, leaving no empty file behind.
        TFaultyFileSystem fs;
        fs.Fail(source, TFaultyFileSystem::opCopy);
        TStandInBuild b(&project);
        b.realCopy = true;
        runBuild(b);
        EXPECT_TRUE(b.Failed);
        EXPECT_EQ(b.TaskType, 0);
        EXPECT_TRUE(b.ErrorMsg.contains("Cannot copy the source document"));
        EXPECT_TRUE(b.TempCopy.isEmpty());
        EXPECT_EQ(b.steps, QStringList());
    }
    EXPECT_EQ(sha(source), before);
}

TEST(BuildRealTasks, PdfWithoutLibreOfficeFailsItsTaskAndKeepsTheOutputsBefore)
{
    TProject project;
    setOutputs(project, true, true, true);
    project.PDFFile = "/nonexistent-folder/help.pdf";
    struct TRealPdf : TStandInBuild
    {
        using TStandInBuild::TStandInBuild;
        void PdfOutput(const QString &w, const QString &p) override { Tbuild::PdfOutput(w, p); }
    } b(&project);
    TEnvOverride path("PATH", "/nonexistent-bin");
    runBuild(b);
    EXPECT_TRUE(b.Failed);
    EXPECT_EQ(b.TaskType, 3);
    EXPECT_EQ(b.ErrorMsg, "The convert needs LibreOffice to output PDF file.");
    EXPECT_TRUE(b.steps.contains("hhmake"));
    EXPECT_TRUE(b.steps.contains("webhelp"));
}

// --- BuildProject ---------------------------------------------------------------------------------

namespace {

// Counts the builds it was asked to run and reports a chosen outcome.
class TRecordingRunner : public TBuildRunner
{
public:
    int runs = 0;
    TBuildOutcome outcome{true, {}, {}, {}};
    TBuildOutcome Run(TProject &) override
    {
        ++runs;
        return outcome;
    }
};

} // namespace

TEST(BuildProject, SourceDocumentChecks)
{
    TScriptedMessages messages;
    {
        TSavedProject s;
        QFile::remove(s.source);
        TRecordingRunner runner;
        TBuildReport r = BuildProject(s.project, runner);
        EXPECT_EQ(r.Result, TBuildReport::Stopped);
        EXPECT_EQ(runner.runs, 0);
        ASSERT_EQ(messages.Errors().size(), 1);
        EXPECT_EQ(messages.Errors().last(), QString("The source file \"%1\" does not exist!").arg(s.source));
    }
    {
        // A text file, and a ".docx" that is no package, are no Word documents.
        TSavedProject s;
        WriteBytes(s.dir.filePath("notes.txt"), "hello");
        s.project.SourceFile = "<Project_Folder>/notes.txt";
        TRecordingRunner runner;
        EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Stopped);
        EXPECT_TRUE(messages.Errors().last().contains("is not a Word document"));
        WriteBytes(s.source, "{\\rtf1 hello}");
        s.project.SourceFile = "<Project_Folder>/doc.docx";
        EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Stopped);
        EXPECT_TRUE(messages.Errors().last().contains("is not a .docx package"));
        EXPECT_EQ(runner.runs, 0);
    }
    {
        // An unreadable source.
        TSavedProject s;
        TFaultyFileSystem fs;
        fs.Fail(s.source, TFaultyFileSystem::opRead);
        TRecordingRunner runner;
        EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Stopped);
        EXPECT_EQ(messages.Errors().last(), QString("The source file \"%1\" cannot be read.").arg(s.source));
    }
    {
        // A project never saved may not write under "<Project_Folder>", which would be "/".
        TProject p;
        p.SourceFile = "/nonexistent/doc.docx";
        TRecordingRunner runner;
        EXPECT_EQ(BuildProject(p, runner).Result, TBuildReport::Stopped);
        EXPECT_EQ(messages.Errors().last(), "Save the project first: its output paths depend on the project folder.");
        // Relative output paths would land in the current folder: the same answer.
        p.CompiledFile = "out/help.chm";
        p.HHPFolder = "/tmp/x/";
        p.WebHelpOutput = p.PDFOutput = false;
        EXPECT_EQ(BuildProject(p, runner).Result, TBuildReport::Stopped);
        EXPECT_TRUE(messages.Errors().last().startsWith("Save the project first"));
        EXPECT_EQ(runner.runs, 0);
    }
}

TEST(BuildProject, OldOutputsStayUntilTheBuildReplacesThem)
{
    TSavedProject s(true, false, true);
    QDir().mkpath(QFileInfo(s.chm).path());
    QDir().mkpath(QFileInfo(s.pdf).path());
    WriteBytes(s.chm, "old chm");
    WriteBytes(s.pdf, "old pdf");
    // Outputs of an earlier build, so only the lock stands in the way.
    TOutputRecord earlier(s.project.ProjectFilename);
    earlier.RecordWritten({s.chm, s.pdf});
    ASSERT_TRUE(earlier.Save());
    TScriptedMessages messages;
    // Even a locked old output is no question before the build: it is only replaced, at the
    // end of a build that made every new output.
    TFaultyFileSystem fs;
    fs.Fail(s.chm, TFaultyFileSystem::opRemove | TFaultyFileSystem::opRead);
    TRecordingRunner runner;
    runner.outcome = {false, BuildFailureText(3, 40, "boom"), {}, {}};
    EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Failed);
    EXPECT_EQ(runner.runs, 1);
    EXPECT_TRUE(messages.Questions().isEmpty());
    EXPECT_EQ(ReadBytes(s.chm), "old chm");
    EXPECT_EQ(ReadBytes(s.pdf), "old pdf");
    for (const QString &call : fs.calls)
        EXPECT_FALSE(call.startsWith("remove ")) << call.toStdString();
}

namespace {
// The id of a process that has ended.
qint64 deadPid()
{
    QProcess p;
    p.start("true");
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999;
}
} // namespace

TEST(BuildProject, OneBuildOfAProjectAtATime)
{
    TScriptedMessages messages;
    TSavedProject s;
    const QString lockFile = TBuildLock::LockFileOf(s.project.ProjectFilename);
    EXPECT_EQ(lockFile, s.dir.filePath(".help.tvp.lock"));
    TRecordingRunner runner;
    TBuildOptions headless;
    headless.Headless = true;
    {
        // Another build holds the project (here one of this process: the lock is per open
        // lock file, so it is the same for two windows or a window and a script).
        TBuildLock other(s.project.ProjectFilename);
        ASSERT_TRUE(other.Held()) << other.Refusal().toStdString();
        const QString busy = QString("\"%1\" is being built by another process (pid %2 on ")
                                 .arg(s.project.ProjectFilename)
                                 .arg(QCoreApplication::applicationPid());
        for (const TBuildOptions &options : {TBuildOptions{}, headless}) {
            TBuildReport r = BuildProject(s.project, runner, options);
            EXPECT_EQ(r.Result, TBuildReport::Stopped);
            EXPECT_TRUE(r.Message.startsWith(busy)) << r.Message.toStdString();
            EXPECT_EQ(messages.Errors().last(), r.Message);
        }
        EXPECT_EQ(runner.runs, 0);
        TBuildLock third(s.project.ProjectFilename);
        EXPECT_FALSE(third.Held());
    }
    EXPECT_FALSE(QFileInfo::exists(lockFile)) << "a released lock leaves no file";

    // A lock left by a build that was killed is taken over.
    WriteBytes(lockFile, QString("pid=%1\nhost=%2\n").arg(deadPid()).arg(QSysInfo::machineHostName()).toUtf8());
    struct TLookingRunner : TRecordingRunner
    {
        QString lockFile;
        QByteArray seen;
        TBuildOutcome Run(TProject &p) override
        {
            seen = ReadBytes(lockFile);
            return TRecordingRunner::Run(p);
        }
    } looking;
    looking.lockFile = lockFile;
    EXPECT_EQ(BuildProject(s.project, looking, headless).Result, TBuildReport::Completed);
    EXPECT_EQ(looking.runs, 1);
    EXPECT_TRUE(looking.seen.startsWith(QString("pid=%1\n").arg(QCoreApplication::applicationPid()).toUtf8()));
    EXPECT_FALSE(QFileInfo::exists(lockFile));

    // Released also when the build ends in an exception.
    struct TThrowingRunner : TBuildRunner
    {
        TBuildOutcome Run(TProject &) override { throw Exception("runner failed"); }
    } throwing;
    EXPECT_THROW(BuildProject(s.project, throwing), Exception);
    EXPECT_TRUE(TBuildLock(s.project.ProjectFilename).Held());
}

TEST(BuildProject, GuardRefusesOutputsThatAreNotTheirKind)
{
    TScriptedMessages messages;
    TSavedProject s(true, false, true);
    // A "compiled file" that is the source document must never be deleted.
    s.project.CompiledFile = "<Project_Folder>/doc.docx";
    TRecordingRunner runner;
    EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Stopped);
    ASSERT_FALSE(messages.Errors().isEmpty());
    EXPECT_TRUE(messages.Errors().last().contains(s.source));
    EXPECT_TRUE(QFileInfo::exists(s.source));
    // A PDF path that is the project file.
    s.project.CompiledFile = "<Project_Folder>/help.chm";
    s.project.PDFFile = "<Project_Folder>/help.tvp";
    EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Stopped);
    EXPECT_TRUE(messages.Errors().last().contains("help.tvp"));
    EXPECT_TRUE(QFileInfo::exists(s.project.ProjectFilename));
    EXPECT_EQ(runner.runs, 0);
}

TEST(BuildProject, NonEmptyWebHelpFolderQuestionAndTheHeadlessAnswers)
{
    TScriptedMessages messages;
    TSavedProject s(false, true, false);
    QDir().mkpath(s.web);
    WriteBytes(s.web + "mine.txt", "someone's file");
    const QString question = QString("\"%1\" is not empty folder. It will be emptied. Continue?").arg(s.web);
    TRecordingRunner runner;

    messages.ExpectQuestion(mbCancel);
    EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Stopped);
    EXPECT_EQ(messages.Questions().last(), question);
    EXPECT_EQ(messages.QuestionButtons().last(), mbYes | mbCancel);
    EXPECT_EQ(runner.runs, 0);

    messages.ExpectQuestion(mbYes);
    EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Completed);
    EXPECT_EQ(runner.runs, 1);

    // Nobody to ask: a folder with other files fails naming it, --yes or not; only the explicit
    // switch empties it.
    TBuildOptions headless;
    headless.Headless = true;
    TBuildReport r = BuildProject(s.project, runner, headless);
    EXPECT_EQ(r.Result, TBuildReport::Stopped);
    EXPECT_TRUE(r.Message.startsWith("\"" + s.web + "\" was not written by a build")) << r.Message.toStdString();
    EXPECT_EQ(runner.runs, 1);
    headless.Yes = true;
    EXPECT_EQ(BuildProject(s.project, runner, headless).Result, TBuildReport::Stopped);
    headless.ReplaceUnrecorded = true;
    EXPECT_EQ(BuildProject(s.project, runner, headless).Result, TBuildReport::Completed);
    // An earlier WebHelp output may be replaced without being told.
    headless = TBuildOptions();
    headless.Headless = true;
    QFile::remove(s.web + "mine.txt");
    WriteBytes(s.web + "index.html", "<html>");
    WriteBytes(s.web + "webhelpcontents.html", "<html>");
    EXPECT_EQ(BuildProject(s.project, runner, headless).Result, TBuildReport::Completed);
    EXPECT_EQ(messages.Questions().size(), 2) << "headless builds never ask";
    EXPECT_TRUE(QFileInfo::exists(s.web + "index.html")) << "emptying belongs to the WebHelp output";
}

TEST(BuildProject, FailureAndCompletionMessages)
{
    TScriptedMessages messages;
    TSavedProject s;
    TRecordingRunner runner;
    runner.outcome.Warnings.Add("chart without a picture", "topic \"Charts\"");
    TBuildReport r = BuildProject(s.project, runner);
    EXPECT_EQ(r.Result, TBuildReport::Completed);
    EXPECT_EQ(messages.Infos().last(),
              "The build is completed!\n\nThe conversion reported 1 warning:\n- topic \"Charts\": chart without a picture");

    TBuildOptions silent;
    silent.Silence = true;
    const int infos = messages.Infos().size();
    EXPECT_EQ(BuildProject(s.project, runner, silent).Result, TBuildReport::Completed);
    EXPECT_EQ(messages.Infos().size(), infos) << "a silent build shows no completion message";

    // A failed build shows its report, silent or not.
    runner.outcome = {false, BuildFailureText(1, 7, "boom"), {}, {}};
    r = BuildProject(s.project, runner, silent);
    EXPECT_EQ(r.Result, TBuildReport::Failed);
    EXPECT_EQ(messages.Errors().last(), "Error occured when building!\r\n\r\nTaskType: 1 TaskPos: 7\r\nboom");

    // Many warnings are cut short in the box.
    TWarnings many;
    for (int i = 0; i < 40; ++i)
        many.Add(QString("w%1").arg(i));
    EXPECT_TRUE(CompletionText(many).endsWith("... and 15 more."));
}

TEST(BuildProject, InstallationFolderIsNeverBuiltIn)
{
    QTemporaryDir install;
    TEnvOverride data("TAVREL_DATA", install.path() + "/");
    QDir().mkpath(install.filePath("sample"));
    EXPECT_FALSE(InstallationFolderRefusal(install.filePath("sample/sample.tvp")).isEmpty());
    EXPECT_TRUE(InstallationFolderRefusal(install.path() + "-other/sample.tvp").isEmpty());
}

// --- The real tasks -------------------------------------------------------------------------------

TEST(BuildRealTasks, DocumentWithoutHeadingsFailsClearly)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("plain.docx");
    {
        // The tables fixture with its one heading turned into body text.
        ASSERT_TRUE(QFile::copy(FixturePath("word/tables.docx"), source));
        QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner);
        int error = 0;
        zip_t *zip = zip_open(QFile::encodeName(source).constData(), 0, &error);
        ASSERT_NE(zip, nullptr);
        zip_stat_t st;
        ASSERT_EQ(zip_stat(zip, "word/document.xml", 0, &st), 0);
        QByteArray xml(int(st.size), 0);
        zip_file_t *f = zip_fopen(zip, "word/document.xml", 0);
        ASSERT_EQ(zip_fread(f, xml.data(), st.size), zip_int64_t(st.size));
        zip_fclose(f);
        xml.replace("w:val=\"Heading1\"", "w:val=\"TextBody\"");
        ASSERT_FALSE(xml.contains("Heading"));
        static QByteArray kept;
        kept = xml; // libzip reads the buffer when the archive is closed
        zip_source_t *src = zip_source_buffer(zip, kept.constData(), kept.size(), 0);
        ASSERT_GE(zip_file_add(zip, "word/document.xml", src, ZIP_FL_OVERWRITE), 0);
        ASSERT_EQ(zip_close(zip), 0);
    }
    TProject project;
    project.RootDir = dir.path() + "/";
    project.ProjectFilename = dir.filePath("p.tvp");
    project.SourceFile = source;
    setOutputs(project, true, false, false);
    TScriptedMessages messages;
    QTemporaryDir temp;
    TEnvOverride tmp("TMPDIR", temp.path());
    TThreadBuildRunner runner;
    TBuildReport r = BuildProject(project, runner);
    EXPECT_EQ(r.Result, TBuildReport::Failed);
    // Neither the copy nor any working folder stays, and nothing lands in the system's folder.
    EXPECT_EQ(QDir(RunFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    EXPECT_TRUE(r.Message.contains("TaskType: 1")) << r.Message.toStdString();
    EXPECT_TRUE(r.Message.contains("has no headings")) << r.Message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(project.RealPath(ptCompiledFile)));
}

// The engine and the converters only know the build's temporary copy; what the user reads
// names the document the project names.
TEST(BuildRealTasks, DocumentErrorsNameTheUsersFileNotTheTemporaryCopy)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("Broken report.docx");
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("PK\x03\x04 not a package at all");
    }
    TProject project;
    project.RootDir = dir.path() + "/";
    project.ProjectFilename = dir.filePath("p.tvp");
    project.SourceFile = source;
    setOutputs(project, true, true, false);
    TScriptedMessages messages;
    QTemporaryDir temp;
    TEnvOverride tmp("TMPDIR", temp.path());
    TThreadBuildRunner runner;
    TBuildReport r = BuildProject(project, runner);
    EXPECT_EQ(r.Result, TBuildReport::Failed);
    EXPECT_TRUE(r.Message.contains("\"" + source + "\"")) << r.Message.toStdString();
    EXPECT_FALSE(r.Message.contains("~ta")) << r.Message.toStdString();
}
