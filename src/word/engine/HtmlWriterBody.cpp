#include "word/engine/HtmlWriterParts.h"

namespace tavrel::engine::html {

// --- paragraphs ------------------------------------------------------------------------------

double labelWidthPt(const QString &label, double sizePt)
{
    double w = 0;
    for (QChar c : label) {
        if (c == '.' || c == ',' || c == ')' || c == '(' || c == ':' || c == ' ' || c == 'i' || c == 'l' || c == 'I')
            w += 0.3;
        else if (c.isUpper() || c.isDigit())
            w += 0.6;
        else if (isEastAsian(c))
            w += 1.0;
        else
            w += 0.52;
    }
    return w * sizePt;
}

const TNumLevel *Writer::numberingOf(const TParagraph &p, const QString &styleId, int &numId, int &level)
{
    numId = -1;
    level = 0;
    if (p.Props->NumId) {
        numId = *p.Props->NumId;
        level = p.Props->NumLevel.value_or(0);
        if (!p.Props->NumLevel) {
            auto sn = m_doc.Styles.StyleNumbering(styleId);
            if (sn.first == numId)
                level = sn.second;
        }
    } else {
        auto sn = m_doc.Styles.StyleNumbering(styleId);
        numId = sn.first;
        level = std::max(0, sn.second);
    }
    if (numId <= 0)
        return nullptr;
    const TNumLevel *lvl = m_doc.Numbering.Level(numId, level, &m_doc.Styles);
    if (lvl && !IsKnownNumberFormat(lvl->Format))
        m_doc.Warn(QStringLiteral("number format ") + lvl->Format,
                   QStringLiteral("The list number format \"%1\" is written as decimal numbers").arg(lvl->Format), p.Where);
    return lvl;
}

void Writer::labelPiece(QString label, const TNumLevel &lvl, const TParaProps &props, const TParagraph &p,
                        const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces)
{
    TRunProps labelProps = effectiveRun(paraStyle, cell, p.MarkProps.get());
    TRunProps lr = lvl.RPr;
    if (lvl.Format == QLatin1String("bullet")) {
        if (!lvl.PictureBullet.isEmpty()) {
            label = QString(QChar(0x2022));
            m_doc.Warn(QStringLiteral("picture bullet"), QStringLiteral("A picture bullet is written as a round bullet"), p.Where);
            lr.Font.reset();
        } else if (lr.Font && IsSymbolFont(*lr.Font)) {
            QString mapped;
            bool all = true;
            for (QChar c : label) {
                char16_t u = SymbolFontChar(*lr.Font, c.unicode());
                if (u)
                    mapped += QChar(u);
                else
                    all = false;
            }
            if (all) {
                label = mapped;
                lr.Font.reset();
            }
        }
        if (label.isEmpty())
            label = QString(QChar(0x2022));
    }
    labelProps.Overlay(lr);
    labelProps.Underline.reset();

    CssMap inherited = cssRun(effectiveRun(paraStyle, cell, nullptr), label);
    CssMap eff = cssRun(labelProps, label);
    CssMap diff = cssDiff(eff, inherited);

    // The label hangs in the indent and the text starts at the next stop, as a tab would do.
    double size = labelProps.Size.value_or(20) / 2.0;
    int left = props.IndLeft.value_or(0), first = props.IndFirst.value_or(0);
    int start = left + first;
    int est = int(labelWidthPt(label, size) * 20);
    int tab = std::max(1, m_doc.DefaultTabStop);
    int width = 0;
    if (lvl.Suffix == QLatin1String("tab")) {
        int end = start + est;
        if (first < 0 && end <= left)
            width = -first;
        else
            width = (end / tab + 1) * tab - start;
    }
    Piece piece;
    piece.Raw = true;
    QString style = cssJoin(diff);
    QString content = EscapeHtml(label);
    if (lvl.Suffix == QLatin1String("space"))
        content += QStringLiteral("&nbsp;");
    if (width > 0)
        style = QStringLiteral("display:inline-block;width:") + pt(width) + QStringLiteral(";text-indent:0pt") +
                (style.isEmpty() ? QString() : ';' + style);
    piece.Html = style.isEmpty() ? QString(QStringLiteral("<span>") + content + QStringLiteral("</span>"))
                                 : QString(QStringLiteral("<span style='") + attrSingle(style) + QStringLiteral("'>") + content + QStringLiteral("</span>"));
    pieces.push_back(piece);
}

void Writer::writeParagraph(TParagraph &p, const CellContext *cell, const TParagraph *prev, const TParagraph *next, QString &out)
{
    QString styleId = p.StyleId();
    if (styleId.isEmpty() || !m_doc.Styles.Find(styleId))
        styleId = m_defaultPara;
    const int level = OutlineLevel(m_doc, p);
    const TStyle *style = m_doc.Styles.Find(styleId);
    const int builtin = style ? BuiltinHeadingLevel(style->Name) : 0;
    QString tag = level >= 1 && level <= 6 ? QStringLiteral("h") + QString::number(level) : QStringLiteral("p");
    QString cls;
    if (!(tag.startsWith('h') && builtin == level))
        cls = classOf(styleId);
    if (!cls.isEmpty())
        m_classTags[styleId].insert(tag);
    else
        m_classTags[styleId].insert(tag + QStringLiteral("!")); // the bare heading element

    int numId = -1, numLevel = 0;
    const TNumLevel *lvl = numberingOf(p, styleId, numId, numLevel);
    // Document defaults, the table style, the paragraph style, the list level, direct formatting.
    TParaProps props = m_doc.Styles.DocPPr;
    if (cell)
        props.Overlay(cell->PPr);
    props.Overlay(m_doc.Styles.ChainPPr(styleId));
    if (lvl)
        props.Overlay(lvl->PPr);
    props.Overlay(*p.Props);

    std::vector<Piece> pieces;
    m_lastSpace = true;
    // Links left open by the previous paragraph continue here.
    for (const auto &f : m_fields)
        if (f.LinkOpen) {
            Piece pc;
            pc.Raw = true;
            pc.Html = f.OpenTag;
            pieces.push_back(pc);
        }
    QString label;
    if (lvl) {
        label = m_lists.Next(numId, numLevel);
        if (!label.isEmpty() || lvl->Format == QLatin1String("bullet"))
            labelPiece(label, *lvl, props, p, styleId, cell, pieces);
        if (lvl->Format == QLatin1String("bullet") && label.isEmpty())
            label = QString(QChar(0x2022));
    }

    if (props.ContextualSpacing.value_or(false)) {
        if (prev && prev->StyleId() == p.StyleId())
            props.SpaceBefore = 0, props.BeforeAuto = false;
        if (next && next->StyleId() == p.StyleId())
            props.SpaceAfter = 0, props.AfterAuto = false;
    }
    if (props.Frame)
        m_doc.Warn(QStringLiteral("frame"), QStringLiteral("A text frame is written as an ordinary paragraph"), p.Where);

    std::vector<std::shared_ptr<TShape>> boxes;
    size_t before = pieces.size();
    inlines(p, styleId, cell, pieces, boxes);
    bool empty = true;
    for (size_t i = before; i < pieces.size(); ++i)
        if (!pieces[i].Raw || pieces[i].Html.startsWith(QLatin1String("<img")) || pieces[i].Html.startsWith(QLatin1String("<br")))
            empty = false;
    if (!label.isEmpty())
        empty = false;
    for (auto it = m_fields.rbegin(); it != m_fields.rend(); ++it)
        if (it->LinkOpen) {
            Piece pc;
            pc.Raw = true;
            pc.Html = QStringLiteral("</a>");
            pieces.push_back(pc);
        }

    QString paraStyleAttr;
    const bool ctxBefore = props.ContextualSpacing.value_or(false) && prev && prev->StyleId() == p.StyleId();
    const bool ctxAfter = props.ContextualSpacing.value_or(false) && next && next->StyleId() == p.StyleId();
    QString key = cell ? QString()
                       : QString::number(quintptr(p.Props.get()), 16) + '|' + styleId + '|' + QString::number(quintptr(lvl), 16) +
                             (ctxBefore ? QStringLiteral("|b") : QString()) + (ctxAfter ? QStringLiteral("|a") : QString());
    auto known = cell ? m_paraStyles.constEnd() : m_paraStyles.constFind(key);
    if (known != m_paraStyles.constEnd()) {
        paraStyleAttr = *known;
    } else {
        CssMap diff = cssDiff(cssPara(props), classParaCss(styleId));
        // The paragraph's own run formatting of the cell context is inherited by its text.
        if (cell) {
            CssMap runDiff = cssDiff(cssRun(effectiveRun(styleId, cell, nullptr), QString()), cssRun(baseRunProps(styleId), QString()));
            diff.insert(diff.end(), runDiff.begin(), runDiff.end());
        }
        paraStyleAttr = attrSingle(cssJoin(diff));
        if (!cell)
            m_paraStyles.insert(key, paraStyleAttr);
    }

    out += '<' + tag;
    if (!cls.isEmpty())
        out += QStringLiteral(" class=") + cls;
    if (!paraStyleAttr.isEmpty())
        out += QStringLiteral(" style='") + paraStyleAttr + '\'';
    out += '>';
    emit(pieces, out);
    if (empty)
        out += QStringLiteral("&nbsp;");
    out += QStringLiteral("</") + tag + QStringLiteral(">\r\n");

    for (auto &box : boxes) {
        if (!box->Text)
            continue;
        out += QStringLiteral("<div style='border:solid windowtext 0.75pt;padding:4.0pt;width:%1px'>\r\n").arg(std::max(1, pxEmu(box->WidthEmu)));
        std::vector<FieldState> saved;
        saved.swap(m_fields);
        writeBlocks(box->Text->Blocks, nullptr, out, 1);
        m_fields.swap(saved);
        out += QStringLiteral("</div>\r\n");
        m_doc.Warn(QStringLiteral("text box"), QStringLiteral("A text box is written as a box after its paragraph"), p.Where);
    }
    if (p.Section && (!p.Section->Type.isEmpty() && p.Section->Type != QLatin1String("continuous") && p.Section->Type != QLatin1String("nextColumn")))
        out += QStringLiteral("<br clear=all style='page-break-before:always'>\r\n");
    else if (p.Section && p.Section->Type.isEmpty())
        out += QStringLiteral("<br clear=all style='page-break-before:always'>\r\n");
    if (p.Section && p.Section->Columns > 1)
        m_doc.Warn(QStringLiteral("columns"), QStringLiteral("Text set in columns is written in one column"), p.Where);
}

void Writer::emit(const std::vector<Piece> &pieces, QString &out)
{
    bool open = false;
    QString openKey;
    for (const Piece &p : pieces) {
        if (p.Raw) {
            if (open) {
                out += QStringLiteral("</span>");
                open = false;
            }
            out += p.Html;
            continue;
        }
        QString key = p.Class + QChar(0x1F) + p.Style;
        if (!open || key != openKey) {
            if (open)
                out += QStringLiteral("</span>");
            open = false;
            if (!p.Class.isEmpty() || !p.Style.isEmpty()) {
                out += QStringLiteral("<span");
                if (!p.Class.isEmpty())
                    out += QStringLiteral(" class=") + p.Class;
                if (!p.Style.isEmpty())
                    out += QStringLiteral(" style='") + attrSingle(p.Style) + '\'';
                out += '>';
                open = true;
                openKey = key;
            }
        }
        if (p.VertAlign == 1)
            out += QStringLiteral("<sup>") + p.Html + QStringLiteral("</sup>");
        else if (p.VertAlign == 2)
            out += QStringLiteral("<sub>") + p.Html + QStringLiteral("</sub>");
        else
            out += p.Html;
    }
    if (open)
        out += QStringLiteral("</span>");
}

const CssMap &Writer::classParaCss(const QString &styleId)
{
    auto it = m_classCss.find(styleId);
    if (it == m_classCss.end())
        it = m_classCss.insert(styleId, cssPara(baseParaProps(styleId)));
    return *it;
}

Writer::RunStyle Writer::runStyle(const TRunProps *props, const QString &paraStyle, const CellContext *cell, const QString &text)
{
    bool asian = false;
    for (QChar c : text)
        if (isEastAsian(c)) {
            asian = true;
            break;
        }
    const QString sample = asian ? QString(QChar(0x4E00)) : QString();
    QString key;
    if (!cell) {
        key = QString::number(quintptr(props), 16) + '|' + paraStyle + (asian ? QStringLiteral("|a") : QString());
        auto it = m_runStyles.constFind(key);
        if (it != m_runStyles.constEnd())
            return *it;
    }
    const TRunProps paraRunProps = effectiveRun(paraStyle, cell, nullptr);
    TRunProps eff = effectiveRun(paraStyle, cell, props);
    RunStyle rs;
    CssMap inherited = cssRun(paraRunProps, QString());
    if (props && props->Style) {
        rs.Class = charClassOf(*props->Style);
        if (!rs.Class.isEmpty()) {
            // What the class rule itself sets is inherited by the span.
            TRunProps withClass = paraRunProps;
            withClass.Overlay(m_doc.Styles.ChainRPr(*props->Style));
            inherited = cssRun(withClass, sample);
        }
    }
    rs.Style = cssJoin(cssDiff(cssRun(eff, sample), inherited));
    QString va = eff.VertAlign.value_or(QString());
    rs.VertAlign = va == QLatin1String("superscript") ? 1 : va == QLatin1String("subscript") ? 2 : 0;
    if (!cell)
        m_runStyles.insert(key, rs);
    return rs;
}

void Writer::textPiece(const QString &text, const RunStyle &style, std::vector<Piece> &pieces, const QString &where)
{
    QString html;
    html.reserve(text.size() + 16);
    int tabs = 0;
    for (QChar c : text) {
        switch (c.unicode()) {
        case chars::Tab:
            html += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; ");
            m_lastSpace = true;
            ++tabs;
            continue;
        case chars::LineBreak:
            html += QStringLiteral("<br>");
            m_lastSpace = true;
            continue;
        case chars::PageBreak:
            html += QStringLiteral("<br clear=all style='page-break-before:always'>");
            m_lastSpace = true;
            continue;
        case chars::ColumnBreak:
            html += QStringLiteral("<br>");
            m_lastSpace = true;
            continue;
        case chars::SoftHyphen: html += QStringLiteral("&shy;"); continue;
        case chars::NoBreakHyphen:
            html += '-';
            m_lastSpace = false;
            continue;
        case ' ':
            html += m_lastSpace ? QStringLiteral("&nbsp;") : QStringLiteral(" ");
            m_lastSpace = true;
            continue;
        case '&': html += QStringLiteral("&amp;"); break;
        case '<': html += QStringLiteral("&lt;"); break;
        case '>': html += QStringLiteral("&gt;"); break;
        case 0xA0: html += QStringLiteral("&nbsp;"); break;
        default:
            if (c.unicode() < 0x20)
                html += ' ';
            else
                html += c;
        }
        m_lastSpace = false;
    }
    if (tabs)
        m_doc.Warn(QStringLiteral("tabs"), QStringLiteral("Tabs are written as spaces and may not line up"), where);
    Piece p;
    p.Html = html;
    p.Class = style.Class;
    p.Style = style.Style;
    p.VertAlign = style.VertAlign;
    pieces.push_back(p);
}

void Writer::inlines(TParagraph &p, const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces,
                     std::vector<std::shared_ptr<TShape>> &boxes)
{
    auto hiding = [&]() {
        for (const auto &f : m_fields)
            if (f.InCode)
                return true;
        return false;
    };
    auto linkOpen = [&]() {
        for (const auto &f : m_fields)
            if (f.LinkOpen)
                return true;
        return false;
    };
    auto raw = [&](const QString &html) {
        Piece pc;
        pc.Raw = true;
        pc.Html = html;
        pieces.push_back(pc);
        m_lastSpace = false;
    };

    for (auto &in : p.Inlines) {
        switch (in.Kind) {
        case TInlineKind::Text: {
            if (hiding()) {
                for (auto it = m_fields.rbegin(); it != m_fields.rend(); ++it)
                    if (it->InCode) {
                        it->Code += in.Text;
                        break;
                    }
                break;
            }
            textPiece(in.Text, runStyle(in.Props.get(), paraStyle, cell, in.Text), pieces, p.Where);
            break;
        }
        case TInlineKind::FieldBegin: {
            FieldState f;
            f.Info = in.Field.get();
            m_fields.push_back(f);
            break;
        }
        case TInlineKind::FieldSeparator: {
            if (m_fields.empty() || m_fields.back().Info != in.Field.get())
                break;
            FieldState &f = m_fields.back();
            f.InCode = false;
            if (hiding())
                break;
            TFieldCode code = ParseFieldCode(f.Code);
            QString href, title, target;
            if (code.Keyword == QLatin1String("HYPERLINK")) {
                QString address = code.Arguments.isEmpty() ? QString() : code.Arguments.first();
                QString sub = code.Switch(QStringLiteral("\\l"));
                if (!address.isEmpty())
                    href = LinkAddress(address, m_doc.LinkBase);
                if (!sub.isEmpty())
                    href += '#' + sub;
                title = code.Switch(QStringLiteral("\\o"));
                target = code.Switch(QStringLiteral("\\t"));
            }
            // A cross-reference shows its result without a link, as in Word's filtered pages;
            // the conversion turns the ones it wants linked into hyperlink fields first.
            if (!href.isEmpty() && !linkOpen()) {
                QString tag = QStringLiteral("<a href=\"") + EscapeHtml(href, true) + '"';
                if (!target.isEmpty())
                    tag += QStringLiteral(" target=\"") + EscapeHtml(target, true) + '"';
                if (!title.isEmpty())
                    tag += QStringLiteral(" title=\"") + EscapeHtml(title, true) + '"';
                tag += '>';
                f.OpenTag = tag;
                f.LinkOpen = true;
                raw(tag);
            }
            break;
        }
        case TInlineKind::FieldEnd: {
            // Pop to the field this mark ends; marks of broken nesting are tolerated.
            int k = int(m_fields.size()) - 1;
            while (k >= 0 && m_fields[size_t(k)].Info != in.Field.get())
                --k;
            if (k < 0)
                break;
            for (int i = int(m_fields.size()) - 1; i >= k; --i) {
                if (m_fields[size_t(i)].LinkOpen) {
                    raw(QStringLiteral("</a>"));
                    m_fields[size_t(i)].LinkOpen = false;
                    if (!linkOpen())
                        for (const QString &b : m_deferredBookmarks)
                            raw(QStringLiteral("<a name=\"") + EscapeHtml(b, true) + QStringLiteral("\"></a>"));
                    if (!linkOpen())
                        m_deferredBookmarks.clear();
                }
            }
            m_fields.resize(size_t(k));
            break;
        }
        case TInlineKind::BookmarkStart:
            if (hiding() || in.Text == QLatin1String("_GoBack") || in.Text.isEmpty())
                break;
            if (linkOpen())
                m_deferredBookmarks.push_back(in.Text);
            else
                raw(QStringLiteral("<a name=\"") + EscapeHtml(in.Text, true) + QStringLiteral("\"></a>"));
            break;
        case TInlineKind::Shape:
            if (hiding() || !in.Shape)
                break;
            if (in.Shape->Kind == TShapeKind::TextBox) {
                boxes.push_back(in.Shape);
                break;
            }
            {
                QString html = shapeHtml(*in.Shape, p.Where);
                if (!html.isEmpty())
                    raw(html);
            }
            break;
        case TInlineKind::NoteReference: {
            if (hiding())
                break;
            if (in.NoteOwnMark) {
                if (m_currentNote) {
                    const bool en = m_currentNote->Note->Endnote;
                    QString id = (en ? QStringLiteral("_edn") : QStringLiteral("_ftn")) + QString::number(m_currentNote->Number);
                    QString ref = (en ? QStringLiteral("_ednref") : QStringLiteral("_ftnref")) + QString::number(m_currentNote->Number);
                    raw(QStringLiteral("<a href=\"#") + ref + QStringLiteral("\" name=\"") + id + QStringLiteral("\" title=\"\"><sup>") +
                        EscapeHtml(m_currentNote->Label) + QStringLiteral("</sup></a>"));
                }
                break;
            }
            if (m_inNote)
                break;
            auto &map = in.Endnote ? m_doc.Endnotes : m_doc.Footnotes;
            auto it = map.find(in.Id);
            if (it == map.end()) {
                m_doc.Warn(QStringLiteral("note missing"), QStringLiteral("A note reference whose note is missing is left out"), p.Where);
                break;
            }
            NoteRef nr;
            nr.Note = it->second.get();
            if (in.Endnote) {
                nr.Number = ++m_endnoteNo;
                nr.Label = in.Text.isEmpty() ? '[' + FormatListNumber(m_endnoteNo + m_doc.EndnoteStart - 1, m_doc.EndnoteFormat) + ']' : in.Text;
                m_endnotes.push_back(nr);
            } else {
                nr.Number = ++m_footnoteNo;
                nr.Label = in.Text.isEmpty() ? '[' + FormatListNumber(m_footnoteNo + m_doc.FootnoteStart - 1, m_doc.FootnoteFormat) + ']' : in.Text;
                m_footnotes.push_back(nr);
            }
            QString id = (in.Endnote ? QStringLiteral("_edn") : QStringLiteral("_ftn")) + QString::number(nr.Number);
            QString ref = (in.Endnote ? QStringLiteral("_ednref") : QStringLiteral("_ftnref")) + QString::number(nr.Number);
            if (linkOpen())
                raw(QStringLiteral("<sup>") + EscapeHtml(nr.Label) + QStringLiteral("</sup>"));
            else
                raw(QStringLiteral("<a href=\"#") + id + QStringLiteral("\" name=\"") + ref + QStringLiteral("\" title=\"\"><sup>") +
                    EscapeHtml(nr.Label) + QStringLiteral("</sup></a>"));
            break;
        }
        default: break;
        }
    }
}

void Writer::writeBlocks(std::vector<TBlock> &blocks, const CellContext *cell, QString &out, int depth)
{
    for (size_t i = 0; i < blocks.size(); ++i) {
        TBlock &b = blocks[i];
        if (b.Paragraph) {
            const TParagraph *prev = i > 0 ? blocks[i - 1].Paragraph.get() : nullptr;
            const TParagraph *next = i + 1 < blocks.size() ? blocks[i + 1].Paragraph.get() : nullptr;
            writeParagraph(*b.Paragraph, cell, prev, next, out);
        } else if (b.Table) {
            writeTable(*b.Table, out, depth);
        }
    }
}

void Writer::writeNotes(QString &out)
{
    m_inNote = true;
    auto write = [&](std::vector<NoteRef> &notes, bool endnotes) {
        if (notes.empty())
            return;
        out += QStringLiteral("<div><br clear=all>\r\n<hr align=left size=1 width=\"33%\">\r\n");
        for (size_t i = 0; i < notes.size(); ++i) {
            NoteRef &n = notes[i];
            m_currentNote = &n;
            out += QStringLiteral("<div id=%1%2>\r\n").arg(endnotes ? QStringLiteral("edn") : QStringLiteral("ftn")).arg(n.Number);
            m_fields.clear();
            writeBlocks(n.Note->Story.Blocks, nullptr, out, 1);
            out += QStringLiteral("</div>\r\n");
        }
        out += QStringLiteral("</div>\r\n");
        m_currentNote = nullptr;
    };
    write(m_footnotes, false);
    write(m_endnotes, true);
    m_inNote = false;
}


} // namespace tavrel::engine::html
