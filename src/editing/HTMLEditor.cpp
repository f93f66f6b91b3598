#include "editing/HTMLEditor.h"

#include "output/Template.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStringDecoder>
#include <map>

namespace tavrel {

namespace {
constexpr int kUtf8 = 65001;
constexpr int kUtf16 = 1200;

QString lowerExt(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

QByteArray readWhole(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\".").arg(file));
    return f.readAll();
}

bool validUtf8(const QByteArray &bytes)
{
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoding is lazy: it runs only when turned into a string.
    const QString text = d.decode(bytes);
    Q_UNUSED(text);
    return !d.hasError();
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}
} // namespace

int EditorTypeOf(const QString &ext)
{
    static const QStringList pictures = {".gif", ".jpe", ".jpeg", ".jpg", ".png"};
    static const QStringList sources = {".css", ".js", ".xml", ".htm", ".html", ".txt"};
    const QString e = ext.toLower();
    if (pictures.contains(e))
        return TFilesInTemplate::etPicture;
    if (sources.contains(e))
        return TFilesInTemplate::etSource;
    return TFilesInTemplate::etNone;
}

std::vector<TFilesInTemplate> TemplateFileList(const QString &mainFile, TWarnings *warnings)
{
    QStringList files;
    GetTemplateFiles(mainFile, files, warnings);
    std::vector<TFilesInTemplate> out;
    const QString mainName = QFileInfo(mainFile).fileName();
    const QString mainExt = lowerExt(mainFile);
    const QDateTime mainTime = QFileInfo(mainFile).lastModified();
    out.push_back({mainFile, mainExt, TFilesInTemplate::etPreview, mainTime, mainName + QStringLiteral(" (Preview)")});
    out.push_back({mainFile, mainExt, TFilesInTemplate::etSource, mainTime, mainName + QStringLiteral(" (Source)")});
    const QString base = folderOf(mainFile);
    for (int i = 1; i < files.size(); ++i) {
        const QString &f = files[i];
        // Files in sub-folders show their path below the main page's folder, so two "logo.png"
        // stay apart.
        QString caption = QDir(base).relativeFilePath(f);
        if (caption.startsWith(QLatin1String("..")))
            caption = QFileInfo(f).fileName();
        out.push_back({f, lowerExt(f), EditorTypeOf(lowerExt(f)), QFileInfo(f).lastModified(), caption});
    }
    return out;
}

TSourceFile ReadSourceFile(const QString &file, bool html)
{
    const QByteArray bytes = readWhole(file);
    TSourceFile out;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        out.Encoding = {kUtf8, true, QString()};
        out.Text = QString::fromUtf8(bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        out.Encoding = {kUtf16, true, QString()};
        QStringDecoder d(QStringDecoder::Utf16LE);
        out.Text = d.decode(bytes.mid(2));
    } else {
        const bool utf8 = validUtf8(bytes);
        QString declared;
        if (html)
            declared = GetCharset(utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes));
        int cp = declared.isEmpty() ? 0 : GetCodepageByCharset(declared);
        if (declared == QLatin1String("utf-8"))
            cp = kUtf8;
        if (cp <= 0)
            cp = utf8 ? kUtf8 : 0;
        out.Encoding = {cp, false, declared};
        out.Text = cp == kUtf8 ? QString::fromUtf8(bytes) : DecodeCodePage(bytes, cp);
    }
    if (html && out.Encoding.Declared.isEmpty())
        out.Encoding.Declared = GetCharset(out.Text);
    return out;
}

QByteArray EncodeSource(const QString &text, const TFileEncoding &original, bool html, TWarnings *warnings)
{
    TFileEncoding enc = original;
    if (html) {
        const QString declared = GetCharset(text);
        if (declared != original.Declared && !declared.isEmpty()) {
            // The author named another charset: the page is written the way it now says.
            const int cp = declared == QLatin1String("utf-8") ? kUtf8 : GetCodepageByCharset(declared);
            if (cp > 0) {
                enc.CodePage = declared == QLatin1String("unicode") ? kUtf16 : cp;
                enc.Bom = enc.CodePage == kUtf16 || (enc.CodePage == kUtf8 && original.Bom);
            }
        }
    }
    QByteArray out;
    if (enc.CodePage == kUtf16) {
        out = QByteArray("\xFF\xFE", 2);
        QStringEncoder e(QStringEncoder::Utf16LE);
        out += e.encode(text);
        return out;
    }
    if (enc.CodePage == kUtf8) {
        if (enc.Bom)
            out = QByteArray("\xEF\xBB\xBF", 3);
        return out + text.toUtf8();
    }
    if (html)
        return EncodeCodePageEscaped(text, enc.CodePage, [](char32_t c) { return QStringLiteral("&#%1;").arg(static_cast<uint>(c)); });
    if (warnings && !CodePageCanEncode(enc.CodePage, text))
        warnings->Add(QStringLiteral("Some characters cannot be stored in the file's code page and were written as \"?\"."));
    return EncodeCodePage(text, enc.CodePage);
}

