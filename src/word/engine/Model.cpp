#include "word/engine/Model.h"

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
    for (auto &b : blocks) {
        if (b.Paragraph) {
            b.Paragraph->Index = int(m_paras.size());
            b.Paragraph->Story = this;
            m_paras.push_back(b.Paragraph.get());
        } else if (b.Table) {
            for (auto &row : b.Table->Rows)
                for (auto &cell : row.Cells)
                    collect(cell.Blocks);
        }
    }
}

void TStory::Reindex()
{
    m_paras.clear();
    collect(Blocks);
    const size_t n = m_paras.size();
    m_len.assign(n, 0);
    m_tree.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        TParagraph *p = m_paras[i];
        p->Touch();
        for (auto &in : p->Inlines) {
            if (in.Field && in.Kind == TInlineKind::FieldBegin)
                in.Field->BeginParagraph = p;
            if (in.Shape)
                in.Shape->Paragraph = p;
        }
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
