#include "word/engine/HtmlReaderParts.h"

// Paragraphs, the walk over the elements, inline text, links, pictures and rules.
namespace tavrel::engine::html {

// --- paragraphs -----------------------------------------------------------------------------------

TParagraph &Reader::para()
{
    if (m_para)
        return *m_para;
    TBlockContext &c = ctx();
    TContainer &box = container();
    m_paraStyle = c.HeadingLevel ? QStringLiteral("Heading%1").arg(c.HeadingLevel) : c.Pre ? QStringLiteral("HTMLPreformatted") : m_normalId;
    TParaProps props = paraOf(c, m_paraStyle);
    c.FirstParagraph = false;
    // Vertical margins of neighbouring blocks overlap, as on screen: the gap is the larger one.
    const int before = twips(std::max(0.0, box.PendingTop - (box.Previous ? box.PendingBottom : 0)));
    if (box.Previous) {
        auto prev = std::make_shared<TParaProps>(*box.Previous->Props);
        prev->SpaceAfter = twips(std::max(0.0, box.PendingBottom));
        box.Previous->Props = prev;
    }
    props.SpaceBefore = before;
    props.SpaceAfter = 0;
    box.PendingTop = box.PendingBottom = 0;
    if (m_pageBreak) {
        props.PageBreakBefore = true;
        m_pageBreak = false;
    }
    if (m_item.Active) {
        props.NumId = m_item.NumId;
        props.NumLevel = m_item.Level;
        props.IndFirst = -std::min(360, std::max(0, props.IndLeft.value_or(0)));
        m_item.Active = false;
    }
    auto p = std::make_unique<TParagraph>();
    p->Props = std::make_shared<const TParaProps>(std::move(props));
    p->Where = c.Where;
    m_para = p.get();
    box.Blocks->push_back(TBlock{std::move(p), nullptr});
    box.Previous = m_para;
    m_lastSpace = true;
    flushPendingBookmarks(*m_para);
    return *m_para;
}

void Reader::closeParagraph()
{
    if (!m_para)
        return;
    endLinkField();
    auto &in = m_para->Inlines;
    // The last text, looking through marks that take no room.
    auto lastText = [&]() -> TInline * {
        for (auto it = in.rbegin(); it != in.rend(); ++it) {
            if (it->Kind == TInlineKind::Text) {
                if (!it->Text.isEmpty())
                    return &*it;
                continue;
            }
            if (it->Kind != TInlineKind::FieldEnd && it->Kind != TInlineKind::BookmarkStart && it->Kind != TInlineKind::BookmarkEnd)
                return nullptr;
        }
        return nullptr;
    };
    // Blanks at the end of a line are not shown; nor is a line break that ends the paragraph.
    auto strip = [&] {
        if (m_paraStyle == QLatin1String("HTMLPreformatted"))
            return;
        while (TInline *t = lastText()) {
            while (t->Text.endsWith(' '))
                t->Text.chop(1);
            if (!t->Text.isEmpty())
                break;
        }
    };
    strip();
    if (TInline *t = lastText(); t && t->Text.endsWith(QChar(chars::LineBreak))) {
        t->Text.chop(1);
        strip();
    }
    in.erase(std::remove_if(in.begin(), in.end(), [](const TInline &x) { return x.Kind == TInlineKind::Text && x.Text.isEmpty(); }), in.end());
    // A page's line height is the least a line takes: a taller picture makes its line taller.
    // Word's exact spacing would cut the picture to one line of text instead.
    if (m_para->Props->LineRule == QLatin1String("exact") && m_para->Props->Line) {
        const qint64 lineEmu = qint64(*m_para->Props->Line) * 635;
        const bool taller = std::any_of(in.begin(), in.end(), [&](const TInline &x) {
            return x.Kind == TInlineKind::Shape && x.Shape && !x.Shape->Floating && x.Shape->HeightEmu > lineEmu;
        });
        if (taller) {
            auto props = std::make_shared<TParaProps>(*m_para->Props);
            props->LineRule = QStringLiteral("atLeast");
            m_para->Props = props;
        }
    }
    m_para->Touch();
    m_para = nullptr;
    m_lastSpace = true;
}

void Reader::beginLinkIfNeeded(const std::shared_ptr<const TRunProps> &props)
{
    if (!m_link.Active || m_link.Begun)
        return;
    m_link.Field = std::make_shared<TFieldInfo>();
    m_link.Props = props;
    TInline b;
    b.Kind = TInlineKind::FieldBegin;
    b.Field = m_link.Field;
    b.Props = props;
    m_para->Inlines.push_back(b);
    TInline code;
    code.Kind = TInlineKind::Text;
    code.Text = m_link.Code;
    code.Props = props;
    m_para->Inlines.push_back(code);
    TInline sep = b;
    sep.Kind = TInlineKind::FieldSeparator;
    m_para->Inlines.push_back(sep);
    m_link.Begun = true;
}

void Reader::endLinkField()
{
    if (!m_link.Begun || !m_para)
        return;
    TInline e;
    e.Kind = TInlineKind::FieldEnd;
    e.Field = m_link.Field;
    e.Props = m_link.Props;
    m_para->Inlines.push_back(e);
    m_link.Begun = false;
}

void Reader::appendText(const QString &t, const THtmlStyle &st, const TInlineState &is)
{
    TParagraph &p = para();
    // The paragraph's style is known only now: formatting is what differs from it.
    const auto props = intern(runOf(st, is.Background), m_link.Active);
    beginLinkIfNeeded(props);
    if (!p.Inlines.empty()) {
        TInline &last = p.Inlines.back();
        if (last.Kind == TInlineKind::Text && last.Props == props) {
            last.Text += t;
            return;
        }
    }
    TInline in;
    in.Kind = TInlineKind::Text;
    in.Text = t;
    in.Props = props;
    p.Inlines.push_back(std::move(in));
}

void Reader::appendInline(TInline in, const THtmlStyle &st, const TInlineState &is)
{
    TParagraph &p = para();
    in.Props = intern(runOf(st, is.Background), m_link.Active);
    beginLinkIfNeeded(in.Props);
    p.Inlines.push_back(std::move(in));
}

void Reader::bookmark(const QString &raw)
{
    const QString name = raw.trimmed();
    // Names compare without regard to case, as bookmark names do; the first one counts.
    if (name.isEmpty() || m_bookmarks.contains(name.toLower()))
        return;
    m_bookmarks.insert(name.toLower());
    if (m_para)
        appendBookmark(*m_para, name);
    else
        m_pendingBookmarks.push_back(name);
}

// A bookmark of the page marks a place, not a span: its start and end stand together.
void Reader::appendBookmark(TParagraph &p, const QString &name)
{
    TInline s;
    s.Kind = TInlineKind::BookmarkStart;
    s.Text = name;
    s.Id = m_nextBookmarkId;
    TInline e;
    e.Kind = TInlineKind::BookmarkEnd;
    e.Id = m_nextBookmarkId++;
    p.Inlines.push_back(s);
    p.Inlines.push_back(e);
}

void Reader::flushPendingBookmarks(TParagraph &p)
{
    for (const QString &name : m_pendingBookmarks)
        appendBookmark(p, name);
    m_pendingBookmarks.clear();
}

// A cell or the body ends: it ends in a paragraph, which carries the bookmarks still waiting.
void Reader::finishContainer()
{
    closeParagraph();
    TContainer &box = container();
    if (box.Previous) {
        auto prev = std::make_shared<TParaProps>(*box.Previous->Props);
        prev->SpaceAfter = twips(std::max(0.0, box.PendingBottom));
        box.Previous->Props = prev;
    }
    if (box.Blocks->empty() || box.Blocks->back().Table || !m_pendingBookmarks.empty()) {
        if (!box.Blocks->empty() && box.Blocks->back().Paragraph && !m_pendingBookmarks.empty()) {
            flushPendingBookmarks(*box.Blocks->back().Paragraph);
        } else {
            box.PendingTop = box.PendingBottom = 0;
            para();
            closeParagraph();
        }
    }
}

// --- the walk -------------------------------------------------------------------------------------

void Reader::children(xmlNode *n, const THtmlStyle &style, const TInlineState &is, int depth)
{
    for (xmlNode *c = n->children; c; c = c->next) {
        switch (c->type) {
        case XML_ELEMENT_NODE:
            element(c, style, is, depth + 1);
            break;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            text(fromXml(c->content), style, is);
            break;
        default:
            break;
        }
    }
}

void Reader::anchorsOf(xmlNode *n, TNode *w)
{
    if (w->TagName == QLatin1String("a") && hasAttr(n, "name"))
        bookmark(attr(n, "name"));
    if (!w->IdValue.isEmpty())
        bookmark(w->IdValue);
}

// Hidden content shows nothing, but links to the anchors inside it still need their targets.
void Reader::hiddenAnchors(xmlNode *root)
{
    walkTree(root, [&](xmlNode *n) {
        if (n->type != XML_ELEMENT_NODE)
            return false;
        if (tagOf(n) == QLatin1String("a") && hasAttr(n, "name"))
            bookmark(attr(n, "name"));
        if (hasAttr(n, "id"))
            bookmark(attr(n, "id"));
        return true;
    });
}

// Beyond the nesting limit the structure is dropped and only the text is kept.
void Reader::flatText(xmlNode *root, const THtmlStyle &st, const TInlineState &is)
{
    walkTree(root, [&](xmlNode *n) {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE)
            text(fromXml(n->content), st, is);
        if (n->type != XML_ELEMENT_NODE)
            return false;
        const QString tag = tagOf(n);
        return tag != QLatin1String("script") && tag != QLatin1String("style");
    });
}

