// The project: new-project values, the project file in both directions, failures of reading
// and saving, and the resolution of stored paths.
#include "project/ProjectSetting.h"
#include "ProjectTestSupport.h"
#include "output/Template.h"
#include "support/Golden.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// The fixture installation folder and a fixed system language, so goldens do not move with the
// shipped templates or the machine's locale.
struct FixedInstallation
{
    TEnvOverride data{"TAVREL_DATA", FixturePath("project")};
    TEnvOverride all{"LC_ALL", ""};
    TEnvOverride messages{"LC_MESSAGES", ""};
    TEnvOverride lang{"LANG", "en_US.UTF-8"};
};

QString fileText(const QString &path)
{
    const QByteArray b = ReadBytes(path);
    if (!b.startsWith("\xFF\xFE"))
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData() + 2), (b.size() - 2) / 2);
}

// Gives every stored field a value different from both its new-project and its absent value.
void setEveryField(TProject &p)
{
    p.SourceFile = "<My Documents>/manual.docx";
    p.Title = "Ünïcode title 日本";
    p.NavSetting = "\"Start > \",\" / \",\"1\",\"0\"";
    p.CopyRight = "&copy; 2030 Someone";
    p.PrevHint = "Back";
    p.NextHint = "Forward";
    p.DefaultTopic = "intro.htm";
    p.CompiledFile = "/out/x.chm";
    p.CustomTemplate = "custom.htm";
    p.DefaultTemplate = false;
    p.Encoding = "windows-1251";
    p.ViewCompiledFile = false;
    p.HasChild = 7;
    p.NoChild = -3;
    p.HtmlHelpOutput = false;
    p.HtmlHelpTemplate = "tpl.htm";
    p.HtmlHelpTitle = "HH title";
    p.HtmlHelpTitleSame = false;
    p.HtmlHelpOutputEncoding = "Windows-1251";
    p.HtmlHelpTemplateStream.clear();
    AppendTemplateEntry(p.HtmlHelpTemplateStream, "main.htm", QByteArray("<html>\0\xFF", 8));
    p.HtmlHelpOutputContext = true;
    p.HtmlHelpContextFile = "<Project_Folder>/ctx.h";
    p.HtmlHelpContextTopCode = "line 1\r\nline 2\n\tline 3\r";
    p.HtmlHelpContextBottomCode = "}\r\n";
    p.HtmlHelpContextCodeTemplate = "#define {%StaticVarName%} {%ContextID%}";
    p.HtmlHelpContextEncoding = 1;
    p.HtmlHelpExtension = 1;
    p.OutputHHP = true;
    p.HHPFolder = "/hhp/";
    p.WebHelpOutput = false;
    p.WebHelpDefault = "default.htm";
    p.WebHelpOutputFolder = "/web";
    p.WebHelpTitle = "Web title";
    p.WebHelpDefaultSame = false;
    p.WebHelpTilteSame = false;
    p.WebHelpLanguage = 4;
    p.WebHelpTemplateStream.clear();
    AppendTemplateEntry(p.WebHelpTemplateStream, "template.htm", "web");
    AppendTemplateEntry(p.WebHelpTemplateStream, "images\\a.gif", "GIF");
    p.WebHelpDictionary.SetText("Contents=Inhalt\r\nIndex=Stichwort\r\n\r\nSearch=Suche");
    p.WebHelpExtension = 0;
    p.StartFromRoot = false;
    p.AutoCollapse = true;
    p.DrawLines = false;
    p.TOCBackColor = "#123456";
    p.PDFOutput = false;
    p.PDFFile = "/pdf/x.pdf";
    p.Panes = 2;
    p.Magnification = 0;
    p.PageLayout = 3;
    p.HeadProperties = 0;
    p.PageProperties = 2;
    p.RealColorIcon = true;
    p.ShowIndex = false;
    p.NavWidth = 300;
    p.WebFontColor = "#000000";
    p.WebBackColor = "#FF00FF";
    p.WebBackground = 9;
    p.CarryFolders = QStringList{"<Project_Folder>/../shared images", "/opt/assets/.cache"};

    TCHMProject &c = p.CHMSetting;
    c.Top = 1; c.Left = 2; c.Height = 3; c.Width = 4; c.PaneWidth = 5; c.DefaultTab = 2;
    c.ShowMSDNMenu = true; c.ShowPanesToolbar = false; c.ShowPane = false; c.HideToolbar = true;
    c.HideToolbarText = true; c.StayOnTop = true; c.Maximize = true; c.Hide = false; c.Back = false;
    c.bForward = false; c.Stop = false; c.Refresh = false; c.Home = false; c.Print = false;
    c.Option = false; c.Jump1 = true; c.Jump2 = true; c.Content = false; c.Index = false;
    c.Search = false; c.Favorite = false; c.AutoTrack = true; c.SelectRow = true; c.PlusMinus = false;
    c.ShowSelection = false; c.ShowRoot = false; c.DrawLines = false; c.AutoExpand = true;
    c.RightToLeft = true; c.LeftScroll = true; c.SavePosition = true;
    c.ContentsFont = "Arial,10,1"; c.IndexFont = "Tahoma,9,0"; c.Language = "0x0407";
    c.Font = "Verdana,8,0"; c.DefaultTopic = "start.htm";
}

