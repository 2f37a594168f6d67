#pragma once

#include "controls/bitmap_buttons.h"
#include "dialogs/unit_choice_dialog.h"

// "Soft Reset": puts every channel of the unit chosen from the list back to
// its defaults (gain 8 dB on a KR-9X, 6 dB on the others; every switch off;
// out of its link group) in the stored datagram and in both views, and sends
// the unit its state. No question is asked and the dialog stays open for
// further resets; OK closes it.
class CSystemResetDlg : public CUnitChoiceDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 107;
    static constexpr int IDC_RESET_PLACEHOLDER = 1018;
    // Defaults of a reset channel.
    static constexpr std::uint8_t kGainCodeKR9X = 0x88;  // 8 dB, marked changed
    static constexpr std::uint8_t kGainCode132 = 6;
    static constexpr std::uint8_t kFlagsReset = 0x80;    // every switch off, marked changed
    static constexpr int kFaderKR9X = 61;
    static constexpr int kFader132 = 63;
    static constexpr int kGainDbKR9X = 8;
    static constexpr int kGainDb132 = 6;

    explicit CSystemResetDlg(QWidget* parent = nullptr);
    ~CSystemResetDlg() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

    void OnReset();
    // Resets the unit of the slot; nothing when no unit of the slot's model
    // is on line there.
    static void ResetUnit(int slot);

protected:
    bool OnInitDialog() override;

private:
    CBrannockButton m_btnOK;
    CBrannockButton m_btnReset;
};
