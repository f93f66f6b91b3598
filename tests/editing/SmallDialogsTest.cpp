// The rules of the small setting dialogs: navigation string and preview, colour text form,
// font preview runs, the data files.
#include "editing/SmallDialogs.h"
#include "project/Contents.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;

TEST(SmallDialogs, NavigationStringAndPreview)
{
    TNavFields f = LoadNavFields(DefaultNavSettingText());
    EXPECT_EQ(f.StartString, QStringLiteral("Help > "));
    EXPECT_EQ(f.Delimiter, QStringLiteral(" > "));
    EXPECT_FALSE(f.EndWithDelimiter);
    EXPECT_TRUE(f.IncludeTopic);
    EXPECT_FALSE(EndWithDelimiterEnabled(f));
    EXPECT_EQ(NavPreview(f), QStringLiteral("Help > Heading1 > Heading2 > Topic"));
    EXPECT_EQ(NavSettingString(f), DefaultNavSettingText());

    f.IncludeTopic = false;
    EXPECT_TRUE(EndWithDelimiterEnabled(f));
    EXPECT_EQ(NavPreview(f), QStringLiteral("Help > Heading1 > Heading2"));
    f.EndWithDelimiter = true;
    EXPECT_EQ(NavPreview(f), QStringLiteral("Help > Heading1 > Heading2 > "));
    EXPECT_EQ(NavSettingString(f), QStringLiteral("\"Help > \",\" > \",\"1\",\"0\""));

    // Character references are shown and saved back decoded.
    f = LoadNavFields(QStringLiteral("\"Home &gt; \",\" &gt; \",\"0\",\"0\""));
    EXPECT_EQ(f.StartString, QStringLiteral("Home > "));
    EXPECT_EQ(NavSettingString(f), QStringLiteral("\"Home > \",\" > \",\"0\",\"0\""));
}

TEST(SmallDialogs, ColourTextForm)
{
    EXPECT_EQ(TextToColor("#ff8000"), QColor(255, 128, 0));
    EXPECT_EQ(ColorToText(TextToColor("#ff8000")), QStringLiteral("#FF8000"));
    EXPECT_EQ(TextToColor("ff8000"), QColor(255, 128, 0));
    EXPECT_EQ(TextToColor("#ff80"), QColor(0, 0, 0));
    EXPECT_EQ(TextToColor(""), QColor(0, 0, 0));
    EXPECT_FALSE(TextToColor("#gg0000").isValid());
    // Signs and blanks that a number parser would take are not colour digits.
    EXPECT_FALSE(TextToColor("#+f0000").isValid());
    EXPECT_FALSE(TextToColor("# f0000").isValid());
    // Only the first six digits count; "#" anywhere is dropped.
    EXPECT_EQ(TextToColor("#00#11#22zz"), QColor(0, 0x11, 0x22));
    EXPECT_EQ(ColorToText(QColor(1, 2, 255)), QStringLiteral("#0102FF"));
}

TEST(SmallDialogs, FontPreviewRuns)
{
    const QString text = QStringLiteral("Verdana, Arial, sans-serif");
    const QList<TFontRun> runs = FontPreviewRuns(text);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(text.mid(runs[0].Start, runs[0].Length), QStringLiteral("Verdana"));
    EXPECT_EQ(runs[0].Font, QStringLiteral("Verdana"));
    EXPECT_EQ(text.mid(runs[1].Start, runs[1].Length), QStringLiteral("Arial"));
    EXPECT_EQ(runs[1].Start, 9);

    const QList<TFontRun> quoted = FontPreviewRuns(QStringLiteral(" \"Courier New\" ,,mono"));
    ASSERT_EQ(quoted.size(), 1);
    EXPECT_EQ(quoted[0].Start, 1);
    EXPECT_EQ(quoted[0].Length, 13);
    EXPECT_EQ(quoted[0].Font, QStringLiteral("Courier New"));
    EXPECT_TRUE(FontPreviewRuns(QStringLiteral("serif")).isEmpty());
}

TEST(SmallDialogs, DataFilesAndTemplateFiles)
{
    const QStringList css = LoadDataLines("css.dat");
    EXPECT_GE(css.size(), 10);
    const QStringList fonts = LoadDataLines("fonts.dat");
    ASSERT_GE(fonts.size(), 5);
    EXPECT_TRUE(fonts.contains(QStringLiteral("Verdana, Arial, Helvetica, sans-serif")));
    for (const QString &l : css + fonts)
        EXPECT_FALSE(l.contains('\r'));
    EXPECT_TRUE(LoadDataLines("no-such.dat").isEmpty());

    QTemporaryDir dir;
    for (const char *name : {"b.HTM", "a.html", "c.txt", "page.html.bak", "d.htm"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir().mkpath(dir.filePath("sub.html"));
    EXPECT_EQ(TemplateHtmlFiles(dir.path()), (QStringList{"a.html", "b.HTM", "d.htm"}));
    EXPECT_TRUE(TemplateHtmlFiles(dir.filePath("missing")).isEmpty());
}
