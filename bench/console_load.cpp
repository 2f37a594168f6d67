// The whole console under a full rack, in one process so every step can be
// timed on one clock: the program's own start-up and main window, 16 KR-960
// and 16 KR-9X emulated units reporting every 50 ms on loopback from a thread
// of their own, and a switch clicked five times a second.
//
//   console_load run PROJECT overview|strips [SECONDS]
//       CPU of the console (all its threads but the units'), GUI-thread CPU,
//       peak memory, datagrams sent and handled, the delay from a datagram
//       being sent to the paint that shows its meter, and from a switch click
//       to its control datagram reaching the unit.
//   console_load flood [SECONDS] [RATE]
//       the same rack and console while something floods it with RATE
//       datagrams a second (20000 unless told) of units out of range or in
//       conflict with a rack unit, each of which raises a notice: the time
//       from a key event being posted to the window to its handling, the
//       worst gap between ticks of a 20 ms timer, the rack units still on
//       line at the end, and what was handled and dropped.
//   console_load hop [SECONDS] [RATE]
//       a rack with free unit IDs (8 KR-960 with IDs 1-8, 16 KR-9X) while one
//       KR-960 hops between the free IDs 9-16, RATE hops a second (2000
//       unless told): every hop adds the unit anew and sets the slot it left
//       unused. The longest a rack unit went without a state datagram, the
//       rack units on line at the worst moment, the GUI-thread CPU, and what
//       was handled and dropped. Before the hops start, the GUI-thread time
//       of one hop and of one ordinary report is taken on their own.
//   console_load bare [SECONDS]
//       the same stream into a plain receive loop: the cost of just receiving.
//   console_load startup [PROJECT]
//       from CORVANE_BENCH_T0 (nanoseconds of CLOCK_REALTIME, set by the
//       caller just before starting the program) to the window's first paint
//       on screen; with PROJECT, also the time to open it again from the menu.
//
// Run it with HOME and the XDG folders pointing at a scratch folder, as
// bench/load.sh does, so the operator's own settings are not touched.

#include <QApplication>
#include <QEventLoop>
#include <QInputDevice>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/app_services.h"
#include "app/application.h"
#include "app/main_dialog.h"
#include "app/project_state.h"
#include "controls/strip_switch.h"
#include "protocol/network_core.h"
#include "protocol/numbering.h"
#include "protocol/unit_tables.h"
#include "protocol/unit_network.h"
#include "unit_emulator.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

constexpr int kWarmupSeconds = 5;
constexpr int kRackUnits = 32; // half KR-960, half KR-9X
constexpr int kPeriodMs = 50;
constexpr int kClickEveryMs = 200;
// The key the responsiveness probe presses: one that no command takes.
constexpr int kProbeKey = Qt::Key_F20;
constexpr int kProbeEveryMs = 20;

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double PeakMemoryMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

struct Spread {
    std::size_t count = 0;
    double median = 0, p99 = 0, max = 0; // milliseconds
};

Spread SpreadOf(std::vector<std::int64_t> ns)
{
    Spread s;
    s.count = ns.size();
    if (ns.empty())
        return s;
    std::sort(ns.begin(), ns.end());
    auto at = [&](double q) { return double(ns[std::min(ns.size() - 1, std::size_t(q * double(ns.size())))]) / 1e6; };
    s.median = at(0.5);
    s.p99 = at(0.99);
    s.max = double(ns.back()) / 1e6;
    return s;
}

void PrintSpread(const char* what, const Spread& s)
{
    std::printf("%-28s median %.2f ms, 99th percentile %.2f ms, max %.2f ms (%zu)\n", what, s.median, s.p99,
                s.max, s.count);
}

