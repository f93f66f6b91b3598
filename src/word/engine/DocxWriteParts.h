#pragma once
// The pieces the package writer shares between its files: escaping, the relationships of one
// part, the writer's state, and the writers of properties, styles, lists and body.
#include "word/engine/Model.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <set>
#include <vector>

namespace tavrel::engine::docxw {

// Text for XML: escaped, UTF-8, characters XML cannot hold left out.
QByteArray Esc(const QString &s);
// An attribute: name="value" with a leading blank.
QByteArray Attr(const char *name, const QString &value);
QByteArray Attr(const char *name, int value);

// The relationships of one part.
class TPartRels
{
public:
    // Returns the id of the relationship, the same one for the same target and type.
    QString Add(const QString &type, const QString &target, bool external = false);
    bool Empty() const { return m_rels.empty(); }
    QByteArray Xml() const;

private:
    struct Rel
    {
        QString Id, Type, Target;
        bool External = false;
    };
    std::vector<Rel> m_rels;
    std::map<std::pair<QString, QString>, QString> m_known;
};

inline const char *kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

struct TPackagePart
{
    QString Name, ContentType;
    QByteArray Data;
};

struct TWriter
{
    explicit TWriter(TDocument &doc) : Doc(doc) {}
    TDocument &Doc;
    std::vector<TPackagePart> Media;          // the pictures written, in order of first use
    std::map<QString, QString> MediaNames;    // model part -> package part
    std::map<QString, QString> HeaderParts;   // model part -> package part of headers/footers
    std::set<int> PairedBookmarks;            // model ids whose start and end both exist
    std::map<int, int> BookmarkIds;           // model id -> written id
    std::set<QString> BookmarkNames;          // folded names written
    std::set<int> SkippedBookmarks;           // model ids of duplicates left out
    int NextBookmarkId = 0;
    int NextDrawingId = 1;

    // The package part for a picture of the model; empty (with a warning) when it cannot be
    // written.
    QString MediaPart(const QString &modelPart, const QString &where);
    // The picture a drawing shape, group or canvas paints; empty (with a warning) when none.
    QString PaintedShape(const TShape &shape, const QString &where);
    // A PNG shown in place of an SVG picture by programs that cannot draw SVG.
    QString SvgFallback(const QString &svgPart, qint64 cx, qint64 cy, const QString &where);
};

QByteArray RunProps(const TRunProps &r, bool withTag = true);
QByteArray ParaProps(const TParaProps &p, const TRunProps *mark);
QByteArray TableProps(const TTableProps &t);
QByteArray RowProps(const TRowProps &r);
QByteArray CellProps(const TCellProps &c);
QByteArray SectionProps(const TSectionProps &s, TWriter &w, TPartRels &rels);

QByteArray StylesXml(const TStyleSheet &styles);
QByteArray NumberingXml(const TNumbering &numbering);

// The blocks of one story as body XML.
void WriteBlocks(TWriter &w, TPartRels &rels, const std::vector<TBlock> &blocks, QByteArray &out);

} // namespace tavrel::engine::docxw
