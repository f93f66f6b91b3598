#pragma once
// A new Word document from an outline: the outline's rules (levels by leading TABs, titles,
// skipped blank lines), the edits of the outline dialog (indent, outdent, inserting a common
// title), reading and writing outline text files, and the document itself, made through the
// document engine with one heading and a placeholder paragraph per outline line.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace tavrel {

class TProject;
class WordDocument;

// --- The outline -------------------------------------------------------------------------------

struct TOutlineHeading
{
    int Level = 0; // 0 for the top level
    QString Title;
    bool operator==(const TOutlineHeading &) const = default;
};

// A line's level is the number of TABs it starts with, but at most its index among the lines,
// so the first line is always at the top level. Lines whose trimmed title is empty give nothing.
std::vector<TOutlineHeading> ParseOutline(const QStringList &lines);

// The placeholder paragraph every heading without sub-headings gets.
extern const char *const kContentPlaceholder; // "Enter your content..."

// HeadingStyleOfLevel (the engine's) gives a level's built-in heading style.

// Fills a new document (one empty paragraph) with the outline: each heading in the heading style
// of its level, a placeholder paragraph after every heading that has no sub-heading, the last
// placeholder without a paragraph mark after it. Returns the number of headings written.
int WriteOutline(WordDocument &document, const QStringList &lines);

// Creates the document of the outline and saves it to fileName, in the .docx format when the
// name ends in ".docx" (any letter case), otherwise in the .doc format. While the file is in
// use the user is asked (Retry or Cancel, through the message interface); Cancel returns false
// and writes nothing. The folder of the file is created. Errors of the engine raise an Exception.
bool CreateDocumentFromOutline(const QString &fileName, const QStringList &lines);

// The message asked while the target file is locked.
QString LockedTargetMessage(const QString &fileName);

// --- The dialog's defaults -----------------------------------------------------------------

// The 21 lines of the outline a new document starts from (indented ones begin with a TAB).
const QStringList &DefaultOutline();
// The commonly used titles offered beside the outline, in their order.
const QStringList &CommonTitles();

// --- Edits of the outline text (lines separated by "\n") -------------------------------------

// An edit of the outline: one TAB inserted (Indent) or removed (Outdent) at each line start in
// Positions, which are in descending order so that applying them in turn keeps the others valid;
// afterwards the selection is SelStart/SelLength.
struct TOutlineEdit
{
    std::vector<int> Positions;
    int SelStart = 0, SelLength = 0;
};

// The lines an indent or outdent touches: the line holding selStart and every line that starts
// after selStart and no later than selStart + selLength; never the first line of the text.
// Indent inserts a TAB at each; the selection start stays and its length grows by their number.
TOutlineEdit IndentOutline(const QString &text, int selStart, int selLength);
// Outdent removes one TAB from those of the lines that start with one; the selection length
// shrinks by their number.
TOutlineEdit OutdentOutline(const QString &text, int selStart, int selLength);
// The text after an edit (what the dialog does through its editor, for tests and callers
// without one).
QString ApplyIndent(const QString &text, const TOutlineEdit &edit);
QString ApplyOutdent(const QString &text, const TOutlineEdit &edit);

// Where a common title goes: the start of the line holding the caret. The title is inserted
// there followed by a line break, without a TAB.
int TitleInsertPosition(const QString &text, int caret);

// --- Outline text files ----------------------------------------------------------------------

// The text of an outline file: a byte-order mark (UTF-8, UTF-16 either order) decides; without
// one, UTF-8 when the bytes are valid UTF-8, else the system code page.
QString DecodeOutline(const QByteArray &bytes);
// Reads an outline file, lines separated by "\n" and without the last line's break; raises an Exception naming the file when it cannot be read.
QString LoadOutline(const QString &fileName);
// The bytes of an outline file: UTF-16 little-endian with a byte-order mark, one line per line
// of the outline, each ended by CR LF.
QByteArray EncodeOutline(const QString &text);
// Writes the outline file (through the file-system seam); raises an Exception on failure.
void SaveOutline(const QString &text, const QString &fileName);

// --- The main window's "Create.." ------------------------------------------------------------

// The file name the dialog starts with: the source document as the page shows it, or
// "<Project_Folder>/doc" + the default Word extension when there is none.
QString NewDocumentProposal(const QString &sourceFile);
// Whether the dialog may close with OK for this name: when the resolved file exists, the user
// is asked (message 600 with the name as typed, Yes or No).
bool ConfirmNewDocumentTarget(const QString &typedName, const QString &resolvedName);
// After the dialog's OK: creates the document at the resolved name; on success the typed name
// becomes the project's source document. Returns whether the document was created.
bool CreateSourceDocument(TProject &project, const QString &typedName, const QStringList &lines);
// Then the user is offered to open it (message 601 with the typed name); Yes opens the resolved
// file through the shell.
void OfferToOpenNewDocument(const TProject &project, const QString &typedName);

} // namespace tavrel
