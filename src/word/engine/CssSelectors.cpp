#include "word/engine/Css.h"

#include "word/engine/CssText.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

// Selectors parsed and matched, sheets parsed, and the cascade that orders their rules.
namespace tavrel::engine {

using namespace css;

// --- selectors ---------------------------------------------------------------------------------

namespace {

class SelectorParser
{
public:
    SelectorParser(const QString &s, int maxParts) : m_s(s), m_n(s.size()), m_maxParts(maxParts) {}

    bool Parse(TCssSelector &sel)
    {
        skipSpace();
        char pending = 0;
        while (m_i < m_n) {
            TCssCompound c;
            if (!compound(c))
                return false;
            c.Combinator = sel.Parts.empty() ? 0 : (pending ? pending : ' ');
            if (!sel.Parts.empty() && pending == 0 && !m_sawSpace)
                return false;
            sel.Parts.push_back(std::move(c));
            if (int(sel.Parts.size()) > m_maxParts)
                return false;
            m_sawSpace = skipSpace();
            pending = 0;
            if (m_i < m_n && (m_s[m_i] == '>' || m_s[m_i] == '+' || m_s[m_i] == '~')) {
                pending = char(m_s[m_i].unicode());
                ++m_i;
                skipSpace();
                if (m_i >= m_n)
                    return false;
            }
        }
        if (sel.Parts.empty() || pending)
            return false;
        int ids = 0, classes = 0, types = 0;
        for (const TCssCompound &c : sel.Parts)
            count(c, ids, classes, types);
        sel.Specificity = std::min(ids, 255) * 65536 + std::min(classes, 255) * 256 + std::min(types, 255);
        return true;
    }

private:
    static void count(const TCssCompound &c, int &ids, int &classes, int &types)
    {
        ids += int(c.Ids.size());
        classes += int(c.Classes.size() + c.Attributes.size()) + (c.Link ? 1 : 0) + (c.FirstChild ? 1 : 0) + (c.Never ? 1 : 0);
        if (!c.Tag.isEmpty())
            ++types;
        for (const TCssCompound &n : c.Not)
            count(n, ids, classes, types);
    }

    bool skipSpace()
    {
        bool any = false;
        while (m_i < m_n && isSpace(m_s[m_i])) {
            ++m_i;
            any = true;
        }
        return any;
    }

    // An identifier with escapes decoded; empty when none starts here.
    QString ident()
    {
        QString out;
        while (m_i < m_n) {
            const QChar c = m_s[m_i];
            if (c == '\\' && m_i + 1 < m_n) {
                ++m_i;
                // Up to six hexadecimal digits and one blank, or the next character itself.
                qsizetype e = m_i;
                while (e < m_n && e - m_i < 6 && isxdigit(m_s[e].unicode() < 128 ? m_s[e].toLatin1() : 'g'))
                    ++e;
                if (e > m_i) {
                    const uint code = m_s.mid(m_i, e - m_i).toUInt(nullptr, 16);
                    out += (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) ? QString(QChar(0xFFFD))
                                                                                                : QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
                    m_i = e;
                    if (m_i < m_n && isSpace(m_s[m_i]))
                        ++m_i;
                } else {
                    out += m_s[m_i++];
                }
            } else if (isNameChar(c)) {
                out += c;
                ++m_i;
            } else {
                break;
            }
        }
        return out;
    }

    bool compound(TCssCompound &c, bool simpleOnly = false)
    {
        bool any = false;
        if (m_i < m_n && m_s[m_i] == '*') {
            ++m_i;
            any = true;
        } else if (m_i < m_n && (isNameChar(m_s[m_i]) || m_s[m_i] == '\\') && !m_s[m_i].isDigit()) {
            c.Tag = ident().toLower();
            any = !c.Tag.isEmpty();
        }
        if (m_i < m_n && m_s[m_i] == '|')
            return false; // namespaces are not supported: the rule is dropped
        while (m_i < m_n) {
            const QChar ch = m_s[m_i];
            if (ch == '#') {
                ++m_i;
                QString id = ident();
                if (id.isEmpty())
                    return false;
                c.Ids << id;
            } else if (ch == '.') {
                ++m_i;
                QString cl = ident();
                if (cl.isEmpty())
                    return false;
                c.Classes << cl;
            } else if (ch == '[') {
                if (!attribute(c))
                    return false;
            } else if (ch == ':') {
                if (!pseudo(c, simpleOnly))
                    return false;
            } else {
                break;
            }
            any = true;
            if (simpleOnly)
                break;
        }
        return any;
    }

