#include "word/engine/Transfer.h"

#include "word/engine/Edit.h"
#include "word/engine/WordState.h"

#include <QFileInfo>
#include <QDir>
#include <set>

namespace tavrel::engine {

namespace {

struct Cloner
{
    std::map<const TFieldInfo *, std::shared_ptr<TFieldInfo>> Fields;

    std::shared_ptr<TShape> shape(const TShape &s)
    {
        auto n = std::make_shared<TShape>();
        static_cast<TShapeData &>(*n) = s;
        n->Deleted = false;
        n->Paragraph = nullptr;
        for (const auto &c : s.Children)
            if (c)
                n->Children.push_back(shape(*c));
        if (s.Text) {
            n->Text = std::make_unique<TStory>();
            n->Text->Blocks = blocks(s.Text->Blocks);
            n->Text->Reindex();
        }
        return n;
    }

    std::unique_ptr<TParagraph> paragraph(const TParagraph &p)
    {
        auto n = std::make_unique<TParagraph>();
        n->Props = p.Props;
        n->MarkProps = p.MarkProps;
        n->TrailingMarks = p.TrailingMarks;
        n->Where = p.Where;
        if (p.Section)
            n->Section = std::make_unique<TSectionProps>(*p.Section);
        n->Inlines.reserve(p.Inlines.size());
        for (const TInline &in : p.Inlines) {
            TInline c = in;
            if (in.Field) {
                auto &f = Fields[in.Field.get()];
                if (!f) {
                    f = std::make_shared<TFieldInfo>();
                    f->Locked = in.Field->Locked;
                    f->Deleted = in.Field->Deleted;
                }
                c.Field = f;
            }
            if (in.Shape)
                c.Shape = shape(*in.Shape);
            n->Inlines.push_back(std::move(c));
        }
        return n;
    }

    std::vector<TBlock> blocks(const std::vector<TBlock> &src)
    {
        std::vector<TBlock> out;
        out.reserve(src.size());
        for (const TBlock &b : src) {
            TBlock n;
            if (b.Paragraph)
                n.Paragraph = paragraph(*b.Paragraph);
            if (b.Table)
                n.Table = table(*b.Table);
            out.push_back(std::move(n));
        }
        return out;
    }

