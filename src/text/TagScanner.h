#pragma once
// The tag scanner of the core: finds where a tag ends, reads its name and splits its attributes
// exactly as written, so a page can be rewritten attribute by attribute and stay byte for byte
// the same elsewhere.
#include <QString>
#include <QStringView>
#include <utility>
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

// One tag met by ForEachTag, read as TagEnd and TagName read it.
struct TScannedTag
{
    qsizetype lt = 0; // its "<"
    qsizetype gt = 0; // its ">", or the text's size when the text ends inside the tag
    QString name;
    bool endTag = false;
    bool Closed(const QString &s) const { return gt < s.size(); }
    QStringView Text(const QString &s) const { return QStringView(s).mid(lt, gt - lt + 1); }
};

// Walks s once from its start: onText gets each run of text between tags (possibly empty),
// onTag each tag in turn. The pages' rewriting passes are built on it.
template <class OnText, class OnTag>
void ForEachTag(const QString &s, OnText &&onText, OnTag &&onTag)
{
    qsizetype pos = 0;
    while (pos < s.size()) {
        const qsizetype lt = s.indexOf(QLatin1Char('<'), pos);
        if (lt < 0) {
            onText(QStringView(s).mid(pos));
            return;
        }
        onText(QStringView(s).mid(pos, lt - pos));
        TScannedTag tag;
        tag.lt = lt;
        tag.gt = TagEnd(s, lt);
        tag.name = TagName(s, lt, tag.endTag);
        pos = tag.gt + 1;
        onTag(std::as_const(tag));
    }
}

// A tag read the quick way whole pages are passed over: it runs from a "<" to the next ">"
// (quotes are not honoured), a "<" before that ">" starting the tag afresh; its word is what
// follows the "<" up to white space or the ">", as written ("/p" for an end tag, "!--" and on
// for a comment).
struct TLooseTag
{
    qsizetype lt = -1; // the "<"; -1 when no tag is closed before the text's end
    qsizetype gt = -1; // its ">"
    QString word;
    // The word is name in any letter case (A to Z).
    bool Is(QLatin1StringView name) const;
};
// The first loose tag whose "<" stands at or after from; a ">" before any "<" is text.
TLooseTag NextLooseTag(const QString &s, qsizetype from);

} // namespace tavrel
