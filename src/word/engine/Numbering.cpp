#include "word/engine/Numbering.h"

#include "word/engine/Styles.h"

#include <QStringList>

namespace tavrel::engine {

int TNumbering::AbstractOf(int numId, const TStyleSheet *styles) const
{
    int guard = 0;
    while (guard++ < 8) {
        auto n = Nums.find(numId);
        if (n == Nums.end())
            return -1;
        auto a = Abstracts.find(n->second.AbstractId);
        if (a == Abstracts.end())
            return -1;
        // A list that only refers to a numbering style takes that style's list definition.
        if (!a->second.NumStyleLink.isEmpty() && styles) {
            const TStyle *s = styles->Find(a->second.NumStyleLink);
            if (s && s->PPr.NumId && *s->PPr.NumId != numId) {
                numId = *s->PPr.NumId;
                continue;
            }
        }
        return a->first;
    }
    return -1;
}

const TNumLevel *TNumbering::Level(int numId, int level, const TStyleSheet *styles) const
{
    if (level < 0 || level > 8)
        return nullptr;
    auto key = std::make_pair(numId, level);
    auto cached = m_resolved.find(key);
    if (cached != m_resolved.end())
        return cached->second.Defined ? &cached->second : nullptr;
    TNumLevel result;
    auto n = Nums.find(numId);
    int abstractId = AbstractOf(numId, styles);
    auto a = Abstracts.find(abstractId);
    if (n != Nums.end() && a != Abstracts.end()) {
        result = a->second.Levels[size_t(level)];
        const TNumOverride &o = n->second.Overrides[size_t(level)];
        if (o.Level && o.Level->Defined)
            result = *o.Level;
        if (o.Start)
            result.Start = *o.Start;
    }
    auto &stored = m_resolved[key] = result;
    return stored.Defined ? &stored : nullptr;
}

namespace {

QString roman(int n, bool upper)
{
    if (n <= 0 || n >= 4000)
        return QString::number(n);
    static const int values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static const char *symbols[] = {"m", "cm", "d", "cd", "c", "xc", "l", "xl", "x", "ix", "v", "iv", "i"};
    QString out;
    for (int i = 0; i < 13; ++i)
        while (n >= values[i]) {
            out += QLatin1String(symbols[i]);
            n -= values[i];
        }
    return upper ? out.toUpper() : out;
}

// Word's letters repeat the letter: 26 = z, 27 = aa, 28 = bb.
QString letters(int n, bool upper)
{
    if (n <= 0)
        return QString::number(n);
    int count = (n - 1) / 26 + 1;
    QChar c = QChar(char16_t((upper ? 'A' : 'a') + (n - 1) % 26));
    return QString(std::min(count, 100), c);
}

QString ordinalSuffix(int n)
{
    int t = n % 100;
    if (t >= 11 && t <= 13)
        return QStringLiteral("th");
    switch (n % 10) {
    case 1: return QStringLiteral("st");
    case 2: return QStringLiteral("nd");
    case 3: return QStringLiteral("rd");
    default: return QStringLiteral("th");
    }
}

QString cardinalText(int n)
{
    static const char *ones[] = {"Zero", "One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight", "Nine", "Ten",
                                 "Eleven", "Twelve", "Thirteen", "Fourteen", "Fifteen", "Sixteen", "Seventeen",
                                 "Eighteen", "Nineteen"};
    static const char *tens[] = {"", "", "Twenty", "Thirty", "Forty", "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};
    if (n < 0 || n > 999999)
        return QString::number(n);
    if (n < 20)
        return QLatin1String(ones[n]);
    if (n < 100)
        return QLatin1String(tens[n / 10]) + (n % 10 ? QStringLiteral("-") + QString(QLatin1String(ones[n % 10])).toLower() : QString());
    if (n < 1000)
        return QLatin1String(ones[n / 100]) + QStringLiteral(" Hundred") + (n % 100 ? QStringLiteral(" ") + cardinalText(n % 100).toLower() : QString());
    return cardinalText(n / 1000) + QStringLiteral(" Thousand") + (n % 1000 ? QStringLiteral(" ") + cardinalText(n % 1000).toLower() : QString());
}

QString ordinalText(int n)
{
    QString c = cardinalText(n);
    static const QList<QPair<QString, QString>> ends = {
        {"One", "First"}, {"one", "first"}, {"Two", "Second"}, {"two", "second"}, {"Three", "Third"},
        {"three", "third"}, {"Five", "Fifth"}, {"five", "fifth"}, {"Eight", "Eighth"}, {"eight", "eighth"},
        {"Nine", "Ninth"}, {"nine", "ninth"}, {"Twelve", "Twelfth"}, {"twelve", "twelfth"}};
    for (const auto &e : ends)
        if (c.endsWith(e.first))
            return c.left(c.size() - e.first.size()) + e.second;
    if (c.endsWith('y'))
        return c.left(c.size() - 1) + QStringLiteral("ieth");
    return c + QStringLiteral("th");
}

QString digitsIn(int n, char16_t zero)
{
    QString s = QString::number(n);
    for (auto &c : s)
        if (c.isDigit())
            c = QChar(char16_t(zero + (c.unicode() - '0')));
    return s;
}

QString chineseCounting(int n)
{
    static const char16_t d[] = {u'\u3007', u'\u4E00', u'\u4E8C', u'\u4E09', u'\u56DB', u'\u4E94', u'\u516D',
                                 u'\u4E03', u'\u516B', u'\u4E5D'};
    if (n <= 0 || n >= 100000)
        return QString::number(n);
    if (n < 10)
        return QString(QChar(d[n]));
    if (n < 100) {
        QString s;
        if (n / 10 > 1)
            s += QChar(d[n / 10]);
        s += QChar(u'\u5341');
        if (n % 10)
            s += QChar(d[n % 10]);
        return s;
    }
    QString s;
    for (QChar c : QString::number(n))
        s += QChar(d[c.unicode() - '0']);
    return s;
}

} // namespace

bool IsKnownNumberFormat(const QString &f)
{
    static const QStringList known = {
        "decimal", "decimalZero", "upperRoman", "lowerRoman", "upperLetter", "lowerLetter", "ordinal",
        "cardinalText", "ordinalText", "bullet", "none", "decimalEnclosedCircle", "decimalEnclosedFullstop",
        "decimalEnclosedParen", "decimalFullWidth", "decimalFullWidth2", "decimalHalfWidth", "chicago",
        "chineseCounting", "chineseCountingThousand", "japaneseCounting", "ideographTraditional",
        "numberInDash", "hex"};
    return known.contains(f);
}

QString FormatListNumber(int n, const QString &f)
{
    if (f == QLatin1String("decimal") || f.isEmpty())
        return QString::number(n);
    if (f == QLatin1String("decimalZero"))
        return n >= 0 && n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
    if (f == QLatin1String("upperRoman"))
        return roman(n, true);
    if (f == QLatin1String("lowerRoman"))
        return roman(n, false);
    if (f == QLatin1String("upperLetter"))
        return letters(n, true);
    if (f == QLatin1String("lowerLetter"))
        return letters(n, false);
    if (f == QLatin1String("ordinal"))
        return QString::number(n) + ordinalSuffix(n);
    if (f == QLatin1String("cardinalText"))
        return cardinalText(n);
    if (f == QLatin1String("ordinalText"))
        return ordinalText(n);
    if (f == QLatin1String("none") || f == QLatin1String("bullet"))
        return QString();
    if (f == QLatin1String("decimalEnclosedCircle"))
        return n >= 1 && n <= 20 ? QString(QChar(char16_t(0x2460 + n - 1))) : QString::number(n);
    if (f == QLatin1String("decimalEnclosedFullstop"))
        return n >= 1 && n <= 20 ? QString(QChar(char16_t(0x2488 + n - 1))) : QString::number(n) + '.';
    if (f == QLatin1String("decimalEnclosedParen"))
        return n >= 1 && n <= 20 ? QString(QChar(char16_t(0x2474 + n - 1))) : '(' + QString::number(n) + ')';
    if (f == QLatin1String("decimalFullWidth") || f == QLatin1String("decimalFullWidth2"))
        return digitsIn(n, u'\uFF10');
    if (f == QLatin1String("chicago")) {
        static const char16_t marks[] = {u'*', u'\u2020', u'\u2021', u'\u00A7'};
        int k = (n - 1) % 4, count = (n - 1) / 4 + 1;
        return n <= 0 ? QString::number(n) : QString(std::min(count, 50), QChar(marks[k]));
    }
    if (f == QLatin1String("chineseCounting") || f == QLatin1String("chineseCountingThousand") ||
        f == QLatin1String("japaneseCounting") || f == QLatin1String("ideographTraditional"))
        return chineseCounting(n);
    if (f == QLatin1String("numberInDash"))
        return QStringLiteral("- ") + QString::number(n) + QStringLiteral(" -");
    if (f == QLatin1String("hex"))
        return QString::number(n, 16).toUpper();
    return QString::number(n);
}

QString TListCounter::Next(int numId, int level)
{
    level = std::clamp(level, 0, 8);
    int abstractId = m_numbering.AbstractOf(numId, m_styles);
    if (abstractId < 0)
        return QString();
    const TNumLevel *lvl = m_numbering.Level(numId, level, m_styles);
    if (!lvl)
        return QString();
    State &st = m_states[abstractId];

    // A list instance that overrides a start value restarts that level at its first use.
    auto num = m_numbering.Nums.find(numId);
    if (num != m_numbering.Nums.end()) {
        const TNumOverride &o = num->second.Overrides[size_t(level)];
        if (o.Start || (o.Level && o.Level->Defined)) {
            bool &applied = m_overrideApplied[{numId, level}];
            if (!applied) {
                applied = true;
                st.Used[size_t(level)] = false;
            }
        }
    }

    if (!st.Used[size_t(level)]) {
        st.Counters[size_t(level)] = lvl->Start;
        st.Used[size_t(level)] = true;
    } else {
        st.Counters[size_t(level)]++;
    }
    // Deeper levels restart after this one unless their definition says otherwise.
    for (int d = level + 1; d < 9; ++d) {
        const TNumLevel *dl = m_numbering.Level(numId, d, m_styles);
        int restart = dl ? dl->Restart : -1;
        if (restart == 0)
            continue;
        if (restart < 0 || level <= restart - 1)
            st.Used[size_t(d)] = false;
    }

    if (lvl->Format == QLatin1String("bullet"))
        return lvl->Text;
    QString out;
    const QString &t = lvl->Text;
    for (int i = 0; i < t.size(); ++i) {
        if (t[i] == '%' && i + 1 < t.size() && t[i + 1] >= '1' && t[i + 1] <= '9') {
            int l = t[i + 1].unicode() - '1';
            ++i;
            const TNumLevel *ll = m_numbering.Level(numId, l, m_styles);
            int value = st.Used[size_t(l)] ? st.Counters[size_t(l)] : (ll ? ll->Start : 1);
            QString fmt = ll ? ll->Format : QStringLiteral("decimal");
            if (lvl->Legal && l != level)
                fmt = QStringLiteral("decimal");
            if (lvl->Legal && l == level && fmt != QLatin1String("decimalZero"))
                fmt = QStringLiteral("decimal");
            out += FormatListNumber(value, fmt);
        } else {
            out += t[i];
        }
    }
    return out;
}

} // namespace tavrel::engine
