#include "editing/gui/HTMLEditor.h"

#include "editing/HTMLEditorColour.h"
#include "editing/SmallDialogs.h"
#include "editing/TemplatePreview.h"
#include "editing/gui/CSScode.h"
#include "editing/gui/PreviewView.h"
#include "editing/gui/SelectFontName.h"
#include "editing/gui/SourceEdit.h"
#include "editing/gui/UnableFound.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/Messages.h"
#include "text/Shell.h"

#include "ui_HTMLEditor.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QShortcut>

namespace tavrel {

namespace {
QImage colourGlyph()
{
    // A small palette: three dots above the swatch rows.
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x30, 0x30));
    p.drawEllipse(QRectF(1, 2, 5, 5));
    p.setBrush(QColor(0x30, 0xA0, 0x30));
    p.drawEllipse(QRectF(5.5, 0.5, 5, 5));
    p.setBrush(QColor(0x30, 0x50, 0xD0));
    p.drawEllipse(QRectF(10, 2, 5, 5));
    return img;
}
} // namespace

TfrmHTMLEditor::TfrmHTMLEditor(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmHTMLEditor>())
{
    ui->setupUi(this);
    ui->Splitter1->setSizes({200, 780});
    setSwatch(QColor());
    for (QToolButton *b : {ui->tbtnReplace, ui->tbtnColor, ui->tbtnFont, ui->tbtnCSSCode})
        b->setEnabled(false);

    connect(ui->lbFiles, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { ShowEntry(ui->lbFiles->row(item)); });
    connect(ui->lbFiles, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != m_current)
            ShowEntry(row);
    });
    connect(ui->tbtnRefresh, &QToolButton::clicked, this, &TfrmHTMLEditor::Refresh);
    connect(ui->tbtnSave, &QToolButton::clicked, this, [this] { Save(); });
    connect(ui->ToolButton2, &QToolButton::clicked, this, [this] {
        if (Save())
            accept();
    });
    connect(ui->tbtnExplore, &QToolButton::clicked, this, [this] {
        if (m_core.Check() == THTMLEditorCore::TState::FolderLost)
            Messages().ShowError(QStringLiteral("The template folder is lost!"));
        else
            Shell().OpenDocument(m_core.tempDir);
    });
    connect(ui->tbtnUndo, &QToolButton::clicked, ui->RichEdit1, &QPlainTextEdit::undo);
    connect(ui->tbtnRedo, &QToolButton::clicked, ui->RichEdit1, &QPlainTextEdit::redo);
    connect(ui->RichEdit1, &QPlainTextEdit::undoAvailable, ui->tbtnUndo, &QToolButton::setEnabled);
    connect(ui->RichEdit1, &QPlainTextEdit::redoAvailable, ui->tbtnRedo, &QToolButton::setEnabled);
    ui->tbtnUndo->setEnabled(false);
    ui->tbtnRedo->setEnabled(false);
    connect(ui->tbtnReplace, &QToolButton::clicked, this, &TfrmHTMLEditor::replaceImage);
    connect(ui->tbtnColor, &QToolButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(m_swatch.isValid() ? m_swatch : QColor(Qt::black), this, QStringLiteral("Color"));
        if (!c.isValid())
            return;
        InsertCode(ColorToText(c));
        setSwatch(c);
    });
    connect(ui->tbtnFont, &QToolButton::clicked, this, [this] {
        TfrmSelectFontName dlg(this);
        if (dlg.exec() == QDialog::Accepted)
            InsertCode(dlg.FontName());
    });
    connect(ui->tbtnCSSCode, &QToolButton::clicked, this, [this] {
        TfrmCSSCode dlg(this);
        if (dlg.exec() == QDialog::Accepted)
            InsertCode(dlg.Code());
    });
    auto find = [this] { ui->RichEdit1->FindNext(ui->edtFind->text()); };
    connect(ui->tbtnFind, &QToolButton::clicked, this, find);
    connect(ui->edtFind, &QLineEdit::returnPressed, this, find);
    auto *findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] { ui->edtFind->setFocus(); ui->edtFind->selectAll(); });
    connect(ui->cbRunScripts, &QCheckBox::toggled, this, [this](bool on) {
        ui->wbPreview->SetScriptsEnabled(on);
        if (m_current >= 0 && m_files[static_cast<size_t>(m_current)].EditorType == TFilesInTemplate::etPreview)
            showPreview();
    });

    connect(ui->RichEdit1, &TSourceEdit::KeyReleased, ui->RichEdit1, &TSourceEdit::Recolour);
    connect(ui->RichEdit1, &QPlainTextEdit::selectionChanged, this, &TfrmHTMLEditor::selectionChanged);
    ui->RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QMenu menu(this);
        TSourceEdit *e = ui->RichEdit1;
        menu.addAction(QStringLiteral("Undo"), e, &QPlainTextEdit::undo)->setEnabled(e->document()->isUndoAvailable());
        menu.addSeparator();
        menu.addAction(QStringLiteral("Cut"), e, &QPlainTextEdit::cut);
        menu.addAction(QStringLiteral("Copy"), e, &QPlainTextEdit::copy);
        menu.addAction(QStringLiteral("Paste"), e, &QPlainTextEdit::paste);
        menu.addAction(QStringLiteral("Delete"), e, [e] { e->textCursor().removeSelectedText(); });
        menu.addSeparator();
        menu.addAction(QStringLiteral("Select all"), e, &QPlainTextEdit::selectAll);
        menu.exec(e->viewport()->mapToGlobal(pos));
    });
}

