#pragma once

// How long a test waits for something that should happen: a bound against hanging,
// never the thing checked. A crowded machine (two cores, eight test programs at once,
// the sanitizers) runs many times slower than a quiet one and must still pass; how
// fast something happens is measured by the programs under bench/.
//
// Every test source gets this header first (morvane_add_test in tests/CMakeLists.txt),
// so every QTRY_* waits up to a minute, or longer where a test asks for longer. A check
// that times out fails after that minute: Qt's own macros would wait twice as long
// again to report how late the condition came true.
//
// A check that something did NOT happen never waits a fixed time: it waits for a
// barrier (a later answer, a round trip, a processed event) and then looks.

#include <QTest>

#include <algorithm>

namespace testsupport {

inline constexpr int kPatienceMs = 60'000;

inline int patience(int askedMs)
{
    return std::max(askedMs, kPatienceMs);
}

} // namespace testsupport

#undef QTRY_VERIFY
#undef QTRY_VERIFY2
#undef QTRY_COMPARE
#undef QTRY_VERIFY_WITH_TIMEOUT
#undef QTRY_VERIFY2_WITH_TIMEOUT
#undef QTRY_COMPARE_WITH_TIMEOUT

#define MORVANE_TRY_WAIT(condition, timeout) \
    (void)QTest::qWaitFor([&]() -> bool { return static_cast<bool>(condition); }, testsupport::patience(timeout))

#define QTRY_VERIFY_WITH_TIMEOUT(expr, timeout) \
    do { \
        MORVANE_TRY_WAIT(expr, timeout); \
        QVERIFY(expr); \
    } while (false)

#define QTRY_VERIFY2_WITH_TIMEOUT(expr, messageExpression, timeout) \
    do { \
        MORVANE_TRY_WAIT(expr, timeout); \
        QVERIFY2(expr, messageExpression); \
    } while (false)

#define QTRY_COMPARE_WITH_TIMEOUT(expr, expected, timeout) \
    do { \
        MORVANE_TRY_WAIT((expr) == (expected), timeout); \
        QCOMPARE(expr, expected); \
    } while (false)

#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, testsupport::kPatienceMs)
#define QTRY_VERIFY2(expr, messageExpression) QTRY_VERIFY2_WITH_TIMEOUT(expr, messageExpression, testsupport::kPatienceMs)
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, testsupport::kPatienceMs)
