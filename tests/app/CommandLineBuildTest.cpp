// The real program building from the command line: "tavrel --build FILE.tvp".
#include "project/ProjectSetting.h"
#include "support/ChmReadBack.h"
#include "text/functions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString kProgram = QStringLiteral(TAVREL_BINARY_DIR "/bin/tavrel");
const QString kFixtures = QStringLiteral(TAVREL_FIXTURES_DIR);

struct TRun
{
    int exitCode = -1;
    QString err;
};

// Runs the program with a private temporary folder, so what a build leaves there is seen.
TRun runTavrel(const QStringList &args, const QString &tempFolder, const QStringList &extraEnv = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tempFolder);
    // Qt would otherwise make its runtime folder in the temporary folder.
    static QTemporaryDir runtime;
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.remove("QT_QPA_PLATFORM"); // the headless build must choose its platform itself
    env.remove("DISPLAY");
    for (const QString &kv : extraEnv)
        env.insert(kv.section('=', 0, 0), kv.section('=', 1));
    p.setProcessEnvironment(env);
    p.start(kProgram, args);
    EXPECT_TRUE(p.waitForFinished(240000)) << "the build did not end";
    TRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QByteArray sha(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

bool HoldsWebHelpOutputFiles(const QString &folder)
{
    const QStringList names = QDir(folder).entryList(QDir::Files);
    return names.contains("index.html") || names.contains("index.htm");
}

QStringList entriesUnder(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

// A saved project next to a copy of the fixture document.
QString makeProject(const QString &folder, const QString &document, bool html, bool web, bool pdf)
{
    QDir().mkpath(folder);
    const QString source = folder + "/Quelle mit Lücke.docx";
    QFile::copy(kFixtures + "/word/" + document, source);
    TProject project;
    project.SourceFile = "<Project_Folder>/Quelle mit Lücke.docx";
    project.Title = "Stile – Ünïcode";
    project.HtmlHelpOutput = html;
    project.WebHelpOutput = web;
    project.PDFOutput = pdf;
    project.CompiledFile = "<Project_Folder>/HTML help/hilfe datei.chm";
    project.WebHelpOutputFolder = "<Project_Folder>/WebHelp/";
    project.PDFFile = "<Project_Folder>/PDF/hilfe.pdf";
    const QString file = folder + "/Hilfe Projekt.tvp";
    project.SaveToIni(file);
    return file;
}

} // namespace

TEST(CommandLineBuild, BuildsAHelpFileInAFolderWithBlanksAndNonAsciiNamesTwice)
{
    QTemporaryDir work, temp;
    const QString folder = work.path() + "/Проект für Hilfe";
    const QString tvp = makeProject(folder, "styles.docx", true, false, false);
    const QString source = folder + "/Quelle mit Lücke.docx";
    const QByteArray before = sha(source);
    const QString chm = folder + "/HTML help/hilfe datei.chm";

    for (int round = 0; round < 2; ++round) {
        TRun r = runTavrel({"--build", tvp}, temp.path());
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("[100%]")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("HTML Help"));
        EXPECT_TRUE(r.err.contains("Written: " + chm)) << r.err.toStdString();
        ASSERT_TRUE(QFileInfo(chm).size() > 0);

        test::TChmExpectations expect;
        expect.Title = "Stile – Ünïcode";
        expect.ContentsNames = QStringList{"Styles and inheritance", "Inherited styles", "Character formatting",
                                           "A third level", "Second chapter"};
        expect.ExpectIndex = false; // the document has no index entries
        const QStringList failures = test::CheckHelpFile(chm, expect);
        EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();

        EXPECT_EQ(sha(source), before) << "the source document is never changed";
        // No temporary copy, no private project folder, no converter folder stays behind.
        EXPECT_EQ(entriesUnder(temp.path()), QStringList()) << "round " << round;
        EXPECT_FALSE(QFileInfo::exists(folder + "/HTML help project")) << "the project files were not to be kept";
    }
}

