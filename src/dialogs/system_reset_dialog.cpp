#include "dialogs/system_reset_dialog.h"

#include "app/main_dialog.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"

namespace {

// The channel's views: fader, switches, link group and gain read-outs.
void ResetChannelViews(int channel, int faderPosition, int gainDb, bool hasSafe)
{
    CQuellonKR9SeriesDlg* main = g_pMainDlg;
    if (!main)
        return;
    main->SetFaderBothViews(channel, faderPosition);
    main->SetPolButtons(channel, 0);
    main->SetPadButtons(channel, 0);
    main->Set48vButtons(channel, 0);
    main->SetMuteButtons(channel, 0);
    main->SetSplitButtons(channel, 0);
    main->SetRbinButtons(channel, 0);
    main->SetSqrtButtons(channel, 0);
    if (hasSafe)
        main->SetSafeButtons(channel, 0);
    main->SetLinkButton(channel, 0);
    main->AssignLinkGroup(channel, -1, false);
    main->SetGainTextBothViews(channel, gainDb);
}

void ResetUnit132(UnitFamily132& family, int slot)
{
    UnitNode132* node = family.FindUnit(slot);
    if (!node)
        return;
    const int records = family.channelsPerUnit();
    const int first = (node->Slot - 1) * kChannelsPerSlot;
    for (int i = 0; i < records; ++i) {
        std::uint8_t* r = &node->Packet[p132::RecordOffset(std::size_t(i))];
        r[p132::kRecGainCode] = CSystemResetDlg::kGainCode132;
        r[p132::kRecFlags] = CSystemResetDlg::kFlagsReset;
    }
    for (int i = 0; i < records; ++i)
        ResetChannelViews(first + i, CSystemResetDlg::kFader132, CSystemResetDlg::kGainDb132, true);
    // A message box on the way may have let the unit go: look it up again.
    if (UnitNode132* still = family.FindUnit(slot))
        SendUnitState132(family, *still);
}

void ResetUnitKR9X(int slot)
{
    UnitNodeKR9X* node = FindUnit_KR9X(slot);
    if (!node)
        return;
    const int first = (node->Slot - 1) * kChannelsPerSlot;
    for (int i = 0; i < kChannelsPerUnitKR9X; ++i) {
        std::uint8_t* r = &node->Packet[p97::RecordOffset(std::size_t(i))];
        r[p97::kRecGainCode] = CSystemResetDlg::kGainCodeKR9X;
        r[p97::kRecFlags] = CSystemResetDlg::kFlagsReset;
    }
    for (int i = 0; i < kChannelsPerUnitKR9X; ++i)
        ResetChannelViews(first + i, CSystemResetDlg::kFaderKR9X, CSystemResetDlg::kGainDbKR9X,
                          false);
    if (UnitNodeKR9X* still = FindUnit_KR9X(slot))
        SendUnitState_KR9X(*still);
}

} // namespace

CSystemResetDlg::CSystemResetDlg(QWidget* parent) : CUnitChoiceDialog(Layout(), parent)
{
    SetSkinTitle(QStringLiteral("Soft Reset"));
    // No colours of its own: the desktop's face colour under the body and its statics.
    SetColours(QColor(240, 240, 240), QColor(240, 240, 240));
}

CSystemResetDlg::~CSystemResetDlg() = default;

DialogTemplate CSystemResetDlg::Layout()
{
    DialogTemplate t = ChoiceLayout(kTemplateId, 134, QStringLiteral("Soft Reset"));
    t.items.push_back({IDC_RESET_PLACEHOLDER, DialogItemKind::Static, 24, 109, 44, 12,
                       QStringLiteral("Reset"), 0});
    t.items.push_back({IDC_OK_PLACEHOLDER, DialogItemKind::Static, 97, 109, 44, 12,
                       QStringLiteral("OK"), 0});
    return t;
}

bool CSystemResetDlg::OnInitDialog()
{
    CUnitChoiceDialog::OnInitDialog();
    FillUnitList(false);
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHover, QStringLiteral("OK"),
                     QStringLiteral(" OK "));
    CreateSkinButton(m_btnReset, IDC_RESET_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("Reset"), QStringLiteral(" Reset "));
    return true;
}

void CSystemResetDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_RESET_PLACEHOLDER:
        OnReset();
        break;
    case IDC_OK_PLACEHOLDER:
        CSkinnedDialog::OnOK();
        break;
    default:
        CUnitChoiceDialog::OnCommand(id);
        break;
    }
}

void CSystemResetDlg::OnReset()
{
    const int slot = SelectedSlot();
    if (slot != -1)
        ResetUnit(slot);
}

void CSystemResetDlg::ResetUnit(int slot)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    switch (g_SlotModel[std::size_t(slot)]) {
    case UNIT_TYPE_KR9X:
        ResetUnitKR9X(slot);
        break;
    case UNIT_TYPE_KR960_8:
        ResetUnit132(g_Family_KR960_8, slot);
        break;
    case UNIT_TYPE_KR960:
        ResetUnit132(g_Family_KR960, slot);
        break;
    default:
        break;
    }
}
