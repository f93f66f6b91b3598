#pragma once
// The navigation-string dialog: start text, delimiter, the two switches and a live preview.
#include "editing/SmallDialogs.h"

#include <QDialog>

namespace Ui {
class TfrmSetNavigation;
}

namespace tavrel {

class TfrmSetNavigation : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSetNavigation(QWidget *parent = nullptr);
    ~TfrmSetNavigation() override;

    Ui::TfrmSetNavigation *ui;
    void LoadSetting(const QString &SettingStr);
    QString GetSettingStr() const;

private:
    TNavFields Fields() const;
    void UpdatePreview();
};

} // namespace tavrel
