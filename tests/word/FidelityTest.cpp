// Integration with a real peer: LibreOffice reads the same fixtures, and its text and HTML exports
// are the measure of what our filtered HTML must carry. Also the other source formats, which the
// engine opens through LibreOffice, and the runner's failure paths.
#include "DocxBuilder.h"
#include "support/Golden.h"
#include "text/Exceptions.h"
#include "text/HTMLProcess.h"
#include "word/engine/DocxReader.h"
#include "word/engine/HtmlWriter.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;

namespace {

// The fixtures without tracked changes or hidden text.
const QStringList kFixtures = {"styles", "lists", "tables", "pictures", "links", "fields", "notes"};

QString readUtf8(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

QString plainText(const QString &html)
{
    QString t = html;
    t.remove(QRegularExpression("<style.*</style>", QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption));
    t.replace(QRegularExpression("<[^>]*>"), " ");
    t.replace("&nbsp;", " ").replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
    QRegularExpression ncr("&#(\\d+);");
    QString out;
    qsizetype last = 0;
    for (auto it = ncr.globalMatch(t); it.hasNext();) {
        auto m = it.next();
        out += t.mid(last, m.capturedStart() - last);
        out += QString::fromUcs4(std::u32string(1, char32_t(m.captured(1).toUInt())).data(), 1);
        last = m.capturedEnd();
    }
    return out + t.mid(last);
}

// Words in lower case; list numbers, note numbers, page numbers and lone letters do not count.
std::map<QString, int> words(const QString &text)
{
    std::map<QString, int> out;
    static const QRegularExpression split("[^\\p{L}\\p{N}]+");
    static const QRegularExpression ignorable("^(\\d+|[ivxlcdm]{1,5}|\\p{L})$");
    for (const QString &w : text.toLower().split(split, Qt::SkipEmptyParts))
        if (!ignorable.match(w).hasMatch())
            out[w]++;
    return out;
}

double coverage(const std::map<QString, int> &peer, const std::map<QString, int> &ours, QStringList *missing)
{
    int total = 0, found = 0;
    for (const auto &[w, n] : peer) {
        total += n;
        auto it = ours.find(w);
        int have = it == ours.end() ? 0 : it->second;
        found += std::min(n, have);
        if (have < n && missing)
            *missing << w;
    }
    return total ? double(found) / total : 1.0;
}

struct Counts
{
    int Headings = 0, Tables = 0, Pictures = 0, Links = 0;
};

Counts counts(const QString &html)
{
    Counts c;
    c.Headings = int(html.count(QRegularExpression("<h[1-6][\\s>]", QRegularExpression::CaseInsensitiveOption)));
    c.Tables = int(html.count(QRegularExpression("<table[\\s>]", QRegularExpression::CaseInsensitiveOption)));
    c.Pictures = int(html.count(QRegularExpression("<img[\\s>]", QRegularExpression::CaseInsensitiveOption)));
    static const QRegularExpression anchor("<a\\s[^>]*>", QRegularExpression::CaseInsensitiveOption);
    for (auto it = anchor.globalMatch(html); it.hasNext();) {
        QString tag = it.next().captured(0);
        if (!tag.contains(QRegularExpression("\\shref=", QRegularExpression::CaseInsensitiveOption)))
            continue;
        // Footnote and endnote anchors do not count, ours or the peer's.
        if (tag.contains("sdfootnote") || tag.contains("sdendnote") || tag.contains("href=\"#_ftn") || tag.contains("href=\"#_edn"))
            continue;
        ++c.Links;
    }
    return c;
}

class Peer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!TLibreOffice::Available())
            GTEST_SKIP() << "LibreOffice is not installed";
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(Peer, OurHtmlCarriesTheWordsAndStructureLibreOfficeFinds)
{
    QStringList inputs;
    for (const QString &f : kFixtures) {
        QString copy = dir.filePath(f + ".docx");
        ASSERT_TRUE(QFile::copy(FixturePath("word/" + f + ".docx"), copy));
        inputs << copy;
    }
    QDir().mkpath(dir.filePath("txt"));
    QDir().mkpath(dir.filePath("html"));
    TLibreOffice::TConversion c;
    c.Input = inputs.first();
    c.MoreInputs = inputs.mid(1);
    c.OutputFolder = dir.filePath("txt");
    c.ConvertTo = "txt:Text (encoded):UTF8";
    QStringList texts = TLibreOffice::ConvertAll(c);
    c.OutputFolder = dir.filePath("html");
    c.ConvertTo = "html:HTML (StarWriter)";
    QStringList pages = TLibreOffice::ConvertAll(c);

    WordApplication app;
    for (int i = 0; i < kFixtures.size(); ++i) {
        SCOPED_TRACE(kFixtures[i].toStdString());
        auto doc = app.Documents().Open(FixturePath("word/" + kFixtures[i] + ".docx"));
        doc->WebOptions().Encoding = 65001;
        QString out = dir.filePath("ours/" + kFixtures[i] + "/doc.htm");
        QDir().mkpath(QFileInfo(out).path());
        doc->SaveAs(out, wdFormatFilteredHTML);
        doc->Close(0);
        QString head, body, tail;
        SplitHtmlBody(readUtf8(out), head, body, tail);

        QStringList missing;
        double cov = coverage(words(readUtf8(texts[i])), words(plainText(body)), &missing);
        EXPECT_GE(cov, 0.99) << "missing: " << missing.join(' ').toStdString();

        QString peerHead, peerBody, peerTail;
        SplitHtmlBody(readUtf8(pages[i]), peerHead, peerBody, peerTail);
        Counts ours = counts(body), peer = counts(peerBody);
        EXPECT_EQ(ours.Headings, peer.Headings);
        EXPECT_EQ(ours.Tables, peer.Tables);
        EXPECT_EQ(ours.Pictures, peer.Pictures);
        EXPECT_EQ(ours.Links, peer.Links);
    }
}

TEST_F(Peer, DocRtfAndOdtSourcesOpenThroughLibreOffice)
{
    WordApplication app;
    for (const QString &ext : {QString("odt"), QString("rtf"), QString("doc")}) {
        SCOPED_TRACE(ext.toStdString());
        // A temporary copy whose name says nothing about its format, as a build makes.
        QString copy = dir.filePath(QStringLiteral("~copy_%1.tmp").arg(ext));
        ASSERT_TRUE(QFile::copy(FixturePath("word/styles." + QString(ext)), copy));
        WordOpenOptions o;
        o.DisplayName = "styles." + QString(ext);
        auto doc = app.Documents().Open(copy, o);
        WordRange h = doc->GoTo(wdGoToHeading, wdGoToFirst);
        h.Expand(wdParagraph);
        EXPECT_EQ(h.Text(), "Styles and inheritance\r");
        EXPECT_EQ(h.ParagraphFormat().OutlineLevel(), 1);
        int headings = 0;
        int start = -1;
        for (WordRange r = doc->GoTo(wdGoToHeading, wdGoToFirst); r.Start() != start; r = r.GoTo(wdGoToHeading, wdGoToNext)) {
            start = r.Start();
            if (r.ParagraphFormat().OutlineLevel() < 10)
                ++headings;
        }
        EXPECT_EQ(headings, 5);
        doc->Close(0);
    }
}

TEST_F(Peer, TheRunnerReportsLoadFailuresAndTimeOuts)
{
    QString bad = dir.filePath("bad.doc");
    QFile f(bad);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 'x'));
    f.close();
    WordApplication app;
    try {
        WordOpenOptions o;
        o.DisplayName = "Broken.doc";
        app.Documents().Open(bad, o);
        FAIL() << "a broken .doc opened";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("LibreOffice")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("Broken.doc")) << e.Message().toStdString();
    }

    TLibreOffice::TConversion c;
    c.Input = FixturePath("word/styles.fodt");
    c.OutputFolder = dir.path();
    c.ConvertTo = "docx:MS Word 2007 XML";
    c.TimeoutMs = 50;
    try {
        TLibreOffice::Convert(c);
        FAIL() << "no time-out";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("did not finish")) << e.Message().toStdString();
    }
    // The stopped run left nothing behind that keeps the next one from working.
    c.TimeoutMs = 120000;
    QString out = TLibreOffice::Convert(c);
    EXPECT_TRUE(QFileInfo(out).size() > 0);
}

