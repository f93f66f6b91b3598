#pragma once
// The setting pages of the main window. Each page owns its form, says in the binding table which
// of its controls shows which project field, keeps its own enable rules and handles its own
// buttons through its host (the main window: the project, the file dialogs, the build). A new
// button on a page needs nothing outside that page's files.
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QIcon;
class QLineEdit;
class QSpinBox;

class QDialog;

namespace tavrel {

class TProject;
class TfrmCreateNewDocument;
struct TImportChmHooks;
class TframSelectColor;

// Control and project field, once: how the field is shown, and how an edit is taken back.
class TBindingTable
{
public:
    using ShowFn = std::function<void(const TProject &)>;
    // Sets the field from the control; changed becomes true when the value differs.
    using TakeFn = std::function<void(TProject &, bool &changed)>;

    void Text(QLineEdit *edit, QString TProject::*field);
    void Flag(QCheckBox *box, bool TProject::*field);
    // A combo box without a selection leaves its field alone.
    void Index(QComboBox *box, int TProject::*field);
    void Number(QSpinBox *spin, int TProject::*field);
    void Color(TframSelectColor *frame, QString TProject::*field);
    void Custom(ShowFn show, TakeFn take);

    void Show(const TProject &project) const;
    // Takes every control's value; the project's change flag is set when any field changed.
    void Take(TProject &project) const;

private:
    struct Row {
        ShowFn show;
        TakeFn take;
    };
    std::vector<Row> m_rows;
};

// What a page may ask of the window it sits in. Dialogs go through the host so that tests can
// answer them.
class TPageHost
{
public:
    virtual ~TPageHost() = default;
    virtual TProject &Project() = 0;
    // Takes the controls' edits into the project now (before a command reads the project).
    virtual void Action2Update() = 0;
    virtual QString ChooseOpenFile(const QString &caption, const QString &start, const QString &filter) = 0;
    virtual QString ChooseSaveFile(const QString &caption, const QString &proposal, const QString &filter,
                                   const QString &suffix, bool confirmOverwrite) = 0;
    virtual bool ChooseFolder(QString &folder) = 0;
    virtual int RunCreateNewDocument(TfrmCreateNewDocument &dialog) = 0;
    // The setting dialogs of other windows (designer, template chooser and editor, interface
    // texts), modal.
    virtual int RunDialog(QDialog &dialog);
    // "From CHM...": the import with its own dialogs and progress window.
    virtual bool RunImportChm(TImportChmHooks &hooks);
    // What an import takes over from the help file: its language (with everything a choice of
    // the language list changes) and its title as the project title.
    virtual void SelectLanguage(const QString &langId) = 0;
    virtual void SetProjectTitle(const QString &title) = 0;
    virtual void BuildProject(bool Silence) = 0;
};

class TSettingsPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    void Attach(TPageHost *host) { m_host = host; }
    // Adds the page's controls to the window's binding table.
    virtual void Bind(TBindingTable &table) = 0;
    // The enable rules and derived values, after the project took the controls' edits.
    virtual void UpdateControls(const TProject &project) { Q_UNUSED(project); }

protected:
    TPageHost &Host() const { return *m_host; }
    // The template buttons: a page template file into the project's stream, and the stream out
    // into a chosen folder.
    void TemplateImport(QByteArray &stream);
    void TemplateExport(const QByteArray &stream);
    // "Choose..." (the built-in templates of templateType) and "Edit..." over the stream.
    void TemplateChoose(QByteArray &stream, const QString &templateType);
    void TemplateEdit(QByteArray &stream);
    // Shows a dialog of another window through the host, for the functions that take a runner.
    template <class Dialog>
    std::function<int(Dialog &)> DialogRunner()
    {
        return [this](Dialog &d) { return Host().RunDialog(d); };
    }
    // The folder button beside an output folder field: starts in the project's folder of
    // pathType (made when missing) and puts the chosen one in edit.
    void ChooseOutputFolder(int pathType, QLineEdit *edit);

private:
    TPageHost *m_host = nullptr;
};

// Fields the window disables are drawn in the button face colour, enabled ones in the window
// colour, so the state reads at a glance.
void SetFieldEnabled(QWidget *w, bool enabled);
// An output's own title: the edit holds the project title while "same" is checked (disabled,
// and its own field keeps the last title typed), its own title otherwise.
void BindOwnTitle(TBindingTable &table, QCheckBox *same, QLineEdit *edit, QString TProject::*field);
void FollowTitle(QCheckBox *same, QLineEdit *edit, const QString &title);
// The icon of contents entry index, with its double-size picture when installed.
QIcon ContentsIcon(int index);

} // namespace tavrel
