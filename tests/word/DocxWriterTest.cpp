// Writing Word documents: a document made through the object API the way the help-to-Word
// writer makes one, saved and read back by our reader, by LibreOffice and by python-docx; the
// sample document written again; the same model giving the same bytes; and the failures that
// must leave the target alone.
#include "DocxBuilder.h"
#include "ModelDump.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "word/engine/DocxWriter.h"
#include "word/engine/Edit.h"
#include "word/engine/Fields.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// A page the way a distilled help page arrives: a heading to demote, a list, a table with a
// merged cell, a picture, a footnote, a link and an anchor.
TDocxBuilder pageSource()
{
    const QString styles =
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/>"
        "<w:pPr><w:jc w:val=\"center\"/><w:outlineLvl w:val=\"1\"/></w:pPr><w:rPr><w:b/><w:color w:val=\"FF0000\"/><w:sz w:val=\"30\"/></w:rPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"PageNote\"><w:name w:val=\"Page Note\"/><w:rPr><w:i/></w:rPr></w:style>";
    const QString numbering =
        "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>";
    const QString list = "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>" + R("first step") + "</w:p>"
                         "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>" + R("second step") + "</w:p>";
    const QString table =
        "<w:tbl><w:tblPr><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\" w:color=\"000000\"/></w:tblBorders></w:tblPr>"
        "<w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"3000\"/></w:tblGrid>"
        "<w:tr><w:tc><w:tcPr><w:gridSpan w:val=\"2\"/><w:shd w:val=\"clear\" w:fill=\"DDEEFF\"/></w:tcPr>" + P("wide") + "</w:tc></w:tr>"
        "<w:tr><w:tc>" + P("a1") + "</w:tc><w:tc>" + P("b1") + "</w:tc></w:tr></w:tbl>";
    const QString picture =
        "<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"95250\" cy=\"95250\"/><wp:docPr id=\"1\" name=\"p\" descr=\"a dot\"/><a:graphic><a:graphicData uri=\"x\"><pic:pic>"
        "<pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>";
    const QString note = "<w:p>" + R("noted") + "<w:r><w:rPr><w:vertAlign w:val=\"superscript\"/></w:rPr><w:footnoteReference w:id=\"2\"/></w:r></w:p>";
    const QString link = "<w:p><w:bookmarkStart w:id=\"5\" w:name=\"anchor\"/>" + R("see ") + "<w:bookmarkEnd w:id=\"5\"/>"
                         "<w:hyperlink r:id=\"rLink\"><w:r><w:t>the site</w:t></w:r></w:hyperlink></w:p>";
    return TDocxBuilder()
        .Styles(styles)
        .Numbering(numbering)
        .Footnotes("<w:footnote w:id=\"2\"><w:p>" + R("the note text") + "</w:p></w:footnote>")
        .Relationship("rImg", "image", "media/dot.png")
        .Relationship("rLink", "hyperlink", "https://example.org/x", true)
        .Entry("word/media/dot.png", TDocxBuilder::Png(3, 3))
        .Body(P("Page heading", "Heading2") + P("An ordinary paragraph.", "PageNote") + list + table + picture + note + link);
}

struct TWritten
{
    QStringList Headings, Bookmarks, FieldCodes;
    QString Text;
};

TWritten look(WordDocument &doc)
{
    TWritten w;
    engine::TDocument &m = doc.Model();
    for (engine::TParagraph *p : m.Body.Paragraphs()) {
        const int level = engine::OutlineLevel(m, *p);
        if (level < 10) {
            const int start = m.Body.ParagraphStart(p->Index);
            // As a reader sees it: index entries in the heading are hidden field codes.
            QString text = engine::RangeText(m.Body, start, start + p->TextLength());
            text.remove(QRegularExpression("\\x13[^\\x14\\x15]*\\x14?|[\\x00-\\x08\\x0b-\\x1f]"));
            w.Headings << QStringLiteral("%1 %2").arg(level).arg(text);
        }
    }
    w.Bookmarks = doc.BookmarkNames();
    WordFields f = doc.Fields();
    for (int i = 1; i <= f.Count(); ++i)
        w.FieldCodes << f.Item(i).Code().Text().simplified();
    w.Text = VisibleText(m);
    return w;
}

