#pragma once
// Topic pages of a compiled help file carry the same navigation bars, banners and footers on
// every page. The distiller compares the pages block by block from the top and from the
// bottom, drops what about four fifths of them share and a leading block that repeats the
// page's title, and keeps the one element that holds most of what is left.
#include "text/HTMLProcess.h"
#include "text/StringList.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace tavrel {

class Tchm2word;

class TBookmark : public TObject
{
public:
    QString Name;  // without "#"
    QString Title; // of the contents entry that points at it
    int Position = 0; // 1-based start of its section in the distilled body; 0 until found
};

class TBookmarks
{
public:
    int Count() const { return int(m_items.size()); }
    TBookmark *Items(int i) const { return m_items.at(size_t(i)).get(); }
    TBookmark *Add(std::unique_ptr<TBookmark> b);
    // Letter case ignored, one leading "#" of name dropped; none for an empty name.
    TBookmark *GetItemByName(const QString &name) const;
    int GetItemIdByName(const QString &name) const;
    // By ascending Position; equal positions keep the order an exchange sort leaves.
    void Sort();

private:
    void IndexName(int k);

    std::vector<std::unique_ptr<TBookmark>> m_items;
    // Per case-folded name, the first bookmark of that name: a page can hold thousands.
    QHash<QString, int> m_byName;
};

class TChmTopicFile : public TObject
{
public:
    // Reads the page (its own charset or byte-order mark decides) and cuts it at its body.
    TChmTopicFile(const QString &TopicFile, const QString &Title, Tchm2word *Owner);
    // The same from page text already in memory.
    TChmTopicFile(const QString &TopicFile, const QString &Title, const QString &page, Tchm2word *Owner);

    Tchm2word *Owner = nullptr;
    QString Filename;
    TStringList Anchors; // sorted, case-insensitive, duplicates ignored
    TBookmarks Bookmarks;
    int QuoteCount = 0;
    QString BeforeBody, Body, AfterBody;
    QString Title1, Title2, Title3;
    QString Text; // the current block of the iterators
    int i = 0;    // the iterators' position in Body, 0-based
    int h = 0;    // length of Body at creation
    // Text at SamePointH or later is the common footer, text before SamePointL (0-based, -1
    // for none) the common header.
    int SamePointH = 0;
    int SamePointL = -1;
    bool TitleFound = false;

    void IniticalizeTags();
    // Each pass starts the iterators afresh: from the bottom, or from the top.
    void StartSearchUp();
    void StartSearchDown();
    // The next block text from the top and from the bottom; each call goes on where the one
    // before stopped. Text is empty once the page is exhausted.
    void SearchDown();
    void SearchUp();
    bool IsSimilar(const QString &S1, const QString &S2) const;
    // Whether the current Text repeats the title of the page's entry or its title element.
    bool IsTitle() const;
    // The distilled body; sets TitleFound when it drops the page's title.
    QString Distiller();
    void FindAnchors();
    void ProcessBookmarks();
    // Writes one file per bookmark beside the page: "p_0.htm", "p_1.htm", ... in sorted order.
    void SplitFileByBookmark();
    // Those files as SplitFileByBookmark writes them, in its order: name and page text.
    std::vector<std::pair<QString, QString>> Sections() const;
    // The name of the section file of bookmark number index.
    QString SectionFileName(int index) const;

private:
    void Cut(const QString &page);
    // The iterators' state.
    struct TOpen
    {
        QString Name;
        bool NonDoc = false;
    };
    std::vector<TOpen> m_tags;
    bool m_inTag = false, m_isTagName = false, m_findText = false;
    QString m_tagAll, m_tagName;
    int m_tagStart = 0;
};

class TChmTopicFileList
{
public:
    int Count() const { return int(m_items.size()); }
    TChmTopicFile *Items(int i) const { return m_items.at(size_t(i)).get(); }
    TChmTopicFile *Add(std::unique_ptr<TChmTopicFile> f);
    void Clear();
    // The first page whose Filename equals name ignoring letter case.
    TChmTopicFile *GetItemByFilename(const QString &name) const;

private:
    std::vector<std::unique_ptr<TChmTopicFile>> m_items;
    QHash<QString, TChmTopicFile *> m_byName;
};

// An img tag whose picture's file name holds "prev" or "next".
bool IsPrevNextImage(const QString &imgTag);
// The attributes of a tag as the page scanners read them: a name runs up to "=", white space
// restarts it; a value is quoted with " or ' up to the same quote, or runs to white space or
// ">". Calls f(name, valueStart, valueLength) with positions in tag.
void ScanTagAttributes(const QString &tag, const std::function<void(const QString &, qsizetype, qsizetype)> &f);

// The common header and footer of every page, then the title pass: pages[0..n) are the pages
// contents entries name, whose votes decide what is common; all pages are cut. Near-linear:
// blocks are grouped by their text and only candidates whose length can match are compared.
// step, when given, is called as each pass takes up a page, with one count over the passes
// (done, total); it may throw to stop. Pages that move on together do so on `threads` threads
// (0 as many as the processor runs at once, 1 one after another), with the same result.
void FindCommonParts(const std::vector<TChmTopicFile *> &pages, int n, const std::function<void(int, int)> &step = {}, int threads = 0);
// The same passes comparing every page's block with every other's: quadratic, kept as the
// reference the grouped passes are checked and measured against.
void FindCommonPartsPairwise(const std::vector<TChmTopicFile *> &pages, int n);
// IsSimilarText of two texts already lower-cased, stopping as soon as the matching runs can
// no longer reach four fifths of the shorter text; the same result.
bool IsSimilarLowered(const QString &la, const QString &lb);
// The number of the first n pages whose block must share it for it to count as common.
int CommonThreshold(int n);

} // namespace tavrel
