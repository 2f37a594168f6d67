#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

// The program's one source of monotonic time, in milliseconds. Everything
// that stamps or compares times (last-heard stamps, blinks, peak hold) asks a
// Clock, so tests can drive time instead of waiting for it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t nowMs() const = 0;
};

class SteadyClock final : public Clock {
public:
    std::uint64_t nowMs() const override
    {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

// A clock that only moves when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(std::uint64_t startMs = 0) : m_now(startMs) {}
    std::uint64_t nowMs() const override { return m_now.load(); }
    void advance(std::uint64_t ms) { m_now += ms; }
    void set(std::uint64_t ms) { m_now = ms; }

private:
    std::atomic<std::uint64_t> m_now;
};
