// Reading web pages into the model: the pages the program itself writes for HTML Help and
// WebHelp, hand-made pages of the two kinds help files hold (1990s markup, styled XHTML) against
// golden dumps, the charsets, the headings pass of the help-file-to-document conversion, and
// hostile input that must give warnings, never a read outside the allowed folder.
#include "DocxBuilder.h"
#include "ModelDump.h"
#include "project/ProjectSetting.h"
#include "support/Golden.h"
#include "support/HelpPages.h"
#include "text/Exceptions.h"
#include "text/functions.h"
#include "word/engine/HtmlReader.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;
using ::testing::HasSubstr;

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

std::shared_ptr<WordDocument> openPage(WordApplication &app, const QString &page, const QString &allowed, int codePage = 0)
{
    WordOpenOptions o;
    o.Format = wdOpenFormatWebPages;
    o.Visible = false;
    o.AllowedFolder = allowed;
    o.CodePage = codePage;
    return app.Documents().Open(page, o);
}

struct THeading
{
    int Level;
    QString Style, Text;
    bool operator==(const THeading &) const = default;
};

void PrintTo(const THeading &h, std::ostream *os) { *os << h.Level << " " << h.Style.toStdString() << " \"" << h.Text.toStdString() << "\""; }

// The headings as the conversion's demotion pass finds them: GoTo heading, first then next,
// each expanded to its paragraph, until the search stays where it is.
std::vector<THeading> headingsOf(WordDocument &doc)
{
    std::vector<THeading> out;
    WordRange g = doc.GoTo(wdGoToHeading, wdGoToFirst);
    g.Expand(wdParagraph);
    int start = g.Start();
    for (int guard = 0; guard < 1000; ++guard) {
        if (g.ParagraphFormat().OutlineLevel() < 10)
            out.push_back({g.ParagraphFormat().OutlineLevel(), g.StyleName(), g.Text().trimmed()});
        g = g.GoTo(wdGoToHeading, wdGoToNext);
        if (g.Start() == start)
            break;
        start = g.Start();
        g.Expand(wdParagraph);
    }
    return out;
}

// Hyperlink fields by their code, in order.
QStringList linkCodes(WordDocument &doc)
{
    QStringList out;
    WordFields f = doc.Fields();
    for (int i = 1; i <= f.Count(); ++i)
        if (f.Item(i).Type() == wdFieldHyperlink)
            out << f.Item(i).Code().Text().simplified();
    return out;
}

std::string warningsOf(WordDocument &doc) { return doc.Warnings().Texts().join('\n').toStdString(); }

} // namespace

// --- the program's own pages -----------------------------------------------------------------------

namespace {

const QString kStyles = QStringLiteral(
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>"
    "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/><w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>");

const QString kNumbering = QStringLiteral(
    "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/>"
    "<w:pPr><w:ind w:left=\"720\" w:hanging=\"360\"/></w:pPr></w:lvl></w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>");

QString heading(int level, const QString &text) { return P(text, QStringLiteral("Heading%1").arg(level)); }

QString item(const QString &text)
{
    return "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>" + R(text) + "</w:p>";
}

QString cell(const QString &text) { return "<w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr>" + P(text) + "</w:tc>"; }

// A source document with what the reader must bring back: headings, a numbered list, a table,
// a picture, a link to a bookmark in another topic, bold and hidden text.
void makeSource(const QString &path)
{
    const QString picture = "<w:r><w:drawing><wp:inline><wp:extent cx=\"914400\" cy=\"457200\"/><wp:docPr id=\"1\" name=\"P1\" descr=\"Orchard map\"/>"
                            "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
                            "<pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    TDocxBuilder()
        .Styles(kStyles)
        .Numbering(kNumbering)
        .Relationship("rImg", "image", "media/image1.png")
        .Entry("word/media/image1.png", TDocxBuilder::Png(96, 48))
        .Body(heading(1, "Orchard") + "<w:p>" + R("Plant ") + R("bold", "<w:b/>") + R(" trees", "") + R(" secret", "<w:vanish/>") + R(" in rows.") + "</w:p>" +
              item("Dig") + item("Plant") + item("Water") +
              "<w:tbl><w:tblPr><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\"/><w:insideH w:val=\"single\" w:sz=\"4\"/></w:tblBorders></w:tblPr>"
              "<w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/></w:tblGrid>"
              "<w:tr>" + cell("Tree") + cell("Rows") + "</w:tr><w:tr>" + cell("Apple") + cell("4") + "</w:tr></w:tbl>" +
              "<w:p>" + picture + "</w:p>" +
              "<w:p>" + R("See ") + "<w:hyperlink w:anchor=\"pears\">" + R("the pears", "<w:rStyle w:val=\"Hyperlink\"/>") + "</w:hyperlink>" + R(".") + "</w:p>" +
              heading(2, "Pears") + "<w:p><w:bookmarkStart w:id=\"5\" w:name=\"pears\"/>" + R("Pears need a partner.") + "<w:bookmarkEnd w:id=\"5\"/></w:p>")
        .Save(path);
}

} // namespace

