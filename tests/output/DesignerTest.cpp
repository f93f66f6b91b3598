// The window designer's rules without a window: loading and storing settings, the mock-up that
// follows the property controls, the sample icons, the bounds and the font strings.
#include "output/UnitDesigner.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {

// Every field the designer edits, so a round trip can be compared whole.
QString describe(const TCHMProject &c)
{
    QString s = QStringLiteral("%1,%2,%3,%4 pane %5 tab %6 fonts %7|%8 ")
                    .arg(c.Left).arg(c.Top).arg(c.Width).arg(c.Height).arg(c.PaneWidth).arg(c.DefaultTab)
                    .arg(c.ContentsFont, c.IndexFont);
    const bool flags[] = {c.ShowMSDNMenu, c.ShowPanesToolbar, c.ShowPane, c.HideToolbar, c.HideToolbarText,
                          c.StayOnTop, c.Maximize, c.Hide, c.Back, c.bForward, c.Stop, c.Refresh, c.Home,
                          c.Print, c.Option, c.Jump1, c.Jump2, c.Prev, c.Next, c.Zoom, c.Content, c.Index,
                          c.Search, c.Favorite, c.AutoTrack, c.SelectRow, c.PlusMinus, c.ShowSelection,
                          c.ShowRoot, c.DrawLines, c.AutoExpand, c.RightToLeft, c.LeftScroll, c.SavePosition};
    for (bool f : flags)
        s += f ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

// Settings the designer can hold as they are: a window without tabs has no Hide/Show button
// (in the tri-pane window), the default tab is one the window has, and "Select entire row" and
// "Draw lines" do not come together.
void randomSettings(TCHMProject &c, QRandomGenerator &rng)
{
    auto flip = [&] { return rng.bounded(2) == 1; };
    c.Left = rng.bounded(-50, 2000);
    c.Top = rng.bounded(-50, 1500);
    c.Width = rng.bounded(100, 3000);
    c.Height = rng.bounded(100, 2000);
    c.PaneWidth = rng.bounded(0, 800);
    c.ContentsFont = QStringLiteral("Face %1,%2,%3").arg(rng.bounded(9)).arg(rng.bounded(1, 40)).arg(rng.bounded(256));
    c.IndexFont = flip() ? QStringLiteral(",8,0") : QStringLiteral("x");
    bool *flags[] = {&c.ShowMSDNMenu, &c.ShowPanesToolbar, &c.ShowPane, &c.HideToolbar, &c.HideToolbarText,
                     &c.StayOnTop, &c.Maximize, &c.Hide, &c.Back, &c.bForward, &c.Stop, &c.Refresh, &c.Home,
                     &c.Print, &c.Option, &c.Jump1, &c.Jump2, &c.Prev, &c.Next, &c.Zoom, &c.Content, &c.Index,
                     &c.Search, &c.Favorite, &c.AutoTrack, &c.SelectRow, &c.PlusMinus, &c.ShowSelection,
                     &c.ShowRoot, &c.DrawLines, &c.AutoExpand, &c.RightToLeft, &c.LeftScroll, &c.SavePosition};
    for (bool *f : flags)
        *f = flip();
    const bool tabs[] = {c.Content, c.Index, c.Search, c.Favorite};
    QList<int> shown;
    for (int t = 0; t < 4; ++t)
        if (tabs[t])
            shown << t;
    if (shown.isEmpty() && c.ShowPanesToolbar)
        c.Hide = false;
    c.DefaultTab = shown.isEmpty() ? rng.bounded(4) : shown[rng.bounded(int(shown.size()))];
    if (c.SelectRow)
        c.DrawLines = false;
}

} // namespace

TEST(Designer, LoadingThenStoringGivesRandomSettingsBack)
{
    QRandomGenerator rng(20261209);
    for (int round = 0; round < 2000; ++round) {
        TCHMProject in;
        randomSettings(in, rng);
        // What the designer never edits must pass through untouched as well.
        in.Title = QStringLiteral("T%1").arg(round);
        in.Language = QStringLiteral("0x0407");
        in.Toolbar = round;
        TDesigner d;
        d.HasChild = rng.bounded(42);
        d.ClassToControl(in, true);
        TCHMProject out;
        out.Assign(in);
        out.Toolbar = in.Toolbar;
        d.ControlToClass(out);
        ASSERT_EQ(describe(out), describe(in)) << "round " << round;
        ASSERT_EQ(out.Title, in.Title);
        ASSERT_EQ(out.Toolbar, in.Toolbar);
        // The mock-up agrees with what it was loaded from.
        ASSERT_EQ(d.MenuVisible, in.ShowMSDNMenu);
        ASSERT_EQ(d.ButtonVisible[TDesigner::tbZoom], in.Zoom);
        ASSERT_FALSE(d.ButtonVisible[TDesigner::tbLocate]);
        ASSERT_EQ(d.ToolbarVisible, in.ShowPanesToolbar && !in.HideToolbar);
        ASSERT_EQ(d.Maximized, in.Maximize);
    }
}

