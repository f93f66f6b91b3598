// The shared seams: string list rules, rounding, the message interface across threads, the
// confinement of outside names, and the faulty file system.
#include "support/ScriptedMessages.h"
#include "support/TestDoubles.h"
#include "text/Confine.h"
#include "text/Exceptions.h"
#include "text/Round.h"
#include "text/StringList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavrel;
using namespace tavrel::test;

TEST(StringList, SortedListsApplyTheDuplicateRuleAndFindIgnoresCase)
{
    TStringList l;
    l.SetSorted(true);
    l.Add("pear");
    l.Add("Apple");
    EXPECT_EQ(l.Add("apple"), 0); // dupIgnore: the line already there
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l[0], "Apple");
    l.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(l.Add("PEAR"), Exception);
    l.SetDuplicates(TDuplicates::dupAccept);
    l.Add("PEAR");
    EXPECT_EQ(l.ToStringList(), (QStringList{"Apple", "pear", "PEAR"}));
    int idx = -1;
    EXPECT_TRUE(l.Find("APPLE", idx));
    EXPECT_EQ(idx, 0);
    EXPECT_FALSE(l.Find("banana", idx));
    EXPECT_EQ(idx, 1);
    EXPECT_THROW(l.Insert(0, "x"), Exception);

    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("apple"), -1);
    EXPECT_EQ(l.IndexOf("Apple"), 0);
}

TEST(StringList, NameValueLinesTextAndOwnedObjects)
{
    struct Counted : TObject
    {
        int *alive;
        explicit Counted(int *a) : alive(a) { ++*alive; }
        ~Counted() override { --*alive; }
    };
    int alive = 0;
    {
        TStringList l;
        l.SetText("a=1\r\nB=2\nc\rd=x=y");
        EXPECT_EQ(l.Count(), 4);
        EXPECT_EQ(l.Values("b"), "2");
        EXPECT_EQ(l.Values("d"), "x=y");
        EXPECT_EQ(l.Names(2), "");
        l.SetValue("a", "9");
        l.SetValue("new", "n");
        l.SetValue("B", "");
        EXPECT_EQ(l.Text(), "a=9\r\nc\r\nd=x=y\r\nnew=n\r\n");
        l.AddObject("obj", std::make_unique<Counted>(&alive));
        EXPECT_EQ(alive, 1);
        TStringList copy = l; // copies lines, not objects
        EXPECT_EQ(copy.Objects(copy.Count() - 1), nullptr);
        l.Delete(l.Count() - 1);
        EXPECT_EQ(alive, 0);
        l.AddObject("obj2", std::make_unique<Counted>(&alive));
    }
    EXPECT_EQ(alive, 0);
}

TEST(StringList, CollationKeepsCaseVariantsApartWithLowerFirst)
{
    QStringList words{"banana", "Apple", "apple", "APPLE", "apricot"};
    TStringList l(words);
    l.CustomSort(CollationCompare);
    EXPECT_EQ(l.ToStringList(), (QStringList{"apple", "Apple", "APPLE", "apricot", "banana"}));
}

TEST(Round, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(13.3333), 13);
}

TEST(Messages, ScriptedAnswersReachAWorkerThread)
{
    TScriptedMessages script;
    script.ExpectQuestion(mbRetry);
    script.ExpectFileName("/tmp/other.htm");
    TMsgButton answer = mbNone;
    QString name;
    QThread *t = QThread::create([&] {
        answer = Messages().Ask("File is locked", mbAbort | mbRetry, TMsgIcon::Warning);
        Messages().ShowError("it failed");
        name = Messages().AskSaveFileName("/tmp/a.htm", "Web Page (*.htm)", "Save");
    });
    t->start();
    ASSERT_TRUE(t->wait(10000));
    delete t;
    EXPECT_EQ(answer, mbRetry);
    EXPECT_EQ(name, "/tmp/other.htm");
    EXPECT_EQ(script.Questions(), QStringList{"File is locked"});
    EXPECT_EQ(script.Errors(), QStringList{"it failed"});
    EXPECT_TRUE(script.AllAnswersUsed());
}

TEST(Messages, HeadlessAnswersCarefullyAndNeverAsksForNames)
{
    THeadlessMessages h;
    EXPECT_EQ(h.Ask("q", mbAbort | mbRetry, TMsgIcon::Warning), mbAbort);
    EXPECT_EQ(h.Ask("q", mbYes | mbNo | mbCancel, TMsgIcon::Question), mbCancel);
    EXPECT_EQ(h.Ask("q", mbYes | mbNo, TMsgIcon::Question), mbNo);
    EXPECT_EQ(h.AskSaveFileName("/x.htm", "", ""), QString());
}

