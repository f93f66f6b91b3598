// Members of the object API that put marks into a document: breaks, bookmarks, fields,
// hyperlinks, tables of contents, and the links of linked pictures.
#include "text/OutsideFiles.h"
#include "word/engine/Edit.h"
#include "word/engine/Fields.h"
#include "word/engine/WordState.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <atomic>

namespace tavrel {

namespace {

TInline mark(TInlineKind kind, const std::shared_ptr<TFieldInfo> &f, const std::shared_ptr<const TRunProps> &props = nullptr)
{
    TInline in;
    in.Kind = kind;
    in.Field = f;
    in.Props = props;
    return in;
}

TInline text(const QString &t, const std::shared_ptr<const TRunProps> &props = nullptr)
{
    TInline in;
    in.Kind = TInlineKind::Text;
    in.Text = t;
    in.Props = props;
    return in;
}

// The inlines of a field: begin, code, and, unless it has none (XE), separator and result.
std::vector<TInline> fieldInlines(const std::shared_ptr<TFieldInfo> &f, const QString &code, bool hasResult,
                                  const QString &result, const std::shared_ptr<const TRunProps> &resultProps)
{
    std::vector<TInline> v;
    v.push_back(mark(TInlineKind::FieldBegin, f));
    v.push_back(text(QLatin1Char(' ') + code + QLatin1Char(' ')));
    if (hasResult) {
        v.push_back(mark(TInlineKind::FieldSeparator, f));
        if (!result.isEmpty())
            v.push_back(text(result, resultProps));
    }
    v.push_back(mark(TInlineKind::FieldEnd, f, resultProps));
    return v;
}

// Replaces the range's content by a field; ranges at its place move behind it.
std::shared_ptr<TFieldInfo> putField(WordDocState &d, WordRangeState &r, const QString &code, bool hasResult,
                                     const QString &result, const std::shared_ptr<const TRunProps> &resultProps = nullptr)
{
    if (r.End > r.Start) {
        auto [a, b] = DeleteRange(d.story(), r.Start, r.End);
        d.deleted(a, b);
    }
    auto f = std::make_shared<TFieldInfo>();
    const int pos = r.Start;
    const int n = InsertInlines(d.story(), pos, fieldInlines(f, code, hasResult, result, resultProps));
    d.inserted(pos, n, nullptr);
    return f;
}

// A field's whole span, marks included.
WordRange fieldRange(WordDocState &d, const TFieldInfo &f)
{
    TFieldSpan s = LocateField(d.story(), f);
    if (!s.Valid())
        throw Exception(QStringLiteral("The field has been deleted."));
    return d.makeRange(s.Begin, s.End + 1);
}

bool validBookmarkName(const QString &name)
{
    if (name.isEmpty() || name.size() > 40 || !(name[0].isLetter() || name[0] == QLatin1Char('_')))
        return false;
    for (QChar c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    return true;
}

void addBookmark(TStory &story, const QString &name, int from, int to)
{
    RemoveBookmark(story, name);
    TInline start;
    start.Kind = TInlineKind::BookmarkStart;
    start.Text = name;
    start.Id = NewBookmarkId();
    TInline end;
    end.Kind = TInlineKind::BookmarkEnd;
    end.Id = start.Id;
    if (from == to) {
        std::vector<TInline> both;
        both.push_back(std::move(start));
        both.push_back(std::move(end));
        InsertInlines(story, from, std::move(both));
        return;
    }
    InsertInlines(story, to, {end});
    InsertInlines(story, from, {start});
}

QStringList bookmarkNames(TStory &story, bool hidden)
{
    QStringList out;
    for (TParagraph *p : story.Paragraphs())
        for (const auto &in : p->Inlines)
            if (in.Kind == TInlineKind::BookmarkStart && (hidden || !in.Text.startsWith(QLatin1Char('_'))))
                out << in.Text;
    return out;
}

} // namespace

// --- breaks ------------------------------------------------------------------------------------

void WordRange::InsertBreak(int type)
{
    WordDocState &d = doc();
    TStory &s = d.story();
    if (type == wdPageBreak) {
        InsertAfter(QString(QChar(chars::PageBreak)));
        return;
    }
    if (type != wdSectionBreakNextPage)
        throw Exception(QStringLiteral("The break type %1 is not supported.").arg(type));
    // The break goes where the range ends, before the story's last mark at the latest.
    TLocation loc = Locate(s, m_state->End);
    TParagraph *p = s.ParagraphAt(loc.Paragraph);
    if (!p)
        return;
    const int pos = s.ParagraphStart(loc.Paragraph) + std::min(loc.Local, p->TextLength());
    // The section that is split: its page setup goes to both halves.
    const TSectionProps *current = &d.model().FinalSection;
    for (int i = loc.Paragraph; i < s.ParagraphCount(); ++i)
        if (s.ParagraphAt(i)->Section) {
            current = s.ParagraphAt(i)->Section.get();
            break;
        }
    auto section = std::make_unique<TSectionProps>(*current);
    section->Type = QStringLiteral("nextPage");
    const int n = InsertText(s, pos, QStringLiteral("\r"));
    s.ParagraphAt(loc.Paragraph)->Section = std::move(section);
    d.inserted(pos, n, m_state.get());
}

// --- bookmarks ---------------------------------------------------------------------------------

WordBookmarks WordDocument::Bookmarks() const
{
    m_state->model();
    WordBookmarks b;
    b.m_doc = m_state;
    return b;
}

WordBookmark WordBookmarks::Add(const QString &name, const WordRange &range)
{
    WordDocState &d = range.doc();
    if (&d != m_doc.get())
        throw Exception(QStringLiteral("The bookmark \"%1\" must mark a range of its own document.").arg(name));
    if (!validBookmarkName(name))
        throw Exception(QStringLiteral("Bad bookmark name: \"%1\".").arg(name));
    addBookmark(d.story(), name, range.m_state->Start, range.m_state->End);
    WordBookmark b;
    b.m_doc = m_doc;
    b.m_name = name;
    return b;
}

bool WordBookmarks::Exists(const QString &name) const
{
    int a = 0, b = 0;
    return LocateBookmark(m_doc->story(), name, a, b);
}

WordBookmark WordBookmarks::Item(const QString &name) const
{
    if (!Exists(name))
        throw Exception(QStringLiteral("The bookmark \"%1\" does not exist.").arg(name));
    WordBookmark b;
    b.m_doc = m_doc;
    b.m_name = name;
    return b;
}

int WordBookmarks::Count() const { return int(bookmarkNames(m_doc->story(), m_doc->ShowHiddenBookmarks).size()); }
bool WordBookmarks::ShowHidden() const { return m_doc->ShowHiddenBookmarks; }
void WordBookmarks::SetShowHidden(bool show)
{
    m_doc->model();
    m_doc->ShowHiddenBookmarks = show;
}

WordRange WordBookmark::Range() const
{
    int a = 0, b = 0;
    if (!LocateBookmark(m_doc->story(), m_name, a, b))
        throw Exception(QStringLiteral("The bookmark \"%1\" does not exist.").arg(m_name));
    return m_doc->makeRange(a, b);
}

void WordBookmark::Delete() { RemoveBookmark(m_doc->story(), m_name); }

// --- fields ------------------------------------------------------------------------------------

WordField WordFields::Add(const WordRange &range, int type, const QString &text, bool preserveFormatting)
{
    WordDocState &d = range.doc();
    if (m_doc && &d != m_doc.get())
        throw Exception(QStringLiteral("A field must go into a range of its own document."));
    QString keyword;
    switch (type) {
    case wdFieldEmpty: break;
    case wdFieldRef: keyword = QStringLiteral("REF"); break;
    case wdFieldIndexEntry: keyword = QStringLiteral("XE"); break;
    case wdFieldTOC: keyword = QStringLiteral("TOC"); break;
    case wdFieldPageRef: keyword = QStringLiteral("PAGEREF"); break;
    case wdFieldHyperlink: keyword = QStringLiteral("HYPERLINK"); break;
    default: throw Exception(QStringLiteral("The field type %1 is not supported.").arg(type));
    }
    QString code = keyword.isEmpty() ? text.trimmed() : (text.isEmpty() ? keyword : keyword + QLatin1Char(' ') + text.trimmed());
    if (preserveFormatting && type != wdFieldIndexEntry)
        code += QStringLiteral(" \\* MERGEFORMAT");
    // An index entry shows nothing and has no result.
    auto f = putField(d, *range.m_state, code, type != wdFieldIndexEntry, QString());
    WordField field(d.shared_from_this(), f);
    if (type != wdFieldIndexEntry)
        field.Update();
    return field;
}

// --- hyperlinks --------------------------------------------------------------------------------

WordHyperlinks WordDocument::Hyperlinks() const
{
    m_state->model();
    WordHyperlinks h;
    h.m_doc = m_state;
    return h;
}

WordHyperlink WordHyperlinks::Add(const WordRange &anchor, const QString &address, const QString &subAddress,
                                  const QString &screenTip, const QString &textToDisplay)
{
    WordDocState &d = anchor.doc();
    if (&d != m_doc.get())
        throw Exception(QStringLiteral("A hyperlink must go into a range of its own document."));
    if (address.isEmpty() && subAddress.isEmpty())
        throw Exception(QStringLiteral("A hyperlink needs an address or a bookmark."));
    QString shown = textToDisplay;
    if (shown.isEmpty())
        shown = anchor.Text();
    if (shown.isEmpty())
        shown = address.isEmpty() ? subAddress : address;
    shown.replace(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0a-\\x1f]")), QStringLiteral(" "));
    QString code = QStringLiteral("HYPERLINK");
    if (!address.isEmpty())
        code += QLatin1Char(' ') + QuoteFieldArgument(address);
    if (!subAddress.isEmpty())
        code += QStringLiteral(" \\l ") + QuoteFieldArgument(subAddress);
    if (!screenTip.isEmpty())
        code += QStringLiteral(" \\o ") + QuoteFieldArgument(screenTip);
    TRunProps rp;
    rp.Style = BuiltinStyleId(d.model(), wdStyleHyperlink);
    WordHyperlink h;
    h.m_doc = m_doc;
    h.m_field = putField(d, *anchor.m_state, code, true, shown, std::make_shared<const TRunProps>(rp));
    return h;
}

static std::vector<std::shared_ptr<TFieldInfo>> fieldsOfType(WordDocState &d, int type)
{
    std::vector<std::shared_ptr<TFieldInfo>> out;
    TStory &s = d.story();
    for (auto &f : FieldsIn(s, 0, s.Length()))
        if (FieldTypeOfCode(FieldCodeText(s, *f)) == type)
            out.push_back(f);
    return out;
}

int WordHyperlinks::Count() const { return int(fieldsOfType(*m_doc, wdFieldHyperlink).size()); }

WordHyperlink WordHyperlinks::Item(int index) const
{
    auto all = fieldsOfType(*m_doc, wdFieldHyperlink);
    if (index < 1 || index > int(all.size()))
        throw Exception(QStringLiteral("The hyperlink %1 does not exist.").arg(index));
    WordHyperlink h;
    h.m_doc = m_doc;
    h.m_field = all[size_t(index - 1)];
    return h;
}

QString WordHyperlink::Address() const
{
    TFieldCode c = ParseFieldCode(FieldCodeText(m_doc->story(), *m_field));
    return c.Arguments.value(0);
}

QString WordHyperlink::SubAddress() const
{
    return ParseFieldCode(FieldCodeText(m_doc->story(), *m_field)).Switch(QStringLiteral("\\l"));
}

QString WordHyperlink::TextToDisplay() const
{
    TFieldSpan s = LocateField(m_doc->story(), *m_field);
    return s.Valid() ? RangeText(m_doc->story(), s.ResultStart(), s.ResultEnd()) : QString();
}

// The whole field, so that a range collapsed to its end lies behind the link.
WordRange WordHyperlink::Range() const { return fieldRange(*m_doc, *m_field); }

// --- tables of contents ------------------------------------------------------------------------

namespace {

QString tocCode(const WordTocOptions &o)
{
    QString code = QStringLiteral("TOC");
    if (o.UseHeadingStyles)
        code += QStringLiteral(" \\o \"%1-%2\"").arg(std::clamp(o.UpperHeadingLevel, 1, 9)).arg(std::clamp(o.LowerHeadingLevel, 1, 9));
    if (o.UseHyperlinks)
        code += QStringLiteral(" \\h");
    if (o.HidePageNumbersInWeb)
        code += QStringLiteral(" \\z");
    if (!o.IncludePageNumbers)
        code += QStringLiteral(" \\n");
    if (o.UseOutlineLevels)
        code += QStringLiteral(" \\u");
    return code;
}

// A hidden bookmark over a heading's text, made when it has none, for the entry to link to.
QString headingBookmark(TStory &s, TParagraph &p)
{
    for (const auto &in : p.Inlines)
        if (in.Kind == TInlineKind::BookmarkStart && in.Text.startsWith(QLatin1String("_Toc")))
            return in.Text;
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("_Toc%1").arg(100000000 + counter.fetch_add(1));
    const int start = s.ParagraphStart(p.Index);
    addBookmark(s, name, start, start + p.TextLength());
    return name;
}

// The paragraphs of a stored result: one per heading of the levels, each a link to its heading.
std::vector<TBlock> tocBlocks(WordDocState &d, const std::shared_ptr<TFieldInfo> &f, const QString &code, int upper, int lower)
{
    TDocument &m = d.model();
    TStory &s = m.Body;
    struct Entry
    {
        int Level;
        QString Text, Bookmark;
    };
    std::vector<Entry> entries;
    for (TParagraph *p : std::vector<TParagraph *>(s.Paragraphs())) {
        const int level = OutlineLevel(m, *p);
        if (level < upper || level > lower)
            continue;
        const int start = s.ParagraphStart(p->Index);
        QString t = RangeText(s, start, start + p->TextLength());
        t.remove(QRegularExpression(QStringLiteral("\\x13[^\\x14\\x15]*\\x14?|[\\x00-\\x08\\x0b-\\x1f]")));
        t = t.simplified();
        if (t.isEmpty())
            continue;
        entries.push_back({level, t, headingBookmark(s, *p)});
    }
    const auto link = std::make_shared<const TRunProps>([&] {
        TRunProps r;
        r.Style = BuiltinStyleId(m, wdStyleHyperlink);
        return r;
    }());
    std::vector<TBlock> blocks;
    auto paragraph = [&](const QString &style) {
        auto p = std::make_unique<TParagraph>();
        TParaProps pp;
        pp.Style = style;
        p->Props = std::make_shared<const TParaProps>(pp);
        p->Where = QStringLiteral("table of contents");
        blocks.push_back(TBlock{std::move(p), nullptr});
        return blocks.back().Paragraph.get();
    };
    TParagraph *first = nullptr;
    for (const Entry &e : entries) {
        TParagraph *p = paragraph(BuiltinStyleId(m, wdStyleTOC1 - (e.Level - 1)));
        if (!first) {
            first = p;
            for (auto &in : fieldInlines(f, code, true, QString(), nullptr))
                if (in.Kind != TInlineKind::FieldEnd)
                    p->Inlines.push_back(std::move(in));
        }
        auto lf = std::make_shared<TFieldInfo>();
        for (auto &in : fieldInlines(lf, QStringLiteral("HYPERLINK \\l ") + QuoteFieldArgument(e.Bookmark), true, e.Text, link))
            p->Inlines.push_back(std::move(in));
    }
    if (!first) {
        first = paragraph(BuiltinStyleId(m, wdStyleNormal));
        for (auto &in : fieldInlines(f, code, true, QStringLiteral("No table of contents entries found."), nullptr))
            if (in.Kind != TInlineKind::FieldEnd)
                first->Inlines.push_back(std::move(in));
    }
    blocks.back().Paragraph->Inlines.push_back(mark(TInlineKind::FieldEnd, f));
    return blocks;
}

std::shared_ptr<TFieldInfo> putToc(WordDocState &d, int pos, const QString &code, int upper, int lower)
{
    auto f = std::make_shared<TFieldInfo>();
    std::vector<TBlock> blocks = tocBlocks(d, f, code, upper, lower);
    const int n = InsertBlocks(d.story(), pos, std::move(blocks), false);
    d.inserted(pos, n, nullptr);
    return f;
}

} // namespace

WordTablesOfContents WordDocument::TablesOfContents() const
{
    m_state->model();
    WordTablesOfContents t;
    t.m_doc = m_state;
    return t;
}

WordTableOfContents WordTablesOfContents::Add(const WordRange &range, const WordTocOptions &options)
{
    WordDocState &d = range.doc();
    if (&d != m_doc.get())
        throw Exception(QStringLiteral("A table of contents must go into a range of its own document."));
    if (range.m_state->End > range.m_state->Start) {
        auto [a, b] = DeleteRange(d.story(), range.m_state->Start, range.m_state->End);
        d.deleted(a, b);
    }
    const int upper = std::clamp(options.UpperHeadingLevel, 1, 9);
    const int lower = std::clamp(options.LowerHeadingLevel, upper, 9);
    WordTableOfContents t;
    t.m_doc = m_doc;
    t.m_field = putToc(d, range.m_state->Start, tocCode(options), upper, lower);
    return t;
}

int WordTablesOfContents::Count() const { return int(fieldsOfType(*m_doc, wdFieldTOC).size()); }

WordTableOfContents WordTablesOfContents::Item(int index) const
{
    auto all = fieldsOfType(*m_doc, wdFieldTOC);
    if (index < 1 || index > int(all.size()))
        throw Exception(QStringLiteral("The table of contents %1 does not exist.").arg(index));
    WordTableOfContents t;
    t.m_doc = m_doc;
    t.m_field = all[size_t(index - 1)];
    return t;
}

// The whole field, so that a range collapsed to its end lies behind the table.
WordRange WordTableOfContents::Range() const { return fieldRange(*m_doc, *m_field); }

void WordTableOfContents::Update()
{
    WordDocState &d = *m_doc;
    TStory &s = d.story();
    const QString code = FieldCodeText(s, *m_field).trimmed();
    TFieldSpan span = LocateField(s, *m_field);
    if (!span.Valid())
        throw Exception(QStringLiteral("The table of contents has been deleted."));
    TFieldCode c = ParseFieldCode(code);
    const QString levels = c.Switch(QStringLiteral("\\o"));
    const int upper = std::clamp(levels.section('-', 0, 0).toInt(), 1, 9);
    const int lower = std::clamp(levels.section('-', 1, 1).toInt(), upper, 9);
    auto [a, b] = DeleteRange(s, span.Begin, span.End + 1);
    d.deleted(a, b);
    m_field = putToc(d, a, code, levels.isEmpty() ? 1 : upper, levels.isEmpty() ? 9 : lower);
}

// --- links of pictures -------------------------------------------------------------------------

bool EmbedLinkedPicture(TDocument &doc, TShape &s)
{
    if (!s.MediaPart.isEmpty() || s.LinkTarget.isEmpty())
        return !s.MediaPart.isEmpty();
    QString path = s.LinkTarget;
    if (path.startsWith(QLatin1String("file:///")))
        path = QUrl(path).toLocalFile();
    if (QFileInfo(path).isRelative())
        path = QDir(doc.LinkBase).filePath(path);
    const TCarryRoots fallback(QStringList{doc.LinkBase});
    TOutsideFile f = ReadOutsideFile(path, kMaxOutsideFile, doc.CarryRoots ? &*doc.CarryRoots : &fallback);
    if (!f.Ok()) {
        doc.Warn(QStringLiteral("link kept"), QStringLiteral("A linked picture stays linked: \"%1\" %2").arg(s.LinkTarget, f.Error), s.Where);
        return false;
    }
    QString ext = QFileInfo(f.Path).suffix().toLower();
    if (ext.isEmpty() || ext.size() > 5 || !ext.contains(QRegularExpression(QStringLiteral("^[a-z0-9]+$"))))
        ext = QStringLiteral("bin");
    QString part;
    for (int n = int(doc.Media.size()) + 1;; ++n) {
        part = QStringLiteral("word/media/image%1.%2").arg(n).arg(ext);
        if (!doc.Media.count(part))
            break;
    }
    TMediaPart mp;
    mp.Data = f.Data;
    doc.Media[part] = std::move(mp);
    s.MediaPart = part;
    return true;
}

bool WordShape::SavePictureWithDocument() const { return m_shape->SaveWithDocument; }
void WordShape::SetSavePictureWithDocument(bool save) { m_shape->SaveWithDocument = save; }

void WordShape::BreakLink()
{
    TDocument &doc = m_doc->model();
    TShape &s = *m_shape;
    if (s.LinkTarget.isEmpty())
        return;
    // The picture is embedded whether or not it was marked to be saved: a broken link that
    // dropped the picture would lose it.
    if (s.MediaPart.isEmpty() && !EmbedLinkedPicture(doc, s))
        return;
    s.LinkTarget.clear();
}

} // namespace tavrel
