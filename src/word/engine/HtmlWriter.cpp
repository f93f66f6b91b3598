#include "word/engine/HtmlWriterParts.h"

#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/LanguageProcess.h"
#include "text/HTMLProcess.h"
#include "text/OutsideFiles.h"
#include "text/Round.h"
#include "text/WorkingFolder.h"
#include "word/engine/Fields.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/ShapeRender.h"
#include "word/engine/Symbols.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <map>
#include <set>

namespace tavrel::engine {

// --- escaping and encoding -------------------------------------------------------------------

QString EscapeHtml(const QString &text, bool inAttribute)
{
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"':
            if (inAttribute)
                out += QLatin1String("&quot;");
            else
                out += c;
            break;
        case 0xA0: out += QLatin1String("&nbsp;"); break;
        default: out += c;
        }
    }
    return out;
}

QByteArray EncodePage(const QString &page, int codePage)
{
    if (codePage == 65001)
        return page.toUtf8();
    const std::function<QString(char32_t)> ncr = [](char32_t c) { return QStringLiteral("&#%1;").arg(uint(c)); };
    const std::function<QString(char32_t)> css = [](char32_t c) { return QStringLiteral("\\%1 ").arg(uint(c), 0, 16).toUpper(); };
    QByteArray out;
    qsizetype pos = 0;
    for (;;) {
        qsizetype s = page.indexOf(QLatin1String("<style"), pos, Qt::CaseInsensitive);
        if (s < 0)
            break;
        qsizetype open = page.indexOf('>', s);
        qsizetype close = open < 0 ? -1 : page.indexOf(QLatin1String("</style"), open, Qt::CaseInsensitive);
        if (close < 0)
            break;
        out += EncodeCodePageEscaped(page.mid(pos, open + 1 - pos), codePage, ncr);
        out += EncodeCodePageEscaped(page.mid(open + 1, close - open - 1), codePage, css);
        pos = close;
    }
    out += EncodeCodePageEscaped(page.mid(pos), codePage, ncr);
    return out;
}

