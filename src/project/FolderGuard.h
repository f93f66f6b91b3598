#pragma once
// A build deletes whole folders and old output files without asking, and everything runs as
// root here. The guard stands between those deletes and the disk: it knows the folders that
// must never go (the root and the folders directly under it, the home, documents, temporary and
// installation folders and everything above them, the project's folder) and the files the build
// must keep (the project file, the source document, the other outputs of the build). Paths are
// compared canonically, with symbolic links and ".." resolved.
#include <QString>
#include <QStringList>

namespace tavrel {

class TProject;

// Which output of the build a checked path belongs to, so that its own setting is not counted
// as "another output".
enum class TGuardedOutput {
    None,
    HHPFolder,     // the HTML Help project folder (kept or private temporary)
    CompiledFile,  // the .chm
    WebHelpFolder,
    PDFFile,
    ContextFile,
};

class TFolderGuard
{
public:
    // Takes its protected paths from the project as it is now: the project file, the source
    // document, every output path of the outputs the project builds, the project's folder, and
    // the home, documents, temporary and installation folders.
    explicit TFolderGuard(const TProject &project);

    // Raises tavrel::Exception naming the folder when it must not be emptied or deleted as the
    // folder of output `owner`. A folder that does not exist yet is judged by its path.
    void CheckFolder(const QString &folder, TGuardedOutput owner = TGuardedOutput::None) const;
    // Raises tavrel::Exception naming the file when it must not be deleted as output `owner`:
    // a compiled file must end in ".chm", a PDF in ".pdf"; the project file and the source
    // document (also through a link) are never deleted.
    void CheckFile(const QString &file, TGuardedOutput owner) const;

    // Non-raising forms: the refusal message, empty when the delete may go ahead.
    QString FolderRefusal(const QString &folder, TGuardedOutput owner = TGuardedOutput::None) const;
    QString FileRefusal(const QString &file, TGuardedOutput owner) const;

    // Adds a file or folder that no delete may touch (for example the build's temporary copy).
    void Protect(const QString &path);

    // Raises "Save the project first: its output paths depend on the project folder." when the
    // project was never saved (empty RootDir) and an output it builds uses "<Project_Folder>".
    static void CheckSaved(const TProject &project);

    // The path with "..", "." and symbolic links resolved as far as it exists; the part that
    // does not exist yet is appended as written. No trailing "/" (except for "/" itself).
    static QString CanonicalPath(const QString &path);

private:
    struct TOutputPath
    {
        TGuardedOutput owner;
        QString path; // canonical
    };
    QStringList m_keepAbove;       // folders that may not be deleted, nor any folder above them
    QStringList m_keepFiles;       // files and folders no delete may contain or be
    QList<TOutputPath> m_outputs;  // outputs of the build, each protected from the others
    QString m_projectFile, m_sourceFile; // canonical, may be empty
    QString m_installFolder;             // nothing inside it is deleted either
};

} // namespace tavrel