TfrmHTMLEditor::~TfrmHTMLEditor() = default;

TPreviewView *TfrmHTMLEditor::Preview() const
{
    return ui->wbPreview;
}

bool TfrmHTMLEditor::Open(QByteArray *Stream)
{
    try {
        m_core.Open(Stream);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return false;
    }
    m_previewFile.clear();
    Refresh();
    return true;
}

void TfrmHTMLEditor::Refresh()
{
    switch (m_core.Check()) {
    case THTMLEditorCore::TState::FolderLost:
        Messages().ShowError(QStringLiteral("The template folder is lost!"));
        return;
    case THTMLEditorCore::TState::MainMissing: {
        TfrmUnableFound dlg(this);
        dlg.GetFiles(m_core.tempDir);
        if (dlg.exec() != QDialog::Accepted || dlg.SelectedName().isEmpty())
            return;
        try {
            m_core.SetMainFileName(dlg.SelectedName());
        } catch (const Exception &e) {
            Messages().ShowError(e.Message());
            return;
        }
        m_folderChanged = true;
        break;
    }
    case THTMLEditorCore::TState::Ready:
        break;
    }
    if (!writeBackSource())
        return;
    TWarnings warnings;
    m_files = m_core.Files(&warnings);
    m_current = -1;
    m_sourceEntry = 0;
    const QSignalBlocker block(ui->lbFiles);
    ui->lbFiles->clear();
    for (const auto &f : m_files)
        ui->lbFiles->addItem(f.Caption);
    ui->lbFiles->setCurrentRow(0);
    ShowEntry(0);
}

bool TfrmHTMLEditor::writeBackSource()
{
    if (m_sourceEntry <= 0 || !ui->RichEdit1->document()->isModified())
        return true;
    const TFilesInTemplate &f = m_files[static_cast<size_t>(m_sourceEntry - 1)];
    if (m_core.Check() == THTMLEditorCore::TState::FolderLost) {
        Messages().ShowError(QStringLiteral("The template folder is lost!"));
        return false;
    }
    try {
        TWarnings warnings;
        SaveSourceFile(f.url, ui->RichEdit1->toPlainText(), m_source.Encoding, SourceKindOf(f.ext) == TSourceKind::Html, &warnings);
        if (!warnings.Empty())
            Messages().ShowInfo(warnings.Texts().join(QLatin1Char('\n')));
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return false;
    }
    ui->RichEdit1->document()->setModified(false);
    m_folderChanged = true;
    return true;
}

void TfrmHTMLEditor::ShowEntry(int index)
{
    if (index < 0 || index >= static_cast<int>(m_files.size()))
        return;
    if (m_current >= 0 && !writeBackSource())
        return;
    for (QToolButton *b : {ui->tbtnReplace, ui->tbtnColor, ui->tbtnFont, ui->tbtnCSSCode})
        b->setEnabled(false);
    const TFilesInTemplate &f = m_files[static_cast<size_t>(index)];
    switch (f.EditorType) {
    case TFilesInTemplate::etPicture:
        showPicture(f.url);
        ui->tbtnReplace->setEnabled(true);
        ui->pcView->setCurrentWidget(ui->tsPicture);
        break;
    case TFilesInTemplate::etPreview:
        ui->pcView->setCurrentWidget(ui->tsPreview);
        showPreview();
        break;
    case TFilesInTemplate::etSource:
        for (QToolButton *b : {ui->tbtnColor, ui->tbtnFont, ui->tbtnCSSCode})
            b->setEnabled(true);
        if (m_sourceEntry != index + 1) {
            try {
                const TSourceKind kind = SourceKindOf(f.ext);
                m_source = ReadSourceFile(f.url, kind == TSourceKind::Html);
                ui->RichEdit1->SetKind(kind);
                ui->RichEdit1->setPlainText(m_source.Text);
                ui->RichEdit1->Recolour();
                ui->RichEdit1->moveCursor(QTextCursor::Start);
                ui->RichEdit1->document()->setModified(false);
                m_sourceEntry = index + 1;
            } catch (const Exception &e) {
                Messages().ShowError(e.Message());
                m_sourceEntry = 0;
                ui->RichEdit1->clear();
            }
        }
        ui->pcView->setCurrentWidget(ui->tsSource);
        ui->RichEdit1->setFocus();
        break;
    default:
        break;
    }
    m_current = index;
}

