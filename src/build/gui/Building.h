#pragma once
// The modal progress window of a build: it starts the build thread as soon as it is created,
// follows its progress and closes itself when the thread ends. It has no close or cancel
// control, since a build cannot be stopped halfway.
#include "build/BuildProject.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QProgressBar;

namespace tavrel {

class TProject;
class Tbuild;

class TfrmBuilding : public QDialog
{
    Q_OBJECT
public:
    // factory: the build to run (default: the real build of project).
    TfrmBuilding(TProject &project, QWidget *parent = nullptr,
                 std::function<std::unique_ptr<Tbuild>(TProject &)> factory = {});
    ~TfrmBuilding() override;

    QProgressBar *ProgressBar1 = nullptr;
    QString ErrorMsg;          // the failure report, set when the build failed
    TBuildOutcome Outcome;     // the whole result, once the thread has ended

    Tbuild *Build() const { return m_build.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate(std::function<std::unique_ptr<Tbuild>(TProject &)> factory);
    void BuildUpdated(Tbuild *sender);
    void BuildTerminated();

    TProject &m_project;
    std::unique_ptr<Tbuild> m_build;
    bool m_ended = false;
    bool m_shown = false;
    int m_result = QDialog::Rejected;
};

// Runs each build behind a TfrmBuilding over the given parent window.
class TDialogBuildRunner : public TBuildRunner
{
public:
    explicit TDialogBuildRunner(QWidget *parent = nullptr) : m_parent(parent) {}
    std::function<std::unique_ptr<Tbuild>(TProject &)> Factory;
    TBuildOutcome Run(TProject &project) override;

private:
    QWidget *m_parent;
};

} // namespace tavrel
