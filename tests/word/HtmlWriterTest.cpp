// The filtered-HTML writer over documents built from snippets.
#include "DocxBuilder.h"
#include "support/TestDoubles.h"
#include "text/Exceptions.h"
#include "text/HTMLProcess.h"
#include "word/engine/DocxReader.h"
#include "word/engine/HtmlWriter.h"
#include "word/engine/Numbering.h"
#include "word/engine/Word.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;

namespace {

const QString kStyles = QStringLiteral(
    "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\"/><w:sz w:val=\"22\"/></w:rPr></w:rPrDefault></w:docDefaults>"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:b/><w:sz w:val=\"32\"/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading6\"><w:name w:val=\"heading 6\"/><w:basedOn w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading7\"><w:name w:val=\"heading 7\"/><w:basedOn w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:customStyle=\"1\" w:styleId=\"Chapter\"><w:name w:val=\"Chapter Title\"/><w:pPr><w:outlineLvl w:val=\"2\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:customStyle=\"1\" w:styleId=\"Note\"><w:name w:val=\"My Note\"/><w:basedOn w:val=\"Normal\"/><w:rPr><w:i/><w:color w:val=\"FF0000\"/></w:rPr></w:style>"
    "<w:style w:type=\"character\" w:styleId=\"Strong\"><w:name w:val=\"Strong\"/><w:rPr><w:b/></w:rPr></w:style>");

QString render(const TDocxBuilder &b, int codePage = 65001, TWarnings *warnings = nullptr, QString linkBase = QString())
{
    TDocxOptions o;
    o.DisplayName = QStringLiteral("t.docx");
    o.LinkBase = linkBase.isEmpty() ? QStringLiteral("/data/My Docs") : linkBase;
    auto doc = ReadDocxBytes(b.Build(), o);
    THtmlOptions h;
    h.CodePage = codePage;
    THtmlResult r = RenderFilteredHtml(*doc, QStringLiteral("doc.htm"), h);
    if (warnings)
        *warnings = doc->Warnings;
    return r.Page;
}

QString bodyOf(const QString &page)
{
    QString head, body, tail;
    SplitHtmlBody(page, head, body, tail);
    return body;
}

QString numbered(int numId, int level, const QString &text)
{
    return QStringLiteral("<w:p><w:pPr><w:numPr><w:ilvl w:val=\"%1\"/><w:numId w:val=\"%2\"/></w:numPr></w:pPr>").arg(level).arg(numId) +
           R(text) + QStringLiteral("</w:p>");
}

// The labels of list paragraphs, in order.
QStringList labels(const QString &page)
{
    QStringList out;
    static const QRegularExpression re(QStringLiteral("<span style='display:inline-block[^']*'>([^<]*)</span>"));
    auto it = re.globalMatch(page);
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}

} // namespace

