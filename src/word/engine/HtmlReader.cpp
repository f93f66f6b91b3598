#include "word/engine/HtmlReader.h"

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

namespace tavrel::engine {

namespace {

constexpr int kTextWidthTw = 9360;   // the text width of the default page
constexpr int kMaxColumns = 63;      // as many columns as a word-processing table holds
constexpr qint64 kEmuPerTwip = 635;
constexpr qint64 kMaxPictureEmu = 22ll * 914400; // 22 inches

QString fromXml(const xmlChar *s) { return s ? QString::fromUtf8(reinterpret_cast<const char *>(s)) : QString(); }

QString attr(xmlNode *n, const char *name)
{
    xmlChar *v = xmlGetProp(n, reinterpret_cast<const xmlChar *>(name));
    QString s = fromXml(v);
    xmlFree(v);
    return s;
}

bool hasAttr(xmlNode *n, const char *name) { return xmlHasProp(n, reinterpret_cast<const xmlChar *>(name)) != nullptr; }

QString tagOf(xmlNode *n) { return n && n->name ? QString::fromUtf8(reinterpret_cast<const char *>(n->name)).toLower() : QString(); }

bool hasScheme(const QString &s)
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
            const QString found = findIgnoringCase(relative);
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
    // Pages written on other systems name "Images/Logo.GIF" for "images/logo.gif".
    QString findIgnoringCase(const QString &relative)
    {
        const QStringList parts = relative.split('/', Qt::SkipEmptyParts);
        QString current;
        for (const QString &part : parts) {
            const QString folder = current.isEmpty() ? m_root : m_root + '/' + current;
            auto it = m_listings.find(folder);
            if (it == m_listings.end()) {
                QHash<QString, QString> names;
                const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
                for (const QString &e : entries.mid(0, 20000))
                    if (!names.contains(e.toLower()))
                        names.insert(e.toLower(), e);
                it = m_listings.insert(folder, names);
            }
            auto found = it->constFind(part.toLower());
            if (found == it->constEnd())
                return QString();
            current = current.isEmpty() ? *found : current + '/' + *found;
        }
        return current;
    }

    QString m_root;
    QHash<QString, QHash<QString, QString>> m_listings;
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

// --- decoding ------------------------------------------------------------------------------------

// Numeric references and Latin-1 pages name the C1 controls where the page meant Windows-1252,
// as browsers read them.
void mapC1(QString &s)
{
    static const char16_t map[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    for (QChar &c : s)
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9F)
            c = QChar(map[c.unicode() - 0x80]);
}

QString declaredCharset(const QByteArray &bytes)
{
    const QByteArray head = bytes.left(8192);
    // An XML declaration first, then a meta element's charset.
    if (head.startsWith("<?xml")) {
        const qsizetype end = head.indexOf("?>");
        const QByteArray decl = head.left(end < 0 ? head.size() : end);
        const qsizetype e = decl.indexOf("encoding");
        if (e >= 0) {
            qsizetype i = decl.indexOf('=', e);
            if (i >= 0) {
                ++i;
                while (i < decl.size() && (decl[i] == ' ' || decl[i] == '"' || decl[i] == '\''))
                    ++i;
                qsizetype j = i;
                while (j < decl.size() && decl[j] != '"' && decl[j] != '\'' && decl[j] != ' ')
                    ++j;
                return QString::fromLatin1(decl.mid(i, j - i)).trimmed().toLower();
            }
        }
    }
    const QString text = QString::fromLatin1(head);
    // "charset=" inside a meta element only: the words of the page's text do not count.
    qsizetype from = 0;
    while (true) {
        const qsizetype m = text.indexOf(QLatin1String("<meta"), from, Qt::CaseInsensitive);
        if (m < 0)
            return QString();
        const qsizetype close = text.indexOf('>', m);
        const QString tag = text.mid(m, close < 0 ? -1 : close - m + 1);
        const QString cs = GetCharset(tag);
        if (!cs.isEmpty())
            return cs.trimmed();
        from = m + 5;
    }
}

QString decodeUtf16(const QByteArray &bytes, bool littleEndian)
{
    QStringDecoder d(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, QStringConverter::Flag::Stateless);
    return d(bytes);
}

} // namespace

QString DecodeHtmlPage(const QByteArray &bytes, int codePage, TWarnings *warnings, const QString &where, QString *charset)
{
    auto used = [&](const QString &c) {
        if (charset)
            *charset = c;
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        used(QStringLiteral("utf-8"));
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        used(QStringLiteral("utf-16le"));
        return decodeUtf16(bytes.mid(2), true);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        used(QStringLiteral("utf-16be"));
        return decodeUtf16(bytes.mid(2), false);
    }
    // UTF-16 without a mark shows as "<" followed or preceded by a zero byte.
    if (bytes.size() >= 4 && bytes[0] == '<' && bytes[1] == '\0' && bytes[3] == '\0') {
        used(QStringLiteral("utf-16le"));
        return decodeUtf16(bytes, true);
    }
    if (bytes.size() >= 4 && bytes[0] == '\0' && bytes[1] == '<' && bytes[2] == '\0') {
        used(QStringLiteral("utf-16be"));
        return decodeUtf16(bytes, false);
    }
    const QString declared = declaredCharset(bytes);
    int cp = 0;
    if (!declared.isEmpty()) {
        if (declared == QLatin1String("utf-16") || declared == QLatin1String("unicode") || declared == QLatin1String("utf-16le")) {
            // Declared as UTF-16 but written in an ASCII-compatible form (the declaration was readable).
            cp = 65001;
        } else if (declared == QLatin1String("utf8")) {
            cp = 65001;
        } else {
            cp = GetCodepageByCharset(declared);
        }
        if (cp == 0 && warnings)
            warnings->Add(QStringLiteral("The page declares the unknown charset \"%1\"; it is read in code page %2")
                              .arg(declared.left(40))
                              .arg(codePage ? codePage : (IsValidUtf8(bytes) ? 65001 : SystemCodePage())),
                          where);
    }
    if (cp == 0 && codePage != 0)
        cp = codePage;
    if (cp == 0) {
        used(IsValidUtf8(bytes) ? QStringLiteral("utf-8") : GetCharsetByCodepage(SystemCodePage()));
        return DecodeUnmarkedText(bytes, warnings);
    }
    used(cp == 65001 ? QStringLiteral("utf-8") : GetCharsetByCodepage(cp));
    if (cp == 65001)
        return QString::fromUtf8(bytes);
    return DecodeCodePage(bytes, cp, warnings);
}

namespace {

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

TNode *Reader::node(xmlNode *n)
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

// --- style sheets ---------------------------------------------------------------------------------

QString Reader::decodeSheet(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes.mid(2), true);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes.mid(2), false);
    if (bytes.startsWith("@charset \"")) {
        const qsizetype end = bytes.indexOf('"', 10);
        const QString name = QString::fromLatin1(bytes.mid(10, end - 10)).toLower();
        const int cp = name == QLatin1String("utf-8") ? 65001 : GetCodepageByCharset(name);
        if (cp == 65001)
            return QString::fromUtf8(bytes);
        if (cp)
            return DecodeCodePage(bytes, cp);
    }
    // Sheets without a mark are ASCII nearly always; the rest is read as the page is.
    if (m_options.CodePage && !IsValidUtf8(bytes))
        return DecodeCodePage(bytes, m_options.CodePage);
    return DecodeUnmarkedText(bytes);
}

void Reader::loadLinkedSheet(const QString &href, const QString &baseFolder, xmlNode *at, int depth)
{
    if (m_sheetCount >= m_options.MaxStyleSheets) {
        warn(QStringLiteral("sheets: too many"), QStringLiteral("The page links more than %1 style sheets; the rest are not read").arg(m_options.MaxStyleSheets), at);
        return;
    }
    QString why;
    bool caseDiffers = false;
    const QString path = m_files.Resolve(baseFolder, href, why, caseDiffers);
    if (path.isEmpty()) {
        warn(QStringLiteral("sheet: ") + href, QStringLiteral("The style sheet \"%1\" is not read: %2").arg(href.left(200), why), at);
        return;
    }
    if (m_sheetsSeen.contains(path))
        return; // a sheet imported twice, or a cycle of imports
    m_sheetsSeen.insert(path);
    ++m_sheetCount;
    if (caseDiffers)
        warn(QStringLiteral("sheet case: ") + href, QStringLiteral("The style sheet \"%1\" is found in another letter case").arg(href.left(200)), at);
    QByteArray bytes;
    if (!m_files.Read(path, m_options.MaxStyleSheetBytes, bytes, why)) {
        warn(QStringLiteral("sheet: ") + href, QStringLiteral("The style sheet \"%1\" is not read: %2").arg(href.left(200), why), at);
        return;
    }
    addSheetText(decodeSheet(bytes), QFileInfo(path).absolutePath(), QFileInfo(path).fileName(), at, depth);
}

void Reader::addSheetText(const QString &text, const QString &baseFolder, const QString &place, xmlNode *at, int depth)
{
    TCssStyleSheet sheet;
    TWarnings w;
    ParseCssStyleSheet(text, sheet, place, &w);
    for (const TWarning &x : w.Items())
        m_doc.Warn(QStringLiteral("sheet limit: ") + x.What, x.What, x.Where.isEmpty() ? where(at) : x.Where);
    // Imported sheets come first: the importing sheet's own rules win over theirs.
    for (const QString &imp : sheet.Imports) {
        if (depth >= 8) {
            warn(QStringLiteral("sheets: deep"), QStringLiteral("Style sheets import each other too deeply; the innermost are not read"), at);
            break;
        }
        loadLinkedSheet(imp, baseFolder, at, depth + 1);
    }
    m_cascade.AddSheet(sheet, TCssCascade::Author);
}

