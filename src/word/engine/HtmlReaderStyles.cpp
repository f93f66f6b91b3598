#include "word/engine/HtmlReaderParts.h"

// The page's style sheets gathered, and computed styles turned into run, paragraph and named styles.
namespace tavrel::engine::html {

// --- style sheets ---------------------------------------------------------------------------------

QString Reader::decodeSheet(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes.mid(2), true);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes.mid(2), false);
    if (bytes.startsWith("@charset \"")) {
        const qsizetype end = bytes.indexOf('"', 10);
        const QString name = QString::fromLatin1(bytes.mid(10, end - 10)).toLower();
        const int cp = name == QLatin1String("utf-8") ? 65001 : GetCodepageByCharset(name);
        if (cp == 65001)
            return QString::fromUtf8(bytes);
        if (cp)
            return DecodeCodePage(bytes, cp);
    }
    // Sheets without a mark are ASCII nearly always; the rest is read as the page is.
    if (m_options.CodePage && !IsValidUtf8(bytes))
        return DecodeCodePage(bytes, m_options.CodePage);
    return DecodeUnmarkedText(bytes);
}

void Reader::loadLinkedSheet(const QString &href, const QString &baseFolder, xmlNode *at, int depth)
{
    if (m_sheetCount >= m_options.MaxStyleSheets) {
        warn(QStringLiteral("sheets: too many"), QStringLiteral("The page links more than %1 style sheets; the rest are not read").arg(m_options.MaxStyleSheets), at);
        return;
    }
    QString why;
    bool caseDiffers = false;
    const QString path = m_files.Resolve(baseFolder, href, why, caseDiffers);
    if (path.isEmpty()) {
        warn(QStringLiteral("sheet: ") + href, QStringLiteral("The style sheet \"%1\" is not read: %2").arg(href.left(200), why), at);
        return;
    }
    if (m_sheetsSeen.contains(path))
        return; // a sheet imported twice, or a cycle of imports
    m_sheetsSeen.insert(path);
    ++m_sheetCount;
    if (caseDiffers)
        warn(QStringLiteral("sheet case: ") + href, QStringLiteral("The style sheet \"%1\" is found in another letter case").arg(href.left(200)), at);
    QByteArray bytes;
    if (!m_files.Read(path, m_options.MaxStyleSheetBytes, bytes, why)) {
        warn(QStringLiteral("sheet: ") + href, QStringLiteral("The style sheet \"%1\" is not read: %2").arg(href.left(200), why), at);
        return;
    }
    addSheetText(decodeSheet(bytes), QFileInfo(path).absolutePath(), QFileInfo(path).fileName(), at, depth);
}

void Reader::addSheetText(const QString &text, const QString &baseFolder, const QString &place, xmlNode *at, int depth)
{
    TCssStyleSheet sheet;
    TWarnings w;
    ParseCssStyleSheet(text, sheet, place, &w);
    for (const TWarning &x : w.Items())
        m_doc.Warn(QStringLiteral("sheet limit: ") + x.What, x.What, x.Where.isEmpty() ? where(at) : x.Where);
    // Imported sheets come first: the importing sheet's own rules win over theirs.
    for (const QString &imp : sheet.Imports) {
        if (depth >= 8) {
            warn(QStringLiteral("sheets: deep"), QStringLiteral("Style sheets import each other too deeply; the innermost are not read"), at);
            break;
        }
        loadLinkedSheet(imp, baseFolder, at, depth + 1);
    }
    m_cascade.AddSheet(sheet, TCssCascade::Author);
}

void Reader::collectSheets(xmlNode *root)
{
    // In document order, wherever they stand.
    walkTree(root, [&](xmlNode *n) {
        if (n->type != XML_ELEMENT_NODE)
            return false;
        const QString tag = tagOf(n);
        const QString media = attr(n, "media").trimmed().toLower();
        const bool screen = media.isEmpty() || media.contains(QLatin1String("screen")) || media.contains(QLatin1String("all"));
        if (tag == QLatin1String("link")) {
            const QStringList rel = attr(n, "rel").toLower().split(' ', Qt::SkipEmptyParts);
            if (rel.contains(QLatin1String("stylesheet")) && !rel.contains(QLatin1String("alternate")) && screen)
                loadLinkedSheet(attr(n, "href"), m_pageFolder, n, 0);
            return false;
        }
        if (tag == QLatin1String("style")) {
            if (screen) {
                xmlChar *content = xmlNodeGetContent(n);
                addSheetText(fromXml(content), m_pageFolder, where(n), n, 0);
                xmlFree(content);
            }
            return false;
        }
        return true;
    });
}

