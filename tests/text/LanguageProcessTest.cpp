// Languages, charsets, code-page conversions and the transliteration of titles.
#include "text/Exceptions.h"
#include "text/LanguageProcess.h"
#include "text/LanguageTables.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

using namespace tavrel;

namespace {

// Sets the locale variables for one test and puts the old values back afterwards.
class LocaleEnv
{
public:
    LocaleEnv(const char *lcAll, const char *lcMessages, const char *lang)
    {
        for (const char *name : kNames)
            m_saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name))
                                                              : std::nullopt);
        set("LC_ALL", lcAll);
        set("LC_MESSAGES", lcMessages);
        set("LANG", lang);
    }
    ~LocaleEnv()
    {
        for (size_t i = 0; i < std::size(kNames); ++i)
            if (m_saved[i])
                qputenv(kNames[i], *m_saved[i]);
            else
                qunsetenv(kNames[i]);
    }

private:
    static void set(const char *name, const char *value)
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    static constexpr const char *kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<QByteArray>> m_saved;
};

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

// "key value, key value, ..." as listed for the transliteration.
QMap<QString, QString> pairs(const char *list)
{
    QMap<QString, QString> out;
    for (const QString &p : u(list).split(QStringLiteral(", "))) {
        const qsizetype blank = p.indexOf(QLatin1Char(' '));
        out.insert(p.left(blank), p.mid(blank + 1));
    }
    return out;
}

QString transliterationOf(const QString &key)
{
    const TStringList &t = TransliterationTable();
    for (int i = 0; i < t.Count(); ++i)
        if (t[i].left(1) == key)
            return t[i].mid(2);
    return QStringLiteral("<none>");
}

} // namespace

TEST(Languages, TableRowsAndLookups)
{
    const TLanguages &l = Languages();
    ASSERT_EQ(l.GetCount(), 122);
    EXPECT_EQ(l.GetItem(0).Id, "0x0436");
    EXPECT_EQ(l.GetItem(0).Name, "Afrikaans");
    EXPECT_EQ(l.GetItem(0).CodePage, 1252);
    EXPECT_EQ(l.GetItem(121).Name, "Zulu");
    EXPECT_EQ(l.GetItem(23).Name, "Chinese");
    EXPECT_EQ(l.GetItem(23).CodePage, 936);
    EXPECT_EQ(l.GetItem(72).Name, "Maltese");
    EXPECT_EQ(l.GetItem(72).CodePage, 1254);
    EXPECT_EQ(l.GetCodepageById("0x081A"), 1252); // Serbian (Latin), as the table has it
    EXPECT_EQ(l.GetCodepageById("0X0409"), 1252);
    EXPECT_EQ(l.GetCodepageById("0x041e"), 874);
    EXPECT_EQ(l.GetCodepageById("0x0000"), 0);
    EXPECT_EQ(l.GetIndexById("0x0000"), -1);
    EXPECT_EQ(l.GetIndexById("0x0435"), 121);
    EXPECT_EQ(l.GetIndexByLangId(0x0C04), l.GetIndexById("0x0C04"));
    EXPECT_THROW(l.GetItem(122), Exception);

    QSet<QString> ids;
    const QRegularExpression form(QStringLiteral("^0x[0-9A-F]{4}$"));
    for (int i = 0; i < l.GetCount(); ++i) {
        EXPECT_TRUE(form.match(l.GetItem(i).Id).hasMatch()) << l.GetItem(i).Id.toStdString();
        EXPECT_FALSE(l.GetItem(i).Name.isEmpty());
        EXPECT_FALSE(GetCharsetByCodepage(l.GetItem(i).CodePage).isEmpty()) << i;
        ids.insert(l.GetItem(i).Id);
    }
    EXPECT_EQ(ids.size(), 122);
}

