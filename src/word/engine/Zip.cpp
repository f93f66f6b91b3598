#include "word/engine/Zip.h"
#include "text/OutputPath.h"

#include "text/Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <zip.h>

namespace tavrel::engine {

bool IsSafeEntryName(const QString &name)
{
    if (name.isEmpty() || name.contains(QChar(0)))
        return false;
    if (name.startsWith('/') || name.startsWith('\\'))
        return false;
    if (name.size() >= 2 && name[1] == ':' && name[0].isLetter())
        return false;
    const auto segments = QString(name).replace('\\', '/').split('/');
    for (const auto &s : segments)
        if (s == QLatin1String(".."))
            return false;
    return true;
}

std::unique_ptr<TZipReader> TZipReader::OpenFile(const QString &path, const QString &displayName,
                                                 const TZipLimits &limits)
{
    std::unique_ptr<TZipReader> r(new TZipReader);
    r->m_display = displayName.isEmpty() ? QFileInfo(path).fileName() : displayName;
    r->m_limits = limits;
    int err = 0;
    // libzip takes the raw name, which a NUL would cut short: such a path names no file.
    if (HasControlCharacter(path)) {
        r->fail(QStringLiteral("the file cannot be opened"));
        return r;
    }
    r->m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    // The strict check also refuses gaps between entries, which Word and LibreOffice accept:
    // such a package is opened without it, and each entry is still checked when it is read.
    if (!r->m_zip && err == ZIP_ER_INCONS)
        r->m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err);
    if (!r->m_zip) {
        if (err == ZIP_ER_NOENT || err == ZIP_ER_OPEN)
            r->fail(QStringLiteral("the file cannot be opened"));
        r->fail(QStringLiteral("it is not a complete zip package (it may be truncated or damaged)"));
    }
    r->init();
    return r;
}

std::unique_ptr<TZipReader> TZipReader::OpenBytes(const QByteArray &bytes, const QString &displayName,
                                                  const TZipLimits &limits)
{
    std::unique_ptr<TZipReader> r(new TZipReader);
    r->m_display = displayName;
    r->m_limits = limits;
    r->m_bytes = bytes;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *src = zip_source_buffer_create(r->m_bytes.constData(), size_t(r->m_bytes.size()), 0, &error);
    if (!src) {
        zip_error_fini(&error);
        r->fail(QStringLiteral("it cannot be read"));
    }
    r->m_zip = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!r->m_zip && zip_error_code_zip(&error) == ZIP_ER_INCONS) {
        zip_error_fini(&error);
        zip_error_init(&error);
        r->m_zip = zip_open_from_source(src, ZIP_RDONLY, &error);
    }
    zip_error_fini(&error);
    if (!r->m_zip) {
        zip_source_free(src);
        r->fail(QStringLiteral("it is not a complete zip package (it may be truncated or damaged)"));
    }
    r->init();
    return r;
}

TZipReader::~TZipReader()
{
    if (m_zip)
        zip_discard(m_zip);
}

void TZipReader::fail(const QString &problem) const
{
    throw Exception(QStringLiteral("The document \"%1\" cannot be read: %2.").arg(m_display, problem));
}

void TZipReader::init()
{
    zip_int64_t n = zip_get_num_entries(m_zip, 0);
    if (n < 0)
        fail(QStringLiteral("its zip directory is damaged"));
    if (n > m_limits.MaxEntries)
        fail(QStringLiteral("it holds %1 entries, more than the %2 a document may have").arg(n).arg(m_limits.MaxEntries));
    for (zip_int64_t i = 0; i < n; ++i) {
        const char *raw = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!raw)
            fail(QStringLiteral("its zip directory is damaged"));
        QString name = QString::fromUtf8(raw);
        if (!IsSafeEntryName(name))
            fail(QStringLiteral("it holds an entry named \"%1\" that points outside the document").arg(name));
        m_names << name;
        m_exact.insert(name, int(i));
        m_folded.insert(name.toLower(), int(i));
    }
}

int TZipReader::index(const QString &name) const
{
    QString n = name.startsWith('/') ? name.mid(1) : name;
    auto it = m_exact.constFind(n);
    if (it != m_exact.constEnd())
        return *it;
    auto f = m_folded.constFind(n.toLower());
    return f == m_folded.constEnd() ? -1 : *f;
}

qint64 TZipReader::Size(const QString &name) const
{
    int i = index(name);
    if (i < 0)
        return -1;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return -1;
    return qint64(st.size);
}

QByteArray TZipReader::ReadIfExists(const QString &name)
{
    if (!Contains(name))
        return QByteArray();
    return Read(name);
}

