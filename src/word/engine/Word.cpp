#include "word/engine/Word.h"

#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/LanguageProcess.h"
#include "text/WorkingFolder.h"
#include "word/engine/DocumentFormat.h"
#include "word/engine/Detach.h"
#include "word/engine/DocxReader.h"
#include "word/engine/DocxWriter.h"
#include "word/engine/Edit.h"
#include "word/engine/Fields.h"
#include "word/engine/HtmlReader.h"
#include "word/engine/HtmlWriter.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Model.h"
#include "word/engine/WordState.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tavrel {

using namespace engine;

// --- WordRange ---------------------------------------------------------------------------------

WordDocState &WordRange::doc() const
{
    if (!m_state)
        throw Exception(QStringLiteral("The range is not set."));
    m_state->Doc->model(); // raises once the document is closed
    return *m_state->Doc;
}

int WordRange::Start() const
{
    doc();
    return m_state->Start;
}

int WordRange::End() const
{
    doc();
    return m_state->End;
}

void WordRange::SetStart(int pos)
{
    int len = doc().story().Length();
    m_state->Start = std::clamp(pos, 0, len);
    if (m_state->End < m_state->Start)
        m_state->End = m_state->Start;
}

void WordRange::SetEnd(int pos)
{
    int len = doc().story().Length();
    m_state->End = std::clamp(pos, 0, len);
    if (m_state->Start > m_state->End)
        m_state->Start = m_state->End;
}

WordRange WordRange::GoTo(int what, int which) const
{
    WordDocState &d = doc();
    if (what != wdGoToHeading)
        throw Exception(QStringLiteral("GoTo supports headings only."));
    int found = -1;
    if (which == wdGoToFirst)
        found = d.headingFrom(0);
    else if (which == wdGoToNext)
        found = d.headingFrom(d.story().IndexOfPosition(m_state->Start) + 1);
    else
        throw Exception(QStringLiteral("GoTo supports the first and the next heading only."));
    int at = found >= 0 ? found : m_state->Start;
    return d.makeRange(at, at);
}

void WordRange::Expand(int unit)
{
    WordDocState &d = doc();
    TStory &s = d.story();
    if (unit == wdCharacter) {
        if (m_state->End == m_state->Start)
            m_state->End = std::min(m_state->Start + 1, s.Length());
        return;
    }
    if (unit != wdParagraph)
        throw Exception(QStringLiteral("Expand supports characters and paragraphs only."));
    int first = s.IndexOfPosition(m_state->Start);
    int last = s.IndexOfPosition(m_state->End > m_state->Start ? m_state->End - 1 : m_state->Start);
    if (first < 0)
        return;
    m_state->Start = s.ParagraphStart(first);
    TParagraph *p = s.ParagraphAt(last);
    m_state->End = s.ParagraphStart(last) + p->TextLength() + 1;
}

void WordRange::Collapse(int direction)
{
    doc();
    if (direction == wdCollapseEnd)
        m_state->Start = m_state->End;
    else
        m_state->End = m_state->Start;
}

void WordRange::InsertBefore(const QString &text)
{
    WordDocState &d = doc();
    int pos = m_state->Start;
    int n = InsertText(d.story(), pos, text);
    d.inserted(pos, n, m_state.get());
}

void WordRange::InsertAfter(const QString &text)
{
    WordDocState &d = doc();
    // Past the story's last mark text goes before it: the range moves there with it.
    int pos = std::min(m_state->End, std::max(0, d.story().Length() - 1));
    m_state->Start = std::min(m_state->Start, pos);
    m_state->End = pos;
    int n = InsertText(d.story(), pos, text);
    d.inserted(pos, n, m_state.get());
    // A paragraph mark typed at the end of a paragraph starts the style's next one (a heading
    // is followed by body text), as pressing Enter does.
    TStory &s = d.story();
    TStyleSheet &styles = d.model().Styles;
    const int first = s.IndexOfPosition(pos), last = s.IndexOfPosition(std::min(pos + n, s.Length() - 1));
    for (int i = first + 1; i <= last && i > 0; ++i) {
        TParagraph *p = s.ParagraphAt(i);
        if (p->TextLength() != 0 || p->StyleId().isEmpty())
            continue;
        const TStyle *st = styles.Find(p->StyleId());
        if (st && !st->Next.isEmpty() && st->Next != st->Id && styles.Find(st->Next))
            SetParagraphStyle(s, s.ParagraphStart(i), s.ParagraphStart(i), st->Next);
    }
}

