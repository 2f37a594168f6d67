#pragma once

#include <array>

#include "dialogs/skinned_dialog.h"
#include "protocol/numbering.h"

class QComboBox;

// Base of the unit maintenance dialogs: a "Select Unit" list of the units
// the program knows ("Unit %d: %s", one line per slot with a status other
// than none or inactive), from which the dialog takes the unit to act on.
// With no such unit the list holds the single line
// "NO UNITS, ACTIVE OR OTHERWISE" and no unit is selected.
class CUnitChoiceDialog : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int IDC_UNIT_LIST = 1030;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;

    ~CUnitChoiceDialog() override;

    QComboBox* unitList() const { return m_pUnitList; }
    // The slot of the selected line (a unit's first slot), or -1 when the
    // list offers no unit or nothing is selected.
    int SelectedSlot() const;
    // The number of unit lines (0 when the list shows that there is none).
    int unitLineCount() const { return m_nUnitLines; }

    static QString NoUnitsLine();

protected:
    // A layout of the given height with the "Select Unit" static and the list.
    static DialogTemplate ChoiceLayout(int id, int cy, const QString& caption);
    CUnitChoiceDialog(const DialogTemplate& layout, QWidget* parent);

    // Fills the list; skipKR9X leaves out the KR-9X units. Selects line 0.
    void FillUnitList(bool skipKR9X);

private:
    QComboBox* m_pUnitList = nullptr;
    // The unit number of each line.
    std::array<int, kSlotCount> m_aUnitNumbers{};
    int m_nUnitLines = 0;
};
