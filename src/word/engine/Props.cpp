#include "word/engine/Props.h"

namespace tavrel::engine {

namespace {
template <class T>
void over(std::optional<T> &mine, const std::optional<T> &theirs)
{
    if (theirs)
        mine = theirs;
}
} // namespace

QString TShading::Effective() const
{
    if (Pattern == QLatin1String("solid") && !Color.isEmpty() && Color != QLatin1String("auto"))
        return Color;
    if (Fill.isEmpty() || Fill == QLatin1String("auto"))
        return QString();
    return Fill;
}

void TRunProps::Overlay(const TRunProps &o)
{
    over(Style, o.Style);
    over(Bold, o.Bold);
    over(Italic, o.Italic);
    over(Caps, o.Caps);
    over(SmallCaps, o.SmallCaps);
    over(Strike, o.Strike);
    over(DoubleStrike, o.DoubleStrike);
    over(Hidden, o.Hidden);
    over(Outline, o.Outline);
    over(Shadow, o.Shadow);
    over(Emboss, o.Emboss);
    over(Imprint, o.Imprint);
    over(WebHidden, o.WebHidden);
    over(Rtl, o.Rtl);
    over(Size, o.Size);
    over(Font, o.Font);
    over(FontEastAsia, o.FontEastAsia);
    over(FontComplex, o.FontComplex);
    over(Color, o.Color);
    over(Highlight, o.Highlight);
    over(Underline, o.Underline);
    over(UnderlineColor, o.UnderlineColor);
    over(VertAlign, o.VertAlign);
    over(Spacing, o.Spacing);
    over(Position, o.Position);
    over(Scale, o.Scale);
    over(Shading, o.Shading);
    over(Border, o.Border);
    over(Lang, o.Lang);
    over(LangEastAsia, o.LangEastAsia);
}

void TParaProps::Overlay(const TParaProps &o)
{
    over(Style, o.Style);
    over(Align, o.Align);
    over(IndLeft, o.IndLeft);
    over(IndRight, o.IndRight);
    over(IndFirst, o.IndFirst);
    over(SpaceBefore, o.SpaceBefore);
    over(SpaceAfter, o.SpaceAfter);
    over(Line, o.Line);
    over(LineRule, o.LineRule);
    over(BeforeAuto, o.BeforeAuto);
    over(AfterAuto, o.AfterAuto);
    over(ContextualSpacing, o.ContextualSpacing);
    over(KeepNext, o.KeepNext);
    over(KeepLines, o.KeepLines);
    over(PageBreakBefore, o.PageBreakBefore);
    over(Bidi, o.Bidi);
    over(WidowControl, o.WidowControl);
    over(SuppressLineNumbers, o.SuppressLineNumbers);
    over(NumId, o.NumId);
    over(NumLevel, o.NumLevel);
    over(OutlineLevel, o.OutlineLevel);
    over(BorderTop, o.BorderTop);
    over(BorderLeft, o.BorderLeft);
    over(BorderBottom, o.BorderBottom);
    over(BorderRight, o.BorderRight);
    over(BorderBetween, o.BorderBetween);
    over(Shading, o.Shading);
    over(Tabs, o.Tabs);
    Frame = Frame || o.Frame;
}

void TTableBorders::Overlay(const TTableBorders &o)
{
    over(Top, o.Top);
    over(Left, o.Left);
    over(Bottom, o.Bottom);
    over(Right, o.Right);
    over(InsideH, o.InsideH);
    over(InsideV, o.InsideV);
}

void TMargins::Overlay(const TMargins &o)
{
    over(Top, o.Top);
    over(Left, o.Left);
    over(Bottom, o.Bottom);
    over(Right, o.Right);
}

void TTableProps::Overlay(const TTableProps &o)
{
    over(Style, o.Style);
    over(Width, o.Width);
    over(Align, o.Align);
    over(Indent, o.Indent);
    over(CellSpacing, o.CellSpacing);
    Borders.Overlay(o.Borders);
    CellMargins.Overlay(o.CellMargins);
    over(Shading, o.Shading);
    over(Layout, o.Layout);
}

} // namespace tavrel::engine
