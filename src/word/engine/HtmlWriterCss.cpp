#include "word/engine/HtmlWriterParts.h"

namespace tavrel::engine::html {


QString num(double v)
{
    double r = std::round(v * 100) / 100;
    if (r == std::round(r))
        return QString::number(r, 'f', 1);
    QString s = QString::number(r, 'f', 2);
    if (s.endsWith('0'))
        s.chop(1);
    return s;
}

QString pt(double twips) { return num(twips / 20.0) + QStringLiteral("pt"); }
int px(double twips) { return int(RoundHalfEven(twips / 15.0)); }
int pxEmu(qint64 emu) { return int(RoundHalfEven(double(emu) / 9525.0)); }

QString cssColor(const QString &hex)
{
    if (hex.isEmpty() || hex.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
        return QString();
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    if (re.match(hex).hasMatch())
        return '#' + hex.toUpper();
    return QString();
}

QString highlightColor(const QString &name)
{
    static const QHash<QString, QString> map = {
        {"yellow", "yellow"}, {"green", "lime"}, {"cyan", "aqua"}, {"magenta", "fuchsia"}, {"blue", "blue"},
        {"red", "red"}, {"darkBlue", "navy"}, {"darkCyan", "teal"}, {"darkGreen", "green"},
        {"darkMagenta", "purple"}, {"darkRed", "maroon"}, {"darkYellow", "olive"}, {"darkGray", "gray"},
        {"lightGray", "silver"}, {"black", "black"}, {"white", "white"}};
    return map.value(name);
}

QString cssBorder(const std::optional<TBorder> &b)
{
    if (!b || b->None())
        return QStringLiteral("none");
    QString style = QStringLiteral("solid");
    const QString &s = b->Style;
    if (s == QLatin1String("double") || s.startsWith(QLatin1String("triple")))
        style = QStringLiteral("double");
    else if (s == QLatin1String("dotted"))
        style = QStringLiteral("dotted");
    else if (s.startsWith(QLatin1String("dash")))
        style = QStringLiteral("dashed");
    else if (s == QLatin1String("outset") || s == QLatin1String("inset"))
        style = s;
    QString color = cssColor(b->Color);
    if (color.isEmpty())
        color = QStringLiteral("windowtext");
    double width = std::max(0.5, b->Size / 8.0);
    return style + ' ' + color + ' ' + num(width) + QStringLiteral("pt");
}

QString cssGet(const CssMap &m, const QString &key)
{
    for (const auto &p : m)
        if (p.first == key)
            return p.second;
    return QString();
}

QString cssJoin(const CssMap &m)
{
    QStringList parts;
    for (const auto &[k, v] : m)
        parts << k + ':' + v;
    return parts.join(';');
}

// Declarations of full whose value differs from base's.
CssMap cssDiff(const CssMap &full, const CssMap &base)
{
    CssMap out;
    for (const auto &[k, v] : full)
        if (cssGet(base, k) != v)
            out.emplace_back(k, v);
    return out;
}

// Quotes in an attribute written with single quotes.
QString attrSingle(const QString &s)
{
    QString out = EscapeHtml(s, false);
    out.replace('\'', QLatin1String("&#39;"));
    return out;
}

bool isEastAsian(QChar c)
{
    ushort u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7AF) || (u >= 0xF900 && u <= 0xFAFF) ||
           (u >= 0xFF00 && u <= 0xFFEF);
}



TParaProps Writer::baseParaProps(const QString &styleId) const
{
    TParaProps p = m_doc.Styles.DocPPr;
    p.Overlay(m_doc.Styles.ChainPPr(styleId));
    return p;
}

TRunProps Writer::baseRunProps(const QString &styleId) const
{
    TRunProps r = m_doc.Styles.DocRPr;
    r.Overlay(m_doc.Styles.ChainRPr(styleId));
    return r;
}

CssMap Writer::cssPara(const TParaProps &p) const
{
    CssMap m;
    m.emplace_back("margin-top", p.BeforeAuto.value_or(false) ? QStringLiteral("14.0pt") : pt(p.SpaceBefore.value_or(0)));
    m.emplace_back("margin-right", pt(p.IndRight.value_or(0)));
    m.emplace_back("margin-bottom", p.AfterAuto.value_or(false) ? QStringLiteral("14.0pt") : pt(p.SpaceAfter.value_or(0)));
    m.emplace_back("margin-left", pt(p.IndLeft.value_or(0)));
    QString align = p.Align.value_or(QStringLiteral("left"));
    m.emplace_back("text-align", align == QLatin1String("both") ? QStringLiteral("justify") : align);
    m.emplace_back("text-indent", pt(p.IndFirst.value_or(0)));
    QString lh = QStringLiteral("normal");
    if (p.Line) {
        QString rule = p.LineRule.value_or(QStringLiteral("auto"));
        if (rule == QLatin1String("auto")) {
            if (*p.Line != 240 && *p.Line > 0)
                lh = QString::number(RoundHalfEven(*p.Line * 100.0 / 240.0)) + '%';
        } else if (*p.Line > 0) {
            lh = pt(*p.Line);
        }
    }
    m.emplace_back("line-height", lh);
    m.emplace_back("page-break-before", p.PageBreakBefore.value_or(false) ? QStringLiteral("always") : QStringLiteral("auto"));
    m.emplace_back("page-break-after", p.KeepNext.value_or(false) ? QStringLiteral("avoid") : QStringLiteral("auto"));
    m.emplace_back("border-top", cssBorder(p.BorderTop));
    m.emplace_back("border-left", cssBorder(p.BorderLeft));
    m.emplace_back("border-bottom", cssBorder(p.BorderBottom));
    m.emplace_back("border-right", cssBorder(p.BorderRight));
    auto pad = [](const std::optional<TBorder> &b) { return b && !b->None() ? num(b->Space) + QStringLiteral("pt") : QStringLiteral("0pt"); };
    m.emplace_back("padding", pad(p.BorderTop) + ' ' + pad(p.BorderRight) + ' ' + pad(p.BorderBottom) + ' ' + pad(p.BorderLeft));
    QString bg = p.Shading ? cssColor(p.Shading->Effective()) : QString();
    m.emplace_back("background", bg.isEmpty() ? QStringLiteral("transparent") : bg);
    return m;
}

CssMap Writer::cssRun(const TRunProps &r, const QString &sample) const
{
    CssMap m;
    QString font = r.Font.value_or(QStringLiteral("Times New Roman"));
    QString family = '"' + font + '"';
    if (r.FontEastAsia && *r.FontEastAsia != font && !r.FontEastAsia->isEmpty()) {
        // Latin letters take the first font; characters it lacks fall back to the East Asian one.
        bool asianFirst = false;
        for (QChar c : sample)
            if (isEastAsian(c)) {
                asianFirst = true;
                break;
            }
        family = asianFirst ? QString('"' + *r.FontEastAsia + QStringLiteral("\",\"") + font + '"')
                            : QString(family + QStringLiteral(",\"") + *r.FontEastAsia + '"');
    }
    auto generic = m_doc.FontFamilies.find(font);
    if (generic != m_doc.FontFamilies.end())
        family += ',' + generic->second;
    m.emplace_back("font-family", family);
    m.emplace_back("font-size", num(r.Size.value_or(20) / 2.0) + QStringLiteral("pt"));
    m.emplace_back("font-weight", r.Bold.value_or(false) ? QStringLiteral("bold") : QStringLiteral("normal"));
    m.emplace_back("font-style", r.Italic.value_or(false) ? QStringLiteral("italic") : QStringLiteral("normal"));
    QStringList deco;
    QString u = r.Underline.value_or(QString());
    if (!u.isEmpty() && u != QLatin1String("none"))
        deco << QStringLiteral("underline");
    if (r.Strike.value_or(false) || r.DoubleStrike.value_or(false))
        deco << QStringLiteral("line-through");
    m.emplace_back("text-decoration", deco.isEmpty() ? QStringLiteral("none") : deco.join(' '));
    m.emplace_back("text-transform", r.Caps.value_or(false) ? QStringLiteral("uppercase") : QStringLiteral("none"));
    m.emplace_back("font-variant", r.SmallCaps.value_or(false) && !r.Caps.value_or(false) ? QStringLiteral("small-caps") : QStringLiteral("normal"));
    m.emplace_back("letter-spacing", r.Spacing && *r.Spacing ? pt(*r.Spacing) : QStringLiteral("normal"));
    QString color = r.Color ? cssColor(*r.Color) : QString();
    m.emplace_back("color", color.isEmpty() ? QStringLiteral("windowtext") : color);
    QString bg;
    if (r.Highlight && *r.Highlight != QLatin1String("none"))
        bg = highlightColor(*r.Highlight);
    if (bg.isEmpty() && r.Shading)
        bg = cssColor(r.Shading->Effective());
    m.emplace_back("background", bg.isEmpty() ? QStringLiteral("transparent") : bg);
    m.emplace_back("display", r.Hidden.value_or(false) || r.WebHidden.value_or(false) ? QStringLiteral("none") : QStringLiteral("inline"));
    if (r.Position && *r.Position) {
        m.emplace_back("position", QStringLiteral("relative"));
        m.emplace_back("top", num(-*r.Position / 2.0) + QStringLiteral("pt"));
    } else {
        m.emplace_back("position", QStringLiteral("static"));
        m.emplace_back("top", QStringLiteral("0pt"));
    }
    m.emplace_back("border", r.Border ? cssBorder(r.Border) : QStringLiteral("none"));
    return m;
}

QString cssClassName(const TStyle &s)
{
    QString base;
    bool upperNext = true;
    for (QChar c : s.Name) {
        if (c.unicode() < 128 && c.isLetterOrNumber()) {
            base += upperNext ? c.toUpper() : c;
            upperNext = false;
        } else {
            upperNext = true;
        }
    }
    if (base.isEmpty() || base[0].isDigit())
        base = QStringLiteral("Style") + base;
    return s.Custom ? base : QStringLiteral("Mso") + base;
}

QString Writer::classOf(const QString &styleId)
{
    auto it = m_classes.find(styleId);
    if (it != m_classes.end())
        return it->second;
    const TStyle *s = m_doc.Styles.Find(styleId);
    QString name = s ? cssClassName(*s) : QStringLiteral("MsoNormal");
    QString unique = name;
    for (int n = 1; m_classNames.count(unique); ++n)
        unique = name + QString::number(n);
    m_classNames.insert(unique);
    m_classes[styleId] = unique;
    return unique;
}

QString Writer::charClassOf(const QString &styleId)
{
    auto it = m_charClasses.find(styleId);
    if (it != m_charClasses.end())
        return it->second;
    const TStyle *s = m_doc.Styles.Find(styleId);
    if (!s || s->Type != TStyleType::Character) {
        m_charClasses[styleId] = QString();
        return QString();
    }
    QString name = cssClassName(*s);
    QString unique = name;
    for (int n = 1; m_classNames.count(unique); ++n)
        unique = name + QString::number(n);
    m_classNames.insert(unique);
    m_charClasses[styleId] = unique;
    return unique;
}

TRunProps Writer::effectiveRun(const QString &paraStyle, const CellContext *cell, const TRunProps *direct) const
{
    TRunProps r = m_doc.Styles.DocRPr;
    if (cell)
        r.Overlay(cell->RPr);
    r.Overlay(m_doc.Styles.ChainRPr(paraStyle));
    if (direct && direct->Style) {
        // Toggle properties of a character style switch the paragraph's value.
        const TRunProps &cs = m_doc.Styles.ChainRPr(*direct->Style);
        TRunProps over = cs;
        auto toggle = [](std::optional<bool> &mine, const std::optional<bool> &theirs, std::optional<bool> &out) {
            if (theirs && *theirs)
                out = !mine.value_or(false);
            else
                out.reset();
        };
        toggle(r.Bold, cs.Bold, over.Bold);
        toggle(r.Italic, cs.Italic, over.Italic);
        toggle(r.Caps, cs.Caps, over.Caps);
        toggle(r.SmallCaps, cs.SmallCaps, over.SmallCaps);
        toggle(r.Strike, cs.Strike, over.Strike);
        toggle(r.Hidden, cs.Hidden, over.Hidden);
        r.Overlay(over);
    }
    if (direct) {
        TRunProps d = *direct;
        d.Style.reset();
        r.Overlay(d);
    }
    return r;
}


} // namespace tavrel::engine::html
