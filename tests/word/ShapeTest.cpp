// Drawings, canvases, controls and pictures: what the object API reports for each shape kind,
// what the filtered HTML carries for it (a painted picture of the shape's size, its alternative
// text exactly as set), and what bad shapes get.
#include "DocxBuilder.h"
#include "ShapeXml.h"
#include "text/Exceptions.h"
#include "text/functions.h"
#include "word/engine/DocxReader.h"
#include "word/engine/HtmlWriter.h"
#include "word/engine/Model.h"
#include "word/engine/ShapeRender.h"
#include "word/engine/Word.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;

namespace {

class Shapes : public ::testing::Test
{
protected:
    std::shared_ptr<WordDocument> open(const TDocxBuilder &b)
    {
        const QString path = dir.filePath(QStringLiteral("shapes.docx"));
        b.Save(path);
        return app.Documents().Open(path);
    }
    // Saves as filtered HTML and returns the page; pictures are read from the folder.
    QString save(WordDocument &doc)
    {
        const QString page = dir.filePath(QStringLiteral("out/doc.htm"));
        QDir().mkpath(dir.filePath(QStringLiteral("out")));
        doc.WebOptions().Encoding = 65001;
        doc.SaveAs(page, wdFormatFilteredHTML);
        QFile f(page);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }
    QImage picture(const QString &page, const QString &alt)
    {
        // The src of the picture whose alt attribute is exactly alt.
        QRegularExpression re(QStringLiteral("<img width=(\\d+) height=(\\d+) src=\"([^\"]+)\"[^>]*alt=\"") + QRegularExpression::escape(alt) + '"');
        QRegularExpressionMatch m = re.match(page);
        if (!m.hasMatch())
            return QImage();
        QImage img(dir.filePath(QStringLiteral("out/") + m.captured(3)));
        EXPECT_EQ(img.width(), m.captured(1).toInt());
        EXPECT_EQ(img.height(), m.captured(2).toInt());
        return img;
    }
    QTemporaryDir dir;
    WordApplication app;
};

const QString kRed = QStringLiteral("FF0000"), kGreen = QStringLiteral("00FF00"), kBlue = QStringLiteral("0000FF");

} // namespace

