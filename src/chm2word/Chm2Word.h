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
    // empty when there is none.
    QString ExistingFile(const QString &path) const;

private:
    QSet<QString> m_otherHelpFiles; // second help files already decompiled, lower-cased names
    mutable QHash<QString, QHash<QString, QString>> m_folderNames;
};

QString FixDisplayAndAlign(const QString &text);

} // namespace tavrel
