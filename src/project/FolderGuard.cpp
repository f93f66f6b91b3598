#include "project/FolderGuard.h"

#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/Messages.h"
#include "text/OutputPath.h"
#include "text/functions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace tavrel {

namespace {

const QChar kSlash = QLatin1Char('/');

// True when folder is path or lies above it.
bool coversPath(const QString &folder, const QString &path)
{
    if (folder.isEmpty() || path.isEmpty())
        return false;
    if (folder == path || folder == QLatin1String("/"))
        return true;
    return path.startsWith(folder + kSlash);
}

bool endsWithExtension(const QString &file, const QLatin1String &ext)
{
    return file.endsWith(ext, Qt::CaseInsensitive) && file.size() > ext.size()
        && file.at(file.size() - ext.size() - 1) != kSlash;
}

QString ownerName(TGuardedOutput owner)
{
    switch (owner) {
    case TGuardedOutput::HHPFolder: return QStringLiteral("the HTML Help project folder");
    case TGuardedOutput::CompiledFile: return QStringLiteral("the compiled help file");
    case TGuardedOutput::WebHelpFolder: return QStringLiteral("the WebHelp folder");
    case TGuardedOutput::PDFFile: return QStringLiteral("the PDF file");
    case TGuardedOutput::ContextFile: return QStringLiteral("the context file");
    case TGuardedOutput::None: break;
    }
    return QStringLiteral("an output");
}

// The outputs a build of the project writes, with the path settings they come from.
struct TBuildOutput
{
    TGuardedOutput owner;
    int pathType;
};

QList<TBuildOutput> buildOutputs(const TProject &project)
{
    QList<TBuildOutput> out;
    if (project.HtmlHelpOutput) {
        out.append({TGuardedOutput::CompiledFile, ptCompiledFile});
        if (project.OutputHHP)
            out.append({TGuardedOutput::HHPFolder, ptHHPFolder});
        if (project.HtmlHelpOutputContext)
            out.append({TGuardedOutput::ContextFile, ptContextFile});
    }
    if (project.WebHelpOutput)
        out.append({TGuardedOutput::WebHelpFolder, ptWebHelpFolder});
    if (project.PDFOutput)
        out.append({TGuardedOutput::PDFFile, ptPDFFile});
    return out;
}


} // namespace

QString TFolderGuard::CanonicalPath(const QString &path)
{
    if (path.trimmed().isEmpty())
        return QString();
    try {
        return ResolveOutputPath(path, QDir::currentPath());
    } catch (const Exception &) {
        return QString();
    }
}

bool TFolderGuard::LooksLikeEarlierWebHelp(const QString &folder)
{
    // The names a WebHelp output writes at its top level; pages, pictures and icons go below.
    static const QRegularExpression ours(QStringLiteral(
        "^(index|indexh|webhelp[a-z]*)\\.html?$|^(languages|data)\\.js$|^style\\.css$|^back\\.jpg$"));
    QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    bool index = false, contents = false;
    for (const QFileInfo &e : entries) {
        const QString name = e.fileName();
        if (e.isSymLink())
            return false;
        if (e.isDir()) {
            if (name != QLatin1String("pages") && name != QLatin1String("images") && name != QLatin1String("icons"))
                return false;
            continue;
        }
        if (!e.isFile() || !ours.match(name).hasMatch())
            return false;
        index = index || name.startsWith(QLatin1String("index."));
        contents = contents || name.startsWith(QLatin1String("webhelpcontents."));
    }
    return index && contents;
}

TFolderGuard::TFolderGuard(const TProject &project)
    : m_base(project.RootDir), m_project(&project),
      m_record(project.IsNew ? QString() : project.ProjectFilename)
{
    auto keepAbove = [this](const QString &p) {
        if (!p.trimmed().isEmpty())
            m_keepAbove << CanonicalPath(p);
    };
    keepAbove(QDir::homePath());
    keepAbove(GetSpecialFolder(5));
    keepAbove(QDir::tempPath());
    keepAbove(GetInstallFolder());
    keepAbove(project.RootDir);
    m_installFolder = GetInstallFolder().trimmed().isEmpty() ? QString() : CanonicalPath(GetInstallFolder());

    if (!project.ProjectFilename.trimmed().isEmpty())
        m_projectFile = resolve(project.ProjectFilename);
    const QString source = project.RealPath(ptSourceFile);
    if (!project.SourceFile.trimmed().isEmpty() && !source.isEmpty())
        m_sourceFile = resolve(source);
    if (!m_projectFile.isEmpty())
        m_keepFiles << m_projectFile;
    if (!m_sourceFile.isEmpty())
        m_keepFiles << m_sourceFile;

    for (const TBuildOutput &o : buildOutputs(project)) {
        const QString *stored = project.PathSetting(o.pathType);
        if (!stored || stored->trimmed().isEmpty())
            continue;
        const QString resolved = resolve(project.OutputPath(o.pathType));
        if (!resolved.isEmpty())
            m_outputs.append({o.owner, resolved});
    }
}

