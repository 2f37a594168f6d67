#include "platform/timer_table.h"

#include "platform/clock.h"

#include <algorithm>

QtTimerTable::QtTimerTable(QObject* parent) : QObject(parent) {}

QtTimerTable::~QtTimerTable()
{
    for (QTimer* timer : std::as_const(m_timers))
        timer->stop();
}

void QtTimerTable::arm(int id, int periodMs)
{
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] { fire(id); });
    }
    timer->start(std::max(periodMs, 0));
}

void QtTimerTable::kill(int id)
{
    // A killed id keeps nothing: callers that number their timers afresh
    // each time (one per connection, say) would otherwise grow the table for
    // as long as the program runs. Deleted later, as the timer may be the
    // one whose tick is running now.
    if (QTimer* timer = m_timers.take(id)) {
        timer->stop();
        timer->deleteLater();
    }
}

bool QtTimerTable::isArmed(int id) const
{
    const QTimer* timer = m_timers.value(id);
    return timer && timer->isActive();
}

int QtTimerTable::period(int id) const
{
    const QTimer* timer = m_timers.value(id);
    return timer && timer->isActive() ? timer->interval() : -1;
}

ManualTimerTable::ManualTimerTable(ManualClock& clock) : m_clock(clock) {}

void ManualTimerTable::arm(int id, int periodMs)
{
    // A zero period would tick forever within one advance(); it ticks once per millisecond instead.
    const int periodClamped = std::max(periodMs, 1);
    m_entries[id] = Entry{periodClamped, m_clock.nowMs() + periodClamped, ++m_serial};
}

void ManualTimerTable::kill(int id)
{
    m_entries.erase(id);
}

bool ManualTimerTable::isArmed(int id) const
{
    return m_entries.count(id) != 0;
}

int ManualTimerTable::period(int id) const
{
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? -1 : it->second.periodMs;
}

void ManualTimerTable::advance(std::uint64_t ms)
{
    const std::uint64_t end = m_clock.nowMs() + ms;
    for (;;) {
        // The earliest due tick; handlers may arm or kill timers, so look again each time.
        auto next = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.dueMs > end)
                continue;
            if (next == m_entries.end() || it->second.dueMs < next->second.dueMs
                || (it->second.dueMs == next->second.dueMs
                    && it->second.armSerial < next->second.armSerial))
                next = it;
        }
        if (next == m_entries.end())
            break;
        const int id = next->first;
        // A tick that fell due before the clock was moved on directly fires
        // late rather than turning the clock back.
        m_clock.set(std::max(m_clock.nowMs(), next->second.dueMs));
        next->second.dueMs += static_cast<std::uint64_t>(next->second.periodMs);
        fire(id);
    }
    m_clock.set(end);
}
