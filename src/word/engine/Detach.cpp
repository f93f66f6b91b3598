#include "word/engine/Detach.h"

#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "word/engine/DocxReader.h"
#include "word/engine/HtmlWriter.h"
#include "word/engine/Xml.h"
#include "word/engine/Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace tavrel::engine {

namespace {

QString attr(const QString &text) { return text.toHtmlEscaped(); }

// The extension a copied picture keeps, so that the reader recognises it; "bin" when the name
// has none worth keeping.
QString extensionOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty() || suffix.size() > 5)
        return QStringLiteral("bin");
    for (QChar c : suffix)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80))
            return QStringLiteral("bin");
    return suffix;
}

} // namespace

QString DetachPackage(const QString &docx, const QString &workFolder, const QString &linkBase, const TCarryRoots &roots,
                      TWarnings &warnings)
{
    std::unique_ptr<TZipReader> zip = TZipReader::OpenFile(docx);
    std::vector<std::pair<QString, QByteArray>> replaced;
    int copies = 0;
    for (const QString &name : zip->Names()) {
        if (!name.endsWith(QLatin1String(".rels"), Qt::CaseInsensitive))
            continue;
        auto doc = ParseXmlPart(zip->Read(name), QFileInfo(docx).fileName(), name);
        bool changed = false;
        QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
        for (pugi::xml_node r = doc->document_element().child("Relationship"); r; r = r.next_sibling("Relationship")) {
            const QString id = XStr(r, "Id"), type = XStr(r, "Type");
            QString target = XStr(r, "Target");
            const bool external = XStr(r, "TargetMode").compare(QLatin1String("External"), Qt::CaseInsensitive) == 0;
            const QString kind = type.mid(type.lastIndexOf(QLatin1Char('/')) + 1);
            if (external && kind != QLatin1String("hyperlink")) {
                changed = true;
                const QString written = QUrl::fromPercentEncoding(target.toUtf8());
                const TLinkTarget link = ClassifyLinkTarget(written, linkBase);
                if (kind != QLatin1String("image")) {
                    warnings.Add(QStringLiteral("The outside reference \"%1\" (%2) was left out of the PDF.").arg(written, kind), name);
                    continue;
                }
                if (link.Kind != TLinkTarget::TKind::LocalFile) {
                    warnings.Add(QStringLiteral("The linked picture \"%1\" is not a local file and was left out of the PDF: "
                                                "nothing is fetched from the network while building.")
                                     .arg(written),
                                 name);
                    continue;
                }
                const TOutsideFile file = ReadOutsideFile(link.Path, kMaxOutsideFile, &roots);
                if (!file.Ok()) {
                    if (!file.Missing)
                        warnings.Add(QStringLiteral("The linked picture \"%1\" %2; it was left out of the PDF.").arg(link.Path, file.Error), name);
                    continue;
                }
                const QString copy = QDir(workFolder).filePath(QStringLiteral("linked%1.%2").arg(++copies).arg(extensionOf(file.Path)));
                if (!FileSystem().WriteFile(copy, file.Data))
                    throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(copy));
                target = QUrl::fromLocalFile(copy).toString(QUrl::FullyEncoded);
            }
            out += QStringLiteral("<Relationship Id=\"") + attr(id) + QStringLiteral("\" Type=\"") + attr(type) + QStringLiteral("\" Target=\"") +
                   attr(target) + QLatin1Char('"');
            if (external)
                out += QStringLiteral(" TargetMode=\"External\"");
            out += QStringLiteral("/>");
        }
        out += QStringLiteral("</Relationships>");
        if (changed)
            replaced.emplace_back(name, out.toUtf8());
    }
    zip.reset();
    if (replaced.empty())
        return docx;
    const QString detached = QDir(workFolder).filePath(QStringLiteral("detached.docx"));
    QFile::remove(detached);
    if (!QFile::copy(docx, detached))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(detached));
    QFile::setPermissions(detached, QFile::ReadOwner | QFile::WriteOwner);
    ReplaceZipEntries(detached, replaced);
    return detached;
}

} // namespace tavrel::engine
