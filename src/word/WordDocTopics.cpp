#include "word/WordDocParts.h"

#include "text/Ascii.h"
#include "project/ProjectSetting.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/TagScanner.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace tavrel {

using namespace worddoc;

namespace {

// A property value without anything that could end a line or a quoted value of the help project.
bool isPlainPropertyName(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char('"'))
            return false;
    return true;
}

bool isIdentifier(const QString &s)
{
    for (QChar c : s)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    return !s.isEmpty();
}

bool isDecimalNumber(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() < '0' || c.unicode() > '9')
            return false;
    return !s.isEmpty() && s.size() <= 9;
}

// A value for a message: control characters shown as blanks, so the report keeps its lines.
QString printable(QString s)
{
    for (QChar &c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return s;
}

} // namespace

// --- Splitting into topics ---------------------------------------------------------------------

void TWordDoc::finishItem(TContentsItem *item, TContentsItems &items, QString &headingSources)
{
    Q_UNUSED(items);
    item->Status = 0;
    item->Accessible = true;
    m_pendingBookmarks << QLatin1Char('#') + AsciiLower(item->Title) + QLatin1Char('=') + item->Url;
    GetBookmarksForHeadings(headingSources, item->Url, true);
    headingSources.clear();
    GetBookmarksForHeadings(item->Content, item->Url, false);
}

