#pragma once
// Checks a compiled help file the way a user would see it: opened with chmlib, its directory
// enumerated, the pages, pictures and style sheets of the built folder inside, the contents
// and index listing what was built, the title, language and default topic in #SYSTEM, and the
// full-text search index present. Each returns failures as readable lines (empty = all good),
// so a test can print them: EXPECT_TRUE(f.isEmpty()) << f.join("\n").
#include <QString>
#include <QStringList>

namespace tavrel::test {

struct TChmExpectations
{
    // Folder whose files must all be stored (recursively; project files .hhp .hhc .hhk .h .log
    // and backups are left out, as the project's [FILES] leaves them out). Empty: not checked.
    QString Folder;
    // More stored names that must be there ("pages/a.htm"), relative, "/" separated.
    QStringList Files;
    // Titles the contents file must list (its "Name" params), in this order; empty: not checked.
    QStringList ContentsNames;
    // Keywords the index must list (its "Name" params, first of each entry), in this order.
    QStringList IndexNames;
    // The pages every contents entry links to must be stored in the help file.
    bool CheckContentsLinks = true;
    QString Title;        // #SYSTEM title (empty: not checked)
    QString Language;     // "0x0409" form (empty: not checked)
    QString DefaultTopic; // stored relative name (empty: not checked)
    bool ExpectSearchIndex = true; // $FIftiMain stored and not empty
    bool ExpectContents = true;    // a .hhc stored
    bool ExpectIndex = true;       // a .hhk stored
    int MinimumFiles = 0;          // at least that many user files enumerated
};

QStringList CheckHelpFile(const QString &chm, const TChmExpectations &expect);

// What #SYSTEM says (entry codes 2 default topic, 3 title, 4 LCID), decoded in the code page
// of the language; empty fields when absent.
struct TChmSystemInfo
{
    QString Title;
    QString DefaultTopic;
    QString Language; // "0x" and four upper-case hex digits
    QString Contents; // code 0: the .hhc
    QString Index;    // code 1: the .hhk
    bool Read = false;
};
TChmSystemInfo ReadChmSystem(const QString &chm);

// The values of the Name params of a sitemap file (.hhc/.hhk), in order, character
// references decoded.
QStringList SitemapNames(const QString &sitemap);
// The values of the Local params, in order.
QStringList SitemapLocals(const QString &sitemap);

} // namespace tavrel::test
