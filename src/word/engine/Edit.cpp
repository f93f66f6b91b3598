#include "word/engine/Edit.h"

#include <set>

namespace tavrel::engine {

namespace {

struct Container
{
    std::vector<TBlock> *Blocks = nullptr;
    size_t Index = 0;
};

bool findContainer(std::vector<TBlock> &blocks, const TParagraph *p, Container &out)
{
    // From the end: text is mostly added there.
    for (size_t i = blocks.size(); i-- > 0;) {
        TBlock &b = blocks[i];
        if (b.Paragraph.get() == p) {
            out = {&blocks, i};
            return true;
        }
        if (b.Table)
            for (auto &row : b.Table->Rows)
                for (auto &cell : row.Cells)
                    if (findContainer(cell.Blocks, p, out))
                        return true;
    }
    return false;
}

void dropEmptyText(TParagraph &p)
{
    auto &in = p.Inlines;
    in.erase(std::remove_if(in.begin(), in.end(),
                            [](const TInline &i) { return i.Kind == TInlineKind::Text && i.Text.isEmpty(); }),
             in.end());
}

QString cleanInserted(const QString &s)
{
    QString out = s;
    for (auto &c : out) {
        char16_t u = c.unicode();
        if (u < 0x20 && u != chars::Tab && u != chars::LineBreak && u != chars::PageBreak && u != chars::ColumnBreak &&
            u != chars::SoftHyphen && u != chars::NoBreakHyphen)
            c = ' ';
    }
    return out;
}

std::shared_ptr<const TRunProps> textPropsNear(const TParagraph &p, size_t k)
{
    for (size_t i = k; i-- > 0;)
        if (p.Inlines[i].Kind == TInlineKind::Text)
            return p.Inlines[i].Props;
    for (size_t i = k; i < p.Inlines.size(); ++i)
        if (p.Inlines[i].Kind == TInlineKind::Text)
            return p.Inlines[i].Props;
    if (k > 0 && p.Inlines[k - 1].Props)
        return p.Inlines[k - 1].Props;
    return p.MarkProps;
}

void insertInParagraph(TStory &story, int pos, const QString &piece)
{
    if (piece.isEmpty())
        return;
    TLocation loc = Locate(story, pos);
    TParagraph *p = story.ParagraphAt(loc.Paragraph);
    if (!p)
        return;
    int l = std::min(loc.Local, p->TextLength());
    int acc = 0;
    size_t k = 0;
    for (; k < p->Inlines.size(); ++k) {
        int len = p->Inlines[k].Length();
        if (len == 0)
            continue; // insert after the zero-width marks at this point
        if (l < acc + len)
            break;
        acc += len;
    }
    if (k < p->Inlines.size() && p->Inlines[k].Kind == TInlineKind::Text) {
        p->Inlines[k].Text.insert(l - acc, piece);
    } else if (k > 0 && p->Inlines[k - 1].Kind == TInlineKind::Text) {
        p->Inlines[k - 1].Text += piece;
    } else {
        TInline in;
        in.Kind = TInlineKind::Text;
        in.Text = piece;
        in.Props = textPropsNear(*p, k);
        p->Inlines.insert(p->Inlines.begin() + long(k), std::move(in));
    }
    story.LengthChanged(p);
}

// Takes the inlines of p's first l characters out of p (marks at the cut that close something
// go with them, marks that open something stay) and tells the story of p's new length.
std::vector<TInline> takeLeadingInlines(TStory &story, TParagraph &p, int l)
{
    std::vector<TInline> lead, rest;
    int acc = 0;
    size_t k = 0;
    for (; k < p.Inlines.size(); ++k) {
        TInline &in = p.Inlines[k];
        int len = in.Length();
        if (acc + len <= l && !(len == 0 && acc == l && in.Kind != TInlineKind::BookmarkEnd && in.Kind != TInlineKind::CommentEnd)) {
            lead.push_back(std::move(in));
            acc += len;
            continue;
        }
        if (in.Kind == TInlineKind::Text && acc < l) {
            TInline head = in;
            head.Text = in.Text.left(l - acc);
            in.Text = in.Text.mid(l - acc);
            lead.push_back(std::move(head));
        }
        break;
    }
    for (; k < p.Inlines.size(); ++k)
        rest.push_back(std::move(p.Inlines[k]));
    p.Inlines = std::move(rest);
    p.Touch();
    story.LengthChanged(&p);
    return lead;
}

// Splits the paragraph holding pos so that pos becomes the start of the second part. The
// original mark, section end and row marks stay with the second part.
void splitParagraphAt(TStory &story, int pos)
{
    TLocation loc = Locate(story, pos);
    TParagraph *p = story.ParagraphAt(loc.Paragraph);
    if (!p)
        return;
    Container c;
    if (!findContainer(story.Blocks, p, c))
        return;
    auto first = std::make_unique<TParagraph>();
    first->Props = p->Props;
    first->MarkProps = p->MarkProps;
    first->Where = p->Where;
    first->Inlines = takeLeadingInlines(story, *p, std::min(loc.Local, p->TextLength()));
    auto at = c.Blocks->insert(c.Blocks->begin() + long(c.Index), TBlock{std::move(first), nullptr});
    story.BlocksInserted(at, at + 1, p);
}

// Removes [la, lb) of one paragraph's text (the mark not included). Field marks and inline
// shapes inside go with it.
void removeLocal(TParagraph &p, int la, int lb)
{
    int acc = 0;
    std::vector<TInline> kept;
    kept.reserve(p.Inlines.size());
    for (auto &in : p.Inlines) {
        int len = in.Length();
        int s = acc, e = acc + len;
        acc = e;
        if (len == 0 || e <= la || s >= lb) {
            kept.push_back(std::move(in));
            continue;
        }
        if (in.Kind == TInlineKind::Text) {
            int cutFrom = std::max(la, s) - s, cutTo = std::min(lb, e) - s;
            in.Text.remove(cutFrom, cutTo - cutFrom);
            if (!in.Text.isEmpty())
                kept.push_back(std::move(in));
            continue;
        }
        if (in.Field && in.Kind == TInlineKind::FieldBegin)
            MarkDeleted(*in.Field);
        if (in.Shape)
            MarkDeleted(*in.Shape);
    }
    p.Inlines = std::move(kept);
    p.Touch();
}

void markGone(TParagraph &p)
{
    for (auto &in : p.Inlines) {
        if (in.Field && in.Kind == TInlineKind::FieldBegin)
            MarkDeleted(*in.Field);
        if (in.Shape)
            MarkDeleted(*in.Shape);
    }
}

void markGone(std::vector<TBlock> &blocks)
{
    ForEachParagraph(blocks, [](TParagraph &p) { markGone(p); });
}

} // namespace

TLocation Locate(TStory &story, int pos)
{
    TLocation loc;
    loc.Paragraph = story.IndexOfPosition(pos);
    if (loc.Paragraph >= 0)
        loc.Local = std::max(0, pos - story.ParagraphStart(loc.Paragraph));
    return loc;
}

int InsertText(TStory &story, int pos, const QString &text)
{
    if (text.isEmpty())
        return 0;
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    t.replace('\n', '\r');
    const QStringList pieces = t.split('\r');
    pos = std::clamp(pos, 0, std::max(0, story.Length() - 1));
    int p = pos, total = 0;
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            splitParagraphAt(story, p);
            p += 1;
            total += 1;
        }
        QString piece = cleanInserted(pieces[i]);
        insertInParagraph(story, p, piece);
        p += int(piece.size());
        total += int(piece.size());
    }
    return total;
}

