// Outputs made in private folders beside their targets and swapped in together: the question
// for a locked output, the guard at the moment of the swap, and what a killed build leaves.
#include "project/OutputSwap.h"
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// A saved project with an old compiled file, WebHelp folder and PDF.
struct TOldOutputs
{
    QTemporaryDir dir;
    TProject project;
    QString root, chm, web, pdf;
    TOldOutputs()
    {
        root = QFileInfo(dir.path()).canonicalFilePath() + "/";
        project.ProjectFilename = root + "help.tvp";
        project.RootDir = root;
        project.HtmlHelpOutput = project.WebHelpOutput = project.PDFOutput = true;
        project.HtmlHelpOutputContext = false;
        // The old outputs below were made by the test, not recorded by a build: the swap is
        // what is tested here, the replace rule has tests of its own.
        project.BuildScope.ReplaceUnrecorded = true;
        WriteBytes(project.ProjectFilename, "project");
        chm = project.RealPath(ptCompiledFile);
        web = project.RealPath(ptWebHelpFolder);
        web.chop(1);
        pdf = project.RealPath(ptPDFFile);
        QDir().mkpath(QFileInfo(chm).path());
        QDir().mkpath(web + "/pages");
        QDir().mkpath(QFileInfo(pdf).path());
        WriteBytes(chm, "old chm");
        WriteBytes(web + "/pages/a.htm", "old page");
        WriteBytes(pdf, "old pdf");
    }
    // Every file below the project folder with its content, hidden ones included.
    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            out.insert(f.mid(root.size()), ReadBytes(f));
        }
        return out;
    }
    // Stages all three with new content.
    void stageAll(TOutputSwap &swap)
    {
        WriteBytes(swap.StageFile(chm, TGuardedOutput::CompiledFile), "new chm");
        const QString w = swap.StageFolder(web, TGuardedOutput::WebHelpFolder);
        QDir().mkpath(w + "pages");
        WriteBytes(w + "pages/b.htm", "new page");
        WriteBytes(swap.StageFile(pdf, TGuardedOutput::PDFFile), "new pdf");
    }
};

} // namespace

TEST(OutputSwap, ThePrivatePlacesAndTheSwap)
{
    TOldOutputs o;
    const auto before = o.files();
    TOutputSwap swap;
    const QString staged = swap.StageFile(o.chm, TGuardedOutput::CompiledFile);
    // Beside the target, hidden, the owner's alone, the file under its own name.
    EXPECT_TRUE(staged.startsWith(QFileInfo(o.chm).path() + "/.~ta-help.chm-")) << staged.toStdString();
    EXPECT_TRUE(staged.endsWith("/help.chm"));
    const QString privateFolder = staged.section('/', 0, -3);
    EXPECT_EQ(QFile::permissions(privateFolder) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    WriteBytes(staged, "new chm");
    const QString w = swap.StageFolder(o.web, TGuardedOutput::WebHelpFolder);
    WriteBytes(w + "index.htm", "new index");
    EXPECT_EQ(swap.Shown("Cannot create file \"" + w + "index.htm\"."), "Cannot create file \"" + o.web + "/index.htm\".");
    EXPECT_EQ(o.files().value("HTML help/help.chm"), "old chm") << "nothing is replaced before the commit";

    QFile::setPermissions(o.chm, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    swap.Commit(TFolderGuard(o.project));
    EXPECT_EQ(ReadBytes(o.chm), "new chm");
    EXPECT_EQ(QFile::permissions(o.chm) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup)
        << "a replaced output keeps its permissions";
    EXPECT_EQ(QDir(o.web).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"index.htm"}));
    EXPECT_EQ(ReadBytes(o.pdf), "old pdf") << "what was not staged is not touched";
    auto after = o.files();
    after.remove("HTML help/help.chm");
    after.remove("WebHelp/index.htm");
    auto kept = before;
    kept.remove("HTML help/help.chm");
    kept.remove("WebHelp/pages/a.htm");
    EXPECT_EQ(after, kept) << "no private folder is left";
}

