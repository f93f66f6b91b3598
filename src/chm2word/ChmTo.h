#pragma once
// Reading a compiled help file back: the facts its #SYSTEM object holds, the decompile into a
// folder, and the contents and index files read into one flat list of contents entries.
#include "text/StringList.h"
#include "text/Warnings.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace tavrel {

// One contents entry.
class TTitleList : public TObject
{
public:
    QString Topic;
    int Index = 0;  // position among the entries read from the contents file
    int Level = 0;  // 0 for the outermost list
    QString Url;    // the page address; "%20" read as a space
    int Icon = 0;   // the entry's ImageNumber
    int Status = 0; // 0 has a page, 2 only groups other entries, 3 an external address
    // Index keywords of the entry's page, separated by "`\"; a sub-keyword is written after its
    // outer keywords, each followed by "/"; a "/" inside a keyword is doubled.
    QString Keywords;
    QString ContextNumber;
    QString ChapterNumber;
    QString Bookmark;
};

class TTitleLists
{
public:
    int Count() const { return int(m_items.size()); }
    TTitleList *Items(int i) const { return m_items.at(size_t(i)).get(); }
    TTitleList *operator[](int i) const { return Items(i); }
    TTitleList *Add(std::unique_ptr<TTitleList> item);
    void Clear();
    // Rebuilds the address lookup from the entries' current addresses (lower-cased); of two
    // entries with the same address the earlier one is found.
    void initializeUrls();
    TTitleList *GetItemByUrl(const QString &url) const;

private:
    std::vector<std::unique_ptr<TTitleList>> m_items;
    QHash<QString, TTitleList *> m_urls;
};

// The records of a #SYSTEM object taken by their codes.
struct TChmSystemRecords
{
    bool HasLocale = false;
    quint16 Locale = 0;
    QByteArray DefaultTopic, Title, Contents, Index, Version;
};
// Reads the records of #SYSTEM bytes; a record whose length runs past the end ends the walk.
TChmSystemRecords ReadSystemRecords(const QByteArray &system, TWarnings *warnings = nullptr);

// The separator between the keywords of one entry.
extern const QString KeywordSeparator;

// Appends the entries of a contents (sitemap) text to list.
void ReadContentsText(const QString &text, TTitleLists &list, TWarnings *warnings = nullptr);
// Attaches the keywords of an index (sitemap) text to the entries of list whose address one
// of the keyword's pages is (letter case ignored).
void ReadIndexText(const QString &text, TTitleLists &list, TWarnings *warnings = nullptr);

class Tchm
{
public:
    Tchm() = default;
    virtual ~Tchm() = default;
    Tchm(const Tchm &) = delete;
    Tchm &operator=(const Tchm &) = delete;

    TTitleLists List;
    QByteArray rTitle, rDefaultPage;
    int rCodePage = 0;
    QString LangID; // "0x" and four upper-case hexadecimal digits
    QString Title, DefaultPage;
    int CodePage = 0; // of the decompiled contents and index files
    QString hhcFile, hhkFile;
    QString rootFolder; // with a trailing "/"
    QString DefaultWindow;
    QStringList Context;
    QString chmFile;
    QString FileName; // "guide." for guide.chm
    // The contents and index files #SYSTEM names (stored names), empty when it names none.
    QString SystemContents, SystemIndex;
    // The relative names decompile wrote.
    QStringList Written;
    TWarnings Warnings;
    // Called before each file the decompile writes and each page the later steps read or
    // write, with the step's name ("Decompiling", "Distilling", ...), the items done and their
    // number (0 when not known beforehand). It may throw (a cancel): the run then ends within
    // one file's or page's time.
    std::function<void(const QString &step, int done, int total)> OnProgress;

    // Reads locale, default topic and title. Raises an Exception when the file cannot be read;
    // a file that is not a help file or has no such records leaves them empty.
    void LoadFromCHM(const QString &path);
    // Writes every stored file under rootFolder, finds the contents and index files and reads
    // them into List (their compiled forms when the help file has no sitemap files). A folder that cannot be created is reported and nothing is read; a file
    // that is not a readable help file raises an Exception.
    void decompile();

protected:
    void Progress(const QString &step, int done, int total) const
    {
        if (OnProgress)
            OnProgress(step, done, total);
    }
};

} // namespace tavrel