TEST_F(Shapes, KindsNumbersLinksAndGeometry)
{
    const QString flashAx = ActiveX(kFlashClassId, OcxProp("Movie", "intro.swf") + OcxProp("Playing", "False") + OcxProp("Loop", "0"));
    auto doc = open(TDocxBuilder()
                        .Relationship("rTop", "hyperlink", "#Setup", true)
                        .Relationship("rWeb", "hyperlink", "http://example.com/a%20b.htm", true)
                        .Relationship("rImg", "image", "media/a.png")
                        .Relationship("rLink", "image", "file:///C:/pics/linked.png", true)
                        .Relationship("rAx1", "control", "activeX/activeX1.xml")
                        .Relationship("rAx2", "control", "activeX/activeX2.xml")
                        .Entry("word/media/a.png", TDocxBuilder::Png(4, 4))
                        .Entry("word/activeX/activeX1.xml", flashAx.toUtf8())
                        .Entry("word/activeX/activeX2.xml", flashAx.toUtf8())
                        .Body("<w:p>" + R("anchor") +
                              Anchored(Wsp("rect", kRed, "", "rTop", "Go to setup", "_self"), 127000, 63500, "Button", 254000, 381000) +
                              Anchored(Wsp("roundRect", kGreen, P("Label")), 127000, 127000, "Shape with text") +
                              Anchored(Wsp("rect", "", P("Boxed"), "", "", "", true), 127000, 127000, "A text box") +
                              Anchored(Canvas(190500 * 2, 95250 * 2,
                                              Wsp("rect", kRed, "", "rTop", "", "", false, 95250, 0, 95250, 95250) +
                                                  Wsp("ellipse", kGreen, "", "rWeb", "", "", false, 0, 95250, 190500, 95250) +
                                                  Wsp("rect", kBlue, "", "", "", "", false, 285750, 95250, 95250, 95250)),
                                       190500 * 2, 95250 * 2, "Canvas") +
                              Anchored(Group(Wsp("rect", kRed, "", "", "", "", false, 0, 0, 50, 50) +
                                             Wsp("rect", kBlue, "", "", "", "", false, 50, 50, 50, 50),
                                             100, 100),
                                       190500, 190500, "Group") +
                              Anchored(Pic("", "rLink"), 95250, 95250, "Linked") + InlinePic("rImg", 38100, 38100, "Inline") +
                              FlashObject("rAx1", 1440, 720) + FloatingFlash("rAx2", "width:72pt;height:36pt;position:absolute;margin-left:10pt") +
                              "</w:p>"));
    WordShapes fl = doc->Shapes();
    WordShapes inl = doc->InlineShapes();
    ASSERT_EQ(fl.Count(), 7);
    ASSERT_EQ(inl.Count(), 2);
    // Shapes with and without text are drawing shapes (1); only what was made as a text box is 17.
    EXPECT_EQ(fl.Item(1).Type(), 1);
    EXPECT_EQ(fl.Item(2).Type(), 1);
    EXPECT_EQ(fl.Item(3).Type(), 17);
    EXPECT_EQ(fl.Item(4).Type(), 20);
    EXPECT_EQ(fl.Item(5).Type(), 6);
    EXPECT_EQ(fl.Item(6).Type(), 11);
    EXPECT_EQ(fl.Item(7).Type(), 12);
    EXPECT_EQ(inl.Item(1).Type(), 3);
    EXPECT_EQ(inl.Item(2).Type(), 5);

    // The floating shape's place is its anchor offset in points, not its graphic's own offset.
    WordShape button = fl.Item(1);
    EXPECT_DOUBLE_EQ(button.Left(), 20.0);
    EXPECT_DOUBLE_EQ(button.Top(), 30.0);
    EXPECT_DOUBLE_EQ(button.Width(), 10.0);
    EXPECT_DOUBLE_EQ(button.Height(), 5.0);
    WordHyperlinkInfo h = button.Hyperlink();
    EXPECT_EQ(h.SubAddress, "Setup");
    EXPECT_EQ(h.Address, "");
    EXPECT_EQ(h.Target, "_self");
    EXPECT_EQ(h.ScreenTip, "Go to setup");

    // Canvas items: points from the canvas's corner.
    auto items = fl.Item(4).CanvasItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_DOUBLE_EQ(items[0].Left(), 7.5);
    EXPECT_DOUBLE_EQ(items[0].Top(), 0.0);
    EXPECT_DOUBLE_EQ(items[1].Top(), 7.5);
    EXPECT_DOUBLE_EQ(items[1].Width(), 15.0);
    EXPECT_EQ(items[0].Hyperlink().SubAddress, "Setup");
    EXPECT_EQ(items[1].Hyperlink().Address, "http://example.com/a%20b.htm");
    EXPECT_TRUE(items[2].Hyperlink().Address.isEmpty() && items[2].Hyperlink().SubAddress.isEmpty());

    EXPECT_EQ(fl.Item(6).LinkSource(), "file:///C:/pics/linked.png");
    // Both Flash controls carry their class and properties; the floating one its size and place.
    EXPECT_TRUE(inl.Item(2).ClassType().contains("ShockwaveFlash"));
    EXPECT_EQ(inl.Item(2).Property("Playing"), "False");
    EXPECT_DOUBLE_EQ(inl.Item(2).Width(), 72.0);
    WordShape floatingFlash = fl.Item(7);
    EXPECT_TRUE(floatingFlash.ClassType().contains("ShockwaveFlash"));
    EXPECT_EQ(floatingFlash.Property("movie"), "intro.swf");
    EXPECT_DOUBLE_EQ(floatingFlash.Width(), 72.0);
    EXPECT_DOUBLE_EQ(floatingFlash.Height(), 36.0);
    EXPECT_DOUBLE_EQ(floatingFlash.Left(), 10.0);

    // The shapes pass's edits: markers after the controls, the controls gone.
    inl.Item(2).Range().InsertAfter("~$!!Flash:(0)");
    inl.Item(2).Delete();
    floatingFlash.Anchor().InsertAfter("~$!!Flash:(1)");
    floatingFlash.Delete();
    EXPECT_EQ(fl.Count(), 6);
    EXPECT_EQ(inl.Count(), 1);
    const QString text = doc->Content().Text();
    EXPECT_TRUE(text.contains("~$!!Flash:(1)")) << text.toStdString();
    EXPECT_TRUE(text.contains("~$!!Flash:(0)")) << text.toStdString();
}

