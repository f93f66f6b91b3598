// The template editor's and chooser's core: colouring of real template files, the editor's
// folder and its packing back into the stream, text files kept in their encoding, the catalogue
// and the preview's confinement.
#include "editing/ChooseTemplate.h"
#include "editing/HTMLEditor.h"
#include "editing/HTMLEditorColour.h"
#include "editing/TemplatePreview.h"
#include "output/Template.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;

namespace {
constexpr QRgb kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF008000, kDarkRed = 0xFF800000, kBlack = 0xFF000000;

// The colour of every character, from the spans.
std::vector<QRgb> perChar(const QList<TColourSpan> &spans)
{
    std::vector<QRgb> out;
    for (const auto &s : spans)
        out.insert(out.end(), static_cast<size_t>(s.Length), s.Colour);
    return out;
}

// "RRRBBB" style picture of a text's colours, for readable goldens.
std::string letters(const QString &text, TSourceKind kind)
{
    std::string out;
    for (QRgb c : perChar(ColourSource(text, kind)))
        out += c == kRed ? 'R' : c == kBlue ? 'B' : c == kGreen ? 'G' : c == kDarkRed ? 'D' : c == kBlack ? 'K' : '?';
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList installedMainPages()
{
    QStringList out;
    for (const auto &b : InstalledCatalogue())
        out << CatalogueMainPage(InstalledTemplatesFolder(), b);
    return out;
}
} // namespace

TEST(TemplateColouring, SmallGoldens)
{
    // Tag red, quoted value green, text blue; the style block by the style-sheet rules.
    EXPECT_EQ(letters("<a href=\"x\">hi</a>", TSourceKind::Html), "RRRRRRRRRGRRBBRRRR");
    EXPECT_EQ(letters("p{color:red;}", TSourceKind::StyleSheet), "BBRRRRRRGGGBB");
    EXPECT_EQ(letters("a /*c*/ b", TSourceKind::StyleSheet), "BBDDDDDBB");
    EXPECT_EQ(letters("f(){}", TSourceKind::Script), "KGGRR");
    // A value that holds a colon stays a value.
    EXPECT_EQ(letters("b{x:url(a:b);}", TSourceKind::StyleSheet), "BBRRGGGGGGGGBB");
    // "</script" in the middle of a word is not the end of the block.
    const QString page = "<script>a(</scripts>)</script>t";
    const std::vector<QRgb> c = perChar(ColourSource(page, TSourceKind::Html));
    EXPECT_EQ(c[9], kGreen);                                  // "(" inside the block
    EXPECT_EQ(c[static_cast<size_t>(page.indexOf(')'))], kGreen); // still script
    EXPECT_EQ(c.back(), kBlue);
    // A style block is coloured as the same text alone would be.
    EXPECT_EQ(letters("<style>p{a:b}</style>x", TSourceKind::Html), "RRRRRRR" "BBRRGB" "RRRRRRRR" "B");
}

// Every real template file: the spans cover the text exactly once, neighbours differ, and an
// HTML page's style and script blocks are coloured exactly as the same text on its own.
TEST(TemplateColouring, RealTemplateFilesKeepTheirRules)
{
    int checkedBlocks = 0;
    QDirIterator it(InstallPath("templates"), {"*.htm", "*.html", "*.css", "*.js"}, QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QString text = QString::fromUtf8(fileBytes(path));
        text.remove(QLatin1Char('\r'));
        const TSourceKind kind = SourceKindOf("." + QFileInfo(path).suffix());
        const QList<TColourSpan> spans = ColourSource(text, kind);
        int pos = 0;
        for (int i = 0; i < spans.size(); ++i) {
            ASSERT_EQ(spans[i].Start, pos) << path.toStdString();
            ASSERT_GT(spans[i].Length, 0);
            if (i > 0) {
                ASSERT_NE(spans[i].Colour, spans[i - 1].Colour);
            }
            pos += spans[i].Length;
        }
        ASSERT_EQ(pos, text.size()) << path.toStdString();
        ++files;
        if (kind != TSourceKind::Html)
            continue;
        const std::vector<QRgb> whole = perChar(spans);
        for (const char *tag : {"style", "script"}) {
            int from = 0;
            for (;;) {
                const int open = text.indexOf(QStringLiteral("<%1").arg(tag), from, Qt::CaseInsensitive);
                if (open < 0)
                    break;
                const int start = text.indexOf('>', open) + 1;
                const int end = text.indexOf(QStringLiteral("</%1").arg(tag), start, Qt::CaseInsensitive);
                ASSERT_GT(end, start) << path.toStdString();
                const auto alone = perChar(ColourSource(text.mid(start, end - start),
                                                        tag[1] == 't' ? TSourceKind::StyleSheet : TSourceKind::Script));
                for (int i = 0; i < end - start; ++i) {
                    ASSERT_EQ(whole[static_cast<size_t>(start + i)], alone[static_cast<size_t>(i)]) << path.toStdString() << " at " << start + i;
                }
                ++checkedBlocks;
                from = end;
            }
        }
        // Outside tags and blocks every letter is text (blue): check the title's text.
        const int title = text.indexOf("<title>", 0, Qt::CaseInsensitive);
        if (title >= 0 && text[title + 7] != '<') {
            EXPECT_EQ(whole[static_cast<size_t>(title + 7)], kBlue) << path.toStdString();
        }
    }
    EXPECT_GE(files, 10);
}

TEST(TemplateColouring, WordsAndColourSelections)
{
    const QString t = "color: #00ff00; font_size";
    EXPECT_EQ(WordSelection(t, 9, 11), std::make_pair(8, 14));  // inside "00ff00"
    EXPECT_EQ(WordSelection(t, 6, 9), std::make_pair(8, 14));   // " #0" widens from its word char
    EXPECT_EQ(WordSelection(t, 20, 20), std::make_pair(16, 25)); // a caret takes "font_size"
    EXPECT_EQ(WordSelection(t, 5, 7), std::make_pair(5, 7));    // no word character: unchanged
    EXPECT_EQ(SelectedColour(" #00ff00 "), std::optional<QColor>(QColor(0, 255, 0)));
    EXPECT_FALSE(SelectedColour("#00ff0").has_value());
    EXPECT_FALSE(SelectedColour("#00gg00").has_value());
    QImage glyph(16, 16, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    const QImage s = SwatchGlyph(glyph, QColor(0, 255, 0));
    EXPECT_EQ(s.pixel(3, 12), QColor(0, 255, 0).rgb());
    EXPECT_EQ(s.pixel(3, 11), glyph.pixel(3, 11));
}

// Every installed template, packed as a project holds it, goes through the editor untouched.
TEST(TemplateEditorCore, SaveWithoutChangesKeepsEveryStreamByteForByte)
{
    const QStringList pages = installedMainPages();
    ASSERT_GE(pages.size(), 5);
    for (const QString &page : pages) {
        QByteArray stream;
        TemplateFileToStream(page, stream);
        ASSERT_FALSE(stream.isEmpty()) << page.toStdString();
        // A file the page does not name, and the stream's entries in an order of its own.
        std::vector<TTemplateEntry> entries = ReadTemplateEntries(stream);
        std::reverse(entries.begin() + 1, entries.end());
        entries.push_back({"notes\\readme.txt", "kept"});
        QByteArray odd;
        for (const auto &e : entries)
            AppendTemplateEntry(odd, e.Name, e.Data);
        const QByteArray before = odd;
        THTMLEditorCore core;
        core.Open(&odd);
        EXPECT_EQ(core.Check(), THTMLEditorCore::TState::Ready);
        EXPECT_FALSE(core.Save());
        EXPECT_EQ(odd, before) << page.toStdString();
    }
}

TEST(TemplateEditorCore, ListChangesAndSaving)
{
    QTemporaryDir src;
    writeBytes(src.filePath("index.htm"), "<html><head><link rel=stylesheet href=\"s.css\"></head><body>"
                                          "<img src=\"a.png\"><img src=\"b.bmp\">($content$)</body></html>");
    writeBytes(src.filePath("s.css"), "body{color:red;}");
    QImage png(2, 2, QImage::Format_RGB32);
    png.fill(Qt::red);
    png.save(src.filePath("a.png"));
    writeBytes(src.filePath("b.bmp"), "BM");
    QByteArray stream;
    TemplateFileToStream(src.filePath("index.htm"), stream);
    const QByteArray original = stream;

    QString folder;
    {
        THTMLEditorCore core;
        core.Open(&stream);
        folder = core.tempDir;
        const auto files = core.Files();
        ASSERT_EQ(files.size(), 5u);
        EXPECT_EQ(files[0].Caption, "index.htm (Preview)");
        EXPECT_EQ(files[0].EditorType, TFilesInTemplate::etPreview);
        EXPECT_EQ(files[1].Caption, "index.htm (Source)");
        EXPECT_EQ(files[1].EditorType, TFilesInTemplate::etSource);
        std::map<QString, int> types;
        for (size_t i = 2; i < files.size(); ++i)
            types[files[i].Caption] = files[i].EditorType;
        EXPECT_EQ(types, (std::map<QString, int>{{"s.css", 1}, {"a.png", 2}, {"b.bmp", 0}}));

        // A picture that is not one is refused and leaves the file as it was.
        const QString pngPath = QDir(core.tempDir).filePath("a.png");
        const QByteArray pngBefore = fileBytes(pngPath);
        writeBytes(src.filePath("fake.png"), "not a picture");
        EXPECT_THROW(ReplacePicture(pngPath, src.filePath("fake.png")), Exception);
        EXPECT_EQ(fileBytes(pngPath), pngBefore);
        QImage blue(3, 3, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        blue.save(src.filePath("other.png"));
        ReplacePicture(pngPath, src.filePath("other.png"));
        EXPECT_EQ(fileBytes(pngPath), fileBytes(src.filePath("other.png")));

        // An edited style sheet reaches the stream only on Save.
        const TSourceFile css = ReadSourceFile(QDir(core.tempDir).filePath("s.css"), false);
        SaveSourceFile(QDir(core.tempDir).filePath("s.css"), css.Text + "p{}", css.Encoding, false);
        EXPECT_EQ(stream, original);
        EXPECT_TRUE(core.Save());
        std::map<QString, QByteArray> saved;
        for (const auto &e : ReadTemplateEntries(stream))
            saved[e.Name] = e.Data;
        EXPECT_EQ(saved["s.css"], "body{color:red;}p{}");
        EXPECT_EQ(saved["a.png"], fileBytes(src.filePath("other.png")));
        EXPECT_EQ(ReadTemplateEntries(stream).front().Name, "index.htm");

        // The main page gone: the editor says so and saving leaves the stream alone.
        const QByteArray afterSave = stream;
        QFile::rename(core.MainFile, QDir(core.tempDir).filePath("main2.htm"));
        EXPECT_EQ(core.Check(), THTMLEditorCore::TState::MainMissing);
        EXPECT_THROW(core.Save(), Exception);
        EXPECT_EQ(stream, afterSave);
        core.SetMainFileName("main2.htm");
        EXPECT_EQ(core.Check(), THTMLEditorCore::TState::Ready);
        EXPECT_THROW(core.SetMainFileName("../x.htm"), Exception);

        // A lost folder: a clear message and the stream as it was.
        QDir(core.tempDir).removeRecursively();
        EXPECT_EQ(core.Check(), THTMLEditorCore::TState::FolderLost);
        try {
            core.Save();
            ADD_FAILURE() << "saved without a folder";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), "The template folder is lost!");
        }
        EXPECT_EQ(stream, afterSave);
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST(TemplateEditorCore, StreamsThatDoNotUnpackLeaveNothingBehind)
{
    QByteArray escaping;
    AppendTemplateEntry(escaping, "index.htm", "<html></html>");
    AppendTemplateEntry(escaping, "..\\..\\evil.htm", "x");
    QByteArray garbage = QByteArray::fromHex("05000000000000004100");
    QByteArray empty;
    for (QByteArray *s : {&escaping, &garbage, &empty}) {
        const QByteArray before = *s;
        THTMLEditorCore core;
        EXPECT_THROW(core.Open(s), Exception);
        EXPECT_TRUE(core.tempDir.isEmpty());
        EXPECT_EQ(*s, before);
    }
}

// Each way a text file can be stored comes back byte for byte when the text is unchanged.
TEST(TemplateEditorCore, SourceFilesKeepTheirEncoding)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("body { content: \"Grüße\"; }");
    struct Case { const char *name; QByteArray bytes; bool html; };
    const QString page = QStringLiteral("<html><head><meta charset=\"%1\"></head><body>Привет ü</body></html>");
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : text) {
        utf16.append(static_cast<char>(c.unicode() & 0xFF));
        utf16.append(static_cast<char>(c.unicode() >> 8));
    }
    const std::vector<Case> cases = {
        {"utf8-bom.css", QByteArray("\xEF\xBB\xBF") + text.toUtf8(), false},
        {"utf8.css", text.toUtf8(), false},
        {"utf16.css", utf16, false},
        {"latin1.css", text.toLatin1(), false},
        {"utf8.htm", page.arg("utf-8").toUtf8(), true},
        {"cp1251.htm", QByteArray("<html><head><meta charset=\"windows-1251\"></head><body>\xCF\xF0\xE8\xE2\xE5\xF2</body></html>"), true},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(c.name);
        writeBytes(path, c.bytes);
        const TSourceFile f = ReadSourceFile(path, c.html);
        EXPECT_FALSE(f.Text.contains(QChar::ReplacementCharacter)) << c.name;
        EXPECT_EQ(EncodeSource(f.Text, f.Encoding, c.html), c.bytes) << c.name;
    }
    // A page whose author names another charset is written in it; what it cannot hold becomes
    // a character reference.
    const TSourceFile cyr = ReadSourceFile(dir.filePath("cp1251.htm"), true);
    QString changed = cyr.Text;
    changed.replace("windows-1251", "iso-8859-1");
    const QByteArray latin = EncodeSource(changed, cyr.Encoding, true);
    EXPECT_TRUE(latin.contains("&#1055;")) << latin.constData();
    // Emptying a file empties it.
    SaveSourceFile(dir.filePath("utf8.css"), QString(), ReadSourceFile(dir.filePath("utf8.css"), false).Encoding, false);
    EXPECT_EQ(QFileInfo(dir.filePath("utf8.css")).size(), 0);
}

TEST(TemplateCatalogue, BlocksOutputsAndPositions)
{
    const QString ini = "Name=One\nPosition=one/one.htm\nhtmlHelp=Yes\nWebHelp= yes \n"
                        "\n\n"
                        "Name=Two\r\nPosition=two/two.htm\r\nhtmlHelp=No\r\nWebHelp=YES\r\n"
                        "   \n"
                        "Position=nameless/x.htm\nhtmlHelp=Yes\n"
                        "\n"
                        "Name=Broken\nthis line is not a pair\nPosition=../../../etc/passwd\nhtmlHelp=Yes\n"
                        "\n"
                        "Name=Last\nPosition=last/last.htm\nhtmlHelp=yes";
    TWarnings w;
    const auto blocks = ReadTemplateCatalogue(ini, &w);
    auto names = [](const std::vector<TTemplateBlock> &b) {
        QStringList out;
        for (const auto &x : b)
            out << x.Name;
        return out;
    };
    EXPECT_EQ(names(blocks), QStringList({"One", "Two", "Broken", "Last"}));
    EXPECT_EQ(names(TemplatesFor(blocks, "htmlHelp")), QStringList({"One", "Broken", "Last"}));
    EXPECT_EQ(names(TemplatesFor(blocks, "WebHelp")), QStringList({"One", "Two"}));
    EXPECT_TRUE(w.Contains("without a name"));
    EXPECT_TRUE(w.Contains("not key=value"));
    QTemporaryDir dir;
    TWarnings w2;
    EXPECT_EQ(CatalogueMainPage(dir.path(), blocks[2], &w2), QString());
    EXPECT_TRUE(w2.Contains("outside the templates folder"));
    EXPECT_EQ(CatalogueMainPage(dir.path(), blocks[0]), dir.path() + "/one/one.htm");
}

TEST(TemplatePreview, PagesAreFilledAndLoadsStayInTheFolder)
{
    for (const QString &page : installedMainPages()) {
        QString folder;
        const QString main = CopyTemplate(page, folder);
        QString preview;
        WritePreviewPage(main, preview);
        const QString html = QString::fromUtf8(fileBytes(preview));
        EXPECT_TRUE(html.contains("Creating your first project")) << page.toStdString();
        EXPECT_FALSE(html.contains("($content$)", Qt::CaseInsensitive)) << page.toStdString();
        EXPECT_EQ(QFileInfo(preview).absolutePath(), QFileInfo(main).absolutePath());
        EXPECT_TRUE(PreviewMayLoad(QUrl::fromLocalFile(preview), folder));
        QDir(folder).removeRecursively();
    }
    QTemporaryDir dir, outside;
    writeBytes(dir.filePath("a/p.png"), "x");
    writeBytes(outside.filePath("secret.txt"), "x");
    ASSERT_TRUE(QFile::link(outside.path(), dir.filePath("link")));
    EXPECT_TRUE(PreviewMayLoad(QUrl::fromLocalFile(dir.filePath("a/p.png")), dir.path()));
    EXPECT_TRUE(PreviewMayLoad(QUrl::fromLocalFile(dir.filePath("a/missing.css")), dir.path()));
    EXPECT_TRUE(PreviewMayLoad(QUrl("data:image/png;base64,AAAA"), dir.path()));
    EXPECT_FALSE(PreviewMayLoad(QUrl::fromLocalFile(dir.filePath("a/../../x")), dir.path()));
    EXPECT_FALSE(PreviewMayLoad(QUrl::fromLocalFile(dir.filePath("link/secret.txt")), dir.path()));
    EXPECT_FALSE(PreviewMayLoad(QUrl::fromLocalFile(outside.filePath("secret.txt")), dir.path()));
    EXPECT_FALSE(PreviewMayLoad(QUrl("http://127.0.0.1/x.js"), dir.path()));
    EXPECT_FALSE(PreviewMayLoad(QUrl("file://host/share/x"), dir.path()));
    EXPECT_FALSE(PreviewMayLoad(QUrl::fromLocalFile(dir.path() + "x/evil"), dir.path())); // a sibling with the same prefix
}
