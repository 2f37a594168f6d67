#pragma once

#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"

// The skinned "Message" box: shows g_strMessage (set it before the box
// opens) above an OK button. OK, the key "O" or "o", and Enter end it with
// IDOK; Escape with IDCANCEL. Dragged by its title strip.
class CMessageDialog : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 144;
    static constexpr int IDC_MESSAGE = 1012;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;

    explicit CMessageDialog(QWidget* parent = nullptr);
    ~CMessageDialog() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

protected:
    bool OnInitDialog() override;
    void PreTranslateKey(QKeyEvent* event) override;

private:
    CBrannockButton m_btnOK;
};