// 16 KR-960 (IDs 1-16) and 16 KR-9X (IDs 17-32) reporting with moving meters
// from a thread of their own. Every datagram's send time is kept in order,
// so the console's n-th handled datagram is the n-th sent (loopback keeps
// the order); a control datagram arriving at a unit closes the pending click.
class Rack {
public:
    // The full rack: units 1-16 KR-960, 17-32 KR-9X.
    Rack(std::uint16_t pcPort, std::uint16_t unitPort, int seconds)
        : Rack(pcPort, unitPort, seconds, FullRack())
    {
    }
    Rack(std::uint16_t pcPort, std::uint16_t unitPort, int seconds,
         const std::vector<std::pair<emu::Model, int>>& units)
        : m_emulator(pcPort, unitPort)
    {
        int serial = 1;
        for (const auto& [model, id] : units) {
            emu::UnitConfig config = emu::defaultConfig(model, id, serial++);
            config.meterPeriodMs = kPeriodMs;
            m_emulator.addUnit(config);
        }
        m_sentAt.resize(std::size_t(seconds + 10) * units.size() * (1000 / kPeriodMs) * 2);
        m_lastPolled.assign(units.size(), 0);
        m_worstPollGap.assign(units.size(), 0);
    }
    static std::vector<std::pair<emu::Model, int>> FullRack()
    {
        std::vector<std::pair<emu::Model, int>> units;
        for (int id = 1; id <= kRackUnits; ++id)
            units.emplace_back(id <= kRackUnits / 2 ? emu::Model::KR960 : emu::Model::KR9X, id);
        return units;
    }
    int unitCount() const { return m_emulator.unitCount(); }
    ~Rack() { Stop(); }

    void Start()
    {
        m_thread = std::thread([this] { Run(); });
        pthread_getcpuclockid(m_thread.native_handle(), &m_cpuClock);
    }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    double CpuSeconds() const { return ::CpuSeconds(m_cpuClock); }

    std::size_t sentCount() const { return m_sent.load(std::memory_order_acquire); }
    std::int64_t sentAt(std::size_t index) const { return m_sentAt[index]; }
    bool overflowed() const { return m_overflow; }

    // From now on the gaps between the state datagrams (polls) that each
    // unit receives are taken, the first from now to its first poll.
    void StartPollWatch() { m_pollWatchFrom.store(NowNs()); }
    // After Stop: the longest any unit went unpolled, up to the stop.
    double WorstPollGapMs() const
    {
        const std::int64_t watchFrom = m_pollWatchFrom.load();
        std::int64_t worst = 0;
        for (std::size_t u = 0; u < m_worstPollGap.size(); ++u)
            worst = std::max({worst, m_worstPollGap[u], m_stoppedAt - std::max(m_lastPolled[u], watchFrom)});
        return double(worst) / 1e6;
    }

    // GUI thread: a click is about to be sent.
    void ClickSent(std::int64_t at) { m_pendingClick.store(at); }
    // After Stop: from each click to its control datagram at the unit.
    const std::vector<std::int64_t>& clickDelays() const { return m_clickDelays; }

private:
    void Run()
    {
        const std::int64_t start = NowNs();
        while (!m_stop) {
            const std::uint64_t nowMs = std::uint64_t((NowNs() - start) / 1000000);
            for (int u = 0; u < m_emulator.unitCount(); ++u)
                emu::moveMeterPattern(m_emulator, u, nowMs);
            // The stamps are in place before the datagrams leave: the console
            // may handle one before tick() has even returned.
            const std::int64_t before = NowNs();
            const std::size_t n = m_sent.load(std::memory_order_relaxed);
            const std::size_t room = std::min(m_sentAt.size() - n, std::size_t(m_emulator.unitCount()));
            std::fill_n(m_sentAt.begin() + std::ptrdiff_t(n), room, before);
            if (room < std::size_t(m_emulator.unitCount())) {
                m_overflow = true; // the log is full: the units fall silent
                break;
            }
            m_sent.store(n + m_emulator.tick(nowMs), std::memory_order_release);
            m_emulator.pump(1);
            const std::int64_t watchFrom = m_pollWatchFrom.load();
            for (const emu::Received& r : m_emulator.received()) {
                if (r.kind == emu::Kind::State && watchFrom != 0) {
                    const std::int64_t at = NowNs();
                    std::int64_t& last = m_lastPolled[std::size_t(r.unit)];
                    m_worstPollGap[std::size_t(r.unit)] =
                        std::max(m_worstPollGap[std::size_t(r.unit)], at - std::max(last, watchFrom));
                    last = at;
                }
                if (r.kind != emu::Kind::Control)
                    continue;
                if (const std::int64_t click = m_pendingClick.exchange(0))
                    m_clickDelays.push_back(NowNs() - click);
            }
            m_emulator.clearReceived();
        }
        m_stoppedAt = NowNs();
    }

    emu::Emulator m_emulator;
    std::vector<std::int64_t> m_sentAt;
    std::atomic<std::int64_t> m_pollWatchFrom{0};
    std::vector<std::int64_t> m_lastPolled;   // the unit thread's own until Stop
    std::vector<std::int64_t> m_worstPollGap; // likewise
    std::int64_t m_stoppedAt = 0;
    std::atomic<std::size_t> m_sent{0};
    std::atomic<bool> m_overflow{false};
    std::atomic<bool> m_stop{false};
    std::atomic<std::int64_t> m_pendingClick{0};
    std::vector<std::int64_t> m_clickDelays;
    std::thread m_thread;
    clockid_t m_cpuClock{};
};

