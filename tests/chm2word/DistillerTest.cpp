// The distiller: common headers and footers found near-linearly with exactly the result of the
// pairwise comparison, the title pass, and the element that holds a page's text.
#include "chm2word/Distiller.h"
#include "chm2word/ExtractContent.h"
#include "text/functions.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

std::vector<std::unique_ptr<TChmTopicFile>> MakePages(const QStringList &bodies, const QStringList &titles = {})
{
    std::vector<std::unique_ptr<TChmTopicFile>> pages;
    for (qsizetype k = 0; k < bodies.size(); ++k)
        pages.push_back(std::make_unique<TChmTopicFile>(QStringLiteral("/d/p%1.htm").arg(k), k < titles.size() ? titles[k] : QString(),
                                                        "<html><head><title>" + (k < titles.size() ? titles[k] : QString())
                                                            + "</title></head><body>" + bodies[k] + "</body></html>",
                                                        nullptr));
    return pages;
}

std::vector<TChmTopicFile *> Raw(const std::vector<std::unique_ptr<TChmTopicFile>> &pages)
{
    std::vector<TChmTopicFile *> raw;
    for (const auto &p : pages)
        raw.push_back(p.get());
    return raw;
}

QString Distilled(const std::vector<std::unique_ptr<TChmTopicFile>> &pages, int n)
{
    FindCommonParts(Raw(pages), n);
    QStringList out;
    for (const auto &p : pages)
        out << TrimWhiteSpace(p->Distiller());
    return out.join(QStringLiteral("\n"));
}

QString Words(int count, const QString &seed)
{
    QStringList w;
    for (int k = 0; k < count; ++k)
        w << seed + QString::number(k);
    return w.join(' ');
}

} // namespace

TEST(Distiller, TheFastCommonPartsGiveExactlyThePairwiseResult)
{
    QRandomGenerator random(5);
    const QStringList vocabulary = {"Home", "Next", "Back", "Chapter", "Contents", "Index", "Copyright 2024 Firm",
                                    "all rights reserved", "Page", "Top", "of", "the", "help", "x"};
    auto phrase = [&](int words) {
        QStringList w;
        for (int k = 0; k < words; ++k)
            w << vocabulary[int(random.bounded(vocabulary.size()))];
        QString s = w.join(' ');
        if (random.bounded(4) == 0)
            s = s.toUpper();
        if (random.bounded(3) == 0)
            s += QString::number(random.bounded(30));
        return s;
    };
    const QStringList wrappers = {"<p>%1</p>", "<div class=n>%1</div>", "%1<br>", "<table><tr><td>%1</td></tr></table>",
                                  "<h1>%1</h1>", "<p>%1 <img src=\"pic.gif\"></p>", "<p><script>x</script>%1</p>",
                                  "<span>%1</span>", "<p>%1 &amp; more</p>", "<p>%1<img src=\"btn_next.gif\"></p>"};
    for (int round = 0; round < 300; ++round) {
        const int pageCount = 1 + int(random.bounded(40));
        // A few shared headers and footers, each page taking most of them, with variations.
        QStringList headers, footers;
        for (int k = 0; k < 1 + int(random.bounded(4)); ++k)
            headers << wrappers[int(random.bounded(wrappers.size()))].arg(phrase(1 + int(random.bounded(5))));
        for (int k = 0; k < 1 + int(random.bounded(4)); ++k)
            footers << wrappers[int(random.bounded(wrappers.size()))].arg(phrase(1 + int(random.bounded(5))));
        QStringList bodies, titles;
        for (int p = 0; p < pageCount; ++p) {
            const QString title = phrase(2);
            QString body;
            for (const QString &hd : headers)
                if (random.bounded(10) < 8)
                    body += hd + '\n';
            if (random.bounded(10) < 8)
                body += "<h2>" + title + "</h2>";
            for (int k = 0; k < int(random.bounded(5)); ++k)
                body += wrappers[int(random.bounded(wrappers.size()))].arg(random.bounded(3) == 0 ? phrase(3) : Words(int(random.bounded(40)), "w"));
            for (const QString &ft : footers)
                if (random.bounded(10) < 8)
                    body += ft + '\n';
            bodies << body;
            titles << title;
        }
        const int n = int(random.bounded(quint32(pageCount + 1)));
        auto fast = MakePages(bodies, titles);
        auto literal = MakePages(bodies, titles);
        FindCommonParts(Raw(fast), n);
        FindCommonPartsPairwise(Raw(literal), n);
        for (int p = 0; p < pageCount; ++p) {
            TChmTopicFile &a = *fast[size_t(p)];
            TChmTopicFile &b = *literal[size_t(p)];
            ASSERT_EQ(a.SamePointL, b.SamePointL) << round << " page " << p;
            ASSERT_EQ(a.SamePointH, b.SamePointH) << round << " page " << p;
            ASSERT_EQ(a.Title3, b.Title3) << round << " page " << p;
            ASSERT_EQ(a.TitleFound, b.TitleFound) << round << " page " << p;
            ASSERT_EQ(a.Distiller(), b.Distiller()) << round << " page " << p;
        }
    }
}