TEST(Designer, DefaultsOpenTheFullWindowAndUncheckingTabsFollows)
{
    TCHMProject c;
    TDesigner d;
    d.ClassToControl(c, true);
    EXPECT_EQ(d.Caption(), QStringLiteral("Vavuzu RIV designer - [Left:100,Top:70,Width:900,Height:700]"));
    EXPECT_EQ(d.PaneWidth, 300);
    EXPECT_EQ(d.ShownTab, 0);
    EXPECT_EQ(d.DefaultTabItems, QStringList({"Contents", "Index", "Search", "Favorites"}));
    EXPECT_EQ(d.DefaultTabIndex, 0);
    EXPECT_TRUE(d.PaneVisible && d.HideShows && d.PageTocVisible);

    // Search goes from the mock-up and the list; the list then shows the tab on screen.
    d.ShowTab(1);
    EXPECT_EQ(d.DefaultTabItems[d.DefaultTabIndex], QStringLiteral("Index"));
    d.SetChecked(TDesigner::cbSearch, false);
    EXPECT_FALSE(d.TabVisible[2]);
    EXPECT_EQ(d.DefaultTabItems, QStringList({"Contents", "Index", "Favorites"}));
    EXPECT_EQ(d.DefaultTabItems[d.DefaultTabIndex], QStringLiteral("Index"));
    // Choosing in the list shows that tab, and the tab shown is stored.
    d.ChooseDefaultTab(2);
    EXPECT_EQ(d.ShownTab, 3);
    d.ControlToClass(c);
    EXPECT_EQ(c.DefaultTab, 3);
    EXPECT_FALSE(c.Search);

    // Hiding the tab on screen moves to the next one the window has.
    d.SetChecked(TDesigner::cbFavorite, false);
    EXPECT_EQ(d.ShownTab, 0);

    // No tab at all: no pane, the first button reads "Show", and Hide/Show is cleared for good.
    d.SetChecked(TDesigner::cbHide, true);
    for (TDesigner::Box b : {TDesigner::cbContent, TDesigner::cbIndex})
        d.SetChecked(b, false);
    EXPECT_FALSE(d.PaneVisible);
    EXPECT_FALSE(d.HideShows);
    EXPECT_FALSE(d.Checked[TDesigner::cbHide]);
    EXPECT_FALSE(d.Enabled[TDesigner::cbHide]);
    EXPECT_FALSE(d.PageTocVisible);
    EXPECT_EQ(d.DefaultTabIndex, -1);
    d.ControlToClass(c);
    EXPECT_FALSE(c.Hide);
}

