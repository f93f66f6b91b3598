#include "text/functions.h"
#include "text/functionsShared.h"
#include "text/CaseLookup.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/OutputPath.h"
#include "text/OutsideFiles.h"
#include "text/HTMLProcess.h"
#include "text/LanguageProcess.h"
#include "text/Messages.h"
#include "text/Round.h"
#include "text/StringList.h"
#include "text/WorkingFolder.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <deque>
#include <unistd.h>
#include <vector>

namespace tavrel {

using namespace detail;

namespace {

// Appends a code point; values that are no character (0, surrogates, beyond Unicode) become
// the replacement character instead of corrupting the text.
void appendCodePoint(QString &out, qint64 code)
{
    if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out += QChar(QChar::ReplacementCharacter);
        return;
    }
    const char32_t c = static_cast<char32_t>(code);
    if (c < 0x10000) {
        out += QChar(static_cast<char16_t>(c));
    } else {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    }
}

// Where the charset value after "charset=" starts: HTML5's <meta charset="..."> quotes the value,
// and a quote there would otherwise end it at once and hide the charset. A quote followed by a
// terminator closes the attribute around an empty value instead (the page engine writes
// content="text/html; charset=">): the value is empty right there.
qsizetype charsetValueStart(const QString &page, qsizetype afterEquals)
{
    if (afterEquals + 1 < page.size() && (page.at(afterEquals) == QLatin1Char('"') || page.at(afterEquals) == QLatin1Char('\''))
        && !isCharsetTerminator(page.at(afterEquals + 1).unicode()))
        return afterEquals + 1;
    return afterEquals;
}

} // namespace

// --- HTML text ---------------------------------------------------------------------------------

namespace {

// Start of the first "<title>" and of the first "</title>" when both exist in that order.
bool findTitle(const QString &page, qsizetype &open, qsizetype &close)
{
    open = page.indexOf(QLatin1String("<title>"), 0, Qt::CaseInsensitive);
    if (open < 0)
        return false;
    close = page.indexOf(QLatin1String("</title>"), 0, Qt::CaseInsensitive);
    return close >= open + 7;
}

// Position after the ">" of the head start tag and of "</head"; false without both in order.
bool findHead(const QString &page, qsizetype &contentStart, qsizetype &contentEnd)
{
    qsizetype open = findTagName(page, QLatin1StringView("<head"), 0);
    if (open < 0)
        return false;
    qsizetype gt = page.indexOf(QLatin1Char('>'), open);
    if (gt < 0)
        return false;
    qsizetype close = findTagName(page, QLatin1StringView("</head"), 0);
    if (close < 0 || close <= gt)
        return false;
    contentStart = gt + 1;
    contentEnd = close;
    return true;
}

} // namespace

QString GetHtmlTitle(const QString &page)
{
    qsizetype open, close;
    if (!findTitle(page, open, close))
        return QString();
    QString title = page.mid(open + 7, close - open - 7);
    title.remove(QLatin1Char('\r'));
    title.remove(QLatin1Char('\n'));
    return title;
}

QString SetHtmlTitle(const QString &page, const QString &title)
{
    qsizetype open, close;
    if (findTitle(page, open, close))
        return QStringView(page).left(open) + QStringLiteral("<title>") + title + QStringLiteral("</title>") + QStringView(page).mid(close + 8);
    return replaceAllCaseInsensitive(page, QLatin1StringView("<head>"),
                                     QStringLiteral("<head>\r\n<title>") + title + QStringLiteral("</title>\r\n"));
}

QString GetHeadContent(const QString &page)
{
    qsizetype start, end;
    if (!findHead(page, start, end))
        return QString();
    return page.mid(start, end - start);
}

std::pair<QString, QString> SplitHead(const QString &page)
{
    qsizetype start, end;
    if (!findHead(page, start, end))
        return {page, QString()};
    return {QStringView(page).left(start) + QStringLiteral("($Head$)") + QStringView(page).mid(end), page.mid(start, end - start)};
}

QString FindTag(const QString &page, const QString &tagName)
{
    qsizetype open = page.indexOf(QLatin1Char('<') + tagName, 0, Qt::CaseInsensitive);
    if (open < 0)
        return QString();
    qsizetype gt = page.indexOf(QLatin1Char('>'), open + 1 + tagName.size());
    if (gt < 0)
        return QString();
    return page.mid(open, gt - open + 1);
}

