#pragma once

#include <QPointer>
#include <QTimer>

#include "controls/bitmap_buttons.h"
#include "dialogs/unit_choice_dialog.h"

// The slot whose identification was last switched on or off (-1: none). It
// outlives the dialog, so OK in a later dialog switches that unit off again.
extern int g_nIdentifySlot;
class CNewUnitIdentityCheckDlg;
// The open identity dialog, or null.
extern QPointer<CNewUnitIdentityCheckDlg> g_hIdentityCheckDlg;

// "Unit Identity Check": makes the unit chosen from the list identify itself
// while a red LED picture in the dialog blinks (500 ms on, 500 ms off).
// Checking "Check" switches identification on for the selected unit,
// clearing it switches it off for the unit that was switched on, even if
// the selection has changed since. The skinned OK switches it off before
// closing; Enter and Escape close and leave it on.
class CNewUnitIdentityCheckDlg : public CUnitChoiceDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 153;
    static constexpr int IDC_LED = 1032;
    static constexpr int IDC_CHECK = 1071;
    static constexpr int kTimerBlink = 2;
    static constexpr int kTimerFirstLed = 3;
    static constexpr int kBlinkMs = 500;
    static constexpr int kFirstLedMs = 100;

    explicit CNewUnitIdentityCheckDlg(QWidget* parent = nullptr);
    ~CNewUnitIdentityCheckDlg() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

    // The check box was clicked.
    void OnCheck();
    // The dialog's timers: 2 blinks the LED, 3 shows it off once.
    void OnTimer(int id);
    bool isTimerArmed(int id) const;

    // Sets or clears the identify bit of the slot's unit and sends its state;
    // nothing for an unknown slot or a unit not on line.
    static void SendIdentify(int slot, bool on);
    // Shows the LED picture lit or dark.
    void DrawLed(bool on);

    // The picture the next blink step shows (0 dark).
    int ledState() const { return m_nLedState; }
    bool ledShownLit() const;

protected:
    bool OnInitDialog() override;
    // The skinned OK button (not Enter).
    void OnOK() override;

private:
    int m_nLedState = 0;
    CBrannockButton m_btnOK;
    QTimer m_timerBlink;
    QTimer m_timerFirstLed;
};
