#pragma once
// Reading web pages into the document model, as a word processor opens a page: headings become
// heading paragraphs, lists numbered paragraphs, tables tables, pictures linked pictures, anchors
// bookmarks and links hyperlink fields, with the formatting the page's style sheets and older
// presentational markup give. The page is parsed the way browsers recover from broken markup;
// what the model cannot hold, and every file that could not or may not be read, is a warning.
#include "word/engine/Model.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace tavrel::engine {

struct THtmlReadOptions
{
    QString DisplayName;   // the page's name in messages; the file's name when empty
    // Pictures and style sheets are read only from below this folder; the page's folder when
    // empty. A page read from memory without a folder reads no files at all.
    QString AllowedFolder;
    int CodePage = 0; // for a page without byte-order mark or charset: 0 = UTF-8 when valid, else the system code page
    qint64 MaxPageBytes = 16ll * 1024 * 1024;
    qint64 MaxStyleSheetBytes = 8ll * 1024 * 1024;
    qint64 MaxPictureBytes = 256ll * 1024 * 1024; // a linked picture's file
    qint64 MaxEmbeddedPictureBytes = 32ll * 1024 * 1024; // a picture inside the page (data: address)
    int MaxStyleSheets = 64;  // linked and imported sheets of one page
    int MaxDepth = 256;       // element nesting that keeps its structure; deeper content is read as text
    int MaxTableDepth = 16;   // tables inside tables
};

// Reads a page file. Raises an Exception naming the page when it cannot be read at all (missing,
// not a regular file, larger than the limit); everything else is a warning in the document.
std::unique_ptr<TDocument> ReadHtml(const QString &path, const THtmlReadOptions &options = THtmlReadOptions());
// Reads a page from memory; relative addresses resolve against pageFolder (empty: no files read).
std::unique_ptr<TDocument> ReadHtmlBytes(const QByteArray &bytes, const QString &pageFolder, const THtmlReadOptions &options);

// The page's text from its bytes: byte-order mark, else the declared charset (meta element or XML
// declaration), else the given code page (0: UTF-8 when valid, else the system code page). An
// unknown charset adds a warning and reads in the fallback. charset receives what was used.
QString DecodeHtmlPage(const QByteArray &bytes, int codePage, TWarnings *warnings, const QString &where, QString *charset = nullptr);

} // namespace tavrel::engine
