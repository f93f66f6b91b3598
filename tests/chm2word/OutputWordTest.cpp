// Help files made by our own build, turned into documents by the writer and read back by the
// engine: headings, bookmarks, index entries, page set-up, content; a cancel, a locked target
// and the formats LibreOffice makes.
#include "chm2word/ChmTo.h"
#include "chm2word/OutputWord.h"
#include "support/HelpFileMaker.h"
#include "support/ScriptedMessages.h"
#include "text/FileSystem.h"
#include "text/WorkingFolder.h"
#include "text/functions.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Word.h"
#include "word/engine/Zip.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tavrel;

using test::EntriesUnder;

namespace {

// Runs the whole conversion on the calling thread, so the test sees every update in order.
struct TDirectWriter : TOutputWord
{
    using TOutputWord::Execute;
};

const std::vector<test::THelpPage> &SamplePages()
{
    static const std::vector<test::THelpPage> pages = {
        {"Getting started", 1, "Start\nTools/Options\nTools//Paths", "<p>Welcome to the alpha product.</p><h2>Inner heading</h2><p>More beta text.</p>", {}},
        {"Installing", 2, "Install", "<p>Run the gamma installer twice.</p>", {}},
        {"Deep one", 3, {}, "<p>Delta words at level three.</p>", {}},
        {"Group only", 4, {}, {}, {}},
        {"Broken page", 5, {}, {}, "<html><body><p>Epsilon <b>unclosed <i>text</p><table><tr><td>zeta"},
        {"Empty page", 6, {}, {}, " "},
        {"Odd charset", 7, {}, {}, "<html><head><meta charset=\"x-no-such\"></head><body><p>Eta text</p></body></html>"},
        {"Eight", 8, {}, "<p>Theta.</p>", {}},
        {"Nine", 9, {}, "<p>Iota.</p>", {}},
        {"Ten deep", 10, {}, "<p>Kappa beyond nine levels.</p>", {}},
        {"Back on top", 1, "Top", "<p>Lambda <a href=\"http://example.com/x\">outside</a>.</p>", {}},
    };
    return pages;
}

struct TOutline
{
    QStringList Headings; // "level|text"
    QStringList IndexEntries;
    QStringList Bookmarks;
    QString FirstBookmarkText; // what the first entry's bookmark marks
    QString Text;
};

TOutline ReadBack(const QString &docx)
{
    TOutline o;
    WordApplication app;
    auto doc = app.Documents().Open(docx);
    const WordParagraphs ps = doc->Paragraphs();
    for (int i = 1; i <= ps.Count(); ++i) {
        const WordRange p = ps.Item(i);
        const int level = p.ParagraphFormat().OutlineLevel();
        if (level < 10)
            o.Headings << QStringLiteral("%1|%2").arg(level).arg(p.Text().trimmed());
    }
    const WordFields fields = doc->Fields();
    for (int i = 1; i <= fields.Count(); ++i)
        if (fields.Item(i).Type() == wdFieldIndexEntry)
            o.IndexEntries << fields.Item(i).Code().Text().trimmed();
    o.Bookmarks = doc->BookmarkNames();
    if (doc->Bookmarks().Exists(QStringLiteral("Bookmark0")))
        o.FirstBookmarkText = doc->Bookmarks().Item(QStringLiteral("Bookmark0")).Range().Text();
    o.Text = doc->Content().Text();
    doc->Close(0);
    return o;
}

class OutputWordTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!test::HaveHelpCompiler())
            GTEST_SKIP() << "chmcmd is not installed";
        help = test::MakeHelpFile(SamplePages(), "Sample Help");
        ASSERT_TRUE(QFileInfo(help.Chm).size() > 0);
        working = EntriesUnder(RunFolder());
    }
    void Configure(TOutputWord &w, const QString &target)
    {
        Tchm t;
        t.LoadFromCHM(help.Chm);
        w.chm = help.Chm;
        w.pdf = target;
        w.Title = t.Title;
        w.Codepage = t.CodePage;
    }
    // Nothing of the run stays in the working folder, whatever its end.
    void ExpectNoWorkingLeftovers() { EXPECT_EQ(EntriesUnder(RunFolder()), working); }

    test::THelpFile help;
    QTemporaryDir out;
    QStringList working;
};

} // namespace

