#pragma once
// What a help writer takes from the converted document, as data: the head of its page and the
// files its pages refer to. The converter fills it in; the writers read it and know no
// converter.
#include "text/StringList.h"
#include "text/Warnings.h"

#include <QString>

namespace tavrel {

struct TConvertedDocument
{
    QString tempDir;           // the converter's working folder, "/"-terminated
    QString BeforeBody;        // the converted page up to and with its body start tag
    TStringList AttachedFiles; // files the page refers to, relative to tempDir
    QString FilesFolder;       // the pictures' folder, relative to tempDir; empty for none
};

// Copies the attached files and the pictures' folder into toWhere ("/"-terminated). A name that
// would land outside toWhere is left out with a warning; a file the working folder lacks is
// skipped. Raises when a file or folder cannot be copied, since finished pages would miss it.
void CopyAttachedFiles(const TConvertedDocument &doc, const QString &toWhere, TWarnings &warnings);

} // namespace tavrel
