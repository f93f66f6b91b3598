#include "text/Escape.h"

#include "text/LanguageProcess.h"

#include <QStringList>
#include <QUrl>
#include <functional>

namespace tavrel {

namespace {

QString escapeHtml(const QString &text, bool attribute)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"':
            if (attribute)
                out += QLatin1String("&quot;");
            else
                out += c;
            break;
        case 0xA0:
            if (attribute)
                out += c;
            else
                out += QLatin1String("&nbsp;");
            break;
        default: out += c; break;
        }
    }
    return out;
}

} // namespace

QString HtmlEscapeText(const QString &text) { return escapeHtml(text, false); }

QString HtmlEscape(const QString &text) { return escapeHtml(text, true); }

QString EscapeScriptString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\'': out += QLatin1String("\\'"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '<': out += QLatin1String("\\x3c"); break;
        case 0x2028: out += QLatin1String("\\u2028"); break;
        case 0x2029: out += QLatin1String("\\u2029"); break;
        default: out += c; break;
        }
    }
    return out;
}

QString UrlEncodeQuery(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case ' ': out += QLatin1String("%20"); break;
        case '&': out += QLatin1String("%26"); break;
        case '=': out += QLatin1String("%3d"); break;
        case '"': out += QLatin1String("%22"); break;
        case '<': out += QLatin1String("%3c"); break;
        case '>': out += QLatin1String("%3e"); break;
        default: out += c; break;
        }
    }
    return out;
}

QString UrlEncodePath(const QString &path)
{
    QStringList parts = path.split(QLatin1Char('/'));
    for (QString &p : parts)
        p = QString::fromLatin1(QUrl::toPercentEncoding(p));
    return parts.join(QLatin1Char('/'));
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
        const qsizetype s = page.indexOf(QLatin1String("<style"), pos, Qt::CaseInsensitive);
        if (s < 0)
            break;
        const qsizetype open = page.indexOf(QLatin1Char('>'), s);
        const qsizetype close = open < 0 ? -1 : page.indexOf(QLatin1String("</style"), open, Qt::CaseInsensitive);
        if (close < 0)
            break;
        out += EncodeCodePageEscaped(page.mid(pos, open + 1 - pos), codePage, ncr);
        out += EncodeCodePageEscaped(page.mid(open + 1, close - open - 1), codePage, css);
        pos = close;
    }
    out += EncodeCodePageEscaped(page.mid(pos), codePage, ncr);
    return out;
}

} // namespace tavrel