void Reader::collectSheets(xmlNode *root)
{
    // In document order, wherever they stand.
    walkTree(root, [&](xmlNode *n) {
        if (n->type != XML_ELEMENT_NODE)
            return false;
        const QString tag = tagOf(n);
        const QString media = attr(n, "media").trimmed().toLower();
        const bool screen = media.isEmpty() || media.contains(QLatin1String("screen")) || media.contains(QLatin1String("all"));
        if (tag == QLatin1String("link")) {
            const QStringList rel = attr(n, "rel").toLower().split(' ', Qt::SkipEmptyParts);
            if (rel.contains(QLatin1String("stylesheet")) && !rel.contains(QLatin1String("alternate")) && screen)
                loadLinkedSheet(attr(n, "href"), m_pageFolder, n, 0);
            return false;
        }
        if (tag == QLatin1String("style")) {
            if (screen) {
                xmlChar *content = xmlNodeGetContent(n);
                addSheetText(fromXml(content), m_pageFolder, where(n), n, 0);
                xmlFree(content);
            }
            return false;
        }
        return true;
    });
}

// --- styles ---------------------------------------------------------------------------------------

TCssDeclarations Reader::hintsFor(TNode *w, double containerTw)
{
    TCssDeclarations h;
    xmlNode *n = w->Node;
    const QString &tag = w->TagName;
    auto add = [&](TCssProperty p, const QString &v) { h.push_back(TCssDeclaration{p, v, false}); };
    auto length = [&](const QString &v) {
        const QString t = v.trimmed();
        if (t.endsWith('%'))
            return t;
        bool ok = false;
        const double px = t.toDouble(&ok);
        return ok ? QString::number(px) + QStringLiteral("px") : QString();
    };
    if (hasAttr(n, "align")) {
        const QString a = attr(n, "align").trimmed().toLower();
        static const QStringList blocks = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "caption", "td", "th", "tr",
                                           "tbody", "thead", "tfoot", "center", "legend"};
        if (blocks.contains(tag) && !a.isEmpty())
            add(TCssProperty::TextAlign, a == QLatin1String("middle") ? QStringLiteral("center") : a);
    }
    if (hasAttr(n, "bgcolor") && tag != QLatin1String("body")) {
        const QString c = CssColor(attr(n, "bgcolor"), true);
        if (!c.isEmpty())
            add(TCssProperty::BackgroundColor, '#' + c);
    }
    if (tag == QLatin1String("font")) {
        if (hasAttr(n, "face"))
            add(TCssProperty::FontFamily, attr(n, "face"));
        if (hasAttr(n, "color")) {
            const QString c = CssColor(attr(n, "color"), true);
            if (!c.isEmpty())
                add(TCssProperty::Color, '#' + c);
        }
        if (hasAttr(n, "size")) {
            const QString s = attr(n, "size").trimmed();
            bool ok = false;
            int v = s.toInt(&ok);
            if (ok) {
                if (s.startsWith('+') || s.startsWith('-'))
                    v += 3;
                add(TCssProperty::FontSize, QString::number(LegacyFontSizePt(v)) + QStringLiteral("pt"));
            }
        }
    }
    if (tag == QLatin1String("body") && hasAttr(n, "text")) {
        const QString c = CssColor(attr(n, "text"), true);
        if (!c.isEmpty())
            add(TCssProperty::Color, '#' + c);
    }
    if (w->IsLink() && !m_bodyLinkColor.isEmpty())
        add(TCssProperty::Color, '#' + m_bodyLinkColor);
    static const QStringList sized = {"table", "td", "th", "col", "colgroup", "img", "hr"};
    if (sized.contains(tag)) {
        if (hasAttr(n, "width")) {
            const QString v = length(attr(n, "width"));
            if (!v.isEmpty())
                add(TCssProperty::Width, v);
        }
        if (hasAttr(n, "height") && tag != QLatin1String("table")) {
            const QString v = length(attr(n, "height"));
            if (!v.isEmpty())
                add(TCssProperty::Height, v);
        }
    }
    if (tag == QLatin1String("td") || tag == QLatin1String("th") || tag == QLatin1String("tr") || tag == QLatin1String("tbody") ||
        tag == QLatin1String("thead") || tag == QLatin1String("tfoot")) {
        if (hasAttr(n, "valign"))
            add(TCssProperty::VerticalAlign, attr(n, "valign").trimmed().toLower());
        if (hasAttr(n, "nowrap"))
            add(TCssProperty::WhiteSpace, QStringLiteral("nowrap"));
    }
    if (tag == QLatin1String("td") || tag == QLatin1String("th")) {
        // The table's border and cellpadding attributes reach its cells.
        xmlNode *t = n->parent;
        while (t && tagOf(t) != QLatin1String("table"))
            t = t->parent;
        if (t) {
            if (hasAttr(t, "border") && attr(t, "border").trimmed() != QLatin1String("0"))
                for (int side = 0; side < 4; ++side) {
                    add(TCssProperty(int(TCssProperty::BorderTopWidth) + side), QStringLiteral("1px"));
                    add(TCssProperty(int(TCssProperty::BorderTopStyle) + side), QStringLiteral("solid"));
                    add(TCssProperty(int(TCssProperty::BorderTopColor) + side), QStringLiteral("#808080"));
                }
            if (hasAttr(t, "cellpadding")) {
                const QString v = length(attr(t, "cellpadding"));
                if (!v.isEmpty() && !v.endsWith('%'))
                    for (int side = 0; side < 4; ++side)
                        add(TCssProperty(int(TCssProperty::PaddingTop) + side), v);
            }
        }
    }
    if (tag == QLatin1String("table") && hasAttr(n, "border")) {
        bool ok = false;
        const double b = attr(n, "border").trimmed().toDouble(&ok);
        const double px = !ok ? 1 : std::clamp(b, 0.0, 100.0);
        if (px > 0)
            for (int side = 0; side < 4; ++side) {
                add(TCssProperty(int(TCssProperty::BorderTopWidth) + side), QString::number(px) + QStringLiteral("px"));
                add(TCssProperty(int(TCssProperty::BorderTopStyle) + side), QStringLiteral("solid"));
                add(TCssProperty(int(TCssProperty::BorderTopColor) + side), QStringLiteral("#808080"));
            }
    }
    if (tag == QLatin1String("table") && hasAttr(n, "align")) {
        const QString a = attr(n, "align").trimmed().toLower();
        if (a == QLatin1String("center")) {
            add(TCssProperty::MarginLeft, QStringLiteral("auto"));
            add(TCssProperty::MarginRight, QStringLiteral("auto"));
        } else if (a == QLatin1String("right")) {
            add(TCssProperty::MarginLeft, QStringLiteral("auto"));
        }
    }
    if (tag == QLatin1String("ol") || tag == QLatin1String("ul") || tag == QLatin1String("li")) {
        const QString t = attr(n, "type").trimmed();
        static const std::pair<const char *, const char *> types[] = {
            {"1", "decimal"}, {"a", "lower-alpha"}, {"A", "upper-alpha"}, {"i", "lower-roman"}, {"I", "upper-roman"},
            {"disc", "disc"}, {"circle", "circle"}, {"square", "square"}, {"round", "circle"}};
        for (const auto &[k, v] : types)
            if (t == QLatin1String(k) || (t.size() > 1 && t.compare(QLatin1String(k), Qt::CaseInsensitive) == 0))
                add(TCssProperty::ListStyleType, QLatin1String(v));
    }
    Q_UNUSED(containerTw);
    return h;
}

THtmlStyle Reader::styleOf(TNode *w, const THtmlStyle &parent, double containerTw)
{
    const TCssDeclarations hints = hintsFor(w, containerTw);
    TCssDeclarations inlineStyle;
    if (hasAttr(w->Node, "style"))
        inlineStyle = ParseCssDeclarations(attr(w->Node, "style"));
    TCssValues v;
    m_cascade.Compute(*w, &hints, inlineStyle.empty() ? nullptr : &inlineStyle, v);
    return ComputeHtmlStyle(v, parent, m_rootPt, containerTw);
}

int halfPoints(double pt) { return int(std::clamp<int64_t>(RoundHalfEven(pt * 2), 2, 3276)); }

TRunProps Reader::runOf(const THtmlStyle &s, const QString &background) const
{
    TRunProps r;
    r.Font = s.FontFamily;
    r.Size = halfPoints(s.FontPt);
    r.Color = s.Color;
    r.Bold = s.Bold();
    r.Italic = s.Italic;
    r.Underline = s.Underline ? QStringLiteral("single") : QStringLiteral("none");
    r.Strike = s.Strike;
    r.Caps = s.Transform == QLatin1String("uppercase");
    r.SmallCaps = s.SmallCaps;
    r.VertAlign = s.VerticalAlign == QLatin1String("super") ? QStringLiteral("superscript")
                  : s.VerticalAlign == QLatin1String("sub") ? QStringLiteral("subscript")
                                                            : QStringLiteral("baseline");
    if (!background.isEmpty())
        r.Shading = TShading{background, QStringLiteral("clear"), QStringLiteral("auto")};
    return r;
}

// Direct formatting: what the text has that its styles do not give it already.
std::shared_ptr<const TRunProps> Reader::intern(const TRunProps &full, bool link)
{
    TRunProps base = m_docDefaults;
    auto it = m_resolved.find(m_paraStyle);
    if (it != m_resolved.end())
        base = it->second;
    if (link)
        base.Overlay(m_linkStyle);
    TRunProps d;
    if (link)
        d.Style = QStringLiteral("Hyperlink");
    auto differs = [](const auto &value, const auto &baseValue, const auto &def) { return value.value_or(def) != baseValue.value_or(def); };
    if (differs(full.Font, base.Font, QString()))
        d.Font = full.Font;
    if (differs(full.Size, base.Size, 24))
        d.Size = full.Size;
    if (differs(full.Color, base.Color, QStringLiteral("000000")) &&
        !(full.Color == QStringLiteral("000000") && base.Color == QStringLiteral("auto")))
        d.Color = full.Color;
    if (differs(full.Bold, base.Bold, false))
        d.Bold = full.Bold;
    if (differs(full.Italic, base.Italic, false))
        d.Italic = full.Italic;
    if (differs(full.Underline, base.Underline, QStringLiteral("none")))
        d.Underline = full.Underline;
    if (differs(full.Strike, base.Strike, false))
        d.Strike = full.Strike;
    if (differs(full.Caps, base.Caps, false))
        d.Caps = full.Caps;
    if (differs(full.SmallCaps, base.SmallCaps, false))
        d.SmallCaps = full.SmallCaps;
    if (differs(full.VertAlign, base.VertAlign, QStringLiteral("baseline")))
        d.VertAlign = full.VertAlign;
    if (full.Shading)
        d.Shading = full.Shading;
    // One shared object per distinct formatting keeps a long page small.
    QString key;
    key += d.Style.value_or(QString()) + '|' + d.Font.value_or(QString()) + '|' + QString::number(d.Size.value_or(-1)) + '|' +
           d.Color.value_or(QString()) + '|' + d.Underline.value_or(QString()) + '|' + d.VertAlign.value_or(QString()) + '|' +
           (d.Shading ? d.Shading->Fill : QString()) + '|';
    for (const auto &b : {d.Bold, d.Italic, d.Strike, d.Caps, d.SmallCaps})
        key += b ? (*b ? '1' : '0') : '-';
    auto found = m_interned.find(key);
    if (found != m_interned.end())
        return found->second;
    auto p = std::make_shared<const TRunProps>(d);
    m_interned.emplace(key, p);
    return p;
}

