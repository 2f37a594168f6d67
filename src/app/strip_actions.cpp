// What the strip controls do: the strip command, the switch setters, the
// views' shared state of a channel and undo.

#include "app/main_dialog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>

#include "app/command_ids.h"
#include "app/gain_conversion.h"
#include "app/preferences.h"
#include "app/undo.h"
#include "controls/strip_switch.h"
#include "platform/timer_table.h"
#include "protocol/sender132.h"
#include "protocol/unit_network.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

using SwitchTable = std::array<CNewCustomBtn*, kChannelCount> CUnderviewWnd::*;

SwitchTable TableOfKind(int kind)
{
    switch (kind) {
    case STRIP_POL:
        return &CUnderviewWnd::m_pPolButton;
    case STRIP_LINK:
        return &CUnderviewWnd::m_pLinkButton;
    case STRIP_PAD:
        return &CUnderviewWnd::m_pPadButton;
    case STRIP_48V:
        return &CUnderviewWnd::m_p48vButton;
    case STRIP_MUTE:
        return &CUnderviewWnd::m_pMuteButton;
    case STRIP_SPLIT:
        return &CUnderviewWnd::m_pSplitButton;
    case STRIP_SAFE:
        return &CUnderviewWnd::m_pSafeButton;
    case STRIP_RBIN:
        return &CUnderviewWnd::m_pRbinButton;
    case STRIP_SQRT:
        return &CUnderviewWnd::m_pSqrtButton;
    default:
        return nullptr;
    }
}

// The kinds of the strip's own controls; the painted labels report theirs.
bool IsStripControlKind(int kind)
{
    return kind >= STRIP_POL && kind <= STRIP_SQRT;
}

int OnOff(int on)
{
    return on ? CNewCustomBtn::kOn : CNewCustomBtn::kOff;
}

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < kChannelCount;
}

} // namespace

ChannelOwner FindChannelOwner(int channel)
{
    ChannelOwner owner;
    if (!ValidChannel(channel))
        return owner;
    int slot = 0, inUnit = 0;
    if (g_Family_KR9X.liveCount > 0 && FindUnitForChannel_KR9X(channel, &slot, &inUnit)) {
        owner.kr9x = true;
        owner.slot = slot;
        owner.channelInUnit = inUnit;
        owner.blockSize = 8;
    }
    if (g_Family_KR960_8.liveCount > 0 && FindUnitForChannel_KR960_8(channel, &slot, &inUnit)) {
        owner.kr960_8 = true;
        owner.slot = slot;
        owner.channelInUnit = inUnit;
        owner.blockSize = 8;
    }
    if (g_Family_KR960.liveCount > 0 && FindUnitForChannel_KR960(channel, &slot, &inUnit)) {
        owner.kr960 = true;
        owner.slot = slot;
        owner.channelInUnit = inUnit;
        owner.blockSize = 16;
    }
    if (owner.blockSize > 0)
        owner.blockFirst = channel - channel % owner.blockSize;
    return owner;
}

// ---- the channel's state in both views ----

CNewCustomBtn* CQuellonKR9SeriesDlg::StripSwitch(int kind, int channel) const
{
    const SwitchTable table = TableOfKind(kind);
    if (!m_wndUnderview || !table || !ValidChannel(channel))
        return nullptr;
    return (m_wndUnderview->*table)[std::size_t(channel)];
}

int CQuellonKR9SeriesDlg::SwitchState(int kind, int channel) const
{
    const CNewCustomBtn* sw = StripSwitch(kind, channel);
    return sw ? sw->m_nState : CNewCustomBtn::kOff;
}

namespace {

using OverviewTable = std::array<CNewCustomBtn*, kChannelCount> COverviewWnd::*;

// The overview's switches of a kind; it has no Link switch.
OverviewTable OverviewTableOfKind(int kind)
{
    switch (kind) {
    case STRIP_POL:
        return &COverviewWnd::m_pPolButton;
    case STRIP_PAD:
        return &COverviewWnd::m_pPadButton;
    case STRIP_48V:
        return &COverviewWnd::m_p48vButton;
    case STRIP_MUTE:
        return &COverviewWnd::m_pMuteButton;
    case STRIP_SPLIT:
        return &COverviewWnd::m_pSplitButton;
    case STRIP_SAFE:
        return &COverviewWnd::m_pSafeButton;
    case STRIP_RBIN:
        return &COverviewWnd::m_pRbinButton;
    case STRIP_SQRT:
        return &COverviewWnd::m_pSqrtButton;
    default:
        return nullptr;
    }
}

} // namespace

