// Whole builds of small documents whose links and linked pictures reach outside the project:
// what may be carried into the outputs, where relative links lead, what happens with special
// files and remote pictures, and which links and project texts may run script in a page.
#include "build/BuildProject.h"
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "support/ScriptedMessages.h"
#include "text/functions.h"
#include "word/DocxBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

const QString kStyles = QStringLiteral(
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/>"
    "<w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>");

QString heading(const QString &text) { return P(text, QStringLiteral("Heading1")); }

QString hyperlink(const QString &rel, const QString &text)
{
    return QStringLiteral("<w:p><w:hyperlink r:id=\"%1\"><w:r><w:t>%2</w:t></w:r></w:hyperlink></w:p>").arg(rel, text);
}

QString linkedPicture(const QString &rel, const QString &alt)
{
    return QStringLiteral("<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"95250\" cy=\"95250\"/><wp:docPr id=\"1\" name=\"P\" descr=\"%2\"/>"
                          "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
                          "<pic:blipFill><a:blip r:link=\"%1\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline>"
                          "</w:drawing></w:r></w:p>")
        .arg(rel, alt);
}

void write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A saved project in <tmp>/work/project with its document in <tmp>/work/project/doc, outputs
// under the project folder, and a private temporary folder for the build.
struct TOutsideBuild
{
    QTemporaryDir dir;
    QTemporaryDir temp;
    QString work, root, docFolder, outside;
    TProject project;
    TDocxBuilder docx;
    TBuildReport report;

    TOutsideBuild()
    {
        work = dir.filePath("work");
        root = work + "/project/";
        docFolder = root + "doc/";
        outside = dir.filePath("outside/");
        QDir().mkpath(docFolder);
        QDir().mkpath(outside);
        project.ProjectFilename = root + "help.tvp";
        project.RootDir = root;
        project.IsNew = false;
        project.SourceFile = "<Project_Folder>/doc/manual.docx";
        project.HtmlHelpOutput = false;
        project.PDFOutput = false;
        project.WebHelpOutput = true;
        project.OutputHHP = true;
        docx.Styles(kStyles);
    }
    void run()
    {
        docx.Save(docFolder + "manual.docx");
        project.SaveToIni(project.ProjectFilename);
        TScriptedMessages messages;
        TEnvOverride tmp("TMPDIR", temp.path());
        TThreadBuildRunner runner;
        TBuildOptions options;
        options.Headless = true;
        options.Yes = true;
        report = BuildProject(project, runner, options);
    }
    QString web() const { return project.RealPath(ptWebHelpFolder); }
    QString hhp() const { return project.RealPath(ptHHPFolder); }
    // Every byte the outputs hold, file by file.
    QStringList outputFiles() const
    {
        QStringList out;
        for (const QString &folder : {web(), hhp(), QFileInfo(project.RealPath(ptCompiledFile)).absolutePath()}) {
            QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                out << it.next();
        }
        return out;
    }
    bool outputsContain(const QByteArray &marker) const
    {
        for (const QString &f : outputFiles())
            if (ReadBytes(f).contains(marker))
                return true;
        return false;
    }
    QString warnings() const { return report.Warnings.Texts().join('\n'); }
    QString page(const QString &name) const { return QString::fromUtf8(ReadBytes(web() + "pages/" + name)); }
};

} // namespace

