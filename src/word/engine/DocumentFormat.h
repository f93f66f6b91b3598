#pragma once
// Recognising a source document by its content, not its name (a build opens a temporary copy
// whose name says nothing).
#include <QString>

namespace tavrel::engine {

enum class TDocumentFormat { Unknown, Docx, Odt, Doc, Rtf };

// A zip holding word/document.xml (or a main part named by its package relationships) is .docx;
// a zip whose "mimetype" entry names an OpenDocument text is .odt; the OLE signature D0 CF 11 E0
// is .doc; "{\rtf" is RTF. A zip that cannot be read counts as .docx so that its reader names
// the damage.
TDocumentFormat DetectDocumentFormat(const QString &path);

// The LibreOffice input filter for a format that is converted; empty for the others.
QString LibreOfficeInputFilter(TDocumentFormat format);

} // namespace tavrel::engine
