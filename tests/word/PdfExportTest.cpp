// The PDF output: a real export through LibreOffice with bookmarks from the headings and the
// project's opening view, and the ways an export can fail.
#include "project/ProjectSetting.h"
#include "support/Golden.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "word/PDFOutput.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>

using namespace tavrel;

namespace {

void collectOutlines(const std::vector<QPDFOutlineObjectHelper> &items, int depth, std::vector<std::string> &out)
{
    for (auto item : items) {
        out.push_back(std::string(depth * 2, ' ') + item.getTitle());
        collectOutlines(item.getKids(), depth + 1, out);
    }
}

// A PATH that holds only a stand-in soffice with the given script body.
struct FakeOffice
{
    QTemporaryDir dir;
    QByteArray oldPath = qgetenv("PATH");
    explicit FakeOffice(const QByteArray &body)
    {
        if (!body.isEmpty()) {
            QFile f(dir.path() + "/soffice");
            f.open(QIODevice::WriteOnly);
            f.write("#!/bin/sh\n" + body + "\n");
            f.close();
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", dir.path().toLocal8Bit()); // the real one must not be found
    }
    ~FakeOffice() { qputenv("PATH", oldPath); }
};

} // namespace

TEST(PdfExport, TheDocumentBecomesAPdfWithItsHeadingsAsBookmarksAndTheProjectsView)
{
    if (!engine::TLibreOffice::Available())
        GTEST_SKIP() << "LibreOffice is not installed";
    QTemporaryDir dir;
    const QString source = dir.path() + "/copy.docx";
    ASSERT_TRUE(QFile::copy(test::FixturePath("word/styles.docx"), source));
    TProject project;
    project.Panes = 1;
    project.Magnification = 2;
    project.PageLayout = 1;
    WordApplication word;
    TPDF pdf;
    pdf.WordApplication = &word;
    pdf.Project = &project;
    std::vector<int> positions;
    pdf.FOnProcess = [&](TPDF *p) { positions.push_back(p->Position); };
    const QString out = dir.path() + "/out folder/help.pdf";
    pdf.Build(source, out);

    EXPECT_EQ(positions, (std::vector<int>{20, 45, 80, 100}));
    QProcess check;
    check.start("qpdf", {"--check", out});
    ASSERT_TRUE(check.waitForFinished(60000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();

    QPDF doc;
    doc.processFile(QFile::encodeName(out).constData());
    QPDFOutlineDocumentHelper outlines(doc);
    std::vector<std::string> titles;
    collectOutlines(outlines.getTopLevelOutlines(), 0, titles);
    const std::vector<std::string> expected{"Styles and inheritance", "  Inherited styles", "  Character formatting",
                                            "    A third level"};
    ASSERT_GE(titles.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(titles.begin(), titles.begin() + expected.size()), expected);
    QPDFObjectHandle root = doc.getRoot();
    EXPECT_EQ(root.getKey("/PageMode").getName(), "/UseOutlines");
    EXPECT_EQ(root.getKey("/PageLayout").getName(), "/SinglePage");
    EXPECT_EQ(root.getKey("/OpenAction").getArrayItem(1).getName(), "/Fit");
    // Nothing but the PDF is left in its folder.
    EXPECT_EQ(QDir(dir.path() + "/out folder").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"help.pdf"});
    // Readable like any file the user writes, not only by its owner as a temporary file is.
    EXPECT_EQ(QFile::permissions(out), NewFilePermissions());
    EXPECT_TRUE(QFile::permissions(out) & QFile::ReadOwner);
}

TEST(PdfExport, MissingFailingHangingOrUnmovableExportsEndWithAClearMessage)
{
    QTemporaryDir dir;
    const QString source = dir.path() + "/copy.docx";
    ASSERT_TRUE(QFile::copy(test::FixturePath("word/styles.docx"), source));
    const QString target = dir.path() + "/help.pdf";
    auto exportWith = [&](const QByteArray &script) -> QString {
        FakeOffice office(script);
        WordApplication word;
        auto doc = word.Documents().Open(source);
        try {
            doc->ExportAsFixedFormat(target, wdExportFormatPDF);
        } catch (const Exception &e) {
            return e.Message();
        }
        return QString();
    };

    EXPECT_EQ(exportWith(""), "This function needs LibreOffice to be installed!");
    EXPECT_FALSE(exportWith("exit 3").isEmpty());
    // Exit 0 with nothing written is a failure, as is a file that is no PDF.
    EXPECT_FALSE(exportWith("exit 0").isEmpty());

    WordDocument::SetExportTimeout(1500);
    const QString marker = dir.path() + "/child-alive";
    // The wrapper starts a child that would outlive it; the time-out must end the whole group.
    const QString hanging = exportWith(QStringLiteral("(/bin/sleep 30; /usr/bin/touch '%1') & /bin/sleep 30").arg(marker).toLocal8Bit());
    WordDocument::SetExportTimeout(180000);
    EXPECT_FALSE(hanging.isEmpty());
    QProcess ps;
    ps.start("pgrep", {"-f", "/bin/sleep 30"});
    ps.waitForFinished(5000);
    EXPECT_TRUE(ps.readAll().trimmed().isEmpty()) << "a process of the hanging export is still running";
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(QFile::exists(marker));

    if (engine::TLibreOffice::Available()) {
        test::TFaultyFileSystem fs;
        fs.Fail(target, test::TFaultyFileSystem::opRename);
        WordApplication word;
        auto doc = word.Documents().Open(source);
        EXPECT_THROW(doc->ExportAsFixedFormat(target, wdExportFormatPDF), Exception);
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"copy.docx"});
    }
}
