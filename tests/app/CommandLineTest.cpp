// What the program makes of its command line.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace tavrel;
using Mode = TCommandLine::Mode;

TEST(CommandLine, ProjectSilentBuildAndHeadlessBuild)
{
    TCommandLine cl = TCommandLine::Parse({});
    EXPECT_EQ(cl.mode, Mode::Desktop);
    EXPECT_TRUE(cl.projectFile.isEmpty());

    cl = TCommandLine::Parse({"help project.tvp"});
    EXPECT_EQ(cl.mode, Mode::Desktop);
    EXPECT_EQ(cl.projectFile, "help project.tvp");
    EXPECT_FALSE(cl.silentBuild);

    cl = TCommandLine::Parse({"x.tvp", "/B"});
    EXPECT_EQ(cl.mode, Mode::Desktop);
    EXPECT_TRUE(cl.silentBuild);

    cl = TCommandLine::Parse({"--build", "x.tvp", "--yes"});
    EXPECT_EQ(cl.mode, Mode::Build);
    EXPECT_EQ(cl.projectFile, "x.tvp");
    EXPECT_TRUE(cl.yes);
    EXPECT_FALSE(cl.replaceUnrecorded) << "--yes does not cover replacing what the program did not write";
    cl = TCommandLine::Parse({"--replace-unrecorded", "--build", "x.tvp"});
    EXPECT_EQ(cl.mode, Mode::Build);
    EXPECT_TRUE(cl.replaceUnrecorded);
    EXPECT_TRUE(TCommandLine::HelpText().contains("--replace-unrecorded"));

    EXPECT_EQ(TCommandLine::Parse({"--version"}).mode, Mode::Version);
    EXPECT_EQ(TCommandLine::Parse({"x.tvp", "--help"}).mode, Mode::Help);
}

TEST(CommandLine, MistakesAreErrorsWithAReason)
{
    for (const QStringList &args : {QStringList{"--build"}, QStringList{"/b"}, QStringList{"--frobnicate"},
                                    QStringList{"a.tvp", "b.tvp"}}) {
        TCommandLine cl = TCommandLine::Parse(args);
        EXPECT_EQ(cl.mode, Mode::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(cl.error.isEmpty());
    }
    EXPECT_TRUE(TCommandLine::HelpText().contains("--build"));
    EXPECT_TRUE(TCommandLine::HelpText().contains("/b"));
}

TEST(CommandLine, HelpFileToDocumentWithTheWritersOptions)
{
    TCommandLine cl = TCommandLine::Parse({"--chm2doc", "old.chm", "new.pdf", "--toc", "--cover", "--title-numbers", "--page-breaks", "top", "--yes"});
    EXPECT_EQ(cl.mode, Mode::Chm2Doc);
    EXPECT_EQ(cl.helpFile, "old.chm");
    EXPECT_EQ(cl.outputFile, "new.pdf");
    EXPECT_TRUE(cl.toc && cl.cover && cl.titleNumbers && cl.yes);
    EXPECT_EQ(cl.pageBreaks, 1);
    cl = TCommandLine::Parse({"--chm2doc", "old.chm", "new.docx"});
    EXPECT_FALSE(cl.toc || cl.cover || cl.titleNumbers || cl.yes);
    EXPECT_EQ(cl.pageBreaks, 0);
    for (const QStringList &args : {QStringList{"--chm2doc", "old.chm"}, QStringList{"--chm2doc", "a.chm", "b.docx", "c"},
                                    QStringList{"--chm2doc", "a.chm", "b.docx", "--page-breaks", "some"},
                                    QStringList{"--build", "x.tvp", "--toc"}})
        EXPECT_EQ(TCommandLine::Parse(args).mode, Mode::Error) << args.join(' ').toStdString();
    EXPECT_TRUE(TCommandLine::HelpText().contains("--chm2doc HELP.chm OUT"));
    EXPECT_TRUE(TCommandLine::HelpText().contains("--page-breaks"));
}