TEST(HtmlWriter, HeadingsAreHeadingElementsWithTheMarkerInsideAndStylesInTheHead)
{
    QTemporaryDir dir;
    QString path = dir.filePath("src.docx");
    TDocxBuilder()
        .Styles(kStyles)
        .Body(P("Before") + P("Intro", "Heading1") + P("text") + P("Sub", "Heading2") + P("Six", "Heading6") + P("Seven", "Heading7") +
              P("Chapter", "Chapter") + P("red", "Note"))
        .Save(path);
    WordApplication app;
    auto doc = app.Documents().Open(path);
    // The headings pass of the conversion: a marker before every heading.
    WordRange current = doc->GoTo(wdGoToHeading, wdGoToFirst);
    current.Expand(wdParagraph);
    int start = current.Start();
    for (;;) {
        int level = current.ParagraphFormat().OutlineLevel();
        if (level < 10)
            current.InsertBefore("`~#$" + QString::number(level));
        current = current.GoTo(wdGoToHeading, wdGoToNext);
        if (current.Start() == start)
            break;
        start = current.Start();
    }
    doc->WebOptions().Encoding = 65001;
    EXPECT_EQ(doc->WebOptions().FolderSuffix, "_files");
    doc->SaveAs(dir.filePath("doc.htm"), wdFormatFilteredHTML);
    doc->Close(0);
    QFile f(dir.filePath("doc.htm"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString page = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(page.contains("<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"));
    EXPECT_EQ(page.count("<style"), 1);
    EXPECT_EQ(page.count("<body"), 1);
    QString head, body, tail;
    SplitHtmlBody(page, head, body, tail);
    EXPECT_TRUE(head.contains("p.MsoNormal, li.MsoNormal, div.MsoNormal"));
    EXPECT_TRUE(head.contains(" h1\r\n"));
    EXPECT_TRUE(head.contains("font-weight:bold"));
    EXPECT_TRUE(head.contains("p.MyNote"));
    EXPECT_TRUE(head.contains("h3.ChapterTitle"));
    EXPECT_TRUE(body.contains("<p class=MsoNormal>Before</p>"));
    EXPECT_TRUE(body.contains("<h1>`~#$1Intro</h1>"));
    EXPECT_TRUE(body.contains("<h2>`~#$2Sub</h2>"));
    EXPECT_TRUE(body.contains("<h6>`~#$6Six</h6>"));
    EXPECT_TRUE(body.contains("<p class=MsoHeading7>`~#$7Seven</p>"));
    EXPECT_TRUE(body.contains("<h3 class=ChapterTitle>`~#$3Chapter</h3>"));
    EXPECT_TRUE(body.contains("<p class=MyNote>red</p>"));
    EXPECT_TRUE(body.trimmed().startsWith("<div class=WordSection1>"));
    EXPECT_EQ(body.count("<div"), 1);
}

TEST(HtmlWriter, ListsShowTheNumbersAndBulletsWordComputes)
{
    QString num =
        "<w:abstractNum w:abstractNumId=\"0\">"
        "<w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/><w:pPr><w:ind w:left=\"720\" w:hanging=\"360\"/></w:pPr></w:lvl>"
        "<w:lvl w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"lowerLetter\"/><w:lvlText w:val=\"%2)\"/></w:lvl>"
        "<w:lvl w:ilvl=\"2\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.%2.%3\"/><w:isLgl/></w:lvl></w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"4\"/><w:numFmt w:val=\"upperRoman\"/><w:lvlText w:val=\"%1\"/></w:lvl></w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"2\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"\xEF\x82\xB7\"/>"
        "<w:rPr><w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\"/></w:rPr></w:lvl>"
        "<w:lvl w:ilvl=\"1\"><w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"o\"/><w:rPr><w:rFonts w:ascii=\"Courier New\"/></w:rPr></w:lvl></w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"3\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"26\"/><w:numFmt w:val=\"upperLetter\"/><w:lvlText w:val=\"(%1)\"/></w:lvl></w:abstractNum>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
        "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>"
        "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"2\"/></w:num>"
        "<w:num w:numId=\"4\"><w:abstractNumId w:val=\"0\"/><w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"1\"/></w:lvlOverride></w:num>"
        "<w:num w:numId=\"5\"><w:abstractNumId w:val=\"3\"/></w:num>"
        "<w:num w:numId=\"6\"><w:abstractNumId w:val=\"0\"/></w:num>";
    QString body = numbered(1, 0, "a") + numbered(1, 1, "b") + numbered(1, 1, "c") + numbered(1, 2, "d") + numbered(1, 0, "e") +
                   numbered(1, 1, "f") + numbered(2, 0, "g") + numbered(2, 0, "h") + numbered(3, 0, "i") + numbered(3, 1, "j") +
                   numbered(6, 0, "continues") + numbered(4, 0, "restarts") + numbered(4, 0, "next") + numbered(5, 0, "y") +
                   numbered(5, 0, "z") + numbered(5, 0, "aa") +
                   "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"0\"/></w:numPr></w:pPr>" + R("not numbered") + "</w:p>";
    QString page = render(TDocxBuilder().Numbering(num).Body(body));
    EXPECT_EQ(labels(page), (QStringList{"1.", "a)", "b)", "1.2.1", "2.", "a)", "IV", "V", QString(QChar(0x2022)), "o", "3.", "1.", "2.", "(Z)",
                                         "(AA)", "(BB)"}));
    EXPECT_TRUE(page.contains("margin-left:36.0pt;text-indent:-18.0pt"));
    EXPECT_TRUE(page.contains("<p class=MsoNormal>not numbered</p>"));
    EXPECT_TRUE(page.contains("font-family:&quot;Courier New&quot;") || page.contains("font-family:\"Courier New\""));

    EXPECT_EQ(FormatListNumber(1994, "upperRoman"), "MCMXCIV");
    EXPECT_EQ(FormatListNumber(4, "lowerRoman"), "iv");
    EXPECT_EQ(FormatListNumber(27, "lowerLetter"), "aa");
    EXPECT_EQ(FormatListNumber(22, "ordinal"), "22nd");
    EXPECT_EQ(FormatListNumber(13, "ordinal"), "13th");
    EXPECT_EQ(FormatListNumber(42, "cardinalText"), "Forty-two");
    EXPECT_EQ(FormatListNumber(3, "ordinalText"), "Third");
    EXPECT_EQ(FormatListNumber(5, "decimalZero"), "05");
    EXPECT_EQ(FormatListNumber(7, "unknownFormat"), "7");
}

TEST(HtmlWriter, TablesKeepSpansWidthsBordersShadingAndNesting)
{
    auto cell = [](const QString &t, const QString &tcPr = QString()) -> QString {
        return "<w:tc>" + (tcPr.isEmpty() ? QString() : "<w:tcPr>" + tcPr + "</w:tcPr>") + P(t) + "</w:tc>";
    };
    QString nested = "<w:tbl><w:tblGrid><w:gridCol w:w=\"750\"/></w:tblGrid><w:tr>" + cell("inner") + "</w:tr></w:tbl>";
    QString body =
        "<w:tbl><w:tblPr><w:tblW w:w=\"4500\" w:type=\"dxa\"/><w:tblBorders><w:top w:val=\"single\" w:sz=\"8\" w:color=\"FF0000\"/>"
        "<w:left w:val=\"single\" w:sz=\"4\"/><w:bottom w:val=\"double\" w:sz=\"4\"/><w:right w:val=\"single\" w:sz=\"4\"/>"
        "<w:insideH w:val=\"dotted\" w:sz=\"4\"/><w:insideV w:val=\"nil\"/></w:tblBorders></w:tblPr>"
        "<w:tblGrid><w:gridCol w:w=\"1500\"/><w:gridCol w:w=\"3000\"/></w:tblGrid>"
        "<w:tr>" + cell("head", "<w:gridSpan w:val=\"2\"/><w:shd w:val=\"clear\" w:fill=\"D9E2F3\"/>") + "</w:tr>"
        "<w:tr>" + cell("tall", "<w:vMerge w:val=\"restart\"/><w:vAlign w:val=\"center\"/>") + "<w:tc>" + nested + "</w:tc></w:tr>"
        "<w:tr>" + cell("", "<w:vMerge/>") + cell("last") + "</w:tr></w:tbl>";
    QString page = render(TDocxBuilder().Body(body));
    QString b = bodyOf(page);
    EXPECT_EQ(b.count("<table"), 2);
    EXPECT_EQ(b.count("<tr"), 4);
    EXPECT_EQ(b.count("<td"), 5); // the merged-away cell is not written
    EXPECT_TRUE(b.contains("<table border=1 cellspacing=0 cellpadding=0 width=300"));
    EXPECT_TRUE(b.contains("colspan=2"));
    EXPECT_TRUE(b.contains("valign=middle rowspan=2"));
    EXPECT_TRUE(b.contains("<td width=100 "));
    EXPECT_TRUE(b.contains("<td width=50 ")); // the nested table's cell
    EXPECT_TRUE(b.contains("border-top:solid #FF0000 1.0pt"));
    EXPECT_TRUE(b.contains("border-bottom:double windowtext 0.5pt"));
    EXPECT_TRUE(b.contains("border-top:dotted windowtext 0.5pt"));
    EXPECT_TRUE(b.contains("background:#D9E2F3"));
    EXPECT_TRUE(b.contains("<p class=MsoNormal>inner</p>"));
    EXPECT_FALSE(b.contains("<p class=MsoNormal></p>"));
}

TEST(HtmlWriter, LinksBookmarksAndReferenceFields)
{
    QString toc =
        "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> TOC \\o \"1-3\" \\h </w:instrText></w:r>"
        "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
        "<w:hyperlink w:anchor=\"_Toc1\">" + R("Intro") + "</w:hyperlink></w:p>"
        "<w:p><w:hyperlink w:anchor=\"_Toc2\">" + R("Next") + "</w:hyperlink><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>";
    QString body = toc +
                   "<w:p><w:bookmarkStart w:id=\"1\" w:name=\"_Toc1\"/>" + R("Intro") + "<w:bookmarkEnd w:id=\"1\"/><w:bookmarkStart w:id=\"9\" w:name=\"_GoBack\"/><w:bookmarkEnd w:id=\"9\"/></w:p>"
                   "<w:p><w:hyperlink r:id=\"rWeb\" w:tooltip=\"Say &quot;hi&quot;\">" + R("web") + "</w:hyperlink>"
                   "<w:hyperlink r:id=\"rFile\">" + R("file") + "</w:hyperlink>"
                   "<w:hyperlink r:id=\"rAbs\">" + R("abs") + "</w:hyperlink>"
                   "<w:hyperlink r:id=\"rMail\">" + R("mail") + "</w:hyperlink>"
                   "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> REF _Toc1 \\h </w:instrText></w:r>"
                   "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + R("see Intro") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
                   "<w:hyperlink w:anchor=\"x\"><w:bookmarkStart w:id=\"2\" w:name=\"inside\"/>" + R("in") + "</w:hyperlink></w:p>"
                   "<w:p><w:bookmarkStart w:id=\"3\" w:name=\"_Toc2\"/>" + R("Next") + "</w:p>";
    QString page = render(TDocxBuilder()
                              .Relationship("rWeb", "hyperlink", "https://example.com/a?b=1&c=2", true)
                              .Relationship("rFile", "hyperlink", "sub/My%20File.pdf", true)
                              .Relationship("rAbs", "hyperlink", "file:///C:/Docs/x%20y.doc", true)
                              .Relationship("rMail", "hyperlink", "mailto:a@b.c", true)
                              .Body(body));
    QString b = bodyOf(page);
    EXPECT_TRUE(b.contains("<p class=MsoNormal><a href=\"#_Toc1\">Intro</a></p>"));
    EXPECT_TRUE(b.contains("<p class=MsoNormal><a href=\"#_Toc2\">Next</a></p>"));
    EXPECT_TRUE(b.contains("<a name=\"_Toc1\"></a>Intro"));
    EXPECT_FALSE(b.contains("_GoBack"));
    EXPECT_TRUE(b.contains("<a href=\"https://example.com/a?b=1&amp;c=2\" title=\"Say &quot;hi&quot;\">web</a>"));
    EXPECT_TRUE(b.contains("<a href=\"file:///data/My%20Docs/sub/My%20File.pdf\">file</a>"));
    EXPECT_TRUE(b.contains("<a href=\"file:///C:/Docs/x%20y.doc\">abs</a>"));
    EXPECT_TRUE(b.contains("<a href=\"mailto:a@b.c\">mail</a>"));
    // Cross-references keep their text without a link (the conversion links them itself).
    EXPECT_TRUE(b.contains(">see Intro<a href=\"#x\">"));
    // A bookmark inside a link comes right after it, never as a nested anchor.
    EXPECT_TRUE(b.contains("<a href=\"#x\">in</a><a name=\"inside\"></a>"));
    EXPECT_FALSE(b.contains("TOC"));
    EXPECT_FALSE(b.contains("REF"));

    EXPECT_EQ(LinkAddress("a b/c.pdf", "/home/u/docs"), "file:///home/u/docs/a%20b/c.pdf");
    EXPECT_EQ(LinkAddress("../up.pdf", "/home/u/docs"), "file:///home/u/up.pdf");
    EXPECT_EQ(LinkAddress("..\\win\\x.doc", "/home/u/docs"), "file:///home/u/win/x.doc");
    EXPECT_EQ(LinkAddress("/abs/x.pdf", "/home"), "file:///abs/x.pdf");
    EXPECT_EQ(LinkAddress("C:\\x\\y z.pdf", "/home"), "file:///C:/x/y%20z.pdf");
    EXPECT_EQ(LinkAddress("page.htm#part", "/w"), "file:///w/page.htm#part");
    EXPECT_EQ(LinkAddress("http://x.org/a b", "/w"), "http://x.org/a b");
    EXPECT_EQ(LinkAddress("External:manual.pdf", "/w"), "External:manual.pdf");
    EXPECT_EQ(LinkAddress("#bm", "/w"), "#bm");
}

TEST(HtmlWriter, PicturesGoToTheFolderWithSizesAndAlternativeText)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("src/pics"));
    QImage linkedImage(4, 3, QImage::Format_RGB32);
    linkedImage.fill(Qt::blue);
    linkedImage.save(dir.filePath("src/pics/linked.jpg"), "JPEG");
    auto drawing = [](bool floating, const QString &blip, const QString &docPr, const QString &extra = QString()) -> QString {
        QString tag = floating ? "wp:anchor" : "wp:inline";
        return "<w:r><w:drawing><" + tag + ">" + extra + "<wp:extent cx=\"952500\" cy=\"476250\"/>" + docPr +
               "<a:graphic><a:graphicData uri=\"x\"><pic:pic><pic:blipFill><a:blip " + blip +
               "/></pic:blipFill></pic:pic></a:graphicData></a:graphic></" + tag + "></w:drawing></w:r>";
    };
    QString chart = "<w:r><w:drawing><wp:inline><wp:extent cx=\"1\" cy=\"1\"/><wp:docPr id=\"9\" name=\"c\"/><a:graphic><a:graphicData uri=\"c\">"
                    "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rC\"/></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    QString body = "<w:p>" + drawing(false, "r:embed=\"rA\"", "<wp:docPr id=\"1\" name=\"n\" descr=\"A &lt;logo&gt;\"/>") +
                   drawing(false, "r:embed=\"rA\"", "<wp:docPr id=\"2\" name=\"n\" title=\"Only a title\"/>") +
                   drawing(false, "r:embed=\"rB\"", "<wp:docPr id=\"3\" name=\"n\"/>") +
                   drawing(false, "r:link=\"rL\"", "<wp:docPr id=\"4\" name=\"n\"/>") +
                   drawing(false, "r:link=\"rMissing\"", "<wp:docPr id=\"5\" name=\"n\"/>") +
                   drawing(true, "r:embed=\"rB\"", "<wp:docPr id=\"6\" name=\"n\"><a:hlinkClick r:id=\"rWeb\"/></wp:docPr>",
                           "<wp:positionH relativeFrom=\"column\"><wp:align>right</wp:align></wp:positionH><wp:wrapSquare wrapText=\"bothSides\"/>") +
                   chart + "</w:p>";
    QImage gif(2, 2, QImage::Format_RGB32);
    gif.fill(Qt::green);
    QByteArray bmp;
    {
        QBuffer b(&bmp);
        b.open(QIODevice::WriteOnly);
        gif.save(&b, "BMP");
    }
    QString src = dir.filePath("src/doc.docx");
    TDocxBuilder()
        .Relationship("rA", "image", "media/image1.png")
        .Relationship("rB", "image", "media/image2.bmp")
        .Relationship("rL", "image", "pics/linked.jpg", true)
        .Relationship("rMissing", "image", "pics/none.png", true)
        .Relationship("rWeb", "hyperlink", "http://example.com/", true)
        .Entry("word/media/image1.png", TDocxBuilder::Png(8, 8))
        .Entry("word/media/image2.bmp", bmp)
        .Body(body)
        .Save(src);
    WordApplication app;
    auto doc = app.Documents().Open(src);
    doc->WebOptions().Encoding = 65001;
    QString out = dir.filePath("out/doc.htm");
    QDir().mkpath(dir.filePath("out"));
    doc->SaveAs(out, wdFormatFilteredHTML);
    TWarnings w = doc->Warnings();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString page = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(page.contains("<img width=100 height=50 src=\"doc_files/image001.png\" alt=\"A &lt;logo&gt;\">"));
    EXPECT_TRUE(page.contains("<img width=100 height=50 src=\"doc_files/image001.png\" alt=\"Only a title\">"));
    EXPECT_TRUE(page.contains("src=\"doc_files/image002.png\""));  // the bitmap became PNG
    EXPECT_TRUE(page.contains("src=\"doc_files/image003.jpg\""));  // the linked picture was copied
    EXPECT_TRUE(page.contains("src=\"file:///") && page.contains("src/pics/none.png\""));
    EXPECT_TRUE(page.contains("<a href=\"http://example.com/\"><img width=100 height=50 src=\"doc_files/image002.png\" align=right hspace=12"));
    EXPECT_TRUE(QFile::exists(dir.filePath("out/doc_files/image001.png")));
    EXPECT_TRUE(QFile::exists(dir.filePath("out/doc_files/image002.png")));
    EXPECT_TRUE(QFile::exists(dir.filePath("out/doc_files/image003.jpg")));
    EXPECT_FALSE(QFile::exists(dir.filePath("out/doc_files/image004.png")));
    EXPECT_EQ(QImage(dir.filePath("out/doc_files/image002.png")).width(), 2);
    EXPECT_TRUE(w.Contains("linked picture \"pics/none.png\" was not found"));
    EXPECT_TRUE(w.Contains("chart without a picture"));
    EXPECT_TRUE(w.Contains("floating picture is placed approximately"));
    for (const auto &item : w.Items())
        EXPECT_FALSE(item.Where.isEmpty()) << item.What.toStdString();
}

