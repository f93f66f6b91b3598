#pragma once
// The section of a distilled page that one bookmark of a contents entry starts, cut down to the
// element that holds its text.
#include <QString>

namespace tavrel {

QString ExtractSection(const QString &section, const QString &title);
// Equal ignoring letter case, or the longer contains the shorter and they differ in length by
// less than 0.4 of the longer.
bool TitleMatches(const QString &a, const QString &b);
// A fragment that begins or ends inside a table row or cell gets the table markup around it.
QString FixTableFragment(const QString &text);

} // namespace tavrel
