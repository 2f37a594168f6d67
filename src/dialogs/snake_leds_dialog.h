#pragma once

#include "controls/bitmap_buttons.h"
#include "dialogs/unit_choice_dialog.h"

// "Snake LEDs": lights the snake LEDs of a KR-960 or KR-960/8 chosen from
// the list (KR-9X units have none and are not listed). Checking the box
// lights the selected unit; clearing it puts out the unit that was lit,
// even if the selection has changed since. The skinned OK puts the lit unit
// out before closing; Enter and Escape close and leave it lit.
class CSnakeLedsDlg : public CUnitChoiceDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 104;
    static constexpr int IDC_SNAKE_LEDS = 1071;

    explicit CSnakeLedsDlg(QWidget* parent = nullptr);
    ~CSnakeLedsDlg() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

    // The check box was clicked.
    void OnSnakeLeds();
    // Sets or clears the snake-LED bit of the slot's unit and sends its
    // state; nothing for a KR-9X, an unknown slot or a unit not on line.
    static void SetSnakeLeds(int slot, bool on);

    int selectedSlot() const { return m_nSelectedSlot; }

protected:
    bool OnInitDialog() override;
    // The skinned OK button (not Enter).
    void OnOK() override;

private:
    CBrannockButton m_btnOK;
    int m_nSelectedSlot = -1;
};