TEST(CommandLineBuild, KeepsTheHelpProjectWhereAsked)
{
    QTemporaryDir work, temp;
    const QString folder = work.path() + "/kept";
    const QString tvp = makeProject(folder, "styles.docx", true, false, false);
    TProject project;
    project.ReadFromIni(tvp);
    project.OutputHHP = true;
    project.HHPFolder = "<Project_Folder>/HTML help project/";
    project.SaveToIni(tvp);
    TRun r = runTavrel({"--build", tvp}, temp.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(folder + "/HTML help project").entryList({"*.hhp"}).size(), 1);
    EXPECT_TRUE(r.err.contains("Written: " + folder + "/HTML help project/")) << r.err.toStdString();
    EXPECT_EQ(entriesUnder(temp.path()), QStringList());
}

TEST(CommandLineBuild, SilentDesktopBuildClosesAfterTheBuild)
{
    QTemporaryDir work, temp;
    const QString folder = work.path() + "/silent";
    const QString tvp = makeProject(folder, "styles.docx", true, false, false);
    QElapsedTimer timer;
    timer.start();
    TRun r = runTavrel({tvp, "/b"}, temp.path(), {"QT_QPA_PLATFORM=offscreen"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_GE(timer.elapsed(), 1000) << "the window stays a second after the build";
    EXPECT_TRUE(QFileInfo(folder + "/HTML help/hilfe datei.chm").size() > 0);
    EXPECT_FALSE(r.err.contains("The build is completed!")) << "a silent build shows no completion message";
}

TEST(CommandLineBuild, FailuresExitWithOneAndTheReportOnStandardError)
{
    QTemporaryDir work, temp;
    {
        // A missing source document.
        const QString tvp = makeProject(work.path() + "/a", "styles.docx", true, false, false);
        QFile::remove(work.path() + "/a/Quelle mit Lücke.docx");
        TRun r = runTavrel({"--build", tvp}, temp.path());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("does not exist!")) << r.err.toStdString();
    }
    {
        // A missing project file.
        TRun r = runTavrel({"--build", work.path() + "/none.tvp"}, temp.path());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("doesn't exist!")) << r.err.toStdString();
    }
    {
        // A WebHelp folder with somebody's files is not emptied, not even with --yes; only
        // --replace-unrecorded says so.
        const QString tvp = makeProject(work.path() + "/b", "styles.docx", false, true, false);
        QDir().mkpath(work.path() + "/b/WebHelp");
        QFile f(work.path() + "/b/WebHelp/keep.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("mine");
        f.close();
        TRun r = runTavrel({"--build", tvp, "--yes"}, temp.path());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("\"" + work.path() + "/b/WebHelp/\" was not written by a build of this project"))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("--replace-unrecorded")) << r.err.toStdString();
        EXPECT_TRUE(QFileInfo::exists(work.path() + "/b/WebHelp/keep.txt"));
        r = runTavrel({"--build", tvp, "--replace-unrecorded"}, temp.path());
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(work.path() + "/b/WebHelp/keep.txt"));
        EXPECT_TRUE(HoldsWebHelpOutputFiles(work.path() + "/b/WebHelp"));
    }
    {
        // The conversion fails: the task type and position are reported, the temporary copy
        // of the source stays for a look.
        const QString folder = work.path() + "/c";
        const QString tvp = makeProject(folder, "styles.docx", true, false, false);
        QFile doc(folder + "/Quelle mit Lücke.docx");
        ASSERT_TRUE(doc.open(QIODevice::WriteOnly | QIODevice::Truncate));
        doc.write(QByteArray("PK\x03\x04 broken package", 20));
        doc.close();
        TRun r = runTavrel({"--build", tvp}, temp.path());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("Error occured when building!")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("TaskType: 1 TaskPos: ")) << r.err.toStdString();
        const QStringList left = entriesUnder(temp.path());
        ASSERT_EQ(left.size(), 1) << left.join("\n").toStdString();
        EXPECT_TRUE(left[0].endsWith(".docx"));
        QFile::remove(left[0]);
    }
    {
        // The compiler fails: its console text reaches the report, the private project folder
        // goes, the copy stays.
        const QString folder = work.path() + "/d";
        const QString tvp = makeProject(folder, "styles.docx", true, false, false);
        QTemporaryDir bin;
        QFile script(bin.path() + "/chmcmd");
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho 'stand-in compiler gives up'\nexit 3\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        TRun r = runTavrel({"--build", tvp}, temp.path(), {"PATH=" + bin.path() + ":" + qEnvironmentVariable("PATH")});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("TaskType: 1 TaskPos: 95")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("stand-in compiler gives up")) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("Written:"));
        EXPECT_FALSE(QFileInfo(folder + "/HTML help/hilfe datei.chm").size() > 0);
        const QStringList left = entriesUnder(temp.path());
        ASSERT_EQ(left.size(), 1) << left.join("\n").toStdString();
        EXPECT_TRUE(left[0].endsWith(".docx"));
        QFile::remove(left[0]);
    }
    {
        // A project inside the installation folder is refused.
        QTemporaryDir install;
        const QString tvp = makeProject(install.path() + "/sample", "styles.docx", true, false, false);
        TRun r = runTavrel({"--build", tvp}, temp.path(), {"TAVREL_DATA=" + install.path() + "/"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("Copy the project folder")) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(install.path() + "/sample/HTML help"));
    }
}

