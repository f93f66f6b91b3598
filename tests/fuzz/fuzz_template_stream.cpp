// The template stream reader on arbitrary bytes: it either raises or yields entries that pack
// back to exactly the same bytes; the main file's name is the first entry's; and every name the
// unpacker would accept lies inside the target folder (checked without writing anything).
#include "output/Template.h"
#include "text/Confine.h"
#include "text/Exceptions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray stream(reinterpret_cast<const char *>(data), qsizetype(size));
    std::vector<TTemplateEntry> entries;
    try {
        entries = ReadTemplateEntries(stream);
    } catch (const Exception &) {
        return 0;
    }
    QByteArray again;
    for (const TTemplateEntry &e : entries)
        AppendTemplateEntry(again, e.Name, e.Data);
    if (again != stream)
        std::abort();
    if (GetTemplateMainFile(stream) != (entries.empty() ? QString() : entries.front().Name))
        std::abort();

    const QString folder = QStringLiteral("/nonexistent-tavrel-target");
    for (const TTemplateEntry &e : entries) {
        if (!IsConfinedName(folder, e.Name))
            continue;
        const QString path = ConfinePath(folder, e.Name);
        if (!path.startsWith(folder + QLatin1Char('/')) || path.contains(QLatin1String("/../")) ||
            path.endsWith(QLatin1String("/..")) || path.contains(QChar(0)))
            std::abort();
    }
    return 0;
}
