#pragma once
// The folder picker of the desktop program.
#include <QString>

class QWidget;

namespace tavrel {

// Shows a folder picker titled title, opening at folder when it exists, else at root when it is
// given, else at the user's home folder. True, with folder set to the chosen path, when the user
// confirms. flags are accepted for the callers' sake; the picker always shows folders only.
bool BrowseForFolder(QWidget *owner, QString &folder, const QString &title, int flags = 0, const QString &root = QString());

} // namespace tavrel
