#pragma once

#include <QString>

#include <functional>

#include "app/project_state.h"
#include "dialogs/name_notes_dialog.h"

// The naming dialogs: a channel's title and notes, a unit's name and notes,
// and the name and notes of a new or renamed scene. They edit the project
// tables in place; what the caller does afterwards is the caller's.

// "Enter the desired title for Channel %d" of the channel being named.
extern QString g_strChannelPrompt;
// The prompt of the rename dialogs ("Enter a new name for the '%s' scene",
// "Enter the desired title for Link Group %d").
extern QString g_strRenamePrompt;
// The new name the scene rename dialog hands back on OK.
extern QString g_strRenamedScene;
// Set while the link matrix has the channel naming dialog open.
extern bool g_bNamingFromMatrix;

// The overview shows unit names and channel titles too; the main window
// installs how it is repainted after a naming dialog stored texts (an empty
// function: nothing to repaint).
void SetOverviewRepaintHandler(std::function<void()> handler);
void RepaintOverview();

// Title and notes of a channel, stepping through the channels with Prev and
// Next (and the Left and Right keys). Opens at g_nCurrentChannel; Prev and
// Next move g_nCurrentChannel, which stays moved after the dialog closes.
// OK, Prev and Next store the fields into g_ChannelTitle and g_ChannelNotes
// and repaint the channel's title in the views; Cancel stores nothing of the
// channel on screen.
class CChannelNamingDlg : public CNameNotesDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 157;
    static constexpr int IDC_PROMPT = 1010;
    static constexpr int IDC_NAME = 1009;

    explicit CChannelNamingDlg(QWidget* parent = nullptr);
    ~CChannelNamingDlg() override;

    static DialogTemplate Layout();

    int currentChannel() const { return g_nCurrentChannel; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnPrev() override;
    void OnNext() override;

private:
    void ShowChannel();
    void StoreChannel();
};

// Name and notes of a unit, stepping through the slots with Prev and Next
// (and the Left and Right keys). The dialog keeps the slot index it shows
// (0..47) to itself: the scene commands' active index is left alone. A name
// given to a slot of the 16-channel region (index below 32) goes to both
// slots of its pair. OK, Prev and Next store; Cancel stores nothing of the
// slot on screen. The views repaint the names after every store and when
// the dialog goes.
class CNewUnitNamingDlg : public CNameNotesDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 232;
    static constexpr int IDC_PROMPT = 1010;
    static constexpr int IDC_NAME = 1009;
    static constexpr int kLastIndex = kSlotCount - 1;
    // The first slot index of the single-slot units.
    static constexpr int kFirstSingleSlotIndex = 32;

    explicit CNewUnitNamingDlg(int slotIndex, QWidget* parent = nullptr);
    ~CNewUnitNamingDlg() override;

    static DialogTemplate Layout();

    // The slot index the dialog shows.
    int currentIndex() const { return m_nIndex; }

    // The slot index Next and Prev go to from index (the same index at the
    // ends): in the all-16-channel mode a unit of the paired region spans
    // two slots, so the step there is two; every other step is one.
    static int NextIndex(int index, bool all16ChannelUnits);
    static int PrevIndex(int index, bool all16ChannelUnits);

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnPrev() override;
    void OnNext() override;

private:
    void ShowSlot();
    void StoreSlot();
    void RepaintNames();

    int m_nIndex = 0;
};

// Name and notes of the scene about to be created, entry g_nSceneCount of
// the scene tables. A scene name takes no "*" (the scene list marks changed
// scenes with it).
class CNewSceneDialog : public CNameNotesDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 280;
    static constexpr int IDC_NAME = 281;

    explicit CNewSceneDialog(QWidget* parent = nullptr);
    ~CNewSceneDialog() override;

    static DialogTemplate Layout();

protected:
    bool OnInitDialog() override;
    void OnOK() override;
};

// New name and notes of the scene at g_nCurrentIndex. On OK the new name is
// handed back in g_strRenamedScene (the caller renames the scene from it)
// and the notes go into g_SceneNotes. Moves from any point of its window.
class CRenameScene : public CNameNotesDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 224;
    static constexpr int IDC_PROMPT = 1027;
    static constexpr int IDC_NAME = 1026;

    explicit CRenameScene(QWidget* parent = nullptr);
    ~CRenameScene() override;

    static DialogTemplate Layout();

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    int m_nIndex = 0;
};