    bool attribute(TCssCompound &c)
    {
        ++m_i; // [
        skipSpace();
        TCssAttributeTest t;
        t.Name = ident().toLower();
        if (t.Name.isEmpty())
            return false;
        skipSpace();
        if (m_i < m_n && m_s[m_i] == ']') {
            ++m_i;
            c.Attributes.push_back(t);
            return true;
        }
        if (m_i < m_n && QStringLiteral("~|^$*").contains(m_s[m_i])) {
            t.Op = char(m_s[m_i].unicode());
            ++m_i;
        } else {
            t.Op = '=';
        }
        if (m_i >= m_n || m_s[m_i] != '=')
            return false;
        ++m_i;
        skipSpace();
        if (m_i < m_n && (m_s[m_i] == '"' || m_s[m_i] == '\'')) {
            const qsizetype e = skipString(m_s, m_i, m_n);
            if (e - m_i < 2 || m_s[e - 1] != m_s[m_i])
                return false;
            t.Value = m_s.mid(m_i + 1, e - m_i - 2);
            m_i = e;
        } else {
            t.Value = ident();
            if (t.Value.isEmpty())
                return false;
        }
        skipSpace();
        if (m_i < m_n && (m_s[m_i] == 'i' || m_s[m_i] == 'I')) {
            ++m_i; // case-insensitive flag: values are compared as written anyway
            skipSpace();
        }
        if (m_i >= m_n || m_s[m_i] != ']')
            return false;
        ++m_i;
        c.Attributes.push_back(t);
        return true;
    }

    bool pseudo(TCssCompound &c, bool simpleOnly)
    {
        ++m_i;
        bool element = false;
        if (m_i < m_n && m_s[m_i] == ':') {
            element = true;
            ++m_i;
        }
        const QString name = ident().toLower();
        if (name.isEmpty())
            return false;
        QString argument;
        if (m_i < m_n && m_s[m_i] == '(') {
            const qsizetype open = m_i;
            int depth = 0;
            while (m_i < m_n) {
                if (m_s[m_i] == '(')
                    ++depth;
                else if (m_s[m_i] == ')' && --depth == 0)
                    break;
                ++m_i;
            }
            if (m_i >= m_n)
                return false;
            argument = m_s.mid(open + 1, m_i - open - 1);
            ++m_i;
        }
        static const QStringList pseudoElements = {"before", "after", "first-line", "first-letter", "selection",
                                                   "marker", "placeholder", "backdrop"};
        static const QStringList states = {"visited", "hover", "active", "focus", "focus-within", "focus-visible",
                                           "target", "checked", "disabled", "enabled", "indeterminate", "last-child",
                                           "only-child", "nth-child", "nth-last-child", "nth-of-type",
                                           "nth-last-of-type", "first-of-type", "last-of-type", "only-of-type",
                                           "empty", "lang", "default", "required", "optional", "read-only",
                                           "read-write", "invalid", "valid", "in-range", "out-of-range"};
        if (element || pseudoElements.contains(name)) {
            if (!pseudoElements.contains(name) && !name.startsWith(QLatin1String("-")))
                return false;
            c.Never = true; // the rule styles generated content, not the element
            return true;
        }
        if (name == QLatin1String("link") || name == QLatin1String("any-link")) {
            c.Link = true;
        } else if (name == QLatin1String("first-child")) {
            c.FirstChild = true;
        } else if (name == QLatin1String("root")) {
            if (!c.Tag.isEmpty() && c.Tag != QLatin1String("html"))
                c.Never = true;
            c.Tag = QStringLiteral("html");
        } else if (name == QLatin1String("not") && !simpleOnly) {
            SelectorParser inner(argument.trimmed(), 1);
            TCssCompound n;
            if (!inner.compound(n, true) || inner.m_i != inner.m_n)
                return false;
            c.Not.push_back(std::move(n));
        } else if (states.contains(name)) {
            c.Never = true;
        } else {
            return false;
        }
        return true;
    }