TEST(HtmlPages, TheProgramsOwnHelpPagesReadBackWithTheirStructure)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + "/";
    TProject project;
    project.RootDir = root;
    project.ProjectFilename = root + "help.tvp";
    project.SourceFile = "<Project_Folder>/source.docx";
    project.Title = "Orchard help";
    project.CHMSetting.Title = project.Title;
    project.WebHelpOutputFolder = root + "web/";
    makeSource(root + "source.docx");

    const test::THelpPages written = test::WriteHelpPages(project, root + "source.docx");
    ASSERT_EQ(written.Urls.size(), 2);
    WordApplication app;

    struct TOutput
    {
        QString Name, Folder, First, Second;
    };
    QStringList webPages;
    QDirIterator it(project.WebHelpOutputFolder, {"*.htm"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        webPages << it.next();
    auto pageOf = [&](const QString &folder, const QString &url) {
        const QStringList found = [&] {
            QStringList out;
            QDirIterator f(folder, {QFileInfo(url).fileName()}, QDir::Files, QDirIterator::Subdirectories);
            while (f.hasNext())
                out << f.next();
            return out;
        }();
        return found.value(0);
    };
    for (const QString &folder : {written.HtmlHelpFolder, written.WebHelpFolder}) {
        SCOPED_TRACE(folder.toStdString());
        const QString first = pageOf(folder, written.Urls[0]), second = pageOf(folder, written.Urls[1]);
        ASSERT_FALSE(first.isEmpty());
        ASSERT_FALSE(second.isEmpty());
        auto doc = openPage(app, first, folder);
        TDocument &m = doc->Model();
        // Our own pages are clean: no markup error, no missing picture or style sheet.
        EXPECT_EQ(warningsOf(*doc), "");

        const QString text = VisibleText(m);
        EXPECT_THAT(text.toStdString(), HasSubstr("Plant bold trees in rows."));
        EXPECT_THAT(text.toStdString(), ::testing::Not(HasSubstr("secret")));
        // The writer's list labels come back as a label and a tab.
        EXPECT_THAT(text.toStdString(), HasSubstr("1.\tDig\n2.\tPlant\n3.\tWater"));
        EXPECT_THAT(text.toStdString(), HasSubstr("Tree | Rows\nApple | 4"));
        EXPECT_THAT(text.toStdString(), HasSubstr("[picture]"));
        EXPECT_THAT(text.toStdString(), HasSubstr("See the pears."));

        // The topic's title is a heading of the page.
        const auto headings = headingsOf(*doc);
        ASSERT_FALSE(headings.empty());
        EXPECT_TRUE(std::any_of(headings.begin(), headings.end(), [](const THeading &h) { return h.Text == "Orchard"; }));
        for (const THeading &h : headings)
            EXPECT_EQ(h.Style, QStringLiteral("heading %1").arg(h.Level));

        // The table is a table, the picture a linked picture that exists below the folder.
        bool table = false;
        for (const TBlock &b : m.Body.Blocks)
            table |= b.Table && b.Table->Rows.size() == 2 && b.Table->Rows[0].Cells.size() == 2;
        EXPECT_TRUE(table);
        WordShapes shapes = doc->InlineShapes();
        ASSERT_GE(shapes.Count(), 1);
        int maps = 0;
        for (int i = 1; i <= shapes.Count(); ++i) {
            WordShape s = shapes.Item(i);
            EXPECT_EQ(s.Type(), 4);
            EXPECT_TRUE(s.LinkSource().startsWith(QFileInfo(folder).canonicalFilePath() + "/"));
            EXPECT_TRUE(QFileInfo(s.LinkSource()).isFile());
            if (s.AlternativeText() == "Orchard map") {
                ++maps;
                EXPECT_NEAR(s.Width(), 72, 1);
                EXPECT_NEAR(s.Height(), 36, 1);
            }
        }
        EXPECT_EQ(maps, 1);

        // The link to the other topic's bookmark, and that bookmark in the other page.
        const QStringList links = linkCodes(*doc);
        EXPECT_TRUE(std::any_of(links.begin(), links.end(), [&](const QString &c) {
            return c.contains("\"" + QFileInfo(second).fileName() + "\"");
        })) << links.join('\n').toStdString();
        auto other = openPage(app, second, folder);
        EXPECT_TRUE(other->BookmarkExists("pears")) << other->BookmarkNames().join(',').toStdString();
        EXPECT_THAT(VisibleText(other->Model()).toStdString(), HasSubstr("Pears need a partner."));
    }
}

// The committed WebHelp samples are the writer's output too: every page reads without a warning
// and keeps its title, its links and its text.
TEST(HtmlPages, CommittedWebHelpSamplePagesReadCleanly)
{
    WordApplication app;
    const QString folder = FixturePath("webhelp-sample/basic");
    QDirIterator it(folder + "/pages", {"*.htm"}, QDir::Files);
    int pages = 0;
    while (it.hasNext()) {
        const QString page = it.next();
        SCOPED_TRACE(page.toStdString());
        auto doc = openPage(app, page, folder);
        // The sample's pages hold a table inside a paragraph, which is a markup error and no more.
        for (const TWarning &w : doc->Warnings().Items())
            EXPECT_THAT(w.What.toStdString(), HasSubstr("markup has")) << w.Text().toStdString();
        const auto headings = headingsOf(*doc);
        ASSERT_FALSE(headings.empty());
        EXPECT_EQ(headings.front().Level, 1);
        ++pages;
    }
    EXPECT_GE(pages, 10);
    auto fruit = openPage(app, folder + "/pages/fruit.htm", folder);
    EXPECT_EQ(warningsOf(*fruit), "");
    EXPECT_EQ(VisibleText(fruit->Model()).toStdString(),
              "[picture][picture]\n"
              "Orchard Planner Help\n"
              "Help > Fruit > Fruit basics\n"
              "Fruit basics\n"
              "Apples and pears are pome fruit; plums and cherries are stone fruit.\n"
              "Most fruit trees need a second variety nearby for pollination; a pear needs another pear.\n"
              "<<PreviousNext>>\n"
              "Copyright 2024 Orchard Planner team");
    EXPECT_EQ(linkCodes(*fruit), QStringList({"HYPERLINK \"first_plan.htm\" \\o \"Previous\"", "HYPERLINK \"pears.htm\" \\o \"Next\"",
                                             "HYPERLINK \"fruit.htm\"", "HYPERLINK \"first_plan.htm\"", "HYPERLINK \"pears.htm\""}));
}

// --- hand-made pages --------------------------------------------------------------------------------

TEST(HtmlPages, NinetiesMarkupReadsAsBrowsersShowIt)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/help";
    ASSERT_TRUE(CopyFolderTree(FixturePath("html/legacy"), root));
    writeFile(root + "/images/logo.gif", TDocxBuilder::Png(32, 16));
    writeFile(dir.path() + "/outside.png", TDocxBuilder::Png());
    WordApplication app;
    auto doc = openPage(app, root + "/legacy.htm", root, 1252);
    TDocument &m = doc->Model();
    EXPECT_GOLDEN("html/legacy.txt", DumpModel(m, QFileInfo(root).canonicalFilePath()).toUtf8());
    EXPECT_EQ(VisibleText(m).toStdString(),
              QString::fromUtf8("Orchard Planner\n"
                                "Getting started\n"
                                "Welcome to Orchard Planner, version 3\u00a0\u00a9 1998 \u2013 H2O and E=mc2.\n"
                                "The caf\u00e9 sells \u201cfresh\u201d fruit for 5 \u20ac; see Installing, the other page or the web.\n"
                                "[picture] Outside picture\n"
                                "Installing\n"
                                "c. Unpack the archive\n"
                                "d. Run setup\n"
                                "i. Choose a folder\n"
                                "ii. Confirm\n"
                                "e. Restart\n"
                                "\u2022 Apples\n"
                                "\u2022 Pears\n"
                                "o Conference\n"
                                "Graft\n"
                                "Joining two plants.\n"
                                "Rootstock\n"
                                "The lower part.\n"
                                "An apple a day keeps the doctor away.\n"
                                "  line one\n    line two\n"
                                "\n"
                                "Fruit | Season\n"
                                "Apple | Red | Autumn\n"
                                " | Green | Summer\n"
                                "Small print\nsecond line\n"
                                "Crossed tags and a stray end tag; a & b < c &unknown; \u2013 done. Related topics\n"
                                "Back to top").toStdString());
    EXPECT_EQ(headingsOf(*doc), (std::vector<THeading>{{1, "heading 1", "Getting started"}, {2, "heading 2", "Installing"}}));
    EXPECT_EQ(doc->BookmarkNames(), QStringList({"top", "install"}));
    EXPECT_EQ(linkCodes(*doc), QStringList({"HYPERLINK \\l \"install\"", "HYPERLINK \"other.htm\" \\l \"part2\" \\o \"Other page\"",
                                           "HYPERLINK \"http://example.com/\"", "HYPERLINK \\l \"top\""}));
    const QString warnings = QString::fromStdString(warningsOf(*doc));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("\"../outside.png\" is left out: it lies outside the folder"));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("\"missing.gif\" is left out: it does not exist"));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("\"Images/Logo.GIF\" is found in another letter case"));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("embedded object"));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("legacy.htm, line "));
}

