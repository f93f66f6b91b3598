#include "word/WordDoc.h"

#include "project/ProjectSetting.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace tavrel {

namespace {

const QString kFlashMarker = QStringLiteral("~$!!Flash:");
const QString kMapMarker = QStringLiteral("`$#!(");
const QString kLinkMarker = QStringLiteral("`@#^");

// A property value without anything that could end a line or a quoted value of the help project.
bool isPlainPropertyName(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char('"'))
            return false;
    return true;
}

bool isIdentifier(const QString &s)
{
    for (QChar c : s)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    return !s.isEmpty();
}

bool isDecimalNumber(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() < '0' || c.unicode() > '9')
            return false;
    return !s.isEmpty() && s.size() <= 9;
}

// A value for a message: control characters shown as blanks, so the report keeps its lines.
QString printable(QString s)
{
    for (QChar &c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return s;
}

bool isWhite(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r';
}

QString lowerAscii(const QString &s)
{
    QString r = s;
    for (QChar &c : r)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + 32);
    return r;
}

bool isHeadingElement(const QString &name)
{
    if (name.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0)
        return true;
    return name.size() == 2 && (name[0] == QLatin1Char('h') || name[0] == QLatin1Char('H')) && name[1] >= QLatin1Char('1') &&
           name[1] <= QLatin1Char('7');
}

// The end of the tag that starts at lt: the position of its ">" (quotes of attribute values
// respected), or the text's end.
qsizetype tagEnd(const QString &s, qsizetype lt)
{
    if (s.mid(lt, 4) == QLatin1String("<!--")) {
        const qsizetype e = s.indexOf(QLatin1String("-->"), lt + 4);
        return e < 0 ? s.size() : e + 2;
    }
    QChar quote;
    bool afterEq = false;
    for (qsizetype i = lt + 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('>'))
            return i;
        if (afterEq && (c == QLatin1Char('"') || c == QLatin1Char('\''))) {
            quote = c;
            afterEq = false;
            continue;
        }
        if (c == QLatin1Char('='))
            afterEq = true;
        else if (!isWhite(c))
            afterEq = false;
    }
    return s.size();
}

// The name of the tag starting at lt, read up to white space, ">" or "/" after the first
// character; end tags give their name without the "/".
QString tagName(const QString &s, qsizetype lt, bool &endTag)
{
    qsizetype i = lt + 1;
    endTag = i < s.size() && s[i] == QLatin1Char('/');
    if (endTag)
        ++i;
    const qsizetype b = i;
    while (i < s.size() && !isWhite(s[i]) && s[i] != QLatin1Char('>') && !(s[i] == QLatin1Char('/') && i > b))
        ++i;
    return s.mid(b, i - b);
}

// One attribute of a tag as written: leading white space, name, and value with its quotes.
struct TAttr
{
    QString space, name, value;
    QChar quote; // null: unquoted (or no value)
    bool hasValue = false;
};

// Splits the inside of a tag (after its name, before ">") into attributes.
std::vector<TAttr> parseAttributes(const QString &s, qsizetype from, qsizetype to, QString &trailing)
{
    std::vector<TAttr> out;
    qsizetype i = from;
    trailing.clear();
    while (i < to) {
        TAttr a;
        const qsizetype ws = i;
        while (i < to && isWhite(s[i]))
            ++i;
        a.space = s.mid(ws, i - ws);
        if (i >= to) {
            trailing = a.space;
            break;
        }
        const qsizetype nb = i;
        while (i < to && !isWhite(s[i]) && s[i] != QLatin1Char('='))
            ++i;
        a.name = s.mid(nb, i - nb);
        if (i < to && s[i] == QLatin1Char('=')) {
            a.hasValue = true;
            ++i;
            if (i < to && (s[i] == QLatin1Char('"') || s[i] == QLatin1Char('\''))) {
                a.quote = s[i];
                const qsizetype vb = ++i;
                while (i < to && s[i] != a.quote)
                    ++i;
                a.value = s.mid(vb, i - vb);
                if (i < to)
                    ++i;
            } else {
                const qsizetype vb = i;
                while (i < to && !isWhite(s[i]))
                    ++i;
                a.value = s.mid(vb, i - vb);
            }
        }
        out.push_back(a);
    }
    return out;
}

