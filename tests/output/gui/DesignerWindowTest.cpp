// The window designer, its font dialog and the WebHelp interface translation on the offscreen
// platform: open, change, OK writes back; Cancel and Escape leave the project as it was.
#include "output/gui/GetfontForCHM.h"
#include "output/gui/UnitDesigner.h"
#include "output/gui/WebHelpInterface.h"
#include "project/ProjectSetting.h"
#include "support/ScriptedMessages.h"
#include "text/functions.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

template <typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QString settingsOf(const TCHMProject &c)
{
    QString s = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 ").arg(c.Left).arg(c.Top).arg(c.Width).arg(c.Height)
                    .arg(c.PaneWidth).arg(c.DefaultTab).arg(c.ContentsFont, c.IndexFont);
    for (bool f : {c.ShowMSDNMenu, c.ShowPanesToolbar, c.ShowPane, c.HideToolbar, c.Hide, c.Search, c.Favorite,
                   c.SelectRow, c.DrawLines, c.Maximize, c.StayOnTop})
        s += f ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

} // namespace

TEST(DesignerWindow, OkWritesBackCancelAndEscapeLeaveTheProject)
{
    TProject project;
    project.HasChild = 2;
    project.CHMSetting.ShowMSDNMenu = true;
    const QString before = settingsOf(project.CHMSetting);

    // Cancel and Escape after changes: nothing reaches the project.
    for (bool escape : {false, true}) {
        const bool taken = DesignCHMStyle(nullptr, project, [&](TfrmDesigner &d) {
            d.show();
            child<QCheckBox>(d, "cbSearch")->click();
            child<QCheckBox>(d, "cbStayontop")->setChecked(true);
            if (escape)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                child<QPushButton>(d, "btnCancel")->click();
            return d.result();
        });
        EXPECT_FALSE(taken);
        EXPECT_EQ(settingsOf(project.CHMSetting), before);
        EXPECT_FALSE(project.ProjectChanged);
    }

    int paneWidth = -1;
    const bool taken = DesignCHMStyle(nullptr, project, [&](TfrmDesigner &d) {
        // A new project's window, with every tab and the menu bar shown.
        const TCHMProject &c = project.CHMSetting;
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Vavuzu RIV designer - [Left:%1,Top:%2,Width:%3,Height:%4]")
                                       .arg(c.Left).arg(c.Top).arg(c.Width).arg(c.Height));
        EXPECT_EQ(d.size(), QSize(c.Width, c.Height));
        d.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
        EXPECT_TRUE(child<QWidget>(d, "MainMenu1")->isVisible());
        auto *pcPan = child<QTabWidget>(d, "pcPan");
        auto *defaultTab = child<QComboBox>(d, "cbDefaultTab");
        EXPECT_EQ(defaultTab->count(), 4);
        EXPECT_EQ(defaultTab->currentText(), QStringLiteral("Contents"));

        // Search goes; the Index tab clicked on the mock-up becomes the default.
        child<QCheckBox>(d, "cbSearch")->click();
        EXPECT_FALSE(pcPan->isTabVisible(2));
        EXPECT_EQ(defaultTab->findText(QStringLiteral("Search")), -1);
        pcPan->setCurrentIndex(1);
        EXPECT_EQ(defaultTab->currentText(), QStringLiteral("Index"));

        // The menu bar and the toolbar follow their boxes; the tri-pane group hides pages.
        child<QCheckBox>(d, "cbShowMenu")->click();
        EXPECT_FALSE(child<QWidget>(d, "MainMenu1")->isVisible());
        child<QCheckBox>(d, "cbHideToolbar")->click();
        EXPECT_FALSE(child<QWidget>(d, "ToolBar1")->isVisible());
        child<QCheckBox>(d, "cbHideToolbar")->click();
        child<QCheckBox>(d, "cbHome")->click();
        EXPECT_FALSE(child<QToolButton>(d, "tbHome")->isVisible());
        auto *pc2 = child<QTabWidget>(d, "PageControl2");
        child<QGroupBox>(d, "cbShowPane")->setChecked(false);
        EXPECT_FALSE(pc2->isTabVisible(1) || pc2->isTabVisible(2) || pc2->isTabVisible(3));
        EXPECT_FALSE(child<QWidget>(d, "pnlPan")->isVisible());
        child<QGroupBox>(d, "cbShowPane")->setChecked(true);
        EXPECT_TRUE(pc2->isTabVisible(3));

        // Tree line styles exclude each other in the list.
        auto *toc = child<QListWidget>(d, "clbTOC");
        toc->item(1)->setCheckState(Qt::Checked);
        EXPECT_EQ(toc->item(5)->checkState(), Qt::Unchecked);

        // Moving and resizing the dialog is the help window's rectangle; the splitter its pane.
        d.move(120, 80);
        d.resize(800, 600);
        d.ReadBounds();
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Vavuzu RIV designer - [Left:120,Top:80,Width:800,Height:600]"));
        auto *splitter = child<QSplitter>(d, "Splitter1");
        splitter->setSizes({250, 550});
        Q_EMIT splitter->splitterMoved(250, 1);
        paneWidth = child<QWidget>(d, "pnlPan")->width();
        EXPECT_NEAR(paneWidth, 250, 5);

        // The contents font through the font dialog.
        d.RunFontDialog = [](TfrmFont &f) {
            EXPECT_EQ(f.windowTitle(), QStringLiteral("Font of Contents"));
            child<QComboBox>(f, "cbFont")->setEditText(QStringLiteral("DejaVu Serif"));
            child<QSpinBox>(f, "edtSize")->setValue(11);
            child<QPushButton>(f, "btnOK")->click();
            return f.result();
        };
        child<QToolButton>(d, "SpeedButton3")->click();
        EXPECT_EQ(child<QWidget>(d, "TreeView1")->font().pointSize(), 11);

        child<QPushButton>(d, "btnOK")->click();
        return d.result();
    });
    ASSERT_TRUE(taken);
    EXPECT_TRUE(project.ProjectChanged);
    const TCHMProject &c = project.CHMSetting;
    EXPECT_FALSE(c.Search);
    EXPECT_FALSE(c.ShowMSDNMenu);
    EXPECT_FALSE(c.Home);
    EXPECT_TRUE(c.ShowPanesToolbar && !c.HideToolbar);
    EXPECT_EQ(c.DefaultTab, 1);
    EXPECT_TRUE(c.SelectRow && !c.DrawLines);
    EXPECT_EQ(QRect(c.Left, c.Top, c.Width, c.Height), QRect(120, 80, 800, 600));
    EXPECT_EQ(c.PaneWidth, paneWidth);
    EXPECT_EQ(c.ContentsFont, QStringLiteral("DejaVu Serif,11,0"));
}

