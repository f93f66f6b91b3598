// Formatting as WordprocessingML: run, paragraph, table, row, cell and section properties, the
// style sheet and the list definitions. Elements come in the order the schema gives them.
#include "word/engine/DocxWriteParts.h"

namespace tavrel::engine::docxw {

QByteArray Esc(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const char16_t u = c.unicode();
        if (u == '&')
            out += QLatin1String("&amp;");
        else if (u == '<')
            out += QLatin1String("&lt;");
        else if (u == '>')
            out += QLatin1String("&gt;");
        else if (u == '"')
            out += QLatin1String("&quot;");
        else if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
            continue; // not allowed in XML 1.0
        else if (u == 0xFFFE || u == 0xFFFF)
            continue;
        else if (c.isHighSurrogate()) {
            if (i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
                out += c;
                out += s[++i];
            }
        } else if (c.isLowSurrogate())
            continue; // a lone half of a pair
        else
            out += c;
    }
    return out.toUtf8();
}

QByteArray Attr(const char *name, const QString &value)
{
    return QByteArray(" ") + name + "=\"" + Esc(value) + '"';
}

QByteArray Attr(const char *name, int value)
{
    return QByteArray(" ") + name + "=\"" + QByteArray::number(value) + '"';
}

QString TPartRels::Add(const QString &type, const QString &target, bool external)
{
    const std::pair<QString, QString> key{type, (external ? QStringLiteral("x:") : QStringLiteral("i:")) + target};
    auto it = m_known.find(key);
    if (it != m_known.end())
        return it->second;
    Rel r{QStringLiteral("rId%1").arg(m_rels.size() + 1), type, target, external};
    m_rels.push_back(r);
    m_known[key] = r.Id;
    return r.Id;
}

QByteArray TPartRels::Xml() const
{
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const Rel &r : m_rels) {
        x += "<Relationship" + Attr("Id", r.Id) + Attr("Type", QLatin1String(kRelBase) + r.Type) + Attr("Target", r.Target);
        if (r.External)
            x += " TargetMode=\"External\"";
        x += "/>";
    }
    x += "</Relationships>";
    return x;
}

namespace {

void onOff(QByteArray &x, const char *tag, const std::optional<bool> &v)
{
    if (!v)
        return;
    x += QByteArray("<w:") + tag + (*v ? "/>" : " w:val=\"0\"/>");
}

void val(QByteArray &x, const char *tag, const std::optional<QString> &v)
{
    if (v && !v->isEmpty())
        x += QByteArray("<w:") + tag + Attr("w:val", *v) + "/>";
}

void val(QByteArray &x, const char *tag, const std::optional<int> &v)
{
    if (v)
        x += QByteArray("<w:") + tag + Attr("w:val", *v) + "/>";
}

QByteArray border(const char *tag, const TBorder &b)
{
    QByteArray x = QByteArray("<w:") + tag + Attr("w:val", b.Style.isEmpty() ? QStringLiteral("nil") : b.Style);
    if (!b.None()) {
        x += Attr("w:sz", b.Size) + Attr("w:space", b.Space);
        x += Attr("w:color", b.Color.isEmpty() ? QStringLiteral("auto") : b.Color);
    }
    return x + "/>";
}

QByteArray shading(const TShading &s)
{
    QByteArray x = "<w:shd" + Attr("w:val", s.Pattern.isEmpty() ? QStringLiteral("clear") : s.Pattern);
    x += Attr("w:color", s.Color.isEmpty() ? QStringLiteral("auto") : s.Color);
    x += Attr("w:fill", s.Fill.isEmpty() ? QStringLiteral("auto") : s.Fill);
    return x + "/>";
}

QByteArray width(const char *tag, const TWidth &w)
{
    return QByteArray("<w:") + tag + Attr("w:w", w.Value) + Attr("w:type", w.Type.isEmpty() ? QStringLiteral("dxa") : w.Type) + "/>";
}

QByteArray borders(const char *tag, const TTableBorders &b, bool cell)
{
    QByteArray in;
    if (b.Top)
        in += border("top", *b.Top);
    if (b.Left)
        in += border(cell ? "start" : "left", *b.Left);
    if (b.Bottom)
        in += border("bottom", *b.Bottom);
    if (b.Right)
        in += border(cell ? "end" : "right", *b.Right);
    if (b.InsideH)
        in += border("insideH", *b.InsideH);
    if (b.InsideV)
        in += border("insideV", *b.InsideV);
    if (in.isEmpty())
        return in;
    return QByteArray("<w:") + tag + ">" + in + "</w:" + tag + ">";
}

QByteArray margins(const char *tag, const TMargins &m)
{
    QByteArray in;
    auto one = [&](const char *t, const std::optional<int> &v) {
        if (v)
            in += QByteArray("<w:") + t + Attr("w:w", *v) + " w:type=\"dxa\"/>";
    };
    one("top", m.Top);
    one("left", m.Left);
    one("bottom", m.Bottom);
    one("right", m.Right);
    if (in.isEmpty())
        return in;
    return QByteArray("<w:") + tag + ">" + in + "</w:" + tag + ">";
}

} // namespace

