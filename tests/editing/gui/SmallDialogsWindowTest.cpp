// The small dialogs and the colour field on the offscreen platform.
#include "editing/gui/CSScode.h"
#include "editing/gui/ColorSelector.h"
#include "editing/gui/SelectFontName.h"
#include "editing/gui/SetNavigation.h"
#include "editing/gui/UnableFound.h"
#include "project/Contents.h"
#include "support/Controls.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(SmallDialogsWindow, NavigationPreviewFollowsEveryChange)
{
    TfrmSetNavigation d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Set navigation"));
    d.LoadSetting(DefaultNavSettingText());
    EXPECT_EQ(Child<QLineEdit>(d, "edtStartString")->text(), QStringLiteral("Help > "));
    EXPECT_TRUE(Child<QCheckBox>(d, "cbIncludeTopic")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(d, "cbEndwithDelimiter")->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(d, "edtPreview")->text(), QStringLiteral("Help > Heading1 > Heading2 > Topic"));

    Child<QCheckBox>(d, "cbIncludeTopic")->setChecked(false);
    EXPECT_TRUE(Child<QCheckBox>(d, "cbEndwithDelimiter")->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(d, "edtPreview")->text(), QStringLiteral("Help > Heading1 > Heading2"));
    Child<QCheckBox>(d, "cbEndwithDelimiter")->setChecked(true);
    EXPECT_EQ(Child<QLineEdit>(d, "edtPreview")->text(), QStringLiteral("Help > Heading1 > Heading2 > "));
    // Including the topic again clears and disables the other box.
    Child<QCheckBox>(d, "cbIncludeTopic")->setChecked(true);
    EXPECT_FALSE(Child<QCheckBox>(d, "cbEndwithDelimiter")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(d, "cbEndwithDelimiter")->isEnabled());

    Child<QLineEdit>(d, "edtDelimiter")->clear();
    QTest::keyClicks(Child<QLineEdit>(d, "edtDelimiter"), " / ");
    EXPECT_EQ(Child<QLineEdit>(d, "edtPreview")->text(), QStringLiteral("Help > Heading1 / Heading2 / Topic"));
    EXPECT_EQ(d.GetSettingStr(), QStringLiteral("\"Help > \",\" / \",\"0\",\"1\""));

    d.LoadSetting("\"Start &gt; \",\"&gt;\",\"0\",\"0\"");
    EXPECT_EQ(d.GetSettingStr(), QStringLiteral("\"Start > \",\">\",\"0\",\"0\""));
}

TEST(SmallDialogsWindow, ColourFieldTextAndEnable)
{
    TframSelectColor f;
    f.SetText("#ff8000");
    EXPECT_EQ(f.Text(), QStringLiteral("#ff8000"));
    const QImage swatch = f.btnSelect->icon().pixmap(14, 14).toImage();
    EXPECT_EQ(swatch.pixelColor(7, 7), QColor(255, 128, 0));
    f.SetText("#gg0000");
    EXPECT_NE(f.btnSelect->icon().pixmap(14, 14).toImage().pixelColor(7, 3), QColor(255, 128, 0));

    int changes = 0;
    QObject::connect(&f, &TframSelectColor::Changed, [&] { ++changes; });
    QTest::keyClicks(f.edtColor, "1");
    EXPECT_EQ(changes, 1);

    f.SetEnable(false);
    EXPECT_FALSE(f.edtColor->isEnabled());
    EXPECT_FALSE(f.btnSelect->isEnabled());
    EXPECT_TRUE(f.Text().isEmpty());
    f.SetEnable(true);
    EXPECT_TRUE(f.edtColor->isEnabled());
    EXPECT_TRUE(f.btnSelect->isEnabled());
}

TEST(SmallDialogsWindow, SnippetFontAndTemplateFileDialogs)
{
    TfrmCSSCode css;
    EXPECT_EQ(css.windowTitle(), QStringLiteral("Insert CSS code"));
    ASSERT_GT(Child<QListWidget>(css, "lbCSSList")->count(), 5);
    Child<QListWidget>(css, "lbCSSList")->setCurrentRow(2);
    EXPECT_EQ(css.Code(), Child<QListWidget>(css, "lbCSSList")->item(2)->text());
    Child<QLineEdit>(css, "edtCode")->setText("color: red;");
    EXPECT_EQ(css.Code(), QStringLiteral("color: red;"));

    TfrmSelectFontName fonts;
    EXPECT_EQ(fonts.windowTitle(), QStringLiteral("Font name"));
    ASSERT_GT(Child<QListWidget>(fonts, "lbFontList")->count(), 5);
    Child<QLineEdit>(fonts, "edtFont")->setText("Verdana, Arial, sans-serif");
    const QString html = Child<QLabel>(fonts, "lbPreview")->text();
    EXPECT_TRUE(html.contains("font-family: 'Verdana'\">Verdana</span>"));
    EXPECT_TRUE(html.contains("font-family: 'Arial'\">Arial</span>"));
    EXPECT_TRUE(html.endsWith(", sans-serif"));
    Child<QListWidget>(fonts, "lbFontList")->setCurrentRow(0);
    EXPECT_EQ(fonts.FontName(), Child<QListWidget>(fonts, "lbFontList")->item(0)->text());

    QTemporaryDir dir;
    for (const char *name : {"main.HTML", "other.htm", "style.css"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TfrmUnableFound u;
    EXPECT_EQ(u.windowTitle(), QStringLiteral("Unable to find the template file"));
    u.GetFiles(dir.path());
    EXPECT_EQ(Child<QListWidget>(u, "lbFiles")->count(), 2);
    EXPECT_FALSE(Child<QPushButton>(u, "btnOK")->isEnabled());
    Child<QListWidget>(u, "lbFiles")->setCurrentRow(1);
    EXPECT_TRUE(Child<QPushButton>(u, "btnOK")->isEnabled());
    EXPECT_EQ(u.SelectedName(), QStringLiteral("other.htm"));
}
