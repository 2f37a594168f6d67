#pragma once

#include <vector>

#include "controls/bitmap_buttons.h"
#include "dialogs/dialog_form_controls.h"
#include "dialogs/skinned_dialog.h"

// "Autosave": the autosave interval in minutes (1 to 60) or autosave off.
// It reads g_nAutosaveMinutes and g_bAutosaveOff when it opens and writes
// them on OK only. OK (the button or Enter) ends with IDOK when a number of
// minutes was accepted and with IDCANCEL when "Off" is checked; Cancel ends
// with IDCANCEL. The caller starts or stops the main window's autosave timer
// from that answer (RunAutosaveDialog does both).
class CAutosave : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 146;
    static constexpr int IDC_OFF = 1002;
    static constexpr int IDC_SPIN = 1013;
    static constexpr int IDC_MINUTES = 1014;
    static constexpr int IDC_CANCEL_PLACEHOLDER = 1049;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;

    explicit CAutosave(QWidget* parent = nullptr);
    ~CAutosave() override;

    static DialogTemplate Layout();
    static std::vector<FormItem> FormItems();

    void OnCommand(int id) override;

    CSpinButtonCtrl* spin() const;

protected:
    bool OnInitDialog() override;
    // The OK button and Enter.
    void OnOK() override;

private:
    CBrannockButton m_btnCancel;
    CBrannockButton m_btnOK;
};

// Starts the main window's autosave timer (every g_nAutosaveMinutes) on
// IDOK, and stops it on any other answer of the autosave dialog.
void ApplyAutosaveResult(int result);
// Runs the autosave dialog modally over parent and applies its answer;
// returns the answer.
int RunAutosaveDialog(QWidget* parent);
