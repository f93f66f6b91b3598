// The canvas picture we paint against LibreOffice's rendering of the same document: the items'
// rectangles, found by colour in both pictures, have the same sizes and the same places relative
// to each other within a few pixels. Word stores a canvas with a VML fallback, and so does the
// document here (LibreOffice loads no bare canvas).
#include "DocxBuilder.h"
#include "ShapeXml.h"
#include "word/engine/DocxReader.h"
#include "word/engine/HtmlWriter.h"
#include "word/engine/LibreOffice.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;

namespace {

// The bounding box of the pixels close to a pure colour.
QRect boxOf(const QImage &img, QRgb colour)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (qAlpha(p) > 200 && std::abs(qRed(p) - qRed(colour)) < 40 && std::abs(qGreen(p) - qGreen(colour)) < 40 &&
                std::abs(qBlue(p) - qBlue(colour)) < 40)
                box = box.united(QRect(x, y, 1, 1));
        }
    return box;
}

} // namespace

TEST(CanvasPeer, ItemRectanglesMatchLibreOfficesRendering)
{
    if (!TLibreOffice::Available())
        GTEST_SKIP() << "LibreOffice is not installed";
    const qint64 px = 9525;
    const QString canvas = Canvas(300 * px, 120 * px,
                                  Wsp("rect", "FF0000", QString(), QString(), QString(), QString(), false, 20 * px, 20 * px, 100 * px, 40 * px) +
                                      Wsp("ellipse", "0000FF", QString(), QString(), QString(), QString(), false, 160 * px, 50 * px, 120 * px, 60 * px) +
                                      Wsp("roundRect", "00FF00", QString(), QString(), QString(), QString(), false, 20 * px, 80 * px, 60 * px, 30 * px));
    const QString drawing = "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent cx=\"" + QString::number(300 * px) +
                            "\" cy=\"" + QString::number(120 * px) + "\"/><wp:docPr id=\"1\" name=\"Canvas\" descr=\"Diagram\"/>" +
                            GraphicData(canvas) + "</wp:inline></w:drawing>";
    auto vml = [](const char *element, const char *fill, int x, int y, int w, int h) {
        return QString("<v:%1 style=\"position:absolute;left:%3;top:%4;width:%5;height:%6\" fillcolor=\"#%2\" stroked=\"f\"/>")
            .arg(element, fill)
            .arg(x)
            .arg(y)
            .arg(w)
            .arg(h);
    };
    const QString fallback = "<w:pict><v:group style=\"width:225pt;height:90pt\" coordorigin=\"0,0\" coordsize=\"300,120\">" +
                             vml("rect", "FF0000", 20, 20, 100, 40) + vml("oval", "0000FF", 160, 50, 120, 60) + vml("roundrect", "00FF00", 20, 80, 60, 30) +
                             "</v:group></w:pict>";
    TDocxBuilder b;
    b.Body("<w:p><w:r><mc:AlternateContent><mc:Choice Requires=\"wpc\">" + drawing + "</mc:Choice><mc:Fallback>" + fallback +
           "</mc:Fallback></mc:AlternateContent></w:r></w:p>");
    QTemporaryDir dir;
    const QString docx = dir.filePath("canvas.docx");
    b.Save(docx);

    // Ours: the canvas's one picture.
    auto doc = ReadDocx(docx);
    THtmlResult ours = RenderFilteredHtml(*doc, "doc.htm", THtmlOptions());
    ASSERT_EQ(ours.Pictures.size(), 1u) << ours.Page.toStdString();
    QImage mine = QImage::fromData(ours.Pictures[0].Data);
    ASSERT_EQ(mine.size(), QSize(300, 120));

    // LibreOffice's: the first page at 96 dpi.
    TLibreOffice::TConversion c;
    c.Input = docx;
    c.OutputFolder = dir.filePath("lo");
    QDir().mkpath(c.OutputFolder);
    c.ConvertTo = "png:writer_png_Export";
    c.DisplayName = "canvas.docx";
    QImage page(TLibreOffice::Convert(c));
    ASSERT_FALSE(page.isNull());

    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 255, 0)};
    const QRect ourRed = boxOf(mine, colours[0]), theirRed = boxOf(page, colours[0]);
    ASSERT_FALSE(ourRed.isEmpty());
    ASSERT_FALSE(theirRed.isEmpty()) << "LibreOffice drew no red item";
    EXPECT_LE(std::abs(ourRed.left() - 20), 1);
    EXPECT_LE(std::abs(ourRed.top() - 20), 1);
    for (QRgb colour : colours) {
        const QRect o = boxOf(mine, colour), t = boxOf(page, colour);
        SCOPED_TRACE(qRed(colour) ? "red" : qBlue(colour) ? "blue" : "green");
        ASSERT_FALSE(t.isEmpty());
        // Sizes, and places relative to the red item (the page adds its margins).
        EXPECT_LE(std::abs(o.width() - t.width()), 3) << o.width() << " vs " << t.width();
        EXPECT_LE(std::abs(o.height() - t.height()), 3) << o.height() << " vs " << t.height();
        EXPECT_LE(std::abs((o.left() - ourRed.left()) - (t.left() - theirRed.left())), 3);
        EXPECT_LE(std::abs((o.top() - ourRed.top()) - (t.top() - theirRed.top())), 3);
    }
}
