#include "text/ChmFile.h"
#include "text/OutputPath.h"

#include "text/Confine.h"
#include "text/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chm_lib.h>

namespace tavrel {

namespace {

// Stored entries larger than this are not read into memory: no help file page comes near it,
// and a damaged length field must not exhaust memory.
constexpr qint64 MaxEntrySize = qint64(512) * 1024 * 1024;

int CollectEntry(struct chmFile *, struct chmUnitInfo *ui, void *context)
{
    auto *names = static_cast<QStringList *>(context);
    const QByteArray raw(ui->path, int(qstrnlen(ui->path, CHM_MAX_PATHLEN)));
    // Folder entries end in "/" and carry no data.
    if (!raw.endsWith('/'))
        names->append(QString::fromUtf8(raw));
    return CHM_ENUMERATOR_CONTINUE;
}

bool IsSystemName(const QString &name)
{
    const QString n = name.startsWith(QLatin1Char('/')) ? name.mid(1) : name;
    return n.isEmpty() || n.startsWith(QLatin1Char('#')) || n.startsWith(QLatin1Char('$'))
        || name.startsWith(QLatin1String("::"));
}

} // namespace

TChmFile::~TChmFile() { Close(); }

bool TChmFile::Open(const QString &path)
{
    Close();
    // chmlib takes the raw name, which a NUL would cut short.
    if (HasControlCharacter(path) || !QFileInfo(path).isFile())
        return false;
    m_handle = chm_open(QFile::encodeName(path).constData());
    return m_handle != nullptr;
}

void TChmFile::Close()
{
    if (m_handle)
        chm_close(m_handle);
    m_handle = nullptr;
}

QStringList TChmFile::Enumerate() const
{
    QStringList names;
    if (m_handle)
        chm_enumerate(m_handle, CHM_ENUMERATE_ALL, CollectEntry, &names);
    return names;
}

bool TChmFile::Contains(const QString &name) const
{
    if (!m_handle)
        return false;
    chmUnitInfo ui;
    return chm_resolve_object(m_handle, name.toUtf8().constData(), &ui) == CHM_RESOLVE_SUCCESS;
}

QByteArray TChmFile::Read(const QString &name, bool *ok) const
{
    if (ok)
        *ok = false;
    if (!m_handle)
        return {};
    chmUnitInfo ui;
    if (chm_resolve_object(m_handle, name.toUtf8().constData(), &ui) != CHM_RESOLVE_SUCCESS)
        return {};
    if (ui.length > quint64(MaxEntrySize))
        return {};
    QByteArray data(qsizetype(ui.length), Qt::Uninitialized);
    LONGINT64 done = 0;
    while (done < LONGINT64(ui.length)) {
        const LONGINT64 got = chm_retrieve_object(m_handle, &ui,
            reinterpret_cast<unsigned char *>(data.data()) + done, LONGUINT64(done), LONGINT64(ui.length) - done);
        if (got <= 0)
            return {};
        done += got;
    }
    if (ok)
        *ok = true;
    return data;
}

QStringList TChmFile::UserFiles() const
{
    QStringList result;
    for (const QString &name : Enumerate())
        if (!IsSystemName(name))
            result << (name.startsWith(QLatin1Char('/')) ? name.mid(1) : name);
    return result;
}

QStringList TChmFile::ExtractAll(const QString &target, int *skipped) const
{
    QStringList written;
    int refused = 0;
    for (const QString &name : UserFiles()) {
        if (!IsConfinedName(target, name)) {
            ++refused;
            continue;
        }
        const QString path = ConfinePath(target, name);
        bool ok = false;
        const QByteArray data = Read(QLatin1Char('/') + name, &ok);
        if (!ok) {
            ++refused;
            continue;
        }
        if (!FileSystem().MakePath(QFileInfo(path).absolutePath()) || !FileSystem().WriteFile(path, data)) {
            ++refused;
            continue;
        }
        written << name;
    }
    if (skipped)
        *skipped = refused;
    return written;
}

} // namespace tavrel