TBorder borderOf(const THtmlStyle &s, int side)
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

QString alignOf(const QString &textAlign)
{
    if (textAlign == QLatin1String("center"))
        return QStringLiteral("center");
    if (textAlign == QLatin1String("right"))
        return QStringLiteral("right");
    if (textAlign == QLatin1String("justify"))
        return QStringLiteral("both");
    return QStringLiteral("left");
}

int twips(double tw) { return int(std::clamp<int64_t>(RoundHalfEven(tw), -31680, 31680)); }

QString Reader::addParagraphStyle(const QString &id, const QString &name, const THtmlStyle &s, int outline)
{
    TStyle st;
    st.Id = id;
    st.Name = name;
    st.Type = TStyleType::Paragraph;
    st.BasedOn = id == m_normalId ? QString() : m_normalId;
    st.Next = m_normalId;
    st.Default = id == m_normalId;
    const TRunProps full = runOf(s, QString());
    const TRunProps &base = id == m_normalId ? m_docDefaults : m_resolved[m_normalId];
    if (full.Font != base.Font)
        st.RPr.Font = full.Font;
    if (full.Size != base.Size)
        st.RPr.Size = full.Size;
    if (full.Color.value_or(QString()) != base.Color.value_or(QStringLiteral("000000")))
        st.RPr.Color = full.Color;
    if (*full.Bold != base.Bold.value_or(false))
        st.RPr.Bold = full.Bold;
    if (*full.Italic != base.Italic.value_or(false))
        st.RPr.Italic = full.Italic;
    if (*full.Underline != base.Underline.value_or(QStringLiteral("none")))
        st.RPr.Underline = full.Underline;
    if (*full.Caps)
        st.RPr.Caps = true;
    if (*full.SmallCaps)
        st.RPr.SmallCaps = true;
    if (id != m_normalId) {
        st.PPr.SpaceBefore = twips(s.Margin[0]);
        st.PPr.SpaceAfter = twips(s.Margin[2]);
        const QString align = alignOf(s.TextAlign);
        if (align != QLatin1String("left"))
            st.PPr.Align = align;
    } else {
        st.PPr.SpaceBefore = 0;
        st.PPr.SpaceAfter = 0;
    }
    if (outline > 0) {
        st.PPr.OutlineLevel = outline - 1;
        st.PPr.KeepNext = true;
    }
    TRunProps resolved = id == m_normalId ? m_docDefaults : m_resolved[m_normalId];
    resolved.Overlay(st.RPr);
    m_resolved[id] = resolved;
    TParaProps resolvedPara = id == m_normalId ? TParaProps() : m_resolvedPara[m_normalId];
    resolvedPara.Overlay(st.PPr);
    m_resolvedPara[id] = resolvedPara;
    m_doc.Styles.Add(st);
    return id;
}

void Reader::makeStyles(TNode *body, const THtmlStyle &bodyStyle)
{
    m_docDefaults.Font = QStringLiteral("Times New Roman");
    m_docDefaults.Size = 24;
    m_docDefaults.Color = QStringLiteral("000000");
    m_doc.Styles.DocRPr.Font = m_docDefaults.Font;
    m_doc.Styles.DocRPr.Size = m_docDefaults.Size;
    addParagraphStyle(m_normalId, QStringLiteral("Normal"), bodyStyle, 0);
    // The styles show what a bare element of the page looks like; classes and ids stay direct
    // formatting of the paragraphs.
    for (int level = 1; level <= 6; ++level) {
        TSynthetic h(QStringLiteral("h%1").arg(level), body);
        TCssValues v;
        m_cascade.Compute(h, nullptr, nullptr, v);
        addParagraphStyle(QStringLiteral("Heading%1").arg(level), QStringLiteral("heading %1").arg(level),
                          ComputeHtmlStyle(v, bodyStyle, m_rootPt, kTextWidthTw), level);
    }
    {
        TSynthetic pre(QStringLiteral("pre"), body);
        TCssValues v;
        m_cascade.Compute(pre, nullptr, nullptr, v);
        addParagraphStyle(QStringLiteral("HTMLPreformatted"), QStringLiteral("HTML Preformatted"),
                          ComputeHtmlStyle(v, bodyStyle, m_rootPt, kTextWidthTw), 0);
    }
    {
        TSynthetic a(QStringLiteral("a"), body, true);
        TCssValues v;
        TCssDeclarations hints;
        if (!m_bodyLinkColor.isEmpty())
            hints.push_back(TCssDeclaration{TCssProperty::Color, '#' + m_bodyLinkColor, false});
        m_cascade.Compute(a, &hints, nullptr, v);
        const THtmlStyle s = ComputeHtmlStyle(v, bodyStyle, m_rootPt, kTextWidthTw);
        TStyle st;
        st.Id = QStringLiteral("Hyperlink");
        st.Name = QStringLiteral("Hyperlink");
        st.Type = TStyleType::Character;
        const TRunProps full = runOf(s, QString());
        const TRunProps &normal = m_resolved[m_normalId];
        if (full.Color != normal.Color)
            st.RPr.Color = full.Color;
        if (full.Underline != normal.Underline.value_or(QStringLiteral("none")))
            st.RPr.Underline = full.Underline;
        if (full.Bold != normal.Bold.value_or(false))
            st.RPr.Bold = full.Bold;
        if (full.Font != normal.Font)
            st.RPr.Font = full.Font;
        m_linkStyle = st.RPr;
        m_doc.Styles.Add(st);
    }
}

TParaProps Reader::paraOf(const TBlockContext &c, const QString &styleId)
{
    TParaProps p;
    if (styleId != m_normalId)
        p.Style = styleId;
    const TParaProps &base = m_resolvedPara[styleId];
    const QString align = alignOf(c.Style ? c.Style->TextAlign : QStringLiteral("left"));
    if (align != base.Align.value_or(QStringLiteral("left")))
        p.Align = align;
    if (twips(c.IndLeft) != 0)
        p.IndLeft = twips(c.IndLeft);
    if (twips(c.IndRight) != 0)
        p.IndRight = twips(c.IndRight);
    if (c.FirstParagraph && c.Style && twips(c.Style->TextIndent) != 0)
        p.IndFirst = twips(c.Style->TextIndent);
    if (c.Style) {
        if (c.Style->LineK == THtmlStyle::LineFactor) {
            p.Line = int(std::clamp<int64_t>(RoundHalfEven(240 * c.Style->LineV), 12, 31680));
            p.LineRule = QStringLiteral("auto");
        } else if (c.Style->LineK == THtmlStyle::LineExact) {
            p.Line = int(std::clamp<int64_t>(RoundHalfEven(c.Style->LineV), 20, 31680));
            p.LineRule = QStringLiteral("exact");
        }
    }
    if (!c.Background.isEmpty())
        p.Shading = TShading{c.Background, QStringLiteral("clear"), QStringLiteral("auto")};
    if (c.Borders) {
        const THtmlStyle &b = *c.Borders;
        if (b.BorderWidth[0] > 0)
            p.BorderTop = borderOf(b, 0);
        if (b.BorderWidth[1] > 0)
            p.BorderRight = borderOf(b, 1);
        if (b.BorderWidth[2] > 0)
            p.BorderBottom = borderOf(b, 2);
        if (b.BorderWidth[3] > 0)
            p.BorderLeft = borderOf(b, 3);
    }
    return p;
}

// --- paragraphs -----------------------------------------------------------------------------------

TParagraph &Reader::para()
{
    if (m_para)
        return *m_para;
    TBlockContext &c = ctx();
    TContainer &box = container();
    m_paraStyle = c.HeadingLevel ? QStringLiteral("Heading%1").arg(c.HeadingLevel) : c.Pre ? QStringLiteral("HTMLPreformatted") : m_normalId;
    TParaProps props = paraOf(c, m_paraStyle);
    c.FirstParagraph = false;
    // Vertical margins of neighbouring blocks overlap, as on screen: the gap is the larger one.
    const int before = twips(std::max(0.0, box.PendingTop - (box.Previous ? box.PendingBottom : 0)));
    if (box.Previous) {
        auto prev = std::make_shared<TParaProps>(*box.Previous->Props);
        prev->SpaceAfter = twips(std::max(0.0, box.PendingBottom));
        box.Previous->Props = prev;
    }
    props.SpaceBefore = before;
    props.SpaceAfter = 0;
    box.PendingTop = box.PendingBottom = 0;
    if (m_pageBreak) {
        props.PageBreakBefore = true;
        m_pageBreak = false;
    }
    if (m_item.Active) {
        props.NumId = m_item.NumId;
        props.NumLevel = m_item.Level;
        props.IndFirst = -std::min(360, std::max(0, props.IndLeft.value_or(0)));
        m_item.Active = false;
    }
    auto p = std::make_unique<TParagraph>();
    p->Props = std::make_shared<const TParaProps>(std::move(props));
    p->Where = c.Where;
    m_para = p.get();
    box.Blocks->push_back(TBlock{std::move(p), nullptr});
    box.Previous = m_para;
    m_lastSpace = true;
    flushPendingBookmarks(*m_para);
    return *m_para;
}

