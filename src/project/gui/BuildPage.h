#pragma once
// The "Build" page: which outputs a build writes, the build button, and each output's state.
#include "project/gui/SettingsPage.h"

#include <memory>

namespace Ui {
class TpageBuild;
}

namespace tavrel {

class TpageBuild : public TSettingsPage
{
    Q_OBJECT
public:
    explicit TpageBuild(QWidget *parent = nullptr);
    ~TpageBuild() override;

    void Bind(TBindingTable &table) override;
    // Shows where each output goes, whether it exists and how old it is.
    void ShowOutputStatus(const TProject &project);

private:
    void PDFOutputClick();
    void OpenOutput(int index, bool folder);

    std::unique_ptr<Ui::TpageBuild> ui;
};

} // namespace tavrel
