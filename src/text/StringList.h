#pragma once
// The string list used all over the system: optionally sorted with a duplicate rule, case
// sensitive or not, "name=value" lines, and objects owned by their lines.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace tavrel {

// The root class of objects that a list can own.
class TObject
{
public:
    virtual ~TObject() = default;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// The fixed collation for everything the outputs sort "in the locale's order": case is ignored
// first, then lower case comes before upper case; equal strings compare equal (callers keep
// document order with a stable sort).
int CollationCompare(const QString &a, const QString &b);

class TStringList
{
public:
    TStringList() = default;
    explicit TStringList(const QStringList &lines);
    TStringList(const TStringList &other);            // copies strings and data, not objects
    TStringList &operator=(const TStringList &other); // likewise
    TStringList(TStringList &&) noexcept = default;
    TStringList &operator=(TStringList &&) noexcept = default;

    int Count() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const QString &operator[](int i) const { return m_items[i].str; }
    const QString &Strings(int i) const { return m_items[i].str; }
    void Put(int i, const QString &s); // not allowed on a sorted list

    // Adds a line; a sorted list inserts it in order and applies the duplicate rule (dupIgnore
    // returns the index of the line already there, dupError raises). Returns its index.
    int Add(const QString &s);
    int AddObject(const QString &s, std::unique_ptr<TObject> object);
    void AddStrings(const QStringList &lines);
    void Insert(int i, const QString &s); // not allowed on a sorted list
    void Delete(int i);
    void Clear();
    void Exchange(int i, int j);
    void Move(int from, int to);

    int IndexOf(const QString &s) const;
    // Binary search of a sorted list: true when found; index is the match or the insert point.
    bool Find(const QString &s, int &index) const;

    void Sort();
    // Stable sort by a comparison returning <0, 0, >0.
    void CustomSort(const std::function<int(const QString &, const QString &)> &compare);

    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);
    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool caseSensitive);
    TDuplicates Duplicates() const { return m_duplicates; }
    void SetDuplicates(TDuplicates d) { m_duplicates = d; }
    QChar NameValueSeparator() const { return m_separator; }
    void SetNameValueSeparator(QChar c) { m_separator = c; }

    // Name and value of "name=value" lines; a line without the separator has no name.
    QString Names(int i) const;
    QString ValueFromIndex(int i) const;
    int IndexOfName(const QString &name) const;
    QString Values(const QString &name) const;
    // Sets the value of the first line with that name, adds a line when none has it; an empty
    // value deletes the line.
    void SetValue(const QString &name, const QString &value);

    TObject *Objects(int i) const { return m_items[i].object.get(); }
    void SetObject(int i, std::unique_ptr<TObject> object) { m_items[i].object = std::move(object); }
    std::unique_ptr<TObject> TakeObject(int i) { return std::move(m_items[i].object); }
    // An integer attached to a line, for lists that only need a number per line.
    qint64 Data(int i) const { return m_items[i].data; }
    void SetData(int i, qint64 value) { m_items[i].data = value; }

    // All lines, each followed by CR LF.
    QString Text() const;
    // Replaces the lines by those of text, split at CR LF, CR or LF.
    void SetText(const QString &text);
    QStringList ToStringList() const;

    int Compare(const QString &a, const QString &b) const;

private:
    struct Item
    {
        QString str;
        std::unique_ptr<TObject> object;
        qint64 data = 0;
    };
    int insertSorted(Item item);
    void checkUnsorted(const char *what) const;

    std::vector<Item> m_items;
    bool m_sorted = false;
    bool m_caseSensitive = false;
    TDuplicates m_duplicates = TDuplicates::dupIgnore;
    QChar m_separator = QLatin1Char('=');
};

} // namespace tavrel
