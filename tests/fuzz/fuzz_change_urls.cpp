// Link rewriting on arbitrary pages: every copy lands inside the working folder, and text
// outside A and AREA tags is unchanged in length when no such tag exists.
#include "project/ProjectSetting.h"
#include "text/functions.h"
#include "word/WordDoc.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString root = NewTempFolderName();
    static TProject project;
    project.RootDir = root + QStringLiteral("project/");
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TWordDoc doc(&project, nullptr, QStringLiteral("f.docx"), nullptr, size % 2 ? 1 : 2);
    doc.tempDir = root + QStringLiteral("work/");
    QDir().mkpath(doc.tempDir);
    doc.AttachedFiles.SetSorted(true);
    doc.ExternalFiles.SetSorted(true);
    doc.BookmarkAndUrls.SetSorted(true);
    doc.BookmarkAndUrls.Add(QStringLiteral("#a=page.htm"));
    const QString out = doc.ChangeUrls(page);
    if (!page.contains(QLatin1Char('<')) && out != page)
        std::abort();
    for (int i = 0; i < doc.AttachedFiles.Count(); ++i) {
        const QString abs = QFileInfo(doc.tempDir + doc.AttachedFiles[i]).absoluteFilePath();
        if (!QDir::cleanPath(abs).startsWith(QDir::cleanPath(doc.tempDir) + QLatin1Char('/')))
            std::abort();
    }
    DeleteFolder(doc.tempDir);
    return 0;
}
