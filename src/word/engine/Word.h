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
enum WdBuiltinStyle { wdStyleNormal = -1, wdStyleHeading1 = -2, wdStyleHeading9 = -10, wdStyleIndex1 = -11, wdStyleTOC1 = -20, wdStyleHyperlink = -86 };
// The heading style of an outline level (0 = Heading 1); levels beyond the ninth stay Heading 9.
inline int HeadingStyleOfLevel(int level) { return wdStyleHeading1 - (level < 0 ? 0 : level > 8 ? 8 : level); }
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

enum WdBreakType { wdSectionBreakNextPage = 2, wdPageBreak = 7 };
enum WdParagraphAlignment { wdAlignParagraphLeft = 0, wdAlignParagraphCenter = 1, wdAlignParagraphRight = 2, wdAlignParagraphJustify = 3 };
// Word's paper numbers; the ones without a size here keep the current size.
enum WdPaperSize { wdPaper11x17 = 1, wdPaperLetter = 2, wdPaperLegal = 4, wdPaperExecutive = 5, wdPaperA3 = 6, wdPaperA4 = 7, wdPaperA5 = 9, wdPaperB4 = 10, wdPaperB5 = 11, wdPaperCustom = 41 };
// Colours are 0x00BBGGRR as in Word; automatic is its own value.
enum WdColor { wdColorAutomatic = -16777216 };

class WordRange;
struct WordTocOptions;

// The character formatting of a range (the first character is read, the whole range is
// written) or of a style.
class WordFont
{
public:
    QString Name() const;
    void SetName(const QString &name);
    int Color() const; // 0x00BBGGRR or wdColorAutomatic
    void SetColor(int color);
    double Size() const; // points
    void SetSize(double points);
    bool Bold() const;
    void SetBold(bool bold);
    bool Italic() const;
    void SetItalic(bool italic);

private:
    friend class WordRange;
    friend class WordStyle;
    std::shared_ptr<WordDocState> m_doc;
    std::shared_ptr<WordRangeState> m_range; // either a range
    QString m_style;                         // or a style id
    WordDocState &doc() const;
};

// The paragraph formatting of a range (its first paragraph is read, every paragraph it touches
// is written) or of a style.
class WordParagraphFormat
{
public:
    // 1-9 for headings, 10 for body text.
    int OutlineLevel() const;
    void SetOutlineLevel(int level);
    int Alignment() const; // WdParagraphAlignment
    void SetAlignment(int alignment);
    // The name of the paragraph style; a style's own name for a style's format.
    QString Style() const;
    void SetStyle(const QString &name);

private:
    friend class WordRange;
    friend class WordStyle;
    std::shared_ptr<WordDocState> m_doc;
    std::shared_ptr<WordRangeState> m_range;
    QString m_style;
    WordDocState &doc() const;
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
    WordFont Font() const;

    // The range grows to include the inserted text.
    void InsertBefore(const QString &text);
    void InsertAfter(const QString &text);
    void InsertParagraphAfter();
    // 2: a section break (next page) at the end of the range, which grows over it; 7: a page
    // break. The new section takes the page setup of the one it splits.
    void InsertBreak(int type = wdPageBreak);

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

