// Writing Word documents: the engine's .docx writer on generated models of 100, 1,000 and
// 10,000 headings (each with a paragraph; every fifth with a table, every tenth with a picture),
// against LibreOffice converting the written file to .docx again in the same run. The summary
// gives the times, the ratios, the growth per heading and the peak memory of a write.
#include "word/engine/DocxWriter.h"
#include "word/engine/LibreOffice.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavrel;
using namespace tavrel::engine;

namespace {

QTemporaryDir *g_dir = nullptr;
std::map<int, double> g_engine, g_office;
std::map<int, long> g_peakKb;

void paragraph(std::vector<TBlock> &blocks, const QString &text, const QString &style = QString())
{
    auto p = std::make_unique<TParagraph>();
    TParaProps pp;
    if (!style.isEmpty())
        pp.Style = style;
    p->Props = std::make_shared<const TParaProps>(pp);
    TInline in;
    in.Text = text;
    p->Inlines.push_back(in);
    blocks.push_back(TBlock{std::move(p), nullptr});
}

std::unique_ptr<TDocument> model(int headings)
{
    auto doc = std::make_unique<TDocument>();
    for (int i = 0; i < 3; ++i) {
        QImage img(64 + i * 8, 48, QImage::Format_RGB32);
        img.fill(QColor::fromHsv(i * 90, 200, 200));
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        img.save(&b, "PNG");
        doc->Media[QStringLiteral("word/media/p%1.png").arg(i)].Data = b.data();
    }
    for (int i = 0; i < 9; ++i)
        doc->Styles.EnsureBuiltin(QStringLiteral("heading %1").arg(i + 1));
    auto &blocks = doc->Body.Blocks;
    for (int h = 0; h < headings; ++h) {
        paragraph(blocks, QStringLiteral("Topic %1").arg(h), QStringLiteral("heading%1").arg(1 + h % 3));
        paragraph(blocks, QStringLiteral("The text of topic %1, long enough to be a sentence or two of help.").arg(h));
        if (h % 5 == 0) {
            auto t = std::make_unique<TTable>();
            t->Grid = {2000, 3000};
            for (int r = 0; r < 3; ++r) {
                TRow row;
                for (int c = 0; c < 2; ++c) {
                    TCell cell;
                    paragraph(cell.Blocks, QStringLiteral("cell %1.%2").arg(r).arg(c));
                    row.Cells.push_back(std::move(cell));
                }
                t->Rows.push_back(std::move(row));
            }
            blocks.push_back(TBlock{nullptr, std::move(t)});
        }
        if (h % 10 == 0) {
            auto s = std::make_shared<TShape>();
            s->Kind = TShapeKind::Picture;
            s->MediaPart = QStringLiteral("word/media/p%1.png").arg(h % 3);
            s->WidthEmu = s->HeightEmu = 914400;
            TInline in;
            in.Kind = TInlineKind::Shape;
            in.Shape = s;
            if (!blocks.back().Paragraph)
                paragraph(blocks, QString());
            blocks.back().Paragraph->Inlines.push_back(in);
        }
    }
    paragraph(blocks, QString());
    doc->Body.Reindex();
    return doc;
}

QString target(int headings) { return g_dir->filePath(QStringLiteral("w%1.docx").arg(headings)); }

long childPeakKb(int headings)
{
    // The peak of one write alone, in a child process, so earlier runs do not count.
    pid_t pid = fork();
    if (pid == 0) {
        auto doc = model(headings);
        WriteDocx(*doc, g_dir->filePath("child.docx"));
        _exit(0);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    return ru.ru_maxrss;
}

void BM_Write(benchmark::State &state)
{
    const int headings = int(state.range(0));
    auto doc = model(headings);
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        WriteDocx(*doc, target(headings));
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    g_engine[headings] = total / double(state.iterations());
    g_peakKb[headings] = childPeakKb(headings);
    state.counters["peak_MB"] = double(g_peakKb[headings]) / 1024.0;
}

void BM_LibreOffice(benchmark::State &state)
{
    const int headings = int(state.range(0));
    if (!TLibreOffice::Available()) {
        state.SkipWithError("LibreOffice is not installed");
        return;
    }
    for (auto _ : state) {
        TLibreOffice::TConversion c;
        c.Input = target(headings);
        c.OutputFolder = g_dir->filePath(QStringLiteral("lo%1").arg(headings));
        QDir().mkpath(c.OutputFolder);
        c.ConvertTo = QStringLiteral("docx:MS Word 2007 XML");
        c.DisplayName = c.Input;
        c.TimeoutMs = 900000;
        const auto t0 = std::chrono::steady_clock::now();
        TLibreOffice::Convert(c);
        g_office[headings] = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
}

} // namespace

BENCHMARK(BM_Write)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LibreOffice)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%-9s %12s %14s %10s %10s\n", "headings", "engine s", "LibreOffice s", "ratio", "peak MB");
    for (const auto &[n, e] : g_engine) {
        const double o = g_office.count(n) ? g_office[n] : 0;
        std::printf("%-9d %12.3f %14.3f %10.1f %10.1f\n", n, e, o, e > 0 ? o / e : 0, g_peakKb[n] / 1024.0);
    }
    if (g_engine.count(100) && g_engine.count(1000) && g_engine.count(10000))
        std::printf("growth: 1,000/100 = %.1f, 10,000/1,000 = %.1f (10 is linear)\n", g_engine[1000] / g_engine[100],
                    g_engine[10000] / g_engine[1000]);
    return 0;
}
