// Formatting properties of runs, paragraphs, tables, rows, cells and sections.
#include "word/engine/DocxReaderParts.h"

#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

namespace tavrel::engine::docxr {

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

// Each property element is read by its entry in a table: switches by member, the others by a
// small reader of their own.
template <class Props>
struct TPropertyTable
{
    using Read = void (*)(Reader &, xml_node, Props &);
    std::unordered_map<std::string_view, std::optional<bool> Props::*> Switches;
    std::unordered_map<std::string_view, Read> Readers;
    // Table, row and cell properties take the first of repeated elements, the others the last.
    bool FirstWins = false;

    void Apply(Reader &reader, xml_node parent, Props &out) const
    {
        std::unordered_set<std::string_view> seen;
        for (xml_node e = parent.first_child(); e; e = e.next_sibling()) {
            const char *n = e.name();
            if (std::strncmp(n, "w:", 2) != 0)
                continue;
            const std::string_view name(n + 2);
            if (FirstWins && !seen.insert(name).second)
                continue;
            if (auto sw = Switches.find(name); sw != Switches.end())
                out.*(sw->second) = XOnOff(e);
            else if (auto r = Readers.find(name); r != Readers.end())
                r->second(reader, e, out);
        }
    }
};

namespace {

// The sides of a border or margin element by name; "start" and "end" are "left" and "right".
template <class Side, class Sides>
void readSides(xml_node parent, Sides &out, Side (*read)(xml_node))
{
    static const std::unordered_map<std::string_view, std::optional<Side> Sides::*> sides = [] {
        std::unordered_map<std::string_view, std::optional<Side> Sides::*> m{
            {"top", &Sides::Top}, {"left", &Sides::Left}, {"start", &Sides::Left},
            {"bottom", &Sides::Bottom}, {"right", &Sides::Right}, {"end", &Sides::Right}};
        if constexpr (std::is_same_v<Sides, TTableBorders>) {
            m.emplace("insideH", &TTableBorders::InsideH);
            m.emplace("insideV", &TTableBorders::InsideV);
        }
        return m;
    }();
    for (xml_node e = parent.first_child(); e; e = e.next_sibling()) {
        const char *n = e.name();
        if (std::strncmp(n, "w:", 2) != 0)
            continue;
        if (auto it = sides.find(std::string_view(n + 2)); it != sides.end())
            out.*(it->second) = read(e);
    }
}

int marginOf(xml_node e) { return XTwips(e, "w:w", 0); }

} // namespace

TParaProps Reader::readPPr(xml_node ppr)
{
    TParaProps p;
    if (!ppr)
        return p;
    static const TPropertyTable<TParaProps> table{
        {{"keepNext", &TParaProps::KeepNext},
         {"keepLines", &TParaProps::KeepLines},
         {"pageBreakBefore", &TParaProps::PageBreakBefore},
         {"contextualSpacing", &TParaProps::ContextualSpacing},
         {"bidi", &TParaProps::Bidi},
         {"widowControl", &TParaProps::WidowControl},
         {"suppressLineNumbers", &TParaProps::SuppressLineNumbers}},
        {{"pStyle", [](Reader &, xml_node e, TParaProps &p) { p.Style = XStr(e, "w:val"); }},
         {"jc",
          [](Reader &, xml_node e, TParaProps &p) {
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
          }},
         {"ind",
          [](Reader &, xml_node e, TParaProps &p) {
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
          }},
         {"spacing",
          [](Reader &, xml_node e, TParaProps &p) {
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
          }},
         {"numPr",
          [](Reader &, xml_node e, TParaProps &p) {
              if (xml_node id = e.child("w:numId"))
                  p.NumId = XInt(id, "w:val", 0);
              if (xml_node l = e.child("w:ilvl"))
                  p.NumLevel = std::clamp(XInt(l, "w:val", 0), 0, 8);
          }},
         {"outlineLvl", [](Reader &, xml_node e, TParaProps &p) { p.OutlineLevel = XInt(e, "w:val", 9); }},
         {"pBdr",
          [](Reader &r, xml_node e, TParaProps &p) {
              for (xml_node b = e.first_child(); b; b = b.next_sibling()) {
                  const char *bn = b.name();
                  if (!std::strcmp(bn, "w:top"))
                      p.BorderTop = r.readBorder(b);
                  else if (!std::strcmp(bn, "w:left") || !std::strcmp(bn, "w:start"))
                      p.BorderLeft = r.readBorder(b);
                  else if (!std::strcmp(bn, "w:bottom"))
                      p.BorderBottom = r.readBorder(b);
                  else if (!std::strcmp(bn, "w:right") || !std::strcmp(bn, "w:end"))
                      p.BorderRight = r.readBorder(b);
                  else if (!std::strcmp(bn, "w:between"))
                      p.BorderBetween = r.readBorder(b);
              }
          }},
         {"shd", [](Reader &r, xml_node e, TParaProps &p) { p.Shading = r.readShading(e); }},
         {"tabs",
          [](Reader &, xml_node e, TParaProps &p) {
              std::vector<TTabStop> tabs;
              for (xml_node t = e.child("w:tab"); t; t = t.next_sibling("w:tab"))
                  tabs.push_back({XStr(t, "w:val"), XTwips(t, "w:pos"), XStr(t, "w:leader")});
              p.Tabs = tabs;
          }},
         {"framePr", [](Reader &, xml_node, TParaProps &p) { p.Frame = true; }}}};
    table.Apply(*this, ppr, p);
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
    static const TPropertyTable<TRunProps> table{
        {{"b", &TRunProps::Bold},
         {"i", &TRunProps::Italic},
         {"caps", &TRunProps::Caps},
         {"smallCaps", &TRunProps::SmallCaps},
         {"strike", &TRunProps::Strike},
         {"dstrike", &TRunProps::DoubleStrike},
         {"vanish", &TRunProps::Hidden},
         {"outline", &TRunProps::Outline},
         {"shadow", &TRunProps::Shadow},
         {"emboss", &TRunProps::Emboss},
         {"imprint", &TRunProps::Imprint},
         {"webHidden", &TRunProps::WebHidden},
         {"rtl", &TRunProps::Rtl}},
        {{"bdr", [](Reader &rd, xml_node e, TRunProps &r) { r.Border = rd.readBorder(e); }},
         {"color", [](Reader &, xml_node e, TRunProps &r) { r.Color = XStr(e, "w:val"); }},
         {"highlight", [](Reader &, xml_node e, TRunProps &r) { r.Highlight = XStr(e, "w:val"); }},
         {"lang",
          [](Reader &, xml_node e, TRunProps &r) {
              if (XHas(e, "w:val"))
                  r.Lang = XStr(e, "w:val");
              if (XHas(e, "w:eastAsia"))
                  r.LangEastAsia = XStr(e, "w:eastAsia");
          }},
         {"position", [](Reader &, xml_node e, TRunProps &r) { r.Position = XInt(e, "w:val"); }},
         {"rStyle", [](Reader &, xml_node e, TRunProps &r) { r.Style = XStr(e, "w:val"); }},
         {"rFonts",
          [](Reader &rd, xml_node e, TRunProps &r) {
              QString f = rd.fontFrom(e, "w:ascii", "w:asciiTheme");
              if (f.isEmpty())
                  f = rd.fontFrom(e, "w:hAnsi", "w:hAnsiTheme");
              if (!f.isEmpty())
                  r.Font = f;
              QString ea = rd.fontFrom(e, "w:eastAsia", "w:eastAsiaTheme");
              if (!ea.isEmpty())
                  r.FontEastAsia = ea;
              QString cs = rd.fontFrom(e, "w:cs", "w:cstheme");
              if (!cs.isEmpty())
                  r.FontComplex = cs;
          }},
         {"sz", [](Reader &, xml_node e, TRunProps &r) { r.Size = XInt(e, "w:val", 20); }},
         {"spacing", [](Reader &, xml_node e, TRunProps &r) { r.Spacing = XTwips(e, "w:val"); }},
         {"shd", [](Reader &rd, xml_node e, TRunProps &r) { r.Shading = rd.readShading(e); }},
         {"u",
          [](Reader &, xml_node e, TRunProps &r) {
              r.Underline = XHas(e, "w:val") ? XStr(e, "w:val") : QStringLiteral("single");
              if (XHas(e, "w:color"))
                  r.UnderlineColor = XStr(e, "w:color");
          }},
         {"vertAlign", [](Reader &, xml_node e, TRunProps &r) { r.VertAlign = XStr(e, "w:val"); }},
         {"w", [](Reader &, xml_node e, TRunProps &r) { r.Scale = XInt(e, "w:val", 100); }}}};
    table.Apply(*this, rpr, r);
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

void Reader::readTableBorders(xml_node b, TTableBorders &out) { readSides(b, out, &Reader::readBorder); }

void Reader::readMargins(xml_node m, TMargins &out) { readSides(m, out, &marginOf); }

TTableProps Reader::readTblPr(xml_node t)
{
    TTableProps p;
    if (!t)
        return p;
    static const TPropertyTable<TTableProps> table{
        {},
        {{"tblStyle", [](Reader &, xml_node e, TTableProps &p) { p.Style = XStr(e, "w:val"); }},
         {"tblW", [](Reader &r, xml_node e, TTableProps &p) { p.Width = r.readWidth(e); }},
         {"jc",
          [](Reader &, xml_node e, TTableProps &p) {
              QString v = XStr(e, "w:val");
              if (v == QLatin1String("start"))
                  v = QStringLiteral("left");
              else if (v == QLatin1String("end"))
                  v = QStringLiteral("right");
              p.Align = v;
          }},
         {"tblInd", [](Reader &, xml_node e, TTableProps &p) { p.Indent = XTwips(e, "w:w"); }},
         {"tblCellSpacing", [](Reader &, xml_node e, TTableProps &p) { p.CellSpacing = XTwips(e, "w:w"); }},
         {"tblBorders", [](Reader &r, xml_node e, TTableProps &p) { r.readTableBorders(e, p.Borders); }},
         {"tblCellMar", [](Reader &r, xml_node e, TTableProps &p) { r.readMargins(e, p.CellMargins); }},
         {"shd", [](Reader &r, xml_node e, TTableProps &p) { p.Shading = r.readShading(e); }},
         {"tblLayout", [](Reader &, xml_node e, TTableProps &p) { p.Layout = XStr(e, "w:type"); }},
         {"tblLook",
          [](Reader &, xml_node look, TTableProps &p) {
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
          }}},
        true};
    table.Apply(*this, t, p);
    return p;
}

namespace {
// hMerge and vMerge: "restart" starts a merged run of cells; anything else continues one.
QString mergeOf(xml_node e)
{
    return XStr(e, "w:val") == QLatin1String("restart") ? QStringLiteral("restart") : QStringLiteral("continue");
}
} // namespace

TCellProps Reader::readTcPr(xml_node t)
{
    TCellProps p;
    if (!t)
        return p;
    static const TPropertyTable<TCellProps> table{
        {},
        {{"tcW", [](Reader &r, xml_node e, TCellProps &p) { p.Width = r.readWidth(e); }},
         {"gridSpan", [](Reader &, xml_node e, TCellProps &p) { p.GridSpan = std::clamp(XInt(e, "w:val", 1), 1, 1000); }},
         {"vMerge", [](Reader &, xml_node e, TCellProps &p) { p.VMerge = mergeOf(e); }},
         {"hMerge", [](Reader &, xml_node e, TCellProps &p) { p.HMerge = mergeOf(e); }},
         {"tcBorders", [](Reader &r, xml_node e, TCellProps &p) { r.readTableBorders(e, p.Borders); }},
         {"shd", [](Reader &r, xml_node e, TCellProps &p) { p.Shading = r.readShading(e); }},
         {"vAlign", [](Reader &, xml_node e, TCellProps &p) { p.VAlign = XStr(e, "w:val"); }},
         {"tcMar", [](Reader &r, xml_node e, TCellProps &p) { r.readMargins(e, p.Margins); }},
         {"noWrap", [](Reader &, xml_node e, TCellProps &p) { p.NoWrap = XOnOff(e); }}},
        true};
    table.Apply(*this, t, p);
    return p;
}

TRowProps Reader::readTrPr(xml_node t)
{
    TRowProps p;
    if (!t)
        return p;
    static const TPropertyTable<TRowProps> table{
        {},
        {{"trHeight",
          [](Reader &, xml_node e, TRowProps &p) {
              p.Height = XTwips(e, "w:val");
              if (XHas(e, "w:hRule"))
                  p.HeightRule = XStr(e, "w:hRule");
          }},
         {"tblHeader", [](Reader &, xml_node e, TRowProps &p) { p.Header = XOnOff(e); }},
         {"cantSplit", [](Reader &, xml_node e, TRowProps &p) { p.CantSplit = XOnOff(e); }},
         {"gridBefore", [](Reader &, xml_node e, TRowProps &p) { p.GridBefore = std::clamp(XInt(e, "w:val", 0), 0, 1000); }},
         {"gridAfter", [](Reader &, xml_node e, TRowProps &p) { p.GridAfter = std::clamp(XInt(e, "w:val", 0), 0, 1000); }}},
        true};
    table.Apply(*this, t, p);
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

} // namespace tavrel::engine::docxr
