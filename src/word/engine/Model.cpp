#include "word/engine/Model.h"

#include "text/functions.h"

#include <algorithm>
#include <atomic>

namespace tavrel::engine {

namespace {
std::atomic<std::uint64_t> g_deletions{0};
} // namespace

void MarkDeleted(TFieldInfo &field)
{
    field.Deleted = true;
    g_deletions.fetch_add(1, std::memory_order_release);
}

void MarkDeleted(TShape &shape)
{
    shape.Deleted = true;
    g_deletions.fetch_add(1, std::memory_order_release);
}

std::uint64_t DeletionCount() { return g_deletions.load(std::memory_order_acquire); }

TShape::TShape() = default;
TShape::~TShape() = default;
TDocument::TDocument() = default;
TDocument::~TDocument() = default;

const QString &TParagraph::emptyString()
{
    static const QString empty;
    return empty;
}

int TParagraph::TextLength() const
{
    if (m_length < 0) {
        int n = 0;
        for (const auto &i : Inlines)
            n += i.Length();
        m_length = n;
    }
    return m_length;
}

void TStory::collect(std::vector<TBlock> &blocks)
{
    collectInto(blocks.begin(), blocks.end(), m_paras);
}

void TStory::collectInto(std::vector<TBlock>::iterator first, std::vector<TBlock>::iterator last, std::vector<TParagraph *> &out)
{
    for (auto it = first; it != last; ++it) {
        TBlock &b = *it;
        if (b.Paragraph) {
            out.push_back(b.Paragraph.get());
        } else if (b.Table) {
            for (auto &row : b.Table->Rows)
                for (auto &cell : row.Cells)
                    collectInto(cell.Blocks.begin(), cell.Blocks.end(), out);
        }
    }
}

void TStory::adopt(TParagraph *p)
{
    p->Story = this;
    p->Touch();
    for (auto &in : p->Inlines) {
        if (in.Field && in.Kind == TInlineKind::FieldBegin)
            in.Field->BeginParagraph = p;
        if (in.Shape)
            in.Shape->Paragraph = p;
        if (in.Kind == TInlineKind::BookmarkStart)
            BookmarkStartAdded(p, in.Text);
    }
}

void TStory::BookmarkStartAdded(TParagraph *p, const QString &name)
{
    // Pages pasted one after another may each bring a start of the same name: adding stays
    // constant time, and the lookup drops a paragraph listed twice.
    auto &list = m_bookmarks[CaseFoldKey(name)];
    if (list.empty() || list.back() != p)
        list.push_back(p);
}

namespace {
bool holdsBookmarkStart(const TParagraph &p, const QString &name)
{
    for (const auto &in : p.Inlines)
        if (in.Kind == TInlineKind::BookmarkStart && in.Text.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
} // namespace

std::vector<TParagraph *> TStory::BookmarkCandidates(const QString &name)
{
    ensure();
    std::vector<TParagraph *> out;
    auto it = m_bookmarks.find(CaseFoldKey(name));
    if (it == m_bookmarks.end())
        return out;
    // Paragraphs that left the story or lost the mark leave the list here. Every paragraph
    // listed is one the index held since its last rebuild, and a paragraph leaves a story only
    // through a rebuild, so none of them is gone.
    auto &list = it->second;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](TParagraph *p) {
                                  return p->Story != this || p->Index < 0 || size_t(p->Index) >= m_paras.size() ||
                                         m_paras[size_t(p->Index)] != p || !holdsBookmarkStart(*p, name);
                              }),
               list.end());
    std::sort(list.begin(), list.end(), [](const TParagraph *a, const TParagraph *b) { return a->Index < b->Index; });
    list.erase(std::unique(list.begin(), list.end()), list.end());
    out = list;
    if (list.empty())
        m_bookmarks.erase(it);
    return out;
}

void TStory::BookmarkStartRemoved(TParagraph *p, const QString &name)
{
    if (holdsBookmarkStart(*p, name))
        return;
    auto it = m_bookmarks.find(CaseFoldKey(name));
    if (it == m_bookmarks.end())
        return;
    auto &list = it->second;
    list.erase(std::remove(list.begin(), list.end(), p), list.end());
    if (list.empty())
        m_bookmarks.erase(it);
}

void TStory::Reindex()
{
    m_paras.clear();
    m_bookmarks.clear();
    collect(Blocks);
    const size_t n = m_paras.size();
    m_len.assign(n, 0);
    m_tree.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        TParagraph *p = m_paras[i];
        p->Index = int(i);
        adopt(p);
        m_len[i] = p->Length();
    }
    // Linear Fenwick construction.
    for (size_t i = 1; i <= n; ++i) {
        m_tree[i] += m_len[i - 1];
        size_t parent = i + (i & (~i + 1));
        if (parent <= n)
            m_tree[parent] += m_tree[i];
    }
    m_dirty = false;
}

