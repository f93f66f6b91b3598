#include "text/functions.h"

#include "text/CaseLookup.h"
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

namespace {

const QString kSlash = QStringLiteral("/");

QString withTrailingSlash(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

// A name is taken when anything stands there, a dangling symbolic link included: writing to such
// a name would follow the link.
bool pathTaken(const QString &path)
{
    QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

inline bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

inline char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

// Appends a code point; values that are no character (0, surrogates, beyond Unicode) become
// the replacement character instead of corrupting the text.
void appendCodePoint(QString &out, qint64 code)
{
    if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out += QChar(QChar::ReplacementCharacter);
        return;
    }
    const char32_t c = static_cast<char32_t>(code);
    if (c < 0x10000) {
        out += QChar(static_cast<char16_t>(c));
    } else {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    }
}

// Position of "<name" (any case) as a whole tag name, that is followed by white space, ">",
// "/" or the end of the text; -1 when there is none. Without the check "<head" would also find
// "<header>".
qsizetype findTagName(const QString &text, QLatin1StringView open, qsizetype from)
{
    for (;;) {
        qsizetype p = text.indexOf(open, from, Qt::CaseInsensitive);
        if (p < 0)
            return -1;
        qsizetype after = p + open.size();
        if (after >= text.size())
            return p;
        QChar c = text.at(after);
        if (c == QLatin1Char('>') || c == QLatin1Char('/') || IsWhiteSpaceChar(c))
            return p;
        from = p + 1;
    }
}

// Replaces every occurrence of needle in one pass. QString::replace works through the matches in
// batches and moves the rest of the text for each batch when the lengths differ, which grows
// faster than the text for very long texts with many matches.
QString replaceAll(const QString &text, QLatin1StringView needle, QStringView with, Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    QString out;
    qsizetype from = 0;
    for (;;) {
        qsizetype p = text.indexOf(needle, from, cs);
        if (p < 0)
            break;
        if (out.isEmpty())
            out.reserve(text.size() + with.size());
        out += QStringView(text).mid(from, p - from);
        out += with;
        from = p + needle.size();
    }
    if (from == 0)
        return text;
    out += QStringView(text).mid(from);
    return out;
}

QString replaceAllCaseInsensitive(const QString &text, QLatin1StringView needle, const QString &with)
{
    return replaceAll(text, needle, with, Qt::CaseInsensitive);
}

inline bool isCharsetTerminator(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u'"' || c == u'\'' || c == u'>';
}

// Where the charset value after "charset=" starts: HTML5's <meta charset="..."> quotes the value,
// and a quote there would otherwise end it at once and hide the charset. A quote followed by a
// terminator closes the attribute around an empty value instead (the page engine writes
// content="text/html; charset=">): the value is empty right there.
qsizetype charsetValueStart(const QString &page, qsizetype afterEquals)
{
    if (afterEquals + 1 < page.size() && (page.at(afterEquals) == QLatin1Char('"') || page.at(afterEquals) == QLatin1Char('\''))
        && !isCharsetTerminator(page.at(afterEquals + 1).unicode()))
        return afterEquals + 1;
    return afterEquals;
}

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

// --- Temporary files and folders ---------------------------------------------------------------

QString GetTempFolder() { return withTrailingSlash(QDir::tempPath()); }

QString GetTempFileName(const QString &ext)
{
    // The extension comes from a document's name; the system call would cut it at a NUL.
    if (HasControlCharacter(ext))
        throw Exception(QStringLiteral("The extension \"%1\" holds a control character.").arg(PrintablePath(ext)));
    // Working files live in this run's private folder, never loose in the system's.
    const QString folder = RunFolder();
    QByteArray suffix = QFile::encodeName(ext);
    QByteArray templ = QFile::encodeName(folder + QStringLiteral("~taXXXXXX")) + suffix;
    int fd = ::mkstemps(templ.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        throw Exception(QStringLiteral("Cannot create a temporary file in \"%1\".").arg(folder));
    ::close(fd);
    return QFile::decodeName(templ);
}

QString GetCompilerTempFolder() { return RunFolder(); }

QString NewTempFolderName()
{
    const QString folder = RunFolder();
    QByteArray templ = QFile::encodeName(folder + QStringLiteral("~taXXXXXX"));
    if (!::mkdtemp(templ.data()))
        throw Exception(QStringLiteral("Cannot create a temporary folder in \"%1\".").arg(folder));
    return withTrailingSlash(QFile::decodeName(templ));
}

QString GetSpecialFolder(int csidl)
{
    QStandardPaths::StandardLocation location;
    switch (csidl) {
    case 0x00: // desktop
    case 0x10: // desktop folder
        location = QStandardPaths::DesktopLocation;
        break;
    case 0x05: // documents
        location = QStandardPaths::DocumentsLocation;
        break;
    case 0x0D:
        location = QStandardPaths::MusicLocation;
        break;
    case 0x0E:
        location = QStandardPaths::MoviesLocation;
        break;
    case 0x14:
        location = QStandardPaths::FontsLocation;
        break;
    case 0x1A: // roaming application data
        location = QStandardPaths::GenericConfigLocation;
        break;
    case 0x1C: // local application data
        location = QStandardPaths::GenericDataLocation;
        break;
    case 0x27:
        location = QStandardPaths::PicturesLocation;
        break;
    case 0x28: // the user's profile
        location = QStandardPaths::HomeLocation;
        break;
    default:
        return QString();
    }
    return withoutTrailingSlash(QStandardPaths::writableLocation(location));
}

QString ExpandMyDocuments(const QString &path)
{
    if (!path.contains(QLatin1String("<My Documents>"), Qt::CaseInsensitive))
        return path;
    return replaceAllCaseInsensitive(path, QLatin1StringView("<My Documents>"), GetSpecialFolder(5));
}

// --- Folders and files -------------------------------------------------------------------------

bool IsFolderEmpty(const QString &folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return !it.hasNext();
}

namespace {

// Folders whose deletion is never what a caller meant, whatever path led there.
bool isProtectedFolder(const QString &absolute)
{
    if (absolute.isEmpty() || absolute == kSlash)
        return true;
    if (absolute.startsWith(kSlash) && absolute.lastIndexOf(QLatin1Char('/')) == 0)
        return true; // directly under the root
    for (const QString &given : {QDir::homePath(), GetSpecialFolder(5)}) {
        QString keep;
        try {
            keep = ResolveOutputPath(QDir::cleanPath(given), QString());
        } catch (const Exception &) {
            keep = QDir::cleanPath(given);
        }
        if (keep.isEmpty())
            continue;
        if (keep == absolute || keep.startsWith(absolute + kSlash))
            return true;
    }
    return false;
}

} // namespace

bool DeleteFolder(const QString &folder)
{
    QString path = withoutTrailingSlash(folder);
    if (path.isEmpty() || path == kSlash || path == QLatin1String("\\") || HasControlCharacter(path))
        return false;
    // Exactly the folder the folder guard judged: the same resolution, links followed and ".."
    // taken on the disk, never a tidier reading of the text. A relative path names no folder
    // for certain, so nothing is deleted.
    if (!ToSlashes(path).startsWith(kSlash))
        return false;
    QString resolved;
    try {
        resolved = ResolveOutputPath(path, QString());
    } catch (const Exception &) {
        return false;
    }
    if (isProtectedFolder(resolved))
        return false;
    QFileInfo info(resolved);
    if (info.isSymLink() || !info.isDir())
        return false;
    return FileSystem().RemoveFolder(resolved);
}

bool CopyFolderTree(const QString &source, const QString &dest)
{
    const QString srcRoot = QFileInfo(source).canonicalFilePath();
    if (srcRoot.isEmpty() || !QFileInfo(srcRoot).isDir())
        return false;
    const QString destAbs = QDir::cleanPath(QFileInfo(dest).absoluteFilePath());
    {
        // dest inside source would copy without end; dest = source would delete before copying.
        QString destCanon = QFileInfo(destAbs).canonicalFilePath();
        const QString destCheck = destCanon.isEmpty() ? destAbs : destCanon;
        if (destCheck == srcRoot || destCheck.startsWith(withTrailingSlash(srcRoot)) || srcRoot == kSlash)
            return false;
    }
    const QString srcPrefix = withTrailingSlash(srcRoot);

    bool ok = true;
    std::deque<std::pair<QString, QString>> work{{QDir::cleanPath(source), destAbs}};
    while (!work.empty()) {
        auto [from, to] = work.front();
        work.pop_front();
        QFileInfo toInfo(to);
        if (toInfo.isSymLink() && !FileSystem().RemoveFile(to)) {
            ok = false;
            continue;
        }
        if (!FileSystem().MakePath(to)) {
            ok = false;
            continue;
        }
        const QFileInfoList entries = QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &e : entries) {
            const QString target = to + QLatin1Char('/') + e.fileName();
            if (e.isSymLink()) {
                // Only a link to a file inside the source is copied, as the file it names.
                const QString real = e.canonicalFilePath();
                if (real.isEmpty() || !real.startsWith(srcPrefix) || !QFileInfo(real).isFile())
                    continue;
                if (!FileSystem().CopyFile(real, target))
                    ok = false;
            } else if (e.isDir()) {
                work.emplace_back(e.absoluteFilePath(), target);
            } else if (!FileSystem().CopyFile(e.absoluteFilePath(), target)) {
                ok = false;
            }
        }
    }
    return ok;
}

bool CopyFolder(const QString &source, const QString &dest)
{
    QFileInfo src(withoutTrailingSlash(source));
    if (!src.exists())
        return false;
    QString target = withoutTrailingSlash(dest);
    if (target.isEmpty())
        return false;
    if (QFileInfo(target).isDir())
        target += QLatin1Char('/') + src.fileName();
    if (src.isDir())
        return CopyFolderTree(src.filePath(), target);
    if (QFileInfo(target).canonicalFilePath() == src.canonicalFilePath())
        return false;
    return FileSystem().CopyFile(src.filePath(), target);
}

bool IsFileInUse(const QString &file, bool forReplace)
{
    if (!QFileInfo::exists(file))
        return false;
    if (!FileSystem().CanOpenRead(file))
        return true;
    return forReplace && !FileSystem().CanOpenWrite(file);
}

QDateTime GetFileDate(const QString &file)
{
    QFileInfo info(file);
    if (!info.exists())
        return QDateTime();
    return info.lastModified().toLocalTime();
}

QString UniqueFileName(const QString &folder, const QString &name, const QString &ext)
{
    QString candidate = folder + name + ext;
    for (int i = 1; pathTaken(candidate); ++i)
        candidate = folder + name + QString::number(i) + ext;
    return candidate;
}

QString UniqueCopyName(const QString &path)
{
    if (!pathTaken(path))
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    QString base = path.mid(slash + 1);
    QString ext;
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        ext = base.mid(dot);
        base.truncate(dot);
    }
    QString candidate;
    int i = 1;
    do
        candidate = folder + base + QString::number(i++) + ext;
    while (pathTaken(candidate));
    return candidate;
}

QString SafeFileName(const QString &text)
{
    QString r = text;
    for (QChar &c : r) {
        switch (c.unicode()) {
        case '\\': case '/': case ':': case '*': case '"': case '<': case '>': case '|': case ' ':
            c = QLatin1Char('_');
            break;
        default:
            break;
        }
    }
    return r;
}

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

// --- HTML text ---------------------------------------------------------------------------------

namespace {

// Start of the first "<title>" and of the first "</title>" when both exist in that order.
bool findTitle(const QString &page, qsizetype &open, qsizetype &close)
{
    open = page.indexOf(QLatin1String("<title>"), 0, Qt::CaseInsensitive);
    if (open < 0)
        return false;
    close = page.indexOf(QLatin1String("</title>"), 0, Qt::CaseInsensitive);
    return close >= open + 7;
}

// Position after the ">" of the head start tag and of "</head"; false without both in order.
bool findHead(const QString &page, qsizetype &contentStart, qsizetype &contentEnd)
{
    qsizetype open = findTagName(page, QLatin1StringView("<head"), 0);
    if (open < 0)
        return false;
    qsizetype gt = page.indexOf(QLatin1Char('>'), open);
    if (gt < 0)
        return false;
    qsizetype close = findTagName(page, QLatin1StringView("</head"), 0);
    if (close < 0 || close <= gt)
        return false;
    contentStart = gt + 1;
    contentEnd = close;
    return true;
}

} // namespace

QString GetHtmlTitle(const QString &page)
{
    qsizetype open, close;
    if (!findTitle(page, open, close))
        return QString();
    QString title = page.mid(open + 7, close - open - 7);
    title.remove(QLatin1Char('\r'));
    title.remove(QLatin1Char('\n'));
    return title;
}

QString SetHtmlTitle(const QString &page, const QString &title)
{
    qsizetype open, close;
    if (findTitle(page, open, close))
        return QStringView(page).left(open) + QStringLiteral("<title>") + title + QStringLiteral("</title>") + QStringView(page).mid(close + 8);
    return replaceAllCaseInsensitive(page, QLatin1StringView("<head>"),
                                     QStringLiteral("<head>\r\n<title>") + title + QStringLiteral("</title>\r\n"));
}

QString GetHeadContent(const QString &page)
{
    qsizetype start, end;
    if (!findHead(page, start, end))
        return QString();
    return page.mid(start, end - start);
}

std::pair<QString, QString> SplitHead(const QString &page)
{
    qsizetype start, end;
    if (!findHead(page, start, end))
        return {page, QString()};
    return {QStringView(page).left(start) + QStringLiteral("($Head$)") + QStringView(page).mid(end), page.mid(start, end - start)};
}

QString FindTag(const QString &page, const QString &tagName)
{
    qsizetype open = page.indexOf(QLatin1Char('<') + tagName, 0, Qt::CaseInsensitive);
    if (open < 0)
        return QString();
    qsizetype gt = page.indexOf(QLatin1Char('>'), open + 1 + tagName.size());
    if (gt < 0)
        return QString();
    return page.mid(open, gt - open + 1);
}

QString GetAttributeValue(const QString &tag, const QString &name)
{
    enum { sNone, sName, sValue, sQuoted } state = sNone;
    const qsizetype n = tag.size();
    const QChar *t = tag.constData();
    qsizetype nameStart = 0, nameLen = 0, valueStart = 0;
    QChar quote;
    auto matches = [&](qsizetype valueEnd, QString &out) {
        if (QStringView(t + nameStart, nameLen).compare(name, Qt::CaseInsensitive) != 0)
            return false;
        out = QString(t + valueStart, valueEnd - valueStart);
        return true;
    };
    QString result;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = t[i];
        switch (state) {
        case sNone:
            if (IsWhiteSpaceChar(c)) {
                state = sName;
                nameStart = i + 1;
                nameLen = 0;
            }
            break;
        case sName:
            if (IsWhiteSpaceChar(c)) {
                nameStart = i + 1;
                nameLen = 0;
            } else if (c == QLatin1Char('=')) {
                if (i + 1 < n && (t[i + 1] == QLatin1Char('"') || t[i + 1] == QLatin1Char('\''))) {
                    quote = t[i + 1];
                    state = sQuoted;
                    ++i;
                } else {
                    state = sValue;
                }
                valueStart = i + 1;
            } else {
                ++nameLen;
            }
            break;
        case sValue:
            if (IsWhiteSpaceChar(c) || c == QLatin1Char('>')) {
                if (matches(i, result))
                    return result;
                state = sNone;
                if (IsWhiteSpaceChar(c)) {
                    state = sName;
                    nameStart = i + 1;
                    nameLen = 0;
                }
            }
            break;
        case sQuoted:
            if (c == quote) {
                if (matches(i, result))
                    return result;
                state = sNone;
            }
            break;
        }
    }
    return QString();
}

