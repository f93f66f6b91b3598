#pragma once
// The tag scanner of the core: finds where a tag ends, reads its name and splits its attributes
// exactly as written, so a page can be rewritten attribute by attribute and stay byte for byte
// the same elsewhere.
#include <QString>
#include <vector>

namespace tavrel {

// One attribute of a tag as written: leading white space, name, and value with its quotes.
struct TTagAttr
{
    QString space, name, value;
    QChar quote; // null: unquoted (or no value)
    bool hasValue = false;
};

// The end of the tag that starts at lt: the position of its ">" (quotes of attribute values
// respected; a comment ends at its "-->"), or the text's end.
qsizetype TagEnd(const QString &s, qsizetype lt);
// The name of the tag starting at lt, read up to white space, ">" or "/" after the first
// character; end tags give their name without the "/" and set endTag.
QString TagName(const QString &s, qsizetype lt, bool &endTag);
// Splits the inside of a tag (from after its name to before ">") into attributes; white space
// after the last one goes to trailing.
std::vector<TTagAttr> ParseTagAttributes(const QString &s, qsizetype from, qsizetype to, QString &trailing);
// The attribute as it was written.
QString WriteTagAttribute(const TTagAttr &a);

} // namespace tavrel