TEST(HtmlWriter, FootnotesAndEndnotesLinkBothWays)
{
    QString page = render(TDocxBuilder()
                              .Footnotes("<w:footnote w:type=\"separator\" w:id=\"0\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
                                         "<w:footnote w:id=\"2\"><w:p><w:r><w:footnoteRef/></w:r>" + R(" First note.") + "</w:p></w:footnote>"
                                         "<w:footnote w:id=\"5\"><w:p><w:r><w:footnoteRef/></w:r>" + R(" Second.") + "</w:p></w:footnote>")
                              .Endnotes("<w:endnote w:id=\"1\"><w:p><w:r><w:endnoteRef/></w:r>" + R(" End.") + "</w:p></w:endnote>")
                              .Body("<w:p>" + R("a") + "<w:r><w:footnoteReference w:id=\"5\"/></w:r>" + R("b") +
                                    "<w:r><w:footnoteReference w:id=\"2\"/></w:r><w:r><w:endnoteReference w:id=\"1\"/></w:r>"
                                    "<w:r><w:footnoteReference w:id=\"7\"/></w:r></w:p>"));
    QString b = bodyOf(page);
    EXPECT_TRUE(b.contains("a<a href=\"#_ftn1\" name=\"_ftnref1\" title=\"\"><sup>[1]</sup></a>b<a href=\"#_ftn2\" name=\"_ftnref2\""));
    EXPECT_TRUE(b.contains("<a href=\"#_edn1\" name=\"_ednref1\" title=\"\"><sup>[i]</sup></a>"));
    // Notes come in order of reference, each linking back.
    int first = b.indexOf("Second."), second = b.indexOf("First note."), end = b.indexOf("End.");
    EXPECT_TRUE(first > 0 && second > first && end > second);
    EXPECT_TRUE(b.contains("<div id=ftn1>\r\n<p class=MsoNormal><a href=\"#_ftnref1\" name=\"_ftn1\" title=\"\"><sup>[1]</sup></a> Second.</p>"));
    EXPECT_TRUE(b.contains("<a href=\"#_ednref1\" name=\"_edn1\" title=\"\"><sup>[i]</sup></a> End."));
    EXPECT_EQ(b.count("<hr"), 2);
}

