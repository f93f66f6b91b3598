// The HTML tables, the white-space helpers, the body split, script removal and the open-element
// list.
#include "text/HTMLProcess.h"
#include "text/TagScanner.h"

#include <QMap>
#include <QSet>
#include <gtest/gtest.h>

using namespace tavrel;

TEST(HtmlTables, SizesAndCaseInsensitiveLookups)
{
    EXPECT_EQ(BlockTags().Count(), 35);
    EXPECT_EQ(NonDocTags().Count(), 16);
    EXPECT_EQ(EmptyTags().Count(), 20);
    EXPECT_EQ(UrlAttributes().Count(), 3);
    EXPECT_EQ(HtmlExtensions().Count(), 4);

    EXPECT_TRUE(IsBlockTag("br"));
    EXPECT_TRUE(IsBlockTag("Td"));
    EXPECT_TRUE(IsBlockTag("H6"));
    EXPECT_FALSE(IsBlockTag("span"));
    EXPECT_FALSE(IsBlockTag(""));
    EXPECT_TRUE(IsEmptyTag("li"));
    EXPECT_TRUE(IsEmptyTag("Option"));
    EXPECT_FALSE(IsEmptyTag("p"));
    EXPECT_TRUE(IsNonDocTag("script"));
    EXPECT_TRUE(IsNonDocTag("FrameSet"));
    EXPECT_TRUE(IsBlockTag("frameset")); // a name may stand in two tables
    EXPECT_FALSE(IsNonDocTag("body"));
    EXPECT_TRUE(IsUrlAttribute("Background"));
    EXPECT_FALSE(IsUrlAttribute("action"));
    EXPECT_TRUE(IsHtmlExtension(".htm"));
    EXPECT_TRUE(IsHtmlExtension(".ShTmL"));
    EXPECT_FALSE(IsHtmlExtension("htm"));
    EXPECT_FALSE(IsHtmlExtension(".php"));

    // Only ASCII letters are folded: the dotless i does not make "lı" a list item.
    EXPECT_FALSE(IsEmptyTag(QString::fromUtf8("l\xC4\xB1")));
    EXPECT_FALSE(IsBlockTag("br "));
}

TEST(HtmlTables, WhiteSpaceIsExactlyTheFourCharacters)
{
    int count = 0;
    for (int c = 0; c < 0x10000; ++c)
        if (IsWhiteSpaceChar(QChar(c)))
            ++count;
    EXPECT_EQ(count, 4);
    for (int c : {9, 10, 13, 32})
        EXPECT_TRUE(IsWhiteSpaceChar(QChar(c))) << c;
    EXPECT_FALSE(IsWhiteSpaceChar(QChar(160)));
    EXPECT_FALSE(IsWhiteSpaceChar(QChar(0x3000)));
    EXPECT_FALSE(IsWhiteSpaceChar(QChar(0x120))); // 32 + 256
}

