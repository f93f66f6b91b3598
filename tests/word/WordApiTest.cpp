// The object API over documents built from snippets: positions, GoTo, ranges that follow edits,
// fields and shapes, and opening by content.
#include "DocxBuilder.h"
#include "text/Exceptions.h"
#include "word/engine/Model.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

const QString kHeadingStyles = QStringLiteral(
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>"
    "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/><w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>");

QString field(const QString &code, const QString &result = QString())
{
    QString f = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + code + "</w:instrText></w:r>";
    if (!result.isNull())
        f += "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>" + result + "</w:t></w:r>";
    return f + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

class Api : public ::testing::Test
{
protected:
    std::shared_ptr<WordDocument> open(const TDocxBuilder &b, const QString &name = QStringLiteral("t.docx"))
    {
        QString path = dir.filePath(name);
        b.Save(path);
        return app.Documents().Open(path);
    }
    QTemporaryDir dir;
    WordApplication app;
};

} // namespace

TEST_F(Api, PositionsCountMarksFieldsAndPictures)
{
    QString pic = "<w:r><w:drawing><wp:inline><wp:extent cx=\"9525\" cy=\"9525\"/><wp:docPr id=\"1\" name=\"p\"/><a:graphic><a:graphicData uri=\"x\"><pic:pic>"
                  "<pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    QString floating = "<w:r><w:drawing><wp:anchor><wp:extent cx=\"9525\" cy=\"9525\"/><wp:docPr id=\"2\" name=\"f\"/><a:graphic><a:graphicData uri=\"x\"><pic:pic>"
                       "<pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>";
    auto doc = open(TDocxBuilder()
                        .Relationship("rImg", "image", "media/a.png")
                        .Entry("word/media/a.png", TDocxBuilder::Png())
                        .Body("<w:p>" + R("ab") + field(" PAGE ", "7") + pic + floating + R("c") + "</w:p>" + P("d") +
                              "<w:tbl><w:tr><w:tc>" + P("x") + "</w:tc><w:tc>" + P("y") + "</w:tc></w:tr></w:tbl>" + P("z")));
    // "ab" 2 + field (begin, " PAGE ", separator, "7", end) 10 + picture 1 + "c" 1 + mark 1 = 15
    WordRange content = doc->Content();
    EXPECT_EQ(content.Start(), 0);
    QString text = content.Text();
    EXPECT_EQ(text, QString("ab") + QChar(0x13) + " PAGE " + QChar(0x14) + "7" + QChar(0x15) + QChar(0x01) + "c\rd\rx\ry\r" +
                        QChar(0x07) + "z\r");
    EXPECT_EQ(content.End(), text.size());
    WordParagraphs paras = doc->Paragraphs();
    ASSERT_EQ(paras.Count(), 5);
    EXPECT_EQ(paras.Item(2).Start(), 15);
    EXPECT_EQ(paras.Item(2).Text(), "d\r");
    EXPECT_EQ(paras.Item(5).Start(), 22); // after the end-of-row mark
}

TEST_F(Api, GoToHeadingsExpandAndOutlineLevels)
{
    auto doc = open(TDocxBuilder().Styles(kHeadingStyles).Body(P("intro") + P("One", "Heading1") + P("body") + P("Two", "Heading2") + P("tail")));
    WordRange first = doc->GoTo(wdGoToHeading, wdGoToFirst);
    EXPECT_EQ(first.Start(), 6);
    EXPECT_EQ(first.End(), 6);
    first.Expand(wdParagraph);
    EXPECT_EQ(first.Text(), "One\r");
    EXPECT_EQ(first.ParagraphFormat().OutlineLevel(), 1);
    WordRange second = first.GoTo(wdGoToHeading, wdGoToNext);
    EXPECT_EQ(second.Start(), 15);
    EXPECT_EQ(second.ParagraphFormat().OutlineLevel(), 2);
    // None follows: a range where the current one starts.
    WordRange none = second.GoTo(wdGoToHeading, wdGoToNext);
    EXPECT_EQ(none.Start(), second.Start());
    EXPECT_EQ(none.End(), second.Start());
    WordRange body = doc->Paragraphs().Item(3);
    EXPECT_EQ(body.ParagraphFormat().OutlineLevel(), 10);

    // A document without headings goes nowhere, from its start.
    auto plain = open(TDocxBuilder().Body(P("a") + P("b")), "plain.docx");
    WordRange r = plain->GoTo(wdGoToHeading, wdGoToFirst);
    EXPECT_EQ(r.Start(), 0);
    r.Expand(wdParagraph);
    EXPECT_EQ(r.ParagraphFormat().OutlineLevel(), 10);
}

