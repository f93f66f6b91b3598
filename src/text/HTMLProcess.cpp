#include "text/HTMLProcess.h"

#include "text/Ascii.h"

#include <QHash>
#include <QStringView>
#include <initializer_list>
#include <iterator>

namespace tavrel {

namespace {

// Tag names and attributes are ASCII; other letters are left alone so that no locale rule can
// make a foreign word equal to a tag name.
inline char16_t asciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

QString asciiUpperCase(const QString &s)
{
    QString r = s;
    char16_t *d = reinterpret_cast<char16_t *>(r.data());
    for (qsizetype i = 0, n = r.size(); i < n; ++i)
        d[i] = asciiUpper(d[i]);
    return r;
}

// Does text at position i hold the lower-case ASCII word w, in any letter case?
inline bool matchesAt(const char16_t *text, qsizetype n, qsizetype i, const char16_t *w, qsizetype wn)
{
    if (i < 0 || n - i < wn)
        return false;
    for (qsizetype k = 0; k < wn; ++k)
        if (AsciiLower(text[i + k]) != w[k])
            return false;
    return true;
}

TStringList makeTable(std::initializer_list<const char *> names)
{
    TStringList l;
    l.SetCaseSensitive(true);
    l.SetSorted(true);
    for (const char *n : names)
        l.Add(QString::fromLatin1(n));
    return l;
}

bool inTable(const TStringList &table, const QString &name)
{
    int index = 0;
    return table.Find(asciiUpperCase(name), index);
}

struct EntityRow
{
    const char *name;
    int code;
};

// The HTML 4 named references with the system's own differences: "euro" and "uml" are absent,
// some upper-case and legacy names are added, and nbsp, and, or, sum and asymp carry the values
// that pages made by the system have always been decoded with.
const EntityRow kEntities[] = {
    // Latin-1
    {"nbsp", 32}, {"iexcl", 161}, {"cent", 162}, {"pound", 163}, {"curren", 164}, {"yen", 165},
    {"brvbar", 166}, {"sect", 167}, {"copy", 169}, {"ordf", 170}, {"laquo", 171}, {"not", 172},
    {"shy", 173}, {"reg", 174}, {"macr", 175}, {"deg", 176}, {"plusmn", 177}, {"sup2", 178},
    {"sup3", 179}, {"acute", 180}, {"micro", 181}, {"para", 182}, {"middot", 183}, {"cedil", 184},
    {"sup1", 185}, {"ordm", 186}, {"raquo", 187}, {"frac14", 188}, {"frac12", 189},
    {"frac34", 190}, {"iquest", 191}, {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194},
    {"Atilde", 195}, {"Auml", 196}, {"Aring", 197}, {"AElig", 198}, {"Ccedil", 199},
    {"Egrave", 200}, {"Eacute", 201}, {"Ecirc", 202}, {"Euml", 203}, {"Igrave", 204},
    {"Iacute", 205}, {"Icirc", 206}, {"Iuml", 207}, {"ETH", 208}, {"Ntilde", 209},
    {"Ograve", 210}, {"Oacute", 211}, {"Ocirc", 212}, {"Otilde", 213}, {"Ouml", 214},
    {"times", 215}, {"Oslash", 216}, {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219},
    {"Uuml", 220}, {"Yacute", 221}, {"THORN", 222}, {"szlig", 223}, {"agrave", 224},
    {"aacute", 225}, {"acirc", 226}, {"atilde", 227}, {"auml", 228}, {"aring", 229},
    {"aelig", 230}, {"ccedil", 231}, {"egrave", 232}, {"eacute", 233}, {"ecirc", 234},
    {"euml", 235}, {"igrave", 236}, {"iacute", 237}, {"icirc", 238}, {"iuml", 239}, {"eth", 240},
    {"ntilde", 241}, {"ograve", 242}, {"oacute", 243}, {"ocirc", 244}, {"otilde", 245},
    {"ouml", 246}, {"divide", 247}, {"oslash", 248}, {"ugrave", 249}, {"uacute", 250},
    {"ucirc", 251}, {"uuml", 252}, {"yacute", 253}, {"thorn", 254}, {"yuml", 255},
    // Symbols and Greek letters
    {"fnof", 402}, {"Alpha", 913}, {"Beta", 914}, {"Gamma", 915}, {"Delta", 916},
    {"Epsilon", 917}, {"Zeta", 918}, {"Eta", 919}, {"Theta", 920}, {"Iota", 921}, {"Kappa", 922},
    {"Lambda", 923}, {"Mu", 924}, {"Nu", 925}, {"Xi", 926}, {"Omicron", 927}, {"Pi", 928},
    {"Rho", 929}, {"Sigma", 931}, {"Tau", 932}, {"Upsilon", 933}, {"Phi", 934}, {"Chi", 935},
    {"Psi", 936}, {"Omega", 937}, {"alpha", 945}, {"beta", 946}, {"gamma", 947}, {"delta", 948},
    {"epsilon", 949}, {"zeta", 950}, {"eta", 951}, {"theta", 952}, {"iota", 953}, {"kappa", 954},
    {"lambda", 955}, {"mu", 956}, {"nu", 957}, {"xi", 958}, {"omicron", 959}, {"pi", 960},
    {"rho", 961}, {"sigmaf", 962}, {"sigma", 963}, {"tau", 964}, {"upsilon", 965}, {"phi", 966},
    {"chi", 967}, {"psi", 968}, {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982},
    {"bull", 8226}, {"hellip", 8230}, {"prime", 8242}, {"Prime", 8243}, {"oline", 8254},
    {"frasl", 8260}, {"weierp", 8472}, {"image", 8465}, {"real", 8476}, {"trade", 8482},
    {"alefsym", 8501}, {"larr", 8592}, {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595},
    {"harr", 8596}, {"crarr", 8629}, {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658},
    {"dArr", 8659}, {"hArr", 8660}, {"forall", 8704}, {"part", 8706}, {"exist", 8707},
    {"empty", 8709}, {"nabla", 8711}, {"isin", 8712}, {"notin", 8713}, {"ni", 8715},
    {"prod", 8719}, {"sum", 8722}, {"minus", 8722}, {"lowast", 8727}, {"radic", 8730},
    {"prop", 8733}, {"infin", 8734}, {"ang", 8736}, {"and", 8869}, {"or", 8870}, {"cap", 8745},
    {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773},
    {"asymp", 8773}, {"ne", 8800}, {"equiv", 8801}, {"le", 8804}, {"ge", 8805}, {"sub", 8834},
    {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839}, {"oplus", 8853},
    {"otimes", 8855}, {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968}, {"rceil", 8969},
    {"lfloor", 8970}, {"rfloor", 8971}, {"lang", 9001}, {"rang", 9002}, {"loz", 9674},
    {"spades", 9824}, {"clubs", 9827}, {"hearts", 9829}, {"diams", 9830},
    // Markup-significant and internationalisation characters
    {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}, {"OElig", 338}, {"oelig", 339},
    {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376}, {"circ", 710}, {"tilde", 732},
    {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204}, {"zwj", 8205},
    {"lrm", 8206}, {"rlm", 8207}, {"ndash", 8211}, {"mdash", 8212}, {"lsquo", 8216},
    {"rsquo", 8217}, {"sbquo", 8218}, {"ldquo", 8220}, {"rdquo", 8221}, {"bdquo", 8222},
    {"dagger", 8224}, {"Dagger", 8225}, {"permil", 8240}, {"lsaquo", 8249}, {"rsaquo", 8250},
    // Upper-case spellings found in older pages
    {"AMP", 38}, {"COPY", 169}, {"GT", 62}, {"LT", 60}, {"NBSP", 32}, {"QUOT", 34}, {"REG", 174},
    // Legacy names
    {"brkbar", 166}, {"die", 168}, {"hibar", 175}, {"um", 168},
};

struct EntityTables
{
    TStringList rows;
    QHash<QString, int> codes;