TEST(DesignerWindow, FontDialogReadsAndWritesFontStrings)
{
    TfrmFont f;
    auto *face = child<QComboBox>(f, "cbFont");
    auto *size = child<QSpinBox>(f, "edtSize");
    auto *charset = child<QComboBox>(f, "cbCharacterSet");
    // Fewer than three parts: the starting values stay.
    f.FontString = QStringLiteral("Arial,12");
    f.GetFontAndSize();
    EXPECT_EQ(face->currentText(), QString());
    EXPECT_EQ(size->value(), 8);
    EXPECT_EQ(charset->currentIndex(), 0);
    // An unlisted character set selects none.
    f.FontString = QStringLiteral("Arial,x,5");
    f.GetFontAndSize();
    EXPECT_EQ(face->currentText(), QStringLiteral("Arial"));
    EXPECT_EQ(size->value(), 8);
    EXPECT_EQ(charset->currentIndex(), -1);

    size->setValue(10);
    charset->setCurrentIndex(charset->findText(QStringLiteral("204 RUSSIAN")));
    child<QPushButton>(f, "btnOK")->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.FontString, QStringLiteral("Arial,10,204"));
    EXPECT_EQ(f.fontSize, 10);

    child<QPushButton>(f, "btnDefault")->click();
    child<QPushButton>(f, "btnOK")->click();
    EXPECT_EQ(f.FontString, QStringLiteral(",8,0"));
    EXPECT_TRUE(f.fontName.isEmpty());
}

