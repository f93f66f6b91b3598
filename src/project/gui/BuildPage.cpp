#include "project/gui/BuildPage.h"

#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"
#include "project/ResourceStrings.h"
#include "text/Messages.h"
#include "text/Shell.h"
#include "text/functions.h"

#include "ui_BuildPage.h"

namespace tavrel {

TpageBuild::TpageBuild(QWidget *parent) : TSettingsPage(parent), ui(std::make_unique<Ui::TpageBuild>())
{
    ui->setupUi(this);
    connect(ui->cbPDFOutput, &QCheckBox::clicked, this, &TpageBuild::PDFOutputClick);
    connect(ui->btnBuild, &QPushButton::clicked, this, [this] { Host().BuildProject(false); });
    connect(ui->btnOpenCHM, &QPushButton::clicked, this, [this] { OpenOutput(0, false); });
    connect(ui->btnCHMFolder, &QPushButton::clicked, this, [this] { OpenOutput(0, true); });
    connect(ui->btnOpenWebHelp, &QPushButton::clicked, this, [this] { OpenOutput(1, false); });
    connect(ui->btnWebHelpFolderOpen, &QPushButton::clicked, this, [this] { OpenOutput(1, true); });
    connect(ui->btnOpenPDF, &QPushButton::clicked, this, [this] { OpenOutput(2, false); });
    connect(ui->btnPDFFolder, &QPushButton::clicked, this, [this] { OpenOutput(2, true); });
}

TpageBuild::~TpageBuild() = default;

void TpageBuild::Bind(TBindingTable &table)
{
    table.Flag(ui->cbHTMLHelpOutput, &TProject::HtmlHelpOutput);
    table.Flag(ui->cbWebHelpOutput, &TProject::WebHelpOutput);
    // PDF output stays off where it cannot be made.
    QCheckBox *pdf = ui->cbPDFOutput;
    table.Custom([pdf](const TProject &p) { pdf->setChecked(p.PDFOutput && IsLibreOfficeAvailable()); },
                 [pdf](TProject &p, bool &changed) { UpdateFlag(p.PDFOutput, pdf->isChecked(), changed); });
}

void TpageBuild::ShowOutputStatus(const TProject &project)
{
    const QList<TOutputStatus> status = CheckOutputFiles(project);
    QLineEdit *paths[3] = {ui->edtCHMOutput, ui->edtWebHelpOutput, ui->edtPDFOutput};
    QLabel *labels[3] = {ui->lbCHMStatus, ui->lbWebHelpStatus, ui->lbPDFStatus};
    QPushButton *opens[3] = {ui->btnOpenCHM, ui->btnOpenWebHelp, ui->btnOpenPDF};
    QPushButton *folders[3] = {ui->btnCHMFolder, ui->btnWebHelpFolderOpen, ui->btnPDFFolder};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker b(paths[i]);
        paths[i]->setText(status[i].Path);
        labels[i]->setText(status[i].Label);
        opens[i]->setEnabled(status[i].Exists);
        folders[i]->setEnabled(status[i].Exists);
    }
}

void TpageBuild::PDFOutputClick()
{
    if (ui->cbPDFOutput->isChecked() && !IsLibreOfficeAvailable()) {
        Messages().Ask(Resource().GetStringById(QStringLiteral("501")), mbOK, TMsgIcon::Warning);
        ui->cbPDFOutput->setChecked(false);
    }
}

void TpageBuild::OpenOutput(int index, bool folder)
{
    const TOutputStatus s = CheckOutputFiles(Host().Project())[index];
    if (folder)
        Shell().ShowInFileManager(s.Target);
    else
        Shell().OpenDocument(s.Target);
}

} // namespace tavrel
