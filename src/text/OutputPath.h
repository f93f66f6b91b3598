#pragma once
// The one resolution of a path that a build deletes, replaces or writes. The folder guard judges
// the path this gives, and every delete, copy and write that follows acts on exactly that path,
// so a symbolic link on the way cannot make the two disagree about which folder is meant.
#include <QString>

namespace tavrel {

// True when the text holds a control character: U+0000 to U+001F and U+007F to U+009F. Such a
// path would be cut short at a NUL by the system, and a line break or escape in a file name
// fools whoever reads it later.
bool HasControlCharacter(const QString &text);
// "U+0000" for the first control character of the text; empty when it has none.
QString FirstControlCharacter(const QString &text);

// The text with every control character shown as "?", for messages and terminals.
QString PrintablePath(const QString &text);

// The physical path a write to path reaches. A relative path is taken against baseFolder (which
// must then be absolute); "\" counts as a separator. The path is walked from the root one name at
// a time: an existing name is replaced by its physical path, a symbolic link (a dangling one too)
// by its target, and ".." goes to the parent of the physical folder reached so far. What does not
// exist yet is appended as written, with "." and ".." applied. The result has no trailing "/"
// (except "/" itself), no "." or ".." and no link in the part that exists, so resolving it again
// gives it back. Empty for an empty path. Raises an Exception for a path with a control
// character and for a relative path without an absolute base.
QString ResolveOutputPath(const QString &path, const QString &baseFolder);

} // namespace tavrel
