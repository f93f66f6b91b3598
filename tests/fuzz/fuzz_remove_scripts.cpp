// Script removal on arbitrary text, checked against a plain step-by-step version of the rule
// (replace passes, then a search loop) for inputs small enough for it.
#include "text/HTMLProcess.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

namespace {

QChar asciiLower(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ? QChar(c.unicode() + 32) : c;
}

// Replaces every ASCII-case-insensitive occurrence of the lower-case word w by w.
QString lowerEvery(const QString &s, const QString &w)
{
    QString r;
    qsizetype i = 0;
    while (i < s.size()) {
        qsizetype k = 0;
        while (k < w.size() && i + k < s.size() && asciiLower(s[i + k]) == w[k])
            ++k;
        if (k == w.size()) {
            r += w;
            i += w.size();
        } else {
            r += s[i++];
        }
    }
    return r;
}

QString reference(const QString &s)
{
    QString t = lowerEvery(lowerEvery(s, QStringLiteral("<script")), QStringLiteral("</script"));
    QString r;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype start = t.indexOf(QLatin1String("<script"), pos);
        if (start < 0)
            return r + t.mid(pos);
        r += t.mid(pos, start - pos);
        const qsizetype end = t.indexOf(QLatin1String("</script>"), start + 7);
        if (end < 0)
            return r;
        pos = end + 9;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString once = tavrel::RemoveScripts(text);
    if (once.size() > text.size())
        std::abort();
    if (text.size() <= 4096 && once != reference(text))
        std::abort();
    return 0;
}