void CQuellonKR9SeriesDlg::SetSwitchBothViews(int kind, int channel, int state)
{
    if (CNewCustomBtn* sw = StripSwitch(kind, channel))
        sw->SetState(state);
    const OverviewTable table = OverviewTableOfKind(kind);
    if (m_wndOverview && table && ValidChannel(channel))
        if (CNewCustomBtn* sw = (m_wndOverview->*table)[std::size_t(channel)])
            sw->SetState(state);
}

void CQuellonKR9SeriesDlg::SetFaderBothViews(int channel, int position)
{
    if (!ValidChannel(channel))
        return;
    if (m_wndUnderview)
        m_wndUnderview->m_Slider[std::size_t(channel)]->SetPos(position);
    if (m_wndOverview)
        m_wndOverview->m_Slider[std::size_t(channel)]->SetPos(position);
}

int CQuellonKR9SeriesDlg::FaderPosition(int channel) const
{
    if (!ValidChannel(channel))
        return 0;
    if (m_wndOverview)
        return m_wndOverview->m_Slider[std::size_t(channel)]->GetPos();
    return m_wndUnderview ? m_wndUnderview->m_Slider[std::size_t(channel)]->GetPos() : 0;
}

void CQuellonKR9SeriesDlg::SetReferencePosition(int channel, int position)
{
    if (!ValidChannel(channel))
        return;
    if (m_wndUnderview)
        m_wndUnderview->m_Slider[std::size_t(channel)]->m_nLinkedOffset = position;
    if (m_wndOverview)
        m_wndOverview->m_Slider[std::size_t(channel)]->m_nLinkedOffset = position;
}

int CQuellonKR9SeriesDlg::ReferencePosition(int channel) const
{
    if (!m_wndUnderview || !ValidChannel(channel))
        return 0;
    return m_wndUnderview->m_Slider[std::size_t(channel)]->m_nLinkedOffset;
}

void CQuellonKR9SeriesDlg::SetGainTextBothViews(int channel, int db)
{
    if (m_wndUnderview)
        m_wndUnderview->SetGainText(channel, db);
    if (m_wndOverview)
        m_wndOverview->SetGainText(channel, db);
}

void CQuellonKR9SeriesDlg::SetLinkLabelBothViews(int channel, const QString& label)
{
    if (!ValidChannel(channel))
        return;
    g_ChannelLinkLabel[std::size_t(channel)] = label;
    if (m_wndUnderview)
        m_wndUnderview->SetLinkLabel(channel, label);
    if (m_wndOverview)
        m_wndOverview->SetLinkLabel(channel, label);
}

// ---- the switch setters ----

namespace {

// 48v and Rbin exclude each other: setting one on dims the other, setting it
// off turns the other off. Nothing changes while the switch is dimmed.
void SetExclusivePair(CQuellonKR9SeriesDlg& dlg, int own, int other, int channel, int on)
{
    if (dlg.SwitchState(own, channel) == CNewCustomBtn::kDisabled || !dlg.StripSwitch(own, channel))
        return;
    dlg.SetSwitchBothViews(own, channel, OnOff(on));
    dlg.SetSwitchBothViews(other, channel, on ? CNewCustomBtn::kDisabled : CNewCustomBtn::kOff);
}

} // namespace

void CQuellonKR9SeriesDlg::SetPolButtons(int channel, int on)
{
    SetSwitchBothViews(STRIP_POL, channel, OnOff(on));
}

void CQuellonKR9SeriesDlg::SetPadButtons(int channel, int on)
{
    SetSwitchBothViews(STRIP_PAD, channel, OnOff(on));
}

void CQuellonKR9SeriesDlg::Set48vButtons(int channel, int on)
{
    SetExclusivePair(*this, STRIP_48V, STRIP_RBIN, channel, on);
}

void CQuellonKR9SeriesDlg::SetMuteButtons(int channel, int on)
{
    SetSwitchBothViews(STRIP_MUTE, channel, OnOff(on));
}

void CQuellonKR9SeriesDlg::SetSplitButtons(int channel, int on)
{
    SetSwitchBothViews(STRIP_SPLIT, channel, OnOff(on));
}

