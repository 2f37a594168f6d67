// What the main window takes from emulated units on loopback: gain codes a
// fader cannot show, and units that keep sending while a box that a datagram
// raised is up.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "controls/gain_fader.h"
#include "support/emulated_units.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

using namespace console_test;
using emu::Model;

class UnitWire : public EmulatedUnitsFixture {};

} // namespace

TEST_F(UnitWire, GainCodesAFaderCannotShowComeIntoItsRangeOnFaderAndReadOut)
{
    emu::UnitConfig big = emu::defaultConfig(Model::KR960, 1, 1);
    emu::UnitConfig remote = emu::defaultConfig(Model::KR9X, 17, 2);
    const int codes[] = {247, 0, 40, 127}; // on records 0..3
    for (std::size_t r = 0; r < std::size(codes); ++r) {
        for (emu::UnitConfig* cfg : {&big, &remote}) {
            cfg->gainCodes[r] = std::uint8_t(codes[r]);
            cfg->switchFlags[r] = 0; // Pad off: the read-out is the gain itself
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
        {0, 0, "+64 dB"}, {1, 63, "+1 dB"}, {2, 29, "+35 dB"}, {3, 0, "+64 dB"},
        // KR-9X: gain codes 8 to 69 on positions 61 to 0.
        {256, 0, "+69 dB"}, {257, 61, "+8 dB"}, {258, 29, "+40 dB"}, {259, 0, "+69 dB"},
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
    const int a = AddUnit(Model::KR960, 1, 1);
    const int b = AddUnit(Model::KR960_8, 2, 2);
    Report(a);
    Report(b); // both heard at 100200; the watchdog ticks at 102000, 104000, ...
    m_timers.advance(2800);

    // At 103000 b reports another subnet mask; while its box is up a
    // reports, and the watchdog ticks at 104000.
    m_emulator.setSubnetMask(b, 0xFFFF0000);
    bool once = true;
    SetShowMessageHandler([&](const QString& text) {
        m_messages.append(text);
        if (std::exchange(once, false)) {
            Send(a);
            m_timers.advance(1000);
        }
    });
    Report(b);
    ASSERT_TRUE(m_messages.contains(QStringLiteral("Wrong SubnetMask.")));
    // The second spent in the box used up the batch's time: a's report
    // comes with the next batch.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Net().queuedCount(), 0u);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);
    EXPECT_EQ(m_dlg->m_nKR960_8UnitCount, 1);
    EXPECT_EQ(g_UnitStatus[1], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitStatus[3], UNIT_ACTIVE);

    // Both were last heard at 103000, not when their datagrams could be
    // handled: at the tick of 106000 they have been silent for 3000 ms.
    m_timers.advance(2000);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount + m_dlg->m_nKR960_8UnitCount, 0);
    EXPECT_EQ(g_UnitStatus[1], UNIT_OFFLINE);
    EXPECT_EQ(g_UnitStatus[3], UNIT_OFFLINE);
}
