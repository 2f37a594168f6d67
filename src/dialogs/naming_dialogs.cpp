#include "dialogs/naming_dialogs.h"

#include "app/app_services.h"
#include "app/main_dialog.h"
#include "views/underview.h"

#include <algorithm>

QString g_strChannelPrompt;
QString g_strRenamePrompt;
QString g_strRenamedScene;
bool g_bNamingFromMatrix = false;

namespace {

std::function<void()>& OverviewRepaintHandler()
{
    static std::function<void()> handler;
    return handler;
}

// The layout every naming dialog shares: the skin's statics, a prompt, the
// "Notes:" label and the button placeholders.
DialogTemplate NamingLayout(int id, int promptId, const QString& promptText,
                            std::vector<DialogItem> placeholders)
{
    DialogTemplate t = SkinLayout(id, 201, 156, QString());
    t.items.push_back({promptId, DialogItemKind::Static, 16, 26, 170, 15, promptText, 0});
    t.items.push_back(CNameNotesDialog::NotesLabel());
    for (DialogItem& item : placeholders)
        t.items.push_back(std::move(item));
    return t;
}

std::vector<DialogItem> FourButtons()
{
    return {
        CNameNotesDialog::Placeholder(CNameNotesDialog::IDC_PREV_PLACEHOLDER, 16, QStringLiteral("Prev")),
        CNameNotesDialog::Placeholder(CNameNotesDialog::IDC_OK_PLACEHOLDER, 65, QStringLiteral("OK")),
        CNameNotesDialog::Placeholder(CNameNotesDialog::IDC_CANCEL_PLACEHOLDER, 105, QStringLiteral("Cancel")),
        CNameNotesDialog::Placeholder(CNameNotesDialog::IDC_NEXT_PLACEHOLDER, 153, QStringLiteral("Next")),
    };
}

bool ValidSceneIndex(int index)
{
    return index >= 0 && index < kSceneCapacity;
}

// The scene list marks changed scenes with "*", so names never hold one.
const QString kSceneNameForbidden = QStringLiteral("*");

} // namespace

void SetOverviewRepaintHandler(std::function<void()> handler)
{
    OverviewRepaintHandler() = std::move(handler);
}

void RepaintOverview()
{
    if (OverviewRepaintHandler())
        OverviewRepaintHandler()();
}

// ---------------------------------------------------------------------------
// CChannelNamingDlg

CChannelNamingDlg::CChannelNamingDlg(QWidget* parent)
    : CNameNotesDialog(Layout(), NameItem(IDC_NAME), NotesItem(), parent)
{
    SetSkinTitle(QStringLiteral("Channel Name"));
    SetArrowKeysNavigate(true);
}

CChannelNamingDlg::~CChannelNamingDlg() = default;

DialogTemplate CChannelNamingDlg::Layout()
{
    DialogTemplate t = NamingLayout(kTemplateId, IDC_PROMPT,
                                    QStringLiteral("Enter the desired title for the channel..."),
                                    FourButtons());
    t.caption = QStringLiteral("Channel Name");
    return t;
}

bool CChannelNamingDlg::OnInitDialog()
{
    CNameNotesDialog::OnInitDialog();
    CreateButtons(CBrannockButton::kBmpHover, CBrannockButton::kBmpHover, true);
    g_nCurrentChannel = std::clamp(g_nCurrentChannel, 0, kChannelCount - 1);
    ShowChannel();
    StartCaretTimer();
    return true;
}

void CChannelNamingDlg::ShowChannel()
{
    const std::size_t ch = std::size_t(g_nCurrentChannel);
    notesEdit()->SetStoredText(g_ChannelNotes[ch]);
    nameEdit()->SetStoredText(g_ChannelTitle[ch]);
    g_strChannelPrompt = QStringLiteral("Enter the desired title for Channel %1").arg(g_nCurrentChannel + 1);
    SetDlgItemText(IDC_PROMPT, g_strChannelPrompt);
}

void CChannelNamingDlg::StoreChannel()
{
    const int channel = g_nCurrentChannel;
    const std::size_t ch = std::size_t(channel);
    g_ChannelTitle[ch] = nameEdit()->StoredText();
    g_ChannelNotes[ch] = notesEdit()->StoredText();
    if (g_pUnderview) {
        g_pUnderview->SetChannelTitle(channel, g_ChannelTitle[ch]);
        g_pUnderview->update();
    }
    RepaintOverview();
}