// --- styles ---------------------------------------------------------------------------------------

TCssDeclarations Reader::hintsFor(TNode *w, double containerTw)
{
    TCssDeclarations h;
    xmlNode *n = w->Node;
    const QString &tag = w->TagName;
    auto add = [&](TCssProperty p, const QString &v) { h.push_back(TCssDeclaration{p, v, false}); };
    auto length = [&](const QString &v) {
        const QString t = v.trimmed();
        if (t.endsWith('%'))
            return t;
        bool ok = false;
        const double px = t.toDouble(&ok);
        return ok ? QString::number(px) + QStringLiteral("px") : QString();
    };
    if (hasAttr(n, "align")) {
        const QString a = attr(n, "align").trimmed().toLower();
        static const QStringList blocks = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "caption", "td", "th", "tr",
                                           "tbody", "thead", "tfoot", "center", "legend"};
        if (blocks.contains(tag) && !a.isEmpty())
            add(TCssProperty::TextAlign, a == QLatin1String("middle") ? QStringLiteral("center") : a);
    }
    if (hasAttr(n, "bgcolor") && tag != QLatin1String("body")) {
        const QString c = CssColor(attr(n, "bgcolor"), true);
        if (!c.isEmpty())
            add(TCssProperty::BackgroundColor, '#' + c);
    }
    if (tag == QLatin1String("font")) {
        if (hasAttr(n, "face"))
            add(TCssProperty::FontFamily, attr(n, "face"));
        if (hasAttr(n, "color")) {
            const QString c = CssColor(attr(n, "color"), true);
            if (!c.isEmpty())
                add(TCssProperty::Color, '#' + c);
        }
        if (hasAttr(n, "size")) {
            const QString s = attr(n, "size").trimmed();
            bool ok = false;
            int v = s.toInt(&ok);
            if (ok) {
                if (s.startsWith('+') || s.startsWith('-'))
                    v += 3;
                add(TCssProperty::FontSize, QString::number(LegacyFontSizePt(v)) + QStringLiteral("pt"));
            }
        }
    }
    if (tag == QLatin1String("body") && hasAttr(n, "text")) {
        const QString c = CssColor(attr(n, "text"), true);
        if (!c.isEmpty())
            add(TCssProperty::Color, '#' + c);
    }
    if (w->IsLink() && !m_bodyLinkColor.isEmpty())
        add(TCssProperty::Color, '#' + m_bodyLinkColor);
    static const QStringList sized = {"table", "td", "th", "col", "colgroup", "img", "hr"};
    if (sized.contains(tag)) {
        if (hasAttr(n, "width")) {
            const QString v = length(attr(n, "width"));
            if (!v.isEmpty())
                add(TCssProperty::Width, v);
        }
        if (hasAttr(n, "height") && tag != QLatin1String("table")) {
            const QString v = length(attr(n, "height"));
            if (!v.isEmpty())
                add(TCssProperty::Height, v);
        }
    }
    if (tag == QLatin1String("td") || tag == QLatin1String("th") || tag == QLatin1String("tr") || tag == QLatin1String("tbody") ||
        tag == QLatin1String("thead") || tag == QLatin1String("tfoot")) {
        if (hasAttr(n, "valign"))
            add(TCssProperty::VerticalAlign, attr(n, "valign").trimmed().toLower());
        if (hasAttr(n, "nowrap"))
            add(TCssProperty::WhiteSpace, QStringLiteral("nowrap"));
    }
    if (tag == QLatin1String("td") || tag == QLatin1String("th")) {
        // The table's border and cellpadding attributes reach its cells.
        xmlNode *t = n->parent;
        while (t && tagOf(t) != QLatin1String("table"))
            t = t->parent;
        if (t) {
            if (hasAttr(t, "border") && attr(t, "border").trimmed() != QLatin1String("0"))
                for (int side = 0; side < 4; ++side) {
                    add(TCssProperty(int(TCssProperty::BorderTopWidth) + side), QStringLiteral("1px"));
                    add(TCssProperty(int(TCssProperty::BorderTopStyle) + side), QStringLiteral("solid"));
                    add(TCssProperty(int(TCssProperty::BorderTopColor) + side), QStringLiteral("#808080"));
                }
            if (hasAttr(t, "cellpadding")) {
                const QString v = length(attr(t, "cellpadding"));
                if (!v.isEmpty() && !v.endsWith('%'))
                    for (int side = 0; side < 4; ++side)
                        add(TCssProperty(int(TCssProperty::PaddingTop) + side), v);
            }
        }
    }
    if (tag == QLatin1String("table") && hasAttr(n, "border")) {
        bool ok = false;
        const double b = attr(n, "border").trimmed().toDouble(&ok);
        const double px = !ok ? 1 : std::clamp(b, 0.0, 100.0);
        if (px > 0)
            for (int side = 0; side < 4; ++side) {
                add(TCssProperty(int(TCssProperty::BorderTopWidth) + side), QString::number(px) + QStringLiteral("px"));
                add(TCssProperty(int(TCssProperty::BorderTopStyle) + side), QStringLiteral("solid"));
                add(TCssProperty(int(TCssProperty::BorderTopColor) + side), QStringLiteral("#808080"));
            }
    }
    if (tag == QLatin1String("table") && hasAttr(n, "align")) {
        const QString a = attr(n, "align").trimmed().toLower();
        if (a == QLatin1String("center")) {
            add(TCssProperty::MarginLeft, QStringLiteral("auto"));
            add(TCssProperty::MarginRight, QStringLiteral("auto"));
        } else if (a == QLatin1String("right")) {
            add(TCssProperty::MarginLeft, QStringLiteral("auto"));
        }
    }
    if (tag == QLatin1String("ol") || tag == QLatin1String("ul") || tag == QLatin1String("li")) {
        const QString t = attr(n, "type").trimmed();
        static const std::pair<const char *, const char *> types[] = {
            {"1", "decimal"}, {"a", "lower-alpha"}, {"A", "upper-alpha"}, {"i", "lower-roman"}, {"I", "upper-roman"},
            {"disc", "disc"}, {"circle", "circle"}, {"square", "square"}, {"round", "circle"}};
        for (const auto &[k, v] : types)
            if (t == QLatin1String(k) || (t.size() > 1 && t.compare(QLatin1String(k), Qt::CaseInsensitive) == 0))
                add(TCssProperty::ListStyleType, QLatin1String(v));
    }
    Q_UNUSED(containerTw);
    return h;
}

