#include "word/engine/ShapeRender.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtMath>
#include <cmath>

namespace tavrel::engine {

namespace {

QColor colorOf(const QString &hex, const QColor &fallback = QColor())
{
    if (hex.size() != 6)
        return fallback;
    bool ok = false;
    const uint v = hex.toUInt(&ok, 16);
    return ok ? QColor(QRgb(0xFF000000u | v)) : fallback;
}

bool isLine(const QString &g)
{
    return g == QLatin1String("line") || g == QLatin1String("straightConnector1") || g.startsWith(QLatin1String("bentConnector")) ||
           g.startsWith(QLatin1String("curvedConnector"));
}

QPainterPath polygon(std::initializer_list<QPointF> pts)
{
    QPainterPath p;
    p.addPolygon(QPolygonF(QList<QPointF>(pts)));
    p.closeSubpath();
    return p;
}

QPainterPath regular(const QRectF &r, int corners, double startDeg)
{
    QPolygonF poly;
    for (int i = 0; i < corners; ++i) {
        const double a = qDegreesToRadians(startDeg + 360.0 * i / corners);
        poly << QPointF(r.center().x() + r.width() / 2 * std::cos(a), r.center().y() + r.height() / 2 * std::sin(a));
    }
    QPainterPath p;
    p.addPolygon(poly);
    p.closeSubpath();
    return p;
}

// A callout's pointer: a wedge from the body's centre region to the tip below left of it
// (the preset's default adjustment).
QPainterPath withPointer(QPainterPath body, const QRectF &r)
{
    const QPointF tip(r.center().x() - 0.20833 * r.width(), r.center().y() + 0.625 * r.height());
    const double base = r.width() / 6;
    QPainterPath wedge = polygon({QPointF(r.center().x() - base, r.center().y()), QPointF(r.center().x() - base / 4, r.center().y()), tip});
    return body.united(wedge);
}

} // namespace

bool IsSupportedGeometry(const QString &preset)
{
    return isLine(preset) || !PresetPath(preset, QRectF(0, 0, 100, 100)).isEmpty();
}

QPainterPath PresetPath(const QString &g, const QRectF &r)
{
    const double x = r.left(), y = r.top(), w = r.width(), h = r.height(), X = r.right(), Y = r.bottom();
    const double ss = std::min(w, h), cx = r.center().x(), cy = r.center().y();
    QPainterPath p;
    if (g.isEmpty() || g == QLatin1String("rect") || g == QLatin1String("flowChartProcess") || g == QLatin1String("textBox")) {
        p.addRect(r);
    } else if (g == QLatin1String("roundRect") || g == QLatin1String("flowChartAlternateProcess")) {
        p.addRoundedRect(r, ss * 0.16667, ss * 0.16667);
    } else if (g == QLatin1String("ellipse") || g == QLatin1String("flowChartConnector")) {
        p.addEllipse(r);
    } else if (g == QLatin1String("flowChartTerminator")) {
        p.addRoundedRect(r, std::min(h / 2, w / 2), h / 2);
    } else if (g == QLatin1String("triangle") || g == QLatin1String("flowChartExtract")) {
        p = polygon({QPointF(cx, y), QPointF(X, Y), QPointF(x, Y)});
    } else if (g == QLatin1String("flowChartMerge")) {
        p = polygon({QPointF(x, y), QPointF(X, y), QPointF(cx, Y)});
    } else if (g == QLatin1String("rtTriangle")) {
        p = polygon({QPointF(x, y), QPointF(X, Y), QPointF(x, Y)});
    } else if (g == QLatin1String("diamond") || g == QLatin1String("flowChartDecision")) {
        p = polygon({QPointF(cx, y), QPointF(X, cy), QPointF(cx, Y), QPointF(x, cy)});
    } else if (g == QLatin1String("parallelogram") || g == QLatin1String("flowChartInputOutput")) {
        const double d = g == QLatin1String("parallelogram") ? ss * 0.25 : w / 5;
        p = polygon({QPointF(x + d, y), QPointF(X, y), QPointF(X - d, Y), QPointF(x, Y)});
    } else if (g == QLatin1String("trapezoid")) {
        const double d = ss * 0.25;
        p = polygon({QPointF(x + d, y), QPointF(X - d, y), QPointF(X, Y), QPointF(x, Y)});
    } else if (g == QLatin1String("flowChartManualOperation")) {
        p = polygon({QPointF(x, y), QPointF(X, y), QPointF(X - w / 5, Y), QPointF(x + w / 5, Y)});
    } else if (g == QLatin1String("pentagon")) {
        p = regular(r, 5, -90);
    } else if (g == QLatin1String("hexagon") || g == QLatin1String("flowChartPreparation")) {
        const double d = g == QLatin1String("hexagon") ? ss * 0.25 : w / 5;
        p = polygon({QPointF(x + d, y), QPointF(X - d, y), QPointF(X, cy), QPointF(X - d, Y), QPointF(x + d, Y), QPointF(x, cy)});
    } else if (g == QLatin1String("octagon")) {
        const double d = ss * 0.29289;
        p = polygon({QPointF(x + d, y), QPointF(X - d, y), QPointF(X, y + d), QPointF(X, Y - d), QPointF(X - d, Y), QPointF(x + d, Y),
                     QPointF(x, Y - d), QPointF(x, y + d)});
    } else if (g == QLatin1String("homePlate") || g == QLatin1String("flowChartOffpageConnector")) {
        if (g == QLatin1String("homePlate")) {
            const double d = ss * 0.5;
            p = polygon({QPointF(x, y), QPointF(X - d, y), QPointF(X, cy), QPointF(X - d, Y), QPointF(x, Y)});
        } else {
            p = polygon({QPointF(x, y), QPointF(X, y), QPointF(X, y + h * 0.8), QPointF(cx, Y), QPointF(x, y + h * 0.8)});
        }
    } else if (g == QLatin1String("chevron")) {
        const double d = ss * 0.5;
        p = polygon({QPointF(x, y), QPointF(X - d, y), QPointF(X, cy), QPointF(X - d, Y), QPointF(x, Y), QPointF(x + d, cy)});
    } else if (g == QLatin1String("star5") || g == QLatin1String("star4") || g == QLatin1String("star6") || g == QLatin1String("star8")) {
        const int n = g.mid(4).toInt();
        const double inner = n == 5 ? 0.38197 : (n == 4 ? 0.25 : 0.5);
        QPolygonF poly;
        for (int i = 0; i < 2 * n; ++i) {
            const double a = qDegreesToRadians(-90.0 + 180.0 * i / n);
            const double k = i % 2 ? inner : 1.0;
            poly << QPointF(cx + w / 2 * k * std::cos(a), cy + h / 2 * k * std::sin(a));
        }
        p.addPolygon(poly);
        p.closeSubpath();
    } else if (g == QLatin1String("rightArrow") || g == QLatin1String("leftArrow")) {
        const double head = ss * 0.5, t = h * 0.25;
        p = polygon({QPointF(x, y + t), QPointF(X - head, y + t), QPointF(X - head, y), QPointF(X, cy), QPointF(X - head, Y),
                     QPointF(X - head, Y - t), QPointF(x, Y - t)});
        if (g == QLatin1String("leftArrow")) {
            QTransform m;
            m.translate(x + X, 0);
            m.scale(-1, 1);
            p = m.map(p);
        }
    } else if (g == QLatin1String("downArrow") || g == QLatin1String("upArrow")) {
        const double head = ss * 0.5, t = w * 0.25;
        p = polygon({QPointF(x + t, y), QPointF(X - t, y), QPointF(X - t, Y - head), QPointF(X, Y - head), QPointF(cx, Y),
                     QPointF(x, Y - head), QPointF(x + t, Y - head)});
        if (g == QLatin1String("upArrow")) {
            QTransform m;
            m.translate(0, y + Y);
            m.scale(1, -1);
            p = m.map(p);
        }
    } else if (g == QLatin1String("leftRightArrow")) {
        const double head = std::min(ss * 0.5, w / 2), t = h * 0.25;
        p = polygon({QPointF(x, cy), QPointF(x + head, y), QPointF(x + head, y + t), QPointF(X - head, y + t), QPointF(X - head, y),
                     QPointF(X, cy), QPointF(X - head, Y), QPointF(X - head, Y - t), QPointF(x + head, Y - t), QPointF(x + head, Y)});
    } else if (g == QLatin1String("plus") || g == QLatin1String("mathPlus")) {
        const double d = ss * 0.25;
        p = polygon({QPointF(x + d, y), QPointF(X - d, y), QPointF(X - d, y + d), QPointF(X, y + d), QPointF(X, Y - d), QPointF(X - d, Y - d),
                     QPointF(X - d, Y), QPointF(x + d, Y), QPointF(x + d, Y - d), QPointF(x, Y - d), QPointF(x, y + d), QPointF(x + d, y + d)});
    } else if (g == QLatin1String("wedgeRectCallout")) {
        QPainterPath b;
        b.addRect(r);
        p = withPointer(b, r);
    } else if (g == QLatin1String("wedgeRoundRectCallout")) {
        QPainterPath b;
        b.addRoundedRect(r, ss * 0.16667, ss * 0.16667);
        p = withPointer(b, r);
    } else if (g == QLatin1String("wedgeEllipseCallout")) {
        QPainterPath b;
        b.addEllipse(r);
        p = withPointer(b, r);
    } else if (g == QLatin1String("flowChartDocument")) {
        const double wave = h * 0.2;
        p.moveTo(x, y);
        p.lineTo(X, y);
        p.lineTo(X, Y - wave);
        p.cubicTo(QPointF(X - w * 0.25, Y - wave * 2.2), QPointF(x + w * 0.5, Y + wave * 0.6), QPointF(x, Y - wave * 0.4));
        p.closeSubpath();
    } else if (g == QLatin1String("flowChartManualInput")) {
        p = polygon({QPointF(x, y + h * 0.2), QPointF(X, y), QPointF(X, Y), QPointF(x, Y)});
    } else if (g == QLatin1String("flowChartPredefinedProcess")) {
        p.addRect(r);
        p.moveTo(x + w / 8, y);
        p.lineTo(x + w / 8, Y);
        p.moveTo(X - w / 8, y);
        p.lineTo(X - w / 8, Y);
    } else if (g == QLatin1String("flowChartMagneticDisk") || g == QLatin1String("can")) {
        const double e = std::min(h * 0.25, ss * 0.5);
        p.moveTo(x, y + e / 2);
        p.arcTo(QRectF(x, y, w, e), 180, -180);
        p.lineTo(X, Y - e / 2);
        p.arcTo(QRectF(x, Y - e, w, e), 0, -180);
        p.closeSubpath();
        p.addEllipse(QRectF(x, y, w, e));
    } else if (g == QLatin1String("flowChartDelay")) {
        p.moveTo(x, y);
        p.lineTo(cx, y);
        p.arcTo(QRectF(X - w, y, w, h), 90, -180);
        p.lineTo(x, Y);
        p.closeSubpath();
    } else if (g == QLatin1String("snip1Rect")) {
        const double d = ss * 0.16667;
        p = polygon({QPointF(x, y), QPointF(X - d, y), QPointF(X, y + d), QPointF(X, Y), QPointF(x, Y)});
    } else if (g == QLatin1String("frame")) {
        const double d = ss * 0.125;
        p.addRect(r);
        p.addRect(r.adjusted(d, d, -d, -d));
    } else if (g == QLatin1String("donut")) {
        const double d = ss * 0.25;
        p.addEllipse(r);
        p.addEllipse(r.adjusted(d, d, -d, -d));
    }
    return p;
}

bool IsPaintedShape(const TShape &s)
{
    return s.Kind == TShapeKind::Drawing || s.Kind == TShapeKind::Group || s.Kind == TShapeKind::Canvas;
}

namespace {

// Fonts need a QGuiApplication; without one (a bare core application) text is left out.
bool canPaintText(TDocument &doc, const QString &where)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return true;
    doc.Warn(QStringLiteral("drawing text"), QStringLiteral("Text inside drawings is not painted: no fonts are available"), where);
    return false;
}

class Painter
{
public:
    Painter(TDocument &doc, const TPictureSource &pictures) : m_doc(doc), m_pictures(pictures) {}
    void Draw(QPainter &p, const TShape &s, const QRectF &r, int depth);

private:
    void drawShape(QPainter &p, const TShape &s, const QRectF &r);
    void drawLine(QPainter &p, const TShape &s, const QRectF &r);
    void drawPicture(QPainter &p, const TShape &s, const QRectF &r);
    void drawBox(QPainter &p, const QRectF &r, const QString &text, const QString &where);
    void drawText(QPainter &p, const TShape &s, const QRectF &r);
    QPen pen(const TShape &s) const;