TEST(HtmlEntities, TableHasTheSystemsRowsAndValues)
{
    const TStringList &t = HtmlEntities();
    ASSERT_EQ(t.Count(), 261);
    EXPECT_TRUE(t.Sorted());
    EXPECT_TRUE(t.CaseSensitive());
    EXPECT_EQ(t.NameValueSeparator(), QLatin1Char(':'));

    QSet<QString> names;
    for (int i = 0; i < t.Count(); ++i) {
        if (i > 0) {
            EXPECT_LT(QString::compare(t[i - 1], t[i]), 0) << "row " << i;
        }
        const QString name = t.Names(i);
        bool ok = false;
        const int code = t.ValueFromIndex(i).toInt(&ok);
        ASSERT_TRUE(ok) << qPrintable(t[i]);
        EXPECT_FALSE(names.contains(name)) << qPrintable(name);
        names.insert(name);
        // The fast lookup and the list agree on every row.
        EXPECT_EQ(HtmlEntityCode(name), code) << qPrintable(name);
    }

    // Missing HTML 4 names.
    EXPECT_EQ(HtmlEntityCode("euro"), -1);
    EXPECT_EQ(HtmlEntityCode("uml"), -1);
    // Upper-case duplicates.
    const std::pair<const char *, int> upper[] = {{"AMP", 38}, {"COPY", 169}, {"GT", 62}, {"LT", 60},
                                                  {"NBSP", 32}, {"QUOT", 34}, {"REG", 174}};
    for (const auto &[n, v] : upper) {
        EXPECT_EQ(HtmlEntityCode(n), v) << n;
        EXPECT_EQ(HtmlEntityCode(QString::fromLatin1(n).toLower()), v) << n;
    }
    // Legacy names and their modern neighbours.
    EXPECT_EQ(HtmlEntityCode("brkbar"), 166);
    EXPECT_EQ(HtmlEntityCode("brvbar"), 166);
    EXPECT_EQ(HtmlEntityCode("die"), 168);
    EXPECT_EQ(HtmlEntityCode("um"), 168);
    EXPECT_EQ(HtmlEntityCode("hibar"), 175);
    EXPECT_EQ(HtmlEntityCode("macr"), 175);
    // Values that differ from HTML 4.
    EXPECT_EQ(HtmlEntityCode("nbsp"), 32);
    EXPECT_EQ(HtmlEntityCode("and"), 8869);
    EXPECT_EQ(HtmlEntityCode("perp"), 8869);
    EXPECT_EQ(HtmlEntityCode("or"), 8870);
    EXPECT_EQ(HtmlEntityCode("sum"), 8722);
    EXPECT_EQ(HtmlEntityCode("minus"), 8722);
    EXPECT_EQ(HtmlEntityCode("asymp"), 8773);
    EXPECT_EQ(HtmlEntityCode("cong"), 8773);
    // Ordinary rows, and names that differ only in case.
    EXPECT_EQ(HtmlEntityCode("Aacute"), 193);
    EXPECT_EQ(HtmlEntityCode("alefsym"), 8501);
    EXPECT_EQ(HtmlEntityCode("hellip"), 8230);
    EXPECT_EQ(HtmlEntityCode("lsaquo"), 8249);
    EXPECT_EQ(HtmlEntityCode("thetasym"), 977);
    EXPECT_EQ(HtmlEntityCode("upsih"), 978);
    EXPECT_EQ(HtmlEntityCode("zwnj"), 8204);
    EXPECT_EQ(HtmlEntityCode("dagger"), 8224);
    EXPECT_EQ(HtmlEntityCode("Dagger"), 8225);
    EXPECT_EQ(HtmlEntityCode("Yuml"), 376);
    EXPECT_EQ(HtmlEntityCode("yuml"), 255);
    EXPECT_EQ(HtmlEntityCode("Amp"), -1);
    EXPECT_EQ(HtmlEntityCode(""), -1);
    EXPECT_EQ(HtmlEntityCode("amp;"), -1);
    EXPECT_TRUE(t.IndexOf("amp:38") >= 0);
    EXPECT_TRUE(t.IndexOf("AMP:38") >= 0);

    // Every Latin-1 character 161..255 has exactly one HTML 4 name, except the diaeresis (168),
    // which only the legacy names carry; Greek capitals 913..937 skip 930.
    QMap<int, int> perCode;
    for (int i = 0; i < t.Count(); ++i)
        ++perCode[t.ValueFromIndex(i).toInt()];
    for (int c = 161; c <= 255; ++c) {
        const int expected = (c == 166 || c == 168 || c == 169 || c == 174 || c == 175) ? 2 : 1;
        EXPECT_EQ(perCode.value(c), expected) << c;
    }
    for (int c = 913; c <= 969; ++c) {
        const int expected = (c == 930 || (c >= 938 && c <= 944)) ? 0 : 1;
        EXPECT_EQ(perCode.value(c), expected) << c;
    }
    EXPECT_EQ(perCode.value(160), 0);
    EXPECT_EQ(perCode.value(32), 2);
    EXPECT_EQ(perCode.value(8743), 0);
    EXPECT_EQ(perCode.value(8744), 0);
    EXPECT_EQ(perCode.value(8721), 0);
    EXPECT_EQ(perCode.value(8776), 0);
    EXPECT_EQ(perCode.value(8364), 0);
}

