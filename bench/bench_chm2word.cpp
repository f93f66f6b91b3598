// Reading help files back on help files of 1,000, 5,000 and 20,000 pages made by our own
// project writer and the real compiler: the decompile, then distilling and assembling the
// pages, and the whole conversion into a document. Each stage runs once per size (the help
// files take a while to make); counters give the pages, megabytes, peak memory and the time of
// each step that takes 50 ms or more ("in_comparing_s" and the like inside the common-part
// step). Beside them the common-part passes of the distiller against the pairwise comparison
// they replace, at 300 and 3,000 pages.
#include "chm2word/Chm2Word.h"
#include "chm2word/OutputWord.h"
#include "output/HtmlHelpOutput.h"
#include "output/UnitCHMProject.h"
#include "project/Contents.h"
#include "text/HtmlHelpTools.h"
#include "text/functions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <sys/resource.h>

using namespace tavrel;

namespace {

// User and system processor seconds of this process so far.
std::pair<double, double> CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return {double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6, double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6};
}

double PeakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

QString Words(QRandomGenerator &r, int n)
{
    static const char *vocabulary[] = {"help", "file", "page", "install", "window", "setting", "print", "report", "value",
                                       "option", "table", "chapter", "user", "system", "folder", "format", "export", "index"};
    QStringList w;
    for (int k = 0; k < n; ++k)
        w << QString::fromLatin1(vocabulary[r.bounded(18)]) + QString::number(r.bounded(1000));
    return w.join(' ');
}

struct THelp
{
    std::unique_ptr<QTemporaryDir> dir;
    QString chm;
    double megabytes = 0;
};

// A help file of n pages with a navigation bar, a title, a few paragraphs, a picture, a link to
// the next page and a footer on each, nested contents and three keywords a page.
const THelp &HelpFile(int n)
{
    static std::map<int, THelp> made;
    auto it = made.find(n);
    if (it != made.end())
        return it->second;
    THelp help;
    // TAVREL_BENCH_HELP=FOLDER takes FOLDER/helpN.chm when it is there and leaves one made here
    // in it, so that runs after the first skip the compiler.
    const QString reuse = qEnvironmentVariable("TAVREL_BENCH_HELP");
    const QString kept = reuse.isEmpty() ? QString() : QStringLiteral("%1/help%2.chm").arg(reuse).arg(n);
    if (!kept.isEmpty() && QFileInfo(kept).isFile()) {
        help.chm = kept;
        help.megabytes = double(QFileInfo(kept).size()) / 1e6;
        return made.emplace(n, std::move(help)).first->second;
    }
    help.dir = std::make_unique<QTemporaryDir>();
    const QString folder = help.dir->path() + "/project/";
    QDir().mkpath(folder + "pages");
    QDir().mkpath(folder + "images");
    QRandomGenerator r{quint32(n)};
    TContentsItems items;
    for (int k = 0; k < n; ++k) {
        auto item = std::make_unique<TContentsItem>();
        item->Level = k == 0 ? 1 : 1 + (k % 3);
        item->Title = QStringLiteral("Topic %1 %2").arg(k).arg(Words(r, 2));
        item->HTMLTitle = item->Title;
        item->Url = QStringLiteral("pages/t%1.htm").arg(k, 6, 10, QLatin1Char('0'));
        item->Icon = -1;
        item->Keywords = QStringLiteral("key %1\n%2/sub %1\n%3").arg(k).arg(Words(r, 1)).arg(Words(r, 1));
        QString page = "<html><head><meta charset=\"utf-8\"><title>" + item->Title + "</title></head><body>"
                       "<div class=nav><a href=\"../index.htm\">Home</a> | <a href=\"t000000.htm\">Contents</a></div>"
                       "<h1>" + item->Title + "</h1>";
        for (int p = 0; p < 4; ++p)
            page += "<p>" + Words(r, 40 + int(r.bounded(80))) + "</p>";
        page += QStringLiteral("<img src=\"../images/pic%1.gif\"><p><a href=\"t%2.htm\">Next</a></p>").arg(k % 50).arg(k + 1, 6, 10, QLatin1Char('0'));
        page += "<p class=footer>Copyright 2024 the firm, all rights reserved</p></body></html>";
        QFile f(folder + item->Url);
        if (f.open(QIODevice::WriteOnly))
            f.write(page.toUtf8());
        items.Add(std::move(item));
    }
    for (int k = 0; k < 50; ++k) {
        QFile f(folder + QStringLiteral("images/pic%1.gif").arg(k));
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray(2000 + k * 100, char(k)));
    }
    THtmlHelpMaker maker;
    maker.Contents = &items;
    TCHMProject project;
    project.Folder = folder;
    project.CHM = folder + "help.chm";
    project.Title = "Bench";
    project.Language = "0x0409";
    project.DefaultTopic = "pages/t000000.htm";
    project.TOC = maker.MakeHHCList();
    project.IndexList = maker.MakeHHKList();
    project.Output();
    project.Compile1();
    help.chm = project.CHM;
    if (!kept.isEmpty() && QDir().mkpath(reuse) && QFile::copy(project.CHM, kept))
        help.chm = kept;
    help.megabytes = double(QFileInfo(help.chm).size()) / 1e6;
    return made.emplace(n, std::move(help)).first->second;
}

