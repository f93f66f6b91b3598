// VML, the drawing language of older documents, and embedded objects and controls.
#include "word/engine/DocxReaderParts.h"

namespace tavrel::engine::docxr {

namespace {
// A CSS length of a VML style in EMU.
qint64 vmlLength(const QString &v)
{
    QString s = v.trimmed();
    double factor = 12700; // points by default
    QString num = s;
    if (s.endsWith(QLatin1String("pt"))) {
        num = s.chopped(2);
    } else if (s.endsWith(QLatin1String("in"))) {
        num = s.chopped(2);
        factor = 914400;
    } else if (s.endsWith(QLatin1String("cm"))) {
        num = s.chopped(2);
        factor = 360000;
    } else if (s.endsWith(QLatin1String("mm"))) {
        num = s.chopped(2);
        factor = 36000;
    } else if (s.endsWith(QLatin1String("px"))) {
        num = s.chopped(2);
        factor = 9525;
    } else {
        factor = 9525;
    }
    bool ok = false;
    double d = num.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return 0;
    return qint64(std::clamp(d * factor, -1e13, 1e13));
}

QHash<QString, QString> vmlStyle(const QString &style)
{
    QHash<QString, QString> out;
    for (const QString &decl : style.split(';', Qt::SkipEmptyParts)) {
        int colon = decl.indexOf(':');
        if (colon > 0)
            out.insert(decl.left(colon).trimmed().toLower(), decl.mid(colon + 1).trimmed());
    }
    return out;
}
} // namespace

std::shared_ptr<TShape> Reader::readVmlShape(xml_node v, const QString &where, int depth)
{
    if (depth > 16)
        return nullptr;
    auto s = std::make_shared<TShape>();
    s->Vml = true;
    s->Where = where;
    auto st = vmlStyle(XStr(v, "style"));
    s->Floating = st.value(QStringLiteral("position")) == QLatin1String("absolute");
    s->WidthEmu = std::max<qint64>(0, vmlLength(st.value(QStringLiteral("width"))));
    s->HeightEmu = std::max<qint64>(0, vmlLength(st.value(QStringLiteral("height"))));
    s->LeftEmu = vmlLength(st.value(QStringLiteral("margin-left"), st.value(QStringLiteral("left"))));
    s->TopEmu = vmlLength(st.value(QStringLiteral("margin-top"), st.value(QStringLiteral("top"))));
    s->HorizontalAlign = st.value(QStringLiteral("mso-position-horizontal"));
    s->Description = XStr(v, "alt");
    if (XHas(v, "href")) {
        QString h = XStr(v, "href");
        if (h.startsWith('#'))
            s->Hyperlink.SubAddress = h.mid(1);
        else
            s->Hyperlink.Address = h;
        s->Hyperlink.ScreenTip = XStr(v, "title");
    }
    auto vmlColor = [](const QString &c) {
        QColor q(c.section(' ', 0, 0).trimmed()); // "red [10]": the name before the palette index
        return q.isValid() ? q.name().mid(1).toUpper() : QString();
    };
    if (XHas(v, "fillcolor"))
        s->FillColor = vmlColor(XStr(v, "fillcolor"));
    if (XHas(v, "strokecolor"))
        s->LineColor = vmlColor(XStr(v, "strokecolor"));
    if (XHas(v, "strokeweight"))
        s->LineWidthPt = std::clamp(double(vmlLength(XStr(v, "strokeweight"))) / 12700.0, 0.0, 100.0);
    auto off = [&](const char *a) { QString f = XStr(v, a).toLower(); return f == QLatin1String("f") || f == QLatin1String("false"); };
    s->NoFill = off("filled");
    s->NoLine = off("stroked");
    const char *n = v.name();
    static const QHash<QString, QString> vmlGeometry = {{"v:rect", "rect"}, {"v:roundrect", "roundRect"}, {"v:oval", "ellipse"},
                                                        {"v:line", "line"}, {"v:polyline", "custom"}, {"v:arc", "arc"}};
    s->Geometry = vmlGeometry.value(QString::fromUtf8(n));
    if (!std::strcmp(n, "v:shape")) {
        // Word's numbered shape types: the common ones by number, the rest drawn as a box.
        static const QHash<QString, QString> types = {{"1", "rect"}, {"2", "roundRect"}, {"3", "ellipse"}, {"4", "diamond"},
                                                      {"5", "triangle"}, {"13", "rightArrow"}, {"20", "line"}, {"32", "straightConnector1"},
                                                      {"66", "leftArrow"}, {"67", "downArrow"}, {"68", "upArrow"}, {"109", "flowChartProcess"},
                                                      {"110", "flowChartDecision"}, {"116", "flowChartTerminator"}, {"202", "rect"}};
        QString t = XStr(v, "type");
        qsizetype k = t.indexOf(QLatin1String("_x0000_t"));
        s->Geometry = k >= 0 ? types.value(t.mid(k + 8), QStringLiteral("custom")) : QStringLiteral("custom");
    }
    if (!std::strcmp(n, "v:line")) {
        // A line runs from "from" to "to", in points by default.
        auto point = [&](const char *a) {
            const QStringList xy = XStr(v, a).split(',');
            auto len = [](QString t) {
                t = t.trimmed();
                return vmlLength(!t.isEmpty() && t.back().isLetter() ? t : t + QStringLiteral("pt"));
            };
            return std::pair<qint64, qint64>(xy.size() > 0 ? len(xy[0]) : 0, xy.size() > 1 ? len(xy[1]) : 0);
        };
        auto [x1, y1] = point("from");
        auto [x2, y2] = point("to");
        s->LeftEmu = std::min(x1, x2);
        s->TopEmu = std::min(y1, y2);
        s->WidthEmu = std::abs(x2 - x1);
        s->HeightEmu = std::abs(y2 - y1);
        s->FlipH = x2 < x1;
        s->FlipV = y2 < y1;
    }
    if (!std::strcmp(n, "v:group")) {
        s->Kind = TShapeKind::Group;
        // Members are placed in the group's coordinate space (coordorigin, coordsize).
        const QStringList origin = XStr(v, "coordorigin").split(',');
        const QStringList size = XStr(v, "coordsize").split(',');
        // Members' unitless lengths are read as pixels (9525 EMU), so the space is scaled alike.
        auto units = [](const QStringList &l, int i) { return l.size() > i ? std::clamp<qint64>(l[i].trimmed().toLongLong(), -(1ll << 30), 1ll << 30) * 9525 : 0; };
        s->ChildOffX = units(origin, 0);
        s->ChildOffY = units(origin, 1);
        s->ChildExtX = std::max<qint64>(0, units(size, 0));
        s->ChildExtY = std::max<qint64>(0, units(size, 1));
        if (s->ChildExtX == 0 || s->ChildExtY == 0)
            s->ChildExtX = s->ChildExtY = 0;
        for (xml_node c = v.first_child(); c; c = c.next_sibling())
            if (std::strncmp(c.name(), "v:", 2) == 0 && !XIs(c, "v:shapetype"))
                if (auto child = readVmlShape(c, where, depth + 1))
                    s->Children.push_back(child);
        return s;
    }
    if (xml_node img = v.child("v:imagedata")) {
        s->Kind = TShapeKind::Picture;
        QString rid = XStr(img, "r:id");
        if (rid.isEmpty())
            rid = XStr(img, "o:relid");
        if (!rid.isEmpty()) {
            const TRelationship *r = m_ctx->Rels.Find(rid);
            if (r && r->External)
                s->LinkTarget = QUrl::fromPercentEncoding(r->Target.toUtf8());
            else
                s->MediaPart = mediaFor(rid, where);
        }
        if (s->Title.isEmpty())
            s->Title = XStr(img, "o:title");
        return s;
    }
    if (xml_node tb = v.child("v:textbox")) {
        // Shape type 202 is Word's text box; any other shape with text stays a drawing shape.
        s->Kind = XStr(v, "type").endsWith(QLatin1String("_x0000_t202")) ? TShapeKind::TextBox : TShapeKind::Drawing;
        if (xml_node c = tb.child("w:txbxContent"))
            s->Text = readTextBox(c);
        return s;
    }
    s->Kind = TShapeKind::Drawing;
    return s;
}

void Reader::readVml(xml_node pict, TParagraph &para, const std::shared_ptr<const TRunProps> &props)
{
    xml_node control = pict.child("w:control");
    std::shared_ptr<TShape> preview;
    for (xml_node c = pict.first_child(); c; c = c.next_sibling()) {
        const char *n = c.name();
        if (std::strncmp(n, "v:", 2) != 0 || XIs(c, "v:shapetype"))
            continue;
        auto s = readVmlShape(c, where(), 0);
        // A control's shape gives its place, size and preview: it is one object with it.
        if (control && !preview && s) {
            preview = s;
            continue;
        }
        pushShape(para, s, props);
    }
    if (control) {
        auto s = preview ? preview : std::make_shared<TShape>();
        s->Where = where();
        readControl(control, *s);
        pushShape(para, s, props);
    }
}

void Reader::readControl(xml_node control, TShape &s)
{
    s.Kind = TShapeKind::Control;
    s.Name = XStr(control, "w:name");
    const TRelationship *r = m_ctx->Rels.Find(XStr(control, "r:id"));
    auto ax = r && !r->Part.isEmpty() ? optionalPart(r->Part) : nullptr;
    if (!ax) {
        warn(QStringLiteral("control part"), QStringLiteral("A control whose part is missing keeps no class or properties"));
        return;
    }
    xml_node ocx = ax->document_element();
    QString clsid = XStr(ocx, "ax:classid").toUpper();
    static const QHash<QString, QString> progIds = {
        {"{D27CDB6E-AE6D-11CF-96B8-444553540000}", "ShockwaveFlash.ShockwaveFlash.1"},
        {"{8BD21D10-EC42-11CE-9E0D-00AA006002F3}", "Forms.TextBox.1"},
        {"{D7053240-CE69-11CD-A777-00DD01143C57}", "Forms.CommandButton.1"},
        {"{8BD21D40-EC42-11CE-9E0D-00AA006002F3}", "Forms.CheckBox.1"},
        {"{8BD21D50-EC42-11CE-9E0D-00AA006002F3}", "Forms.OptionButton.1"},
        {"{8BD21D30-EC42-11CE-9E0D-00AA006002F3}", "Forms.ComboBox.1"},
        {"{8BD21D20-EC42-11CE-9E0D-00AA006002F3}", "Forms.ListBox.1"},
        {"{978C9E23-D4B0-11CE-BF2D-00AA003F40D0}", "Forms.Label.1"},
        {"{4C599241-6926-101B-9992-00000B65C6F9}", "Forms.Image.1"},
        {"{6BF52A52-394A-11D3-B153-00C04F79FAA6}", "WMPlayer.OCX.7"}};
    s.ClassType = progIds.value(clsid, clsid);
    for (xml_node p = ocx.child("ax:ocxPr"); p; p = p.next_sibling("ax:ocxPr"))
        s.ControlProperties.emplace_back(XStr(p, "ax:name"), XStr(p, "ax:value"));
}

void Reader::readObject(xml_node obj, TParagraph &para, const std::shared_ptr<const TRunProps> &props)
{
    // An embedded object shows its preview picture; a control is an object of its own.
    std::shared_ptr<TShape> preview;
    for (xml_node c = obj.first_child(); c; c = c.next_sibling())
        if (std::strncmp(c.name(), "v:", 2) == 0 && !XIs(c, "v:shapetype")) {
            preview = readVmlShape(c, where(), 0);
            break;
        }
    auto s = preview ? preview : std::make_shared<TShape>();
    s->Where = where();
    if (!preview) {
        s->WidthEmu = qint64(XTwips(obj, "w:dxaOrig", 0)) * 635;
        s->HeightEmu = qint64(XTwips(obj, "w:dyaOrig", 0)) * 635;
    }
    if (xml_node control = obj.child("w:control")) {
        readControl(control, *s);
    } else if (xml_node ole = obj.child("o:OLEObject")) {
        s->Kind = TShapeKind::OleObject;
        s->ClassType = XStr(ole, "ProgID");
        if (XStr(ole, "Type") == QLatin1String("Link"))
            s->LinkTarget = [&]() {
                const TRelationship *r = m_ctx->Rels.Find(XStr(ole, "r:id"));
                return r ? r->Target : QString();
            }();
    } else if (!preview) {
        s->Kind = TShapeKind::OleObject;
    }
    pushShape(para, s, props);
}

} // namespace tavrel::engine::docxr