TEST(Charsets, TableAndCodePageRows)
{
    const TStringList &t = CharsetTable();
    ASSERT_EQ(t.Count(), 150);
    EXPECT_EQ(t[0], "ANSI_X3.4-1968|1252");
    EXPECT_EQ(t[67], "iso-8859-8-i|38598");
    EXPECT_EQ(t[149], "_iso-2022-jp$SIO|50222");

    EXPECT_EQ(GetCodepageByCharset(" UTF-8 "), 65001);
    EXPECT_EQ(GetCodepageByCharset("x-none"), 0);
    EXPECT_EQ(GetCodepageByCharset(""), 0);
    EXPECT_EQ(GetCodepageByCharset("iso-8859-1"), 28591);
    EXPECT_EQ(GetCodepageByCharset("latin1"), 1252);
    EXPECT_EQ(GetCodepageByCharset("L1"), 1252);
    EXPECT_EQ(GetCodepageByCharset("ascii"), 1252);
    EXPECT_EQ(GetCodepageByCharset("ISO-8859-8 VISUAL"), 28598);
    EXPECT_EQ(GetCodepageByCharset("SHIFT_JIS"), 932);
    EXPECT_EQ(GetCodepageByCharset("windows-1254"), 1254);
    EXPECT_EQ(GetCodepageByCharset("koi8-ru"), 21866);

    EXPECT_EQ(GetCharsetByCodepage(1252), "iso-8859-1");
    EXPECT_EQ(GetCharsetByCodepage(874), "Windows-874");
    EXPECT_EQ(GetCharsetByCodepage(936), "gb2312");
    EXPECT_EQ(GetCharsetByCodepage(65001), "");
    EXPECT_EQ(GetFontCharsetByCodepage(65001), "0");
    EXPECT_EQ(GetFontCharsetByCodepage(1252), "0");
    EXPECT_EQ(GetFontCharsetByCodepage(1251), "204");
    EXPECT_EQ(GetFontCharsetByCodepage(1258), "163");
    EXPECT_EQ(GetFontCharsetByCodepage(950), "136");
}

TEST(Transliteration, TableHas560SortedUniqueKeysInTheListedRanges)
{
    const TStringList &t = TransliterationTable();
    ASSERT_EQ(t.Count(), 560);
    EXPECT_TRUE(t.Sorted());
    EXPECT_TRUE(t.CaseSensitive());
    QSet<char16_t> keys;
    for (int i = 0; i < t.Count(); ++i) {
        ASSERT_GE(t[i].size(), 3) << i;
        EXPECT_EQ(t[i][1], QLatin1Char(':'));
        if (i > 0) {
            EXPECT_LT(t[i - 1][0].unicode(), t[i][0].unicode());
        }
        keys.insert(t[i][0].unicode());
    }
    for (char16_t c : {0x00F7, 0x011E, 0x016B, 0x040D, 0x042A, 0x042C, 0x044A, 0x044C, 0x0450, 0x045D,
                       0x1ED8, 0x1ED9, 0x002E, 0x00BF, 0x0370})
        EXPECT_FALSE(keys.contains(c)) << std::hex << int(c);
    for (char16_t c : {0x0020, 0x002D, 0x005F, 0x00C0, 0x00F6, 0x00F8, 0x011D, 0x011F, 0x016A, 0x016C,
                       0x017F, 0x0259, 0x0386, 0x03CE, 0x0401, 0x04E9, 0x1E80, 0x1EF9})
        EXPECT_TRUE(keys.contains(c)) << std::hex << int(c);
}

