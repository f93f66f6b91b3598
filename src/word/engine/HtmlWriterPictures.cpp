#include "word/engine/HtmlWriterParts.h"

namespace tavrel::engine::html {

// --- pictures --------------------------------------------------------------------------------

QString sniffExtension(const QByteArray &d)
{
    if (d.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (d.startsWith("\xFF\xD8"))
        return QStringLiteral("jpg");
    if (d.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (d.startsWith("BM"))
        return QStringLiteral("bmp");
    if (d.startsWith("II*") || d.startsWith("MM\0*"))
        return QStringLiteral("tif");
    if (d.size() > 44 && d.mid(40, 4) == " EMF")
        return QStringLiteral("emf");
    if (d.startsWith(QByteArray("\xD7\xCD\xC6\x9A", 4)) || d.startsWith(QByteArray("\x01\x00\x09\x00", 4)))
        return QStringLiteral("wmf");
    if (d.left(512).contains("<svg"))
        return QStringLiteral("svg");
    return QString();
}

TOutsideFile Writer::readLinkedPicture(const QString &target, const QString &where, QString &address)
{
    const TLinkTarget link = ClassifyLinkTarget(target, m_doc.LinkBase);
    address = link.Kind == TLinkTarget::TKind::Script ? QString() : link.Address;
    TOutsideFile file;
    if (link.Kind == TLinkTarget::TKind::Remote) {
        // Nothing is fetched while building: the page refers to the picture where it is.
        m_doc.Warn(QStringLiteral("remote picture ") + target,
                   QStringLiteral("The picture \"%1\" is on the network; the pages refer to it there").arg(target), where);
        file.Error = QStringLiteral("is on the network");
        return file;
    }
    if (link.Kind != TLinkTarget::TKind::LocalFile) {
        file.Error = QStringLiteral("is not a file");
        return file;
    }
    const TCarryRoots fallback(QStringList{m_doc.LinkBase});
    file = ReadOutsideFile(link.Path, kMaxOutsideFile, m_doc.CarryRoots ? &*m_doc.CarryRoots : &fallback);
    if (file.Missing) {
        // Nothing is carried: the page names the picture where the document said it is.
        m_doc.Warn(QStringLiteral("linked picture missing"),
                   QStringLiteral("The linked picture \"%1\" was not found and is referenced where it was").arg(target), where);
    } else if (!file.Ok()) {
        address.clear();
        m_doc.Warn(QStringLiteral("linked picture refused ") + link.Path,
                   QStringLiteral("The linked picture \"%1\" %2; it is left out").arg(link.Path, file.Error), where);
    }
    return file;
}

QString Writer::pictureFile(TShape &s, const QString &where)
{
    QString key;
    QByteArray data;
    if (!s.MediaPart.isEmpty()) {
        key = s.MediaPart;
        auto m = m_doc.Media.find(s.MediaPart);
        if (m == m_doc.Media.end())
            return QString();
        auto known = m_pictureFiles.find(key);
        if (known != m_pictureFiles.end())
            return known->second;
        data = m->second.Data;
    } else if (!s.LinkTarget.isEmpty()) {
        key = QStringLiteral("link:") + s.LinkTarget;
        auto known = m_pictureFiles.find(key);
        if (known != m_pictureFiles.end())
            return known->second;
        // A remote picture stays a reference; a local one is read only from where the build
        // may carry files, and one it may not read is left out.
        QString address;
        TOutsideFile file = readLinkedPicture(s.LinkTarget, where, address);
        if (!file.Ok()) {
            m_pictureFiles[key] = address;
            return address;
        }
        data = std::move(file.Data);
    } else {
        return QString();
    }
    QString ext = sniffExtension(data);
    if (ext == QLatin1String("bmp") || ext == QLatin1String("tif")) {
        QImage img;
        if (img.loadFromData(data)) {
            QByteArray png;
            QBuffer b(&png);
            b.open(QIODevice::WriteOnly);
            img.save(&b, "PNG");
            data = png;
            ext = QStringLiteral("png");
        }
    }
    if (ext == QLatin1String("emf") || ext == QLatin1String("wmf")) {
        auto png = m_converted.find(key);
        if (png == m_converted.end()) {
            m_doc.Warn(QStringLiteral("metafile"),
                       QStringLiteral("A picture in the EMF/WMF format is left out: browsers cannot show it and it could not be converted "
                                      "(that needs LibreOffice Draw)"),
                       where);
            m_pictureFiles[key] = QString();
            return QString();
        }
        data = png->second;
        ext = QStringLiteral("png");
    }
    if (ext.isEmpty()) {
        m_doc.Warn(QStringLiteral("unknown picture"), QStringLiteral("A picture of an unknown format is left out"), where);
        m_pictureFiles[key] = QString();
        return QString();
    }
    QString name = QStringLiteral("image%1.%2").arg(m_pictures.size() + 1, 3, 10, QChar('0')).arg(ext);
    m_pictures.push_back({name, data});
    QString rel = m_folder + '/' + name;
    m_pictureFiles[key] = rel;
    return rel;
}

QString Writer::imgHtml(const TShape &s, const QString &src, int w, int h, const QString &where)
{
    // The alternative text goes out exactly as set: the conversion reads its markers back.
    QString alt = s.Description.isEmpty() ? s.Title : s.Description;
    QString html = QStringLiteral("<img");
    if (w > 0 && h > 0)
        html += QStringLiteral(" width=%1 height=%2").arg(w).arg(h);
    html += QStringLiteral(" src=\"") + EscapeHtml(src, true) + '"';
    if (s.Floating) {
        QString align = s.HorizontalAlign == QLatin1String("right") ? QStringLiteral("right") : QStringLiteral("left");
        if (!(s.Wrap == QLatin1String("TopAndBottom") || s.Wrap == QLatin1String("None") || s.Wrap.isEmpty()))
            html += QStringLiteral(" align=") + align + QStringLiteral(" hspace=12");
        m_doc.Warn(QStringLiteral("floating position"), QStringLiteral("A floating picture is placed approximately"), where);
    }
    html += QStringLiteral(" alt=\"") + EscapeHtml(alt, true) + QStringLiteral("\">");
    if (!s.Hyperlink.Empty()) {
        QString href = s.Hyperlink.Address.isEmpty() ? QString() : LinkAddress(s.Hyperlink.Address, m_doc.LinkBase);
        if (!s.Hyperlink.SubAddress.isEmpty())
            href += '#' + s.Hyperlink.SubAddress;
        QString a = QStringLiteral("<a href=\"") + EscapeHtml(href, true) + '"';
        if (!s.Hyperlink.Target.isEmpty())
            a += QStringLiteral(" target=\"") + EscapeHtml(s.Hyperlink.Target, true) + '"';
        if (!s.Hyperlink.ScreenTip.isEmpty())
            a += QStringLiteral(" title=\"") + EscapeHtml(s.Hyperlink.ScreenTip, true) + '"';
        html = a + '>' + html + QStringLiteral("</a>");
    }
    return html;
}

QByteArray Writer::browserPicture(const TShape &picture)
{
    const QString &mediaPart = picture.MediaPart;
    if (mediaPart.isEmpty() && !picture.LinkTarget.isEmpty()) {
        // A linked picture inside a drawing is painted from its file.
        QString address;
        return readLinkedPicture(picture.LinkTarget, QString(), address).Data;
    }
    auto converted = m_converted.find(mediaPart);
    if (converted != m_converted.end())
        return converted->second;
    auto m = m_doc.Media.find(mediaPart);
    if (m == m_doc.Media.end())
        return QByteArray();
    const QString ext = sniffExtension(m->second.Data);
    if (ext == QLatin1String("emf") || ext == QLatin1String("wmf"))
        return QByteArray();
    return m->second.Data;
}

QString Writer::paintedHtml(TShape &s, const QString &where)
{
    QImage img = RenderShape(m_doc, s, [this](const TShape &picture) { return browserPicture(picture); });
    if (img.isNull())
        return QString();
    QByteArray png;
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    QString name = QStringLiteral("image%1.png").arg(m_pictures.size() + 1, 3, 10, QChar('0'));
    m_pictures.push_back({name, png});
    return imgHtml(s, m_folder + '/' + name, img.width(), img.height(), where);
}

QString Writer::shapeHtml(TShape &s, const QString &where)
{
    const bool hasPicture = !s.MediaPart.isEmpty() || !s.LinkTarget.isEmpty();
    if (s.Kind == TShapeKind::Picture ||
        (hasPicture && (s.Kind == TShapeKind::OleObject || s.Kind == TShapeKind::Control || s.Kind == TShapeKind::Chart ||
                        s.Kind == TShapeKind::Diagram))) {
        QString src = pictureFile(s, where);
        if (src.isEmpty()) {
            // The picture is left out; what it says stays readable.
            const QString alt = s.Description.isEmpty() ? s.Title : s.Description;
            return alt.isEmpty() || s.Floating ? QString() : EscapeHtml(alt);
        }
        int w = pxEmu(s.WidthEmu), h = pxEmu(s.HeightEmu);
        if (w <= 0 || h <= 0) {
            for (const auto &pic : m_pictures)
                if (src.endsWith(pic.FileName)) {
                    QByteArray data = pic.Data;
                    QBuffer buffer(&data);
                    buffer.open(QIODevice::ReadOnly);
                    const QSize size = QImageReader(&buffer).size();
                    w = size.width();
                    h = size.height();
                }
        }
        return imgHtml(s, src, w, h, where);
    }
    if (IsPaintedShape(s))
        return paintedHtml(s, where);
    switch (s.Kind) {
    case TShapeKind::Chart:
    case TShapeKind::Diagram:
        if (!s.FallbackText.isEmpty()) {
            m_doc.Warn(s.Kind == TShapeKind::Chart ? QStringLiteral("chart") : QStringLiteral("diagram"),
                       s.Kind == TShapeKind::Chart ? QStringLiteral("A chart without a picture is written as its text")
                                                   : QStringLiteral("A SmartArt diagram without a picture is written as its text"),
                       where);
            return QStringLiteral("<span>") + EscapeHtml(s.FallbackText) + QStringLiteral("</span>");
        }
        m_doc.Warn(s.Kind == TShapeKind::Chart ? QStringLiteral("chart") : QStringLiteral("diagram"),
                   s.Kind == TShapeKind::Chart ? QStringLiteral("A chart without a picture or text is left out")
                                               : QStringLiteral("A SmartArt diagram without a picture or text is left out"),
                   where);
        break;
    case TShapeKind::Control:
        m_doc.Warn(QStringLiteral("control"),
                   s.ClassType.isEmpty() ? QStringLiteral("A control cannot be written and is left out")
                                         : QStringLiteral("A control (%1) cannot be written and is left out").arg(s.ClassType),
                   where);
        break;
    case TShapeKind::OleObject:
        m_doc.Warn(QStringLiteral("ole"), QStringLiteral("An embedded object without a preview picture is left out"), where);
        break;
    default:
        m_doc.Warn(QStringLiteral("drawing"), QStringLiteral("A drawing shape cannot be written and is left out"), where);
        break;
    }
    return QString();
}

// Browsers show no EMF or WMF pictures: LibreOffice turns them into PNG, all in one run.
void Writer::convertMetafiles()
{
    std::vector<QString> parts;
    std::set<QString> seen;
    std::function<void(TShape &)> shape = [&](TShape &sh) {
        if (!sh.MediaPart.isEmpty() && !seen.count(sh.MediaPart)) {
            auto m = m_doc.Media.find(sh.MediaPart);
            if (m != m_doc.Media.end()) {
                QString ext = sniffExtension(m->second.Data);
                if (ext == QLatin1String("emf") || ext == QLatin1String("wmf")) {
                    seen.insert(sh.MediaPart);
                    parts.push_back(sh.MediaPart);
                }
            }
        }
        for (auto &c : sh.Children)
            shape(*c);
    };
    std::function<void(std::vector<TBlock> &)> blocks = [&](std::vector<TBlock> &bl) {
        ForEachParagraph(bl, [&](TParagraph &p) {
            for (auto &in : p.Inlines)
                if (in.Shape) {
                    shape(*in.Shape);
                    if (in.Shape->Text)
                        blocks(in.Shape->Text->Blocks);
                }
        });
    };
    blocks(m_doc.Body.Blocks);
    for (auto &[id, n] : m_doc.Footnotes)
        blocks(n->Story.Blocks);
    for (auto &[id, n] : m_doc.Endnotes)
        blocks(n->Story.Blocks);
    if (parts.empty() || !TLibreOffice::Available())
        return;
    QString work;
    try {
        work = RunFolder();
    } catch (const Exception &) {
        return; // without a working folder the pictures stay as they are, as without LibreOffice
    }
    QTemporaryDir tmp(work + QStringLiteral("pic-XXXXXX"));
    if (!tmp.isValid())
        return;
    TLibreOffice::TConversion c;
    for (size_t i = 0; i < parts.size(); ++i) {
        const QByteArray &data = m_doc.Media[parts[i]].Data;
        QString file = tmp.filePath(QStringLiteral("picture%1.%2").arg(i + 1).arg(sniffExtension(data)));
        if (!FileSystem().WriteFile(file, data))
            return;
        if (i == 0)
            c.Input = file;
        else
            c.MoreInputs << file;
    }
    c.OutputFolder = tmp.filePath(QStringLiteral("png"));
    FileSystem().MakePath(c.OutputFolder);
    c.ConvertTo = QStringLiteral("png");
    c.DisplayName = m_doc.FileName;
    try {
        QStringList out = TLibreOffice::ConvertAll(c);
        for (size_t i = 0; i < parts.size() && int(i) < out.size(); ++i) {
            QFile f(out[int(i)]);
            if (f.open(QIODevice::ReadOnly))
                m_converted[parts[i]] = f.readAll();
        }
    } catch (const Exception &e) {
        m_doc.Warn(QStringLiteral("metafile conversion"), QStringLiteral("EMF/WMF pictures could not be converted: ") + e.Message(), m_doc.FileName);
    }
}


} // namespace tavrel::engine::html
