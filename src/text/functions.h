#pragma once
// Stateless helpers every subsystem calls: temporary files and folders, folder copying and
// deletion, text files in the right encoding, small HTML text operations, path and link
// arithmetic, and what the document engine can do on this machine.
// Paths use "/" as separator; folders written with a trailing separator end in "/".
#include "text/Escape.h"
#include "text/Warnings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <utility>

class QIODevice;

namespace tavrel {

// --- Temporary files and folders ---------------------------------------------------------------

// The system temporary folder with a trailing "/".
QString GetTempFolder();
// Creates a new, empty file (0600) with a unique name ("~ta" + random part + ext) in this run's
// working folder (WorkingFolder.h), atomically, and returns its full path. ext ("" or ".docx")
// keeps the extension of a document that is about to be copied there. Raises an Exception when
// no file can be created or the working folder is refused.
QString GetTempFileName(const QString &ext = QString());
// The folder in which an HTML Help project is built: this run's working folder.
QString GetCompilerTempFolder();
// Creates a new private folder (0700, "~ta" + random part) in this run's working folder,
// atomically, and returns it with a trailing "/". Nobody else can own a folder of that name, so
// "delete any folder of that name, then create it" is harmless. Raises an Exception on failure.
QString NewTempFolderName();
// The path of a special folder by its shell number (5 = the user's documents folder), without a
// trailing separator; empty for numbers that have no counterpart here.
QString GetSpecialFolder(int csidl);
// path with every "<My Documents>" (any letter case) replaced by the documents folder.
QString ExpandMyDocuments(const QString &path);

// --- Folders and files -------------------------------------------------------------------------

// True when the folder holds no entry at all (hidden ones included), or cannot be listed.
bool IsFolderEmpty(const QString &folder);
// Deletes the folder and everything in it, silently; a symbolic link inside is removed as a link,
// never entered. Refuses (false) an empty path, "/", folders directly under "/", the home and
// the documents folder, and anything that is not a folder. True on success.
bool DeleteFolder(const QString &folder);
// Copies source into dest the way the shell does: into dest/<name of source> when dest is an
// existing folder, else as dest itself (created). True on success.
bool CopyFolder(const QString &source, const QString &dest);
// Creates dest, copies every file of source into it (replacing files there) and recurses into
// sub-folders. Symbolic links are never followed out of source; links to folders are skipped.
// Refuses a dest that is source or lies inside it. True when everything was copied.
bool CopyFolderTree(const QString &source, const QString &dest);
// True when the file exists and cannot be opened for reading or, with forReplace, for writing
// (the system is about to replace it).
bool IsFileInUse(const QString &file, bool forReplace = false);
// The last-write time of the file in local time; invalid when the file does not exist.
QDateTime GetFileDate(const QString &file);
// folder+name+ext, or the first free folder+name+"1"+ext, folder+name+"2"+ext, ...
QString UniqueFileName(const QString &folder, const QString &name, const QString &ext);
// path itself when free, else folder+base+"1"+ext, folder+base+"2"+ext, ...
QString UniqueCopyName(const QString &path);
// Each of \ / : * " < > | and space replaced by "_".
QString SafeFileName(const QString &text);
// A key for hashing names that ignore letter case: two texts have the same key exactly when
// QString::compare(..., Qt::CaseInsensitive) finds them equal. QString::toCaseFolded does not
// always agree with it (a letter before a lone surrogate).
QString CaseFoldKey(QStringView text);

// --- Text files and encodings ------------------------------------------------------------------
// Encoding codes: 0 or less the system code page, 1 UTF-8 with a byte-order mark, 2 UTF-16LE with
// a byte-order mark, any other value that code page.

// The file's text: a byte-order mark decides first; otherwise the code page given as decimal
// text, else the page's own charset declaration, else UTF-8 when the bytes are valid UTF-8, else
// the system code page. Empty when the file does not exist. Raises an Exception when the file
// cannot be opened or codePage is not a number.
QString ReadTextFile(const QString &file, const QString &codePage = QString(), TWarnings *warnings = nullptr);
// The same decoding of bytes in memory.
QString DecodeTextStream(const QByteArray &bytes, const QString &codePage = QString(), TWarnings *warnings = nullptr);
// The same decoding of a stream, read from its start.
QString DecodeTextStream(QIODevice &stream, const QString &codePage = QString(), TWarnings *warnings = nullptr);
// ReadTextFile that copes with a file another program holds open (it reads a temporary copy);
// any error is shown to the user and gives the empty text.
QString LoadTextFile(const QString &file, const QString &codePage = QString(), TWarnings *warnings = nullptr);
// The encoding code a page asks for through its charset: "utf-8" 1, "unicode" 2, else the
// charset table's code page, 0 when unknown.
int GetPageEncoding(const QString &page);
// The byte-order mark (if any) and the text in that encoding; unmappable characters become the
// code page's default character.
QByteArray EncodeTextToStream(const QString &text, int encoding);
// Writes that encoding into the stream from its start (the stream is truncated to it).
void EncodeTextToStream(const QString &text, int encoding, QIODevice &stream);
// Encodes a non-empty text and writes it to file, replacing it; an empty text writes nothing and
// leaves an existing file untouched. Raises an Exception when the file cannot be written.
void WriteTextFile(const QString &text, const QString &file, int encoding);
// Writes the page in the encoding its charset asks for. On failure the error is shown and the
// user is asked for another name: a chosen name is tried again, cancelling returns false.
bool SaveHtmlFile(const QString &page, const QString &file);
// The encoding name a new project starts with.
QString DefaultEncoding();

// --- HTML text ---------------------------------------------------------------------------------

// Text between the first "<title>" and the first "</title>" (any case), CR and LF removed.
QString GetHtmlTitle(const QString &page);
// Replaces the title text, or inserts a title element after every "<head>".
QString SetHtmlTitle(const QString &page, const QString &title);
// Text between the end of the head start tag and the head end tag; empty without them.
QString GetHeadContent(const QString &page);
// The page with its head content replaced by "($Head$)", and the head content. A page without
// a head element comes back unchanged with an empty head content.
std::pair<QString, QString> SplitHead(const QString &page);
// The first "<"+tagName tag (any case) through its ">", as written; empty when absent or open.
QString FindTag(const QString &page, const QString &tagName);
// The value of the attribute name (any case) in tag text; empty when it has none.
QString GetAttributeValue(const QString &tag, const QString &name);
// The charset value after the first "charset=", in lower case; empty when there is none.
QString GetCharset(const QString &page);
// Replaces the charset value, or inserts a meta element naming charset after every "<head>".
QString SetCharset(const QString &page, const QString &charset);
// Decodes numeric (decimal) and named character references.
QString HtmlUnescape(const QString &text);
// text without every stretch from startMark through the next endMark; an unclosed stretch stays.
QString RemoveBetween(const QString &text, const QString &startMark, const QString &endMark);
// True when every character is space, CR, LF or TAB (also for the empty text).
bool IsBlankText(const QString &text);
// Adds file and every existing local file it references to list, following the references of
// referenced pages, style sheets, scripts and XML files; each file once. A reference whose
// letter case differs from the file on disk is found with a warning.
void CollectLinkedFiles(const QString &file, QStringList &list, TWarnings *warnings = nullptr);

// --- Paths and links ---------------------------------------------------------------------------

QString ToSlashes(const QString &text);
QString ToBackslashes(const QString &text);
// "/" separators, "%20" as a space, "." and ".." segments resolved; a leading "/" is kept as the
// root, which ".." cannot climb above.
QString NormalizePath(const QString &path);
// path with "<Project_Folder>" replaced by baseFolder, made absolute against baseFolder unless
// it begins with "/", then normalised.
QString ResolvePath(const QString &baseFolder, const QString &path);
// The link from the folder of base to target ("/" separators; folder names compared ignoring
// case).
QString RelativeUrl(const QString &base, const QString &target);
// (file, bookmark) of a link; a "#" inside a file name ("dir#2/p.htm") is not a bookmark.
std::pair<QString, QString> SplitUrlBookmark(const QString &link);

// --- Miscellaneous -----------------------------------------------------------------------------

// The pieces between the separators, each trimmed; an empty text gives an empty list.
QStringList SplitAndTrim(const QString &text, const QString &separator);
// CR as "`13" and LF as "`10", so a multi-line value fits one line.
QString EscapeLineBreaks(const QString &text);
QString UnescapeLineBreaks(const QString &text);
// The value of the first run of decimal digits; 0 when there is none.
int FirstNumber(const QString &text);
// Points to pixels at 96 pixels per inch, rounded half to even, as decimal text.
QString PointsToPixels(float points);
// Fuzzy equality used to recognise a repeated title.
bool IsSimilarText(const QString &a, const QString &b);

// The document engine is native and always present: it reads and writes .docx itself.
bool IsWordInstalled();
// The capability level of the engine in the terms callers test (12 or more: .docx sources). It
// is always 12; what needs LibreOffice (.doc, .rtf, .odt, PDF) asks IsLibreOfficeAvailable.
int GetWordVersion();
// The full path of LibreOffice's "soffice" found on PATH; empty when it is not installed.
QString LibreOfficeProgram();
bool IsLibreOfficeAvailable();

} // namespace tavrel