QString GetAttributeValue(const QString &tag, const QString &name)
{
    enum { sNone, sName, sValue, sQuoted } state = sNone;
    const qsizetype n = tag.size();
    const QChar *t = tag.constData();
    qsizetype nameStart = 0, nameLen = 0, valueStart = 0;
    QChar quote;
    auto matches = [&](qsizetype valueEnd, QString &out) {
        if (QStringView(t + nameStart, nameLen).compare(name, Qt::CaseInsensitive) != 0)
            return false;
        out = QString(t + valueStart, valueEnd - valueStart);
        return true;
    };
    QString result;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = t[i];
        switch (state) {
        case sNone:
            if (IsWhiteSpaceChar(c)) {
                state = sName;
                nameStart = i + 1;
                nameLen = 0;
            }
            break;
        case sName:
            if (IsWhiteSpaceChar(c)) {
                nameStart = i + 1;
                nameLen = 0;
            } else if (c == QLatin1Char('=')) {
                if (i + 1 < n && (t[i + 1] == QLatin1Char('"') || t[i + 1] == QLatin1Char('\''))) {
                    quote = t[i + 1];
                    state = sQuoted;
                    ++i;
                } else {
                    state = sValue;
                }
                valueStart = i + 1;
            } else {
                ++nameLen;
            }
            break;
        case sValue:
            if (IsWhiteSpaceChar(c) || c == QLatin1Char('>')) {
                if (matches(i, result))
                    return result;
                state = sNone;
                if (IsWhiteSpaceChar(c)) {
                    state = sName;
                    nameStart = i + 1;
                    nameLen = 0;
                }
            }
            break;
        case sQuoted:
            if (c == quote) {
                if (matches(i, result))
                    return result;
                state = sNone;
            }
            break;
        }
    }
    return QString();
}

QString GetCharset(const QString &page)
{
    qsizetype p = page.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
    if (p < 0)
        return QString();
    const qsizetype start = charsetValueStart(page, p + 8);
    qsizetype e = start;
    while (e < page.size() && !isCharsetTerminator(page.at(e).unicode()))
        ++e;
    return page.mid(start, e - start).toLower();
}

QString SetCharset(const QString &page, const QString &charset_)
{
    // A charset name is letters, digits and a few marks; anything else in a project's setting
    // would end the attribute it stands in.
    QString charset;
    for (QChar c : charset_)
        if ((c.isLetterOrNumber() && c.unicode() < 0x80) || QStringLiteral("-_.:+").contains(c))
            charset += c;
    qsizetype p = page.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
    if (p >= 0) {
        const qsizetype start = charsetValueStart(page, p + 8);
        qsizetype e = start;
        while (e < page.size() && !isCharsetTerminator(page.at(e).unicode()))
            ++e;
        return QStringView(page).left(start) + charset + QStringView(page).mid(e);
    }
    return replaceAllCaseInsensitive(page, QLatin1StringView("<head>"),
                                     QStringLiteral("<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset +
                                         QStringLiteral("\">"));
}

QString HtmlUnescape(const QString &text)
{
    // Most texts hold no reference at all.
    const qsizetype first = text.indexOf(QLatin1Char('&'));
    if (first < 0)
        return text;
    enum { sText, sAmp, sNumeric, sNamed } state = sText;
    QString out;
    out.reserve(text.size());
    out.append(QStringView(text).left(first));
    QString name;            // the pending named reference
    qsizetype digitsStart = 0; // the pending numeric reference's digits in text
    qsizetype digits = 0;
    qint64 value = 0;
    bool dropSemicolon = false;

    auto flushPending = [&]() {
        switch (state) {
        case sAmp: out += QLatin1Char('&'); break;
        case sNumeric: out += QLatin1String("&#") + QStringView(text).mid(digitsStart, digits); break;
        case sNamed: out += QLatin1Char('&') + name; break;
        case sText: break;
        }
    };

    for (qsizetype i = first, n = text.size(); i < n; ++i) {
        const QChar c = text.at(i);
        if (dropSemicolon) {
            dropSemicolon = false;
            if (c == QLatin1Char(';'))
                continue;
        }
        if (c == QLatin1Char('&')) {
            flushPending();
            state = sAmp;
            continue;
        }
        switch (state) {
        case sText: {
            // The text up to the next reference in one piece.
            qsizetype end = text.indexOf(QLatin1Char('&'), i + 1);
            if (end < 0)
                end = n;
            out.append(QStringView(text).mid(i, end - i));
            i = end - 1;
            break;
        }
        case sAmp:
            if (c == QLatin1Char('#')) {
                state = sNumeric;
                digitsStart = i + 1;
                digits = 0;
                value = 0;
                break;
            }
            state = sNamed;
            name.clear();
            Q_FALLTHROUGH();
        case sNamed: {
            name += c;
            const int code = HtmlEntityCode(name);
            if (code >= 0) {
                appendCodePoint(out, code);
                state = sText;
                dropSemicolon = true;
            } else if (name.size() > 10) {
                out += QLatin1Char('&') + name;
                state = sText;
            }
            break;
        }
        case sNumeric:
            if (isAsciiDigit(c)) {
                ++digits;
                value = std::min<qint64>(value * 10 + (c.unicode() - '0'), 0x110000);
                break;
            }
            if (digits == 0) {
                out += QLatin1String("&#");
                out += c;
            } else {
                appendCodePoint(out, value);
                if (c != QLatin1Char(';'))
                    out += c;
            }
            state = sText;
            break;
        }
    }
    if (state == sNumeric && digits > 0)
        appendCodePoint(out, value);
    else
        flushPending();
    return out;
}

QString RemoveBetween(const QString &text, const QString &startMark, const QString &endMark)
{
    if (startMark.isEmpty())
        return text;
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype s = text.indexOf(startMark, from);
        if (s < 0)
            break;
        const qsizetype e = text.indexOf(endMark, s + startMark.size());
        if (e < 0)
            break;
        if (out.isEmpty())
            out.reserve(text.size());
        out += QStringView(text).mid(from, s - from);
        from = e + endMark.size();
    }
    if (from == 0)
        return text;
    out += QStringView(text).mid(from);
    return out;
}

