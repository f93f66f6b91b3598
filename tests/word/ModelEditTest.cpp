// The model's index and the editing primitives: positions stay right through inserts, deletes,
// paragraph splits and joins, also inside tables and across fields.
#include "DocxBuilder.h"
#include "word/engine/DocxReader.h"
#include "word/engine/Edit.h"
#include "word/engine/Numbering.h"
#include "word/engine/Word.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;

namespace {

std::unique_ptr<TDocument> read(const QString &body)
{
    TDocxOptions o;
    o.DisplayName = "t.docx";
    return ReadDocxBytes(TDocxBuilder().Body(body).Build(), o);
}

void walk(std::vector<TBlock> &blocks, std::vector<TParagraph *> &out)
{
    for (auto &b : blocks)
        if (b.Paragraph)
            out.push_back(b.Paragraph.get());
        else if (b.Table)
            for (auto &r : b.Table->Rows)
                for (auto &c : r.Cells)
                    walk(c.Blocks, out);
}

// Positions recomputed from scratch, for comparison with the index.
void checkIndex(TStory &s)
{
    std::vector<TParagraph *> order;
    walk(s.Blocks, order);
    ASSERT_EQ(s.Paragraphs(), order);
    for (size_t i = 0; i < order.size(); ++i)
        ASSERT_TRUE(order[i]->Index == int(i) && order[i]->Story == &s);
    int sum = 0;
    for (TParagraph *p : s.Paragraphs()) {
        ASSERT_EQ(s.ParagraphStart(p->Index), sum);
        for (int k = 0; k < p->Length(); ++k)
            ASSERT_EQ(s.IndexOfPosition(sum + k), p->Index);
        sum += p->Length();
    }
    ASSERT_EQ(s.Length(), sum);
}

QString cell(const QString &t) { return "<w:tc>" + P(t) + "</w:tc>"; }

} // namespace

TEST(ModelEdit, TheIndexFollowsEveryEditAndMatchesAPlainCount)
{
    auto doc = read(P("alpha") + P("beta") + "<w:tbl><w:tr>" + cell("c1") + cell("c2") + "</w:tr></w:tbl>" + P("gamma"));
    TStory &s = doc->Body;
    checkIndex(s);
    std::mt19937 rng(7);
    for (int step = 0; step < 300; ++step) {
        int len = s.Length();
        int pos = int(rng() % uint(len));
        switch (rng() % 5) {
        case 4: {
            // Pasted blocks: paragraphs and a table, at the end or anywhere.
            auto piece = read(P("n1") + "<w:tbl><w:tr>" + cell("t1") + cell("t2") + "</w:tr></w:tbl>" + P("n2"));
            InsertBlocks(s, rng() % 2 ? len - 1 : pos, std::move(piece->Body.Blocks), rng() % 2);
            break;
        }
        case 0: InsertText(s, pos, "xy"); break;
        case 1: InsertText(s, pos, "p\rq"); break;
        case 2: DeleteRange(s, pos, pos + int(rng() % 4)); break;
        case 3: DeleteRange(s, pos, pos + 1); break;
        }
        checkIndex(s);
        if (HasFailure())
            return;
    }
    // The table survived: two cells, each ending in a paragraph, one row mark.
    ASSERT_EQ(s.Blocks.size() >= 1, true);
    int tables = 0;
    for (auto &b : s.Blocks)
        if (b.Table) {
            ++tables;
            EXPECT_EQ(b.Table->Rows[0].Cells.size(), 2u);
        }
    EXPECT_GE(tables, 1);
}

namespace {

struct TFoundMark
{
    bool Found = false;
    int From = 0, To = 0;
    bool operator==(const TFoundMark &o) const { return Found == o.Found && (!Found || (From == o.From && To == o.To)); }
};

// A bookmark found by reading the whole story from the top, positions counted from scratch.
TFoundMark scanForBookmark(TStory &s, const QString &name)
{
    std::vector<TParagraph *> order;
    walk(s.Blocks, order);
    TFoundMark r;
    int pos = 0, id = 0;
    for (TParagraph *p : order) {
        for (const TInline &in : p->Inlines) {
            if (!r.Found && in.Kind == TInlineKind::BookmarkStart && in.Text.compare(name, Qt::CaseInsensitive) == 0) {
                r = {true, pos, 0};
                id = in.Id;
            } else if (r.Found && in.Kind == TInlineKind::BookmarkEnd && in.Id == id) {
                r.To = pos;
                return r;
            }
            pos += in.Length();
        }
        pos += 1 + p->TrailingMarks;
    }
    if (r.Found)
        r.To = std::max(r.From, pos - 1);
    return r;
}

} // namespace

