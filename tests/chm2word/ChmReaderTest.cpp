// Help files read back: built ones decompile to the files that went in and their contents and
// index read back to what was written; hand-made ones for what other compilers do; damaged
// ones never crash the reader or write outside the folder.
#include "chm2word/ChmTo.h"
#include "output/HtmlHelpOutput.h"
#include "output/UnitCHMProject.h"
#include "project/Contents.h"
#include "text/ChmFile.h"
#include "text/HtmlHelpTools.h"
#include "text/LanguageProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

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

// The compiler stores a note of its own in every help file it writes.
const QString CompilerNote = QStringLiteral("_#_README_#_");

// Every file under folder, relative, "/" separated, sorted, one a line; the compiler's note
// left out.
QString FilesUnder(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QString f = QDir(folder).relativeFilePath(it.next()); f != CompilerNote)
            out << f;
    out.sort();
    return out.join('\n');
}

bool HaveCompiler() { return !HelpCompilerProgram().isEmpty(); }

// A help file made by our own build: pages, a picture and a style sheet, a nested contents
// list, an index with sub-keywords, compiled by the real compiler.
struct TBuiltHelp
{
    QTemporaryDir dir;
    QString folder, chm;
    TContentsItems items;
    TCHMProject project;

    TBuiltHelp(int pages, const QString &language, const std::function<QString(int)> &title, bool repairHeader)
    {
        folder = dir.path() + "/project/";
        chm = folder + "help.chm";
        Write(folder + "css/style.css", "body { color: black }\n");
        Write(folder + "images/pic.gif", QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14));
        for (int i = 0; i < pages; ++i) {
            auto item = std::make_unique<TContentsItem>();
            item->Level = i == 0 ? 1 : 1 + (i % 3);
            item->Title = title(i);
            item->HTMLTitle = item->Title;
            item->Url = QStringLiteral("pages/t%1.htm").arg(i, 5, 10, QLatin1Char('0'));
            item->Icon = -1;
            item->Status = 0;
            if (i % 4 == 0)
                item->Keywords = QStringLiteral("Key %1\nTools/Sub %1\nA//B %1").arg(i);
            else if (i % 4 == 1 && i < 400) // the compiler crashes on a keyword of some 250 pages
                item->Keywords = QStringLiteral("Shared");
            Write(folder + item->Url, QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title>"
                                                     "<link rel=\"stylesheet\" href=\"../css/style.css\"></head>"
                                                     "<body><p>%1 text %2</p><img src=\"../images/pic.gif\"></body></html>")
                                          .arg(item->Title.toHtmlEscaped())
                                          .arg(i)
                                          .toUtf8());
            items.Add(std::move(item));
        }
        THtmlHelpMaker maker;
        maker.Contents = &items;
        project.Folder = folder;
        project.CHM = chm;
        project.Title = title(0) + " Help";
        project.Language = language;
        project.DefaultTopic = "pages/t00000.htm";
        project.TOC = maker.MakeHHCList();
        project.IndexList = maker.MakeHHKList();
        project.Output();
        if (repairHeader) {
            project.Compile1();
        } else {
            const THelpCompileResult run = RunHelpCompiler(folder, project.HHPFile);
            EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
        }
    }

    // The files the project put into the help file: everything in the folder but the project
    // file, the help file and the compiler's log.
    QStringList Inputs() const
    {
        QStringList in;
        for (const QString &f : FilesUnder(folder).split('\n'))
            if (!f.endsWith(".hhp") && !f.endsWith(".chm") && !f.endsWith(".log") && !f.endsWith(".h"))
                in << f;
        return in;
    }
};

