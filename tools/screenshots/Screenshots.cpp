// Pictures of the main window's pages and of the dialogs for the documentation. Runs only when
// TAVREL_SCREENSHOTS names a folder to write them to (under Xvfb, for real window decorations
// and fonts); otherwise skipped.
#include "editing/gui/CSScode.h"
#include "editing/gui/SelectFontName.h"
#include "editing/gui/SetNavigation.h"
#include "editing/gui/UnableFound.h"
#include "output/gui/ContextSetting.h"
#include "project/ProjectSetting.h"
#include "project/gui/NewProject.h"
#include "project/gui/whelp.h"
#include "support/ScriptedMessages.h"
#include "support/Controls.h"
#include "Shoot.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;


TEST(Screenshots, MainWindowPagesAndDialogs)
{
    TAVREL_NEEDS_SHOT_FOLDER();
    const QString project = qEnvironmentVariable("TAVREL_SCREENSHOT_PROJECT");
    ASSERT_TRUE(QFileInfo(project).isFile()) << "TAVREL_SCREENSHOT_PROJECT names the project to show";

    TfrmMain w({project});
    w.resize(860, 640);
    const char *pages[] = {"source", "common", "htmlhelp", "webhelp", "pdf", "build"};
    for (int i = 0; i < 6; ++i) {
        Child<QTabWidget>(w, "PageControl1")->setCurrentIndex(i);
        Shoot(w, QStringLiteral("main-") + pages[i]);
    }
    Child<QTabWidget>(w, "PageControl1")->setCurrentIndex(0);

    TfrmNewProject wizard(&w);
    Child<QLineEdit>(wizard, "edtProjectPosition")->setText(QDir::homePath() + "/Documents/Tavrel for Word/Project1/");
    Child<QLineEdit>(wizard, "edtFilename")->setText("help");
    Shoot(wizard, "wizard-position");
    wizard.btnBackClick(2);
    Shoot(wizard, "wizard-document");
    wizard.hide();

    TfrmSetNavigation nav(&w);
    nav.LoadSetting(w.Project().NavSetting);
    Shoot(nav, "dialog-navigation");
    nav.hide();

    TfrmContextSetting ctx(&w);
    ctx.SetTopCode(w.Project().HtmlHelpContextTopCode);
    ctx.SetBottomCode(w.Project().HtmlHelpContextBottomCode);
    ctx.SetCodeTemplate(w.Project().HtmlHelpContextCodeTemplate);
    ctx.SetEncoding(w.Project().HtmlHelpContextEncoding);
    Shoot(ctx, "dialog-context");
    ctx.hide();

    TfrmCSSCode css(&w);
    Child<QListWidget>(css, "lbCSSList")->setCurrentRow(0);
    Shoot(css, "dialog-css");
    css.hide();

    TfrmSelectFontName fonts(&w);
    Child<QListWidget>(fonts, "lbFontList")->setCurrentRow(0);
    Shoot(fonts, "dialog-fonts");
    fonts.hide();

    QTemporaryDir dir;
    for (const char *name : {"index.htm", "page.html", "topic.htm"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TfrmUnableFound unable(&w);
    unable.GetFiles(dir.path());
    Child<QListWidget>(unable, "lbFiles")->setCurrentRow(1);
    Shoot(unable, "dialog-unablefound");
    unable.hide();

    std::unique_ptr<QMessageBox> about(CreateAboutBox(&w));
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Tavrel for Word"));
    Shoot(*about, "dialog-about");
    about->hide();
    EXPECT_TRUE(SplashPixmap().save(ShotFile("splash")));

    w.Project().ProjectChanged = false;
    w.close();
}