TEST(ModelEdit, BookmarksAreFoundAsAReadingOfTheWholeStoryFindsThem)
{
    auto doc = read(P("alpha") + P("beta") + "<w:tbl><w:tr>" + cell("c1") + cell("c2") + "</w:tr></w:tbl>" + P("gamma"));
    TStory &s = doc->Body;
    const QStringList names{"Mark", "MARK", "mark", "Other", "_Toc7", "Pasted", "Never"};
    std::mt19937 rng(11);
    for (int step = 0; step < 600; ++step) {
        const int len = s.Length();
        const int pos = int(rng() % uint(len));
        const QString name = names[int(rng() % uint(names.size()))];
        switch (rng() % 7) {
        case 0:
        case 1: {
            // As the object API adds one: the old one of the name goes, the new one marks the range.
            const int to = std::min(pos + int(rng() % 6), len - 1);
            RemoveBookmark(s, name);
            TInline start, end;
            start.Kind = TInlineKind::BookmarkStart;
            start.Text = name;
            start.Id = end.Id = NewBookmarkId();
            end.Kind = TInlineKind::BookmarkEnd;
            InsertInlines(s, to, {end});
            InsertInlines(s, pos, {start});
            break;
        }
        case 2: RemoveBookmark(s, name); break;
        case 3: InsertText(s, pos, rng() % 2 ? "xy" : "p\rq"); break;
        case 4: DeleteRange(s, pos, pos + int(rng() % 5)); break;
        case 5: {
            // Blocks that bring bookmarks of their own, joined to the text before them or not.
            auto piece = read("<w:p><w:bookmarkStart w:id=\"1\" w:name=\"Pasted\"/>" + R("in") + "<w:bookmarkEnd w:id=\"1\"/></w:p>" +
                              "<w:tbl><w:tr><w:tc><w:p><w:bookmarkStart w:id=\"2\" w:name=\"mark\"/>" + R("t") +
                              "</w:p></w:tc></w:tr></w:tbl>" + P("n2") + "<w:p><w:bookmarkEnd w:id=\"2\"/></w:p>");
            const int a = NewBookmarkId(), b = NewBookmarkId();
            ForEachParagraph(piece->Body.Blocks, [&](TParagraph &p) {
                for (TInline &in : p.Inlines)
                    if (in.Kind == TInlineKind::BookmarkStart || in.Kind == TInlineKind::BookmarkEnd)
                        in.Id = in.Id == 1 ? a : b;
            });
            InsertBlocks(s, rng() % 2 ? len - 1 : pos, std::move(piece->Body.Blocks), rng() % 2);
            break;
        }
        case 6: DeleteRange(s, pos, pos + 1); break;
        }
        checkIndex(s);
        for (const QString &n : names) {
            TFoundMark got;
            got.Found = LocateBookmark(s, n, got.From, got.To);
            const TFoundMark want = scanForBookmark(s, n);
            ASSERT_TRUE(got == want) << "step " << step << " name " << n.toStdString() << ": found " << got.Found << " ["
                                     << got.From << ", " << got.To << ") instead of " << want.Found << " [" << want.From << ", "
                                     << want.To << ")";
            bool found = false;
            BookmarkText(s, n, &found);
            ASSERT_EQ(found, want.Found);
        }
        if (HasFailure())
            return;
    }
}

TEST(ModelEdit, ABookmarkOfAnExistingNameMovesAndNamesIgnoreLetterCase)
{
    WordApplication app;
    auto doc = app.Documents().Add(false);
    WordRange r = doc->Content();
    r.InsertAfter("first second third");
    WordRange a = doc->Content();
    a.SetEnd(5);
    doc->Bookmarks().Add("Topic", a);
    WordRange b = doc->Content();
    b.SetStart(6);
    b.SetEnd(12);
    doc->Bookmarks().Add("TOPIC", b);
    EXPECT_EQ(doc->Bookmarks().Count(), 1);
    EXPECT_TRUE(doc->Bookmarks().Exists("topic"));
    EXPECT_TRUE(doc->BookmarkExists("tOpIc"));
    EXPECT_EQ(doc->Bookmarks().Item("topic").Range().Text(), "second");
    // Text and a new paragraph before it carry it along.
    WordRange front = doc->Content();
    front.Collapse(wdCollapseStart);
    front.InsertAfter("new\r");
    EXPECT_EQ(doc->Bookmarks().Item("Topic").Range().Text(), "second");
    doc->Bookmarks().Item("topic").Delete();
    EXPECT_FALSE(doc->Bookmarks().Exists("Topic"));
    EXPECT_FALSE(doc->BookmarkExists("topic"));
    EXPECT_EQ(doc->Bookmarks().Count(), 0);
}

