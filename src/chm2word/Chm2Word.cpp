#include "chm2word/Chm2Word.h"

#include "chm2word/PagePool.h"

#include "text/Ascii.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/LanguageProcess.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace tavrel {

namespace {

QString FolderOf(const QString &path) { return path.left(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString FileNameOf(const QString &path)
{
    const qsizetype k = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(k + 1);
}

void InitList(TStringList &list)
{
    list.SetSorted(true);
    list.SetCaseSensitive(false);
    list.SetDuplicates(TDuplicates::dupIgnore);
}

// Adds s; the index of the new line, or -1 when the list had it already.
int AddNew(TStringList &list, const QString &s, qint64 data)
{
    const int before = list.Count();
    const int k = list.Add(s);
    if (list.Count() == before)
        return -1;
    list.SetData(k, data);
    return k;
}

// Calls f(tag start, tag text) for every tag of text.
template <typename F>
void ForEachTag(const QString &text, F f)
{
    qsizetype k = text.indexOf(QLatin1Char('<'));
    while (k >= 0) {
        const qsizetype end = text.indexOf(QLatin1Char('>'), k);
        if (end < 0)
            return;
        f(k, text.mid(k, end - k + 1));
        k = text.indexOf(QLatin1Char('<'), end);
    }
}

QString TagName(const QString &tag)
{
    qsizetype e = 1;
    while (e < tag.size() && tag[e] != QLatin1Char('>') && !IsWhiteSpaceChar(tag[e]))
        ++e;
    return tag.mid(1, e - 1);
}

// Rewrites the values of a tag's attributes: change(name, value) gives the new value.
template <typename F>
QString RewriteAttributes(const QString &tag, F change)
{
    QString out;
    qsizetype copied = 0;
    ScanTagAttributes(tag, [&](const QString &name, qsizetype start, qsizetype length) {
        const QString value = tag.mid(start, length);
        const QString changed = change(name, value);
        if (changed == value)
            return;
        out += QStringView(tag).mid(copied, start - copied);
        out += changed;
        copied = start + length;
    });
    if (copied == 0)
        return tag;
    out += QStringView(tag).mid(copied);
    return out;
}

} // namespace

Tchm2word::Tchm2word()
{
    InitList(Files);
    InitList(NonTocicFiles);
    InitList(CSSFiles);
}

bool Tchm2word::IsOutOfRootfolder(const QString &url) const { return !NormalizePath(url).startsWith(rootFolder, Qt::CaseInsensitive); }

QString Tchm2word::ProcessDecompiledUrl(const QString &Url, const QString &CurrentUrl)
{
    QString u = Url.trimmed();
    for (const QString &prefix : {QStringLiteral("ms-its:"), QStringLiteral("mk:@msitstore:")}) {
        if (!u.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const qsizetype sep = u.indexOf(QLatin1String("::"), prefix.size());
        if (sep < 0)
            break;
        const QString name = u.mid(prefix.size(), sep - prefix.size());
        const QString inner = u.mid(sep + 2);
        if (name.compare(QFileInfo(chmFile).fileName(), Qt::CaseInsensitive) == 0) {
            u = inner;
            break;
        }
        const QString other = NormalizePath(FolderOf(chmFile) + name);
        const QString otherName = FileNameOf(other);
        if (otherName.isEmpty() || !QFileInfo(other).isFile()) {
            u.clear();
            break;
        }
        u = QLatin1Char('/') + otherName + inner;
        // A second help file is decompiled once, into a folder of its name; its contents are
        // not used.
        const QString sub = rootFolder + otherName + QLatin1Char('/');
        if (!m_otherHelpFiles.contains(otherName.toLower())) {
            m_otherHelpFiles.insert(otherName.toLower());
            if (!QFileInfo::exists(sub)) {
                Tchm second;
                try {
                    second.LoadFromCHM(other);
                    second.rootFolder = sub;
                    second.decompile();
                } catch (const std::exception &e) {
                    Warnings.Add(QString::fromUtf8(e.what()), other);
                }
                Warnings.Append(second.Warnings);
                NoteCreated(sub);
            }
        }
        break;
    }
    if (u.size() <= 2)
        return u;
    if (u.startsWith(QLatin1Char('/')) || u.startsWith(QLatin1Char('\\')))
        return RelativeUrl(CurrentUrl, rootFolder + u.mid(1));
    if (u[1] == QLatin1Char(':'))
        return FileNameOf(u);
    if (u.contains(QLatin1String("..")) && IsOutOfRootfolder(FolderOf(CurrentUrl) + u))
        return FileNameOf(u);
    return u;
}

QString Tchm2word::ProcessSCR(const QString &S, const QString &CurrentUrl)
{
    QString out;
    out.reserve(S.size());
    qsizetype copied = 0;
    ForEachTag(S, [&](qsizetype start, const QString &tag) {
        const QString rewritten = RewriteAttributes(tag, [&](const QString &name, const QString &value) {
            return IsUrlAttribute(name) ? ProcessDecompiledUrl(value, CurrentUrl) : value;
        });
        if (rewritten == tag)
            return;
        out += QStringView(S).mid(copied, start - copied);
        out += rewritten;
        copied = start + tag.size();
    });
    if (copied == 0)
        return S;
    out += QStringView(S).mid(copied);
    return out;
}

void Tchm2word::ProcessTocLink()
{
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List[k];
        if (e->Status != 0)
            continue;
        if (e->Url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
            || e->Url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
            e->Status = 3;
        else
            e->Url = ToSlashes(ProcessDecompiledUrl(e->Url, rootFolder));
    }
}

void Tchm2word::FillFileList()
{
    ForgetFiles();
    Files.Clear();
    CSSFiles.Clear();
    NonTocicFiles.Clear();
    for (int k = 0; k < List.Count(); ++k) {
        const TTitleList *e = List[k];
        if (e->Status != 0)
            continue;
        const QString file = SplitUrlBookmark(e->Url).first;
        if (!file.isEmpty())
            AddNew(Files, NormalizePath(rootFolder + file), k);
    }
    QStringList pages;
    for (int k = 0; k < Files.Count(); ++k)
        pages << Files[k];
    WalkLinks(pages);
}

Tchm2word::TScanned Tchm2word::ScanPage(const QString &file, bool ahead)
{
    TScanned page;
    page.file = file;
    page.read = ReadBytes(file);
    page.original = DecodePage(page.read);
    if (ahead && (IndexOfNoCase(page.original, QLatin1String("ms-its:")) >= 0 || IndexOfNoCase(page.original, QLatin1String("mk:@msitstore:")) >= 0))
        return page;
    ScanText(page);
    return page;
}

void Tchm2word::ScanText(TScanned &page)
{
    page.scanned = true;
    page.text = ProcessSCR(page.original, page.file);
    if (page.text != page.original)
        page.bytes = EncodePage(page.text);
    const QString folder = FolderOf(page.file);
    ForEachTag(page.text, [&](qsizetype, const QString &tag) {
        ScanTagAttributes(tag, [&](const QString &name, qsizetype s, qsizetype len) {
            if (!IsUrlAttribute(name))
                return;
            const QString value = tag.mid(s, len);
            const qsizetype dot = value.lastIndexOf(QLatin1Char('.'));
            if (dot < 0)
                return;
            const QString ext = value.mid(dot);
            const bool html = IsHtmlExtension(ext);
            if (!html && ext.compare(QLatin1String(".css"), Qt::CaseInsensitive) != 0)
                return;
            const QString target = NormalizePath(folder + value);
            if (!IsOutOfRootfolder(target))
                page.links.emplace_back(target, html);
        });
    });
}

void Tchm2word::GetLinkPages(const QString &start) { WalkLinks({start}); }

void Tchm2word::WalkLinks(const QStringList &starts)
{
    // A work list instead of recursion: a chain of thousands of pages cannot exhaust the stack,
    // and a page is taken up once, however many pages link to it. Every page put on the list is
    // taken up in the end, so the pages nearest its top are read and scanned ahead, on all
    // cores, while the walk itself (what it finds, in what order) stays here.
    std::vector<QString> work(starts.rbegin(), starts.rend());
    // A help file of a few pages is walked page by page.
    TPagePool pool(Files.Count() + NonTocicFiles.Count() < TPagePool::kFewest ? 1 : Threads);
    QHash<QString, TScanned> ready; // by work item
    const int most = 4 * TPagePool::kChunk;
    while (!work.empty()) {
        Progress(QStringLiteral("Analyzing"), Files.Count() + NonTocicFiles.Count(), 0);
        const QString f = work.back();
        work.pop_back();
        if (pool.Parallel() && !ready.contains(f)) {
            std::vector<std::pair<QString, QString>> ahead{{f, ExistingFile(f)}};
            for (auto w = work.rbegin(); w != work.rend() && int(ahead.size()) < TPagePool::kChunk && int(ready.size() + ahead.size()) < most; ++w)
                if (!ready.contains(*w))
                    ahead.emplace_back(*w, ExistingFile(*w));
            std::vector<TScanned> scanned(ahead.size());
            pool.ForAll(int(ahead.size()), [&](int k) {
                if (!ahead[size_t(k)].second.isEmpty())
                    scanned[size_t(k)] = ScanPage(ahead[size_t(k)].second, true);
            });
            for (size_t k = 0; k < ahead.size(); ++k)
                ready.insert(ahead[k].first, std::move(scanned[k]));
        }
        const QString existing = ExistingFile(f);
        TScanned page;
        if (auto it = ready.find(f); it != ready.end()) {
            if (it->file == existing)
                page = std::move(*it);
            ready.erase(it);
        }
        if (existing.isEmpty())
            continue;
        if (page.file.isEmpty())
            page = ScanPage(existing, false);
        else if (!page.scanned)
            ScanText(page);
        if (page.text == page.original) {
            Keep(existing, page.read);
        } else {
            m_wroteElsewhere = false;
            if (WritePage(page.text, page.bytes, existing))
                Keep(existing, page.bytes.bytes);
            // A page scanned ahead from this file, or from anywhere when the user chose where
            // to write, is read again.
            for (auto it = ready.begin(); it != ready.end();)
                it = m_wroteElsewhere || it->file == existing ? ready.erase(it) : std::next(it);
        }
        std::vector<QString> found;
        for (const auto &[target, html] : page.links) {
            const QString file = ExistingFile(target);
            if (file.isEmpty())
                continue;
            if (html) {
                int at = 0;
                if (!Files.Find(file, at) && AddNew(NonTocicFiles, file, -1) >= 0)
                    found.push_back(file);
            } else {
                CSSFiles.Add(file);
            }
        }
        // Taken up in the order they were found.
        work.insert(work.end(), found.rbegin(), found.rend());
    }
}

QString FixDisplayAndAlign(const QString &text)
{
    QString out = text;
    // One search for what the patterns share before each set of them: most pages have none.
    if (IndexOfNoCase(out, QLatin1String("display")) >= 0)
        for (const char *none : {"display:none", "display: none", "display :none", "display : none"})
            out.replace(QLatin1String(none), QLatin1String("display:block"), Qt::CaseInsensitive);
    if (IndexOfNoCase(out, QLatin1String("Align=")) >= 0) {
        out.replace(QLatin1String("Align=justify"), QLatin1String("Align=left"), Qt::CaseInsensitive);
        out.replace(QLatin1String("Align=\"justify\""), QLatin1String("Align=\"left\""), Qt::CaseInsensitive);
        out.replace(QLatin1String("Align='justify'"), QLatin1String("Align='left'"), Qt::CaseInsensitive);
    }
    return out;
}

void Tchm2word::ChangeCSS()
{
    for (int k = 0; k < CSSFiles.Count(); ++k) {
        Progress(QStringLiteral("Style sheets"), k, CSSFiles.Count());
        const QString text = ReadPage(CSSFiles[k]);
        const QString fixed = FixDisplayAndAlign(text);
        if (fixed != text) {
            m_kept.remove(CSSFiles[k]);
            FileSystem().WriteFile(CSSFiles[k], fixed.toUtf8());
        }
    }
}

void Tchm2word::ReadTopics()
{
    TopicList.Clear();
    const int files = Files.Count();
    const int total = files + NonTocicFiles.Count();
    struct TRead
    {
        QString name, title, file;
        QByteArray bytes;
        bool kept = false;
        std::unique_ptr<TChmTopicFile> page;
    };
    std::vector<TRead> read(static_cast<size_t>(total));
    TPagePool pool(Threads);
    pool.Run(total, {[&](int k) {
                         Progress(QStringLiteral("Reading"), k, total);
                         TRead &r = read[size_t(k)];
                         if (k < files) {
                             const qint64 entry = Files.Data(k);
                             r.name = Files[k];
                             r.title = entry >= 0 && entry < List.Count() ? List[int(entry)]->Topic : QString();
                             r.file = ExistingFile(Files[k]);
                         } else {
                             r.name = r.file = NonTocicFiles[k - files];
                         }
                         r.kept = !r.file.isEmpty() && TakeKept(r.file, r.bytes);
                     },
                     [&](int k) {
                         TRead &r = read[size_t(k)];
                         if (!r.kept && !r.file.isEmpty())
                             r.bytes = ReadBytes(r.file);
                         r.page = std::make_unique<TChmTopicFile>(r.name, r.title, r.file.isEmpty() ? QString() : DecodePage(r.bytes), this);
                         r.bytes.clear();
                     },
                     [&](int k) {
                         TopicList.Add(std::move(read[size_t(k)].page));
                         read[size_t(k)] = TRead();
                         return false;
                     },
                     {}});
    m_kept.clear();
}

void Tchm2word::DistilTopics()
{
    const int total = TopicList.Count();
    // The section files the pages with bookmarks will write: a page whose file may be one of
    // them is written in page order, with them.
    QSet<QString> sectionFiles;
    for (int k = 0; k < total; ++k) {
        const TChmTopicFile *page = TopicList.Items(k);
        if (page->QuoteCount > 1)
            for (int b = 0; b < page->Bookmarks.Count(); ++b)
                sectionFiles.insert(page->SectionFileName(b));
    }
    struct TDistilled
    {
        QString file; // written by the work: a file no other page writes
        bool written = false;
        std::vector<std::pair<QString, QString>> sections;
        std::vector<TPageBytes> sectionBytes;
        QString page;
        TPageBytes bytes;
    };
    std::vector<TDistilled> done(static_cast<size_t>(total));
    QSet<QString> ownFiles; // written by the work, each by one page only
    TPagePool pool(Threads);
    pool.Run(total, {[&](int k) {
                         Progress(QStringLiteral("Distilling"), k, total);
                         const TChmTopicFile *page = TopicList.Items(k);
                         if (!pool.Parallel() || page->QuoteCount > 1 || sectionFiles.contains(page->Filename))
                             return;
                         // Found now, found when written: only a new file of the same name could
                         // change the answer, and the only new files are section files.
                         const QString file = ExistingFile(page->Filename);
                         if (!sectionFiles.contains(file) && !ownFiles.contains(file)) {
                             ownFiles.insert(file);
                             done[size_t(k)].file = file;
                         }
                     },
                     [&](int k) {
                         TChmTopicFile *page = TopicList.Items(k);
                         TDistilled &d = done[size_t(k)];
                         page->Body = page->Distiller();
                         page->FindAnchors();
                         if (page->QuoteCount > 1) {
                             page->ProcessBookmarks();
                             page->Bookmarks.Sort();
                             d.sections = page->Sections();
                             for (const auto &section : d.sections)
                                 d.sectionBytes.push_back(EncodePage(section.second));
                         }
                         d.page = page->BeforeBody + page->Body + page->AfterBody;
                         d.bytes = EncodePage(d.page);
                         // Pages of their own files are written here, on all threads.
                         if (!d.file.isEmpty() && !d.page.isEmpty())
                             d.written = FileSystem().RewriteFile(d.file, d.bytes.bytes);
                     },
                     [&](int k) {
                         TDistilled &d = done[size_t(k)];
                         // The distilled body lives on; made on a pool thread it would stay in
                         // that thread's heap, which cannot take up what the comparing left free
                         // in this one (35 MB more at the peak for 20,000 pages). A copy here
                         // goes there, and the pool thread's heap serves the next chunk.
                         if (pool.Parallel()) {
                             TChmTopicFile *page = TopicList.Items(k);
                             page->Body = QString(page->Body.constData(), page->Body.size());
                         }
                         if (!d.file.isEmpty()) {
                             if (!d.page.isEmpty())
                                 WrotePage(d.page, d.bytes, d.file, d.written);
                             d = TDistilled();
                             return false;
                         }
                         // The section files first: one of them may be the file of a page named
                         // later.
                         for (size_t s = 0; s < d.sections.size(); ++s)
                             WritePage(d.sections[s].second, d.sectionBytes[s], d.sections[s].first);
                         const QString file = ExistingFile(TopicList.Items(k)->Filename);
                         if (!file.isEmpty())
                             WritePage(d.page, d.bytes, file);
                         d = TDistilled();
                         return false;
                     },
                     {}});
}

void Tchm2word::RemoveSame()
{
    ReadTopics();

    std::vector<TChmTopicFile *> found(size_t(List.Count()), nullptr);
    for (int k = 0; k < List.Count(); ++k) {
        const auto [file, bookmark] = SplitUrlBookmark(List[k]->Url);
        if (file.isEmpty() || List[k]->Status == 3)
            continue;
        TChmTopicFile *page = TopicList.GetItemByFilename(NormalizePath(rootFolder + file));
        if (!page)
            continue;
        found[size_t(k)] = page;
        if (!bookmark.isEmpty() && !page->Bookmarks.GetItemByName(bookmark)) {
            auto b = std::make_unique<TBookmark>();
            b->Name = bookmark;
            b->Title = List[k]->Topic;
            page->Bookmarks.Add(std::move(b));
        }
        ++page->QuoteCount;
    }
    for (int k = 0; k < List.Count(); ++k)
        if (found[size_t(k)] && found[size_t(k)]->QuoteCount == 1)
            List[k]->Url = SplitUrlBookmark(List[k]->Url).first;

    std::vector<TChmTopicFile *> pages;
    for (int k = 0; k < TopicList.Count(); ++k)
        pages.push_back(TopicList.Items(k));
    FindCommonParts(pages, Files.Count(), [&](int done, int total) { Progress(QStringLiteral("Comparing"), done, total); }, Threads);

    DistilTopics();
}

void Tchm2word::NonTocFileToToc()
{
    if (Discard || NonTocicFiles.Count() == 0)
        return;
    auto addenda = std::make_unique<TTitleList>();
    addenda->Topic = Addenda;
    addenda->Level = 0;
    addenda->Status = 2;
    List.Add(std::move(addenda));
    for (int k = 0; k < NonTocicFiles.Count(); ++k) {
        Progress(QStringLiteral("Addenda"), k, NonTocicFiles.Count());
        const QString file = NonTocicFiles[k];
        auto e = std::make_unique<TTitleList>();
        e->Topic = TrimWhiteSpace(GetHtmlTitle(ReadPage(file)));
        if (e->Topic.isEmpty())
            if (const TChmTopicFile *page = TopicList.GetItemByFilename(file))
                e->Topic = page->Title3;
        e->Level = 1;
        e->Url = file.startsWith(rootFolder) ? file.mid(rootFolder.size()) : QDir(rootFolder).relativeFilePath(file);
        e->Status = 0;
        NonTocicFiles.SetData(k, List.Count());
        List.Add(std::move(e));
    }
}

void Tchm2word::GetChapterNumber()
{
    int c[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List[k];
        const int level = e->Level;
        if (level >= 0 && level <= 8) {
            ++c[level];
            for (int d = level + 1; d < 9; ++d)
                c[d] = 0;
        }
        QString number = c[0] > 0 ? QString::number(c[0]) : QString();
        number += c[1] == 0 ? QStringLiteral(".") : QLatin1Char('.') + QString::number(c[1]);
        for (int d = 2; d < 9; ++d)
            if (c[d] > 0)
                number += QLatin1Char('.') + QString::number(c[d]);
        e->ChapterNumber = number;
    }
}

void Tchm2word::GetBookmark()
{
    for (int k = 0; k < List.Count(); ++k)
        List[k]->Bookmark = QStringLiteral("Bookmark") + QString::number(k);
}

QString Tchm2word::ChangeUrlBookmark(const QString &str, const TTitleList &Base)
{
    const QString baseFile = SplitUrlBookmark(Base.Url).first;
    const TChmTopicFile *basePage = TopicList.GetItemByFilename(NormalizePath(rootFolder + baseFile));
    auto hasAnchor = [](const TChmTopicFile *page, const QString &name) {
        int at = 0;
        return page && page->Anchors.Find(name, at);
    };
    QString out;
    out.reserve(str.size());
    qsizetype copied = 0;
    QString hint;
    bool haveHint = false;
    ForEachTag(str, [&](qsizetype start, const QString &tag) {
        const QString name = TagName(tag);
        if (name.compare(QLatin1String("/a"), Qt::CaseInsensitive) == 0) {
            if (AddHint && haveHint) {
                out += QStringView(str).mid(copied, start + tag.size() - copied);
                QString text = HintFormat;
                text.replace(QLatin1String("[Title No.]"), hint, Qt::CaseInsensitive);
                out += QLatin1Char('(') + HtmlEscape(text) + QLatin1Char(')');
                copied = start + tag.size();
            }
            haveHint = false;
            return;
        }
        if (name.compare(QLatin1String("a"), Qt::CaseInsensitive) != 0)
            return;
        const QString rewritten = RewriteAttributes(tag, [&](const QString &attr, const QString &value) -> QString {
            if (attr.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0) {
                QString v = value.startsWith(QLatin1Char('#')) ? value.mid(1) : value;
                return v.isEmpty() ? v : Base.Bookmark + QLatin1Char('_') + v;
            }
            if (attr.compare(QLatin1String("href"), Qt::CaseInsensitive) != 0)
                return value;
            const auto [file, bookmark] = SplitUrlBookmark(value);
            if (!file.isEmpty()) {
                if (file.contains(QLatin1Char(':')))
                    return value;
                const QString address = file.startsWith(QLatin1Char('/')) ? ToSlashes(file.mid(1)) : NormalizePath(FolderOf(Base.Url) + ToSlashes(file));
                const TTitleList *target = List.GetItemByUrl(address);
                if (!target)
                    return value;
                haveHint = true;
                hint = target->ChapterNumber;
                const TChmTopicFile *page = TopicList.GetItemByFilename(NormalizePath(rootFolder + address));
                return QLatin1Char('#') + target->Bookmark
                       + (!bookmark.isEmpty() && hasAnchor(page, bookmark) ? QLatin1Char('_') + bookmark : QString());
            }
            if (!bookmark.isEmpty())
                return QLatin1Char('#') + Base.Bookmark + (hasAnchor(basePage, bookmark) ? QLatin1Char('_') + bookmark : QString());
            return value;
        });
        if (rewritten == tag)
            return;
        out += QStringView(str).mid(copied, start - copied);
        out += rewritten;
        copied = start + tag.size();
    });
    if (copied == 0)
        return str;
    out += QStringView(str).mid(copied);
    return out;
}

void Tchm2word::DistillPages()
{
    TStringList urls;
    InitList(urls);
    for (int k = 0; k < List.Count(); ++k)
        if (!List[k]->Url.isEmpty())
            AddNew(urls, List[k]->Url, k);
    struct TLinked
    {
        QString file;
        int previous = -1; // the page before this one with the same file
        QString changed;
        TPageBytes bytes;
    };
    const int total = urls.Count();
    std::vector<TLinked> linked(static_cast<size_t>(total));
    QHash<QString, int> last;
    TPagePool pool(Threads);
    pool.Run(total, {[&](int k) {
                         Progress(QStringLiteral("Linking"), k, total);
                         TLinked &l = linked[size_t(k)];
                         const QString file = ExistingFile(NormalizePath(rootFolder + urls[k]));
                         if (file.isEmpty() || IsOutOfRootfolder(file))
                             return;
                         l.file = file;
                         l.previous = last.value(file, -1);
                         last.insert(file, k);
                     },
                     [&](int k) {
                         TLinked &l = linked[size_t(k)];
                         l.changed.clear();
                         if (l.file.isEmpty())
                             return;
                         const QString text = ReadPage(l.file);
                         const QString changed = FixDisplayAndAlign(ChangeUrlBookmark(text, *List[int(urls.Data(k))]));
                         if (changed != text) {
                             l.changed = changed;
                             l.bytes = EncodePage(changed);
                         }
                     },
                     [&](int k) {
                         TLinked &l = linked[size_t(k)];
                         m_wroteElsewhere = false;
                         if (!l.changed.isEmpty())
                             WritePage(l.changed, l.bytes, l.file);
                         l = TLinked();
                         return m_wroteElsewhere;
                     },
                     [&](int k) { return linked[size_t(k)].previous; }});
}

void Tchm2word::ProcessTocLink2()
{
    for (int k = 0; k < List.Count(); ++k) {
        TTitleList *e = List[k];
        if (e->Status != 0)
            continue;
        const auto [file, bookmark] = SplitUrlBookmark(e->Url);
        if (bookmark.isEmpty())
            continue;
        const TChmTopicFile *page = TopicList.GetItemByFilename(NormalizePath(rootFolder + file));
        if (!page)
            continue;
        const int index = page->Bookmarks.GetItemIdByName(bookmark);
        if (index < 0)
            continue;
        const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
        const bool hasExt = dot > file.lastIndexOf(QLatin1Char('/'));
        e->Url = (hasExt ? file.left(dot) : file) + QLatin1Char('_') + QString::number(index) + (hasExt ? file.mid(dot) : QString());
    }
}

void Tchm2word::Execute()
{
    ProcessTocLink();
    FillFileList();
    ChangeCSS();
    RemoveSame();
    NonTocFileToToc();
    GetChapterNumber();
    GetBookmark();
    List.initializeUrls();
    DistillPages();
    ProcessTocLink2();
}

} // namespace tavrel
