// Pictures of the window designer, its font dialog and the WebHelp interface translation for
// the documentation; taken only when TAVREL_SCREENSHOTS names a folder (under Xvfb).
#include "output/gui/GetfontForCHM.h"
#include "output/gui/UnitDesigner.h"
#include "output/gui/WebHelpInterface.h"
#include "project/ProjectSetting.h"

#include <QComboBox>
#include <QDir>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {

QString shotFolder()
{
    return qEnvironmentVariable("TAVREL_SCREENSHOTS");
}

void shoot(QWidget &w, const QString &name)
{
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    const QString suffix = scale > 1.01 ? QStringLiteral("-%1").arg(qRound(scale * 100)) : QString();
    if (!w.isVisible())
        w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(150);
    const QString file = shotFolder() + "/" + name + suffix + ".png";
    EXPECT_TRUE(w.grab().save(file)) << file.toStdString();
}

} // namespace

TEST(Screenshots, DesignerAndInterfaceDialogs)
{
    if (shotFolder().isEmpty())
        GTEST_SKIP() << "TAVREL_SCREENSHOTS is not set";
    QDir().mkpath(shotFolder());

    TProject project;
    project.HasChild = 0;
    project.NoChild = 10;
    DesignCHMStyle(nullptr, project, [](TfrmDesigner &d) {
        // A smaller window than the default, so the picture stays readable in the README.
        d.resize(900, 620);
        d.ReadBounds();
        shoot(d, "dialog-designer");
        return int(QDialog::Rejected);
    });

    TfrmFont font;
    font.setWindowTitle(QStringLiteral("Font of Contents"));
    font.FontString = QStringLiteral("DejaVu Sans,10,0");
    font.GetFontAndSize();
    shoot(font, "dialog-chmfont");
    font.hide();

    SetWebHelpInterface(nullptr, project, [](TfrmWebHelpInterface &d) {
        d.resize(720, 520);
        shoot(d, "dialog-webhelp-interface");
        TfrmQuickTranslate q(&d);
        q.SetText(QStringLiteral("Contents\nIndex\nSearch\nFavorites"));
        shoot(q, "dialog-quick-translate");
        return int(QDialog::Rejected);
    });
}