    const QString m_s;
    qsizetype m_n;
    qsizetype m_i = 0;
    int m_maxParts;
    bool m_sawSpace = false;
};

bool attributeMatches(const TCssAttributeTest &t, const TCssElement &e)
{
    QString v;
    if (!e.Attribute(t.Name, v))
        return false;
    switch (t.Op) {
    case 0: return true;
    case '=': return v == t.Value;
    case '~': return !t.Value.isEmpty() && v.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts).contains(t.Value);
    case '|': return v == t.Value || v.startsWith(t.Value + '-');
    case '^': return !t.Value.isEmpty() && v.startsWith(t.Value);
    case '$': return !t.Value.isEmpty() && v.endsWith(t.Value);
    case '*': return !t.Value.isEmpty() && v.contains(t.Value);
    default: return false;
    }
}

bool compoundMatches(const TCssCompound &c, const TCssElement &e)
{
    if (c.Never)
        return false;
    if (!c.Tag.isEmpty() && c.Tag != e.Tag())
        return false;
    for (const QString &id : c.Ids)
        if (!e.HasId(id))
            return false;
    for (const QString &cl : c.Classes)
        if (!e.HasClass(cl))
            return false;
    for (const TCssAttributeTest &t : c.Attributes)
        if (!attributeMatches(t, e))
            return false;
    if (c.Link && !e.IsLink())
        return false;
    if (c.FirstChild && (e.PreviousSibling() || !e.Parent()))
        return false;
    for (const TCssCompound &n : c.Not)
        if (compoundMatches(n, e))
            return false;
    return true;
}

// Right to left; the budget bounds the backtracking of descendant combinators on deep trees.
bool matchFrom(const TCssSelector &s, int i, const TCssElement &e, int &budget)
{
    if (--budget < 0 || !compoundMatches(s.Parts[size_t(i)], e))
        return false;
    if (i == 0)
        return true;
    switch (s.Parts[size_t(i)].Combinator) {
    case '>': {
        const TCssElement *p = e.Parent();
        return p && matchFrom(s, i - 1, *p, budget);
    }
    case '+': {
        const TCssElement *p = e.PreviousSibling();
        return p && matchFrom(s, i - 1, *p, budget);
    }
    case '~':
        for (const TCssElement *p = e.PreviousSibling(); p && budget > 0; p = p->PreviousSibling())
            if (matchFrom(s, i - 1, *p, budget))
                return true;
        return false;
    default:
        for (const TCssElement *p = e.Parent(); p && budget > 0; p = p->Parent())
            if (matchFrom(s, i - 1, *p, budget))
                return true;
        return false;
    }
}

// --- sheets ------------------------------------------------------------------------------------

class SheetParser
{
public:
    SheetParser(TCssStyleSheet &sheet, const QString &where, TWarnings *warnings, const TCssLimits &limits)
        : m_sheet(sheet), m_where(where), m_warnings(warnings), m_limits(limits)
    {
    }

    void Parse(const QString &text) { block(text, 0, text.size(), 0); }

private:
    void warnOnce(const QString &what)
    {
        if (m_warnings && !m_warned) {
            m_warnings->Add(what, m_where);
            m_warned = true;
        }
    }

    void block(const QString &s, qsizetype i, qsizetype end, int depth)
    {
        while (i < end && !m_full) {
            const QChar c = s[i];
            if (isSpace(c) || c == ';' || c == '}') {
                ++i;
                continue;
            }
            if (QStringView(s).mid(i, 4) == QLatin1String("<!--")) {
                i += 4;
                continue;
            }
            if (QStringView(s).mid(i, 3) == QLatin1String("-->")) {
                i += 3;
                continue;
            }
            // The prelude runs to the "{" of the block or, for statements, to ";".
            qsizetype p = i;
            int paren = 0;
            while (p < end) {
                const QChar d = s[p];
                if (d == '"' || d == '\'') {
                    p = skipString(s, p, end);
                    continue;
                }
                if (d == '\\') {
                    p += 2;
                    continue;
                }
                if (d == '(' || d == '[')
                    ++paren;
                else if ((d == ')' || d == ']') && paren > 0)
                    --paren;
                else if (paren == 0 && (d == '{' || (c == '@' && d == ';') || d == '}'))
                    break;
                ++p;
            }
            p = std::min(p, end);
            const QString prelude = s.mid(i, p - i).trimmed();
            if (p >= end || s[p] == ';' || s[p] == '}') {
                // A statement: only @import means something here.
                if (c == '@')
                    atStatement(prelude);
                i = p + 1;
                continue;
            }
            const qsizetype close = blockEnd(s, p + 1, end);
            if (c == '@')
                atBlock(prelude, s, p + 1, close, depth);
            else
                rule(prelude, s.mid(p + 1, close - p - 1));
            i = close + 1;
        }
    }

