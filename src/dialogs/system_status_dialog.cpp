#include "dialogs/system_status_dialog.h"

#include "app/app_services.h"
#include "app/project_state.h"
#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"
#include "protocol/network_core.h"
#include "protocol/numbering.h"
#include "protocol/unit_network.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_tables.h"

#include <QListWidget>
#include <QTimer>

namespace {

const DialogItem kListItem{CSystemStatusDialog::IDC_LIST, DialogItemKind::Static, 13, 32, 238, 71, {}, 0};

} // namespace

CSystemStatusDialog::CSystemStatusDialog(QWidget* parent)
    : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("System Status"));
    SetDragHandle(DragHandle::LogoStatic);
    SetColours(QColor(kSkinDialogBackground), QColor(255, 255, 255));

    m_lstStatus = new QListWidget(this);
    SetControlId(m_lstStatus, IDC_LIST);
    m_lstStatus->setGeometry(DialogItemRect(kListItem));
    m_lstStatus->setFrameShape(QFrame::Box);
    m_lstStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_lstStatus->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstStatus->setSortingEnabled(false);
    m_lstStatus->setUniformItemSizes(true);
}

CSystemStatusDialog::~CSystemStatusDialog() = default;

DialogTemplate CSystemStatusDialog::Layout()
{
    DialogTemplate t = SkinLayout(kTemplateId, 265, 182, QStringLiteral("System Status"));
    for (int id = IDC_HIDDEN_FIRST; id <= IDC_HIDDEN_LAST; ++id)
        t.items.push_back({id, DialogItemKind::Static, 13, 108 + (id - IDC_HIDDEN_FIRST) * 11, 238, 9,
                           QString(), kItemHidden});
    t.items.push_back({IDC_DROPPED, DialogItemKind::Static, 13, 108, 238, 9, QString(), 0});
    t.items.push_back({IDC_OK_PLACEHOLDER, DialogItemKind::Static, 111, 159, 43, 15,
                       QStringLiteral("OK"), 0});
    return t;
}

QString CSystemStatusDialog::StatusWord(int status)
{
    switch (status) {
    case UNIT_ACTIVE:
        return QStringLiteral("ACTIVE");
    case UNIT_OFFLINE:
        return QStringLiteral("OFFLINE");
    case UNIT_CONFLICT:
        return QStringLiteral("CONFLICT");
    case UNIT_NOW_OFFLINE:
        return QStringLiteral("LOCAL");
    case UNIT_BAD_TEMP_OR_POWER_SUPPLY:
        return QStringLiteral("FAULT");
    case UNIT_AUX_POWER_ON:
        return QStringLiteral("AUX POWER ON");
    case UNIT_BAD_IP_ADDRESS:
        return QStringLiteral("BAD IP ADDRESS");
    default:
        return QString();
    }
}

QString CSystemStatusDialog::StatusLine(int slot)
{
    const std::size_t i = std::size_t(slot);
    return QStringLiteral(" Unit %1  IP Address: %2  %3")
        .arg(SlotToUnitNumber(slot))
        .arg(QString::fromStdString(g_UnitIpAddress[i]), StatusWord(g_UnitStatus[i]));
}

QString CSystemStatusDialog::DroppedLine()
{
    const std::uint32_t dropped = g_pNetwork ? g_pNetwork->droppedDatagrams.load() : 0;
    return QStringLiteral(" Unit datagrams dropped while the console was busy: %1").arg(dropped);
}

bool CSystemStatusDialog::AnyUnitOnline()
{
    return g_Family_KR9X.liveCount > 0 || g_Family_KR960_8.liveCount > 0
        || g_Family_KR960.liveCount > 0;
}

void CSystemStatusDialog::TellNoUnits()
{
    m_bToldNoUnits = true;
    g_strMessage = QStringLiteral("There are no active Units to check");
    RunMessageBox(MessageBoxKind::Message);
}

int CSystemStatusDialog::DoModal()
{
    // Without a unit on line the dialog never shows.
    if (!AnyUnitOnline()) {
        TellNoUnits();
        setResult(kNoUnitsResult);
        return kNoUnitsResult;
    }
    return CSkinnedDialog::DoModal();
}

bool CSystemStatusDialog::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    if (!AnyUnitOnline()) {
        // Shown some other way than DoModal: close again once it is up.
        if (!m_bToldNoUnits)
            TellNoUnits();
        QTimer::singleShot(0, this, [this] { EndDialog(kNoUnitsResult); });
        return true;
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (g_UnitStatus[std::size_t(slot)] > UNIT_INACTIVE)
            m_lstStatus->addItem(StatusLine(slot));
    }
    SetDlgItemText(IDC_DROPPED, DroppedLine());
    CreateOkButton();
    return true;
}

void CSystemStatusDialog::CreateOkButton()
{
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHover, QStringLiteral("OK"),
                     QStringLiteral(" OK "));
}

void CSystemStatusDialog::OnCommand(int id)
{
    if (id == IDC_OK_PLACEHOLDER)
        EndDialog(IDOK);
    else
        CSkinnedDialog::OnCommand(id);
}

int ShowSystemStatusDialog(QWidget* parent)
{
    CSystemStatusDialog dlg(parent);
    return dlg.DoModal();
}
