#include "project/Contents.h"

#include "text/Ascii.h"
#include "project/ProjectSetting.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"

#include <algorithm>

namespace tavrel {

namespace {

QString familyKey(const QString &foldedName, const QString &foldedExt)
{
    return foldedName + QChar(0) + foldedExt;
}

// Comma text: items separated by commas and, outside double quotes, by blanks; a doubled
// double quote inside quotes stands for one.
QStringList parseCommaText(const QString &text)
{
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto blank = [&](qsizetype k) { return k < n && text[k].unicode() >= 1 && text[k].unicode() <= 32; };
    while (blank(i))
        ++i;
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype b = i;
            while (i < n && text[i].unicode() > 32 && text[i] != QLatin1Char(','))
                ++i;
            item = text.mid(b, i - b);
        }
        items << item;
        while (blank(i))
            ++i;
        if (i < n && text[i] == QLatin1Char(',')) {
            if (i + 1 == n)
                items << QString();
            ++i;
            while (blank(i))
                ++i;
        }
    }
    return items;
}

} // namespace

// --- Navigation setting ------------------------------------------------------------------------

QString DefaultNavSettingText()
{
    return QStringLiteral("\"Help > \",\" > \",\"0\",\"1\"");
}

void TNavSetting::SetSettingText(const QString &SetStr)
{
    QStringList items = parseCommaText(SetStr);
    if (items.size() < 4) {
        // A hand-made project may hold fewer items; the missing ones keep the default's values.
        const QStringList defaults = parseCommaText(DefaultNavSettingText());
        for (qsizetype k = items.size(); k < 4; ++k)
            items << defaults[k];
    }
    NavStartStr = HtmlEscape(items[0]);
    Delimiter = HtmlEscape(items[1]);
    EndWithDelimiter = items[2] == QLatin1String("1");
    IncludeTopic = items[3] == QLatin1String("1");
}

// --- Name derivation ---------------------------------------------------------------------------

