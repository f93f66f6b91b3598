// The document engine against LibreOffice on the same generated documents of 100, 1,000 and
// 10,000 headings (each with paragraphs, and regularly lists, tables, pictures, index entries and
// cross-references). The engine opens the document, runs the headings pass of the conversion
// (a marker before every heading, index entries deleted, cross-references made links) and saves
// filtered HTML; LibreOffice exports the same file as HTML. The summary gives the times, the
// ratios, the growth per heading and the peak memory of the engine runs.
#include "text/Exceptions.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Word.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

using namespace tavrel;

namespace {

QTemporaryDir *g_dir = nullptr;
std::map<int, QString> g_docs;
std::map<int, double> g_engine, g_office; // seconds per conversion
std::map<int, long> g_peakKb;
double g_officeStartup = 0;

QByteArray png(int seed)
{
    QImage img(64 + seed * 8, 48, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((seed * 47) % 360, 200, 200));
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return out;
}

QByteArray documentXml(int headings)
{
    QByteArray x;
    x.reserve(headings * 1600);
    x += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document "
         "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
         "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
         "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
         "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>";
    auto para = [&](const QByteArray &text, const char *style = nullptr) {
        x += "<w:p>";
        if (style)
            x += QByteArray("<w:pPr><w:pStyle w:val=\"") + style + "\"/></w:pPr>";
        x += "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
    };
    for (int h = 0; h < headings; ++h) {
        QByteArray n = QByteArray::number(h + 1);
        const char *style = h % 5 == 0 ? "Heading1" : (h % 5 == 4 ? "Heading3" : "Heading2");
        x += "<w:p><w:pPr><w:pStyle w:val=\"" + QByteArray(style) + "\"/></w:pPr><w:bookmarkStart w:id=\"" + n +
             "\" w:name=\"_Toc" + n + "\"/><w:r><w:t>Topic " + n + " of the generated manual</w:t></w:r><w:bookmarkEnd w:id=\"" + n + "\"/></w:p>";
        x += "<w:p><w:r><w:t xml:space=\"preserve\">This topic explains feature " + n +
             " in ordinary sentences, so that the page has the length of a real help topic. </w:t></w:r>"
             "<w:r><w:rPr><w:b/></w:rPr><w:t>Important:</w:t></w:r><w:r><w:t xml:space=\"preserve\"> read it before you start.</w:t></w:r>"
             "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> XE \"Feature " + n +
             ":Usage\" </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>";
        para("A second paragraph gives more detail on the settings, the defaults and what happens when something goes wrong.");
        if (h > 0) {
            QByteArray prev = QByteArray::number(h);
            x += "<w:p><w:r><w:t xml:space=\"preserve\">See also </w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
                 "<w:r><w:instrText xml:space=\"preserve\"> REF _Toc" + prev + " \\h </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
                 "<w:r><w:t>Topic " + prev + "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
                 "<w:hyperlink r:id=\"rWeb\"><w:r><w:t xml:space=\"preserve\"> and the web site</w:t></w:r></w:hyperlink></w:p>";
        }
        if (h % 4 == 1)
            for (int i = 0; i < 3; ++i)
                x += "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"" + QByteArray::number(i == 2 ? 1 : 0) + "\"/><w:numId w:val=\"" +
                     QByteArray(h % 8 == 1 ? "1" : "2") + "\"/></w:numPr></w:pPr><w:r><w:t>List item " + QByteArray::number(i + 1) +
                     " of topic " + n + "</w:t></w:r></w:p>";
        if (h % 10 == 3) {
            x += "<w:tbl><w:tblPr><w:tblStyle w:val=\"TableGrid\"/><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>"
                 "<w:gridCol w:w=\"3000\"/><w:gridCol w:w=\"3000\"/><w:gridCol w:w=\"3000\"/></w:tblGrid>";
            for (int r = 0; r < 3; ++r) {
                x += "<w:tr>";
                for (int c = 0; c < 3; ++c)
                    x += "<w:tc><w:tcPr><w:tcW w:w=\"3000\" w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>Cell " + QByteArray::number(r) + "." +
                         QByteArray::number(c) + "</w:t></w:r></w:p></w:tc>";
                x += "</w:tr>";
            }
            x += "</w:tbl>";
        }
        if (h % 10 == 7) {
            QByteArray id = QByteArray::number(h % 5 + 1);
            x += "<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"1219200\" cy=\"914400\"/><wp:docPr id=\"" + QByteArray::number(h + 10000) +
                 "\" name=\"Picture\" descr=\"Screenshot of feature " + n + "\"/><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
                 "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"0\" name=\"p\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"rImg" + id +
                 "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"1219200\" cy=\"914400\"/></a:xfrm>"
                 "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>";
        }
    }
    x += "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" w:right=\"1417\" w:bottom=\"1134\" w:left=\"1417\"/></w:sectPr></w:body></w:document>";
    return x;
}

const char *kStyles =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\"/><w:sz w:val=\"22\"/></w:rPr></w:rPrDefault>"
    "<w:pPrDefault><w:pPr><w:spacing w:after=\"160\" w:line=\"259\" w:lineRule=\"auto\"/></w:pPr></w:pPrDefault></w:docDefaults>"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:keepNext/><w:spacing w:before=\"240\"/><w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:sz w:val=\"32\"/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:keepNext/><w:outlineLvl w:val=\"1\"/></w:pPr><w:rPr><w:sz w:val=\"26\"/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading3\"><w:name w:val=\"heading 3\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:keepNext/><w:outlineLvl w:val=\"2\"/></w:pPr><w:rPr><w:b/></w:rPr></w:style>"
    "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/><w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>"
    "<w:style w:type=\"table\" w:styleId=\"TableGrid\"><w:name w:val=\"Table Grid\"/><w:tblPr><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\"/>"
    "<w:left w:val=\"single\" w:sz=\"4\"/><w:bottom w:val=\"single\" w:sz=\"4\"/><w:right w:val=\"single\" w:sz=\"4\"/><w:insideH w:val=\"single\" w:sz=\"4\"/>"
    "<w:insideV w:val=\"single\" w:sz=\"4\"/></w:tblBorders></w:tblPr></w:style></w:styles>";

const char *kNumbering =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/>"
    "<w:pPr><w:ind w:left=\"720\" w:hanging=\"360\"/></w:pPr></w:lvl><w:lvl w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"lowerLetter\"/>"
    "<w:lvlText w:val=\"%2)\"/><w:pPr><w:ind w:left=\"1440\" w:hanging=\"360\"/></w:pPr></w:lvl></w:abstractNum>"
    "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"\xEF\x82\xB7\"/><w:pPr><w:ind w:left=\"720\" w:hanging=\"360\"/></w:pPr>"
    "<w:rPr><w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\"/></w:rPr></w:lvl><w:lvl w:ilvl=\"1\"><w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"o\"/>"
    "<w:pPr><w:ind w:left=\"1440\" w:hanging=\"360\"/></w:pPr></w:lvl></w:abstractNum>"
    "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num><w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num></w:numbering>";

void writeDocx(const QString &path, int headings)
{
    std::vector<std::pair<QByteArray, QByteArray>> entries;
    entries.emplace_back("[Content_Types].xml",
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                         "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Default Extension=\"png\" ContentType=\"image/png\"/>"
                         "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                         "<Override PartName=\"/word/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
                         "<Override PartName=\"/word/numbering.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml\"/></Types>");
    entries.emplace_back("_rels/.rels",
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    QByteArray rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rStyles\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
                      "<Relationship Id=\"rNum\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering\" Target=\"numbering.xml\"/>"
                      "<Relationship Id=\"rWeb\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink\" Target=\"https://example.com/\" TargetMode=\"External\"/>";
    for (int i = 1; i <= 5; ++i) {
        rels += "<Relationship Id=\"rImg" + QByteArray::number(i) + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\"media/image" +
                QByteArray::number(i) + ".png\"/>";
        entries.emplace_back("word/media/image" + QByteArray::number(i) + ".png", png(i));
    }
    rels += "</Relationships>";
    entries.emplace_back("word/_rels/document.xml.rels", rels);
    entries.emplace_back("word/styles.xml", kStyles);
    entries.emplace_back("word/numbering.xml", kNumbering);
    entries.emplace_back("word/document.xml", documentXml(headings));
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    for (auto &[name, data] : entries) {
        zip_source_t *src = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        zip_file_add(z, name.constData(), src, ZIP_FL_OVERWRITE);
    }
    zip_close(z);
}

// The headings pass of the conversion with the fields of every section.
void headingsPass(const std::shared_ptr<WordDocument> &doc)
{
    WordRange current = doc->GoTo(wdGoToHeading, wdGoToFirst);
    current.Expand(wdParagraph);
    int start = current.Start();
    for (;;) {
        int level = current.ParagraphFormat().OutlineLevel();
        if (level < 10)
            current.InsertBefore(QStringLiteral("`~#$") + QString::number(level));
        current = current.GoTo(wdGoToHeading, wdGoToNext);
        WordRange section = current.Duplicate();
        section.SetStart(start);
        section.SetEnd(current.Start() == start ? doc->Content().End() : current.Start() - 1);
        WordFields fields = section.Fields();
        for (int j = 1; j <= fields.Count();) {
            WordField f = fields.Item(j);
            int type = f.Type();
            if (type == wdFieldIndexEntry) {
                f.Delete();
                continue;
            }
            if (type == wdFieldRef) {
                QString code = f.Code().Text().trimmed();
                QString bookmark = code.mid(4).section(' ', 0, 0, QString::SectionSkipEmpty);
                f.Code().SetText(QStringLiteral("HYPERLINK \\l \"") + bookmark + '"');
                f.Update();
                f.Result().SetStyle(wdStyleHyperlink);
            }
            ++j;
        }
        if (current.Start() == start)
            break;
        start = current.Start();
    }
}

// The conversion as the build does it: open, headings pass, save as filtered HTML.
void convert(const QString &docx, const QString &outDir)
{
    WordApplication app;
    auto doc = app.Documents().Open(docx);
    headingsPass(doc);
    doc->WebOptions().Encoding = 1252;
    doc->SaveAs(outDir + QStringLiteral("/doc.htm"), wdFormatFilteredHTML);
    doc->Close(0);
}

long childPeakKb(int headings)
{
    // The peak of one conversion alone, in a child process, so earlier runs do not count.
    pid_t pid = fork();
    if (pid == 0) {
        QTemporaryDir out;
        try {
            convert(g_docs[headings], out.path());
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    struct rusage ru;
    wait4(pid, &status, 0, &ru);
    return ru.ru_maxrss;
}

void BM_Engine(benchmark::State &state)
{
    const int headings = int(state.range(0));
    QTemporaryDir out;
    double total = 0;
    int runs = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        convert(g_docs[headings], out.path());
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++runs;
    }
    g_engine[headings] = total / runs;
    g_peakKb[headings] = childPeakKb(headings);
    state.counters["peak_MB"] = double(g_peakKb[headings]) / 1024.0;
    state.counters["us_per_heading"] = g_engine[headings] * 1e6 / headings;
}

std::map<int, double> g_pass;

void BM_HeadingsPass(benchmark::State &state)
{
    const int headings = int(state.range(0));
    WordApplication app;
    double total = 0;
    int runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = app.Documents().Open(g_docs[headings]);
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        headingsPass(doc);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++runs;
        state.PauseTiming();
        doc->Close(0);
        state.ResumeTiming();
    }
    g_pass[headings] = total / runs;
}

void BM_LibreOffice(benchmark::State &state)
{
    const int headings = int(state.range(0));
    if (!engine::TLibreOffice::Available()) {
        state.SkipWithError("LibreOffice is not installed");
        return;
    }
    QTemporaryDir out;
    double total = 0;
    int runs = 0;
    for (auto _ : state) {
        engine::TLibreOffice::TConversion c;
        c.Input = g_docs[headings];
        c.OutputFolder = out.path();
        c.ConvertTo = QStringLiteral("html:HTML (StarWriter)");
        c.TimeoutMs = 3600 * 1000;
        auto t0 = std::chrono::steady_clock::now();
        engine::TLibreOffice::Convert(c);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++runs;
    }
    g_office[headings] = total / runs;
    state.counters["us_per_heading"] = g_office[headings] * 1e6 / headings;
}

void BM_LibreOfficeStartup(benchmark::State &state)
{
    if (!engine::TLibreOffice::Available()) {
        state.SkipWithError("LibreOffice is not installed");
        return;
    }
    QTemporaryDir out;
    double total = 0;
    int runs = 0;
    for (auto _ : state) {
        engine::TLibreOffice::TConversion c;
        c.Input = g_docs[1];
        c.OutputFolder = out.path();
        c.ConvertTo = QStringLiteral("html:HTML (StarWriter)");
        auto t0 = std::chrono::steady_clock::now();
        engine::TLibreOffice::Convert(c);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++runs;
    }
    g_officeStartup = total / runs;
}

} // namespace

// A document assembled from many pages as the help-file writer does it: per entry a heading with
// its bookmark, three index entries and a pasted page that brings a bookmark and a link of its
// own. us_per_entry must stay flat from 1,000 to 16,000 entries: nothing an entry does may cost
// in proportion to what was assembled before it. The summary gives the ratios.
std::map<int, double> g_assembly; // microseconds per entry

void BM_Assembly(benchmark::State &state)
{
    const int entries = int(state.range(0));
    WordApplication word;
    auto page = word.Documents().Add(false);
    {
        WordRange r = page->Content();
        for (int k = 0; k < 4; ++k) {
            r.InsertAfter(QStringLiteral("A paragraph of a page, with the words a topic has, number %1.").arg(k));
            r.InsertParagraphAfter();
            r.Collapse(wdCollapseEnd);
        }
        WordRange anchor = page->Content();
        anchor.SetEnd(anchor.Start() + 11);
        page->Bookmarks().Add(QStringLiteral("anchor"), anchor);
        r = page->Content();
        r.Collapse(wdCollapseEnd);
        page->Hyperlinks().Add(r, QStringLiteral("https://example.com/"), QString(), QString(), QStringLiteral("a link"));
        page->Content().Copy();
    }
    for (auto _ : state) {
        auto doc = word.Documents().Add(false);
        WordRange R = doc->Content();
        auto t0 = std::chrono::steady_clock::now();
        for (int k = 0; k < entries; ++k) {
            R.Collapse(wdCollapseEnd);
            R.SetStyle(wdStyleHeading1 - k % 3);
            R.InsertAfter(QStringLiteral("Topic %1").arg(k));
            doc->Bookmarks().Add(QStringLiteral("topic%1").arg(k), R);
            R.Collapse(wdCollapseEnd);
            R.InsertParagraphAfter();
            R.Collapse(wdCollapseEnd);
            for (int x = 0; x < 3; ++x)
                R.Fields().Add(R, wdFieldIndexEntry, QStringLiteral("\"key %1-%2\"").arg(k).arg(x), false);
            R = doc->Content();
            R.Collapse(wdCollapseEnd);
            R.SetStyle(wdStyleNormal);
            R.Paste();
        }
        g_assembly[entries] = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() * 1e6 / entries;
        state.counters["paragraphs"] = doc->Paragraphs().Count();
        state.counters["bookmarks"] = doc->Bookmarks().Count();
        doc->Close(0);
    }
    state.counters["us_per_entry"] = g_assembly[entries];
}
BENCHMARK(BM_Assembly)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK(BM_Engine)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HeadingsPass)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LibreOfficeStartup)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LibreOffice)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    for (int n : {1, 100, 1000, 10000}) {
        QString path = dir.filePath(QStringLiteral("generated-%1.docx").arg(n));
        writeDocx(path, n);
        g_docs[n] = path;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\n%-9s %12s %10s %14s %12s %12s %10s\n", "headings", "engine s", "pass s", "LibreOffice s", "ratio", "ratio-start",
                "peak MB");
    for (int n : {100, 1000, 10000}) {
        double e = g_engine.count(n) ? g_engine[n] : 0, o = g_office.count(n) ? g_office[n] : 0;
        std::printf("%-9d %12.3f %10.3f %14.3f %12.1f %12.1f %10.1f\n", n, e, g_pass.count(n) ? g_pass[n] : 0, o, e > 0 ? o / e : 0,
                    e > 0 ? (o - g_officeStartup) / e : 0, g_peakKb.count(n) ? g_peakKb[n] / 1024.0 : 0);
    }
    if (g_engine.count(1000) && g_engine.count(10000) && g_engine.count(100))
        std::printf("growth: 1,000/100 = %.1f, 10,000/1,000 = %.1f (10 is linear); LibreOffice start-up %.3f s\n",
                    g_engine[1000] / g_engine[100], g_engine[10000] / g_engine[1000], g_officeStartup);
    if (g_assembly.count(1000) && g_assembly.count(16000))
        std::printf("assembly per entry: 4,000/1,000 = %.2f, 16,000/1,000 = %.2f (1 is linear)\n", g_assembly[4000] / g_assembly[1000],
                    g_assembly[16000] / g_assembly[1000]);
    return 0;
}
