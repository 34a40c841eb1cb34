#pragma once

// The controller status codes and whether a command that touches the log may go ahead: only
// with the system off or not armed, never while it can inject.
#include <QtTest>

namespace tarvik::test {

inline void addStatusAllowsLogAccessRows() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("0 Power Off") << 0 << true;
    QTest::newRow("1 Not Armed") << 1 << true;
    QTest::newRow("2 Auto Purge") << 2 << false;
    QTest::newRow("3 Ready") << 3 << false;
    QTest::newRow("255") << 255 << false;
}

}  // namespace tarvik::test
