// The main window on the offscreen platform: showing a project, copying edits back at the next
// idle moment, the save questions, opening bad files, the recent menu and the "/b" start.
#include "build/BuildProject.h"
#include "chm2word/gui/ImportChm.h"
#include "output/Template.h"
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "project/gui/NewProject.h"
#include "project/gui/whelp.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"
#include "word/gui/CreateNewdoc.h"
#include "support/Controls.h"

#include <QApplication>
#include <QListWidget>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// The window with its file dialogs answered by the test.
class TTestMain : public TfrmMain
{
public:
    using TfrmMain::TfrmMain;
    QStringList openAnswers, saveAnswers, folderAnswers;
    QStringList saveProposals;
    std::function<int(TfrmNewProject &)> wizard;

    QString ChooseOpenFile(const QString &, const QString &, const QString &) override
    {
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString ChooseSaveFile(const QString &, const QString &proposal, const QString &, const QString &, bool) override
    {
        saveProposals << proposal;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    bool ChooseFolder(QString &folder) override
    {
        if (folderAnswers.isEmpty())
            return false;
        folder = folderAnswers.takeFirst();
        return true;
    }
    int RunWizard(TfrmNewProject &w) override { return wizard ? wizard(w) : QDialog::Rejected; }
    std::function<int(TfrmCreateNewDocument &)> newDocument;
    int RunCreateNewDocument(TfrmCreateNewDocument &d) override { return newDocument ? newDocument(d) : QDialog::Rejected; }
    std::function<int(QDialog &)> dialog;
    int RunDialog(QDialog &d) override { return dialog ? dialog(d) : QDialog::Rejected; }
    std::function<bool(TImportChmHooks &)> import;
    bool RunImportChm(TImportChmHooks &hooks) override { return import && import(hooks); }
};

QString writeProject(const QString &path, const std::function<void(TProject &)> &edit = {})
{
    TProject p;
    p.Title = QFileInfo(path).completeBaseName();
    if (edit)
        edit(p);
    p.SaveToIni(path);
    return path;
}

void idle()
{
    QCoreApplication::processEvents();
}

struct RecentCleared
{
    RecentCleared() { clear(); }
    ~RecentCleared() { clear(); }
    static void clear()
    {
        QSettings s(QStringLiteral("Quenmar"), QStringLiteral("Tavrel for Word"));
        s.clear();
        s.sync();
    }
};

} // namespace

TEST(MainWindow, ShowsProjectAndCopiesEditsBackAtTheNextIdleMoment)
{
    RecentCleared rc;
    QTemporaryDir dir;
    const QString file = writeProject(dir.filePath("a.tvp"), [](TProject &p) {
        p.Title = "Alpha";
        p.HtmlHelpOutputEncoding = "WINDOWS-1251";
        p.NoChild = 41;
        p.WebBackground = 3;
        p.HtmlHelpTitleSame = true;
    });
    TTestMain w({file});
    w.show();
    idle();
    TProject &p = w.Project();
    EXPECT_FALSE(p.ProjectChanged) << "showing a project is no edit";
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavrel for Word  - Alpha [a.tvp]"));
    EXPECT_EQ(Child<QComboBox>(w, "cbHtmlHelpOutputEncoding")->currentText(), QStringLiteral("Cyrillic (Windows); Windows-1251"));
    EXPECT_EQ(Child<QComboBox>(w, "cbbNoChild")->currentText(), QStringLiteral("42"));
    EXPECT_EQ(Child<QComboBox>(w, "cbbHasChild")->count(), 42);
    EXPECT_FALSE(Child<QComboBox>(w, "cbbHasChild")->itemIcon(41).isNull());
    EXPECT_EQ(Child<QComboBox>(w, "cbHtmlHelpOutputEncoding")->count(), 27);
    EXPECT_NE(Child<QLabel>(w, "imgBackground")->pixmap().toImage().isNull(), true) << "back3.jpg is previewed";
    // The same-title box shows the project title in a disabled field.
    EXPECT_FALSE(Child<QLineEdit>(w, "edtHtmlHelpTitle")->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(w, "edtHtmlHelpTitle")->text(), QStringLiteral("Alpha"));
    // The stored letter case stays until the user picks another charset.
    EXPECT_EQ(p.HtmlHelpOutputEncoding, QStringLiteral("WINDOWS-1251"));

    Child<QLineEdit>(w, "edtChmTitle")->setFocus();
    Child<QLineEdit>(w, "edtChmTitle")->end(false);
    QTest::keyClicks(Child<QLineEdit>(w, "edtChmTitle"), "x");
    idle();
    EXPECT_TRUE(p.ProjectChanged);
    EXPECT_EQ(p.Title, QStringLiteral("Alphax"));
    EXPECT_EQ(Child<QLineEdit>(w, "edtHtmlHelpTitle")->text(), QStringLiteral("Alphax"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavrel for Word  - Alphax [a.tvp]"));
    QTest::keyClick(Child<QLineEdit>(w, "edtChmTitle"), Qt::Key_Backspace);
    idle();
    EXPECT_EQ(p.Title, QStringLiteral("Alpha"));
    EXPECT_TRUE(p.ProjectChanged) << "typing the old text back is still an edit";

    // Other kinds of controls.
    p.ProjectChanged = false;
    Child<QCheckBox>(w, "cbOutputHHP")->setChecked(true);
    idle();
    EXPECT_TRUE(p.OutputHHP);
    EXPECT_TRUE(Child<QLineEdit>(w, "edtHHPFolder")->isEnabled());
    EXPECT_TRUE(p.ProjectChanged);
    Child<QSpinBox>(w, "seNavWidth")->setValue(300);
    Child<QComboBox>(w, "cbMagnification")->setCurrentIndex(2);
    Child<TframSelectColor>(w, "framWebFontColor")->SetText("#112233");
    idle();
    EXPECT_EQ(p.NavWidth, 300);
    EXPECT_EQ(p.Magnification, 2);
    EXPECT_EQ(p.WebFontColor, QStringLiteral("#112233"));

    // Source buttons follow the field.
    Child<QLineEdit>(w, "edtSourceFile")->clear();
    idle();
    EXPECT_FALSE(Child<QPushButton>(w, "btnOpenWordFile")->isEnabled());
    Child<QLineEdit>(w, "edtSourceFile")->setText("<Project_Folder>/doc.docx");
    idle();
    EXPECT_TRUE(Child<QPushButton>(w, "btnOpenWordFolder")->isEnabled());

    // "©" replaces the selection and leaves the entity selected.
    Child<QLineEdit>(w, "edtCopyright")->setText("(c) Acme");
    Child<QLineEdit>(w, "edtCopyright")->setSelection(0, 3);
    QTest::mouseClick(Child<QToolButton>(w, "btnCopyright"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(w, "edtCopyright")->text(), QStringLiteral("&copy; Acme"));
    EXPECT_EQ(Child<QLineEdit>(w, "edtCopyright")->selectedText(), QStringLiteral("&copy;"));

    p.ProjectChanged = false;
    w.close();
}

TEST(MainWindow, LanguageChoiceAndPdfSwitchAndUnknownCharset)
{
    RecentCleared rc;
    QTemporaryDir dir;
    const QString withPdf = writeProject(dir.filePath("pdf1.tvp"), [](TProject &p) { p.PDFOutput = true; });
    const QString withoutPdf = writeProject(dir.filePath("pdf0.tvp"), [](TProject &p) {
        p.PDFOutput = false;
        p.HtmlHelpOutputEncoding = "x-mac-klingon";
    });
    TScriptedMessages msgs;
    TTestMain w({withPdf});
    idle();
    EXPECT_EQ(Child<QCheckBox>(w, "cbPDFOutput")->isChecked(), IsLibreOfficeAvailable());
    ASSERT_TRUE(w.OpenProject(withoutPdf));
    idle();
    EXPECT_FALSE(Child<QCheckBox>(w, "cbPDFOutput")->isChecked());
    EXPECT_FALSE(w.Project().PDFOutput);
    // A charset the list does not know selects nothing and is kept as stored.
    EXPECT_EQ(Child<QComboBox>(w, "cbHtmlHelpOutputEncoding")->currentIndex(), -1);
    EXPECT_EQ(w.Project().HtmlHelpOutputEncoding, QStringLiteral("x-mac-klingon"));
    EXPECT_FALSE(w.Project().ProjectChanged);

    // Choosing Russian picks its charset and the window fonts' charset.
    const int russian = Child<QComboBox>(w, "cbLanguage")->findText("Russian");
    ASSERT_GE(russian, 0);
    Child<QComboBox>(w, "cbLanguage")->setCurrentIndex(russian);
    Q_EMIT Child<QComboBox>(w, "cbLanguage")->activated(russian);
    idle();
    EXPECT_EQ(Child<QComboBox>(w, "cbHtmlHelpOutputEncoding")->currentText(), QStringLiteral("Cyrillic (Windows); Windows-1251"));
    EXPECT_EQ(w.Project().CHMSetting.Language, QStringLiteral("0x0419"));
    EXPECT_EQ(w.Project().CHMSetting.ContentsFont, QStringLiteral(",8,204"));
    EXPECT_TRUE(w.Project().ProjectChanged);
    w.Project().ProjectChanged = false;
}

TEST(MainWindow, SaveQuestionPaths)
{
    RecentCleared rc;
    QTemporaryDir dir;
    const QString a = writeProject(dir.filePath("a.tvp"));
    const QString b = writeProject(dir.filePath("b.tvp"));
    TScriptedMessages msgs;
    TTestMain w({a});
    idle();

    // Cancel: nothing opened, nothing saved.
    Child<QLineEdit>(w, "edtChmTitle")->setText("edited");
    msgs.ExpectQuestion(mbCancel);
    EXPECT_FALSE(w.OpenProject(b));
    EXPECT_EQ(w.Project().ProjectFilename, a);
    ASSERT_EQ(msgs.Questions().size(), 1);
    EXPECT_EQ(msgs.Questions()[0], QStringLiteral("The project has changed.\nDo you want to save the changes?"));
    EXPECT_EQ(msgs.QuestionButtons()[0], mbYes | mbNo | mbCancel);
    TProject onDisk;
    onDisk.ReadFromIni(a);
    EXPECT_EQ(onDisk.Title, QStringLiteral("a"));

    // Yes: saved, then opened.
    msgs.ExpectQuestion(mbYes);
    EXPECT_TRUE(w.OpenProject(b));
    onDisk.ReadFromIni(a);
    EXPECT_EQ(onDisk.Title, QStringLiteral("edited"));
    EXPECT_EQ(w.Project().ProjectFilename, b);
    EXPECT_EQ(Child<QLineEdit>(w, "edtChmTitle")->text(), QStringLiteral("b"));

    // No: opened without saving.
    Child<QLineEdit>(w, "edtChmTitle")->setText("dropped");
    msgs.ExpectQuestion(mbNo);
    EXPECT_TRUE(w.OpenProject(a));
    onDisk.ReadFromIni(b);
    EXPECT_EQ(onDisk.Title, QStringLiteral("b"));

    // Yes with a save that fails (read-only file): the command is abandoned, the edit stays.
    Child<QLineEdit>(w, "edtChmTitle")->setText("kept");
    idle();
    {
        TFaultyFileSystem fs;
        fs.Fail(dir.path(), TFaultyFileSystem::opWrite | TFaultyFileSystem::opRename);
        msgs.ExpectQuestion(mbYes);
        EXPECT_FALSE(w.OpenProject(b));
    }
    EXPECT_EQ(w.Project().ProjectFilename, a);
    EXPECT_TRUE(w.Project().ProjectChanged);
    EXPECT_EQ(w.Project().Title, QStringLiteral("kept"));
    ASSERT_EQ(msgs.Errors().size(), 1);
    EXPECT_TRUE(msgs.Errors()[0].startsWith("The project could not be saved."));
    onDisk.ReadFromIni(a);
    EXPECT_EQ(onDisk.Title, QStringLiteral("edited")) << "the old file survives a failed save";

    // Closing asks with its own text; Cancel keeps the window.
    w.show();
    msgs.ExpectQuestion(mbCancel);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(msgs.Questions().last(), QStringLiteral("The project has been changed.\nDo you want to save the changes?"));
    msgs.ExpectQuestion(mbNo);
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(msgs.AllAnswersUsed());
}

TEST(MainWindow, BadFilesLeaveTheCurrentProject)
{
    RecentCleared rc;
    QTemporaryDir dir;
    const QString a = writeProject(dir.filePath("a.tvp"), [](TProject &p) { p.Title = "Keep me"; });
    WriteBytes(dir.filePath("notes.tvp"), "just some text\n");
    TScriptedMessages msgs;
    TTestMain w({a});
    idle();

    EXPECT_FALSE(w.OpenProject(dir.filePath("missing.tvp")));
    ASSERT_EQ(msgs.Errors().size(), 1);
    EXPECT_EQ(msgs.Errors()[0], dir.filePath("missing.tvp") + " doesn't exist!");

    EXPECT_FALSE(w.OpenProject(dir.filePath("notes.tvp")));
    ASSERT_EQ(msgs.Errors().size(), 2);
    EXPECT_TRUE(msgs.Errors()[1].contains("not a project file"));

    {
        TFaultyFileSystem fs;
        fs.Fail(dir.filePath("b.tvp"), TFaultyFileSystem::opRead);
        writeProject(dir.filePath("b.tvp"));
        EXPECT_FALSE(w.OpenProject(dir.filePath("b.tvp")));
    }
    EXPECT_EQ(msgs.Errors().size(), 3);
    EXPECT_EQ(w.Project().ProjectFilename, a);
    EXPECT_EQ(w.Project().Title, QStringLiteral("Keep me"));
    EXPECT_EQ(Child<QLineEdit>(w, "edtChmTitle")->text(), QStringLiteral("Keep me"));

    // "Open" of the source document names the stored text when the file is missing.
    w.show();
    Child<QLineEdit>(w, "edtSourceFile")->setText("<Project_Folder>/gone.docx");
    idle();
    TRecordingShell shell;
    QTest::mouseClick(Child<QPushButton>(w, "btnOpenWordFile"), Qt::LeftButton);
    EXPECT_EQ(msgs.Errors().last(), QStringLiteral("\"<Project_Folder>/gone.docx\" does not exist!"));
    EXPECT_TRUE(shell.opened.isEmpty());
    QTest::mouseClick(Child<QPushButton>(w, "btnOpenWordFolder"), Qt::LeftButton);
    EXPECT_EQ(shell.shown, QStringList{dir.filePath("gone.docx")});
    w.Project().ProjectChanged = false;
}

TEST(MainWindow, RecentMenuSaveAsAndNewProject)
{
    RecentCleared rc;
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 3; ++i)
        files << writeProject(dir.filePath(QStringLiteral("p%1.tvp").arg(i)));
    TScriptedMessages msgs;
    auto w = std::make_unique<TTestMain>(QStringList{files[0]});
    idle();
    EXPECT_TRUE(w->OpenProject(files[1]));
    EXPECT_TRUE(w->OpenProject(files[2]));
    EXPECT_TRUE(w->OpenProject(files[0]));
    // Each open puts the project it leaves first.
    QStringList captions;
    for (QAction *a : Child<QMenu>(*w, "mnuRecent")->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{files[2], files[1], files[0]}));
    EXPECT_EQ(w->pmRecent->actions().size(), 3);
    w->pmRecent->actions()[1]->trigger();
    EXPECT_EQ(w->Project().ProjectFilename, files[1]);

    // Save As proposes a copy beside the project and writes there.
    w->saveAnswers << dir.filePath("copy.tvp");
    EXPECT_TRUE(w->SaveAs());
    EXPECT_EQ(w->saveProposals.last(), dir.path() + "/copy of p1.tvp");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("copy.tvp")));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavrel for Word  - p1 [copy.tvp]"));
    EXPECT_FALSE(w->SaveAs()) << "a cancelled dialog";