class Writer : public ::testing::Test
{
protected:
    // A document made as the help-to-Word writer makes one: page setup, a table of contents,
    // headings with bookmarks and index entries, pasted pages and an external link.
    std::shared_ptr<WordDocument> makeDocument()
    {
        pageSource().Save(dir.filePath("page.docx"));
        auto doc = app.Documents().Add(false);
        WordPageSetup ps = doc->PageSetup();
        ps.SetPaperSize(wdPaperA4);
        ps.SetTopMargin(71);
        ps.SetBottomMargin(71);
        ps.SetLeftMargin(86);
        ps.SetRightMargin(86);
        doc->Bookmarks().SetShowHidden(true);
        WordRange r = doc->Content();
        r.Collapse(wdCollapseEnd);
        r.InsertAfter("Contents");
        r.Font().SetSize(28);
        r.InsertParagraphAfter();
        r.Collapse(wdCollapseEnd);
        WordTocOptions toc;
        toc.LowerHeadingLevel = 2;
        WordTableOfContents t = doc->TablesOfContents().Add(r, toc);
        r = t.Range();
        r.Collapse(wdCollapseEnd);
        r.InsertBreak(wdSectionBreakNextPage);
        const char *topics[][2] = {{"0", "Introduction"}, {"1", "Getting started"}, {"1", "Options"}, {"0", "Reference"}};
        int k = 0;
        for (auto &t2 : topics) {
            const int level = QString(t2[0]).toInt();
            r.Collapse(wdCollapseEnd);
            r.SetStyle(HeadingStyleOfLevel(level));
            r.InsertAfter(t2[1]);
            WordRange b = doc->Bookmarks().Add(QStringLiteral("topic%1").arg(++k), r).Range();
            r = b;
            r.Collapse(wdCollapseEnd);
            r.InsertParagraphAfter();
            r.Collapse(wdCollapseEnd);
            doc->Fields().Add(r, wdFieldIndexEntry, QStringLiteral("\"Tools:%1\"").arg(t2[1]), false);
            r = doc->Content();
            r.Collapse(wdCollapseEnd);
            if (k == 2) {
                auto page = app.Documents().Open(dir.filePath("page.docx"));
                WordRange g = page->GoTo(wdGoToHeading, wdGoToFirst);
                g.Expand(wdParagraph);
                const QString style = g.ParagraphFormat().Style();
                g.SetStyle(wdStyleNormal);
                WordStyle st = page->Styles().Item(style);
                g.Font().SetName(st.Font().Name());
                g.Font().SetColor(st.Font().Color());
                g.Font().SetSize(st.Font().Size());
                g.Font().SetBold(st.Font().Bold());
                g.ParagraphFormat().SetAlignment(st.ParagraphFormat().Alignment());
                page->Content().Copy();
                r.SetStyle(wdStyleNormal);
                r.Paste();
                page->Close(0);
            }
        }
        r.Collapse(wdCollapseEnd);
        r.SetStyle(wdStyleNormal);
        WordHyperlink h = doc->Hyperlinks().Add(r, "https://example.org/more", QString(), QString(), "https://example.org/more");
        r = h.Range();
        r.Collapse(wdCollapseEnd);
        r.InsertParagraphAfter();
        doc->TablesOfContents().Item(1).Update();
        return doc;
    }

    QTemporaryDir dir;
    WordApplication app;
};

} // namespace

