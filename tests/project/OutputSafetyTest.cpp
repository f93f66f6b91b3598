// What a build may delete, replace and write, grouped by the fault each group keeps away:
// one resolved path for the guard and the delete (symbolic links and ".."), control characters
// in paths, replacing what the program never wrote, and relative output paths.
#include "build/BuildProject.h"
#include "project/FolderGuard.h"
#include "project/OutputRecord.h"
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/OutputPath.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

QString physical(const QString &path)
{
    char buffer[PATH_MAX];
    return ::realpath(QFile::encodeName(path).constData(), buffer) ? QFile::decodeName(buffer) : QString();
}

// A saved project in a temporary folder whose path has no link in it.
struct TProjectFolder
{
    QTemporaryDir dir;
    QString top;  // the temporary folder itself
    QString root; // the project folder, with "/"
    TProject project;
    explicit TProjectFolder(bool html = false, bool web = false, bool pdf = false)
    {
        top = physical(dir.path());
        root = top + "/proj/";
        QDir().mkpath(root);
        project.ProjectFilename = root + "help.tvp";
        project.RootDir = root;
        project.IsNew = false;
        WriteBytes(project.ProjectFilename, Utf16File("[GENERAL]\r\n"));
        WriteBytes(root + "doc.docx", QByteArray("PK\x03\x04rest", 8));
        project.SourceFile = "<Project_Folder>/doc.docx";
        project.HtmlHelpOutput = html;
        project.WebHelpOutput = web;
        project.PDFOutput = pdf;
    }
};

// Writes every output the project enables the way a build leaves them, and reports them.
class TWritingRunner : public TBuildRunner
{
public:
    int runs = 0;
    TBuildOutcome Run(TProject &p) override
    {
        ++runs;
        TBuildOutcome o{true, {}, {}, {}};
        auto file = [&](int type) {
            const QString path = p.OutputPath(type);
            QDir().mkpath(QFileInfo(path).path());
            WriteBytes(path, "output of run " + QByteArray::number(runs));
            o.Outputs << path;
        };
        auto folder = [&](int type) {
            const QString path = p.OutputPath(type);
            DeleteFolder(path);
            QDir().mkpath(path + "pages");
            WriteBytes(path + "index.html", "<html>");
            WriteBytes(path + "webhelpcontents.html", "<html>");
            WriteBytes(path + "pages/topic.html", "run " + QByteArray::number(runs));
            o.Outputs << path;
        };
        if (p.HtmlHelpOutput) {
            file(ptCompiledFile);
            if (p.OutputHHP)
                folder(ptHHPFolder);
            if (p.HtmlHelpOutputContext)
                file(ptContextFile);
        }
        if (p.WebHelpOutput)
            folder(ptWebHelpFolder);
        if (p.PDFOutput)
            file(ptPDFFile);
        return o;
    }
};

TBuildOptions headless(bool replaceUnrecorded = false, bool yes = false)
{
    TBuildOptions o;
    o.Headless = true;
    o.ReplaceUnrecorded = replaceUnrecorded;
    o.Yes = yes;
    return o;
}

} // namespace

// --- One resolved path: the guard judges what the delete deletes ------------------------------

TEST(OutputPathResolution, AgreesWithTheKernelOnRandomPathsThroughLinks)
{
    // The kernel's own resolution (realpath) is the reference: links followed where they stand,
    // ".." taken on the physical folder.
    QTemporaryDir dir;
    const QString t = physical(dir.path());
    for (const char *d : {"a/b/deep", "c/d", "e"})
        QDir().mkpath(t + "/" + d);
    WriteBytes(t + "/a/file.txt", "f");
    ASSERT_TRUE(QFile::link(t + "/a/b", t + "/l1"));             // absolute target
    ASSERT_TRUE(::symlink("../c", QFile::encodeName(t + "/a/l2")) == 0); // relative target
    ASSERT_TRUE(::symlink("../../a/b/..", QFile::encodeName(t + "/c/d/l3")) == 0);
    ASSERT_TRUE(::symlink("l1/deep", QFile::encodeName(t + "/l4")) == 0);
    ASSERT_TRUE(::symlink("missing/x", QFile::encodeName(t + "/e/dangling")) == 0);
    const QStringList tokens{"a", "b", "c", "d", "e", "deep", "l1", "l2", "l3", "l4", ".", "..", "file.txt", "dangling", "new"};

    QRandomGenerator rng(20261209);
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        QString path = t;
        const int n = 1 + int(rng.bounded(7));
        for (int k = 0; k < n; ++k)
            path += (rng.bounded(5) == 0 ? "//" : "/") + tokens[int(rng.bounded(tokens.size()))];
        const QString resolved = ResolveOutputPath(path, QString());
        const QString expected = physical(path);
        if (!expected.isEmpty()) {
            ++compared;
            ASSERT_EQ(resolved, expected) << path.toStdString();
        }
        // Resolving the result again gives it back: what the guard judged is what is acted on.
        ASSERT_EQ(ResolveOutputPath(resolved, QString()), resolved) << path.toStdString();
    }
    EXPECT_GT(compared, 150);
    // A relative path is the base folder's; a dangling link is followed to where a write goes.
    EXPECT_EQ(ResolveOutputPath("l1/../x.pdf", t), t + "/a/x.pdf");
    EXPECT_EQ(ResolveOutputPath(t + "/e/dangling", QString()), t + "/e/missing/x");
    // Back out of a name that does not exist yet, a link further on is followed all the same.
    EXPECT_EQ(ResolveOutputPath(t + "/new/../l1/deep", QString()), t + "/a/b/deep");
    EXPECT_THROW(ResolveOutputPath("relative", QString()), Exception);
}