void Reader::closeParagraph()
{
    if (!m_para)
        return;
    endLinkField();
    auto &in = m_para->Inlines;
    // The last text, looking through marks that take no room.
    auto lastText = [&]() -> TInline * {
        for (auto it = in.rbegin(); it != in.rend(); ++it) {
            if (it->Kind == TInlineKind::Text) {
                if (!it->Text.isEmpty())
                    return &*it;
                continue;
            }
            if (it->Kind != TInlineKind::FieldEnd && it->Kind != TInlineKind::BookmarkStart && it->Kind != TInlineKind::BookmarkEnd)
                return nullptr;
        }
        return nullptr;
    };
    // Blanks at the end of a line are not shown; nor is a line break that ends the paragraph.
    auto strip = [&] {
        if (m_paraStyle == QLatin1String("HTMLPreformatted"))
            return;
        while (TInline *t = lastText()) {
            while (t->Text.endsWith(' '))
                t->Text.chop(1);
            if (!t->Text.isEmpty())
                break;
        }
    };
    strip();
    if (TInline *t = lastText(); t && t->Text.endsWith(QChar(chars::LineBreak))) {
        t->Text.chop(1);
        strip();
    }
    in.erase(std::remove_if(in.begin(), in.end(), [](const TInline &x) { return x.Kind == TInlineKind::Text && x.Text.isEmpty(); }), in.end());
    m_para->Touch();
    m_para = nullptr;
    m_lastSpace = true;
}

void Reader::beginLinkIfNeeded(const std::shared_ptr<const TRunProps> &props)
{
    if (!m_link.Active || m_link.Begun)
        return;
    m_link.Field = std::make_shared<TFieldInfo>();
    m_link.Props = props;
    TInline b;
    b.Kind = TInlineKind::FieldBegin;
    b.Field = m_link.Field;
    b.Props = props;
    m_para->Inlines.push_back(b);
    TInline code;
    code.Kind = TInlineKind::Text;
    code.Text = m_link.Code;
    code.Props = props;
    m_para->Inlines.push_back(code);
    TInline sep = b;
    sep.Kind = TInlineKind::FieldSeparator;
    m_para->Inlines.push_back(sep);
    m_link.Begun = true;
}

void Reader::endLinkField()
{
    if (!m_link.Begun || !m_para)
        return;
    TInline e;
    e.Kind = TInlineKind::FieldEnd;
    e.Field = m_link.Field;
    e.Props = m_link.Props;
    m_para->Inlines.push_back(e);
    m_link.Begun = false;
}

void Reader::appendText(const QString &t, const THtmlStyle &st, const TInlineState &is)
{
    TParagraph &p = para();
    // The paragraph's style is known only now: formatting is what differs from it.
    const auto props = intern(runOf(st, is.Background), m_link.Active);
    beginLinkIfNeeded(props);
    if (!p.Inlines.empty()) {
        TInline &last = p.Inlines.back();
        if (last.Kind == TInlineKind::Text && last.Props == props) {
            last.Text += t;
            return;
        }
    }
    TInline in;
    in.Kind = TInlineKind::Text;
    in.Text = t;
    in.Props = props;
    p.Inlines.push_back(std::move(in));
}

void Reader::appendInline(TInline in, const THtmlStyle &st, const TInlineState &is)
{
    TParagraph &p = para();
    in.Props = intern(runOf(st, is.Background), m_link.Active);
    beginLinkIfNeeded(in.Props);
    p.Inlines.push_back(std::move(in));
}

void Reader::bookmark(const QString &raw)
{
    const QString name = raw.trimmed();
    // Names compare without regard to case, as bookmark names do; the first one counts.
    if (name.isEmpty() || m_bookmarks.contains(name.toLower()))
        return;
    m_bookmarks.insert(name.toLower());
    if (m_para) {
        TInline s;
        s.Kind = TInlineKind::BookmarkStart;
        s.Text = name;
        s.Id = m_nextBookmarkId;
        TInline e;
        e.Kind = TInlineKind::BookmarkEnd;
        e.Id = m_nextBookmarkId++;
        m_para->Inlines.push_back(s);
        m_para->Inlines.push_back(e);
    } else {
        m_pendingBookmarks.push_back(name);
    }
}

void Reader::flushPendingBookmarks(TParagraph &p)
{
    for (const QString &name : m_pendingBookmarks) {
        TInline s;
        s.Kind = TInlineKind::BookmarkStart;
        s.Text = name;
        s.Id = m_nextBookmarkId;
        TInline e;
        e.Kind = TInlineKind::BookmarkEnd;
        e.Id = m_nextBookmarkId++;
        p.Inlines.push_back(s);
        p.Inlines.push_back(e);
    }
    m_pendingBookmarks.clear();
}

// A cell or the body ends: it ends in a paragraph, which carries the bookmarks still waiting.
void Reader::finishContainer()
{
    closeParagraph();
    TContainer &box = container();
    if (box.Previous) {
        auto prev = std::make_shared<TParaProps>(*box.Previous->Props);
        prev->SpaceAfter = twips(std::max(0.0, box.PendingBottom));
        box.Previous->Props = prev;
    }
    if (box.Blocks->empty() || box.Blocks->back().Table || !m_pendingBookmarks.empty()) {
        if (!box.Blocks->empty() && box.Blocks->back().Paragraph && !m_pendingBookmarks.empty()) {
            flushPendingBookmarks(*box.Blocks->back().Paragraph);
        } else {
            box.PendingTop = box.PendingBottom = 0;
            para();
            closeParagraph();
        }
    }
}

// --- the walk -------------------------------------------------------------------------------------

void Reader::children(xmlNode *n, const THtmlStyle &style, const TInlineState &is, int depth)
{
    for (xmlNode *c = n->children; c; c = c->next) {
        switch (c->type) {
        case XML_ELEMENT_NODE:
            element(c, style, is, depth + 1);
            break;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            text(fromXml(c->content), style, is);
            break;
        default:
            break;
        }
    }
}

void Reader::anchorsOf(xmlNode *n, TNode *w)
{
    if (w->TagName == QLatin1String("a") && hasAttr(n, "name"))
        bookmark(attr(n, "name"));
    if (!w->IdValue.isEmpty())
        bookmark(w->IdValue);
}

// Hidden content shows nothing, but links to the anchors inside it still need their targets.
void Reader::hiddenAnchors(xmlNode *root)
{
    walkTree(root, [&](xmlNode *n) {
        if (n->type != XML_ELEMENT_NODE)
            return false;
        if (tagOf(n) == QLatin1String("a") && hasAttr(n, "name"))
            bookmark(attr(n, "name"));
        if (hasAttr(n, "id"))
            bookmark(attr(n, "id"));
        return true;
    });
}

// Beyond the nesting limit the structure is dropped and only the text is kept.
void Reader::flatText(xmlNode *root, const THtmlStyle &st, const TInlineState &is)
{
    walkTree(root, [&](xmlNode *n) {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE)
            text(fromXml(n->content), st, is);
        if (n->type != XML_ELEMENT_NODE)
            return false;
        const QString tag = tagOf(n);
        return tag != QLatin1String("script") && tag != QLatin1String("style");
    });
}

void Reader::element(xmlNode *n, const THtmlStyle &parent, const TInlineState &is, int depth)
{
    if (depth > m_options.MaxDepth) {
        warn(QStringLiteral("deep"), QStringLiteral("The page nests its elements deeper than %1 levels; the deeper ones are read as plain text").arg(m_options.MaxDepth), n);
        flatText(n, parent, is);
        return;
    }
    TNode *w = node(n);
    const QString &tag = w->TagName;
    static const QStringList embedded = {"iframe", "embed", "applet", "object", "video", "audio", "frame"};
    if (embedded.contains(tag))
        warn(QStringLiteral("embedded: ") + tag,
             QStringLiteral("An embedded %1 element cannot be read into the document; its alternative content is kept").arg(tag), n);
    const double containerTw = std::max(0.0, ctx().Width - ctx().IndLeft - ctx().IndRight);
    THtmlStyle st = styleOf(w, parent, containerTw);
    if (st.Display == QLatin1String("none")) {
        if (tag == QLatin1String("object") || tag == QLatin1String("applet")) {
            st.Display = QStringLiteral("inline"); // the alternative content inside shows instead
        } else {
            hiddenAnchors(n);
            return;
        }
    }
    if (tag == QLatin1String("param"))
        return;
    if (tag == QLatin1String("br")) {
        anchorsOf(n, w);
        lineBreak(st, is);
        return;
    }
    if (tag == QLatin1String("img") || (tag == QLatin1String("input") && attr(n, "type").toLower() == QLatin1String("image"))) {
        anchorsOf(n, w);
        picture(n, st, is);
        return;
    }
    if (tag == QLatin1String("hr")) {
        anchorsOf(n, w);
        rule(n, st);
        return;
    }
    if (tag == QLatin1String("table") && (st.Display == QLatin1String("table") || st.Display == QLatin1String("inline-table"))) {
        table(n, w, st, depth);
        return;
    }
    static const QStringList blockish = {"block", "list-item", "flow-root", "flex", "grid", "table", "table-caption",
                                         "table-row", "table-cell", "table-row-group", "table-header-group",
                                         "table-footer-group", "run-in", "inline-table"};
    if (blockish.contains(st.Display) && tag != QLatin1String("html") && tag != QLatin1String("body"))
        block(n, w, st, depth);
    else if (tag == QLatin1String("html") || tag == QLatin1String("body"))
        children(n, st, is, depth);
    else
        inlineElement(n, w, st, is, depth);
}

