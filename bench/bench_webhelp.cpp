// The whole WebHelp output (topic pages through the default template, frame pages, tree, index
// list, search data) for 100, 1,000 and 10,000 topics in books of 20, each with two keywords
// and four paragraphs. The time per topic should stay flat as the count grows.
#include "output/Webhelp.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "text/functions.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tavrel;

namespace {

void fill(TContentsItems &items, int topics)
{
    int made = 0;
    for (int i = 0; made < topics; ++i) {
        auto it = std::make_unique<TContentsItem>();
        if (i % 21 == 0) {
            it->Level = 1;
            it->Title = QStringLiteral("Book %1").arg(i / 21 + 1);
            it->Status = 2;
            it->Icon = 1;
        } else {
            it->Level = 2;
            it->Title = QStringLiteral("Topic %1 about pears & plums").arg(made);
            it->Url = QStringLiteral("t%1.htm").arg(made);
            it->Keywords = QStringLiteral("Key %1/Sub\nShared keyword").arg(made % 500);
            QString body;
            for (int p = 0; p < 4; ++p)
                body += QStringLiteral("<p>Paragraph %1 of topic %2: some words to search, with <b>bold</b> text.</p>\r\n").arg(p).arg(made);
            it->Content = body;
            it->Icon = 11;
            ++made;
        }
        it->HTMLTitle = HtmlEscape(it->Title);
        it->Accessible = it->Status == 0;
        items.Add(std::move(it));
    }
    for (int i = 0; i < items.Count(); ++i)
        items[i]->HasChildNode = i + 1 < items.Count() && items[i + 1]->Level > items[i]->Level;
    items.ReindexNames();
    items.PreProcess();
}

void BM_WebHelpOutput(benchmark::State &state)
{
    const int topics = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    TProject project;
    project.RootDir = dir.path() + QStringLiteral("/project/");
    project.WebHelpOutputFolder = dir.path() + QStringLiteral("/web/");
    project.WebHelpExtension = 0;
    project.HtmlHelpOutput = false;
    project.PDFOutput = false;
    TContentsItems items;
    fill(items, topics);
    for (auto _ : state) {
        TWebHelp web(&project, &items, nullptr);
        benchmark::DoNotOptimize(web.Output());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * topics);
    state.SetComplexityN(topics);
}

} // namespace

BENCHMARK(BM_WebHelpOutput)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK_MAIN();
