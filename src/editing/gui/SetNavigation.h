#pragma once
// The navigation-string dialog: start text, delimiter, the two switches and a live preview.
#include "editing/SmallDialogs.h"

#include <QDialog>
#include <memory>

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

    void LoadSetting(const QString &SettingStr);
    QString GetSettingStr() const;

private:
    TNavFields Fields() const;
    void UpdatePreview();

    std::unique_ptr<Ui::TfrmSetNavigation> ui;
};

} // namespace tavrel
