#pragma once

#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"

class QListWidget;
class QListWidgetItem;

// "Link Group Members": the channels of the link group g_nCurrentLinkGroup,
// one line "%03d <title>" each in channel order, under the group's number
// and title. A double click on a line shows that channel's title in the
// message box. The dialog changes no membership. OK (and "O" or "o") ends it
// with IDOK.
class CLinkedChannelNamesDlg : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 149;
    static constexpr int IDC_MEMBERS = 1018;
    static constexpr int IDC_GROUP_NUMBER = 1023;
    static constexpr int IDC_GROUP_TITLE = 1024;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;

    explicit CLinkedChannelNamesDlg(QWidget* parent = nullptr);
    ~CLinkedChannelNamesDlg() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

    // Fills the statics and the list from the tables (showing the dialog does it).
    void Refresh();
    QListWidget* members() const { return m_lstMembers; }

    // A double click on the selected line.
    void OnLbnDblclkMembers();

protected:
    bool OnInitDialog() override;
    void PreTranslateKey(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CBrannockButton m_btnOK;
    QListWidget* m_lstMembers = nullptr;
};
