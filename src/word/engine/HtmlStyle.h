#pragma once
// Computed values of the elements of a web page: declared CSS values resolved against the
// parent's (inheritance, em and percent lengths, keywords), the browser's own style sheet that
// gives elements their usual look, and the presentational attributes of older pages turned into
// declarations.
#include "word/engine/Css.h"

#include <QString>
#include <functional>

namespace tavrel::engine {

struct THtmlLength
{
    enum Kind : uint8_t { Auto, Twips, Percent } K = Auto;
    double V = 0;
};

// Side order: top, right, bottom, left.
struct THtmlStyle
{
    // Inherited.
    QString FontFamily = QStringLiteral("Times New Roman");
    double FontPt = 12;
    QString Color = QStringLiteral("000000");
    int Weight = 400;
    bool Italic = false, SmallCaps = false;
    QString Transform;                          // uppercase, lowercase, capitalize or empty
    QString TextAlign = QStringLiteral("left"); // left, center, right, justify
    double TextIndent = 0;                      // twips
    enum LineKind : uint8_t { LineNormal, LineFactor, LineExact } LineK = LineNormal;
    double LineV = 0; // a factor, or twips
    QString WhiteSpace = QStringLiteral("normal");
    bool Hidden = false; // visibility: hidden
    QString ListStyle = QStringLiteral("disc");
    // Decorations reach the descendants although the property is not inherited.
    bool Underline = false, Strike = false;

    // Not inherited.
    QString Display = QStringLiteral("inline");
    double Margin[4] = {0, 0, 0, 0};
    bool MarginAuto[4] = {false, false, false, false};
    double Padding[4] = {0, 0, 0, 0};
    double BorderWidth[4] = {0, 0, 0, 0}; // twips; 0 when the side has no border
    QString BorderStyle[4];               // CSS style names
    QString BorderColor[4];               // "RRGGBB"
    QString Background;                   // "RRGGBB" or empty
    THtmlLength Width, Height;
    QString VerticalAlign; // baseline, super, sub, top, middle, bottom
    bool PageBreakBefore = false;

    bool Bold() const { return Weight >= 600; }
    bool HasBorder() const { return BorderWidth[0] > 0 || BorderWidth[1] > 0 || BorderWidth[2] > 0 || BorderWidth[3] > 0; }
};

// The values of an element from its declared values and its parent's computed values. rootPt is
// the root element's font size (rem), containerTw the width percentages of margins refer to.
THtmlStyle ComputeHtmlStyle(const TCssValues &declared, const THtmlStyle &parent, double rootPt, double containerTw);

// A length in twips: px, pt, pc, in, cm, mm, em, ex, rem and percentages of percentBase;
// numbers without a unit are pixels, as browsers read older pages. ok is false for what is not a
// length.
double CssLengthTwips(const QString &value, double emPt, double remPt, double percentBase, bool &ok);

// The browser's own sheet; quirks adds the rules that pages without a standards document type get
// (tables do not inherit the font size and weight of the text around them).
const TCssStyleSheet &HtmlDefaultSheet(bool quirks);

// Font sizes of <font size="1"> to "7" in points.
double LegacyFontSizePt(int size);

} // namespace tavrel::engine
