#pragma once
// A build deletes whole folders and old output files without asking, and everything runs as
// root here. The guard stands between those deletes and the disk: it knows the folders that
// must never go (the root and the folders directly under it, the home, documents, temporary and
// installation folders and everything above them, the project's folder) and the files the build
// must keep (the project file, the source document, the other outputs of the build). Every path
// is judged as ResolveOutputPath gives it, the same resolution every delete and write of the
// outputs uses.
//
// The guard is also the one place that decides whether an output may replace what already
// stands at its path: only what a build of this project wrote and nobody changed since (the
// project's output record), or what the user confirms in the window, or - without a window -
// what the command line's --replace-unrecorded allows.
#include "project/OutputRecord.h"

#include <QString>
#include <QStringList>

namespace tavrel {

class TProject;

// How the rule for replacing what already stands at an output path decided.
enum class TReplaceVerdict {
    Allowed,  // nothing there, the program's own earlier output, or confirmed
    Declined, // the user said no in the window
    Refused,  // nobody could be asked: the message names the path and the switch
};

struct TReplaceDecision
{
    TReplaceVerdict Verdict = TReplaceVerdict::Allowed;
    QString Message; // empty when allowed
};

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

    // Non-raising forms: the refusal message, empty when the delete may go ahead. For an output
    // (owner not None) both end with ReplaceDecision, so a folder or file that already stands
    // there and is not the program's own is refused too (or, in the window, asked about).
    QString FolderRefusal(const QString &folder, TGuardedOutput owner = TGuardedOutput::None) const;
    QString FileRefusal(const QString &file, TGuardedOutput owner) const;
    // The same as decisions, so that a caller can tell the user's own "no" from a refusal.
    TReplaceDecision JudgeFolder(const QString &folder, TGuardedOutput owner) const;
    TReplaceDecision JudgeFile(const QString &file, TGuardedOutput owner) const;

    // The rule for replacing what stands at an output path, alone: allowed when nothing (or an
    // empty folder) is there, when the project's record says a build wrote it and it is
    // unchanged, for a WebHelp folder the record does not know that holds only what a WebHelp
    // output writes, when the build may replace unrecorded outputs, or when the user confirmed
    // it. In the window it asks (once per path and build); without one it refuses. A WebHelp
    // folder that is not empty is always asked about in the window ("... It will be emptied.
    // Continue?"), as the build always did.
    TReplaceDecision ReplaceDecision(const QString &path, TGuardedOutput owner) const;

    // Adds a file or folder that no delete may touch (for example the build's temporary copy).
    void Protect(const QString &path);

    // Raises "Save the project first: its output paths depend on the project folder." when the
    // project was never saved (empty RootDir) and an output it builds uses "<Project_Folder>".
    static void CheckSaved(const TProject &project);

    // The path resolved as ResolveOutputPath does, relative ones against the current folder;
    // empty for an empty path or one with a control character.
    static QString CanonicalPath(const QString &path);
    // True when the folder holds only what a WebHelp output writes (its index and contents frame
    // pages among them): an earlier output of this program that has no record yet.
    static bool LooksLikeEarlierWebHelp(const QString &folder);

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
    QString m_base;                      // relative paths are the project's
    const TProject *m_project = nullptr;
    TOutputRecord m_record;

    QString resolve(const QString &path) const;
    QString structuralFolderRefusal(const QString &folder, const QString &path, TGuardedOutput owner) const;
    QString structuralFileRefusal(const QString &file, const QString &path, TGuardedOutput owner) const;
};

} // namespace tavrel