void Reader::element(xmlNode *n, const THtmlStyle &parent, const TInlineState &is, int depth)
{
    if (depth > m_options.MaxDepth) {
        warn(QStringLiteral("deep"), QStringLiteral("The page nests its elements deeper than %1 levels; the deeper ones are read as plain text").arg(m_options.MaxDepth), n);
        flatText(n, parent, is);
        return;
    }
    TNode *w = node(n);
    const QString &tag = w->TagName;
    static const QStringList embedded = {"iframe", "embed", "applet", "object", "video", "audio", "frame"};
    if (embedded.contains(tag))
        warn(QStringLiteral("embedded: ") + tag,
             QStringLiteral("An embedded %1 element cannot be read into the document; its alternative content is kept").arg(tag), n);
    const double containerTw = std::max(0.0, ctx().Width - ctx().IndLeft - ctx().IndRight);
    THtmlStyle st = styleOf(w, parent, containerTw);
    if (st.Display == QLatin1String("none")) {
        if (tag == QLatin1String("object") || tag == QLatin1String("applet")) {
            st.Display = QStringLiteral("inline"); // the alternative content inside shows instead
        } else {
            hiddenAnchors(n);
            return;
        }
    }
    if (tag == QLatin1String("param"))
        return;
    if (tag == QLatin1String("br")) {
        anchorsOf(n, w);
        lineBreak(st, is);
        return;
    }
    if (tag == QLatin1String("img") || (tag == QLatin1String("input") && attr(n, "type").toLower() == QLatin1String("image"))) {
        anchorsOf(n, w);
        picture(n, st, is);
        return;
    }
    if (tag == QLatin1String("hr")) {
        anchorsOf(n, w);
        rule(n, st);
        return;
    }
    if (tag == QLatin1String("table") && (st.Display == QLatin1String("table") || st.Display == QLatin1String("inline-table"))) {
        table(n, w, st, depth);
        return;
    }
    static const QStringList blockish = {"block", "list-item", "flow-root", "flex", "grid", "table", "table-caption",
                                         "table-row", "table-cell", "table-row-group", "table-header-group",
                                         "table-footer-group", "run-in", "inline-table"};
    if (blockish.contains(st.Display) && tag != QLatin1String("html") && tag != QLatin1String("body"))
        block(n, w, st, depth);
    else if (tag == QLatin1String("html") || tag == QLatin1String("body"))
        children(n, st, is, depth);
    else
        inlineElement(n, w, st, is, depth);
}

