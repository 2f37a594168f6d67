#include "dialogs/snake_leds_dialog.h"

#include "dialogs/dialog_form_controls.h"
#include "protocol/bytes.h"
#include "protocol/sender132.h"
#include "protocol/unit_list132.h"

CSnakeLedsDlg::CSnakeLedsDlg(QWidget* parent) : CUnitChoiceDialog(Layout(), parent)
{
    SetSkinTitle(QStringLiteral("Snake LEDs"));
    CreateFormItems(this, {{IDC_SNAKE_LEDS, FormItemKind::CheckBox, 21, 109, 62, 10,
                            QStringLiteral("Snake LEDs"), 0, 0}});
    // No colours of its own: the desktop's face colour under the body, its
    // statics and its check box.
    SetColours(QColor(240, 240, 240), QColor(240, 240, 240));
    if (QWidget* box = GetDlgItem(IDC_SNAKE_LEDS))
        box->setAutoFillBackground(true);
}

CSnakeLedsDlg::~CSnakeLedsDlg() = default;

DialogTemplate CSnakeLedsDlg::Layout()
{
    DialogTemplate t = ChoiceLayout(kTemplateId, 134, QStringLiteral("Snake LEDs"));
    t.items.push_back({IDC_OK_PLACEHOLDER, DialogItemKind::Static, 97, 109, 44, 12,
                       QStringLiteral("OK"), 0});
    return t;
}

bool CSnakeLedsDlg::OnInitDialog()
{
    CUnitChoiceDialog::OnInitDialog();
    FillUnitList(true);
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHover, QStringLiteral("OK"),
                     QStringLiteral(" OK "));
    return true;
}

void CSnakeLedsDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_SNAKE_LEDS:
        OnSnakeLeds();
        break;
    case IDC_OK_PLACEHOLDER:
        OnOK();
        break;
    case IDOK:
        // Enter closes and leaves the LEDs as they are.
        CSkinnedDialog::OnOK();
        break;
    default:
        CUnitChoiceDialog::OnCommand(id);
        break;
    }
}

void CSnakeLedsDlg::OnSnakeLeds()
{
    const int selected = SelectedSlot();
    // With no unit to choose, the box changes nothing.
    if (selected == -1)
        return;
    const int previous = m_nSelectedSlot;
    m_nSelectedSlot = selected;
    if (IsDlgButtonChecked(this, IDC_SNAKE_LEDS))
        SetSnakeLeds(m_nSelectedSlot, true);
    else
        SetSnakeLeds(previous, false);
}

void CSnakeLedsDlg::OnOK()
{
    if (m_nSelectedSlot != -1)
        SetSnakeLeds(m_nSelectedSlot, false);
    CSkinnedDialog::OnOK();
}

void CSnakeLedsDlg::SetSnakeLeds(int slot, bool on)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    UnitFamily132* family = nullptr;
    switch (g_SlotModel[std::size_t(slot)]) {
    case UNIT_TYPE_KR960_8:
        family = &g_Family_KR960_8;
        break;
    case UNIT_TYPE_KR960:
        family = &g_Family_KR960;
        break;
    default:
        return;
    }
    UnitNode132* node = family->FindUnit(slot);
    if (!node)
        return;
    SetBit(p132::kStatusSnake, on ? 1 : 0, &node->Flags);
    SendUnitState132(*family, *node);
}
