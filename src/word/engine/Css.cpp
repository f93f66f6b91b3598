#include "word/engine/Css.h"

#include "word/engine/CssText.h"

#include <QColor>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cctype>

namespace tavrel::engine {

using namespace css;


namespace {

const char *const kPropertyNames[kCssPropertyCount] = {
    "color", "background-color", "font-family", "font-size", "font-weight", "font-style", "font-variant",
    "text-decoration", "text-transform", "text-align", "text-indent", "line-height", "vertical-align",
    "white-space", "display", "visibility", "margin-top", "margin-right", "margin-bottom", "margin-left",
    "padding-top", "padding-right", "padding-bottom", "padding-left", "border-top-width", "border-right-width",
    "border-bottom-width", "border-left-width", "border-top-style", "border-right-style", "border-bottom-style",
    "border-left-style", "border-top-color", "border-right-color", "border-bottom-color", "border-left-color",
    "width", "height", "list-style-type", "page-break-before"};

const QHash<QString, TCssProperty> &propertyTable()
{
    static const QHash<QString, TCssProperty> table = [] {
        QHash<QString, TCssProperty> t;
        for (int i = 0; i < kCssPropertyCount; ++i)
            t.insert(QLatin1String(kPropertyNames[i]), TCssProperty(i));
        return t;
    }();
    return table;
}

// --- declarations ------------------------------------------------------------------------------

bool isBorderStyle(const QString &w)
{
    static const QStringList styles = {"none", "hidden", "dotted", "dashed", "solid", "double",
                                       "groove", "ridge", "inset", "outset"};
    return styles.contains(w);
}

bool isWidthWord(const QString &w)
{
    if (w == QLatin1String("thin") || w == QLatin1String("medium") || w == QLatin1String("thick"))
        return true;
    return !w.isEmpty() && (w[0].isDigit() || w[0] == '.' || ((w[0] == '-' || w[0] == '+') && w.size() > 1));
}

bool isListType(const QString &w)
{
    static const QStringList types = {"disc", "circle", "square", "decimal", "decimal-leading-zero", "lower-roman",
                                      "upper-roman", "lower-alpha", "upper-alpha", "lower-latin", "upper-latin",
                                      "lower-greek", "none", "armenian", "georgian"};
    return types.contains(w);
}

void put(TCssDeclarations &out, TCssProperty p, const QString &v, bool important)
{
    out.push_back(TCssDeclaration{p, v, important});
}

// top, right, bottom, left from one to four words.
void fourSides(TCssDeclarations &out, const QStringList &w, TCssProperty top, bool important)
{
    if (w.isEmpty() || w.size() > 4)
        return;
    const QString t = w[0], r = w.value(1, t), b = w.value(2, t), l = w.value(3, r);
    const int base = int(top);
    put(out, TCssProperty(base), t, important);
    put(out, TCssProperty(base + 1), r, important);
    put(out, TCssProperty(base + 2), b, important);
    put(out, TCssProperty(base + 3), l, important);
}

void borderSide(TCssDeclarations &out, const QStringList &words, int side, bool important)
{
    QString width = QStringLiteral("medium"), style = QStringLiteral("none"), color = QStringLiteral("currentcolor");
    for (const QString &w : words) {
        const QString lw = w.toLower();
        if (isBorderStyle(lw))
            style = lw;
        else if (isWidthWord(lw))
            width = lw;
        else
            color = w;
    }
    put(out, TCssProperty(int(TCssProperty::BorderTopWidth) + side), width, important);
    put(out, TCssProperty(int(TCssProperty::BorderTopStyle) + side), style, important);
    put(out, TCssProperty(int(TCssProperty::BorderTopColor) + side), color, important);
}

void fontShorthand(TCssDeclarations &out, const QString &value, bool important)
{
    static const QStringList system = {"caption", "icon", "menu", "message-box", "small-caption", "status-bar"};
    const QString lower = value.trimmed().toLower();
    if (system.contains(lower))
        return;
    if (lower == QLatin1String("inherit")) {
        for (TCssProperty p : {TCssProperty::FontStyle, TCssProperty::FontVariant, TCssProperty::FontWeight,
                               TCssProperty::FontSize, TCssProperty::LineHeight, TCssProperty::FontFamily})
            put(out, p, lower, important);
        return;
    }
    // Style, variant and weight in any order, then the size with an optional line height, then
    // the families (which may hold blanks).
    QString style = QStringLiteral("normal"), variant = QStringLiteral("normal"), weight = QStringLiteral("normal");
    QString size, lineHeight = QStringLiteral("normal");
    const qsizetype n = value.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && isSpace(value[i]))
            ++i;
        qsizetype e = i;
        while (e < n && !isSpace(value[e]) && value[e] != '/')
            ++e;
        if (e == i)
            break;
        const QString w = value.mid(i, e - i).toLower();
        if (w == QLatin1String("italic") || w == QLatin1String("oblique"))
            style = w;
        else if (w == QLatin1String("small-caps"))
            variant = w;
        else if (w == QLatin1String("bold") || w == QLatin1String("bolder") || w == QLatin1String("lighter") ||
                 (w.size() == 3 && w[0].isDigit() && w.endsWith(QLatin1String("00"))))
            weight = w;
        else if (w == QLatin1String("normal"))
            ;
        else {
            size = w;
            i = e;
            // "/ line-height"
            qsizetype j = i;
            while (j < n && isSpace(value[j]))
                ++j;
            if (j < n && value[j] == '/') {
                ++j;
                while (j < n && isSpace(value[j]))
                    ++j;
                qsizetype k = j;
                while (k < n && !isSpace(value[k]))
                    ++k;
                lineHeight = value.mid(j, k - j).toLower();
                i = k;
            }
            break;
        }
        i = e;
    }
    const QString family = value.mid(i).trimmed();
    if (size.isEmpty() || family.isEmpty())
        return; // both are required; an invalid shorthand is dropped whole
    put(out, TCssProperty::FontStyle, style, important);
    put(out, TCssProperty::FontVariant, variant, important);
    put(out, TCssProperty::FontWeight, weight, important);
    put(out, TCssProperty::FontSize, size, important);
    put(out, TCssProperty::LineHeight, lineHeight, important);
    put(out, TCssProperty::FontFamily, family, important);
}