QString writeAttribute(const TAttr &a)
{
    if (!a.hasValue)
        return a.space + a.name;
    if (a.quote.isNull())
        return a.space + a.name + QLatin1Char('=') + a.value;
    return a.space + a.name + QLatin1Char('=') + a.quote + a.value + a.quote;
}

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
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype lt = s.indexOf(QLatin1Char('<'), i);
        if (lt < 0) {
            contentOf() += QStringView(s).mid(i);
            break;
        }
        contentOf() += QStringView(s).mid(i, lt - i);
        const qsizetype gt = tagEnd(s, lt);
        const QString tag = s.mid(lt, gt - lt + 1);
        i = gt + 1;
        bool endTag = false;
        const QString name = tagName(s, lt, endTag);
        if (!endTag) {
            stack.push_back({name, tag, QString(), QString(), false});
            continue;
        }
        qsizetype k = static_cast<qsizetype>(stack.size()) - 1;
        while (k >= 0 && stack[static_cast<size_t>(k)].name.compare(name, Qt::CaseInsensitive) != 0)
            --k;
        if (k < 0)
            continue; // an end tag without its start is dropped
        stack[static_cast<size_t>(k)].endTag = tag;
        while (static_cast<qsizetype>(stack.size()) - 1 > k)
            foldTop(false);
        TEntry &closed = stack.back();
        const bool flagged = closed.heading;
        const bool marksHeading = !flagged && isHeadingElement(closed.name) && closed.content.contains(kHeadingMarker);
        foldTop(true);
        if (marksHeading && !stack.empty())
            stack.back().heading = true;
    }
    while (!stack.empty()) {
        stack.back().endTag.clear();
        foldTop(false);
    }
    Body = result;
}

void TWordDoc::CopyAttachedFiles(const QString &ToWhere)
{
    for (int i = 0; i < AttachedFiles.Count(); ++i) {
        const QString entry = AttachedFiles[i];
        QString target;
        try {
            target = ConfinePath(ToWhere, entry);
        } catch (const Exception &) {
            Warnings.Add(QStringLiteral("The file \"%1\" would be copied outside the output folder and was left out.").arg(entry));
            continue;
        }
        const QString source = tempDir + entry;
        if (!QFileInfo::exists(source))
            continue;
        // A picture that cannot be copied would be missing from finished pages: an error.
        const QString folder = QFileInfo(target).absolutePath();
        if (!QFileInfo(folder).isDir() && !FileSystem().MakePath(folder))
            throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
        if (!FileSystem().CopyFile(source, target))
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\".").arg(source, target));
    }
    if (!FilesFolder.isEmpty() && QFileInfo(tempDir + FilesFolder).isDir()
        && !CopyFolderTree(tempDir + FilesFolder, ToWhere + FilesFolder))
        throw Exception(QStringLiteral("Cannot copy the pictures of the document to \"%1\".").arg(ToWhere + FilesFolder));
}

// --- Shapes and Flash objects -----------------------------------------------------------------

void TWordDoc::shapesPass(WordDocument &document)
{
    WordShapes inlineShapes = document.InlineShapes();
    WordShapes shapes = document.Shapes();
    if (inlineShapes.Count() + shapes.Count() == 0)
        return;
    auto addMap = [&](WordShape &canvas) {
        const std::vector<WordShape> items = canvas.CanvasItems();
        QString areas;
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            areas += areaOfCanvasItem(*it);
        if (!areas.isEmpty()) {
            const int number = static_cast<int>(MapCodes.size());
            MapCodes << QStringLiteral("<map name=\"WordMap%1\">\r\n").arg(number) + areas + QStringLiteral("</map>\r\n");
            canvas.SetAlternativeText(canvas.AlternativeText() + kMapMarker + QString::number(number) + QLatin1Char(')'));
        }
    };
    for (int i = 1; i <= inlineShapes.Count();) {
        WordShape shape = inlineShapes.Item(i);
        if (shape.Type() == 14) {
            // A canvas in line with the text is as clickable as a floating one.
            addMap(shape);
            ++i;
        } else if (shape.Type() == 5 && shape.ClassType().contains(QLatin1String("ShockwaveFlash"), Qt::CaseInsensitive)) {
            const int k = static_cast<int>(OLEObjs.size());
            addFlashObject(shape);
            WordRange range = shape.Range();
            range.InsertAfter(kFlashMarker + QStringLiteral("(%1)").arg(k));
            shape.Delete();
        } else {
            ++i;
        }
    }
    for (int i = 1; i <= shapes.Count();) {
        WordShape shape = shapes.Item(i);
        const int type = shape.Type();
        if (type == 1) {
            try {
                const WordHyperlinkInfo link = shape.Hyperlink();
                if (!link.SubAddress.isEmpty())
                    shape.SetAlternativeText(shape.AlternativeText() + kLinkMarker + QLatin1Char('#') + link.SubAddress + QLatin1Char(';') +
                                             link.Target + QLatin1Char(';') + link.ScreenTip);
                else if (!link.Address.isEmpty())
                    shape.SetAlternativeText(shape.AlternativeText() + kLinkMarker + link.Address + QLatin1Char(';') + link.Target +
                                             QLatin1Char(';') + link.ScreenTip);
            } catch (const Exception &) {
                // a shape whose link cannot be read keeps its picture without a link
            }
            ++i;
        } else if (type == 20) {
            addMap(shape);
            ++i;
        } else if (type == 12 && shape.ClassType().contains(QLatin1String("ShockwaveFlash"), Qt::CaseInsensitive)) {
            // Floating controls are written like inline ones, at their anchor, so none is lost.
            const int k = static_cast<int>(OLEObjs.size());
            addFlashObject(shape);
            WordRange anchor = shape.Anchor();
            anchor.InsertAfter(kFlashMarker + QStringLiteral("(%1)").arg(k));
            shape.Delete();
        } else {
            ++i;
        }
    }
}

