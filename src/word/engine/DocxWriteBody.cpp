// The body of a story as WordprocessingML: paragraphs, runs, field marks, bookmarks, notes,
// pictures and tables.
#include "word/engine/DocxWriteParts.h"
#include "word/engine/ShapeRender.h"
#include "word/engine/SvgPicture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QColor>
#include <QImage>

namespace tavrel::engine::docxw {

namespace {

struct TKnownType
{
    const char *Ext, *ContentType;
    const char *Format; // the name QImage knows it by, to check it; empty: not checked
};

const TKnownType kPictureTypes[] = {
    {"png", "image/png", "PNG"},   {"jpeg", "image/jpeg", "JPEG"}, {"gif", "image/gif", "GIF"},
    {"bmp", "image/bmp", "BMP"},   {"tiff", "image/tiff", "TIFF"}, {"svg", "image/svg+xml", ""},
    {"emf", "image/x-emf", ""},    {"wmf", "image/x-wmf", ""},
};

// The kind of picture the bytes hold, by their signature: the model's names say nothing sure.
const TKnownType *pictureType(const QByteArray &d)
{
    auto starts = [&](const char *sig, int n) { return d.size() >= n && std::memcmp(d.constData(), sig, size_t(n)) == 0; };
    if (starts("\x89PNG\r\n\x1a\n", 8))
        return &kPictureTypes[0];
    if (starts("\xff\xd8\xff", 3))
        return &kPictureTypes[1];
    if (starts("GIF87a", 6) || starts("GIF89a", 6))
        return &kPictureTypes[2];
    if (starts("BM", 2))
        return &kPictureTypes[3];
    if (starts("II*\0", 4) || starts("MM\0*", 4))
        return &kPictureTypes[4];
    if (starts("\x01\0\0\0", 4) && d.size() > 44 && d.mid(40, 4) == " EMF")
        return &kPictureTypes[6];
    if (starts("\xd7\xcd\xc6\x9a", 4))
        return &kPictureTypes[7];
    const QByteArray head = d.left(1024).trimmed();
    if ((head.startsWith("<?xml") || head.startsWith("<svg") || head.startsWith("<!--")) && head.contains("<svg"))
        return &kPictureTypes[5];
    return nullptr;
}

QByteArray textRuns(const QString &t, const QByteArray &rpr, bool code)
{
    QByteArray x;
    QString piece;
    auto flush = [&] {
        if (piece.isEmpty())
            return;
        if (code)
            x += "<w:instrText xml:space=\"preserve\">" + Esc(piece) + "</w:instrText>";
        else
            x += "<w:t xml:space=\"preserve\">" + Esc(piece) + "</w:t>";
        piece.clear();
    };
    for (QChar c : t) {
        const char *special = nullptr;
        switch (c.unicode()) {
        case chars::Tab: special = "<w:tab/>"; break;
        case chars::LineBreak: special = "<w:br/>"; break;
        case chars::PageBreak: special = "<w:br w:type=\"page\"/>"; break;
        case chars::ColumnBreak: special = "<w:br w:type=\"column\"/>"; break;
        case chars::SoftHyphen: special = "<w:softHyphen/>"; break;
        case chars::NoBreakHyphen: special = "<w:noBreakHyphen/>"; break;
        default: piece += c; continue;
        }
        if (code) {
            piece += QLatin1Char(' ');
            continue;
        }
        flush();
        x += special;
    }
    flush();
    if (x.isEmpty())
        return x;
    return "<w:r>" + rpr + x + "</w:r>";
}

class TParagraphWriter
{
public:
    TParagraphWriter(TWriter &w, TPartRels &rels, QByteArray &out) : m_w(w), m_rels(rels), m_out(out) {}

    void paragraph(const TParagraph &p)
    {
        m_out += "<w:p>";
        QByteArray ppr = ParaProps(*p.Props, p.MarkProps.get());
        if (p.Section)
            ppr += SectionProps(*p.Section, m_w, m_rels);
        if (!ppr.isEmpty())
            m_out += "<w:pPr>" + ppr + "</w:pPr>";
        for (const TInline &in : p.Inlines)
            inlineXml(in, p);
        m_out += "</w:p>";
    }

private:
    TWriter &m_w;
    TPartRels &m_rels;
    QByteArray &m_out;
    std::vector<bool> m_inCode; // per open field: its code is being written

    void fieldChar(const char *type, const TInline &in)
    {
        m_out += "<w:r>" + (in.Props ? RunProps(*in.Props) : QByteArray()) + "<w:fldChar w:fldCharType=\"" + type + '"';
        if (in.Field && in.Field->Locked && std::strcmp(type, "begin") == 0)
            m_out += " w:fldLock=\"1\"";
        m_out += "/></w:r>";
    }

