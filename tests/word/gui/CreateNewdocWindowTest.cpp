// The new-document dialog on the offscreen platform: its defaults, the TAB key and the indent
// buttons on a selection, a common title double-clicked in, outline files loaded and saved, and
// OK with the replace question.
#include "support/ScriptedMessages.h"
#include "word/CreateNewdoc.h"
#include "word/gui/CreateNewdoc.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

class Dialog : public TfrmCreateNewDocument
{
public:
    QString openAnswer, saveAnswer;
    QStringList asked;

protected:
    QString ChooseOpenFile(const QString &caption, const QString &start, const QString &filter) override
    {
        asked << caption + "|" + start + "|" + filter;
        return openAnswer;
    }
    QString ChooseSaveFile(const QString &caption, const QString &filter, const QString &suffix) override
    {
        asked << caption + "|" + filter + "|" + suffix;
        return saveAnswer;
    }
};

template <class T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void select(QPlainTextEdit *memo, int from, int to)
{
    QTextCursor c = memo->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);
}

} // namespace

TEST(CreateNewDocumentWindow, DefaultsIndentKeysAndCommonTitles)
{
    Dialog w;
    EXPECT_EQ(w.windowTitle(), "Create a new Word document");
    auto *memo = child<QPlainTextEdit>(w, "mmTOC");
    auto *titles = child<QListWidget>(w, "lbCommonTitle");
    for (const char *name : {"edtFilename", "Button3", "SpeedButton1", "SpeedButton2", "btnLoad", "btnSave", "OKBtn", "CancelBtn"})
        EXPECT_NE(w.findChild<QWidget *>(name), nullptr) << name;
    EXPECT_EQ(child<QToolButton>(w, "SpeedButton1")->toolTip(), "Indent");
    EXPECT_EQ(w.OutlineLines(), DefaultOutline());
    ASSERT_EQ(titles->count(), CommonTitles().size());
    EXPECT_EQ(titles->item(25)->text(), "What's New ");

    w.show();
    memo->setPlainText("A\nB\nC\nD");
    // TAB indents the lines of the selection (from inside "B" through the start of "D") and
    // types nothing else; the selection grows by the TABs.
    select(memo, 3, 6);
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_EQ(memo->toPlainText(), "A\n\tB\n\tC\n\tD");
    EXPECT_EQ(memo->textCursor().selectionStart(), 3);
    EXPECT_EQ(memo->textCursor().selectionEnd(), 9);
    // The first line never moves; the outdent button takes one TAB off each touched line.
    select(memo, 0, 0);
    QTest::mouseClick(child<QToolButton>(w, "SpeedButton1"), Qt::LeftButton);
    EXPECT_EQ(memo->toPlainText(), "A\n\tB\n\tC\n\tD");
    select(memo, 5, 8);
    QTest::mouseClick(child<QToolButton>(w, "SpeedButton2"), Qt::LeftButton);
    EXPECT_EQ(memo->toPlainText(), "A\n\tB\nC\nD");
    EXPECT_EQ(memo->textCursor().selectionStart(), 5);
    EXPECT_EQ(memo->textCursor().selectionEnd(), 6);
    // One undo step takes the whole outdent back.
    memo->undo();
    EXPECT_EQ(memo->toPlainText(), "A\n\tB\n\tC\n\tD");

    // A double-clicked title goes in as a new line before the caret's line, without a TAB.
    select(memo, 6, 6);
    QListWidgetItem *item = titles->item(1);
    Q_EMIT titles->itemDoubleClicked(item);
    EXPECT_EQ(memo->toPlainText(), "A\n\tB\nCredits \n\tC\n\tD");
    EXPECT_EQ(memo->textCursor().position(), 6 + 9);
}

TEST(CreateNewDocumentWindow, LoadSaveBrowseAndOk)
{
    QTemporaryDir dir;
    TScriptedMessages msgs;
    Dialog w;
    auto *memo = child<QPlainTextEdit>(w, "mmTOC");
    w.RealPath = [&](const QString &name) { return QString(name).replace("<Project_Folder>", dir.path()); };

    // Save writes the outline as UTF-16 with its mark; Load reads it back.
    memo->setPlainText("One\n\tTwo");
    w.saveAnswer = dir.filePath("toc.txt");
    QTest::mouseClick(child<QPushButton>(w, "btnSave"), Qt::LeftButton);
    QFile f(w.saveAnswer);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("\xFF\xFE" "O\0n\0e\0\r\0\n\0"));
    EXPECT_EQ(w.asked.value(0), "Save|Text File (*.txt)|txt");
    memo->setPlainText("x");
    w.openAnswer = w.saveAnswer;
    QTest::mouseClick(child<QPushButton>(w, "btnLoad"), Qt::LeftButton);
    EXPECT_EQ(w.OutlineLines(), (QStringList{"One", "\tTwo"}));
    // A file that cannot be read is reported and leaves the outline alone.
    w.openAnswer = dir.filePath("missing.txt");
    QTest::mouseClick(child<QPushButton>(w, "btnLoad"), Qt::LeftButton);
    EXPECT_EQ(msgs.Errors().size(), 1);
    EXPECT_EQ(w.OutlineLines().value(0), "One");

    // ".." starts at the resolved name; the chosen file replaces the text.
    w.SetFileName("<Project_Folder>/doc.docx");
    w.openAnswer = dir.filePath("other.docx");
    QTest::mouseClick(child<QToolButton>(w, "Button3"), Qt::LeftButton);
    EXPECT_EQ(w.asked.last(), "Word document|" + dir.filePath("doc.docx") + "|Word Document (*.doc *.docx)");
    EXPECT_EQ(w.FileName(), dir.filePath("other.docx"));

    // OK for a file that exists asks first: No stays, Yes closes with OK.
    w.SetFileName("<Project_Folder>/toc.txt");
    w.show();
    msgs.ExpectQuestion(mbNo);
    QTest::mouseClick(child<QPushButton>(w, "OKBtn"), Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(msgs.Questions().value(0), "\"<Project_Folder>/toc.txt\" already exists. Do you want to replace it?");
    msgs.ExpectQuestion(mbYes);
    QTest::mouseClick(child<QPushButton>(w, "OKBtn"), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), int(QDialog::Accepted));

    Dialog fresh;
    fresh.SetFileName(dir.filePath("new.docx"));
    fresh.show();
    QTest::mouseClick(child<QPushButton>(fresh, "OKBtn"), Qt::LeftButton);
    EXPECT_EQ(fresh.result(), int(QDialog::Accepted));
    EXPECT_EQ(msgs.Questions().size(), 2);
}
