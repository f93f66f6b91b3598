// The window settings object: its defaults, the six style values and Assign.
#include "output/UnitCHMProject.h"

#include <gtest/gtest.h>

using namespace tavrel;

TEST(CHMProject, StyleValuesWithEveryDefaultAndTheirVariations)
{
    TCHMProject p;
    p.SetStyles();
    EXPECT_EQ(p.Toolbar, 0x307C);
    EXPECT_EQ(p.Face, 0x23520);
    EXPECT_EQ(p.Window, 0xB0000);
    EXPECT_EQ(p.WindowEx, 0x0);
    EXPECT_EQ(p.WinStyle, 0x27);
    EXPECT_EQ(p.WinStyleEx, 0x0);
    EXPECT_EQ(p.Top, 70);
    EXPECT_EQ(p.Left, 100);
    EXPECT_EQ(p.Height, 700);
    EXPECT_EQ(p.Width, 900);
    EXPECT_EQ(p.PaneWidth, 300);
    EXPECT_EQ(p.ContentsFont, ",8,0");

    auto face = [](auto change) {
        TCHMProject q;
        change(q);
        q.SetFace();
        return q.Face;
    };
    EXPECT_EQ(face([](TCHMProject &q) { q.ShowMSDNMenu = true; }), 0x33520);
    EXPECT_EQ(face([](TCHMProject &q) { q.Search = false; }), 0x3120);
    EXPECT_EQ(face([](TCHMProject &q) { q.SavePosition = true; q.HideToolbar = true; q.HideToolbarText = true; }),
              0x23520 + 0x40000 + 0x8000 + 0x40);
    // The contents and index tabs come from the files, not from the navigation style.
    EXPECT_EQ(face([](TCHMProject &q) { q.Content = false; q.Index = false; }), 0x23520);

    TCHMProject q;
    q.Maximize = true;
    q.StayOnTop = true;
    q.Hide = q.Jump1 = q.Jump2 = q.Zoom = q.Next = q.Prev = true;
    q.Back = q.bForward = q.Stop = q.Refresh = q.Home = q.Option = q.Print = false;
    q.AutoTrack = q.AutoExpand = q.SelectRow = true;
    q.PlusMinus = q.DrawLines = q.ShowRoot = q.ShowSelection = false;
    q.RightToLeft = q.LeftScroll = true;
    q.SetStyles();
    EXPECT_EQ(q.Window, 0x10B0000);
    EXPECT_EQ(q.WindowEx, 0x8);
    EXPECT_EQ(q.Toolbar, 0x2 + 0x40000 + 0x80000 + 0x100000 + 0x200000 + 0x400000);
    EXPECT_EQ(q.WinStyle, 0x200 + 0x400 + 0x1000);
    EXPECT_EQ(q.WinStyleEx, 0x6000);
}

