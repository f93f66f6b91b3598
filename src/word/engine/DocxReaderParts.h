#pragma once
// The package reader's state and its parts, shared by the files that read the package and its
// relationships, the formatting properties, the body, DrawingML and VML.
#include "word/engine/DocxReader.h"

#include "text/Exceptions.h"
#include "word/engine/Fields.h"
#include "word/engine/Symbols.h"
#include "word/engine/Xml.h"

#include <QColor>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <cmath>
#include <cstring>
#include <functional>

namespace tavrel::engine::docxr {

using pugi::xml_node;

inline QString folderOf(const QString &part)
{
    int i = part.lastIndexOf('/');
    return i < 0 ? QString() : part.left(i + 1);
}

inline QString relsPartOf(const QString &part)
{
    if (part.isEmpty())
        return QStringLiteral("_rels/.rels");
    int i = part.lastIndexOf('/');
    return part.left(i + 1) + QStringLiteral("_rels/") + part.mid(i + 1) + QStringLiteral(".rels");
}

inline bool isUrlWithScheme(const QString &s)
{
    // Two letters at least, so "C:\x" stays a path.
    int colon = s.indexOf(':');
    if (colon < 2)
        return false;
    for (int i = 0; i < colon; ++i) {
        QChar c = s[i];
        if (!(c.isLetterOrNumber() || c == '+' || c == '-' || c == '.') || c.unicode() > 127)
            return false;
    }
    return s[0].isLetter();
}

constexpr int kMaxTableDepth = 40;

inline QString cleanText(const char *utf8)
{
    QString s = QString::fromUtf8(utf8);
    for (auto &c : s)
        if (c.unicode() < 0x20 && c != '\t')
            c = ' ';
        else if (c == '\t')
            c = QChar(chars::Tab);
    return s;
}

inline QString themeKey(const QString &theme)
{
    // "minorHAnsi", "majorEastAsia", "minorBidi" ...
    return theme;
}

struct Context
{
    QString Part;
    TRelationships Rels;
    TStory *Story = nullptr;
    int ParagraphNo = 0;
    std::vector<std::shared_ptr<TFieldInfo>> Fields; // open fields, innermost last
    std::vector<bool> InResult;                       // parallel to Fields
    std::vector<TInline> Carry;                       // inlines of a paragraph whose mark was deleted
    std::vector<TInline> PendingMarks;                // block-level bookmarks for the next paragraph
    bool NoteStory = false;
};

class Reader
{
public:
    Reader(TDocument &doc, TZipReader *zip, const QString &fileName) : m_doc(doc), m_zip(zip), m_file(fileName) {}

    void ReadPackage();
    void ReadStylesRoot(xml_node root);
    void ReadNumberingRoot(xml_node root);
    void ReadDocumentRoot(xml_node root, Context &ctx);

private:
    // parts
    QByteArray partBytes(const QString &part);
    std::unique_ptr<TXmlPart> optionalPart(const QString &part);
    TRelationships relsOf(const QString &part);
    void readTheme(xml_node root);
    void readFontTable(xml_node root);
    void readSettings(xml_node root);
    void readNotes(const QString &part, bool endnotes);
    void readComments(const QString &part);
    void readHeaderFooter(const QString &part, bool footer);

    // blocks
    void readBlocks(xml_node parent, std::vector<TBlock> &out, int depth);
    void finishStory(std::vector<TBlock> &blocks);
    void flushCarry(std::vector<TBlock> &out);
    void readParagraph(xml_node p, std::vector<TBlock> &out);
    void readTable(xml_node tbl, std::vector<TBlock> &out, int depth);
    void readRow(xml_node tr, TTable &t, int depth);
    void readCell(xml_node tc, TRow &row, int depth);
    std::unique_ptr<TSectionProps> readSection(xml_node sect);

