// The readers of compiled contents and index on arbitrary objects: the input holds the six
// objects one after another, each after a four-byte length. Whatever the bytes, the sitemap
// text they give has balanced lists, one more opening than entries nest, and reads back.
#include "chm2word/BinaryContents.h"
#include "chm2word/ChmTo.h"

#include <QtEndian>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    TChmBinaryObjects o;
    QByteArray *parts[] = {&o.Tocidx, &o.Topics, &o.Urltbl, &o.Urlstr, &o.Strings, &o.Btree};
    qsizetype pos = 0;
    for (QByteArray *part : parts) {
        if (pos + 4 > input.size())
            break;
        const quint32 length = std::min<quint32>(qFromLittleEndian<quint32>(input.constData() + pos), quint32(input.size() - pos - 4));
        *part = input.mid(pos + 4, length);
        pos += 4 + length;
    }
    TWarnings warnings;
    const QString contents = BinaryContentsToSitemap(o, 1252, &warnings);
    const QString index = BinaryIndexToSitemap(o, 936, &warnings);
    for (const QString &text : {contents, index})
        if (text.count(QStringLiteral("<UL>")) != text.count(QStringLiteral("</UL>")))
            std::abort();
    TTitleLists list;
    ReadContentsText(contents, list, &warnings);
    ReadIndexText(index, list, &warnings);
    return 0;
}
