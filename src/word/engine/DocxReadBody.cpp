// Blocks and inlines of a story: paragraphs, tables, runs, fields and marks.
#include "word/engine/DocxReaderParts.h"

namespace tavrel::engine::docxr {

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

} // namespace tavrel::engine::docxr
