// SVG pictures in written documents: the PNG that programs without SVG show is the drawing
// itself, at the picture's own size; and hostile SVG (references to other files, references
// that multiply, absurd sizes, broken text) draws nothing it should not, quickly, or nothing.
#include "word/engine/Model.h"
#include "word/engine/SvgPicture.h"
#include "word/engine/Word.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::engine;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

int pixelsLike(const QImage &img, QColor c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            n += p.alpha() > 200 && std::abs(p.red() - c.red()) < 60 && std::abs(p.green() - c.green()) < 60 &&
                 std::abs(p.blue() - c.blue()) < 60;
        }
    return n;
}

} // namespace

// Two SVG pictures of a web page, one sized by width and height, one by its view box only,
// embedded and written: each PNG beside it is its drawing at that size, without a warning.
TEST(SvgPictures, TheFallbackIsTheDrawingAtItsOwnSize)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    writeFile(root + "/sized.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\" viewBox=\"0 0 4 2\">"
                                   "<rect width=\"4\" height=\"2\" fill=\"#00c000\"/></svg>");
    writeFile(root + "/boxed.svg", "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 300 100\">"
                                   "<rect x=\"150\" width=\"150\" height=\"100\" fill=\"#0000ff\"/></svg>");
    writeFile(root + "/page.htm", "<p><img src=\"sized.svg\" width=\"80\" height=\"40\"> <img src=\"boxed.svg\"></p>");
    WordApplication app;
    WordOpenOptions o;
    o.Format = wdOpenFormatWebPages;
    o.Visible = false;
    o.AllowedFolder = root;
    auto doc = app.Documents().Open(root + "/page.htm", o);
    ASSERT_EQ(doc->InlineShapes().Count(), 2);
    for (int i = 1; i <= 2; ++i)
        doc->InlineShapes().Item(i).BreakLink();
    doc->SaveAs(root + "/out.docx", wdFormatXMLDocument);
    EXPECT_FALSE(doc->Warnings().Texts().join('\n').contains("plain box")) << doc->Warnings().Texts().join('\n').toStdString();

    auto back = app.Documents().Open(root + "/out.docx");
    std::vector<QImage> fallbacks;
    for (const auto &[name, part] : back->Model().Media)
        if (name.endsWith(".png"))
            fallbacks.push_back(QImage::fromData(part.Data, "PNG"));
    ASSERT_EQ(fallbacks.size(), 2u);
    std::sort(fallbacks.begin(), fallbacks.end(), [](const QImage &a, const QImage &b) { return a.width() < b.width(); });
    EXPECT_EQ(fallbacks[0].size(), QSize(40, 20));
    EXPECT_EQ(pixelsLike(fallbacks[0], QColor(0, 0xc0, 0)), 40 * 20);
    EXPECT_EQ(fallbacks[1].size(), QSize(300, 100));
    // The left half is empty, the right half blue: the drawing, not a box.
    EXPECT_EQ(pixelsLike(fallbacks[1], Qt::blue), 150 * 100);
    EXPECT_EQ(fallbacks[1].pixelColor(10, 50).alpha(), 0);
}

struct THostileSvg
{
    const char *Name;
    QByteArray Text; // %DIR% is the folder of a green picture the SVG must not read
    bool Drawn;      // whether a (harmless) drawing is still expected
};
void PrintTo(const THostileSvg &c, std::ostream *os) { *os << c.Name; }

class HostileSvg : public ::testing::TestWithParam<THostileSvg>
{
};

TEST_P(HostileSvg, DrawsNothingItShouldNot)
{
    QTemporaryDir dir;
    QImage green(64, 64, QImage::Format_RGB32);
    green.fill(QColor(0, 255, 0));
    ASSERT_TRUE(green.save(dir.filePath("green.png")));
    writeFile(dir.filePath("green.svg"), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\"><rect id=\"a\" width=\"64\" height=\"64\" fill=\"#00ff00\"/></svg>");
    writeFile(dir.filePath("green.css"), "rect { fill: #00ff00 }");
    const QByteArray svg = QByteArray(GetParam().Text).replace("%DIR%", dir.path().toUtf8());
    QString why;
    const QImage img = RenderSvg(svg, QSize(50, 50), &why);
    EXPECT_EQ(!img.isNull(), GetParam().Drawn) << why.toStdString();
    if (!img.isNull()) {
        EXPECT_LE(std::max(img.width(), img.height()), 2000);
        EXPECT_EQ(pixelsLike(img, QColor(0, 255, 0)), 0) << "something of another file was drawn";
    } else {
        EXPECT_FALSE(why.isEmpty());
    }
}