QString RangeText(TStory &story, int from, int to)
{
    QString out;
    if (to <= from)
        return out;
    int first = story.IndexOfPosition(from);
    int last = story.IndexOfPosition(to - 1);
    if (first < 0)
        return out;
    int start = story.ParagraphStart(first);
    for (int i = first; i <= last; ++i) {
        TParagraph *p = story.ParagraphAt(i);
        QString s;
        for (const auto &in : p->Inlines) {
            switch (in.Kind) {
            case TInlineKind::Text: s += in.Text; break;
            case TInlineKind::FieldBegin: s += QChar(chars::FieldBegin); break;
            case TInlineKind::FieldSeparator: s += QChar(chars::FieldSeparator); break;
            case TInlineKind::FieldEnd: s += QChar(chars::FieldEnd); break;
            case TInlineKind::NoteReference: s += QChar(chars::NoteMark); break;
            case TInlineKind::Shape:
                if (in.Length())
                    s += QChar(chars::Object);
                break;
            default: break;
            }
        }
        s += QChar(chars::ParagraphMark);
        for (int m = 0; m < p->TrailingMarks; ++m)
            s += QChar(chars::RowEnd);
        int a = std::max(from - start, 0), b = std::min(to - start, int(s.size()));
        if (b > a)
            out += s.mid(a, b - a);
        start += int(s.size());
    }
    return out;
}

