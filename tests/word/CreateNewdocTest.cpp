// A new document from an outline: the document the default outline gives, the outline's level
// rules, the editor's indent and outdent against a line-by-line reference, outline files, and
// the written document read back by our reader and by LibreOffice.
#include "project/ProjectSetting.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "word/CreateNewdoc.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// One line per paragraph: "<style>|<text>".
QString dumpParagraphs(WordDocument &doc)
{
    QStringList out;
    WordParagraphs ps = doc.Paragraphs();
    for (int i = 1; i <= ps.Count(); ++i) {
        WordRange p = ps.Item(i);
        QString text = p.Text();
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        out << p.StyleName().toLower() + "|" + text;
    }
    return out.join('\n');
}

QString outlineDump(const QStringList &lines)
{
    WordApplication app;
    auto doc = app.Documents().Add(false);
    WriteOutline(*doc, lines);
    return dumpParagraphs(*doc);
}

} // namespace

TEST(OutlineDocument, TheDefaultOutlineGivesItsTwentyOneHeadingsWithPlaceholders)
{
    WordApplication app;
    auto doc = app.Documents().Add(false);
    EXPECT_EQ(WriteOutline(*doc, DefaultOutline()), 21);
    // A heading followed by one of the same or a higher level gets a placeholder; the last
    // placeholder closes the document without an empty paragraph after it.
    const QString p = "normal|Enter your content...";
    const QStringList expected = {
        "heading 1|What's New", p,
        "heading 1|Overview",
        "heading 2|Introduction", p,
        "heading 2|Features", p,
        "heading 2|System Requirements", p,
        "heading 2|Installation and Uninstallation", p,
        "heading 1|Quick Start Tutorials",
        "heading 2|Getting Started", p,
        "heading 1|How to use",
        "heading 2|Step-by-Step Procedures", p,
        "heading 2|Reference", p,
        "heading 1|Hints and Tips",
        "heading 2|Frequently Asked Questions", p,
        "heading 1|Miscellaneous",
        "heading 2|Technical Support", p,
        "heading 2|Ordering Information", p,
        "heading 2|Other information", p,
        "heading 2|Contacting Me", p,
        "heading 2|End User License", p,
        "heading 2|License Agreement", p,
        "heading 2|Credits", p,
    };
    EXPECT_EQ(dumpParagraphs(*doc).toStdString(), expected.join("\n").toStdString());
    EXPECT_EQ(DefaultOutline().size(), 21);
    EXPECT_EQ(CommonTitles().size(), 26);
    EXPECT_TRUE(DefaultOutline().first().endsWith(' '));
}

struct OutlineCase
{
    const char *name;
    QStringList lines;
    QStringList paragraphs;
};

class OutlineLevels : public ::testing::TestWithParam<OutlineCase>
{
};

TEST_P(OutlineLevels, GiveTheseParagraphs)
{
    EXPECT_EQ(outlineDump(GetParam().lines).toStdString(), GetParam().paragraphs.join("\n").toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutlineLevels,
    ::testing::Values(
        // A line is never deeper than its index: the first line is always a top heading.
        OutlineCase{"DeepFirstLines", {"\t\tA", "\t\t\tB"}, {"heading 1|A", "heading 2|B", "normal|Enter your content..."}},
        // Blank lines and lines of white space give nothing and leave the previous level alone;
        // they still count as lines for the index limit.
        OutlineCase{"BlankLines", {"A", "", "  \t ", "\t\tB", "\r", "\tC"},
                    {"heading 1|A", "heading 3|B", "normal|Enter your content...", "heading 2|C", "normal|Enter your content..."}},
        // Levels below the ninth stay at Heading 9; a deeper line still counts as a sub-heading.
        OutlineCase{"DeeperThanNine", {"A", "\tB", "\t\tC", "\t\t\tD", "\t\t\t\tE", "\t\t\t\t\tF", "\t\t\t\t\t\tG", "\t\t\t\t\t\t\tH",
                                       "\t\t\t\t\t\t\t\tI", "\t\t\t\t\t\t\t\t\tJ", "\t\t\t\t\t\t\t\t\t\tK"},
                    {"heading 1|A", "heading 2|B", "heading 3|C", "heading 4|D", "heading 5|E", "heading 6|F", "heading 7|G",
                     "heading 8|H", "heading 9|I", "heading 9|J", "heading 9|K",
                     "normal|Enter your content..."}},
        // Nothing to write leaves the new document's one empty paragraph.
        OutlineCase{"Empty", {"", " "}, {"normal|"}},
        // Spaces before the TABs stop the count; the title is trimmed of both.
        OutlineCase{"SpacesBeforeTabs", {"A", " \tB", "\t C "}, {"heading 1|A", "normal|Enter your content...", "heading 1|B",
                                                                  "heading 2|C", "normal|Enter your content..."}}),
    [](const auto &info) { return std::string(info.param.name); });

namespace {

// The indent rules line by line: the lines whose start lies in (selStart, selEnd], and the
// line holding selStart; never the first line.
QString referenceEdit(const QString &text, int selStart, int selLength, bool indent, int *count)
{
    QStringList lines = text.split('\n');
    const int selEnd = selStart + selLength;
    int start = 0;
    *count = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const int end = start + int(lines[i].size());
        const bool holdsStart = selStart >= start && selStart <= end;
        const bool touched = i > 0 && (holdsStart || (start > selStart && start <= selEnd));
        if (touched) {
            if (indent) {
                lines[i].prepend('\t');
                ++*count;
            } else if (lines[i].startsWith('\t')) {
                lines[i].remove(0, 1);
                ++*count;
            }
        }
        start = end + 1;
    }
    return lines.join('\n');
}

} // namespace

