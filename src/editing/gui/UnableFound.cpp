#include "editing/gui/UnableFound.h"

#include "editing/SmallDialogs.h"

#include "ui_UnableFound.h"

namespace tavrel {

TfrmUnableFound::TfrmUnableFound(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmUnableFound>())
{
    ui->setupUi(this);
    ui->btnOK->setEnabled(false);
    connect(ui->lbFiles, &QListWidget::itemSelectionChanged, this,
            [this] { ui->btnOK->setEnabled(!ui->lbFiles->selectedItems().isEmpty()); });
    connect(ui->lbFiles, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmUnableFound::~TfrmUnableFound() = default;

void TfrmUnableFound::GetFiles(const QString &Folder)
{
    ui->lbFiles->clear();
    ui->lbFiles->addItems(TemplateHtmlFiles(Folder));
}

QString TfrmUnableFound::SelectedName() const
{
    const QList<QListWidgetItem *> sel = ui->lbFiles->selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->text();
}

} // namespace tavrel