    EntityTables()
    {
        rows.SetCaseSensitive(true);
        rows.SetSorted(true);
        rows.SetNameValueSeparator(QLatin1Char(':'));
        codes.reserve(int(std::size(kEntities)));
        for (const EntityRow &e : kEntities) {
            const QString name = QString::fromLatin1(e.name);
            rows.Add(name + QLatin1Char(':') + QString::number(e.code));
            codes.insert(name, e.code);
        }
    }
};

const EntityTables &entityTables()
{
    static const EntityTables tables;
    return tables;
}

} // namespace

bool IsWhiteSpaceChar(QChar c)
{
    const char16_t u = c.unicode();
    return u == 9 || u == 10 || u == 13 || u == 32;
}

const TStringList &BlockTags()
{
    static const TStringList t = makeTable(
        {"ADDRESS", "BLOCKQUOTE", "CENTER", "DIR", "DIV", "DL", "FIELDSET", "FORM", "H1", "H2",
         "H3", "H4", "H5", "H6", "HR", "ISINDEX", "MENU", "NOFRAMES", "NOSCRIPT", "OL", "P", "PRE",
         "TABLE", "UL", "DD", "DT", "FRAMESET", "LI", "TBODY", "TD", "TFOOT", "TH", "THEAD", "TR",
         "BR"});
    return t;
}

const TStringList &NonDocTags()
{
    static const TStringList t = makeTable(
        {"COMMENT", "EMBED", "FRAMESET", "HEAD", "IFRAME", "LABEL", "LEGEND", "MAP", "NOFRAMES",
         "NOSCRIPT", "OBJECT", "SCRIPT", "SELECT", "STYLE", "TEXTAREA", "TITLE"});
    return t;
}

const TStringList &EmptyTags()
{
    static const TStringList t = makeTable(
        {"APPLET", "AREA", "BASE", "BASEFONT", "BGSOUND", "BR", "BUTTON", "COL", "COLGROUP",
         "FRAME", "HR", "IMG", "INPUT", "ISINDEX", "LI", "LINK", "META", "OPTION", "PARAM", "WBR"});
    return t;
}

const TStringList &UrlAttributes()
{
    static const TStringList t = makeTable({"HREF", "SRC", "BACKGROUND"});
    return t;
}

const TStringList &HtmlExtensions()
{
    static const TStringList t = makeTable({".HTML", ".HTM", ".SHTML", ".SHT"});
    return t;
}

bool IsBlockTag(const QString &name) { return inTable(BlockTags(), name); }
bool IsNonDocTag(const QString &name) { return inTable(NonDocTags(), name); }
bool IsEmptyTag(const QString &name) { return inTable(EmptyTags(), name); }
bool IsUrlAttribute(const QString &name) { return inTable(UrlAttributes(), name); }

bool IsScriptUrl(const QString &address)
{
    QString scheme;
    for (QChar c : address) {
        const char16_t u = c.unicode();
        if (u == ':')
            break;
        // Browsers drop leading C0 controls and blanks, and tabs and line breaks anywhere.
        if (u <= 0x20)
            continue;
        if (!(c.isLetterOrNumber() || u == '+' || u == '-' || u == '.') || u > 0x7F || scheme.size() > 16)
            return false;
        scheme += QChar(AsciiLower(u));
    }
    if (!address.contains(QLatin1Char(':')))
        return false;
    return scheme == QLatin1String("javascript") || scheme == QLatin1String("vbscript") || scheme == QLatin1String("data");
}
bool IsHtmlExtension(const QString &extension) { return inTable(HtmlExtensions(), extension); }

const TStringList &HtmlEntities()
{
    return entityTables().rows;
}

int HtmlEntityCode(const QString &name)
{
    return entityTables().codes.value(name, -1);
}

QString CollapseWhiteSpace(const QString &s)
{
    const qsizetype n = s.size();
    const char16_t *src = reinterpret_cast<const char16_t *>(s.constData());
    QString r(n, Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(r.data());
    qsizetype len = 0;
    bool sawSpace = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c == 9 || c == 10 || c == 13 || c == 32) {
            sawSpace = true;
            continue;
        }
        if (sawSpace && len > 0)
            dst[len++] = u' ';
        sawSpace = false;
        dst[len++] = c;
    }
    r.truncate(len);
    if (len < n / 2)
        r.squeeze();
    return r;
}