TEST_F(Shapes, PaintedPicturesHaveTheShapesSizeColoursTextAndExactAlt)
{
    auto doc = open(TDocxBuilder()
                        .Relationship("rTop", "hyperlink", "#Setup", true)
                        .Body("<w:p>" +
                              Anchored(Wsp("rect", kRed, "", "rTop", "", ""), 190500 * 2, 95250, "Button") +
                              Anchored(Wsp("ellipse", kBlue, ""), 190500, 190500, "Round") +
                              Anchored(Wsp("roundRect", "FFFFFF",
                                           "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr>" + R("WW", "<w:color w:val=\"000000\"/><w:sz w:val=\"40\"/>") + "</w:p>"),
                                       190500 * 4, 190500, "Text") +
                              Anchored(Wsp("cloud", kGreen, P("kept")), 190500, 95250, "Cloud") +
                              Anchored(Wsp("straightConnector1", "", "", "", "", "", false, 0, 0, 0, 0, "000000"), 190500, 0, "Line") + "</w:p>"));
    WordShapes fl = doc->Shapes();
    // What the shapes pass sets reaches the picture's alt attribute exactly.
    const QString marked = "Button`@#^#Setup;_self;Tip \"quoted\" & <more>";
    fl.Item(1).SetAlternativeText(marked);
    const QString page = save(*doc);

    const QString escapedAlt = "Button`@#^#Setup;_self;Tip &quot;quoted&quot; &amp; &lt;more&gt;";
    EXPECT_TRUE(page.contains("alt=\"" + escapedAlt + "\"")) << page.toStdString();
    QImage button = picture(page, escapedAlt);
    ASSERT_FALSE(button.isNull());
    EXPECT_EQ(button.size(), QSize(40, 10));
    EXPECT_EQ(button.pixelColor(20, 5), QColor(Qt::red));
    // The link of the shape itself is on the picture.
    EXPECT_TRUE(page.contains("<a href=\"#Setup\"><img width=40 height=10")) << page.toStdString();

    QImage round = picture(page, "Round");
    ASSERT_FALSE(round.isNull());
    EXPECT_EQ(round.pixelColor(10, 10), QColor(Qt::blue));
    EXPECT_EQ(qAlpha(round.pixel(0, 0)), 0); // outside the ellipse

    // Text inside a shape is painted: dark pixels in the middle, none near the left and right edges.
    QImage text = picture(page, "Text");
    ASSERT_FALSE(text.isNull());
    auto darkIn = [&](int x0, int x1) {
        int n = 0;
        for (int y = 0; y < text.height(); ++y)
            for (int x = x0; x < x1; ++x)
                n += text.pixelColor(x, y).lightness() < 100;
        return n;
    };
    EXPECT_EQ(text.size(), QSize(80, 20));
    EXPECT_GT(darkIn(30, 50), 10);
    EXPECT_EQ(darkIn(0, 6), 0);
    EXPECT_EQ(darkIn(74, 80), 0);

    // An unknown form is its outline box, with its text, and a warning.
    QImage cloud = picture(page, "Cloud");
    ASSERT_FALSE(cloud.isNull());
    EXPECT_LT(cloud.pixelColor(0, 5).lightness(), 100);
    EXPECT_TRUE(doc->Warnings().Contains("\"cloud\""));
    // A flat line still gets a picture one line thick.
    QImage line = picture(page, "Line");
    ASSERT_FALSE(line.isNull());
    EXPECT_EQ(line.width(), 20);
    EXPECT_GE(line.height(), 1);
}