TEST(CommandLineBuild, AllThreeOutputs)
{
    if (!IsLibreOfficeAvailable())
        GTEST_SKIP() << "LibreOffice is needed for the PDF";
    QTemporaryDir work, temp;
    const QString folder = work.path() + "/three";
    const QString tvp = makeProject(folder, "styles.docx", true, true, true);
    for (int round = 0; round < 2; ++round) {
        TRun r = runTavrel({"--build", tvp}, temp.path());
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(QFileInfo(folder + "/HTML help/hilfe datei.chm").size() > 0);
        EXPECT_TRUE(QFileInfo(folder + "/PDF/hilfe.pdf").size() > 0);
        EXPECT_TRUE(r.err.contains("Written: " + folder + "/PDF/hilfe.pdf")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("[ 99%] PDF")) << r.err.toStdString();
        EXPECT_EQ(entriesUnder(temp.path()), QStringList());
    }
}

TEST(CommandLineBuild, TheSampleProjectCopiedToAWorkFolder)
{
    const QString sample = QStringLiteral(TAVREL_SOURCE_DIR "/data/sample");
    if (!QFileInfo::exists(sample + "/sample.tvp"))
        GTEST_SKIP() << "no sample project yet";
    QTemporaryDir work, temp;
    const QString copy = work.path() + "/Sample Project";
    ASSERT_TRUE(CopyFolderTree(sample, copy));
    const QByteArray before = sha(copy + "/sample.docx");
    TRun r = runTavrel({"--build", copy + "/sample.tvp"}, temp.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    TProject project;
    project.ReadFromIni(copy + "/sample.tvp");
    if (project.HtmlHelpOutput) {
        test::TChmExpectations expect;
        expect.MinimumFiles = 20;
        const QStringList failures = test::CheckHelpFile(project.RealPath(ptCompiledFile), expect);
        EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();
    }
    if (project.WebHelpOutput) {
        EXPECT_TRUE(HoldsWebHelpOutputFiles(project.RealPath(ptWebHelpFolder)));
    }
    if (project.PDFOutput && IsLibreOfficeAvailable()) {
        EXPECT_TRUE(QFileInfo(project.RealPath(ptPDFFile)).size() > 0);
    }
    EXPECT_EQ(sha(copy + "/sample.docx"), before);
    EXPECT_EQ(entriesUnder(temp.path()), QStringList());
}
