#include "output/HtmlHelpOutput.h"

#include "output/Template.h"
#include "output/UnitCHMProject.h"
#include "project/Contents.h"
#include "project/FolderGuard.h"
#include "project/OutputSwap.h"
#include "project/ProjectSetting.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/LanguageProcess.h"
#include "text/OutputPath.h"
#include "text/functions.h"
#include "project/ConvertedDocument.h"

#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace tavrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kObjectStart = QStringLiteral("<LI><OBJECT type=\"text/sitemap\">");
const QString kObjectEnd = QStringLiteral("</OBJECT>");
// The blank between the pieces of a key; a backslash of the keyword takes the blank's place, so
// that it sorts like a blank.
const QString kBlankInKey = QStringLiteral("``|");

// A plain-text value inside a double-quoted attribute: only the quote would end it early.
QString QuoteSafe(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return out;
}

QString LocalOf(const QString &url) { return HtmlEscape(ToSlashes(url)); }

// The lines of a text broken at CR LF, CR or LF; an empty text has none.
QStringList Lines(const QString &text)
{
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        out << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        out << text.mid(start);
    return out;
}

bool HasPage(const TContentsItem &item) { return item.Status == 0; }

// The link an entry of the contents list carries: every page, and the link-only entries that
// name a target.
bool HasLocal(const TContentsItem &item)
{
    return item.Status == 0 || (item.Status == 1 && !item.Url.isEmpty());
}

// Lines that close, open and name the levels between keyword a and keyword b.
void AppendTransition(QString &out, const QStringList &a, const QStringList &b)
{
    const qsizetype n = a.size(), m = b.size();
    qsizetype k = 0;
    while (k < n && k < m && a.at(k) == b.at(k))
        ++k;
    for (qsizetype i = 0; i < n - k - 1; ++i)
        out += QStringLiteral("</UL>") + kCrLf;
    // b goes below a's own object: open the sub-list under it before any group objects. With
    // more than one new level the groups then nest inside that list.
    if (k == n && n > 0 && m > n)
        out += QStringLiteral("<UL>") + kCrLf;
    for (qsizetype j = k; j < m - 1; ++j) {
        out += QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">") + kCrLf;
        out += SitemapParam(QStringLiteral("Name"), QuoteSafe(b.at(j))) + kCrLf;
        out += SitemapParam(QStringLiteral("See Also"), QuoteSafe(b.at(j))) + kCrLf;
        out += kObjectEnd + kCrLf;
        out += QStringLiteral("<UL>") + kCrLf;
    }
}

QByteArray Utf16(const QString &text, bool bigEndian)
{
    QByteArray out;
    out.resize(2 + text.size() * 2);
    char *d = out.data();
    d[0] = bigEndian ? '\xFE' : '\xFF';
    d[1] = bigEndian ? '\xFF' : '\xFE';
    const char16_t *s = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char hi = static_cast<char>(s[i] >> 8), lo = static_cast<char>(s[i] & 0xFF);
        d[2 + 2 * i] = bigEndian ? hi : lo;
        d[3 + 2 * i] = bigEndian ? lo : hi;
    }
    return out;
}

// The context code template with its placeholders filled in one pass, so a title that happens
// to contain a placeholder's text stays as written.
QString FillCodeTemplate(const QString &tmpl, const TContentsItem &item)
{
    struct TPlaceholder
    {
        QLatin1String name;
        QString value;
    };
    QString staticVar = QStringLiteral("CID_") + item.StaticName;
    if (item.StaticName.size() < 51)
        staticVar += QString(51 - item.StaticName.size(), QLatin1Char(' '));
    // Each placeholder stands inside one line of the programmer's code: a line break in a
    // document's text would start a line of code of its own.
    const TPlaceholder placeholders[] = {
        {QLatin1String("{%StaticVarName%}"), HhpLine(staticVar)},
        {QLatin1String("{%ContextID%}"), HhpLine(item.ContextNumber)},
        {QLatin1String("{%Title%}"), QString(std::max(item.Level - 1, 0), QLatin1Char('\t')) + HhpLine(item.Title)},
        {QLatin1String("{%FileName%}"), HhpLine(item.Url)},
        {QLatin1String("{%Tab%}"), QStringLiteral("\t")},
    };
    QString out;
    out.reserve(tmpl.size() + 64);
    qsizetype i = 0;
    while (i < tmpl.size()) {
        const qsizetype open = tmpl.indexOf(QLatin1String("{%"), i);
        if (open < 0)
            break;
        const TPlaceholder *hit = nullptr;
        for (const TPlaceholder &p : placeholders) {
            if (QStringView(tmpl).mid(open, p.name.size()).compare(p.name, Qt::CaseInsensitive) == 0) {
                hit = &p;
                break;
            }
        }
        if (!hit) {
            out += QStringView(tmpl).mid(i, open + 2 - i);
            i = open + 2;
            continue;
        }
        out += QStringView(tmpl).mid(i, open - i);
        out += hit->value;
        i = open + hit->name.size();
    }
    out += QStringView(tmpl).mid(i);
    return out;
}

} // namespace

