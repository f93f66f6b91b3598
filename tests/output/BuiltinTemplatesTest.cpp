// The built-in page templates and their catalogue: every listed template packs, makes valid
// pages with every placeholder filled, uses style-sheet properties the help viewer's old engine
// knows, needs no script and nothing from outside its folder.
//
// With TAVREL_TEMPLATE_SAMPLES=<folder> the sample pages are written there (one sub-folder per
// template) for the screenshots of docs/templates/; otherwise into a temporary folder.
#include "output/Template.h"
#include "output/TemplateEngine.h"
#include "project/Contents.h"
#include "text/functions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

using namespace tavrel;

namespace {

const QString kTemplates = QStringLiteral(TAVREL_SOURCE_DIR "/data/templates/");

struct TCatalogueBlock
{
    QString Name, Position;
    bool HtmlHelp = false, WebHelp = false;
};

// Blocks of key=value lines separated by blank lines, as the template chooser reads them.
std::vector<TCatalogueBlock> readCatalogue()
{
    std::vector<TCatalogueBlock> blocks;
    std::map<QString, QString> keys;
    auto finish = [&] {
        if (!keys.empty() && !keys["name"].isEmpty()) {
            TCatalogueBlock b;
            b.Name = keys["name"];
            b.Position = keys["position"];
            b.HtmlHelp = keys["htmlhelp"].trimmed().compare("yes", Qt::CaseInsensitive) == 0;
            b.WebHelp = keys["webhelp"].trimmed().compare("yes", Qt::CaseInsensitive) == 0;
            blocks.push_back(b);
        }
        keys.clear();
    };
    const QString text = ReadTextFile(kTemplates + "templates.ini");
    for (const QString &line : text.split(QRegularExpression("\r\n|\n"))) {
        if (line.trimmed().isEmpty()) {
            finish();
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys.emplace(line.left(eq).trimmed().toLower(), line.mid(eq + 1));
    }
    finish();
    return blocks;
}

QString sampleOutputFolder(QTemporaryDir &temp)
{
    const QString wanted = qEnvironmentVariable("TAVREL_TEMPLATE_SAMPLES");
    return wanted.isEmpty() ? temp.path() + "/" : QDir(wanted).absolutePath() + "/";
}

const char *kDocumentHead =
    "\r\n<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n"
    "<meta name=Generator content=\"document engine\">\r\n<title>Lumen Notes Help</title>\r\n";

const char *kSampleTopic = R"(
<p>Lumen Notes runs on any recent desktop computer. This topic takes you through the
installation and the first start, and lists the options the installer offers.</p>
<h2>Before you begin</h2>
<ul>
<li>About 200 MB of free disk space.</li>
<li>An account that may install programs.</li>
<li>The installer, <code>lumen-setup.exe</code>, from your download page.</li>
</ul>
<h2>Install the program</h2>
<ol>
<li>Close every open document.</li>
<li>Start the installer and choose <b>Next</b> on each page.</li>
<li>When the installer asks for a folder, keep the suggested one or choose another.</li>
<li>Choose <b>Finish</b>. Lumen Notes starts and opens a sample notebook.</li>
</ol>
<blockquote><p><b>Tip:</b> you can move the program folder later; your notebooks are stored
separately and stay where they are.</p></blockquote>
<h2>Installation options</h2>
<table>
<tr><th>Option</th><th>What it does</th><th>Default</th></tr>
<tr><td>Desktop shortcut</td><td>Puts a shortcut to Lumen Notes on the desktop.</td><td>On</td></tr>
<tr><td>File types</td><td>Opens <code>.lnb</code> notebooks with Lumen Notes.</td><td>On</td></tr>
<tr><td>Updates</td><td>Looks for a new version once a week.</td><td>Off</td></tr>
</table>
<h3>Installing without questions</h3>
<p>To install on many computers at once, start the installer from a command prompt:</p>
<pre>lumen-setup.exe /quiet /dir="C:\Programs\Lumen Notes"</pre>
<p>Next, create <a href="your-first-notebook.htm">your first notebook</a>.</p>
)";

std::vector<TContentsItem> sampleItems()
{
    std::vector<TContentsItem> items(3);
    items[0].Title = items[0].HTMLTitle = "Getting started";
    items[0].Url = "getting-started.htm";
    items[0].Content = "<p>Welcome to Lumen Notes. The topics of this chapter help you install the program "
                       "and write your first note.</p>";
    items[0].NextPage = "installing-lumen-notes.htm";
    items[0].Navigation = "Help &gt; Getting started";
    items[1].Title = items[1].HTMLTitle = "Installing Lumen Notes";
    items[1].Url = "installing-lumen-notes.htm";
    items[1].Content = kSampleTopic;
    items[1].LastPage = "getting-started.htm";
    items[1].NextPage = "your-first-notebook.htm";
    items[1].Navigation = "Help &gt; <a href=\"getting-started.htm\">Getting started</a> &gt; Installing Lumen Notes";
    items[2].Title = items[2].HTMLTitle = "Your first notebook";
    items[2].Url = "your-first-notebook.htm";
    items[2].Content = "<p>A notebook keeps related notes together. Choose <b>File &gt; New notebook</b> "
                       "and give it a name.</p>";
    items[2].LastPage = "installing-lumen-notes.htm";
    items[2].Navigation = "Help &gt; <a href=\"getting-started.htm\">Getting started</a> &gt; Your first notebook";
    return items;
}

// The style-sheet properties of CSS 2.1: all that the old engine of the help viewer may be asked
// for.
const QSet<QString> &css21Properties()
{
    static const QSet<QString> set = [] {
        QSet<QString> s;
        for (const char *p : {
                 "azimuth", "background", "background-attachment", "background-color", "background-image",
                 "background-position", "background-repeat", "border", "border-collapse", "border-color",
                 "border-spacing", "border-style", "border-top", "border-right", "border-bottom", "border-left",
                 "border-top-color", "border-right-color", "border-bottom-color", "border-left-color",
                 "border-top-style", "border-right-style", "border-bottom-style", "border-left-style",
                 "border-top-width", "border-right-width", "border-bottom-width", "border-left-width",
                 "border-width", "bottom", "caption-side", "clear", "clip", "color", "content",
                 "counter-increment", "counter-reset", "cue", "cue-after", "cue-before", "cursor", "direction",
                 "display", "elevation", "empty-cells", "float", "font", "font-family", "font-size", "font-style",
                 "font-variant", "font-weight", "height", "left", "letter-spacing", "line-height", "list-style",
                 "list-style-image", "list-style-position", "list-style-type", "margin", "margin-right",
                 "margin-left", "margin-top", "margin-bottom", "max-height", "max-width", "min-height",
                 "min-width", "orphans", "outline", "outline-color", "outline-style", "outline-width", "overflow",
                 "padding", "padding-top", "padding-right", "padding-bottom", "padding-left", "page-break-after",
                 "page-break-before", "page-break-inside", "pause", "pause-after", "pause-before", "pitch",
                 "pitch-range", "play-during", "position", "quotes", "richness", "right", "speak", "speak-header",
                 "speak-numeral", "speak-punctuation", "speech-rate", "stress", "table-layout", "text-align",
                 "text-decoration", "text-indent", "text-transform", "top", "unicode-bidi", "vertical-align",
                 "visibility", "voice-family", "volume", "white-space", "widows", "width", "word-spacing",
                 "z-index"})
            s.insert(QString::fromLatin1(p));
        return s;
    }();
    return set;
}

// Property names and values of every declaration block of a style sheet.
std::vector<std::pair<QString, QString>> declarations(QString css)
{
    css.remove(QRegularExpression("/\\*.*?\\*/", QRegularExpression::DotMatchesEverythingOption));
    std::vector<std::pair<QString, QString>> result;
    std::vector<qsizetype> open;
    std::vector<bool> nested;
    for (qsizetype i = 0; i < css.size(); ++i) {
        if (css[i] == '{') {
            if (!nested.empty())
                nested.back() = true;
            open.push_back(i);
            nested.push_back(false);
        } else if (css[i] == '}' && !open.empty()) {
            const qsizetype start = open.back();
            const bool hasInner = nested.back();
            open.pop_back();
            nested.pop_back();
            if (hasInner)
                continue;
            for (const QString &d : css.mid(start + 1, i - start - 1).split(';')) {
                const qsizetype colon = d.indexOf(':');
                if (colon > 0)
                    result.emplace_back(d.left(colon).trimmed().toLower(), d.mid(colon + 1).trimmed());
            }
        }
    }
    return result;
}

QStringList filesOf(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

bool isTextFile(const QString &path)
{
    return QRegularExpression("\\.(htm|html|css|js|txt|ini)$", QRegularExpression::CaseInsensitiveOption).match(path).hasMatch();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(BuiltinTemplates, CatalogueListsEveryTemplateFolder)
{
    const auto blocks = readCatalogue();
    ASSERT_GE(blocks.size(), 8u);
    // The defaults of a new project come first.
    EXPECT_EQ(blocks[0].Position, "fixedtop/fixedtop.htm");
    EXPECT_EQ(blocks[1].Position, "standard1/template.htm");
    QSet<QString> folders, names;
    for (const auto &b : blocks) {
        SCOPED_TRACE(b.Name.toStdString());
        EXPECT_TRUE(QFile::exists(kTemplates + b.Position));
        EXPECT_TRUE(b.HtmlHelp || b.WebHelp);
        EXPECT_FALSE(names.contains(b.Name));
        names.insert(b.Name);
        folders.insert(b.Position.section('/', 0, 0));
    }
    // Every folder of data/templates is a listed template.
    for (const QString &dir : QDir(kTemplates).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_TRUE(folders.contains(dir)) << dir.toStdString();
}

TEST(BuiltinTemplates, DataFilesAreAsciiOrMarked)
{
    for (const QString &file : filesOf(kTemplates)) {
        if (!isTextFile(file))
            continue;
        const QByteArray data = readAll(file);
        if (data.startsWith("\xEF\xBB\xBF") || data.startsWith("\xFF\xFE"))
            continue;
        for (char c : data)
            if (static_cast<unsigned char>(c) > 0x7E || (c < 0x20 && c != '\n' && c != '\r' && c != '\t')) {
                ADD_FAILURE() << file.toStdString() << " holds a byte outside printable ASCII";
                break;
            }
    }
}

TEST(BuiltinTemplates, StyleSheetsUseOnlyTheListedCss21Properties)
{
    QSet<QString> used;
    for (const QString &file : filesOf(kTemplates)) {
        if (!file.endsWith(".css"))
            continue;
        SCOPED_TRACE(file.toStdString());
        for (const auto &[property, value] : declarations(QString::fromLatin1(readAll(file)))) {
            used.insert(property);
            EXPECT_TRUE(css21Properties().contains(property)) << property.toStdString();
            // Functions and units the old engine does not know.
            EXPECT_FALSE(value.contains(QRegularExpression("(rgba|hsla?|calc|gradient|var)\\s*\\(|\\b\\d+(\\.\\d+)?(rem|vw|vh)\\b",
                                                           QRegularExpression::CaseInsensitiveOption)))
                << property.toStdString() << ": " << value.toStdString();
        }
    }
    // The list kept beside the templates is exactly what they use.
    QSet<QString> listed;
    for (const QString &line : QString::fromLatin1(readAll(kTemplates + "CSS-PROPERTIES.txt")).split('\n')) {
        const QString p = line.trimmed();
        if (!p.isEmpty() && !p.startsWith('#'))
            listed.insert(p);
    }
    QStringList missing = QStringList(used.begin(), used.end()), extra = QStringList(listed.begin(), listed.end());
    missing.removeIf([&](const QString &p) { return listed.contains(p); });
    extra.removeIf([&](const QString &p) { return used.contains(p); });
    missing.sort();
    extra.sort();
    EXPECT_TRUE(missing.isEmpty()) << "used but not listed: " << missing.join(' ').toStdString();
    EXPECT_TRUE(extra.isEmpty()) << "listed but not used: " << extra.join(' ').toStdString();
}

TEST(BuiltinTemplates, EveryTemplateMakesCompletePages)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString out = sampleOutputFolder(temp);
    const QString tidy = QStandardPaths::findExecutable("tidy");
    const auto items = sampleItems();

    for (const auto &b : readCatalogue()) {
        SCOPED_TRACE(b.Name.toStdString());
        const QString main = kTemplates + b.Position;
        const QString source = ReadTextFile(main);
        // The help viewer's engine reads HTML 4.01; the made pages say so.
        EXPECT_TRUE(source.startsWith("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01", Qt::CaseInsensitive));
        // Readable without script, and nothing fetched from elsewhere.
        EXPECT_FALSE(source.contains("<script", Qt::CaseInsensitive));
        EXPECT_FALSE(source.contains(" style=", Qt::CaseInsensitive)) << "styles belong in the style sheet";
        for (const QString &file : filesOf(QFileInfo(main).absolutePath())) {
            if (!isTextFile(file))
                continue;
            QString text = QString::fromLatin1(readAll(file));
            text.remove(QRegularExpression("<!DOCTYPE[^>]*>", QRegularExpression::CaseInsensitiveOption));
            EXPECT_FALSE(text.contains(QRegularExpression("(https?:|ftp:|file:|//[a-z])", QRegularExpression::CaseInsensitiveOption)))
                << file.toStdString();
        }

        QByteArray stream;
        TemplateFileToStream(main, stream);
        ASSERT_FALSE(stream.isEmpty());
        TTemplate t(stream, "Previous", "Next");
        t.ProjectTitle = "Lumen Notes Help";
        t.Copyright = "Copyright &copy; 2024 Lumen Software. All rights reserved.";
        const QString folder = out + b.Position.section('/', 0, 0) + "/";
        ASSERT_TRUE(QDir().mkpath(folder));
        t.CopyAttachedFiles(folder);
        // A template that pages with images has gray ones for the first and the last page.
        if (t.pn->Prev || t.pn->Next) {
            EXPECT_TRUE(t.pn->Prev_Gray && t.pn->Next_Gray);
            EXPECT_TRUE(t.pn->Prev && t.pn->Next);
        }
        THEADElements head;
        head.Load(kDocumentHead);
        t.UniteHead(head);

        for (const auto &item : items) {
            const QString page = SetCharset(t.MakePage(item), "utf-8");
            EXPECT_FALSE(page.contains("($")) << "a placeholder is left in " << item.Url.toStdString();
            EXPECT_TRUE(page.contains(item.Title));
            EXPECT_TRUE(page.contains("Lumen Notes Help"));
            EXPECT_TRUE(page.contains("All rights reserved"));
            const bool paged = page.contains(item.NextPage.isEmpty() ? "Next" : item.NextPage);
            EXPECT_TRUE(paged) << "no way on from " << item.Url.toStdString();
            WriteTextFile(page, folder + item.Url, 1);
            if (tidy.isEmpty())
                continue;
            QProcess p;
            p.start(tidy, {"-q", "-e", "-utf8", folder + item.Url});
            ASSERT_TRUE(p.waitForFinished(30000));
            // A table's summary is the author's business (and obsolete in HTML5): that one
            // warning is about the topic, not the template.
            QStringList findings = QString::fromUtf8(p.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
            findings.removeIf([](const QString &line) { return line.contains("\"summary\""); });
            EXPECT_TRUE(findings.isEmpty()) << item.Url.toStdString() << ":\n" << findings.join('\n').toStdString();
            EXPECT_LT(p.exitCode(), 2) << "tidy found errors in " << item.Url.toStdString();
        }
    }
    if (tidy.isEmpty())
        GTEST_SKIP() << "tidy is not installed: pages were made but not validated";
}
