#pragma once
// The main window: owns the current project, opens, creates and saves project files, keeps the
// recent list, shows the project in six setting pages and copies every edit back at the next
// idle moment, and runs builds.
#include "project/ProjectSetting.h"

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

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    // args: the program's arguments without the program name ("x.tvp", "/b").
    explicit TfrmMain(const QStringList &args = {}, QWidget *parent = nullptr);
    ~TfrmMain() override;

    TProject &Project() { return *m_project; }
    Ui::TfrmMain *ui;

    // The project commands of the File menu.
    bool New(bool CanCancel);
    void Open();
    bool OpenProject(const QString &ProFile);
    bool Save();
    bool SaveAs();
    void GoExit();

    void ProjectToControl();
    void Action2Update();
    void CheckOutputFiles();
    void SetCaption();
    void LoadRecentProjects();
    void AddRecentProject(const QString &path);
    void BuildProject(bool Silence);

    // The result of the last silent build: 0 built, 1 not built (the "/b" start's exit status).
    int SilentStatus = 0;

    QMenu *pmRecent = nullptr; // the popup with the same items as "Recent projects"
    QTimer *tmMainFormLoaded = nullptr;
    QTimer *tmOutputStatus = nullptr;

    // How builds run (default: behind the building window). Tests put stand-ins here.
    std::function<std::unique_ptr<TBuildRunner>(QWidget *)> RunnerFactory;

    // The dialogs the commands open; tests override them.
    virtual QString ChooseOpenFile(const QString &caption, const QString &start, const QString &filter);
    virtual QString ChooseSaveFile(const QString &caption, const QString &proposal, const QString &filter,
                                   const QString &suffix, bool confirmOverwrite);
    virtual bool ChooseFolder(QString &folder);
    virtual int RunWizard(TfrmNewProject &wizard);
    virtual int RunCreateNewDocument(TfrmCreateNewDocument &dialog);

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

    void btnSelectWordFileClick();
    void btnCreateWordFileClick();
    void btnOpenWordFileClick();
    void btnOpenWordFolderClick();
    void InsertFooter(const QString &entity);
    void btnSetNavigationClick();
    void btnCompiledFileClick();
    void btnContextFileClick();
    void btnContextSettingClick();
    void FolderButtonClick(int tag);
    void cbLanguageChange();
    void cbPDFOutputClick();
    void cbWebBackgroundChange();
    void TemplateImport(QByteArray &stream);
    void TemplateExport(const QByteArray &stream);
    void OpenOutput(int index, bool folder);

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
