// The WebHelp writer: the generated tree, static tree, index list, search data, interface texts
// and topic-page marks against the documented specimens, tricky titles in every generated
// script and page, and the whole folder with its switches and failures.
#include "WebhelpSupport.h"

#include "output/WebHelpInterface.h"
#include "output/Webhelp.h"
#include "project/Contents.h"
#include "project/ConvertedDocument.h"
#include "project/ProjectSetting.h"
#include "support/Golden.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/functions.h"
#include "word/WordDoc.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

QByteArray readBytes(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString readUtf8(const QString &file)
{
    QByteArray b = readBytes(file);
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    return QString::fromUtf8(b);
}

QString crlf(QString s)
{
    s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return s;
}

// The three items of the tree specimens.
std::vector<TWebItem> treeSpecimen()
{
    return {{1, "Getting started", "start.htm", 1, "", "<p>x</p>"},
            {2, "Install", "install.htm", 11, "", "<p>x</p>"},
            {1, "Reference", "ref.htm", 11, "", "<p>x</p>"}};
}

// A project with an output folder inside tmp; the project itself lives in a sibling folder.
struct TSetup
{
    QTemporaryDir tmp;
    TProject project;
    TContentsItems items;
    QString out;

    TSetup()
    {
        project.RootDir = tmp.path() + "/project/";
        QDir().mkpath(project.RootDir);
        project.ProjectFilename = project.RootDir + "help.tvp";
        project.SourceFile = project.RootDir + "help.docx";
        out = tmp.path() + "/web/";
        project.WebHelpOutputFolder = out;
        project.HtmlHelpOutput = false;
        project.PDFOutput = false;
        project.WebHelpExtension = 0;
        project.ViewCompiledFile = true;
        // These tests write into the same folder again and again outside a build, with no
        // record: nothing there is anybody else's, as --replace-unrecorded says.
        project.BuildScope.ReplaceUnrecorded = true;
    }
    void fill(const std::vector<TWebItem> &entries) { FillContents(items, entries); }
};

} // namespace

TEST(Webhelp, TreeSpecimensAndTheirSwitches)
{
    TSetup s;
    s.project.DrawLines = true;
    s.project.StartFromRoot = true;
    s.project.AutoCollapse = false;
    s.project.RealColorIcon = false;
    s.fill(treeSpecimen());
    TWebHelp w(&s.project, &s.items, nullptr);

    const QString K = crlf(
        "<script>SetEnv(0,false)</script><div><nobr><a href=\"#\" onClick=\"return NodeClick('0')\"><img id=\"imgn0\" src=\"icons/daplus.gif\" class=\"p\"></a><a href=\"pages/start.htm\" onclick=\"return LinkClick('0',true,true)\" onDblClick=\"return LinkDblClick('0')\" target=\"content\" title=\"Getting started\" onmousemove=\"window.status='Getting started'\"><img id=\"img0\" src=\"icons/1.gif\" class=\"p\"> <span id=\"l0\" class=\"unselected\">Getting started</span></a></nobr></div>\n"
        "<div id=\"d0\" style=\"display:none\"><div><nobr><img src=\"icons/line.gif\" class=\"p\"><img src=\"icons/upangle.gif\" class=\"p\"><a href=\"pages/install.htm\" onclick=\"return LinkClick('1',false,true)\" target=\"content\" title=\"Install\" onmousemove=\"window.status='Install'\"><img src=\"icons/11.gif\" class=\"p\"> <span id=\"l1\" class=\"unselected\">Install</span></a></nobr></div>\n"
        "</div><div><nobr><img src=\"icons/upangle.gif\" class=\"p\"><a href=\"pages/ref.htm\" onclick=\"return LinkClick('2',false,true)\" target=\"content\" title=\"Reference\" onmousemove=\"window.status='Reference'\"><img src=\"icons/11.gif\" class=\"p\"> <span id=\"l2\" class=\"unselected\">Reference</span></a></nobr></div>\n"
        "<script>divlist = [0]</script>");
    EXPECT_EQ(w.MakeJs(), K);

    const QString K2 = crlf(
        "<script>SetEnv(0,false)</script><div><nobr><a href=\"#\"><img id=\"imgn0\" src=\"icons/daplus.gif\" class=\"p\"></a><a href=\"pages/start.htm\" target=\"content\" title=\"Getting started\"><img id=\"img0\" src=\"icons/2.gif\" class=\"p\"> <span id=\"l0\" class=\"unselected\">Getting started</span></a></nobr></div>\n"
        "<div id=\"d0\"><div><nobr><img src=\"icons/line.gif\" class=\"p\"><img src=\"icons/upangle.gif\" class=\"p\"><a href=\"pages/install.htm\" target=\"content\" title=\"Install\"><img src=\"icons/11.gif\" class=\"p\"> <span id=\"l1\" class=\"unselected\">Install</span></a></nobr></div>\n"
        "</div><div><nobr><img src=\"icons/upangle.gif\" class=\"p\"><a href=\"pages/ref.htm\" target=\"content\" title=\"Reference\"><img src=\"icons/11.gif\" class=\"p\"> <span id=\"l2\" class=\"unselected\">Reference</span></a></nobr></div>\n");
    EXPECT_EQ(w.MakeHTML(), K2);

    // Without lines, from level 2, collapsing: no junction on level 1, blank images, plus.gif.
    s.project.DrawLines = false;
    s.project.StartFromRoot = false;
    s.project.AutoCollapse = true;
    const QString tree = w.MakeJs();
    EXPECT_TRUE(tree.startsWith("<script>SetEnv(1,true)</script><div><nobr><a href=\"pages/start.htm\""));
    EXPECT_TRUE(tree.contains("<div id=\"d0\" style=\"display:none\"><div><nobr><img src=\"icons/blank.gif\" class=\"p\"><a href=\"pages/install.htm\""))
        << tree.toStdString();
    EXPECT_FALSE(tree.contains("line.gif"));
    EXPECT_FALSE(tree.contains("NodeClick"));
    EXPECT_FALSE(tree.contains("imgn0"));

    // A folder below level 1 shows plus.gif without lines.
    s.fill({{1, "A", "a.htm"}, {2, "B", "", 3}, {3, "C", "c.htm"}, {1, "D", "d.htm"}});
    const QString deep = w.MakeJs();
    EXPECT_TRUE(deep.contains("<img id=\"imgn1\" src=\"icons/plus.gif\" class=\"p\">")) << deep.toStdString();
    // A folder without a page links to "#" and says it has none; levels close at the end.
    EXPECT_TRUE(deep.contains("<a href=\"#\" onclick=\"return LinkClick('1',true,false)\""));
    EXPECT_TRUE(deep.contains("<div id=\"d0\" style=\"display:none\">") && deep.contains("<div id=\"d1\" style=\"display:none\">"));
    EXPECT_TRUE(deep.endsWith("<script>divlist = [0,1]</script>"));
    EXPECT_EQ(deep.count("<div"), deep.count("</div>"));
}

