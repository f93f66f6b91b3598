#include "output/gui/GetfontForCHM.h"

#include "output/UnitDesigner.h"

#include "ui_GetfontForCHM.h"

#include <QFontDatabase>
#include <algorithm>

namespace tavrel {

TfrmFont::TfrmFont(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmFont>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui->cbFont->addItems(QFontDatabase::families());
    ui->cbFont->setCurrentIndex(-1);
    ui->cbFont->setEditText(QString());
    ui->cbCharacterSet->addItems(FontCharsetEntries());
    ui->cbCharacterSet->setCurrentIndex(0);
    ui->edtSize->setValue(8);

    connect(ui->cbFont, &QComboBox::editTextChanged, this, [this](const QString &face) {
        m_sampleFace = face;
        drawSample();
    });
    connect(ui->edtSize, &QSpinBox::valueChanged, this, &TfrmFont::drawSample);
    connect(ui->btnDefault, &QPushButton::clicked, this, &TfrmFont::btnDefaultClick);
    connect(ui->btnOK, &QPushButton::clicked, this, &TfrmFont::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    drawSample();
}

TfrmFont::~TfrmFont() = default;

void TfrmFont::GetFontAndSize()
{
    const TFontStringParts p = SplitFontString(FontString);
    if (!p.Valid)
        return;
    ui->cbFont->setCurrentIndex(-1);
    ui->cbFont->setEditText(p.Face);
    ui->edtSize->setValue(std::clamp(p.Size, ui->edtSize->minimum(), ui->edtSize->maximum()));
    ui->cbCharacterSet->setCurrentIndex(FontCharsetIndex(p.Charset));
}

void TfrmFont::drawSample()
{
    QFont f = ui->lblSample->font();
    f.setFamily(m_sampleFace.isEmpty() ? QStringLiteral("Microsoft Sans Serif") : m_sampleFace);
    f.setPointSize(ui->edtSize->value());
    ui->lblSample->setFont(f);
}

void TfrmFont::btnDefaultClick()
{
    ui->cbFont->setCurrentIndex(-1);
    ui->cbFont->setEditText(QString());
    ui->edtSize->setValue(8);
    ui->cbCharacterSet->setCurrentIndex(0);
    m_sampleFace = QStringLiteral("Microsoft Sans Serif");
    drawSample();
}

void TfrmFont::btnOKClick()
{
    fontName = ui->cbFont->currentText();
    fontSize = ui->edtSize->value();
    const int cs = ui->cbCharacterSet->currentIndex();
    FontString = ComposeFontString(fontName, fontSize, cs >= 0 ? FontCharsetKey(ui->cbCharacterSet->currentText()) : QString());
    fontName.remove(QLatin1Char(','));
    accept();
}

} // namespace tavrel
