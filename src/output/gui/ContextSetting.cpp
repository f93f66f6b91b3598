#include "output/gui/ContextSetting.h"

#include "output/ContextSetting.h"
#include "project/MainWindowLogic.h"

#include "ui_ContextSetting.h"

#include <QMenu>
#include <QMouseEvent>

namespace tavrel {

TfrmContextSetting::TfrmContextSetting(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmContextSetting>())
{
    ui->setupUi(this);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    for (QWidget *w : {static_cast<QWidget *>(ui->mmTopCode), static_cast<QWidget *>(ui->mmBottomCode), static_cast<QWidget *>(ui->edtCodeTemplate)})
        w->setFont(mono);
    ui->mmTopCode->setTabStopDistance(ui->mmTopCode->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
    ui->mmBottomCode->setTabStopDistance(ui->mmTopCode->tabStopDistance());

    // FormCreate: the presets, nothing selected yet.
    ui->cbProgramLanguage->addItems(ContextPresetNames());
    ui->cbProgramLanguage->setCurrentIndex(-1);
    ui->cbContextEncoding->setCurrentIndex(-1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const QStringList captions = ContextVariableCaptions();
    for (int tag = 1; tag <= captions.size(); ++tag) {
        QAction *a = PopupMenu1->addAction(captions[tag - 1]);
        a->setData(tag);
        connect(a, &QAction::triggered, this, [this, tag] { InsertVariables(ContextVariable(tag)); });
    }
    ui->SpeedButton2->installEventFilter(this);

    connect(ui->cbProgramLanguage, &QComboBox::activated, this, &TfrmContextSetting::cbProgramLanguageChange);
    connect(ui->mmTopCode, &QPlainTextEdit::textChanged, this, &TfrmContextSetting::mmTopCodeChange);
    connect(ui->mmBottomCode, &QPlainTextEdit::textChanged, this, &TfrmContextSetting::mmTopCodeChange);
    connect(ui->edtCodeTemplate, &QLineEdit::textChanged, this, &TfrmContextSetting::mmTopCodeChange);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmContextSetting::~TfrmContextSetting() = default;

// The code pieces are stored with CR LF line ends; the editor holds plain line feeds.
void TfrmContextSetting::SetTopCode(const QString &text)
{
    ui->mmTopCode->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void TfrmContextSetting::SetBottomCode(const QString &text)
{
    ui->mmBottomCode->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void TfrmContextSetting::SetCodeTemplate(const QString &text)
{
    ui->edtCodeTemplate->setText(text);
}

void TfrmContextSetting::SetEncoding(int value)
{
    ui->cbContextEncoding->setCurrentIndex(ContextEncodingIndex(value));
}

QString TfrmContextSetting::TopCode() const
{
    return ui->mmTopCode->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

QString TfrmContextSetting::BottomCode() const
{
    return ui->mmBottomCode->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

QString TfrmContextSetting::CodeTemplate() const
{
    return ui->edtCodeTemplate->text();
}

int TfrmContextSetting::Encoding() const
{
    return ui->cbContextEncoding->currentIndex();
}

void TfrmContextSetting::mmTopCodeChange()
{
    if (m_loading)
        return;
    ui->cbProgramLanguage->setCurrentIndex(MatchContextPreset(TopCode(), CodeTemplate(), BottomCode()));
}

void TfrmContextSetting::cbProgramLanguageChange()
{
    QString top, body, bottom;
    LoadContextPreset(ui->cbProgramLanguage->currentText(), top, body, bottom);
    m_loading = true;
    SetTopCode(top);
    SetCodeTemplate(body);
    SetBottomCode(bottom);
    m_loading = false;
    mmTopCodeChange();
}

void TfrmContextSetting::InsertVariables(const QString &VarString)
{
    QLineEdit *e = ui->edtCodeTemplate;
    const bool sel = e->hasSelectedText();
    const TTextEdit r = InsertAtCaret(e->text(), sel ? e->selectionStart() : e->cursorPosition(),
                                      sel ? int(e->selectedText().size()) : 0, VarString);
    e->setText(r.text);
    e->setFocus();
    e->setSelection(r.selStart, r.selLength);
}

bool TfrmContextSetting::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->SpeedButton2 && event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton || me->button() == Qt::RightButton) {
            ui->SpeedButton2->setDown(false);
            PopupMenu1->popup(me->globalPosition().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tavrel
