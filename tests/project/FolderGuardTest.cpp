// The guard in front of every folder and file a build deletes: system and user folders, the
// project's own files, the other outputs of the build, links and "..", and unsaved projects.
#include "project/FolderGuard.h"
#include "ProjectTestSupport.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/functions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;
using ::testing::HasSubstr;

namespace {

class FolderGuardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        base = TFolderGuard::CanonicalPath(dir.path());
        root = base + "/proj/";
        QDir().mkpath(root);
        project.RootDir = root;
        project.ProjectFilename = root + "help.tvp";
        project.SourceFile = "<Project_Folder>/help.docx";
        WriteBytes(root + "help.tvp", "x");
        WriteBytes(root + "help.docx", "x");
        project.OutputHHP = true;
    }
    // The refusal message of a folder, empty when it may go.
    QString refusal(const QString &folder, TGuardedOutput owner = TGuardedOutput::HHPFolder)
    {
        return TFolderGuard(project).FolderRefusal(folder, owner);
    }
    QTemporaryDir dir;
    QString base, root;
    TProject project;
};

} // namespace

TEST_F(FolderGuardTest, RefusesSystemAndUserFolders)
{
    const QString home = QDir::homePath();
    const QString docs = GetSpecialFolder(5);
    const QString install = GetInstallFolder();
    for (const QString &f : QStringList{QString(), QString("  "), QString("/"), QString("/usr"), QString("/tmp/"), QString("/etc/../var"),
                             home, home + "/", QFileInfo(home).absolutePath(), docs, install, install + "templates",
                             QFileInfo(install).absolutePath() + "/", QDir::tempPath(), root, base, root + "x/../"}) {
        EXPECT_FALSE(refusal(f).isEmpty()) << f.toStdString();
    }
    // The message names the folder it refuses.
    EXPECT_THAT(refusal(home).toStdString(), HasSubstr(home.toStdString()));
    EXPECT_THROW(TFolderGuard(project).CheckFolder("/usr"), Exception);

    // A link that leads to the home folder is judged by where it leads.
    const QString link = base + "/link-home";
    ASSERT_TRUE(QFile::link(home, link));
    EXPECT_FALSE(refusal(link).isEmpty());
    EXPECT_FALSE(refusal(link + "/").isEmpty());
    // ".." is resolved after the link, as the file system does: link/.. is the home's parent.
    EXPECT_FALSE(refusal(link + "/Documents/../").isEmpty());

    // Ordinary output folders pass, existing or not.
    EXPECT_EQ(refusal(root + "HTML help project/"), "");
    EXPECT_EQ(refusal(base + "/elsewhere/deep/"), "");
    const QString made = NewTempFolderName();
    EXPECT_EQ(refusal(made), "");
    DeleteFolder(made);
}

TEST_F(FolderGuardTest, RefusesFoldersHoldingProjectFilesOrOtherOutputs)
{
    // The source document outside the project folder.
    const QString docs = base + "/docs/";
    QDir().mkpath(docs);
    WriteBytes(docs + "manual.docx", "x");
    project.SourceFile = docs + "manual.docx";
    EXPECT_THAT(refusal(docs).toStdString(), HasSubstr("source document"));
    EXPECT_THAT(refusal(base + "/docs").toStdString(), HasSubstr(docs.toStdString()));

    // The WebHelp folder inside the HTML Help project folder would be wiped with it.
    project.HHPFolder = "<Project_Folder>/out/";
    project.WebHelpOutputFolder = "<Project_Folder>/out/web/";
    EXPECT_THAT(refusal(root + "out/").toStdString(), HasSubstr("WebHelp"));
    // A folder's own setting is not "another output".
    EXPECT_EQ(refusal(root + "out/web/", TGuardedOutput::WebHelpFolder), "");
    // Two outputs on one folder: each refuses the other.
    project.WebHelpOutputFolder = "<Project_Folder>/out/";
    EXPECT_FALSE(refusal(root + "out/", TGuardedOutput::WebHelpFolder).isEmpty());
    EXPECT_FALSE(refusal(root + "out/", TGuardedOutput::HHPFolder).isEmpty());
    // An output the build does not make is not protected.
    project.WebHelpOutput = false;
    EXPECT_EQ(refusal(root + "out/"), "");
    // The compiled file inside the folder.
    project.CompiledFile = "<Project_Folder>/out/help.chm";
    EXPECT_THAT(refusal(root + "out/").toStdString(), HasSubstr("compiled help file"));

    // Extra protected paths.
    project.CompiledFile = "<Project_Folder>/HTML help/help.chm";
    TFolderGuard guard(project);
    guard.Protect(root + "out/keep.docx");
    EXPECT_FALSE(guard.FolderRefusal(root + "out", TGuardedOutput::HHPFolder).isEmpty());
    EXPECT_EQ(guard.FolderRefusal(root + "other", TGuardedOutput::HHPFolder), "");
}

