// Page assembly on decompiled folders: addresses, the pages the contents reach, the appendix,
// chapter numbers, bookmarks and the links rewritten to them.
#include "chm2word/Chm2Word.h"
#include "chm2word/PagePool.h"
#include "text/HtmlHelpTools.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <stdexcept>

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

QString Read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QByteArray Entry(const QByteArray &name, const QByteArray &local)
{
    return "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + name + "\">"
           + (local.isEmpty() ? QByteArray() : "<param name=\"Local\" value=\"" + local + "\">") + "</OBJECT>\n";
}

QByteArray Page(const QByteArray &title, const QByteArray &content)
{
    return "<html><head><title>" + title + "</title><link rel=stylesheet href=\"css/s.css\"></head><body>"
           "<p>Home | Contents | Index of this help</p>" + content + "<p>Copyright 2024 by the firm</p></body></html>";
}

QString Words(int n, const QString &seed)
{
    QStringList w;
    for (int k = 0; k < n; ++k)
        w << seed + QString::number(k);
    return w.join(' ');
}

struct TFolder
{
    QTemporaryDir dir;
    Tchm2word c;
    explicit TFolder(const QByteArray &hhc)
    {
        c.rootFolder = dir.path() + "/root/";
        c.chmFile = dir.path() + "/guide.chm";
        Write(c.rootFolder + "toc.hhc", hhc);
        ReadContentsText(QString::fromUtf8(hhc), c.List);
    }
    void Page(const QString &name, const QString &content, const QString &title = {})
    {
        Write(c.rootFolder + name, ::Page(title.toUtf8(), content.toUtf8()));
    }
};

} // namespace

