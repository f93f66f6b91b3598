#pragma once
// Languages, Windows code pages, HTML charset names and font charsets; conversions between
// code-page bytes and text; the transliteration of titles into plain Latin file names.
// The tables are built once, on first use (thread-safe), and are read-only afterwards, so every
// thread may read them without locks.
#include "text/StringList.h"
#include "text/Warnings.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace tavrel {

class TLanguage : public TObject
{
public:
    QString Name;     // English name
    QString Id;       // Windows language identifier, "0x" and four upper-case hex digits
    int CodePage = 0; // the language's Windows ANSI code page
};

class TLanguages : public TObject
{
public:
    TLanguages(); // builds the table of 122 languages, in the main window's order
    int GetCount() const;
    const TLanguage &GetItem(int i) const;
    // Code page of the first row whose Id equals id, ignoring letter case; 0 when none.
    int GetCodepageById(const QString &id) const;
    // Index of that row; -1 when none.
    int GetIndexById(const QString &id) const;
    // Index of the first row whose numeric identifier is langId; -1 when none.
    int GetIndexByLangId(int langId) const;

private:
    std::vector<std::unique_ptr<TLanguage>> m_languages;
};

const TLanguages &Languages();            // the global language table
const TStringList &CharsetTable();        // "name|codepage" lines, table order
const TStringList &TransliterationTable(); // "c:value" lines, sorted, case-sensitive keys

// Code page of a charset name (trimmed, letter case ignored); 0 when the name is unknown.
int GetCodepageByCharset(const QString &charset);
// The HTML charset name written for a code page; empty for code pages outside the 14-row table.
QString GetCharsetByCodepage(int codePage);
// The font charset of a code page as decimal text; "0" for code pages outside the table.
QString GetFontCharsetByCodepage(int codePage);

// --- Conversions -------------------------------------------------------------------------------
// Code page 0 always means the system code page (SystemCodePage()). A pseudo code page (no
// conversion here, see IsPseudoCodePage) is read and written in the system code page, and the
// decoding functions add a warning naming it when a warning list is given. Invalid byte
// sequences decode as U+FFFD and the rest of the text survives; characters a code page cannot
// hold encode as its default character "?". Surrogate pairs convert as one character.

// For strings coming out of fixed-size buffers (compiled help file titles and the like): the
// bytes are taken up to the first zero byte.
QString MultiByteToUnicode(const QByteArray &bytes, int codePage, TWarnings *warnings = nullptr);
// For short texts written into fixed-size fields: the result holds at most twice as many bytes
// as the text has UTF-16 units (cut at a character boundary where the conversion allows it).
QByteArray UnicodeToMultiByte(const QString &text, int codePage);

// For whole text files: the whole buffer, zero bytes included, with no size bound.
QString DecodeCodePage(const QByteArray &bytes, int codePage, TWarnings *warnings = nullptr);
QByteArray EncodeCodePage(const QString &text, int codePage, TWarnings *warnings = nullptr);
// Like EncodeCodePage, but every character the code page cannot hold is written as the text
// substitute(code point) gives (a numeric character reference, say); what of that text the code
// page cannot hold in turn becomes "?".
QByteArray EncodeCodePageEscaped(const QString &text, int codePage,
                                 const std::function<QString(char32_t)> &substitute);
// Whether the code page can hold every character of text.
bool CodePageCanEncode(int codePage, const QString &text);

// Text read from a file without a byte-order mark or charset declaration: valid UTF-8 decodes as
// UTF-8 (what editors here write), anything else in the system code page.
QString DecodeUnmarkedText(const QByteArray &bytes, TWarnings *warnings = nullptr);
// Strict UTF-8 check: no overlong forms, surrogates or code points above U+10FFFF.
bool IsValidUtf8(const QByteArray &bytes);

// Trimmed text with every character replaced by its transliteration; characters without one are
// dropped.
QString Transliterate(const QString &text);

// Windows language identifier of the user's locale, from the first non-empty of LC_ALL,
// LC_MESSAGES and LANG; 0x0409 for "C", "POSIX" or a locale not in the table.
int GetSystemDefaultLangID();
// The ANSI code page of that language (1252 when unknown).
int SystemCodePage();

// The iconv name for a Windows code page; empty for pseudo pages and unknown numbers.
QByteArray IconvNameOfCodePage(int codePage);
// True for the code pages of the tables that have no conversion here (read in the system code
// page instead).
bool IsPseudoCodePage(int codePage);

} // namespace tavrel
