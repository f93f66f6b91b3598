#include "project/FolderGuard.h"

#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {

const QChar kSlash = QLatin1Char('/');

// Links chained deeper than this are taken as written; the kernel gives up at 40 as well.
constexpr int kMaxLinkHops = 40;

QString joinPath(const QString &folder, const QString &name)
{
    if (folder == QLatin1String("/"))
        return folder + name;
    return folder + kSlash + name;
}

QString parentOf(const QString &path)
{
    const qsizetype p = path.lastIndexOf(kSlash);
    return p <= 0 ? QStringLiteral("/") : path.left(p);
}

QString canonicalize(const QString &path, int hops)
{
    QString absolute = ToSlashes(path);
    if (!absolute.startsWith(kSlash))
        absolute = QDir::currentPath() + kSlash + absolute;
    const QStringList segments = absolute.split(kSlash, Qt::SkipEmptyParts);
    QString current = QStringLiteral("/");
    bool existing = true; // current names something on disk, already canonical
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString &seg = segments.at(i);
        if (seg == QLatin1String("."))
            continue;
        if (seg == QLatin1String("..")) {
            // On a canonical path the parent is the physical one.
            current = parentOf(current);
            continue;
        }
        const QString next = joinPath(current, seg);
        if (!existing) {
            current = next;
            continue;
        }
        const QFileInfo info(next);
        if (info.exists()) {
            const QString canonical = info.canonicalFilePath();
            current = canonical.isEmpty() ? next : canonical;
        } else if (info.isSymLink() && hops < kMaxLinkHops) {
            // A dangling link: what a write through it would reach is its target.
            QString target = info.symLinkTarget();
            for (qsizetype j = i + 1; j < segments.size(); ++j)
                target += kSlash + segments.at(j);
            return canonicalize(target, hops + 1);
        } else {
            current = next;
            existing = false;
        }
    }
    return current;
}

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

const QString *storedPath(const TProject &project, int pathType)
{
    switch (pathType) {
    case ptCompiledFile: return &project.CompiledFile;
    case ptHHPFolder: return &project.HHPFolder;
    case ptContextFile: return &project.HtmlHelpContextFile;
    case ptWebHelpFolder: return &project.WebHelpOutputFolder;
    case ptPDFFile: return &project.PDFFile;
    default: return nullptr;
    }
}

} // namespace

QString TFolderGuard::CanonicalPath(const QString &path)
{
    if (path.trimmed().isEmpty())
        return QString();
    return canonicalize(path, 0);
}

TFolderGuard::TFolderGuard(const TProject &project)
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
        m_projectFile = CanonicalPath(project.ProjectFilename);
    const QString source = project.RealPath(ptSourceFile);
    if (!project.SourceFile.trimmed().isEmpty() && !source.isEmpty())
        m_sourceFile = CanonicalPath(source);
    if (!m_projectFile.isEmpty())
        m_keepFiles << m_projectFile;
    if (!m_sourceFile.isEmpty())
        m_keepFiles << m_sourceFile;

    for (const TBuildOutput &o : buildOutputs(project)) {
        const QString *stored = storedPath(project, o.pathType);
        if (!stored || stored->trimmed().isEmpty())
            continue;
        const QString resolved = project.RealPath(o.pathType);
        if (!resolved.isEmpty())
            m_outputs.append({o.owner, CanonicalPath(resolved)});
    }
}

void TFolderGuard::Protect(const QString &path)
{
    if (!path.trimmed().isEmpty())
        m_keepFiles << CanonicalPath(path);
}

QString TFolderGuard::FolderRefusal(const QString &folder, TGuardedOutput owner) const
{
    if (folder.trimmed().isEmpty())
        return QStringLiteral("The folder of %1 is not set: nothing is deleted.").arg(ownerName(owner));
    const QString path = CanonicalPath(folder);
    auto refuse = [&](const QString &why) {
        return QStringLiteral("The folder \"%1\" is not emptied or deleted: %2.").arg(folder, why);
    };
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

QString TFolderGuard::FileRefusal(const QString &file, TGuardedOutput owner) const
{
    if (file.trimmed().isEmpty())
        return QStringLiteral("The path of %1 is not set: nothing is deleted.").arg(ownerName(owner));
    auto refuse = [&](const QString &why) {
        return QStringLiteral("The file \"%1\" is not deleted: %2.").arg(file, why);
    };
    if (owner == TGuardedOutput::CompiledFile && !endsWithExtension(file, QLatin1String(".chm")))
        return refuse(QStringLiteral("a compiled help file must end in \".chm\""));
    if (owner == TGuardedOutput::PDFFile && !endsWithExtension(file, QLatin1String(".pdf")))
        return refuse(QStringLiteral("a PDF file must end in \".pdf\""));
    const QString path = CanonicalPath(file);
    if (!m_projectFile.isEmpty() && path == m_projectFile)
        return refuse(QStringLiteral("it is the project file"));
    if (!m_sourceFile.isEmpty() && path == m_sourceFile)
        return refuse(QStringLiteral("it is the source document"));
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
        const QString *stored = storedPath(project, o.pathType);
        if (stored && stored->contains(QLatin1String("<Project_Folder>"), Qt::CaseInsensitive))
            throw Exception(QStringLiteral("Save the project first: its output paths depend on the project folder."));
    }
}

} // namespace tavrel