#define PROJECT_FIELDS(X)                                                                           \
    X(SourceFile) X(Title) X(NavSetting) X(CopyRight) X(PrevHint) X(NextHint) X(DefaultTopic)      \
    X(CompiledFile) X(CustomTemplate) X(DefaultTemplate) X(Encoding) X(ViewCompiledFile)           \
    X(HasChild) X(NoChild) X(HtmlHelpOutput) X(HtmlHelpTemplate) X(HtmlHelpTitle)                  \
    X(HtmlHelpTitleSame) X(HtmlHelpOutputEncoding) X(HtmlHelpTemplateStream)                       \
    X(HtmlHelpOutputContext) X(HtmlHelpContextFile) X(HtmlHelpContextTopCode)                      \
    X(HtmlHelpContextBottomCode) X(HtmlHelpContextCodeTemplate) X(HtmlHelpContextEncoding)         \
    X(HtmlHelpExtension) X(OutputHHP) X(HHPFolder) X(WebHelpOutput) X(WebHelpDefault)              \
    X(WebHelpOutputFolder) X(WebHelpTitle) X(WebHelpDefaultSame) X(WebHelpTilteSame)               \
    X(WebHelpLanguage) X(WebHelpTemplateStream) X(WebHelpExtension) X(StartFromRoot)               \
    X(AutoCollapse) X(DrawLines) X(TOCBackColor) X(PDFOutput) X(PDFFile) X(Panes)                  \
    X(Magnification) X(PageLayout) X(HeadProperties) X(PageProperties) X(RealColorIcon)            \
    X(ShowIndex) X(NavWidth) X(WebFontColor) X(WebBackColor) X(WebBackground) X(CarryFolders)

#define CHM_FIELDS(X)                                                                               \
    X(Top) X(Left) X(Height) X(Width) X(PaneWidth) X(DefaultTab) X(ShowMSDNMenu)                   \
    X(ShowPanesToolbar) X(ShowPane) X(HideToolbar) X(HideToolbarText) X(StayOnTop) X(Maximize)     \
    X(Hide) X(Back) X(bForward) X(Stop) X(Refresh) X(Home) X(Print) X(Option) X(Jump1) X(Jump2)    \
    X(Content) X(Index) X(Search) X(Favorite) X(AutoTrack) X(SelectRow) X(PlusMinus)               \
    X(ShowSelection) X(ShowRoot) X(DrawLines) X(AutoExpand) X(RightToLeft) X(LeftScroll)           \
    X(SavePosition) X(ContentsFont) X(IndexFont) X(Language) X(Font) X(DefaultTopic)

void expectSameStoredFields(const TProject &a, const TProject &b)
{
#define SAME(f) EXPECT_EQ(a.f, b.f) << #f;
    PROJECT_FIELDS(SAME)
#undef SAME
#define SAME(f) EXPECT_EQ(a.CHMSetting.f, b.CHMSetting.f) << "CHMSetting." #f;
    CHM_FIELDS(SAME)
#undef SAME
    EXPECT_EQ(a.WebHelpDictionary.ToStringList(), b.WebHelpDictionary.ToStringList());
}

} // namespace