TEST_F(Shapes, CanvasPictureMatchesItsItemsAndMapAreasCoverThem)
{
    // Three items at known places; the map areas are made as the conversion makes them.
    const qint64 px = 9525;
    QImage yellow(4, 4, QImage::Format_RGB32);
    yellow.fill(Qt::yellow);
    ASSERT_TRUE(yellow.save(dir.filePath("linked.png")));
    auto doc = open(TDocxBuilder()
                        .Relationship("rA", "hyperlink", "#A", true)
                        .Relationship("rLinked", "image", QUrl::fromLocalFile(dir.filePath("linked.png")).toString(), true)
                        .Relationship("rImg", "image", "media/p.png")
                        .Entry("word/media/p.png", TDocxBuilder::Png(8, 8))
                        .Body("<w:p>" +
                              Anchored(Canvas(200 * px, 100 * px,
                                              Wsp("rect", kRed, "", "rA", "", "", false, 10 * px, 10 * px, 50 * px, 30 * px) +
                                                  Wsp("rect", kBlue, "", "rA", "", "", false, 120 * px, 50 * px, 60 * px, 40 * px) +
                                                  CanvasPic("rImg", 80 * px, 10 * px, 20 * px, 20 * px) +
                                                  Pic(QString(), "rLinked", 150 * px, 10 * px, 20 * px, 20 * px) +
                                                  Group(Wsp("rect", kGreen, "", "", "", "", false, 0, 0, 1000, 1000), 1000, 1000, 10 * px, 60 * px, 30 * px, 30 * px)),
                                       200 * px, 100 * px, "Diagram") +
                              "</w:p>"));
    auto items = doc->Shapes().Item(1).CanvasItems();
    ASSERT_EQ(items.size(), 5u);
    const QString page = save(*doc);
    QImage canvas = picture(page, "Diagram");
    ASSERT_FALSE(canvas.isNull());
    EXPECT_EQ(canvas.size(), QSize(200, 100));
    const QColor colours[] = {Qt::red, Qt::blue};
    for (int i = 0; i < 2; ++i) {
        // The area's corners as the conversion computes them (points to pixels at 96 dpi).
        const int l = PointsToPixels(float(items[size_t(i)].Left())).toInt(), t = PointsToPixels(float(items[size_t(i)].Top())).toInt();
        const int r = PointsToPixels(float(items[size_t(i)].Left() + items[size_t(i)].Width())).toInt();
        const int b = PointsToPixels(float(items[size_t(i)].Top() + items[size_t(i)].Height())).toInt();
        for (int y = t + 1; y < b - 1; y += 3)
            for (int x = l + 1; x < r - 1; x += 3)
                ASSERT_EQ(canvas.pixelColor(x, y), colours[i]) << i << " at " << x << "," << y;
        // Just outside the area the item is not painted.
        EXPECT_NE(canvas.pixelColor(l - 2, (t + b) / 2), colours[i]);
        EXPECT_NE(canvas.pixelColor(r + 1, (t + b) / 2), colours[i]);
        EXPECT_NE(canvas.pixelColor((l + r) / 2, b + 1), colours[i]);
    }
    // The picture item and the group's member, scaled from the group's own space.
    EXPECT_EQ(canvas.pixelColor(90, 20), QImage::fromData(TDocxBuilder::Png(8, 8)).pixelColor(4, 4));
    EXPECT_EQ(canvas.pixelColor(25, 75), QColor(Qt::green));
    EXPECT_EQ(canvas.pixelColor(160, 20), QColor(Qt::yellow)); // a linked picture, from its file
    EXPECT_EQ(qAlpha(canvas.pixel(25, 95)), 0);
}

