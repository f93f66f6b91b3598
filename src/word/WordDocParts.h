#pragma once
// What the files of the converter share (WordDoc.cpp: life, the engine pass and cleaning;
// WordDocShapes.cpp; WordDocLinks.cpp; WordDocTopics.cpp). Nothing else includes it.
#include "word/WordDoc.h"

#include <QString>

namespace tavrel::worddoc {

// "p" and "h1" to "h7", any letter case: the elements a heading of the document becomes.
bool isHeadingElement(const QString &name);

} // namespace tavrel::worddoc