TEST(Project, NewProjectFileMatchesTheGoldenByteForByte)
{
    FixedInstallation fixed;
    QTemporaryDir dir;
    TProject p;
    const QString file = dir.filePath("sub/new.tvp");
    p.SaveToIni(file); // also creates the missing folder
    const QByteArray bytes = ReadBytes(file);
    EXPECT_GOLDEN("project/new.tvp", bytes);

    const QString text = fileText(file);
    ASSERT_FALSE(text.isEmpty());
    const QStringList lines = text.split("\r\n");
    // [GENERAL], 57 keys, empty, [CHMSetting], 42 keys, empty, and the end after the last CR LF.
    ASSERT_EQ(lines.size(), 1 + 57 + 1 + 1 + 42 + 1 + 1);
    EXPECT_EQ(lines[0], "[GENERAL]");
    EXPECT_EQ(lines[29], lines[57]);
    EXPECT_TRUE(lines[57].startsWith("HHPFolder="));
    EXPECT_EQ(lines[58], "");
    EXPECT_EQ(lines[59], "[CHMSetting]");
    EXPECT_EQ(lines[101], "DefaultTopic=");
    EXPECT_FALSE(text.contains('\n' + QString('\n')));
    EXPECT_FALSE(p.IsNew);
    EXPECT_EQ(p.ProjectFilename, QDir::cleanPath(file));
    EXPECT_EQ(p.RootDir, QDir::cleanPath(dir.filePath("sub")) + "/");
}

TEST(Project, InitializeTakesLanguageTemplatesAndContextCodeFromTheSystem)
{
    FixedInstallation fixed;
    TEnvOverride russian("LANG", "ru_RU.UTF-8");
    TProject p;
    EXPECT_EQ(p.CHMSetting.Language, "0x0419");
    EXPECT_EQ(p.HtmlHelpOutputEncoding.toLower(), "windows-1251");
    EXPECT_EQ(p.CHMSetting.ContentsFont, ",8,204");
    EXPECT_EQ(p.CHMSetting.IndexFont, ",8,204");
    EXPECT_EQ(p.ProjectFilename, "unnamed.tvp");
    EXPECT_TRUE(p.IsNew);
    EXPECT_FALSE(p.ProjectChanged);
    EXPECT_EQ(p.Encoding, "UTF-8");
    EXPECT_EQ(p.CompiledFile, "<Project_Folder>/HTML help/help.chm");
    EXPECT_EQ(p.HHPFolder, "<Project_Folder>/HTML help project/");
    EXPECT_EQ(GetTemplateMainFile(p.HtmlHelpTemplateStream), "fixedtop.htm");
    EXPECT_EQ(GetTemplateMainFile(p.WebHelpTemplateStream), "template.htm");
    EXPECT_EQ(p.HtmlHelpContextTopCode, "// top\r\nnamespace T {");
    EXPECT_EQ(p.HtmlHelpContextBottomCode, "}");
    EXPECT_EQ(p.HtmlHelpContextCodeTemplate, "{%Tab%}const int {%StaticVarName%} = {%ContextID%};");
    // The window as a new project has it, not as the object's own defaults.
    EXPECT_EQ(p.CHMSetting.Top, 50);
    EXPECT_EQ(p.CHMSetting.Height, 650);
    EXPECT_EQ(p.CHMSetting.PaneWidth, 270);
    EXPECT_TRUE(p.CHMSetting.Hide);

    // Clear keeps the folder and the window's unstored and kept fields.
    p.RootDir = "/somewhere/";
    p.CHMSetting.Font = "Kept,9,0";
    p.CHMSetting.DefaultTopic = "kept.htm";
    p.CHMSetting.Zoom = true;
    p.Title = "changed";
    p.WebHelpDictionary.Add("x=y");
    p.Clear();
    EXPECT_EQ(p.Title, "New Help");
    EXPECT_TRUE(p.WebHelpDictionary.IsEmpty());
    EXPECT_EQ(p.RootDir, "/somewhere/");
    EXPECT_EQ(p.CHMSetting.Font, "Kept,9,0");
    EXPECT_EQ(p.CHMSetting.DefaultTopic, "kept.htm");
    EXPECT_TRUE(p.CHMSetting.Zoom);

    // An unknown locale is US English; missing installation data gives empty pieces, no failure.
    TEnvOverride c("LANG", "C");
    QTemporaryDir empty;
    TEnvOverride nothing("TAVREL_DATA", empty.path());
    TProject bare;
    EXPECT_EQ(bare.CHMSetting.Language, "0x0409");
    EXPECT_TRUE(bare.HtmlHelpTemplateStream.isEmpty());
    EXPECT_TRUE(bare.WebHelpTemplateStream.isEmpty());
    EXPECT_TRUE(bare.HtmlHelpContextTopCode.isEmpty());
    EXPECT_TRUE(bare.HtmlHelpContextCodeTemplate.isEmpty());
    QString top = "x", bottom = "x", body = "x";
    GetContextCodeDefaults(top, bottom, body);
    EXPECT_TRUE(top.isEmpty() && bottom.isEmpty() && body.isEmpty());
}

