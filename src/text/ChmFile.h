#pragma once
// A compiled help file opened for reading: its directory and the stored files.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

struct chmFile; // chmlib's handle

namespace tavrel {

class TChmFile
{
public:
    TChmFile() = default;
    explicit TChmFile(const QString &path) { Open(path); }
    ~TChmFile();
    TChmFile(const TChmFile &) = delete;
    TChmFile &operator=(const TChmFile &) = delete;

    // False when the file is missing or not a help file.
    bool Open(const QString &path);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }

    // Every stored file by walking the directory listing (not by looking names up), in
    // directory order, as stored: "/index.htm", "/#SYSTEM", "::DataSpace/...". Folders left out.
    QStringList Enumerate() const;
    // Whether the directory has an entry of that name (a lookup through the index).
    bool Contains(const QString &name) const;
    // The stored bytes; an empty array with ok false when the entry is missing or unreadable.
    QByteArray Read(const QString &name, bool *ok = nullptr) const;

    // Stored names without their leading "/", of the files a user would see (no "#", "$" or
    // "::" system entries).
    QStringList UserFiles() const;
    // Writes every user file under target with its stored relative path; a name that would
    // leave target ("..", absolute, through a link) is skipped and counted in *skipped.
    // Returns the relative names written.
    QStringList ExtractAll(const QString &target, int *skipped = nullptr) const;

private:
    ::chmFile *m_handle = nullptr;
};

} // namespace tavrel