QString SitemapParam(const QString &name, const QString &value)
{
    // One parameter is one line of the sitemap: a line break in a title would split it, and the
    // other control characters have no place in it either.
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar &c : v)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return QStringLiteral("<param name=\"") + name + QStringLiteral("\" value=\"") + v + QStringLiteral("\">");
}

QStringList KeywordLevels(const QString &keyword)
{
    QStringList levels;
    QString current;
    for (qsizetype i = 0; i < keyword.size(); ++i) {
        const QChar c = keyword.at(i);
        if (c != QLatin1Char('/')) {
            current += c;
        } else if (i + 1 < keyword.size() && keyword.at(i + 1) == QLatin1Char('/')) {
            current += c;
            ++i;
        } else {
            levels << current;
            current.clear();
        }
    }
    if (!keyword.isEmpty())
        levels << current;
    return levels;
}

int CompareKeywordKeys(const QString &a, const QString &b) { return CollationCompare(a, b); }

// --- Pages ---------------------------------------------------------------------------------------

void THtmlHelpMaker::Output()
{
    if (!Project || !Contents)
        throw Exception(QStringLiteral("The HTML Help output has no project or no contents."));
    bool anyPage = false;
    for (int i = 0; i < Contents->Count() && !anyPage; ++i)
        anyPage = HasPage(*Contents->Items(i));
    // An empty help file would compile and pass for a finished build.
    if (!anyPage)
        throw Exception(Contents->Count() == 0
                            ? QStringLiteral("The document has no headings, so there is no topic for the help file.")
                            : QStringLiteral("No heading of the document has text of its own, so there is no page for the help file."));
    // Empty pages make the help compiler crash: a template that cannot make pages is refused
    // before the folder is touched.
    CheckTemplateStream(Project->HtmlHelpTemplateStream, QStringLiteral("HTML Help"));
    TFolderGuard::CheckSaved(*Project);
    // Resolved once: the folder the guard judges is the one emptied and written below.
    ProjectFolder = ResolveOutputPath(ProjectFolder, Project->RootDir);
    TFolderGuard(*Project).CheckFolder(ProjectFolder, TGuardedOutput::HHPFolder);
    if (!ProjectFolder.endsWith(QLatin1Char('/')))
        ProjectFolder += QLatin1Char('/');

    const QFileInfo folder(ProjectFolder);
    if (folder.exists() || folder.isSymLink()) {
        if (!DeleteFolder(ProjectFolder))
            throw Exception(QStringLiteral("Cannot delete the folder \"%1\".").arg(ProjectFolder));
    }
    if (!FileSystem().MakePath(ProjectFolder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(ProjectFolder));
    if (Word)
        CopyAttachedFiles(*Word, ProjectFolder, Warnings);
    OutputPages();
}

void THtmlHelpMaker::OutputPages()
{
    TTemplate tmpl(Project->HtmlHelpTemplateStream, Project->PrevHint, Project->NextHint);
    // The title is plain text, as in the WebHelp pages.
    tmpl.ProjectTitle = HtmlEscape(Project->HtmlHelpTitleSame ? Project->Title : Project->HtmlHelpTitle);
    tmpl.Copyright = Project->CopyRight;
    tmpl.CopyAttachedFiles(ProjectFolder);
    THEADElements head;
    head.Load(Word ? GetHeadContent(Word->BeforeBody) : QString());
    tmpl.UniteHead(head);

    // A page must name the charset it is written in; an empty setting would leave the viewer
    // guessing, so it falls back to the system's own.
    QString charset = Project->HtmlHelpOutputEncoding.trimmed();
    if (charset.isEmpty())
        charset = GetCharsetByCodepage(SystemCodePage());
    if (charset.isEmpty())
        charset = QStringLiteral("utf-8");

    bool first = true;
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Items(i);
        if (!HasPage(item))
            continue;
        const QString page = SetCharset(tmpl.MakePage(item), charset);
        const QString file = ConfinePath(ProjectFolder, item.Url);
        const QString dir = QFileInfo(file).absolutePath();
        if (!QFileInfo(dir).isDir() && !FileSystem().MakePath(dir))
            throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(dir));
        if (!FileSystem().WriteFile(file, EncodePage(page, GetCodepageByCharset(charset))))
            throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(file));
        if (first) {
            Project->CHMSetting.DefaultTopic = item.Url;
            first = false;
        }
    }
}

