#include "chm2word/ChmTo.h"

#include "chm2word/BinaryContents.h"

#include "text/ChmFile.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/LanguageProcess.h"
#include "text/Messages.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <optional>

namespace tavrel {

const QString KeywordSeparator = QStringLiteral("`\\");

TTitleList *TTitleLists::Add(std::unique_ptr<TTitleList> item)
{
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

void TTitleLists::Clear()
{
    m_items.clear();
    m_urls.clear();
}

void TTitleLists::initializeUrls()
{
    m_urls.clear();
    for (const auto &item : m_items) {
        const QString key = item->Url.toLower();
        if (!m_urls.contains(key))
            m_urls.insert(key, item.get());
    }
}

TTitleList *TTitleLists::GetItemByUrl(const QString &url) const { return m_urls.value(url.toLower(), nullptr); }

TChmSystemRecords ReadSystemRecords(const QByteArray &system, TWarnings *warnings)
{
    TChmSystemRecords r;
    auto text = [](const QByteArray &data) {
        const qsizetype zero = data.indexOf('\0');
        return zero < 0 ? data : data.left(zero);
    };
    const auto *p = reinterpret_cast<const uchar *>(system.constData());
    const qsizetype size = system.size();
    qsizetype pos = 4; // the object's own version number comes first
    while (pos + 4 <= size) {
        const quint16 code = qFromLittleEndian<quint16>(p + pos);
        const quint16 length = qFromLittleEndian<quint16>(p + pos + 2);
        pos += 4;
        if (length > size - pos) {
            if (warnings)
                warnings->Add(QStringLiteral("A record of #SYSTEM runs past its end; the records after it are not read."));
            break;
        }
        const QByteArray data = system.mid(pos, length);
        pos += length;
        switch (code) {
        case 0: r.Contents = text(data); break;
        case 1: r.Index = text(data); break;
        case 2: r.DefaultTopic = text(data); break;
        case 3: r.Title = text(data); break;
        case 4:
            if (length >= 2) {
                r.HasLocale = true;
                r.Locale = qFromLittleEndian<quint16>(p + pos - length);
            }
            break;
        case 9: r.Version = text(data); break;
        default: break;
        }
    }
    return r;
}

namespace {

// One "<param ...>" of a sitemap entry, read after the markers were normalised.
struct TParam
{
    QString Rest;  // the param without its value
    QString Value; // the quoted value, undecoded
    bool HasValue = false;
};

const QString ParamMarker = QStringLiteral("<param");
const QString ValueMarker = QStringLiteral("value=");
const QString NameMarker = QStringLiteral("name=\"Name\"");
const QString LocalMarker = QStringLiteral("name=\"Local\"");
const QString ImageMarker = QStringLiteral("name=\"ImageNumber\"");

QString NormaliseMarkers(QString text, bool withImage)
{
    text.replace(ParamMarker, ParamMarker, Qt::CaseInsensitive);
    text.replace(NameMarker, NameMarker, Qt::CaseInsensitive);
    text.replace(LocalMarker, LocalMarker, Qt::CaseInsensitive);
    if (withImage)
        text.replace(ImageMarker, ImageMarker, Qt::CaseInsensitive);
    text.replace(ValueMarker, ValueMarker, Qt::CaseInsensitive);
    return text;
}

// The params of an entry. A value runs to its closing double quote even when it holds a ">",
// and the param's name is looked for outside its value, so a title such as 'a > b' or one
// that quotes another param survives.
std::vector<TParam> ReadParams(const QString &text)
{
    std::vector<TParam> params;
    qsizetype pos = text.indexOf(ParamMarker);
    while (pos >= 0) {
        qsizetype end = pos + ParamMarker.size();
        bool quoted = false;
        while (end < text.size() && (quoted || text[end] != QLatin1Char('>'))) {
            if (text[end] == QLatin1Char('"'))
                quoted = !quoted;
            ++end;
        }
        const QString seg = text.mid(pos, end - pos);
        TParam param;
        param.Rest = seg;
        const qsizetype v = seg.indexOf(ValueMarker);
        if (v >= 0 && v + ValueMarker.size() < seg.size() && seg[v + ValueMarker.size()] == QLatin1Char('"')) {
            const qsizetype open = v + ValueMarker.size() + 1;
            const qsizetype close = seg.indexOf(QLatin1Char('"'), open);
            if (close >= 0) {
                param.Value = seg.mid(open, close - open);
                param.HasValue = true;
                param.Rest = seg.left(v) + seg.mid(close + 1);
            }
        }
        params.push_back(std::move(param));
        pos = text.indexOf(ParamMarker, end);
    }
    return params;
}

QString SpacesFor20(QString url) { return url.replace(QStringLiteral("%20"), QStringLiteral(" "), Qt::CaseInsensitive); }

// The walk both sitemap files share: "<UL>", "</UL" and "<LI>" (any letter case) drive it, the
// text of an entry is gathered between them.
template <typename Finish, typename Open, typename Close>
void WalkSitemap(const QString &text, Finish finish, Open open, Close close)
{
    QString pending;
    bool collecting = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('<')) {
            const QStringView next = QStringView(text).mid(i + 1, 3);
            if (next.compare(QLatin1String("UL>"), Qt::CaseInsensitive) == 0) {
                open(pending);
                pending.clear();
                collecting = false;
            } else if (next.compare(QLatin1String("/UL"), Qt::CaseInsensitive) == 0) {
                finish(pending);
                pending.clear();
                close();
                collecting = false;
            } else if (next.compare(QLatin1String("LI>"), Qt::CaseInsensitive) == 0) {
                finish(pending);
                pending.clear();
                collecting = true;
                i += 3;
            } else if (collecting) {
                pending += c;
            }
        } else if (collecting) {
            pending += c;
        }
    }
    finish(pending);
}

// Keywords nested deeper than this are attached under the deepest outer keyword kept, so a
// file of endless nesting cannot make every keyword path as long as the file.
constexpr int MaxKeywordDepth = 64;

} // namespace

