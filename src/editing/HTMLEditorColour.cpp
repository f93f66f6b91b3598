#include "editing/HTMLEditorColour.h"

#include "editing/SmallDialogs.h"

#include <vector>

namespace tavrel {

namespace {
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kGreen = 0xFF008000;
constexpr QRgb kDarkRed = 0xFF800000;
constexpr QRgb kBlack = 0xFF000000;

class TPainter
{
public:
    explicit TPainter(const QString &text) : text(text), colours(static_cast<size_t>(text.size()), kRed) {}
    void fill(int from, int to, QRgb colour)
    {
        from = std::max(from, 0);
        to = std::min(to, static_cast<int>(text.size()));
        for (int i = from; i < to; ++i)
            colours[static_cast<size_t>(i)] = colour;
    }
    QList<TColourSpan> spans() const
    {
        QList<TColourSpan> out;
        for (int i = 0; i < static_cast<int>(colours.size());) {
            int j = i + 1;
            while (j < static_cast<int>(colours.size()) && colours[static_cast<size_t>(j)] == colours[static_cast<size_t>(i)])
                ++j;
            out.append({i, j - i, colours[static_cast<size_t>(i)]});
            i = j;
        }
        return out;
    }
    const QString &text;
    std::vector<QRgb> colours;
};

bool startsAt(const QString &text, int i, QLatin1String what)
{
    return QStringView(text).mid(i, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

// Selectors blue, property names through their colon red, values green, comments dark red.
void colourStyleSheet(TPainter &p, int from, int to)
{
    const QString &t = p.text;
    p.fill(from, to, kBlue);
    int mark = from;
    bool inBlock = false;
    bool sawColon = false;
    for (int i = from; i < to; ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('/') && i + 1 < to && t[i + 1] == QLatin1Char('*')) {
            if (inBlock)
                p.fill(mark, i, kGreen);
            int end = t.indexOf(QLatin1String("*/"), i + 2);
            end = (end < 0 || end + 2 > to) ? to : end + 2;
            p.fill(i, end, kDarkRed);
            mark = end;
            i = end - 1;
            continue;
        }
        if (!inBlock) {
            if (c == QLatin1Char('{')) {
                inBlock = true;
                sawColon = false;
                mark = i + 1;
            }
            continue;
        }
        if (c == QLatin1Char('}')) {
            p.fill(mark, i, kGreen);
            inBlock = false;
            mark = i + 1;
        } else if (c == QLatin1Char('\n')) {
            mark = i + 1;
        } else if (c == QLatin1Char(':') && !sawColon) {
            // Only the colon after a property name: "url(http://...)" stays a value.
            p.fill(mark, i + 1, kRed);
            mark = i + 1;
            sawColon = true;
        } else if (c == QLatin1Char(';')) {
            p.fill(mark, i, kGreen);
            mark = i + 1;
            sawColon = false;
        }
    }
}

void colourScript(TPainter &p, int from, int to)
{
    p.fill(from, to, kBlack);
    for (int i = from; i < to; ++i) {
        const QChar c = p.text[i];
        if (c == QLatin1Char('{') || c == QLatin1Char('}'))
            p.colours[static_cast<size_t>(i)] = kRed;
        else if (c == QLatin1Char('(') || c == QLatin1Char(')'))
            p.colours[static_cast<size_t>(i)] = kGreen;
    }
}

// Tags red with their quoted values green, text between tags blue, style and script blocks
// by their own rules.
void colourHtml(TPainter &p)
{
    const QString &t = p.text;
    const int n = static_cast<int>(t.size());
    enum class Mode { Text, Style, Script } mode = Mode::Text;
    int textStart = 0, blockStart = 0;
    int i = 0;
    while (i < n) {
        if (mode != Mode::Text) {
            const QLatin1String closer = mode == Mode::Style ? QLatin1String("</style") : QLatin1String("</script");
            const int after = i + static_cast<int>(closer.size());
            if (t[i] != QLatin1Char('<') || !startsAt(t, i, closer) || (after < n && IsWordChar(t[after]))) {
                ++i;
                continue;
            }
            if (mode == Mode::Style)
                colourStyleSheet(p, blockStart, i);
            else
                colourScript(p, blockStart, i);
            mode = Mode::Text;
            textStart = i;
        }
        if (t[i] != QLatin1Char('<')) {
            ++i;
            continue;
        }
        p.fill(textStart, i, kBlue);
        if (startsAt(t, i, QLatin1String("<!--"))) {
            const int end = t.indexOf(QLatin1String("-->"), i + 4);
            i = end < 0 ? n : end + 3;
            textStart = i;
            continue;
        }
        int j = i + 1;
        if (j < n && t[j] == QLatin1Char('/'))
            ++j;
        while (j < n && IsWordChar(t[j]))
            ++j;
        const QString name = t.mid(i + 1, j - i - 1).toLower();
        int k = j;
        while (k < n && t[k] != QLatin1Char('>')) {
            if (t[k] == QLatin1Char('"')) {
                int q = t.indexOf(QLatin1Char('"'), k + 1);
                if (q < 0)
                    q = n;
                p.fill(k + 1, q, kGreen);
                k = q + 1;
            } else {
                ++k;
            }
        }
        i = k + 1;
        textStart = std::min(i, n);
        if (k >= n)
            break;
        if (name == QLatin1String("style")) {
            mode = Mode::Style;
            blockStart = i;
        } else if (name == QLatin1String("script")) {
            mode = Mode::Script;
            blockStart = i;
        }
    }
    if (mode == Mode::Style)
        colourStyleSheet(p, blockStart, n);
    else if (mode == Mode::Script)
        colourScript(p, blockStart, n);
    else
        p.fill(textStart, n, kBlue);
}
} // namespace

TSourceKind SourceKindOf(const QString &ext)
{
    if (ext.compare(QLatin1String(".css"), Qt::CaseInsensitive) == 0)
        return TSourceKind::StyleSheet;
    if (ext.compare(QLatin1String(".js"), Qt::CaseInsensitive) == 0)
        return TSourceKind::Script;
    return TSourceKind::Html;
}

QList<TColourSpan> ColourSource(const QString &text, TSourceKind kind)
{
    TPainter p(text);
    switch (kind) {
    case TSourceKind::StyleSheet:
        colourStyleSheet(p, 0, static_cast<int>(text.size()));
        break;
    case TSourceKind::Script:
        colourScript(p, 0, static_cast<int>(text.size()));
        break;
    case TSourceKind::Html:
        colourHtml(p);
        break;
    }
    return p.spans();
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

std::pair<int, int> WordSelection(const QString &text, int start, int end)
{
    const int n = static_cast<int>(text.size());
    start = std::clamp(start, 0, n);
    end = std::clamp(end, start, n);
    int first = -1, last = -1;
    for (int i = start; i < end; ++i) {
        if (IsWordChar(text[i])) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0 && start == end) {
        // A bare caret takes the word it touches, on either side.
        if (start < n && IsWordChar(text[start]))
            first = last = start;
        else if (start > 0 && IsWordChar(text[start - 1]))
            first = last = start - 1;
    }
    if (first < 0)
        return {start, end};
    while (first > 0 && IsWordChar(text[first - 1]))
        --first;
    while (last + 1 < n && IsWordChar(text[last + 1]))
        ++last;
    return {first, last + 1};
}

std::optional<QColor> SelectedColour(const QString &selected)
{
    const QString s = selected.trimmed();
    if (s.size() != 7 || !s.startsWith(QLatin1Char('#')))
        return std::nullopt;
    const QColor c = TextToColor(s);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

QImage SwatchGlyph(const QImage &glyph, const QColor &colour)
{
    QImage out = glyph.convertToFormat(QImage::Format_ARGB32).scaled(16, 16);
    if (!colour.isValid())
        return out;
    for (int y = 12; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            out.setPixel(x, y, colour.rgb());
    return out;
}

} // namespace tavrel
