// The real program turning help files into documents: "tavrel --chm2doc HELP.chm OUT", and the
// round trip of the sample project through a help file and back into a help file.
#include "chm2word/Chm2Word.h"
#include "project/ProjectSetting.h"
#include "text/HTMLProcess.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

const QString kTavrel = QStringLiteral(TAVREL_BINARY_DIR "/bin/tavrel");

struct TResult
{
    int exitCode = -1;
    QString err;
};

TResult Tavrel(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    p.setProcessEnvironment(env);
    p.start(kTavrel, args);
    EXPECT_TRUE(p.waitForFinished(600000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

// A copy of the sample project that builds only its help file, from the document given.
QString HelpOnlyProject(const QString &folder, const QString &document)
{
    TProject project;
    project.ReadFromIni(QStringLiteral(TAVREL_SOURCE_DIR "/data/sample/sample.tvp"));
    project.SourceFile = document;
    project.HtmlHelpOutput = true;
    project.WebHelpOutput = false;
    project.PDFOutput = false;
    project.CompiledFile = "<Project_Folder>/HTML help/help.chm";
    const QString file = folder + "/project.tvp";
    project.SaveToIni(file);
    return file;
}

struct TTopic
{
    QString Title;
    int Level = 0;
    QStringList Keywords;
    QHash<QString, int> Words;
    int WordCount = 0;
};

// What a reader of the help file sees of each topic, after the distiller has taken away what
// the pages share (navigation, headers, footers).
std::vector<TTopic> Topics(const QString &chm, bool distil = true)
{
    QTemporaryDir dir;
    Tchm2word c;
    c.LoadFromCHM(chm);
    c.rootFolder = dir.path() + "/";
    c.decompile();
    if (distil)
        c.Execute();
    std::vector<TTopic> out;
    static const QRegularExpression tags("<[^>]*>"), nonWord("[^\\w]+");
    for (int i = 0; i < c.List.Count(); ++i) {
        const TTitleList &e = *c.List[i];
        TTopic t;
        t.Title = e.Topic;
        t.Level = e.Level;
        t.Keywords = e.Keywords.split(KeywordSeparator, Qt::SkipEmptyParts);
        t.Keywords.sort();
        const QString file = c.ExistingFile(NormalizePath(c.rootFolder + SplitUrlBookmark(e.Url).first));
        if (!file.isEmpty()) {
            QString text = c.ReadPage(file);
            const qsizetype body = text.indexOf("<body", 0, Qt::CaseInsensitive);
            text = HtmlUnescape(text.mid(std::max<qsizetype>(body, 0)).replace(tags, " "));
            for (const QString &w : text.split(nonWord, Qt::SkipEmptyParts)) {
                ++t.Words[w];
                ++t.WordCount;
            }
        }
        out.push_back(std::move(t));
    }
    return out;
}

} // namespace

TEST(CommandLineChm2Doc, TheSampleGoesThroughAHelpFileIntoADocumentAndBuildsTheSameHelpAgain)
{
    if (!QFileInfo::exists(TAVREL_SOURCE_DIR "/data/sample/sample.docx"))
        GTEST_SKIP() << "no sample project";
    QTemporaryDir work;
    QDir().mkpath(work.path() + "/first");
    QDir().mkpath(work.path() + "/second");
    QFile::copy(TAVREL_SOURCE_DIR "/data/sample/sample.docx", work.path() + "/first/sample.docx");
    TResult r = Tavrel({"--build", HelpOnlyProject(work.path() + "/first", "<Project_Folder>/sample.docx")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString chm1 = work.path() + "/first/HTML help/help.chm";

    const QString docx = work.path() + "/second/from help.docx";
    r = Tavrel({"--chm2doc", chm1, docx});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("[ 20%]")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Written: " + docx)) << r.err.toStdString();
    r = Tavrel({"--build", HelpOnlyProject(work.path() + "/second", "<Project_Folder>/from help.docx")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    // The first help file's topics as the distiller leaves them, against the second one's whole
    // pages: the words of a topic are all still there. Distilled again, the second help file's
    // topics keep them too: its pages have another template, and a distiller that takes a
    // topic's first paragraph for its title or for a shared header loses it here.
    const QString chm2 = work.path() + "/second/HTML help/help.chm";
    const std::vector<TTopic> before = Topics(chm1);
    ASSERT_GT(before.size(), 5u);
    for (const bool distil : {false, true}) {
        const std::vector<TTopic> after = Topics(chm2, distil);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < before.size(); ++i) {
            const TTopic &a = before[i], &b = after[i];
            EXPECT_EQ(b.Title, a.Title) << i;
            EXPECT_EQ(b.Level, a.Level) << a.Title.toStdString();
            EXPECT_EQ(b.Keywords, a.Keywords) << a.Title.toStdString();
            int kept = 0;
            QStringList lost;
            for (auto it = a.Words.begin(); it != a.Words.end(); ++it) {
                kept += std::min(it.value(), b.Words.value(it.key()));
                if (b.Words.value(it.key()) < it.value())
                    lost << it.key();
            }
            EXPECT_GE(kept * 100, a.WordCount * 99) << (distil ? "distilled again: " : "") << a.Title.toStdString() << ": " << kept
                                                     << " of " << a.WordCount << "; fewer: " << lost.join(' ').toStdString();
        }
    }
}

TEST(CommandLineChm2Doc, RefusesWhatItShouldNotWrite)
{
    QTemporaryDir work;
    const QString chm = work.path() + "/none.chm";
    TResult r = Tavrel({"--chm2doc", chm, work.path() + "/x.docx"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("does not exist")) << r.err.toStdString();

    QFile(chm).open(QIODevice::WriteOnly);
    r = Tavrel({"--chm2doc", chm, work.path() + "/x.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(".docx, .doc or .pdf")) << r.err.toStdString();

    QFile existing(work.path() + "/there.docx");
    existing.open(QIODevice::WriteOnly);
    existing.write("mine");
    existing.close();
    r = Tavrel({"--chm2doc", chm, existing.fileName()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("--yes")) << r.err.toStdString();
    // Not a help file: a failure, and the existing document is left alone even with --yes.
    r = Tavrel({"--chm2doc", chm, existing.fileName(), "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    existing.open(QIODevice::ReadOnly);
    EXPECT_EQ(existing.readAll(), "mine");
    // A target below a regular file cannot be written, even by root.
    r = Tavrel({"--chm2doc", chm, existing.fileName() + "/below.docx", "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"none.chm", "there.docx"}));
}