QByteArray RunProps(const TRunProps &r, bool withTag)
{
    QByteArray x;
    val(x, "rStyle", r.Style);
    if (r.Font || r.FontEastAsia || r.FontComplex) {
        x += "<w:rFonts";
        if (r.Font)
            x += Attr("w:ascii", *r.Font) + Attr("w:hAnsi", *r.Font);
        if (r.FontEastAsia)
            x += Attr("w:eastAsia", *r.FontEastAsia);
        if (r.FontComplex)
            x += Attr("w:cs", *r.FontComplex);
        x += "/>";
    }
    onOff(x, "b", r.Bold);
    onOff(x, "bCs", r.Bold);
    onOff(x, "i", r.Italic);
    onOff(x, "iCs", r.Italic);
    onOff(x, "caps", r.Caps);
    onOff(x, "smallCaps", r.SmallCaps);
    onOff(x, "strike", r.Strike);
    onOff(x, "dstrike", r.DoubleStrike);
    onOff(x, "outline", r.Outline);
    onOff(x, "shadow", r.Shadow);
    onOff(x, "emboss", r.Emboss);
    onOff(x, "imprint", r.Imprint);
    onOff(x, "vanish", r.Hidden);
    onOff(x, "webHidden", r.WebHidden);
    val(x, "color", r.Color);
    val(x, "spacing", r.Spacing);
    val(x, "w", r.Scale);
    val(x, "position", r.Position);
    val(x, "sz", r.Size);
    val(x, "szCs", r.Size);
    val(x, "highlight", r.Highlight);
    if (r.Underline) {
        x += "<w:u" + Attr("w:val", *r.Underline);
        if (r.UnderlineColor)
            x += Attr("w:color", *r.UnderlineColor);
        x += "/>";
    }
    if (r.Border)
        x += border("bdr", *r.Border);
    if (r.Shading)
        x += shading(*r.Shading);
    val(x, "vertAlign", r.VertAlign);
    onOff(x, "rtl", r.Rtl);
    if (r.Lang || r.LangEastAsia) {
        x += "<w:lang";
        if (r.Lang)
            x += Attr("w:val", *r.Lang);
        if (r.LangEastAsia)
            x += Attr("w:eastAsia", *r.LangEastAsia);
        x += "/>";
    }
    if (!withTag || x.isEmpty())
        return x;
    return "<w:rPr>" + x + "</w:rPr>";
}

