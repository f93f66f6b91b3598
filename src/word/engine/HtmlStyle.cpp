#include "word/engine/HtmlStyle.h"

#include <algorithm>
#include <cmath>

namespace tavrel::engine {

namespace {

// The look browsers give elements without a style sheet; body margins are left out because the
// page's margins belong to the document here.
const char kDefaultSheet[] = R"css(
html, body, address, blockquote, center, dd, dir, div, dl, dt, fieldset, form, frameset, h1, h2, h3, h4, h5, h6,
hr, legend, listing, menu, ol, p, plaintext, pre, ul, xmp, article, aside, footer, header, hgroup, main, nav,
section, figure, figcaption, details, summary, noframes, caption { display: block }
li { display: list-item }
head, script, style, title, meta, link, base, basefont, noscript, template, area, map, param, datalist, option,
select, iframe, frame, embed, audio, video, canvas, input, button, textarea, rp { display: none }
table { display: table }
tr { display: table-row }
thead { display: table-header-group }
tbody { display: table-row-group }
tfoot { display: table-footer-group }
col { display: table-column }
colgroup { display: table-column-group }
td, th { display: table-cell }
caption { text-align: center }
th { font-weight: bold; text-align: center }
p, dl { margin-top: 1em; margin-bottom: 1em }
blockquote { margin: 1em 40px }
ul, ol, dir, menu { margin-top: 1em; margin-bottom: 1em; padding-left: 40px }
ul ul, ul ol, ol ul, ol ol, ul dir, ul menu, dir ul, menu ul, ol dir, ol menu { margin-top: 0; margin-bottom: 0 }
ul, dir, menu { list-style-type: disc }
ul ul, ol ul, menu ul, dir ul { list-style-type: circle }
ul ul ul, ol ul ul, ul ol ul, ol ol ul { list-style-type: square }
ol { list-style-type: decimal }
dd { margin-left: 40px }
h1 { font-size: 2em; margin-top: .67em; margin-bottom: .67em }
h2 { font-size: 1.5em; margin-top: .83em; margin-bottom: .83em }
h3 { font-size: 1.17em; margin-top: 1em; margin-bottom: 1em }
h4 { margin-top: 1.33em; margin-bottom: 1.33em }
h5 { font-size: .83em; margin-top: 1.67em; margin-bottom: 1.67em }
h6 { font-size: .67em; margin-top: 2.33em; margin-bottom: 2.33em }
h1, h2, h3, h4, h5, h6, b, strong { font-weight: bold }
i, cite, em, var, dfn, address { font-style: italic }
pre, tt, code, kbd, samp, listing, xmp, plaintext { font-family: monospace }
pre, listing, xmp, plaintext { white-space: pre; margin-top: 1em; margin-bottom: 1em }
nobr { white-space: nowrap }
big { font-size: larger }
small { font-size: smaller }
sub { vertical-align: sub }
sup { vertical-align: super }
s, strike, del { text-decoration: line-through }
u, ins { text-decoration: underline }
center { text-align: center }
a:link { color: #0000FF; text-decoration: underline }
hr { margin-top: .5em; margin-bottom: .5em }
)css";

const char kQuirksSheet[] = R"css(
table { font-weight: normal; font-style: normal; font-variant: normal; font-size: medium; line-height: normal;
        white-space: normal; text-align: left }
)css";

QString lowered(const TCssValues &v, TCssProperty p) { return v.Get(p).trimmed().toLower(); }

double keywordSizePx(const QString &k)
{
    static const std::pair<const char *, double> sizes[] = {{"xx-small", 9}, {"x-small", 10}, {"small", 13},
                                                           {"medium", 16}, {"large", 18}, {"x-large", 24},
                                                           {"xx-large", 32}, {"xxx-large", 48}};
    for (const auto &[name, px] : sizes)
        if (k == QLatin1String(name))
            return px;
    return 0;
}

QString firstFamily(const QString &value)
{
    QString first;
    // The first name of the list, quotes removed.
    const QString v = value.trimmed();
    if (!v.isEmpty() && (v[0] == '"' || v[0] == '\'')) {
        const qsizetype e = v.indexOf(v[0], 1);
        first = e < 0 ? v.mid(1) : v.mid(1, e - 1);
    } else {
        first = v.section(',', 0, 0).simplified();
    }
    const QString g = first.toLower();
    if (g == QLatin1String("serif"))
        return QStringLiteral("Times New Roman");
    if (g == QLatin1String("sans-serif") || g == QLatin1String("system-ui"))
        return QStringLiteral("Arial");
    if (g == QLatin1String("monospace"))
        return QStringLiteral("Courier New");
    if (g == QLatin1String("cursive"))
        return QStringLiteral("Comic Sans MS");
    if (g == QLatin1String("fantasy"))
        return QStringLiteral("Impact");
    return first.left(64);
}

double clampTwips(double v) { return std::isfinite(v) ? std::clamp(v, -1.0e6, 1.0e6) : 0; }

} // namespace