TEST(WebHelpInterfaceWindow, RowsFilesQuickTranslationAndCancel)
{
    TScriptedMessages messages;
    QTemporaryDir tmp;
    const QString keys = tmp.filePath("languages.txt");
    WriteTextFile(QStringLiteral("// keys\r\nstrings[\"Contents\"] = \"Contents\";\r\nstrings[\"Search\"] = \"Search\";\r\n"
                                 "strings[\"Index\"] = \"Index\";\r\n"),
                  keys, 1);
    TProject project;
    project.WebHelpDictionary.Add(QStringLiteral("search=Suchen"));
    const QStringList before = project.WebHelpDictionary.ToStringList();

    auto open = [&](const std::function<int(TfrmWebHelpInterface &)> &run) {
        TfrmWebHelpInterface d(nullptr, keys);
        d.Dictionary = &project.WebHelpDictionary;
        d.LoadStrings();
        const int r = run(d);
        if (r == QDialog::Accepted) {
            d.SaveDictionary();
            project.ProjectChanged = true;
        }
        return r;
    };

    // A file that is not UTF-8 and has no mark is refused with a message; the rows stay.
    const QString latin1 = tmp.filePath("latin1.tsl");
    {
        QFile f(latin1);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Contents=Inhalt \xE4\xF6\r\n");
    }
    open([&](TfrmWebHelpInterface &d) {
        EXPECT_EQ(d.List.size(), 6);
        EXPECT_EQ(d.List[3]->text(), QStringLiteral("Suchen"));
        EXPECT_TRUE(d.List[2]->isReadOnly());
        d.ChooseOpenFile = [&](const QString &, const QString &start, const QString &) {
            EXPECT_TRUE(start.endsWith(QLatin1String("webhelp/langs")));
            return latin1;
        };
        d.btnLoadClick();
        EXPECT_EQ(messages.Errors().size(), 1);
        EXPECT_TRUE(messages.Errors().value(0).contains(QLatin1String("UTF-8")));
        EXPECT_EQ(d.List[1]->text(), QStringLiteral("Contents"));
        d.List[1]->setText(QStringLiteral("changed"));
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        return d.result();
    });
    EXPECT_EQ(project.WebHelpDictionary.ToStringList(), before);
    EXPECT_FALSE(project.ProjectChanged);

    // Load a partial file, quick-translate with fewer lines, save into the documents folder.
    const QString partial = tmp.filePath("partial.tsl");
    WriteTextFile(QStringLiteral("Index=Stichwort\r\n"), partial, 0);
    const QString saved = tmp.filePath("out.tsl");
    open([&](TfrmWebHelpInterface &d) {
        d.ChooseOpenFile = [&](const QString &, const QString &, const QString &) { return partial; };
        d.btnLoadClick();
        EXPECT_EQ(d.Translations(), QStringList({"Contents", "Suchen", "Stichwort"}));
        d.RunQuickTranslate = [](TfrmQuickTranslate &q) {
            EXPECT_EQ(q.Text(), QStringLiteral("Contents\nSearch\nIndex"));
            q.SetText(QStringLiteral("  Inhalt </script> \n"));
            return int(QDialog::Accepted);
        };
        d.Button1Click();
        EXPECT_EQ(d.Translations(), QStringList({"Inhalt </script>", "Suchen", "Stichwort"}));
        d.ChooseSaveFile = [&](const QString &, const QString &proposal, const QString &) {
            EXPECT_EQ(proposal, ExpandMyDocuments("<My Documents>/newlanguage.tsl"));
            return saved;
        };
        d.btnSaveClick();
        messages.ExpectQuestion(mbNo);
        d.btnRestoreClick();
        EXPECT_EQ(d.Translations().value(2), QStringLiteral("Stichwort"));
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(project.ProjectChanged);
    EXPECT_EQ(project.WebHelpDictionary.ToStringList(),
              QStringList({"Contents=Inhalt </script>", "Search=Suchen", "Index=Stichwort"}));
    EXPECT_EQ(TWebHelpInterfaceLanguage::ReadTslFile(saved), project.WebHelpDictionary.ToStringList());
    // The script the pages read cannot be closed early by a translation.
    TWebHelpInterfaceLanguage lang(keys);
    lang.Dictionary = &project.WebHelpDictionary;
    const QString js = lang.GetLanguageJS();
    EXPECT_FALSE(js.contains(QLatin1String("</script")));
    EXPECT_TRUE(js.contains(QLatin1String("Inhalt \\x3c/script>"))) << js.toStdString();
    EXPECT_TRUE(messages.AllAnswersUsed());
}