static QByteArray paraPropsInner(const TParaProps &p)
{
    QByteArray x;
    val(x, "pStyle", p.Style);
    onOff(x, "keepNext", p.KeepNext);
    onOff(x, "keepLines", p.KeepLines);
    onOff(x, "pageBreakBefore", p.PageBreakBefore);
    onOff(x, "widowControl", p.WidowControl);
    if (p.NumId) {
        x += "<w:numPr>";
        x += "<w:ilvl" + Attr("w:val", std::clamp(p.NumLevel.value_or(0), 0, 8)) + "/>";
        x += "<w:numId" + Attr("w:val", *p.NumId) + "/></w:numPr>";
    }
    onOff(x, "suppressLineNumbers", p.SuppressLineNumbers);
    if (p.BorderTop || p.BorderLeft || p.BorderBottom || p.BorderRight || p.BorderBetween) {
        x += "<w:pBdr>";
        if (p.BorderTop)
            x += border("top", *p.BorderTop);
        if (p.BorderLeft)
            x += border("left", *p.BorderLeft);
        if (p.BorderBottom)
            x += border("bottom", *p.BorderBottom);
        if (p.BorderRight)
            x += border("right", *p.BorderRight);
        if (p.BorderBetween)
            x += border("between", *p.BorderBetween);
        x += "</w:pBdr>";
    }
    if (p.Shading)
        x += shading(*p.Shading);
    if (p.Tabs && !p.Tabs->empty()) {
        x += "<w:tabs>";
        for (const TTabStop &t : *p.Tabs) {
            x += "<w:tab" + Attr("w:val", t.Align.isEmpty() ? QStringLiteral("left") : t.Align);
            if (!t.Leader.isEmpty())
                x += Attr("w:leader", t.Leader);
            x += Attr("w:pos", t.Pos) + "/>";
        }
        x += "</w:tabs>";
    }
    onOff(x, "bidi", p.Bidi);
    if (p.SpaceBefore || p.SpaceAfter || p.Line || p.BeforeAuto || p.AfterAuto) {
        x += "<w:spacing";
        if (p.SpaceBefore)
            x += Attr("w:before", *p.SpaceBefore);
        if (p.BeforeAuto)
            x += Attr("w:beforeAutospacing", *p.BeforeAuto ? 1 : 0);
        if (p.SpaceAfter)
            x += Attr("w:after", *p.SpaceAfter);
        if (p.AfterAuto)
            x += Attr("w:afterAutospacing", *p.AfterAuto ? 1 : 0);
        if (p.Line) {
            x += Attr("w:line", *p.Line);
            x += Attr("w:lineRule", p.LineRule.value_or(QStringLiteral("auto")));
        }
        x += "/>";
    }
    if (p.IndLeft || p.IndRight || p.IndFirst) {
        x += "<w:ind";
        if (p.IndLeft)
            x += Attr("w:left", *p.IndLeft);
        if (p.IndRight)
            x += Attr("w:right", *p.IndRight);
        if (p.IndFirst)
            x += *p.IndFirst < 0 ? Attr("w:hanging", -*p.IndFirst) : Attr("w:firstLine", *p.IndFirst);
        x += "/>";
    }
    onOff(x, "contextualSpacing", p.ContextualSpacing);
    val(x, "jc", p.Align);
    if (p.OutlineLevel)
        x += "<w:outlineLvl" + Attr("w:val", std::clamp(*p.OutlineLevel, 0, 9)) + "/>";
    return x;
}

QByteArray ParaProps(const TParaProps &p, const TRunProps *mark)
{
    QByteArray x = paraPropsInner(p);
    if (mark)
        x += RunProps(*mark);
    return x;
}

QByteArray TableProps(const TTableProps &t)
{
    QByteArray x;
    val(x, "tblStyle", t.Style);
    if (t.Width)
        x += width("tblW", *t.Width);
    val(x, "jc", t.Align);
    if (t.CellSpacing)
        x += "<w:tblCellSpacing" + Attr("w:w", *t.CellSpacing) + " w:type=\"dxa\"/>";
    if (t.Indent)
        x += "<w:tblInd" + Attr("w:w", *t.Indent) + " w:type=\"dxa\"/>";
    x += borders("tblBorders", t.Borders, false);
    if (t.Shading)
        x += shading(*t.Shading);
    if (t.Layout)
        x += "<w:tblLayout" + Attr("w:type", *t.Layout == QLatin1String("fixed") ? QStringLiteral("fixed") : QStringLiteral("autofit")) + "/>";
    x += margins("tblCellMar", t.CellMargins);
    x += "<w:tblLook" + Attr("w:firstRow", t.LookFirstRow) + Attr("w:lastRow", t.LookLastRow) +
         Attr("w:firstColumn", t.LookFirstColumn) + Attr("w:lastColumn", t.LookLastColumn) +
         Attr("w:noHBand", t.LookNoHBand) + Attr("w:noVBand", t.LookNoVBand) + "/>";
    return "<w:tblPr>" + x + "</w:tblPr>";
}