TEST(HtmlPages, StyleSheetsCascadeOntoTheModel)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/help";
    ASSERT_TRUE(CopyFolderTree(FixturePath("html/styled"), root));
    writeFile(root + "/pics/chart.png", TDocxBuilder::Png(192, 96));
    writeFile(dir.path() + "/outside.css", "body { color: red !important }");
    WordApplication app;
    auto doc = openPage(app, root + "/styled.htm", root);
    TDocument &m = doc->Model();
    EXPECT_GOLDEN("html/styled.txt", DumpModel(m, QFileInfo(root).canonicalFilePath()).toUtf8());
    EXPECT_EQ(VisibleText(m).toStdString(), QString::fromUtf8("Styled page\n"
                                                "Lead paragraph.\n"
                                                "Important red beats inline blue.\n"
                                                "Note inside a box.\n"
                                                "Second note paragraph.\n"
                                                "Visible text and marked words.\n"
                                                "Lists\n"
                                                "I. First\n"
                                                "X. Tenth\n"
                                                "XI. Eleventh\n"
                                                "Plain item\n"
                                                "Table\n"
                                                "Prices\n"
                                                "Item | Price\n"
                                                "Apple | 1.00\n"
                                                "Pear | 2.00\n"
                                                "Total | 3.00\n"
                                                "Picture: [picture] and a dot [picture] inline.\n"
                                                "Jump to the top, to the hidden anchor, run a script.\n"
                                                "Heading four\n"
                                                "Heading five\n"
                                                "Heading six\n"
                                                "Indented justified paragraph with a hanging first line.\n"
                                                "Entities: <tag> & \"quoted\" \u00e9\u00fc\u00df \u263a \u20ac \u2014 \u00fcn\u00efc\u00f6d\u00e9").toStdString());
    EXPECT_EQ(headingsOf(*doc), (std::vector<THeading>{{1, "heading 1", "Styled page"},
                                                       {2, "heading 2", "Lists"},
                                                       {3, "heading 3", "Table"},
                                                       {4, "heading 4", "Heading four"},
                                                       {5, "heading 5", "Heading five"},
                                                       {6, "heading 6", "Heading six"}}));
    // The hidden paragraph's anchor is still a target.
    EXPECT_EQ(doc->BookmarkNames(), QStringList({"intro", "special", "hidden-anchor"}));
    // What the styles give, as the demotion pass copies it from them.
    const TStyle *h1 = m.Styles.Find("Heading1");
    ASSERT_TRUE(h1);
    EXPECT_EQ(h1->RPr.Font.value_or(""), "Georgia");
    EXPECT_EQ(h1->RPr.Size.value_or(0), 40);
    EXPECT_EQ(h1->RPr.Color.value_or(""), "003366");
    EXPECT_FALSE(m.Styles.ChainRPr("Heading1").Bold.value_or(false)); // the imported sheet's rule
    EXPECT_EQ(h1->PPr.Align.value_or(""), "center");
    const TStyle *normal = m.Styles.Find("Normal");
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->RPr.Font.value_or(""), "Verdana");
    EXPECT_EQ(normal->RPr.Size.value_or(0), 20);
    EXPECT_EQ(normal->RPr.Color.value_or(""), "333333"); // the print-only and the alternate sheet do not apply
    const QString warnings = QString::fromStdString(warningsOf(*doc));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("\"css/missing.css\" is not read: it does not exist"));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("\"../../outside.css\" is not read: it lies outside"));
    EXPECT_THAT(warnings.toStdString(), HasSubstr("A link that runs a script is kept as plain text"));
}

