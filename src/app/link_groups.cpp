// Link groups and the three gain operations: a single channel, a linked
// group that keeps its distances, and the Ctrl unit block.

#include "app/main_dialog.h"

#include <QGuiApplication>

#include <algorithm>
#include <vector>

#include "app/app_services.h"
#include "app/gain_conversion.h"
#include "app/preferences.h"
#include "app/undo.h"
#include "controls/strip_switch.h"
#include "platform/timer_table.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_network.h"

namespace {

// At most this many members take part in one linked move.
constexpr int LINK_GAIN_MAX_MEMBERS = 382;

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < kChannelCount;
}

int& Membership(int channel, int group0)
{
    return g_LinkMembership[std::size_t(channel * kLinkGroupCount + group0)];
}

void ClearMemberships(int channel)
{
    for (int g = 0; g < kLinkGroupCount; ++g)
        Membership(channel, g) = 0;
}

QString GroupLabel(int group1)
{
    return group1 == 0 ? QStringLiteral("-") : QString::number(group1);
}

} // namespace

bool IsGroupUsedByOtherUnit(const std::array<ChannelLinkRecord, kChannelCount>& links, int slot, int group0)
{
    return std::any_of(links.begin(), links.end(), [&](const ChannelLinkRecord& r) {
        return r.linkGroup == group0 && r.ownerSlot != slot && r.ownerSlot != -1;
    });
}

void KeepOnlyGroup(int group0)
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    for (int g = 0; g < kLinkGroupCount; ++g)
        if (g != group0)
            Membership(channel, g) = 0;
}

void CQuellonKR9SeriesDlg::AssignLinkGroup(int channel, int group0, bool recordUndo)
{
    if (!ValidChannel(channel))
        return;
    const std::size_t c = std::size_t(channel);
    const int slot = ChannelToSlot(channel);
    // A refused join leaves no group, flag or Link state behind.
    const auto refuse = [&](const QString& message) {
        g_ChannelLinkGroup[c] = 0;
        g_ChannelLinkOn[c] = 0;
        ClearMemberships(channel);
        SetLinkButton(channel, 0);
        m_aChannelLink[c].ownerSlot = -1;
        m_aChannelLink[c].linkGroup = -1;
        SetLinkLabelBothViews(channel, QStringLiteral("-"));
        g_strMessage = message;
        RunMessageBox(MessageBoxKind::SelfClosing);
    };
    if (g_UnitName[std::size_t(slot - 1)].contains(QLatin1String("Unused"))) {
        refuse(QStringLiteral("You can't set a Link Group on an Unused Unit."));
        return;
    }
    if (group0 == -1) {
        SetLinkLabelBothViews(channel, QStringLiteral("-"));
        m_aChannelLink[c].ownerSlot = -1;
        m_aChannelLink[c].linkGroup = -1;
        return;
    }
    if (IsGroupUsedByOtherUnit(m_aChannelLink, slot, group0)) {
        refuse(QStringLiteral("Two different Units cannot have the same Link Group."));
        return;
    }
    g_ChannelLinkOn[c] = 1;
    g_nCurrentChannel = channel;
    ApplyLinkGroup(group0 + 1);
    if (recordUndo)
        ::PushUndoRecord(channel, STRIP_LINK, 1);
    g_ChannelLinkIndex[c] = group0;
    m_aChannelLink[c].ownerSlot = slot;
    m_aChannelLink[c].linkGroup = group0;
    SetLinkLabelBothViews(channel, GroupLabel(group0 + 1));
}

void CQuellonKR9SeriesDlg::ApplyLinkGroup(int group1)
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    const std::size_t c = std::size_t(channel);
    g_ChannelLinkGroup[c] = group1;
    SetLinkLabelBothViews(channel, GroupLabel(group1));
    if (g_ChannelLinkOn[c])
        SetLinkButton(channel, 1);
    SetReferencePosition(channel, FaderPosition(channel));
    const ChannelOwner owner = FindChannelOwner(channel);
    if (owner.kr9x)
        SendControlToModels(true, false, false, owner.slot, "Link", 1.0f, owner.channelInUnit);
    if (g_bMuteLinkedChannels)
        SyncLinkedMute();
    if (group1 >= 1 && group1 <= kLinkGroupCount) {
        Membership(channel, group1 - 1) = 1;
        KeepOnlyGroup(group1 - 1);
    }
    g_nLastGain = FaderPosition(channel);
}

void CQuellonKR9SeriesDlg::SetCurrentChannelGroup(int group1, bool recordUndo)
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    g_ChannelLinkGroup[std::size_t(channel)] = group1;
    // Every distance is taken afresh from where the faders stand now.
    for (int ch = 0; ch < kChannelCount; ++ch)
        SetReferencePosition(ch, FaderPosition(ch));
    AssignLinkGroup(channel, group1 - 1, recordUndo);
}

