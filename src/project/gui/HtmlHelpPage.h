#pragma once
// The "HTML Help" page: the compiled help file, its language, contents icons, template, context
// file and HTML Help project.
#include "project/gui/SettingsPage.h"

#include <memory>

namespace Ui {
class TpageHtmlHelp;
}

namespace tavrel {

class TpageHtmlHelp : public TSettingsPage
{
    Q_OBJECT
public:
    explicit TpageHtmlHelp(QWidget *parent = nullptr);
    ~TpageHtmlHelp() override;

    void Bind(TBindingTable &table) override;
    void UpdateControls(const TProject &project) override;
    // Selects the language of the list with that id and applies it like a choice in the list.
    void SelectLanguage(const QString &langId);

private:
    void CompiledFileClick();
    void ContextFileClick();
    void ContextSettingClick();
    void LanguageChange();

    std::unique_ptr<Ui::TpageHtmlHelp> ui;
};

} // namespace tavrel
