#pragma once
// The main window: owns the current project, opens, creates and saves project files, keeps the
// recent list, shows the project in its setting pages (one binding table between their controls
// and the project's fields) and copies every edit back at the next idle moment, and runs builds.
#include "project/ProjectSetting.h"
#include "project/gui/SettingsPage.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class QMenu;
class QMessageBox;
class QPixmap;
class QTimer;
class QComboBox;

namespace Ui {
class TfrmMain;
}

namespace tavrel {

class TBuildRunner;
class TfrmNewProject;
class TfrmCreateNewDocument;

class TfrmMain : public QMainWindow, public TPageHost
{
    Q_OBJECT
public:
    // args: the program's arguments without the program name ("x.tvp", "/b").
    explicit TfrmMain(const QStringList &args = {}, QWidget *parent = nullptr);
    ~TfrmMain() override;

    TProject &Project() override { return *m_project; }

    // The project commands of the File menu.
    bool New(bool CanCancel);
    void Open();
    bool OpenProject(const QString &ProFile);
    bool Save();
    bool SaveAs();
    void GoExit();

    void ProjectToControl();
    void Action2Update() override;
    void CheckOutputFiles();
    void SetCaption();
    void LoadRecentProjects();
    void AddRecentProject(const QString &path);
    void BuildProject(bool Silence) override;

    // The result of the last silent build: 0 built, 1 not built (the "/b" start's exit status).
    int SilentStatus = 0;

    QMenu *pmRecent = nullptr; // the popup with the same items as "Recent projects"
    QTimer *tmMainFormLoaded = nullptr;
    QTimer *tmOutputStatus = nullptr;

    // How builds run (default: behind the building window). Tests put stand-ins here.
    std::function<std::unique_ptr<TBuildRunner>(QWidget *)> RunnerFactory;

    // The dialogs the commands open; tests override them.
    QString ChooseOpenFile(const QString &caption, const QString &start, const QString &filter) override;
    QString ChooseSaveFile(const QString &caption, const QString &proposal, const QString &filter,
                           const QString &suffix, bool confirmOverwrite) override;
    bool ChooseFolder(QString &folder) override;
    virtual int RunWizard(TfrmNewProject &wizard);
    int RunCreateNewDocument(TfrmCreateNewDocument &dialog) override;
    void SelectLanguage(const QString &langId) override;
    void SetProjectTitle(const QString &title) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void ConnectControls();
    void ScheduleUpdate();
    bool AskSave(const QString &text);
    bool ReadProject(const QString &file);
    void ProjectOperation(int tag);
    void RecentClick(const QString &caption);
    void About();
    QList<TSettingsPage *> Pages() const;
    // Shows the project's fields again without counting it as an edit.
    void ShowFields();

    std::unique_ptr<Ui::TfrmMain> ui;
    TBindingTable m_bindings;
    std::unique_ptr<TProject> m_project;
    QStringList m_args;
    QTimer *m_idle = nullptr;
    bool m_filling = false;
    bool m_closing = false;
};

// The splash picture with the version, and the about box over parent.
QPixmap SplashPixmap();
QMessageBox *CreateAboutBox(QWidget *parent);

// The program's desktop start: the splash window for one second, then the main window until it
// closes. Returns the exit code of the message loop.
int RunDesktop(const QStringList &args);

} // namespace tavrel
