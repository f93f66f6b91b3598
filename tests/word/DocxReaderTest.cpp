// The .docx reader over packages built from XML snippets, one feature each.
#include "DocxBuilder.h"
#include "text/Exceptions.h"
#include "word/engine/DocxReader.h"
#include "word/engine/Fields.h"

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;

namespace {

std::unique_ptr<TDocument> read(const TDocxBuilder &b)
{
    TDocxOptions o;
    o.DisplayName = QStringLiteral("test.docx");
    return ReadDocxBytes(b.Build(), o);
}

// The plain text of a story: paragraphs separated by "|", field marks as { | }.
QString text(TStory &s)
{
    QString out;
    for (TParagraph *p : s.Paragraphs()) {
        if (!out.isEmpty())
            out += '|';
        for (const auto &in : p->Inlines) {
            switch (in.Kind) {
            case TInlineKind::Text: out += in.Text; break;
            case TInlineKind::FieldBegin: out += '{'; break;
            case TInlineKind::FieldSeparator: out += '|'; break;
            case TInlineKind::FieldEnd: out += '}'; break;
            case TInlineKind::Shape: out += in.Shape->Floating ? "[float]" : "[pic]"; break;
            case TInlineKind::NoteReference: out += "[note]"; break;
            case TInlineKind::BookmarkStart: out += "<" + in.Text + ">"; break;
            default: break;
            }
        }
    }
    return out;
}

const QString kStyles = QStringLiteral(
    "<w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val=\"22\"/></w:rPr></w:rPrDefault></w:docDefaults>"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"berschrift1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/>"
    "<w:rPr><w:b/><w:sz w:val=\"32\"/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Mine\"><w:name w:val=\"My Heading\"/><w:basedOn w:val=\"berschrift1\"/>"
    "<w:rPr><w:i/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Outlined\"><w:name w:val=\"Outlined\"/><w:pPr><w:outlineLvl w:val=\"3\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"LoopA\"><w:name w:val=\"Loop A\"/><w:basedOn w:val=\"LoopB\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"LoopB\"><w:name w:val=\"Loop B\"/><w:basedOn w:val=\"LoopA\"/></w:style>");

} // namespace

TEST(DocxReader, StylesInheritAndGiveOutlineLevelsWhateverTheLocalisedId)
{
    auto doc = read(TDocxBuilder().Styles(kStyles).Body(
        P("a", "berschrift1") + P("b", "Mine") + P("c", "Outlined") + P("d") + P("e", "LoopA") +
        "<w:p><w:pPr><w:pStyle w:val=\"Outlined\"/><w:outlineLvl w:val=\"0\"/></w:pPr><w:r><w:t>f</w:t></w:r></w:p>" +
        "<w:p><w:pPr><w:outlineLvl w:val=\"9\"/></w:pPr><w:r><w:t>g</w:t></w:r></w:p>"));
    auto &paras = doc->Body.Paragraphs();
    ASSERT_EQ(paras.size(), 7u);
    EXPECT_EQ(OutlineLevel(*doc, *paras[0]), 1);  // built-in name, localised id
    EXPECT_EQ(OutlineLevel(*doc, *paras[1]), 1);  // through basedOn
    EXPECT_EQ(OutlineLevel(*doc, *paras[2]), 4);  // the style's own outline level
    EXPECT_EQ(OutlineLevel(*doc, *paras[3]), 10); // body text
    EXPECT_EQ(OutlineLevel(*doc, *paras[4]), 10); // a basedOn cycle ends the chain
    EXPECT_EQ(OutlineLevel(*doc, *paras[5]), 1);  // the paragraph's own level wins
    EXPECT_EQ(OutlineLevel(*doc, *paras[6]), 10);

    const TRunProps &mine = doc->Styles.ChainRPr(QStringLiteral("Mine"));
    EXPECT_TRUE(mine.Bold.value_or(false));
    EXPECT_TRUE(mine.Italic.value_or(false));
    EXPECT_EQ(mine.Size.value_or(0), 32);
    EXPECT_EQ(doc->Styles.DocRPr.Size.value_or(0), 22);
}