// Checks that the decompile wrote exactly the inputs with the same bytes, and that the
// contents and index read back to the entries the build wrote.
void ExpectRoundTrip(TBuiltHelp &b)
{
    QTemporaryDir out;
    Tchm t;
    t.LoadFromCHM(b.chm);
    t.rootFolder = out.path() + "/pages out/";
    t.decompile();
    EXPECT_EQ(t.Title, b.project.Title);
    EXPECT_EQ(t.LangID, b.project.Language);
    EXPECT_EQ(t.DefaultPage, b.project.DefaultTopic);
    EXPECT_EQ(t.CodePage, Languages().GetCodepageById(b.project.Language));

    const QStringList inputs = b.Inputs();
    EXPECT_EQ(FilesUnder(t.rootFolder), inputs.join('\n'));
    for (const QString &f : inputs)
        ASSERT_EQ(ReadAll(t.rootFolder + f), ReadAll(b.folder + f)) << f.toStdString();
    EXPECT_EQ(QFileInfo(t.hhcFile).fileName(), "help.hhc");
    EXPECT_EQ(QFileInfo(t.hhkFile).fileName(), "help.hhk");

    ASSERT_EQ(t.List.Count(), b.items.Count());
    for (int i = 0; i < b.items.Count(); ++i) {
        const TContentsItem &in = *b.items.Items(i);
        const TTitleList &got = *t.List[i];
        ASSERT_EQ(got.Topic, in.Title) << i;
        EXPECT_EQ(got.Level, in.Level - 1) << i;
        EXPECT_EQ(got.Url, in.Url) << i;
        EXPECT_EQ(got.Status, 0);
        EXPECT_EQ(got.Index, i);
        EXPECT_EQ(got.ContextNumber, QString::number(1000 + i));
        QStringList want = in.Keywords.isEmpty() ? QStringList() : in.Keywords.split('\n');
        QStringList have = got.Keywords.isEmpty() ? QStringList() : got.Keywords.split(KeywordSeparator);
        want.sort();
        have.sort();
        EXPECT_EQ(have, want) << i;
    }
}

} // namespace

TEST(ChmReader, OwnHelpFilesDecompileToTheirInputsAndReadBack)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    TBuiltHelp small(20, "0x0409", [](int i) { return QStringLiteral("Topic %1").arg(i); }, true);
    ExpectRoundTrip(small);
    // Cyrillic titles in cp1251 and umlauts in cp1252.
    TBuiltHelp russian(12, "0x0419", [](int i) { return QString::fromUtf8("Глава %1 «ёж»").arg(i); }, true);
    ExpectRoundTrip(russian);
    TBuiltHelp german(12, "0x0407", [](int i) { return QString::fromUtf8("Übersicht %1 & Größe").arg(i); }, true);
    ExpectRoundTrip(german);
}

TEST(ChmReader, AThousandPagesNeedSeveralListingChunksAndAreAllFoundWithTheHeaderWrong)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    // The compiler's own header names the second listing chunk as the first; the reader walks
    // from the real one, and chmlib's own lookups still work.
    TBuiltHelp big(1200, "0x0409", [](int i) { return QStringLiteral("Topic %1").arg(i); }, false);
    ExpectRoundTrip(big);
    EXPECT_TRUE(FixChmDirectoryHeader(big.chm)) << "the header was wrong before";
    ExpectRoundTrip(big);
}

namespace {

// A hand-written project compiled by the real compiler: name -> bytes of every file, the
// project file among them.
QString CompileHandMade(const QString &folder, const QMap<QString, QByteArray> &files, const QString &hhp = "t.hhp")
{
    for (auto it = files.begin(); it != files.end(); ++it)
        Write(folder + it.key(), it.value());
    const THelpCompileResult run = RunHelpCompiler(folder, hhp);
    EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
    return folder + QFileInfo(hhp).completeBaseName() + ".chm";
}

QByteArray Hhp(const QByteArray &options, const QByteArray &files)
{
    return "[OPTIONS]\r\nCompiled file=t.chm\r\nFull-text search=No\r\n" + options + "\r\n[FILES]\r\n" + files + "\r\n";
}

QByteArray Entry(const QByteArray &name, const QByteArray &local)
{
    return "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + name + "\"><param name=\"Local\" value=\""
           + local + "\"></OBJECT>\r\n";
}

} // namespace

