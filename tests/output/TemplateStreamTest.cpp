// Template streams: the entry format, packing with the gray-button rule, unpacking inside the
// target folder only, and the hexadecimal text form.
#include "output/Template.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <ostream>

using namespace tavrel;
using namespace tavrel::test;

static void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

void put(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray get(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Relative path -> bytes of every file under folder.
std::map<QString, QByteArray> tree(const QString &folder)
{
    std::map<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        out[QDir(folder).relativeFilePath(f)] = get(f);
    }
    return out;
}

QByteArray le64(qint64 v)
{
    char b[8];
    qToLittleEndian(v, b);
    return QByteArray(b, 8);
}

} // namespace

TEST(TemplateStream, EntriesAreLittleEndianLengthsUtf16NamesAndRawData)
{
    QByteArray s;
    AppendTemplateEntry(s, "images\\ä.gif", QByteArray("\x00\x01", 2));
    QByteArray expected = le64(12);
    for (QChar c : QStringLiteral("images\\ä.gif")) {
        expected.append(char(c.unicode() & 0xFF));
        expected.append(char(c.unicode() >> 8));
    }
    expected += le64(2) + QByteArray("\x00\x01", 2);
    EXPECT_EQ(s, expected);
    AppendTemplateEntry(s, "empty.txt", "");
    const auto entries = ReadTemplateEntries(s);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, "images\\ä.gif");
    EXPECT_EQ(entries[0].Data, QByteArray("\x00\x01", 2));
    EXPECT_EQ(entries[1].Name, "empty.txt");
    EXPECT_TRUE(entries[1].Data.isEmpty());
    EXPECT_EQ(GetTemplateMainFile(s), "images\\ä.gif");
    EXPECT_EQ(GetTemplateMainFile(QByteArray()), "");
    EXPECT_TRUE(ReadTemplateEntries(QByteArray()).empty());
}

