// The import dialogs and the import from the main window, driven as a user would: the boxes,
// the questions, the progress window's Cancel, and what the project takes over.
#include "chm2word/OutputWord.h"
#include "chm2word/gui/CHM2Word.h"
#include "chm2word/gui/ImportChm.h"
#include "chm2word/gui/Progress.h"
#include "support/HelpFileMaker.h"
#include "support/ScriptedMessages.h"
#include "text/WorkingFolder.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tavrel;

using test::EntriesUnder;

namespace {

template <class T>
T *Child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

std::vector<test::THelpPage> ManyPages(int n)
{
    std::vector<test::THelpPage> pages;
    for (int i = 0; i < n; ++i)
        pages.push_back({QStringLiteral("Topic %1").arg(i), 1 + i % 3, QStringLiteral("Key %1").arg(i),
                         QStringLiteral("<p>Words of topic %1 in German.</p>").arg(i), {}});
    return pages;
}

} // namespace

TEST(ImportDialogs, TheImportDialogOffersOkOnlyWithBothBoxesAndAsksBeforeReplacing)
{
    QTemporaryDir dir;
    const QString chm = dir.path() + "/old.chm", doc = dir.path() + "/new.docx";
    QFile(chm).open(QIODevice::WriteOnly);
    TfrmChm2Word d;
    EXPECT_EQ(d.windowTitle(), "Import from CHM file");
    auto *ok = Child<QPushButton>(d, "OKBtn");
    auto *src = Child<QLineEdit>(d, "edtSourceFile");
    auto *word = Child<QLineEdit>(d, "edtWordFile");
    for (const char *name : {"Button7", "Button1", "CancelBtn"})
        Child<QPushButton>(d, name);
    EXPECT_FALSE(ok->isEnabled());
    src->setText(chm);
    EXPECT_FALSE(ok->isEnabled());
    word->setText(doc);
    EXPECT_TRUE(ok->isEnabled());
    src->clear();
    EXPECT_FALSE(ok->isEnabled());

    test::TScriptedMessages messages;
    // A help file that is not there: message 602, the dialog stays.
    src->setText(dir.path() + "/gone.chm");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(messages.Errors(), QStringList({"\"" + dir.path() + "/gone.chm\" does not exist!"}));
    EXPECT_EQ(d.result(), QDialog::Rejected);
    // A new document: accepted without a question.
    src->setText(chm);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.Questions().isEmpty());
    // An existing one: No keeps the dialog, Yes accepts; the question names the box's text.
    QFile(doc).open(QIODevice::WriteOnly);
    d.setResult(QDialog::Rejected);
    word->setText("<Project_Folder>/new.docx");
    d.RealPath = [&](const QString &p) { return QString(p).replace("<Project_Folder>", dir.path()); };
    messages.ExpectQuestion(mbNo);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    messages.ExpectQuestion(mbYes);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(messages.Questions(), QStringList(2, "\"<Project_Folder>/new.docx\" already exists. Do you want to replace it?"));
    EXPECT_EQ(messages.QuestionButtons()[0], mbYes | mbNo);
}

class ImportFlow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!test::HaveHelpCompiler())
            GTEST_SKIP() << "chmcmd is not installed";
        help = test::MakeHelpFile(ManyPages(60), "Alte Hilfe", "0x0407");
        ASSERT_TRUE(QFileInfo(help.Chm).size() > 0);
        working = EntriesUnder(RunFolder());
        hooks.SourceFile = "<Project_Folder>/old source.docx";
        hooks.RealPath = [this](const QString &p) { return QString(p).replace("<Project_Folder>", project.path()); };
        hooks.SetLanguage = [this](const QString &id) { language << id; };
        hooks.SetChmTitle = [this](const QString &t) { title << t; };
        hooks.SetSourceFile = [this](const QString &f) { source << f; };
        hooks.OpenDocument = [this](const QString &f) { opened << f; };
        hooks.BeforeImportDialog = [this](TfrmChm2Word &d) {
            EXPECT_EQ(d.WordFile(), "<Project_Folder>/old source.docx");
            d.SetSourceFile(help.Chm);
            d.SetWordFile("<Project_Folder>/imported.docx");
            QTest::mouseClick(d.findChild<QPushButton *>("OKBtn"), Qt::LeftButton);
            return false;
        };
    }

    test::THelpFile help;
    QTemporaryDir project;
    QStringList working, language, title, source, opened;
    TImportChmHooks hooks;
};

TEST_F(ImportFlow, ADocumentIsWrittenOpenedOnceAfterYesAndBecomesTheSource)
{
    test::TScriptedMessages messages;
    messages.ExpectQuestion(mbYes); // 603
    QStringList labels;
    hooks.BeforeProgress = [&](TfrmProgress &p) {
        EXPECT_TRUE(p.OutputWord().OnlyWord);
        EXPECT_EQ(p.OutputWord().Left, 30);
        EXPECT_EQ(p.OutputWord().PaperSize, 7);
        EXPECT_EQ(p.OutputWord().Title, "Alte Hilfe");
        auto *timer = new QTimer(&p);
        QObject::connect(timer, &QTimer::timeout, [&p, &labels] { labels << p.findChild<QLabel *>("lbInfo")->text(); });
        timer->start(5);
    };
    EXPECT_TRUE(btnImportChmClick(hooks));
    EXPECT_EQ(language, QStringList({"0x0407"}));
    EXPECT_EQ(title, QStringList({"Alte Hilfe"}));
    EXPECT_EQ(messages.Questions(), QStringList({"The word file is created successful! Open it?"}));
    EXPECT_EQ(opened, QStringList({project.path() + "/imported.docx"}));
    EXPECT_EQ(source, QStringList({"<Project_Folder>/imported.docx"}));
    EXPECT_TRUE(QFileInfo(project.path() + "/imported.docx").size() > 0);
    EXPECT_FALSE(labels.filter("Processing (").isEmpty());
    EXPECT_EQ(EntriesUnder(RunFolder()), working); // the copy of the help file and the decompile are gone
}

TEST_F(ImportFlow, CancelInTheProgressWindowStopsTheRunAndKeepsTheSource)
{
    test::TScriptedMessages messages;
    messages.ExpectQuestion(mbOK); // 604
    hooks.BeforeProgress = [&](TfrmProgress &p) {
        auto *timer = new QTimer(&p);
        auto *info = p.findChild<QLabel *>("lbInfo");
        auto *cancel = p.findChild<QPushButton *>("btnCancel");
        EXPECT_EQ(cancel->text(), "Cancel");
        EXPECT_NE(p.findChild<QProgressBar *>("Gauge1"), nullptr);
        QObject::connect(timer, &QTimer::timeout, [info, cancel, timer] {
            if (info->text().startsWith("Processing (2 of")) {
                timer->stop();
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
        });
        timer->start(0);
    };
    EXPECT_FALSE(btnImportChmClick(hooks));
    EXPECT_EQ(messages.Questions(), QStringList({"The convertion is failed!"}));
    EXPECT_TRUE(messages.Errors().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    // Nothing was written, so the project keeps its source document.
    EXPECT_TRUE(source.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(project.path() + "/imported.docx"));
    EXPECT_EQ(EntriesUnder(project.path()), QStringList());
    EXPECT_EQ(EntriesUnder(RunFolder()), working);
}
