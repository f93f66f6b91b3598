// The zip layer and the whole package reader on arbitrary bytes, with small limits so that
// bombs are caught quickly: every entry name accepted stays inside the package, no entry read
// exceeds the limit, and a package that opens either reads or raises the engine's exception.
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
    TZipLimits limits;
    limits.MaxEntrySize = 4 * 1024 * 1024;
    limits.MaxTotalSize = 16 * 1024 * 1024;
    limits.MinBombSize = 1024 * 1024;
    try {
        auto zip = TZipReader::OpenBytes(bytes, QStringLiteral("fuzz.zip"), limits);
        for (const QString &name : zip->Names()) {
            if (!IsSafeEntryName(name))
                std::abort();
            try {
                if (zip->Read(name).size() > limits.MaxEntrySize)
                    std::abort();
            } catch (const Exception &) {
            }
        }
    } catch (const Exception &) {
        return 0;
    }
    try {
        TDocxOptions o;
        o.DisplayName = QStringLiteral("fuzz.docx");
        o.Zip = limits;
        ReadDocxBytes(bytes, o);
    } catch (const Exception &) {
    }
    return 0;
}
