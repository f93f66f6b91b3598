#pragma once
// Formatting properties of runs, paragraphs, tables, rows and cells. Every property is optional:
// a value that is absent is inherited from the style chain and the document defaults, so the
// same structures hold direct formatting, style definitions and resolved results.
#include <QString>
#include <optional>
#include <vector>

namespace tavrel::engine {

struct TBorder
{
    QString Style;   // "single", "double", "dotted", "dashed", "thick", ... ; "none"/"nil" = no border
    int Size = 0;    // eighths of a point
    int Space = 0;   // points
    QString Color;   // "RRGGBB" or "auto"
    bool None() const { return Style.isEmpty() || Style == QLatin1String("none") || Style == QLatin1String("nil"); }
    bool operator==(const TBorder &) const = default;
};

struct TShading
{
    QString Fill;    // "RRGGBB" or "auto"
    QString Pattern; // w:val ("clear", "solid", "pct25", ...)
    QString Color;   // pattern colour
    bool operator==(const TShading &) const = default;
    // The colour a reader sees, or empty for none.
    QString Effective() const;
};

// A width: twips ("dxa"), fiftieths of a percent ("pct"), or automatic.
struct TWidth
{
    QString Type; // "dxa", "pct", "auto", "nil"
    int Value = 0;
    bool operator==(const TWidth &) const = default;
};

struct TRunProps
{
    std::optional<QString> Style; // character style id
    std::optional<bool> Bold, Italic, Caps, SmallCaps, Strike, DoubleStrike, Hidden, Outline, Shadow,
        Emboss, Imprint, WebHidden, Rtl;
    std::optional<int> Size;     // half-points
    std::optional<QString> Font, FontEastAsia, FontComplex; // names, themes resolved
    std::optional<QString> Color; // "RRGGBB" or "auto"
    std::optional<QString> Highlight; // colour name ("yellow")
    std::optional<QString> Underline; // "single", "double", "none", ...
    std::optional<QString> UnderlineColor;
    std::optional<QString> VertAlign; // "superscript", "subscript", "baseline"
    std::optional<int> Spacing;   // twips
    std::optional<int> Position;  // half-points, raised when positive
    std::optional<int> Scale;     // percent
    std::optional<TShading> Shading;
    std::optional<TBorder> Border;
    std::optional<QString> Lang, LangEastAsia;

    // Properties set in over replace these.
    void Overlay(const TRunProps &over);
    bool operator==(const TRunProps &) const = default;
};

struct TTabStop
{
    QString Align; // left, center, right, decimal, bar, clear
    int Pos = 0;   // twips
    QString Leader;
    bool operator==(const TTabStop &) const = default;
};

struct TParaProps
{
    std::optional<QString> Style; // paragraph style id
    std::optional<QString> Align; // left, center, right, both, distribute
    std::optional<int> IndLeft, IndRight, IndFirst; // twips; IndFirst < 0 is a hanging indent
    std::optional<int> SpaceBefore, SpaceAfter;    // twips
    std::optional<int> Line;                       // 240ths of a line (auto) or twips
    std::optional<QString> LineRule;               // auto, exact, atLeast
    std::optional<bool> BeforeAuto, AfterAuto, ContextualSpacing, KeepNext, KeepLines, PageBreakBefore,
        Bidi, WidowControl, SuppressLineNumbers;
    std::optional<int> NumId, NumLevel;
    std::optional<int> OutlineLevel; // as stored: 0-8 heading levels 1-9, 9 body text
    std::optional<TBorder> BorderTop, BorderLeft, BorderBottom, BorderRight, BorderBetween;
    std::optional<TShading> Shading;
    std::optional<std::vector<TTabStop>> Tabs;
    bool Frame = false; // a text frame (w:framePr)

    void Overlay(const TParaProps &over);
    bool operator==(const TParaProps &) const = default;
};

struct TTableBorders
{
    std::optional<TBorder> Top, Left, Bottom, Right, InsideH, InsideV;
    void Overlay(const TTableBorders &over);
    bool operator==(const TTableBorders &) const = default;
};

struct TMargins
{
    std::optional<int> Top, Left, Bottom, Right; // twips
    void Overlay(const TMargins &over);
    bool operator==(const TMargins &) const = default;
};

struct TTableProps
{
    std::optional<QString> Style;
    std::optional<TWidth> Width;
    std::optional<QString> Align; // left, center, right
    std::optional<int> Indent;    // twips
    std::optional<int> CellSpacing;
    TTableBorders Borders;
    TMargins CellMargins;
    std::optional<TShading> Shading;
    std::optional<QString> Layout; // fixed, autofit
    // Which conditional formats of the table style apply (w:tblLook).
    bool LookFirstRow = true, LookLastRow = false, LookFirstColumn = true, LookLastColumn = false,
         LookNoHBand = false, LookNoVBand = true;
    void Overlay(const TTableProps &over);
    bool operator==(const TTableProps &) const = default;
};

struct TRowProps
{
    std::optional<int> Height;
    std::optional<QString> HeightRule;
    bool Header = false, CantSplit = false;
    int GridBefore = 0, GridAfter = 0;
    bool operator==(const TRowProps &) const = default;
};

struct TCellProps
{
    std::optional<TWidth> Width;
    int GridSpan = 1;
    QString VMerge; // "", "restart", "continue"
    QString HMerge; // older documents: "", "restart", "continue"
    TTableBorders Borders;
    std::optional<TShading> Shading;
    std::optional<QString> VAlign; // top, center, bottom
    TMargins Margins;
    bool NoWrap = false;
    bool operator==(const TCellProps &) const = default;
};

} // namespace tavrel::engine