QString TFolderGuard::resolve(const QString &path) const
{
    if (path.trimmed().isEmpty() || HasControlCharacter(path))
        return QString();
    try {
        return ResolveOutputPath(path, m_base.startsWith(kSlash) ? m_base : QDir::currentPath());
    } catch (const Exception &) {
        return QString();
    }
}

void TFolderGuard::Protect(const QString &path)
{
    if (!path.trimmed().isEmpty())
        m_keepFiles << resolve(path);
}

QString TFolderGuard::structuralFolderRefusal(const QString &folder, const QString &path, TGuardedOutput owner) const
{
    auto refuse = [&](const QString &why) {
        return QStringLiteral("The folder \"%1\" is not emptied or deleted: %2.").arg(PrintablePath(folder), why);
    };
    if (HasControlCharacter(folder))
        return refuse(QStringLiteral("its path holds a control character (%1)").arg(FirstControlCharacter(folder)));
    if (path.isEmpty())
        return refuse(QStringLiteral("its path cannot be resolved"));
    if (path == QLatin1String("/") || path.lastIndexOf(kSlash) == 0)
        return refuse(QStringLiteral("it is the root folder or a folder directly under it"));
    for (const QString &keep : m_keepAbove) {
        if (coversPath(path, keep))
            return refuse(path == keep ? QStringLiteral("it is the folder \"%1\" itself").arg(keep)
                                       : QStringLiteral("it holds the folder \"%1\"").arg(keep));
    }
    if (!m_installFolder.isEmpty() && coversPath(m_installFolder, path))
        return refuse(QStringLiteral("it lies in the installation folder \"%1\"").arg(m_installFolder));
    if (coversPath(path, m_projectFile))
        return refuse(QStringLiteral("it holds the project file \"%1\"").arg(m_projectFile));
    if (coversPath(path, m_sourceFile))
        return refuse(QStringLiteral("it holds the source document \"%1\"").arg(m_sourceFile));
    for (const QString &keep : m_keepFiles) {
        if (coversPath(path, keep))
            return refuse(QStringLiteral("it holds \"%1\", which the build keeps").arg(keep));
    }
    for (const TOutputPath &o : m_outputs) {
        if (o.owner != owner && coversPath(path, o.path))
            return refuse(QStringLiteral("it holds %1 \"%2\"").arg(ownerName(o.owner), o.path));
    }
    return QString();
}

QString TFolderGuard::structuralFileRefusal(const QString &file, const QString &path, TGuardedOutput owner) const
{
    auto refuse = [&](const QString &why) {
        return QStringLiteral("The file \"%1\" is not deleted: %2.").arg(PrintablePath(file), why);
    };
    if (HasControlCharacter(file))
        return refuse(QStringLiteral("its path holds a control character (%1)").arg(FirstControlCharacter(file)));
    if (owner == TGuardedOutput::CompiledFile && !endsWithExtension(file, QLatin1String(".chm")))
        return refuse(QStringLiteral("a compiled help file must end in \".chm\""));
    if (owner == TGuardedOutput::PDFFile && !endsWithExtension(file, QLatin1String(".pdf")))
        return refuse(QStringLiteral("a PDF file must end in \".pdf\""));
    if (path.isEmpty())
        return refuse(QStringLiteral("its path cannot be resolved"));
    if (!m_projectFile.isEmpty() && path == m_projectFile)
        return refuse(QStringLiteral("it is the project file"));
    if (!m_sourceFile.isEmpty() && path == m_sourceFile)
        return refuse(QStringLiteral("it is the source document"));
    // Through a link the name may end well and the file reached may not.
    if (owner == TGuardedOutput::CompiledFile && !endsWithExtension(path, QLatin1String(".chm")))
        return refuse(QStringLiteral("it leads to \"%1\", and a compiled help file must end in \".chm\"").arg(path));
    if (owner == TGuardedOutput::PDFFile && !endsWithExtension(path, QLatin1String(".pdf")))
        return refuse(QStringLiteral("it leads to \"%1\", and a PDF file must end in \".pdf\"").arg(path));
    for (const QString &keep : m_keepFiles) {
        if (coversPath(path, keep))
            return refuse(QStringLiteral("the build keeps \"%1\"").arg(keep));
    }
    for (const QString &keep : m_keepAbove) {
        if (coversPath(path, keep))
            return refuse(QStringLiteral("it is the folder \"%1\"").arg(keep));
    }
    if (!m_installFolder.isEmpty() && coversPath(m_installFolder, path))
        return refuse(QStringLiteral("it lies in the installation folder \"%1\"").arg(m_installFolder));
    for (const TOutputPath &o : m_outputs) {
        if (o.owner != owner && coversPath(path, o.path))
            return refuse(QStringLiteral("it is %1 \"%2\"").arg(ownerName(o.owner), o.path));
    }
    return QString();
}