void TfrmHTMLEditor::showPicture(const QString &file)
{
    QImageReader reader(file);
    const QImage img = reader.read();
    if (img.isNull()) {
        ui->imgPicture->setPixmap(QPixmap());
        ui->imgPicture->setText(QStringLiteral("\"%1\" cannot be shown: %2").arg(QFileInfo(file).fileName(), reader.errorString()));
    } else {
        ui->imgPicture->setText(QString());
        ui->imgPicture->setPixmap(QPixmap::fromImage(img));
    }
}

void TfrmHTMLEditor::showPreview()
{
    try {
        WritePreviewPage(m_core.MainFile, m_previewFile);
        ui->wbPreview->ShowFile(m_previewFile, m_core.tempDir);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
    }
}

bool TfrmHTMLEditor::Save()
{
    if (!writeBackSource())
        return false;
    try {
        TWarnings warnings;
        // The preview page is ours, not the template's.
        if (!m_previewFile.isEmpty())
            QFile::remove(m_previewFile);
        const bool changed = m_core.Save(&warnings);
        if (changed && Project)
            Project->ProjectChanged = true;
        m_folderChanged = false;
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return false;
    }
    if (m_current >= 0 && m_files[static_cast<size_t>(m_current)].EditorType == TFilesInTemplate::etPreview)
        showPreview();
    return true;
}

void TfrmHTMLEditor::InsertCode(const QString &Code)
{
    QTextCursor c = ui->RichEdit1->textCursor();
    const int start = c.selectionStart();
    c.insertText(Code);
    c.setPosition(start);
    c.setPosition(start + static_cast<int>(Code.size()), QTextCursor::KeepAnchor);
    ui->RichEdit1->setTextCursor(c);
    ui->RichEdit1->Recolour();
}

void TfrmHTMLEditor::setSwatch(const QColor &colour)
{
    m_swatch = colour;
    ui->tbtnColor->setIcon(QIcon(QPixmap::fromImage(SwatchGlyph(colourGlyph(), colour))));
}

void TfrmHTMLEditor::selectionChanged()
{
    if (const auto c = SelectedColour(ui->RichEdit1->textCursor().selectedText()))
        setSwatch(*c);
}

void TfrmHTMLEditor::replaceImage()
{
    if (m_current < 0 || m_files[static_cast<size_t>(m_current)].EditorType != TFilesInTemplate::etPicture)
        return;
    const TFilesInTemplate &f = m_files[static_cast<size_t>(m_current)];
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Replace Image"), QString(), ReplaceImageFilter(f.ext));
    if (!chosen.isEmpty()) {
        try {
            ReplacePicture(f.url, chosen);
            m_folderChanged = true;
        } catch (const Exception &e) {
            Messages().ShowError(e.Message());
        }
    }
    showPicture(f.url);
}

void TfrmHTMLEditor::reject()
{
    const bool pending = m_folderChanged || (m_sourceEntry > 0 && ui->RichEdit1->document()->isModified());
    if (pending) {
        const TMsgButton a = Messages().Ask(QStringLiteral("Save the changes to the template?"), mbYes | mbNo | mbCancel);
        if (a == mbCancel)
            return;
        if (a == mbYes && !Save())
            return;
    }
    QDialog::reject();
}

bool EditTemplate(QWidget *parent, TProject &project, QByteArray &stream, const std::function<int(TfrmHTMLEditor &)> &run)
{
    const QByteArray before = stream;
    TfrmHTMLEditor d(parent);
    d.Project = &project;
    if (!d.Open(&stream))
        return false;
    if (run)
        run(d);
    else
        d.exec();
    return stream != before;
}

} // namespace tavrel