TEST(CHMProject, AssignCopiesTheSettingsButNotTheBuildData)
{
    TCHMProject a;
    a.Top = 1; a.Left = 2; a.Height = 3; a.Width = 4; a.PaneWidth = 5; a.DefaultTab = 3;
    a.ShowMSDNMenu = true; a.ShowPane = false; a.Prev = true; a.Next = true; a.Zoom = true;
    a.SavePosition = true; a.Content = false;
    a.ContentsFont = "A,1,2"; a.IndexFont = "B,3,4"; a.Title = "T"; a.Language = "0x0407";
    a.Font = "C,5,6"; a.DefaultTopic = "d.htm";
    a.AutoSearch = false;
    a.Folder = "/out/";
    a.CHM = "/out/x.chm";
    a.TOC = "<LI>";
    a.Files.Add("a.htm");
    a.SetStyles();

    TCHMProject b;
    b.Assign(a);
    EXPECT_EQ(b.Top, 1);
    EXPECT_EQ(b.Left, 2);
    EXPECT_EQ(b.Height, 3);
    EXPECT_EQ(b.Width, 4);
    EXPECT_EQ(b.PaneWidth, 5);
    EXPECT_EQ(b.DefaultTab, 3);
    EXPECT_TRUE(b.ShowMSDNMenu);
    EXPECT_FALSE(b.ShowPane);
    EXPECT_TRUE(b.Prev && b.Next && b.Zoom && b.SavePosition);
    EXPECT_FALSE(b.Content);
    EXPECT_EQ(b.ContentsFont, "A,1,2");
    EXPECT_EQ(b.IndexFont, "B,3,4");
    EXPECT_EQ(b.Title, "T");
    EXPECT_EQ(b.Language, "0x0407");
    EXPECT_EQ(b.Font, "C,5,6");
    EXPECT_EQ(b.DefaultTopic, "d.htm");
    // AutoSearch stays on in a build's copy; build data and computed values are not copied.
    EXPECT_TRUE(b.AutoSearch);
    EXPECT_TRUE(b.Folder.isEmpty());
    EXPECT_TRUE(b.CHM.isEmpty());
    EXPECT_TRUE(b.TOC.isEmpty());
    EXPECT_TRUE(b.Files.IsEmpty());
    EXPECT_EQ(b.Toolbar, 0);
    EXPECT_EQ(b.Face, 0);
}

// --- The project files -----------------------------------------------------------------------

#include "support/Golden.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "text/LanguageProcess.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdlib>
#include <limits>
#include <random>

#include <sys/stat.h>

namespace {

void Touch(const QString &path, const QByteArray &data = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

bool Has(const QByteArray &haystack, const QByteArray &needle) { return haystack.contains(needle); }

QByteArray Slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Contents, index, alias and map texts as the maker writes them (CR LF line ends).
const QString FullTOC = QStringLiteral(
    "<UL><LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Introduction\">\r\n"
    "<param name=\"Local\" value=\"intro.htm\">\r\n</OBJECT>\r\n<LI><OBJECT type=\"text/sitemap\">\r\n"
    "<param name=\"Name\" value=\"Chapter 1\">\r\n<param name=\"ImageNumber\" value=\"1\">\r\n</OBJECT>\r\n"
    "<UL><LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Section 1.1\">\r\n"
    "<param name=\"Local\" value=\"sec1_1.htm\">\r\n<param name=\"ImageNumber\" value=\"11\">\r\n</OBJECT>\r\n"
    "</UL><LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Index\">\r\n"
    "<param name=\"Local\" value=\"index2.htm\">\r\n</OBJECT>\r\n</UL>");
const QString FullIndex = QStringLiteral(
    "<UL><LI><OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Apple\">\r\n"
    "<param name=\"Name\" value=\"Fruit basics\">\r\n<param name=\"Local\" value=\"fruit.htm\">\r\n"
    "<param name=\"Name\" value=\"Pears\">\r\n<param name=\"Local\" value=\"pears.htm\">\r\n"
    "</OBJECT><LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"Fruit\">\r\n"
    "<param name=\"See Also\" value=\"Fruit\">\r\n</OBJECT>\r\n<UL>\r\n<LI><OBJECT type=\"text/sitemap\">\r\n"
    "<param name=\"Name\" value=\"Pear\">\r\n<param name=\"Name\" value=\"Pears\">\r\n"
    "<param name=\"Local\" value=\"pears.htm\">\r\n</OBJECT><LI><OBJECT type=\"text/sitemap\">\r\n"
    "<param name=\"Name\" value=\"Plum\">\r\n<param name=\"Name\" value=\"Plums\">\r\n"
    "<param name=\"Local\" value=\"plums.htm\">\r\n</OBJECT></UL>\r\n</UL>");

// A build's copy as the maker fills it, over a folder with pages, a style sheet, pictures and
// the files [FILES] must leave out.
void FillFullProject(TCHMProject &p, const QString &folder)
{
    for (const char *f : {"intro.htm", "sec1_1.htm", "index2.htm", "css/style.css", "images/a.png",
                          "images/sub/b.gif", "notes.h", "image.htm.old", "old.hhp", "old.HHC", "x.log",
                          "logo.header.png"})
        Touch(folder + f);
    // Neither a link out of the folder nor a pipe belongs in a help file.
    QFile::link(QStringLiteral(TAVREL_SOURCE_DIR "/README.md"), folder + "link.htm");
    QFile::link(QStringLiteral(TAVREL_SOURCE_DIR "/docs"), folder + "linked");
    ::mkfifo(QFile::encodeName(folder + "pipe.htm").constData(), 0600);
    p.Folder = folder;
    p.CHM = QStringLiteral("/srv/help/out/help.chm");
    p.Title = QStringLiteral("Sample Help");
    p.Language = QStringLiteral("0x0409");
    p.Font = QStringLiteral("Tahoma,8,0");
    p.DefaultTopic = QStringLiteral("intro.htm");
    p.TOC = FullTOC;
    p.IndexList = FullIndex;
    p.Alias = QStringLiteral("CID_intro = intro.htm\r\n");
    p.Map = QStringLiteral("#define CID_intro 10\r\n");
}

} // namespace

TEST(CHMProject, OutputWritesTheFourFilesOfAFullProject)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    TCHMProject p;
    FillFullProject(p, folder);
    p.Output();

