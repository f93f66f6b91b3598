#pragma once
#include <cstdint>
// The engine's native model of a word-processing document: a tree of blocks (paragraphs and
// tables whose cells hold blocks) with paragraphs holding inlines, plus the styles, numbering,
// notes, headers, footers and media that travel with it. Readers build it, the object API edits
// it, writers render it; only this model crosses module boundaries.
//
// Positions follow the character stream of a story: every paragraph ends in one paragraph mark,
// every table row in one end-of-row mark; a field counts its begin, code, separator, result and
// end characters; an inline picture or a note reference counts one; bookmarks, comment marks and
// floating shapes count none. Each story keeps an index over its paragraphs so that finding the
// paragraph of a position is logarithmic and a change of length costs logarithmic time.
#include "text/OutsideFiles.h"
#include "text/Warnings.h"
#include "word/engine/Numbering.h"
#include "word/engine/Styles.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tavrel::engine {

struct TParagraph;
struct TTable;
class TStory;

enum class TInlineKind : uint8_t {
    Text,            // characters; tabs, breaks and special hyphens are characters of their own
    FieldBegin,      // 1 character
    FieldSeparator,  // 1 character
    FieldEnd,        // 1 character
    BookmarkStart,   // 0
    BookmarkEnd,     // 0
    Shape,           // inline: 1, floating: 0
    NoteReference,   // 1 (footnote or endnote reference in the main text, or a note's own mark)
    CommentStart,    // 0
    CommentEnd,      // 0
    CommentReference // 0: comments are kept, never rendered
};

// Special characters inside text inlines.
namespace chars {
constexpr char16_t Tab = u'\t';
constexpr char16_t LineBreak = u'\v';   // w:br / w:cr
constexpr char16_t PageBreak = u'\f';   // w:br type="page"
constexpr char16_t ColumnBreak = 0x0E;  // w:br type="column"
constexpr char16_t SoftHyphen = 0x1F;   // w:softHyphen
constexpr char16_t NoBreakHyphen = 0x1E; // w:noBreakHyphen
constexpr char16_t FieldBegin = 0x13, FieldSeparator = 0x14, FieldEnd = 0x15;
constexpr char16_t ParagraphMark = u'\r';
constexpr char16_t RowEnd = 0x07;
constexpr char16_t Object = 0x01; // an inline picture or shape
constexpr char16_t NoteMark = 0x02;
} // namespace chars

// Shared by the three marks of one field, and by the object API's field objects.
struct TFieldInfo
{
    bool Deleted = false;
    bool Locked = false;
    TParagraph *BeginParagraph = nullptr; // kept current by the story index
};

enum class TShapeKind : uint8_t {
    Picture,     // an embedded or linked picture
    Drawing,     // a drawing shape (its text, if any, in Text)
    TextBox,     // a shape made as a text box
    Group,
    Canvas,
    Chart,
    Diagram,
    Control,     // an ActiveX control
    OleObject,   // an embedded or linked OLE object (shown by its preview picture)
    Ink,
    Unknown
};

struct TShapeHyperlink
{
    QString Address, SubAddress, Target, ScreenTip;
    bool Empty() const { return Address.isEmpty() && SubAddress.isEmpty(); }
};

// Everything of a shape that copies as a value; TShape adds what it owns.
struct TShapeData
{
    TShapeKind Kind = TShapeKind::Unknown;
    bool Floating = false;
    bool Deleted = false;
    bool Vml = false;               // read from VML (older documents)
    TParagraph *Paragraph = nullptr; // anchor or host paragraph, kept current by the index
    QString MediaPart;              // embedded picture: package part name ("word/media/image1.png")
    QString LinkTarget;             // linked picture: the target as written
    bool SaveWithDocument = false;  // linked picture: embed it when the link is broken
    qint64 WidthEmu = 0, HeightEmu = 0;
    qint64 LeftEmu = 0, TopEmu = 0;   // offsets of a floating shape or of a group/canvas member
    QString HorizontalAlign, HorizontalRelative, VerticalRelative, Wrap; // floating placement
    bool BehindText = false;
    QString Name, Description, Title; // docPr name / descr / title
    TShapeHyperlink Hyperlink;
    QString ClassType;                 // controls and OLE objects: their program identifier
    std::vector<std::pair<QString, QString>> ControlProperties; // controls: name, value
    QString FillColor, LineColor;        // drawing shapes: "RRGGBB" or empty
    double LineWidthPt = 0;
    bool NoFill = false, NoLine = false;  // explicitly without fill / outline
    QString Geometry;                    // preset geometry ("rect", "ellipse", ...); "custom" for a free form
    QString HeadEnd, TailEnd;            // line ends ("triangle", "arrow", ...) or empty
    bool FlipH = false, FlipV = false;
    int RotationDeg = 0;
    // Groups: the child coordinate space that maps onto the group's frame (zero extent = 1:1).
    qint64 ChildOffX = 0, ChildOffY = 0, ChildExtX = 0, ChildExtY = 0;
    QString TextAnchor;                  // text in a shape: "t", "ctr", "b" (empty = top)
    qint64 InsetL = 91440, InsetT = 45720, InsetR = 91440, InsetB = 45720; // text insets, EMU
    // A free form: its paths, each in its own coordinate space (W x H) stretched over the shape.
    struct TPathCommand
    {
        char Op = 'M'; // M move, L line, C cubic, Q quadratic, Z close
        std::vector<std::pair<double, double>> Points;
    };
    struct TPath
    {
        double W = 0, H = 0;
        bool Fill = true, Stroke = true;
        std::vector<TPathCommand> Commands;
    };
    std::vector<TPath> CustomPaths;
    QString FontColor;                   // text in a shape: the colour its style gives, "RRGGBB" or empty
    QString FallbackText;                // charts and SmartArt: their text content, when no picture
    QString Where;                         // for warnings: part and paragraph
};

