#include "dialogs/autosave_dialog.h"

#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/project_file.h"

namespace {

constexpr int kMsPerMinute = 60000;

} // namespace

CAutosave::CAutosave(QWidget* parent) : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Autosave"));
    SetDragHandle(DragHandle::LogoStatic);
    CreateFormItems(this, FormItems());
    // Statics on white, the minutes display included.
    SetColours(QColor(kSkinDialogBackground), QColor(255, 255, 255));
}

CAutosave::~CAutosave() = default;

DialogTemplate CAutosave::Layout()
{
    DialogTemplate t = SkinLayout(kTemplateId, 168, 101, QStringLiteral("Autosave"));
    t.items.push_back({kStaticControlId, DialogItemKind::Static, 35, 34, 70, 9,
                       QStringLiteral("Autosave Every"), 0});
    t.items.push_back({kStaticControlId, DialogItemKind::Static, 75, 50, 32, 9,
                       QStringLiteral("Minutes"), 0});
    t.items.push_back({IDC_OK_PLACEHOLDER, DialogItemKind::Static, 47, 75, 37, 15,
                       QStringLiteral("OK"), 0});
    t.items.push_back({IDC_CANCEL_PLACEHOLDER, DialogItemKind::Static, 86, 75, 37, 15,
                       QStringLiteral("Cancel"), 0});
    return t;
}

std::vector<FormItem> CAutosave::FormItems()
{
    return {
        {IDC_MINUTES, FormItemKind::NumberDisplay, 26, 49, 35, 11, {}, 0, 0},
        {IDC_SPIN, FormItemKind::UpDown, 63, 48, 9, 12, {}, 0, IDC_MINUTES},
        {IDC_OFF, FormItemKind::CheckBox, 111, 49, 34, 10, QStringLiteral("&Off"), 0, 0},
    };
}

CSpinButtonCtrl* CAutosave::spin() const
{
    return qobject_cast<CSpinButtonCtrl*>(GetDlgItem(IDC_SPIN));
}

bool CAutosave::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    CheckDlgButton(this, IDC_OFF, g_bAutosaveOff != 0);
    if (CSpinButtonCtrl* minutes = spin()) {
        minutes->SetRange(PrefsRange::kMinAutosaveMinutes, PrefsRange::kMaxAutosaveMinutes);
        minutes->SetPos(g_nAutosaveMinutes);
    }
    CreateSkinButton(m_btnCancel, IDC_CANCEL_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("Cancel"), QStringLiteral(" Cancel "));
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHoverTall,
                     QStringLiteral("OK"), QStringLiteral(" OK "));
    return true;
}

void CAutosave::OnCommand(int id)
{
    switch (id) {
    case IDC_OK_PLACEHOLDER:
        OnOK();
        break;
    case IDC_CANCEL_PLACEHOLDER:
        OnSharedCancel();
        break;
    default:
        CSkinnedDialog::OnCommand(id);
        break;
    }
}

void CAutosave::OnOK()
{
    if (IsDlgButtonChecked(this, IDC_OFF)) {
        // The minutes shown are not stored while autosave is off.
        g_bAutosaveOff = 1;
        EndDialog(IDCANCEL);
        return;
    }
    g_bAutosaveOff = 0;
    if (const CSpinButtonCtrl* minutes = spin())
        g_nAutosaveMinutes = minutes->GetPos();
    EndDialog(IDOK);
}

void ApplyAutosaveResult(int result)
{
    if (!g_pMainDlg)
        return;
    if (result == IDOK)
        g_pMainDlg->ArmTimer(CQuellonKR9SeriesDlg::kTimerAutosave, g_nAutosaveMinutes * kMsPerMinute);
    else
        g_pMainDlg->KillTimer(CQuellonKR9SeriesDlg::kTimerAutosave);
}

int RunAutosaveDialog(QWidget* parent)
{
    CAutosave dialog(parent);
    const int result = dialog.DoModal();
    ApplyAutosaveResult(result);
    return result;
}
