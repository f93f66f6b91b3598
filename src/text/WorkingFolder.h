#pragma once
// The one folder per user that holds every working file of the program: the temporary copy of
// the source, the converters' folders, the private help project, LibreOffice's profiles and
// conversions. It is "$XDG_RUNTIME_DIR/tavrel" when the session has a private runtime folder,
// otherwise "<temporary folder>/tavrel-<uid>", and must be a real folder of this user (never a
// link); it is kept 0700, every folder made in it 0700 and every file 0600. Each run works in a
// sub-folder named with its process id; the folders of runs that are no longer alive are removed
// at the next start. Nothing outside the working folder is ever swept.
#include <QString>

namespace tavrel {

// The working folder of this user (decided once per run, not created here).
QString WorkingFolder();

// This run's folder with a trailing "/", made on first use. Raises an Exception naming the
// working folder when it is refused (a link, not a folder, another user's).
QString RunFolder();

// True when path lies inside the working folder: what is made there is private to the user.
bool IsWorkingPath(const QString &path);

// Start-up: checks the working folder (creating it when missing), removes the folders of runs
// that ended without cleaning up, and makes this run's folder. Returns why the working folder
// is refused, empty when all is well.
QString PrepareWorkingFolder();

// The end of a run: removes this run's folder with everything in it.
void RemoveRunFolder();

} // namespace tavrel
