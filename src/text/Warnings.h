#pragma once
// Things a document holds that an output cannot carry are reported, never dropped silently:
// converters add a warning (what, and where it was found) to the list that travels with their
// result, and the build shows them with its completion message.
#include <QString>
#include <QStringList>
#include <vector>

namespace tavrel {

struct TWarning
{
    QString What;
    QString Where;
    QString Text() const { return Where.isEmpty() ? What : Where + QStringLiteral(": ") + What; }
    bool operator==(const TWarning &) const = default;
};

class TWarnings
{
public:
    void Add(const QString &what, const QString &where = QString()) { m_items.push_back({what, where}); }
    void Append(const TWarnings &other) { m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end()); }
    const std::vector<TWarning> &Items() const { return m_items; }
    int Count() const { return static_cast<int>(m_items.size()); }
    bool Empty() const { return m_items.empty(); }
    void Clear() { m_items.clear(); }
    bool Contains(const QString &whatPart) const
    {
        for (const auto &w : m_items)
            if (w.What.contains(whatPart))
                return true;
        return false;
    }
    QStringList Texts() const
    {
        QStringList out;
        for (const auto &w : m_items)
            out << w.Text();
        return out;
    }

private:
    std::vector<TWarning> m_items;
};

} // namespace tavrel
