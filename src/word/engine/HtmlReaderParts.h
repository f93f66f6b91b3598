#pragma once
// The pieces of the web-page reader shared by its files: libxml2 helpers, the folder pictures
// and style sheets are read from, the elements as the cascade sees them, and the reader itself.
// Only the reader's own files include this.
#include "word/engine/HtmlReader.h"

#include "text/CaseLookup.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/LanguageProcess.h"
#include "text/Round.h"
#include "text/functions.h"
#include "word/engine/Css.h"
#include "word/engine/Fields.h"
#include "word/engine/HtmlStyle.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>
#include <deque>
#include <fcntl.h>
#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::engine::html {

inline constexpr int kTextWidthTw = 9360;   // the text width of the default page
inline constexpr int kMaxColumns = 63;      // as many columns as a word-processing table holds
inline constexpr qint64 kEmuPerTwip = 635;
inline constexpr qint64 kMaxPictureEmu = 22ll * 914400; // 22 inches

inline QString fromXml(const xmlChar *s) { return s ? QString::fromUtf8(reinterpret_cast<const char *>(s)) : QString(); }

inline QString attr(xmlNode *n, const char *name)
{
    xmlChar *v = xmlGetProp(n, reinterpret_cast<const xmlChar *>(name));
    QString s = fromXml(v);
    xmlFree(v);
    return s;
}

inline bool hasAttr(xmlNode *n, const char *name) { return xmlHasProp(n, reinterpret_cast<const xmlChar *>(name)) != nullptr; }

inline QString tagOf(xmlNode *n) { return n && n->name ? QString::fromUtf8(reinterpret_cast<const char *>(n->name)).toLower() : QString(); }

inline bool hasScheme(const QString &s)
{
    // Two letters at least, so "C:/x" stays a path.
    const qsizetype colon = s.indexOf(':');
    if (colon < 2)
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = s[i];
        if (c.unicode() > 127 || !(c.isLetterOrNumber() || c == '+' || c == '-' || c == '.'))
            return false;
    }
    return s[0].isLetter();
}

// Visits root and everything below it in document order without recursion, as pages may nest
// deeper than the stack allows; visit returns false to skip what lies below a node.
template <class F>
void walkTree(xmlNode *root, F &&visit)
{
    std::vector<xmlNode *> stack{root};
    while (!stack.empty()) {
        xmlNode *n = stack.back();
        stack.pop_back();
        if (!n || !visit(n))
            continue;
        for (xmlNode *c = n->last; c; c = c->prev)
            stack.push_back(c);
    }
}

// --- files below the allowed folder --------------------------------------------------------------

class TResourceFolder
{
public:
    explicit TResourceFolder(const QString &allowed)
    {
        if (!allowed.isEmpty()) {
            const QString canonical = QFileInfo(allowed).canonicalFilePath();
            m_root = canonical.isEmpty() ? QString() : canonical;
        }
    }

    bool Usable() const { return !m_root.isEmpty(); }

    // The canonical path of the regular file a reference names, or empty with the reason.
    QString Resolve(const QString &baseFolder, const QString &reference, QString &why, bool &caseDiffers)
    {
        caseDiffers = false;
        QString ref = reference.trimmed();
        ref.replace('\\', '/');
        if (ref.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            ref = QUrl(ref).toLocalFile();
        } else if (hasScheme(ref)) {
            why = QStringLiteral("it is not a local file");
            return QString();
        } else {
            const qsizetype cut = [&] {
                const qsizetype q = ref.indexOf('?'), h = ref.indexOf('#');
                return q < 0 ? h : (h < 0 ? q : std::min(q, h));
            }();
            if (cut >= 0)
                ref.truncate(cut);
            ref = QUrl::fromPercentEncoding(ref.toUtf8());
        }
        if (ref.isEmpty() || ref.contains(QChar(0))) {
            why = QStringLiteral("it names no file");
            return QString();
        }
        if (!Usable() || baseFolder.isEmpty()) {
            why = QStringLiteral("no folder is allowed for reading");
            return QString();
        }
        if (ref.size() >= 2 && ref[1] == ':' && ref[0].isLetter()) {
            why = QStringLiteral("it names a drive");
            return QString();
        }
        const QString joined = QDir::cleanPath(ref.startsWith('/') ? ref : baseFolder + '/' + ref);
        if (!joined.startsWith(m_root + '/')) {
            why = QStringLiteral("it lies outside the folder the page may read from");
            return QString();
        }
        QString relative = joined.mid(m_root.size() + 1);
        if (!IsConfinedName(m_root, relative)) {
            why = QStringLiteral("it leads outside the folder the page may read from");
            return QString();
        }
        QString path = m_root + '/' + relative;
        if (!QFileInfo::exists(path)) {
            const QString found = m_case.FindBelow(m_root, relative);
            if (found.isEmpty() || !IsConfinedName(m_root, found)) {
                why = QStringLiteral("it does not exist");
                return QString();
            }
            caseDiffers = true;
            path = m_root + '/' + found;
        }
        const QString canonical = QFileInfo(path).canonicalFilePath();
        struct stat st;
        if (canonical.isEmpty() || !canonical.startsWith(m_root + '/') ||
            ::stat(QFile::encodeName(canonical).constData(), &st) != 0) {
            why = QStringLiteral("it does not exist");
            return QString();
        }
        if (!S_ISREG(st.st_mode)) {
            why = QStringLiteral("it is not a regular file");
            return QString();
        }
        return canonical;
    }