TEST(TemplateStream, DamagedStreamsFailWithAMessageAndNoHugeAllocation)
{
    QByteArray good;
    AppendTemplateEntry(good, "a.htm", "abc");
    auto message = [](const QByteArray &s) -> QString {
        try {
            ReadTemplateEntries(s);
        } catch (const Exception &e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_TRUE(message(good.left(5)).contains("entry 1"));                 // inside the name length
    EXPECT_TRUE(message(good.left(good.size() - 1)).contains("more data"));  // data cut short
    EXPECT_TRUE(message(good + good.left(20)).contains("entry 2"));
    EXPECT_TRUE(message(le64(qint64(1) << 62) + "xx").contains("name longer"));
    EXPECT_TRUE(message(le64(-1)).contains("name"));
    EXPECT_TRUE(message(le64(1) + QByteArray("a\0", 2) + le64(std::numeric_limits<qint64>::max())).contains("more data"));
    EXPECT_TRUE(message(le64(1) + QByteArray("a\0", 2) + le64(-5)).contains("more data"));
    EXPECT_EQ(GetTemplateMainFile(le64(1000) + "ab"), "");
}

TEST(TemplateStream, PackingFollowsReferencesAddsGrayButtonsAndLeavesOutsideFilesOut)
{
    QTemporaryDir root;
    const QString t = root.path() + "/tpl/";
    put(t + "main.htm",
        "<html><head><link rel=\"stylesheet\" href=\"css/site.css\"></head><body>"
        "<img src=\"btn_prev_n.gif\"><img src=\"images/btn_next_n.png\">"
        "<img src=\"../shared/logo.gif\"><a href=\"sub/page.htm\">x</a><img src=\"missing.gif\">"
        "</body></html>");
    put(t + "css/site.css", "body { background: url(../images/back.jpg); } h1 { background: url(\"deep/icon.gif\"); }");
    put(t + "css/deep/icon.gif", "ICON");
    put(t + "images/back.jpg", QByteArray("JPG\0\xFF", 5));
    put(t + "images/btn_next_n.png", "NEXT-N");
    put(t + "images/btn_next_g.png", "NEXT-G");
    put(t + "btn_prev_n.gif", "PREV-N");
    put(t + "BTN_PREV_G.GIF", "PREV-G");
    put(t + "sub/page.htm", "<img src=\"../images/back.jpg\">");
    put(t + "unused.txt", "not referenced");
    put(root.path() + "/shared/logo.gif", "OUTSIDE");

    QStringList files;
    GetTemplateFiles(t + "main.htm", files);
    ASSERT_FALSE(files.isEmpty());
    EXPECT_EQ(files.first(), t + "main.htm");
    EXPECT_TRUE(files.contains(root.path() + "/shared/logo.gif")); // listed, but not packed
    EXPECT_TRUE(files.contains(t + "BTN_PREV_G.GIF"));
    EXPECT_TRUE(files.contains(t + "images/btn_next_g.png"));
    EXPECT_FALSE(files.contains(t + "unused.txt"));
    EXPECT_EQ(files.removeDuplicates(), 0);

    QByteArray stream;
    stream = "stale";
    TemplateFileToStream(t + "main.htm", stream);
    EXPECT_EQ(GetTemplateMainFile(stream), "main.htm");
    QStringList names;
    for (const auto &e : ReadTemplateEntries(stream))
        names << e.Name;
    EXPECT_EQ(names.first(), "main.htm");
    EXPECT_TRUE(names.contains("css\\site.css"));
    EXPECT_TRUE(names.contains("css\\deep\\icon.gif"));
    for (const QString &n : names)
        EXPECT_FALSE(n.contains('/') || n.contains("..") || n.contains("logo")) << n.toStdString();

    QTemporaryDir out;
    StreamToTemplateFiles(stream, out.path() + "/");
    auto expected = tree(t);
    expected.erase("unused.txt");
    EXPECT_EQ(tree(out.path()), expected);
    EXPECT_FALSE(QFileInfo::exists(out.path() + "/../shared/logo.gif"));

    // Unpacking again replaces what is there.
    put(out.path() + "/main.htm", "changed");
    StreamToTemplateFiles(stream, out.path() + "/");
    EXPECT_EQ(get(out.path() + "/main.htm"), get(t + "main.htm"));

    // A main page that does not exist packs nothing.
    TemplateFileToStream(t + "nothing.htm", stream);
    EXPECT_TRUE(stream.isEmpty());
}

TEST(TemplateStream, UnpackingRefusesTheWholeStreamWhenAnEntryWouldLeaveTheFolder)
{
    QTemporaryDir root;
    const QString target = root.path() + "/target/";
    QDir().mkpath(target);
    QDir().mkpath(root.path() + "/elsewhere");
    ASSERT_TRUE(QFile::link(root.path() + "/elsewhere", target + "link"));

    for (const QString &bad : {QStringLiteral("..\\escape.txt"), QStringLiteral("a\\..\\..\\escape.txt"),
                               QStringLiteral("/tmp/escape.txt"), QStringLiteral("\\escape.txt"),
                               QStringLiteral("C:\\escape.txt"), QStringLiteral("link\\escape.txt"),
                               QStringLiteral(""), QString(QString(QChar(0)) + "x")}) {
        SCOPED_TRACE(bad.toStdString());
        QByteArray s;
        AppendTemplateEntry(s, "main.htm", "main");
        AppendTemplateEntry(s, bad, "bad");
        AppendTemplateEntry(s, "after.htm", "after");
        EXPECT_THROW(StreamToTemplateFiles(s, target), Exception);
        EXPECT_FALSE(QFileInfo::exists(target + "main.htm"));
        EXPECT_FALSE(QFileInfo::exists(target + "after.htm"));
        EXPECT_TRUE(QDir(root.path() + "/elsewhere").isEmpty());
        EXPECT_FALSE(QFileInfo::exists(root.path() + "/escape.txt"));
    }
    // A damaged stream writes nothing either.
    QByteArray cut;
    AppendTemplateEntry(cut, "main.htm", "main");
    AppendTemplateEntry(cut, "second.htm", "second");
    cut.chop(2);
    EXPECT_THROW(StreamToTemplateFiles(cut, target), Exception);
    EXPECT_FALSE(QFileInfo::exists(target + "main.htm"));

    // A file that cannot be written fails the unpack; what was written before stays.
    TFaultyFileSystem fs;
    QByteArray s;
    AppendTemplateEntry(s, "main.htm", "main");
    AppendTemplateEntry(s, "images\\a.gif", "A");
    fs.Fail(target + "images/a.gif", TFaultyFileSystem::opWrite);
    EXPECT_THROW(StreamToTemplateFiles(s, target), Exception);
    EXPECT_EQ(get(target + "main.htm"), "main");
}

TEST(TemplateStream, HexFormIsUpperCasePairsAndBadTextGivesAnEmptyStream)
{
    const QByteArray bytes("\x00\x0F\xA0\xFFz", 5);
    EXPECT_EQ(StreamToHex(bytes), "000FA0FF7A");
    EXPECT_EQ(StreamToHex(QByteArray()), "");
    EXPECT_EQ(HexToStream("000FA0FF7A"), bytes);
    EXPECT_EQ(HexToStream("000fa0ff7a"), bytes);
    EXPECT_TRUE(HexToStream("").isEmpty());
    EXPECT_TRUE(HexToStream("ABC").isEmpty());   // odd number of digits
    EXPECT_TRUE(HexToStream("0G").isEmpty());    // not a digit
    EXPECT_TRUE(HexToStream("00 11").isEmpty()); // no separators
    EXPECT_TRUE(HexToStream(QStringLiteral("٠١")).isEmpty());
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    EXPECT_EQ(HexToStream(StreamToHex(all)), all);
}
