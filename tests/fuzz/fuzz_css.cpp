// A style sheet and a style attribute parsed, cascaded over a small fixed tree and computed, as
// the web page reader does. Any text parses; the cascade and the computed values stay finite.
#include "word/engine/Css.h"
#include "word/engine/HtmlStyle.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;
using namespace tavrel::engine;

namespace {

class Element : public TCssElement
{
public:
    Element(const char *tag, const Element *parent, const Element *previous, const char *id, QStringList classes)
        : m_tag(QLatin1String(tag)), m_parent(parent), m_previous(previous), m_id(QLatin1String(id)), m_classes(std::move(classes))
    {
    }
    QString Tag() const override { return m_tag; }
    const TCssElement *Parent() const override { return m_parent; }
    const TCssElement *PreviousSibling() const override { return m_previous; }
    QString Id() const override { return m_id; }
    const QStringList &Classes() const override { return m_classes; }
    bool HasId(const QString &id) const override { return !m_id.isEmpty() && id == m_id; }
    bool HasClass(const QString &c) const override { return m_classes.contains(c); }
    bool Attribute(const QString &name, QString &value) const override
    {
        if (name == QLatin1String("href") && m_tag == QLatin1String("a")) {
            value = QStringLiteral("x.htm");
            return true;
        }
        return false;
    }
    bool IsLink() const override { return m_tag == QLatin1String("a"); }

private:
    QString m_tag;
    const Element *m_parent, *m_previous;
    QString m_id;
    QStringList m_classes;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TCssStyleSheet sheet;
    TWarnings warnings;
    TCssLimits limits;
    limits.MaxRules = 2000;
    ParseCssStyleSheet(text, sheet, QStringLiteral("fuzz.css"), &warnings, limits);
    TCssCascade cascade;
    cascade.AddSheet(HtmlDefaultSheet(size % 2), TCssCascade::UserAgent);
    cascade.AddSheet(sheet, TCssCascade::Author);
    const TCssDeclarations inlineStyle = ParseCssDeclarations(text.left(2000));

    Element html("html", nullptr, nullptr, "", {});
    Element body("body", &html, nullptr, "main", {"page"});
    Element div("div", &body, nullptr, "note", {"box", "warn"});
    Element p("p", &div, nullptr, "", {"first"});
    Element a("a", &p, nullptr, "top", {});
    Element li("li", &div, &p, "", {"item"});
    THtmlStyle parent;
    for (const Element *e : {&html, &body, &div, &p, &a, &li}) {
        TCssValues v;
        cascade.Compute(*e, nullptr, e == &a ? &inlineStyle : nullptr, v);
        const THtmlStyle s = ComputeHtmlStyle(v, parent, 12, 9360);
        if (!std::isfinite(s.FontPt) || s.FontPt < 1 || s.FontPt > 1638 || !std::isfinite(s.TextIndent))
            std::abort();
        for (int side = 0; side < 4; ++side)
            if (!std::isfinite(s.Margin[side]) || s.BorderWidth[side] < 0)
                std::abort();
        parent = s;
    }
    CssColor(text.left(64), size % 3 == 0);
    return 0;
}
