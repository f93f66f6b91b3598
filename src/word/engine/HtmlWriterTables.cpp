#include "word/engine/HtmlWriterParts.h"

namespace tavrel::engine::html {

// --- tables ----------------------------------------------------------------------------------

void Writer::writeTable(TTable &t, QString &out, int depth)
{
    QString styleId = t.Props.Style.value_or(m_doc.Styles.DefaultStyleId(TStyleType::Table));
    TTableProps tp = m_doc.Styles.ChainTblPr(styleId);
    tp.Overlay(t.Props);
    // Chained style cell defaults and the regions, most derived last.
    std::vector<const TStyle *> chain = m_doc.Styles.Chain(styleId);

    const size_t rows = t.Rows.size();
    size_t cols = t.Grid.size();
    struct Slot
    {
        int Col = 0, Span = 1, RowSpan = 1;
        bool Skip = false;
    };
    std::vector<std::vector<Slot>> slots(rows);
    for (size_t r = 0; r < rows; ++r) {
        int col = t.Rows[r].Props.GridBefore;
        auto &cells = t.Rows[r].Cells;
        slots[r].resize(cells.size());
        for (size_t c = 0; c < cells.size(); ++c) {
            slots[r][c].Col = col;
            slots[r][c].Span = cells[c].Props.GridSpan;
            col += cells[c].Props.GridSpan;
        }
        cols = std::max(cols, size_t(col + t.Rows[r].Props.GridAfter));
        // Older documents merge horizontally with hMerge.
        for (size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].Props.HMerge == QLatin1String("restart")) {
                size_t k = c + 1;
                while (k < cells.size() && cells[k].Props.HMerge == QLatin1String("continue")) {
                    slots[r][c].Span += slots[r][k].Span;
                    slots[r][k].Skip = true;
                    ++k;
                }
            }
        }
    }
    for (size_t r = 0; r < rows; ++r) {
        auto &cells = t.Rows[r].Cells;
        for (size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].Props.VMerge != QLatin1String("restart"))
                continue;
            int span = 1;
            for (size_t r2 = r + 1; r2 < rows; ++r2) {
                bool cont = false;
                for (size_t c2 = 0; c2 < t.Rows[r2].Cells.size(); ++c2)
                    if (slots[r2][c2].Col == slots[r][c].Col && t.Rows[r2].Cells[c2].Props.VMerge == QLatin1String("continue")) {
                        slots[r2][c2].Skip = true;
                        cont = true;
                    }
                if (!cont)
                    break;
                ++span;
            }
            slots[r][c].RowSpan = span;
        }
    }

    auto gridWidth = [&](int col, int span) {
        int w = 0;
        for (int i = col; i < col + span && i < int(t.Grid.size()); ++i)
            w += t.Grid[size_t(i)];
        return w;
    };
    int total = gridWidth(0, int(cols));

    bool anyBorder = false;
    auto hasBorder = [](const std::optional<TBorder> &b) { return b && !b->None(); };
    if (hasBorder(tp.Borders.Top) || hasBorder(tp.Borders.Left) || hasBorder(tp.Borders.InsideH) || hasBorder(tp.Borders.InsideV))
        anyBorder = true;
    for (const auto &row : t.Rows)
        for (const auto &c : row.Cells)
            if (hasBorder(c.Props.Borders.Top) || hasBorder(c.Props.Borders.Left) || hasBorder(c.Props.Borders.Bottom) ||
                hasBorder(c.Props.Borders.Right))
                anyBorder = true;

    QString style = QStringLiteral("border-collapse:collapse;border:none");
    QString attrs;
    if (tp.Width && tp.Width->Type == QLatin1String("pct") && tp.Width->Value > 0)
        attrs += QStringLiteral(" width=\"%1%\"").arg(RoundHalfEven(tp.Width->Value / 50.0));
    else if (tp.Width && tp.Width->Type == QLatin1String("dxa") && tp.Width->Value > 0)
        attrs += QStringLiteral(" width=%1").arg(px(tp.Width->Value)), style += QStringLiteral(";width:") + pt(tp.Width->Value);
    else if (total > 0)
        attrs += QStringLiteral(" width=%1").arg(px(total));
    QString align = tp.Align.value_or(QString());
    if (align == QLatin1String("center"))
        attrs += QStringLiteral(" align=center"), style += QStringLiteral(";margin-left:auto;margin-right:auto");
    else if (align == QLatin1String("right"))
        attrs += QStringLiteral(" align=right");
    else if (tp.Indent && *tp.Indent)
        style += QStringLiteral(";margin-left:") + pt(*tp.Indent);
    out += QStringLiteral("<table border=%1 cellspacing=0 cellpadding=0%2 style='%3'>\r\n").arg(anyBorder ? 1 : 0).arg(attrs, attrSingle(style));

    // Regions of the table style that apply to a cell, in the order they stack.
    auto regionsFor = [&](size_t r, size_t c, size_t cellsInRow) {
        std::vector<const TTableStyleRegion *> out;
        auto add = [&](const char *name) {
            for (const TStyle *s : chain) {
                auto it = s->Regions.find(QLatin1String(name));
                if (it != s->Regions.end())
                    out.push_back(&it->second);
            }
        };
        int headerRows = tp.LookFirstRow ? 1 : 0;
        bool lastRow = tp.LookLastRow && r + 1 == rows;
        if (!t.Props.LookNoVBand) {
            int vc = int(c) - (tp.LookFirstColumn ? 1 : 0);
            if (vc >= 0)
                add(vc % 2 == 0 ? "band1Vert" : "band2Vert");
        }
        if (!tp.LookNoHBand) {
            int hr = int(r) - headerRows;
            if (hr >= 0 && !lastRow)
                add(hr % 2 == 0 ? "band1Horz" : "band2Horz");
        }
        if (tp.LookFirstColumn && c == 0)
            add("firstCol");
        if (tp.LookLastColumn && c + 1 == cellsInRow)
            add("lastCol");
        if (tp.LookFirstRow && r == 0)
            add("firstRow");
        if (lastRow)
            add("lastRow");
        return out;
    };

    for (size_t r = 0; r < rows; ++r) {
        TRow &row = t.Rows[r];
        QString trStyle;
        if (row.Props.Height && *row.Props.Height > 0)
            trStyle = QStringLiteral(" style='height:") + pt(*row.Props.Height) + '\'';
        out += QStringLiteral("<tr") + trStyle + QStringLiteral(">\r\n");
        if (row.Props.GridBefore > 0)
            out += QStringLiteral("<td colspan=%1 width=%2 style='border:none;padding:0pt'></td>\r\n")
                       .arg(row.Props.GridBefore)
                       .arg(px(gridWidth(0, row.Props.GridBefore)));
        for (size_t c = 0; c < row.Cells.size(); ++c) {
            const Slot &slot = slots[r][c];
            if (slot.Skip)
                continue;
            TCell &cell = row.Cells[c];
            // Cell formatting: the style's cell defaults, its regions, then the cell's own.
            TCellProps cp;
            for (const TStyle *s : chain) {
                cp.Borders.Overlay(s->TcPr.Borders);
                if (s->TcPr.Shading)
                    cp.Shading = s->TcPr.Shading;
                cp.Margins.Overlay(s->TcPr.Margins);
            }
            CellContext ctx;
            for (const TStyle *s : chain) {
                ctx.PPr.Overlay(s->PPr);
                ctx.RPr.Overlay(s->RPr);
            }
            for (const TTableStyleRegion *reg : regionsFor(r, c, row.Cells.size())) {
                cp.Borders.Overlay(reg->TcPr.Borders);
                if (reg->TcPr.Shading)
                    cp.Shading = reg->TcPr.Shading;
                ctx.PPr.Overlay(reg->PPr);
                ctx.RPr.Overlay(reg->RPr);
            }
            cp.Borders.Overlay(cell.Props.Borders);
            if (cell.Props.Shading)
                cp.Shading = cell.Props.Shading;
            cp.Margins.Overlay(cell.Props.Margins);

            bool top = r == 0, bottom = r + size_t(slot.RowSpan) >= rows;
            bool left = slot.Col == 0, right = slot.Col + slot.Span >= int(cols);
            auto edge = [](const std::optional<TBorder> &cell, const std::optional<TBorder> &table) { return cell ? cell : table; };
            QString bt = cssBorder(edge(cp.Borders.Top, top ? tp.Borders.Top : tp.Borders.InsideH));
            QString bb = cssBorder(edge(cp.Borders.Bottom, bottom ? tp.Borders.Bottom : tp.Borders.InsideH));
            QString bl = cssBorder(edge(cp.Borders.Left, left ? tp.Borders.Left : tp.Borders.InsideV));
            QString br = cssBorder(edge(cp.Borders.Right, right ? tp.Borders.Right : tp.Borders.InsideV));

            int w = gridWidth(slot.Col, slot.Span);
            QString widthAttr, widthCss;
            if (cell.Props.Width && cell.Props.Width->Type == QLatin1String("dxa") && cell.Props.Width->Value > 0)
                w = cell.Props.Width->Value;
            if (cell.Props.Width && cell.Props.Width->Type == QLatin1String("pct") && cell.Props.Width->Value > 0) {
                widthAttr = QStringLiteral(" width=\"%1%\"").arg(RoundHalfEven(cell.Props.Width->Value / 50.0));
            } else if (w > 0) {
                widthAttr = QStringLiteral(" width=%1").arg(px(w));
                widthCss = QStringLiteral("width:") + pt(w) + ';';
            }
            QString valign = cell.Props.VAlign.value_or(QStringLiteral("top"));
            if (valign == QLatin1String("center"))
                valign = QStringLiteral("middle");
            TMargins m = tp.CellMargins;
            m.Overlay(cp.Margins);
            QString padding = pt(m.Top.value_or(0)) + ' ' + pt(m.Right.value_or(108)) + ' ' + pt(m.Bottom.value_or(0)) + ' ' +
                              pt(m.Left.value_or(108));
            QString css = widthCss + QStringLiteral("border-top:") + bt + QStringLiteral(";border-left:") + bl + QStringLiteral(";border-bottom:") +
                          bb + QStringLiteral(";border-right:") + br;
            QString bg;
            if (cp.Shading)
                bg = cssColor(cp.Shading->Effective());
            if (bg.isEmpty() && tp.Shading)
                bg = cssColor(tp.Shading->Effective());
            if (!bg.isEmpty())
                css += QStringLiteral(";background:") + bg;
            css += QStringLiteral(";padding:") + padding;
            out += QStringLiteral("<td") + widthAttr + QStringLiteral(" valign=") + valign;
            if (slot.Span > 1)
                out += QStringLiteral(" colspan=%1").arg(slot.Span);
            if (slot.RowSpan > 1)
                out += QStringLiteral(" rowspan=%1").arg(slot.RowSpan);
            if (cell.Props.NoWrap)
                out += QStringLiteral(" nowrap");
            out += QStringLiteral(" style='") + attrSingle(css) + QStringLiteral("'>\r\n");
            writeBlocks(cell.Blocks, &ctx, out, depth + 1);
            out += QStringLiteral("</td>\r\n");
        }
        if (row.Props.GridAfter > 0)
            out += QStringLiteral("<td colspan=%1 style='border:none;padding:0pt'></td>\r\n").arg(row.Props.GridAfter);
        out += QStringLiteral("</tr>\r\n");
    }
    out += QStringLiteral("</table>\r\n");
}


} // namespace tavrel::engine::html