TEST(HtmlWriter, CodePagesUseReferencesInTextAndCssEscapesInTheStyleElement)
{
    QString styles = "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/>"
                     "<w:rPr><w:rFonts w:ascii=\"\xE5\xAE\x8B\xE4\xBD\x93\" w:hAnsi=\"\xE5\xAE\x8B\xE4\xBD\x93\"/></w:rPr></w:style>";
    auto pic = "<w:r><w:drawing><wp:inline><wp:extent cx=\"9525\" cy=\"9525\"/><wp:docPr id=\"1\" name=\"n\" descr=\"\xE5\x9B\xBE caf\xC3\xA9\"/>"
               "<a:graphic><a:graphicData uri=\"x\"><pic:pic><pic:blipFill><a:blip r:embed=\"rA\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    TDocxBuilder b;
    b.Styles(styles)
        .Relationship("rA", "image", "media/a.png")
        .Entry("word/media/a.png", TDocxBuilder::Png())
        .Body("<w:p>" + R("caf\xC3\xA9 \xE4\xB8\xAD &lt;&amp;&gt; \xF0\x9F\x98\x80") + QString(pic) + "</w:p>");
    TDocxOptions o;
    o.DisplayName = "t.docx";
    auto doc = ReadDocxBytes(b.Build(), o);
    THtmlOptions h;
    h.CodePage = 1252;
    THtmlResult r = RenderFilteredHtml(*doc, "doc.htm", h);
    QByteArray bytes = r.Bytes;
    EXPECT_TRUE(bytes.contains("caf\xE9 &#20013; &lt;&amp;&gt; &#128512;"));
    EXPECT_TRUE(bytes.contains("alt=\"&#22270; caf\xE9\""));
    EXPECT_TRUE(bytes.contains("font-family:\"\\5B8B \\4F53 \""));
    EXPECT_FALSE(bytes.contains('?'));
    // The same page in UTF-8 keeps every character as it is.
    THtmlOptions u;
    u.CodePage = 65001;
    QByteArray utf8 = RenderFilteredHtml(*doc, "doc.htm", u).Bytes;
    EXPECT_TRUE(QString::fromUtf8(utf8).contains(QString::fromUtf8("caf\xC3\xA9 \xE4\xB8\xAD &lt;&amp;&gt; \xF0\x9F\x98\x80")));
}

