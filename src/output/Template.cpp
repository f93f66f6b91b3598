#include "output/Template.h"

#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/OutsideFiles.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>
#include <array>

namespace tavrel {

namespace {

constexpr qsizetype kLengthSize = 8;

// Reads one 8-byte length at pos; false when fewer than 8 bytes are left.
bool readLength(const QByteArray &stream, qsizetype pos, qint64 &value)
{
    if (stream.size() - pos < kLengthSize)
        return false;
    value = qFromLittleEndian<qint64>(stream.constData() + pos);
    return true;
}

void appendLength(QByteArray &stream, qint64 value)
{
    char buf[kLengthSize];
    qToLittleEndian<qint64>(value, buf);
    stream.append(buf, kLengthSize);
}

QString damaged(int entry, const char *what)
{
    return QStringLiteral("The template stream is damaged: entry %1 %2.").arg(entry).arg(QLatin1String(what));
}

// A file next to path whose name equals path's name but for letter case; empty when none.
QString findIgnoringCase(const QString &path)
{
    if (QFileInfo(path).isFile())
        return path;
    const QFileInfo info(path);
    const QDir dir = info.absoluteDir();
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &n : names)
        if (n.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return dir.filePath(n);
    return QString();
}

QByteArray readWholeFile(const QString &path)
{
    // A template's files are the author's choice; a FIFO or a device among them is refused.
    TOutsideFile f = ReadOutsideFile(path);
    if (!f.Ok())
        throw Exception(QStringLiteral("Cannot open file \"%1\": it %2.").arg(path, f.Error));
    return std::move(f.Data);
}

} // namespace

void ForEachTemplateEntry(const QByteArray &stream,
                          const std::function<void(const QString &, QByteArrayView)> &visit)
{
    qsizetype pos = 0;
    int entry = 1;
    while (pos < stream.size()) {
        qint64 nameLength = 0;
        if (!readLength(stream, pos, nameLength))
            throw Exception(damaged(entry, "ends inside its name length"));
        pos += kLengthSize;
        // Compare against what is left before multiplying, so no length can overflow or make
        // a huge allocation.
        if (nameLength < 0 || nameLength > (stream.size() - pos) / 2)
            throw Exception(damaged(entry, "has a name longer than the stream"));
        const qsizetype nameBytes = qsizetype(nameLength) * 2;
        QString name(qsizetype(nameLength), Qt::Uninitialized);
        const char *p = stream.constData() + pos;
        for (qsizetype i = 0; i < nameLength; ++i)
            name[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
        // Entry names become file names that the help project lists one per line, and some
        // lists quote them: such a name would add lines of its own.
        for (QChar c : name)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char('"'))
                throw Exception(damaged(entry, "has a name with a line break, a control character or a double quote"));
        pos += nameBytes;
        qint64 dataLength = 0;
        if (!readLength(stream, pos, dataLength))
            throw Exception(damaged(entry, "ends inside its data length"));
        pos += kLengthSize;
        if (dataLength < 0 || dataLength > stream.size() - pos)
            throw Exception(damaged(entry, "has more data than the stream holds"));
        visit(name, QByteArrayView(stream.constData() + pos, qsizetype(dataLength)));
        pos += qsizetype(dataLength);
        ++entry;
    }
}

std::vector<TTemplateEntry> ReadTemplateEntries(const QByteArray &stream)
{
    std::vector<std::pair<QString, QByteArrayView>> views;
    ForEachTemplateEntry(stream, [&](const QString &name, QByteArrayView data) { views.emplace_back(name, data); });
    std::vector<TTemplateEntry> out;
    out.reserve(views.size());
    for (const auto &[name, data] : views)
        out.push_back({name, data.toByteArray()});
    return out;
}

void AppendTemplateEntry(QByteArray &stream, const QString &name, QByteArrayView data)
{
    appendLength(stream, name.size());
    for (QChar c : name) {
        char buf[2];
        qToLittleEndian<quint16>(c.unicode(), buf);
        stream.append(buf, 2);
    }
    appendLength(stream, data.size());
    stream.append(data.constData(), data.size());
}

void GetTemplateFiles(const QString &fileName, QStringList &list, TWarnings *warnings)
{
    list.clear();
    const QString main = NormalizePath(QFileInfo(fileName).absoluteFilePath());
    CollectLinkedFiles(main, list, warnings);

    // Where a normal button image is packed, its gray twin for the first and last page goes
    // with it. Only the files listed so far are examined.
    QSet<QString> listed(list.begin(), list.end());
    const qsizetype count = list.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString lower = list[i].toLower();
        QString candidate;
        if (lower.contains(QLatin1String("btn_prev_n")))
            candidate = QString(list[i]).replace(QLatin1String("btn_prev_n"), QLatin1String("btn_prev_g"), Qt::CaseInsensitive);
        else if (lower.contains(QLatin1String("btn_next_n")))
            candidate = QString(list[i]).replace(QLatin1String("btn_next_n"), QLatin1String("btn_next_g"), Qt::CaseInsensitive);
        else
            continue;
        const QString found = findIgnoringCase(candidate);
        if (!found.isEmpty() && !listed.contains(found)) {
            listed.insert(found);
            list << found;
        }
    }
}

