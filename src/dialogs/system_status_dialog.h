#pragma once

#include <QString>

#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"

class QListWidget;
class QWidget;

// The "System Status" dialog: one list line per slot whose unit has been
// heard or is in trouble, with its unit number, IP address and a status
// word. With no unit of any model on line it does not open: the operator
// gets "There are no active Units to check" instead and the result is 2.
class CSystemStatusDialog : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 156;
    static constexpr int IDC_LIST = 1018;
    static constexpr int IDC_OK_PLACEHOLDER = 1050;
    // Statics of the layout that stay hidden.
    static constexpr int IDC_HIDDEN_FIRST = 1033;
    static constexpr int IDC_HIDDEN_LAST = 1036;
    static constexpr int kNoUnitsResult = 2;
    // The line under the list that counts the unit datagrams the console
    // had to let go because it was too busy to take them in time.
    static constexpr int IDC_DROPPED = 1040;

    explicit CSystemStatusDialog(QWidget* parent = nullptr);
    ~CSystemStatusDialog() override;

    static DialogTemplate Layout();

    // Runs the dialog modally, or shows the message and returns 2 when no
    // unit is on line.
    int DoModal();

    void OnCommand(int id) override;

    // The status word of a code; empty for a code without one.
    static QString StatusWord(int status);
    // The list line of a slot: " Unit %d  IP Address: %s  %s".
    static QString StatusLine(int slot);
    // True while a unit of any model is on line.
    static bool AnyUnitOnline();
    // The text of the dropped-datagram line.
    static QString DroppedLine();

    QListWidget* list() const { return m_lstStatus; }

protected:
    bool OnInitDialog() override;

private:
    void CreateOkButton();
    void TellNoUnits();

    CBrannockButton m_btnOK;
    QListWidget* m_lstStatus = nullptr;
    bool m_bToldNoUnits = false;
};

// The Setup > Diagnostics > System Status command: the dialog, modally.
int ShowSystemStatusDialog(QWidget* parent);
