// The page engine: button placeholders, gray buttons, head merging and the making of pages.
#include "output/Template.h"
#include "output/TemplateEngine.h"
#include "project/Contents.h"
#include "support/Golden.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {

QByteArray packed(const std::vector<std::pair<QString, QByteArray>> &entries)
{
    QByteArray stream;
    for (const auto &e : entries)
        AppendTemplateEntry(stream, e.first, e.second);
    return stream;
}

QByteArray page(const QString &text) { return text.toUtf8(); }

TContentsItem item(const QString &title, const QString &last, const QString &next)
{
    TContentsItem i;
    i.Title = title;
    i.HTMLTitle = title;
    i.Content = QStringLiteral("<p>") + title + QStringLiteral("</p>");
    i.LastPage = last;
    i.NextPage = next;
    return i;
}

QStringList names(const THEADElements &head)
{
    QStringList r;
    for (int i = 0; i < head.Count(); ++i)
        r << head[i]->InnerHTML;
    return r;
}

} // namespace

TEST(TemplateButtons, PlaceholdersFollowTheNameAndExtensionRules)
{
    // The first button image in .bmp is not a button and the search goes on; a later .gif one
    // sets the extension, and from then on only that extension counts.
    const QByteArray s1 = packed({{"t.htm", page("<img src=\"btn_next_n.bmp\"><img src=\"btn_prev_n.gif\" alt=x>"
                                                "<IMG SRC=\"btn_next_n.gif\"><img src=\"btn_next_n.png\">")}});
    TTemplate t1(s1, "Back", "On");
    EXPECT_EQ(t1.pn->Extension, ".gif");
    EXPECT_TRUE(t1.pn->Prev);
    EXPECT_TRUE(t1.pn->Next);
    EXPECT_EQ(t1.pn->Prev_Title, "Back");
    EXPECT_EQ(t1.pn->Next_Title, "On");
    EXPECT_EQ(t1.TempSource, "<img src=\"btn_next_n.bmp\">($previmg$)($nextimg$)<img src=\"btn_next_n.png\">");

    // An upper-case name is an ordinary image; an upper-case extension is a button whose
    // extension is lower-cased, so the page then refers to btn_prev_n.gif.
    const QByteArray s2 = packed({{"t.htm", page("<img src=BTN_PREV_N.GIF><img src=btn_prev_n.GIF>")}});
    TTemplate t2(s2, "Previous", "Next");
    EXPECT_EQ(t2.pn->Extension, ".gif");
    EXPECT_EQ(t2.TempSource, "<img src=BTN_PREV_N.GIF>($previmg$)");
    EXPECT_FALSE(t2.pn->Next);
    EXPECT_TRUE(t2.MakePage(item("A", "a.htm", "")).contains("src=\"btn_prev_n.gif\""));

    // A button given with a folder stays as written; so does everything after an unclosed tag.
    const QByteArray s3 = packed({{"t.htm", page("<img src=\"images/btn_prev_n.gif\"> <img src=btn_next_n.jpg> <img src=btn_prev_n.jpg")}});
    TTemplate t3(s3);
    EXPECT_EQ(t3.TempSource, "<img src=\"images/btn_prev_n.gif\"> ($nextimg$) <img src=btn_prev_n.jpg");
    EXPECT_EQ(t3.pn->Extension, ".jpg");
    EXPECT_FALSE(t3.pn->Prev);

    // No button images: nothing set.
    const QByteArray t4Stream = packed({{"t.htm", page("<p><img src=logo.png></p>")}});
    TTemplate t4(t4Stream);
    EXPECT_TRUE(t4.pn->Extension.isEmpty());
    EXPECT_FALSE(t4.pn->Prev || t4.pn->Next || t4.pn->Prev_Gray || t4.pn->Next_Gray);
}