TEST(OutputSwap, ALockedOutputIsAskedAboutAtTheSwapAndAbortKeepsEverything)
{
    TOldOutputs o;
    const auto before = o.files();
    TScriptedMessages messages;
    const QString question = "\"" + o.pdf + "\" access denied! It's probably been opend. Please close it and Retry.";
    {
        TFaultyFileSystem fs;
        fs.Fail(o.pdf, TFaultyFileSystem::opRead);
        TOutputSwap swap;
        o.stageAll(swap);
        messages.ExpectQuestion(mbRetry);
        messages.ExpectQuestion(mbAbort);
        try {
            swap.Commit(TFolderGuard(o.project));
            ADD_FAILURE() << "Abort must end the swap";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), question);
        }
        EXPECT_EQ(messages.Questions(), QStringList({question, question}));
        EXPECT_EQ(messages.QuestionButtons().last(), mbAbort | mbRetry);
        EXPECT_EQ(o.files().value("HTML help/help.chm"), "old chm") << "asked before the first output is replaced";
    }
    EXPECT_EQ(o.files(), before);
    {
        // Released between the tries: Retry swaps every output in.
        struct TReleasing : TFaultyFileSystem
        {
            int tries = 0;
            bool CanOpenRead(const QString &path) override { return ++tries > 1 && TFaultyFileSystem::CanOpenRead(path); }
        } fs;
        TOutputSwap swap;
        o.stageAll(swap);
        messages.ExpectQuestion(mbRetry);
        swap.Commit(TFolderGuard(o.project));
    }
    EXPECT_EQ(ReadBytes(o.chm), "new chm");
    EXPECT_EQ(ReadBytes(o.pdf), "new pdf");
    EXPECT_EQ(ReadBytes(o.web + "/pages/b.htm"), "new page");
    EXPECT_FALSE(QFileInfo::exists(o.web + "/pages/a.htm"));
    EXPECT_TRUE(messages.AllAnswersUsed());
}

TEST(OutputSwap, TheGuardJudgesEveryTargetBeforeAnythingIsReplaced)
{
    TOldOutputs o;
    const auto original = o.files();
    TOutputSwap swap;
    o.stageAll(swap);
    // A PDF path that has come to name the source document by the time of the swap.
    o.project.SourceFile = o.pdf;
    const auto before = o.files();
    try {
        swap.Commit(TFolderGuard(o.project));
        ADD_FAILURE() << "the guard must refuse";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("source document")) << e.Message().toStdString();
    }
    EXPECT_EQ(o.files(), before);
    swap.Discard();
    EXPECT_EQ(o.files(), original) << "the private folders are gone";
}

TEST(OutputSwap, WhatAKilledBuildLeftIsPutRightByTheNextStaging)
{
    TOldOutputs o;
    QProcess gone;
    gone.start("true");
    gone.waitForFinished();
    const QString dead = QString::number(gone.processId());
    const QString parent = QFileInfo(o.web).path() + "/";
    // Killed between moving the old folder aside and moving the new one in: the target is
    // missing and the old folder waits in "old".
    const QString killed = parent + ".~ta-WebHelp-" + dead + "-AbCd12";
    QDir().mkpath(killed + "/new/pages");
    WriteBytes(killed + "/new/pages/half.htm", "half");
    QDir().rename(o.web, killed + "/old");
    // Killed while writing the PDF; and a build of a live process that must be left alone.
    const QString pdfLeft = QFileInfo(o.pdf).path() + "/.~ta-help.pdf-" + dead + "-xYz789";
    QDir().mkpath(pdfLeft + "/new");
    WriteBytes(pdfLeft + "/new/help.pdf", "%PDF- half");
    QProcess alive;
    alive.start("sleep", {"30"});
    ASSERT_TRUE(alive.waitForStarted());
    const QString busy = QFileInfo(o.pdf).path() + "/.~ta-help.pdf-" + QString::number(alive.processId()) + "-qqqqqq";
    QDir().mkpath(busy);

    TOutputSwap swap;
    swap.StageFolder(o.web, TGuardedOutput::WebHelpFolder);
    EXPECT_EQ(ReadBytes(o.web + "/pages/a.htm"), "old page") << "the previous output is back in its place";
    EXPECT_FALSE(QFileInfo::exists(killed));
    swap.StageFile(o.pdf, TGuardedOutput::PDFFile);
    EXPECT_FALSE(QFileInfo::exists(pdfLeft));
    EXPECT_TRUE(QFileInfo::exists(busy)) << "another running build's folder is not touched";
    swap.Discard();
    alive.kill();
    alive.waitForFinished();
    QDir(busy).removeRecursively();
    EXPECT_EQ(o.files().keys(), QStringList({"HTML help/help.chm", "PDF/help.pdf", "WebHelp/pages/a.htm", "help.tvp"}));
}