void CChannelNamingDlg::OnOK()
{
    StoreChannel();
    EndDialog(IDOK);
}

void CChannelNamingDlg::OnPrev()
{
    StoreChannel();
    if (g_nCurrentChannel < 1) {
        MessageBeep();
        return;
    }
    --g_nCurrentChannel;
    ShowChannel();
    StartCaretTimer();
}

void CChannelNamingDlg::OnNext()
{
    StoreChannel();
    if (g_nCurrentChannel >= kChannelCount - 1) {
        MessageBeep();
        return;
    }
    ++g_nCurrentChannel;
    ShowChannel();
    StartCaretTimer();
}

// ---------------------------------------------------------------------------
// CNewUnitNamingDlg

CNewUnitNamingDlg::CNewUnitNamingDlg(int slotIndex, QWidget* parent)
    : CNameNotesDialog(Layout(), NameItem(IDC_NAME), NotesItem(), parent),
      m_nIndex(std::clamp(slotIndex, 0, kLastIndex))
{
    SetSkinTitle(QStringLiteral("Unit Name"));
    SetArrowKeysNavigate(true);
}

CNewUnitNamingDlg::~CNewUnitNamingDlg()
{
    // Whatever the result, changed names show at once.
    if (g_pMainDlg)
        g_pMainDlg->update();
}

DialogTemplate CNewUnitNamingDlg::Layout()
{
    DialogTemplate t = NamingLayout(kTemplateId, IDC_PROMPT,
                                    QStringLiteral("Enter the desired title for this Unit..."),
                                    FourButtons());
    t.caption = QStringLiteral("Unit Name");
    return t;
}

int CNewUnitNamingDlg::NextIndex(int index, bool all16ChannelUnits)
{
    if (index >= kLastIndex)
        return index;
    if (all16ChannelUnits && index < kFirstSingleSlotIndex)
        return std::min(index + 2, kFirstSingleSlotIndex);
    return index + 1;
}

int CNewUnitNamingDlg::PrevIndex(int index, bool all16ChannelUnits)
{
    if (all16ChannelUnits && index <= kFirstSingleSlotIndex)
        return std::max(index - 2, 0);
    return std::max(index - 1, 0);
}

bool CNewUnitNamingDlg::OnInitDialog()
{
    CNameNotesDialog::OnInitDialog();
    CreateButtons(CBrannockButton::kBmpHover, CBrannockButton::kBmpHover, true);
    StartCaretTimer();
    ShowSlot();
    return true;
}

void CNewUnitNamingDlg::ShowSlot()
{
    // The prompt names the unit that owns the slot.
    g_strScratch = QStringLiteral("Enter the desired title for Unit %1").arg(SlotToUnitNumber(m_nIndex + 1));
    SetDlgItemText(IDC_PROMPT, g_strScratch);
    nameEdit()->SetStoredText(g_UnitName[std::size_t(m_nIndex)]);
    notesEdit()->SetStoredText(g_UnitNotes[std::size_t(m_nIndex)]);
}

void CNewUnitNamingDlg::StoreSlot()
{
    const QString name = nameEdit()->StoredText();
    const QString notes = notesEdit()->StoredText();
    if (m_nIndex >= kFirstSingleSlotIndex) {
        g_UnitName[std::size_t(m_nIndex)] = name;
        g_UnitNotes[std::size_t(m_nIndex)] = notes;
        return;
    }
    // Both slots of a 16-channel unit carry its name.
    const int first = m_nIndex & ~1;
    for (int i : {first, first + 1}) {
        g_UnitName[std::size_t(i)] = name;
        g_UnitNotes[std::size_t(i)] = notes;
    }
}

void CNewUnitNamingDlg::RepaintNames()
{
    if (g_pUnderview)
        g_pUnderview->update();
    RepaintOverview();
}

void CNewUnitNamingDlg::OnOK()
{
    StoreSlot();
    EndDialog(IDOK);
    RepaintNames();
}

void CNewUnitNamingDlg::OnNext()
{
    StoreSlot();
    const int next = NextIndex(m_nIndex, g_bAll16ChannelUnits);
    if (next == m_nIndex) {
        MessageBeep();
        return;
    }
    m_nIndex = next;
    StartCaretTimer();
    ShowSlot();
    RepaintNames();
}

