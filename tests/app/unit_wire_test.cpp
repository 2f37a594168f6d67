// What the main window takes from emulated units on loopback: gain codes a
// fader cannot show, and units that keep sending while a box that a datagram
// raised is up.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <netinet/in.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>

#include "app/app_services.h"
#include "app/main_dialog.h"
#include "app/project_state.h"
#include "controls/gain_fader.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"
#include "protocol/network_core.h"
#include "protocol/unit_network.h"
#include "unit_emulator.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

using Dlg = CQuellonKR9SeriesDlg;
constexpr int kWaitMs = 5000; // upper bound of a loopback hand-over; never waited out when all is well

class UnitWire : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProjectState();
        ResetProtocolState();
        SetShowMessageHandler([this](const QString& text) {
            m_messages.append(text);
            if (m_duringBox)
                m_duringBox();
        });
        SetNoticeHandler([](const QString&, const QString&, bool) {});
        StartupOptions options;
        options.registerFileType = false;
        options.askStartupQuestion = false;
        options.network = NetworkConfig{m_pcPort, m_emulator.unitPort(), INADDR_LOOPBACK};
        m_dlg = std::make_unique<Dlg>(m_platform, options);
        g_pMainDlg = m_dlg.get();
        m_dlg->OnInitDialog();
        m_timers.advance(200); // timer 48 starts the network
        ASSERT_NE(m_dlg->network(), nullptr);
        ASSERT_TRUE(m_dlg->network()->isReceiving());
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetShowMessageHandler({});
        SetNoticeHandler({});
        ResetProtocolState();
    }

    // The unit's report, waiting for the main window.
    void Send(int unit)
    {
        const std::size_t waiting = m_dlg->network()->queuedCount();
        ASSERT_TRUE(m_emulator.sendReport(unit));
        ASSERT_TRUE(m_dlg->network()->WaitForQueued(waiting + 1, kWaitMs));
    }
    // Sends the unit's report and lets the main window handle it.
    void Report(int unit)
    {
        Send(unit);
        m_dlg->DrainDatagrams();
    }

    QTemporaryDir m_dir;
    ManualClock m_clock{100000};
    ManualTimerTable m_timers{m_clock};
    std::unique_ptr<SettingsStore> m_settings =
        std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.ini")));
    PlatformServices m_platform{m_clock, m_timers, *m_settings, SkinRegistry::instance()};
    std::uint16_t m_pcPort = FreeUdpPort();
    emu::Emulator m_emulator{m_pcPort, FreeUdpPort()};
    std::unique_ptr<Dlg> m_dlg;
    QStringList m_messages;
    std::function<void()> m_duringBox;
};

} // namespace

TEST_F(UnitWire, GainCodesAFaderCannotShowComeIntoItsRangeOnFaderAndReadOut)
{
    emu::UnitConfig big = emu::defaultConfig(emu::Model::KR960, 1, 1);
    emu::UnitConfig remote = emu::defaultConfig(emu::Model::KR9X, 17, 2);
    const struct {
        int record;
        int code;
    } reported[] = {{0, 247}, {1, 0}, {2, 40}, {3, 127}};
    for (const auto& r : reported) {
        for (emu::UnitConfig* cfg : {&big, &remote}) {
            cfg->gainCodes[std::size_t(r.record)] = std::uint8_t(r.code);
            cfg->switchFlags[std::size_t(r.record)] = 0; // Pad off: the read-out is the gain itself
        }
    }
    Report(m_emulator.addUnit(big));
    Report(m_emulator.addUnit(remote));

    const struct {
        int channel;
        int position;
        const char* readOut;
    } shown[] = {
        // KR-960: gain codes 6 to 69 on positions 63 to 0; the read-out is 5 dB less.
        {0, 0, "+64 dB"},
        {1, 63, "+1 dB"},
        {2, 29, "+35 dB"},
        {3, 0, "+64 dB"},
        // KR-9X: gain codes 8 to 69 on positions 61 to 0.
        {256, 0, "+69 dB"},
        {257, 61, "+8 dB"},
        {258, 29, "+40 dB"},
        {259, 0, "+69 dB"},
    };
    for (const auto& s : shown) {
        const std::size_t c = std::size_t(s.channel);
        EXPECT_EQ(m_dlg->m_wndOverview->m_Slider[c]->GetPos(), s.position) << s.channel;
        EXPECT_EQ(m_dlg->m_wndUnderview->m_Slider[c]->GetPos(), s.position) << s.channel;
        EXPECT_EQ(g_ChannelGainText[c], QString::fromLatin1(s.readOut)) << s.channel;
        EXPECT_EQ(g_ChannelGainShortText[c], QString::fromLatin1(s.readOut).chopped(2)) << s.channel;
    }
}

TEST_F(UnitWire, UnitsThatKeepSendingWhileABoxIsUpStayOnLineAndCountAsHeardOnArrival)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 1, 1));
    const int b = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960_8, 2, 2));
    Report(a);
    Report(b); // both heard at 100200; the watchdog ticks at 102000, 104000, ...
    m_timers.advance(2800);

    // At 103000 unit b reports another subnet mask: its handler opens a box,
    // and while it is up a reports, and the watchdog ticks at 104000.
    m_emulator.setSubnetMask(b, 0xFFFF0000);
    m_duringBox = [&] {
        m_duringBox = nullptr;
        Send(a);
        m_timers.advance(1000);
    };
    Report(b);
    ASSERT_TRUE(m_messages.contains(QStringLiteral("Wrong SubnetMask.")));
    // The second spent in the box used up the batch's time: a's report
    // comes with the next batch.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_dlg->network()->queuedCount(), 0u);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);
    EXPECT_EQ(m_dlg->m_nKR960_8UnitCount, 1);
    EXPECT_EQ(g_UnitStatus[1], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitStatus[3], UNIT_ACTIVE);

    // Both were last heard at 103000, not when their datagrams could be
    // handled: at the tick of 106000 they have been silent for 3000 ms.
    m_timers.advance(2000);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 0);
    EXPECT_EQ(m_dlg->m_nKR960_8UnitCount, 0);
    EXPECT_EQ(g_UnitStatus[1], UNIT_OFFLINE);
    EXPECT_EQ(g_UnitStatus[3], UNIT_OFFLINE);
}
