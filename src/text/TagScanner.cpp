#include "text/TagScanner.h"

namespace tavrel {

namespace {

bool isWhite(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r';
}

} // namespace

qsizetype TagEnd(const QString &s, qsizetype lt)
{
    if (s.mid(lt, 4) == QLatin1String("<!--")) {
        const qsizetype e = s.indexOf(QLatin1String("-->"), lt + 4);
        return e < 0 ? s.size() : e + 2;
    }
    QChar quote;
    bool afterEq = false;
    for (qsizetype i = lt + 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('>'))
            return i;
        if (afterEq && (c == QLatin1Char('"') || c == QLatin1Char('\''))) {
            quote = c;
            afterEq = false;
            continue;
        }
        if (c == QLatin1Char('='))
            afterEq = true;
        else if (!isWhite(c))
            afterEq = false;
    }
    return s.size();
}

QString TagName(const QString &s, qsizetype lt, bool &endTag)
{
    qsizetype i = lt + 1;
    endTag = i < s.size() && s[i] == QLatin1Char('/');
    if (endTag)
        ++i;
    const qsizetype b = i;
    while (i < s.size() && !isWhite(s[i]) && s[i] != QLatin1Char('>') && !(s[i] == QLatin1Char('/') && i > b))
        ++i;
    return s.mid(b, i - b);
}

std::vector<TTagAttr> ParseTagAttributes(const QString &s, qsizetype from, qsizetype to, QString &trailing)
{
    std::vector<TTagAttr> out;
    qsizetype i = from;
    trailing.clear();
    while (i < to) {
        TTagAttr a;
        const qsizetype ws = i;
        while (i < to && isWhite(s[i]))
            ++i;
        a.space = s.mid(ws, i - ws);
        if (i >= to) {
            trailing = a.space;
            break;
        }
        const qsizetype nb = i;
        while (i < to && !isWhite(s[i]) && s[i] != QLatin1Char('='))
            ++i;
        a.name = s.mid(nb, i - nb);
        if (i < to && s[i] == QLatin1Char('=')) {
            a.hasValue = true;
            ++i;
            if (i < to && (s[i] == QLatin1Char('"') || s[i] == QLatin1Char('\''))) {
                a.quote = s[i];
                const qsizetype vb = ++i;
                while (i < to && s[i] != a.quote)
                    ++i;
                a.value = s.mid(vb, i - vb);
                if (i < to)
                    ++i;
            } else {
                const qsizetype vb = i;
                while (i < to && !isWhite(s[i]))
                    ++i;
                a.value = s.mid(vb, i - vb);
            }
        }
        out.push_back(a);
    }
    return out;
}

QString WriteTagAttribute(const TTagAttr &a)
{
    if (!a.hasValue)
        return a.space + a.name;
    if (a.quote.isNull())
        return a.space + a.name + QLatin1Char('=') + a.value;
    return a.space + a.name + QLatin1Char('=') + a.quote + a.value + a.quote;
}

} // namespace tavrel