TEST(DocxReader, RunsTextTabsBreaksSymbolsAndHyphens)
{
    auto doc = read(TDocxBuilder().Body(
        "<w:p><w:r><w:t xml:space=\"preserve\">a </w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t>"
        "<w:br w:type=\"page\"/><w:softHyphen/><w:noBreakHyphen/>"
        "<w:sym w:font=\"Symbol\" w:char=\"F0B7\"/><w:sym w:font=\"Symbol\" w:char=\"F061\"/></w:r>"
        "<w:proofErr w:type=\"spellStart\"/><w:r><w:t> </w:t></w:r></w:p>"));
    QString t = text(doc->Body);
    EXPECT_EQ(t, QString("a \tb") + QChar(chars::LineBreak) + "c" + QChar(chars::PageBreak) + QChar(chars::SoftHyphen) +
                     QChar(chars::NoBreakHyphen) + QChar(0x2022) + QChar(0x3B1) + " ");
}

// The parser's strings end at a zero character: a reference to U+0000 or a raw zero byte would
// cut the rest of the paragraph. Only the zero goes; "&#48;" is the digit and stays.
TEST(DocxReader, NulReferencesAndBytesDropOnlyTheNul)
{
    const QString body = P("Before&#0;After") + P("Hex&#x0000;Ref and &#48; and &#0048;") + P("tail");
    const QString xmlText = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document ") +
                            TDocxBuilder::Namespaces() + "><w:body>" + body + "</w:body></w:document>";
    const QByteArray xml = xmlText.toUtf8();
    auto doc = read(TDocxBuilder().RawDocument(xml));
    EXPECT_EQ(text(doc->Body), "BeforeAfter|HexRef and 0 and 0|tail");

    QByteArray raw = xml;
    raw.replace("Before&#0;After", QByteArray("Before\0After", 12));
    EXPECT_EQ(text(read(TDocxBuilder().RawDocument(raw))->Body), "BeforeAfter|HexRef and 0 and 0|tail");

    // A UTF-16 part holds zero bytes of its own, which are not characters.
    QString utf16Text = xmlText;
    utf16Text.replace("encoding=\"UTF-8\"", "encoding=\"UTF-16\"");
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : utf16Text) {
        utf16 += char(c.unicode() & 0xFF);
        utf16 += char(c.unicode() >> 8);
    }
    EXPECT_EQ(text(read(TDocxBuilder().RawDocument(utf16))->Body), "BeforeAfter|HexRef and 0 and 0|tail");
}

TEST(DocxReader, TrackedChangesKeepInsertionsAndDropDeletionsIncludingParagraphMarks)
{
    auto doc = read(TDocxBuilder().Body(
        "<w:p><w:r><w:t>keep </w:t></w:r><w:ins w:id=\"1\"><w:r><w:t>inserted </w:t></w:r></w:ins>"
        "<w:del w:id=\"2\"><w:r><w:delText>deleted</w:delText></w:r></w:del>"
        "<w:moveFrom w:id=\"3\"><w:r><w:t>moved away</w:t></w:r></w:moveFrom></w:p>"
        "<w:p><w:pPr><w:rPr><w:del w:id=\"4\"/></w:rPr></w:pPr><w:r><w:t>joined </w:t></w:r></w:p>"
        "<w:p><w:r><w:t>next</w:t></w:r></w:p>"));
    EXPECT_EQ(text(doc->Body), "keep inserted |joined next");
    EXPECT_TRUE(doc->HasTrackedChanges);
}

