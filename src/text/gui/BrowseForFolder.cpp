#include "text/gui/BrowseForFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tavrel {

bool BrowseForFolder(QWidget *owner, QString &folder, const QString &title, int /*flags*/, const QString &root)
{
    QString start;
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        start = folder;
    else if (!root.isEmpty() && QFileInfo(root).isDir())
        start = root;
    else
        start = QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

} // namespace tavrel