QString GetCharset(const QString &page)
{
    qsizetype p = page.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
    if (p < 0)
        return QString();
    const qsizetype start = charsetValueStart(page, p + 8);
    qsizetype e = start;
    while (e < page.size() && !isCharsetTerminator(page.at(e).unicode()))
        ++e;
    return page.mid(start, e - start).toLower();
}

QString SetCharset(const QString &page, const QString &charset_)
{
    // A charset name is letters, digits and a few marks; anything else in a project's setting
    // would end the attribute it stands in.
    QString charset;
    for (QChar c : charset_)
        if ((c.isLetterOrNumber() && c.unicode() < 0x80) || QStringLiteral("-_.:+").contains(c))
            charset += c;
    qsizetype p = page.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
    if (p >= 0) {
        const qsizetype start = charsetValueStart(page, p + 8);
        qsizetype e = start;
        while (e < page.size() && !isCharsetTerminator(page.at(e).unicode()))
            ++e;
        return QStringView(page).left(start) + charset + QStringView(page).mid(e);
    }
    return replaceAllCaseInsensitive(page, QLatin1StringView("<head>"),
                                     QStringLiteral("<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset +
                                         QStringLiteral("\">"));
}

QString HtmlEscape(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case 0x00A9: out += QLatin1String("&copy;"); break;
        default: out += c; break;
        }
    }
    return out;
}