TEST_F(FolderGuardTest, FilesAreCheckedByExtensionAndIdentity)
{
    TFolderGuard guard(project);
    EXPECT_EQ(guard.FileRefusal(root + "HTML help/help.chm", TGuardedOutput::CompiledFile), "");
    EXPECT_EQ(guard.FileRefusal(root + "HTML help/HELP.CHM", TGuardedOutput::CompiledFile), "");
    EXPECT_EQ(guard.FileRefusal(root + "PDF/help.pdf", TGuardedOutput::PDFFile), "");
    EXPECT_THAT(guard.FileRefusal(root + "help.docx", TGuardedOutput::CompiledFile).toStdString(), HasSubstr(".chm"));
    EXPECT_THAT(guard.FileRefusal(root + "help.chm.docx", TGuardedOutput::PDFFile).toStdString(), HasSubstr(".pdf"));
    EXPECT_FALSE(guard.FileRefusal(root + ".chm/", TGuardedOutput::CompiledFile).isEmpty());
    EXPECT_FALSE(guard.FileRefusal("", TGuardedOutput::PDFFile).isEmpty());
    // The project file and the source document, by name, through ".." or through a link.
    EXPECT_THAT(guard.FileRefusal(root + "help.tvp", TGuardedOutput::ContextFile).toStdString(), HasSubstr("project file"));
    EXPECT_THAT(guard.FileRefusal(root + "sub/../help.docx", TGuardedOutput::ContextFile).toStdString(), HasSubstr("source document"));
    ASSERT_TRUE(QFile::link(root + "help.docx", root + "trap.chm"));
    EXPECT_THAT(guard.FileRefusal(root + "trap.chm", TGuardedOutput::CompiledFile).toStdString(), HasSubstr("source document"));
    // A dangling link is judged by its target.
    ASSERT_TRUE(QFile::link(root + "help.tvp.gone/../help.tvp", root + "dangling.pdf"));
    QFile::remove(root + "help.tvp.gone");
    EXPECT_EQ(TFolderGuard::CanonicalPath(root + "dangling.pdf"), TFolderGuard::CanonicalPath(root + "help.tvp.gone/../help.tvp"));
    EXPECT_THROW(guard.CheckFile(root + "help.docx", TGuardedOutput::CompiledFile), Exception);
    EXPECT_NO_THROW(guard.CheckFile(root + "HTML help/help.chm", TGuardedOutput::CompiledFile));
}

TEST_F(FolderGuardTest, UnsavedProjectsWithProjectFolderPathsCannotBuild)
{
    EXPECT_NO_THROW(TFolderGuard::CheckSaved(project));
    project.RootDir.clear();
    try {
        TFolderGuard::CheckSaved(project);
        FAIL() << "no refusal";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Save the project first: its output paths depend on the project folder.");
    }
    // Only the outputs the build makes count, in any letter case of the macro.
    project.HtmlHelpOutput = project.WebHelpOutput = project.PDFOutput = false;
    EXPECT_NO_THROW(TFolderGuard::CheckSaved(project));
    project.PDFOutput = true;
    project.PDFFile = base + "/out.pdf";
    EXPECT_NO_THROW(TFolderGuard::CheckSaved(project));
    project.PDFFile = "<project_folder>/out.pdf";
    EXPECT_THROW(TFolderGuard::CheckSaved(project), Exception);
}
