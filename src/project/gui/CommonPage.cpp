#include "project/gui/CommonPage.h"

#include "editing/gui/SetNavigation.h"
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"

#include "ui_CommonPage.h"

namespace tavrel {

TpageCommon::TpageCommon(QWidget *parent) : TSettingsPage(parent), ui(std::make_unique<Ui::TpageCommon>())
{
    ui->setupUi(this);
    connect(ui->btnCopyright, &QToolButton::clicked, this, [this] { InsertFooter(QStringLiteral("&copy;")); });
    connect(ui->btnRegistered, &QToolButton::clicked, this, [this] { InsertFooter(QStringLiteral("&reg;")); });
    connect(ui->btnSetNavigation, &QPushButton::clicked, this, &TpageCommon::SetNavigation);
}

TpageCommon::~TpageCommon() = default;

void TpageCommon::SetTitle(const QString &title)
{
    ui->edtChmTitle->setText(title);
}

void TpageCommon::Bind(TBindingTable &table)
{
    table.Text(ui->edtChmTitle, &TProject::Title);
    table.Text(ui->edtNavSetting, &TProject::NavSetting);
    table.Text(ui->edtCopyright, &TProject::CopyRight);
    table.Text(ui->edtPrevHint, &TProject::PrevHint);
    table.Text(ui->edtNextHint, &TProject::NextHint);
}

void TpageCommon::InsertFooter(const QString &entity)
{
    QLineEdit *e = ui->edtCopyright;
    const int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const TTextEdit r = InsertAtCaret(e->text(), start, e->hasSelectedText() ? int(e->selectedText().size()) : 0, entity);
    e->setText(r.text);
    e->setSelection(r.selStart, r.selLength);
    e->setFocus();
}

void TpageCommon::SetNavigation()
{
    TfrmSetNavigation d(this);
    d.LoadSetting(Host().Project().NavSetting);
    if (d.exec() == QDialog::Accepted)
        ui->edtNavSetting->setText(d.GetSettingStr());
}

} // namespace tavrel
