#include "dialogs/name_notes_dialog.h"

#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"

#include <QKeyEvent>

namespace {

// Enter, also held with Shift or Ctrl: a naming dialog has no use for a
// line break in its notes, so none of them may put one there instead of OK.
bool IsEnter(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier | Qt::ControlModifier);
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && mods == Qt::NoModifier;
}

} // namespace

CNameNotesDialog::CNameNotesDialog(const DialogTemplate& layout, const DialogItem& nameItem,
                                   const DialogItem& notesItem, QWidget* parent)
    : CSkinnedDialog(layout, FrameStyle::Skinned, parent)
{
    SetDragHandle(DragHandle::LogoStatic);
    SetColours(QColor(kSkinDialogBackground), QColor(kSkinBodyColor));

    m_edtName = new CNameEdit(this);
    SetControlId(m_edtName, nameItem.id);
    m_edtName->setGeometry(DialogItemRect(nameItem));

    m_edtNotes = new CNotesEdit(this);
    SetControlId(m_edtNotes, notesItem.id);
    m_edtNotes->setGeometry(DialogItemRect(notesItem));

    // The fields are white with black text whatever the desktop's scheme is.
    for (QWidget* field : {static_cast<QWidget*>(m_edtName), static_cast<QWidget*>(m_edtNotes)}) {
        QPalette pal = field->palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Text, Qt::black);
        field->setPalette(pal);
    }
    setTabOrder(m_edtName, m_edtNotes);
    m_edtName->setFocus();

    m_caretTimer.setSingleShot(true);
    m_caretTimer.setInterval(kCaretDelayMs);
    connect(&m_caretTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerCaret); });
}

CNameNotesDialog::~CNameNotesDialog() = default;

void CNameNotesDialog::CreateButtons(int cancelHover, int okHover, bool withPrevNext)
{
    CreateSkinButton(m_btnCancel, IDC_CANCEL_PLACEHOLDER, cancelHover, QStringLiteral("Cancel"),
                     QStringLiteral(" Cancel "));
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, okHover, QStringLiteral("OK"),
                     QStringLiteral(" OK "));
    if (withPrevNext) {
        CreateSkinButton(m_btnPrev, IDC_PREV_PLACEHOLDER, CBrannockButton::kBmpHover,
                         QStringLiteral("Prev"), QStringLiteral(" Previous "));
        CreateSkinButton(m_btnNext, IDC_NEXT_PLACEHOLDER, CBrannockButton::kBmpHoverWide,
                         QStringLiteral("Next"), QStringLiteral(" Next "));
    }
}

void CNameNotesDialog::OnCommand(int id)
{
    switch (id) {
    case IDC_OK_PLACEHOLDER:
        OnOK();
        break;
    case IDC_CANCEL_PLACEHOLDER:
        OnSharedCancel();
        break;
    case IDC_PREV_PLACEHOLDER:
        OnPrev();
        break;
    case IDC_NEXT_PLACEHOLDER:
        OnNext();
        break;
    default:
        CSkinnedDialog::OnCommand(id);
        break;
    }
}

void CNameNotesDialog::StartCaretTimer()
{
    m_caretTimer.start();
}

void CNameNotesDialog::OnTimer(int id)
{
    if (id != kTimerCaret)
        return;
    m_caretTimer.stop();
    if (m_bFocusNameOnTimer)
        m_edtName->setFocus();
    m_edtName->deselect();
    m_edtName->setCursorPosition(0);
}

void CNameNotesDialog::PreTranslateKey(QKeyEvent* event)
{
    if (m_bArrowKeysNavigate) {
        if (event->key() == Qt::Key_Left)
            OnPrev();
        else if (event->key() == Qt::Key_Right)
            OnNext();
    }
    if (IsCancelKey(event))
        OnSharedCancel();
}

bool CNameNotesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event))) {
        // Enter is OK wherever the focus is, and goes no further.
        event->accept();
        if (isVisible())
            OnOK();
        return true;
    }
    return CSkinnedDialog::eventFilter(watched, event);
}
