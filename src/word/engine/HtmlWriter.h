#pragma once
// The filtered-HTML writer: one page in a chosen code page, with the style definitions as
// classes in one style element of the head, the body in one section division, and the pictures
// copied into a folder beside the page.
#include "word/engine/Model.h"

#include <QByteArray>
#include <QString>

namespace tavrel::engine {

struct THtmlOptions
{
    int CodePage = 65001;
    QString FolderSuffix = QStringLiteral("_files");
    bool KeepPage = true; // also return the page as text (THtmlResult::Page)
};

struct THtmlPicture
{
    QString FileName; // inside the picture folder: image001.png, ...
    QByteArray Data;
};

struct THtmlResult
{
    QString Page;                 // the page as text, before encoding
    QByteArray Bytes;             // the page in the code page
    QString FolderName;           // page base name + suffix ("doc_files")
    std::vector<THtmlPicture> Pictures;
};

// Renders the document. pageName is the page's file name ("doc.htm"); the picture folder is its
// base name followed by the folder suffix. Warnings go to the document's list.
THtmlResult RenderFilteredHtml(TDocument &doc, const QString &pageName, const THtmlOptions &options);

// Renders and writes the page and its picture folder. Raises an Exception naming the file when
// it cannot be written.
void WriteFilteredHtml(TDocument &doc, const QString &path, const THtmlOptions &options);


// What a link target of a document names, resolved against base (the document's own folder).
struct TLinkTarget
{
    enum class TKind { None, Bookmark, LocalFile, Remote, Script };
    TKind Kind = TKind::None;
    // What a page writes: "file:///" + the path for a local file (only blanks percent-encoded),
    // the trimmed target itself for everything else.
    QString Address;
    QString Path;     // LocalFile: absolute and normalised ("/" separators; a drive stays as text)
    QString Fragment; // LocalFile: "#..." after the path
};
// Targets with a scheme other than "file:" (or "file://host") are remote; "javascript:",
// "vbscript:" and "data:" are script; "#..." is a bookmark; anything else names a local file.
TLinkTarget ClassifyLinkTarget(const QString &target, const QString &base);

// The Address of ClassifyLinkTarget.
QString LinkAddress(const QString &target, const QString &base);

} // namespace tavrel::engine