TEST(Project, WritingAndReadingBackKeepsEveryStoredField)
{
    FixedInstallation fixed;
    QTemporaryDir dir;
    TProject a;
    setEveryField(a);
    a.ProjectChanged = true;
    const QString file = dir.filePath("round.tvp");
    a.SaveToIni(file);
    EXPECT_FALSE(a.ProjectChanged);

    TProject b;
    b.ProjectChanged = true;
    b.ReadFromIni(file);
    expectSameStoredFields(a, b);
    EXPECT_FALSE(b.ProjectChanged);
    EXPECT_FALSE(b.IsNew);
    EXPECT_EQ(b.RootDir, dir.path() + "/");

    // The two exceptions: blanks at the ends of a value, and escapes that were text.
    a.Title = "  padded  ";
    a.HtmlHelpContextTopCode = "literal `13 and `10";
    a.HtmlHelpOutputEncoding = " utf-8 ";
    a.SaveToIni(file);
    EXPECT_TRUE(fileText(file).contains("\r\nHtmlHelpOutputEncoding=utf-8\r\n"));
    b.ReadFromIni(file);
    EXPECT_EQ(b.Title, "padded");
    EXPECT_EQ(b.HtmlHelpContextTopCode, "literal \r and \n");

    // Empty dictionary and empty template streams are empty values.
    a.WebHelpDictionary.Clear();
    a.HtmlHelpTemplateStream.clear();
    a.SaveToIni(file);
    const QString text = fileText(file);
    EXPECT_TRUE(text.contains("\r\nWebHelpDictionary=\r\n"));
    EXPECT_TRUE(text.contains("\r\nHtmlHelpTemplateStream=\r\n"));
    b.ReadFromIni(file);
    EXPECT_TRUE(b.WebHelpDictionary.IsEmpty());
    EXPECT_TRUE(b.HtmlHelpTemplateStream.isEmpty());
}

