#pragma once
// The style sheet of a document: document defaults, latent styles and the styles with their
// basedOn chains, resolved on demand and cached.
#include "word/engine/Props.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace tavrel::engine {

enum class TStyleType : uint8_t { Paragraph, Character, Table, Numbering };

// The formatting a table style gives one region of a table (w:tblStylePr).
struct TTableStyleRegion
{
    TParaProps PPr;
    TRunProps RPr;
    TTableProps TblPr;
    TCellProps TcPr;
};

struct TStyle
{
    QString Id, Name;
    TStyleType Type = TStyleType::Paragraph;
    QString BasedOn, Next, Link;
    bool Default = false, Custom = false;
    TParaProps PPr;
    TRunProps RPr;
    TTableProps TblPr;
    TCellProps TcPr;
    std::map<QString, TTableStyleRegion> Regions; // "firstRow", "band1Horz", ...
};

struct TLatentStyles
{
    QStringList Names;
};

class TStyleSheet
{
public:
    TParaProps DocPPr;
    TRunProps DocRPr;
    TLatentStyles Latent;

    void Add(TStyle style);
    // Puts a changed definition in place of the style with the same id (added when new).
    void Replace(TStyle style);
    int Count() const { return int(m_styles.size()); }
    const TStyle &At(int i) const { return m_styles[size_t(i)]; }
    // By id: exact first, then without regard to case.
    const TStyle *Find(const QString &id) const;
    // By name, without regard to case ("heading 1", "Hyperlink").
    const TStyle *FindByName(const QString &name) const;
    QString DefaultStyleId(TStyleType type) const;

    // The style and everything it is based on, most derived last; cycles and missing parents
    // end the chain.
    std::vector<const TStyle *> Chain(const QString &id) const;
    // Properties of a style with its chain applied (most derived wins); no document defaults.
    const TParaProps &ChainPPr(const QString &id) const;
    const TRunProps &ChainRPr(const QString &id) const;
    const TTableProps &ChainTblPr(const QString &id) const;
    // 1-9 for a heading level given by the chain (its outline level or a built-in heading
    // style name), 10 otherwise.
    int StyleOutlineLevel(const QString &id) const;
    // The numbering a paragraph style's chain gives: numId and level (-1 when none).
    std::pair<int, int> StyleNumbering(const QString &id) const;

    // The style with that built-in name, created with Word's usual look when the document has
    // none ("Hyperlink", "heading 1", ...). Returns its id.
    QString EnsureBuiltin(const QString &name);

private:
    void invalidate();
    std::vector<TStyle> m_styles;
    QHash<QString, int> m_byId, m_byIdFolded, m_byName;
    mutable QHash<QString, TParaProps> m_pprCache;
    mutable QHash<QString, TRunProps> m_rprCache;
    mutable QHash<QString, TTableProps> m_tblCache;
    mutable QHash<QString, int> m_levelCache;
};

// Built-in heading level of a style name: "heading 3" -> 3, else 0.
int BuiltinHeadingLevel(const QString &styleName);

} // namespace tavrel::engine
