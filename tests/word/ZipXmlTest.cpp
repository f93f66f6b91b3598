// The zip and XML layers under the readers: what they refuse and how they normalise.
#include "DocxBuilder.h"
#include "text/Exceptions.h"
#include "word/engine/Xml.h"
#include "word/engine/Zip.h"

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::engine;
using namespace tavrel::test;

namespace {
QString failure(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.Message();
    }
    return QString();
}
} // namespace

TEST(Zip, EntryNamesMustStayInsideThePackage)
{
    EXPECT_TRUE(IsSafeEntryName("word/document.xml"));
    EXPECT_TRUE(IsSafeEntryName("a..b/c"));
    EXPECT_FALSE(IsSafeEntryName(""));
    EXPECT_FALSE(IsSafeEntryName("../x"));
    EXPECT_FALSE(IsSafeEntryName("word/../../x"));
    EXPECT_FALSE(IsSafeEntryName("word\\..\\x"));
    EXPECT_FALSE(IsSafeEntryName("/etc/passwd"));
    EXPECT_FALSE(IsSafeEntryName("\\x"));
    EXPECT_FALSE(IsSafeEntryName("C:x"));
    EXPECT_FALSE(IsSafeEntryName(QString("a") + QChar(0) + "b"));
}

TEST(Zip, LimitsStopBombsAndOversizedPackages)
{
    QByteArray zeros(6 * 1024 * 1024, '\0');
    QByteArray bomb = TDocxBuilder::Zip({{"big.xml", zeros}, {"small.xml", "<x/>"}});
    auto zip = TZipReader::OpenBytes(bomb, "bomb.docx");
    EXPECT_EQ(zip->Size("big.xml"), zeros.size());
    QString m = failure([&] { zip->Read("big.xml"); });
    EXPECT_TRUE(m.contains("bomb.docx"));
    EXPECT_TRUE(m.contains("zip bomb")) << m.toStdString();
    EXPECT_EQ(zip->Read("small.xml"), "<x/>");

    TZipLimits small;
    small.MaxEntrySize = 1024;
    auto z2 = TZipReader::OpenBytes(TDocxBuilder::Zip({{"a", QByteArray(2000, 'a')}}, true), "x.docx", small);
    EXPECT_TRUE(failure([&] { z2->Read("a"); }).contains("inflates beyond"));

    TZipLimits total;
    total.MaxTotalSize = 3000;
    auto z3 = TZipReader::OpenBytes(TDocxBuilder::Zip({{"a", QByteArray(2000, 'a')}, {"b", QByteArray(2000, 'b')}}, true), "x.docx", total);
    EXPECT_EQ(z3->Read("a").size(), 2000);
    EXPECT_TRUE(failure([&] { z3->Read("b"); }).contains("together"));

    TZipLimits few;
    few.MaxEntries = 2;
    EXPECT_TRUE(failure([&] { TZipReader::OpenBytes(TDocxBuilder::Zip({{"a", "1"}, {"b", "2"}, {"c", "3"}}), "x.docx", few); })
                    .contains("3 entries"));
}

TEST(Zip, PartNamesCompareWithoutCaseExactFirst)
{
    auto zip = TZipReader::OpenBytes(TDocxBuilder::Zip({{"Word/Document.xml", "A"}, {"word/styles.xml", "B"}}), "x.docx");
    EXPECT_EQ(zip->Read("word/document.xml"), "A");
    EXPECT_EQ(zip->Read("/word/styles.xml"), "B");
    EXPECT_TRUE(zip->ReadIfExists("nothing").isEmpty());
    EXPECT_TRUE(failure([&] { zip->Read("nothing"); }).contains("\"nothing\" is missing"));
    EXPECT_TRUE(failure([] { TZipReader::OpenFile("/nonexistent/file.docx", "Manual.docx"); }).contains("Manual.docx"));
}

TEST(Xml, PrefixesAreNormalisedWhateverTheProducerChose)
{
    QByteArray xml = "<?xml version=\"1.0\"?><d:document xmlns:d=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                     "xmlns:q=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" xmlns:x=\"urn:other\">"
                     "<d:body><d:p q:id=\"r1\" x:keep=\"1\"><inner xmlns=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><blip/></inner>"
                     "<w:p xmlns:w=\"urn:not-word\"/></d:p></d:body></d:document>";
    auto doc = ParseXmlPart(xml, "x.docx", "word/document.xml");
    pugi::xml_node p = doc->document_element().child("w:body").child("w:p");
    ASSERT_TRUE(p);
    EXPECT_STREQ(p.attribute("r:id").value(), "r1");
    EXPECT_STREQ(p.attribute("x:keep").value(), "1"); // unknown namespaces keep their prefix
    EXPECT_TRUE(p.child("a:inner").child("a:blip"));
    EXPECT_TRUE(p.child("w:p")); // a foreign namespace under the usual prefix is not renamed
}

TEST(Xml, BoundsAndMalformedPartsNameTheFileAndPart)
{
    TXmlLimits tiny;
    tiny.MaxBytes = 10;
    EXPECT_TRUE(failure([&] { ParseXmlPart("<a>0123456789</a>", "x.docx", "word/styles.xml", tiny); }).contains("larger than"));
    QString m = failure([] { ParseXmlPart("<a><b></a>", "Manual.docx", "word/numbering.xml"); });
    EXPECT_TRUE(m.contains("Manual.docx") && m.contains("word/numbering.xml") && m.contains("not well-formed")) << m.toStdString();
    EXPECT_TRUE(failure([] { ParseXmlPart("", "x.docx", "p"); }).contains("x.docx"));
    // Entities of a document type are not expanded from outside.
    auto doc = ParseXmlPart("<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a>&e;</a>", "x.docx", "p");
    EXPECT_FALSE(QString::fromUtf8(doc->document_element().text().get()).contains("root"));
}

TEST(Xml, ValueAccessors)
{
    pugi::xml_document d;
    d.load_string("<e w:val=\"0\" a=\"off\" b=\"true\" n=\"12.6\" big=\"99999999999\" t1=\"1in\" t2=\"12pt\" t3=\"2.54cm\" t4=\"x\" h=\"F0B7\"/>");
    pugi::xml_node e = d.first_child();
    EXPECT_FALSE(XOnOff(e));
    EXPECT_FALSE(XOnOff(e, "a"));
    EXPECT_TRUE(XOnOff(e, "b"));
    EXPECT_TRUE(XOnOff(e, "missing"));
    EXPECT_EQ(XInt(e, "n"), 13);
    EXPECT_EQ(XInt(e, "big"), 1000000000);
    EXPECT_EQ(XInt(e, "t4", 7), 7);
    EXPECT_EQ(XTwips(e, "t1"), 1440);
    EXPECT_EQ(XTwips(e, "t2"), 240);
    EXPECT_EQ(XTwips(e, "t3"), 1440);
    EXPECT_EQ(XHex(e, "h"), 0xF0B7);
}
