// The main() of every test program: a Qt application on the offscreen platform, so tests can
// use threads with queued calls, fonts, painting and windows without a display.
#include "text/WorkingFolder.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Every test program is a run of its own: its working files go with it, and what earlier
    // runs left behind goes at its start.
    tavrel::PrepareWorkingFolder();
    const int status = RUN_ALL_TESTS();
    tavrel::RemoveRunFolder();
    return status;
}
