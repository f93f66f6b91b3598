// The numbering part of a .docx: read, then labels computed for every list instance and level
// in a long mixed sequence, as the writer does in document order.
#include "text/Exceptions.h"
#include "word/engine/DocxReader.h"

#include <cstdint>
#include <cstdlib>

using namespace tavrel;
using namespace tavrel::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TNumbering numbering;
    try {
        ReadNumberingPart(bytes, numbering, QStringLiteral("fuzz.docx"));
    } catch (const Exception &) {
        return 0;
    }
    TListCounter counter(numbering, nullptr);
    int step = 0;
    for (int round = 0; round < 3; ++round)
        for (const auto &[id, num] : numbering.Nums)
            for (int level = -1; level < 10; ++level) {
                QString label = counter.Next(id, (level * 7 + step++) % 11 - 1);
                if (label.size() > 100000)
                    std::abort();
            }
    return 0;
}