void expand(TCssDeclarations &out, const QString &name, const QString &value, bool important)
{
    TCssProperty p;
    if (CssPropertyOf(name, p)) {
        put(out, p, value, important);
        return;
    }
    const QStringList words = CssWords(value);
    if (name == QLatin1String("margin")) {
        fourSides(out, words, TCssProperty::MarginTop, important);
    } else if (name == QLatin1String("padding")) {
        fourSides(out, words, TCssProperty::PaddingTop, important);
    } else if (name == QLatin1String("border-width")) {
        fourSides(out, words, TCssProperty::BorderTopWidth, important);
    } else if (name == QLatin1String("border-style")) {
        QStringList lower;
        for (const QString &w : words)
            lower << w.toLower();
        fourSides(out, lower, TCssProperty::BorderTopStyle, important);
    } else if (name == QLatin1String("border-color")) {
        fourSides(out, words, TCssProperty::BorderTopColor, important);
    } else if (name == QLatin1String("border")) {
        for (int side = 0; side < 4; ++side)
            borderSide(out, words, side, important);
    } else if (name == QLatin1String("border-top")) {
        borderSide(out, words, 0, important);
    } else if (name == QLatin1String("border-right")) {
        borderSide(out, words, 1, important);
    } else if (name == QLatin1String("border-bottom")) {
        borderSide(out, words, 2, important);
    } else if (name == QLatin1String("border-left")) {
        borderSide(out, words, 3, important);
    } else if (name == QLatin1String("font")) {
        fontShorthand(out, value, important);
    } else if (name == QLatin1String("background")) {
        QString color = QStringLiteral("transparent");
        for (const QString &w : words)
            if (w.compare(QLatin1String("inherit"), Qt::CaseInsensitive) == 0 || !CssColor(w).isEmpty())
                color = w;
        put(out, TCssProperty::BackgroundColor, color, important);
    } else if (name == QLatin1String("list-style")) {
        QString type;
        for (const QString &w : words)
            if (isListType(w.toLower()) && (type.isEmpty() || type == QLatin1String("none")))
                type = w.toLower();
        if (!type.isEmpty())
            put(out, TCssProperty::ListStyleType, type, important);
    }
}

} // namespace

bool CssPropertyOf(const QString &name, TCssProperty &property)
{
    auto it = propertyTable().constFind(name);
    if (it == propertyTable().constEnd())
        return false;
    property = *it;
    return true;
}

QString CssPropertyName(TCssProperty property)
{
    return int(property) < kCssPropertyCount ? QLatin1String(kPropertyNames[int(property)]) : QString();
}