int Reader::listLevelFor(const QString &type, int level, int start, double indLeft)
{
    TAbstractNum a;
    a.Id = m_nextAbstract++;
    TNumLevel &l = a.Levels[size_t(level)];
    l.Defined = true;
    l.Start = std::clamp(start, 0, 32767);
    static const std::pair<const char *, const char *> formats[] = {
        {"decimal", "decimal"},         {"decimal-leading-zero", "decimalZero"}, {"lower-roman", "lowerRoman"},
        {"upper-roman", "upperRoman"},  {"lower-alpha", "lowerLetter"},         {"lower-latin", "lowerLetter"},
        {"upper-alpha", "upperLetter"}, {"upper-latin", "upperLetter"},         {"none", "none"}};
    l.Format = QStringLiteral("bullet");
    for (const auto &[css, word] : formats)
        if (type == QLatin1String(css))
            l.Format = QLatin1String(word);
    if (l.Format == QLatin1String("bullet")) {
        if (type == QLatin1String("circle")) {
            l.Text = QStringLiteral("o");
            l.RPr.Font = QStringLiteral("Courier New");
        } else if (type == QLatin1String("square")) {
            l.Text = QString(QChar(0x25AA));
        } else {
            l.Text = QString(QChar(0x2022));
        }
    } else if (l.Format == QLatin1String("none")) {
        l.Text.clear();
    } else {
        l.Text = QStringLiteral("%%1.").arg(level + 1);
    }
    l.PPr.IndLeft = twips(indLeft);
    l.PPr.IndFirst = -std::min(360, std::max(0, twips(indLeft)));
    m_doc.Numbering.Abstracts[a.Id] = a;
    TNum num;
    num.Id = m_nextNum++;
    num.AbstractId = a.Id;
    m_doc.Numbering.Nums[num.Id] = num;
    return num.Id;
}