TEST(OutputPathResolution, LinkThenParentEmptiesTheFolderTheGuardJudgedNotTheProjectFolder)
{
    // "<Project_Folder>/lnk/.." with lnk a link to a folder elsewhere is, on the disk, the
    // folder holding the link's target. The text tidied would be the project folder itself.
    {
        TProjectFolder f(false, true, false);
        const QString outside = f.top + "/outside";
        QDir().mkpath(outside + "/target");
        WriteBytes(outside + "/old.txt", "old");
        ASSERT_TRUE(QFile::link(outside + "/target", f.root + "lnk"));
        f.project.WebHelpOutputFolder = "<Project_Folder>/lnk/..";

        EXPECT_EQ(f.project.OutputPath(ptWebHelpFolder), outside + "/");
        const QString text = f.project.RealPath(ptWebHelpFolder); // what the outputs were given before
        ASSERT_EQ(text, f.root + "lnk/../");
        // The guard judges the outside folder (here: somebody's, so not emptied unasked) ...
        const TFolderGuard guard(f.project);
        EXPECT_TRUE(guard.FolderRefusal(text, TGuardedOutput::WebHelpFolder).startsWith("\"" + outside + "/\" was not written"))
            << guard.FolderRefusal(text, TGuardedOutput::WebHelpFolder).toStdString();
        // ... and the delete takes the text as the guard does: the outside folder goes, the
        // project stays.
        EXPECT_TRUE(DeleteFolder(text));
        EXPECT_FALSE(QFileInfo::exists(outside));
        EXPECT_TRUE(QFileInfo::exists(f.project.ProjectFilename));
        EXPECT_TRUE(QFileInfo::exists(f.root + "doc.docx"));
        // With a trailing "/" the text tidies to the project folder; the disk still means outside.
        f.project.WebHelpOutputFolder = "<Project_Folder>/lnk/../";
        EXPECT_EQ(f.project.OutputPath(ptWebHelpFolder), outside + "/");
    }
    {
        // One level higher the same setting reaches the project's own folder: refused, by the
        // guard and by the build, for the WebHelp folder and the kept HTML Help project alike.
        TProjectFolder f(true, true, false);
        QDir().mkpath(f.root + "sub/inner");
        ASSERT_TRUE(QFile::link(f.root + "sub/inner", f.root + "lnk"));
        f.project.WebHelpOutputFolder = "<Project_Folder>/lnk/../..";
        f.project.OutputHHP = true;
        f.project.HHPFolder = "<Project_Folder>/lnk/../../";
        TScriptedMessages messages;
        TWritingRunner runner;
        TBuildReport r = BuildProject(f.project, runner, headless(true));
        EXPECT_EQ(r.Result, TBuildReport::Stopped);
        EXPECT_TRUE(r.Message.contains(f.root.chopped(1))) << r.Message.toStdString();
        EXPECT_EQ(runner.runs, 0);
        f.project.WebHelpOutput = false;
        r = BuildProject(f.project, runner, headless(true));
        EXPECT_EQ(r.Result, TBuildReport::Stopped);
        EXPECT_TRUE(r.Message.contains(f.root.chopped(1))) << r.Message.toStdString();
        EXPECT_TRUE(QFileInfo::exists(f.project.ProjectFilename));
    }
}

// --- Control characters in paths ---------------------------------------------------------------

struct TControlCase
{
    const char *key;
    char16_t character;
};

