#pragma once
// Files that lie outside a build's own working folders — linked from a document, named by a
// project — are read here and nowhere else: only regular files, never more than a limit, and,
// for what a build carries into its outputs, only from the folders the project allows.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavrel {

// The largest outside file a build reads into memory.
inline constexpr qint64 kMaxOutsideFile = 256ll * 1024 * 1024;

// The folders from which files may be carried into outputs: each root and its sub-folders,
// except names below a root that begin with "." (hidden files and folders). A root itself may
// lie anywhere, also inside a hidden folder. Roots are resolved once, links followed; a root
// that does not exist allows nothing.
class TCarryRoots
{
public:
    TCarryRoots() = default;
    explicit TCarryRoots(const QStringList &folders);
    void Add(const QString &folder);
    const QStringList &Folders() const { return m_roots; }
    bool IsEmpty() const { return m_roots.isEmpty(); }

    // Why a file may not be carried, as a sentence fragment ("lies outside ..."); empty when it
    // may. resolved must be a path whose links are already followed (ReadOutsideFile's Path).
    QString Refusal(const QString &resolved) const;
    bool Allows(const QString &resolved) const { return Refusal(resolved).isEmpty(); }

private:
    QStringList m_roots; // canonical, without a trailing "/" (except "/")
};

struct TOutsideFile
{
    QByteArray Data;
    QString Path;  // the file actually opened, links followed
    QString Error; // why nothing was read, as a sentence fragment; empty on success
    bool Missing = false; // nothing exists at the path
    bool Ok() const { return Error.isEmpty(); }
};

// Opens a file for reading only when it is a regular file, without blocking on the open and
// judging the opened descriptor (a FIFO, device, socket or folder is refused). Returns the
// descriptor, which the caller closes, or -1 with error, missing (nothing exists at the path)
// and size set as far as known.
int OpenRegularFile(const QString &path, QString *error = nullptr, bool *missing = nullptr, qint64 *size = nullptr);

// Reads a regular file of at most limit bytes. The file is opened without blocking and judged
// by the opened descriptor, so a FIFO, a device, a socket or a folder is refused without being
// read, and what is checked is what is read. With roots, a file the roots do not allow (judged
// by the path of the opened file) is refused as well.
TOutsideFile ReadOutsideFile(const QString &path, qint64 limit = kMaxOutsideFile, const TCarryRoots *roots = nullptr);

} // namespace tavrel