QString GetHexName(const QString &title)
{
    QString r;
    r.reserve(title.size() * 4);
    for (QChar c : title) {
        if (c.unicode() == 0x20)
            continue;
        r += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return r;
}

QString GetBaseName(const QString &title)
{
    const QString t = Transliterate(title);
    if (t.isEmpty())
        return QStringLiteral("Blank");
    if (t.size() <= 2)
        return GetHexName(title);
    return t;
}

QString GetTopicFileName(const QString &title)
{
    QString b = GetBaseName(title);
    b.replace(QLatin1Char(' '), QLatin1Char('-'));
    return b.left(250).toLower();
}

QString GetTopicStaticName(const QString &title)
{
    QString b = GetBaseName(title);
    b.replace(QLatin1Char(' '), QLatin1Char('_'));
    return b.left(50).toUpper();
}

// --- The name index ----------------------------------------------------------------------------

void TContentsItems::TNameIndex::add(const QString &name)
{
    ++used[AsciiLower(name)];
}

void TContentsItems::TNameIndex::remove(const QString &name)
{
    const QString f = AsciiLower(name);
    auto it = used.find(f);
    if (it == used.end() || --it->second > 0)
        return;
    used.erase(it);
    // The freed name is candidate number k of every family name + k + ext that spells it: lower
    // those families' starting points so the next request finds it again.
    for (const QString &ext : exts) {
        if (!f.endsWith(ext))
            continue;
        const QString stem = f.left(f.size() - ext.size());
        // k = 0: the family's plain candidate.
        if (auto n = next.find(familyKey(stem, ext)); n != next.end())
            n->second = 0;
        qsizetype d = stem.size();
        while (d > 0 && stem[d - 1].isDigit() && stem[d - 1].unicode() < 128)
            --d;
        for (qsizetype cut = d; cut < stem.size(); ++cut) {
            if (stem[cut] == QLatin1Char('0'))
                continue; // decimal numbers carry no leading zero
            bool ok = false;
            const qint64 k = stem.mid(cut).toLongLong(&ok);
            if (!ok)
                continue;
            if (auto n = next.find(familyKey(stem.left(cut), ext)); n != next.end() && n->second > k)
                n->second = k;
        }
    }
}

QString TContentsItems::TNameIndex::exclusive(const QString &name, const QString &ext)
{
    const QString fName = AsciiLower(name), fExt = AsciiLower(ext);
    if (!exts.contains(fExt))
        exts << fExt;
    qint64 &k = next[familyKey(fName, fExt)];
    for (;; ++k) {
        const QString candidate = k == 0 ? QString(name + ext) : QString(name + QString::number(k) + ext);
        if (!used.count(AsciiLower(candidate)))
            return candidate;
    }
}

void TContentsItems::TNameIndex::clear()
{
    used.clear();
    next.clear();
    exts.clear();
}

// --- The list ----------------------------------------------------------------------------------

TContentsItems::TContentsItems() : m_navSetting(std::make_unique<TNavSetting>()) {}

TContentsItem *TContentsItems::Add(std::unique_ptr<TContentsItem> item)
{
    m_items.push_back(std::move(item));
    TContentsItem *added = m_items.back().get();
    m_urls.add(added->Url);
    m_statics.add(added->StaticName);
    m_registered[added] = {added->Url, added->StaticName};
    return added;
}

void TContentsItems::Delete(int i)
{
    const TContentsItem *item = m_items.at(static_cast<size_t>(i)).get();
    if (auto it = m_registered.find(item); it != m_registered.end()) {
        m_urls.remove(it->second.url);
        m_statics.remove(it->second.staticName);
        m_registered.erase(it);
    }
    m_items.erase(m_items.begin() + i);
}

void TContentsItems::Clear()
{
    m_items.clear();
    m_urls.clear();
    m_statics.clear();
    m_registered.clear();
}

void TContentsItems::SetUrl(TContentsItem *item, const QString &url)
{
    item->Url = url;
    if (auto it = m_registered.find(item); it != m_registered.end() && it->second.url != url) {
        m_urls.add(url);
        m_urls.remove(it->second.url);
        it->second.url = url;
    }
}

void TContentsItems::SetStaticName(TContentsItem *item, const QString &name)
{
    item->StaticName = name;
    if (auto it = m_registered.find(item); it != m_registered.end() && it->second.staticName != name) {
        m_statics.add(name);
        m_statics.remove(it->second.staticName);
        it->second.staticName = name;
    }
}

void TContentsItems::ReindexNames()
{
    m_urls.clear();
    m_statics.clear();
    m_registered.clear();
    for (const auto &item : m_items) {
        m_urls.add(item->Url);
        m_statics.add(item->StaticName);
        m_registered[item.get()] = {item->Url, item->StaticName};
    }
}

QString TContentsItems::GetExclusiveFilename(const QString &Name, const QString &Ext)
{
    return m_urls.exclusive(Name, Ext);
}

QString TContentsItems::GetExclusiveStaticName(const QString &StaticName)
{
    return m_statics.exclusive(StaticName, QString());
}

void TContentsItems::GetNavSetting()
{
    m_navSetting->SetSettingText(Project ? Project->NavSetting : DefaultNavSettingText());
}

void TContentsItems::PreProcess()
{
    GetNavSetting();
    const TNavSetting &nav = *m_navSetting;
    struct TPair
    {
        QString title, link;
    };
    std::vector<TPair> path;
    std::vector<TContentsItem *> lastAtLevel; // index level - 1
    auto slot = [&](int level) -> TContentsItem *& {
        const size_t k = static_cast<size_t>(std::max(level, 1) - 1);
        if (k >= lastAtLevel.size())
            lastAtLevel.resize(k + 1, nullptr);
        return lastAtLevel[k];
    };
    auto markLast = [&](int from, int downTo) {
        for (int l = from; l >= downTo && l >= 1; --l)
            if (TContentsItem *e = slot(l))
                e->LastInTheSameLevel = true;
    };
    TContentsItem *prevPage = nullptr;

    for (int i = 0; i < Count(); ++i) {
        TContentsItem *item = Items(i);
        slot(item->Level) = item;
        item->Navigation = nav.NavStartStr;
        if (i > 0) {
            const TContentsItem *p = Items(i - 1);
            if (item->Level < p->Level)
                markLast(p->Level, item->Level + 1);
            if (item->Level > p->Level)
                path.push_back({p->HTMLTitle, p->Url});
            else if (item->Level < p->Level)
                path.resize(std::min(path.size(), static_cast<size_t>(std::max(item->Level - 1, 0))));
            if (!item->Url.isEmpty() && !path.empty()) {
                // A chapter without a page links to the first page inside it.
                qsizetype k = std::min<qsizetype>(static_cast<qsizetype>(path.size()) - 1, item->Level - 2);
                for (; k >= 0 && path[static_cast<size_t>(k)].link.isEmpty(); --k)
                    path[static_cast<size_t>(k)].link = item->Url;
            }
        }
        if (item->Accessible) {
            if (prevPage) {
                item->LastPage = RelativeUrl(item->Url, prevPage->Url);
                prevPage->NextPage = RelativeUrl(prevPage->Url, item->Url);
            } else {
                item->LastPage.clear();
            }
            prevPage = item;
            QString navigation = nav.NavStartStr;
            for (size_t k = 0; k < path.size(); ++k) {
                if (k > 0)
                    navigation += nav.Delimiter;
                navigation += QStringLiteral("<a href=\"") + HtmlEscape(path[k].link) + QStringLiteral("\">") + path[k].title +
                              QStringLiteral("</a>");
            }
            if (!path.empty() && (nav.EndWithDelimiter || nav.IncludeTopic))
                navigation += nav.Delimiter;
            if (nav.IncludeTopic)
                navigation += item->HTMLTitle;
            item->Navigation = navigation;
        }
        if (item->Icon == 0 && Project)
            item->Icon = (item->HasChildNode ? Project->HasChild : Project->NoChild) + 1;
    }
    if (Count() > 0)
        markLast(Items(Count() - 1)->Level, 1);
}

} // namespace tavrel