// Which handled datagrams a paint has put on screen. A drain of the queue
// that moved a meter on screen leaves its datagrams waiting for the next
// paint of the window; one that moved none (units scrolled out of view) is
// not counted.
class PaintProbe {
public:
    explicit PaintProbe(const Rack& rack) : m_rack(rack) {}

    void StartMeasuring(std::size_t firstIndex) { m_first = firstIndex; m_measuring = true; }
    void StopMeasuring() { m_measuring = false; }

    void Drained(std::size_t from, std::size_t to, bool movedMeters)
    {
        if (movedMeters && to > from)
            m_waiting.emplace_back(from, to);
    }
    void Painted(std::int64_t now)
    {
        for (const auto& [from, to] : m_waiting)
            for (std::size_t i = std::max(from, m_first); m_measuring && i < to; ++i)
                m_delays.push_back(now - m_rack.sentAt(i));
        m_waiting.clear();
        if (m_measuring)
            ++m_paints;
    }
    const std::vector<std::int64_t>& delays() const { return m_delays; }
    std::uint64_t paints() const { return m_paints; }

private:
    const Rack& m_rack;
    std::vector<std::pair<std::size_t, std::size_t>> m_waiting;
    std::vector<std::int64_t> m_delays;
    std::size_t m_first = 0;
    bool m_measuring = false;
    std::uint64_t m_paints = 0;
};

// The meter repaints both views have asked for so far.
class MeterUpdateCount {
public:
    void Find()
    {
        m_overviews = g_pMainDlg->findChildren<COverviewWnd*>();
        m_strips = g_pMainDlg->findChildren<CUnderviewWnd*>();
    }
    std::uint64_t operator()() const
    {
        std::uint64_t n = 0;
        for (const COverviewWnd* view : m_overviews)
            n += view->meterUpdates();
        for (const CUnderviewWnd* view : m_strips)
            n += view->meterUpdates();
        return n;
    }

private:
    QList<COverviewWnd*> m_overviews;
    QList<CUnderviewWnd*> m_strips;
};

// The application with a look at the events that matter here: the queued
// drain of the datagram queue and the window's paints.
class ProbedApp : public CQuellonKR9SeriesApp {
public:
    using CQuellonKR9SeriesApp::CQuellonKR9SeriesApp;

    PaintProbe* probe = nullptr;
    MeterUpdateCount meterUpdates;
    std::int64_t firstShownNs = 0; // CLOCK_REALTIME of the first paint on screen
    std::function<void()> onFirstShown;

    // Set by the flood run: the posting time of the probe's key event in flight.
    std::atomic<std::int64_t>* keyPostedAt = nullptr;
    std::vector<std::int64_t> keyDelays;

    bool notify(QObject* receiver, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (keyPostedAt && type == QEvent::KeyPress && receiver == static_cast<QObject*>(g_pMainDlg)
            && static_cast<QKeyEvent*>(event)->key() == kProbeKey) {
            const bool done = CQuellonKR9SeriesApp::notify(receiver, event);
            keyDelays.push_back(NowNs() - keyPostedAt->exchange(0));
            return done;
        }
        const bool drain = probe && type == QEvent::MetaCall && g_pMainDlg
            && receiver == static_cast<QObject*>(g_pMainDlg) && g_pNetwork;
        const bool paint = type == QEvent::UpdateRequest && receiver->isWidgetType()
            && static_cast<QWidget*>(receiver)->isWindow();
        const bool expose = type == QEvent::Expose && receiver->isWindowType();
        std::size_t before = 0;
        std::uint64_t updatesBefore = 0;
        if (drain) {
            before = g_pNetwork->deliveredCount();
            updatesBefore = meterUpdates();
        }
        const bool done = CQuellonKR9SeriesApp::notify(receiver, event);
        if (drain && g_pNetwork)
            probe->Drained(before, g_pNetwork->deliveredCount(), meterUpdates() != updatesBefore);
        if (paint && probe)
            probe->Painted(NowNs());
        if ((paint || expose) && firstShownNs == 0 && g_pMainDlg && g_pMainDlg->isVisible()) {
            timespec t{};
            clock_gettime(CLOCK_REALTIME, &t);
            firstShownNs = std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
            if (onFirstShown)
                QTimer::singleShot(0, this, onFirstShown);
        }
        return done;
    }
};

