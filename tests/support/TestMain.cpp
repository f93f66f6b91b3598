// The main() of every test program: a Qt application on the offscreen platform, so tests can
// use threads with queued calls, fonts, painting and windows without a display.
#include "text/WorkingFolder.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    // Window tests show template previews: the page engine needs shared contexts from the start
    // and cannot use its sandbox as root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Every test program is a run of its own: its working files go with it, and what earlier
    // runs left behind goes at its start.
    tavrel::PrepareWorkingFolder();
    const int status = RUN_ALL_TESTS();
    tavrel::RemoveRunFolder();
    return status;
}
