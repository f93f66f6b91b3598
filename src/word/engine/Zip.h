#pragma once
// Read access to the zip packages of Office documents. Everything about an archive comes from
// outside, so the reader refuses what could hurt: entry names that climb out of the package or
// are absolute, entries that inflate beyond a sane size (zip bombs), archives with absurd entry
// counts, encrypted entries. Every refusal is an Exception naming the file and the problem.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

struct zip;
typedef struct zip zip_t;

namespace tavrel::engine {

struct TZipLimits
{
    qint64 MaxEntrySize = 256ll * 1024 * 1024;     // one inflated entry
    qint64 MaxTotalSize = 1024ll * 1024 * 1024;    // everything read from one archive
    int MaxEntries = 50000;
    // An entry whose inflated size exceeds this multiple of its stored size is a bomb, once it
    // is past MinBombSize (small, very regular XML compresses well and is fine).
    qint64 MaxRatio = 1000;
    qint64 MinBombSize = 4ll * 1024 * 1024;
};

class TZipReader
{
public:
    // displayName names the file in messages (the user's name for it, not a temporary copy).
    static std::unique_ptr<TZipReader> OpenFile(const QString &path, const QString &displayName = QString(),
                                                const TZipLimits &limits = TZipLimits());
    static std::unique_ptr<TZipReader> OpenBytes(const QByteArray &bytes, const QString &displayName,
                                                 const TZipLimits &limits = TZipLimits());
    ~TZipReader();

    QStringList Names() const { return m_names; }
    // Part names of packages compare without regard to case; the exact name wins.
    bool Contains(const QString &name) const { return index(name) >= 0; }
    qint64 Size(const QString &name) const;
    // The inflated entry; raises when it is missing, damaged or too large.
    QByteArray Read(const QString &name);
    // As Read, but an empty result (and no exception) when the entry does not exist.
    QByteArray ReadIfExists(const QString &name);
    const QString &DisplayName() const { return m_display; }

private:
    TZipReader() = default;
    void init();
    int index(const QString &name) const;
    [[noreturn]] void fail(const QString &problem) const;

    zip_t *m_zip = nullptr;
    QByteArray m_bytes; // keeps the memory of OpenBytes alive
    QString m_display;
    TZipLimits m_limits;
    QStringList m_names;
    QHash<QString, int> m_exact, m_folded;
    qint64 m_totalRead = 0;
};

// Replaces (or adds) entries of an existing zip file in place; the other entries are kept as
// they are stored. Raises an Exception naming the file when it cannot be rewritten.
void ReplaceZipEntries(const QString &path, const std::vector<std::pair<QString, QByteArray>> &entries);

// A new zip archive of the entries, in their order, with fixed dates (1 January 1980), so the
// same entries give the same bytes. Pictures and other compressed formats are stored as they are.
QByteArray ZipBytes(const std::vector<std::pair<QString, QByteArray>> &entries);

// True when the name of a zip entry stays inside the package: not empty, not absolute, no drive,
// no ".." segment, no NUL.
bool IsSafeEntryName(const QString &name);

} // namespace tavrel::engine
