#pragma once
// A copy of a .docx package for a program that follows a document's outside references while it
// reads it (LibreOffice fetches linked pictures, also from the network, while it exports): every
// such reference is either pointed at a checked copy in a private folder or removed.
#include "text/OutsideFiles.h"
#include "text/Warnings.h"

#include <QString>

namespace tavrel::engine {

// Returns the package to hand on: docx itself when it has no outside references that could be
// followed, else a rewritten copy inside workFolder. Hyperlinks stay as they are (nothing reads
// them); a linked picture that the roots allow, and that is a regular file of sane size, is
// copied into workFolder and the reference points at the copy; a remote picture, a picture the
// roots refuse and every other outside reference (linked objects, frames, templates,
// sub-documents) are removed, each with a warning. Relative targets resolve against linkBase.
QString DetachPackage(const QString &docx, const QString &workFolder, const QString &linkBase, const TCarryRoots &roots,
                      TWarnings &warnings);

} // namespace tavrel::engine
