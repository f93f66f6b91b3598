#pragma once
// The HTML Help window designer without its window: the state of every property control, the
// mock-up they drive (toolbar buttons, navigation tabs, menu bar, tree styles and icons, which
// property pages show) and the rules that tie them together. The dialog only mirrors this state
// onto its widgets and feeds clicks, tab changes and its own geometry back in.
#include "output/UnitCHMProject.h"

#include <QString>
#include <QStringList>

#include <array>

namespace tavrel {

class TDesigner
{
public:
    // The check boxes of the property panel, in the order their settings are loaded.
    enum Box {
        cbShowMenu, cbShowPane, cbViewPannel, cbHideToolbar, cbHideToolbarText, cbStayontop, cbMaximize,
        cbHide, cbBack, cbForward, cbStop, cbRefresh, cbHome, cbPrint, cbOption, cbJump1, cbJump2,
        cbPrev, cbNext, cbZoom,
        cbContent, cbIndex, cbSearch, cbFavorite,
        cbSavePosition,
        BoxCount
    };
    // The mock-up's toolbar buttons, in toolbar order ("Locate" is never shown).
    enum Button { tbHide, tbLocate, tbPrev, tbNext, tbBack, tbForward, tbStop, tbRefresh, tbHome, tbZoom,
                  tbPrint, tbOption, tbJump1, tbJump2, ButtonCount };
    static constexpr int TocRows = 9;
    static constexpr int TabCount = 4;

    static const char *BoxName(Box b);
    static const char *ButtonName(Button b);
    // The box that shows or hides a button; BoxCount for "Locate".
    static Box BoxOfButton(Button b);
    // Navigation pages: number 0-3 <-> page name (tsContent ...) <-> label in "Default Tab:".
    static QString TabPageName(int tab);
    static QString TabLabel(int tab);
    static int TabOfPageName(const QString &name);
    static int TabOfLabel(const QString &label);

    // --- the property controls
    std::array<bool, BoxCount> Checked{};
    std::array<bool, BoxCount> Enabled;
    std::array<bool, TocRows> Toc{};
    QStringList DefaultTabItems; // the entries of "Default Tab:"
    int DefaultTabIndex = -1;    // the selected entry, -1 for none

    // --- the designer's own fields
    int NormalTop = 0, NormalLeft = 0, NormalHeight = 0, NormalWidth = 0;
    int PaneWidth = 0;
    QString ContentsFontA, IndexFontA;
    int HasChild = 0, NoChild = 10;

    // --- the mock-up
    std::array<bool, ButtonCount> ButtonVisible{};
    std::array<bool, TabCount> TabVisible{};
    int ShownTab = -1;           // the navigation page shown, -1 when none can be
    bool MenuVisible = false;
    bool Maximized = false;      // the dialog itself is maximised
    bool ToolbarVisible = true;
    bool PaneVisible = true;     // the navigation panel and the splitter
    bool ToolbarText = true;     // captions under the toolbar pictures
    bool HideShows = true;       // the first button reads "Hide" (true) or "Show"
    bool PageToolbarVisible = true, PageNavVisible = true, PageTocVisible = true;
    int PropertyPage = 0;        // 0 Interface, 1 Toolbar, 2 Nav, 3 TOC, 4 Other
    // Sample tree styles.
    bool HotTrack = false, RowSelect = false, Lines = true, PlusMinusButtons = true,
         HideSelection = false, LinesAtRoot = true, SingleExpand = false;

    TDesigner();

    // Loads everything from the settings; "Contents" and "Index" can be switched off for a
    // project whose outputs carry neither.
    void ClassToControl(const TCHMProject &Chm, bool HasContentAndIndex);
    // Writes the controls back; what the designer does not edit stays as it is.
    void ControlToClass(TCHMProject &Chm) const;

    // A click on a check box (or a change by the code, which behaves the same): sets it and runs
    // its handler when the value changed.
    void SetChecked(Box b, bool on);
    // A click in the TOC list.
    void SetToc(int row, bool on);
    // Another navigation page shown on the mock-up.
    void ShowTab(int tab);
    // An entry chosen in "Default Tab:".
    void ChooseDefaultTab(int index);

    void CheckToTable(const QString &Text);
    void TableToCheck(const QString &Text);
    void actChangeExecute();
    void actShowPaneExecute();

    // The icon a sample entry shows: entries with sub-entries take HasChild (opened or closed as
    // the entry is), the others NoChild.
    int SampleIcon(bool hasChildren, bool expanded) const;
    static int ExpandedIcon(int n);
    static int CollapsedIcon(int n);

    // The dialog's bounds, read every half second: they become the help window's rectangle
    // unless the dialog is maximised, which checks "Maximize" instead.
    void WindowBounds(int left, int top, int width, int height, bool maximized);
    QString Caption() const;

private:
    void runHandler(Box b);
    int firstVisibleTabFrom(int tab) const;
};

// A font string "face,size,charset". Only a string of three or more parts is read: the face
// (which may be empty), the size (8 when not a whole number) and the character set key.
struct TFontStringParts
{
    bool Valid = false;
    QString Face;
    int Size = 8;
    QString Charset;
};
TFontStringParts SplitFontString(const QString &text);

// The character sets the font dialog offers, each keyed by its leading number.
const QStringList &FontCharsetEntries();
QString FontCharsetKey(const QString &entry);
// The entry whose key is key, -1 when none is.
int FontCharsetIndex(const QString &key);
// The font string the dialog hands back.
QString ComposeFontString(const QString &face, int size, const QString &charsetKey);

} // namespace tavrel
