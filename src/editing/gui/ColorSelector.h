#pragma once
// The colour field: a text box with the colour's "#RRGGBB" form and a button showing its
// swatch that opens the colour dialog.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tavrel {

class TframSelectColor : public QWidget
{
    Q_OBJECT
public:
    explicit TframSelectColor(QWidget *parent = nullptr);

    QString Text() const;
    void SetText(const QString &text);
    // Disabled, the field shows the inactive background and its text is cleared.
    void SetEnable(bool value);

    QLineEdit *edtColor = nullptr;
    QToolButton *btnSelect = nullptr;

Q_SIGNALS:
    void Changed();

private:
    void btnSelectClick();
    void RepaintSwatch();
};

} // namespace tavrel
