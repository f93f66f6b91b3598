#include "output/Webhelp.h"

#include "output/Template.h"
#include "output/TemplateEngine.h"
#include "output/WebHelpInterface.h"
#include "project/Contents.h"
#include "project/ConvertedDocument.h"
#include "project/FolderGuard.h"
#include "project/OutputSwap.h"
#include "project/ProjectSetting.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/InstallFolder.h"
#include "text/Messages.h"
#include "text/StringList.h"
#include "text/TagScanner.h"
#include "text/functions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace tavrel {

namespace {

const QString kCRLF = QStringLiteral("\r\n");
const auto ci = Qt::CaseInsensitive;

// A colour setting goes into style rules and attributes of the frame pages: only the characters
// of colour names, "#rrggbb" and functional notations are let through, so a value from a
// project file cannot close the element it stands in.
QString safeColor(const QString &value)
{
    QString out;
    for (QChar c : value) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            out += c;
        else if (QStringLiteral("#(),.% ").contains(c))
            out += c;
    }
    return out;
}

// The keyword index key of a line: blanks become "``|", then backslashes blanks.
QString keywordKey(const QString &line)
{
    QString key = line;
    key.replace(QLatin1Char(' '), QLatin1String("``|"));
    key.replace(QLatin1Char('\\'), QLatin1Char(' '));
    return key;
}

QString keyToKeyword(const QString &key)
{
    QString kw = key;
    kw.replace(QLatin1Char(' '), QLatin1Char('\\'));
    kw.replace(QLatin1String("``|"), QLatin1String(" "));
    return kw;
}

// The levels of a keyword: its parts between "/", "//" standing for a literal "/".
QStringList keywordLevels(const QString &keyword)
{
    QStringList levels;
    QString cur;
    for (qsizetype i = 0; i < keyword.size(); ++i) {
        const QChar c = keyword[i];
        if (c == QLatin1Char('/')) {
            if (i + 1 < keyword.size() && keyword[i + 1] == QLatin1Char('/')) {
                cur += QLatin1Char('/');
                ++i;
            } else {
                levels << cur;
                cur.clear();
            }
        } else {
            cur += c;
        }
    }
    levels << cur;
    return levels;
}

// True when position pos of text lies inside a script element.
bool insideScript(const QString &text, qsizetype pos)
{
    const qsizetype open = text.lastIndexOf(QLatin1String("<script"), pos, ci);
    if (open < 0)
        return false;
    const qsizetype close = text.lastIndexOf(QLatin1String("</script"), pos, ci);
    return close < open;
}

void writeUtf8(const QString &file, const QByteArray &bytes)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo(folder).isDir() && !FileSystem().MakePath(folder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
    if (!FileSystem().WriteFile(file, bytes))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(file));
}

} // namespace

TWebHelp::TWebHelp(TProject *Project_, TContentsItems *Contents_, const TConvertedDocument *Word_)
    : Project(Project_), Contents(Contents_), Word(Word_)
{
    CDir = GetInstallFolder();
    Title = Project->WebHelpTilteSame ? Project->Title : Project->WebHelpTitle;
}

QString TWebHelp::Extension() const
{
    return Project->WebHelpExtension == 1 ? QStringLiteral(".html") : QStringLiteral(".htm");
}

