#include "project/gui/SourceFilesPage.h"

#include "chm2word/gui/ImportChm.h"
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"
#include "project/ResourceStrings.h"
#include "text/Exceptions.h"
#include "word/CreateNewdoc.h"
#include "word/gui/CreateNewdoc.h"
#include "text/Messages.h"
#include "text/Shell.h"
#include "text/functions.h"

#include "ui_SourceFilesPage.h"

#include <QFileInfo>

namespace tavrel {

TpageSourceFiles::TpageSourceFiles(QWidget *parent) : TSettingsPage(parent), ui(std::make_unique<Ui::TpageSourceFiles>())
{
    ui->setupUi(this);
    connect(ui->btnSelectWordFile, &QPushButton::clicked, this, &TpageSourceFiles::SelectWordFile);
    connect(ui->btnBrowseWordFile, &QToolButton::clicked, this, &TpageSourceFiles::SelectWordFile);
    connect(ui->btnOpenWordFile, &QPushButton::clicked, this, &TpageSourceFiles::OpenWordFile);
    connect(ui->btnCreateWordFile, &QPushButton::clicked, this, &TpageSourceFiles::CreateWordFile);
    connect(ui->btnImportChm, &QPushButton::clicked, this, &TpageSourceFiles::ImportChm);
    connect(ui->btnOpenWordFolder, &QPushButton::clicked, this, &TpageSourceFiles::OpenWordFolder);
}

TpageSourceFiles::~TpageSourceFiles() = default;

void TpageSourceFiles::Bind(TBindingTable &table)
{
    table.Text(ui->edtSourceFile, &TProject::SourceFile);
}

void TpageSourceFiles::UpdateControls(const TProject &)
{
    const bool hasSource = !ui->edtSourceFile->text().isEmpty();
    ui->btnOpenWordFile->setEnabled(hasSource);
    ui->btnOpenWordFolder->setEnabled(hasSource);
}

void TpageSourceFiles::SelectWordFile()
{
    const QString start = Host().Project().RealPath(ui->edtSourceFile->text());
    const QString file = Host().ChooseOpenFile(QStringLiteral("Select the Word document"), start, WordFilterString());
    if (!file.isEmpty())
        ui->edtSourceFile->setText(file);
}

void TpageSourceFiles::CreateWordFile()
{
    TProject &project = Host().Project();
    TfrmCreateNewDocument dialog(this);
    dialog.WordFilter = WordFilterString();
    dialog.DefaultExtension = DefaultWordExtension();
    dialog.RealPath = [&project](const QString &name) { return project.RealPath(name); };
    dialog.SetFileName(NewDocumentProposal(ui->edtSourceFile->text()));
    if (Host().RunCreateNewDocument(dialog) != QDialog::Accepted)
        return;
    const QString name = dialog.FileName();
    try {
        if (!CreateSourceDocument(project, name, dialog.OutlineLines()))
            return;
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return;
    }
    // The page shows the new source before the question runs an event loop, so the idle copy
    // from the page to the project keeps it.
    ui->edtSourceFile->setText(name);
    OfferToOpenNewDocument(project, name);
}

void TpageSourceFiles::ImportChm()
{
    TProject &project = Host().Project();
    TImportChmHooks hooks;
    hooks.Parent = this;
    hooks.SourceFile = ui->edtSourceFile->text();
    hooks.FilterString = WordFilterString();
    hooks.DefaultWordExtension = DefaultWordExtension();
    hooks.RealPath = [&project](const QString &name) { return project.RealPath(name); };
    hooks.SetLanguage = [this](const QString &langId) { Host().SelectLanguage(langId); };
    hooks.SetChmTitle = [this](const QString &title) { Host().SetProjectTitle(title); };
    hooks.SetSourceFile = [this](const QString &file) { ui->edtSourceFile->setText(file); };
    Host().RunImportChm(hooks);
}

void TpageSourceFiles::OpenWordFile()
{
    const QString path = Host().Project().RealPath(ui->edtSourceFile->text());
    if (QFileInfo(path).isFile())
        Shell().OpenDocument(path);
    else
        Messages().ShowError(Resource().GetStringById(QStringLiteral("602")).replace(QLatin1String("%s"), ui->edtSourceFile->text()));
}

void TpageSourceFiles::OpenWordFolder()
{
    Shell().ShowInFileManager(Host().Project().RealPath(ui->edtSourceFile->text()));
}

} // namespace tavrel
