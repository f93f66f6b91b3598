#include "chm2word/gui/ImportChm.h"

#include "chm2word/ChmImport.h"
#include "chm2word/OutputWord.h"
#include "chm2word/gui/CHM2Word.h"
#include "chm2word/gui/Progress.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/Messages.h"
#include "text/Shell.h"
#include "text/functions.h"

#include <QFileInfo>

#include <algorithm>

namespace tavrel {

bool btnImportChmClick(TImportChmHooks &h)
{
    TfrmChm2Word dialog(h.Parent);
    dialog.SaveFilter = h.FilterString;
    dialog.DefaultWordExtension = h.DefaultWordExtension;
    dialog.RealPath = h.RealPath;
    dialog.SetWordFile(!h.SourceFile.isEmpty() ? h.SourceFile : QStringLiteral("<Project_Folder>/help") + h.DefaultWordExtension);
    const bool show = !h.BeforeImportDialog || h.BeforeImportDialog(dialog);
    if (show)
        dialog.exec();
    if (dialog.result() != QDialog::Accepted)
        return false;

    const QString helpFile = dialog.SourceFile();
    const QString wordFile = h.RealPath(dialog.WordFile());
    while (IsFileInUse(wordFile, true)) {
        const QString text = QStringLiteral("\"%1\" access denied! It probably has been opened. Please close it and retry.").arg(wordFile);
        if (Messages().Ask(text, mbAbort | mbRetry, TMsgIcon::Error) != mbRetry)
            return false;
    }

    // The writer reads a private copy, so a help file replaced or removed meanwhile does not
    // change what is converted.
    QString copy;
    bool copied = false;
    THelpFileFacts facts;
    try {
        copy = GetTempFileName(QStringLiteral(".chm"));
        copied = FileSystem().CopyFile(helpFile, copy);
        facts = ReadHelpFileFacts(copied ? copy : helpFile);
    } catch (const Exception &e) {
        if (!copy.isEmpty())
            FileSystem().RemoveFile(copy);
        Messages().ShowError(e.Message());
        return false;
    }
    if (!facts.LangID.isEmpty() && h.SetLanguage)
        h.SetLanguage(facts.LangID);
    if (h.SetChmTitle)
        h.SetChmTitle(facts.Title);

    bool written = false;
    QStringList warnings;
    {
        TfrmProgress progress(h.Parent);
        SetImportSettings(progress.OutputWord(), copied ? copy : helpFile, wordFile, facts);
        if (h.BeforeProgress)
            h.BeforeProgress(progress);
        const int result = progress.exec();
        written = result == QDialog::Accepted && !progress.OutputWord().Written.isEmpty();
        warnings = progress.OutputWord().Warnings.Texts();
    }
    if (written && !warnings.isEmpty()) {
        const int shown = std::min<int>(int(warnings.size()), 30);
        QString text = QStringLiteral("The document was written with %1 warning(s):\n").arg(warnings.size()) + warnings.mid(0, shown).join(QLatin1Char('\n'));
        if (shown < warnings.size())
            text += QStringLiteral("\n...");
        Messages().ShowInfo(text);
    }
    if (written) {
        if (Messages().Ask(ImportMessage(QStringLiteral("603")), mbYes | mbNo, TMsgIcon::Information) == mbYes) {
            if (h.OpenDocument)
                h.OpenDocument(wordFile);
            else
                Shell().OpenDocument(wordFile);
        }
    } else {
        Messages().Ask(ImportMessage(QStringLiteral("604")), mbOK, TMsgIcon::Warning);
    }
    // The project follows the new document only when there is one: a failed or cancelled run
    // leaves the source as it was unless a document of that name is already there.
    if ((written || QFileInfo(wordFile).isFile()) && h.SetSourceFile)
        h.SetSourceFile(dialog.WordFile());
    FileSystem().RemoveFile(copy);
    return written;
}

} // namespace tavrel