void Reader::block(xmlNode *n, TNode *w, const THtmlStyle &stIn, int depth)
{
    const QString &tag = w->TagName;
    closeParagraph();
    TContainer &box = container();
    m_styleStore.push_back(stIn);
    const THtmlStyle &st = m_styleStore.back();
    box.PendingTop = std::max(box.PendingTop, st.Margin[0]);
    if (st.PageBreakBefore)
        m_pageBreak = true;

    TBlockContext c = ctx();
    c.Style = &st;
    c.FirstParagraph = true;
    c.Where = where(n);
    c.IndLeft += (st.MarginAuto[3] ? 0 : st.Margin[3]) + st.BorderWidth[3] + st.Padding[3];
    c.IndRight += (st.MarginAuto[1] ? 0 : st.Margin[1]) + st.BorderWidth[1] + st.Padding[1];
    c.IndLeft = std::clamp(c.IndLeft, -2880.0, 31680.0);
    c.IndRight = std::clamp(c.IndRight, -2880.0, 31680.0);
    if (!st.Background.isEmpty())
        c.Background = st.Background;
    if (st.HasBorder())
        c.Borders = &st;
    if (tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6')
        c.HeadingLevel = tag[1].unicode() - '0';
    if (tag == QLatin1String("pre") || tag == QLatin1String("listing") || tag == QLatin1String("xmp") || tag == QLatin1String("plaintext")) {
        c.Pre = true;
        m_skipNewline = true;
    }
    m_blocks.push_back(c);

    const bool list = tag == QLatin1String("ul") || tag == QLatin1String("ol") || tag == QLatin1String("dir") || tag == QLatin1String("menu");
    const bool item = st.Display == QLatin1String("list-item");
    if (list) {
        TListContext l;
        l.Level = std::min(int(m_lists.size()), 8);
        if (tag == QLatin1String("ol") && hasAttr(n, "start"))
            l.Start = attr(n, "start").trimmed().toInt();
        m_lists.push_back(l);
    }
    bool implicitList = false;
    if (item) {
        if (m_lists.empty()) {
            m_lists.push_back(TListContext());
            implicitList = true;
        }
        TListContext &l = m_lists.back();
        bool valueOk = false;
        const int value = hasAttr(n, "value") ? attr(n, "value").trimmed().toInt(&valueOk) : 0;
        if (l.NumId < 0 || valueOk) {
            // A list starts its numbering once; an item with its own value starts it again there.
            l.NumId = listLevelFor(st.ListStyle, l.Level, valueOk ? value : l.Start, c.IndLeft);
        }
        m_item.Active = true;
        m_item.NumId = l.NumId;
        m_item.Level = l.Level;
    }

    anchorsOf(n, w);
    TInlineState fresh;
    children(n, st, fresh, depth);
    closeParagraph();
    if (item && m_item.Active) {
        // An empty item still shows its number or bullet.
        para();
        closeParagraph();
    }
    m_item.Active = false;
    if (list || implicitList)
        m_lists.pop_back();
    m_blocks.pop_back();
    container().PendingBottom = std::max(container().PendingBottom, st.Margin[2]);
    if (c.Pre)
        m_skipNewline = false;
    m_styleStore.pop_back();
}

void Reader::inlineElement(xmlNode *n, TNode *w, const THtmlStyle &st, const TInlineState &isIn, int depth)
{
    TInlineState is = isIn;
    if (!st.Background.isEmpty())
        is.Background = st.Background;
    anchorsOf(n, w);
    // A box of fixed width at the start of a paragraph with a hanging first line is a list
    // label, as word processors write their lists into pages: a tab follows it.
    bool label = false;
    if (st.Display == QLatin1String("inline-block") && st.Width.K == THtmlLength::Twips && ctx().Style && ctx().Style->TextIndent < 0) {
        label = !m_para || std::none_of(m_para->Inlines.begin(), m_para->Inlines.end(), [](const TInline &x) {
            return x.Kind == TInlineKind::Text || x.Kind == TInlineKind::Shape;
        });
    }
    if (w->IsLink() && w->TagName == QLatin1String("a") && !m_link.Active)
        link(n, w, st, is, depth);
    else
        children(n, st, is, depth);
    if (label && m_para) {
        appendText(QString(QChar(chars::Tab)), st, is);
        m_lastSpace = true;
    }
}

void Reader::link(xmlNode *n, TNode *w, const THtmlStyle &st, const TInlineState &is, int depth)
{
    const QString href = attr(n, "href").trimmed();
    if (href.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive) || href.startsWith(QLatin1String("vbscript:"), Qt::CaseInsensitive)) {
        warn(QStringLiteral("script link"), QStringLiteral("A link that runs a script is kept as plain text"), n);
        children(n, st, is, depth);
        return;
    }
    QString file = href, anchor;
    const qsizetype hash = href.indexOf('#');
    if (hash >= 0) {
        file = href.left(hash);
        anchor = href.mid(hash + 1);
    }
    if (!hasScheme(file) || file.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        file = QUrl::fromPercentEncoding(file.toUtf8());
    anchor = QUrl::fromPercentEncoding(anchor.toUtf8());
    if (file.isEmpty() && anchor.isEmpty()) {
        children(n, st, is, depth);
        return;
    }
    QString code = QStringLiteral(" HYPERLINK ");
    if (!file.isEmpty())
        code += QuoteFieldArgument(file) + ' ';
    if (!anchor.isEmpty())
        code += QStringLiteral("\\l ") + QuoteFieldArgument(anchor) + ' ';
    if (hasAttr(n, "title"))
        code += QStringLiteral("\\o ") + QuoteFieldArgument(attr(n, "title").simplified()) + ' ';
    if (hasAttr(n, "target"))
        code += QStringLiteral("\\t ") + QuoteFieldArgument(attr(n, "target").trimmed()) + ' ';
    m_link = TLinkState();
    m_link.Active = true;
    m_link.Code = code;
    Q_UNUSED(w);
    children(n, st, is, depth);
    endLinkField();
    m_link = TLinkState();
}

void Reader::text(const QString &rawIn, const THtmlStyle &st, const TInlineState &is)
{
    if (st.Hidden || rawIn.isEmpty())
        return;
    QString raw = rawIn;
    if (m_skipNewline) {
        // The line break right after the start of preformatted text is not shown.
        if (raw.startsWith(QLatin1String("\r\n")))
            raw.remove(0, 2);
        else if (raw.startsWith('\n') || raw.startsWith('\r'))
            raw.remove(0, 1);
        m_skipNewline = false;
    }
    mapC1(raw);
    const QString &ws = st.WhiteSpace;
    const bool keepSpaces = ws == QLatin1String("pre") || ws == QLatin1String("pre-wrap");
    const bool keepBreaks = keepSpaces || ws == QLatin1String("pre-line");
    QString out;
    out.reserve(raw.size());
    bool last = m_para ? m_lastSpace : true;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QChar c = raw[i];
        const char16_t u = c.unicode();
        if (u == '\r') {
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                continue;
            c = QChar('\n');
        }
        if (c == '\n' && keepBreaks) {
            if (!keepSpaces)
                while (out.endsWith(' '))
                    out.chop(1);
            out += QChar(chars::LineBreak);
            last = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\f') {
            if (keepSpaces) {
                out += c == '\t' ? QChar(chars::Tab) : QChar(' ');
                last = false;
            } else if (!last) {
                out += ' ';
                last = true;
            }
            continue;
        }
        if (u < 0x20 || u == 0x7F || (u >= 0xFFF9 && u <= 0xFFFB))
            continue;
        out += u == 0xAD ? QChar(chars::SoftHyphen) : c;
        last = false;
    }
    if (out.isEmpty())
        return;
    if (st.Transform == QLatin1String("lowercase"))
        out = out.toLower();
    appendText(out, st, is); // may start the paragraph, which starts with no blank pending
    m_lastSpace = last;
}