    EXPECT_EQ(p.HHPFile, "help.hhp");
    EXPECT_EQ(p.HHCFile, "help.hhc");
    EXPECT_EQ(p.HHKFile, "help.hhk");
    EXPECT_EQ(p.HFile, "help.h");
    EXPECT_EQ(p.LOGFile, "help.log");
    EXPECT_GOLDEN("output/full_project.hhp", Slurp(folder + "help.hhp"));
    EXPECT_GOLDEN("output/full_project.hhc", Slurp(folder + "help.hhc"));
    EXPECT_GOLDEN("output/full_project.hhk", Slurp(folder + "help.hhk"));
    EXPECT_GOLDEN("output/full_project.h", Slurp(folder + "help.h"));

    // Sorted by path; project files, the log and backups left out; a picture whose inner name
    // merely contains ".h" stays in.
    EXPECT_EQ(p.Files.ToStringList(),
              QStringList({"css\\style.css", "images\\a.png", "images\\sub\\b.gif", "index2.htm", "intro.htm",
                           "logo.header.png", "sec1_1.htm"}));
    const QByteArray hhp = Slurp(folder + "help.hhp");
    EXPECT_TRUE(hhp.contains("\r\nmain=\"Sample Help\",\"help.hhc\",\"help.hhk\",\"intro.htm\",\"intro.htm\","
                             "\"intro.htm\",\"\",,,0x23520,300,0x307C,[100,70,1000,770],0xB0000,0x0,,0,0,,0,\r\n"));
    EXPECT_TRUE(hhp.endsWith("[MAP]\r\n#include help.h\r\n\r\n"));
    // A multi-line value that ends with a line end is followed by an empty line.
    EXPECT_TRUE(hhp.contains("[ALIAS]\r\nCID_intro = intro.htm\r\n\r\n\r\n[MAP]"));
    EXPECT_EQ(Slurp(folder + "help.h"), "#define CID_intro 10\r\n\r\n");

    // A second run over the same folder writes the same bytes (its own files are not listed).
    const QByteArray hhc = Slurp(folder + "help.hhc");
    TCHMProject again;
    FillFullProject(again, folder);
    again.Output();
    EXPECT_EQ(Slurp(folder + "help.hhp"), hhp);
    EXPECT_EQ(Slurp(folder + "help.hhc"), hhc);
}

