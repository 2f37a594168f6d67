#include "dialogs/unit_identity_dialog.h"

#include "dialogs/dialog_form_controls.h"
#include "protocol/bytes.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_network.h"

int g_nIdentifySlot = -1;
QPointer<CNewUnitIdentityCheckDlg> g_hIdentityCheckDlg;

namespace {

const QString kLedOn = QStringLiteral("RED_LED_ON_16");
const QString kLedOff = QStringLiteral("RED_LED_OFF_16");

// The identify bit of a unit's status flags.
constexpr int kIdentifyBit = 0;

} // namespace

CNewUnitIdentityCheckDlg::CNewUnitIdentityCheckDlg(QWidget* parent)
    : CUnitChoiceDialog(Layout(), parent)
{
    SetSkinTitle(QStringLiteral("Unit Identity Check"));
    CreateFormItems(this, {
        {IDC_LED, FormItemKind::Picture, 39, 72, 9, 8, kLedOff, 0, 0},
        {IDC_CHECK, FormItemKind::CheckBox, 21, 109, 40, 10, QStringLiteral("Check"), 0, 0},
    });
    SetColours(QColor(kSkinDialogBackground), QColor(255, 255, 255));
    m_timerBlink.setInterval(kBlinkMs);
    m_timerFirstLed.setInterval(kFirstLedMs);
    connect(&m_timerBlink, &QTimer::timeout, this, [this] { OnTimer(kTimerBlink); });
    connect(&m_timerFirstLed, &QTimer::timeout, this, [this] { OnTimer(kTimerFirstLed); });
}

CNewUnitIdentityCheckDlg::~CNewUnitIdentityCheckDlg()
{
    if (g_hIdentityCheckDlg == this)
        g_hIdentityCheckDlg = nullptr;
}

DialogTemplate CNewUnitIdentityCheckDlg::Layout()
{
    DialogTemplate t = ChoiceLayout(kTemplateId, 136, QStringLiteral("Unit Identity Check"));
    t.items.push_back({IDC_OK_PLACEHOLDER, DialogItemKind::Static, 97, 109, 44, 12,
                       QStringLiteral("OK"), 0});
    return t;
}

bool CNewUnitIdentityCheckDlg::OnInitDialog()
{
    CUnitChoiceDialog::OnInitDialog();
    g_hIdentityCheckDlg = this;
    FillUnitList(false);
    m_nLedState = 0;
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHover, QStringLiteral("OK"),
                     QStringLiteral(" OK "));
    m_timerFirstLed.start();
    return true;
}

void CNewUnitIdentityCheckDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_CHECK:
        OnCheck();
        break;
    case IDC_OK_PLACEHOLDER:
        OnOK();
        break;
    case IDOK:
        // Enter closes and leaves the identification as it is.
        CSkinnedDialog::OnOK();
        break;
    default:
        CUnitChoiceDialog::OnCommand(id);
        break;
    }
}

void CNewUnitIdentityCheckDlg::OnTimer(int id)
{
    if (id == kTimerFirstLed) {
        m_timerFirstLed.stop();
        DrawLed(false);
    } else if (id == kTimerBlink) {
        DrawLed(m_nLedState != 0);
        m_nLedState = !m_nLedState;
    }
}

bool CNewUnitIdentityCheckDlg::isTimerArmed(int id) const
{
    if (id == kTimerBlink)
        return m_timerBlink.isActive();
    if (id == kTimerFirstLed)
        return m_timerFirstLed.isActive();
    return false;
}

void CNewUnitIdentityCheckDlg::OnCheck()
{
    const int selected = SelectedSlot();
    // With no unit to choose, the box changes nothing.
    if (selected == -1)
        return;
    const int previous = g_nIdentifySlot;
    g_nIdentifySlot = selected;
    if (IsDlgButtonChecked(this, IDC_CHECK)) {
        SendIdentify(g_nIdentifySlot, true);
        m_timerBlink.start();
    } else {
        SendIdentify(previous, false);
        m_timerBlink.stop();
    }
}

void CNewUnitIdentityCheckDlg::OnOK()
{
    if (g_nIdentifySlot != -1)
        SendIdentify(g_nIdentifySlot, false);
    m_timerBlink.stop();
    CSkinnedDialog::OnOK();
}

void CNewUnitIdentityCheckDlg::SendIdentify(int slot, bool on)
{
    g_IdentifyUnit |= 1u;
    if (slot >= 1 && slot <= kSlotCount) {
        switch (g_SlotModel[std::size_t(slot)]) {
        case UNIT_TYPE_KR9X:
            if (UnitNodeKR9X* node = FindUnit_KR9X(slot)) {
                SetBit(kIdentifyBit, on ? 1 : 0, &node->Flags);
                SendUnitState_KR9X(*node);
            }
            break;
        case UNIT_TYPE_KR960_8:
            if (UnitNode132* node = g_Family_KR960_8.FindUnit(slot)) {
                SetBit(kIdentifyBit, on ? 1 : 0, &node->Flags);
                SendUnitState132(g_Family_KR960_8, *node);
            }
            break;
        case UNIT_TYPE_KR960:
            if (UnitNode132* node = g_Family_KR960.FindUnit(slot)) {
                SetBit(kIdentifyBit, on ? 1 : 0, &node->Flags);
                SendUnitState132(g_Family_KR960, *node);
            }
            break;
        default:
            break;
        }
    }
    g_IdentifyUnit = static_cast<std::uint8_t>(g_IdentifyUnit & ~1u);
}

void CNewUnitIdentityCheckDlg::DrawLed(bool on)
{
    // The picture of the open dialog, wherever the request comes from.
    CNewUnitIdentityCheckDlg* dialog = g_hIdentityCheckDlg.data();
    if (!dialog)
        dialog = this;
    if (auto* led = qobject_cast<CPictureStatic*>(dialog->GetDlgItem(IDC_LED)))
        led->SetPicture(on ? kLedOn : kLedOff);
}

bool CNewUnitIdentityCheckDlg::ledShownLit() const
{
    const auto* led = qobject_cast<const CPictureStatic*>(GetDlgItem(IDC_LED));
    return led && led->picture() == kLedOn;
}