QString EscapeScriptString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\''))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString HtmlUnescape(const QString &text)
{
    enum { sText, sAmp, sNumeric, sNamed } state = sText;
    QString out;
    out.reserve(text.size());
    QString name;            // the pending named reference
    qsizetype digitsStart = 0; // the pending numeric reference's digits in text
    qsizetype digits = 0;
    qint64 value = 0;
    bool dropSemicolon = false;

    auto flushPending = [&]() {
        switch (state) {
        case sAmp: out += QLatin1Char('&'); break;
        case sNumeric: out += QLatin1String("&#") + QStringView(text).mid(digitsStart, digits); break;
        case sNamed: out += QLatin1Char('&') + name; break;
        case sText: break;
        }
    };

    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const QChar c = text.at(i);
        if (dropSemicolon) {
            dropSemicolon = false;
            if (c == QLatin1Char(';'))
                continue;
        }
        if (c == QLatin1Char('&')) {
            flushPending();
            state = sAmp;
            continue;
        }
        switch (state) {
        case sText:
            out += c;
            break;
        case sAmp:
            if (c == QLatin1Char('#')) {
                state = sNumeric;
                digitsStart = i + 1;
                digits = 0;
                value = 0;
                break;
            }
            state = sNamed;
            name.clear();
            Q_FALLTHROUGH();
        case sNamed: {
            name += c;
            const int code = HtmlEntityCode(name);
            if (code >= 0) {
                appendCodePoint(out, code);
                state = sText;
                dropSemicolon = true;
            } else if (name.size() > 10) {
                out += QLatin1Char('&') + name;
                state = sText;
            }
            break;
        }
        case sNumeric:
            if (isAsciiDigit(c)) {
                ++digits;
                value = std::min<qint64>(value * 10 + (c.unicode() - '0'), 0x110000);
                break;
            }
            if (digits == 0) {
                out += QLatin1String("&#");
                out += c;
            } else {
                appendCodePoint(out, value);
                if (c != QLatin1Char(';'))
                    out += c;
            }
            state = sText;
            break;
        }
    }
    if (state == sNumeric && digits > 0)
        appendCodePoint(out, value);
    else
        flushPending();
    return out;
}

