#include "ModelDump.h"

#include <QStringList>

namespace tavrel::test {

using namespace engine;

namespace {

QString quoted(QString s)
{
    s.replace('\\', "\\\\").replace('"', "\\\"").replace(QChar(chars::LineBreak), "\\v").replace(QChar(chars::Tab), "\\t");
    s.replace(QChar(chars::SoftHyphen), "\\-");
    return '"' + s + '"';
}

QString border(const char *name, const std::optional<TBorder> &b)
{
    if (!b)
        return QString();
    return QStringLiteral(" %1=%2/%3/%4").arg(QLatin1String(name), b->Style).arg(b->Size).arg(b->Color);
}

QString runProps(const TRunProps *r)
{
    if (!r)
        return QString();
    QStringList out;
    if (r->Style)
        out << "style=" + *r->Style;
    if (r->Font)
        out << "font=" + *r->Font;
    if (r->Size)
        out << "size=" + QString::number(*r->Size);
    if (r->Color)
        out << "color=" + *r->Color;
    auto flag = [&](const std::optional<bool> &b, const char *name) {
        if (b)
            out << (*b ? QString::fromLatin1(name) : "-" + QString::fromLatin1(name));
    };
    flag(r->Bold, "b");
    flag(r->Italic, "i");
    flag(r->Strike, "strike");
    flag(r->Caps, "caps");
    flag(r->SmallCaps, "smallcaps");
    flag(r->Hidden, "hidden");
    if (r->Underline)
        out << "u=" + *r->Underline;
    if (r->VertAlign)
        out << "va=" + *r->VertAlign;
    if (r->Shading)
        out << "shade=" + r->Shading->Fill;
    return out.isEmpty() ? QString() : " {" + out.join(' ') + "}";
}

QString paraProps(const TParaProps &p)
{
    QString s;
    if (p.Style)
        s += " style=" + *p.Style;
    if (p.Align)
        s += " align=" + *p.Align;
    if (p.IndLeft || p.IndRight || p.IndFirst)
        s += QStringLiteral(" ind=%1,%2,%3").arg(p.IndLeft.value_or(0)).arg(p.IndRight.value_or(0)).arg(p.IndFirst.value_or(0));
    if (p.SpaceBefore || p.SpaceAfter)
        s += QStringLiteral(" space=%1,%2").arg(p.SpaceBefore.value_or(0)).arg(p.SpaceAfter.value_or(0));
    if (p.Line)
        s += QStringLiteral(" line=%1%2").arg(*p.Line).arg(p.LineRule.value_or(QString()));
    if (p.NumId)
        s += QStringLiteral(" list=%1/%2").arg(*p.NumId).arg(p.NumLevel.value_or(0));
    if (p.OutlineLevel)
        s += QStringLiteral(" outline=%1").arg(*p.OutlineLevel);
    if (p.KeepNext && *p.KeepNext)
        s += " keepnext";
    if (p.PageBreakBefore && *p.PageBreakBefore)
        s += " pagebreak";
    if (p.Shading)
        s += " shade=" + p.Shading->Fill;
    s += border("top", p.BorderTop) + border("right", p.BorderRight) + border("bottom", p.BorderBottom) + border("left", p.BorderLeft);
    return s;
}

QString width(const std::optional<TWidth> &w)
{
    return w ? QStringLiteral(" width=%1:%2").arg(w->Type).arg(w->Value) : QString();
}

class Dumper
{
public:
    Dumper(TDocument &doc, const QString &folder) : m_doc(doc), m_folder(folder) {}

    QString Run()
    {
        m_out << "styles:";
        for (int i = 0; i < m_doc.Styles.Count(); ++i) {
            const TStyle &s = m_doc.Styles.At(i);
            m_out << QStringLiteral("  %1 \"%2\"%3%4%5").arg(s.Id, s.Name, s.BasedOn.isEmpty() ? QString() : " based=" + s.BasedOn,
                                                             paraProps(s.PPr), runProps(&s.RPr));
        }
        m_out << "lists:";
        for (const auto &[id, num] : m_doc.Numbering.Nums)
            for (int level = 0; level < 9; ++level)
                if (const TNumLevel *l = m_doc.Numbering.Level(id, level))
                    m_out << "  " + QString::number(id) + '/' + QString::number(level) + ' ' + l->Format + ' ' + quoted(l->Text) +
                                 " start=" + QString::number(l->Start) + " ind=" + QString::number(l->PPr.IndLeft.value_or(0)) + ',' +
                                 QString::number(l->PPr.IndFirst.value_or(0));
        if (!m_doc.Media.empty()) {
            m_out << "media:";
            for (const auto &[name, part] : m_doc.Media)
                m_out << QStringLiteral("  %1 %2 %3 bytes").arg(name, part.ContentType).arg(part.Data.size());
        }
        m_out << "body:";
        blocks(m_doc.Body.Blocks, 1);
        return m_out.join('\n') + '\n';
    }

private:
    void blocks(const std::vector<TBlock> &list, int depth)
    {
        const QString indent(depth * 2, ' ');
        for (const TBlock &b : list) {
            if (b.Paragraph) {
                const TParagraph &p = *b.Paragraph;
                m_out << indent + "P" + paraProps(*p.Props) + (p.TrailingMarks ? QStringLiteral(" rowend=%1").arg(p.TrailingMarks) : QString());
                for (const TInline &in : p.Inlines)
                    m_out << indent + "  " + inlineText(in);
            } else if (b.Table) {
                const TTable &t = *b.Table;
                QStringList grid;
                for (int g : t.Grid)
                    grid << QString::number(g);
                QString line = indent + "TABLE grid=" + grid.join(',') + width(t.Props.Width);
                if (t.Props.Align)
                    line += " align=" + *t.Props.Align;
                if (t.Props.Indent)
                    line += QStringLiteral(" indent=%1").arg(*t.Props.Indent);
                if (t.Props.Shading)
                    line += " shade=" + t.Props.Shading->Fill;
                if (t.Props.CellSpacing)
                    line += QStringLiteral(" spacing=%1").arg(*t.Props.CellSpacing);
                if (t.Props.CellMargins.Top)
                    line += QStringLiteral(" padding=%1").arg(*t.Props.CellMargins.Top);
                line += border("top", t.Props.Borders.Top) + border("right", t.Props.Borders.Right) +
                        border("bottom", t.Props.Borders.Bottom) + border("left", t.Props.Borders.Left);
                m_out << line;
                for (const TRow &r : t.Rows) {
                    QString row = indent + "  ROW";
                    if (r.Props.Header)
                        row += " header";
                    if (r.Props.GridAfter)
                        row += QStringLiteral(" after=%1").arg(r.Props.GridAfter);
                    if (r.Props.Height)
                        row += QStringLiteral(" height=%1").arg(*r.Props.Height);
                    m_out << row;
                    for (const TCell &c : r.Cells) {
                        QString cell = indent + "    CELL";
                        if (c.Props.GridSpan > 1)
                            cell += QStringLiteral(" span=%1").arg(c.Props.GridSpan);
                        if (!c.Props.VMerge.isEmpty())
                            cell += " vmerge=" + c.Props.VMerge;
                        cell += width(c.Props.Width);
                        if (c.Props.Shading)
                            cell += " shade=" + c.Props.Shading->Fill;
                        if (c.Props.VAlign)
                            cell += " valign=" + *c.Props.VAlign;
                        if (c.Props.NoWrap)
                            cell += " nowrap";
                        cell += border("top", c.Props.Borders.Top) + border("right", c.Props.Borders.Right) +
                                border("bottom", c.Props.Borders.Bottom) + border("left", c.Props.Borders.Left);
                        m_out << cell;
                        blocks(c.Blocks, depth + 3);
                    }
                }
            }
        }
    }