    void atStatement(const QString &prelude)
    {
        if (!prelude.startsWith(QLatin1String("@import"), Qt::CaseInsensitive))
            return;
        QString rest = prelude.mid(7).trimmed();
        QString address;
        if (rest.startsWith(QLatin1String("url("), Qt::CaseInsensitive)) {
            const qsizetype close = rest.indexOf(')');
            if (close < 0)
                return;
            address = rest.mid(4, close - 4).trimmed();
            rest = rest.mid(close + 1);
        } else if (!rest.isEmpty() && (rest[0] == '"' || rest[0] == '\'')) {
            const qsizetype e = skipString(rest, 0, rest.size());
            address = rest.left(e);
            rest = rest.mid(e);
        } else {
            return;
        }
        if (address.size() >= 2 && (address[0] == '"' || address[0] == '\'') && address.back() == address[0])
            address = address.mid(1, address.size() - 2);
        if (!address.isEmpty() && forScreen(rest))
            m_sheet.Imports << address;
    }

    static bool forScreen(const QString &mediaList)
    {
        const QString m = mediaList.trimmed().toLower();
        if (m.isEmpty())
            return true;
        for (const QString &q : m.split(',')) {
            const QString t = q.trimmed();
            if (t.startsWith(QLatin1String("not ")))
                continue;
            const QString type = t.startsWith(QLatin1String("only ")) ? t.mid(5).trimmed() : t;
            if (type.startsWith(QLatin1String("all")) || type.startsWith(QLatin1String("screen")) || type.startsWith('('))
                return true;
        }
        return false;
    }

    void atBlock(const QString &prelude, const QString &s, qsizetype from, qsizetype to, int depth)
    {
        if (!prelude.startsWith(QLatin1String("@media"), Qt::CaseInsensitive))
            return; // @font-face, @page, @keyframes, @supports ...: nothing the model can hold
        if (!forScreen(prelude.mid(6)))
            return;
        if (depth + 1 > m_limits.MaxNesting) {
            warnOnce(QStringLiteral("A style sheet nests its blocks too deeply; the inner rules are left out"));
            return;
        }
        block(s, from, to, depth + 1);
    }

    void rule(const QString &prelude, const QString &body)
    {
        std::vector<TCssSelector> selectors;
        if (!ParseCssSelectors(prelude, selectors, m_limits.MaxSelectorParts))
            return;
        auto decls = std::make_shared<const TCssDeclarations>(ParseCssDeclarations(body));
        if (decls->empty())
            return;
        for (TCssSelector &sel : selectors) {
            if (int(m_sheet.Rules.size()) >= m_limits.MaxRules) {
                m_full = true;
                warnOnce(QStringLiteral("A style sheet has more than %1 rules; the rest is left out").arg(m_limits.MaxRules));
                return;
            }
            m_sheet.Rules.push_back(TCssRule{std::move(sel), decls});
        }
    }

    TCssStyleSheet &m_sheet;
    QString m_where;
    TWarnings *m_warnings;
    TCssLimits m_limits;
    bool m_full = false;
    bool m_warned = false;
};

} // namespace

bool ParseCssSelectors(const QString &text, std::vector<TCssSelector> &out, int maxParts)
{
    std::vector<TCssSelector> parsed;
    for (const QString &part : splitTop(text, ',')) {
        TCssSelector sel;
        SelectorParser p(part.trimmed(), maxParts);
        if (!p.Parse(sel))
            return false; // one invalid selector drops the whole group, as browsers do
        parsed.push_back(std::move(sel));
    }
    for (auto &s : parsed)
        out.push_back(std::move(s));
    return true;
}