TEST(DocxReader, FieldsSimpleComplexNestedAndHyperlinks)
{
    auto doc = read(TDocxBuilder()
                        .Relationship("rLink", "hyperlink", "http://example.com/a%20b", true)
                        .Relationship("rFile", "hyperlink", "docs/My%20File.pdf", true)
                        .Body("<w:p><w:fldSimple w:instr=\" PAGE \"><w:r><w:t>1</w:t></w:r></w:fldSimple>"
                              "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> IF </w:instrText></w:r>"
                              "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>REF x \\h</w:instrText></w:r>"
                              "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>X</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
                              "<w:r><w:instrText xml:space=\"preserve\"> = 1 </w:instrText></w:r>"
                              "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>R</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
                              "<w:hyperlink r:id=\"rLink\" w:tooltip=\"tip\"><w:r><w:t>web</w:t></w:r></w:hyperlink>"
                              "<w:hyperlink w:anchor=\"bm\"><w:r><w:t>inner</w:t></w:r></w:hyperlink>"
                              "<w:hyperlink r:id=\"rFile\"><w:r><w:t>file</w:t></w:r></w:hyperlink>"
                              "<w:hyperlink r:id=\"rMissing\"><w:r><w:t>plain</w:t></w:r></w:hyperlink></w:p>"));
    QString t = text(doc->Body);
    EXPECT_EQ(t, "{ PAGE |1}{ IF {REF x \\h|X} = 1 |R}"
                 "{ HYPERLINK \"http://example.com/a%20b\" \\o \"tip\" |web}"
                 "{ HYPERLINK \\l \"bm\" |inner}"
                 "{ HYPERLINK \"docs/My File.pdf\" |file}plain");
    EXPECT_TRUE(doc->Warnings.Contains("hyperlink whose target is missing"));
}

TEST(DocxReader, UnterminatedAndStrayFieldMarksDoNotBreakTheStructure)
{
    auto doc = read(TDocxBuilder().Body(
        "<w:p><w:r><w:fldChar w:fldCharType=\"end\"/></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
        "<w:r><w:instrText>TOC</w:instrText></w:r></w:p><w:p><w:r><w:t>x</w:t></w:r></w:p>"));
    EXPECT_EQ(text(doc->Body), "{TOC|x|}");
    EXPECT_TRUE(doc->Warnings.Contains("without its field"));
    EXPECT_TRUE(doc->Warnings.Contains("without its end"));
}

TEST(DocxReader, TablesSpansMergesNestingAndRowMarks)
{
    auto cell = [](const QString &t, const QString &tcPr = QString()) -> QString {
        return "<w:tc>" + (tcPr.isEmpty() ? QString() : "<w:tcPr>" + tcPr + "</w:tcPr>") + P(t) + "</w:tc>";
    };
    QString nested = "<w:tbl><w:tr>" + cell("n") + "</w:tr></w:tbl>";
    auto doc = read(TDocxBuilder().Body(
        "<w:tbl><w:tblGrid><w:gridCol w:w=\"1000\"/><w:gridCol w:w=\"2000\"/></w:tblGrid>"
        "<w:tr>" + cell("a", "<w:gridSpan w:val=\"2\"/>") + "</w:tr>"
        "<w:tr>" + cell("b", "<w:vMerge w:val=\"restart\"/>") + "<w:tc>" + nested + "</w:tc></w:tr>"
        "<w:tr>" + cell("", "<w:vMerge/>") + cell("c") + "</w:tr></w:tbl>" + P("after")));
    ASSERT_EQ(doc->Body.Blocks.size(), 2u);
    TTable &t = *doc->Body.Blocks[0].Table;
    ASSERT_EQ(t.Rows.size(), 3u);
    EXPECT_EQ(t.Grid, (std::vector<int>{1000, 2000}));
    EXPECT_EQ(t.Rows[0].Cells[0].Props.GridSpan, 2);
    EXPECT_EQ(t.Rows[1].Cells[0].Props.VMerge, "restart");
    EXPECT_EQ(t.Rows[2].Cells[0].Props.VMerge, "continue");
    // A cell that ends with a table gets the paragraph every cell ends with.
    auto &cellBlocks = t.Rows[1].Cells[1].Blocks;
    ASSERT_EQ(cellBlocks.size(), 2u);
    EXPECT_TRUE(cellBlocks[0].Table);
    EXPECT_TRUE(cellBlocks[1].Paragraph);
    // a | b | n | (cell end) | empty | c | after; each row's last paragraph carries the row mark.
    auto &paras = doc->Body.Paragraphs();
    ASSERT_EQ(paras.size(), 7u);
    EXPECT_EQ(paras[0]->TrailingMarks, 1);
    EXPECT_EQ(paras[2]->TrailingMarks, 1); // the nested table's row
    EXPECT_EQ(paras[3]->TrailingMarks, 1);
    EXPECT_EQ(paras[6]->TrailingMarks, 0);
    EXPECT_EQ(doc->Body.ParagraphStart(1), 3); // "a" + mark + row mark
}

