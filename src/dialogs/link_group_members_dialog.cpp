#include "dialogs/link_group_members_dialog.h"

#include "app/app_services.h"
#include "app/project_state.h"
#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"
#include "dialogs/rename_link_group_dialog.h"

#include <QKeyEvent>
#include <QListWidget>

#include <algorithm>

namespace {

QString MemberLine(int channel)
{
    return QStringLiteral("%1 ").arg(channel + 1, 3, 10, QLatin1Char('0'))
        + g_ChannelTitle[std::size_t(channel)];
}

int CurrentGroup()
{
    return std::clamp(g_nCurrentLinkGroup, 0, kLinkGroupCount - 1);
}

} // namespace

CLinkedChannelNamesDlg::CLinkedChannelNamesDlg(QWidget* parent)
    : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Link Group Members"));
    SetDragHandle(DragHandle::LogoStatic);
    SetColours(QColor(kSkinDialogBackground), std::nullopt);

    m_lstMembers = new QListWidget(this);
    SetControlId(m_lstMembers, IDC_MEMBERS);
    m_lstMembers->setGeometry(
        DialogItemRect({IDC_MEMBERS, DialogItemKind::Static, 12, 44, 115, 84, {}, 0}));
    m_lstMembers->setSortingEnabled(true);
    m_lstMembers->setUniformItemSizes(true);
    m_lstMembers->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstMembers->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette pal = m_lstMembers->palette();
    pal.setColor(QPalette::Base, QColor(kSkinDialogBackground));
    pal.setColor(QPalette::Text, Qt::black);
    m_lstMembers->setPalette(pal);
    connect(m_lstMembers, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) {
                m_lstMembers->setCurrentItem(item);
                OnLbnDblclkMembers();
            });
}

CLinkedChannelNamesDlg::~CLinkedChannelNamesDlg() = default;

DialogTemplate CLinkedChannelNamesDlg::Layout()
{
    DialogTemplate t;
    t.id = kTemplateId;
    t.cx = 140;
    t.cy = 160;
    t.caption = QStringLiteral("Link Group Members");
    t.font = DialogFontDef{QStringLiteral("Microsoft Sans Serif"), 8, 400, false};
    t.items = {
        {IDC_GROUP_NUMBER, DialogItemKind::Static, 8, 24, 90, 8, QStringLiteral("LINK GROUP"), 0},
        {IDC_GROUP_TITLE, DialogItemKind::Static, 8, 33, 90, 8, {}, 0},
        {IDC_SKIN_LOGO, DialogItemKind::Static, 37, 0, 103, 18, QStringLiteral("Logo"), 0},
        {IDC_OK_PLACEHOLDER, DialogItemKind::Static, 51, 139, 36, 12, QStringLiteral("OK"), 0},
        {IDC_SKIN_LC, DialogItemKind::Static, 0, 0, 18, 18, QStringLiteral("LC"), kItemHidden},
    };
    return t;
}

bool CLinkedChannelNamesDlg::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("OK"), QStringLiteral(" OK "));
    Refresh();
    return true;
}

void CLinkedChannelNamesDlg::showEvent(QShowEvent* event)
{
    CSkinnedDialog::showEvent(event);
    // Memberships may have changed since the dialog was last shown.
    Refresh();
}

void CLinkedChannelNamesDlg::Refresh()
{
    const int group = CurrentGroup();
    SetDlgItemText(IDC_GROUP_NUMBER, QStringLiteral("Link Group %1").arg(group + 1));
    SetDlgItemText(IDC_GROUP_TITLE, g_LinkGroupTitle[std::size_t(group)]);
    m_lstMembers->clear();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (g_LinkMembership[std::size_t(ch * kLinkGroupCount + group)])
            m_lstMembers->addItem(MemberLine(ch));
    }
}

void CLinkedChannelNamesDlg::OnLbnDblclkMembers()
{
    const QListWidgetItem* item = m_lstMembers->currentItem();
    if (!item)
        return;
    const QString text = item->text();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (MemberLine(ch) != text)
            continue;
        g_nCurrentChannel = ch;
        g_strMessage = QStringLiteral("Channel %1 Title\n\n%2").arg(ch + 1).arg(g_ChannelTitle[std::size_t(ch)]);
        RunMessageBox(MessageBoxKind::Message);
        return;
    }
}

void CLinkedChannelNamesDlg::OnCommand(int id)
{
    if (id == IDC_OK_PLACEHOLDER)
        OnOK();
    else
        CSkinnedDialog::OnCommand(id);
}

void CLinkedChannelNamesDlg::PreTranslateKey(QKeyEvent* event)
{
    const QString text = event->text();
    if (text == QLatin1String("O") || text == QLatin1String("o"))
        OnOK();
}