TEST(Project, AHandWrittenFileGetsTheAbsentValues)
{
    FixedInstallation fixed;
    QTemporaryDir dir;
    const QString file = dir.filePath("hand.tvp");
    WriteBytes(file, Utf16File("[general]\r\n"
                               "NoChild=abc\r\n"
                               "DefaultTemplate=yes\r\n"
                               "HtmlHelpOutputContext=2\r\n"
                               "HHPFolder=/first/\r\n"
                               "HHPFolder=/second/\r\n"
                               "HtmlHelpTemplateStream=ABC\r\n"
                               "WebHelpTemplateStream=0G\r\n"
                               "CompiledFile=<Project_Folder>\\HTML help\\help.chm\r\n"));
    TProject p;
    p.OutputHHP = true;
    p.PDFFile = "/kept.pdf";
    p.ReadFromIni(file);

    EXPECT_EQ(p.Title, "");
    EXPECT_EQ(p.NavSetting, "");
    EXPECT_EQ(p.PrevHint, "");
    EXPECT_EQ(p.Encoding, "");
    EXPECT_EQ(p.NoChild, 10);
    EXPECT_TRUE(p.DefaultTemplate);
    EXPECT_TRUE(p.HtmlHelpOutputContext);
    EXPECT_EQ(p.HHPFolder, "/first/");
    EXPECT_TRUE(p.OutputHHP);
    EXPECT_EQ(p.PDFFile, "/kept.pdf");
    EXPECT_EQ(p.WebFontColor, "#ffffff");
    EXPECT_EQ(p.WebBackColor, "#003366");
    EXPECT_EQ(p.TOCBackColor, "#FFFFFF");
    EXPECT_EQ(p.HtmlHelpContextEncoding, 3);
    EXPECT_EQ(p.WebHelpLanguage, 1);
    EXPECT_EQ(p.NavWidth, 270);
    EXPECT_EQ(p.Magnification, 4);
    EXPECT_EQ(p.HtmlHelpOutputEncoding, "");
    EXPECT_TRUE(p.HtmlHelpContextTopCode.isEmpty());
    // Odd or non-hexadecimal template values decode to empty streams; the project opens.
    EXPECT_TRUE(p.HtmlHelpTemplateStream.isEmpty());
    EXPECT_TRUE(p.WebHelpTemplateStream.isEmpty());
    // A stored "\" path still resolves.
    EXPECT_EQ(p.RealPath(ptCompiledFile), dir.path() + "/HTML help/help.chm");

    // No CHMSetting section: the reader's window, not the new project's.
    EXPECT_EQ(p.CHMSetting.Top, 50);
    EXPECT_EQ(p.CHMSetting.Left, 50);
    EXPECT_EQ(p.CHMSetting.Height, 500);
    EXPECT_EQ(p.CHMSetting.Width, 700);
    EXPECT_EQ(p.CHMSetting.PaneWidth, 270);
    EXPECT_EQ(p.CHMSetting.ContentsFont, ",8,0");
    EXPECT_EQ(p.CHMSetting.IndexFont, ",8,0");
    EXPECT_EQ(p.CHMSetting.Language, "");
    EXPECT_TRUE(p.CHMSetting.Hide);
}

TEST(Project, WindowSettingsAtTheIntegerLimitsAreClampedWhenRead)
{
    FixedInstallation fixed;
    QTemporaryDir dir;
    const QString file = dir.filePath("limits.tvp");
    WriteBytes(file, Utf16File("[general]\r\n[CHMSetting]\r\n"
                               "Top=-2147483648\r\nLeft=2147483647\r\nHeight=-2147483648\r\nWidth=2147483647\r\n"
                               "PaneWidth=99999999999\r\nDefaultTab=7\r\n"));
    TProject p;
    p.ReadFromIni(file);
    EXPECT_EQ(p.CHMSetting.Top, -kWindowCoordinateLimit);
    EXPECT_EQ(p.CHMSetting.Left, kWindowCoordinateLimit);
    EXPECT_EQ(p.CHMSetting.Height, 0);
    EXPECT_EQ(p.CHMSetting.Width, kWindowCoordinateLimit);
    // Not a number the reader takes: the default stays.
    EXPECT_EQ(p.CHMSetting.PaneWidth, 270);
    EXPECT_EQ(p.CHMSetting.DefaultTab, 3);
    // The rectangle of the window definition adds position and size without overflowing.
    EXPECT_TRUE(p.CHMSetting.HHPText().contains(",[100000,-100000,200000,-100000],"));
}