TEST(DocxReader, NumberingDefinitionsWithOverrides)
{
    auto doc = read(TDocxBuilder().Numbering(
        "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"3\"/><w:numFmt w:val=\"upperRoman\"/>"
        "<w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
        "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"0\"/><w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"7\"/></w:lvlOverride></w:num>")
                        .Body(P("x")));
    const TNumLevel *l1 = doc->Numbering.Level(1, 0);
    const TNumLevel *l2 = doc->Numbering.Level(2, 0);
    ASSERT_TRUE(l1 && l2);
    EXPECT_EQ(l1->Start, 3);
    EXPECT_EQ(l2->Start, 7);
    EXPECT_EQ(l1->Format, "upperRoman");
    EXPECT_EQ(doc->Numbering.Level(1, 1), nullptr);
    EXPECT_EQ(doc->Numbering.Level(9, 0), nullptr);
}

TEST(DocxReader, PicturesInlineFloatingLinkedAndVml)
{
    QString inlinePic =
        "<w:r><w:drawing><wp:inline><wp:extent cx=\"952500\" cy=\"476250\"/><wp:docPr id=\"1\" name=\"P1\" descr=\"Logo\" title=\"T\"/>"
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
        "<pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    QString floating =
        "<w:r><w:drawing><wp:anchor behindDoc=\"0\"><wp:positionH relativeFrom=\"column\"><wp:align>right</wp:align></wp:positionH>"
        "<wp:extent cx=\"9525\" cy=\"9525\"/><wp:wrapSquare wrapText=\"bothSides\"/><wp:docPr id=\"2\" name=\"P2\"/>"
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
        "<pic:blipFill><a:blip r:link=\"rLinked\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>";
    QString vml = "<w:r><w:pict><v:shape style=\"width:75pt;height:1in\"><v:imagedata r:id=\"rImg\" o:title=\"old\"/></v:shape></w:pict></w:r>";
    QString missing = "<w:r><w:pict><v:shape style=\"width:10pt;height:10pt\"><v:imagedata r:id=\"rNone\"/></v:shape></w:pict></w:r>";
    auto doc = read(TDocxBuilder()
                        .Relationship("rImg", "image", "media/image1.png")
                        .Relationship("rLinked", "image", "pics/b%20c.png", true)
                        .Entry("word/media/image1.png", TDocxBuilder::Png())
                        .Body("<w:p>" + inlinePic + floating + vml + missing + "</w:p>"));
    EXPECT_EQ(text(doc->Body), "[pic][float][pic][pic]");
    auto &in = doc->Body.Paragraphs()[0]->Inlines;
    const TShape &a = *in[0].Shape;
    EXPECT_EQ(a.Kind, TShapeKind::Picture);
    EXPECT_EQ(a.MediaPart, "word/media/image1.png");
    EXPECT_EQ(a.WidthEmu, 952500);
    EXPECT_EQ(a.Description, "Logo");
    EXPECT_EQ(a.Title, "T");
    const TShape &b = *in[1].Shape;
    EXPECT_TRUE(b.Floating);
    EXPECT_EQ(b.LinkTarget, "pics/b c.png");
    EXPECT_EQ(b.HorizontalAlign, "right");
    EXPECT_EQ(b.Wrap, "Square");
    const TShape &c = *in[2].Shape;
    EXPECT_TRUE(c.Vml);
    EXPECT_EQ(c.WidthEmu, 75 * 12700);
    EXPECT_EQ(c.HeightEmu, 914400);
    EXPECT_EQ(c.Title, "old");
    EXPECT_TRUE(doc->Media.count("word/media/image1.png"));
    EXPECT_TRUE(doc->Warnings.Contains("picture whose part is missing"));
    // The floating picture counts no character; the others one each.
    EXPECT_EQ(doc->Body.Paragraphs()[0]->TextLength(), 3);
}