TEST(HtmlWriter, RunFormattingFieldsHiddenTextAndBlanks)
{
    QString body = "<w:p>" + R("  two leading") + R("bold", "<w:b/>") + R("ital", "<w:i/><w:u w:val=\"single\"/>") +
                   R("sup", "<w:vertAlign w:val=\"superscript\"/>") + R("hid", "<w:vanish/>") +
                   R("mark", "<w:highlight w:val=\"yellow\"/>") + R("caps", "<w:caps/>") + R("strong", "<w:rStyle w:val=\"Strong\"/>") +
                   "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> XE \"Index\" </w:instrText></w:r>"
                   "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + R("a\tb") + "</w:p><w:p/>" +
                   P("red", "Note") + "<w:p><w:pPr><w:pStyle w:val=\"Note\"/></w:pPr><w:r><w:rPr><w:color w:val=\"auto\"/><w:i w:val=\"0\"/></w:rPr><w:t>plain in red style</w:t></w:r></w:p>";
    TWarnings w;
    QString page = render(TDocxBuilder().Styles(kStyles).Body(body), 65001, &w);
    QString b = bodyOf(page);
    EXPECT_TRUE(b.contains("<p class=MsoNormal>&nbsp;&nbsp;two leading<span style='font-weight:bold'>bold</span>"
                           "<span style='font-style:italic;text-decoration:underline'>ital</span><sup>sup</sup>"
                           "<span style='display:none'>hid</span><span style='background:yellow'>mark</span>"
                           "<span style='text-transform:uppercase'>caps</span><span class=MsoStrong>strong</span>a&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; b</p>"));
    EXPECT_FALSE(b.contains("Index"));
    EXPECT_TRUE(b.contains("<p class=MsoNormal>&nbsp;</p>"));
    EXPECT_TRUE(page.contains("span.MsoStrong\r\n\t{font-weight:bold;}"));
    // Direct formatting that undoes the style's shows as a difference from the class.
    EXPECT_TRUE(b.contains("<p class=MyNote>red</p>"));
    EXPECT_TRUE(b.contains("<p class=MyNote><span style='font-style:normal;color:windowtext'>plain in red style</span></p>"));
    EXPECT_TRUE(w.Contains("Tabs are written as spaces"));
}

