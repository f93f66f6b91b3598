#include "project/MainWindowLogic.h"

#include "project/ProjectSetting.h"
#include "text/InstallFolder.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

namespace tavrel {

const char *const kProductName = "Tavrel for Word";
// The one version string: CMake's project version.
const char *const kVersion = TAVREL_VERSION;

QString MainCaption(const TProject &project)
{
    return QString::fromLatin1(kProductName) + QStringLiteral("  - ") + project.Title + QStringLiteral(" [")
        + QFileInfo(project.ProjectFilename).fileName() + QStringLiteral("]");
}

QString WordFilterString()
{
    // Formats other than .docx are read through LibreOffice; offer them only when it is there.
    return IsLibreOfficeAvailable() ? QStringLiteral("Word Document (*.docx *.docm *.dotx *.dotm *.doc *.odt *.rtf)")
                                    : QStringLiteral("Word Document (*.docx *.docm *.dotx *.dotm)");
}

QString DefaultWordExtension()
{
    return QStringLiteral(".docx");
}

// --- Recent projects ---------------------------------------------------------------------------

namespace {
QSettings recentSettings()
{
    return QSettings(QStringLiteral("Quenmar"), QString::fromLatin1(kProductName));
}

QStringList storedRecent(QSettings &s)
{
    bool ok = false;
    int count = s.value(QStringLiteral("RecentFilesCount")).toInt(&ok);
    if (!ok || count < 0)
        count = 0;
    QStringList list;
    for (int i = 1; i <= count; ++i) {
        const QVariant v = s.value(QStringLiteral("RecentFile") + QString::number(i));
        if (v.isValid() && v.canConvert<QString>())
            list << v.toString();
    }
    return list;
}
} // namespace

QStringList TRecentProjects::Load()
{
    QSettings s = recentSettings();
    QStringList existing;
    for (const QString &path : storedRecent(s)) {
        if (!path.isEmpty() && QFileInfo(ExpandMyDocuments(path)).isFile())
            existing << path;
    }
    return existing;
}

void TRecentProjects::Add(const QString &path)
{
    QSettings s = recentSettings();
    QStringList list{path};
    for (const QString &entry : storedRecent(s)) {
        if (!list.contains(entry, Qt::CaseInsensitive))
            list << entry;
    }
    const int count = std::min<int>(list.size(), MaxCount);
    s.setValue(QStringLiteral("RecentFilesCount"), count);
    for (int i = 0; i < count; ++i)
        s.setValue(QStringLiteral("RecentFile") + QString::number(i + 1), list[i]);
    s.sync();
}

// --- Start-up ----------------------------------------------------------------------------------

namespace {
QString documentsSampleFolder()
{
    return GetSpecialFolder(5) + QStringLiteral("/Tavrel for Word/Sample Project/");
}
} // namespace

QString DocumentsSampleProject()
{
    return documentsSampleFolder() + QStringLiteral("sample.tvp");
}

bool CopySampleProject()
{
    const QString target = documentsSampleFolder();
    if (QFileInfo::exists(target))
        return QFileInfo(DocumentsSampleProject()).isFile();
    const QString source = InstallPath(QStringLiteral("sample"));
    if (!QFileInfo(source).isDir() || GetSpecialFolder(5).isEmpty())
        return false;
    // Copy beside the target and rename, so an interrupted copy is never taken for the sample.
    const QString parent = QFileInfo(target.chopped(1)).absolutePath();
    if (!QDir().mkpath(parent))
        return false;
    QTemporaryDir staging(parent + QStringLiteral("/.sample-copy-XXXXXX"));
    if (!staging.isValid() || !CopyFolderTree(source, staging.path()))
        return false;
    if (!QDir().rename(staging.path(), target.chopped(1)))
        return false;
    return QFileInfo(DocumentsSampleProject()).isFile();
}

QString StartupProjectFile(const QStringList &recent)
{
    if (!recent.isEmpty())
        return ExpandMyDocuments(recent.first());
    if (QFileInfo(DocumentsSampleProject()).isFile())
        return DocumentsSampleProject();
    return InstallPath(QStringLiteral("sample/sample.tvp"));
}

// --- Saving ------------------------------------------------------------------------------------

QString SaveAsProposal(const TProject &project)
{
    if (project.IsNew) {
        const QString name = project.Title.isEmpty() ? QFileInfo(project.ProjectFilename).fileName()
                                                     : SafeFileName(project.Title) + QStringLiteral(".tvp");
        return project.RootDir + name;
    }
    const QFileInfo info(project.ProjectFilename);
    return info.absolutePath() + QStringLiteral("/copy of ") + info.fileName();
}

void ApplySaveAsName(TProject &project, const QString &chosen)
{
    if (project.IsNew && project.CompiledFile == QLatin1String("unnamed.chm")) {
        project.CompiledFile = project.Title.isEmpty() ? QFileInfo(chosen).completeBaseName() + QStringLiteral(".chm")
                                                       : SafeFileName(project.Title) + QStringLiteral(".chm");
    }
}

// --- Lists -------------------------------------------------------------------------------------

const QStringList &HtmlHelpCharsets()
{
    // "iso-8869-4" is how stored projects name the Baltic entry; keep it so they still match.
    static const QStringList list = {
        "Arabic; Windows-1256", "Baltic (ISO); iso-8869-4", "Baltic (Windows); Windows-1257",
        "Central European (ISO); iso-8859-2", "Central European (Windows); Windows-1250",
        "Cyrillic (ISO); iso_8859-5", "Cyrillic (KOI8-R); koi8-r", "Cyrillic (Windows); Windows-1251",
        "Greek (ISO); iso-8859-7", "Greek (Windows); Windows-1253", "Hebrew (ISO-Visual); iso-8859-8",
        "Hebrew (ISO-logical); Windows-1255", "Japanese (EUC); euc-jp", "Japanese (JIS); iso-2022-jp",
        "Japanese (Shift-JIS); shift_jis", "Korean (EUC); euc-kr", "Korean (ISO); ISO-2022-KR",
        "Korean (KSC5601); ks_c_5601", "Simplified Chinese (GB2312); gb2312",
        "Traditional Chinese (BIG5); big5", "Thai; Windows-874", "Turkish (ISO); iso-8859-9",
        "Turkish (Windows); Windows-1254", "Vietnamese; Windows-1258", "Western European (ISO); iso-8859-1",
        "Western European (Windows); Windows-1252", "Unicode; UTF-8",
    };
    return list;
}

QString CharsetOfEntry(const QString &entry)
{
    const int sep = entry.indexOf(QLatin1Char(';'));
    return sep < 0 ? QString() : entry.mid(sep + 1).trimmed();
}

int CharsetIndex(const QString &charset)
{
    const QStringList &list = HtmlHelpCharsets();
    for (int i = 0; i < list.size(); ++i) {
        if (CharsetOfEntry(list[i]).compare(charset.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int CharsetIndexForCodepage(int codePage)
{
    const QString charset = GetCharsetByCodepage(codePage);
    return charset.isEmpty() ? -1 : CharsetIndex(charset);
}

int ApplyLanguage(TProject &project, int languageIndex)
{
    if (languageIndex < 0 || languageIndex >= Languages().GetCount())
        return -1;
    const int codePage = Languages().GetItem(languageIndex).CodePage;
    const QString font = QStringLiteral(",8,") + GetFontCharsetByCodepage(codePage);
    project.CHMSetting.ContentsFont = font;
    project.CHMSetting.IndexFont = font;
    return CharsetIndexForCodepage(codePage);
}

QStringList PanesItems()
{
    return {"Page only", "Bookmarks and page", "Thumbnails and page"};
}

QStringList MagnificationItems()
{
    return {"Default", "Fit in window", "Fit width", "Fit visible", "Zoom factor(100%)"};
}

QStringList PageLayoutItems()
{
    return {"Default", "Single page", "Continuous", "Continuous facing"};
}

QStringList BackgroundItems()
{
    QStringList items{"No image"};
    for (int i = 1; i <= 9; ++i)
        items << QStringLiteral("back%1.jpg").arg(i);
    return items;
}

QStringList ExtensionItems()
{
    return {".htm", ".html"};
}

QString PageExtension(int index)
{
    return index == 1 ? QStringLiteral(".html") : QStringLiteral(".htm");
}

QString BackgroundPicture(int index)
{
    const QString file = InstallPath(QStringLiteral("webhelp/bg/back%1.jpg").arg(index));
    return QFileInfo(file).isFile() ? file : QString();
}

QString ContentsIconFile(int index)
{
    return InstallPath(QStringLiteral("webhelp/icons-png/%1.png").arg(index + 1));
}

// --- Editing helpers ---------------------------------------------------------------------------

void UpdateText(QString &field, const QString &value, bool &changed)
{
    if (field != value) {
        field = value;
        changed = true;
    }
}

void UpdateNumber(int &field, int value, bool &changed)
{
    if (field != value) {
        field = value;
        changed = true;
    }
}

void UpdateFlag(bool &field, bool value, bool &changed)
{
    if (field != value) {
        field = value;
        changed = true;
    }
}

TTextEdit InsertAtCaret(const QString &text, int selStart, int selLength, const QString &insert)
{
    selStart = std::clamp(selStart, 0, int(text.size()));
    selLength = std::clamp(selLength, 0, int(text.size()) - selStart);
    TTextEdit r;
    r.text = text.left(selStart) + insert + text.mid(selStart + selLength);
    r.selStart = selStart;
    r.selLength = insert.size();
    return r;
}

// --- Output status -----------------------------------------------------------------------------

QString AgeText(qint64 age)
{
    if (age >= 31557600)
        return QString::number(age / 31557600) + QStringLiteral(" years ago");
    if (age >= 2629800)
        return QString::number(age / 2629800) + QStringLiteral(" months ago");
    if (age >= 86400)
        return QString::number(age / 86400) + QStringLiteral(" days ago");
    if (age >= 3600)
        return QString::number(age / 3600) + QStringLiteral(" hours ago");
    if (age >= 60)
        return QString::number(age / 60) + QStringLiteral(" minutes ago");
    if (age < 0)
        return QStringLiteral("in future?!");
    return QStringLiteral("within 1 minute");
}

QString OutputTimeText(const QDateTime &fileTime, const QDateTime &now)
{
    const QLocale locale = QLocale::system();
    // The long time format names the time zone on some locales; the status shows clock time only.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    timeFormat = timeFormat.trimmed();
    // Whole seconds, the fraction dropped: a file 59.9 s old is still "within 1 minute".
    const qint64 ms = fileTime.msecsTo(now);
    const qint64 age = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    return locale.toString(fileTime.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(fileTime.time(), timeFormat) + QStringLiteral(" (") + AgeText(age) + QLatin1Char(')');
}

QList<TOutputStatus> CheckOutputFiles(const TProject &project, const QDateTime &now)
{
    QList<TOutputStatus> list;
    const QString folder = project.RealPath(ptWebHelpFolder);
    const QString paths[3] = {project.RealPath(ptCompiledFile), folder, project.RealPath(ptPDFFile)};
    const QString targets[3] = {paths[0], folder.isEmpty() ? QString() : folder + QStringLiteral("index") + PageExtension(project.WebHelpExtension),
                                paths[2]};
    for (int i = 0; i < 3; ++i) {
        TOutputStatus s;
        s.Path = paths[i];
        s.Target = targets[i];
        const QFileInfo info(s.Target);
        s.Exists = !s.Target.isEmpty() && info.isFile();
        s.Label = s.Exists ? OutputTimeText(GetFileDate(s.Target), now) : QStringLiteral("Not created.");
        list << s;
    }
    return list;
}

} // namespace tavrel
