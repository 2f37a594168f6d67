// ManualTimerTable: the timers the tests drive through a ManualClock. The
// window code relies on the same ordering and re-arming rules as the real
// timers, so these cases pin them down.

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/timer_table.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace {

// One tick as the handler saw it: which id, and what the clock read.
using Tick = std::pair<int, std::uint64_t>;
using Ticks = std::vector<Tick>;

// Records every tick, then runs onTick (if set) from inside the handler.
struct Recorder {
    ManualClock clock{1000};
    ManualTimerTable timers{clock};
    Ticks ticks;
    std::function<void(int id)> onTick;

    Recorder()
    {
        timers.setHandler([this](int id) {
            ticks.emplace_back(id, clock.nowMs());
            if (onTick)
                onTick(id);
        });
    }
};

} // namespace

TEST(ManualTimerTable, NothingTicksUntilTheClockIsAdvanced)
{
    Recorder r;
    r.timers.arm(1, 10);
    r.timers.advance(9);
    EXPECT_TRUE(r.ticks.empty());
    EXPECT_EQ(r.clock.nowMs(), 1009u);

    // A tick that falls exactly on the end of the advance fires.
    r.timers.advance(1);
    EXPECT_EQ(r.ticks, (Ticks{{1, 1010}}));
}

TEST(ManualTimerTable, TicksFireInTimeOrderWithTiesInArmingOrder)
{
    Recorder r;
    // Arm in an order that differs from both id order and due order.
    r.timers.arm(7, 30);
    r.timers.arm(3, 20);
    r.timers.arm(5, 30);
    r.timers.arm(1, 60);
    r.timers.advance(60);

    // t=20: 3; t=30: 7 before 5 (armed first); t=40: 3;
    // t=60: 7, 3, 5, 1 all due — 7 was armed first, then 3, 5, 1.
    EXPECT_EQ(r.ticks, (Ticks{{3, 1020}, {7, 1030}, {5, 1030}, {3, 1040},
                              {7, 1060}, {3, 1060}, {5, 1060}, {1, 1060}}));
    EXPECT_EQ(r.clock.nowMs(), 1060u);
}

TEST(ManualTimerTable, PeriodicTimerFiresOncePerPeriodAcrossOneLongAdvance)
{
    Recorder r;
    r.timers.arm(4, 100);
    r.timers.advance(1050);

    ASSERT_EQ(r.ticks.size(), 10u);
    for (std::size_t i = 0; i < r.ticks.size(); ++i) // the clock reads each tick's own due time
        EXPECT_EQ(r.ticks[i], (Tick{4, 1000u + 100u * (i + 1)})) << "tick " << i;
    // After advance() the clock reads the end time, not the last tick.
    EXPECT_EQ(r.clock.nowMs(), 2050u);

    // The phase carries over into the next advance: the 11th tick is at 2100.
    r.timers.advance(49);
    EXPECT_EQ(r.ticks.size(), 10u);
    r.timers.advance(1);
    EXPECT_EQ(r.ticks.back(), (Tick{4, 2100}));
}

TEST(ManualTimerTable, ReArmingRestartsAndChangesThePeriod)
{
    Recorder r;
    r.timers.arm(2, 100);
    r.timers.advance(80);
    // Re-arming with the same period restarts it from now: due at 1180, not 1100.
    r.timers.arm(2, 100);
    r.timers.advance(99);
    EXPECT_TRUE(r.ticks.empty());
    r.timers.advance(1);
    EXPECT_EQ(r.ticks, (Ticks{{2, 1180}}));

    // Re-arming with another period changes it.
    r.ticks.clear();
    r.timers.arm(2, 30);
    EXPECT_EQ(r.timers.period(2), 30);
    r.timers.advance(100);
    EXPECT_EQ(r.ticks, (Ticks{{2, 1210}, {2, 1240}, {2, 1270}}));

    // Re-arming moves the id behind timers armed in the meantime when they tie.
    Recorder q;
    q.timers.arm(1, 50);
    q.timers.arm(2, 50);
    q.timers.arm(1, 50);
    q.timers.advance(50);
    EXPECT_EQ(q.ticks, (Ticks{{2, 1050}, {1, 1050}}));
}

