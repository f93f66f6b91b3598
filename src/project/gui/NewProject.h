#pragma once
// The new-project wizard: where the project file goes, then how the project gets its document.
#include "project/NewProject.h"

#include <QDialog>

namespace Ui {
class TfrmNewProject;
}

namespace tavrel {

class TfrmNewProject : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmNewProject(QWidget *parent = nullptr);
    ~TfrmNewProject() override;

    Ui::TfrmNewProject *ui;
    TNewProjectWizard State;

    // The handler of "< Back" and of the next button, by the button's tag.
    void btnBackClick(int tag);
    void Button1Click();
    // Escape and the window's close button cancel only while "Cancel" is offered.
    void reject() override;

private:
    void ShowState();
};

} // namespace tavrel
