#include "output/UnitCHMProject.h"

namespace tavrel {

void TCHMProject::Assign(const TCHMProject &proj)
{
    Top = proj.Top;
    Left = proj.Left;
    Height = proj.Height;
    Width = proj.Width;
    PaneWidth = proj.PaneWidth;
    DefaultTab = proj.DefaultTab;

    ShowMSDNMenu = proj.ShowMSDNMenu;
    ShowPanesToolbar = proj.ShowPanesToolbar;
    ShowPane = proj.ShowPane;
    HideToolbar = proj.HideToolbar;
    HideToolbarText = proj.HideToolbarText;
    StayOnTop = proj.StayOnTop;
    Maximize = proj.Maximize;
    Hide = proj.Hide;
    Back = proj.Back;
    bForward = proj.bForward;
    Stop = proj.Stop;
    Refresh = proj.Refresh;
    Home = proj.Home;
    Print = proj.Print;
    Option = proj.Option;
    Jump1 = proj.Jump1;
    Jump2 = proj.Jump2;
    Prev = proj.Prev;
    Next = proj.Next;
    Zoom = proj.Zoom;
    Content = proj.Content;
    Index = proj.Index;
    Search = proj.Search;
    Favorite = proj.Favorite;
    AutoTrack = proj.AutoTrack;
    SelectRow = proj.SelectRow;
    PlusMinus = proj.PlusMinus;
    ShowSelection = proj.ShowSelection;
    ShowRoot = proj.ShowRoot;
    DrawLines = proj.DrawLines;
    AutoExpand = proj.AutoExpand;
    RightToLeft = proj.RightToLeft;
    LeftScroll = proj.LeftScroll;
    SavePosition = proj.SavePosition;

    ContentsFont = proj.ContentsFont;
    IndexFont = proj.IndexFont;
    Title = proj.Title;
    Language = proj.Language;
    Font = proj.Font;
    DefaultTopic = proj.DefaultTopic;
}

// The amounts are the HTML Help window-definition flags, window styles and tree-view styles.

void TCHMProject::SetToolbar()
{
    int v = 0;
    if (Hide) v += 0x2;
    if (Back) v += 0x4;
    if (bForward) v += 0x8;
    if (Stop) v += 0x10;
    if (Refresh) v += 0x20;
    if (Home) v += 0x40;
    if (Option) v += 0x1000;
    if (Print) v += 0x2000;
    if (Jump1) v += 0x40000;
    if (Jump2) v += 0x80000;
    if (Zoom) v += 0x100000;
    if (Next) v += 0x200000;
    if (Prev) v += 0x400000;
    Toolbar = v;
}

void TCHMProject::SetFace()
{
    int v = 0x2000;  // caption follows the topic's title
    if (ShowMSDNMenu) v += 0x10000;
    if (HideToolbar) v += 0x8000;
    if (HideToolbarText) v += 0x40;
    if (ShowPanesToolbar) v += 0x20;
    v += 0x100;      // contents follows the topic shown
    if (Search) v += 0x400 + 0x20000;
    if (Favorite) v += 0x1000;
    if (SavePosition) v += 0x40000;
    Face = v;
}

void TCHMProject::SetWindow()
{
    int v = 0xB0000; // system menu, minimise and maximise boxes
    if (Maximize) v += 0x1000000;
    Window = v;
}

void TCHMProject::SetWindowEx() { WindowEx = StayOnTop ? 0x8 : 0; }

void TCHMProject::SetWinStyle()
{
    int v = 0;
    if (PlusMinus) v += 0x1;
    if (DrawLines) v += 0x2;
    if (ShowRoot) v += 0x4;
    if (ShowSelection) v += 0x20;
    if (AutoTrack) v += 0x200;
    if (AutoExpand) v += 0x400;
    if (SelectRow) v += 0x1000;
    WinStyle = v;
}

void TCHMProject::SetWinStyleEx()
{
    int v = 0;
    if (RightToLeft) v += 0x2000;
    if (LeftScroll) v += 0x4000;
    WinStyleEx = v;
}

void TCHMProject::SetStyles()
{
    SetToolbar();
    SetFace();
    SetWindow();
    SetWindowEx();
    SetWinStyle();
    SetWinStyleEx();
}

} // namespace tavrel