QString TrimWhiteSpace(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsWhiteSpaceChar(s[b]))
        ++b;
    while (e > b && IsWhiteSpaceChar(s[e - 1]))
        --e;
    if (b == 0 && e == s.size())
        return s;
    return s.mid(b, e - b);
}

void SplitHtmlBody(const QString &page, QString &head, QString &body, QString &tail)
{
    const qsizetype n = page.size();
    const char16_t *p = reinterpret_cast<const char16_t *>(page.constData());

    // Forward: find the ">" that ends the body start tag. Only whether a tag name equals "body"
    // matters, so a name is tracked by its length up to five characters.
    qsizetype bodyStart = -1; // index of the first body character
    {
        bool collecting = false, found = false;
        qsizetype nameStart = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = p[i];
            if (!found) {
                if (c == u'<') {
                    collecting = true;
                    nameStart = i + 1;
                } else if (collecting && (c == u' ' || c == u'>' || c == u'\r' || c == u'\n' || c == u'\t')) {
                    collecting = false;
                    found = i - nameStart == 4 && matchesAt(p, n, nameStart, u"body", 4);
                }
            }
            if (found && c == u'>') {
                bodyStart = i + 1;
                break;
            }
        }
    }

    // Backward: a candidate word grows from the last "y" towards the start, skipping "<"; a "<"
    // met while the candidate is "/body" starts the end tag. A candidate longer than five
    // characters can no longer match, so only its length and start are kept.
    qsizetype bodyEnd = -1; // index of the "<" of the end tag
    {
        bool collecting = false;
        qsizetype candLen = 0;
        char16_t cand[5] = {};
        for (qsizetype i = n - 1; i >= 0; --i) {
            const char16_t c = p[i];
            if (c == u'y' || c == u'Y') {
                collecting = true;
                candLen = 1;
                cand[4] = u'y';
            } else if (collecting && c == u'<') {
                if (candLen == 5 && cand[0] == u'/' && cand[1] == u'b' && cand[2] == u'o' && cand[3] == u'd') {
                    bodyEnd = i;
                    break;
                }
            } else if (collecting) {
                if (candLen < 5)
                    cand[4 - candLen] = AsciiLower(c);
                ++candLen;
            }
        }
    }

    head = bodyStart < 0 ? page : page.left(bodyStart);
    if (bodyEnd < 0) {
        tail = page;
        body.clear();
        return;
    }
    tail = page.mid(bodyEnd);
    // Without a start tag the body begins after the page, so it is empty.
    const qsizetype from = bodyStart < 0 ? n : bodyStart;
    body = bodyEnd > from ? page.mid(from, bodyEnd - from) : QString();
}