TEST(HtmlWhiteSpace, CollapseAndTrim)
{
    EXPECT_EQ(CollapseWhiteSpace("  a \r\n\t b  "), "a b");
    EXPECT_EQ(CollapseWhiteSpace(" \t\r\n "), "");
    EXPECT_EQ(CollapseWhiteSpace(""), "");
    EXPECT_EQ(CollapseWhiteSpace("ab"), "ab");
    EXPECT_EQ(CollapseWhiteSpace("a  b   c"), "a b c");
    const QString nb = QString(QChar(160));
    EXPECT_EQ(CollapseWhiteSpace(" " + nb + " x "), nb + " x");
    EXPECT_EQ(CollapseWhiteSpace(QString::fromUtf8("\xE4\xB8\xAD \xE6\x96\x87")), QString::fromUtf8("\xE4\xB8\xAD \xE6\x96\x87"));

    EXPECT_EQ(TrimWhiteSpace(" \t x y \r\n"), "x y");
    EXPECT_EQ(TrimWhiteSpace("\r\n\t "), "");
    EXPECT_EQ(TrimWhiteSpace(""), "");
    EXPECT_EQ(TrimWhiteSpace(nb + "x" + nb), nb + "x" + nb);
    EXPECT_EQ(TrimWhiteSpace("\fx\v"), "\fx\v"); // form feed and vertical tab are not white space here
}

TEST(HtmlSplitBody, FindsTheBodyElement)
{
    QString h, b, t;
    SplitHtmlBody("<html><BODY class=\"x\">text</Body >\r\n</html>", h, b, t);
    EXPECT_EQ(h, "<html><BODY class=\"x\">");
    EXPECT_EQ(b, "text");
    EXPECT_EQ(t, "</Body >\r\n</html>");

    // The name may end at a line break; the start tag ends at the next ">".
    SplitHtmlBody("<body\nonload=x>in</body>", h, b, t);
    EXPECT_EQ(h, "<body\nonload=x>");
    EXPECT_EQ(b, "in");
    EXPECT_EQ(t, "</body>");

    // A later body end tag is the one used: the backward scan meets it first.
    SplitHtmlBody("<body>a</body>b</body>", h, b, t);
    EXPECT_EQ(b, "a</body>b");
    EXPECT_EQ(t, "</body>");

    // "bodyx" is not a body start tag.
    SplitHtmlBody("<bodyx>a<body>b</body>", h, b, t);
    EXPECT_EQ(h, "<bodyx>a<body>");
    EXPECT_EQ(b, "b");
}

TEST(HtmlSplitBody, MissingOrBrokenTags)
{
    QString h = "old", b = "old", t = "old";
    SplitHtmlBody("", h, b, t);
    EXPECT_EQ(h, "");
    EXPECT_EQ(b, "");
    EXPECT_EQ(t, "");

    // No start tag: head is the whole page.
    SplitHtmlBody("<p>x</p></body>", h, b, t);
    EXPECT_EQ(h, "<p>x</p></body>");
    EXPECT_EQ(b, "");
    EXPECT_EQ(t, "</body>");

    // No end tag: tail is the whole page and body is empty.
    SplitHtmlBody("<body>x", h, b, t);
    EXPECT_EQ(h, "<body>");
    EXPECT_EQ(b, "");
    EXPECT_EQ(t, "<body>x");

    // A start tag that never ends is no start tag.
    SplitHtmlBody("<body class=x", h, b, t);
    EXPECT_EQ(h, "<body class=x");
    EXPECT_EQ(t, "<body class=x");
    SplitHtmlBody("<body", h, b, t);
    EXPECT_EQ(h, "<body");

    // The end tag before the start tag leaves the body empty.
    SplitHtmlBody("</body><body>", h, b, t);
    EXPECT_EQ(h, "</body><body>");
    EXPECT_EQ(b, "");
    EXPECT_EQ(t, "</body><body>");

    // The backward candidate skips "<" and restarts at every "y".
    SplitHtmlBody("<body>a</bo<dy>b", h, b, t);
    EXPECT_EQ(b, "a");
    EXPECT_EQ(t, "</bo<dy>b");
    SplitHtmlBody("<body>a</boyd>", h, b, t);
    EXPECT_EQ(b, "");
    EXPECT_EQ(t, "<body>a</boyd>");
}

