// The quick tag walk and the WebHelp passes built on it, on arbitrary pages: every tag lies
// inside the page in order, its word is the text after its "<", and the search text and the
// body insertion never lose the page.
#include "output/Webhelp.h"
#include "text/TagScanner.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    qsizetype last = -1;
    for (tavrel::TLooseTag t = tavrel::NextLooseTag(page, 0); t.lt >= 0; t = tavrel::NextLooseTag(page, t.gt + 1)) {
        if (t.lt <= last || t.gt <= t.lt || t.gt >= page.size() || page[t.lt] != QLatin1Char('<') || page[t.gt] != QLatin1Char('>'))
            std::abort();
        if (page.mid(t.lt + 1, t.word.size()) != t.word || t.word.contains(QLatin1Char('<')) || t.word.contains(QLatin1Char('>')))
            std::abort();
        last = t.gt;
    }
    const QString mark = QStringLiteral("<!--m-->");
    const QString inserted = tavrel::TWebHelp::InsertAfterBody(page, mark);
    if (inserted.size() != page.size() + mark.size() || QString(inserted).remove(inserted.indexOf(mark), mark.size()) != page)
        std::abort();
    (void)tavrel::TWebHelp::PlainTextForSearch(page);
    return 0;
}
