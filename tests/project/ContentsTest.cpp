// The contents list: name derivation, unique names (against the plain walk over the list),
// the navigation setting string and the pass that links the finished list.
#include "project/Contents.h"
#include "ProjectTestSupport.h"
#include "project/ProjectSetting.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {

TContentsItem *addItem(TContentsItems &items, const QString &title, int level, const QString &url, bool page = true)
{
    auto item = std::make_unique<TContentsItem>();
    item->Title = item->HTMLTitle = title;
    item->Level = level;
    item->Url = url;
    item->Accessible = page;
    item->Status = page ? 0 : 2;
    return items.Add(std::move(item));
}

bool asciiEqualNoCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        auto f = [](QChar c) { return c.unicode() >= 'A' && c.unicode() <= 'Z' ? QChar(c.unicode() + 32) : c; };
        if (f(a[i]) != f(b[i]))
            return false;
    }
    return true;
}

// The walk that starts again from the first entry after every clash.
QString walkFilename(const TContentsItems &items, const QString &name, const QString &ext)
{
    QString candidate = name + ext;
    int n = 1;
    for (int i = 0; i < items.Count(); ++i)
        if (asciiEqualNoCase(items[i]->Url, candidate)) {
            candidate = name + QString::number(n++) + ext;
            i = -1;
        }
    return candidate;
}

} // namespace

TEST(Contents, NameDerivation)
{
    EXPECT_EQ(GetHexName("A b"), "00410062");
    EXPECT_EQ(GetBaseName("Introduction"), "Introduction");
    EXPECT_EQ(GetTopicFileName("Getting Started"), "getting-started");
    EXPECT_EQ(GetTopicStaticName("Getting Started"), "GETTING_STARTED");
    // Nothing transliterable: "Blank"; one or two characters: the hex form of the untrimmed title.
    EXPECT_EQ(GetBaseName(QString::fromUtf8("中文")), "Blank");
    EXPECT_EQ(GetBaseName(" "), "Blank");
    EXPECT_EQ(GetBaseName(QString::fromUtf8("A 中文")), "00414E2D6587");
    EXPECT_EQ(GetBaseName(QString::fromUtf8("中 文")), "4E2D6587");
    EXPECT_EQ(GetTopicFileName("___"), "---");
    EXPECT_EQ(GetTopicStaticName("___"), "___");
    // The splitter derives from the base name again: a leading "-" vanishes.
    EXPECT_EQ(GetTopicFileName(GetBaseName("-Setup")), "setup");
    EXPECT_EQ(GetTopicFileName(QString(300, 'a')).size(), 250);
    EXPECT_EQ(GetTopicStaticName(QString(300, 'a')), QString(50, 'A'));
}

TEST(Contents, ExclusiveNamesNumberClashesIgnoringAsciiCase)
{
    TContentsItems items;
    for (const QString title : {"Introduction", "INTRODUCTION", "introduction"}) {
        auto item = std::make_unique<TContentsItem>();
        const QString base = GetBaseName(title);
        item->Url = items.GetExclusiveFilename(GetTopicFileName(base), ".htm");
        item->StaticName = items.GetExclusiveStaticName(GetTopicStaticName(base));
        items.Add(std::move(item));
    }
    EXPECT_EQ(items[0]->Url, "introduction.htm");
    EXPECT_EQ(items[1]->Url, "introduction1.htm");
    EXPECT_EQ(items[2]->Url, "introduction2.htm");
    EXPECT_EQ(items[2]->StaticName, "INTRODUCTION2");
    // Only A to Z fold: "É" and "é" are different names.
    addItem(items, "x", 1, QString::fromUtf8("É.htm"));
    EXPECT_EQ(items.GetExclusiveFilename(QString::fromUtf8("é"), ".htm"), QString::fromUtf8("é.htm"));
    // An explicit name added earlier makes the derived one numbered; one added later does not matter.
    addItem(items, "x", 1, "Topic.HTM");
    EXPECT_EQ(items.GetExclusiveFilename("topic", ".htm"), "topic1.htm");
    // A name freed by an entry that loses its page is found again.
    items.SetUrl(items[1], QString());
    EXPECT_EQ(items.GetExclusiveFilename("introduction", ".htm"), "introduction1.htm");
    items.Delete(0);
    EXPECT_EQ(items.GetExclusiveFilename("introduction", ".htm"), "introduction.htm");
    items.Clear();
    EXPECT_EQ(items.GetExclusiveFilename("introduction", ".htm"), "introduction.htm");
}

TEST(Contents, ExclusiveNamesAgreeWithTheWalkOverTheList)
{
    // Names that end in digits make families overlap ("a1" + "2" is "a12", so is "a" + "12").
    const QStringList stems{"a", "a1", "A12", "b", "a0"};
    QRandomGenerator rng(7);
    TContentsItems items;
    for (int round = 0; round < 1500; ++round) {
        const QString stem = stems[rng.bounded(stems.size())];
        const QString ext = rng.bounded(4) == 0 ? ".HTML" : ".htm";
        const QString expected = walkFilename(items, stem, ext);
        ASSERT_EQ(items.GetExclusiveFilename(stem, ext), expected) << round;
        const int action = rng.bounded(10);
        if (action < 7) {
            addItem(items, "t", 1, expected);
        } else if (action == 7 && items.Count() > 0) {
            items.Delete(rng.bounded(items.Count()));
        } else if (action == 8 && items.Count() > 0) {
            items.SetUrl(items[rng.bounded(items.Count())], QString());
        } else {
            addItem(items, "t", 1, stem + QString::number(rng.bounded(30)) + ext);
        }
    }
}

