#include "dialogs/rename_link_group_dialog.h"

#include "app/project_state.h"
#include "dialogs/naming_dialogs.h"

#include <algorithm>

int g_nCurrentLinkGroup = 0;
QString g_strLastLinkGroupTitle;

CRenameLinkGroup::CRenameLinkGroup(QWidget* parent)
    : CNameNotesDialog(Layout(), NameItem(IDC_TITLE), NotesItem(), parent)
{
    SetSkinTitle(QStringLiteral("Link Group Name"));
    SetDragHandle(DragHandle::WholeWindow);
}

CRenameLinkGroup::~CRenameLinkGroup() = default;

DialogTemplate CRenameLinkGroup::Layout()
{
    DialogTemplate t;
    t.id = kTemplateId;
    t.cx = 201;
    t.cy = 155;
    t.caption = QStringLiteral("Link Group Name");
    t.font = DialogFontDef{QStringLiteral("Microsoft Sans Serif"), 8, 400, false};
    t.items = {
        {IDC_PROMPT, DialogItemKind::Static, 16, 26, 170, 15, QStringLiteral("Re-name the Unit"), 0},
        {IDC_SKIN_LOGO, DialogItemKind::Static, 64, 0, 137, 18, QStringLiteral("Logo"), 0},
        Placeholder(IDC_OK_PLACEHOLDER, 61, QStringLiteral("OK")),
        Placeholder(IDC_CANCEL_PLACEHOLDER, 101, QStringLiteral("Cancel")),
        {IDC_SKIN_LC, DialogItemKind::Static, 0, 0, 18, 18, QStringLiteral("LC"), kItemHidden},
        NotesLabel(),
        Placeholder(IDC_PREV_PLACEHOLDER, 16, QStringLiteral("Prev")),
        Placeholder(IDC_NEXT_PLACEHOLDER, 149, QStringLiteral("Next")),
    };
    return t;
}

bool CRenameLinkGroup::OnInitDialog()
{
    CNameNotesDialog::OnInitDialog();
    CreateButtons(CBrannockButton::kBmpHover, CBrannockButton::kBmpHover, true);
    g_nCurrentLinkGroup = std::clamp(g_nCurrentLinkGroup, 0, kLinkGroupCount - 1);
    ShowGroup();
    StartCaretTimer();
    return true;
}

void CRenameLinkGroup::ShowGroup()
{
    const std::size_t g = std::size_t(g_nCurrentLinkGroup);
    g_strRenamePrompt = QStringLiteral("Enter the desired title for Link Group %1").arg(g_nCurrentLinkGroup + 1);
    SetDlgItemText(IDC_PROMPT, g_strRenamePrompt);
    notesEdit()->SetStoredText(g_LinkGroupNotes[g]);
    nameEdit()->SetStoredText(g_LinkGroupTitle[g]);
}

void CRenameLinkGroup::StoreGroup()
{
    const std::size_t g = std::size_t(g_nCurrentLinkGroup);
    g_LinkGroupTitle[g] = nameEdit()->StoredText();
    g_strLastLinkGroupTitle = g_LinkGroupTitle[g];
    g_LinkGroupNotes[g] = notesEdit()->StoredText();
}

void CRenameLinkGroup::OnOK()
{
    StoreGroup();
    EndDialog(IDOK);
}

void CRenameLinkGroup::OnPrev()
{
    StoreGroup();
    if (g_nCurrentLinkGroup > 0)
        --g_nCurrentLinkGroup;
    else
        MessageBeep();
    ShowGroup();
}

void CRenameLinkGroup::OnNext()
{
    StoreGroup();
    if (g_nCurrentLinkGroup < kLinkGroupCount - 1)
        ++g_nCurrentLinkGroup;
    else
        MessageBeep();
    ShowGroup();
}