TEST(Chm2Word, AHelpFolderBecomesNumberedPagesWithBookmarkLinks)
{
    TFolder f("<UL>" + Entry("Start", "ms-its:guide.chm::/start.htm") + "<UL>" + Entry("Guide", "guide.htm")
              + Entry("Part A", "guide.htm#a") + Entry("Part B", "guide.htm#b") + "</UL>"
              + Entry("Web", "http://example.org/") + Entry("Outside", "../../x.htm") + Entry("Group", "") + "<UL><UL>"
              + Entry("Deep", "Sub/Deep.htm") + "</UL></UL></UL>");
    f.Page("start.htm", "<div><p>" + Words(30, "start") + " <a href=\"guide.htm#b\">to B</a> <a href=\"sub/deep.htm\">deep</a>"
                        " <a href=\"extra.htm\">extra</a> <a href=\"#top\">top</a> <a href=\"mailto:x@y\">mail</a></p></div>",
           "Start");
    f.Page("guide.htm", "<div><p><a name=\"a\"></a>Part A</p><p>" + Words(30, "alpha")
                        + "</p><p><a name=\"b\"></a>Part B</p><p ALIGN=\"justify\">" + Words(30, "beta") + "</p></div>");
    f.Page("sub/deep.htm", "<div><p>" + Words(30, "deep") + "</p></div>");
    f.Page("x.htm", "<div><p>" + Words(30, "xx") + "</p></div>");
    // Reached only through links: a cycle of two pages and one that links to itself.
    f.Page("extra.htm", "<div><p>" + Words(30, "extra") + " <a href=\"more.htm\">m</a> <a href=\"extra.htm\">self</a></p></div>", "Extra page");
    f.Page("more.htm", "<div><p>" + Words(30, "more") + " <a href=\"extra.htm\">back</a></p></div>");
    Write(f.c.rootFolder + "css/s.css", "p.hidden { DISPLAY : NONE }\n");
    f.c.AddHint = true;
    f.c.HintFormat = "see [title no.]";
    f.c.Addenda = "Appendix";
    // Each step's count only goes forward, within its total: the common-part passes count on
    // from one pass to the next instead of starting again.
    std::map<QString, std::pair<int, int>> last;
    f.c.OnProgress = [&](const QString &step, int done, int total) {
        auto it = last.find(step);
        if (it != last.end()) {
            EXPECT_GE(done, it->second.first) << step.toStdString();
            EXPECT_EQ(total, it->second.second) << step.toStdString();
        }
        if (total > 0) {
            EXPECT_LT(done, total) << step.toStdString();
        }
        last[step] = {done, total};
    };
    f.c.Execute();
    EXPECT_GE(last["Comparing"].first, last["Comparing"].second / 3) << "the count went on past the first pass";

    QStringList shown;
    for (int k = 0; k < f.c.List.Count(); ++k) {
        const TTitleList &e = *f.c.List[k];
        shown << QStringLiteral("%1|%2|%3|%4|%5").arg(e.ChapterNumber, e.Topic, e.Url).arg(e.Status).arg(e.Bookmark);
    }
    EXPECT_EQ(shown.join('\n').toStdString(),
              "1.|Start|start.htm|0|Bookmark0\n"
              "1.1|Guide|guide.htm|0|Bookmark1\n"
              "1.2|Part A|guide_0.htm|0|Bookmark2\n"
              "1.3|Part B|guide_1.htm|0|Bookmark3\n"
              "2.|Web|http://example.org/|3|Bookmark4\n"
              "3.|Outside|x.htm|0|Bookmark5\n"
              "4.|Group||2|Bookmark6\n"
              "4..1|Deep|Sub/Deep.htm|0|Bookmark7\n"
              "5.|Appendix||2|Bookmark8\n"
              "5.1|Extra page|extra.htm|0|Bookmark9\n"
              "5.2||more.htm|0|Bookmark10"); // no title element, and the title pass did not run

    const QString start = Read(f.c.rootFolder + "start.htm");
    EXPECT_FALSE(start.contains("Home |")) << "the common header is gone";
    EXPECT_FALSE(start.contains("Copyright"));
    EXPECT_TRUE(start.contains("<a href=\"#Bookmark1_b\">to B</a>(see 1.1)")) << start.toStdString();
    EXPECT_TRUE(start.contains("<a href=\"#Bookmark9\">extra</a>(see 5.1)"));
    EXPECT_TRUE(start.contains("<a href=\"#Bookmark0\">top</a>")) << "no anchor named top there";
    EXPECT_TRUE(start.contains("<a href=\"mailto:x@y\">mail</a>"));
    EXPECT_TRUE(start.contains("href=\"#Bookmark7\"")) << "a link written in another letter case finds its page";
    const QString guide = Read(f.c.rootFolder + "guide.htm");
    EXPECT_TRUE(guide.contains("<a name=\"Bookmark1_a\">")) << guide.toStdString();
    EXPECT_TRUE(guide.contains("Align=\"left\""));
    EXPECT_TRUE(Read(f.c.rootFolder + "guide_0.htm").contains("alpha0"));
    EXPECT_FALSE(Read(f.c.rootFolder + "guide_0.htm").contains("beta0"));
    EXPECT_TRUE(Read(f.c.rootFolder + "guide_1.htm").contains("beta0"));
    EXPECT_EQ(Read(f.c.rootFolder + "css/s.css"), "p.hidden { display:block }\n");
    EXPECT_FALSE(QFile::exists(f.dir.path() + "/x.htm"));
}

TEST(Chm2Word, ChapterNumbersAndDiscardedAddenda)
{
    TFolder f("");
    for (int level : {1, 1, 0, 1, 1, 0, 2, 9}) {
        auto e = std::make_unique<TTitleList>();
        e->Level = level;
        e->Status = 2;
        f.c.List.Add(std::move(e));
    }
    f.c.GetChapterNumber();
    QStringList numbers;
    for (int k = 0; k < f.c.List.Count(); ++k)
        numbers << f.c.List[k]->ChapterNumber;
    EXPECT_EQ(numbers.join(' '), ".1 .2 1. 1.1 1.2 2. 2..1 2..1");
    EXPECT_EQ(FixDisplayAndAlign("a{display:NONE} <p align=justify> <p ALIGN='justify'>"), "a{display:block} <p Align=left> <p Align='left'>");
}

