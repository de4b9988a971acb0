#pragma once

#include "tests/support/Patience.h"

#include <QtTest>

// Qt Test's waiting macros with every limit scaled by NORVANTA_TIMEOUT_SCALE: the widget
// tests include this instead of <QtTest>. The forms without a limit keep Qt's 5 s.
#undef QTRY_VERIFY_WITH_TIMEOUT
#define QTRY_VERIFY_WITH_TIMEOUT(expr, timeout)                                                                        \
    do {                                                                                                               \
        QTRY_IMPL(expr, (::norvanta::testsupport::scaledMs(timeout)))                                                  \
        QVERIFY(expr);                                                                                                 \
    } while (false)
#undef QTRY_COMPARE_WITH_TIMEOUT
#define QTRY_COMPARE_WITH_TIMEOUT(expr, expected, timeout)                                                             \
    do {                                                                                                               \
        QTRY_IMPL((expr) == (expected), (::norvanta::testsupport::scaledMs(timeout)))                                  \
        QCOMPARE(expr, expected);                                                                                      \
    } while (false)
#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 5000)
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 5000)