void BM_DecompileAndAssemble(benchmark::State &state)
{
    if (HelpCompilerProgram().isEmpty()) {
        state.SkipWithError("chmcmd is not installed");
        return;
    }
    const int n = int(state.range(0));
    const THelp &help = HelpFile(n);
    double decompile = 0, assemble = 0;
    std::map<std::string, double> stepTimes;
    int pages = 0;
    for (auto _ : state) {
        // TAVREL_BENCH_KEEP=FOLDER keeps the assembled folder (assembleN-XXXXXX inside it), to
        // compare the output of two builds with diff -r.
        const QString keep = qEnvironmentVariable("TAVREL_BENCH_KEEP");
        if (!keep.isEmpty())
            QDir().mkpath(keep);
        QTemporaryDir out(keep.isEmpty() ? QString(QDir::tempPath() + "/assemble-XXXXXX") : QString(keep + QStringLiteral("/assemble%1-XXXXXX").arg(n)));
        out.setAutoRemove(keep.isEmpty());
        QElapsedTimer t;
        t.start();
        Tchm2word c;
        c.LoadFromCHM(help.chm);
        c.rootFolder = out.path() + "/";
        c.decompile();
        decompile = double(t.nsecsElapsed()) / 1e9;
        t.restart();
        const auto cpuBefore = CpuSeconds();
        c.Addenda = "Addenda";
        // TAVREL_BENCH_THREADS=1 does the per-page work page by page, for the ratio of the
        // threads against it in one binary.
        c.Threads = qEnvironmentVariableIntValue("TAVREL_BENCH_THREADS");
        // Execute's steps one by one, each timed, so that a step that grows faster than the
        // pages shows by name.
        const std::pair<const char *, void (Tchm2word::*)()> steps[] = {
            {"toc_links_s", &Tchm2word::ProcessTocLink}, {"fill_s", &Tchm2word::FillFileList},
            {"css_s", &Tchm2word::ChangeCSS},           {"remove_same_s", &Tchm2word::RemoveSame},
            {"addenda_s", &Tchm2word::NonTocFileToToc},  {"numbers_s", &Tchm2word::GetChapterNumber},
            {"bookmarks_s", &Tchm2word::GetBookmark},   {"urls_s", nullptr},
            {"linking_s", &Tchm2word::DistillPages},     {"toc_links2_s", &Tchm2word::ProcessTocLink2}};
        // Inside the steps, the time between progress calls of different names goes to the
        // earlier name ("Reading", "Comparing", "Distilling" within the common-part step).
        QElapsedTimer inner;
        QString current;
        c.OnProgress = [&](const QString &step, int, int) {
            if (step == current)
                return;
            if (!current.isEmpty())
                stepTimes["in_" + current.toLower().toStdString() + "_s"] += double(inner.nsecsElapsed()) / 1e9;
            current = step;
            inner.start();
        };
        QElapsedTimer s;
        for (const auto &[name, step] : steps) {
            s.start();
            if (step)
                (c.*step)();
            else
                c.List.initializeUrls();
            stepTimes[name] = double(s.nsecsElapsed()) / 1e9;
        }
        if (!current.isEmpty())
            stepTimes["in_" + current.toLower().toStdString() + "_s"] += double(inner.nsecsElapsed()) / 1e9;
        assemble = double(t.nsecsElapsed()) / 1e9;
        const auto cpuAfter = CpuSeconds();
        stepTimes["distil_user_s"] = cpuAfter.first - cpuBefore.first;
        stepTimes["distil_system_s"] = cpuAfter.second - cpuBefore.second;
        pages = c.TopicList.Count();
        state.SetIterationTime(decompile + assemble);
    }
    state.counters["pages"] = pages;
    state.counters["chm_MB"] = help.megabytes;
    state.counters["decompile_s"] = decompile;
    state.counters["distil_assemble_s"] = assemble;
    for (const auto &[name, seconds] : stepTimes)
        if (seconds >= 0.05)
            state.counters[name] = seconds;
    state.counters["peak_MB"] = PeakMb();
}
BENCHMARK(BM_DecompileAndAssemble)->Arg(1000)->Arg(5000)->Arg(20000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The whole conversion into a .docx as "tavrel --chm2doc" runs it, with the time of each stage;
// the reading back above is its baseline on the same help file. Run one size per process
// (--benchmark_filter=HelpFileToDocument/5000) for a peak memory of that size alone.
struct TDirectWriter : TOutputWord
{
    using TOutputWord::Execute;
};

void BM_HelpFileToDocument(benchmark::State &state)
{
    if (HelpCompilerProgram().isEmpty()) {
        state.SkipWithError("chmcmd is not installed");
        return;
    }
    const int n = int(state.range(0));
    const THelp &help = HelpFile(n);
    TOutputWord::TStageTimes times;
    for (auto _ : state) {
        QTemporaryDir out;
        TDirectWriter w;
        w.chm = help.chm;
        w.pdf = out.path() + "/help.docx";
        w.Execute();
        if (w.Failed) {
            state.SkipWithError("the conversion failed");
            return;
        }
        times = w.Times;
        // TAVREL_BENCH_KEEP=FOLDER keeps the help file and the document, to compare the
        // documents of two builds byte by byte.
        const QString keep = qEnvironmentVariable("TAVREL_BENCH_KEEP");
        if (!keep.isEmpty()) {
            QDir().mkpath(keep);
            const QString stem = keep + QStringLiteral("/help%1").arg(n);
            QFile::remove(stem + ".chm");
            QFile::remove(stem + ".docx");
            QFile::copy(help.chm, stem + ".chm");
            QFile::copy(w.Written, stem + ".docx");
        }
        state.SetIterationTime(double(times.Decompile + times.Distil + times.Assemble + times.Write) / 1e3);
        state.counters["docx_MB"] = double(QFileInfo(w.Written).size()) / 1e6;
    }
    state.counters["pages"] = n;
    state.counters["decompile_s"] = double(times.Decompile) / 1e3;
    state.counters["distil_s"] = double(times.Distil) / 1e3;
    state.counters["assemble_s"] = double(times.Assemble) / 1e3;
    state.counters["write_s"] = double(times.Write) / 1e3;
    state.counters["peak_MB"] = PeakMb();
}
BENCHMARK(BM_HelpFileToDocument)->Arg(1000)->Arg(5000)->Arg(20000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// In-memory pages that share a navigation line and a footer, with a title and their own text.
std::vector<std::unique_ptr<TChmTopicFile>> Pages(int n, bool equalLength)
{
    QRandomGenerator r(7);
    std::vector<std::unique_ptr<TChmTopicFile>> pages;
    for (int k = 0; k < n; ++k) {
        const QString title = QStringLiteral("Topic %1 %2").arg(k).arg(Words(r, 2));
        QString body = "<div>Home | Contents | Index</div><h1>" + title + "</h1>";
        // Paragraphs of varying length, as topics have them; with all of one length every
        // block is a candidate of every other and the grouped passes lose most of their lead.
        for (int p = 0; p < 4; ++p)
            body += "<p>" + Words(r, equalLength ? 30 : 5 + int(r.bounded(150))) + "</p>";
        body += "<p>Copyright 2024 the firm</p>";
        pages.push_back(std::make_unique<TChmTopicFile>(QString::number(k), title, "<body>" + body + "</body>", nullptr));
    }
    return pages;
}

void BM_CommonParts(benchmark::State &state)
{
    const int n = int(state.range(0));
    const bool pairwise = state.range(1) != 0;
    const bool equalLength = state.range(2) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto pages = Pages(n, equalLength);
        std::vector<TChmTopicFile *> raw;
        for (auto &p : pages)
            raw.push_back(p.get());
        state.ResumeTiming();
        if (pairwise)
            FindCommonPartsPairwise(raw, n);
        else
            FindCommonParts(raw, n);
    }
    state.SetLabel(QStringLiteral("%1%2").arg(pairwise ? "pairwise" : "grouped", equalLength ? ", equal lengths" : "").toStdString());
}
BENCHMARK(BM_CommonParts)->ArgsProduct({{300, 3000}, {0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