// Blocks of one length from one small vocabulary: every block is a candidate of every other,
// the letter counts agree, and near copies sit on both sides of four fifths.
TEST(Distiller, TheFastCommonPartsGiveThePairwiseResultOnBlocksOfOneLength)
{
    QRandomGenerator random(23);
    const QString alphabet = QStringLiteral("abcdefgh ij.");
    auto text = [&](int length) {
        QString s;
        for (int k = 0; k < length; ++k)
            s += alphabet[int(random.bounded(alphabet.size()))];
        return s;
    };
    int common = 0;
    for (int round = 0; round < 150; ++round) {
        const int length = 5 + int(random.bounded(120));
        const int pageCount = 2 + int(random.bounded(60));
        QStringList bases;
        for (int k = 0; k < 3; ++k)
            bases << text(length);
        auto variant = [&](const QString &base) {
            QString s = base;
            // Up to a tenth of the characters changed in place: the length stays.
            for (int k = int(random.bounded(quint32(length / 10 + 1))); k > 0; --k)
                s[int(random.bounded(length))] = alphabet[int(random.bounded(alphabet.size()))];
            return s;
        };
        QStringList bodies;
        for (int p = 0; p < pageCount; ++p) {
            QString body;
            for (int b = 0; b < 3; ++b)
                body += "<p>" + (random.bounded(10) < 9 ? variant(bases[b]) : text(length)) + "</p>";
            bodies << body;
        }
        const int n = int(random.bounded(quint32(pageCount + 1)));
        auto fast = MakePages(bodies);
        auto literal = MakePages(bodies);
        FindCommonParts(Raw(fast), n);
        FindCommonPartsPairwise(Raw(literal), n);
        for (int p = 0; p < pageCount; ++p) {
            ASSERT_EQ(fast[size_t(p)]->SamePointL, literal[size_t(p)]->SamePointL) << round << " page " << p;
            ASSERT_EQ(fast[size_t(p)]->SamePointH, literal[size_t(p)]->SamePointH) << round << " page " << p;
            common += literal[size_t(p)]->SamePointL > 0 ? 1 : 0;
        }
    }
    // Both answers occur: the comparison is not between two passes that find nothing.
    EXPECT_GT(common, 100);
}