QByteArray TZipReader::Read(const QString &name)
{
    int i = index(name);
    if (i < 0)
        fail(QStringLiteral("the part \"%1\" is missing").arg(name));
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, zip_uint64_t(i), 0, &st) != 0)
        fail(QStringLiteral("the part \"%1\" is damaged").arg(name));
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        fail(QStringLiteral("the part \"%1\" is encrypted").arg(name));
    const qint64 declared = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : -1;
    const qint64 stored = (st.valid & ZIP_STAT_COMP_SIZE) ? qint64(st.comp_size) : -1;
    auto tooLarge = [&]() {
        fail(QStringLiteral("the part \"%1\" inflates beyond %2 MB").arg(name).arg(m_limits.MaxEntrySize / (1024 * 1024)));
    };
    if (declared > m_limits.MaxEntrySize)
        tooLarge();
    if (declared > m_limits.MinBombSize && stored >= 0 && declared > qMax<qint64>(stored, 1) * m_limits.MaxRatio)
        fail(QStringLiteral("the part \"%1\" inflates %2 times its stored size (a zip bomb)").arg(name).arg(declared / qMax<qint64>(stored, 1)));
    if (m_totalRead + qMax<qint64>(declared, 0) > m_limits.MaxTotalSize)
        fail(QStringLiteral("its parts together inflate beyond %1 MB").arg(m_limits.MaxTotalSize / (1024 * 1024)));

    zip_file_t *f = zip_fopen_index(m_zip, zip_uint64_t(i), 0);
    if (!f)
        fail(QStringLiteral("the part \"%1\" cannot be unpacked").arg(name));
    QByteArray out;
    if (declared > 0)
        out.reserve(declared);
    // The declared size may lie: read in chunks and stop at the limit whatever the header says.
    char buf[65536];
    for (;;) {
        zip_int64_t got = zip_fread(f, buf, sizeof buf);
        if (got < 0) {
            zip_fclose(f);
            fail(QStringLiteral("the part \"%1\" is damaged").arg(name));
        }
        if (got == 0)
            break;
        out.append(buf, qsizetype(got));
        if (out.size() > m_limits.MaxEntrySize || m_totalRead + out.size() > m_limits.MaxTotalSize) {
            zip_fclose(f);
            tooLarge();
        }
    }
    if (zip_fclose(f) != 0)
        fail(QStringLiteral("the part \"%1\" is damaged").arg(name));
    if (declared >= 0 && out.size() != declared)
        fail(QStringLiteral("the part \"%1\" is damaged").arg(name));
    m_totalRead += out.size();
    return out;
}

void ReplaceZipEntries(const QString &path, const std::vector<std::pair<QString, QByteArray>> &entries)
{
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), 0, &err);
    if (!z)
        throw Exception(QStringLiteral("The package \"%1\" cannot be rewritten: it cannot be opened.").arg(path));
    // libzip reads the new data only when the archive is closed: the buffers must live until then.
    std::vector<QByteArray> keep;
    keep.reserve(entries.size());
    for (const auto &[name, data] : entries) {
        keep.push_back(data);
        zip_source_t *src = zip_source_buffer(z, keep.back().constData(), zip_uint64_t(keep.back().size()), 0);
        const QByteArray utf8 = name.toUtf8();
        if (!src || zip_file_add(z, utf8.constData(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            if (src)
                zip_source_free(src);
            zip_discard(z);
            throw Exception(QStringLiteral("The package \"%1\" cannot be rewritten: the part \"%2\" cannot be replaced.").arg(path, name));
        }
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        throw Exception(QStringLiteral("The package \"%1\" cannot be rewritten.").arg(path));
    }
}

QByteArray ZipBytes(const std::vector<std::pair<QString, QByteArray>> &entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *store = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!store)
        throw Exception(QStringLiteral("A zip archive cannot be made: out of memory."));
    zip_source_keep(store); // it must outlive the archive, whose bytes it receives
    zip_t *z = zip_open_from_source(store, ZIP_TRUNCATE, &error);
    if (!z) {
        zip_source_free(store);
        throw Exception(QStringLiteral("A zip archive cannot be made."));
    }
    auto fail = [&](const QString &name) {
        zip_discard(z);
        zip_source_free(store);
        throw Exception(QStringLiteral("A zip archive cannot be made: the entry \"%1\" cannot be added.").arg(name));
    };
    for (const auto &[name, data] : entries) {
        zip_source_t *src = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t i = src ? zip_file_add(z, utf8.constData(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (i < 0) {
            if (src)
                zip_source_free(src);
            fail(name);
        }
        static const char *const stored[] = {".png", ".jpeg", ".jpg", ".gif"};
        bool store_it = false;
        for (const char *ext : stored)
            store_it |= name.endsWith(QLatin1String(ext), Qt::CaseInsensitive);
        if (zip_set_file_compression(z, zip_uint64_t(i), store_it ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 6) != 0 ||
            zip_file_set_dostime(z, zip_uint64_t(i), 0, (0 << 9) | (1 << 5) | 1, 0) != 0)
            fail(name);
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        zip_source_free(store);
        throw Exception(QStringLiteral("A zip archive cannot be made."));
    }
    QByteArray out;
    if (zip_source_open(store) == 0) {
        zip_source_seek(store, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(store);
        zip_source_seek(store, 0, SEEK_SET);
        if (size > 0) {
            out.resize(qsizetype(size));
            if (zip_source_read(store, out.data(), zip_uint64_t(size)) != size)
                out.clear();
        }
        zip_source_close(store);
    }
    zip_source_free(store);
    if (out.isEmpty())
        throw Exception(QStringLiteral("A zip archive cannot be made."));
    return out;
}

} // namespace tavrel::engine
