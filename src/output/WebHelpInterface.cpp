#include "output/WebHelpInterface.h"

#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
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
        // The translation comes from the project file: it must stay one string.
        const QString value = EscapeScriptString(GetValue(key, dict));
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
    QFile f(file);
    if (!QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("The file \"%1\" cannot be read.").arg(file));
    // Translation files are small; a big one is not a translation file.
    constexpr qint64 kMaxTsl = 4 * 1024 * 1024;
    if (f.size() > kMaxTsl)
        throw Exception(QStringLiteral("The file \"%1\" is too large for a translation file.").arg(file));
    return ParseTsl(f.readAll(), file);
}

QStringList TWebHelpInterfaceLanguage::ParseTsl(const QByteArray &bytes, const QString &file)
{
    const bool marked = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!marked) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString probe = utf8.decode(bytes);
        Q_UNUSED(probe);
        if (utf8.hasError() || bytes.contains('\0'))
            throw Exception(QStringLiteral("The file \"%1\" is not a translation file in UTF-8. Save it as UTF-8 text and load it again.").arg(file));
    }
    QStringList lines = DecodeTextStream(bytes, QString()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    lines.removeIf([](const QString &l) { return l.isEmpty(); });
    return lines;
}

QString TWebHelpInterfaceLanguage::FindTranslation(const QString &Name, const QStringList &Dict)
{
    const QString v = lookup(Name, Dict, static_cast<int>(Dict.size()));
    // lookup answers the name itself for a missing or empty translation; a translation equal to
    // its key changes nothing either.
    return v == Name ? QString() : v;
}

QStringList TWebHelpInterfaceLanguage::LoadStrings(const TStringList &Dict) const
{
    QStringList rows;
    for (const QString &key : Names)
        rows << GetValue(key, Dict);
    return rows;
}

void TWebHelpInterfaceLanguage::LoadDictionary(QStringList &Rows, const QStringList &Dict) const
{
    for (int r = 0; r < Names.size() && r < Rows.size(); ++r) {
        const QString t = FindTranslation(Names[r], Dict);
        if (!t.isEmpty())
            Rows[r] = t;
    }
}

QString TWebHelpInterfaceLanguage::CreateDictionary(const QStringList &Rows) const
{
    QString out;
    for (int r = 0; r < Names.size(); ++r) {
        QString t = r < Rows.size() ? Rows[r] : Names[r];
        t.replace(QRegularExpression(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]")), QStringLiteral(" "));
        out += Names[r] + QLatin1Char('=') + t + kCRLF;
    }
    return out;
}

void TWebHelpInterfaceLanguage::SaveDictionary(const QStringList &Rows, TStringList &Dictionary) const
{
    Dictionary.Clear();
    QStringList lines = CreateDictionary(Rows).split(kCRLF);
    lines.removeLast();
    Dictionary.AddStrings(lines);
}

void TWebHelpInterfaceLanguage::QuickTranslate(QStringList &Rows, const QString &Text)
{
    QStringList lines = Text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    // A text that ends with a line break has no further line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (int r = 0; r < Rows.size() && r < lines.size(); ++r)
        Rows[r] = lines[r].trimmed();
}

} // namespace tavrel
