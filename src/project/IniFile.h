#pragma once
// INI files as the project file and the installation data use them: read leniently into memory,
// written line by line as UTF-16 LE with a byte-order mark and CR LF line ends.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace tavrel {

// How a file without a byte-order mark is decoded.
enum class TIniEncoding {
    System,  // UTF-8 when the bytes are valid UTF-8, else the system code page
    Utf16LE, // UTF-16 LE (data files that may have lost their mark), unless the bytes are UTF-8 text
};

// Decodes a whole INI file: FF FE gives UTF-16 LE, FE FF UTF-16 BE, EF BB BF UTF-8 (each mark
// dropped); without a mark as noBom says.
QString DecodeIniBytes(const QByteArray &bytes, TIniEncoding noBom = TIniEncoding::System);

// An INI file read into memory. Section and key names match without regard to letter case;
// lines, names and values are trimmed; lines beginning with ";" are comments; the first of two
// equal keys in a section counts (a section that appears twice is one section). Lines that are
// neither sections nor "key=value", and keys before the first section, are ignored.
class TMemIniFile
{
public:
    TMemIniFile() = default;
    explicit TMemIniFile(const QString &text) { SetText(text); }

    void SetText(const QString &text);
    void LoadFromBytes(const QByteArray &bytes, TIniEncoding noBom = TIniEncoding::System);
    // Reads the file; false (and empty) when it cannot be read.
    bool LoadFromFile(const QString &path, TIniEncoding noBom = TIniEncoding::System);

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    // Section names in file order, as first spelled.
    QStringList Sections() const;
    // Key names of one section in file order (later duplicates left out).
    QStringList SectionKeys(const QString &section) const;

    QString ReadString(const QString &section, const QString &key, const QString &absent) const;
    // A missing key or a value that is not a 32-bit integer (decimal, or hexadecimal after "$"
    // or "0x") gives absent.
    int ReadInteger(const QString &section, const QString &key, int absent) const;
    // "0" is false, any other integer true; a missing key or a non-number gives absent.
    bool ReadBool(const QString &section, const QString &key, bool absent) const;

private:
    struct Section
    {
        QString name;
        std::vector<std::pair<QString, QString>> entries;
        QHash<QString, int> index; // folded key -> first entry
    };
    const QString *find(const QString &section, const QString &key) const;

    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // folded name -> section
};

// The integer rule of TMemIniFile::ReadInteger on a bare text.
bool ParseIniInteger(const QString &text, int &value);

// Collects the lines of an INI file and encodes them.
class TIniWriter
{
public:
    void AddSection(const QString &name) { m_lines << QLatin1Char('[') + name + QLatin1Char(']'); }
    // One "key=value" line. Line breaks inside the value would break the file apart (and could
    // inject keys), so each run of CR and LF becomes one blank; multi-line values are escaped
    // by their callers.
    void AddString(const QString &key, const QString &value);
    void AddBool(const QString &key, bool value);
    void AddInteger(const QString &key, int value);
    void AddEmptyLine() { m_lines << QString(); }
    void AddLines(const QStringList &lines) { m_lines << lines; }

    const QStringList &Lines() const { return m_lines; }
    // FF FE, then every line followed by CR LF, in UTF-16 LE.
    QByteArray ToUtf16LE() const;

private:
    QStringList m_lines;
};

// Every line followed by CR LF, as UTF-16 LE with its byte-order mark.
QByteArray EncodeIniLines(const QStringList &lines);

} // namespace tavrel
