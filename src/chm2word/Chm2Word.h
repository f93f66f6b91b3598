#pragma once
// A decompiled help file turned into cleaned topic pages, ready to be poured into one
// document: entry addresses normalised, every page the contents reach found (directly or
// through links), the pages distilled, pages reached only through links added as an appendix,
// chapters numbered, a bookmark per entry, and links between topics rewritten to bookmarks.
#include "chm2word/ChmTo.h"
#include "chm2word/Distiller.h"
#include "text/StringList.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <vector>

namespace tavrel {

class Tchm2word : public Tchm
{
public:
    Tchm2word();

    TStringList Files;        // pages named by entries; Data: the first entry's index in List
    bool AddHint = false;
    QString HintFormat;       // "[Title No.]" stands for the target's chapter number
    bool Discard = false;     // leave out the pages no entry names
    QString Addenda;          // title of the chapter that holds them
    TStringList NonTocicFiles; // pages reached only through links; Data: their entry, -1 before
    TStringList CSSFiles;
    TChmTopicFileList TopicList;
    // Threads for the per-page work: 0 as many as the processor runs at once, 1 page by page.
    int Threads = 0;

    // The steps in order; callers that report progress run them one by one.
    void Execute();
    void ProcessTocLink();
    void FillFileList();
    void ChangeCSS();
    void RemoveSame();
    void NonTocFileToToc();
    void GetChapterNumber();
    void GetBookmark();
    void DistillPages();
    void ProcessTocLink2();

    QString ProcessDecompiledUrl(const QString &Url, const QString &CurrentUrl);
    QString ProcessSCR(const QString &S, const QString &CurrentUrl);
    bool IsOutOfRootfolder(const QString &url) const;
    // Follows the page links of f, and of every page they reach, once each; never recursive.
    void GetLinkPages(const QString &f);
    QString ChangeUrlBookmark(const QString &str, const TTitleList &Base);

    // A page as the distiller and the link rewriting read it: its byte-order mark, its charset,
    // valid UTF-8, else the help file's code page.
    QString ReadPage(const QString &file) const;
    // Writes a page back in the charset it declares; one that declares none as UTF-8, which
    // reads back the same.
    void SavePage(const QString &page, const QString &file) const;
    // The file at path, or one whose name differs only in letter case (links written on Windows);
    // empty when there is none. The answers are kept for the run (FillFileList starts one): the
    // folder is this run's own, and what it writes itself is taken into account.
    QString ExistingFile(const QString &path) const;

private:
    QString FindExistingFile(const QString &path) const;
    // The text ReadPage gives for a file holding bytes.
    QString DecodePage(const QByteArray &bytes) const;
    struct TPageBytes
    {
        QByteArray bytes;
        bool declared = false; // the page names its charset
    };
    // A page as SavePage writes it, and the writing: the one may run anywhere, the other only
    // on the thread that runs the steps (it may ask the user).
    static TPageBytes EncodePage(const QString &page);
    // Whether the bytes went to file (and nowhere else).
    bool WritePage(const QString &page, const TPageBytes &bytes, const QString &file) const;
    // What follows writing page's bytes to file, on the thread that runs the steps, whether the
    // write was made there or in the work (`written`: how it went).
    bool WrotePage(const QString &page, const TPageBytes &bytes, const QString &file, bool written) const;
    // The bytes of a page read once are kept for the next step that reads it (the folder is the
    // run's own, and every write of the run drops or replaces what it kept of that file).
    void Keep(const QString &file, const QByteArray &bytes) const;
    bool TakeKept(const QString &file, QByteArray &bytes) const;
    static QByteArray ReadBytes(const QString &file);
    // A new run: nothing is known about the folder.
    void ForgetFiles();
    // A file was written that may not have been there: answers that found nothing, and the
    // listings of the folders on its way, may be out of date.
    void NoteCreated(const QString &path) const;
    // A file of the user's choice was written: nothing known about the folder holds any more.
    void NoteWroteElsewhere() const;
    // The steps' page-by-page parts.
    void ReadTopics();
    void DistilTopics();
    void WalkLinks(const QStringList &starts);

    // A page as the analysis takes it: read, its script-written links rewritten, the pages and
    // style sheets it links to (in the folder, not yet looked up).
    struct TScanned
    {
        QString file;
        QByteArray read; // the file's bytes
        QString original, text;
        TPageBytes bytes; // of text, when it differs from original
        bool scanned = false;
        std::vector<std::pair<QString, bool>> links; // target, whether a page (else a style sheet)
    };
    // ahead: on any thread; a page with a link into another help file is then only read (the
    // walk rewrites it: that may decompile the other file).
    TScanned ScanPage(const QString &file, bool ahead);
    void ScanText(TScanned &page);

    QSet<QString> m_otherHelpFiles; // second help files already decompiled, lower-cased names
    mutable QHash<QString, QHash<QString, QString>> m_folderNames;
    // ExistingFile's answers: paths that are a file, paths found in another letter case, the
    // files found, the paths with nothing there.
    mutable QSet<QString> m_exact;
    mutable QHash<QString, QString> m_inexact;
    mutable QSet<QString> m_found;
    mutable QSet<QString> m_missing;
    mutable bool m_wroteElsewhere = false;      // since the last look
    mutable QHash<QString, QByteArray> m_kept;
};

QString FixDisplayAndAlign(const QString &text);

} // namespace tavrel
