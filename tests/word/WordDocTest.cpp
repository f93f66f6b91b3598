// The conversion of a document into cleaned HTML and its split into topics: field parsers,
// cleaning, the splitter over marked bodies, picture and link rewriting, and whole documents
// built from snippets through DoCreate and ToContentsItems.
#include "word/WordDoc.h"
#include "DocxBuilder.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString kStyles = QStringLiteral(
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading3\"><w:name w:val=\"heading 3\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"2\"/></w:pPr></w:style>"
    "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/><w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>");

QString field(const QString &code, const QString &result = QString())
{
    QString f = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + code.toHtmlEscaped() +
                "</w:instrText></w:r>";
    if (!result.isNull())
        f += "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>" + result + "</w:t></w:r>";
    return f + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

QString H(int level, const QString &text) { return P(text, QStringLiteral("Heading%1").arg(level)); }

// A converter over a body given as text, with one empty property and keyword list per marker.
struct TSplit
{
    explicit TSplit(const QString &body, int headings = -1)
    {
        project.HtmlHelpExtension = 0;
        doc.Body = body;
        if (headings < 0)
            headings = static_cast<int>(body.count(kHeadingMarker));
        for (int i = 0; i < headings; ++i) {
            doc.Headings.push_back(std::make_unique<THeadingProperty>());
            doc.IndexList.push_back(std::make_unique<TStringList>());
        }
        doc.BookmarkAndUrls.SetSorted(true);
        doc.AttachedFiles.SetSorted(true);
        doc.ExternalFiles.SetSorted(true);
        items.Project = &project;
    }
    void run() { doc.ToContentsItems(items); }
    QString levels() const
    {
        QStringList l;
        for (int i = 0; i < items.Count(); ++i)
            l << QString::number(items[i]->Level);
        return l.join(',');
    }
    TProject project;
    TWordDoc doc{&project, nullptr, QStringLiteral("t.docx"), nullptr, 1};
    TContentsItems items;
};

QString h(int level, const QString &title, const QString &tag = QStringLiteral("h1"))
{
    return "<" + tag + ">" + kHeadingMarker + QString::number(level) + title + "</" + tag + ">\r\n";
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

TEST(WordDocFields, ParsersOfFieldCodes)
{
    EXPECT_EQ(TWordDoc::IndexKeyword(" XE \"Install:Windows\" "), "Install/Windows");
    EXPECT_EQ(TWordDoc::IndexKeyword(" XE \"\" "), "");
    // A slash of the entry stays inside its level.
    EXPECT_EQ(TWordDoc::IndexKeyword(" XE \"Network:TCP/IP\" "), "Network/TCP//IP");
    EXPECT_EQ(TWordDoc::IndexKeyword(" XE \"broken "), "");
    EXPECT_EQ(TWordDoc::RefBookmark(" REF _Ref123 \\h "), "_Ref123");
    EXPECT_EQ(TWordDoc::RefBookmark(" ref  Mark \\h"), "Mark");
    EXPECT_EQ(TWordDoc::RefBookmark(" REF _Ref123 "), "");
    EXPECT_EQ(TWordDoc::RefBookmark(" PAGEREF x \\h"), "");

    THeadingProperty p;
    EXPECT_TRUE(TWordDoc::ApplyPropertyField(" Id=1001;FileName=intro;Omit=true ", p).isEmpty());
    EXPECT_EQ(p.Id, "1001");
    EXPECT_EQ(p.FileName, "intro");
    EXPECT_TRUE(p.Omit);
    // Quotes keep separators; doubled quotes give one; the first item of a name counts.
    const QStringList unknown = TWordDoc::ApplyPropertyField("staticvar=\"A; B\"\"C\" ID=1 id=2 omit=TRUE Colour=red", p);
    EXPECT_EQ(p.StaticVar, "A; B\"C");
    EXPECT_EQ(p.Id, "1");
    EXPECT_EQ(p.FileName, "");
    EXPECT_TRUE(p.Omit);
    EXPECT_EQ(unknown, QStringList{"Colour"});
    // Broken quoting: the open quote runs to the end; nothing is lost before it.
    TWordDoc::ApplyPropertyField("Id=7;FileName=\"a;b", p);
    EXPECT_EQ(p.Id, "7");
    EXPECT_EQ(p.FileName, "a;b");
    EXPECT_FALSE(p.Omit);
}

TEST(WordDocCleaning, StyleToFileAndRemoveSections)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/";
    TWordDoc doc(nullptr, nullptr, "t.docx", nullptr, 1);
    doc.AttachedFiles.SetSorted(true);
    const QString head = doc.StyleToFile("<head><STYLE>\r\n<!--\r\np {color:red}\r\n-->\r\n</STYLE>\r\n<style type=\"text/css\">h1{}</style>"
                                         "<style> </style><title>x</title></head>",
                                         root);
    EXPECT_EQ(head, "<head><link href=\"doc_style.css\" rel=\"stylesheet\" type=\"text/css\">\r\n"
                    "<link href=\"doc_style1.css\" rel=\"stylesheet\" type=\"text/css\"><title>x</title></head>");
    EXPECT_EQ(doc.AttachedFiles.ToStringList(), (QStringList{"doc_style.css", "doc_style1.css"}));
    EXPECT_TRUE(ReadTextFile(root + "doc_style.css").contains("p {color:red}"));
    // An unterminated style element stays with the rest of the head.
    EXPECT_EQ(doc.StyleToFile("<head><style>p{}<title>t</title></head>", root), "<head><style>p{}<title>t</title></head>");

    doc.Body = "<div class=WordSection1>\r\n<h1>`~#$1One</h1>\r\n<p class=MsoNormal>text</p>\r\n"
               "<table><tr><td><p>cell</p></td></tr></table>\r\n<div class=Note><p>`~#$2Two</p><p>in</p></div>\r\n<br></div></b>";
    doc.RemoveSections();
    EXPECT_EQ(doc.Body, "\r\n<h1>`~#$1One</h1>\r\n<p class=MsoNormal>text</p>\r\n<table><tr><td><p>cell</p></td></tr></table>\r\n"
                        "<p>`~#$2Two</p><p>in</p>\r\n<br>");
}

TEST(WordDocSplit, LevelsTitlesNamesAndBooks)
{
    // Levels 1, 3, 2 give 1, 2, 2; the first heading of level 2 becomes level 1.
    TSplit a(h(2, "A") + "<p>a</p>" + h(3, "B") + "<p>b</p>" + h(2, "C") + "<p>c</p>");
    a.run();
    EXPECT_EQ(a.levels(), "1,2,2");
    EXPECT_EQ(a.doc.Warnings.Count(), 2); // the first heading and the jump from 1 to 3
    EXPECT_TRUE(a.items[0]->HasChildNode);

    TSplit b(h(1, "A") + "<p>a</p>" + h(3, "B") + "<p>b</p>" + h(3, "C") + "<p>c</p>" + h(2, "D") + "<p>d</p>");
    b.run();
    EXPECT_EQ(b.levels(), "1,2,3,2");
    EXPECT_EQ(b.items[1]->HasChildNode, true);
    EXPECT_EQ(b.items[0]->ContextNumber, "100000");
    EXPECT_EQ(b.items[3]->ContextNumber, "100030");

    // A chapter followed directly by its section is a book; its heading's bookmark leads to the
    // next page; an empty heading is "(Blank)"; a heading without content or children keeps a page;
    // the last heading with blank content becomes a book. Text before the first heading is dropped.
    TSplit c("<p>lost</p>" + h(1, "<a name=\"_Toc1\"></a>Chapter") + h(2, "Numbered") + "<p>x <a name=\"Deep\"></a></p>" +
             "<p>1.&nbsp;&nbsp;" + kHeadingMarker + "2Setup &amp; go</p>" + h(2, "") + h(2, " ") + h(1, "Empty") + h(1, "Tail") + " \r\n");
    c.run();
    ASSERT_EQ(c.items.Count(), 7);
    EXPECT_EQ(c.items[0]->Status, 2);
    EXPECT_TRUE(c.items[0]->Url.isEmpty());
    EXPECT_FALSE(c.items[0]->Accessible);
    EXPECT_EQ(c.items[0]->TitleSource, "<h1>`~#$1<a name=\"_Toc1\"></a>Chapter</h1>");
    EXPECT_EQ(c.items[1]->Url, "numbered.htm");
    EXPECT_EQ(c.items[1]->Content, "\r\n<p>x <a name=\"Deep\"></a></p>");
    EXPECT_EQ(c.items[2]->Title, "Setup & go");
    EXPECT_EQ(c.items[2]->HTMLTitle, "Setup &amp; go");
    EXPECT_EQ(c.items[3]->Title, "(Blank)");
    EXPECT_EQ(c.items[3]->Url, "blank.htm");
    EXPECT_EQ(c.items[4]->Url, "blank1.htm");
    EXPECT_EQ(c.items[5]->Status, 0);
    EXPECT_EQ(c.items[5]->Url, "empty.htm");
    EXPECT_EQ(c.items[6]->Status, 2);
    EXPECT_TRUE(c.items[6]->Url.isEmpty());
    EXPECT_EQ(c.doc.BookmarkAndUrls.Values("#_toc1"), "numbered.htm");
    EXPECT_EQ(c.doc.BookmarkAndUrls.Values("#deep"), "numbered.htm#Deep");
    EXPECT_EQ(c.doc.BookmarkAndUrls.Values("#chapter"), "");
}

TEST(WordDocSplit, PropertiesOmissionKeywordsAndLinks)
{
    TSplit s(h(1, "Intro") + "<p>see <a href=\"#_Ref1\">there</a> and <a href=\"#INTRO\">top</a> and <a href=\"#gone\">x</a></p>" +
             h(2, "Hidden") + "<p>h</p>" + h(3, "Hidden child") + "<p>hc</p>" + h(2, "Shown") + "<p><a name=\"_Ref1\"></a>s</p>" +
             h(1, "Named") + "<p>n</p>" + h(1, "Intro") + "<p>again</p>");
    s.doc.Headings[1]->Omit = true;
    s.doc.Headings[4]->FileName = "intro";
    s.doc.Headings[4]->StaticVar = "MY_NAME";
    s.doc.Headings[4]->Id = "42";
    s.doc.IndexList[0]->Add("a");
    s.doc.IndexList[0]->Add("Install/Windows");
    s.run();
    ASSERT_EQ(s.items.Count(), 4);
    EXPECT_EQ(s.items[0]->Title, "Intro");
    EXPECT_EQ(s.items[1]->Title, "Shown");
    EXPECT_EQ(s.items[1]->ContextNumber, "100030"); // omitted headings still count
    EXPECT_EQ(s.items[0]->Keywords, "a\r\nInstall/Windows\r\n");
    // An explicit name is taken as it is, even when another page uses it.
    EXPECT_EQ(s.items[2]->Url, "intro.htm");
    EXPECT_EQ(s.items[2]->StaticName, "MY_NAME");
    EXPECT_EQ(s.items[2]->ContextNumber, "42");
    EXPECT_EQ(s.items[3]->Url, "intro1.htm");
    EXPECT_EQ(s.items[3]->StaticName, "INTRO1");
    // Links to bookmarks and titles become page links; a missing one stays.
    EXPECT_EQ(s.items[0]->Content, "\r\n<p>see <a href=\"shown.htm#_Ref1\">there</a> and <a href=\"intro.htm\">top</a> and <a href=\"#gone\">x</a></p>");
    EXPECT_TRUE(s.items[0]->HasChildNode);
    EXPECT_FALSE(s.items[2]->HasChildNode);
    EXPECT_EQ(s.items[1]->Navigation, "Help &gt; <a href=\"intro.htm\">Intro</a> &gt; Shown");
    EXPECT_EQ(s.items[0]->NextPage, "shown.htm");

    // No heading at all: the caller is told.
    TSplit none("<p>just text</p>");
    EXPECT_THROW(none.run(), Exception);
    // More markers than recorded headings: an error of the caller, not a guess.
    TSplit more(h(1, "A") + h(1, "B"), 1);
    EXPECT_THROW(more.run(), Exception);
}

// The page name, the identifier and the context number of a property field go into the help
// project's line-based files: a value that could break a line or a quote there is not taken.
TEST(WordDocSplit, PropertyValuesThatWouldBreakTheHelpProjectFallBackToTheMadeOnes)
{
    TSplit s(h(1, "First") + "<p>a</p>" + h(1, "Second") + "<p>b</p>" + h(1, "Third") + "<p>c</p>");
    s.doc.Headings[0]->FileName = "first\r\n[OPTIONS]\r\nCompiled file=/tmp/evil.chm";
    s.doc.Headings[0]->StaticVar = "A\r\n#include x";
    s.doc.Headings[0]->Id = "7\r\n#define Y 8";
    s.doc.Headings[1]->FileName = "sec\"ond";
    s.doc.Headings[1]->StaticVar = "OK_NAME";
    s.doc.Headings[1]->Id = "0x10";
    s.doc.Headings[2]->FileName = QString("nul") + QChar(0) + "name";
    s.doc.Headings[2]->StaticVar = QString::fromUtf8("Größe_2");
    s.doc.Headings[2]->Id = "12";
    s.run();
    ASSERT_EQ(s.items.Count(), 3);
    EXPECT_EQ(s.items[0]->Url, "first.htm");
    EXPECT_EQ(s.items[0]->StaticName, "FIRST");
    EXPECT_EQ(s.items[0]->ContextNumber, "100000");
    EXPECT_EQ(s.items[1]->Url, "second.htm");
    EXPECT_EQ(s.items[1]->StaticName, "OK_NAME");
    EXPECT_EQ(s.items[1]->ContextNumber, "100010");
    EXPECT_EQ(s.items[2]->Url, "third.htm");
    EXPECT_EQ(s.items[2]->StaticName, QString::fromUtf8("Größe_2"));
    EXPECT_EQ(s.items[2]->ContextNumber, "12");
    // Each refusal is reported at its heading, on one line.
    int refusals = 0;
    for (const TWarning &w : s.doc.Warnings.Items()) {
        EXPECT_FALSE(w.Text().contains('\r') || w.Text().contains('\n') || w.Text().contains(QChar(0))) << w.Text().toStdString();
        refusals += w.What.contains("is used");
    }
    EXPECT_EQ(refusals, 6);
}

TEST(WordDocLinks, ShapeLinksMapsAndFlash)
{
    TWordDoc doc(nullptr, nullptr, "t.docx", nullptr, 2);
    doc.MapCodes << "<map name=\"WordMap0\">\r\n<area href=\"#x\">\r\n</map>\r\n";
    EXPECT_EQ(doc.ChangeShapeLink("<p><img src=\"a.png\" alt=\"Logo`@#^#_Toc1;;\"></p>"),
              "<p><a href=\"#_Toc1\" title=\"Logo\"><img src=\"a.png\" alt=\"Logo\" title=\"Logo\" border=\"0\"></a></p>");
    // Inside an existing link the picture is not wrapped again; a border attribute is kept.
    EXPECT_EQ(doc.ChangeShapeLink("<a href=\"u\"><img border=1 alt='`@#^http://e.com;_blank;Tip' /></a>"),
              "<a href=\"u\"><img border=1 alt='Tip' title=\"Tip\" /></a>");
    EXPECT_EQ(doc.ChangeShapeLink("<img alt=\"Description: Pic`$#!(0)\" src=c.png>"),
              "<map name=\"WordMap0\">\r\n<area href=\"#x\">\r\n</map>\r\n<img alt=\" Pic\" title=\"\" src=c.png border=\"0\" usemap=\"#WordMap0\">");
    // A map number without a map is an ordinary picture.
    EXPECT_EQ(doc.ChangeShapeLink("<img alt=\"`$#!(7)\">text"), "<img alt=\"\" title=\"\" border=\"0\">text");

    TShapeAlt alt = TWordDoc::DecodeShapeAlt("`@#^http://a;_top;");
    EXPECT_EQ(alt.Link, "http://a");
    EXPECT_EQ(alt.Target, "_top");
    EXPECT_EQ(alt.Title, "");

    auto flash = std::make_unique<TStringList>();
    flash->Add("Movie=media\\intro.swf");
    flash->Add("Playing=False");
    flash->Add("Quality=1");
    flash->Add("Quality2=High");
    flash->Add("Width=100");
    flash->Add("Height=50");
    doc.OLEObjs.push_back(std::move(flash));
    QTemporaryDir work;
    doc.tempDir = work.path() + "/";
    doc.Source = "<p>~$!!Flash:(0)</p><p>~$!!flash:(9)</p>";
    doc.ProcessOLEObj();
    EXPECT_EQ(doc.Source, "<p>\r\n<object type=\"application/x-shockwave-flash\" data=\"media/intro.swf\" width=\"100\" height=\"50\">\r\n"
                          "<param name=\"Movie\" value=\"media/intro.swf\">\r\n<param name=\"Play\" value=\"false\">\r\n"
                          "<param name=\"Quality\" value=\"High\">\r\n</object>\r\n</p><p>~$!!flash:(9)</p>");
    EXPECT_TRUE(doc.Warnings.Contains("Flash movie"));
}

TEST(WordDocLinks, LinkFormsBringFilesAlong)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/project/";
    QDir().mkpath(root + "docs");
    QDir().mkpath(dir.path() + "/other");
    auto write = [](const QString &p, const QByteArray &data) {
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(data);
    };
    write(root + "docs/manual.pdf", "a");
    write(dir.path() + "/other/manual.pdf", "b");
    write(root + "readme.txt", "c");
    TProject project;
    project.RootDir = root;
    TWordDoc web(&project, nullptr, "t.docx", nullptr, 2);
    web.tempDir = dir.path() + "/work/";
    QDir().mkpath(web.tempDir);
    web.AttachedFiles.SetSorted(true);
    web.ExternalFiles.SetSorted(true);

    const QString page = "<a href=\"file://" + root + "docs/manual.pdf\">1</a><a href=\"file://" + root + "docs/manual.pdf\">2</a>"
                         "<a href=\"file://" + dir.path() + "/other/manual.pdf\">3</a><a href=\"../../docs/manual.pdf\">4</a>"
                         "<a href=\"External:readme.txt\">5</a><a href=\"External:../../etc/passwd\">6</a>"
                         "<area shape=rect href='file:///nowhere/x.pdf'><a name=b href=http://e.com>7</a>";
    // A file outside the allowed folders, and one that would land outside the working folder,
    // lose their link and keep their text.
    EXPECT_EQ(web.ChangeUrls(page), "<a href=\"manual.pdf\">1</a><a href=\"manual.pdf\">2</a><a>3</a>"
                                    "<a href=\"manual.pdf\">4</a><a href=\"readme.txt\">5</a><a>6</a>"
                                    "<area shape=rect href='x.pdf'><a name=b href=http://e.com>7</a>");
    EXPECT_EQ(web.AttachedFiles.ToStringList(), (QStringList{"manual.pdf", "readme.txt"}));
    EXPECT_FALSE(QFileInfo::exists(web.tempDir + "manual1.pdf"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/etc"));
    EXPECT_TRUE(web.Warnings.Contains("lies outside"));
    EXPECT_TRUE(web.Warnings.Contains("does not exist"));
    EXPECT_TRUE(web.Warnings.Contains("outside the working folder"));

    // The document's script, VB script and data links, however spelt, keep only their text.
    EXPECT_EQ(web.ChangeUrls("<a href=\"javascript:alert(1)\" title=t>a</a><a href='&#106;ava&#9;script:x'>b</a>"
                             "<a href=\" VBScript:y\">c</a><area href=\"data:text/html,x\"><a href=\"javascripts.html\">d</a>"),
              "<a title=t>a</a><a>b</a><a>c</a><area><a href=\"javascripts.html\">d</a>");
    EXPECT_TRUE(web.Warnings.Contains("would run script"));

    // A name spelt in another letter case finds the file, with a warning.
    EXPECT_EQ(web.ChangeUrls("<a href=\"../../README.TXT\">"), "<a href=\"readme.txt\">");
    EXPECT_TRUE(web.Warnings.Contains("letter case"));

    TWordDoc chm(&project, nullptr, "t.docx", nullptr, 1);
    EXPECT_EQ(chm.ChangeUrls("<A HREF=\"External:x.chm\">"),
              "<A HREF=\"javascript:location.href='file:///'+location.href.substring((location.href.search(/:/)==2?14:7),"
              "location.href.lastIndexOf('\\\\')+1) + 'x.chm';\">");
    // The program's own script link carries the document's name only as string content.
    const QString hostile = chm.ChangeUrls("<a href=\"External:a&#39;;alert(1);&#39;b\">");
    EXPECT_TRUE(hostile.contains("+ 'a\\';alert(1);\\'b';\"")) << hostile.toStdString();
}

class WordDocConvert : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = dir.path() + "/";
        project.RootDir = root;
        project.HtmlHelpExtension = 0;
    }
    QString save(const TDocxBuilder &b)
    {
        const QString path = root + "source.docx";
        b.Save(path);
        return path;
    }
    QTemporaryDir dir;
    QString root;
    TProject project;
    WordApplication app;
};