QString RemoveBetween(const QString &text, const QString &startMark, const QString &endMark)
{
    if (startMark.isEmpty())
        return text;
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype s = text.indexOf(startMark, from);
        if (s < 0)
            break;
        const qsizetype e = text.indexOf(endMark, s + startMark.size());
        if (e < 0)
            break;
        if (out.isEmpty())
            out.reserve(text.size());
        out += QStringView(text).mid(from, s - from);
        from = e + endMark.size();
    }
    if (from == 0)
        return text;
    out += QStringView(text).mid(from);
    return out;
}

bool IsBlankText(const QString &text)
{
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QLatin1Char('\t'))
            return false;
    return true;
}

namespace {

inline bool isReferenceTerminator(char16_t c) { return c == u' ' || c == u'"' || c == u'\'' || c == u')' || c == u'>'; }

inline bool isBadNameChar(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'"' || c == u'*' || c == u':' || c == u'<' || c == u'>' || c == u'?' || c == u'|';
}

// The names a text may refer to. The backward walk from each reference to its opening delimiter
// is replaced by the remembered last positions of the delimiters and of the characters a name
// cannot hold, so the scan stays linear however long the stretches without a delimiter are.
std::vector<QString> referencedNames(const QString &text)
{
    std::vector<QString> names;
    qsizetype lastEquals = -1, lastParen = -1, lastDouble = -1, lastSingle = -1;
    qsizetype lastBad = -1, lastBadButQuote = -1;
    bool inExtension = false;
    qsizetype extLen = 0, dot = -1;
    const char16_t *t = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = t[i];
        if (isReferenceTerminator(c)) {
            if (inExtension && extLen > 0) {
                qsizetype open;
                qsizetype bad = lastBad;
                switch (c) {
                case u')': open = lastParen; break;
                case u'"': open = lastDouble; bad = lastBadButQuote; break;
                case u'\'': open = lastSingle; break;
                default: open = lastEquals; break;
                }
                if (open >= 0 && open > bad && open < dot)
                    names.push_back(QString(reinterpret_cast<const QChar *>(t + open + 1), i - open - 1));
            }
            inExtension = false;
        } else if (c == u'.') {
            inExtension = true;
            extLen = 0;
            dot = i;
        } else if (inExtension && ++extLen > 5) {
            inExtension = false;
        }
        switch (c) {
        case u'=': lastEquals = i; break;
        case u'(': lastParen = i; break;
        case u'"': lastDouble = i; break;
        case u'\'': lastSingle = i; break;
        default: break;
        }
        if (isBadNameChar(c)) {
            lastBad = i;
            if (c != u'"')
                lastBadButQuote = i;
        }
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return CollationCompare(a, b) < 0; });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

