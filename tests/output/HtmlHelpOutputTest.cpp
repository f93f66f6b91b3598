// The HTML Help maker: contents and index lists of small projects against hand-checked files and
// their edge cases, the context-sensitive help texts and the context file in its encodings, the page
// output with its folder guard, and whole builds compiled with chmcmd and read back.
#include "output/HtmlHelpOutput.h"
#include "output/Template.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "support/Golden.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;
using ::testing::HasSubstr;

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct TItemSpec
{
    QString title{};
    int level = 1;
    QString url{};         // empty: no page (Status 2)
    int icon = -1;
    QString keywords{};    // lines separated by "\n"
    QString staticName{};
    QString context{};
};

// A contents list as the splitter leaves it, from short descriptions.
void fill(TContentsItems &items, const std::vector<TItemSpec> &specs)
{
    for (const TItemSpec &s : specs) {
        auto item = std::make_unique<TContentsItem>();
        item->Title = s.title;
        item->HTMLTitle = s.title.toHtmlEscaped();
        item->Level = s.level;
        item->Status = s.url.isEmpty() ? 2 : 0;
        item->Accessible = item->Status == 0;
        item->Url = s.url;
        item->Icon = s.icon;
        item->Keywords = s.keywords;
        item->StaticName = s.staticName;
        item->ContextNumber = s.context;
        item->Content = "<p>Text of " + s.title.toHtmlEscaped() + "</p>";
        items.Add(std::move(item));
    }
}

QByteArray bytes(const QString &s) { return s.toUtf8(); }

// Every list opened is closed, and never more.
bool balanced(const QString &list)
{
    int depth = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.mid(i, 4) == "<UL>")
            ++depth;
        else if (list.mid(i, 5) == "</UL>" && --depth < 0)
            return false;
    }
    return depth == 0;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray packed(const std::vector<std::pair<QString, QByteArray>> &entries)
{
    QByteArray stream;
    for (const auto &e : entries)
        AppendTemplateEntry(stream, e.first, e.second);
    return stream;
}

class MakerLists : public ::testing::Test
{
protected:
    void SetUp() override
    {
        maker.Project = &project;
        maker.Contents = &items;
        items.Project = &project;
        // These tests write the same outputs again and again outside a build, with no record:
        // nothing there is anybody else's, as --replace-unrecorded says.
        project.BuildScope.ReplaceUnrecorded = true;
    }
    TProject project;
    TContentsItems items;
    THtmlHelpMaker maker;
};

} // namespace

TEST_F(MakerLists, ContentsIndexAliasAndMapOfSmallProjects)
{
    fill(items, {{"Introduction", 1, "intro.htm", -1, "Apple", "intro", "10"},
                 {"Chapter 1", 1, "", 1},
                 {"Section 1.1", 2, "sec1_1.htm", 11},
                 {"Index", 1, "index2.htm"}});
    EXPECT_GOLDEN("output/htmlhelp_contents.hhc.txt", bytes(maker.MakeHHCList()));

    QString alias, map;
    maker.MakeContextSensitive(alias, map);
    EXPECT_GOLDEN("output/htmlhelp_alias_map.txt", bytes(alias + map));

    TContentsItems fruit;
    fill(fruit, {{"Fruit basics", 1, "fruit.htm", -1, "Apple"},
                 {"Pears", 1, "pears.htm", -1, "Fruit/Pear\nApple"},
                 {"Plums", 1, "plums.htm", -1, "Fruit/Plum"}});
    maker.Contents = &fruit;
    EXPECT_GOLDEN("output/htmlhelp_index.hhk.txt", bytes(maker.MakeHHKList()));

    TContentsItems none;
    maker.Contents = &none;
    EXPECT_EQ(maker.MakeHHCList(), "");
    EXPECT_EQ(maker.MakeHHKList(), "");
}

