#pragma once
// The "Source Files" page: the Word document the help is made from.
#include "project/gui/SettingsPage.h"

#include <memory>

namespace Ui {
class TpageSourceFiles;
}

namespace tavrel {

class TpageSourceFiles : public TSettingsPage
{
    Q_OBJECT
public:
    explicit TpageSourceFiles(QWidget *parent = nullptr);
    ~TpageSourceFiles() override;

    void Bind(TBindingTable &table) override;
    void UpdateControls(const TProject &project) override;
    // Asks for the Word document and puts it in the field (also the new-project wizard's next step).
    void SelectWordFile();
    // "Create..": a new Word document from an outline becomes the project's source document
    // (also the wizard's next step when the author chose a new document).
    void CreateWordFile();
    // "From CHM...": a Word document made of a compiled help file becomes the source.
    void ImportChm();

private:
    void OpenWordFile();
    void OpenWordFolder();

    std::unique_ptr<Ui::TpageSourceFiles> ui;
};

} // namespace tavrel
