#pragma once
// A compiled help file opened for reading: its directory and the stored files.
#include "text/Warnings.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct chmFile; // chmlib's handle
class QTemporaryFile;

namespace tavrel {

// One entry of the directory as stored.
struct TChmEntry
{
    QString Name;      // "/index.htm", "/#SYSTEM", "::DataSpace/..."
    int Section = 0;   // 0 stored as it is, 1 compressed
    quint64 Offset = 0;
    quint64 Length = 0;
};

class TChmFile
{
public:
    TChmFile();
    explicit TChmFile(const QString &path) : TChmFile() { Open(path); }
    ~TChmFile();
    TChmFile(const TChmFile &) = delete;
    TChmFile &operator=(const TChmFile &) = delete;

    // False when the file is missing or not a help file.
    bool Open(const QString &path);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }

    // Every stored file by walking the directory listing (not by looking names up), in
    // directory order, as stored: "/index.htm", "/#SYSTEM", "::DataSpace/...". Folders left out.
    // The walk starts at the listing chunk that has no previous chunk, whatever the header
    // says, and every listing chunk is read once even when the chain between them is broken.
    QStringList Enumerate() const;
    const std::vector<TChmEntry> &Entries() const { return m_entries; }
    // Whether the directory has an entry of that name.
    bool Contains(const QString &name) const;
    // The stored bytes; an empty array with ok false when the entry is missing or unreadable.
    // Memory grows with what is really read, never with the length the directory claims.
    QByteArray Read(const QString &name, bool *ok = nullptr) const;

    // Stored names without their leading "/", of the files a user would see (no "#", "$" or
    // "::" system entries).
    QStringList UserFiles() const;
    // Writes every user file under target with its stored relative path; a name that would
    // leave target ("..", absolute, through a link) is skipped and counted in *skipped.
    // Returns the relative names written.
    // Names are confined to target (control characters, over-long segments and names that
    // differ from an earlier one only in letter case are refused too), each refusal a warning
    // with the stored name.
    // progress, when given, is called before each file with the files done so far, their
    // number and the stored name; it may throw (a cancel) to end the walk there.
    QStringList ExtractAll(const QString &target, int *skipped = nullptr, TWarnings *warnings = nullptr,
                           const std::function<void(int done, int total, const QString &name)> &progress = {}) const;

    // What the directory walk met that it could not take (a damaged chunk, an entry past the
    // end); the entries it could read are kept.
    const TWarnings &Problems() const { return m_problems; }

private:
    bool ReadDirectory(const QString &path);
    QByteArray ReadEntry(const TChmEntry &entry, bool *ok) const;

    ::chmFile *m_handle = nullptr;
    std::vector<TChmEntry> m_entries;
    QHash<QString, qsizetype> m_byName;
    quint64 m_fileSize = 0;
    quint64 m_dataOffset = 0;
    bool m_headerWrong = false;
    // A private repaired copy that chmlib reads when the original's header misleads it.
    std::unique_ptr<QTemporaryFile> m_repaired;
    TWarnings m_problems;
};

// True for the stored names a user never sees: "#...", "$..." and "::..." objects.
bool IsChmSystemName(const QString &storedName);

} // namespace tavrel