void CQuellonKR9SeriesDlg::SetSafeButtons(int channel, int on)
{
    SetSwitchBothViews(STRIP_SAFE, channel, OnOff(on));
}

void CQuellonKR9SeriesDlg::SetRbinButtons(int channel, int on)
{
    SetExclusivePair(*this, STRIP_RBIN, STRIP_48V, channel, on);
}

void CQuellonKR9SeriesDlg::SetPhantomAndRibbonButtons(int channel, int phantom, int ribbon)
{
    // A dimmed switch takes no set, so the one the unit has off is cleared
    // first: the other may then be set. The unit cannot have both; should it
    // report both, the phantom power it has is what shows.
    if (phantom) {
        SetRbinButtons(channel, 0);
        Set48vButtons(channel, 1);
    } else {
        Set48vButtons(channel, 0);
        SetRbinButtons(channel, ribbon);
    }
}

void CQuellonKR9SeriesDlg::SetSqrtButtons(int channel, int on)
{
    SetSwitchBothViews(STRIP_SQRT, channel, OnOff(on));
}

void CQuellonKR9SeriesDlg::SetLinkButton(int channel, int on)
{
    SetSwitchBothViews(STRIP_LINK, channel, OnOff(on));
}

// ---- the strip command ----

void CQuellonKR9SeriesDlg::PushUndoRecord(int channel, int kind, int value)
{
    ::PushUndoRecord(channel, kind, value);
}

void CQuellonKR9SeriesDlg::OnStripButton()
{
    const int state = g_nStripCommandState;
    const int kind = g_nStripCommandKind;
    const int channel = g_nCurrentChannel;
    const ChannelOwner owner = FindChannelOwner(channel);
    const bool ctrl = g_InputModifiers & Qt::ControlModifier;
    g_InputModifiers = Qt::NoModifier; // they belonged to this command only
    const bool blockKind = kind == STRIP_POL || kind == STRIP_PAD || kind == STRIP_48V || kind == STRIP_MUTE
        || kind == STRIP_SPLIT || kind == STRIP_SAFE || kind == STRIP_RBIN || kind == STRIP_SQRT;
    const float value = state > 0 ? 1.0f : 0.0f;

    // One channel's switch change: both views, the unit, the history.
    const auto applySwitch = [&](int ch, const ChannelOwner& unit, int convertChannel) {
        switch (kind) {
        case STRIP_48V:
            Set48vButtons(ch, state == 1);
            break;
        case STRIP_RBIN:
            SetRbinButtons(ch, state == 1);
            break;
        default:
            SetSwitchBothViews(kind, ch, state);
            break;
        }
        if (const char* name = StripControlName(kind))
            SendControlToModels(unit.kr9x, unit.kr960_8, unit.kr960, unit.slot, name, value,
                                unit.channelInUnit);
        ::PushUndoRecord(ch, kind, state > 0 ? 1 : 0);
        // Pad moves the read-out by its attenuation.
        if (kind == STRIP_PAD)
            SetGainTextBothViews(ch, GainStepToDbForChannel(convertChannel, FaderPosition(ch)));
    };

    if (blockKind && ctrl) {
        for (int j = 0; j < owner.blockSize; ++j) {
            ChannelOwner unit = owner;
            unit.channelInUnit = j;
            applySwitch(owner.blockFirst + j, unit, channel);
        }
    } else if (kind == STRIP_MUTE) {
        SetSwitchBothViews(STRIP_MUTE, channel, state);
        int count = 0;
        if (CollectLinkedChannels(channel, count) && g_bMuteLinkedChannels && count > 0) {
            // Every member of the group takes the Mute, each at its own unit.
            const std::vector<int> members(g_LinkedChannels.begin(), g_LinkedChannels.begin() + count);
            for (const int member : members) {
                SetSwitchBothViews(STRIP_MUTE, member, OnOff(state > 0));
                const ChannelOwner unit = FindChannelOwner(member);
                SendControlToModels(unit.kr9x, unit.kr960_8, unit.kr960, unit.slot, "Mute", value,
                                    unit.channelInUnit);
                ::PushUndoRecord(member, STRIP_MUTE, state > 0 ? 1 : 0);
            }
            m_platform.timers.arm(kTimerSendAll, 100);
        } else {
            SendControlToModels(owner.kr9x, owner.kr960_8, owner.kr960, owner.slot, "Mute", value,
                                owner.channelInUnit);
            ::PushUndoRecord(channel, STRIP_MUTE, state > 0 ? 1 : 0);
        }
    } else if (blockKind) {
        applySwitch(channel, owner, channel);
    } else if (kind == STRIP_LINK) {
        ToggleChannelLink(true);
        if (owner.any())
            m_platform.timers.arm(kTimerResendLinks, 100);
        MarkCurrentSceneModified();
        return;
    } else if (kind == STRIP_LINK_MENU) {
        ShowLinkPopup();
    } else if (kind == STRIP_CHANNEL_TITLE) {
        OnChannelNaming(channel, true);
    }
    // Safe is the operator's guard, not a setting of the scene; a plain label
    // (read-outs, numbers, headers, edges) reports its click but changes nothing.
    if (kind != STRIP_SAFE && IsStripControlKind(kind))
        MarkAndTrackActiveScene();
}

