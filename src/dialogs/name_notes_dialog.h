#pragma once

#include <QTimer>

#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"
#include "dialogs/text_fields.h"

// Base of the skinned dialogs that edit a name and a note: a prompt, a
// one-line name field, a "Notes:" label with a multi-line notes field, and
// skinned OK / Cancel (and Prev / Next) buttons over placeholders 1050,
// 1049, 1051 and 1052. Enter, also with Shift or Ctrl held, runs OK from any
// field (a note never takes a line break from it); Escape ends with IDCANCEL
// through the base, as do the Cancel button and the Cancel key (the shared
// Cancel). A moment after the dialog opens
// (timer 3, restarted by Prev and Next) the caret goes to the start of the
// name.
class CNameNotesDialog : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int IDC_CANCEL_PLACEHOLDER = 1049;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;
    static constexpr int IDC_PREV_PLACEHOLDER = 1051;
    static constexpr int IDC_NEXT_PLACEHOLDER = 1052;
    static constexpr int IDC_NOTES = 1063;
    static constexpr int kTimerCaret = 3;
    static constexpr int kCaretDelayMs = 100;

    // The layout holds the statics and placeholders; the two fields are
    // made from their own items (name edit, notes edit).
    CNameNotesDialog(const DialogTemplate& layout, const DialogItem& nameItem,
                     const DialogItem& notesItem, QWidget* parent = nullptr);
    ~CNameNotesDialog() override;

    CNameEdit* nameEdit() const { return m_edtName; }
    CNotesEdit* notesEdit() const { return m_edtNotes; }

    void OnCommand(int id) override;

    // Timer 3: the caret to the start of the name, nothing selected.
    void OnTimer(int id);
    bool isTimerArmed(int id) const { return id == kTimerCaret && m_caretTimer.isActive(); }

    // The standard placement of the fields in the naming layouts.
    static DialogItem NameItem(int id) { return {id, DialogItemKind::Static, 21, 46, 158, 14, {}, 0}; }
    static DialogItem NotesItem() { return {IDC_NOTES, DialogItemKind::Static, 21, 78, 158, 38, {}, 0}; }
    static DialogItem NotesLabel() { return {kStaticControlId, DialogItemKind::Static, 16, 65, 44, 8, QStringLiteral("Notes:"), 0}; }
    static DialogItem Placeholder(int id, int x, const QString& text)
    {
        return {id, DialogItemKind::Static, x, 131, 36, 12, text, 0};
    }

protected:
    virtual void OnPrev() {}
    virtual void OnNext() {}

    // Cancel, OK, Prev and Next as the layout has them (Prev and Next only
    // when withPrevNext).
    void CreateButtons(int cancelHover, int okHover, bool withPrevNext);
    void StartCaretTimer();
    // Left and Right run Prev and Next (the key still reaches the field).
    void SetArrowKeysNavigate(bool on) { m_bArrowKeysNavigate = on; }
    // The name field takes the focus when the caret timer runs.
    void SetFocusNameOnTimer(bool on) { m_bFocusNameOnTimer = on; }

    void PreTranslateKey(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    CBrannockButton m_btnCancel;
    CBrannockButton m_btnOK;
    CBrannockButton m_btnPrev;
    CBrannockButton m_btnNext;

private:
    CNameEdit* m_edtName = nullptr;
    CNotesEdit* m_edtNotes = nullptr;
    QTimer m_caretTimer;
    bool m_bArrowKeysNavigate = false;
    bool m_bFocusNameOnTimer = false;
};
