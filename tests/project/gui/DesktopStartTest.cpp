// The program itself started as "tavrel FILE.tvp /b": it opens the project in the main window,
// builds it without the completion message and closes the window by itself.
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;

TEST(DesktopStart, SilentBuildOpensBuildsAndCloses)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(TAVREL_FIXTURES_DIR "/word/styles.docx", dir.filePath("doc.docx")));
    TProject p;
    p.Title = "Silent";
    p.SourceFile = "<Project_Folder>/doc.docx";
    p.WebHelpOutput = false;
    p.PDFOutput = false;
    p.SaveToIni(dir.filePath("silent.tvp"));

    // A real display when Xvfb is there, else the offscreen platform.
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("home/.config"));
    const QString program = QStringLiteral(TAVREL_BINARY_DIR "/bin/tavrel");
    QStringList args{dir.filePath("silent.tvp"), "/b"};
    const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
    if (!xvfb.isEmpty()) {
        env.insert("QT_QPA_PLATFORM", "xcb");
        run.setProcessEnvironment(env);
        run.start(xvfb, QStringList{"-a", program} + args);
    } else {
        env.insert("QT_QPA_PLATFORM", "offscreen");
        run.setProcessEnvironment(env);
        run.start(program, args);
    }
    ASSERT_TRUE(run.waitForStarted());
    const bool ended = run.waitForFinished(240000);
    if (!ended)
        run.kill();
    ASSERT_TRUE(ended) << "the window did not close after the build";
    EXPECT_EQ(run.exitCode(), 0) << run.readAll().toStdString();
    EXPECT_GT(QFileInfo(dir.filePath("HTML help/help.chm")).size(), 0);
    // The build kept the project as it was: nothing to save, nothing asked.
    TProject after;
    after.ReadFromIni(dir.filePath("silent.tvp"));
    EXPECT_EQ(after.Title, QStringLiteral("Silent"));
}