class ControlCharacterPaths : public ::testing::TestWithParam<TControlCase>
{
};

TEST_P(ControlCharacterPaths, ARefusedBuildNamesTheSettingAndWritesNothing)
{
    const TControlCase c = GetParam();
    TProjectFolder f(true, true, true);
    const QByteArray docBefore = ReadBytes(f.root + "doc.docx");
    // The project file as an attacker writes it: the character survives the reader.
    const QString key = QLatin1String(c.key);
    const QChar bad(c.character);
    QString value;
    if (key == "WebHelpOutputFolder" || key == "HHPFolder")
        value = "<Project_Folder>/out" + QString(bad) + "/";
    else if (key == "SourceFile")
        value = "<Project_Folder>/doc" + QString(bad) + ".docx"; // the reader trims the ends
    else
        value = "<Project_Folder>/doc.docx" + QString(bad) + ".pdf";
    QString text = "[GENERAL]\r\nOutputHHP=1\r\nHtmlHelpOutputContext=1\r\n" + key + "=" + value + "\r\n";
    if (key != "SourceFile")
        text += "SourceFile=<Project_Folder>/doc.docx\r\n";
    WriteBytes(f.project.ProjectFilename, Utf16File(text));
    TProject p;
    p.ReadFromIni(f.project.ProjectFilename);
    const QStringList before = QDir(f.root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    TScriptedMessages messages;
    TWritingRunner runner;
    for (const TBuildOptions &o : {headless(true), TBuildOptions()}) {
        TBuildReport r = BuildProject(p, runner, o);
        EXPECT_EQ(r.Result, TBuildReport::Stopped);
        EXPECT_TRUE(r.Message.contains(QString("The setting %1 holds a control character").arg(QLatin1String(c.key))))
            << r.Message.toStdString();
        EXPECT_FALSE(r.Message.contains(QChar(c.character))) << "the message shows the path printable";
    }
    EXPECT_EQ(runner.runs, 0);
    EXPECT_EQ(ReadBytes(f.root + "doc.docx"), docBefore);
    EXPECT_EQ(QDir(f.root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    if (key != "SourceFile") {
        EXPECT_THROW(
            {
                for (int type = ptCompiledFile; type <= ptHHPFolder; ++type)
                    p.OutputPath(type);
            },
            Exception);
    }
    // A line break cannot come through the file (it ends the line) but can through the window.
    TProject typed;
    typed.PDFFile = "<Project_Folder>/a\nb.pdf";
    EXPECT_TRUE(typed.PathSettingProblem().startsWith("The setting PDFFile holds a control character (U+000A)"))
        << typed.PathSettingProblem().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Settings, ControlCharacterPaths,
                         ::testing::Values(TControlCase{"PDFFile", u'\0'}, TControlCase{"CompiledFile", u'\0'},
                                           TControlCase{"WebHelpOutputFolder", u'\x1b'}, TControlCase{"HHPFolder", u'\0'},
                                           TControlCase{"HtmlHelpContextFile", u'\x7f'}, TControlCase{"SourceFile", u'\0'},
                                           TControlCase{"PDFFile", u'\x01'}));

TEST(ControlCharacterPaths, NoSystemCallReceivesAPathCutShort)
{
    // The file-system seam is the last line: a rename to "doc.docx<NUL>.pdf" would otherwise
    // replace doc.docx.
    QTemporaryDir dir;
    const QString doc = dir.path() + "/doc.docx", made = dir.path() + "/made.pdf";
    WriteBytes(doc, "the author's document");
    WriteBytes(made, "a PDF");
    const QString cut = doc + QChar(0) + ".pdf";
    EXPECT_FALSE(FileSystem().Rename(made, cut));
    EXPECT_FALSE(FileSystem().CopyFile(made, cut));
    EXPECT_FALSE(FileSystem().WriteFile(cut, "x"));
    EXPECT_FALSE(FileSystem().RemoveFile(cut));
    EXPECT_FALSE(FileSystem().MakePath(dir.path() + "/a\nb"));
    EXPECT_EQ(ReadBytes(doc), "the author's document");
    EXPECT_TRUE(QFileInfo::exists(made));
    EXPECT_FALSE(DeleteFolder(dir.path() + QChar(0) + "x"));
    EXPECT_THROW(GetTempFileName(QString(".docx") + QChar(0) + ".pdf"), Exception);
    // Names from a document that become file names.
    EXPECT_THROW(ConfinePath(dir.path(), "page\n.htm"), Exception);
    EXPECT_THROW(ConfinePath(dir.path(), QString("p") + QChar(0x7F) + ".htm"), Exception);
}

// --- Never replace what the program did not write ---------------------------------------------

TEST(ReplacingOutputs, HeadlessBuildsRefuseFilesNoBuildWroteUnlessTheSwitchSaysSo)
{
    TProjectFolder f(false, false, true);
    f.project.PDFFile = "<Project_Folder>/thesis.pdf"; // somebody's own file
    const QString pdf = f.root + "thesis.pdf";
    WriteBytes(pdf, "my thesis");
    TScriptedMessages messages;
    TWritingRunner runner;

    for (const TBuildOptions &o : {headless(), headless(false, true)}) {
        TBuildReport r = BuildProject(f.project, runner, o);
        EXPECT_EQ(r.Result, TBuildReport::Stopped) << "--yes does not cover it";
        EXPECT_TRUE(r.Message.contains("\"" + pdf + "\"")) << r.Message.toStdString();
        EXPECT_TRUE(r.Message.contains("--replace-unrecorded"));
    }
    EXPECT_EQ(runner.runs, 0);
    EXPECT_EQ(ReadBytes(pdf), "my thesis");

    EXPECT_EQ(BuildProject(f.project, runner, headless(true)).Result, TBuildReport::Completed);
    EXPECT_EQ(runner.runs, 1);
    // Now it is the program's own: the next builds replace it without being told.
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Completed);
    EXPECT_EQ(runner.runs, 2);
    // Changed by hand since: somebody's again.
    WriteBytes(pdf, "edited by hand");
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Stopped);
    EXPECT_EQ(ReadBytes(pdf), "edited by hand");
    EXPECT_TRUE(messages.Questions().isEmpty()) << "headless builds never ask";
}

TEST(ReplacingOutputs, TheWindowAsksAboutAHandMadeHelpProjectFolderAndTheContextFile)
{
    TProjectFolder f(true, false, false);
    f.project.OutputHHP = true;
    f.project.HHPFolder = "<Project_Folder>/my project/";
    f.project.HtmlHelpOutputContext = true;
    f.project.HtmlHelpContextFile = "<My Documents>/../.profile";
    TEnvOverride home("HOME", f.top + "/home");
    QDir().mkpath(f.top + "/home/Documents");
    const QString hhp = f.root + "my project/", profile = f.top + "/home/.profile";
    QDir().mkpath(hhp);
    WriteBytes(hhp + "handmade.hhp", "[OPTIONS]");
    WriteBytes(profile, "export PATH");
    ASSERT_EQ(f.project.OutputPath(ptContextFile), profile);

    TScriptedMessages messages;
    TWritingRunner runner;
    // Without a window both are refused, each named.
    TBuildReport r = BuildProject(f.project, runner, headless());
    EXPECT_EQ(r.Result, TBuildReport::Stopped);
    EXPECT_TRUE(r.Message.contains(hhp)) << r.Message.toStdString();
    // In the window the user is asked; Cancel keeps the folder as it is, with no error box.
    messages.ExpectQuestion(mbCancel);
    r = BuildProject(f.project, runner);
    EXPECT_EQ(r.Result, TBuildReport::Stopped);
    ASSERT_EQ(messages.Questions().size(), 1);
    EXPECT_TRUE(messages.Questions()[0].startsWith("\"" + hhp + "\" was not written by a build of this project"));
    EXPECT_EQ(messages.QuestionButtons()[0], mbYes | mbCancel);
    EXPECT_EQ(messages.Errors().size(), 1) << "only the headless refusal";
    EXPECT_EQ(ReadBytes(hhp + "handmade.hhp"), "[OPTIONS]");
    // Yes to the folder, Cancel to the start-up file: still nothing written.
    messages.ExpectQuestion(mbYes);
    messages.ExpectQuestion(mbCancel);
    EXPECT_EQ(BuildProject(f.project, runner).Result, TBuildReport::Stopped);
    EXPECT_TRUE(messages.Questions().last().startsWith("\"" + profile + "\""));
    EXPECT_EQ(ReadBytes(profile), "export PATH");
    EXPECT_EQ(runner.runs, 0);
    // Yes to both: built, and recorded, so the next build asks nothing.
    messages.ExpectQuestion(mbYes);
    messages.ExpectQuestion(mbYes);
    EXPECT_EQ(BuildProject(f.project, runner).Result, TBuildReport::Completed);
    const int asked = messages.Questions().size();
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Completed);
    EXPECT_EQ(BuildProject(f.project, runner).Result, TBuildReport::Completed);
    EXPECT_EQ(messages.Questions().size(), asked);
    EXPECT_TRUE(messages.AllAnswersUsed());
}

