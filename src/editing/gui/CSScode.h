#pragma once
// The style-snippet dialog: pick a line of "css.dat", adjust it, insert it.
#include <QDialog>

namespace Ui {
class TfrmCSSCode;
}

namespace tavrel {

class TfrmCSSCode : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmCSSCode(QWidget *parent = nullptr);
    ~TfrmCSSCode() override;
    Ui::TfrmCSSCode *ui;
    QString Code() const;
};

} // namespace tavrel