TEST_F(MakerLists, ContentsEntriesWithoutPagesQuotesAndLinks)
{
    fill(items, {{"Say \"hi\" & <go>", 1, "a\\b&c.htm", -1, "Key", "A", "1"},
                 {"Blank heading", 1, "", -1, "Lost keyword", "B", "2"},
                 {"Deep", 2, "deep.htm", 3},
                 {"Deeper", 3, "deeper.htm"}});
    items[1]->Status = 2; // a heading without text of its own
    const QString hhc = maker.MakeHHCList();
    // A quote in a title cannot end the attribute early; the link is escaped with "/" between
    // folders.
    EXPECT_THAT(hhc.toStdString(), HasSubstr("<param name=\"Name\" value=\"Say &quot;hi&quot; & <go>\">"));
    EXPECT_THAT(hhc.toStdString(), HasSubstr("<param name=\"Local\" value=\"a/b&amp;c.htm\">"));
    EXPECT_THAT(hhc.toStdString(), HasSubstr("value=\"Blank heading\">\r\n</OBJECT>"));
    EXPECT_EQ(hhc.count("Local"), 3);
    EXPECT_EQ(SitemapParam("Name", "two\r\nlines\nhere"), "<param name=\"Name\" value=\"two lines here\">");
    EXPECT_TRUE(hhc.endsWith("</OBJECT>\r\n</UL></UL></UL>"));
    EXPECT_TRUE(balanced(hhc));
    // No index entries, aliases or map lines for the heading without a page.
    EXPECT_FALSE(maker.MakeHHKList().contains("Lost"));
    QString alias, map;
    maker.MakeContextSensitive(alias, map);
    EXPECT_EQ(alias, "CID_A = a\\b&c.htm\r\n");
    EXPECT_EQ(map, "#define CID_A 1\r\n");

    // An entry that only links to its target carries the link like a page.
    items[1]->Status = 1;
    items[1]->Url = "http://example.org/x";
    EXPECT_EQ(maker.MakeHHCList().count("Local"), 4);
}

TEST_F(MakerLists, KeywordOrderLevelsAndTransitions)
{
    fill(items, {{"One", 1, "one.htm", -1, "Apple\n  \napple\nA/B/C\nTCP//IP\nbig\\small word"},
                 {"Two", 1, "two.htm", -1, " Apple \nX/Y"},
                 {"Three", 1, "three.htm", -1, "X/Y/Z/W\nFruit\nFruit/Pear"}});
    const QString hhk = maker.MakeHHKList();
    EXPECT_TRUE(balanced(hhk)) << hhk.toStdString();
    // apple and Apple are two neighbouring objects, lower case first; the two topics with Apple
    // share one object, in document order.
    const QString apple = "<param name=\"Name\" value=\"apple\">\r\n<param name=\"Name\" value=\"One\">\r\n"
                          "<param name=\"Local\" value=\"one.htm\">\r\n</OBJECT><LI><OBJECT type=\"text/sitemap\">\r\n"
                          "<param name=\"Name\" value=\"Apple\">\r\n<param name=\"Name\" value=\"One\">\r\n"
                          "<param name=\"Local\" value=\"one.htm\">\r\n<param name=\"Name\" value=\"Two\">\r\n"
                          "<param name=\"Local\" value=\"two.htm\">\r\n</OBJECT>";
    EXPECT_THAT(hhk.toStdString(), HasSubstr(apple.toStdString()));
    // A/B/C: group objects A and B naming themselves, then C in the innermost list.
    const QString groups = "<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"A\">\r\n"
                           "<param name=\"See Also\" value=\"A\">\r\n</OBJECT>\r\n<UL>\r\n"
                           "<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"B\">\r\n"
                           "<param name=\"See Also\" value=\"B\">\r\n</OBJECT>\r\n<UL>\r\n"
                           "<LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"C\">\r\n";
    EXPECT_THAT(hhk.toStdString(), HasSubstr(groups.toStdString()));
    // "//" is a slash inside one level; a backslash and blanks survive the key.
    EXPECT_THAT(hhk.toStdString(), HasSubstr("<param name=\"Name\" value=\"TCP/IP\">"));
    EXPECT_THAT(hhk.toStdString(), HasSubstr("<param name=\"Name\" value=\"big\\small word\">"));
    // Fruit has its own object, and Fruit/Pear opens a sub-list under it without a group.
    EXPECT_THAT(hhk.toStdString(), HasSubstr("value=\"three.htm\">\r\n</OBJECT><UL>\r\n<LI><OBJECT type=\"text/sitemap\">\r\n"
                                             "<param name=\"Name\" value=\"Pear\">"));
    EXPECT_EQ(hhk.count("See Also"), 4); // the groups A, B, X and Z
    // X/Y/Z/W below X/Y: a sub-list under Y's own object holds group Z, which holds W.
    EXPECT_THAT(hhk.toStdString(), HasSubstr("value=\"two.htm\">\r\n</OBJECT><UL>\r\n<LI> <OBJECT type=\"text/sitemap\">\r\n"
                                             "<param name=\"Name\" value=\"Z\">"));
    EXPECT_TRUE(hhk.endsWith("</OBJECT></UL>\r\n</UL>\r\n</UL>\r\n</UL>")) << hhk.right(60).toStdString();

    EXPECT_EQ(KeywordLevels("a//b/c///d"), QStringList({"a/b", "c/", "d"}));
    EXPECT_EQ(KeywordLevels(""), QStringList());
    EXPECT_LT(CompareKeywordKeys("apple", "Apple"), 0);
    EXPECT_LT(CompareKeywordKeys("Apple", "banana"), 0);
    EXPECT_EQ(CompareKeywordKeys("Apple", "Apple"), 0);
}

