#include "chm2word/gui/CHM2Word.h"

#include "chm2word/ChmImport.h"

#include "ui_CHM2Word.h"

#include <QFileDialog>

namespace tavrel {

TfrmChm2Word::TfrmChm2Word(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmChm2Word>())
{
    ui->setupUi(this);
    connect(ui->Button7, &QPushButton::clicked, this, &TfrmChm2Word::Button7Click);
    connect(ui->Button1, &QPushButton::clicked, this, &TfrmChm2Word::Button1Click);
    connect(ui->edtSourceFile, &QLineEdit::textChanged, this, &TfrmChm2Word::edtSourceFileChange);
    connect(ui->edtWordFile, &QLineEdit::textChanged, this, &TfrmChm2Word::edtSourceFileChange);
    connect(ui->OKBtn, &QPushButton::clicked, this, &TfrmChm2Word::OKBtnClick);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    edtSourceFileChange();
}

TfrmChm2Word::~TfrmChm2Word() = default;

QString TfrmChm2Word::SourceFile() const { return ui->edtSourceFile->text(); }
void TfrmChm2Word::SetSourceFile(const QString &file) { ui->edtSourceFile->setText(file); }
QString TfrmChm2Word::WordFile() const { return ui->edtWordFile->text(); }
void TfrmChm2Word::SetWordFile(const QString &file) { ui->edtWordFile->setText(file); }

void TfrmChm2Word::Button7Click()
{
    const QString f = QFileDialog::getOpenFileName(this, QString(), ui->edtSourceFile->text(), QStringLiteral("CHM Files (*.chm)"));
    if (!f.isEmpty())
        ui->edtSourceFile->setText(f);
}

void TfrmChm2Word::Button1Click()
{
    QFileDialog dialog(this, QString(), RealPath(ui->edtWordFile->text()), SaveFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(DefaultWordExtension.startsWith(QLatin1Char('.')) ? DefaultWordExtension.mid(1) : DefaultWordExtension);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ui->edtWordFile->setText(dialog.selectedFiles().first());
}

void TfrmChm2Word::edtSourceFileChange()
{
    ui->OKBtn->setEnabled(ImportBoxesComplete(ui->edtSourceFile->text(), ui->edtWordFile->text()));
}

void TfrmChm2Word::OKBtnClick()
{
    if (!ImportBoxesComplete(ui->edtSourceFile->text(), ui->edtWordFile->text()))
        return;
    if (ConfirmImport(ui->edtSourceFile->text(), ui->edtWordFile->text(), RealPath(ui->edtWordFile->text())))
        accept();
}

} // namespace tavrel