void TWordDoc::ToContentsItems(TContentsItems &ContentItems)
{
    const QString work = QStringLiteral("<body>") + Body + QStringLiteral("</body>");
    ContentItems.Clear();
    m_pendingBookmarks.clear();
    const QString ext = PageExtension();
    int counter = -1;
    bool omitMode = false;
    int omitLevel = 0;
    QString headingSources;
    qsizetype contentStart = 0;
    // The entry of the previous heading (added or not) and whether it was added.
    TContentsItem *previous = nullptr;
    TContentsItem *lastAdded = nullptr; // children are counted on the entries that get one
    std::unique_ptr<TContentsItem> previousOmitted;
    bool previousAdded = false;

    struct TEntry
    {
        QString name;
        qsizetype lt;
        QString text;
    };
    std::vector<TEntry> stack;
    qsizetype i = 0;
    const qsizetype n = work.size();
    while (i < n) {
        const QChar c = work[i];
        if (c != QLatin1Char('<')) {
            if (!stack.empty() && c != QLatin1Char('\r'))
                stack.back().text += c == QLatin1Char('\n') ? QChar(' ') : c;
            ++i;
            continue;
        }
        const qsizetype lt = i;
        qsizetype k = lt + 1;
        const bool endTag = k < n && work[k] == QLatin1Char('/');
        if (endTag)
            ++k;
        const qsizetype nb = k;
        while (k < n && work[k] != QLatin1Char(' ') && work[k] != QLatin1Char('>') && work[k] != QLatin1Char('\r') &&
               work[k] != QLatin1Char('\n'))
            ++k;
        const QString name = work.mid(nb, k - nb);
        const qsizetype nameEnd = k; // the character that ended the name
        const qsizetype gt = TagEnd(work, lt);
        i = gt + 1;
        if (!endTag) {
            stack.push_back({name, lt, QString()});
            continue;
        }
        qsizetype f = static_cast<qsizetype>(stack.size()) - 1;
        while (f >= 0 && stack[static_cast<size_t>(f)].name.compare(name, Qt::CaseInsensitive) != 0)
            --f;
        if (f < 0)
            continue;
        TEntry &found = stack[static_cast<size_t>(f)];
        for (size_t a = static_cast<size_t>(f) + 1; a < stack.size(); ++a)
            found.text += stack[a].text;
        const qsizetype marker = isHeadingElement(found.name) ? found.text.indexOf(kHeadingMarker) : -1;
        if (marker >= 0) {
            ++counter;
            if (counter >= static_cast<int>(Headings.size()) || counter >= static_cast<int>(IndexList.size()))
                throw Exception(QStringLiteral("The page holds more heading marks than the document had headings."));
            const THeadingProperty &property = *Headings[static_cast<size_t>(counter)];
            auto item = std::make_unique<TContentsItem>();
            qsizetype after = marker + kHeadingMarker.size();
            int level = 1;
            if (after < found.text.size() && found.text[after].isDigit() && found.text[after].unicode() < 128) {
                level = std::max(found.text[after].digitValue(), 1);
                ++after;
            }
            item->HTMLTitle = found.text.mid(after);
            item->Title = HtmlUnescape(item->HTMLTitle).trimmed();
            if (item->Title.isEmpty())
                item->Title = item->HTMLTitle = QStringLiteral("(Blank)");
            const QString base = GetBaseName(item->Title);
            QString explicitName = property.FileName;
            if (!explicitName.isEmpty() && !IsConfinedName(QStringLiteral("/pages"), explicitName + ext)) {
                Warnings.Add(QStringLiteral("The file name \"%1\" would leave the page folder; the name made from the title is used.").arg(printable(explicitName)),
                             item->Title);
                explicitName.clear();
            }
            // The page name, the identifier and the number are written into the help project's
            // line-based files, some of them quoted: what would break a line or a quote there is
            // not taken.
            auto takeIf = [&](const QString &value, bool (*fits)(const QString &), const QString &refusal) {
                if (value.isEmpty() || fits(value))
                    return value;
                Warnings.Add(refusal.arg(printable(value)), item->Title);
                return QString();
            };
            explicitName = takeIf(explicitName, isPlainPropertyName,
                                  QStringLiteral("The file name \"%1\" holds a line break, a control character or a double quote; the name made from the title is used."));
            const QString staticVar = takeIf(property.StaticVar, isIdentifier,
                                             QStringLiteral("The identifier \"%1\" is not made of letters, digits and \"_\"; the identifier made from the title is used."));
            const QString contextId = takeIf(property.Id, isDecimalNumber,
                                             QStringLiteral("The context number \"%1\" is not a decimal number; the number made from the heading's place is used."));
            item->Url = !explicitName.isEmpty() ? QString(explicitName + ext) : ContentItems.GetExclusiveFilename(GetTopicFileName(base), ext);
            item->StaticName = !staticVar.isEmpty() ? staticVar : ContentItems.GetExclusiveStaticName(GetTopicStaticName(base));
            item->Level = level;
            QString keywords;
            const TStringList &index = *IndexList[static_cast<size_t>(counter)];
            for (int w = 0; w < index.Count(); ++w)
                keywords += index[w] + QStringLiteral("\r\n");
            item->Keywords = keywords;
            item->ContextNumber = !contextId.isEmpty() ? contextId : QString::number(10000 + counter) + QLatin1Char('0');
            const int written = item->Level;
            if (previous && previous->Level < item->Level)
                item->Level = std::min(item->Level, previous->Level + 1);
            else if (!previous && item->Level > 1)
                item->Level = 1;
            if (item->Level != written)
                Warnings.Add(QStringLiteral("The heading of level %1 follows a heading of level %2 and is placed at level %3.")
                                 .arg(written)
                                 .arg(previous ? previous->Level : 0)
                                 .arg(item->Level),
                             item->Title);
            item->TitleSource = work.mid(found.lt, nameEnd - found.lt + 1);
            if (property.Omit) {
                omitMode = true;
                omitLevel = item->Level;
            } else if (omitMode && item->Level <= omitLevel) {
                omitMode = false;
            }
            // A parent counts children that get an entry: an omitted subtree makes no book.
            if (!omitMode && lastAdded && lastAdded->Level < item->Level)
                lastAdded->HasChildNode = true;
            if (previous) {
                previous->Content = work.mid(contentStart, found.lt - contentStart);
                if (previousAdded) {
                    headingSources += previous->TitleSource;
                    if (IsBlankText(previous->Content) && previous->HasChildNode) {
                        ContentItems.SetUrl(previous, QString());
                        previous->Status = 2;
                        previous->Accessible = false;
                    } else {
                        finishItem(previous, ContentItems, headingSources);
                    }
                }
            }
            contentStart = nameEnd + 1;
            if (!omitMode) {
                previous = lastAdded = ContentItems.Add(std::move(item));
                previousOmitted.reset();
                previousAdded = true;
            } else {
                previousOmitted = std::move(item);
                previous = previousOmitted.get();
                previousAdded = false;
            }
        }
        if (f >= 2)
            stack[static_cast<size_t>(f) - 1].text += found.text;
        stack.resize(static_cast<size_t>(f));
    }
    if (previous && previousAdded) {
        const qsizetype bodyEnd = work.size() - 7;
        previous->Content = contentStart < bodyEnd ? work.mid(contentStart, bodyEnd - contentStart) : QString();
        headingSources += previous->TitleSource;
        if (IsBlankText(previous->Content)) {
            ContentItems.SetUrl(previous, QString());
            previous->Status = 2;
            previous->Accessible = false;
        } else {
            finishItem(previous, ContentItems, headingSources);
        }
    }
    flushBookmarks();
    if (ContentItems.Count() == 0)
        throw Exception(counter < 0 ? QStringLiteral("The document \"%1\" has no headings, so there are no topics: give the topic titles heading styles or outline levels.").arg(QFileInfo(FileName).fileName())
                                    : QStringLiteral("Every heading of the document \"%1\" is omitted, so there are no topics.").arg(QFileInfo(FileName).fileName()));
    ChangeUrls(ContentItems);
    ContentItems.PreProcess();
}

} // namespace tavrel
