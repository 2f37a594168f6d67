#pragma once

// The console fixture for suites that work the main window's strips and
// scene list: the scene dialogs answered from the test (every other dialog
// recorded and cancelled), the file chooser answering m_chosenFile, and the
// faders, link groups, scene lines and unit datagrams at hand.

#include <QListWidget>

#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/undo.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "dialogs/naming_dialogs.h"
#include "protocol/bytes.h"
#include "support/console_fixture.h"
#include "views/overview.h"
#include "views/underview.h"

namespace console_test {

using Datagram = std::vector<std::uint8_t>;
using Bytes = std::vector<int>;

// A 132-byte unit's first datagram with every channel record alike.
inline UnitPacket132 Uniform132(int unitId, int option, std::uint8_t macLast, int gainCode, int split, int flags)
{
    UnitPacket132 p = Crafted132::First(std::uint8_t(unitId), std::uint8_t(option));
    p = Crafted132::With(p, {{0x0D, {macLast}}, {0x7C, {127, 0, 0, 1}}});
    for (int n = 0; n < 16; ++n)
        p = Crafted132::With(p, {{std::size_t(0x22 + 5 * n + 2), {gainCode, split, flags}}});
    return p;
}

class ConsoleWindow : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        // The fixture's network core stands in for the window's own.
        m_timers.kill(CQuellonKR9SeriesDlg::kTimerStartNetwork);
        ClearUndoHistory();
        view = m_dlg->m_wndUnderview;
        SetDialogHandler([this](CSkinnedDialog& dialog) {
            m_dialogs.append(QString::fromLatin1(dialog.metaObject()->className()));
            if (dynamic_cast<CNewSceneDialog*>(&dialog)) {
                g_SceneName[std::size_t(g_nSceneCount)] = m_nextScene;
                g_SceneNotes[std::size_t(g_nSceneCount)] = QStringLiteral("notes of ") + m_nextScene;
                return IDOK;
            }
            if (dynamic_cast<CRenameScene*>(&dialog)) {
                m_renamedIndex = g_nCurrentIndex;
                if (m_renameTo.isEmpty())
                    return IDCANCEL;
                g_strRenamedScene = m_renameTo;
                return IDOK;
            }
            return IDCANCEL;
        });
        SetFileChooser([this](bool, const QString&) {
            ++m_chooserAsked;
            return m_chosenFile;
        });
    }
    void TearDown() override
    {
        SetDialogHandler({});
        SetFileChooser({});
        ConsoleFixture::TearDown();
    }

    void ShowStrips()
    {
        if (g_bOverviewMode)
            m_dlg->OnOverviewButton();
        m_dlg->show();
    }
    // The fader of the view shown.
    CMySlider* Fader(int channel) const
    {
        const std::size_t c = std::size_t(channel);
        return g_bOverviewMode ? m_dlg->m_wndOverview->m_Slider[c] : view->m_Slider[c];
    }
    // A fader's step, which both views must show alike.
    int Pos(int channel) const
    {
        const int pos = m_dlg->FaderPosition(channel);
        EXPECT_EQ(view->m_Slider[std::size_t(channel)]->GetPos(), pos) << "the views differ on " << channel;
        return pos;
    }
    void Group(int channel, int group1)
    {
        g_nCurrentChannel = channel;
        m_dlg->OnCommand(ID_LINK_OFF + group1);
    }

    void NewScene(const QString& name)
    {
        m_nextScene = name;
        m_dlg->OnCommand(IDC_NEW_SCENE);
    }
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < m_dlg->sceneList()->count(); ++i)
            lines.append(m_dlg->sceneList()->item(i)->text());
        return lines;
    }

    // Exactly count datagrams, and nothing after them; a missing one reads
    // as empty and fails its checks.
    std::vector<Datagram> Take(std::size_t count)
    {
        std::vector<Datagram> got;
        while (got.size() < count) {
            std::optional<Datagram> next = m_capture.Next();
            if (!next)
                break;
            got.push_back(std::move(*next));
        }
        EXPECT_EQ(got.size(), count);
        EXPECT_FALSE(m_capture.Next(0)) << "more datagrams than expected";
        got.resize(count);
        return got;
    }
    // Each datagram carries the next sequence number.
    static void ExpectConsecutive(const std::vector<Datagram>& got)
    {
        for (std::size_t i = 1; i < got.size(); ++i)
            ASSERT_EQ(ReadBe32(&got[i][0x1A]), ReadBe32(&got[i - 1][0x1A]) + 1) << i;
    }
    static void ExpectHeader(const Datagram& d, int slot)
    {
        EXPECT_EQ(std::string(d.begin(), d.begin() + 4), "KOVA");
        EXPECT_EQ(d[0x04], 3) << "sent by the computer";
        EXPECT_EQ(d[0x05], slot) << "the slot (0: a control datagram)";
    }

    CUnderviewWnd* view = nullptr;
    QStringList m_dialogs;
    QString m_nextScene;
    QString m_renameTo;
    int m_renamedIndex = -1;
    QString m_chosenFile;
    int m_chooserAsked = 0;
};

} // namespace console_test
