#include "support/ChmReadBack.h"

#include "text/ChmFile.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtEndian>

namespace tavrel::test {

namespace {

QString Stripped(const QString &stored) { return stored.startsWith(QLatin1Char('/')) ? stored.mid(1) : stored; }

int CodePageOf(const QString &language)
{
    const int cp = Languages().GetCodepageById(language);
    return cp > 0 ? cp : 1252;
}

// The param values of every sitemap object, object by object (site properties left out).
QList<QList<std::pair<QString, QString>>> SitemapObjects(const QString &sitemap)
{
    static const QRegularExpression object(QStringLiteral(R"re(<OBJECT\b([^>]*)>(.*?)</OBJECT>)re"),
                                           QRegularExpression::CaseInsensitiveOption
                                               | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression param(
        QStringLiteral(R"re(<param\s+name\s*=\s*"([^"]*)"\s+value\s*=\s*"([^"]*)"\s*/?>)re"),
        QRegularExpression::CaseInsensitiveOption);
    QList<QList<std::pair<QString, QString>>> result;
    for (auto it = object.globalMatch(sitemap); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).contains(QLatin1String("site properties"), Qt::CaseInsensitive))
            continue;
        QList<std::pair<QString, QString>> params;
        for (auto p = param.globalMatch(m.captured(2)); p.hasNext();) {
            const QRegularExpressionMatch pm = p.next();
            params.append({pm.captured(1), HtmlUnescape(pm.captured(2))});
        }
        result.append(params);
    }
    return result;
}

QString Show(const QStringList &list, int limit = 8)
{
    QStringList shown = list.mid(0, limit);
    if (list.size() > limit)
        shown << QStringLiteral("... (%1 in all)").arg(list.size());
    return shown.join(QStringLiteral(", "));
}

bool IsProjectFile(const QString &name)
{
    const QString ext = QFileInfo(name).suffix().toLower();
    return ext == QLatin1String("hhp") || ext == QLatin1String("hhc") || ext == QLatin1String("hhk")
        || ext == QLatin1String("h") || ext == QLatin1String("log");
}

} // namespace

QStringList SitemapNames(const QString &sitemap)
{
    QStringList names;
    for (const auto &params : SitemapObjects(sitemap))
        for (const auto &[name, value] : params)
            if (name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) {
                names << value;
                break;
            }
    return names;
}

QStringList SitemapLocals(const QString &sitemap)
{
    QStringList locals;
    for (const auto &params : SitemapObjects(sitemap))
        for (const auto &[name, value] : params)
            if (name.compare(QLatin1String("Local"), Qt::CaseInsensitive) == 0)
                locals << value;
    return locals;
}

TChmSystemInfo ReadChmSystem(const QString &chm)
{
    TChmSystemInfo info;
    TChmFile file;
    if (!file.Open(chm))
        return info;
    bool ok = false;
    const QByteArray data = file.Read(QStringLiteral("/#SYSTEM"), &ok);
    if (!ok || data.size() < 4)
        return info;
    info.Read = true;
    QList<std::pair<int, QByteArray>> records;
    qsizetype pos = 4;
    while (pos + 4 <= data.size()) {
        const int code = qFromLittleEndian<quint16>(data.constData() + pos);
        const int length = qFromLittleEndian<quint16>(data.constData() + pos + 2);
        pos += 4;
        if (pos + length > data.size())
            break;
        records.append({code, data.mid(pos, length)});
        pos += length;
    }
    for (const auto &[code, bytes] : records)
        if (code == 4 && bytes.size() >= 4)
            info.Language = QStringLiteral("0x%1").arg(qFromLittleEndian<quint32>(bytes.constData()) & 0xFFFF, 4, 16,
                                                       QLatin1Char('0')).toUpper().replace(QLatin1String("0X"), QLatin1String("0x"));
    const int cp = CodePageOf(info.Language);
    for (const auto &[code, bytes] : records) {
        switch (code) {
        case 0: info.Contents = MultiByteToUnicode(bytes, 65001); break;
        case 1: info.Index = MultiByteToUnicode(bytes, 65001); break;
        case 2: info.DefaultTopic = MultiByteToUnicode(bytes, 65001); break;
        case 3: info.Title = MultiByteToUnicode(bytes, cp); break;
        default: break;
        }
    }
    return info;
}