TEST(Distiller, RepeatedNavigationAndFootersGoSharedLinesOfAFewPagesStay)
{
    QStringList bodies;
    for (int k = 0; k < 10; ++k)
        bodies << QStringLiteral("<p>Home | Up | Next topic</p>") + (k < 3 ? "<p>Shared by three pages</p>" : "")
                      + QStringLiteral("<div><p>Own text %1 %2</p></div>").arg(k).arg(Words(12, QString(3, QChar('a' + k))))
                      + "<p>Copyright notice of the firm</p>";
    auto pages = MakePages(bodies);
    const QStringList out = Distilled(pages, 10).split('\n');
    ASSERT_EQ(out.size(), 10);
    for (int k = 0; k < 10; ++k) {
        EXPECT_FALSE(out[k].contains("Home")) << out[k].toStdString();
        EXPECT_FALSE(out[k].contains("Copyright")) << out[k].toStdString();
        EXPECT_TRUE(out[k].contains(QStringLiteral("Own text %1").arg(k))) << out[k].toStdString();
    }
    EXPECT_EQ(pages[0]->SamePointL, pages[0]->Body.indexOf("<p>Shared"));
    EXPECT_EQ(pages[5]->SamePointL, pages[5]->Body.indexOf("<div><p>") + 5);

    EXPECT_EQ(CommonThreshold(10), 8);
    EXPECT_EQ(CommonThreshold(3), 2);
    EXPECT_EQ(CommonThreshold(2), 2);
    // Two pages: one other page can never make two votes, so nothing is common.
    auto two = MakePages({"<p>Same navigation line</p><p>a</p>", "<p>Same navigation line</p><p>b</p>"});
    FindCommonParts(Raw(two), 2);
    EXPECT_TRUE(two[0]->Distiller().contains("Same navigation"));
    // No contents page at all votes for nothing, and ends.
    auto none = MakePages({"<p>Same navigation line</p>", "<p>Same navigation line</p>"});
    FindCommonParts(Raw(none), 0);
    EXPECT_TRUE(none[1]->Distiller().contains("Same navigation"));
}

// Two ways the element with the most counted characters is not the content: a picture's share
// lifts a navigation picture above a topic of short paragraphs, and a span of formatting holds
// most but not all of a paragraph.
TEST(Distiller, TheContentIsABlockHoldingMostOfThePagesText)
{
    QStringList bodies;
    for (int k = 0; k < 10; ++k) {
        const QString own = QString(3, QChar('a' + k));
        // The trail names the page, so the header pass stops there and never reaches the banner.
        bodies << "<div class=trail>Guide &gt; " + Words(3, own + "t") + "</div><p><a href=\"index.htm\"><img src=\"banner.png\"></a></p>"
                      + "<p>" + Words(3, own + "x") + "</p><p>" + Words(3, own + "y") + "</p><p>" + Words(3, own + "z") + "</p>"
                      + "<p>Copyright notice of the firm</p>";
    }
    auto pages = MakePages(bodies);
    const QStringList out = Distilled(pages, 10).split('\n');
    for (int k = 0; k < 10; ++k) {
        const QString own = QString(3, QChar('a' + k));
        for (const QString &part : QStringList{own + "x2", own + "y2", own + "z2"})
            EXPECT_TRUE(out[k].contains(part)) << out[k].toStdString();
        EXPECT_FALSE(out[k].contains("Copyright")) << out[k].toStdString();
    }
    // A picture with its own caption still wins over nothing.
    auto pictured = MakePages({"<div><p>" + Words(3, "c") + "<img src=\"shot.png\"></p></div>"});
    FindCommonParts(Raw(pictured), 1);
    EXPECT_EQ(pictured[0]->Distiller(), "<p>" + Words(3, "c") + "<img src=\"shot.png\"></p>");

    // A paragraph in runs of formatting, the first over a hundred characters: the paragraph.
    const QString paragraph = "<p class=MsoNormal><span style='font-family:Arial'>" + Words(25, "first") + "</span><span style='font-weight:bold'>Compiled File</span><span>"
                              + Words(12, "third") + "</span></p>";
    auto spans = MakePages({"<div>" + paragraph + "</div>"});
    FindCommonParts(Raw(spans), 1);
    EXPECT_EQ(spans[0]->Distiller(), paragraph);
    EXPECT_EQ(ExtractSection("<a name=b></a>" + paragraph, "Part B"), paragraph);
}

