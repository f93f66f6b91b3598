#include "text/LanguageProcess.h"

#include "text/Exceptions.h"
#include "text/LanguageTables.h"

#include <QHash>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace tavrel {

using namespace langtables;

// --- Languages ---------------------------------------------------------------------------------

TLanguages::TLanguages()
{
    for (const char *line : LanguageLines()) {
        const QStringList parts = QString::fromUtf8(line).split(QLatin1Char(';'));
        auto language = std::make_unique<TLanguage>();
        language->Id = parts.value(0).trimmed();
        language->Name = parts.value(1).trimmed();
        language->CodePage = parts.value(2).trimmed().toInt();
        m_languages.push_back(std::move(language));
    }
}

int TLanguages::GetCount() const { return static_cast<int>(m_languages.size()); }

const TLanguage &TLanguages::GetItem(int i) const
{
    if (i < 0 || i >= GetCount())
        throw Exception(QStringLiteral("Language index out of bounds (%1)").arg(i));
    return *m_languages[i];
}

int TLanguages::GetIndexById(const QString &id) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_languages[i]->Id.compare(id, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TLanguages::GetCodepageById(const QString &id) const
{
    const int i = GetIndexById(id);
    return i < 0 ? 0 : m_languages[i]->CodePage;
}

int TLanguages::GetIndexByLangId(int langId) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_languages[i]->Id.mid(2).toInt(nullptr, 16) == langId)
            return i;
    return -1;
}

const TLanguages &Languages()
{
    static const TLanguages languages;
    return languages;
}

// --- Charsets ----------------------------------------------------------------------------------

namespace {

struct CharsetIndex
{
    TStringList table;
    QHash<QString, int> codePageByName; // case-folded name -> code page of its first line
};

const CharsetIndex &charsets()
{
    static const CharsetIndex index = [] {
        CharsetIndex c;
        for (const char *line : CharsetLines()) {
            const QString text = QString::fromUtf8(line);
            c.table.Add(text);
            const qsizetype bar = text.lastIndexOf(QLatin1Char('|'));
            const QString key = text.left(bar).toCaseFolded();
            if (!c.codePageByName.contains(key))
                c.codePageByName.insert(key, text.mid(bar + 1).toInt());
        }
        return c;
    }();
    return index;
}

const CodePageRow *codePageRow(int codePage)
{
    for (const CodePageRow &row : CodePageRows())
        if (row.codePage == codePage)
            return &row;
    return nullptr;
}

} // namespace

const TStringList &CharsetTable() { return charsets().table; }

int GetCodepageByCharset(const QString &charset)
{
    return charsets().codePageByName.value(charset.trimmed().toCaseFolded(), 0);
}

QString GetCharsetByCodepage(int codePage)
{
    const CodePageRow *row = codePageRow(codePage);
    return row ? QString::fromLatin1(row->charset) : QString();
}

QString GetFontCharsetByCodepage(int codePage)
{
    const CodePageRow *row = codePageRow(codePage);
    return QString::number(row ? row->fontCharset : 0);
}

// --- Transliteration ---------------------------------------------------------------------------

namespace {

// Keys are single UTF-16 units below this bound, so a flat array gives the value of a unit.
constexpr char16_t kTranslitLimit = 0x1F00;

struct Transliteration
{
    TStringList table;
    std::vector<QString> values = std::vector<QString>(kTranslitLimit); // null: no entry
};

bool inRanges(char16_t c, std::span<const KeyRange> ranges)
{
    for (const KeyRange &r : ranges)
        if (c >= r.from && c <= r.to)
            return true;
    return false;
}

QString plainValue(char16_t c)
{
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return QString(QChar(c));
    if (c == u' ' || c == u'-' || c == u'_')
        return QStringLiteral(" ");
    if (inRanges(c, TransliterationSelfRanges()))
        return QString(QChar(c));
    // The base letter: the first character of the full canonical decomposition.
    return QString(QChar(c)).normalized(QString::NormalizationForm_D).left(1);
}

const Transliteration &transliteration()
{
    static const Transliteration t = [] {
        Transliteration r;
        QHash<char16_t, QString> listed;
        for (auto rows : {LatinExceptions(), GreekValues(), CyrillicValues()})
            for (const TranslitRow &row : rows)
                listed.insert(row.key, QString::fromUtf16(row.value));
        for (const KeyRange &range : TransliterationKeyRanges()) {
            for (char32_t c = range.from; c <= range.to; ++c) {
                const char16_t key = static_cast<char16_t>(c);
                const auto it = listed.constFind(key);
                const QString value = it != listed.constEnd() ? *it : plainValue(key);
                r.values[key] = value;
                r.table.Add(QString(QChar(key)) + QLatin1Char(':') + value);
            }
        }
        r.table.SetCaseSensitive(true);
        r.table.SetDuplicates(TDuplicates::dupError);
        r.table.SetSorted(true);
        return r;
    }();
    return t;
}

} // namespace

