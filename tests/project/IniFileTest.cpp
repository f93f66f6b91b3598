// The lenient INI reader and the UTF-16 writer.
#include "project/IniFile.h"
#include "ProjectTestSupport.h"

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(IniFile, ReadingIsLenientAboutCaseBlanksCommentsAndDuplicates)
{
    TMemIniFile ini(QStringLiteral(
        "orphan=before any section\r\n"
        "  [ General ]  \r\n"
        "  Title =  My help  \r\n"
        "; Title=commented out\r\n"
        "TITLE=second one loses\r\n"
        "no separator line\n"
        "Empty=\r"
        "Nav=\"a\",\"b\"\r\n"
        "[other]\r\n"
        "x=1\r\n"
        "[GENERAL]\r\n"
        "Late=from the repeated section\r\n"
        "title=repeated section loses too\r\n"));
    EXPECT_TRUE(ini.SectionExists("general"));
    EXPECT_TRUE(ini.SectionExists("OTHER"));
    EXPECT_EQ(ini.Sections(), (QStringList{"General", "other"}));
    EXPECT_EQ(ini.ReadString("GENERAL", "title", "-"), "My help");
    EXPECT_EQ(ini.ReadString("general", "Empty", "-"), "");
    EXPECT_TRUE(ini.ValueExists("general", "empty"));
    // Quotes are part of the value: the navigation setting starts and ends with one.
    EXPECT_EQ(ini.ReadString("general", "Nav", "-"), "\"a\",\"b\"");
    EXPECT_EQ(ini.ReadString("general", "Late", "-"), "from the repeated section");
    EXPECT_EQ(ini.ReadString("general", "orphan", "-"), "-");
    EXPECT_EQ(ini.ReadString("general", "no separator line", "-"), "-");
    EXPECT_EQ(ini.ReadString("missing", "Title", "-"), "-");
    EXPECT_EQ(ini.SectionKeys("general"), (QStringList{"Title", "Empty", "Nav", "Late"}));
}

TEST(IniFile, NumbersAndBooleansFallBackToTheAbsentValue)
{
    TMemIniFile ini(QStringLiteral("[s]\nd=42\nn=-17\nh=$1F\nx=0x10\nbig=2147483648\nmin=-2147483648\n"
                                   "word=abc\nhalf=12abc\nempty=\nf=0\nt=1\nother=-3\nyes=yes\n"));
    EXPECT_EQ(ini.ReadInteger("s", "d", 5), 42);
    EXPECT_EQ(ini.ReadInteger("s", "n", 5), -17);
    EXPECT_EQ(ini.ReadInteger("s", "h", 5), 31);
    EXPECT_EQ(ini.ReadInteger("s", "x", 5), 16);
    EXPECT_EQ(ini.ReadInteger("s", "big", 5), 5);
    EXPECT_EQ(ini.ReadInteger("s", "min", 5), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("s", "word", 5), 5);
    EXPECT_EQ(ini.ReadInteger("s", "half", 5), 5);
    EXPECT_EQ(ini.ReadInteger("s", "empty", 5), 5);
    EXPECT_EQ(ini.ReadInteger("s", "missing", 5), 5);
    EXPECT_FALSE(ini.ReadBool("s", "f", true));
    EXPECT_TRUE(ini.ReadBool("s", "t", false));
    EXPECT_TRUE(ini.ReadBool("s", "other", false));
    EXPECT_TRUE(ini.ReadBool("s", "yes", true));
    EXPECT_FALSE(ini.ReadBool("s", "yes", false));
    EXPECT_TRUE(ini.ReadBool("s", "missing", true));
}

TEST(IniFile, TheByteOrderMarkOrTheBytesChooseTheEncoding)
{
    const QString text = QStringLiteral("[s]\r\nk=Grüße €\r\n");
    const QString expected = QStringLiteral("Grüße €");
    auto read = [](const QByteArray &bytes, TIniEncoding hint = TIniEncoding::System) {
        TMemIniFile ini;
        ini.LoadFromBytes(bytes, hint);
        return ini.ReadString("s", "k", "-");
    };
    EXPECT_EQ(read(Utf16File(text)), expected);
    QByteArray be("\xFE\xFF", 2);
    for (QChar c : text) {
        be.append(char(c.unicode() >> 8));
        be.append(char(c.unicode() & 0xFF));
    }
    EXPECT_EQ(read(be), expected);
    EXPECT_EQ(read("\xEF\xBB\xBF" + text.toUtf8()), expected);
    EXPECT_EQ(read(text.toUtf8()), expected);
    // Not UTF-8: the system code page (CP1252 for the tests' en_US locale).
    EXPECT_EQ(read(QByteArray("[s]\r\nk=caf\xE9 \x80\r\n")), QStringLiteral("café €"));
    // A data file that lost its mark is still UTF-16 LE.
    QByteArray bare = Utf16File(text).mid(2);
    EXPECT_EQ(read(bare, TIniEncoding::Utf16LE), expected);
    EXPECT_EQ(read(text.toUtf8(), TIniEncoding::Utf16LE), expected);
}

TEST(IniFile, WriterEncodesUtf16WithMarkAndKeepsEachValueOnItsLine)
{
    TIniWriter w;
    w.AddSection("GENERAL");
    w.AddString("Title", "two\r\nlines\n\nNavSetting=injected");
    w.AddBool("On", true);
    w.AddBool("Off", false);
    w.AddInteger("N", -5);
    w.AddEmptyLine();
    const QByteArray bytes = w.ToUtf16LE();
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_EQ(text, "[GENERAL]\r\nTitle=two lines NavSetting=injected\r\nOn=1\r\nOff=0\r\nN=-5\r\n\r\n");
    TMemIniFile back;
    back.LoadFromBytes(bytes);
    EXPECT_EQ(back.SectionKeys("GENERAL"), (QStringList{"Title", "On", "Off", "N"}));
}
