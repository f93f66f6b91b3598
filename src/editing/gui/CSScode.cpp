#include "editing/gui/CSScode.h"

#include "editing/SmallDialogs.h"

#include "ui_CSScode.h"

namespace tavrel {

TfrmCSSCode::TfrmCSSCode(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmCSSCode>())
{
    ui->setupUi(this);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    ui->lbCSSList->setFont(mono);
    ui->edtCode->setFont(mono);
    ui->lbCSSList->addItems(LoadDataLines(QStringLiteral("css.dat")));
    connect(ui->lbCSSList, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { ui->edtCode->setText(item->text()); });
    connect(ui->lbCSSList, &QListWidget::currentTextChanged, ui->edtCode, &QLineEdit::setText);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmCSSCode::~TfrmCSSCode() = default;

QString TfrmCSSCode::Code() const
{
    return ui->edtCode->text();
}

} // namespace tavrel