void CQuellonKR9SeriesDlg::OnLinkGroupNone()
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    const std::size_t c = std::size_t(channel);
    const int old = g_ChannelLinkGroup[c];
    g_ChannelLinkGroup[c] = 0;
    if (old >= 1 && old <= kLinkGroupCount)
        Membership(channel, old - 1) = 0;
    SetLinkLabelBothViews(channel, QStringLiteral("-"));
    SetLinkButton(channel, 0);
    SetReferencePosition(channel, FaderPosition(channel));
    if (g_ChannelUnitType[c] == UNIT_TYPE_UNUSED)
        return;
    const ChannelOwner owner = FindChannelOwner(channel);
    SendControlToModels(owner.kr9x, owner.kr960_8, owner.kr960, owner.slot, "Link", 0.0f,
                        owner.channelInUnit);
    ClearMemberships(channel);
    ::PushUndoRecord(channel, STRIP_LINK, 0);
    if (!g_bInitialising)
        update();
    m_aChannelLink[c].ownerSlot = -1;
    m_aChannelLink[c].linkGroup = -1;
}

void CQuellonKR9SeriesDlg::OnLinkOff()
{
    ClearChannelLink();
    ::PushUndoRecord(g_nCurrentChannel, STRIP_LINK, 0);
}

void CQuellonKR9SeriesDlg::ClearChannelLink()
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    const std::size_t c = std::size_t(channel);
    g_ChannelLinkGroup[c] = 0;
    SetLinkLabelBothViews(channel, QStringLiteral("-"));
    SetLinkButton(channel, 0);
    SetReferencePosition(channel, FaderPosition(channel));
    const ChannelOwner owner = FindChannelOwner(channel);
    if (owner.kr9x)
        SendControlToModels(true, false, false, owner.slot, "Link", 0.0f, owner.channelInUnit);
    ClearMemberships(channel);
    // The record lets go of the group too, so another unit may take it.
    m_aChannelLink[c].linkGroup = -1;
    if (!g_bInitialising)
        update();
}

bool CQuellonKR9SeriesDlg::CollectLinkedChannels(int channel, int& count)
{
    count = 0;
    if (!ValidChannel(channel))
        return false;
    const int group = g_ChannelLinkGroup[std::size_t(channel)];
    if (group == 0)
        return false;
    const int state = SwitchState(STRIP_LINK, channel);
    if (state == CNewCustomBtn::kOff) {
        count = -1;
        return false;
    }
    if (state != CNewCustomBtn::kOn)
        return true;
    for (int ch = 0; ch < kChannelCount; ++ch)
        if (g_ChannelLinkGroup[std::size_t(ch)] == group && SwitchState(STRIP_LINK, ch) == CNewCustomBtn::kOn)
            g_LinkedChannels[std::size_t(count++)] = ch;
    return true;
}

void CQuellonKR9SeriesDlg::SyncLinkedMute()
{
    const int channel = g_nCurrentChannel;
    int count = 0;
    if (!CollectLinkedChannels(channel, count))
        return;
    bool on = false;
    for (int i = 0; i < count; ++i)
        on = on || SwitchState(STRIP_MUTE, g_LinkedChannels[std::size_t(i)]) == CNewCustomBtn::kOn;
    const ChannelOwner owner = FindChannelOwner(channel);
    SendControlToModels(owner.kr9x, owner.kr960_8, owner.kr960, owner.slot, "Mute", on ? 1.0f : 0.0f,
                        owner.channelInUnit);
    SetMuteButtons(channel, on);
}

void CQuellonKR9SeriesDlg::ToggleChannelLink(bool recordUndo)
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    const std::size_t c = std::size_t(channel);
    const int s = g_nStripCommandState;
    const ChannelOwner owner = FindChannelOwner(channel);
    g_ChannelLinkOn[c] = s == 1 ? 1 : 0;
    SetSwitchBothViews(STRIP_LINK, channel, s);

    // Which grouped channels had their Link switch off before.
    std::vector<int> offBefore;
    if (owner.kr9x) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            bool flagged = false;
            for (int g = 0; g < kLinkGroupCount; ++g)
                flagged = flagged || Membership(ch, g);
            if (flagged && SwitchState(STRIP_LINK, ch) == CNewCustomBtn::kOff)
                offBefore.push_back(ch);
        }
    }

    int newLink = 0;
    if (s == 1) {
        const int g = g_ChannelLinkGroup[c];
        if (g >= 1 && g <= kLinkGroupCount)
            Membership(channel, g - 1) = 0;
        SetCurrentChannelGroup(g, false);
        g_nCurrentChannel = channel;
        ApplyLinkGroup(g);
        newLink = 1;
    }
    if (owner.kr9x) {
        for (const int ch : offBefore)
            if (g_ChannelLinkGroup[std::size_t(ch)] == g_ChannelLinkGroup[c])
                SendControlToModels(true, false, false, ch / 8 + 1, "Link", 0.0f, ch % 8);
        SendControlToModels(true, false, false, owner.slot, "Link", float(newLink), owner.channelInUnit);
    }
    if (recordUndo)
        ::PushUndoRecord(channel, STRIP_LINK, newLink);
}

