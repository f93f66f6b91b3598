#include "text/ChmFile.h"
#include "text/OutputPath.h"

#include "text/Confine.h"
#include "text/FileSystem.h"
#include "text/HtmlHelpTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtEndian>

#include <chm_lib.h>

namespace tavrel {

namespace {

// Stored entries larger than this are not read into memory: no help file page comes near it,
// and a damaged length field must not exhaust memory.
constexpr quint64 MaxEntrySize = quint64(512) * 1024 * 1024;
// Entries are read in pieces of this size, so memory follows what the file really holds.
constexpr quint64 ReadPiece = quint64(1) << 20;
constexpr quint32 MaxChunkSize = quint32(1) << 20;
// A stored name longer than chmlib's path buffer cannot be read back by name anyway.
constexpr int MaxStoredName = CHM_MAX_PATHLEN;
// Longest file name segment the file systems here take.
constexpr int MaxSegmentBytes = 255;

// A variable-length number of the directory: seven bits a byte, high bit set on all but the
// last byte. False when it runs past end or does not fit 64 bits.
bool ReadEncInt(const uchar *&p, const uchar *end, quint64 &value)
{
    value = 0;
    for (int n = 0; n < 10; ++n) {
        if (p >= end)
            return false;
        const uchar b = *p++;
        if (value > (~quint64(0) >> 7))
            return false;
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

} // namespace

bool IsChmSystemName(const QString &name)
{
    const QString n = name.startsWith(QLatin1Char('/')) ? name.mid(1) : name;
    return n.isEmpty() || n.startsWith(QLatin1Char('#')) || n.startsWith(QLatin1Char('$'))
        || name.startsWith(QLatin1String("::"));
}

TChmFile::TChmFile() = default;

TChmFile::~TChmFile() { Close(); }

bool TChmFile::Open(const QString &path)
{
    Close();
    // chmlib takes the raw name, which a NUL would cut short.
    if (HasControlCharacter(path) || !QFileInfo(path).isFile())
        return false;
    if (!ReadDirectory(path)) {
        Close();
        return false;
    }
    m_handle = chm_open(QFile::encodeName(path).constData());
    if (!m_handle) {
        Close();
        return false;
    }
    // chmlib looks its own objects up through the header's first listing chunk when the file
    // has no index chunk; with that field wrong it cannot reach the compressed section. It
    // then reads a private copy whose field is repaired.
    const QString content = QStringLiteral("::DataSpace/Storage/MSCompressed/Content");
    if (m_headerWrong && m_byName.contains(content)) {
        chmUnitInfo ui;
        if (chm_resolve_object(m_handle, content.toUtf8().constData(), &ui) != CHM_RESOLVE_SUCCESS) {
            auto copy = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/~taXXXXXX.chm"));
            QFile original(path);
            bool copied = copy->open() && original.open(QIODevice::ReadOnly);
            while (copied && !original.atEnd()) {
                const QByteArray piece = original.read(qint64(ReadPiece));
                copied = !piece.isEmpty() && copy->write(piece) == piece.size();
            }
            if (copied && copy->flush()) {
                copy->close();
                FixChmDirectoryHeader(copy->fileName());
                if (::chmFile *h = chm_open(QFile::encodeName(copy->fileName()).constData())) {
                    chm_close(m_handle);
                    m_handle = h;
                    m_repaired = std::move(copy);
                }
            }
        }
    }
    return true;
}

void TChmFile::Close()
{
    if (m_handle)
        chm_close(m_handle);
    m_handle = nullptr;
    m_entries.clear();
    m_byName.clear();
    m_fileSize = m_dataOffset = 0;
    m_headerWrong = false;
    m_repaired.reset();
    m_problems.Clear();
}

bool TChmFile::ReadDirectory(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_fileSize = quint64(file.size());
    auto readAt = [&file, this](quint64 offset, quint64 size) {
        if (offset > m_fileSize || size > m_fileSize - offset || !file.seek(qint64(offset)))
            return QByteArray();
        QByteArray data = file.read(qint64(size));
        return quint64(data.size()) == size ? data : QByteArray();
    };
    const QByteArray itsf = readAt(0, 0x58);
    if (itsf.isEmpty() || !itsf.startsWith("ITSF"))
        return false;
    const auto *h = reinterpret_cast<const uchar *>(itsf.constData());
    const quint32 version = qFromLittleEndian<quint32>(h + 4);
    const quint32 itsfLength = qFromLittleEndian<quint32>(h + 8);
    const quint64 dirOffset = qFromLittleEndian<quint64>(h + 0x48);
    const quint64 dirLength = qFromLittleEndian<quint64>(h + 0x50);
    m_dataOffset = dirOffset + dirLength;
    if (version >= 3 && itsfLength >= 0x60) {
        const QByteArray more = readAt(0x58, 8);
        if (!more.isEmpty())
            m_dataOffset = qFromLittleEndian<quint64>(reinterpret_cast<const uchar *>(more.constData()));
    }
    const QByteArray itsp = readAt(dirOffset, 0x54);
    if (itsp.isEmpty() || !itsp.startsWith("ITSP"))
        return false;
    const auto *d = reinterpret_cast<const uchar *>(itsp.constData());
    const quint32 headerLength = qFromLittleEndian<quint32>(d + 0x08);
    const quint32 chunkSize = qFromLittleEndian<quint32>(d + 0x10);
    const qint32 firstListing = qFromLittleEndian<qint32>(d + 0x20);
    const qint32 claimedChunks = qFromLittleEndian<qint32>(d + 0x2C);
    if (headerLength < 0x54 || chunkSize < 0x20 || chunkSize > MaxChunkSize || claimedChunks <= 0)
        return false;
    const quint64 chunkBase = dirOffset + headerLength;
    if (chunkBase >= m_fileSize)
        return false;
    // A directory that claims more chunks than the file holds is read as far as it goes.
    const quint64 fit = (m_fileSize - chunkBase) / chunkSize;
    const qint32 chunks = qint32(std::min<quint64>(quint64(claimedChunks), fit));
    if (chunks < claimedChunks)
        m_problems.Add(QStringLiteral("The directory claims %1 chunks; the file holds %2.").arg(claimedChunks).arg(chunks), path);

    auto chunkAt = [&](qint32 i) { return readAt(chunkBase + quint64(i) * chunkSize, chunkSize); };
    auto isListing = [](const QByteArray &c) { return c.size() >= 0x14 && c.startsWith("PMGL"); };
    auto previousOf = [](const QByteArray &c) { return qFromLittleEndian<qint32>(c.constData() + 0x0C); };
    auto nextOf = [](const QByteArray &c) { return qFromLittleEndian<qint32>(c.constData() + 0x10); };

    qint32 first = -1;
    for (qint32 i = 0; i < chunks && first < 0; ++i) {
        const QByteArray c = readAt(chunkBase + quint64(i) * chunkSize, 0x14);
        if (isListing(c) && previousOf(c) == -1)
            first = i;
    }
    m_headerWrong = first >= 0 && first != firstListing;

    std::vector<bool> visited(size_t(chunks), false);
    auto parseChunk = [&](qint32 i, const QByteArray &c) {
        const quint32 freeSpace = qFromLittleEndian<quint32>(c.constData() + 4);
        quint32 end = chunkSize;
        if (freeSpace <= chunkSize - 0x14)
            end = chunkSize - freeSpace;
        else
            m_problems.Add(QStringLiteral("Listing chunk %1 has a wrong free-space field.").arg(i), path);
        const uchar *p = reinterpret_cast<const uchar *>(c.constData()) + 0x14;
        const uchar *stop = reinterpret_cast<const uchar *>(c.constData()) + end;
        while (p < stop) {
            quint64 nameLength = 0, section = 0, offset = 0, length = 0;
            if (!ReadEncInt(p, stop, nameLength) || nameLength == 0 || nameLength > quint64(stop - p)) {
                m_problems.Add(QStringLiteral("Listing chunk %1 has a damaged entry; the rest of the chunk is skipped.").arg(i), path);
                return;
            }
            const QByteArray raw(reinterpret_cast<const char *>(p), qsizetype(nameLength));
            p += nameLength;
            if (!ReadEncInt(p, stop, section) || !ReadEncInt(p, stop, offset) || !ReadEncInt(p, stop, length)) {
                m_problems.Add(QStringLiteral("Listing chunk %1 has a damaged entry; the rest of the chunk is skipped.").arg(i), path);
                return;
            }
            const QString name = QString::fromUtf8(raw);
            if (nameLength > quint64(MaxStoredName) || section > 1) {
                m_problems.Add(nameLength > quint64(MaxStoredName) ? QStringLiteral("A stored name is too long and is skipped.")
                                                                    : QStringLiteral("An entry names an unknown section and is skipped."),
                               name.left(80));
                continue;
            }
            if (m_byName.contains(name))
                continue;
            m_byName.insert(name, qsizetype(m_entries.size()));
            m_entries.push_back({name, int(section), offset, length});
        }
    };
    auto walkFrom = [&](qint32 i) {
        while (i >= 0 && i < chunks && !visited[size_t(i)]) {
            visited[size_t(i)] = true;
            const QByteArray c = chunkAt(i);
            if (!isListing(c))
                return;
            parseChunk(i, c);
            i = nextOf(c);
        }
    };
    if (first >= 0)
        walkFrom(first);
    // Listing chunks the chain does not reach (a broken link) are read in their order.
    for (qint32 i = 0; i < chunks; ++i)
        if (!visited[size_t(i)]) {
            const QByteArray head = readAt(chunkBase + quint64(i) * chunkSize, 0x14);
            if (isListing(head))
                walkFrom(i);
        }
    return true;
}

QStringList TChmFile::Enumerate() const
{
    QStringList names;
    if (!m_handle)
        return names;
    for (const TChmEntry &e : m_entries)
        if (!e.Name.endsWith(QLatin1Char('/')))
            names.append(e.Name);
    return names;
}

bool TChmFile::Contains(const QString &name) const { return m_handle && m_byName.contains(name); }

QByteArray TChmFile::ReadEntry(const TChmEntry &entry, bool *ok) const
{
    *ok = false;
    if (entry.Length > MaxEntrySize)
        return {};
    if (entry.Section == 0
        && (entry.Offset > m_fileSize || m_dataOffset > m_fileSize - entry.Offset
            || entry.Length > m_fileSize - entry.Offset - m_dataOffset))
        return {};
    chmUnitInfo ui{};
    ui.start = entry.Offset;
    ui.length = entry.Length;
    ui.space = entry.Section;
    QByteArray data;
    quint64 done = 0;
    while (done < entry.Length) {
        const quint64 piece = std::min(ReadPiece, entry.Length - done);
        if (quint64(data.capacity()) < done + piece)
            data.reserve(qsizetype(std::min(entry.Length, std::max(done + piece, 2 * quint64(data.capacity())))));
        data.resize(qsizetype(done + piece));
        const LONGINT64 got = chm_retrieve_object(m_handle, &ui, reinterpret_cast<unsigned char *>(data.data()) + done,
                                                  LONGUINT64(done), LONGINT64(piece));
        if (got <= 0)
            return {};
        done += quint64(got);
        data.resize(qsizetype(done));
    }
    *ok = true;
    return data;
}

QByteArray TChmFile::Read(const QString &name, bool *ok) const
{
    bool good = false;
    QByteArray data;
    if (m_handle) {
        const auto it = m_byName.constFind(name);
        if (it != m_byName.constEnd())
            data = ReadEntry(m_entries[size_t(*it)], &good);
    }
    if (ok)
        *ok = good;
    return good ? data : QByteArray();
}

QStringList TChmFile::UserFiles() const
{
    QStringList result;
    for (const QString &name : Enumerate())
        if (!IsChmSystemName(name))
            result << (name.startsWith(QLatin1Char('/')) ? name.mid(1) : name);
    return result;
}

QStringList TChmFile::ExtractAll(const QString &target, int *skipped, TWarnings *warnings,
                                 const std::function<void(int, int, const QString &)> &progress) const
{
    QStringList written;
    int refused = 0;
    auto refuse = [&](const QString &name, const QString &why) {
        ++refused;
        if (warnings)
            warnings->Add(why, name);
    };
    // Names are written as the Windows viewer would: a folder met a second time in another
    // letter case is the folder met first, and a file whose name differs from an earlier one
    // only in letter case is not written over it.
    QHash<QString, QString> folderSpelling;
    QHash<QString, QString> fileSpelling;
    const QStringList files = UserFiles();
    int done = 0;
    for (const QString &stored : files) {
        if (progress)
            progress(done, int(files.size()), stored);
        ++done;
        QString name = stored;
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (HasControlCharacter(name)) {
            refuse(stored, QStringLiteral("A stored name with a control character is not written."));
            continue;
        }
        if (!IsConfinedName(target, name)) {
            refuse(stored, QStringLiteral("A stored name that would leave the folder is not written."));
            continue;
        }
        QStringList segments = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        segments.removeAll(QStringLiteral("."));
        bool tooLong = false;
        for (const QString &s : segments)
            tooLong = tooLong || s.toUtf8().size() > MaxSegmentBytes;
        if (tooLong) {
            refuse(stored, QStringLiteral("A stored name is too long for a file name and is not written."));
            continue;
        }
        QString folder;
        for (qsizetype i = 0; i + 1 < segments.size(); ++i) {
            const QString here = folder.isEmpty() ? segments[i] : folder + QLatin1Char('/') + segments[i];
            const QString key = here.toLower();
            auto it = folderSpelling.constFind(key);
            if (it == folderSpelling.constEnd())
                it = folderSpelling.insert(key, here);
            folder = *it;
        }
        const QString relative = folder.isEmpty() ? segments.last() : folder + QLatin1Char('/') + segments.last();
        const QString key = relative.toLower();
        if (fileSpelling.contains(key)) {
            refuse(stored, QStringLiteral("Differs from \"%1\" only in letter case and is not written.").arg(fileSpelling.value(key)));
            continue;
        }
        fileSpelling.insert(key, relative);
        // Judged once: the path written is the path checked.
        const TConfined confined = Confine(target, relative);
        if (!confined) {
            refuse(stored, QStringLiteral("A stored name that would leave the folder is not written."));
            continue;
        }
        const QString &path = confined.Path;
        bool ok = false;
        const QByteArray data = Read(QLatin1Char('/') + stored, &ok);
        if (!ok) {
            refuse(stored, QStringLiteral("The stored file cannot be read."));
            continue;
        }
        if (QFileInfo(path).isDir() || !FileSystem().MakePath(QFileInfo(path).absolutePath())
            || !FileSystem().WriteFile(path, data)) {
            refuse(stored, QStringLiteral("The file cannot be written to %1.").arg(path));
            continue;
        }
        written << relative;
    }
    if (skipped)
        *skipped = refused;
    return written;
}

} // namespace tavrel