void WordRange::InsertParagraphAfter()
{
    InsertAfter(QStringLiteral("\r"));
}

QString WordRange::Text() const
{
    WordDocState &d = doc();
    return RangeText(d.story(), m_state->Start, m_state->End);
}

void WordRange::SetText(const QString &text)
{
    WordDocState &d = doc();
    int start = m_state->Start;
    if (m_state->End > start) {
        auto [a, b] = DeleteRange(d.story(), start, m_state->End);
        d.deleted(a, b);
        start = a;
    }
    m_state->Start = m_state->End = start;
    int n = InsertText(d.story(), start, text);
    d.inserted(start, n, m_state.get());
    m_state->Start = start;
}

void WordRange::Delete()
{
    WordDocState &d = doc();
    if (m_state->End <= m_state->Start)
        return;
    auto [a, b] = DeleteRange(d.story(), m_state->Start, m_state->End);
    d.deleted(a, b);
}

void WordRange::SetStyle(int builtin)
{
    WordDocState &d = doc();
    const QString id = BuiltinStyleId(d.model(), builtin);
    const TStyle *st = d.model().Styles.Find(id);
    if (st && st->Type == TStyleType::Character)
        ChangeRunProps(d.story(), m_state->Start, m_state->End, [&](TRunProps &r) { r.Style = id; });
    else
        SetParagraphStyle(d.story(), m_state->Start, m_state->End, id);
}

void WordRange::SetStyle(const QString &nameOrId)
{
    WordDocState &d = doc();
    TStyleSheet &st = d.model().Styles;
    const TStyle *s = st.FindByName(nameOrId);
    if (!s)
        s = st.Find(nameOrId);
    if (!s)
        throw Exception(QStringLiteral("The style \"%1\" does not exist.").arg(nameOrId));
    QString id = s->Id;
    if (s->Type == TStyleType::Character)
        ChangeRunProps(d.story(), m_state->Start, m_state->End, [&](TRunProps &r) { r.Style = id; });
    else
        SetParagraphStyle(d.story(), m_state->Start, m_state->End, id);
}

QString WordRange::StyleName() const
{
    WordDocState &d = doc();
    TStory &s = d.story();
    TParagraph *p = s.ParagraphAt(s.IndexOfPosition(m_state->Start));
    if (!p)
        return QString();
    QString id = p->StyleId().isEmpty() ? d.model().Styles.DefaultStyleId(TStyleType::Paragraph) : p->StyleId();
    const TStyle *st = d.model().Styles.Find(id);
    return st ? st->Name : id;
}

WordFields WordRange::Fields() const
{
    doc(); // a closed document has no fields
    WordFields f;
    f.m_doc = m_state->Doc;
    f.m_range = m_state;
    return f;
}

WordRange WordRange::Duplicate() const
{
    WordDocState &d = doc();
    return d.makeRange(m_state->Start, m_state->End);
}

// --- live collections ----------------------------------------------------------------------------

template <class T>
const std::vector<std::shared_ptr<T>> &TLiveEntries<T>::Of(const std::vector<std::shared_ptr<T>> &all) const
{
    const std::uint64_t now = engine::DeletionCount();
    if (m_madeAt != now) {
        m_entries.clear();
        for (const auto &x : all)
            if (!x->Deleted)
                m_entries.push_back(x);
        m_madeAt = now;
    }
    return m_entries;
}

template class TLiveEntries<TFieldInfo>;
template class TLiveEntries<TShape>;

// --- fields ------------------------------------------------------------------------------------

const std::vector<std::shared_ptr<TFieldInfo>> &WordFields::live() const
{
    if (!m_gathered && m_range && m_doc) {
        m_fields = FieldsIn(m_doc->story(), m_range->Start, m_range->End);
        m_gathered = true;
    }
    return m_live.Of(m_fields);
}

int WordFields::Count() const
{
    if (m_doc)
        m_doc->model();
    return int(live().size());
}

