#include "dialogs/metering_dialog.h"

#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/project_file.h"
#include "platform/skin_registry.h"

#include <QComboBox>
#include <QIcon>

namespace {

// Controls the dialog keeps out of sight.
constexpr int kHiddenControls[] = {
    CNewMeteringDialog::IDC_PEAK_OVER_VU,   CNewMeteringDialog::IDC_PEAK_ONLY,
    CNewMeteringDialog::IDC_VU_ONLY,        CNewMeteringDialog::IDC_PEAK_AND_VU,
    CNewMeteringDialog::IDC_RED_ZONE_VALUE, CNewMeteringDialog::IDC_RED_ZONE_SPIN,
    CNewMeteringDialog::IDC_DISPLAY_LABEL,  CNewMeteringDialog::IDC_RED_ZONE_LABEL,
    CNewMeteringDialog::IDC_RED_ZONE_DB,
};

// Radio blocks.
enum : int { kBlockScale = 1, kBlockHold = 2, kBlockDisplay = 3 };

} // namespace

CNewMeteringDialog::CNewMeteringDialog(QWidget* parent)
    : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Meter Preferences"));
    SetDragHandle(DragHandle::ClientArea);
    CreateFormItems(this, FormItems());
    SetColours(QColor(kSkinDialogBackground), QColor(255, 255, 255));
}

CNewMeteringDialog::~CNewMeteringDialog() = default;

DialogTemplate CNewMeteringDialog::Layout()
{
    DialogTemplate t = SkinLayout(kTemplateId, 222, 159, QStringLiteral("Meter Preferences"));
    const auto text = [&t](int id, int x, int y, int cx, const char* s) {
        t.items.push_back({id, DialogItemKind::Static, x, y, cx, 9, QString::fromLatin1(s), 0});
    };
    text(kStaticControlId, 15, 32, 60, "Meter Scale");
    text(kStaticControlId, 93, 41, 100, "dBU (Max Level)");
    text(kStaticControlId, 93, 58, 110, "dBFS (Reference Level)");
    text(kStaticControlId, 81, 76, 70, "Peak Hold Time");
    text(IDC_DISPLAY_LABEL, 12, 76, 60, "Meter Display");
    text(IDC_RED_ZONE_LABEL, 141, 77, 75, "Red Zone Threshold");
    text(IDC_RED_ZONE_VALUE, 141, 87, 17, "+ 18");
    text(IDC_RED_ZONE_DB, 171, 88, 14, "dB");
    t.items.push_back({IDC_OK_PLACEHOLDER, DialogItemKind::Static, 72, 138, 33, 15,
                       QStringLiteral("&OK"), 0});
    t.items.push_back({IDC_CANCEL_PLACEHOLDER, DialogItemKind::Static, 107, 138, 33, 15,
                       QStringLiteral("&Cancel"), 0});
    return t;
}

std::vector<FormItem> CNewMeteringDialog::FormItems()
{
    const auto radio = [](int id, int x, int y, const char* s, int block) {
        return FormItem{id, FormItemKind::Radio, x, y, 58, 10, QString::fromLatin1(s), 0, block};
    };
    return {
        radio(IDC_DBU, 20, 42, "dBU", kBlockScale),
        radio(IDC_DBFS, 20, 56, "dBFS", kBlockScale),
        {IDC_DBU_MAX, FormItemKind::DropDownList, 55, 39, 34, 13, {}, 0, 0},
        {IDC_DBFS_REF, FormItemKind::DropDownList, 55, 56, 34, 13, {}, 0, 0},
        radio(IDC_3_SEC, 88, 86, "3 Sec", kBlockHold),
        radio(IDC_10_SEC, 88, 97, "10 Sec", kBlockHold),
        radio(IDC_INFINITE, 88, 108, "Infinite", kBlockHold),
        radio(IDC_HOLD_OFF, 88, 118, "Off", kBlockHold),
        radio(IDC_PEAK_ONLY, 20, 86, "Peak Only", kBlockDisplay),
        radio(IDC_VU_ONLY, 20, 97, "VU Only", kBlockDisplay),
        radio(IDC_PEAK_AND_VU, 20, 108, "Peak and VU", kBlockDisplay),
        radio(IDC_PEAK_OVER_VU, 20, 118, "Peak over VU", kBlockDisplay),
        {IDC_RED_ZONE_SPIN, FormItemKind::UpDown, 159, 87, 9, 12, {}, 0, IDC_RED_ZONE_VALUE},
    };
}

