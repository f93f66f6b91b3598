#include "output/UnitCHMProject.h"

#include "text/ChmFile.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HtmlHelpTools.h"
#include "text/LanguageProcess.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

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

// --- Project files -------------------------------------------------------------------------------

namespace {
bool IsControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }
} // namespace

QString HhpLine(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar &c : t)
        if (IsControl(c))
            c = QLatin1Char(' ');
    return t;
}

QString HhpQuoted(const QString &text) { return HhpLine(text).replace(QLatin1Char('"'), QLatin1Char('\'')); }

QString HeaderToken(const QString &text)
{
    QString t = text;
    for (QChar &c : t)
        if (IsControl(c) || c.isSpace())
            c = QLatin1Char('_');
    return t;
}

namespace {

const QByteArray CRLF("\r\n");

QString HexValue(int v) { return QStringLiteral("0x") + QString::number(uint(v), 16).toUpper(); }

// The name of the compiled file with another extension ("help.chm" -> "help.hhc").
QString ChangeExt(const QString &chm, const QString &ext)
{
    const QString name = QFileInfo(chm).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? name.left(dot) : name) + ext;
}

// The code page the help file's texts are written in: that of its language, else the system's.
int LanguageCodePage(const QString &language)
{
    const int cp = Languages().GetCodepageById(language.trimmed());
    return cp > 0 ? cp : SystemCodePage();
}

