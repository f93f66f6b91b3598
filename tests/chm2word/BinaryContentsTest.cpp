// Help files whose contents and index exist only in compiled form, a #SYSTEM stored compressed
// and an index file over 10 MB: made with the real compiler, then edited byte for byte where
// it writes what other compilers do not.
#include "chm2word/BinaryContents.h"
#include "chm2word/ChmTo.h"
#include "text/ChmFile.h"
#include "text/HtmlHelpTools.h"
#include "text/LanguageProcess.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

bool HaveCompiler() { return !HelpCompilerProgram().isEmpty(); }

void Write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Compile(const QString &folder, const QMap<QString, QByteArray> &files)
{
    for (auto it = files.begin(); it != files.end(); ++it)
        Write(folder + it.key(), it.value());
    const THelpCompileResult run = RunHelpCompiler(folder, "t.hhp");
    EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
    return folder + "t.chm";
}

QByteArray Entry(const QByteArray &name, const QByteArray &local)
{
    return "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + name + "\">"
           + (local.isEmpty() ? QByteArray() : "<param name=\"Local\" value=\"" + local + "\">") + "</OBJECT>\r\n";
}

// Every occurrence of from (the same length as to) replaced in the file's bytes.
void Rename(const QString &path, const QByteArray &from, const QByteArray &to)
{
    ASSERT_EQ(from.size(), to.size());
    QByteArray bytes = ReadAll(path);
    ASSERT_TRUE(bytes.contains(from)) << from.toStdString();
    bytes.replace(from, to);
    Write(path, bytes);
}

struct TRead
{
    QString Dump;
    QString Contents, Index;
    TWarnings Warnings;
};

TRead Decompile(const QString &chm)
{
    QTemporaryDir out;
    Tchm t;
    t.LoadFromCHM(chm);
    t.rootFolder = out.path() + "/";
    t.decompile();
    TRead r;
    for (int i = 0; i < t.List.Count(); ++i) {
        const TTitleList &e = *t.List[i];
        QStringList keywords = e.Keywords.split(KeywordSeparator, Qt::SkipEmptyParts);
        keywords.sort();
        r.Dump += QStringLiteral("%1|%2|%3|%4|%5\n").arg(e.Level).arg(e.Topic, e.Url).arg(e.Status).arg(keywords.join(','));
    }
    r.Contents = QFileInfo(t.hhcFile).fileName();
    r.Index = QFileInfo(t.hhkFile).fileName();
    r.Warnings = t.Warnings;
    return r;
}

} // namespace