TEST(Transliteration, EveryListedValueAndASampleOfPlainRows)
{
    const char *const kLatin =
        "Æ AE, Ð D, × X, Ø O, Þ Th, ß S, æ ae, ð th, ø o, þ th, Đ D, đ d, Ħ H, ħ h, ı i, Ĳ IJ, "
        "ĳ ij, ĸ K, Ŀ L, ŀ l, Ł L, ł l, ŉ n, Ŋ Eng, ŋ eng, Œ Oe, œ oe, Ŧ T, ŧ t, ŭ U, ů U, ſ s, "
        "Ə S, Ǽ Ae, ǽ ae, Ǿ O, ǿ o, ə S, Ụ O, ụ o, Ủ O, ủ o, Ứ O, ứ o, ƒ ƒ, Ẁ Ẁ, ẁ ẁ, Ẃ Ẃ, ẃ ẃ, "
        "Ẅ Ẅ, ẅ ẅ";
    const char *const kGreek =
        "Ά A, Έ E, Ή I, Ί I, Ό O, Ύ U, Ώ O, ΐ l, Α A, Β V, Γ G, Δ D, Ε E, Ζ Z, Η I, Θ Th, Ι I, "
        "Κ K, Λ L, Μ M, Ν N, Ξ Xi, Ο O, Π P, Ρ R, Σ S, Τ Τ, Υ U, Φ F, Χ H, Ψ Ps, Ω O, Ϊ I, Ϋ U, "
        "ά a, έ e, ή i, ί ί, ΰ u, α a, β v, γ g, δ d, ε e, ζ z, η i, θ th, ι i, κ k, λ l, μ m, "
        "ν n, ξ x, ο o, π p, ρ r, ς s, σ s, τ t, υ u, φ f, χ h, ψ ps, ω o, ϊ i, ϋ u, ό o, ύ u, "
        "ώ o";
    const char *const kCyrillic =
        "Ё io, Ђ D, Ѓ G, Є I, Ѕ D, І I, Ї Yi, Ј J, Љ Lj, Њ Nj, Ћ T, Ќ K, Ў U, Џ D, А A, Б B, "
        "В V, Г G, Д D, Е E, Ж Zh, З Z, И I, Й J, К K, Л L, М М, Н N, О O, П P, Р R, С S, Т T, "
        "У U, Ф F, Х H, Ц T, Ч C, Ш Sh, Щ Sch, Ы Y, Э E, Ю Yu, Я ya, а a, б b, в v, г g, д d, "
        "е e, ж zh, з z, и i, й j, к k, л l, м m, н n, о o, п p, р r, с s, т t, у u, ф f, х h, "
        "ц t, ч ch, ш sh, щ sch, ы y, э e, ю yu, я ya, ё e, ђ d, ѓ g, є i, ѕ d, і i, ї y, ј j, "
        "љ lj, њ nj, ћ t, ќ k, ў u, џ d, Ґ g, ґ g, Ғ g, ғ g, Җ Zh, җ zh, Қ K, қ k, Ҝ K, ҝ k, "
        "Ң N, ң n, Ү U, ү u, Ұ U, ұ u, Ҳ H, ҳ h, Ҹ Ch, ҹ ch, Һ Sh, һ sh, Ә S, ә s, Ө O, ө o";
    const auto greek = pairs(kGreek), cyrillic = pairs(kCyrillic);
    EXPECT_EQ(greek.size(), 69);
    EXPECT_EQ(cyrillic.size(), 114);
    for (const auto *list : {kLatin, kGreek, kCyrillic}) {
        const auto expected = pairs(list);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            EXPECT_EQ(transliterationOf(it.key()), it.value()) << it.key().toStdString();
    }
    // Tau and em stay Greek and Cyrillic letters, as listed.
    EXPECT_EQ(transliterationOf(u("Τ")), QString(QChar(0x03A4)));
    EXPECT_EQ(transliterationOf(u("М")), QString(QChar(0x041C)));

    const auto plain = pairs("A A, z z, 0 0, 9 9, À A, é e, ÿ y, Ā A, ā a, Ţ T, ţ t, Ž Z, ž z, Ơ O, "
                             "ư u, Ǎ A, ǜ u, Ǻ A, ǻ a, Ạ A, Ấ A, ặ a, Ổ O, Ừ U, ỹ y, Ỹ Y, Ĝ G, ŵ w");
    for (auto it = plain.begin(); it != plain.end(); ++it)
        EXPECT_EQ(transliterationOf(it.key()), it.value()) << it.key().toStdString();
    for (const char *k : {" ", "-", "_"})
        EXPECT_EQ(transliterationOf(u(k)), " ");

    // Everything below the Greek block that is not listed becomes ASCII letters.
    const TStringList &t = TransliterationTable();
    const auto latin = pairs(kLatin);
    for (int i = 0; i < t.Count(); ++i) {
        const QString key = t[i].left(1), value = t[i].mid(2);
        if (key[0].unicode() >= 0x0370 && key[0].unicode() < 0x1E00) {
            EXPECT_TRUE(greek.contains(key) || cyrillic.contains(key)) << key.toStdString();
        } else if (!latin.contains(key) && value != " ") {
            EXPECT_TRUE(value.size() == 1 && value[0].isLetterOrNumber() && value[0].unicode() < 0x80)
                << key.toStdString() << " -> " << value.toStdString();
        }
    }
}