TEST(TemplateButtons, GrayButtonsOnFirstAndLastTopics)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The gray image is a .gif but is referred to with the normal buttons' extension.
    const QByteArray stream = packed({{"t.htm", page("<p>($previmg$)</p><img src=\"btn_prev_n.png\"><img src=\"btn_next_n.png\">")},
                                      {"btn_prev_n.png", "P"},
                                      {"btn_next_n.png", "N"},
                                      {"images\\Btn_Prev_G.gif", "G"}});
    TTemplate t(stream, "Previous", "Next");
    EXPECT_FALSE(t.pn->Prev_Gray);
    t.CopyAttachedFiles(dir.path() + "/");
    EXPECT_TRUE(t.pn->Prev_Gray);
    EXPECT_FALSE(t.pn->Next_Gray);

    const QString first = t.MakePage(item("One", "", "two.htm"));
    EXPECT_EQ(first, "<p><img id=\"tavrel_template_prev\" alt=\"Previous\" src=\"btn_prev_g.png\" border=\"0\"></p>"
                     "<img id=\"tavrel_template_prev\" alt=\"Previous\" src=\"btn_prev_g.png\" border=\"0\">"
                     "<A href=\"two.htm\" title=\"Next\"><img id=\"tavrel_template_next\" alt=\"Next\" src=\"btn_next_n.png\" border=\"0\"></a>");
    const QString middle = t.MakePage(item("Two", "one.htm", "three.htm"));
    EXPECT_EQ(middle.count("<A href=\"one.htm\" title=\"Previous\"><img id=\"tavrel_template_prev\" alt=\"Previous\" src=\"btn_prev_n.png\" border=\"0\"></a>"), 2);
    EXPECT_TRUE(middle.endsWith("<A href=\"three.htm\" title=\"Next\"><img id=\"tavrel_template_next\" alt=\"Next\" src=\"btn_next_n.png\" border=\"0\"></a>"));
    // No gray next image in the package: the last topic has no next button at all.
    const QString last = t.MakePage(item("Three", "two.htm", ""));
    EXPECT_FALSE(last.contains("tavrel_template_next"));
    EXPECT_TRUE(last.endsWith("border=\"0\"></a>"));
}

TEST(TemplateButtons, TextLinksForPreviousAndNext)
{
    const QByteArray tStream = packed({{"t.htm", page("[($PREV$)|($Next$)]")}});
    TTemplate t(tStream, "Back", "Forward");
    EXPECT_EQ(t.MakePage(item("x", "", "b.htm")), "[&lt;&lt;Back|<A href=\"b.htm\">Forward&gt;&gt;</a>]");
    EXPECT_EQ(t.MakePage(item("x", "sub/a.htm", "")), "[<A href=\"sub/a.htm\">&lt;&lt;Back</a>|Forward&gt;&gt;]");
    // The one-argument constructor leaves the hint texts empty.
    const QByteArray bareStream = packed({{"t.htm", page("($prev$)")}});
    TTemplate bare(bareStream);
    EXPECT_EQ(bare.MakePage(item("x", "", "")), "&lt;&lt;");
}

