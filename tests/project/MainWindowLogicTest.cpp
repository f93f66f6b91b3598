// The main window's rules without a window: caption, recent list, start-up choice, save
// proposals, charset and language lists, the change helpers and the output status.
#include "project/MainWindowLogic.h"
#include "project/NewProject.h"
#include "project/ProjectSetting.h"
#include "project/ResourceStrings.h"
#include "project/ProjectTestSupport.h"
#include "support/ScriptedMessages.h"
#include "text/LanguageProcess.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

void clearRecent()
{
    QSettings s(QStringLiteral("Quenmar"), QStringLiteral("Tavrel for Word"));
    s.clear();
    s.sync();
}

QString touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteBytes(path, "x");
    return path;
}

} // namespace

TEST(MainWindowLogic, CaptionHasTwoBlanksBeforeTheDash)
{
    TProject p;
    p.Title = QStringLiteral("My Help");
    p.ProjectFilename = QStringLiteral("/home/u/docs/help.tvp");
    EXPECT_EQ(MainCaption(p), QStringLiteral("Tavrel for Word  - My Help [help.tvp]"));
    p.ProjectFilename = QStringLiteral("unnamed.tvp");
    p.Title.clear();
    EXPECT_EQ(MainCaption(p), QStringLiteral("Tavrel for Word  -  [unnamed.tvp]"));
}

TEST(MainWindowLogic, RecentListMovesToFrontKeepsTenAndSkipsMissingFiles)
{
    clearRecent();
    QTemporaryDir dir;
    QStringList files;
    for (int i = 1; i <= 11; ++i)
        files << touch(dir.filePath(QStringLiteral("p%1.tvp").arg(i)));

    for (int i = 0; i < 3; ++i)
        TRecentProjects::Add(files[i]);
    EXPECT_EQ(TRecentProjects::Load(), (QStringList{files[2], files[1], files[0]}));

    // An entry already there moves to the front, also when spelt in another letter case.
    TRecentProjects::Add(files[0].toUpper() == files[0] ? files[0] : files[0]);
    EXPECT_EQ(TRecentProjects::Load(), (QStringList{files[0], files[2], files[1]}));
    TRecentProjects::Add(files[1].left(files[1].size() - 4) + QStringLiteral(".TVP"));
    QSettings s(QStringLiteral("Quenmar"), QStringLiteral("Tavrel for Word"));
    EXPECT_EQ(s.value("RecentFilesCount").toInt(), 3);

    // Eleven projects: the oldest drops out of the count but stays stored, unread.
    clearRecent();
    for (const QString &f : files)
        TRecentProjects::Add(f);
    QStringList expected;
    for (int i = 10; i >= 1; --i)
        expected << files[i];
    EXPECT_EQ(TRecentProjects::Load(), expected);
    s.sync();
    EXPECT_EQ(s.value("RecentFilesCount").toInt(), 10);

    // A vanished file is not listed, but keeps its place in the stored list.
    QFile::remove(files[9]);
    EXPECT_EQ(TRecentProjects::Load().size(), 9);
    EXPECT_FALSE(TRecentProjects::Load().contains(files[9]));

    // A count that is not a number reads as an empty list.
    s.setValue("RecentFilesCount", "lots");
    s.sync();
    EXPECT_TRUE(TRecentProjects::Load().isEmpty());
    clearRecent();
}

