// Drawing shapes of a real document (tests/fixtures/word/shapes.docx, made with LibreOffice from
// shapes.fodt by make_fixtures.sh): each is classified, keeps its link, and is painted at its
// size with its colours.
#include "support/Golden.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(ShapeFixture, LibreOfficeShapesAreClassifiedLinkedAndPainted)
{
    WordApplication app;
    auto doc = app.Documents().Open(FixturePath("word/shapes.docx"));
    WordShapes shapes = doc->Shapes();
    ASSERT_EQ(shapes.Count(), 5);
    QStringList alts;
    for (int i = 1; i <= shapes.Count(); ++i)
        alts << shapes.Item(i).AlternativeText();
    EXPECT_EQ(alts, QStringList({"Button", "Round", "Decision", "Arrow", "Pair"}));
    EXPECT_EQ(shapes.Item(1).Type(), 1);
    EXPECT_EQ(shapes.Item(1).Hyperlink().SubAddress, "Next");
    EXPECT_EQ(shapes.Item(3).Type(), 1);
    EXPECT_EQ(shapes.Item(5).Type(), 6);
    EXPECT_NEAR(shapes.Item(2).Width(), 56.7, 0.1); // 2 cm
    EXPECT_NEAR(shapes.Item(2).Left(), 113.4, 0.1);

    QTemporaryDir dir;
    const QString out = dir.filePath("doc.htm");
    doc->WebOptions().Encoding = 65001;
    doc->SaveAs(out, wdFormatFilteredHTML);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(f.readAll());
    auto pictureOf = [&](const QString &alt) {
        QRegularExpressionMatch m = QRegularExpression("<img width=(\\d+) height=(\\d+) src=\"([^\"]+)\"[^>]*alt=\"" + alt + "\"").match(page);
        return m.hasMatch() ? QImage(dir.filePath(m.captured(3))) : QImage();
    };
    const QImage round = pictureOf("Round"), decision = pictureOf("Decision"), pair = pictureOf("Pair"), arrow = pictureOf("Arrow");
    const QImage button = pictureOf("Button");
    ASSERT_FALSE(round.isNull() || decision.isNull() || pair.isNull() || arrow.isNull() || button.isNull()) << page.toStdString();
    EXPECT_EQ(round.size(), QSize(76, 76));
    EXPECT_EQ(round.pixelColor(38, 38), QColor(Qt::blue));
    EXPECT_EQ(qAlpha(round.pixel(2, 2)), 0);
    EXPECT_EQ(decision.pixelColor(decision.width() / 2, decision.height() / 2), QColor(Qt::green));
    EXPECT_EQ(qAlpha(decision.pixel(3, 3)), 0);
    // The group's members at their places: red on the left, blue on the right.
    EXPECT_EQ(pair.pixelColor(pair.height() / 2, pair.height() / 2), QColor(Qt::red));
    EXPECT_EQ(pair.pixelColor(pair.width() - pair.height() / 2, pair.height() / 2), QColor(Qt::blue));
    EXPECT_EQ(arrow.width(), 189); // 5 cm
    EXPECT_TRUE(page.contains("<a href=\"#Next\"><img")) << page.toStdString();
    EXPECT_FALSE(page.contains("Next</p>") && page.indexOf("Next</p>") < page.indexOf("alt=\"Button\""));
    for (const QString &w : doc->Warnings().Texts())
        EXPECT_FALSE(w.contains("drawing shape cannot be written") || w.contains("drawn as its outline box")) << w.toStdString();
}
