#pragma once
// The part of CSS that the pages of help files use: style sheets and style attributes parsed
// into rules with selectors and declarations (shorthands expanded into their longhands), and the
// cascade that gives an element its declared values by origin, !important, specificity and
// order. The values stay text; the web page reader turns them into lengths and colours.
#include "text/Warnings.h"

#include <QString>
#include <QStringList>
#include <array>
#include <bitset>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tavrel::engine {

// The properties the reader maps onto the model; every other property is dropped when parsed.
enum class TCssProperty : uint8_t {
    Color,
    BackgroundColor,
    FontFamily,
    FontSize,
    FontWeight,
    FontStyle,
    FontVariant,
    TextDecoration,
    TextTransform,
    TextAlign,
    TextIndent,
    LineHeight,
    VerticalAlign,
    WhiteSpace,
    Display,
    Visibility,
    MarginTop,
    MarginRight,
    MarginBottom,
    MarginLeft,
    PaddingTop,
    PaddingRight,
    PaddingBottom,
    PaddingLeft,
    BorderTopWidth,
    BorderRightWidth,
    BorderBottomWidth,
    BorderLeftWidth,
    BorderTopStyle,
    BorderRightStyle,
    BorderBottomStyle,
    BorderLeftStyle,
    BorderTopColor,
    BorderRightColor,
    BorderBottomColor,
    BorderLeftColor,
    Width,
    Height,
    ListStyleType,
    PageBreakBefore,
    Count
};
constexpr int kCssPropertyCount = int(TCssProperty::Count);

// The property of a name ("margin-left"), letter case ignored; false for properties not kept.
bool CssPropertyOf(const QString &name, TCssProperty &property);
QString CssPropertyName(TCssProperty property);

struct TCssDeclaration
{
    TCssProperty Property = TCssProperty::Color;
    QString Value; // trimmed, "!important" removed
    bool Important = false;
};
using TCssDeclarations = std::vector<TCssDeclaration>;

// What a selector asks of an element. The page reader implements it over its tree.
class TCssElement
{
public:
    virtual ~TCssElement() = default;
    virtual QString Tag() const = 0; // lower case
    virtual const TCssElement *Parent() const = 0;
    virtual const TCssElement *PreviousSibling() const = 0; // the previous element
    virtual QString Id() const = 0;                 // as written; empty when none
    virtual const QStringList &Classes() const = 0; // as written
    // Comparisons follow the page's mode: pages in quirks mode compare without regard to case.
    virtual bool HasId(const QString &id) const = 0;
    virtual bool HasClass(const QString &name) const = 0;
    // The attribute's value; false when the element has no such attribute (name in lower case).
    virtual bool Attribute(const QString &name, QString &value) const = 0;
    virtual bool IsLink() const = 0; // an element with an address that :link matches
};

struct TCssAttributeTest
{
    QString Name;  // lower case
    char Op = 0;   // 0 present, '=' equal, '~' word, '|' prefix with "-", '^' starts, '$' ends, '*' contains
    QString Value;
};

struct TCssCompound
{
    QString Tag; // lower case; empty for any element
    QStringList Ids, Classes;
    std::vector<TCssAttributeTest> Attributes;
    bool Link = false, FirstChild = false;
    bool Never = false;       // a state a printed page never has (:hover, :visited, ...)
    char Combinator = 0;      // how it joins the compound before it: ' ', '>', '+', '~'; 0 for the first
    std::vector<TCssCompound> Not; // :not() of simple selectors
};

struct TCssSelector
{
    std::vector<TCssCompound> Parts; // left to right
    int Specificity = 0;             // ids * 65536 + classes * 256 + types, each clamped to 255
};

struct TCssRule
{
    TCssSelector Selector;
    std::shared_ptr<const TCssDeclarations> Declarations; // shared by the selectors of a group
};

struct TCssLimits
{
    qint64 MaxChars = 8ll * 1024 * 1024; // text beyond this is not read
    int MaxRules = 50000;                // selectors, counted one by one
    int MaxSelectorParts = 32;
    int MaxNesting = 16;                 // @media blocks inside each other
};

struct TCssStyleSheet
{
    std::vector<TCssRule> Rules;
    QStringList Imports; // @import addresses in order, for screen media
};

// Parses a style sheet the way browsers recover from errors: a bad declaration is dropped, a rule
// with a bad selector is dropped, an unclosed block ends at the end of the text. Rules of @media
// blocks for the screen are kept, those for print only dropped; other at-rules are skipped.
// Comment marks "<!--" and "-->" around a sheet are ignored. Limits that cut the sheet add a
// warning at where.
void ParseCssStyleSheet(const QString &text, TCssStyleSheet &sheet, const QString &where, TWarnings *warnings,
                        const TCssLimits &limits = TCssLimits());
// Parses the declarations of a style attribute (or a rule's block), shorthands expanded.
TCssDeclarations ParseCssDeclarations(const QString &text);
// Parses one selector group ("h1, div.note > p"); false when any selector of it is invalid.
bool ParseCssSelectors(const QString &text, std::vector<TCssSelector> &out, int maxParts = 32);

bool CssSelectorMatches(const TCssSelector &selector, const TCssElement &element);

// The declared value of each kept property for one element, empty when none applies.
struct TCssValues
{
    std::array<QString, kCssPropertyCount> Values;
    std::bitset<kCssPropertyCount> Set;
    bool Has(TCssProperty p) const { return Set.test(size_t(p)); }
    const QString &Get(TCssProperty p) const { return Values[size_t(p)]; }
    void Put(TCssProperty p, const QString &v)
    {
        Values[size_t(p)] = v;
        Set.set(size_t(p));
    }
};

// Rules of every sheet, indexed by the id, class or tag the rightmost part of each selector
// needs, so that an element is tested only against rules that can match it.
class TCssCascade
{
public:
    enum TOrigin { UserAgent, Author };
    void AddSheet(const TCssStyleSheet &sheet, TOrigin origin);
    // Declared values in cascade order: the browser's own sheet, the presentational attributes
    // (hints), the page's sheets, the style attribute; then !important declarations of the page's
    // sheets and of the style attribute.
    void Compute(const TCssElement &element, const TCssDeclarations *hints, const TCssDeclarations *inlineStyle,
                 TCssValues &out) const;
    int RuleCount() const { return int(m_rules.size()); }
    // True once the matching of combinators has used up its budget for the page: from then on
    // only selectors of one compound are matched, so that no sheet can make a page take hours.
    bool Exhausted() const { return m_budget <= 0; }

private:
    struct Entry
    {
        TCssSelector Selector;
        std::shared_ptr<const TCssDeclarations> Declarations;
        TOrigin Origin = Author;
        int Order = 0;
    };
    std::vector<Entry> m_rules;
    std::unordered_map<QString, std::vector<int>> m_byId, m_byClass, m_byTag;
    std::vector<int> m_universal;
    mutable qint64 m_budget = 50'000'000;
};

// The text of a CSS colour ("#abc", "rgb(1,2,3)", "navy", "transparent") as "RRGGBB"; empty for
// transparent and for what is not a colour. Legacy attribute colours without "#" ("ff0000") are
// read as browsers read them when legacy is set.
QString CssColor(const QString &value, bool legacy = false);

// Splits a value into its words at blanks outside brackets and quotes.
QStringList CssWords(const QString &value);

} // namespace tavrel::engine
