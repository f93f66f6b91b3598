#pragma once
// The context map options: the presets of "context.dat", the matching of the three code pieces
// against them, and the insertion of template variables into the body template.
#include <QString>
#include <QStringList>

namespace tavrel {

// The section names of "context.dat" in file order, then "Custom".
QStringList ContextPresetNames();
// The index in ContextPresetNames of the first preset whose top code, body template and bottom
// code equal the three texts exactly; the index of "Custom" when none does. The file is read
// anew on every call, so an edited file counts at once.
int MatchContextPreset(const QString &topCode, const QString &codeTemplate, const QString &bottomCode);
// The three code pieces of a section (line breaks restored); empty texts for a missing section
// or key, so "Custom" empties them.
void LoadContextPreset(const QString &name, QString &topCode, QString &codeTemplate, QString &bottomCode);

// The encoding list of the dialog and the entry a stored value selects (-1: none).
QStringList ContextEncodingNames();
int ContextEncodingIndex(int storedValue);

// The template variables of the insert menu, by tag 1 to 5; empty for any other tag.
QString ContextVariable(int tag);
QStringList ContextVariableCaptions();

} // namespace tavrel