TEST(OutputWordRules, PointsLevelsIndexEntriesAndFormats)
{
    // 25 × 2.85 = 71.25 and 30 × 2.85 = 85.5, which goes to the even 86.
    EXPECT_EQ(MillimetresToPoints(25), 71);
    EXPECT_EQ(MillimetresToPoints(30), 86);
    EXPECT_EQ(MillimetresToPoints(10), 28); // 28.5 → 28
    EXPECT_EQ(MillimetresToPoints(297), 846);
    EXPECT_EQ(HeadingStyleOfLevel(0), wdStyleHeading1);
    EXPECT_EQ(HeadingStyleOfLevel(3), -5);
    EXPECT_EQ(HeadingStyleOfLevel(8), -10);
    EXPECT_EQ(HeadingStyleOfLevel(40), -10);
    EXPECT_EQ(IndexEntryTexts("Tools/Options" + KeywordSeparator + "Tools//Paths"), QStringList({"Tools:Options", "Tools::Paths"}));
    EXPECT_EQ(IndexEntryTexts("Say \"hi\"" + KeywordSeparator + KeywordSeparator), QStringList({"Say 'hi'"}));
    EXPECT_EQ(EntryPosition(0, 7), 20);
    EXPECT_EQ(EntryPosition(7, 7), 80);
    EXPECT_EQ(WordOutputOf("/a/b.DOCX", true), TWordOutput::Docx);
    EXPECT_EQ(WordOutputOf("/a/b.doc", true), TWordOutput::Doc);
    EXPECT_EQ(WordOutputOf("/a/b.pdf", true), TWordOutput::Doc); // a Word document only: .doc
    EXPECT_EQ(WordOutputOf("/a/b.pdf", false), TWordOutput::Pdf);
}

TEST_F(OutputWordTest, AHelpFileBecomesADocumentWithItsContentsAsHeadings)
{
    test::TScriptedMessages messages;
    TDirectWriter w;
    const QString target = out.path() + "/new folder/imported.docx";
    Configure(w, target);
    QStringList steps;
    w.FOnUpdate = [&](TOutputWord *x) { steps << QStringLiteral("%1 %2").arg(x->position).arg(x->info); };
    w.Execute();
    ASSERT_FALSE(w.Failed) << messages.Errors().join("\n").toStdString();
    EXPECT_EQ(w.Written, QFileInfo(target).absoluteFilePath());
    EXPECT_TRUE(messages.Errors().isEmpty());
    EXPECT_EQ(steps.first(), "1 Decompiling...");
    EXPECT_TRUE(steps.contains("20 Processing (1 of 11) pages/t00000.htm..."));
    EXPECT_TRUE(steps.contains("98 Saving document..."));
    EXPECT_EQ(steps.last(), "100 OK!");

    const TOutline o = ReadBack(target);
    // One heading per entry, the page's own heading demoted; levels beyond nine share Heading 9.
    EXPECT_EQ(o.Headings, QStringList({"1|Getting started", "2|Installing", "3|Deep one", "4|Group only", "5|Broken page",
                                       "6|Empty page", "7|Odd charset", "8|Eight", "9|Nine", "9|Ten deep", "1|Back on top"}));
    QStringList entries = o.IndexEntries;
    entries.sort();
    EXPECT_EQ(entries, QStringList({"XE \"Install\"", "XE \"Start\"", "XE \"Tools::Paths\"", "XE \"Tools:Options\"", "XE \"Top\""}));
    EXPECT_GE(o.Bookmarks.size(), 11); // one per entry, and those the pages brought
    EXPECT_EQ(o.FirstBookmarkText, "Getting started");
    for (const char *word : {"alpha", "Inner heading", "beta", "gamma", "Delta", "Epsilon", "unclosed", "zeta", "Eta text", "Kappa", "Lambda"})
        EXPECT_TRUE(o.Text.contains(QLatin1String(word))) << word << "\n" << o.Text.toStdString();

    // A4 with the margins of an import, in twentieths of a point.
    auto zip = engine::TZipReader::OpenFile(target);
    const QByteArray body = zip->Read("word/document.xml");
    EXPECT_TRUE(body.contains("w:top=\"1420\"")) << body.right(600).toStdString();
    EXPECT_TRUE(body.contains("w:left=\"1720\""));
    EXPECT_TRUE(body.contains("w:w=\"11906\"") || body.contains("w:w=\"11905\""));
    // The picture is in the package, not a link to the deleted decompile folder.
    EXPECT_FALSE(body.contains("~ta"));
    ExpectNoWorkingLeftovers();
    EXPECT_EQ(EntriesUnder(QFileInfo(target).path()), QStringList({QFileInfo(target).absoluteFilePath()}));
}