    std::unique_ptr<TTable> table(const TTable &t)
    {
        auto n = std::make_unique<TTable>();
        n->Props = t.Props;
        n->Grid = t.Grid;
        n->Where = t.Where;
        for (const TRow &r : t.Rows) {
            TRow nr;
            nr.Props = r.Props;
            for (const TCell &c : r.Cells) {
                TCell nc;
                nc.Props = c.Props;
                nc.Blocks = blocks(c.Blocks);
                nr.Cells.push_back(std::move(nc));
            }
            n->Rows.push_back(std::move(nr));
        }
        return n;
    }
};

int blockLength(const TBlock &b)
{
    int n = 0;
    if (b.Paragraph)
        return b.Paragraph->Length();
    for (const auto &row : b.Table->Rows)
        for (const auto &cell : row.Cells)
            for (const auto &x : cell.Blocks)
                n += blockLength(x);
    return n;
}

template <class F>
void forEachInline(std::vector<TBlock> &blocks, F &&f)
{
    ForEachParagraph(blocks, [&](TParagraph &p) {
        for (auto &in : p.Inlines) {
            f(p, in);
            if (in.Shape && in.Shape->Text)
                forEachInline(in.Shape->Text->Blocks, f);
        }
    });
}

void forEachShape(const std::shared_ptr<TShape> &s, const std::function<void(TShape &)> &f)
{
    if (!s)
        return;
    f(*s);
    for (const auto &c : s->Children)
        forEachShape(c, f);
}

} // namespace

std::vector<TBlock> CloneBlocks(const std::vector<TBlock> &blocks)
{
    Cloner c;
    return c.blocks(blocks);
}

std::unique_ptr<TDocument> CopyBlocks(TDocument &source, int from, int to)
{
    auto out = std::make_unique<TDocument>();
    out->Styles = source.Styles;
    out->Numbering = source.Numbering;
    out->Media = source.Media; // the bytes are shared, not copied
    out->LinkBase = source.LinkBase;
    out->CarryRoots = source.CarryRoots;
    out->FileName = source.FileName;
    for (const auto &[id, n] : source.Footnotes) {
        auto c = std::make_unique<TNote>();
        c->Id = n->Id;
        c->Endnote = n->Endnote;
        c->Type = n->Type;
        c->Story.Blocks = CloneBlocks(n->Story.Blocks);
        out->Footnotes[id] = std::move(c);
    }
    for (const auto &[id, n] : source.Endnotes) {
        auto c = std::make_unique<TNote>();
        c->Id = n->Id;
        c->Endnote = true;
        c->Type = n->Type;
        c->Story.Blocks = CloneBlocks(n->Story.Blocks);
        out->Endnotes[id] = std::move(c);
    }
    // The top-level blocks the range touches, whole.
    std::vector<TBlock> picked;
    Cloner cl;
    int at = 0;
    for (const TBlock &b : source.Body.Blocks) {
        const int len = blockLength(b);
        const bool touches = (at < to && at + len > from) || (from == to && at <= from && from < at + len);
        if (touches) {
            TBlock n;
            // One cloner for all, so that a field running across paragraphs stays one field.
            if (b.Paragraph)
                n.Paragraph = cl.paragraph(*b.Paragraph);
            else
                n.Table = cl.table(*b.Table);
            picked.push_back(std::move(n));
        }
        at += len;
        if (at >= to && from != to)
            break;
    }
    out->Body.Blocks = std::move(picked);
    for (auto &b : out->Body.Blocks)
        if (b.Paragraph)
            b.Paragraph->Section.reset(); // a page's own sections do not travel
    out->Body.Reindex();
    return out;
}

int PasteBlocks(TDocument &target, int pos, const TDocument &fragment)
{
    Cloner cl;
    std::vector<TBlock> blocks = cl.blocks(fragment.Body.Blocks);
    if (blocks.empty())
        return 0;

    // Styles: what the target has keeps the target's look; the rest comes along with its chain.
    std::set<QString> used;
    auto useStyle = [&](const std::optional<QString> &id) {
        for (const TStyle *st : fragment.Styles.Chain(id.value_or(QString())))
            used.insert(st->Id);
    };
    std::set<int> numIds;
    std::function<void(std::vector<TBlock> &)> scan = [&](std::vector<TBlock> &bs) {
        for (auto &b : bs) {
            if (b.Table) {
                useStyle(b.Table->Props.Style);
                for (auto &r : b.Table->Rows)
                    for (auto &c : r.Cells)
                        scan(c.Blocks);
                continue;
            }
            TParagraph &p = *b.Paragraph;
            useStyle(p.Props->Style);
            if (p.Props->NumId)
                numIds.insert(*p.Props->NumId);
            if (p.MarkProps)
                useStyle(p.MarkProps->Style);
            for (auto &in : p.Inlines) {
                if (in.Props)
                    useStyle(in.Props->Style);
                if (in.Shape && in.Shape->Text)
                    scan(in.Shape->Text->Blocks);
            }
        }
    };
    scan(blocks);
    useStyle(fragment.Styles.DefaultStyleId(TStyleType::Paragraph));
    std::vector<TStyle> added;
    for (const QString &id : used)
        if (!target.Styles.Find(id))
            if (const TStyle *st = fragment.Styles.Find(id)) {
                added.push_back(*st);
                added.back().Default = false;
                if (st->PPr.NumId)
                    numIds.insert(*st->PPr.NumId);
            }

    // Lists get ids after the target's own.
    std::map<int, int> numMap, absMap;
    int nextNum = target.Numbering.Nums.empty() ? 1 : target.Numbering.Nums.rbegin()->first + 1;
    int nextAbs = target.Numbering.Abstracts.empty() ? 0 : target.Numbering.Abstracts.rbegin()->first + 1;
    for (int id : numIds) {
        auto it = fragment.Numbering.Nums.find(id);
        if (it == fragment.Numbering.Nums.end())
            continue;
        TNum n = it->second;
        const int abs = n.AbstractId;
        if (abs >= 0 && !absMap.count(abs)) {
            auto ait = fragment.Numbering.Abstracts.find(abs);
            if (ait != fragment.Numbering.Abstracts.end()) {
                TAbstractNum a = ait->second;
                a.Id = nextAbs++;
                absMap[abs] = a.Id;
                target.Numbering.Abstracts[a.Id] = a;
            }
        }
        n.AbstractId = absMap.count(abs) ? absMap[abs] : -1;
        n.Id = nextNum++;
        numMap[id] = n.Id;
        target.Numbering.Nums[n.Id] = n;
    }
    for (TStyle &st : added) {
        if (st.PPr.NumId && numMap.count(*st.PPr.NumId))
            st.PPr.NumId = numMap[*st.PPr.NumId];
        target.Styles.Add(std::move(st));
    }

    // Pictures keep their part name unless the target holds other bytes under it.
    std::map<QString, QString> mediaMap;
    auto mediaName = [&](const QString &part) {
        auto done = mediaMap.find(part);
        if (done != mediaMap.end())
            return done->second;
        auto src = fragment.Media.find(part);
        if (src == fragment.Media.end())
            return mediaMap[part] = part;
        QString name = part;
        const QString ext = QFileInfo(part).suffix();
        for (int n = 1;; ++n) {
            auto t = target.Media.find(name);
            if (t == target.Media.end()) {
                target.Media[name] = src->second;
                break;
            }
            if (t->second.Data == src->second.Data)
                break;
            name = QStringLiteral("word/media/pasted%1.%2").arg(target.Media.size() + size_t(n)).arg(ext);
        }
        return mediaMap[part] = name;
    };

    std::map<int, int> bookmarkMap;
    std::map<int, int> noteMap, endnoteMap;
    forEachInline(blocks, [&](TParagraph &p, TInline &in) {
        if (in.Kind == TInlineKind::BookmarkStart || in.Kind == TInlineKind::BookmarkEnd) {
            auto &id = bookmarkMap[in.Id];
            if (!id)
                id = NewBookmarkId();
            in.Id = id;
        } else if (in.Kind == TInlineKind::NoteReference && !in.NoteOwnMark) {
            auto &notes = in.Endnote ? fragment.Endnotes : fragment.Footnotes;
            auto &targetNotes = in.Endnote ? target.Endnotes : target.Footnotes;
            auto &map = in.Endnote ? endnoteMap : noteMap;
            auto it = notes.find(in.Id);
            if (it != notes.end()) {
                auto &id = map[in.Id];
                if (!id) {
                    id = targetNotes.empty() ? 1 : std::max(1, targetNotes.rbegin()->first + 1);
                    auto n = std::make_unique<TNote>();
                    n->Id = id;
                    n->Endnote = in.Endnote;
                    n->Story.Blocks = CloneBlocks(it->second->Story.Blocks);
                    n->Story.Reindex();
                    targetNotes[id] = std::move(n);
                }
                in.Id = id;
            }
        }
        if (in.Shape)
            forEachShape(in.Shape, [&](TShape &sh) {
                if (!sh.MediaPart.isEmpty())
                    sh.MediaPart = mediaName(sh.MediaPart);
                // A relative link meant the page's folder; the target lives elsewhere.
                if (!sh.LinkTarget.isEmpty() && !sh.LinkTarget.contains(QLatin1String("://")) &&
                    QFileInfo(sh.LinkTarget).isRelative() && !fragment.LinkBase.isEmpty())
                    sh.LinkTarget = QDir(fragment.LinkBase).filePath(sh.LinkTarget);
            });
        if (in.Props && in.Props->Style && !target.Styles.Find(*in.Props->Style))
            in.Props.reset(); // cannot happen once the styles are carried; kept safe
        (void)p;
    });
    if (!numMap.empty())
        ForEachParagraph(blocks, [&](TParagraph &p) {
            if (p.Props->NumId && numMap.count(*p.Props->NumId)) {
                TParaProps np = *p.Props;
                np.NumId = numMap[*p.Props->NumId];
                p.Props = std::make_shared<const TParaProps>(np);
            }
        });

    // Linked files of the page may be carried from where the page could read them.
    if (fragment.CarryRoots || !fragment.LinkBase.isEmpty()) {
        if (!target.CarryRoots)
            target.CarryRoots = TCarryRoots(QStringList{target.LinkBase});
        if (fragment.CarryRoots)
            for (const QString &f : fragment.CarryRoots->Folders())
                target.CarryRoots->Add(f);
        else
            target.CarryRoots->Add(fragment.LinkBase);
    }
    return InsertBlocks(target.Body, pos, std::move(blocks), true);
}

} // namespace tavrel::engine

namespace tavrel {

namespace {
// One copy per thread: each conversion runs on a thread of its own and must not see another's.
thread_local std::shared_ptr<const TDocument> t_copied;
} // namespace

void WordRange::Copy() const
{
    WordDocState &d = doc();
    t_copied = CopyBlocks(d.model(), m_state->Start, m_state->End);
}

void WordRange::Paste()
{
    WordDocState &d = doc();
    if (!t_copied)
        throw Exception(QStringLiteral("There is nothing to paste."));
    if (m_state->End > m_state->Start) {
        auto [a, b] = DeleteRange(d.story(), m_state->Start, m_state->End);
        d.deleted(a, b);
    }
    TStory &s = d.story();
    TLocation loc = Locate(s, m_state->Start);
    TParagraph *p = s.ParagraphAt(loc.Paragraph);
    if (!p)
        return;
    const int pos = s.ParagraphStart(loc.Paragraph) + std::min(loc.Local, p->TextLength());
    const int n = PasteBlocks(d.model(), pos, *t_copied);
    d.inserted(pos, n, nullptr);
    m_state->Start = pos;
    m_state->End = pos + n;
}

} // namespace tavrel
