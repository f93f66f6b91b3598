#pragma once
// The page engine: turns a template's main page into a prepared page text once per output run
// and then pours each contents item into it. The head classes join the head of the converted
// document with the head of the template.
#include "text/StringList.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace tavrel {

class TContentsItem;

// One element of an HTML head.
class THTMLElement : public TObject
{
public:
    QString TagName;   // upper case
    QString InnerHTML; // the element's whole source text
    // A new, independent copy of the same class.
    virtual std::unique_ptr<THTMLElement> Double() const;
};

class TMeta : public THTMLElement
{
public:
    QString Name;
    QString HTTP_EQUIV;
    std::unique_ptr<THTMLElement> Double() const override;
};

class TScript : public THTMLElement
{
public:
    QString src;
    std::unique_ptr<THTMLElement> Double() const override;
};

class TLink : public THTMLElement
{
public:
    QString href;
    std::unique_ptr<THTMLElement> Double() const override;
};

// The elements of one head, in document order; owns them.
class THEADElements : public TObject
{
public:
    THEADElements() = default;
    THEADElements(const THEADElements &) = delete;
    THEADElements &operator=(const THEADElements &) = delete;

    int Count() const { return static_cast<int>(m_items.size()); }
    THTMLElement *Items(int i) const { return m_items.at(static_cast<size_t>(i)).get(); }
    THTMLElement *operator[](int i) const { return Items(i); }
    void Clear() { m_items.clear(); }

    // Clears the list and parses S, the text inside a head element.
    void Load(const QString &S);
    // Appends one element of the class its tag name calls for.
    void AddElement(const QString &TagName, const QString &Html);
    // Inserts copies of the elements of Other that this head lacks, each after the last element
    // of its kind.
    void Unite(const THEADElements &Other);
    // Drops the charset and generator META and every TITLE, then puts our two META in front.
    void Process();
    // CR LF, each element's text followed by CR LF, then CR LF.
    QString HeadText() const;

private:
    std::vector<std::unique_ptr<THTMLElement>> m_items;
};

// Previous/next button settings of one prepared template.
class TPrevNext : public TObject
{
public:
    QString Extension; // ".gif", ".png" or ".jpg"; empty when the page has no button image
    bool Prev = false;
    bool Next = false;
    bool Prev_Gray = false;
    bool Next_Gray = false;
    QString Prev_Title;
    QString Next_Title;
};

class TTemplate : public TObject
{
public:
    // The stream is borrowed: it must outlive the template.
    explicit TTemplate(const QByteArray &TemplateStream);
    TTemplate(const QByteArray &TemplateStream, const QString &Prev_Text, const QString &Next_Text);
    // A temporary stream would be gone before CopyAttachedFiles reads it.
    explicit TTemplate(QByteArray &&) = delete;
    TTemplate(QByteArray &&, const QString &, const QString &) = delete;

    // The main page with its button images replaced by "($previmg$)" / "($nextimg$)".
    QString PrevNextTemplate();
    // Writes every file of the stream except the main page below ToWhere (which ends with "/")
    // and notes which gray buttons the template has. Call it before the first MakePage.
    void CopyAttachedFiles(const QString &ToWhere);
    // Merges the template's head into HeadB and puts the merged head into TempSource. A main
    // page without a head element is left as it is.
    void UniteHead(THEADElements &HeadB);
    // The finished page of one contents item.
    QString MakePage(const TContentsItem &Item) const;

    const QByteArray &Stream;
    QString Source;
    QString TempSource;
    QString ProjectTitle;
    QString Copyright;
    QString Previous;
    QString Next;
    std::unique_ptr<TPrevNext> pn;

private:
    void init();
};

} // namespace tavrel