// --- Contents and index lists --------------------------------------------------------------------

QString THtmlHelpMaker::MakeHHCList() const
{
    if (!Contents || Contents->Count() == 0)
        return QString();
    QString out = QStringLiteral("<UL>");
    int previous = Contents->Items(0)->Level;
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Items(i);
        for (int l = item.Level; l < previous; ++l)
            out += QStringLiteral("</UL>");
        for (int l = previous; l < item.Level; ++l)
            out += QStringLiteral("<UL>");
        out += kObjectStart + kCrLf;
        out += SitemapParam(QStringLiteral("Name"), QuoteSafe(HtmlUnescape(item.HTMLTitle))) + kCrLf;
        if (HasLocal(item))
            out += SitemapParam(QStringLiteral("Local"), LocalOf(item.Url)) + kCrLf;
        if (item.Icon != -1)
            out += SitemapParam(QStringLiteral("ImageNumber"), QString::number(item.Icon)) + kCrLf;
        out += kObjectEnd + kCrLf;
        previous = item.Level;
    }
    for (int l = 1; l < previous; ++l)
        out += QStringLiteral("</UL>");
    out += QStringLiteral("</UL>");
    return out;
}

QString THtmlHelpMaker::MakeHHKList() const
{
    struct TPair
    {
        QString key;
        const TContentsItem *item;
    };
    std::vector<TPair> pairs;
    if (Contents) {
        for (int i = 0; i < Contents->Count(); ++i) {
            const TContentsItem &item = *Contents->Items(i);
            if (!HasPage(item) || item.Keywords.trimmed().isEmpty())
                continue;
            for (const QString &line : Lines(item.Keywords)) {
                QString key = line.trimmed();
                if (key.isEmpty())
                    continue;
                key.replace(QLatin1Char(' '), kBlankInKey);
                key.replace(QLatin1Char('\\'), QLatin1Char(' '));
                pairs.push_back({std::move(key), &item});
            }
        }
    }
    if (pairs.empty())
        return QString();
    // Stable: topics under one keyword stay in document order.
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const TPair &a, const TPair &b) { return CompareKeywordKeys(a.key, b.key) < 0; });

    QString out = QStringLiteral("<UL>");
    QString previous;
    QStringList previousLevels;
    bool firstPair = true;
    for (const TPair &pair : pairs) {
        QString keyword = pair.key;
        keyword.replace(QLatin1Char(' '), QLatin1Char('\\'));
        keyword.replace(kBlankInKey, QStringLiteral(" "));
        const bool differs = firstPair || keyword != previous;
        const QStringList levels = KeywordLevels(keyword);
        if (!firstPair && differs)
            out += kObjectEnd;
        if (differs) {
            AppendTransition(out, previousLevels, levels);
            out += kObjectStart + kCrLf;
            out += SitemapParam(QStringLiteral("Name"), HtmlEscape(levels.isEmpty() ? QString() : levels.last())) + kCrLf;
        }
        out += SitemapParam(QStringLiteral("Name"), HtmlEscape(pair.item->Title)) + kCrLf;
        out += SitemapParam(QStringLiteral("Local"), LocalOf(pair.item->Url)) + kCrLf;
        previous = keyword;
        previousLevels = levels;
        firstPair = false;
    }
    out += kObjectEnd;
    AppendTransition(out, previousLevels, QStringList());
    out += QStringLiteral("</UL>");
    return out;
}

