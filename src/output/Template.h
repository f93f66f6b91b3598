#pragma once
// Template streams: a page template (its main page plus the images, style sheets and scripts it
// refers to) packed into one byte stream, which the project file keeps as hexadecimal text.
//
// The stream is a sequence of entries without header or terminator; the first entry is the main
// page. Each entry: name length (8-byte signed little-endian, in UTF-16 code units), the name in
// UTF-16 LE (path relative to the template folder, "\" between folders), data length (8-byte
// signed little-endian) and the file's bytes.
#include "text/Warnings.h"
// The page engine that makes pages from a template lives beside the stream functions.
#include "output/TemplateEngine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace tavrel {

struct TTemplateEntry
{
    QString Name;    // as stored, with "\" between folders
    QByteArray Data;
};

// Calls visit for every entry in order (data as a view into stream). A length that is negative
// or runs past the end of the stream, or a name with a control character (a line break) or a
// double quote, raises an Exception naming the entry; entries before it have been visited.
void ForEachTemplateEntry(const QByteArray &stream,
                          const std::function<void(const QString &name, QByteArrayView data)> &visit);
// All entries; raises like ForEachTemplateEntry before returning anything.
std::vector<TTemplateEntry> ReadTemplateEntries(const QByteArray &stream);
// Appends one entry.
void AppendTemplateEntry(QByteArray &stream, const QString &name, QByteArrayView data);

// The files of the template whose main page is fileName, with full paths: the main page, every
// existing file it refers to (followed through pages, style sheets, scripts and XML), then the
// gray button images (btn_prev_g, btn_next_g) beside the normal ones that exist.
void GetTemplateFiles(const QString &fileName, QStringList &list, TWarnings *warnings = nullptr);

// Packs the template whose main page is fileName into stream (cleared first). Files outside the
// main page's folder are left out. A main page that does not exist gives an empty stream.
void TemplateFileToStream(const QString &fileName, QByteArray &stream, TWarnings *warnings = nullptr);

// Writes every entry of stream, the main page included, under dir (sub-folders created, files
// replaced). The whole stream is checked first: a damaged stream or an entry name that would
// land outside dir (absolute, "..", through a link) raises an Exception and nothing is written.
// A file that cannot be written raises an Exception; the files written before it stay.
void StreamToTemplateFiles(const QByteArray &stream, const QString &dir);

// Raises an Exception with a message for the author when the stream cannot make pages: empty
// (also what a project file with damaged hexadecimal text gives), damaged, or with an empty main
// page. what names the output ("HTML Help"). Called before an output deletes anything.
void CheckTemplateStream(const QByteArray &stream, const QString &what);

// The name of the first entry ("fixedtop.htm"); empty for an empty stream or one that ends
// inside the first name.
QString GetTemplateMainFile(const QByteArray &stream);

// Every byte as two upper-case hexadecimal digits, no separators.
QString StreamToHex(const QByteArray &stream);
// The reverse. Text that is not hexadecimal digits throughout, or has an odd number of them,
// gives an empty stream (a damaged template must not keep a project from opening).
QByteArray HexToStream(const QString &hex);

} // namespace tavrel
