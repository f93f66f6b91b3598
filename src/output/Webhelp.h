#pragma once
// The WebHelp writer: a folder that a browser opens through its index page, a frameset with a
// contents tree, a keyword index and a full-text search beside the topic pages. The frame pages
// come from the installation's "webhelp/" folder with the project's title, colours and sizes
// and the generated tree, index list and search data poured into their placeholders.
#include "text/Warnings.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

namespace tavrel {

class TProject;
class TContentsItems;
class TContentsItem;
struct TConvertedDocument;
class TOutputSwap;

// One search record of "data.js".
class TTextForWeb
{
public:
    QString Text;  // plain text of the topic, "`" marking paragraph starts
    QString Title;
    QString url;   // "pages\" + the item's Url
};

class TWebHelp
{
public:
    // All three are borrowed and must outlive the writer. Word may be null (no attached files,
    // no document head), which tests of the single steps use.
    TWebHelp(TProject *Project, TContentsItems *Contents, const TConvertedDocument *Word);
    TWebHelp(const TWebHelp &) = delete;
    TWebHelp &operator=(const TWebHelp &) = delete;

    // Writes the whole folder into a private folder beside the output folder, which replaces
    // the old one when it is complete (at once, or with the build's other outputs when Swap is
    // set). Returns the output folder + "index" + E when the project's ViewCompiledFile is on,
    // else the empty string. Raises an Exception when the contents list has no entry, when the
    // folder guard refuses the output folder, and when any file cannot be written.
    QString Output();

    // The steps of Output.
    void OutputPages();
    void CopyIcon();
    void outFiles(const QString &Name); // Name as installed: "index.htm"
    QString MakeJs();                   // the contents tree of webhelpcontents
    QString MakeHTML();                 // the static tree of webhelplefth
    QString MakeIndexForWeb();          // the option list of the index page
    void GetTextsForSearch();
    QString OutputSearchJS();           // the text of "data.js"
    QString MakeLanguageJS();           // the text of "languages.js"

    // (closed, open) icon file names of an item.
    std::pair<QString, QString> IconArray(int Icon, bool IsFolder) const;

    // ".htm" or ".html" after the project's WebHelpExtension.
    QString Extension() const;

    // Pieces of the page loop, public for tests.
    // The script put after the body start tag of the topic at position i with page Url.
    static QString SyncScript(int i, const QString &Url, const QString &E);
    // The script put right after it: the page tells the frame set which topic is on screen by a
    // message, which also crosses between pages opened from disk, where the script above may
    // not reach the tree.
    static QString AnnounceScript();
    // The page with text inserted right after the ">" of its first body start tag, or at the
    // very start when it has none.
    static QString InsertAfterBody(const QString &page, const QString &text);
    // The page marked for the browser's local-file security.
    static QString MarkLocalFile(const QString &page);
    // The plain text of a topic body for the search records.
    static QString PlainTextForSearch(const QString &html);
    // A text as the contents of a double-quoted script string of "data.js".
    static QString SearchString(const QString &text);

    TProject *Project = nullptr;
    TContentsItems *Contents = nullptr;
    const TConvertedDocument *Word = nullptr;
    QString CDir;        // the installation folder, "/"-terminated
    QString OutFolder;   // the folder being written, "/"-terminated (private while Output runs)
    TOutputSwap *Swap = nullptr; // the build's outputs, swapped in together
    QString Title;
    QString DefaultPage;
    std::vector<std::unique_ptr<TTextForWeb>> Texts;

    // Frame pages skipped because the installation lacks them, for the build's report.
    TWarnings Warnings;

private:
    QString makeTree(bool staticTree);
    QString readInstalled(const QString &Name);
    QString fillCommon(QString text);
    void copyIfExists(const QString &from, const QString &to);
    void makeFolder(const QString &folder);
    void savePage(const QString &page, const QString &file);
};

} // namespace tavrel