TEST_F(Api, InsertingMovesLaterRangesAndGrowsTheInsertingOne)
{
    auto doc = open(TDocxBuilder().Styles(kHeadingStyles).Body(P("One", "Heading1") + P("body") + P("Two", "Heading1")));
    WordRange h1 = doc->GoTo(wdGoToHeading, wdGoToFirst);
    WordRange h2 = h1.GoTo(wdGoToHeading, wdGoToNext);
    WordRange bodyPara = doc->Paragraphs().Item(2);
    EXPECT_EQ(h2.Start(), 9);
    h1.InsertBefore("`~#$1");
    EXPECT_EQ(h1.Start(), 0);
    EXPECT_EQ(h1.End(), 5);
    EXPECT_EQ(h2.Start(), 14);
    EXPECT_EQ(bodyPara.Start(), 9);
    EXPECT_EQ(bodyPara.Text(), "body\r");
    h1.Expand(wdParagraph);
    EXPECT_EQ(h1.Text(), "`~#$1One\r");
    // After a whole paragraph, inserted text begins the next one, as in Word.
    bodyPara.InsertAfter("!");
    EXPECT_EQ(doc->Paragraphs().Item(3).Text(), "!Two\r");
    EXPECT_EQ(bodyPara.End(), 15);
    EXPECT_EQ(h2.Start(), 15);
    WordRange inner = doc->Paragraphs().Item(2);
    inner.SetEnd(inner.End() - 1);
    inner.InsertAfter("?");
    EXPECT_EQ(doc->Paragraphs().Item(2).Text(), "body?\r");
    // Text with a paragraph mark makes a new paragraph.
    WordRange end = doc->Paragraphs().Item(3);
    end.Collapse(wdCollapseStart);
    end.InsertBefore("New\r");
    EXPECT_EQ(doc->Paragraphs().Count(), 4);
    EXPECT_EQ(doc->Paragraphs().Item(3).Text(), "New\r");
    EXPECT_EQ(doc->Paragraphs().Item(4).Text(), "!Two\r");
    EXPECT_EQ(doc->Paragraphs().Item(4).ParagraphFormat().OutlineLevel(), 1);
}

