#pragma once
// The rules of taking over a compiled help file into a project: what the import dialog
// accepts, the writer's settings for an import, and the facts the project takes from the file.
#include <QString>

namespace tavrel {

class TOutputWord;

// A numbered message of the program's table with its "%s" filled in.
QString ImportMessage(const QString &id, const QString &argument = QString());

// The import dialog's OK is offered only when both boxes hold something.
bool ImportBoxesComplete(const QString &helpFile, const QString &wordFile);

// The import dialog's OK: false keeps the dialog open (a missing help file, or the user would
// not replace an existing document). Asks through the message interface.
bool ConfirmImport(const QString &helpFile, const QString &wordFileText, const QString &resolvedWordFile);

// What the project takes over from the help file.
struct THelpFileFacts
{
    QString Title;
    QString LangID; // "0x0407"; empty when the file names no locale
    int CodePage = 0;
};
// Raises an Exception when the file cannot be read.
THelpFileFacts ReadHelpFileFacts(const QString &chm);

// The writer set up as an import wants it: a Word document only, A4 with margins of 25 and
// 30 millimetres, index entries, nothing else.
void SetImportSettings(TOutputWord &writer, const QString &chm, const QString &wordFile, const THelpFileFacts &facts);

} // namespace tavrel