TEST(OutlineEdits, IndentAndOutdentAgreeWithALineByLineReference)
{
    QRandomGenerator rng(17);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int n = 1 + int(rng.bounded(6));
        for (int i = 0; i < n; ++i) {
            if (i)
                text += '\n';
            text += QString(int(rng.bounded(3)), '\t') + QString(int(rng.bounded(4)), 'x');
        }
        const int selStart = int(rng.bounded(int(text.size()) + 1));
        const int selLength = int(rng.bounded(int(text.size()) - selStart + 1));
        for (bool indent : {true, false}) {
            int count = 0;
            const QString expected = referenceEdit(text, selStart, selLength, indent, &count);
            const TOutlineEdit e = indent ? IndentOutline(text, selStart, selLength) : OutdentOutline(text, selStart, selLength);
            const QString got = indent ? ApplyIndent(text, e) : ApplyOutdent(text, e);
            ASSERT_EQ(got, expected) << qPrintable(text) << " sel " << selStart << "+" << selLength << (indent ? " indent" : " outdent");
            EXPECT_EQ(e.SelStart, std::min(selStart, int(got.size())));
            EXPECT_EQ(e.SelLength, indent ? selLength + count : std::max(0, selLength - count));
        }
        // Indenting and then outdenting the grown selection gives the text back.
        const TOutlineEdit in = IndentOutline(text, selStart, selLength);
        const QString indented = ApplyIndent(text, in);
        EXPECT_EQ(ApplyOutdent(indented, OutdentOutline(indented, in.SelStart, in.SelLength)), text);
    }
    EXPECT_EQ(TitleInsertPosition("ab\ncd\nef", 4), 3);
    EXPECT_EQ(TitleInsertPosition("ab\ncd", 0), 0);
    EXPECT_EQ(TitleInsertPosition("ab\n", 3), 3);
}

TEST(OutlineFiles, SavedAsUtf16WithMarkAndReadBackInEveryEncoding)
{
    QTemporaryDir dir;
    const QString text = "What's New \n\tÜbersicht\n\t\t概要";
    const QString file = dir.filePath("toc.txt");
    SaveOutline(text, file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QString body = text;
    body.replace("\n", "\r\n");
    body += "\r\n";
    EXPECT_EQ(bytes, QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(body.utf16()), body.size() * 2));
    EXPECT_EQ(LoadOutline(file), text);

    // An empty outline still gives a file (its mark alone), not a silent nothing.
    SaveOutline(QString(), dir.filePath("empty.txt"));
    EXPECT_EQ(QFileInfo(dir.filePath("empty.txt")).size(), 2);

    auto be = QByteArray("\xFE\xFF", 2);
    for (QChar c : QString("A\r\n\tB"))
        be += char(c.unicode() >> 8), be += char(c.unicode() & 0xFF);
    EXPECT_EQ(DecodeOutline(be), "A\r\n\tB");
    EXPECT_EQ(DecodeOutline("\xEF\xBB\xBF\xC3\xA4"), QString::fromUtf8("\xC3\xA4"));
    EXPECT_EQ(DecodeOutline("\xC3\xA4\tb"), QString::fromUtf8("\xC3\xA4\tb"));
    // Not UTF-8 without a mark: the system code page (Western here), never a charset the text
    // happens to mention.
    EXPECT_EQ(DecodeOutline("charset=koi8-r \xE4"), QString::fromUtf8("charset=koi8-r \xC3\xA4"));

    TFaultyFileSystem fs;
    fs.Fail(dir.filePath("locked.txt"), TFaultyFileSystem::opWrite | TFaultyFileSystem::opRead);
    EXPECT_THROW(SaveOutline(text, dir.filePath("locked.txt")), Exception);
    EXPECT_THROW(LoadOutline(dir.filePath("locked.txt")), Exception);
}

