#include "word/engine/Styles.h"

#include <algorithm>

#include <QRegularExpression>
#include <set>

namespace tavrel::engine {

int BuiltinHeadingLevel(const QString &styleName)
{
    // Built-in names are stored in English whatever the user interface language; the id may be
    // localised ("berschrift1"), the name is not.
    QString n = styleName.trimmed().toLower();
    if (!n.startsWith(QLatin1String("heading")))
        return 0;
    QString rest = n.mid(7).trimmed();
    if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '9')
        return rest[0].unicode() - '0';
    return 0;
}

void TStyleSheet::Add(TStyle style)
{
    if (style.Id.isEmpty() || m_byId.contains(style.Id))
        return; // the first definition of an id counts
    int i = int(m_styles.size());
    m_byId.insert(style.Id, i);
    if (!m_byIdFolded.contains(style.Id.toLower()))
        m_byIdFolded.insert(style.Id.toLower(), i);
    if (!style.Name.isEmpty() && !m_byName.contains(style.Name.toLower()))
        m_byName.insert(style.Name.toLower(), i);
    m_styles.push_back(std::move(style));
    invalidate();
}

void TStyleSheet::Replace(TStyle style)
{
    auto it = m_byId.constFind(style.Id);
    if (it == m_byId.constEnd())
        return Add(std::move(style));
    TStyle &old = m_styles[size_t(*it)];
    if (old.Name.compare(style.Name, Qt::CaseInsensitive) != 0 && !style.Name.isEmpty() &&
        !m_byName.contains(style.Name.toLower()))
        m_byName.insert(style.Name.toLower(), *it);
    old = std::move(style);
    invalidate();
}

void TStyleSheet::invalidate()
{
    m_pprCache.clear();
    m_rprCache.clear();
    m_tblCache.clear();
    m_levelCache.clear();
}

const TStyle *TStyleSheet::Find(const QString &id) const
{
    if (id.isEmpty())
        return nullptr;
    auto it = m_byId.constFind(id);
    if (it != m_byId.constEnd())
        return &m_styles[size_t(*it)];
    auto f = m_byIdFolded.constFind(id.toLower());
    return f == m_byIdFolded.constEnd() ? nullptr : &m_styles[size_t(*f)];
}

const TStyle *TStyleSheet::FindByName(const QString &name) const
{
    auto it = m_byName.constFind(name.toLower());
    return it == m_byName.constEnd() ? nullptr : &m_styles[size_t(*it)];
}

QString TStyleSheet::DefaultStyleId(TStyleType type) const
{
    for (const auto &s : m_styles)
        if (s.Type == type && s.Default)
            return s.Id;
    if (type == TStyleType::Paragraph) {
        if (const TStyle *s = FindByName(QStringLiteral("Normal")))
            return s->Id;
    }
    return QString();
}

std::vector<const TStyle *> TStyleSheet::Chain(const QString &id) const
{
    std::vector<const TStyle *> chain;
    std::set<const TStyle *> seen;
    const TStyle *s = Find(id);
    while (s && !seen.count(s) && chain.size() < 64) {
        seen.insert(s);
        chain.push_back(s);
        s = Find(s->BasedOn);
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

const TParaProps &TStyleSheet::ChainPPr(const QString &id) const
{
    auto it = m_pprCache.constFind(id);
    if (it != m_pprCache.constEnd())
        return *it;
    TParaProps p;
    for (const TStyle *s : Chain(id))
        p.Overlay(s->PPr);
    p.Style.reset();
    return *m_pprCache.insert(id, p);
}

const TRunProps &TStyleSheet::ChainRPr(const QString &id) const
{
    auto it = m_rprCache.constFind(id);
    if (it != m_rprCache.constEnd())
        return *it;
    TRunProps r;
    for (const TStyle *s : Chain(id))
        r.Overlay(s->RPr);
    r.Style.reset();
    return *m_rprCache.insert(id, r);
}

const TTableProps &TStyleSheet::ChainTblPr(const QString &id) const
{
    auto it = m_tblCache.constFind(id);
    if (it != m_tblCache.constEnd())
        return *it;
    TTableProps t;
    for (const TStyle *s : Chain(id))
        t.Overlay(s->TblPr);
    return *m_tblCache.insert(id, t);
}

int TStyleSheet::StyleOutlineLevel(const QString &id) const
{
    auto it = m_levelCache.constFind(id);
    if (it != m_levelCache.constEnd())
        return *it;
    int level = 10;
    auto chain = Chain(id);
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        const TStyle *s = *c;
        if (s->PPr.OutlineLevel) {
            int v = *s->PPr.OutlineLevel;
            level = (v >= 0 && v <= 8) ? v + 1 : 10;
            break;
        }
        if (int h = BuiltinHeadingLevel(s->Name)) {
            level = h;
            break;
        }
    }
    m_levelCache.insert(id, level);
    return level;
}

std::pair<int, int> TStyleSheet::StyleNumbering(const QString &id) const
{
    const TParaProps &p = ChainPPr(id);
    if (!p.NumId)
        return {-1, -1};
    return {*p.NumId, p.NumLevel.value_or(0)};
}

QString TStyleSheet::EnsureBuiltin(const QString &name)
{
    if (const TStyle *s = FindByName(name))
        return s->Id;
    TStyle st;
    st.Name = name;
    QString id = name;
    id.remove(' ');
    if (id.isEmpty())
        id = QStringLiteral("Style");
    QString unique = id;
    for (int n = 1; Find(unique); ++n)
        unique = id + QString::number(n);
    st.Id = unique;
    if (name.compare(QLatin1String("Hyperlink"), Qt::CaseInsensitive) == 0) {
        st.Type = TStyleType::Character;
        st.RPr.Color = QStringLiteral("0563C1");
        st.RPr.Underline = QStringLiteral("single");
    } else if (int h = BuiltinHeadingLevel(name)) {
        st.Type = TStyleType::Paragraph;
        st.BasedOn = DefaultStyleId(TStyleType::Paragraph);
        st.PPr.OutlineLevel = h - 1;
        st.Next = st.BasedOn;
        st.PPr.KeepNext = true;
        st.PPr.SpaceBefore = h == 1 ? 240 : 120;
        st.PPr.SpaceAfter = 60;
        st.RPr.Bold = true;
        static const int sizes[] = {32, 28, 26, 24, 24, 22, 22, 22, 22}; // half-points
        st.RPr.Size = sizes[std::clamp(h, 1, 9) - 1];
    } else if (name.startsWith(QLatin1String("toc "), Qt::CaseInsensitive) ||
               name.startsWith(QLatin1String("index "), Qt::CaseInsensitive)) {
        // Entries of a table of contents or an index step in by level.
        st.Type = TStyleType::Paragraph;
        st.BasedOn = DefaultStyleId(TStyleType::Paragraph);
        const int level = std::clamp(name.section(' ', 1, 1).toInt(), 1, 9);
        const bool toc = name.startsWith(QLatin1String("toc"), Qt::CaseInsensitive);
        st.PPr.IndLeft = toc ? (level - 1) * 240 : level * 240;
        if (!toc)
            st.PPr.IndFirst = -240;
        st.PPr.SpaceAfter = toc ? 100 : 0;
    } else {
        st.Type = TStyleType::Paragraph;
        st.BasedOn = DefaultStyleId(TStyleType::Paragraph);
    }
    Add(st);
    return unique;
}

} // namespace tavrel::engine