TEST_F(Api, FieldsOfARangeAreLiveAndEditable)
{
    auto doc = open(TDocxBuilder().Styles(kHeadingStyles).Body(
        "<w:p><w:bookmarkStart w:id=\"0\" w:name=\"Target\"/>" + R("Aim") + "<w:bookmarkEnd w:id=\"0\"/></w:p>" +
        "<w:p>" + R("a") + field(" XE \"Install:Windows\" ") + R("b") + field(" REF Target \\h ", "old") + field("Id=1;Omit=true") +
        field(" REF Target ", "plain") + "</w:p>" + P("after")));
    WordRange afterPara = doc->Paragraphs().Item(3);
    const int afterStart = afterPara.Start();
    WordFields fields = doc->Paragraphs().Item(2).Fields();
    ASSERT_EQ(fields.Count(), 4);
    EXPECT_EQ(fields.Item(1).Type(), 4);
    EXPECT_EQ(fields.Item(1).Code().Text(), " XE \"Install:Windows\" ");
    EXPECT_EQ(fields.Item(2).Type(), 3);
    EXPECT_EQ(fields.Item(3).Type(), -1);
    EXPECT_EQ(fields.Item(4).Type(), 3);

    // Deleting lowers the count and keeps the index; later ranges move back.
    WordField xe = fields.Item(1);
    int xeLength = xe.Code().Text().size() + 2; // begin and end marks, no result
    xe.Delete();
    EXPECT_TRUE(xe.Deleted());
    EXPECT_EQ(fields.Count(), 3);
    EXPECT_EQ(afterPara.Start(), afterStart - xeLength);
    EXPECT_EQ(fields.Item(1).Type(), 3);

    // A cross-reference becomes an internal link in the hyperlink style.
    WordField ref = fields.Item(1);
    ref.Code().SetText("HYPERLINK \\l \"Target\"");
    EXPECT_EQ(ref.Type(), 88);
    EXPECT_TRUE(ref.Update());
    WordRange result = ref.Result();
    result.SetStyle(wdStyleHyperlink);
    EXPECT_EQ(result.Text(), "old");
    auto &model = doc->Model();
    bool styled = false;
    for (auto &in : model.Body.Paragraphs()[1]->Inlines)
        if (in.Kind == engine::TInlineKind::Text && in.Text == "old")
            styled = in.Props && in.Props->Style && *in.Props->Style == "Hyperlink";
    EXPECT_TRUE(styled);

    // REF updates from the bookmark's text.
    WordField plainRef = fields.Item(3);
    EXPECT_TRUE(plainRef.Update());
    EXPECT_EQ(plainRef.Result().Text(), "Aim");

    // A second collection of the same fields sees a removal made through the first, also after
    // it has been read once.
    WordFields again = doc->Paragraphs().Item(2).Fields();
    ASSERT_EQ(again.Count(), 3);
    fields.Item(2).Delete();
    EXPECT_EQ(fields.Count(), 2);
    EXPECT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Item(2).Result().Text(), fields.Item(2).Result().Text());
    EXPECT_EQ(doc->Paragraphs().Item(2).Text().count(QChar(0x13)), 2);
    EXPECT_EQ(afterPara.Text(), "after\r");
}

TEST_F(Api, NestedFieldsAreEnumeratedAndDeletedWhole)
{
    auto doc = open(TDocxBuilder().Body("<w:p>" + R("x") +
                                        "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> IF </w:instrText></w:r>" +
                                        field("PAGE", "1") +
                                        "<w:r><w:instrText xml:space=\"preserve\"> = 1 \"yes\" </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" +
                                        R("yes") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + R("y") + "</w:p>"));
    WordFields f = doc->Content().Fields();
    ASSERT_EQ(f.Count(), 2);
    EXPECT_EQ(f.Item(1).Type(), 7);
    EXPECT_EQ(f.Item(2).Type(), 33);
    EXPECT_EQ(f.Item(1).Code().Text().count(QChar(0x13)), 1);
    // Deleting the inner code's range cuts the outer field's marks: the whole outer field goes.
    WordRange cut = doc->Content();
    cut.SetStart(1);
    cut.SetEnd(3);
    cut.Delete();
    EXPECT_EQ(doc->Content().Text(), "xy\r");
    EXPECT_EQ(f.Count(), 0);
}

