// The body split on arbitrary pages: the three parts are always pieces of the page, and for
// inputs small enough they equal a plain character-by-character version of the two scans.
#include "text/HTMLProcess.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

namespace {

bool sameAscii(const QString &a, const char *b)
{
    const QString w = QString::fromLatin1(b);
    if (a.size() != w.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QChar c = a[i];
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
        if (c != w[i])
            return false;
    }
    return true;
}

void reference(const QString &page, QString &head, QString &body, QString &tail)
{
    head.clear();
    body.clear();
    tail.clear();
    bool collecting = false, found = false, started = false;
    QString name;
    qsizetype bodyStart = page.size();
    for (qsizetype i = 0; i < page.size(); ++i) {
        const QChar c = page[i];
        head += c;
        if (!found) {
            if (c == QLatin1Char('<')) {
                collecting = true;
                name.clear();
            } else if (collecting) {
                if (c == QLatin1Char(' ') || c == QLatin1Char('>') || c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
                    collecting = false;
                    found = sameAscii(name, "body");
                } else {
                    name += c;
                }
            }
        }
        if (found && c == QLatin1Char('>')) {
            bodyStart = i + 1;
            started = true;
            break;
        }
    }
    if (!started)
        head = page;

    QString cand;
    collecting = false;
    qsizetype bodyEnd = -1;
    for (qsizetype i = page.size() - 1; i >= 0; --i) {
        const QChar c = page[i];
        tail.prepend(c);
        if (c == QLatin1Char('y') || c == QLatin1Char('Y')) {
            cand = QStringLiteral("y");
            collecting = true;
        } else if (collecting && c == QLatin1Char('<')) {
            if (sameAscii(cand, "/body")) {
                bodyEnd = i;
                break;
            }
        } else if (collecting) {
            cand.prepend(c);
        }
    }
    if (bodyEnd < 0) {
        tail = page;
        return;
    }
    if (bodyEnd > bodyStart)
        body = page.mid(bodyStart, bodyEnd - bodyStart);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString head, body, tail;
    tavrel::SplitHtmlBody(page, head, body, tail);
    if (!page.startsWith(head) || !page.endsWith(tail) || !page.contains(body))
        std::abort();
    if (!body.isEmpty() && head.size() + body.size() + tail.size() != page.size())
        std::abort();
    if (page.size() <= 2048) {
        QString h, b, t;
        reference(page, h, b, t);
        if (h != head || b != body || t != tail)
            std::abort();
    }
    return 0;
}
