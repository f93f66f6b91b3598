// The context map options dialog on the offscreen platform.
#include "output/ContextSetting.h"
#include "output/gui/ContextSetting.h"
#include "project/ProjectSetting.h"
#include "support/Controls.h"

#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(ContextSettingWindow, PresetAndCustomSwitchingAndVariables)
{
    QString top, bottom, body;
    GetContextCodeDefaults(top, bottom, body);
    TfrmContextSetting d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Context map options"));
    d.SetTopCode(top);
    d.SetBottomCode(bottom);
    d.SetCodeTemplate(body);
    d.SetEncoding(3);
    EXPECT_EQ(Child<QComboBox>(d, "cbProgramLanguage")->currentText(), QStringLiteral("C#"));
    EXPECT_EQ(Child<QComboBox>(d, "cbContextEncoding")->currentText(), QStringLiteral("UTF-8"));
    EXPECT_EQ(d.TopCode(), top) << "line ends come back as stored";

    // One character more is "Custom"; taking it away is the preset again.
    Child<QPlainTextEdit>(d, "mmTopCode")->moveCursor(QTextCursor::End);
    QTest::keyClicks(Child<QPlainTextEdit>(d, "mmTopCode"), "x");
    EXPECT_EQ(Child<QComboBox>(d, "cbProgramLanguage")->currentText(), QStringLiteral("Custom"));
    QTest::keyClick(Child<QPlainTextEdit>(d, "mmTopCode"), Qt::Key_Backspace);
    EXPECT_EQ(Child<QComboBox>(d, "cbProgramLanguage")->currentText(), QStringLiteral("C#"));

    // Choosing a preset loads its pieces and leaves the encoding alone; "Custom" empties them.
    const int vb = Child<QComboBox>(d, "cbProgramLanguage")->findText("VB .NET");
    Child<QComboBox>(d, "cbProgramLanguage")->setCurrentIndex(vb);
    Q_EMIT Child<QComboBox>(d, "cbProgramLanguage")->activated(vb);
    QString vbTop, vbBody, vbBottom;
    LoadContextPreset("VB .NET", vbTop, vbBody, vbBottom);
    EXPECT_EQ(d.TopCode(), vbTop);
    EXPECT_EQ(d.CodeTemplate(), vbBody);
    EXPECT_EQ(Child<QComboBox>(d, "cbProgramLanguage")->currentText(), QStringLiteral("VB .NET"));
    EXPECT_EQ(d.Encoding(), 3);
    const int custom = Child<QComboBox>(d, "cbProgramLanguage")->count() - 1;
    Child<QComboBox>(d, "cbProgramLanguage")->setCurrentIndex(custom);
    Q_EMIT Child<QComboBox>(d, "cbProgramLanguage")->activated(custom);
    EXPECT_TRUE(d.TopCode().isEmpty() && d.CodeTemplate().isEmpty() && d.BottomCode().isEmpty());
    EXPECT_EQ(Child<QComboBox>(d, "cbProgramLanguage")->currentText(), QStringLiteral("Custom"));

    // Variables go in at the caret, replacing the selection, and stay selected.
    d.SetCodeTemplate("x");
    Child<QLineEdit>(d, "edtCodeTemplate")->setCursorPosition(1);
    d.PopupMenu1->actions()[1]->trigger();
    EXPECT_EQ(d.CodeTemplate(), QStringLiteral("x{%ContextID%}"));
    EXPECT_EQ(Child<QLineEdit>(d, "edtCodeTemplate")->selectedText(), QStringLiteral("{%ContextID%}"));
    d.SetCodeTemplate("abc");
    Child<QLineEdit>(d, "edtCodeTemplate")->setSelection(1, 1);
    d.PopupMenu1->actions()[4]->trigger();
    EXPECT_EQ(d.CodeTemplate(), QStringLiteral("a{%Tab%}c"));

    // A stored encoding outside the list selects none, and OK then gives -1.
    d.SetEncoding(7);
    EXPECT_EQ(d.Encoding(), -1);
}
