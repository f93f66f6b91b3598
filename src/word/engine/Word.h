#pragma once
// The object API of the document engine: the members of Word's automation interface that the
// conversion code calls, over the native model. Objects have reference semantics as in Word:
// copying a range, field or shape copies a reference to the same object, and ranges follow the
// text when the document changes before or inside them.
#include "text/Warnings.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace tavrel {

namespace engine {
class TDocument;
struct TFieldInfo;
struct TShape;
} // namespace engine

class WordDocument;
class WordFields;
struct WordDocState;
struct WordRangeState;

// The entries of a live collection that are not deleted. The filtered list is made again only
// after a removal anywhere, so a loop over Count and Item stays linear.
template <class T>
class TLiveEntries
{
public:
    const std::vector<std::shared_ptr<T>> &Of(const std::vector<std::shared_ptr<T>> &all) const;

private:
    mutable std::vector<std::shared_ptr<T>> m_entries;
    mutable std::uint64_t m_madeAt = UINT64_MAX; // the removal count it was made at; never reached
};

// Word's constants used by the callers.
enum WdGoToItem { wdGoToHeading = 11 };
enum WdGoToDirection { wdGoToFirst = 1, wdGoToNext = 2 };
enum WdUnits { wdCharacter = 1, wdParagraph = 4 };
enum WdCollapseDirection { wdCollapseEnd = 0, wdCollapseStart = 1 };
enum WdSaveFormat { wdFormatDocument97 = 0, wdFormatFilteredHTML = 10, wdFormatXMLDocument = 12 };
enum WdBuiltinStyle { wdStyleNormal = -1, wdStyleHeading1 = -2, wdStyleHyperlink = -86 };
enum WdOpenFormat { wdOpenFormatAuto = 0, wdOpenFormatWebPages = 7 };
enum WdExportFormat { wdExportFormatPDF = 17 };
enum WdFieldType { wdFieldEmpty = -1, wdFieldRef = 3, wdFieldIndexEntry = 4, wdFieldTOC = 13, wdFieldPageRef = 37, wdFieldHyperlink = 88 };
// The kinds of shape (WordShape::Type): inline shapes and floating shapes count apart.
enum WdInlineShapeType {
    wdInlineShapeEmbeddedOLEObject = 1, wdInlineShapeLinkedOLEObject = 2, wdInlineShapePicture = 3,
    wdInlineShapeLinkedPicture = 4, wdInlineShapeOLEControlObject = 5, wdInlineShapeChart = 12,
    wdInlineShapeCanvas = 14, wdInlineShapeDiagram = 15
};
enum WdShapeType {
    wdShapeDrawing = 1, wdShapeChart = 3, wdShapeGroup = 6, wdShapeEmbeddedOLEObject = 7, wdShapeLinkedOLEObject = 10,
    wdShapeLinkedPicture = 11, wdShapeOLEControlObject = 12, wdShapePicture = 13, wdShapeTextBox = 17,
    wdShapeCanvas = 20, wdShapeInk = 22, wdShapeDiagram = 24
};

class WordParagraphFormat
{
public:
    // 1-9 for headings, 10 for body text: of the first paragraph of the range.
    int OutlineLevel() const { return m_level; }

private:
    friend class WordRange;
    int m_level = 10;
};

class WordRange
{
public:
    WordRange() = default;

    int Start() const;
    int End() const;
    void SetStart(int pos);
    void SetEnd(int pos);

    // What 11 (heading), Which 1 (first) or 2 (next): a collapsed range at the start of the
    // heading paragraph; when none follows, a collapsed range where this one starts.
    WordRange GoTo(int what, int which) const;
    // Unit 4: grows to whole paragraphs (through their marks).
    void Expand(int unit);
    void Collapse(int direction = wdCollapseStart);
    WordParagraphFormat ParagraphFormat() const;

    // The range grows to include the inserted text.
    void InsertBefore(const QString &text);
    void InsertAfter(const QString &text);
    void InsertParagraphAfter();

    QString Text() const;
    void SetText(const QString &text);
    void Delete();

    // Paragraph styles go to the paragraphs, character styles to the text. Built-in numbers:
    // -1 normal, -2 to -10 heading 1 to 9, -86 hyperlink.
    void SetStyle(int builtin);
    void SetStyle(const QString &nameOrId);
    QString StyleName() const; // the paragraph style of the first paragraph

    WordFields Fields() const;
    WordRange Duplicate() const;
    bool IsValid() const { return bool(m_state); }

private:
    friend class WordDocument;
    friend class WordField;
    friend class WordShape;
    friend class WordParagraphs;
    friend struct WordDocState;
    explicit WordRange(std::shared_ptr<WordRangeState> s) : m_state(std::move(s)) {}
    WordDocState &doc() const;
    std::shared_ptr<WordRangeState> m_state;
};

class WordField
{
public:
    // -1 empty/unknown, 3 reference, 4 index entry, 88 hyperlink, 13 TOC, 37 PAGEREF, ...
    int Type() const;
    WordRange Code() const;
    WordRange Result() const;
    // Recomputes the result where the engine can (REF gives the bookmark's text); true when
    // the field could be updated.
    bool Update();
    void Delete();
    bool Deleted() const;

private:
    friend class WordFields;
    WordField(std::shared_ptr<WordDocState> d, std::shared_ptr<engine::TFieldInfo> f) : m_doc(std::move(d)), m_field(std::move(f)) {}
    std::shared_ptr<WordDocState> m_doc;
    std::shared_ptr<engine::TFieldInfo> m_field;
};