void ReadContentsText(const QString &text, TTitleLists &list, TWarnings *warnings)
{
    int level = -1;
    int index = 0;
    int context = 1000;
    auto finish = [&](const QString &pending) {
        if (pending.isEmpty())
            return;
        QString name;
        bool haveName = false;
        QStringList locals;
        int image = 0;
        for (const TParam &p : ReadParams(NormaliseMarkers(pending, true))) {
            if (p.Rest.contains(NameMarker)) {
                if (!haveName && p.HasValue) {
                    name = HtmlUnescape(p.Value);
                    haveName = true;
                }
            } else if (p.Rest.contains(LocalMarker)) {
                if (p.HasValue)
                    locals << HtmlUnescape(p.Value);
            } else if (p.Rest.contains(ImageMarker)) {
                if (p.HasValue) {
                    bool ok = false;
                    const int v = p.Value.toInt(&ok);
                    if (ok)
                        image = v;
                    else if (warnings)
                        warnings->Add(QStringLiteral("The image number \"%1\" is not a number; 0 is taken.").arg(p.Value.left(40)),
                                      name);
                }
            }
        }
        if (QString(name).remove(QLatin1Char('-')).isEmpty())
            return;
        auto entry = std::make_unique<TTitleList>();
        entry->Topic = name;
        entry->Level = level;
        entry->Index = index++;
        entry->Icon = image;
        if (!locals.isEmpty() && !locals.first().isEmpty()) {
            entry->Url = SpacesFor20(locals.first());
            entry->Status = 0;
        } else {
            entry->Status = 2;
        }
        entry->ContextNumber = QString::number(context++);
        list.Add(std::move(entry));
    };
    WalkSitemap(
        text, finish,
        [&](const QString &pending) {
            finish(pending);
            ++level;
        },
        [&] { --level; });
}

void ReadIndexText(const QString &text, TTitleLists &list, TWarnings *warnings)
{
    // Every keyword's pages are looked up, not compared with every entry.
    QHash<QString, std::vector<TTitleList *>> byUrl;
    // Headings without a page have no address, and an empty address in the index names none.
    for (int i = 0; i < list.Count(); ++i)
        if (!list[i]->Url.isEmpty())
            byUrl[list[i]->Url.toLower()].push_back(list[i]);
    QStringList prefixes; // each outer keyword's whole path, ending in "/"
    int ignoredDepth = 0;
    bool warnedDepth = false;
    auto finishEntry = [&](const QString &pending) -> QString {
        if (pending.isEmpty())
            return QString();
        const std::vector<TParam> params = ReadParams(NormaliseMarkers(pending, false));
        if (params.empty())
            return QString();
        QString keyword = params.front().HasValue ? HtmlUnescape(params.front().Value) : QString();
        keyword.replace(QLatin1Char('/'), QStringLiteral("//"));
        const QString path = (prefixes.isEmpty() ? QString() : prefixes.last()) + keyword;
        for (size_t k = 1; k < params.size(); ++k) {
            if (!params[k].HasValue || !params[k].Rest.contains(LocalMarker))
                continue;
            const auto it = byUrl.constFind(SpacesFor20(HtmlUnescape(params[k].Value)).toLower());
            if (it == byUrl.constEnd())
                continue;
            for (TTitleList *entry : *it)
                entry->Keywords += (entry->Keywords.isEmpty() ? QString() : KeywordSeparator) + path;
        }
        return path;
    };
    WalkSitemap(
        text, [&](const QString &pending) { finishEntry(pending); },
        [&](const QString &pending) {
            if (pending.isEmpty())
                return;
            const QString path = finishEntry(pending);
            if (prefixes.size() >= MaxKeywordDepth) {
                ++ignoredDepth;
                if (!warnedDepth && warnings)
                    warnings->Add(QStringLiteral("The index nests keywords more than %1 deep; deeper ones are kept under the %1th.")
                                      .arg(MaxKeywordDepth));
                warnedDepth = true;
                return;
            }
            prefixes << path + QLatin1Char('/');
        },
        [&] {
            if (ignoredDepth > 0)
                --ignoredDepth;
            else if (!prefixes.isEmpty())
                prefixes.removeLast();
        });
}

