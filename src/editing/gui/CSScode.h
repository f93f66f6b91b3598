#pragma once
// The style-snippet dialog: pick a line of "css.dat", adjust it, insert it.
#include <QDialog>
#include <memory>

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
    QString Code() const;

private:
    std::unique_ptr<Ui::TfrmCSSCode> ui;
};

} // namespace tavrel
