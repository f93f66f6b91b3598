// A relationships part: read, and every internal target resolved; a resolved part name never
// climbs out of the package.
#include "text/Exceptions.h"
#include "word/engine/DocxReader.h"
#include "word/engine/Zip.h"

#include <cstdint>
#include <cstdlib>

using namespace tavrel;
using namespace tavrel::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TRelationships rels;
    try {
        rels = ReadRelationshipsPart(bytes, QStringLiteral("word/document.xml"), QStringLiteral("fuzz.docx"));
    } catch (const Exception &) {
        return 0;
    }
    for (const auto &[id, r] : rels.ById) {
        if (!r.Part.isEmpty() && !IsSafeEntryName(r.Part))
            std::abort();
        QString again = ResolvePartName(QStringLiteral("word/document.xml"), r.Target);
        if (!again.isEmpty() && (again.startsWith('/') || again.split('/').contains(QStringLiteral(".."))))
            std::abort();
    }
    rels.FirstOfKind(QStringLiteral("styles"));
    return 0;
}