bool followsReferences(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return false;
    const QString ext = path.mid(dot).toLower();
    for (const char *e : {".html", ".htm", ".shtml", ".shtm", ".css", ".js", ".xml"})
        if (ext == QLatin1String(e))
            return true;
    return false;
}

} // namespace

void CollectLinkedFiles(const QString &file, QStringList &list, TWarnings *warnings)
{
    QSet<QString> listed(list.begin(), list.end());
    TCaseLookup caseLookup;

    struct Frame
    {
        QString file;
        QString folder;
        std::vector<QString> names;
        size_t next = 0;
    };
    // An explicit stack: a long chain of pages must not exhaust the call stack.
    std::vector<Frame> stack;
    auto visit = [&](const QString &path) {
        if (!listed.contains(path)) {
            list.append(path);
            listed.insert(path);
        }
        listed.insert(NormalizePath(path));
        Frame f;
        f.file = path;
        f.folder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
        f.names = referencedNames(LoadTextFile(path, QString(), warnings));
        stack.push_back(std::move(f));
    };

    visit(file);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next >= top.names.size()) {
            stack.pop_back();
            continue;
        }
        const QString name = top.names[top.next++];
        const QString referrer = top.file;
        // The drive of a Windows path is the empty root here.
        QString path = NormalizePath(name.startsWith(QLatin1Char('/')) ? kSlash + name : top.folder + name);
        if (!QFileInfo(path).isFile()) {
            const QString found = caseLookup.FindFile(path);
            if (found.isEmpty())
                continue;
            if (warnings)
                warnings->Add(QStringLiteral("The reference \"%1\" names \"%2\" in another letter case.").arg(name, found), referrer);
            path = found;
        }
        if (listed.contains(path))
            continue;
        if (followsReferences(path)) {
            visit(path); // invalidates top
        } else {
            list.append(path);
            listed.insert(path);
        }
    }
}