// --- Context-sensitive help ----------------------------------------------------------------------

void THtmlHelpMaker::MakeContextSensitive(QString &Alias, QString &Map) const
{
    Alias.clear();
    Map.clear();
    if (!Contents)
        return;
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Items(i);
        if (!HasPage(item) || item.ContextNumber.trimmed().isEmpty())
            continue;
        // Each entry is one line of the .hhp and of the .h, whatever the document's texts hold.
        const QString name = HeaderToken(item.StaticName);
        Alias += QStringLiteral("CID_") + name + QStringLiteral(" = ") + HhpLine(item.Url) + kCrLf;
        Map += QStringLiteral("#define CID_") + name + QLatin1Char(' ') + HeaderToken(item.ContextNumber) + kCrLf;
    }
}

void THtmlHelpMaker::OutputContextFile()
{
    TFolderGuard::CheckSaved(*Project);
    const QString file = Project->OutputPath(ptContextFile);
    if (file.isEmpty())
        throw Exception(QStringLiteral("No context file is set for the context-sensitive help."));
    // The context file replaces whatever is at its path: never the project or the document.
    TFolderGuard(*Project).CheckFile(file, TGuardedOutput::ContextFile);

    QStringList entries = Lines(Project->HtmlHelpContextTopCode);
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Items(i);
        if (HasPage(item))
            entries << FillCodeTemplate(Project->HtmlHelpContextCodeTemplate, item);
    }
    entries << Project->HtmlHelpContextBottomCode;
    QString text;
    for (const QString &e : entries)
        text += e + kCrLf;

    QByteArray bytes;
    switch (Project->HtmlHelpContextEncoding) {
    case 1: bytes = Utf16(text, false); break;
    case 2: bytes = Utf16(text, true); break;
    case 3: bytes = QByteArray("\xEF\xBB\xBF", 3) + text.toUtf8(); break;
    default:
        if (!CodePageCanEncode(0, text))
            Warnings.Add(QStringLiteral("The system code page cannot hold every character of the context file; they were written as \"?\"."),
                         file);
        bytes = EncodeCodePage(text, 0);
        break;
    }
    TOutputSwap own;
    TOutputSwap &swap = Swap ? *Swap : own;
    const QString staged = swap.StageFile(file, TGuardedOutput::ContextFile);
    if (!FileSystem().WriteFile(staged, bytes))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(file));
    if (!Swap)
        own.Commit(TFolderGuard(*Project));
}

// --- Project files and compile ------------------------------------------------------------------

QString THtmlHelpMaker::Make()
{
    TCHMProject chm;
    chm.Assign(Project->CHMSetting);
    chm.Folder = ProjectFolder.endsWith(QLatin1Char('/')) ? ProjectFolder : ProjectFolder + QLatin1Char('/');
    chm.SourceFolder.clear();
    const QString target = Project->OutputPath(ptCompiledFile);
    if (target.isEmpty())
        throw Exception(QStringLiteral("No compiled file is set for the HTML Help output."));
    chm.CHM = target;
    chm.TOC = MakeHHCList();
    chm.IndexList = MakeHHKList();
    MakeContextSensitive(chm.Alias, chm.Map);
    // The project files name the real help file (an old one in the folder is never packed);
    // only the compile itself writes to the private place beside it.
    chm.Output();
    TOutputSwap own;
    TOutputSwap &swap = Swap ? *Swap : own;
    chm.CHM = swap.StageFile(target, TGuardedOutput::CompiledFile);
    chm.OutputHHP(chm.Folder + chm.HHPFile);
    const QString console = chm.Compile1();
    chm.CHM = target;
    chm.OutputHHP(chm.Folder + chm.HHPFile);
    if (!Swap)
        own.Commit(TFolderGuard(*Project));
    return console;
}

} // namespace tavrel