// --- charsets -----------------------------------------------------------------------------------

namespace {

struct TCharsetCase
{
    const char *Name;
    QByteArray Bytes;
    int CodePage;
    QString Text;
    bool Warns;
};

void PrintTo(const TCharsetCase &c, std::ostream *os) { *os << c.Name; }

QByteArray utf16(const QString &s, bool little, bool mark)
{
    QByteArray out;
    if (mark)
        out += little ? QByteArray("\xFF\xFE", 2) : QByteArray("\xFE\xFF", 2);
    for (QChar c : s) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    return out;
}

class Charsets : public ::testing::TestWithParam<TCharsetCase>
{
};

} // namespace

TEST_P(Charsets, PageTextDecodesAsDeclared)
{
    const TCharsetCase &c = GetParam();
    THtmlReadOptions o;
    o.CodePage = c.CodePage;
    o.DisplayName = "page.htm";
    auto doc = ReadHtmlBytes(c.Bytes, QString(), o);
    EXPECT_EQ(VisibleText(*doc).toStdString(), c.Text.toStdString());
    EXPECT_EQ(!doc->Warnings.Empty(), c.Warns) << doc->Warnings.Texts().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    HtmlPages, Charsets,
    ::testing::Values(
        TCharsetCase{"utf8_mark", "\xEF\xBB\xBF<p>Gr\xC3\xBC\xC3\x9F" "e</p>", 1252, QString::fromUtf8("Grüße"), false},
        TCharsetCase{"utf16le_mark", utf16("<p>Grüße 日本</p>", true, true), 0, QString::fromUtf8("Grüße 日本"), false},
        TCharsetCase{"utf16be_mark", utf16("<p>Grüße 日本</p>", false, true), 0, QString::fromUtf8("Grüße 日本"), false},
        TCharsetCase{"utf16le_unmarked", utf16("<p>Grüße</p>", true, false), 1252, QString::fromUtf8("Grüße"), false},
        TCharsetCase{"meta_charset", "<meta charset=windows-1251><p>\xCF\xF0\xE8\xE2\xE5\xF2</p>", 1252, QString::fromUtf8("Привет"), false},
        TCharsetCase{"http_equiv", "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift_JIS\"><p>\x93\xFA\x96\x7B</p>", 1252,
                     QString::fromUtf8("日本"), false},
        TCharsetCase{"xml_declaration", "<?xml version=\"1.0\" encoding=\"iso-8859-2\"?><html><body><p>\xB1\xE6</p></body></html>", 1252,
                     QString::fromUtf8("ąć"), false},
        TCharsetCase{"callers_code_page", "<p>caf\xE9</p>", 1252, QString::fromUtf8("café"), false},
        TCharsetCase{"unmarked_utf8", "<p>caf\xC3\xA9</p>", 0, QString::fromUtf8("café"), false},
        TCharsetCase{"unknown_charset", "<meta charset=\"x-klingon\"><p>caf\xE9</p>", 1252, QString::fromUtf8("café"), true},
        TCharsetCase{"charset_in_text_is_text", "<p>charset=koi8-r caf\xE9</p>", 1252, QString::fromUtf8("charset=koi8-r café"), false},
        TCharsetCase{"c1_references_are_windows_1252", "<p>&#147;quoted&#148; &#128;</p>", 0, QString::fromUtf8("“quoted” €"), false}),
    [](const auto &info) { return std::string(info.param.Name); });