bool OverviewShown()
{
    for (const COverviewWnd* view : g_pMainDlg->findChildren<COverviewWnd*>())
        if (view->isVisible())
            return true;
    return false;
}

// The Mute switch of channel 1 in the view on screen, when its unit takes it.
CNewCustomBtn* ClickTarget()
{
    if (!g_pMainDlg)
        return nullptr;
    for (CNewCustomBtn* b : g_pMainDlg->findChildren<CNewCustomBtn*>())
        if (b->m_nIndex == 0 && b->m_nKind == STRIP_MUTE && b->isVisible() && !b->IsBlocked())
            return b;
    return nullptr;
}

void Click(QWidget* target)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

std::uint16_t PickPort()
{
    std::random_device seed;
    return std::uint16_t(20000 + seed() % 20000);
}

// The console's start for a run: it listens on a free port (pcPort), the
// emulated units on the next one, it asks no start-up question, and it opens
// the project when one is given. Outlives the application object made from
// argc and argv.
struct ConsoleStart {
    ConsoleStart(const char* argv0, const std::string& project) : pcPort(PickPort()), arg0(argv0), arg1(project)
    {
        setenv("CORVANE_PC_PORT", std::to_string(pcPort).c_str(), 1);
        setenv("CORVANE_UNIT_PORT", std::to_string(pcPort + 1).c_str(), 1);
        setenv("CORVANE_NO_STARTUP_QUESTION", "1", 1);
    }
    const std::uint16_t pcPort;
    std::string arg0, arg1;
    char* argv[3] = {arg0.data(), arg1.data(), nullptr};
    int argc = arg1.empty() ? 1 : 2;
};

// What the console's network received, handled and dropped over a run.
struct NetworkCounts {
    std::size_t received = 0, handled = 0, dropped = 0;
};

// Ends a run once the units are stopped: whatever is still queued is handled
// before the counts are taken, then the window closes.
void CountAndClose(NetworkCounts& counts)
{
    QTimer::singleShot(500, [&counts] {
        counts.received = g_pNetwork->g_PacketsReceived.load();
        counts.dropped = g_pNetwork->droppedDatagrams.load();
        counts.handled = std::size_t(g_pNetwork->deliveredCount());
        g_pMainDlg->CloseWithoutAsking();
    });
}

int RunConsole(const char* argv0, const std::string& project, bool strips, int seconds)
{
    ConsoleStart start(argv0, project);
    ProbedApp app(start.argc, start.argv);
    const std::uint16_t port = start.pcPort;

    Rack rack(port, std::uint16_t(port + 1), seconds);
    PaintProbe probe(rack);
    app.probe = &probe;

    double cpu0 = 0, gui0 = 0, units0 = 0;
    double cpu = 0, gui = 0, units = 0, wall = 0;
    std::int64_t wall0 = 0;
    std::size_t sentInWindow = 0;
    NetworkCounts counts;
    int clicks = 0;
    std::string shownView;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (CNewCustomBtn* target = ClickTarget()) {
            rack.ClickSent(NowNs());
            Click(target);
            ++clicks;
        }
    });

    // The units start once the console listens, so none of their datagrams
    // is lost and the n-th handled is the n-th sent.
    QTimer waitForNetwork;
    QObject::connect(&waitForNetwork, &QTimer::timeout, [&] {
        if (!g_pNetwork || !g_pNetwork->isReceiving())
            return;
        waitForNetwork.stop();
        if (strips == OverviewShown())
            g_pMainDlg->OnOverviewButton();
        app.meterUpdates.Find();
        rack.Start();
    });
    waitForNetwork.start(10);
    QTimer::singleShot(kWarmupSeconds * 1000, [&] {
        probe.StartMeasuring(rack.sentCount());
        sentInWindow = rack.sentCount();
        cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        gui0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        units0 = rack.CpuSeconds();
        wall0 = NowNs();
        shownView = OverviewShown() ? "overview" : "channel strips";
        clicker.start(kClickEveryMs);
    });
    QTimer::singleShot((kWarmupSeconds + seconds) * 1000, [&] {
        clicker.stop();
        wall = double(NowNs() - wall0) / 1e9;
        cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        gui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - gui0;
        units = rack.CpuSeconds() - units0;
        sentInWindow = rack.sentCount() - sentInWindow;
        probe.StopMeasuring();
        rack.Stop();
        CountAndClose(counts);
    });
    app.InitInstance();

    const std::size_t sent = rack.sentCount();
    std::printf("view                         %s\n", shownView.c_str());
    std::printf("measured                     %.1f s after %d s warm-up\n", wall, kWarmupSeconds);
    std::printf("console CPU                  %.1f %% of one core\n", 100 * (cpu - units) / wall);
    std::printf("GUI-thread CPU               %.1f %% of one core\n", 100 * gui / wall);
    std::printf("peak memory                  %.1f MB\n", PeakMemoryMb());
    std::printf("datagrams sent / handled     %zu / %zu (%zu in the measured stretch)%s\n", sent, counts.handled,
                sentInWindow, rack.overflowed() ? " -- send log full" : "");
    std::printf("received / queue overflow    %zu / %zu\n", counts.received, counts.dropped);
    std::printf("window paints                %.1f a second\n", double(probe.paints()) / wall);
    PrintSpread("sent to painted", SpreadOf(probe.delays()));
    std::printf("switch clicks                %d\n", clicks);
    PrintSpread("click to unit", SpreadOf(rack.clickDelays()));
    return sent == counts.handled ? 0 : 1;
}