TEST(DocxReader, FootnotesBookmarksContentControlsAndSmartTags)
{
    auto doc = read(TDocxBuilder()
                        .Footnotes("<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
                                   "<w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t xml:space=\"preserve\"> Note text</w:t></w:r></w:p></w:footnote>")
                        .Body("<w:bookmarkStart w:id=\"0\" w:name=\"top\"/>"
                              "<w:p><w:r><w:t>a</w:t></w:r><w:r><w:footnoteReference w:id=\"1\"/></w:r>"
                              "<w:sdt><w:sdtPr/><w:sdtContent><w:r><w:t>b</w:t></w:r></w:sdtContent></w:sdt>"
                              "<w:smartTag w:uri=\"x\" w:element=\"place\"><w:r><w:t>c</w:t></w:r></w:smartTag>"
                              "<w:customXml w:element=\"y\"><w:r><w:t>d</w:t></w:r></w:customXml></w:p>"
                              "<w:bookmarkEnd w:id=\"0\"/>"
                              "<w:sdt><w:sdtContent>" + P("block") + "</w:sdtContent></w:sdt>"));
    EXPECT_EQ(text(doc->Body), "<top>a[note]bcd|block");
    ASSERT_TRUE(doc->Footnotes.count(1));
    EXPECT_EQ(text(doc->Footnotes[1]->Story), "[note] Note text");
    EXPECT_EQ(doc->Footnotes[-1]->Type, "separator");
}

TEST(DocxReader, CommentsHeadersAndFootersStayInTheModel)
{
    QByteArray header = (QString("<w:hdr ") + TDocxBuilder::Namespaces() + ">" + P("Head") + "</w:hdr>").toUtf8();
    QByteArray comments = (QString("<w:comments ") + TDocxBuilder::Namespaces() + "><w:comment w:id=\"0\" w:author=\"A\">" + P("Remark") +
                           "</w:comment></w:comments>").toUtf8();
    auto doc = read(TDocxBuilder()
                        .Relationship("rH", "header", "header1.xml")
                        .Relationship("rC", "comments", "comments.xml")
                        .Entry("word/header1.xml", header)
                        .Entry("word/comments.xml", comments)
                        .Body("<w:p><w:commentRangeStart w:id=\"0\"/><w:r><w:t>x</w:t></w:r><w:commentRangeEnd w:id=\"0\"/>"
                              "<w:r><w:commentReference w:id=\"0\"/></w:r></w:p>"
                              "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rH\"/></w:sectPr>"));
    EXPECT_EQ(text(doc->Body), "x");
    ASSERT_EQ(doc->HeadersFooters.size(), 1u);
    EXPECT_EQ(text(doc->HeadersFooters[0]->Story), "Head");
    ASSERT_TRUE(doc->Comments.count(0));
    EXPECT_EQ(doc->Comments[0]->Author, "A");
    ASSERT_EQ(doc->FinalSection.HeaderRefs.size(), 1u);
    EXPECT_EQ(doc->FinalSection.HeaderRefs[0].second, "word/header1.xml");
}

TEST(DocxReader, OtherPrefixesAndStrictNamespacesReadTheSame)
{
    QByteArray strict =
        "<?xml version=\"1.0\"?><x:document xmlns:x=\"http://purl.oclc.org/ooxml/wordprocessingml/main\">"
        "<x:body><x:p><x:pPr><x:pStyle x:val=\"H\"/></x:pPr><x:r><x:t>strict</x:t></x:r></x:p></x:body></x:document>";
    auto doc = read(TDocxBuilder().RawDocument(strict));
    EXPECT_EQ(text(doc->Body), "strict");
    EXPECT_EQ(doc->Body.Paragraphs()[0]->StyleId(), "H");

    QByteArray defaultNs = "<?xml version=\"1.0\"?><document xmlns=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                           "<body><p><r><t>plain</t></r></p></body></document>";
    auto doc2 = read(TDocxBuilder().RawDocument(defaultNs));
    EXPECT_EQ(text(doc2->Body), "plain");
}

