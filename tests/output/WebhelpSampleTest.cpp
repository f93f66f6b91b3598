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
