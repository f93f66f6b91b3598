#include "project/ProjectSetting.h"

#include "output/Template.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/InstallFolder.h"
#include "text/LanguageProcess.h"
#include "text/OutputPath.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>

namespace tavrel {

namespace {

const QString kGeneral = QStringLiteral("GENERAL");
const QString kCHMSetting = QStringLiteral("CHMSetting");

QString systemLanguageId()
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(GetSystemDefaultLangID() & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

// The folder part of a file name with its trailing "/", made absolute so that
// "<Project_Folder>" never resolves against the root.
QString folderOf(const QString &absoluteFile) { return absoluteFile.left(absoluteFile.lastIndexOf(QLatin1Char('/')) + 1); }

QString absoluteFileName(const QString &fileName) { return QDir::cleanPath(QFileInfo(fileName).absoluteFilePath()); }

// Replaces target with data: a temporary file beside it, renamed over it, so a failure never
// leaves a truncated file. A symbolic link is followed, so the link stays a link.
void replaceFileAtomically(const QString &fileName, const QByteArray &data)
{
    QString target = absoluteFileName(fileName);
    for (int hops = 0; hops < 40 && QFileInfo(target).isSymLink(); ++hops) {
        const QString canonical = QFileInfo(target).canonicalFilePath();
        target = canonical.isEmpty() ? absoluteFileName(QFileInfo(target).symLinkTarget()) : canonical;
    }
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    TFileSystem &fs = FileSystem();
    if (!QFileInfo(folder).isDir() && !fs.MakePath(folder))
        throw Exception(QStringLiteral("Cannot create folder \"%1\".").arg(folder));
    const bool exists = info.exists();
    if (exists && info.isDir())
        throw Exception(QStringLiteral("Cannot create file \"%1\": it is a folder.").arg(target));
    // The rename below would replace a read-only file without asking, so writability is
    // checked on the file itself first.
    if (exists && !fs.CanOpenWrite(target))
        throw Exception(QStringLiteral("Cannot create file \"%1\". The file cannot be written.").arg(target));

    QTemporaryFile temp(folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open())
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(target, temp.errorString()));
    const QString tempName = temp.fileName();
    temp.close();
    auto fail = [&](const QString &message) {
        fs.RemoveFile(tempName);
        throw Exception(message);
    };
    if (!fs.WriteFile(tempName, data))
        fail(QStringLiteral("Cannot create file \"%1\". Writing failed.").arg(target));
    QFile::setPermissions(tempName, exists ? QFile::permissions(target) : NewFilePermissions());
    if (!fs.Rename(tempName, target))
        fail(QStringLiteral("Cannot create file \"%1\". It could not be replaced.").arg(target));
}

} // namespace

QString BoolToText(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

void GetContextCodeDefaults(QString &TopCode, QString &BottomCode, QString &CodeTemplate)
{
    TMemIniFile ini;
    ini.LoadFromFile(InstallPath(QStringLiteral("context.dat")), TIniEncoding::Utf16LE);
    const QString section = QStringLiteral("C#");
    TopCode = UnescapeLineBreaks(ini.ReadString(section, QStringLiteral("TopCode"), QString()));
    BottomCode = UnescapeLineBreaks(ini.ReadString(section, QStringLiteral("BottomCode"), QString()));
    CodeTemplate = ini.ReadString(section, QStringLiteral("CodeTemplate"), QString());
}

QString GetNewProjectFolder()
{
    const QString base = GetSpecialFolder(5) + QStringLiteral("/Tavrel for Word/Project");
    auto usable = [](const QString &folder) {
        const QFileInfo info(folder.chopped(1)); // "name/" of a plain file does not exist
        if (info.exists() && !info.isDir())
            return false; // a file of that name is not a folder to propose
        return IsFolderEmpty(folder);
    };
    for (int n = 1; n <= 99999; ++n) {
        const QString folder = base + QString::number(n) + QLatin1Char('/');
        if (usable(folder))
            return folder;
    }
    return QString();
}

TProject::TProject()
    : ProjectFilename(QStringLiteral("unnamed.tvp"))
{
    Initialize();
}

void TProject::Initialize()
{
    ProjectChanged = false;
    SourceFile.clear();
    ProjectFilename = QStringLiteral("unnamed.tvp");
    IsNew = true;

    Title = QStringLiteral("New Help");
    NavSetting = QStringLiteral("\"Help > \",\" > \",\"0\",\"1\"");
    CopyRight = QStringLiteral("&copy; 2012 Your company. All rights reserved.");
    PrevHint = QStringLiteral("Previous");
    NextHint = QStringLiteral("Next");
    DefaultTopic.clear();
    CompiledFile = QStringLiteral("<Project_Folder>/HTML help/help.chm");
    CustomTemplate.clear();
    DefaultTemplate = true;
    Encoding = DefaultEncoding();
    ViewCompiledFile = true;
    HasChild = 0;
    NoChild = 10;
    HtmlHelpOutput = true;
    HtmlHelpTemplate.clear();
    HtmlHelpTitle.clear();
    HtmlHelpTitleSame = true;
    HtmlHelpOutputContext = false;
    HtmlHelpContextFile = QStringLiteral("<Project_Folder>/HTML help/context.cs");
    HtmlHelpContextEncoding = 3;
    HtmlHelpExtension = 0;
    OutputHHP = false;
    HHPFolder = QStringLiteral("<Project_Folder>/HTML help project/");
    WebHelpOutput = true;
    WebHelpDefault.clear();
    WebHelpOutputFolder = QStringLiteral("<Project_Folder>/WebHelp/");
    WebHelpTitle.clear();
    WebHelpDefaultSame = true;
    WebHelpTilteSame = true;
    WebHelpLanguage = 1;
    WebHelpExtension = 1;
    StartFromRoot = true;
    AutoCollapse = false;
    DrawLines = true;
    TOCBackColor = QStringLiteral("#FFFFFF");
    PDFOutput = true;
    PDFFile = QStringLiteral("<Project_Folder>/PDF/help.pdf");
    Panes = 1;
    Magnification = 4;
    PageLayout = 0;
    HeadProperties = 1;
    PageProperties = 1;
    RealColorIcon = false;
    ShowIndex = true;
    NavWidth = 270;
    WebFontColor = QStringLiteral("#DBEFF9");
    WebBackColor.clear();
    WebBackground = 1;
    CarryFolders.clear();

    const QString langId = systemLanguageId();
    const int codePage = Languages().GetCodepageById(langId);
    HtmlHelpOutputEncoding = codePage ? GetCharsetByCodepage(codePage) : QString();

    TemplateFileToStream(InstallPath(QStringLiteral("templates/fixedtop/fixedtop.htm")), HtmlHelpTemplateStream);
    TemplateFileToStream(InstallPath(QStringLiteral("templates/standard1/template.htm")), WebHelpTemplateStream);

    GetContextCodeDefaults(HtmlHelpContextTopCode, HtmlHelpContextBottomCode, HtmlHelpContextCodeTemplate);

    WebHelpDictionary.Clear();

    TCHMProject &c = CHMSetting;
    c.Top = 50;
    c.Left = 50;
    c.Height = 650;
    c.Width = 900;
    c.PaneWidth = 270;
    c.DefaultTab = 0;
    c.ShowMSDNMenu = false;
    c.ShowPanesToolbar = true;
    c.ShowPane = true;
    c.HideToolbar = false;
    c.HideToolbarText = false;
    c.StayOnTop = false;
    c.Maximize = false;
    c.Hide = true;
    c.Back = true;
    c.bForward = true;
    c.Stop = true;
    c.Refresh = true;
    c.Home = true;
    c.Print = true;
    c.Option = true;
    c.Jump1 = false;
    c.Jump2 = false;
    c.Content = true;
    c.Index = true;
    c.Search = true;
    c.Favorite = true;
    c.AutoTrack = false;
    c.SelectRow = false;
    c.PlusMinus = true;
    c.ShowSelection = true;
    c.ShowRoot = true;
    c.DrawLines = true;
    c.AutoExpand = false;
    c.RightToLeft = false;
    c.LeftScroll = false;
    c.SavePosition = false;
    c.Language = langId;
    c.ContentsFont = QStringLiteral(",8,") + GetFontCharsetByCodepage(codePage);
    c.IndexFont = c.ContentsFont;
}

void CHMProjectReadFromIni(TCHMProject &p, const TMemIniFile &ini, const QString &s)
{
    auto i = [&](const char *key, int absent) { return ini.ReadInteger(s, QLatin1String(key), absent); };
    auto b = [&](const char *key, bool absent) { return ini.ReadBool(s, QLatin1String(key), absent); };
    auto t = [&](const char *key, const char *absent) { return ini.ReadString(s, QLatin1String(key), QLatin1String(absent)); };
    // A project file may hold any number; the window cannot be larger or farther off than a
    // screen, and the .hhp adds position and size.
    auto within = [](int v, int low, int high) { return std::clamp(v, low, high); };
    const int limit = kWindowCoordinateLimit;
    p.Top = within(i("Top", 50), -limit, limit);
    p.Left = within(i("Left", 50), -limit, limit);
    p.Height = within(i("Height", 500), 0, limit);
    p.Width = within(i("Width", 700), 0, limit);
    p.PaneWidth = within(i("PaneWidth", 270), 0, limit);
    p.DefaultTab = within(i("DefaultTab", 0), 0, 3);
    p.ShowMSDNMenu = b("ShowMSDNMenu", false);
    p.ShowPanesToolbar = b("ShowPanesToolbar", true);
    p.ShowPane = b("ShowPane", true);
    p.HideToolbar = b("HideToolbar", false);
    p.HideToolbarText = b("HideToolbarText", false);
    p.StayOnTop = b("StayOnTop", false);
    p.Maximize = b("Maximize", false);
    p.Hide = b("Hide", true);
    p.Back = b("Back", true);
    p.bForward = b("bForward", true);
    p.Stop = b("Stop", true);
    p.Refresh = b("Refresh", true);
    p.Home = b("Home", true);
    p.Print = b("Print", true);
    p.Option = b("Option", true);
    p.Jump1 = b("Jump1", false);
    p.Jump2 = b("Jump2", false);
    p.Content = b("Content", true);
    p.Index = b("Index", true);
    p.Search = b("Search", true);
    p.Favorite = b("Favorite", true);
    p.AutoTrack = b("AutoTrack", false);
    p.SelectRow = b("SelectRow", false);
    p.PlusMinus = b("PlusMinus", true);
    p.ShowSelection = b("ShowSelection", true);
    p.ShowRoot = b("ShowRoot", true);
    p.DrawLines = b("DrawLines", true);
    p.AutoExpand = b("AutoExpand", false);
    p.RightToLeft = b("RightToLeft", false);
    p.LeftScroll = b("LeftScroll", false);
    p.SavePosition = b("SavePosition", false);
    p.ContentsFont = t("ContentsFont", ",8,0");
    p.IndexFont = t("IndexFont", ",8,0");
    p.Language = t("Language", "");
    p.Font = t("Font", "");
    p.DefaultTopic = t("DefaultTopic", "");
}

void CHMProjectSaveToIni(const TCHMProject &p, QStringList &IniFile, const QString &Section)
{
    TIniWriter w;
    w.AddSection(Section);
    w.AddInteger(QStringLiteral("Top"), p.Top);
    w.AddInteger(QStringLiteral("Left"), p.Left);
    w.AddInteger(QStringLiteral("Height"), p.Height);
    w.AddInteger(QStringLiteral("Width"), p.Width);
    w.AddInteger(QStringLiteral("PaneWidth"), p.PaneWidth);
    w.AddInteger(QStringLiteral("DefaultTab"), p.DefaultTab);
    w.AddBool(QStringLiteral("ShowMSDNMenu"), p.ShowMSDNMenu);
    w.AddBool(QStringLiteral("ShowPanesToolbar"), p.ShowPanesToolbar);
    w.AddBool(QStringLiteral("ShowPane"), p.ShowPane);
    w.AddBool(QStringLiteral("HideToolbar"), p.HideToolbar);
    w.AddBool(QStringLiteral("HideToolbarText"), p.HideToolbarText);
    w.AddBool(QStringLiteral("StayOnTop"), p.StayOnTop);
    w.AddBool(QStringLiteral("Maximize"), p.Maximize);
    w.AddBool(QStringLiteral("Hide"), p.Hide);
    w.AddBool(QStringLiteral("Back"), p.Back);
    w.AddBool(QStringLiteral("bForward"), p.bForward);
    w.AddBool(QStringLiteral("Stop"), p.Stop);
    w.AddBool(QStringLiteral("Refresh"), p.Refresh);
    w.AddBool(QStringLiteral("Home"), p.Home);
    w.AddBool(QStringLiteral("Print"), p.Print);
    w.AddBool(QStringLiteral("Option"), p.Option);
    w.AddBool(QStringLiteral("Jump1"), p.Jump1);
    w.AddBool(QStringLiteral("Jump2"), p.Jump2);
    w.AddBool(QStringLiteral("Content"), p.Content);
    w.AddBool(QStringLiteral("Index"), p.Index);
    w.AddBool(QStringLiteral("Search"), p.Search);
    w.AddBool(QStringLiteral("Favorite"), p.Favorite);
    w.AddBool(QStringLiteral("AutoTrack"), p.AutoTrack);
    w.AddBool(QStringLiteral("SelectRow"), p.SelectRow);
    w.AddBool(QStringLiteral("PlusMinus"), p.PlusMinus);
    w.AddBool(QStringLiteral("ShowSelection"), p.ShowSelection);
    w.AddBool(QStringLiteral("ShowRoot"), p.ShowRoot);
    w.AddBool(QStringLiteral("DrawLines"), p.DrawLines);
    w.AddBool(QStringLiteral("AutoExpand"), p.AutoExpand);
    w.AddBool(QStringLiteral("RightToLeft"), p.RightToLeft);
    w.AddBool(QStringLiteral("LeftScroll"), p.LeftScroll);
    w.AddBool(QStringLiteral("SavePosition"), p.SavePosition);
    w.AddString(QStringLiteral("ContentsFont"), p.ContentsFont);
    w.AddString(QStringLiteral("IndexFont"), p.IndexFont);
    w.AddString(QStringLiteral("Language"), p.Language);
    w.AddString(QStringLiteral("Font"), p.Font);
    w.AddString(QStringLiteral("DefaultTopic"), p.DefaultTopic);
    w.AddEmptyLine();
    IniFile << w.Lines();
}

QStringList TProject::IniLines() const
{
    TIniWriter w;
    auto s = [&](const char *key, const QString &value) { w.AddString(QLatin1String(key), value); };
    auto b = [&](const char *key, bool value) { w.AddBool(QLatin1String(key), value); };
    auto i = [&](const char *key, int value) { w.AddInteger(QLatin1String(key), value); };
    w.AddSection(kGeneral);
    s("SourceFile", SourceFile);
    s("Title", Title);
    s("NavSetting", NavSetting);
    s("CopyRight", CopyRight);
    s("PrevHint", PrevHint);
    s("NextHint", NextHint);
    s("DefaultTopic", DefaultTopic);
    s("CompiledFile", CompiledFile);
    s("CustomTemplate", CustomTemplate);
    b("DefaultTemplate", DefaultTemplate);
    s("Encoding", Encoding);
    b("ViewCompiledFile", ViewCompiledFile);
    i("HasChild", HasChild);
    i("NoChild", NoChild);
    b("HtmlHelpOutput", HtmlHelpOutput);
    s("HtmlHelpTemplate", HtmlHelpTemplate);
    s("HtmlHelpTitle", HtmlHelpTitle);
    b("HtmlHelpTitleSame", HtmlHelpTitleSame);
    s("HtmlHelpOutputEncoding", HtmlHelpOutputEncoding.trimmed());
    s("HtmlHelpTemplateStream", StreamToHex(HtmlHelpTemplateStream));
    b("HtmlHelpOutputContext", HtmlHelpOutputContext);
    s("HtmlHelpContextFile", HtmlHelpContextFile);
    s("HtmlHelpContextTopCode", EscapeLineBreaks(HtmlHelpContextTopCode));
    s("HtmlHelpContextBottomCode", EscapeLineBreaks(HtmlHelpContextBottomCode));
    s("HtmlHelpContextCodeTemplate", HtmlHelpContextCodeTemplate);
    i("HtmlHelpContextEncoding", HtmlHelpContextEncoding);
    i("HtmlHelpExtension", HtmlHelpExtension);
    b("OutputHHP", OutputHHP);
    s("HHPFolder", HHPFolder);
    b("WebHelpOutput", WebHelpOutput);
    s("WebHelpDefault", WebHelpDefault);
    s("WebHelpOutputFolder", WebHelpOutputFolder);
    s("WebHelpTitle", WebHelpTitle);
    b("WebHelpDefaultSame", WebHelpDefaultSame);
    b("WebHelpTilteSame", WebHelpTilteSame);
    i("WebHelpLanguage", WebHelpLanguage);
    s("WebHelpTemplateStream", StreamToHex(WebHelpTemplateStream));
    s("WebHelpDictionary", EscapeLineBreaks(WebHelpDictionary.Text()));
    i("WebHelpExtension", WebHelpExtension);
    b("StartFromRoot", StartFromRoot);
    b("AutoCollapse", AutoCollapse);
    b("DrawLines", DrawLines);
    s("TOCBackColor", TOCBackColor);
    b("PDFOutput", PDFOutput);
    s("PDFFile", PDFFile);
    i("Panes", Panes);
    i("Magnification", Magnification);
    i("PageLayout", PageLayout);
    i("HeadProperties", HeadProperties);
    i("PageProperties", PageProperties);
    b("RealColorIcon", RealColorIcon);
    b("ShowIndex", ShowIndex);
    i("NavWidth", NavWidth);
    s("WebFontColor", WebFontColor);
    s("WebBackColor", WebBackColor);
    i("WebBackground", WebBackground);
    // Written only when set, so that a project without further folders keeps its file as it was.
    if (!CarryFolders.isEmpty())
        s("CarryFolders", EscapeLineBreaks(CarryFolders.join(QLatin1String("\r\n"))));
    s("HHPFolder", HHPFolder);
    w.AddEmptyLine();
    QStringList lines = w.Lines();
    CHMProjectSaveToIni(CHMSetting, lines, kCHMSetting);
    return lines;
}

void TProject::ReadFromIni(const QString &FileName)
{
    if (!QFileInfo(FileName).isFile())
        throw Exception(FileName + QStringLiteral(" doesn't exist!"));
    QFile f(FileName);
    if (!FileSystem().CanOpenRead(FileName) || !f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\".").arg(FileName));
    TMemIniFile ini;
    ini.LoadFromBytes(f.readAll());
    f.close();
    // A file without the section is no project: opening it anyway would let the next save
    // write a project over whatever the file was.
    if (!ini.SectionExists(kGeneral))
        throw Exception(FileName + QStringLiteral(" is not a project file!"));
    LoadSettings(ini);
    ProjectChanged = false;
    ProjectFilename = absoluteFileName(FileName);
    RootDir = folderOf(ProjectFilename);
    IsNew = false;
}

void TProject::LoadSettings(const TMemIniFile &ini)
{
    const QString &g = kGeneral;
    auto s = [&](const char *key, const QString &absent) { return ini.ReadString(g, QLatin1String(key), absent); };
    auto b = [&](const char *key, bool absent) { return ini.ReadBool(g, QLatin1String(key), absent); };
    auto i = [&](const char *key, int absent) { return ini.ReadInteger(g, QLatin1String(key), absent); };
    const QString none;

    SourceFile = s("SourceFile", none);
    Title = s("Title", none);
    NavSetting = s("NavSetting", none);
    CopyRight = s("CopyRight", none);
    PrevHint = s("PrevHint", none);
    NextHint = s("NextHint", none);
    DefaultTopic = s("DefaultTopic", none);
    CompiledFile = s("CompiledFile", none);
    CustomTemplate = s("CustomTemplate", none);
    DefaultTemplate = b("DefaultTemplate", true);
    Encoding = s("Encoding", none);
    ViewCompiledFile = b("ViewCompiledFile", true);
    HasChild = i("HasChild", 0);
    NoChild = i("NoChild", 10);
    HtmlHelpOutput = b("HtmlHelpOutput", true);
    HtmlHelpTemplate = s("HtmlHelpTemplate", none);
    HtmlHelpTitle = s("HtmlHelpTitle", none);
    HtmlHelpTitleSame = b("HtmlHelpTitleSame", true);
    HtmlHelpOutputEncoding = s("HtmlHelpOutputEncoding", none).trimmed();
    HtmlHelpTemplateStream.clear();
    HtmlHelpTemplateStream = HexToStream(s("HtmlHelpTemplateStream", none));
    HtmlHelpOutputContext = b("HtmlHelpOutputContext", false);
    HtmlHelpContextFile = s("HtmlHelpContextFile", none);
    HtmlHelpContextTopCode = UnescapeLineBreaks(s("HtmlHelpContextTopCode", none));
    HtmlHelpContextBottomCode = UnescapeLineBreaks(s("HtmlHelpContextBottomCode", none));
    HtmlHelpContextCodeTemplate = s("HtmlHelpContextCodeTemplate", none);
    HtmlHelpContextEncoding = i("HtmlHelpContextEncoding", 3);
    HtmlHelpExtension = i("HtmlHelpExtension", 0);
    OutputHHP = b("OutputHHP", OutputHHP);
    HHPFolder = s("HHPFolder", HHPFolder);
    WebHelpOutput = b("WebHelpOutput", true);
    WebHelpDefault = s("WebHelpDefault", none);
    WebHelpOutputFolder = s("WebHelpOutputFolder", none);
    WebHelpTitle = s("WebHelpTitle", none);
    WebHelpDefaultSame = b("WebHelpDefaultSame", true);
    WebHelpTilteSame = b("WebHelpTilteSame", true);
    WebHelpLanguage = i("WebHelpLanguage", 1);
    WebHelpTemplateStream.clear();
    WebHelpTemplateStream = HexToStream(s("WebHelpTemplateStream", none));
    WebHelpDictionary.Clear();
    WebHelpDictionary.SetText(UnescapeLineBreaks(s("WebHelpDictionary", none)));
    WebHelpExtension = i("WebHelpExtension", 1);
    StartFromRoot = b("StartFromRoot", true);
    AutoCollapse = b("AutoCollapse", false);
    DrawLines = b("DrawLines", true);
    TOCBackColor = s("TOCBackColor", QStringLiteral("#FFFFFF"));
    PDFOutput = b("PDFOutput", true);
    PDFFile = s("PDFFile", PDFFile);
    Panes = i("Panes", 1);
    Magnification = i("Magnification", 4);
    PageLayout = i("PageLayout", 0);
    HeadProperties = i("HeadProperties", 1);
    PageProperties = i("PageProperties", 1);
    RealColorIcon = b("RealColorIcon", false);
    ShowIndex = b("ShowIndex", true);
    NavWidth = i("NavWidth", 270);
    WebFontColor = s("WebFontColor", QStringLiteral("#ffffff"));
    WebBackColor = s("WebBackColor", QStringLiteral("#003366"));
    WebBackground = i("WebBackground", 1);
    CarryFolders.clear();
    for (const QString &line : UnescapeLineBreaks(s("CarryFolders", none)).split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
        if (!line.trimmed().isEmpty())
            CarryFolders << line.trimmed();

    CHMProjectReadFromIni(CHMSetting, ini, kCHMSetting);
}

void TProject::SaveToIni(const QString &FileName)
{
    replaceFileAtomically(FileName, EncodeIniLines(IniLines()));
    ProjectChanged = false;
    ProjectFilename = absoluteFileName(FileName);
    RootDir = folderOf(ProjectFilename);
    IsNew = false;
}

bool TProject::Save()
{
    SaveToIni(ProjectFilename);
    return true;
}

QString TProject::RealPath(const QString &Path) const
{
    QString p = ExpandMyDocuments(Path);
    QString root = RootDir;
    while (root.endsWith(QLatin1Char('/')) && root.size() > 1)
        root.chop(1);
    p.replace(QLatin1String("<Project_Folder>"), root, Qt::CaseInsensitive);
    return NormalizePath(p);
}

const QString *TProject::PathSetting(int PathType) const
{
    switch (PathType) {
    case ptSourceFile: return &SourceFile;
    case ptCompiledFile: return &CompiledFile;
    case ptWebHelpFolder: return &WebHelpOutputFolder;
    case ptPDFFile: return &PDFFile;
    case ptContextFile: return &HtmlHelpContextFile;
    case ptHHPFolder: return &HHPFolder;
    default: return nullptr;
    }
}

QStringList TProject::CarryRootFolders() const
{
    QStringList out;
    if (!RootDir.isEmpty())
        out << RootDir;
    QString source = RealPath(ptSourceFile);
    if (!source.isEmpty() && !source.startsWith(QLatin1Char('/')))
        source = NormalizePath(RootDir + source);
    if (!source.isEmpty())
        out << QFileInfo(source).absolutePath();
    for (const QString &folder : CarryFolders) {
        QString p = RealPath(folder);
        if (p.isEmpty())
            continue;
        if (!p.startsWith(QLatin1Char('/')))
            p = NormalizePath(RootDir + p);
        out << p;
    }
    return out;
}

QString TProject::RealPath(int PathType) const
{
    const QString *field = PathSetting(PathType);
    if (!field)
        return QString();
    QString result = RealPath(*field);
    // An empty folder setting must not become "/": the WebHelp output empties its folder.
    if (result.isEmpty())
        return result;
    // A relative path belongs to the project, as "<Project_Folder>" does, never to the folder
    // the program happened to be started in.
    if (!result.startsWith(QLatin1Char('/')) && RootDir.startsWith(QLatin1Char('/')))
        result = NormalizePath(RootDir + result);
    if ((PathType == ptWebHelpFolder || PathType == ptHHPFolder) && !result.endsWith(QLatin1Char('/')))
        result += QLatin1Char('/');
    return result;
}

namespace {

const char *const kPathSettingNames[] = {"SourceFile", "CompiledFile", "WebHelpOutputFolder",
                                         "PDFFile", "HtmlHelpContextFile", "HHPFolder"};

} // namespace

QString TProject::OutputPath(int PathType) const
{
    if (PathType < ptCompiledFile || PathType > ptHHPFolder || PathType == ptSourceFile)
        return QString();
    if (BuildScope.Active && !BuildScope.Paths[PathType].isEmpty())
        return BuildScope.Paths[PathType];
    const QString *field = PathSetting(PathType);
    if (field->trimmed().isEmpty())
        return QString();
    if (HasControlCharacter(*field))
        throw Exception(QStringLiteral("The setting %1 holds a control character (%2): \"%3\" is not used as a path.")
                            .arg(QLatin1String(kPathSettingNames[PathType]), FirstControlCharacter(*field), PrintablePath(*field)));
    // The same text RealPath starts from, before it tidies "." and ".." as text.
    QString p = ExpandMyDocuments(*field);
    QString root = RootDir;
    while (root.endsWith(QLatin1Char('/')) && root.size() > 1)
        root.chop(1);
    p.replace(QLatin1String("<Project_Folder>"), root, Qt::CaseInsensitive);
    p.replace(QLatin1String("%20"), QLatin1String(" "));
    QString result = ResolveOutputPath(p, RootDir);
    if ((PathType == ptWebHelpFolder || PathType == ptHHPFolder) && !result.endsWith(QLatin1Char('/')))
        result += QLatin1Char('/');
    return result;
}

QString TProject::PathSettingProblem() const
{
    for (int type = ptSourceFile; type <= ptHHPFolder; ++type) {
        const QString &value = *PathSetting(type);
        if (HasControlCharacter(value))
            return QStringLiteral("The setting %1 holds a control character (%2): \"%3\". Paths with control "
                                  "characters are not used; nothing was written. Correct the setting and build again.")
                .arg(QLatin1String(kPathSettingNames[type]), FirstControlCharacter(value), PrintablePath(value));
    }
    return QString();
}

} // namespace tavrel
