#pragma once
// Help files may carry their contents and index only in the compiled, binary form (the sitemap
// files left out). These readers turn that form back into sitemap text, so the one sitemap
// reader gives the entries, levels and keyword paths for both kinds of help file.
#include "text/Warnings.h"

#include <QByteArray>
#include <QString>

namespace tavrel {

class TChmFile;

// The stored objects the binary contents and index are made of.
struct TChmBinaryObjects
{
    QByteArray Tocidx;  // the contents tree
    QByteArray Topics;  // one record per topic: title and address
    QByteArray Urltbl;  // topic -> address string
    QByteArray Urlstr;  // the address strings
    QByteArray Strings; // titles and names
    QByteArray Btree;   // the keyword tree of the index
};

// The objects as stored; a missing one stays empty.
TChmBinaryObjects ReadBinaryObjects(const TChmFile &chm);
// Whether the help file has a binary contents tree, and a binary keyword index.
bool HasBinaryContents(const TChmFile &chm);
bool HasBinaryIndex(const TChmFile &chm);

// Sitemap text of the contents tree; titles and addresses decoded in codePage. Damaged trees
// give the entries that could be read and a warning: offsets past the end, loops and nesting
// deeper than the sitemap reader keeps are cut.
QString BinaryContentsToSitemap(const TChmBinaryObjects &objects, int codePage, TWarnings *warnings = nullptr);
// Sitemap text of the keyword index: every keyword with the addresses of its topics, nested
// under its outer keywords.
QString BinaryIndexToSitemap(const TChmBinaryObjects &objects, int codePage, TWarnings *warnings = nullptr);

} // namespace tavrel