    // New: the wizard places the project; it is written at once and the document is chosen.
    const QString position = dir.filePath("New Project");
    w->wizard = [&](TfrmNewProject &wiz) {
        EXPECT_TRUE(Child<QPushButton>(wiz, "btnCancel")->isEnabled());
        EXPECT_EQ(Child<QLineEdit>(wiz, "edtFilename")->text(), QStringLiteral("help"));
        Child<QLineEdit>(wiz, "edtProjectPosition")->setText(position);
        Child<QRadioButton>(wiz, "rb1")->setChecked(true);
        return int(QDialog::Accepted);
    };
    w->openAnswers << dir.filePath("source.docx");
    EXPECT_TRUE(w->New(true));
    EXPECT_EQ(w->Project().ProjectFilename, position + "/help.tvp");
    EXPECT_FALSE(w->Project().IsNew);
    EXPECT_TRUE(QFileInfo::exists(position + "/help.tvp"));
    EXPECT_EQ(Child<QLineEdit>(*w, "edtSourceFile")->text(), dir.filePath("source.docx"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavrel for Word  - New Help [help.tvp]"));

    // The wizard's first choice: a new document from an outline, made where the dialog says,
    // becomes the source document; opening it is offered.
    const QString second = dir.filePath("Second");
    idle();
    w->Project().ProjectChanged = false;
    w->wizard = [&](TfrmNewProject &wiz) {
        EXPECT_TRUE(Child<QRadioButton>(wiz, "rb2")->isChecked());
        Child<QLineEdit>(wiz, "edtProjectPosition")->setText(second);
        return int(QDialog::Accepted);
    };
    w->newDocument = [&](TfrmCreateNewDocument &d) {
        EXPECT_EQ(d.FileName(), "<Project_Folder>/doc.docx");
        d.SetFileName("<Project_Folder>/manual.docx");
        return int(QDialog::Accepted);
    };
    TRecordingShell shell;
    msgs.ExpectQuestion(mbYes);
    EXPECT_TRUE(w->New(true));
    EXPECT_EQ(Child<QLineEdit>(*w, "edtSourceFile")->text(), "<Project_Folder>/manual.docx");
    idle();
    EXPECT_EQ(w->Project().SourceFile, "<Project_Folder>/manual.docx");
    EXPECT_EQ(shell.opened, QStringList{second + "/manual.docx"});
    EXPECT_GT(QFileInfo(second + "/manual.docx").size(), 0);
    EXPECT_EQ(msgs.Questions().last(), "The Word file \"<Project_Folder>/manual.docx\" has been created. Do you want to open it?");

    // A project folder that cannot be made keeps the project that is open.
    idle();
    w->Project().ProjectChanged = false;
    {
        TFaultyFileSystem fs;
        fs.Fail(dir.filePath("blocked"), TFaultyFileSystem::opAll);
        w->wizard = [&](TfrmNewProject &wiz) {
            Child<QLineEdit>(wiz, "edtProjectPosition")->setText(dir.filePath("blocked"));
            return int(QDialog::Accepted);
        };
        EXPECT_FALSE(w->New(true));
    }
    EXPECT_EQ(w->Project().ProjectFilename, second + "/help.tvp");
    EXPECT_EQ(msgs.Errors().size(), 1);
    w->Project().ProjectChanged = false;
    w.reset();
    // Closing the window puts its project first.
    EXPECT_EQ(TRecentProjects::Load().first(), second + "/help.tvp");
}

namespace {
class TStandInRunner : public TBuildRunner
{
public:
    explicit TStandInRunner(int *runs) : m_runs(runs) {}
    TBuildOutcome Run(TProject &) override
    {
        ++*m_runs;
        TBuildOutcome o;
        o.Ok = true;
        return o;
    }

private:
    int *m_runs;
};
} // namespace

TEST(MainWindow, SilentBuildStartClosesTheWindowAfterTheBuild)
{
    RecentCleared rc;
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(TAVREL_FIXTURES_DIR "/word/styles.docx", dir.filePath("doc.docx")));
    const QString file = writeProject(dir.filePath("b.tvp"), [](TProject &p) {
        p.SourceFile = "<Project_Folder>/doc.docx";
        p.WebHelpOutput = false;
        p.PDFOutput = false;
    });
    TScriptedMessages msgs; // the silent build shows no completion message
    int runs = 0;
    TTestMain w({file, "/B"});
    w.RunnerFactory = [&](QWidget *) { return std::make_unique<TStandInRunner>(&runs); };
    w.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 10000));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(msgs.Infos().isEmpty());
    EXPECT_TRUE(msgs.Errors().isEmpty()) << msgs.Errors().join("\n").toStdString();
}