QString RemoveScripts(const QString &s)
{
    // Both tag openings are lower-cased wherever they stand, also in the text that is kept, so
    // that the search below can be exact.
    QString work = s;
    {
        char16_t *d = reinterpret_cast<char16_t *>(work.data());
        const qsizetype n = work.size();
        for (qsizetype i = 0; i < n; ++i) {
            if (d[i] != u'<')
                continue;
            qsizetype len = 0;
            if (matchesAt(d, n, i + 1, u"script", 6))
                len = 7;
            else if (matchesAt(d, n, i + 1, u"/script", 7))
                len = 8;
            for (qsizetype k = 1; k < len; ++k)
                d[i + k] = AsciiLower(d[i + k]);
            if (len)
                i += len - 1;
        }
    }

    const QStringView text(work);
    const QStringView open = u"<script";
    const QStringView close = u"</script>";
    QString r;
    r.reserve(work.size());
    qsizetype pos = 0;
    for (;;) {
        const qsizetype start = text.indexOf(open, pos);
        if (start < 0) {
            r.append(text.mid(pos));
            break;
        }
        r.append(text.mid(pos, start - pos));
        const qsizetype end = text.indexOf(close, start + open.size());
        if (end < 0)
            break; // an unterminated script swallows the rest
        pos = end + close.size();
    }
    r.squeeze();
    return r;
}

void THtmlTags::SetCount(int count)
{
    if (count < 0)
        count = 0;
    while (Count() > count)
        m_items.pop_back();
}

THtmlTag *THtmlTags::Add(std::unique_ptr<THtmlTag> tag)
{
    if (!tag)
        return nullptr;
    m_items.push_back(std::move(tag));
    return m_items.back().get();
}

void THtmlTags::Delete(int i)
{
    if (i < 0 || i >= Count())
        return;
    m_items.erase(m_items.begin() + i);
}

} // namespace tavrel