void Tchm::LoadFromCHM(const QString &path)
{
    chmFile = path;
    rTitle.clear();
    rDefaultPage.clear();
    rCodePage = CodePage = 0;
    LangID.clear();
    Title.clear();
    DefaultPage.clear();
    SystemContents.clear();
    SystemIndex.clear();
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(path, probe.errorString()));
    probe.close();
    TChmFile chm;
    if (!chm.Open(path)) {
        Warnings.Add(QStringLiteral("This is not a compiled help file, or it is damaged."), path);
        return;
    }
    bool ok = false;
    const QByteArray system = chm.Read(QStringLiteral("/#SYSTEM"), &ok);
    if (!ok) {
        Warnings.Add(QStringLiteral("The help file has no readable #SYSTEM object: no title, language or default topic."), path);
        return;
    }
    const TChmSystemRecords r = ReadSystemRecords(system, &Warnings);
    rTitle = r.Title;
    rDefaultPage = r.DefaultTopic;
    if (r.HasLocale) {
        LangID = QStringLiteral("0x") + QStringLiteral("%1").arg(r.Locale, 4, 16, QLatin1Char('0')).toUpper();
        rCodePage = Languages().GetCodepageById(LangID);
    }
    CodePage = rCodePage;
    Title = MultiByteToUnicode(rTitle, rCodePage, &Warnings);
    DefaultPage = MultiByteToUnicode(rDefaultPage, rCodePage, &Warnings);
    SystemContents = MultiByteToUnicode(r.Contents, rCodePage);
    SystemIndex = MultiByteToUnicode(r.Index, rCodePage);
}

namespace {

// The file #SYSTEM names when it was written, else the first written name with that extension
// in the top folder, else anywhere, by name; so the choice never depends on listing order.
QString ChooseSitemap(const QStringList &written, const QString &named, const QString &extension)
{
    if (!named.isEmpty()) {
        QString n = named;
        n.replace(QLatin1Char('\\'), QLatin1Char('/'));
        while (n.startsWith(QLatin1Char('/')))
            n.remove(0, 1);
        for (const QString &w : written)
            if (w.compare(n, Qt::CaseInsensitive) == 0)
                return w;
    }
    QStringList candidates;
    for (const QString &w : written)
        if (w.endsWith(extension, Qt::CaseInsensitive))
            candidates << w;
    std::sort(candidates.begin(), candidates.end(), [](const QString &a, const QString &b) {
        const auto da = a.count(QLatin1Char('/')), db = b.count(QLatin1Char('/'));
        if (da != db)
            return da < db;
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return candidates.isEmpty() ? QString() : candidates.first();
}

QString ReadSitemap(const QString &file, int codePage, TWarnings *warnings)
{
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return QString();
    return LoadTextFile(file, codePage > 0 ? QString::number(codePage) : QString(), warnings);
}

} // namespace

void Tchm::decompile()
{
    List.Clear();
    Written.clear();
    hhcFile.clear();
    hhkFile.clear();
    if (!rootFolder.endsWith(QLatin1Char('/')))
        rootFolder += QLatin1Char('/');
    if (!FileSystem().MakePath(rootFolder) || !QFileInfo(rootFolder).isDir()) {
        Messages().ShowError(QStringLiteral("Cannot create ") + rootFolder);
        return;
    }
    TChmFile chm;
    if (!chm.Open(chmFile))
        throw Exception(QStringLiteral("\"%1\" is not a compiled help file, or it is damaged.").arg(chmFile));
    Warnings.Append(chm.Problems());
    Written = chm.ExtractAll(rootFolder, nullptr, &Warnings,
                             [this](int done, int total, const QString &) { Progress(QStringLiteral("Decompiling"), done, total); });

    const QFileInfo info(chmFile);
    FileName = info.completeBaseName() + QLatin1Char('.');
    const QString hhc = ChooseSitemap(Written, SystemContents, QStringLiteral(".hhc"));
    const QString hhk = ChooseSitemap(Written, SystemIndex, QStringLiteral(".hhk"));
    if (!hhc.isEmpty())
        hhcFile = rootFolder + hhc;
    if (!hhk.isEmpty())
        hhkFile = rootFolder + hhk;
    // Without the sitemap files the compiled forms of contents and index are read instead.
    std::optional<TChmBinaryObjects> binary;
    auto objects = [&]() -> const TChmBinaryObjects & {
        if (!binary)
            binary = ReadBinaryObjects(chm);
        return *binary;
    };
    if (hhcFile.isEmpty() && HasBinaryContents(chm))
        ReadContentsText(BinaryContentsToSitemap(objects(), CodePage, &Warnings), List, &Warnings);
    else
        ReadContentsText(ReadSitemap(hhcFile, CodePage, &Warnings), List, &Warnings);
    if (hhkFile.isEmpty() && HasBinaryIndex(chm))
        ReadIndexText(BinaryIndexToSitemap(objects(), CodePage, &Warnings), List, &Warnings);
    else
        ReadIndexText(ReadSitemap(hhkFile, CodePage, &Warnings), List, &Warnings);
}

} // namespace tavrel
