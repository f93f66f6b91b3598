#pragma once
// Field codes: their words, switches and Word's type numbers.
#include <QString>
#include <QStringList>
#include <vector>

namespace tavrel::engine {

struct TFieldCode
{
    QString Keyword;          // upper case; empty when the code has none
    QStringList Arguments;    // positional arguments, quotes removed
    std::vector<std::pair<QString, QString>> Switches; // "\l" -> its argument (may be empty)
    bool HasSwitch(const QString &s) const;
    QString Switch(const QString &s) const;
};

// Splits a field code into words the way Word reads it: blanks separate, double quotes group
// (a backslash escapes a quote or a backslash inside them), "\x" starts a switch whose argument
// is the next word unless that is another switch.
TFieldCode ParseFieldCode(const QString &code);

// Word's field type number for a code: the first word names the type (XE 4, REF 3, HYPERLINK
// 88, TOC 13, PAGEREF 37, ...); an unknown first word, or none, is -1 (the empty field).
int FieldTypeOfCode(const QString &code);

// Quotes a value for a field code.
QString QuoteFieldArgument(const QString &value);

} // namespace tavrel::engine
