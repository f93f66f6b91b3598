// Real compiles with chmcmd, read back with chmlib; and every way a compile can go wrong.
#include "output/UnitCHMProject.h"
#include "output/UnitDesigner.h"
#include "support/ChmReadBack.h"
#include "text/ChmFile.h"
#include "text/Exceptions.h"
#include "text/HtmlHelpTools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace tavrel;
using tavrel::test::CheckHelpFile;
using tavrel::test::TChmExpectations;

namespace {

void Write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Sets an environment variable for the lifetime of the object.
class TEnvironment
{
public:
    TEnvironment(const char *name, const QByteArray &value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~TEnvironment()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

QString SitemapEntry(const QString &name, const QString &local)
{
    QString e = QStringLiteral("<LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"%1\">\r\n").arg(name);
    if (!local.isEmpty())
        e += QStringLiteral("<param name=\"Local\" value=\"%1\">\r\n").arg(local);
    return e + QStringLiteral("</OBJECT>\r\n");
}

// A project folder as the maker leaves it: n pages in a sub-folder, a style sheet, a picture;
// the contents lists every page by its title, the index one keyword per page.
struct TSmallProject
{
    QTemporaryDir dir;
    QString folder, chm;
    QStringList titles, keywords;
    TCHMProject project;

    explicit TSmallProject(int pages, const QStringList &givenTitles = {}, const QString &language = "0x0409")
    {
        folder = dir.path() + "/project/";
        chm = dir.path() + QString::fromUtf8("/out put/Hilfe ü/help.chm");
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QDir().mkpath(folder + "images");
        picture.save(folder + "images/pic.png");
        Write(folder + "css/style.css", "body { color: black }\n");
        QString toc = "<UL>";
        QString index = "<UL>";
        for (int i = 0; i < pages; ++i) {
            const QString title = i < givenTitles.size() ? givenTitles[i] : QStringLiteral("Topic %1").arg(i);
            const QString page = QStringLiteral("pages/t%1.htm").arg(i, 5, 10, QLatin1Char('0'));
            Write(folder + page, QStringLiteral("<html><head><meta charset=\"utf-8\"><link rel=\"stylesheet\" "
                                                "href=\"../css/style.css\"><title>T</title></head><body><p>Word%1 "
                                                "text</p><img src=\"../images/pic.png\"></body></html>")
                                     .arg(i)
                                     .toUtf8());
            titles << title;
            keywords << QStringLiteral("Key %1").arg(i, 5, 10, QLatin1Char('0'));
            toc += SitemapEntry(title, page);
            index += SitemapEntry(keywords.last(), QString()).replace(
                "</OBJECT>", QStringLiteral("<param name=\"Name\" value=\"%1\">\r\n<param name=\"Local\" value=\"%2\">\r\n</OBJECT>")
                                 .arg(title, page));
        }
        project.Folder = folder;
        project.CHM = chm;
        project.Title = "Small Help";
        project.Language = language;
        project.DefaultTopic = "pages/t00000.htm";
        project.TOC = toc + "</UL>";
        project.IndexList = index + "</UL>";
    }

    TChmExpectations Expect() const
    {
        TChmExpectations e;
        e.Folder = folder;
        e.ContentsNames = titles;
        e.IndexNames = keywords;
        e.Title = project.Title;
        e.Language = project.Language;
        e.DefaultTopic = project.DefaultTopic;
        e.MinimumFiles = titles.size() + 2;
        return e;
    }
};

QString FakeCompiler(const QString &folder, const QByteArray &script)
{
    const QString path = folder + "/chmcmd";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("#!/bin/sh\n" + script);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString CompileError(TCHMProject &p)
{
    try {
        p.Compile1();
    } catch (const tavrel::Exception &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

TEST(Compile, ASmallProjectBecomesAHelpFileThatReadsBack)
{
    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    TSmallProject s(12);
    s.project.Output();
    const QString console = s.project.Compile1();
    EXPECT_EQ(s.project.CompileExitCode, 0);
    EXPECT_TRUE(console.contains("Writing CHM")) << console.toStdString();
    const QStringList failures = CheckHelpFile(s.chm, s.Expect());
    EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();

    // The read-back itself notices what is missing or wrong.
    TChmExpectations wrong = s.Expect();
    wrong.Title = "Other";
    wrong.Files = QStringList{"pages/none.htm"};
    wrong.ContentsNames.removeLast();
    const QStringList noticed = CheckHelpFile(s.chm, wrong);
    EXPECT_EQ(noticed.size(), 3) << noticed.join("\n").toStdString();
    Write(s.folder + "late.htm", "<html></html>");
    EXPECT_EQ(CheckHelpFile(s.chm, s.Expect()).size(), 1);
    EXPECT_FALSE(CheckHelpFile(s.dir.path() + "/none.chm", s.Expect()).isEmpty());
}

TEST(Compile, AProjectWithoutALanguageIsCompiledInTheUsersLanguage)
{
    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    // The compiler crashes on an empty "Language=" line; a project file without the window
    // settings has no language at all.
    TSmallProject s(3, {}, QString());
    s.project.Output();
    QFile hhp(s.folder + s.project.HHPFile);
    ASSERT_TRUE(hhp.open(QIODevice::ReadOnly));
    EXPECT_TRUE(hhp.readAll().contains("\r\nLanguage=0x0409\r\n")); // the tests run with LANG=en_US.UTF-8
    s.project.Compile1();
    TChmExpectations e = s.Expect();
    e.Language = "0x0409";
    const QStringList failures = CheckHelpFile(s.chm, e);
    EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();
}

TEST(Compile, QuotesAndChineseInTitleAndKeywordsSurviveTheCompile)
{
    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    // The maker passes titles and keywords as they are; a value made of quotes must neither
    // end its param early nor blank the entry.
    const QStringList titles = {QString::fromUtf8("\"'''\""), QString::fromUtf8("中文 主题"), QString::fromUtf8("Ünïcödé & <b>")};
    TSmallProject s(3, titles, "0x0804");
    s.project.Title = QString::fromUtf8("\"'''\" 帮助");
    s.project.IndexList = "<UL>" + SitemapEntry(QString::fromUtf8("\"'''\""), "pages/t00000.htm")
                          + SitemapEntry(QString::fromUtf8("关键词"), "pages/t00001.htm") + "</UL>";
    s.keywords = {QString::fromUtf8("\"'''\""), QString::fromUtf8("关键词")};
    // A page whose name has blanks, umlauts and Chinese: UTF-8 in [FILES], the contents entry
    // in the help file's code page with references for the rest.
    const QString odd = QString::fromUtf8("pages/Überblick 中文.htm");
    Write(s.folder + odd, "<html><body>odd</body></html>");
    s.project.TOC.replace("</UL>", SitemapEntry(QString::fromUtf8("Überblick"), odd) + "</UL>");
    s.titles << QString::fromUtf8("Überblick");
    s.project.Output();
    s.project.Compile1();
    TChmExpectations e = s.Expect();
    const QStringList failures = CheckHelpFile(s.chm, e);
    EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();
    EXPECT_EQ(tavrel::test::ReadChmSystem(s.chm).Title, s.project.Title);
    EXPECT_TRUE(TChmFile(s.chm).Contains("/" + odd));
}

TEST(Compile, MoreThanAThousandPagesAreAllListedAfterTheHeaderRepair)
{
    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    TSmallProject s(1100);
    s.project.Output();
    // The compiler alone leaves a header through which an enumerating reader misses chunk 0;
    // our reader walks from the real first chunk and lists every file anyway.
    QDir().mkpath(QFileInfo(s.chm).absolutePath());
    const THelpCompileResult run = RunHelpCompiler(s.folder, s.project.HHPFile);
    ASSERT_EQ(run.ExitCode, 0) << run.Output.toStdString();
    {
        TChmFile f(s.chm);
        EXPECT_GE(f.UserFiles().size(), 1100 + 4);
    }
    EXPECT_TRUE(FixChmDirectoryHeader(s.chm));
    EXPECT_FALSE(FixChmDirectoryHeader(s.chm)); // once right, left alone
    {
        TChmFile f(s.chm);
        EXPECT_GE(f.UserFiles().size(), 1100 + 4);
    }
    // Compile1 does the same on its own.
    QFile::remove(s.chm);
    s.project.Compile1();
    const QStringList failures = CheckHelpFile(s.chm, s.Expect());
    EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();
}

TEST(Compile, ABrokenCompileIsAnErrorWithTheCompilersText)
{
    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    // A listed page that is gone makes chmcmd stop and leave an empty help file.
    TSmallProject s(3);
    s.project.Output();
    QFile::remove(s.folder + "pages/t00001.htm");
    const QString message = CompileError(s.project);
    EXPECT_TRUE(message.contains("chmcmd")) << message.toStdString();
    EXPECT_TRUE(message.contains("t00001.htm")) << message.toStdString();
    EXPECT_NE(s.project.CompileExitCode, 0);
    EXPECT_FALSE(QFile::exists(s.chm)) << "the empty help file stays";
}

TEST(Compile, AMissingHangingOrFailingCompilerIsAnErrorNamingIt)
{
    TSmallProject s(1);
    s.project.Output();
    QTemporaryDir empty, fake;
    {
        TEnvironment path("PATH", empty.path().toLocal8Bit());
        TEnvironment data("TAVREL_DATA", empty.path().toLocal8Bit());
        EXPECT_TRUE(HelpCompilerProgram().isEmpty());
        const QString message = CompileError(s.project);
        EXPECT_TRUE(message.contains("chmcmd") && message.contains("cannot be found")) << message.toStdString();
    }

    // The installation folder comes before the search path.
    TEnvironment data("TAVREL_DATA", fake.path().toLocal8Bit());
    const QString compiler =
        FakeCompiler(fake.path(), "echo \"fatal: the project $1 is bad\"\necho 'on stderr' >&2\nexit 3\n");
    EXPECT_EQ(HelpCompilerProgram(), compiler);
    QString message = CompileError(s.project);
    EXPECT_TRUE(message.contains("exit code 3")) << message.toStdString();
    EXPECT_TRUE(message.contains("fatal: the project help.hhp is bad")) << message.toStdString();
    EXPECT_TRUE(message.contains("on stderr")) << message.toStdString();

    // Exit 0, but an empty or unreadable help file, or none at all.
    const QByteArray chm = QFile::encodeName(s.chm);
    FakeCompiler(fake.path(), "printf '' > '" + chm + "'\n");
    message = CompileError(s.project);
    EXPECT_TRUE(message.contains("empty")) << message.toStdString();
    EXPECT_FALSE(QFile::exists(s.chm));
    FakeCompiler(fake.path(), "echo garbage > '" + chm + "'\n");
    message = CompileError(s.project);
    EXPECT_TRUE(message.contains("cannot be read")) << message.toStdString();
    QFile::remove(s.chm);
    FakeCompiler(fake.path(), "echo done\n");
    message = CompileError(s.project);
    EXPECT_TRUE(message.contains("did not write")) << message.toStdString();

    // A compiler that hangs is stopped at the time limit, with what it started.
    const QString child = s.dir.path() + "/child";
    FakeCompiler(fake.path(), "echo started\nsleep 30 &\necho $! > '" + QFile::encodeName(child) + "'\nsleep 30\n");
    s.project.CompileTimeoutMs = 400;
    QElapsedTimer t;
    t.start();
    message = CompileError(s.project);
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_TRUE(message.contains("did not finish") && message.contains("started")) << message.toStdString();
    QFile pidFile(child);
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const QByteArray pid = pidFile.readAll().trimmed();
    auto running = [&pid] {
        QFile stat(QString::fromLatin1("/proc/" + pid + "/stat"));
        return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z "); // a zombie has ended
    };
    QElapsedTimer gone;
    gone.start();
    while (running() && gone.elapsed() < 3000)
        QThread::msleep(20);
    EXPECT_FALSE(running()) << "the compiler's child still runs";

    // A long console output does not stall it; it comes back whole.
    FakeCompiler(fake.path(), "i=0; while [ $i -lt 20000 ]; do echo \"line $i of the compiler's chatter\"; i=$((i+1)); done\n"
                              "cp '" + QFile::encodeName(s.dir.path()) + "/none' '" + chm + "' 2>/dev/null\nexit 1\n");
    s.project.CompileTimeoutMs = 60000;
    message = CompileError(s.project);
    EXPECT_TRUE(message.contains("line 19999 of")) << message.right(200).toStdString();
}

TEST(Compile, ExtractingAHelpFileKeepsEveryNameInsideTheTarget)
{
    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    // chmcmd stores a [FILES] line that climbs out of the project as it is ("/../outside.htm").
    QTemporaryDir dir;
    const QString folder = dir.path() + "/project/";
    Write(dir.path() + "/outside.htm", "<html>outside</html>");
    Write(folder + "in.htm", "<html>inside</html>");
    Write(folder + "sub/deep.htm", "<html>deep</html>");
    Write(folder + "t.hhp", "[OPTIONS]\r\nCompiled file=t.chm\r\nDefault topic=in.htm\r\nFull-text search=No\r\n\r\n"
                            "[FILES]\r\nin.htm\r\nsub\\deep.htm\r\n..\\outside.htm\r\n\r\n");
    const THelpCompileResult run = RunHelpCompiler(folder, "t.hhp");
    ASSERT_EQ(run.ExitCode, 0) << run.Output.toStdString();

    TChmFile chm(folder + "t.chm");
    ASSERT_TRUE(chm.IsOpen());
    EXPECT_TRUE(chm.UserFiles().contains("../outside.htm"));
    EXPECT_TRUE(chm.Contains("/sub/deep.htm"));
    bool ok = false;
    EXPECT_EQ(chm.Read("/sub/deep.htm", &ok), "<html>deep</html>");
    EXPECT_TRUE(ok);
    chm.Read("/none.htm", &ok);
    EXPECT_FALSE(ok);

    const QString target = dir.path() + "/target/in/";
    int skipped = 0;
    const QStringList written = chm.ExtractAll(target, &skipped);
    EXPECT_EQ(skipped, 1);
    EXPECT_TRUE(written.contains("in.htm") && written.contains("sub/deep.htm")) << written.join(",").toStdString();
    EXPECT_FALSE(written.contains("../outside.htm"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/target/outside.htm"));
    QFile deep(target + "sub/deep.htm");
    ASSERT_TRUE(deep.open(QIODevice::ReadOnly));
    EXPECT_EQ(deep.readAll(), "<html>deep</html>");
    // System entries never reach the target.
    EXPECT_FALSE(QFile::exists(target + "#SYSTEM"));

    // Not a help file at all.
    Write(dir.path() + "/fake.chm", "ITSF but nothing else");
    TChmFile fake;
    EXPECT_FALSE(fake.Open(dir.path() + "/fake.chm"));
    EXPECT_TRUE(fake.Enumerate().isEmpty());
    EXPECT_FALSE(FixChmDirectoryHeader(dir.path() + "/fake.chm"));
}

namespace {

quint32 u32(const QByteArray &b, int at)
{
    if (at < 0 || at + 4 > b.size())
        return 0xFFFFFFFFu;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24);
}

} // namespace

TEST(Compile, WindowSettingsChosenInTheDesignerReachTheHelpFilesWindowRecord)
{
    if (HelpCompilerProgram().isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    // The author's choices, made as the designer's controls make them.
    TCHMProject chosen;
    TDesigner d;
    d.ClassToControl(chosen, true);
    d.SetChecked(TDesigner::cbSearch, false);
    d.SetChecked(TDesigner::cbShowMenu, true);
    d.SetChecked(TDesigner::cbHome, false);
    d.SetChecked(TDesigner::cbStayontop, true);
    d.SetChecked(TDesigner::cbZoom, true);
    d.SetToc(1, true);
    d.ShowTab(1);
    d.WindowBounds(120, 80, 800, 600, false);
    d.PaneWidth = 250;
    d.ControlToClass(chosen);

    TSmallProject s(3);
    const QString title = s.project.Title, language = s.project.Language, topic = s.project.DefaultTopic;
    s.project.Assign(chosen);
    s.project.Title = title;
    s.project.Language = language;
    s.project.DefaultTopic = topic;
    s.project.Output();
    s.project.Compile1();

    TChmFile file;
    ASSERT_TRUE(file.Open(s.chm));
    bool ok = false;
    const QByteArray w = file.Read(QStringLiteral("/#WINDOWS"), &ok);
    ASSERT_TRUE(ok);
    ASSERT_GE(u32(w, 0), 1u) << "one window";
    const int e = 8; // the first window record follows the count and the record size
    EXPECT_EQ(u32(w, e + 0x10), quint32(s.project.Face));
    EXPECT_TRUE(u32(w, e + 0x10) & 0x10000) << "the menu bar";
    EXPECT_FALSE(u32(w, e + 0x10) & 0x400) << "no search tab";
    EXPECT_EQ(u32(w, e + 0x1C), quint32(s.project.WindowEx));
    EXPECT_EQ(u32(w, e + 0x1C), 0x8u) << "stays on top";
    EXPECT_EQ(u32(w, e + 0x20), 120u);
    EXPECT_EQ(u32(w, e + 0x24), 80u);
    EXPECT_EQ(u32(w, e + 0x28), 920u);
    EXPECT_EQ(u32(w, e + 0x2C), 680u);
    EXPECT_EQ(u32(w, e + 0x4C), 250u);
    EXPECT_EQ(u32(w, e + 0x70), quint32(s.project.Toolbar));
    EXPECT_FALSE(u32(w, e + 0x70) & 0x40) << "no Home button";
    EXPECT_TRUE(u32(w, e + 0x70) & 0x100000) << "the Zoom button";
    EXPECT_EQ(u32(w, e + 0x78), 1u) << "the index tab first";
}
