// Formatting members of the object API: fonts and paragraph formats of ranges and styles, the
// style collection and the page setup.
#include "word/engine/Edit.h"
#include "word/engine/WordState.h"

#include <cmath>

namespace tavrel {

namespace {

// "RRGGBB" <-> Word's 0x00BBGGRR.
int wordColor(const std::optional<QString> &rgb)
{
    bool ok = false;
    const uint v = rgb ? rgb->toUInt(&ok, 16) : 0;
    if (!ok || rgb->size() != 6)
        return wdColorAutomatic;
    return int(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
}

QString rgbOf(int color)
{
    if (color == wdColorAutomatic || color < 0)
        return QStringLiteral("auto");
    const uint v = uint(color);
    const uint rgb = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
    return QStringLiteral("%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
}

// The run formatting in effect at a position: defaults, paragraph style, character style, direct.
TRunProps runPropsAt(TDocument &doc, int pos)
{
    TStory &s = doc.Body;
    TRunProps r = doc.Styles.DocRPr;
    TLocation loc = Locate(s, pos);
    TParagraph *p = s.ParagraphAt(loc.Paragraph);
    if (!p)
        return r;
    const QString pstyle = p->StyleId().isEmpty() ? doc.Styles.DefaultStyleId(TStyleType::Paragraph) : p->StyleId();
    r.Overlay(doc.Styles.ChainRPr(pstyle));
    const TRunProps *direct = p->MarkProps.get();
    int acc = 0;
    for (const auto &in : p->Inlines) {
        if (in.Kind == TInlineKind::Text && acc + in.Length() > loc.Local) {
            direct = in.Props.get();
            break;
        }
        acc += in.Length();
    }
    if (direct) {
        if (direct->Style)
            r.Overlay(doc.Styles.ChainRPr(*direct->Style));
        r.Overlay(*direct);
    }
    return r;
}

void changeStyle(TDocument &doc, const QString &id, const std::function<void(TStyle &)> &change)
{
    const TStyle *s = doc.Styles.Find(id);
    if (!s)
        throw Exception(QStringLiteral("The style \"%1\" does not exist.").arg(id));
    TStyle copy = *s;
    change(copy);
    doc.Styles.Replace(std::move(copy)); // drops the resolved caches too
}

void changeParagraphs(WordDocState &d, const WordRangeState &r, const std::function<void(TParaProps &)> &change)
{
    TStory &s = d.story();
    int first = s.IndexOfPosition(r.Start), last = s.IndexOfPosition(std::max(r.Start, r.End - 1));
    for (int i = first; i <= last && i >= 0; ++i) {
        TParagraph *p = s.ParagraphAt(i);
        TParaProps np = *p->Props;
        change(np);
        p->Props = std::make_shared<const TParaProps>(np);
    }
}

const char *const kAlignments[] = {"left", "center", "right", "both"};

int alignmentNumber(const std::optional<QString> &a)
{
    if (!a)
        return wdAlignParagraphLeft;
    for (int i = 0; i < 4; ++i)
        if (*a == QLatin1String(kAlignments[i]))
            return i;
    if (*a == QLatin1String("start"))
        return wdAlignParagraphLeft;
    if (*a == QLatin1String("end"))
        return wdAlignParagraphRight;
    return wdAlignParagraphJustify; // distribute and the like
}

} // namespace

// --- fonts -------------------------------------------------------------------------------------

WordDocState &WordFont::doc() const
{
    if (!m_doc)
        throw Exception(QStringLiteral("The font is not set."));
    m_doc->model();
    return *m_doc;
}

static TRunProps fontProps(WordDocState &d, const std::shared_ptr<WordRangeState> &range, const QString &style)
{
    if (range)
        return runPropsAt(d.model(), range->Start);
    TRunProps r = d.model().Styles.DocRPr;
    r.Overlay(d.model().Styles.ChainRPr(style));
    return r;
}

static void changeFont(WordDocState &d, const std::shared_ptr<WordRangeState> &range, const QString &style,
                       const std::function<void(TRunProps &)> &change)
{
    if (range)
        ChangeRunProps(d.story(), range->Start, range->End, change);
    else
        changeStyle(d.model(), style, [&](TStyle &s) { change(s.RPr); });
}

QString WordFont::Name() const { return fontProps(doc(), m_range, m_style).Font.value_or(QString()); }
void WordFont::SetName(const QString &name)
{
    changeFont(doc(), m_range, m_style, [&](TRunProps &r) {
        r.Font = name;
        r.FontComplex = name;
    });
}
int WordFont::Color() const { return wordColor(fontProps(doc(), m_range, m_style).Color); }
void WordFont::SetColor(int color)
{
    const QString rgb = rgbOf(color);
    changeFont(doc(), m_range, m_style, [&](TRunProps &r) { r.Color = rgb; });
}
double WordFont::Size() const { return fontProps(doc(), m_range, m_style).Size.value_or(20) / 2.0; }
void WordFont::SetSize(double points)
{
    if (!(points >= 1 && points <= 1638))
        throw Exception(QStringLiteral("The font size %1 is out of range.").arg(points));
    const int half = int(std::lround(points * 2));
    changeFont(doc(), m_range, m_style, [&](TRunProps &r) { r.Size = half; });
}
bool WordFont::Bold() const { return fontProps(doc(), m_range, m_style).Bold.value_or(false); }
void WordFont::SetBold(bool bold)
{
    changeFont(doc(), m_range, m_style, [&](TRunProps &r) { r.Bold = bold; });
}
bool WordFont::Italic() const { return fontProps(doc(), m_range, m_style).Italic.value_or(false); }
void WordFont::SetItalic(bool italic)
{
    changeFont(doc(), m_range, m_style, [&](TRunProps &r) { r.Italic = italic; });
}

WordFont WordRange::Font() const
{
    WordFont f;
    f.m_doc = doc().shared_from_this();
    f.m_range = m_state;
    return f;
}

// --- paragraph formats -------------------------------------------------------------------------

WordDocState &WordParagraphFormat::doc() const
{
    if (!m_doc)
        throw Exception(QStringLiteral("The paragraph format is not set."));
    m_doc->model();
    return *m_doc;
}

WordParagraphFormat WordRange::ParagraphFormat() const
{
    WordParagraphFormat f;
    f.m_doc = doc().shared_from_this();
    f.m_range = m_state;
    return f;
}

static TParagraph *firstParagraph(WordDocState &d, const WordRangeState &r)
{
    TStory &s = d.story();
    return s.ParagraphAt(s.IndexOfPosition(r.Start));
}

int WordParagraphFormat::OutlineLevel() const
{
    WordDocState &d = doc();
    if (!m_range)
        return d.model().Styles.StyleOutlineLevel(m_style);
    TParagraph *p = firstParagraph(d, *m_range);
    return p ? engine::OutlineLevel(d.model(), *p) : 10;
}

void WordParagraphFormat::SetOutlineLevel(int level)
{
    WordDocState &d = doc();
    const int stored = std::clamp(level, 1, 10) - 1;
    if (m_range)
        changeParagraphs(d, *m_range, [&](TParaProps &p) { p.OutlineLevel = stored; });
    else
        changeStyle(d.model(), m_style, [&](TStyle &s) { s.PPr.OutlineLevel = stored; });
}

int WordParagraphFormat::Alignment() const
{
    WordDocState &d = doc();
    TStyleSheet &st = d.model().Styles;
    if (!m_range) {
        TParaProps p = st.DocPPr;
        p.Overlay(st.ChainPPr(m_style));
        return alignmentNumber(p.Align);
    }
    TParagraph *para = firstParagraph(d, *m_range);
    if (!para)
        return wdAlignParagraphLeft;
    if (para->Props->Align)
        return alignmentNumber(para->Props->Align);
    TParaProps p = st.DocPPr;
    p.Overlay(st.ChainPPr(para->StyleId().isEmpty() ? st.DefaultStyleId(TStyleType::Paragraph) : para->StyleId()));
    return alignmentNumber(p.Align);
}

void WordParagraphFormat::SetAlignment(int alignment)
{
    if (alignment < 0 || alignment > 3)
        throw Exception(QStringLiteral("The paragraph alignment %1 is not known.").arg(alignment));
    WordDocState &d = doc();
    const QString a = QLatin1String(kAlignments[alignment]);
    if (m_range)
        changeParagraphs(d, *m_range, [&](TParaProps &p) { p.Align = a; });
    else
        changeStyle(d.model(), m_style, [&](TStyle &s) { s.PPr.Align = a; });
}

QString WordParagraphFormat::Style() const
{
    WordDocState &d = doc();
    if (!m_range) {
        const TStyle *s = d.model().Styles.Find(m_style);
        return s ? s->Name : m_style;
    }
    return WordRange(m_range).StyleName();
}

void WordParagraphFormat::SetStyle(const QString &name)
{
    WordDocState &d = doc();
    if (!m_range) {
        const TStyle *base = d.model().Styles.FindByName(name);
        if (!base)
            base = d.model().Styles.Find(name);
        if (!base)
            throw Exception(QStringLiteral("The style \"%1\" does not exist.").arg(name));
        const QString id = base->Id;
        changeStyle(d.model(), m_style, [&](TStyle &s) { s.BasedOn = id; });
        return;
    }
    WordRange(m_range).SetStyle(name);
}

// --- styles ------------------------------------------------------------------------------------

QString WordStyle::NameLocal() const
{
    const TStyle *s = m_doc->model().Styles.Find(m_id);
    return s ? s->Name : m_id;
}

WordFont WordStyle::Font() const
{
    m_doc->model();
    WordFont f;
    f.m_doc = m_doc;
    f.m_style = m_id;
    return f;
}

WordParagraphFormat WordStyle::ParagraphFormat() const
{
    m_doc->model();
    WordParagraphFormat f;
    f.m_doc = m_doc;
    f.m_style = m_id;
    return f;
}

int WordStyles::Count() const { return m_doc->model().Styles.Count(); }

WordStyle WordStyles::Item(const QString &name) const
{
    TStyleSheet &st = m_doc->model().Styles;
    const TStyle *s = st.FindByName(name);
    if (!s)
        s = st.Find(name);
    if (!s)
        throw Exception(QStringLiteral("The style \"%1\" does not exist.").arg(name));
    WordStyle w;
    w.m_doc = m_doc;
    w.m_id = s->Id;
    return w;
}

WordStyle WordStyles::Item(int builtin) const
{
    WordStyle w;
    w.m_doc = m_doc;
    w.m_id = BuiltinStyleId(m_doc->model(), builtin);
    return w;
}

// --- page setup --------------------------------------------------------------------------------

namespace {

struct TPaper
{
    int Number, Width, Height; // twips, portrait
};

const TPaper kPapers[] = {
    {wdPaperLetter, 12240, 15840}, {wdPaperLegal, 12240, 20160}, {wdPaperExecutive, 10440, 15120},
    {wdPaperA3, 16838, 23811},     {wdPaperA4, 11906, 16838},    {wdPaperA5, 8391, 11906},
    {wdPaperB4, 14570, 20636},     {wdPaperB5, 10318, 14570},    {wdPaper11x17, 15840, 24480},
};

int twips(double points)
{
    if (!(points >= 0 && points <= 22 * 72 * 20))
        throw Exception(QStringLiteral("The page measure %1 points is out of range.").arg(points));
    return int(std::lround(points * 20));
}

// Every section's page takes the change, as Word's document-wide page setup does.
void everySection(TDocument &doc, const std::function<void(TSectionProps &)> &change)
{
    for (TParagraph *p : doc.Body.Paragraphs())
        if (p->Section)
            change(*p->Section);
    change(doc.FinalSection);
}

} // namespace

int WordPageSetup::PaperSize() const
{
    const TSectionProps &s = m_doc->model().FinalSection;
    const int w = std::min(s.PageWidth, s.PageHeight), h = std::max(s.PageWidth, s.PageHeight);
    for (const TPaper &p : kPapers)
        if (std::abs(p.Width - w) <= 20 && std::abs(p.Height - h) <= 20)
            return p.Number;
    return wdPaperCustom;
}

void WordPageSetup::SetPaperSize(int size)
{
    for (const TPaper &p : kPapers)
        if (p.Number == size) {
            everySection(m_doc->model(), [&](TSectionProps &s) {
                s.PageWidth = s.Landscape ? p.Height : p.Width;
                s.PageHeight = s.Landscape ? p.Width : p.Height;
            });
            return;
        }
    // Custom and the sizes not listed keep the current page: the caller sets the measures.
    if (size < 0 || size > wdPaperCustom)
        throw Exception(QStringLiteral("The paper size %1 is not known.").arg(size));
}

double WordPageSetup::PageWidth() const { return m_doc->model().FinalSection.PageWidth / 20.0; }
double WordPageSetup::PageHeight() const { return m_doc->model().FinalSection.PageHeight / 20.0; }
double WordPageSetup::TopMargin() const { return m_doc->model().FinalSection.MarginTop / 20.0; }
double WordPageSetup::BottomMargin() const { return m_doc->model().FinalSection.MarginBottom / 20.0; }
double WordPageSetup::LeftMargin() const { return m_doc->model().FinalSection.MarginLeft / 20.0; }
double WordPageSetup::RightMargin() const { return m_doc->model().FinalSection.MarginRight / 20.0; }

void WordPageSetup::SetPageWidth(double points)
{
    const int t = twips(points);
    everySection(m_doc->model(), [&](TSectionProps &s) { s.PageWidth = t; });
}
void WordPageSetup::SetPageHeight(double points)
{
    const int t = twips(points);
    everySection(m_doc->model(), [&](TSectionProps &s) { s.PageHeight = t; });
}
void WordPageSetup::SetTopMargin(double points)
{
    const int t = twips(points);
    everySection(m_doc->model(), [&](TSectionProps &s) { s.MarginTop = t; });
}
void WordPageSetup::SetBottomMargin(double points)
{
    const int t = twips(points);
    everySection(m_doc->model(), [&](TSectionProps &s) { s.MarginBottom = t; });
}
void WordPageSetup::SetLeftMargin(double points)
{
    const int t = twips(points);
    everySection(m_doc->model(), [&](TSectionProps &s) { s.MarginLeft = t; });
}
void WordPageSetup::SetRightMargin(double points)
{
    const int t = twips(points);
    everySection(m_doc->model(), [&](TSectionProps &s) { s.MarginRight = t; });
}

WordStyles WordDocument::Styles() const
{
    m_state->model();
    WordStyles s;
    s.m_doc = m_state;
    return s;
}

WordPageSetup WordDocument::PageSetup() const
{
    m_state->model();
    WordPageSetup s;
    s.m_doc = m_state;
    return s;
}

} // namespace tavrel

namespace tavrel {

QString BuiltinStyleId(TDocument &doc, int builtin)
{
    TStyleSheet &st = doc.Styles;
    if (builtin == wdStyleNormal) {
        const QString id = st.DefaultStyleId(TStyleType::Paragraph);
        return id.isEmpty() ? st.EnsureBuiltin(QStringLiteral("Normal")) : id;
    }
    if (builtin <= -2 && builtin >= -10)
        return st.EnsureBuiltin(QStringLiteral("heading ") + QString::number(-builtin - 1));
    if (builtin <= -11 && builtin >= -19)
        return st.EnsureBuiltin(QStringLiteral("index ") + QString::number(-builtin - 10));
    if (builtin <= -20 && builtin >= -28)
        return st.EnsureBuiltin(QStringLiteral("toc ") + QString::number(-builtin - 19));
    if (builtin == wdStyleHyperlink)
        return st.EnsureBuiltin(QStringLiteral("Hyperlink"));
    throw Exception(QStringLiteral("The built-in style %1 is not known.").arg(builtin));
}

} // namespace tavrel
