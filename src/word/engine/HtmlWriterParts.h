#pragma once
// The parts of the filtered-HTML writer, shared by its files: HtmlWriter.cpp (escaping, encoding,
// links, the page), HtmlWriterCss.cpp (styles as CSS), HtmlWriterBody.cpp (paragraphs and runs),
// HtmlWriterPictures.cpp and HtmlWriterTables.cpp. Nothing outside the writer includes it.
#include "word/engine/HtmlWriter.h"

#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/LanguageProcess.h"
#include "text/HTMLProcess.h"
#include "text/OutsideFiles.h"
#include "text/Round.h"
#include "text/WorkingFolder.h"
#include "word/engine/Fields.h"
#include "word/engine/LibreOffice.h"
#include "word/engine/ShapeRender.h"
#include "word/engine/Symbols.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <map>
#include <set>

namespace tavrel::engine::html {

using CssMap = std::vector<std::pair<QString, QString>>;

// Lengths: twips as points, twips and EMU as whole pixels.
QString pt(double twips);
int px(double twips);
int pxEmu(qint64 emu);
QString cssColor(const QString &hex);
QString cssBorder(const std::optional<TBorder> &b);
QString cssJoin(const CssMap &m);
// The declarations of full that base does not already make.
CssMap cssDiff(const CssMap &full, const CssMap &base);
QString attrSingle(const QString &s);
bool isEastAsian(QChar c);
// The file extension of a picture's bytes ("png", "jpg", ...); empty when unknown.
QString sniffExtension(const QByteArray &d);

struct CellContext
{
    TParaProps PPr; // the table style's paragraph formatting for this cell
    TRunProps RPr;
};

struct FieldState
{
    const TFieldInfo *Info = nullptr;
    bool InCode = true;
    QString Code;
    bool LinkOpen = false;
    QString OpenTag;
};

struct Piece
{
    bool Raw = false;
    QString Html;
    QString Class, Style;
    int VertAlign = 0; // 1 superscript, 2 subscript
};

class Writer
{
public:
    Writer(TDocument &doc, const QString &pageName, const THtmlOptions &o) : m_doc(doc), m_options(o), m_lists(doc.Numbering, &doc.Styles)
    {
        m_folder = QFileInfo(pageName).completeBaseName() + o.FolderSuffix;
        m_defaultPara = m_doc.Styles.DefaultStyleId(TStyleType::Paragraph);
    }

    THtmlResult Render();

private:
    // styles
    TParaProps baseParaProps(const QString &styleId) const;
    TRunProps baseRunProps(const QString &styleId) const;
    CssMap cssPara(const TParaProps &p) const;
    CssMap cssRun(const TRunProps &r, const QString &sample) const;
    QString classOf(const QString &styleId);
    QString charClassOf(const QString &styleId);
    TRunProps effectiveRun(const QString &paraStyle, const CellContext *cell, const TRunProps *direct) const;

    // blocks
    void writeBlocks(std::vector<TBlock> &blocks, const CellContext *cell, QString &out, int depth);
    void writeParagraph(TParagraph &p, const CellContext *cell, const TParagraph *prev, const TParagraph *next, QString &out);
    void writeTable(TTable &t, QString &out, int depth);
    void writeNotes(QString &out);
    void convertMetafiles();

    // inlines
    void inlines(TParagraph &p, const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces,
                 std::vector<std::shared_ptr<TShape>> &boxes);
    struct RunStyle
    {
        QString Class, Style;
        int VertAlign = 0;
    };
    RunStyle runStyle(const TRunProps *props, const QString &paraStyle, const CellContext *cell, const QString &text);
    void textPiece(const QString &text, const RunStyle &style, std::vector<Piece> &pieces, const QString &where);
    const CssMap &classParaCss(const QString &styleId);
    QString shapeHtml(TShape &s, const QString &where);
    QString imgHtml(const TShape &s, const QString &src, int w, int h, const QString &where);
    QString paintedHtml(TShape &s, const QString &where);
    QByteArray browserPicture(const TShape &picture);
    // The bytes of a linked picture, read only when the document's carry roots allow its file;
    // address is what the page may refer to instead (empty: nothing, the picture is left out).
    TOutsideFile readLinkedPicture(const QString &target, const QString &where, QString &address);
    QString pictureFile(TShape &s, const QString &where);
    void emit(const std::vector<Piece> &pieces, QString &out);
    const TNumLevel *numberingOf(const TParagraph &p, const QString &styleId, int &numId, int &level);
    void labelPiece(QString label, const TNumLevel &lvl, const TParaProps &props, const TParagraph &p,
                    const QString &paraStyle, const CellContext *cell, std::vector<Piece> &pieces);

    TDocument &m_doc;
    THtmlOptions m_options;
    TListCounter m_lists;
    QString m_folder;
    QString m_defaultPara;
    std::vector<FieldState> m_fields;
    std::vector<QString> m_deferredBookmarks;
    // used classes: style id -> class name, plus the elements each is used on
    std::map<QString, QString> m_classes;
    std::set<QString> m_classNames;
    std::map<QString, std::set<QString>> m_classTags;
    std::map<QString, QString> m_charClasses;
    // pictures
    std::map<QString, QString> m_pictureFiles; // media key -> file name
    std::map<QString, QByteArray> m_converted;   // metafile part -> PNG made by LibreOffice
    std::vector<THtmlPicture> m_pictures;
    // notes in order of reference
    struct NoteRef
    {
        TNote *Note;
        int Number;
        QString Label;
    };
    std::vector<NoteRef> m_footnotes, m_endnotes;
    const NoteRef *m_currentNote = nullptr;
    bool m_inNote = false;
    int m_footnoteNo = 0, m_endnoteNo = 0;
    bool m_lastSpace = true; // collapses runs of blanks the way a browser would not
    // Styles computed once per property set: documents repeat a few sets many times.
    QHash<QString, RunStyle> m_runStyles;
    QHash<QString, CssMap> m_classCss;
    QHash<QString, QString> m_paraStyles;
};

} // namespace tavrel::engine::html
