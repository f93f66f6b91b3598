#pragma once
// Builds small .docx packages from XML snippets, one feature per test.
#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

namespace tavrel::test {

class TDocxBuilder
{
public:
    // The inside of w:body (paragraphs, tables, ...), wrapped with the usual namespaces.
    TDocxBuilder &Body(const QString &xml) { m_body = xml; return *this; }
    // The inside of w:styles / w:numbering / w:footnotes / w:endnotes.
    TDocxBuilder &Styles(const QString &xml) { m_styles = xml; return *this; }
    TDocxBuilder &Numbering(const QString &xml) { m_numbering = xml; return *this; }
    TDocxBuilder &Footnotes(const QString &xml) { m_footnotes = xml; return *this; }
    TDocxBuilder &Endnotes(const QString &xml) { m_endnotes = xml; return *this; }
    // A relationship of word/document.xml.
    TDocxBuilder &Relationship(const QString &id, const QString &type, const QString &target, bool external = false);
    // Any entry, stored as given (names are not checked, so bad packages can be made too).
    TDocxBuilder &Entry(const QString &name, const QByteArray &data) { m_entries.emplace_back(name, data); return *this; }
    // Leaves out word/document.xml (and its relationship).
    TDocxBuilder &WithoutMainPart() { m_noMain = true; return *this; }
    // A main part whose text is given as is (no wrapping).
    TDocxBuilder &RawDocument(const QByteArray &xml) { m_rawDocument = xml; return *this; }

    QByteArray Build() const;
    void Save(const QString &path) const;

    // A zip of the given entries, for the zip layer's tests.
    static QByteArray Zip(const std::vector<std::pair<QString, QByteArray>> &entries, bool store = false);
    // A 1x1 PNG picture.
    static QByteArray Png(int width = 1, int height = 1);

    static const char *Namespaces();

private:
    QString m_body, m_styles, m_numbering, m_footnotes, m_endnotes;
    QByteArray m_rawDocument;
    struct Rel
    {
        QString id, type, target;
        bool external;
    };
    std::vector<Rel> m_rels;
    std::vector<std::pair<QString, QByteArray>> m_entries;
    bool m_noMain = false;
};

// Paragraph helpers for snippets.
QString P(const QString &text, const QString &style = QString());
QString R(const QString &text, const QString &rPr = QString());

} // namespace tavrel::test