TEST_F(WordDocConvert, WholeDocumentToTopics)
{
    const QString bm = "<w:bookmarkStart w:id=\"1\" w:name=\"_Ref9\"/>" + R("target") + "<w:bookmarkEnd w:id=\"1\"/>";
    const QString source = save(TDocxBuilder().Styles(kStyles).Body(
        P("before") + "<w:p>" + R("ignored") + field(" XE \"Before\" ") + "</w:p>" + H(1, "Intro") + "<w:p>" + R("Intro text") +
        field(" XE \"Install:Windows\" ") + field(" XE \"Install:Windows\" ") + "</w:p>" + H(3, "Deep") + "<w:p>" + bm + "</w:p>" +
        H(2, "Props") + "<w:p>" + field(" Id=77;FileName=props-page;StaticVar=PROPS ") + R("p") + "</w:p>" + H(1, "Hidden") +
        "<w:p>" + field(" Omit=true ") + R("h") + "</w:p>" + H(3, "Hidden child") + P("hc") + H(1, "Last") + "<w:p>" + R("see ") +
        field(" REF _Ref9 \\h ", "target") + R(" and ") + field(" REF _Ref9 ", "plain") + field(" XE \"Final\" ") +
        field(" REF Missing \\h ", "m") + "</w:p>" + "<w:p>" + field(" Id=99 ") + R("end") + "</w:p>"));
    const QByteArray before = fileHash(source);
    std::vector<int> positions;
    QString firstPass;
    for (int pass = 0; pass < 2; ++pass) {
        QString work;
        {
            TWordDoc doc(&project, &app, source, [&](TWordDoc *d) { positions.push_back(d->Position); }, 1);
            doc.DoCreate(source);
            ASSERT_EQ(doc.Headings.size(), 6u);
            TContentsItems items;
            items.Project = &project;
            doc.ToContentsItems(items);
            ASSERT_EQ(items.Count(), 4);
            EXPECT_EQ(items[0]->Title, "Intro");
            EXPECT_EQ(items[0]->Keywords, "Install/Windows\r\nInstall/Windows\r\n");
            EXPECT_EQ(items[1]->Level, 2);
            EXPECT_EQ(items[2]->Level, 2);
            EXPECT_EQ(items[2]->Url, "props-page.htm");
            EXPECT_EQ(items[2]->StaticName, "PROPS");
            EXPECT_EQ(items[2]->ContextNumber, "77");
            EXPECT_FALSE(items[2]->Content.contains("Id=77"));
            // The last topic's fields are read: keyword, property and cross-reference.
            EXPECT_EQ(items[3]->Title, "Last");
            EXPECT_EQ(items[3]->Keywords, "Final\r\n");
            EXPECT_EQ(items[3]->ContextNumber, "99");
            EXPECT_TRUE(items[3]->Content.contains("href=\"deep.htm#_Ref9\"")) << items[3]->Content.toStdString();
            EXPECT_TRUE(items[3]->Content.contains("plain"));
            EXPECT_TRUE(doc.Warnings.Contains("Missing"));
            EXPECT_TRUE(doc.BeforeBody.contains("doc_style.css"));
            EXPECT_FALSE(doc.Body.contains("WordSection1"));
            work = doc.tempDir;
            EXPECT_TRUE(QFileInfo::exists(work + "doc.htm"));
            QString all;
            for (int i = 0; i < items.Count(); ++i)
                all += items[i]->Url + items[i]->Content + items[i]->Navigation;
            if (pass == 0)
                firstPass = all;
            else
                EXPECT_EQ(all, firstPass); // the same source gives the same pages
        }
        EXPECT_FALSE(QFileInfo::exists(work));
    }
    EXPECT_EQ(fileHash(source), before);
    ASSERT_GE(positions.size(), 6u);
    EXPECT_EQ(std::vector<int>(positions.begin(), positions.begin() + 6), (std::vector<int>{0, 1, 40, 50, 80, 100}));
}