TEST(Designer, LoadingRulesForTabsPanesAndTreeStyles)
{
    // Contents and Index off, Favorites the default.
    TCHMProject c;
    c.Content = c.Index = false;
    c.DefaultTab = 3;
    TDesigner d;
    d.ClassToControl(c, false);
    EXPECT_EQ(d.ShownTab, 3);
    EXPECT_EQ(d.DefaultTabItems[d.DefaultTabIndex], QStringLiteral("Favorites"));
    EXPECT_FALSE(d.Enabled[TDesigner::cbContent]);
    EXPECT_FALSE(d.Enabled[TDesigner::cbIndex]);

    // A default tab the window lacks shows the next one it has.
    TCHMProject lacking;
    lacking.Search = false;
    lacking.DefaultTab = 2;
    TDesigner e;
    e.ClassToControl(lacking, true);
    EXPECT_EQ(e.ShownTab, 3);

    // Without the tri-pane window: no toolbar, no pane, three property pages gone; the settings
    // behind them still pass through.
    TCHMProject plain;
    plain.ShowPanesToolbar = false;
    plain.Hide = true;
    plain.Zoom = true;
    TDesigner p;
    p.ClassToControl(plain, true);
    p.PropertyPage = 3;
    p.SetChecked(TDesigner::cbShowMenu, true);
    EXPECT_FALSE(p.ToolbarVisible || p.PaneVisible);
    EXPECT_FALSE(p.Enabled[TDesigner::cbHideToolbar] || p.Enabled[TDesigner::cbViewPannel]);
    EXPECT_FALSE(p.PageToolbarVisible || p.PageNavVisible || p.PageTocVisible);
    EXPECT_EQ(p.PropertyPage, 0) << "a hidden property page is not left on screen";
    TCHMProject back;
    p.ControlToClass(back);
    EXPECT_TRUE(back.Hide && back.Zoom && !back.ShowPanesToolbar);

    // Both tree line styles arrive: row selection wins; afterwards the one checked last wins.
    TCHMProject both;
    both.SelectRow = both.DrawLines = true;
    TDesigner t;
    t.ClassToControl(both, true);
    EXPECT_TRUE(t.Toc[1]);
    EXPECT_FALSE(t.Toc[5]);
    EXPECT_TRUE(t.RowSelect && !t.Lines);
    t.SetToc(5, true);
    EXPECT_FALSE(t.Toc[1]);
    EXPECT_TRUE(t.Lines && !t.RowSelect);
    t.SetToc(1, true);
    EXPECT_FALSE(t.Toc[5]);
    t.ControlToClass(both);
    EXPECT_TRUE(both.SelectRow);
    EXPECT_FALSE(both.DrawLines);
    t.SetToc(3, false);
    EXPECT_TRUE(t.HideSelection);
}

TEST(Designer, IconsBoundsAndMaximising)
{
    TDesigner d;
    d.HasChild = 2;
    EXPECT_EQ(d.SampleIcon(true, true), 3);
    EXPECT_EQ(d.SampleIcon(true, false), 2);
    EXPECT_EQ(d.SampleIcon(false, true), 10);
    d.HasChild = 7;
    EXPECT_EQ(d.SampleIcon(true, true), 7);
    EXPECT_EQ(d.SampleIcon(true, false), 6);
    d.HasChild = 8;
    EXPECT_EQ(d.SampleIcon(true, true), 8);
    EXPECT_EQ(d.SampleIcon(true, false), 8);

    TCHMProject c;
    d.ClassToControl(c, true);
    d.WindowBounds(120, 80, 800, 600, false);
    EXPECT_EQ(d.Caption(), QStringLiteral("Vavuzu RIV designer - [Left:120,Top:80,Width:800,Height:600]"));
    // Maximised: the box follows, the last normal rectangle stays.
    d.WindowBounds(0, 0, 1920, 1080, true);
    EXPECT_TRUE(d.Checked[TDesigner::cbMaximize]);
    EXPECT_TRUE(d.Maximized);
    EXPECT_EQ(d.Caption(), QStringLiteral("Vavuzu RIV designer - [Left:120,Top:80,Width:800,Height:600]"));
    d.ControlToClass(c);
    EXPECT_TRUE(c.Maximize);
    EXPECT_EQ(c.Width, 800);
    d.WindowBounds(10, 20, 300, 400, false);
    EXPECT_FALSE(d.Checked[TDesigner::cbMaximize]);
}

TEST(Designer, FontStrings)
{
    EXPECT_FALSE(SplitFontString(QStringLiteral("Arial,10")).Valid);
    const TFontStringParts a = SplitFontString(QStringLiteral("Arial,x,204"));
    EXPECT_TRUE(a.Valid);
    EXPECT_EQ(a.Face, QStringLiteral("Arial"));
    EXPECT_EQ(a.Size, 8);
    EXPECT_EQ(FontCharsetIndex(a.Charset), 18);
    EXPECT_EQ(FontCharsetIndex(QStringLiteral("5")), -1);
    EXPECT_EQ(FontCharsetEntries().size(), 23);
    EXPECT_EQ(ComposeFontString(QStringLiteral("Arial"), 10, FontCharsetKey(FontCharsetEntries()[18])),
              QStringLiteral("Arial,10,204"));
    EXPECT_EQ(ComposeFontString(QString(), 8, QStringLiteral("0")), QStringLiteral(",8,0"));
    // A typed comma cannot shift the size when the string is read back.
    EXPECT_EQ(SplitFontString(ComposeFontString(QStringLiteral("A,B"), 12, QStringLiteral("0"))).Size, 12);
}