TEST(CHMProject, OutputLeavesOutWhatHasNoContentAndFollowsTheSwitches)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    Touch(folder + "a.htm");
    TCHMProject p;
    p.Folder = folder;
    p.CHM = folder + "out/book.chm";
    p.DefaultTopic = "a.htm";
    p.Output();
    // Content on but no TOC: no .hhc and an empty quoted field; Index on with an empty list:
    // a .hhk with only the frame; no alias, map or header.
    EXPECT_TRUE(p.HHCFile.isEmpty());
    EXPECT_FALSE(QFile::exists(folder + "book.hhc"));
    EXPECT_EQ(p.HHKFile, "book.hhk");
    EXPECT_GOLDEN("output/empty.hhk", Slurp(folder + "book.hhk"));
    EXPECT_FALSE(QFile::exists(folder + "book.h"));
    const QByteArray hhp = Slurp(folder + "book.hhp");
    EXPECT_TRUE(hhp.contains("\r\nContents file=\r\n"));
    EXPECT_TRUE(hhp.contains("\r\nmain=\"\",\"\",\"book.hhk\","));
    EXPECT_FALSE(hhp.contains("[ALIAS]"));
    EXPECT_FALSE(hhp.contains("[MAP]"));
    EXPECT_TRUE(hhp.endsWith("[FILES]\r\na.htm\r\n\r\n"));

    TCHMProject q;
    q.Folder = folder;
    q.CHM = folder + "book.chm";
    q.TOC = "<UL></UL>";
    q.Content = false;
    q.Index = false;
    q.ShowPane = false;
    q.Maximize = true;
    q.DefaultTab = 2;
    q.Top = 5; q.Left = 7; q.Width = 10; q.Height = 20;
    Touch(folder + "book.chm"); // an earlier compile kept in the folder is not packed again
    q.Output();
    EXPECT_EQ(q.Files.ToStringList(), QStringList({"a.htm"}));
    EXPECT_TRUE(q.HHCFile.isEmpty());
    EXPECT_TRUE(q.HHKFile.isEmpty());
    const QByteArray def = Slurp(folder + "book.hhp");
    EXPECT_TRUE(def.contains(",\"\",\"\",\"\",\"\",\"\",\"\",,,0x23520,300,0x307C,[7,5,17,25],0x10B0000,0x0,,1,2,,0,\r\n"))
        << def.toStdString();
    EXPECT_TRUE(def.contains("\r\nIndex file=\r\n"));
}