TFieldSpan LocateField(TStory &story, const TFieldInfo &field)
{
    TFieldSpan span;
    story.ParagraphCount(); // brings the back references up to date
    if (field.Deleted || !field.BeginParagraph || field.BeginParagraph->Story != &story)
        return span;
    int index = field.BeginParagraph->Index;
    const int count = story.ParagraphCount();
    bool begun = false;
    for (int i = index; i < count; ++i) {
        TParagraph *p = story.ParagraphAt(i);
        int pos = story.ParagraphStart(i);
        for (const auto &in : p->Inlines) {
            if (in.Field.get() == &field) {
                if (in.Kind == TInlineKind::FieldBegin) {
                    span.Begin = pos;
                    begun = true;
                } else if (begun && in.Kind == TInlineKind::FieldSeparator && span.Separator < 0) {
                    span.Separator = pos;
                } else if (begun && in.Kind == TInlineKind::FieldEnd) {
                    span.End = pos;
                    return span;
                }
            }
            pos += in.Length();
        }
        if (!begun)
            return TFieldSpan();
    }
    return TFieldSpan();
}

QString FieldCodeText(TStory &story, const TFieldInfo &field)
{
    TFieldSpan span = LocateField(story, field);
    if (!span.Valid())
        return QString();
    QString raw = RangeText(story, span.CodeStart(), span.CodeEnd());
    QString out;
    for (QChar c : raw)
        if (c != QChar(chars::FieldBegin) && c != QChar(chars::FieldSeparator) && c != QChar(chars::FieldEnd))
            out += c;
    return out;
}

std::vector<std::shared_ptr<TFieldInfo>> FieldsIn(TStory &story, int from, int to)
{
    std::vector<std::shared_ptr<TFieldInfo>> out;
    if (to <= from)
        return out;
    int first = story.IndexOfPosition(from);
    int last = story.IndexOfPosition(to - 1);
    if (first < 0)
        return out;
    for (int i = first; i <= last; ++i) {
        TParagraph *p = story.ParagraphAt(i);
        int pos = story.ParagraphStart(i);
        for (const auto &in : p->Inlines) {
            if (in.Kind == TInlineKind::FieldBegin && pos >= from && pos < to && in.Field && !in.Field->Deleted)
                out.push_back(in.Field);
            pos += in.Length();
        }
    }
    return out;
}

int LocateShape(TStory &story, const TShape &shape)
{
    story.ParagraphCount();
    if (shape.Deleted || !shape.Paragraph || shape.Paragraph->Story != &story)
        return -1;
    int pos = story.ParagraphStart(shape.Paragraph->Index);
    for (const auto &in : shape.Paragraph->Inlines) {
        if (in.Shape.get() == &shape)
            return pos;
        pos += in.Length();
    }
    return -1;
}

