#pragma once
// The source view's colouring rules and its word selection, as plain functions over the text,
// so the view only paints what they return.
#include <QColor>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>
#include <optional>
#include <utility>

namespace tavrel {

// One run of text in one colour; positions count UTF-16 units of the text without CR.
struct TColourSpan
{
    int Start = 0;
    int Length = 0;
    QRgb Colour = 0;
    bool operator==(const TColourSpan &) const = default;
};

enum class TSourceKind { Html, StyleSheet, Script };

// The kind of colouring a file gets by its extension: ".css" style sheet, ".js" script,
// everything else HTML.
TSourceKind SourceKindOf(const QString &ext);

// The whole text in adjacent runs, covering every character once, in order.
QList<TColourSpan> ColourSource(const QString &text, TSourceKind kind);

// Letters, digits and "_" make words; everything else ends a word and a tag name.
bool IsWordChar(QChar c);

// The selection [start, end) widened to whole words: from the first word character of the
// selection back to the start of its word, from the last one forward to the end of its word.
// A selection without word characters is returned unchanged.
std::pair<int, int> WordSelection(const QString &text, int start, int end);

// The colour a selection names when its trimmed text is "#" and six more characters that read
// as a colour; nothing otherwise.
std::optional<QColor> SelectedColour(const QString &selected);

// The "Color" button's glyph with its bottom four rows (12 to 15 of 16) in colour; the rest of
// the glyph, transparency included, as it was.
QImage SwatchGlyph(const QImage &glyph, const QColor &colour);

} // namespace tavrel
