#pragma once
// Names that come from outside input (a document, a template stream, a decompiled help file,
// a link) are turned into paths inside a given folder here, or refused.
#include <QString>

namespace tavrel {

// A name confined to a folder: the joined path, or why the name was refused.
struct TConfined
{
    QString Path;
    QString Refusal; // empty when the name was accepted
    explicit operator bool() const { return Refusal.isEmpty(); }
};

// Judges the name once: Path is folder + "/" + name when the result lies inside folder, else
// Refusal says why (the rules of ConfinePath).
TConfined Confine(const QString &folder, const QString &name);

// Returns folder + "/" + name when the result lies inside folder; raises an Exception naming
// the name otherwise: empty names, absolute names ("/x", "\x"), drive prefixes ("C:x"), any
// ".." segment, NUL characters, and names that reach outside through a symbolic link that
// already exists under folder. "\" in name is taken as a separator.
QString ConfinePath(const QString &folder, const QString &name);

// The same test without raising: true when ConfinePath would accept the name.
bool IsConfinedName(const QString &folder, const QString &name);

} // namespace tavrel
