// The wizard's pages and buttons on the offscreen platform.
#include "project/ProjectTestSupport.h"
#include "project/gui/NewProject.h"
#include "support/ScriptedMessages.h"

#include "ui_NewProject.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(NewProjectWindow, BackNextFinishAndTheReplaceQuestion)
{
    QTemporaryDir dir;
    TScriptedMessages msgs;
    TfrmNewProject w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("New Project Wizard"));
    EXPECT_EQ(w.ui->PageControl1->currentIndex(), 0);
    EXPECT_FALSE(w.ui->btnBack->isEnabled());
    EXPECT_EQ(w.ui->btnNext->text(), QStringLiteral("Next >"));
    EXPECT_EQ(w.ui->lbTitle->text(), QStringLiteral("Place the project"));
    // Only the ways that exist are offered, a new document from an outline chosen.
    EXPECT_TRUE(w.ui->rb2->isChecked());
    EXPECT_FALSE(w.ui->rb1->isHidden());
    EXPECT_FALSE(w.ui->rb2->isHidden());
    EXPECT_TRUE(w.ui->rb3->isHidden());

    w.ui->edtProjectPosition->setText(dir.path());
    w.ui->edtFilename->setText("help");
    QTest::mouseClick(w.ui->btnNext, Qt::LeftButton);
    EXPECT_EQ(w.ui->PageControl1->currentIndex(), 1);
    EXPECT_TRUE(w.ui->btnBack->isEnabled());
    EXPECT_EQ(w.ui->btnNext->text(), QStringLiteral("Finish"));
    EXPECT_EQ(w.ui->lbTitle->text(), QStringLiteral("Set the Word document"));

    QTest::mouseClick(w.ui->btnBack, Qt::LeftButton);
    EXPECT_EQ(w.ui->PageControl1->currentIndex(), 0);
    EXPECT_EQ(w.ui->btnNext->text(), QStringLiteral("Next >"));
    EXPECT_EQ(w.ui->lbDescription->text(), QStringLiteral("Set the position where you want to save the project file."));

    WriteBytes(dir.filePath("help.tvp"), "old");
    msgs.ExpectQuestion(mbNo);
    QTest::mouseClick(w.ui->btnNext, Qt::LeftButton);
    EXPECT_EQ(w.ui->PageControl1->currentIndex(), 0);
    msgs.ExpectQuestion(mbYes);
    QTest::mouseClick(w.ui->btnNext, Qt::LeftButton);
    EXPECT_EQ(w.ui->PageControl1->currentIndex(), 1);
    EXPECT_EQ(msgs.Questions().size(), 2);

    w.show();
    QTest::mouseClick(w.ui->btnNext, Qt::LeftButton);
    EXPECT_EQ(w.result(), int(QDialog::Accepted));

    // Without "Cancel" the wizard cannot be escaped either.
    TfrmNewProject forced;
    forced.ui->btnCancel->setEnabled(false);
    forced.show();
    QTest::keyClick(&forced, Qt::Key_Escape);
    EXPECT_TRUE(forced.isVisible());
    forced.ui->btnCancel->setEnabled(true);
    QTest::keyClick(&forced, Qt::Key_Escape);
    EXPECT_FALSE(forced.isVisible());
    EXPECT_EQ(forced.result(), int(QDialog::Rejected));
    EXPECT_EQ(ReadBytes(dir.filePath("help.tvp")), QByteArray("old"));
}