// Emulated units sending from a thread of their own, RATE datagrams a second
// in bursts every millisecond, kept on the rate's schedule: sendOne(emulator,
// n) sends the n-th and says whether it went out.
class PacedSender {
public:
    PacedSender(std::uint16_t pcPort, std::uint16_t unitPort, int rate) : m_emulator(pcPort, unitPort), m_rate(rate)
    {
    }
    ~PacedSender() { Stop(); }

    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::size_t sent() const { return m_sent.load(); }

protected:
    emu::Emulator& emulator() { return m_emulator; }
    void Start(std::function<bool(emu::Emulator&, std::size_t)> sendOne)
    {
        m_thread = std::thread([this, sendOne = std::move(sendOne)] { Run(sendOne); });
    }

private:
    void Run(const std::function<bool(emu::Emulator&, std::size_t)>& sendOne)
    {
        auto next = std::chrono::steady_clock::now();
        std::size_t due = 0;
        const auto start = next;
        while (!m_stop) {
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const auto target = std::size_t(elapsed * m_rate);
            for (; due < target && !m_stop; ++due)
                if (sendOne(m_emulator, due))
                    m_sent.fetch_add(1, std::memory_order_relaxed);
            m_emulator.pump(0);
            m_emulator.clearReceived();
        }
    }

    emu::Emulator m_emulator;
    int m_rate;
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_sent{0};
    std::thread m_thread;
};

// Units that should not be there, sending as fast as told: a KR-9X and a
// KR-960 with IDs out of their model's range, and a KR-9X that claims the ID
// of a rack unit with another MAC. Each datagram raises a notice.
class Flood : public PacedSender {
public:
    Flood(std::uint16_t pcPort, std::uint16_t unitPort, int rate) : PacedSender(pcPort, unitPort, rate)
    {
        emulator().addUnit(emu::defaultConfig(emu::Model::KR9X, 5, 100));
        emulator().addUnit(emu::defaultConfig(emu::Model::KR960, 17, 101));
        emulator().addUnit(emu::defaultConfig(emu::Model::KR9X, 20, 102));
    }

    void Start()
    {
        PacedSender::Start([](emu::Emulator& units, std::size_t n) { return units.sendReport(int(n % 3)); });
    }
};