// The fields of a range, live: a deleted field leaves the collection and lowers Count.
class WordFields
{
public:
    int Count() const;
    WordField Item(int index) const; // 1-based

private:
    friend class WordRange;
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
    std::vector<std::shared_ptr<engine::TFieldInfo>> m_fields;
    TLiveEntries<engine::TFieldInfo> m_live;
    const std::vector<std::shared_ptr<engine::TFieldInfo>> &live() const { return m_live.Of(m_fields); }
};

struct WordHyperlinkInfo
{
    QString Address, SubAddress, Target, ScreenTip;
};

class WordShape
{
public:
    // A WdInlineShapeType for an inline shape, a WdShapeType for a floating one.
    int Type() const;
    bool Inline() const;
    QString AlternativeText() const;
    void SetAlternativeText(const QString &text);
    QString Title() const;
    WordHyperlinkInfo Hyperlink() const; // empty fields when the shape has no link
    // OLEFormat: the class of a control or OLE object and its properties.
    QString ClassType() const;
    QString Property(const QString &name) const;
    QStringList PropertyNames() const;
    QString LinkSource() const; // LinkFormat.SourceFullName of a linked picture
    double Left() const, Top() const, Width() const, Height() const; // points
    std::vector<WordShape> CanvasItems() const;
    WordRange Range() const;  // inline: its one character; floating: its anchor point
    WordRange Anchor() const; // floating: the anchor point
    void Delete();
    bool Deleted() const;

private:
    friend class WordShapes;
    WordShape(std::shared_ptr<WordDocState> d, std::shared_ptr<engine::TShape> s) : m_doc(std::move(d)), m_shape(std::move(s)) {}
    std::shared_ptr<WordDocState> m_doc;
    std::shared_ptr<engine::TShape> m_shape;
};

// InlineShapes or Shapes of a document, live like the fields.
class WordShapes
{
public:
    int Count() const;
    WordShape Item(int index) const; // 1-based

private:
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
    std::vector<std::shared_ptr<engine::TShape>> m_shapes;
    TLiveEntries<engine::TShape> m_live;
    const std::vector<std::shared_ptr<engine::TShape>> &live() const { return m_live.Of(m_shapes); }
};

class WordParagraphs
{
public:
    int Count() const;
    WordRange Item(int index) const; // 1-based, the paragraph with its mark

private:
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
};

class WordWebOptions
{
public:
    int Encoding = 0; // code page; 0 = the system code page
    QString FolderSuffix = QStringLiteral("_files");
    bool UseLongFileNames = true, OrganizeInFolder = true, AllowPNG = true;
};

struct WordOpenOptions
{
    QString DisplayName; // the name the user knows the document by (messages); the file's name when empty
    QString LinkBase;    // folder of the original source document; the opened file's folder when empty
    // The folders from which linked files may be carried into outputs (links followed, names
    // below them beginning with "." excluded); LinkBase alone when empty.
    QStringList CarryFolders;
    int Format = wdOpenFormatAuto;
    bool Visible = true;
    // Web pages (format 7): pictures and style sheets are read only from below this folder (the
    // page's folder when empty); CodePage decodes a page that declares no charset (0: UTF-8 when
    // valid, else the system code page).
    QString AllowedFolder;
    int CodePage = 0;
};

class WordDocument
{
public:
    ~WordDocument();

    WordRange Content() const;
    WordParagraphs Paragraphs() const;
    WordRange GoTo(int what, int which) const;
    WordShapes InlineShapes() const;
    WordShapes Shapes() const;
    WordFields Fields() const;
    WordWebOptions &WebOptions();
    // FileFormat 10 writes filtered HTML: the page and, beside it, the folder of its pictures
    // (page name + FolderSuffix).
    void SaveAs(const QString &fileName, int fileFormat);
    // ExportFormat 17 writes the document as opened to a PDF through LibreOffice, with
    // bookmarks from its headings when createBookmarks is not 0. LibreOffice writes into a
    // private folder beside the target; the checked file is then moved into place.
    void ExportAsFixedFormat(const QString &outputFileName, int exportFormat, bool openAfterExport = false,
                             int createBookmarks = 1);
    // The time limit of one LibreOffice run (tests shorten it).
    static void SetExportTimeout(int milliseconds);
    void Close(int saveChanges = 0);

    bool BookmarkExists(const QString &name) const;
    QStringList BookmarkNames() const;
    QString FullName() const;

    // What the engine could not carry, or carried approximately, while reading and writing.
    const TWarnings &Warnings() const;
    engine::TDocument &Model();

private:
    friend class Documents;
    WordDocument() = default;
    std::shared_ptr<WordDocState> m_state;
    WordWebOptions m_webOptions;
};

class Documents
{
public:
    // Opens a document. The format is recognised by content: .docx natively; .doc, .rtf and
    // .odt through LibreOffice. Format 7 reads the file as a web page whatever it holds. Raises
    // an Exception with a message naming the file otherwise.
    std::shared_ptr<WordDocument> Open(const QString &fileName, const WordOpenOptions &options = WordOpenOptions());
    std::shared_ptr<WordDocument> Open(const QString &fileName, int format, bool visible);
    // A new empty document: one empty paragraph in the default paragraph style "Normal".
    std::shared_ptr<WordDocument> Add(bool visible = true);
    int Count() const;

private:
    friend class WordApplication;
    friend class WordDocument;
    std::vector<std::weak_ptr<WordDocument>> m_open;
};

class WordApplication
{
public:
    WordApplication();
    ~WordApplication();
    class Documents &Documents() { return m_documents; }
    // The engine's major version; 16 so that checks for "12 or later" pass.
    QString Version() const { return QStringLiteral("16.0"); }
    void Quit(bool saveChanges = false);

private:
    class Documents m_documents;
};

} // namespace tavrel
