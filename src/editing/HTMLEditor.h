#pragma once
// The template editor's core: the template unpacked into a private folder, the list of its
// files with how each is shown, reading and writing source files in their own encoding, and
// packing the folder back into the project's stream.
#include "text/Warnings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace tavrel {

// One entry of the editor's file list.
struct TFilesInTemplate
{
    enum { etNone = 0, etSource = 1, etPicture = 2, etPreview = 3 };
    QString url;      // full path inside the editor's folder
    QString ext;      // lower case, with the leading dot
    int EditorType = etNone;
    QDateTime Modified;
    QString Caption;  // what the list shows
};

// The way a file of the given extension (".png") is shown: picture, source or nothing.
int EditorTypeOf(const QString &ext);

// The list of a template's files: the main page as preview, the main page as source, then
// every further file the main page needs, by file name.
std::vector<TFilesInTemplate> TemplateFileList(const QString &mainFile, TWarnings *warnings = nullptr);

// How a text file was stored, so that saving writes it back the same way.
struct TFileEncoding
{
    int CodePage = 0;     // 65001 for UTF-8, 1200 for UTF-16LE, else a code page (0 the system's)
    bool Bom = false;
    QString Declared;     // the charset an HTML page declared, lower case; empty when none
    bool operator==(const TFileEncoding &) const = default;
};

// A source file as read: its text and how it was stored.
struct TSourceFile
{
    QString Text;
    TFileEncoding Encoding;
};

// Reads a text file: a byte-order mark decides, then the page's charset declaration (HTML
// only), then UTF-8 when the bytes are valid UTF-8, else the system code page. Raises an
// Exception when the file cannot be read.
TSourceFile ReadSourceFile(const QString &file, bool html);

// The bytes of text written the way original was stored. An HTML page whose author changed
// its charset declaration is written in the declared charset; characters that charset cannot
// hold become numeric character references in HTML and a warning elsewhere.
QByteArray EncodeSource(const QString &text, const TFileEncoding &original, bool html,
                        TWarnings *warnings = nullptr);

// Writes text over file in the way original was stored (an empty text empties the file).
// Raises an Exception when the file cannot be written.
void SaveSourceFile(const QString &file, const QString &text, const TFileEncoding &original, bool html,
                    TWarnings *warnings = nullptr);

// Copies the picture source over target, keeping target's name. Raises an Exception, and
// leaves target as it was, when source is not a picture that can be read.
void ReplacePicture(const QString &target, const QString &source);

// The file dialog filter for replacing a picture of the given extension.
QString ReplaceImageFilter(const QString &ext);

// The editor's folder and stream. The folder is private, made by Open and deleted with the
// object; the stream changes only in Save.
class THTMLEditorCore
{
public:
    THTMLEditorCore() = default;
    THTMLEditorCore(const THTMLEditorCore &) = delete;
    THTMLEditorCore &operator=(const THTMLEditorCore &) = delete;
    ~THTMLEditorCore();

    // Unpacks stream into a fresh private folder. Raises an Exception with a message for the
    // author when the stream is empty or does not unpack; nothing is kept then.
    void Open(QByteArray *stream);

    enum class TState { Ready, FolderLost, MainMissing };
    TState Check() const;
    // Takes another page of the folder as the main page (a name from the folder's listing).
    void SetMainFileName(const QString &name);
    std::vector<TFilesInTemplate> Files(TWarnings *warnings = nullptr) const;

    // Packs the folder back into the stream: the files the main page needs, the other files
    // the stream held that are still in the folder, in the stream's own order. A folder that
    // holds what the stream held leaves the stream byte for byte as it was. Raises an
    // Exception (stream unchanged) when the folder is lost or the main page missing. Returns
    // whether the stream changed.
    bool Save(TWarnings *warnings = nullptr);

    QByteArray *Stream = nullptr;
    QString tempDir;
    QString MainFile;
};

} // namespace tavrel
