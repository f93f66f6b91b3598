// The desktop's view of the program: the file type of projects, as the shared MIME database
// (through Qt's reader of it) sees it once the package's type is installed.
#include "project/ProjectTestSupport.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel::test;

namespace {
const char *const kProjectType = "application/x-tavrel-project";
}

TEST(DesktopIntegration, ProjectFilesAreKnownByNameAndByTheirStart)
{
    // The type as the package installs it, in a private data folder that comes before the
    // system's. Every test runs in its own process, so the database is read fresh here.
    QTemporaryDir share;
    ASSERT_TRUE(QDir(share.path()).mkpath("mime/packages"));
    ASSERT_TRUE(QFile::copy(TAVREL_SOURCE_DIR "/packaging/org.tavrel.Tavrel.mime.xml",
                            share.filePath("mime/packages/org.tavrel.Tavrel.xml")));
    TEnvOverride home("XDG_DATA_HOME", share.path());
    QMimeDatabase db;

    const QString sample = TAVREL_SOURCE_DIR "/data/sample/sample.tvp";
    EXPECT_EQ(db.mimeTypeForFile(sample).name(), kProjectType);

    // By content alone (a project saved under another name, or sent without one): the file the
    // program writes, the shipped sample, and copies edited on Linux in UTF-8.
    const QByteArray written = ReadBytes(TAVREL_SOURCE_DIR "/tests/golden/project/new.tvp");
    ASSERT_FALSE(written.isEmpty());
    const QByteArray utf8 = "[GENERAL]\r\nSourceFile=<Project_Folder>/a.docx\r\n";
    const QList<QByteArray> projects{written, ReadBytes(sample), utf8, QByteArray("\xEF\xBB\xBF") + utf8};
    for (const QByteArray &bytes : projects) {
        EXPECT_EQ(db.mimeTypeForData(bytes).name(), kProjectType) << bytes.left(24).toHex().constData();
        QTemporaryDir dir;
        WriteBytes(dir.filePath("project"), bytes);
        EXPECT_EQ(db.mimeTypeForFile(dir.filePath("project")).name(), kProjectType) << "a file without an extension";
    }

    // Other INI files and text stay what they are; the name alone is enough for a file not read.
    EXPECT_NE(db.mimeTypeForData(QByteArray("[Desktop Entry]\nName=x\n")).name(), kProjectType);
    EXPECT_NE(db.mimeTypeForData(QByteArray("\xFF\xFE[\0O\0t\0", 8)).name(), kProjectType);
    EXPECT_TRUE(db.mimeTypeForName(kProjectType).inherits("text/plain"));
    EXPECT_EQ(db.mimeTypeForFile("new.tvp", QMimeDatabase::MatchExtension).name(), kProjectType);
}
