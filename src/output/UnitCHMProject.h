#pragma once
// The settings of the HTML Help window (geometry, navigation pane, toolbar buttons, contents
// tree styles, fonts, language) and the style values computed from them. A build works on its
// own copy made with Assign and adds its data (folder, compiled file, contents and index lists).
#include "text/StringList.h"

#include <QString>

namespace tavrel {

// What each project file can hold of a value; every value from a project file or a document
// goes through the helper of the file it is written into.
// .hhp: one line of the file; control characters (line breaks among them) become blanks.
QString HhpLine(const QString &text);
// .hhp: a value inside the double quotes of the window definition; a double quote becomes "'".
QString HhpQuoted(const QString &text);
// .h: a name or number of a "#define" line; control characters and blanks become "_".
QString HeaderToken(const QString &text);
// Window positions and sizes are kept within what a screen can have, so that the rectangle the
// .hhp carries (left + width) cannot overflow.
constexpr int kWindowCoordinateLimit = 100000;

class TCHMProject : public TObject
{
public:
    TCHMProject() = default;
    TCHMProject(const TCHMProject &) = delete;
    TCHMProject &operator=(const TCHMProject &) = delete;

    // Window geometry and navigation.
    int Top = 70;
    int Left = 100;
    int Height = 700;
    int Width = 900;
    int PaneWidth = 300;
    int DefaultTab = 0; // 0 contents, 1 index, 2 search, 3 favorites
    bool AutoSearch = true; // [FILES] lists the whole output folder; Assign leaves it alone

    // Window switches.
    bool ShowMSDNMenu = false;
    bool ShowPanesToolbar = true;
    bool ShowPane = true;
    bool HideToolbar = false;
    bool HideToolbarText = false;
    bool StayOnTop = false;
    bool Maximize = false;
    bool Hide = false;
    bool Back = true;
    bool bForward = true;
    bool Stop = true;
    bool Refresh = true;
    bool Home = true;
    bool Print = true;
    bool Option = true;
    bool Jump1 = false;
    bool Jump2 = false;
    bool Prev = false;
    bool Next = false;
    bool Zoom = false;
    bool Content = true;
    bool Index = true;
    bool Search = true;
    bool Favorite = true;
    bool AutoTrack = false;
    bool SelectRow = false;
    bool PlusMinus = true;
    bool ShowSelection = true;
    bool ShowRoot = true;
    bool DrawLines = true;
    bool AutoExpand = false;
    bool RightToLeft = false;
    bool LeftScroll = false;
    bool SavePosition = false;

    // Texts. Fonts are "face,size,charset" with an empty face for the viewer's default.
    QString ContentsFont = QStringLiteral(",8,0");
    QString IndexFont = QStringLiteral(",8,0");
    QString Title;
    QString Language; // "0x" and four hex digits
    QString Font;
    QString DefaultTopic;

    // Computed style values, recomputed before the project files are written.
    int Toolbar = 0;
    int Face = 0;
    int Window = 0;
    int WindowEx = 0;
    int WinStyle = 0;
    int WinStyleEx = 0;

    // Build data, set by the caller or while writing; Assign does not copy it.
    TStringList Files;  // relative file names of [FILES]
    QString Folder;     // output folder with its trailing "/"
    QString SourceFolder;
    QString CHM;        // full path of the compiled help file
    QString TOC;
    QString IndexList;
    QString Alias;
    QString Map;
    QString HHPFile, HHCFile, HHKFile, HFile, LOGFile;

    // Copies the geometry, every window switch and the six texts from proj; nothing else.
    void Assign(const TCHMProject &proj);

    void SetToolbar();
    void SetFace();
    void SetWindow();
    void SetWindowEx();
    void SetWinStyle();
    void SetWinStyleEx();
    // All six, in that order.
    void SetStyles();

    // Adds every file under Dir (recursively) to Files as its path relative to Folder, with "\"
    // between folders; the project files themselves and backups such as "x.htm.bak" are left
    // out. Files is sorted by path afterwards, so the listing order of the disk never shows.
    void GetFiles(const QString &Dir);
    // Computes the style values and writes the .hhc, .hhk, .h and .hhp into Folder (each only
    // when it has content to carry, the .hhp always). It does not compile.
    void Output();
    // Each writes one file to the full path FileName, replacing it; the result carries nothing.
    // A file that cannot be written raises an Exception naming it. The .hhc and .hhk are in the
    // code page of Language, with decimal references for what it cannot hold, and a raw double
    // quote inside a param value (one param per line) is escaped; the .hhp has its file names
    // in UTF-8 and its title and caption in that code page; the .h is UTF-8. Lines end in CR LF.
    int OutputHHP(const QString &FileName);
    int OutputHHC(const QString &FileName);
    int OutputHHK(const QString &FileName);
    int OutputH(const QString &FileName);
    // The bytes OutputHHP/OutputHHC/OutputHHK/OutputH write (what the golden tests compare).
    QByteArray HHPText() const;
    QByteArray HHCText() const;
    QByteArray HHKText() const;
    QByteArray HText() const;

    // Compiles HHPFile in Folder with the help compiler and returns its console text. Raises an
    // Exception (whose message carries the console text) when the compiler cannot be found,
    // started or finished in time, exits non-zero, or leaves CHM missing, empty (the empty file
    // is deleted) or unreadable. After a good compile the help file's directory header is
    // repaired so that every reader lists every file.
    QString Compile1();
    int CompileExitCode = 0; // exit code of the last compile
    int CompileTimeoutMs = 0; // 0: the adaptor's default time limit
};

} // namespace tavrel
