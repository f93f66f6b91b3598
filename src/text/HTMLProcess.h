#pragma once
// The system's small knowledge of HTML: white space, tag-name tables, the named entities, a few
// string helpers built on them, and the open-element record used by the page scanners.
#include "text/StringList.h"

#include <QChar>
#include <QString>
#include <memory>
#include <vector>

namespace tavrel {

// TAB, LF, CR and space; nothing else (a non-breaking space is an ordinary character).
bool IsWhiteSpaceChar(QChar c);

// Case-insensitive (ASCII letters) membership tests of the tag, attribute and extension tables.
bool IsBlockTag(const QString &name);
bool IsNonDocTag(const QString &name);
bool IsEmptyTag(const QString &name);
bool IsUrlAttribute(const QString &name);
bool IsHtmlExtension(const QString &extension); // with its leading dot: ".htm"

// The tables themselves: upper-case names, sorted.
const TStringList &BlockTags();
const TStringList &NonDocTags();
const TStringList &EmptyTags();
const TStringList &UrlAttributes();
const TStringList &HtmlExtensions();

// Drops white space at both ends and turns every inner run of it into one space.
QString CollapseWhiteSpace(const QString &s);
// Removes white space from both ends.
QString TrimWhiteSpace(const QString &s);

// Cuts a page into the part up to and including the body start tag, the inside of the body
// element and the part from the body end tag on.
void SplitHtmlBody(const QString &page, QString &head, QString &body, QString &tail);

// The text with every script element removed; an unterminated one ends the text.
QString RemoveScripts(const QString &s);

// True when a browser would run the address as script or take it as inline content: the
// schemes "javascript:", "vbscript:" and "data:", in any letter case, also with the control
// characters, blanks, tabs and line breaks that browsers skip before and inside the scheme.
// The address is the decoded value (character references already turned into characters).
bool IsScriptUrl(const QString &address);

// "name:code" rows (decimal code point), sorted, case-sensitive.
const TStringList &HtmlEntities();
// Exact, case-sensitive lookup of an entity name; -1 when the table has no such name.
int HtmlEntityCode(const QString &name);

// One element on a scanner's stack of open elements.
class THtmlTag : public TObject
{
public:
    QString Name;      // as written in the page
    QString Start;     // the whole start tag, "<" to ">"
    QString Inner;     // HTML gathered inside so far
    QString Tail;      // the whole end tag, once seen
    QString InnerText; // plain text gathered inside
    bool HasHeading = false;
    bool NonDoc = false; // is, or is inside, a non-document element
    int Blocks = 0;
    int CharCount = 0; // non-white-space document text characters inside
    bool Block = false; // the name is a block tag
    bool NotCut = true;
    bool InTop = true;
};

// Owning list of open elements.
class THtmlTags
{
public:
    THtmlTags() = default;
    THtmlTags(const THtmlTags &) = delete;
    THtmlTags &operator=(const THtmlTags &) = delete;
    THtmlTags(THtmlTags &&) noexcept = default;
    THtmlTags &operator=(THtmlTags &&) noexcept = default;

    int Count() const { return static_cast<int>(m_items.size()); }
    // A smaller count frees the items from the end down to it; a count not below the current
    // one leaves the list as it is.
    void SetCount(int count);
    THtmlTag *Items(int i) const { return m_items.at(static_cast<size_t>(i)).get(); }
    THtmlTag *operator[](int i) const { return Items(i); }
    // Appends and takes ownership; returns the item.
    THtmlTag *Add(std::unique_ptr<THtmlTag> tag);
    // The top of the stack; nullptr when empty.
    THtmlTag *Last() const { return m_items.empty() ? nullptr : m_items.back().get(); }
    void Delete(int i);
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<THtmlTag>> m_items;
};

} // namespace tavrel