TEST(HtmlWriter, WriteFailuresNameTheFile)
{
    QTemporaryDir dir;
    TDocxOptions o;
    o.DisplayName = "t.docx";
    auto doc = ReadDocxBytes(TDocxBuilder().Body(P("x")).Build(), o);
    TFaultyFileSystem fs;
    QString out = dir.filePath("doc.htm");
    fs.Fail(out, TFaultyFileSystem::opWrite);
    try {
        WriteFilteredHtml(*doc, out, THtmlOptions());
        FAIL() << "the write failure was not reported";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains(out));
    }
    EXPECT_THROW(WriteFilteredHtml(*doc, dir.filePath("no/such/folder/doc.htm"), THtmlOptions()), Exception);

    // A folder suffix that would lead out of the page's folder is refused.
    TDocxOptions po;
    po.DisplayName = "p.docx";
    auto withPicture = ReadDocxBytes(TDocxBuilder()
                                         .Relationship("rA", "image", "media/a.png")
                                         .Entry("word/media/a.png", TDocxBuilder::Png())
                                         .Body("<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"9525\" cy=\"9525\"/><wp:docPr id=\"1\" name=\"n\"/>"
                                               "<a:graphic><a:graphicData uri=\"x\"><pic:pic><pic:blipFill><a:blip r:embed=\"rA\"/></pic:blipFill>"
                                               "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>")
                                         .Build(),
                                     po);
    THtmlOptions evil;
    evil.FolderSuffix = "/../../escaped";
    QDir().mkpath(dir.filePath("out"));
    EXPECT_THROW(WriteFilteredHtml(*withPicture, dir.filePath("out/doc.htm"), evil), Exception);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("escaped")));
}