// --- Paths and links ---------------------------------------------------------------------------

QString ToSlashes(const QString &text)
{
    QString r = text;
    r.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return r;
}

QString ToBackslashes(const QString &text)
{
    QString r = text;
    r.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return r;
}

QString NormalizePath(const QString &path)
{
    const QString p = replaceAll(ToSlashes(path), QLatin1StringView("%20"), u" ");
    const qsizetype n = p.size();
    const QChar *d = p.constData();
    const bool rooted = n > 0 && d[0] == QLatin1Char('/');

    // Segments (each with its "/") are walked from the last to the first; the ones kept are
    // written from the end of the result backwards, so nothing is stored per segment.
    QString out(n, Qt::Uninitialized);
    QChar *o = out.data();
    qsizetype w = n;
    qsizetype skip = 0;
    for (qsizetype i = n; i > 0;) {
        const bool hasSlash = d[i - 1] == QLatin1Char('/');
        const qsizetype bodyEnd = hasSlash ? i - 1 : i;
        qsizetype start = bodyEnd;
        while (start > 0 && d[start - 1] != QLatin1Char('/'))
            --start;
        const QStringView body(d + start, bodyEnd - start);
        if (hasSlash && body == QLatin1String("..")) {
            ++skip;
        } else if (hasSlash && (body.isEmpty() || body == QLatin1String("."))) {
            // dropped; a leading "/" comes back as the root below
        } else if (skip > 0) {
            --skip;
        } else {
            w -= i - start;
            std::copy(d + start, d + i, o + w);
        }
        i = start;
    }
    if (rooted)
        o[--w] = QLatin1Char('/'); // the root segment was dropped above, so there is room
    out.remove(0, w);
    return out;
}