THtmlStyle Reader::styleOf(TNode *w, const THtmlStyle &parent, double containerTw)
{
    const TCssDeclarations hints = hintsFor(w, containerTw);
    TCssDeclarations inlineStyle;
    if (hasAttr(w->Node, "style"))
        inlineStyle = ParseCssDeclarations(attr(w->Node, "style"));
    TCssValues v;
    m_cascade.Compute(*w, &hints, inlineStyle.empty() ? nullptr : &inlineStyle, v);
    return ComputeHtmlStyle(v, parent, m_rootPt, containerTw);
}


TRunProps Reader::runOf(const THtmlStyle &s, const QString &background) const
{
    TRunProps r;
    r.Font = s.FontFamily;
    r.Size = halfPoints(s.FontPt);
    r.Color = s.Color;
    r.Bold = s.Bold();
    r.Italic = s.Italic;
    r.Underline = s.Underline ? QStringLiteral("single") : QStringLiteral("none");
    r.Strike = s.Strike;
    r.Caps = s.Transform == QLatin1String("uppercase");
    r.SmallCaps = s.SmallCaps;
    r.VertAlign = s.VerticalAlign == QLatin1String("super") ? QStringLiteral("superscript")
                  : s.VerticalAlign == QLatin1String("sub") ? QStringLiteral("subscript")
                                                            : QStringLiteral("baseline");
    if (!background.isEmpty())
        r.Shading = TShading{background, QStringLiteral("clear"), QStringLiteral("auto")};
    return r;
}

