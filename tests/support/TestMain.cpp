// The main() of every test program, on the offscreen platform: the core's programs run under a
// QGuiApplication (threads with queued calls, fonts, painting, but no widgets), the window
// tests' programs (built with TAVREL_TEST_WIDGETS) under a QApplication.
#include "text/WorkingFolder.h"

#ifdef TAVREL_TEST_WIDGETS
#include <QApplication>
using TTestApplication = QApplication;
#else
#include <QGuiApplication>
using TTestApplication = QGuiApplication;
#endif
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
    TTestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Every test program is a run of its own: its working files go with it, and what earlier
    // runs left behind goes at its start.
    tavrel::PrepareWorkingFolder();
    const int status = RUN_ALL_TESTS();
    tavrel::RemoveRunFolder();
    return status;
}
