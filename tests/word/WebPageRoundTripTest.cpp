// Our own help pages through the whole chain the help-to-Word conversion uses: each HTML Help and
// WebHelp page of the sample project read as a web page, written as .docx and turned into plain
// text by LibreOffice; every word of the page comes out, in order.
#include "ModelDump.h"
#include "project/ProjectSetting.h"
#include "support/HelpPages.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Model.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace tavrel;
using namespace tavrel::test;

namespace {

QStringList wordsOf(const QString &text)
{
    QString t = text;
    t.remove(QStringLiteral("[picture]"));
    return t.split(QRegularExpression(QStringLiteral("[^\\p{L}\\p{N}]+")), Qt::SkipEmptyParts);
}

// The first word of `expected` that is not found in `actual` after the one before it, or empty.
QString firstMissing(const QStringList &expected, const QStringList &actual)
{
    qsizetype at = 0;
    for (const QString &w : expected) {
        const qsizetype found = actual.indexOf(w, at);
        if (found < 0)
            return w;
        at = found + 1;
    }
    return QString();
}

// The sample project built once for every output kind: its HTML Help and WebHelp topic pages.
struct TSampleBuild
{
    QTemporaryDir Dir;
    QString HtmlHelpFolder, WebHelpFolder;
    QStringList HtmlHelpPages, WebHelpPages;
};

TSampleBuild &sampleBuild()
{
    static std::unique_ptr<TSampleBuild> built = [] {
        auto b = std::make_unique<TSampleBuild>();
        const QString root = b->Dir.path() + "/";
        for (const char *name : {"sample.tvp", "sample.docx"})
            QFile::copy(QStringLiteral(TAVREL_SOURCE_DIR "/data/sample/") + QLatin1String(name), root + QLatin1String(name));
        TProject project;
        project.ReadFromIni(root + "sample.tvp");
        project.WebHelpOutputFolder = root + "web/";
        const test::THelpPages written = test::WriteHelpPages(project, project.RealPath(ptSourceFile));
        b->HtmlHelpFolder = written.HtmlHelpFolder;
        b->WebHelpFolder = written.WebHelpFolder;
        // The topics' pages, found by their names under each output.
        for (const QString &url : written.Urls) {
            const QString name = QFileInfo(url).fileName();
            if (name.isEmpty())
                continue;
            for (auto [folder, pages] : {std::pair{b->HtmlHelpFolder, &b->HtmlHelpPages}, std::pair{b->WebHelpFolder, &b->WebHelpPages}}) {
                QDirIterator it(folder, {name}, QDir::Files, QDirIterator::Subdirectories);
                const QString found = it.hasNext() ? it.next() : QString();
                if (!found.isEmpty() && !pages->contains(found))
                    pages->append(found);
            }
        }
        return b;
    }();
    return *built;
}

class OwnPagesRoundTrip : public ::testing::TestWithParam<const char *>
{
};

} // namespace

TEST_P(OwnPagesRoundTrip, EveryWordOfEachPageSurvivesIntoLibreOfficesText)
{
    if (!engine::TLibreOffice::Available())
        GTEST_SKIP() << "LibreOffice is not installed";
    TSampleBuild &b = sampleBuild();
    const bool html = QString(GetParam()) == "HtmlHelp";
    const QStringList pages = html ? b.HtmlHelpPages : b.WebHelpPages;
    const QString folder = html ? b.HtmlHelpFolder : b.WebHelpFolder;
    ASSERT_GE(pages.size(), 10) << "the sample has more topics than that";

    QTemporaryDir out;
    WordApplication app;
    QStringList docs, texts;
    for (const QString &page : pages) {
        WordOpenOptions o;
        o.Format = wdOpenFormatWebPages;
        o.Visible = false;
        o.AllowedFolder = folder;
        auto doc = app.Documents().Open(page, o);
        // Pictures go into the package, as the conversion takes them.
        WordShapes shapes = doc->InlineShapes();
        for (int i = 1; i <= shapes.Count(); ++i)
            shapes.Item(i).BreakLink();
        const QString docx = out.filePath(QStringLiteral("p%1.docx").arg(docs.size(), 3, 10, QLatin1Char('0')));
        doc->SaveAs(docx, wdFormatXMLDocument);
        docs << docx;
        texts << VisibleText(doc->Model());
        doc->Close(0);
    }
    engine::TLibreOffice::TConversion c;
    c.Input = docs.first();
    c.MoreInputs = docs.mid(1);
    c.OutputFolder = out.filePath("txt");
    QDir().mkpath(c.OutputFolder);
    c.ConvertTo = "txt:Text (encoded):UTF8";
    c.DisplayName = "the sample's pages";
    const QStringList converted = engine::TLibreOffice::ConvertAll(c);
    ASSERT_EQ(converted.size(), docs.size());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(QFileInfo(pages[i]).fileName().toStdString());
        QFile f(converted[i]);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QStringList theirs = wordsOf(QString::fromUtf8(f.readAll()));
        const QStringList ours = wordsOf(texts[i]);
        EXPECT_GE(ours.size(), 5);
        EXPECT_EQ(firstMissing(ours, theirs), QString()) << "LibreOffice's text: " << theirs.join(' ').toStdString();
        // The page's own title, read from the page itself, is among the words too.
        QFile p(pages[i]);
        ASSERT_TRUE(p.open(QIODevice::ReadOnly));
        const QString title = QRegularExpression("<title>([^<]*)</title>").match(QString::fromUtf8(p.readAll())).captured(1);
        EXPECT_EQ(firstMissing(wordsOf(title), theirs), QString()) << title.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Sample, OwnPagesRoundTrip, ::testing::Values("HtmlHelp", "WebHelp"),
                         [](const auto &info) { return std::string(info.param); });
