#include "support/HelpFileMaker.h"

#include "output/HtmlHelpOutput.h"
#include "output/UnitCHMProject.h"
#include "project/Contents.h"
#include "text/HtmlHelpTools.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tavrel::test {

namespace {

void Write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

} // namespace

bool HaveHelpCompiler() { return !HelpCompilerProgram().isEmpty(); }

QStringList EntriesUnder(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

THelpFile MakeHelpFile(const std::vector<THelpPage> &pages, const QString &title, const QString &language)
{
    THelpFile h;
    if (!HaveHelpCompiler())
        return h;
    h.Dir = std::make_unique<QTemporaryDir>();
    h.Folder = h.Dir->path() + "/project/";
    h.Chm = h.Folder + "help.chm";
    Write(h.Folder + "css/style.css", "body { color: black }\n");
    Write(h.Folder + "images/pic.gif", QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;", 35));
    TContentsItems items;
    for (size_t i = 0; i < pages.size(); ++i) {
        const THelpPage &p = pages[i];
        auto item = std::make_unique<TContentsItem>();
        item->Level = p.Level;
        item->Title = p.Title;
        item->HTMLTitle = p.Title.toHtmlEscaped();
        item->Icon = -1;
        item->Keywords = p.Keywords;
        if (p.Body.isEmpty() && p.Raw.isEmpty()) {
            item->Status = 2;
            h.Urls << QString();
        } else {
            item->Status = 0;
            item->Url = QStringLiteral("pages/t%1.htm").arg(i, 5, 10, QLatin1Char('0'));
            const QByteArray page = !p.Raw.isEmpty() ? p.Raw.toUtf8()
                                                     : QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title>"
                                                                      "<link rel=\"stylesheet\" href=\"../css/style.css\"></head>"
                                                                      "<body><div class=\"nav\">Home | Contents</div><div id=\"content\"><h1>%1</h1>%2"
                                                                      "<p>This page tells the reader what %1 means, where it is found, how it "
                                                                      "is used day to day and what to do when it does not work as expected.</p>"
                                                                      "<p><img src=\"../images/pic.gif\"></p></div>"
                                                                      "<div class=\"footer\">Copyright the firm</div></body></html>")
                                                           .arg(p.Title.toHtmlEscaped(), p.Body)
                                                           .toUtf8();
            Write(h.Folder + item->Url, page);
            h.Urls << item->Url;
        }
        items.Add(std::move(item));
    }
    THtmlHelpMaker maker;
    maker.Contents = &items;
    TCHMProject project;
    project.Folder = h.Folder;
    project.CHM = h.Chm;
    project.Title = title;
    project.Language = language;
    for (const QString &u : h.Urls)
        if (!u.isEmpty()) {
            project.DefaultTopic = u;
            break;
        }
    project.TOC = maker.MakeHHCList();
    project.IndexList = maker.MakeHHKList();
    project.Output();
    project.Compile1();
    return h;
}

} // namespace tavrel::test