TEST(HtmlRemoveScripts, RemovesScriptElements)
{
    EXPECT_EQ(RemoveScripts("a<SCRIPT>x</ScRiPt>b"), "ab");
    EXPECT_EQ(RemoveScripts("a<script src=x>"), "a");
    EXPECT_EQ(RemoveScripts("a<script>x"), "a");
    EXPECT_EQ(RemoveScripts(""), "");
    EXPECT_EQ(RemoveScripts("no scripts"), "no scripts");
    EXPECT_EQ(RemoveScripts("1<script>a</script>2<script>b</script>3"), "123");
    // The end tag must be "</script>" exactly after lower-casing: one with a space inside does
    // not end the element, and a later one does.
    EXPECT_EQ(RemoveScripts("a<script>x</script >y</script>b"), "ab");
    EXPECT_EQ(RemoveScripts("a<script>x</script >y"), "a");
    // The search for the end tag starts right after "<script".
    EXPECT_EQ(RemoveScripts("a<script</script>b"), "ab");
    // A stray end tag stays, lower-cased; so does anything in between.
    EXPECT_EQ(RemoveScripts("a</SCRIPT>b"), "a</script>b");
    EXPECT_EQ(RemoveScripts("<NOSCRIPT>n</NOSCRIPT>"), "<NOSCRIPT>n</NOSCRIPT>");
    // Text outside the tags keeps its case.
    EXPECT_EQ(RemoveScripts("Ab<script>x</script>Cd"), "AbCd");
}

TEST(HtmlLargeInputs, WorstCaseShapesGiveTheRuleResults)
{
    // Many small scripts, many "y" and "<" characters, and long runs without a match: each
    // would make a whole-text replace pass or a growing candidate string quadratic (a quadratic
    // version would not finish within the test time-out; speed itself is measured in bench/).
    QString scripts;
    for (int i = 0; i < 200000; ++i)
        scripts += QStringLiteral("t<SCRIPT>x</script>");
    QString ys = QStringLiteral("<body>") + QString(2000000, QLatin1Char('y')) + QString(2000000, QLatin1Char('<'));
    QString opens;
    for (int i = 0; i < 400000; ++i)
        opens += QStringLiteral("<scr");

    EXPECT_EQ(RemoveScripts(scripts), QString(200000, QLatin1Char('t')));
    EXPECT_EQ(RemoveScripts(opens), opens);
    QString h, b, t;
    SplitHtmlBody(ys, h, b, t);
    EXPECT_EQ(h, "<body>");
    EXPECT_EQ(t.size(), ys.size());
    SplitHtmlBody(QString(3000000, QLatin1Char('<')), h, b, t);
    EXPECT_EQ(h.size(), 3000000);
    EXPECT_EQ(CollapseWhiteSpace(QString(4000000, QLatin1Char(' ')) + "x"), "x");
}

