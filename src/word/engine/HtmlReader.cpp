#include "word/engine/HtmlReaderParts.h"

namespace tavrel::engine {

using namespace html;

namespace {

// --- decoding ------------------------------------------------------------------------------------

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

} // namespace

void html::Reader::Read(const QString &textIn)
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

namespace {

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