QStringList CssWords(const QString &value)
{
    QStringList out;
    const qsizetype n = value.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && isSpace(value[i]))
            ++i;
        if (i >= n)
            break;
        qsizetype e = i;
        int depth = 0;
        while (e < n && (depth > 0 || !isSpace(value[e]))) {
            const QChar c = value[e];
            if (c == '"' || c == '\'') {
                e = skipString(value, e, n);
                continue;
            }
            if (c == '(')
                ++depth;
            else if (c == ')' && depth > 0)
                --depth;
            ++e;
        }
        out << value.mid(i, e - i);
        i = e;
    }
    return out;
}

TCssDeclarations ParseCssDeclarations(const QString &text)
{
    TCssDeclarations out;
    const QString clean = withoutComments(text);
    for (const QString &part : splitTop(clean, ';')) {
        const qsizetype colon = part.indexOf(':');
        if (colon <= 0)
            continue;
        const QString name = part.left(colon).trimmed().toLower();
        QString value = part.mid(colon + 1).trimmed();
        if (name.isEmpty() || !isNameChar(name[0]) || name.contains('{') || value.contains('{'))
            continue;
        bool important = false;
        const qsizetype bang = value.lastIndexOf('!');
        if (bang >= 0) {
            if (value.mid(bang + 1).trimmed().compare(QLatin1String("important"), Qt::CaseInsensitive) != 0)
                continue; // "!" followed by anything else is not a valid value
            important = true;
            value = value.left(bang).trimmed();
        }
        if (value.isEmpty())
            continue;
        expand(out, name, value, important);
    }
    return out;
}

// --- colours -----------------------------------------------------------------------------------

namespace {

int channel(const QString &s)
{
    const QString t = s.trimmed();
    bool ok = false;
    if (t.endsWith('%')) {
        const double v = t.left(t.size() - 1).toDouble(&ok);
        return ok ? std::clamp(int(v * 2.55 + 0.5), 0, 255) : -1;
    }
    const double v = t.toDouble(&ok);
    return ok ? std::clamp(int(v + 0.5), 0, 255) : -1;
}

QString hex(int r, int g, int b)
{
    return QStringLiteral("%1%2%3").arg(r, 2, 16, QLatin1Char('0')).arg(g, 2, 16, QLatin1Char('0')).arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

bool allHex(QStringView s)
{
    for (QChar c : s)
        if (!isxdigit(c.unicode() < 128 ? c.toLatin1() : 'g'))
            return false;
    return !s.isEmpty();
}

} // namespace

QString CssColor(const QString &value, bool legacy)
{
    QString v = value.trimmed().toLower();
    if (v.isEmpty() || v == QLatin1String("transparent"))
        return QString();
    if (legacy && !v.startsWith('#') && (v.size() == 3 || v.size() == 6) && allHex(v))
        v.prepend('#');
    if (v.startsWith('#')) {
        const QStringView h = QStringView(v).mid(1);
        if (!allHex(h))
            return QString();
        if (h.size() == 3 || h.size() == 4)
            return QStringLiteral("%1%1%2%2%3%3").arg(h[0]).arg(h[1]).arg(h[2]).toUpper();
        if (h.size() == 6 || h.size() == 8)
            return h.left(6).toString().toUpper();
        return QString();
    }
    if (v.startsWith(QLatin1String("rgb(")) || v.startsWith(QLatin1String("rgba("))) {
        const qsizetype open = v.indexOf('('), close = v.lastIndexOf(')');
        if (close < open)
            return QString();
        QString inner = v.mid(open + 1, close - open - 1);
        inner.replace('/', ',');
        QStringList parts = inner.contains(',') ? inner.split(',') : inner.simplified().split(' ');
        if (parts.size() < 3)
            return QString();
        if (parts.size() >= 4) {
            bool ok = false;
            const QString a = parts[3].trimmed();
            const double alpha = a.endsWith('%') ? a.left(a.size() - 1).toDouble(&ok) / 100 : a.toDouble(&ok);
            if (ok && alpha <= 0)
                return QString();
        }
        const int r = channel(parts[0]), g = channel(parts[1]), b = channel(parts[2]);
        if (r < 0 || g < 0 || b < 0)
            return QString();
        return hex(r, g, b);
    }
    for (QChar c : v)
        if (!(c >= 'a' && c <= 'z'))
            return QString();
    const QColor named = QColor::fromString(v);
    if (!named.isValid())
        return QString();
    return hex(named.red(), named.green(), named.blue());
}

} // namespace tavrel::engine