bool IsBlankText(const QString &text)
{
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QLatin1Char('\t'))
            return false;
    return true;
}

namespace {

inline bool isReferenceTerminator(char16_t c) { return c == u' ' || c == u'"' || c == u'\'' || c == u')' || c == u'>'; }

inline bool isBadNameChar(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'"' || c == u'*' || c == u':' || c == u'<' || c == u'>' || c == u'?' || c == u'|';
}

// The names a text may refer to. The backward walk from each reference to its opening delimiter
// is replaced by the remembered last positions of the delimiters and of the characters a name
// cannot hold, so the scan stays linear however long the stretches without a delimiter are.
std::vector<QString> referencedNames(const QString &text)
{
    std::vector<QString> names;
    qsizetype lastEquals = -1, lastParen = -1, lastDouble = -1, lastSingle = -1;
    qsizetype lastBad = -1, lastBadButQuote = -1;
    bool inExtension = false;
    qsizetype extLen = 0, dot = -1;
    const char16_t *t = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = t[i];
        if (isReferenceTerminator(c)) {
            if (inExtension && extLen > 0) {
                qsizetype open;
                qsizetype bad = lastBad;
                switch (c) {
                case u')': open = lastParen; break;
                case u'"': open = lastDouble; bad = lastBadButQuote; break;
                case u'\'': open = lastSingle; break;
                default: open = lastEquals; break;
                }
                if (open >= 0 && open > bad && open < dot)
                    names.push_back(QString(reinterpret_cast<const QChar *>(t + open + 1), i - open - 1));
            }
            inExtension = false;
        } else if (c == u'.') {
            inExtension = true;
            extLen = 0;
            dot = i;
        } else if (inExtension && ++extLen > 5) {
            inExtension = false;
        }
        switch (c) {
        case u'=': lastEquals = i; break;
        case u'(': lastParen = i; break;
        case u'"': lastDouble = i; break;
        case u'\'': lastSingle = i; break;
        default: break;
        }
        if (isBadNameChar(c)) {
            lastBad = i;
            if (c != u'"')
                lastBadButQuote = i;
        }
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return CollationCompare(a, b) < 0; });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

bool followsReferences(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return false;
    const QString ext = path.mid(dot).toLower();
    for (const char *e : {".html", ".htm", ".shtml", ".shtm", ".css", ".js", ".xml"})
        if (ext == QLatin1String(e))
            return true;
    return false;
}

} // namespace

void CollectLinkedFiles(const QString &file, QStringList &list, TWarnings *warnings)
{
    QSet<QString> listed(list.begin(), list.end());
    TCaseLookup caseLookup;

    struct Frame
    {
        QString file;
        QString folder;
        std::vector<QString> names;
        size_t next = 0;
    };
    // An explicit stack: a long chain of pages must not exhaust the call stack.
    std::vector<Frame> stack;
    auto visit = [&](const QString &path) {
        if (!listed.contains(path)) {
            list.append(path);
            listed.insert(path);
        }
        listed.insert(NormalizePath(path));
        Frame f;
        f.file = path;
        f.folder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
        f.names = referencedNames(LoadTextFile(path, QString(), warnings));
        stack.push_back(std::move(f));
    };

    visit(file);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next >= top.names.size()) {
            stack.pop_back();
            continue;
        }
        const QString name = top.names[top.next++];
        const QString referrer = top.file;
        // The drive of a Windows path is the empty root here.
        QString path = NormalizePath(name.startsWith(QLatin1Char('/')) ? kSlash + name : top.folder + name);
        if (!QFileInfo(path).isFile()) {
            const QString found = caseLookup.FindFile(path);
            if (found.isEmpty())
                continue;
            if (warnings)
                warnings->Add(QStringLiteral("The reference \"%1\" names \"%2\" in another letter case.").arg(name, found), referrer);
            path = found;
        }
        if (listed.contains(path))
            continue;
        if (followsReferences(path)) {
            visit(path); // invalidates top
        } else {
            list.append(path);
            listed.insert(path);
        }
    }
}

} // namespace tavrel
