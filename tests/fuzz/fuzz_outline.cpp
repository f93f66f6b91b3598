// An outline text file as the new-document dialog loads it: decoded, split into lines, parsed
// into headings, and indented and outdented at a selection taken from the first bytes.
#include "word/CreateNewdoc.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 2, qsizetype(size - 2));
    QString text = tavrel::DecodeOutline(bytes);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    const auto headings = tavrel::ParseOutline(lines);
    for (size_t i = 0; i < headings.size(); ++i)
        if (headings[i].Title.isEmpty() || headings[i].Level < 0 || headings[i].Level >= lines.size())
            std::abort();
    const int selStart = text.isEmpty() ? 0 : data[0] % (text.size() + 1);
    const int selLength = text.isEmpty() ? 0 : data[1] % (text.size() + 1);
    const tavrel::TOutlineEdit in = tavrel::IndentOutline(text, selStart, selLength);
    const QString indented = tavrel::ApplyIndent(text, in);
    // Outdenting what was just indented gives the text back.
    if (tavrel::ApplyOutdent(indented, tavrel::OutdentOutline(indented, in.SelStart, in.SelLength)) != text)
        std::abort();
    return 0;
}
