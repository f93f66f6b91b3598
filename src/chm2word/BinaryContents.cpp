#include "chm2word/BinaryContents.h"

#include "text/ChmFile.h"
#include "text/LanguageProcess.h"

#include <QSet>
#include <QtEndian>

#include <vector>

namespace tavrel {

namespace {

const QString TocidxName = QStringLiteral("/#TOCIDX");
const QString BtreeName = QStringLiteral("/$WWKeywordLinks/BTree");

// Trees nested deeper than this are flattened at this depth: no sitemap reader needs more, and
// a damaged tree cannot make the text grow with the square of its size.
constexpr int MaxDepth = 256;
// A title or address longer than this is cut; real ones are far shorter.
constexpr qsizetype MaxString = 4096;

bool U32(const QByteArray &data, qint64 offset, quint32 *value)
{
    if (offset < 0 || offset + 4 > data.size())
        return false;
    *value = qFromLittleEndian<quint32>(data.constData() + offset);
    return true;
}

bool U16(const QByteArray &data, qint64 offset, quint16 *value)
{
    if (offset < 0 || offset + 2 > data.size())
        return false;
    *value = qFromLittleEndian<quint16>(data.constData() + offset);
    return true;
}

// The zero-terminated bytes at offset (to the end when unterminated).
QByteArray CString(const QByteArray &data, qint64 offset)
{
    if (offset < 0 || offset >= data.size())
        return {};
    const qsizetype limit = std::min<qsizetype>(data.size() - qsizetype(offset), MaxString);
    const char *start = data.constData() + offset;
    const char *zero = static_cast<const char *>(memchr(start, 0, size_t(limit)));
    return QByteArray(start, zero ? zero - start : limit);
}

QString Escaped(const QString &value) { return value.toHtmlEscaped(); }

void Param(QString &out, const char *name, const QString &value)
{
    out += QStringLiteral("<param name=\"%1\" value=\"%2\">").arg(QLatin1String(name), Escaped(value));
}

// Title and address of topic number index.
struct TTopic
{
    bool Valid = false;
    QString Title, Url;
};

TTopic Topic(const TChmBinaryObjects &o, quint32 index, int codePage)
{
    TTopic t;
    const qint64 at = qint64(index) * 16;
    quint32 title = 0, urlEntry = 0;
    if (!U32(o.Topics, at + 4, &title) || !U32(o.Topics, at + 8, &urlEntry))
        return t;
    t.Valid = true;
    if (title != 0xFFFFFFFFu)
        t.Title = MultiByteToUnicode(CString(o.Strings, title), codePage);
    quint32 urlString = 0;
    if (U32(o.Urltbl, qint64(urlEntry) + 8, &urlString)) {
        // The local address follows two offsets; an address outside the help file stands at
        // the first of them when the local one is empty.
        QByteArray url = CString(o.Urlstr, qint64(urlString) + 8);
        quint32 outside = 0;
        if (url.isEmpty() && U32(o.Urlstr, urlString, &outside) && outside != 0)
            url = CString(o.Urlstr, outside);
        t.Url = MultiByteToUnicode(url, codePage);
    }
    return t;
}

} // namespace

TChmBinaryObjects ReadBinaryObjects(const TChmFile &chm)
{
    TChmBinaryObjects o;
    o.Tocidx = chm.Read(TocidxName);
    o.Topics = chm.Read(QStringLiteral("/#TOPICS"));
    o.Urltbl = chm.Read(QStringLiteral("/#URLTBL"));
    o.Urlstr = chm.Read(QStringLiteral("/#URLSTR"));
    o.Strings = chm.Read(QStringLiteral("/#STRINGS"));
    o.Btree = chm.Read(BtreeName);
    return o;
}

bool HasBinaryContents(const TChmFile &chm) { return chm.Contains(TocidxName); }

bool HasBinaryIndex(const TChmFile &chm) { return chm.Contains(BtreeName); }

QString BinaryContentsToSitemap(const TChmBinaryObjects &o, int codePage, TWarnings *warnings)
{
    QString out = QStringLiteral("<UL>\n");
    quint32 first = 0;
    if (!U32(o.Tocidx, 0, &first) || first == 0)
        return out + QStringLiteral("</UL>\n");
    bool damaged = false;
    QSet<quint32> seen;
    // The next sibling to write on each open level; 0 closes the level.
    std::vector<quint32> pending{first};
    while (!pending.empty()) {
        const quint32 at = pending.back();
        if (at == 0) {
            pending.pop_back();
            out += QStringLiteral("</UL>\n");
            continue;
        }
        quint32 flags = 0, value = 0, next = 0;
        if (seen.contains(at) || !U32(o.Tocidx, qint64(at) + 4, &flags) || !U32(o.Tocidx, qint64(at) + 8, &value)
            || !U32(o.Tocidx, qint64(at) + 16, &next)) {
            damaged = true;
            pending.back() = 0;
            continue;
        }
        seen.insert(at);
        pending.back() = next;
        QString name, url;
        if (flags & 8) {
            const TTopic topic = Topic(o, value, codePage);
            if (!topic.Valid)
                damaged = true;
            name = topic.Title;
            url = topic.Url;
            if (name.isEmpty())
                name = url;
        } else {
            name = MultiByteToUnicode(CString(o.Strings, value), codePage);
        }
        out += QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">");
        Param(out, "Name", name);
        if (!url.isEmpty())
            Param(out, "Local", url);
        out += QStringLiteral("</OBJECT>\n");
        quint32 child = 0;
        if ((flags & 4) && U32(o.Tocidx, qint64(at) + 20, &child) && child != 0) {
            if (int(pending.size()) < MaxDepth) {
                out += QStringLiteral("<UL>\n");
                pending.push_back(child);
            } else {
                damaged = true;
            }
        }
    }
    if (damaged && warnings)
        warnings->Add(QStringLiteral("The binary contents of the help file are damaged; the entries that could be read are kept."));
    return out;
}