TEST(ChmReader, HandMadeHelpFilesOfOtherShapes)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    QTemporaryDir dir;

    // zh-CN: title, contents and index in GBK.
    {
        const QString folder = dir.path() + "/zh/";
        const QByteArray title = EncodeCodePage(QString::fromUtf8("帮助 文件"), 936);
        const QByteArray chapter = EncodeCodePage(QString::fromUtf8("第一章 概述"), 936);
        const QByteArray keyword = EncodeCodePage(QString::fromUtf8("关键词"), 936);
        const QString chm = CompileHandMade(
            folder, {{"t.hhp", Hhp("Language=0x804\r\nTitle=" + title + "\r\nDefault topic=a.htm\r\nContents file=t.hhc\r\n"
                                   "Index file=t.hhk\r\n",
                                   "a.htm\r\nb.htm\r\n")},
                     {"a.htm", "<html><body>a</body></html>"},
                     {"b.htm", "<html><body>b</body></html>"},
                     {"t.hhc", "<UL>" + Entry(chapter, "a.htm") + "<UL>" + Entry("B", "b.htm") + "</UL></UL>"},
                     {"t.hhk", "<UL>" + Entry(keyword, "b.htm") + "</UL>"}});
        QTemporaryDir out;
        Tchm t;
        t.LoadFromCHM(chm);
        EXPECT_EQ(t.LangID, "0x0804");
        EXPECT_EQ(t.CodePage, 936);
        EXPECT_EQ(t.Title, QString::fromUtf8("帮助 文件"));
        EXPECT_EQ(t.DefaultPage, "a.htm");
        t.rootFolder = out.path() + "/";
        t.decompile();
        ASSERT_EQ(t.List.Count(), 2);
        EXPECT_EQ(t.List[0]->Topic, QString::fromUtf8("第一章 概述"));
        EXPECT_EQ(t.List[1]->Level, 1);
        EXPECT_EQ(t.List[1]->Keywords, QString::fromUtf8("关键词"));
    }

    // No index and no contents at all; upper-case names and a name with blanks.
    {
        const QString folder = dir.path() + "/upper/";
        const QString chm = CompileHandMade(folder, {{"t.hhp", Hhp("Default topic=PAGES\\INTRO.HTM\r\n", "PAGES\\INTRO.HTM\r\nmy page.HTM\r\n")},
                                                     {"PAGES/INTRO.HTM", "<HTML>intro</HTML>"},
                                                     {"my page.HTM", "<HTML>blank</HTML>"}});
        QTemporaryDir out;
        Tchm t;
        t.LoadFromCHM(chm);
        t.rootFolder = out.path() + "/";
        t.decompile();
        EXPECT_EQ(FilesUnder(out.path()), "PAGES/INTRO.HTM\nmy page.HTM");
        EXPECT_EQ(ReadAll(out.path() + "/PAGES/INTRO.HTM"), "<HTML>intro</HTML>");
        EXPECT_TRUE(t.hhcFile.isEmpty());
        EXPECT_TRUE(t.hhkFile.isEmpty());
        EXPECT_EQ(t.List.Count(), 0);
    }

    // Names that differ only in letter case: the first is written, the second is reported;
    // a folder met again in another case is the first one.
    {
        const QString folder = dir.path() + "/case/";
        const QString chm = CompileHandMade(folder, {{"t.hhp", Hhp("", "A.htm\r\na.htm\r\nImg\\x.gif\r\nimg\\y.gif\r\n")},
                                                     {"A.htm", "upper"},
                                                     {"a.htm", "lower"},
                                                     {"Img/x.gif", "x"},
                                                     {"img/y.gif", "y"}});
        QTemporaryDir out;
        TChmFile f(chm);
        TWarnings w;
        int skipped = 0;
        const QStringList written = f.ExtractAll(out.path(), &skipped, &w);
        EXPECT_EQ(skipped, 1);
        EXPECT_EQ(written.size(), 4) << written.join(',').toStdString();
        EXPECT_TRUE(w.Contains("only in letter case")) << w.Texts().join("\n").toStdString();
        const QString files = FilesUnder(out.path());
        EXPECT_TRUE(files == "A.htm\nImg/x.gif\nImg/y.gif" || files == "Img/x.gif\nImg/y.gif\na.htm") << files.toStdString();
    }

    // #SYSTEM names the contents file: that one is read, whichever comes first by name; when
    // it names none, the first by name.
    {
        const QString folder = dir.path() + "/two/";
        const QString chm = CompileHandMade(folder, {{"t.hhp", Hhp("Contents file=b.hhc\r\n", "a.hhc\r\np.htm\r\n")},
                                                     {"p.htm", "p"},
                                                     {"a.hhc", "<UL>" + Entry("From A", "p.htm") + "</UL>"},
                                                     {"b.hhc", "<UL>" + Entry("From B", "p.htm") + "</UL>"}});
        Tchm t;
        t.LoadFromCHM(chm);
        EXPECT_EQ(t.SystemContents, "b.hhc");
        QTemporaryDir out;
        t.rootFolder = out.path() + "/";
        t.decompile();
        ASSERT_EQ(t.List.Count(), 1);
        EXPECT_EQ(t.List[0]->Topic, "From B");
        t.SystemContents.clear(); // as a help file whose #SYSTEM has no such record
        QTemporaryDir again;
        t.rootFolder = again.path() + "/";
        t.decompile();
        ASSERT_EQ(t.List.Count(), 1);
        EXPECT_EQ(t.List[0]->Topic, "From A");
    }
}