TEST_F(Api, ShapesAreEnumeratedTypedAndDeletable)
{
    auto drawing = [](bool floating, const QString &graphic, const QString &docPr = "<wp:docPr id=\"1\" name=\"s\"/>") -> QString {
        QString tag = floating ? "wp:anchor" : "wp:inline";
        return "<w:r><w:drawing><" + tag + "><wp:extent cx=\"127000\" cy=\"254000\"/>" + docPr +
               "<a:graphic><a:graphicData uri=\"x\">" + graphic + "</a:graphicData></a:graphic></" + tag + "></w:drawing></w:r>";
    };
    QString picture = "<pic:pic><pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic>";
    QString linked = "<pic:pic><pic:blipFill><a:blip r:link=\"rLink\"/></pic:blipFill></pic:pic>";
    QString shape = "<wps:wsp><wps:cNvPr id=\"3\" name=\"arrow\"><a:hlinkClick r:id=\"rWeb\" tooltip=\"Go\"/></wps:cNvPr><wps:spPr/></wps:wsp>";
    QString box = "<wps:wsp><wps:cNvSpPr txBox=\"1\"/><wps:spPr/><wps:txbx><w:txbxContent>" + P("boxed") + "</w:txbxContent></wps:txbx></wps:wsp>";
    QString canvas = "<wpc:wpc>" + QString("<wps:wsp><wps:cNvPr id=\"5\" name=\"a\"><a:hlinkClick r:id=\"rWeb\"/></wps:cNvPr><wps:spPr/></wps:wsp>") + picture + "</wpc:wpc>";
    QString control = "<w:r><w:object><w:control r:id=\"rAx\" w:name=\"Flash1\"/></w:object></w:r>";
    QByteArray ax = "<ax:ocx xmlns:ax=\"http://schemas.microsoft.com/office/2006/activeX\" ax:classid=\"{D27CDB6E-AE6D-11CF-96B8-444553540000}\">"
                    "<ax:ocxPr ax:name=\"Movie\" ax:value=\"intro.swf\"/><ax:ocxPr ax:name=\"Playing\" ax:value=\"False\"/></ax:ocx>";
    auto doc = open(TDocxBuilder()
                        .Relationship("rImg", "image", "media/a.png")
                        .Relationship("rLink", "image", "../pics/x.png", true)
                        .Relationship("rWeb", "hyperlink", "http://example.com/#top", true)
                        .Relationship("rAx", "control", "activeX/activeX1.xml")
                        .Entry("word/media/a.png", TDocxBuilder::Png())
                        .Entry("word/activeX/activeX1.xml", ax)
                        .Body("<w:p>" + drawing(false, picture, "<wp:docPr id=\"1\" name=\"p\" descr=\"Logo\"/>") + drawing(false, linked) + control +
                              drawing(true, shape) + drawing(true, box) + drawing(true, canvas) + drawing(true, linked) + "</w:p>"));
    WordShapes inl = doc->InlineShapes();
    WordShapes fl = doc->Shapes();
    ASSERT_EQ(inl.Count(), 3);
    ASSERT_EQ(fl.Count(), 4);
    EXPECT_EQ(inl.Item(1).Type(), 3);
    EXPECT_EQ(inl.Item(2).Type(), 4);
    EXPECT_EQ(inl.Item(3).Type(), 5);
    EXPECT_EQ(fl.Item(1).Type(), 1);
    EXPECT_EQ(fl.Item(2).Type(), 17);
    EXPECT_EQ(fl.Item(3).Type(), 20);
    EXPECT_EQ(fl.Item(4).Type(), 11);
    EXPECT_EQ(inl.Item(1).AlternativeText(), "Logo");
    EXPECT_DOUBLE_EQ(inl.Item(1).Width(), 10.0);
    EXPECT_DOUBLE_EQ(inl.Item(1).Height(), 20.0);
    EXPECT_EQ(inl.Item(3).ClassType(), "ShockwaveFlash.ShockwaveFlash.1");
    EXPECT_EQ(inl.Item(3).Property("movie"), "intro.swf");
    EXPECT_EQ(inl.Item(2).LinkSource(), "../pics/x.png");
    WordHyperlinkInfo h = fl.Item(1).Hyperlink();
    EXPECT_EQ(h.Address, "http://example.com/");
    EXPECT_EQ(h.SubAddress, "top");
    EXPECT_EQ(h.ScreenTip, "Go");
    auto items = fl.Item(3).CanvasItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Hyperlink().Address, "http://example.com/");

    // Deleting the control and writing its marker after it, as the shapes pass does.
    WordShape flash = inl.Item(3);
    WordRange r = flash.Range();
    EXPECT_EQ(r.End() - r.Start(), 1);
    r.InsertAfter("~$!!Flash:(0)");
    flash.Delete();
    EXPECT_EQ(inl.Count(), 2);
    EXPECT_TRUE(doc->Content().Text().contains("~$!!Flash:(0)"));
    fl.Item(1).SetAlternativeText("x`@#^http://a;;");
    EXPECT_EQ(doc->Shapes().Item(1).AlternativeText(), "x`@#^http://a;;");
    WordShape floatingPic = fl.Item(4);
    floatingPic.Anchor().InsertAfter("!");
    floatingPic.Delete();
    EXPECT_EQ(fl.Count(), 3);
}

