// The whole HTML Help build on generated documents of 100, 1,000 and 10,000 topics with
// pictures: conversion (open, mark, filtered HTML, clean, split into topics), the pages through
// the page template, the project files, and the compiler with the repair and the read-back of
// its result. Each stage is timed once per size (the compiler dominates and takes tens of
// seconds at 10,000 topics); the summary gives the per-topic cost of our stages, their share of
// the compiler's time and the peak memory of this process.
#include "../tests/word/DocxBuilder.cpp"
#include "output/HtmlHelpOutput.h"
#include "output/UnitCHMProject.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "text/ChmFile.h"
#include "text/Exceptions.h"
#include "text/HtmlHelpTools.h"
#include "word/WordDoc.h"
#include "word/engine/Word.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <sys/resource.h>

using namespace tavrel;

namespace {

struct TStages
{
    double conversion = 0, pages = 0, lists = 0, projectFiles = 0, compiler = 0, check = 0;
    double peakMb = 0;
    // CPU seconds: the machine is shared, so wall time alone says little about our own cost.
    double oursCpu = 0, compilerCpu = 0;
    int topics = 0, files = 0;
    double Ours() const { return conversion + pages + projectFiles + check; }
};
std::map<int, TStages> g_results;

constexpr int kPictures = 20;

QByteArray Png(int seed)
{
    QImage img(120 + seed * 4, 60, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((seed * 47) % 360, 180, 220));
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return out;
}

// Three heading levels, a paragraph with an index entry and a bookmark per topic, a
// cross-reference to the previous topic, and a picture in every third topic.
QString MakeDocument(const QString &folder, int topics)
{
    const QString styles = QStringLiteral(
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Heading3\"><w:name w:val=\"heading 3\"/><w:pPr><w:outlineLvl w:val=\"2\"/></w:pPr></w:style>");
    auto fld = [](const QString &code, const QString &result) -> QString {
        return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + code +
               "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>" + result +
               "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    };
    QString body;
    body.reserve(topics * 1400);
    for (int i = 0; i < topics; ++i) {
        const QString style = i % 7 == 0 ? QStringLiteral("Heading1") : (i % 7 < 4 ? QStringLiteral("Heading2") : QStringLiteral("Heading3"));
        body += test::P(QStringLiteral("Topic number %1 of the manual").arg(i), style);
        body += QStringLiteral("<w:p><w:bookmarkStart w:id=\"%1\" w:name=\"_Ref%1\"/>").arg(i) +
                test::R(QStringLiteral("This topic explains feature %1 in ordinary sentences, so that the page has the length of a "
                                       "real help topic, with its settings and defaults.").arg(i)) +
                QStringLiteral("<w:bookmarkEnd w:id=\"%1\"/>").arg(i) + fld(QStringLiteral(" XE \"Feature %1:Usage\" ").arg(i), QString()) +
                (i > 0 ? fld(QStringLiteral(" REF _Ref%1 \\h ").arg(i - 1), QStringLiteral("the previous topic")) : QString()) + "</w:p>";
        if (i % 3 == 1)
            body += QStringLiteral(
                        "<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"1143000\" cy=\"571500\"/><wp:docPr id=\"%1\" name=\"P%1\" descr=\"Screen %1\"/>"
                        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
                        "<pic:blipFill><a:blip r:embed=\"rImg%2\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline>"
                        "</w:drawing></w:r></w:p>")
                        .arg(i + 1)
                        .arg(i % kPictures);
    }
    test::TDocxBuilder builder;
    builder.Styles(styles).Body(body);
    for (int p = 0; p < kPictures; ++p) {
        builder.Relationship(QStringLiteral("rImg%1").arg(p), QStringLiteral("image"), QStringLiteral("media/image%1.png").arg(p));
        builder.Entry(QStringLiteral("word/media/image%1.png").arg(p), Png(p));
    }
    const QString path = folder + QStringLiteral("/manual%1.docx").arg(topics);
    builder.Save(path);
    return path;
}

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The process's peak so far; the sizes run in increasing order, so each is that size's peak.
double PeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_HtmlHelpBuild(benchmark::State &state)
{
    const int topics = int(state.range(0));
    QTemporaryDir dir;
    const QString root = dir.path() + "/";
    const QString source = MakeDocument(dir.path(), topics);
    TStages r;
    for (auto _ : state) try {
        TProject project;
        project.RootDir = root;
        project.ProjectFilename = root + "manual.tvp";
        project.SourceFile = source;
        project.CompiledFile = root + "out/manual.chm";
        WordApplication app;
        QElapsedTimer t;
        const double cpuStart = CpuSeconds(RUSAGE_SELF);

        t.start();
        TWordDoc doc(&project, &app, source, nullptr, 1);
        doc.DoCreate(source);
        TContentsItems items;
        items.Project = &project;
        doc.ToContentsItems(items);
        r.conversion = t.nsecsElapsed() / 1e9;
        r.topics = items.Count();

        THtmlHelpMaker maker;
        maker.Project = &project;
        maker.Contents = &items;
        maker.Word = &doc;
        maker.ProjectFolder = root + "HTML help project/";
        t.restart();
        maker.Output();
        r.pages = t.nsecsElapsed() / 1e9;

        // What Make does, stage by stage.
        t.restart();
        TCHMProject chm;
        chm.Assign(project.CHMSetting);
        chm.Folder = maker.ProjectFolder;
        chm.CHM = project.RealPath(ptCompiledFile);
        chm.TOC = maker.MakeHHCList();
        chm.IndexList = maker.MakeHHKList();
        maker.MakeContextSensitive(chm.Alias, chm.Map);
        r.lists = t.nsecsElapsed() / 1e9;
        t.restart();
        chm.Output();
        r.projectFiles = r.lists + t.nsecsElapsed() / 1e9;
        r.files = chm.Files.Count();

        QDir().mkpath(QFileInfo(chm.CHM).absolutePath());
        const double cpuBeforeCompiler = CpuSeconds(RUSAGE_SELF);
        const double childBefore = CpuSeconds(RUSAGE_CHILDREN);
        t.restart();
        const THelpCompileResult run = RunHelpCompiler(chm.Folder, chm.HHPFile);
        r.compiler = t.nsecsElapsed() / 1e9;
        r.compilerCpu = CpuSeconds(RUSAGE_CHILDREN) - childBefore;
        const double cpuAfterCompiler = CpuSeconds(RUSAGE_SELF);
        if (run.ExitCode != 0) {
            state.SkipWithError(run.Output.toStdString().c_str());
            return;
        }
        t.restart();
        FixChmDirectoryHeader(chm.CHM);
        TChmFile check(chm.CHM);
        const int stored = int(check.UserFiles().size());
        r.check = t.nsecsElapsed() / 1e9;
        // Waiting for the compiler costs us a little CPU too; it is not our stage.
        r.oursCpu = CpuSeconds(RUSAGE_SELF) - cpuStart - (cpuAfterCompiler - cpuBeforeCompiler);
        if (stored < r.files)
            state.SkipWithError("the help file lists fewer files than were compiled");
    } catch (const std::exception &e) {
        std::fprintf(stderr, "build failed: %s\n", e.what());
        state.SkipWithError(e.what());
        return;
    }
    r.peakMb = PeakMb();
    g_results[topics] = r;
    state.counters["conversion_s"] = r.conversion;
    state.counters["pages_s"] = r.pages;
    state.counters["projectfiles_s"] = r.projectFiles;
    state.counters["lists_s"] = r.lists;
    state.counters["chmcmd_s"] = r.compiler;
    state.counters["check_s"] = r.check;
    state.counters["ours_per_chmcmd"] = r.compiler > 0 ? r.Ours() / r.compiler : 0;
    state.counters["peak_rss_mb"] = r.peakMb;
    state.counters["ours_cpu_s"] = r.oursCpu;
    state.counters["chmcmd_cpu_s"] = r.compilerCpu;
}

// The project files alone over a folder of n pages, with a contents and an index entry per
// page, several of them with quotes and Chinese: it must grow linearly.
void BM_ProjectFiles(benchmark::State &state)
{
    const int n = int(state.range(0));
    QTemporaryDir dir;
    const QString folder = dir.path() + "/p/";
    QDir().mkpath(folder + "pages");
    QString toc = QStringLiteral("<UL>"), index = QStringLiteral("<UL>");
    for (int i = 0; i < n; ++i) {
        const QString page = QStringLiteral("pages/t%1.htm").arg(i);
        QFile f(folder + page);
        f.open(QIODevice::WriteOnly);
        const QString name = i % 10 == 0 ? QString::fromUtf8("\"'''\" 中文 %1").arg(i) : QStringLiteral("Topic %1").arg(i);
        const QString entry = QStringLiteral("<LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"%1\">\r\n"
                                             "<param name=\"Local\" value=\"%2\">\r\n</OBJECT>\r\n")
                                  .arg(name, page);
        toc += entry;
        index += entry;
    }
    toc += QStringLiteral("</UL>");
    index += QStringLiteral("</UL>");
    for (auto _ : state) {
        TCHMProject chm;
        chm.Folder = folder;
        chm.CHM = dir.path() + "/help.chm";
        chm.Title = QStringLiteral("Bench");
        chm.Language = QStringLiteral("0x0409");
        chm.TOC = toc;
        chm.IndexList = index;
        chm.Output();
        benchmark::DoNotOptimize(chm.Files.Count());
    }
    state.counters["us_per_page"] =
        benchmark::Counter(double(n) * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_ProjectFiles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlHelpBuild)->Arg(100)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_results.empty())
        return 0;
    std::printf("\nWall time:\n%7s %6s %11s %8s %9s %8s %8s %9s %11s %8s %9s\n", "topics", "files", "conversion", "pages",
                "projfiles", "check", "ours", "chmcmd", "ours/chmcmd", "us/topic", "peak MB");
    for (const auto &[n, r] : g_results)
        std::printf("%7d %6d %10.3fs %7.3fs %8.3fs %7.3fs %7.3fs %8.3fs %10.1f%% %8.0f %9.0f\n", r.topics, r.files,
                    r.conversion, r.pages, r.projectFiles, r.check, r.Ours(), r.compiler,
                    r.compiler > 0 ? 100.0 * r.Ours() / r.compiler : 0.0, 1e6 * r.Ours() / std::max(1, r.topics), r.peakMb);
    std::printf("\nCPU time:\n%7s %10s %11s %11s %10s\n", "topics", "ours", "chmcmd", "ours/chmcmd", "us/topic");
    for (const auto &[n, r] : g_results)
        std::printf("%7d %9.3fs %10.3fs %10.1f%% %10.0f\n", r.topics, r.oursCpu, r.compilerCpu,
                    r.compilerCpu > 0 ? 100.0 * r.oursCpu / r.compilerCpu : 0.0, 1e6 * r.oursCpu / std::max(1, r.topics));
    return 0;
}