    TDocument &m_doc;
    const TPictureSource &m_pictures;
};

QPen Painter::pen(const TShape &s) const
{
    QColor c = colorOf(s.LineColor, s.Vml ? QColor(Qt::black) : QColor());
    if (s.NoLine || !c.isValid())
        return QPen(Qt::NoPen);
    const double widthPx = (s.LineWidthPt > 0 ? s.LineWidthPt : 0.75) * 96.0 / 72.0;
    QPen pen(c, widthPx);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void Painter::drawBox(QPainter &p, const QRectF &r, const QString &text, const QString &where)
{
    p.save();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    if (!text.isEmpty() && canPaintText(m_doc, where)) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(13);
        p.setFont(f);
        p.drawText(r.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, text);
    }
    p.restore();
}

void Painter::drawText(QPainter &p, const TShape &s, const QRectF &r)
{
    if (!s.Text || !canPaintText(m_doc, s.Where))
        return;
    QTextDocument td;
    td.setDocumentMargin(0);
    td.setUndoRedoEnabled(false);
    QTextCursor cur(&td);
    const QColor defaultColor = colorOf(s.FontColor, Qt::black);
    bool first = true, any = false;
    for (TParagraph *para : s.Text->Paragraphs()) {
        const QString styleId = para->StyleId();
        TParaProps pp = m_doc.Styles.DocPPr;
        pp.Overlay(m_doc.Styles.ChainPPr(styleId));
        pp.Overlay(*para->Props);
        QTextBlockFormat bf;
        const QString align = pp.Align.value_or(QString());
        bf.setAlignment(align == QLatin1String("center") ? Qt::AlignHCenter
                        : align == QLatin1String("right") || align == QLatin1String("end") ? Qt::AlignRight
                        : align == QLatin1String("both") ? Qt::AlignJustify
                                                         : Qt::AlignLeft);
        if (first)
            cur.setBlockFormat(bf);
        else
            cur.insertBlock(bf);
        first = false;
        int inCode = 0; // field codes are not shown, their results are
        for (const TInline &in : para->Inlines) {
            if (in.Kind == TInlineKind::FieldBegin)
                ++inCode;
            else if (in.Kind == TInlineKind::FieldSeparator && inCode > 0)
                --inCode;
            if (in.Kind != TInlineKind::Text || inCode > 0 || in.Text.isEmpty())
                continue;
            TRunProps rp = m_doc.Styles.DocRPr;
            rp.Overlay(m_doc.Styles.ChainRPr(styleId));
            if (in.Props) {
                if (in.Props->Style)
                    rp.Overlay(m_doc.Styles.ChainRPr(*in.Props->Style));
                rp.Overlay(*in.Props);
            }
            if (rp.Hidden.value_or(false))
                continue;
            QFont font(rp.Font.value_or(QStringLiteral("Calibri")));
            font.setPixelSize(std::max(1, int(std::lround(rp.Size.value_or(20) / 2.0 * 96.0 / 72.0))));
            font.setBold(rp.Bold.value_or(false));
            font.setItalic(rp.Italic.value_or(false));
            font.setUnderline(rp.Underline && *rp.Underline != QLatin1String("none"));
            font.setStrikeOut(rp.Strike.value_or(false));
            QTextCharFormat cf;
            cf.setFont(font);
            const QString color = rp.Color.value_or(QString());
            cf.setForeground(colorOf(color, defaultColor));
            QString t;
            t.reserve(in.Text.size());
            for (QChar c : in.Text) {
                if (c == QChar(chars::LineBreak) || c == QChar(chars::PageBreak))
                    t += QChar(QChar::LineSeparator);
                else if (c == QChar(chars::Tab))
                    t += QLatin1Char(' ');
                else if (c.unicode() >= 0x20)
                    t += c;
            }
            if (rp.Caps.value_or(false))
                t = t.toUpper();
            cur.insertText(t, cf);
            any = true;
        }
    }
    if (!any)
        return;
    const QRectF inner = r.adjusted(s.InsetL / kEmuPerPixel, s.InsetT / kEmuPerPixel, -s.InsetR / kEmuPerPixel, -s.InsetB / kEmuPerPixel);
    if (inner.width() < 1 || inner.height() < 1)
        return;
    // Lines break between words only: a word a little wider than its shape (other font
    // metrics than the author's) stays whole.
    QTextOption option = td.defaultTextOption();
    option.setWrapMode(QTextOption::WordWrap);
    td.setDefaultTextOption(option);
    td.setTextWidth(inner.width());
    const double h = td.size().height();
    double top = inner.top();
    if (s.TextAnchor == QLatin1String("ctr"))
        top = inner.top() + (inner.height() - h) / 2;
    else if (s.TextAnchor == QLatin1String("b"))
        top = inner.bottom() - h;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.translate(inner.left(), top);
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.palette.setColor(QPalette::Text, defaultColor);
    td.documentLayout()->draw(&p, ctx);
    p.restore();
}

void Painter::drawLine(QPainter &p, const TShape &s, const QRectF &r)
{
    QPointF a(s.FlipH ? r.right() : r.left(), s.FlipV ? r.bottom() : r.top());
    QPointF b(s.FlipH ? r.left() : r.right(), s.FlipV ? r.top() : r.bottom());
    QPen pn = pen(s);
    if (pn.style() == Qt::NoPen)
        pn = QPen(colorOf(s.LineColor, Qt::black), (s.LineWidthPt > 0 ? s.LineWidthPt : 0.75) * 96.0 / 72.0);
    p.save();
    p.setPen(pn);
    p.setBrush(Qt::NoBrush);
    QPainterPath path(a);
    QPointF beforeB = a, afterA = b; // the neighbours of the ends, for the arrow directions
    if (s.Geometry.startsWith(QLatin1String("bentConnector"))) {
        const double mx = (a.x() + b.x()) / 2;
        path.lineTo(mx, a.y());
        path.lineTo(mx, b.y());
        path.lineTo(b);
        afterA = QPointF(mx, a.y());
        beforeB = QPointF(mx, b.y());
    } else if (s.Geometry.startsWith(QLatin1String("curvedConnector"))) {
        const double mx = (a.x() + b.x()) / 2;
        path.cubicTo(QPointF(mx, a.y()), QPointF(mx, b.y()), b);
        afterA = QPointF(mx, a.y());
        beforeB = QPointF(mx, b.y());
    } else {
        path.lineTo(b);
    }
    p.drawPath(path);
    auto head = [&](QPointF tip, QPointF from) {
        const QLineF l(from, tip);
        if (l.length() <= 0)
            return;
        const double size = std::max(3.0 * pn.widthF(), 6.0);
        const QPointF u = (tip - from) / l.length(), n(-u.y(), u.x());
        QPolygonF tri;
        tri << tip << tip - u * size + n * size / 2 << tip - u * size - n * size / 2;
        p.setBrush(pn.color());
        p.drawPolygon(tri);
    };
    if (!s.TailEnd.isEmpty())
        head(b, beforeB);
    if (!s.HeadEnd.isEmpty())
        head(a, afterA);
    p.restore();
}

void Painter::drawPicture(QPainter &p, const TShape &s, const QRectF &r)
{
    QByteArray data = m_pictures(s);
    if (data.isEmpty()) {
        m_doc.Warn(QStringLiteral("drawing picture missing"), QStringLiteral("A picture inside a drawing cannot be shown and is drawn as a box"), s.Where);
        drawBox(p, r, s.Description, s.Where);
        return;
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize natural = reader.size();
    if (natural.isValid() && qint64(natural.width()) * natural.height() > 4 * kMaxPicturePixels) {
        m_doc.Warn(QStringLiteral("drawing picture large"), QStringLiteral("A picture inside a drawing is too large and is drawn as a box"), s.Where);
        drawBox(p, r, s.Description, s.Where);
        return;
    }
    QImage img = reader.read();
    if (img.isNull()) {
        m_doc.Warn(QStringLiteral("drawing picture damaged"), QStringLiteral("A picture inside a drawing cannot be read and is drawn as a box"), s.Where);
        drawBox(p, r, s.Description, s.Where);
        return;
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(r, img);
    p.restore();
}

void Painter::drawShape(QPainter &p, const TShape &s, const QRectF &r)
{
    if (isLine(s.Geometry)) {
        drawLine(p, s, r);
        return;
    }
    QPainterPath path;
    bool supported = true;
    if (s.Geometry == QLatin1String("custom")) {
        for (const TShape::TPath &sub : s.CustomPaths) {
            const double sx = sub.W > 0 ? r.width() / sub.W : 1.0 / kEmuPerPixel;
            const double sy = sub.H > 0 ? r.height() / sub.H : 1.0 / kEmuPerPixel;
            auto pt = [&](const std::pair<double, double> &q) { return QPointF(r.left() + q.first * sx, r.top() + q.second * sy); };
            for (const TShape::TPathCommand &c : sub.Commands) {
                if (c.Op == 'M' && !c.Points.empty())
                    path.moveTo(pt(c.Points[0]));
                else if (c.Op == 'L' && !c.Points.empty())
                    path.lineTo(pt(c.Points[0]));
                else if (c.Op == 'C' && c.Points.size() >= 3)
                    path.cubicTo(pt(c.Points[0]), pt(c.Points[1]), pt(c.Points[2]));
                else if (c.Op == 'Q' && c.Points.size() >= 2)
                    path.quadTo(pt(c.Points[0]), pt(c.Points[1]));
                else if (c.Op == 'Z')
                    path.closeSubpath();
                else
                    supported = false;
            }
        }
        if (path.isEmpty())
            supported = false;
    } else {
        path = PresetPath(s.Geometry, r);
        supported = !path.isEmpty();
    }
    if (!supported) {
        m_doc.Warn(QStringLiteral("geometry ") + s.Geometry,
                   QStringLiteral("A drawing shape of the form \"%1\" is drawn as its outline box").arg(s.Geometry), s.Where);
        path = QPainterPath();
        path.addRect(r);
    }
    p.save();
    QColor fill = colorOf(s.FillColor, s.Vml ? QColor(Qt::white) : QColor());
    p.setBrush(s.NoFill || !fill.isValid() ? QBrush(Qt::NoBrush) : QBrush(fill));
    QPen pn = pen(s);
    if (!supported && pn.style() == Qt::NoPen)
        pn = QPen(Qt::black, 1);
    p.setPen(pn);
    p.drawPath(path);
    p.restore();
    drawText(p, s, r);
}

void Painter::Draw(QPainter &p, const TShape &s, const QRectF &r, int depth)
{
    if (s.Deleted || depth > 16)
        return;
    p.save();
    if (s.RotationDeg != 0) {
        p.translate(r.center());
        p.rotate(s.RotationDeg);
        p.translate(-r.center());
    }
    switch (s.Kind) {
    case TShapeKind::Group:
    case TShapeKind::Canvas: {
        if (s.Kind == TShapeKind::Canvas && (!s.FillColor.isEmpty() || !s.LineColor.isEmpty())) {
            p.setBrush(s.FillColor.isEmpty() ? QBrush(Qt::NoBrush) : QBrush(colorOf(s.FillColor)));
            p.setPen(pen(s));
            p.drawRect(r);
        }
        // Members of a group sit in its child space; members of a canvas in EMU from its corner.
        double sx = 1 / kEmuPerPixel, sy = 1 / kEmuPerPixel, ox = 0, oy = 0;
        if (s.Kind == TShapeKind::Group && s.ChildExtX > 0 && s.ChildExtY > 0) {
            sx = r.width() / double(s.ChildExtX);
            sy = r.height() / double(s.ChildExtY);
            ox = double(s.ChildOffX);
            oy = double(s.ChildOffY);
        }
        for (const auto &c : s.Children) {
            const QRectF cr(r.left() + (double(c->LeftEmu) - ox) * sx, r.top() + (double(c->TopEmu) - oy) * sy, double(c->WidthEmu) * sx,
                            double(c->HeightEmu) * sy);
            Draw(p, *c, cr, depth + 1);
        }
        break;
    }
    case TShapeKind::Picture:
        drawPicture(p, s, r);
        break;
    case TShapeKind::Drawing:
    case TShapeKind::TextBox:
        drawShape(p, s, r);
        break;
    default: {
        const bool havePicture = !s.MediaPart.isEmpty() && !m_pictures(s).isEmpty();
        if (havePicture) {
            drawPicture(p, s, r);
        } else {
            m_doc.Warn(QStringLiteral("drawing member"), QStringLiteral("A chart, diagram or object inside a drawing is drawn as a box"), s.Where);
            drawBox(p, r, s.FallbackText, s.Where);
        }
        break;
    }
    }
    p.restore();
}

} // namespace

QImage RenderShape(TDocument &doc, const TShape &s, const TPictureSource &pictures)
{
    const bool line = s.Kind == TShapeKind::Drawing && isLine(s.Geometry);
    const double wf = double(s.WidthEmu) / kEmuPerPixel, hf = double(s.HeightEmu) / kEmuPerPixel;
    if (!std::isfinite(wf) || !std::isfinite(hf) || wf > kMaxPictureSide || hf > kMaxPictureSide ||
        wf * hf > double(kMaxPicturePixels)) {
        doc.Warn(QStringLiteral("drawing size"), QStringLiteral("A drawing too large to paint (%1 x %2 pixels) is left out").arg(qint64(wf)).arg(qint64(hf)),
                 s.Where);
        return QImage();
    }
    int w = int(std::lround(wf)), h = int(std::lround(hf));
    if (line) {
        // A straight line may have no height or width; its picture is as thick as the line.
        const double widthPx = (s.LineWidthPt > 0 ? s.LineWidthPt : 0.75) * 96.0 / 72.0;
        int thick = std::max(1, int(std::ceil(widthPx)));
        if (!s.HeadEnd.isEmpty() || !s.TailEnd.isEmpty()) // room for the arrowheads
            thick = std::max(thick, int(std::ceil(std::max(3.0 * widthPx, 6.0))) + 1);
        w = std::max(w, thick);
        h = std::max(h, thick);
    }
    if (w <= 0 || h <= 0) {
        doc.Warn(QStringLiteral("drawing empty"), QStringLiteral("A drawing without size is left out"), s.Where);
        return QImage();
    }
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull()) {
        doc.Warn(QStringLiteral("drawing size"), QStringLiteral("A drawing could not be painted for want of memory and is left out"), s.Where);
        return QImage();
    }
    // 96 dpi, so the picture's pixels are the page's pixels.
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        Painter painter(doc, pictures);
        QRectF r(0, 0, line ? std::max(wf, 0.0) : w, line ? std::max(hf, 0.0) : h);
        if (line) // centre a flat line in its picture
            r.translate(wf < 1 ? w / 2.0 : 0, hf < 1 ? h / 2.0 : 0);
        painter.Draw(p, s, r, 0);
    }
    return img;
}

} // namespace tavrel::engine