TEST(HtmlWriter, TableStyleRegionsContextualSpacingAndToggles)
{
    QString styles = kStyles +
                     "<w:style w:type=\"table\" w:styleId=\"Grid\"><w:name w:val=\"Fancy Grid\"/>"
                     "<w:tblPr><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\"/><w:insideH w:val=\"single\" w:sz=\"4\"/></w:tblBorders></w:tblPr>"
                     "<w:tblStylePr w:type=\"firstRow\"><w:rPr><w:b/></w:rPr><w:tcPr><w:shd w:val=\"clear\" w:fill=\"4472C4\"/></w:tcPr></w:tblStylePr>"
                     "<w:tblStylePr w:type=\"band1Horz\"><w:tcPr><w:shd w:val=\"clear\" w:fill=\"EEEEEE\"/></w:tcPr></w:tblStylePr></w:style>"
                     "<w:style w:type=\"paragraph\" w:styleId=\"ListPara\"><w:name w:val=\"List Paragraph\"/><w:basedOn w:val=\"Normal\"/>"
                     "<w:pPr><w:spacing w:before=\"120\" w:after=\"120\"/><w:contextualSpacing/></w:pPr></w:style>"
                     "<w:style w:type=\"paragraph\" w:styleId=\"BoldPara\"><w:name w:val=\"Bold Para\"/><w:rPr><w:b/></w:rPr></w:style>";
    auto row = [](const QString &a, const QString &b) -> QString { return "<w:tr><w:tc>" + P(a) + "</w:tc><w:tc>" + P(b) + "</w:tc></w:tr>"; };
    QString body = "<w:tbl><w:tblPr><w:tblStyle w:val=\"Grid\"/><w:tblLook w:firstRow=\"1\" w:noHBand=\"0\"/></w:tblPr>"
                   "<w:tblGrid><w:gridCol w:w=\"1500\"/><w:gridCol w:w=\"1500\"/></w:tblGrid>" +
                   row("H1", "H2") + row("r1", "x") + row("r2", "y") + "</w:tbl>" + P("one", "ListPara") + P("two", "ListPara") +
                   P("three", "ListPara") + "<w:p><w:pPr><w:pStyle w:val=\"BoldPara\"/></w:pPr>" + R("strong", "<w:rStyle w:val=\"Strong\"/>") + "</w:p>";
    QString page = render(TDocxBuilder().Styles(styles).Body(body));
    QString b = bodyOf(page);
    EXPECT_EQ(b.count("background:#4472C4"), 2);
    EXPECT_EQ(b.count("background:#EEEEEE"), 2); // the first body row is band 1, the second band 2
    EXPECT_TRUE(b.contains("<p class=MsoNormal style='font-weight:bold'>H1</p>"));
    EXPECT_TRUE(b.contains("<p class=MsoNormal>r1</p>"));
    // Paragraphs of one style with contextual spacing lose the space between them.
    EXPECT_TRUE(b.contains("<p class=MsoListParagraph style='margin-bottom:0.0pt'>one</p>"));
    EXPECT_TRUE(b.contains("<p class=MsoListParagraph style='margin-top:0.0pt;margin-bottom:0.0pt'>two</p>"));
    EXPECT_TRUE(b.contains("<p class=MsoListParagraph style='margin-top:0.0pt'>three</p>"));
    // A bold character style in a bold paragraph switches bold off, as toggles do.
    EXPECT_TRUE(b.contains("<span class=MsoStrong style='font-weight:normal'>strong</span>"));
}