TEST(MainWindowLogic, StartupPrefersRecentThenDocumentsSampleThenInstalledSample)
{
    QTemporaryDir home, data;
    TEnvOverride h("HOME", home.path());
    TEnvOverride x("XDG_CONFIG_HOME", home.filePath("config"));
    TEnvOverride d("TAVREL_DATA", data.path() + "/");
    QDir().mkpath(home.filePath("Documents"));

    EXPECT_EQ(StartupProjectFile({"/a/recent.tvp"}), QStringLiteral("/a/recent.tvp"));
    EXPECT_EQ(StartupProjectFile({}), data.path() + "/sample/sample.tvp");

    // Nothing shipped: nothing copied.
    EXPECT_FALSE(CopySampleProject());
    EXPECT_FALSE(QFileInfo::exists(home.filePath("Documents/Tavrel for Word/Sample Project")));

    touch(data.filePath("sample/sample.tvp"));
    touch(data.filePath("sample/sample.docx"));
    EXPECT_TRUE(CopySampleProject());
    EXPECT_EQ(StartupProjectFile({}), DocumentsSampleProject());
    EXPECT_TRUE(DocumentsSampleProject().startsWith(home.path()));
    EXPECT_TRUE(QFileInfo::exists(home.filePath("Documents/Tavrel for Word/Sample Project/sample.docx")));
    // No staging folder is left behind.
    EXPECT_EQ(QDir(home.filePath("Documents/Tavrel for Word")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Sample Project"});

    // An existing copy is never overwritten.
    WriteBytes(DocumentsSampleProject(), "edited");
    WriteBytes(data.filePath("sample/sample.tvp"), "shipped");
    EXPECT_TRUE(CopySampleProject());
    EXPECT_EQ(ReadBytes(DocumentsSampleProject()), QByteArray("edited"));
}

TEST(MainWindowLogic, SaveAsProposalsAndCompiledName)
{
    TProject p;
    p.RootDir = QStringLiteral("/w/Project1/");
    p.Title = QStringLiteral("My Help: v2");
    EXPECT_EQ(SaveAsProposal(p), QStringLiteral("/w/Project1/My_Help__v2.tvp"));
    p.Title.clear();
    EXPECT_EQ(SaveAsProposal(p), QStringLiteral("/w/Project1/unnamed.tvp"));

    p.CompiledFile = QStringLiteral("unnamed.chm");
    ApplySaveAsName(p, QStringLiteral("/w/Project1/manual.tvp"));
    EXPECT_EQ(p.CompiledFile, QStringLiteral("manual.chm"));
    p.CompiledFile = QStringLiteral("unnamed.chm");
    p.Title = QStringLiteral("Guide");
    ApplySaveAsName(p, QStringLiteral("/w/x.tvp"));
    EXPECT_EQ(p.CompiledFile, QStringLiteral("Guide.chm"));
    // Any other name is the author's and stays.
    p.CompiledFile = QStringLiteral("<Project_Folder>/HTML help/help.chm");
    ApplySaveAsName(p, QStringLiteral("/w/x.tvp"));
    EXPECT_EQ(p.CompiledFile, QStringLiteral("<Project_Folder>/HTML help/help.chm"));

    p.IsNew = false;
    p.ProjectFilename = QStringLiteral("/w/Project1/help.tvp");
    EXPECT_EQ(SaveAsProposal(p), QStringLiteral("/w/Project1/copy of help.tvp"));
}

TEST(MainWindowLogic, CharsetListAndLanguageChoice)
{
    const QStringList &list = HtmlHelpCharsets();
    ASSERT_EQ(list.size(), 27);
    EXPECT_EQ(list[1], QStringLiteral("Baltic (ISO); iso-8869-4"));
    EXPECT_EQ(list.last(), QStringLiteral("Unicode; UTF-8"));
    EXPECT_EQ(list[CharsetIndex("WINDOWS-1251")], QStringLiteral("Cyrillic (Windows); Windows-1251"));
    EXPECT_EQ(CharsetIndex(" utf-8 "), 26);
    EXPECT_EQ(CharsetIndex("iso-8859-4"), -1);
    EXPECT_EQ(CharsetOfEntry("Thai; Windows-874"), QStringLiteral("Windows-874"));

    TProject p;
    const int russian = Languages().GetIndexById("0x0419");
    ASSERT_GE(russian, 0);
    const int entry = ApplyLanguage(p, russian);
    ASSERT_GE(entry, 0);
    EXPECT_EQ(CharsetOfEntry(list[entry]).toLower(), QStringLiteral("windows-1251"));
    EXPECT_EQ(p.CHMSetting.ContentsFont, QStringLiteral(",8,204"));
    EXPECT_EQ(p.CHMSetting.IndexFont, QStringLiteral(",8,204"));
    EXPECT_EQ(ApplyLanguage(p, -1), -1);
}

TEST(MainWindowLogic, UpdateHelpersSetChangedOnlyOnRealDifferences)
{
    bool changed = false;
    QString text = QStringLiteral("Help");
    UpdateText(text, QStringLiteral("Help"), changed);
    EXPECT_FALSE(changed);
    UpdateText(text, QStringLiteral("help"), changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(text, QStringLiteral("help"));
    // Once set, an equal value does not clear it.
    UpdateText(text, QStringLiteral("help"), changed);
    EXPECT_TRUE(changed);

    changed = false;
    int n = 3;
    bool flag = true;
    UpdateNumber(n, 3, changed);
    UpdateFlag(flag, true, changed);
    EXPECT_FALSE(changed);
    UpdateFlag(flag, false, changed);
    EXPECT_TRUE(changed);

    TTextEdit e = InsertAtCaret(QStringLiteral("(c) 2026"), 0, 3, QStringLiteral("&copy;"));
    EXPECT_EQ(e.text, QStringLiteral("&copy; 2026"));
    EXPECT_EQ(e.selStart, 0);
    EXPECT_EQ(e.selLength, 6);
    e = InsertAtCaret(QStringLiteral("Acme"), 4, 0, QStringLiteral("&reg;"));
    EXPECT_EQ(e.text, QStringLiteral("Acme&reg;"));
    EXPECT_EQ(e.selStart, 4);
    // A selection past the end is cut to the text.
    EXPECT_EQ(InsertAtCaret(QStringLiteral("ab"), 5, 9, QStringLiteral("x")).text, QStringLiteral("abx"));
}

TEST(MainWindowLogic, AgeTexts)
{
    EXPECT_EQ(AgeText(0), QStringLiteral("within 1 minute"));
    EXPECT_EQ(AgeText(59), QStringLiteral("within 1 minute"));
    EXPECT_EQ(AgeText(60), QStringLiteral("1 minutes ago"));
    EXPECT_EQ(AgeText(3599), QStringLiteral("59 minutes ago"));
    EXPECT_EQ(AgeText(3600), QStringLiteral("1 hours ago"));
    EXPECT_EQ(AgeText(86399), QStringLiteral("23 hours ago"));
    EXPECT_EQ(AgeText(86400 * 3), QStringLiteral("3 days ago"));
    EXPECT_EQ(AgeText(2629799), QStringLiteral("30 days ago"));
    EXPECT_EQ(AgeText(2629800), QStringLiteral("1 months ago"));
    EXPECT_EQ(AgeText(31557599), QStringLiteral("11 months ago"));
    EXPECT_EQ(AgeText(31557600 * 2), QStringLiteral("2 years ago"));
    EXPECT_EQ(AgeText(-1), QStringLiteral("in future?!"));

    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0, 0));
    // The fraction of a second is dropped: 59.9 s is still within the minute.
    EXPECT_TRUE(OutputTimeText(now.addMSecs(-59900), now).endsWith("(within 1 minute)"));
    EXPECT_TRUE(OutputTimeText(now.addMSecs(500), now).endsWith("(in future?!)"));
    EXPECT_TRUE(OutputTimeText(now.addSecs(-7200), now).contains("10:00:00"));
}

TEST(MainWindowLogic, OutputStatusOfTheThreeOutputs)
{
    QTemporaryDir dir;
    TProject p;
    p.RootDir = dir.path() + "/";
    p.CompiledFile = "<Project_Folder>/HTML help/help.chm";
    p.WebHelpOutputFolder = "<Project_Folder>/web";
    p.WebHelpExtension = 1;
    p.PDFFile = "<Project_Folder>/help.pdf";

    QList<TOutputStatus> s = CheckOutputFiles(p);
    ASSERT_EQ(s.size(), 3);
    for (const TOutputStatus &o : s) {
        EXPECT_FALSE(o.Exists);
        EXPECT_EQ(o.Label, QStringLiteral("Not created."));
    }
    EXPECT_EQ(s[1].Path, dir.path() + "/web/");
    EXPECT_EQ(s[1].Target, dir.path() + "/web/index.html");

    touch(dir.filePath("web/index.html"));
    QFile pdf(touch(dir.filePath("help.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadWrite));
    ASSERT_TRUE(pdf.setFileTime(QDateTime::currentDateTime().addDays(2), QFileDevice::FileModificationTime));
    pdf.close();
    s = CheckOutputFiles(p);
    EXPECT_FALSE(s[0].Exists);
    EXPECT_TRUE(s[1].Exists);
    EXPECT_TRUE(s[1].Label.endsWith("(within 1 minute)")) << s[1].Label.toStdString();
    EXPECT_TRUE(s[2].Label.endsWith("(in future?!)")) << s[2].Label.toStdString();

    // A folder where the file should be is not an output.
    QDir().mkpath(dir.filePath("HTML help/help.chm"));
    EXPECT_FALSE(CheckOutputFiles(p)[0].Exists);
}

TEST(NewProjectWizard, MessagesPagesAndReplaceQuestion)
{
    EXPECT_EQ(Resource().GetStringById("600"), QStringLiteral("\"%s\" already exists. Do you want to replace it?"));
    EXPECT_EQ(Resource().GetStringById("501"), QStringLiteral("This function needs LibreOffice to be installed!"));
    EXPECT_EQ(Resource().GetStringById("WizardTitle1"), QStringLiteral("Set the Word document"));
    EXPECT_TRUE(Resource().GetStringById("999").isEmpty());

    EXPECT_EQ(WizardProjectFile("/docs", "help"), QStringLiteral("/docs/help.tvp"));
    EXPECT_EQ(WizardProjectFile("/docs/", "help"), QStringLiteral("/docs/help.tvp"));

    QTemporaryDir dir;
    TScriptedMessages msgs;
    TNewProjectWizard w;
    EXPECT_EQ(w.Title(), QStringLiteral("Place the project"));
    EXPECT_FALSE(w.BackEnabled());
    EXPECT_EQ(w.NextCaption(), QStringLiteral("Next >"));
    EXPECT_EQ(w.NextTag(), 2);

    // No file yet: straight on, no question.
    EXPECT_EQ(w.Press(2, dir.path(), "help"), TNewProjectWizard::Moved);
    EXPECT_EQ(w.Page, 1);
    EXPECT_TRUE(w.BackEnabled());
    EXPECT_EQ(w.NextCaption(), QStringLiteral("Finish"));
    EXPECT_EQ(w.NextTag(), 0);
    EXPECT_EQ(w.Description(), QStringLiteral("There are several ways to get Word document."));
    EXPECT_EQ(w.Press(1, dir.path(), "help"), TNewProjectWizard::Moved);
    EXPECT_EQ(w.Page, 0);
    EXPECT_EQ(w.Description(), QStringLiteral("Set the position where you want to save the project file."));

    // An existing file asks; No keeps the first page, Yes moves on and replaces nothing yet.
    touch(dir.filePath("help.tvp"));
    msgs.ExpectQuestion(mbNo);
    EXPECT_EQ(w.Press(2, dir.path() + "/", "help"), TNewProjectWizard::Stayed);
    EXPECT_EQ(w.Page, 0);
    msgs.ExpectQuestion(mbYes);
    EXPECT_EQ(w.Press(2, dir.path(), "help"), TNewProjectWizard::Moved);
    EXPECT_EQ(w.Page, 1);
    ASSERT_EQ(msgs.Questions().size(), 2);
    EXPECT_EQ(msgs.Questions()[0], QStringLiteral("\"help.tvp\" already exists. Do you want to replace it?"));
    EXPECT_EQ(msgs.QuestionButtons()[0], mbYes | mbNo);
    EXPECT_EQ(ReadBytes(dir.filePath("help.tvp")), QByteArray("x"));
    EXPECT_EQ(w.Press(0, dir.path(), "help"), TNewProjectWizard::Finished);
}
