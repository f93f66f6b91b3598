#pragma once
// Golden-file comparison. With TAVREL_UPDATE_GOLDEN=1 in the environment the golden file is
// written from the actual bytes instead (and the check passes); nothing else is ever written.
#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

namespace tavrel::test {

// name is relative to tests/golden.
::testing::AssertionResult MatchesGolden(const QString &name, const QByteArray &actual);
QString GoldenPath(const QString &name);
QString FixturePath(const QString &name);

} // namespace tavrel::test

#define EXPECT_GOLDEN(name, bytes) EXPECT_TRUE(::tavrel::test::MatchesGolden(name, bytes))
