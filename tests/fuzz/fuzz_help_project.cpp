// The HTML Help project files on arbitrary texts from the project file and the document: window
// title, fonts, default topic, file names, and per topic an identifier, a page and a context
// number (fields separated by 0x1F, topics by 0x1E). Whatever they hold, the .hhp keeps its
// fixed lines, one [FILES] line per file, one [ALIAS] line per topic and the [MAP] include, and
// each line of the .h is one "#define" of a name and a number.
#include "output/HtmlHelpOutput.h"
#include "output/UnitCHMProject.h"
#include "project/Contents.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>

using namespace tavrel;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QString field(const QStringList &f, int i) { return i < f.size() ? f.at(i) : QString(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 20000)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList parts = text.split(QChar(0x1E));
    const QStringList head = parts.first().split(QChar(0x1F));

    TCHMProject p;
    p.Title = field(head, 0);
    p.Font = field(head, 1);
    p.DefaultTopic = field(head, 2);
    p.CHM = field(head, 3);
    p.HHCFile = field(head, 4);
    p.HHKFile = field(head, 5);
    p.Language = field(head, 6);
    p.Left = field(head, 7).toInt();
    p.Width = field(head, 8).toInt();
    const QStringList files = field(head, 9).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (const QString &f : files)
        p.Files.Add(f);

    TContentsItems items;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QStringList f = parts.at(i).split(QChar(0x1F));
        auto item = std::make_unique<TContentsItem>();
        item->Level = 1;
        item->Status = 0;
        item->StaticName = field(f, 0);
        item->Url = field(f, 1);
        // A topic without a number has no alias; every topic here has one.
        item->ContextNumber = field(f, 2).trimmed().isEmpty() ? QStringLiteral("1") : field(f, 2);
        items.Add(std::move(item));
    }
    THtmlHelpMaker maker;
    maker.Contents = &items;
    maker.MakeContextSensitive(p.Alias, p.Map);

    const QString hhp = QString::fromUtf8(p.HHPText());
    check(hhp.endsWith(QLatin1String("\r\n")));
    const QStringList lines = hhp.chopped(2).split(QLatin1String("\r\n"));
    for (const QString &l : lines)
        for (QChar c : l)
            check(c.unicode() >= 0x20 && c.unicode() != 0x7F);
    // 13 option lines and the sections' heads, the window, the files, the aliases.
    static const char *const starts[] = {"[OPTIONS]", "Compatibility=", "Compiled file=", "Contents file=", "Default Font=",
                                         "Default Window=", "Default topic=", "Display compile progress=", "Error log file=",
                                         "Full-text search=", "Index file=", "Language=", "Title=", "", "[WINDOWS]", "main=",
                                         "", "[FILES]"};
    const qsizetype fixed = qsizetype(std::size(starts));
    check(lines.size() >= fixed);
    for (qsizetype i = 0; i < fixed; ++i)
        check(*starts[i] ? lines.at(i).startsWith(QLatin1String(starts[i])) : lines.at(i).isEmpty());
    check(lines.at(15).count(QLatin1Char('"')) == 14);
    qsizetype at = fixed + files.size();
    check(lines.size() > at && lines.at(at).isEmpty());
    const qsizetype topics = items.Count();
    if (topics > 0) {
        check(lines.at(at + 1) == QLatin1String("[ALIAS]"));
        for (qsizetype i = 0; i < topics; ++i)
            check(lines.at(at + 2 + i).startsWith(QLatin1String("CID_")));
        at += 2 + topics;
        check(lines.at(at).isEmpty() && lines.at(at + 1).isEmpty());
        at += 2;
        check(lines.size() == at + 3 && lines.at(at) == QLatin1String("[MAP]") &&
              lines.at(at + 1).startsWith(QLatin1String("#include ")) && lines.at(at + 2).isEmpty());
        at += 3;
    } else {
        ++at;
    }
    check(lines.size() == at);

    const QStringList header = QString::fromUtf8(p.HText()).split(QLatin1String("\r\n"));
    check(header.size() == topics + 2);
    for (qsizetype i = 0; i < topics; ++i) {
        const QStringList words = header.at(i).split(QLatin1Char(' '));
        check(words.size() == 3 && words.at(0) == QLatin1String("#define") && words.at(1).startsWith(QLatin1String("CID_")));
    }
    return 0;
}