WordField WordFields::Item(int index) const
{
    const auto &l = live();
    if (index < 1 || index > int(l.size()))
        throw Exception(QStringLiteral("The field %1 does not exist (the collection holds %2).").arg(index).arg(l.size()));
    return WordField(m_doc, l[size_t(index - 1)]);
}

int WordField::Type() const
{
    return FieldTypeOfCode(FieldCodeText(m_doc->story(), *m_field));
}

WordRange WordField::Code() const
{
    TFieldSpan s = LocateField(m_doc->story(), *m_field);
    if (!s.Valid())
        throw Exception(QStringLiteral("The field has been deleted."));
    return m_doc->makeRange(s.CodeStart(), s.CodeEnd());
}

WordRange WordField::Result() const
{
    TFieldSpan s = LocateField(m_doc->story(), *m_field);
    if (!s.Valid())
        throw Exception(QStringLiteral("The field has been deleted."));
    return m_doc->makeRange(s.ResultStart(), s.ResultEnd());
}

bool WordField::Update()
{
    TStory &story = m_doc->story();
    TFieldSpan s = LocateField(story, *m_field);
    if (!s.Valid() || m_field->Locked)
        return false;
    TFieldCode code = ParseFieldCode(FieldCodeText(story, *m_field));
    int type = FieldTypeOfCode(FieldCodeText(story, *m_field));
    if (type == wdFieldHyperlink)
        return true; // the result is the link's text and stays
    if (type == wdFieldRef && !code.Arguments.isEmpty()) {
        bool found = false;
        QString text = BookmarkText(story, code.Arguments.first(), &found);
        if (!found)
            return false;
        if (s.Separator < 0)
            return false;
        WordRange r = Result();
        r.SetText(text);
        return true;
    }
    return false;
}

void WordField::Delete()
{
    TStory &story = m_doc->story();
    TFieldSpan s = LocateField(story, *m_field);
    if (!s.Valid())
        return;
    auto [a, b] = DeleteRange(story, s.Begin, s.End + 1);
    m_doc->deleted(a, b);
    engine::MarkDeleted(*m_field);
}

bool WordField::Deleted() const
{
    return m_field->Deleted;
}

// --- shapes ------------------------------------------------------------------------------------

int WordShapes::Count() const
{
    if (m_doc)
        m_doc->model();
    return int(live().size());
}

WordShape WordShapes::Item(int index) const
{
    const auto &l = live();
    if (index < 1 || index > int(l.size()))
        throw Exception(QStringLiteral("The shape %1 does not exist (the collection holds %2).").arg(index).arg(l.size()));
    return WordShape(m_doc, l[size_t(index - 1)]);
}

int WordShape::Type() const
{
    const TShape &s = *m_shape;
    const bool linked = s.MediaPart.isEmpty() && !s.LinkTarget.isEmpty();
    if (!s.Floating) {
        switch (s.Kind) {
        case TShapeKind::Picture: return linked ? wdInlineShapeLinkedPicture : wdInlineShapePicture;
        case TShapeKind::Control: return wdInlineShapeOLEControlObject;
        case TShapeKind::OleObject: return s.LinkTarget.isEmpty() ? wdInlineShapeEmbeddedOLEObject : wdInlineShapeLinkedOLEObject;
        case TShapeKind::Chart: return wdInlineShapeChart;
        case TShapeKind::Diagram: return wdInlineShapeDiagram;
        case TShapeKind::Canvas: return wdInlineShapeCanvas;
        default: return wdInlineShapePicture;
        }
    }
    switch (s.Kind) {
    case TShapeKind::Picture: return linked ? wdShapeLinkedPicture : wdShapePicture;
    case TShapeKind::Drawing: return wdShapeDrawing;
    case TShapeKind::TextBox: return wdShapeTextBox;
    case TShapeKind::Group: return wdShapeGroup;
    case TShapeKind::Canvas: return wdShapeCanvas;
    case TShapeKind::Chart: return wdShapeChart;
    case TShapeKind::Diagram: return wdShapeDiagram;
    case TShapeKind::Control: return wdShapeOLEControlObject;
    case TShapeKind::OleObject: return s.LinkTarget.isEmpty() ? wdShapeEmbeddedOLEObject : wdShapeLinkedOLEObject;
    case TShapeKind::Ink: return wdShapeInk;
    default: return wdShapeDrawing;
    }
}