QString ResolvePath(const QString &baseFolder, const QString &path)
{
    QString base = baseFolder;
    if (base.endsWith(QLatin1Char('/')) || base.endsWith(QLatin1Char('\\')))
        base.chop(1);
    const QString r = replaceAllCaseInsensitive(path, QLatin1StringView("<Project_Folder>"), base);
    if (r.startsWith(QLatin1Char('/')) || r.startsWith(QLatin1Char('\\')) || baseFolder.isEmpty())
        return NormalizePath(r);
    QString folder = baseFolder;
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('/');
    return NormalizePath(folder + r);
}

QString RelativeUrl(const QString &base, const QString &target)
{
    const QString b = ToSlashes(base);
    const QString t = ToSlashes(target);
    const bool bRooted = b.startsWith(QLatin1Char('/'));
    const bool tRooted = t.startsWith(QLatin1Char('/'));
    if (bRooted != tRooted)
        return t;
    const QStringList baseFolders = b.left(b.lastIndexOf(QLatin1Char('/')) + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const qsizetype tSlash = t.lastIndexOf(QLatin1Char('/'));
    const QStringList targetFolders = t.left(tSlash + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString fileName = t.mid(tSlash + 1);

    qsizetype common = 0;
    while (common < baseFolders.size() && common < targetFolders.size() &&
           baseFolders[common].compare(targetFolders[common], Qt::CaseInsensitive) == 0)
        ++common;
    QString out;
    for (qsizetype i = common; i < baseFolders.size(); ++i)
        out += QLatin1String("../");
    for (qsizetype i = common; i < targetFolders.size(); ++i)
        out += targetFolders[i] + QLatin1Char('/');
    return out + fileName;
}

std::pair<QString, QString> SplitUrlBookmark(const QString &link)
{
    const qsizetype hash = link.lastIndexOf(QLatin1Char('#'));
    if (hash < 0)
        return {link, QString()};
    const QString file = link.left(hash);
    const QString bookmark = link.mid(hash + 1);
    auto isPage = [](const QString &s) {
        return s.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) || s.endsWith(QLatin1String(".html"), Qt::CaseInsensitive);
    };
    if (bookmark.contains(QLatin1Char('.')) && isPage(bookmark) && !isPage(file))
        return {link, QString()};
    return {file, bookmark};
}

QString UrlEncodeQuery(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case ' ': out += QLatin1String("%20"); break;
        case '&': out += QLatin1String("%26"); break;
        case '=': out += QLatin1String("%3d"); break;
        default: out += c; break;
        }
    }
    return out;
}

