// The pages of a run as Tchm2word reads, writes and finds them.
#include "chm2word/Chm2Word.h"

#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavrel {

QString Tchm2word::ReadPage(const QString &file) const { return DecodePage(ReadBytes(file)); }

QByteArray Tchm2word::ReadBytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Tchm2word::DecodePage(const QByteArray &bytes) const
{
    const bool marked = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE");
    if (!marked && CodePage > 0 && GetCharset(QString::fromLatin1(bytes.left(4096))).isEmpty() && !IsValidUtf8(bytes))
        return DecodeCodePage(bytes, CodePage);
    return DecodeTextStream(bytes);
}

Tchm2word::TPageBytes Tchm2word::EncodePage(const QString &page)
{
    TPageBytes b;
    if (page.isEmpty())
        return b;
    b.declared = !GetCharset(page).isEmpty();
    b.bytes = b.declared ? EncodeTextToStream(page, GetPageEncoding(page)) : page.toUtf8();
    return b;
}

void Tchm2word::SavePage(const QString &page, const QString &file) const { WritePage(page, EncodePage(page), file); }

bool Tchm2word::WritePage(const QString &page, const TPageBytes &bytes, const QString &file) const
{
    if (page.isEmpty())
        return false;
    return WrotePage(page, bytes, file, FileSystem().RewriteFile(file, bytes.bytes));
}

bool Tchm2word::WrotePage(const QString &page, const TPageBytes &bytes, const QString &file, bool written) const
{
    m_kept.remove(file);
    if (!written && bytes.declared) {
        SaveHtmlFile(page, file); // says why and asks for another name
        NoteWroteElsewhere();
    }
    if (!m_found.contains(file))
        NoteCreated(file);
    return written;
}

void Tchm2word::Keep(const QString &file, const QByteArray &bytes) const { m_kept.insert(file, bytes); }

bool Tchm2word::TakeKept(const QString &file, QByteArray &bytes) const
{
    const auto it = m_kept.find(file);
    if (it == m_kept.end())
        return false;
    bytes = std::move(*it);
    m_kept.erase(it);
    return true;
}

void Tchm2word::NoteCreated(const QString &path) const
{
    // Found in another letter case: the name as asked for may be there now.
    m_inexact.clear();
    m_missing.clear();
    for (auto it = m_folderNames.begin(); it != m_folderNames.end();)
        it = path.startsWith(it.key()) ? m_folderNames.erase(it) : std::next(it);
}

void Tchm2word::NoteWroteElsewhere() const
{
    m_inexact.clear();
    m_missing.clear();
    m_folderNames.clear();
    m_kept.clear();
    m_wroteElsewhere = true;
}

QString Tchm2word::ExistingFile(const QString &path) const
{
    if (m_exact.contains(path))
        return path;
    const auto known = m_inexact.constFind(path);
    if (known != m_inexact.cend())
        return *known;
    if (m_missing.contains(path))
        return QString();
    const QString found = FindExistingFile(path);
    if (found.isEmpty())
        m_missing.insert(path);
    else if (found == path)
        m_exact.insert(path);
    else
        m_inexact.insert(path, found);
    if (!found.isEmpty())
        m_found.insert(found);
    return found;
}

QString Tchm2word::FindExistingFile(const QString &path) const
{
    if (QFileInfo(path).isFile())
        return path;
    if (!path.startsWith(rootFolder, Qt::CaseInsensitive))
        return QString();
    QString resolved = rootFolder;
    const QStringList segments = path.mid(rootFolder.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype k = 0; k < segments.size(); ++k) {
        const QString exact = resolved + segments[k];
        if (QFileInfo::exists(exact)) {
            resolved = exact;
        } else {
            auto it = m_folderNames.find(resolved);
            if (it == m_folderNames.end()) {
                QHash<QString, QString> names;
                const QStringList entries = QDir(resolved).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
                for (const QString &e : entries)
                    if (!names.contains(e.toLower()))
                        names.insert(e.toLower(), e);
                it = m_folderNames.insert(resolved, names);
            }
            const QString match = it->value(segments[k].toLower());
            if (match.isEmpty())
                return QString();
            resolved += match;
        }
        if (k + 1 < segments.size())
            resolved += QLatin1Char('/');
    }
    return QFileInfo(resolved).isFile() ? resolved : QString();
}

void Tchm2word::ForgetFiles()
{
    m_exact.clear();
    m_inexact.clear();
    m_found.clear();
    m_missing.clear();
    m_folderNames.clear();
    m_kept.clear();
}

} // namespace tavrel