void TStory::BlocksInserted(std::vector<TBlock>::iterator first, std::vector<TBlock>::iterator last, const TParagraph *next)
{
    if (m_dirty || !next || next->Index < 0 || size_t(next->Index) >= m_paras.size() || m_paras[size_t(next->Index)] != next) {
        Reindex();
        return;
    }
    std::vector<TParagraph *> added;
    collectInto(first, last, added);
    const size_t at = size_t(next->Index), n = m_paras.size() + added.size();
    // The sums of the lengths before `at` stay as they are; read them before anything moves.
    auto prefixBelowAt = [&](size_t j) {
        int sum = 0;
        for (size_t k = j; k > 0; k -= k & (~k + 1))
            sum += m_tree[k];
        return sum;
    };
    std::vector<int> prefix(n - at + 1); // prefix[j - at]: the lengths of the paragraphs before j
    prefix[0] = prefixBelowAt(at);
    m_paras.insert(m_paras.begin() + long(at), added.begin(), added.end());
    m_len.insert(m_len.begin() + long(at), added.size(), 0);
    for (size_t i = at; i < n; ++i) {
        TParagraph *p = m_paras[i];
        p->Index = int(i);
        if (i < at + added.size()) {
            adopt(p);
            m_len[i] = p->Length();
        }
        prefix[i - at + 1] = prefix[i - at] + m_len[i];
    }
    // Fenwick entries up to `at` cover only paragraphs before it; the others are made again.
    m_tree.resize(n + 1);
    for (size_t k = at + 1; k <= n; ++k) {
        const size_t low = k - (k & (~k + 1));
        m_tree[k] = prefix[k - at] - (low >= at ? prefix[low - at] : prefixBelowAt(low));
    }
}

void TStory::ensure()
{
    if (m_dirty)
        Reindex();
}

void TStory::LengthChanged(TParagraph *p)
{
    if (m_dirty)
        return; // the next query rebuilds everything anyway
    p->Touch();
    int i = p->Index;
    if (i < 0 || size_t(i) >= m_paras.size() || m_paras[size_t(i)] != p) {
        m_dirty = true;
        return;
    }
    int delta = p->Length() - m_len[size_t(i)];
    if (!delta)
        return;
    m_len[size_t(i)] += delta;
    for (size_t k = size_t(i) + 1; k < m_tree.size(); k += k & (~k + 1))
        m_tree[k] += delta;
}

int TStory::ParagraphCount()
{
    ensure();
    return int(m_paras.size());
}

TParagraph *TStory::ParagraphAt(int index)
{
    ensure();
    if (index < 0 || size_t(index) >= m_paras.size())
        return nullptr;
    return m_paras[size_t(index)];
}

const std::vector<TParagraph *> &TStory::Paragraphs()
{
    ensure();
    return m_paras;
}

int TStory::ParagraphStart(int index)
{
    ensure();
    int sum = 0;
    for (size_t k = size_t(std::clamp(index, 0, int(m_paras.size()))); k > 0; k -= k & (~k + 1))
        sum += m_tree[k];
    return sum;
}

int TStory::Length()
{
    ensure();
    return ParagraphStart(int(m_paras.size()));
}

int TStory::IndexOfPosition(int pos)
{
    ensure();
    const int n = int(m_paras.size());
    if (n == 0)
        return -1;
    if (pos < 0)
        return 0;
    // Fenwick descent: the largest prefix whose sum is <= pos.
    size_t idx = 0;
    size_t step = 1;
    while (step * 2 <= size_t(n))
        step *= 2;
    int remaining = pos;
    for (; step > 0; step /= 2) {
        size_t next = idx + step;
        if (next <= size_t(n) && m_tree[next] <= remaining) {
            idx = next;
            remaining -= m_tree[next];
        }
    }
    return std::min(int(idx), n - 1);
}

void TDocument::Warn(const QString &kind, const QString &what, const QString &where)
{
    auto it = m_pending.find(kind);
    if (it == m_pending.end()) {
        m_pending[kind] = Pending{what, where, 1};
        m_pendingOrder.push_back(kind);
    } else {
        it->second.Count++;
    }
}

void TDocument::FlushWarnings()
{
    for (const QString &kind : m_pendingOrder) {
        const Pending &p = m_pending[kind];
        QString what = p.What;
        if (p.Count > 1)
            what += QStringLiteral(" (%1 times; the first is named)").arg(p.Count);
        Warnings.Add(what, p.Where);
    }
    m_pending.clear();
    m_pendingOrder.clear();
}

int OutlineLevel(const TDocument &doc, const TParagraph &p)
{
    if (p.Props->OutlineLevel) {
        int v = *p.Props->OutlineLevel;
        return (v >= 0 && v <= 8) ? v + 1 : 10;
    }
    QString style = p.StyleId();
    if (style.isEmpty())
        style = doc.Styles.DefaultStyleId(TStyleType::Paragraph);
    return doc.Styles.StyleOutlineLevel(style);
}

} // namespace tavrel::engine
