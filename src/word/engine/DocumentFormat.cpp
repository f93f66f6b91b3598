#include "word/engine/DocumentFormat.h"

#include "text/Exceptions.h"
#include "word/engine/Zip.h"

#include <QFile>

namespace tavrel::engine {

TDocumentFormat DetectDocumentFormat(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return TDocumentFormat::Unknown;
    QByteArray head = f.read(8);
    f.close();
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) {
        try {
            auto zip = TZipReader::OpenFile(path);
            if (zip->Contains(QStringLiteral("word/document.xml")))
                return TDocumentFormat::Docx;
            if (zip->Contains(QStringLiteral("mimetype"))) {
                QByteArray mt = zip->Read(QStringLiteral("mimetype")).trimmed();
                if (mt.startsWith("application/vnd.oasis.opendocument.text"))
                    return TDocumentFormat::Odt;
            }
            QByteArray rels = zip->ReadIfExists(QStringLiteral("_rels/.rels"));
            if (rels.contains("/officeDocument\"") && zip->Names().join('\n').contains(QLatin1String("document")))
                return TDocumentFormat::Docx;
            return TDocumentFormat::Unknown;
        } catch (const Exception &) {
            return TDocumentFormat::Docx;
        }
    }
    if (head.startsWith(QByteArray("\xD0\xCF\x11\xE0", 4)))
        return TDocumentFormat::Doc;
    if (head.startsWith("{\\rtf"))
        return TDocumentFormat::Rtf;
    return TDocumentFormat::Unknown;
}

QString LibreOfficeInputFilter(TDocumentFormat format)
{
    switch (format) {
    case TDocumentFormat::Doc: return QStringLiteral("MS Word 97");
    case TDocumentFormat::Rtf: return QStringLiteral("Rich Text Format");
    case TDocumentFormat::Odt: return QStringLiteral("writer8");
    default: return QString();
    }
}

} // namespace tavrel::engine
