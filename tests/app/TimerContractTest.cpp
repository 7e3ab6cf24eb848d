// The LinkTimer rules, checked on every implementation through a small driver each: the hand
// timer and the command-line timer on a clock the driver moves, the window's timer on a real
// QTimer and event loop. Checks on the real clock only bound moments by what the test measured
// around the calls, so a busy machine makes them looser, never wrong.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/QtLinkTimer.h"
#include "cli/MonotonicTimer.h"
#include "link/ManualTimer.h"

namespace carecfg {
namespace {

// ManualTimer on a clock advanced millisecond by millisecond.
class ManualDriver {
public:
    static constexpr const char* kName = "ManualTimer";
    static constexpr qint64 kSlackMs = 0;
    static constexpr qint64 kWaitLimitMs = 100000;  // of the driver's own clock

    ManualDriver() {
        m_timer.onExpiry = [this] {
            m_expiries.push_back(m_now);
            if (onExpiry) {
                onExpiry();
            }
        };
    }
    LinkTimer& Timer() { return m_timer; }
    qint64 Now() const { return m_now; }
    void Pass(int ms) {
        m_timer.Advance(0);  // an expiry already due fires now
        for (int i = 0; i < ms; ++i) {
            ++m_now;
            m_timer.Advance(1);
        }
    }
    // Time to the next expiry (0: due); nullopt when none is coming.
    std::optional<qint64> Remaining() const {
        if (!m_timer.IsRunning() || m_timer.Interval() <= 0) {
            return std::nullopt;
        }
        return std::max(m_timer.Interval() - m_timer.Elapsed(), 0);
    }
    const std::vector<qint64>& Expiries() const { return m_expiries; }
    std::function<void()> onExpiry;

private:
    ManualTimer m_timer;
    qint64 m_now = 0;
    std::vector<qint64> m_expiries;
};

// MonotonicTimer on a clock the driver sets, woken at each deadline like the tool's loop.
class MonotonicDriver {
public:
    static constexpr const char* kName = "MonotonicTimer";
    static constexpr qint64 kSlackMs = 0;
    static constexpr qint64 kWaitLimitMs = 100000;
    using Clock = MonotonicTimer::Clock;

    MonotonicDriver() {
        m_timer.onExpiry = [this] {
            m_expiries.push_back(Now());
            if (onExpiry) {
                onExpiry();
            }
        };
    }
    LinkTimer& Timer() { return m_timer; }
    qint64 Now() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_now - m_origin).count();
    }
    void Pass(int ms) {
        const Clock::time_point until = m_now + std::chrono::milliseconds(ms);
        for (;;) {
            const auto due = m_timer.Deadline();
            if (!due || *due > until) {
                break;
            }
            m_now = std::max(m_now, *due);
            if (!m_timer.FireIfDue(m_now)) {
                break;
            }
        }
        m_now = until;
    }
    std::optional<qint64> Remaining() const {
        const auto due = m_timer.Deadline();
        if (!due) {
            return std::nullopt;
        }
        return std::max<qint64>(
            std::chrono::duration_cast<std::chrono::milliseconds>(*due - m_now).count(), 0);
    }
    const std::vector<qint64>& Expiries() const { return m_expiries; }
    std::function<void()> onExpiry;

private:
    Clock::time_point m_origin{std::chrono::seconds(100)};
    Clock::time_point m_now = m_origin;
    MonotonicTimer m_timer{[this] { return m_now; }};
    std::vector<qint64> m_expiries;
};

// QtLinkTimer over a real QTimer. The expiry moment is taken by a handler connected before the
// adapter's own, so everything the adapter does for an expiry happens after that moment.
class QtDriver {
public:
    static constexpr const char* kName = "QtLinkTimer";
    static constexpr qint64 kSlackMs = 3;  // whole milliseconds of the clocks involved
    static constexpr qint64 kWaitLimitMs = 30000;