int RunFlood(const char* argv0, int seconds, int rate)
{
    ConsoleStart start(argv0, {});
    ProbedApp app(start.argc, start.argv);
    const std::uint16_t port = start.pcPort;
    std::atomic<std::int64_t> keyPostedAt{0};
    app.keyPostedAt = &keyPostedAt;

    Rack rack(port, std::uint16_t(port + 1), seconds);
    Flood flood(port, std::uint16_t(port + 1), rate);
    std::atomic<bool> probing{false};
    std::thread prober;

    std::int64_t lastTick = 0, worstTickGapNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const std::int64_t now = NowNs();
        if (lastTick != 0)
            worstTickGapNs = std::max(worstTickGapNs, now - lastTick);
        lastTick = now;
    });

    int unitsOnLineBefore = 0, unitsOnLineAfter = 0;
    std::size_t floodSent = 0;
    NetworkCounts counts;
    double wall = 0, gui = 0, gui0 = 0;
    std::int64_t wall0 = 0;
    QTimer waitForNetwork;
    QObject::connect(&waitForNetwork, &QTimer::timeout, [&] {
        if (!g_pNetwork || !g_pNetwork->isReceiving())
            return;
        waitForNetwork.stop();
        rack.Start();
    });
    waitForNetwork.start(10);
    QTimer::singleShot(kWarmupSeconds * 1000, [&] {
        unitsOnLineBefore = g_pMainDlg->m_nKR960UnitCount + g_pMainDlg->m_nKR9XUnitCount;
        wall0 = NowNs();
        gui0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        lastTick = 0;
        ticker.start(20);
        flood.Start();
        // The keyboard device is made here, on the GUI thread; the probe's
        // key events then only refer to it.
        QInputDevice::primaryKeyboard();
        probing = true;
        prober = std::thread([&] {
            while (probing) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kProbeEveryMs));
                std::int64_t idle = 0;
                if (g_pMainDlg && keyPostedAt.compare_exchange_strong(idle, NowNs()))
                    QCoreApplication::postEvent(g_pMainDlg,
                                                new QKeyEvent(QEvent::KeyPress, kProbeKey, Qt::NoModifier));
            }
        });
    });
    QTimer::singleShot((kWarmupSeconds + seconds) * 1000, [&] {
        probing = false;
        prober.join();
        ticker.stop();
        flood.Stop();
        wall = double(NowNs() - wall0) / 1e9;
        gui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - gui0;
        floodSent = flood.sent();
        unitsOnLineAfter = g_pMainDlg->m_nKR960UnitCount + g_pMainDlg->m_nKR9XUnitCount;
        rack.Stop();
        CountAndClose(counts);
    });
    app.InitInstance();

    std::printf("flood                        %zu datagrams in %.1f s (%.0f a second)\n", floodSent, wall,
                double(floodSent) / wall);
    std::printf("GUI-thread CPU               %.1f %% of one core\n", 100 * gui / wall);
    std::printf("received / handled / dropped %zu / %zu / %zu\n", counts.received, counts.handled,
                counts.dropped);
    std::printf("rack units on line           %d before, %d at the end (of %d)\n", unitsOnLineBefore,
                unitsOnLineAfter, kRackUnits);
    std::printf("worst gap of a 20 ms timer   %.1f ms\n", double(worstTickGapNs) / 1e6);
    PrintSpread("key posted to handled", SpreadOf(app.keyDelays));
    return unitsOnLineAfter == kRackUnits ? 0 : 1;
}

// One KR-960 hopping between unit IDs, RATE hops a second over the IDs first
// to first + count - 1: each datagram carries the next ID, so the console
// adds it anew every time and sets the slot it left unused.
class Hopper : public PacedSender {
public:
    Hopper(std::uint16_t pcPort, std::uint16_t unitPort, int rate, int firstId, int idCount)
        : PacedSender(pcPort, unitPort, rate), m_firstId(firstId), m_idCount(idCount)
    {
        emulator().addUnit(emu::defaultConfig(emu::Model::KR960, firstId, kHopperSerial));
    }

    // The hopper's serial: its MAC and address.
    static constexpr int kHopperSerial = 100;

    void Start()
    {
        PacedSender::Start([firstId = m_firstId, idCount = std::size_t(m_idCount)](emu::Emulator& unit,
                                                                                 std::size_t n) {
            unit.setUnitId(0, firstId + int(n % idCount));
            return unit.sendReport(0);
        });
    }

private:
    int m_firstId, m_idCount;
};

// The GUI-thread CPU of one datagram, with everything the event loop does
// after it (its paints included): count datagrams of one unit, one a turn of
// the event loop, each handled as soon as it is queued. step(n) readies the
// n-th. Also the median time of the handling alone.
struct DatagramCost {
    double cpuUs = 0;          // GUI-thread CPU per datagram, paints included
    double handlingMedianUs = 0;
};

DatagramCost ProbeCost(emu::Emulator& units, int count, const std::function<void(int)>& step)
{
    std::vector<std::int64_t> handling;
    QEventLoop loop;
    QTimer turn;
    int n = 0;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        if (n == count) {
            turn.stop();
            loop.quit();
            return;
        }
        step(n++);
        const std::size_t before = std::size_t(g_pNetwork->deliveredCount());
        units.sendReport(0);
        if (!g_pNetwork->WaitForQueued(1, 1000))
            return;
        const std::int64_t start = NowNs();
        while (std::size_t(g_pNetwork->deliveredCount()) == before)
            g_pMainDlg->DrainDatagrams();
        handling.push_back(NowNs() - start);
        units.pump(0);
        units.clearReceived();
    });
    const double cpu0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    turn.start(0);
    loop.exec();
    QCoreApplication::processEvents();
    DatagramCost cost;
    cost.cpuUs = (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu0) * 1e6 / count;
    cost.handlingMedianUs = SpreadOf(handling).median * 1000;
    return cost;
}