TEST(Webhelp, TreeEscapesTitlesAndKeepsOutsideAddresses)
{
    TSetup s;
    s.fill({{1, "Tom's <b>", "tom's.htm"},
            {1, "Close </script> \"now\" \\", "a\"b.htm"},
            {1, "Outside", "https://example.invalid/a\\b", 34, "", "", true},
            {1, QString::fromUcs4(U"Emoji \U0001F600"), "e.htm"}});
    TWebHelp w(&s.project, &s.items, nullptr);
    for (const QString &tree : {w.MakeJs(), w.MakeHTML()}) {
        EXPECT_TRUE(tree.contains("title=\"Tom's &lt;b&gt;\"")) << tree.toStdString();
        EXPECT_TRUE(tree.contains(">Tom's &lt;b&gt;</span>"));
        EXPECT_FALSE(tree.contains("</script> "));
        EXPECT_TRUE(tree.contains("Close &lt;/script&gt; &quot;now&quot; \\"));
        EXPECT_TRUE(tree.contains("href=\"pages/a&quot;b.htm\"")) << "a quote in a page name stays inside the attribute";
        EXPECT_TRUE(tree.contains("href=\"https://example.invalid/a/b\""));
        EXPECT_TRUE(tree.contains(QString::fromUcs4(U">Emoji \U0001F600</span>")));
    }
    const QString js = w.MakeJs();
    EXPECT_TRUE(js.contains("onmousemove=\"window.status='Tom\\'s &lt;b&gt;'\""));
    EXPECT_TRUE(js.contains("window.status='Close &lt;/script&gt; &quot;now&quot; \\\\'"));
    // A link-only entry is a leaf that has its page elsewhere.
    EXPECT_TRUE(js.contains("<a href=\"https://example.invalid/a/b\" onclick=\"return LinkClick('2',false,true)\""));
}