// --- bad input ------------------------------------------------------------------------------------

TEST(HtmlPages, HostileInputIsAWarningNeverAReadOutsideTheFolder)
{
    QTemporaryDir dir;
    const QString base = QFileInfo(dir.path()).canonicalFilePath();
    const QString root = base + "/allowed";
    writeFile(base + "/secret.css", "p { color: #FF0000 !important }");
    writeFile(base + "/secret.png", TDocxBuilder::Png(50, 50));
    writeFile(root + "/ok.png", TDocxBuilder::Png(10, 10));
    writeFile(root + "/huge.png", TDocxBuilder::Png(10, 10) + QByteArray(5000, '\0'));
    QDir().mkpath(root + "/folder.png");
    ASSERT_TRUE(QFile::link(base + "/secret.png", root + "/link.png"));
    ASSERT_TRUE(QFile::link(base, root + "/linkdir"));
    ASSERT_TRUE(QFile::link(base + "/secret.css", root + "/link.css"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/fifo.png").constData(), 0600), 0);
    // Megabytes of rules, one sheet over the size limit.
    QByteArray rules;
    for (int i = 0; i < 60000; ++i)
        rules += ".c" + QByteArray::number(i) + " { color: #123456; margin: 1px 2px }\n";
    writeFile(root + "/many.css", rules);
    writeFile(root + "/big.css", QByteArray(3000, ' ') + "p { color: #00FF00 }");
    const QString page = "<html><head>"
                         "<link rel=stylesheet href=\"../secret.css\"><link rel=stylesheet href=\"" + base + "/secret.css\">"
                         "<link rel=stylesheet href=\"file://" + base + "/secret.css\"><link rel=stylesheet href=\"link.css\">"
                         "<link rel=stylesheet href=\"big.css\">"
                         "<style>@import url(linkdir/secret.css); @import \"http://example.com/x.css\";</style></head><body>"
                         "<p>Text <img src=\"../secret.png\"><img src=\"" + base + "/secret.png\"><img src=\"link.png\">"
                         "<img src=\"linkdir/secret.png\"><img src=\"fifo.png\"><img src=\"folder.png\"><img src=\"huge.png\">"
                         "<img src=\"http://example.com/x.png\"><img src=\"C:\\x.png\"><img src=\"ok.png\"></p>";
    writeFile(root + "/page.htm", page.toUtf8());

    THtmlReadOptions o;
    o.AllowedFolder = root;
    o.MaxPictureBytes = 4000;
    o.MaxStyleSheetBytes = 2000;
    auto doc = ReadHtml(root + "/page.htm", o);
    // Only the one picture inside the folder is linked; no rule from outside applied.
    int pictures = 0;
    for (TParagraph *p : doc->Body.Paragraphs())
        for (const TInline &in : p->Inlines) {
            if (in.Kind == TInlineKind::Shape) {
                ++pictures;
                EXPECT_EQ(in.Shape->LinkTarget, root + "/ok.png");
            }
            if (in.Props && in.Props->Color) {
                EXPECT_NE(*in.Props->Color, "FF0000");
            }
        }
    EXPECT_EQ(pictures, 1);
    const QString warnings = doc->Warnings.Texts().join('\n');
    for (const char *expected : {"\"../secret.css\" is not read: it lies outside", "\"link.css\" is not read: it leads outside",
                                 "\"linkdir/secret.css\" is not read: it leads outside", "\"http://example.com/x.css\" is not read: it is not a local file",
                                 "\"big.css\" is not read: it is larger than 2000 bytes",
                                 "\"../secret.png\" is left out: it lies outside", "\"link.png\" is left out: it leads outside",
                                 "\"fifo.png\" is left out: it is not a regular file", "\"folder.png\" is left out: it is not a regular file",
                                 "\"huge.png\" is left out: it is larger than 4000 bytes", "\"http://example.com/x.png\" is left out: it is not a local file",
                                 "\"C:\\x.png\" is left out: it names a drive"})
        EXPECT_THAT(warnings.toStdString(), HasSubstr(expected));

    // A sheet of megabytes of rules is read up to the rule limit.
    writeFile(root + "/rules.htm", "<link rel=stylesheet href=\"many.css\"><p class=\"c7\">styled</p>");
    auto ruled = ReadHtml(root + "/rules.htm", THtmlReadOptions());
    EXPECT_THAT(ruled->Warnings.Texts().join('\n').toStdString(), HasSubstr("many.css: A style sheet has more than 50000 rules"));
    EXPECT_EQ(ruled->Body.ParagraphAt(0)->Inlines.at(0).Props->Color.value_or(""), "123456");

    // Deep nesting keeps the text; markup that is not HTML reads as text; neither crashes.
    QByteArray deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<div><span>";
    deep += "deep text";
    auto nested = ReadHtmlBytes(deep, QString(), THtmlReadOptions());
    EXPECT_EQ(VisibleText(*nested).toStdString(), "deep text");
    EXPECT_THAT(nested->Warnings.Texts().join('\n').toStdString(), HasSubstr("deeper than"));
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 7919) % 251 + 1);
    auto junk = ReadHtmlBytes(binary, QString(), THtmlReadOptions());
    EXPECT_FALSE(junk->Warnings.Empty());
    EXPECT_GE(junk->Body.ParagraphCount(), 1);
    // A page beyond the size limit is refused with its name.
    o.MaxPageBytes = 100;
    try {
        ReadHtml(root + "/page.htm", o);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_THAT(e.Message().toStdString(), HasSubstr("page.htm"));
    }
}
