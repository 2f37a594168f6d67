// The scenes of the open project: the records in memory, each reached from
// its scene-list line, and how live channel state goes into a record and
// comes back from it.

#include "app/main_dialog.h"

#include <QListWidget>

#include <list>
#include <new>

#include "app/app_services.h"
#include "app/gain_conversion.h"
#include "app/project_file.h"
#include "app/scene_store.h"
#include "app/undo.h"
#include "app/view_repaint_batch.h"
#include "controls/strip_switch.h"
#include "dialogs/dialog_result.h"
#include "platform/timer_table.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "protocol/unit_network.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

// A record with the number its scene-list line knows it by.
struct StoredScene {
    SceneRecord record;
    SceneRecordId id = 0;
};

// A new scene's record is taken through the scene-record allocator, so the
// program can tell the operator when memory runs out.
using SceneList = std::list<StoredScene, SceneRecordAllocation<StoredScene>>;

SceneList& Store()
{
    static SceneList store;
    return store;
}

// Ids are never used twice in a run, so a line can never reach a record
// made after its own went.
SceneRecordId NextSceneRecordId()
{
    static SceneRecordId last = 0;
    return ++last;
}

} // namespace

ChannelWords SceneRecord::*SwitchField(int kind)
{
    switch (kind) {
    case STRIP_POL:
        return &SceneRecord::PolButton;
    case STRIP_PAD:
        return &SceneRecord::PadButton;
    case STRIP_48V:
        return &SceneRecord::Button48v;
    case STRIP_MUTE:
        return &SceneRecord::MuteButton;
    case STRIP_SPLIT:
        return &SceneRecord::SplitButton;
    case STRIP_SAFE:
        return &SceneRecord::SafeButton;
    case STRIP_RBIN:
        return &SceneRecord::RbinButton;
    default:
        return &SceneRecord::SqrtButton;
    }
}

namespace {

// The sender of the channel's model with the unit's slot and the channel within it.
void SendChannelParam(int slot, int unitType, const char* name, float value, int channelInUnit)
{
    switch (unitType) {
    case UNIT_TYPE_KR9X:
        SendControl_KR9X(slot, name, channelInUnit, value);
        break;
    case UNIT_TYPE_KR960_8:
        SendControl_KR960_8(slot, name, channelInUnit, value);
        break;
    case UNIT_TYPE_KR960:
        SendControl_KR960(slot, name, channelInUnit, value);
        break;
    default:
        break;
    }
}

} // namespace

SceneRecord* FindScene(const QString& name)
{
    for (StoredScene& scene : Store())
        if (scene.record.Name.text() == name)
            return &scene.record;
    return nullptr;
}

SceneRecord* SceneRecordById(SceneRecordId id)
{
    for (StoredScene& scene : Store())
        if (id != 0 && scene.id == id)
            return &scene.record;
    return nullptr;
}

void DeleteSceneRecord(SceneRecordId id)
{
    Store().remove_if([id](const StoredScene& scene) { return id != 0 && scene.id == id; });
}

std::size_t SceneRecordCount()
{
    return Store().size();
}

bool CQuellonKR9SeriesDlg::NewScene(const QString& name)
{
    SceneList& store = Store();
    try {
        store.emplace_back();
    } catch (const std::bad_alloc&) {
        g_strMessage = QStringLiteral("Cannot allocate memory for new scene.");
        RunMessageBox(MessageBoxKind::Message);
        return false;
    }
    store.back().id = NextSceneRecordId();
    SceneRecord& record = store.back().record;
    g_szActiveSceneName = name;
    record.Notes.setText(g_SceneNotes[std::size_t(std::clamp(g_nSceneCount, 0, kSceneCapacity - 1))]);
    record.Name.setText(name);
    CaptureSceneState(record);
    SetSceneLineRecord(g_nSceneCount, store.back().id);
    return true;
}