TReplaceDecision TFolderGuard::JudgeFolder(const QString &folder, TGuardedOutput owner) const
{
    if (folder.trimmed().isEmpty())
        return {TReplaceVerdict::Refused,
                QStringLiteral("The folder of %1 is not set: nothing is deleted.").arg(ownerName(owner))};
    const QString path = resolve(folder);
    if (QString why = structuralFolderRefusal(folder, path, owner); !why.isEmpty())
        return {TReplaceVerdict::Refused, why};
    if (owner == TGuardedOutput::None)
        return {};
    return ReplaceDecision(path, owner);
}

TReplaceDecision TFolderGuard::JudgeFile(const QString &file, TGuardedOutput owner) const
{
    if (file.trimmed().isEmpty())
        return {TReplaceVerdict::Refused,
                QStringLiteral("The path of %1 is not set: nothing is deleted.").arg(ownerName(owner))};
    const QString path = resolve(file);
    if (QString why = structuralFileRefusal(file, path, owner); !why.isEmpty())
        return {TReplaceVerdict::Refused, why};
    if (owner == TGuardedOutput::None)
        return {};
    return ReplaceDecision(path, owner);
}

QString TFolderGuard::FolderRefusal(const QString &folder, TGuardedOutput owner) const
{
    return JudgeFolder(folder, owner).Message;
}

QString TFolderGuard::FileRefusal(const QString &file, TGuardedOutput owner) const
{
    return JudgeFile(file, owner).Message;
}

TReplaceDecision TFolderGuard::ReplaceDecision(const QString &given, TGuardedOutput owner) const
{
    const QString path = resolve(given);
    if (path.isEmpty())
        return {TReplaceVerdict::Refused, QStringLiteral("The path \"%1\" cannot be resolved: nothing is replaced.")
                                              .arg(PrintablePath(given))};
    const bool folder = owner == TGuardedOutput::WebHelpFolder || owner == TGuardedOutput::HHPFolder;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (folder && info.isDir() && IsFolderEmpty(path))
        return {};

    TBuildScope *scope = m_project ? &m_project->BuildScope : nullptr;
    const bool confirmed = scope && scope->Confirmed.contains(path);
    if (confirmed || (scope && scope->ReplaceUnrecorded))
        return {};
    const bool ours = m_record.IsOurs(path)
        || (owner == TGuardedOutput::WebHelpFolder && !m_record.Knows(path) && info.isDir() && LooksLikeEarlierWebHelp(path));
    const bool interactive = scope && scope->Interactive;
    // The window has always asked before emptying a WebHelp folder, the program's own or not.
    const bool webHelpQuestion = interactive && owner == TGuardedOutput::WebHelpFolder;
    if (ours && !webHelpQuestion)
        return {};

    const QString shown = folder ? path + QLatin1Char('/') : path;
    if (interactive) {
        const QString question = webHelpQuestion
            ? QStringLiteral("\"%1\" is not empty folder. It will be emptied. Continue?").arg(shown)
            : QStringLiteral("\"%1\" was not written by a build of this project, or it was changed since. "
                             "The build will %2 it. Continue?")
                  .arg(shown, folder ? QStringLiteral("empty") : QStringLiteral("replace"));
        if (Messages().Ask(question, mbYes | mbCancel, TMsgIcon::Question) == mbYes) {
            scope->Confirmed << path;
            return {};
        }
        return {TReplaceVerdict::Declined, QStringLiteral("\"%1\" is kept as it is: the build was cancelled.").arg(shown)};
    }
    return {TReplaceVerdict::Refused,
            QStringLiteral("\"%1\" was not written by a build of this project, or it was changed since, so the build "
                           "does not %2 it. Build with --replace-unrecorded to %2 it anyway.")
                .arg(shown, folder ? QStringLiteral("empty") : QStringLiteral("replace"))};
}

void TFolderGuard::CheckFolder(const QString &folder, TGuardedOutput owner) const
{
    const QString why = FolderRefusal(folder, owner);
    if (!why.isEmpty())
        throw Exception(why);
}

void TFolderGuard::CheckFile(const QString &file, TGuardedOutput owner) const
{
    const QString why = FileRefusal(file, owner);
    if (!why.isEmpty())
        throw Exception(why);
}

void TFolderGuard::CheckSaved(const TProject &project)
{
    if (!project.RootDir.trimmed().isEmpty())
        return;
    for (const TBuildOutput &o : buildOutputs(project)) {
        const QString *stored = project.PathSetting(o.pathType);
        if (stored && stored->contains(QLatin1String("<Project_Folder>"), Qt::CaseInsensitive))
            throw Exception(QStringLiteral("Save the project first: its output paths depend on the project folder."));
    }
}

} // namespace tavrel
