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

private:
    void InsertFooter(const QString &entity);
    void SetNavigation();

    std::unique_ptr<Ui::TpageCommon> ui;
};

} // namespace tavrel
