#pragma once
// Where the pictures go and how one is taken: TAVREL_SCREENSHOTS names the folder, and
// QT_SCALE_FACTOR above 1 gives the picture a "-150"-style suffix for its high-density twin.
#include <QString>
#include <QWidget>

namespace tavrel::test {

QString ShotFolder();
QString ShotFile(const QString &name);
// Shows w if needed, waits until it is painted and saves it as <name>.png.
void Shoot(QWidget &w, const QString &name);

} // namespace tavrel::test

// Every picture set starts with this: without a folder there is nothing to do.
#define TAVREL_NEEDS_SHOT_FOLDER()                                                                 \
    do {                                                                                           \
        if (::tavrel::test::ShotFolder().isEmpty())                                                \
            GTEST_SKIP() << "TAVREL_SCREENSHOTS is not set";                                       \
        QDir().mkpath(::tavrel::test::ShotFolder());                                               \
    } while (0)