void CQuellonKR9SeriesDlg::CaptureSceneState(SceneRecord& r)
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const std::size_t c = std::size_t(ch);
        r.SliderPosition[c] = FaderPosition(ch);
        r.LinkedSliderOffset[c] = ReferencePosition(ch);
        for (const int kind : kSceneSwitchKinds)
            (r.*SwitchField(kind))[c] = SwitchState(kind, ch);
        const int link = SwitchState(STRIP_LINK, ch);
        r.LinkButton[c] = link;
        r.LinkButtonDown[c] = link == 1 ? 1 : 0;
        r.LinkGroup[c] = g_ChannelLinkGroup[c];
        r.LinkGroupLabel[c].setText(g_ChannelLinkLabel[c]);
        r.ChannelTitle[c].setText(g_ChannelTitle[c]);
        r.ChannelNotes[c].setText(g_ChannelNotes[c]);
    }
}

void CQuellonKR9SeriesDlg::TrackActiveScene()
{
    // The record that follows the live state is the one of the active line,
    // the scene whose "*" the operator sees (New Scene makes its own line the
    // active one); nothing while that is the blank scene.
    if (!g_bTrackActiveScene || g_nCurrentIndex <= 0 || g_nCurrentIndex >= g_nSceneCount)
        return;
    if (SceneRecord* record = SceneLineRecord(g_nCurrentIndex))
        CaptureSceneState(*record);
}

void CQuellonKR9SeriesDlg::RecallScene(int line)
{
    g_LinkMembership.fill(0);
    const QString name = line >= 0 && line < kSceneCapacity ? g_SceneName[std::size_t(line)] : QString();
    const SceneRecord* found = SceneLineRecord(line);
    if (found) {
        // The record is copied: applying it re-captures the tracked record.
        const SceneRecord record = *found;
        const ViewRepaintBatch batch{m_wndOverview, m_wndUnderview};
        g_SuppressUnitSends = 0;
        g_szActiveSceneName = name;
        g_bTrackActiveScene = true;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            // A channel with Safe on keeps its live state.
            if (ch < kFirstRemoteChannel && SwitchState(STRIP_SAFE, ch) == CNewCustomBtn::kOn)
                continue;
            const bool remote = ch >= kFirstRemoteChannel;
            const int unit = remote ? ch / 8 - 15 : ch / 16 + 1;
            ApplySceneChannel(record, ch, unit, remote ? ch % 8 : ch % 16);
        }
        return;
    }
    if (name == kBlankSceneLine) {
        ResetAllChannels();
        ResetAllChannels();
        g_strActiveSceneLabel = ActiveSceneLabel(0);
        ResetChannelTitles();
        return;
    }
    g_strMessage = QStringLiteral("Scene with name %1 was NOT found").arg(name);
    RunMessageBox(MessageBoxKind::Message);
}

void CQuellonKR9SeriesDlg::ApplySceneChannel(const SceneRecord& r, int ch, int unit, int chInUnit)
{
    const std::size_t c = std::size_t(ch);
    const int type = g_ChannelUnitType[c];
    const int slot = UnitNumberToSlot(unit);
    const int position = r.SliderPosition[c];
    SetFaderBothViews(ch, position);
    const int db = type == UNIT_TYPE_KR9X ? GainStepToDbKR9X(FaderPosition(ch)) : GainStepToDb(FaderPosition(ch));
    SetReferencePosition(ch, r.LinkedSliderOffset[c]);
    SendChannelParam(slot, type, "Gain", float(db), chInUnit);
    for (const int kind : kSceneSwitchKinds) {
        if (ch >= kFirstRemoteChannel
            && (kind == STRIP_SPLIT || kind == STRIP_SAFE || kind == STRIP_RBIN || kind == STRIP_SQRT))
            continue;
        const int state = (r.*SwitchField(kind))[c];
        SetSwitchBothViews(kind, ch, state);
        if (kind == STRIP_SPLIT)
            g_ChannelSplitOn[c] = state == 1 ? 1 : 0;
        if (const char* name = StripControlName(kind))
            SendChannelParam(slot, type, name, state == 1 ? 1.0f : 0.0f, chInUnit);
    }
    SetSwitchBothViews(STRIP_LINK, ch, r.LinkButton[c]);
    g_ChannelLinkOn[c] = r.LinkButton[c] == 1 ? 1 : 0;
    if (type == UNIT_TYPE_KR9X)
        SendChannelParam(slot, type, "Link", r.LinkButton[c] == 1 ? 1.0f : 0.0f, chInUnit);
    const int group = r.LinkGroup[c];
    g_ChannelLinkGroup[c] = group;
    g_ChannelLinkIndex[c] = group - 1;
    if (group >= 1 && group <= kLinkGroupCount)
        g_LinkMembership[c * kLinkGroupCount + std::size_t(group - 1)] = r.LinkButton[c] == 1 ? 1 : 0;
    SetChannelLinkGroup(ch, group, r.LinkButtonDown[c]);
    SetChannelTitle(ch, r.ChannelTitle[c].text());
    g_ChannelNotes[c] = r.ChannelNotes[c].text();
    SetGainTextBothViews(ch, db);
    g_strActiveSceneLabel = ActiveSceneLabel(m_lstScenes ? std::max(m_lstScenes->currentRow(), 0) : 0);
    m_platform.timers.arm(kTimerSendAll, 100);
}