void Reader::lineBreak(const THtmlStyle &st, const TInlineState &is)
{
    if (st.Hidden)
        return;
    TParagraph &p = para();
    // Blanks before a break end a line and are not shown.
    if (!p.Inlines.empty() && p.Inlines.back().Kind == TInlineKind::Text && m_paraStyle != QLatin1String("HTMLPreformatted"))
        while (p.Inlines.back().Text.endsWith(' '))
            p.Inlines.back().Text.chop(1);
    appendText(QString(QChar(chars::LineBreak)), st, is);
    m_lastSpace = true;
}

void Reader::rule(xmlNode *n, const THtmlStyle &st)
{
    closeParagraph();
    container().PendingTop = std::max(container().PendingTop, st.Margin[0]);
    THtmlStyle line = st;
    bool ok = false;
    double px = attr(n, "size").trimmed().toDouble(&ok);
    if (!ok || px <= 0)
        px = st.Height.K == THtmlLength::Twips && st.Height.V > 0 ? st.Height.V / 15 : 2;
    line.BorderWidth[0] = line.BorderWidth[1] = line.BorderWidth[3] = 0;
    line.BorderWidth[2] = std::clamp(px, 0.25, 12.0) * 15;
    line.BorderStyle[2] = QStringLiteral("solid");
    const QString color = hasAttr(n, "color") ? CssColor(attr(n, "color"), true) : QString();
    line.BorderColor[2] = !color.isEmpty() ? color : st.BorderWidth[2] > 0 ? st.BorderColor[2] : QStringLiteral("808080");
    m_styleStore.push_back(line);
    TBlockContext c = ctx();
    c.Borders = &m_styleStore.back();
    c.Style = &m_styleStore.back();
    c.Where = where(n);
    c.HeadingLevel = 0;
    m_blocks.push_back(c);
    para();
    closeParagraph();
    m_blocks.pop_back();
    m_styleStore.pop_back();
    container().PendingBottom = std::max(container().PendingBottom, st.Margin[2]);
}