TEST_F(Api, OpeningRecognisesTheFormatByContent)
{
    // A .docx under another name opens; a text file named .docx is refused.
    QString renamed = dir.filePath("copy.tmp");
    TDocxBuilder().Body(P("hello")).Save(renamed);
    auto doc = app.Documents().Open(renamed);
    EXPECT_EQ(doc->Content().Text(), "hello\r");
    EXPECT_EQ(app.Documents().Count(), 1);

    QString fake = dir.filePath("fake.docx");
    QFile f(fake);
    f.open(QIODevice::WriteOnly);
    f.write("just text");
    f.close();
    try {
        app.Documents().Open(fake);
        FAIL() << "a text file opened";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("fake.docx"));
        EXPECT_TRUE(e.Message().contains("not a Word document"));
    }
    EXPECT_THROW(app.Documents().Open(dir.filePath("missing.docx")), Exception);

    // A zip that is not a word-processing package is refused too.
    QString zip = dir.filePath("other.zip");
    QFile z(zip);
    z.open(QIODevice::WriteOnly);
    z.write(TDocxBuilder::Zip({{"a.txt", "x"}}));
    z.close();
    EXPECT_THROW(app.Documents().Open(zip), Exception);

    // Without LibreOffice an RTF source fails with the platform's text.
    QString rtf = dir.filePath("old.rtf");
    QFile r(rtf);
    r.open(QIODevice::WriteOnly);
    r.write("{\\rtf1 hello}");
    r.close();
    QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8());
    try {
        WordOpenOptions o;
        o.DisplayName = "Manual.rtf";
        app.Documents().Open(rtf, o);
        ADD_FAILURE() << "opened without LibreOffice";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Your system cannot read \"Manual.rtf\". Please install LibreOffice or choose a .docx file as the source.");
    }
    qputenv("PATH", path);

    doc->Close(0);
    EXPECT_EQ(app.Documents().Count(), 0);
    EXPECT_THROW(doc->Content(), Exception);
}

TEST_F(Api, AddedDocumentsTakeTextAndHeadings)
{
    auto doc = app.Documents().Add(false);
    EXPECT_EQ(doc->Content().Text(), "\r");
    WordRange r = doc->Content();
    r.InsertBefore("Title\rBody text");
    EXPECT_EQ(doc->Paragraphs().Count(), 2);
    WordRange title = doc->Paragraphs().Item(1);
    title.SetStyle(-2);
    EXPECT_EQ(title.ParagraphFormat().OutlineLevel(), 1);
    EXPECT_EQ(title.StyleName(), "heading 1");
    EXPECT_EQ(doc->GoTo(wdGoToHeading, wdGoToFirst).Start(), 0);
    EXPECT_EQ(doc->Paragraphs().Item(2).ParagraphFormat().OutlineLevel(), 10);
    doc->SaveAs(dir.filePath("added.htm"), wdFormatFilteredHTML);
    QFile f(dir.filePath("added.htm"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray page = f.readAll();
    EXPECT_TRUE(page.contains("<h1>Title</h1>"));
    EXPECT_TRUE(page.contains("<p class=MsoNormal>Body text</p>"));
    // Word documents are written too, and read back the same.
    doc->SaveAs(dir.filePath("added.docx"), wdFormatXMLDocument);
    auto back = app.Documents().Open(dir.filePath("added.docx"));
    EXPECT_EQ(back->Content().Text(), doc->Content().Text());
    EXPECT_EQ(back->Paragraphs().Item(1).StyleName(), "heading 1");
}
