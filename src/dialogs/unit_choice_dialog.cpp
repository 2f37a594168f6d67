#include "dialogs/unit_choice_dialog.h"

#include "app/project_state.h"
#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"

#include <QComboBox>

CUnitChoiceDialog::CUnitChoiceDialog(const DialogTemplate& layout, QWidget* parent)
    : CSkinnedDialog(layout, FrameStyle::Skinned, parent)
{
    SetDragHandle(DragHandle::LogoStatic);
    m_pUnitList = new QComboBox(this);
    m_pUnitList->setEditable(false);
    SetControlId(m_pUnitList, IDC_UNIT_LIST);
    m_pUnitList->setGeometry(
        DialogItemRect(DialogItem{IDC_UNIT_LIST, DialogItemKind::Static, 12, 46, 149, 13, {}, 0}));
}

CUnitChoiceDialog::~CUnitChoiceDialog() = default;

QString CUnitChoiceDialog::NoUnitsLine()
{
    return QStringLiteral("NO UNITS, ACTIVE OR OTHERWISE");
}

DialogTemplate CUnitChoiceDialog::ChoiceLayout(int id, int cy, const QString& caption)
{
    DialogTemplate t = SkinLayout(id, 178, cy, caption, QStringLiteral("MS Sans Serif"));
    t.items.push_back({kStaticControlId, DialogItemKind::Static, 67, 33, 50, 9,
                       QStringLiteral("Select Unit"), 0});
    return t;
}

void CUnitChoiceDialog::FillUnitList(bool skipKR9X)
{
    m_pUnitList->clear();
    m_aUnitNumbers.fill(0);
    m_nUnitLines = 0;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const int status = g_UnitStatus[std::size_t(slot)];
        if (status == UNIT_STATUS_NONE || status == UNIT_INACTIVE)
            continue;
        if (skipKR9X && g_SlotModel[std::size_t(slot)] == UNIT_TYPE_KR9X)
            continue;
        // Both slots of a 16-channel unit may be listed, under one number.
        const int unit = SlotToUnitNumber(slot);
        m_pUnitList->addItem(
            QStringLiteral("Unit %1: %2").arg(unit).arg(g_UnitName[std::size_t(slot - 1)]));
        m_aUnitNumbers[std::size_t(m_nUnitLines++)] = unit;
    }
    if (m_nUnitLines == 0)
        m_pUnitList->insertItem(0, NoUnitsLine());
    m_pUnitList->setCurrentIndex(0);
}

int CUnitChoiceDialog::SelectedSlot() const
{
    const int line = m_pUnitList->currentIndex();
    if (line < 0 || line >= m_nUnitLines)
        return -1;
    return UnitNumberToSlot(m_aUnitNumbers[std::size_t(line)]);
}
