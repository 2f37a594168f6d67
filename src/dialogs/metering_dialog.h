#pragma once

#include <span>
#include <vector>

#include "controls/bitmap_buttons.h"
#include "dialogs/dialog_form_controls.h"
#include "dialogs/skinned_dialog.h"

// "Meter Preferences": the meter scale (dBU with its maximum level, or dBFS
// with its reference level) and the peak hold time of the level meters. It
// reads the meter globals when it opens and writes them back on OK only
// (the OK button or Enter); Cancel and Escape leave them as they were. The
// display-mode radios and the red-zone threshold are kept hidden: OK writes
// back what the dialog read. The dialog can be dragged from any point of its
// client area.
class CNewMeteringDialog : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 154;
    static constexpr int kIconBitmap = 14128;
    static constexpr int IDC_PEAK_ONLY = 1041;
    static constexpr int IDC_VU_ONLY = 1042;
    static constexpr int IDC_PEAK_AND_VU = 1043;
    static constexpr int IDC_INFINITE = 1044;
    static constexpr int IDC_10_SEC = 1045;
    static constexpr int IDC_3_SEC = 1046;
    static constexpr int IDC_HOLD_OFF = 1047;
    static constexpr int IDC_PEAK_OVER_VU = 1051;
    static constexpr int IDC_DBU_MAX = 1066;
    static constexpr int IDC_DBFS_REF = 1067;
    static constexpr int IDC_DBU = 1064;
    static constexpr int IDC_DBFS = 1065;
    static constexpr int IDC_RED_ZONE_VALUE = 1039;
    static constexpr int IDC_RED_ZONE_SPIN = 1040;
    static constexpr int IDC_DISPLAY_LABEL = 1019;
    static constexpr int IDC_RED_ZONE_LABEL = 1020;
    static constexpr int IDC_RED_ZONE_DB = 1021;
    static constexpr int IDC_CANCEL_PLACEHOLDER = 1049;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;

    explicit CNewMeteringDialog(QWidget* parent = nullptr);
    ~CNewMeteringDialog() override;

    static DialogTemplate Layout();
    static std::vector<FormItem> FormItems();

    void OnCommand(int id) override;

protected:
    bool OnInitDialog() override;
    // The OK button and Enter.
    void OnOK() override;

private:
    void RadiosFromSettings();
    // Stores a drop-down list's selection and the level it offers there (the
    // list shows levels in order); a list without a selection leaves both as
    // they were.
    void StoreListChoice(int listId, std::span<const int> levels, int& index, int& value) const;

    CBrannockButton m_btnCancel;
    CBrannockButton m_btnOK;
};
