#pragma once

// The main window on the manual platform running its own unit network on
// loopback against emulated units: what they send goes through the real
// receive thread, what the window sends reaches the emulator.

#include <gtest/gtest.h>

#include <netinet/in.h>

#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

#include "support/console_fixture.h"
#include "unit_checks.h"
#include "unit_emulator.h"

namespace console_test {

constexpr int kWaitMs = 5000; // bounds a loopback hand-over; never waited out when all is well

class EmulatedUnitsFixture : public DialogFixture {
protected:
    explicit EmulatedUnitsFixture(std::uint64_t startMs = 100000) : m_manual(startMs) {}

    void SetUp() override
    {
        DialogFixture::SetUp();
        SetNoticeHandler([this](const QString& caption, const QString& text, bool) {
            m_noticeCaptions.append(caption);
            m_notices.append(text);
        });
        StartupOptions options;
        options.network = NetworkConfig{m_pcPort, m_emulator.unitPort(), INADDR_LOOPBACK};
        m_dlg = StartMainWindow(m_manual.services, options);
        m_timers.advance(200); // the network starts
        ASSERT_NE(m_dlg->network(), nullptr);
        ASSERT_TRUE(m_dlg->network()->isReceiving());
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetNoticeHandler({});
        DialogFixture::TearDown();
    }

    NetworkCore& Net() const { return *m_dlg->network(); }

    // The unit's report, counted once and waiting in the window's queue.
    void Send(int unit)
    {
        const std::uint64_t dealt = Net().deliveredCount() + Net().queuedCount();
        const std::uint32_t counted = Net().g_PacketsReceived.load();
        ASSERT_TRUE(m_emulator.sendReport(unit));
        ASSERT_TRUE(Net().WaitForDealtWith(dealt + 1, kWaitMs));
        EXPECT_EQ(Net().g_PacketsReceived.load(), counted + 1);
    }
    // The unit's report, handled by the window.
    void Report(int unit)
    {
        Send(unit);
        m_dlg->DrainDatagrams();
    }
    // What the units have been sent, once count datagrams have arrived.
    std::vector<emu::Received> Await(std::size_t count)
    {
        EXPECT_TRUE(m_emulator.waitFor(count, kWaitMs));
        std::vector<emu::Received> got = m_emulator.received();
        m_emulator.clearReceived();
        return got;
    }
    int AddUnit(emu::Model model, int unitId, int serial)
    {
        return m_emulator.addUnit(emu::defaultConfig(model, unitId, serial));
    }

    ManualPlatform m_manual;
    ManualClock& m_clock = m_manual.clock;
    ManualTimerTable& m_timers = m_manual.timers;
    std::uint16_t m_pcPort = FreeUdpPort();
    emu::Emulator m_emulator{m_pcPort, FreeUdpPort()};
    std::unique_ptr<CQuellonKR9SeriesDlg> m_dlg;
    QStringList m_noticeCaptions;
    QStringList m_notices;
};

} // namespace console_test
