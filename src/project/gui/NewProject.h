#pragma once
// The new-project wizard: where the project file goes, then how the project gets its document.
#include "project/NewProject.h"

#include <QDialog>
#include <memory>

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

    TNewProjectWizard State;

    // What the wizard offers first: whether it may be cancelled, the folder and the file name.
    void Prepare(bool canCancel, const QString &folder, const QString &fileName);
    // The project file chosen, once the wizard was accepted.
    QString ProjectFile() const;
    // Whether the author chose to pick an existing Word document next, or to create a new one.
    bool SelectsDocument() const;
    bool CreatesDocument() const;
    bool ImportsHelpFile() const;

    // The handler of "< Back" and of the next button, by the button's tag.
    void btnBackClick(int tag);
    void Button1Click();
    // Escape and the window's close button cancel only while "Cancel" is offered.
    void reject() override;

private:
    void ShowState();

    std::unique_ptr<Ui::TfrmNewProject> ui;
};

} // namespace tavrel