// Fault 4: a document carried private files into the help. Only files below the project's
// folder, the document's folder or a folder the project names are carried, hidden names below
// them never; everything else stays as its plain text (links) or its alternative text
// (pictures), with a warning naming the topic.
TEST(OutsideLinksCarry, OnlyAllowedFoldersAreCarriedIntoWebHelpAndTheHelpProject)
{
    TOutsideBuild b;
    b.project.HtmlHelpOutput = true;
    write(b.outside + "passwd", "SECRET-PASSWD");
    write(b.outside + "private.png", TDocxBuilder::Png(3, 3) + "SECRET-PICTURE");
    write(b.root + "files/manual.pdf", "ALLOWED-MANUAL");
    write(b.root + "files/.env", "SECRET-ENV");
    write(b.docFolder + "beside.txt", "ALLOWED-BESIDE");
    QDir().mkpath(b.dir.filePath("assets/.cache"));
    write(b.dir.filePath("assets/.cache/logo.png"), TDocxBuilder::Png(2, 2) + "ALLOWED-EXTRA");
    ASSERT_TRUE(QFile::link(b.outside + "passwd", b.root + "files/innocent.txt"));
    b.project.CarryFolders = QStringList{"<Project_Folder>/../../assets/.cache"};
    const QString relativeOut = "../../../../../../../../../../.." + b.outside + "passwd";
    b.docx.Relationship("rAbs", "hyperlink", "file://" + b.outside + "passwd", true)
        .Relationship("rRel", "hyperlink", relativeOut, true)
        .Relationship("rLink", "hyperlink", "../files/innocent.txt", true)
        .Relationship("rHidden", "hyperlink", "../files/.env", true)
        .Relationship("rOk", "hyperlink", "../files/manual.pdf", true)
        .Relationship("rBeside", "hyperlink", "beside.txt", true)
        .Relationship("rPic", "image", "file://" + b.outside + "private.png", true)
        .Relationship("rExtra", "image", "file://" + b.dir.filePath("assets/.cache/logo.png"), true)
        .Body(heading("Links") + hyperlink("rAbs", "absolute") + hyperlink("rRel", "climbing") + hyperlink("rLink", "through a link") +
              hyperlink("rHidden", "hidden") + hyperlink("rOk", "manual") + hyperlink("rBeside", "beside") +
              linkedPicture("rPic", "Private picture") + linkedPicture("rExtra", "Extra logo"));
    b.run();
    ASSERT_EQ(b.report.Result, TBuildReport::Completed) << b.report.Message.toStdString();

    EXPECT_FALSE(b.outputsContain("SECRET")) << b.outputFiles().join('\n').toStdString();
    EXPECT_TRUE(b.outputsContain("ALLOWED-MANUAL"));
    EXPECT_TRUE(b.outputsContain("ALLOWED-BESIDE"));
    EXPECT_TRUE(b.outputsContain("ALLOWED-EXTRA"));
    EXPECT_TRUE(QFileInfo(b.project.RealPath(ptCompiledFile)).size() > 0);
    const QString page = b.page("links.html");
    for (const char *text : {"absolute", "climbing", "through a link", "hidden", "Private picture"})
        EXPECT_TRUE(page.contains(text)) << text;
    EXPECT_FALSE(page.contains("passwd")) << page.toStdString();
    EXPECT_FALSE(page.contains(".env"));
    EXPECT_FALSE(page.contains("private.png"));
    EXPECT_TRUE(page.contains("href=\"manual.pdf\"")) << page.toStdString();
    // Every refusal is reported with its place.
    const QString w = b.warnings();
    EXPECT_GE(w.count("lies outside"), 3) << w.toStdString();
    EXPECT_TRUE(w.contains("is hidden")) << w.toStdString();
    EXPECT_TRUE(w.contains("Links")) << w.toStdString();
}

// Fault 5: relative links were resolved against the temporary copy's folder. A file beside the
// document is found, and one planted in the temporary folder is not taken instead.
TEST(OutsideLinksRelative, RelativeLinksResolveBesideTheOriginalDocument)
{
    TOutsideBuild b;
    write(b.docFolder + "notes.txt", "BESIDE-THE-DOCUMENT");
    write(b.docFolder + "pics/shot.png", TDocxBuilder::Png(4, 4) + "BESIDE-PICTURE");
    write(b.temp.filePath("notes.txt"), "PLANTED-IN-TEMP");
    write(b.temp.filePath("pics/shot.png"), TDocxBuilder::Png(5, 5) + "PLANTED-PICTURE");
    b.docx.Relationship("rNotes", "hyperlink", "notes.txt", true)
        .Relationship("rShot", "image", "pics/shot.png", true)
        .Body(heading("Relative") + hyperlink("rNotes", "the notes") + linkedPicture("rShot", "Shot"));
    b.run();
    ASSERT_EQ(b.report.Result, TBuildReport::Completed) << b.report.Message.toStdString();
    EXPECT_EQ(ReadBytes(b.web() + "pages/notes.txt"), "BESIDE-THE-DOCUMENT");
    EXPECT_TRUE(b.outputsContain("BESIDE-PICTURE"));
    EXPECT_FALSE(b.outputsContain("PLANTED"));
    EXPECT_FALSE(b.warnings().contains("does not exist")) << b.warnings().toStdString();
}