// The language the help file is compiled for. A project without one (or with one the table does
// not know) takes the user's language: the compiler cannot build a help file without it.
QString HelpLanguage(const QString &language)
{
    const QString id = language.trimmed();
    if (Languages().GetCodepageById(id) > 0)
        return id;
    return QStringLiteral("0x") + QStringLiteral("%1").arg(GetSystemDefaultLangID() & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

// One line of the .hhp can only hold one line of text.
QString OneLine(const QString &text) { return HhpLine(text); }

// Decimal references: the compilers ignore hexadecimal ones.
QString DecimalReference(char32_t c) { return QStringLiteral("&#%1;").arg(uint(c)); }

// A value inside a quoted param of the .hhc or .hhk: on its line, without a raw quote.
QString QuoteEscaped(QString value)
{
    for (QChar &c : value)
        if (IsControl(c))
            c = QLatin1Char(' ');
    return value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
}

// A raw double quote inside a param value would end the value early (a title made only of
// quotes would blank the entry or break the file), so it is written as a character reference.
// The value is everything between ' value="' and the '">' that closes the line; what is
// already escaped stays as it is.
QString EscapeParamValues(const QString &list)
{
    static const QRegularExpression param(
        QStringLiteral(R"(^(\s*<param\s+name="[^"]*"\s+value=")(.*)(">\s*)$)"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    out.reserve(list.size() + 64);
    qsizetype pos = 0;
    while (pos < list.size()) {
        qsizetype end = list.indexOf(QLatin1Char('\n'), pos);
        end = end < 0 ? list.size() : end + 1;
        const QStringView line = QStringView(list).mid(pos, end - pos);
        pos = end;
        qsizetype bodyLength = line.size();
        while (bodyLength > 0 && (line[bodyLength - 1] == QLatin1Char('\n') || line[bodyLength - 1] == QLatin1Char('\r')))
            --bodyLength;
        const QStringView body = line.left(bodyLength);
        // A param line has four quotes of its own; only one with more can hold one in its value.
        if (body.count(QLatin1Char('"')) > 4) {
            const QRegularExpressionMatch m = param.match(body.toString());
            if (m.hasMatch()) {
                out += m.capturedView(1);
                out += QuoteEscaped(m.captured(2));
                out += m.capturedView(3);
                out += line.mid(bodyLength);
                continue;
            }
        }
        out += line;
    }
    return out;
}

QByteArray SitemapBytes(const QString &text, const QString &language)
{
    return EncodeCodePageEscaped(text, LanguageCodePage(language), DecimalReference);
}

void WriteBytes(const QString &fileName, const QByteArray &data)
{
    if (!FileSystem().WriteFile(fileName, data))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(fileName));
}

const char SitemapHead[] =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n"
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\r\n"
    "<!-- Sitemap 1.0 -->\r\n"
    "</HEAD>\r\n"
    "<BODY>\r\n";
const char SitemapTail[] = "</BODY>\r\n</HTML>\r\n";

// Extensions of files a page uses; such a file is never a backup, whatever its inner name.
bool IsContentExtension(const QString &ext)
{
    static const QStringList kinds = {
        QStringLiteral("htm"), QStringLiteral("html"), QStringLiteral("xhtml"), QStringLiteral("css"),
        QStringLiteral("js"), QStringLiteral("png"), QStringLiteral("gif"), QStringLiteral("jpg"),
        QStringLiteral("jpeg"), QStringLiteral("bmp"), QStringLiteral("svg"), QStringLiteral("ico"),
        QStringLiteral("webp"), QStringLiteral("swf"), QStringLiteral("xml"), QStringLiteral("txt"),
        QStringLiteral("pdf"), QStringLiteral("wav"), QStringLiteral("mp3"), QStringLiteral("mp4")};
    return kinds.contains(ext.toLower());
}

// The project files, their log, and backups such as "index.htm.bak" stay out of [FILES].
bool IsListedFile(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot >= 0 ? name.mid(dot + 1) : QString();
    static const QStringList project = {QStringLiteral("HHP"), QStringLiteral("HHC"), QStringLiteral("HHK"),
                                        QStringLiteral("LOG"), QStringLiteral("H")};
    if (dot >= 0 && project.contains(ext.toUpper()))
        return false;
    const QString stem = dot >= 0 ? name.left(dot) : name;
    return !(stem.contains(QLatin1String(".h")) && !IsContentExtension(ext));
}

} // namespace

void TCHMProject::GetFiles(const QString &Dir)
{
    QString dir = Dir;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QDir base(QDir(Folder).absolutePath());
    QStringList found;
    for (int i = 0; i < Files.Count(); ++i)
        found << QString(Files[i]).replace(QLatin1Char('\\'), QLatin1Char('/'));
    // Only regular files: a link could pack foreign files into the help file (or loop), and a
    // pipe or socket would stall the compiler. The build writes none of them itself.
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    // An earlier help file kept in the folder would be packed into the new one.
    const QString compiled = CHM.isEmpty() ? QString() : QFileInfo(CHM).absoluteFilePath();
    while (it.hasNext()) {
        const QString path = it.next();
        // A name with a line break cannot be listed on one line of the project.
        const QString relative = base.relativeFilePath(path);
        if (IsListedFile(it.fileName()) && it.fileInfo().absoluteFilePath() != compiled && HhpLine(relative) == relative)
            found << relative;
    }
    found.removeDuplicates();
    // Sorted by path, so the listing order of the disk never shows in the project file.
    std::sort(found.begin(), found.end());
    Files.Clear();
    for (QString &f : found)
        Files.Add(f.replace(QLatin1Char('/'), QLatin1Char('\\')));
}

void TCHMProject::Output()
{
    SetStyles();
    Files.Clear();
    if (AutoSearch)
        GetFiles(Folder + SourceFolder);
    LOGFile = ChangeExt(CHM, QStringLiteral(".log"));
    if (Content && !TOC.isEmpty()) {
        HHCFile = ChangeExt(CHM, QStringLiteral(".hhc"));
        OutputHHC(Folder + HHCFile);
    } else {
        HHCFile.clear();
    }
    if (Index) {
        HHKFile = ChangeExt(CHM, QStringLiteral(".hhk"));
        OutputHHK(Folder + HHKFile);
    } else {
        HHKFile.clear();
    }
    if (!Map.isEmpty()) {
        HFile = ChangeExt(CHM, QStringLiteral(".h"));
        OutputH(Folder + HFile);
    } else {
        HFile.clear();
    }
    HHPFile = ChangeExt(CHM, QStringLiteral(".hhp"));
    OutputHHP(Folder + HHPFile);
}

QByteArray TCHMProject::HHPText() const
{
    // File names go as UTF-8 (the compiler takes them as raw bytes); the texts a user reads
    // (title, caption, font face) in the code page of the help file's language.
    const int cp = LanguageCodePage(Language);
    auto text = [cp](const QString &t) { return EncodeCodePage(OneLine(t), cp); };
    auto name = [](const QString &t) { return OneLine(t).toUtf8(); };
    // A double quote would end a quoted value of the window definition early; the definition
    // has no escape for it.
    auto quoted = [](const QString &t) { return HhpQuoted(t).toUtf8(); };
    const QString caption = HhpQuoted(Title);
    // Settings read from a project are within the limits already; these are computed wide, so
    // that values set otherwise cannot overflow either.
    auto coordinate = [](qint64 v) {
        return QByteArray::number(std::clamp<qint64>(v, -2 * qint64(kWindowCoordinateLimit), 2 * qint64(kWindowCoordinateLimit)));
    };

    QByteArray out;
    out.reserve(512 + Files.Count() * 40 + Alias.size() * 2);
    auto line = [&out](const QByteArray &l) {
        out += l;
        out += CRLF;
    };
    line("[OPTIONS]");
    line("Compatibility=1.1 or later");
    line("Compiled file=" + name(CHM));
    line("Contents file=" + name(HHCFile));
    line("Default Font=" + text(Font));
    line("Default Window=main");
    line("Default topic=" + name(DefaultTopic));
    line("Display compile progress=No");
    line("Error log file=" + name(LOGFile));
    line("Full-text search=Yes");
    line("Index file=" + name(HHKFile));
    line("Language=" + name(HelpLanguage(Language)));
    line("Title=" + text(Title));
    line("");
    line("[WINDOWS]");
    const QByteArray topic = '"' + quoted(DefaultTopic) + '"';
    QByteArray win = "main=";
    win += '"' + EncodeCodePage(caption, cp) + "\",";
    win += '"' + quoted(HHCFile) + "\",";
    win += '"' + quoted(HHKFile) + "\",";
    win += topic + ',' + topic + ',' + topic + ",\"\",,,";
    win += HexValue(Face).toLatin1() + ',' + coordinate(PaneWidth) + ',' + HexValue(Toolbar).toLatin1() + ',';
    win += '[' + coordinate(Left) + ',' + coordinate(Top) + ',' + coordinate(qint64(Left) + Width) + ',' + coordinate(qint64(Top) + Height)
        + "],";
    win += HexValue(Window).toLatin1() + ',' + HexValue(WindowEx).toLatin1() + ",,";
    win += ShowPane ? '0' : '1';
    win += ',' + QByteArray::number(DefaultTab) + ",,0,";
    line(win);
    line("");
    line("[FILES]");
    for (int i = 0; i < Files.Count(); ++i)
        line(name(Files[i]));
    line("");
    if (!Alias.isEmpty()) {
        // Alias holds its own line ends (CR LF after each entry); any other control character
        // in it becomes a blank.
        line("[ALIAS]");
        const QStringList aliasLines = Alias.split(QLatin1String("\r\n"));
        QByteArray alias;
        for (qsizetype i = 0; i < aliasLines.size(); ++i)
            alias += (i > 0 ? CRLF : QByteArray()) + name(aliasLines[i]);
        line(alias);
        line("");
    }
    if (!Map.isEmpty()) {
        line("[MAP]");
        line("#include " + name(HFile));
        line("");
    }
    return out;
}

QByteArray TCHMProject::HHCText() const
{
    QByteArray out(SitemapHead);
    out += SitemapBytes(QStringLiteral("   <OBJECT type=\"text/site properties\"> \r\n"
                                       "     <param name=\"FrameName\" value=\"right\">\r\n"
                                       "     <param name=\"WindowName\" value=\"main\">\r\n"
                                       "     <param name=\"Font\" value=\"%1\">\r\n"
                                       "     <param name=\"ImageType\" value=\"Book\">\r\n"
                                       "     <param name=\"Window Styles\" value=\"%2\">\r\n"
                                       "     <param name=\"ExWindow Styles\" value=\"%3\">\r\n"
                                       "   </OBJECT>\r\n")
                            .arg(QuoteEscaped(ContentsFont), HexValue(WinStyle), HexValue(WinStyleEx)),
                        Language);
    out += SitemapBytes(EscapeParamValues(TOC), Language);
    out += CRLF;
    out += SitemapTail;
    return out;
}

QByteArray TCHMProject::HHKText() const
{
    QByteArray out(SitemapHead);
    out += SitemapBytes(QStringLiteral("<OBJECT type=\"text/site properties\">\r\n"
                                       "<param name=\"Font\" value=\"%1\">\r\n"
                                       "</OBJECT>\r\n")
                            .arg(QuoteEscaped(IndexFont)),
                        Language);
    out += SitemapBytes(EscapeParamValues(IndexList), Language);
    out += CRLF;
    out += SitemapTail;
    return out;
}

QByteArray TCHMProject::HText() const { return Map.toUtf8() + CRLF; }

int TCHMProject::OutputHHP(const QString &FileName)
{
    WriteBytes(FileName, HHPText());
    return 0;
}

int TCHMProject::OutputHHC(const QString &FileName)
{
    WriteBytes(FileName, HHCText());
    return 0;
}

int TCHMProject::OutputHHK(const QString &FileName)
{
    WriteBytes(FileName, HHKText());
    return 0;
}

int TCHMProject::OutputH(const QString &FileName)
{
    WriteBytes(FileName, HText());
    return 0;
}

// --- Compiling -----------------------------------------------------------------------------------

QString TCHMProject::Compile1()
{
    const QString chmFolder = QFileInfo(CHM).absolutePath();
    if (!FileSystem().MakePath(chmFolder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\" for the compiled help file.").arg(chmFolder));

    // A help file left from an earlier build must not pass for the result of this one.
    const QFileInfo before(CHM);
    const bool existedBefore = before.exists();
    const QDateTime timeBefore = existedBefore ? before.lastModified() : QDateTime();

    const THelpCompileResult run = RunHelpCompiler(Folder, HHPFile, CompileTimeoutMs);
    CompileExitCode = run.ExitCode;
    const QFileInfo chm(CHM);
    // A crash leaves an empty file behind; nobody can open it, so it goes in every case.
    const bool leftEmpty = chm.exists() && chm.size() == 0;
    if (leftEmpty)
        FileSystem().RemoveFile(CHM);
    auto fail = [&run](const QString &what) {
        QString message = what;
        const QString console = run.Output.trimmed();
        if (!console.isEmpty())
            message += QStringLiteral("\n\nThe compiler wrote:\n") + console;
        throw Exception(message);
    };
    if (run.Crashed)
        fail(QStringLiteral("The help compiler chmcmd crashed while compiling \"%1\".").arg(HHPFile));
    if (run.ExitCode != 0)
        fail(QStringLiteral("The help compiler chmcmd failed (exit code %1) while compiling \"%2\"%3.")
                 .arg(run.ExitCode)
                 .arg(HHPFile, leftEmpty ? QStringLiteral("; the empty help file it left was deleted") : QString()));
    if (leftEmpty)
        fail(QStringLiteral("The help compiler chmcmd wrote an empty help file \"%1\"; it was deleted.").arg(CHM));
    if (!chm.exists() || (existedBefore && chm.lastModified() == timeBefore))
        fail(QStringLiteral("The help compiler chmcmd did not write the help file \"%1\".").arg(CHM));
    FixChmDirectoryHeader(CHM);
    TChmFile check;
    if (!check.Open(CHM) || check.Enumerate().isEmpty())
        fail(QStringLiteral("The help file \"%1\" that chmcmd wrote cannot be read.").arg(CHM));
    return run.Output;
}

} // namespace tavrel
