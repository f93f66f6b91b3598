// A translation file of the WebHelp interface, as loaded into the dialog's rows and written
// into "languages.js": whatever the file holds, the script keeps one statement per key and no
// translation can end the script element that loads it or its own string.
#include "output/WebHelpInterface.h"
#include "text/Exceptions.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList lines;
    try {
        lines = tavrel::TWebHelpInterfaceLanguage::ParseTsl(bytes, QStringLiteral("x.tsl"));
    } catch (const tavrel::Exception &) {
        return 0;
    }
    tavrel::TWebHelpInterfaceLanguage lang(QStringLiteral("/nonexistent/languages.txt"));
    lang.Names = {QStringLiteral("Contents"), QStringLiteral("Search"), QStringLiteral("Index")};
    QStringList rows = lang.Names;
    lang.LoadDictionary(rows, lines);
    tavrel::TStringList dict;
    lang.SaveDictionary(rows, dict);
    if (dict.Count() != lang.Names.size())
        std::abort();
    lang.Dictionary = &dict;
    const QString js = lang.GetLanguageJS();
    if (js.contains(QLatin1String("</"), Qt::CaseInsensitive))
        std::abort();
    const QStringList statements = js.split(QStringLiteral("\r\n"));
    if (statements.size() != lang.Names.size() + 2) // the header line and the empty end
        std::abort();
    return 0;
}