QString TWebHelp::Output()
{
    // The navigation builders start from the first entry; without one the pages would be
    // broken, so nothing is deleted or written.
    if (!Contents || Contents->Count() == 0)
        throw Exception(QStringLiteral("The document has no headings: WebHelp needs at least one topic."));
    CheckTemplateStream(Project->WebHelpTemplateStream, QStringLiteral("WebHelp"));

    // Resolved once, links followed: the folder the guard judges is the one replaced.
    QString target = Project->OutputPath(ptWebHelpFolder);
    if (!target.isEmpty() && !target.endsWith(QLatin1Char('/')))
        target += QLatin1Char('/');
    TFolderGuard(*Project).CheckFolder(target, TGuardedOutput::WebHelpFolder);
    // Written privately: the old folder stays whole until the new one is.
    TOutputSwap own;
    OutFolder = (Swap ? *Swap : own).StageFolder(target, TGuardedOutput::WebHelpFolder);

    if (Word)
        CopyAttachedFiles(*Word, OutFolder + QStringLiteral("pages/"), Warnings);
    OutputPages();
    CopyIcon();

    static const char *const kFramePages[] = {
        "index.htm", "indexh.htm", "webhelpframe.htm", "webhelptop.htm", "webhelptoph.htm", "webhelpcontents.htm",
        "webhelplefth.htm", "webhelpsearch.htm", "webhelpbookmark.htm", "webhelpleft.htm", "webhelptoolbar.htm",
    };
    for (const char *name : kFramePages)
        outFiles(QString::fromLatin1(name));

    // The index page.
    QString index = readInstalled(QStringLiteral("webhelpindex.htm"));
    if (!index.isEmpty()) {
        if (Project->WebHelpExtension == 1)
            index.replace(QStringLiteral(".htm"), QStringLiteral(".html"), ci);
        if (!Project->ShowIndex)
            index = RemoveBetween(index, QStringLiteral("<!--BEGINBAR-->"), QStringLiteral("<!--ENDBAR-->"));
        index.replace(QStringLiteral("($PROJECTTITLE$)"), HtmlEscape(Title), ci);
        index.replace(QStringLiteral("($INDEXLIST$)"), MakeIndexForWeb(), ci);
        index.replace(QStringLiteral("($BACKCOLOR$)"), safeColor(Project->WebBackColor), ci);
        savePage(index, OutFolder + QStringLiteral("webhelpindex") + Extension());
    }

    WriteTextFile(MakeLanguageJS(), OutFolder + QStringLiteral("languages.js"), 1);
    GetTextsForSearch();
    WriteTextFile(OutputSearchJS(), OutFolder + QStringLiteral("data.js"), 1);

    const QString web = CDir + QStringLiteral("webhelp/");
    makeFolder(OutFolder + QStringLiteral("images"));
    for (const char *pic : {"showall.gif", "hideall.gif", "previous.gif", "next.gif", "print.gif"}) {
        const QString name = QString::fromLatin1(pic);
        copyIfExists(web + QStringLiteral("images/") + name, OutFolder + QStringLiteral("images/") + name);
    }
    copyIfExists(web + QStringLiteral("style.css"), OutFolder + QStringLiteral("style.css"));
    if (Project->WebBackground >= 0)
        copyIfExists(web + QStringLiteral("bg/back%1.jpg").arg(Project->WebBackground), OutFolder + QStringLiteral("back.jpg"));

    if (!Swap)
        own.Commit(TFolderGuard(*Project));
    OutFolder = target;
    return Project->ViewCompiledFile ? OutFolder + QStringLiteral("index") + Extension() : QString();
}

void TWebHelp::copyIfExists(const QString &from, const QString &to)
{
    // A file the installation lacks is left out; one that cannot be copied breaks the pages.
    if (!QFileInfo(from).isFile())
        return;
    if (!FileSystem().CopyFile(from, to))
        throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".").arg(from, to));
}

void TWebHelp::makeFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir() && !FileSystem().MakePath(folder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
}

// A frame page is part of a whole: one that cannot be written fails the output rather than
// being saved somewhere else.
void TWebHelp::savePage(const QString &page, const QString &file) { WriteTextFile(page, file, GetPageEncoding(page)); }

void TWebHelp::OutputPages()
{
    const QString pagesDir = OutFolder + QStringLiteral("pages/");
    makeFolder(pagesDir);

    TTemplate tpl(Project->WebHelpTemplateStream, Project->PrevHint, Project->NextHint);
    // The project title is plain text; the copyright line is HTML of the author's.
    tpl.ProjectTitle = HtmlEscape(Title);
    tpl.Copyright = Project->CopyRight;
    tpl.CopyAttachedFiles(pagesDir);
    THEADElements head;
    head.Load(Word ? GetHeadContent(Word->BeforeBody) : QString());
    tpl.UniteHead(head);

    const QString E = Extension();
    DefaultPage.clear();
    bool first = true;
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Items(i);
        if (item.Status != 0)
            continue;
        QString page = tpl.MakePage(item);
        page = InsertAfterBody(page, SyncScript(i, item.Url, E) + AnnounceScript());
        page = MarkLocalFile(page);
        page = SetCharset(page, QStringLiteral("utf-8"));
        // The page name comes from the document: it must stay inside the page folder.
        const QString file = ConfinePath(OutFolder + QStringLiteral("pages"), item.Url);
        // QString::toUtf8 sizes its buffer as it goes, so pages of three-byte characters come
        // out whole.
        writeUtf8(file, page.toUtf8());
        if (first) {
            DefaultPage = item.Url;
            first = false;
        }
    }
}