TEST_F(Shapes, ChartsDiagramsSvgAndConvertedPictures)
{
    QByteArray bmp;
    {
        QImage img(6, 3, QImage::Format_RGB32);
        img.fill(Qt::red);
        QBuffer b(&bmp);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "BMP");
    }
    QByteArray tiff;
    {
        QImage img(5, 5, QImage::Format_RGB32);
        img.fill(Qt::blue);
        QBuffer b(&tiff);
        b.open(QIODevice::WriteOnly);
        ASSERT_TRUE(img.save(&b, "TIFF")) << "Qt's TIFF plugin (qt6-image-formats-plugins) is missing";
    }
    const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"><rect width=\"10\" height=\"10\"/></svg>";
    const QString chartXml = "<c:chartSpace xmlns:c=\"c\" xmlns:a=\"a\"><c:chart><c:title><c:tx><c:rich><a:p><a:r><a:t>Sales</a:t></a:r></a:p></c:rich></c:tx></c:title>"
                             "<c:plotArea><c:barChart><c:ser><c:tx><c:strRef><c:strCache><c:pt idx=\"0\"><c:v>2024</c:v></c:pt></c:strCache></c:strRef></c:tx>"
                             "<c:cat><c:strRef><c:strCache><c:pt idx=\"0\"><c:v>North</c:v></c:pt></c:strCache></c:strRef></c:cat>"
                             "<c:val><c:numRef><c:numCache><c:pt idx=\"0\"><c:v>12345</c:v></c:pt></c:numCache></c:numRef></c:val></c:ser></c:barChart></c:plotArea></c:chart></c:chartSpace>";
    const QString dm = "<dgm:dataModel xmlns:dgm=\"d\" xmlns:a=\"a\"><dgm:ptLst><dgm:pt><dgm:t><a:p><a:r><a:t>Plan</a:t></a:r></a:p></dgm:t></dgm:pt>"
                       "<dgm:pt><dgm:t><a:p><a:r><a:t>Build</a:t></a:r></a:p></dgm:t></dgm:pt></dgm:ptLst></dgm:dataModel>";
    auto graphic = [](const QString &inner, const QString &alt) -> QString {
        return "<w:r><w:drawing><wp:inline><wp:extent cx=\"190500\" cy=\"95250\"/><wp:docPr id=\"1\" name=\"g\" descr=\"" + alt +
               "\"/><a:graphic><a:graphicData uri=\"x\">" + inner + "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    };
    const QString fallbackPicture = "<w:r><w:pict><v:shape style=\"width:15pt;height:7.5pt\"><v:imagedata r:id=\"rPng\"/></v:shape></w:pict></w:r>";
    auto doc = open(TDocxBuilder()
                        .Relationship("rBmp", "image", "media/a.bmp")
                        .Relationship("rTif", "image", "media/b.tif")
                        .Relationship("rSvg", "image", "media/c.svg")
                        .Relationship("rPng", "image", "media/d.png")
                        .Relationship("rChart", "chart", "charts/chart1.xml")
                        .Relationship("rDm", "diagramData", "diagrams/data1.xml")
                        .Entry("word/media/a.bmp", bmp)
                        .Entry("word/media/b.tif", tiff)
                        .Entry("word/media/c.svg", svg)
                        .Entry("word/media/d.png", TDocxBuilder::Png(20, 10))
                        .Entry("word/charts/chart1.xml", chartXml.toUtf8())
                        .Entry("word/diagrams/data1.xml", dm.toUtf8())
                        .Body("<w:p>" + InlinePic("rBmp", 6 * 9525, 3 * 9525, "Bitmap") + InlinePic("rTif", 5 * 9525, 5 * 9525, "Tiff") +
                              InlinePic("rSvg", 9525 * 10, 9525 * 10, "Vector only") +
                              // An SVG picture with its PNG fallback: the fallback is used.
                              "<w:r><w:drawing><wp:inline><wp:extent cx=\"190500\" cy=\"95250\"/><wp:docPr id=\"2\" name=\"s\" descr=\"Vector\"/>"
                              "<a:graphic><a:graphicData uri=\"x\"><pic:pic><pic:blipFill><a:blip r:embed=\"rPng\"><a:extLst><a:ext uri=\"{96DAC541-7B7A-43D3-8B79-37D633B846F1}\">"
                              "<asvg:svgBlip xmlns:asvg=\"s\" r:embed=\"rSvg\"/></a:ext></a:extLst></a:blip></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>" +
                              graphic("<c:chart xmlns:c=\"c\" r:id=\"rChart\"/>", "Chart") +
                              graphic("<dgm:relIds xmlns:dgm=\"d\" r:dm=\"rDm\"/>", "Steps") +
                              "<w:r><mc:AlternateContent><mc:Choice Requires=\"c\">" +
                              graphic("<c:chart xmlns:c=\"c\" r:id=\"rChart\"/>", "Pictured chart").chopped(6).mid(5) + "</mc:Choice><mc:Fallback>" +
                              fallbackPicture.chopped(6).mid(5) + "</mc:Fallback></mc:AlternateContent></w:r>" + "</w:p>"));
    const QString page = save(*doc);
    QImage b = picture(page, "Bitmap");
    ASSERT_FALSE(b.isNull());
    EXPECT_EQ(b.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_TRUE(page.contains(QRegularExpression("src=\"doc_files/image\\d+\\.png\"[^>]*alt=\"Bitmap\"")));
    QImage t = picture(page, "Tiff");
    ASSERT_FALSE(t.isNull());
    EXPECT_EQ(t.pixelColor(2, 2), QColor(Qt::blue));
    EXPECT_TRUE(page.contains(QRegularExpression("src=\"doc_files/image\\d+\\.png\"[^>]*alt=\"Tiff\"")));
    // An SVG without fallback goes as it is (browsers show it); with one, the fallback goes.
    EXPECT_TRUE(page.contains(QRegularExpression("src=\"doc_files/image\\d+\\.svg\"[^>]*alt=\"Vector only\"")));
    EXPECT_EQ(picture(page, "Vector").size(), QSize(20, 10));
    // A chart or diagram without a picture is its text; with one, its picture.
    EXPECT_TRUE(page.contains("Sales \u00B7 2024 \u00B7 North")) << page.toStdString();
    EXPECT_FALSE(page.contains("12345"));
    EXPECT_TRUE(page.contains("Plan \u00B7 Build"));
    EXPECT_EQ(picture(page, "Pictured chart").size(), QSize(20, 10));
    EXPECT_TRUE(doc->Warnings().Contains("chart"));
}

TEST_F(Shapes, BadShapesAreSkippedOrBoxedWithWarnings)
{
    const qint64 px = 9525;
    // A bitmap whose header claims 100,000 x 100,000 pixels.
    QByteArray hugeBmp("BM", 2);
    auto le32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) hugeBmp.append(char((v >> (8 * i)) & 0xFF)); };
    auto le16 = [&](quint16 v) { hugeBmp.append(char(v & 0xFF)).append(char(v >> 8)); };
    le32(70), le32(0), le32(54), le32(40), le32(100000), le32(100000), le16(1), le16(24), le32(0), le32(0), le32(2835), le32(2835), le32(0), le32(0);
    hugeBmp.append(QByteArray(16, '\0'));
    auto doc = open(TDocxBuilder()
                        .Relationship("rHuge", "image", "media/huge.bmp")
                        .Entry("word/media/huge.bmp", hugeBmp)
                        .Relationship("rBroken", "image", "media/broken.png")
                        .Relationship("rGone", "image", "media/gone.png")
                        .Relationship("rAx", "control", "activeX/missing.xml")
                        .Entry("word/media/broken.png", QByteArray("\x89PNG\r\n\x1a\nthis is not a picture"))
                        .Body("<w:p>" + R("before") +
                              Anchored(Wsp("rect", kRed, ""), 0, 0, "Zero") +
                              Anchored(Wsp("rect", kRed, ""), -5 * px, 10 * px, "Negative") +
                              Anchored(Wsp("rect", kRed, ""), 100000 * px, 100000 * px, "Huge") +
                              Anchored(Canvas(40 * px, 20 * px, CanvasPic("rBroken", 0, 0, 20 * px, 20 * px) + CanvasPic("rGone", 20 * px, 0, 20 * px, 20 * px) +
                                                                    CanvasPic("rNoRel", 0, 0, 5 * px, 5 * px) + CanvasPic("rHuge", 30 * px, 10 * px, 10 * px, 10 * px)),
                                       40 * px, 20 * px, "Broken inside") +
                              Anchored(Wsp("rect", kRed, "", "rNoSuchLink"), 10 * px, 10 * px, "Unlinked") +
                              "<w:r><w:object><w:control r:id=\"rAx\" w:name=\"x\"/></w:object></w:r>" + InlinePic("rHuge", 10 * px, 10 * px, "Huge bitmap") +
                              R("after") + "</w:p>"));
    EXPECT_EQ(doc->Shapes().Item(5).Hyperlink().Address, "");
    EXPECT_EQ(doc->InlineShapes().Item(1).ClassType(), "");
    const QString page = save(*doc);
    EXPECT_TRUE(page.contains("before") && page.contains("after"));
    EXPECT_FALSE(page.contains("alt=\"Zero\""));
    EXPECT_FALSE(page.contains("alt=\"Negative\""));
    EXPECT_FALSE(page.contains("alt=\"Huge\""));
    QImage boxed = picture(page, "Broken inside");
    ASSERT_FALSE(boxed.isNull());
    EXPECT_LT(boxed.pixelColor(0, 10).lightness(), 100); // the broken picture's box
    EXPECT_EQ(picture(page, "Unlinked").size(), QSize(10, 10));
    const TWarnings &w = doc->Warnings();
    EXPECT_TRUE(w.Contains("too large"));
    EXPECT_TRUE(w.Contains("without size"));
    EXPECT_TRUE(w.Contains("drawn as a box"));
    // The bitmap claiming 100,000 x 100,000 pixels is refused before any such allocation.
    EXPECT_TRUE(w.Contains("too large and is drawn as a box") || w.Contains("cannot be read and is drawn as a box")) << w.Texts().join('\n').toStdString();
    EXPECT_TRUE(w.Contains("control whose part is missing"));

    // Painting bounds hold for the shape itself, whatever the document claims.
    TDocument model;
    TShape huge;
    huge.Kind = TShapeKind::Canvas;
    huge.WidthEmu = 1ll << 40;
    huge.HeightEmu = 1;
    EXPECT_TRUE(RenderShape(model, huge, [](const TShape &) { return QByteArray(); }).isNull());
    EXPECT_TRUE(model.Warnings.Contains("too large") || [&] { model.FlushWarnings(); return model.Warnings.Contains("too large"); }());
}