TEST(BinaryContents, WithoutSitemapFilesTheCompiledContentsAndIndexReadToTheSameEntries)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    QTemporaryDir dir;
    const QString folder = dir.path() + "/bin/";
    const QByteArray cyrillic = EncodeCodePage(QString::fromUtf8("Глава «один»"), 1251);
    const QString chm = Compile(
        folder,
        {{"t.hhp", "[OPTIONS]\r\nCompiled file=t.chm\r\nContents file=t.hhc\r\nIndex file=t.hhk\r\nBinary TOC=Yes\r\n"
                   "Binary Index=Yes\r\nFull-text search=No\r\nLanguage=0x419\r\nTitle=T\r\n\r\n[FILES]\r\na.htm\r\nb.htm\r\n"
                   "sub\\c d.htm\r\n"},
         {"a.htm", "<html><body>a</body></html>"},
         {"b.htm", "<html><body>b</body></html>"},
         {"sub/c d.htm", "<html><body><a name=\"x\">c</a></body></html>"},
         {"t.hhc", "<UL>" + Entry(cyrillic, "a.htm") + "<UL>" + Entry("Beta", "b.htm") + Entry("Group", "")
                       + "<UL>" + Entry("Gamma", "sub/c d.htm#x") + "</UL></UL>" + Entry("Web", "http://example.com/") + "</UL>"},
         {"t.hhk", "<UL>" + Entry("Key", "a.htm") + "<UL>" + Entry("Sub", "b.htm") + Entry("A/B", "sub/c d.htm#x")
                       + "</UL>" + Entry("Zeta", "b.htm")
                       + "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Else\"><param name=\"See Also\" "
                         "value=\"Key\"></OBJECT>\r\n</UL>"}});
    const TRead sitemaps = Decompile(chm);
    ASSERT_EQ(sitemaps.Contents, "t.hhc");
    // The compiler stores the sitemap files too; renamed in the directory (#SYSTEM still names
    // the old names), only the compiled forms are left.
    Rename(chm, "/t.hhc", "/x.hhx");
    Rename(chm, "/t.hhk", "/x.hhy");
    const TRead binary = Decompile(chm);
    EXPECT_TRUE(binary.Contents.isEmpty());
    EXPECT_TRUE(binary.Index.isEmpty());
    EXPECT_EQ(binary.Dump.toStdString(), sitemaps.Dump.toStdString());
    EXPECT_FALSE(binary.Warnings.Contains("damaged")) << binary.Warnings.Texts().join('\n').toStdString();
    EXPECT_EQ(binary.Dump.toStdString(), std::string("0|Глава «один»|a.htm|0|Key\n"
                                             "1|Beta|b.htm|0|Key/Sub,Zeta\n"
                                             "1|Group||2|\n"
                                             "2|Gamma|sub/c d.htm#x|0|Key/A//B\n"
                                             "0|Web|http://example.com/|0|\n"));

    // Damaged compiled forms: cut, overwritten and looping trees give what could be read, a
    // warning, and never a hang.
    TChmFile file(chm);
    const TChmBinaryObjects good = ReadBinaryObjects(file);
    ASSERT_GT(good.Tocidx.size(), 0x1000);
    ASSERT_GT(good.Btree.size(), 0x4C);
    TChmBinaryObjects loop = good;
    const quint32 first = qFromLittleEndian<quint32>(good.Tocidx.constData());
    qToLittleEndian<quint32>(first, loop.Tocidx.data() + first + 16);     // its own next sibling
    qToLittleEndian<quint32>(0, loop.Btree.data() + 0x4C + 8);            // the listing block after itself
    TWarnings w;
    const QString contents = BinaryContentsToSitemap(loop, 1251, &w);
    EXPECT_EQ(contents.count("<LI>"), 4) << contents.toStdString();
    EXPECT_EQ(BinaryIndexToSitemap(loop, 1251, &w).count("<LI>"), 5);
    EXPECT_EQ(w.Count(), 2);
    QRandomGenerator random(5);
    for (int round = 0; round < 300; ++round) {
        TChmBinaryObjects bad = good;
        QByteArray *parts[] = {&bad.Tocidx, &bad.Topics, &bad.Urltbl, &bad.Urlstr, &bad.Strings, &bad.Btree};
        QByteArray &part = *parts[random.bounded(6)];
        if (part.isEmpty())
            continue;
        if (round % 3 == 0)
            part.truncate(qsizetype(random.bounded(quint32(part.size()))));
        else
            for (int k = 0; k < 4; ++k)
                part[random.bounded(quint32(part.size()))] = char(random.bounded(256));
        TTitleLists list;
        ReadContentsText(BinaryContentsToSitemap(bad, 1251), list);
        ReadIndexText(BinaryIndexToSitemap(bad, 1251), list);
        EXPECT_LE(list.Count(), good.Tocidx.size() / 20 + 5);
    }
}

