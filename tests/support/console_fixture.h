#pragma once

// The shared base of the dialog suites (program globals reset, the boxes,
// messages and beeps the dialogs would show caught instead) and a main window
// on a manual clock for the dialogs that act through it, with units added
// from crafted first datagrams and a loopback socket standing in for the
// units, so the datagrams the dialogs send can be read back.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/app_services.h"
#include "app/fonts.h"
#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/project_state.h"
#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"
#include "dialogs/text_fields.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"
#include "protocol/crafted_packets.h"
#include "protocol/network_core.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/unit_network.h"
#include "support/loopback_port.h"
#include "support/main_window_harness.h"

namespace console_test {

// The text of a dialog's static.
inline QString LabelText(const CSkinnedDialog& dialog, int id)
{
    const auto* label = qobject_cast<const QLabel*>(dialog.GetDlgItem(id));
    return label ? label->text() : QStringLiteral("<none>");
}

// The skinned button a dialog laid over the placeholder with this id.
inline CBrannockButton* ButtonOver(QWidget& dialog, int placeholderId)
{
    for (CBrannockButton* button : dialog.findChildren<CBrannockButton*>())
        if (button->commandId() == placeholderId)
            return button;
    return nullptr;
}

// Clicks the skinned button over the placeholder with this id.
inline void Press(QWidget& dialog, int placeholderId)
{
    CBrannockButton* button = ButtonOver(dialog, placeholderId);
    ASSERT_NE(button, nullptr) << "no button over placeholder " << placeholderId;
    QTest::mouseClick(button, Qt::LeftButton);
}

// Acts on the next modal dialog of type T once its loop runs.
template <typename T>
void WhenModal(std::function<void(T&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the expected dialog is not open";
        act(*dialog);
    });
}

constexpr std::uint32_t kLoopback = 0x7F000001;

// Where the program sends to the units: a UDP socket on a free loopback port.
using UnitPortCapture = LoopbackPort;

// The program's globals reset around each case. Message boxes, messages and
// beeps are caught; the question boxes answer m_answer (No unless a test
// says otherwise).
class DialogFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CreateStripViewFonts();
        CreateSceneListFont();
    }
    void SetUp() override
    {
        ResetProjectState();
        ResetProtocolState();
        ResetPreferences();
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
        SetMessageBoxHandler([this](MessageBoxKind kind, const QString& text) {
            m_boxes.append(text);
            return kind == MessageBoxKind::YesNo ? m_answer : IDOK;
        });
        SetMessageBeepHandler([this] { ++m_beeps; });
    }
    void TearDown() override
    {
        SetShowMessageHandler({});
        SetMessageBoxHandler({});
        SetMessageBeepHandler({});
        ResetProtocolState();
        ResetPreferences();
        ResetProjectState();
    }

    QStringList m_messages;
    QStringList m_boxes;
    int m_beeps = 0;
    int m_answer = IDNO;
};

class ConsoleFixture : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        SetNoticeHandler([this](const QString&, const QString& text, bool restartNow) {
            m_notices.append(text);
            m_noticeRestartNow = restartNow;
        });
        m_dlg = StartMainWindow(m_platform);
        // The unit network without its receive side: sends go to the capture.
        m_network = std::make_unique<NetworkCore>(
            NetworkConfig{0, m_capture.port(), kLoopback}, [] {});
        g_pNetwork = m_network.get();
    }
    void TearDown() override
    {
        g_pNetwork = nullptr;
        m_network.reset();
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetNoticeHandler({});
        DialogFixture::TearDown();
    }

    // A KR-960 (16 channels) or KR-960/8 under a unit ID, at the loopback address.
    void Add132(int unitId, bool sixteen, std::uint8_t macLast)
    {
        UnitPacket132 p = Crafted132::First(std::uint8_t(unitId), sixteen ? 0x09 : 0x08);
        p = Crafted132::With(p, {{0x0D, {macLast}}, {0x7C, {127, 0, 0, 1}}});
        HandlePacket132(sixteen ? g_Family_KR960 : g_Family_KR960_8, p, kLoopback);
        m_capture.Drain();
    }
    // A KR-9X under a unit ID 17..32 (slot ID + 16).
    void AddKR9X(int unitId, std::uint8_t macLast)
    {
        UnitPacket97 p = Crafted97::First(std::uint8_t(unitId), 0x01);
        p = Crafted97::With(p, {{0x0D, {macLast}}});
        HandlePacketKR9X(p, kLoopback);
        m_capture.Drain();
    }

    ManualPlatform m_manual;
    QTemporaryDir& m_dir = m_manual.dir;
    ManualClock& m_clock = m_manual.clock;
    ManualTimerTable& m_timers = m_manual.timers;
    PlatformServices& m_platform = m_manual.services;
    std::unique_ptr<CQuellonKR9SeriesDlg> m_dlg;
    UnitPortCapture m_capture;
    std::unique_ptr<NetworkCore> m_network;
    QStringList m_notices;
    bool m_noticeRestartNow = false;
};

} // namespace console_test