void CNewUnitNamingDlg::OnPrev()
{
    StoreSlot();
    const int step = (g_bAll16ChannelUnits && m_nIndex <= kFirstSingleSlotIndex) ? 2 : 1;
    if (m_nIndex - step < 0)
        MessageBeep();
    m_nIndex = PrevIndex(m_nIndex, g_bAll16ChannelUnits);
    StartCaretTimer();
    ShowSlot();
    RepaintNames();
}

// ---------------------------------------------------------------------------
// CNewSceneDialog

CNewSceneDialog::CNewSceneDialog(QWidget* parent)
    : CNameNotesDialog(Layout(), NameItem(IDC_NAME), NotesItem(), parent)
{
    SetSkinTitle(QStringLiteral("Enter Scene Name"));
    SetFocusNameOnTimer(true);
    nameEdit()->SetForbiddenCharacters(kSceneNameForbidden);
}

CNewSceneDialog::~CNewSceneDialog() = default;

DialogTemplate CNewSceneDialog::Layout()
{
    DialogTemplate t = NamingLayout(
        kTemplateId, kStaticControlId, QStringLiteral("Enter a name for the new scene..."),
        {Placeholder(IDC_OK_PLACEHOLDER, 64, QStringLiteral("OK")),
         Placeholder(IDC_CANCEL_PLACEHOLDER, 103, QStringLiteral("Cancel"))});
    t.caption = QStringLiteral("Enter Scene Name");
    return t;
}

bool CNewSceneDialog::OnInitDialog()
{
    CNameNotesDialog::OnInitDialog();
    CreateButtons(CBrannockButton::kBmpHover, CBrannockButton::kBmpHoverTall, false);
    if (ValidSceneIndex(g_nSceneCount))
        nameEdit()->SetStoredText(g_SceneName[std::size_t(g_nSceneCount)]);
    StartCaretTimer();
    return true;
}

void CNewSceneDialog::OnOK()
{
    // The new scene's entry must exist (a full list takes no more), and the
    // blank scene's entry is never renamed.
    if (g_nSceneCount < 1 || !ValidSceneIndex(g_nSceneCount)) {
        if (g_nSceneCount >= kSceneCapacity)
            ShowMessage(QStringLiteral("The scene list is full: no more than %1 scenes can be stored.")
                            .arg(kSceneCapacity - 1));
        EndDialog(IDCANCEL);
        return;
    }
    g_SceneName[std::size_t(g_nSceneCount)] = nameEdit()->StoredText();
    g_SceneNotes[std::size_t(g_nSceneCount)] = notesEdit()->StoredText();
    EndDialog(IDOK);
}

// ---------------------------------------------------------------------------
// CRenameScene

CRenameScene::CRenameScene(QWidget* parent)
    : CNameNotesDialog(Layout(), NameItem(IDC_NAME), NotesItem(), parent)
{
    SetSkinTitle(QStringLiteral("Rename Scene"));
    SetDragHandle(DragHandle::WholeWindow);
    SetFocusNameOnTimer(true);
    nameEdit()->SetForbiddenCharacters(kSceneNameForbidden);
}

CRenameScene::~CRenameScene() = default;

DialogTemplate CRenameScene::Layout()
{
    DialogTemplate t = NamingLayout(
        kTemplateId, IDC_PROMPT, QStringLiteral("Scene Name"),
        {Placeholder(IDC_OK_PLACEHOLDER, 61, QStringLiteral("OK")),
         Placeholder(IDC_CANCEL_PLACEHOLDER, 101, QStringLiteral("Cancel"))});
    t.caption = QStringLiteral("Rename Scene");
    return t;
}

bool CRenameScene::OnInitDialog()
{
    CNameNotesDialog::OnInitDialog();
    CreateButtons(CBrannockButton::kBmpHoverTall, CBrannockButton::kBmpHover, false);
    StartCaretTimer();
    m_nIndex = g_nCurrentIndex;
    SetDlgItemText(IDC_PROMPT, g_strRenamePrompt);
    if (ValidSceneIndex(m_nIndex)) {
        notesEdit()->SetStoredText(g_SceneNotes[std::size_t(m_nIndex)]);
        nameEdit()->SetStoredText(g_SceneName[std::size_t(m_nIndex)]);
    }
    return true;
}

void CRenameScene::OnOK()
{
    g_strRenamedScene = nameEdit()->StoredText();
    if (ValidSceneIndex(m_nIndex))
        g_SceneNotes[std::size_t(m_nIndex)] = notesEdit()->StoredText();
    EndDialog(IDOK);
}