QString TWebHelp::SyncScript(int i, const QString &Url, const QString &E)
{
    const int depth = static_cast<int>(ToSlashes(Url).count(QLatin1Char('/')));
    const QString toIndex = QStringLiteral("../").repeated(depth + 1) + QStringLiteral("index") + E;
    QString s;
    s += QStringLiteral("<script language=\"JavaScript\" type=\"text/JavaScript\">") + kCRLF;
    s += QStringLiteral("function syn(){") + kCRLF;
    s += QStringLiteral("if(parent.nav.tree){") + kCRLF;
    s += QStringLiteral(" if(parent.nav.tree.loaded){") + kCRLF;
    s += QStringLiteral("  parent.nav.tree.selectNode(%1);").arg(i) + kCRLF;
    s += QStringLiteral(" }else{") + kCRLF;
    s += QStringLiteral("  setTimeout(\"syn()\",500);") + kCRLF;
    s += QStringLiteral("}") + kCRLF;
    s += QStringLiteral("  }else{") + kCRLF;
    s += QStringLiteral("  setTimeout(\"syn()\",500);") + kCRLF;
    s += QStringLiteral("  }}") + kCRLF;
    s += QStringLiteral("if(parent!=self){") + kCRLF;
    s += QStringLiteral("  setTimeout(\"syn()\",100);") + kCRLF;
    s += QStringLiteral("}else{") + kCRLF;
    s += QStringLiteral("  parent.location.href = \"") + toIndex + QStringLiteral("#page=") + UrlEncodeQuery(ToSlashes(Url)) +
         QStringLiteral("\";") + kCRLF;
    s += QStringLiteral("}") + kCRLF;
    s += QStringLiteral("originalOnload = window.onload;") + kCRLF;
    s += QStringLiteral("if(originalOnload==null){") + kCRLF;
    s += QStringLiteral("window.onload = function(){parent.contentLoaded = true;};") + kCRLF;
    s += QStringLiteral("}else{") + kCRLF;
    s += QStringLiteral("window.onload = function(){originalOnload();parent.contentLoaded = true;};") + kCRLF;
    s += QStringLiteral("}") + kCRLF;
    s += QStringLiteral("</script> ") + kCRLF;
    return s;
}

QString TWebHelp::AnnounceScript()
{
    return QStringLiteral("<script>if(parent!=self){try{parent.postMessage({webhelp:1,t:\"topic\",href:location.href},\"*\");}catch(e){}}</script>") +
           kCRLF;
}

QString TWebHelp::InsertAfterBody(const QString &page, const QString &text)
{
    for (TLooseTag t = NextLooseTag(page, 0); t.lt >= 0; t = NextLooseTag(page, t.gt + 1))
        if (t.Is(QLatin1StringView("body")))
            return page.left(t.gt + 1) + text + page.mid(t.gt + 1);
    return text + page;
}

QString TWebHelp::MarkLocalFile(const QString &page)
{
    static const QString mark = QStringLiteral("<!-- saved from url=(0014)about:internet -->");
    const qsizetype at = page.indexOf(QLatin1String("<!DOCTYPE"), 0, ci);
    if (at >= 0) {
        const qsizetype gt = page.indexOf(QLatin1Char('>'), at);
        if (gt >= 0) {
            const QString tag = page.mid(at, gt - at + 1);
            QString out = page;
            out.replace(tag, tag + kCRLF + mark);
            return out;
        }
    }
    return QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">") + kCRLF + mark + kCRLF + page;
}

QString TWebHelp::readInstalled(const QString &Name)
{
    const QString file = CDir + QStringLiteral("webhelp/") + Name;
    if (!QFileInfo(file).isFile()) {
        // The text reader's error box: the page is left out and the build goes on.
        const QString msg = QStringLiteral("Cannot open file \"%1\".").arg(file);
        Messages().ShowError(msg);
        Warnings.Add(QStringLiteral("The installation file is missing; the page was not written."), file);
        return QString();
    }
    const QString text = LoadTextFile(file);
    if (text.isEmpty())
        Warnings.Add(QStringLiteral("The installation file could not be read or is empty; the page was not written."), file);
    return text;
}