bool CNewMeteringDialog::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    setWindowIcon(QIcon(SkinRegistry::instance().pixmap(kIconBitmap)));

    if (auto* spin = qobject_cast<CSpinButtonCtrl*>(GetDlgItem(IDC_RED_ZONE_SPIN))) {
        spin->SetRange(PrefsRange::kMinRedZoneThreshold, PrefsRange::kMaxRedZoneThreshold);
        spin->SetPos(g_nRedZoneThreshold);
    }
    CreateSkinButton(m_btnCancel, IDC_CANCEL_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("Cancel"), QStringLiteral(" Cancel "));
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHoverTall,
                     QStringLiteral("OK"), QStringLiteral(" OK "));
    RadiosFromSettings();

    // An index outside a list (from a damaged project) selects nothing.
    // The lists offer the levels a project file may hold, in their order.
    const auto fill = [this](int id, const auto& levels, int index) {
        if (QComboBox* list = DlgComboBox(this, id)) {
            list->clear();
            for (const int level : levels)
                list->addItem(QString::number(level));
            list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
        }
    };
    fill(IDC_DBFS_REF, PrefsRange::kDbfsRefLevels, g_nDbfsRefLevelIndex);
    fill(IDC_DBU_MAX, PrefsRange::kDbuMaxLevels, g_nDbuMaxLevelIndex);

    for (int id : kHiddenControls) {
        if (QWidget* control = GetDlgItem(id))
            control->hide();
    }
    return true;
}

void CNewMeteringDialog::RadiosFromSettings()
{
    CheckDlgButton(this, IDC_DBU, g_bMeterScaleDbu != 0);
    CheckDlgButton(this, IDC_DBFS, g_bMeterScaleDbu == 0);

    // The first flag set wins; with none, the block stays as it is.
    const auto checkFirst = [this](std::initializer_list<std::pair<int, int>> flags) {
        for (const auto& [flag, id] : flags) {
            if (flag) {
                CheckDlgButton(this, id, true);
                return;
            }
        }
    };
    checkFirst({{g_bPeakHold10Sec, IDC_10_SEC},
                {g_bPeakHold3Sec, IDC_3_SEC},
                {g_bPeakHoldInfinite, IDC_INFINITE},
                {g_bPeakHoldOff, IDC_HOLD_OFF}});
    checkFirst({{g_bMeterPeakOnly, IDC_PEAK_ONLY},
                {g_bMeterVuOnly, IDC_VU_ONLY},
                {g_bMeterPeakAndVu, IDC_PEAK_AND_VU},
                {g_bMeterPeakOverVu, IDC_PEAK_OVER_VU}});
}

void CNewMeteringDialog::OnCommand(int id)
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

void CNewMeteringDialog::StoreListChoice(int listId, std::span<const int> levels, int& index,
                                         int& value) const
{
    const QComboBox* list = DlgComboBox(this, listId);
    if (!list || list->currentIndex() < 0 || std::size_t(list->currentIndex()) >= levels.size())
        return;
    index = list->currentIndex();
    value = levels[std::size_t(index)];
}

void CNewMeteringDialog::OnOK()
{
    g_bPeakHold10Sec = IsDlgButtonChecked(this, IDC_10_SEC);
    g_bPeakHold3Sec = IsDlgButtonChecked(this, IDC_3_SEC);
    g_bPeakHoldInfinite = IsDlgButtonChecked(this, IDC_INFINITE);
    g_bPeakHoldOff = IsDlgButtonChecked(this, IDC_HOLD_OFF);
    if (g_bPeakHold10Sec)
        g_nPeakHoldMs = 10000;
    else if (g_bPeakHold3Sec)
        g_nPeakHoldMs = 3000;
    else if (g_bPeakHoldInfinite)
        g_nPeakHoldMs = -1;
    else if (g_bPeakHoldOff)
        g_nPeakHoldMs = 0;

    if (const auto* spin = qobject_cast<CSpinButtonCtrl*>(GetDlgItem(IDC_RED_ZONE_SPIN)))
        g_nRedZoneThreshold = spin->GetPos();

    g_bMeterPeakAndVu = IsDlgButtonChecked(this, IDC_PEAK_AND_VU);
    g_bMeterPeakOverVu = IsDlgButtonChecked(this, IDC_PEAK_OVER_VU);
    g_bMeterVuOnly = IsDlgButtonChecked(this, IDC_VU_ONLY);
    g_bMeterPeakOnly = IsDlgButtonChecked(this, IDC_PEAK_ONLY);

    // Both levels are stored, whichever scale is chosen.
    StoreListChoice(IDC_DBU_MAX, PrefsRange::kDbuMaxLevels, g_nDbuMaxLevelIndex, g_nDbuMaxLevel);
    StoreListChoice(IDC_DBFS_REF, PrefsRange::kDbfsRefLevels, g_nDbfsRefLevelIndex, g_nDbfsRefLevel);

    g_bMeterPrefsSet2 = 1;
    g_bMeterPrefsSet1 = 1;
    g_bMeterScaleDbu = IsDlgButtonChecked(this, IDC_DBU);
    g_bMeterScaleDbfs = IsDlgButtonChecked(this, IDC_DBFS);

    // The meters take the new scale at once.
    if (g_pMainDlg)
        g_pMainDlg->ApplyMeterPreferencesToViews();
    EndDialog(IDOK);
}