QStringList CheckHelpFile(const QString &chm, const TChmExpectations &expect)
{
    QStringList failures;
    TChmFile file;
    if (!QFileInfo(chm).isFile())
        return {QStringLiteral("the help file %1 does not exist").arg(chm)};
    if (QFileInfo(chm).size() == 0)
        return {QStringLiteral("the help file %1 is empty").arg(chm)};
    if (!file.Open(chm))
        return {QStringLiteral("chmlib cannot open %1").arg(chm)};

    // What a reader that walks the directory sees; lookups alone would hide a broken listing.
    const QStringList enumerated = file.Enumerate();
    QSet<QString> stored;
    for (const QString &n : enumerated)
        stored.insert(Stripped(n));
    for (const QString &n : enumerated)
        if (!file.Contains(n))
            failures << QStringLiteral("listed entry %1 cannot be looked up").arg(n);
    const QStringList user = file.UserFiles();
    if (user.size() < expect.MinimumFiles)
        failures << QStringLiteral("only %1 files enumerated, expected at least %2").arg(user.size()).arg(expect.MinimumFiles);

    auto expectStored = [&](const QString &relative, const QString &diskPath) {
        if (!stored.contains(relative)) {
            const bool byLookup = file.Contains(QLatin1Char('/') + relative);
            return QStringLiteral("%1 is not in the directory listing%2")
                .arg(relative, byLookup ? QStringLiteral(" (a lookup finds it)") : QString());
        }
        if (!diskPath.isEmpty()) {
            QFile disk(diskPath);
            bool ok = false;
            const QByteArray inside = file.Read(QLatin1Char('/') + relative, &ok);
            if (!ok)
                return QStringLiteral("%1 cannot be read from the help file").arg(relative);
            if (disk.open(QIODevice::ReadOnly) && disk.readAll() != inside)
                return QStringLiteral("%1 differs from the built file").arg(relative);
        }
        return QString();
    };

    if (!expect.Folder.isEmpty()) {
        const QDir base(expect.Folder);
        QStringList missing;
        int count = 0;
        for (QDirIterator it(expect.Folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString path = it.next();
            const QString suffix = QFileInfo(path).suffix().toLower();
            if (suffix == QLatin1String("hhc") || suffix == QLatin1String("hhk")) {
                // The compiler stores the contents and index files as they were written.
                const QString relative = base.relativeFilePath(path);
                if (stored.contains(relative)) {
                    const QString problem = expectStored(relative, path);
                    if (!problem.isEmpty())
                        failures << problem;
                }
            }
            if (IsProjectFile(path))
                continue;
            ++count;
            const QString problem = expectStored(base.relativeFilePath(path), path);
            if (!problem.isEmpty())
                missing << problem;
        }
        if (count == 0)
            failures << QStringLiteral("the built folder %1 holds no file to compare").arg(expect.Folder);
        if (!missing.isEmpty())
            failures << QStringLiteral("%1 of %2 built files are wrong: %3").arg(missing.size()).arg(count).arg(Show(missing));
    }
    for (const QString &f : expect.Files) {
        const QString problem = expectStored(f, QString());
        if (!problem.isEmpty())
            failures << problem;
    }

    const TChmSystemInfo system = ReadChmSystem(chm);
    if (!system.Read)
        failures << QStringLiteral("#SYSTEM is missing or unreadable");
    if (!expect.Title.isEmpty() && system.Title != expect.Title)
        failures << QStringLiteral("#SYSTEM title is \"%1\", expected \"%2\"").arg(system.Title, expect.Title);
    if (!expect.Language.isEmpty() && system.Language.compare(expect.Language, Qt::CaseInsensitive) != 0)
        failures << QStringLiteral("#SYSTEM language is %1, expected %2").arg(system.Language, expect.Language);
    if (!expect.DefaultTopic.isEmpty() && Stripped(system.DefaultTopic) != expect.DefaultTopic)
        failures << QStringLiteral("#SYSTEM default topic is \"%1\", expected \"%2\"").arg(system.DefaultTopic, expect.DefaultTopic);
    if (!expect.DefaultTopic.isEmpty() && !stored.contains(expect.DefaultTopic))
        failures << QStringLiteral("the default topic %1 is not stored").arg(expect.DefaultTopic);

    if (expect.ExpectSearchIndex) {
        bool ok = false;
        if (!stored.contains(QStringLiteral("$FIftiMain")) || file.Read(QStringLiteral("/$FIftiMain"), &ok).isEmpty() || !ok)
            failures << QStringLiteral("the full-text search index $FIftiMain is missing or empty");
    }

    const int cp = CodePageOf(system.Language);
    auto sitemap = [&](const QString &suffix, const QString &named) -> std::pair<QString, QString> {
        QString name = Stripped(named);
        if (name.isEmpty() || !stored.contains(name)) {
            name.clear();
            for (const QString &u : user)
                if (u.endsWith(suffix, Qt::CaseInsensitive)) {
                    name = u;
                    break;
                }
        }
        if (name.isEmpty())
            return {};
        return {name, DecodeCodePage(file.Read(QLatin1Char('/') + name), cp)};
    };
    const auto [hhcName, hhc] = sitemap(QStringLiteral(".hhc"), system.Contents);
    const auto [hhkName, hhk] = sitemap(QStringLiteral(".hhk"), system.Index);
    if (expect.ExpectContents && hhcName.isEmpty())
        failures << QStringLiteral("no contents file (.hhc) is stored");
    if (expect.ExpectIndex && hhkName.isEmpty())
        failures << QStringLiteral("no index file (.hhk) is stored");
    if (!expect.ContentsNames.isEmpty()) {
        const QStringList names = SitemapNames(hhc);
        if (names != expect.ContentsNames)
            failures << QStringLiteral("the contents list [%1], expected [%2]").arg(Show(names), Show(expect.ContentsNames));
    }
    if (expect.CheckContentsLinks && !hhcName.isEmpty()) {
        QStringList broken;
        for (QString local : SitemapLocals(hhc)) {
            local = local.section(QLatin1Char('#'), 0, 0);
            if (!local.isEmpty() && !stored.contains(local))
                broken << local;
        }
        if (!broken.isEmpty())
            failures << QStringLiteral("contents entries link to pages that are not stored: %1").arg(Show(broken));
    }
    if (!expect.IndexNames.isEmpty()) {
        // An index entry's keyword is the first Name of its object; the topics follow it.
        const QStringList names = SitemapNames(hhk);
        if (names != expect.IndexNames)
            failures << QStringLiteral("the index lists [%1], expected [%2]").arg(Show(names), Show(expect.IndexNames));
    }
    return failures;
}

} // namespace tavrel::test