QString TWebHelp::fillCommon(QString text)
{
    if (Project->WebHelpExtension == 1)
        text.replace(QStringLiteral(".htm"), QStringLiteral(".html"), ci);
    text.replace(QStringLiteral("($PROJECTTITLE$)"), HtmlEscape(Title), ci);

    // The default page stands in a script string on the root page and in a frame address on
    // the static frameset: each place gets the form it can carry.
    static const QString placeholder = QStringLiteral("($DEFAULTPAGE$)");
    const QString scriptForm = EscapeScriptString(ToSlashes(DefaultPage));
    const QString addressForm = HtmlEscape(UrlEncodePath(ToSlashes(DefaultPage)));
    for (qsizetype at = text.indexOf(placeholder, 0, ci); at >= 0; at = text.indexOf(placeholder, at, ci)) {
        const QString &by = insideScript(text, at) ? scriptForm : addressForm;
        text.replace(at, placeholder.size(), by);
        at += by.size();
    }

    text.replace(QStringLiteral("($NAVWIDTH$)"), QString::number(Project->NavWidth), ci);
    text.replace(QStringLiteral("($BACKCOLOR$)"), safeColor(Project->WebBackColor), ci);
    text.replace(QStringLiteral("($FONTCOLOR$)"), safeColor(Project->WebFontColor), ci);
    text.replace(QStringLiteral("($TOCBACKCOLOR$)"), safeColor(Project->TOCBackColor), ci);
    return text;
}

void TWebHelp::outFiles(const QString &Name)
{
    QString text = readInstalled(Name);
    if (text.isEmpty())
        return;
    text = fillCommon(text);
    if (Name.compare(QLatin1String("webhelpcontents.htm"), ci) == 0)
        text.replace(QStringLiteral("($NAVIGATION$)"), MakeJs(), ci);
    else if (Name.compare(QLatin1String("webhelplefth.htm"), ci) == 0)
        text.replace(QStringLiteral("($NAVIGATION$)"), MakeHTML(), ci);
    if (!Project->ShowIndex)
        text = RemoveBetween(text, QStringLiteral("<!--BEGINBAR-->"), QStringLiteral("<!--ENDBAR-->"));
    if (Project->WebBackground == 0)
        text.replace(QStringLiteral(" background=\"back.jpg\""), QString(), ci);
    if (!Project->ShowIndex)
        text.replace(QStringLiteral("//document"), QStringLiteral("document"), ci);

    QString file = OutFolder + Name;
    if (Project->WebHelpExtension != 0)
        file = OutFolder + QFileInfo(Name).completeBaseName() + QStringLiteral(".html");
    savePage(text, file);
}

std::pair<QString, QString> TWebHelp::IconArray(int Icon, bool IsFolder) const
{
    const auto g = [](int n) -> QString { return QString::number(n) + QStringLiteral(".gif"); };
    if (Project->RealColorIcon)
        return IsFolder ? std::pair{g(1), g(2)} : std::pair{g(11), g(11)};
    if (IsFolder) {
        if (Icon >= 1 && Icon <= 8)
            return Icon % 2 ? std::pair{g(Icon), g(Icon + 1)} : std::pair{g(Icon - 1), g(Icon)};
        if (Icon > 8)
            return {g(Icon), g(Icon)};
        if (Icon == 0)
            return {g(1), g(2)};
        return {g(5), g(6)};
    }
    if (Icon > 0)
        return {g(Icon), g(Icon)};
    if (Icon == 0)
        return {g(9), g(9)};
    return {g(11), g(11)};
}

