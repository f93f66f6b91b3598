// Pictures of the dialogs opened from the setting pages: the window designer with its font
// dialog, the WebHelp interface texts, the new document from an outline, and the help-file
// import with its progress window. Taken only when TAVREL_SCREENSHOTS names a folder.
#include "Shoot.h"
#include "chm2word/gui/CHM2Word.h"
#include "chm2word/gui/Progress.h"
#include "output/gui/GetfontForCHM.h"
#include "output/gui/UnitDesigner.h"
#include "output/gui/WebHelpInterface.h"
#include "project/ProjectSetting.h"
#include "support/Controls.h"
#include "word/gui/CreateNewdoc.h"

#include <QDir>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(Screenshots, DesignerAndInterfaceDialogs)
{
    TAVREL_NEEDS_SHOT_FOLDER();
    TProject project;
    project.HasChild = 0;
    project.NoChild = 10;
    DesignCHMStyle(nullptr, project, [](TfrmDesigner &d) {
        // A smaller window than the default, so the picture stays readable in the README.
        d.resize(900, 620);
        d.ReadBounds();
        Shoot(d, "dialog-designer");
        return int(QDialog::Rejected);
    });

    TfrmFont font;
    font.setWindowTitle(QStringLiteral("Font of Contents"));
    font.FontString = QStringLiteral("DejaVu Sans,10,0");
    font.GetFontAndSize();
    Shoot(font, "dialog-chmfont");
    font.hide();

    SetWebHelpInterface(nullptr, project, [](TfrmWebHelpInterface &d) {
        d.resize(720, 520);
        Shoot(d, "dialog-webhelp-interface");
        TfrmQuickTranslate q(&d);
        q.SetText(QStringLiteral("Contents\nIndex\nSearch\nFavorites"));
        Shoot(q, "dialog-quick-translate");
        return int(QDialog::Rejected);
    });
}

TEST(Screenshots, NewDocumentDialog)
{
    TAVREL_NEEDS_SHOT_FOLDER();
    TfrmCreateNewDocument w;
    w.SetFileName("<Project_Folder>/doc.docx");
    auto *memo = Child<QPlainTextEdit>(w, "mmTOC");
    QTextCursor c = memo->textCursor();
    c.setPosition(9);
    c.setPosition(30, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);
    Child<QListWidget>(w, "lbCommonTitle")->setCurrentRow(3);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    memo->setFocus();
    Shoot(w, "dialog-newdocument");
}

// The import pictures belong under docs/chm2word: run this one with its own folder.
TEST(Screenshots, ImportDialogs)
{
    TAVREL_NEEDS_SHOT_FOLDER();
    TfrmChm2Word d;
    d.SetSourceFile("/home/author/old help/product.chm");
    d.SetWordFile("<Project_Folder>/help.docx");
    Shoot(d, "dialog-import-chm");
    d.hide();
    // The progress window is pictured without being shown, so no run starts.
    TfrmProgress p;
    Child<QProgressBar>(p, "Gauge1")->setValue(47);
    Child<QLabel>(p, "lbInfo")->setText("Processing (12 of 40) pages/install.htm...");
    p.adjustSize();
    p.resize(440, p.height());
    EXPECT_TRUE(p.grab().save(ShotFile("dialog-progress")));
}
