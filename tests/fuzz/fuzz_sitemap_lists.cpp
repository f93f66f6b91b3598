// The contents and index lists of the HTML Help maker on arbitrary titles, levels, pages and
// index keywords (all of them come from the document). Each input line is one heading:
// "level|status|title|keyword;keyword;...". Whatever the text, every list opened is closed,
// every heading is one contents entry, and every keyword of a page names that page once.
#include "output/HtmlHelpOutput.h"
#include "project/Contents.h"

#include <QRegularExpression>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace tavrel;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The list markup with every attribute value taken out, so text inside values is not counted.
QString markup(const QString &list)
{
    static const QRegularExpression value(QStringLiteral("value=\"[^\"]*\""));
    QString out = list;
    out.remove(value);
    return out;
}

bool balanced(const QString &list)
{
    int depth = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (QStringView(list).mid(i, 4) == QLatin1String("<UL>"))
            ++depth;
        else if (QStringView(list).mid(i, 5) == QLatin1String("</UL>") && --depth < 0)
            return false;
    }
    return depth == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 20000)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TContentsItems items;
    int previousLevel = 0;
    qsizetype keywordLines = 0;
    int n = 0;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char('|'));
        if (f.size() < 3)
            continue;
        auto item = std::make_unique<TContentsItem>();
        // Levels as the splitter leaves them: the first on 1, never more than one deeper.
        const int wanted = std::clamp(f.at(0).toInt(), 1, 9);
        item->Level = std::min(wanted, previousLevel + 1);
        previousLevel = item->Level;
        item->Status = f.at(1).trimmed() == QLatin1String("2") ? 2 : 0;
        item->Title = f.at(2);
        item->HTMLTitle = f.at(2);
        if (item->Status == 0)
            item->Url = QStringLiteral("p%1.htm").arg(n);
        ++n;
        item->Icon = -1;
        if (f.size() > 3) {
            item->Keywords = f.mid(3).join(QLatin1Char('|'));
            item->Keywords.replace(QLatin1Char(';'), QLatin1Char('\n'));
            if (item->Status == 0 && !item->Keywords.trimmed().isEmpty())
                for (const QString &k : item->Keywords.split(QLatin1Char('\n')))
                    keywordLines += k.trimmed().isEmpty() ? 0 : 1;
        }
        items.Add(std::move(item));
    }

    THtmlHelpMaker maker;
    maker.Contents = &items;
    const QString hhc = maker.MakeHHCList();
    const QString hhk = maker.MakeHHKList();
    check(items.Count() == 0 ? hhc.isEmpty() : balanced(markup(hhc)));
    check(hhc.count(QLatin1String("<LI><OBJECT type=\"text/sitemap\">")) == items.Count());
    check(keywordLines == 0 ? hhk.isEmpty() : balanced(markup(hhk)));
    // One Local line per keyword of a page (nothing else in the index has one).
    check(hhk.count(QLatin1String("<param name=\"Local\"")) == keywordLines);
    return 0;
}
