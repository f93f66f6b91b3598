#include "word/WordDocParts.h"

#include "text/Ascii.h"
#include "project/ProjectSetting.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/TagScanner.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace tavrel {

using namespace worddoc;

// --- Links -------------------------------------------------------------------------------------

void TWordDoc::flushBookmarks()
{
    if (!m_pendingBookmarks.isEmpty()) {
        // Sorted once and appended in order: inserting one by one into the sorted list would be
        // quadratic for large documents.
        QStringList all = BookmarkAndUrls.ToStringList() + m_pendingBookmarks;
        m_pendingBookmarks.clear();
        std::stable_sort(all.begin(), all.end(), [&](const QString &a, const QString &b) { return BookmarkAndUrls.Compare(a, b) < 0; });
        BookmarkAndUrls.Clear();
        for (const QString &line : all)
            BookmarkAndUrls.Add(line);
        m_lookupValid = false;
    }
    if (!m_lookupValid) {
        m_bookmarkLookup.clear();
        for (int i = 0; i < BookmarkAndUrls.Count(); ++i)
            m_bookmarkLookup.emplace(AsciiLower(BookmarkAndUrls.Names(i)), BookmarkAndUrls.ValueFromIndex(i));
        m_lookupValid = true;
    }
}

bool TWordDoc::GetBookmarksForHeadings(const QString &S, const QString &Url, bool IsHeading)
{
    ForEachTag(S, [](QStringView) {}, [&](const TScannedTag &t) {
        if (t.endTag || t.name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0)
            return;
        QString trailing;
        for (const TTagAttr &a : ParseTagAttributes(S, t.lt + 1 + t.name.size(), std::min(t.gt, S.size()), trailing)) {
            if (!a.hasValue || a.name.compare(QLatin1String("name"), Qt::CaseInsensitive) != 0)
                continue;
            const QString key = QLatin1Char('#') + AsciiLower(a.value);
            m_pendingBookmarks << (IsHeading ? QString(key + QLatin1Char('=') + Url) : QString(key + QLatin1Char('=') + Url + QLatin1Char('#') + a.value));
        }
    });
    return true;
}

QString TWordDoc::documentFolder() const
{
    const QString file = OriginalFile.isEmpty() ? FileName : OriginalFile;
    return QFileInfo(file).absolutePath();
}

QStringList TWordDoc::carryFolders() const
{
    QStringList folders;
    if (Project)
        folders = Project->CarryRootFolders();
    folders << documentFolder();
    return folders;
}

std::optional<QString> TWordDoc::bringAlong(const QString &linkedPath, const QString &name)
{
    if (auto it = m_broughtAlong.find(linkedPath); it != m_broughtAlong.end())
        return it->second;
    QString path = linkedPath;
    if (!QFileInfo::exists(path)) {
        // Documents written on Windows often spell a file's name in another letter case.
        const QFileInfo info(path);
        const QStringList same = QDir(info.absolutePath()).entryList({info.fileName()}, QDir::Files, QDir::Name);
        if (same.size() >= 1 && !info.fileName().contains(QLatin1Char('*')) && !info.fileName().contains(QLatin1Char('?')) &&
            !info.fileName().contains(QLatin1Char('['))) {
            path = info.absolutePath() + QLatin1Char('/') + same.first();
            Warnings.Add(QStringLiteral("The link to \"%1\" was taken to mean \"%2\" (letter case differs).").arg(linkedPath, path), m_where);
            if (auto it = m_broughtAlong.find(path); it != m_broughtAlong.end())
                return it->second;
        }
    }
    const TConfined confined = Confine(tempDir, name);
    if (!confined) {
        Warnings.Add(QStringLiteral("The link to \"%1\" was removed: its file would be copied outside the working folder as \"%2\".").arg(path, name),
                     m_where);
        return std::nullopt;
    }
    QString target = confined.Path;
    if (!m_carryRoots)
        m_carryRoots = TCarryRoots(carryFolders());
    // One reading decides: the file opened is the file judged and the file copied.
    TOutsideFile file = ReadOutsideFile(path, kMaxOutsideFile, &*m_carryRoots);
    if (file.Missing) {
        Warnings.Add(QStringLiteral("A link names the file \"%1\", which does not exist.").arg(path), m_where);
        return name;
    }
    if (!file.Ok()) {
        Warnings.Add(QStringLiteral("The link to \"%1\" was removed and its text kept: the file %2.").arg(path, file.Error), m_where);
        return std::nullopt;
    }
    if (auto it = m_broughtAlong.find(file.Path); it != m_broughtAlong.end())
        return it->second;
    target = UniqueCopyName(target);
    // The file exists and may be carried: failing to copy it is a failing build, not a link
    // that quietly stops working.
    if (!FileSystem().MakePath(QFileInfo(target).absolutePath()) || !FileSystem().WriteFile(target, file.Data))
        throw Exception(QStringLiteral("Cannot copy the linked file \"%1\" to \"%2\".").arg(path, target));
    const QString relative = RelativeUrl(tempDir, target);
    AttachedFiles.Add(relative);
    ExternalFiles.Add(file.Path);
    m_broughtAlong[linkedPath] = relative;
    m_broughtAlong[path] = relative;
    m_broughtAlong[file.Path] = relative;
    return relative;
}