TEST(Chm2Word, LinksIntoHelpFilesAndOutOfTheFolder)
{
    TFolder f("");
    f.c.rootFolder = f.dir.path() + "/root/";
    EXPECT_EQ(f.c.ProcessDecompiledUrl("ms-its:GUIDE.chm::/html/intro.htm", f.c.rootFolder), "html/intro.htm");
    EXPECT_EQ(f.c.ProcessDecompiledUrl(" ../../x.htm ", f.c.rootFolder + "a/b.htm"), "x.htm");
    EXPECT_EQ(f.c.ProcessDecompiledUrl("../x.htm", f.c.rootFolder + "a/b.htm"), "../x.htm");
    EXPECT_EQ(f.c.ProcessDecompiledUrl("C:\\help\\y.htm", f.c.rootFolder), "y.htm");
    EXPECT_EQ(f.c.ProcessDecompiledUrl("/pics/p.gif", f.c.rootFolder + "a/b.htm"), "../pics/p.gif");
    EXPECT_EQ(f.c.ProcessDecompiledUrl("mk:@MSITStore:missing.chm::/a.htm", f.c.rootFolder), "");
    EXPECT_EQ(f.c.ProcessSCR("<img src='/x.gif' alt=\"/y\"><a HREF=../../../z.htm>", f.c.rootFolder + "a/b.htm"),
              "<img src='../x.gif' alt=\"/y\"><a HREF=z.htm>");

    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    // A second help file beside the first is decompiled once into a folder of its name.
    const QString project = f.dir.path() + "/other/";
    Write(project + "t.hhp", "[OPTIONS]\r\nCompiled file=../other.chm\r\nFull-text search=No\r\n\r\n[FILES]\r\na.htm\r\n");
    Write(project + "a.htm", "<html><body>other</body></html>");
    ASSERT_EQ(RunHelpCompiler(project, "t.hhp").ExitCode, 0);
    EXPECT_EQ(f.c.ProcessDecompiledUrl("mk:@MSITStore:other.chm::/a.htm", f.c.rootFolder), "other.chm/a.htm");
    EXPECT_EQ(Read(f.c.rootFolder + "other.chm/a.htm"), "<html><body>other</body></html>");
    QFile::remove(f.c.rootFolder + "other.chm/a.htm");
    EXPECT_EQ(f.c.ProcessDecompiledUrl("ms-its:other.chm::/a.htm", f.c.rootFolder), "other.chm/a.htm");
    EXPECT_FALSE(QFile::exists(f.c.rootFolder + "other.chm/a.htm")) << "decompiled once only";
}

TEST(Chm2Word, LongChainsAndManyLinksAreFollowedWithoutRecursion)
{
    TFolder f("<UL>" + Entry("Top", "p0.htm") + "</UL>");
    const int chain = 1000;
    for (int k = 0; k < chain; ++k)
        Write(f.c.rootFolder + QStringLiteral("p%1.htm").arg(k),
              QStringLiteral("<html><body><a href=\"p%1.htm\">n</a><a href=\"p0.htm\">0</a></body></html>").arg(k + 1).toUtf8());
    f.c.ProcessTocLink();
    f.c.FillFileList();
    EXPECT_EQ(f.c.Files.Count(), 1);
    EXPECT_EQ(f.c.NonTocicFiles.Count(), chain - 1);
}

