#include "word/engine/HtmlReaderParts.h"

// Tables: the grid with its spans, widths, borders and backgrounds.
namespace tavrel::engine::html {

// --- tables ---------------------------------------------------------------------------------------

void Reader::table(xmlNode *n, TNode *w, const THtmlStyle &stIn, int depth)
{
    if (m_tableDepth >= m_options.MaxTableDepth) {
        warn(QStringLiteral("table depth"), QStringLiteral("Tables are nested deeper than %1 levels; the inner ones are read as paragraphs").arg(m_options.MaxTableDepth), n);
        block(n, w, stIn, depth);
        return;
    }
    closeParagraph();
    m_styleStore.push_back(stIn);
    const THtmlStyle &st = m_styleStore.back();
    anchorsOf(n, w);

    // Rows in their groups; content that is not part of a row shows before the table, as
    // browsers move it there.
    struct Cell
    {
        xmlNode *Node;
        TNode *W;
        THtmlStyle Style;
        int Col = 0, ColSpan = 1, RowSpan = 1;
    };
    struct Row
    {
        xmlNode *Node;
        TNode *W;
        THtmlStyle Style;
        int Group = 0;
        bool Header = false;
        std::vector<Cell> Cells;
    };
    std::vector<Row> rows, footer;
    std::vector<xmlNode *> captions;
    const double containerTw = std::max(0.0, ctx().Width - ctx().IndLeft - ctx().IndRight);
    double tableTw = containerTw;
    if (st.Width.K == THtmlLength::Twips)
        tableTw = std::min(st.Width.V, 31680.0);
    else if (st.Width.K == THtmlLength::Percent)
        tableTw = containerTw * std::min(st.Width.V, 100.0) / 100;
    int group = 0;
    TInlineState none;
    auto addRow = [&](xmlNode *tr, const THtmlStyle &groupStyle, int g, bool header, bool foot) {
        TNode *rw = node(tr);
        Row row{tr, rw, styleOf(rw, groupStyle, tableTw), g, header, {}};
        if (row.Style.Display == QLatin1String("none")) {
            hiddenAnchors(tr);
            return;
        }
        for (xmlNode *c = tr->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE) {
                continue;
            }
            const QString t = tagOf(c);
            if (t != QLatin1String("td") && t != QLatin1String("th")) {
                element(c, st, none, depth + 1);
                continue;
            }
            TNode *cw = node(c);
            Cell cell{c, cw, styleOf(cw, row.Style, tableTw), 0, 1, 1};
            if (cell.Style.Display == QLatin1String("none")) {
                hiddenAnchors(c);
                continue;
            }
            bool ok = false;
            cell.ColSpan = std::clamp(attr(c, "colspan").trimmed().toInt(&ok), 1, 1000);
            if (!ok)
                cell.ColSpan = 1;
            const int rs = attr(c, "rowspan").trimmed().toInt(&ok);
            cell.RowSpan = !ok ? 1 : rs == 0 ? 65534 : std::clamp(rs, 1, 65534);
            row.Cells.push_back(std::move(cell));
        }
        (foot ? footer : rows).push_back(std::move(row));
    };
    for (xmlNode *c = n->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE) {
            text(fromXml(c->content), st, none);
            continue;
        }
        if (c->type != XML_ELEMENT_NODE)
            continue;
        const QString t = tagOf(c);
        if (t == QLatin1String("tr")) {
            addRow(c, st, group, false, false);
        } else if (t == QLatin1String("thead") || t == QLatin1String("tbody") || t == QLatin1String("tfoot")) {
            TNode *gw = node(c);
            const THtmlStyle gs = styleOf(gw, st, tableTw);
            if (gs.Display == QLatin1String("none")) {
                hiddenAnchors(c);
                continue;
            }
            ++group;
            for (xmlNode *r = c->children; r; r = r->next) {
                if (r->type == XML_ELEMENT_NODE && tagOf(r) == QLatin1String("tr"))
                    addRow(r, gs, group, t == QLatin1String("thead"), t == QLatin1String("tfoot"));
                else if (r->type == XML_ELEMENT_NODE)
                    element(r, st, none, depth + 1);
            }
            ++group;
        } else if (t == QLatin1String("caption")) {
            captions.push_back(c);
        } else if (t == QLatin1String("col") || t == QLatin1String("colgroup")) {
            continue;
        } else {
            element(c, st, none, depth + 1);
        }
    }
    closeParagraph();
    for (xmlNode *c : captions)
        element(c, st, none, depth + 1);
    closeParagraph();
    for (Row &r : footer)
        rows.push_back(std::move(r));
    if (rows.empty()) {
        m_styleStore.pop_back();
        return;
    }

    // Place the cells on the grid: cells spanning rows take their columns in the rows below,
    // within their row group.
    const int rowCount = int(rows.size());
    std::vector<int> groupEnd(static_cast<size_t>(rowCount));
    for (int r = rowCount - 1; r >= 0; --r)
        groupEnd[size_t(r)] = (r + 1 < rowCount && rows[size_t(r + 1)].Group == rows[size_t(r)].Group) ? groupEnd[size_t(r + 1)] : r + 1;
    struct Slot
    {
        int Row = -1, Cell = -1; // the origin cell
    };
    std::vector<std::vector<Slot>> grid(static_cast<size_t>(rowCount), std::vector<Slot>(kMaxColumns));
    int columns = 0;
    bool clipped = false;
    std::vector<std::vector<int>> overflow(static_cast<size_t>(rowCount)); // cells beyond the last column
    for (int r = 0; r < rowCount; ++r) {
        int col = 0;
        for (int k = 0; k < int(rows[size_t(r)].Cells.size()); ++k) {
            Cell &cell = rows[size_t(r)].Cells[size_t(k)];
            while (col < kMaxColumns && grid[size_t(r)][size_t(col)].Row >= 0)
                ++col;
            if (col >= kMaxColumns) {
                clipped = true;
                overflow[size_t(r)].push_back(k);
                continue;
            }
            cell.Col = col;
            if (col + cell.ColSpan > kMaxColumns) {
                clipped = true;
                cell.ColSpan = kMaxColumns - col;
            }
            cell.RowSpan = std::min(cell.RowSpan, groupEnd[size_t(r)] - r);
            for (int dr = 0; dr < cell.RowSpan; ++dr)
                for (int dc = 0; dc < cell.ColSpan; ++dc)
                    if (grid[size_t(r + dr)][size_t(col + dc)].Row < 0)
                        grid[size_t(r + dr)][size_t(col + dc)] = Slot{r, k};
            col += cell.ColSpan;
            columns = std::max(columns, col);
        }
    }
    if (clipped)
        warn(QStringLiteral("table columns"), QStringLiteral("A table has more than %1 columns; the cells beyond are joined into the last one").arg(kMaxColumns), n);
    if (columns == 0) {
        m_styleStore.pop_back();
        return;
    }

    auto table = std::make_unique<TTable>();
    table->Where = where(n);
    TTable &t = *table;
    if (st.Width.K == THtmlLength::Twips)
        t.Props.Width = TWidth{QStringLiteral("dxa"), twips(st.Width.V)};
    else if (st.Width.K == THtmlLength::Percent)
        t.Props.Width = TWidth{QStringLiteral("pct"), int(std::min(st.Width.V, 100.0) * 50)};
    else
        t.Props.Width = TWidth{QStringLiteral("auto"), 0};
    if (st.MarginAuto[1] && st.MarginAuto[3])
        t.Props.Align = QStringLiteral("center");
    else if (st.MarginAuto[3])
        t.Props.Align = QStringLiteral("right");
    if (twips(ctx().IndLeft + st.Margin[3]) != 0 && !st.MarginAuto[3])
        t.Props.Indent = twips(ctx().IndLeft + (st.MarginAuto[3] ? 0 : st.Margin[3]));
    if (st.BorderWidth[0] > 0)
        t.Props.Borders.Top = borderOf(st, 0);
    if (st.BorderWidth[1] > 0)
        t.Props.Borders.Right = borderOf(st, 1);
    if (st.BorderWidth[2] > 0)
        t.Props.Borders.Bottom = borderOf(st, 2);
    if (st.BorderWidth[3] > 0)
        t.Props.Borders.Left = borderOf(st, 3);
    if (!st.Background.isEmpty())
        t.Props.Shading = TShading{st.Background, QStringLiteral("clear"), QStringLiteral("auto")};
    if (hasAttr(n, "cellpadding")) {
        const int pad = twips(std::clamp(attr(n, "cellpadding").trimmed().toDouble(), 0.0, 200.0) * 15);
        t.Props.CellMargins = TMargins{pad, pad, pad, pad};
    }
    if (hasAttr(n, "cellspacing"))
        t.Props.CellSpacing = twips(std::clamp(attr(n, "cellspacing").trimmed().toDouble(), 0.0, 200.0) * 15);

    // Column widths: cells with a width of their own fix their column, the rest share what is left.
    std::vector<double> widths(size_t(columns), -1);
    for (const Row &r : rows)
        for (const Cell &c : r.Cells)
            if (c.ColSpan == 1 && c.Col < columns) {
                double cw = -1;
                if (c.Style.Width.K == THtmlLength::Twips)
                    cw = c.Style.Width.V;
                else if (c.Style.Width.K == THtmlLength::Percent)
                    cw = tableTw * std::min(c.Style.Width.V, 100.0) / 100;
                if (cw > 0)
                    widths[size_t(c.Col)] = std::max(widths[size_t(c.Col)], std::min(cw, 31680.0));
            }
    double fixed = 0;
    int open = 0;
    for (double x : widths)
        x >= 0 ? fixed += x : ++open;
    const double share = open ? std::max(tableTw - fixed, 360.0 * open) / open : 0;
    for (double x : widths)
        t.Grid.push_back(twips(x >= 0 ? x : share));

    // The structure first: the cells must not move while their content is read.
    t.Rows.resize(size_t(rowCount));
    for (int r = 0; r < rowCount; ++r) {
        TRow &row = t.Rows[size_t(r)];
        const Row &src = rows[size_t(r)];
        row.Props.Header = src.Header;
        if (src.Style.Height.K == THtmlLength::Twips && src.Style.Height.V > 0) {
            row.Props.Height = twips(src.Style.Height.V);
            row.Props.HeightRule = QStringLiteral("atLeast");
        }
        int last = columns;
        while (last > 0 && grid[size_t(r)][size_t(last - 1)].Row < 0)
            --last;
        row.Props.GridAfter = columns - last;
        row.Cells.reserve(size_t(last));
        for (int col = 0; col < last;) {
            const Slot s = grid[size_t(r)][size_t(col)];
            TCell cell;
            if (s.Row < 0) {
                row.Cells.push_back(std::move(cell)); // a hole in the grid
                ++col;
                continue;
            }
            const Cell &origin = rows[size_t(s.Row)].Cells[size_t(s.Cell)];
            cell.Props.GridSpan = std::max(1, std::min(origin.ColSpan, last - col));
            if (origin.RowSpan > 1)
                cell.Props.VMerge = s.Row == r ? QStringLiteral("restart") : QStringLiteral("continue");
            const THtmlStyle &cs = origin.Style;
            const QString bg = !cs.Background.isEmpty() ? cs.Background : rows[size_t(s.Row)].Style.Background;
            if (!bg.isEmpty())
                cell.Props.Shading = TShading{bg, QStringLiteral("clear"), QStringLiteral("auto")};
            if (cs.Width.K == THtmlLength::Twips)
                cell.Props.Width = TWidth{QStringLiteral("dxa"), twips(cs.Width.V)};
            else if (cs.Width.K == THtmlLength::Percent)
                cell.Props.Width = TWidth{QStringLiteral("pct"), int(std::min(cs.Width.V, 100.0) * 50)};
            if (cs.VerticalAlign == QLatin1String("middle"))
                cell.Props.VAlign = QStringLiteral("center");
            else if (cs.VerticalAlign == QLatin1String("bottom") || cs.VerticalAlign == QLatin1String("top"))
                cell.Props.VAlign = cs.VerticalAlign;
            cell.Props.NoWrap = cs.WhiteSpace == QLatin1String("nowrap");
            if (cs.BorderWidth[0] > 0)
                cell.Props.Borders.Top = borderOf(cs, 0);
            if (cs.BorderWidth[1] > 0)
                cell.Props.Borders.Right = borderOf(cs, 1);
            if (cs.BorderWidth[2] > 0)
                cell.Props.Borders.Bottom = borderOf(cs, 2);
            if (cs.BorderWidth[3] > 0)
                cell.Props.Borders.Left = borderOf(cs, 3);
            if (!hasAttr(n, "cellpadding") && (cs.Padding[0] > 0 || cs.Padding[1] > 0 || cs.Padding[2] > 0 || cs.Padding[3] > 0))
                cell.Props.Margins = TMargins{twips(cs.Padding[0]), twips(cs.Padding[3]), twips(cs.Padding[2]), twips(cs.Padding[1])};
            row.Cells.push_back(std::move(cell));
            col += row.Cells.back().Props.GridSpan;
        }
    }
    // Holes and continuation cells get an empty paragraph; origin cells their content. A list
    // item's number waits for the first paragraph after the table.
    ++m_tableDepth;
    const auto item = m_item;
    m_item.Active = false;
    for (int r = 0; r < rowCount; ++r) {
        TRow &row = t.Rows[size_t(r)];
        int col = 0;
        for (TCell &cell : row.Cells) {
            const Slot s = col < columns ? grid[size_t(r)][size_t(col)] : Slot{};
            const Cell *origin = (s.Row == r) ? &rows[size_t(r)].Cells[size_t(s.Cell)] : nullptr;
            col += cell.Props.GridSpan;
            TContainer box;
            box.Blocks = &cell.Blocks;
            box.BlockBase = m_blocks.size();
            TBlockContext c;
            c.Width = t.Grid.empty() ? tableTw : [&] {
                double sum = 0;
                for (int i = col - cell.Props.GridSpan; i < col && i < int(t.Grid.size()); ++i)
                    sum += t.Grid[size_t(i)];
                return sum;
            }();
            c.Where = origin ? where(origin->Node) : table->Where;
            c.Style = origin ? &origin->Style : &st;
            m_containers.push_back(box);
            m_blocks.push_back(c);
            const std::vector<TListContext> outerLists = std::move(m_lists);
            m_lists.clear();
            if (origin) {
                anchorsOf(origin->Node, origin->W);
                children(origin->Node, origin->Style, none, depth + 2);
                // Cells beyond the last column join the row's last cell.
                if (&cell == &row.Cells.back())
                    for (int k : overflow[size_t(r)])
                        children(rows[size_t(r)].Cells[size_t(k)].Node, rows[size_t(r)].Cells[size_t(k)].Style, none, depth + 2);
            }
            finishContainer();
            m_lists = outerLists;
            m_blocks.pop_back();
            m_containers.pop_back();
        }
        // The end-of-row mark follows the mark of the row's last paragraph.
        if (!row.Cells.empty()) {
            TBlock *b = &row.Cells.back().Blocks.back();
            while (b->Table)
                b = &b->Table->Rows.back().Cells.back().Blocks.back();
            b->Paragraph->TrailingMarks += 1;
        } else {
            TCell cell;
            auto p = std::make_unique<TParagraph>();
            p->Props = std::make_shared<const TParaProps>();
            p->TrailingMarks = 1;
            cell.Blocks.push_back(TBlock{std::move(p), nullptr});
            row.Cells.push_back(std::move(cell));
            row.Props.GridAfter = std::max(0, columns - 1);
        }
    }
    --m_tableDepth;
    m_item = item;
    TContainer &box = container();
    if (box.Previous) {
        auto prev = std::make_shared<TParaProps>(*box.Previous->Props);
        prev->SpaceAfter = twips(std::max(0.0, std::max(box.PendingBottom, box.PendingTop)));
        box.Previous->Props = prev;
    }
    box.Previous = nullptr;
    box.PendingTop = box.PendingBottom = 0;
    box.Blocks->push_back(TBlock{nullptr, std::move(table)});
    box.PendingBottom = std::max(box.PendingBottom, st.Margin[2]);
    m_styleStore.pop_back();
}


} // namespace tavrel::engine::html
