#include "word/WordDocParts.h"

#include "text/Ascii.h"
#include "project/ProjectSetting.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/TagScanner.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace tavrel {

namespace {

// Delphi-style item list: separators are the given characters and white space; double quotes
// keep separators inside an item.
QStringList splitQuotedItems(const QString &text, QChar separator)
{
    QStringList items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto sep = [&](QChar c) { return c == separator || c.unicode() <= 32; };
    while (i < n) {
        while (i < n && sep(text[i]))
            ++i;
        if (i >= n)
            break;
        QString item;
        while (i < n && !sep(text[i])) {
            if (text[i] == QLatin1Char('"')) {
                ++i;
                while (i < n) {
                    if (text[i] == QLatin1Char('"')) {
                        if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                            item += QLatin1Char('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    item += text[i++];
                }
            } else {
                item += text[i++];
            }
        }
        items << item;
    }
    return items;
}

} // namespace

namespace worddoc {

bool isHeadingElement(const QString &name)
{
    if (name.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0)
        return true;
    return name.size() == 2 && (name[0] == QLatin1Char('h') || name[0] == QLatin1Char('H')) && name[1] >= QLatin1Char('1') &&
           name[1] <= QLatin1Char('7');
}

} // namespace worddoc

using namespace worddoc;

// --- Lifecycle ---------------------------------------------------------------------------------

TWordDoc::TWordDoc(TProject *project, WordApplication *word, const QString &wordFile, TChangeEvent changeEvent, int outputType)
    : WordApp(word), FOnUpdate(std::move(changeEvent)), Project(project), OutputType(outputType), FileName(wordFile)
{
}

TWordDoc::~TWordDoc()
{
    if (m_ownsTempDir && !tempDir.isEmpty())
        DeleteFolder(tempDir);
}

void TWordDoc::setPosition(int position)
{
    Position = position;
    if (FOnUpdate)
        FOnUpdate(this);
}

QString TWordDoc::PageExtension() const
{
    int ext = 1;
    if (Project && OutputType == 1)
        ext = Project->HtmlHelpExtension;
    else if (Project && OutputType == 2)
        ext = Project->WebHelpExtension;
    return ext == 0 ? QStringLiteral(".htm") : QStringLiteral(".html");
}

void TWordDoc::DoCreate(const QString &WordFile)
{
    setPosition(0);
    AttachedFiles.Clear();
    AttachedFiles.SetSorted(true);
    AttachedFiles.SetDuplicates(TDuplicates::dupIgnore);
    ExternalFiles.Clear();
    ExternalFiles.SetSorted(true);
    ExternalFiles.SetDuplicates(TDuplicates::dupIgnore);
    BookmarkAndUrls.Clear();
    BookmarkAndUrls.SetSorted(true);
    BookmarkAndUrls.SetDuplicates(TDuplicates::dupIgnore);
    m_pendingBookmarks.clear();
    m_lookupValid = false;
    m_broughtAlong.clear();
    FileName = WordFile;
    if (m_ownsTempDir && !tempDir.isEmpty())
        DeleteFolder(tempDir);
    // A private folder, created atomically: nothing of that name needs deleting first.
    tempDir = NewTempFolderName();
    m_ownsTempDir = true;
    setPosition(1);
    ConvertWordToHTML();
    setPosition(80);
    Source = RemoveScripts(LoadTextFile(tempDir + QStringLiteral("doc.htm"), QString(), &Warnings));
    ProcessOLEObj();
    SplitHtmlBody(Source, BeforeBody, Body, AfterBody);
    BeforeBody = StyleToFile(BeforeBody, tempDir);
    RemoveSections();
    setPosition(100);
}

// --- The engine phase --------------------------------------------------------------------------

void TWordDoc::ConvertWordToHTML()
{
    if (!WordApp)
        throw Exception(QStringLiteral("No document engine was given for the conversion of \"%1\".").arg(FileName));
    MapCodes.clear();
    WordOpenOptions options;
    options.Visible = false;
    // The engine reads a working copy; links in it mean what they meant beside the original.
    options.LinkBase = documentFolder();
    options.CarryFolders = carryFolders();
    std::shared_ptr<WordDocument> document = WordApp->Documents().Open(FileName, options);
    OLEObjs.clear();
    shapesPass(*document);
    setPosition(40);
    headingsPass(*document);
    setPosition(50);

    WordWebOptions &web = document->WebOptions();
    web.Encoding = Project ? std::max(GetCodepageByCharset(Project->HtmlHelpOutputEncoding), 0) : 0;
    web.UseLongFileNames = web.OrganizeInFolder = web.AllowPNG = true;
    FilesFolder = QStringLiteral("doc") + web.FolderSuffix;
    document->SaveAs(tempDir + QStringLiteral("doc.htm"), wdFormatFilteredHTML);
    for (const TWarning &w : document->Warnings().Items())
        Warnings.Add(w.What, w.Where);
    document->Close(0);
}

void TWordDoc::headingsPass(WordDocument &document)
{
    IndexList.clear();
    Headings.clear();
    std::unique_ptr<TStringList> keywords;
    std::unique_ptr<THeadingProperty> property;
    // Looked up once: the pass adds no bookmarks, and one look-up per reference stays cheap.
    const QStringList names = document.BookmarkNames();
    QSet<QString> bookmarks; // bookmark names ignore case
    for (const QString &name : names)
        bookmarks.insert(name.toLower());
    WordRange current = document.GoTo(wdGoToHeading, wdGoToFirst);
    current.Expand(wdParagraph);
    int start = current.Start();
    int counter = -1;
    for (;;) {
        const int level = current.ParagraphFormat().OutlineLevel();
        if (level < 10) {
            current.InsertBefore(kHeadingMarker + QString::number(level));
            if (counter >= 0) {
                IndexList.push_back(std::move(keywords));
                Headings.push_back(std::move(property));
            }
            keywords = std::make_unique<TStringList>();
            property = std::make_unique<THeadingProperty>();
            ++counter;
        }
        current = current.GoTo(wdGoToHeading, wdGoToNext);
        const bool last = current.Start() == start;
        if (counter >= 0) {
            // The last section runs to the end of the document, so its fields are read too.
            WordRange section = document.Content();
            section.SetStart(start);
            section.SetEnd(last ? document.Content().End() : current.Start() - 1);
            WordFields fields = section.Fields();
            for (int j = 1; j <= fields.Count();) {
                WordField field = fields.Item(j);
                const int type = field.Type();
                const QString code = field.Code().Text();
                if (type == wdFieldIndexEntry) {
                    keywords->Add(IndexKeyword(code));
                    field.Delete();
                } else if (type == wdFieldRef) {
                    const QString bookmark = RefBookmark(code);
                    if (!bookmark.isEmpty()) {
                        if (!bookmarks.contains(bookmark.toLower()))
                            Warnings.Add(QStringLiteral("A cross-reference names the missing bookmark \"%1\"; its link leads nowhere.").arg(bookmark),
                                         QStringLiteral("heading %1").arg(counter + 1));
                        field.Code().SetText(QStringLiteral("HYPERLINK \\l \"") + bookmark + QStringLiteral("\""));
                        field.Update();
                        field.Result().SetStyle(wdStyleHyperlink);
                    }
                    ++j;
                } else if (type == wdFieldEmpty) {
                    const QStringList unknown = ApplyPropertyField(code, *property);
                    for (const QString &name : unknown)
                        Warnings.Add(QStringLiteral("The property field item \"%1\" is not known and was ignored.").arg(name),
                                     QStringLiteral("heading %1").arg(counter + 1));
                    field.Delete();
                } else {
                    ++j;
                }
            }
        }
        if (last)
            break;
        start = current.Start();
    }
    if (counter >= 0) {
        IndexList.push_back(std::move(keywords));
        Headings.push_back(std::move(property));
    }
}

QString TWordDoc::IndexKeyword(const QString &codeText)
{
    const qsizetype a = codeText.indexOf(QLatin1Char('"'));
    if (a < 0)
        return QString();
    const qsizetype b = codeText.indexOf(QLatin1Char('"'), a + 1);
    if (b < 0)
        return QString();
    QString k = codeText.mid(a + 1, b - a - 1);
    // "/" separates the keyword's levels further on, so a "/" of the entry itself ("TCP/IP") is
    // doubled first to stay one level; ":" is Word's sub-entry separator.
    k.replace(QLatin1Char('/'), QStringLiteral("//"));
    k.replace(QLatin1Char(':'), QLatin1Char('/'));
    return k;
}

QString TWordDoc::RefBookmark(const QString &codeText)
{
    const QString t = codeText.trimmed();
    if (!t.contains(QLatin1String("\\h")) || !t.startsWith(QLatin1String("REF "), Qt::CaseInsensitive))
        return QString();
    qsizetype i = 4;
    while (i < t.size() && t[i] == QLatin1Char(' '))
        ++i;
    const qsizetype b = i;
    while (i < t.size() && t[i] != QLatin1Char(' '))
        ++i;
    return t.mid(b, i - b);
}

QStringList TWordDoc::ParsePropertyItems(const QString &codeText)
{
    return splitQuotedItems(codeText, QLatin1Char(';'));
}

QStringList TWordDoc::ApplyPropertyField(const QString &codeText, THeadingProperty &property)
{
    QString id, file, staticVar, omit;
    bool haveId = false, haveFile = false, haveStatic = false, haveOmit = false;
    QStringList unknown;
    for (const QString &item : ParsePropertyItems(codeText)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? item : item.left(eq);
        const QString value = eq < 0 ? QString() : item.mid(eq + 1);
        auto take = [&](const char *key, bool &have, QString &target) {
            if (name.compare(QLatin1String(key), Qt::CaseInsensitive) != 0)
                return false;
            if (!have)
                target = value;
            have = true;
            return true;
        };
        if (!take("Id", haveId, id) && !take("FileName", haveFile, file) && !take("StaticVar", haveStatic, staticVar) &&
            !take("Omit", haveOmit, omit))
            unknown << name;
    }
    property.Id = id;
    property.FileName = file;
    property.StaticVar = staticVar;
    property.Omit = omit.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    return unknown;
}

// --- Cleaning ----------------------------------------------------------------------------------

QString TWordDoc::StyleToFile(const QString &Str, const QString &RootFolder)
{
    QString s = Str;
    // Lower-case every "<style" and "</style" so the scan below finds them.
    for (const QString &mark : {QStringLiteral("<style"), QStringLiteral("</style")}) {
        for (qsizetype i = s.indexOf(mark, 0, Qt::CaseInsensitive); i >= 0; i = s.indexOf(mark, i + mark.size(), Qt::CaseInsensitive))
            s.replace(i, mark.size(), mark);
    }
    QString out;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype st = s.indexOf(QLatin1String("<style"), pos);
        if (st < 0)
            break;
        const qsizetype tagClose = s.indexOf(QLatin1Char('>'), st);
        const qsizetype endTag = tagClose < 0 ? -1 : s.indexOf(QLatin1String("</style"), tagClose);
        if (tagClose < 0 || endTag < 0)
            break; // an unterminated style element stays as it is, with the rest of the head
        out += s.mid(pos, st - pos);
        QString startTag = s.mid(st, tagClose - st + 1);
        QString style = s.mid(tagClose + 1, endTag - tagClose - 1);
        style.remove(QLatin1String("<!--"));
        style.remove(QLatin1String("-->"));
        const qsizetype endClose = s.indexOf(QLatin1Char('>'), endTag);
        pos = endClose < 0 ? s.size() : endClose + 1;
        if (IsBlankText(style))
            continue;
        const QString file = UniqueFileName(RootFolder, QStringLiteral("doc_style"), QStringLiteral(".css"));
        AttachedFiles.Add(RelativeUrl(RootFolder, file));
        WriteTextFile(style, file, GetPageEncoding(style));
        QString rest = startTag.mid(6);
        QString link = QStringLiteral("<link href=\"") + QFileInfo(file).fileName() + QStringLiteral("\" rel=\"stylesheet\"");
        if (!startTag.contains(QLatin1String("type="), Qt::CaseInsensitive))
            link += QStringLiteral(" type=\"text/css\"");
        out += link + rest;
    }
    out += s.mid(pos);
    return out;
}

void TWordDoc::RemoveSections()
{
    struct TEntry
    {
        QString name, startTag, content, endTag;
        bool heading = false;
    };
    std::vector<TEntry> stack;
    QString result;
    result.reserve(Body.size());
    auto contentOf = [&]() -> QString & { return stack.empty() ? result : stack.back().content; };
    // Folds the top entry into the one below (or the result); closed tells whether its end tag
    // was met.
    auto foldTop = [&](bool closedHere) {
        TEntry top = std::move(stack.back());
        stack.pop_back();
        QString &below = contentOf();
        if (top.heading && !stack.empty())
            stack.back().heading = true;
        if (top.heading && closedHere)
            below += top.content;
        else
            below += top.startTag + top.content + top.endTag;
    };
    const QString &s = Body;
    ForEachTag(s, [&](QStringView text) { contentOf() += text; }, [&](const TScannedTag &t) {
        const QString tag = t.Text(s).toString();
        if (!t.endTag) {
            stack.push_back({t.name, tag, QString(), QString(), false});
            return;
        }
        qsizetype k = static_cast<qsizetype>(stack.size()) - 1;
        while (k >= 0 && stack[static_cast<size_t>(k)].name.compare(t.name, Qt::CaseInsensitive) != 0)
            --k;
        if (k < 0)
            return; // an end tag without its start is dropped
        stack[static_cast<size_t>(k)].endTag = tag;
        while (static_cast<qsizetype>(stack.size()) - 1 > k)
            foldTop(false);
        TEntry &closed = stack.back();
        const bool flagged = closed.heading;
        const bool marksHeading = !flagged && isHeadingElement(closed.name) && closed.content.contains(kHeadingMarker);
        foldTop(true);
        if (marksHeading && !stack.empty())
            stack.back().heading = true;
    });
    while (!stack.empty()) {
        stack.back().endTag.clear();
        foldTop(false);
    }
    Body = result;
}

void TWordDoc::CopyAttachedFiles(const QString &ToWhere)
{
    tavrel::CopyAttachedFiles(*this, ToWhere, Warnings);
}

} // namespace tavrel
