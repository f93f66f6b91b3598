#pragma once
// The main window's "From CHM...": asks for a help file and a new document, converts one
// into the other behind the progress window and makes the document the project's source.
#include <QString>
#include <functional>

class QWidget;

namespace tavrel {

class TfrmChm2Word;
class TfrmProgress;

// What the import needs of the main window.
struct TImportChmHooks
{
    QWidget *Parent = nullptr;
    QString SourceFile;           // the project's source document, empty when none
    QString FilterString = QStringLiteral("Word Document (*.docx)");
    QString DefaultWordExtension = QStringLiteral(".docx");
    std::function<QString(const QString &)> RealPath = [](const QString &p) { return p; };
    std::function<void(const QString &langId)> SetLanguage;   // selects the language and runs its change handler
    std::function<void(const QString &title)> SetChmTitle;   // the HTML Help title box
    std::function<void(const QString &file)> SetSourceFile;   // the source document box
    std::function<void(const QString &file)> OpenDocument;    // the shell's open (default: the shell seam)
    // Tests answer the dialogs: called before each is shown; return false to skip showing it
    // (the dialog's result is then what the hook left in it).
    std::function<bool(TfrmChm2Word &)> BeforeImportDialog;
    std::function<void(TfrmProgress &)> BeforeProgress;
};

// True when the document was written and made the project's source.
bool btnImportChmClick(TImportChmHooks &hooks);

} // namespace tavrel
