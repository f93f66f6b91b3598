#include "editing/SmallDialogs.h"

#include "project/Contents.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

TNavFields LoadNavFields(const QString &settingStr)
{
    TNavSetting nav;
    nav.SetSettingText(settingStr);
    TNavFields f;
    // The parsed setting holds the texts escaped for the page; undoing that gives the stored
    // text, whose own references ("&gt;") are then shown as the characters they stand for.
    f.StartString = HtmlUnescape(HtmlUnescape(nav.NavStartStr));
    f.Delimiter = HtmlUnescape(HtmlUnescape(nav.Delimiter));
    f.EndWithDelimiter = nav.EndWithDelimiter;
    f.IncludeTopic = nav.IncludeTopic;
    return f;
}

QString NavSettingString(const TNavFields &f)
{
    auto q = [](const QString &s) -> QString { return QLatin1Char('"') + s + QLatin1Char('"'); };
    return q(f.StartString) + QLatin1Char(',') + q(f.Delimiter) + QLatin1Char(',')
        + q(f.EndWithDelimiter ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char(',')
        + q(f.IncludeTopic ? QStringLiteral("1") : QStringLiteral("0"));
}

QString NavPreview(const TNavFields &f)
{
    QString s = f.StartString + QStringLiteral("Heading1") + f.Delimiter + QStringLiteral("Heading2");
    if (f.EndWithDelimiter || f.IncludeTopic)
        s += f.Delimiter;
    if (f.IncludeTopic)
        s += QStringLiteral("Topic");
    return s;
}

QString ColorToText(const QColor &color)
{
    return QStringLiteral("#%1%2%3")
        .arg(color.red(), 2, 16, QLatin1Char('0'))
        .arg(color.green(), 2, 16, QLatin1Char('0'))
        .arg(color.blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QColor TextToColor(const QString &text)
{
    QString s = text;
    s.remove(QLatin1Char('#'));
    if (s.size() < 6)
        return QColor(0, 0, 0);
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const QStringView part = QStringView(s).mid(i * 2, 2);
        // toInt accepts signs and blanks; a colour digit pair does not.
        for (QChar c : part) {
            const char16_t u = c.unicode();
            if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
                return QColor();
        }
        rgb[i] = part.toInt(&ok, 16);
        if (!ok)
            return QColor();
    }
    return QColor(rgb[0], rgb[1], rgb[2]);
}

namespace {
// A family name written in quotes in a style sheet is the name without them.
QString unquoted(const QString &name)
{
    if (name.size() >= 2 && (name.front() == QLatin1Char('"') || name.front() == QLatin1Char('\''))
        && name.back() == name.front())
        return name.mid(1, name.size() - 2);
    return name;
}
} // namespace

QList<TFontRun> FontPreviewRuns(const QString &text)
{
    QList<TFontRun> runs;
    int start = 0;
    for (int comma = text.indexOf(QLatin1Char(',')); comma >= 0; comma = text.indexOf(QLatin1Char(','), start)) {
        int a = start, b = comma;
        while (a < b && text[a].isSpace())
            ++a;
        while (b > a && text[b - 1].isSpace())
            --b;
        if (b > a)
            runs.push_back({a, b - a, unquoted(text.mid(a, b - a))});
        start = comma + 1;
    }
    return runs;
}

QStringList LoadDataLines(const QString &fileName)
{
    const QString file = InstallPath(fileName);
    if (!QFileInfo(file).isFile())
        return {};
    QStringList lines;
    for (const QString &line : ReadTextFile(file).split(QLatin1Char('\n'))) {
        QString l = line;
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        if (!l.trimmed().isEmpty())
            lines << l;
    }
    return lines;
}

QStringList TemplateHtmlFiles(const QString &folder)
{
    QStringList names;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const QString suffix = info.suffix().toLower();
        if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
            names << info.fileName();
    }
    return names;
}

} // namespace tavrel