TEST(ReplacingOutputs, WebHelpFoldersTheRecordKnowsOrThatHoldOnlyAWebHelpOutput)
{
    TProjectFolder f(false, true, false);
    f.project.WebHelpOutputFolder = "<Project_Folder>/WebHelp";
    const QString web = f.root + "WebHelp/";
    TScriptedMessages messages;
    TWritingRunner runner;
    // An earlier output of the program without a record: only WebHelp's own names at its top.
    QDir().mkpath(web + "pages");
    WriteBytes(web + "index.htm", "<html>");
    WriteBytes(web + "webhelpcontents.htm", "<html>");
    WriteBytes(web + "data.js", "var x;");
    WriteBytes(web + "pages/anything.htm", "<html>");
    EXPECT_TRUE(TFolderGuard::LooksLikeEarlierWebHelp(web));
    WriteBytes(web + "notes.txt", "mine");
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Stopped);
    EXPECT_EQ(ReadBytes(web + "notes.txt"), "mine");
    QFile::remove(web + "notes.txt");
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Completed);
    // Recorded now: a file added to it later makes it somebody's again.
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Completed);
    WriteBytes(web + "pages/added.html", "mine");
    TBuildReport r = BuildProject(f.project, runner, headless());
    EXPECT_EQ(r.Result, TBuildReport::Stopped);
    EXPECT_TRUE(r.Message.contains(web)) << r.Message.toStdString();
    // The window asks its old question, and Yes empties it.
    messages.ExpectQuestion(mbYes);
    EXPECT_EQ(BuildProject(f.project, runner).Result, TBuildReport::Completed);
    EXPECT_EQ(messages.Questions().last(), QString("\"%1\" is not empty folder. It will be emptied. Continue?").arg(web));
    EXPECT_FALSE(QFileInfo::exists(web + "pages/added.html"));
    EXPECT_EQ(runner.runs, 3);
}