namespace {
// Answers the next modal dialog once it is showing: accepts it after edit has run on it.
void whenModal(const std::function<void(QWidget *)> &edit)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, edit] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            edit(d);
            d->accept();
        }
    });
    timer->start(20);
}
} // namespace

TEST(MainWindow, TemplatesFoldersDialogsAndTheBuildPage)
{
    RecentCleared rc;
    QTemporaryDir dir;
    const QString file = writeProject(dir.filePath("t.tvp"));
    TScriptedMessages msgs;
    TRecordingShell shell;
    TTestMain w({file});
    w.show();
    idle();
    TProject &p = w.Project();

    // Export into a folder with a file: Cancel stops, No keeps the file, Yes empties first.
    const QString out = dir.filePath("export");
    QDir().mkpath(out);
    WriteBytes(out + "/mine.txt", "keep?");
    w.folderAnswers << out;
    msgs.ExpectQuestion(mbCancel);
    QTest::mouseClick(Child<QPushButton>(w, "btnCHMTemplateExport"), Qt::LeftButton);
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{"mine.txt"});
    w.folderAnswers << out;
    msgs.ExpectQuestion(mbNo);
    msgs.ExpectQuestion(mbNo); // do not browse
    QTest::mouseClick(Child<QPushButton>(w, "btnCHMTemplateExport"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(out + "/mine.txt"));
    const QStringList written = QDir(out).entryList(QDir::Files);
    EXPECT_GT(written.size(), 1);
    w.folderAnswers << out;
    msgs.ExpectQuestion(mbYes);
    msgs.ExpectQuestion(mbYes); // browse it
    QTest::mouseClick(Child<QPushButton>(w, "btnCHMTemplateExport"), Qt::LeftButton);
    EXPECT_FALSE(QFileInfo::exists(out + "/mine.txt"));
    EXPECT_EQ(shell.opened, QStringList{out});
    EXPECT_EQ(msgs.Questions()[0], QStringLiteral("This is not an empty folder. Do you want to empty it?"));
    EXPECT_EQ(msgs.Questions().last(), QStringLiteral("OK! Do you want to browser the folder?"));
    EXPECT_FALSE(p.ProjectChanged);

    // Import the exported page into the WebHelp template: asked, packed, marked changed.
    QString main;
    for (const QString &name : QDir(out).entryList({"*.htm", "*.html"}, QDir::Files))
        main = out + "/" + name;
    ASSERT_FALSE(main.isEmpty());
    const QByteArray before = p.WebHelpTemplateStream;
    w.openAnswers << main;
    msgs.ExpectQuestion(mbNo);
    QTest::mouseClick(Child<QPushButton>(w, "btnWeblHelpTemplateImport"), Qt::LeftButton);
    EXPECT_EQ(p.WebHelpTemplateStream, before);
    EXPECT_FALSE(p.ProjectChanged);
    w.openAnswers << main;
    msgs.ExpectQuestion(mbYes);
    QTest::mouseClick(Child<QPushButton>(w, "btnWeblHelpTemplateImport"), Qt::LeftButton);
    EXPECT_EQ(p.WebHelpTemplateStream, p.HtmlHelpTemplateStream);
    EXPECT_TRUE(p.ProjectChanged);
    EXPECT_EQ(msgs.Infos().last(), QStringLiteral("Imported sucessfully!"));

    // The folder chooser creates a missing folder first and puts the choice in the field.
    Child<QCheckBox>(w, "cbOutputHHP")->setChecked(true);
    Child<QLineEdit>(w, "edtHHPFolder")->setText("<Project_Folder>/hhp");
    idle();
    w.folderAnswers << dir.filePath("chosen");
    QTest::mouseClick(Child<QToolButton>(w, "btnHHPFolder"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo(dir.filePath("hhp")).isDir());
    EXPECT_EQ(Child<QLineEdit>(w, "edtHHPFolder")->text(), dir.filePath("chosen"));

    // The navigation dialog takes the setting and gives the edited one back.
    whenModal([](QWidget *d) {
        auto *start = d->findChild<QLineEdit *>("edtStartString");
        ASSERT_TRUE(start);
        EXPECT_EQ(start->text(), QStringLiteral("Help > "));
        start->setText("Home: ");
    });
    QTest::mouseClick(Child<QPushButton>(w, "btnSetNavigation"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(w, "edtNavSetting")->text(), QStringLiteral("\"Home: \",\" > \",\"0\",\"1\""));
    idle();
    EXPECT_EQ(p.NavSetting, Child<QLineEdit>(w, "edtNavSetting")->text());

    // The context dialog: OK with nothing touched changes nothing; an edit marks the project.
    Child<QCheckBox>(w, "cbOutputContext")->setChecked(true);
    idle();
    p.ProjectChanged = false;
    whenModal([](QWidget *) {});
    QTest::mouseClick(Child<QPushButton>(w, "btnContextSetting"), Qt::LeftButton);
    EXPECT_FALSE(p.ProjectChanged);
    whenModal([](QWidget *d) { d->findChild<QLineEdit *>("edtCodeTemplate")->setText("{%ContextID%}"); });
    QTest::mouseClick(Child<QPushButton>(w, "btnContextSetting"), Qt::LeftButton);
    EXPECT_EQ(p.HtmlHelpContextCodeTemplate, QStringLiteral("{%ContextID%}"));
    EXPECT_TRUE(p.ProjectChanged);

    // The Build page refreshes its status every second only while it is shown.
    EXPECT_FALSE(w.tmOutputStatus->isActive());
    Child<QTabWidget>(w, "PageControl1")->setCurrentWidget(Child<QWidget>(w, "tsBuild"));
    EXPECT_TRUE(w.tmOutputStatus->isActive());
    EXPECT_EQ(Child<QLabel>(w, "lbCHMStatus")->text(), QStringLiteral("Not created."));
    EXPECT_FALSE(Child<QPushButton>(w, "btnOpenCHM")->isEnabled());
    QDir().mkpath(dir.filePath("HTML help"));
    WriteBytes(dir.filePath("HTML help/help.chm"), "x");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Child<QPushButton>(w, "btnOpenCHM")->isEnabled(); }, 3000));
    EXPECT_TRUE(Child<QLabel>(w, "lbCHMStatus")->text().endsWith("(within 1 minute)"));
    QTest::mouseClick(Child<QPushButton>(w, "btnCHMFolder"), Qt::LeftButton);
    EXPECT_EQ(shell.shown.last(), dir.filePath("HTML help/help.chm"));
    Child<QTabWidget>(w, "PageControl1")->setCurrentIndex(0);
    EXPECT_FALSE(w.tmOutputStatus->isActive());

    // The data folder of the build tree has no own help: its command is hidden.
    EXPECT_FALSE(Child<QAction>(w, "miHowToUse")->isVisible());
    p.ProjectChanged = false;
}

