#include "output/UnitDesigner.h"

namespace tavrel {

namespace {

const char *const kBoxNames[TDesigner::BoxCount] = {
    "cbShowMenu", "cbShowPane", "cbViewPannel", "cbHideToolbar", "cbHideToolbarText", "cbStayontop", "cbMaximize",
    "cbHide", "cbBack", "cbForward", "cbStop", "cbRefresh", "cbHome", "cbPrint", "cbOption", "cbJump1", "cbJump2",
    "cbPrev", "cbNext", "cbZoom", "cbContent", "cbIndex", "cbSearch", "cbFavorite", "cbSavePosition"};

const char *const kButtonNames[TDesigner::ButtonCount] = {
    "tbHide", "tbLocate", "tbPrev", "tbNext", "tbBack", "tbForward", "tbStop", "tbRefresh", "tbHome", "tbZoom",
    "tbPrint", "tbOption", "tbJump1", "tbJump2"};

const TDesigner::Box kBoxOfButton[TDesigner::ButtonCount] = {
    TDesigner::cbHide, TDesigner::BoxCount, TDesigner::cbPrev, TDesigner::cbNext, TDesigner::cbBack,
    TDesigner::cbForward, TDesigner::cbStop, TDesigner::cbRefresh, TDesigner::cbHome, TDesigner::cbZoom,
    TDesigner::cbPrint, TDesigner::cbOption, TDesigner::cbJump1, TDesigner::cbJump2};

const char *const kTabPages[TDesigner::TabCount] = {"tsContent", "tsIndex", "tsSearch", "tsFavorite"};
const char *const kTabLabels[TDesigner::TabCount] = {"Contents", "Index", "Search", "Favorites"};

// The settings behind the boxes; "Show Toolbar" and "Show Toolbar Text" are stored inverted.
struct Binding
{
    TDesigner::Box box;
    bool TCHMProject::*field;
    bool inverted;
};
const Binding kBindings[] = {
    {TDesigner::cbShowMenu, &TCHMProject::ShowMSDNMenu, false},
    {TDesigner::cbShowPane, &TCHMProject::ShowPanesToolbar, false},
    {TDesigner::cbViewPannel, &TCHMProject::ShowPane, false},
    {TDesigner::cbHideToolbar, &TCHMProject::HideToolbar, true},
    {TDesigner::cbHideToolbarText, &TCHMProject::HideToolbarText, true},
    {TDesigner::cbStayontop, &TCHMProject::StayOnTop, false},
    {TDesigner::cbMaximize, &TCHMProject::Maximize, false},
    {TDesigner::cbHide, &TCHMProject::Hide, false},
    {TDesigner::cbBack, &TCHMProject::Back, false},
    {TDesigner::cbForward, &TCHMProject::bForward, false},
    {TDesigner::cbStop, &TCHMProject::Stop, false},
    {TDesigner::cbRefresh, &TCHMProject::Refresh, false},
    {TDesigner::cbHome, &TCHMProject::Home, false},
    {TDesigner::cbPrint, &TCHMProject::Print, false},
    {TDesigner::cbOption, &TCHMProject::Option, false},
    {TDesigner::cbJump1, &TCHMProject::Jump1, false},
    {TDesigner::cbJump2, &TCHMProject::Jump2, false},
    {TDesigner::cbPrev, &TCHMProject::Prev, false},
    {TDesigner::cbNext, &TCHMProject::Next, false},
    {TDesigner::cbZoom, &TCHMProject::Zoom, false},
    {TDesigner::cbContent, &TCHMProject::Content, false},
    {TDesigner::cbIndex, &TCHMProject::Index, false},
    {TDesigner::cbSearch, &TCHMProject::Search, false},
    {TDesigner::cbFavorite, &TCHMProject::Favorite, false},
    {TDesigner::cbSavePosition, &TCHMProject::SavePosition, false},
};

bool TCHMProject::*const kTocFields[TDesigner::TocRows] = {
    &TCHMProject::AutoTrack, &TCHMProject::SelectRow, &TCHMProject::PlusMinus, &TCHMProject::ShowSelection,
    &TCHMProject::ShowRoot, &TCHMProject::DrawLines, &TCHMProject::AutoExpand, &TCHMProject::RightToLeft,
    &TCHMProject::LeftScroll};

} // namespace

const char *TDesigner::BoxName(Box b) { return kBoxNames[b]; }
const char *TDesigner::ButtonName(Button b) { return kButtonNames[b]; }
TDesigner::Box TDesigner::BoxOfButton(Button b) { return kBoxOfButton[b]; }
QString TDesigner::TabPageName(int tab) { return QString::fromLatin1(kTabPages[tab]); }
QString TDesigner::TabLabel(int tab) { return QString::fromLatin1(kTabLabels[tab]); }

int TDesigner::TabOfPageName(const QString &name)
{
    for (int i = 0; i < TabCount; ++i)
        if (name == QLatin1String(kTabPages[i]))
            return i;
    return -1;
}

int TDesigner::TabOfLabel(const QString &label)
{
    for (int i = 0; i < TabCount; ++i)
        if (label == QLatin1String(kTabLabels[i]))
            return i;
    return -1;
}

// The dialog starts as it was drawn: every box as a fresh settings object has it. Loading then
// changes only what differs, so the handlers see the same sequence of changes each time.
TDesigner::TDesigner()
{
    Enabled.fill(true);
    const TCHMProject defaults;
    for (const Binding &b : kBindings)
        Checked[b.box] = (defaults.*b.field) != b.inverted;
    for (int r = 0; r < TocRows; ++r)
        Toc[r] = defaults.*kTocFields[r];
    ShownTab = 0;
    actChangeExecute();
}

void TDesigner::ClassToControl(const TCHMProject &Chm, bool HasContentAndIndex)
{
    Enabled[cbContent] = HasContentAndIndex;
    Enabled[cbIndex] = HasContentAndIndex;

    NormalTop = Chm.Top;
    NormalLeft = Chm.Left;
    NormalHeight = Chm.Height;
    NormalWidth = Chm.Width;
    PaneWidth = Chm.PaneWidth;
    ContentsFontA = Chm.ContentsFont;
    IndexFontA = Chm.IndexFont;

    for (const Binding &b : kBindings)
        SetChecked(b.box, (Chm.*b.field) != b.inverted);
    for (int r = 0; r < TocRows; ++r)
        Toc[r] = Chm.*kTocFields[r];

    actChangeExecute();

    if (Chm.DefaultTab >= 0 && Chm.DefaultTab < TabCount) {
        ShownTab = Chm.DefaultTab;
        // A default tab the window does not have: the first tab it has is shown instead.
        if (!TabVisible[ShownTab]) {
            const int other = firstVisibleTabFrom(ShownTab);
            if (other >= 0)
                ShownTab = other;
        }
        TableToCheck(TabPageName(ShownTab));
    }
    PropertyPage = 0;
}

void TDesigner::ControlToClass(TCHMProject &Chm) const
{
    Chm.Top = NormalTop;
    Chm.Left = NormalLeft;
    Chm.Height = NormalHeight;
    Chm.Width = NormalWidth;
    Chm.PaneWidth = PaneWidth;
    if (ShownTab >= 0)
        Chm.DefaultTab = ShownTab;
    Chm.ContentsFont = ContentsFontA;
    Chm.IndexFont = IndexFontA;
    for (const Binding &b : kBindings)
        Chm.*b.field = Checked[b.box] != b.inverted;
    for (int r = 0; r < TocRows; ++r)
        Chm.*kTocFields[r] = Toc[r];
}

void TDesigner::SetChecked(Box b, bool on)
{
    if (Checked[b] == on)
        return;
    Checked[b] = on;
    runHandler(b);
}

void TDesigner::runHandler(Box b)
{
    switch (b) {
    case cbShowPane:
    case cbViewPannel:
    case cbHideToolbar:
        actShowPaneExecute();
        break;
    case cbContent:
    case cbIndex:
    case cbSearch:
    case cbFavorite:
        actShowPaneExecute();
        actChangeExecute();
        break;
    case cbSavePosition:
        break;
    default:
        actChangeExecute();
        break;
    }
}

void TDesigner::SetToc(int row, bool on)
{
    if (row < 0 || row >= TocRows)
        return;
    Toc[row] = on;
    actChangeExecute();
}

void TDesigner::ShowTab(int tab)
{
    if (tab < 0 || tab >= TabCount || !TabVisible[tab])
        return;
    ShownTab = tab;
    TableToCheck(TabPageName(tab));
}

void TDesigner::ChooseDefaultTab(int index)
{
    if (index < 0 || index >= DefaultTabItems.size())
        return;
    DefaultTabIndex = index;
    CheckToTable(DefaultTabItems[index]);
}

void TDesigner::CheckToTable(const QString &Text)
{
    const int tab = TabOfLabel(Text);
    if (tab >= 0)
        ShownTab = tab;
}

void TDesigner::TableToCheck(const QString &Text)
{
    const int tab = TabOfPageName(Text);
    if (tab < 0)
        return;
    const qsizetype at = DefaultTabItems.indexOf(TabLabel(tab));
    if (at >= 0)
        DefaultTabIndex = static_cast<int>(at);
}

int TDesigner::firstVisibleTabFrom(int tab) const
{
    for (int k = 1; k <= TabCount; ++k) {
        const int t = (tab + k) % TabCount;
        if (TabVisible[t])
            return t;
    }
    return -1;
}

void TDesigner::actChangeExecute()
{
    for (int b = 0; b < ButtonCount; ++b) {
        const Box box = kBoxOfButton[b];
        ButtonVisible[b] = box != BoxCount && Checked[box];
    }
    for (int t = 0; t < TabCount; ++t)
        TabVisible[t] = Checked[cbContent + t];
    // A hidden page cannot stay the one shown; the page control moves to the next one it has.
    if (ShownTab >= 0 && !TabVisible[ShownTab]) {
        const int other = firstVisibleTabFrom(ShownTab);
        if (other >= 0)
            ShownTab = other;
    }
    MenuVisible = Checked[cbShowMenu];
    Maximized = Checked[cbMaximize];

    DefaultTabItems.clear();
    for (int t = 0; t < TabCount; ++t)
        if (Checked[cbContent + t])
            DefaultTabItems << TabLabel(t);
    DefaultTabIndex = DefaultTabItems.isEmpty() ? -1 : 0;

    PageTocVisible = Checked[cbContent];
    if (ShownTab >= 0 && TabVisible[ShownTab])
        TableToCheck(TabPageName(ShownTab));
    ToolbarText = Checked[cbHideToolbarText];

    // "Select entire row" and "Draw lines between items" exclude each other: the one checked
    // last wins, and with both arriving checked the row selection does.
    HotTrack = Toc[0];
    if (Toc[1] && !RowSelect)
        Toc[5] = false;
    if (Toc[5] && !Lines)
        Toc[1] = false;
    RowSelect = Toc[1];
    Lines = Toc[5];
    PlusMinusButtons = Toc[2];
    HideSelection = !Toc[3];
    LinesAtRoot = Toc[4];
    SingleExpand = Toc[6];

    actShowPaneExecute();
}

void TDesigner::actShowPaneExecute()
{
    const bool panes = Checked[cbShowPane];
    Enabled[cbHideToolbar] = panes;
    Enabled[cbViewPannel] = panes;
    const bool anyTab = Checked[cbContent] || Checked[cbIndex] || Checked[cbSearch] || Checked[cbFavorite];
    if (panes) {
        if (Checked[cbViewPannel] && anyTab) {
            PaneVisible = true;
            HideShows = true;
            Enabled[cbHide] = true;
        } else {
            PaneVisible = false;
            HideShows = false;
            Enabled[cbHide] = anyTab;
            // A window without a tab has nothing to hide or show.
            if (!anyTab)
                SetChecked(cbHide, false);
        }
        ToolbarVisible = Checked[cbHideToolbar];
        PageToolbarVisible = true;
        PageNavVisible = true;
    } else {
        ToolbarVisible = false;
        PaneVisible = false;
        PageToolbarVisible = false;
        PageNavVisible = false;
    }
    PageTocVisible = Checked[cbContent] && panes;
    const bool pageShown[] = {true, PageToolbarVisible, PageNavVisible, PageTocVisible, true};
    if (!pageShown[PropertyPage])
        PropertyPage = 0;
}

int TDesigner::ExpandedIcon(int n)
{
    return n >= 0 && n <= 7 ? n + 1 - n % 2 : n;
}

int TDesigner::CollapsedIcon(int n)
{
    return n >= 0 && n <= 7 ? n - n % 2 : n;
}

int TDesigner::SampleIcon(bool hasChildren, bool expanded) const
{
    if (!hasChildren)
        return NoChild;
    return expanded ? ExpandedIcon(HasChild) : CollapsedIcon(HasChild);
}

void TDesigner::WindowBounds(int left, int top, int width, int height, bool maximized)
{
    if (!maximized) {
        NormalLeft = left;
        NormalTop = top;
        NormalWidth = width;
        NormalHeight = height;
    }
    SetChecked(cbMaximize, maximized);
}

QString TDesigner::Caption() const
{
    return QStringLiteral("Vavuzu RIV designer - [Left:%1,Top:%2,Width:%3,Height:%4]")
        .arg(NormalLeft)
        .arg(NormalTop)
        .arg(NormalWidth)
        .arg(NormalHeight);
}

TFontStringParts SplitFontString(const QString &text)
{
    TFontStringParts out;
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() <= 2)
        return out;
    out.Valid = true;
    out.Face = parts[0];
    bool ok = false;
    const int size = parts[1].trimmed().toInt(&ok);
    out.Size = ok ? size : 8;
    out.Charset = parts[2].trimmed();
    return out;
}