struct TShape : TShapeData
{
    std::vector<std::shared_ptr<TShape>> Children; // group and canvas members
    std::unique_ptr<TStory> Text;          // text box content
    TShape();
    ~TShape();
};

// Every field or shape taken out of a document goes through these: they count the removals, so
// that a live collection of the object API knows when the list it filtered has gone stale.
void MarkDeleted(TFieldInfo &field);
void MarkDeleted(TShape &shape);
std::uint64_t DeletionCount();

struct TInline
{
    TInlineKind Kind = TInlineKind::Text;
    QString Text;                           // Text: characters; BookmarkStart: name; NoteReference: custom mark
    std::shared_ptr<const TRunProps> Props; // formatting of text, marks, notes and inline shapes
    std::shared_ptr<TFieldInfo> Field;      // the three field marks
    std::shared_ptr<TShape> Shape;
    int Id = 0;                             // bookmark, note or comment id
    bool Endnote = false;                   // NoteReference: an endnote
    bool NoteOwnMark = false;               // NoteReference: the mark at the start of a note's text

    int Length() const
    {
        switch (Kind) {
        case TInlineKind::Text: return int(Text.size());
        case TInlineKind::FieldBegin:
        case TInlineKind::FieldSeparator:
        case TInlineKind::FieldEnd:
        case TInlineKind::NoteReference: return 1;
        case TInlineKind::Shape: return Shape && Shape->Floating ? 0 : 1;
        default: return 0;
        }
    }
};

struct TColumnsProps
{
    int Count = 1;
};

struct TSectionProps
{
    QString Type; // nextPage (default), continuous, evenPage, oddPage, nextColumn
    int PageWidth = 12240, PageHeight = 15840; // twips
    int MarginLeft = 1440, MarginRight = 1440, MarginTop = 1440, MarginBottom = 1440;
    bool Landscape = false;
    int Columns = 1;
    std::vector<std::pair<QString, QString>> HeaderRefs, FooterRefs; // type -> part name
};

struct TParagraph
{
    std::shared_ptr<const TParaProps> Props;    // direct formatting, style included; never null
    std::shared_ptr<const TRunProps> MarkProps; // formatting of the paragraph mark; may be null
    std::vector<TInline> Inlines;
    std::unique_ptr<TSectionProps> Section;     // set when this paragraph ends a section
    int TrailingMarks = 0;                      // end-of-row marks right after this paragraph's mark
    int Index = -1;                             // position in its story's index
    TStory *Story = nullptr;
    QString Where;                              // part and paragraph number, for warnings

    int TextLength() const;                     // the inlines, without the mark
    int Length() const { return TextLength() + 1 + TrailingMarks; }
    const QString &StyleId() const { return Props->Style ? *Props->Style : emptyString(); }
    // Recomputes the cached length after the inlines changed; the caller tells the story.
    void Touch() { m_length = -1; }

private:
    static const QString &emptyString();
    mutable int m_length = -1;
};

struct TBlock
{
    std::unique_ptr<TParagraph> Paragraph;
    std::unique_ptr<TTable> Table;
};

struct TCell
{
    TCellProps Props;
    std::vector<TBlock> Blocks;
};

struct TRow
{
    TRowProps Props;
    std::vector<TCell> Cells;
};

struct TTable
{
    TTableProps Props;
    std::vector<int> Grid; // column widths, twips
    std::vector<TRow> Rows;
    QString Where;
};

// One story: the main text, a note, a comment, a header or a footer.
class TStory
{
public:
    std::vector<TBlock> Blocks;