TEST(Contents, ManyEqualTitlesTakeLinearTime)
{
    TContentsItems items;
    for (int i = 0; i < 20000; ++i) {
        auto item = std::make_unique<TContentsItem>();
        item->Url = items.GetExclusiveFilename("blank", ".htm");
        item->StaticName = items.GetExclusiveStaticName("BLANK");
        items.Add(std::move(item));
    }
    EXPECT_EQ(items[0]->Url, "blank.htm");
    EXPECT_EQ(items[19999]->Url, "blank19999.htm");
    EXPECT_EQ(items[19999]->StaticName, "BLANK19999");
}

TEST(Contents, NavigationSettingString)
{
    TNavSetting nav;
    nav.SetSettingText(DefaultNavSettingText());
    EXPECT_EQ(nav.NavStartStr, "Help &gt; ");
    EXPECT_EQ(nav.Delimiter, " &gt; ");
    EXPECT_FALSE(nav.EndWithDelimiter);
    EXPECT_TRUE(nav.IncludeTopic);
    nav.SetSettingText("\"Say \"\"hi\"\", <b>\" , | ,1 ,0");
    EXPECT_EQ(nav.NavStartStr, "Say &quot;hi&quot;, &lt;b&gt;");
    EXPECT_EQ(nav.Delimiter, "|");
    EXPECT_TRUE(nav.EndWithDelimiter);
    EXPECT_FALSE(nav.IncludeTopic);
    // Blanks outside quotes separate items too.
    nav.SetSettingText("Go on 1 1");
    EXPECT_EQ(nav.NavStartStr, "Go");
    EXPECT_EQ(nav.Delimiter, "on");
    // Short strings: the missing items take the default's values.
    nav.SetSettingText("");
    EXPECT_EQ(nav.NavStartStr, "Help &gt; ");
    EXPECT_TRUE(nav.IncludeTopic);
    nav.SetSettingText("Start,");
    EXPECT_EQ(nav.NavStartStr, "Start");
    EXPECT_EQ(nav.Delimiter, "");
    EXPECT_FALSE(nav.EndWithDelimiter);
    EXPECT_TRUE(nav.IncludeTopic);
}

TEST(Contents, PreProcessLinksPagesAndBreadcrumbs)
{
    TProject project;
    TContentsItems items;
    items.Project = &project;
    items.PreProcess(); // empty list: nothing happens

    addItem(items, "Chapter", 1, "chapter.htm");
    addItem(items, "Section", 2, "", false)->HasChildNode = true;
    addItem(items, "Topic", 3, "topic.htm");
    addItem(items, "Other", 1, "sub/other.htm");
    items[0]->HasChildNode = true;
    items[3]->Icon = 5;
    items.PreProcess();

    EXPECT_EQ(items[2]->Navigation, "Help &gt; <a href=\"chapter.htm\">Chapter</a> &gt; <a href=\"topic.htm\">Section</a> &gt; Topic");
    EXPECT_EQ(items[1]->Navigation, "Help &gt; ");
    EXPECT_EQ(items[0]->Navigation, "Help &gt; Chapter"); // no delimiter after the start text
    EXPECT_EQ(items[3]->Navigation, "Help &gt; Other");
    // Previous and next skip the entry without a page.
    EXPECT_EQ(items[0]->LastPage, "");
    EXPECT_EQ(items[0]->NextPage, "topic.htm");
    EXPECT_EQ(items[2]->LastPage, "chapter.htm");
    EXPECT_EQ(items[2]->NextPage, "sub/other.htm");
    EXPECT_EQ(items[3]->LastPage, "../topic.htm");
    EXPECT_EQ(items[3]->NextPage, "");
    EXPECT_TRUE(items[1]->LastPage.isEmpty() && items[1]->NextPage.isEmpty());
    // Levels 1, 2, 3, 1: the level 3 and 2 entries are last of their level, so is the final one.
    EXPECT_FALSE(items[0]->LastInTheSameLevel);
    EXPECT_TRUE(items[1]->LastInTheSameLevel);
    EXPECT_TRUE(items[2]->LastInTheSameLevel);
    EXPECT_TRUE(items[3]->LastInTheSameLevel);
    // Default icons: HasChild + 1 with children (page or not), NoChild + 1 without; chosen ones stay.
    EXPECT_EQ(items[0]->Icon, project.HasChild + 1);
    EXPECT_EQ(items[1]->Icon, project.HasChild + 1);
    EXPECT_EQ(items[2]->Icon, project.NoChild + 1);
    EXPECT_EQ(items[3]->Icon, 5);
}

TEST(Contents, PreProcessSettingVariants)
{
    TProject project;
    TContentsItems items;
    items.Project = &project;
    addItem(items, "Only", 1, "only.htm");
    project.NavSetting = "Start:,/,1,0";
    items.PreProcess();
    EXPECT_EQ(items[0]->Navigation, "Start:");
    EXPECT_TRUE(items[0]->LastInTheSameLevel);
    EXPECT_TRUE(items[0]->LastPage.isEmpty() && items[0]->NextPage.isEmpty());

    addItem(items, "Child &amp; more", 2, "child.htm");
    items.PreProcess();
    EXPECT_EQ(items[1]->Navigation, "Start:<a href=\"only.htm\">Only</a>/");
    // Levels deeper than the usual nine, and a jump the splitter would not make, do not break it.
    addItem(items, "Deep", 150, "deep.htm");
    addItem(items, "Back", 1, "back.htm");
    items.PreProcess();
    EXPECT_EQ(items[3]->Navigation, "Start:");
    EXPECT_TRUE(items[2]->LastInTheSameLevel);
}