QString BinaryIndexToSitemap(const TChmBinaryObjects &o, int codePage, TWarnings *warnings)
{
    QString out = QStringLiteral("<UL>\n");
    const QByteArray &b = o.Btree;
    constexpr qint64 HeaderSize = 0x4C;
    quint16 signature = 0, blockSize = 0;
    if (!U16(b, 0, &signature) || signature != 0x293B || !U16(b, 4, &blockSize) || blockSize < 16)
        return out + QStringLiteral("</UL>\n");
    const qint64 blocks = (b.size() - HeaderSize) / blockSize;
    // The listing blocks form a chain; the first is the one without a previous block.
    qint64 block = -1;
    for (qint64 k = 0; k < blocks && block < 0; ++k) {
        quint32 previous = 0;
        if (U32(b, HeaderSize + k * blockSize + 4, &previous) && previous == 0xFFFFFFFFu)
            block = k;
    }
    bool damaged = false;
    int depth = 0; // lists open below the outer one
    QSet<qint64> seen;
    auto utf16 = [&](qint64 &pos, qint64 end) {
        QString s;
        while (pos + 2 <= end) {
            const char16_t c = qFromLittleEndian<quint16>(b.constData() + pos);
            pos += 2;
            if (c == 0)
                return s;
            if (s.size() < MaxString)
                s += QChar(c);
        }
        damaged = true;
        return s;
    };
    while (block >= 0 && block < blocks && !seen.contains(block)) {
        seen.insert(block);
        const qint64 start = HeaderSize + block * blockSize, end = start + blockSize;
        quint16 count = 0;
        quint32 next = 0;
        U16(b, start + 2, &count);
        U32(b, start + 8, &next);
        qint64 pos = start + 12;
        for (int e = 0; e < count; ++e) {
            const QString keyword = utf16(pos, end);
            quint16 seeAlso = 0, level = 0;
            quint32 nameStart = 0, pairs = 0;
            if (pos + 16 > end || !U16(b, pos, &seeAlso) || !U16(b, pos + 2, &level) || !U32(b, pos + 4, &nameStart)
                || !U32(b, pos + 12, &pairs)) {
                damaged = true;
                break;
            }
            pos += 16;
            QStringList urls;
            if (seeAlso != 0) {
                utf16(pos, end);
            } else {
                if (qint64(pairs) * 4 > end - pos) {
                    damaged = true;
                    break;
                }
                for (quint32 k = 0; k < pairs; ++k, pos += 4) {
                    quint32 topic = 0;
                    U32(b, pos, &topic);
                    const TTopic t = Topic(o, topic, codePage);
                    if (!t.Url.isEmpty())
                        urls << t.Url;
                }
            }
            pos += 8; // a constant and the keyword's running number
            // A sub-keyword is stored with its outer keywords before it; its own name starts at
            // nameStart.
            const int want = std::min<int>({level, depth + 1, MaxDepth});
            while (depth < want) {
                out += QStringLiteral("<UL>\n");
                ++depth;
            }
            while (depth > want) {
                out += QStringLiteral("</UL>\n");
                --depth;
            }
            out += QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">");
            Param(out, "Name", nameStart < quint32(keyword.size()) ? keyword.mid(nameStart) : keyword);
            for (const QString &url : urls)
                Param(out, "Local", url);
            out += QStringLiteral("</OBJECT>\n");
        }
        if (next == 0xFFFFFFFFu) {
            block = -1;
            break;
        }
        block = qint64(next);
    }
    if (block >= 0) // the chain leads past the end or back to a block already read
        damaged = true;
    while (depth-- > 0)
        out += QStringLiteral("</UL>\n");
    if (damaged && warnings)
        warnings->Add(QStringLiteral("The binary index of the help file is damaged; the keywords that could be read are kept."));
    return out + QStringLiteral("</UL>\n");
}

} // namespace tavrel