TEST(Transliteration, TransliterateTitles)
{
    EXPECT_EQ(Transliterate(""), "");
    EXPECT_EQ(Transliterate("   "), "");
    EXPECT_EQ(Transliterate(u("中文")), "");
    EXPECT_EQ(Transliterate(u("ß")), "S");
    EXPECT_EQ(Transliterate(u("Ţ")), "T");
    EXPECT_EQ(Transliterate(u("Ärger-Über Öl")), "Arger Uber Ol");
    EXPECT_EQ(Transliterate(u("Привет")), "Privet");
    EXPECT_EQ(Transliterate(u("\t Ελλάδα \n")), "Ellada");
    // Inner blanks survive, punctuation, non-breaking spaces and surrogate halves do not.
    EXPECT_EQ(Transliterate(u(" a_b  c!\u00A0d😀 ")), "a b  cd");
    EXPECT_EQ(Transliterate(u("Việt Nam 2024")), "Viet Nam 2024");
}

TEST(SystemLanguage, LocaleVariablesGiveTheLanguageIdAndCodePage)
{
    {
        LocaleEnv env(nullptr, nullptr, "de_DE.UTF-8");
        EXPECT_EQ(GetSystemDefaultLangID(), 0x0407);
        EXPECT_EQ(SystemCodePage(), 1252);
    }
    {
        LocaleEnv env("ru_RU.UTF-8", "ja_JP.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(GetSystemDefaultLangID(), 0x0419);
        EXPECT_EQ(SystemCodePage(), 1251);
    }
    {
        LocaleEnv env("", "ja_JP.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(GetSystemDefaultLangID(), 0x0411);
        EXPECT_EQ(SystemCodePage(), 932);
    }
    struct Case
    {
        const char *lang;
        int id;
        int codePage;
    };
    for (const Case &c : {Case{"C", 0x0409, 1252}, Case{"POSIX", 0x0409, 1252}, Case{"C.UTF-8", 0x0409, 1252},
                          Case{"", 0x0409, 1252}, Case{"de_XX.UTF-8", 0x0407, 1252},
                          Case{"de_AT", 0x0C07, 1252}, Case{"zh_TW.Big5", 0x0404, 950},
                          Case{"zh_HK.UTF-8", 0x0C04, 950}, Case{"zh", 0x0804, 936},
                          Case{"sr_RS@latin", 0x081A, 1252}, Case{"sr_RS.UTF-8", 0x0C1A, 1251},
                          Case{"pl_PL.ISO-8859-2", 0x0415, 1250}, Case{"el_GR.UTF-8", 0x0408, 1253},
                          Case{"tr_TR.UTF-8", 0x041F, 1254}, Case{"he_IL.UTF-8", 0x040D, 1255},
                          Case{"ar_EG.UTF-8", 0x0C01, 1256}, Case{"lt_LT.UTF-8", 0x0427, 1257},
                          Case{"vi_VN", 0x042A, 1258}, Case{"th_TH.UTF-8", 0x041E, 874},
                          Case{"ko_KR.EUC-KR", 0x0412, 949}, Case{"es_MX.UTF-8", 0x080A, 1252},
                          Case{"xx_YY.UTF-8", 0x0409, 1252}}) {
        LocaleEnv env(nullptr, nullptr, c.lang);
        EXPECT_EQ(GetSystemDefaultLangID(), c.id) << c.lang;
        EXPECT_EQ(SystemCodePage(), c.codePage) << c.lang;
    }
    {
        LocaleEnv env(nullptr, nullptr, nullptr);
        EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
    }
}

TEST(SystemLanguage, LocaleTableCoversTheLanguageTable)
{
    QSet<int> reached;
    for (const auto &row : langtables::LocaleRows()) {
        EXPECT_GE(Languages().GetIndexByLangId(row.langId), 0) << row.locale;
        reached.insert(row.langId);
    }
    for (int i = 0; i < Languages().GetCount(); ++i) {
        const int id = Languages().GetItem(i).Id.mid(2).toInt(nullptr, 16);
        // The language-only rows stand for no locale of their own; Spain's locales give the
        // international sort.
        if (id > 0xFF && id != 0x040A) {
            EXPECT_TRUE(reached.contains(id)) << Languages().GetItem(i).Name.toStdString();
        }
    }
}

TEST(CodePages, EveryCodePageOfTheTablesHasAConversionOrIsPseudo)
{
    QSet<int> pages;
    for (int i = 0; i < Languages().GetCount(); ++i)
        pages.insert(Languages().GetItem(i).CodePage);
    for (int i = 0; i < CharsetTable().Count(); ++i)
        pages.insert(CharsetTable()[i].section(QLatin1Char('|'), -1).toInt());
    for (const auto &row : langtables::CodePageRows())
        pages.insert(row.codePage);
    const QSet<int> pseudo{50000, 50001, 50932, 50949, 52936, 720};
    for (int cp : pages) {
        EXPECT_EQ(IsPseudoCodePage(cp), pseudo.contains(cp)) << cp;
        const QByteArray name = IconvNameOfCodePage(cp);
        EXPECT_EQ(name.isEmpty(), pseudo.contains(cp)) << cp;
    }
    EXPECT_EQ(IconvNameOfCodePage(38598), "ISO-8859-8");
    EXPECT_EQ(IconvNameOfCodePage(65000), "UTF-7");
    // Every conversion of the table is one this system's iconv really has.
    for (const auto &row : langtables::IconvRows()) {
        iconv_t cd = iconv_open(row.iconvName, "UTF-16LE");
        EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << row.iconvName;
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
}

TEST(CodePages, RoundTripOfEveryRealCodePageOfTheCharsetTable)
{
    const QMap<int, const char *> samples{
        {1250, "Příliš žluťoučký kůň – „Łódź“"}, {1251, "Съешь же ещё этих булок № 5"},
        {1252, "Grüße, façade – “€ 5”"}, {1253, "Καλημέρα κόσμε"}, {1254, "Türkçe ğış İŞ"},
        {1255, "שלום עולם"}, {1256, "مرحبا بالعالم"}, {1257, "Ąčęėįšųūž"},
        {1258, "Tiếng Việt có dấu"}, {874, "ภาษาไทย"}, {932, "日本語のテキスト"},
        {936, "简体中文文本"}, {949, "한국어 텍스트"}, {950, "繁體中文文本"},
        {708, "مرحبا"}, {852, "Příliš žluťoučký kůň"}, {862, "שלום"}, {866, "Привет, мир"},
        {20866, "Привет, мир"}, {21866, "Привіт, ґанок, ў"}, {20932, "日本語のテキスト"},
        {51932, "日本語のテキスト"}, {28591, "Grüße façade ½"}, {28592, "Příliš žluťoučký"},
        {28593, "Ĝis revido, ĉu ħ"}, {28594, "Ķēķis ŗūņa"}, {28595, "Привет, мир"},
        {28596, "مرحبا"}, {28597, "Καλημέρα"}, {28598, "שלום"}, {38598, "שלום"},
        {50220, "日本語のテキスト"}, {50221, "日本語のﾃｷｽﾄ"}, {50222, "日本語のテキスト"},
        {50225, "한국어 텍스트"}, {65000, "Grüße, Привет, 日本 😀"}, {65001, "Grüße, Привет 😀"},
    };
    QSet<int> pages;
    for (int i = 0; i < CharsetTable().Count(); ++i)
        pages.insert(CharsetTable()[i].section(QLatin1Char('|'), -1).toInt());
    for (int cp : pages) {
        if (IsPseudoCodePage(cp))
            continue;
        ASSERT_TRUE(samples.contains(cp)) << "no sample text for code page " << cp;
        const QString text = u(samples.value(cp));
        TWarnings w;
        const QByteArray bytes = EncodeCodePage(text, cp, &w);
        EXPECT_TRUE(w.Empty()) << cp << ": " << w.Texts().join(';').toStdString();
        EXPECT_FALSE(bytes.contains('?')) << cp;
        EXPECT_EQ(DecodeCodePage(bytes, cp, &w), text) << cp;
        EXPECT_TRUE(w.Empty()) << cp;

        const QString shortText = QStringLiteral("Sample 12 ") + text.left(6);
        const QByteArray fixed = UnicodeToMultiByte(shortText, cp);
        EXPECT_LE(fixed.size(), shortText.size() * 2) << cp;
        EXPECT_EQ(MultiByteToUnicode(fixed, cp), shortText) << cp;
    }
}

TEST(CodePages, KnownBytesZeroBytesAndInvalidSequences)
{
    EXPECT_EQ(EncodeCodePage(u("€"), 1252), QByteArray("\x80"));
    EXPECT_EQ(EncodeCodePage(u("Ж"), 1251), QByteArray("\xC6"));
    EXPECT_EQ(EncodeCodePage(u("日"), 932), QByteArray("\x93\xFA"));
    EXPECT_EQ(EncodeCodePage(u("日本"), 50220), QByteArray("\x1B$BF|K\\\x1B(B"));
    EXPECT_TRUE(EncodeCodePage(u("한"), 50225).endsWith(QByteArray("\x0EGQ\x0F")));
    EXPECT_EQ(MultiByteToUnicode("\xC6", 1251), u("Ж"));

    // The fixed-field form stops at the first zero byte; the file form keeps everything.
    EXPECT_EQ(MultiByteToUnicode(QByteArray("ab\0cd", 5), 1252), "ab");
    EXPECT_EQ(DecodeCodePage(QByteArray("ab\0cd", 5), 1252), QString::fromUtf16(u"ab\0cd", 5));
    EXPECT_EQ(MultiByteToUnicode(QByteArray(), 1252), "");

    const QString fffd(QChar(0xFFFD));
    TWarnings w;
    EXPECT_EQ(DecodeCodePage("a\xFF" "b\xC3", 65001, &w), "a" + fffd + "b" + fffd);
    EXPECT_EQ(w.Count(), 1);
    EXPECT_TRUE(w.Contains("65001"));
    EXPECT_EQ(DecodeCodePage("a\x81" "b", 1252), "a" + fffd + "b");
    EXPECT_EQ(DecodeCodePage("x\x93\xFA\x81", 932), "x" + u("日") + fffd);
    // The decoders that combine accents keep the order around a bad byte.
    EXPECT_EQ(DecodeCodePage("a\x81" "b", 1258), "a" + fffd + "b");
    EXPECT_EQ(DecodeCodePage("\xE0\xFF\xE1", 1255), u("א") + fffd + u("ב"));
    EXPECT_EQ(DecodeCodePage("e\xEC", 1258), u("é")); // base letter and combining acute
}

TEST(CodePages, UnmappableCharactersSurrogatesAndShiftStates)
{
    TWarnings w;
    EXPECT_EQ(EncodeCodePage(u("aЖb"), 1252, &w), "a?b");
    EXPECT_TRUE(w.Contains("1252"));
    // A surrogate pair is one character: one "?", and one character in UTF-8.
    EXPECT_EQ(EncodeCodePage(u("a😀b"), 1252), "a?b");
    EXPECT_EQ(EncodeCodePage(u("😀"), 65001), QByteArray("\xF0\x9F\x98\x80"));
    EXPECT_EQ(DecodeCodePage("\xF0\x9F\x98\x80", 65001), u("😀"));
    EXPECT_EQ(DecodeCodePage(EncodeCodePage(u("😀"), 65000), 65000), u("😀"));
    const QString lone = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00);
    EXPECT_EQ(EncodeCodePage(lone, 65001), "a?b?");
    EXPECT_EQ(EncodeCodePage(QStringLiteral("x") + QChar(0xD83D), 1252), "x?");
    // "?" inside a shifted run goes out in ASCII and the run resumes.
    EXPECT_EQ(DecodeCodePage(EncodeCodePage(u("日€本"), 50220), 50220), u("日?本"));
    EXPECT_EQ(DecodeCodePage(EncodeCodePage(u("한😀국"), 50225), 50225), u("한?국"));

    const auto ncr = [](char32_t c) { return QStringLiteral("&#%1;").arg(quint32(c)); };
    EXPECT_EQ(EncodeCodePageEscaped(u("a中b😀"), 1251, ncr), "a&#20013;b&#128512;");
    EXPECT_EQ(DecodeCodePage(EncodeCodePageEscaped(u("日€本"), 50220, ncr), 50220), u("日&#8364;本"));
    // A substitute the code page cannot hold either falls back to "?".
    EXPECT_EQ(EncodeCodePageEscaped(u("a中b"), 1252, [](char32_t) { return u("[Ж]"); }), "a[?]b");
    EXPECT_TRUE(CodePageCanEncode(1252, u("façade")));
    EXPECT_FALSE(CodePageCanEncode(1252, u("Ж")));
}

TEST(CodePages, FixedFieldEncodingIsBoundedAtWholeCharacters)
{
    // Three CJK characters need nine bytes of UTF-8; six fit.
    EXPECT_EQ(UnicodeToMultiByte(u("日本語"), 65001), u("日本").toUtf8());
    // ISO-2022-JP must close its run in the bound: "ab" ESC$B "日" ESC(B is exactly ten bytes.
    EXPECT_EQ(UnicodeToMultiByte(u("ab日本語"), 50220), QByteArray("ab\x1B$BF|\x1B(B"));
    const QByteArray cut = UnicodeToMultiByte(u("日本語"), 50220);
    EXPECT_LE(cut.size(), 6);
    EXPECT_TRUE(u("日本語").startsWith(MultiByteToUnicode(cut, 50220)));
    EXPECT_EQ(UnicodeToMultiByte(u(""), 65001), "");
    EXPECT_EQ(UnicodeToMultiByte(u("aЖ"), 1252), "a?");
}

TEST(CodePages, SystemAndPseudoCodePages)
{
    LocaleEnv env(nullptr, nullptr, "ru_RU.UTF-8");
    EXPECT_EQ(MultiByteToUnicode("\xC6", 0), u("Ж"));
    EXPECT_EQ(UnicodeToMultiByte(u("Ж"), 0), "\xC6");
    for (int cp : {50000, 50001, 50932, 50949, 52936, 720, 12345}) {
        TWarnings w;
        EXPECT_EQ(DecodeCodePage("\xC6", cp, &w), u("Ж")) << cp;
        ASSERT_EQ(w.Count(), 1) << cp;
        EXPECT_TRUE(w.Contains(QString::number(cp))) << cp;
        EXPECT_TRUE(w.Contains("1251"));
        EXPECT_EQ(EncodeCodePage(u("Ж"), cp), "\xC6");
    }
    TWarnings none;
    DecodeCodePage("\xC6", 0, &none);
    EXPECT_TRUE(none.Empty());
}

TEST(CodePages, UnmarkedTextIsUtf8WhenValid)
{
    LocaleEnv env(nullptr, nullptr, "de_DE.UTF-8");
    EXPECT_EQ(DecodeUnmarkedText(u("Grüße").toUtf8()), u("Grüße"));
    EXPECT_EQ(DecodeUnmarkedText("Gr\xFC\xDF" "e"), u("Grüße"));
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));
    for (const char *bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xF8\x88\x80\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(CodePages, WorstCaseConversionsGiveWholeResults)
{
    // Every byte invalid and every character unmappable: the slow paths, 2 MB each. A version
    // that restarts the conversion at every bad character would not finish within the test
    // time-out; the speed itself is measured in bench/.
    const QByteArray invalid(2 << 20, '\xFF');
    const QString decoded = DecodeCodePage(invalid, 65001);
    EXPECT_EQ(decoded.size(), invalid.size());
    const QByteArray encoded = EncodeCodePage(QString(2 << 20, QChar(0x0416)), 1252);
    EXPECT_EQ(encoded.size(), 2 << 20);
    const QByteArray bounded = UnicodeToMultiByte(QString(1 << 20, QChar(0x65E5)), 50220);
    EXPECT_LE(bounded.size(), 2 << 20);
}
