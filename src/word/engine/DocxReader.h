#pragma once
// Reading of Office Open XML word-processing packages (.docx) into the document model.
#include "word/engine/Model.h"
#include "word/engine/Zip.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>

namespace tavrel::engine {

struct TRelationship
{
    QString Id, Type, Target;
    bool External = false;
    QString Part; // the package part an internal target names; empty when it points nowhere
    // The last segment of the type ("image", "hyperlink", "styles"), for both namespaces.
    QString Kind() const { return Type.mid(Type.lastIndexOf('/') + 1); }
};

class TRelationships
{
public:
    std::map<QString, TRelationship> ById;
    const TRelationship *Find(const QString &id) const;
    // The first relationship of a kind ("styles"); nullptr when none.
    const TRelationship *FirstOfKind(const QString &kind) const;
};

struct TDocxOptions
{
    QString DisplayName; // the name used in messages; the file's name when empty
    QString LinkBase;    // folder for relative link targets; the file's folder when empty
    TZipLimits Zip;
};

// Reads a whole package. Raises an Exception naming the file and the problem when the file is
// not a readable package or its main part is missing or malformed; damaged optional parts are
// skipped with a warning in the document's list.
std::unique_ptr<TDocument> ReadDocx(const QString &path, const TDocxOptions &options = TDocxOptions());
std::unique_ptr<TDocument> ReadDocxBytes(const QByteArray &bytes, const TDocxOptions &options);

// The single-part readers, for tests and fuzz targets. Each raises on malformed XML.
TRelationships ReadRelationshipsPart(const QByteArray &xml, const QString &sourcePart, const QString &fileName = QString());
void ReadStylesPart(const QByteArray &xml, TStyleSheet &styles, const QString &fileName = QString());
void ReadNumberingPart(const QByteArray &xml, TNumbering &numbering, const QString &fileName = QString());
// A main document part alone: no relationships, styles or notes.
std::unique_ptr<TDocument> ReadDocumentPart(const QByteArray &xml, const QString &fileName = QString());

// The package part a relationship target names, relative to the folder of sourcePart; empty when
// the target climbs above the package root.
QString ResolvePartName(const QString &sourcePart, const QString &target);

} // namespace tavrel::engine
