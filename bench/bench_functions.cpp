// Text and path helpers on 1 MB, 10 MB and 100 MB inputs; MB/s of input (UTF-16 for texts, bytes
// for files). The rates stay flat across the sizes when the cost grows linearly.
#include "text/functions.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString repeatTo(const QString &unit, qsizetype bytes)
{
    const qsizetype chars = bytes / 2;
    QString s;
    s.reserve(chars);
    while (s.size() + unit.size() <= chars)
        s += unit;
    s += unit.left(chars - s.size());
    return s;
}

// Page text with named and numeric references, unfinished ones and stray ampersands.
void BM_HtmlUnescape(benchmark::State &state)
{
    const QString text = repeatTo(QStringLiteral("Tom &amp; Jerry &lt;b&gt; &#169; &#x41; caf&eacute; a & b &copy &unknownname; "),
                                  state.range(0) << 20);
    for (auto _ : state) {
        QString r = tavrel::HtmlUnescape(text);
        benchmark::DoNotOptimize(r.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size() * 2);
}

// One long path of folders, "." and ".." segments, doubled separators and "%20".
void BM_NormalizePath(benchmark::State &state)
{
    const QString path = QStringLiteral("/") + repeatTo(QStringLiteral("dir/sub\\..//./my%20file/"), state.range(0) << 20);
    for (auto _ : state) {
        QString r = tavrel::NormalizePath(path);
        benchmark::DoNotOptimize(r.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * path.size() * 2);
}

// Comments to cut, with a final unterminated one.
void BM_RemoveBetween(benchmark::State &state)
{
    const QString text = repeatTo(QStringLiteral("<p>kept text</p><!-- a comment -->"), state.range(0) << 20) + QStringLiteral("<!-- open");
    for (auto _ : state) {
        QString r = tavrel::RemoveBetween(text, QStringLiteral("<!--"), QStringLiteral("-->"));
        benchmark::DoNotOptimize(r.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size() * 2);
}

// A file without a mark whose charset is declared at its end (the whole content is searched),
// and a UTF-8 file without a mark or a declaration (validated, then decoded).
void readTextFile(benchmark::State &state, const QByteArray &unit, const QByteArray &tail)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/page.htm");
    {
        const qsizetype bytes = state.range(0) << 20;
        QByteArray data;
        data.reserve(bytes);
        while (data.size() + unit.size() + tail.size() <= bytes)
            data += unit;
        data += tail;
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(data);
    }
    const qint64 size = QFile(file).size();
    for (auto _ : state) {
        QString r = tavrel::ReadTextFile(file);
        benchmark::DoNotOptimize(r.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

void BM_ReadTextFile_Charset1251(benchmark::State &state)
{
    readTextFile(state, QByteArray("<p>\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0! plain ascii text</p>\r\n"),
                 QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"));
}

void BM_ReadTextFile_Utf8(benchmark::State &state)
{
    readTextFile(state, QByteArray("<p>\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82, caf\xc3\xa9 text</p>\r\n"), QByteArray());
}

} // namespace

BENCHMARK(BM_HtmlUnescape)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NormalizePath)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RemoveBetween)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadTextFile_Charset1251)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadTextFile_Utf8)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