    QString inlineText(const TInline &in)
    {
        const QString props = runProps(in.Props.get());
        switch (in.Kind) {
        case TInlineKind::Text: return "text " + quoted(in.Text) + props;
        case TInlineKind::FieldBegin: return "field-begin" + props;
        case TInlineKind::FieldSeparator: return "field-separator";
        case TInlineKind::FieldEnd: return "field-end";
        case TInlineKind::BookmarkStart: return QStringLiteral("bookmark %1 ").arg(in.Id) + quoted(in.Text);
        case TInlineKind::BookmarkEnd: return QStringLiteral("bookmark-end %1").arg(in.Id);
        case TInlineKind::Shape: {
            const TShape &s = *in.Shape;
            QString target = s.LinkTarget;
            if (!m_folder.isEmpty() && target.startsWith(m_folder + '/'))
                target = "<folder>/" + target.mid(m_folder.size() + 1);
            return QStringLiteral("picture %1x%2 emu").arg(s.WidthEmu).arg(s.HeightEmu) +
                   (target.isEmpty() ? QString() : " link=" + target) + (s.MediaPart.isEmpty() ? QString() : " media=" + s.MediaPart) +
                   (s.Description.isEmpty() ? QString() : " alt=" + quoted(s.Description)) + props;
        }
        default: return QStringLiteral("inline kind %1").arg(int(in.Kind));
        }
    }

    TDocument &m_doc;
    QString m_folder;
    QStringList m_out;
};

void visibleBlocks(TDocument &doc, const std::vector<TBlock> &blocks, TListCounter &lists, QStringList &out)
{
    for (const TBlock &b : blocks) {
        if (b.Paragraph) {
            const TParagraph &p = *b.Paragraph;
            QString line;
            if (p.Props->NumId) {
                const QString label = lists.Next(*p.Props->NumId, p.Props->NumLevel.value_or(0));
                if (!label.isEmpty())
                    line += label + ' ';
            }
            std::vector<bool> inCode;
            for (const TInline &in : p.Inlines) {
                switch (in.Kind) {
                case TInlineKind::FieldBegin: inCode.push_back(true); break;
                case TInlineKind::FieldSeparator:
                    if (!inCode.empty())
                        inCode.back() = false;
                    break;
                case TInlineKind::FieldEnd:
                    if (!inCode.empty())
                        inCode.pop_back();
                    break;
                case TInlineKind::Shape: line += "[picture]"; break;
                case TInlineKind::Text:
                    if ((inCode.empty() || !inCode.back()) && !(in.Props && in.Props->Hidden.value_or(false))) {
                        QString t = in.Text;
                        t.replace(QChar(chars::LineBreak), "\n").remove(QChar(chars::SoftHyphen));
                        line += t;
                    }
                    break;
                default: break;
                }
            }
            out << line;
        } else if (b.Table) {
            for (const TRow &r : b.Table->Rows) {
                QStringList cells;
                for (const TCell &c : r.Cells) {
                    QStringList inner;
                    visibleBlocks(doc, c.Blocks, lists, inner);
                    cells << inner.join(" / ");
                }
                out << cells.join(" | ");
            }
        }
    }
}

} // namespace

QString DumpModel(TDocument &doc, const QString &folder)
{
    return Dumper(doc, folder).Run();
}

QString VisibleText(TDocument &doc)
{
    TListCounter lists(doc.Numbering, &doc.Styles);
    QStringList out;
    visibleBlocks(doc, doc.Body.Blocks, lists, out);
    return out.join('\n');
}

} // namespace tavrel::test
