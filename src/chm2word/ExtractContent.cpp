#include "chm2word/ExtractContent.h"

#include "text/HTMLProcess.h"
#include "text/functions.h"

#include <memory>

namespace tavrel {

bool TitleMatches(const QString &a, const QString &b)
{
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    const QString &longer = a.size() >= b.size() ? a : b;
    const QString &shorter = a.size() >= b.size() ? b : a;
    return longer.contains(shorter, Qt::CaseInsensitive) && double(longer.size() - shorter.size()) < 0.4 * double(longer.size());
}

namespace {

// The name of the tag that starts at "<" position k: up to white space or ">", without a
// leading "/".
QString TagNameAt(const QString &text, qsizetype k)
{
    qsizetype e = k + 1;
    while (e < text.size() && text[e] != QLatin1Char('>') && !IsWhiteSpaceChar(text[e]))
        ++e;
    QString name = text.mid(k + 1, e - k - 1);
    if (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name;
}

} // namespace

QString FixTableFragment(const QString &text)
{
    QString out = text;
    const qsizetype last = text.lastIndexOf(QLatin1Char('<'));
    if (last >= 0) {
        const QString name = TagNameAt(text, last);
        if (name.compare(QLatin1String("tr"), Qt::CaseInsensitive) == 0)
            out += QStringLiteral("</table>");
        else if (name.compare(QLatin1String("td"), Qt::CaseInsensitive) == 0)
            out += QStringLiteral("</tr></table>");
    }
    const qsizetype first = text.indexOf(QLatin1Char('<'));
    if (first >= 0) {
        const QString name = TagNameAt(text, first);
        if (name.compare(QLatin1String("tr"), Qt::CaseInsensitive) == 0)
            out.prepend(QStringLiteral("<table>"));
        else if (name.compare(QLatin1String("td"), Qt::CaseInsensitive) == 0)
            out.prepend(QStringLiteral("<table><tr>"));
    }
    return out;
}

QString ExtractSection(const QString &section, const QString &title)
{
    THtmlTags tags;
    auto root = std::make_unique<THtmlTag>();
    root->Name = QStringLiteral("Root");
    tags.Add(std::move(root));
    QString result;
    int best = 5;
    QString pending, name, block;
    bool inTag = false, inName = false;
    bool titleTested = false;
    THtmlTag *titleElement = nullptr;
    const qsizetype n = section.size();
    auto fold = [&](int top) {
        THtmlTag *child = tags[top];
        THtmlTag *parent = tags[top - 1];
        if (child == titleElement) {
            parent->Inner.clear();
            titleElement = parent;
            return;
        }
        parent->Inner += child->Start + child->Inner + child->Tail;
        parent->CharCount += child->CharCount;
        parent->Blocks += child->Blocks;
    };
    for (qsizetype p = 0; p < n; ++p) {
        const QChar c = section[p];
        if (c == QLatin1Char('<')) {
            if (inTag)
                tags.Last()->Inner += pending;
            pending = c;
            name.clear();
            inTag = inName = true;
            continue;
        }
        if (inTag && c != QLatin1Char('>')) {
            pending += c;
            if (inName) {
                if (IsWhiteSpaceChar(c))
                    inName = false;
                else
                    name += c;
            }
            continue;
        }
        if (inTag) {
            pending += c;
            inTag = false;
            if (name.isEmpty() || name == QLatin1String("/"))
                continue;
            const bool end = name.startsWith(QLatin1Char('/'));
            QString tagName = end ? name.mid(1) : name;
            if (tagName.endsWith(QLatin1Char('/')))
                tagName.chop(1);
            if (IsBlockTag(tagName)) {
                block = TrimWhiteSpace(HtmlUnescape(CollapseWhiteSpace(block)));
                // Only the first block of the section can be its title.
                if (!block.isEmpty() && !titleTested) {
                    titleTested = true;
                    if (TitleMatches(block, title)
                        || (block.size() < 50 && !block.endsWith(QLatin1Char('.')) && !block.endsWith(QLatin1Char(':'))))
                        titleElement = tags.Last();
                }
                block.clear();
            }
            if (!end && IsEmptyTag(tagName)) {
                tags.Last()->Inner += pending;
            } else if (!end) {
                auto e = std::make_unique<THtmlTag>();
                e->Name = tagName;
                e->Start = pending;
                e->Block = IsBlockTag(tagName);
                e->NonDoc = tags.Last()->NonDoc || IsNonDocTag(tagName);
                tags.Add(std::move(e));
            } else {
                int k = tags.Count() - 1;
                while (k > 0 && tags[k]->Name.compare(tagName, Qt::CaseInsensitive) != 0)
                    --k;
                if (k == 0)
                    continue;
                THtmlTag *E = tags[k];
                E->Tail = pending;
                // The elements left open inside E go into it first, then E into its parent.
                for (int top = tags.Count() - 1; top >= k; --top)
                    fold(top);
                // Only a block can be the section: an inline element would cut its paragraph.
                if (E->Block && E->CharCount > best) {
                    result = E->Start + E->Inner + E->Tail;
                    best = E->CharCount + 5;
                    titleElement = nullptr;
                }
                tags.SetCount(k);
            }
            continue;
        }
        THtmlTag *top = tags.Last();
        top->Inner += c;
        if (!top->NonDoc) {
            block += c;
            if (!IsWhiteSpaceChar(c))
                ++top->CharCount;
        }
    }
    for (int top = tags.Count() - 1; top >= 1; --top) {
        THtmlTag *e = tags[top];
        THtmlTag *below = tags[top - 1];
        below->Inner += e->Start + e->Inner + e->Tail;
        below->CharCount += e->CharCount;
        if (e->Block && e->CharCount > best) {
            result = e->Start + e->Inner + QStringLiteral("</") + e->Name + QLatin1Char('>');
            best = e->CharCount + 5;
        }
    }
    if (tags[0]->CharCount > best)
        result = tags[0]->Inner;
    if (TrimWhiteSpace(result).isEmpty())
        result = section;
    return FixTableFragment(result);
}

} // namespace tavrel