bool WordShape::Inline() const { return !m_shape->Floating; }
QString WordShape::AlternativeText() const { return m_shape->Description; }
void WordShape::SetAlternativeText(const QString &text) { m_shape->Description = text; }
QString WordShape::Title() const { return m_shape->Title; }
QString WordShape::ClassType() const { return m_shape->ClassType; }
QString WordShape::LinkSource() const { return m_shape->LinkTarget; }
double WordShape::Left() const { return double(m_shape->LeftEmu) / 12700.0; }
double WordShape::Top() const { return double(m_shape->TopEmu) / 12700.0; }
double WordShape::Width() const { return double(m_shape->WidthEmu) / 12700.0; }
double WordShape::Height() const { return double(m_shape->HeightEmu) / 12700.0; }
bool WordShape::Deleted() const { return m_shape->Deleted; }

WordHyperlinkInfo WordShape::Hyperlink() const
{
    const TShapeHyperlink &h = m_shape->Hyperlink;
    return WordHyperlinkInfo{h.Address, h.SubAddress, h.Target, h.ScreenTip};
}

QString WordShape::Property(const QString &name) const
{
    for (const auto &[n, v] : m_shape->ControlProperties)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    return QString();
}

QStringList WordShape::PropertyNames() const
{
    QStringList out;
    for (const auto &p : m_shape->ControlProperties)
        out << p.first;
    return out;
}

std::vector<WordShape> WordShape::CanvasItems() const
{
    std::vector<WordShape> out;
    for (const auto &c : m_shape->Children)
        out.push_back(WordShape(m_doc, c));
    return out;
}

WordRange WordShape::Range() const
{
    int pos = LocateShape(m_doc->story(), *m_shape);
    if (pos < 0)
        throw Exception(QStringLiteral("The shape has been deleted or belongs to no text."));
    return m_doc->makeRange(pos, m_shape->Floating ? pos : pos + 1);
}

WordRange WordShape::Anchor() const
{
    int pos = LocateShape(m_doc->story(), *m_shape);
    if (pos < 0)
        throw Exception(QStringLiteral("The shape has been deleted or belongs to no text."));
    return m_doc->makeRange(pos, pos);
}

void WordShape::Delete()
{
    TStory &story = m_doc->story();
    int pos = LocateShape(story, *m_shape);
    if (pos < 0)
        return;
    if (!m_shape->Floating) {
        auto [a, b] = DeleteRange(story, pos, pos + 1);
        m_doc->deleted(a, b);
    } else {
        TParagraph *p = m_shape->Paragraph;
        auto &in = p->Inlines;
        in.erase(std::remove_if(in.begin(), in.end(), [&](const TInline &i) { return i.Shape.get() == m_shape.get(); }), in.end());
        story.LengthChanged(p);
    }
    engine::MarkDeleted(*m_shape);
}

// --- paragraphs --------------------------------------------------------------------------------

int WordParagraphs::Count() const
{
    return m_doc->story().ParagraphCount();
}

WordRange WordParagraphs::Item(int index) const
{
    TStory &s = m_doc->story();
    if (index < 1 || index > s.ParagraphCount())
        throw Exception(QStringLiteral("The paragraph %1 does not exist.").arg(index));
    int start = s.ParagraphStart(index - 1);
    return m_doc->makeRange(start, start + s.ParagraphAt(index - 1)->TextLength() + 1);
}

// --- document ----------------------------------------------------------------------------------

WordDocument::~WordDocument() = default;

WordRange WordDocument::Content() const
{
    return m_state->makeRange(0, m_state->story().Length());
}

WordParagraphs WordDocument::Paragraphs() const
{
    m_state->model();
    WordParagraphs p;
    p.m_doc = m_state;
    return p;
}

WordRange WordDocument::GoTo(int what, int which) const
{
    return m_state->makeRange(0, 0).GoTo(what, which);
}

WordShapes WordDocument::InlineShapes() const
{
    WordShapes out;
    out.m_doc = m_state;
    for (TParagraph *p : m_state->story().Paragraphs())
        for (const auto &in : p->Inlines)
            if (in.Kind == TInlineKind::Shape && !in.Shape->Floating)
                out.m_shapes.push_back(in.Shape);
    return out;
}

