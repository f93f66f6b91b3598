// The main document part of a .docx alone: read into the model, then the model's positions, the
// headings pass of the conversion and the filtered-HTML writer run over whatever was read. Every
// input either reads or raises the engine's exception; the model stays consistent either way.
#include "text/Exceptions.h"
#include "word/engine/DocxReader.h"
#include "word/engine/Edit.h"
#include "word/engine/HtmlWriter.h"

#include <cstdint>
#include <cstdlib>

using namespace tavrel;
using namespace tavrel::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::unique_ptr<TDocument> doc;
    try {
        doc = ReadDocumentPart(bytes, QStringLiteral("fuzz.docx"));
    } catch (const Exception &) {
        return 0;
    }
    TStory &body = doc->Body;
    // The index agrees with a plain count of every paragraph's length.
    int sum = 0;
    for (TParagraph *p : body.Paragraphs()) {
        if (body.ParagraphStart(p->Index) != sum)
            std::abort();
        sum += p->Length();
    }
    if (sum != body.Length() || RangeText(body, 0, sum).size() != sum)
        std::abort();
    // Markers before every heading, fields found and deleted, as the conversion does.
    for (TParagraph *p : std::vector<TParagraph *>(body.Paragraphs()))
        if (OutlineLevel(*doc, *p) < 10)
            InsertText(body, body.ParagraphStart(p->Index), QStringLiteral("`~#$1"));
    for (const auto &f : FieldsIn(body, 0, body.Length())) {
        FieldCodeText(body, *f);
        TFieldSpan s = LocateField(body, *f);
        if (s.Valid())
            DeleteRange(body, s.Begin, s.End + 1);
    }
    THtmlOptions o;
    o.CodePage = 1252;
    RenderFilteredHtml(*doc, QStringLiteral("doc.htm"), o);
    return 0;
}