double LegacyFontSizePt(int size)
{
    static const double pt[] = {7.5, 10, 12, 13.5, 18, 24, 36};
    return pt[std::clamp(size, 1, 7) - 1];
}

double CssLengthTwips(const QString &value, double emPt, double remPt, double percentBase, bool &ok)
{
    ok = false;
    const QString v = value.trimmed().toLower();
    qsizetype i = 0;
    const qsizetype n = v.size();
    if (i < n && (v[i] == '+' || v[i] == '-'))
        ++i;
    const qsizetype digits = i;
    while (i < n && (v[i].isDigit() || v[i] == '.'))
        ++i;
    if (i == digits)
        return 0;
    bool numberOk = false;
    const double number = v.left(i).toDouble(&numberOk);
    if (!numberOk || !std::isfinite(number))
        return 0;
    const QString unit = v.mid(i).trimmed();
    double factor = 0;
    if (unit.isEmpty() || unit == QLatin1String("px"))
        factor = 15;
    else if (unit == QLatin1String("pt"))
        factor = 20;
    else if (unit == QLatin1String("pc"))
        factor = 240;
    else if (unit == QLatin1String("in"))
        factor = 1440;
    else if (unit == QLatin1String("cm"))
        factor = 1440 / 2.54;
    else if (unit == QLatin1String("mm"))
        factor = 144 / 2.54;
    else if (unit == QLatin1String("q"))
        factor = 36 / 2.54;
    else if (unit == QLatin1String("em"))
        factor = emPt * 20;
    else if (unit == QLatin1String("ex") || unit == QLatin1String("ch"))
        factor = emPt * 10;
    else if (unit == QLatin1String("rem"))
        factor = remPt * 20;
    else if (unit == QLatin1String("%") || unit == QLatin1String("vw") || unit == QLatin1String("vh"))
        factor = percentBase / 100;
    else
        return 0;
    ok = true;
    return clampTwips(number * factor);
}