void CQuellonKR9SeriesDlg::ResetAllChannels()
{
    const ViewRepaintBatch batch{m_wndOverview, m_wndUnderview};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        SetFaderBothViews(ch, 63);
        SetReferencePosition(ch, 0);
        for (const int kind : kSceneSwitchKinds)
            SetSwitchBothViews(kind, ch, CNewCustomBtn::kOff);
        SetSwitchBothViews(STRIP_LINK, ch, CNewCustomBtn::kOff);
        SetChannelLinkGroup(ch, 0, 0);
        SetGainTextBothViews(ch, 6);
    }
    g_szActiveSceneName.clear();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        SetLinkButton(ch, 0);
        const ChannelOwner owner = FindChannelOwner(ch);
        if (owner.kr9x) {
            for (const auto& [name, value] : {std::pair{"Link", 0.0f}, {"Mute", 0.0f}, {"Gain", 8.0f},
                                              {"Pad", 0.0f}, {"Pol", 0.0f}, {"48v", 0.0f}})
                SendControl_KR9X(owner.slot, name, owner.channelInUnit, value);
        } else if (owner.kr960_8 || owner.kr960) {
            for (const auto& [name, value] :
                 {std::pair{"Mute", 0.0f}, {"Gain", 8.0f}, {"Pad", 0.0f}, {"Pol", 0.0f}, {"48v", 0.0f},
                  {"Split", 0.0f}, {"Safe", 0.0f}, {"Rbin", 0.0f}, {"Sqrt", 0.0f}}) {
                if (owner.kr960)
                    SendControl_KR960(owner.slot, name, owner.channelInUnit, value);
                else
                    SendControl_KR960_8(owner.slot, name, owner.channelInUnit, value);
            }
        }
    }
    g_LinkMembership.fill(0);
    for (int ch = 0; ch < kChannelCount; ++ch)
        SetLinkLabelBothViews(ch, QStringLiteral("-"));
    for (int ch = 0; ch < kChannelCount; ++ch)
        m_aChannelLink[std::size_t(ch)].linkGroup = -1;
}

void CQuellonKR9SeriesDlg::ResetChannelTitles()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        SetChannelTitle(ch, DefaultChannelTitle(ch));
        g_ChannelNotes[std::size_t(ch)].clear();
    }
}

void CQuellonKR9SeriesDlg::SetChannelLinkGroup(int ch, int group, int linkDown)
{
    if (ch < 0 || ch >= kChannelCount)
        return;
    g_ChannelLinkGroup[std::size_t(ch)] = group;
    SetLinkLabelBothViews(ch, group == 0 ? QStringLiteral("-") : QString::number(group));
    SetSwitchBothViews(STRIP_LINK, ch, group > 0 && linkDown ? CNewCustomBtn::kOn : CNewCustomBtn::kOff);
}

void CQuellonKR9SeriesDlg::SetChannelTitle(int ch, const QString& title)
{
    if (ch < 0 || ch >= kChannelCount)
        return;
    g_ChannelTitle[std::size_t(ch)] = title;
    if (m_wndUnderview)
        m_wndUnderview->SetChannelTitle(ch, title);
}

void CQuellonKR9SeriesDlg::ClearAllScenes()
{
    if (g_nSceneCount <= 0)
        return;
    Store().clear();
    if (m_lstScenes)
        m_lstScenes->clear();
    g_nSceneCount = 0;
}
