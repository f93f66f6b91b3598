#include "word/engine/CssText.h"

namespace tavrel::engine::css {

bool isSpace(QChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == '-' || c == '_' || c.unicode() >= 0x80;
}

// Moves i past a quoted string that starts at i; a string also ends at a line break.
qsizetype skipString(const QString &s, qsizetype i, qsizetype end)
{
    const QChar q = s[i++];
    while (i < end) {
        const QChar c = s[i];
        if (c == '\\' && i + 1 < end) {
            i += 2;
            continue;
        }
        ++i;
        if (c == q || c == '\n')
            break;
    }
    return i;
}

// The position of the "}" that closes the block opened just before i, or end when unclosed.
qsizetype blockEnd(const QString &s, qsizetype i, qsizetype end)
{
    int depth = 1;
    while (i < end) {
        const QChar c = s[i];
        if (c == '"' || c == '\'') {
            i = skipString(s, i, end);
            continue;
        }
        if (c == '\\') {
            i += 2;
            continue;
        }
        if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0)
            return i;
        ++i;
    }
    return end;
}

// Text without comments; each comment becomes a blank so that words stay apart.
QString withoutComments(const QString &s)
{
    if (!s.contains(QLatin1String("/*")))
        return s;
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = s[i];
        if (c == '"' || c == '\'') {
            const qsizetype e = skipString(s, i, n);
            out += QStringView(s).mid(i, e - i);
            i = e;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            const qsizetype e = s.indexOf(QLatin1String("*/"), i + 2);
            i = e < 0 ? n : e + 2;
            out += ' ';
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// Splits at sep outside brackets and quotes.
QStringList splitTop(const QString &s, QChar sep)
{
    QStringList out;
    int depth = 0;
    qsizetype start = 0;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c == '"' || c == '\'') {
            i = skipString(s, i, n) - 1;
        } else if (c == '\\') {
            ++i;
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if ((c == ')' || c == ']') && depth > 0) {
            --depth;
        } else if (c == sep && depth == 0) {
            out << s.mid(start, i - start);
            start = i + 1;
        }
    }
    out << s.mid(start);
    return out;
}

} // namespace tavrel::engine::css
