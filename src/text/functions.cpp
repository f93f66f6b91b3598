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

namespace tavrel::detail {

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

bool pathTaken(const QString &path)
{
    QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

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

QString replaceAll(const QString &text, QLatin1StringView needle, QStringView with, Qt::CaseSensitivity cs)
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

} // namespace tavrel::detail

namespace tavrel {

using namespace detail;

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

QString CaseFoldKey(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (c.isHighSurrogate() && k + 1 < text.size() && text[k + 1].isLowSurrogate()) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, text[k + 1]));
            out += QChar::fromUcs4(folded);
            ++k;
        } else {
            out += QChar(QChar::toCaseFolded(c.unicode()));
        }
    }
    return out;
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
