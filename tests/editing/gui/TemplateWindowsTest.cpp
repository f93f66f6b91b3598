// The template chooser and the template editor as windows (offscreen): what they list, what a
// change does to the project, and that Cancel and Escape leave it as it was. The previews are
// real pages: one test waits for one to render and checks what it refused to load.
#include "editing/ChooseTemplate.h"
#include "editing/gui/ChooseTemplate.h"
#include "editing/gui/HTMLEditor.h"
#include "editing/gui/PreviewView.h"
#include "editing/gui/SourceEdit.h"
#include "output/Template.h"
#include "project/ProjectSetting.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/InstallFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QApplication>
#include <QToolButton>
#include <QWebEngineView>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {
QStringList listTexts(QListWidget *l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

// The names the catalogue offers for one output, read with nothing but the file's own form.
QStringList catalogueNames(const QString &type)
{
    QFile f(InstallPath("templates/templates.ini"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList out;
    for (const QString &block : QString::fromUtf8(f.readAll()).split(QRegularExpression("\\n\\s*\\n"))) {
        QString name, offered;
        for (const QString &line : block.split('\n')) {
            if (line.startsWith("Name="))
                name = line.mid(5).trimmed();
            if (line.startsWith(type + "="))
                offered = line.mid(type.size() + 1).trimmed();
        }
        if (!name.isEmpty() && offered.compare("yes", Qt::CaseInsensitive) == 0)
            out << name;
    }
    return out;
}

QByteArray installedStream(const QString &relative)
{
    QByteArray stream;
    TemplateFileToStream(InstallPath("templates/" + relative), stream);
    return stream;
}
} // namespace

TEST(TemplateWindows, ChooserListsTheCatalogueForEachOutput)
{
    for (const QString type : {"htmlHelp", "WebHelp"}) {
        QString folder;
        const QString current = UnpackTemplateCopy(installedStream("plain/plain.htm"), folder);
        TfrmChooseTemplate d;
        EXPECT_EQ(d.windowTitle(), "Choose built-in template");
        d.TemplateType = type;
        d.CurrentTemplate = current;
        d.LoadTemplate();
        auto *list = d.findChild<QListWidget *>("lbTemplateName");
        auto *ok = d.findChild<QPushButton *>("OKBtn");
        ASSERT_TRUE(list && ok);
        EXPECT_EQ(listTexts(list), QStringList{"<Current template>"} + catalogueNames(type));
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_EQ(d.GetTemplateFile(), QString());
        list->setCurrentRow(2);
        EXPECT_TRUE(ok->isEnabled());
        EXPECT_EQ(QFileInfo(d.GetTemplateFile()).canonicalFilePath(),
                  QFileInfo(CatalogueMainPage(InstalledTemplatesFolder(), d.Offered()[1])).canonicalFilePath());
        // The installation is only read: previews come from private copies.
        EXPECT_FALSE(QFileInfo(d.GetTemplateFile()).absoluteDir().entryList({"~preview*"}).size());
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_EQ(d.result(), QDialog::Rejected);
        QDir(folder).removeRecursively();
    }
}

TEST(TemplateWindows, EditorEditsSavesAndCancels)
{
    test::TScriptedMessages messages;
    test::TRecordingShell shell;
    TProject project;
    project.WebHelpTemplateStream = installedStream("fixedtop/fixedtop.htm");
    const QByteArray original = project.WebHelpTemplateStream;
    project.ProjectChanged = false;

    {
        // Open, look, Escape: nothing changed, nothing asked.
        TfrmHTMLEditor d;
        EXPECT_EQ(d.windowTitle(), "Template Editor");
        d.Project = &project;
        ASSERT_TRUE(d.Open(&project.WebHelpTemplateStream));
        auto *list = d.findChild<QListWidget *>("lbFiles");
        ASSERT_TRUE(list);
        EXPECT_EQ(list->item(0)->text(), "fixedtop.htm (Preview)");
        EXPECT_EQ(list->item(1)->text(), "fixedtop.htm (Source)");
        EXPECT_TRUE(listTexts(list).contains("fixedtop.css"));
        d.findChild<QToolButton *>("tbtnExplore")->click();
        EXPECT_EQ(shell.opened, QStringList{d.Core().tempDir});
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_TRUE(messages.Questions().isEmpty());
    }
    EXPECT_EQ(project.WebHelpTemplateStream, original);

    {
        // Change the style sheet, switch away (written to the folder), Escape, answer No.
        TfrmHTMLEditor d;
        d.Project = &project;
        ASSERT_TRUE(d.Open(&project.WebHelpTemplateStream));
        auto *list = d.findChild<QListWidget *>("lbFiles");
        auto *edit = d.findChild<TSourceEdit *>("RichEdit1");
        const int css = static_cast<int>(listTexts(list).indexOf("fixedtop.css"));
        list->setCurrentRow(css);
        EXPECT_EQ(edit->Kind(), TSourceKind::StyleSheet);
        EXPECT_TRUE(d.findChild<QToolButton *>("tbtnCSSCode")->isEnabled());
        edit->moveCursor(QTextCursor::End);
        d.InsertCode("\n.added{color:#00ff00}");
        EXPECT_EQ(edit->textCursor().selectedText(), QString("\u2029.added{color:#00ff00}"));
        list->setCurrentRow(0);
        QFile written(d.Core().tempDir + "fixedtop.css");
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().contains(".added{color:#00ff00}"));
        // Back to the same entry: not reloaded, the undo history is still there.
        list->setCurrentRow(css);
        EXPECT_TRUE(edit->document()->isUndoAvailable());
        messages.ExpectQuestion(mbNo);
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    EXPECT_EQ(project.WebHelpTemplateStream, original);
    EXPECT_FALSE(project.ProjectChanged);

    {
        // The same change with Save & Exit reaches the project.
        TfrmHTMLEditor d;
        d.Project = &project;
        ASSERT_TRUE(d.Open(&project.WebHelpTemplateStream));
        auto *list = d.findChild<QListWidget *>("lbFiles");
        list->setCurrentRow(static_cast<int>(listTexts(list).indexOf("fixedtop.css")));
        auto *edit = d.findChild<TSourceEdit *>("RichEdit1");
        edit->moveCursor(QTextCursor::End);
        d.InsertCode("\n.added{}");
        edit->document()->setModified(true);
        d.findChild<QToolButton *>("ToolButton2")->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    EXPECT_NE(project.WebHelpTemplateStream, original);
    EXPECT_TRUE(project.ProjectChanged);
    bool found = false;
    for (const auto &e : ReadTemplateEntries(project.WebHelpTemplateStream))
        found = found || (e.Name == "fixedtop.css" && e.Data.endsWith("\n.added{}"));
    EXPECT_TRUE(found);
    EXPECT_TRUE(messages.Errors().isEmpty()) << messages.Errors().join('\n').toStdString();
}

TEST(TemplateWindows, EditorRefusesWhatItCannotOpen)
{
    test::TScriptedMessages messages;
    QByteArray broken;
    AppendTemplateEntry(broken, "index.htm", "<html></html>");
    AppendTemplateEntry(broken, "..\\outside.css", "x");
    const QByteArray before = broken;
    TfrmHTMLEditor d;
    EXPECT_FALSE(d.Open(&broken));
    EXPECT_EQ(broken, before);
    ASSERT_EQ(messages.Errors().size(), 1);
    EXPECT_TRUE(messages.Errors()[0].startsWith("The template cannot be opened")) << messages.Errors()[0].toStdString();

    // A folder deleted under the editor is reported, and the list stays.
    QByteArray stream = installedStream("plain/plain.htm");
    TfrmHTMLEditor e;
    ASSERT_TRUE(e.Open(&stream));
    const int rows = e.findChild<QListWidget *>("lbFiles")->count();
    QDir(e.Core().tempDir).removeRecursively();
    e.Refresh();
    EXPECT_EQ(messages.Errors().last(), "The template folder is lost!");
    EXPECT_EQ(e.findChild<QListWidget *>("lbFiles")->count(), rows);
}

// A real render: the page loads, and what it asks for outside its folder is refused.
TEST(TemplateWindows, PreviewRendersAndRefusesOutsideLoads)
{
    test::TScriptedMessages messages;
    QByteArray stream;
    AppendTemplateEntry(stream, "page.htm",
                        "<html><head><title>t</title><link rel=\"stylesheet\" href=\"http://127.0.0.1:9/remote.css\">"
                        "<script src=\"s.js\"></script></head><body>($content$)"
                        "<img src=\"file:///etc/hostname\"></body></html>");
    AppendTemplateEntry(stream, "s.js", "document.title = 'ran';");
    TfrmHTMLEditor d;
    ASSERT_TRUE(d.Open(&stream));
    d.resize(800, 600);
    d.show();
    TPreviewView *preview = d.Preview();
    QSignalSpy loaded(preview, &TPreviewView::LoadFinished);
    d.ShowEntry(0);
    ASSERT_TRUE(loaded.wait(30000) || loaded.count() > 0);
    QTest::qWait(300);
    const QStringList refused = preview->Refused();
    EXPECT_TRUE(refused.join(' ').contains("/etc/hostname")) << refused.join(' ').toStdString();
    EXPECT_FALSE(preview->ScriptsEnabled());
    EXPECT_NE(preview->View()->title(), "ran");
    EXPECT_TRUE(preview->View()->title().contains("Creating your first project")) << preview->View()->title().toStdString();

    // The author's switch lets the template's own script run.
    loaded.clear();
    d.findChild<QCheckBox *>("cbRunScripts")->setChecked(true);
    ASSERT_TRUE(loaded.wait(30000) || loaded.count() > 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview->View()->title() == "ran"; }, 5000)) << preview->View()->title().toStdString();
}

// The "Choose..." flow: Escape keeps the project's template; "Choose" puts the picked one in.
TEST(TemplateWindows, ChoosingReplacesTheStreamOnlyOnChoose)
{
    test::TScriptedMessages messages;
    TProject project;
    project.HtmlHelpTemplateStream = installedStream("plain/plain.htm");
    project.ProjectChanged = false;
    const QByteArray original = project.HtmlHelpTemplateStream;
    auto drive = [](bool choose) {
        QTimer::singleShot(200, [choose] {
            auto *d = qobject_cast<TfrmChooseTemplate *>(QApplication::activeModalWidget());
            ASSERT_TRUE(d);
            auto *list = d->findChild<QListWidget *>("lbTemplateName");
            list->setCurrentItem(list->findItems("Dark", Qt::MatchExactly).value(0));
            if (choose)
                d->findChild<QPushButton *>("OKBtn")->click();
            else
                QTest::keyClick(d, Qt::Key_Escape);
        });
    };
    drive(false);
    EXPECT_FALSE(ChooseTemplateFor(nullptr, project, project.HtmlHelpTemplateStream, "htmlHelp"));
    EXPECT_EQ(project.HtmlHelpTemplateStream, original);
    EXPECT_FALSE(project.ProjectChanged);
    drive(true);
    EXPECT_TRUE(ChooseTemplateFor(nullptr, project, project.HtmlHelpTemplateStream, "htmlHelp"));
    EXPECT_EQ(project.HtmlHelpTemplateStream, installedStream("dark/dark.htm"));
    EXPECT_TRUE(project.ProjectChanged);
}

// Double-click takes the whole word under the pointer; a "#RRGGBB" selection paints the swatch.
TEST(TemplateWindows, SourceViewSelectsWordsAndColours)
{
    TfrmHTMLEditor d;
    auto *edit = d.findChild<TSourceEdit *>("RichEdit1");
    ASSERT_TRUE(edit);
    d.resize(800, 500);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    edit->setPlainText("p { color: #00ff00; font_family: x }");
    QTextCursor c = edit->textCursor();
    c.setPosition(24);
    const QPoint at = edit->cursorRect(c).center();
    QTest::mouseDClick(edit->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(edit->textCursor().selectedText(), "font_family");
    c.setPosition(11);
    c.setPosition(18, QTextCursor::KeepAnchor);
    edit->setTextCursor(c);
    EXPECT_EQ(d.SwatchColour(), QColor(0, 255, 0));
    c.setPosition(11);
    c.setPosition(17, QTextCursor::KeepAnchor); // "#00ff0": not a colour, the swatch stays
    edit->setTextCursor(c);
    EXPECT_EQ(d.SwatchColour(), QColor(0, 255, 0));
}
