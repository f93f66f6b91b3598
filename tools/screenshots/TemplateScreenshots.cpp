// Pictures of the template chooser and editor with their rendered previews, for the
// documentation. Runs only when TAVREL_SCREENSHOTS names a folder (under Xvfb); else skipped.
#include "Shoot.h"
#include "editing/ChooseTemplate.h"
#include "editing/gui/ChooseTemplate.h"
#include "editing/gui/HTMLEditor.h"
#include "editing/gui/PreviewView.h"
#include "output/Template.h"
#include "support/ScriptedMessages.h"
#include "text/InstallFolder.h"

#include <QDir>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {
void waitForPreview(TPreviewView *preview, QSignalSpy &spy)
{
    if (spy.isEmpty())
        spy.wait(30000);
    // The page has loaded; give the compositor a moment to paint it.
    QTest::qWait(1500);
    (void)preview;
}
} // namespace

TEST(TemplateScreenshots, ChooserAndEditorWithPreviews)
{
    TAVREL_NEEDS_SHOT_FOLDER();
    test::TScriptedMessages messages;

    QByteArray stream;
    TemplateFileToStream(InstallPath("templates/fixedtop/fixedtop.htm"), stream);
    QString folder;
    const QString current = UnpackTemplateCopy(stream, folder);
    {
        TfrmChooseTemplate d;
        d.TemplateType = "WebHelp";
        d.CurrentTemplate = current;
        d.resize(900, 560);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        QSignalSpy spy(d.Preview(), &TPreviewView::LoadFinished);
        d.LoadTemplate();
        auto *list = d.findChild<QListWidget *>("lbTemplateName");
        spy.clear();
        list->setCurrentRow(2);
        waitForPreview(d.Preview(), spy);
        EXPECT_TRUE(d.grab().save(test::ShotFile("dialog-choosetemplate")));
    }
    {
        TfrmHTMLEditor d;
        d.resize(980, 640);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        QSignalSpy spy(d.Preview(), &TPreviewView::LoadFinished);
        ASSERT_TRUE(d.Open(&stream));
        waitForPreview(d.Preview(), spy);
        EXPECT_TRUE(d.grab().save(test::ShotFile("dialog-templateeditor")));
        auto *files = d.findChild<QListWidget *>("lbFiles");
        const auto found = files->findItems("fixedtop.css", Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty());
        files->setCurrentItem(found.first());
        QTest::qWait(300);
        EXPECT_TRUE(d.grab().save(test::ShotFile("dialog-templateeditor-source")));
    }
    QDir(folder).removeRecursively();
}