namespace {

// A help folder of n pages with what makes the page-by-page steps interact: pages reached only
// through links, links in another letter case, root-relative links the analysis rewrites,
// links into this help file and into damaged second help files (warnings), entries with
// bookmarks (section files, one of them a page's own name), two addresses of one page (twice),
// declared code pages, missing pages.
QByteArray MakeManyPages(TFolder &f, int n, bool twice)
{
    QRandomGenerator r(11);
    QByteArray hhc = "<UL>";
    for (int k = 0; k < n; ++k) {
        const QByteArray page = "pages/p" + QByteArray::number(k) + ".htm";
        if (k % 10 == 5)
            continue; // reached from the page before it only
        hhc += Entry("Topic " + QByteArray::number(k), page);
        if (k % 7 == 0)
            hhc += Entry("Part A of " + QByteArray::number(k), page + "#a") + Entry("Part B of " + QByteArray::number(k), page + "#b");
        if (twice && k % 17 == 0)
            hhc += Entry("Again " + QByteArray::number(k), "pages/../" + page);
        if (k % 19 == 0)
            hhc += Entry("Missing " + QByteArray::number(k), "pages/gone" + QByteArray::number(k) + ".htm");
    }
    // A page of its own whose name is that of a section file of p70.
    hhc += Entry("Like a section", "pages/p70_1.htm") + "</UL>";
    Write(f.c.rootFolder + "pages/p70_1.htm", "<html><body><p>" + Words(30, "own").toUtf8() + "</p></body></html>");
    for (int k = 0; k < n; ++k) {
        const bool cp1252 = k % 11 == 0;
        QString body = QStringLiteral("<div class=nav><a href=\"../index.htm\">Home</a> | <a href=\"p0.htm\">Contents</a></div><h1>Topic %1</h1>").arg(k);
        if (k % 7 == 0)
            body += "<p><a name=\"a\"></a>Part A</p>";
        for (int p = 0; p < 3; ++p)
            body += "<p>" + Words(10 + int(r.bounded(40)), QStringLiteral("w%1x").arg(r.bounded(100))) + "</p>";
        if (k % 7 == 0)
            body += "<p><a name=\"b\"></a>Part B</p><p ALIGN=justify>" + Words(20, "b") + "</p>";
        body += QStringLiteral("<p><a href=\"p%1.htm\">next</a> <a href=\"P%2.HTM#b\">case</a> <a href=\"/pages/p%3.htm\">root</a></p>")
                    .arg(k + 1).arg(r.bounded(n)).arg(r.bounded(n));
        if (k % 9 == 0)
            body += QStringLiteral("<p><a href=\"ms-its:guide.chm::/pages/p%1.htm\">here</a></p>").arg(r.bounded(n));
        if (k % 23 == 0)
            body += QStringLiteral("<p><a href=\"ms-its:bad%1.chm::/a.htm\">there</a></p>").arg(r.bounded(4));
        if (cp1252)
            body += QString::fromUtf8("<p>caf\u00e9 cr\u00e8me</p>");
        body += "<p class=footer>Copyright 2024 the firm</p>";
        const QString head = cp1252 ? "<meta charset=\"windows-1252\"><title>Topic %1</title>" : "<title>Topic %1</title>";
        const QString page = "<html><head>" + head.arg(k) + "<link rel=stylesheet href=\"../css/s.css\"></head><body>" + body + "</body></html>";
        Write(f.c.rootFolder + QStringLiteral("pages/p%1.htm").arg(k), cp1252 ? page.toLatin1() : page.toUtf8());
    }
    Write(f.c.rootFolder + "css/s.css", "p.hidden { display: none }\n");
    for (int k = 0; k < 4; ++k)
        Write(f.dir.path() + QStringLiteral("/bad%1.chm").arg(k), "ITSF but not really a help file " + QByteArray::number(k));
    return hhc;
}

std::map<QString, QByteArray> FilesUnder(const QString &root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            files[path.mid(root.size())] = f.readAll();
    }
    return files;
}

struct TRun
{
    std::unique_ptr<TFolder> f;
    QStringList progress;
};

// Runs the steps on a fresh copy of the folder; cancelAt ("Distilling 100") throws there.
TRun RunManyPages(int threads, int n, const QString &cancelAt = {}, bool twice = true)
{
    TRun run;
    // The folder is made before its contents file is known: make it, then read the entries.
    run.f = std::make_unique<TFolder>("");
    const QByteArray hhc = MakeManyPages(*run.f, n, twice);
    ReadContentsText(QString::fromUtf8(hhc), run.f->c.List);
    Tchm2word &c = run.f->c;
    c.Threads = threads;
    c.Addenda = "Appendix";
    c.AddHint = true;
    c.HintFormat = "see [Title No.]";
    c.OnProgress = [&](const QString &step, int done, int total) {
        const QString item = step + ' ' + QString::number(done);
        run.progress << item + '/' + QString::number(total);
        if (item == cancelAt)
            throw std::runtime_error("cancelled");
    };
    try {
        c.Execute();
    } catch (const std::runtime_error &) {
    }
    return run;
}

