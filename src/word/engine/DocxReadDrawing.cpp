// DrawingML: pictures, shapes, groups, canvases, charts and diagrams.
#include "word/engine/DocxReaderParts.h"

namespace tavrel::engine::docxr {

// --- shapes --------------------------------------------------------------------------------------

void Reader::pushShape(TParagraph &para, std::shared_ptr<TShape> s, const std::shared_ptr<const TRunProps> &props)
{
    if (!s)
        return;
    TInline in;
    in.Kind = TInlineKind::Shape;
    in.Shape = std::move(s);
    in.Props = props;
    para.Inlines.push_back(std::move(in));
}

QString Reader::mediaFor(const QString &relId, const QString &where)
{
    const TRelationship *r = m_ctx->Rels.Find(relId);
    if (!r || r->External || r->Part.isEmpty()) {
        m_doc.Warn(QStringLiteral("picture nowhere"), QStringLiteral("A picture whose part is missing is left out"), where);
        return QString();
    }
    if (m_doc.Media.count(r->Part))
        return r->Part;
    QByteArray data;
    try {
        data = partBytes(r->Part);
    } catch (const Exception &e) {
        m_doc.Warn(QStringLiteral("picture damaged"), QStringLiteral("A picture cannot be read and is left out: ") + e.Message(), where);
        return QString();
    }
    if (data.isEmpty()) {
        m_doc.Warn(QStringLiteral("picture nowhere"), QStringLiteral("A picture whose part is missing is left out"), where);
        return QString();
    }
    TMediaPart mp;
    mp.Data = data;
    m_doc.Media[r->Part] = std::move(mp);
    return r->Part;
}

void Reader::readLink(const QString &relId, TShapeHyperlink &link, const QString &tooltip, const QString &frame)
{
    const TRelationship *r = m_ctx->Rels.Find(relId);
    if (!r)
        return;
    QString t = r->Target;
    if (t.startsWith('#')) {
        link.SubAddress = t.mid(1);
    } else {
        int hash = t.indexOf('#');
        if (hash >= 0) {
            link.SubAddress = t.mid(hash + 1);
            t = t.left(hash);
        }
        if (!isUrlWithScheme(t) || t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            t = QUrl::fromPercentEncoding(t.toUtf8());
        link.Address = t;
    }
    link.ScreenTip = tooltip;
    link.Target = frame;
}

std::unique_ptr<TStory> Reader::readTextBox(xml_node txbx)
{
    auto story = std::make_unique<TStory>();
    Context ctx;
    ctx.Part = m_ctx->Part;
    ctx.Rels = m_ctx->Rels;
    ctx.Story = story.get();
    ctx.ParagraphNo = m_ctx->ParagraphNo;
    Context *saved = m_ctx;
    m_ctx = &ctx;
    readBlocks(txbx, story->Blocks, 1);
    finishStory(story->Blocks);
    m_ctx = saved;
    story->Reindex();
    return story;
}

namespace {
// DrawingML colour adjustments that shape styles use: shade, tint, lumMod, lumOff.
QString adjustColor(const QString &rgb, xml_node clr)
{
    bool ok = false;
    uint v = rgb.toUInt(&ok, 16);
    if (!ok || rgb.size() != 6)
        return rgb;
    QColor c(QRgb(0xFF000000u | v));
    for (xml_node a = clr.first_child(); a; a = a.next_sibling()) {
        const double f = QByteArray(a.attribute("val").value()).toDouble() / 100000.0;
        if (!std::isfinite(f))
            continue;
        const char *n = a.name();
        if (!std::strcmp(n, "a:shade")) {
            c = QColor::fromRgbF(float(c.redF() * f), float(c.greenF() * f), float(c.blueF() * f));
        } else if (!std::strcmp(n, "a:tint")) {
            c = QColor::fromRgbF(float(1 - (1 - c.redF()) * f), float(1 - (1 - c.greenF()) * f), float(1 - (1 - c.blueF()) * f));
        } else if (!std::strcmp(n, "a:lumMod") || !std::strcmp(n, "a:lumOff")) {
            float h = 0, s = 0, l = 0, al = 1;
            c.getHslF(&h, &s, &l, &al);
            l = n[5] == 'M' ? float(l * f) : float(l + f);
            c = QColor::fromHslF(h, s, std::clamp(l, 0.0f, 1.0f), al);
        }
    }
    return c.name().mid(1).toUpper();
}
} // namespace

QString Reader::colorOf(xml_node parent) const
{
    if (!parent)
        return QString();
    if (xml_node c = parent.child("a:srgbClr"))
        return adjustColor(XStr(c, "val").toUpper(), c);
    if (xml_node c = parent.child("a:schemeClr")) {
        QString name = XStr(c, "val");
        static const QHash<QString, QString> alias = {{"tx1", "dk1"}, {"bg1", "lt1"}, {"tx2", "dk2"}, {"bg2", "lt2"}};
        name = alias.value(name, name);
        // Office's default theme when the document carries none.
        static const QHash<QString, QString> office = {{"dk1", "000000"},     {"lt1", "FFFFFF"},     {"dk2", "44546A"},
                                                       {"lt2", "E7E6E6"},     {"accent1", "4472C4"}, {"accent2", "ED7D31"},
                                                       {"accent3", "A5A5A5"}, {"accent4", "FFC000"}, {"accent5", "5B9BD5"},
                                                       {"accent6", "70AD47"}, {"hlink", "0563C1"},   {"folHlink", "954F72"}};
        QString v = m_themeColors.value(name, office.value(name));
        return v.isEmpty() ? QString() : adjustColor(v, c);
    }
    if (xml_node c = parent.child("a:sysClr"))
        return adjustColor(XStr(c, "lastClr").toUpper(), c);
    if (xml_node c = parent.child("a:prstClr")) {
        QColor q(XStr(c, "val"));
        return q.isValid() ? adjustColor(q.name().mid(1).toUpper(), c) : QString();
    }
    return QString();
}

void Reader::readShapeProps(xml_node spPr, TShape &s)
{
    if (xml_node xfrm = spPr.child("a:xfrm")) {
        if (xml_node off = xfrm.child("a:off")) {
            s.LeftEmu = std::clamp<qint64>(QByteArray(off.attribute("x").value()).toLongLong(), -(1ll << 40), 1ll << 40);
            s.TopEmu = std::clamp<qint64>(QByteArray(off.attribute("y").value()).toLongLong(), -(1ll << 40), 1ll << 40);
        }
        if (xml_node ext = xfrm.child("a:ext")) {
            s.WidthEmu = std::clamp<qint64>(QByteArray(ext.attribute("cx").value()).toLongLong(), 0, 1ll << 40);
            s.HeightEmu = std::clamp<qint64>(QByteArray(ext.attribute("cy").value()).toLongLong(), 0, 1ll << 40);
        }
        s.FlipH = XOnOff(xfrm, "flipH") && XHas(xfrm, "flipH");
        s.FlipV = XOnOff(xfrm, "flipV") && XHas(xfrm, "flipV");
        s.RotationDeg = int(QByteArray(xfrm.attribute("rot").value()).toLongLong() / 60000 % 360);
    }
    if (xml_node g = spPr.child("a:prstGeom"))
        s.Geometry = XStr(g, "prst");
    else if (xml_node cg = spPr.child("a:custGeom")) {
        s.Geometry = QStringLiteral("custom");
        s.CustomPaths.clear();
        size_t commands = 0;
        for (xml_node p = cg.child("a:pathLst").child("a:path"); p; p = p.next_sibling("a:path")) {
            TShape::TPath path;
            path.W = QByteArray(p.attribute("w").value()).toDouble();
            path.H = QByteArray(p.attribute("h").value()).toDouble();
            path.Fill = XStr(p, "fill") != QLatin1String("none");
            path.Stroke = !XHas(p, "stroke") || XOnOff(p, "stroke");
            for (xml_node c = p.first_child(); c && commands < 100000; c = c.next_sibling(), ++commands) {
                const char *n = c.name();
                TShape::TPathCommand cmd;
                if (!std::strcmp(n, "a:moveTo"))
                    cmd.Op = 'M';
                else if (!std::strcmp(n, "a:lnTo"))
                    cmd.Op = 'L';
                else if (!std::strcmp(n, "a:cubicBezTo"))
                    cmd.Op = 'C';
                else if (!std::strcmp(n, "a:quadBezTo"))
                    cmd.Op = 'Q';
                else if (!std::strcmp(n, "a:close"))
                    cmd.Op = 'Z';
                else
                    cmd.Op = '?'; // arcs: not drawn exactly
                for (xml_node pt = c.child("a:pt"); pt; pt = pt.next_sibling("a:pt")) {
                    bool okX = false, okY = false;
                    double x = QByteArray(pt.attribute("x").value()).toDouble(&okX);
                    double y = QByteArray(pt.attribute("y").value()).toDouble(&okY);
                    // Guide names instead of numbers cannot be evaluated here.
                    if (!okX || !okY)
                        cmd.Op = '?';
                    cmd.Points.emplace_back(x, y);
                }
                path.Commands.push_back(std::move(cmd));
            }
            s.CustomPaths.push_back(std::move(path));
        }
    }
    if (spPr.child("a:noFill")) {
        s.NoFill = true;
        s.FillColor.clear();
    } else if (xml_node fill = spPr.child("a:solidFill")) {
        s.FillColor = colorOf(fill);
        s.NoFill = false;
    } else if (xml_node grad = spPr.child("a:gradFill")) {
        // A gradient is drawn in its first colour.
        s.FillColor = colorOf(grad.child("a:gsLst").child("a:gs"));
        s.NoFill = s.FillColor.isEmpty() && s.NoFill;
    }
    if (xml_node ln = spPr.child("a:ln")) {
        if (XHas(ln, "w"))
            s.LineWidthPt = std::clamp(QByteArray(ln.attribute("w").value()).toDouble() / 12700.0, 0.0, 100.0);
        if (ln.child("a:noFill")) {
            s.NoLine = true;
            s.LineColor.clear();
        } else if (xml_node c = ln.child("a:solidFill")) {
            s.LineColor = colorOf(c);
            s.NoLine = false;
        }
        if (xml_node h = ln.child("a:headEnd"))
            s.HeadEnd = XStr(h, "type") == QLatin1String("none") ? QString() : XStr(h, "type");
        if (xml_node t = ln.child("a:tailEnd"))
            s.TailEnd = XStr(t, "type") == QLatin1String("none") ? QString() : XStr(t, "type");
    }
}

// The shape's style gives fill, outline and text colour where its own properties give none.
void Reader::readShapeStyle(xml_node style, TShape &s)
{
    if (!style)
        return;
    if (xml_node f = style.child("a:fillRef"); f && !s.NoFill && s.FillColor.isEmpty() && XStr(f, "idx") != QLatin1String("0"))
        s.FillColor = colorOf(f);
    if (xml_node l = style.child("a:lnRef"); l && !s.NoLine && s.LineColor.isEmpty() && XStr(l, "idx") != QLatin1String("0")) {
        s.LineColor = colorOf(l);
        if (s.LineWidthPt <= 0)
            s.LineWidthPt = 1;
    }
    if (xml_node f = style.child("a:fontRef"))
        s.FontColor = colorOf(f);
}

void Reader::readBodyProps(xml_node bodyPr, TShape &s)
{
    if (!bodyPr)
        return;
    s.TextAnchor = XStr(bodyPr, "anchor");
    auto inset = [&](const char *name, qint64 &out) {
        if (XHas(bodyPr, name))
            out = std::clamp<qint64>(QByteArray(bodyPr.attribute(name).value()).toLongLong(), 0, 1ll << 32);
    };
    inset("lIns", s.InsetL);
    inset("tIns", s.InsetT);
    inset("rIns", s.InsetR);
    inset("bIns", s.InsetB);
}

void Reader::readGroupTransform(xml_node grpSpPr, TShape &s)
{
    readShapeProps(grpSpPr, s);
    xml_node xfrm = grpSpPr.child("a:xfrm");
    if (xml_node o = xfrm.child("a:chOff")) {
        s.ChildOffX = std::clamp<qint64>(QByteArray(o.attribute("x").value()).toLongLong(), -(1ll << 40), 1ll << 40);
        s.ChildOffY = std::clamp<qint64>(QByteArray(o.attribute("y").value()).toLongLong(), -(1ll << 40), 1ll << 40);
    }
    if (xml_node e = xfrm.child("a:chExt")) {
        s.ChildExtX = std::clamp<qint64>(QByteArray(e.attribute("cx").value()).toLongLong(), 0, 1ll << 40);
        s.ChildExtY = std::clamp<qint64>(QByteArray(e.attribute("cy").value()).toLongLong(), 0, 1ll << 40);
    }
}

void Reader::readPictureElement(xml_node pic, TShape &s, const QString &where)
{
    s.Kind = TShapeKind::Picture;
    xml_node blip = pic.child("pic:blipFill").child("a:blip");
    QString embed = XStr(blip, "r:embed");
    QString link = XStr(blip, "r:link");
    if (!embed.isEmpty())
        s.MediaPart = mediaFor(embed, where);
    if (!link.isEmpty()) {
        if (const TRelationship *r = m_ctx->Rels.Find(link))
            s.LinkTarget = QUrl::fromPercentEncoding(r->Target.toUtf8());
    }
    if (embed.isEmpty() && link.isEmpty())
        m_doc.Warn(QStringLiteral("picture empty"), QStringLiteral("A picture without picture data is left out"), where);
    xml_node cNvPr = pic.child("pic:nvPicPr").child("pic:cNvPr");
    if (s.Description.isEmpty())
        s.Description = XStr(cNvPr, "descr");
    if (s.Name.isEmpty())
        s.Name = XStr(cNvPr, "name");
    if (xml_node h = cNvPr.child("a:hlinkClick"); h && s.Hyperlink.Empty())
        readLink(XStr(h, "r:id"), s.Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
    readShapeProps(pic.child("pic:spPr"), s);
}

// The text a chart or SmartArt diagram shows, for documents that carry no picture of it.
void Reader::readChartText(const QString &relId, TShape &s, bool diagram)
{
    const TRelationship *r = m_ctx->Rels.Find(relId);
    if (!r || r->Part.isEmpty())
        return;
    std::unique_ptr<TXmlPart> part = optionalPart(r->Part);
    if (!part)
        return;
    QStringList texts;
    std::function<void(xml_node, int)> walk = [&](xml_node n, int depth) {
        if (depth > 64)
            return;
        for (xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            const char *name = c.name();
            // Titles and labels; series names and categories of a chart, not its numbers.
            const char *owner = c.parent().parent().parent().parent().name();
            if (!std::strcmp(name, "a:t") || (!diagram && !std::strcmp(name, "c:v") && !std::strcmp(c.parent().name(), "c:pt") &&
                                              (!std::strcmp(owner, "c:tx") || !std::strcmp(owner, "c:cat")))) {
                QString t = XText(c).trimmed();
                if (!t.isEmpty() && !texts.contains(t))
                    texts << t;
            } else {
                walk(c, depth + 1);
            }
        }
    };
    walk(part->document_element(), 0);
    s.FallbackText = texts.join(QStringLiteral(" \u00B7 "));
}

void Reader::readGraphic(xml_node gd, TShape &s, const QString &where, int depth)
{
    if (depth > 16)
        return;
    for (xml_node c = gd.first_child(); c; c = c.next_sibling()) {
        const char *n = c.name();
        if (!std::strcmp(n, "pic:pic")) {
            readPictureElement(c, s, where);
            return;
        }
        if (!std::strcmp(n, "wps:wsp")) {
            xml_node txbx = c.child("wps:txbx").child("w:txbxContent");
            // Word calls a shape a text box only when it was made as one; a rectangle with
            // text stays a drawing shape.
            const bool madeAsBox = XOnOff(c.child("wps:cNvSpPr"), "txBox") && XHas(c.child("wps:cNvSpPr"), "txBox");
            s.Kind = txbx && madeAsBox ? TShapeKind::TextBox : TShapeKind::Drawing;
            if (txbx)
                s.Text = readTextBox(txbx);
            readShapeProps(c.child("wps:spPr"), s);
            readShapeStyle(c.child("wps:style"), s);
            readBodyProps(c.child("wps:bodyPr"), s);
            if (xml_node cNvPr = c.child("wps:cNvPr")) {
                if (xml_node h = cNvPr.child("a:hlinkClick"))
                    readLink(XStr(h, "r:id"), s.Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
            }
            return;
        }
        if (!std::strcmp(n, "wpg:wgp") || !std::strcmp(n, "wpc:wpc") || !std::strcmp(n, "wpg:grpSp")) {
            s.Kind = n[2] == 'c' ? TShapeKind::Canvas : TShapeKind::Group;
            if (s.Kind == TShapeKind::Group)
                readGroupTransform(c.child("wpg:grpSpPr"), s);
            else if (xml_node bg = c.child("wpc:bg"))
                readShapeProps(bg, s);
            if (s.Kind == TShapeKind::Canvas)
                if (xml_node w = c.child("wpc:whole"))
                    readShapeProps(w, s); // the canvas's outline
            for (xml_node m = c.first_child(); m; m = m.next_sibling()) {
                const char *mn = m.name();
                auto child = std::make_shared<TShape>();
                child->Where = where;
                child->Floating = true;
                if (!std::strcmp(mn, "pic:pic")) {
                    readPictureElement(m, *child, where);
                } else if (!std::strcmp(mn, "wps:wsp") || !std::strcmp(mn, "wpg:grpSp") || !std::strcmp(mn, "wpg:wgp")) {
                    pugi::xml_document tmp;
                    xml_node wrapper = tmp.append_child("a:graphicData");
                    wrapper.append_copy(m);
                    readGraphic(wrapper, *child, where, depth + 1);
                } else if (!std::strcmp(mn, "wpc:graphicFrame") || !std::strcmp(mn, "wpg:graphicFrame")) {
                    readGraphic(m.child("a:graphic").child("a:graphicData"), *child, where, depth + 1);
                    xml_node xfrm = m.child(mn[2] == 'c' ? "wpc:xfrm" : "wpg:xfrm");
                    pugi::xml_document tmp;
                    xml_node wrapper = tmp.append_child("spPr");
                    wrapper.append_copy(xfrm).set_name("a:xfrm");
                    readShapeProps(wrapper, *child);
                } else {
                    continue;
                }
                xml_node cNvPr = m.child("wps:cNvPr");
                if (!cNvPr)
                    cNvPr = m.child("wpg:cNvPr");
                if (cNvPr) {
                    if (xml_node h = cNvPr.child("a:hlinkClick"))
                        readLink(XStr(h, "r:id"), child->Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
                    child->Name = XStr(cNvPr, "name");
                    if (XHas(cNvPr, "descr"))
                        child->Description = XStr(cNvPr, "descr");
                    child->Title = XStr(cNvPr, "title");
                }
                s.Children.push_back(child);
            }
            return;
        }
        if (!std::strcmp(n, "c:chart")) {
            s.Kind = TShapeKind::Chart;
            readChartText(XStr(c, "r:id"), s, false);
            return;
        }
        if (!std::strcmp(n, "dgm:relIds")) {
            s.Kind = TShapeKind::Diagram;
            // The drawing part Word stores beside the data has the shapes' texts in order.
            readChartText(XStr(c, "r:dm"), s, true);
            return;
        }
    }
    s.Kind = TShapeKind::Unknown;
}

std::shared_ptr<TShape> Reader::readDrawingObject(xml_node n, bool floating, const QString &where)
{
    auto s = std::make_shared<TShape>();
    s->Floating = floating;
    s->Where = where;
    xml_node docPr = n.child("wp:docPr");
    s->Name = XStr(docPr, "name");
    s->Description = XStr(docPr, "descr");
    s->Title = XStr(docPr, "title");
    if (xml_node h = docPr.child("a:hlinkClick"))
        readLink(XStr(h, "r:id"), s->Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
    readGraphic(n.child("a:graphic").child("a:graphicData"), *s, where, 0);
    // The frame's extent and position win over the graphic's own transform, whose offset is
    // relative to the frame.
    s->LeftEmu = s->TopEmu = 0;
    if (xml_node ext = n.child("wp:extent")) {
        s->WidthEmu = std::clamp<qint64>(QByteArray(ext.attribute("cx").value()).toLongLong(), 0, 1ll << 40);
        s->HeightEmu = std::clamp<qint64>(QByteArray(ext.attribute("cy").value()).toLongLong(), 0, 1ll << 40);
    }
    if (floating) {
        xml_node ph = n.child("wp:positionH");
        s->HorizontalRelative = XStr(ph, "relativeFrom");
        if (xml_node a = ph.child("wp:align"))
            s->HorizontalAlign = XText(a);
        if (xml_node o = ph.child("wp:posOffset"))
            s->LeftEmu = std::clamp<qint64>(QByteArray(o.text().get()).toLongLong(), -(1ll << 40), 1ll << 40);
        xml_node pv = n.child("wp:positionV");
        s->VerticalRelative = XStr(pv, "relativeFrom");
        if (xml_node o = pv.child("wp:posOffset"))
            s->TopEmu = std::clamp<qint64>(QByteArray(o.text().get()).toLongLong(), -(1ll << 40), 1ll << 40);
        for (xml_node c = n.first_child(); c; c = c.next_sibling())
            if (std::strncmp(c.name(), "wp:wrap", 7) == 0)
                s->Wrap = QString::fromUtf8(c.name() + 7);
        s->BehindText = XOnOff(n, "behindDoc") && XHas(n, "behindDoc");
    }
    return s;
}

void Reader::readDrawing(xml_node d, TParagraph &para, const std::shared_ptr<const TRunProps> &props)
{
    for (xml_node c = d.first_child(); c; c = c.next_sibling()) {
        if (XIs(c, "wp:inline"))
            pushShape(para, readDrawingObject(c, false, where()), props);
        else if (XIs(c, "wp:anchor"))
            pushShape(para, readDrawingObject(c, true, where()), props);
    }
}

} // namespace tavrel::engine::docxr
