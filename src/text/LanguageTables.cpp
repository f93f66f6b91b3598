// The fixed rows of the language, charset, code-page, transliteration and locale tables.
#include "text/LanguageTables.h"

namespace tavrel::langtables {

namespace {

// Identifier; English name; ANSI code page. The order is the order of the language list.
const char *const kLanguages[] = {
    "0x0436;Afrikaans;1252",
    "0x041C;Albanian;1250",
    "0x0001;Arabic;1256",
    "0x0401;Arabic (Saudi Arabia);1256",
    "0x0801;Arabic (Iraq);1256",
    "0x0C01;Arabic (Egypt);1256",
    "0x1001;Arabic (Libya);1256",
    "0x1401;Arabic (Algeria);1256",
    "0x1801;Arabic (Morocco);1256",
    "0x1C01;Arabic (Tunisia);1256",
    "0x2001;Arabic (Oman);1256",
    "0x2401;Arabic (Yemen);1256",
    "0x2801;Arabic (Syria);1256",
    "0x2C01;Arabic (Jordan);1256",
    "0x3001;Arabic (Lebanon);1256",
    "0x3401;Arabic (Kuwait);1256",
    "0x3801;Arabic (U.A.E.);1256",
    "0x3C01;Arabic (Bahrain);1256",
    "0x4001;Arabic (Qatar);1256",
    "0x042D;Basque;1252",
    "0x0402;Bulgarian;1251",
    "0x0423;Belarusian;1251",
    "0x0403;Catalan;1252",
    "0x0004;Chinese;936",
    "0x0404;Chinese (Taiwan);950",
    "0x0804;Chinese (China);936",
    "0x0C04;Chinese (Hong Kong SAR);950",
    "0x1004;Chinese (Singapore);936",
    "0x041A;Croatian;1250",
    "0x0405;Czech;1250",
    "0x0406;Danish;1252",
    "0x0413;Dutch (Netherlands);1252",
    "0x0813;Dutch (Belgium);1252",
    "0x0009;English;1252",
    "0x0409;English (United States);1252",
    "0x0809;English (United Kingdom);1252",
    "0x0C09;English (Australia);1252",
    "0x1009;English (Canada);1252",
    "0x1409;English (New Zealand);1252",
    "0x1809;English (Ireland);1252",
    "0x1C09;English (South Africa);1252",
    "0x2009;English (Jamaica);1252",
    "0x2809;English (Belize);1252",
    "0x2C09;English (Trinidad);1252",
    "0x0425;Estonian;1257",
    "0x0438;Faeroese;1252",
    "0x0429;Farsi;1256",
    "0x040B;Finnish;1252",
    "0x040C;French (France);1252",
    "0x080C;French (Belgium);1252",
    "0x0C0C;French (Canada);1252",
    "0x100C;French (Switzerland);1252",
    "0x140C;French (Luxembourg);1252",
    "0x043C;Gaelic;1252",
    "0x0407;German (Germany);1252",
    "0x0807;German (Switzerland);1252",
    "0x0C07;German (Austria);1252",
    "0x1007;German (Luxembourg);1252",
    "0x1407;German (Liechtenstein);1252",
    "0x0408;Greek;1253",
    "0x040D;Hebrew;1255",
    "0x040E;Hungarian;1250",
    "0x040F;Icelandic;1252",
    "0x0421;Indonesian;1252",
    "0x0410;Italian (Italy);1252",
    "0x0810;Italian (Switzerland);1252",
    "0x0411;Japanese;932",
    "0x0412;Korean;949",
    "0x0426;Latvian;1257",
    "0x0427;Lithuanian;1257",
    "0x042F;FYRO Macedonian;1251",
    "0x043E;Malay (Malaysia);1252",
    "0x043A;Maltese;1254",
    "0x0450;Mongolian (Cyrillic);1251",
    "0x0414;Norwegian (Bokmal);1252",
    "0x0814;Norwegian (Nynorsk);1252",
    "0x0415;Polish;1250",
    "0x0416;Portuguese (Brazil);1252",
    "0x0816;Portuguese (Portugal);1252",
    "0x0417;Rhaeto-Romanic;1252",
    "0x0418;Romanian;1250",
    "0x0818;Romanian (Moldova);1250",
    "0x0419;Russian;1251",
    "0x0819;Russian (Moldova);1251",
    "0x0C1A;Serbian (Cyrillic);1251",
    "0x081A;Serbian (Latin);1252",
    "0x041B;Slovak;1250",
    "0x0424;Slovenian;1250",
    "0x042E;Sorbian;1252",
    "0x040A;Spanish (Traditional Sort);1252",
    "0x080A;Spanish (Mexico);1252",
    "0x0C0A;Spanish (International Sort);1252",
    "0x100A;Spanish (Guatemala);1252",
    "0x140A;Spanish (Costa Rica);1252",
    "0x180A;Spanish (Panama);1252",
    "0x1C0A;Spanish (Dominican Republic);1252",
    "0x200A;Spanish (Venezuela);1252",
    "0x240A;Spanish (Colombia);1252",
    "0x280A;Spanish (Peru);1252",
    "0x2C0A;Spanish (Argentina);1252",
    "0x300A;Spanish (Ecuador);1252",
    "0x340A;Spanish (Chile);1252",
    "0x380A;Spanish (Uruguay);1252",
    "0x3C0A;Spanish (Paraguay);1252",
    "0x400A;Spanish (Bolivia);1252",
    "0x440A;Spanish (El Salvador);1252",
    "0x480A;Spanish (Honduras);1252",
    "0x4C0A;Spanish (Nicaragua);1252",
    "0x500A;Spanish (Puerto Rico);1252",
    "0x0430;Sutu;1252",
    "0x041D;Swedish;1252",
    "0x081D;Swedish (Finland);1252",
    "0x041E;Thai;874",
    "0x0431;Tsonga;1252",
    "0x0432;Tswana;1252",
    "0x041F;Turkish;1254",
    "0x0422;Ukrainian;1251",
    "0x0420;Urdu;1256",
    "0x042A;Vietnamese;1258",
    "0x0434;Xhosa;1252",
    "0x043D;Yiddish;1252",
    "0x0435;Zulu;1252",
};

// Charset name|code page, in this order; the first name that matches wins.
const char *const kCharsets[] = {
    "ANSI_X3.4-1968|1252",
    "ANSI_X3.4-1986|1252",
    "arabic|28596",
    "ascii|1252",
    "ASMO-708|708",
    "Big5|950",
    "chinese|936",
    "CN-GB|936",
    "cp1256|1256",
    "cp367|1252",
    "cp819|1252",
    "cp852|852",
    "cp866|866",
    "csASCII|1252",
    "csbig5|950",
    "csEUCKR|949",
    "csEUCPkdFmtJapanese|51932",
    "csGB2312|936",
    "csISO2022JP|50221",
    "csISO2022KR|50225",
    "csISO58GB231280|936",
    "csISOLatin1|1252",
    "csISOLatin2|28592",
    "csISOLatin4|28594",
    "csISOLatin5|1254",
    "csISOLatinArabic|28596",
    "csISOLatinCyrillic|28595",
    "csISOLatinGreek|28597",
    "csISOLatinHebrew|28598",
    "csKOI8R|20866",
    "csKSC56011987|949",
    "csShiftJIS|932",
    "csUnicode11UTF7|65000",
    "csWindows31J|932",
    "cyrillic|28595",
    "DOS-720|720",
    "DOS-862|862",
    "DOS-874|874",
    "ECMA-114|28596",
    "ECMA-118|28597",
    "ELOT_928|28597",
    "euc-jp|20932",
    "euc-kr|949",
    "Extended_UNIX_Code_Packed_Format_for_Japanese|51932",
    "GB2312|936",
    "GBK|936",
    "GB_2312-80|936",
    "greek|28597",
    "greek8|28597",
    "hebrew|28598",
    "hz-gb-2312|52936",
    "IBM367|1252",
    "ibm819|1252",
    "ibm852|852",
    "ibm866|866",
    "iso-2022-jp|50220",
    "iso-2022-kr|50225",
    "iso-8859-1|28591",
    "iso-8859-11|874",
    "iso-8859-2|28592",
    "iso-8859-3|28593",
    "iso-8859-4|28594",
    "iso-8859-5|28595",
    "iso-8859-6|28596",
    "iso-8859-7|28597",
    "iso-8859-8|28598",
    "ISO-8859-8 Visual|28598",
    "iso-8859-8-i|38598",
    "iso-8859-9|1254",
    "iso-ir-100|28591",
    "iso-ir-101|28592",
    "iso-ir-110|28594",
    "iso-ir-111|28594",
    "iso-ir-126|28597",
    "iso-ir-127|28596",
    "iso-ir-138|28598",
    "iso-ir-144|28595",
    "iso-ir-148|1254",
    "iso-ir-149|949",
    "iso-ir-58|936",
    "iso-ir-6|1252",
    "ISO646-US|1252",
    "iso8859-1|28591",
    "iso8859-2|28592",
    "ISO_646.irv:1991|1252",
    "iso_8859-1|28591",
    "iso_8859-1:1987|28591",
    "iso_8859-2|28592",
    "iso_8859-2:1987|28592",
    "ISO_8859-4|28594",
    "ISO_8859-4:1988|28594",
    "ISO_8859-5|28595",
    "ISO_8859-5:1988|28595",
    "ISO_8859-6|28596",
    "ISO_8859-6:1987|28596",
    "ISO_8859-7|28597",
    "ISO_8859-7:1987|28597",
    "ISO_8859-8|28598",
    "ISO_8859-8:1988|28598",
    "ISO_8859-9|1254",
    "ISO_8859-9:1989|1254",
    "koi|20866",
    "koi8-r|20866",
    "koi8-ru|21866",
    "korean|949",
    "KSC5601|949",
    "KSC_5601|949",
    "ks_c_5601|949",
    "ks_c_5601-1987|949",
    "ks_c_5601-1989|949",
    "l1|1252",
    "l2|28592",
    "l4|28594",
    "l5|1254",
    "latin1|1252",
    "latin2|28592",
    "latin4|28594",
    "latin5|1254",
    "logical|1255",
    "ms_Kanji|932",
    "shift-jis|932",
    "shift_jis|932",
    "us|1252",
    "us-ascii|1252",
    "utf-8|65001",
    "visual|28598",
    "windows-1250|1250",
    "windows-1251|1251",
    "windows-1252|1252",
    "windows-1253|1253",
    "Windows-1254|1254",
    "windows-1255|1255",
    "windows-1256|1256",
    "windows-1257|1257",
    "windows-1258|1258",
    "windows-874|874",
    "x-ansi|1252",
    "x-cp1250|1250",
    "x-cp1251|1251",
    "x-euc|51932",
    "x-euc-jp|51932",
    "x-ms-cp932|932",
    "x-sjis|932",
    "x-user-defined|50000",
    "x-x-big5|950",
    "_autodetect|50932",
    "_autodetect_all|50001",
    "_autodetect_kr|50949",
    "_iso-2022-jp$ESC|50221",
    "_iso-2022-jp$SIO|50222",
};

const CodePageRow kCodePages[] = {
    {874, "Windows-874", 222},   {932, "shift_jis", 128},     {936, "gb2312", 134},
    {949, "euc-kr", 129},        {950, "big5", 136},          {1250, "Windows-1250", 238},
    {1251, "Windows-1251", 204}, {1252, "iso-8859-1", 0},     {1253, "Windows-1253", 161},
    {1254, "Windows-1254", 162}, {1255, "Windows-1255", 177}, {1256, "Windows-1256", 180},
    {1257, "Windows-1257", 186}, {1258, "Windows-1258", 163},
};

const KeyRange kKeyRanges[] = {
    {0x0020, 0x0020}, {0x002D, 0x002D}, {0x0030, 0x0039}, {0x0041, 0x005A}, {0x005F, 0x005F},
    {0x0061, 0x007A}, {0x00C0, 0x00F6}, {0x00F8, 0x011D}, {0x011F, 0x016A}, {0x016C, 0x017F},
    {0x018F, 0x018F}, {0x0192, 0x0192}, {0x01A0, 0x01A1}, {0x01AF, 0x01B0}, {0x01CD, 0x01DC},
    {0x01FA, 0x01FF}, {0x0259, 0x0259}, {0x0386, 0x0386}, {0x0388, 0x038A}, {0x038C, 0x038C},
    {0x038E, 0x03A1}, {0x03A3, 0x03CE}, {0x0401, 0x040C}, {0x040E, 0x0429}, {0x042B, 0x042B},
    {0x042D, 0x0449}, {0x044B, 0x044B}, {0x044D, 0x044F}, {0x0451, 0x045C}, {0x045E, 0x045F},
    {0x0490, 0x0493}, {0x0496, 0x0497}, {0x049A, 0x049D}, {0x04A2, 0x04A3}, {0x04AE, 0x04B3},
    {0x04B8, 0x04BB}, {0x04D8, 0x04D9}, {0x04E8, 0x04E9}, {0x1E80, 0x1E85}, {0x1EA0, 0x1ED7},
    {0x1EDA, 0x1EF9},
};

// Latin keys whose value is not the base letter of their decomposition.
const TranslitRow kLatinExceptions[] = {
    {u'\u00C6', u"AE"}, // Æ
    {u'\u00D0', u"D"}, // Ð
    {u'\u00D7', u"X"}, // ×
    {u'\u00D8', u"O"}, // Ø
    {u'\u00DE', u"Th"}, // Þ
    {u'\u00DF', u"S"}, // ß
    {u'\u00E6', u"ae"}, // æ
    {u'\u00F0', u"th"}, // ð
    {u'\u00F8', u"o"}, // ø
    {u'\u00FE', u"th"}, // þ
    {u'\u0110', u"D"}, // Đ
    {u'\u0111', u"d"}, // đ
    {u'\u0126', u"H"}, // Ħ
    {u'\u0127', u"h"}, // ħ
    {u'\u0131', u"i"}, // ı
    {u'\u0132', u"IJ"}, // Ĳ
    {u'\u0133', u"ij"}, // ĳ
    {u'\u0138', u"K"}, // ĸ
    {u'\u013F', u"L"}, // Ŀ
    {u'\u0140', u"l"}, // ŀ
    {u'\u0141', u"L"}, // Ł
    {u'\u0142', u"l"}, // ł
    {u'\u0149', u"n"}, // ŉ
    {u'\u014A', u"Eng"}, // Ŋ
    {u'\u014B', u"eng"}, // ŋ
    {u'\u0152', u"Oe"}, // Œ
    {u'\u0153', u"oe"}, // œ
    {u'\u0166', u"T"}, // Ŧ
    {u'\u0167', u"t"}, // ŧ
    {u'\u016D', u"U"}, // ŭ
    {u'\u016F', u"U"}, // ů
    {u'\u017F', u"s"}, // ſ
    {u'\u018F', u"S"}, // Ə
    {u'\u01FC', u"Ae"}, // Ǽ
    {u'\u01FD', u"ae"}, // ǽ
    {u'\u01FE', u"O"}, // Ǿ
    {u'\u01FF', u"o"}, // ǿ
    {u'\u0259', u"S"}, // ə
    {u'\u1EE4', u"O"}, // Ụ
    {u'\u1EE5', u"o"}, // ụ
    {u'\u1EE6', u"O"}, // Ủ
    {u'\u1EE7', u"o"}, // ủ
    {u'\u1EE8', u"O"}, // Ứ
    {u'\u1EE9', u"o"}, // ứ
};

const TranslitRow kGreek[] = {
    {u'\u0386', u"A"}, // Ά
    {u'\u0388', u"E"}, // Έ
    {u'\u0389', u"I"}, // Ή
    {u'\u038A', u"I"}, // Ί
    {u'\u038C', u"O"}, // Ό
    {u'\u038E', u"U"}, // Ύ
    {u'\u038F', u"O"}, // Ώ
    {u'\u0390', u"l"}, // ΐ
    {u'\u0391', u"A"}, // Α
    {u'\u0392', u"V"}, // Β
    {u'\u0393', u"G"}, // Γ
    {u'\u0394', u"D"}, // Δ
    {u'\u0395', u"E"}, // Ε
    {u'\u0396', u"Z"}, // Ζ
    {u'\u0397', u"I"}, // Η
    {u'\u0398', u"Th"}, // Θ
    {u'\u0399', u"I"}, // Ι
    {u'\u039A', u"K"}, // Κ
    {u'\u039B', u"L"}, // Λ
    {u'\u039C', u"M"}, // Μ
    {u'\u039D', u"N"}, // Ν
    {u'\u039E', u"Xi"}, // Ξ
    {u'\u039F', u"O"}, // Ο
    {u'\u03A0', u"P"}, // Π
    {u'\u03A1', u"R"}, // Ρ
    {u'\u03A3', u"S"}, // Σ
    {u'\u03A4', u"\u03A4"}, // Τ
    {u'\u03A5', u"U"}, // Υ
    {u'\u03A6', u"F"}, // Φ
    {u'\u03A7', u"H"}, // Χ
    {u'\u03A8', u"Ps"}, // Ψ
    {u'\u03A9', u"O"}, // Ω
    {u'\u03AA', u"I"}, // Ϊ
    {u'\u03AB', u"U"}, // Ϋ
    {u'\u03AC', u"a"}, // ά
    {u'\u03AD', u"e"}, // έ
    {u'\u03AE', u"i"}, // ή
    {u'\u03AF', u"\u03AF"}, // ί
    {u'\u03B0', u"u"}, // ΰ
    {u'\u03B1', u"a"}, // α
    {u'\u03B2', u"v"}, // β
    {u'\u03B3', u"g"}, // γ
    {u'\u03B4', u"d"}, // δ
    {u'\u03B5', u"e"}, // ε
    {u'\u03B6', u"z"}, // ζ
    {u'\u03B7', u"i"}, // η
    {u'\u03B8', u"th"}, // θ
    {u'\u03B9', u"i"}, // ι
    {u'\u03BA', u"k"}, // κ
    {u'\u03BB', u"l"}, // λ
    {u'\u03BC', u"m"}, // μ
    {u'\u03BD', u"n"}, // ν
    {u'\u03BE', u"x"}, // ξ
    {u'\u03BF', u"o"}, // ο
    {u'\u03C0', u"p"}, // π
    {u'\u03C1', u"r"}, // ρ
    {u'\u03C2', u"s"}, // ς
    {u'\u03C3', u"s"}, // σ
    {u'\u03C4', u"t"}, // τ
    {u'\u03C5', u"u"}, // υ
    {u'\u03C6', u"f"}, // φ
    {u'\u03C7', u"h"}, // χ
    {u'\u03C8', u"ps"}, // ψ
    {u'\u03C9', u"o"}, // ω
    {u'\u03CA', u"i"}, // ϊ
    {u'\u03CB', u"u"}, // ϋ
    {u'\u03CC', u"o"}, // ό
    {u'\u03CD', u"u"}, // ύ
    {u'\u03CE', u"o"}, // ώ
};

const TranslitRow kCyrillic[] = {
    {u'\u0401', u"io"}, // Ё
    {u'\u0402', u"D"}, // Ђ
    {u'\u0403', u"G"}, // Ѓ
    {u'\u0404', u"I"}, // Є
    {u'\u0405', u"D"}, // Ѕ
    {u'\u0406', u"I"}, // І
    {u'\u0407', u"Yi"}, // Ї
    {u'\u0408', u"J"}, // Ј
    {u'\u0409', u"Lj"}, // Љ
    {u'\u040A', u"Nj"}, // Њ
    {u'\u040B', u"T"}, // Ћ
    {u'\u040C', u"K"}, // Ќ
    {u'\u040E', u"U"}, // Ў
    {u'\u040F', u"D"}, // Џ
    {u'\u0410', u"A"}, // А
    {u'\u0411', u"B"}, // Б
    {u'\u0412', u"V"}, // В
    {u'\u0413', u"G"}, // Г
    {u'\u0414', u"D"}, // Д
    {u'\u0415', u"E"}, // Е
    {u'\u0416', u"Zh"}, // Ж
    {u'\u0417', u"Z"}, // З
    {u'\u0418', u"I"}, // И
    {u'\u0419', u"J"}, // Й
    {u'\u041A', u"K"}, // К
    {u'\u041B', u"L"}, // Л
    {u'\u041C', u"\u041C"}, // М
    {u'\u041D', u"N"}, // Н
    {u'\u041E', u"O"}, // О
    {u'\u041F', u"P"}, // П
    {u'\u0420', u"R"}, // Р
    {u'\u0421', u"S"}, // С
    {u'\u0422', u"T"}, // Т
    {u'\u0423', u"U"}, // У
    {u'\u0424', u"F"}, // Ф
    {u'\u0425', u"H"}, // Х
    {u'\u0426', u"T"}, // Ц
    {u'\u0427', u"C"}, // Ч
    {u'\u0428', u"Sh"}, // Ш
    {u'\u0429', u"Sch"}, // Щ
    {u'\u042B', u"Y"}, // Ы
    {u'\u042D', u"E"}, // Э
    {u'\u042E', u"Yu"}, // Ю
    {u'\u042F', u"ya"}, // Я
    {u'\u0430', u"a"}, // а
    {u'\u0431', u"b"}, // б
    {u'\u0432', u"v"}, // в
    {u'\u0433', u"g"}, // г
    {u'\u0434', u"d"}, // д
    {u'\u0435', u"e"}, // е
    {u'\u0436', u"zh"}, // ж
    {u'\u0437', u"z"}, // з
    {u'\u0438', u"i"}, // и
    {u'\u0439', u"j"}, // й
    {u'\u043A', u"k"}, // к
    {u'\u043B', u"l"}, // л
    {u'\u043C', u"m"}, // м
    {u'\u043D', u"n"}, // н
    {u'\u043E', u"o"}, // о
    {u'\u043F', u"p"}, // п
    {u'\u0440', u"r"}, // р
    {u'\u0441', u"s"}, // с
    {u'\u0442', u"t"}, // т
    {u'\u0443', u"u"}, // у
    {u'\u0444', u"f"}, // ф
    {u'\u0445', u"h"}, // х
    {u'\u0446', u"t"}, // ц
    {u'\u0447', u"ch"}, // ч
    {u'\u0448', u"sh"}, // ш
    {u'\u0449', u"sch"}, // щ
    {u'\u044B', u"y"}, // ы
    {u'\u044D', u"e"}, // э
    {u'\u044E', u"yu"}, // ю
    {u'\u044F', u"ya"}, // я
    {u'\u0451', u"e"}, // ё
    {u'\u0452', u"d"}, // ђ
    {u'\u0453', u"g"}, // ѓ
    {u'\u0454', u"i"}, // є
    {u'\u0455', u"d"}, // ѕ
    {u'\u0456', u"i"}, // і
    {u'\u0457', u"y"}, // ї
    {u'\u0458', u"j"}, // ј
    {u'\u0459', u"lj"}, // љ
    {u'\u045A', u"nj"}, // њ
    {u'\u045B', u"t"}, // ћ
    {u'\u045C', u"k"}, // ќ
    {u'\u045E', u"u"}, // ў
    {u'\u045F', u"d"}, // џ
    {u'\u0490', u"g"}, // Ґ
    {u'\u0491', u"g"}, // ґ
    {u'\u0492', u"g"}, // Ғ
    {u'\u0493', u"g"}, // ғ
    {u'\u0496', u"Zh"}, // Җ
    {u'\u0497', u"zh"}, // җ
    {u'\u049A', u"K"}, // Қ
    {u'\u049B', u"k"}, // қ
    {u'\u049C', u"K"}, // Ҝ
    {u'\u049D', u"k"}, // ҝ
    {u'\u04A2', u"N"}, // Ң
    {u'\u04A3', u"n"}, // ң
    {u'\u04AE', u"U"}, // Ү
    {u'\u04AF', u"u"}, // ү
    {u'\u04B0', u"U"}, // Ұ
    {u'\u04B1', u"u"}, // ұ
    {u'\u04B2', u"H"}, // Ҳ
    {u'\u04B3', u"h"}, // ҳ
    {u'\u04B8', u"Ch"}, // Ҹ
    {u'\u04B9', u"ch"}, // ҹ
    {u'\u04BA', u"Sh"}, // Һ
    {u'\u04BB', u"sh"}, // һ
    {u'\u04D8', u"S"}, // Ә
    {u'\u04D9', u"s"}, // ә
    {u'\u04E8', u"O"}, // Ө
    {u'\u04E9', u"o"}, // ө
};

const KeyRange kSelfRanges[] = {{0x0192, 0x0192}, {0x1E80, 0x1E85}};

// Every real code page of the tables, plus a few common Windows code pages callers may name.
const IconvRow kIconv[] = {
    // ANSI code pages of the languages and the font-charset table
    {874, "CP874", false},
    {932, "CP932", false},
    {936, "CP936", false},
    {949, "CP949", false},
    {950, "CP950", false},
    {1250, "CP1250", false},
    {1251, "CP1251", false},
    {1252, "CP1252", false},
    {1253, "CP1253", false},
    {1254, "CP1254", false},
    {1255, "CP1255", true},
    {1256, "CP1256", false},
    {1257, "CP1257", false},
    {1258, "CP1258", true},
    // further code pages of the charset table
    {708, "ASMO-708", false},
    {852, "CP852", false},
    {862, "CP862", false},
    {866, "CP866", false},
    {20866, "KOI8-R", false},
    {21866, "KOI8-RU", false},
    {20932, "EUC-JP", false},
    {51932, "EUC-JP", false},
    {28591, "ISO-8859-1", false},
    {28592, "ISO-8859-2", false},
    {28593, "ISO-8859-3", false},
    {28594, "ISO-8859-4", false},
    {28595, "ISO-8859-5", false},
    {28596, "ISO-8859-6", false},
    {28597, "ISO-8859-7", false},
    {28598, "ISO-8859-8", false},
    {38598, "ISO-8859-8", false},
    {50220, "ISO-2022-JP", false},
    // 50221 and 50222 allow half-width katakana, which plain ISO-2022-JP cannot carry
    {50221, "ISO-2022-JP-3", false},
    {50222, "ISO-2022-JP-3", false},
    {50225, "ISO-2022-KR", false},
    {65000, "UTF-7", false},
    {65001, "UTF-8", false},
    // other Windows code pages with a matching conversion
    {437, "CP437", false},
    {737, "CP737", false},
    {775, "CP775", false},
    {850, "CP850", false},
    {855, "CP855", false},
    {857, "CP857", false},
    {858, "CP858", false},
    {860, "CP860", false},
    {861, "CP861", false},
    {863, "CP863", false},
    {864, "CP864", false},
    {865, "CP865", false},
    {869, "CP869", false},
    {1361, "JOHAB", false},
    {10000, "MACINTOSH", false},
    {20127, "ANSI_X3.4-1968", false},
    {20936, "EUC-CN", false},
    {28599, "ISO-8859-9", false},
    {28603, "ISO-8859-13", false},
    {28605, "ISO-8859-15", false},
    {51949, "EUC-KR", false},
    {54936, "GB18030", false},
};

// x-user-defined, the auto-detection pages, HZ and DOS Arabic: nothing here converts them.
const int kPseudo[] = {50000, 50001, 50932, 50949, 52936, 720};

// Locale language (and territory or modifier) to the identifiers of the language table. A
// language alone stands for its main country.
const LocaleRow kLocales[] = {
    {"af", 0x0436}, {"af_ZA", 0x0436},
    {"sq", 0x041C}, {"sq_AL", 0x041C},
    {"ar", 0x0401}, {"ar_SA", 0x0401}, {"ar_IQ", 0x0801}, {"ar_EG", 0x0C01}, {"ar_LY", 0x1001},
    {"ar_DZ", 0x1401}, {"ar_MA", 0x1801}, {"ar_TN", 0x1C01}, {"ar_OM", 0x2001},
    {"ar_YE", 0x2401}, {"ar_SY", 0x2801}, {"ar_JO", 0x2C01}, {"ar_LB", 0x3001},
    {"ar_KW", 0x3401}, {"ar_AE", 0x3801}, {"ar_BH", 0x3C01}, {"ar_QA", 0x4001},
    {"eu", 0x042D}, {"eu_ES", 0x042D},
    {"bg", 0x0402}, {"bg_BG", 0x0402},
    {"be", 0x0423}, {"be_BY", 0x0423},
    {"ca", 0x0403}, {"ca_ES", 0x0403},
    {"zh", 0x0804}, {"zh_TW", 0x0404}, {"zh_CN", 0x0804}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004},
    {"hr", 0x041A}, {"hr_HR", 0x041A},
    {"cs", 0x0405}, {"cs_CZ", 0x0405},
    {"da", 0x0406}, {"da_DK", 0x0406},
    {"nl", 0x0413}, {"nl_NL", 0x0413}, {"nl_BE", 0x0813},
    {"en", 0x0409}, {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_JM", 0x2009},
    {"en_BZ", 0x2809}, {"en_TT", 0x2C09},
    {"et", 0x0425}, {"et_EE", 0x0425},
    {"fo", 0x0438}, {"fo_FO", 0x0438},
    {"fa", 0x0429}, {"fa_IR", 0x0429},
    {"fi", 0x040B}, {"fi_FI", 0x040B},
    {"fr", 0x040C}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"fr_LU", 0x140C},
    {"gd", 0x043C}, {"gd_GB", 0x043C}, {"ga", 0x043C}, {"ga_IE", 0x043C},
    {"de", 0x0407}, {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007},
    {"de_LI", 0x1407},
    {"el", 0x0408}, {"el_GR", 0x0408},
    {"he", 0x040D}, {"he_IL", 0x040D}, {"iw", 0x040D}, {"iw_IL", 0x040D},
    {"hu", 0x040E}, {"hu_HU", 0x040E},
    {"is", 0x040F}, {"is_IS", 0x040F},
    {"id", 0x0421}, {"id_ID", 0x0421}, {"in", 0x0421},
    {"it", 0x0410}, {"it_IT", 0x0410}, {"it_CH", 0x0810},
    {"ja", 0x0411}, {"ja_JP", 0x0411},
    {"ko", 0x0412}, {"ko_KR", 0x0412},
    {"lv", 0x0426}, {"lv_LV", 0x0426},
    {"lt", 0x0427}, {"lt_LT", 0x0427},
    {"mk", 0x042F}, {"mk_MK", 0x042F},
    {"ms", 0x043E}, {"ms_MY", 0x043E},
    {"mt", 0x043A}, {"mt_MT", 0x043A},
    {"mn", 0x0450}, {"mn_MN", 0x0450},
    {"nb", 0x0414}, {"nb_NO", 0x0414}, {"no", 0x0414}, {"no_NO", 0x0414},
    {"nn", 0x0814}, {"nn_NO", 0x0814},
    {"pl", 0x0415}, {"pl_PL", 0x0415},
    {"pt", 0x0416}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
    {"rm", 0x0417}, {"rm_CH", 0x0417},
    {"ro", 0x0418}, {"ro_RO", 0x0418}, {"ro_MD", 0x0818},
    {"ru", 0x0419}, {"ru_RU", 0x0419}, {"ru_MD", 0x0819},
    {"sr", 0x0C1A}, {"sr_RS", 0x0C1A}, {"sr_ME", 0x0C1A}, {"sr@latin", 0x081A},
    {"sk", 0x041B}, {"sk_SK", 0x041B},
    {"sl", 0x0424}, {"sl_SI", 0x0424},
    {"hsb", 0x042E}, {"hsb_DE", 0x042E}, {"dsb", 0x042E}, {"dsb_DE", 0x042E},
    {"es", 0x0C0A}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_GT", 0x100A}, {"es_CR", 0x140A},
    {"es_PA", 0x180A}, {"es_DO", 0x1C0A}, {"es_VE", 0x200A}, {"es_CO", 0x240A},
    {"es_PE", 0x280A}, {"es_AR", 0x2C0A}, {"es_EC", 0x300A}, {"es_CL", 0x340A},
    {"es_UY", 0x380A}, {"es_PY", 0x3C0A}, {"es_BO", 0x400A}, {"es_SV", 0x440A},
    {"es_HN", 0x480A}, {"es_NI", 0x4C0A}, {"es_PR", 0x500A},
    {"st", 0x0430}, {"st_ZA", 0x0430},
    {"sv", 0x041D}, {"sv_SE", 0x041D}, {"sv_FI", 0x081D},
    {"th", 0x041E}, {"th_TH", 0x041E},
    {"ts", 0x0431}, {"ts_ZA", 0x0431},
    {"tn", 0x0432}, {"tn_ZA", 0x0432},
    {"tr", 0x041F}, {"tr_TR", 0x041F},
    {"uk", 0x0422}, {"uk_UA", 0x0422},
    {"ur", 0x0420}, {"ur_PK", 0x0420},
    {"vi", 0x042A}, {"vi_VN", 0x042A},
    {"xh", 0x0434}, {"xh_ZA", 0x0434},
    {"yi", 0x043D}, {"yi_US", 0x043D},
    {"zu", 0x0435}, {"zu_ZA", 0x0435},
};

} // namespace

std::span<const char *const> LanguageLines() { return kLanguages; }
std::span<const char *const> CharsetLines() { return kCharsets; }
std::span<const CodePageRow> CodePageRows() { return kCodePages; }
std::span<const KeyRange> TransliterationKeyRanges() { return kKeyRanges; }
std::span<const TranslitRow> LatinExceptions() { return kLatinExceptions; }
std::span<const TranslitRow> GreekValues() { return kGreek; }
std::span<const TranslitRow> CyrillicValues() { return kCyrillic; }
std::span<const KeyRange> TransliterationSelfRanges() { return kSelfRanges; }
std::span<const IconvRow> IconvRows() { return kIconv; }
std::span<const int> PseudoCodePages() { return kPseudo; }
std::span<const LocaleRow> LocaleRows() { return kLocales; }

} // namespace tavrel::langtables
