#pragma once
// The "Common" page: what every output's pages share (title, navigation, footer, hints).
#include "project/gui/SettingsPage.h"

#include <memory>

namespace Ui {
class TpageCommon;
}

namespace tavrel {

class TpageCommon : public TSettingsPage
{
    Q_OBJECT
public:
    explicit TpageCommon(QWidget *parent = nullptr);
    ~TpageCommon() override;

    void Bind(TBindingTable &table) override;
    // The project title box, as if typed (the idle copy takes it into the project).
    void SetTitle(const QString &title);

private:
    void InsertFooter(const QString &entity);
    void SetNavigation();

    std::unique_ptr<Ui::TpageCommon> ui;
};

} // namespace tavrel