TEST(Project, ReadingAMissingOrForeignFileChangesNothing)
{
    FixedInstallation fixed;
    QTemporaryDir dir;
    TProject p;
    p.Title = "before";
    p.ProjectChanged = true;
    const QString missing = dir.filePath("missing.tvp");
    try {
        p.ReadFromIni(missing);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), missing + " doesn't exist!");
    }
    EXPECT_THROW(p.ReadFromIni(dir.path()), Exception); // a folder is no file

    const QString foreign = dir.filePath("notes.txt");
    WriteBytes(foreign, "Title=looks like a key\r\n[Other]\r\nx=1\r\n");
    try {
        p.ReadFromIni(foreign);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), foreign + " is not a project file!");
    }
    EXPECT_EQ(p.Title, "before");
    EXPECT_TRUE(p.ProjectChanged);
    EXPECT_TRUE(p.IsNew);
    EXPECT_EQ(p.ProjectFilename, "unnamed.tvp");
    EXPECT_EQ(ReadBytes(foreign), "Title=looks like a key\r\n[Other]\r\nx=1\r\n");

    TFaultyFileSystem fs;
    const QString locked = dir.filePath("locked.tvp");
    WriteBytes(locked, Utf16File("[GENERAL]\r\nTitle=x\r\n"));
    fs.Fail(locked, TFaultyFileSystem::opRead);
    EXPECT_THROW(p.ReadFromIni(locked), Exception);
    EXPECT_EQ(p.Title, "before");
}

TEST(Project, AFailedSaveKeepsTheOldFileAndTheProjectState)
{
    FixedInstallation fixed;
    QTemporaryDir dir;
    const QString file = dir.filePath("p.tvp");
    TProject p;
    p.Title = "old";
    p.SaveToIni(file);
    const QByteArray old = ReadBytes(file);
    p.Title = "new";
    p.ProjectChanged = true;

    auto expectUnchanged = [&](const char *what) {
        EXPECT_EQ(ReadBytes(file), old) << what;
        EXPECT_TRUE(p.ProjectChanged) << what;
        EXPECT_EQ(p.ProjectFilename, file) << what;
        EXPECT_EQ(p.RootDir, dir.path() + "/") << what;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"p.tvp"}) << what;
    };
    {
        TFaultyFileSystem fs; // the file is read-only: the rename must not replace it
        fs.Fail(file, TFaultyFileSystem::opWrite);
        EXPECT_THROW(p.Save(), Exception);
        expectUnchanged("read-only file");
    }
    {
        TFaultyFileSystem fs; // the disk fills up while the temporary file is written
        fs.Fail(dir.path(), TFaultyFileSystem::opWrite);
        EXPECT_THROW(p.SaveToIni(dir.filePath("fresh.tvp")), Exception);
        expectUnchanged("write failure");
    }
    {
        TFaultyFileSystem fs;
        fs.Fail(file, TFaultyFileSystem::opRename);
        EXPECT_THROW(p.Save(), Exception);
        expectUnchanged("rename failure");
    }
    {
        TFaultyFileSystem fs;
        const QString elsewhere = dir.filePath("new/folder/q.tvp");
        fs.Fail(dir.filePath("new"), TFaultyFileSystem::opMakeDir);
        EXPECT_THROW(p.SaveToIni(elsewhere), Exception);
        expectUnchanged("folder not created");
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("new")));
    }
    // A folder in the way is no file to replace.
    EXPECT_THROW(p.SaveToIni(dir.path()), Exception);

    EXPECT_TRUE(p.Save());
    EXPECT_FALSE(p.ProjectChanged);
    EXPECT_NE(ReadBytes(file), old);
}

TEST(Project, SavingKeepsPermissionsAndWritesThroughALink)
{
    FixedInstallation fixed;
    QTemporaryDir dir;
    const QString real = dir.filePath("real.tvp");
    const QString link = dir.filePath("link.tvp");
    TProject p;
    p.SaveToIni(real);
    const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(real, perms));
    ASSERT_TRUE(QFile::link(real, link));

    p.Title = "through the link";
    p.SaveToIni(link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFile::permissions(real) & 0x0FFF, perms & 0x0FFF);
    EXPECT_TRUE(fileText(real).contains("\r\nTitle=through the link\r\n"));
    EXPECT_EQ(p.ProjectFilename, link);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

