// The wizard's pages and buttons on the offscreen platform.
#include "project/ProjectTestSupport.h"
#include "project/gui/NewProject.h"
#include "support/ScriptedMessages.h"
#include "support/Controls.h"

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
    EXPECT_EQ(Child<QStackedWidget>(w, "PageControl1")->currentIndex(), 0);
    EXPECT_FALSE(Child<QPushButton>(w, "btnBack")->isEnabled());
    EXPECT_EQ(Child<QPushButton>(w, "btnNext")->text(), QStringLiteral("Next >"));
    EXPECT_EQ(Child<QLabel>(w, "lbTitle")->text(), QStringLiteral("Place the project"));
    // The three ways are offered, a new document from an outline chosen.
    EXPECT_TRUE(Child<QRadioButton>(w, "rb2")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(w, "rb1")->isHidden());
    EXPECT_FALSE(Child<QRadioButton>(w, "rb2")->isHidden());
    EXPECT_FALSE(Child<QRadioButton>(w, "rb3")->isHidden());

    Child<QLineEdit>(w, "edtProjectPosition")->setText(dir.path());
    Child<QLineEdit>(w, "edtFilename")->setText("help");
    QTest::mouseClick(Child<QPushButton>(w, "btnNext"), Qt::LeftButton);
    EXPECT_EQ(Child<QStackedWidget>(w, "PageControl1")->currentIndex(), 1);
    EXPECT_TRUE(Child<QPushButton>(w, "btnBack")->isEnabled());
    EXPECT_EQ(Child<QPushButton>(w, "btnNext")->text(), QStringLiteral("Finish"));
    EXPECT_EQ(Child<QLabel>(w, "lbTitle")->text(), QStringLiteral("Set the Word document"));

    QTest::mouseClick(Child<QPushButton>(w, "btnBack"), Qt::LeftButton);
    EXPECT_EQ(Child<QStackedWidget>(w, "PageControl1")->currentIndex(), 0);
    EXPECT_EQ(Child<QPushButton>(w, "btnNext")->text(), QStringLiteral("Next >"));
    EXPECT_EQ(Child<QLabel>(w, "lbDescription")->text(), QStringLiteral("Set the position where you want to save the project file."));

    WriteBytes(dir.filePath("help.tvp"), "old");
    msgs.ExpectQuestion(mbNo);
    QTest::mouseClick(Child<QPushButton>(w, "btnNext"), Qt::LeftButton);
    EXPECT_EQ(Child<QStackedWidget>(w, "PageControl1")->currentIndex(), 0);
    msgs.ExpectQuestion(mbYes);
    QTest::mouseClick(Child<QPushButton>(w, "btnNext"), Qt::LeftButton);
    EXPECT_EQ(Child<QStackedWidget>(w, "PageControl1")->currentIndex(), 1);
    EXPECT_EQ(msgs.Questions().size(), 2);

    w.show();
    QTest::mouseClick(Child<QPushButton>(w, "btnNext"), Qt::LeftButton);
    EXPECT_EQ(w.result(), int(QDialog::Accepted));

    // Without "Cancel" the wizard cannot be escaped either.
    TfrmNewProject forced;
    Child<QPushButton>(forced, "btnCancel")->setEnabled(false);
    forced.show();
    QTest::keyClick(&forced, Qt::Key_Escape);
    EXPECT_TRUE(forced.isVisible());
    Child<QPushButton>(forced, "btnCancel")->setEnabled(true);
    QTest::keyClick(&forced, Qt::Key_Escape);
    EXPECT_FALSE(forced.isVisible());
    EXPECT_EQ(forced.result(), int(QDialog::Rejected));
    EXPECT_EQ(ReadBytes(dir.filePath("help.tvp")), QByteArray("old"));
}