TEST(ShapeGeometry, PresetsAreClosedOutlinesInsideTheirBox)
{
    const QRectF r(10, 20, 100, 50);
    for (const char *g : {"rect", "roundRect", "ellipse", "triangle", "rtTriangle", "diamond", "parallelogram", "trapezoid", "pentagon", "hexagon",
                          "octagon", "homePlate", "chevron", "star5", "rightArrow", "leftArrow", "upArrow", "downArrow", "leftRightArrow", "plus",
                          "wedgeRectCallout", "wedgeRoundRectCallout", "wedgeEllipseCallout", "flowChartProcess", "flowChartDecision",
                          "flowChartTerminator", "flowChartDocument", "flowChartInputOutput", "flowChartPredefinedProcess", "flowChartConnector",
                          "flowChartManualInput", "flowChartPreparation", "flowChartMagneticDisk", "flowChartAlternateProcess", "can"}) {
        SCOPED_TRACE(g);
        ASSERT_TRUE(IsSupportedGeometry(g));
        QPainterPath p = PresetPath(g, r);
        const QRectF b = p.boundingRect();
        EXPECT_GT(b.width() * b.height(), 0);
        // Callouts' pointers reach below the box, as Word draws them; the rest stay inside.
        if (!QString(g).startsWith("wedge")) {
            EXPECT_TRUE(r.adjusted(-0.01, -0.01, 0.01, 0.01).contains(b)) << b.x() << "," << b.y() << " " << b.width() << "x" << b.height();
        }
        if (QString(g) != "rtTriangle") { // its centre lies on the long side
            EXPECT_TRUE(p.contains(r.center()));
        }
    }
    // Direction matters for arrows: the right arrow's tip is at the right, the left one's at the left.
    EXPECT_TRUE(PresetPath("rightArrow", r).contains(QPointF(r.right() - 2, r.center().y())));
    EXPECT_FALSE(PresetPath("rightArrow", r).contains(QPointF(r.right() - 2, r.top() + 2)));
    EXPECT_TRUE(PresetPath("leftArrow", r).contains(QPointF(r.left() + 2, r.center().y())));
    EXPECT_TRUE(IsSupportedGeometry("line"));
    EXPECT_FALSE(IsSupportedGeometry("cloud"));
    EXPECT_FALSE(IsSupportedGeometry("noSuchShape"));
}
