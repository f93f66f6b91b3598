#include "output/TemplateEngine.h"

#include "text/Ascii.h"
#include "project/Contents.h"
#include "output/Template.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/functions.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace tavrel {

namespace {

const QString kPrevName = QStringLiteral("btn_prev_n");
const QString kNextName = QStringLiteral("btn_next_n");

// The file name of a path without its folder (either separator).
QString fileNamePart(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

// The extension with its dot, taken from the last "." after the last separator; empty when none.
QString extensionOf(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return dot > slash ? path.mid(dot) : QString();
}

QString withoutExtension(const QString &path)
{
    return path.left(path.size() - extensionOf(path).size());
}

bool isContainerName(const QString &name)
{
    return name.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("script"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("title"), Qt::CaseInsensitive) == 0;
}

// The identifying key of an element for the merge, lower-cased; empty when it has none. The
// kind keeps META names apart from META http-equiv values.
QString mergeKey(const THTMLElement &e, int &kind)
{
    kind = 0;
    if (e.TagName == QLatin1String("META")) {
        const auto &m = static_cast<const TMeta &>(e);
        if (!m.HTTP_EQUIV.isEmpty()) {
            kind = 1;
            return m.HTTP_EQUIV.toLower();
        }
        kind = 2;
        return m.Name.toLower();
    }
    if (e.TagName == QLatin1String("LINK")) {
        kind = 3;
        return static_cast<const TLink &>(e).href.toLower();
    }
    if (e.TagName == QLatin1String("SCRIPT")) {
        kind = 4;
        return static_cast<const TScript &>(e).src.toLower();
    }
    return QString();
}

const QString kContentTypeMeta = QStringLiteral("<meta http-equiv=Content-Type content=\"text/html; charset=\">");
const QString kGeneratorMeta = QStringLiteral("<meta name=Generator content=\"Tavrel for Word\">");

} // namespace

// --- Head elements --------------------------------------------------------------------------

std::unique_ptr<THTMLElement> THTMLElement::Double() const
{
    return std::make_unique<THTMLElement>(*this);
}

std::unique_ptr<THTMLElement> TMeta::Double() const
{
    return std::make_unique<TMeta>(*this);
}

std::unique_ptr<THTMLElement> TScript::Double() const
{
    return std::make_unique<TScript>(*this);
}

std::unique_ptr<THTMLElement> TLink::Double() const
{
    return std::make_unique<TLink>(*this);
}

void THEADElements::AddElement(const QString &TagName, const QString &Html)
{
    const QString name = TagName.toUpper();
    std::unique_ptr<THTMLElement> e;
    if (name == QLatin1String("META")) {
        auto m = std::make_unique<TMeta>();
        m->Name = GetAttributeValue(Html, QStringLiteral("name"));
        m->HTTP_EQUIV = GetAttributeValue(Html, QStringLiteral("HTTP-EQUIV"));
        e = std::move(m);
    } else if (name == QLatin1String("SCRIPT")) {
        auto s = std::make_unique<TScript>();
        s->src = GetAttributeValue(Html, QStringLiteral("src"));
        e = std::move(s);
    } else if (name == QLatin1String("LINK")) {
        auto l = std::make_unique<TLink>();
        l->href = GetAttributeValue(Html, QStringLiteral("href"));
        e = std::move(l);
    } else {
        e = std::make_unique<THTMLElement>();
    }
    e->TagName = name;
    e->InnerHTML = Html;
    m_items.push_back(std::move(e));
}

void THEADElements::Load(const QString &S)
{
    Clear();
    bool inTag = false;
    bool collectingName = false;
    bool inContainer = false;
    QString tagName, tagText, containerText, containerName;
    for (const QChar c : S) {
        if (inContainer)
            containerText += c;
        if (c == QLatin1Char('<')) {
            inTag = true;
            collectingName = true;
            tagName.clear();
            tagText = QStringLiteral("<");
            continue;
        }
        if (c == QLatin1Char('>')) {
            // A ">" outside any tag is text: without this, a stray one would repeat the last
            // element with a doubled ">".
            if (!inTag)
                continue;
            inTag = false;
            collectingName = false;
            tagText += c;
            if (inContainer) {
                if (tagName.size() == containerName.size() + 1 && tagName.startsWith(QLatin1Char('/'))
                    && QStringView(tagName).mid(1).compare(containerName, Qt::CaseInsensitive) == 0) {
                    AddElement(containerName, containerText);
                    inContainer = false;
                    containerText.clear();
                }
            } else {
                containerText = tagText;
                if (isContainerName(tagName)) {
                    inContainer = true;
                    containerName = tagName;
                } else {
                    AddElement(tagName, tagText);
                }
            }
            continue;
        }
        if (inTag) {
            tagText += c;
            if (collectingName) {
                if (IsWhiteSpaceChar(c)) {
                    collectingName = false;
                } else {
                    tagName += c;
                    if (tagName == QLatin1String("!--"))
                        collectingName = false;
                }
            }
        }
    }
}

void THEADElements::Unite(const THEADElements &Other)
{
    // Keys already present, so each candidate is checked in constant time; elements taken
    // during this merge count too.
    QSet<QString> present[5];
    QHash<QString, int> lastOfTag; // tag name -> index of its last element in this list
    for (int i = 0; i < Count(); ++i) {
        int kind;
        const QString key = mergeKey(*m_items[i], kind);
        if (kind == 1 || kind == 2) {
            // A META has both fields; either may later be asked for.
            const auto &m = static_cast<const TMeta &>(*m_items[i]);
            present[1].insert(m.HTTP_EQUIV.toLower());
            present[2].insert(m.Name.toLower());
        } else if (kind != 0) {
            present[kind].insert(key);
        }
        lastOfTag.insert(m_items[i]->TagName, i);
    }

    // Taken elements, grouped by tag name; groups of tags this list lacks follow in the order
    // their first element was taken. Each taken element goes after the last one of its kind,
    // so a group stays together and keeps its order.
    std::vector<std::vector<std::unique_ptr<THTMLElement>>> groups;
    QHash<QString, int> groupOfTag;
    std::vector<int> newGroups;
    for (int i = 0; i < Other.Count(); ++i) {
        const THTMLElement &e = *Other.Items(i);
        bool take = false;
        if (e.TagName == QLatin1String("META")) {
            const auto &m = static_cast<const TMeta &>(e);
            if (!m.HTTP_EQUIV.isEmpty())
                take = !present[1].contains(m.HTTP_EQUIV.toLower());
            else if (!m.Name.isEmpty())
                take = !present[2].contains(m.Name.toLower());
            if (take) {
                present[1].insert(m.HTTP_EQUIV.toLower());
                present[2].insert(m.Name.toLower());
            }
        } else if (e.TagName == QLatin1String("LINK") || e.TagName == QLatin1String("SCRIPT")) {
            int kind;
            const QString key = mergeKey(e, kind);
            take = key.isEmpty() || !present[kind].contains(key);
            if (take && !key.isEmpty())
                present[kind].insert(key);
        } else if (e.TagName == QLatin1String("STYLE")) {
            take = true;
        }
        if (!take)
            continue;
        auto found = groupOfTag.constFind(e.TagName);
        int g;
        if (found == groupOfTag.constEnd()) {
            g = int(groups.size());
            groups.emplace_back();
            groupOfTag.insert(e.TagName, g);
            if (!lastOfTag.contains(e.TagName))
                newGroups.push_back(g);
        } else {
            g = *found;
        }
        groups[size_t(g)].push_back(e.Double());
    }
    if (groups.empty())
        return;

    std::vector<std::unique_ptr<THTMLElement>> merged;
    merged.reserve(m_items.size() + Other.m_items.size());
    for (int i = 0; i < Count(); ++i) {
        const QString tag = m_items[i]->TagName;
        merged.push_back(std::move(m_items[i]));
        if (lastOfTag.value(tag) == i) {
            auto found = groupOfTag.constFind(tag);
            if (found != groupOfTag.constEnd())
                for (auto &e : groups[size_t(*found)])
                    merged.push_back(std::move(e));
        }
    }
    for (int g : newGroups)
        for (auto &e : groups[size_t(g)])
            merged.push_back(std::move(e));
    m_items = std::move(merged);
}

void THEADElements::Process()
{
    std::vector<std::unique_ptr<THTMLElement>> kept;
    kept.reserve(m_items.size() + 2);

    auto contentType = std::make_unique<TMeta>();
    contentType->TagName = QStringLiteral("META");
    contentType->HTTP_EQUIV = QStringLiteral("Content-Type");
    contentType->InnerHTML = kContentTypeMeta;
    kept.push_back(std::move(contentType));
    auto generator = std::make_unique<TMeta>();
    generator->TagName = QStringLiteral("META");
    generator->Name = QStringLiteral("Generator");
    generator->InnerHTML = kGeneratorMeta;
    kept.push_back(std::move(generator));

    for (auto &e : m_items) {
        if (e->TagName == QLatin1String("TITLE"))
            continue;
        if (e->TagName == QLatin1String("META")) {
            const auto &m = static_cast<const TMeta &>(*e);
            if (m.HTTP_EQUIV.compare(QLatin1String("Content-Type"), Qt::CaseInsensitive) == 0
                || m.Name.compare(QLatin1String("Generator"), Qt::CaseInsensitive) == 0)
                continue;
        }
        kept.push_back(std::move(e));
    }
    m_items = std::move(kept);
}

QString THEADElements::HeadText() const
{
    const QLatin1String crlf("\r\n");
    qsizetype size = 4;
    for (const auto &e : m_items)
        size += e->InnerHTML.size() + 2;
    QString r;
    r.reserve(size);
    r += crlf;
    for (const auto &e : m_items) {
        r += e->InnerHTML;
        r += crlf;
    }
    r += crlf;
    return r;
}

// --- Template ---------------------------------------------------------------------------------

TTemplate::TTemplate(const QByteArray &TemplateStream) : Stream(TemplateStream)
{
    init();
}

TTemplate::TTemplate(const QByteArray &TemplateStream, const QString &Prev_Text, const QString &Next_Text)
    : Stream(TemplateStream), Previous(Prev_Text), Next(Next_Text)
{
    init();
}

void TTemplate::init()
{
    pn = std::make_unique<TPrevNext>();
    pn->Prev_Title = Previous;
    pn->Next_Title = Next;
    // The whole stream is checked here, so a damaged template fails before any page is made.
    QByteArray mainPage;
    bool first = true;
    ForEachTemplateEntry(Stream, [&](const QString &, QByteArrayView data) {
        if (first)
            mainPage = data.toByteArray();
        first = false;
    });
    if (!first)
        Source = DecodeTextStream(mainPage);
    TempSource = PrevNextTemplate();
}

QString TTemplate::PrevNextTemplate()
{
    const QString lower = AsciiLower(Source);
    QString result;
    result.reserve(Source.size());
    qsizetype mark = 0;
    qsizetype p = lower.indexOf(QLatin1String("<img "));
    while (p >= 0) {
        const qsizetype gt = lower.indexOf(QLatin1Char('>'), p + 5);
        if (gt < 0)
            break;
        const QString src = GetAttributeValue(Source.mid(p, gt - p + 1), QStringLiteral("src"));
        int button = 0; // 1 previous, 2 next
        if (pn->Extension.isEmpty()) {
            const QString name = withoutExtension(src);
            const bool prev = name == kPrevName;
            if (prev || name == kNextName) {
                const QString ext = AsciiLower(extensionOf(src));
                if (ext == QLatin1String(".gif") || ext == QLatin1String(".png") || ext == QLatin1String(".jpg")) {
                    pn->Extension = ext;
                    button = prev ? 1 : 2;
                }
            }
        } else if (src == kPrevName + pn->Extension) {
            button = 1;
        } else if (src == kNextName + pn->Extension) {
            button = 2;
        }
        if (button != 0) {
            result += QStringView(Source).mid(mark, p - mark);
            if (button == 1) {
                result += QLatin1String("($previmg$)");
                pn->Prev = true;
                pn->Prev_Title = Previous;
            } else {
                result += QLatin1String("($nextimg$)");
                pn->Next = true;
                pn->Next_Title = Next;
            }
            mark = gt + 1;
        }
        p = lower.indexOf(QLatin1String("<img "), gt + 1);
    }
    result += QStringView(Source).mid(mark);
    return result;
}

void TTemplate::CopyAttachedFiles(const QString &ToWhere)
{
    std::vector<std::pair<QString, QByteArrayView>> entries;
    ForEachTemplateEntry(Stream, [&](const QString &name, QByteArrayView data) { entries.emplace_back(name, data); });
    for (const auto &e : entries) {
        const QString base = withoutExtension(fileNamePart(e.first));
        if (base.compare(QLatin1String("btn_prev_g"), Qt::CaseInsensitive) == 0)
            pn->Prev_Gray = true;
        else if (base.compare(QLatin1String("btn_next_g"), Qt::CaseInsensitive) == 0)
            pn->Next_Gray = true;
    }
    // As when unpacking, a stream with a name that would land outside the page folder is
    // refused before anything is written.
    std::vector<QString> targets;
    for (size_t i = 1; i < entries.size(); ++i)
        targets.push_back(ConfinePath(ToWhere, entries[i].first));
    TFileSystem &fs = FileSystem();
    for (size_t i = 1; i < entries.size(); ++i) {
        const QString &target = targets[i - 1];
        const QString parent = QFileInfo(target).absolutePath();
        if (!QFileInfo(parent).isDir() && !fs.MakePath(parent))
            throw Exception(QStringLiteral("Cannot create folder \"%1\".").arg(parent));
        if (!fs.WriteFile(target, entries[i].second.toByteArray()))
            throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(target));
    }
}

