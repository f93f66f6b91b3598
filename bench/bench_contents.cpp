// A whole conversion (DoCreate: open, mark, save as filtered HTML, clean) and the split into
// topics (ToContentsItems) on generated documents of 100, 1,000 and 10,000 headings, with Latin
// titles and with CJK titles that all derive the name "blank". Each topic has a paragraph with
// an index entry and a bookmark, and a cross-reference to the previous topic. The time per
// heading should stay flat as the count grows; "peak_rss_mb" is the process's peak so far.
#include "../tests/word/DocxBuilder.cpp"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "word/WordDoc.h"
#include "word/engine/Word.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace tavrel;

namespace {

QString makeDocument(const QString &folder, int headings, bool cjk)
{
    const QString styles = QStringLiteral(
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>");
    auto fld = [](const QString &code, const QString &result) -> QString {
        return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + code +
               "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>" + result +
               "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    };
    QString body;
    for (int i = 0; i < headings; ++i) {
        const QString title = cjk ? QString::fromUtf8("主题标题") : QStringLiteral("Topic number %1").arg(i);
        body += test::P(title, i % 4 == 0 ? QStringLiteral("Heading1") : QStringLiteral("Heading2"));
        body += QStringLiteral("<w:p><w:bookmarkStart w:id=\"%1\" w:name=\"_Ref%1\"/>").arg(i) + test::R("Some text of the topic") +
                QStringLiteral("<w:bookmarkEnd w:id=\"%1\"/>").arg(i) + fld(QStringLiteral(" XE \"Key %1:Sub\" ").arg(i), QString()) +
                (i > 0 ? fld(QStringLiteral(" REF _Ref%1 \\h ").arg(i - 1), QStringLiteral("previous")) : QString()) + "</w:p>";
    }
    const QString path = folder + QStringLiteral("/source%1%2.docx").arg(headings).arg(cjk ? "cjk" : "latin");
    test::TDocxBuilder().Styles(styles).Body(body).Save(path);
    return path;
}

void BM_ConvertAndSplit(benchmark::State &state)
{
    const int headings = static_cast<int>(state.range(0));
    const bool cjk = state.range(1) != 0;
    QTemporaryDir dir;
    const QString source = makeDocument(dir.path(), headings, cjk);
    TProject project;
    project.RootDir = dir.path() + "/";
    WordApplication app;
    int topics = 0;
    for (auto _ : state) {
        TWordDoc doc(&project, &app, source, nullptr, 1);
        doc.DoCreate(source);
        TContentsItems items;
        items.Project = &project;
        doc.ToContentsItems(items);
        topics = items.Count();
        benchmark::DoNotOptimize(items[topics - 1]->Content);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["topics"] = topics;
    state.counters["us_per_heading"] =
        benchmark::Counter(double(headings) * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["peak_rss_mb"] = double(usage.ru_maxrss) / 1024.0;
}

// Only the split, over a body already converted.
void BM_SplitOnly(benchmark::State &state)
{
    const int headings = static_cast<int>(state.range(0));
    const bool cjk = state.range(1) != 0;
    QTemporaryDir dir;
    const QString source = makeDocument(dir.path(), headings, cjk);
    TProject project;
    WordApplication app;
    TWordDoc doc(&project, &app, source, nullptr, 1);
    doc.DoCreate(source);
    for (auto _ : state) {
        TContentsItems items;
        items.Project = &project;
        doc.ToContentsItems(items);
        benchmark::DoNotOptimize(items.Count());
    }
    state.counters["us_per_heading"] =
        benchmark::Counter(double(headings) * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_ConvertAndSplit)->ArgsProduct({{100, 1000, 10000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOnly)->ArgsProduct({{100, 1000, 10000}, {0, 1}})->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
