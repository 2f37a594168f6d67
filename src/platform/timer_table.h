#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>

class ManualClock;

// Numbered window timers: an id is armed with a period and then ticks to
// the owner's handler until it is killed. Arming an id that already runs
// restarts its period. A killed id holds nothing until it is armed again.
// Every tick arrives on the GUI thread.
class TimerTable {
public:
    using Handler = std::function<void(int id)>;

    virtual ~TimerTable() = default;
    virtual void arm(int id, int periodMs) = 0;
    virtual void kill(int id) = 0;
    virtual bool isArmed(int id) const = 0;
    // Period of an armed timer; -1 when the id is not armed.
    virtual int period(int id) const = 0;

    void setHandler(Handler handler) { m_handler = std::move(handler); }

protected:
    void fire(int id)
    {
        if (m_handler)
            m_handler(id);
    }

private:
    Handler m_handler;
};

// The real timers of the running program.
class QtTimerTable final : public QObject, public TimerTable {
    Q_OBJECT
public:
    explicit QtTimerTable(QObject* parent = nullptr);
    ~QtTimerTable() override;

    void arm(int id, int periodMs) override;
    void kill(int id) override;
    bool isArmed(int id) const override;
    int period(int id) const override;

private:
    QHash<int, QTimer*> m_timers;
};

// Timers driven by a ManualClock: nothing ticks until advance() moves the
// clock, and then every due tick fires in time order (ties in arming order).
class ManualTimerTable final : public TimerTable {
public:
    explicit ManualTimerTable(ManualClock& clock);

    void arm(int id, int periodMs) override;
    void kill(int id) override;
    bool isArmed(int id) const override;
    int period(int id) const override;

    // Moves the clock forward by ms, firing each tick when it falls due.
    void advance(std::uint64_t ms);

private:
    struct Entry {
        int periodMs;
        std::uint64_t dueMs;
        std::uint64_t armSerial;
    };
    ManualClock& m_clock;
    std::map<int, Entry> m_entries;
    std::uint64_t m_serial = 0;
};
