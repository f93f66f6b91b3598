#include "word/engine/Fields.h"

#include <QHash>

namespace tavrel::engine {

bool TFieldCode::HasSwitch(const QString &s) const
{
    for (const auto &p : Switches)
        if (p.first.compare(s, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString TFieldCode::Switch(const QString &s) const
{
    for (const auto &p : Switches)
        if (p.first.compare(s, Qt::CaseInsensitive) == 0)
            return p.second;
    return QString();
}

namespace {
struct Word
{
    QString text;
    bool quoted = false;
};

std::vector<Word> words(const QString &code)
{
    std::vector<Word> out;
    int i = 0;
    const int n = int(code.size());
    while (i < n) {
        QChar c = code[i];
        if (c.isSpace() || c == QChar(0xA0)) {
            ++i;
            continue;
        }
        Word w;
        if (c == '"' || c == QChar(0x201C) || c == QChar(0x201D)) {
            w.quoted = true;
            ++i;
            while (i < n && code[i] != '"' && code[i] != QChar(0x201D) && code[i] != QChar(0x201C)) {
                if (code[i] == '\\' && i + 1 < n && (code[i + 1] == '"' || code[i + 1] == '\\')) {
                    w.text += code[i + 1];
                    i += 2;
                    continue;
                }
                w.text += code[i++];
            }
            ++i; // closing quote
        } else {
            while (i < n && !code[i].isSpace() && code[i] != '"') {
                w.text += code[i++];
                // A switch is one backslash and its letters; "\l" followed directly by a quote.
            }
        }
        out.push_back(w);
    }
    return out;
}
} // namespace

TFieldCode ParseFieldCode(const QString &code)
{
    TFieldCode fc;
    auto ws = words(code);
    size_t i = 0;
    if (i < ws.size() && !ws[i].quoted && !ws[i].text.startsWith('\\')) {
        fc.Keyword = ws[i].text.toUpper();
        ++i;
    }
    for (; i < ws.size(); ++i) {
        const Word &w = ws[i];
        if (!w.quoted && w.text.startsWith('\\') && w.text.size() >= 2) {
            QString name = w.text.left(2);
            QString arg = w.text.mid(2); // "\@dd" style: argument glued on
            if (arg.isEmpty() && i + 1 < ws.size() && (ws[i + 1].quoted || !ws[i + 1].text.startsWith('\\'))) {
                // Only switches that take arguments swallow the next word.
                static const QString takes = QStringLiteral("lotmbfscpnd#@*");
                if (takes.contains(name[1], Qt::CaseInsensitive)) {
                    arg = ws[i + 1].text;
                    ++i;
                }
            }
            fc.Switches.emplace_back(name, arg);
        } else {
            fc.Arguments << w.text;
        }
    }
    return fc;
}

int FieldTypeOfCode(const QString &code)
{
    static const QHash<QString, int> types = {
        {"REF", 3}, {"XE", 4}, {"FTNREF", 5}, {"SET", 6}, {"IF", 7}, {"INDEX", 8}, {"TC", 9},
        {"STYLEREF", 10}, {"RD", 11}, {"SEQ", 12}, {"TOC", 13}, {"INFO", 14}, {"TITLE", 15},
        {"SUBJECT", 16}, {"AUTHOR", 17}, {"KEYWORDS", 18}, {"COMMENTS", 19}, {"LASTSAVEDBY", 20},
        {"CREATEDATE", 21}, {"SAVEDATE", 22}, {"PRINTDATE", 23}, {"REVNUM", 24}, {"EDITTIME", 25},
        {"NUMPAGES", 26}, {"NUMWORDS", 27}, {"NUMCHARS", 28}, {"FILENAME", 29}, {"TEMPLATE", 30},
        {"DATE", 31}, {"TIME", 32}, {"PAGE", 33}, {"=", 34}, {"QUOTE", 35}, {"INCLUDE", 36},
        {"PAGEREF", 37}, {"ASK", 38}, {"FILLIN", 39}, {"DATA", 40}, {"NEXT", 41}, {"NEXTIF", 42},
        {"SKIPIF", 43}, {"MERGEREC", 44}, {"DDE", 45}, {"DDEAUTO", 46}, {"GLOSSARY", 47},
        {"PRINT", 48}, {"EQ", 49}, {"GOTOBUTTON", 50}, {"MACROBUTTON", 51}, {"AUTONUMOUT", 52},
        {"AUTONUMLGL", 53}, {"AUTONUM", 54}, {"IMPORT", 55}, {"LINK", 56}, {"SYMBOL", 57},
        {"EMBED", 58}, {"MERGEFIELD", 59}, {"USERNAME", 60}, {"USERINITIALS", 61},
        {"USERADDRESS", 62}, {"BARCODE", 63}, {"DOCVARIABLE", 64}, {"SECTION", 65},
        {"SECTIONPAGES", 66}, {"INCLUDEPICTURE", 67}, {"INCLUDETEXT", 68}, {"FILESIZE", 69},
        {"FORMTEXT", 70}, {"FORMCHECKBOX", 71}, {"NOTEREF", 72}, {"TOA", 73}, {"TA", 74},
        {"MERGESEQ", 75}, {"PRIVATE", 77}, {"DATABASE", 78}, {"AUTOTEXT", 79}, {"COMPARE", 80},
        {"ADDIN", 81}, {"FORMDROPDOWN", 83}, {"ADVANCE", 84}, {"DOCPROPERTY", 85},
        {"CONTROL", 87}, {"HYPERLINK", 88}, {"AUTOTEXTLIST", 89}, {"LISTNUM", 90},
        {"HTMLCONTROL", 91}, {"BIDIOUTLINE", 92}, {"ADDRESSBLOCK", 93}, {"GREETINGLINE", 94},
        {"SHAPE", 95}, {"CITATION", 96}, {"BIBLIOGRAPHY", 97}, {"MERGEBARCODE", 98},
        {"DISPLAYBARCODE", 99}};
    QString c = code.trimmed();
    if (c.startsWith('='))
        return 34;
    TFieldCode fc = ParseFieldCode(c);
    if (fc.Keyword.isEmpty())
        return -1;
    auto it = types.constFind(fc.Keyword);
    if (it != types.constEnd())
        return *it;
    return -1;
}

QString QuoteFieldArgument(const QString &value)
{
    QString v = value;
    v.replace('\\', QStringLiteral("\\\\"));
    v.replace('"', QStringLiteral("\\\""));
    return '"' + v + '"';
}

} // namespace tavrel::engine
