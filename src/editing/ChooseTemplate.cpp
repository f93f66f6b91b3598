#include "editing/ChooseTemplate.h"

#include "output/Template.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QFileInfo>

namespace tavrel {

QString TTemplateBlock::Value(const QString &key) const
{
    for (const QString &line : Lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

std::vector<TTemplateBlock> ReadTemplateCatalogue(const QString &text, TWarnings *warnings)
{
    std::vector<TTemplateBlock> out;
    TTemplateBlock block;
    auto finish = [&] {
        if (block.Lines.isEmpty())
            return;
        block.Name = block.Value(QStringLiteral("Name")).trimmed();
        block.Position = block.Value(QStringLiteral("Position")).trimmed();
        if (!block.Name.isEmpty())
            out.push_back(block);
        else if (warnings)
            warnings->Add(QStringLiteral("A template without a name is left out."), QStringLiteral("templates.ini, line %1").arg(block.Line));
        block = TTemplateBlock();
    };
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normal.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i];
        if (line.trimmed().isEmpty()) {
            finish();
            continue;
        }
        if (block.Lines.isEmpty())
            block.Line = i + 1;
        if (line.indexOf(QLatin1Char('=')) <= 0) {
            if (warnings)
                warnings->Add(QStringLiteral("A line that is not key=value is skipped."), QStringLiteral("templates.ini, line %1").arg(i + 1));
            continue;
        }
        block.Lines << line;
    }
    finish();
    return out;
}

std::vector<TTemplateBlock> TemplatesFor(const std::vector<TTemplateBlock> &blocks, const QString &templateType)
{
    std::vector<TTemplateBlock> out;
    for (const auto &b : blocks)
        if (b.Value(templateType).trimmed().compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0)
            out.push_back(b);
    return out;
}

QString CatalogueMainPage(const QString &templatesFolder, const TTemplateBlock &block, TWarnings *warnings)
{
    if (!block.Position.isEmpty() && IsConfinedName(templatesFolder, block.Position))
        return ConfinePath(templatesFolder, block.Position);
    if (warnings)
        warnings->Add(QStringLiteral("The template \"%1\" names a page outside the templates folder and cannot be used.").arg(block.Name),
                      QStringLiteral("templates.ini, line %1").arg(block.Line));
    return QString();
}

QString InstalledTemplatesFolder()
{
    return InstallPath(QStringLiteral("templates"));
}

std::vector<TTemplateBlock> InstalledCatalogue(TWarnings *warnings)
{
    const QString file = InstallPath(QStringLiteral("templates/templates.ini"));
    if (!QFileInfo(file).isFile()) {
        if (warnings)
            warnings->Add(QStringLiteral("The list of built-in templates is missing."), file);
        return {};
    }
    return ReadTemplateCatalogue(ReadTextFile(file), warnings);
}

QString UnpackTemplateCopy(const QByteArray &stream, QString &folder)
{
    folder.clear();
    const QString mainName = GetTemplateMainFile(stream);
    if (mainName.isEmpty())
        throw Exception(QStringLiteral("The project holds no template for this output."));
    const QString dir = NewTempFolderName();
    try {
        StreamToTemplateFiles(stream, dir);
        const QString main = ConfinePath(dir, mainName);
        folder = dir;
        return main;
    } catch (const Exception &e) {
        DeleteFolder(dir);
        throw Exception(QStringLiteral("The template cannot be opened: %1").arg(e.Message()));
    }
}

QString CopyTemplate(const QString &mainPage, QString &folder, TWarnings *warnings)
{
    QByteArray stream;
    TemplateFileToStream(mainPage, stream, warnings);
    if (stream.isEmpty())
        throw Exception(QStringLiteral("Unable to find the template file \"%1\".").arg(mainPage));
    return UnpackTemplateCopy(stream, folder);
}

} // namespace tavrel