void TemplateFileToStream(const QString &fileName, QByteArray &stream, TWarnings *warnings)
{
    stream.clear();
    if (!QFileInfo(fileName).isFile())
        return;
    QStringList files;
    GetTemplateFiles(fileName, files, warnings);
    if (files.isEmpty())
        return;
    QString folder = files.first().left(files.first().lastIndexOf(QLatin1Char('/')) + 1);
    // Paths are case-sensitive here: a folder that differs in case is another folder.
    for (const QString &file : files) {
        if (!file.startsWith(folder) || !QFileInfo(file).isFile())
            continue;
        QString name = file.mid(folder.size());
        name.replace(QLatin1Char('/'), QLatin1Char('\\'));
        AppendTemplateEntry(stream, name, readWholeFile(file));
    }
}

void StreamToTemplateFiles(const QByteArray &stream, const QString &dir)
{
    std::vector<std::pair<QString, QByteArrayView>> entries;
    ForEachTemplateEntry(stream, [&](const QString &name, QByteArrayView data) { entries.emplace_back(name, data); });
    // Refuse the whole stream before anything is written: a package that tries to leave its
    // folder is not a template to unpack in part.
    std::vector<QString> targets;
    targets.reserve(entries.size());
    for (const auto &e : entries)
        targets.push_back(ConfinePath(dir, e.first));

    TFileSystem &fs = FileSystem();
    if (!fs.MakePath(dir))
        throw Exception(QStringLiteral("Cannot create folder \"%1\".").arg(dir));
    for (size_t i = 0; i < entries.size(); ++i) {
        const QString &target = targets[i];
        const QString parent = QFileInfo(target).absolutePath();
        if (!QFileInfo(parent).isDir() && !fs.MakePath(parent))
            throw Exception(QStringLiteral("Cannot create folder \"%1\".").arg(parent));
        if (!fs.WriteFile(target, entries[i].second.toByteArray()))
            throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(target));
    }
}

void CheckTemplateStream(const QByteArray &stream, const QString &what)
{
    const QString advice = QStringLiteral(" Choose or import the %1 template again in the project's settings.").arg(what);
    if (stream.isEmpty())
        throw Exception(QStringLiteral("The %1 page template of the project is empty or damaged, so no page can be made.").arg(what) + advice);
    qsizetype mainPageSize = -1;
    try {
        ForEachTemplateEntry(stream, [&](const QString &, QByteArrayView data) {
            if (mainPageSize < 0)
                mainPageSize = data.size();
        });
    } catch (const Exception &e) {
        throw Exception(QStringLiteral("The %1 page template of the project cannot be used. ").arg(what) + e.Message() + advice);
    }
    if (mainPageSize <= 0)
        throw Exception(QStringLiteral("The %1 page template of the project has an empty main page, so no page can be made.").arg(what) + advice);
}

QString GetTemplateMainFile(const QByteArray &stream)
{
    qint64 nameLength = 0;
    if (!readLength(stream, 0, nameLength) || nameLength < 0 || nameLength > (stream.size() - kLengthSize) / 2)
        return QString();
    QString name(qsizetype(nameLength), Qt::Uninitialized);
    const char *p = stream.constData() + kLengthSize;
    for (qsizetype i = 0; i < nameLength; ++i)
        name[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
    return name;
}

QString StreamToHex(const QByteArray &stream)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    QString hex(stream.size() * 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(hex.data());
    const uchar *in = reinterpret_cast<const uchar *>(stream.constData());
    for (qsizetype i = 0, n = stream.size(); i < n; ++i) {
        *out++ = digits[in[i] >> 4];
        *out++ = digits[in[i] & 0xF];
    }
    return hex;
}

QByteArray HexToStream(const QString &hex)
{
    // Digit values by code unit; -1 for everything that is not a hexadecimal digit.
    static const auto table = [] {
        std::array<signed char, 128> t;
        t.fill(-1);
        for (int c = '0'; c <= '9'; ++c)
            t[c] = static_cast<signed char>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c)
            t[c] = static_cast<signed char>(c - 'A' + 10);
        for (int c = 'a'; c <= 'f'; ++c)
            t[c] = static_cast<signed char>(c - 'a' + 10);
        return t;
    }();
    const qsizetype n = hex.size();
    if (n % 2 != 0)
        return QByteArray();
    QByteArray out(n / 2, Qt::Uninitialized);
    const char16_t *s = reinterpret_cast<const char16_t *>(hex.utf16());
    char *o = out.data();
    for (qsizetype i = 0; i < n; i += 2) {
        const char16_t a = s[i], b = s[i + 1];
        const int hi = a < 128 ? table[a] : -1;
        const int lo = b < 128 ? table[b] : -1;
        if ((hi | lo) < 0)
            return QByteArray();
        *o++ = char(hi << 4 | lo);
    }
    return out;
}

} // namespace tavrel
