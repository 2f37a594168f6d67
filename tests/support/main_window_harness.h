#pragma once

// A main window under test: built as the program builds it, on a manual
// clock and timer table (tests drive time, never sleep), with its settings in
// a temporary folder of its own.

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

#include "app/main_dialog.h"
#include "app/project_state.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"
#include "protocol/network_core.h"

namespace console_test {

// What the window runs on.
struct ManualPlatform {
    explicit ManualPlatform(std::uint64_t startMs = 100000) : clock(startMs) {}
    QTemporaryDir dir;
    ManualClock clock;
    ManualTimerTable timers{clock};
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    PlatformServices services{clock, timers, settings, SkinRegistry::instance()};
};

// The window, built and hidden, with g_pMainDlg pointing at it; the file
// type is not registered and, unless ask, no start-up question is asked.
inline std::unique_ptr<CQuellonKR9SeriesDlg> StartMainWindow(PlatformServices& platform,
                                                             StartupOptions options = {},
                                                             bool ask = false)
{
    options.registerFileType = false;
    options.askStartupQuestion = ask;
    auto dlg = std::make_unique<CQuellonKR9SeriesDlg>(platform, options);
    g_pMainDlg = dlg.get();
    dlg->OnInitDialog();
    return dlg;
}

// A datagram as the receive thread hands it to the window: its bytes, the
// route its size and model bit give it, the sender's address and the
// arrival time.
template <typename Packet>
ReceivedDatagram AsReceived(const Packet& packet, DatagramRoute route, std::uint32_t fromAddress,
                            std::uint32_t arrivalMs)
{
    ReceivedDatagram d;
    d.route = route;
    d.size = std::uint16_t(packet.size());
    std::copy(packet.begin(), packet.end(), d.bytes.begin());
    d.fromAddress = fromAddress;
    d.arrivalMs = arrivalMs;
    return d;
}

} // namespace console_test
