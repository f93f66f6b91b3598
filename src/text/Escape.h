#pragma once
// Text made safe for the place it is written into: one function per place. Every writer of
// pages, lists and scripts uses these, so a character is escaped the same way wherever it lands.
#include <QByteArray>
#include <QString>

namespace tavrel {

// Element content: "&", "<", ">" as references, a no-break space as "&nbsp;" (so it stays
// visible in the source and survives any code page); quotes stay as written.
QString HtmlEscapeText(const QString &text);
// A double-quoted attribute value, or text whose place the writer does not know (a template
// placeholder): "&", "<", ">" and the double quote as references, nothing else, so that
// HtmlUnescape gives the value back exactly (it reads "&nbsp;" as a blank).
QString HtmlEscape(const QString &text);
// A script string in either kind of quotes: backslash, both quotes, line breaks and the line
// and paragraph separators escaped, and "<" as "\x3c" so that a string in a page can neither
// close its script element nor open a comment.
QString EscapeScriptString(const QString &text);
// A value inside an address's query or fragment ("#page=..."): blank, "&", "=" and the
// characters that would end an attribute or element percent-encoded; the rest as written.
QString UrlEncodeQuery(const QString &text);
// A relative address of a file: each "/"-separated segment percent-encoded as a URL path.
QString UrlEncodePath(const QString &path);
// A page in the code page (65001: UTF-8); a character the code page lacks becomes a decimal
// reference, inside a style element a CSS escape (a reference means nothing there).
QByteArray EncodePage(const QString &page, int codePage);

} // namespace tavrel