void TWordDoc::addFlashObject(WordShape &shape)
{
    static const char *const names[] = {"AlignMode", "AllowFullScreen", "AllowNetworking", "AllowScriptAccess", "BackgroundColor",
                                        "Base", "BGColor", "DeviceFont", "EmbedMovie", "FlashVars", "FrameNum", "Loop", "Menu",
                                        "Movie", "Playing", "Profile", "ProfileAddress", "ProfilePort", "Quality", "Quality2",
                                        "SAlign", "Scale", "ScaleMode", "SWRemote", "WMode"};
    auto list = std::make_unique<TStringList>();
    for (const char *name : names)
        list->Add(QLatin1String(name) + QLatin1Char('=') + shape.Property(QLatin1String(name)));
    list->Add(QStringLiteral("Height=") + PointsToPixels(static_cast<float>(shape.Height())));
    list->Add(QStringLiteral("Width=") + PointsToPixels(static_cast<float>(shape.Width())));
    OLEObjs.push_back(std::move(list));
}

QString TWordDoc::areaOfCanvasItem(const WordShape &item) const
{
    try {
        const WordHyperlinkInfo link = item.Hyperlink();
        if (link.SubAddress.isEmpty() && link.Address.isEmpty())
            return QString();
        QString a = QStringLiteral("<area href=\"") + (link.SubAddress.isEmpty() ? link.Address : QString(QLatin1Char('#') + link.SubAddress)) +
                    QLatin1Char('"');
        if (!link.Target.isEmpty())
            a += QStringLiteral(" target=\"") + link.Target + QLatin1Char('"');
        // The engine reports canvas items in points from the canvas's corner, the same unit as
        // their size, and paints the canvas at 96 dpi: no further scaling is needed.
        const double left = item.Left(), top = item.Top();
        a += QStringLiteral(" shape=\"rect\" coords=\"") + PointsToPixels(float(left)) + QLatin1Char(',') + PointsToPixels(float(top)) +
             QLatin1Char(',') + PointsToPixels(float(left + item.Width())) + QLatin1Char(',') + PointsToPixels(float(top + item.Height())) +
             QLatin1Char('"');
        if (!link.ScreenTip.isEmpty())
            a += QStringLiteral(" title=\"") + link.ScreenTip + QStringLiteral("\">\r\n");
        else
            a += QStringLiteral(">\r\n");
        return a;
    } catch (const Exception &) {
        return QString();
    }
}