    QtDriver() {
        QObject::connect(&m_qt, &QTimer::timeout, &m_qt, [this] { m_began.push_back(Now()); });
        m_timer.emplace(m_qt);
        QObject::connect(&m_qt, &QTimer::timeout, &m_qt, [this] {
            if (onExpiry) {
                onExpiry();
            }
        });
        m_clock.start();
    }
    LinkTimer& Timer() { return *m_timer; }
    qint64 Now() const { return m_clock.elapsed(); }
    void Pass(int ms) {
        const qint64 until = Now() + ms;
        while (Now() < until) {
            QTest::qWait(static_cast<int>(until - Now()));
        }
    }
    std::optional<qint64> Remaining() const {
        if (!m_qt.isActive()) {
            return std::nullopt;
        }
        return std::max(m_qt.remainingTime(), 0);
    }
    const std::vector<qint64>& Expiries() const { return m_began; }
    std::function<void()> onExpiry;

private:
    QTimer m_qt;
    std::optional<QtLinkTimer> m_timer;
    QElapsedTimer m_clock;
    std::vector<qint64> m_began;
};

// A moment known to lie between two readings of the driver's clock.
struct Span {
    qint64 from, to;
    Span Plus(qint64 ms) const { return {from + ms, to + ms}; }
};

template <class D>
Span Start(D& d) {
    const qint64 before = d.Now();
    d.Timer().Start();
    return {before, d.Now()};
}

// Sets a new interval and returns how long the call took: the window's timer arms its QTimer
// for what was left when it looked, so its expiry may move by that much.
template <class D>
qint64 SetInterval(D& d, int ms) {
    const qint64 before = d.Now();
    d.Timer().SetInterval(ms);
    return d.Now() - before;
}

// Lets the driver's time pass until the timer has fired `count` times in all.
template <class D>
bool WaitForExpiries(D& d, std::size_t count) {
    const qint64 until = d.Now() + D::kWaitLimitMs;
    while (d.Expiries().size() < count && d.Now() < until) {
        d.Pass(1);
    }
    return d.Expiries().size() >= count;
}

// The timer's next expiry is consistent with one at a moment within `due`.
template <class D>
void ExpectNextExpiryWithin(D& d, Span due, const std::string& what) {
    const qint64 before = d.Now();
    const std::optional<qint64> remaining = d.Remaining();
    const qint64 after = d.Now();
    ASSERT_TRUE(remaining.has_value()) << what << ": no expiry coming";
    const qint64 slack = D::kSlackMs;
    if (*remaining > 0) {
        // Coming at now + remaining, now being between the two readings.
        EXPECT_LE(before + *remaining, due.to + slack) << what << ": later than expected";
        EXPECT_GE(after + *remaining, due.from - slack) << what << ": earlier than expected";
    } else {
        EXPECT_LE(due.from - slack, after) << what << ": due before its time";
    }
}

template <class D>
class TimerContractTest : public ::testing::Test {};

struct DriverNames {
    template <class D>
    static std::string GetName(int) {
        return D::kName;
    }
};

using Drivers = ::testing::Types<ManualDriver, MonotonicDriver, QtDriver>;
TYPED_TEST_SUITE(TimerContractTest, Drivers, DriverNames);

TYPED_TEST(TimerContractTest, NewTimerIsStoppedWithTheInitialInterval) {
    TypeParam d;
    EXPECT_FALSE(d.Timer().IsRunning());
    EXPECT_EQ(d.Timer().Interval(), kInitialResendInterval);
    EXPECT_FALSE(d.Remaining().has_value());
}

TYPED_TEST(TimerContractTest, StartOnARunningTimerKeepsItsStart) {
    TypeParam d;
    d.Timer().SetInterval(400);
    const Span start = Start(d);
    d.Pass(150);
    d.Timer().Start();
    ExpectNextExpiryWithin(d, start.Plus(400), "second Start");
    ASSERT_TRUE(WaitForExpiries(d, 1));
    EXPECT_GE(d.Expiries()[0], start.from + 400 - TypeParam::kSlackMs);
}