// Fault 8: a linked picture that is a FIFO hung the build, /dev/zero exhausted memory. The
// build ends promptly, leaves them out and says so.
TEST(OutsideLinksSpecialFiles, FifoAndDeviceLinksDoNotHangOrFillTheBuild)
{
    TOutsideBuild b;
    ASSERT_EQ(::mkfifo(QFile::encodeName(b.docFolder + "pipe.png").constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(b.docFolder + "pipe.txt").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", b.docFolder + "zero.png"));
    b.docx.Relationship("rFifoPic", "image", "pipe.png", true)
        .Relationship("rZeroPic", "image", "zero.png", true)
        .Relationship("rFifo", "hyperlink", "pipe.txt", true)
        .Relationship("rZero", "hyperlink", "file:///dev/zero", true)
        .Body(heading("Special") + linkedPicture("rFifoPic", "Pipe") + linkedPicture("rZeroPic", "Zero") + hyperlink("rFifo", "pipe") +
              hyperlink("rZero", "zero"));
    QElapsedTimer timer;
    timer.start();
    b.run();
    EXPECT_LT(timer.elapsed(), 60000);
    ASSERT_EQ(b.report.Result, TBuildReport::Completed) << b.report.Message.toStdString();
    EXPECT_GE(b.warnings().count("not a regular file"), 3) << b.warnings().toStdString();
    for (const QString &f : b.outputFiles())
        EXPECT_LT(QFileInfo(f).size(), 1024 * 1024) << f.toStdString();
    const QString page = b.page("special.html");
    EXPECT_TRUE(page.contains("Pipe") && page.contains("Zero") && page.contains("pipe") && page.contains("zero"));
}

// Fault 10: LibreOffice fetched a remote picture while exporting the PDF. Nothing reaches the
// network: the pages keep the remote address, the PDF leaves the picture out with a warning.
TEST(OutsideLinksNetwork, RemotePicturesStayLinksAndThePdfExportFetchesNothing)
{
    if (!IsLibreOfficeAvailable())
        GTEST_SKIP() << "LibreOffice is not installed";
    // A listening socket on the loopback: any connection attempt of the build queues on it.
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(server, 16), 0);
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr *>(&addr), &length), 0);
    const QString url = QStringLiteral("http://127.0.0.1:%1/picture.png").arg(ntohs(addr.sin_port));
    TOutsideBuild b;
    b.project.PDFOutput = true;
    write(b.docFolder + "local.png", TDocxBuilder::Png(6, 6));
    b.docx.Relationship("rRemote", "image", url, true)
        .Relationship("rLocal", "image", "local.png", true)
        .Body(heading("Remote") + linkedPicture("rRemote", "Remote picture") + linkedPicture("rLocal", "Local picture"));
    b.run();
    ASSERT_EQ(b.report.Result, TBuildReport::Completed) << b.report.Message.toStdString();
    ::fcntl(server, F_SETFL, O_NONBLOCK);
    const int client = ::accept(server, nullptr, nullptr);
    EXPECT_LT(client, 0) << "a build step connected to the network";
    if (client >= 0)
        ::close(client);
    ::close(server);
    EXPECT_TRUE(b.page("remote.html").contains("src=\"" + url + "\"")) << b.page("remote.html").toStdString();
    EXPECT_TRUE(b.warnings().contains("left out of the PDF")) << b.warnings().toStdString();
    EXPECT_GT(QFileInfo(b.project.RealPath(ptPDFFile)).size(), 0);
}

// Fault 11: PrevHint and NextHint ran as script in every page, and a document's script link
// became a live link. Project texts are escaped where they stand; the document's script, VB
// script and data links stay their plain text; the program's own rewritten links still work.
TEST(OutsideLinksScript, ProjectTextsAreEscapedAndDocumentScriptLinksStayText)
{
    TOutsideBuild b;
    b.project.HtmlHelpOutput = true;
    b.project.PrevHint = "</script><script>alert('prev')</script>";
    b.project.NextHint = "\" onmouseover=\"alert('next')";
    b.project.Title = "<img src=x onerror=alert('title')>";
    b.project.HtmlHelpOutputEncoding = "utf-8\"><script>alert('charset')</script>";
    b.docx.Relationship("rJs", "hyperlink", "javascript:alert('js')", true)
        .Relationship("rJsTab", "hyperlink", " JaVa\tScRiPt:alert('tab')", true)
        .Relationship("rVb", "hyperlink", "vbscript:msgbox('vb')", true)
        .Relationship("rData", "hyperlink", "data:text/html,<script>alert('data')</script>", true)
        .Relationship("rWeb", "hyperlink", "https://example.com/page", true)
        .Body(heading("First") + P("one") + heading("Second") + hyperlink("rJs", "js link") + hyperlink("rJsTab", "tab link") +
              hyperlink("rVb", "vb link") + hyperlink("rData", "data link") + hyperlink("rWeb", "web link") + heading("Third") + P("three"));
    b.run();
    ASSERT_EQ(b.report.Result, TBuildReport::Completed) << b.report.Message.toStdString();
    int pages = 0;
    for (const QString &f : b.outputFiles()) {
        if (!f.endsWith(".htm") && !f.endsWith(".html"))
            continue;
        ++pages;
        const QString text = QString::fromUtf8(ReadBytes(f));
        for (const char *bad : {"alert('prev')</script>", "onmouseover=\"alert", "<img src=x", "javascript:alert", "JaVa",
                                "vbscript:", "data:text", "<script>alert('charset')"})
            EXPECT_FALSE(text.contains(bad)) << bad << " in " << f.toStdString();
    }
    EXPECT_GT(pages, 6);
    const QString second = b.page("second.html");
    EXPECT_TRUE(second.contains("&lt;/script&gt;&lt;script&gt;alert('prev')")) << second.toStdString();
    for (const char *text : {"js link", "tab link", "vb link", "data link"})
        EXPECT_TRUE(second.contains(text)) << text;
    EXPECT_TRUE(second.contains("href=\"https://example.com/page\""));
    EXPECT_EQ(b.warnings().count("would run script"), 4) << b.warnings().toStdString();
}
