#pragma once
// WordprocessingML snippets for drawings: shapes, canvases, groups, pictures and controls.
// Lengths are EMU (9525 a pixel at 96 dpi, 12700 a point).
#include <QString>

namespace tavrel::test {

inline const QString kFlashClassId = QStringLiteral("{D27CDB6E-AE6D-11CF-96B8-444553540000}");

inline QString Num(qint64 v) { return QString::number(v); }

inline QString Xfrm(qint64 x, qint64 y, qint64 cx, qint64 cy)
{
    return "<a:xfrm><a:off x=\"" + Num(x) + "\" y=\"" + Num(y) + "\"/><a:ext cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\"/></a:xfrm>";
}

// A drawing shape: preset geometry, fill ("" = none), text paragraphs, a link (relationship id).
inline QString Wsp(const QString &geometry, const QString &fill, const QString &textXml, const QString &linkRel = QString(),
                   const QString &tooltip = QString(), const QString &frame = QString(), bool madeAsTextBox = false, qint64 x = 0, qint64 y = 0,
                   qint64 cx = 0, qint64 cy = 0, const QString &lineColor = QString())
{
    QString s = "<wps:wsp><wps:cNvPr id=\"10\" name=\"shape\">";
    if (!linkRel.isEmpty()) {
        s += "<a:hlinkClick r:id=\"" + linkRel + "\"";
        if (!tooltip.isEmpty())
            s += " tooltip=\"" + tooltip + "\"";
        if (!frame.isEmpty())
            s += " tgtFrame=\"" + frame + "\"";
        s += "/>";
    }
    s += "</wps:cNvPr>";
    s += madeAsTextBox ? "<wps:cNvSpPr txBox=\"1\"/>" : "<wps:cNvSpPr/>";
    s += "<wps:spPr>" + Xfrm(x, y, cx, cy) + "<a:prstGeom prst=\"" + geometry + "\"><a:avLst/></a:prstGeom>";
    s += fill.isEmpty() ? QStringLiteral("<a:noFill/>") : "<a:solidFill><a:srgbClr val=\"" + fill + "\"/></a:solidFill>";
    s += lineColor.isEmpty() ? QStringLiteral("<a:ln><a:noFill/></a:ln>")
                             : "<a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"" + lineColor + "\"/></a:solidFill><a:tailEnd type=\"triangle\"/></a:ln>";
    s += "</wps:spPr>";
    if (!textXml.isEmpty())
        s += "<wps:txbx><w:txbxContent>" + textXml + "</w:txbxContent></wps:txbx>";
    s += "<wps:bodyPr anchor=\"ctr\" lIns=\"0\" tIns=\"0\" rIns=\"0\" bIns=\"0\"/></wps:wsp>";
    return s;
}

inline QString Canvas(qint64, qint64, const QString &members)
{
    return "<wpc:wpc><wpc:bg/><wpc:whole/>" + members + "</wpc:wpc>";
}

// A group whose members use a child space of chx x chy, placed at (x, y) with size cx x cy.
inline QString Group(const QString &members, qint64 chx, qint64 chy, qint64 x = 0, qint64 y = 0, qint64 cx = 0, qint64 cy = 0)
{
    return "<wpg:wgp><wpg:cNvGrpSpPr/><wpg:grpSpPr><a:xfrm><a:off x=\"" + Num(x) + "\" y=\"" + Num(y) + "\"/><a:ext cx=\"" + Num(cx) + "\" cy=\"" +
           Num(cy) + "\"/><a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"" + Num(chx) + "\" cy=\"" + Num(chy) + "\"/></a:xfrm></wpg:grpSpPr>" + members +
           "</wpg:wgp>";
}

inline QString Pic(const QString &embedRel, const QString &linkRel = QString(), qint64 x = 0, qint64 y = 0, qint64 cx = 0, qint64 cy = 0)
{
    QString blip = "<a:blip";
    if (!embedRel.isEmpty())
        blip += " r:embed=\"" + embedRel + "\"";
    if (!linkRel.isEmpty())
        blip += " r:link=\"" + linkRel + "\"";
    blip += "/>";
    return "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"20\" name=\"picture\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill>" + blip +
           "<a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr>" + Xfrm(x, y, cx, cy) +
           "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>";
}

inline QString CanvasPic(const QString &embedRel, qint64 x, qint64 y, qint64 cx, qint64 cy) { return Pic(embedRel, QString(), x, y, cx, cy); }

inline QString GraphicData(const QString &graphic)
{
    return "<a:graphic><a:graphicData uri=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\">" + graphic +
           "</a:graphicData></a:graphic>";
}

// A floating drawing at (x, y) from its anchor paragraph.
inline QString Anchored(const QString &graphic, qint64 cx, qint64 cy, const QString &descr, qint64 x = 0, qint64 y = 0)
{
    return "<w:r><w:drawing><wp:anchor distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\" simplePos=\"0\" relativeHeight=\"2\" behindDoc=\"0\" locked=\"0\" "
           "layoutInCell=\"1\" allowOverlap=\"1\"><wp:simplePos x=\"0\" y=\"0\"/><wp:positionH relativeFrom=\"column\"><wp:posOffset>" +
           Num(x) + "</wp:posOffset></wp:positionH><wp:positionV relativeFrom=\"paragraph\"><wp:posOffset>" + Num(y) +
           "</wp:posOffset></wp:positionV><wp:extent cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) +
           "\"/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:wrapSquare wrapText=\"bothSides\"/><wp:docPr id=\"1\" name=\"d\" descr=\"" + descr +
           "\"/><wp:cNvGraphicFramePr/>" + GraphicData(graphic) + "</wp:anchor></w:drawing></w:r>";
}

inline QString InlinePic(const QString &embedRel, qint64 cx, qint64 cy, const QString &descr)
{
    return "<w:r><w:drawing><wp:inline><wp:extent cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\"/><wp:docPr id=\"2\" name=\"p\" descr=\"" + descr +
           "\"/>" + GraphicData(Pic(embedRel)) + "</wp:inline></w:drawing></w:r>";
}

inline QString OcxProp(const QString &name, const QString &value)
{
    return "<ax:ocxPr ax:name=\"" + name + "\" ax:value=\"" + value + "\"/>";
}

inline QString ActiveX(const QString &classId, const QString &props)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ax:ocx xmlns:ax=\"http://schemas.microsoft.com/office/2006/activeX\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" ax:classid=\"" +
           classId + "\" ax:persistence=\"persistPropertyBag\">" + props + "</ax:ocx>";
}

// An inline control of dxa x dya twips.
inline QString FlashObject(const QString &rel, int dxa, int dya)
{
    return "<w:r><w:object w:dxaOrig=\"" + QString::number(dxa) + "\" w:dyaOrig=\"" + QString::number(dya) + "\"><w:control r:id=\"" + rel +
           "\" w:name=\"ShockwaveFlash1\"/></w:object></w:r>";
}

// A floating control as older documents store it: a VML shape with absolute position.
inline QString FloatingFlash(const QString &rel, const QString &style)
{
    return "<w:r><w:pict><v:shape id=\"ShockwaveFlash2\" type=\"#_x0000_t201\" style=\"" + style + "\"/><w:control r:id=\"" + rel +
           "\" w:name=\"ShockwaveFlash2\"/></w:pict></w:r>";
}

} // namespace tavrel::test