int Reader::listLevelFor(const QString &type, int level, int start, double indLeft)
{
    TAbstractNum a;
    a.Id = m_nextAbstract++;
    TNumLevel &l = a.Levels[size_t(level)];
    l.Defined = true;
    l.Start = std::clamp(start, 0, 32767);
    static const std::pair<const char *, const char *> formats[] = {
        {"decimal", "decimal"},         {"decimal-leading-zero", "decimalZero"}, {"lower-roman", "lowerRoman"},
        {"upper-roman", "upperRoman"},  {"lower-alpha", "lowerLetter"},         {"lower-latin", "lowerLetter"},
        {"upper-alpha", "upperLetter"}, {"upper-latin", "upperLetter"},         {"none", "none"}};
    l.Format = QStringLiteral("bullet");
    for (const auto &[css, word] : formats)
        if (type == QLatin1String(css))
            l.Format = QLatin1String(word);
    if (l.Format == QLatin1String("bullet")) {
        if (type == QLatin1String("circle")) {
            l.Text = QStringLiteral("o");
            l.RPr.Font = QStringLiteral("Courier New");
        } else if (type == QLatin1String("square")) {
            l.Text = QString(QChar(0x25AA));
        } else {
            l.Text = QString(QChar(0x2022));
        }
    } else if (l.Format == QLatin1String("none")) {
        l.Text.clear();
    } else {
        l.Text = QStringLiteral("%%1.").arg(level + 1);
    }
    l.PPr.IndLeft = twips(indLeft);
    l.PPr.IndFirst = -std::min(360, std::max(0, twips(indLeft)));
    m_doc.Numbering.Abstracts[a.Id] = a;
    TNum num;
    num.Id = m_nextNum++;
    num.AbstractId = a.Id;
    m_doc.Numbering.Nums[num.Id] = num;
    return num.Id;
}

void Reader::block(xmlNode *n, TNode *w, const THtmlStyle &stIn, int depth)
{
    const QString &tag = w->TagName;
    closeParagraph();
    TContainer &box = container();
    m_styleStore.push_back(stIn);
    const THtmlStyle &st = m_styleStore.back();
    box.PendingTop = std::max(box.PendingTop, st.Margin[0]);
    if (st.PageBreakBefore)
        m_pageBreak = true;

    TBlockContext c = ctx();
    c.Style = &st;
    c.FirstParagraph = true;
    c.Where = where(n);
    c.IndLeft += (st.MarginAuto[3] ? 0 : st.Margin[3]) + st.BorderWidth[3] + st.Padding[3];
    c.IndRight += (st.MarginAuto[1] ? 0 : st.Margin[1]) + st.BorderWidth[1] + st.Padding[1];
    c.IndLeft = std::clamp(c.IndLeft, -2880.0, 31680.0);
    c.IndRight = std::clamp(c.IndRight, -2880.0, 31680.0);
    if (!st.Background.isEmpty())
        c.Background = st.Background;
    if (st.HasBorder())
        c.Borders = &st;
    if (tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6')
        c.HeadingLevel = tag[1].unicode() - '0';
    if (tag == QLatin1String("pre") || tag == QLatin1String("listing") || tag == QLatin1String("xmp") || tag == QLatin1String("plaintext")) {
        c.Pre = true;
        m_skipNewline = true;
    }
    m_blocks.push_back(c);

    const bool list = tag == QLatin1String("ul") || tag == QLatin1String("ol") || tag == QLatin1String("dir") || tag == QLatin1String("menu");
    const bool item = st.Display == QLatin1String("list-item");
    if (list) {
        TListContext l;
        l.Level = std::min(int(m_lists.size()), 8);
        if (tag == QLatin1String("ol") && hasAttr(n, "start"))
            l.Start = attr(n, "start").trimmed().toInt();
        m_lists.push_back(l);
    }
    bool implicitList = false;
    if (item) {
        if (m_lists.empty()) {
            m_lists.push_back(TListContext());
            implicitList = true;
        }
        TListContext &l = m_lists.back();
        bool valueOk = false;
        const int value = hasAttr(n, "value") ? attr(n, "value").trimmed().toInt(&valueOk) : 0;
        if (l.NumId < 0 || valueOk) {
            // A list starts its numbering once; an item with its own value starts it again there.
            l.NumId = listLevelFor(st.ListStyle, l.Level, valueOk ? value : l.Start, c.IndLeft);
        }
        m_item.Active = true;
        m_item.NumId = l.NumId;
        m_item.Level = l.Level;
    }

    anchorsOf(n, w);
    TInlineState fresh;
    children(n, st, fresh, depth);
    closeParagraph();
    if (item && m_item.Active) {
        // An empty item still shows its number or bullet.
        para();
        closeParagraph();
    }
    m_item.Active = false;
    if (list || implicitList)
        m_lists.pop_back();
    m_blocks.pop_back();
    container().PendingBottom = std::max(container().PendingBottom, st.Margin[2]);
    if (c.Pre)
        m_skipNewline = false;
    m_styleStore.pop_back();
}

void Reader::inlineElement(xmlNode *n, TNode *w, const THtmlStyle &st, const TInlineState &isIn, int depth)
{
    TInlineState is = isIn;
    if (!st.Background.isEmpty())
        is.Background = st.Background;
    anchorsOf(n, w);
    // A box of fixed width at the start of a paragraph with a hanging first line is a list
    // label, as word processors write their lists into pages: a tab follows it.
    bool label = false;
    if (st.Display == QLatin1String("inline-block") && st.Width.K == THtmlLength::Twips && ctx().Style && ctx().Style->TextIndent < 0) {
        label = !m_para || std::none_of(m_para->Inlines.begin(), m_para->Inlines.end(), [](const TInline &x) {
            return x.Kind == TInlineKind::Text || x.Kind == TInlineKind::Shape;
        });
    }
    if (w->IsLink() && w->TagName == QLatin1String("a") && !m_link.Active)
        link(n, w, st, is, depth);
    else
        children(n, st, is, depth);
    if (label && m_para) {
        appendText(QString(QChar(chars::Tab)), st, is);
        m_lastSpace = true;
    }
}

void Reader::link(xmlNode *n, TNode *w, const THtmlStyle &st, const TInlineState &is, int depth)
{
    const QString href = attr(n, "href").trimmed();
    if (href.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive) || href.startsWith(QLatin1String("vbscript:"), Qt::CaseInsensitive)) {
        warn(QStringLiteral("script link"), QStringLiteral("A link that runs a script is kept as plain text"), n);
        children(n, st, is, depth);
        return;
    }
    QString file = href, anchor;
    const qsizetype hash = href.indexOf('#');
    if (hash >= 0) {
        file = href.left(hash);
        anchor = href.mid(hash + 1);
    }
    if (!hasScheme(file) || file.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        file = QUrl::fromPercentEncoding(file.toUtf8());
    anchor = QUrl::fromPercentEncoding(anchor.toUtf8());
    if (file.isEmpty() && anchor.isEmpty()) {
        children(n, st, is, depth);
        return;
    }
    QString code = QStringLiteral(" HYPERLINK ");
    if (!file.isEmpty())
        code += QuoteFieldArgument(file) + ' ';
    if (!anchor.isEmpty())
        code += QStringLiteral("\\l ") + QuoteFieldArgument(anchor) + ' ';
    if (hasAttr(n, "title"))
        code += QStringLiteral("\\o ") + QuoteFieldArgument(attr(n, "title").simplified()) + ' ';
    if (hasAttr(n, "target"))
        code += QStringLiteral("\\t ") + QuoteFieldArgument(attr(n, "target").trimmed()) + ' ';
    m_link = TLinkState();
    m_link.Active = true;
    m_link.Code = code;
    Q_UNUSED(w);
    children(n, st, is, depth);
    endLinkField();
    m_link = TLinkState();
}

void Reader::text(const QString &rawIn, const THtmlStyle &st, const TInlineState &is)
{
    if (st.Hidden || rawIn.isEmpty())
        return;
    QString raw = rawIn;
    if (m_skipNewline) {
        // The line break right after the start of preformatted text is not shown.
        if (raw.startsWith(QLatin1String("\r\n")))
            raw.remove(0, 2);
        else if (raw.startsWith('\n') || raw.startsWith('\r'))
            raw.remove(0, 1);
        m_skipNewline = false;
    }
    mapC1(raw);
    const QString &ws = st.WhiteSpace;
    const bool keepSpaces = ws == QLatin1String("pre") || ws == QLatin1String("pre-wrap");
    const bool keepBreaks = keepSpaces || ws == QLatin1String("pre-line");
    QString out;
    out.reserve(raw.size());
    bool last = m_para ? m_lastSpace : true;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QChar c = raw[i];
        const char16_t u = c.unicode();
        if (u == '\r') {
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                continue;
            c = QChar('\n');
        }
        if (c == '\n' && keepBreaks) {
            if (!keepSpaces)
                while (out.endsWith(' '))
                    out.chop(1);
            out += QChar(chars::LineBreak);
            last = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\f') {
            if (keepSpaces) {
                out += c == '\t' ? QChar(chars::Tab) : QChar(' ');
                last = false;
            } else if (!last) {
                out += ' ';
                last = true;
            }
            continue;
        }
        if (u < 0x20 || u == 0x7F || (u >= 0xFFF9 && u <= 0xFFFB))
            continue;
        out += u == 0xAD ? QChar(chars::SoftHyphen) : c;
        last = false;
    }
    if (out.isEmpty())
        return;
    if (st.Transform == QLatin1String("lowercase"))
        out = out.toLower();
    appendText(out, st, is); // may start the paragraph, which starts with no blank pending
    m_lastSpace = last;
}

void Reader::lineBreak(const THtmlStyle &st, const TInlineState &is)
{
    if (st.Hidden)
        return;
    TParagraph &p = para();
    // Blanks before a break end a line and are not shown.
    if (!p.Inlines.empty() && p.Inlines.back().Kind == TInlineKind::Text && m_paraStyle != QLatin1String("HTMLPreformatted"))
        while (p.Inlines.back().Text.endsWith(' '))
            p.Inlines.back().Text.chop(1);
    appendText(QString(QChar(chars::LineBreak)), st, is);
    m_lastSpace = true;
}