TEST(ChmReader, SystemRecordsAreTakenByTheirCodes)
{
    auto record = [](quint16 code, const QByteArray &data) -> QByteArray {
        QByteArray r(4, '\0');
        qToLittleEndian<quint16>(code, r.data());
        qToLittleEndian<quint16>(quint16(data.size()), r.data() + 2);
        return r + data;
    };
    const QByteArray version("\x03\x00\x00\x00", 4);
    const QByteArray locale("\x07\x04\x00\x00", 4);
    // In the compiler's order and in another one: the same facts.
    const QByteArray inOrder = version + record(9, QByteArray("HHA Version 4.74.8702\0", 22)) + record(4, locale)
                               + record(2, QByteArray("a.htm\0", 6)) + record(3, QByteArray("Titel\0", 6))
                               + record(0, QByteArray("x.hhc\0", 6));
    const QByteArray shuffled = version + record(3, QByteArray("Titel\0", 6)) + record(0, QByteArray("x.hhc\0", 6))
                                + record(2, QByteArray("a.htm\0", 6)) + record(4, locale);
    for (const QByteArray &bytes : {inOrder, shuffled}) {
        const TChmSystemRecords r = ReadSystemRecords(bytes);
        EXPECT_TRUE(r.HasLocale);
        EXPECT_EQ(r.Locale, 0x0407);
        EXPECT_EQ(r.Title, "Titel");
        EXPECT_EQ(r.DefaultTopic, "a.htm");
        EXPECT_EQ(r.Contents, "x.hhc");
    }
    // A record whose length runs past the end stops the walk with a warning; no version
    // record, a short locale, nothing at all: empty values.
    TWarnings w;
    QByteArray cut = version + record(3, "Titel") + record(2, "abc");
    qToLittleEndian<quint16>(60000, cut.data() + 4 + 4 + 5 + 2);
    const TChmSystemRecords r = ReadSystemRecords(cut, &w);
    EXPECT_EQ(r.Title, "Titel");
    EXPECT_TRUE(r.DefaultTopic.isEmpty());
    EXPECT_EQ(w.Count(), 1);
    EXPECT_FALSE(ReadSystemRecords(version + record(4, "\x07")).HasLocale);
    EXPECT_FALSE(ReadSystemRecords(QByteArray()).HasLocale);
    EXPECT_TRUE(ReadSystemRecords(QByteArray("\x01\x02", 2)).Title.isEmpty());
}

