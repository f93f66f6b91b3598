#include "word/engine/HtmlWriter.h"

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

namespace {

using CssMap = std::vector<std::pair<QString, QString>>;

QString num(double v)
{
    double r = std::round(v * 100) / 100;
    if (r == std::round(r))
        return QString::number(r, 'f', 1);
    QString s = QString::number(r, 'f', 2);
    if (s.endsWith('0'))
        s.chop(1);
    return s;
}

QString pt(double twips) { return num(twips / 20.0) + QStringLiteral("pt"); }
int px(double twips) { return int(RoundHalfEven(twips / 15.0)); }
int pxEmu(qint64 emu) { return int(RoundHalfEven(double(emu) / 9525.0)); }

QString cssColor(const QString &hex)
{
    if (hex.isEmpty() || hex.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
        return QString();
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    if (re.match(hex).hasMatch())
        return '#' + hex.toUpper();
    return QString();
}

QString highlightColor(const QString &name)
{
    static const QHash<QString, QString> map = {
        {"yellow", "yellow"}, {"green", "lime"}, {"cyan", "aqua"}, {"magenta", "fuchsia"}, {"blue", "blue"},
        {"red", "red"}, {"darkBlue", "navy"}, {"darkCyan", "teal"}, {"darkGreen", "green"},
        {"darkMagenta", "purple"}, {"darkRed", "maroon"}, {"darkYellow", "olive"}, {"darkGray", "gray"},
        {"lightGray", "silver"}, {"black", "black"}, {"white", "white"}};
    return map.value(name);
}

QString cssBorder(const std::optional<TBorder> &b)
{
    if (!b || b->None())
        return QStringLiteral("none");
    QString style = QStringLiteral("solid");
    const QString &s = b->Style;
    if (s == QLatin1String("double") || s.startsWith(QLatin1String("triple")))
        style = QStringLiteral("double");
    else if (s == QLatin1String("dotted"))
        style = QStringLiteral("dotted");
    else if (s.startsWith(QLatin1String("dash")))
        style = QStringLiteral("dashed");
    else if (s == QLatin1String("outset") || s == QLatin1String("inset"))
        style = s;
    QString color = cssColor(b->Color);
    if (color.isEmpty())
        color = QStringLiteral("windowtext");
    double width = std::max(0.5, b->Size / 8.0);
    return style + ' ' + color + ' ' + num(width) + QStringLiteral("pt");
}

QString cssGet(const CssMap &m, const QString &key)
{
    for (const auto &p : m)
        if (p.first == key)
            return p.second;
    return QString();
}

QString cssJoin(const CssMap &m)
{
    QStringList parts;
    for (const auto &[k, v] : m)
        parts << k + ':' + v;
    return parts.join(';');
}

// Declarations of full whose value differs from base's.
CssMap cssDiff(const CssMap &full, const CssMap &base)
{
    CssMap out;
    for (const auto &[k, v] : full)
        if (cssGet(base, k) != v)
            out.emplace_back(k, v);
    return out;
}

// Quotes in an attribute written with single quotes.
QString attrSingle(const QString &s)
{
    QString out = EscapeHtml(s, false);
    out.replace('\'', QLatin1String("&#39;"));
    return out;
}

bool isEastAsian(QChar c)
{
    ushort u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7AF) || (u >= 0xF900 && u <= 0xFAFF) ||
           (u >= 0xFF00 && u <= 0xFFEF);
}

QString sniffExtension(const QByteArray &d);

struct CellContext
{
    TParaProps PPr; // the table style's paragraph formatting for this cell
    TRunProps RPr;
};

struct FieldState
{
    const TFieldInfo *Info = nullptr;
    bool InCode = true;
    QString Code;
    bool LinkOpen = false;
    QString OpenTag;
};

struct Piece
{
    bool Raw = false;
    QString Html;
    QString Class, Style;
    int VertAlign = 0; // 1 superscript, 2 subscript
};

class Writer
{
public:
    Writer(TDocument &doc, const QString &pageName, const THtmlOptions &o) : m_doc(doc), m_options(o), m_lists(doc.Numbering, &doc.Styles)
    {
        m_folder = QFileInfo(pageName).completeBaseName() + o.FolderSuffix;
        m_defaultPara = m_doc.Styles.DefaultStyleId(TStyleType::Paragraph);
    }

    THtmlResult Render();

private:
    // styles
    TParaProps baseParaProps(const QString &styleId) const;
    TRunProps baseRunProps(const QString &styleId) const;
    CssMap cssPara(const TParaProps &p) const;
    CssMap cssRun(const TRunProps &r, const QString &sample) const;
    QString classOf(const QString &styleId);
    QString charClassOf(const QString &styleId);
    TRunProps effectiveRun(const QString &paraStyle, const CellContext *cell, const TRunProps *direct) const;

    // blocks
    void writeBlocks(std::vector<TBlock> &blocks, const CellContext *cell, QString &out, int depth);
    void writeParagraph(TParagraph &p, const CellContext *cell, const TParagraph *prev, const TParagraph *next, QString &out);
    void writeTable(TTable &t, QString &out, int depth);
    void writeNotes(QString &out);
    void convertMetafiles();

    // inlines
    void inlines(TParagraph &p, const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces,
                 std::vector<std::shared_ptr<TShape>> &boxes);
    struct RunStyle
    {
        QString Class, Style;
        int VertAlign = 0;
    };
    RunStyle runStyle(const TRunProps *props, const QString &paraStyle, const CellContext *cell, const QString &text);
    void textPiece(const QString &text, const RunStyle &style, std::vector<Piece> &pieces, const QString &where);
    const CssMap &classParaCss(const QString &styleId);
    QString shapeHtml(TShape &s, const QString &where);
    QString imgHtml(const TShape &s, const QString &src, int w, int h, const QString &where);
    QString paintedHtml(TShape &s, const QString &where);
    QByteArray browserPicture(const TShape &picture);
    // The bytes of a linked picture, read only when the document's carry roots allow its file;
    // address is what the page may refer to instead (empty: nothing, the picture is left out).
    TOutsideFile readLinkedPicture(const QString &target, const QString &where, QString &address);
    QString pictureFile(TShape &s, const QString &where);
    void emit(const std::vector<Piece> &pieces, QString &out);
    const TNumLevel *numberingOf(const TParagraph &p, const QString &styleId, int &numId, int &level);
    void labelPiece(QString label, const TNumLevel &lvl, const TParaProps &props, const TParagraph &p,
                    const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces);

