#include "editing/TemplatePreview.h"

#include "output/Template.h"
#include "project/Contents.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {
QString bodyOf(const QString &page)
{
    const qsizetype open = page.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    const qsizetype gt = open < 0 ? -1 : page.indexOf(QLatin1Char('>'), open);
    if (gt < 0)
        return page;
    qsizetype close = page.lastIndexOf(QLatin1String("</body"), -1, Qt::CaseInsensitive);
    if (close < gt)
        close = page.size();
    return page.mid(gt + 1, close - gt - 1);
}

// Within folder after links are resolved; a file that does not exist yet is judged by its
// folder.
bool inside(const QString &path, const QString &folder)
{
    QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return false;
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    QFileInfo fi(QDir::cleanPath(path));
    QString real = fi.canonicalFilePath();
    if (real.isEmpty()) {
        const QString parent = QFileInfo(fi.absolutePath()).canonicalFilePath();
        if (parent.isEmpty())
            return false;
        real = parent + QLatin1Char('/') + fi.fileName();
    }
    return real.startsWith(root);
}
} // namespace

QString MakePreviewPage(const QString &mainFile, TWarnings *warnings)
{
    QByteArray stream;
    TemplateFileToStream(mainFile, stream, warnings);
    if (stream.isEmpty())
        throw Exception(QStringLiteral("Unable to find the template file \"%1\".").arg(QFileInfo(mainFile).fileName()));
    const QString sampleFile = InstallPath(QStringLiteral("preview/sample-topic.htm"));
    const QString sample = QFileInfo(sampleFile).isFile() ? ReadTextFile(sampleFile) : QString();
    TContentsItem item;
    item.Title = GetHtmlTitle(sample).trimmed();
    if (item.Title.isEmpty())
        item.Title = QStringLiteral("Sample topic");
    item.HTMLTitle = HtmlEscape(item.Title);
    item.Content = sample.isEmpty() ? QStringLiteral("<h1>Sample topic</h1><p>The text of a topic appears here.</p>") : bodyOf(sample);
    item.Navigation = QStringLiteral("Help &gt; Getting started &gt; ") + item.HTMLTitle;
    item.LastPage = QStringLiteral("#");
    item.NextPage = QStringLiteral("#");
    item.Level = 2;
    item.Url = QFileInfo(mainFile).fileName();
    TTemplate tmpl(stream, QStringLiteral("Previous"), QStringLiteral("Next"));
    tmpl.ProjectTitle = QStringLiteral("Sample Help");
    tmpl.Copyright = QStringLiteral("Copyright &copy; Sample Company");
    THEADElements head;
    head.Load(GetHeadContent(sample));
    tmpl.UniteHead(head);
    return SetCharset(tmpl.MakePage(item), QStringLiteral("utf-8"));
}

void WritePreviewPage(const QString &mainFile, QString &previewFile, TWarnings *warnings)
{
    const QString page = MakePreviewPage(mainFile, warnings);
    if (previewFile.isEmpty()) {
        const QString folder = QFileInfo(mainFile).absolutePath() + QLatin1Char('/');
        previewFile = UniqueFileName(folder, QStringLiteral("~preview"), QStringLiteral(".htm"));
    }
    if (!FileSystem().WriteFile(previewFile, page.toUtf8()))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(previewFile));
}

bool PreviewMayLoad(const QUrl &url, const QString &folder)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("data"))
        return true;
    if (scheme == QLatin1String("about"))
        return url.path() == QLatin1String("blank");
    if (scheme != QLatin1String("file") || !url.host().isEmpty())
        return false;
    return inside(url.toLocalFile(), folder);
}

} // namespace tavrel
