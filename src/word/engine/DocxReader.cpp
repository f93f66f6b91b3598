#include "word/engine/DocxReader.h"

#include "text/Exceptions.h"
#include "word/engine/Fields.h"
#include "word/engine/Symbols.h"
#include "word/engine/Xml.h"

#include <QColor>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <cmath>
#include <cstring>
#include <functional>

namespace tavrel::engine {

using pugi::xml_node;

// --- relationships ------------------------------------------------------------------------------

const TRelationship *TRelationships::Find(const QString &id) const
{
    auto it = ById.find(id);
    return it == ById.end() ? nullptr : &it->second;
}

const TRelationship *TRelationships::FirstOfKind(const QString &kind) const
{
    const TRelationship *best = nullptr;
    for (const auto &[id, r] : ById)
        if (r.Kind() == kind && !r.External)
            if (!best)
                best = &r;
    return best;
}

namespace {

QString folderOf(const QString &part)
{
    int i = part.lastIndexOf('/');
    return i < 0 ? QString() : part.left(i + 1);
}

QString relsPartOf(const QString &part)
{
    if (part.isEmpty())
        return QStringLiteral("_rels/.rels");
    int i = part.lastIndexOf('/');
    return part.left(i + 1) + QStringLiteral("_rels/") + part.mid(i + 1) + QStringLiteral(".rels");
}

bool isUrlWithScheme(const QString &s)
{
    // Two letters at least, so "C:\x" stays a path.
    int colon = s.indexOf(':');
    if (colon < 2)
        return false;
    for (int i = 0; i < colon; ++i) {
        QChar c = s[i];
        if (!(c.isLetterOrNumber() || c == '+' || c == '-' || c == '.') || c.unicode() > 127)
            return false;
    }
    return s[0].isLetter();
}

} // namespace

QString ResolvePartName(const QString &sourcePart, const QString &target)
{
    QString t = target;
    t.replace('\\', '/');
    int hash = t.indexOf('#');
    if (hash >= 0)
        t = t.left(hash);
    QString path = t.startsWith('/') ? t.mid(1) : folderOf(sourcePart) + t;
    QStringList out;
    for (const QString &seg : path.split('/')) {
        if (seg.isEmpty() || seg == QLatin1String("."))
            continue;
        if (seg == QLatin1String("..")) {
            if (out.isEmpty())
                return QString();
            out.removeLast();
            continue;
        }
        out << seg;
    }
    // A name no package entry can have (a drive, a NUL) names no part.
    const QString part = out.join('/');
    return IsSafeEntryName(part) ? part : QString();
}

TRelationships ReadRelationshipsPart(const QByteArray &xml, const QString &sourcePart, const QString &fileName)
{
    TRelationships rels;
    auto doc = ParseXmlPart(xml, fileName, relsPartOf(sourcePart));
    for (xml_node r = doc->document_element().child("Relationship"); r; r = r.next_sibling("Relationship")) {
        TRelationship rel;
        rel.Id = XStr(r, "Id");
        rel.Type = XStr(r, "Type");
        rel.Target = XStr(r, "Target");
        rel.External = XStr(r, "TargetMode").compare(QLatin1String("External"), Qt::CaseInsensitive) == 0;
        if (rel.Id.isEmpty())
            continue;
        if (!rel.External)
            rel.Part = ResolvePartName(sourcePart, rel.Target);
        rels.ById.emplace(rel.Id, rel);
    }
    return rels;
}

// --- the reader ---------------------------------------------------------------------------------

namespace {

constexpr int kMaxTableDepth = 40;

QString cleanText(const char *utf8)
{
    QString s = QString::fromUtf8(utf8);
    for (auto &c : s)
        if (c.unicode() < 0x20 && c != '\t')
            c = ' ';
        else if (c == '\t')
            c = QChar(chars::Tab);
    return s;
}

QString themeKey(const QString &theme)
{
    // "minorHAnsi", "majorEastAsia", "minorBidi" ...
    return theme;
}

struct Context
{
    QString Part;
    TRelationships Rels;
    TStory *Story = nullptr;
    int ParagraphNo = 0;
    std::vector<std::shared_ptr<TFieldInfo>> Fields; // open fields, innermost last
    std::vector<bool> InResult;                       // parallel to Fields
    std::vector<TInline> Carry;                       // inlines of a paragraph whose mark was deleted
    std::vector<TInline> PendingMarks;                // block-level bookmarks for the next paragraph
    bool NoteStory = false;
};

class Reader
{
public:
    Reader(TDocument &doc, TZipReader *zip, const QString &fileName) : m_doc(doc), m_zip(zip), m_file(fileName) {}

    void ReadPackage();
    void ReadStylesRoot(xml_node root);
    void ReadNumberingRoot(xml_node root);
    void ReadDocumentRoot(xml_node root, Context &ctx);

private:
    // parts
    QByteArray partBytes(const QString &part);
    std::unique_ptr<TXmlPart> optionalPart(const QString &part);
    TRelationships relsOf(const QString &part);
    void readTheme(xml_node root);
    void readFontTable(xml_node root);
    void readSettings(xml_node root);
    void readNotes(const QString &part, bool endnotes);
    void readComments(const QString &part);
    void readHeaderFooter(const QString &part, bool footer);

    // blocks
    void readBlocks(xml_node parent, std::vector<TBlock> &out, int depth);
    void finishStory(std::vector<TBlock> &blocks);
    void flushCarry(std::vector<TBlock> &out);
    void readParagraph(xml_node p, std::vector<TBlock> &out);
    void readTable(xml_node tbl, std::vector<TBlock> &out, int depth);
    void readRow(xml_node tr, TTable &t, int depth);
    void readCell(xml_node tc, TRow &row, int depth);
    std::unique_ptr<TSectionProps> readSection(xml_node sect);