TEST(Distiller, ALeadingTitleGoesWhenMostPagesStartWithIt)
{
    QStringList bodies, titles;
    for (int k = 0; k < 10; ++k) {
        // Titles unlike each other, or the header pass would take them as a common block.
        titles << QString(6, QChar('a' + k)) + " title";
        bodies << "<h1>" + titles.last() + "</h1><p>" + Words(30, QString(2, QChar('a' + k))) + "</p>";
    }
    auto pages = MakePages(bodies, titles);
    FindCommonParts(Raw(pages), 10);
    EXPECT_EQ(pages[3]->Title3, "dddddd title");
    EXPECT_TRUE(pages[3]->TitleFound);
    EXPECT_FALSE(pages[3]->Distiller().contains("dddddd"));

    // Eight of ten (not more than 80 %): the title pass leaves every page as it is.
    QStringList fewer = bodies;
    fewer[0] = "<p>Something else first</p>" + fewer[0].mid(fewer[0].indexOf("</h1>") + 5);
    fewer[1] = "<p>Another start here</p>" + fewer[1].mid(fewer[1].indexOf("</h1>") + 5);
    auto some = MakePages(fewer, titles);
    FindCommonParts(Raw(some), 10);
    EXPECT_TRUE(some[3]->Title3.isEmpty());
    EXPECT_FALSE(some[3]->TitleFound);

    // The distiller drops a title block itself, unless 200 counted characters came first.
    auto early = MakePages({"<div><p>Intro</p><h2>My title</h2><p>" + Words(40, "t") + "</p></div>"}, {"My title"});
    EXPECT_FALSE(early[0]->Distiller().contains("My title"));
    auto late = MakePages({"<div><p>" + Words(40, "t") + "</p><h2>My title</h2><p>" + Words(40, "u") + "</p></div>"}, {"My title"});
    EXPECT_TRUE(late[0]->Distiller().contains("My title"));
}

TEST(Distiller, TheElementHoldingMostOfTheTextIsKept)
{
    const QString p300 = "<p>" + QString(300, 'a') + "</p>";
    auto div = [](const QString &inner) { return MakePages({"<div id=c>" + inner + "</div>"}); };
    EXPECT_EQ(div(p300 + "<p>" + QString(50, 'b') + "</p>")[0]->Distiller(), p300);
    EXPECT_EQ(div(p300 + "<p>" + QString(150, 'b') + "</p>")[0]->Distiller(), "<div id=c>" + p300 + "<p>" + QString(150, 'b') + "</p></div>");

    // A picture counts 150 characters; a next button nothing.
    const QString para = "<p>" + QString(20, 'x') + "<img src=\"images/shot.png\"></p>";
    EXPECT_EQ(MakePages({"<div>" + para + "</div>text"})[0]->Distiller().trimmed(), para);
    const QString button = "<p>" + QString(20, 'x') + "<img src=\"images\\btn_next.gif\"></p>";
    EXPECT_NE(MakePages({"<div>" + button + "</div>text"})[0]->Distiller().trimmed(), button);

    // Unbalanced and hostile markup ends, keeps the text, and never closes the sentinel.
    auto odd = MakePages({"</root></Root><div><p>" + QString(200, 'z') + "<b>open</i></div></div><<>>< /p>" + QString("<div>").repeated(3000)});
    EXPECT_TRUE(odd[0]->Distiller().contains(QString(200, 'z')));
}

TEST(Distiller, SectionsOfABookmarkKeepTheirTextAndTableMarkup)
{
    EXPECT_TRUE(TitleMatches("Setup", "SETUP"));
    EXPECT_TRUE(TitleMatches("Installing the tool", "Installing the tool now"));
    EXPECT_FALSE(TitleMatches("Install", "Installing the tool now"));
    EXPECT_EQ(FixTableFragment("<td>a</td></tr><tr><td>b</td>"), "<table><tr><td>a</td></tr><tr><td>b</td></tr></table>");
    EXPECT_EQ(FixTableFragment("<tr><td>a</td></tr>"), "<table><tr><td>a</td></tr></table>");
    EXPECT_EQ(FixTableFragment("<p>a</p>"), "<p>a</p>");
    // Begins and ends inside a row: two cells of equal weight, so the whole section is kept.
    const QString section = "<td><a name=b></a>" + Words(20, "s") + "</td><td>" + Words(20, "t") + "</td>";
    EXPECT_EQ(ExtractSection(section, "Part B"), "<table><tr>" + section + "</tr></table>");
    // A leading short block is the title; the text after it is the section.
    const QString titled = "<div><p>Part B</p><p>" + Words(20, "u") + "</p><p>" + Words(20, "v") + "</p></div>";
    EXPECT_FALSE(ExtractSection(titled, "Part B").contains("Part B"));
    EXPECT_EQ(ExtractSection("   ", "t"), "   ");
}