void TTemplate::UniteHead(THEADElements &HeadB)
{
    QString source = TempSource;
    source.replace(QStringLiteral("<head"), QStringLiteral("<head"), Qt::CaseInsensitive);
    source.replace(QStringLiteral("</head"), QStringLiteral("</head"), Qt::CaseInsensitive);
    auto [page, head] = SplitHead(source);
    // Without a head element there is nothing to merge into: the page stays as it is (the
    // splitter then returns it unchanged, without the "($Head$)" mark).
    if (head.isEmpty() && page.size() == source.size())
        return;
    THEADElements templateHead;
    templateHead.Load(head);
    HeadB.Unite(templateHead);
    HeadB.Process();
    TempSource = page.replace(QStringLiteral("($Head$)"), HeadB.HeadText(), Qt::CaseSensitive);
}

QString TTemplate::MakePage(const TContentsItem &Item) const
{
    QString prev, prevImg, next, nextImg;
    const QString ext = pn->Extension;
    // The hint texts are plain text from the project and the page links come from document
    // names: both stand in text and in double-quoted attributes, where the escaped form holds.
    const QString prevTitle = HtmlEscape(pn->Prev_Title), nextTitle = HtmlEscape(pn->Next_Title);
    const QString lastPage = HtmlEscape(Item.LastPage), nextPage = HtmlEscape(Item.NextPage);
    if (!Item.LastPage.isEmpty()) {
        prev = QStringLiteral("<A href=\"%1\">&lt;&lt;%2</a>").arg(lastPage, prevTitle);
        prevImg = QStringLiteral("<A href=\"%1\" title=\"%2\"><img id=\"tavrel_template_prev\" alt=\"%2\" src=\"btn_prev_n%3\" border=\"0\"></a>")
                      .arg(lastPage, prevTitle, ext);
    } else {
        prev = QStringLiteral("&lt;&lt;") + prevTitle;
        if (pn->Prev_Gray)
            prevImg = QStringLiteral("<img id=\"tavrel_template_prev\" alt=\"%1\" src=\"btn_prev_g%2\" border=\"0\">").arg(prevTitle, ext);
    }
    if (!Item.NextPage.isEmpty()) {
        next = QStringLiteral("<A href=\"%1\">%2&gt;&gt;</a>").arg(nextPage, nextTitle);
        nextImg = QStringLiteral("<A href=\"%1\" title=\"%2\"><img id=\"tavrel_template_next\" alt=\"%2\" src=\"btn_next_n%3\" border=\"0\"></a>")
                      .arg(nextPage, nextTitle, ext);
    } else {
        next = nextTitle + QStringLiteral("&gt;&gt;");
        if (pn->Next_Gray)
            nextImg = QStringLiteral("<img id=\"tavrel_template_next\" alt=\"%1\" src=\"btn_next_g%2\" border=\"0\">").arg(nextTitle, ext);
    }

    // Each replacement runs over the page as the earlier ones left it; the topic body comes
    // last so that placeholder text inside it stays as written.
    QString page = TempSource;
    const auto ci = Qt::CaseInsensitive;
    page.replace(QStringLiteral("($prev$)"), prev, ci);
    page.replace(QStringLiteral("($previmg$)"), prevImg, ci);
    page.replace(QStringLiteral("($next$)"), next, ci);
    page.replace(QStringLiteral("($nextimg$)"), nextImg, ci);
    page.replace(QStringLiteral("($navigation$)"), Item.Navigation, ci);
    page.replace(QStringLiteral("($projecttitle$)"), ProjectTitle, ci);
    page.replace(QStringLiteral("($title$)"), Item.HTMLTitle, ci);
    page.replace(QStringLiteral("($footer$)"), Copyright, ci);
    page.replace(QStringLiteral("($content$)"), Item.Content, ci);
    // The title is plain text; escaped, a heading such as "The </title> tag" cannot break
    // the page.
    return SetHtmlTitle(page, HtmlEscape(Item.Title));
}

} // namespace tavrel