TEST_F(MakerLists, ContextFileInItsEncodings)
{
    QTemporaryDir dir;
    project.RootDir = dir.path() + "/";
    project.HtmlHelpContextFile = "<Project_Folder>/HTML help/context.cs";
    project.HtmlHelpContextTopCode = "namespace Help {\r\n  class Ids {";
    project.HtmlHelpContextBottomCode = "  }\r\n}";
    project.HtmlHelpContextCodeTemplate = "    {%statICVarName%} = {%ContextID%}; //{%Tab%}{%Title%} in {%FileName%}";
    const QString sixty(60, 'N');
    fill(items, {{"Intro", 1, "intro.htm", -1, "", "intro_name", "10"},
                 {"No page", 1, "", -1, "", "gone", "11"},
                 {"Größe {%Tab%}", 2, "sub/size.htm", -1, "", sixty, "12"}});
    const QString file = dir.path() + "/HTML help/context.cs";

    project.HtmlHelpContextEncoding = 3;
    maker.OutputContextFile();
    const QByteArray utf8 = readAll(file);
    EXPECT_GOLDEN("output/htmlhelp_context.cs", utf8);
    ASSERT_TRUE(utf8.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(utf8.mid(3));
    // A name of 10 characters is padded with 41 blanks; one of 60 is not padded.
    EXPECT_THAT(text.toStdString(), HasSubstr(QString("CID_intro_name" + QString(41, ' ') + " = 10;").toStdString()));
    EXPECT_THAT(text.toStdString(), HasSubstr(QString("CID_" + sixty + " = 12;").toStdString()));
    // Placeholder text inside a title is the title's own text.
    EXPECT_THAT(text.toStdString(), HasSubstr("//\t\tGröße {%Tab%} in sub/size.htm"));
    EXPECT_FALSE(text.contains("gone"));

    const QString expected = text;
    project.HtmlHelpContextEncoding = 1;
    maker.OutputContextFile();
    QByteArray le = readAll(file);
    ASSERT_TRUE(le.startsWith("\xFF\xFE"));
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t *>(le.constData() + 2), (le.size() - 2) / 2), expected);
    project.HtmlHelpContextEncoding = 2;
    maker.OutputContextFile();
    QByteArray be = readAll(file);
    ASSERT_TRUE(be.startsWith("\xFE\xFF"));
    for (qsizetype i = 2; i + 1 < be.size(); i += 2)
        std::swap(be[i], be[i + 1]);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t *>(be.constData() + 2), (be.size() - 2) / 2), expected);
    // 7 is not an encoding of the list: the system code page (Windows-1252 here), no mark.
    for (int enc : {0, 7}) {
        project.HtmlHelpContextEncoding = enc;
        maker.OutputContextFile();
        const QByteArray ansi = readAll(file);
        EXPECT_EQ(ansi, EncodeCodePage(expected, 1252)) << enc;
        EXPECT_TRUE(ansi.contains("Gr\xF6\xDF" "e"));
    }

    // A template without placeholders still gives one entry per topic.
    project.HtmlHelpContextEncoding = 3;
    project.HtmlHelpContextTopCode.clear();
    project.HtmlHelpContextBottomCode = "end";
    project.HtmlHelpContextCodeTemplate = "line";
    maker.OutputContextFile();
    EXPECT_EQ(readAll(file), "\xEF\xBB\xBFline\r\nline\r\nend\r\n");

    // The context file never replaces the project file or the source document.
    project.SourceFile = "<Project_Folder>/doc.docx";
    project.HtmlHelpContextFile = "<Project_Folder>/doc.docx";
    EXPECT_THROW(maker.OutputContextFile(), Exception);
    // A file that cannot be written ends the output with its name.
    project.HtmlHelpContextFile = "<Project_Folder>/HTML help/context.cs";
    TFaultyFileSystem fs;
    fs.Fail(file, TFaultyFileSystem::opWrite);
    try {
        maker.OutputContextFile();
        FAIL();
    } catch (const Exception &e) {
        EXPECT_THAT(e.Message().toStdString(), HasSubstr(file.toStdString()));
    }
}

