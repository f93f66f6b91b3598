#include "editing/gui/SetNavigation.h"

#include "ui_SetNavigation.h"

namespace tavrel {

TfrmSetNavigation::TfrmSetNavigation(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmSetNavigation>())
{
    ui->setupUi(this);
    connect(ui->edtStartString, &QLineEdit::textChanged, this, &TfrmSetNavigation::UpdatePreview);
    connect(ui->edtDelimiter, &QLineEdit::textChanged, this, &TfrmSetNavigation::UpdatePreview);
    connect(ui->cbEndwithDelimiter, &QCheckBox::toggled, this, &TfrmSetNavigation::UpdatePreview);
    connect(ui->cbIncludeTopic, &QCheckBox::toggled, this, &TfrmSetNavigation::UpdatePreview);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdatePreview();
}

TfrmSetNavigation::~TfrmSetNavigation() = default;

void TfrmSetNavigation::LoadSetting(const QString &SettingStr)
{
    const TNavFields f = LoadNavFields(SettingStr);
    ui->edtStartString->setText(f.StartString);
    ui->edtDelimiter->setText(f.Delimiter);
    ui->cbEndwithDelimiter->setChecked(f.EndWithDelimiter);
    ui->cbIncludeTopic->setChecked(f.IncludeTopic);
    UpdatePreview();
}

TNavFields TfrmSetNavigation::Fields() const
{
    TNavFields f;
    f.StartString = ui->edtStartString->text();
    f.Delimiter = ui->edtDelimiter->text();
    f.EndWithDelimiter = ui->cbEndwithDelimiter->isChecked();
    f.IncludeTopic = ui->cbIncludeTopic->isChecked();
    return f;
}

QString TfrmSetNavigation::GetSettingStr() const
{
    return NavSettingString(Fields());
}

void TfrmSetNavigation::UpdatePreview()
{
    TNavFields f = Fields();
    if (!EndWithDelimiterEnabled(f)) {
        const QSignalBlocker b(ui->cbEndwithDelimiter);
        ui->cbEndwithDelimiter->setChecked(false);
        f.EndWithDelimiter = false;
    }
    ui->cbEndwithDelimiter->setEnabled(EndWithDelimiterEnabled(f));
    ui->edtPreview->setText(NavPreview(f));
}

} // namespace tavrel