void Reader::picture(xmlNode *n, const THtmlStyle &st, const TInlineState &is)
{
    if (st.Hidden)
        return;
    const QString src = attr(n, "src").trimmed();
    const QString alt = attr(n, "alt");
    auto fallback = [&]() {
        if (!alt.trimmed().isEmpty())
            text(alt, st, is);
    };
    auto shape = std::make_shared<TShape>();
    shape->Kind = TShapeKind::Picture;
    shape->Where = where(n);
    shape->Description = alt;
    shape->Title = attr(n, "title");
    shape->Name = QStringLiteral("Picture %1").arg(++m_pictures);
    QSize natural;
    if (src.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        const qsizetype comma = src.indexOf(',');
        const QString meta = src.mid(5, comma < 0 ? 0 : comma - 5).toLower();
        if (comma < 0 || src.size() - comma > m_options.MaxEmbeddedPictureBytes * 4 / 3 + 4) {
            warn(QStringLiteral("picture data"), QStringLiteral("A picture inside the page is damaged or too large and is left out"), n);
            fallback();
            return;
        }
        const QByteArray payload = src.mid(comma + 1).toLatin1();
        const QByteArray data = meta.endsWith(QLatin1String(";base64")) ? QByteArray::fromBase64(payload) : QByteArray::fromPercentEncoding(payload);
        const QString mime = meta.section(';', 0, 0);
        QString ext = mime.startsWith(QLatin1String("image/")) ? mime.mid(6) : QString();
        if (ext == QLatin1String("jpeg"))
            ext = QStringLiteral("jpg");
        if (ext.startsWith(QLatin1String("svg")))
            ext = QStringLiteral("svg");
        if (data.isEmpty() || ext.isEmpty() || ext.size() > 8 || std::any_of(ext.begin(), ext.end(), [](QChar ch) { return !(ch.isDigit() || (ch >= 'a' && ch <= 'z')); })) {
            warn(QStringLiteral("picture data"), QStringLiteral("A picture inside the page is damaged or too large and is left out"), n);
            fallback();
            return;
        }
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        natural = reader.size();
        const QString part = QStringLiteral("word/media/htmlimage%1.%2").arg(m_pictures).arg(ext);
        m_doc.Media[part] = TMediaPart{data, mime};
        shape->MediaPart = part;
    } else {
        QString why;
        bool caseDiffers = false;
        const QString path = src.isEmpty() ? QString() : m_files.Resolve(m_pageFolder, src, why, caseDiffers);
        if (path.isEmpty()) {
            warn(QStringLiteral("picture: ") + src,
                 src.isEmpty() ? QStringLiteral("A picture without an address is left out")
                               : QStringLiteral("The picture \"%1\" is left out: %2").arg(src.left(200), why),
                 n);
            fallback();
            return;
        }
        if (caseDiffers)
            warn(QStringLiteral("picture case: ") + src, QStringLiteral("The picture \"%1\" is found in another letter case").arg(src.left(200)), n);
        QFile f;
        if (!m_files.Open(path, m_options.MaxPictureBytes, f, why)) {
            warn(QStringLiteral("picture: ") + src, QStringLiteral("The picture \"%1\" is left out: %2").arg(src.left(200), why), n);
            fallback();
            return;
        }
        QImageReader reader(&f);
        natural = reader.size();
        if (!natural.isValid())
            warn(QStringLiteral("picture format: ") + src, QStringLiteral("The picture \"%1\" is not in a format whose size can be read").arg(src.left(200)), n);
        shape->LinkTarget = path;
    }
    // Attributes and CSS give the size; one of them alone keeps the picture's proportions.
    const double containerTw = std::max(0.0, ctx().Width - ctx().IndLeft - ctx().IndRight);
    auto size = [&](const THtmlLength &l, double &out) {
        if (l.K == THtmlLength::Twips)
            out = l.V;
        else if (l.K == THtmlLength::Percent)
            out = containerTw * l.V / 100;
    };
    double w = -1, h = -1;
    size(st.Width, w);
    size(st.Height, h);
    const double nw = natural.isValid() ? natural.width() * 15.0 : 0, nh = natural.isValid() ? natural.height() * 15.0 : 0;
    if (w < 0 && h < 0) {
        w = nw > 0 ? nw : 1440;
        h = nh > 0 ? nh : 1440;
    } else if (w < 0) {
        w = nh > 0 ? h * nw / nh : h;
    } else if (h < 0) {
        h = nw > 0 ? w * nh / nw : w;
    }
    qint64 we = qint64(std::clamp(w, 0.0, 1.0e9) * kEmuPerTwip), he = qint64(std::clamp(h, 0.0, 1.0e9) * kEmuPerTwip);
    if (we > kMaxPictureEmu || he > kMaxPictureEmu) {
        const double scale = double(kMaxPictureEmu) / double(std::max(we, he));
        we = qint64(double(we) * scale);
        he = qint64(double(he) * scale);
    }
    shape->WidthEmu = we;
    shape->HeightEmu = he;
    TInline in;
    in.Kind = TInlineKind::Shape;
    in.Shape = shape;
    appendInline(std::move(in), st, is);
    m_lastSpace = false;
}


} // namespace tavrel::engine::html