TYPED_TEST(TimerContractTest, NewIntervalOnARunningTimerCountsFromItsStart) {
    for (const int interval : {700, 300}) {  // longer, and shorter but not yet over
        TypeParam d;
        d.Timer().SetInterval(400);
        const Span start = Start(d);
        d.Pass(150);
        const qint64 took = SetInterval(d, interval);
        const std::string what = "new interval " + std::to_string(interval);
        ExpectNextExpiryWithin(d, {start.from + interval, start.to + interval + took}, what);
        ASSERT_TRUE(WaitForExpiries(d, 1)) << what;
        EXPECT_GE(d.Expiries()[0], start.from + interval - TypeParam::kSlackMs) << what;
    }
}

TYPED_TEST(TimerContractTest, IntervalAlreadyOverFiresOnceAtOnceThenCountsFromThatExpiry) {
    TypeParam d;
    d.Timer().SetInterval(1000);
    Start(d);
    d.Pass(300);
    d.Timer().SetInterval(100);
    ASSERT_EQ(d.Remaining(), std::optional<qint64>(0));
    ASSERT_TRUE(WaitForExpiries(d, 2));
    // No second expiry for the periods missed: the next one waits a whole interval.
    EXPECT_GE(d.Expiries()[1] - d.Expiries()[0], 100 - TypeParam::kSlackMs);
    EXPECT_TRUE(d.Timer().IsRunning());
}

TYPED_TEST(TimerContractTest, IntervalOfZeroOrLessNeverFiresYetTheTimerRunsFromItsStart) {
    struct Case {
        const char* name;
        int interval;
        bool beforeStart;
    };
    const Case cases[] = {{"0 from the start", 0, true},
                          {"0 while running", 0, false},
                          {"negative while running", -5, false}};
    for (const Case& c : cases) {
        TypeParam d;
        d.Timer().SetInterval(c.beforeStart ? c.interval : 300);
        const Span start = Start(d);
        d.Pass(100);
        d.Timer().SetInterval(c.interval);
        d.Pass(400);  // beyond the first interval
        EXPECT_TRUE(d.Expiries().empty()) << c.name;
        EXPECT_TRUE(d.Timer().IsRunning()) << c.name;
        EXPECT_FALSE(d.Remaining().has_value()) << c.name;

        const qint64 took = SetInterval(d, 800);
        ExpectNextExpiryWithin(d, {start.from + 800, start.to + 800 + took}, c.name);
        ASSERT_TRUE(WaitForExpiries(d, 1)) << c.name;
        EXPECT_GE(d.Expiries()[0], start.from + 800 - TypeParam::kSlackMs) << c.name;
    }
}

TYPED_TEST(TimerContractTest, StopThenStartStartsAfresh) {
    TypeParam d;
    d.Timer().SetInterval(300);
    Start(d);
    d.Pass(200);
    d.Timer().Stop();
    EXPECT_FALSE(d.Timer().IsRunning());
    EXPECT_FALSE(d.Remaining().has_value());
    d.Pass(50);
    const Span again = Start(d);
    ExpectNextExpiryWithin(d, again.Plus(300), "restart");
    ASSERT_TRUE(WaitForExpiries(d, 1));
    EXPECT_GE(d.Expiries()[0], again.from + 300 - TypeParam::kSlackMs);
}

TYPED_TEST(TimerContractTest, RunsOnAfterEachExpiryUntilTheHandlerStopsIt) {
    TypeParam d;
    d.Timer().SetInterval(60);
    const Span start = Start(d);
    ASSERT_TRUE(WaitForExpiries(d, 3));
    EXPECT_GE(d.Expiries()[0], start.from + 60 - TypeParam::kSlackMs);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_GE(d.Expiries()[i] - d.Expiries()[i - 1], 60 - TypeParam::kSlackMs) << i;
    }
    d.onExpiry = [&d] { d.Timer().Stop(); };
    const std::size_t stoppedAfter = d.Expiries().size() + 1;
    ASSERT_TRUE(WaitForExpiries(d, stoppedAfter));
    EXPECT_FALSE(d.Timer().IsRunning());
    EXPECT_FALSE(d.Remaining().has_value());
    d.Pass(200);
    EXPECT_EQ(d.Expiries().size(), stoppedAfter);
}

}  // namespace
}  // namespace carecfg
