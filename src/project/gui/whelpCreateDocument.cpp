// "Create.." of the Source Files page: a new Word document from an outline becomes the project's
// source document.
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"
#include "project/gui/whelp.h"
#include "text/Exceptions.h"
#include "text/Messages.h"
#include "word/CreateNewdoc.h"
#include "word/gui/CreateNewdoc.h"

#include "ui_whelp.h"

namespace tavrel {

int TfrmMain::RunCreateNewDocument(TfrmCreateNewDocument &dialog)
{
    return dialog.exec();
}

void TfrmMain::btnCreateWordFileClick()
{
    TfrmCreateNewDocument dialog(this);
    dialog.WordFilter = WordFilterString();
    dialog.DefaultExtension = DefaultWordExtension();
    dialog.RealPath = [this](const QString &name) { return m_project->RealPath(name); };
    dialog.SetFileName(NewDocumentProposal(ui->edtSourceFile->text()));
    if (RunCreateNewDocument(dialog) != QDialog::Accepted)
        return;
    const QString name = dialog.FileName();
    try {
        if (!CreateSourceDocument(*m_project, name, dialog.OutlineLines()))
            return;
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return;
    }
    // The page shows the new source before the question runs an event loop, so the idle copy
    // from the page to the project keeps it.
    ui->edtSourceFile->setText(name);
    OfferToOpenNewDocument(*m_project, name);
}

} // namespace tavrel