WordShapes WordDocument::Shapes() const
{
    WordShapes out;
    out.m_doc = m_state;
    for (TParagraph *p : m_state->story().Paragraphs())
        for (const auto &in : p->Inlines)
            if (in.Kind == TInlineKind::Shape && in.Shape->Floating)
                out.m_shapes.push_back(in.Shape);
    return out;
}

WordFields WordDocument::Fields() const
{
    return Content().Fields();
}

WordWebOptions &WordDocument::WebOptions()
{
    return m_webOptions;
}

namespace {
std::atomic<int> g_exportTimeoutMs{180000};

// Linked pictures marked to be saved with the document are embedded when it is saved.
void embedSavedPictures(TDocument &doc)
{
    for (TParagraph *p : doc.Body.Paragraphs())
        for (auto &in : p->Inlines)
            if (in.Shape && !in.Shape->Deleted && in.Shape->SaveWithDocument)
                EmbedLinkedPicture(doc, *in.Shape);
}
} // namespace

void WordDocument::SaveAs(const QString &fileName, int fileFormat)
{
    TDocument &doc = m_state->model();
    if (fileFormat == wdFormatFilteredHTML) {
        THtmlOptions o;
        o.CodePage = m_webOptions.Encoding == 0 ? SystemCodePage() : m_webOptions.Encoding;
        o.FolderSuffix = m_webOptions.FolderSuffix;
        WriteFilteredHtml(doc, fileName, o);
    } else if (fileFormat == wdFormatXMLDocument || fileFormat == wdFormatDocument97) {
        embedSavedPictures(doc);
        if (fileFormat == wdFormatXMLDocument)
            WriteDocx(doc, fileName);
        else
            WriteDoc(doc, fileName, g_exportTimeoutMs);
    } else {
        throw Exception(QStringLiteral("Saving \"%1\" in format %2 is not supported by the document engine yet.")
                            .arg(QFileInfo(fileName).fileName())
                            .arg(fileFormat));
    }
    // Only a save that succeeded renames the document.
    m_state->FullName = QFileInfo(fileName).absoluteFilePath();
    m_state->SavedFormat = fileFormat;
    if (fileFormat == wdFormatXMLDocument)
        m_state->Package = m_state->FullName; // what an export reads is now this file
}

void WordDocument::Save()
{
    m_state->model(); // a closed document cannot be saved
    if (m_state->FullName.isEmpty())
        throw Exception(QStringLiteral("The document \"%1\" has never been saved: save it under a name first.").arg(Name()));
    int format = m_state->SavedFormat;
    if (format < 0) {
        switch (DetectDocumentFormat(m_state->FullName)) {
        case TDocumentFormat::Docx: format = wdFormatXMLDocument; break;
        case TDocumentFormat::Doc: format = wdFormatDocument97; break;
        default:
            throw Exception(QStringLiteral("The document \"%1\" cannot be saved in the format it was opened from: save it as .docx.").arg(Name()));
        }
    }
    SaveAs(m_state->FullName, format);
}

void WordDocument::SetExportTimeout(int milliseconds) { g_exportTimeoutMs = milliseconds; }