void Reader::rule(xmlNode *n, const THtmlStyle &st)
{
    closeParagraph();
    container().PendingTop = std::max(container().PendingTop, st.Margin[0]);
    THtmlStyle line = st;
    bool ok = false;
    double px = attr(n, "size").trimmed().toDouble(&ok);
    if (!ok || px <= 0)
        px = st.Height.K == THtmlLength::Twips && st.Height.V > 0 ? st.Height.V / 15 : 2;
    line.BorderWidth[0] = line.BorderWidth[1] = line.BorderWidth[3] = 0;
    line.BorderWidth[2] = std::clamp(px, 0.25, 12.0) * 15;
    line.BorderStyle[2] = QStringLiteral("solid");
    const QString color = hasAttr(n, "color") ? CssColor(attr(n, "color"), true) : QString();
    line.BorderColor[2] = !color.isEmpty() ? color : st.BorderWidth[2] > 0 ? st.BorderColor[2] : QStringLiteral("808080");
    m_styleStore.push_back(line);
    TBlockContext c = ctx();
    c.Borders = &m_styleStore.back();
    c.Style = &m_styleStore.back();
    c.Where = where(n);
    c.HeadingLevel = 0;
    m_blocks.push_back(c);
    para();
    closeParagraph();
    m_blocks.pop_back();
    m_styleStore.pop_back();
    container().PendingBottom = std::max(container().PendingBottom, st.Margin[2]);
}

void Reader::picture(xmlNode *n, const THtmlStyle &st, const TInlineState &is)
{
    if (st.Hidden)
        return;
    const QString src = attr(n, "src").trimmed();
    const QString alt = attr(n, "alt");
    auto fallback = [&]() {
        if (!alt.trimmed().isEmpty())
            text(alt, st, is);
    };
    auto shape = std::make_shared<TShape>();
    shape->Kind = TShapeKind::Picture;
    shape->Where = where(n);
    shape->Description = alt;
    shape->Title = attr(n, "title");
    shape->Name = QStringLiteral("Picture %1").arg(++m_pictures);
    QSize natural;
    if (src.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        const qsizetype comma = src.indexOf(',');
        const QString meta = src.mid(5, comma < 0 ? 0 : comma - 5).toLower();
        if (comma < 0 || src.size() - comma > m_options.MaxEmbeddedPictureBytes * 4 / 3 + 4) {
            warn(QStringLiteral("picture data"), QStringLiteral("A picture inside the page is damaged or too large and is left out"), n);
            fallback();
            return;
        }
        const QByteArray payload = src.mid(comma + 1).toLatin1();
        const QByteArray data = meta.endsWith(QLatin1String(";base64")) ? QByteArray::fromBase64(payload) : QByteArray::fromPercentEncoding(payload);
        const QString mime = meta.section(';', 0, 0);
        QString ext = mime.startsWith(QLatin1String("image/")) ? mime.mid(6) : QString();
        if (ext == QLatin1String("jpeg"))
            ext = QStringLiteral("jpg");
        if (ext.startsWith(QLatin1String("svg")))
            ext = QStringLiteral("svg");
        if (data.isEmpty() || ext.isEmpty() || ext.size() > 8 || std::any_of(ext.begin(), ext.end(), [](QChar ch) { return !(ch.isDigit() || (ch >= 'a' && ch <= 'z')); })) {
            warn(QStringLiteral("picture data"), QStringLiteral("A picture inside the page is damaged or too large and is left out"), n);
            fallback();
            return;
        }
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        natural = reader.size();
        const QString part = QStringLiteral("word/media/htmlimage%1.%2").arg(m_pictures).arg(ext);
        m_doc.Media[part] = TMediaPart{data, mime};
        shape->MediaPart = part;
    } else {
        QString why;
        bool caseDiffers = false;
        const QString path = src.isEmpty() ? QString() : m_files.Resolve(m_pageFolder, src, why, caseDiffers);
        if (path.isEmpty()) {
            warn(QStringLiteral("picture: ") + src,
                 src.isEmpty() ? QStringLiteral("A picture without an address is left out")
                               : QStringLiteral("The picture \"%1\" is left out: %2").arg(src.left(200), why),
                 n);
            fallback();
            return;
        }
        if (caseDiffers)
            warn(QStringLiteral("picture case: ") + src, QStringLiteral("The picture \"%1\" is found in another letter case").arg(src.left(200)), n);
        QFile f;
        if (!m_files.Open(path, m_options.MaxPictureBytes, f, why)) {
            warn(QStringLiteral("picture: ") + src, QStringLiteral("The picture \"%1\" is left out: %2").arg(src.left(200), why), n);
            fallback();
            return;
        }
        QImageReader reader(&f);
        natural = reader.size();
        if (!natural.isValid())
            warn(QStringLiteral("picture format: ") + src, QStringLiteral("The picture \"%1\" is not in a format whose size can be read").arg(src.left(200)), n);
        shape->LinkTarget = path;
    }
    // Attributes and CSS give the size; one of them alone keeps the picture's proportions.
    const double containerTw = std::max(0.0, ctx().Width - ctx().IndLeft - ctx().IndRight);
    auto size = [&](const THtmlLength &l, double &out) {
        if (l.K == THtmlLength::Twips)
            out = l.V;
        else if (l.K == THtmlLength::Percent)
            out = containerTw * l.V / 100;
    };
    double w = -1, h = -1;
    size(st.Width, w);
    size(st.Height, h);
    const double nw = natural.isValid() ? natural.width() * 15.0 : 0, nh = natural.isValid() ? natural.height() * 15.0 : 0;
    if (w < 0 && h < 0) {
        w = nw > 0 ? nw : 1440;
        h = nh > 0 ? nh : 1440;
    } else if (w < 0) {
        w = nh > 0 ? h * nw / nh : h;
    } else if (h < 0) {
        h = nw > 0 ? w * nh / nw : w;
    }
    qint64 we = qint64(std::clamp(w, 0.0, 1.0e9) * kEmuPerTwip), he = qint64(std::clamp(h, 0.0, 1.0e9) * kEmuPerTwip);
    if (we > kMaxPictureEmu || he > kMaxPictureEmu) {
        const double scale = double(kMaxPictureEmu) / double(std::max(we, he));
        we = qint64(double(we) * scale);
        he = qint64(double(he) * scale);
    }
    shape->WidthEmu = we;
    shape->HeightEmu = he;
    TInline in;
    in.Kind = TInlineKind::Shape;
    in.Shape = shape;
    appendInline(std::move(in), st, is);
    m_lastSpace = false;
}

// --- tables ---------------------------------------------------------------------------------------

