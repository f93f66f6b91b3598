// The split into topics on bodies with random heading markers: levels start at 1 and grow by
// at most one, every page has a name, and only the "no topics" error may be raised.
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "word/WordDoc.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TProject project;
    // The first byte chooses properties for the headings; the rest is the body.
    const uint8_t flags = size > 0 ? data[0] : 0;
    const QString body = size > 0 ? QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)) : QString();
    TWordDoc doc(&project, nullptr, QStringLiteral("f.docx"), nullptr, 1 + (flags & 1));
    doc.Body = body;
    const qsizetype markers = body.count(kHeadingMarker);
    for (qsizetype i = 0; i < markers; ++i) {
        auto p = std::make_unique<THeadingProperty>();
        p->Omit = (flags & 2) && i % 3 == 1;
        if ((flags & 4) && i % 2 == 0)
            p->FileName = QStringLiteral("../x%1").arg(i);
        doc.Headings.push_back(std::move(p));
        doc.IndexList.push_back(std::make_unique<TStringList>());
    }
    doc.BookmarkAndUrls.SetSorted(true);
    doc.AttachedFiles.SetSorted(true);
    doc.ExternalFiles.SetSorted(true);
    TContentsItems items;
    items.Project = &project;
    try {
        doc.ToContentsItems(items);
    } catch (const Exception &) {
        return 0;
    }
    for (int i = 0; i < items.Count(); ++i) {
        const TContentsItem *it = items[i];
        if (it->Level < 1 || (i == 0 && it->Level != 1) || (i > 0 && it->Level > items[i - 1]->Level + 1))
            std::abort();
        if (it->Accessible != (it->Status == 0) || (it->Accessible && it->Url.isEmpty()) || it->Url.contains(QLatin1String("..")))
            std::abort();
    }
    return 0;
}