    // Rebuilds the paragraph index after blocks or paragraphs were added, removed or moved.
    void Reindex();
    void MarkStructureChanged() { m_dirty = true; }
    // Blocks were put into the story right before the paragraph `next`, which was in the index:
    // indexes them and shifts what follows, at a cost in proportion to what was inserted and
    // what follows it (an insertion at the end costs only the new paragraphs).
    void BlocksInserted(std::vector<TBlock>::iterator first, std::vector<TBlock>::iterator last, const TParagraph *next);
    // Tells the index that a paragraph's length changed.
    void LengthChanged(TParagraph *p);

    int ParagraphCount();
    TParagraph *ParagraphAt(int index);
    int ParagraphStart(int index);
    int ParagraphStart(const TParagraph *p) { return ParagraphStart(p->Index); }
    // The index of the paragraph holding position pos; positions past the end give the last.
    int IndexOfPosition(int pos);
    int Length();
    // The paragraphs in document order (tables' cells included), current after Reindex.
    const std::vector<TParagraph *> &Paragraphs();

    // Bookmark starts by name (letter case ignored), so that finding one costs the paragraphs
    // that hold that name, not the story. Every paragraph of the story holding a start of a
    // name is listed under it; a listed paragraph may have lost it since, so callers check.
    // Paragraphs taken into the index are listed by it; an edit that puts a start into a
    // paragraph already indexed tells the story.
    void BookmarkStartAdded(TParagraph *p, const QString &name);
    // The paragraphs of the story that may hold a start of name, valid until the next edit.
    std::vector<TParagraph *> BookmarkCandidates(const QString &name);
    // Drops p from name's list once p holds no start of that name any more.
    void BookmarkStartRemoved(TParagraph *p, const QString &name);

private:
    void ensure();
    void collect(std::vector<TBlock> &blocks);
    void collectInto(std::vector<TBlock>::iterator first, std::vector<TBlock>::iterator last, std::vector<TParagraph *> &out);
    // Gives a paragraph just taken into the index its back references.
    void adopt(TParagraph *p);
    std::vector<TParagraph *> m_paras;
    std::vector<int> m_tree; // Fenwick tree of paragraph lengths
    std::vector<int> m_len;
    std::unordered_map<QString, std::vector<TParagraph *>> m_bookmarks; // by case-folded name
    bool m_dirty = true;
};

struct TMediaPart
{
    QByteArray Data;
    QString ContentType;
};

struct TNote
{
    int Id = 0;
    bool Endnote = false;
    QString Type; // "separator", "continuationSeparator", "continuationNotice" or empty
    TStory Story;
};

struct THeaderFooter
{
    QString Part;
    bool Footer = false;
    TStory Story;
};

struct TComment
{
    int Id = 0;
    QString Author, Initials, Date;
    TStory Story;
};

class TDocument
{
public:
    TDocument();
    ~TDocument();

    TStory Body;
    TStyleSheet Styles;
    TNumbering Numbering;
    std::map<QString, TMediaPart> Media; // by package part name
    std::map<int, std::unique_ptr<TNote>> Footnotes, Endnotes;
    std::map<int, std::unique_ptr<TComment>> Comments;
    std::vector<std::unique_ptr<THeaderFooter>> HeadersFooters;
    TSectionProps FinalSection;
    QString FootnoteFormat = QStringLiteral("decimal"), EndnoteFormat = QStringLiteral("lowerRoman");
    int FootnoteStart = 1, EndnoteStart = 1;
    int DefaultTabStop = 720;
    QString DefaultLanguage = QStringLiteral("en-US");
    std::map<QString, QString> FontFamilies; // font name -> generic CSS family
    QString FileName;   // the display name of the source, for messages
    QString LinkBase;   // folder against which relative link targets resolve
    // The folders linked files may be read from; without them, LinkBase and its sub-folders.
    std::optional<TCarryRoots> CarryRoots;
    TWarnings Warnings;
    bool HasTrackedChanges = false;
    bool HasHiddenText = false;

    // Warnings of one kind are counted: the first place is named, later ones only counted, so a
    // long document does not bury the list under one repeated notice.
    void Warn(const QString &kind, const QString &what, const QString &where);
    void FlushWarnings();

private:
    struct Pending
    {
        QString What, Where;
        int Count = 0;
    };
    std::map<QString, Pending> m_pending;
    std::vector<QString> m_pendingOrder;
};

// Outline level of a paragraph: its own, else its style chain's, else the built-in heading
// style name ("heading n"); 10 for body text.
int OutlineLevel(const TDocument &doc, const TParagraph &p);

// Walks every paragraph of a block list, tables' cells included, in document order.
template <class F>
void ForEachParagraph(std::vector<TBlock> &blocks, F &&f)
{
    for (auto &b : blocks) {
        if (b.Paragraph)
            f(*b.Paragraph);
        else if (b.Table)
            for (auto &row : b.Table->Rows)
                for (auto &cell : row.Cells)
                    ForEachParagraph(cell.Blocks, f);
    }
}

} // namespace tavrel::engine