void CQuellonKR9SeriesDlg::ShowLinkPopup()
{
    g_bLinkPopupOpening = true;
    const QPoint at = QCursor::pos();
    QMenu menu(this);
    QAction* title = menu.addAction(QStringLiteral("Link Group"));
    title->setData(100);
    menu.addSeparator();
    const int channel = g_nCurrentChannel;
    const int group = ValidChannel(channel) ? g_ChannelLinkGroup[std::size_t(channel)] : 0;
    QAction* none = menu.addAction(QStringLiteral("None"));
    none->setData(int(ID_LINK_GROUP_NONE));
    none->setCheckable(true);
    none->setChecked(group == 0);
    for (int g = 1; g <= kLinkGroupCount; ++g) {
        QAction* item = menu.addAction(QStringLiteral(" %1").arg(g));
        item->setData(ID_LINK_GROUP_NONE + 1 + g);
        item->setCheckable(true);
        item->setChecked(group == g);
    }
    QAction* chosen = menu.exec(at);
    g_bLinkPopupOpening = false;
    if (chosen && chosen->data().toInt() != 100)
        OnCommand(chosen->data().toInt());
}

// ---- undo ----

void CQuellonKR9SeriesDlg::UndoLastChange()
{
    UndoRecord record;
    if (g_nUndoCount == 0 || !PopUndoRecord(&record))
        return;
    g_nCurrentChannel = record.Channel;
    const ChannelOwner owner = FindChannelOwner(record.Channel);
    const int on = record.Value == 0 ? 1 : 0;
    const auto send = [&](const char* name) {
        SendControlToModels(owner.kr9x, owner.kr960_8, owner.kr960, owner.slot, name, on ? 1.0f : 0.0f,
                            owner.channelInUnit);
    };
    switch (record.Control) {
    case STRIP_POL:
        SetPolButtons(record.Channel, on);
        send("Pol");
        break;
    case STRIP_PAD:
        SetPadButtons(record.Channel, on);
        send("Pad");
        break;
    case STRIP_48V:
        Set48vButtons(record.Channel, on);
        send("48v");
        break;
    case STRIP_MUTE:
        SetMuteButtons(record.Channel, on);
        send("Mute");
        break;
    case STRIP_SPLIT:
        SetSplitButtons(record.Channel, on);
        send("Split");
        break;
    case STRIP_RBIN:
        SetRbinButtons(record.Channel, on);
        send("Rbin");
        break;
    case STRIP_SQRT:
        SetSqrtButtons(record.Channel, on);
        send("Sqrt");
        break;
    case STRIP_SAFE:
        SetSafeButtons(record.Channel, on);
        break;
    case STRIP_LINK:
        SetLinkButton(record.Channel, on);
        send("Link");
        g_nStripCommandState = on;
        ToggleChannelLink(false);
        break;
    case UNDO_GAIN: {
        int count = 0;
        if (CollectLinkedChannels(record.Channel, count))
            SetLinkedGain(record.Value, count);
        else
            SetChannelGain(record.Value);
        // The group's range may have stopped the move short of the record,
        // or dropped it: the read-out shows where the fader, and so the unit, is.
        SetGainTextBothViews(record.Channel,
                             GainStepToDbForChannel(record.Channel, FaderPosition(record.Channel)));
        break;
    }
    default:
        break;
    }
}
