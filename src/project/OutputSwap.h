#pragma once
// Outputs are never written where they will be read. Each is made in a private folder beside
// its target (same file system, a hidden "~ta" name, mode 0700) and moved into place only when
// the whole build has made every output, so a failure at any point (a full disk, a read-only
// folder, a failing compiler, a killed process) leaves the previous outputs as they were.
//
// A private folder is "<parent>/.~ta-<target name>-<pid>-<random>". It holds "new" (the new
// folder, or a folder holding the new file under its own name) and, while a swap runs, "old"
// (the previous output moved aside). The next staging of the same target removes what a
// killed process left and puts an "old" back when the target itself is missing.
#include "project/FolderGuard.h"

#include <QString>
#include <vector>

namespace tavrel {

class TOutputSwap
{
public:
    TOutputSwap() = default;
    TOutputSwap(const TOutputSwap &) = delete;
    TOutputSwap &operator=(const TOutputSwap &) = delete;
    // Whatever was not committed is discarded.
    ~TOutputSwap();

    // A private place for the file target: the path to write it to. Raises when the private
    // folder cannot be made.
    QString StageFile(const QString &target, TGuardedOutput owner);
    // A private place for the folder target: an empty folder to fill, with a trailing "/".
    QString StageFolder(const QString &target, TGuardedOutput owner);

    // Moves every staged output into place. Before anything is replaced the guard judges each
    // target, and a target that is in use is retried or given up as the user answers; a
    // failure while moving puts back what was already replaced. Raises on any failure, with
    // every previous output as it was.
    void Commit(const TFolderGuard &guard);
    // Removes the private folders of everything not committed.
    void Discard();

    // The text with every private path replaced by the place it stands for, so that messages
    // name the files the user knows.
    QString Shown(const QString &text) const;

    bool Empty() const { return m_entries.empty(); }

private:
    struct TEntry
    {
        QString target;  // resolved, without trailing "/"
        QString privateFolder;
        QString staged;  // the new file or folder inside privateFolder
        bool folder;
        TGuardedOutput owner;
        bool swapped = false;
    };
    TEntry &stage(const QString &target, bool folder, TGuardedOutput owner);
    void restore(TEntry &e);
    std::vector<TEntry> m_entries;
};

} // namespace tavrel
