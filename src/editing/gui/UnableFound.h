#pragma once
// Names a template's main page when the expected one is missing.
#include <QDialog>
#include <memory>

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
    void GetFiles(const QString &Folder);
    QString SelectedName() const;

private:
    std::unique_ptr<Ui::TfrmUnableFound> ui;
};

} // namespace tavrel
