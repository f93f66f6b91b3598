#include "word/engine/SvgPicture.h"

#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <vector>

namespace tavrel::engine {

namespace {

constexpr int kMaxDepth = 256;

bool startsWithNoCase(const char *s, const char *prefix)
{
    return strncasecmp(s, prefix, std::strlen(prefix)) == 0;
}

// A reference the renderer resolves inside the picture: "#id", or the data itself.
bool internalReference(const char *value)
{
    while (*value == ' ' || *value == '\t' || *value == '\n' || *value == '\r')
        ++value;
    return *value == '#' || startsWithNoCase(value, "data:");
}

// Text that names something outside: an import, or url(...) not pointing to "#id".
bool pointsOutside(const char *text)
{
    const QByteArray t = QByteArray(text).toLower();
    if (t.contains("@import"))
        return true;
    for (qsizetype at = t.indexOf("url("); at >= 0; at = t.indexOf("url(", at + 4)) {
        qsizetype i = at + 4;
        while (i < t.size() && (t[i] == ' ' || t[i] == '\'' || t[i] == '"'))
            ++i;
        if (i >= t.size() || t[i] != '#')
            return true;
    }
    return false;
}

bool isHref(const char *name)
{
    const size_t n = std::strlen(name);
    return std::strcmp(name, "href") == 0 || (n > 5 && std::strcmp(name + n - 5, ":href") == 0);
}

// How many elements drawing `node` means, with each <use> counting what it repeats; stops at
// `limit` (cycles count as over the limit).
class TDrawnCount
{
public:
    TDrawnCount(const std::map<std::string, pugi::xml_node> &ids, qint64 limit) : m_ids(ids), m_limit(limit) {}

    qint64 Of(pugi::xml_node node, int depth = 0)
    {
        if (depth > 4 * kMaxDepth)
            return m_limit + 1;
        auto known = m_memo.find(node.internal_object());
        if (known != m_memo.end())
            return known->second;
        if (!m_busy.insert(node.internal_object()).second)
            return m_limit + 1; // refers to itself
        qint64 n = 1;
        for (pugi::xml_node c = node.first_child(); c && n <= m_limit; c = c.next_sibling())
            if (c.type() == pugi::node_element)
                n += Of(c, depth + 1);
        if (std::strcmp(node.name(), "use") == 0 || std::strcmp(node.name(), "svg:use") == 0) {
            for (pugi::xml_attribute a = node.first_attribute(); a && n <= m_limit; a = a.next_attribute()) {
                const char *v = a.value();
                if (!isHref(a.name()) || *v != '#')
                    continue;
                auto target = m_ids.find(v + 1);
                if (target != m_ids.end())
                    n += Of(target->second, depth + 1);
            }
        }
        n = std::min(n, m_limit + 1);
        m_busy.erase(node.internal_object());
        m_memo[node.internal_object()] = n;
        return n;
    }

private:
    const std::map<std::string, pugi::xml_node> &m_ids;
    qint64 m_limit;
    std::map<const void *, qint64> m_memo;
    std::set<const void *> m_busy;
};

} // namespace

QByteArray SafeSvg(const QByteArray &svg, const TSvgLimits &limits)
{
    if (svg.isEmpty() || svg.size() > limits.MaxBytes)
        return QByteArray();
    pugi::xml_document doc;
    // Without parse_doctype and parse_pi the document type, its entities and processing
    // instructions are dropped; undeclared entities stay text.
    const unsigned flags = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol;
    if (!doc.load_buffer(svg.constData(), size_t(svg.size()), flags))
        return QByteArray();
    pugi::xml_node root = doc.document_element();
    const char *rootName = root.name();
    if (std::strcmp(rootName, "svg") != 0 && !(std::strlen(rootName) > 4 && std::strcmp(rootName + std::strlen(rootName) - 4, ":svg") == 0))
        return QByteArray();

    std::map<std::string, pugi::xml_node> ids;
    std::vector<pugi::xml_node> doomed;
    std::vector<std::pair<pugi::xml_node, int>> todo{{root, 1}};
    while (!todo.empty()) {
        auto [node, depth] = todo.back();
        todo.pop_back();
        if (depth > kMaxDepth)
            return QByteArray();
        const char *name = node.name();
        const char *local = std::strrchr(name, ':') ? std::strrchr(name, ':') + 1 : name;
        if (std::strcmp(local, "script") == 0 || std::strcmp(local, "foreignObject") == 0) {
            doomed.push_back(node);
            continue;
        }
        if (std::strcmp(local, "style") == 0 && pointsOutside(node.child_value())) {
            doomed.push_back(node);
            continue;
        }
        std::vector<pugi::xml_attribute> drop;
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            if ((isHref(a.name()) && !internalReference(a.value())) || pointsOutside(a.value()) ||
                startsWithNoCase(a.name(), "xml:base"))
                drop.push_back(a);
            else if (std::strcmp(a.name(), "id") == 0)
                ids.emplace(a.value(), node);
        }
        for (const pugi::xml_attribute &a : drop)
            node.remove_attribute(a);
        for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_element)
                todo.emplace_back(c, depth + 1);
    }
    for (pugi::xml_node &n : doomed)
        n.parent().remove_child(n);
    if (TDrawnCount(ids, limits.MaxDrawnNodes).Of(root) > limits.MaxDrawnNodes)
        return QByteArray();
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return QByteArray::fromStdString(out.str());
}

QImage RenderSvg(const QByteArray &svg, QSize fallback, QString *why, const TSvgLimits &limits)
{
    auto fail = [&](const QString &reason) {
        if (why)
            *why = reason;
        return QImage();
    };
    const QByteArray safe = SafeSvg(svg, limits);
    if (safe.isEmpty())
        return fail(QStringLiteral("The SVG picture is damaged, too large or too complex to draw"));
    QSvgRenderer renderer(safe);
    if (!renderer.isValid())
        return fail(QStringLiteral("The SVG picture cannot be drawn"));
    // The stated size: width and height, else the view box.
    QSizeF size = renderer.viewBoxF().size();
    const QSize stated = renderer.defaultSize();
    if (stated.width() > 0 && stated.height() > 0)
        size = QSizeF(stated);
    if (!(size.width() > 0 && size.height() > 0) || !std::isfinite(size.width()) || !std::isfinite(size.height()))
        size = QSizeF(fallback);
    if (!(size.width() > 0 && size.height() > 0))
        size = QSizeF(96, 96);
    const double scale = std::min(1.0, limits.MaxSide / std::max(size.width(), size.height()));
    const int w = std::clamp(int(std::lround(size.width() * scale)), 1, limits.MaxSide);
    const int h = std::clamp(int(std::lround(size.height() * scale)), 1, limits.MaxSide);
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return fail(QStringLiteral("The SVG picture is too large to draw"));
    img.fill(Qt::transparent);
    QPainter painter(&img);
    renderer.render(&painter, QRectF(0, 0, w, h));
    painter.end();
    return img;
}

} // namespace tavrel::engine