QByteArray RowProps(const TRowProps &r)
{
    QByteArray x;
    if (r.GridBefore)
        x += "<w:gridBefore" + Attr("w:val", r.GridBefore) + "/>";
    if (r.GridAfter)
        x += "<w:gridAfter" + Attr("w:val", r.GridAfter) + "/>";
    if (r.CantSplit)
        x += "<w:cantSplit/>";
    if (r.Height) {
        x += "<w:trHeight" + Attr("w:val", *r.Height);
        if (r.HeightRule)
            x += Attr("w:hRule", *r.HeightRule);
        x += "/>";
    }
    if (r.Header)
        x += "<w:tblHeader/>";
    return x.isEmpty() ? x : "<w:trPr>" + x + "</w:trPr>";
}

QByteArray CellProps(const TCellProps &c)
{
    QByteArray x;
    if (c.Width)
        x += width("tcW", *c.Width);
    if (c.GridSpan > 1)
        x += "<w:gridSpan" + Attr("w:val", c.GridSpan) + "/>";
    if (c.HMerge == QLatin1String("restart") || c.HMerge == QLatin1String("continue"))
        x += "<w:hMerge" + Attr("w:val", c.HMerge) + "/>";
    if (c.VMerge == QLatin1String("restart"))
        x += "<w:vMerge w:val=\"restart\"/>";
    else if (c.VMerge == QLatin1String("continue"))
        x += "<w:vMerge/>";
    x += borders("tcBorders", c.Borders, false);
    if (c.Shading)
        x += shading(*c.Shading);
    if (c.NoWrap)
        x += "<w:noWrap/>";
    x += margins("tcMar", c.Margins);
    val(x, "vAlign", c.VAlign);
    return x.isEmpty() ? x : "<w:tcPr>" + x + "</w:tcPr>";
}

QByteArray SectionProps(const TSectionProps &s, TWriter &w, TPartRels &rels)
{
    QByteArray x = "<w:sectPr>";
    auto refs = [&](const char *tag, const std::vector<std::pair<QString, QString>> &list, const char *type) {
        for (const auto &[kind, part] : list) {
            auto it = w.HeaderParts.find(part);
            if (it == w.HeaderParts.end())
                continue;
            const QString id = rels.Add(QLatin1String(type), it->second.mid(5)); // relative to word/
            x += QByteArray("<w:") + tag + Attr("w:type", kind.isEmpty() ? QStringLiteral("default") : kind) + Attr("r:id", id) + "/>";
        }
    };
    refs("headerReference", s.HeaderRefs, "header");
    refs("footerReference", s.FooterRefs, "footer");
    if (!s.Type.isEmpty())
        x += "<w:type" + Attr("w:val", s.Type) + "/>";
    x += "<w:pgSz" + Attr("w:w", s.PageWidth) + Attr("w:h", s.PageHeight);
    if (s.Landscape)
        x += " w:orient=\"landscape\"";
    x += "/>";
    x += "<w:pgMar" + Attr("w:top", s.MarginTop) + Attr("w:right", s.MarginRight) + Attr("w:bottom", s.MarginBottom) +
         Attr("w:left", s.MarginLeft) + " w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/>";
    if (s.Columns > 1)
        x += "<w:cols" + Attr("w:num", s.Columns) + "/>";
    return x + "</w:sectPr>";
}

// --- styles and lists ----------------------------------------------------------------------------

namespace {

const char *styleType(TStyleType t)
{
    switch (t) {
    case TStyleType::Character: return "character";
    case TStyleType::Table: return "table";
    case TStyleType::Numbering: return "numbering";
    default: return "paragraph";
    }
}

} // namespace

