// The shipped sample project: the project file is what the program itself writes for the sample's
// settings (so it never drifts from the packed templates), it loads and finds its document, the
// document is what its generator makes of the committed source, and it converts into the topics,
// index entries, links, pictures and image map the source describes.
#include "ProjectTestSupport.h"
#include "project/ProjectSetting.h"
#include "text/functions.h"
#include "word/WordDoc.h"
#include "word/engine/Word.h"
#include "word/engine/Zip.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

const QString kSampleFolder = QStringLiteral(TAVREL_SOURCE_DIR "/data/sample/");

// The settings of the sample on top of a new project.
void MakeSampleProject(TProject &p)
{
    p.Clear();
    p.SourceFile = QStringLiteral("<Project_Folder>/sample.docx");
    p.Title = QStringLiteral("Tavrel for Word Sample");
    p.CopyRight = QStringLiteral("&copy; 2026 The Tavrel for Word sample project. Free to copy and adapt.");
    p.HtmlHelpOutput = p.WebHelpOutput = p.PDFOutput = true;
}

QByteArray Sha(const QString &path) { return QCryptographicHash::hash(ReadBytes(path), QCryptographicHash::Sha256); }

// Copies the sample's two files into a fresh folder, as a user's work copy.
QString CopySample(const QTemporaryDir &dir)
{
    const QString root = dir.path() + QStringLiteral("/Sample Project/");
    QDir().mkpath(root);
    for (const char *name : {"sample.tvp", "sample.docx"})
        QFile::copy(kSampleFolder + QLatin1String(name), root + QLatin1String(name));
    return root;
}

} // namespace

TEST(SampleProject, FileIsWhatTheProgramWritesAndLoads)
{
    // The locale decides the charset and the help language of a new project: the sample is English.
    TEnvOverride lang("LC_ALL", QStringLiteral("en_US.UTF-8"));
    TProject written;
    MakeSampleProject(written);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fresh = dir.path() + QStringLiteral("/sample.tvp");
    written.SaveToIni(fresh);
    const QString shipped = kSampleFolder + QStringLiteral("sample.tvp");
    if (qEnvironmentVariableIntValue("TAVREL_UPDATE_GOLDEN") == 1) {
        WriteBytes(shipped, ReadBytes(fresh));
    } else {
        EXPECT_TRUE(ReadBytes(fresh) == ReadBytes(shipped))
            << "data/sample/sample.tvp differs from what the program writes for the sample (templates changed?); "
               "rerun with TAVREL_UPDATE_GOLDEN=1 to rewrite it";
    }

    const QString root = CopySample(dir);
    TProject p;
    p.ReadFromIni(root + QStringLiteral("sample.tvp"));
    EXPECT_EQ(p.Title, "Tavrel for Word Sample");
    EXPECT_EQ(p.SourceFile, "<Project_Folder>/sample.docx");
    EXPECT_EQ(p.RealPath(ptSourceFile), root + QStringLiteral("sample.docx"));
    EXPECT_TRUE(QFileInfo(p.RealPath(ptSourceFile)).isFile());
    EXPECT_TRUE(p.HtmlHelpOutput && p.WebHelpOutput && p.PDFOutput);
    EXPECT_EQ(p.HtmlHelpOutputEncoding, "iso-8859-1");
    EXPECT_EQ(p.CHMSetting.Language, "0x0409");
    EXPECT_FALSE(p.HtmlHelpTemplateStream.isEmpty());
    EXPECT_FALSE(p.WebHelpTemplateStream.isEmpty());
    // Every output lands inside the work copy's folder, so building a copy never writes elsewhere.
    for (const int type : {ptCompiledFile, ptWebHelpFolder, ptPDFFile, ptContextFile, ptHHPFolder}) {
        const QString path = p.RealPath(type);
        EXPECT_TRUE(path.startsWith(root) && path.size() > root.size()) << type << " " << path.toStdString();
    }
}

TEST(SampleProject, DocumentIsGeneratedFromItsSource)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.path() + QStringLiteral("/sample.docx");
    QProcess gen;
    gen.setProcessChannelMode(QProcess::MergedChannels);
    gen.start(python, {QStringLiteral(TAVREL_SOURCE_DIR "/tools/make_sample.py"), kSampleFolder + QStringLiteral("source"), out});
    ASSERT_TRUE(gen.waitForFinished(60000));
    ASSERT_EQ(gen.exitCode(), 0) << gen.readAll().toStdString();
    // Entry by entry, not byte by byte: another zlib may deflate the same parts differently.
    auto made = engine::TZipReader::OpenFile(out);
    auto shipped = engine::TZipReader::OpenFile(kSampleFolder + QStringLiteral("sample.docx"));
    ASSERT_EQ(made->Names(), shipped->Names());
    for (const QString &name : made->Names())
        EXPECT_TRUE(made->Read(name) == shipped->Read(name))
            << name.toStdString() << ": data/sample/sample.docx is not what tools/make_sample.py makes of data/sample/source; regenerate it";
    EXPECT_LT(QFileInfo(out).size(), 200 * 1024);
}

