#include "output/WebHelpInterface.h"

#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace tavrel {

namespace {

const QString kCRLF = QStringLiteral("\r\n");

// A dictionary line split at its first "="; a line without one names a key with no translation.
template <typename Lines>
QString lookup(const QString &name, const Lines &lines, int count)
{
    for (int i = 0; i < count; ++i) {
        const QString &line = lines[i];
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? line : line.left(eq);
        if (key.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = eq < 0 ? QString() : line.mid(eq + 1);
        return value.isEmpty() ? name : value;
    }
    return name;
}

} // namespace

TWebHelpInterfaceLanguage::TWebHelpInterfaceLanguage()
    : TWebHelpInterfaceLanguage(InstallPath(QStringLiteral("webhelp/languages.txt")))
{
}

TWebHelpInterfaceLanguage::TWebHelpInterfaceLanguage(const QString &keysFile)
{
    if (QFileInfo::exists(keysFile))
        Names = ParseKeys(ReadTextFile(keysFile));
}

QStringList TWebHelpInterfaceLanguage::ParseKeys(const QString &text)
{
    QStringList keys;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString &line : lines) {
        const qsizetype open = line.indexOf(QLatin1String("[\""));
        const qsizetype close = line.indexOf(QLatin1String("\"]"));
        if (open < 0 || close < 0 || close < open + 2)
            continue;
        const QString key = line.mid(open + 2, close - open - 2).trimmed();
        if (!key.isEmpty())
            keys << key;
    }
    return keys;
}

QString TWebHelpInterfaceLanguage::GetValue(const QString &Name, const TStringList &Dictionary)
{
    return lookup(Name, Dictionary, Dictionary.Count());
}

QString TWebHelpInterfaceLanguage::GetValue(const QString &Name, const QStringList &Dictionary)
{
    return lookup(Name, Dictionary, static_cast<int>(Dictionary.size()));
}

QString TWebHelpInterfaceLanguage::GetLanguageJS() const
{
    static const TStringList empty;
    const TStringList &dict = Dictionary ? *Dictionary : empty;
    QString out = QStringLiteral("var strings = new Object();") + kCRLF;
    for (const QString &key : Names) {
        // The translation comes from the project file: besides the double quote, a backslash or
        // a line break would end or bend the string, and "</" could close a script element that
        // quotes the file.
        QString value = GetValue(key, dict);
        value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        value.replace(QLatin1Char('"'), QLatin1String("\\\""));
        value.replace(QLatin1Char('\r'), QLatin1String("\\r"));
        value.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        value.replace(QLatin1String("</"), QLatin1String("<\\/"));
        out += QStringLiteral("strings[\"") + key + QStringLiteral("\"] = \"") + value + QStringLiteral("\";") + kCRLF;
    }
    return out;
}

QString TWebHelpInterfaceLanguage::CreateTsl(const TStringList &Dictionary) const
{
    QString out;
    for (const QString &key : Names)
        out += key + QLatin1Char('=') + GetValue(key, Dictionary) + kCRLF;
    return out;
}

void TWebHelpInterfaceLanguage::WriteTslFile(const QString &file, const QString &text)
{
    WriteTextFile(text, file, 1);
}

QStringList TWebHelpInterfaceLanguage::ReadTslFile(const QString &file)
{
    if (!QFileInfo::exists(file))
        throw Exception(QStringLiteral("The file \"%1\" does not exist.").arg(file));
    QStringList lines = ReadTextFile(file).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    lines.removeIf([](const QString &l) { return l.isEmpty(); });
    return lines;
}

} // namespace tavrel
