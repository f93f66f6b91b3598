#include "text/functions.h"
#include "text/functionsShared.h"

#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/OutputPath.h"
#include "text/OutsideFiles.h"
#include "text/HTMLProcess.h"
#include "text/LanguageProcess.h"
#include "text/Messages.h"
#include "text/Round.h"
#include "text/StringList.h"
#include "text/WorkingFolder.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <deque>
#include <unistd.h>
#include <vector>

namespace tavrel {

using namespace detail;

namespace {

// GetCharset on raw bytes: the declaration is ASCII, so the bytes need not be decoded first.
// The scan jumps from one "=" to the next, the rarest character of the word.
QString charsetOfBytes(const QByteArray &bytes)
{
    static const char kWord[] = "charset";
    const qsizetype n = bytes.size();
    const char *d = bytes.constData();
    for (qsizetype i = 7; i < n;) {
        const void *hit = std::memchr(d + i, '=', size_t(n - i));
        if (!hit)
            break;
        const qsizetype eq = static_cast<const char *>(hit) - d;
        i = eq + 1;
        if (eq < 7)
            continue;
        bool match = true;
        for (int k = 0; k < 7 && match; ++k)
            match = (d[eq - 7 + k] | 0x20) == kWord[k];
        if (!match)
            continue;
        qsizetype v = eq + 1;
        if (v < n && (d[v] == '"' || d[v] == '\''))
            ++v;
        qsizetype e = v;
        while (e < n && !isCharsetTerminator(static_cast<unsigned char>(d[e])))
            ++e;
        return QString::fromLatin1(d + v, e - v).toLower();
    }
    return QString();
}

int codePageNumber(const QString &codePage)
{
    bool ok = false;
    int cp = codePage.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("\"%1\" is not a valid code page.").arg(codePage));
    return cp;
}

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    // The mark has been skipped already; a second one belongs to the text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    return decoder(bytes);
}

} // namespace

// --- Text files and encodings ------------------------------------------------------------------

QString DecodeTextStream(const QByteArray &bytes, const QString &codePage, TWarnings *warnings)
{
    const qsizetype n = bytes.size();
    const auto *u = reinterpret_cast<const unsigned char *>(bytes.constData());
    if (n >= 2 && u[0] == 0xEF && u[1] == 0xBB)
        return n <= 3 ? QString() : decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3));
    if (n >= 2 && u[0] == 0xFF && u[1] == 0xFE)
        return decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2, (n - 2) / 2 * 2));

    if (!codePage.isEmpty())
        return DecodeCodePage(bytes, codePageNumber(codePage), warnings);
    const QString charset = charsetOfBytes(bytes);
    if (!charset.isEmpty()) {
        const int cp = GetCodepageByCharset(charset);
        if (cp != 0)
            return DecodeCodePage(bytes, cp, warnings);
    }
    // Editors here write UTF-8 without a mark; anything else is taken as the system code page.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeCodePage(bytes, 0, warnings);
}

QString DecodeTextStream(QIODevice &stream, const QString &codePage, TWarnings *warnings)
{
    if (!stream.isSequential())
        stream.seek(0);
    return DecodeTextStream(stream.readAll(), codePage, warnings);
}

QString ReadTextFile(const QString &file, const QString &codePage, TWarnings *warnings)
{
    if (!QFileInfo::exists(file))
        return QString();
    if (!FileSystem().CanOpenRead(file))
        throw Exception(QStringLiteral("Cannot open file \"%1\".").arg(file));
    // Text files are named by projects, templates and pages: a FIFO or a device among them
    // must not hang or exhaust the program.
    const TOutsideFile f = ReadOutsideFile(file);
    if (!f.Ok())
        throw Exception(QStringLiteral("Cannot read file \"%1\": it %2.").arg(file, f.Error));
    return DecodeTextStream(f.Data, codePage, warnings);
}

QString LoadTextFile(const QString &file, const QString &codePage, TWarnings *warnings)
{
    QString copy;
    try {
        QString text;
        if (IsFileInUse(file)) {
            copy = GetTempFileName();
            if (!FileSystem().CopyFile(file, copy))
                throw Exception(QStringLiteral("Cannot open file \"%1\". It is in use by another program.").arg(file));
            text = ReadTextFile(copy, codePage, warnings);
        } else {
            text = ReadTextFile(file, codePage, warnings);
        }
        if (!copy.isEmpty())
            FileSystem().RemoveFile(copy);
        return text;
    } catch (const Exception &e) {
        if (!copy.isEmpty())
            FileSystem().RemoveFile(copy);
        Messages().ShowError(e.Message());
    }
    return QString();
}

int GetPageEncoding(const QString &page)
{
    const QString charset = GetCharset(page);
    if (charset == QLatin1String("utf-8"))
        return 1;
    if (charset == QLatin1String("unicode"))
        return 2;
    return charset.isEmpty() ? 0 : GetCodepageByCharset(charset);
}

QByteArray EncodeTextToStream(const QString &text, int encoding)
{
    if (encoding == 1) {
        QByteArray out("\xEF\xBB\xBF", 3);
        out += text.toUtf8();
        return out;
    }
    if (encoding == 2) {
        QByteArray out;
        out.resize(2 + text.size() * 2);
        char *d = out.data();
        d[0] = '\xFF';
        d[1] = '\xFE';
        const char16_t *s = reinterpret_cast<const char16_t *>(text.constData());
        for (qsizetype i = 0, n = text.size(); i < n; ++i) {
            d[2 + 2 * i] = static_cast<char>(s[i] & 0xFF);
            d[3 + 2 * i] = static_cast<char>(s[i] >> 8);
        }
        return out;
    }
    return EncodeCodePage(text, encoding <= 0 ? 0 : encoding);
}

void EncodeTextToStream(const QString &text, int encoding, QIODevice &stream)
{
    const QByteArray bytes = EncodeTextToStream(text, encoding);
    if (!stream.isSequential())
        stream.seek(0);
    if (auto *file = qobject_cast<QFileDevice *>(&stream))
        file->resize(0);
    if (stream.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Cannot write the text: %1").arg(stream.errorString()));
    if (auto *buffer = qobject_cast<QBuffer *>(&stream))
        buffer->buffer().truncate(bytes.size());
}

void WriteTextFile(const QString &text, const QString &file, int encoding)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = EncodeTextToStream(text, encoding);
    if (!FileSystem().WriteFile(file, bytes))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(file));
}

bool SaveHtmlFile(const QString &page, const QString &file)
{
    QString name = file;
    for (;;) {
        try {
            WriteTextFile(page, name, GetPageEncoding(page));
            return true;
        } catch (const Exception &e) {
            Messages().ShowError(e.Message());
        }
        name = Messages().AskSaveFileName(name, QStringLiteral("Web Page (*.htm *.html);;All Files (*)"), QStringLiteral("Save As"));
        if (name.isEmpty())
            return false;
    }
}

QString DefaultEncoding() { return QStringLiteral("UTF-8"); }

} // namespace tavrel
