#pragma once
// XML parts of Office packages: parsing with bounds, one fixed prefix per namespace, and the
// small accessors the part readers share.
#include <QByteArray>
#include <QString>
#include <memory>
#include <pugixml.hpp>

namespace tavrel::engine {

struct TXmlLimits
{
    qint64 MaxBytes = 256ll * 1024 * 1024;
    int MaxDepth = 256;
};

// Parses one part. Raises an Exception naming the file and the part when the XML is malformed,
// larger than the limit or nested deeper than the limit. Element and attribute names come out
// with the usual prefixes ("w:", "r:", "wp:", "a:", "pic:", "v:", "o:", "mc:", ...) whatever
// prefixes the producer chose, strict namespaces included, so readers can match names directly.
// The document keeps the bytes it was parsed from (strings point into them): pass a part that
// is not needed otherwise with std::move, so that it is not copied.
class TXmlPart : public pugi::xml_document
{
public:
    QByteArray Buffer;
};
std::unique_ptr<TXmlPart> ParseXmlPart(QByteArray bytes, const QString &fileName, const QString &partName,
                                       const TXmlLimits &limits = TXmlLimits());

inline QString XStr(const pugi::xml_node &n, const char *attr)
{
    return QString::fromUtf8(n.attribute(attr).value());
}
inline QString XText(const pugi::xml_node &n) { return QString::fromUtf8(n.text().get()); }
inline bool XHas(const pugi::xml_node &n, const char *attr) { return !n.attribute(attr).empty(); }
inline bool XIs(const pugi::xml_node &n, const char *name) { return std::strcmp(n.name(), name) == 0; }

// An OOXML on/off element: true when present without w:val, or with a true value.
bool XOnOff(const pugi::xml_node &n, const char *attr = "w:val");
// An integer attribute; def when missing or not a number. Accepts a leading sign and decimal
// fractions (rounded); huge values are clamped so later arithmetic cannot overflow.
int XInt(const pugi::xml_node &n, const char *attr, int def = 0);
// A length in twentieths of a point: plain numbers, or numbers with a unit (mm, cm, in, pt, pc, pi).
int XTwips(const pugi::xml_node &n, const char *attr, int def = 0);
// A hexadecimal attribute ("F0B7"); def when missing or not hexadecimal.
int XHex(const pugi::xml_node &n, const char *attr, int def = 0);

} // namespace tavrel::engine