TEST(Webhelp, IconPairsAndTheIconsCopied)
{
    TSetup s;
    s.fill(treeSpecimen());
    TWebHelp w(&s.project, &s.items, nullptr);
    using P = std::pair<QString, QString>;
    s.project.RealColorIcon = false;
    EXPECT_EQ(w.IconArray(3, true), P("3.gif", "4.gif"));
    EXPECT_EQ(w.IconArray(4, true), P("3.gif", "4.gif"));
    EXPECT_EQ(w.IconArray(8, true), P("7.gif", "8.gif"));
    EXPECT_EQ(w.IconArray(9, true), P("9.gif", "9.gif"));
    EXPECT_EQ(w.IconArray(0, true), P("1.gif", "2.gif"));
    EXPECT_EQ(w.IconArray(-1, true), P("5.gif", "6.gif"));
    EXPECT_EQ(w.IconArray(4, false), P("4.gif", "4.gif"));
    EXPECT_EQ(w.IconArray(0, false), P("9.gif", "9.gif"));
    EXPECT_EQ(w.IconArray(-1, false), P("11.gif", "11.gif"));
    s.project.RealColorIcon = true;
    EXPECT_EQ(w.IconArray(7, true), P("1.gif", "2.gif"));
    EXPECT_EQ(w.IconArray(7, false), P("11.gif", "11.gif"));

    s.project.RealColorIcon = false;
    s.fill({{1, "Book", "", 4}, {2, "Leaf", "l.htm", 0}, {2, "None", "n.htm", -1}, {1, "Big", "b.htm", 40}});
    w.OutFolder = s.out;
    w.CopyIcon();
    QStringList icons = QDir(s.out + "icons").entryList({"*.gif"}, QDir::Files);
    for (const char *want : {"3.gif", "4.gif", "9.gif", "11.gif", "40.gif", "plus.gif", "minus.gif", "daplus.gif"})
        EXPECT_TRUE(icons.contains(want)) << want << " in " << icons.join(' ').toStdString();
    for (const char *not_ : {"1.gif", "5.gif", "12.gif"})
        EXPECT_FALSE(icons.contains(not_)) << not_;
    // The installed file and the copy are the same picture.
    EXPECT_EQ(readBytes(s.out + "icons/40.gif"), readBytes(InstallPath("webhelp/icons/40.gif")));
}

TEST(Webhelp, IndexListSpecimenAndKeywordLevels)
{
    TSetup s;
    s.fill({{1, "Fruit basics", "fruit.htm", 11, "Apple"},
            {1, "Pears", "pears.htm", 11, "Fruit/Pear\nApple"},
            {1, "Plums", "plums.htm", 11, "Fruit/Plum"}});
    TWebHelp w(&s.project, &s.items, nullptr);
    EXPECT_EQ(w.MakeIndexForWeb(),
              crlf("<option value=\"writepage([['Fruit basics','pages/fruit.htm'],['Pears','pages/pears.htm']]);\">Apple</option><option>Fruit</option>\n"
                   "<option value=\"writepage([['Pears','pages/pears.htm']]);\">&nbsp;&nbsp;&nbsp;&nbsp;Pear</option><option value=\"writepage([['Plums','pages/plums.htm']]);\">&nbsp;&nbsp;&nbsp;&nbsp;Plum</option>"));

    // No keywords, and keywords only on headings without a page: nothing.
    s.fill({{1, "A", "a.htm"}, {1, "B", "", 11, "Lost"}});
    EXPECT_EQ(w.MakeIndexForWeb(), QString());

    // A keyword that is also the group of the next one is not repeated as a group; three
    // levels make two groups; "//" stays one level; case makes two neighbouring keywords.
    s.fill({{1, "T1", "t1.htm", 11, "Fruit\nA/B/C\nTCP//IP\napple"},
            {1, "T2", "t2.htm", 11, "Fruit/Pear\nApple\n  \n"}});
    const QString list = w.MakeIndexForWeb();
    EXPECT_EQ(list.count("<option>Fruit</option>"), 0) << list.toStdString();
    EXPECT_TRUE(list.contains("<option>A</option>\r\n<option>&nbsp;&nbsp;&nbsp;&nbsp;B</option>") ||
                list.contains("<option>A</option>\r\n<option>B</option>"))
        << list.toStdString();
    EXPECT_TRUE(list.contains("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;C</option>"));
    EXPECT_TRUE(list.contains("]);\">TCP/IP</option>"));
    const qsizetype lower = list.indexOf("]);\">apple</option>");
    const qsizetype upper = list.indexOf("]);\">Apple</option>");
    ASSERT_GE(lower, 0);
    EXPECT_GT(upper, lower) << "apple and Apple are two keywords, lower case first";

    // Tricky keywords and titles stay inside the option and the script string.
    s.fill({{1, "Tom's <b> \\", "tom's.htm", 11, "</script>\n\"<q>\" & more\nBack\\slash"}});
    const QString tricky = w.MakeIndexForWeb();
    EXPECT_TRUE(tricky.contains("['Tom\\'s &lt;b&gt; \\\\','pages/tom\\'s.htm']")) << tricky.toStdString();
    EXPECT_TRUE(tricky.contains("<option>&lt;</option>"));
    EXPECT_TRUE(tricky.contains("script&gt;</option>"));
    EXPECT_TRUE(tricky.contains("]);\">&quot;&lt;q&gt;&quot; &amp; more</option>"));
    EXPECT_TRUE(tricky.contains("]);\">Back\\slash</option>"));
    EXPECT_FALSE(tricky.contains("<q>"));
    EXPECT_FALSE(tricky.contains("</script>"));
}