    // Copy keeps the paragraphs the range touches (whole, tables included) with everything they
    // need from their document; Paste puts the last copy of this thread in place of the range,
    // which then spans the pasted content. Nothing goes through the system clipboard.
    void Copy() const;
    void Paste();
    bool IsValid() const { return bool(m_state); }

private:
    friend class WordDocument;
    friend class WordField;
    friend class WordShape;
    friend class WordParagraphs;
    friend class WordFields;
    friend class WordFont;
    friend class WordParagraphFormat;
    friend class WordBookmarks;
    friend class WordBookmark;
    friend class WordHyperlinks;
    friend class WordHyperlink;
    friend class WordTablesOfContents;
    friend class WordTableOfContents;
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
    // A field in place of the range: the code is the type's keyword and text ("XE" + " " +
    // text for 4); wdFieldEmpty takes text as the whole code. PreserveFormatting adds
    // "\\* MERGEFORMAT". The result is computed where the engine can.
    WordField Add(const WordRange &range, int type = wdFieldEmpty, const QString &text = QString(),
                  bool preserveFormatting = true);

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
    // LinkFormat: a linked picture saved with the document is embedded when the link is broken
    // (or the document saved); BreakLink embeds it at once. The file is read only from the
    // document's carry folders; a file that cannot be read stays linked, with a warning.
    bool SavePictureWithDocument() const;
    void SetSavePictureWithDocument(bool save);
    void BreakLink();
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

class WordBookmark
{
public:
    QString Name() const { return m_name; }
    // The text the bookmark marks; raises when it no longer exists.
    WordRange Range() const;
    void Delete();

private:
    friend class WordBookmarks;
    std::shared_ptr<WordDocState> m_doc;
    QString m_name;
};

class WordBookmarks
{
public:
    // Marks the range; a bookmark of the same name (letter case ignored) moves there. Names are
    // Word's: a letter first, then letters, digits and "_", at most 40 characters; a name
    // starting with "_" is hidden.
    WordBookmark Add(const QString &name, const WordRange &range);
    bool Exists(const QString &name) const;
    WordBookmark Item(const QString &name) const; // raises when there is none
    int Count() const;                            // hidden ones only with ShowHidden
    bool ShowHidden() const;
    void SetShowHidden(bool show);

private:
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
};

// A hyperlink: a HYPERLINK field whose result is the text shown.
class WordHyperlink
{
public:
    QString Address() const;
    QString SubAddress() const;
    QString TextToDisplay() const;
    WordRange Range() const; // the text shown

private:
    friend class WordHyperlinks;
    std::shared_ptr<WordDocState> m_doc;
    std::shared_ptr<engine::TFieldInfo> m_field;
};

class WordHyperlinks
{
public:
    // Replaces the anchor range by a link shown as textToDisplay (the anchor's text, else the
    // address, when empty) in the Hyperlink character style. subAddress names a bookmark.
    WordHyperlink Add(const WordRange &anchor, const QString &address, const QString &subAddress = QString(),
                      const QString &screenTip = QString(), const QString &textToDisplay = QString());
    int Count() const;
    WordHyperlink Item(int index) const; // 1-based

private:
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
};

// The named arguments of TablesOfContents.Add, with Word's defaults.
struct WordTocOptions
{
    bool UseHeadingStyles = true;
    int UpperHeadingLevel = 1, LowerHeadingLevel = 9;
    bool UseFields = false;
    bool RightAlignPageNumbers = true, IncludePageNumbers = true;
    bool UseHyperlinks = true, HidePageNumbersInWeb = true, UseOutlineLevels = true;
};

class WordTableOfContents
{
public:
    WordRange Range() const; // the field's result
    // Lists the headings again, each a link to its bookmark (made hidden when missing).
    void Update();

private:
    friend class WordTablesOfContents;
    std::shared_ptr<WordDocState> m_doc;
    std::shared_ptr<engine::TFieldInfo> m_field;
};

class WordTablesOfContents
{
public:
    // A TOC field in place of the range. Its stored result lists the headings of the chosen
    // levels in TOC n styles, each a link to a bookmark on its heading; there are no page
    // numbers (the engine lays out no pages; Word and LibreOffice add them when they update it).
    WordTableOfContents Add(const WordRange &range, const WordTocOptions &options = WordTocOptions());
    int Count() const;
    WordTableOfContents Item(int index) const; // 1-based

private:
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
};

class WordStyle
{
public:
    QString NameLocal() const;
    WordFont Font() const;
    WordParagraphFormat ParagraphFormat() const;

private:
    friend class WordStyles;
    std::shared_ptr<WordDocState> m_doc;
    QString m_id;
};

class WordStyles
{
public:
    int Count() const;
    // By name or id (letter case ignored), or a built-in number (-1 Normal, -2 to -10 heading
    // 1 to 9, -86 Hyperlink; created when missing). Raises when there is no such style.
    WordStyle Item(const QString &name) const;
    WordStyle Item(int builtin) const;

private:
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
};

// The page of every section of the document, in points.
class WordPageSetup
{
public:
    int PaperSize() const; // the number of the matching size, else wdPaperCustom
    void SetPaperSize(int size);
    double PageWidth() const, PageHeight() const;
    void SetPageWidth(double points);
    void SetPageHeight(double points);
    double TopMargin() const, BottomMargin() const, LeftMargin() const, RightMargin() const;
    void SetTopMargin(double points);
    void SetBottomMargin(double points);
    void SetLeftMargin(double points);
    void SetRightMargin(double points);

private:
    friend class WordDocument;
    std::shared_ptr<WordDocState> m_doc;
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
    class WordBookmarks Bookmarks() const;
    class WordHyperlinks Hyperlinks() const;
    class WordTablesOfContents TablesOfContents() const;
    class WordStyles Styles() const;
    class WordPageSetup PageSetup() const;
    WordWebOptions &WebOptions();
    // FileFormat 12 writes a .docx package, 0 a .doc (through LibreOffice, from the .docx).
    // The file is written beside the target under a temporary name and then renamed, so the
    // target is never left half written. FileFormat 10 writes filtered HTML: the page and,
    // beside it, the folder of its pictures (page name + FolderSuffix).
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
