#include "text/StringList.h"

#include "text/Exceptions.h"

#include <algorithm>

namespace tavrel {

int CollationCompare(const QString &a, const QString &b)
{
    int c = QString::compare(a, b, Qt::CaseInsensitive);
    if (c != 0)
        return c;
    // Same letters: at the first difference in case, the lower-case letter comes first.
    const int n = std::min(a.size(), b.size());
    for (int i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        bool al = a[i].isLower(), bl = b[i].isLower();
        if (al != bl)
            return al ? -1 : 1;
        return a[i].unicode() < b[i].unicode() ? -1 : 1;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

TStringList::TStringList(const QStringList &lines) { AddStrings(lines); }

TStringList::TStringList(const TStringList &other) { *this = other; }

TStringList &TStringList::operator=(const TStringList &other)
{
    if (this == &other)
        return *this;
    m_items.clear();
    m_items.reserve(other.m_items.size());
    for (const auto &it : other.m_items)
        m_items.push_back({it.str, nullptr, it.data});
    m_sorted = other.m_sorted;
    m_caseSensitive = other.m_caseSensitive;
    m_duplicates = other.m_duplicates;
    m_separator = other.m_separator;
    return *this;
}

int TStringList::Compare(const QString &a, const QString &b) const
{
    return QString::compare(a, b, m_caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

void TStringList::checkUnsorted(const char *what) const
{
    if (m_sorted)
        throw Exception(QStringLiteral("Operation not allowed on a sorted list: ") + QLatin1String(what));
}

void TStringList::Put(int i, const QString &s)
{
    checkUnsorted("Put");
    m_items[i].str = s;
}

int TStringList::insertSorted(Item item)
{
    int index = 0;
    if (Find(item.str, index)) {
        if (m_duplicates == TDuplicates::dupIgnore)
            return index;
        if (m_duplicates == TDuplicates::dupError)
            throw Exception(QStringLiteral("String list does not allow duplicates: ") + item.str);
        // Accepted duplicates go after the equal lines already there.
        while (index < Count() && Compare(m_items[index].str, item.str) == 0)
            ++index;
    }
    m_items.insert(m_items.begin() + index, std::move(item));
    return index;
}

int TStringList::Add(const QString &s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const QString &s, std::unique_ptr<TObject> object)
{
    Item item{s, std::move(object), 0};
    if (m_sorted)
        return insertSorted(std::move(item));
    m_items.push_back(std::move(item));
    return Count() - 1;
}

void TStringList::AddStrings(const QStringList &lines)
{
    m_items.reserve(m_items.size() + lines.size());
    for (const QString &l : lines)
        Add(l);
}

void TStringList::Insert(int i, const QString &s)
{
    checkUnsorted("Insert");
    m_items.insert(m_items.begin() + i, Item{s, nullptr, 0});
}

void TStringList::Delete(int i) { m_items.erase(m_items.begin() + i); }

void TStringList::Clear() { m_items.clear(); }

void TStringList::Exchange(int i, int j) { std::swap(m_items[i], m_items[j]); }

void TStringList::Move(int from, int to)
{
    if (from == to)
        return;
    Item item = std::move(m_items[from]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
}

int TStringList::IndexOf(const QString &s) const
{
    if (m_sorted) {
        int index = 0;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(m_items[i].str, s) == 0)
            return i;
    return -1;
}

bool TStringList::Find(const QString &s, int &index) const
{
    // Binary search for the first line not less than s.
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (Compare(m_items[mid].str, s) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo < Count() && Compare(m_items[lo].str, s) == 0;
}

void TStringList::Sort()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [this](const Item &a, const Item &b) { return Compare(a.str, b.str) < 0; });
}

void TStringList::CustomSort(const std::function<int(const QString &, const QString &)> &compare)
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [&compare](const Item &a, const Item &b) { return compare(a.str, b.str) < 0; });
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !m_sorted) {
        m_sorted = true;
        Sort();
    }
    m_sorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive)
{
    if (caseSensitive == m_caseSensitive)
        return;
    m_caseSensitive = caseSensitive;
    if (m_sorted)
        Sort();
}

QString TStringList::Names(int i) const
{
    const QString &s = m_items[i].str;
    int p = s.indexOf(m_separator);
    return p < 0 ? QString() : s.left(p);
}

QString TStringList::ValueFromIndex(int i) const
{
    const QString &s = m_items[i].str;
    int p = s.indexOf(m_separator);
    return p < 0 ? QString() : s.mid(p + 1);
}

int TStringList::IndexOfName(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        const QString &s = m_items[i].str;
        int p = s.indexOf(m_separator);
        if (p >= 0 && Compare(s.left(p), name) == 0)
            return i;
    }
    return -1;
}

QString TStringList::Values(const QString &name) const
{
    int i = IndexOfName(name);
    return i < 0 ? QString() : ValueFromIndex(i);
}

void TStringList::SetValue(const QString &name, const QString &value)
{
    int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    QString line = name + m_separator + value;
    if (i < 0) {
        Add(line);
    } else if (m_sorted) {
        // Keeping the order: the changed line may belong elsewhere.
        auto obj = TakeObject(i);
        Delete(i);
        AddObject(line, std::move(obj));
    } else {
        m_items[i].str = line;
    }
}

QString TStringList::Text() const
{
    qsizetype total = 0;
    for (const auto &it : m_items)
        total += it.str.size() + 2;
    QString out;
    out.reserve(total);
    for (const auto &it : m_items) {
        out += it.str;
        out += QLatin1String("\r\n");
    }
    return out;
}

void TStringList::SetText(const QString &text)
{
    Clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            Add(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        Add(text.mid(start));
}

QStringList TStringList::ToStringList() const
{
    QStringList out;
    out.reserve(Count());
    for (const auto &it : m_items)
        out << it.str;
    return out;
}

} // namespace tavrel