void TWebHelp::CopyIcon()
{
    const QString web = CDir + QStringLiteral("webhelp/");
    const QString icons = OutFolder + QStringLiteral("icons/");
    makeFolder(icons);
    const auto copyAll = [&](const QString &from) {
        QStringList names = QDir(from).entryList(QDir::Files, QDir::Name);
        for (const QString &n : names)
            copyIfExists(from + n, icons + n);
    };
    copyAll(web + QStringLiteral("imgs/"));
    if (Project->RealColorIcon) {
        copyAll(web + QStringLiteral("ricons/"));
        return;
    }
    QSet<int> done;
    const auto copyOne = [&](int n) {
        if (done.contains(n))
            return;
        done.insert(n);
        const QString name = QString::number(n) + QStringLiteral(".gif");
        copyIfExists(web + QStringLiteral("icons/") + name, icons + name);
    };
    for (int i = 0; i < Contents->Count(); ++i) {
        const int n = Contents->Items(i)->Icon;
        copyOne(n);
        if (n >= 1 && n <= 8)
            copyOne(n % 2 ? n + 1 : n - 1);
    }
    // The icons the tree falls back to for items without one of their own.
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Items(i);
        const auto [closed, open] = IconArray(item.Icon, item.HasChildNode);
        copyOne(closed.chopped(4).toInt());
        copyOne(open.chopped(4).toInt());
    }
}

QString TWebHelp::MakeJs() { return makeTree(false); }

QString TWebHelp::MakeHTML() { return makeTree(true); }

QString TWebHelp::makeTree(bool staticTree)
{
    const bool lines = Project->DrawLines;
    static const QString junctionLines[4] = {QStringLiteral("downangle.gif"), QStringLiteral("tshaped.gif"),
                                             QStringLiteral("upangle.gif"), QStringLiteral("sline.gif")};
    static const QString plusLines[4] = {QStringLiteral("daplus.gif"), QStringLiteral("tplus.gif"),
                                         QStringLiteral("uaplus.gif"), QStringLiteral("splus.gif")};
    const QString blank = QStringLiteral("blank.gif");
    const QString plain = QStringLiteral("plus.gif");

    QString out = QStringLiteral("<script>SetEnv(") + (lines ? QStringLiteral("0") : QStringLiteral("1")) +
                  (Project->AutoCollapse ? QStringLiteral(",true)</script>") : QStringLiteral(",false)</script>"));
    if (Contents->Count() == 0)
        return out;
    const int firstIndent = Project->StartFromRoot ? 1 : 2;
    int prev = Contents->Items(0)->Level;
    QStringList divs;
    // Whether a later sibling follows, per level, as the walk last saw it.
    std::vector<bool> follows;

    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &it = *Contents->Items(i);
        const int L = it.Level;
        if (L >= 0) {
            if (static_cast<size_t>(L) >= follows.size())
                follows.resize(static_cast<size_t>(L) + 1, false);
            follows[static_cast<size_t>(L)] = !it.LastInTheSameLevel;
        }
        const auto [closed, open] = IconArray(it.Icon, it.HasChildNode);
        const int pos = (i == 0 && it.LastInTheSameLevel) ? 3 : it.LastInTheSameLevel ? 2 : i == 0 ? 0 : 1;
        const QString si = QString::number(i);

        QString junction;
        if (Project->StartFromRoot || L > 1) {
            if (it.HasChildNode) {
                junction = (staticTree ? QStringLiteral("<a href=\"#\">")
                                       : QStringLiteral("<a href=\"#\" onClick=\"return NodeClick('") + si + QStringLiteral("')\">")) +
                           QStringLiteral("<img id=\"imgn") + si + QStringLiteral("\" src=\"icons/") +
                           (lines ? plusLines[pos] : plain) + QStringLiteral("\" class=\"p\"></a>");
            } else {
                junction = QStringLiteral("<img src=\"icons/") + (lines ? junctionLines[pos] : blank) + QStringLiteral("\" class=\"p\">");
            }
        }

        QString target;
        if (!it.Accessible && it.Url.contains(QLatin1Char(':')))
            target = ToSlashes(it.Url);
        else if (it.Status == 2)
            target = QStringLiteral("#");
        else
            target = QStringLiteral("pages/") + ToSlashes(it.Url);
        // Page names come from the document: escaped, a quote in one cannot leave the attribute.
        target = HtmlEscape(target);
        const QString t = HtmlEscape(it.Title);
        const QString span = QStringLiteral(" <span id=\"l") + si + QStringLiteral("\" class=\"unselected\">") + t + QStringLiteral("</span></a>");

        QString link;
        if (staticTree) {
            const QString img = it.HasChildNode ? QString(QStringLiteral("<img id=\"img") + si + QStringLiteral("\" src=\"icons/") + open + QStringLiteral("\" class=\"p\">"))
                                                : QString(QStringLiteral("<img src=\"icons/") + closed + QStringLiteral("\" class=\"p\">"));
            link = QStringLiteral("<a href=\"") + target + QStringLiteral("\" target=\"content\" title=\"") + t + QStringLiteral("\">") + img + span;
        } else {
            const QString status = QStringLiteral(" onmousemove=\"window.status='") + EscapeScriptString(t) + QStringLiteral("'\">");
            if (it.HasChildNode) {
                link = QStringLiteral("<a href=\"") + target + QStringLiteral("\" onclick=\"return LinkClick('") + si +
                       QStringLiteral("',true,") + (target == QLatin1String("#") ? QStringLiteral("false") : QStringLiteral("true")) +
                       QStringLiteral(")\" onDblClick=\"return LinkDblClick('") + si + QStringLiteral("')\" target=\"content\" title=\"") + t +
                       QStringLiteral("\"") + status + QStringLiteral("<img id=\"img") + si + QStringLiteral("\" src=\"icons/") + closed +
                       QStringLiteral("\" class=\"p\">") + span;
            } else {
                link = QStringLiteral("<a href=\"") + target + QStringLiteral("\" onclick=\"return LinkClick('") + si +
                       QStringLiteral("',false,true)\" target=\"content\" title=\"") + t + QStringLiteral("\"") + status +
                       QStringLiteral("<img src=\"icons/") + closed + QStringLiteral("\" class=\"p\">") + span;
            }
        }

        if (L < prev)
            out += QStringLiteral("</div>").repeated(prev - L);
        if (L > prev) {
            const QString d = QString::number(i - 1);
            for (int k = 0; k < L - prev; ++k) {
                out += staticTree ? QStringLiteral("<div id=\"d") + d + QStringLiteral("\">")
                                  : QStringLiteral("<div id=\"d") + d + QStringLiteral("\" style=\"display:none\">");
                divs << d;
            }
        }
        out += QStringLiteral("<div><nobr>");
        for (int lv = firstIndent; lv < L; ++lv) {
            const bool f = lv >= 0 && static_cast<size_t>(lv) < follows.size() && follows[static_cast<size_t>(lv)];
            out += QStringLiteral("<img src=\"icons/") + (lines && f ? QStringLiteral("line.gif") : blank) + QStringLiteral("\" class=\"p\">");
        }
        out += junction + link + QStringLiteral("</nobr></div>") + kCRLF;
        prev = L;
    }
    if (prev > 1)
        out += QStringLiteral("</div>").repeated(prev - 1);
    if (!staticTree)
        out += QStringLiteral("<script>divlist = [") + divs.join(QLatin1Char(',')) + QStringLiteral("]</script>");
    return out;
}