const QStringList &FontCharsetEntries()
{
    static const QStringList entries = {
        QStringLiteral("0   ANSI"), QStringLiteral("1   DEFAULT"), QStringLiteral("2   SYMBOL"), QStringLiteral("77  MAC"),
        QStringLiteral("128 SHIFTJIS - Japanese"), QStringLiteral("129 HANGEUL - KOREAN"), QStringLiteral("130 JOHAB - KOREAN"),
        QStringLiteral("134 GB2312 - (PRC) Chinese (Simplified)"), QStringLiteral("136 CHINESE BIG5 - Chinese (Traditional)"),
        QStringLiteral("161 GREEK"), QStringLiteral("162 TURKISH"), QStringLiteral("163 VIETNAMESE"), QStringLiteral("177 HEBREW"),
        QStringLiteral("178 ARABIC Simplified"), QStringLiteral("179 ARABIC Traditional"), QStringLiteral("180 ARABIC user"),
        QStringLiteral("181 HEBREW user"), QStringLiteral("186 BALTIC"), QStringLiteral("204 RUSSIAN"), QStringLiteral("222 THAI"),
        QStringLiteral("238 EASTEUROPE"), QStringLiteral("254 PC437"), QStringLiteral("255 OEM")};
    return entries;
}

QString FontCharsetKey(const QString &entry)
{
    return entry.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

int FontCharsetIndex(const QString &key)
{
    const QStringList &entries = FontCharsetEntries();
    for (int i = 0; i < entries.size(); ++i)
        if (FontCharsetKey(entries[i]) == key)
            return i;
    return -1;
}

QString ComposeFontString(const QString &face, int size, const QString &charsetKey)
{
    // The string is split at commas when read back: a comma in a typed face would shift the size.
    QString f = face;
    f.remove(QLatin1Char(','));
    return f + QLatin1Char(',') + QString::number(size) + QLatin1Char(',') + charsetKey;
}

} // namespace tavrel
