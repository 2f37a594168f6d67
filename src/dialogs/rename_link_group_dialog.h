#pragma once

#include <QString>

#include "dialogs/name_notes_dialog.h"

// The link group the link matrix hands to the member list and to the
// rename dialog (0..9).
extern int g_nCurrentLinkGroup;
// The title the rename dialog stored last.
extern QString g_strLastLinkGroupTitle;

// Title and notes of a link group, stepping through the ten groups with
// Prev and Next. Opens at g_nCurrentLinkGroup; Prev and Next move it, so it
// names the group shown last when the dialog closes. OK, Prev and Next store
// the fields into g_LinkGroupTitle and g_LinkGroupNotes as typed (an empty
// title is allowed); Cancel stores nothing of the group on screen. Enter
// runs OK from either field. Moves from any point of its window.
class CRenameLinkGroup : public CNameNotesDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 228;
    static constexpr int IDC_PROMPT = 1027;
    static constexpr int IDC_TITLE = 1026;

    explicit CRenameLinkGroup(QWidget* parent = nullptr);
    ~CRenameLinkGroup() override;

    static DialogTemplate Layout();

    void ShowGroup();

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnPrev() override;
    void OnNext() override;

private:
    void StoreGroup();
};