TEST(Confine, RefusesEveryKindOfEscape)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    EXPECT_EQ(ConfinePath(root, "a/b.htm"), root + "/a/b.htm");
    EXPECT_EQ(ConfinePath(root, "images\\logo.gif"), root + "/images/logo.gif");
    EXPECT_EQ(ConfinePath(root, "./x.css"), root + "/x.css");

    for (const char *bad : {"", "../x", "a/../../x", "a\\..\\b", "/etc/passwd", "\\etc\\x", "C:x.htm", "c:\\w\\x", "..", "./"}) {
        EXPECT_FALSE(IsConfinedName(root, bad)) << bad;
        EXPECT_THROW(ConfinePath(root, bad), Exception) << bad;
    }
    try {
        ConfinePath(root, "../evil.htm");
        FAIL();
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("../evil.htm"));
    }

    // A link under the folder that points out of it is not a way out.
    QTemporaryDir outside;
    ASSERT_TRUE(QFile::link(outside.path(), root + "/out"));
    EXPECT_THROW(ConfinePath(root, "out/x.htm"), Exception);
    ASSERT_TRUE(QFile::link(outside.path() + "/f.txt", root + "/dangling"));
    EXPECT_THROW(ConfinePath(root, "dangling"), Exception);
    // A link that stays inside is fine.
    QDir(root).mkdir("real");
    ASSERT_TRUE(QFile::link(root + "/real", root + "/inside"));
    EXPECT_NO_THROW(ConfinePath(root, "inside/x.htm"));
}

TEST(FileSystemSeam, InjectedFailuresHitOnlyTheirPaths)
{
    QTemporaryDir dir;
    const QString locked = dir.path() + "/locked";
    QDir().mkpath(locked);
    TFaultyFileSystem fs;
    fs.Fail(locked, TFaultyFileSystem::opWrite | TFaultyFileSystem::opRemove);
    EXPECT_FALSE(FileSystem().WriteFile(locked + "/a.txt", "x"));
    EXPECT_TRUE(FileSystem().WriteFile(dir.path() + "/b.txt", "x"));
    EXPECT_FALSE(FileSystem().RemoveFolder(locked));
    EXPECT_TRUE(QDir(locked).exists());
    EXPECT_TRUE(FileSystem().CanOpenRead(dir.path() + "/b.txt"));
    EXPECT_EQ(fs.calls.size(), 4);
}

// Writing and rewriting in place leave exactly the new bytes whether they are longer or shorter
// than the old ones; a missing file is made; a FIFO is neither waited on nor written into, and a
// rewrite does not write through a link.
TEST(FileSystemSeam, RewritingAFileLeavesExactlyTheNewBytes)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/page.htm";
    ASSERT_FALSE(QFile::exists(file));
    QRandomGenerator r(19);
    for (int round = 0; round < 40; ++round) {
        QByteArray data(int(r.bounded(1, 20000)), Qt::Uninitialized);
        for (char &c : data)
            c = char(r.bounded(256));
        ASSERT_TRUE(round % 3 ? FileSystem().RewriteFile(file, data) : FileSystem().WriteFile(file, data));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        ASSERT_EQ(f.readAll(), data) << round;
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path() + "/fifo").constData(), 0600), 0);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(FileSystem().RewriteFile(dir.path() + "/fifo", "x"));
    EXPECT_FALSE(FileSystem().WriteFile(dir.path() + "/fifo", "x"));
    EXPECT_FALSE(FileSystem().CanOpenWrite(dir.path() + "/fifo"));
    EXPECT_TRUE(FileSystem().CanOpenWrite(dir.path() + "/not-yet.htm"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/not-yet.htm"));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(QFileInfo(dir.path() + "/fifo").isFile() == false && QFileInfo::exists(dir.path() + "/fifo"));
    // A link in place of the page is not written through.
    QTemporaryDir outside;
    QFile keep(outside.path() + "/keep.txt");
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly) && keep.write("kept") == 4);
    keep.close();
    ASSERT_TRUE(QFile::link(keep.fileName(), dir.path() + "/linked.htm"));
    EXPECT_FALSE(FileSystem().RewriteFile(dir.path() + "/linked.htm", "overwritten"));
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), "kept");
}

TEST(FileSystemSeam, RemovingAFolderNeverFollowsALinkOut)
{
    QTemporaryDir dir, outside;
    QFile keep(outside.path() + "/keep.txt");
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    QDir().mkpath(dir.path() + "/victim/sub");
    ASSERT_TRUE(QFile::link(outside.path(), dir.path() + "/victim/sub/link"));
    EXPECT_TRUE(FileSystem().RemoveFolder(dir.path() + "/victim"));
    EXPECT_FALSE(QDir(dir.path() + "/victim").exists());
    EXPECT_TRUE(QFile::exists(outside.path() + "/keep.txt"));
}
