#include "word/gui/CreateNewdoc.h"

#include "text/Exceptions.h"
#include "text/Messages.h"
#include "text/functions.h"
#include "word/CreateNewdoc.h"

#include "ui_CreateNewdoc.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>

namespace tavrel {

TfrmCreateNewDocument::TfrmCreateNewDocument(QWidget *parent) : QDialog(parent), ui(new Ui::TfrmCreateNewDocument)
{
    ui->setupUi(this);
    ui->mmTOC->setPlainText(DefaultOutline().join(QLatin1Char('\n')));
    ui->lbCommonTitle->addItems(CommonTitles());
    ui->mmTOC->installEventFilter(this);
    connect(ui->Button3, &QToolButton::clicked, this, &TfrmCreateNewDocument::Button3Click);
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TfrmCreateNewDocument::SpeedButton1Click);
    connect(ui->SpeedButton2, &QToolButton::clicked, this, &TfrmCreateNewDocument::SpeedButton2Click);
    connect(ui->lbCommonTitle, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { lbCommonTitleDblClick(item->text()); });
    connect(ui->btnLoad, &QPushButton::clicked, this, &TfrmCreateNewDocument::btnLoadClick);
    connect(ui->btnSave, &QPushButton::clicked, this, &TfrmCreateNewDocument::btnSaveClick);
    connect(ui->OKBtn, &QPushButton::clicked, this, &TfrmCreateNewDocument::OKBtnClick);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmCreateNewDocument::~TfrmCreateNewDocument() = default;

void TfrmCreateNewDocument::SetFileName(const QString &name)
{
    ui->edtFilename->setText(name);
}

QString TfrmCreateNewDocument::FileName() const
{
    return ui->edtFilename->text();
}

QStringList TfrmCreateNewDocument::OutlineLines() const
{
    return ui->mmTOC->toPlainText().split(QLatin1Char('\n'));
}

QString TfrmCreateNewDocument::resolve(const QString &name) const
{
    return RealPath ? RealPath(name) : NormalizePath(name);
}

void TfrmCreateNewDocument::Button3Click()
{
    const QString file = ChooseOpenFile(QStringLiteral("Word document"), resolve(ui->edtFilename->text()), WordFilter);
    if (!file.isEmpty())
        ui->edtFilename->setText(file);
}

namespace {

// Applies the TABs of an edit through the editor, as one undo step, and selects its selection.
void applyEdit(QPlainTextEdit &memo, const TOutlineEdit &edit, bool insert)
{
    QTextCursor c(memo.document());
    c.beginEditBlock();
    for (int p : edit.Positions) {
        c.setPosition(p);
        if (insert)
            c.insertText(QStringLiteral("\t"));
        else
            c.deleteChar();
    }
    c.endEditBlock();
    QTextCursor sel = memo.textCursor();
    const int end = memo.document()->characterCount() - 1;
    sel.setPosition(std::min(edit.SelStart, end));
    sel.setPosition(std::min(edit.SelStart + edit.SelLength, end), QTextCursor::KeepAnchor);
    memo.setTextCursor(sel);
}

} // namespace

void TfrmCreateNewDocument::SpeedButton1Click()
{
    const QTextCursor c = ui->mmTOC->textCursor();
    const TOutlineEdit e = IndentOutline(ui->mmTOC->toPlainText(), c.selectionStart(), c.selectionEnd() - c.selectionStart());
    applyEdit(*ui->mmTOC, e, true);
}

void TfrmCreateNewDocument::SpeedButton2Click()
{
    const QTextCursor c = ui->mmTOC->textCursor();
    const TOutlineEdit e = OutdentOutline(ui->mmTOC->toPlainText(), c.selectionStart(), c.selectionEnd() - c.selectionStart());
    applyEdit(*ui->mmTOC, e, false);
}

void TfrmCreateNewDocument::lbCommonTitleDblClick(const QString &title)
{
    QTextCursor c = ui->mmTOC->textCursor();
    const int caret = c.position();
    const int at = TitleInsertPosition(ui->mmTOC->toPlainText(), caret);
    c.setPosition(at);
    c.insertText(title + QLatin1Char('\n'));
    // The caret stays on the line it was on, now one line further down.
    c.setPosition(caret + int(title.size()) + 1);
    ui->mmTOC->setTextCursor(c);
    ui->mmTOC->setFocus();
}

void TfrmCreateNewDocument::btnLoadClick()
{
    const QString file = ChooseOpenFile(QStringLiteral("Load"), QString(), QStringLiteral("Text File (*.txt)"));
    if (file.isEmpty())
        return;
    try {
        ui->mmTOC->setPlainText(LoadOutline(file));
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
    }
}

void TfrmCreateNewDocument::btnSaveClick()
{
    const QString file = ChooseSaveFile(QStringLiteral("Save"), QStringLiteral("Text File (*.txt)"), QStringLiteral("txt"));
    if (file.isEmpty())
        return;
    try {
        SaveOutline(ui->mmTOC->toPlainText(), file);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
    }
}

void TfrmCreateNewDocument::OKBtnClick()
{
    if (ConfirmNewDocumentTarget(ui->edtFilename->text(), resolve(ui->edtFilename->text())))
        accept();
}

bool TfrmCreateNewDocument::eventFilter(QObject *watched, QEvent *event)
{
    // TAB indents the touched lines instead of typing a TAB into a title; Shift+TAB outdents.
    if (watched == ui->mmTOC && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            SpeedButton1Click();
            return true;
        }
        if (key->key() == Qt::Key_Backtab) {
            SpeedButton2Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString TfrmCreateNewDocument::ChooseOpenFile(const QString &caption, const QString &start, const QString &filter)
{
    return QFileDialog::getOpenFileName(this, caption, start, filter);
}

QString TfrmCreateNewDocument::ChooseSaveFile(const QString &caption, const QString &filter, const QString &suffix)
{
    QFileDialog d(this, caption, QString(), filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(suffix);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return QString();
    return d.selectedFiles().first();
}

} // namespace tavrel