TEST_F(Writer, WhatTheApiMadeComesBackFromThePackage)
{
    auto doc = makeDocument();
    const TWritten before = look(*doc);
    // What the document must hold, so the comparison below compares something.
    EXPECT_EQ(before.Headings.join('|').toStdString(), "1 Introduction|2 Getting started|2 Options|1 Reference");
    EXPECT_TRUE(before.Text.contains("1. first step\n2. second step")) << qPrintable(before.Text);
    EXPECT_TRUE(before.Text.contains("a1 | b1")) << qPrintable(before.Text);
    EXPECT_TRUE(before.Text.contains("[picture]"));
    EXPECT_TRUE(before.Bookmarks.contains("topic2") && before.Bookmarks.contains("anchor"));
    EXPECT_TRUE(before.FieldCodes.contains("XE \"Tools:Options\""));
    EXPECT_TRUE(before.FieldCodes.contains("HYPERLINK \"https://example.org/x\""));
    EXPECT_TRUE(before.FieldCodes.first().startsWith("TOC \\o \"1-2\" \\h"));
    // The table of contents lists the headings as links to their bookmarks, without pages.
    EXPECT_TRUE(before.Text.contains("Introduction\nGetting started\nOptions\nReference\n")) << qPrintable(before.Text);

    const QString path = dir.filePath("out/book.docx");
    QDir().mkpath(dir.filePath("out"));
    doc->SaveAs(path, wdFormatXMLDocument);
    auto back = app.Documents().Open(path);
    const TWritten after = look(*back);
    EXPECT_EQ(after.Headings.join('|').toStdString(), before.Headings.join('|').toStdString());
    EXPECT_EQ(after.Bookmarks.join('|').toStdString(), before.Bookmarks.join('|').toStdString());
    EXPECT_EQ(after.FieldCodes.join('|').toStdString(), before.FieldCodes.join('|').toStdString());
    EXPECT_EQ(after.Text.toStdString(), before.Text.toStdString());
    // Page setup in points as the caller gave it; A4 by Word's number.
    EXPECT_EQ(back->PageSetup().PaperSize(), wdPaperA4);
    EXPECT_EQ(back->PageSetup().TopMargin(), 71);
    EXPECT_EQ(back->PageSetup().RightMargin(), 86);
    EXPECT_EQ(back->Model().Footnotes.count(1) + back->Model().Footnotes.count(2) + back->Model().Footnotes.count(3), 1u);
    EXPECT_TRUE(back->Warnings().Empty()) << qPrintable(back->Warnings().Texts().join("\n"));

    // The same model gives the same bytes.
    const QString again = dir.filePath("out/again.docx");
    doc->SaveAs(again, wdFormatXMLDocument);
    QFile a(path), b(again);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST_F(Writer, OtherReadersOpenTheWrittenPackage)
{
    auto doc = makeDocument();
    const QString path = dir.filePath("book.docx");
    doc->SaveAs(path, wdFormatXMLDocument);
    const TWritten ours = look(*doc);

    QProcess py;
    py.start("/usr/bin/python3", {"-c", "import docx,sys\nd=docx.Document(sys.argv[1])\n"
                               "print('\\n'.join(p.text for p in d.paragraphs if p.style.name.startswith('Heading')))",
                         path});
    ASSERT_TRUE(py.waitForFinished(60000));
    if (py.exitCode() == 0) {
        QStringList headings = QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QStringList expected;
        for (const QString &h : ours.Headings)
            expected << h.section(' ', 1);
        EXPECT_EQ(headings, expected);
    } else {
        ADD_FAILURE() << "python-docx cannot open the package: " << py.readAllStandardError().constData();
    }

    if (!engine::TLibreOffice::Available())
        GTEST_SKIP() << "LibreOffice is not installed";
    engine::TLibreOffice::TConversion c;
    c.Input = path;
    c.OutputFolder = dir.filePath("lo");
    QDir().mkpath(c.OutputFolder);
    c.ConvertTo = "txt:Text (encoded):UTF8";
    c.DisplayName = "book.docx";
    QFile txt(engine::TLibreOffice::Convert(c));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    const QString theirs = QString::fromUtf8(txt.readAll());
    // Every line of ours is there, in order (LibreOffice adds list labels and tabs its own way).
    qsizetype at = 0;
    for (QString line : ours.Text.split('\n', Qt::SkipEmptyParts)) {
        line = line.section(" | ", 0, 0).remove("[picture]").trimmed();
        if (line.isEmpty() || line.contains(QRegularExpression("^\\d+\\. ")))
            continue;
        const qsizetype found = theirs.indexOf(line, at);
        EXPECT_GE(found, 0) << "missing in LibreOffice's text: " << qPrintable(line);
        if (found >= 0)
            at = found;
    }
    c.ConvertTo = "pdf:writer_pdf_Export";
    QFile pdf(engine::TLibreOffice::Convert(c));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));

    // A .doc goes through LibreOffice and keeps the headings.
    doc->SaveAs(dir.filePath("book.doc"), wdFormatDocument97);
    auto doc97 = app.Documents().Open(dir.filePath("book.doc"));
    EXPECT_EQ(look(*doc97).Headings, ours.Headings);
    EXPECT_EQ(QDir(dir.path()).entryList(QStringList{"~*"}, QDir::AllEntries | QDir::Hidden), QStringList());
}

