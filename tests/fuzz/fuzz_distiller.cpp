// The distiller's tag scanners on arbitrary pages: the block iterators, the common-part passes,
// the distiller itself, the anchor and bookmark scans and the section cutter never crash or
// hang, and the fast common-part passes agree with the pairwise comparison they replace.
// Input: the first byte chooses how many pages vote; pages are separated by the byte 0x01.
#include "chm2word/Distiller.h"
#include "chm2word/ExtractContent.h"
#include "text/functions.h"

#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 60000)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QStringList bodies = text.split(QChar(1)).mid(0, 30);
    std::vector<std::unique_ptr<TChmTopicFile>> fast, literal;
    std::vector<TChmTopicFile *> a, b;
    for (const QString &body : bodies) {
        const QString title = body.left(12);
        fast.push_back(std::make_unique<TChmTopicFile>(QStringLiteral("/x/p.htm"), title, body, nullptr));
        literal.push_back(std::make_unique<TChmTopicFile>(QStringLiteral("/x/p.htm"), title, body, nullptr));
        a.push_back(fast.back().get());
        b.push_back(literal.back().get());
    }
    const int n = int(data[0]) % (int(bodies.size()) + 1);
    FindCommonParts(a, n);
    FindCommonPartsPairwise(b, n);
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k]->SamePointL != b[k]->SamePointL || a[k]->SamePointH != b[k]->SamePointH || a[k]->Title3 != b[k]->Title3)
            std::abort();
        const QString distilled = a[k]->Distiller();
        if (distilled != b[k]->Distiller())
            std::abort();
        a[k]->Body = distilled;
        a[k]->FindAnchors();
        auto bm = std::make_unique<TBookmark>();
        bm->Name = QStringLiteral("a");
        a[k]->Bookmarks.Add(std::move(bm));
        a[k]->ProcessBookmarks();
        ExtractSection(distilled, a[k]->Title1);
    }
    return 0;
}