void WordDocument::ExportAsFixedFormat(const QString &outputFileName, int exportFormat, bool, int createBookmarks)
{
    m_state->model(); // a closed document cannot be exported
    if (exportFormat != wdExportFormatPDF)
        throw Exception(QStringLiteral("Exporting in format %1 is not supported by the document engine.").arg(exportFormat));
    if (!TLibreOffice::Available())
        throw Exception(QStringLiteral("This function needs LibreOffice to be installed!"));
    const QString target = QFileInfo(outputFileName).absoluteFilePath();
    QTemporaryDir privateFolder(QFileInfo(target).absolutePath() + QStringLiteral("/~tapdfXXXXXX"));
    if (!privateFolder.isValid())
        throw Exception(QStringLiteral("Cannot write the PDF file \"%1\": its folder cannot be written.").arg(outputFileName));

    // LibreOffice reads a package whose outside references point only at checked copies: it
    // would fetch linked pictures from anywhere, the network included, while it exports. A
    // document read through a conversion is exported from its converted package for the same
    // reason.
    TDocument &model = m_state->model();
    const TCarryRoots fallback(QStringList{model.LinkBase});
    TLibreOffice::TConversion c;
    c.Input = DetachPackage(m_state->Package.isEmpty() ? m_state->FullName : m_state->Package, privateFolder.path(), model.LinkBase,
                            model.CarryRoots ? *model.CarryRoots : fallback, model.Warnings);
    c.InputFilter = LibreOfficeInputFilter(DetectDocumentFormat(c.Input));
    c.OutputFolder = privateFolder.path();
    c.ConvertTo = createBookmarks ? QStringLiteral("pdf:writer_pdf_Export")
                                  : QStringLiteral("pdf:writer_pdf_Export:{\"ExportBookmarks\":{\"type\":\"boolean\",\"value\":\"false\"}}");
    c.DisplayName = QFileInfo(outputFileName).fileName();
    c.TimeoutMs = g_exportTimeoutMs;
    const QString written = TLibreOffice::Convert(c);

    // LibreOffice may leave a truncated file behind; only a PDF that starts like one is taken.
    QFile f(written);
    if (!f.open(QIODevice::ReadOnly) || !f.read(5).startsWith("%PDF-"))
        throw Exception(QStringLiteral("LibreOffice did not write a PDF file for \"%1\".").arg(c.DisplayName));
    f.close();
    if (!FileSystem().Rename(written, target))
        throw Exception(QStringLiteral("Cannot write the PDF file \"%1\".").arg(outputFileName));
}

void WordDocument::Close(int)
{
    if (!m_state || m_state->Closed)
        return;
    m_state->Closed = true;
    m_state->Model.reset();
    m_state->WorkFolder.reset();
}

bool WordDocument::BookmarkExists(const QString &name) const
{
    int paragraph = 0;
    size_t place = 0;
    return FirstBookmarkStart(m_state->story(), name, paragraph, place);
}

QStringList WordDocument::BookmarkNames() const
{
    QStringList out;
    for (TParagraph *p : m_state->story().Paragraphs())
        for (const auto &in : p->Inlines)
            if (in.Kind == TInlineKind::BookmarkStart)
                out << in.Text;
    return out;
}

QString WordDocument::FullName() const
{
    return m_state->FullName;
}

QString WordDocument::Name() const
{
    return m_state->FullName.isEmpty() ? m_state->model().FileName : QFileInfo(m_state->FullName).fileName();
}

QString WordDocument::Path() const
{
    return m_state->FullName.isEmpty() ? QString() : QFileInfo(m_state->FullName).absolutePath();
}

const TWarnings &WordDocument::Warnings() const
{
    return m_state->model().Warnings;
}

TDocument &WordDocument::Model()
{
    return m_state->model();
}

// --- documents and application -----------------------------------------------------------------

namespace {

// A word-processing document: .docx natively, the other formats through LibreOffice.
void openDocument(WordDocState &state, const QString &fileName, const QString &display, const WordOpenOptions &options)
{
    QFileInfo fi(fileName);
    TDocxOptions dx;
    dx.DisplayName = display;
    dx.LinkBase = options.LinkBase.isEmpty() ? fi.absolutePath() : options.LinkBase;

    TDocumentFormat format = DetectDocumentFormat(fileName);
    switch (format) {
    case TDocumentFormat::Docx:
        state.Model = ReadDocx(fileName, dx);
        state.Package = state.FullName;
        break;
    case TDocumentFormat::Doc:
    case TDocumentFormat::Rtf:
    case TDocumentFormat::Odt: {
        if (!TLibreOffice::Available())
            throw Exception(QStringLiteral("Your system cannot read \"%1\". Please install LibreOffice or choose a .docx file as the source.").arg(display));
        state.WorkFolder = std::make_unique<QTemporaryDir>(RunFolder() + QStringLiteral("doc-XXXXXX"));
        if (!state.WorkFolder->isValid())
            throw Exception(QStringLiteral("The document \"%1\" cannot be opened: no temporary folder.").arg(display));
        static const char *exts[] = {"", "", "odt", "doc", "rtf"};
        QString copy = state.WorkFolder->filePath(QStringLiteral("source.") + QLatin1String(exts[int(format)]));
        // Through the seam: a working copy of the author's text is made readable by the user alone.
        if (!FileSystem().CopyFile(fileName, copy))
            throw Exception(QStringLiteral("The document \"%1\" cannot be opened: it cannot be copied.").arg(display));
        TLibreOffice::TConversion c;
        c.Input = copy;
        c.OutputFolder = state.WorkFolder->path();
        c.ConvertTo = QStringLiteral("docx:MS Word 2007 XML");
        c.InputFilter = LibreOfficeInputFilter(format);
        c.DisplayName = display;
        QString out = TLibreOffice::Convert(c);
        try {
            state.Model = ReadDocx(out, dx);
            state.Package = out;
        } catch (const Exception &e) {
            throw Exception(QStringLiteral("LibreOffice could not convert \"%1\": its output cannot be read (%2)").arg(display, e.Message()));
        }
        break;
    }
    default:
        throw Exception(QStringLiteral("The document \"%1\" cannot be opened: it is not a Word document (.docx, .doc, .rtf or .odt).").arg(display));
    }
}

} // namespace