    TDocument &m_doc;
    THtmlOptions m_options;
    TListCounter m_lists;
    QString m_folder;
    QString m_defaultPara;
    std::vector<FieldState> m_fields;
    std::vector<QString> m_deferredBookmarks;
    // used classes: style id -> class name, plus the elements each is used on
    std::map<QString, QString> m_classes;
    std::set<QString> m_classNames;
    std::map<QString, std::set<QString>> m_classTags;
    std::map<QString, QString> m_charClasses;
    // pictures
    std::map<QString, QString> m_pictureFiles; // media key -> file name
    std::map<QString, QByteArray> m_converted;   // metafile part -> PNG made by LibreOffice
    std::vector<THtmlPicture> m_pictures;
    // notes in order of reference
    struct NoteRef
    {
        TNote *Note;
        int Number;
        QString Label;
    };
    std::vector<NoteRef> m_footnotes, m_endnotes;
    const NoteRef *m_currentNote = nullptr;
    bool m_inNote = false;
    int m_footnoteNo = 0, m_endnoteNo = 0;
    bool m_lastSpace = true; // collapses runs of blanks the way a browser would not
    // Styles computed once per property set: documents repeat a few sets many times.
    QHash<QString, RunStyle> m_runStyles;
    QHash<QString, CssMap> m_classCss;
    QHash<QString, QString> m_paraStyles;
};

TParaProps Writer::baseParaProps(const QString &styleId) const
{
    TParaProps p = m_doc.Styles.DocPPr;
    p.Overlay(m_doc.Styles.ChainPPr(styleId));
    return p;
}

TRunProps Writer::baseRunProps(const QString &styleId) const
{
    TRunProps r = m_doc.Styles.DocRPr;
    r.Overlay(m_doc.Styles.ChainRPr(styleId));
    return r;
}

CssMap Writer::cssPara(const TParaProps &p) const
{
    CssMap m;
    m.emplace_back("margin-top", p.BeforeAuto.value_or(false) ? QStringLiteral("14.0pt") : pt(p.SpaceBefore.value_or(0)));
    m.emplace_back("margin-right", pt(p.IndRight.value_or(0)));
    m.emplace_back("margin-bottom", p.AfterAuto.value_or(false) ? QStringLiteral("14.0pt") : pt(p.SpaceAfter.value_or(0)));
    m.emplace_back("margin-left", pt(p.IndLeft.value_or(0)));
    QString align = p.Align.value_or(QStringLiteral("left"));
    m.emplace_back("text-align", align == QLatin1String("both") ? QStringLiteral("justify") : align);
    m.emplace_back("text-indent", pt(p.IndFirst.value_or(0)));
    QString lh = QStringLiteral("normal");
    if (p.Line) {
        QString rule = p.LineRule.value_or(QStringLiteral("auto"));
        if (rule == QLatin1String("auto")) {
            if (*p.Line != 240 && *p.Line > 0)
                lh = QString::number(RoundHalfEven(*p.Line * 100.0 / 240.0)) + '%';
        } else if (*p.Line > 0) {
            lh = pt(*p.Line);
        }
    }
    m.emplace_back("line-height", lh);
    m.emplace_back("page-break-before", p.PageBreakBefore.value_or(false) ? QStringLiteral("always") : QStringLiteral("auto"));
    m.emplace_back("page-break-after", p.KeepNext.value_or(false) ? QStringLiteral("avoid") : QStringLiteral("auto"));
    m.emplace_back("border-top", cssBorder(p.BorderTop));
    m.emplace_back("border-left", cssBorder(p.BorderLeft));
    m.emplace_back("border-bottom", cssBorder(p.BorderBottom));
    m.emplace_back("border-right", cssBorder(p.BorderRight));
    auto pad = [](const std::optional<TBorder> &b) { return b && !b->None() ? num(b->Space) + QStringLiteral("pt") : QStringLiteral("0pt"); };
    m.emplace_back("padding", pad(p.BorderTop) + ' ' + pad(p.BorderRight) + ' ' + pad(p.BorderBottom) + ' ' + pad(p.BorderLeft));
    QString bg = p.Shading ? cssColor(p.Shading->Effective()) : QString();
    m.emplace_back("background", bg.isEmpty() ? QStringLiteral("transparent") : bg);
    return m;
}

CssMap Writer::cssRun(const TRunProps &r, const QString &sample) const
{
    CssMap m;
    QString font = r.Font.value_or(QStringLiteral("Times New Roman"));
    QString family = '"' + font + '"';
    if (r.FontEastAsia && *r.FontEastAsia != font && !r.FontEastAsia->isEmpty()) {
        // Latin letters take the first font; characters it lacks fall back to the East Asian one.
        bool asianFirst = false;
        for (QChar c : sample)
            if (isEastAsian(c)) {
                asianFirst = true;
                break;
            }
        family = asianFirst ? QString('"' + *r.FontEastAsia + QStringLiteral("\",\"") + font + '"')
                            : QString(family + QStringLiteral(",\"") + *r.FontEastAsia + '"');
    }
    auto generic = m_doc.FontFamilies.find(font);
    if (generic != m_doc.FontFamilies.end())
        family += ',' + generic->second;
    m.emplace_back("font-family", family);
    m.emplace_back("font-size", num(r.Size.value_or(20) / 2.0) + QStringLiteral("pt"));
    m.emplace_back("font-weight", r.Bold.value_or(false) ? QStringLiteral("bold") : QStringLiteral("normal"));
    m.emplace_back("font-style", r.Italic.value_or(false) ? QStringLiteral("italic") : QStringLiteral("normal"));
    QStringList deco;
    QString u = r.Underline.value_or(QString());
    if (!u.isEmpty() && u != QLatin1String("none"))
        deco << QStringLiteral("underline");
    if (r.Strike.value_or(false) || r.DoubleStrike.value_or(false))
        deco << QStringLiteral("line-through");
    m.emplace_back("text-decoration", deco.isEmpty() ? QStringLiteral("none") : deco.join(' '));
    m.emplace_back("text-transform", r.Caps.value_or(false) ? QStringLiteral("uppercase") : QStringLiteral("none"));
    m.emplace_back("font-variant", r.SmallCaps.value_or(false) && !r.Caps.value_or(false) ? QStringLiteral("small-caps") : QStringLiteral("normal"));
    m.emplace_back("letter-spacing", r.Spacing && *r.Spacing ? pt(*r.Spacing) : QStringLiteral("normal"));
    QString color = r.Color ? cssColor(*r.Color) : QString();
    m.emplace_back("color", color.isEmpty() ? QStringLiteral("windowtext") : color);
    QString bg;
    if (r.Highlight && *r.Highlight != QLatin1String("none"))
        bg = highlightColor(*r.Highlight);
    if (bg.isEmpty() && r.Shading)
        bg = cssColor(r.Shading->Effective());
    m.emplace_back("background", bg.isEmpty() ? QStringLiteral("transparent") : bg);
    m.emplace_back("display", r.Hidden.value_or(false) || r.WebHidden.value_or(false) ? QStringLiteral("none") : QStringLiteral("inline"));
    if (r.Position && *r.Position) {
        m.emplace_back("position", QStringLiteral("relative"));
        m.emplace_back("top", num(-*r.Position / 2.0) + QStringLiteral("pt"));
    } else {
        m.emplace_back("position", QStringLiteral("static"));
        m.emplace_back("top", QStringLiteral("0pt"));
    }
    m.emplace_back("border", r.Border ? cssBorder(r.Border) : QStringLiteral("none"));
    return m;
}

QString cssClassName(const TStyle &s)
{
    QString base;
    bool upperNext = true;
    for (QChar c : s.Name) {
        if (c.unicode() < 128 && c.isLetterOrNumber()) {
            base += upperNext ? c.toUpper() : c;
            upperNext = false;
        } else {
            upperNext = true;
        }
    }
    if (base.isEmpty() || base[0].isDigit())
        base = QStringLiteral("Style") + base;
    return s.Custom ? base : QStringLiteral("Mso") + base;
}

QString Writer::classOf(const QString &styleId)
{
    auto it = m_classes.find(styleId);
    if (it != m_classes.end())
        return it->second;
    const TStyle *s = m_doc.Styles.Find(styleId);
    QString name = s ? cssClassName(*s) : QStringLiteral("MsoNormal");
    QString unique = name;
    for (int n = 1; m_classNames.count(unique); ++n)
        unique = name + QString::number(n);
    m_classNames.insert(unique);
    m_classes[styleId] = unique;
    return unique;
}

QString Writer::charClassOf(const QString &styleId)
{
    auto it = m_charClasses.find(styleId);
    if (it != m_charClasses.end())
        return it->second;
    const TStyle *s = m_doc.Styles.Find(styleId);
    if (!s || s->Type != TStyleType::Character) {
        m_charClasses[styleId] = QString();
        return QString();
    }
    QString name = cssClassName(*s);
    QString unique = name;
    for (int n = 1; m_classNames.count(unique); ++n)
        unique = name + QString::number(n);
    m_classNames.insert(unique);
    m_charClasses[styleId] = unique;
    return unique;
}

TRunProps Writer::effectiveRun(const QString &paraStyle, const CellContext *cell, const TRunProps *direct) const
{
    TRunProps r = m_doc.Styles.DocRPr;
    if (cell)
        r.Overlay(cell->RPr);
    r.Overlay(m_doc.Styles.ChainRPr(paraStyle));
    if (direct && direct->Style) {
        // Toggle properties of a character style switch the paragraph's value.
        const TRunProps &cs = m_doc.Styles.ChainRPr(*direct->Style);
        TRunProps over = cs;
        auto toggle = [](std::optional<bool> &mine, const std::optional<bool> &theirs, std::optional<bool> &out) {
            if (theirs && *theirs)
                out = !mine.value_or(false);
            else
                out.reset();
        };
        toggle(r.Bold, cs.Bold, over.Bold);
        toggle(r.Italic, cs.Italic, over.Italic);
        toggle(r.Caps, cs.Caps, over.Caps);
        toggle(r.SmallCaps, cs.SmallCaps, over.SmallCaps);
        toggle(r.Strike, cs.Strike, over.Strike);
        toggle(r.Hidden, cs.Hidden, over.Hidden);
        r.Overlay(over);
    }
    if (direct) {
        TRunProps d = *direct;
        d.Style.reset();
        r.Overlay(d);
    }
    return r;
}

// --- paragraphs ------------------------------------------------------------------------------

double labelWidthPt(const QString &label, double sizePt)
{
    double w = 0;
    for (QChar c : label) {
        if (c == '.' || c == ',' || c == ')' || c == '(' || c == ':' || c == ' ' || c == 'i' || c == 'l' || c == 'I')
            w += 0.3;
        else if (c.isUpper() || c.isDigit())
            w += 0.6;
        else if (isEastAsian(c))
            w += 1.0;
        else
            w += 0.52;
    }
    return w * sizePt;
}

const TNumLevel *Writer::numberingOf(const TParagraph &p, const QString &styleId, int &numId, int &level)
{
    numId = -1;
    level = 0;
    if (p.Props->NumId) {
        numId = *p.Props->NumId;
        level = p.Props->NumLevel.value_or(0);
        if (!p.Props->NumLevel) {
            auto sn = m_doc.Styles.StyleNumbering(styleId);
            if (sn.first == numId)
                level = sn.second;
        }
    } else {
        auto sn = m_doc.Styles.StyleNumbering(styleId);
        numId = sn.first;
        level = std::max(0, sn.second);
    }
    if (numId <= 0)
        return nullptr;
    const TNumLevel *lvl = m_doc.Numbering.Level(numId, level, &m_doc.Styles);
    if (lvl && !IsKnownNumberFormat(lvl->Format))
        m_doc.Warn(QStringLiteral("number format ") + lvl->Format,
                   QStringLiteral("The list number format \"%1\" is written as decimal numbers").arg(lvl->Format), p.Where);
    return lvl;
}

void Writer::labelPiece(QString label, const TNumLevel &lvl, const TParaProps &props, const TParagraph &p,
                        const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces)
{
    TRunProps labelProps = effectiveRun(paraStyle, cell, p.MarkProps.get());
    TRunProps lr = lvl.RPr;
    if (lvl.Format == QLatin1String("bullet")) {
        if (!lvl.PictureBullet.isEmpty()) {
            label = QString(QChar(0x2022));
            m_doc.Warn(QStringLiteral("picture bullet"), QStringLiteral("A picture bullet is written as a round bullet"), p.Where);
            lr.Font.reset();
        } else if (lr.Font && IsSymbolFont(*lr.Font)) {
            QString mapped;
            bool all = true;
            for (QChar c : label) {
                char16_t u = SymbolFontChar(*lr.Font, c.unicode());
                if (u)
                    mapped += QChar(u);
                else
                    all = false;
            }
            if (all) {
                label = mapped;
                lr.Font.reset();
            }
        }
        if (label.isEmpty())
            label = QString(QChar(0x2022));
    }
    labelProps.Overlay(lr);
    labelProps.Underline.reset();

    CssMap inherited = cssRun(effectiveRun(paraStyle, cell, nullptr), label);
    CssMap eff = cssRun(labelProps, label);
    CssMap diff = cssDiff(eff, inherited);

    // The label hangs in the indent and the text starts at the next stop, as a tab would do.
    double size = labelProps.Size.value_or(20) / 2.0;
    int left = props.IndLeft.value_or(0), first = props.IndFirst.value_or(0);
    int start = left + first;
    int est = int(labelWidthPt(label, size) * 20);
    int tab = std::max(1, m_doc.DefaultTabStop);
    int width = 0;
    if (lvl.Suffix == QLatin1String("tab")) {
        int end = start + est;
        if (first < 0 && end <= left)
            width = -first;
        else
            width = (end / tab + 1) * tab - start;
    }
    Piece piece;
    piece.Raw = true;
    QString style = cssJoin(diff);
    QString content = EscapeHtml(label);
    if (lvl.Suffix == QLatin1String("space"))
        content += QStringLiteral("&nbsp;");
    if (width > 0)
        style = QStringLiteral("display:inline-block;width:") + pt(width) + QStringLiteral(";text-indent:0pt") +
                (style.isEmpty() ? QString() : ';' + style);
    piece.Html = style.isEmpty() ? QString(QStringLiteral("<span>") + content + QStringLiteral("</span>"))
                                 : QString(QStringLiteral("<span style='") + attrSingle(style) + QStringLiteral("'>") + content + QStringLiteral("</span>"));
    pieces.push_back(piece);
}

void Writer::writeParagraph(TParagraph &p, const CellContext *cell, const TParagraph *prev, const TParagraph *next, QString &out)
{
    QString styleId = p.StyleId();
    if (styleId.isEmpty() || !m_doc.Styles.Find(styleId))
        styleId = m_defaultPara;
    const int level = OutlineLevel(m_doc, p);
    const TStyle *style = m_doc.Styles.Find(styleId);
    const int builtin = style ? BuiltinHeadingLevel(style->Name) : 0;
    QString tag = level >= 1 && level <= 6 ? QStringLiteral("h") + QString::number(level) : QStringLiteral("p");
    QString cls;
    if (!(tag.startsWith('h') && builtin == level))
        cls = classOf(styleId);
    if (!cls.isEmpty())
        m_classTags[styleId].insert(tag);
    else
        m_classTags[styleId].insert(tag + QStringLiteral("!")); // the bare heading element

    int numId = -1, numLevel = 0;
    const TNumLevel *lvl = numberingOf(p, styleId, numId, numLevel);
    // Document defaults, the table style, the paragraph style, the list level, direct formatting.
    TParaProps props = m_doc.Styles.DocPPr;
    if (cell)
        props.Overlay(cell->PPr);
    props.Overlay(m_doc.Styles.ChainPPr(styleId));
    if (lvl)
        props.Overlay(lvl->PPr);
    props.Overlay(*p.Props);

    std::vector<Piece> pieces;
    m_lastSpace = true;
    // Links left open by the previous paragraph continue here.
    for (const auto &f : m_fields)
        if (f.LinkOpen) {
            Piece pc;
            pc.Raw = true;
            pc.Html = f.OpenTag;
            pieces.push_back(pc);
        }
    QString label;
    if (lvl) {
        label = m_lists.Next(numId, numLevel);
        if (!label.isEmpty() || lvl->Format == QLatin1String("bullet"))
            labelPiece(label, *lvl, props, p, styleId, cell, pieces);
        if (lvl->Format == QLatin1String("bullet") && label.isEmpty())
            label = QString(QChar(0x2022));
    }

    if (props.ContextualSpacing.value_or(false)) {
        if (prev && prev->StyleId() == p.StyleId())
            props.SpaceBefore = 0, props.BeforeAuto = false;
        if (next && next->StyleId() == p.StyleId())
            props.SpaceAfter = 0, props.AfterAuto = false;
    }
    if (props.Frame)
        m_doc.Warn(QStringLiteral("frame"), QStringLiteral("A text frame is written as an ordinary paragraph"), p.Where);

    std::vector<std::shared_ptr<TShape>> boxes;
    size_t before = pieces.size();
    inlines(p, styleId, cell, pieces, boxes);
    bool empty = true;
    for (size_t i = before; i < pieces.size(); ++i)
        if (!pieces[i].Raw || pieces[i].Html.startsWith(QLatin1String("<img")) || pieces[i].Html.startsWith(QLatin1String("<br")))
            empty = false;
    if (!label.isEmpty())
        empty = false;
    for (auto it = m_fields.rbegin(); it != m_fields.rend(); ++it)
        if (it->LinkOpen) {
            Piece pc;
            pc.Raw = true;
            pc.Html = QStringLiteral("</a>");
            pieces.push_back(pc);
        }

    QString paraStyleAttr;
    const bool ctxBefore = props.ContextualSpacing.value_or(false) && prev && prev->StyleId() == p.StyleId();
    const bool ctxAfter = props.ContextualSpacing.value_or(false) && next && next->StyleId() == p.StyleId();
    QString key = cell ? QString()
                       : QString::number(quintptr(p.Props.get()), 16) + '|' + styleId + '|' + QString::number(quintptr(lvl), 16) +
                             (ctxBefore ? QStringLiteral("|b") : QString()) + (ctxAfter ? QStringLiteral("|a") : QString());
    auto known = cell ? m_paraStyles.constEnd() : m_paraStyles.constFind(key);
    if (known != m_paraStyles.constEnd()) {
        paraStyleAttr = *known;
    } else {
        CssMap diff = cssDiff(cssPara(props), classParaCss(styleId));
        // The paragraph's own run formatting of the cell context is inherited by its text.
        if (cell) {
            CssMap runDiff = cssDiff(cssRun(effectiveRun(styleId, cell, nullptr), QString()), cssRun(baseRunProps(styleId), QString()));
            diff.insert(diff.end(), runDiff.begin(), runDiff.end());
        }
        paraStyleAttr = attrSingle(cssJoin(diff));
        if (!cell)
            m_paraStyles.insert(key, paraStyleAttr);
    }

    out += '<' + tag;
    if (!cls.isEmpty())
        out += QStringLiteral(" class=") + cls;
    if (!paraStyleAttr.isEmpty())
        out += QStringLiteral(" style='") + paraStyleAttr + '\'';
    out += '>';
    emit(pieces, out);
    if (empty)
        out += QStringLiteral("&nbsp;");
    out += QStringLiteral("</") + tag + QStringLiteral(">\r\n");

    for (auto &box : boxes) {
        if (!box->Text)
            continue;
        out += QStringLiteral("<div style='border:solid windowtext 0.75pt;padding:4.0pt;width:%1px'>\r\n").arg(std::max(1, pxEmu(box->WidthEmu)));
        std::vector<FieldState> saved;
        saved.swap(m_fields);
        writeBlocks(box->Text->Blocks, nullptr, out, 1);
        m_fields.swap(saved);
        out += QStringLiteral("</div>\r\n");
        m_doc.Warn(QStringLiteral("text box"), QStringLiteral("A text box is written as a box after its paragraph"), p.Where);
    }
    if (p.Section && (!p.Section->Type.isEmpty() && p.Section->Type != QLatin1String("continuous") && p.Section->Type != QLatin1String("nextColumn")))
        out += QStringLiteral("<br clear=all style='page-break-before:always'>\r\n");
    else if (p.Section && p.Section->Type.isEmpty())
        out += QStringLiteral("<br clear=all style='page-break-before:always'>\r\n");
    if (p.Section && p.Section->Columns > 1)
        m_doc.Warn(QStringLiteral("columns"), QStringLiteral("Text set in columns is written in one column"), p.Where);
}

void Writer::emit(const std::vector<Piece> &pieces, QString &out)
{
    bool open = false;
    QString openKey;
    for (const Piece &p : pieces) {
        if (p.Raw) {
            if (open) {
                out += QStringLiteral("</span>");
                open = false;
            }
            out += p.Html;
            continue;
        }
        QString key = p.Class + QChar(0x1F) + p.Style;
        if (!open || key != openKey) {
            if (open)
                out += QStringLiteral("</span>");
            open = false;
            if (!p.Class.isEmpty() || !p.Style.isEmpty()) {
                out += QStringLiteral("<span");
                if (!p.Class.isEmpty())
                    out += QStringLiteral(" class=") + p.Class;
                if (!p.Style.isEmpty())
                    out += QStringLiteral(" style='") + attrSingle(p.Style) + '\'';
                out += '>';
                open = true;
                openKey = key;
            }
        }
        if (p.VertAlign == 1)
            out += QStringLiteral("<sup>") + p.Html + QStringLiteral("</sup>");
        else if (p.VertAlign == 2)
            out += QStringLiteral("<sub>") + p.Html + QStringLiteral("</sub>");
        else
            out += p.Html;
    }
    if (open)
        out += QStringLiteral("</span>");
}

const CssMap &Writer::classParaCss(const QString &styleId)
{
    auto it = m_classCss.find(styleId);
    if (it == m_classCss.end())
        it = m_classCss.insert(styleId, cssPara(baseParaProps(styleId)));
    return *it;
}

Writer::RunStyle Writer::runStyle(const TRunProps *props, const QString &paraStyle, const CellContext *cell, const QString &text)
{
    bool asian = false;
    for (QChar c : text)
        if (isEastAsian(c)) {
            asian = true;
            break;
        }
    const QString sample = asian ? QString(QChar(0x4E00)) : QString();
    QString key;
    if (!cell) {
        key = QString::number(quintptr(props), 16) + '|' + paraStyle + (asian ? QStringLiteral("|a") : QString());
        auto it = m_runStyles.constFind(key);
        if (it != m_runStyles.constEnd())
            return *it;
    }
    const TRunProps paraRunProps = effectiveRun(paraStyle, cell, nullptr);
    TRunProps eff = effectiveRun(paraStyle, cell, props);
    RunStyle rs;
    CssMap inherited = cssRun(paraRunProps, QString());
    if (props && props->Style) {
        rs.Class = charClassOf(*props->Style);
        if (!rs.Class.isEmpty()) {
            // What the class rule itself sets is inherited by the span.
            TRunProps withClass = paraRunProps;
            withClass.Overlay(m_doc.Styles.ChainRPr(*props->Style));
            inherited = cssRun(withClass, sample);
        }
    }
    rs.Style = cssJoin(cssDiff(cssRun(eff, sample), inherited));
    QString va = eff.VertAlign.value_or(QString());
    rs.VertAlign = va == QLatin1String("superscript") ? 1 : va == QLatin1String("subscript") ? 2 : 0;
    if (!cell)
        m_runStyles.insert(key, rs);
    return rs;
}

void Writer::textPiece(const QString &text, const RunStyle &style, std::vector<Piece> &pieces, const QString &where)
{
    QString html;
    html.reserve(text.size() + 16);
    int tabs = 0;
    for (QChar c : text) {
        switch (c.unicode()) {
        case chars::Tab:
            html += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; ");
            m_lastSpace = true;
            ++tabs;
            continue;
        case chars::LineBreak:
            html += QStringLiteral("<br>");
            m_lastSpace = true;
            continue;
        case chars::PageBreak:
            html += QStringLiteral("<br clear=all style='page-break-before:always'>");
            m_lastSpace = true;
            continue;
        case chars::ColumnBreak:
            html += QStringLiteral("<br>");
            m_lastSpace = true;
            continue;
        case chars::SoftHyphen: html += QStringLiteral("&shy;"); continue;
        case chars::NoBreakHyphen:
            html += '-';
            m_lastSpace = false;
            continue;
        case ' ':
            html += m_lastSpace ? QStringLiteral("&nbsp;") : QStringLiteral(" ");
            m_lastSpace = true;
            continue;
        case '&': html += QStringLiteral("&amp;"); break;
        case '<': html += QStringLiteral("&lt;"); break;
        case '>': html += QStringLiteral("&gt;"); break;
        case 0xA0: html += QStringLiteral("&nbsp;"); break;
        default:
            if (c.unicode() < 0x20)
                html += ' ';
            else
                html += c;
        }
        m_lastSpace = false;
    }
    if (tabs)
        m_doc.Warn(QStringLiteral("tabs"), QStringLiteral("Tabs are written as spaces and may not line up"), where);
    Piece p;
    p.Html = html;
    p.Class = style.Class;
    p.Style = style.Style;
    p.VertAlign = style.VertAlign;
    pieces.push_back(p);
}

void Writer::inlines(TParagraph &p, const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces,
                     std::vector<std::shared_ptr<TShape>> &boxes)
{
    auto hiding = [&]() {
        for (const auto &f : m_fields)
            if (f.InCode)
                return true;
        return false;
    };
    auto linkOpen = [&]() {
        for (const auto &f : m_fields)
            if (f.LinkOpen)
                return true;
        return false;
    };
    auto raw = [&](const QString &html) {
        Piece pc;
        pc.Raw = true;
        pc.Html = html;
        pieces.push_back(pc);
        m_lastSpace = false;
    };

    for (auto &in : p.Inlines) {
        switch (in.Kind) {
        case TInlineKind::Text: {
            if (hiding()) {
                for (auto it = m_fields.rbegin(); it != m_fields.rend(); ++it)
                    if (it->InCode) {
                        it->Code += in.Text;
                        break;
                    }
                break;
            }
            textPiece(in.Text, runStyle(in.Props.get(), paraStyle, cell, in.Text), pieces, p.Where);
            break;
        }
        case TInlineKind::FieldBegin: {
            FieldState f;
            f.Info = in.Field.get();
            m_fields.push_back(f);
            break;
        }
        case TInlineKind::FieldSeparator: {
            if (m_fields.empty() || m_fields.back().Info != in.Field.get())
                break;
            FieldState &f = m_fields.back();
            f.InCode = false;
            if (hiding())
                break;
            TFieldCode code = ParseFieldCode(f.Code);
            QString href, title, target;
            if (code.Keyword == QLatin1String("HYPERLINK")) {
                QString address = code.Arguments.isEmpty() ? QString() : code.Arguments.first();
                QString sub = code.Switch(QStringLiteral("\\l"));
                if (!address.isEmpty())
                    href = LinkAddress(address, m_doc.LinkBase);
                if (!sub.isEmpty())
                    href += '#' + sub;
                title = code.Switch(QStringLiteral("\\o"));
                target = code.Switch(QStringLiteral("\\t"));
            }
            // A cross-reference shows its result without a link, as in Word's filtered pages;
            // the conversion turns the ones it wants linked into hyperlink fields first.
            if (!href.isEmpty() && !linkOpen()) {
                QString tag = QStringLiteral("<a href=\"") + EscapeHtml(href, true) + '"';
                if (!target.isEmpty())
                    tag += QStringLiteral(" target=\"") + EscapeHtml(target, true) + '"';
                if (!title.isEmpty())
                    tag += QStringLiteral(" title=\"") + EscapeHtml(title, true) + '"';
                tag += '>';
                f.OpenTag = tag;
                f.LinkOpen = true;
                raw(tag);
            }
            break;
        }
        case TInlineKind::FieldEnd: {
            // Pop to the field this mark ends; marks of broken nesting are tolerated.
            int k = int(m_fields.size()) - 1;
            while (k >= 0 && m_fields[size_t(k)].Info != in.Field.get())
                --k;
            if (k < 0)
                break;
            for (int i = int(m_fields.size()) - 1; i >= k; --i) {
                if (m_fields[size_t(i)].LinkOpen) {
                    raw(QStringLiteral("</a>"));
                    m_fields[size_t(i)].LinkOpen = false;
                    if (!linkOpen())
                        for (const QString &b : m_deferredBookmarks)
                            raw(QStringLiteral("<a name=\"") + EscapeHtml(b, true) + QStringLiteral("\"></a>"));
                    if (!linkOpen())
                        m_deferredBookmarks.clear();
                }
            }
            m_fields.resize(size_t(k));
            break;
        }
        case TInlineKind::BookmarkStart:
            if (hiding() || in.Text == QLatin1String("_GoBack") || in.Text.isEmpty())
                break;
            if (linkOpen())
                m_deferredBookmarks.push_back(in.Text);
            else
                raw(QStringLiteral("<a name=\"") + EscapeHtml(in.Text, true) + QStringLiteral("\"></a>"));
            break;
        case TInlineKind::Shape:
            if (hiding() || !in.Shape)
                break;
            if (in.Shape->Kind == TShapeKind::TextBox) {
                boxes.push_back(in.Shape);
                break;
            }
            {
                QString html = shapeHtml(*in.Shape, p.Where);
                if (!html.isEmpty())
                    raw(html);
            }
            break;
        case TInlineKind::NoteReference: {
            if (hiding())
                break;
            if (in.NoteOwnMark) {
                if (m_currentNote) {
                    const bool en = m_currentNote->Note->Endnote;
                    QString id = (en ? QStringLiteral("_edn") : QStringLiteral("_ftn")) + QString::number(m_currentNote->Number);
                    QString ref = (en ? QStringLiteral("_ednref") : QStringLiteral("_ftnref")) + QString::number(m_currentNote->Number);
                    raw(QStringLiteral("<a href=\"#") + ref + QStringLiteral("\" name=\"") + id + QStringLiteral("\" title=\"\"><sup>") +
                        EscapeHtml(m_currentNote->Label) + QStringLiteral("</sup></a>"));
                }
                break;
            }
            if (m_inNote)
                break;
            auto &map = in.Endnote ? m_doc.Endnotes : m_doc.Footnotes;
            auto it = map.find(in.Id);
            if (it == map.end()) {
                m_doc.Warn(QStringLiteral("note missing"), QStringLiteral("A note reference whose note is missing is left out"), p.Where);
                break;
            }
            NoteRef nr;
            nr.Note = it->second.get();
            if (in.Endnote) {
                nr.Number = ++m_endnoteNo;
                nr.Label = in.Text.isEmpty() ? '[' + FormatListNumber(m_endnoteNo + m_doc.EndnoteStart - 1, m_doc.EndnoteFormat) + ']' : in.Text;
                m_endnotes.push_back(nr);
            } else {
                nr.Number = ++m_footnoteNo;
                nr.Label = in.Text.isEmpty() ? '[' + FormatListNumber(m_footnoteNo + m_doc.FootnoteStart - 1, m_doc.FootnoteFormat) + ']' : in.Text;
                m_footnotes.push_back(nr);
            }
            QString id = (in.Endnote ? QStringLiteral("_edn") : QStringLiteral("_ftn")) + QString::number(nr.Number);
            QString ref = (in.Endnote ? QStringLiteral("_ednref") : QStringLiteral("_ftnref")) + QString::number(nr.Number);
            if (linkOpen())
                raw(QStringLiteral("<sup>") + EscapeHtml(nr.Label) + QStringLiteral("</sup>"));
            else
                raw(QStringLiteral("<a href=\"#") + id + QStringLiteral("\" name=\"") + ref + QStringLiteral("\" title=\"\"><sup>") +
                    EscapeHtml(nr.Label) + QStringLiteral("</sup></a>"));
            break;
        }
        default: break;
        }
    }
}

// --- pictures --------------------------------------------------------------------------------

QString sniffExtension(const QByteArray &d)
{
    if (d.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (d.startsWith("\xFF\xD8"))
        return QStringLiteral("jpg");
    if (d.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (d.startsWith("BM"))
        return QStringLiteral("bmp");
    if (d.startsWith("II*") || d.startsWith("MM\0*"))
        return QStringLiteral("tif");
    if (d.size() > 44 && d.mid(40, 4) == " EMF")
        return QStringLiteral("emf");
    if (d.startsWith(QByteArray("\xD7\xCD\xC6\x9A", 4)) || d.startsWith(QByteArray("\x01\x00\x09\x00", 4)))
        return QStringLiteral("wmf");
    if (d.left(512).contains("<svg"))
        return QStringLiteral("svg");
    return QString();
}

TOutsideFile Writer::readLinkedPicture(const QString &target, const QString &where, QString &address)
{
    const TLinkTarget link = ClassifyLinkTarget(target, m_doc.LinkBase);
    address = link.Kind == TLinkTarget::TKind::Script ? QString() : link.Address;
    TOutsideFile file;
    if (link.Kind == TLinkTarget::TKind::Remote) {
        // Nothing is fetched while building: the page refers to the picture where it is.
        m_doc.Warn(QStringLiteral("remote picture ") + target,
                   QStringLiteral("The picture \"%1\" is on the network; the pages refer to it there").arg(target), where);
        file.Error = QStringLiteral("is on the network");
        return file;
    }
    if (link.Kind != TLinkTarget::TKind::LocalFile) {
        file.Error = QStringLiteral("is not a file");
        return file;
    }
    const TCarryRoots fallback(QStringList{m_doc.LinkBase});
    file = ReadOutsideFile(link.Path, kMaxOutsideFile, m_doc.CarryRoots ? &*m_doc.CarryRoots : &fallback);
    if (file.Missing) {
        // Nothing is carried: the page names the picture where the document said it is.
        m_doc.Warn(QStringLiteral("linked picture missing"),
                   QStringLiteral("The linked picture \"%1\" was not found and is referenced where it was").arg(target), where);
    } else if (!file.Ok()) {
        address.clear();
        m_doc.Warn(QStringLiteral("linked picture refused ") + link.Path,
                   QStringLiteral("The linked picture \"%1\" %2; it is left out").arg(link.Path, file.Error), where);
    }
    return file;
}

QString Writer::pictureFile(TShape &s, const QString &where)
{
    QString key;
    QByteArray data;
    if (!s.MediaPart.isEmpty()) {
        key = s.MediaPart;
        auto m = m_doc.Media.find(s.MediaPart);
        if (m == m_doc.Media.end())
            return QString();
        auto known = m_pictureFiles.find(key);
        if (known != m_pictureFiles.end())
            return known->second;
        data = m->second.Data;
    } else if (!s.LinkTarget.isEmpty()) {
        key = QStringLiteral("link:") + s.LinkTarget;
        auto known = m_pictureFiles.find(key);
        if (known != m_pictureFiles.end())
            return known->second;
        // A remote picture stays a reference; a local one is read only from where the build
        // may carry files, and one it may not read is left out.
        QString address;
        TOutsideFile file = readLinkedPicture(s.LinkTarget, where, address);
        if (!file.Ok()) {
            m_pictureFiles[key] = address;
            return address;
        }
        data = std::move(file.Data);
    } else {
        return QString();
    }
    QString ext = sniffExtension(data);
    if (ext == QLatin1String("bmp") || ext == QLatin1String("tif")) {
        QImage img;
        if (img.loadFromData(data)) {
            QByteArray png;
            QBuffer b(&png);
            b.open(QIODevice::WriteOnly);
            img.save(&b, "PNG");
            data = png;
            ext = QStringLiteral("png");
        }
    }
    if (ext == QLatin1String("emf") || ext == QLatin1String("wmf")) {
        auto png = m_converted.find(key);
        if (png == m_converted.end()) {
            m_doc.Warn(QStringLiteral("metafile"),
                       QStringLiteral("A picture in the EMF/WMF format is left out: browsers cannot show it and it could not be converted "
                                      "(that needs LibreOffice Draw)"),
                       where);
            m_pictureFiles[key] = QString();
            return QString();
        }
        data = png->second;
        ext = QStringLiteral("png");
    }
    if (ext.isEmpty()) {
        m_doc.Warn(QStringLiteral("unknown picture"), QStringLiteral("A picture of an unknown format is left out"), where);
        m_pictureFiles[key] = QString();
        return QString();
    }
    QString name = QStringLiteral("image%1.%2").arg(m_pictures.size() + 1, 3, 10, QChar('0')).arg(ext);
    m_pictures.push_back({name, data});
    QString rel = m_folder + '/' + name;
    m_pictureFiles[key] = rel;
    return rel;
}

QString Writer::imgHtml(const TShape &s, const QString &src, int w, int h, const QString &where)
{
    // The alternative text goes out exactly as set: the conversion reads its markers back.
    QString alt = s.Description.isEmpty() ? s.Title : s.Description;
    QString html = QStringLiteral("<img");
    if (w > 0 && h > 0)
        html += QStringLiteral(" width=%1 height=%2").arg(w).arg(h);
    html += QStringLiteral(" src=\"") + EscapeHtml(src, true) + '"';
    if (s.Floating) {
        QString align = s.HorizontalAlign == QLatin1String("right") ? QStringLiteral("right") : QStringLiteral("left");
        if (!(s.Wrap == QLatin1String("TopAndBottom") || s.Wrap == QLatin1String("None") || s.Wrap.isEmpty()))
            html += QStringLiteral(" align=") + align + QStringLiteral(" hspace=12");
        m_doc.Warn(QStringLiteral("floating position"), QStringLiteral("A floating picture is placed approximately"), where);
    }
    html += QStringLiteral(" alt=\"") + EscapeHtml(alt, true) + QStringLiteral("\">");
    if (!s.Hyperlink.Empty()) {
        QString href = s.Hyperlink.Address.isEmpty() ? QString() : LinkAddress(s.Hyperlink.Address, m_doc.LinkBase);
        if (!s.Hyperlink.SubAddress.isEmpty())
            href += '#' + s.Hyperlink.SubAddress;
        QString a = QStringLiteral("<a href=\"") + EscapeHtml(href, true) + '"';
        if (!s.Hyperlink.Target.isEmpty())
            a += QStringLiteral(" target=\"") + EscapeHtml(s.Hyperlink.Target, true) + '"';
        if (!s.Hyperlink.ScreenTip.isEmpty())
            a += QStringLiteral(" title=\"") + EscapeHtml(s.Hyperlink.ScreenTip, true) + '"';
        html = a + '>' + html + QStringLiteral("</a>");
    }
    return html;
}

QByteArray Writer::browserPicture(const TShape &picture)
{
    const QString &mediaPart = picture.MediaPart;
    if (mediaPart.isEmpty() && !picture.LinkTarget.isEmpty()) {
        // A linked picture inside a drawing is painted from its file.
        QString address;
        return readLinkedPicture(picture.LinkTarget, QString(), address).Data;
    }
    auto converted = m_converted.find(mediaPart);
    if (converted != m_converted.end())
        return converted->second;
    auto m = m_doc.Media.find(mediaPart);
    if (m == m_doc.Media.end())
        return QByteArray();
    const QString ext = sniffExtension(m->second.Data);
    if (ext == QLatin1String("emf") || ext == QLatin1String("wmf"))
        return QByteArray();
    return m->second.Data;
}

QString Writer::paintedHtml(TShape &s, const QString &where)
{
    QImage img = RenderShape(m_doc, s, [this](const TShape &picture) { return browserPicture(picture); });
    if (img.isNull())
        return QString();
    QByteArray png;
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    QString name = QStringLiteral("image%1.png").arg(m_pictures.size() + 1, 3, 10, QChar('0'));
    m_pictures.push_back({name, png});
    return imgHtml(s, m_folder + '/' + name, img.width(), img.height(), where);
}

QString Writer::shapeHtml(TShape &s, const QString &where)
{
    const bool hasPicture = !s.MediaPart.isEmpty() || !s.LinkTarget.isEmpty();
    if (s.Kind == TShapeKind::Picture ||
        (hasPicture && (s.Kind == TShapeKind::OleObject || s.Kind == TShapeKind::Control || s.Kind == TShapeKind::Chart ||
                        s.Kind == TShapeKind::Diagram))) {
        QString src = pictureFile(s, where);
        if (src.isEmpty()) {
            // The picture is left out; what it says stays readable.
            const QString alt = s.Description.isEmpty() ? s.Title : s.Description;
            return alt.isEmpty() || s.Floating ? QString() : EscapeHtml(alt);
        }
        int w = pxEmu(s.WidthEmu), h = pxEmu(s.HeightEmu);
        if (w <= 0 || h <= 0) {
            for (const auto &pic : m_pictures)
                if (src.endsWith(pic.FileName)) {
                    QByteArray data = pic.Data;
                    QBuffer buffer(&data);
                    buffer.open(QIODevice::ReadOnly);
                    const QSize size = QImageReader(&buffer).size();
                    w = size.width();
                    h = size.height();
                }
        }
        return imgHtml(s, src, w, h, where);
    }
    if (IsPaintedShape(s))
        return paintedHtml(s, where);
    switch (s.Kind) {
    case TShapeKind::Chart:
    case TShapeKind::Diagram:
        if (!s.FallbackText.isEmpty()) {
            m_doc.Warn(s.Kind == TShapeKind::Chart ? QStringLiteral("chart") : QStringLiteral("diagram"),
                       s.Kind == TShapeKind::Chart ? QStringLiteral("A chart without a picture is written as its text")
                                                   : QStringLiteral("A SmartArt diagram without a picture is written as its text"),
                       where);
            return QStringLiteral("<span>") + EscapeHtml(s.FallbackText) + QStringLiteral("</span>");
        }
        m_doc.Warn(s.Kind == TShapeKind::Chart ? QStringLiteral("chart") : QStringLiteral("diagram"),
                   s.Kind == TShapeKind::Chart ? QStringLiteral("A chart without a picture or text is left out")
                                               : QStringLiteral("A SmartArt diagram without a picture or text is left out"),
                   where);
        break;
    case TShapeKind::Control:
        m_doc.Warn(QStringLiteral("control"),
                   s.ClassType.isEmpty() ? QStringLiteral("A control cannot be written and is left out")
                                         : QStringLiteral("A control (%1) cannot be written and is left out").arg(s.ClassType),
                   where);
        break;
    case TShapeKind::OleObject:
        m_doc.Warn(QStringLiteral("ole"), QStringLiteral("An embedded object without a preview picture is left out"), where);
        break;
    default:
        m_doc.Warn(QStringLiteral("drawing"), QStringLiteral("A drawing shape cannot be written and is left out"), where);
        break;
    }
    return QString();
}

// --- tables ----------------------------------------------------------------------------------

void Writer::writeTable(TTable &t, QString &out, int depth)
{
    QString styleId = t.Props.Style.value_or(m_doc.Styles.DefaultStyleId(TStyleType::Table));
    TTableProps tp = m_doc.Styles.ChainTblPr(styleId);
    tp.Overlay(t.Props);
    // Chained style cell defaults and the regions, most derived last.
    std::vector<const TStyle *> chain = m_doc.Styles.Chain(styleId);

    const size_t rows = t.Rows.size();
    size_t cols = t.Grid.size();
    struct Slot
    {
        int Col = 0, Span = 1, RowSpan = 1;
        bool Skip = false;
    };
    std::vector<std::vector<Slot>> slots(rows);
    for (size_t r = 0; r < rows; ++r) {
        int col = t.Rows[r].Props.GridBefore;
        auto &cells = t.Rows[r].Cells;
        slots[r].resize(cells.size());
        for (size_t c = 0; c < cells.size(); ++c) {
            slots[r][c].Col = col;
            slots[r][c].Span = cells[c].Props.GridSpan;
            col += cells[c].Props.GridSpan;
        }
        cols = std::max(cols, size_t(col + t.Rows[r].Props.GridAfter));
        // Older documents merge horizontally with hMerge.
        for (size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].Props.HMerge == QLatin1String("restart")) {
                size_t k = c + 1;
                while (k < cells.size() && cells[k].Props.HMerge == QLatin1String("continue")) {
                    slots[r][c].Span += slots[r][k].Span;
                    slots[r][k].Skip = true;
                    ++k;
                }
            }
        }
    }
    for (size_t r = 0; r < rows; ++r) {
        auto &cells = t.Rows[r].Cells;
        for (size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].Props.VMerge != QLatin1String("restart"))
                continue;
            int span = 1;
            for (size_t r2 = r + 1; r2 < rows; ++r2) {
                bool cont = false;
                for (size_t c2 = 0; c2 < t.Rows[r2].Cells.size(); ++c2)
                    if (slots[r2][c2].Col == slots[r][c].Col && t.Rows[r2].Cells[c2].Props.VMerge == QLatin1String("continue")) {
                        slots[r2][c2].Skip = true;
                        cont = true;
                    }
                if (!cont)
                    break;
                ++span;
            }
            slots[r][c].RowSpan = span;
        }
    }

    auto gridWidth = [&](int col, int span) {
        int w = 0;
        for (int i = col; i < col + span && i < int(t.Grid.size()); ++i)
            w += t.Grid[size_t(i)];
        return w;
    };
    int total = gridWidth(0, int(cols));

    bool anyBorder = false;
    auto hasBorder = [](const std::optional<TBorder> &b) { return b && !b->None(); };
    if (hasBorder(tp.Borders.Top) || hasBorder(tp.Borders.Left) || hasBorder(tp.Borders.InsideH) || hasBorder(tp.Borders.InsideV))
        anyBorder = true;
    for (const auto &row : t.Rows)
        for (const auto &c : row.Cells)
            if (hasBorder(c.Props.Borders.Top) || hasBorder(c.Props.Borders.Left) || hasBorder(c.Props.Borders.Bottom) ||
                hasBorder(c.Props.Borders.Right))
                anyBorder = true;

    QString style = QStringLiteral("border-collapse:collapse;border:none");
    QString attrs;
    if (tp.Width && tp.Width->Type == QLatin1String("pct") && tp.Width->Value > 0)
        attrs += QStringLiteral(" width=\"%1%\"").arg(RoundHalfEven(tp.Width->Value / 50.0));
    else if (tp.Width && tp.Width->Type == QLatin1String("dxa") && tp.Width->Value > 0)
        attrs += QStringLiteral(" width=%1").arg(px(tp.Width->Value)), style += QStringLiteral(";width:") + pt(tp.Width->Value);
    else if (total > 0)
        attrs += QStringLiteral(" width=%1").arg(px(total));
    QString align = tp.Align.value_or(QString());
    if (align == QLatin1String("center"))
        attrs += QStringLiteral(" align=center"), style += QStringLiteral(";margin-left:auto;margin-right:auto");
    else if (align == QLatin1String("right"))
        attrs += QStringLiteral(" align=right");
    else if (tp.Indent && *tp.Indent)
        style += QStringLiteral(";margin-left:") + pt(*tp.Indent);
    out += QStringLiteral("<table border=%1 cellspacing=0 cellpadding=0%2 style='%3'>\r\n").arg(anyBorder ? 1 : 0).arg(attrs, attrSingle(style));

    // Regions of the table style that apply to a cell, in the order they stack.
    auto regionsFor = [&](size_t r, size_t c, size_t cellsInRow) {
        std::vector<const TTableStyleRegion *> out;
        auto add = [&](const char *name) {
            for (const TStyle *s : chain) {
                auto it = s->Regions.find(QLatin1String(name));
                if (it != s->Regions.end())
                    out.push_back(&it->second);
            }
        };
        int headerRows = tp.LookFirstRow ? 1 : 0;
        bool lastRow = tp.LookLastRow && r + 1 == rows;
        if (!t.Props.LookNoVBand) {
            int vc = int(c) - (tp.LookFirstColumn ? 1 : 0);
            if (vc >= 0)
                add(vc % 2 == 0 ? "band1Vert" : "band2Vert");
        }
        if (!tp.LookNoHBand) {
            int hr = int(r) - headerRows;
            if (hr >= 0 && !lastRow)
                add(hr % 2 == 0 ? "band1Horz" : "band2Horz");
        }
        if (tp.LookFirstColumn && c == 0)
            add("firstCol");
        if (tp.LookLastColumn && c + 1 == cellsInRow)
            add("lastCol");
        if (tp.LookFirstRow && r == 0)
            add("firstRow");
        if (lastRow)
            add("lastRow");
        return out;
    };

    for (size_t r = 0; r < rows; ++r) {
        TRow &row = t.Rows[r];
        QString trStyle;
        if (row.Props.Height && *row.Props.Height > 0)
            trStyle = QStringLiteral(" style='height:") + pt(*row.Props.Height) + '\'';
        out += QStringLiteral("<tr") + trStyle + QStringLiteral(">\r\n");
        if (row.Props.GridBefore > 0)
            out += QStringLiteral("<td colspan=%1 width=%2 style='border:none;padding:0pt'></td>\r\n")
                       .arg(row.Props.GridBefore)
                       .arg(px(gridWidth(0, row.Props.GridBefore)));
        for (size_t c = 0; c < row.Cells.size(); ++c) {
            const Slot &slot = slots[r][c];
            if (slot.Skip)
                continue;
            TCell &cell = row.Cells[c];
            // Cell formatting: the style's cell defaults, its regions, then the cell's own.
            TCellProps cp;
            for (const TStyle *s : chain) {
                cp.Borders.Overlay(s->TcPr.Borders);
                if (s->TcPr.Shading)
                    cp.Shading = s->TcPr.Shading;
                cp.Margins.Overlay(s->TcPr.Margins);
            }
            CellContext ctx;
            for (const TStyle *s : chain) {
                ctx.PPr.Overlay(s->PPr);
                ctx.RPr.Overlay(s->RPr);
            }
            for (const TTableStyleRegion *reg : regionsFor(r, c, row.Cells.size())) {
                cp.Borders.Overlay(reg->TcPr.Borders);
                if (reg->TcPr.Shading)
                    cp.Shading = reg->TcPr.Shading;
                ctx.PPr.Overlay(reg->PPr);
                ctx.RPr.Overlay(reg->RPr);
            }
            cp.Borders.Overlay(cell.Props.Borders);
            if (cell.Props.Shading)
                cp.Shading = cell.Props.Shading;
            cp.Margins.Overlay(cell.Props.Margins);

            bool top = r == 0, bottom = r + size_t(slot.RowSpan) >= rows;
            bool left = slot.Col == 0, right = slot.Col + slot.Span >= int(cols);
            auto edge = [](const std::optional<TBorder> &cell, const std::optional<TBorder> &table) { return cell ? cell : table; };
            QString bt = cssBorder(edge(cp.Borders.Top, top ? tp.Borders.Top : tp.Borders.InsideH));
            QString bb = cssBorder(edge(cp.Borders.Bottom, bottom ? tp.Borders.Bottom : tp.Borders.InsideH));
            QString bl = cssBorder(edge(cp.Borders.Left, left ? tp.Borders.Left : tp.Borders.InsideV));
            QString br = cssBorder(edge(cp.Borders.Right, right ? tp.Borders.Right : tp.Borders.InsideV));

            int w = gridWidth(slot.Col, slot.Span);
            QString widthAttr, widthCss;
            if (cell.Props.Width && cell.Props.Width->Type == QLatin1String("dxa") && cell.Props.Width->Value > 0)
                w = cell.Props.Width->Value;
            if (cell.Props.Width && cell.Props.Width->Type == QLatin1String("pct") && cell.Props.Width->Value > 0) {
                widthAttr = QStringLiteral(" width=\"%1%\"").arg(RoundHalfEven(cell.Props.Width->Value / 50.0));
            } else if (w > 0) {
                widthAttr = QStringLiteral(" width=%1").arg(px(w));
                widthCss = QStringLiteral("width:") + pt(w) + ';';
            }
            QString valign = cell.Props.VAlign.value_or(QStringLiteral("top"));
            if (valign == QLatin1String("center"))
                valign = QStringLiteral("middle");
            TMargins m = tp.CellMargins;
            m.Overlay(cp.Margins);
            QString padding = pt(m.Top.value_or(0)) + ' ' + pt(m.Right.value_or(108)) + ' ' + pt(m.Bottom.value_or(0)) + ' ' +
                              pt(m.Left.value_or(108));
            QString css = widthCss + QStringLiteral("border-top:") + bt + QStringLiteral(";border-left:") + bl + QStringLiteral(";border-bottom:") +
                          bb + QStringLiteral(";border-right:") + br;
            QString bg;
            if (cp.Shading)
                bg = cssColor(cp.Shading->Effective());
            if (bg.isEmpty() && tp.Shading)
                bg = cssColor(tp.Shading->Effective());
            if (!bg.isEmpty())
                css += QStringLiteral(";background:") + bg;
            css += QStringLiteral(";padding:") + padding;
            out += QStringLiteral("<td") + widthAttr + QStringLiteral(" valign=") + valign;
            if (slot.Span > 1)
                out += QStringLiteral(" colspan=%1").arg(slot.Span);
            if (slot.RowSpan > 1)
                out += QStringLiteral(" rowspan=%1").arg(slot.RowSpan);
            if (cell.Props.NoWrap)
                out += QStringLiteral(" nowrap");
            out += QStringLiteral(" style='") + attrSingle(css) + QStringLiteral("'>\r\n");
            writeBlocks(cell.Blocks, &ctx, out, depth + 1);
            out += QStringLiteral("</td>\r\n");
        }
        if (row.Props.GridAfter > 0)
            out += QStringLiteral("<td colspan=%1 style='border:none;padding:0pt'></td>\r\n").arg(row.Props.GridAfter);
        out += QStringLiteral("</tr>\r\n");
    }
    out += QStringLiteral("</table>\r\n");
}