// Direct formatting: what the text has that its styles do not give it already.
std::shared_ptr<const TRunProps> Reader::intern(const TRunProps &full, bool link)
{
    TRunProps base = m_docDefaults;
    auto it = m_resolved.find(m_paraStyle);
    if (it != m_resolved.end())
        base = it->second;
    if (link)
        base.Overlay(m_linkStyle);
    TRunProps d;
    if (link)
        d.Style = QStringLiteral("Hyperlink");
    auto differs = [](const auto &value, const auto &baseValue, const auto &def) { return value.value_or(def) != baseValue.value_or(def); };
    if (differs(full.Font, base.Font, QString()))
        d.Font = full.Font;
    if (differs(full.Size, base.Size, 24))
        d.Size = full.Size;
    if (differs(full.Color, base.Color, QStringLiteral("000000")) &&
        !(full.Color == QStringLiteral("000000") && base.Color == QStringLiteral("auto")))
        d.Color = full.Color;
    if (differs(full.Bold, base.Bold, false))
        d.Bold = full.Bold;
    if (differs(full.Italic, base.Italic, false))
        d.Italic = full.Italic;
    if (differs(full.Underline, base.Underline, QStringLiteral("none")))
        d.Underline = full.Underline;
    if (differs(full.Strike, base.Strike, false))
        d.Strike = full.Strike;
    if (differs(full.Caps, base.Caps, false))
        d.Caps = full.Caps;
    if (differs(full.SmallCaps, base.SmallCaps, false))
        d.SmallCaps = full.SmallCaps;
    if (differs(full.VertAlign, base.VertAlign, QStringLiteral("baseline")))
        d.VertAlign = full.VertAlign;
    if (full.Shading)
        d.Shading = full.Shading;
    // One shared object per distinct formatting keeps a long page small.
    QString key;
    key += d.Style.value_or(QString()) + '|' + d.Font.value_or(QString()) + '|' + QString::number(d.Size.value_or(-1)) + '|' +
           d.Color.value_or(QString()) + '|' + d.Underline.value_or(QString()) + '|' + d.VertAlign.value_or(QString()) + '|' +
           (d.Shading ? d.Shading->Fill : QString()) + '|';
    for (const auto &b : {d.Bold, d.Italic, d.Strike, d.Caps, d.SmallCaps})
        key += b ? (*b ? '1' : '0') : '-';
    auto found = m_interned.find(key);
    if (found != m_interned.end())
        return found->second;
    auto p = std::make_shared<const TRunProps>(d);
    m_interned.emplace(key, p);
    return p;
}




QString Reader::addParagraphStyle(const QString &id, const QString &name, const THtmlStyle &s, int outline)
{
    TStyle st;
    st.Id = id;
    st.Name = name;
    st.Type = TStyleType::Paragraph;
    st.BasedOn = id == m_normalId ? QString() : m_normalId;
    st.Next = m_normalId;
    st.Default = id == m_normalId;
    const TRunProps full = runOf(s, QString());
    const TRunProps &base = id == m_normalId ? m_docDefaults : m_resolved[m_normalId];
    if (full.Font != base.Font)
        st.RPr.Font = full.Font;
    if (full.Size != base.Size)
        st.RPr.Size = full.Size;
    if (full.Color.value_or(QString()) != base.Color.value_or(QStringLiteral("000000")))
        st.RPr.Color = full.Color;
    if (*full.Bold != base.Bold.value_or(false))
        st.RPr.Bold = full.Bold;
    if (*full.Italic != base.Italic.value_or(false))
        st.RPr.Italic = full.Italic;
    if (*full.Underline != base.Underline.value_or(QStringLiteral("none")))
        st.RPr.Underline = full.Underline;
    if (*full.Caps)
        st.RPr.Caps = true;
    if (*full.SmallCaps)
        st.RPr.SmallCaps = true;
    if (id != m_normalId) {
        st.PPr.SpaceBefore = twips(s.Margin[0]);
        st.PPr.SpaceAfter = twips(s.Margin[2]);
        const QString align = alignOf(s.TextAlign);
        if (align != QLatin1String("left"))
            st.PPr.Align = align;
    } else {
        st.PPr.SpaceBefore = 0;
        st.PPr.SpaceAfter = 0;
    }
    if (outline > 0) {
        st.PPr.OutlineLevel = outline - 1;
        st.PPr.KeepNext = true;
    }
    TRunProps resolved = id == m_normalId ? m_docDefaults : m_resolved[m_normalId];
    resolved.Overlay(st.RPr);
    m_resolved[id] = resolved;
    TParaProps resolvedPara = id == m_normalId ? TParaProps() : m_resolvedPara[m_normalId];
    resolvedPara.Overlay(st.PPr);
    m_resolvedPara[id] = resolvedPara;
    m_doc.Styles.Add(st);
    return id;
}