TEST(DocxReader, BadPackagesGiveClearErrorsNamingTheFile)
{
    auto message = [](const QByteArray &bytes) -> QString {
        try {
            TDocxOptions o;
            o.DisplayName = QStringLiteral("bad.docx");
            ReadDocxBytes(bytes, o);
        } catch (const Exception &e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_TRUE(message("not a zip at all").contains("bad.docx"));
    EXPECT_TRUE(message("not a zip at all").contains("not a complete zip"));
    QByteArray good = TDocxBuilder().Body(P("x")).Build();
    EXPECT_TRUE(message(good.left(good.size() / 2)).contains("not a complete zip"));
    EXPECT_TRUE(message(TDocxBuilder().WithoutMainPart().Build()).contains("no main document part"));
    EXPECT_TRUE(message(TDocxBuilder().RawDocument("<w:document><w:body>").Build()).contains("not well-formed"));
    EXPECT_TRUE(message(TDocxBuilder().Body(P("x")).Entry("../evil.txt", "x").Build()).contains("outside the document"));
    EXPECT_TRUE(message(TDocxBuilder().Body(P("x")).Entry("/abs.txt", "x").Build()).contains("outside the document"));
    QByteArray deep = "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p>";
    for (int i = 0; i < 400; ++i)
        deep += "<w:smartTag>";
    deep += "</w:p></w:body></w:document>";
    EXPECT_TRUE(message(TDocxBuilder().RawDocument(deep).Build()).contains("not well-formed"));
    QByteArray deepOk = "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p>";
    for (int i = 0; i < 400; ++i)
        deepOk += "<w:smartTag>";
    for (int i = 0; i < 400; ++i)
        deepOk += "</w:smartTag>";
    deepOk += "</w:p></w:body></w:document>";
    EXPECT_TRUE(message(TDocxBuilder().RawDocument(deepOk).Build()).contains("nested deeper"));
}

TEST(DocxReader, BrokenOptionalPartsAreSkippedWithAWarning)
{
    TDocxBuilder b;
    b.Body(P("x", "Normal")).Styles("<w:style").Relationship("rS", "settings", "nowhere.xml");
    auto doc = read(b);
    EXPECT_EQ(text(doc->Body), "x");
    EXPECT_TRUE(doc->Warnings.Contains("word/styles.xml"));
    EXPECT_TRUE(doc->Warnings.Contains("missing"));
}

TEST(DocxReader, RelationshipTargetsResolveInsideThePackageOnly)
{
    EXPECT_EQ(ResolvePartName("word/document.xml", "media/a.png"), "word/media/a.png");
    EXPECT_EQ(ResolvePartName("word/document.xml", "../customXml/item.xml"), "customXml/item.xml");
    EXPECT_EQ(ResolvePartName("word/document.xml", "/word/media/a.png"), "word/media/a.png");
    EXPECT_EQ(ResolvePartName("word/document.xml", "../../etc/passwd"), "");
    EXPECT_EQ(ResolvePartName("word/document.xml", "media\\b.png"), "word/media/b.png");
}

TEST(FieldCodes, TypesFromTheFirstWordAndSwitches)
{
    EXPECT_EQ(FieldTypeOfCode(" XE \"Install:Windows\" "), 4);
    EXPECT_EQ(FieldTypeOfCode("REF _Ref123 \\h"), 3);
    EXPECT_EQ(FieldTypeOfCode("ref x"), 3);
    EXPECT_EQ(FieldTypeOfCode(" HYPERLINK \\l \"a\""), 88);
    EXPECT_EQ(FieldTypeOfCode("TOC \\o \"1-3\""), 13);
    EXPECT_EQ(FieldTypeOfCode("PAGEREF _Toc1 \\h"), 37);
    EXPECT_EQ(FieldTypeOfCode("Id=1001;FileName=intro"), -1);
    EXPECT_EQ(FieldTypeOfCode(""), -1);
    EXPECT_EQ(FieldTypeOfCode("   "), -1);
    EXPECT_EQ(FieldTypeOfCode("=2+2"), 34);
    TFieldCode c = ParseFieldCode(" HYPERLINK \"C:\\\\a b\\\\x.pdf\" \\l \"sec 1\" \\o \"say \\\"hi\\\"\" \\n");
    EXPECT_EQ(c.Keyword, "HYPERLINK");
    EXPECT_EQ(c.Arguments, QStringList{"C:\\a b\\x.pdf"});
    EXPECT_EQ(c.Switch("\\l"), "sec 1");
    EXPECT_EQ(c.Switch("\\o"), "say \"hi\"");
    EXPECT_TRUE(c.HasSwitch("\\n"));
}
