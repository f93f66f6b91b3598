#pragma once
// The "Web Help" page: the WebHelp folder, title, template, top frame and contents frame.
#include "project/gui/SettingsPage.h"

#include <memory>

namespace Ui {
class TpageWebHelp;
}

namespace tavrel {

class TpageWebHelp : public TSettingsPage
{
    Q_OBJECT
public:
    explicit TpageWebHelp(QWidget *parent = nullptr);
    ~TpageWebHelp() override;

    void Bind(TBindingTable &table) override;
    void UpdateControls(const TProject &project) override;

private:
    void ShowBackground();

    std::unique_ptr<Ui::TpageWebHelp> ui;
};

} // namespace tavrel
