#pragma once
// Characters of the symbol fonts (Symbol, Wingdings) as Unicode, so that symbols and bullets
// written with them show in any browser, with or without those fonts.
#include <QString>

namespace tavrel::engine {

// The Unicode character for code (0x20-0xFF, or the same in the private-use range F020-F0FF) of
// a symbol font; 0 when the font is not a symbol font or the glyph has no known counterpart.
char16_t SymbolFontChar(const QString &font, int code);
bool IsSymbolFont(const QString &font);

} // namespace tavrel::engine