std::pair<int, int> DeleteRange(TStory &story, int from, int to)
{
    const int total = story.Length();
    from = std::clamp(from, 0, total);
    to = std::clamp(to, 0, total);
    if (from >= to)
        return {from, from};

    // A field is deleted whole or not at all: grow the range over fields whose marks it cuts.
    for (bool changed = true; changed;) {
        changed = false;
        int first = story.IndexOfPosition(from), last = story.IndexOfPosition(to - 1);
        std::set<const TFieldInfo *> seen;
        for (int i = first; i <= last && !changed; ++i) {
            TParagraph *p = story.ParagraphAt(i);
            int pos = story.ParagraphStart(i);
            for (const auto &in : p->Inlines) {
                if (in.Field && pos >= from && pos < to && !seen.count(in.Field.get())) {
                    seen.insert(in.Field.get());
                    TFieldSpan s = LocateField(story, *in.Field);
                    if (s.Valid() && (s.Begin < from || s.End >= to)) {
                        from = std::min(from, s.Begin);
                        to = std::max(to, s.End + 1);
                        changed = true;
                        break;
                    }
                }
                pos += in.Length();
            }
        }
    }

    int ia = story.IndexOfPosition(from);
    int ib = story.IndexOfPosition(to - 1);
    TParagraph *a = story.ParagraphAt(ia);
    TParagraph *b = story.ParagraphAt(ib);
    int sa = story.ParagraphStart(ia), sb = story.ParagraphStart(ib);
    int la = from - sa, lb = to - sb;
    const int oldLength = total;

    if (ia == ib) {
        int textLen = a->TextLength();
        bool markGoes = lb > textLen;
        removeLocal(*a, std::min(la, textLen), std::min(lb, textLen));
        dropEmptyText(*a);
        if (markGoes && a->TrailingMarks == 0 && la <= textLen) {
            // Joining with the next paragraph of the same container.
            Container c;
            if (findContainer(story.Blocks, a, c) && c.Index + 1 < c.Blocks->size() && (*c.Blocks)[c.Index + 1].Paragraph) {
                TParagraph *next = (*c.Blocks)[c.Index + 1].Paragraph.get();
                for (auto &in : next->Inlines)
                    a->Inlines.push_back(std::move(in));
                a->Section = std::move(next->Section);
                a->TrailingMarks = next->TrailingMarks;
                c.Blocks->erase(c.Blocks->begin() + long(c.Index) + 1);
                a->Touch();
                story.Reindex();
                return {from, from + (oldLength - story.Length())};
            }
        }
        story.LengthChanged(a);
        return {from, from + (oldLength - story.Length())};
    }

    Container ca, cb;
    bool sameContainer = findContainer(story.Blocks, a, ca) && findContainer(story.Blocks, b, cb) && ca.Blocks == cb.Blocks;
    if (sameContainer) {
        removeLocal(*a, std::min(la, a->TextLength()), a->TextLength());
        int bl = std::min(lb, b->TextLength());
        removeLocal(*b, 0, bl);
        bool bMarkGoes = lb > b->TextLength();
        for (size_t k = ca.Index + 1; k < cb.Index; ++k) {
            TBlock &blk = (*ca.Blocks)[k];
            if (blk.Paragraph)
                markGone(*blk.Paragraph);
            else if (blk.Table)
                for (auto &row : blk.Table->Rows)
                    for (auto &cell : row.Cells)
                        markGone(cell.Blocks);
        }
        for (auto &in : b->Inlines)
            a->Inlines.push_back(std::move(in));
        a->Section = std::move(b->Section);
        a->TrailingMarks = b->TrailingMarks;
        dropEmptyText(*a);
        a->Touch();
        ca.Blocks->erase(ca.Blocks->begin() + long(ca.Index) + 1, ca.Blocks->begin() + long(cb.Index) + 1);
        story.Reindex();
        if (bMarkGoes && a->TrailingMarks == 0) {
            int pos = story.ParagraphStart(a->Index) + a->TextLength();
            DeleteRange(story, pos, pos + 1);
        }
        return {from, from + (oldLength - story.Length())};
    }

    // Across a table boundary: the text goes, the structure stays.
    for (int i = ia; i <= ib; ++i) {
        TParagraph *p = story.ParagraphAt(i);
        int s = story.ParagraphStart(i);
        int x = std::max(from - s, 0), y = std::min(to - s, p->TextLength());
        if (y > x) {
            removeLocal(*p, x, y);
            dropEmptyText(*p);
        }
        p->Touch();
    }
    story.Reindex();
    return {from, from + (oldLength - story.Length())};
}

