// Whole builds of a small document that fail at every step the file system can fail at: a full
// disk at each data write, each rename, a file that vanishes before it is copied, read-only
// folders. Every failed build must say so, leave the previous outputs byte for byte, and leave
// no private folder behind.
#include "build/BuildProject.h"
#include "project/ProjectSetting.h"
#include "project/ProjectTestSupport.h"
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "word/DocxBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// A PDF of one empty page, with a correct cross-reference table.
QByteArray tinyPdf()
{
    QByteArray out = "%PDF-1.4\n";
    const char *objects[] = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
    QList<qsizetype> offsets;
    for (int i = 0; i < 3; ++i) {
        offsets << out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 4\n0000000000 65535 f \n";
    for (qsizetype o : offsets)
        out += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

// Everything a build must leave as it was: the project folder, the previous outputs of all
// kinds (compiled file, kept HTML Help project, context file, WebHelp folder, PDF) and the
// absence of anything else (private folders, lock file).
struct TProjectUnderTest
{
    QTemporaryDir dir;
    QString root, bin, source;
    QByteArray document;
    TProject project;
    std::unique_ptr<TEnvOverride> path, temp;

    TProjectUnderTest()
    {
        const QString base = QFileInfo(dir.path()).canonicalFilePath();
        root = base + "/project/";
        bin = base + "/bin/";
        QDir().mkpath(root);
        QDir().mkpath(base + "/tmp");
        QDir().mkpath(bin);
        // The export stands in for the office suite: a fixed PDF, at once.
        WriteBytes(bin + "fake.pdf", tinyPdf());
        WriteBytes(bin + "soffice",
                   "#!/bin/sh\nout=; last=\nwhile [ $# -gt 0 ]; do case \"$1\" in --outdir) out=\"$2\"; shift;; *) last=\"$1\";; esac; shift; done\n"
                   "b=$(basename \"$last\"); cp \"$(dirname \"$0\")/fake.pdf\" \"$out/${b%.*}.pdf\"\n");
        QFile::setPermissions(bin + "soffice", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        path = std::make_unique<TEnvOverride>("PATH", bin.chopped(1) + ":" + qEnvironmentVariable("PATH"));
        // The build's own working files (the copy of the document) stay inside this test.
        temp = std::make_unique<TEnvOverride>("TMPDIR", base + "/tmp");

        const QString picture = "<w:r><w:drawing><wp:inline><wp:extent cx=\"952500\" cy=\"476250\"/><wp:docPr id=\"1\" name=\"P1\" descr=\"Logo\"/>"
                                "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
                                "<pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
        document = TDocxBuilder()
                       .Styles("<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>"
                               "<w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>")
                       .Relationship("rImg", "image", "media/image1.png")
                       .Entry("word/media/image1.png", TDocxBuilder::Png(4, 4))
                       .Body(P("Start", "Heading1") + "<w:p>" + R("Welcome ") + picture + "</w:p>" + P("More", "Heading1") + P("Text"))
                       .Build();
        source = root + "doc.docx";
        WriteBytes(source, document);

        project.ProjectFilename = root + "help.tvp";
        project.RootDir = root;
        project.IsNew = false;
        WriteBytes(project.ProjectFilename, Utf16File("[GENERAL]\r\n"));
        project.SourceFile = "<Project_Folder>/doc.docx";
        project.HtmlHelpOutput = project.WebHelpOutput = project.PDFOutput = true;
        project.OutputHHP = true;
        project.HtmlHelpOutputContext = true;
    }

    TBuildReport build()
    {
        if (ReadBytes(source) != document)
            WriteBytes(source, document); // a vanishing file may have been the source itself
        TThreadBuildRunner runner;
        TBuildOptions options;
        options.Headless = true;
        options.Yes = true;
        return BuildProject(project, runner, options);
    }

    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            out.insert(f.mid(root.size()), QFileInfo(f).isDir() ? QByteArray("<folder>") : ReadBytes(f));
        }
        return out;
    }
};

// Which outputs a set of files holds, so a failure report says what broke.
QStringList differences(const QMap<QString, QByteArray> &want, const QMap<QString, QByteArray> &got)
{
    QStringList out;
    for (auto it = want.begin(); it != want.end(); ++it)
        if (!got.contains(it.key()))
            out << "missing " + it.key();
        else if (got[it.key()] != it.value())
            out << "changed " + it.key();
    for (auto it = got.begin(); it != got.end(); ++it)
        if (!want.contains(it.key()))
            out << "new " + it.key();
    return out;
}

struct TFaultCase
{
    const char *name;
    TInjectingFileSystem::Kind kind;
};
void PrintTo(const TFaultCase &c, std::ostream *os) { *os << c.name; }

class FailedBuild : public ::testing::TestWithParam<TFaultCase>
{
};

} // namespace

