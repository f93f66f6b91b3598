#pragma once
// The topic pages of a project's HTML Help and WebHelp outputs, written without compiling, for
// tests that read our own pages back.
#include <QString>
#include <QStringList>

namespace tavrel {
class TProject;
}

namespace tavrel::test {

struct THelpPages
{
    QString HtmlHelpFolder, WebHelpFolder;
    QStringList Urls; // the contents entries' pages, in contents order
};

// Converts the project's source document and writes both outputs' pages (HTML Help into its
// project folder, WebHelp into WebHelpOutputFolder).
THelpPages WriteHelpPages(TProject &project, const QString &source);

} // namespace tavrel::test
