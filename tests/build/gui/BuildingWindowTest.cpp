// The building window: it follows the build's progress and closes with its result.
#include "build/BuildProject.h"
#include "build/BuildStandIns.h"
#include "build/gui/Building.h"
#include "support/ScriptedMessages.h"

#include <QProgressBar>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(BuildingWindow, FollowsTheBuildAndClosesWithItsResult)
{
    TProject project;
    setOutputs(project, true, true, true);
    {
        TfrmBuilding form(project, nullptr,
                          [](TProject &p) { return std::unique_ptr<Tbuild>(std::make_unique<TStandInBuild>(&p)); });
        EXPECT_EQ(form.windowTitle(), "Building...");
        EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(form.ProgressBar1->maximum(), 100);
        // The thread is running already; closing by the system's command does nothing.
        form.close();
        EXPECT_EQ(form.exec(), QDialog::Accepted);
        EXPECT_EQ(form.ProgressBar1->value(), 100);
        EXPECT_TRUE(form.ErrorMsg.isEmpty());
        EXPECT_TRUE(form.Outcome.Ok);
    }
    {
        TfrmBuilding form(project, nullptr, [&](TProject &p) {
            auto b = std::make_unique<TStandInBuild>(&p);
            b->failAt = "webhelp";
            return std::unique_ptr<Tbuild>(std::move(b));
        });
        EXPECT_EQ(form.exec(), QDialog::Rejected);
        EXPECT_EQ(form.ErrorMsg, "Error occured when building!\r\n\r\nTaskType: 2 TaskPos: 26\r\nstand-in failure in webhelp");
        EXPECT_EQ(form.ProgressBar1->value(), 59);
    }
    {
        // Through BuildProject, as the main window runs it.
        TSavedProject s;
        TScriptedMessages messages;
        TDialogBuildRunner runner;
        runner.Factory = [](TProject &p) { return std::unique_ptr<Tbuild>(std::make_unique<TStandInBuild>(&p)); };
        EXPECT_EQ(BuildProject(s.project, runner).Result, TBuildReport::Completed);
        EXPECT_EQ(messages.Infos().last(), "The build is completed!");
    }
}
