#pragma once
// The catalogue of the built-in templates ("templates/templates.ini" of the installation): blocks
// of key=value lines separated by blank lines.
#include "text/Warnings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace tavrel {

struct TTemplateBlock
{
    QString Name;
    QString Position;  // the main page, relative to the templates folder
    QStringList Lines; // the block's key=value lines as written
    int Line = 0;      // where the block starts, from 1
    QString Value(const QString &key) const;
};

// The blocks that have a name. A line without "=" is skipped with a warning naming its line;
// a block without a non-empty "Name" is left out with a warning.
std::vector<TTemplateBlock> ReadTemplateCatalogue(const QString &text, TWarnings *warnings = nullptr);

// The blocks offered for the output whose catalogue key is templateType ("htmlHelp",
// "WebHelp"): the value, trimmed, is "Yes" in any letter case.
std::vector<TTemplateBlock> TemplatesFor(const std::vector<TTemplateBlock> &blocks, const QString &templateType);

// The full path of a block's main page under templatesFolder; empty (with a warning) when the
// position is empty or leaves the folder.
QString CatalogueMainPage(const QString &templatesFolder, const TTemplateBlock &block, TWarnings *warnings = nullptr);

// The catalogue of the installation, read with its warnings.
std::vector<TTemplateBlock> InstalledCatalogue(TWarnings *warnings = nullptr);
QString InstalledTemplatesFolder();

// Unpacks stream into a new private folder (folder is set to it) and returns the path of its
// main page there. Raises an Exception, leaving no folder, when the stream is empty or does not
// unpack.
QString UnpackTemplateCopy(const QByteArray &stream, QString &folder);
// The template whose main page is mainPage, packed as a project would hold it and unpacked into
// a new private folder: what choosing it would give, shown without touching its own folder.
QString CopyTemplate(const QString &mainPage, QString &folder, TWarnings *warnings = nullptr);

} // namespace tavrel
