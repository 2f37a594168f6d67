#pragma once

#include <functional>
#include <vector>

#include "controls/bitmap_buttons.h"
#include "dialogs/dialog_form_controls.h"
#include "dialogs/skinned_dialog.h"

// "Preferences": the four scene prompts, the Ethernet update rate of the
// units, "Mute linked channels", the meter preferences and autosave (each
// through its own dialog) and "Clear All Links". Every one of these takes
// effect the moment it is clicked; OK and Cancel only close the dialog.
// The unit-assignment mode (two radios that nothing shows) is the
// exception: OK asks before it accepts a changed mode and then asks for a
// restart, Cancel puts the mode back.
class CPreferences : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 231;
    static constexpr int IDC_MUTE_LINKED = 1006;
    static constexpr int IDC_ALL_16_CHANNEL = 1010;
    static constexpr int IDC_SCENE_PROMPTS_GROUP = 1016;
    static constexpr int IDC_UPDATE_RATE_GROUP = 1017;
    static constexpr int IDC_AUTOSAVE = 1022;
    static constexpr int IDC_METERING = 1023;
    static constexpr int IDC_PREFS_OK = 1024;
    static constexpr int IDC_PREFS_CANCEL = 1025;
    static constexpr int IDC_CLEAR_ALL_LINKS = 1026;
    static constexpr int IDC_MIXED_8_AND_16 = 1062;
    static constexpr int IDC_PROMPT_RECALL = 1911;
    static constexpr int IDC_PROMPT_DELETE = 1912;
    static constexpr int IDC_PROMPT_NEW = 1916;
    static constexpr int IDC_PROMPT_REORDER = 1918;
    static constexpr int IDC_EVERY_50MS = 32795;
    static constexpr int IDC_EVERY_100MS = 32796;
    static constexpr int IDC_EVERY_200MS = 32797;
    static constexpr int IDC_EVERY_500MS = 32798;
    static constexpr int IDC_EVERY_1000MS = 32799;
    // The unit-mode pictures of the main window's unit-assignment button.
    static constexpr int kBmpAll16Channel = 1885;
    static constexpr int kBmpMixed = 1884;

    explicit CPreferences(QWidget* parent = nullptr);
    ~CPreferences() override;

    static DialogTemplate Layout();
    static std::vector<FormItem> FormItems();

    void OnCommand(int id) override;

    // The handlers, by control.
    void OnEvery50ms() { SetUpdateRate(50, IDC_EVERY_50MS); }
    void OnEvery100ms() { SetUpdateRate(100, IDC_EVERY_100MS); }
    void OnEvery200ms() { SetUpdateRate(200, IDC_EVERY_200MS); }
    void OnEvery500ms() { SetUpdateRate(500, IDC_EVERY_500MS); }
    void OnEvery1000ms() { SetUpdateRate(1000, IDC_EVERY_1000MS); }
    void OnMuteLinkedChannels();
    void OnMetering();
    void OnAutosave();
    void OnClearAllLinks();
    void OnSixteenChannelUnitsOnly();
    void OnMixedEightAndSixteen();

    bool restartNeeded() const { return m_bRestartNeeded; }
    bool confirmNeeded() const { return m_bConfirmNeeded; }
    int initialMode() const { return m_nInitialMode; }

    // What gives the main window's unit-assignment button its picture
    // (1885 all 16-channel, 1884 mixed). An empty function sets nothing.
    static void SetUnitModePictureHandler(std::function<void(int bitmapId)> handler);

protected:
    bool OnInitDialog() override;

private:
    void SetUpdateRate(int periodMs, int radioId);
    // The unit-assignment mode: 1 all units 16-channel, 2 mixed.
    void ApplyUnitMode(int mode);
    void RunInitialModeAgain(int mode);
    void OnOKButton();
    void OnCancelButton();

    CBrannockButton m_btnMetering;
    CBrannockButton m_btnAutosave;
    CBrannockButton m_btnOK;
    CBrannockButton m_btnCancel;
    CBrannockButton m_btnClearAllLinks;
    bool m_bRestartNeeded = false;
    int m_nInitialMode = 1;
    int m_nInitialModeForCancel = 1;
    bool m_bConfirmNeeded = false;
};
