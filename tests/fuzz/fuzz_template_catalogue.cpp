// The built-in template catalogue and the source view's colouring over any text: blocks parse,
// positions stay inside the templates folder or are refused, and the colour runs cover the text
// exactly once in every mode.
#include "editing/ChooseTemplate.h"
#include "editing/HTMLEditorColour.h"

#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TWarnings warnings;
    const auto blocks = ReadTemplateCatalogue(text, &warnings);
    for (const auto &b : TemplatesFor(blocks, QStringLiteral("htmlHelp"))) {
        const QString page = CatalogueMainPage(QStringLiteral("/nonexistent/templates"), b, &warnings);
        if (!page.isEmpty() && !page.startsWith(QLatin1String("/nonexistent/templates/")))
            std::abort();
    }
    for (TSourceKind kind : {TSourceKind::Html, TSourceKind::StyleSheet, TSourceKind::Script}) {
        int pos = 0;
        for (const auto &s : ColourSource(text, kind)) {
            if (s.Start != pos || s.Length <= 0)
                std::abort();
            pos += s.Length;
        }
        if (pos != text.size())
            std::abort();
    }
    const int n = static_cast<int>(text.size());
    const auto [from, to] = WordSelection(text, n / 3, n / 2);
    if (from < 0 || to > n || from > to)
        std::abort();
    return 0;
}
