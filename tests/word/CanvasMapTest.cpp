// A drawing canvas used as a clickable diagram, from the document to the topic pages: the
// canvas becomes one picture, its linked items become the areas of an image map, and each area
// points at the page of the heading its item links to and covers the item's pixels.
#include "DocxBuilder.h"
#include "ShapeXml.h"
#include "project/ProjectSetting.h"
#include "word/WordDoc.h"
#include "word/engine/Word.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

const QString kStyles = QStringLiteral(
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>");

QString heading(const QString &text, const QString &bookmark, int id)
{
    return "<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:bookmarkStart w:id=\"" + QString::number(id) + "\" w:name=\"" + bookmark + "\"/>" +
           R(text) + "<w:bookmarkEnd w:id=\"" + QString::number(id) + "\"/></w:p>";
}

} // namespace

TEST(CanvasMap, AreasLinkToTheHeadingsPagesAndCoverTheirItems)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/";
    TProject project;
    project.RootDir = root;
    project.HtmlHelpExtension = 0;
    WordApplication app;

    const qint64 px = 9525;
    const QString canvas =
        Canvas(300 * px, 120 * px,
               Wsp("rect", "FF0000", P("Setup"), "rSetup", "Set it up", "", false, 20 * px, 20 * px, 100 * px, 40 * px) +
                   Wsp("ellipse", "0000FF", QString(), "rUsage", "", "_blank", false, 160 * px, 50 * px, 120 * px, 60 * px) +
                   Wsp("rect", "00FF00", QString(), QString(), QString(), QString(), false, 20 * px, 80 * px, 60 * px, 30 * px));
    // A canvas in line with the text: one linked item back to the overview.
    const QString inlineCanvas = "<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"" + QString::number(100 * px) + "\" cy=\"" +
                                 QString::number(50 * px) + "\"/><wp:docPr id=\"5\" name=\"c\" descr=\"Back\"/>" +
                                 GraphicData(Canvas(100 * px, 50 * px, Wsp("rect", "FF0000", QString(), "rBack", QString(), QString(), false, 0, 0, 50 * px, 50 * px))) +
                                 "</wp:inline></w:drawing></w:r></w:p>";
    const QString source = root + "diagram.docx";
    TDocxBuilder()
        .Styles(kStyles)
        .Relationship("rSetup", "hyperlink", "#_Toc1", true)
        .Relationship("rUsage", "hyperlink", "#_Toc2", true)
        .Relationship("rBack", "hyperlink", "#_Toc0", true)
        .Body(heading("Overview", "_Toc0", 0) + "<w:p>" + R("Click a box:") + Anchored(canvas, 300 * px, 120 * px, "Diagram") +
              Anchored(Wsp("roundRect", "FFFF00", P("Next"), "rUsage", "Read on"), 80 * px, 20 * px, "Button") + "</w:p>" +
              heading("Setup", "_Toc1", 1) + P("How to set up.") + inlineCanvas + heading("Usage", "_Toc2", 2) + P("How to use."))
        .Save(source);

    TWordDoc doc(&project, &app, source, nullptr, 2);
    doc.DoCreate(source);
    TContentsItems items;
    items.Project = &project;
    doc.ToContentsItems(items);
    ASSERT_EQ(items.Count(), 3);
    const QString overview = items[0]->Content;
    const QString setupPage = items[1]->Url, usagePage = items[2]->Url;
    EXPECT_EQ(setupPage, "setup.html");

    // One map with the two linked items, the last item's area first; the unlinked item has none.
    QRegularExpression areaRe("<area href=\"([^\"]*)\"( target=\"[^\"]*\")? shape=\"rect\" coords=\"(\\d+),(\\d+),(\\d+),(\\d+)\"");
    std::vector<QRegularExpressionMatch> areas;
    for (auto it = areaRe.globalMatch(overview); it.hasNext();)
        areas.push_back(it.next());
    ASSERT_EQ(areas.size(), 2u) << overview.toStdString();
    EXPECT_TRUE(areas[0].captured(1).startsWith(usagePage)) << areas[0].captured(1).toStdString();
    EXPECT_EQ(areas[0].captured(2), " target=\"_blank\"");
    EXPECT_TRUE(areas[1].captured(1).startsWith(setupPage)) << areas[1].captured(1).toStdString();
    EXPECT_TRUE(overview.contains("title=\"Set it up\""));
    // Inline shapes are marked first, so the inline canvas further down has map 0.
    EXPECT_TRUE(overview.contains("<map name=\"WordMap1\">"));

    // The canvas picture carries the map and lies in the working folder, at the canvas's size.
    QRegularExpression imgRe("<img width=(\\d+) height=(\\d+) src=\"([^\"]+)\"[^>]*alt=\"Diagram\"[^>]*usemap=\"#WordMap1\"");
    QRegularExpressionMatch img = imgRe.match(overview);
    ASSERT_TRUE(img.hasMatch()) << overview.toStdString();
    QImage picture(doc.tempDir + img.captured(3));
    ASSERT_FALSE(picture.isNull()) << QString(doc.tempDir + img.captured(3)).toStdString();
    EXPECT_EQ(picture.size(), QSize(300, 120));

    // Each area covers its item: the item's colour fills the area's inside (its centre region for
    // the ellipse), and the area's own edges match the item's box within a pixel.
    struct Expect
    {
        const QRegularExpressionMatch &area;
        QRect box;
        QColor colour;
    } expects[] = {{areas[1], QRect(20, 20, 100, 40), Qt::red}, {areas[0], QRect(160, 50, 120, 60), Qt::blue}};
    for (const Expect &e : expects) {
        const QRect a(QPoint(e.area.captured(3).toInt(), e.area.captured(4).toInt()), QPoint(e.area.captured(5).toInt() - 1, e.area.captured(6).toInt() - 1));
        EXPECT_LE(std::abs(a.left() - e.box.left()), 1);
        EXPECT_LE(std::abs(a.top() - e.box.top()), 1);
        EXPECT_LE(std::abs(a.right() - e.box.right()), 1);
        EXPECT_LE(std::abs(a.bottom() - e.box.bottom()), 1);
        EXPECT_EQ(picture.pixelColor(a.center()), e.colour);
        EXPECT_EQ(picture.pixelColor(a.left() + a.width() / 4, a.center().y()), e.colour);
        EXPECT_EQ(picture.pixelColor(a.center().x(), a.top() + a.height() / 4), e.colour);
        EXPECT_NE(picture.pixelColor(a.left() - 3, a.center().y()), e.colour);
        EXPECT_NE(picture.pixelColor(a.right() + 3, a.center().y()), e.colour);
    }
    // The unlinked item is painted, outside both areas.
    EXPECT_EQ(picture.pixelColor(50, 95), QColor(Qt::green));
    // A linked drawing shape is a linked picture, linked once, to the page of its heading.
    QRegularExpression buttonRe("<a href=\"([^\"]*)\"[^>]*><img width=80 height=20 src=\"[^\"]+\"[^>]*alt=\"Button\" title=\"Button\"[^>]*></a>");
    QRegularExpressionMatch button = buttonRe.match(overview);
    ASSERT_TRUE(button.hasMatch()) << overview.toStdString();
    EXPECT_EQ(button.captured(1), usagePage);
    EXPECT_FALSE(overview.contains(QRegularExpression("<a [^>]*>\\s*<a ")));
    // The inline canvas has its own map, pointing back at the first page.
    const QString setup = items[1]->Content;
    EXPECT_TRUE(setup.contains("<map name=\"WordMap0\">\r\n<area href=\"" + items[0]->Url)) << setup.toStdString();
    EXPECT_TRUE(setup.contains("coords=\"0,0,50,50\""));
    EXPECT_TRUE(setup.contains(QRegularExpression("alt=\"Back\"[^>]*usemap=\"#WordMap0\"")));
    // No marker is left in any page.
    for (int i = 0; i < items.Count(); ++i)
        EXPECT_FALSE(items[i]->Content.contains("`$#!") || items[i]->Content.contains("`@#^")) << i;
}