TEST(Webhelp, SearchDataSpecimenAndPlainText)
{
    EXPECT_EQ(TWebHelp::PlainTextForSearch("<p>One</p><p>Two</p>"), "`One`Two");
    EXPECT_EQ(TWebHelp::PlainTextForSearch("before<b>a\r\nb</b><script>x()</script>c<style>p{}</style><title>t</title>d"),
              "a  bcd");
    EXPECT_EQ(TWebHelp::PlainTextForSearch("<ul><li>x</li><li>y</li></ul>"), "`x`y`");
    EXPECT_EQ(TWebHelp::PlainTextForSearch("<p>a<br/>b<br>c<td>d"), "`ab`c`d");
    EXPECT_EQ(TWebHelp::PlainTextForSearch("<p> \r\nx &amp; &lt;y&gt; &#233;&copy;"), QString::fromUtf8("`x & <y> \u00e9\u00a9"));

    TSetup s;
    s.fill({{1, "First", "first.htm", 11, "", "<p>One</p><p>Two</p>"}});
    TWebHelp w(&s.project, &s.items, nullptr);
    w.GetTextsForSearch();
    EXPECT_EQ(w.OutputSearchJS(), "var contents = new Array(\"\\nOne\\nTwo\",\"First\",\"pages\\\\first.htm\");");

    // Every record, pages or not; quotes, backslashes, line breaks and non-BMP characters.
    s.fill({{1, "Book \"b\"", "", 1}, {2, QString::fromUcs4(U"It's \\ \U0001F600"), "sub\\x.htm", 11, "", "<p>a\"b'c\\d</p>"}});
    w.GetTextsForSearch();
    ASSERT_EQ(w.Texts.size(), 2u);
    EXPECT_EQ(w.Texts[0]->url, "pages\\");
    EXPECT_EQ(w.OutputSearchJS(),
              QString::fromUcs4(U"var contents = new Array(\"\",\"Book \\\"b\\\"\",\"pages\\\\\",\"\\na\\\"b\\'c\\\\d\",\"It\\'s \\\\ \U0001F600\",\"pages\\\\sub\\\\x.htm\");"));
    EXPECT_EQ(TWebHelp::SearchString("a\rb\nc`d"), "a\\nb\\rc\\nd");
}

TEST(Webhelp, InterfaceLanguageKeysDictionaryAndScript)
{
    EXPECT_EQ(TWebHelpInterfaceLanguage::ParseKeys("strings[\"Search\"] = \"Search\";\r\n// a comment\r\n[\" \"]\r\n\"]x[\"\r\n[\"  Print \"]\n"),
              QStringList({"Search", "Print"}));

    QTemporaryDir tmp;
    const QString keys = tmp.path() + "/languages.txt";
    WriteTextFile("strings[\"Contents\"]\r\nstrings[\"Search\"]\r\n", keys, 1);
    TWebHelpInterfaceLanguage lang(keys);
    EXPECT_EQ(lang.Names, QStringList({"Contents", "Search"}));
    TStringList dict;
    dict.Add("Contents=Inhalt");
    lang.Dictionary = &dict;
    EXPECT_EQ(lang.GetLanguageJS(), "var strings = new Object();\r\nstrings[\"Contents\"] = \"Inhalt\";\r\nstrings[\"Search\"] = \"Search\";\r\n");

    dict.Clear();
    dict.Add("search=Suchen");
    EXPECT_EQ(TWebHelpInterfaceLanguage::GetValue("Search", dict), "Suchen");
    dict.Clear();
    dict.Add("Search=");
    EXPECT_EQ(TWebHelpInterfaceLanguage::GetValue("Search", dict), "Search");
    dict.Clear();
    dict.Add("Contents=Say \"hi\" a\\b");
    dict.Add("Contents=second");
    EXPECT_EQ(TWebHelpInterfaceLanguage::GetValue("CONTENTS", dict), "Say \"hi\" a\\b");
    EXPECT_TRUE(lang.GetLanguageJS().contains("strings[\"Contents\"] = \"Say \\\"hi\\\" a\\\\b\";"));

    // A translation file round trip: every key in key order, CR LF, byte-order mark.
    const QString tsl = tmp.path() + "/x.tsl";
    TWebHelpInterfaceLanguage::WriteTslFile(tsl, lang.CreateTsl(dict));
    EXPECT_EQ(readBytes(tsl), QByteArray("\xEF\xBB\xBF" "Contents=Say \"hi\" a\\b\r\nSearch=Search\r\n"));
    EXPECT_EQ(TWebHelpInterfaceLanguage::ReadTslFile(tsl), QStringList({"Contents=Say \"hi\" a\\b", "Search=Search"}));
    EXPECT_THROW(TWebHelpInterfaceLanguage::ReadTslFile(tmp.path() + "/missing.tsl"), Exception);

    // The dialog's rows: a line break typed or pasted into a translation cannot split its line;
    // a file in UTF-16 with its mark reads, bytes that are no UTF-8 without a mark do not.
    QStringList rows = lang.LoadStrings(dict);
    lang.LoadDictionary(rows, {"Contents=", "search=Suche\r\nX=1"});
    EXPECT_EQ(rows, QStringList({"Say \"hi\" a\\b", "Suche\r\nX=1"}));
    EXPECT_EQ(lang.CreateDictionary(rows), "Contents=Say \"hi\" a\\b\r\nSearch=Suche  X=1\r\n");
    TWebHelpInterfaceLanguage::WriteTslFile(tsl, lang.CreateDictionary(rows));
    lang.SaveDictionary(rows, dict);
    EXPECT_EQ(dict.ToStringList(), TWebHelpInterfaceLanguage::ReadTslFile(tsl));
    WriteTextFile("Search=S\u00FCche\r\n", tsl, 2);
    EXPECT_EQ(TWebHelpInterfaceLanguage::ReadTslFile(tsl), QStringList({QString::fromUtf8("Search=S\u00FCche")}));
    for (const QByteArray &bad : {QByteArray("Search=S\xFC\r\n"), QByteArray("Search=S\0x\r\n", 12)}) {
        QFile f(tsl);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bad);
        f.close();
        EXPECT_THROW(TWebHelpInterfaceLanguage::ReadTslFile(tsl), Exception);
    }

    // The shipped keys and a shipped translation.
    TWebHelpInterfaceLanguage shipped;
    EXPECT_GT(shipped.Names.size(), 20);
    const QStringList german = TWebHelpInterfaceLanguage::ReadTslFile(InstallPath("webhelp/langs/German.tsl"));
    EXPECT_EQ(german.size(), shipped.Names.size());
    EXPECT_EQ(TWebHelpInterfaceLanguage::GetValue("Contents", german), QString::fromUtf8("Inhalt"));
}