TEST(ModelEdit, InsertSplitAndJoinParagraphs)
{
    auto doc = read(P("one") + P("two"));
    TStory &s = doc->Body;
    EXPECT_EQ(InsertText(s, 1, "X\rY"), 3);
    EXPECT_EQ(RangeText(s, 0, s.Length()), "oX\rYne\rtwo\r");
    EXPECT_EQ(s.ParagraphCount(), 3);
    // Deleting a mark joins two paragraphs of the same container.
    auto [a, b] = DeleteRange(s, 2, 3);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(RangeText(s, 0, s.Length()), "oXYne\rtwo\r");
    // Across paragraphs: the text between goes, the ends join.
    DeleteRange(s, 3, 8);
    EXPECT_EQ(RangeText(s, 0, s.Length()), "oXYo\r");
    // The end-of-row and cell marks of a table are never joined away.
    auto t = read("<w:tbl><w:tr>" + cell("a") + cell("b") + "</w:tr></w:tbl>" + P("z"));
    TStory &ts = t->Body;
    DeleteRange(ts, 1, 2); // the first cell's mark
    EXPECT_EQ(RangeText(ts, 0, ts.Length()), QString("a\rb\r") + QChar(0x07) + "z\r");
    DeleteRange(ts, 0, ts.Length() - 1); // everything up to the last mark: text goes, structure stays
    EXPECT_EQ(RangeText(ts, 0, ts.Length()), QString("\r\r") + QChar(0x07) + "\r");
}

TEST(ModelEdit, InsertedTextTakesTheFormattingItJoins)
{
    auto doc = read("<w:p>" + R("plain") + R("bold", "<w:b/>") + "</w:p>");
    TStory &s = doc->Body;
    InsertText(s, 5, "+"); // at the boundary: joins the text it starts
    InsertText(s, 0, "<");
    InsertText(s, s.ParagraphAt(0)->TextLength(), ">");
    auto &in = s.ParagraphAt(0)->Inlines;
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].Text, "<plain");
    EXPECT_EQ(in[1].Text, "+bold>");
    EXPECT_TRUE(in[1].Props->Bold.value_or(false));
}

TEST(ModelEdit, BookmarkTextAndRunFormattingChanges)
{
    auto doc = read("<w:p><w:bookmarkStart w:id=\"1\" w:name=\"Mark\"/>" + R("see ") +
                    "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
                    "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + R("3") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" +
                    "</w:p>" + P("more") + "<w:p>" + R("end") + "<w:bookmarkEnd w:id=\"1\"/></w:p>");
    bool found = false;
    EXPECT_EQ(BookmarkText(doc->Body, "mark", &found), "see 3 more end");
    EXPECT_TRUE(found);
    BookmarkText(doc->Body, "none", &found);
    EXPECT_FALSE(found);
    ChangeRunProps(doc->Body, 1, 3, [](TRunProps &r) { r.Italic = true; });
    auto &in = doc->Body.ParagraphAt(0)->Inlines;
    EXPECT_EQ(in[1].Text, "s");
    EXPECT_EQ(in[2].Text, "ee");
    EXPECT_TRUE(in[2].Props->Italic.value_or(false));
    EXPECT_FALSE(in[3].Props && in[3].Props->Italic.value_or(false));
}

TEST(ModelEdit, ListCountersRestartAsWordDoes)
{
    TNumbering nb;
    TAbstractNum a;
    a.Id = 0;
    for (int l = 0; l < 3; ++l) {
        a.Levels[size_t(l)].Defined = true;
        a.Levels[size_t(l)].Text = QStringLiteral("%%1").arg(l + 1);
    }
    a.Levels[2].Restart = 0; // level 3 never restarts
    a.Levels[1].Format = "upperLetter";
    nb.Abstracts[0] = a;
    TNum n1;
    n1.Id = 1;
    n1.AbstractId = 0;
    nb.Nums[1] = n1;
    TNum n2 = n1;
    n2.Id = 2; // another instance of the same list continues its numbers
    nb.Nums[2] = n2;
    TListCounter c(nb, nullptr);
    QStringList got;
    for (auto [num, lvl] : std::vector<std::pair<int, int>>{{1, 0}, {1, 1}, {1, 2}, {1, 1}, {1, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {5, 0}})
        got << c.Next(num, lvl);
    EXPECT_EQ(got, (QStringList{"1", "A", "1", "B", "2", "2", "A", "3", "3", ""}));
}
