#include "project/ConvertedDocument.h"

#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/functions.h"

#include <QFileInfo>

namespace tavrel {

void CopyAttachedFiles(const TConvertedDocument &doc, const QString &toWhere, TWarnings &warnings)
{
    for (int i = 0; i < doc.AttachedFiles.Count(); ++i) {
        const QString entry = doc.AttachedFiles[i];
        const TConfined confined = Confine(toWhere, entry);
        if (!confined) {
            warnings.Add(QStringLiteral("The file \"%1\" would be copied outside the output folder and was left out.").arg(entry));
            continue;
        }
        const QString &target = confined.Path;
        const QString source = doc.tempDir + entry;
        if (!QFileInfo::exists(source))
            continue;
        const QString folder = QFileInfo(target).absolutePath();
        if (!QFileInfo(folder).isDir() && !FileSystem().MakePath(folder))
            throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
        if (!FileSystem().CopyFile(source, target))
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".").arg(source, target));
    }
    if (!doc.FilesFolder.isEmpty() && QFileInfo(doc.tempDir + doc.FilesFolder).isDir()
        && !CopyFolderTree(doc.tempDir + doc.FilesFolder, toWhere + doc.FilesFolder))
        throw Exception(QStringLiteral("Cannot copy the pictures of the document to \"%1\".").arg(toWhere + doc.FilesFolder));
}

} // namespace tavrel
