#include "chm2word/Distiller.h"

#include "chm2word/Chm2Word.h"
#include "chm2word/ExtractContent.h"
#include "text/functions.h"

#include <QFileInfo>

#include <algorithm>

namespace tavrel {

namespace {

QString Normalised(const QString &text) { return TrimWhiteSpace(HtmlUnescape(CollapseWhiteSpace(text))); }

struct TTagName
{
    QString Name;
    bool End = false;
    bool Valid = false;
};

// The name as written up to the first white space: a leading "/" marks an end tag, a trailing
// "/" the self-closing form.
TTagName ParseTagName(QString raw)
{
    TTagName t;
    if (raw.isEmpty() || raw == QLatin1String("/"))
        return t;
    t.End = raw.startsWith(QLatin1Char('/'));
    if (t.End)
        raw.remove(0, 1);
    if (raw.endsWith(QLatin1Char('/')))
        raw.chop(1);
    t.Name = raw;
    t.Valid = true;
    return t;
}

// The name of a complete tag text "<...>".
QString RawTagName(const QString &tag)
{
    qsizetype k = 1;
    while (k < tag.size() && tag[k] != QLatin1Char('>') && !IsWhiteSpaceChar(tag[k]))
        ++k;
    return tag.mid(1, k - 1);
}

QString PictureFileName(const QString &imgTag)
{
    const QString src = ToBackslashes(GetAttributeValue(imgTag, QStringLiteral("src")));
    return src.mid(src.lastIndexOf(QLatin1Char('\\')) + 1);
}

bool IsImg(const QString &name) { return name.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0; }

QString Reversed(const QString &s)
{
    QString r = s;
    std::reverse(r.begin(), r.end());
    return r;
}

} // namespace

bool IsPrevNextImage(const QString &imgTag)
{
    const QString name = PictureFileName(imgTag);
    return name.contains(QLatin1String("prev"), Qt::CaseInsensitive) || name.contains(QLatin1String("next"), Qt::CaseInsensitive);
}

void ScanTagAttributes(const QString &tag, const std::function<void(const QString &, qsizetype, qsizetype)> &f)
{
    QString name;
    qsizetype k = tag.startsWith(QLatin1Char('<')) ? 1 : 0;
    const qsizetype n = tag.size();
    while (k < n) {
        const QChar c = tag[k];
        if (c == QLatin1Char('>'))
            break;
        if (IsWhiteSpaceChar(c)) {
            name.clear();
            ++k;
            continue;
        }
        if (c != QLatin1Char('=')) {
            name += c;
            ++k;
            continue;
        }
        ++k;
        if (k < n && (tag[k] == QLatin1Char('"') || tag[k] == QLatin1Char('\''))) {
            const QChar quote = tag[k];
            const qsizetype start = k + 1;
            qsizetype end = tag.indexOf(quote, start);
            if (end < 0)
                end = n;
            f(name, start, end - start);
            k = end + 1;
        } else {
            const qsizetype start = k;
            while (k < n && !IsWhiteSpaceChar(tag[k]) && tag[k] != QLatin1Char('>'))
                ++k;
            f(name, start, k - start);
        }
        name.clear();
    }
}

namespace {
// Reads the rest of a tag from i up to its end (or a '<' that starts another) in one piece:
// appends it to all and, while the name is still being read, its part up to white space to
// name. Returns where the piece stops.
int TakeTagPiece(const QString &body, int i, int end, QString &all, QString &name, bool &inName)
{
    int q = i;
    while (q < end && body[q] != QLatin1Char('>') && body[q] != QLatin1Char('<'))
        ++q;
    const QChar *from = body.constData() + i;
    all.append(from, q - i);
    if (inName) {
        int w = i;
        while (w < q && !IsWhiteSpaceChar(body[w]))
            ++w;
        name.append(from, w - i);
        inName = w == q;
    }
    return q;
}
} // namespace

// --- Bookmarks -----------------------------------------------------------------------------------

TBookmark *TBookmarks::Add(std::unique_ptr<TBookmark> b)
{
    m_items.push_back(std::move(b));
    IndexName(int(m_items.size()) - 1);
    return m_items.back().get();
}

void TBookmarks::IndexName(int k)
{
    const QString key = CaseFoldKey(m_items[size_t(k)]->Name);
    if (!m_byName.contains(key))
        m_byName.insert(key, k);
}

int TBookmarks::GetItemIdByName(const QString &name) const
{
    QStringView n = name;
    if (n.startsWith(QLatin1Char('#')))
        n = n.mid(1);
    if (n.isEmpty())
        return -1;
    return m_byName.value(CaseFoldKey(n), -1);
}

TBookmark *TBookmarks::GetItemByName(const QString &name) const
{
    const int k = GetItemIdByName(name);
    return k < 0 ? nullptr : m_items[size_t(k)].get();
}

void TBookmarks::Sort()
{
    std::vector<int> positions;
    positions.reserve(m_items.size());
    for (const auto &b : m_items)
        positions.push_back(b->Position);
    std::sort(positions.begin(), positions.end());
    if (std::adjacent_find(positions.begin(), positions.end()) == positions.end()) {
        // Distinct positions have one order only, whatever the sort.
        std::sort(m_items.begin(), m_items.end(), [](const auto &x, const auto &y) { return x->Position < y->Position; });
    } else {
        // The order an exchange sort leaves among equal positions decides which entry gets
        // which section; it is kept.
        for (size_t a = 0; a + 1 < m_items.size(); ++a)
            for (size_t b = a + 1; b < m_items.size(); ++b)
                if (m_items[b]->Position < m_items[a]->Position)
                    std::swap(m_items[a], m_items[b]);
    }
    m_byName.clear();
    for (int k = 0; k < int(m_items.size()); ++k)
        IndexName(k);
}

// --- Topic file ----------------------------------------------------------------------------------

TChmTopicFile::TChmTopicFile(const QString &TopicFile, const QString &Title, Tchm2word *owner)
    : TChmTopicFile(TopicFile, Title, QFileInfo(TopicFile).isFile() ? LoadTextFile(TopicFile) : QString(), owner)
{
}

TChmTopicFile::TChmTopicFile(const QString &TopicFile, const QString &Title, const QString &page, Tchm2word *owner)
    : Owner(owner), Filename(TopicFile), Title1(Title)
{
    Anchors.SetSorted(true);
    Anchors.SetCaseSensitive(false);
    Anchors.SetDuplicates(TDuplicates::dupIgnore);
    Cut(page);
}

void TChmTopicFile::Cut(const QString &page)
{
    SplitHtmlBody(page, BeforeBody, Body, AfterBody);
    Title2 = TrimWhiteSpace(HtmlUnescape(GetHtmlTitle(BeforeBody)));
    h = int(Body.size());
    SamePointH = h;
    SamePointL = -1;
    IniticalizeTags();
}

void TChmTopicFile::IniticalizeTags()
{
    m_tags.clear();
    m_tags.push_back({QStringLiteral("Root"), false});
}

void TChmTopicFile::StartSearchUp()
{
    IniticalizeTags();
    i = h - 1;
    m_findText = m_inTag = false;
    Text.clear();
}

void TChmTopicFile::StartSearchDown()
{
    IniticalizeTags();
    i = 0;
    m_findText = m_inTag = false;
    Text.clear();
}

void TChmTopicFile::SearchDown()
{
    // The open elements: a start tag opens one unless it has no end tag; an end tag closes the
    // nearest open element of its name (never the sentinel) and everything above it.
    auto maintain = [this](const TTagName &t) {
        if (!t.Valid)
            return;
        if (!t.End) {
            if (!IsEmptyTag(t.Name))
                m_tags.push_back({t.Name, m_tags.back().NonDoc || IsNonDocTag(t.Name)});
            return;
        }
        for (size_t k = m_tags.size(); k-- > 1;)
            if (m_tags[k].Name.compare(t.Name, Qt::CaseInsensitive) == 0) {
                m_tags.resize(k);
                return;
            }
    };
    if (m_findText) {
        // Go on after the tag at which the block before was returned.
        m_findText = false;
        SamePointL = m_tagStart;
        Text.clear();
        maintain(ParseTagName(m_tagName));
        ++i;
    } else {
        Text.clear();
    }
    while (i < h) {
        const QChar c = Body[i];
        if (c == QLatin1Char('<')) {
            m_inTag = m_isTagName = true;
            m_tagAll = c;
            m_tagName.clear();
            m_tagStart = i;
        } else if (m_inTag && c != QLatin1Char('>')) {
            i = TakeTagPiece(Body, i, h, m_tagAll, m_tagName, m_isTagName);
            continue;
        } else if (m_inTag) {
            m_tagAll += c;
            m_inTag = false;
            const TTagName t = ParseTagName(m_tagName);
            if (t.Valid) {
                if (!t.End && IsImg(t.Name) && !IsPrevNextImage(m_tagAll))
                    Text += PictureFileName(m_tagAll);
                if (IsBlockTag(t.Name)) {
                    Text = Normalised(Text);
                    if (!Text.isEmpty()) {
                        m_findText = true;
                        return;
                    }
                    SamePointL = m_tagStart;
                    Text.clear();
                }
                maintain(t);
            }
        } else {
            // Text up to the next tag in one piece.
            int q = i + 1;
            while (q < h && Body[q] != QLatin1Char('<'))
                ++q;
            if (!m_tags.back().NonDoc)
                Text.append(Body.constData() + i, q - i);
            i = q;
            continue;
        }
        ++i;
    }
    // What is left after the last block tag; only text counts, not its white space.
    Text = Normalised(Text);
}

namespace {
// Appends body[to], body[to - 1], ..., body[from + 1] to out: text read from its end.
void AppendBackwards(QString &out, const QString &body, int from, int to)
{
    const qsizetype at = out.size();
    out.resize(at + (to - from));
    QChar *d = out.data() + at;
    for (int x = to; x > from; --x)
        *d++ = body[x];
}
} // namespace

void TChmTopicFile::SearchUp()
{
    if (m_findText) {
        SamePointH = i;
        --i;
    }
    QString reversed; // the block text, last character first
    QString tag;      // likewise the tag being read
    Text.clear();
    while (i >= 0) {
        const QChar c = Body[i];
        if (c == QLatin1Char('>')) {
            m_inTag = true;
            tag = c;
        } else if (m_inTag && c != QLatin1Char('<')) {
            // Back to the tag's start (or a '>' that ends another) in one piece.
            int q = i;
            while (q >= 0 && Body[q] != QLatin1Char('<') && Body[q] != QLatin1Char('>'))
                --q;
            AppendBackwards(tag, Body, q, i);
            i = q;
            continue;
        } else if (m_inTag) {
            tag += c;
            m_inTag = false;
            const QString whole = Reversed(tag);
            const TTagName t = ParseTagName(RawTagName(whole));
            if (t.Valid) {
                if (!t.End && IsImg(t.Name) && !IsPrevNextImage(whole))
                    reversed += Reversed(PictureFileName(whole));
                if (IsBlockTag(t.Name)) {
                    Text = Normalised(Reversed(reversed));
                    if (!Text.isEmpty()) {
                        m_findText = true;
                        return;
                    }
                    SamePointH = i;
                    reversed.clear();
                }
            }
        } else {
            // Back to the previous tag's end in one piece.
            int q = i - 1;
            while (q >= 0 && Body[q] != QLatin1Char('>'))
                --q;
            AppendBackwards(reversed, Body, q, i);
            i = q;
            continue;
        }
        --i;
    }
    Text = Normalised(Reversed(reversed));
}

bool TChmTopicFile::IsSimilar(const QString &S1, const QString &S2) const { return IsSimilarText(S1, S2); }

bool TChmTopicFile::IsTitle() const { return IsSimilar(Text, Title1) || IsSimilar(Text, Title2); }

QString TChmTopicFile::Distiller()
{
    THtmlTags tags;
    auto root = std::make_unique<THtmlTag>();
    root->Name = QStringLiteral("Root");
    tags.Add(std::move(root));
    QString result;
    int best = 100;
    QString pending;
    QString name;
    bool inTag = false, inName = false;
    QString block;
    bool titleSearchOver = false;
    THtmlTag *titleElement = nullptr;
    qint64 stackChars = 0; // CharCount of every open element, kept instead of summed per tag
    // Per open element, its counted characters without the pictures' share, and the same of
    // the result: a picture must not make an element the page's content when most of the
    // page's text lies outside it.
    std::vector<int> textCount{0};
    int resultText = 0;
    const int n = int(Body.size());
    const int L = SamePointL, H = SamePointH;

    for (int p = 0; p < n; ++p) {
        const QChar c = Body[p];
        if (c == QLatin1Char('<')) {
            if (inTag && p > L)
                tags.Last()->Inner += pending;
            pending = c;
            name.clear();
            inTag = inName = true;
            continue;
        }
        if (inTag && c != QLatin1Char('>')) {
            p = TakeTagPiece(Body, p, n, pending, name, inName) - 1;
            continue;
        }
        if (inTag) {
            pending += c;
            inTag = false;
            const TTagName t = ParseTagName(name);
            if (!t.Valid)
                continue;
            if (!titleSearchOver && stackChars > 200)
                titleSearchOver = true;
            // The text since the last block tag matters only while the title is looked for.
            if (IsBlockTag(t.Name) && !TitleFound && !titleSearchOver) {
                block = Normalised(block);
                if (!block.isEmpty() && (IsSimilarText(block, Title1) || IsSimilarText(block, Title2))) {
                    TitleFound = true;
                    titleElement = tags.Last();
                    for (int k = 0; k < tags.Count(); ++k)
                        tags[k]->Inner.clear();
                }
                block.clear();
            }
            if (!t.End && IsEmptyTag(t.Name)) {
                if (L < p && p <= H) {
                    if (IsImg(t.Name) && !IsPrevNextImage(pending)) {
                        tags.Last()->CharCount += 150;
                        stackChars += 150;
                    }
                    tags.Last()->Inner += pending;
                }
            } else if (!t.End) {
                auto e = std::make_unique<THtmlTag>();
                e->Name = t.Name;
                e->Start = pending;
                e->Block = IsBlockTag(t.Name);
                e->NonDoc = tags.Last()->NonDoc || IsNonDocTag(t.Name);
                e->NotCut = p < H;
                e->InTop = L < p;
                tags.Add(std::move(e));
                textCount.push_back(0);
            } else {
                int k = tags.Count() - 1;
                while (k > 0 && tags[k]->Name.compare(t.Name, Qt::CaseInsensitive) != 0)
                    --k;
                if (k == 0)
                    continue;
                THtmlTag *E = tags[k];
                E->Tail = pending;
                if (p >= L && E->NotCut) {
                    // Only a block can be the content: an inline element of a paragraph (a
                    // span of formatting) would cut the paragraph's other runs away.
                    if (E->Block && E->CharCount > best) {
                        result = E->Start + E->Inner + E->Tail;
                        resultText = textCount[size_t(k)];
                        best = E->CharCount + 100;
                        titleSearchOver = true;
                        titleElement = nullptr;
                    }
                    for (int top = tags.Count() - 1; top >= k; --top) {
                        THtmlTag *child = tags[top];
                        THtmlTag *parent = tags[top - 1];
                        if (child == titleElement) {
                            parent->Inner.clear();
                            titleElement = parent;
                            stackChars -= child->CharCount;
                            continue;
                        }
                        parent->Inner += (child == E || child->InTop) ? child->Start + child->Inner + child->Tail : child->Inner;
                        parent->Blocks += child->Blocks;
                        parent->CharCount += child->CharCount;
                        textCount[size_t(top - 1)] += textCount[size_t(top)];
                    }
                } else {
                    for (int top = tags.Count() - 1; top >= k; --top)
                        stackChars -= tags[top]->CharCount;
                }
                for (int top = tags.Count() - 1; top >= k; --top)
                    if (tags[top] == titleElement)
                        titleElement = nullptr;
                tags.SetCount(k);
                textCount.resize(size_t(k));
            }
            continue;
        }
        // Text up to the next tag in one piece; only its part between the header and the
        // footer counts.
        int q = p + 1;
        while (q < n && Body[q] != QLatin1Char('<'))
            ++q;
        const int from = std::max(p, L), to = std::min(q, H);
        if (from < to) {
            THtmlTag *top = tags.Last();
            top->Inner.append(Body.constData() + from, to - from);
            if (!top->NonDoc) {
                if (!TitleFound && !titleSearchOver)
                    block.append(Body.constData() + from, to - from);
                int counted = 0;
                for (int x = from; x < to; ++x)
                    counted += IsWhiteSpaceChar(Body[x]) ? 0 : 1;
                top->CharCount += counted;
                textCount.back() += counted;
                stackChars += counted;
            }
        }
        p = q - 1;
    }
    for (int top = tags.Count() - 1; top >= 1; --top) {
        THtmlTag *e = tags[top];
        THtmlTag *below = tags[top - 1];
        if (e->NotCut) {
            below->Inner += e->InTop ? e->Start + e->Inner + e->Tail : e->Inner;
            below->Blocks += e->Blocks;
            below->CharCount += e->CharCount;
            textCount[size_t(top - 1)] += textCount[size_t(top)];
        }
        if (e->Block && e->CharCount > best) {
            result = e->Start + e->Inner + QStringLiteral("</") + e->Name + QLatin1Char('>');
            resultText = textCount[size_t(top)];
            best = e->CharCount + 100;
        }
    }
    THtmlTag *rootTag = tags[0];
    // The whole kept part also when the chosen element holds less of the page's text than the
    // rest does: a picture's share made it win (a banner or a navigation picture that the
    // pages do not all share), and the topic's own short paragraphs lie beside it.
    if (rootTag->CharCount > best || resultText * 2 < textCount[0])
        result = rootTag->Inner;
    if (TrimWhiteSpace(result).isEmpty())
        result = rootTag->Inner;
    if (result.isEmpty()) {
        const int from = std::max(L, 0);
        result = Body.mid(from, std::max(0, std::min(H, n) - from));
    }
    return result;
}

void TChmTopicFile::FindAnchors()
{
    Anchors.Clear();
    qsizetype k = Body.indexOf(QLatin1Char('<'));
    while (k >= 0) {
        const qsizetype end = Body.indexOf(QLatin1Char('>'), k);
        if (end < 0)
            break;
        const QString tag = Body.mid(k, end - k + 1);
        if (RawTagName(tag).compare(QLatin1String("a"), Qt::CaseInsensitive) == 0)
            ScanTagAttributes(tag, [&](const QString &attr, qsizetype s, qsizetype len) {
                if (attr.compare(QLatin1String("name"), Qt::CaseInsensitive) != 0)
                    return;
                QString v = tag.mid(s, len);
                if (v.startsWith(QLatin1Char('#')))
                    v.remove(0, 1);
                if (!v.isEmpty())
                    Anchors.Add(v);
            });
        k = Body.indexOf(QLatin1Char('<'), end);
    }
}

void TChmTopicFile::ProcessBookmarks()
{
    int blockStart = 1; // 1-based, as the bookmarks keep it
    qsizetype k = Body.indexOf(QLatin1Char('<'));
    while (k >= 0) {
        const qsizetype end = Body.indexOf(QLatin1Char('>'), k);
        if (end < 0)
            break;
        const QString tag = Body.mid(k, end - k + 1);
        const QString raw = RawTagName(tag);
        const TTagName t = ParseTagName(raw);
        if (t.Valid && IsBlockTag(t.Name)) {
            // An end tag's block ends after the character that ends its name.
            blockStart = t.End ? int(k + 1 + raw.size()) + 2 : int(k) + 1;
        } else if (t.Valid && !t.End && t.Name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0) {
            ScanTagAttributes(tag, [&](const QString &attr, qsizetype s, qsizetype len) {
                if (attr.compare(QLatin1String("name"), Qt::CaseInsensitive) != 0)
                    return;
                if (TBookmark *b = Bookmarks.GetItemByName(tag.mid(s, len)))
                    b->Position = blockStart;
            });
        }
        k = Body.indexOf(QLatin1Char('<'), end);
    }
}

QString TChmTopicFile::SectionFileName(int index) const
{
    const QFileInfo info(Filename);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? Filename : Filename.left(Filename.size() - suffix.size() - 1);
    return base + QLatin1Char('_') + QString::number(index) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

std::vector<std::pair<QString, QString>> TChmTopicFile::Sections() const
{
    std::vector<std::pair<QString, QString>> sections;
    for (int k = Bookmarks.Count() - 1; k >= 0; --k) {
        const int from = std::max(Bookmarks.Items(k)->Position - 1, 0);
        const int to = k + 1 < Bookmarks.Count() ? std::max(Bookmarks.Items(k + 1)->Position - 1, 0) : int(Body.size());
        const QString section = ExtractSection(Body.mid(from, std::max(0, to - from)), Bookmarks.Items(k)->Title);
        sections.emplace_back(SectionFileName(k), BeforeBody + section + AfterBody);
    }
    return sections;
}

void TChmTopicFile::SplitFileByBookmark()
{
    for (const auto &[file, page] : Sections()) {
        if (Owner)
            Owner->SavePage(page, file);
        else
            SaveHtmlFile(page, file);
    }
}

TChmTopicFile *TChmTopicFileList::Add(std::unique_ptr<TChmTopicFile> f)
{
    m_items.push_back(std::move(f));
    TChmTopicFile *added = m_items.back().get();
    const QString key = added->Filename.toLower();
    if (!m_byName.contains(key))
        m_byName.insert(key, added);
    return added;
}

void TChmTopicFileList::Clear()
{
    m_items.clear();
    m_byName.clear();
}

TChmTopicFile *TChmTopicFileList::GetItemByFilename(const QString &name) const { return m_byName.value(name.toLower(), nullptr); }

} // namespace tavrel