TEST(Webhelp, TopicPageScriptMarkAndBodyTag)
{
    // Specimen J for a page with a blank, "&" and "=" in its name.
    const QString J = TWebHelp::SyncScript(7, "a b&c.htm", ".htm");
    EXPECT_EQ(J, crlf("<script language=\"JavaScript\" type=\"text/JavaScript\">\n"
                      "function syn(){\n"
                      "if(parent.nav.tree){\n"
                      " if(parent.nav.tree.loaded){\n"
                      "  parent.nav.tree.selectNode(7);\n"
                      " }else{\n"
                      "  setTimeout(\"syn()\",500);\n"
                      "}\n"
                      "  }else{\n"
                      "  setTimeout(\"syn()\",500);\n"
                      "  }}\n"
                      "if(parent!=self){\n"
                      "  setTimeout(\"syn()\",100);\n"
                      "}else{\n"
                      "  parent.location.href = \"../index.htm#page=a%20b%26c.htm\";\n"
                      "}\n"
                      "originalOnload = window.onload;\n"
                      "if(originalOnload==null){\n"
                      "window.onload = function(){parent.contentLoaded = true;};\n"
                      "}else{\n"
                      "window.onload = function(){originalOnload();parent.contentLoaded = true;};\n"
                      "}\n"
                      "</script> \n"));
    // A page in a sub-folder climbs one more level; a name that would end the string is encoded.
    EXPECT_TRUE(TWebHelp::SyncScript(0, "sub\\x=\"<b>.html", ".html").contains("\"../../index.html#page=sub/x%3d%22%3cb%3e.html\";"));

    EXPECT_EQ(TWebHelp::InsertAfterBody("<html><BODY bgcolor=white><p>x", "[S]"), "<html><BODY bgcolor=white>[S]<p>x");
    EXPECT_EQ(TWebHelp::InsertAfterBody("<html><body\r\nclass=a>x<body>", "[S]"), "<html><body\r\nclass=a>[S]x<body>");
    EXPECT_EQ(TWebHelp::InsertAfterBody("<!--body--><bodyx><p>no", "[S]"), "[S]<!--body--><bodyx><p>no");
    EXPECT_EQ(TWebHelp::InsertAfterBody("", "[S]"), "[S]");

    const QString mark = "<!-- saved from url=(0014)about:internet -->";
    EXPECT_EQ(TWebHelp::MarkLocalFile("<html>x</html>"),
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n" + mark + "\r\n<html>x</html>");
    EXPECT_EQ(TWebHelp::MarkLocalFile("<!doctype html>\r\n<html>"), "<!doctype html>\r\n" + mark + "\r\n<html>");
}

TEST(Webhelp, OutputWritesTheWholeFolder)
{
    TSetup s;
    std::vector<TWebItem> items;
    BasicSample(s.project, items);
    // Many characters of three UTF-8 bytes in one page.
    items[0].Body += "<p>" + QString(20000, QChar(0x4E2D)) + "</p>";
    s.fill(items);
    // An old output is emptied first.
    QDir().mkpath(s.out + "old");
    WriteTextFile("x", s.out + "old/stale.htm", 1);
    TWordDoc word(&s.project, nullptr, QString(), {}, 2);
    word.BeforeBody = "<html><head><meta name=\"keywords\" content=\"orchard\"></head><body>";

    TWebHelp w(&s.project, &s.items, &word);
    const QString result = w.Output();
    EXPECT_EQ(result, s.out + "index.htm");
    EXPECT_FALSE(QFileInfo::exists(s.out + "old"));
    EXPECT_EQ(w.DefaultPage, "welcome.htm");
    for (const char *f : {"index.htm", "indexh.htm", "webhelpframe.htm", "webhelptop.htm", "webhelptoph.htm",
                          "webhelpcontents.htm", "webhelplefth.htm", "webhelpsearch.htm", "webhelpbookmark.htm",
                          "webhelpleft.htm", "webhelptoolbar.htm", "webhelpindex.htm", "languages.js", "data.js",
                          "style.css", "back.jpg", "images/showall.gif", "images/print.gif", "icons/tshaped.gif",
                          "icons/16.gif", "pages/welcome.htm", "pages/glossary.htm"}) {
        EXPECT_TRUE(QFileInfo::exists(s.out + f)) << f;
    }
    EXPECT_FALSE(QFileInfo::exists(s.out + "pages/fruit-book.htm"));
    EXPECT_TRUE(w.Warnings.Empty()) << w.Warnings.Texts().join('\n').toStdString();

    // Frame pages and scripts carry a byte-order mark; topic pages are UTF-8 without one.
    for (const char *f : {"index.htm", "webhelpcontents.htm", "webhelpindex.htm", "languages.js", "data.js"})
        EXPECT_TRUE(readBytes(s.out + f).startsWith("\xEF\xBB\xBF")) << f;
    const QByteArray page = readBytes(s.out + "pages/welcome.htm");
    EXPECT_FALSE(page.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(page);
    EXPECT_EQ(text.count(QChar(0x4E2D)), 20000);
    EXPECT_TRUE(text.endsWith("</html>") || text.endsWith("</html>\r\n") || text.endsWith("\n"));
    EXPECT_TRUE(text.contains("charset=utf-8"));
    EXPECT_TRUE(text.contains("name=\"keywords\"")) << "the document's head is united with the template's";
    EXPECT_TRUE(text.contains("<!-- saved from url=(0014)about:internet -->"));
    EXPECT_TRUE(text.contains("parent.nav.tree.selectNode(0);"));
    const qsizetype body = text.indexOf(QRegularExpression("<body[^>]*>", QRegularExpression::CaseInsensitiveOption));
    ASSERT_GE(body, 0);
    EXPECT_EQ(text.indexOf("<script language=\"JavaScript\""), text.indexOf('>', body) + 1);
    EXPECT_TRUE(readUtf8(s.out + "pages/install.htm").contains("parent.nav.tree.selectNode(2);"));

    // Placeholders filled.
    for (const char *f : {"index.htm", "indexh.htm", "webhelpframe.htm", "webhelptop.htm", "webhelpcontents.htm",
                          "webhelplefth.htm", "webhelpindex.htm"}) {
        const QString t = readUtf8(s.out + f);
        EXPECT_FALSE(t.contains("($")) << f;
        EXPECT_TRUE(t.contains("<title>Orchard Planner Help</title>")) << f;
    }
    EXPECT_TRUE(readUtf8(s.out + "index.htm").contains("var defaultPage = 'welcome.htm';"));
    EXPECT_TRUE(readUtf8(s.out + "indexh.htm").contains("src=\"pages/welcome.htm\""));
    EXPECT_TRUE(readUtf8(s.out + "webhelpindex.htm").contains("writepage([['Pears','pages/pears.htm']]);"));
    EXPECT_TRUE(readUtf8(s.out + "webhelptop.htm").contains(" background=\"back.jpg\""));
    EXPECT_TRUE(readUtf8(s.out + "webhelpframe.htm").contains("//document"));
    EXPECT_TRUE(readUtf8(s.out + "webhelpframe.htm").contains("<!--BEGINBAR-->"));
    EXPECT_EQ(readBytes(s.out + "back.jpg"), readBytes(InstallPath("webhelp/bg/back1.jpg")));
    // The template's own files travel with the pages.
    EXPECT_TRUE(QFileInfo::exists(s.out + "pages/standard1.css"));
}

TEST(Webhelp, OutputSwitchesExtensionIndexBackgroundAndResult)
{
    TSetup s;
    std::vector<TWebItem> items;
    BasicSample(s.project, items);
    for (auto &it : items)
        if (!it.Url.isEmpty())
            it.Url.replace(".htm", ".html");
    s.fill(items);
    s.project.WebHelpExtension = 1;
    s.project.ShowIndex = false;
    s.project.WebBackground = 0;
    s.project.ViewCompiledFile = false;
    TWebHelp w(&s.project, &s.items, nullptr);
    EXPECT_EQ(w.Output(), QString());
    const QStringList names = QDir(s.out).entryList({"*.htm*"}, QDir::Files);
    EXPECT_EQ(names.size(), 12);
    for (const QString &n : names) {
        EXPECT_TRUE(n.endsWith(".html")) << n.toStdString();
        const QString t = readUtf8(s.out + n);
        EXPECT_FALSE(t.contains(QRegularExpression("\\.htm[^l]"))) << n.toStdString();
        EXPECT_FALSE(t.contains("<!--BEGINBAR-->")) << n.toStdString();
        EXPECT_FALSE(t.contains("//document")) << n.toStdString();
        EXPECT_FALSE(t.contains(" background=\"back.jpg\"")) << n.toStdString();
    }
    EXPECT_TRUE(readUtf8(s.out + "webhelpframe.html").contains("document.documentElement.className += ' wh-no-index';"));
    EXPECT_FALSE(readUtf8(s.out + "webhelpframe.html").contains("wh-tab-idx"));
    EXPECT_FALSE(QFileInfo::exists(s.out + "back.jpg"));
    EXPECT_TRUE(readUtf8(s.out + "pages/plums.html").contains("\"../index.html#page=plums.html\""));
    EXPECT_TRUE(readUtf8(s.out + "index.html").contains("var defaultPage = 'welcome.html';"));

    s.project.ViewCompiledFile = true;
    TWebHelp again(&s.project, &s.items, nullptr);
    EXPECT_EQ(again.Output(), s.out + "index.html");
}

TEST(Webhelp, TrickyTitlesInEveryPageAndScript)
{
    TSetup s;
    std::vector<TWebItem> items;
    TrickySample(s.project, items);
    s.fill(items);
    s.project.WebBackColor = "red;}</style><script>alert(1)</script>";
    TWebHelp w(&s.project, &s.items, nullptr);
    w.Output();
    const QString escapedTitle = QString::fromUcs4(U"Tricky &amp; &quot;quoted&quot; &lt;help&gt; \u00e9t\u00e9 \U0001D11E");
    QDirIterator it(s.out, {"*.html", "*.js"}, QDir::Files, QDirIterator::Subdirectories);
    int seen = 0;
    while (it.hasNext()) {
        const QString f = it.next();
        const QString t = readUtf8(f);
        ++seen;
        // The search data is a script file of its own: markup in its strings is inert there.
        if (f.endsWith("/data.js"))
            continue;
        // Nothing from the titles, keywords or settings opens or closes an element of its own.
        EXPECT_FALSE(t.contains("<help>")) << f.toStdString();
        EXPECT_FALSE(t.contains("<b> &")) << f.toStdString();
        EXPECT_FALSE(t.contains("<script>alert") || t.contains("</style>red")) << f.toStdString();
        EXPECT_FALSE(t.contains("Close </script>")) << f.toStdString();
        if (f.endsWith(".html") && !f.contains("/pages/")) {
            EXPECT_TRUE(t.contains("<title>" + escapedTitle + "</title>")) << f.toStdString();
        }
    }
    EXPECT_GT(seen, 15);
    // Page names with a quote, a blank, "&", "=", a sub-folder and other scripts.
    for (const QString &p : {QString("tom's.html"), QString("a b&c=d.html"), QString("sub/back.html"), QString::fromUtf8("\u4e2d\u6587.html")})
        EXPECT_TRUE(QFileInfo::exists(s.out + "pages/" + p)) << p.toStdString();
    EXPECT_TRUE(readUtf8(s.out + "index.html").contains("var defaultPage = 'tom\\'s.html';"));
    EXPECT_TRUE(readUtf8(s.out + "indexh.html").contains("src=\"pages/tom%27s.html\""));
    EXPECT_TRUE(readUtf8(s.out + "pages/sub/back.html").contains("\"../../index.html#page=sub/back.html\""));
    const QString data = readUtf8(s.out + "data.js");
    EXPECT_TRUE(data.contains("\"Close </script> early\""));
    EXPECT_TRUE(data.contains("\"Back\\\\slash \\\\n\""));
    EXPECT_TRUE(data.contains(QString::fromUcs4(U"\"Deep book \U0001F4D8\"")));
    EXPECT_TRUE(data.contains("\"Tom\\'s <b> & \\\"friends\\\"\""));
}

TEST(Webhelp, EmptyContentsAndRefusedFolderWriteNothing)
{
    TSetup s;
    QDir().mkpath(s.out);
    WriteTextFile("keep", s.out + "keep.txt", 1);
    s.fill({});
    TWebHelp w(&s.project, &s.items, nullptr);
    try {
        w.Output();
        FAIL() << "an empty contents list must fail";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("at least one topic")) << e.Message().toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(s.out + "keep.txt"));

    // The project's own folder is never emptied.
    s.fill(treeSpecimen());
    s.project.WebHelpOutputFolder = s.project.RootDir;
    WriteTextFile("keep", s.project.RootDir + "keep.txt", 1);
    TWebHelp refused(&s.project, &s.items, nullptr);
    EXPECT_THROW(refused.Output(), Exception);
    EXPECT_TRUE(QFileInfo::exists(s.project.RootDir + "keep.txt"));
    s.project.WebHelpOutputFolder = QString();
    TWebHelp none(&s.project, &s.items, nullptr);
    EXPECT_THROW(none.Output(), Exception);
}

TEST(Webhelp, UnwritableAndMissingFiles)
{
    TSetup s;
    s.fill(treeSpecimen());
    {
        // The folder is written privately beside its place; a frame page, a picture or a page
        // that cannot be written ends the output, naming the file, and the old folder stays.
        QDir().mkpath(s.out);
        WriteTextFile("old", s.out + "old.htm", 1);
        for (const char *name : {"webhelpsearch.htm", "images/print.gif", "icons/11.gif", "pages/install.htm", "data.js"}) {
            TScriptedMessages messages;
            TFaultyFileSystem fs;
            fs.FailName(name, TFaultyFileSystem::opWrite | TFaultyFileSystem::opCopy);
            TWebHelp w(&s.project, &s.items, nullptr);
            try {
                w.Output();
                ADD_FAILURE() << name << " could not be written, yet the output succeeded";
            } catch (const Exception &e) {
                EXPECT_TRUE(e.Message().contains(name)) << e.Message().toStdString();
            }
            EXPECT_TRUE(messages.FileNameRequests().isEmpty());
            EXPECT_EQ(QDir(s.out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"old.htm"})) << name;
            EXPECT_EQ(QDir(s.tmp.path()).entryList({".~ta*"}, QDir::AllEntries | QDir::Hidden), QStringList()) << name;
        }
    }
    {
        // An output folder that cannot be made ends the output before anything is written.
        TScriptedMessages messages;
        TFaultyFileSystem fs;
        const QString other = s.tmp.path() + "/other/web/";
        s.project.WebHelpOutputFolder = other;
        fs.Fail(s.tmp.path() + "/other", TFaultyFileSystem::opMakeDir);
        TWebHelp w(&s.project, &s.items, nullptr);
        EXPECT_THROW(w.Output(), Exception);
        EXPECT_FALSE(QFileInfo::exists(other + "pages"));
        s.project.WebHelpOutputFolder = s.out;
    }
    {
        // Installation files missing: a frame page shows the reader's error and is left out;
        // pictures, icons and the style sheet are skipped silently.
        TScriptedMessages messages;
        const QString inst = s.tmp.path() + "/install/";
        ASSERT_TRUE(CopyFolderTree(InstallPath("webhelp"), inst + "webhelp"));
        QFile::remove(inst + "webhelp/webhelpleft.htm");
        QFile::remove(inst + "webhelp/style.css");
        QFile::remove(inst + "webhelp/images/print.gif");
        QFile::remove(inst + "webhelp/icons/11.gif");
        TWebHelp w(&s.project, &s.items, nullptr);
        w.CDir = inst;
        EXPECT_NO_THROW(w.Output());
        EXPECT_FALSE(QFileInfo::exists(s.out + "webhelpleft.htm"));
        EXPECT_FALSE(QFileInfo::exists(s.out + "style.css"));
        EXPECT_FALSE(QFileInfo::exists(s.out + "images/print.gif"));
        EXPECT_TRUE(QFileInfo::exists(s.out + "images/next.gif"));
        EXPECT_TRUE(QFileInfo::exists(s.out + "webhelpcontents.htm"));
        ASSERT_EQ(messages.Errors().size(), 1);
        EXPECT_TRUE(messages.Errors()[0].contains("webhelpleft.htm"));
    }
}

// The writer takes the converted document as data: its pictures land beside the pages, and a
// name that would leave the output folder is refused into the writer's own warnings.
TEST(Webhelp, CopiesTheConvertedDocumentsFilesAndRefusesEscapingNames)
{
    TSetup s;
    std::vector<TWebItem> items;
    BasicSample(s.project, items);
    s.fill(items);
    TConvertedDocument doc;
    doc.tempDir = s.tmp.path() + "/work/";
    QDir().mkpath(doc.tempDir + "doc_files");
    WriteTextFile("p", doc.tempDir + "doc_files/pic.png", 1);
    WriteTextFile("q", doc.tempDir + "extra.css", 1);
    doc.FilesFolder = "doc_files";
    doc.AttachedFiles.Add("extra.css");
    doc.AttachedFiles.Add("../../outside.png");

    TWebHelp w(&s.project, &s.items, &doc);
    w.Output();
    EXPECT_TRUE(QFileInfo::exists(s.out + "pages/doc_files/pic.png"));
    EXPECT_TRUE(QFileInfo::exists(s.out + "pages/extra.css"));
    ASSERT_EQ(w.Warnings.Count(), 1);
    EXPECT_TRUE(w.Warnings.Texts().join('\n').contains("../../outside.png"));
}
