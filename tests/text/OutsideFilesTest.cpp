// What the program reads from outside its own folders: only regular files of bounded size
// (never a FIFO, a device or a socket, and without hanging on one), and, for what a build
// carries into its outputs, only files below the allowed folders, judged by where the opened
// file really is.
#include "text/FileSystem.h"
#include "text/OutsideFiles.h"
#include "text/functions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tavrel;

namespace {

void write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

// Fault: a linked picture that was a FIFO hung the build, /dev/zero was read until memory ran
// out. Every reader of outside files ends at once on them, and a file over the limit is refused.
TEST(OutsideFilesSpecial, FifoDeviceSocketFolderAndOversizedFilesAreRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString socketPath = dir.filePath("s.sock");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, QFile::encodeName(socketPath).constData(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    const QString linkToZero = dir.filePath("zero.png");
    ASSERT_TRUE(QFile::link("/dev/zero", linkToZero));
    write(dir.filePath("big.bin"), QByteArray(4096, 'x'));

    QElapsedTimer timer;
    timer.start();
    for (const QString &path : {fifo, QString("/dev/zero"), linkToZero, socketPath, dir.path(), QString("/dev/null")}) {
        const TOutsideFile f = ReadOutsideFile(path);
        EXPECT_FALSE(f.Ok()) << path.toStdString();
        EXPECT_TRUE(f.Data.isEmpty());
        EXPECT_FALSE(f.Missing);
        // The seam's copy and the text reader refuse them the same way.
        EXPECT_FALSE(FileSystem().CopyFile(path, dir.filePath("copy")));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("copy")));
        if (path != dir.path()) {
            EXPECT_THROW(ReadTextFile(path), std::exception) << path.toStdString();
        }
    }
    EXPECT_LT(timer.elapsed(), 5000) << "nothing may block on a special file";
    ::close(sock);

    EXPECT_FALSE(ReadOutsideFile(dir.filePath("big.bin"), 4095).Ok());
    const TOutsideFile whole = ReadOutsideFile(dir.filePath("big.bin"), 4096);
    ASSERT_TRUE(whole.Ok()) << whole.Error.toStdString();
    EXPECT_EQ(whole.Data, QByteArray(4096, 'x'));
    EXPECT_TRUE(ReadOutsideFile(dir.filePath("none.png")).Missing);
    // A regular file is still copied whole by the seam.
    EXPECT_TRUE(FileSystem().CopyFile(dir.filePath("big.bin"), dir.filePath("copy")));
    EXPECT_EQ(QFileInfo(dir.filePath("copy")).size(), 4096);
}

// Fault: any file a document linked to was carried into the outputs. One rule decides, on the
// path of the opened file: below a root and without a hidden name below it.
TEST(OutsideFilesRoots, BelowARootWithoutHiddenNamesJudgedWhereTheFileReallyIs)
{
    QTemporaryDir dir;
    const QString project = dir.filePath("work/.hidden-parent/project");
    const QString extra = dir.filePath("work/project-extra/.assets");
    write(project + "/docs/manual.pdf", "manual");
    write(project + "/.git/config", "secret");
    write(project + "/docs/.env", "secret");
    write(extra + "/logo.png", "logo");
    write(dir.filePath("outside/private.txt"), "private");
    ASSERT_TRUE(QFile::link(dir.filePath("outside/private.txt"), project + "/docs/innocent.txt"));
    ASSERT_TRUE(QFile::link(dir.filePath("outside"), project + "/linked-folder"));
    ASSERT_TRUE(QFile::link(project + "/docs/manual.pdf", dir.filePath("outside/to-manual.pdf")));

    // The roots may lie under hidden folders, and a root named twice or missing changes nothing.
    const TCarryRoots roots({project + "/", extra, project, dir.filePath("missing")});
    EXPECT_EQ(roots.Folders().size(), 2);
    struct TCase
    {
        QString path;
        bool carried;
    };
    const TCase cases[] = {
        {project + "/docs/manual.pdf", true},
        {project + "/docs/../docs/manual.pdf", true},
        {extra + "/logo.png", true},
        {dir.filePath("outside/to-manual.pdf"), true}, // a link from outside to a file inside
        {project + "/.git/config", false},
        {project + "/docs/.env", false},
        {project + "/docs/innocent.txt", false},     // a link inside to a file outside
        {project + "/linked-folder/private.txt", false},
        {project + "/docs/../../../../outside/private.txt", false},
        {dir.filePath("outside/private.txt"), false},
        {"/etc/passwd", false},
    };
    for (const TCase &c : cases) {
        const TOutsideFile f = ReadOutsideFile(c.path, kMaxOutsideFile, &roots);
        EXPECT_EQ(f.Ok(), c.carried) << c.path.toStdString() << ": " << f.Error.toStdString();
        EXPECT_EQ(f.Data.isEmpty(), !c.carried);
        if (!c.carried) {
            EXPECT_FALSE(f.Data.contains("secret") || f.Data.contains("private"));
        }
    }
    // Nothing is allowed without roots, and a folder itself is never a file to carry.
    EXPECT_FALSE(TCarryRoots().Allows(project + "/docs/manual.pdf"));
    EXPECT_FALSE(roots.Allows(QFileInfo(project).canonicalFilePath()));
}