TEST(CHMProject, TextsAreWrittenInTheCodePageOfTheLanguage)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    Touch(folder + QString::fromUtf8("страница.htm"));
    TCHMProject p;
    p.Folder = folder;
    p.CHM = QString::fromUtf8("/out/справка.chm");
    p.Language = "0x0419"; // Russian, code page 1251
    p.Title = QString::fromUtf8("Справка \"'''\" 中文\r\nzwei");
    p.DefaultTopic = QString::fromUtf8("страница.htm");
    p.ContentsFont = QString::fromUtf8("Шрифт,9,204");
    p.TOC = QString::fromUtf8("<UL><LI><OBJECT type=\"text/sitemap\">\r\n"
                              "<param name=\"Name\" value=\"\"'''\" Тема 中\">\r\n"
                              "<param name=\"Local\" value=\"страница.htm\">\r\n</OBJECT>\r\n</UL>");
    p.IndexList = QString::fromUtf8("<UL><LI><OBJECT type=\"text/sitemap\">\r\n"
                                    "<param name=\"Name\" value=\"&quot;Ключ&quot; 😀\">\r\n</OBJECT>\r\n</UL>");
    p.Map = QString::fromUtf8("#define CID_страница 1\r\n");
    p.Alias = QString::fromUtf8("CID_страница = страница.htm\r\n");
    p.Output();

    const QByteArray hhc = Slurp(folder + QString::fromUtf8("справка.hhc"));
    // Cyrillic in code page 1251, what it cannot hold as decimal references, quotes inside a
    // value escaped so the value runs to its real end.
    EXPECT_TRUE(Has(hhc, "value=\"&quot;'''&quot; " + EncodeCodePage(QString::fromUtf8("Тема"), 1251) + " &#20013;\">\r\n"))
        << hhc.toStdString();
    EXPECT_TRUE(Has(hhc, "value=\"" + EncodeCodePage(QString::fromUtf8("страница.htm"), 1251) + "\">"));
    EXPECT_TRUE(Has(hhc, "value=\"" + EncodeCodePage(QString::fromUtf8("Шрифт,9,204"), 1251) + "\">"));
    const QByteArray hhk = Slurp(folder + QString::fromUtf8("справка.hhk"));
    EXPECT_TRUE(Has(hhk, "value=\"&quot;" + EncodeCodePage(QString::fromUtf8("Ключ"), 1251) + "&quot; &#128512;\">"))
        << hhk.toStdString();

    const QByteArray hhp = Slurp(folder + QString::fromUtf8("справка.hhp"));
    const QByteArray title = EncodeCodePage(QString::fromUtf8("Справка"), 1251);
    // One line; "?" where the code page has no character; the caption without double quotes.
    EXPECT_TRUE(Has(hhp, "\r\nTitle=" + title + " \"'''\" ?? zwei\r\n")) << hhp.toStdString();
    EXPECT_TRUE(Has(hhp, "\r\nmain=\"" + title + " ''''' ?? zwei\",\"")) << hhp.toStdString();
    // File names as UTF-8.
    EXPECT_TRUE(Has(hhp, QString::fromUtf8("\r\nCompiled file=/out/справка.chm\r\n").toUtf8()));
    EXPECT_TRUE(Has(hhp, QString::fromUtf8("\r\nDefault topic=страница.htm\r\n").toUtf8()));
    EXPECT_TRUE(Has(hhp, QString::fromUtf8("[FILES]\r\nстраница.htm\r\n").toUtf8()));
    EXPECT_TRUE(Has(hhp, QString::fromUtf8("[ALIAS]\r\nCID_страница = страница.htm\r\n").toUtf8()));
    EXPECT_EQ(Slurp(folder + QString::fromUtf8("справка.h")), QString::fromUtf8("#define CID_страница 1\r\n\r\n").toUtf8());
}

TEST(CHMProject, AFileThatCannotBeWrittenRaisesAnErrorNamingIt)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    Touch(folder + "a.htm");
    tavrel::test::TFaultyFileSystem fs;
    fs.Fail(folder + "help.hhk", tavrel::test::TFaultyFileSystem::opWrite);
    TCHMProject p;
    p.Folder = folder;
    p.CHM = folder + "help.chm";
    p.TOC = "<UL></UL>";
    try {
        p.Output();
        FAIL() << "no error";
    } catch (const tavrel::Exception &e) {
        EXPECT_TRUE(e.Message().contains(folder + "help.hhk")) << e.Message().toStdString();
    }
    // Files written before stay; the project file was not reached.
    EXPECT_TRUE(QFile::exists(folder + "help.hhc"));
    EXPECT_FALSE(QFile::exists(folder + "help.hhp"));
}