QString TWebHelp::MakeIndexForWeb()
{
    struct TPair
    {
        QString key;
        const TContentsItem *item;
    };
    std::vector<TPair> pairs;
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem *item = Contents->Items(i);
        if (item->Status != 0 || item->Keywords.trimmed().isEmpty())
            continue;
        const QStringList lines = item->Keywords.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        for (const QString &line : lines) {
            const QString kw = line.trimmed();
            if (!kw.isEmpty())
                pairs.push_back({keywordKey(kw), item});
        }
    }
    if (pairs.empty())
        return QString();
    // One fixed collation, topics of one keyword in document order, so builds are repeatable.
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const TPair &a, const TPair &b) { return CollationCompare(a.key, b.key) < 0; });

    static const QString N1 = QStringLiteral("<option value=\"writepage([");
    static const QString N2 = QStringLiteral("]);\">");
    const QString nbsp = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");
    QString out;
    QString prevKeyword;
    QStringList prevLevels;
    const auto close = [&](const QStringList &levels) {
        out += N2 + nbsp.repeated(static_cast<int>(levels.size()) - 1) + HtmlEscape(levels.last()) + QStringLiteral("</option>");
    };
    for (size_t k = 0; k < pairs.size(); ++k) {
        const QString keyword = keyToKeyword(pairs[k].key);
        const bool same = k > 0 && keyword == prevKeyword;
        if (!same) {
            if (k > 0)
                close(prevLevels);
            const QStringList levels = keywordLevels(keyword);
            qsizetype common = 0;
            while (common < levels.size() && common < prevLevels.size() && levels[common] == prevLevels[common])
                ++common;
            // Group rows for the levels above the last one that the previous keyword lacks; the
            // levels are text of the document, escaped like the keyword rows.
            for (qsizetype j = common; j + 1 < levels.size(); ++j)
                out += QStringLiteral("<option>") + HtmlEscape(levels[j]) + QStringLiteral("</option>") + kCRLF;
            out += N1;
            prevLevels = levels;
        } else {
            out += QLatin1Char(',');
        }
        // The page name is escaped like the title: a quote in it would end the string early.
        out += QStringLiteral("['") + EscapeScriptString(HtmlEscape(pairs[k].item->Title)) + QStringLiteral("','pages/") +
               EscapeScriptString(HtmlEscape(ToSlashes(pairs[k].item->Url))) + QStringLiteral("']");
        prevKeyword = keyword;
    }
    close(prevLevels);
    return out;
}

