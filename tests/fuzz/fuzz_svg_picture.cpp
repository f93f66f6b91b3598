// An SVG picture made safe and drawn, as the document writer draws the PNG beside it. Any bytes
// give a result; what is made safe
// stays as it is when made safe again, and the drawing keeps to its limit.
#include "word/engine/SvgPicture.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

using namespace tavrel::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_svg_picture";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const QByteArray svg(reinterpret_cast<const char *>(data), qsizetype(size));
    TSvgLimits limits;
    limits.MaxSide = 300;
    limits.MaxDrawnNodes = 5000;
    const QByteArray safe = SafeSvg(svg, limits);
    // What was made safe is safe as it is.
    if (!safe.isEmpty() && SafeSvg(safe, limits) != safe)
        std::abort();
    const QImage img = RenderSvg(svg, QSize(20, 20), nullptr, limits);
    if (!img.isNull() && (img.width() > 300 || img.height() > 300))
        std::abort();
    return 0;
}