void ChangeRunProps(TStory &story, int from, int to, const std::function<void(TRunProps &)> &change)
{
    if (to <= from)
        return;
    int first = story.IndexOfPosition(from), last = story.IndexOfPosition(to - 1);
    for (int i = first; i <= last; ++i) {
        TParagraph *p = story.ParagraphAt(i);
        int pos = story.ParagraphStart(i);
        std::vector<TInline> out;
        for (auto &in : p->Inlines) {
            int len = in.Length();
            int s = pos, e = pos + len;
            pos = e;
            if (in.Kind != TInlineKind::Text || e <= from || s >= to) {
                out.push_back(std::move(in));
                continue;
            }
            int a = std::max(from, s) - s, b = std::min(to, e) - s;
            TRunProps np = in.Props ? *in.Props : TRunProps();
            change(np);
            auto changed = std::make_shared<const TRunProps>(np);
            if (a > 0) {
                TInline head = in;
                head.Text = in.Text.left(a);
                out.push_back(std::move(head));
            }
            TInline mid = in;
            mid.Text = in.Text.mid(a, b - a);
            mid.Props = changed;
            out.push_back(std::move(mid));
            if (b < len) {
                TInline tail = in;
                tail.Text = in.Text.mid(b);
                out.push_back(std::move(tail));
            }
        }
        p->Inlines = std::move(out);
    }
}

int InsertBlocks(TStory &story, int pos, std::vector<TBlock> blocks, bool joinLeadingText)
{
    TLocation loc = Locate(story, pos);
    TParagraph *p = story.ParagraphAt(loc.Paragraph);
    if (!p || blocks.empty())
        return 0;
    const int before = story.Length();
    const int l = std::min(loc.Local, p->TextLength());
    Container c;
    if (!findContainer(story.Blocks, p, c))
        return 0;
    size_t at = c.Index;
    if (l > 0) {
        if (joinLeadingText && blocks.front().Paragraph) {
            // The text before pos joins the first new paragraph straight away: p keeps the
            // rest, and the new blocks go before it like any others.
            auto lead = takeLeadingInlines(story, *p, l);
            auto &first = blocks.front().Paragraph->Inlines;
            first.insert(first.begin(), std::make_move_iterator(lead.begin()), std::make_move_iterator(lead.end()));
        } else {
            splitParagraphAt(story, story.ParagraphStart(loc.Paragraph) + l);
            at = c.Index + 1;
        }
    }
    const size_t count = blocks.size();
    auto first = c.Blocks->insert(c.Blocks->begin() + long(at), std::make_move_iterator(blocks.begin()),
                                  std::make_move_iterator(blocks.end()));
    // The new blocks stand right before p.
    story.BlocksInserted(first, first + long(count), p);
    return story.Length() - before;
}

void SetParagraphStyle(TStory &story, int from, int to, const QString &styleId)
{
    int first = story.IndexOfPosition(from), last = story.IndexOfPosition(std::max(from, to - 1));
    for (int i = first; i <= last && i >= 0; ++i) {
        TParagraph *p = story.ParagraphAt(i);
        TParaProps np = *p->Props;
        np.Style = styleId;
        p->Props = std::make_shared<const TParaProps>(np);
    }
}

QString BookmarkText(TStory &story, const QString &name, bool *found)
{
    if (found)
        *found = false;
    int first = 0;
    size_t k0 = 0;
    if (!FirstBookmarkStart(story, name, first, k0))
        return QString();
    if (found)
        *found = true;
    const int id = story.ParagraphAt(first)->Inlines[k0].Id;
    std::vector<bool> inCode; // per open field: still in its code
    QString out;
    const int count = story.ParagraphCount();
    for (int i = first; i < count; ++i) {
        const auto &inlines = story.ParagraphAt(i)->Inlines;
        for (size_t k = i == first ? k0 + 1 : 0; k < inlines.size(); ++k) {
            const TInline &in = inlines[k];
            switch (in.Kind) {
            case TInlineKind::BookmarkEnd:
                if (in.Id == id)
                    return out;
                break;
            case TInlineKind::FieldBegin: inCode.push_back(true); break;
            case TInlineKind::FieldSeparator:
                if (!inCode.empty())
                    inCode.back() = false;
                break;
            case TInlineKind::FieldEnd:
                if (!inCode.empty())
                    inCode.pop_back();
                break;
            case TInlineKind::Text:
                if (std::find(inCode.begin(), inCode.end(), true) == inCode.end())
                    out += in.Text;
                break;
            default: break;
            }
        }
        out += ' ';
    }
    return out.trimmed();
}

} // namespace tavrel::engine
