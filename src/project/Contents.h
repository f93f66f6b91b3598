#pragma once
// The contents list shared by every output: one entry per heading of the source document, in
// document order. The splitter fills it; the page writers only read it. The tree is implicit:
// an entry's parent is the nearest entry before it with a smaller level.
#include "text/StringList.h"

#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tavrel {

class TProject;

class TContentsItem : public TObject
{
public:
    QString Title;         // plain text of the heading, trimmed; "(Blank)" for an empty heading
    QString HTMLTitle;     // heading text as it stands in the HTML, tags removed, references kept
    QString TitleSource;   // HTML source of the heading paragraph
    QString StaticName;    // identifier for context-sensitive help
    QString Url;           // page file relative to the page folder; empty without a page
    QString Content;       // body HTML of the topic
    int Level = 0;         // outline level, 1 for a top heading
    int Icon = 0;          // contents icon; 0 not chosen yet, -1 left out by the writers
    int Status = 0;        // 0 own page, 2 no page (blank content), 1 link-only entry
    QString Keywords;      // index keywords, one per line
    QString ContextNumber; // decimal context number
    QString LastPage;      // link to the previous page, relative to this page; empty on the first
    QString NextPage;      // link to the next page, relative to this page; empty on the last
    QString Navigation;    // breadcrumb HTML
    bool LastInTheSameLevel = false;
    bool HasChildNode = false;
    bool Accessible = false; // true exactly when Status is 0
};

// The parsed navigation setting: texts already HTML-escaped.
class TNavSetting : public TObject
{
public:
    QString NavStartStr;
    QString Delimiter;
    bool EndWithDelimiter = false;
    bool IncludeTopic = false;

    // Parses "start,delimiter,end flag,topic flag" as comma text; items missing from a short
    // string take the values of the default setting.
    void SetSettingText(const QString &SetStr);
};

// The default navigation setting string of a new project.
QString DefaultNavSettingText();

// Name derivation from a heading's title.
QString GetHexName(const QString &title);
QString GetBaseName(const QString &title);
QString GetTopicFileName(const QString &title);
QString GetTopicStaticName(const QString &title);

// Owns its entries and its navigation setting.
class TContentsItems : public TObject
{
public:
    TContentsItems();
    TContentsItems(const TContentsItems &) = delete;
    TContentsItems &operator=(const TContentsItems &) = delete;

    int Count() const { return static_cast<int>(m_items.size()); }
    TContentsItem *Items(int i) const { return m_items.at(static_cast<size_t>(i)).get(); }
    TContentsItem *operator[](int i) const { return Items(i); }
    // Appends and takes ownership; returns the entry.
    TContentsItem *Add(std::unique_ptr<TContentsItem> item);
    void Delete(int i);
    void Clear();

    TProject *Project = nullptr; // not owned; set by whoever creates the list
    TNavSetting *NavSetting() const { return m_navSetting.get(); }

    // A page file name Name + Ext, or Name + n + Ext with the smallest n from 1, that no added
    // entry uses (compared ignoring the case of A to Z).
    QString GetExclusiveFilename(const QString &Name, const QString &Ext);
    // The same over the static names, with the candidates StaticName, StaticName + n.
    QString GetExclusiveStaticName(const QString &StaticName);
    // The names of added entries are indexed for the two functions above. Changing Url or
    // StaticName of an added entry goes through these setters so the index stays exact;
    // ReindexNames rebuilds it after direct writes.
    void SetUrl(TContentsItem *item, const QString &url);
    void SetStaticName(TContentsItem *item, const QString &name);
    void ReindexNames();

    // Parses the project's navigation setting (the default one without a project).
    void GetNavSetting();
    // Breadcrumbs, previous/next links, last-in-level marks and default icons.
    void PreProcess();

private:
    // Used names (folded to lower case A to Z) with their number of entries, and per candidate
    // family (name + ext) the first number not known to be used, so many equal titles cost
    // linear time instead of a walk per candidate.
    struct TNameIndex
    {
        std::unordered_map<QString, int> used;
        std::unordered_map<QString, qint64> next;
        QStringList exts; // the extensions asked for so far
        void add(const QString &name);
        void remove(const QString &name);
        QString exclusive(const QString &name, const QString &ext);
        void clear();
    };
    struct TRegistered
    {
        QString url, staticName;
    };

    std::vector<std::unique_ptr<TContentsItem>> m_items;
    std::unique_ptr<TNavSetting> m_navSetting;
    TNameIndex m_urls, m_statics;
    std::unordered_map<const TContentsItem *, TRegistered> m_registered;
};

} // namespace tavrel
