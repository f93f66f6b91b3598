// Making the pages of a whole help file through one template: 100, 1,000 and 10,000 topics of
// about 2 KB each. The time per topic should stay the same as the count grows.
#include "output/Template.h"
#include "output/TemplateEngine.h"
#include "project/Contents.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <vector>

using namespace tavrel;

namespace {

const char *kMainPage =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">\n"
    "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
    "<title>($title$)</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"banner.css\">\n</head>\n<body>\n"
    "<div id=\"banner\"><div class=\"inner\"><div id=\"project\">($projecttitle$)</div>"
    "<h1 id=\"title\">($title$)</h1></div></div>\n<div id=\"strip\"><div class=\"inner\"><div id=\"buttons\">"
    "<img src=\"btn_prev_n.png\" alt=\"Previous\"><img src=\"btn_next_n.png\" alt=\"Next\"></div>"
    "<div id=\"crumbs\">($navigation$)</div></div></div>\n<div id=\"page\"><div id=\"content\">\n($content$)\n</div></div>\n"
    "<div id=\"footer\"><div class=\"inner\">($footer$)</div></div>\n</body>\n</html>\n";

std::vector<TContentsItem> makeItems(int n)
{
    QString body;
    while (body.size() < 2000)
        body += QStringLiteral("<p>A paragraph of the topic with <b>bold</b> text and a <a href=\"x.htm\">link</a>.</p>\r\n");
    std::vector<TContentsItem> items(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TContentsItem &it = items[size_t(i)];
        it.Title = it.HTMLTitle = QStringLiteral("Topic number %1").arg(i);
        it.Url = QStringLiteral("topic-%1.htm").arg(i);
        it.Content = body;
        it.Navigation = QStringLiteral("Help &gt; <a href=\"chapter.htm\">Chapter</a> &gt; ") + it.HTMLTitle;
        if (i > 0)
            it.LastPage = QStringLiteral("topic-%1.htm").arg(i - 1);
        if (i + 1 < n)
            it.NextPage = QStringLiteral("topic-%1.htm").arg(i + 1);
    }
    return items;
}

void BM_MakePages(benchmark::State &state)
{
    const auto items = makeItems(int(state.range(0)));
    QByteArray stream;
    AppendTemplateEntry(stream, QStringLiteral("banner.htm"), QByteArray(kMainPage));
    TTemplate t(stream, QStringLiteral("Previous"), QStringLiteral("Next"));
    t.ProjectTitle = QStringLiteral("Sample Help");
    t.Copyright = QStringLiteral("Copyright");
    THEADElements head;
    head.Load(QStringLiteral("<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\"><title>x</title>"));
    t.UniteHead(head);
    qint64 chars = 0;
    for (auto _ : state) {
        for (const auto &item : items) {
            QString page = t.MakePage(item);
            chars += page.size();
            benchmark::DoNotOptimize(page.constData());
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
    state.SetBytesProcessed(chars * 2);
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_MakePages)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK_MAIN();
