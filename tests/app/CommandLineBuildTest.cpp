// The real program building from the command line: "tavrel --build FILE.tvp".
#include "project/ProjectSetting.h"
#include "support/ChmReadBack.h"
#include "text/functions.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

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

// The session runtime folder the program is given; its working folder lies in it.
const QTemporaryDir &sessionRuntime()
{
    static QTemporaryDir runtime;
    return runtime;
}

// Runs the program with a private temporary folder, so what a build leaves there is seen.
TRun runTavrel(const QStringList &args, const QString &tempFolder, const QStringList &extraEnv = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tempFolder);
    env.insert("XDG_RUNTIME_DIR", sessionRuntime().path());
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

// What the runs of the program left in the temporary folder and in their working folder.
QStringList leftovers(const QString &tempFolder)
{
    return entriesUnder(tempFolder) + entriesUnder(sessionRuntime().path() + "/tavrel");
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
        EXPECT_EQ(leftovers(temp.path()), QStringList()) << "round " << round;
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
    EXPECT_EQ(leftovers(temp.path()), QStringList());
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
        // The conversion fails: the task type and position are reported, and the temporary copy
        // of the source goes all the same (it is the author's whole text).
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
        EXPECT_EQ(leftovers(temp.path()), QStringList());
    }
    {
        // The compiler fails: its console text reaches the report; the private project folder
        // and the copy go.
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
        EXPECT_EQ(leftovers(temp.path()), QStringList());
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
        EXPECT_EQ(leftovers(temp.path()), QStringList());
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
    EXPECT_EQ(leftovers(temp.path()), QStringList());
}

// --- A killed build, the working folder and its permissions ------------------------------------

namespace {

// The processes of a group that still run (a zombie has ended already).
QList<qint64> runningMembers(qint64 group)
{
    QList<qint64> out;
    const QStringList names = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool ok = false;
        const qint64 pid = name.toLongLong(&ok);
        QFile f("/proc/" + name + "/stat");
        if (!ok || !f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' '); // state, ppid, pgrp
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z")
            out << pid;
    }
    return out;
}

template <class Pred> bool within(int ms, Pred pred)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// The environment of a run whose working folder is "<temp>/tavrel-<uid>": no session runtime.
QProcessEnvironment runEnvironment(const QString &temp, const QString &path = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", temp);
    env.remove("XDG_RUNTIME_DIR");
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    if (!path.isEmpty())
        env.insert("PATH", path + ":" + env.value("PATH"));
    return env;
}

QString workingFolderIn(const QString &temp) { return temp + QStringLiteral("/tavrel-%1").arg(::geteuid()); }

} // namespace

class KilledBuild : public ::testing::TestWithParam<int>
{
};

// The build is stopped while a stand-in compiler runs; the stand-in records its process group
// and the permissions of everything the build made so far, then waits in a child of its own.
TEST_P(KilledBuild, EndsTheCompilersWholeGroupAndLeavesNoWorkingFilesThatOthersCouldRead)
{
    const int sig = GetParam();
    QTemporaryDir work, temp, bin;
    const QString folder = work.path() + "/killed";
    const QString tvp = makeProject(folder, "styles.docx", true, false, false);
    const QString record = work.path() + "/record";
    QFile script(bin.path() + "/chmcmd");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "run=$(dirname \"$(pwd -P)\")\n"
                 "{ echo \"group $(cut -d' ' -f5 /proc/$$/stat)\"\n"
                 "  echo \"run $run\"\n"
                 "  stat -c '%a|%F|%n' \"$(dirname \"$run\")\"\n"
                 "  find \"$run\" -exec stat -c '%a|%F|%n' {} +\n"
                 "} > '" + QFile::encodeName(record) + ".part'\n"
                 "mv '" + QFile::encodeName(record) + ".part' '" + QFile::encodeName(record) + "'\n"
                 "sleep 120\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcess p;
    p.setProcessEnvironment(runEnvironment(temp.path(), bin.path()));
    p.start(kProgram, {"--build", tvp});
    ASSERT_TRUE(p.waitForStarted());
    ASSERT_TRUE(within(120000, [&] { return QFileInfo::exists(record) || p.state() == QProcess::NotRunning; }));
    ASSERT_TRUE(QFileInfo::exists(record)) << p.readAllStandardError().toStdString();
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    const qint64 group = lines[0].section(' ', 1).toLongLong();
    const QString run = lines[1].section(' ', 1);
    ASSERT_GT(group, 1);
    EXPECT_EQ(run, workingFolderIn(temp.path()) + "/" + QString::number(p.processId()));

    // Everything the build made is the user's alone: folders 0700, files 0600, no links.
    int copies = 0, projects = 0, pages = 0;
    for (const QString &line : lines.mid(2)) {
        const QStringList parts = line.split('|');
        ASSERT_EQ(parts.size(), 3) << line.toStdString();
        if (parts[1] == "directory")
            EXPECT_EQ(parts[0], "700") << line.toStdString();
        else if (parts[1].startsWith("regular"))
            EXPECT_EQ(parts[0], "600") << line.toStdString();
        else
            ADD_FAILURE() << "unexpected entry " << line.toStdString();
        copies += parts[2].endsWith(".docx");
        projects += parts[2].endsWith(".hhp");
        pages += parts[2].endsWith(".htm");
    }
    EXPECT_EQ(copies, 1) << "the temporary copy of the source";
    EXPECT_EQ(projects, 1) << "the private help project";
    EXPECT_GE(pages, 2) << "its pages";

    ASSERT_FALSE(runningMembers(group).isEmpty()) << "the stand-in runs";
    ::kill(pid_t(p.processId()), sig);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(within(5000, [&] { return runningMembers(group).isEmpty(); }))
        << "the compiler's group outlived the program";
    EXPECT_TRUE(within(5000, [&] { return !QFileInfo::exists(run); })) << "the run's working folder stayed";
    EXPECT_FALSE(QFileInfo::exists(folder + "/HTML help/hilfe datei.chm")) << "no help file without its repair";
    EXPECT_EQ(entriesUnder(temp.path()), QStringList{workingFolderIn(temp.path())});
}