TEST(TemplateAttachedFiles, WritesAllButTheMainPageInsideTheFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString to = dir.path() + "/pages/";
    ASSERT_TRUE(QDir().mkpath(to));
    QFile old(to + "style.css");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    const QByteArray tStream = packed({{"main.htm", page("<html></html>")}, {"style.css", "new"}, {"images\\deep\\a.gif", "GIF"}});
    TTemplate t(tStream);
    t.CopyAttachedFiles(to);
    EXPECT_FALSE(QFile::exists(to + "main.htm"));
    QFile css(to + "style.css");
    ASSERT_TRUE(css.open(QIODevice::ReadOnly));
    EXPECT_EQ(css.readAll(), "new");
    QFile gif(to + "images/deep/a.gif");
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    EXPECT_EQ(gif.readAll(), "GIF");

    // A name that climbs out refuses the whole package before anything is written.
    const QString to2 = dir.path() + "/other/";
    const QByteArray badStream = packed({{"main.htm", page("x")}, {"first.css", "1"}, {"..\\escape.txt", "2"}});
    TTemplate bad(badStream);
    EXPECT_THROW(bad.CopyAttachedFiles(to2), Exception);
    EXPECT_FALSE(QFile::exists(to2 + "first.css"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/escape.txt"));
    const QByteArray absoluteStream = packed({{"main.htm", page("x")}, {"/tmp/abs.txt", "2"}});
    TTemplate absolute(absoluteStream);
    EXPECT_THROW(absolute.CopyAttachedFiles(to2), Exception);

    // A file that cannot be written is an error naming it; the files before it stay.
    test::TFaultyFileSystem fs;
    fs.Fail(to + "b.css", test::TFaultyFileSystem::opWrite);
    const QByteArray t2Stream = packed({{"main.htm", page("x")}, {"a.css", "A"}, {"b.css", "B"}, {"c.css", "C"}});
    TTemplate t2(t2Stream);
    try {
        t2.CopyAttachedFiles(to);
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("b.css"));
    }
    EXPECT_TRUE(QFile::exists(to + "a.css"));
    EXPECT_FALSE(QFile::exists(to + "c.css"));
}

TEST(TemplateStream, MainPageDecodingAndDamagedStreams)
{
    // UTF-8 with a mark, UTF-16LE with a mark, and 8-bit text in the page's own charset.
    const QString text = QString::fromUtf8("<p>\xC3\xA9t\xC3\xA9 \xD0\x96</p>");
    const QByteArray u8Stream = packed({{"t.htm", QByteArray("\xEF\xBB\xBF") + text.toUtf8()}});
    TTemplate u8(u8Stream);
    EXPECT_EQ(u8.Source, text);
    QByteArray utf16("\xFF\xFE");
    for (QChar c : text)
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    const QByteArray u16Stream = packed({{"t.htm", utf16}});
    TTemplate u16(u16Stream);
    EXPECT_EQ(u16.Source, text);
    const QByteArray cpStream = packed({{"t.htm", QByteArray("<meta content=\"text/html; charset=windows-1251\">\xC6")}});
    TTemplate cp(cpStream);
    EXPECT_TRUE(cp.Source.endsWith(QChar(0x0416)));

    // An empty stream gives empty pages; a stream that ends inside an entry fails at once.
    const QByteArray empty;
    TTemplate none(empty);
    EXPECT_TRUE(none.Source.isEmpty());
    EXPECT_TRUE(none.MakePage(item("x", "", "")).isEmpty());
    QByteArray cut = packed({{"t.htm", page("<html>")}, {"a.gif", "12345"}});
    cut.chop(2);
    EXPECT_THROW(TTemplate damaged(cut), Exception);
}

TEST(HeadElements, LoadSplitsTheHeadIntoElements)
{
    THEADElements h;
    h.Load("\r\n  <title>A <b> title</TITLE>\r\n<META name=\"Keywords\" content='a,b'>text<!-- note > x -->"
           "<link rel=stylesheet href=\"s.css\">\n<script type=\"text/javascript\">if (a < b && c > d) x();</script>"
           "<style>p > b { color: red }</style><base href=x>>stray<script src=\"open.js\">never closed");
    ASSERT_EQ(h.Count(), 7);
    EXPECT_EQ(h[0]->TagName, "TITLE");
    EXPECT_EQ(h[0]->InnerHTML, "<title>A <b> title</TITLE>");
    EXPECT_EQ(h[1]->TagName, "META");
    EXPECT_EQ(static_cast<TMeta *>(h[1])->Name, "Keywords");
    EXPECT_TRUE(static_cast<TMeta *>(h[1])->HTTP_EQUIV.isEmpty());
    // A comment is one element that ends at its first ">".
    EXPECT_EQ(h[2]->TagName, "!--");
    EXPECT_EQ(h[2]->InnerHTML, "<!-- note >");
    EXPECT_EQ(static_cast<TLink *>(h[3])->href, "s.css");
    EXPECT_EQ(h[4]->TagName, "SCRIPT");
    EXPECT_EQ(h[4]->InnerHTML, "<script type=\"text/javascript\">if (a < b && c > d) x();</script>");
    EXPECT_TRUE(static_cast<TScript *>(h[4])->src.isEmpty());
    EXPECT_EQ(h[5]->InnerHTML, "<style>p > b { color: red }</style>");
    // A stray ">" after a tag is text, not a second copy of the tag; the open script is dropped.
    EXPECT_EQ(h[6]->InnerHTML, "<base href=x>");

    // Load clears first; Double keeps the class and the fields.
    h.Load("<meta http-equiv=refresh content=5>");
    ASSERT_EQ(h.Count(), 1);
    auto copy = h[0]->Double();
    auto *meta = dynamic_cast<TMeta *>(copy.get());
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(meta->HTTP_EQUIV, "refresh");
    EXPECT_EQ(meta->InnerHTML, "<meta http-equiv=refresh content=5>");
}

TEST(HeadElements, UniteTakesWhatTheDocumentLacksAfterItsKind)
{
    THEADElements doc, tpl;
    doc.Load("<META HTTP-EQUIV=\"Content-Type\" content=\"text/html; charset=utf-8\"><meta name=GENERATOR content=Word>"
             "<LINK rel=stylesheet href=\"STYLE.CSS\"><script src=\"doc.js\"></script><style>d{}</style><title>Doc</title>"
             "<meta name=author content=me>");
    tpl.Load("<title>T</title><meta http-equiv=content-type content=x><meta name=keywords content=1>"
             "<meta name=keywords content=2><meta name=Author content=other><meta content=nothing>"
             "<link rel=stylesheet href=\"style.css\"><link rel=icon><script>one()</script>"
             "<script SRC=\"DOC.JS\"></script><script>two()</script><style>t{}</style><!-- c --><base href=x>"
             "<link href=extra.css>");
    doc.Unite(tpl);
    EXPECT_EQ(names(doc), QStringList({
        "<META HTTP-EQUIV=\"Content-Type\" content=\"text/html; charset=utf-8\">",
        "<meta name=GENERATOR content=Word>",
        "<LINK rel=stylesheet href=\"STYLE.CSS\">",
        "<link rel=icon>",
        "<link href=extra.css>",
        "<script src=\"doc.js\"></script>",
        "<script>one()</script>",
        "<script>two()</script>",
        "<style>d{}</style>",
        "<style>t{}</style>",
        "<title>Doc</title>",
        "<meta name=author content=me>",
        "<meta name=keywords content=1>",
    }));

    // Kinds the document lacks are appended; a later one of a kind joins its group.
    THEADElements empty, tpl2;
    tpl2.Load("<style>1</style><link href=a.css><style>2</style><meta name=x>");
    empty.Unite(tpl2);
    EXPECT_EQ(names(empty), QStringList({"<style>1</style>", "<style>2</style>", "<link href=a.css>", "<meta name=x>"}));

    doc.Process();
    const QStringList processed = names(doc);
    ASSERT_GE(processed.size(), 2);
    EXPECT_EQ(processed[0], "<meta http-equiv=Content-Type content=\"text/html; charset=\">");
    EXPECT_EQ(processed[1], "<meta name=Generator content=\"Tavrel for Word\">");
    EXPECT_FALSE(processed.join("").contains("Word>"));
    EXPECT_FALSE(processed.join("").contains("<title", Qt::CaseInsensitive));
    EXPECT_FALSE(processed.join("").contains("utf-8"));
    EXPECT_EQ(static_cast<TMeta *>(doc[0])->HTTP_EQUIV, "Content-Type");
    EXPECT_EQ(static_cast<TMeta *>(doc[1])->Name, "Generator");

    THEADElements two;
    two.Load("<a><b>");
    EXPECT_EQ(two.HeadText(), "\r\n<a>\r\n<b>\r\n\r\n");
}

TEST(TemplatePage, ReplacementOrderTitleAndHeadMerge)
{
    const QString main = "<HTML><HEAD>\r\n<Title>template</Title>\r\n<link rel=stylesheet href=\"style.css\">\r\n"
                         "<meta name=Description content=\"($title$)\">\r\n</HEAD>\r\n<body>"
                         "<div>($NAVIGATION$)</div><h1>($projecttitle$)</h1><div>($content$)</div><p>($footer$)</p>"
                         "</body></HTML>";
    const QByteArray tStream = packed({{"main.htm", page(main)}});
    TTemplate t(tStream, "Previous", "Next");
    t.ProjectTitle = "Guide: ($title$)";
    t.Copyright = "(c) Us";
    THEADElements doc;
    doc.Load("<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">"
             "<title>Word title</title><LINK rel=stylesheet href=\"STYLE.css\"><style>p{margin:0}</style>");
    t.UniteHead(doc);

    TContentsItem i = item("Tom & <Jerry>", "", "");
    i.HTMLTitle = "Tom &amp; &lt;Jerry&gt;";
    i.Navigation = "<a href=\"x.htm\">Top</a> &gt; ";
    i.Content = "<p>Keep ($footer$) and ($title$) as written.</p>";
    const QString made = t.MakePage(i);
    EXPECT_GOLDEN("templates/page.htm", made.toUtf8());
    EXPECT_TRUE(made.contains("<h1>Guide: Tom &amp; &lt;Jerry&gt;</h1>"));
    EXPECT_TRUE(made.contains("<p>Keep ($footer$) and ($title$) as written.</p>"));
    EXPECT_TRUE(made.contains("<p>(c) Us</p>"));
    EXPECT_TRUE(made.contains("<head>\r\n<title>Tom &amp; &lt;Jerry&gt;</title>\r\n"));
    EXPECT_EQ(made.count("<title>", Qt::CaseInsensitive), 1);
    EXPECT_FALSE(made.contains("href=\"style.css\""));
    // MakePage leaves the prepared page alone.
    EXPECT_EQ(t.MakePage(i), made);
    // The writer then fills the empty charset of the merged head; the quote after "charset="
    // closes the attribute there and must stay where it is.
    const QString written = SetCharset(made, "utf-8");
    EXPECT_TRUE(written.contains("<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n"));
    EXPECT_EQ(GetCharset(written), "utf-8");
}

TEST(TemplatePage, HeadlessTemplateMakesPagesWithoutMerging)
{
    const QByteArray tStream = packed({{"frag.htm", page("<div class=page>($title$)<hr>($content$)</div>")}});
    TTemplate t(tStream);
    THEADElements doc;
    doc.Load("<title>x</title><meta name=a content=b>");
    t.UniteHead(doc);
    EXPECT_EQ(t.TempSource, "<div class=page>($title$)<hr>($content$)</div>");
    EXPECT_EQ(doc.Count(), 2);
    EXPECT_EQ(t.MakePage(item("T", "", "")), "<div class=page>T<hr><p>T</p></div>");

    // An empty head element still merges.
    const QByteArray eStream = packed({{"e.htm", page("<html><head></head><body>($content$)</body></html>")}});
    TTemplate e(eStream);
    THEADElements none;
    e.UniteHead(none);
    EXPECT_EQ(e.TempSource, "<html><head>\r\n<meta http-equiv=Content-Type content=\"text/html; charset=\">\r\n"
                            "<meta name=Generator content=\"Tavrel for Word\">\r\n\r\n</head><body>($content$)</body></html>");
}