int RunHop(const char* argv0, int seconds, int rate)
{
    constexpr int kFirstHopId = 9, kHopIds = 8; // the rack leaves IDs 9-16 free
    ConsoleStart start(argv0, {});
    ProbedApp app(start.argc, start.argv);
    const std::uint16_t port = start.pcPort;

    std::vector<std::pair<emu::Model, int>> units;
    std::vector<int> rackSlots;
    for (int id = 1; id < kFirstHopId; ++id) {
        units.emplace_back(emu::Model::KR960, id);
        rackSlots.push_back(UnitNumberToSlot(id));
    }
    for (int id = 17; id <= 32; ++id) {
        units.emplace_back(emu::Model::KR9X, id);
        rackSlots.push_back(UnitNumberToSlot(id));
    }
    const auto rackOnLine = [&] {
        int n = 0;
        for (const int slot : rackSlots)
            n += g_UnitOnline[std::size_t(slot)] != 0;
        return n;
    };
    Rack rack(port, std::uint16_t(port + 1), seconds, units);
    std::unique_ptr<Hopper> hopper;

    DatagramCost reportCost, hopCost;
    int onLineBefore = 0, onLineLowest = 0, onLineAfter = 0;
    double wall = 0, gui = 0, gui0 = 0, worstGapMs = 0;
    std::int64_t wall0 = 0;
    std::size_t hopsSent = 0, rackSent0 = 0, rackSent = 0;
    NetworkCounts counts;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { onLineLowest = std::min(onLineLowest, rackOnLine()); });

    QTimer waitForNetwork;
    QObject::connect(&waitForNetwork, &QTimer::timeout, [&] {
        if (!g_pNetwork || !g_pNetwork->isReceiving())
            return;
        waitForNetwork.stop();
        {
            // The cost of one datagram on its own, before anything else
            // arrives: the hopper's first ID again and again (an ordinary
            // report after the first), then a new ID each time.
            emu::Emulator probe(port, std::uint16_t(port + 1));
            probe.addUnit(emu::defaultConfig(emu::Model::KR960, kFirstHopId, Hopper::kHopperSerial));
            constexpr int kProbes = 400;
            ProbeCost(probe, 8, [](int) {}); // added; the window settles
            reportCost = ProbeCost(probe, kProbes, [](int) {});
            hopCost = ProbeCost(probe, kProbes,
                                [&](int n) { probe.setUnitId(0, kFirstHopId + 1 + n % (kHopIds - 1)); });
        }
        hopper = std::make_unique<Hopper>(port, std::uint16_t(port + 1), rate, kFirstHopId, kHopIds);
        rack.Start();
        QTimer::singleShot(kWarmupSeconds * 1000, [&] {
            onLineBefore = onLineLowest = rackOnLine();
            rack.StartPollWatch();
            rackSent0 = rack.sentCount();
            wall0 = NowNs();
            gui0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            sampler.start(100);
            hopper->Start();
        });
        QTimer::singleShot((kWarmupSeconds + seconds) * 1000, [&] {
            hopper->Stop();
            sampler.stop();
            wall = double(NowNs() - wall0) / 1e9;
            gui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - gui0;
            hopsSent = hopper->sent();
            onLineAfter = rackOnLine();
            rack.Stop();
            rackSent = rack.sentCount() - rackSent0;
            worstGapMs = rack.WorstPollGapMs();
            CountAndClose(counts);
        });
    });
    waitForNetwork.start(10);
    app.InitInstance();

    std::printf("GUI thread per datagram      ordinary report %.0f us (handling %.0f us), "
                "hop %.0f us (handling %.0f us)\n",
                reportCost.cpuUs, reportCost.handlingMedianUs, hopCost.cpuUs, hopCost.handlingMedianUs);
    std::printf("hops                         %zu in %.1f s (%.0f a second) over IDs %d-%d\n", hopsSent, wall,
                double(hopsSent) / wall, kFirstHopId, kFirstHopId + kHopIds - 1);
    std::printf("rack reports sent            %zu\n", rackSent);
    std::printf("GUI-thread CPU               %.1f %% of one core\n", 100 * gui / wall);
    std::printf("received / handled / dropped %zu / %zu / %zu\n", counts.received, counts.handled,
                counts.dropped);
    std::printf("rack units on line           %d before, %d at the worst moment, %d at the end (of %d)\n",
                onLineBefore, onLineLowest, onLineAfter, rack.unitCount());
    std::printf("longest a rack unit went unpolled  %.0f ms\n", worstGapMs);
    return onLineLowest == rack.unitCount() && worstGapMs < 4500 ? 0 : 1;
}

