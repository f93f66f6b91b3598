#include "support/Golden.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavrel::test {

QString GoldenPath(const QString &name) { return QStringLiteral(TAVREL_GOLDEN_DIR "/") + name; }
QString FixturePath(const QString &name) { return QStringLiteral(TAVREL_FIXTURES_DIR "/") + name; }

::testing::AssertionResult MatchesGolden(const QString &name, const QByteArray &actual)
{
    const QString path = GoldenPath(name);
    if (qEnvironmentVariable("TAVREL_UPDATE_GOLDEN") == QLatin1String("1")) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(actual) != actual.size())
            return ::testing::AssertionFailure() << "cannot write golden file " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "missing golden file " << path.toStdString()
                                             << " (run with TAVREL_UPDATE_GOLDEN=1 to create it)";
    const QByteArray expected = f.readAll();
    if (expected == actual)
        return ::testing::AssertionSuccess();
    qsizetype i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        ++i;
    auto around = [i](const QByteArray &b) {
        return b.mid(std::max<qsizetype>(0, i - 40), 80).toStdString();
    };
    return ::testing::AssertionFailure()
           << "differs from golden " << path.toStdString() << " at byte " << i << " (expected "
           << expected.size() << " bytes, got " << actual.size() << ")\n  expected: ..." << around(expected)
           << "...\n  actual:   ..." << around(actual) << "...";
}

} // namespace tavrel::test