TEST_F(WordDocConvert, OmittedLastTopicAndNoHeadings)
{
    const QString source = save(TDocxBuilder().Styles(kStyles).Body(H(1, "Kept") + P("k") + H(1, "Gone") + "<w:p>" + field(" XE \"g\" ") +
                                                                    field(" Omit=true ") + R("g") + "</w:p>"));
    TWordDoc doc(&project, &app, source, nullptr, 2);
    doc.DoCreate(source);
    ASSERT_EQ(doc.Headings.size(), 2u);
    EXPECT_TRUE(doc.Headings[1]->Omit);
    EXPECT_EQ(doc.IndexList[1]->Count(), 1);
    TContentsItems items;
    doc.ToContentsItems(items);
    ASSERT_EQ(items.Count(), 1);
    EXPECT_EQ(items[0]->Url, "kept.html");

    const QString plain = save(TDocxBuilder().Styles(kStyles).Body(P("only text")));
    TWordDoc none(&project, &app, plain, nullptr, 2);
    none.DoCreate(plain);
    EXPECT_THROW(none.ToContentsItems(items), Exception);
}

TEST_F(WordDocConvert, FlashControlsBecomeObjectsAndTravelWithThePages)
{
    QDir().mkpath(root + "media");
    {
        QFile f(root + "media/intro.swf");
        f.open(QIODevice::WriteOnly);
        f.write("FWS");
    }
    auto ax = [](const QString &clsid, const QString &props) -> QByteArray {
        return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><ax:ocx xmlns:ax=\"http://schemas.microsoft.com/office/2006/activeX\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" ax:classid=\"" +
                clsid + "\">" + props + "</ax:ocx>")
            .toUtf8();
    };
    auto prop = [](const QString &n, const QString &v) -> QString { return "<ax:ocxPr ax:name=\"" + n + "\" ax:value=\"" + v + "\"/>"; };
    auto control = [](const QString &id) -> QString {
        return "<w:r><w:object w:dxaOrig=\"1440\" w:dyaOrig=\"720\"><w:control r:id=\"" + id + "\" w:name=\"c\"/></w:object></w:r>";
    };
    const QString flash = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
    const QString source = save(TDocxBuilder()
                                    .Styles(kStyles)
                                    .Relationship("rAx1", "control", "activeX/activeX1.xml")
                                    .Relationship("rAx2", "control", "activeX/activeX2.xml")
                                    .Relationship("rAx3", "control", "activeX/activeX3.xml")
                                    .Entry("word/activeX/activeX1.xml", ax(flash, prop("Movie", "media\\intro.swf") + prop("Playing", "False") +
                                                                                     prop("Quality", "1") + prop("Quality2", "High")))
                                    .Entry("word/activeX/activeX2.xml", ax(flash, prop("Movie", "../outside.swf")))
                                    .Entry("word/activeX/activeX3.xml", ax("{D7053240-CE69-11CD-A777-00DD01143C57}", QString()))
                                    .Body(H(1, "Movies") + "<w:p>" + R("first") + control("rAx1") + R("second") + control("rAx2") +
                                          control("rAx3") + "</w:p>"));
    TWordDoc doc(&project, &app, source, nullptr, 2);
    doc.DoCreate(source);
    ASSERT_EQ(doc.OLEObjs.size(), 2u);
    EXPECT_EQ(doc.OLEObjs[0]->Values("Width"), "96");
    EXPECT_EQ(doc.OLEObjs[0]->Values("Height"), "48");
    TContentsItems items;
    items.Project = &project;
    doc.ToContentsItems(items);
    ASSERT_EQ(items.Count(), 1);
    const QString content = items[0]->Content;
    const qsizetype first = content.indexOf("data=\"media/intro.swf\" width=\"96\" height=\"48\"");
    const qsizetype second = content.indexOf("data=\"../outside.swf\"");
    EXPECT_GE(first, 0) << content.toStdString();
    EXPECT_GT(second, first);
    EXPECT_TRUE(content.contains("<param name=\"Play\" value=\"false\">\r\n<param name=\"Quality\" value=\"High\">"));
    EXPECT_FALSE(content.contains("~$!!Flash"));
    // The movie inside the project travels with the pages; the one outside is refused with a warning.
    EXPECT_GE(doc.AttachedFiles.IndexOf("media/intro.swf"), 0);
    EXPECT_TRUE(doc.Warnings.Contains("outside"));
    QTemporaryDir out;
    const QString to = out.path() + "/";
    doc.CopyAttachedFiles(to);
    EXPECT_TRUE(QFileInfo::exists(to + "media/intro.swf"));
    EXPECT_TRUE(QFileInfo::exists(to + "doc_style.css"));
    EXPECT_FALSE(QFileInfo::exists(out.path() + "/../outside.swf"));
}
