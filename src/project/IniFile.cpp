#include "project/IniFile.h"

#include "text/LanguageProcess.h"

#include <QFile>
#include <QStringDecoder>
#include <QtEndian>
#include <cstring>

namespace tavrel {

namespace {

// Blanks and control characters at either end go, as the classic Trim drops them; other white
// space (no-break space, ideographic space) belongs to the text.
QStringView trimIni(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

QString fold(const QString &name) { return name.toLower(); }

QString decodeWith(QStringConverter::Encoding enc, QByteArrayView bytes, bool *error = nullptr)
{
    QStringDecoder dec(enc, QStringConverter::Flag::Stateless);
    QString out = dec.decode(bytes);
    if (error)
        *error = dec.hasError();
    return out;
}

} // namespace

QString DecodeIniBytes(const QByteArray &bytes, TIniEncoding noBom)
{
    const QByteArrayView all(bytes);
    if (all.startsWith("\xFF\xFE"))
        return decodeWith(QStringConverter::Utf16LE, all.sliced(2));
    if (all.startsWith("\xFE\xFF"))
        return decodeWith(QStringConverter::Utf16BE, all.sliced(2));
    if (all.startsWith("\xEF\xBB\xBF"))
        return decodeWith(QStringConverter::Utf8, all.sliced(3));
    bool utf8Error = false;
    QString utf8 = decodeWith(QStringConverter::Utf8, all, &utf8Error);
    if (noBom == TIniEncoding::Utf16LE) {
        // UTF-16 text of an INI file is mostly ASCII, so it holds zero bytes; UTF-8 text has none.
        if (utf8Error || all.contains('\0'))
            return decodeWith(QStringConverter::Utf16LE, all.first(all.size() & ~qsizetype(1)));
        return utf8;
    }
    if (!utf8Error)
        return utf8;
    return DecodeCodePage(bytes, 0);
}

bool ParseIniInteger(const QString &text, int &value)
{
    QStringView s = trimIni(text);
    if (s.isEmpty())
        return false;
    bool negative = false;
    if (s[0] == QLatin1Char('+') || s[0] == QLatin1Char('-')) {
        negative = s[0] == QLatin1Char('-');
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(QLatin1Char('$'))) {
        base = 16;
        s = s.mid(1);
    } else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        s = s.mid(2);
    }
    if (s.isEmpty() || s.size() > 20)
        return false;
    quint64 v = 0;
    for (QChar c : s) {
        int d;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d = c.unicode() - '0';
        else if (base == 16 && c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            d = c.unicode() - 'a' + 10;
        else if (base == 16 && c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        else
            return false;
        v = v * base + d;
        if (v > 0xFFFFFFFFull)
            return false;
    }
    if (base == 16) {
        // Hexadecimal spells the 32 bits, so $FFFFFFFF is -1.
        qint32 bits = static_cast<qint32>(static_cast<quint32>(v));
        value = negative ? -bits : bits;
        return true;
    }
    if ((!negative && v > 0x7FFFFFFFull) || (negative && v > 0x80000000ull))
        return false;
    value = negative ? static_cast<int>(-static_cast<qint64>(v)) : static_cast<int>(v);
    return true;
}

void TMemIniFile::SetText(const QString &text)
{
    m_sections.clear();
    m_sectionIndex.clear();
    Section *current = nullptr;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start <= n) {
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = trimIni(QStringView(text).mid(start, end - start));
        if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n && text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;

        if (line.isEmpty() || line[0] == QLatin1Char(';'))
            continue;
        if (line[0] == QLatin1Char('[')) {
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            const QString name = trimIni(close > 0 ? line.mid(1, close - 1) : line.mid(1)).toString();
            const QString key = fold(name);
            auto it = m_sectionIndex.constFind(key);
            if (it == m_sectionIndex.cend()) {
                m_sections.push_back(Section{name, {}, {}});
                m_sectionIndex.insert(key, int(m_sections.size() - 1));
                current = &m_sections.back();
            } else {
                current = &m_sections[it.value()];
            }
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString name = trimIni(line.left(eq)).toString();
        const QString folded = fold(name);
        if (current->index.contains(folded))
            continue;
        current->index.insert(folded, int(current->entries.size()));
        current->entries.emplace_back(name, trimIni(line.mid(eq + 1)).toString());
    }
}

void TMemIniFile::LoadFromBytes(const QByteArray &bytes, TIniEncoding noBom) { SetText(DecodeIniBytes(bytes, noBom)); }

bool TMemIniFile::LoadFromFile(const QString &path, TIniEncoding noBom)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        SetText(QString());
        return false;
    }
    LoadFromBytes(f.readAll(), noBom);
    return true;
}

bool TMemIniFile::SectionExists(const QString &section) const { return m_sectionIndex.contains(fold(trimIni(section).toString())); }

const QString *TMemIniFile::find(const QString &section, const QString &key) const
{
    auto s = m_sectionIndex.constFind(fold(trimIni(section).toString()));
    if (s == m_sectionIndex.cend())
        return nullptr;
    const Section &sec = m_sections[s.value()];
    auto k = sec.index.constFind(fold(trimIni(key).toString()));
    if (k == sec.index.cend())
        return nullptr;
    return &sec.entries[k.value()].second;
}

bool TMemIniFile::ValueExists(const QString &section, const QString &key) const { return find(section, key) != nullptr; }

QStringList TMemIniFile::Sections() const
{
    QStringList out;
    for (const Section &s : m_sections)
        out << s.name;
    return out;
}

QStringList TMemIniFile::SectionKeys(const QString &section) const
{
    QStringList out;
    auto s = m_sectionIndex.constFind(fold(trimIni(section).toString()));
    if (s != m_sectionIndex.cend())
        for (const auto &e : m_sections[s.value()].entries)
            out << e.first;
    return out;
}

QString TMemIniFile::ReadString(const QString &section, const QString &key, const QString &absent) const
{
    const QString *v = find(section, key);
    return v ? *v : absent;
}

int TMemIniFile::ReadInteger(const QString &section, const QString &key, int absent) const
{
    const QString *v = find(section, key);
    int value;
    if (v && ParseIniInteger(*v, value))
        return value;
    return absent;
}

bool TMemIniFile::ReadBool(const QString &section, const QString &key, bool absent) const
{
    return ReadInteger(section, key, absent ? 1 : 0) != 0;
}

void TIniWriter::AddString(const QString &key, const QString &value)
{
    if (!value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n'))) {
        m_lines << key + QLatin1Char('=') + value;
        return;
    }
    QString flat;
    flat.reserve(value.size());
    bool inBreak = false;
    for (QChar c : value) {
        const bool isBreak = c == QLatin1Char('\r') || c == QLatin1Char('\n');
        if (isBreak) {
            if (!inBreak)
                flat += QLatin1Char(' ');
        } else {
            flat += c;
        }
        inBreak = isBreak;
    }
    m_lines << key + QLatin1Char('=') + flat;
}

void TIniWriter::AddBool(const QString &key, bool value) { m_lines << key + (value ? QStringLiteral("=1") : QStringLiteral("=0")); }

void TIniWriter::AddInteger(const QString &key, int value) { m_lines << key + QLatin1Char('=') + QString::number(value); }

QByteArray TIniWriter::ToUtf16LE() const { return EncodeIniLines(m_lines); }

QByteArray EncodeIniLines(const QStringList &lines)
{
    qsizetype units = 0;
    for (const QString &l : lines)
        units += l.size() + 2;
    QByteArray out(2 + units * 2, Qt::Uninitialized);
    char *o = out.data();
    *o++ = char(0xFF);
    *o++ = char(0xFE);
    // One pass straight into the result: project files carry megabytes of template hex.
    for (const QString &l : lines) {
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            memcpy(o, l.constData(), size_t(l.size()) * 2);
            o += l.size() * 2;
        } else {
            for (QChar c : l) {
                *o++ = char(c.unicode() & 0xFF);
                *o++ = char(c.unicode() >> 8);
            }
        }
        *o++ = '\r';
        *o++ = 0;
        *o++ = '\n';
        *o++ = 0;
    }
    return out;
}

} // namespace tavrel