TEST(ChmReader, DamagedHelpFilesNeverCrashNorWriteOutsideTheFolder)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    TBuiltHelp b(150, "0x0409", [](int i) { return QStringLiteral("Topic %1").arg(i); }, false);
    const QByteArray good = ReadAll(b.chm);
    ASSERT_GT(good.size(), 1000);
    QTemporaryDir dir;
    QRandomGenerator random(19);
    int opened = 0;
    for (int round = 0; round < 40; ++round) {
        QByteArray bad = good;
        if (round < 10) {
            bad.truncate(qsizetype(random.bounded(quint32(good.size()))));
        } else {
            // Flip bytes, mostly in the headers and the directory where lengths live.
            const int flips = 1 + int(random.bounded(8));
            for (int k = 0; k < flips; ++k) {
                const quint32 where = round % 2 ? random.bounded(quint32(std::min<qsizetype>(good.size(), 0x3000)))
                                                : random.bounded(quint32(good.size()));
                bad[where] = char(random.bounded(256));
            }
            if (round % 5 == 0) // a huge length or offset in a header field
                qToLittleEndian<quint32>(0xFFFFFFF0u, bad.data() + 8 * int(random.bounded(10)));
        }
        const QString path = dir.path() + QStringLiteral("/bad%1.chm").arg(round);
        Write(path, bad);
        const QString target = dir.path() + QStringLiteral("/out%1/in/").arg(round);
        Tchm t;
        t.LoadFromCHM(path);
        t.rootFolder = target;
        try {
            t.decompile();
            ++opened;
        } catch (const std::exception &) {
        }
        for (const QString &f : FilesUnder(dir.path() + QStringLiteral("/out%1").arg(round)).split('\n', Qt::SkipEmptyParts))
            ASSERT_TRUE(f.startsWith("in/")) << f.toStdString();
    }
    EXPECT_GT(opened, 10);
    // Zero length and not a help file at all.
    Write(dir.path() + "/empty.chm", QByteArray());
    Tchm t;
    t.LoadFromCHM(dir.path() + "/empty.chm");
    EXPECT_TRUE(t.Title.isEmpty());
    t.rootFolder = dir.path() + "/empty/";
    EXPECT_THROW(t.decompile(), std::exception);
    EXPECT_THROW(t.LoadFromCHM(dir.path() + "/missing.chm"), std::exception);
}

TEST(ChmReader, TheCommandLineDecompilesIntoAnEmptyFolderOrWithYes)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "chmcmd is not installed";
    TBuiltHelp b(5, "0x0409", [](int i) { return QStringLiteral("Topic %1").arg(i); }, true);
    QTemporaryDir out;
    const QString program = QStringLiteral(TAVREL_BINARY_DIR "/bin/tavrel");
    auto run = [&](const QStringList &args, QString *stdoutText = nullptr, QString *stderrText = nullptr) {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(60000);
        if (stdoutText)
            *stdoutText = QString::fromLocal8Bit(p.readAllStandardOutput());
        if (stderrText)
            *stderrText = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    };
    QString printed, progress;
    ASSERT_EQ(run({"--decompile", b.chm, out.path() + "/new"}, &printed, &progress), 0);
    // Progress as the other headless runs show it, one line per percentage, rising to 100.
    QStringList lines = progress.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2) << progress.toStdString();
    EXPECT_TRUE(lines.first().startsWith("[  0%] Decompiling")) << progress.toStdString();
    EXPECT_EQ(lines.last(), "[100%] Decompiled");
    EXPECT_EQ(lines.removeDuplicates(), 0);
    EXPECT_EQ(FilesUnder(out.path() + "/new"), b.Inputs().join('\n'));
    EXPECT_TRUE(printed.contains(out.path() + "/new/pages/t00004.htm")) << printed.toStdString();
    EXPECT_EQ(run({"--decompile", b.chm, out.path() + "/new"}), 1) << "not empty";
    EXPECT_EQ(run({"--decompile", b.chm, out.path() + "/new", "--yes"}), 0);
    EXPECT_EQ(run({"--decompile", out.path() + "/none.chm", out.path() + "/x"}), 1);
    EXPECT_EQ(run({"--decompile", b.chm}), 2);
    run({"--help"}, &printed);
    EXPECT_TRUE(printed.contains("--decompile HELP.chm FOLDER"));
}
