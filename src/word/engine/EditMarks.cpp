// Edits that place zero- or one-character marks (bookmarks, field marks, shapes) by position.
#include "word/engine/Edit.h"

#include <atomic>

namespace tavrel::engine {

int InsertInlines(TStory &story, int pos, std::vector<TInline> inlines)
{
    if (inlines.empty())
        return 0;
    TLocation loc = Locate(story, pos);
    TParagraph *p = story.ParagraphAt(loc.Paragraph);
    if (!p)
        return 0;
    const int before = p->TextLength();
    const int l = std::min(loc.Local, before);
    int acc = 0;
    size_t k = 0;
    for (; k < p->Inlines.size(); ++k) {
        const int len = p->Inlines[k].Length();
        if (len > 0 && acc + len > l)
            break;
        acc += len;
    }
    if (k < p->Inlines.size() && p->Inlines[k].Kind == TInlineKind::Text && acc < l) {
        // Split the text inline the position falls in.
        TInline tail = p->Inlines[k];
        tail.Text = tail.Text.mid(l - acc);
        p->Inlines[k].Text.truncate(l - acc);
        p->Inlines.insert(p->Inlines.begin() + long(k) + 1, std::move(tail));
        ++k;
    }
    for (auto &in : inlines) {
        if (in.Field && in.Kind == TInlineKind::FieldBegin)
            in.Field->BeginParagraph = p;
        if (in.Shape)
            in.Shape->Paragraph = p;
        if (in.Kind == TInlineKind::BookmarkStart)
            story.BookmarkStartAdded(p, in.Text);
    }
    p->Inlines.insert(p->Inlines.begin() + long(k), std::make_move_iterator(inlines.begin()),
                      std::make_move_iterator(inlines.end()));
    p->Touch();
    story.LengthChanged(p);
    return p->TextLength() - before;
}

bool FirstBookmarkStart(TStory &story, const QString &name, int &paragraph, size_t &inlineIndex)
{
    // The story lists the paragraphs that hold starts of the name: the first of them in
    // document order holds the first start, without reading the rest of the story.
    for (TParagraph *p : story.BookmarkCandidates(name)) {
        for (size_t k = 0; k < p->Inlines.size(); ++k) {
            const TInline &in = p->Inlines[k];
            if (in.Kind == TInlineKind::BookmarkStart && in.Text.compare(name, Qt::CaseInsensitive) == 0) {
                paragraph = p->Index;
                inlineIndex = k;
                return true;
            }
        }
    }
    return false;
}

bool LocateBookmark(TStory &story, const QString &name, int &from, int &to)
{
    int first = 0;
    size_t k0 = 0;
    if (!FirstBookmarkStart(story, name, first, k0))
        return false;
    const int count = story.ParagraphCount();
    TParagraph *p = story.ParagraphAt(first);
    const int id = p->Inlines[k0].Id;
    int acc = story.ParagraphStart(first);
    for (size_t k = 0; k < k0; ++k)
        acc += p->Inlines[k].Length();
    from = acc;
    // The end is the first end mark of its id behind the start.
    for (int i = first; i < count; ++i) {
        p = story.ParagraphAt(i);
        size_t k = 0;
        if (i == first) {
            k = k0 + 1;
        } else {
            acc = story.ParagraphStart(i);
        }
        for (; k < p->Inlines.size(); ++k) {
            const TInline &in = p->Inlines[k];
            if (in.Kind == TInlineKind::BookmarkEnd && in.Id == id) {
                to = acc;
                return true;
            }
            acc += in.Length();
        }
    }
    // An end that never comes: the bookmark runs to the end.
    to = std::max(from, story.Length() - 1);
    return true;
}

bool RemoveBookmark(TStory &story, const QString &name)
{
    int first = 0;
    size_t k0 = 0;
    if (!FirstBookmarkStart(story, name, first, k0))
        return false;
    TParagraph *p = story.ParagraphAt(first);
    auto &ins = p->Inlines;
    const int id = ins[k0].Id;
    const QString stored = ins[k0].Text;
    ins.erase(ins.begin() + long(k0));
    story.BookmarkStartRemoved(p, stored);
    const int count = story.ParagraphCount();
    for (int i = first; i < count; ++i) {
        auto &marks = story.ParagraphAt(i)->Inlines;
        for (size_t k = i == first ? k0 : 0; k < marks.size(); ++k)
            if (marks[k].Kind == TInlineKind::BookmarkEnd && marks[k].Id == id) {
                marks.erase(marks.begin() + long(k));
                return true;
            }
    }
    return true;
}

int NewBookmarkId()
{
    // Far above the ids read from packages, so a new mark never pairs with an old one.
    static std::atomic<int> next{1 << 24};
    return next.fetch_add(1);
}

} // namespace tavrel::engine