namespace {

class MakerOutput : public MakerLists
{
protected:
    void SetUp() override
    {
        MakerLists::SetUp();
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + "/";
        project.RootDir = root;
        project.ProjectFilename = root + "help.tvp";
        project.SourceFile = "<Project_Folder>/help.docx";
        project.Title = "Project title";
        project.HtmlHelpTitle = "Own help title";
        project.HtmlHelpOutputEncoding = "windows-1252";
        project.HtmlHelpTemplateStream = packed({{"main.htm", "<html><head><title>($title$)</title></head><body>"
                                                              "<h1>($projecttitle$)</h1>($content$)</body></html>"},
                                                 {"pics\\logo.gif", "GIF89a"}});
        maker.ProjectFolder = root + "HTML help project/";
        fill(items, {{"Intro", 1, "intro.htm"}, {"Empty", 1, ""}, {"中文 topic", 2, "cjk.htm"}});
    }
    QTemporaryDir dir;
    QString root;
};

} // namespace

TEST_F(MakerOutput, PagesCharsetReferencesAndFolder)
{
    QDir().mkpath(maker.ProjectFolder + "old");
    {
        QFile stale(maker.ProjectFolder + "old/stale.htm");
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    maker.Output();
    const QString folder = maker.ProjectFolder;
    // The folder is emptied first, then holds the template's files and one page per topic.
    EXPECT_FALSE(QFileInfo::exists(folder + "old"));
    EXPECT_EQ(readAll(folder + "pics/logo.gif"), "GIF89a");
    EXPECT_TRUE(QFileInfo::exists(folder + "intro.htm"));
    EXPECT_FALSE(QFileInfo::exists(folder + "main.htm"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({"cjk.htm", "intro.htm"}));
    EXPECT_EQ(project.CHMSetting.DefaultTopic, "intro.htm");

    const QByteArray cjk = readAll(folder + "cjk.htm");
    EXPECT_THAT(cjk.toStdString(), HasSubstr("charset=windows-1252"));
    // Characters the page's code page cannot hold become decimal references, never "?".
    EXPECT_THAT(cjk.toStdString(), HasSubstr("&#20013;&#25991; topic"));
    EXPECT_FALSE(cjk.contains('?'));
    EXPECT_THAT(cjk.toStdString(), HasSubstr("<h1>Project title</h1>"));

    project.HtmlHelpTitleSame = false;
    project.HtmlHelpOutputEncoding = "utf-8";
    maker.Output();
    const QByteArray utf8 = readAll(folder + "cjk.htm");
    EXPECT_THAT(utf8.toStdString(), HasSubstr("<h1>Own help title</h1>"));
    EXPECT_THAT(utf8.toStdString(), HasSubstr("charset=utf-8"));
    EXPECT_THAT(utf8.toStdString(), HasSubstr("中文 topic"));
}

// A template that cannot make pages (empty pages make the help compiler crash) and entry names
// that would add lines to the help project are refused before the folder is touched.
TEST_F(MakerOutput, TemplatesThatCannotMakePagesAreRefusedFirst)
{
    QDir().mkpath(maker.ProjectFolder);
    {
        QFile earlier(maker.ProjectFolder + "earlier.htm");
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    }
    const QByteArray page = "<html><body>($content$)</body></html>";
    const std::pair<const char *, QByteArray> streams[] = {
        {"empty", QByteArray()},
        {"damaged", packed({{"main.htm", page}}).chopped(3)},
        {"empty main page", packed({{"main.htm", ""}, {"a.css", "x"}})},
        {"line break in a name", packed({{"main.htm", page}, {"a.css\r\n[OPTIONS]\r\nCompiled file=/tmp/x.chm", "x"}})},
        {"quote in a name", packed({{"main.htm", page}, {"a\".css", "x"}})},
        {"NUL in a name", packed({{"main.htm", page}, {QString("a") + QChar(0) + ".css", "x"}})},
    };
    for (const auto &[what, stream] : streams) {
        SCOPED_TRACE(what);
        project.HtmlHelpTemplateStream = stream;
        try {
            maker.Output();
            ADD_FAILURE() << "no error";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.Message().contains("HTML Help page template")) << e.Message().toStdString();
        }
        EXPECT_TRUE(QFileInfo::exists(maker.ProjectFolder + "earlier.htm"));
    }
}

TEST_F(MakerOutput, RefusalsLeaveEverythingInPlace)
{
    QDir().mkpath(root + "keep");
    {
        QFile f(root + "help.tvp");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("project");
    }
    auto message = [&]() -> std::string {
        try {
            maker.Output();
        } catch (const Exception &e) {
            return e.Message().toStdString();
        }
        return "no error";
    };
    // The project's own folder, and a folder holding the project file.
    maker.ProjectFolder = root;
    EXPECT_THAT(message(), HasSubstr(root.chopped(1).toStdString()));
    maker.ProjectFolder = dir.path() + "/";
    EXPECT_NE(message(), "no error");
    EXPECT_TRUE(QFileInfo::exists(root + "help.tvp"));
    EXPECT_TRUE(QFileInfo::exists(root + "keep"));
    maker.ProjectFolder = "";
    EXPECT_NE(message(), "no error");

    // No topic with a page: nothing to compile, and nothing is deleted for it.
    maker.ProjectFolder = root + "keep/";
    for (int i = 0; i < items.Count(); ++i)
        items[i]->Status = 2;
    EXPECT_THAT(message(), HasSubstr("no page"));
    EXPECT_TRUE(QFileInfo::exists(root + "keep"));
    items.Clear();
    EXPECT_THAT(message(), HasSubstr("no headings"));
    fill(items, {{"Intro", 1, "intro.htm"}});

    // A page name that climbs out of the folder is refused.
    items[0]->Url = "../escape.htm";
    EXPECT_THAT(message(), HasSubstr("escape.htm"));
    EXPECT_FALSE(QFileInfo::exists(root + "escape.htm"));
    items[0]->Url = "intro.htm";

    // A page that cannot be written ends the output with its name.
    {
        TFaultyFileSystem fs;
        fs.Fail(root + "keep/intro.htm", TFaultyFileSystem::opWrite);
        EXPECT_THAT(message(), HasSubstr("keep/intro.htm"));
    }
    EXPECT_EQ(message(), "no error");
    // A folder that cannot be emptied is an error, not a build on top of old pages.
    {
        TFaultyFileSystem fs;
        fs.Fail(root + "keep", TFaultyFileSystem::opRemove);
        EXPECT_THAT(message(), HasSubstr("Cannot delete"));
    }

    // Never saved: nothing is written under an empty project folder.
    project.RootDir.clear();
    maker.ProjectFolder = NewTempFolderName();
    EXPECT_EQ(message(), "Save the project first: its output paths depend on the project folder.");
    DeleteFolder(maker.ProjectFolder);
}

// --- Whole builds, compiled with chmcmd and read back ----------------------------------------

#include "word/DocxBuilder.h"
#include "support/ChmReadBack.h"
#include "word/WordDoc.h"
#include "word/engine/Word.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QStandardPaths>

namespace {

bool HaveCompiler() { return !QStandardPaths::findExecutable("chmcmd").isEmpty(); }

const QString kStyles = QStringLiteral(
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>");

QString Field(const QString &code)
{
    return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + code.toHtmlEscaped() +
           "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

QString Heading(int level, const QString &text) { return P(text, QStringLiteral("Heading%1").arg(level)); }

QByteArray Hash(const QString &path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
}

} // namespace

TEST(MakerBuild, DocumentToCompiledHelpFileInAnUnusualFolder)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + "/Mein Projekt ü/";
    QDir().mkpath(root);
    TProject project;
    project.RootDir = root;
    project.ProjectFilename = root + "help.tvp";
    project.SourceFile = "<Project_Folder>/Quelle Dokument.docx";
    project.Title = "Hilfe \"Ü\"";
    project.OutputHHP = true;
    project.HtmlHelpOutputContext = true;
    project.CHMSetting.Title = project.Title;
    project.BuildScope.ReplaceUnrecorded = true; // two passes outside a build, no record
    const QString source = root + "Quelle Dokument.docx";
    const QString picture = "<w:r><w:drawing><wp:inline><wp:extent cx=\"952500\" cy=\"476250\"/><wp:docPr id=\"1\" name=\"P1\" descr=\"Logo\"/>"
                            "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
                            "<pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    TDocxBuilder()
        .Styles(kStyles)
        .Relationship("rImg", "image", "media/image1.png")
        .Entry("word/media/image1.png", TDocxBuilder::Png(4, 4))
        .Body(Heading(1, "Einführung") + "<w:p>" + R("Willkommen ") + picture + Field(" XE \"Start\" ") + Field(" Id=77 ") + "</w:p>" +
              Heading(2, "Details & mehr") + "<w:p>" + R("Mehr") + Field(" XE \"Start:Details\" ") + "</w:p>" +
              Heading(1, "Kapitel") + Heading(2, "Straße") + "<w:p>" + R("Text") + Field(" XE \"Straße\" ") + "</w:p>")
        .Save(source);
    const QByteArray before = Hash(source);

    WordApplication app;
    QByteArray firstHhp, firstHhc, firstHhk;
    for (int pass = 0; pass < 2; ++pass) {
        TWordDoc doc(&project, &app, source, nullptr, 1);
        doc.DoCreate(source);
        TContentsItems items;
        items.Project = &project;
        doc.ToContentsItems(items);
        ASSERT_EQ(items.Count(), 4);
        EXPECT_EQ(items[2]->Status, 2); // "Kapitel" has no text of its own

        THtmlHelpMaker maker;
        maker.Project = &project;
        maker.Contents = &items;
        maker.Word = &doc;
        maker.ProjectFolder = project.RealPath(ptHHPFolder);
        maker.Output();
        maker.OutputContextFile();
        const QString console = maker.Make();
        EXPECT_FALSE(console.isEmpty());

        const QString chm = project.RealPath(ptCompiledFile);
        TChmExpectations expect;
        expect.Folder = maker.ProjectFolder;
        expect.ContentsNames = QStringList({"Einführung", "Details & mehr", "Kapitel", "Straße"});
        expect.IndexNames = QStringList({"Start", "Details", "Straße"});
        expect.Title = project.Title;
        expect.DefaultTopic = items[0]->Url;
        expect.MinimumFiles = 4;
        const QStringList failures = CheckHelpFile(chm, expect);
        EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();
        // The picture travelled into the help file's folder.
        bool picture = false;
        QDirIterator it(maker.ProjectFolder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            picture |= it.next().endsWith(".png");
        EXPECT_TRUE(picture);
        EXPECT_TRUE(QFileInfo::exists(project.RealPath(ptContextFile)));

        // Two builds of one project give the same project files.
        QDir folder(maker.ProjectFolder);
        const QByteArray hhp = readAll(folder.filePath("help.hhp")), hhc = readAll(folder.filePath("help.hhc")),
                         hhk = readAll(folder.filePath("help.hhk"));
        EXPECT_FALSE(hhp.isEmpty());
        if (pass == 0) {
            firstHhp = hhp, firstHhc = hhc, firstHhk = hhk;
        } else {
            EXPECT_EQ(hhp, firstHhp);
            EXPECT_EQ(hhc, firstHhc);
            EXPECT_EQ(hhk, firstHhk);
        }
    }
    EXPECT_EQ(Hash(source), before);
}

TEST(MakerBuild, ThousandsOfPagesAreAllListed)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TProject project;
    project.RootDir = dir.path() + "/";
    project.ProjectFilename = dir.path() + "/big.tvp";
    project.CHMSetting.Title = "Big";
    TContentsItems items;
    std::vector<TItemSpec> specs;
    for (int i = 0; i < 1200; ++i)
        specs.push_back({QStringLiteral("Topic %1").arg(i), i % 3 == 0 ? 1 : 2, QStringLiteral("t%1.htm").arg(i), -1,
                         QStringLiteral("Key %1").arg(i % 50)});
    fill(items, specs);
    THtmlHelpMaker maker;
    maker.Project = &project;
    maker.Contents = &items;
    maker.ProjectFolder = NewTempFolderName();
    maker.Output();
    maker.Make();
    TChmExpectations expect;
    expect.Folder = maker.ProjectFolder;
    expect.Title = "Big";
    expect.DefaultTopic = "t0.htm";
    expect.MinimumFiles = 1200;
    const QStringList failures = CheckHelpFile(project.RealPath(ptCompiledFile), expect);
    EXPECT_TRUE(failures.isEmpty()) << failures.mid(0, 20).join("\n").toStdString();
    DeleteFolder(maker.ProjectFolder);
}