QString Entries(const Tchm2word &c)
{
    QStringList shown;
    for (int k = 0; k < c.List.Count(); ++k) {
        const TTitleList &e = *c.List[k];
        shown << QStringLiteral("%1|%2|%3|%4|%5").arg(e.ChapterNumber, e.Topic, e.Url).arg(e.Status).arg(e.Bookmark);
    }
    return shown.join('\n');
}

} // namespace

// Every step that works on pages at once gives what page by page gives: the same files, byte
// for byte, the same entries, the same pages found through links in the same order, the same
// warnings in the same order and the same progress reports.
TEST(Chm2Word, PagesWorkedOnAtOnceGiveWhatPageByPageGives)
{
    const int n = 4 * TPagePool::kChunk + 37;
    const TRun serial = RunManyPages(1, n);
    const TRun parallel = RunManyPages(4, n);
    const Tchm2word &a = serial.f->c, &b = parallel.f->c;
    ASSERT_GT(a.NonTocicFiles.Count(), 20);
    ASSERT_GE(a.Warnings.Count(), 4);
    EXPECT_EQ(Entries(a).toStdString(), Entries(b).toStdString());
    QStringList na, nb;
    for (int k = 0; k < a.NonTocicFiles.Count(); ++k)
        na << a.NonTocicFiles[k].mid(a.rootFolder.size());
    for (int k = 0; k < b.NonTocicFiles.Count(); ++k)
        nb << b.NonTocicFiles[k].mid(b.rootFolder.size());
    EXPECT_EQ(na, nb);
    EXPECT_EQ(a.Warnings.Texts().replaceInStrings(serial.f->dir.path(), "DIR"), b.Warnings.Texts().replaceInStrings(parallel.f->dir.path(), "DIR"));
    EXPECT_EQ(serial.progress, parallel.progress);
    const auto fa = FilesUnder(serial.f->dir.path()), fb = FilesUnder(parallel.f->dir.path());
    ASSERT_EQ(fa.size(), fb.size());
    for (auto x = fa.begin(), y = fb.begin(); x != fa.end(); ++x, ++y) {
        ASSERT_EQ(x->first, y->first);
        EXPECT_EQ(x->second, y->second) << x->first.toStdString();
    }
    EXPECT_TRUE(fa.count("/root/pages/p0_1.htm")) << "section files were written";
}

// A cancel in the middle of a step that works on pages at once stops it before anything of the
// chunk it came in is written: the files are those page by page leaves when cancelled at the
// chunk's first page, so no page is half written and nothing after the cancel is touched.
TEST(Chm2Word, ACancelAmongPagesWorkedOnAtOnceLeavesWholePages)
{
    const int n = 3 * TPagePool::kChunk;
    for (const QString step : {"Reading", "Distilling", "Linking"}) {
        const QString at = step + ' ' + QString::number(TPagePool::kChunk + 10);
        const TRun parallel = RunManyPages(4, n, at, false);
        EXPECT_EQ(RunManyPages(1, n, at, false).progress, parallel.progress);
        const TRun serial = RunManyPages(1, n, step + ' ' + QString::number(TPagePool::kChunk), false);
        const auto fs = FilesUnder(serial.f->dir.path()), fp = FilesUnder(parallel.f->dir.path());
        ASSERT_EQ(fs.size(), fp.size()) << step.toStdString();
        for (auto x = fs.begin(), y = fp.begin(); x != fs.end(); ++x, ++y) {
            ASSERT_EQ(x->first, y->first);
            EXPECT_EQ(x->second.toStdString(), y->second.toStdString()) << step.toStdString();
        }
    }
}