    // inlines
    void readContent(xml_node parent, TParagraph &para, int depth);
    void readRun(xml_node r, TParagraph &para, int depth);
    void readRunChild(xml_node c, TParagraph &para, const std::shared_ptr<const TRunProps> &props, int depth,
                      bool &customMark);
    void readHyperlink(xml_node h, TParagraph &para, int depth);
    void readSimpleField(xml_node f, TParagraph &para, int depth);
    void readAsField(xml_node n, TParagraph &para, int depth, const QString &code, const std::shared_ptr<TFieldInfo> &f);
    void fieldChar(xml_node fc, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    void appendText(TParagraph &para, const QString &text, const std::shared_ptr<const TRunProps> &props);
    void appendMark(TParagraph &para, TInlineKind kind, const std::shared_ptr<TFieldInfo> &f,
                    const std::shared_ptr<const TRunProps> &props);
    void readMath(xml_node m, TParagraph &para);
    xml_node chooseAlternate(xml_node ac);

    // shapes
    void readDrawing(xml_node d, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    std::shared_ptr<TShape> readDrawingObject(xml_node n, bool floating, const QString &where);
    void readGraphic(xml_node graphicData, TShape &s, const QString &where, int depth);
    void readShapeProps(xml_node spPr, TShape &s);
    void readShapeStyle(xml_node style, TShape &s);
    void readBodyProps(xml_node bodyPr, TShape &s);
    void readGroupTransform(xml_node grpSpPr, TShape &s);
    QString colorOf(xml_node parent) const;
    void readChartText(const QString &relId, TShape &s, bool diagram);
    void readPictureElement(xml_node pic, TShape &s, const QString &where);
    void readVml(xml_node pict, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    std::shared_ptr<TShape> readVmlShape(xml_node v, const QString &where, int depth);
    void readObject(xml_node obj, TParagraph &para, const std::shared_ptr<const TRunProps> &props);
    void readControl(xml_node control, TShape &s);
    void pushShape(TParagraph &para, std::shared_ptr<TShape> s, const std::shared_ptr<const TRunProps> &props);
    QString mediaFor(const QString &relId, const QString &where);
    void readLink(const QString &relId, TShapeHyperlink &link, const QString &tooltip, const QString &frame);
    std::unique_ptr<TStory> readTextBox(xml_node txbxContent);

    // properties
    TParaProps readPPr(xml_node ppr);
    TRunProps readRPr(xml_node rpr);
    std::shared_ptr<const TRunProps> internRPr(xml_node rpr);
    std::shared_ptr<const TParaProps> internPPr(xml_node ppr);
    TTableProps readTblPr(xml_node tblPr);
    TCellProps readTcPr(xml_node tcPr);
    TRowProps readTrPr(xml_node trPr);
    static TBorder readBorder(xml_node b);
    TShading readShading(xml_node s);
    TWidth readWidth(xml_node w);
    void readTableBorders(xml_node b, TTableBorders &out);
    void readMargins(xml_node m, TMargins &out);
    TNumLevel readLevel(xml_node lvl);
    QString fontFrom(xml_node rFonts, const char *attr, const char *themeAttr);

    QString where() const { return m_ctx->Part + QStringLiteral(", paragraph ") + QString::number(m_ctx->ParagraphNo); }
    void warn(const QString &kind, const QString &what) { m_doc.Warn(kind, what, where()); }

    TDocument &m_doc;
    TZipReader *m_zip;
    QString m_file;
    Context *m_ctx = nullptr;
    QHash<QString, QString> m_themeFonts;
    QHash<QString, QString> m_themeColors; // scheme colour name -> "RRGGBB"
    // Formatting met again is shared: most runs and paragraphs of a document repeat a few
    // property sets, and the writer then computes each set's styles once.
    QHash<QByteArray, std::shared_ptr<const TRunProps>> m_runProps;
    QHash<QByteArray, std::shared_ptr<const TParaProps>> m_paraProps;
};

} // namespace tavrel::engine::docxr
