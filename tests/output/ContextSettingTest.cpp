// Preset matching and loading of the context map options, and the variable menu.
#include "output/ContextSetting.h"
#include "project/IniFile.h"
#include "text/functions.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {

// Points the installation folder at dir for the scope.
struct DataFolder
{
    explicit DataFolder(const QString &dir) : old(qgetenv("TAVREL_DATA")) { qputenv("TAVREL_DATA", (dir + "/").toLocal8Bit()); }
    ~DataFolder() { qputenv("TAVREL_DATA", old); }
    QByteArray old;
};

void writeUtf16(const QString &path, const QString &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xFF\xFE", 2);
    f.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

} // namespace

TEST(ContextSetting, ShippedPresetsMatchAndLoad)
{
    EXPECT_EQ(ContextPresetNames(), (QStringList{"C#", "VB .NET", "Visual Basic", "C++", "Delphi", "Custom"}));
    QString top, body, bottom;
    LoadContextPreset("C#", top, body, bottom);
    EXPECT_TRUE(top.contains("\r\n"));
    EXPECT_EQ(MatchContextPreset(top, body, bottom), 0);
    // One character more in any piece is "Custom"; taking it away again is the preset.
    EXPECT_EQ(MatchContextPreset(top + "x", body, bottom), 5);
    EXPECT_EQ(MatchContextPreset(top, body + "x", bottom), 5);
    EXPECT_EQ(MatchContextPreset(top, body, bottom + " "), 5);
    EXPECT_EQ(MatchContextPreset(top.toUpper(), body, bottom), 5) << "letter case counts";

    LoadContextPreset("VB .NET", top, body, bottom);
    EXPECT_EQ(MatchContextPreset(top, body, bottom), 1);
    LoadContextPreset("Custom", top, body, bottom);
    EXPECT_TRUE(top.isEmpty() && body.isEmpty() && bottom.isEmpty());
    EXPECT_EQ(MatchContextPreset(top, body, bottom), 5);
}

TEST(ContextSetting, EarlierEqualPresetWinsAndMissingFileGivesCustomOnly)
{
    QTemporaryDir dir;
    DataFolder data(dir.path());
    EXPECT_EQ(ContextPresetNames(), QStringList{"Custom"});
    EXPECT_EQ(MatchContextPreset("a", "b", "c"), 0);

    writeUtf16(dir.filePath("context.dat"),
               "[One]\r\nTopCode=a`13`10b\r\nCodeTemplate=x {%ContextID%}\r\nBottomCode=end\r\n\r\n"
               "[Two]\r\nTopCode=a`13`10b\r\nCodeTemplate=x {%ContextID%}\r\nBottomCode=end\r\n\r\n"
               "[Three]\r\nCodeTemplate=only\r\n");
    EXPECT_EQ(ContextPresetNames(), (QStringList{"One", "Two", "Three", "Custom"}));
    EXPECT_EQ(MatchContextPreset("a\r\nb", "x {%ContextID%}", "end"), 0);
    // Missing keys count as empty texts.
    EXPECT_EQ(MatchContextPreset("", "only", ""), 2);
    // The file is read on every call.
    writeUtf16(dir.filePath("context.dat"), "[Two]\r\nTopCode=a`13`10b\r\nCodeTemplate=x {%ContextID%}\r\nBottomCode=end\r\n");
    EXPECT_EQ(MatchContextPreset("a\r\nb", "x {%ContextID%}", "end"), 0);
    EXPECT_EQ(ContextPresetNames(), (QStringList{"Two", "Custom"}));
}

TEST(ContextSetting, EncodingsAndVariables)
{
    EXPECT_EQ(ContextEncodingNames()[ContextEncodingIndex(3)], QStringLiteral("UTF-8"));
    EXPECT_EQ(ContextEncodingIndex(4), -1);
    EXPECT_EQ(ContextEncodingIndex(-1), -1);
    EXPECT_EQ(ContextVariable(2), QStringLiteral("{%ContextID%}"));
    EXPECT_EQ(ContextVariable(5), QStringLiteral("{%Tab%}"));
    EXPECT_TRUE(ContextVariable(6).isEmpty());
    EXPECT_EQ(ContextVariableCaptions().size(), 5);
}