TEST(ManualTimerTable, KillAndArmFromInsideTheHandler)
{
    // kill() of the ticking id stops it within the same advance().
    {
        Recorder r;
        r.onTick = [&r](int id) {
            if (r.ticks.size() == 3)
                r.timers.kill(id);
        };
        r.timers.arm(9, 10);
        r.timers.advance(1000);
        EXPECT_EQ(r.ticks.size(), 3u);
        EXPECT_FALSE(r.timers.isArmed(9));
        EXPECT_EQ(r.clock.nowMs(), 2000u);
    }
    // kill() of another id that is also due at this moment stops its tick too.
    {
        Recorder r;
        r.onTick = [&r](int id) {
            if (id == 1)
                r.timers.kill(2);
        };
        r.timers.arm(1, 10);
        r.timers.arm(2, 10);
        r.timers.advance(30);
        EXPECT_EQ(r.ticks, (Ticks{{1, 1010}, {1, 1020}, {1, 1030}}));
    }
    // arm() of another id from a handler: it ticks within the same advance()
    // once it falls due, counted from the moment of the arming tick.
    {
        Recorder r;
        r.onTick = [&r](int id) {
            if (id == 1) {
                r.timers.kill(1);
                r.timers.arm(2, 25);
            }
        };
        r.timers.arm(1, 40);
        r.timers.advance(100);
        EXPECT_EQ(r.ticks, (Ticks{{1, 1040}, {2, 1065}, {2, 1090}}));
    }
    // An id armed from a handler that is not yet due by the end waits for
    // the next advance().
    {
        Recorder r;
        r.onTick = [&r](int id) {
            if (id == 1 && !r.timers.isArmed(2))
                r.timers.arm(2, 70);
        };
        r.timers.arm(1, 50);
        r.timers.advance(100);
        EXPECT_EQ(r.ticks, (Ticks{{1, 1050}, {1, 1100}}));
        r.timers.advance(20);
        EXPECT_EQ(r.ticks.back(), (Tick{2, 1120}));
    }
    // Re-arming the ticking id from its own handler restarts its period there.
    {
        Recorder r;
        r.onTick = [&r](int id) { r.timers.arm(id, 15); };
        r.timers.arm(3, 10);
        r.timers.advance(50);
        EXPECT_EQ(r.ticks, (Ticks{{3, 1010}, {3, 1025}, {3, 1040}}));
    }
}

TEST(ManualTimerTable, KilledAndUnknownIdsAreNotArmedAndNeverTick)
{
    Recorder r;
    EXPECT_FALSE(r.timers.isArmed(5));
    EXPECT_EQ(r.timers.period(5), -1);

    r.timers.arm(5, 250);
    EXPECT_TRUE(r.timers.isArmed(5));
    r.timers.kill(5);
    EXPECT_FALSE(r.timers.isArmed(5));
    EXPECT_EQ(r.timers.period(5), -1);
    r.timers.advance(1000);
    EXPECT_TRUE(r.ticks.empty());

    // Killing an id that never ran is harmless, and a killed id can run again.
    r.timers.kill(42);
    r.timers.arm(5, 250);
    r.timers.advance(500);
    EXPECT_EQ(r.ticks.size(), 2u);
}

TEST(ManualTimerTable, ZeroOrNegativePeriodTicksOncePerMillisecond)
{
    Recorder r;
    r.timers.arm(1, 0);
    r.timers.advance(5);
    EXPECT_EQ(r.ticks.size(), 5u);
    r.timers.arm(1, -20);
    r.timers.advance(3);
    EXPECT_EQ(r.ticks.size(), 8u);
}

TEST(ManualTimerTable, OverdueTicksNeverTurnTheClockBack)
{
    Recorder r;
    r.timers.arm(1, 10);
    r.clock.advance(35); // moved on directly: three ticks are overdue
    r.timers.advance(0);
    EXPECT_EQ(r.ticks, (Ticks(3, Tick{1, 1035})));
    EXPECT_EQ(r.clock.nowMs(), 1035u);
}