std::shared_ptr<WordDocument> Documents::Open(const QString &fileName, int format, bool visible)
{
    WordOpenOptions o;
    o.Format = format;
    o.Visible = visible;
    return Open(fileName, o);
}

std::shared_ptr<WordDocument> Documents::Open(const QString &fileName, const WordOpenOptions &options)
{
    QFileInfo fi(fileName);
    const QString display = options.DisplayName.isEmpty() ? fi.fileName() : options.DisplayName;
    if (!fi.isFile())
        throw Exception(QStringLiteral("The document \"%1\" cannot be opened: it does not exist.").arg(display));
    auto state = std::make_shared<WordDocState>();
    state->FullName = fi.absoluteFilePath();
    if (options.Format == wdOpenFormatWebPages) {
        THtmlReadOptions ho;
        ho.DisplayName = display;
        ho.AllowedFolder = options.AllowedFolder;
        ho.CodePage = options.CodePage;
        state->Model = ReadHtml(fileName, ho);
        if (!options.LinkBase.isEmpty())
            state->Model->LinkBase = options.LinkBase;
    } else {
        openDocument(*state, fileName, display, options);
    }

    if (!options.CarryFolders.isEmpty())
        state->Model->CarryRoots = TCarryRoots(options.CarryFolders);
    std::shared_ptr<WordDocument> d(new WordDocument);
    d->m_state = state;
    m_open.erase(std::remove_if(m_open.begin(), m_open.end(), [](const auto &w) { return w.expired(); }), m_open.end());
    m_open.push_back(d);
    return d;
}

std::shared_ptr<WordDocument> Documents::Add(bool)
{
    auto state = std::make_shared<WordDocState>();
    state->Model = std::make_unique<TDocument>();
    TDocument &m = *state->Model;
    m.FileName = QStringLiteral("Document");
    TStyle normal;
    normal.Id = QStringLiteral("Normal");
    normal.Name = QStringLiteral("Normal");
    normal.Type = TStyleType::Paragraph;
    normal.Default = true;
    m.Styles.Add(normal);
    m.Styles.DocRPr.Font = QStringLiteral("Times New Roman");
    m.Styles.DocRPr.Size = 24;
    auto p = std::make_unique<TParagraph>();
    p->Props = std::make_shared<const TParaProps>();
    p->Where = QStringLiteral("paragraph 1");
    m.Body.Blocks.push_back(TBlock{std::move(p), nullptr});
    m.Body.Reindex();
    m.LinkBase = QDir::currentPath();
    std::shared_ptr<WordDocument> d(new WordDocument);
    d->m_state = state;
    m_open.push_back(d);
    return d;
}

int Documents::Count() const
{
    int n = 0;
    for (const auto &w : m_open)
        if (auto d = w.lock())
            if (d->m_state && !d->m_state->Closed)
                ++n;
    return n;
}

WordApplication::WordApplication() = default;

WordApplication::~WordApplication()
{
    Quit(false);
}

void WordApplication::Quit(bool)
{
    for (auto &w : m_documents.m_open)
        if (auto d = w.lock())
            d->Close(0);
    m_documents.m_open.clear();
}

} // namespace tavrel
