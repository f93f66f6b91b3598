#pragma once
// The main window's rules, kept apart from the window so they are tested without one: the
// caption, the recent-project list, the project chosen at start-up, the save proposals, the
// charset and language lists of the HTML Help page and the output status of the Build page.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tavrel {

class TProject;

extern const char *const kProductName; // "Tavrel for Word"
extern const char *const kVersion;     // the project version CMake gives, "3.08"

// "Tavrel for Word  - Title [help.tvp]".
QString MainCaption(const TProject &project);

// The file filter and default extension of the Word document dialogs, in Qt's form.
QString WordFilterString();
QString DefaultWordExtension();

// --- The recent-project list, kept in the user's settings ----------------------------------
class TRecentProjects
{
public:
    static constexpr int MaxCount = 10;
    // Paths of the counted entries that name existing files, most recent first.
    static QStringList Load();
    // Puts path first; entries already in the list (ignoring letter case) move rather than
    // repeat; at most MaxCount are counted. Entries beyond the count stay stored unread.
    static void Add(const QString &path);
};

// --- Start-up ------------------------------------------------------------------------------
// The sample project in the documents folder.
QString DocumentsSampleProject();
// Copies the shipped sample project into the documents folder when that folder does not exist
// yet; an existing copy is never touched. True when the copy exists afterwards.
bool CopySampleProject();
// The project opened when no file is given: the first recent one, else the sample project
// (documents folder first, then the installation's own copy).
QString StartupProjectFile(const QStringList &recent);

// --- Saving --------------------------------------------------------------------------------
// The file proposed by "Save As...": for a new project "SafeFileName(Title).tvp" (or the
// project file name when the title is empty) in RootDir; else "copy of " + the file name in
// the project's folder.
QString SaveAsProposal(const TProject &project);
// What "Save As..." does to a new project's output name before it is written to chosen.
void ApplySaveAsName(TProject &project, const QString &chosen);

// --- HTML Help page lists ------------------------------------------------------------------
// The 27 "display name; charset" entries of the charset list.
const QStringList &HtmlHelpCharsets();
// The charset of an entry: its part after ";", trimmed.
QString CharsetOfEntry(const QString &entry);
// The first entry whose charset equals charset, ignoring letter case; -1 when none does.
int CharsetIndex(const QString &charset);
// The first entry whose charset is that of the code page; -1 when none.
int CharsetIndexForCodepage(int codePage);
// What choosing a language does to the project's window fonts; returns the charset entry to
// select (-1: keep the selection).
int ApplyLanguage(TProject &project, int languageIndex);

// The item lists of the fixed combo boxes.
QStringList PanesItems();
QStringList MagnificationItems();
QStringList PageLayoutItems();
QStringList BackgroundItems();
QStringList ExtensionItems(); // ".htm", ".html"
QString PageExtension(int index);

// The preview picture of a WebHelp background choice; empty when there is none.
QString BackgroundPicture(int index);
// The picture of contents icon index (0 to 41) of the WebHelp icon set.
QString ContentsIconFile(int index);

// --- Editing helpers -----------------------------------------------------------------------
// Each assigns value to field only when they differ (strings letter case included) and then
// sets changed; an equal value leaves changed as it was.
void UpdateText(QString &field, const QString &value, bool &changed);
void UpdateNumber(int &field, int value, bool &changed);
void UpdateFlag(bool &field, bool value, bool &changed);

// Text with insert put at the caret in place of the selection [selStart, selStart + selLength);
// the inserted text is the new selection.
struct TTextEdit
{
    QString text;
    int selStart = 0;
    int selLength = 0;
};
TTextEdit InsertAtCaret(const QString &text, int selStart, int selLength, const QString &insert);

// --- Output status -------------------------------------------------------------------------
// "3 days ago", "in future?!", "within 1 minute" for an age in whole seconds.
QString AgeText(qint64 seconds);

struct TOutputStatus
{
    QString Path;     // shown in the read-only path field
    QString Target;   // the file "Open" and "Folder" act on
    bool Exists = false;
    QString Label;    // date, time and age, or "Not created."
};
// The compiled file, the WebHelp start page and the PDF, in that order, as of now.
QList<TOutputStatus> CheckOutputFiles(const TProject &project, const QDateTime &now = QDateTime::currentDateTime());
// The file time in the user's short date and long time format with its age in brackets.
QString OutputTimeText(const QDateTime &fileTime, const QDateTime &now);

} // namespace tavrel
