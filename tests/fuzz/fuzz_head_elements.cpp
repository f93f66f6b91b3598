// Head parsing and merging on arbitrary text. The input is the document's head, then a NUL
// byte, then the template's head. The merge is checked against a plain step-by-step version
// (search the list, insert after the last element of the kind) for inputs small enough for it.
#include "output/TemplateEngine.h"

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace tavrel;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

struct TRef
{
    QString tag, html, a, b; // META: a = HTTP_EQUIV, b = Name; LINK href / SCRIPT src in a
};

std::vector<TRef> snapshot(const THEADElements &h)
{
    std::vector<TRef> r;
    for (int i = 0; i < h.Count(); ++i) {
        const THTMLElement *e = h[i];
        TRef x{e->TagName, e->InnerHTML, {}, {}};
        if (auto *m = dynamic_cast<const TMeta *>(e))
            x.a = m->HTTP_EQUIV, x.b = m->Name;
        else if (auto *l = dynamic_cast<const TLink *>(e))
            x.a = l->href;
        else if (auto *s = dynamic_cast<const TScript *>(e))
            x.a = s->src;
        r.push_back(x);
    }
    return r;
}

bool same(const QString &x, const QString &y) { return x.compare(y, Qt::CaseInsensitive) == 0; }

std::vector<TRef> referenceUnite(std::vector<TRef> list, const std::vector<TRef> &other)
{
    for (const TRef &e : other) {
        bool take = false;
        if (e.tag == "META") {
            const bool byEquiv = !e.a.isEmpty();
            const QString key = byEquiv ? e.a : e.b;
            if (!key.isEmpty()) {
                take = true;
                for (const TRef &x : list)
                    if (x.tag == "META" && same(byEquiv ? x.a : x.b, key))
                        take = false;
            }
        } else if (e.tag == "LINK" || e.tag == "SCRIPT") {
            take = true;
            if (!e.a.isEmpty())
                for (const TRef &x : list)
                    if (x.tag == e.tag && same(x.a, e.a))
                        take = false;
        } else if (e.tag == "STYLE") {
            take = true;
        }
        if (!take)
            continue;
        qsizetype last = -1;
        for (qsizetype i = 0; i < qsizetype(list.size()); ++i)
            if (list[size_t(i)].tag == e.tag)
                last = i;
        if (last < 0)
            list.push_back(e);
        else
            list.insert(list.begin() + last + 1, e);
    }
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const void *nul = size ? std::memchr(bytes, 0, size) : nullptr;
    const size_t split = nul ? size_t(static_cast<const char *>(nul) - bytes) : size;
    const QString docText = QString::fromUtf8(bytes, qsizetype(split));
    const QString tplText = split < size ? QString::fromUtf8(bytes + split + 1, qsizetype(size - split - 1)) : QString();

    THEADElements doc, tpl;
    doc.Load(docText);
    tpl.Load(tplText);
    for (const THEADElements *h : {&doc, &tpl}) {
        const QString &text = h == &doc ? docText : tplText;
        for (int i = 0; i < h->Count(); ++i) {
            const THTMLElement *e = (*h)[i];
            check(e->TagName == e->TagName.toUpper());
            check(e->InnerHTML.startsWith(QLatin1Char('<')) && e->InnerHTML.endsWith(QLatin1Char('>')));
            check(text.contains(e->InnerHTML));
            // Copies keep their class and fields.
            auto copy = e->Double();
            check(typeid(*copy) == typeid(*e) && copy->InnerHTML == e->InnerHTML && copy->TagName == e->TagName);
        }
    }

    const auto before = snapshot(doc);
    const auto other = snapshot(tpl);
    doc.Unite(tpl);
    const auto united = snapshot(doc);
    if (before.size() * other.size() <= 200000) {
        const auto expected = referenceUnite(before, other);
        check(expected.size() == united.size());
        for (size_t i = 0; i < united.size(); ++i)
            check(expected[i].tag == united[i].tag && expected[i].html == united[i].html);
    }

    doc.Process();
    check(doc.Count() >= 2);
    check(doc[0]->InnerHTML == QLatin1String("<meta http-equiv=Content-Type content=\"text/html; charset=\">"));
    check(doc[1]->InnerHTML == QLatin1String("<meta name=Generator content=\"Tavrel for Word\">"));
    for (int i = 2; i < doc.Count(); ++i) {
        check(doc[i]->TagName != QLatin1String("TITLE"));
        if (auto *m = dynamic_cast<const TMeta *>(doc[i]))
            check(!same(m->HTTP_EQUIV, "Content-Type") && !same(m->Name, "Generator"));
    }
    const QString text = doc.HeadText();
    check(text.startsWith(QLatin1String("\r\n")) && text.endsWith(QLatin1String("\r\n\r\n")));
    return 0;
}
