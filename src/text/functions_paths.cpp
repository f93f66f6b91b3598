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

} // namespace tavrel