const TStringList &TransliterationTable() { return transliteration().table; }

QString Transliterate(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    const Transliteration &t = transliteration();
    QString result;
    result.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < kTranslitLimit)
            result += t.values[c]; // a null value appends nothing
    }
    return result;
}

// --- The user's language -----------------------------------------------------------------------

int GetSystemDefaultLangID()
{
    constexpr int kDefault = 0x0409;
    QString locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(name);
        if (!locale.isEmpty())
            break;
    }
    // language[_territory][.codeset][@modifier]
    QString modifier;
    if (const qsizetype at = locale.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = locale.mid(at + 1).toLower();
        locale.truncate(at);
    }
    if (const qsizetype dot = locale.indexOf(QLatin1Char('.')); dot >= 0)
        locale.truncate(dot);
    if (locale.isEmpty() || locale == QLatin1String("C") || locale == QLatin1String("POSIX"))
        return kDefault;
    QString language = locale, territory;
    for (qsizetype sep = 0; sep < locale.size(); ++sep) {
        if (locale[sep] == QLatin1Char('_') || locale[sep] == QLatin1Char('-')) {
            language = locale.left(sep);
            territory = locale.mid(sep + 1).toUpper();
            break;
        }
    }
    language = language.toLower();

    static const QHash<QString, int> byLocale = [] {
        QHash<QString, int> h;
        for (const LocaleRow &row : LocaleRows())
            h.insert(QString::fromLatin1(row.locale), row.langId);
        return h;
    }();
    QStringList candidates;
    const QString full = territory.isEmpty() ? language : language + QLatin1Char('_') + territory;
    if (!modifier.isEmpty())
        candidates << full + QLatin1Char('@') + modifier << language + QLatin1Char('@') + modifier;
    candidates << full << language;
    for (const QString &key : candidates)
        if (const auto it = byLocale.constFind(key); it != byLocale.constEnd())
            return *it;
    return kDefault;
}

int SystemCodePage()
{
    const int i = Languages().GetIndexByLangId(GetSystemDefaultLangID());
    const int codePage = i < 0 ? 0 : Languages().GetItem(i).CodePage;
    return codePage == 0 ? 1252 : codePage;
}

// --- Conversions -------------------------------------------------------------------------------

