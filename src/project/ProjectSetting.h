#pragma once
// The project: every setting of one help project, its new-project values, the project file
// (".tvp", an INI file in UTF-16 LE) and the resolution of stored paths with their macros
// "<Project_Folder>" and "<My Documents>".
#include "output/UnitCHMProject.h"
#include "project/IniFile.h"
#include "text/StringList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavrel {

// The stored paths RealPath resolves by number; callers pass these fixed values.
enum TPathType : int {
    ptSourceFile = 0,
    ptCompiledFile = 1,
    ptWebHelpFolder = 2, // resolved with a trailing "/"
    ptPDFFile = 3,
    ptContextFile = 4,
    ptHHPFolder = 5,     // resolved with a trailing "/"
};

// The state of the build now running, never stored: the output paths it resolved at its start,
// and what it may replace besides the outputs a build of this project recorded (see the folder
// guard). BuildProject sets it for the length of one build.
struct TBuildScope
{
    bool Active = false;
    QString Paths[6];               // OutputPath by path type, resolved once when the build began
    bool Interactive = false;       // a window can ask the user
    bool ReplaceUnrecorded = false; // the command line's --replace-unrecorded
    QStringList Confirmed;          // resolved paths the user agreed to replace in this build
};

class TProject : public TObject
{
public:
    TProject(); // calls Initialize
    TProject(const TProject &) = delete;
    TProject &operator=(const TProject &) = delete;

    // Identity and lifecycle, never written to the file.
    bool ProjectChanged = false;
    QString ProjectFilename;
    bool IsNew = true;
    QString RootDir; // folder of the project file with a trailing "/"; the value of <Project_Folder>

    QString SourceFile;
    QString Title;
    QString NavSetting;
    QString CopyRight;
    QString PrevHint;
    QString NextHint;
    QString DefaultTopic;
    QString CompiledFile;
    bool DefaultTemplate = true;
    QString Encoding;
    QString CustomTemplate;
    bool ViewCompiledFile = true;
    int HasChild = 0;
    int NoChild = 10;
    bool HtmlHelpOutput = true;
    QString HtmlHelpTemplate;
    QString HtmlHelpTitle;
    QString HtmlHelpOutputEncoding;
    bool HtmlHelpTitleSame = true;
    QByteArray HtmlHelpTemplateStream;
    bool HtmlHelpOutputContext = false;
    QString HtmlHelpContextFile;
    QString HtmlHelpContextTopCode;
    QString HtmlHelpContextBottomCode;
    QString HtmlHelpContextCodeTemplate;
    int HtmlHelpContextEncoding = 3; // 0 ANSI, 1 Unicode, 2 Unicode big endian, 3 UTF-8
    int HtmlHelpExtension = 0;       // 0 ".htm", 1 ".html"
    bool OutputHHP = false;
    QString HHPFolder;
    bool WebHelpOutput = true;
    QString WebHelpDefault;
    QString WebHelpOutputFolder;
    QString WebHelpTitle;
    bool WebHelpDefaultSame = true;
    bool WebHelpTilteSame = true;
    int WebHelpLanguage = 1;
    QByteArray WebHelpTemplateStream;
    TStringList WebHelpDictionary;
    int WebHelpExtension = 1;
    bool StartFromRoot = true;
    bool AutoCollapse = false;
    bool DrawLines = true;
    QString TOCBackColor;
    int HeadProperties = 1;
    int PageProperties = 1;
    bool RealColorIcon = false;
    bool ShowIndex = true;
    int NavWidth = 270;
    QString WebFontColor;
    QString WebBackColor;
    int WebBackground = 1;
    bool PDFOutput = true;
    QString PDFFile;
    int Panes = 1;
    int Magnification = 4;
    int PageLayout = 0;
    // Further folders (path macros allowed) from which a build may carry linked files into its
    // outputs, besides the project's and the source document's folders. One per line.
    QStringList CarryFolders;
    TCHMProject CHMSetting;

    // Every setting gets its new-project value: the system language and its charset, the two
    // default templates packed from the installation folder, the context code pieces of
    // "context.dat". RootDir and the window settings' Font, DefaultTopic and unstored fields
    // keep their values.
    void Initialize();
    void Clear() { Initialize(); }

    // Replaces the settings with those of the project file. Fails, changing nothing, when the
    // file does not exist, cannot be read, or has no [GENERAL] section.
    void ReadFromIni(const QString &FileName);
    // The settings part of reading: every key of [GENERAL] and CHMSetting from an INI file
    // already in memory, with the values for missing keys; the lifecycle fields are left alone.
    void LoadSettings(const TMemIniFile &ini);
    // Writes the project file through a temporary file renamed over the old one. Fails when the
    // folder cannot be made or the file cannot be written; the old file and ProjectChanged,
    // ProjectFilename, RootDir and IsNew then stay as they were.
    void SaveToIni(const QString &FileName);
    bool Save();

    // The lines of the project file, as SaveToIni writes them.
    QStringList IniLines() const;

    // The stored setting of a path type; null for any other type.
    const QString *PathSetting(int PathType) const;
    // One of the six stored paths, resolved; an empty string for any other type and for an
    // empty stored path.
    QString RealPath(int PathType) const;
    // Any stored path with its macros (any letter case) resolved and normalised.
    QString RealPath(const QString &Path) const;

    // The path a build writes one of the outputs to (ptCompiledFile .. ptHHPFolder): the stored
    // path with its macros, taken against the project folder when relative, and resolved on the
    // disk with symbolic links followed (ResolveOutputPath); folders end in "/". Unlike RealPath,
    // ".." is applied after the links, so the path names the folder the disk will really use.
    // While a build runs this is the path resolved when it began. Empty for an empty setting.
    // Raises for a path with a control character.
    QString OutputPath(int PathType) const;
    // The name of the first path setting (SourceFile, CompiledFile, ...) that holds a control
    // character, with a message naming it; empty when every path is clean.
    QString PathSettingProblem() const;

    mutable TBuildScope BuildScope;
    // The folders a build may carry linked files from: the project folder, the source
    // document's folder and each of CarryFolders resolved (a relative one against the project
    // folder). Empty entries are left out.
    QStringList CarryRootFolders() const;
};

// "1" or "0".
QString BoolToText(bool value);
// TopCode, BottomCode (line breaks restored) and CodeTemplate of the "C#" preset of
// "context.dat"; empty texts when the file or a key is missing.
void GetContextCodeDefaults(QString &TopCode, QString &BottomCode, QString &CodeTemplate);
// The folder proposed for a new project, with a trailing "/": "<documents>/Tavrel for
// Word/Project1/" when it is empty or missing, else the first free "ProjectN/" (N from 2 to
// 99999); empty when all are taken.
QString GetNewProjectFolder();

// The 42 stored keys of the window settings.
void CHMProjectReadFromIni(TCHMProject &project, const TMemIniFile &IniFile, const QString &Section);
// Appends "[" + Section + "]", the 42 key lines and an empty line.
void CHMProjectSaveToIni(const TCHMProject &project, QStringList &IniFile, const QString &Section);

} // namespace tavrel