TEST(MainWindow, EveryBoundFieldShowsAndComesBackUnchanged)
{
    // Every field the pages show gets a value other than its default: opening the project and
    // taking the controls back must neither count as an edit nor change one byte of the saved file.
    RecentCleared rc;
    QTemporaryDir dir;
    const QString file = writeProject(dir.filePath("all.tvp"), [](TProject &p) {
        p.SourceFile = "<Project_Folder>/source doc.docx";
        p.Title = "All fields";
        p.NavSetting = "\"Start: \",\" / \",\"1\",\"0\"";
        p.CopyRight = "&copy; Someone";
        p.PrevHint = "Back";
        p.NextHint = "On";
        p.CompiledFile = "<Project_Folder>/out/all.chm";
        p.HtmlHelpTitle = "Own HTML Help title";
        p.HtmlHelpTitleSame = false;
        p.CHMSetting.Language = Languages().GetItem(5).Id;
        p.HtmlHelpOutputEncoding = CharsetOfEntry(HtmlHelpCharsets().at(4));
        p.HasChild = 17;
        p.NoChild = 23;
        p.HtmlHelpExtension = 1;
        p.HtmlHelpOutputContext = true;
        p.HtmlHelpContextFile = "<Project_Folder>/ctx.h";
        p.OutputHHP = true;
        p.HHPFolder = "<Project_Folder>/hhp/";
        p.WebHelpOutputFolder = "<Project_Folder>/web/";
        p.WebHelpTitle = "Own WebHelp title";
        p.WebHelpTilteSame = false;
        p.WebHelpExtension = 1;
        p.WebFontColor = "#102030";
        p.WebBackColor = "#405060";
        p.WebBackground = 2;
        p.StartFromRoot = !p.StartFromRoot;
        p.DrawLines = !p.DrawLines;
        p.AutoCollapse = !p.AutoCollapse;
        p.RealColorIcon = !p.RealColorIcon;
        p.ShowIndex = !p.ShowIndex;
        p.NavWidth = 321;
        p.TOCBackColor = "#708090";
        p.PDFFile = "<Project_Folder>/all.pdf";
        p.Panes = 2;
        p.Magnification = 3;
        p.PageLayout = 1;
        p.HtmlHelpOutput = !p.HtmlHelpOutput;
        p.WebHelpOutput = !p.WebHelpOutput;
        p.PDFOutput = IsLibreOfficeAvailable();
    });
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray before = in.readAll();
    in.close();

    TTestMain w({file});
    w.show();
    idle();
    w.Action2Update();
    EXPECT_FALSE(w.Project().ProjectChanged);
    EXPECT_EQ(Child<QLineEdit>(w, "edtHtmlHelpTitle")->text(), QStringLiteral("Own HTML Help title"));
    EXPECT_EQ(Child<QSpinBox>(w, "seNavWidth")->value(), 321);
    EXPECT_EQ(Child<TframSelectColor>(w, "framTOCbackColor")->Text(), QStringLiteral("#708090"));
    const QString again = dir.filePath("again.tvp");
    w.Project().SaveToIni(again);
    QFile out(again);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    // The saved file names itself nowhere, so the two files compare whole.
    EXPECT_EQ(out.readAll(), before);
}