void Reader::makeStyles(TNode *body, const THtmlStyle &bodyStyle)
{
    m_docDefaults.Font = QStringLiteral("Times New Roman");
    m_docDefaults.Size = 24;
    m_docDefaults.Color = QStringLiteral("000000");
    m_doc.Styles.DocRPr.Font = m_docDefaults.Font;
    m_doc.Styles.DocRPr.Size = m_docDefaults.Size;
    addParagraphStyle(m_normalId, QStringLiteral("Normal"), bodyStyle, 0);
    // The styles show what a bare element of the page looks like; classes and ids stay direct
    // formatting of the paragraphs.
    for (int level = 1; level <= 6; ++level) {
        TSynthetic h(QStringLiteral("h%1").arg(level), body);
        TCssValues v;
        m_cascade.Compute(h, nullptr, nullptr, v);
        addParagraphStyle(QStringLiteral("Heading%1").arg(level), QStringLiteral("heading %1").arg(level),
                          ComputeHtmlStyle(v, bodyStyle, m_rootPt, kTextWidthTw), level);
    }
    {
        TSynthetic pre(QStringLiteral("pre"), body);
        TCssValues v;
        m_cascade.Compute(pre, nullptr, nullptr, v);
        addParagraphStyle(QStringLiteral("HTMLPreformatted"), QStringLiteral("HTML Preformatted"),
                          ComputeHtmlStyle(v, bodyStyle, m_rootPt, kTextWidthTw), 0);
    }
    {
        TSynthetic a(QStringLiteral("a"), body, true);
        TCssValues v;
        TCssDeclarations hints;
        if (!m_bodyLinkColor.isEmpty())
            hints.push_back(TCssDeclaration{TCssProperty::Color, '#' + m_bodyLinkColor, false});
        m_cascade.Compute(a, &hints, nullptr, v);
        const THtmlStyle s = ComputeHtmlStyle(v, bodyStyle, m_rootPt, kTextWidthTw);
        TStyle st;
        st.Id = QStringLiteral("Hyperlink");
        st.Name = QStringLiteral("Hyperlink");
        st.Type = TStyleType::Character;
        const TRunProps full = runOf(s, QString());
        const TRunProps &normal = m_resolved[m_normalId];
        if (full.Color != normal.Color)
            st.RPr.Color = full.Color;
        if (full.Underline != normal.Underline.value_or(QStringLiteral("none")))
            st.RPr.Underline = full.Underline;
        if (full.Bold != normal.Bold.value_or(false))
            st.RPr.Bold = full.Bold;
        if (full.Font != normal.Font)
            st.RPr.Font = full.Font;
        m_linkStyle = st.RPr;
        m_doc.Styles.Add(st);
    }
}

TParaProps Reader::paraOf(const TBlockContext &c, const QString &styleId)
{
    TParaProps p;
    if (styleId != m_normalId)
        p.Style = styleId;
    const TParaProps &base = m_resolvedPara[styleId];
    const QString align = alignOf(c.Style ? c.Style->TextAlign : QStringLiteral("left"));
    if (align != base.Align.value_or(QStringLiteral("left")))
        p.Align = align;
    if (twips(c.IndLeft) != 0)
        p.IndLeft = twips(c.IndLeft);
    if (twips(c.IndRight) != 0)
        p.IndRight = twips(c.IndRight);
    if (c.FirstParagraph && c.Style && twips(c.Style->TextIndent) != 0)
        p.IndFirst = twips(c.Style->TextIndent);
    if (c.Style) {
        if (c.Style->LineK == THtmlStyle::LineFactor) {
            p.Line = int(std::clamp<int64_t>(RoundHalfEven(240 * c.Style->LineV), 12, 31680));
            p.LineRule = QStringLiteral("auto");
        } else if (c.Style->LineK == THtmlStyle::LineExact) {
            p.Line = int(std::clamp<int64_t>(RoundHalfEven(c.Style->LineV), 20, 31680));
            p.LineRule = QStringLiteral("exact");
        }
    }
    if (!c.Background.isEmpty())
        p.Shading = TShading{c.Background, QStringLiteral("clear"), QStringLiteral("auto")};
    if (c.Borders) {
        const THtmlStyle &b = *c.Borders;
        if (b.BorderWidth[0] > 0)
            p.BorderTop = borderOf(b, 0);
        if (b.BorderWidth[1] > 0)
            p.BorderRight = borderOf(b, 1);
        if (b.BorderWidth[2] > 0)
            p.BorderBottom = borderOf(b, 2);
        if (b.BorderWidth[3] > 0)
            p.BorderLeft = borderOf(b, 3);
    }
    return p;
}


} // namespace tavrel::engine::html