TEST(Project, RealPathResolvesMacrosInAnyCaseForEveryPathType)
{
    FixedInstallation fixed;
    TProject p;
    p.RootDir = "/work/proj/";
    const QString docs = p.RealPath(QStringLiteral("<My Documents>"));
    ASSERT_FALSE(docs.isEmpty());
    EXPECT_TRUE(docs.startsWith('/'));

    EXPECT_EQ(p.RealPath("<Project_folder>\\doc"), "/work/proj/doc");
    EXPECT_EQ(p.RealPath("<PROJECT_FOLDER>/a/../b/./c%20d.htm"), "/work/proj/b/c d.htm");
    EXPECT_EQ(p.RealPath("<my documents>/x.docx"), docs + "/x.docx");
    EXPECT_EQ(p.RealPath("/plain/path"), "/plain/path");

    p.SourceFile = "<project_Folder>/src.docx";
    p.CompiledFile = "<Project_Folder>\\HTML help\\help.chm";
    p.PDFFile = "<My Documents>/PDF/help.pdf";
    p.HtmlHelpContextFile = "<Project_Folder>/ctx/";
    EXPECT_EQ(p.RealPath(ptSourceFile), "/work/proj/src.docx");
    EXPECT_EQ(p.RealPath(ptCompiledFile), "/work/proj/HTML help/help.chm");
    EXPECT_EQ(p.RealPath(ptPDFFile), docs + "/PDF/help.pdf");
    EXPECT_EQ(p.RealPath(ptContextFile), "/work/proj/ctx/"); // no separator added or removed
    for (const char *folder : {"<Project_Folder>\\WebHelp", "<Project_Folder>\\WebHelp\\", "<Project_Folder>/WebHelp//"}) {
        p.WebHelpOutputFolder = folder;
        p.HHPFolder = folder;
        EXPECT_EQ(p.RealPath(ptWebHelpFolder), "/work/proj/WebHelp/") << folder;
        EXPECT_EQ(p.RealPath(ptHHPFolder), "/work/proj/WebHelp/") << folder;
    }
    EXPECT_EQ(p.RealPath(-1), "");
    EXPECT_EQ(p.RealPath(6), "");
    // An empty folder setting stays empty instead of becoming the root.
    p.WebHelpOutputFolder.clear();
    EXPECT_EQ(p.RealPath(ptWebHelpFolder), "");
}

TEST(Project, SmallFunctionsOfTheUnit)
{
    EXPECT_EQ(BoolToText(true), "1");
    EXPECT_EQ(BoolToText(false), "0");

    QTemporaryDir home;
    TEnvOverride h("HOME", home.path());
    TEnvOverride x("XDG_CONFIG_HOME", home.filePath("config"));
    const QString base = home.path() + "/Documents/Tavrel for Word/";
    EXPECT_EQ(GetNewProjectFolder(), base + "Project1/");
    QDir().mkpath(base + "Project1");
    EXPECT_EQ(GetNewProjectFolder(), base + "Project1/"); // empty still counts as free
    WriteBytes(base + "Project1/a.tvp", "x");
    WriteBytes(base + "Project2", "a file, not a folder");
    QDir().mkpath(base + "Project3/sub");
    EXPECT_EQ(GetNewProjectFolder(), base + "Project4/");

    TCHMProject c;
    QStringList lines{"before"};
    CHMProjectSaveToIni(c, lines, "Window");
    ASSERT_EQ(lines.size(), 1 + 1 + 42 + 1);
    EXPECT_EQ(lines[1], "[Window]");
    EXPECT_EQ(lines[2], "Top=70");
    EXPECT_EQ(lines[17], "bForward=1");
    EXPECT_EQ(lines.last(), "");
    TMemIniFile ini(lines.join("\r\n"));
    TCHMProject back;
    back.Top = 0;
    CHMProjectReadFromIni(back, ini, "window");
    EXPECT_EQ(back.Top, 70);
    EXPECT_EQ(back.PaneWidth, 300);
    EXPECT_FALSE(back.Hide);
}

TEST(Project, InstallationFolderComesFromTheEnvironmentElseBesideTheProgram)
{
    {
        TEnvOverride data("TAVREL_DATA", "/some/where/");
        EXPECT_EQ(GetInstallFolder(), "/some/where/");
        EXPECT_EQ(InstallPath("/templates/x.htm"), "/some/where/templates/x.htm");
    }
    TEnvOverride none("TAVREL_DATA", "");
    // The build copies data/ next to the test programs.
    EXPECT_EQ(GetInstallFolder(), QDir::cleanPath(QCoreApplication::applicationDirPath() + "/data") + "/");
}