    // inlines
    void readContent(xml_node parent, TParagraph &para, int depth);
    void readRun(xml_node r, TParagraph &para, int depth);
    void readRunChild(xml_node c, TParagraph &para, const std::shared_ptr<const TRunProps> &props, int depth,
                      bool &customMark);
    void readHyperlink(xml_node h, TParagraph &para, int depth);
    void readSimpleField(xml_node f, TParagraph &para, int depth);
    void readAsField(xml_node n, TParagraph &para, int depth, const QString &code, const std::shared_ptr<TFieldInfo> &f);
    void fieldChar(xml_node fc, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    void appendText(TParagraph &para, const QString &text, const std::shared_ptr<const TRunProps> &props);
    void appendMark(TParagraph &para, TInlineKind kind, const std::shared_ptr<TFieldInfo> &f,
                    const std::shared_ptr<const TRunProps> &props);
    void readMath(xml_node m, TParagraph &para);
    xml_node chooseAlternate(xml_node ac);

    // shapes
    void readDrawing(xml_node d, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    std::shared_ptr<TShape> readDrawingObject(xml_node n, bool floating, const QString &where);
    void readGraphic(xml_node graphicData, TShape &s, const QString &where, int depth);
    void readShapeProps(xml_node spPr, TShape &s);
    void readShapeStyle(xml_node style, TShape &s);
    void readBodyProps(xml_node bodyPr, TShape &s);
    void readGroupTransform(xml_node grpSpPr, TShape &s);
    QString colorOf(xml_node parent) const;
    void readChartText(const QString &relId, TShape &s, bool diagram);
    void readPictureElement(xml_node pic, TShape &s, const QString &where);
    void readVml(xml_node pict, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    std::shared_ptr<TShape> readVmlShape(xml_node v, const QString &where, int depth);
    void readObject(xml_node obj, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    void readControl(xml_node control, TShape &s);
    void pushShape(TParagraph &para, std::shared_ptr<TShape> s, const std::shared_ptr<const TRunProps> &props);
    QString mediaFor(const QString &relId, const QString &where);
    void readLink(const QString &relId, TShapeHyperlink &link, const QString &tooltip, const QString &frame);
    std::unique_ptr<TStory> readTextBox(xml_node txbxContent);

    // properties
    TParaProps readPPr(xml_node ppr);
    TRunProps readRPr(xml_node rpr);
    std::shared_ptr<const TRunProps> internRPr(xml_node rpr);
    std::shared_ptr<const TParaProps> internPPr(xml_node ppr);
    TTableProps readTblPr(xml_node tblPr);
    TCellProps readTcPr(xml_node tcPr);
    TRowProps readTrPr(xml_node trPr);
    TBorder readBorder(xml_node b);
    TShading readShading(xml_node s);
    TWidth readWidth(xml_node w);
    void readTableBorders(xml_node b, TTableBorders &out);
    void readMargins(xml_node m, TMargins &out);
    TNumLevel readLevel(xml_node lvl);
    QString fontFrom(xml_node rFonts, const char *attr, const char *themeAttr);

    QString where() const { return m_ctx->Part + QStringLiteral(", paragraph ") + QString::number(m_ctx->ParagraphNo); }
    void warn(const QString &kind, const QString &what) { m_doc.Warn(kind, what, where()); }

    TDocument &m_doc;
    TZipReader *m_zip;
    QString m_file;
    Context *m_ctx = nullptr;
    QHash<QString, QString> m_themeFonts;
    QHash<QString, QString> m_themeColors; // scheme colour name -> "RRGGBB"
    // Formatting met again is shared: most runs and paragraphs of a document repeat a few
    // property sets, and the writer then computes each set's styles once.
    QHash<QByteArray, std::shared_ptr<const TRunProps>> m_runProps;
    QHash<QByteArray, std::shared_ptr<const TParaProps>> m_paraProps;
};

// --- parts ---------------------------------------------------------------------------------------

QByteArray Reader::partBytes(const QString &part)
{
    if (!m_zip)
        return QByteArray();
    if (m_zip->Contains(part))
        return m_zip->Read(part);
    QString decoded = QUrl::fromPercentEncoding(part.toUtf8());
    if (decoded != part && m_zip->Contains(decoded))
        return m_zip->Read(decoded);
    return QByteArray();
}

std::unique_ptr<TXmlPart> Reader::optionalPart(const QString &part)
{
    if (part.isEmpty() || !m_zip)
        return nullptr;
    try {
        QByteArray bytes = partBytes(part);
        if (bytes.isEmpty()) {
            m_doc.Warn(QStringLiteral("missing part ") + part,
                       QStringLiteral("The part \"%1\" the document refers to is missing; the rest was read without it").arg(part), part);
            return nullptr;
        }
        return ParseXmlPart(std::move(bytes), m_file, part);
    } catch (const Exception &e) {
        m_doc.Warn(QStringLiteral("broken part ") + part,
                   QStringLiteral("The part \"%1\" is damaged and was skipped: %2").arg(part, e.Message()), part);
        return nullptr;
    }
}

TRelationships Reader::relsOf(const QString &part)
{
    QString relsPart = relsPartOf(part);
    if (!m_zip || !m_zip->Contains(relsPart))
        return TRelationships();
    try {
        return ReadRelationshipsPart(m_zip->Read(relsPart), part, m_file);
    } catch (const Exception &e) {
        m_doc.Warn(QStringLiteral("broken rels ") + relsPart,
                   QStringLiteral("The relationships of \"%1\" are damaged and were skipped: %2").arg(part, e.Message()), relsPart);
        return TRelationships();
    }
}

void Reader::ReadPackage()
{
    // The main part is named by the package relationships; older writers rely on the usual name.
    QString main;
    TRelationships root = relsOf(QString());
    for (const auto &[id, r] : root.ById)
        if (r.Kind() == QLatin1String("officeDocument") && !r.External && !r.Part.isEmpty() && m_zip->Contains(r.Part)) {
            main = r.Part;
            break;
        }
    if (main.isEmpty() && m_zip->Contains(QStringLiteral("word/document.xml")))
        main = QStringLiteral("word/document.xml");
    if (main.isEmpty())
        throw Exception(QStringLiteral("The document \"%1\" cannot be read: it holds no main document part (word/document.xml).").arg(m_file));

    Context ctx;
    ctx.Part = main;
    ctx.Rels = relsOf(main);
    ctx.Story = &m_doc.Body;

    auto partOf = [&](const QString &kind) {
        const TRelationship *r = ctx.Rels.FirstOfKind(kind);
        return r ? r->Part : QString();
    };
    if (auto theme = optionalPart(partOf(QStringLiteral("theme"))))
        readTheme(theme->document_element());
    if (auto fonts = optionalPart(partOf(QStringLiteral("fontTable"))))
        readFontTable(fonts->document_element());
    if (auto styles = optionalPart(partOf(QStringLiteral("styles"))))
        ReadStylesRoot(styles->document_element());
    if (auto numbering = optionalPart(partOf(QStringLiteral("numbering"))))
        ReadNumberingRoot(numbering->document_element());
    if (auto settings = optionalPart(partOf(QStringLiteral("settings"))))
        readSettings(settings->document_element());

    auto doc = ParseXmlPart(m_zip->Read(main), m_file, main);
    ReadDocumentRoot(doc->document_element(), ctx);
    doc.reset();

    QString fn = partOf(QStringLiteral("footnotes"));
    if (!fn.isEmpty())
        readNotes(fn, false);
    QString en = partOf(QStringLiteral("endnotes"));
    if (!en.isEmpty())
        readNotes(en, true);
    QString cm = partOf(QStringLiteral("comments"));
    if (!cm.isEmpty())
        readComments(cm);
    for (const auto &[id, r] : ctx.Rels.ById) {
        if (r.External || r.Part.isEmpty())
            continue;
        if (r.Kind() == QLatin1String("header"))
            readHeaderFooter(r.Part, false);
        else if (r.Kind() == QLatin1String("footer"))
            readHeaderFooter(r.Part, true);
    }
}

void Reader::readTheme(xml_node root)
{
    for (xml_node c = root.child("a:themeElements").child("a:clrScheme").first_child(); c; c = c.next_sibling()) {
        QString name = QString::fromUtf8(c.name());
        if (name.startsWith(QLatin1String("a:")))
            name = name.mid(2);
        QString v = XStr(c.child("a:srgbClr"), "val");
        if (v.isEmpty())
            v = XStr(c.child("a:sysClr"), "lastClr");
        if (!v.isEmpty())
            m_themeColors.insert(name, v.toUpper());
    }
    xml_node scheme = root.child("a:themeElements").child("a:fontScheme");
    for (const char *kind : {"major", "minor"}) {
        xml_node f = scheme.child(kind[1] == 'a' ? "a:majorFont" : "a:minorFont");
        QString k = QLatin1String(kind);
        QString latin = XStr(f.child("a:latin"), "typeface");
        m_themeFonts.insert(k + QStringLiteral("HAnsi"), latin);
        m_themeFonts.insert(k + QStringLiteral("Ascii"), latin);
        m_themeFonts.insert(k + QStringLiteral("EastAsia"), XStr(f.child("a:ea"), "typeface"));
        m_themeFonts.insert(k + QStringLiteral("Bidi"), XStr(f.child("a:cs"), "typeface"));
    }
}

void Reader::readFontTable(xml_node root)
{
    for (xml_node f = root.child("w:font"); f; f = f.next_sibling("w:font")) {
        QString family = XStr(f.child("w:family"), "w:val");
        QString generic;
        if (family == QLatin1String("roman"))
            generic = QStringLiteral("serif");
        else if (family == QLatin1String("swiss"))
            generic = QStringLiteral("sans-serif");
        else if (family == QLatin1String("modern"))
            generic = QStringLiteral("monospace");
        else if (family == QLatin1String("script"))
            generic = QStringLiteral("cursive");
        else if (family == QLatin1String("decorative"))
            generic = QStringLiteral("fantasy");
        if (!generic.isEmpty())
            m_doc.FontFamilies[XStr(f, "w:name")] = generic;
    }
}

void Reader::readSettings(xml_node root)
{
    m_doc.DefaultTabStop = XTwips(root.child("w:defaultTabStop"), "w:val", 720);
    if (m_doc.DefaultTabStop <= 0)
        m_doc.DefaultTabStop = 720;
    xml_node fp = root.child("w:footnotePr");
    if (xml_node f = fp.child("w:numFmt"))
        m_doc.FootnoteFormat = XStr(f, "w:val");
    if (xml_node s = fp.child("w:numStart"))
        m_doc.FootnoteStart = XInt(s, "w:val", 1);
    xml_node ep = root.child("w:endnotePr");
    if (xml_node f = ep.child("w:numFmt"))
        m_doc.EndnoteFormat = XStr(f, "w:val");
    if (xml_node s = ep.child("w:numStart"))
        m_doc.EndnoteStart = XInt(s, "w:val", 1);
}

void Reader::readNotes(const QString &part, bool endnotes)
{
    auto xml = optionalPart(part);
    if (!xml)
        return;
    Context ctx;
    ctx.Part = part;
    ctx.Rels = relsOf(part);
    ctx.NoteStory = true;
    Context *saved = m_ctx;
    m_ctx = &ctx;
    const char *tag = endnotes ? "w:endnote" : "w:footnote";
    for (xml_node n = xml->document_element().child(tag); n; n = n.next_sibling(tag)) {
        auto note = std::make_unique<TNote>();
        note->Id = XInt(n, "w:id", -1);
        note->Endnote = endnotes;
        note->Type = XStr(n, "w:type");
        ctx.Story = &note->Story;
        ctx.Fields.clear();
        ctx.InResult.clear();
        readBlocks(n, note->Story.Blocks, 0);
        finishStory(note->Story.Blocks);
        note->Story.Reindex();
        auto &map = endnotes ? m_doc.Endnotes : m_doc.Footnotes;
        if (!map.count(note->Id))
            map[note->Id] = std::move(note);
    }
    m_ctx = saved;
}

void Reader::readComments(const QString &part)
{
    auto xml = optionalPart(part);
    if (!xml)
        return;
    Context ctx;
    ctx.Part = part;
    ctx.Rels = relsOf(part);
    Context *saved = m_ctx;
    m_ctx = &ctx;
    for (xml_node n = xml->document_element().child("w:comment"); n; n = n.next_sibling("w:comment")) {
        auto c = std::make_unique<TComment>();
        c->Id = XInt(n, "w:id", -1);
        c->Author = XStr(n, "w:author");
        c->Initials = XStr(n, "w:initials");
        c->Date = XStr(n, "w:date");
        ctx.Story = &c->Story;
        ctx.Fields.clear();
        ctx.InResult.clear();
        readBlocks(n, c->Story.Blocks, 0);
        finishStory(c->Story.Blocks);
        c->Story.Reindex();
        if (!m_doc.Comments.count(c->Id))
            m_doc.Comments[c->Id] = std::move(c);
    }
    m_ctx = saved;
}

void Reader::readHeaderFooter(const QString &part, bool footer)
{
    auto xml = optionalPart(part);
    if (!xml)
        return;
    auto hf = std::make_unique<THeaderFooter>();
    hf->Part = part;
    hf->Footer = footer;
    Context ctx;
    ctx.Part = part;
    ctx.Rels = relsOf(part);
    ctx.Story = &hf->Story;
    Context *saved = m_ctx;
    m_ctx = &ctx;
    readBlocks(xml->document_element(), hf->Story.Blocks, 0);
    finishStory(hf->Story.Blocks);
    hf->Story.Reindex();
    m_ctx = saved;
    m_doc.HeadersFooters.push_back(std::move(hf));
}

// --- styles and numbering --------------------------------------------------------------------

void Reader::ReadStylesRoot(xml_node root)
{
    TStyleSheet &st = m_doc.Styles;
    xml_node defaults = root.child("w:docDefaults");
    st.DocRPr = readRPr(defaults.child("w:rPrDefault").child("w:rPr"));
    st.DocPPr = readPPr(defaults.child("w:pPrDefault").child("w:pPr"));
    for (xml_node l = root.child("w:latentStyles").child("w:lsdException"); l; l = l.next_sibling("w:lsdException"))
        st.Latent.Names << XStr(l, "w:name");
    for (xml_node s = root.child("w:style"); s; s = s.next_sibling("w:style")) {
        TStyle style;
        QString type = XStr(s, "w:type");
        if (type == QLatin1String("character"))
            style.Type = TStyleType::Character;
        else if (type == QLatin1String("table"))
            style.Type = TStyleType::Table;
        else if (type == QLatin1String("numbering"))
            style.Type = TStyleType::Numbering;
        else
            style.Type = TStyleType::Paragraph;
        style.Id = XStr(s, "w:styleId");
        style.Default = XHas(s, "w:default") && XOnOff(s, "w:default");
        style.Custom = XHas(s, "w:customStyle") && XOnOff(s, "w:customStyle");
        style.Name = XStr(s.child("w:name"), "w:val");
        if (style.Name.isEmpty())
            style.Name = style.Id;
        style.BasedOn = XStr(s.child("w:basedOn"), "w:val");
        style.Next = XStr(s.child("w:next"), "w:val");
        style.Link = XStr(s.child("w:link"), "w:val");
        style.PPr = readPPr(s.child("w:pPr"));
        style.PPr.Style.reset();
        style.RPr = readRPr(s.child("w:rPr"));
        style.RPr.Style.reset();
        style.TblPr = readTblPr(s.child("w:tblPr"));
        style.TcPr = readTcPr(s.child("w:tcPr"));
        for (xml_node r = s.child("w:tblStylePr"); r; r = r.next_sibling("w:tblStylePr")) {
            TTableStyleRegion region;
            region.PPr = readPPr(r.child("w:pPr"));
            region.RPr = readRPr(r.child("w:rPr"));
            region.TblPr = readTblPr(r.child("w:tblPr"));
            region.TcPr = readTcPr(r.child("w:tcPr"));
            style.Regions[XStr(r, "w:type")] = region;
        }
        st.Add(std::move(style));
    }
}

TNumLevel Reader::readLevel(xml_node lvl)
{
    TNumLevel l;
    l.Defined = true;
    l.Start = std::clamp(XInt(lvl.child("w:start"), "w:val", 1), 0, 32767); // Word's own bounds
    xml_node fmt = lvl.child("w:numFmt");
    if (!fmt) {
        // Newer formats come wrapped in an alternate-content choice with a plain fallback.
        xml_node ac = lvl.child("mc:AlternateContent");
        xml_node chosen = chooseAlternate(ac);
        fmt = chosen.child("w:numFmt");
    }
    if (fmt)
        l.Format = XStr(fmt, "w:val");
    if (lvl.child("w:lvlText"))
        l.Text = XStr(lvl.child("w:lvlText"), "w:val");
    if (xml_node r = lvl.child("w:lvlRestart"))
        l.Restart = XInt(r, "w:val", -1);
    l.Legal = lvl.child("w:isLgl") && XOnOff(lvl.child("w:isLgl"));
    if (xml_node s = lvl.child("w:suff"))
        l.Suffix = XStr(s, "w:val");
    if (xml_node j = lvl.child("w:lvlJc"))
        l.Align = XStr(j, "w:val");
    l.PPr = readPPr(lvl.child("w:pPr"));
    l.RPr = readRPr(lvl.child("w:rPr"));
    if (xml_node pb = lvl.child("w:lvlPicBulletId"))
        l.PictureBullet = XStr(pb, "w:val");
    return l;
}

void Reader::ReadNumberingRoot(xml_node root)
{
    TNumbering &nb = m_doc.Numbering;
    for (xml_node a = root.child("w:abstractNum"); a; a = a.next_sibling("w:abstractNum")) {
        TAbstractNum an;
        an.Id = XInt(a, "w:abstractNumId", -1);
        an.NumStyleLink = XStr(a.child("w:numStyleLink"), "w:val");
        an.StyleLink = XStr(a.child("w:styleLink"), "w:val");
        for (xml_node lvl = a.child("w:lvl"); lvl; lvl = lvl.next_sibling("w:lvl")) {
            int i = XInt(lvl, "w:ilvl", -1);
            if (i >= 0 && i < 9)
                an.Levels[size_t(i)] = readLevel(lvl);
        }
        if (!nb.Abstracts.count(an.Id))
            nb.Abstracts[an.Id] = an;
    }
    for (xml_node n = root.child("w:num"); n; n = n.next_sibling("w:num")) {
        TNum num;
        num.Id = XInt(n, "w:numId", -1);
        num.AbstractId = XInt(n.child("w:abstractNumId"), "w:val", -1);
        for (xml_node o = n.child("w:lvlOverride"); o; o = o.next_sibling("w:lvlOverride")) {
            int i = XInt(o, "w:ilvl", -1);
            if (i < 0 || i >= 9)
                continue;
            if (xml_node s = o.child("w:startOverride"))
                num.Overrides[size_t(i)].Start = std::clamp(XInt(s, "w:val", 1), 0, 32767);
            if (xml_node lvl = o.child("w:lvl"))
                num.Overrides[size_t(i)].Level = readLevel(lvl);
        }
        if (!nb.Nums.count(num.Id))
            nb.Nums[num.Id] = num;
    }
}

// --- properties ----------------------------------------------------------------------------------

TBorder Reader::readBorder(xml_node b)
{
    TBorder out;
    out.Style = XStr(b, "w:val");
    out.Size = XInt(b, "w:sz", 0);
    out.Space = XInt(b, "w:space", 0);
    out.Color = XStr(b, "w:color");
    return out;
}

TShading Reader::readShading(xml_node s)
{
    TShading out;
    out.Fill = XStr(s, "w:fill");
    out.Pattern = XStr(s, "w:val");
    out.Color = XStr(s, "w:color");
    return out;
}

TWidth Reader::readWidth(xml_node w)
{
    TWidth out;
    out.Type = XStr(w, "w:type");
    if (out.Type.isEmpty())
        out.Type = QStringLiteral("dxa");
    QString raw = XStr(w, "w:w");
    if (raw.endsWith('%')) {
        out.Type = QStringLiteral("pct");
        out.Value = int(raw.chopped(1).toDouble() * 50);
    } else if (out.Type == QLatin1String("pct")) {
        out.Value = XInt(w, "w:w", 0);
    } else {
        out.Value = XTwips(w, "w:w", 0);
    }
    return out;
}

void Reader::readTableBorders(xml_node b, TTableBorders &out)
{
    if (!b)
        return;
    for (xml_node e = b.first_child(); e; e = e.next_sibling()) {
        const char *n = e.name();
        if (!std::strcmp(n, "w:top"))
            out.Top = readBorder(e);
        else if (!std::strcmp(n, "w:left") || !std::strcmp(n, "w:start"))
            out.Left = readBorder(e);
        else if (!std::strcmp(n, "w:bottom"))
            out.Bottom = readBorder(e);
        else if (!std::strcmp(n, "w:right") || !std::strcmp(n, "w:end"))
            out.Right = readBorder(e);
        else if (!std::strcmp(n, "w:insideH"))
            out.InsideH = readBorder(e);
        else if (!std::strcmp(n, "w:insideV"))
            out.InsideV = readBorder(e);
    }
}

void Reader::readMargins(xml_node m, TMargins &out)
{
    if (!m)
        return;
    for (xml_node e = m.first_child(); e; e = e.next_sibling()) {
        const char *n = e.name();
        int v = XTwips(e, "w:w", 0);
        if (!std::strcmp(n, "w:top"))
            out.Top = v;
        else if (!std::strcmp(n, "w:left") || !std::strcmp(n, "w:start"))
            out.Left = v;
        else if (!std::strcmp(n, "w:bottom"))
            out.Bottom = v;
        else if (!std::strcmp(n, "w:right") || !std::strcmp(n, "w:end"))
            out.Right = v;
    }
}

TParaProps Reader::readPPr(xml_node ppr)
{
    TParaProps p;
    if (!ppr)
        return p;
    for (xml_node e = ppr.first_child(); e; e = e.next_sibling()) {
        const char *n = e.name();
        if (std::strncmp(n, "w:", 2) != 0)
            continue;
        n += 2;
        if (!std::strcmp(n, "pStyle"))
            p.Style = XStr(e, "w:val");
        else if (!std::strcmp(n, "jc")) {
            QString v = XStr(e, "w:val");
            if (v == QLatin1String("start") || v == QLatin1String("left"))
                p.Align = QStringLiteral("left");
            else if (v == QLatin1String("end") || v == QLatin1String("right"))
                p.Align = QStringLiteral("right");
            else if (v == QLatin1String("center"))
                p.Align = v;
            else if (v == QLatin1String("both") || v == QLatin1String("distribute") || v.endsWith(QLatin1String("Kashida")) ||
                     v == QLatin1String("thaiDistribute"))
                p.Align = QStringLiteral("both");
        } else if (!std::strcmp(n, "ind")) {
            if (XHas(e, "w:left"))
                p.IndLeft = XTwips(e, "w:left");
            else if (XHas(e, "w:start"))
                p.IndLeft = XTwips(e, "w:start");
            if (XHas(e, "w:right"))
                p.IndRight = XTwips(e, "w:right");
            else if (XHas(e, "w:end"))
                p.IndRight = XTwips(e, "w:end");
            if (XHas(e, "w:hanging"))
                p.IndFirst = -XTwips(e, "w:hanging");
            else if (XHas(e, "w:firstLine"))
                p.IndFirst = XTwips(e, "w:firstLine");
        } else if (!std::strcmp(n, "spacing")) {
            if (XHas(e, "w:before"))
                p.SpaceBefore = XTwips(e, "w:before");
            if (XHas(e, "w:after"))
                p.SpaceAfter = XTwips(e, "w:after");
            if (XHas(e, "w:line"))
                p.Line = XInt(e, "w:line");
            if (XHas(e, "w:lineRule"))
                p.LineRule = XStr(e, "w:lineRule");
            if (XHas(e, "w:beforeAutospacing"))
                p.BeforeAuto = XOnOff(e, "w:beforeAutospacing");
            if (XHas(e, "w:afterAutospacing"))
                p.AfterAuto = XOnOff(e, "w:afterAutospacing");
        } else if (!std::strcmp(n, "numPr")) {
            if (xml_node id = e.child("w:numId"))
                p.NumId = XInt(id, "w:val", 0);
            if (xml_node l = e.child("w:ilvl"))
                p.NumLevel = std::clamp(XInt(l, "w:val", 0), 0, 8);
        } else if (!std::strcmp(n, "outlineLvl"))
            p.OutlineLevel = XInt(e, "w:val", 9);
        else if (!std::strcmp(n, "pBdr")) {
            for (xml_node b = e.first_child(); b; b = b.next_sibling()) {
                const char *bn = b.name();
                if (!std::strcmp(bn, "w:top"))
                    p.BorderTop = readBorder(b);
                else if (!std::strcmp(bn, "w:left") || !std::strcmp(bn, "w:start"))
                    p.BorderLeft = readBorder(b);
                else if (!std::strcmp(bn, "w:bottom"))
                    p.BorderBottom = readBorder(b);
                else if (!std::strcmp(bn, "w:right") || !std::strcmp(bn, "w:end"))
                    p.BorderRight = readBorder(b);
                else if (!std::strcmp(bn, "w:between"))
                    p.BorderBetween = readBorder(b);
            }
        } else if (!std::strcmp(n, "shd"))
            p.Shading = readShading(e);
        else if (!std::strcmp(n, "tabs")) {
            std::vector<TTabStop> tabs;
            for (xml_node t = e.child("w:tab"); t; t = t.next_sibling("w:tab"))
                tabs.push_back({XStr(t, "w:val"), XTwips(t, "w:pos"), XStr(t, "w:leader")});
            p.Tabs = tabs;
        } else if (!std::strcmp(n, "keepNext"))
            p.KeepNext = XOnOff(e);
        else if (!std::strcmp(n, "keepLines"))
            p.KeepLines = XOnOff(e);
        else if (!std::strcmp(n, "pageBreakBefore"))
            p.PageBreakBefore = XOnOff(e);
        else if (!std::strcmp(n, "contextualSpacing"))
            p.ContextualSpacing = XOnOff(e);
        else if (!std::strcmp(n, "bidi"))
            p.Bidi = XOnOff(e);
        else if (!std::strcmp(n, "widowControl"))
            p.WidowControl = XOnOff(e);
        else if (!std::strcmp(n, "suppressLineNumbers"))
            p.SuppressLineNumbers = XOnOff(e);
        else if (!std::strcmp(n, "framePr"))
            p.Frame = true;
    }
    return p;
}

QString Reader::fontFrom(xml_node rFonts, const char *attr, const char *themeAttr)
{
    if (XHas(rFonts, themeAttr)) {
        QString f = m_themeFonts.value(themeKey(XStr(rFonts, themeAttr)));
        if (!f.isEmpty())
            return f;
    }
    return XStr(rFonts, attr);
}

TRunProps Reader::readRPr(xml_node rpr)
{
    TRunProps r;
    if (!rpr)
        return r;
    for (xml_node e = rpr.first_child(); e; e = e.next_sibling()) {
        const char *n = e.name();
        if (std::strncmp(n, "w:", 2) != 0)
            continue;
        n += 2;
        switch (n[0]) {
        case 'b':
            if (!std::strcmp(n, "b"))
                r.Bold = XOnOff(e);
            else if (!std::strcmp(n, "bdr"))
                r.Border = readBorder(e);
            break;
        case 'c':
            if (!std::strcmp(n, "caps"))
                r.Caps = XOnOff(e);
            else if (!std::strcmp(n, "color"))
                r.Color = XStr(e, "w:val");
            break;
        case 'd':
            if (!std::strcmp(n, "dstrike"))
                r.DoubleStrike = XOnOff(e);
            break;
        case 'e':
            if (!std::strcmp(n, "emboss"))
                r.Emboss = XOnOff(e);
            break;
        case 'h':
            if (!std::strcmp(n, "highlight"))
                r.Highlight = XStr(e, "w:val");
            break;
        case 'i':
            if (!std::strcmp(n, "i"))
                r.Italic = XOnOff(e);
            else if (!std::strcmp(n, "imprint"))
                r.Imprint = XOnOff(e);
            break;
        case 'l':
            if (!std::strcmp(n, "lang")) {
                if (XHas(e, "w:val"))
                    r.Lang = XStr(e, "w:val");
                if (XHas(e, "w:eastAsia"))
                    r.LangEastAsia = XStr(e, "w:eastAsia");
            }
            break;
        case 'o':
            if (!std::strcmp(n, "outline"))
                r.Outline = XOnOff(e);
            break;
        case 'p':
            if (!std::strcmp(n, "position"))
                r.Position = XInt(e, "w:val");
            break;
        case 'r':
            if (!std::strcmp(n, "rStyle"))
                r.Style = XStr(e, "w:val");
            else if (!std::strcmp(n, "rFonts")) {
                QString f = fontFrom(e, "w:ascii", "w:asciiTheme");
                if (f.isEmpty())
                    f = fontFrom(e, "w:hAnsi", "w:hAnsiTheme");
                if (!f.isEmpty())
                    r.Font = f;
                QString ea = fontFrom(e, "w:eastAsia", "w:eastAsiaTheme");
                if (!ea.isEmpty())
                    r.FontEastAsia = ea;
                QString cs = fontFrom(e, "w:cs", "w:cstheme");
                if (!cs.isEmpty())
                    r.FontComplex = cs;
            } else if (!std::strcmp(n, "rtl"))
                r.Rtl = XOnOff(e);
            break;
        case 's':
            if (!std::strcmp(n, "sz"))
                r.Size = XInt(e, "w:val", 20);
            else if (!std::strcmp(n, "strike"))
                r.Strike = XOnOff(e);
            else if (!std::strcmp(n, "smallCaps"))
                r.SmallCaps = XOnOff(e);
            else if (!std::strcmp(n, "shadow"))
                r.Shadow = XOnOff(e);
            else if (!std::strcmp(n, "spacing"))
                r.Spacing = XTwips(e, "w:val");
            else if (!std::strcmp(n, "shd"))
                r.Shading = readShading(e);
            break;
        case 'u':
            if (!std::strcmp(n, "u")) {
                r.Underline = XHas(e, "w:val") ? XStr(e, "w:val") : QStringLiteral("single");
                if (XHas(e, "w:color"))
                    r.UnderlineColor = XStr(e, "w:color");
            }
            break;
        case 'v':
            if (!std::strcmp(n, "vanish"))
                r.Hidden = XOnOff(e);
            else if (!std::strcmp(n, "vertAlign"))
                r.VertAlign = XStr(e, "w:val");
            break;
        case 'w':
            if (!std::strcmp(n, "w"))
                r.Scale = XInt(e, "w:val", 100);
            else if (!std::strcmp(n, "webHidden"))
                r.WebHidden = XOnOff(e);
            break;
        default:
            break;
        }
    }
    return r;
}

namespace {
// The property element's content as a key: names and attributes of its children, in order.
QByteArray propsKey(xml_node props, const char *skip1 = nullptr, const char *skip2 = nullptr)
{
    QByteArray key;
    std::function<void(xml_node)> add = [&](xml_node n) {
        for (xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            if ((skip1 && XIs(c, skip1)) || (skip2 && XIs(c, skip2)))
                continue;
            key += '<';
            key += c.name();
            for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) {
                key += ' ';
                key += a.name();
                key += '=';
                key += a.value();
            }
            add(c);
            key += '>';
        }
    };
    add(props);
    return key;
}
} // namespace

std::shared_ptr<const TRunProps> Reader::internRPr(xml_node rpr)
{
    QByteArray key = propsKey(rpr);
    auto it = m_runProps.constFind(key);
    if (it != m_runProps.constEnd())
        return *it;
    TRunProps r = readRPr(rpr);
    if (r.Hidden && *r.Hidden)
        m_doc.HasHiddenText = true;
    auto shared = std::make_shared<const TRunProps>(std::move(r));
    m_runProps.insert(key, shared);
    return shared;
}

std::shared_ptr<const TParaProps> Reader::internPPr(xml_node ppr)
{
    QByteArray key = propsKey(ppr, "w:rPr", "w:sectPr");
    auto it = m_paraProps.constFind(key);
    if (it != m_paraProps.constEnd())
        return *it;
    auto shared = std::make_shared<const TParaProps>(readPPr(ppr));
    m_paraProps.insert(key, shared);
    return shared;
}

TTableProps Reader::readTblPr(xml_node t)
{
    TTableProps p;
    if (!t)
        return p;
    if (xml_node s = t.child("w:tblStyle"))
        p.Style = XStr(s, "w:val");
    if (xml_node w = t.child("w:tblW"))
        p.Width = readWidth(w);
    if (xml_node j = t.child("w:jc")) {
        QString v = XStr(j, "w:val");
        if (v == QLatin1String("start"))
            v = QStringLiteral("left");
        else if (v == QLatin1String("end"))
            v = QStringLiteral("right");
        p.Align = v;
    }
    if (xml_node i = t.child("w:tblInd"))
        p.Indent = XTwips(i, "w:w");
    if (xml_node c = t.child("w:tblCellSpacing"))
        p.CellSpacing = XTwips(c, "w:w");
    readTableBorders(t.child("w:tblBorders"), p.Borders);
    readMargins(t.child("w:tblCellMar"), p.CellMargins);
    if (xml_node s = t.child("w:shd"))
        p.Shading = readShading(s);
    if (xml_node l = t.child("w:tblLayout"))
        p.Layout = XStr(l, "w:type");
    if (xml_node look = t.child("w:tblLook")) {
        if (XHas(look, "w:firstRow") || XHas(look, "w:lastRow") || XHas(look, "w:noHBand")) {
            p.LookFirstRow = XOnOff(look, "w:firstRow") && XHas(look, "w:firstRow");
            p.LookLastRow = XHas(look, "w:lastRow") && XOnOff(look, "w:lastRow");
            p.LookFirstColumn = XHas(look, "w:firstColumn") && XOnOff(look, "w:firstColumn");
            p.LookLastColumn = XHas(look, "w:lastColumn") && XOnOff(look, "w:lastColumn");
            p.LookNoHBand = XHas(look, "w:noHBand") && XOnOff(look, "w:noHBand");
            p.LookNoVBand = XHas(look, "w:noVBand") && XOnOff(look, "w:noVBand");
        } else if (XHas(look, "w:val")) {
            int v = XHex(look, "w:val", 0x04A0);
            p.LookFirstRow = v & 0x20;
            p.LookLastRow = v & 0x40;
            p.LookFirstColumn = v & 0x80;
            p.LookLastColumn = v & 0x100;
            p.LookNoHBand = v & 0x200;
            p.LookNoVBand = v & 0x400;
        }
    }
    return p;
}

TCellProps Reader::readTcPr(xml_node t)
{
    TCellProps p;
    if (!t)
        return p;
    if (xml_node w = t.child("w:tcW"))
        p.Width = readWidth(w);
    if (xml_node g = t.child("w:gridSpan"))
        p.GridSpan = std::clamp(XInt(g, "w:val", 1), 1, 1000);
    if (xml_node v = t.child("w:vMerge"))
        p.VMerge = XStr(v, "w:val") == QLatin1String("restart") ? QStringLiteral("restart") : QStringLiteral("continue");
    if (xml_node h = t.child("w:hMerge"))
        p.HMerge = XStr(h, "w:val") == QLatin1String("restart") ? QStringLiteral("restart") : QStringLiteral("continue");
    readTableBorders(t.child("w:tcBorders"), p.Borders);
    if (xml_node s = t.child("w:shd"))
        p.Shading = readShading(s);
    if (xml_node v = t.child("w:vAlign"))
        p.VAlign = XStr(v, "w:val");
    readMargins(t.child("w:tcMar"), p.Margins);
    p.NoWrap = t.child("w:noWrap") && XOnOff(t.child("w:noWrap"));
    return p;
}

TRowProps Reader::readTrPr(xml_node t)
{
    TRowProps p;
    if (!t)
        return p;
    if (xml_node h = t.child("w:trHeight")) {
        p.Height = XTwips(h, "w:val");
        if (XHas(h, "w:hRule"))
            p.HeightRule = XStr(h, "w:hRule");
    }
    p.Header = t.child("w:tblHeader") && XOnOff(t.child("w:tblHeader"));
    p.CantSplit = t.child("w:cantSplit") && XOnOff(t.child("w:cantSplit"));
    p.GridBefore = std::clamp(XInt(t.child("w:gridBefore"), "w:val", 0), 0, 1000);
    p.GridAfter = std::clamp(XInt(t.child("w:gridAfter"), "w:val", 0), 0, 1000);
    return p;
}

std::unique_ptr<TSectionProps> Reader::readSection(xml_node s)
{
    auto sp = std::make_unique<TSectionProps>();
    sp->Type = XStr(s.child("w:type"), "w:val");
    if (xml_node sz = s.child("w:pgSz")) {
        sp->PageWidth = XTwips(sz, "w:w", 12240);
        sp->PageHeight = XTwips(sz, "w:h", 15840);
        sp->Landscape = XStr(sz, "w:orient") == QLatin1String("landscape");
    }
    if (xml_node m = s.child("w:pgMar")) {
        sp->MarginLeft = XTwips(m, "w:left", 1440);
        sp->MarginRight = XTwips(m, "w:right", 1440);
        sp->MarginTop = XTwips(m, "w:top", 1440);
        sp->MarginBottom = XTwips(m, "w:bottom", 1440);
    }
    if (xml_node c = s.child("w:cols"))
        sp->Columns = std::max(1, XInt(c, "w:num", 1));
    for (xml_node h = s.child("w:headerReference"); h; h = h.next_sibling("w:headerReference"))
        if (const TRelationship *r = m_ctx ? m_ctx->Rels.Find(XStr(h, "r:id")) : nullptr)
            sp->HeaderRefs.emplace_back(XStr(h, "w:type"), r->Part);
    for (xml_node h = s.child("w:footerReference"); h; h = h.next_sibling("w:footerReference"))
        if (const TRelationship *r = m_ctx ? m_ctx->Rels.Find(XStr(h, "r:id")) : nullptr)
            sp->FooterRefs.emplace_back(XStr(h, "w:type"), r->Part);
    if (xml_node f = s.child("w:footnotePr").child("w:numFmt"))
        m_doc.FootnoteFormat = XStr(f, "w:val");
    if (xml_node f = s.child("w:endnotePr").child("w:numFmt"))
        m_doc.EndnoteFormat = XStr(f, "w:val");
    return sp;
}

// --- blocks --------------------------------------------------------------------------------------

xml_node Reader::chooseAlternate(xml_node ac)
{
    static const QStringList understood = {"wps", "wpg", "wpc", "wp14", "w14", "w15", "a14", "v", "o", "w10",
                                           "m", "pic", "c", "dgm", "wp", "a", "r", "w"};
    for (xml_node c = ac.child("mc:Choice"); c; c = c.next_sibling("mc:Choice")) {
        const QStringList req = XStr(c, "Requires").split(' ', Qt::SkipEmptyParts);
        bool ok = true;
        for (const QString &r : req)
            if (!understood.contains(r))
                ok = false;
        if (ok)
            return c;
    }
    return ac.child("mc:Fallback");
}

void Reader::ReadDocumentRoot(xml_node root, Context &ctx)
{
    Context *saved = m_ctx;
    m_ctx = &ctx;
    xml_node body = root.child("w:body");
    if (!body)
        throw Exception(QStringLiteral("The document \"%1\" cannot be read: its main part has no body.").arg(m_file));
    readBlocks(body, m_doc.Body.Blocks, 0);
    if (xml_node s = body.child("w:sectPr")) {
        auto sp = readSection(s);
        m_doc.FinalSection = *sp;
    }
    finishStory(m_doc.Body.Blocks);
    m_doc.Body.Reindex();
    m_ctx = saved;
}

void Reader::flushCarry(std::vector<TBlock> &out)
{
    if (m_ctx->Carry.empty() && m_ctx->PendingMarks.empty())
        return;
    auto p = std::make_unique<TParagraph>();
    p->Props = std::make_shared<const TParaProps>();
    p->Inlines = std::move(m_ctx->Carry);
    m_ctx->Carry.clear();
    for (auto &m : m_ctx->PendingMarks)
        p->Inlines.push_back(std::move(m));
    m_ctx->PendingMarks.clear();
    p->Where = where();
    out.push_back(TBlock{std::move(p), nullptr});
}

void Reader::finishStory(std::vector<TBlock> &blocks)
{
    flushCarry(blocks);
    // A story always has a paragraph, and unterminated fields end with it.
    if (blocks.empty() || !blocks.back().Paragraph) {
        auto p = std::make_unique<TParagraph>();
        p->Props = std::make_shared<const TParaProps>();
        p->Where = where();
        blocks.push_back(TBlock{std::move(p), nullptr});
    }
    if (!m_ctx->Fields.empty()) {
        warn(QStringLiteral("unterminated field"), QStringLiteral("A field without its end was closed at the end of the text"));
        TParagraph &last = *blocks.back().Paragraph;
        while (!m_ctx->Fields.empty()) {
            if (!m_ctx->InResult.back())
                appendMark(last, TInlineKind::FieldSeparator, m_ctx->Fields.back(), nullptr);
            appendMark(last, TInlineKind::FieldEnd, m_ctx->Fields.back(), nullptr);
            m_ctx->Fields.pop_back();
            m_ctx->InResult.pop_back();
        }
    }
}

void Reader::readBlocks(xml_node parent, std::vector<TBlock> &out, int depth)
{
    for (xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        const char *n = c.name();
        if (!std::strcmp(n, "w:p"))
            readParagraph(c, out);
        else if (!std::strcmp(n, "w:tbl"))
            readTable(c, out, depth + 1);
        else if (!std::strcmp(n, "w:sdt"))
            readBlocks(c.child("w:sdtContent"), out, depth);
        else if (!std::strcmp(n, "w:customXml") || !std::strcmp(n, "w:ins") || !std::strcmp(n, "w:moveTo") ||
                 !std::strcmp(n, "w:smartTag")) {
            if (n[2] == 'i' || n[2] == 'm')
                m_doc.HasTrackedChanges = true;
            readBlocks(c, out, depth);
        } else if (!std::strcmp(n, "w:del") || !std::strcmp(n, "w:moveFrom")) {
            m_doc.HasTrackedChanges = true;
        } else if (!std::strcmp(n, "w:bookmarkStart") || !std::strcmp(n, "w:bookmarkEnd")) {
            TInline m;
            m.Kind = n[10] == 'S' ? TInlineKind::BookmarkStart : TInlineKind::BookmarkEnd;
            m.Id = XInt(c, "w:id", -1);
            if (m.Kind == TInlineKind::BookmarkStart)
                m.Text = XStr(c, "w:name");
            if (m.Kind == TInlineKind::BookmarkEnd && !out.empty() && out.back().Paragraph && m_ctx->Carry.empty())
                out.back().Paragraph->Inlines.push_back(std::move(m)); // ends where the last paragraph ends
            else
                m_ctx->PendingMarks.push_back(std::move(m));
        } else if (!std::strcmp(n, "mc:AlternateContent")) {
            readBlocks(chooseAlternate(c), out, depth);
        } else if (!std::strcmp(n, "w:altChunk")) {
            warn(QStringLiteral("altChunk"), QStringLiteral("Imported content (an alternative-format chunk) cannot be read and was left out"));
        } else if (!std::strcmp(n, "m:oMathPara")) {
            auto p = std::make_unique<TParagraph>();
            p->Props = std::make_shared<const TParaProps>();
            p->Where = where();
            readMath(c, *p);
            out.push_back(TBlock{std::move(p), nullptr});
        }
        // Everything else at block level (section properties, permissions, proofing marks,
        // unknown extensions) carries no content of its own.
    }
}

void Reader::readParagraph(xml_node p, std::vector<TBlock> &out)
{
    auto para = std::make_unique<TParagraph>();
    xml_node ppr = p.child("w:pPr");
    para->Props = internPPr(ppr);
    bool markDeleted = false;
    if (xml_node mark = ppr.child("w:rPr")) {
        para->MarkProps = std::make_shared<const TRunProps>(readRPr(mark));
        if (mark.child("w:del") || mark.child("w:moveFrom")) {
            markDeleted = true;
            m_doc.HasTrackedChanges = true;
        }
        if (mark.child("w:ins"))
            m_doc.HasTrackedChanges = true;
    }
    if (xml_node s = ppr.child("w:sectPr"))
        para->Section = readSection(s);
    ++m_ctx->ParagraphNo;
    para->Where = where();
    if (!m_ctx->Carry.empty()) {
        para->Inlines = std::move(m_ctx->Carry);
        m_ctx->Carry.clear();
    }
    for (auto &m : m_ctx->PendingMarks)
        para->Inlines.push_back(std::move(m));
    m_ctx->PendingMarks.clear();

    readContent(p, *para, 0);

    // Merge neighbouring text of equal formatting: producers split runs for editing history.
    auto &in = para->Inlines;
    size_t w = 0;
    for (size_t r = 0; r < in.size(); ++r) {
        if (w > 0 && in[r].Kind == TInlineKind::Text && in[w - 1].Kind == TInlineKind::Text &&
            (in[r].Props == in[w - 1].Props || (in[r].Props && in[w - 1].Props && *in[r].Props == *in[w - 1].Props))) {
            in[w - 1].Text += in[r].Text;
            continue;
        }
        if (w != r)
            in[w] = std::move(in[r]);
        ++w;
    }
    in.resize(w);

    if (markDeleted && !para->Section) {
        // A deleted paragraph mark joins this paragraph to the next one.
        m_ctx->Carry = std::move(para->Inlines);
        return;
    }
    out.push_back(TBlock{std::move(para), nullptr});
}

void Reader::readTable(xml_node tbl, std::vector<TBlock> &out, int depth)
{
    if (depth > kMaxTableDepth)
        throw Exception(QStringLiteral("The document \"%1\" cannot be read: its tables are nested deeper than %2 levels.")
                            .arg(m_file)
                            .arg(kMaxTableDepth));
    flushCarry(out);
    auto t = std::make_unique<TTable>();
    t->Where = where();
    t->Props = readTblPr(tbl.child("w:tblPr"));
    for (xml_node g = tbl.child("w:tblGrid").child("w:gridCol"); g; g = g.next_sibling("w:gridCol"))
        t->Grid.push_back(std::max(0, XTwips(g, "w:w", 0)));
    std::function<void(xml_node)> rows = [&](xml_node parent) {
        for (xml_node c = parent.first_child(); c; c = c.next_sibling()) {
            const char *n = c.name();
            if (!std::strcmp(n, "w:tr"))
                readRow(c, *t, depth);
            else if (!std::strcmp(n, "w:sdt"))
                rows(c.child("w:sdtContent"));
            else if (!std::strcmp(n, "w:customXml"))
                rows(c);
        }
    };
    rows(tbl);
    if (t->Rows.empty())
        return;
    out.push_back(TBlock{nullptr, std::move(t)});
}

void Reader::readRow(xml_node tr, TTable &t, int depth)
{
    xml_node trPr = tr.child("w:trPr");
    if (trPr.child("w:del")) {
        m_doc.HasTrackedChanges = true;
        return;
    }
    TRow row;
    row.Props = readTrPr(trPr);
    std::function<void(xml_node)> cells = [&](xml_node parent) {
        for (xml_node c = parent.first_child(); c; c = c.next_sibling()) {
            const char *n = c.name();
            if (!std::strcmp(n, "w:tc"))
                readCell(c, row, depth);
            else if (!std::strcmp(n, "w:sdt"))
                cells(c.child("w:sdtContent"));
            else if (!std::strcmp(n, "w:customXml"))
                cells(c);
        }
    };
    cells(tr);
    if (row.Cells.empty())
        return;
    // The end-of-row mark follows the mark of the row's last paragraph.
    TCell &last = row.Cells.back();
    TBlock *b = &last.Blocks.back();
    while (b->Table) {
        TCell &inner = b->Table->Rows.back().Cells.back();
        b = &inner.Blocks.back();
    }
    b->Paragraph->TrailingMarks += 1;
    t.Rows.push_back(std::move(row));
}

void Reader::readCell(xml_node tc, TRow &row, int depth)
{
    TCell cell;
    cell.Props = readTcPr(tc.child("w:tcPr"));
    readBlocks(tc, cell.Blocks, depth);
    flushCarry(cell.Blocks);
    // A cell ends with a paragraph, whose mark is the end-of-cell mark.
    if (cell.Blocks.empty() || !cell.Blocks.back().Paragraph) {
        auto p = std::make_unique<TParagraph>();
        p->Props = std::make_shared<const TParaProps>();
        p->Where = where();
        cell.Blocks.push_back(TBlock{std::move(p), nullptr});
    }
    row.Cells.push_back(std::move(cell));
}

// --- inlines -------------------------------------------------------------------------------------

void Reader::appendText(TParagraph &para, const QString &text, const std::shared_ptr<const TRunProps> &props)
{
    if (text.isEmpty())
        return;
    if (!para.Inlines.empty()) {
        TInline &last = para.Inlines.back();
        if (last.Kind == TInlineKind::Text && last.Props == props) {
            last.Text += text;
            return;
        }
    }
    TInline in;
    in.Kind = TInlineKind::Text;
    in.Text = text;
    in.Props = props;
    para.Inlines.push_back(std::move(in));
}

void Reader::appendMark(TParagraph &para, TInlineKind kind, const std::shared_ptr<TFieldInfo> &f,
                        const std::shared_ptr<const TRunProps> &props)
{
    TInline in;
    in.Kind = kind;
    in.Field = f;
    in.Props = props;
    para.Inlines.push_back(std::move(in));
}

void Reader::readContent(xml_node parent, TParagraph &para, int depth)
{
    for (xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        const char *n = c.name();
        if (!std::strcmp(n, "w:r"))
            readRun(c, para, depth);
        else if (!std::strcmp(n, "w:pPr"))
            continue;
        else if (!std::strcmp(n, "w:hyperlink"))
            readHyperlink(c, para, depth + 1);
        else if (!std::strcmp(n, "w:fldSimple"))
            readSimpleField(c, para, depth + 1);
        else if (!std::strcmp(n, "w:bookmarkStart")) {
            TInline in;
            in.Kind = TInlineKind::BookmarkStart;
            in.Id = XInt(c, "w:id", -1);
            in.Text = XStr(c, "w:name");
            para.Inlines.push_back(std::move(in));
        } else if (!std::strcmp(n, "w:bookmarkEnd")) {
            TInline in;
            in.Kind = TInlineKind::BookmarkEnd;
            in.Id = XInt(c, "w:id", -1);
            para.Inlines.push_back(std::move(in));
        } else if (!std::strcmp(n, "w:ins") || !std::strcmp(n, "w:moveTo")) {
            m_doc.HasTrackedChanges = true;
            readContent(c, para, depth + 1);
        } else if (!std::strcmp(n, "w:del") || !std::strcmp(n, "w:moveFrom")) {
            m_doc.HasTrackedChanges = true; // deletions are dropped
        } else if (!std::strcmp(n, "w:sdt")) {
            readContent(c.child("w:sdtContent"), para, depth + 1);
        } else if (!std::strcmp(n, "w:commentRangeStart") || !std::strcmp(n, "w:commentRangeEnd")) {
            TInline in;
            in.Kind = n[14] == 'S' ? TInlineKind::CommentStart : TInlineKind::CommentEnd;
            in.Id = XInt(c, "w:id", -1);
            para.Inlines.push_back(std::move(in));
        } else if (!std::strcmp(n, "m:oMath") || !std::strcmp(n, "m:oMathPara")) {
            readMath(c, para);
        } else if (!std::strcmp(n, "mc:AlternateContent")) {
            readContent(chooseAlternate(c), para, depth + 1);
        } else if (!std::strcmp(n, "w:proofErr") || !std::strcmp(n, "w:permStart") || !std::strcmp(n, "w:permEnd") ||
                   !std::strcmp(n, "w:moveFromRangeStart") || !std::strcmp(n, "w:moveFromRangeEnd") ||
                   !std::strcmp(n, "w:moveToRangeStart") || !std::strcmp(n, "w:moveToRangeEnd") ||
                   !std::strcmp(n, "w:customXmlInsRangeStart") || !std::strcmp(n, "w:customXmlInsRangeEnd") ||
                   !std::strcmp(n, "w:customXmlDelRangeStart") || !std::strcmp(n, "w:customXmlDelRangeEnd")) {
            continue;
        } else {
            // Smart tags, custom XML, bidirectional wrappers and unknown wrappers: their content counts.
            readContent(c, para, depth + 1);
        }
    }
}

void Reader::readMath(xml_node m, TParagraph &para)
{
    // The equation's text in document order; the nesting is bounded by the XML depth limit.
    QString text;
    std::function<void(xml_node)> walk = [&](xml_node n) {
        for (xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            if (XIs(c, "m:t"))
                text += XText(c);
            else
                walk(c);
        }
    };
    walk(m);
    if (!text.isEmpty()) {
        appendText(para, text, nullptr);
        warn(QStringLiteral("equation"), QStringLiteral("An equation is written as its plain text"));
    }
}

void Reader::fieldChar(xml_node fc, TParagraph &para, const std::shared_ptr<const TRunProps> &props)
{
    QString type = XStr(fc, "w:fldCharType");
    if (type == QLatin1String("begin")) {
        auto f = std::make_shared<TFieldInfo>();
        f->Locked = XHas(fc, "w:fldLock") && XOnOff(fc, "w:fldLock");
        m_ctx->Fields.push_back(f);
        m_ctx->InResult.push_back(false);
        appendMark(para, TInlineKind::FieldBegin, f, props);
    } else if (type == QLatin1String("separate")) {
        if (m_ctx->Fields.empty() || m_ctx->InResult.back()) {
            warn(QStringLiteral("stray field mark"), QStringLiteral("A field separator without its field was ignored"));
            return;
        }
        m_ctx->InResult.back() = true;
        appendMark(para, TInlineKind::FieldSeparator, m_ctx->Fields.back(), props);
    } else if (type == QLatin1String("end")) {
        if (m_ctx->Fields.empty()) {
            warn(QStringLiteral("stray field mark"), QStringLiteral("A field end without its field was ignored"));
            return;
        }
        appendMark(para, TInlineKind::FieldEnd, m_ctx->Fields.back(), props);
        m_ctx->Fields.pop_back();
        m_ctx->InResult.pop_back();
    }
}

void Reader::readRun(xml_node r, TParagraph &para, int depth)
{
    auto props = internRPr(r.child("w:rPr"));
    bool customMark = false;
    for (xml_node c = r.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            readRunChild(c, para, props, depth, customMark);
}

void Reader::readRunChild(xml_node c, TParagraph &para, const std::shared_ptr<const TRunProps> &props, int depth,
                          bool &customMark)
{
    const char *n = c.name();
    if (!std::strcmp(n, "w:t")) {
        QString text = cleanText(c.text().get());
        if (customMark && !para.Inlines.empty() && para.Inlines.back().Kind == TInlineKind::NoteReference) {
            para.Inlines.back().Text += text;
            return;
        }
        // Text written in a symbol font's private-use range shows that font's glyphs.
        if (props && props->Font) {
            for (auto &ch : text)
                if (ch.unicode() >= 0xF020 && ch.unicode() <= 0xF0FF)
                    if (char16_t u = SymbolFontChar(*props->Font, ch.unicode()))
                        ch = QChar(u);
        }
        appendText(para, text, props);
    } else if (!std::strcmp(n, "w:instrText")) {
        if (m_ctx->Fields.empty() || m_ctx->InResult.back())
            return; // a field code outside a field's code part carries nothing
        appendText(para, cleanText(c.text().get()), props);
    } else if (!std::strcmp(n, "w:fldChar")) {
        fieldChar(c, para, props);
    } else if (!std::strcmp(n, "w:tab") || !std::strcmp(n, "w:ptab")) {
        appendText(para, QString(QChar(chars::Tab)), props);
    } else if (!std::strcmp(n, "w:br")) {
        QString type = XStr(c, "w:type");
        char16_t ch = type == QLatin1String("page") ? chars::PageBreak
                      : type == QLatin1String("column") ? chars::ColumnBreak
                                                        : chars::LineBreak;
        appendText(para, QString(QChar(ch)), props);
    } else if (!std::strcmp(n, "w:cr")) {
        appendText(para, QString(QChar(chars::LineBreak)), props);
    } else if (!std::strcmp(n, "w:noBreakHyphen")) {
        appendText(para, QString(QChar(chars::NoBreakHyphen)), props);
    } else if (!std::strcmp(n, "w:softHyphen")) {
        appendText(para, QString(QChar(chars::SoftHyphen)), props);
    } else if (!std::strcmp(n, "w:sym")) {
        QString font = XStr(c, "w:font");
        int code = XHex(c, "w:char", 0x20);
        if (char16_t u = SymbolFontChar(font, code)) {
            appendText(para, QString(QChar(u)), props);
        } else {
            // No Unicode counterpart known: keep the glyph's code in its font.
            TRunProps withFont = props ? *props : TRunProps();
            withFont.Font = font;
            auto p = std::make_shared<const TRunProps>(withFont);
            int ch = code >= 0xF000 ? code - 0xF000 : code;
            appendText(para, QString(QChar(char16_t(ch < 0x20 ? 0x20 : ch))), p);
            warn(QStringLiteral("symbol ") + font,
                 QStringLiteral("A symbol of the font \"%1\" is written with that font and may look different").arg(font));
        }
    } else if (!std::strcmp(n, "w:drawing")) {
        readDrawing(c, para, props);
    } else if (!std::strcmp(n, "w:pict")) {
        readVml(c, para, props);
    } else if (!std::strcmp(n, "w:object")) {
        readObject(c, para, props);
    } else if (!std::strcmp(n, "w:footnoteReference") || !std::strcmp(n, "w:endnoteReference")) {
        TInline in;
        in.Kind = TInlineKind::NoteReference;
        in.Id = XInt(c, "w:id", -1);
        in.Endnote = n[2] == 'e';
        in.Props = props;
        para.Inlines.push_back(std::move(in));
        customMark = XHas(c, "w:customMarkFollows") && XOnOff(c, "w:customMarkFollows");
    } else if (!std::strcmp(n, "w:footnoteRef") || !std::strcmp(n, "w:endnoteRef")) {
        TInline in;
        in.Kind = TInlineKind::NoteReference;
        in.NoteOwnMark = true;
        in.Endnote = n[2] == 'e';
        in.Props = props;
        para.Inlines.push_back(std::move(in));
    } else if (!std::strcmp(n, "w:commentReference")) {
        TInline in;
        in.Kind = TInlineKind::CommentReference;
        in.Id = XInt(c, "w:id", -1);
        para.Inlines.push_back(std::move(in));
    } else if (!std::strcmp(n, "mc:AlternateContent")) {
        xml_node chosen = chooseAlternate(c);
        const size_t before = para.Inlines.size();
        for (xml_node k = chosen.first_child(); k; k = k.next_sibling())
            if (k.type() == pugi::node_element)
                readRunChild(k, para, props, depth + 1, customMark);
        // A chart or diagram is shown by the picture the fallback carries, when there is one.
        xml_node fallback = c.child("mc:Fallback");
        if (fallback && fallback != chosen && para.Inlines.size() == before + 1 && para.Inlines.back().Shape) {
            TShape &chart = *para.Inlines.back().Shape;
            if ((chart.Kind == TShapeKind::Chart || chart.Kind == TShapeKind::Diagram) && chart.MediaPart.isEmpty()) {
                TParagraph scratch;
                bool mark = false;
                for (xml_node k = fallback.first_child(); k; k = k.next_sibling())
                    if (k.type() == pugi::node_element)
                        readRunChild(k, scratch, props, depth + 1, mark);
                for (const TInline &in : scratch.Inlines)
                    if (in.Shape && in.Shape->Kind == TShapeKind::Picture && !in.Shape->MediaPart.isEmpty()) {
                        chart.MediaPart = in.Shape->MediaPart;
                        break;
                    }
            }
        }
    } else if (!std::strcmp(n, "w:ruby")) {
        readContent(c.child("w:rubyBase"), para, depth + 1);
    }
    // w:rPr, w:delText, w:delInstrText, w:lastRenderedPageBreak, w:annotationRef, separators and
    // date blocks carry nothing the model keeps.
}

void Reader::readHyperlink(xml_node h, TParagraph &para, int depth)
{
    QString rid = XStr(h, "r:id");
    QString anchor = XStr(h, "w:anchor");
    QString target;
    if (!rid.isEmpty()) {
        const TRelationship *r = m_ctx->Rels.Find(rid);
        if (!r) {
            warn(QStringLiteral("hyperlink nowhere"), QStringLiteral("A hyperlink whose target is missing was kept as text"));
            readContent(h, para, depth);
            return;
        }
        target = r->Target;
        if (!isUrlWithScheme(target) || target.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            target = QUrl::fromPercentEncoding(target.toUtf8());
    }
    if (target.isEmpty() && anchor.isEmpty()) {
        readContent(h, para, depth);
        return;
    }
    QString code = QStringLiteral(" HYPERLINK ");
    if (!target.isEmpty())
        code += QuoteFieldArgument(target) + ' ';
    if (!anchor.isEmpty())
        code += QStringLiteral("\\l ") + QuoteFieldArgument(anchor) + ' ';
    if (XHas(h, "w:tooltip"))
        code += QStringLiteral("\\o ") + QuoteFieldArgument(XStr(h, "w:tooltip")) + ' ';
    if (XHas(h, "w:tgtFrame"))
        code += QStringLiteral("\\t ") + QuoteFieldArgument(XStr(h, "w:tgtFrame")) + ' ';
    readAsField(h, para, depth, code, std::make_shared<TFieldInfo>());
}

void Reader::readSimpleField(xml_node fs, TParagraph &para, int depth)
{
    auto f = std::make_shared<TFieldInfo>();
    f->Locked = XHas(fs, "w:fldLock") && XOnOff(fs, "w:fldLock");
    readAsField(fs, para, depth, XStr(fs, "w:instr"), f);
}

// A hyperlink or simple field: its code, then its content as the field's result.
void Reader::readAsField(xml_node n, TParagraph &para, int depth, const QString &code, const std::shared_ptr<TFieldInfo> &f)
{
    std::shared_ptr<const TRunProps> props;
    if (xml_node r = n.child("w:r"))
        props = internRPr(r.child("w:rPr"));
    appendMark(para, TInlineKind::FieldBegin, f, props);
    appendText(para, code, props);
    appendMark(para, TInlineKind::FieldSeparator, f, props);
    m_ctx->Fields.push_back(f);
    m_ctx->InResult.push_back(true);
    size_t level = m_ctx->Fields.size();
    readContent(n, para, depth);
    // Complex fields opened inside and left open end with it.
    while (m_ctx->Fields.size() > level) {
        if (!m_ctx->InResult.back())
            appendMark(para, TInlineKind::FieldSeparator, m_ctx->Fields.back(), nullptr);
        appendMark(para, TInlineKind::FieldEnd, m_ctx->Fields.back(), nullptr);
        m_ctx->Fields.pop_back();
        m_ctx->InResult.pop_back();
    }
    m_ctx->Fields.pop_back();
    m_ctx->InResult.pop_back();
    appendMark(para, TInlineKind::FieldEnd, f, props);
}

// --- shapes --------------------------------------------------------------------------------------

void Reader::pushShape(TParagraph &para, std::shared_ptr<TShape> s, const std::shared_ptr<const TRunProps> &props)
{
    if (!s)
        return;
    TInline in;
    in.Kind = TInlineKind::Shape;
    in.Shape = std::move(s);
    in.Props = props;
    para.Inlines.push_back(std::move(in));
}

QString Reader::mediaFor(const QString &relId, const QString &where)
{
    const TRelationship *r = m_ctx->Rels.Find(relId);
    if (!r || r->External || r->Part.isEmpty()) {
        m_doc.Warn(QStringLiteral("picture nowhere"), QStringLiteral("A picture whose part is missing is left out"), where);
        return QString();
    }
    if (m_doc.Media.count(r->Part))
        return r->Part;
    QByteArray data;
    try {
        data = partBytes(r->Part);
    } catch (const Exception &e) {
        m_doc.Warn(QStringLiteral("picture damaged"), QStringLiteral("A picture cannot be read and is left out: ") + e.Message(), where);
        return QString();
    }
    if (data.isEmpty()) {
        m_doc.Warn(QStringLiteral("picture nowhere"), QStringLiteral("A picture whose part is missing is left out"), where);
        return QString();
    }
    TMediaPart mp;
    mp.Data = data;
    m_doc.Media[r->Part] = std::move(mp);
    return r->Part;
}

void Reader::readLink(const QString &relId, TShapeHyperlink &link, const QString &tooltip, const QString &frame)
{
    const TRelationship *r = m_ctx->Rels.Find(relId);
    if (!r)
        return;
    QString t = r->Target;
    if (t.startsWith('#')) {
        link.SubAddress = t.mid(1);
    } else {
        int hash = t.indexOf('#');
        if (hash >= 0) {
            link.SubAddress = t.mid(hash + 1);
            t = t.left(hash);
        }
        if (!isUrlWithScheme(t) || t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            t = QUrl::fromPercentEncoding(t.toUtf8());
        link.Address = t;
    }
    link.ScreenTip = tooltip;
    link.Target = frame;
}

std::unique_ptr<TStory> Reader::readTextBox(xml_node txbx)
{
    auto story = std::make_unique<TStory>();
    Context ctx;
    ctx.Part = m_ctx->Part;
    ctx.Rels = m_ctx->Rels;
    ctx.Story = story.get();
    ctx.ParagraphNo = m_ctx->ParagraphNo;
    Context *saved = m_ctx;
    m_ctx = &ctx;
    readBlocks(txbx, story->Blocks, 1);
    finishStory(story->Blocks);
    m_ctx = saved;
    story->Reindex();
    return story;
}

namespace {
// DrawingML colour adjustments that shape styles use: shade, tint, lumMod, lumOff.
QString adjustColor(const QString &rgb, xml_node clr)
{
    bool ok = false;
    uint v = rgb.toUInt(&ok, 16);
    if (!ok || rgb.size() != 6)
        return rgb;
    QColor c(QRgb(0xFF000000u | v));
    for (xml_node a = clr.first_child(); a; a = a.next_sibling()) {
        const double f = QByteArray(a.attribute("val").value()).toDouble() / 100000.0;
        if (!std::isfinite(f))
            continue;
        const char *n = a.name();
        if (!std::strcmp(n, "a:shade")) {
            c = QColor::fromRgbF(float(c.redF() * f), float(c.greenF() * f), float(c.blueF() * f));
        } else if (!std::strcmp(n, "a:tint")) {
            c = QColor::fromRgbF(float(1 - (1 - c.redF()) * f), float(1 - (1 - c.greenF()) * f), float(1 - (1 - c.blueF()) * f));
        } else if (!std::strcmp(n, "a:lumMod") || !std::strcmp(n, "a:lumOff")) {
            float h = 0, s = 0, l = 0, al = 1;
            c.getHslF(&h, &s, &l, &al);
            l = n[5] == 'M' ? float(l * f) : float(l + f);
            c = QColor::fromHslF(h, s, std::clamp(l, 0.0f, 1.0f), al);
        }
    }
    return c.name().mid(1).toUpper();
}
} // namespace

QString Reader::colorOf(xml_node parent) const
{
    if (!parent)
        return QString();
    if (xml_node c = parent.child("a:srgbClr"))
        return adjustColor(XStr(c, "val").toUpper(), c);
    if (xml_node c = parent.child("a:schemeClr")) {
        QString name = XStr(c, "val");
        static const QHash<QString, QString> alias = {{"tx1", "dk1"}, {"bg1", "lt1"}, {"tx2", "dk2"}, {"bg2", "lt2"}};
        name = alias.value(name, name);
        // Office's default theme when the document carries none.
        static const QHash<QString, QString> office = {{"dk1", "000000"},     {"lt1", "FFFFFF"},     {"dk2", "44546A"},
                                                       {"lt2", "E7E6E6"},     {"accent1", "4472C4"}, {"accent2", "ED7D31"},
                                                       {"accent3", "A5A5A5"}, {"accent4", "FFC000"}, {"accent5", "5B9BD5"},
                                                       {"accent6", "70AD47"}, {"hlink", "0563C1"},   {"folHlink", "954F72"}};
        QString v = m_themeColors.value(name, office.value(name));
        return v.isEmpty() ? QString() : adjustColor(v, c);
    }
    if (xml_node c = parent.child("a:sysClr"))
        return adjustColor(XStr(c, "lastClr").toUpper(), c);
    if (xml_node c = parent.child("a:prstClr")) {
        QColor q(XStr(c, "val"));
        return q.isValid() ? adjustColor(q.name().mid(1).toUpper(), c) : QString();
    }
    return QString();
}

void Reader::readShapeProps(xml_node spPr, TShape &s)
{
    if (xml_node xfrm = spPr.child("a:xfrm")) {
        if (xml_node off = xfrm.child("a:off")) {
            s.LeftEmu = std::clamp<qint64>(QByteArray(off.attribute("x").value()).toLongLong(), -(1ll << 40), 1ll << 40);
            s.TopEmu = std::clamp<qint64>(QByteArray(off.attribute("y").value()).toLongLong(), -(1ll << 40), 1ll << 40);
        }
        if (xml_node ext = xfrm.child("a:ext")) {
            s.WidthEmu = std::clamp<qint64>(QByteArray(ext.attribute("cx").value()).toLongLong(), 0, 1ll << 40);
            s.HeightEmu = std::clamp<qint64>(QByteArray(ext.attribute("cy").value()).toLongLong(), 0, 1ll << 40);
        }
        s.FlipH = XOnOff(xfrm, "flipH") && XHas(xfrm, "flipH");
        s.FlipV = XOnOff(xfrm, "flipV") && XHas(xfrm, "flipV");
        s.RotationDeg = int(QByteArray(xfrm.attribute("rot").value()).toLongLong() / 60000 % 360);
    }
    if (xml_node g = spPr.child("a:prstGeom"))
        s.Geometry = XStr(g, "prst");
    else if (xml_node cg = spPr.child("a:custGeom")) {
        s.Geometry = QStringLiteral("custom");
        s.CustomPaths.clear();
        size_t commands = 0;
        for (xml_node p = cg.child("a:pathLst").child("a:path"); p; p = p.next_sibling("a:path")) {
            TShape::TPath path;
            path.W = QByteArray(p.attribute("w").value()).toDouble();
            path.H = QByteArray(p.attribute("h").value()).toDouble();
            path.Fill = XStr(p, "fill") != QLatin1String("none");
            path.Stroke = !XHas(p, "stroke") || XOnOff(p, "stroke");
            for (xml_node c = p.first_child(); c && commands < 100000; c = c.next_sibling(), ++commands) {
                const char *n = c.name();
                TShape::TPathCommand cmd;
                if (!std::strcmp(n, "a:moveTo"))
                    cmd.Op = 'M';
                else if (!std::strcmp(n, "a:lnTo"))
                    cmd.Op = 'L';
                else if (!std::strcmp(n, "a:cubicBezTo"))
                    cmd.Op = 'C';
                else if (!std::strcmp(n, "a:quadBezTo"))
                    cmd.Op = 'Q';
                else if (!std::strcmp(n, "a:close"))
                    cmd.Op = 'Z';
                else
                    cmd.Op = '?'; // arcs: not drawn exactly
                for (xml_node pt = c.child("a:pt"); pt; pt = pt.next_sibling("a:pt")) {
                    bool okX = false, okY = false;
                    double x = QByteArray(pt.attribute("x").value()).toDouble(&okX);
                    double y = QByteArray(pt.attribute("y").value()).toDouble(&okY);
                    // Guide names instead of numbers cannot be evaluated here.
                    if (!okX || !okY)
                        cmd.Op = '?';
                    cmd.Points.emplace_back(x, y);
                }
                path.Commands.push_back(std::move(cmd));
            }
            s.CustomPaths.push_back(std::move(path));
        }
    }
    if (spPr.child("a:noFill")) {
        s.NoFill = true;
        s.FillColor.clear();
    } else if (xml_node fill = spPr.child("a:solidFill")) {
        s.FillColor = colorOf(fill);
        s.NoFill = false;
    } else if (xml_node grad = spPr.child("a:gradFill")) {
        // A gradient is drawn in its first colour.
        s.FillColor = colorOf(grad.child("a:gsLst").child("a:gs"));
        s.NoFill = s.FillColor.isEmpty() && s.NoFill;
    }
    if (xml_node ln = spPr.child("a:ln")) {
        if (XHas(ln, "w"))
            s.LineWidthPt = std::clamp(QByteArray(ln.attribute("w").value()).toDouble() / 12700.0, 0.0, 100.0);
        if (ln.child("a:noFill")) {
            s.NoLine = true;
            s.LineColor.clear();
        } else if (xml_node c = ln.child("a:solidFill")) {
            s.LineColor = colorOf(c);
            s.NoLine = false;
        }
        if (xml_node h = ln.child("a:headEnd"))
            s.HeadEnd = XStr(h, "type") == QLatin1String("none") ? QString() : XStr(h, "type");
        if (xml_node t = ln.child("a:tailEnd"))
            s.TailEnd = XStr(t, "type") == QLatin1String("none") ? QString() : XStr(t, "type");
    }
}

// The shape's style gives fill, outline and text colour where its own properties give none.
void Reader::readShapeStyle(xml_node style, TShape &s)
{
    if (!style)
        return;
    if (xml_node f = style.child("a:fillRef"); f && !s.NoFill && s.FillColor.isEmpty() && XStr(f, "idx") != QLatin1String("0"))
        s.FillColor = colorOf(f);
    if (xml_node l = style.child("a:lnRef"); l && !s.NoLine && s.LineColor.isEmpty() && XStr(l, "idx") != QLatin1String("0")) {
        s.LineColor = colorOf(l);
        if (s.LineWidthPt <= 0)
            s.LineWidthPt = 1;
    }
    if (xml_node f = style.child("a:fontRef"))
        s.FontColor = colorOf(f);
}

void Reader::readBodyProps(xml_node bodyPr, TShape &s)
{
    if (!bodyPr)
        return;
    s.TextAnchor = XStr(bodyPr, "anchor");
    auto inset = [&](const char *name, qint64 &out) {
        if (XHas(bodyPr, name))
            out = std::clamp<qint64>(QByteArray(bodyPr.attribute(name).value()).toLongLong(), 0, 1ll << 32);
    };
    inset("lIns", s.InsetL);
    inset("tIns", s.InsetT);
    inset("rIns", s.InsetR);
    inset("bIns", s.InsetB);
}

void Reader::readGroupTransform(xml_node grpSpPr, TShape &s)
{
    readShapeProps(grpSpPr, s);
    xml_node xfrm = grpSpPr.child("a:xfrm");
    if (xml_node o = xfrm.child("a:chOff")) {
        s.ChildOffX = std::clamp<qint64>(QByteArray(o.attribute("x").value()).toLongLong(), -(1ll << 40), 1ll << 40);
        s.ChildOffY = std::clamp<qint64>(QByteArray(o.attribute("y").value()).toLongLong(), -(1ll << 40), 1ll << 40);
    }
    if (xml_node e = xfrm.child("a:chExt")) {
        s.ChildExtX = std::clamp<qint64>(QByteArray(e.attribute("cx").value()).toLongLong(), 0, 1ll << 40);
        s.ChildExtY = std::clamp<qint64>(QByteArray(e.attribute("cy").value()).toLongLong(), 0, 1ll << 40);
    }
}

void Reader::readPictureElement(xml_node pic, TShape &s, const QString &where)
{
    s.Kind = TShapeKind::Picture;
    xml_node blip = pic.child("pic:blipFill").child("a:blip");
    QString embed = XStr(blip, "r:embed");
    QString link = XStr(blip, "r:link");
    if (!embed.isEmpty())
        s.MediaPart = mediaFor(embed, where);
    if (!link.isEmpty()) {
        if (const TRelationship *r = m_ctx->Rels.Find(link))
            s.LinkTarget = QUrl::fromPercentEncoding(r->Target.toUtf8());
    }
    if (embed.isEmpty() && link.isEmpty())
        m_doc.Warn(QStringLiteral("picture empty"), QStringLiteral("A picture without picture data is left out"), where);
    xml_node cNvPr = pic.child("pic:nvPicPr").child("pic:cNvPr");
    if (s.Description.isEmpty())
        s.Description = XStr(cNvPr, "descr");
    if (s.Name.isEmpty())
        s.Name = XStr(cNvPr, "name");
    if (xml_node h = cNvPr.child("a:hlinkClick"); h && s.Hyperlink.Empty())
        readLink(XStr(h, "r:id"), s.Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
    readShapeProps(pic.child("pic:spPr"), s);
}

// The text a chart or SmartArt diagram shows, for documents that carry no picture of it.
void Reader::readChartText(const QString &relId, TShape &s, bool diagram)
{
    const TRelationship *r = m_ctx->Rels.Find(relId);
    if (!r || r->Part.isEmpty())
        return;
    std::unique_ptr<TXmlPart> part = optionalPart(r->Part);
    if (!part)
        return;
    QStringList texts;
    std::function<void(xml_node, int)> walk = [&](xml_node n, int depth) {
        if (depth > 64)
            return;
        for (xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            const char *name = c.name();
            // Titles and labels; series names and categories of a chart, not its numbers.
            const char *owner = c.parent().parent().parent().parent().name();
            if (!std::strcmp(name, "a:t") || (!diagram && !std::strcmp(name, "c:v") && !std::strcmp(c.parent().name(), "c:pt") &&
                                              (!std::strcmp(owner, "c:tx") || !std::strcmp(owner, "c:cat")))) {
                QString t = XText(c).trimmed();
                if (!t.isEmpty() && !texts.contains(t))
                    texts << t;
            } else {
                walk(c, depth + 1);
            }
        }
    };
    walk(part->document_element(), 0);
    s.FallbackText = texts.join(QStringLiteral(" \u00B7 "));
}

void Reader::readGraphic(xml_node gd, TShape &s, const QString &where, int depth)
{
    if (depth > 16)
        return;
    for (xml_node c = gd.first_child(); c; c = c.next_sibling()) {
        const char *n = c.name();
        if (!std::strcmp(n, "pic:pic")) {
            readPictureElement(c, s, where);
            return;
        }
        if (!std::strcmp(n, "wps:wsp")) {
            xml_node txbx = c.child("wps:txbx").child("w:txbxContent");
            // Word calls a shape a text box only when it was made as one; a rectangle with
            // text stays a drawing shape.
            const bool madeAsBox = XOnOff(c.child("wps:cNvSpPr"), "txBox") && XHas(c.child("wps:cNvSpPr"), "txBox");
            s.Kind = txbx && madeAsBox ? TShapeKind::TextBox : TShapeKind::Drawing;
            if (txbx)
                s.Text = readTextBox(txbx);
            readShapeProps(c.child("wps:spPr"), s);
            readShapeStyle(c.child("wps:style"), s);
            readBodyProps(c.child("wps:bodyPr"), s);
            if (xml_node cNvPr = c.child("wps:cNvPr")) {
                if (xml_node h = cNvPr.child("a:hlinkClick"))
                    readLink(XStr(h, "r:id"), s.Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
            }
            return;
        }
        if (!std::strcmp(n, "wpg:wgp") || !std::strcmp(n, "wpc:wpc") || !std::strcmp(n, "wpg:grpSp")) {
            s.Kind = n[2] == 'c' ? TShapeKind::Canvas : TShapeKind::Group;
            if (s.Kind == TShapeKind::Group)
                readGroupTransform(c.child("wpg:grpSpPr"), s);
            else if (xml_node bg = c.child("wpc:bg"))
                readShapeProps(bg, s);
            if (s.Kind == TShapeKind::Canvas)
                if (xml_node w = c.child("wpc:whole"))
                    readShapeProps(w, s); // the canvas's outline
            for (xml_node m = c.first_child(); m; m = m.next_sibling()) {
                const char *mn = m.name();
                auto child = std::make_shared<TShape>();
                child->Where = where;
                child->Floating = true;
                if (!std::strcmp(mn, "pic:pic")) {
                    readPictureElement(m, *child, where);
                } else if (!std::strcmp(mn, "wps:wsp") || !std::strcmp(mn, "wpg:grpSp") || !std::strcmp(mn, "wpg:wgp")) {
                    pugi::xml_document tmp;
                    xml_node wrapper = tmp.append_child("a:graphicData");
                    wrapper.append_copy(m);
                    readGraphic(wrapper, *child, where, depth + 1);
                } else if (!std::strcmp(mn, "wpc:graphicFrame") || !std::strcmp(mn, "wpg:graphicFrame")) {
                    readGraphic(m.child("a:graphic").child("a:graphicData"), *child, where, depth + 1);
                    xml_node xfrm = m.child(mn[2] == 'c' ? "wpc:xfrm" : "wpg:xfrm");
                    pugi::xml_document tmp;
                    xml_node wrapper = tmp.append_child("spPr");
                    wrapper.append_copy(xfrm).set_name("a:xfrm");
                    readShapeProps(wrapper, *child);
                } else {
                    continue;
                }
                xml_node cNvPr = m.child("wps:cNvPr");
                if (!cNvPr)
                    cNvPr = m.child("wpg:cNvPr");
                if (cNvPr) {
                    if (xml_node h = cNvPr.child("a:hlinkClick"))
                        readLink(XStr(h, "r:id"), child->Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
                    child->Name = XStr(cNvPr, "name");
                    if (XHas(cNvPr, "descr"))
                        child->Description = XStr(cNvPr, "descr");
                    child->Title = XStr(cNvPr, "title");
                }
                s.Children.push_back(child);
            }
            return;
        }
        if (!std::strcmp(n, "c:chart")) {
            s.Kind = TShapeKind::Chart;
            readChartText(XStr(c, "r:id"), s, false);
            return;
        }
        if (!std::strcmp(n, "dgm:relIds")) {
            s.Kind = TShapeKind::Diagram;
            // The drawing part Word stores beside the data has the shapes' texts in order.
            readChartText(XStr(c, "r:dm"), s, true);
            return;
        }
    }
    s.Kind = TShapeKind::Unknown;
}

std::shared_ptr<TShape> Reader::readDrawingObject(xml_node n, bool floating, const QString &where)
{
    auto s = std::make_shared<TShape>();
    s->Floating = floating;
    s->Where = where;
    xml_node docPr = n.child("wp:docPr");
    s->Name = XStr(docPr, "name");
    s->Description = XStr(docPr, "descr");
    s->Title = XStr(docPr, "title");
    if (xml_node h = docPr.child("a:hlinkClick"))
        readLink(XStr(h, "r:id"), s->Hyperlink, XStr(h, "tooltip"), XStr(h, "tgtFrame"));
    readGraphic(n.child("a:graphic").child("a:graphicData"), *s, where, 0);
    // The frame's extent and position win over the graphic's own transform, whose offset is
    // relative to the frame.
    s->LeftEmu = s->TopEmu = 0;
    if (xml_node ext = n.child("wp:extent")) {
        s->WidthEmu = std::clamp<qint64>(QByteArray(ext.attribute("cx").value()).toLongLong(), 0, 1ll << 40);
        s->HeightEmu = std::clamp<qint64>(QByteArray(ext.attribute("cy").value()).toLongLong(), 0, 1ll << 40);
    }
    if (floating) {
        xml_node ph = n.child("wp:positionH");
        s->HorizontalRelative = XStr(ph, "relativeFrom");
        if (xml_node a = ph.child("wp:align"))
            s->HorizontalAlign = XText(a);
        if (xml_node o = ph.child("wp:posOffset"))
            s->LeftEmu = std::clamp<qint64>(QByteArray(o.text().get()).toLongLong(), -(1ll << 40), 1ll << 40);
        xml_node pv = n.child("wp:positionV");
        s->VerticalRelative = XStr(pv, "relativeFrom");
        if (xml_node o = pv.child("wp:posOffset"))
            s->TopEmu = std::clamp<qint64>(QByteArray(o.text().get()).toLongLong(), -(1ll << 40), 1ll << 40);
        for (xml_node c = n.first_child(); c; c = c.next_sibling())
            if (std::strncmp(c.name(), "wp:wrap", 7) == 0)
                s->Wrap = QString::fromUtf8(c.name() + 7);
        s->BehindText = XOnOff(n, "behindDoc") && XHas(n, "behindDoc");
    }
    return s;
}

void Reader::readDrawing(xml_node d, TParagraph &para, const std::shared_ptr<const TRunProps> &props)
{
    for (xml_node c = d.first_child(); c; c = c.next_sibling()) {
        if (XIs(c, "wp:inline"))
            pushShape(para, readDrawingObject(c, false, where()), props);
        else if (XIs(c, "wp:anchor"))
            pushShape(para, readDrawingObject(c, true, where()), props);
    }
}

namespace {
// A CSS length of a VML style in EMU.
qint64 vmlLength(const QString &v)
{
    QString s = v.trimmed();
    double factor = 12700; // points by default
    QString num = s;
    if (s.endsWith(QLatin1String("pt"))) {
        num = s.chopped(2);
    } else if (s.endsWith(QLatin1String("in"))) {
        num = s.chopped(2);
        factor = 914400;
    } else if (s.endsWith(QLatin1String("cm"))) {
        num = s.chopped(2);
        factor = 360000;
    } else if (s.endsWith(QLatin1String("mm"))) {
        num = s.chopped(2);
        factor = 36000;
    } else if (s.endsWith(QLatin1String("px"))) {
        num = s.chopped(2);
        factor = 9525;
    } else {
        factor = 9525;
    }
    bool ok = false;
    double d = num.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return 0;
    return qint64(std::clamp(d * factor, -1e13, 1e13));
}

QHash<QString, QString> vmlStyle(const QString &style)
{
    QHash<QString, QString> out;
    for (const QString &decl : style.split(';', Qt::SkipEmptyParts)) {
        int colon = decl.indexOf(':');
        if (colon > 0)
            out.insert(decl.left(colon).trimmed().toLower(), decl.mid(colon + 1).trimmed());
    }
    return out;
}
} // namespace

std::shared_ptr<TShape> Reader::readVmlShape(xml_node v, const QString &where, int depth)
{
    if (depth > 16)
        return nullptr;
    auto s = std::make_shared<TShape>();
    s->Vml = true;
    s->Where = where;
    auto st = vmlStyle(XStr(v, "style"));
    s->Floating = st.value(QStringLiteral("position")) == QLatin1String("absolute");
    s->WidthEmu = std::max<qint64>(0, vmlLength(st.value(QStringLiteral("width"))));
    s->HeightEmu = std::max<qint64>(0, vmlLength(st.value(QStringLiteral("height"))));
    s->LeftEmu = vmlLength(st.value(QStringLiteral("margin-left"), st.value(QStringLiteral("left"))));
    s->TopEmu = vmlLength(st.value(QStringLiteral("margin-top"), st.value(QStringLiteral("top"))));
    s->HorizontalAlign = st.value(QStringLiteral("mso-position-horizontal"));
    s->Description = XStr(v, "alt");
    if (XHas(v, "href")) {
        QString h = XStr(v, "href");
        if (h.startsWith('#'))
            s->Hyperlink.SubAddress = h.mid(1);
        else
            s->Hyperlink.Address = h;
        s->Hyperlink.ScreenTip = XStr(v, "title");
    }
    auto vmlColor = [](const QString &c) {
        QColor q(c.section(' ', 0, 0).trimmed()); // "red [10]": the name before the palette index
        return q.isValid() ? q.name().mid(1).toUpper() : QString();
    };
    if (XHas(v, "fillcolor"))
        s->FillColor = vmlColor(XStr(v, "fillcolor"));
    if (XHas(v, "strokecolor"))
        s->LineColor = vmlColor(XStr(v, "strokecolor"));
    if (XHas(v, "strokeweight"))
        s->LineWidthPt = std::clamp(double(vmlLength(XStr(v, "strokeweight"))) / 12700.0, 0.0, 100.0);
    auto off = [&](const char *a) { QString f = XStr(v, a).toLower(); return f == QLatin1String("f") || f == QLatin1String("false"); };
    s->NoFill = off("filled");
    s->NoLine = off("stroked");
    const char *n = v.name();
    static const QHash<QString, QString> vmlGeometry = {{"v:rect", "rect"}, {"v:roundrect", "roundRect"}, {"v:oval", "ellipse"},
                                                        {"v:line", "line"}, {"v:polyline", "custom"}, {"v:arc", "arc"}};
    s->Geometry = vmlGeometry.value(QString::fromUtf8(n));
    if (!std::strcmp(n, "v:shape")) {
        // Word's numbered shape types: the common ones by number, the rest drawn as a box.
        static const QHash<QString, QString> types = {{"1", "rect"}, {"2", "roundRect"}, {"3", "ellipse"}, {"4", "diamond"},
                                                      {"5", "triangle"}, {"13", "rightArrow"}, {"20", "line"}, {"32", "straightConnector1"},
                                                      {"66", "leftArrow"}, {"67", "downArrow"}, {"68", "upArrow"}, {"109", "flowChartProcess"},
                                                      {"110", "flowChartDecision"}, {"116", "flowChartTerminator"}, {"202", "rect"}};
        QString t = XStr(v, "type");
        qsizetype k = t.indexOf(QLatin1String("_x0000_t"));
        s->Geometry = k >= 0 ? types.value(t.mid(k + 8), QStringLiteral("custom")) : QStringLiteral("custom");
    }
    if (!std::strcmp(n, "v:line")) {
        // A line runs from "from" to "to", in points by default.
        auto point = [&](const char *a) {
            const QStringList xy = XStr(v, a).split(',');
            auto len = [](QString t) {
                t = t.trimmed();
                return vmlLength(!t.isEmpty() && t.back().isLetter() ? t : t + QStringLiteral("pt"));
            };
            return std::pair<qint64, qint64>(xy.size() > 0 ? len(xy[0]) : 0, xy.size() > 1 ? len(xy[1]) : 0);
        };
        auto [x1, y1] = point("from");
        auto [x2, y2] = point("to");
        s->LeftEmu = std::min(x1, x2);
        s->TopEmu = std::min(y1, y2);
        s->WidthEmu = std::abs(x2 - x1);
        s->HeightEmu = std::abs(y2 - y1);
        s->FlipH = x2 < x1;
        s->FlipV = y2 < y1;
    }
    if (!std::strcmp(n, "v:group")) {
        s->Kind = TShapeKind::Group;
        // Members are placed in the group's coordinate space (coordorigin, coordsize).
        const QStringList origin = XStr(v, "coordorigin").split(',');
        const QStringList size = XStr(v, "coordsize").split(',');
        // Members' unitless lengths are read as pixels (9525 EMU), so the space is scaled alike.
        auto units = [](const QStringList &l, int i) { return l.size() > i ? std::clamp<qint64>(l[i].trimmed().toLongLong(), -(1ll << 30), 1ll << 30) * 9525 : 0; };
        s->ChildOffX = units(origin, 0);
        s->ChildOffY = units(origin, 1);
        s->ChildExtX = std::max<qint64>(0, units(size, 0));
        s->ChildExtY = std::max<qint64>(0, units(size, 1));
        if (s->ChildExtX == 0 || s->ChildExtY == 0)
            s->ChildExtX = s->ChildExtY = 0;
        for (xml_node c = v.first_child(); c; c = c.next_sibling())
            if (std::strncmp(c.name(), "v:", 2) == 0 && !XIs(c, "v:shapetype"))
                if (auto child = readVmlShape(c, where, depth + 1))
                    s->Children.push_back(child);
        return s;
    }
    if (xml_node img = v.child("v:imagedata")) {
        s->Kind = TShapeKind::Picture;
        QString rid = XStr(img, "r:id");
        if (rid.isEmpty())
            rid = XStr(img, "o:relid");
        if (!rid.isEmpty()) {
            const TRelationship *r = m_ctx->Rels.Find(rid);
            if (r && r->External)
                s->LinkTarget = QUrl::fromPercentEncoding(r->Target.toUtf8());
            else
                s->MediaPart = mediaFor(rid, where);
        }
        if (s->Title.isEmpty())
            s->Title = XStr(img, "o:title");
        return s;
    }
    if (xml_node tb = v.child("v:textbox")) {
        // Shape type 202 is Word's text box; any other shape with text stays a drawing shape.
        s->Kind = XStr(v, "type").endsWith(QLatin1String("_x0000_t202")) ? TShapeKind::TextBox : TShapeKind::Drawing;
        if (xml_node c = tb.child("w:txbxContent"))
            s->Text = readTextBox(c);
        return s;
    }
    s->Kind = TShapeKind::Drawing;
    return s;
}

void Reader::readVml(xml_node pict, TParagraph &para, const std::shared_ptr<const TRunProps> &props)
{
    xml_node control = pict.child("w:control");
    std::shared_ptr<TShape> preview;
    for (xml_node c = pict.first_child(); c; c = c.next_sibling()) {
        const char *n = c.name();
        if (std::strncmp(n, "v:", 2) != 0 || XIs(c, "v:shapetype"))
            continue;
        auto s = readVmlShape(c, where(), 0);
        // A control's shape gives its place, size and preview: it is one object with it.
        if (control && !preview && s) {
            preview = s;
            continue;
        }
        pushShape(para, s, props);
    }
    if (control) {
        auto s = preview ? preview : std::make_shared<TShape>();
        s->Where = where();
        readControl(control, *s);
        pushShape(para, s, props);
    }
}

void Reader::readControl(xml_node control, TShape &s)
{
    s.Kind = TShapeKind::Control;
    s.Name = XStr(control, "w:name");
    const TRelationship *r = m_ctx->Rels.Find(XStr(control, "r:id"));
    auto ax = r && !r->Part.isEmpty() ? optionalPart(r->Part) : nullptr;
    if (!ax) {
        warn(QStringLiteral("control part"), QStringLiteral("A control whose part is missing keeps no class or properties"));
        return;
    }
    xml_node ocx = ax->document_element();
    QString clsid = XStr(ocx, "ax:classid").toUpper();
    static const QHash<QString, QString> progIds = {
        {"{D27CDB6E-AE6D-11CF-96B8-444553540000}", "ShockwaveFlash.ShockwaveFlash.1"},
        {"{8BD21D10-EC42-11CE-9E0D-00AA006002F3}", "Forms.TextBox.1"},
        {"{D7053240-CE69-11CD-A777-00DD01143C57}", "Forms.CommandButton.1"},
        {"{8BD21D40-EC42-11CE-9E0D-00AA006002F3}", "Forms.CheckBox.1"},
        {"{8BD21D50-EC42-11CE-9E0D-00AA006002F3}", "Forms.OptionButton.1"},
        {"{8BD21D30-EC42-11CE-9E0D-00AA006002F3}", "Forms.ComboBox.1"},
        {"{8BD21D20-EC42-11CE-9E0D-00AA006002F3}", "Forms.ListBox.1"},
        {"{978C9E23-D4B0-11CE-BF2D-00AA003F40D0}", "Forms.Label.1"},
        {"{4C599241-6926-101B-9992-00000B65C6F9}", "Forms.Image.1"},
        {"{6BF52A52-394A-11D3-B153-00C04F79FAA6}", "WMPlayer.OCX.7"}};
    s.ClassType = progIds.value(clsid, clsid);
    for (xml_node p = ocx.child("ax:ocxPr"); p; p = p.next_sibling("ax:ocxPr"))
        s.ControlProperties.emplace_back(XStr(p, "ax:name"), XStr(p, "ax:value"));
}

void Reader::readObject(xml_node obj, TParagraph &para, const std::shared_ptr<const TRunProps> &props)
{
    // An embedded object shows its preview picture; a control is an object of its own.
    std::shared_ptr<TShape> preview;
    for (xml_node c = obj.first_child(); c; c = c.next_sibling())
        if (std::strncmp(c.name(), "v:", 2) == 0 && !XIs(c, "v:shapetype")) {
            preview = readVmlShape(c, where(), 0);
            break;
        }
    auto s = preview ? preview : std::make_shared<TShape>();
    s->Where = where();
    if (!preview) {
        s->WidthEmu = qint64(XTwips(obj, "w:dxaOrig", 0)) * 635;
        s->HeightEmu = qint64(XTwips(obj, "w:dyaOrig", 0)) * 635;
    }
    if (xml_node control = obj.child("w:control")) {
        readControl(control, *s);
    } else if (xml_node ole = obj.child("o:OLEObject")) {
        s->Kind = TShapeKind::OleObject;
        s->ClassType = XStr(ole, "ProgID");
        if (XStr(ole, "Type") == QLatin1String("Link"))
            s->LinkTarget = [&]() {
                const TRelationship *r = m_ctx->Rels.Find(XStr(ole, "r:id"));
                return r ? r->Target : QString();
            }();
    } else if (!preview) {
        s->Kind = TShapeKind::OleObject;
    }
    pushShape(para, s, props);
}

} // namespace

// --- entry points --------------------------------------------------------------------------------

namespace {
std::unique_ptr<TDocument> readWith(TZipReader &zip, const TDocxOptions &options, const QString &defaultBase)
{
    auto doc = std::make_unique<TDocument>();
    doc->FileName = zip.DisplayName();
    doc->LinkBase = options.LinkBase.isEmpty() ? defaultBase : options.LinkBase;
    Reader reader(*doc, &zip, zip.DisplayName());
    reader.ReadPackage();
    doc->FlushWarnings();
    return doc;
}
} // namespace

std::unique_ptr<TDocument> ReadDocx(const QString &path, const TDocxOptions &options)
{
    QString display = options.DisplayName.isEmpty() ? QFileInfo(path).fileName() : options.DisplayName;
    auto zip = TZipReader::OpenFile(path, display, options.Zip);
    return readWith(*zip, options, QFileInfo(path).absolutePath());
}

std::unique_ptr<TDocument> ReadDocxBytes(const QByteArray &bytes, const TDocxOptions &options)
{
    auto zip = TZipReader::OpenBytes(bytes, options.DisplayName, options.Zip);
    return readWith(*zip, options, QString());
}

void ReadStylesPart(const QByteArray &xml, TStyleSheet &styles, const QString &fileName)
{
    auto x = ParseXmlPart(xml, fileName, QStringLiteral("word/styles.xml"));
    TDocument doc;
    Reader r(doc, nullptr, fileName);
    r.ReadStylesRoot(x->document_element());
    styles = std::move(doc.Styles);
}

void ReadNumberingPart(const QByteArray &xml, TNumbering &numbering, const QString &fileName)
{
    auto x = ParseXmlPart(xml, fileName, QStringLiteral("word/numbering.xml"));
    TDocument doc;
    Reader r(doc, nullptr, fileName);
    r.ReadNumberingRoot(x->document_element());
    numbering = std::move(doc.Numbering);
}

std::unique_ptr<TDocument> ReadDocumentPart(const QByteArray &xml, const QString &fileName)
{
    auto x = ParseXmlPart(xml, fileName, QStringLiteral("word/document.xml"));
    auto doc = std::make_unique<TDocument>();
    doc->FileName = fileName;
    Reader r(*doc, nullptr, fileName);
    Context ctx;
    ctx.Part = QStringLiteral("word/document.xml");
    ctx.Story = &doc->Body;
    r.ReadDocumentRoot(x->document_element(), ctx);
    doc->FlushWarnings();
    return doc;
}

} // namespace tavrel::engine
