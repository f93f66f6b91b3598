// Help > "How to use..." in the main window: shown when the installation has the program's own
// help, and opening it through the shell with a stand-in opener.
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "project/gui/whelp.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/InstallFolder.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(MainWindow, HowToUseOpensTheInstalledHelpInAViewerOrElseTheBrowser)
{
    // An installation folder as the package makes it: the data of this tree plus the help.
    QTemporaryDir data;
    const QFileInfoList shipped = QDir(GetInstallFolder()).entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries);
    ASSERT_FALSE(shipped.isEmpty());
    for (const QFileInfo &entry : shipped)
        ASSERT_TRUE(QFile::link(entry.absoluteFilePath(), data.filePath(entry.fileName())));

    QTemporaryDir dir;
    TProject project;
    const QString file = dir.filePath("t.tvp");
    project.SaveToIni(file);
    TScriptedMessages msgs;
    TRecordingShell shell;
    shell.noOpenerFor << "chm";

    {
        // The tree's own data has no help: the command is hidden.
        TfrmMain w({file});
        QAction *howTo = w.findChild<QAction *>("miHowToUse");
        ASSERT_TRUE(howTo);
        EXPECT_FALSE(howTo->isVisible());
    }

    TEnvOverride installed("TAVREL_DATA", data.path());
    WriteBytes(data.filePath("zirodev.chm"), "ITSF");
    ASSERT_TRUE(QDir(data.path()).mkpath("zirodev"));
    WriteBytes(data.filePath("zirodev/index.html"), "<html></html>");
    TfrmMain w({file});
    w.show();
    QAction *howTo = w.findChild<QAction *>("miHowToUse");
    ASSERT_TRUE(howTo);
    EXPECT_TRUE(howTo->isVisible());

    // No viewer for compiled help on this desktop: the WebHelp copy opens in the browser.
    howTo->trigger();
    EXPECT_EQ(shell.opened, QStringList{data.filePath("zirodev/index.html")});

    // With a viewer the compiled file opens; when the viewer fails, the browser still gets it.
    shell.noOpenerFor.clear();
    howTo->trigger();
    EXPECT_EQ(shell.opened.last(), data.filePath("zirodev.chm"));
    shell.failing << data.filePath("zirodev.chm");
    howTo->trigger();
    EXPECT_EQ(shell.opened.mid(2), (QStringList{data.filePath("zirodev.chm"), data.filePath("zirodev/index.html")}));
    EXPECT_TRUE(shell.shown.isEmpty());
}
