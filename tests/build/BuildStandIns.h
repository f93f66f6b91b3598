#pragma once
// Stand-ins of the build shared by the driver's tests and the building window's tests.
#include "build/build.h"
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "text/Exceptions.h"
#include "text/functions.h"

#include <QStringList>
#include <QTemporaryDir>
#include <vector>

namespace tavrel::test {

// A build whose tasks are stand-ins: each converter reports the positions 0, 1, 40, 50, 80
// and 100, and a chosen step can fail.
class TStandInBuild : public Tbuild
{
public:
    using Tbuild::Tbuild;

    QString failAt;       // name of the step that raises
    int failAfter = -1;   // converter/PDF position reported before that step raises
    bool realCopy = false;
    bool quitCalled = false;
    QStringList steps;
    std::vector<int> taskUpdates; // positions reported from inside a task

protected:
    void check(const QString &step)
    {
        steps << step;
        if (step == failAt)
            throw Exception(QStringLiteral("stand-in failure in ") + step);
    }
    void report(const QString &step, bool pdf)
    {
        for (int p : {0, 1, 40, 50, 80, 100}) {
            if (step == failAt && p > failAfter && failAfter >= 0)
                check(step);
            m_inTask = true;
            pdf ? PdfAt(p) : ConverterAt(p);
            m_inTask = false;
        }
        check(step);
    }
    void MakeTempCopy() override
    {
        if (realCopy)
            Tbuild::MakeTempCopy();
        check(QStringLiteral("copy"));
    }
    void StartWord() override { check(QStringLiteral("word")); }
    void QuitWord() override { quitCalled = true; }
    void ConvertDocument(int outputType) override { report(QStringLiteral("convert%1").arg(outputType), false); }
    void SplitTopics(TContentsItems &) override { check(QStringLiteral("split")); }
    void FreeConverter() override {}
    void HtmlHelpCreate(TContentsItems &) override { check(QStringLiteral("hhcreate")); }
    void HtmlHelpSetFolder() override { check(QStringLiteral("hhfolder")); }
    void HtmlHelpOutput() override { check(QStringLiteral("hhoutput")); }
    void HtmlHelpMake() override { check(QStringLiteral("hhmake")); }
    void HtmlHelpFree() override {}
    void WebHelpOutput(TContentsItems &) override { check(QStringLiteral("webhelp")); }
    void PdfOutput(const QString &, const QString &) override { report(QStringLiteral("pdf"), true); }

public:
    bool m_inTask = false;
};

inline void setOutputs(TProject &p, bool html, bool web, bool pdf)
{
    p.HtmlHelpOutput = html;
    p.WebHelpOutput = web;
    p.PDFOutput = pdf;
}

struct TSavedProject
{
    QTemporaryDir dir;
    TProject project;
    QString chm, pdf, web, source;
    TSavedProject(bool html = true, bool webHelp = false, bool pdfOut = false)
    {
        const QString root = dir.path() + "/";
        project.ProjectFilename = root + "help.tvp";
        project.RootDir = root;
        project.IsNew = false;
        WriteBytes(project.ProjectFilename, Utf16File("[GENERAL]\r\n"));
        source = root + "doc.docx";
        WriteBytes(source, QByteArray("PK\x03\x04rest", 8));
        project.SourceFile = "<Project_Folder>/doc.docx";
        setOutputs(project, html, webHelp, pdfOut);
        chm = project.RealPath(ptCompiledFile);
        pdf = project.RealPath(ptPDFFile);
        web = project.RealPath(ptWebHelpFolder);
    }
};

} // namespace tavrel::test
