#include "DocxBuilder.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <stdexcept>
#include <zip.h>

namespace tavrel::test {

const char *TDocxBuilder::Namespaces()
{
    return "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
           "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
           "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
           "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\" "
           "xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
           "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
           "xmlns:wpg=\"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup\" "
           "xmlns:wpc=\"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas\" "
           "xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\"";
}

TDocxBuilder &TDocxBuilder::Relationship(const QString &id, const QString &type, const QString &target, bool external)
{
    m_rels.push_back({id, type, target, external});
    return *this;
}

QString P(const QString &text, const QString &style)
{
    QString ppr = style.isEmpty() ? QString() : QStringLiteral("<w:pPr><w:pStyle w:val=\"%1\"/></w:pPr>").arg(style);
    return QStringLiteral("<w:p>%1<w:r><w:t xml:space=\"preserve\">%2</w:t></w:r></w:p>").arg(ppr, text);
}

QString R(const QString &text, const QString &rPr)
{
    return QStringLiteral("<w:r>%1<w:t xml:space=\"preserve\">%2</w:t></w:r>")
        .arg(rPr.isEmpty() ? QString() : QStringLiteral("<w:rPr>") + rPr + QStringLiteral("</w:rPr>"), text);
}

QByteArray TDocxBuilder::Build() const
{
    std::vector<std::pair<QString, QByteArray>> entries;
    const QString ns = QString::fromLatin1(Namespaces());
    QString ct = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                                "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Default Extension=\"png\" ContentType=\"image/png\"/>"
                                "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
    entries.emplace_back(QStringLiteral("[Content_Types].xml"), ct.toUtf8());
    if (!m_noMain) {
        entries.emplace_back(QStringLiteral("_rels/.rels"),
                             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"));
        QByteArray doc = m_rawDocument;
        if (doc.isEmpty())
            doc = (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document ") + ns +
                   QStringLiteral("><w:body>") + m_body + QStringLiteral("</w:body></w:document>")).toUtf8();
        entries.emplace_back(QStringLiteral("word/document.xml"), doc);
    }
    QString rels = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
    const QString base = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    auto wrap = [&](const QString &root, const QString &inner) {
        return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:") + root + ' ' + ns + '>' + inner + QStringLiteral("</w:") + root + '>').toUtf8();
    };
    if (!m_styles.isEmpty()) {
        entries.emplace_back(QStringLiteral("word/styles.xml"), wrap(QStringLiteral("styles"), m_styles));
        rels += QStringLiteral("<Relationship Id=\"rStyles\" Type=\"%1styles\" Target=\"styles.xml\"/>").arg(base);
    }
    if (!m_numbering.isEmpty()) {
        entries.emplace_back(QStringLiteral("word/numbering.xml"), wrap(QStringLiteral("numbering"), m_numbering));
        rels += QStringLiteral("<Relationship Id=\"rNumbering\" Type=\"%1numbering\" Target=\"numbering.xml\"/>").arg(base);
    }
    if (!m_footnotes.isEmpty()) {
        entries.emplace_back(QStringLiteral("word/footnotes.xml"), wrap(QStringLiteral("footnotes"), m_footnotes));
        rels += QStringLiteral("<Relationship Id=\"rFootnotes\" Type=\"%1footnotes\" Target=\"footnotes.xml\"/>").arg(base);
    }
    if (!m_endnotes.isEmpty()) {
        entries.emplace_back(QStringLiteral("word/endnotes.xml"), wrap(QStringLiteral("endnotes"), m_endnotes));
        rels += QStringLiteral("<Relationship Id=\"rEndnotes\" Type=\"%1endnotes\" Target=\"endnotes.xml\"/>").arg(base);
    }
    for (const Rel &r : m_rels) {
        QString type = r.type.contains('/') ? r.type : base + r.type;
        auto esc = [](QString s) { return s.replace('&', "&amp;").replace('"', "&quot;").replace('<', "&lt;"); };
        rels += QStringLiteral("<Relationship Id=\"%1\" Type=\"%2\" Target=\"%3\"%4/>")
                    .arg(r.id, type, esc(r.target), r.external ? QStringLiteral(" TargetMode=\"External\"") : QString());
    }
    rels += QStringLiteral("</Relationships>");
    if (!m_noMain)
        entries.emplace_back(QStringLiteral("word/_rels/document.xml.rels"), rels.toUtf8());
    for (const auto &e : m_entries)
        entries.push_back(e);
    return Zip(entries);
}

void TDocxBuilder::Save(const QString &path) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write test package");
    f.write(Build());
}

QByteArray TDocxBuilder::Zip(const std::vector<std::pair<QString, QByteArray>> &entries, bool store)
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("x.zip"));
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        throw std::runtime_error("zip_open failed");
    std::vector<QByteArray> keep; // libzip reads the buffers when it closes
    keep.reserve(entries.size());
    for (const auto &[name, data] : entries) {
        keep.push_back(data);
        zip_source_t *src = zip_source_buffer(z, keep.back().constData(), zip_uint64_t(keep.back().size()), 0);
        zip_int64_t idx = zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (idx < 0) {
            zip_source_free(src);
            zip_discard(z);
            throw std::runtime_error("zip_file_add failed");
        }
        if (store)
            zip_set_file_compression(z, zip_uint64_t(idx), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0)
        throw std::runtime_error("zip_close failed");
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QByteArray TDocxBuilder::Png(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return out;
}

} // namespace tavrel::test
