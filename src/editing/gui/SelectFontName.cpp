#include "editing/gui/SelectFontName.h"

#include "editing/SmallDialogs.h"

#include "ui_SelectFontName.h"

namespace tavrel {

TfrmSelectFontName::TfrmSelectFontName(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmSelectFontName>())
{
    ui->setupUi(this);
    ui->lbFontList->addItems(LoadDataLines(QStringLiteral("fonts.dat")));
    connect(ui->lbFontList, &QListWidget::currentTextChanged, ui->edtFont, &QLineEdit::setText);
    connect(ui->edtFont, &QLineEdit::textChanged, this, &TfrmSelectFontName::UpdatePreview);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    QFont f = ui->lbPreview->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    ui->lbPreview->setFont(f);
    ui->lbPreview->setContentsMargins(8, 4, 8, 4);
}

TfrmSelectFontName::~TfrmSelectFontName() = default;

QString TfrmSelectFontName::FontName() const
{
    return ui->edtFont->text();
}

void TfrmSelectFontName::UpdatePreview()
{
    const QString text = ui->edtFont->text();
    QString html;
    int at = 0;
    for (const TFontRun &run : FontPreviewRuns(text)) {
        html += text.mid(at, run.Start - at).toHtmlEscaped();
        html += QStringLiteral("<span style=\"font-family: '%1'\">%2</span>")
                    .arg(run.Font.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;")),
                         text.mid(run.Start, run.Length).toHtmlEscaped());
        at = run.Start + run.Length;
    }
    html += text.mid(at).toHtmlEscaped();
    ui->lbPreview->setText(html);
}

} // namespace tavrel
