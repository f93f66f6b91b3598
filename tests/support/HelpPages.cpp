#include "support/HelpPages.h"

#include "output/HtmlHelpOutput.h"
#include "output/Webhelp.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "word/WordDoc.h"
#include "word/engine/Word.h"

namespace tavrel::test {

THelpPages WriteHelpPages(TProject &project, const QString &source)
{
    WordApplication app;
    TWordDoc word(&project, &app, source, nullptr, 1);
    word.DoCreate(source);
    TContentsItems items;
    items.Project = &project;
    word.ToContentsItems(items);
    THtmlHelpMaker maker;
    maker.Project = &project;
    maker.Contents = &items;
    maker.Word = &word;
    maker.ProjectFolder = project.RealPath(ptHHPFolder);
    maker.Output();
    TWebHelp web(&project, &items, &word);
    web.Output();
    THelpPages pages;
    pages.HtmlHelpFolder = maker.ProjectFolder;
    pages.WebHelpFolder = project.WebHelpOutputFolder;
    for (int i = 0; i < items.Count(); ++i)
        pages.Urls << items[i]->Url;
    return pages;
}

} // namespace tavrel::test
