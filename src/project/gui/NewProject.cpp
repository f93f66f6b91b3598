#include "project/gui/NewProject.h"

#include "text/gui/BrowseForFolder.h"

#include "ui_NewProject.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

TfrmNewProject::TfrmNewProject(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmNewProject>())
{
    ui->setupUi(this);
    // The white header of a wizard.
    QPalette p = ui->pnlHeader->palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    p.setColor(QPalette::WindowText, p.color(QPalette::Text));
    ui->pnlHeader->setPalette(p);
    // A new document made from an outline is offered first.
    ui->rb2->setChecked(true);
    ui->btnBack->setProperty("tag", 1);
    ui->btnNext->setProperty("tag", 2);
    connect(ui->btnBack, &QPushButton::clicked, this, [this] { btnBackClick(ui->btnBack->property("tag").toInt()); });
    connect(ui->btnNext, &QPushButton::clicked, this, [this] { btnBackClick(ui->btnNext->property("tag").toInt()); });
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button1, &QPushButton::clicked, this, &TfrmNewProject::Button1Click);
    ui->PageControl1->setCurrentIndex(0);
    ShowState();
}

TfrmNewProject::~TfrmNewProject() = default;

void TfrmNewProject::Prepare(bool canCancel, const QString &folder, const QString &fileName)
{
    ui->btnCancel->setEnabled(canCancel);
    ui->edtProjectPosition->setText(folder);
    ui->edtFilename->setText(fileName);
}

QString TfrmNewProject::ProjectFile() const
{
    return WizardProjectFile(ui->edtProjectPosition->text(), ui->edtFilename->text());
}

bool TfrmNewProject::SelectsDocument() const
{
    return ui->rb1->isChecked();
}

bool TfrmNewProject::CreatesDocument() const
{
    return ui->rb2->isChecked();
}

bool TfrmNewProject::ImportsHelpFile() const
{
    return ui->rb3->isChecked();
}

void TfrmNewProject::btnBackClick(int tag)
{
    switch (State.Press(tag, ui->edtProjectPosition->text(), ui->edtFilename->text())) {
    case TNewProjectWizard::Finished:
        accept();
        return;
    case TNewProjectWizard::Stayed:
        return;
    case TNewProjectWizard::Moved:
        ShowState();
        return;
    }
}

void TfrmNewProject::reject()
{
    if (ui->btnCancel->isEnabled())
        QDialog::reject();
}

void TfrmNewProject::ShowState()
{
    ui->PageControl1->setCurrentIndex(State.Page);
    ui->lbTitle->setText(State.Title());
    ui->lbDescription->setText(State.Description());
    ui->btnBack->setEnabled(State.BackEnabled());
    ui->btnNext->setText(State.NextCaption());
    ui->btnNext->setProperty("tag", State.NextTag());
}

void TfrmNewProject::Button1Click()
{
    QString folder = ui->edtProjectPosition->text().trimmed();
    if (!folder.isEmpty() && !QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        folder = QDir::homePath();
    if (BrowseForFolder(this, folder, QStringLiteral("Select a folder:")))
        ui->edtProjectPosition->setText(folder);
}

} // namespace tavrel