void CQuellonKR9SeriesDlg::SetChannelGain(int position)
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    // A lone move (Alt or Shift drag) takes the channel out of its group for the move.
    if (IsLoneMoveModifier(g_InputModifiers) && !g_bAltDetached
        && SwitchState(STRIP_LINK, channel) == CNewCustomBtn::kOn) {
        g_nStripCommandState = 0;
        g_bAltDetached = true;
        ToggleChannelLink(false);
        g_nCurrentChannel = channel;
        m_platform.timers.arm(kTimerAltRelink, 20);
    }
    SetFaderBothViews(channel, position);
    const int db = GainStepToDbForChannel(channel, FaderPosition(channel));
    SetGainTextBothViews(channel, db);
    const ChannelOwner owner = FindChannelOwner(channel);
    if (owner.any()) {
        SendControlToModels(owner.kr9x, owner.kr960_8, owner.kr960, owner.slot, "Gain", float(db),
                            owner.channelInUnit);
        m_platform.timers.arm(kTimerSendAll, 100);
    }
    m_platform.timers.arm(kTimerSettle, 2000);
    MarkCurrentSceneModified();
}

void CQuellonKR9SeriesDlg::SetLinkedGain(int position, int count)
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel) || count <= 0)
        return;
    const bool kr9x = g_ChannelUnitType[std::size_t(channel)] == UNIT_TYPE_KR9X;
    const int upper = kr9x ? 61 : 63;
    // While a remote unit has reported status 1, linked moves stay below 58 dB.
    const int lower = g_Status1Seen_KR9X ? 11 : 0;
    const int n = std::min(count, LINK_GAIN_MAX_MEMBERS);
    const std::vector<int> members(g_LinkedChannels.begin(), g_LinkedChannels.begin() + n);

    const int ref = ReferencePosition(channel);
    int minRef = 100, maxRef = -100;
    for (const int m : members) {
        minRef = std::min(minRef, ReferencePosition(m));
        maxRef = std::max(maxRef, ReferencePosition(m));
    }
    int target = position;
    if (target < ref - minRef)
        target = ref - minRef;
    if (target > ref + upper - maxRef)
        target = ref + upper - maxRef;
    // A move that would take any member out of range is dropped whole.
    for (const int m : members) {
        const int p = ReferencePosition(m) - ref + target;
        if (p < lower || p > upper)
            return;
    }
    const ChannelOwner current = FindChannelOwner(channel);
    for (const int m : members) {
        const int p = ReferencePosition(m) - ref + target;
        SetFaderBothViews(m, p);
        const int db = kr9x ? GainStepToDbKR9X(p) : GainStepToDb(p);
        SetGainTextBothViews(m, db);
        const ChannelOwner unit = FindChannelOwner(m);
        const bool sameModel = (unit.kr9x && current.kr9x) || (unit.kr960_8 && current.kr960_8)
            || (unit.kr960 && current.kr960);
        if (sameModel && g_SendInProgress == 0)
            SendControlToModels(unit.kr9x, unit.kr960_8, unit.kr960, unit.slot, "Gain", float(db),
                                unit.channelInUnit);
    }
    m_platform.timers.arm(kTimerSendAll, 100);
    m_platform.timers.arm(kTimerSettle, 2000);
    MarkCurrentSceneModified();
}

void CQuellonKR9SeriesDlg::SetUnitBlockGain(int position)
{
    const int channel = g_nCurrentChannel;
    if (!ValidChannel(channel))
        return;
    int upper = 61, size = 8;
    if (channel < kFirstRemoteChannel) {
        upper = 63;
        size = FindChannelOwner(channel).kr960 ? 16 : 8;
    }
    const int first = channel - channel % size;
    int minPos = 1000, maxPos = -1000;
    for (int ch = first; ch < first + size; ++ch) {
        minPos = std::min(minPos, FaderPosition(ch));
        maxPos = std::max(maxPos, FaderPosition(ch));
    }
    const int cur = FaderPosition(channel);
    int target = position;
    if (target > cur - maxPos + upper)
        target = cur - maxPos + upper;
    if (target < cur - minPos)
        target = cur - minPos;
    if (target != cur) {
        for (int ch = first; ch < first + size; ++ch) {
            g_nCurrentChannel = ch;
            SetChannelGain(FaderPosition(ch) + target - cur);
        }
        g_nCurrentChannel = channel;
    }
    g_nLastGain = target;
}

void CQuellonKR9SeriesDlg::OnFaderReleased()
{
    TrackActiveScene();
}