INSTANTIATE_TEST_SUITE_P(Signals, KilledBuild, ::testing::Values(SIGKILL, SIGTERM, SIGINT, SIGHUP),
                         [](const auto &info) { return std::string(sigabbrev_np(info.param)); });

TEST(WorkingFolder, TheNextStartRemovesWhatDeadRunsLeftAndNothingElse)
{
    QTemporaryDir work, temp, outside;
    const QString wf = workingFolderIn(temp.path());
    ASSERT_TRUE(QDir().mkpath(wf));
    auto make = [](const QString &file, const QByteArray &data = "x") {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    };
    QProcess gone;
    gone.start("/bin/true");
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    const QString dead = wf + "/" + QString::number(deadPid);
    ASSERT_TRUE(make(dead + "/~ta1.docx") && make(dead + "/~ta2/page.htm"));
    ASSERT_TRUE(make(outside.path() + "/keep.txt"));
    ASSERT_TRUE(QFile::link(outside.path(), dead + "/out"));
    const QString alive = wf + "/" + QString::number(QCoreApplication::applicationPid());
    ASSERT_TRUE(make(alive + "/~ta3.docx"));
    const QString reused = wf + "/1"; // a live process, but not the one that made the folder
    ASSERT_TRUE(make(reused + "/.started", "not its start time\n"));
    ASSERT_TRUE(make(wf + "/notes.txt") && make(wf + "/0123/kept"));
    // A run starting at this moment: its mark is still being written.
    QProcess starting;
    starting.start("/bin/sleep", {"60"});
    ASSERT_TRUE(starting.waitForStarted());
    const QString marking = wf + "/" + QString::number(starting.processId());
    ASSERT_TRUE(make(marking + "/.started", "") && make(marking + "/~ta4.docx"));

    QProcess p;
    p.setProcessEnvironment(runEnvironment(temp.path()));
    p.start(kProgram, {"--build", work.path() + "/none.tvp"});
    ASSERT_TRUE(p.waitForStarted());
    const qint64 runPid = p.processId();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);

    EXPECT_FALSE(QFileInfo::exists(dead)) << "a dead run's folder";
    EXPECT_FALSE(QFileInfo::exists(reused)) << "a folder whose process id was taken by another program";
    EXPECT_TRUE(QFileInfo::exists(outside.path() + "/keep.txt")) << "a link was followed";
    EXPECT_TRUE(QFileInfo::exists(alive + "/~ta3.docx")) << "a running process's folder";
    EXPECT_TRUE(QFileInfo::exists(marking + "/~ta4.docx")) << "a starting run's folder";
    starting.kill();
    starting.waitForFinished();
    EXPECT_TRUE(QFileInfo::exists(wf + "/notes.txt") && QFileInfo::exists(wf + "/0123/kept"));
    EXPECT_FALSE(QFileInfo::exists(wf + "/" + QString::number(runPid))) << "the run's own folder";
    EXPECT_EQ(QFileInfo(wf).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class RefusedWorkingFolder : public ::testing::TestWithParam<const char *>
{
};

// A working folder planted by somebody else is never used: the build stops before it writes.
TEST_P(RefusedWorkingFolder, StopsTheBuildBeforeAnythingIsWritten)
{
    const QString kind = GetParam();
    QTemporaryDir work, temp, runtime;
    const QString tvp = makeProject(work.path() + "/p", "styles.docx", true, true, false);
    const QString wf = workingFolderIn(temp.path());
    const QString elsewhere = temp.path() + "/elsewhere";
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    QProcessEnvironment env = runEnvironment(temp.path());
    QString why;
    if (kind == "link") {
        ASSERT_TRUE(QFile::link(elsewhere, wf));
        // A session runtime folder that others may read is not used either.
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        why = "symbolic link";
    } else {
        ASSERT_TRUE(QDir().mkdir(wf));
        ASSERT_EQ(::chown(QFile::encodeName(wf).constData(), 65534, 65534), 0);
        why = "belongs to another user";
    }
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(kProgram, {"--build", tvp});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(err.contains("The working folder \"" + wf + "\" cannot be used") && err.contains(why)) << err.toStdString();
    EXPECT_EQ(entriesUnder(elsewhere), QStringList());
    EXPECT_EQ(entriesUnder(runtime.path()), QStringList());
    EXPECT_EQ(entriesUnder(kind == "link" ? elsewhere : wf), QStringList());
    EXPECT_FALSE(QFileInfo::exists(work.path() + "/p/HTML help"));
    EXPECT_FALSE(QFileInfo::exists(work.path() + "/p/WebHelp"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, RefusedWorkingFolder, ::testing::Values("link", "foreign"),
                         [](const auto &info) { return std::string(info.param); });
