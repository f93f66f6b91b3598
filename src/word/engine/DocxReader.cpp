#include "word/engine/DocxReaderParts.h"

namespace tavrel::engine {

using namespace docxr;

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

} // namespace tavrel::engine

namespace tavrel::engine::docxr {

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

} // namespace tavrel::engine::docxr

namespace tavrel::engine {

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