std::optional<QString> TWordDoc::linkRule(const QString &value)
{
    // The document's own script and inline-content links never become live links; the
    // rewrites below make the program's own, which are not the document's.
    if (IsScriptUrl(HtmlUnescape(value))) {
        Warnings.Add(QStringLiteral("The link \"%1\" would run script or carry inline content; its text is kept without the link.")
                         .arg(HtmlUnescape(value).left(200)),
                     m_where);
        return std::nullopt;
    }
    const QString root = Project ? Project->RootDir : QString();
    if (value.startsWith(QLatin1Char('#'))) {
        flushBookmarks();
        auto it = m_bookmarkLookup.find(AsciiLower(value));
        return it == m_bookmarkLookup.end() ? value : it->second;
    }
    if (value.startsWith(QLatin1String("file:///"), Qt::CaseInsensitive)) {
        QString path = QLatin1Char('/') + value.mid(8);
        path.replace(QLatin1String("%20"), QLatin1String(" "));
        return bringAlong(path, QFileInfo(path).fileName());
    }
    if (value.startsWith(QLatin1String("../../"))) {
        const QString path = NormalizePath(root + value.mid(6));
        const QString name = !root.isEmpty() && path.startsWith(root, Qt::CaseInsensitive) ? path.mid(root.size()) : QFileInfo(path).fileName();
        return bringAlong(path, name);
    }
    if (value.startsWith(QLatin1String("External:"), Qt::CaseInsensitive)) {
        const QString rest = value.mid(9);
        // The name goes into a single-quoted script string inside the attribute: decoded, then
        // escaped for the string, then for the attribute.
        if (OutputType == 1)
            return QStringLiteral("javascript:location.href='file:///'+location.href.substring((location.href.search(/:/)==2?14:7),"
                                  "location.href.lastIndexOf('\\\\')+1) + '") +
                   HtmlEscape(EscapeScriptString(HtmlUnescape(rest))) + QStringLiteral("';");
        return bringAlong(NormalizePath(root + rest), rest);
    }
    return value;
}

QString TWordDoc::ChangeUrls(const QString &str)
{
    QString out;
    out.reserve(str.size());
    ForEachTag(str, [&](QStringView text) { out += text; }, [&](const TScannedTag &t) {
        if (t.endTag || !t.Closed(str) ||
            (t.name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0 && t.name.compare(QLatin1String("area"), Qt::CaseInsensitive) != 0)) {
            out += t.Text(str);
            return;
        }
        QString trailing;
        std::vector<TTagAttr> attrs = ParseTagAttributes(str, t.lt + 1 + t.name.size(), t.gt, trailing);
        out += QLatin1Char('<') + t.name;
        for (TTagAttr &a : attrs) {
            if (a.hasValue && a.name.compare(QLatin1String("href"), Qt::CaseInsensitive) == 0) {
                const std::optional<QString> link = linkRule(a.value);
                if (!link)
                    continue; // without its address the element is plain text
                a.value = *link;
            }
            out += WriteTagAttribute(a);
        }
        out += trailing + QLatin1Char('>');
    });
    return out;
}

void TWordDoc::ChangeUrls(TContentsItems &ContentItems)
{
    for (int i = 0; i < ContentItems.Count(); ++i) {
        TContentsItem *item = ContentItems[i];
        if (item->Status == 0) {
            m_where = item->Title;
            item->Content = ChangeUrls(ChangeShapeLink(item->Content));
        }
    }
    m_where.clear();
}

} // namespace tavrel
