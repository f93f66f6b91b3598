#pragma once
// Letter case the way markup compares names: A to Z lower-cased and nothing else, so positions
// and lengths stay those of the original (names, schemes, tags, page file names).
#include <QString>

namespace tavrel {

inline char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

inline QString AsciiLower(const QString &text)
{
    QString r = text;
    for (QChar &c : r)
        c = QChar(AsciiLower(c.unicode()));
    return r;
}

} // namespace tavrel