namespace {

const IconvRow *iconvRow(int codePage)
{
    for (const IconvRow &row : IconvRows())
        if (row.codePage == codePage)
            return &row;
    return nullptr;
}

const char *nativeUtf16()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw Exception(QStringLiteral("The conversion from %1 to %2 is not available.")
                                .arg(QLatin1String(from), QLatin1String(to)));
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    operator iconv_t() const { return m_cd; }
    void Reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

// The conversion that stands in for a code page. Code page 0 is the system code page; a page
// without a conversion here is read and written in the system code page, with a warning.
const IconvRow &resolve(int codePage, TWarnings *warnings, const char *verb)
{
    if (codePage == 0)
        codePage = SystemCodePage();
    if (const IconvRow *row = iconvRow(codePage))
        return *row;
    const int system = SystemCodePage();
    if (warnings)
        warnings->Add(QStringLiteral("Code page %1 has no conversion here; the text is %2 in the "
                                     "system code page %3.")
                          .arg(codePage)
                          .arg(QLatin1String(verb))
                          .arg(system));
    const IconvRow *row = iconvRow(system);
    return row ? *row : *iconvRow(1252);
}

QString decode(const IconvRow &row, const char *data, qsizetype size, TWarnings *warnings)
{
    if (size <= 0)
        return QString();
    Iconv cd(nativeUtf16(), row.iconvName);
    QString out;
    out.resize(size + 16);
    qsizetype used = 0; // UTF-16 units written
    // Runs the conversion, growing the output as needed; returns 0 or the errno that stopped it.
    auto run = [&](char **in, size_t *inLeft) -> int {
        for (;;) {
            char *base = reinterpret_cast<char *>(out.data());
            char *outPtr = base + used * 2;
            size_t outLeft = static_cast<size_t>(out.size() - used) * 2;
            const size_t rc = iconv(cd, in, inLeft, &outPtr, &outLeft);
            const int err = rc == static_cast<size_t>(-1) ? errno : 0;
            used = (outPtr - base) / 2;
            if (err != E2BIG)
                return err;
            out.resize(out.size() * 2);
        }
    };
    char *in = const_cast<char *>(data);
    size_t inLeft = static_cast<size_t>(size);
    int invalid = 0;
    for (;;) {
        const int err = run(&in, &inLeft);
        if (err == 0)
            break;
        if (err != EILSEQ && err != EINVAL)
            throw Exception(QStringLiteral("Decoding code page %1 failed.").arg(row.codePage));
        if (row.combining)
            run(nullptr, nullptr);
        if (used >= out.size())
            out.resize(out.size() * 2);
        out[used++] = QChar(QChar::ReplacementCharacter);
        ++invalid;
        if (err == EINVAL) // an incomplete sequence at the end
            break;
        ++in;
        --inLeft;
    }
    run(nullptr, nullptr);
    out.truncate(used);
    if (invalid && warnings)
        warnings->Add(QStringLiteral("%1 invalid byte sequence(s) in code page %2 were replaced.")
                          .arg(invalid)
                          .arg(row.codePage));
    return out;
}

struct Encoded
{
    QByteArray bytes;
    int unmappable = 0;
};

using Substitute = std::function<QString(char32_t)>;

// Encodes text; a character the code page cannot hold is written as substitute's text (or "?"),
// converted through the same state so that shift sequences stay right. With cap >= 0 the
// characters stop before the first one that does not fit in cap - reserve bytes, and the
// closing shift sequence must fit in what is left of cap; false when it does not.
bool encode(Iconv &cd, const QString &text, qsizetype cap, qsizetype reserve, const Substitute *substitute,
            Encoded &r)
{
    const bool capped = cap >= 0;
    r = Encoded();
    r.bytes.resize(capped ? cap : text.size() * 2 + 16);
    qsizetype limit = capped ? std::max<qsizetype>(cap - reserve, 0) : r.bytes.size();
    qsizetype used = 0;
    auto run = [&](char **in, size_t *inLeft) -> int {
        for (;;) {
            if (!capped)
                limit = r.bytes.size();
            char *base = r.bytes.data();
            char *outPtr = base + used;
            size_t outLeft = static_cast<size_t>(limit - used);
            const size_t rc = iconv(cd, in, inLeft, &outPtr, &outLeft);
            const int err = rc == static_cast<size_t>(-1) ? errno : 0;
            used = outPtr - base;
            if (err != E2BIG || capped)
                return err;
            r.bytes.resize(r.bytes.size() * 2 + 16);
        }
    };
    // Writes a short replacement text; what the code page cannot hold of it becomes "?".
    auto writeReplacement = [&](const QString &replacement) -> int {
        char *in = reinterpret_cast<char *>(const_cast<ushort *>(replacement.utf16()));
        size_t inLeft = static_cast<size_t>(replacement.size()) * 2;
        static const char16_t question = u'?';
        for (;;) {
            const int err = run(&in, &inLeft);
            if (err != EILSEQ && err != EINVAL)
                return err;
            char *q = reinterpret_cast<char *>(const_cast<char16_t *>(&question));
            size_t qLeft = 2;
            if (const int e = run(&q, &qLeft))
                return e;
            if (err == EINVAL || inLeft <= 2)
                return 0;
            in += 2;
            inLeft -= 2;
        }
    };

    // iconv finds out how much input preceded an unmappable character by converting the piece it
    // was given again up to there, so a text full of them would cost the square of the piece:
    // after a failure the pieces start small and grow again while conversion succeeds.
    constexpr size_t kMinPiece = 32, kMaxPiece = 1 << 16; // bytes
    size_t piece = kMaxPiece;
    char *in = reinterpret_cast<char *>(const_cast<ushort *>(text.utf16()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    while (inLeft > 0) {
        size_t take = std::min(inLeft, piece);
        // Never split a surrogate pair between two pieces.
        if (take < inLeft && QChar::isHighSurrogate(reinterpret_cast<const char16_t *>(in)[take / 2 - 1]))
            take -= 2;
        size_t pieceLeft = take;
        const int err = run(&in, &pieceLeft);
        inLeft -= take - pieceLeft;
        if (err == E2BIG)
            break;
        if (err == 0) {
            piece = std::min(piece * 2, kMaxPiece);
            continue;
        }
        if (err != EILSEQ && err != EINVAL)
            throw Exception(QStringLiteral("Encoding failed (error %1).").arg(err));
        piece = kMinPiece;
        // The character the code page cannot hold, or a lone surrogate.
        const char16_t *unit = reinterpret_cast<const char16_t *>(in);
        size_t units = 1;
        char32_t codePoint = unit[0];
        if (inLeft >= 4 && QChar::isHighSurrogate(unit[0]) && QChar::isLowSurrogate(unit[1])) {
            units = 2;
            codePoint = QChar::surrogateToUcs4(unit[0], unit[1]);
        }
        const QString replacement = substitute ? (*substitute)(codePoint) : QStringLiteral("?");
        if (writeReplacement(replacement) == E2BIG)
            break;
        ++r.unmappable;
        in += units * 2;
        inLeft -= units * 2;
    }
    // Back to the initial shift state (ISO-2022, UTF-7).
    if (capped)
        limit = cap;
    if (run(nullptr, nullptr) != 0)
        return false;
    r.bytes.truncate(used);
    return true;
}

Encoded encodeWhole(const QString &text, const IconvRow &row, const Substitute *substitute)
{
    Encoded r;
    if (text.isEmpty())
        return r;
    Iconv cd(row.iconvName, nativeUtf16());
    encode(cd, text, -1, 0, substitute, r);
    return r;
}

void warnUnmappable(const Encoded &r, int codePage, TWarnings *warnings)
{
    if (r.unmappable && warnings)
        warnings->Add(QStringLiteral("%1 character(s) that code page %2 cannot hold were written as \"?\".")
                          .arg(r.unmappable)
                          .arg(codePage));
}

} // namespace

QByteArray IconvNameOfCodePage(int codePage)
{
    const IconvRow *row = iconvRow(codePage);
    return row ? QByteArray(row->iconvName) : QByteArray();
}

bool IsPseudoCodePage(int codePage)
{
    for (int p : PseudoCodePages())
        if (p == codePage)
            return true;
    return false;
}

QString DecodeCodePage(const QByteArray &bytes, int codePage, TWarnings *warnings)
{
    const IconvRow &row = resolve(codePage, warnings, "read");
    // Plain ASCII in UTF-8 reads as itself; most pages are, and opening a converter per page
    // costs more than reading it.
    if (row.codePage == 65001 && std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    return decode(row, bytes.constData(), bytes.size(), warnings);
}

QString MultiByteToUnicode(const QByteArray &bytes, int codePage, TWarnings *warnings)
{
    const qsizetype zero = bytes.indexOf('\0');
    const IconvRow &row = resolve(codePage, warnings, "read");
    return decode(row, bytes.constData(), zero < 0 ? bytes.size() : zero, warnings);
}

QByteArray EncodeCodePage(const QString &text, int codePage, TWarnings *warnings)
{
    const IconvRow &row = resolve(codePage, warnings, "written");
    Encoded r = encodeWhole(text, row, nullptr);
    warnUnmappable(r, row.codePage, warnings);
    return r.bytes;
}

QByteArray EncodeCodePageEscaped(const QString &text, int codePage, const std::function<QString(char32_t)> &substitute)
{
    const IconvRow &row = resolve(codePage, nullptr, "written");
    return encodeWhole(text, row, &substitute).bytes;
}

bool CodePageCanEncode(int codePage, const QString &text)
{
    const IconvRow &row = resolve(codePage, nullptr, "written");
    return encodeWhole(text, row, nullptr).unmappable == 0;
}

QByteArray UnicodeToMultiByte(const QString &text, int codePage)
{
    const IconvRow &row = resolve(codePage, nullptr, "written");
    if (text.isEmpty())
        return QByteArray();
    Iconv cd(row.iconvName, nativeUtf16());
    Encoded r;
    // A shift sequence that closes the text may not fit behind the last character that does:
    // then keep more room for it. Closing sequences are a few bytes long, so this ends soon.
    const qsizetype cap = text.size() * 2;
    for (qsizetype reserve = 0; reserve <= cap; ++reserve) {
        cd.Reset();
        if (encode(cd, text, cap, reserve, nullptr, r))
            return r.bytes;
    }
    return QByteArray();
}

bool IsValidUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length;
        char32_t cp, min;
        if ((c & 0xE0) == 0xC0) {
            length = 2, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

QString DecodeUnmarkedText(const QByteArray &bytes, TWarnings *warnings)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return DecodeCodePage(bytes, 0, warnings);
}

} // namespace tavrel