TEST(HtmlWriter, SectionsTextBoxesSymbolsAndLinksAcrossParagraphs)
{
    QString box = "<w:r><w:drawing><wp:anchor><wp:extent cx=\"952500\" cy=\"95250\"/><wp:wrapSquare/><wp:docPr id=\"1\" name=\"b\"/><a:graphic><a:graphicData uri=\"x\">"
                  "<wps:wsp><wps:cNvSpPr txBox=\"1\"/><wps:spPr/><wps:txbx><w:txbxContent>" + P("boxed text") + "</w:txbxContent></wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>";
    QString body = "<w:p><w:pPr><w:sectPr><w:type w:val=\"nextPage\"/><w:cols w:num=\"2\"/></w:sectPr></w:pPr>" + R("first section") + "</w:p>" +
                   "<w:p><w:pPr><w:sectPr><w:type w:val=\"continuous\"/></w:sectPr></w:pPr>" + R("second") + "</w:p>" +
                   "<w:p>" + R("anchor") + box + "<w:r><w:sym w:font=\"Webdings\" w:char=\"F061\"/></w:r></w:p>" +
                   "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> HYPERLINK \"http://a.example/\" </w:instrText></w:r>"
                   "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + R("line one") + "</w:p><w:p>" + R("line two") +
                   "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + R(" after") + "</w:p>";
    TWarnings w;
    QString b = bodyOf(render(TDocxBuilder().Body(body), 65001, &w));
    EXPECT_TRUE(b.contains("first section</p>\r\n<br clear=all style='page-break-before:always'>\r\n<p class=MsoNormal>second</p>\r\n<p"));
    EXPECT_TRUE(b.contains("anchor<span style='font-family:&quot;Webdings&quot;'>a</span></p>\r\n<div style='border:solid windowtext 0.75pt;padding:4.0pt;width:100px'>\r\n<p class=MsoNormal>boxed text</p>\r\n</div>") ||
                b.contains("anchor<span style='font-family:\"Webdings\"'>a</span></p>\r\n<div style='border:solid windowtext 0.75pt;padding:4.0pt;width:100px'>\r\n<p class=MsoNormal>boxed text</p>\r\n</div>"))
        << b.toStdString();
    // A link whose field spans two paragraphs is closed and opened again around the break.
    EXPECT_TRUE(b.contains("<p class=MsoNormal><a href=\"http://a.example/\">line one</a></p>\r\n<p class=MsoNormal><a href=\"http://a.example/\">line two</a> after</p>"));
    EXPECT_TRUE(w.Contains("columns"));
    EXPECT_TRUE(w.Contains("text box"));
    EXPECT_TRUE(w.Contains("Webdings"));
}