TEST(SampleProject, DocumentConvertsIntoItsTopics)
{
    TEnvOverride lang("LC_ALL", QStringLiteral("en_US.UTF-8"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = CopySample(dir);
    TProject project;
    project.ReadFromIni(root + QStringLiteral("sample.tvp"));
    const QString source = project.RealPath(ptSourceFile);
    const QByteArray before = Sha(source);

    // What the source promises, counted from its text.
    QFile text(kSampleFolder + QStringLiteral("source/sample.txt"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QString markup = QString::fromUtf8(text.readAll());
    const int headings = static_cast<int>(markup.count(QRegularExpression(QStringLiteral("(?m)^#{1,3} "))));
    const int entries = static_cast<int>(markup.count(QStringLiteral("{xe ")));
    const int subEntries = static_cast<int>(markup.count(QRegularExpression(QStringLiteral("\\{xe [^}:]+:"))));

    WordApplication app;
    TWordDoc doc(&project, &app, source, nullptr, 1);
    doc.DoCreate(source);
    TContentsItems items;
    items.Project = &project;
    doc.ToContentsItems(items);

    ASSERT_EQ(items.Count(), headings);
    EXPECT_GE(headings, 20);
    EXPECT_LE(headings, 40);
    int perLevel[4] = {0, 0, 0, 0};
    int keywords = 0, nested = 0;
    QString all;
    auto byTitle = [&](const QString &title) -> const TContentsItem * {
        for (int i = 0; i < items.Count(); ++i)
            if (items[i]->Title == title)
                return items[i];
        return nullptr;
    };
    for (int i = 0; i < items.Count(); ++i) {
        const TContentsItem *item = items[i];
        ASSERT_GE(item->Level, 1);
        ASSERT_LE(item->Level, 3);
        ++perLevel[item->Level];
        EXPECT_EQ(item->Status, 0) << item->Title.toStdString(); // every heading has text of its own
        const QStringList k = item->Keywords.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        keywords += static_cast<int>(k.size());
        for (const QString &w : k)
            nested += w.contains(QLatin1Char('/')) ? 1 : 0;
        all += item->Content;
    }
    EXPECT_GT(perLevel[1], 0);
    EXPECT_GT(perLevel[2], perLevel[1]);
    EXPECT_GT(perLevel[3], 0);
    EXPECT_EQ(keywords, entries);
    EXPECT_EQ(nested, subEntries);
    EXPECT_GT(subEntries, 10);

    // Property fields: fixed page names, constants and context numbers; the fields never show.
    const TContentsItem *welcome = items[0];
    EXPECT_EQ(welcome->Title, "Welcome to Tavrel for Word");
    EXPECT_EQ(welcome->Url, "welcome.htm");
    EXPECT_EQ(welcome->StaticName, "IDH_WELCOME");
    EXPECT_EQ(welcome->ContextNumber, "1000");
    const TContentsItem *commandLine = byTitle(QStringLiteral("The command line"));
    ASSERT_TRUE(commandLine);
    EXPECT_EQ(commandLine->Url, "command-line.htm");
    EXPECT_EQ(commandLine->ContextNumber, "1006");
    EXPECT_FALSE(all.contains(QStringLiteral("FileName=welcome")));
    EXPECT_FALSE(all.contains(QStringLiteral("XE \"outputs")));

    // Cross-references and links to bookmarks lead to the pages of their topics; web links stay.
    const TContentsItem *topicLinks = byTitle(QStringLiteral("Links between topics"));
    const TContentsItem *templates = byTitle(QStringLiteral("Page templates"));
    const TContentsItem *index = byTitle(QStringLiteral("Index entries"));
    ASSERT_TRUE(topicLinks && templates && index);
    EXPECT_TRUE(topicLinks->Content.contains(QStringLiteral("href=\"") + templates->Url)) << topicLinks->Content.toStdString();
    EXPECT_TRUE(topicLinks->Content.contains(QStringLiteral("href=\"") + commandLine->Url));
    EXPECT_TRUE(topicLinks->Content.contains(QStringLiteral("href=\"") + index->Url));
    EXPECT_TRUE(all.contains(QStringLiteral("href=\"https://www.debian.org/\"")));

    // Tables, pictures and the linked shape come through.
    EXPECT_EQ(all.count(QStringLiteral("<table")), 2);
    const TContentsItem *shapes = byTitle(QStringLiteral("Linked shapes and drawing canvases"));
    ASSERT_TRUE(shapes);
    EXPECT_TRUE(shapes->Content.contains(QStringLiteral("href=\"") + commandLine->Url)) << shapes->Content.toStdString();

    // The canvas: one image map with an area for each of its two linked boxes, pointing at their pages.
    ASSERT_EQ(doc.MapCodes.size(), 1);
    EXPECT_EQ(doc.MapCodes[0].count(QStringLiteral("<area ")), 2);
    const TContentsItem *htmlHelp = byTitle(QStringLiteral("HTML Help"));
    const TContentsItem *webHelp = byTitle(QStringLiteral("WebHelp"));
    ASSERT_TRUE(htmlHelp && webHelp);
    EXPECT_TRUE(shapes->Content.contains(QStringLiteral("<area href=\"") + htmlHelp->Url)) << shapes->Content.toStdString();
    EXPECT_TRUE(shapes->Content.contains(QStringLiteral("<area href=\"") + webHelp->Url));

    int pictures = 0;
    for (int i = 0; i < items.Count(); ++i)
        pictures += static_cast<int>(items[i]->Content.count(QStringLiteral("<img")));
    EXPECT_GE(pictures, 3);

    // The only expected warning: the button and the canvas float, and HTML places them at their
    // anchor. Anything else is a fault of the sample or of the converter.
    for (const TWarning &w : doc.Warnings.Items())
        EXPECT_TRUE(w.What.contains(QStringLiteral("floating"), Qt::CaseInsensitive)) << w.What.toStdString();
    EXPECT_EQ(Sha(source), before);
}