void Writer::writeBlocks(std::vector<TBlock> &blocks, const CellContext *cell, QString &out, int depth)
{
    for (size_t i = 0; i < blocks.size(); ++i) {
        TBlock &b = blocks[i];
        if (b.Paragraph) {
            const TParagraph *prev = i > 0 ? blocks[i - 1].Paragraph.get() : nullptr;
            const TParagraph *next = i + 1 < blocks.size() ? blocks[i + 1].Paragraph.get() : nullptr;
            writeParagraph(*b.Paragraph, cell, prev, next, out);
        } else if (b.Table) {
            writeTable(*b.Table, out, depth);
        }
    }
}

void Writer::writeNotes(QString &out)
{
    m_inNote = true;
    auto write = [&](std::vector<NoteRef> &notes, bool endnotes) {
        if (notes.empty())
            return;
        out += QStringLiteral("<div><br clear=all>\r\n<hr align=left size=1 width=\"33%\">\r\n");
        for (size_t i = 0; i < notes.size(); ++i) {
            NoteRef &n = notes[i];
            m_currentNote = &n;
            out += QStringLiteral("<div id=%1%2>\r\n").arg(endnotes ? QStringLiteral("edn") : QStringLiteral("ftn")).arg(n.Number);
            m_fields.clear();
            writeBlocks(n.Note->Story.Blocks, nullptr, out, 1);
            out += QStringLiteral("</div>\r\n");
        }
        out += QStringLiteral("</div>\r\n");
        m_currentNote = nullptr;
    };
    write(m_footnotes, false);
    write(m_endnotes, true);
    m_inNote = false;
}

