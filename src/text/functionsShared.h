#pragma once
// The small helpers the parts of functions.h's implementation share (functions.cpp and its
// functions_*.cpp siblings); nothing else includes this.
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

namespace tavrel::detail {

inline const QString kSlash = QStringLiteral("/");

QString withTrailingSlash(const QString &folder);
QString withoutTrailingSlash(QString path);
// A name is taken when anything stands there, a dangling symbolic link included: writing to such
// a name would follow the link.
bool pathTaken(const QString &path);

inline bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Position of "<name" (any case) as a whole tag name, that is followed by white space, ">",
// "/" or the end of the text; -1 when there is none. Without the check "<head" would also find
// "<header>".
qsizetype findTagName(const QString &text, QLatin1StringView open, qsizetype from);

// Replaces every occurrence of needle in one pass. QString::replace works through the matches in
// batches and moves the rest of the text for each batch when the lengths differ, which grows
// faster than the text for very long texts with many matches.
QString replaceAll(const QString &text, QLatin1StringView needle, QStringView with, Qt::CaseSensitivity cs = Qt::CaseSensitive);
QString replaceAllCaseInsensitive(const QString &text, QLatin1StringView needle, const QString &with);

inline bool isCharsetTerminator(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u'"' || c == u'\'' || c == u'>';
}

} // namespace tavrel::detail