    // Opens exactly the checked path (it holds no links any more) without blocking, as a
    // regular file of at most limit bytes.
    bool Open(const QString &canonical, qint64 limit, QFile &file, QString &why)
    {
        const int fd = ::open(QFile::encodeName(canonical).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            why = QStringLiteral("it cannot be opened");
            return false;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            why = QStringLiteral("it is not a regular file");
            return false;
        }
        if (st.st_size > limit) {
            ::close(fd);
            why = QStringLiteral("it is larger than %1 bytes").arg(limit);
            return false;
        }
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            why = QStringLiteral("it cannot be opened");
            return false;
        }
        return true;
    }

    bool Read(const QString &canonical, qint64 limit, QByteArray &out, QString &why)
    {
        QFile f;
        if (!Open(canonical, limit, f, why))
            return false;
        out = f.read(limit + 1);
        if (out.size() > limit) {
            why = QStringLiteral("it is larger than %1 bytes").arg(limit);
            return false;
        }
        return true;
    }

private:
    QString m_root;
    TCaseLookup m_case;
};

// --- the elements as the cascade sees them --------------------------------------------------------

class TNode : public TCssElement
{
public:
    xmlNode *Node = nullptr;
    TNode *ParentNode = nullptr;
    QString TagName, IdValue;
    QStringList ClassValues;
    bool Quirks = false;
    std::function<TNode *(xmlNode *)> *Lookup = nullptr;

    QString Tag() const override { return TagName; }
    const TCssElement *Parent() const override { return ParentNode; }
    const TCssElement *PreviousSibling() const override
    {
        for (xmlNode *p = Node->prev; p; p = p->prev)
            if (p->type == XML_ELEMENT_NODE)
                return (*Lookup)(p);
        return nullptr;
    }
    QString Id() const override { return IdValue; }
    const QStringList &Classes() const override { return ClassValues; }
    bool HasId(const QString &id) const override
    {
        return IdValue.compare(id, Quirks ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0 && !IdValue.isEmpty();
    }
    bool HasClass(const QString &name) const override
    {
        return ClassValues.contains(name, Quirks ? Qt::CaseInsensitive : Qt::CaseSensitive);
    }
    bool Attribute(const QString &name, QString &value) const override
    {
        const QByteArray n = name.toUtf8();
        if (!hasAttr(Node, n.constData()))
            return false;
        value = attr(Node, n.constData());
        return true;
    }
    bool IsLink() const override
    {
        return (TagName == QLatin1String("a") || TagName == QLatin1String("area")) && hasAttr(Node, "href");
    }
};

// An element that the page does not have, for the look of styles (a bare heading in the body).
class TSynthetic : public TCssElement
{
public:
    TSynthetic(const QString &tag, const TCssElement *parent, bool link = false) : m_tag(tag), m_parent(parent), m_link(link) {}
    QString Tag() const override { return m_tag; }
    const TCssElement *Parent() const override { return m_parent; }
    const TCssElement *PreviousSibling() const override { return nullptr; }
    QString Id() const override { return QString(); }
    const QStringList &Classes() const override { return m_none; }
    bool HasId(const QString &) const override { return false; }
    bool HasClass(const QString &) const override { return false; }
    bool Attribute(const QString &name, QString &value) const override
    {
        if (m_link && name == QLatin1String("href")) {
            value = QStringLiteral("#");
            return true;
        }
        return false;
    }
    bool IsLink() const override { return m_link; }

private:
    QString m_tag;
    const TCssElement *m_parent;
    bool m_link;
    QStringList m_none;
};


// --- the reader ----------------------------------------------------------------------------------

struct TInlineState
{
    QString Background; // of the nearest inline element with one
};

struct TBlockContext
{
    double IndLeft = 0, IndRight = 0;
    double Width = kTextWidthTw;
    QString Background;
    const THtmlStyle *Borders = nullptr; // the nearest block with borders
    int HeadingLevel = 0;
    bool Pre = false;
    bool FirstParagraph = true;
    const THtmlStyle *Style = nullptr;
    QString Where;
};

struct TContainer
{
    std::vector<TBlock> *Blocks = nullptr;
    TParagraph *Previous = nullptr; // the last paragraph, whose space after is still open
    double PendingTop = 0, PendingBottom = 0;
    size_t BlockBase = 0;           // the first block context of this container
};

struct TListContext
{
    int NumId = -1;
    int Level = 0;
    int Start = 1;
    double IndLeft = 0;
};

struct TLinkState
{
    bool Active = false, Begun = false;
    QString Code;
    std::shared_ptr<TFieldInfo> Field;
    std::shared_ptr<const TRunProps> Props;
};

class Reader
{
public:
    Reader(TDocument &doc, const QString &pageFolder, const THtmlReadOptions &options)
        : m_doc(doc), m_pageFolder(pageFolder), m_options(options),
          m_files(options.AllowedFolder.isEmpty() ? pageFolder : options.AllowedFolder)
    {
        m_lookup = [this](xmlNode *n) { return node(n); };
    }