TEST(ReplacingOutputs, AFailedBuildLeavesItsOutputPathsToTheNextBuild)
{
    // The build had begun replacing the outputs when it failed: what stands there now is its own.
    TProjectFolder f(true, false, false);
    const QString chm = f.project.OutputPath(ptCompiledFile);
    struct THalfRunner : TBuildRunner
    {
        QString chm;
        TBuildOutcome Run(TProject &) override
        {
            QDir().mkpath(QFileInfo(chm).path());
            WriteBytes(chm, "half a help file");
            return {false, "failed", {}, {}};
        }
    } half;
    half.chm = chm;
    TScriptedMessages messages;
    EXPECT_EQ(BuildProject(f.project, half, headless()).Result, TBuildReport::Failed);
    TWritingRunner runner;
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Completed);
    // The record is the user's, not the project folder's: nothing was added beside the project.
    EXPECT_EQ(QDir(f.root).entryList(QDir::Files | QDir::Hidden), QStringList({"doc.docx", "help.tvp"}));
    EXPECT_TRUE(TOutputRecord(f.project.ProjectFilename).FileName().startsWith(TOutputRecord::Folder()));
}

// --- Relative output paths are the project's ---------------------------------------------------

TEST(RelativeOutputPaths, ResolveAgainstTheProjectFolderWhereverTheProgramRuns)
{
    TProjectFolder f(false, true, true);
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    f.project.PDFFile = "out/x.pdf";
    f.project.WebHelpOutputFolder = "..";
    EXPECT_EQ(f.project.OutputPath(ptPDFFile), f.root + "out/x.pdf");
    EXPECT_EQ(f.project.RealPath(ptPDFFile), f.root + "out/x.pdf");
    EXPECT_EQ(f.project.OutputPath(ptWebHelpFolder), f.top + "/");
    // ".." is the folder holding the project: refused, never the parent of the current folder.
    TScriptedMessages messages;
    TWritingRunner runner;
    TBuildReport r = BuildProject(f.project, runner, headless(true));
    EXPECT_EQ(r.Result, TBuildReport::Stopped);
    EXPECT_TRUE(r.Message.contains("holds the folder \"" + f.root.chopped(1) + "\"")) << r.Message.toStdString();
    f.project.WebHelpOutputFolder = "web";
    EXPECT_EQ(BuildProject(f.project, runner, headless()).Result, TBuildReport::Completed);
    EXPECT_TRUE(QFileInfo(f.root + "out/x.pdf").isFile());
    EXPECT_TRUE(QFileInfo(f.root + "web/index.html").isFile());
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    QDir::setCurrent(previous);
}