TEST_F(OutputWordTest, ACancelInThePageLoopEndsQuietlyAndLeavesTheOldDocument)
{
    test::TScriptedMessages messages;
    const QString target = out.path() + "/kept.docx";
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the old document");
    }
    TDirectWriter w;
    Configure(w, target);
    w.FOnUpdate = [&](TOutputWord *x) {
        if (x->info.startsWith("Processing (4 of"))
            x->WantToExit = true;
    };
    w.Execute();
    EXPECT_TRUE(w.Failed);
    EXPECT_TRUE(w.OK);
    EXPECT_EQ(w.info, "Failed.");
    EXPECT_TRUE(messages.Errors().isEmpty());
    EXPECT_TRUE(w.Written.isEmpty());
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "the old document");
    EXPECT_EQ(EntriesUnder(out.path()), QStringList({target}));
    ExpectNoWorkingLeftovers();
}

namespace {

// Counts the files written once a cancel was asked for.
class TWritesAfterCancel : public TFileSystem
{
public:
    explicit TWritesAfterCancel(const std::atomic<bool> &cancel) : m_cancel(cancel) { m_previous = SetFileSystem(this); }
    ~TWritesAfterCancel() override { SetFileSystem(m_previous); }
    bool WriteFile(const QString &path, const QByteArray &data) override
    {
        if (m_cancel)
            ++Count;
        return TFileSystem::WriteFile(path, data);
    }
    bool RewriteFile(const QString &path, const QByteArray &data) override { return WriteFile(path, data); }
    int Count = 0;

private:
    const std::atomic<bool> &m_cancel;
    TFileSystem *m_previous = nullptr;
};

} // namespace

// A cancel while the help file is decompiled, its pages compared or distilled: the step stops at
// the next file or page, nothing more is written, and the decompile folder is gone.
TEST_F(OutputWordTest, ACancelInsideTheDecompileOrTheDistilStopsAtTheNextFile)
{
    for (const QString step : {"Decompiling (3 of", "Comparing (2 of", "Distilling (4 of", "Linking (2 of"}) {
        test::TScriptedMessages messages;
        const QString target = out.path() + "/never.docx";
        TDirectWriter w;
        Configure(w, target);
        TWritesAfterCancel writes(w.WantToExit);
        QStringList infos;
        w.FOnUpdate = [&](TOutputWord *x) {
            infos << x->info;
            if (x->info.startsWith(step))
                x->WantToExit = true;
        };
        w.Execute();
        EXPECT_TRUE(w.Failed) << step.toStdString();
        EXPECT_TRUE(messages.Errors().isEmpty()) << step.toStdString();
        qsizetype at = 0;
        while (at < infos.size() && !infos[at].startsWith(step))
            ++at;
        ASSERT_LT(at, infos.size()) << step.toStdString() << ": " << infos.join(" | ").toStdString();
        // What follows the cancel is the end of the run alone.
        EXPECT_EQ(infos.mid(at + 1), QStringList({"Failed.", "Failed."})) << step.toStdString();
        EXPECT_EQ(writes.Count, 0) << step.toStdString();
        EXPECT_FALSE(QFileInfo::exists(target));
        ExpectNoWorkingLeftovers();
    }
}

namespace {

// A target that stays "open elsewhere" for the first refusals writes.
class TLockedTarget : public TFileSystem
{
public:
    TLockedTarget(QString file, int times) : m_file(std::move(file)), m_times(times) { m_previous = SetFileSystem(this); }
    ~TLockedTarget() override { SetFileSystem(m_previous); }
    bool CanOpenWrite(const QString &path) override
    {
        if (path == m_file && m_times > 0) {
            --m_times;
            return false;
        }
        return TFileSystem::CanOpenWrite(path);
    }

private:
    QString m_file;
    int m_times;
    TFileSystem *m_previous;
};

} // namespace