TLinkTarget ClassifyLinkTarget(const QString &target, const QString &base)
{
    TLinkTarget r;
    const QString t = target.trimmed();
    r.Address = t;
    if (t.isEmpty())
        return r;
    if (t.startsWith('#')) {
        r.Kind = TLinkTarget::TKind::Bookmark;
        return r;
    }
    if (IsScriptUrl(t)) {
        r.Kind = TLinkTarget::TKind::Script;
        return r;
    }
    int colon = t.indexOf(':');
    bool scheme = colon >= 2 && t[0].isLetter();
    for (int i = 0; scheme && i < colon; ++i)
        if (!(t[i].isLetterOrNumber() || t[i] == '+' || t[i] == '-' || t[i] == '.') || t[i].unicode() > 127)
            scheme = false;
    QString path = t;
    if (scheme) {
        r.Kind = TLinkTarget::TKind::Remote;
        if (!t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            return r;
        path = t.mid(5);
        if (path.startsWith(QLatin1String("///")))
            path = path.mid(3);
        else if (path.startsWith(QLatin1String("//")))
            return r; // a host: leave it to the browser
        path = QUrl::fromPercentEncoding(path.toUtf8());
        // A drive is told from the path itself, not from a fragment after it ("file:///#:x").
        const QString beforeFragment = path.left(path.indexOf('#'));
        if (!(beforeFragment.size() >= 2 && beforeFragment[1] == ':'))
            path = '/' + path;
    }
    r.Kind = TLinkTarget::TKind::LocalFile;
    path.replace('\\', '/');
    int hash = path.indexOf('#');
    if (hash >= 0) {
        r.Fragment = path.mid(hash);
        path = path.left(hash);
    }
    bool absolute = path.startsWith('/') || (path.size() >= 2 && path[1] == ':' && path[0].isLetter());
    if (!absolute)
        path = QDir::cleanPath(base + '/' + path);
    else if (path.startsWith('/'))
        path = QDir::cleanPath(path);
    // ".." cannot climb above the root: "/../etc" is "/etc".
    while (path.startsWith(QLatin1String("/../")))
        path = path.mid(3);
    if (path == QLatin1String("/.."))
        path = QStringLiteral("/");
    r.Path = path;
    QString address = path.startsWith('/') ? path.mid(1) : path;
    address.replace(' ', QLatin1String("%20"));
    r.Address = QStringLiteral("file:///") + address + r.Fragment;
    return r;
}

QString LinkAddress(const QString &target, const QString &base)
{
    return ClassifyLinkTarget(target, base).Address;
}

namespace html {

THtmlResult Writer::Render()
{
    convertMetafiles();
    QString body;
    body.reserve(1 << 16);
    writeBlocks(m_doc.Body.Blocks, nullptr, body, 0);
    m_fields.clear();
    writeNotes(body);

    bool commentsWithText = false;
    for (auto &[id, c] : m_doc.Comments)
        for (TParagraph *p : c->Story.Paragraphs())
            for (const auto &in : p->Inlines)
                if (in.Kind == TInlineKind::Text && !in.Text.trimmed().isEmpty())
                    commentsWithText = true;
    if (commentsWithText)
        m_doc.Warn(QStringLiteral("comments"), QStringLiteral("Comments are not written to the HTML"), QStringLiteral("word/comments.xml"));

    // The style element: the default paragraph style always, then every style used.
    QString css;
    css += QStringLiteral(" /* Style Definitions */\r\n");
    if (!m_defaultPara.isEmpty() || m_classes.empty())
        classOf(m_defaultPara), m_classTags[m_defaultPara].insert(QStringLiteral("p"));
    auto writeParaRule = [&](const QString &id) {
        auto tags = m_classTags[id];
        QString cls = m_classes.count(id) ? m_classes[id] : QString();
        QStringList selectors;
        for (const QString &t : tags) {
            if (t.endsWith('!'))
                selectors << t.chopped(1);
            else if (t == QLatin1String("p"))
                selectors << QStringLiteral("p.") + cls << QStringLiteral("li.") + cls << QStringLiteral("div.") + cls;
            else
                selectors << t + '.' + cls;
        }
        if (selectors.isEmpty())
            return;
        TParaProps pp = baseParaProps(id);
        TRunProps rp = baseRunProps(id);
        CssMap pm = cssPara(pp), rm = cssRun(rp, QString());
        CssMap decl;
        bool heading = false;
        for (const QString &t : tags)
            if (t.startsWith('h'))
                heading = true;
        for (const auto &[k, v] : pm) {
            bool always = k.startsWith(QLatin1String("margin"));
            bool isDefault = (k == QLatin1String("text-align") && v == QLatin1String("left")) ||
                             (k == QLatin1String("text-indent") && v == QLatin1String("0.0pt")) ||
                             (k == QLatin1String("line-height") && v == QLatin1String("normal")) ||
                             (k.startsWith(QLatin1String("page-break")) && v == QLatin1String("auto")) ||
                             (k.startsWith(QLatin1String("border")) && v == QLatin1String("none")) ||
                             (k == QLatin1String("padding") && v == QLatin1String("0pt 0pt 0pt 0pt")) ||
                             (k == QLatin1String("background") && v == QLatin1String("transparent"));
            if (always || !isDefault)
                decl.emplace_back(k, v);
        }
        for (const auto &[k, v] : rm) {
            bool always = k == QLatin1String("font-family") || k == QLatin1String("font-size") ||
                          (heading && (k == QLatin1String("font-weight") || k == QLatin1String("font-style")));
            bool isDefault = (k == QLatin1String("font-weight") && v == QLatin1String("normal")) ||
                             (k == QLatin1String("font-style") && v == QLatin1String("normal")) ||
                             (k == QLatin1String("text-decoration") && v == QLatin1String("none")) ||
                             (k == QLatin1String("text-transform") && v == QLatin1String("none")) ||
                             (k == QLatin1String("font-variant") && v == QLatin1String("normal")) ||
                             (k == QLatin1String("letter-spacing") && v == QLatin1String("normal")) ||
                             (k == QLatin1String("color") && v == QLatin1String("windowtext")) ||
                             (k == QLatin1String("background") && v == QLatin1String("transparent")) ||
                             (k == QLatin1String("display") && v == QLatin1String("inline")) ||
                             (k == QLatin1String("position") && v == QLatin1String("static")) ||
                             (k == QLatin1String("top") && v == QLatin1String("0pt")) ||
                             (k == QLatin1String("border") && v == QLatin1String("none"));
            if (always || !isDefault)
                decl.emplace_back(k, v);
        }
        QStringList parts;
        for (const auto &[k, v] : decl)
            parts << k + ':' + v;
        css += ' ' + selectors.join(QStringLiteral(", ")) + QStringLiteral("\r\n\t{") + parts.join(QStringLiteral(";\r\n\t")) + QStringLiteral(";}\r\n");
    };
    // Document order of the style sheet keeps the output stable.
    for (int i = 0; i < m_doc.Styles.Count(); ++i) {
        const TStyle &s = m_doc.Styles.At(i);
        if (s.Type == TStyleType::Paragraph && m_classTags.count(s.Id))
            writeParaRule(s.Id);
    }
    if (!m_doc.Styles.Find(m_defaultPara) && m_classTags.count(m_defaultPara))
        writeParaRule(m_defaultPara);
    for (int i = 0; i < m_doc.Styles.Count(); ++i) {
        const TStyle &s = m_doc.Styles.At(i);
        auto it = m_charClasses.find(s.Id);
        if (s.Type != TStyleType::Character || it == m_charClasses.end() || it->second.isEmpty())
            continue;
        CssMap rm = cssRun(m_doc.Styles.ChainRPr(s.Id), QString());
        const TRunProps &own = m_doc.Styles.ChainRPr(s.Id);
        QStringList parts;
        for (const auto &[k, v] : rm) {
            bool set = (k == QLatin1String("font-family") && own.Font) || (k == QLatin1String("font-size") && own.Size) ||
                       (k == QLatin1String("font-weight") && own.Bold) || (k == QLatin1String("font-style") && own.Italic) ||
                       (k == QLatin1String("text-decoration") && (own.Underline || own.Strike || own.DoubleStrike)) ||
                       (k == QLatin1String("text-transform") && own.Caps) || (k == QLatin1String("font-variant") && own.SmallCaps) ||
                       (k == QLatin1String("letter-spacing") && own.Spacing) || (k == QLatin1String("color") && own.Color) ||
                       (k == QLatin1String("background") && (own.Highlight || own.Shading)) ||
                       (k == QLatin1String("display") && (own.Hidden || own.WebHidden));
            if (set)
                parts << k + ':' + v;
        }
        QString selector = QStringLiteral("span.") + it->second;
        if (BuiltinHeadingLevel(s.Name) == 0 && s.Name.compare(QLatin1String("Hyperlink"), Qt::CaseInsensitive) == 0)
            selector = QStringLiteral("a:link, ") + selector;
        else if (s.Name.compare(QLatin1String("FollowedHyperlink"), Qt::CaseInsensitive) == 0)
            selector = QStringLiteral("a:visited, ") + selector;
        css += ' ' + selector + QStringLiteral("\r\n\t{") + parts.join(QStringLiteral(";\r\n\t")) + QStringLiteral(";}\r\n");
    }
    const TSectionProps &sec = m_doc.FinalSection;
    css += QStringLiteral(" @page WordSection1\r\n\t{size:%1 %2;\r\n\tmargin:%3 %4 %5 %6;}\r\n div.WordSection1\r\n\t{page:WordSection1;}\r\n")
               .arg(pt(sec.PageWidth), pt(sec.PageHeight), pt(sec.MarginTop), pt(sec.MarginRight), pt(sec.MarginBottom), pt(sec.MarginLeft));

    int cp = m_options.CodePage;
    QString charset = GetCharsetByCodepage(cp);
    if (charset.isEmpty())
        charset = QString::fromLatin1(IconvNameOfCodePage(cp)).toLower();
    if (charset.isEmpty())
        charset = QStringLiteral("windows-%1").arg(cp);
    QString lang = m_doc.Styles.DocRPr.Lang.value_or(m_doc.DefaultLanguage).toUpper();
    const TStyle *link = m_doc.Styles.FindByName(QStringLiteral("Hyperlink"));
    const TStyle *followed = m_doc.Styles.FindByName(QStringLiteral("FollowedHyperlink"));
    QString linkColor = link && link->RPr.Color ? cssColor(*link->RPr.Color) : QString();
    QString vlinkColor = followed && followed->RPr.Color ? cssColor(*followed->RPr.Color) : QString();

    // Head, body and tail are encoded one by one, so that a large page is never held twice.
    QString head = QStringLiteral("<html>\r\n\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; charset=") + charset +
                   QStringLiteral("\">\r\n<style>\r\n<!--\r\n") + css + QStringLiteral("-->\r\n</style>\r\n\r\n</head>\r\n\r\n") +
                   QStringLiteral("<body lang=") + EscapeHtml(lang, true) + QStringLiteral(" link=") +
                   (linkColor.isEmpty() ? QStringLiteral("blue") : QString('"' + linkColor + '"')) + QStringLiteral(" vlink=") +
                   (vlinkColor.isEmpty() ? QStringLiteral("purple") : QString('"' + vlinkColor + '"')) +
                   QStringLiteral(">\r\n\r\n<div class=WordSection1>\r\n\r\n");
    const QString tail = QStringLiteral("\r\n</div>\r\n\r\n</body>\r\n\r\n</html>\r\n");

    THtmlResult result;
    result.Bytes = EncodePage(head, cp);
    result.Bytes += EncodePage(body, cp);
    result.Bytes += EncodePage(tail, cp);
    if (m_options.KeepPage)
        result.Page = head + body + tail;
    result.FolderName = m_folder;
    result.Pictures = std::move(m_pictures);
    return result;
}

} // namespace html

using html::Writer;


THtmlResult RenderFilteredHtml(TDocument &doc, const QString &pageName, const THtmlOptions &options)
{
    Writer w(doc, pageName, options);
    THtmlResult r = w.Render();
    doc.FlushWarnings();
    return r;
}

void WriteFilteredHtml(TDocument &doc, const QString &path, const THtmlOptions &options)
{
    QFileInfo fi(path);
    THtmlOptions o = options;
    o.KeepPage = false;
    THtmlResult r = RenderFilteredHtml(doc, fi.fileName(), o);
    auto fail = [&](const QString &what) {
        throw Exception(QStringLiteral("The web page \"%1\" cannot be written: %2.").arg(path, what));
    };
    QDir dir = fi.absoluteDir();
    if (!dir.exists())
        fail(QStringLiteral("its folder does not exist"));
    if (!r.Pictures.empty()) {
        // The folder suffix comes from the caller's options: it must not lead elsewhere.
        QString folder;
        try {
            folder = ConfinePath(dir.absolutePath(), r.FolderName);
        } catch (const Exception &e) {
            fail(e.Message());
        }
        if (!FileSystem().MakePath(folder))
            fail(QStringLiteral("the picture folder cannot be created"));
        for (const auto &pic : r.Pictures)
            if (!FileSystem().WriteFile(QDir(folder).filePath(pic.FileName), pic.Data))
                fail(QStringLiteral("the picture \"%1\" cannot be written").arg(pic.FileName));
    }
    if (!FileSystem().WriteFile(path, r.Bytes))
        fail(QStringLiteral("the file cannot be written"));
}

} // namespace tavrel::engine
