#include "Shoot.h"

#include <QTest>
#include <gtest/gtest.h>

namespace tavrel::test {

QString ShotFolder()
{
    return qEnvironmentVariable("TAVREL_SCREENSHOTS");
}

QString ShotFile(const QString &name)
{
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    const QString suffix = scale > 1.01 ? QStringLiteral("-%1").arg(qRound(scale * 100)) : QString();
    return ShotFolder() + "/" + name + suffix + ".png";
}

void Shoot(QWidget &w, const QString &name)
{
    if (!w.isVisible())
        w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(150);
    const QString file = ShotFile(name);
    EXPECT_TRUE(w.grab().save(file)) << file.toStdString();
}

} // namespace tavrel::test
