#include "editing/gui/ColorSelector.h"

#include "editing/SmallDialogs.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

namespace tavrel {

namespace {
class TColorEdit : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;
    std::function<void()> OnExit;

protected:
    void focusOutEvent(QFocusEvent *e) override
    {
        QLineEdit::focusOutEvent(e);
        if (OnExit)
            OnExit();
    }
};
} // namespace

TframSelectColor::TframSelectColor(QWidget *parent) : QWidget(parent)
{
    auto *edit = new TColorEdit(this);
    edtColor = edit;
    edtColor->setObjectName(QStringLiteral("edtColor"));
    edtColor->setMaxLength(16);
    edtColor->setPlaceholderText(QStringLiteral("#RRGGBB"));
    const int w = edtColor->fontMetrics().horizontalAdvance(QStringLiteral("#MMMMMMM")) + 16;
    edtColor->setFixedWidth(w);
    btnSelect = new QToolButton(this);
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnSelect->setToolTip(QStringLiteral("Choose a colour"));
    btnSelect->setIconSize(QSize(14, 14));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(edtColor);
    layout->addWidget(btnSelect);
    layout->addStretch(1);
    edit->OnExit = [this] { RepaintSwatch(); };
    connect(edtColor, &QLineEdit::textChanged, this, [this] {
        RepaintSwatch();
        Q_EMIT Changed();
    });
    connect(btnSelect, &QToolButton::clicked, this, &TframSelectColor::btnSelectClick);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    RepaintSwatch();
}

QString TframSelectColor::Text() const
{
    return edtColor->text();
}

void TframSelectColor::SetText(const QString &text)
{
    edtColor->setText(text);
    RepaintSwatch();
}

void TframSelectColor::SetEnable(bool value)
{
    edtColor->setEnabled(value);
    btnSelect->setEnabled(value);
    if (!value)
        edtColor->clear();
    QPalette p = edtColor->palette();
    p.setColor(QPalette::Base, palette().color(value ? QPalette::Active : QPalette::Inactive, value ? QPalette::Base : QPalette::Window));
    edtColor->setPalette(p);
    RepaintSwatch();
}

void TframSelectColor::btnSelectClick()
{
    const QColor chosen = QColorDialog::getColor(TextToColor(edtColor->text()), this, QStringLiteral("Color"));
    if (chosen.isValid()) {
        edtColor->setText(ColorToText(chosen));
        RepaintSwatch();
    }
}

void TframSelectColor::RepaintSwatch()
{
    const qreal dpr = devicePixelRatioF();
    QPixmap pm(QSize(14, 14) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor c = TextToColor(edtColor->text());
    const QRectF r(0.5, 0.5, 13, 13);
    if (c.isValid() && edtColor->isEnabled())
        p.fillRect(r, c);
    else {
        // No colour: an empty box with a diagonal, as colour pickers show "none".
        p.setPen(QPen(Qt::red, 1));
        p.drawLine(r.bottomLeft(), r.topRight());
    }
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.drawRect(r);
    p.end();
    btnSelect->setIcon(QIcon(pm));
}

} // namespace tavrel