TEST(HtmlTags, NewTagAndOwningListCount)
{
    const THtmlTag tag;
    EXPECT_TRUE(tag.Name.isEmpty() && tag.Start.isEmpty() && tag.Inner.isEmpty() && tag.Tail.isEmpty() && tag.InnerText.isEmpty());
    EXPECT_FALSE(tag.HasHeading);
    EXPECT_FALSE(tag.NonDoc);
    EXPECT_FALSE(tag.Block);
    EXPECT_EQ(tag.Blocks, 0);
    EXPECT_EQ(tag.CharCount, 0);
    EXPECT_TRUE(tag.NotCut);
    EXPECT_TRUE(tag.InTop);

    // Freed items are seen through a destructor counter.
    static int alive = 0;
    struct Counted : THtmlTag
    {
        Counted() { ++alive; }
        ~Counted() override { --alive; }
    };
    {
        THtmlTags tags;
        EXPECT_EQ(tags.Count(), 0);
        EXPECT_EQ(tags.Last(), nullptr);
        for (int i = 0; i < 5; ++i) {
            auto t = std::make_unique<Counted>();
            t->Name = QString::number(i);
            tags.Add(std::move(t));
        }
        EXPECT_EQ(alive, 5);
        EXPECT_EQ(tags.Last()->Name, "4");
        EXPECT_EQ(tags.Items(1)->Name, "1");

        tags.SetCount(7); // not below the count: nothing happens
        EXPECT_EQ(tags.Count(), 5);
        tags.SetCount(5);
        EXPECT_EQ(tags.Count(), 5);
        tags.SetCount(2);
        EXPECT_EQ(tags.Count(), 2);
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(tags.Last()->Name, "1");
        tags.SetCount(-3);
        EXPECT_EQ(tags.Count(), 0);
        EXPECT_EQ(alive, 0);

        tags.Add(std::make_unique<Counted>());
        tags.Add(std::make_unique<Counted>());
        EXPECT_EQ(tags.Add(nullptr), nullptr);
        EXPECT_EQ(tags.Count(), 2);
        tags.Delete(0);
        EXPECT_EQ(alive, 1);
        tags.Delete(5); // out of range: nothing
        EXPECT_EQ(tags.Count(), 1);
    }
    EXPECT_EQ(alive, 0); // the list frees what is left
}

// The quick tag walk of whole pages against a character-by-character reader of the same rule:
// a "<" opens (or reopens) a tag, white space ends its word, a ">" closes it.
TEST(LooseTags, MatchCharacterReaderOnRandomText)
{
    struct Tag
    {
        qsizetype lt, gt;
        QString word;
        bool operator==(const Tag &) const = default;
    };
    const auto reference = [](const QString &s) {
        std::vector<Tag> out;
        qsizetype lt = -1;
        bool naming = false;
        QString word;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            if (c == '<') {
                lt = i;
                naming = true;
                word.clear();
            } else if (c == '>') {
                if (lt >= 0)
                    out.push_back({lt, i, word});
                lt = -1;
                naming = false;
            } else if (naming) {
                if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                    naming = false;
                else
                    word += c;
            }
        }
        return out;
    };
    const QString alphabet = QStringLiteral("<<>> \t\npbBoOdDyY/!-=\"'");
    quint32 seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        QString s;
        const int len = int((seed = seed * 1103515245u + 12345u) >> 16) % 24;
        for (int k = 0; k < len; ++k)
            s += alphabet[int((seed = seed * 1103515245u + 12345u) >> 16) % alphabet.size()];
        std::vector<Tag> got;
        for (TLooseTag t = NextLooseTag(s, 0); t.lt >= 0; t = NextLooseTag(s, t.gt + 1))
            got.push_back({t.lt, t.gt, t.word});
        ASSERT_EQ(got, reference(s)) << s.toStdString();
    }
    TLooseTag body = NextLooseTag(QStringLiteral("x<BoDy\nclass=a>"), 0);
    EXPECT_TRUE(body.Is(QLatin1StringView("body")));
    EXPECT_FALSE(NextLooseTag(QStringLiteral("<bodyx>"), 0).Is(QLatin1StringView("body")));
    EXPECT_FALSE(NextLooseTag(QStringLiteral("<bod>"), 0).Is(QLatin1StringView("body")));
}