bool CssSelectorMatches(const TCssSelector &selector, const TCssElement &element)
{
    if (selector.Parts.empty())
        return false;
    int budget = 4096;
    return matchFrom(selector, int(selector.Parts.size()) - 1, element, budget);
}

void ParseCssStyleSheet(const QString &text, TCssStyleSheet &sheet, const QString &where, TWarnings *warnings,
                        const TCssLimits &limits)
{
    QString t = text;
    if (t.size() > limits.MaxChars) {
        t.truncate(limits.MaxChars);
        if (warnings)
            warnings->Add(QStringLiteral("A style sheet is larger than %1 characters; the rest is left out").arg(limits.MaxChars), where);
    }
    SheetParser p(sheet, where, warnings, limits);
    p.Parse(withoutComments(t));
}

// --- cascade -----------------------------------------------------------------------------------

void TCssCascade::AddSheet(const TCssStyleSheet &sheet, TOrigin origin)
{
    for (const TCssRule &r : sheet.Rules) {
        const int index = int(m_rules.size());
        m_rules.push_back(Entry{r.Selector, r.Declarations, origin, index});
        const TCssCompound &key = r.Selector.Parts.back();
        if (!key.Ids.isEmpty())
            m_byId[key.Ids.first().toLower()].push_back(index);
        else if (!key.Classes.isEmpty())
            m_byClass[key.Classes.first().toLower()].push_back(index);
        else if (!key.Tag.isEmpty())
            m_byTag[key.Tag].push_back(index);
        else
            m_universal.push_back(index);
    }
}

void TCssCascade::Compute(const TCssElement &element, const TCssDeclarations *hints, const TCssDeclarations *inlineStyle,
                          TCssValues &out) const
{
    std::vector<int> candidates;
    auto add = [&](const std::unordered_map<QString, std::vector<int>> &index, const QString &key) {
        auto it = index.find(key);
        if (it != index.end())
            candidates.insert(candidates.end(), it->second.begin(), it->second.end());
    };
    const QString id = element.Id();
    if (!id.isEmpty())
        add(m_byId, id.toLower());
    for (const QString &c : element.Classes())
        add(m_byClass, c.toLower());
    add(m_byTag, element.Tag());
    candidates.insert(candidates.end(), m_universal.begin(), m_universal.end());
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    std::vector<const Entry *> matched;
    for (int i : candidates) {
        const Entry &e = m_rules[size_t(i)];
        if (e.Selector.Parts.size() > 1 && m_budget <= 0)
            continue;
        int budget = 4096;
        if (matchFrom(e.Selector, int(e.Selector.Parts.size()) - 1, element, budget))
            matched.push_back(&e);
        m_budget -= 4096 - std::max(budget, 0);
    }
    std::stable_sort(matched.begin(), matched.end(), [](const Entry *a, const Entry *b) {
        if (a->Origin != b->Origin)
            return a->Origin < b->Origin;
        if (a->Selector.Specificity != b->Selector.Specificity)
            return a->Selector.Specificity < b->Selector.Specificity;
        return a->Order < b->Order;
    });

    auto apply = [&](const TCssDeclarations &decls, bool important) {
        for (const TCssDeclaration &d : decls)
            if (d.Important == important)
                out.Put(d.Property, d.Value);
    };
    auto applyAll = [&](const TCssDeclarations &decls) {
        for (const TCssDeclaration &d : decls)
            out.Put(d.Property, d.Value);
    };
    for (const Entry *e : matched)
        if (e->Origin == UserAgent)
            applyAll(*e->Declarations);
    if (hints)
        applyAll(*hints);
    for (const Entry *e : matched)
        if (e->Origin == Author)
            apply(*e->Declarations, false);
    if (inlineStyle)
        apply(*inlineStyle, false);
    for (const Entry *e : matched)
        if (e->Origin == Author)
            apply(*e->Declarations, true);
    if (inlineStyle)
        apply(*inlineStyle, true);
}

} // namespace tavrel::engine
