#include "word/engine/Xml.h"

#include "text/Exceptions.h"

#include <QHash>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tavrel::engine {

namespace {

const QHash<QByteArray, QByteArray> &canonicalPrefixes()
{
    static const QHash<QByteArray, QByteArray> map = {
        {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", "w"},
        {"http://purl.oclc.org/ooxml/wordprocessingml/main", "w"},
        {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", "r"},
        {"http://purl.oclc.org/ooxml/officeDocument/relationships", "r"},
        {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", "wp"},
        {"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing", "wp"},
        {"http://schemas.openxmlformats.org/drawingml/2006/main", "a"},
        {"http://purl.oclc.org/ooxml/drawingml/main", "a"},
        {"http://schemas.openxmlformats.org/drawingml/2006/picture", "pic"},
        {"http://purl.oclc.org/ooxml/drawingml/picture", "pic"},
        {"http://schemas.openxmlformats.org/drawingml/2006/chart", "c"},
        {"http://purl.oclc.org/ooxml/drawingml/chart", "c"},
        {"http://schemas.openxmlformats.org/drawingml/2006/diagram", "dgm"},
        {"http://schemas.openxmlformats.org/officeDocument/2006/math", "m"},
        {"http://purl.oclc.org/ooxml/officeDocument/math", "m"},
        {"http://schemas.openxmlformats.org/markup-compatibility/2006", "mc"},
        {"urn:schemas-microsoft-com:vml", "v"},
        {"urn:schemas-microsoft-com:office:office", "o"},
        {"urn:schemas-microsoft-com:office:word", "w10"},
        {"http://schemas.microsoft.com/office/word/2010/wordprocessingShape", "wps"},
        {"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup", "wpg"},
        {"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas", "wpc"},
        {"http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing", "wp14"},
        {"http://schemas.microsoft.com/office/word/2010/wordml", "w14"},
        {"http://schemas.microsoft.com/office/word/2012/wordml", "w15"},
        {"http://schemas.microsoft.com/office/2006/activeX", "ax"},
        {"http://schemas.openxmlformats.org/package/2006/relationships", ""},
        {"http://schemas.openxmlformats.org/package/2006/content-types", ""},
    };
    return map;
}

struct Scope
{
    std::vector<std::pair<std::string, QByteArray>> decls; // prefix ("" = default) -> canonical
};

// Renames element and attribute names whose prefix is bound to a known namespace under another
// prefix. Most producers use the usual prefixes; the walk then only reads names.
void normalise(pugi::xml_document &doc)
{
    const auto &canon = canonicalPrefixes();
    // prefix -> canonical prefix, as a stack of bindings (innermost last)
    std::vector<std::pair<std::string, std::string>> bindings;
    struct Frame
    {
        pugi::xml_node node;
        size_t bindingsBefore;
        bool childrenDone;
        int renamingBefore = 0;
    };
    int renaming = 0; // bindings in scope whose prefix differs from the usual one
    std::vector<Frame> stack;
    for (pugi::xml_node c = doc.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            stack.push_back({c, 0, false});
    std::reverse(stack.begin(), stack.end());

    auto lookup = [&](const std::string &prefix, std::string &out) -> bool {
        for (auto it = bindings.rbegin(); it != bindings.rend(); ++it)
            if (it->first == prefix) {
                out = it->second;
                return true;
            }
        return false;
    };
    auto rename = [&](auto obj, bool isAttribute) {
        const char *name = obj.name();
        const char *colon = std::strchr(name, ':');
        std::string prefix = colon ? std::string(name, colon) : std::string();
        if (isAttribute && !colon)
            return; // unprefixed attributes belong to no namespace
        if (prefix == "xmlns" || (isAttribute && !colon))
            return;
        std::string target;
        if (!lookup(prefix, target) || target == prefix)
            return;
        const char *local = colon ? colon + 1 : name;
        std::string renamed = target.empty() ? std::string(local) : target + ":" + local;
        obj.set_name(renamed.c_str());
    };

    while (!stack.empty()) {
        Frame &f = stack.back();
        if (f.childrenDone) {
            bindings.resize(f.bindingsBefore);
            renaming = f.renamingBefore;
            stack.pop_back();
            continue;
        }
        f.childrenDone = true;
        f.bindingsBefore = bindings.size();
        f.renamingBefore = renaming;
        pugi::xml_node n = f.node;
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            const char *an = a.name();
            if (std::strncmp(an, "xmlns", 5) != 0 || (an[5] != 0 && an[5] != ':'))
                continue;
            std::string prefix = an[5] == ':' ? std::string(an + 6) : std::string();
            auto it = canon.constFind(QByteArray(a.value()));
            if (it != canon.constEnd()) {
                bindings.emplace_back(prefix, it->toStdString());
                if (bindings.back().second != prefix)
                    ++renaming;
            } else if (!prefix.empty() || a.value()[0]) {
                bindings.emplace_back(prefix, prefix); // unknown namespace: leave names alone
            }
        }
        if (renaming > 0) {
            rename(n, false);
            for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
                rename(a, true);
        }
        for (pugi::xml_node c = n.last_child(); c; c = c.previous_sibling())
            if (c.type() == pugi::node_element)
                stack.push_back({c, 0, false});
    }
}

int maxDepth(const pugi::xml_document &doc, int limit)
{
    // Iterative walk: the nesting itself is what is being bounded.
    int depth = 0, worst = 0;
    pugi::xml_node n = doc.first_child();
    while (n) {
        if (n.first_child()) {
            n = n.first_child();
            ++depth;
            worst = std::max(worst, depth);
            if (worst > limit)
                return worst;
            continue;
        }
        while (n && !n.next_sibling()) {
            n = n.parent();
            --depth;
        }
        if (n)
            n = n.next_sibling();
        if (depth < 0)
            break;
    }
    return worst;
}

// The parser keeps its strings zero-terminated, so a character reference to U+0000 or a raw zero
// byte would cut the text at that point and lose the rest of the heading or paragraph. Both are
// dropped; everything around them stays. UTF-16 parts are turned into UTF-8 first (their zero
// bytes are part of the encoding); UTF-32 parts are left to the parser as they are.
void dropNulCharacters(QByteArray &bytes)
{
    auto startsWith = [&bytes](const char *prefix, qsizetype n) {
        return bytes.size() >= n && std::memcmp(bytes.constData(), prefix, size_t(n)) == 0;
    };
    if (startsWith("\x00\x00\xFE\xFF", 4) || startsWith("\xFF\xFE\x00\x00", 4) || startsWith("<\x00\x00\x00", 4) ||
        startsWith("\x00\x00\x00<", 4))
        return;
    std::optional<QStringConverter::Encoding> utf16;
    if (startsWith("\xFF\xFE", 2) || startsWith("<\x00", 2))
        utf16 = QStringConverter::Utf16LE;
    else if (startsWith("\xFE\xFF", 2) || startsWith("\x00<", 2))
        utf16 = QStringConverter::Utf16BE;
    if (utf16) {
        QStringDecoder decode(*utf16, QStringConverter::Flag::Stateless);
        QString text = decode(bytes);
        if (!text.isEmpty() && text.front() == QChar(0xFEFF))
            text.remove(0, 1);
        bytes = text.toUtf8();
    }
    if (!bytes.contains('\0') && !bytes.contains("&#"))
        return;
    QByteArray out;
    out.reserve(bytes.size());
    const char *p = bytes.constData();
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '\0')
            continue;
        if (p[i] == '&' && i + 2 < n && p[i + 1] == '#') {
            qsizetype j = i + 2;
            const bool hex = p[j] == 'x' || p[j] == 'X';
            if (hex)
                ++j;
            const qsizetype digits = j;
            while (j < n && p[j] == '0')
                ++j;
            if (j > digits && j < n && p[j] == ';') {
                i = j; // "&#0;", "&#x0000;" and the like
                continue;
            }
        }
        out += p[i];
    }
    bytes = std::move(out);
}

} // namespace

std::unique_ptr<TXmlPart> ParseXmlPart(QByteArray bytes, const QString &fileName, const QString &partName,
                                       const TXmlLimits &limits)
{
    auto fail = [&](const QString &problem) {
        throw Exception(QStringLiteral("The document \"%1\" cannot be read: its part \"%2\" %3.")
                            .arg(fileName, partName, problem));
    };
    if (bytes.size() > limits.MaxBytes)
        fail(QStringLiteral("is larger than %1 MB").arg(limits.MaxBytes / (1024 * 1024)));
    dropNulCharacters(bytes);
    auto doc = std::make_unique<TXmlPart>();
    doc->Buffer = std::move(bytes);
    const unsigned flags = pugi::parse_default | pugi::parse_ws_pcdata_single;
    pugi::xml_parse_result res = doc->load_buffer_inplace(doc->Buffer.data(), size_t(doc->Buffer.size()), flags, pugi::encoding_auto);
    if (!res)
        fail(QStringLiteral("is not well-formed XML (%1 at byte %2)").arg(QString::fromUtf8(res.description())).arg(res.offset));
    if (!doc->document_element())
        fail(QStringLiteral("holds no XML element"));
    if (maxDepth(*doc, limits.MaxDepth) > limits.MaxDepth)
        fail(QStringLiteral("is nested deeper than %1 levels").arg(limits.MaxDepth));
    normalise(*doc);
    return doc;
}

bool XOnOff(const pugi::xml_node &n, const char *attr)
{
    if (!n)
        return false;
    pugi::xml_attribute a = n.attribute(attr);
    if (a.empty())
        return true;
    const char *v = a.value();
    return !(std::strcmp(v, "0") == 0 || std::strcmp(v, "false") == 0 || std::strcmp(v, "off") == 0);
}

namespace {
bool parseNumber(const char *s, double &value, std::string &unit)
{
    while (*s == ' ')
        ++s;
    char *end = nullptr;
    value = std::strtod(s, &end);
    if (end == s || !std::isfinite(value))
        return false;
    unit.assign(end);
    while (!unit.empty() && unit.back() == ' ')
        unit.pop_back();
    return true;
}
int clampInt(double v)
{
    if (v > 1e9)
        return 1000000000;
    if (v < -1e9)
        return -1000000000;
    return int(std::lround(v));
}
} // namespace

int XInt(const pugi::xml_node &n, const char *attr, int def)
{
    pugi::xml_attribute a = n.attribute(attr);
    if (a.empty())
        return def;
    double v;
    std::string unit;
    if (!parseNumber(a.value(), v, unit))
        return def;
    if (unit == "%")
        v *= 50; // percentages in fiftieths, as the transitional form stores them
    return clampInt(v);
}

int XTwips(const pugi::xml_node &n, const char *attr, int def)
{
    pugi::xml_attribute a = n.attribute(attr);
    if (a.empty())
        return def;
    double v;
    std::string unit;
    if (!parseNumber(a.value(), v, unit))
        return def;
    if (unit.empty())
        return clampInt(v);
    if (unit == "pt")
        return clampInt(v * 20);
    if (unit == "in")
        return clampInt(v * 1440);
    if (unit == "cm")
        return clampInt(v * 1440 / 2.54);
    if (unit == "mm")
        return clampInt(v * 144 / 2.54);
    if (unit == "pc" || unit == "pi")
        return clampInt(v * 240);
    return def;
}

int XHex(const pugi::xml_node &n, const char *attr, int def)
{
    pugi::xml_attribute a = n.attribute(attr);
    if (a.empty())
        return def;
    bool ok = false;
    int v = QByteArray(a.value()).toInt(&ok, 16);
    return ok ? v : def;
}

} // namespace tavrel::engine