// The buttons of the editing dialogs open them on the project's own data; a cancelled dialog
// changes nothing, an accepted one changes what it edits and nothing else. "From CHM..." (the
// button and the wizard's third way) takes over the help file's language, title and document.
TEST(MainWindow, EditingButtonsAndTheImportReachTheProject)
{
    RecentCleared rc;
    QTemporaryDir dir;
    const QString file = writeProject(dir.filePath("e.tvp"));
    TScriptedMessages msgs;
    TTestMain w({file});
    w.show();
    idle();
    TProject &p = w.Project();
    const QByteArray chmTemplate = p.HtmlHelpTemplateStream, webTemplate = p.WebHelpTemplateStream;
    const char *buttons[] = {"btnDesignCHMStyle", "btnCHMChooseTemplate", "btnCHMTemplateEdit",
                             "btnWebhelpChooseTemplate", "btnWebHelpTemplateEdit", "btnWebHelpInterface"};

    QStringList shown;
    w.dialog = [&](QDialog &d) {
        shown << QString::fromLatin1(d.metaObject()->className()).remove(QStringLiteral("tavrel::"));
        return int(QDialog::Rejected);
    };
    for (const char *button : buttons)
        Child<QPushButton>(w, button)->click();
    EXPECT_EQ(shown, (QStringList{"TfrmDesigner", "TfrmChooseTemplate", "TfrmHTMLEditor", "TfrmChooseTemplate",
                                  "TfrmHTMLEditor", "TfrmWebHelpInterface"}));
    idle();
    EXPECT_FALSE(p.ProjectChanged);
    EXPECT_EQ(p.HtmlHelpTemplateStream, chmTemplate);
    EXPECT_EQ(p.WebHelpTemplateStream, webTemplate);

    // The HTML Help chooser packs the chosen template into the HTML Help stream only.
    QString chosen;
    w.dialog = [&](QDialog &d) {
        auto *list = Child<QListWidget>(d, "lbTemplateName");
        list->setCurrentRow(list->count() - 1);
        chosen = list->currentItem()->text();
        return int(QDialog::Accepted);
    };
    Child<QPushButton>(w, "btnCHMChooseTemplate")->click();
    EXPECT_FALSE(chosen.isEmpty());
    EXPECT_NE(p.HtmlHelpTemplateStream, chmTemplate) << chosen.toStdString();
    EXPECT_EQ(p.WebHelpTemplateStream, webTemplate);
    EXPECT_TRUE(p.ProjectChanged);

    // OK in the designer and in the interface texts counts as an edit.
    for (const char *button : {"btnDesignCHMStyle", "btnWebHelpInterface"}) {
        p.ProjectChanged = false;
        w.dialog = [](QDialog &) { return int(QDialog::Accepted); };
        Child<QPushButton>(w, button)->click();
        EXPECT_TRUE(p.ProjectChanged) << button;
    }

    // The import: the hooks start from the page's source document and resolve names against the
    // project; what the import reports lands in the project at the next idle moment.
    int imports = 0;
    w.import = [&](TImportChmHooks &h) {
        ++imports;
        EXPECT_EQ(h.SourceFile, p.SourceFile);
        EXPECT_EQ(h.RealPath("<Project_Folder>/x.docx"), QFileInfo(p.ProjectFilename).path() + "/x.docx");
        h.SetLanguage(QStringLiteral("0x0419"));
        h.SetChmTitle(QStringLiteral("Старая справка"));
        h.SetSourceFile(QStringLiteral("<Project_Folder>/imported.docx"));
        return true;
    };
    Child<QPushButton>(w, "btnImportChm")->click();
    idle();
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(p.CHMSetting.Language, QStringLiteral("0x0419"));
    EXPECT_EQ(p.HtmlHelpOutputEncoding.toLower(), QStringLiteral("windows-1251"));
    EXPECT_EQ(p.Title, QStringLiteral("Старая справка"));
    EXPECT_EQ(p.SourceFile, QStringLiteral("<Project_Folder>/imported.docx"));

    // The wizard's third way runs the same import on the new project.
    p.ProjectChanged = false;
    w.wizard = [&](TfrmNewProject &wiz) {
        EXPECT_FALSE(Child<QRadioButton>(wiz, "rb3")->isHidden());
        Child<QLineEdit>(wiz, "edtProjectPosition")->setText(dir.filePath("Imported"));
        Child<QRadioButton>(wiz, "rb3")->setChecked(true);
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(w.New(true));
    EXPECT_EQ(imports, 2);
    idle();
    EXPECT_EQ(p.ProjectFilename, dir.filePath("Imported") + "/help.tvp");
    EXPECT_EQ(p.SourceFile, QStringLiteral("<Project_Folder>/imported.docx"));
    p.ProjectChanged = false;
}
