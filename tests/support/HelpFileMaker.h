#pragma once
// Compiled help files made by our own project writer and the real compiler, for the tests that
// read them back.
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QTemporaryDir;

namespace tavrel::test {

struct THelpPage
{
    QString Title;
    int Level = 1;     // 1 for a top entry
    QString Keywords;  // one per line; "Outer/Inner" for a sub-keyword, "//" for a slash
    QString Body;      // HTML of the body; empty for an entry without page
    QString Raw;       // when set, the whole page file as it stands (broken pages)
};

struct THelpFile
{
    std::unique_ptr<QTemporaryDir> Dir;
    QString Chm;
    QString Folder;
    QStringList Urls; // per page, "" for an entry without page
};

// Compiles the pages into a help file titled title with the language ("0x0409"). Every page
// that has a body gets a small picture and a style sheet. Returns an empty Chm when chmcmd is
// missing.
THelpFile MakeHelpFile(const std::vector<THelpPage> &pages, const QString &title, const QString &language = QStringLiteral("0x0409"));

bool HaveHelpCompiler();

// Every entry under folder (hidden ones too), full paths, sorted: what a run left behind.
QStringList EntriesUnder(const QString &folder);

} // namespace tavrel::test