TEST_F(OutputWordTest, ALockedTargetIsAskedAboutRetryWritesAbortFails)
{
    const QString target = out.path() + "/locked.docx";
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("open elsewhere");
    }
    {
        test::TScriptedMessages messages;
        messages.ExpectQuestion(mbAbort);
        TLockedTarget lock(target, 100);
        TDirectWriter w;
        Configure(w, target);
        w.Execute();
        EXPECT_TRUE(w.Failed);
        ASSERT_EQ(messages.Questions().size(), 1);
        EXPECT_EQ(messages.Questions()[0], "\"" + target + "\" access denied! It probably has been opened. Please close it and retry.");
        EXPECT_EQ(messages.QuestionButtons()[0], mbAbort | mbRetry);
        ASSERT_EQ(messages.Errors().size(), 1);
        EXPECT_TRUE(messages.Errors()[0].contains("not written"));
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "open elsewhere");
    }
    {
        test::TScriptedMessages messages;
        messages.ExpectQuestion(mbRetry);
        messages.ExpectQuestion(mbRetry);
        TLockedTarget lock(target, 2);
        TDirectWriter w;
        Configure(w, target);
        w.Execute();
        EXPECT_FALSE(w.Failed);
        EXPECT_EQ(messages.Questions().size(), 2);
        EXPECT_TRUE(messages.AllAnswersUsed());
        EXPECT_EQ(ReadBack(target).Headings.size(), 11);
    }
    ExpectNoWorkingLeftovers();
}

TEST_F(OutputWordTest, DocAndPdfThroughLibreOfficeAndItReadsTheDocx)
{
    if (!engine::TLibreOffice::Available())
        GTEST_SKIP() << "LibreOffice is not installed";
    test::TScriptedMessages messages;
    for (const QString name : {"a.docx", "b.doc", "c.pdf"}) {
        TDirectWriter w;
        const QString target = out.path() + "/" + name;
        Configure(w, target);
        w.OnlyWord = !name.endsWith(".pdf");
        w.Toc = name.endsWith(".pdf");
        w.Cover = name.endsWith(".pdf");
        w.Execute();
        ASSERT_FALSE(w.Failed) << name.toStdString() << messages.Errors().join("\n").toStdString();
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(8);
        if (name.endsWith(".doc"))
            EXPECT_EQ(head, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)); // an OLE compound file
        else if (name.endsWith(".pdf"))
            EXPECT_TRUE(head.startsWith("%PDF-"));
        else
            EXPECT_TRUE(head.startsWith("PK"));
    }
    // LibreOffice's own text export of the .docx and the .doc holds the topics' text.
    QTemporaryDir profile;
    for (const QString name : {"a.docx", "b.doc"}) {
        engine::TLibreOffice::TConversion c;
        c.Input = out.path() + "/" + name;
        c.OutputFolder = out.path() + "/txt";
        c.ConvertTo = "txt:Text (encoded):UTF8";
        const QString txt = engine::TLibreOffice::Convert(c);
        QFile f(txt);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString text = QString::fromUtf8(f.readAll());
        for (const char *word : {"Getting started", "alpha", "gamma", "Kappa beyond nine levels", "Back on top"})
            EXPECT_TRUE(text.contains(QLatin1String(word))) << name.toStdString() << " " << word;
    }
    // python-docx sees the headings in their styles.
    QProcess py;
    py.start("python3", {"-c", "import docx,sys\nfor p in docx.Document(sys.argv[1]).paragraphs:\n"
                               "  s=p.style.name\n  print(s+'|'+p.text) if s.startswith('Heading') else None",
                         out.path() + "/a.docx"});
    ASSERT_TRUE(py.waitForFinished(60000));
    if (py.exitCode() == 0) {
        const QString listed = QString::fromUtf8(py.readAllStandardOutput());
        EXPECT_TRUE(listed.contains("Heading 1|Getting started")) << listed.toStdString();
        EXPECT_TRUE(listed.contains("Heading 4|Group only"));
        EXPECT_TRUE(listed.contains("Heading 9|Ten deep"));
    }
    ExpectNoWorkingLeftovers();
}
