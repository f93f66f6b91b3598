// Writing and reading project files whose templates hold megabytes of pictures, and the steps
// that carry the size (hexadecimal form, INI parsing), for 1 to 32 MB of template data (twice
// that in the file: both templates). Above a few megabytes every large buffer is fresh memory
// from the system, whose page faults set a higher but again constant cost per byte.
// The time per byte should stay flat as the size grows.
#include "output/Template.h"
#include "project/IniFile.h"
#include "project/ProjectSetting.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tavrel;

namespace {

// A template stream of about megabytes MB: a page and pseudo-random picture data.
QByteArray makeStream(int megabytes)
{
    QByteArray stream;
    AppendTemplateEntry(stream, "main.htm", "<html><head></head><body>($content$)</body></html>");
    QByteArray picture(qsizetype(megabytes) << 20, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (char &c : picture) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    AppendTemplateEntry(stream, "images\\big.png", picture);
    return stream;
}

struct Fixture
{
    explicit Fixture(int megabytes)
    {
        qputenv("TAVREL_DATA", "/nonexistent-tavrel-data");
        project.HtmlHelpTemplateStream = makeStream(megabytes);
        project.WebHelpTemplateStream = makeStream(megabytes);
        file = dir.filePath("big.tvp");
        project.SaveToIni(file);
    }
    qint64 templateBytes() const { return project.HtmlHelpTemplateStream.size() + project.WebHelpTemplateStream.size(); }
    QTemporaryDir dir;
    TProject project;
    QString file;
};

void BM_SaveProject(benchmark::State &state)
{
    Fixture f(int(state.range(0)));
    for (auto _ : state)
        f.project.SaveToIni(f.file);
    state.SetBytesProcessed(state.iterations() * f.templateBytes());
    state.SetComplexityN(f.templateBytes());
}

void BM_ReadProject(benchmark::State &state)
{
    Fixture f(int(state.range(0)));
    TProject p;
    for (auto _ : state)
        p.ReadFromIni(f.file);
    if (p.HtmlHelpTemplateStream != f.project.HtmlHelpTemplateStream)
        state.SkipWithError("read back differs");
    state.SetBytesProcessed(state.iterations() * f.templateBytes());
    state.SetComplexityN(f.templateBytes());
}

void BM_StreamToHex(benchmark::State &state)
{
    const QByteArray stream = makeStream(int(state.range(0)));
    for (auto _ : state) {
        QString hex = StreamToHex(stream);
        benchmark::DoNotOptimize(hex.constData());
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.SetComplexityN(stream.size());
}

void BM_HexToStream(benchmark::State &state)
{
    const QString hex = StreamToHex(makeStream(int(state.range(0))));
    for (auto _ : state) {
        QByteArray bytes = HexToStream(hex);
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * hex.size() / 2);
    state.SetComplexityN(hex.size() / 2);
}

void BM_ParseIni(benchmark::State &state)
{
    Fixture f(int(state.range(0)));
    const QByteArray bytes = EncodeIniLines(f.project.IniLines());
    for (auto _ : state) {
        TMemIniFile ini;
        ini.LoadFromBytes(bytes);
        benchmark::DoNotOptimize(&ini);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.SetComplexityN(bytes.size());
}

} // namespace

BENCHMARK(BM_SaveProject)->Arg(1)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_ReadProject)->Arg(1)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_StreamToHex)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_HexToStream)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_ParseIni)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK_MAIN();
