#pragma once
// A readable dump of the document model for golden comparisons, and the text a reader sees.
#include "word/engine/Model.h"

#include <QString>

namespace tavrel::test {

// Styles, numbering and every block with its formatting, one item per line. Paths under folder
// are written relative to it, so dumps do not depend on where a test runs.
QString DumpModel(engine::TDocument &doc, const QString &folder = QString());

// The visible text: paragraphs one per line with their list labels ("1. ", "• "), field results
// without codes, pictures as "[picture]", cells separated by " | ", hidden text left out.
QString VisibleText(engine::TDocument &doc);

} // namespace tavrel::test