TEST_P(FailedBuild, KeepsThePreviousOutputsAtEveryStep)
{
    if (QStandardPaths::findExecutable("chmcmd").isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    TScriptedMessages messages;
    TProjectUnderTest t;
    TBuildReport first = t.build();
    ASSERT_EQ(first.Result, TBuildReport::Completed) << first.Message.toStdString();
    // A second build replaces every output: its steps are those counted.
    int steps = 0;
    {
        TInjectingFileSystem counting;
        counting.within = QFileInfo(t.dir.path()).canonicalFilePath();
        TBuildReport second = t.build();
        ASSERT_EQ(second.Result, TBuildReport::Completed) << second.Message.toStdString();
        const TInjectingFileSystem::Kind kind = GetParam().kind;
        steps = kind == TInjectingFileSystem::DiskFull ? counting.dataWrites
            : kind == TInjectingFileSystem::RenameFails ? counting.renames
                                                        : counting.copies;
    }
    const auto previous = t.files();
    for (const char *out : {"HTML help/help.chm", "HTML help/context.cs", "HTML help project/help.hhp", "WebHelp/index.html",
                            "WebHelp/pages/start.html", "WebHelp/pages/doc_files/image001.png", "PDF/help.pdf"})
        ASSERT_TRUE(previous.contains(out)) << out << " is not among " << QStringList(previous.keys()).join(", ").toStdString();
    ASSERT_GT(steps, 0);
    // The kept project names the help file it builds, not the private place it was compiled in.
    EXPECT_TRUE(previous["HTML help project/help.hhp"].contains(("\r\nCompiled file=" + t.root + "HTML help/help.chm\r\n").toUtf8()));

    for (int n = 1; n <= steps; ++n) {
        TBuildReport r;
        bool injected = false;
        {
            TInjectingFileSystem fs(GetParam().kind, n);
            fs.within = QFileInfo(t.dir.path()).canonicalFilePath();
            r = t.build();
            injected = fs.injected;
        }
        if (!injected)
            continue; // an earlier failure ended this run before step n
        if (ReadBytes(t.source) != t.document)
            WriteBytes(t.source, t.document); // the vanished file was the document itself
        EXPECT_NE(r.Result, TBuildReport::Completed) << GetParam().name << " at step " << n << " was reported as a success";
        EXPECT_TRUE(differences(previous, t.files()).isEmpty())
            << GetParam().name << " at step " << n << ": " << differences(previous, t.files()).join(", ").toStdString()
            << "\n" << r.Message.toStdString();
    }
    // Nothing broke for good: the next build succeeds.
    EXPECT_EQ(t.build().Result, TBuildReport::Completed);
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedBuild,
                         ::testing::Values(TFaultCase{"a full disk", TInjectingFileSystem::DiskFull},
                                           TFaultCase{"a failing rename", TInjectingFileSystem::RenameFails},
                                           TFaultCase{"a vanishing file", TInjectingFileSystem::Vanishes}),
                         [](const auto &info) { return std::string(info.param.kind == TInjectingFileSystem::DiskFull ? "DiskFull"
                                                                   : info.param.kind == TInjectingFileSystem::RenameFails ? "RenameFails"
                                                                                                                        : "Vanishes"); });

TEST(FailedBuild, ReadOnlyFoldersAndAFailingCompilerEndTheBuildBeforeAnythingIsReplaced)
{
    if (QStandardPaths::findExecutable("chmcmd").isEmpty())
        GTEST_SKIP() << "chmcmd is not installed";
    TScriptedMessages messages;
    TProjectUnderTest t;
    ASSERT_EQ(t.build().Result, TBuildReport::Completed);
    const auto previous = t.files();
    // Each output's folder, and each folder an output is made in, read-only in turn.
    for (const char *folder : {"HTML help", "HTML help project", "WebHelp", "PDF"}) {
        TFaultyFileSystem fs;
        fs.Fail(t.root + folder, TFaultyFileSystem::opAll);
        TBuildReport r = t.build();
        EXPECT_EQ(r.Result, TBuildReport::Failed) << folder;
        EXPECT_TRUE(differences(previous, t.files()).isEmpty()) << folder << ": " << differences(previous, t.files()).join(", ").toStdString();
    }
    // A compiler that crashes halfway through the help file, or leaves one nobody can read.
    for (const char *end : {"exit 1", "exit 0"}) {
        WriteBytes(t.bin + "chmcmd", QByteArray("#!/bin/sh\nf=$(sed -n 's/^Compiled file=//p' \"$1\" | tr -d '\\r')\n"
                                                "echo half > \"$f\"\n") + end + "\n");
        QFile::setPermissions(t.bin + "chmcmd", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        TBuildReport r = t.build();
        EXPECT_EQ(r.Result, TBuildReport::Failed) << end;
        EXPECT_TRUE(r.Message.contains("chmcmd")) << r.Message.toStdString();
        EXPECT_TRUE(differences(previous, t.files()).isEmpty()) << end << ": " << differences(previous, t.files()).join(", ").toStdString();
    }
}
