// A web page read into the model from memory (no folder, so no file is read), then the model's
// positions, its fields and the filtered-HTML writer run over whatever was read. Every input
// reads, with warnings at worst; the model stays consistent.
#include "text/Exceptions.h"
#include "word/engine/Edit.h"
#include "word/engine/HtmlReader.h"
#include "word/engine/HtmlWriter.h"

#include <cstdint>
#include <cstdlib>

using namespace tavrel;
using namespace tavrel::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    THtmlReadOptions options;
    options.DisplayName = QStringLiteral("fuzz.htm");
    options.CodePage = size % 2 ? 1252 : 0;
    std::unique_ptr<TDocument> doc;
    try {
        doc = ReadHtmlBytes(bytes, QString(), options);
    } catch (const Exception &) {
        std::abort(); // only pages beyond the size limit may be refused
    }
    TStory &body = doc->Body;
    if (body.ParagraphCount() < 1)
        std::abort();
    int sum = 0;
    for (TParagraph *p : body.Paragraphs()) {
        if (body.ParagraphStart(p->Index) != sum)
            std::abort();
        sum += p->Length();
        OutlineLevel(*doc, *p);
    }
    if (sum != body.Length() || RangeText(body, 0, sum).size() != sum)
        std::abort();
    // Every hyperlink field the reader made is whole.
    for (const auto &f : FieldsIn(body, 0, body.Length()))
        if (!LocateField(body, *f).Valid())
            std::abort();
    THtmlOptions o;
    o.CodePage = 1252;
    RenderFilteredHtml(*doc, QStringLiteral("doc.htm"), o);
    return 0;
}