QString TWebHelp::PlainTextForSearch(const QString &html)
{
    QString out;
    out.reserve(html.size());
    // Text before the first tag and inside script, title and style elements is not searched;
    // a paragraph, line break, list or cell leaves one "`" mark between words.
    bool skip = true;
    const auto lastIsMark = [&] { return !out.isEmpty() && out.back() == QLatin1Char('`'); };
    for (qsizetype pos = 0;;) {
        const TLooseTag t = NextLooseTag(html, pos);
        qsizetype textEnd = html.indexOf(QLatin1Char('<'), pos);
        if (textEnd < 0)
            textEnd = html.size();
        for (qsizetype i = pos; !skip && i < textEnd; ++i) {
            const QChar c = html[i];
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char(' ')) {
                if (!lastIsMark())
                    out += QLatin1Char(' ');
            } else {
                out += c;
            }
        }
        if (t.lt < 0)
            break;
        skip = t.Is(QLatin1StringView("script")) || t.Is(QLatin1StringView("title")) || t.Is(QLatin1StringView("style"));
        for (const char *mark : {"p", "br", "ul", "ol", "/li", "td"})
            if (t.Is(QLatin1StringView(mark)) && !lastIsMark()) {
                out += QLatin1Char('`');
                break;
            }
        pos = t.gt + 1;
    }
    return HtmlUnescape(out);
}

void TWebHelp::GetTextsForSearch()
{
    Texts.clear();
    Texts.reserve(static_cast<size_t>(Contents->Count()));
    for (int i = 0; i < Contents->Count(); ++i) {
        const TContentsItem &item = *Contents->Items(i);
        auto rec = std::make_unique<TTextForWeb>();
        rec->Text = PlainTextForSearch(item.Content);
        rec->Title = item.Title;
        rec->url = QStringLiteral("pages\\") + item.Url;
        Texts.push_back(std::move(rec));
    }
}

QString TWebHelp::SearchString(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '`': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\n"); break;
        case '\n': out += QLatin1String("\\r"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\'': out += QLatin1String("\\'"); break;
        // Line and paragraph separators end a script string in older engines.
        case 0x2028: out += QLatin1String("\\u2028"); break;
        case 0x2029: out += QLatin1String("\\u2029"); break;
        default: out += c; break;
        }
    }
    return out;
}

QString TWebHelp::OutputSearchJS()
{
    QString out = QStringLiteral("var contents = new Array(");
    bool first = true;
    for (const auto &rec : Texts) {
        if (!first)
            out += QLatin1Char(',');
        first = false;
        out += QLatin1Char('"') + SearchString(rec->Text) + QStringLiteral("\",\"") + SearchString(rec->Title) +
               QStringLiteral("\",\"") + SearchString(rec->url) + QLatin1Char('"');
    }
    out += QStringLiteral(");");
    return out;
}

QString TWebHelp::MakeLanguageJS()
{
    TWebHelpInterfaceLanguage lang(CDir + QStringLiteral("webhelp/languages.txt"));
    lang.Dictionary = &Project->WebHelpDictionary;
    return lang.GetLanguageJS();
}

} // namespace tavrel
