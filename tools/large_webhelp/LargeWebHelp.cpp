// Writes a WebHelp of 10,000 topics with a large vocabulary into the folder TAVREL_WEBHELP_BIG
// names (TAVREL_WEBHELP_BIG_TOPICS changes the count), for the search benchmark of tests/webhelp
// (tests/webhelp/search.bench.mjs runs it). A tool, not a test: it checks nothing.
#include "output/WebhelpSupport.h"

#include "output/WebHelpInterface.h"
#include "output/Webhelp.h"
#include "project/ProjectSetting.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(WebhelpSample, LargeHelpForTheSearchBenchmark)
{
    const QString out = qEnvironmentVariable("TAVREL_WEBHELP_BIG");
    if (out.isEmpty())
        GTEST_SKIP() << "set TAVREL_WEBHELP_BIG to a folder to write the large help";
    const int topics = qEnvironmentVariableIntValue("TAVREL_WEBHELP_BIG_TOPICS") > 0
                           ? qEnvironmentVariableIntValue("TAVREL_WEBHELP_BIG_TOPICS")
                           : 10000;
    const char *syll[] = {"ka", "lo", "mi", "ne", "su", "ta", "ri", "po", "ve", "du", "xa", "qe", "bo", "fi", "gu", "ho"};
    quint32 seed = 12345;
    const auto rnd = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 1) & 0x7fffffff) / double(0x7fffffff);
    };
    QStringList vocab;
    for (int k = 0; k < 20000; ++k) {
        QString w;
        const int len = 2 + int(rnd() * 3);
        for (int s = 0; s < len; ++s)
            w += QLatin1String(syll[int(rnd() * 16) % 16]);
        vocab << w;
    }
    const auto word = [&] { return vocab[int(std::pow(rnd(), 2.2) * vocab.size()) % vocab.size()]; };
    std::vector<TWebItem> items;
    for (int k = 0; k < topics; ++k) {
        if (k % 20 == 0)
            items.push_back({1, QStringLiteral("Book %1").arg(k / 20 + 1), QString(), 1, QString(), QString()});
        QString body;
        for (int p = 0; p < 4; ++p) {
            QStringList ws;
            for (int w = 0; w < 45; ++w)
                ws << word();
            body += QStringLiteral("<p>") + ws.join(' ') + QStringLiteral(".</p>\r\n");
        }
        items.push_back({2, QStringLiteral("Topic %1 %2 %3").arg(k).arg(word(), word()), QStringLiteral("t%1.htm").arg(k), 11, word(), body});
    }
    QTemporaryDir projectDir;
    TProject project;
    project.RootDir = projectDir.path() + "/";
    project.HtmlHelpOutput = false;
    project.PDFOutput = false;
    project.Title = "Benchmark help";
    project.WebHelpTilteSame = true;
    project.WebHelpExtension = 0;
    project.WebHelpOutputFolder = out;
    TContentsItems contents;
    FillContents(contents, items);
    TWebHelp web(&project, &contents, nullptr);
    web.Output();
}
