// White-space collapsing on page-sized to very large texts, in MB/s of UTF-16 input.
#include "text/HTMLProcess.h"

#include <QString>
#include <benchmark/benchmark.h>

namespace {

// Words and runs of mixed white space, like the text of a converted document.
QString makeText(qsizetype bytes)
{
    static const QString unit = QStringLiteral("Lorem  ipsum\r\n\tdolor sit   amet, \t consectetur\n\n");
    const qsizetype chars = bytes / 2;
    QString s;
    s.reserve(chars);
    while (s.size() + unit.size() <= chars)
        s += unit;
    s += unit.left(chars - s.size());
    return s;
}

void BM_CollapseWhiteSpace(benchmark::State &state)
{
    const QString text = makeText(state.range(0) << 20);
    for (auto _ : state) {
        QString r = tavrel::CollapseWhiteSpace(text);
        benchmark::DoNotOptimize(r.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size() * 2);
}

} // namespace

BENCHMARK(BM_CollapseWhiteSpace)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
