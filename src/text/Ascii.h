#pragma once
// Letter case the way markup compares names: A to Z lower-cased and nothing else, so positions
// and lengths stay those of the original (names, schemes, tags, page file names).
#include <QString>

#include <algorithm>

namespace tavrel {

inline char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

inline char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

inline QString AsciiLower(const QString &text)
{
    QString r = text;
    for (QChar &c : r)
        c = QChar(AsciiLower(c.unicode()));
    return r;
}

inline QString AsciiUpper(const QString &text)
{
    QString r = text;
    for (QChar &c : r)
        c = QChar(AsciiUpper(c.unicode()));
    return r;
}

// Where needle (ASCII) first occurs in text from `from` on, letter case ignored exactly as
// QString::indexOf(..., Qt::CaseInsensitive) ignores it: besides A to Z, the long s and the
// Kelvin sign fold to s and k. -1 when nowhere. Many times faster on whole pages.
inline qsizetype IndexOfNoCase(QStringView text, QLatin1StringView needle, qsizetype from = 0)
{
    auto fold = [](char16_t c) -> char16_t { return c == u'\u017F' ? u's' : c == u'\u212A' ? u'k' : AsciiLower(c); };
    const qsizetype n = needle.size();
    if (n == 0)
        return from <= text.size() ? from : -1;
    const char16_t first = AsciiLower(char16_t(uchar(needle[0].toLatin1())));
    const char16_t *t = text.utf16();
    for (qsizetype i = std::max<qsizetype>(from, 0); i + n <= text.size(); ++i) {
        if (fold(t[i]) != first)
            continue;
        qsizetype k = 1;
        while (k < n && fold(t[i + k]) == AsciiLower(char16_t(uchar(needle[k].toLatin1()))))
            ++k;
        if (k == n)
            return i;
    }
    return -1;
}

} // namespace tavrel