void Reader::table(xmlNode *n, TNode *w, const THtmlStyle &stIn, int depth)
{
    if (m_tableDepth >= m_options.MaxTableDepth) {
        warn(QStringLiteral("table depth"), QStringLiteral("Tables are nested deeper than %1 levels; the inner ones are read as paragraphs").arg(m_options.MaxTableDepth), n);
        block(n, w, stIn, depth);
        return;
    }
    closeParagraph();
    m_styleStore.push_back(stIn);
    const THtmlStyle &st = m_styleStore.back();
    anchorsOf(n, w);

    // Rows in their groups; content that is not part of a row shows before the table, as
    // browsers move it there.
    struct Cell
    {
        xmlNode *Node;
        TNode *W;
        THtmlStyle Style;
        int Col = 0, ColSpan = 1, RowSpan = 1;
    };
    struct Row
    {
        xmlNode *Node;
        TNode *W;
        THtmlStyle Style;
        int Group = 0;
        bool Header = false;
        std::vector<Cell> Cells;
    };
    std::vector<Row> rows, footer;
    std::vector<xmlNode *> captions;
    const double containerTw = std::max(0.0, ctx().Width - ctx().IndLeft - ctx().IndRight);
    double tableTw = containerTw;
    if (st.Width.K == THtmlLength::Twips)
        tableTw = std::min(st.Width.V, 31680.0);
    else if (st.Width.K == THtmlLength::Percent)
        tableTw = containerTw * std::min(st.Width.V, 100.0) / 100;
    int group = 0;
    TInlineState none;
    auto addRow = [&](xmlNode *tr, const THtmlStyle &groupStyle, int g, bool header, bool foot) {
        TNode *rw = node(tr);
        Row row{tr, rw, styleOf(rw, groupStyle, tableTw), g, header, {}};
        if (row.Style.Display == QLatin1String("none")) {
            hiddenAnchors(tr);
            return;
        }
        for (xmlNode *c = tr->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE) {
                continue;
            }
            const QString t = tagOf(c);
            if (t != QLatin1String("td") && t != QLatin1String("th")) {
                element(c, st, none, depth + 1);
                continue;
            }
            TNode *cw = node(c);
            Cell cell{c, cw, styleOf(cw, row.Style, tableTw), 0, 1, 1};
            if (cell.Style.Display == QLatin1String("none")) {
                hiddenAnchors(c);
                continue;
            }
            bool ok = false;
            cell.ColSpan = std::clamp(attr(c, "colspan").trimmed().toInt(&ok), 1, 1000);
            if (!ok)
                cell.ColSpan = 1;
            const int rs = attr(c, "rowspan").trimmed().toInt(&ok);
            cell.RowSpan = !ok ? 1 : rs == 0 ? 65534 : std::clamp(rs, 1, 65534);
            row.Cells.push_back(std::move(cell));
        }
        (foot ? footer : rows).push_back(std::move(row));
    };
    for (xmlNode *c = n->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE) {
            text(fromXml(c->content), st, none);
            continue;
        }
        if (c->type != XML_ELEMENT_NODE)
            continue;
        const QString t = tagOf(c);
        if (t == QLatin1String("tr")) {
            addRow(c, st, group, false, false);
        } else if (t == QLatin1String("thead") || t == QLatin1String("tbody") || t == QLatin1String("tfoot")) {
            TNode *gw = node(c);
            const THtmlStyle gs = styleOf(gw, st, tableTw);
            if (gs.Display == QLatin1String("none")) {
                hiddenAnchors(c);
                continue;
            }
            ++group;
            for (xmlNode *r = c->children; r; r = r->next) {
                if (r->type == XML_ELEMENT_NODE && tagOf(r) == QLatin1String("tr"))
                    addRow(r, gs, group, t == QLatin1String("thead"), t == QLatin1String("tfoot"));
                else if (r->type == XML_ELEMENT_NODE)
                    element(r, st, none, depth + 1);
            }
            ++group;
        } else if (t == QLatin1String("caption")) {
            captions.push_back(c);
        } else if (t == QLatin1String("col") || t == QLatin1String("colgroup")) {
            continue;
        } else {
            element(c, st, none, depth + 1);
        }
    }
    closeParagraph();
    for (xmlNode *c : captions)
        element(c, st, none, depth + 1);
    closeParagraph();
    for (Row &r : footer)
        rows.push_back(std::move(r));
    if (rows.empty()) {
        m_styleStore.pop_back();
        return;
    }

    // Place the cells on the grid: cells spanning rows take their columns in the rows below,
    // within their row group.
    const int rowCount = int(rows.size());
    std::vector<int> groupEnd(static_cast<size_t>(rowCount));
    for (int r = rowCount - 1; r >= 0; --r)
        groupEnd[size_t(r)] = (r + 1 < rowCount && rows[size_t(r + 1)].Group == rows[size_t(r)].Group) ? groupEnd[size_t(r + 1)] : r + 1;
    struct Slot
    {
        int Row = -1, Cell = -1; // the origin cell
    };
    std::vector<std::vector<Slot>> grid(static_cast<size_t>(rowCount), std::vector<Slot>(kMaxColumns));
    int columns = 0;
    bool clipped = false;
    std::vector<std::vector<int>> overflow(static_cast<size_t>(rowCount)); // cells beyond the last column
    for (int r = 0; r < rowCount; ++r) {
        int col = 0;
        for (int k = 0; k < int(rows[size_t(r)].Cells.size()); ++k) {
            Cell &cell = rows[size_t(r)].Cells[size_t(k)];
            while (col < kMaxColumns && grid[size_t(r)][size_t(col)].Row >= 0)
                ++col;
            if (col >= kMaxColumns) {
                clipped = true;
                overflow[size_t(r)].push_back(k);
                continue;
            }
            cell.Col = col;
            if (col + cell.ColSpan > kMaxColumns) {
                clipped = true;
                cell.ColSpan = kMaxColumns - col;
            }
            cell.RowSpan = std::min(cell.RowSpan, groupEnd[size_t(r)] - r);
            for (int dr = 0; dr < cell.RowSpan; ++dr)
                for (int dc = 0; dc < cell.ColSpan; ++dc)
                    if (grid[size_t(r + dr)][size_t(col + dc)].Row < 0)
                        grid[size_t(r + dr)][size_t(col + dc)] = Slot{r, k};
            col += cell.ColSpan;
            columns = std::max(columns, col);
        }
    }
    if (clipped)
        warn(QStringLiteral("table columns"), QStringLiteral("A table has more than %1 columns; the cells beyond are joined into the last one").arg(kMaxColumns), n);
    if (columns == 0) {
        m_styleStore.pop_back();
        return;
    }

    auto table = std::make_unique<TTable>();
    table->Where = where(n);
    TTable &t = *table;
    if (st.Width.K == THtmlLength::Twips)
        t.Props.Width = TWidth{QStringLiteral("dxa"), twips(st.Width.V)};
    else if (st.Width.K == THtmlLength::Percent)
        t.Props.Width = TWidth{QStringLiteral("pct"), int(std::min(st.Width.V, 100.0) * 50)};
    else
        t.Props.Width = TWidth{QStringLiteral("auto"), 0};
    if (st.MarginAuto[1] && st.MarginAuto[3])
        t.Props.Align = QStringLiteral("center");
    else if (st.MarginAuto[3])
        t.Props.Align = QStringLiteral("right");
    if (twips(ctx().IndLeft + st.Margin[3]) != 0 && !st.MarginAuto[3])
        t.Props.Indent = twips(ctx().IndLeft + (st.MarginAuto[3] ? 0 : st.Margin[3]));
    if (st.BorderWidth[0] > 0)
        t.Props.Borders.Top = borderOf(st, 0);
    if (st.BorderWidth[1] > 0)
        t.Props.Borders.Right = borderOf(st, 1);
    if (st.BorderWidth[2] > 0)
        t.Props.Borders.Bottom = borderOf(st, 2);
    if (st.BorderWidth[3] > 0)
        t.Props.Borders.Left = borderOf(st, 3);
    if (!st.Background.isEmpty())
        t.Props.Shading = TShading{st.Background, QStringLiteral("clear"), QStringLiteral("auto")};
    if (hasAttr(n, "cellpadding")) {
        const int pad = twips(std::clamp(attr(n, "cellpadding").trimmed().toDouble(), 0.0, 200.0) * 15);
        t.Props.CellMargins = TMargins{pad, pad, pad, pad};
    }
    if (hasAttr(n, "cellspacing"))
        t.Props.CellSpacing = twips(std::clamp(attr(n, "cellspacing").trimmed().toDouble(), 0.0, 200.0) * 15);

    // Column widths: cells with a width of their own fix their column, the rest share what is left.
    std::vector<double> widths(size_t(columns), -1);
    for (const Row &r : rows)
        for (const Cell &c : r.Cells)
            if (c.ColSpan == 1 && c.Col < columns) {
                double cw = -1;
                if (c.Style.Width.K == THtmlLength::Twips)
                    cw = c.Style.Width.V;
                else if (c.Style.Width.K == THtmlLength::Percent)
                    cw = tableTw * std::min(c.Style.Width.V, 100.0) / 100;
                if (cw > 0)
                    widths[size_t(c.Col)] = std::max(widths[size_t(c.Col)], std::min(cw, 31680.0));
            }
    double fixed = 0;
    int open = 0;
    for (double x : widths)
        x >= 0 ? fixed += x : ++open;
    const double share = open ? std::max(tableTw - fixed, 360.0 * open) / open : 0;
    for (double x : widths)
        t.Grid.push_back(twips(x >= 0 ? x : share));

    // The structure first: the cells must not move while their content is read.
    t.Rows.resize(size_t(rowCount));
    for (int r = 0; r < rowCount; ++r) {
        TRow &row = t.Rows[size_t(r)];
        const Row &src = rows[size_t(r)];
        row.Props.Header = src.Header;
        if (src.Style.Height.K == THtmlLength::Twips && src.Style.Height.V > 0) {
            row.Props.Height = twips(src.Style.Height.V);
            row.Props.HeightRule = QStringLiteral("atLeast");
        }
        int last = columns;
        while (last > 0 && grid[size_t(r)][size_t(last - 1)].Row < 0)
            --last;
        row.Props.GridAfter = columns - last;
        row.Cells.reserve(size_t(last));
        for (int col = 0; col < last;) {
            const Slot s = grid[size_t(r)][size_t(col)];
            TCell cell;
            if (s.Row < 0) {
                row.Cells.push_back(std::move(cell)); // a hole in the grid
                ++col;
                continue;
            }
            const Cell &origin = rows[size_t(s.Row)].Cells[size_t(s.Cell)];
            cell.Props.GridSpan = std::max(1, std::min(origin.ColSpan, last - col));
            if (origin.RowSpan > 1)
                cell.Props.VMerge = s.Row == r ? QStringLiteral("restart") : QStringLiteral("continue");
            const THtmlStyle &cs = origin.Style;
            const QString bg = !cs.Background.isEmpty() ? cs.Background : rows[size_t(s.Row)].Style.Background;
            if (!bg.isEmpty())
                cell.Props.Shading = TShading{bg, QStringLiteral("clear"), QStringLiteral("auto")};
            if (cs.Width.K == THtmlLength::Twips)
                cell.Props.Width = TWidth{QStringLiteral("dxa"), twips(cs.Width.V)};
            else if (cs.Width.K == THtmlLength::Percent)
                cell.Props.Width = TWidth{QStringLiteral("pct"), int(std::min(cs.Width.V, 100.0) * 50)};
            if (cs.VerticalAlign == QLatin1String("middle"))
                cell.Props.VAlign = QStringLiteral("center");
            else if (cs.VerticalAlign == QLatin1String("bottom") || cs.VerticalAlign == QLatin1String("top"))
                cell.Props.VAlign = cs.VerticalAlign;
            cell.Props.NoWrap = cs.WhiteSpace == QLatin1String("nowrap");
            if (cs.BorderWidth[0] > 0)
                cell.Props.Borders.Top = borderOf(cs, 0);
            if (cs.BorderWidth[1] > 0)
                cell.Props.Borders.Right = borderOf(cs, 1);
            if (cs.BorderWidth[2] > 0)
                cell.Props.Borders.Bottom = borderOf(cs, 2);
            if (cs.BorderWidth[3] > 0)
                cell.Props.Borders.Left = borderOf(cs, 3);
            if (!hasAttr(n, "cellpadding") && (cs.Padding[0] > 0 || cs.Padding[1] > 0 || cs.Padding[2] > 0 || cs.Padding[3] > 0))
                cell.Props.Margins = TMargins{twips(cs.Padding[0]), twips(cs.Padding[3]), twips(cs.Padding[2]), twips(cs.Padding[1])};
            row.Cells.push_back(std::move(cell));
            col += row.Cells.back().Props.GridSpan;
        }
    }
    // Holes and continuation cells get an empty paragraph; origin cells their content. A list
    // item's number waits for the first paragraph after the table.
    ++m_tableDepth;
    const auto item = m_item;
    m_item.Active = false;
    for (int r = 0; r < rowCount; ++r) {
        TRow &row = t.Rows[size_t(r)];
        int col = 0;
        for (TCell &cell : row.Cells) {
            const Slot s = col < columns ? grid[size_t(r)][size_t(col)] : Slot{};
            const Cell *origin = (s.Row == r) ? &rows[size_t(r)].Cells[size_t(s.Cell)] : nullptr;
            col += cell.Props.GridSpan;
            TContainer box;
            box.Blocks = &cell.Blocks;
            box.BlockBase = m_blocks.size();
            TBlockContext c;
            c.Width = t.Grid.empty() ? tableTw : [&] {
                double sum = 0;
                for (int i = col - cell.Props.GridSpan; i < col && i < int(t.Grid.size()); ++i)
                    sum += t.Grid[size_t(i)];
                return sum;
            }();
            c.Where = origin ? where(origin->Node) : table->Where;
            c.Style = origin ? &origin->Style : &st;
            m_containers.push_back(box);
            m_blocks.push_back(c);
            const std::vector<TListContext> outerLists = std::move(m_lists);
            m_lists.clear();
            if (origin) {
                anchorsOf(origin->Node, origin->W);
                children(origin->Node, origin->Style, none, depth + 2);
                // Cells beyond the last column join the row's last cell.
                if (&cell == &row.Cells.back())
                    for (int k : overflow[size_t(r)])
                        children(rows[size_t(r)].Cells[size_t(k)].Node, rows[size_t(r)].Cells[size_t(k)].Style, none, depth + 2);
            }
            finishContainer();
            m_lists = outerLists;
            m_blocks.pop_back();
            m_containers.pop_back();
        }
        // The end-of-row mark follows the mark of the row's last paragraph.
        if (!row.Cells.empty()) {
            TBlock *b = &row.Cells.back().Blocks.back();
            while (b->Table)
                b = &b->Table->Rows.back().Cells.back().Blocks.back();
            b->Paragraph->TrailingMarks += 1;
        } else {
            TCell cell;
            auto p = std::make_unique<TParagraph>();
            p->Props = std::make_shared<const TParaProps>();
            p->TrailingMarks = 1;
            cell.Blocks.push_back(TBlock{std::move(p), nullptr});
            row.Cells.push_back(std::move(cell));
            row.Props.GridAfter = std::max(0, columns - 1);
        }
    }
    --m_tableDepth;
    m_item = item;
    TContainer &box = container();
    if (box.Previous) {
        auto prev = std::make_shared<TParaProps>(*box.Previous->Props);
        prev->SpaceAfter = twips(std::max(0.0, std::max(box.PendingBottom, box.PendingTop)));
        box.Previous->Props = prev;
    }
    box.Previous = nullptr;
    box.PendingTop = box.PendingBottom = 0;
    box.Blocks->push_back(TBlock{nullptr, std::move(table)});
    box.PendingBottom = std::max(box.PendingBottom, st.Margin[2]);
    m_styleStore.pop_back();
}

