#pragma once
// Names a template's main page when the expected one is missing.
#include <QDialog>

namespace Ui {
class TfrmUnableFound;
}

namespace tavrel {

class TfrmUnableFound : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmUnableFound(QWidget *parent = nullptr);
    ~TfrmUnableFound() override;
    Ui::TfrmUnableFound *ui;
    void GetFiles(const QString &Folder);
    QString SelectedName() const;
};

} // namespace tavrel
