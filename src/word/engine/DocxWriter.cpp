// The package around the parts: content types, relationships, properties, notes, headers and
// footers, the zip, and the way the file reaches its name.
#include "word/engine/DocxWriter.h"

#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "word/engine/DocxWriteParts.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

namespace tavrel::engine {

using namespace docxw;

namespace {

const char *const kMainNs =
    " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"";

const char *const kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// The style sheet written: the document's own plus the built-in styles a help document uses.
TStyleSheet writtenStyles(const TDocument &doc)
{
    TStyleSheet st = doc.Styles;
    if (st.DefaultStyleId(TStyleType::Paragraph).isEmpty()) {
        TStyle normal;
        normal.Id = st.Find(QStringLiteral("Normal")) ? QStringLiteral("NormalDefault") : QStringLiteral("Normal");
        normal.Name = QStringLiteral("Normal");
        normal.Default = true;
        st.Add(normal);
    }
    st.EnsureBuiltin(QStringLiteral("Normal"));
    for (int i = 1; i <= 9; ++i)
        st.EnsureBuiltin(QStringLiteral("heading %1").arg(i));
    st.EnsureBuiltin(QStringLiteral("Hyperlink"));
    for (int i = 1; i <= 9; ++i)
        st.EnsureBuiltin(QStringLiteral("toc %1").arg(i));
    for (int i = 1; i <= 3; ++i)
        st.EnsureBuiltin(QStringLiteral("index %1").arg(i));
    return st;
}

// Bookmarks whose start and end both exist; the others cannot be written.
void pairBookmarks(TWriter &w, const std::vector<TBlock> &blocks)
{
    std::set<int> starts, ends;
    std::function<void(const std::vector<TBlock> &)> scan = [&](const std::vector<TBlock> &bs) {
        for (const auto &b : bs) {
            if (b.Table) {
                for (const auto &r : b.Table->Rows)
                    for (const auto &c : r.Cells)
                        scan(c.Blocks);
                continue;
            }
            for (const auto &in : b.Paragraph->Inlines) {
                if (in.Kind == TInlineKind::BookmarkStart)
                    starts.insert(in.Id);
                else if (in.Kind == TInlineKind::BookmarkEnd)
                    ends.insert(in.Id);
            }
        }
    };
    scan(blocks);
    for (int id : starts)
        if (ends.count(id))
            w.PairedBookmarks.insert(id);
}

QByteArray notesXml(TWriter &w, TPartRels &rels, const std::map<int, std::unique_ptr<TNote>> &notes, bool endnotes)
{
    const char *tag = endnotes ? "w:endnote" : "w:footnote";
    QByteArray x = QByteArray(kXmlHead) + (endnotes ? "<w:endnotes" : "<w:footnotes") + kMainNs + ">";
    // Word expects the two separators first.
    bool hasSeparators = false;
    for (const auto &[id, n] : notes)
        hasSeparators |= n->Type == QLatin1String("separator");
    if (!hasSeparators)
        x += QByteArray("<") + tag + " w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></" + tag + ">" + "<" +
             tag + " w:type=\"continuationSeparator\" w:id=\"0\"><w:p><w:r><w:continuationSeparator/></w:r></w:p></" + tag + ">";
    for (const auto &[id, n] : notes) {
        x += QByteArray("<") + tag;
        if (!n->Type.isEmpty())
            x += Attr("w:type", n->Type);
        x += Attr("w:id", id) + ">";
        if (n->Type == QLatin1String("separator"))
            x += "<w:p><w:r><w:separator/></w:r></w:p>";
        else if (n->Type == QLatin1String("continuationSeparator"))
            x += "<w:p><w:r><w:continuationSeparator/></w:r></w:p>";
        else
            WriteBlocks(w, rels, n->Story.Blocks, x);
        if (n->Story.Blocks.empty() && n->Type.isEmpty())
            x += "<w:p/>";
        x += QByteArray("</") + tag + ">";
    }
    return x + (endnotes ? "</w:endnotes>" : "</w:footnotes>");
}

QByteArray coreXml(const TDocument &doc)
{
    QString title = QFileInfo(doc.FileName).completeBaseName();
    return QByteArray(kXmlHead) +
           "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
           " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\""
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<dc:title>" + Esc(title) + "</dc:title>"
           "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2000-01-01T00:00:00Z</dcterms:created>"
           "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">2000-01-01T00:00:00Z</dcterms:modified>"
           "</cp:coreProperties>";
}

} // namespace

QByteArray DocxBytes(TDocument &doc)
{
    TWriter w(doc);
    std::vector<TPackagePart> parts;
    TPartRels docRels;
    const TStyleSheet styles = writtenStyles(doc);

    // Headers and footers first: the sections refer to them.
    std::vector<std::pair<QString, const THeaderFooter *>> hf;
    int headers = 0, footers = 0;
    for (const auto &h : doc.HeadersFooters) {
        const QString name = h->Footer ? QStringLiteral("word/footer%1.xml").arg(++footers) : QStringLiteral("word/header%1.xml").arg(++headers);
        w.HeaderParts[h->Part] = name;
        hf.emplace_back(name, h.get());
    }

    pairBookmarks(w, doc.Body.Blocks);
    QByteArray body = QByteArray(kXmlHead) + "<w:document" + kMainNs + "><w:body>";
    WriteBlocks(w, docRels, doc.Body.Blocks, body);
    body += SectionProps(doc.FinalSection, w, docRels) + "</w:body></w:document>";

    docRels.Add(QStringLiteral("styles"), QStringLiteral("styles.xml"));
    docRels.Add(QStringLiteral("settings"), QStringLiteral("settings.xml"));
    parts.push_back({QStringLiteral("word/styles.xml"), QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"),
                     StylesXml(styles)});
    QByteArray settings = QByteArray(kXmlHead) + "<w:settings" + kMainNs + "><w:defaultTabStop" + Attr("w:val", doc.DefaultTabStop) +
                          "/><w:compat><w:compatSetting w:name=\"compatibilityMode\" w:uri=\"http://schemas.microsoft.com/office/word\" w:val=\"15\"/></w:compat></w:settings>";
    parts.push_back({QStringLiteral("word/settings.xml"), QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"), settings});
    if (!doc.FontFamilies.empty()) {
        // The generic family of each font, for readers that lack the font.
        static const std::map<QString, const char *> families = {
            {"serif", "roman"}, {"sans-serif", "swiss"}, {"monospace", "modern"}, {"cursive", "script"}, {"fantasy", "decorative"}};
        QByteArray fonts = QByteArray(kXmlHead) + "<w:fonts" + kMainNs + ">";
        for (const auto &[name, generic] : doc.FontFamilies) {
            auto f = families.find(generic);
            fonts += "<w:font" + Attr("w:name", name) + ">";
            if (f != families.end())
                fonts += QByteArray("<w:family w:val=\"") + f->second + "\"/>";
            fonts += "</w:font>";
        }
        fonts += "</w:fonts>";
        docRels.Add(QStringLiteral("fontTable"), QStringLiteral("fontTable.xml"));
        parts.push_back({QStringLiteral("word/fontTable.xml"), QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml"), fonts});
    }
    if (!doc.Numbering.Nums.empty()) {
        docRels.Add(QStringLiteral("numbering"), QStringLiteral("numbering.xml"));
        parts.push_back({QStringLiteral("word/numbering.xml"), QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"),
                         NumberingXml(doc.Numbering)});
    }
    auto notes = [&](const std::map<int, std::unique_ptr<TNote>> &list, bool endnotes) {
        if (list.empty())
            return;
        const QString file = endnotes ? QStringLiteral("endnotes.xml") : QStringLiteral("footnotes.xml");
        TPartRels rels;
        QByteArray x = notesXml(w, rels, list, endnotes);
        docRels.Add(endnotes ? QStringLiteral("endnotes") : QStringLiteral("footnotes"), file);
        parts.push_back({QStringLiteral("word/") + file,
                         endnotes ? QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.endnotes+xml")
                                  : QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.footnotes+xml"),
                         x});
        if (!rels.Empty())
            parts.push_back({QStringLiteral("word/_rels/") + file + QStringLiteral(".rels"), QString(), rels.Xml()});
    };
    notes(doc.Footnotes, false);
    notes(doc.Endnotes, true);
    for (const auto &[name, h] : hf) {
        TPartRels rels;
        QByteArray x = QByteArray(kXmlHead) + (h->Footer ? "<w:ftr" : "<w:hdr") + kMainNs + ">";
        WriteBlocks(w, rels, h->Story.Blocks, x);
        if (h->Story.Blocks.empty() || !h->Story.Blocks.back().Paragraph)
            x += "<w:p/>";
        x += h->Footer ? "</w:ftr>" : "</w:hdr>";
        parts.push_back({name,
                         h->Footer ? QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml")
                                   : QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"),
                         x});
        if (!rels.Empty())
            parts.push_back({QStringLiteral("word/_rels/") + name.mid(5) + QStringLiteral(".rels"), QString(), rels.Xml()});
    }

    // The content types: defaults by extension, overrides for the parts.
    QByteArray types = QByteArray(kXmlHead) + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    std::set<QString> extensions;
    for (const TPackagePart &m : w.Media) {
        const QString ext = QFileInfo(m.Name).suffix();
        if (extensions.insert(ext).second)
            types += "<Default" + Attr("Extension", ext) + Attr("ContentType", m.ContentType) + "/>";
    }
    types += "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>";
    for (const TPackagePart &p : parts)
        if (!p.ContentType.isEmpty())
            types += "<Override" + Attr("PartName", QLatin1Char('/') + p.Name) + Attr("ContentType", p.ContentType) + "/>";
    types += "<Override PartName=\"/docProps/core.xml\" ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
             "<Override PartName=\"/docProps/app.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
             "</Types>";

    std::vector<std::pair<QString, QByteArray>> zip;
    zip.emplace_back(QStringLiteral("[Content_Types].xml"), types);
    zip.emplace_back(QStringLiteral("_rels/.rels"),
                     QByteArray(kXmlHead) +
                         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
                         "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
                         "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\" Target=\"docProps/app.xml\"/>"
                         "</Relationships>");
    zip.emplace_back(QStringLiteral("docProps/core.xml"), coreXml(doc));
    zip.emplace_back(QStringLiteral("docProps/app.xml"),
                     QByteArray(kXmlHead) + "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
                                            "<Application>Tavrel</Application></Properties>");
    zip.emplace_back(QStringLiteral("word/document.xml"), body);
    zip.emplace_back(QStringLiteral("word/_rels/document.xml.rels"), docRels.Xml());
    for (TPackagePart &p : parts)
        zip.emplace_back(p.Name, p.Data);
    for (TPackagePart &m : w.Media)
        zip.emplace_back(m.Name, m.Data);
    doc.FlushWarnings();
    return ZipBytes(zip);
}

void WriteDocx(TDocument &doc, const QString &path)
{
    const QByteArray bytes = DocxBytes(doc);
    const QFileInfo fi(path);
    const QString target = fi.absoluteFilePath();
    const QString folder = fi.absolutePath();
    if (!QFileInfo(folder).isDir())
        throw Exception(QStringLiteral("Cannot save \"%1\": the folder \"%2\" does not exist.").arg(fi.fileName(), QDir::toNativeSeparators(folder)));
    // A name of our own beside the target: the rename then stays on one file system.
    const QString temp = folder + QStringLiteral("/~$") + QUuid::createUuid().toString(QUuid::Id128).left(12) + QStringLiteral(".tmp");
    TFileSystem &fs = FileSystem();
    if (!fs.WriteFile(temp, bytes)) {
        fs.RemoveFile(temp);
        throw Exception(QStringLiteral("Cannot save \"%1\": the folder cannot be written or the disk is full.").arg(fi.fileName()));
    }
    QFile::setPermissions(temp, NewFilePermissions());
    if (!fs.Rename(temp, target)) {
        fs.RemoveFile(temp);
        throw Exception(QStringLiteral("Cannot save \"%1\": the file cannot be replaced (it may be open in another program).").arg(fi.fileName()));
    }
}

void WriteDoc(TDocument &doc, const QString &path, int timeoutMs)
{
    const QFileInfo fi(path);
    if (!TLibreOffice::Available())
        throw Exception(QStringLiteral("Saving \"%1\" in the .doc format needs LibreOffice to be installed. Save it as .docx instead.").arg(fi.fileName()));
    QTemporaryDir privateFolder(fi.absolutePath() + QStringLiteral("/~tadocXXXXXX"));
    if (!privateFolder.isValid())
        throw Exception(QStringLiteral("Cannot save \"%1\": its folder cannot be written.").arg(fi.fileName()));
    const QString docx = privateFolder.filePath(QStringLiteral("document.docx"));
    WriteDocx(doc, docx);
    TLibreOffice::TConversion c;
    c.Input = docx;
    c.OutputFolder = privateFolder.filePath(QStringLiteral("out"));
    if (!FileSystem().MakePath(c.OutputFolder))
        throw Exception(QStringLiteral("Cannot save \"%1\": its folder cannot be written.").arg(fi.fileName()));
    c.ConvertTo = QStringLiteral("doc:MS Word 97");
    c.InputFilter = QStringLiteral("MS Word 2007 XML");
    c.DisplayName = fi.fileName();
    c.TimeoutMs = timeoutMs;
    const QString written = TLibreOffice::Convert(c);
    // Only a file that starts like a compound document is taken.
    QFile f(written);
    if (!f.open(QIODevice::ReadOnly) || f.read(8) != QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8))
        throw Exception(QStringLiteral("LibreOffice did not write a Word 97 document for \"%1\".").arg(fi.fileName()));
    f.close();
    QFile::setPermissions(written, NewFilePermissions());
    if (!FileSystem().Rename(written, fi.absoluteFilePath()))
        throw Exception(QStringLiteral("Cannot save \"%1\": the file cannot be replaced (it may be open in another program).").arg(fi.fileName()));
}

} // namespace tavrel::engine