    void Read(const QString &text);

private:
    // places
    QString where(xmlNode *n) const
    {
        const long line = n ? xmlGetLineNo(n) : -1;
        return line > 0 ? QStringLiteral("%1, line %2").arg(m_doc.FileName).arg(line) : m_doc.FileName;
    }
    void warn(const QString &kind, const QString &what, xmlNode *n) { m_doc.Warn(kind, what, where(n)); }

    TNode *node(xmlNode *n);

    // style sheets
    void collectSheets(xmlNode *root);
    void loadLinkedSheet(const QString &href, const QString &baseFolder, xmlNode *at, int depth);
    void addSheetText(const QString &text, const QString &baseFolder, const QString &place, xmlNode *at, int depth);
    QString decodeSheet(const QByteArray &bytes);

    // styles
    THtmlStyle styleOf(TNode *n, const THtmlStyle &parent, double containerTw);
    TCssDeclarations hintsFor(TNode *n, double containerTw);
    void makeStyles(TNode *body, const THtmlStyle &bodyStyle);
    QString addParagraphStyle(const QString &id, const QString &name, const THtmlStyle &style, int outline);
    TRunProps runOf(const THtmlStyle &s, const QString &background) const;
    std::shared_ptr<const TRunProps> intern(const TRunProps &full, bool link);
    TParaProps paraOf(const TBlockContext &ctx, const QString &styleId);

    // the walk
    void children(xmlNode *n, const THtmlStyle &style, const TInlineState &is, int depth);
    void element(xmlNode *n, const THtmlStyle &parent, const TInlineState &is, int depth);
    void block(xmlNode *n, TNode *w, const THtmlStyle &st, int depth);
    void inlineElement(xmlNode *n, TNode *w, const THtmlStyle &st, const TInlineState &is, int depth);
    void text(const QString &raw, const THtmlStyle &st, const TInlineState &is);
    void flatText(xmlNode *n, const THtmlStyle &st, const TInlineState &is);
    void hiddenAnchors(xmlNode *n);
    void anchorsOf(xmlNode *n, TNode *w);
    void lineBreak(const THtmlStyle &st, const TInlineState &is);
    void picture(xmlNode *n, const THtmlStyle &st, const TInlineState &is);
    void rule(xmlNode *n, const THtmlStyle &st);
    void table(xmlNode *n, TNode *w, const THtmlStyle &st, int depth);
    void link(xmlNode *n, TNode *w, const THtmlStyle &st, const TInlineState &is, int depth);

    // paragraphs
    TParagraph &para();
    void closeParagraph();
    void appendText(const QString &t, const THtmlStyle &st, const TInlineState &is);
    void appendInline(TInline in, const THtmlStyle &st, const TInlineState &is);
    void beginLinkIfNeeded(const std::shared_ptr<const TRunProps> &props);
    void endLinkField();
    void bookmark(const QString &name);
    void flushPendingBookmarks(TParagraph &p);
    void appendBookmark(TParagraph &p, const QString &name);
    void finishContainer();
    TBlockContext &ctx() { return m_blocks.back(); }
    TContainer &container() { return m_containers.back(); }
    int listLevelFor(const QString &type, int level, int start, double indLeft);

