// The contents and index readers on sitemap texts of the shapes help files come in.
#include "chm2word/ChmTo.h"

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

QString Param(const QString &name, const QString &value)
{
    return QStringLiteral("<param name=\"%1\" value=\"%2\">").arg(name, value);
}

QString Obj(const QString &params) { return "<LI> <OBJECT type=\"text/sitemap\">" + params + "</OBJECT>\n"; }

// "level|topic|url|status|icon" of every entry, one a line.
QString Show(const TTitleLists &list)
{
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) {
        const TTitleList &e = *list[i];
        out << QStringLiteral("%1|%2|%3|%4|%5").arg(e.Level).arg(e.Topic, e.Url).arg(e.Status).arg(e.Icon);
    }
    return out.join('\n');
}

} // namespace

TEST(SitemapReader, ContentsEntriesLevelsAndAddresses)
{
    const QString text =
        "<HTML><BODY><OBJECT type=\"text/site properties\"><param name=\"ImageType\" value=\"Folder\"></OBJECT>"
        "<ul>" + Obj(Param("Name", "Intro") + Param("Local", "my%20page.htm") + Param("Local", "second.htm"))
        + Obj(Param("name", "Twice") + Param("Name", "Not this") + "<PARAM NAME=\"local\" VALUE=\"a.htm\">"
              + Param("ImageNumber", "7"))
        + "<UL>" + Obj(Param("Name", "Heading only")) + Obj(Param("Name", "----") + Param("Local", "sep.htm"))
        + Obj(Param("Name", "a > b &amp; \"c\"").replace("\"c\"", "&quot;c&quot;") + Param("Local", "x%20Y%20z.htm"))
        + "<LI class=x>" + Param("Name", "Inside an attributed item") + Param("Local", "merged.htm")
        + "</UL>" + Obj(Param("Name", "Bad image") + Param("Local", "b.htm") + Param("ImageNumber", "x"))
        + "<LI><OBJECT>" + Param("Merge", "other.chm::/other.hhc") + "</OBJECT>"
        + "</ul></BODY></HTML>";
    TTitleLists list;
    TWarnings w;
    ReadContentsText(text, list, &w);
    // An item tag with an attribute starts no entry: its params belong to the entry before.
    EXPECT_EQ(Show(list), "0|Intro|my page.htm|0|0\n"
                          "0|Twice|a.htm|0|7\n"
                          "1|Heading only||2|0\n"
                          "1|a > b & \"c\"|x Y z.htm|0|0\n"
                          "0|Bad image|b.htm|0|0");
    EXPECT_TRUE(w.Contains("not a number"));
    EXPECT_EQ(list[4]->ContextNumber, "1004");
    EXPECT_EQ(list[4]->Index, 4);
}

TEST(SitemapReader, IndexKeywordsAttachToTheEntriesOfTheirPages)
{
    TTitleLists list;
    ReadContentsText("<UL>" + Obj(Param("Name", "A") + Param("Local", "a.htm")) + Obj(Param("Name", "B") + Param("Local", "Dir/B.htm"))
                         + Obj(Param("Name", "Group")) + "</UL>",
                     list);
    const QString index =
        "<UL>" + Obj(Param("Name", "Tools")) + "<UL>" + Obj(Param("Name", "A/B") + Param("Name", "title") + Param("Local", "a.htm"))
        + Obj(Param("Name", "Deeper") + Param("Local", "dir/b.htm")) + "<UL>"
        + Obj(Param("Name", "Leaf") + Param("Local", "A.HTM") + Param("Local", "dir/b%20.htm")) + "</UL></UL>"
        + Obj(Param("Keyword", "plain") + Param("Local", "a.htm") + Param("Local", "dir/B.htm"))
        + Obj(Param("Name", "See") + Param("See Also", "plain")) + Obj(Param("Name", "Nowhere") + Param("Local", "none.htm"))
        + Obj(Param("Name", "Empty") + Param("Local", "")) + "</UL>";
    ReadIndexText(index, list);
    EXPECT_EQ(list[0]->Keywords, "Tools/A//B`\\Tools/Deeper/Leaf`\\plain");
    EXPECT_EQ(list[1]->Keywords, "Tools/Deeper`\\plain");
    EXPECT_EQ(list[2]->Keywords, "") << "a heading without a page takes no keyword";
}

TEST(SitemapReader, EndlessNestingAndBrokenTextsStayBounded)
{
    TTitleLists list;
    ReadContentsText(QString("<UL>").repeated(20000) + Obj(Param("Name", "Deep") + Param("Local", "d.htm"))
                         + QString("</UL>").repeated(30000) + Obj(Param("Name", "After") + Param("Local", "e.htm"))
                         + "<LI>" + "<param name=\"Name\" value=\"unclosed",
                     list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0]->Level, 19999);
    EXPECT_EQ(list[1]->Level, -10001);
    QString index;
    for (int i = 0; i < 5000; ++i)
        index += "<UL>" + Obj(Param("Name", QString("k%1").arg(i)) + Param("Local", "d.htm"));
    TWarnings w;
    ReadIndexText(index, list, &w);
    EXPECT_TRUE(w.Contains("deep"));
    // Every keyword path is at most the kept depth long.
    for (const QString &k : list[0]->Keywords.split(KeywordSeparator))
        EXPECT_LE(k.count('/'), 64);
    EXPECT_EQ(list[0]->Keywords.count(KeywordSeparator), 4999);
}