    void inlineXml(const TInline &in, const TParagraph &p)
    {
        switch (in.Kind) {
        case TInlineKind::Text:
            m_out += textRuns(in.Text, in.Props ? RunProps(*in.Props) : QByteArray(), !m_inCode.empty() && m_inCode.back());
            break;
        case TInlineKind::FieldBegin:
            fieldChar("begin", in);
            m_inCode.push_back(true);
            break;
        case TInlineKind::FieldSeparator:
            fieldChar("separate", in);
            if (!m_inCode.empty())
                m_inCode.back() = false;
            break;
        case TInlineKind::FieldEnd:
            fieldChar("end", in);
            if (!m_inCode.empty())
                m_inCode.pop_back();
            break;
        case TInlineKind::BookmarkStart: bookmarkStart(in); break;
        case TInlineKind::BookmarkEnd: bookmarkEnd(in); break;
        case TInlineKind::NoteReference: note(in); break;
        case TInlineKind::Shape:
            if (in.Shape && !in.Shape->Deleted)
                shape(*in.Shape, in, p);
            break;
        default: break; // comments are not written
        }
    }

    void bookmarkStart(const TInline &in)
    {
        if (!m_w.PairedBookmarks.count(in.Id))
            return;
        const QString folded = in.Text.toLower();
        if (in.Text.isEmpty() || m_w.BookmarkNames.count(folded) || m_w.BookmarkIds.count(in.Id)) {
            // A second mark of a name (pasted twice, say) would make the package invalid.
            m_w.SkippedBookmarks.insert(in.Id);
            return;
        }
        m_w.BookmarkNames.insert(folded);
        const int id = m_w.NextBookmarkId++;
        m_w.BookmarkIds[in.Id] = id;
        m_out += "<w:bookmarkStart" + Attr("w:id", id) + Attr("w:name", in.Text.left(40)) + "/>";
    }

    void bookmarkEnd(const TInline &in)
    {
        auto it = m_w.BookmarkIds.find(in.Id);
        if (it == m_w.BookmarkIds.end() || it->second < 0)
            return;
        m_out += "<w:bookmarkEnd" + Attr("w:id", it->second) + "/>";
        it->second = -1; // ended
    }

    void note(const TInline &in)
    {
        QByteArray rpr;
        if (in.Props)
            rpr = RunProps(*in.Props);
        else
            rpr = "<w:rPr><w:vertAlign w:val=\"superscript\"/></w:rPr>";
        if (in.NoteOwnMark) {
            m_out += "<w:r>" + rpr + (in.Endnote ? "<w:endnoteRef/>" : "<w:footnoteRef/>") + "</w:r>";
            return;
        }
        const auto &notes = in.Endnote ? m_w.Doc.Endnotes : m_w.Doc.Footnotes;
        if (!notes.count(in.Id))
            return;
        m_out += "<w:r>" + rpr + (in.Endnote ? "<w:endnoteReference" : "<w:footnoteReference") + Attr("w:id", in.Id) + "/></w:r>";
    }

