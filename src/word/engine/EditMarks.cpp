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
    }
    p->Inlines.insert(p->Inlines.begin() + long(k), std::make_move_iterator(inlines.begin()),
                      std::make_move_iterator(inlines.end()));
    p->Touch();
    story.LengthChanged(p);
    return p->TextLength() - before;
}

bool LocateBookmark(TStory &story, const QString &name, int &from, int &to)
{
    int id = 0;
    bool inside = false;
    const int count = story.ParagraphCount();
    for (int i = 0; i < count; ++i) {
        TParagraph *p = story.ParagraphAt(i);
        int acc = -1;
        for (const auto &in : p->Inlines) {
            if (!inside && in.Kind == TInlineKind::BookmarkStart && in.Text.compare(name, Qt::CaseInsensitive) == 0) {
                if (acc < 0)
                    acc = story.ParagraphStart(i);
                from = acc;
                inside = true;
                id = in.Id;
            } else if (inside && in.Kind == TInlineKind::BookmarkEnd && in.Id == id) {
                if (acc < 0)
                    acc = story.ParagraphStart(i);
                to = acc;
                return true;
            }
            if (in.Length()) {
                if (acc < 0)
                    acc = story.ParagraphStart(i);
                acc += in.Length();
            }
        }
    }
    if (inside) // an end that never comes: the bookmark runs to the end
        to = std::max(from, story.Length() - 1);
    return inside;
}

bool RemoveBookmark(TStory &story, const QString &name)
{
    int id = 0;
    bool found = false;
    for (TParagraph *p : story.Paragraphs()) {
        auto &ins = p->Inlines;
        for (size_t k = 0; k < ins.size();) {
            const TInline &in = ins[k];
            if (!found && in.Kind == TInlineKind::BookmarkStart && in.Text.compare(name, Qt::CaseInsensitive) == 0) {
                found = true;
                id = in.Id;
                ins.erase(ins.begin() + long(k));
                continue;
            }
            if (found && in.Kind == TInlineKind::BookmarkEnd && in.Id == id) {
                ins.erase(ins.begin() + long(k));
                return true;
            }
            ++k;
        }
    }
    return found;
}

int NewBookmarkId()
{
    // Far above the ids read from packages, so a new mark never pairs with an old one.
    static std::atomic<int> next{1 << 24};
    return next.fetch_add(1);
}

} // namespace tavrel::engine
