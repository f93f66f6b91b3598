// "How to use...": which form of the installed help opens, with a stand-in opener.
#include "project/OwnHelp.h"
#include "project/ProjectTestSupport.h"
#include "support/TestDoubles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(OwnHelp, FoundInTheInstallationFolder)
{
    QTemporaryDir data;
    TEnvOverride d("TAVREL_DATA", data.path());
    EXPECT_FALSE(FindOwnHelp().Installed());

    // A folder of that name is not the help file.
    QDir(data.path()).mkpath("zirodev.chm");
    QDir(data.path()).mkpath("zirodev");
    WriteBytes(data.filePath("zirodev/index.htm"), "<html></html>");
    TOwnHelp help = FindOwnHelp();
    EXPECT_TRUE(help.Compiled.isEmpty());
    EXPECT_EQ(help.WebStart, data.filePath("zirodev/index.htm"));

    QDir(data.path()).rmdir("zirodev.chm");
    WriteBytes(data.filePath("zirodev.chm"), "ITSF");
    WriteBytes(data.filePath("zirodev/index.html"), "<html></html>");
    help = FindOwnHelp();
    EXPECT_EQ(help.Compiled, data.filePath("zirodev.chm"));
    EXPECT_EQ(help.WebStart, data.filePath("zirodev/index.html")) << "the page the help build writes wins";
}

TEST(OwnHelp, CompiledWithAViewerElseTheWebHelpInTheBrowser)
{
    const QString chm = "/usr/share/tavrel/zirodev.chm", web = "/usr/share/tavrel/zirodev/index.html";
    struct Case
    {
        const char *what;
        bool hasChm, hasWeb, viewer;
        QStringList failing;
        QString opened;      // what OpenOwnHelp reports
        QStringList tried;   // what reached the opener, in order
    };
    const Case cases[] = {
        {"a viewer for .chm", true, true, true, {}, chm, {chm}},
        {"no viewer: the browser", true, true, false, {}, web, {web}},
        {"the viewer fails", true, true, true, {chm}, web, {chm, web}},
        {"no viewer, no WebHelp: tried anyway", true, false, false, {}, chm, {chm}},
        {"WebHelp only", false, true, true, {}, web, {web}},
        {"no viewer and the browser fails", true, true, false, {web}, chm, {web, chm}},
        {"everything fails", true, true, true, {chm, web}, QString(), {chm, web}},
        {"nothing installed", false, false, true, {}, QString(), {}},
    };
    for (const Case &c : cases) {
        TRecordingShell shell;
        if (!c.viewer)
            shell.noOpenerFor << "chm";
        shell.failing = c.failing;
        TOwnHelp help{c.hasChm ? chm : QString(), c.hasWeb ? web : QString()};
        EXPECT_EQ(OpenOwnHelp(help, shell), c.opened) << c.what;
        EXPECT_EQ(shell.opened, c.tried) << c.what;
    }
}