// Whatever the texts of a project and its document hold, the .hhp keeps its fixed shape: the
// same keys on the same lines, one line per listed file and alias, the window definition with
// exactly its own fourteen quotes, and a rectangle that does not overflow.
TEST(CHMProject, HostileTextsAndNumbersCannotChangeTheShapeOfTheProjectFile)
{
    const QString pieces[] = {"a", "Z", " ", "\r", "\n", "\r\n", "\"", "'", ",", "=", "[OPTIONS]", "[FILES]",
                              QString(QChar(0)), "\t", "\x7f", "Compiled file=x.chm", "ü", "中", "\\", "#define"};
    std::mt19937 random(20261209);
    auto text = [&] {
        QString t;
        for (int n = int(random() % 8); n > 0; --n)
            t += pieces[random() % std::size(pieces)];
        return t;
    };
    const int extremes[] = {0, 1, -1, 640, std::numeric_limits<int>::max(), std::numeric_limits<int>::min(),
                            std::numeric_limits<int>::max() - 1, kWindowCoordinateLimit + 1};
    auto number = [&] { return extremes[random() % std::size(extremes)]; };

    const QStringList skeleton = {"[OPTIONS]", "Compatibility=", "Compiled file=", "Contents file=", "Default Font=",
                                  "Default Window=", "Default topic=", "Display compile progress=", "Error log file=",
                                  "Full-text search=", "Index file=", "Language=", "Title=", "", "[WINDOWS]", "main=",
                                  "", "[FILES]"};
    for (int round = 0; round < 300; ++round) {
        TCHMProject p;
        p.Title = text();
        p.Font = text();
        p.DefaultTopic = text();
        p.CHM = "/out/" + text() + ".chm";
        p.HHCFile = text();
        p.HHKFile = text();
        p.LOGFile = text();
        p.Language = text();
        const int files = int(random() % 3);
        for (int i = 0; i < files; ++i)
            p.Files.Add(text());
        // The alias text holds one entry per CR LF; anything else in it stays on its entry's line.
        p.Alias = QStringLiteral("CID_A = ") + text() + QStringLiteral("\r\n");
        const qsizetype aliases = p.Alias.count(QLatin1String("\r\n"));
        p.Left = number();
        p.Top = number();
        p.Width = number();
        p.Height = number();
        p.PaneWidth = number();
        SCOPED_TRACE(round);

        const QString hhp = QString::fromUtf8(p.HHPText());
        ASSERT_TRUE(hhp.endsWith("\r\n"));
        const QStringList lines = hhp.chopped(2).split("\r\n");
        ASSERT_GE(lines.size(), skeleton.size() + files + 1);
        for (qsizetype i = 0; i < skeleton.size(); ++i) {
            if (skeleton[i].isEmpty())
                EXPECT_EQ(lines[i], "");
            else
                EXPECT_TRUE(lines[i].startsWith(skeleton[i])) << lines[i].toStdString();
        }
        for (const QString &l : lines)
            for (QChar c : l)
                ASSERT_FALSE(c.unicode() < 0x20 && c != '\t') << "a control character in " << l.toStdString();
        const QString window = lines[skeleton.indexOf("main=")];
        EXPECT_EQ(window.count('"'), 14) << window.toStdString();
        // Files, an empty line, the alias section: nothing else.
        EXPECT_EQ(lines[skeleton.size() + files], "");
        EXPECT_EQ(lines[skeleton.size() + files + 1], "[ALIAS]");
        EXPECT_TRUE(lines[skeleton.size() + files + 2].startsWith("CID_A = "));
        EXPECT_EQ(lines.size(), skeleton.size() + files + 4 + aliases);

        const QRegularExpression rect(R"(\[(-?\d+),(-?\d+),(-?\d+),(-?\d+)\])");
        const QRegularExpressionMatch m = rect.match(window);
        ASSERT_TRUE(m.hasMatch()) << window.toStdString();
        bool ok[4];
        const qint64 left = m.captured(1).toLongLong(&ok[0]), top = m.captured(2).toLongLong(&ok[1]);
        const qint64 right = m.captured(3).toLongLong(&ok[2]), bottom = m.captured(4).toLongLong(&ok[3]);
        ASSERT_TRUE(ok[0] && ok[1] && ok[2] && ok[3]);
        for (qint64 v : {left, top, right, bottom})
            EXPECT_LE(std::abs(v), 2 * qint64(kWindowCoordinateLimit));
        // The right and bottom edges follow the left and top whenever the size is not negative.
        if (p.Width >= 0 && std::abs(qint64(p.Left)) <= kWindowCoordinateLimit && p.Width <= kWindowCoordinateLimit) {
            EXPECT_EQ(right, left + p.Width);
        }
    }
}
