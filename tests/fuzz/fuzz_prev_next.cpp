// Button placeholders and page making on an arbitrary main page. The prepared page is checked
// against a plain version of the button rule, and every page made from it against the
// placeholders it must fill.
#include "output/Template.h"
#include "output/TemplateEngine.h"
#include "project/Contents.h"
#include "text/Exceptions.h"
#include "text/functions.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QString asciiLower(QString s)
{
    for (QChar &c : s)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return s;
}

// The rule step by step: scan the image tags, decide on the first button's extension, replace
// the buttons of that extension.
QString reference(const QString &source, QString &extension, bool &prev, bool &next)
{
    const QString lower = asciiLower(source);
    QString out;
    qsizetype copied = 0, from = 0;
    for (;;) {
        const qsizetype p = lower.indexOf(QLatin1String("<img "), from);
        if (p < 0)
            break;
        const qsizetype gt = lower.indexOf(QLatin1Char('>'), p + 5);
        if (gt < 0)
            break;
        from = gt + 1;
        const QString src = GetAttributeValue(source.mid(p, gt - p + 1), QStringLiteral("src"));
        QString kind;
        for (const char *name : {"btn_prev_n", "btn_next_n"}) {
            const QString n = QLatin1String(name);
            if (extension.isEmpty()) {
                if (src.startsWith(n) && src.size() > n.size() && src[n.size()] == QLatin1Char('.')
                    && src.indexOf(QLatin1Char('.'), n.size() + 1) < 0 && !src.mid(n.size()).contains(QLatin1Char('/'))
                    && !src.mid(n.size()).contains(QLatin1Char('\\'))) {
                    const QString ext = asciiLower(src.mid(n.size()));
                    if (ext == QLatin1String(".gif") || ext == QLatin1String(".png") || ext == QLatin1String(".jpg")) {
                        extension = ext;
                        kind = n;
                    }
                    break;
                }
            } else if (src == n + extension) {
                kind = n;
                break;
            }
        }
        if (kind.isEmpty())
            continue;
        out += source.mid(copied, p - copied);
        const bool isPrev = kind == QLatin1String("btn_prev_n");
        out += isPrev ? QLatin1String("($previmg$)") : QLatin1String("($nextimg$)");
        (isPrev ? prev : next) = true;
        copied = gt + 1;
    }
    return out + source.mid(copied);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray stream;
    AppendTemplateEntry(stream, QStringLiteral("main.htm"), QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    TTemplate t(stream, QStringLiteral("Prev"), QStringLiteral("Next"));

    QString extension;
    bool prev = false, next = false;
    check(t.TempSource == reference(t.Source, extension, prev, next));
    check(t.pn->Extension == extension && t.pn->Prev == prev && t.pn->Next == next);

    THEADElements head;
    head.Load(QStringLiteral("<title>x</title><meta name=a content=b>"));
    t.UniteHead(head);
    for (int k = 0; k < 3; ++k) {
        TContentsItem item;
        item.Title = QStringLiteral("T");
        item.HTMLTitle = QStringLiteral("T");
        item.Content = QStringLiteral("<p>body</p>");
        item.LastPage = k ? QStringLiteral("a.htm") : QString();
        item.NextPage = k < 2 ? QStringLiteral("c.htm") : QString();
        const QString page = t.MakePage(item);
        // The body goes in last, so no placeholder of it can be left; making a page changes
        // nothing in the template.
        check(!page.contains(QLatin1String("($content$)"), Qt::CaseInsensitive));
        check(t.MakePage(item) == page);
    }
    return 0;
}