void SaveSourceFile(const QString &file, const QString &text, const TFileEncoding &original, bool html, TWarnings *warnings)
{
    TWarnings local;
    const QByteArray bytes = EncodeSource(text, original, html, &local);
    if (!FileSystem().WriteFile(file, bytes))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(file));
    if (warnings) {
        for (const auto &w : local.Items())
            warnings->Add(w.What, QFileInfo(file).fileName());
    }
}

void ReplacePicture(const QString &target, const QString &source)
{
    // The bytes checked are the bytes written: the file cannot change in between.
    const QByteArray bytes = readWhole(source);
    QImage image;
    if (bytes.isEmpty() || !image.loadFromData(bytes) || image.isNull())
        throw Exception(QStringLiteral("\"%1\" is not a picture.").arg(QFileInfo(source).fileName()));
    if (!FileSystem().WriteFile(target, bytes))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(target));
}

QString ReplaceImageFilter(const QString &ext)
{
    const QString e = ext.toLower();
    if (e == QLatin1String(".gif"))
        return QStringLiteral("GIF Image (*.gif)");
    if (e == QLatin1String(".png"))
        return QStringLiteral("Portable Network Graphics (*.png)");
    if (e == QLatin1String(".jpg") || e == QLatin1String(".jpe") || e == QLatin1String(".jpeg"))
        return QStringLiteral("JPEG Image File (*.jpg *.jpe *.jpeg)");
    return QStringLiteral("All Files (*)");
}

THTMLEditorCore::~THTMLEditorCore()
{
    if (!tempDir.isEmpty())
        DeleteFolder(tempDir);
}

void THTMLEditorCore::Open(QByteArray *stream)
{
    Stream = stream;
    const QString mainName = GetTemplateMainFile(*stream);
    if (stream->isEmpty() || mainName.isEmpty())
        throw Exception(QStringLiteral("The project holds no template for this output. Choose a built-in template first."));
    QString dir = NewTempFolderName();
    try {
        StreamToTemplateFiles(*stream, dir);
        MainFile = ConfinePath(dir, mainName);
    } catch (const Exception &e) {
        DeleteFolder(dir);
        throw Exception(QStringLiteral("The template cannot be opened: %1").arg(e.Message()));
    }
    if (!tempDir.isEmpty())
        DeleteFolder(tempDir);
    tempDir = dir;
}

THTMLEditorCore::TState THTMLEditorCore::Check() const
{
    if (tempDir.isEmpty() || !QFileInfo(tempDir).isDir())
        return TState::FolderLost;
    if (!QFileInfo(MainFile).isFile())
        return TState::MainMissing;
    return TState::Ready;
}

void THTMLEditorCore::SetMainFileName(const QString &name)
{
    MainFile = ConfinePath(tempDir, name);
}

std::vector<TFilesInTemplate> THTMLEditorCore::Files(TWarnings *warnings) const
{
    return TemplateFileList(MainFile, warnings);
}

bool THTMLEditorCore::Save(TWarnings *warnings)
{
    switch (Check()) {
    case TState::FolderLost:
        throw Exception(QStringLiteral("The template folder is lost!"));
    case TState::MainMissing:
        throw Exception(QStringLiteral("Unable to find the template file \"%1\".").arg(QFileInfo(MainFile).fileName()));
    case TState::Ready:
        break;
    }
    QByteArray packed;
    TemplateFileToStream(MainFile, packed, warnings);
    const std::vector<TTemplateEntry> fresh = ReadTemplateEntries(packed);
    std::vector<TTemplateEntry> old;
    try {
        old = ReadTemplateEntries(*Stream);
    } catch (const Exception &) {
        // A damaged stream has nothing worth keeping beyond what the folder holds.
    }
    std::map<QString, size_t> freshIndex;
    for (size_t i = 0; i < fresh.size(); ++i)
        freshIndex.emplace(fresh[i].Name.toLower(), i);

    // The main page first; then the stream's own order for what it already held (the files the
    // page no longer names included, as long as they are still in the folder: the author may
    // need them in ways the page does not show), then what is new.
    std::vector<TTemplateEntry> result;
    std::vector<bool> used(fresh.size(), false);
    result.push_back(fresh.front());
    used[0] = true;
    const QString base = folderOf(MainFile);
    for (size_t i = 1; i < old.size(); ++i) {
        auto it = freshIndex.find(old[i].Name.toLower());
        if (it != freshIndex.end()) {
            if (!used[it->second]) {
                result.push_back(fresh[it->second]);
                used[it->second] = true;
            }
            continue;
        }
        if (old[i].Name.compare(fresh.front().Name, Qt::CaseInsensitive) == 0 || !IsConfinedName(base, old[i].Name))
            continue;
        const QString path = ConfinePath(base, old[i].Name);
        if (QFileInfo(path).isFile())
            result.push_back({old[i].Name, readWhole(path)});
    }
    for (size_t i = 1; i < fresh.size(); ++i)
        if (!used[i])
            result.push_back(fresh[i]);

    QByteArray stream;
    for (const auto &e : result)
        AppendTemplateEntry(stream, e.Name, e.Data);
    if (stream == *Stream)
        return false;
    *Stream = stream;
    return true;
}

} // namespace tavrel
