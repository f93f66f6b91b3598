// The window settings object: its defaults, the six style values and Assign.
#include "output/UnitCHMProject.h"

#include <gtest/gtest.h>

using namespace tavrel;

TEST(CHMProject, StyleValuesWithEveryDefaultAndTheirVariations)
{
    TCHMProject p;
    p.SetStyles();
    EXPECT_EQ(p.Toolbar, 0x307C);
    EXPECT_EQ(p.Face, 0x23520);
    EXPECT_EQ(p.Window, 0xB0000);
    EXPECT_EQ(p.WindowEx, 0x0);
    EXPECT_EQ(p.WinStyle, 0x27);
    EXPECT_EQ(p.WinStyleEx, 0x0);
    EXPECT_EQ(p.Top, 70);
    EXPECT_EQ(p.Left, 100);
    EXPECT_EQ(p.Height, 700);
    EXPECT_EQ(p.Width, 900);
    EXPECT_EQ(p.PaneWidth, 300);
    EXPECT_EQ(p.ContentsFont, ",8,0");

    auto face = [](auto change) {
        TCHMProject q;
        change(q);
        q.SetFace();
        return q.Face;
    };
    EXPECT_EQ(face([](TCHMProject &q) { q.ShowMSDNMenu = true; }), 0x33520);
    EXPECT_EQ(face([](TCHMProject &q) { q.Search = false; }), 0x3120);
    EXPECT_EQ(face([](TCHMProject &q) { q.SavePosition = true; q.HideToolbar = true; q.HideToolbarText = true; }),
              0x23520 + 0x40000 + 0x8000 + 0x40);
    // The contents and index tabs come from the files, not from the navigation style.
    EXPECT_EQ(face([](TCHMProject &q) { q.Content = false; q.Index = false; }), 0x23520);

    TCHMProject q;
    q.Maximize = true;
    q.StayOnTop = true;
    q.Hide = q.Jump1 = q.Jump2 = q.Zoom = q.Next = q.Prev = true;
    q.Back = q.bForward = q.Stop = q.Refresh = q.Home = q.Option = q.Print = false;
    q.AutoTrack = q.AutoExpand = q.SelectRow = true;
    q.PlusMinus = q.DrawLines = q.ShowRoot = q.ShowSelection = false;
    q.RightToLeft = q.LeftScroll = true;
    q.SetStyles();
    EXPECT_EQ(q.Window, 0x10B0000);
    EXPECT_EQ(q.WindowEx, 0x8);
    EXPECT_EQ(q.Toolbar, 0x2 + 0x40000 + 0x80000 + 0x100000 + 0x200000 + 0x400000);
    EXPECT_EQ(q.WinStyle, 0x200 + 0x400 + 0x1000);
    EXPECT_EQ(q.WinStyleEx, 0x6000);
}

TEST(CHMProject, AssignCopiesTheSettingsButNotTheBuildData)
{
    TCHMProject a;
    a.Top = 1; a.Left = 2; a.Height = 3; a.Width = 4; a.PaneWidth = 5; a.DefaultTab = 3;
    a.ShowMSDNMenu = true; a.ShowPane = false; a.Prev = true; a.Next = true; a.Zoom = true;
    a.SavePosition = true; a.Content = false;
    a.ContentsFont = "A,1,2"; a.IndexFont = "B,3,4"; a.Title = "T"; a.Language = "0x0407";
    a.Font = "C,5,6"; a.DefaultTopic = "d.htm";
    a.AutoSearch = false;
    a.Folder = "/out/";
    a.CHM = "/out/x.chm";
    a.TOC = "<LI>";
    a.Files.Add("a.htm");
    a.SetStyles();

    TCHMProject b;
    b.Assign(a);
    EXPECT_EQ(b.Top, 1);
    EXPECT_EQ(b.Left, 2);
    EXPECT_EQ(b.Height, 3);
    EXPECT_EQ(b.Width, 4);
    EXPECT_EQ(b.PaneWidth, 5);
    EXPECT_EQ(b.DefaultTab, 3);
    EXPECT_TRUE(b.ShowMSDNMenu);
    EXPECT_FALSE(b.ShowPane);
    EXPECT_TRUE(b.Prev && b.Next && b.Zoom && b.SavePosition);
    EXPECT_FALSE(b.Content);
    EXPECT_EQ(b.ContentsFont, "A,1,2");
    EXPECT_EQ(b.IndexFont, "B,3,4");
    EXPECT_EQ(b.Title, "T");
    EXPECT_EQ(b.Language, "0x0407");
    EXPECT_EQ(b.Font, "C,5,6");
    EXPECT_EQ(b.DefaultTopic, "d.htm");
    // AutoSearch stays on in a build's copy; build data and computed values are not copied.
    EXPECT_TRUE(b.AutoSearch);
    EXPECT_TRUE(b.Folder.isEmpty());
    EXPECT_TRUE(b.CHM.isEmpty());
    EXPECT_TRUE(b.TOC.isEmpty());
    EXPECT_TRUE(b.Files.IsEmpty());
    EXPECT_EQ(b.Toolbar, 0);
    EXPECT_EQ(b.Face, 0);
}
