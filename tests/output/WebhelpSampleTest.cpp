// The two sample folders the browser tests open are the writer's own output: each run writes
// them again and compares them with the committed copies under tests/fixtures/webhelp-sample.
// TAVREL_UPDATE_GOLDEN=1 refreshes the committed copies; TAVREL_WEBHELP_SAMPLES=<folder> also
// leaves a copy there (for screenshots).
#include "WebhelpSupport.h"

#include "output/WebHelpInterface.h"
#include "output/Webhelp.h"
#include "support/Golden.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

QStringList filesUnder(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

QByteArray bytesOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeSample(const QString &name, const QString &out)
{
    QTemporaryDir projectDir;
    TProject project;
    project.RootDir = projectDir.path() + "/";
    project.ProjectFilename = project.RootDir + "sample.tvp";
    project.SourceFile = project.RootDir + "sample.docx";
    project.HtmlHelpOutput = false;
    project.PDFOutput = false;
    std::vector<TWebItem> items;
    if (name == "basic") {
        BasicSample(project, items);
    } else {
        TrickySample(project, items);
        project.WebHelpDictionary.Clear();
        project.WebHelpDictionary.AddStrings(TWebHelpInterfaceLanguage::ReadTslFile(InstallPath("webhelp/langs/German.tsl")));
    }
    project.WebHelpOutputFolder = out;
    TContentsItems contents;
    FillContents(contents, items);
    TWebHelp web(&project, &contents, nullptr);
    web.Output();
    ASSERT_TRUE(web.Warnings.Empty()) << web.Warnings.Texts().join('\n').toStdString();
}

} // namespace

TEST(WebhelpSample, CommittedSamplesAreTheWritersOutput)
{
    const bool update = qEnvironmentVariable("TAVREL_UPDATE_GOLDEN") == "1";
    const QString extra = qEnvironmentVariable("TAVREL_WEBHELP_SAMPLES");
    for (const QString name : {"basic", "tricky"}) {
        QTemporaryDir tmp;
        const QString out = tmp.path() + "/" + name + "/";
        writeSample(name, out);
        if (!extra.isEmpty()) {
            ASSERT_TRUE(CopyFolderTree(out, extra + "/" + name));
        }
        const QString committed = FixturePath("webhelp-sample/" + name);
        if (update) {
            ASSERT_TRUE(CopyFolderTree(out, committed));
            continue;
        }
        const QStringList have = filesUnder(committed);
        const QStringList want = filesUnder(out);
        EXPECT_EQ(have.join('\n').toStdString(), want.join('\n').toStdString())
            << name.toStdString() << ": the committed sample lists other files";
        for (const QString &f : want) {
            EXPECT_TRUE(bytesOf(committed + "/" + f) == bytesOf(out + f))
                << name.toStdString() << "/" << f.toStdString() << " is stale: run test_output with TAVREL_UPDATE_GOLDEN=1";
        }
    }
}

// With TAVREL_WEBHELP_BIG=<folder> a WebHelp of 10,000 topics with a large vocabulary is written
// there for the search benchmark of tests/webhelp; otherwise the test is skipped.
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