TEST(OutlineDocument, ALockedTargetIsAskedAboutAndCancelWritesNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("new/doc.docx");
    QDir().mkpath(dir.filePath("new"));
    QFile(target).open(QIODevice::WriteOnly);
    TFaultyFileSystem fs;
    fs.Fail(target, TFaultyFileSystem::opWrite);
    TScriptedMessages msgs;
    msgs.ExpectQuestion(mbRetry);
    msgs.ExpectQuestion(mbCancel);
    EXPECT_FALSE(CreateDocumentFromOutline(target, DefaultOutline()));
    ASSERT_EQ(msgs.Questions().size(), 2);
    EXPECT_EQ(msgs.Questions()[0], "\"" + target + "\" access denied! It probably has been opened. Please close it and retry.");
    EXPECT_EQ(msgs.QuestionButtons()[0], TMsgButtons(mbCancel | mbRetry));
    EXPECT_EQ(QFileInfo(target).size(), 0);
}

TEST(OutlineDocument, WrittenDocumentIsReadBackByOurReaderAndByLibreOffice)
{
    QTemporaryDir dir;
    // Upper-case extension: still the .docx format. The missing folders are made.
    const QString target = dir.filePath("a/b/Help.DOCX");
    ASSERT_TRUE(CreateDocumentFromOutline(target, DefaultOutline()));

    WordApplication app;
    auto back = app.Documents().Open(target);
    WordApplication app2;
    auto made = app2.Documents().Add(false);
    WriteOutline(*made, DefaultOutline());
    EXPECT_EQ(dumpParagraphs(*back), dumpParagraphs(*made));

    if (!engine::TLibreOffice::Available())
        GTEST_SKIP() << "LibreOffice is not installed";
    engine::TLibreOffice::TConversion c;
    c.Input = target;
    c.OutputFolder = dir.filePath("txt");
    c.ConvertTo = "txt:Text (encoded):UTF8";
    QDir().mkpath(c.OutputFolder);
    QFile txt(engine::TLibreOffice::Convert(c));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(txt.readAll()).remove(QChar(0xFEFF)).remove('\r').split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 37);
    EXPECT_EQ(lines.value(0), "What's New");
    EXPECT_EQ(lines.value(1), "Enter your content...");
    EXPECT_EQ(lines.value(36), "Enter your content...");
}

TEST(OutlineDocument, CreateMakesTheSourceDocumentAndOffersToOpenIt)
{
    QTemporaryDir dir;
    TProject project;
    project.ProjectFilename = dir.filePath("help.tvp");
    project.RootDir = dir.path() + "/";
    EXPECT_EQ(NewDocumentProposal(""), "<Project_Folder>/doc.docx");
    EXPECT_EQ(NewDocumentProposal("old.docx"), "old.docx");

    TRecordingShell shell;
    TScriptedMessages msgs;
    // The target exists: replacing it is asked first; No keeps the dialog open.
    QFile(dir.filePath("doc.docx")).open(QIODevice::WriteOnly);
    msgs.ExpectQuestion(mbNo);
    EXPECT_FALSE(ConfirmNewDocumentTarget("<Project_Folder>/doc.docx", project.RealPath("<Project_Folder>/doc.docx")));
    EXPECT_EQ(msgs.Questions().value(0), "\"<Project_Folder>/doc.docx\" already exists. Do you want to replace it?");
    EXPECT_TRUE(ConfirmNewDocumentTarget("x.docx", dir.filePath("x.docx")));

    ASSERT_TRUE(CreateSourceDocument(project, "<Project_Folder>/doc.docx", {"One", "\tTwo"}));
    EXPECT_EQ(project.SourceFile, "<Project_Folder>/doc.docx");
    EXPECT_TRUE(project.ProjectChanged);
    msgs.ExpectQuestion(mbNo);
    OfferToOpenNewDocument(project, project.SourceFile);
    EXPECT_TRUE(shell.opened.isEmpty());
    msgs.ExpectQuestion(mbYes);
    OfferToOpenNewDocument(project, project.SourceFile);
    EXPECT_EQ(msgs.Questions().value(1), "The Word file \"<Project_Folder>/doc.docx\" has been created. Do you want to open it?");
    EXPECT_EQ(shell.opened, QStringList{dir.filePath("doc.docx")});
    EXPECT_GT(QFileInfo(dir.filePath("doc.docx")).size(), 0);
}