THtmlStyle ComputeHtmlStyle(const TCssValues &d, const THtmlStyle &parent, double rootPt, double containerTw)
{
    THtmlStyle s;
    // Inherited properties start from the parent's values.
    s.FontFamily = parent.FontFamily;
    s.FontPt = parent.FontPt;
    s.Color = parent.Color;
    s.Weight = parent.Weight;
    s.Italic = parent.Italic;
    s.SmallCaps = parent.SmallCaps;
    s.Transform = parent.Transform;
    s.TextAlign = parent.TextAlign;
    s.TextIndent = parent.TextIndent;
    s.LineK = parent.LineK;
    s.LineV = parent.LineV;
    s.WhiteSpace = parent.WhiteSpace;
    s.Hidden = parent.Hidden;
    s.ListStyle = parent.ListStyle;
    s.Underline = parent.Underline;
    s.Strike = parent.Strike;

    bool ok = false;
    using P = TCssProperty;
    auto has = [&](P p) { return d.Has(p) && lowered(d, p) != QLatin1String("inherit"); };
    auto inheritsExplicitly = [&](P p) { return d.Has(p) && lowered(d, p) == QLatin1String("inherit"); };

    if (has(P::FontSize)) {
        const QString v = lowered(d, P::FontSize);
        double pt = 0;
        if (const double px = keywordSizePx(v))
            pt = px * 0.75;
        else if (v == QLatin1String("initial"))
            pt = 12;
        else if (v == QLatin1String("smaller"))
            pt = parent.FontPt / 1.2;
        else if (v == QLatin1String("larger"))
            pt = parent.FontPt * 1.2;
        else {
            const double tw = CssLengthTwips(v, parent.FontPt, rootPt, parent.FontPt * 20, ok);
            if (ok && tw > 0)
                pt = tw / 20;
        }
        if (pt > 0)
            s.FontPt = std::clamp(pt, 1.0, 1638.0);
    }
    if (has(P::FontFamily)) {
        const QString f = firstFamily(d.Get(P::FontFamily));
        if (!f.isEmpty())
            s.FontFamily = f;
    }
    if (has(P::Color)) {
        const QString v = lowered(d, P::Color);
        const QString c = CssColor(v);
        if (!c.isEmpty())
            s.Color = c;
    }
    if (has(P::FontWeight)) {
        const QString v = lowered(d, P::FontWeight);
        if (v == QLatin1String("normal") || v == QLatin1String("initial"))
            s.Weight = 400;
        else if (v == QLatin1String("bold"))
            s.Weight = 700;
        else if (v == QLatin1String("bolder"))
            s.Weight = parent.Weight < 400 ? 400 : parent.Weight < 600 ? 700 : 900;
        else if (v == QLatin1String("lighter"))
            s.Weight = parent.Weight >= 600 ? 400 : 100;
        else if (const int w = v.toInt(); w >= 1 && w <= 1000)
            s.Weight = w;
    }
    if (has(P::FontStyle)) {
        const QString v = lowered(d, P::FontStyle);
        s.Italic = v == QLatin1String("italic") || v.startsWith(QLatin1String("oblique"));
    }
    if (has(P::FontVariant))
        s.SmallCaps = lowered(d, P::FontVariant) == QLatin1String("small-caps");
    if (has(P::TextTransform)) {
        const QString v = lowered(d, P::TextTransform);
        s.Transform = (v == QLatin1String("uppercase") || v == QLatin1String("lowercase") || v == QLatin1String("capitalize")) ? v : QString();
    }
    if (has(P::TextDecoration)) {
        const QString v = lowered(d, P::TextDecoration);
        s.Underline = s.Underline || v.contains(QLatin1String("underline"));
        s.Strike = s.Strike || v.contains(QLatin1String("line-through"));
    }
    if (has(P::TextAlign)) {
        const QString v = lowered(d, P::TextAlign);
        if (v == QLatin1String("left") || v == QLatin1String("start") || v == QLatin1String("initial") || v == QLatin1String("-webkit-left"))
            s.TextAlign = QStringLiteral("left");
        else if (v == QLatin1String("right") || v == QLatin1String("end") || v == QLatin1String("-webkit-right"))
            s.TextAlign = QStringLiteral("right");
        else if (v.endsWith(QLatin1String("center")) || v == QLatin1String("middle"))
            s.TextAlign = QStringLiteral("center");
        else if (v == QLatin1String("justify"))
            s.TextAlign = QStringLiteral("justify");
    }
    if (has(P::TextIndent)) {
        const double tw = CssLengthTwips(lowered(d, P::TextIndent), s.FontPt, rootPt, containerTw, ok);
        if (ok)
            s.TextIndent = tw;
    }
    if (has(P::LineHeight)) {
        const QString v = lowered(d, P::LineHeight);
        bool isNumber = false;
        const double f = v.toDouble(&isNumber);
        if (v == QLatin1String("normal") || v == QLatin1String("initial")) {
            s.LineK = THtmlStyle::LineNormal;
        } else if (isNumber && std::isfinite(f) && f > 0) {
            s.LineK = THtmlStyle::LineFactor;
            s.LineV = std::min(f, 100.0);
        } else {
            const double tw = CssLengthTwips(v, s.FontPt, rootPt, s.FontPt * 20, ok);
            if (ok && tw > 0) {
                s.LineK = THtmlStyle::LineExact;
                s.LineV = tw;
            }
        }
    }
    if (has(P::WhiteSpace)) {
        const QString v = lowered(d, P::WhiteSpace);
        if (v == QLatin1String("break-spaces"))
            s.WhiteSpace = QStringLiteral("pre-wrap");
        else if (v == QLatin1String("normal") || v == QLatin1String("pre") || v == QLatin1String("nowrap") ||
                 v == QLatin1String("pre-wrap") || v == QLatin1String("pre-line"))
            s.WhiteSpace = v;
    }
    if (has(P::Visibility)) {
        const QString v = lowered(d, P::Visibility);
        s.Hidden = v == QLatin1String("hidden") || v == QLatin1String("collapse");
    }
    if (has(P::ListStyleType))
        s.ListStyle = lowered(d, P::ListStyleType);

    // Not inherited.
    if (has(P::Display))
        s.Display = lowered(d, P::Display);
    else if (inheritsExplicitly(P::Display))
        s.Display = parent.Display;
    for (int side = 0; side < 4; ++side) {
        const P margin = P(int(P::MarginTop) + side), padding = P(int(P::PaddingTop) + side);
        const P width = P(int(P::BorderTopWidth) + side), style = P(int(P::BorderTopStyle) + side),
                color = P(int(P::BorderTopColor) + side);
        if (has(margin)) {
            const QString v = lowered(d, margin);
            if (v == QLatin1String("auto")) {
                s.MarginAuto[side] = true;
            } else {
                const double tw = CssLengthTwips(v, s.FontPt, rootPt, containerTw, ok);
                if (ok)
                    s.Margin[side] = tw;
            }
        } else if (inheritsExplicitly(margin)) {
            s.Margin[side] = parent.Margin[side];
        }
        if (has(padding)) {
            const double tw = CssLengthTwips(lowered(d, padding), s.FontPt, rootPt, containerTw, ok);
            if (ok && tw > 0)
                s.Padding[side] = tw;
        }
        const QString st = has(style) ? lowered(d, style) : QString();
        if (!st.isEmpty() && st != QLatin1String("none") && st != QLatin1String("hidden")) {
            s.BorderStyle[side] = st;
            const QString w = has(width) ? lowered(d, width) : QStringLiteral("medium");
            double tw = 45;
            if (w == QLatin1String("thin"))
                tw = 15;
            else if (w == QLatin1String("thick"))
                tw = 75;
            else if (w != QLatin1String("medium")) {
                tw = CssLengthTwips(w, s.FontPt, rootPt, 0, ok);
                if (!ok)
                    tw = 45;
            }
            s.BorderWidth[side] = std::clamp(tw, 0.0, 1440.0);
            const QString c = has(color) ? CssColor(d.Get(color)) : QString();
            s.BorderColor[side] = c.isEmpty() ? s.Color : c;
        }
    }
    if (has(P::BackgroundColor))
        s.Background = CssColor(d.Get(P::BackgroundColor));
    else if (inheritsExplicitly(P::BackgroundColor))
        s.Background = parent.Background;
    auto length = [&](P p, THtmlLength &out) {
        if (!has(p))
            return;
        const QString v = lowered(d, p);
        if (v.endsWith('%')) {
            bool numberOk = false;
            const double pct = v.left(v.size() - 1).trimmed().toDouble(&numberOk);
            if (numberOk && std::isfinite(pct) && pct >= 0) {
                out.K = THtmlLength::Percent;
                out.V = std::min(pct, 1000.0);
            }
            return;
        }
        const double tw = CssLengthTwips(v, s.FontPt, rootPt, containerTw, ok);
        if (ok && tw >= 0) {
            out.K = THtmlLength::Twips;
            out.V = tw;
        }
    };
    length(P::Width, s.Width);
    length(P::Height, s.Height);
    if (has(P::VerticalAlign)) {
        const QString v = lowered(d, P::VerticalAlign);
        if (v == QLatin1String("super") || v == QLatin1String("sub") || v == QLatin1String("top") ||
            v == QLatin1String("middle") || v == QLatin1String("bottom") || v == QLatin1String("baseline"))
            s.VerticalAlign = v;
    }
    if (has(P::PageBreakBefore)) {
        const QString v = lowered(d, P::PageBreakBefore);
        s.PageBreakBefore = v == QLatin1String("always") || v == QLatin1String("page") || v == QLatin1String("left") ||
                            v == QLatin1String("right");
    }
    return s;
}

const TCssStyleSheet &HtmlDefaultSheet(bool quirks)
{
    static const TCssStyleSheet standard = [] {
        TCssStyleSheet s;
        ParseCssStyleSheet(QString::fromLatin1(kDefaultSheet), s, QString(), nullptr);
        return s;
    }();
    static const TCssStyleSheet withQuirks = [] {
        TCssStyleSheet s = standard;
        ParseCssStyleSheet(QString::fromLatin1(kQuirksSheet), s, QString(), nullptr);
        return s;
    }();
    return quirks ? withQuirks : standard;
}

} // namespace tavrel::engine