int RunBare(int seconds)
{
    const std::uint16_t port = PickPort();
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("bare receive socket");
        return 1;
    }
    timeval timeout{0, 100000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> received{0};
    std::thread receiver([&] {
        unsigned char buffer[2048];
        while (!stop)
            if (::recv(fd, buffer, sizeof buffer, 0) > 0)
                received.fetch_add(1, std::memory_order_relaxed);
    });
    clockid_t receiverClock{};
    pthread_getcpuclockid(receiver.native_handle(), &receiverClock);

    Rack rack(port, std::uint16_t(port + 1), seconds);
    rack.Start();
    std::this_thread::sleep_for(std::chrono::seconds(kWarmupSeconds));
    const double cpu0 = CpuSeconds(receiverClock);
    const std::int64_t wall0 = NowNs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds(receiverClock) - cpu0;
    const double wall = double(NowNs() - wall0) / 1e9;
    rack.Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop = true;
    receiver.join();
    ::close(fd);
    std::printf("bare receive loop CPU        %.2f %% of one core\n", 100 * cpu / wall);
    std::printf("datagrams sent / received    %zu / %zu\n", rack.sentCount(), received.load());
    return 0;
}

int RunStartup(const char* argv0, const std::string& project)
{
    const char* t0 = std::getenv("CORVANE_BENCH_T0");
    ConsoleStart start(argv0, project);
    ProbedApp app(start.argc, start.argv);
    std::vector<std::int64_t> opens, recalls;
    app.onFirstShown = [&] {
        // Opening the project again through the menu's route, the chooser
        // answering at once.
        if (!project.empty()) {
            SetFileChooser([&](bool, const QString&) { return QString::fromStdString(project); });
            for (int n = 0; n < 5; ++n) {
                const std::int64_t start = NowNs();
                g_pMainDlg->OpenProject(false);
                g_pMainDlg->repaint();
                opens.push_back(NowNs() - start);
            }
            // Recalling scenes in turn: every strip follows its scene.
            for (int n = 0; n < 10; ++n) {
                const std::int64_t start = NowNs();
                g_pMainDlg->RecallScene(1 + n % 2);
                g_pMainDlg->repaint();
                recalls.push_back(NowNs() - start);
            }
        }
        g_pMainDlg->CloseWithoutAsking();
    };
    app.InitInstance();
    if (t0)
        std::printf("start-up to window shown     %.1f ms\n", double(app.firstShownNs - std::atoll(t0)) / 1e6);
    if (!opens.empty())
        PrintSpread("opening the project", SpreadOf(opens));
    if (!recalls.empty())
        PrintSpread("recalling a scene", SpreadOf(recalls));
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: console_load run PROJECT overview|strips [SECONDS]\n"
                 "       console_load flood [SECONDS] [RATE]\n"
                 "       console_load hop [SECONDS] [RATE]\n"
                 "       console_load bare [SECONDS]\n"
                 "       console_load startup [PROJECT]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run" && argc >= 4) {
        const std::string view = argv[3];
        if (view != "overview" && view != "strips")
            return Usage();
        return RunConsole(argv[0], argv[2], view == "strips", argc > 4 ? std::max(1, std::atoi(argv[4])) : 60);
    }
    if (mode == "flood")
        return RunFlood(argv[0], argc > 2 ? std::max(1, std::atoi(argv[2])) : 20,
                        argc > 3 ? std::max(1, std::atoi(argv[3])) : 20000);
    if (mode == "hop")
        return RunHop(argv[0], argc > 2 ? std::max(1, std::atoi(argv[2])) : 20,
                      argc > 3 ? std::max(1, std::atoi(argv[3])) : 2000);
    if (mode == "bare")
        return RunBare(argc > 2 ? std::max(1, std::atoi(argv[2])) : 60);
    if (mode == "startup")
        return RunStartup(argv[0], argc > 2 ? argv[2] : "");
    return Usage();
}