void TWordDoc::ProcessOLEObj()
{
    if (OLEObjs.empty())
        return;
    std::vector<QString> elements;
    for (size_t k = 0; k < OLEObjs.size(); ++k) {
        const TStringList &p = *OLEObjs[k];
        auto value = [&](const char *name) { return p.Values(QLatin1String(name)); };
        const QString rawMovie = value("Movie");
        QString movie = rawMovie;
        movie.replace(QLatin1Char('\\'), QLatin1Char('/'));
        QString e = QStringLiteral("\r\n<object type=\"application/x-shockwave-flash\" data=\"") + movie + QStringLiteral("\" width=\"") +
                    value("Width") + QStringLiteral("\" height=\"") + value("Height") + QStringLiteral("\">\r\n<param name=\"Movie\" value=\"") +
                    movie + QStringLiteral("\">\r\n");
        if (value("Playing").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            e += QStringLiteral("<param name=\"Play\" value=\"false\">\r\n");
        if (value("Loop").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            e += QStringLiteral("<param name=\"Loop\" value=\"false\">\r\n");
        if (value("Menu").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            e += QStringLiteral("<param name=\"Menu\" value=\"false\">\r\n");
        for (const char *name : {"AlignMode", "AllowFullScreen", "AllowNetworking", "AllowScriptAccess", "BackgroundColor", "Base",
                                 "BGColor", "DeviceFont", "EmbedMovie", "FlashVars", "FrameNum", "Profile", "ProfileAddress",
                                 "ProfilePort", "Quality", "SAlign", "Scale", "ScaleMode", "SWRemote", "WMode"}) {
            if (value(name).isEmpty())
                continue;
            const QString v = qstrcmp(name, "Quality") == 0 ? value("Quality2") : value(name);
            e += QStringLiteral("<param name=\"") + QLatin1String(name) + QStringLiteral("\" value=\"") + v + QStringLiteral("\">\r\n");
        }
        e += QStringLiteral("</object>\r\n");
        elements.push_back(e);

        if (rawMovie.isEmpty())
            continue;
        const QString from = (Project ? Project->RootDir : QString()) + movie;
        QString to;
        try {
            to = ConfinePath(tempDir, movie);
        } catch (const Exception &) {
            Warnings.Add(QStringLiteral("The Flash movie \"%1\" lies outside the project folder's tree and was not copied.").arg(rawMovie));
            continue;
        }
        if (QFileInfo::exists(to)) {
            AttachedFiles.Add(movie);
            continue;
        }
        if (!m_carryRoots)
            m_carryRoots = TCarryRoots(carryFolders());
        const TOutsideFile file = ReadOutsideFile(from, kMaxOutsideFile, &*m_carryRoots);
        if (!file.Ok()) {
            Warnings.Add(QStringLiteral("The Flash movie \"%1\" %2; it was not copied.").arg(from, file.Error));
            continue;
        }
        if (!FileSystem().MakePath(QFileInfo(to).absolutePath()) || !FileSystem().WriteFile(to, file.Data))
            throw Exception(QStringLiteral("Cannot copy the Flash movie \"%1\" to \"%2\".").arg(from, to));
        AttachedFiles.Add(movie);
    }
    // One pass over the page replaces every marker by its object.
    QString out;
    out.reserve(Source.size());
    qsizetype pos = 0;
    for (;;) {
        const qsizetype m = Source.indexOf(kFlashMarker, pos, Qt::CaseInsensitive);
        if (m < 0)
            break;
        qsizetype i = m + kFlashMarker.size();
        bool ok = false;
        size_t number = 0;
        if (i < Source.size() && Source[i] == QLatin1Char('(')) {
            const qsizetype close = Source.indexOf(QLatin1Char(')'), i + 1);
            if (close > i + 1 && close - i < 12) {
                number = Source.mid(i + 1, close - i - 1).toUInt(&ok);
                i = close + 1;
            }
        }
        if (!ok || number >= elements.size()) {
            out += QStringView(Source).mid(pos, m + 1 - pos);
            pos = m + 1;
            continue;
        }
        out += QStringView(Source).mid(pos, m - pos);
        out += elements[number];
        pos = i;
    }
    out += QStringView(Source).mid(pos);
    Source = out;
}

TShapeAlt TWordDoc::DecodeShapeAlt(const QString &value)
{
    TShapeAlt r;
    QString v = value;
    const qsizetype d = v.indexOf(QLatin1String("Description:"));
    if (d >= 0)
        v = v.mid(d + 12);
    const qsizetype map = v.indexOf(kMapMarker);
    if (map >= 0) {
        r.AltText = v.left(map);
        const qsizetype open = map + kMapMarker.size();
        const qsizetype close = v.indexOf(QLatin1Char(')'), open);
        r.MapNumber = close < 0 ? v.mid(open) : v.mid(open, close - open);
        return r;
    }
    const qsizetype link = v.indexOf(kLinkMarker);
    if (link >= 0) {
        r.AltText = v.left(link);
        const QString rest = v.mid(link + kLinkMarker.size());
        const qsizetype a = rest.indexOf(QLatin1Char(';'));
        const qsizetype b = a < 0 ? -1 : rest.indexOf(QLatin1Char(';'), a + 1);
        r.Link = a < 0 ? rest : rest.left(a);
        r.Target = a < 0 ? QString() : (b < 0 ? rest.mid(a + 1) : rest.mid(a + 1, b - a - 1));
        r.Title = b < 0 ? QString() : rest.mid(b + 1);
    } else {
        r.AltText = v;
    }
    if (!r.AltText.isEmpty())
        r.Title = r.AltText;
    else
        r.AltText = r.Title;
    return r;
}

QString TWordDoc::ChangeShapeLink(const QString &str)
{
    QString out;
    out.reserve(str.size() + str.size() / 8);
    qsizetype pos = 0;
    bool previousWasAStart = false;
    while (pos < str.size()) {
        const qsizetype lt = str.indexOf(QLatin1Char('<'), pos);
        if (lt < 0) {
            out += QStringView(str).mid(pos);
            break;
        }
        out += QStringView(str).mid(pos, lt - pos);
        const qsizetype gt = tagEnd(str, lt);
        bool endTag = false;
        const QString name = tagName(str, lt, endTag);
        pos = gt + 1;
        const bool isImg = !endTag && name.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0;
        if (!isImg || gt >= str.size()) {
            out += QStringView(str).mid(lt, gt - lt + 1);
            previousWasAStart = !endTag && name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0;
            continue;
        }
        QString trailing;
        const qsizetype attrsFrom = lt + 1 + name.size();
        std::vector<TAttr> attrs = parseAttributes(str, attrsFrom, gt, trailing);
        QString tag = QLatin1Char('<') + name;
        bool hasBorder = false, hasUsemap = false, decoded = false;
        TShapeAlt alt;
        for (TAttr &a : attrs) {
            if (a.name.compare(QLatin1String("border"), Qt::CaseInsensitive) == 0)
                hasBorder = true;
            if (a.name.compare(QLatin1String("usemap"), Qt::CaseInsensitive) == 0)
                hasUsemap = true;
            if (a.hasValue && a.name.compare(QLatin1String("alt"), Qt::CaseInsensitive) == 0) {
                alt = DecodeShapeAlt(a.value);
                decoded = true;
                a.value = alt.AltText;
                tag += writeAttribute(a) + QStringLiteral(" title=\"") + alt.Title + QLatin1Char('"');
                continue;
            }
            tag += writeAttribute(a);
        }
        // A closing "/" stays at the end of the tag.
        QString close = trailing + QLatin1Char('>');
        if (!attrs.empty() && attrs.back().name == QLatin1String("/") && !attrs.back().hasValue) {
            tag.chop(attrs.back().space.size() + 1);
            close = attrs.back().space + QLatin1Char('/') + close;
        }
        bool ok = false;
        const int map = decoded && !alt.MapNumber.isEmpty() ? alt.MapNumber.toInt(&ok) : -1;
        if (ok && map >= 0 && map < MapCodes.size() && !hasUsemap) {
            if (!hasBorder)
                tag += QStringLiteral(" border=\"0\"");
            tag += QStringLiteral(" usemap=\"#WordMap%1\"").arg(map);
            out += MapCodes[map] + tag + close;
        } else {
            if (!hasBorder)
                tag += QStringLiteral(" border=\"0\"");
            if (decoded && !alt.Link.isEmpty() && !previousWasAStart) {
                out += QStringLiteral("<a href=\"") + alt.Link + QStringLiteral("\" title=\"") + alt.Title + QLatin1Char('"');
                if (!alt.Target.isEmpty())
                    out += QStringLiteral(" target=\"") + alt.Target + QLatin1Char('"');
                out += QLatin1Char('>') + tag + close + QStringLiteral("</a>");
            } else {
                out += tag + close;
            }
        }
        previousWasAStart = false;
    }
    return out;
}

// --- Links -------------------------------------------------------------------------------------

void TWordDoc::flushBookmarks()
{
    if (!m_pendingBookmarks.isEmpty()) {
        // Sorted once and appended in order: inserting one by one into the sorted list would be
        // quadratic for large documents.
        QStringList all = BookmarkAndUrls.ToStringList() + m_pendingBookmarks;
        m_pendingBookmarks.clear();
        std::stable_sort(all.begin(), all.end(), [&](const QString &a, const QString &b) { return BookmarkAndUrls.Compare(a, b) < 0; });
        BookmarkAndUrls.Clear();
        for (const QString &line : all)
            BookmarkAndUrls.Add(line);
        m_lookupValid = false;
    }
    if (!m_lookupValid) {
        m_bookmarkLookup.clear();
        for (int i = 0; i < BookmarkAndUrls.Count(); ++i)
            m_bookmarkLookup.emplace(lowerAscii(BookmarkAndUrls.Names(i)), BookmarkAndUrls.ValueFromIndex(i));
        m_lookupValid = true;
    }
}

bool TWordDoc::GetBookmarksForHeadings(const QString &S, const QString &Url, bool IsHeading)
{
    qsizetype pos = 0;
    while (pos < S.size()) {
        const qsizetype lt = S.indexOf(QLatin1Char('<'), pos);
        if (lt < 0)
            break;
        const qsizetype gt = tagEnd(S, lt);
        bool endTag = false;
        const QString name = tagName(S, lt, endTag);
        pos = gt + 1;
        if (endTag || name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0)
            continue;
        QString trailing;
        for (const TAttr &a : parseAttributes(S, lt + 1 + name.size(), std::min(gt, S.size()), trailing)) {
            if (!a.hasValue || a.name.compare(QLatin1String("name"), Qt::CaseInsensitive) != 0)
                continue;
            const QString key = QLatin1Char('#') + lowerAscii(a.value);
            m_pendingBookmarks << (IsHeading ? QString(key + QLatin1Char('=') + Url) : QString(key + QLatin1Char('=') + Url + QLatin1Char('#') + a.value));
        }
    }
    return true;
}

QString TWordDoc::documentFolder() const
{
    const QString file = OriginalFile.isEmpty() ? FileName : OriginalFile;
    return QFileInfo(file).absolutePath();
}

QStringList TWordDoc::carryFolders() const
{
    QStringList folders;
    if (Project)
        folders = Project->CarryRootFolders();
    folders << documentFolder();
    return folders;
}

std::optional<QString> TWordDoc::bringAlong(const QString &linkedPath, const QString &name)
{
    if (auto it = m_broughtAlong.find(linkedPath); it != m_broughtAlong.end())
        return it->second;
    QString path = linkedPath;
    if (!QFileInfo::exists(path)) {
        // Documents written on Windows often spell a file's name in another letter case.
        const QFileInfo info(path);
        const QStringList same = QDir(info.absolutePath()).entryList({info.fileName()}, QDir::Files, QDir::Name);
        if (same.size() >= 1 && !info.fileName().contains(QLatin1Char('*')) && !info.fileName().contains(QLatin1Char('?')) &&
            !info.fileName().contains(QLatin1Char('['))) {
            path = info.absolutePath() + QLatin1Char('/') + same.first();
            Warnings.Add(QStringLiteral("The link to \"%1\" was taken to mean \"%2\" (letter case differs).").arg(linkedPath, path), m_where);
            if (auto it = m_broughtAlong.find(path); it != m_broughtAlong.end())
                return it->second;
        }
    }
    QString target;
    try {
        target = ConfinePath(tempDir, name);
    } catch (const Exception &) {
        Warnings.Add(QStringLiteral("The link to \"%1\" was removed: its file would be copied outside the working folder as \"%2\".").arg(path, name),
                     m_where);
        return std::nullopt;
    }
    if (!m_carryRoots)
        m_carryRoots = TCarryRoots(carryFolders());
    // One reading decides: the file opened is the file judged and the file copied.
    TOutsideFile file = ReadOutsideFile(path, kMaxOutsideFile, &*m_carryRoots);
    if (file.Missing) {
        Warnings.Add(QStringLiteral("A link names the file \"%1\", which does not exist.").arg(path), m_where);
        return name;
    }
    if (!file.Ok()) {
        Warnings.Add(QStringLiteral("The link to \"%1\" was removed and its text kept: the file %2.").arg(path, file.Error), m_where);
        return std::nullopt;
    }
    if (auto it = m_broughtAlong.find(file.Path); it != m_broughtAlong.end())
        return it->second;
    target = UniqueCopyName(target);
    // The file exists and may be carried: failing to copy it is a failing build, not a link
    // that quietly stops working.
    if (!FileSystem().MakePath(QFileInfo(target).absolutePath()) || !FileSystem().WriteFile(target, file.Data))
        throw Exception(QStringLiteral("Cannot copy the linked file \"%1\" to \"%2\".").arg(path, target));
    const QString relative = RelativeUrl(tempDir, target);
    AttachedFiles.Add(relative);
    ExternalFiles.Add(file.Path);
    m_broughtAlong[linkedPath] = relative;
    m_broughtAlong[path] = relative;
    m_broughtAlong[file.Path] = relative;
    return relative;
}

std::optional<QString> TWordDoc::linkRule(const QString &value)
{
    // The document's own script and inline-content links never become live links; the
    // rewrites below make the program's own, which are not the document's.
    if (IsScriptUrl(HtmlUnescape(value))) {
        Warnings.Add(QStringLiteral("The link \"%1\" would run script or carry inline content; its text is kept without the link.")
                         .arg(HtmlUnescape(value).left(200)),
                     m_where);
        return std::nullopt;
    }
    const QString root = Project ? Project->RootDir : QString();
    if (value.startsWith(QLatin1Char('#'))) {
        flushBookmarks();
        auto it = m_bookmarkLookup.find(lowerAscii(value));
        return it == m_bookmarkLookup.end() ? value : it->second;
    }
    if (value.startsWith(QLatin1String("file:///"), Qt::CaseInsensitive)) {
        QString path = QLatin1Char('/') + value.mid(8);
        path.replace(QLatin1String("%20"), QLatin1String(" "));
        return bringAlong(path, QFileInfo(path).fileName());
    }
    if (value.startsWith(QLatin1String("../../"))) {
        const QString path = NormalizePath(root + value.mid(6));
        const QString name = !root.isEmpty() && path.startsWith(root, Qt::CaseInsensitive) ? path.mid(root.size()) : QFileInfo(path).fileName();
        return bringAlong(path, name);
    }
    if (value.startsWith(QLatin1String("External:"), Qt::CaseInsensitive)) {
        const QString rest = value.mid(9);
        // The name goes into a single-quoted script string inside the attribute: decoded, then
        // escaped for the string, then for the attribute.
        if (OutputType == 1)
            return QStringLiteral("javascript:location.href='file:///'+location.href.substring((location.href.search(/:/)==2?14:7),"
                                  "location.href.lastIndexOf('\\\\')+1) + '") +
                   HtmlEscape(EscapeScriptString(HtmlUnescape(rest))) + QStringLiteral("';");
        return bringAlong(NormalizePath(root + rest), rest);
    }
    return value;
}

QString TWordDoc::ChangeUrls(const QString &str)
{
    QString out;
    out.reserve(str.size());
    qsizetype pos = 0;
    while (pos < str.size()) {
        const qsizetype lt = str.indexOf(QLatin1Char('<'), pos);
        if (lt < 0) {
            out += QStringView(str).mid(pos);
            break;
        }
        out += QStringView(str).mid(pos, lt - pos);
        const qsizetype gt = tagEnd(str, lt);
        bool endTag = false;
        const QString name = tagName(str, lt, endTag);
        pos = gt + 1;
        if (endTag || gt >= str.size() ||
            (name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0 && name.compare(QLatin1String("area"), Qt::CaseInsensitive) != 0)) {
            out += QStringView(str).mid(lt, gt - lt + 1);
            continue;
        }
        QString trailing;
        std::vector<TAttr> attrs = parseAttributes(str, lt + 1 + name.size(), gt, trailing);
        out += QLatin1Char('<') + name;
        for (TAttr &a : attrs) {
            if (a.hasValue && a.name.compare(QLatin1String("href"), Qt::CaseInsensitive) == 0) {
                const std::optional<QString> link = linkRule(a.value);
                if (!link)
                    continue; // without its address the element is plain text
                a.value = *link;
            }
            out += writeAttribute(a);
        }
        out += trailing + QLatin1Char('>');
    }
    return out;
}

void TWordDoc::ChangeUrls(TContentsItems &ContentItems)
{
    for (int i = 0; i < ContentItems.Count(); ++i) {
        TContentsItem *item = ContentItems[i];
        if (item->Status == 0) {
            m_where = item->Title;
            item->Content = ChangeUrls(ChangeShapeLink(item->Content));
        }
    }
    m_where.clear();
}

// --- Splitting into topics ---------------------------------------------------------------------

void TWordDoc::finishItem(TContentsItem *item, TContentsItems &items, QString &headingSources)
{
    Q_UNUSED(items);
    item->Status = 0;
    item->Accessible = true;
    m_pendingBookmarks << QLatin1Char('#') + lowerAscii(item->Title) + QLatin1Char('=') + item->Url;
    GetBookmarksForHeadings(headingSources, item->Url, true);
    headingSources.clear();
    GetBookmarksForHeadings(item->Content, item->Url, false);
}

void TWordDoc::ToContentsItems(TContentsItems &ContentItems)
{
    const QString work = QStringLiteral("<body>") + Body + QStringLiteral("</body>");
    ContentItems.Clear();
    m_pendingBookmarks.clear();
    const QString ext = PageExtension();
    int counter = -1;
    bool omitMode = false;
    int omitLevel = 0;
    QString headingSources;
    qsizetype contentStart = 0;
    // The entry of the previous heading (added or not) and whether it was added.
    TContentsItem *previous = nullptr;
    TContentsItem *lastAdded = nullptr; // children are counted on the entries that get one
    std::unique_ptr<TContentsItem> previousOmitted;
    bool previousAdded = false;

    struct TEntry
    {
        QString name;
        qsizetype lt;
        QString text;
    };
    std::vector<TEntry> stack;
    qsizetype i = 0;
    const qsizetype n = work.size();
    while (i < n) {
        const QChar c = work[i];
        if (c != QLatin1Char('<')) {
            if (!stack.empty() && c != QLatin1Char('\r'))
                stack.back().text += c == QLatin1Char('\n') ? QChar(' ') : c;
            ++i;
            continue;
        }
        const qsizetype lt = i;
        qsizetype k = lt + 1;
        const bool endTag = k < n && work[k] == QLatin1Char('/');
        if (endTag)
            ++k;
        const qsizetype nb = k;
        while (k < n && work[k] != QLatin1Char(' ') && work[k] != QLatin1Char('>') && work[k] != QLatin1Char('\r') &&
               work[k] != QLatin1Char('\n'))
            ++k;
        const QString name = work.mid(nb, k - nb);
        const qsizetype nameEnd = k; // the character that ended the name
        const qsizetype gt = tagEnd(work, lt);
        i = gt + 1;
        if (!endTag) {
            stack.push_back({name, lt, QString()});
            continue;
        }
        qsizetype f = static_cast<qsizetype>(stack.size()) - 1;
        while (f >= 0 && stack[static_cast<size_t>(f)].name.compare(name, Qt::CaseInsensitive) != 0)
            --f;
        if (f < 0)
            continue;
        TEntry &found = stack[static_cast<size_t>(f)];
        for (size_t a = static_cast<size_t>(f) + 1; a < stack.size(); ++a)
            found.text += stack[a].text;
        const qsizetype marker = isHeadingElement(found.name) ? found.text.indexOf(kHeadingMarker) : -1;
        if (marker >= 0) {
            ++counter;
            if (counter >= static_cast<int>(Headings.size()) || counter >= static_cast<int>(IndexList.size()))
                throw Exception(QStringLiteral("The page holds more heading marks than the document had headings."));
            const THeadingProperty &property = *Headings[static_cast<size_t>(counter)];
            auto item = std::make_unique<TContentsItem>();
            qsizetype after = marker + kHeadingMarker.size();
            int level = 1;
            if (after < found.text.size() && found.text[after].isDigit() && found.text[after].unicode() < 128) {
                level = std::max(found.text[after].digitValue(), 1);
                ++after;
            }
            item->HTMLTitle = found.text.mid(after);
            item->Title = HtmlUnescape(item->HTMLTitle).trimmed();
            if (item->Title.isEmpty())
                item->Title = item->HTMLTitle = QStringLiteral("(Blank)");
            const QString base = GetBaseName(item->Title);
            QString explicitName = property.FileName;
            if (!explicitName.isEmpty() && !IsConfinedName(QStringLiteral("/pages"), explicitName + ext)) {
                Warnings.Add(QStringLiteral("The file name \"%1\" would leave the page folder; the name made from the title is used.").arg(printable(explicitName)),
                             item->Title);
                explicitName.clear();
            }
            // The page name, the identifier and the number are written into the help project's
            // line-based files, some of them quoted: what would break a line or a quote there is
            // not taken.
            auto takeIf = [&](const QString &value, bool (*fits)(const QString &), const QString &refusal) {
                if (value.isEmpty() || fits(value))
                    return value;
                Warnings.Add(refusal.arg(printable(value)), item->Title);
                return QString();
            };
            explicitName = takeIf(explicitName, isPlainPropertyName,
                                  QStringLiteral("The file name \"%1\" holds a line break, a control character or a double quote; the name made from the title is used."));
            const QString staticVar = takeIf(property.StaticVar, isIdentifier,
                                             QStringLiteral("The identifier \"%1\" is not made of letters, digits and \"_\"; the identifier made from the title is used."));
            const QString contextId = takeIf(property.Id, isDecimalNumber,
                                             QStringLiteral("The context number \"%1\" is not a decimal number; the number made from the heading's place is used."));
            item->Url = !explicitName.isEmpty() ? QString(explicitName + ext) : ContentItems.GetExclusiveFilename(GetTopicFileName(base), ext);
            item->StaticName = !staticVar.isEmpty() ? staticVar : ContentItems.GetExclusiveStaticName(GetTopicStaticName(base));
            item->Level = level;
            QString keywords;
            const TStringList &index = *IndexList[static_cast<size_t>(counter)];
            for (int w = 0; w < index.Count(); ++w)
                keywords += index[w] + QStringLiteral("\r\n");
            item->Keywords = keywords;
            item->ContextNumber = !contextId.isEmpty() ? contextId : QString::number(10000 + counter) + QLatin1Char('0');
            const int written = item->Level;
            if (previous && previous->Level < item->Level)
                item->Level = std::min(item->Level, previous->Level + 1);
            else if (!previous && item->Level > 1)
                item->Level = 1;
            if (item->Level != written)
                Warnings.Add(QStringLiteral("The heading of level %1 follows a heading of level %2 and is placed at level %3.")
                                 .arg(written)
                                 .arg(previous ? previous->Level : 0)
                                 .arg(item->Level),
                             item->Title);
            item->TitleSource = work.mid(found.lt, nameEnd - found.lt + 1);
            if (property.Omit) {
                omitMode = true;
                omitLevel = item->Level;
            } else if (omitMode && item->Level <= omitLevel) {
                omitMode = false;
            }
            // A parent counts children that get an entry: an omitted subtree makes no book.
            if (!omitMode && lastAdded && lastAdded->Level < item->Level)
                lastAdded->HasChildNode = true;
            if (previous) {
                previous->Content = work.mid(contentStart, found.lt - contentStart);
                if (previousAdded) {
                    headingSources += previous->TitleSource;
                    if (IsBlankText(previous->Content) && previous->HasChildNode) {
                        ContentItems.SetUrl(previous, QString());
                        previous->Status = 2;
                        previous->Accessible = false;
                    } else {
                        finishItem(previous, ContentItems, headingSources);
                    }
                }
            }
            contentStart = nameEnd + 1;
            if (!omitMode) {
                previous = lastAdded = ContentItems.Add(std::move(item));
                previousOmitted.reset();
                previousAdded = true;
            } else {
                previousOmitted = std::move(item);
                previous = previousOmitted.get();
                previousAdded = false;
            }
        }
        if (f >= 2)
            stack[static_cast<size_t>(f) - 1].text += found.text;
        stack.resize(static_cast<size_t>(f));
    }
    if (previous && previousAdded) {
        const qsizetype bodyEnd = work.size() - 7;
        previous->Content = contentStart < bodyEnd ? work.mid(contentStart, bodyEnd - contentStart) : QString();
        headingSources += previous->TitleSource;
        if (IsBlankText(previous->Content)) {
            ContentItems.SetUrl(previous, QString());
            previous->Status = 2;
            previous->Accessible = false;
        } else {
            finishItem(previous, ContentItems, headingSources);
        }
    }
    flushBookmarks();
    if (ContentItems.Count() == 0)
        throw Exception(counter < 0 ? QStringLiteral("The document \"%1\" has no headings, so there are no topics: give the topic titles heading styles or outline levels.").arg(QFileInfo(FileName).fileName())
                                    : QStringLiteral("Every heading of the document \"%1\" is omitted, so there are no topics.").arg(QFileInfo(FileName).fileName()));
    ChangeUrls(ContentItems);
    ContentItems.PreProcess();
}

} // namespace tavrel
