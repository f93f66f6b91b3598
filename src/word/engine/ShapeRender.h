#pragma once
// Drawing shapes, text boxes, groups and canvases painted into pictures, as a word processor's
// filtered HTML shows them. Pictures are painted at a fixed 96 pixels per inch (9525 EMU a
// pixel), so a canvas member at (Left, Top) in points lands on pixel (Left, Top) × 96 / 72 of
// the canvas picture. Painting needs a QGuiApplication (fonts).
#include "word/engine/Model.h"

#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <functional>

namespace tavrel::engine {

constexpr double kEmuPerPixel = 9525.0;
// Bounds of one painted picture; larger shapes are left out with a warning.
constexpr int kMaxPictureSide = 8192;
constexpr qint64 kMaxPicturePixels = 16ll * 1024 * 1024;

// The bytes of a picture shape's picture (its part, or its linked file) as a browser can show
// them (metafiles already converted); empty when there are none.
using TPictureSource = std::function<QByteArray(const TShape &picture)>;

// Whether a preset geometry is drawn as itself (otherwise as its outline box).
bool IsSupportedGeometry(const QString &preset);
// The outline of a preset geometry in r; lines are open paths. Empty for unsupported ones.
QPainterPath PresetPath(const QString &preset, const QRectF &r);

// Paints the shape at its own size. A null image means it was left out; the reason is on the
// document's warning list. Sizes are the shape's extent in pixels (at least 1 for lines).
QImage RenderShape(TDocument &doc, const TShape &shape, const TPictureSource &pictures);

// Whether the writer paints this shape (drawing shapes, groups, canvases) instead of copying
// a picture.
bool IsPaintedShape(const TShape &shape);

} // namespace tavrel::engine