    void shape(const TShape &s, const TInline &in, const TParagraph &p)
    {
        QString rid, svgRid;
        bool linked = false, painted = false;
        if (!s.MediaPart.isEmpty()) {
            const QString part = m_w.MediaPart(s.MediaPart, s.Where.isEmpty() ? p.Where : s.Where);
            if (part.isEmpty())
                return;
            rid = m_rels.Add(QStringLiteral("image"), part.mid(5));
            if (part.endsWith(QLatin1String(".svg"))) {
                // Programs before SVG support show the PNG; the SVG rides in an extension.
                svgRid = rid;
                rid = m_rels.Add(QStringLiteral("image"), m_w.SvgFallback(part, s.WidthEmu, s.HeightEmu, s.Where.isEmpty() ? p.Where : s.Where).mid(5));
            }
        } else if (!s.LinkTarget.isEmpty()) {
            rid = m_rels.Add(QStringLiteral("image"), s.LinkTarget, true);
            linked = true;
        } else if (IsPaintedShape(s)) {
            painted = true;
            // Drawings go as the picture they paint, keeping their look and their link.
            const QString part = m_w.PaintedShape(s, s.Where.isEmpty() ? p.Where : s.Where);
            if (part.isEmpty())
                return;
            rid = m_rels.Add(QStringLiteral("image"), part.mid(5));
        } else {
            if (!s.FallbackText.isEmpty())
                m_out += textRuns(s.FallbackText, QByteArray(), false);
            else
                m_w.Doc.Warn(QStringLiteral("shape left out"), QStringLiteral("A drawing without a picture is not written"),
                             s.Where.isEmpty() ? p.Where : s.Where);
            return;
        }
        const qint64 cx = s.WidthEmu > 0 ? s.WidthEmu : 914400, cy = s.HeightEmu > 0 ? s.HeightEmu : 914400;
        const int id = m_w.NextDrawingId++;
        const QByteArray ext = "<wp:extent" + Attr("cx", QString::number(cx)) + Attr("cy", QString::number(cy)) + "/>";
        const QString name = s.Name.isEmpty() ? QStringLiteral("Picture %1").arg(id) : s.Name;
        QByteArray docPr = "<wp:docPr" + Attr("id", id) + Attr("name", name);
        if (!s.Description.isEmpty())
            docPr += Attr("descr", s.Description);
        if (!s.Title.isEmpty())
            docPr += Attr("title", s.Title);
        if (!s.Hyperlink.Empty()) {
            // A link to a bookmark is written as a link to "#name", as Word does.
            const QString target = s.Hyperlink.Address + (s.Hyperlink.SubAddress.isEmpty() ? QString() : QLatin1Char('#') + s.Hyperlink.SubAddress);
            docPr += "><a:hlinkClick xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"" +
                     Attr("r:id", m_rels.Add(QStringLiteral("hyperlink"), target, true));
            if (!s.Hyperlink.ScreenTip.isEmpty())
                docPr += Attr("tooltip", s.Hyperlink.ScreenTip);
            docPr += "/></wp:docPr>";
        } else {
            docPr += "/>";
        }
        const QByteArray blipAttr = linked ? Attr("r:link", rid) : Attr("r:embed", rid);
        const QByteArray svgExt = svgRid.isEmpty() ? QByteArray()
                                                   : "<a:extLst><a:ext uri=\"{96DAC541-7B7A-43D3-8B79-37D633B846F1}\">"
                                                     "<asvg:svgBlip xmlns:asvg=\"http://schemas.microsoft.com/office/drawing/2016/SVG/main\"" +
                                                         Attr("r:embed", svgRid) + "/></a:ext></a:extLst>";
        QByteArray pic = "<a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
                         "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
                         "<pic:pic xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
                         "<pic:nvPicPr><pic:cNvPr" + Attr("id", id) + Attr("name", name) + "/><pic:cNvPicPr/></pic:nvPicPr>"
                         "<pic:blipFill><a:blip" + blipAttr + (svgExt.isEmpty() ? QByteArray("/>") : ">" + svgExt + "</a:blip>") + "<a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
                         "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext" + Attr("cx", QString::number(cx)) +
                         Attr("cy", QString::number(cy)) + "/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
                         "</pic:pic></a:graphicData></a:graphic>";
        QByteArray drawing;
        // A painted drawing stands in the line, where the web pages show it too.
        if (!s.Floating || painted) {
            drawing = "<wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">" + ext + docPr + pic + "</wp:inline>";
        } else {
            drawing = "<wp:anchor distT=\"0\" distB=\"0\" distL=\"114300\" distR=\"114300\" simplePos=\"0\" relativeHeight=\"" +
                      QByteArray::number(id) + "\" behindDoc=\"" + (s.BehindText ? "1" : "0") +
                      "\" locked=\"0\" layoutInCell=\"1\" allowOverlap=\"1\"><wp:simplePos x=\"0\" y=\"0\"/>"
                      "<wp:positionH" + Attr("relativeFrom", s.HorizontalRelative.isEmpty() ? QStringLiteral("column") : s.HorizontalRelative) +
                      "><wp:posOffset>" + QByteArray::number(s.LeftEmu) + "</wp:posOffset></wp:positionH>"
                      "<wp:positionV" + Attr("relativeFrom", s.VerticalRelative.isEmpty() ? QStringLiteral("paragraph") : s.VerticalRelative) +
                      "><wp:posOffset>" + QByteArray::number(s.TopEmu) + "</wp:posOffset></wp:positionV>" + ext +
                      "<wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:wrapSquare wrapText=\"bothSides\"/>" + docPr + pic + "</wp:anchor>";
        }
        m_out += "<w:r>" + (in.Props ? RunProps(*in.Props) : QByteArray()) + "<w:drawing>" + drawing + "</w:drawing></w:r>";
    }
};

void writeTable(TWriter &w, TPartRels &rels, const TTable &t, QByteArray &out)
{
    out += "<w:tbl>" + TableProps(t.Props) + "<w:tblGrid>";
    size_t columns = 0;
    for (const TRow &r : t.Rows) {
        size_t n = size_t(r.Props.GridBefore + r.Props.GridAfter);
        for (const TCell &c : r.Cells)
            n += size_t(std::max(1, c.Props.GridSpan));
        columns = std::max(columns, n);
    }
    for (size_t i = 0; i < std::max(columns, t.Grid.size()); ++i)
        out += "<w:gridCol" + Attr("w:w", i < t.Grid.size() ? t.Grid[i] : 1440) + "/>";
    out += "</w:tblGrid>";
    for (const TRow &r : t.Rows) {
        out += "<w:tr>" + RowProps(r.Props);
        for (const TCell &c : r.Cells) {
            out += "<w:tc>" + CellProps(c.Props);
            WriteBlocks(w, rels, c.Blocks, out);
            // A cell must end in a paragraph.
            if (c.Blocks.empty() || !c.Blocks.back().Paragraph)
                out += "<w:p/>";
            out += "</w:tc>";
        }
        if (r.Cells.empty())
            out += "<w:tc><w:p/></w:tc>";
        out += "</w:tr>";
    }
    if (t.Rows.empty())
        out += "<w:tr><w:tc><w:p/></w:tc></w:tr>";
    out += "</w:tbl>";
}

} // namespace

QString TWriter::MediaPart(const QString &modelPart, const QString &where)
{
    auto known = MediaNames.find(modelPart);
    if (known != MediaNames.end())
        return known->second;
    QString &name = MediaNames[modelPart];
    auto it = Doc.Media.find(modelPart);
    if (it == Doc.Media.end() || it->second.Data.isEmpty()) {
        Doc.Warn(QStringLiteral("picture nowhere"), QStringLiteral("A picture whose data is missing is left out"), where);
        return name;
    }
    const TKnownType *type = pictureType(it->second.Data);
    if (type && *type->Format) {
        QImage probe;
        if (!probe.loadFromData(it->second.Data, type->Format))
            type = nullptr; // the signature lied: the picture is damaged
    }
    if (!type) {
        Doc.Warn(QStringLiteral("picture not encoded"),
                 QStringLiteral("A picture that is damaged or in a format Word cannot show is left out"), where);
        return name;
    }
    name = QStringLiteral("word/media/image%1.%2").arg(Media.size() + 1).arg(QLatin1String(type->Ext));
    Media.push_back({name, QLatin1String(type->ContentType), it->second.Data});
    return name;
}

QString TWriter::PaintedShape(const TShape &shape, const QString &where)
{
    const QImage img = RenderShape(Doc, shape, [this](const TShape &picture) {
        auto it = Doc.Media.find(picture.MediaPart);
        return it == Doc.Media.end() ? QByteArray() : it->second.Data;
    });
    if (img.isNull())
        return QString(); // the reason is on the warning list
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    if (!img.save(&buf, "PNG")) {
        Doc.Warn(QStringLiteral("picture not encoded"), QStringLiteral("A drawing cannot be written as a picture and is left out"), where);
        return QString();
    }
    const QString name = QStringLiteral("word/media/image%1.png").arg(Media.size() + 1);
    Media.push_back({name, QStringLiteral("image/png"), png});
    return name;
}

QString TWriter::SvgFallback(const QString &svgPart, qint64 cx, qint64 cy, const QString &where)
{
    const QString name = svgPart.left(svgPart.size() - 3) + QStringLiteral("png");
    for (const TPackagePart &m : Media)
        if (m.Name == name)
            return name;
    // 96 pixels to the inch; 914400 EMU to the inch.
    const QSize shown(int(std::clamp<qint64>(cx > 0 ? cx / 9525 : 96, 1, 2000)), int(std::clamp<qint64>(cy > 0 ? cy / 9525 : 96, 1, 2000)));
    QByteArray svg;
    for (const TPackagePart &m : Media)
        if (m.Name == svgPart)
            svg = m.Data;
    QString why;
    QImage img = RenderSvg(svg, shown, &why);
    if (img.isNull()) {
        // Programs without SVG still get something of the right size where the picture stands.
        img = QImage(shown, QImage::Format_ARGB32);
        img.fill(QColor(0xEE, 0xEE, 0xEE));
        Doc.Warn(QStringLiteral("svg placeholder"),
                 why + QStringLiteral("; programs that cannot draw SVG show a plain box"), where);
    }
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    Media.push_back({name, QStringLiteral("image/png"), png});
    return name;
}

void WriteBlocks(TWriter &w, TPartRels &rels, const std::vector<TBlock> &blocks, QByteArray &out)
{
    TParagraphWriter pw(w, rels, out);
    for (const TBlock &b : blocks) {
        if (b.Paragraph)
            pw.paragraph(*b.Paragraph);
        else if (b.Table)
            writeTable(w, rels, *b.Table, out);
    }
}

} // namespace tavrel::engine::docxw