TEST_F(Peer, MetafilePicturesBecomePngThroughLibreOffice)
{
    // A placeable WMF with one filled rectangle.
    const QByteArray wmf("\xD7\xCD\xC6\x9A\x00\x00\x00\x00\x00\x00\xC8\x00\x64\x00\xA0\x05\x00\x00\x00\x00\x1D\x52\x01\x00\x09\x00\x00\x03\x28\x00\x00\x00\x01\x00\x07\x00\x00\x00\x00\x00\x05\x00\x00\x00\x0B\x02\x00\x00\x00\x00\x05\x00\x00\x00\x0C\x02\x64\x00\xC8\x00\x07\x00\x00\x00\xFC\x02\x00\x00\xFF\x00\x00\x00\x00\x00\x04\x00\x00\x00\x2D\x01\x00\x00\x07\x00\x00\x00\x1B\x04\x5A\x00\xBE\x00\x0A\x00\x0A\x00\x03\x00\x00\x00\x00\x00", 102);
    QString pic = "<w:r><w:drawing><wp:inline><wp:extent cx=\"952500\" cy=\"476250\"/><wp:docPr id=\"1\" name=\"m\" descr=\"Old drawing\"/>"
                  "<a:graphic><a:graphicData uri=\"x\"><pic:pic><pic:blipFill><a:blip r:embed=\"rW\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic>"
                  "</wp:inline></w:drawing></w:r>";
    TDocxBuilder b;
    b.Relationship("rW", "image", "media/image1.wmf").Entry("word/media/image1.wmf", wmf).Body("<w:p>" + pic + "</w:p>");
    TDocxOptions o;
    o.DisplayName = "old.docx";
    auto doc = ReadDocxBytes(b.Build(), o);
    THtmlResult r = RenderFilteredHtml(*doc, "doc.htm", THtmlOptions());
    EXPECT_TRUE(r.Page.contains("<img width=100 height=50 src=\"doc_files/image001.png\" alt=\"Old drawing\">")) << r.Page.toStdString();
    ASSERT_EQ(r.Pictures.size(), 1u);
    EXPECT_TRUE(r.Pictures[0].Data.startsWith("\x89PNG"));

    // Without LibreOffice the picture is left out with a warning naming its place.
    auto again = ReadDocxBytes(b.Build(), o);
    QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8());
    THtmlResult none = RenderFilteredHtml(*again, "doc.htm", THtmlOptions());
    qputenv("PATH", path);
    EXPECT_FALSE(none.Page.contains("<img"));
    EXPECT_TRUE(again->Warnings.Contains("EMF/WMF"));
    EXPECT_EQ(again->Warnings.Items()[0].Where, "word/document.xml, paragraph 1");
}
