// The opening view written into a PDF's catalog, whatever object number the catalog has.
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "word/PDFOutput.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>

using namespace tavrel;

namespace {

QString makePdf(const QString &path, int pages)
{
    QPdfWriter w(path);
    QPainter p(&w);
    for (int i = 0; i < pages; ++i) {
        if (i)
            w.newPage();
        p.drawText(100, 100, QStringLiteral("Page %1").arg(i + 1));
    }
    p.end();
    return path;
}

struct Catalog
{
    std::string pageLayout, pageMode, openAction;
    bool openActionOnFirstPage = false;
};

Catalog readCatalog(const QString &path)
{
    QPDF pdf;
    pdf.processFile(QFile::encodeName(path).constData());
    QPDFObjectHandle root = pdf.getRoot();
    Catalog c;
    if (root.hasKey("/PageLayout"))
        c.pageLayout = root.getKey("/PageLayout").getName();
    if (root.hasKey("/PageMode"))
        c.pageMode = root.getKey("/PageMode").getName();
    if (root.hasKey("/OpenAction")) {
        QPDFObjectHandle a = root.getKey("/OpenAction");
        c.openActionOnFirstPage = a.isArray() && a.getArrayNItems() > 0
                                  && a.getArrayItem(0).getObjGen() == pdf.getAllPages().front().getObjGen();
        // The action without its page reference, e.g. "/XYZ null null 1".
        std::string text;
        for (int i = 1; i < a.getArrayNItems(); ++i)
            text += (i > 1 ? " " : "") + a.getArrayItem(i).unparse();
        c.openAction = text;
    }
    return c;
}

bool qpdfCheck(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

} // namespace

TEST(PdfCatalog, EveryCombinationGivesAValidFileWithExactlyTheAskedEntries)
{
    QTemporaryDir dir;
    const QString source = makePdf(dir.path() + "/source.pdf", 2);
    const char *layouts[] = {"", "/SinglePage", "", "/TwoColumnRight", ""};
    const char *modes[] = {"", "/UseOutlines", "/UseThumbs", ""};
    const char *actions[] = {"/XYZ null null 0", "/FitH 842", "/Fit", "/FitBH 842", "/XYZ null null 1", ""};
    const Catalog original = readCatalog(source);
    for (int layout = 0; layout < 5; ++layout)
        for (int panes = 0; panes < 4; ++panes)
            for (int mag = 0; mag < 6; ++mag) {
                const QString out = dir.path() + QStringLiteral("/out-%1-%2-%3.pdf").arg(layout).arg(panes).arg(mag);
                EditPdfCatalog(source, out, panes, mag, layout);
                SCOPED_TRACE(out.toStdString());
                Catalog c = readCatalog(out);
                EXPECT_EQ(c.pageLayout, *layouts[layout] ? layouts[layout] : original.pageLayout);
                EXPECT_EQ(c.pageMode, *modes[panes] ? modes[panes] : original.pageMode);
                if (*actions[mag]) {
                    EXPECT_EQ(c.openAction, actions[mag]);
                    EXPECT_TRUE(c.openActionOnFirstPage);
                } else {
                    EXPECT_EQ(c.openAction, original.openAction);
                }
                if (layout == 0 && panes < 2 && mag < 2) { // a sample is enough for the external check
                    EXPECT_TRUE(qpdfCheck(out));
                }
            }
}

TEST(PdfCatalog, EditingInPlaceTwiceReplacesInsteadOfRepeating)
{
    QTemporaryDir dir;
    const QString pdf = makePdf(dir.path() + "/a.pdf", 1);
    EditPdfCatalog(pdf, pdf, 1, 4, 1);
    EditPdfCatalog(pdf, pdf, 2, 2, 3);
    Catalog c = readCatalog(pdf);
    EXPECT_EQ(c.pageLayout, "/TwoColumnRight");
    EXPECT_EQ(c.pageMode, "/UseThumbs");
    EXPECT_EQ(c.openAction, "/Fit");
    EXPECT_TRUE(qpdfCheck(pdf));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.pdf"});
}

TEST(PdfCatalog, BrokenOrUnwritableFilesFailClearlyAndStayAsTheyWere)
{
    QTemporaryDir dir;
    const QString broken = dir.path() + "/broken.pdf";
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\nthis is not a pdf at all\n");
    f.close();
    try {
        EditPdfCatalog(broken, broken, 1, 4, 0);
        FAIL() << "no error for a broken PDF";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("broken.pdf"));
    }
    QFile again(broken);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), QByteArray("%PDF-1.4\nthis is not a pdf at all\n"));

    const QString good = makePdf(dir.path() + "/good.pdf", 1);
    QFile g(good);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    const QByteArray before = g.readAll();
    g.close();
    tavrel::test::TFaultyFileSystem fs;
    fs.Fail(good, tavrel::test::TFaultyFileSystem::opRename);
    EXPECT_THROW(EditPdfCatalog(good, good, 1, 4, 0), Exception);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"broken.pdf", "good.pdf"}));
}