// --- the page -------------------------------------------------------------------------------------

struct TErrors
{
    int Count = 0;
    int FirstLine = 0;
    QString FirstMessage;
};

void collectError(void *ctx, xmlErrorPtr error)
{
    auto *e = static_cast<TErrors *>(ctx);
    if (!error || error->code == XML_HTML_UNKNOWN_TAG)
        return;
    if (e->Count++ == 0) {
        e->FirstLine = error->line;
        e->FirstMessage = QString::fromUtf8(error->message ? error->message : "").trimmed();
    }
}

bool quirksMode(xmlDocPtr doc)
{
    xmlDtdPtr dtd = doc ? doc->intSubset : nullptr;
    if (!dtd)
        return true;
    const QString publicId = fromXml(dtd->ExternalID).toLower();
    const bool hasSystem = dtd->SystemID != nullptr;
    if (publicId.isEmpty())
        return false; // <!DOCTYPE html>
    if (publicId.contains(QLatin1String("html 2")) || publicId.contains(QLatin1String("html 3")) ||
        publicId.contains(QLatin1String("//ietf//")) || publicId.contains(QLatin1String("html 4.0 transitional")) ||
        publicId.contains(QLatin1String("html 4.0 frameset")))
        return true;
    if (!hasSystem && (publicId.contains(QLatin1String("html 4.01 transitional")) || publicId.contains(QLatin1String("html 4.01 frameset"))))
        return true;
    return false;
}

xmlNode *findElement(xmlNode *root, const char *name)
{
    xmlNode *found = nullptr;
    walkTree(root, [&](xmlNode *n) {
        if (found || n->type != XML_ELEMENT_NODE)
            return false;
        if (tagOf(n) == QLatin1String(name))
            found = n;
        return !found;
    });
    return found;
}

void Reader::Read(const QString &textIn)
{
    QString text = textIn;
    text.replace(QChar(0), QChar(0xFFFD));
    static const QRegularExpression tagLike(QStringLiteral("<[A-Za-z!/?]"));
    if (!text.contains(tagLike) && !text.trimmed().isEmpty())
        m_doc.Warn(QStringLiteral("not html"), QStringLiteral("The page holds no HTML markup; it is read as plain text"), m_doc.FileName);
    const QByteArray utf8 = text.toUtf8();
    TErrors errors;
    // Without the parser's depth limit: it would drop the rest of a page after 256 unclosed
    // elements (old pages leave font elements open by the hundred); the walk bounds the depth.
    xmlSetStructuredErrorFunc(&errors, collectError);
    htmlParserCtxtPtr parser = htmlNewParserCtxt();
    if (!parser) {
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        throw Exception(QStringLiteral("The page \"%1\" cannot be read: out of memory.").arg(m_doc.FileName));
    }
    m_xml = htmlCtxtReadMemory(parser, utf8.constData(), int(utf8.size()), nullptr, "UTF-8",
                               HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NODEFDTD | HTML_PARSE_IGNORE_ENC |
                                   HTML_PARSE_NOWARNING | XML_PARSE_HUGE);
    htmlFreeParserCtxt(parser);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    struct Free
    {
        xmlDocPtr &d;
        ~Free()
        {
            if (d)
                xmlFreeDoc(d);
        }
    } freeDoc{m_xml};
    if (errors.Count > 0)
        m_doc.Warn(QStringLiteral("broken html"),
                   QStringLiteral("The page's markup has %1 error(s) and is read as browsers read it; the first: %2")
                       .arg(errors.Count)
                       .arg(errors.FirstMessage.left(200)),
                   errors.FirstLine > 0 ? QStringLiteral("%1, line %2").arg(m_doc.FileName).arg(errors.FirstLine) : m_doc.FileName);

    m_quirks = quirksMode(m_xml);
    m_cascade.AddSheet(HtmlDefaultSheet(m_quirks), TCssCascade::UserAgent);
    xmlNode *root = m_xml ? xmlDocGetRootElement(m_xml) : nullptr;

    TContainer body;
    body.Blocks = &m_doc.Body.Blocks;
    m_containers.push_back(body);
    TBlockContext top;
    top.Where = m_doc.FileName;
    m_blocks.push_back(top);

    if (!root) {
        makeStyles(nullptr, THtmlStyle());
        finishContainer();
        return;
    }
    if (findElement(root, "frameset") && !findElement(root, "body"))
        m_doc.Warn(QStringLiteral("frames"), QStringLiteral("The page is a frame set; the pages of its frames are not read"), m_doc.FileName);
    collectSheets(root);
    xmlNode *bodyNode = findElement(root, "body");
    if (bodyNode && hasAttr(bodyNode, "link"))
        m_bodyLinkColor = CssColor(attr(bodyNode, "link"), true);
    TNode *rootW = node(root);
    const THtmlStyle rootStyle = styleOf(rootW, THtmlStyle(), kTextWidthTw);
    m_rootPt = rootStyle.FontPt;
    THtmlStyle bodyStyle = rootStyle;
    TNode *bodyW = nullptr;
    if (bodyNode) {
        bodyW = node(bodyNode);
        // The body's own background belongs to the page, not to its paragraphs.
        bodyStyle = styleOf(bodyW, rootStyle, kTextWidthTw);
    }
    makeStyles(bodyW ? bodyW : rootW, bodyStyle);
    m_blocks.back().Style = &m_styleStore.emplace_back(bodyStyle);
    m_paraStyle = m_normalId;
    TInlineState none;
    if (bodyNode) {
        anchorsOf(bodyNode, bodyW);
        children(bodyNode, bodyStyle, none, 2);
    } else {
        // A page without a body (a frame set, or a fragment the parser could not place).
        for (xmlNode *c = root->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE && tagOf(c) != QLatin1String("head"))
                element(c, rootStyle, none, 2);
    }
    finishContainer();
    if (m_cascade.Exhausted())
        m_doc.Warn(QStringLiteral("css budget"),
                   QStringLiteral("The page's style sheets are too costly to match in full; later elements get only their simple rules"),
                   m_doc.FileName);
}

std::unique_ptr<TDocument> readWith(const QByteArray &bytes, const QString &pageFolder, const QString &display,
                                    const THtmlReadOptions &options)
{
    auto doc = std::make_unique<TDocument>();
    doc->FileName = display;
    doc->LinkBase = pageFolder;
    const QString text = DecodeHtmlPage(bytes, options.CodePage, &doc->Warnings, display);
    Reader reader(*doc, pageFolder, options);
    reader.Read(text);
    doc->Body.Reindex();
    doc->FlushWarnings();
    return doc;
}

} // namespace

std::unique_ptr<TDocument> ReadHtml(const QString &path, const THtmlReadOptions &options)
{
    QFileInfo fi(path);
    const QString display = options.DisplayName.isEmpty() ? fi.fileName() : options.DisplayName;
    struct stat st;
    if (::stat(QFile::encodeName(fi.absoluteFilePath()).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: it is not a file.").arg(display));
    if (st.st_size > options.MaxPageBytes)
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: it is larger than %2 bytes.").arg(display).arg(options.MaxPageBytes));
    const int fd = ::open(QFile::encodeName(fi.absoluteFilePath()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QFile f;
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: it cannot be read.").arg(display));
    }
    const QByteArray bytes = f.read(options.MaxPageBytes + 1);
    if (bytes.size() > options.MaxPageBytes)
        throw Exception(QStringLiteral("The page \"%1\" cannot be opened: it is larger than %2 bytes.").arg(display).arg(options.MaxPageBytes));
    // The folder as the allowed folder is compared: with its links resolved.
    const QString folder = QFileInfo(fi.absolutePath()).canonicalFilePath();
    return readWith(bytes, folder.isEmpty() ? fi.absolutePath() : folder, display, options);
}

std::unique_ptr<TDocument> ReadHtmlBytes(const QByteArray &bytes, const QString &pageFolder, const THtmlReadOptions &options)
{
    const QString display = options.DisplayName.isEmpty() ? QStringLiteral("page") : options.DisplayName;
    if (bytes.size() > options.MaxPageBytes)
        throw Exception(QStringLiteral("The page \"%1\" cannot be read: it is larger than %2 bytes.").arg(display).arg(options.MaxPageBytes));
    return readWith(bytes, pageFolder, display, options);
}

} // namespace tavrel::engine
