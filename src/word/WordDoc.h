#pragma once
// One converted Word document: the engine marks headings, index entries, cross-references,
// linked shapes and Flash controls in its copy of the document, saves it as filtered HTML into
// a private working folder, and the page is cleaned and held in memory (BeforeBody, Body,
// AfterBody). ToContentsItems then cuts the body into the contents list.
#include "project/Contents.h"
#include "text/OutsideFiles.h"
#include "text/StringList.h"
#include "text/Warnings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tavrel {

class TProject;
class WordApplication;
class WordDocument;
class WordShape;

// The marker put before every heading in the engine's copy: followed by the level digit.
inline const QString kHeadingMarker = QStringLiteral("`~#$");

// Properties a heading's section may carry in a property field.
class THeadingProperty : public TObject
{
public:
    QString Id;
    QString FileName;
    QString StaticVar;
    bool Omit = false;
};

using THeadings = std::vector<std::unique_ptr<THeadingProperty>>;
// One parameter list (name=value lines) per Flash object; the position is its number.
using TOLEObjects = std::vector<std::unique_ptr<TStringList>>;

// What the alternative text of a picture carries after the shapes pass.
struct TShapeAlt
{
    QString AltText, Link, Target, Title, MapNumber;
};

class TWordDoc
{
public:
    using TChangeEvent = std::function<void(TWordDoc *)>;

    // Stores what the conversion needs; does not convert.
    TWordDoc(TProject *project, WordApplication *word, const QString &wordFile, TChangeEvent changeEvent, int outputType);
    ~TWordDoc(); // deletes the working folder
    TWordDoc(const TWordDoc &) = delete;
    TWordDoc &operator=(const TWordDoc &) = delete;

    void DoCreate(const QString &WordFile);
    void ConvertWordToHTML();
    QString StyleToFile(const QString &Str, const QString &RootFolder);
    void RemoveSections();
    void CopyAttachedFiles(const QString &ToWhere);

    void ToContentsItems(TContentsItems &ContentItems);
    bool GetBookmarksForHeadings(const QString &S, const QString &Url, bool IsHeading);
    void ChangeUrls(TContentsItems &ContentItems);

    void ProcessOLEObj();
    QString ChangeShapeLink(const QString &str);
    QString ChangeUrls(const QString &str);

    // The page extension of the output type (".htm" or ".html").
    QString PageExtension() const;

    // Field-code parsers of the headings pass.
    static QString IndexKeyword(const QString &codeText);
    static QString RefBookmark(const QString &codeText);
    // Items separated by ";" and white space, double quotes around an item keep both, two
    // double quotes in quotes stand for one; returns the name=value items in order.
    static QStringList ParsePropertyItems(const QString &codeText);
    // Fills a heading property from a property field text; unknown names are returned.
    static QStringList ApplyPropertyField(const QString &codeText, THeadingProperty &property);
    static TShapeAlt DecodeShapeAlt(const QString &value);

    WordApplication *WordApp = nullptr;
    TChangeEvent FOnUpdate;
    TProject *Project = nullptr;
    int OutputType = 0;
    std::vector<std::unique_ptr<TStringList>> IndexList;
    THeadings Headings;
    TOLEObjects OLEObjs;
    QString FileName;
    // The user's document FileName is a working copy of; relative links and linked pictures
    // resolve against its folder, and that folder is one the build may carry files from.
    // Empty when FileName is the user's document itself.
    QString OriginalFile;
    QString tempDir; // "/"-terminated
    TStringList BookmarkAndUrls;
    TStringList ExternalFiles;
    QString BeforeBody;
    TStringList AttachedFiles;
    QStringList MapCodes;
    QString Source;
    QString Body;
    QString AfterBody;
    QString FilesFolder;
    int Position = 0;

    // What the conversion dropped or approximated, for the build's report.
    TWarnings Warnings;

private:
    void setPosition(int position);
    void shapesPass(WordDocument &document);
    void headingsPass(WordDocument &document);
    void addFlashObject(WordShape &shape);
    QString areaOfCanvasItem(const WordShape &item);
    // The new value of a link, or nothing when the link must go and its text stay plain.
    std::optional<QString> linkRule(const QString &value);
    std::optional<QString> bringAlong(const QString &linkedPath, const QString &name);
    // The folder of the user's document (OriginalFile, else FileName).
    QString documentFolder() const;
    // The project folder, the document's folder and the folders the project names.
    QStringList carryFolders() const;
    void flushBookmarks();
    void finishItem(TContentsItem *item, TContentsItems &items, QString &headingSources);

    // Bookmark entries collected while splitting; sorted into BookmarkAndUrls at once.
    QStringList m_pendingBookmarks;
    // Name (lower case A to Z) -> target, the first entry of each name in sorted order.
    std::unordered_map<QString, QString> m_bookmarkLookup;
    bool m_lookupValid = false;
    // Linked file (as found) -> the link name it was brought along under.
    std::unordered_map<QString, QString> m_broughtAlong;
    std::optional<TCarryRoots> m_carryRoots; // made at the first linked file
    QString m_where;                         // the topic whose links are being rewritten
    bool m_ownsTempDir = false;
};

} // namespace tavrel
