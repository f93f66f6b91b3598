#pragma once
// SVG pictures drawn into a PNG for the programs that cannot draw SVG. The SVG comes from a
// document or a help file: before the renderer sees it, everything that would make it read
// another file is taken out, and a picture whose references would multiply without bound is
// not drawn at all.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace tavrel::engine {

struct TSvgLimits
{
    int MaxSide = 2000;            // pixels on the longer side of the drawing
    qint64 MaxBytes = 16ll << 20;  // of SVG text
    qint64 MaxDrawnNodes = 100000; // elements drawn, with every <use> counted as what it repeats
};

// The SVG text without external references: href attributes that do not point inside the
// picture ("#id") or hold the data itself ("data:"), style rules that import or point outside,
// processing instructions and the document type (with its entities). Empty when the text is
// not well-formed XML, has no <svg> root, or would draw more than the limit allows.
QByteArray SafeSvg(const QByteArray &svg, const TSvgLimits &limits = TSvgLimits());

// The picture drawn at its own size (width and height, else the view box), scaled down to fit
// MaxSide; `fallback` (pixels) when it states no size. A null image, with the reason in `why`,
// when the SVG cannot be drawn.
QImage RenderSvg(const QByteArray &svg, QSize fallback, QString *why = nullptr, const TSvgLimits &limits = TSvgLimits());

} // namespace tavrel::engine
