// File, path and text helpers: temporary files and folders, folder copy and delete, text file
// decoding and writing, HTML text operations, links and paths.
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/Ascii.h"
#include "text/Exceptions.h"
#include "text/LanguageProcess.h"
#include "text/FileSystem.h"
#include "text/WorkingFolder.h"
#include "text/functions.h"
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QCoreApplication>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(FunctionsTempFiles, CreatedAtomicallyWithThePrefixAndPrivateInThisRunsWorkingFolder)
{
    const QString temp = GetTempFolder();
    EXPECT_TRUE(temp.endsWith('/'));
    EXPECT_EQ(QDir::cleanPath(temp), QDir::cleanPath(QDir::tempPath()));
    const QString run = RunFolder();
    EXPECT_EQ(run, WorkingFolder() + "/" + QString::number(QCoreApplication::applicationPid()) + "/");
    EXPECT_EQ(GetCompilerTempFolder(), run);
    const auto mode = [](const QString &path) {
        return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    };
    const QFile::Permissions file = QFile::ReadOwner | QFile::WriteOwner, folder = file | QFile::ExeOwner;
    EXPECT_EQ(mode(WorkingFolder()), folder);
    EXPECT_EQ(mode(run), folder);

    const QString a = GetTempFileName(), b = GetTempFileName(".docx");
    EXPECT_NE(a, b);
    for (const QString &f : {a, b}) {
        QFileInfo info(f);
        EXPECT_TRUE(info.isFile()) << f.toStdString();
        EXPECT_EQ(info.size(), 0);
        EXPECT_TRUE(info.fileName().startsWith("~ta"));
        EXPECT_EQ(info.path() + '/', run);
        EXPECT_EQ(mode(f), file);
        QFile::remove(f);
    }
    EXPECT_TRUE(b.endsWith(".docx"));

    const QString d1 = NewTempFolderName(), d2 = NewTempFolderName();
    EXPECT_NE(d1, d2);
    EXPECT_TRUE(d1.endsWith('/'));
    EXPECT_TRUE(QFileInfo(d1).isDir()); // created, so nobody else owns it
    EXPECT_TRUE(QFileInfo(d1.chopped(1)).fileName().startsWith("~ta"));
    EXPECT_EQ(mode(d1), folder);
    EXPECT_TRUE(IsFolderEmpty(d1));

    // Whatever is written, copied or made in a working folder is the user's alone, whatever
    // the umask and the original's permissions; elsewhere files are made as ever.
    QTemporaryDir outside;
    const QString original = outside.path() + "/open.htm";
    ASSERT_TRUE(FileSystem().WriteFile(original, "page"));
    ASSERT_TRUE(QFile::setPermissions(original, file | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(FileSystem().MakePath(d1 + "deep/er"));
    ASSERT_TRUE(FileSystem().WriteFile(d1 + "deep/er/page.htm", "page"));
    ASSERT_TRUE(FileSystem().CopyFile(original, d1 + "deep/copy.htm"));
    ASSERT_TRUE(CopyFolderTree(outside.path(), d1 + "tree"));
    for (const QString &f : QStringList{d1 + "deep", d1 + "deep/er", d1 + "tree"})
        EXPECT_EQ(mode(f), folder) << f.toStdString();
    for (const QString &f : QStringList{d1 + "deep/er/page.htm", d1 + "deep/copy.htm", d1 + "tree/open.htm"})
        EXPECT_EQ(mode(f), file) << f.toStdString();
    EXPECT_TRUE(mode(original) & QFile::ReadOther);
    EXPECT_TRUE(DeleteFolder(d1));
    EXPECT_TRUE(DeleteFolder(d2));
    EXPECT_FALSE(QFileInfo::exists(d1));
}

TEST(FunctionsTempFiles, DocumentsFolderAndItsMacro)
{
    const QString docs = GetSpecialFolder(5);
    EXPECT_EQ(docs, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_FALSE(docs.endsWith('/'));
    EXPECT_EQ(GetSpecialFolder(12345), QString());
    EXPECT_EQ(ExpandMyDocuments("<my documents>/a/<MY DOCUMENTS>"), docs + "/a/" + docs);
    EXPECT_EQ(ExpandMyDocuments("/plain"), "/plain");
}

TEST(FunctionsFolders, DeleteFolderRemovesOnlyWhatItWasGiven)
{
    QTemporaryDir dir, outside;
    writeBytes(outside.path() + "/keep.txt", "keep");
    const QString victim = dir.path() + "/victim";
    writeBytes(victim + "/sub/.hidden", "x");
    ASSERT_TRUE(QFile::link(outside.path(), victim + "/sub/out"));
    ASSERT_TRUE(QFile::link(outside.path() + "/keep.txt", victim + "/file-link"));

    EXPECT_TRUE(DeleteFolder(victim + "/")); // trailing separator removed
    EXPECT_FALSE(QFileInfo::exists(victim));
    EXPECT_EQ(readBytes(outside.path() + "/keep.txt"), "keep");
    EXPECT_FALSE(DeleteFolder(victim)); // gone: nothing deleted
    writeBytes(dir.path() + "/file.txt", "f");
    EXPECT_FALSE(DeleteFolder(dir.path() + "/file.txt")); // not a folder
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/file.txt"));

    // Folders no caller can mean, however the path is spelt.
    const QStringList refused{QString(), "/", "//", "/tmp", "/usr/", "/tmp/../usr", QDir::homePath(), GetSpecialFolder(5),
                              dir.path() + "/../.."};
    for (const QString &bad : refused) {
        TFaultyFileSystem fs; // records every removal that would have happened
        EXPECT_FALSE(DeleteFolder(bad)) << bad.toStdString();
        EXPECT_TRUE(fs.calls.isEmpty()) << bad.toStdString();
    }
    // A path that reaches a top-level folder through a link is refused too.
    ASSERT_TRUE(QFile::link("/", dir.path() + "/root"));
    EXPECT_FALSE(DeleteFolder(dir.path() + "/root/usr"));
    EXPECT_TRUE(QFileInfo("/usr").isDir());

    // The deletion goes through the file-system seam, so a failure is reported, not hidden.
    const QString locked = dir.path() + "/locked";
    writeBytes(locked + "/a.txt", "a");
    TFaultyFileSystem fs;
    fs.Fail(locked, TFaultyFileSystem::opRemove);
    EXPECT_FALSE(DeleteFolder(locked));
    EXPECT_EQ(fs.calls, QStringList{"rmdir " + locked});
    EXPECT_TRUE(QFileInfo::exists(locked + "/a.txt"));
}

TEST(FunctionsFolders, CopyFolderTreeCopiesEverythingButNeverLeavesTheSource)
{
    QTemporaryDir dir, outside;
    writeBytes(outside.path() + "/secret.txt", "secret");
    const QString src = dir.path() + "/src", dst = dir.path() + "/dst";
    writeBytes(src + "/a.htm", "A");
    writeBytes(src + "/.hidden", "H");
    writeBytes(src + "/images/deep/b.gif", "B");
    ASSERT_TRUE(QFile::link(outside.path() + "/secret.txt", src + "/leak.txt"));
    ASSERT_TRUE(QFile::link(outside.path(), src + "/outdir"));
    ASSERT_TRUE(QFile::link(src + "/a.htm", src + "/alias.htm"));
    ASSERT_TRUE(QFile::link(src, src + "/images/loop"));
    writeBytes(dst + "/a.htm", "old"); // replaced
    writeBytes(dst + "/stay.txt", "stay");
    // A link already in the destination is replaced, never written through.
    QDir().mkpath(dst);
    ASSERT_TRUE(QFile::link(outside.path(), dst + "/images"));

    EXPECT_TRUE(CopyFolderTree(src, dst));
    EXPECT_EQ(readBytes(dst + "/a.htm"), "A");
    EXPECT_EQ(readBytes(dst + "/.hidden"), "H");
    EXPECT_EQ(readBytes(dst + "/images/deep/b.gif"), "B");
    EXPECT_EQ(readBytes(dst + "/stay.txt"), "stay");
    EXPECT_EQ(readBytes(dst + "/alias.htm"), "A"); // a link inside the source: its file
    EXPECT_FALSE(QFileInfo(dst + "/alias.htm").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(dst + "/leak.txt"));
    EXPECT_FALSE(QFileInfo::exists(dst + "/outdir"));
    EXPECT_FALSE(QFileInfo::exists(dst + "/images/loop"));
    EXPECT_FALSE(QFileInfo(dst + "/images").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(outside.path() + "/deep"));

    // Onto itself or into itself would destroy or never end.
    EXPECT_FALSE(CopyFolderTree(src, src));
    EXPECT_FALSE(CopyFolderTree(src, src + "/images/copy"));
    EXPECT_FALSE(QFileInfo::exists(src + "/images/copy"));
    EXPECT_EQ(readBytes(src + "/a.htm"), "A");
    EXPECT_FALSE(CopyFolderTree(dir.path() + "/missing", dst));

    // A file that cannot be copied makes the result false; the rest is still copied.
    TFaultyFileSystem fs;
    fs.Fail(src + "/a.htm", TFaultyFileSystem::opCopy);
    EXPECT_FALSE(CopyFolderTree(src, dir.path() + "/dst2"));
    EXPECT_EQ(readBytes(dir.path() + "/dst2/images/deep/b.gif"), "B");
}

TEST(FunctionsFolders, CopyFolderBehavesLikeTheShell)
{
    QTemporaryDir dir;
    writeBytes(dir.path() + "/tpl/page.htm", "P");
    // A new destination becomes the copy; an existing folder receives it.
    EXPECT_TRUE(CopyFolder(dir.path() + "/tpl", dir.path() + "/new"));
    EXPECT_EQ(readBytes(dir.path() + "/new/page.htm"), "P");
    QDir().mkpath(dir.path() + "/existing");
    EXPECT_TRUE(CopyFolder(dir.path() + "/tpl/", dir.path() + "/existing/"));
    EXPECT_EQ(readBytes(dir.path() + "/existing/tpl/page.htm"), "P");
    EXPECT_FALSE(CopyFolder(dir.path() + "/none", dir.path() + "/x"));
    EXPECT_FALSE(CopyFolder(dir.path() + "/tpl", dir.path()));  // would be tpl onto itself
    EXPECT_EQ(readBytes(dir.path() + "/tpl/page.htm"), "P");
}

TEST(FunctionsFolders, EmptinessUseAndUniqueNames)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/";
    EXPECT_TRUE(IsFolderEmpty(root));
    EXPECT_TRUE(IsFolderEmpty(root + "missing")); // a failed listing counts as empty
    writeBytes(root + ".dot", "");
    EXPECT_FALSE(IsFolderEmpty(root));

    writeBytes(root + "topic.htm", "t");
    EXPECT_EQ(UniqueFileName(root, "topic", ".htm"), root + "topic1.htm");
    writeBytes(root + "topic1.htm", "t");
    EXPECT_EQ(UniqueFileName(root, "topic", ".htm"), root + "topic2.htm");
    EXPECT_EQ(UniqueFileName(root, "other", ".htm"), root + "other.htm");
    writeBytes(root + "a.b.doc", "d");
    EXPECT_EQ(UniqueCopyName(root + "a.b.doc"), root + "a.b1.doc");
    EXPECT_EQ(UniqueCopyName(root + "free.doc"), root + "free.doc");
    writeBytes(root + "noext", "n");
    EXPECT_EQ(UniqueCopyName(root + "noext"), root + "noext1");
    // A dangling link holds its name: writing there would follow it.
    ASSERT_TRUE(QFile::link(root + "nowhere", root + "dangling.htm"));
    EXPECT_EQ(UniqueFileName(root, "dangling", ".htm"), root + "dangling1.htm");

    const QString file = root + "doc.docx";
    writeBytes(file, "x");
    EXPECT_FALSE(IsFileInUse(file));
    EXPECT_FALSE(IsFileInUse(root + "missing.docx"));
    EXPECT_TRUE(GetFileDate(file).isValid());
    EXPECT_EQ(GetFileDate(file).timeSpec(), Qt::LocalTime);
    EXPECT_FALSE(GetFileDate(root + "missing.docx").isValid());
    {
        TFaultyFileSystem fs;
        fs.Fail(file, TFaultyFileSystem::opWrite);
        EXPECT_FALSE(IsFileInUse(file));      // still readable
        EXPECT_TRUE(IsFileInUse(file, true)); // but it cannot be replaced
        fs.Fail(file, TFaultyFileSystem::opRead);
        EXPECT_TRUE(IsFileInUse(file));
    }
    EXPECT_EQ(SafeFileName("a\\b/c:d*e\"f<g>h|i j"), "a_b_c_d_e_f_g_h_i_j");
}

TEST(FunctionsTextFiles, DecodingFollowsMarksThenCharsetThenUtf8ThenTheSystemCodePage)
{
    QTemporaryDir dir;
    const QString f = dir.path() + "/t.htm";
    writeBytes(f, QByteArray("\xEF\xBB\xBF") + QString("Grüße").toUtf8());
    EXPECT_EQ(ReadTextFile(f), "Grüße");
    // Two bytes decide; the third is skipped whatever it is.
    EXPECT_EQ(DecodeTextStream(QByteArray("\xEF\xBBXab")), "ab");
    EXPECT_EQ(DecodeTextStream(QByteArray("\xEF\xBB")), "");
    // UTF-16LE: an odd last byte is not a code unit; a second mark belongs to the text.
    EXPECT_EQ(DecodeTextStream(QByteArray("\xFF\xFE" "A\0\x16\x04" "Z", 7)), QString("A") + QChar(0x0416));
    EXPECT_EQ(DecodeTextStream(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx")), QString(QChar(0xFEFF)) + "x");

    // Without a mark the page's charset decides, even where the bytes would pass as UTF-8.
    const QByteArray cyr = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\xcf\xf0\xe8\xe2\xe5\xf2";
    writeBytes(f, cyr);
    EXPECT_EQ(ReadTextFile(f).right(6), QString::fromUtf8("Привет"));
    EXPECT_EQ(DecodeTextStream(QByteArray("<meta charset=\"WINDOWS-1251\">\xd0\xbf")).right(2), QString::fromUtf8("Рї"));
    // A charset the table does not know: UTF-8 when the bytes are UTF-8, else the system page.
    EXPECT_EQ(DecodeTextStream(QByteArray("charset=x-none>caf\xc3\xa9")).right(4), QString::fromUtf8("café"));
    const QString latin = DecodeTextStream(QByteArray("charset=x-none>caf\xe9"));
    EXPECT_EQ(latin, DecodeCodePage("charset=x-none>caf\xe9", SystemCodePage()));
    if (SystemCodePage() == 1252) {
        EXPECT_EQ(latin.right(4), QString::fromUtf8("café"));
    }
    // A code page given by the caller is used as given.
    EXPECT_EQ(DecodeTextStream(QByteArray("\xcf\xf0"), "1251"), QString::fromUtf8("Пр"));
    EXPECT_EQ(DecodeTextStream(QByteArray("caf\xc3\xa9"), " 1252 "), QString::fromUtf8("cafÃ©"));
    try {
        DecodeTextStream(QByteArray("abc"), "cp-x");
        FAIL() << "a code page that is not a number";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("cp-x"));
    }
    // A pseudo code page is read in the system code page with a warning, never an error.
    TWarnings w;
    EXPECT_EQ(DecodeTextStream(QByteArray("charset=x-user-defined>ab"), QString(), &w), "charset=x-user-defined>ab");
    EXPECT_FALSE(w.Empty());

    EXPECT_EQ(ReadTextFile(dir.path() + "/missing.htm"), QString());
    QBuffer buffer;
    buffer.setData("\xFF\xFEh\0i\0", 6);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(4);
    EXPECT_EQ(DecodeTextStream(buffer), "hi"); // from the stream's start
}

TEST(FunctionsTextFiles, WritingEncodingsAndTheEmptyText)
{
    QTemporaryDir dir;
    const QString f = dir.path() + "/out.htm";
    EXPECT_EQ(EncodeTextToStream("A\u0416", 1), QByteArray("\xEF\xBB\xBF" "A\xD0\x96"));
    EXPECT_EQ(EncodeTextToStream("A\u0416", 2), QByteArray("\xFF\xFE" "A\0\x16\x04", 6));
    EXPECT_EQ(EncodeTextToStream(QString::fromUtf8("Пр"), 1251), QByteArray("\xcf\xf0"));
    EXPECT_EQ(EncodeTextToStream("a\u0416", 1252), QByteArray("a?")); // the code page's default
    EXPECT_EQ(EncodeTextToStream("abc", 0), EncodeTextToStream("abc", -3));

    writeBytes(f, "previous");
    WriteTextFile("", f, 1);
    EXPECT_EQ(readBytes(f), "previous");
    WriteTextFile("", dir.path() + "/never.htm", 1);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/never.htm"));
    WriteTextFile("x\u0416", f, 2);
    EXPECT_EQ(readBytes(f), QByteArray("\xFF\xFEx\0\x16\x04", 6));
    EXPECT_EQ(ReadTextFile(f), "x\u0416");

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    buffer.write("a much longer old content");
    EncodeTextToStream("new", 1, buffer);
    EXPECT_EQ(buffer.data(), QByteArray("\xEF\xBB\xBFnew"));

    TFaultyFileSystem fs;
    fs.Fail(f, TFaultyFileSystem::opWrite);
    try {
        WriteTextFile("y", f, 1);
        FAIL() << "a file that cannot be written";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains(f));
    }
    EXPECT_EQ(ReadTextFile(f), "x\u0416");
}

TEST(FunctionsTextFiles, LoadTextFileCopiesABusyFileAndShowsErrors)
{
    QTemporaryDir dir;
    const QString f = dir.path() + "/busy.htm";
    writeBytes(f, "busy text");
    {
        TScriptedMessages messages;
        TFaultyFileSystem fs;
        fs.Fail(f, TFaultyFileSystem::opRead); // cannot be opened directly
        EXPECT_EQ(LoadTextFile(f), "busy text");
        EXPECT_TRUE(messages.Errors().isEmpty());
        // The copy was made in this run's working folder and removed again.
        QString copy;
        for (const QString &c : fs.calls)
            if (c.startsWith("copy " + f + " -> "))
                copy = c.mid(QString("copy " + f + " -> ").size());
        ASSERT_FALSE(copy.isEmpty());
        EXPECT_TRUE(copy.startsWith(RunFolder() + "~ta"));
        EXPECT_FALSE(QFileInfo::exists(copy));
    }
    {
        TScriptedMessages messages;
        TFaultyFileSystem fs;
        fs.Fail(f, TFaultyFileSystem::opRead | TFaultyFileSystem::opCopy);
        EXPECT_EQ(LoadTextFile(f), QString());
        ASSERT_EQ(messages.Errors().size(), 1);
        EXPECT_TRUE(messages.Errors()[0].contains(f));
    }
    {
        TScriptedMessages messages;
        EXPECT_EQ(LoadTextFile(f, "nope"), QString());
        ASSERT_EQ(messages.Errors().size(), 1);
        EXPECT_TRUE(messages.Errors()[0].contains("nope"));
    }
}

TEST(FunctionsTextFiles, SaveHtmlFileAsksForAnotherNameAfterAFailure)
{
    QTemporaryDir dir;
    const QString locked = dir.path() + "/locked.htm", other = dir.path() + "/other.htm";
    const QString page = QString::fromUtf8("<head><meta content=\"text/html; charset=windows-1251\"></head>Пр");
    {
        TScriptedMessages messages;
        TFaultyFileSystem fs;
        fs.Fail(locked, TFaultyFileSystem::opWrite);
        messages.ExpectFileName(other);
        EXPECT_TRUE(SaveHtmlFile(page, locked));
        EXPECT_EQ(messages.Errors().size(), 1);
        EXPECT_EQ(messages.FileNameRequests(), QStringList{locked});
        EXPECT_TRUE(readBytes(other).endsWith("\xcf\xf0")); // in the page's own charset
        EXPECT_FALSE(QFileInfo::exists(locked));
        EXPECT_TRUE(messages.AllAnswersUsed());
    }
    {
        TScriptedMessages messages;
        TFaultyFileSystem fs;
        fs.Fail(locked, TFaultyFileSystem::opWrite);
        messages.ExpectFileName(QString()); // cancelled
        EXPECT_FALSE(SaveHtmlFile(page, locked));
        EXPECT_EQ(messages.Errors().size(), 1);
    }
    EXPECT_TRUE(SaveHtmlFile("<meta charset=utf-8>x", locked));
    EXPECT_EQ(readBytes(locked), QByteArray("\xEF\xBB\xBF<meta charset=utf-8>x"));
    EXPECT_EQ(DefaultEncoding(), "UTF-8");
}

TEST(FunctionsHtmlText, TitleHeadAndTags)
{
    EXPECT_EQ(GetHtmlTitle("<TITLE>Hel\r\nlo</Title><title>x</title>"), "Hello");
    EXPECT_EQ(GetHtmlTitle("</title><title>x"), "");
    EXPECT_EQ(GetHtmlTitle("<title>open"), "");
    EXPECT_EQ(SetHtmlTitle("<HEAD><TITLE>old</TITLE></HEAD>", "new"), "<HEAD><title>new</title></HEAD>");
    EXPECT_EQ(SetHtmlTitle("<HEAD></HEAD><head>", "T"), "<head>\r\n<title>T</title>\r\n</HEAD><head>\r\n<title>T</title>\r\n");
    EXPECT_EQ(SetHtmlTitle("<body>no head</body>", "T"), "<body>no head</body>");

    const QString page = "<html><HEAD lang=en><style>x</style></Head><body><header>top</header></body>";
    EXPECT_EQ(GetHeadContent(page), "<style>x</style>");
    auto [withMark, head] = SplitHead(page);
    EXPECT_EQ(withMark, "<html><HEAD lang=en>($Head$)</Head><body><header>top</header></body>");
    EXPECT_EQ(head, "<style>x</style>");
    // A header element is no head: the page stays intact.
    const QString html5 = "<body><header>top</header></body>";
    EXPECT_EQ(GetHeadContent(html5), "");
    EXPECT_EQ(SplitHead(html5), std::make_pair(html5, QString()));
    EXPECT_EQ(GetHeadContent("</head><head>x"), "");
    EXPECT_EQ(GetHeadContent("<head"), "");
    EXPECT_EQ(SplitHead("<head></head>").first, "<head>($Head$)</head>");

    EXPECT_EQ(FindTag("x<META name=a>y<meta>", "meta"), "<META name=a>");
    EXPECT_EQ(FindTag("<meta name=a", "meta"), "");
    EXPECT_EQ(FindTag("<p>", "meta"), "");
}

TEST(FunctionsHtmlText, CharsetReadingAndWriting)
{
    const QString meta = "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"></head>";
    EXPECT_EQ(GetCharset(meta), "utf-8");
    EXPECT_EQ(SetCharset(meta, "gb2312"), QString(meta).replace("UTF-8", "gb2312"));
    EXPECT_EQ(GetCharset("<meta charset=\"Windows-1251\">"), "windows-1251"); // the value, not the quote
    EXPECT_EQ(SetCharset("<meta charset='a'>", "b"), "<meta charset='b'>");
    EXPECT_EQ(GetCharset("CHARSET=koi8-r"), "koi8-r"); // up to the end
    EXPECT_EQ(GetCharset("<p>"), "");
    EXPECT_EQ(SetCharset("<HEAD><title>t</title></HEAD>", "utf-8"),
              "<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><title>t</title></HEAD>");
    EXPECT_EQ(SetCharset("<body>x</body>", "utf-8"), "<body>x</body>");

    EXPECT_EQ(GetPageEncoding(meta), 1);
    EXPECT_EQ(GetPageEncoding("charset=unicode"), 2);
    EXPECT_EQ(GetPageEncoding("charset=windows-1251"), 1251);
    EXPECT_EQ(GetPageEncoding("charset=x-none"), 0);
    EXPECT_EQ(GetPageEncoding("nothing"), 0);
}

TEST(FunctionsHtmlText, AttributeValues)
{
    const QString tag = "<img SRC=\"a b.gif\" alt='it''s' width=10 border=0>";
    EXPECT_EQ(GetAttributeValue(tag, "src"), "a b.gif");
    EXPECT_EQ(GetAttributeValue(tag, "ALT"), "it");
    EXPECT_EQ(GetAttributeValue(tag, "width"), "10");
    EXPECT_EQ(GetAttributeValue(tag, "border"), "0"); // ends at ">"
    EXPECT_EQ(GetAttributeValue(tag, "height"), "");
    EXPECT_EQ(GetAttributeValue("<a href = \"x\">", "href"), ""); // spaces around "=" are not read
    EXPECT_EQ(GetAttributeValue("<a title=\"x href=y\" href=z>", "href"), "z");
    EXPECT_EQ(GetAttributeValue("<a href=\"open", "href"), "");
    EXPECT_EQ(GetAttributeValue("<a href=", "href"), "");
    EXPECT_EQ(GetAttributeValue("<a\thref=\"\">", "href"), "");
    EXPECT_EQ(GetAttributeValue("", "href"), "");
}

// Each place text is written into has one rule; what one writes, a reader of that place
// takes back unchanged.
TEST(FunctionsHtmlText, EscapingPerPlace)
{
    const QString nasty = QString::fromUtf8("a&b\"c'd<e>f\\g\r\nh\u00A0i\u2028j=k l");
    EXPECT_EQ(HtmlEscapeText(nasty), QString::fromUtf8("a&amp;b\"c'd&lt;e&gt;f\\g\r\nh&nbsp;i\u2028j=k l"));
    EXPECT_EQ(HtmlUnescape(HtmlEscape(nasty)), nasty);
    EXPECT_FALSE(HtmlEscape(nasty).contains('"'));
    const QString script = EscapeScriptString(nasty);
    EXPECT_EQ(script, QString::fromUtf8("a&b\\\"c\\'d\\x3ce>f\\\\g\\r\\nh\u00A0i\\u2028j=k l"));
    EXPECT_EQ(UrlEncodeQuery(nasty).count('%'), 6);
    EXPECT_FALSE(UrlEncodeQuery(nasty).contains(QRegularExpression("[\"<> &=]")));
    EXPECT_EQ(UrlEncodePath("a b/c#d/\u00e9"), "a%20b/c%23d/%C3%A9");
    // A character the code page lacks: a reference in the page, a CSS escape in its style.
    EXPECT_EQ(EncodePage(QString::fromUtf8("<style>x{font:\u5B8B}</style>\u5B8B"), 1252),
              QByteArray("<style>x{font:\\5B8B }</style>&#23435;"));
    EXPECT_EQ(EncodePage(QString::fromUtf8("\u5B8B"), 65001), QByteArray("\xE5\xAE\x8B"));
}

TEST(FunctionsHtmlText, EscapeAndUnescape)
{
    EXPECT_EQ(HtmlEscape("a&b\"<>\u00A9"), "a&amp;b&quot;&lt;&gt;\u00A9");
    EXPECT_EQ(HtmlUnescape("a&amp;b"), "a&b");
    EXPECT_EQ(HtmlUnescape("&#65;"), "A");
    EXPECT_EQ(HtmlUnescape("&#x41;"), "&#x41;");
    EXPECT_EQ(HtmlUnescape("x&amp"), "x&");
    EXPECT_EQ(HtmlUnescape("x&#"), "x&#");
    EXPECT_EQ(HtmlUnescape("x&"), "x&");
    EXPECT_EQ(HtmlUnescape("&#65"), "A");
    EXPECT_EQ(HtmlUnescape("&#65x&#66;"), "AxB");
    EXPECT_EQ(HtmlUnescape("&lt;&lt;;"), "<<;"); // one ";" only
    EXPECT_EQ(HtmlUnescape("&notin;"), "\u00ACin;"); // the first matching name wins
    EXPECT_EQ(HtmlUnescape("&nbsp;"), " ");
    EXPECT_EQ(HtmlUnescape("&Amp;"), "&Amp;");
    EXPECT_EQ(HtmlUnescape("a & b &amp; c"), "a & b & c");
    EXPECT_EQ(HtmlUnescape("&abcdefghijkl;"), "&abcdefghijkl;"); // longer than any name
    EXPECT_EQ(HtmlUnescape("&#65&amp;"), "&#65&");
    EXPECT_EQ(HtmlUnescape("&#128512;"), QString::fromUtf8("😀"));
    // Numbers that are no character do not corrupt the text.
    EXPECT_EQ(HtmlUnescape("&#0;&#55296;&#99999999999999999999;z"), "\uFFFD\uFFFD\uFFFDz");
    EXPECT_EQ(HtmlUnescape(""), "");
}

TEST(FunctionsHtmlText, RemoveBetweenAndBlankText)
{
    EXPECT_EQ(RemoveBetween("a<!--x-->b<!--y-->c", "<!--", "-->"), "abc");
    EXPECT_EQ(RemoveBetween("a<!--x-->b<!--open", "<!--", "-->"), "ab<!--open");
    EXPECT_EQ(RemoveBetween("a-->b<!--", "<!--", "-->"), "a-->b<!--");
    EXPECT_EQ(RemoveBetween("aXXbYYc", "XX", "YY"), "ac");
    EXPECT_EQ(RemoveBetween("<s><s></s>t</s>", "<s>", "</s>"), "t</s>"); // no nesting
    EXPECT_EQ(RemoveBetween("abc", "", "c"), "abc");
    EXPECT_TRUE(IsBlankText(""));
    EXPECT_TRUE(IsBlankText(" \r\n\t"));
    EXPECT_FALSE(IsBlankText(" \u00A0"));
}

TEST(FunctionsPaths, NormalizeResolveAndRelativeLinks)
{
    EXPECT_EQ(NormalizePath("a/b/%20c"), "a/b/ c");
    EXPECT_EQ(NormalizePath("/a/b/../c/./d.htm"), "/a/c/d.htm");
    EXPECT_EQ(NormalizePath("C:\\a\\b\\..\\c\\.\\d.htm"), "C:/a/c/d.htm");
    EXPECT_EQ(NormalizePath("/a/../../b"), "/b"); // the root cannot be climbed
    EXPECT_EQ(NormalizePath("//a//b/"), "/a/b/");
    EXPECT_EQ(NormalizePath("/"), "/");
    EXPECT_EQ(NormalizePath("../../x"), "x");
    EXPECT_EQ(NormalizePath("a/b/.."), "a/b/.."); // a final ".." is a name
    EXPECT_EQ(NormalizePath(""), "");

    EXPECT_EQ(ResolvePath("/p/", "<project_folder>/HTML help/help.chm"), "/p/HTML help/help.chm");
    EXPECT_EQ(ResolvePath("/p/", "<Project_Folder>\\x\\..\\y.chm"), "/p/y.chm"); // written on Windows
    EXPECT_EQ(ResolvePath("/p/", "sub/../f.doc"), "/p/f.doc");
    EXPECT_EQ(ResolvePath("/p", "f.doc"), "/p/f.doc");
    EXPECT_EQ(ResolvePath("/p/", "/abs/f.doc"), "/abs/f.doc");

    EXPECT_EQ(RelativeUrl("/h/a/page.htm", "/h/a/other.htm"), "other.htm");
    EXPECT_EQ(RelativeUrl("/h/a/page.htm", "/h/B/x/t.htm"), "../B/x/t.htm");
    EXPECT_EQ(RelativeUrl("/h/A/page.htm", "/h/a/t.htm"), "t.htm"); // folder names ignore case
    EXPECT_EQ(RelativeUrl("pages\\a\\p.htm", "pages\\b.htm"), "../b.htm");
    EXPECT_EQ(RelativeUrl("p.htm", "img/x.gif"), "img/x.gif");

    EXPECT_EQ(SplitUrlBookmark("page.htm#s1"), std::make_pair(QString("page.htm"), QString("s1")));
    EXPECT_EQ(SplitUrlBookmark("dir#2/p.htm"), std::make_pair(QString("dir#2/p.htm"), QString()));
    EXPECT_EQ(SplitUrlBookmark("a.htm#b.htm"), std::make_pair(QString("a.htm"), QString("b.htm")));
    EXPECT_EQ(SplitUrlBookmark("a#b#c"), std::make_pair(QString("a#b"), QString("c")));
    EXPECT_EQ(SplitUrlBookmark("plain.htm"), std::make_pair(QString("plain.htm"), QString()));
    EXPECT_EQ(UrlEncodeQuery("a b&c=d%"), "a%20b%26c%3dd%");
    EXPECT_EQ(ToSlashes("a\\b/c"), "a/b/c");
    EXPECT_EQ(ToBackslashes("a\\b/c"), "a\\b\\c");
}

TEST(FunctionsLinkedFiles, FollowsPagesStyleSheetsAndCyclesOnce)
{
    QTemporaryDir dir, outside;
    const QString t = dir.path() + "/tpl/";
    writeBytes(outside.path() + "/shared.gif", "g");
    writeBytes(t + "main.htm",
               "<html><head><link rel=stylesheet href=\"css/site.css\"><script src='js/a.js'></script></head>"
               "<body background=images/bg.jpg><img src=\"images/Logo.GIF\"> text. More text.\n"
               "<img src=\"" + (outside.path() + "/shared.gif").toUtf8() + "\"><a href=\"missing.htm\">"
               "<a href=\"sub/page.htm\">x</a><img src=\"images/bg.jpg\"></body></html>");
    writeBytes(t + "css/site.css", "body { background: url(../images/tile.png); } .a { background: url(\"/nowhere.png\") }");
    writeBytes(t + "js/a.js", "var x = 'b.js'; var y = \"sub/page.htm\";");
    writeBytes(t + "js/b.js", "// c.txt is named but 'c.txt' has no file");
    writeBytes(t + "sub/page.htm", "<a href=\"../main.htm\">back</a><img src=\"../css/site.css\">");
    writeBytes(t + "images/bg.jpg", "j");
    writeBytes(t + "images/logo.gif", "l");
    writeBytes(t + "images/tile.png", "p");

    QStringList list;
    TWarnings warnings;
    TScriptedMessages messages;
    CollectLinkedFiles(t + "main.htm", list, &warnings);
    const QStringList expected{
        t + "main.htm",
        outside.path() + "/shared.gif", // the collector lists it; packing leaves it out
        t + "css/site.css",
        t + "images/tile.png",
        t + "images/bg.jpg",
        t + "images/logo.gif",
        t + "js/a.js",
        t + "js/b.js",
        t + "sub/page.htm",
    };
    EXPECT_EQ(list, expected);
    EXPECT_EQ(list.removeDuplicates(), 0);
    ASSERT_EQ(warnings.Count(), 1); // "Logo.GIF" is "logo.gif" on disk
    EXPECT_TRUE(warnings.Items()[0].What.contains("images/Logo.GIF"));
    EXPECT_TRUE(messages.Errors().isEmpty());

    // A page already listed is not scanned again, and a list's earlier entries stay.
    QStringList again{"/elsewhere/x.htm", t + "css/site.css"};
    CollectLinkedFiles(t + "sub/page.htm", again);
    EXPECT_EQ(again, (QStringList{"/elsewhere/x.htm", t + "css/site.css", t + "sub/page.htm", t + "main.htm",
                                  outside.path() + "/shared.gif", t + "images/bg.jpg", t + "images/logo.gif", t + "js/a.js",
                                  t + "js/b.js"}));
}

TEST(FunctionsLinkedFiles, ReferenceScannerRules)
{
    QTemporaryDir dir;
    const QString t = dir.path() + "/";
    for (const char *name : {"a.gif", "b.longext", "c.gif", "d.png", "e.gif", "f f.gif", "g.gif", "h.gif"})
        writeBytes(t + name, "x");
    // b.longext: more than five characters; c.gif: the "=" lies after the dot; d.png: a name
    // cannot hold ":"; "f f.gif" between quotes keeps its space; g.gif after "(" and ")".
    writeBytes(t + "p.htm", "<x src=a.gif><x src=\"b.longext\"><x src=c.=gif>'x:d.png' \"f f.gif\" (g.gif) e.gif "
                           "<x src=\"h.gif#top\">");
    QStringList list;
    CollectLinkedFiles(t + "p.htm", list);
    EXPECT_EQ(list, (QStringList{t + "p.htm", t + "a.gif", t + "f f.gif", t + "g.gif"}));
}

TEST(FunctionsMisc, SplittingLineBreaksNumbersPixelsAndSimilarity)
{
    EXPECT_EQ(SplitAndTrim("", ","), QStringList());
    EXPECT_EQ(SplitAndTrim(" a , b\t,,c ", ","), (QStringList{"a", "b", "", "c"}));
    EXPECT_EQ(SplitAndTrim("one", ";"), QStringList{"one"});
    EXPECT_EQ(SplitAndTrim("a;;b", ";;"), (QStringList{"a", "b"}));

    EXPECT_EQ(EscapeLineBreaks("a\r\nb\n"), "a`13`10b`10");
    EXPECT_EQ(UnescapeLineBreaks("a`13`10b`10"), "a\r\nb\n");
    EXPECT_EQ(UnescapeLineBreaks(EscapeLineBreaks("x\r\r\n\ny")), "x\r\r\n\ny");

    EXPECT_EQ(FirstNumber("Word.Application.12"), 12);
    EXPECT_EQ(FirstNumber("v10x20"), 10);
    EXPECT_EQ(FirstNumber("none"), 0);
    EXPECT_EQ(FirstNumber("99999999999999999999"), INT_MAX);

    EXPECT_EQ(PointsToPixels(12.0f), "16");
    EXPECT_EQ(PointsToPixels(1.5f), "2");
    EXPECT_EQ(PointsToPixels(0.375f), "0"); // 0.5 goes to the even neighbour
    EXPECT_EQ(PointsToPixels(1.125f), "2"); // 1.5
    EXPECT_EQ(PointsToPixels(-0.75f), "-1");

    EXPECT_FALSE(IsSimilarText("", ""));
    EXPECT_TRUE(IsSimilarText("Abc", "aBC"));
    EXPECT_FALSE(IsSimilarText("abcd", "abce"));
    EXPECT_TRUE(IsSimilarText("Introduction", "Introduction."));
    EXPECT_TRUE(IsSimilarText("Getting started now", "1. Getting started now"));
    EXPECT_FALSE(IsSimilarText("Getting started", "Something else entirely"));
    EXPECT_FALSE(IsSimilarText("abcdefgh", "hgfedcba"));
    EXPECT_FALSE(IsSimilarText("abcde", "abcde" + QString(51, 'x')));
    EXPECT_TRUE(IsSimilarText("abcde", "abcde" + QString(50, 'x'))); // every letter of the shorter one found

    EXPECT_TRUE(IsWordInstalled());
    EXPECT_GE(GetWordVersion(), 12);
    EXPECT_EQ(IsLibreOfficeAvailable(), !QStandardPaths::findExecutable("soffice").isEmpty());
}

// The key agrees with the case-insensitive comparison it stands for: every character of the
// basic plane against its case variants, and strings of letters with special foldings, letters
// outside the basic plane and lone surrogates against each other.
TEST(Functions, CaseFoldKeysAreEqualExactlyWhenTheNamesCompareEqualIgnoringCase)
{
    auto agree = [](const QString &a, const QString &b) {
        return (a.compare(b, Qt::CaseInsensitive) == 0) == (CaseFoldKey(a) == CaseFoldKey(b));
    };
    for (char32_t u = 0; u < 0x10000; ++u)
        for (char32_t v : {QChar::toLower(u), QChar::toUpper(u), QChar::toTitleCase(u), QChar::toCaseFolded(u)})
            ASSERT_TRUE(agree(QString(QChar(char16_t(u))), QString(QChar(char16_t(v))))) << std::hex << unsigned(u) << " " << unsigned(v);
    QStringList units;
    for (char16_t u : {u'a', u'A', u'\u00DF', u'\u1E9E', u'\u0130', u'\u0131', u'i', u'I', u'\u03A3', u'\u03C3', u'\u03C2', u'\u212A',
                       u'k', u'\u01C4', u'\u01C5', u'\u01C6', u'\u0345', u'\u03B9', char16_t(0xD801), char16_t(0xDC00), char16_t(0xDC28)})
        units << QString(QChar(u));
    units << QStringLiteral("\U00010400") << QStringLiteral("\U00010428") << QStringLiteral("\U0001E900") << QStringLiteral("\U0001E922");
    QStringList texts = units;
    for (const QString &a : units)
        for (const QString &b : units)
            texts << a + b;
    for (const QString &a : texts)
        for (const QString &b : texts)
            ASSERT_TRUE(agree(a, b)) << a.toStdU16String().size() << " " << b.toStdU16String().size();
}

// The fast search agrees with QString::indexOf ignoring case on texts of the needles' letters in
// both cases, their look-alikes that fold to them (long s, Kelvin sign) and ones that do not
// (dotted and dotless i).
TEST(Functions, SearchingIgnoringCaseFindsWhatQStringFinds)
{
    QRandomGenerator random(41);
    const QString letters = QStringLiteral("dDiIsSpPlLaAyYkK:-=\u017F\u212A\u0130\u0131 ");
    const QList<QLatin1String> needles = {QLatin1String("display"), QLatin1String("Align="), QLatin1String("ms-its:"), QLatin1String("kS"),
                                          QLatin1String("d")};
    for (int round = 0; round < 20000; ++round) {
        QString text;
        for (int k = int(random.bounded(40)); k > 0; --k)
            text += letters[int(random.bounded(letters.size()))];
        const QLatin1String needle = needles[int(random.bounded(needles.size()))];
        if (random.bounded(2))
            text.insert(int(random.bounded(text.size() + 1)), random.bounded(2) ? QString(needle).toUpper() : QString(needle));
        const qsizetype from = random.bounded(4) == 0 ? qsizetype(random.bounded(text.size() + 1)) : 0;
        ASSERT_EQ(IndexOfNoCase(text, needle, from), text.indexOf(needle, from, Qt::CaseInsensitive)) << text.toStdString();
    }
}
