#pragma once
// The raw rows behind LanguageProcess; only LanguageProcess.cpp and its tests read them.
#include <span>

namespace tavrel::langtables {

struct CodePageRow
{
    int codePage;
    const char *charset;
    int fontCharset;
};

struct TranslitRow
{
    char16_t key;
    const char16_t *value;
};

struct KeyRange
{
    char16_t from;
    char16_t to; // inclusive
};

// A Windows code page and the iconv conversion that stands in for it.
struct IconvRow
{
    int codePage;
    const char *iconvName;
    // The decoder holds back a base letter to combine it with a following accent: it must be
    // flushed before a replacement character is written, or the two change places.
    bool combining;
};

struct LocaleRow
{
    const char *locale; // "de_DE", "de", "sr@latin"
    int langId;
};

std::span<const char *const> LanguageLines(); // "0x0436;Afrikaans;1252"
std::span<const char *const> CharsetLines();  // "utf-8|65001"
std::span<const CodePageRow> CodePageRows();
std::span<const KeyRange> TransliterationKeyRanges();
std::span<const TranslitRow> LatinExceptions();
std::span<const TranslitRow> GreekValues();
std::span<const TranslitRow> CyrillicValues();
// Keys that keep themselves although they carry a diacritic.
std::span<const KeyRange> TransliterationSelfRanges();
std::span<const IconvRow> IconvRows();
// Code pages of the tables that have no conversion here.
std::span<const int> PseudoCodePages();
std::span<const LocaleRow> LocaleRows();

} // namespace tavrel::langtables
