#pragma once

#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"

// The "Decision" boxes: a plain window with a title bar and rounded lower
// corners, g_strMessage (set it before the box opens) on a light panel, and
// skinned Yes and No buttons. Yes and the key "Y"/"y" end with IDYES, No and
// "N"/"n" with IDNO; Enter ends with IDOK and Escape with IDCANCEL.
// Neither box touches the gain-change mark.
class CNewYesNoDialog : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 243;
    static constexpr int IDC_MESSAGE = 1012;
    static constexpr int IDC_YES_PLACEHOLDER = 1010;
    static constexpr int IDC_NO_PLACEHOLDER = 1011;
    // Radius of the window's rounded corners.
    static constexpr int kCornerRadius = 7;

    explicit CNewYesNoDialog(QWidget* parent = nullptr);
    ~CNewYesNoDialog() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

protected:
    CNewYesNoDialog(const DialogTemplate& layout, QWidget* parent);

    bool OnInitDialog() override;
    void PreTranslateKey(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyWindowShape();

    CBrannockButton m_btnYes;
    CBrannockButton m_btnNo;
};

// The same box with a third button, Cancel (and the key "C"/"c"), which ends
// it with IDCANCEL.
class CNewYesNoCancelDialog : public CNewYesNoDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 244;
    static constexpr int IDC_CANCEL_PLACEHOLDER = 1013;

    explicit CNewYesNoCancelDialog(QWidget* parent = nullptr);
    ~CNewYesNoCancelDialog() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

protected:
    bool OnInitDialog() override;
    void PreTranslateKey(QKeyEvent* event) override;

private:
    CBrannockButton m_btnCancel;
};
