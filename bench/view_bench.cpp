// The channel-strip view under a full rack of meters: how long the view
// takes to build, and how much of the GUI thread 384 meters updated 20
// times a second cost, painting included (offscreen).
//   QT_QPA_PLATFORM=offscreen build/bench/view_bench [seconds]

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/fonts.h"
#include "app/preferences.h"
#include "app/project_state.h"
#include "platform/clock.h"
#include "platform/font_faces.h"
#include "platform/skin_registry.h"
#include "views/meter_art.h"
#include "views/meter_law.h"
#include "views/underview.h"

namespace {

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    InstallFontSubstitutions();
    CreateStripViewFonts();
    BuildMeterGradient();
    RegisterMeterArt(SkinRegistry::instance());

    SteadyClock clock;
    QWidget window;
    window.resize(1328, 760);

    QElapsedTimer build;
    build.start();
    auto* view = new CUnderviewWnd(&window, clock);
    view->move(0, 210);
    view->BuildUnderviewLayout();
    window.show();
    QApplication::processEvents(); // the first paint of what is on screen
    const double buildMs = double(build.nsecsElapsed()) / 1e6;

    // 384 meters, 20 updates a second each, with levels that keep moving.
    int tick = 0;
    QTimer meters;
    meters.setTimerType(Qt::PreciseTimer);
    QObject::connect(&meters, &QTimer::timeout, [&] {
        ++tick;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const float level = -60.0f + 55.0f * float(0.5 + 0.5 * std::sin(0.21 * tick + 0.37 * ch));
            view->DrawMeterDb(ch, level);
        }
    });
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    meters.start(50);
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;

    std::printf("view build:            %.1f ms (%d strips)\n", buildMs, kChannelCount);
    std::printf("meter updates:         %d rounds of %d meters in %.1f s\n", tick, kChannelCount, elapsed);
    std::printf("repaint requests:      %llu (only meters on screen that changed)\n",
                static_cast<unsigned long long>(view->meterUpdates()));
    std::printf("GUI thread CPU:        %.1f %% of one core\n", 100.0 * cpu / elapsed);
    return 0;
}