namespace {

QByteArray svgOf(const QByteArray &inner, const QByteArray &attrs = "width=\"64\" height=\"64\"")
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" " + attrs + ">" + inner + "</svg>";
}

// Ten levels of ten uses each: 10^10 rectangles if drawn.
QByteArray multiplyingUses()
{
    QByteArray defs = "<defs><rect id=\"l0\" width=\"1\" height=\"1\" fill=\"red\"/>";
    for (int level = 1; level <= 10; ++level) {
        defs += "<g id=\"l" + QByteArray::number(level) + "\">";
        for (int i = 0; i < 10; ++i)
            defs += "<use xlink:href=\"#l" + QByteArray::number(level - 1) + "\"/>";
        defs += "</g>";
    }
    return svgOf(defs + "</defs><use xlink:href=\"#l10\"/>");
}

QByteArray deepNesting()
{
    return svgOf(QByteArray("<g>").repeated(20000) + "<rect width=\"5\" height=\"5\"/>" + QByteArray("</g>").repeated(20000));
}

QByteArray entityLaughs()
{
    QByteArray dtd = "<!DOCTYPE svg [<!ENTITY e0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        dtd += "<!ENTITY e" + QByteArray::number(i) + " \"" + QByteArray("&e" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    dtd += "<!ENTITY ext SYSTEM \"file://%DIR%/green.svg\">]>";
    return dtd + svgOf("<text x=\"1\" y=\"20\">&e9;&ext;</text>");
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    WrittenPictures, HostileSvg,
    ::testing::Values(
        THostileSvg{"ImageByPath", svgOf("<image href=\"%DIR%/green.png\" width=\"64\" height=\"64\"/>"), true},
        THostileSvg{"ImageByXlink", svgOf("<image xlink:href=\"green.png\" width=\"64\" height=\"64\"/>"), true},
        THostileSvg{"ImageByFileUrl", svgOf("<image xlink:href=\" file://%DIR%/green.png\" width=\"64\" height=\"64\"/>"), true},
        THostileSvg{"UseOfAnotherFile", svgOf("<use xlink:href=\"file://%DIR%/green.svg#a\"/><use href=\"%DIR%/green.svg#a\"/>"), true},
        THostileSvg{"PaintFromAnotherFile", svgOf("<rect width=\"64\" height=\"64\" fill=\"url(%DIR%/green.svg#a)\" style=\"fill:url('file://%DIR%/green.svg#a')\"/>"), true},
        THostileSvg{"ImportedStyleSheet", svgOf("<style>@import url(\"%DIR%/green.css\");</style><rect width=\"9\" height=\"9\" fill=\"red\"/>"), true},
        THostileSvg{"RebasedReference", svgOf("<g xml:base=\"file://%DIR%/\"><image xlink:href=\"green.png\" width=\"9\" height=\"9\"/></g>"), true},
        THostileSvg{"MultiplyingUses", multiplyingUses(), false},
        THostileSvg{"UseCycle", svgOf("<g id=\"a\"><use xlink:href=\"#b\"/></g><g id=\"b\"><use xlink:href=\"#a\"/></g>"), false},
        THostileSvg{"DeepNesting", deepNesting(), false},
        THostileSvg{"EntityExpansion", entityLaughs(), true},
        THostileSvg{"HugeSize", svgOf("<rect width=\"10\" height=\"10\" fill=\"red\"/>", "width=\"1e9\" height=\"1e9\""), true},
        THostileSvg{"HugeViewBox", svgOf("<rect width=\"10\" height=\"10\" fill=\"red\"/>", "viewBox=\"0 0 1e12 3\""), false},
        THostileSvg{"NotXml", "<svg><rect width=\"1\" height=\"1\"></svg", false},
        THostileSvg{"NotSvg", "<html><body>green</body></html>", false}),
    [](const auto &info) { return std::string(info.param.Name); });