TEST_F(Writer, TheSampleDocumentWrittenAgainReadsTheSame)
{
    const QString sample = QStringLiteral(TAVREL_SOURCE_DIR "/data/sample/sample.docx");
    auto doc = app.Documents().Open(sample);
    const TWritten before = look(*doc);
    const QString path = dir.filePath("sample.docx");
    doc->SaveAs(path, wdFormatXMLDocument);
    auto back = app.Documents().Open(path);
    const TWritten after = look(*back);
    EXPECT_GT(before.Headings.size(), 3);
    EXPECT_EQ(after.Headings, before.Headings);
    EXPECT_EQ(after.Bookmarks, before.Bookmarks);
    EXPECT_EQ(after.FieldCodes, before.FieldCodes);
    EXPECT_EQ(after.Text.toStdString(), before.Text.toStdString());
    // The same help pages: the web page written from each is the same.
    QDir().mkpath(dir.filePath("a"));
    QDir().mkpath(dir.filePath("b"));
    doc->SaveAs(dir.filePath("a/page.htm"), wdFormatFilteredHTML);
    back->SaveAs(dir.filePath("b/page.htm"), wdFormatFilteredHTML);
    QFile a(dir.filePath("a/page.htm")), b(dir.filePath("b/page.htm"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QString ha = QString::fromUtf8(a.readAll()), hb = QString::fromUtf8(b.readAll());
    EXPECT_EQ(ha, hb);
}

TEST_F(Writer, AFailedSaveLeavesTheTargetAsItWas)
{
    auto doc = app.Documents().Add(false);
    doc->Content().InsertAfter("new text");
    const QString target = dir.filePath("kept.docx");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the old file");
    old.close();
    auto keptAndAlone = [&] {
        QFile f(target);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("the old file"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.docx"});
    };
    for (auto kind : {TInjectingFileSystem::DiskFull, TInjectingFileSystem::RenameFails}) {
        TInjectingFileSystem fs(kind, 1);
        try {
            doc->SaveAs(target, wdFormatXMLDocument);
            ADD_FAILURE() << "a failed save was reported as success";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.Message().contains("kept.docx")) << qPrintable(e.Message());
        }
        keptAndAlone();
    }
    EXPECT_THROW(doc->SaveAs(dir.filePath("no/such/folder/x.docx"), wdFormatXMLDocument), Exception);
    keptAndAlone();
}

TEST(WriterInput, PackagesAsWordOpensThem)
{
    // Entries with gaps between them, as some tools write them, and a macro-enabled template.
    QTemporaryDir dir;
    TDocxBuilder b;
    b.Body(P("in a template"));
    QByteArray zip = b.Build();
    // Rebuild the archive by hand with padding after every local entry.
    auto u16 = [&](qsizetype at) { return quint16(uchar(zip[at]) | uchar(zip[at + 1]) << 8); };
    auto u32 = [&](const QByteArray &d, qsizetype at) {
        return quint32(uchar(d[at]) | uchar(d[at + 1]) << 8 | uchar(d[at + 2]) << 16 | quint32(uchar(d[at + 3])) << 24);
    };
    auto put32 = [](QByteArray &d, qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            d[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    const qsizetype eocd = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    ASSERT_GT(eocd, 0);
    const int count = u16(eocd + 10);
    qsizetype cd = qsizetype(u32(zip, eocd + 16));
    QByteArray out, central;
    for (int i = 0; i < count; ++i) {
        const qsizetype local = qsizetype(u32(zip, cd + 42));
        const qsizetype len = 30 + u16(local + 26) + u16(local + 28) + qsizetype(u32(zip, cd + 20));
        QByteArray entry = zip.mid(cd, 46 + u16(cd + 28) + u16(cd + 30) + u16(cd + 32));
        put32(entry, 42, quint32(out.size()));
        out += zip.mid(local, len) + QByteArray(37, '\0');
        central += entry;
        cd += entry.size();
    }
    QByteArray end = zip.mid(eocd, 22);
    put32(end, 12, quint32(central.size()));
    put32(end, 16, quint32(out.size()));
    out += central + end;
    QFile f(dir.filePath("gapped.dotm"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(out);
    f.close();
    WordApplication app;
    auto doc = app.Documents().Open(dir.filePath("gapped.dotm"));
    EXPECT_EQ(doc->Content().Text(), QString("in a template\r"));
}

// Pictures of a web page, embedded the way the help-to-Word writer embeds them, are painted by
// LibreOffice at their full size (a page's line height must not cut them to one line of text)
// and come back from the package byte for byte.
TEST(WrittenPictures, ShowInFullInLibreOfficeAndComeBack)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    auto solid = [&](const QString &name, QColor colour, const char *format) {
        QImage img(192, 96, QImage::Format_RGB32);
        img.fill(colour);
        EXPECT_TRUE(img.save(root + "/" + name, format, 95));
        QFile f(root + "/" + name);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    const QByteArray png = solid("red.png", Qt::red, "PNG"), jpeg = solid("blue.jpg", Qt::blue, "JPEG");
    QFile page(root + "/page.htm");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><head><style>p { font: 10.5pt Arial; line-height: 115% }</style></head><body>"
               "<p>Before the pictures.</p>"
               "<p style=\"text-align:center\"><img src=\"red.png\" width=\"192\" height=\"96\" alt=\"red\"> "
               "<img src=\"blue.jpg\" width=\"192\" height=\"96\" alt=\"blue\"></p>"
               "<p>After the pictures.</p></body></html>");
    page.close();

    WordApplication app;
    WordOpenOptions o;
    o.Format = wdOpenFormatWebPages;
    o.Visible = false;
    o.AllowedFolder = root;
    auto doc = app.Documents().Open(root + "/page.htm", o);
    WordShapes shapes = doc->InlineShapes();
    ASSERT_EQ(shapes.Count(), 2);
    for (int i = 1; i <= shapes.Count(); ++i) {
        WordShape s = shapes.Item(i);
        s.SetSavePictureWithDocument(true);
        s.BreakLink();
    }
    const QString path = root + "/out/pictures.docx";
    QDir().mkpath(root + "/out");
    doc->SaveAs(path, wdFormatXMLDocument);

    // Our reader: two embedded pictures with the very bytes of the files.
    auto back = app.Documents().Open(path);
    std::vector<QByteArray> media;
    for (const auto &[name, part] : back->Model().Media)
        media.push_back(part.Data);
    ASSERT_EQ(media.size(), 2u);
    EXPECT_TRUE((media[0] == png && media[1] == jpeg) || (media[0] == jpeg && media[1] == png));
    EXPECT_EQ(back->InlineShapes().Count(), 2);
    EXPECT_NEAR(back->InlineShapes().Item(1).Height(), 72, 1);

    if (!engine::TLibreOffice::Available())
        GTEST_SKIP() << "LibreOffice is not installed";
    engine::TLibreOffice::TConversion c;
    c.Input = path;
    c.OutputFolder = root + "/lo";
    QDir().mkpath(c.OutputFolder);
    c.ConvertTo = "png:writer_png_Export";
    c.DisplayName = "pictures.docx";
    QImage shot(engine::TLibreOffice::Convert(c));
    ASSERT_FALSE(shot.isNull());
    // Each picture is 144 x 72 points; the page is drawn at shot.width() pixels for its width.
    const double scale = shot.width() / back->PageSetup().PageWidth();
    const double area = 144 * scale * 72 * scale;
    int red = 0, blue = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor px = shot.pixelColor(x, y);
            red += px.red() > 200 && px.green() < 60 && px.blue() < 60;
            blue += px.blue() > 200 && px.red() < 60 && px.green() < 60;
        }
    EXPECT_GT(red, 0.8 * area) << "of " << area;
    EXPECT_GT(blue, 0.8 * area) << "of " << area;
}

// After SaveAs the document is the written file: its names follow, a later Save writes there in
// the same format, and a failed SaveAs renames nothing.
TEST_F(Writer, SaveAsRenamesTheDocumentAndSaveWritesThere)
{
    auto doc = app.Documents().Add(false);
    EXPECT_EQ(doc->FullName(), QString());
    EXPECT_EQ(doc->Path(), QString());
    EXPECT_FALSE(doc->Name().isEmpty());
    EXPECT_THROW(doc->Save(), Exception);

    doc->Content().InsertAfter("first words");
    const QString first = dir.filePath("first.docx");
    doc->SaveAs(first, wdFormatXMLDocument);
    EXPECT_EQ(doc->FullName(), QFileInfo(first).absoluteFilePath());
    EXPECT_EQ(doc->Name(), QString("first.docx"));
    EXPECT_EQ(doc->Path(), QFileInfo(first).absolutePath());

    doc->Content().InsertAfter(" and more");
    doc->Save();
    EXPECT_EQ(app.Documents().Open(first)->Content().Text(), QString("first words and more\r"));

    // A failed SaveAs keeps the name; Save still goes to the file it was.
    EXPECT_THROW(doc->SaveAs(dir.filePath("no/such/folder/x.docx"), wdFormatXMLDocument), Exception);
    EXPECT_EQ(doc->Name(), QString("first.docx"));

    // A web page saved becomes the page; Save writes the page again, not a package under its name.
    const QString page = dir.filePath("page.htm");
    doc->SaveAs(page, wdFormatFilteredHTML);
    EXPECT_EQ(doc->Name(), QString("page.htm"));
    doc->Content().InsertAfter(" at last");
    doc->Save();
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QByteArray written = html.readAll();
    EXPECT_FALSE(written.startsWith("PK"));
    EXPECT_TRUE(written.contains("at last"));

    // An opened package saves back into itself; a web page opened as such is not overwritten.
    auto opened = app.Documents().Open(first);
    opened->Content().InsertAfter("!");
    opened->Save();
    EXPECT_EQ(app.Documents().Open(first)->Content().Text(), QString("first words and more!\r"));
    auto asPage = app.Documents().Open(page, wdOpenFormatWebPages, false);
    EXPECT_THROW(asPage->Save(), Exception);
}