// --- Miscellaneous -----------------------------------------------------------------------------

QStringList SplitAndTrim(const QString &text, const QString &separator)
{
    QStringList out;
    if (text.isEmpty())
        return out;
    const QStringList pieces = separator.isEmpty() ? QStringList{text} : text.split(separator);
    out.reserve(pieces.size());
    for (const QString &piece : pieces) {
        // Spaces and control characters, as the project file's readers trim them.
        qsizetype s = 0, e = piece.size();
        while (s < e && piece.at(s).unicode() <= 0x20)
            ++s;
        while (e > s && piece.at(e - 1).unicode() <= 0x20)
            --e;
        out << piece.mid(s, e - s);
    }
    return out;
}

QString EscapeLineBreaks(const QString &text)
{
    return replaceAll(replaceAll(text, QLatin1StringView("\r"), u"`13"), QLatin1StringView("\n"), u"`10");
}

QString UnescapeLineBreaks(const QString &text)
{
    return replaceAll(replaceAll(text, QLatin1StringView("`13"), u"\r"), QLatin1StringView("`10"), u"\n");
}

int FirstNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && !isAsciiDigit(text.at(i)))
        ++i;
    qint64 value = 0;
    for (; i < n && isAsciiDigit(text.at(i)); ++i)
        value = std::min<qint64>(value * 10 + (text.at(i).unicode() - '0'), INT_MAX);
    return static_cast<int>(value);
}

QString PointsToPixels(float points)
{
    return QString::number(RoundHalfEven(static_cast<double>(points) * 96.0 / 72.0));
}

bool IsSimilarText(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QString la = a.toLower(), lb = b.toLower();
    if (la == lb)
        return true;
    if (la.size() <= 4 || lb.size() <= 4)
        return false;
    if (std::abs(la.size() - lb.size()) >= 51)
        return false;
    const QString &s = la.size() <= lb.size() ? la : lb;
    const QString &t = la.size() <= lb.size() ? lb : la;
    const qsizetype sn = s.size(), tn = t.size();
    qsizetype p = 0, k = 0, resume = 0, run = 0, total = 0;
    while (p < sn) {
        if (k < tn && s.at(p) == t.at(k)) {
            ++run;
            ++p;
            resume = k + 1;
        } else {
            if (run > 2)
                total += run;
            run = 0;
        }
        ++k;
        if (k >= tn) {
            ++p;
            k = resume;
        }
    }
    if (run > 2)
        total += run;
    return static_cast<double>(total) / static_cast<double>(sn) > 0.8;
}

bool IsWordInstalled() { return true; }

int GetWordVersion() { return 12; }

QString LibreOfficeProgram() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

bool IsLibreOfficeAvailable() { return !LibreOfficeProgram().isEmpty(); }

} // namespace tavrel
