// The contents and index readers on arbitrary text (the files come from any help file): every
// entry has a name and a level that the lists around it explain, a page only when it has an
// address, and keywords only on entries whose address some index entry named.
#include "chm2word/ChmTo.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 200000)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // The same text serves as contents and as index, so the index finds addresses to match.
    TTitleLists list;
    TWarnings warnings;
    ReadContentsText(text, list, &warnings);
    const int opened = int(text.count(QStringLiteral("<UL>"), Qt::CaseInsensitive));
    for (int i = 0; i < list.Count(); ++i) {
        const TTitleList &e = *list[i];
        if (QString(e.Topic).remove(QLatin1Char('-')).isEmpty() || e.Index != i || e.Level >= opened)
            std::abort();
        if ((e.Status == 0) == e.Url.isEmpty() || (e.Status != 0 && e.Status != 2))
            std::abort();
        if (e.ContextNumber != QString::number(1000 + i) || !e.Keywords.isEmpty())
            std::abort();
    }
    ReadIndexText(text, list, &warnings);
    for (int i = 0; i < list.Count(); ++i)
        if (!list[i]->Keywords.isEmpty() && list[i]->Url.isEmpty())
            std::abort();
    return 0;
}