// Browsers show no EMF or WMF pictures: LibreOffice turns them into PNG, all in one run.
void Writer::convertMetafiles()
{
    std::vector<QString> parts;
    std::set<QString> seen;
    std::function<void(TShape &)> shape = [&](TShape &sh) {
        if (!sh.MediaPart.isEmpty() && !seen.count(sh.MediaPart)) {
            auto m = m_doc.Media.find(sh.MediaPart);
            if (m != m_doc.Media.end()) {
                QString ext = sniffExtension(m->second.Data);
                if (ext == QLatin1String("emf") || ext == QLatin1String("wmf")) {
                    seen.insert(sh.MediaPart);
                    parts.push_back(sh.MediaPart);
                }
            }
        }
        for (auto &c : sh.Children)
            shape(*c);
    };
    std::function<void(std::vector<TBlock> &)> blocks = [&](std::vector<TBlock> &bl) {
        ForEachParagraph(bl, [&](TParagraph &p) {
            for (auto &in : p.Inlines)
                if (in.Shape) {
                    shape(*in.Shape);
                    if (in.Shape->Text)
                        blocks(in.Shape->Text->Blocks);
                }
        });
    };
    blocks(m_doc.Body.Blocks);
    for (auto &[id, n] : m_doc.Footnotes)
        blocks(n->Story.Blocks);
    for (auto &[id, n] : m_doc.Endnotes)
        blocks(n->Story.Blocks);
    if (parts.empty() || !TLibreOffice::Available())
        return;
    QString work;
    try {
        work = RunFolder();
    } catch (const Exception &) {
        return; // without a working folder the pictures stay as they are, as without LibreOffice
    }
    QTemporaryDir tmp(work + QStringLiteral("pic-XXXXXX"));
    if (!tmp.isValid())
        return;
    TLibreOffice::TConversion c;
    for (size_t i = 0; i < parts.size(); ++i) {
        const QByteArray &data = m_doc.Media[parts[i]].Data;
        QString file = tmp.filePath(QStringLiteral("picture%1.%2").arg(i + 1).arg(sniffExtension(data)));
        if (!FileSystem().WriteFile(file, data))
            return;
        if (i == 0)
            c.Input = file;
        else
            c.MoreInputs << file;
    }
    c.OutputFolder = tmp.filePath(QStringLiteral("png"));
    FileSystem().MakePath(c.OutputFolder);
    c.ConvertTo = QStringLiteral("png");
    c.DisplayName = m_doc.FileName;
    try {
        QStringList out = TLibreOffice::ConvertAll(c);
        for (size_t i = 0; i < parts.size() && int(i) < out.size(); ++i) {
            QFile f(out[int(i)]);
            if (f.open(QIODevice::ReadOnly))
                m_converted[parts[i]] = f.readAll();
        }
    } catch (const Exception &e) {
        m_doc.Warn(QStringLiteral("metafile conversion"), QStringLiteral("EMF/WMF pictures could not be converted: ") + e.Message(), m_doc.FileName);
    }
}

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

} // namespace

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