TEST(BinaryContents, ASystemObjectStoredCompressedGivesTitleLanguageAndDefaultTopic)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    // Other compilers may store #SYSTEM in the compressed section. The compiler here stores a
    // file of the same name length there: "/sys.bin" takes the name "/#SYSTEM" and the real
    // one another name.
    auto record = [](quint16 code, const QByteArray &data) -> QByteArray {
        QByteArray r(4, '\0');
        qToLittleEndian<quint16>(code, r.data());
        qToLittleEndian<quint16>(quint16(data.size()), r.data() + 2);
        return r + data;
    };
    const QByteArray title = EncodeCodePage(QString::fromUtf8("Справка по программе"), 1251) + '\0';
    const QByteArray system = QByteArray("\x03\x00\x00\x00", 4) + record(9, QByteArray("HHA Version 4.74.8702\0", 22))
                              + record(4, QByteArray("\x19\x04\x00\x00\x00\x00\x00\x00", 8)) + record(2, QByteArray("b.htm\0", 6))
                              + record(3, title);
    QTemporaryDir dir;
    const QString chm = Compile(dir.path() + "/sys/", {{"t.hhp", "[OPTIONS]\r\nCompiled file=t.chm\r\nFull-text search=No\r\n"
                                                                  "Title=Wrong\r\nDefault topic=a.htm\r\n\r\n[FILES]\r\na.htm\r\n"
                                                                  "b.htm\r\nsys.bin\r\n"},
                                                       {"a.htm", "<html>a</html>"},
                                                       {"b.htm", "<html>b</html>"},
                                                       {"sys.bin", system}});
    Rename(chm, "/#SYSTEM", "/#SYSTEX");
    Rename(chm, "/sys.bin", "/#SYSTEM");
    {
        TChmFile file(chm);
        bool found = false;
        for (const TChmEntry &e : file.Entries())
            if (e.Name == "/#SYSTEM") {
                EXPECT_EQ(e.Section, 1);
                found = true;
            }
        ASSERT_TRUE(found);
        EXPECT_EQ(file.Read("/#SYSTEM"), system);
    }
    Tchm t;
    t.LoadFromCHM(chm);
    EXPECT_TRUE(t.Warnings.Empty()) << t.Warnings.Texts().join('\n').toStdString();
    EXPECT_EQ(t.LangID, "0x0419");
    EXPECT_EQ(t.CodePage, 1251);
    EXPECT_EQ(t.Title, QString::fromUtf8("Справка по программе"));
    EXPECT_EQ(t.DefaultPage, "b.htm");
}

TEST(BinaryContents, AnIndexFileOverTenMegabytesIsReadWhole)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    // Stored as a plain file, so the compiler does not read it itself; found by its extension.
    QByteArray index = "<UL>\r\n";
    int keywords = 0;
    while (index.size() < 10'500'000) {
        index += Entry("keyword number " + QByteArray::number(keywords), keywords % 2 ? "a.htm" : "b.htm");
        ++keywords;
    }
    index += Entry("last", "a.htm") + "</UL>\r\n";
    QTemporaryDir dir;
    const QString chm = Compile(dir.path() + "/big/", {{"t.hhp", "[OPTIONS]\r\nCompiled file=t.chm\r\nContents file=t.hhc\r\n"
                                                                  "Full-text search=No\r\n\r\n[FILES]\r\na.htm\r\nb.htm\r\nbig.hhk\r\n"},
                                                       {"a.htm", "<html>a</html>"},
                                                       {"b.htm", "<html>b</html>"},
                                                       {"t.hhc", "<UL>" + Entry("A", "a.htm") + Entry("B", "b.htm") + "</UL>"},
                                                       {"big.hhk", index}});
    QTemporaryDir out;
    Tchm t;
    t.LoadFromCHM(chm);
    t.rootFolder = out.path() + "/";
    t.decompile();
    EXPECT_EQ(QFileInfo(t.hhkFile).fileName(), "big.hhk");
    EXPECT_EQ(ReadAll(t.hhkFile), index);
    ASSERT_EQ(t.List.Count(), 2);
    const QStringList a = t.List[0]->Keywords.split(KeywordSeparator);
    const QStringList b = t.List[1]->Keywords.split(KeywordSeparator);
    EXPECT_EQ(a.size() + b.size(), keywords + 1);
    EXPECT_EQ(a.last(), "last");
    EXPECT_EQ(b.first(), "keyword number 0");
}