QByteArray StylesXml(const TStyleSheet &styles)
{
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">";
    x += "<w:docDefaults><w:rPrDefault>" + QByteArray(RunProps(styles.DocRPr).isEmpty() ? "<w:rPr/>" : RunProps(styles.DocRPr)) +
         "</w:rPrDefault><w:pPrDefault><w:pPr>" + ParaProps(styles.DocPPr, nullptr) + "</w:pPr></w:pPrDefault></w:docDefaults>";
    for (int i = 0; i < styles.Count(); ++i) {
        const TStyle &s = styles.At(i);
        x += "<w:style" + Attr("w:type", QLatin1String(styleType(s.Type))) + Attr("w:styleId", s.Id);
        if (s.Default)
            x += " w:default=\"1\"";
        if (s.Custom)
            x += " w:customStyle=\"1\"";
        x += "><w:name" + Attr("w:val", s.Name.isEmpty() ? s.Id : s.Name) + "/>";
        if (!s.BasedOn.isEmpty() && s.BasedOn != s.Id)
            x += "<w:basedOn" + Attr("w:val", s.BasedOn) + "/>";
        if (!s.Next.isEmpty())
            x += "<w:next" + Attr("w:val", s.Next) + "/>";
        if (!s.Link.isEmpty())
            x += "<w:link" + Attr("w:val", s.Link) + "/>";
        if (BuiltinHeadingLevel(s.Name) || s.Type == TStyleType::Paragraph)
            x += "<w:qFormat/>";
        if (s.Type == TStyleType::Paragraph) {
            const QByteArray p = ParaProps(s.PPr, nullptr);
            if (!p.isEmpty())
                x += "<w:pPr>" + p + "</w:pPr>";
        }
        x += RunProps(s.RPr);
        if (s.Type == TStyleType::Table) {
            x += TableProps(s.TblPr);
            x += CellProps(s.TcPr);
            for (const auto &[type, region] : s.Regions) {
                x += "<w:tblStylePr" + Attr("w:type", type) + ">";
                const QByteArray p = ParaProps(region.PPr, nullptr);
                if (!p.isEmpty())
                    x += "<w:pPr>" + p + "</w:pPr>";
                x += RunProps(region.RPr) + TableProps(region.TblPr) + CellProps(region.TcPr) + "</w:tblStylePr>";
            }
        }
        x += "</w:style>";
    }
    return x + "</w:styles>";
}

static QByteArray levelXml(int ilvl, const TNumLevel &l)
{
    QByteArray x = "<w:lvl" + Attr("w:ilvl", ilvl) + ">";
    x += "<w:start" + Attr("w:val", l.Start) + "/>";
    x += "<w:numFmt" + Attr("w:val", l.Format.isEmpty() ? QStringLiteral("decimal") : l.Format) + "/>";
    if (l.Restart >= 0)
        x += "<w:lvlRestart" + Attr("w:val", l.Restart) + "/>";
    if (l.Legal)
        x += "<w:isLgl/>";
    x += "<w:suff" + Attr("w:val", l.Suffix.isEmpty() ? QStringLiteral("tab") : l.Suffix) + "/>";
    x += "<w:lvlText" + Attr("w:val", l.Text) + "/>";
    x += "<w:lvlJc" + Attr("w:val", l.Align.isEmpty() ? QStringLiteral("left") : l.Align) + "/>";
    const QByteArray p = ParaProps(l.PPr, nullptr);
    if (!p.isEmpty())
        x += "<w:pPr>" + p + "</w:pPr>";
    x += RunProps(l.RPr);
    return x + "</w:lvl>";
}

QByteArray NumberingXml(const TNumbering &n)
{
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">";
    for (const auto &[id, a] : n.Abstracts) {
        x += "<w:abstractNum" + Attr("w:abstractNumId", id) + ">";
        x += "<w:multiLevelType w:val=\"hybridMultilevel\"/>";
        if (!a.StyleLink.isEmpty())
            x += "<w:styleLink" + Attr("w:val", a.StyleLink) + "/>";
        if (!a.NumStyleLink.isEmpty())
            x += "<w:numStyleLink" + Attr("w:val", a.NumStyleLink) + "/>";
        for (int i = 0; i < 9; ++i)
            if (a.Levels[size_t(i)].Defined)
                x += levelXml(i, a.Levels[size_t(i)]);
        x += "</w:abstractNum>";
    }
    for (const auto &[id, num] : n.Nums) {
        if (num.AbstractId < 0 || !n.Abstracts.count(num.AbstractId))
            continue;
        x += "<w:num" + Attr("w:numId", id) + "><w:abstractNumId" + Attr("w:val", num.AbstractId) + "/>";
        for (int i = 0; i < 9; ++i) {
            const TNumOverride &o = num.Overrides[size_t(i)];
            if (!o.Start && !o.Level)
                continue;
            x += "<w:lvlOverride" + Attr("w:ilvl", i) + ">";
            if (o.Start)
                x += "<w:startOverride" + Attr("w:val", *o.Start) + "/>";
            if (o.Level)
                x += levelXml(i, *o.Level);
            x += "</w:lvlOverride>";
        }
        x += "</w:num>";
    }
    return x + "</w:numbering>";
}

} // namespace tavrel::engine::docxw