    TDocument &m_doc;
    QString m_pageFolder;
    THtmlReadOptions m_options;
    TResourceFolder m_files;
    xmlDocPtr m_xml = nullptr;
    bool m_quirks = false;
    std::deque<TNode> m_nodes;
    std::function<TNode *(xmlNode *)> m_lookup;
    TCssCascade m_cascade;
    int m_sheetCount = 0;
    QSet<QString> m_sheetsSeen;
    double m_rootPt = 12;
    QString m_bodyLinkColor;

    std::deque<THtmlStyle> m_styleStore; // styles block contexts point to
    std::vector<TBlockContext> m_blocks;
    std::vector<TContainer> m_containers;
    TParagraph *m_para = nullptr;
    bool m_lastSpace = true;  // the paragraph so far ends in a collapsible blank (or is empty)
    bool m_skipNewline = false;
    QString m_paraStyle;
    std::vector<TListContext> m_lists;
    struct
    {
        bool Active = false;
        int NumId = -1, Level = 0;
    } m_item;
    TLinkState m_link;
    std::vector<QString> m_pendingBookmarks;
    QSet<QString> m_bookmarks;
    int m_nextBookmarkId = 0;
    int m_pictures = 0;
    int m_tableDepth = 0;
    bool m_pageBreak = false;
    int m_nextAbstract = 1, m_nextNum = 1;

    // styles and run formatting
    TRunProps m_docDefaults;
    std::map<QString, TRunProps> m_resolved;     // paragraph style id -> its run formatting
    std::map<QString, TParaProps> m_resolvedPara;
    TRunProps m_linkStyle;
    std::map<QString, std::shared_ptr<const TRunProps>> m_interned;
    QString m_normalId = QStringLiteral("Normal");
};

inline TNode *Reader::node(xmlNode *n)
{
    if (n->_private)
        return static_cast<TNode *>(n->_private);
    TNode &w = m_nodes.emplace_back();
    w.Node = n;
    w.Lookup = &m_lookup;
    w.Quirks = m_quirks;
    w.TagName = tagOf(n);
    w.IdValue = attr(n, "id").trimmed();
    w.ClassValues = attr(n, "class").simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    n->_private = &w;
    if (n->parent && n->parent->type == XML_ELEMENT_NODE)
        w.ParentNode = node(n->parent);
    return &w;
}


// Small conversions the style and table code share.
inline int halfPoints(double pt) { return int(std::clamp<int64_t>(RoundHalfEven(pt * 2), 2, 3276)); }

inline TBorder borderOf(const THtmlStyle &s, int side)
{
    TBorder b;
    if (s.BorderWidth[side] <= 0)
        return b;
    const QString &st = s.BorderStyle[side];
    b.Style = st == QLatin1String("double") ? QStringLiteral("double")
              : st == QLatin1String("dotted") ? QStringLiteral("dotted")
              : st == QLatin1String("dashed") ? QStringLiteral("dashed")
              : st == QLatin1String("groove") ? QStringLiteral("threeDEngrave")
              : st == QLatin1String("ridge")  ? QStringLiteral("threeDEmboss")
                                              : QStringLiteral("single");
    // Eighths of a point, in the range a word processor draws.
    b.Size = std::clamp(int(RoundHalfEven(s.BorderWidth[side] / 20.0 * 8)), 2, 96);
    b.Color = s.BorderColor[side].isEmpty() ? QStringLiteral("auto") : s.BorderColor[side];
    return b;
}

inline QString alignOf(const QString &textAlign)
{
    if (textAlign == QLatin1String("center"))
        return QStringLiteral("center");
    if (textAlign == QLatin1String("right"))
        return QStringLiteral("right");
    if (textAlign == QLatin1String("justify"))
        return QStringLiteral("both");
    return QStringLiteral("left");
}

inline int twips(double tw) { return int(std::clamp<int64_t>(RoundHalfEven(tw), -31680, 31680)); }

// Text decoding the page and its style sheets share.
// Numeric references and Latin-1 pages name the C1 controls where the page meant Windows-1252,
// as browsers read them.
inline void mapC1(QString &s)
{
    static const char16_t map[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    for (QChar &c : s)
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9F)
            c = QChar(map[c.unicode() - 0x80]);
}

inline QString decodeUtf16(const QByteArray &bytes, bool littleEndian)
{
    QStringDecoder d(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, QStringConverter::Flag::Stateless);
    return d(bytes);
}

} // namespace tavrel::engine::html