TEST(Distiller, TheEarlyStoppingSimilarityAgreesWithTheFullOne)
{
    QRandomGenerator random(11);
    const QString alphabet = QStringLiteral("abcde fgAB.ä");
    auto text = [&](int length) {
        QString s;
        for (int k = 0; k < length; ++k)
            s += alphabet[int(random.bounded(alphabet.size()))];
        return s;
    };
    int similar = 0;
    for (int round = 0; round < 20000; ++round) {
        const QString a = text(int(random.bounded(70)));
        QString b = a;
        // Mostly near copies, so both answers occur often.
        for (int k = int(random.bounded(8)); k > 0 && !b.isEmpty(); --k)
            b[int(random.bounded(b.size()))] = alphabet[int(random.bounded(alphabet.size()))];
        if (random.bounded(4) == 0)
            b = text(int(random.bounded(70)));
        if (random.bounded(3) == 0)
            b.insert(int(random.bounded(b.size() + 1)), text(int(random.bounded(10))));
        const bool expected = IsSimilarText(a, b);
        similar += expected ? 1 : 0;
        ASSERT_EQ(IsSimilarLowered(a.toLower(), b.toLower()), expected) << a.toStdString() << " / " << b.toStdString();
    }
    EXPECT_GT(similar, 2000);
    EXPECT_LT(similar, 18000);
}

// The bookmarks of a page found by name through their index, against a scan of the list with
// the comparison the names are matched by; and the sort against the exchange sort it keeps,
// with few distinct positions so that equal ones are common.
TEST(Distiller, BookmarksAreFoundAndSortedAsAScanAndAnExchangeSortFindAndSortThem)
{
    QRandomGenerator random(31);
    const QString letters = QStringLiteral("aAbB#\u00DF\u0130\u0131iI\u03A3\u03C3\u03C2\u212AkK\u01C4\u01C5\u01C6\U00010400\U00010428");
    auto name = [&] {
        QString s;
        for (int k = int(random.bounded(1, 4)); k > 0; --k) {
            const int at = int(random.bounded(letters.size()));
            s += letters[at];
            if (letters[at].isHighSurrogate() && at + 1 < letters.size())
                s += letters[at + 1];
        }
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        TBookmarks marks;
        std::vector<TBookmark *> added;
        for (int k = int(random.bounded(40)); k > 0; --k) {
            auto b = std::make_unique<TBookmark>();
            b->Name = name();
            b->Position = int(random.bounded(round % 2 ? 1000 : 6));
            added.push_back(marks.Add(std::move(b)));
        }
        if (round % 3 == 0) {
            marks.Sort();
            for (size_t a = 0; a + 1 < added.size(); ++a)
                for (size_t b = a + 1; b < added.size(); ++b)
                    if (added[b]->Position < added[a]->Position)
                        std::swap(added[a], added[b]);
            for (int k = 0; k < marks.Count(); ++k)
                ASSERT_EQ(marks.Items(k), added[size_t(k)]) << round << " at " << k;
        }
        for (int probe = 0; probe < 40; ++probe) {
            const QString asked = probe % 2 ? name() : added.empty() ? QString() : added[random.bounded(quint32(added.size()))]->Name;
            QString bare = asked.startsWith('#') ? asked.mid(1) : asked;
            int expected = -1;
            for (int k = 0; k < int(added.size()) && expected < 0 && !bare.isEmpty(); ++k)
                if (added[size_t(k)]->Name.compare(bare, Qt::CaseInsensitive) == 0)
                    expected = k;
            ASSERT_EQ(marks.GetItemIdByName(asked), expected) << round << " " << asked.toStdString();
        }
    }
}
