#pragma once
// Writing the document model as a Word package (.docx). The same model gives the same bytes:
// the package's dates are fixed and its parts come in a fixed order.
#include "word/engine/Model.h"

#include <QByteArray>
#include <QString>

namespace tavrel::engine {

// The whole package in memory. What cannot be written (a picture in an unknown format, a
// drawing the writer does not know) is left out with a warning in the document's list.
QByteArray DocxBytes(TDocument &doc);

// Writes the package to path through a temporary file beside it and a rename, so that path is
// either the old file or the whole new one. Raises an Exception naming the file when its folder
// cannot be written or the disk fills.
void WriteDocx(TDocument &doc, const QString &path);

// Writes a .doc: the .docx goes through LibreOffice in a private folder beside path, and the
// checked result is renamed into place. Raises when LibreOffice is missing or fails.
void WriteDoc(TDocument &doc, const QString &path, int timeoutMs);

} // namespace tavrel::engine
