#pragma once

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QMainWindow>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>

#include "app/app_services.h"
#include "app/main_menu.h"
#include "app/project_state.h"
#include "app/window_placement.h"
#include "platform/colorref.h"
#include "platform/image_list.h"
#include "platform/regular_file.h"
#include "protocol/network_core.h"
#include "protocol/unit_host.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "controls/gain_fader.h"
#include "controls/picture_button.h"

#include <memory>
#include <optional>
#include <vector>

using WORD = std::uint16_t;

class Clock;
class CUnderviewWnd;
class COverviewWnd;
class CBorderedWindow;
class CUnitStatusWnd;
class CMyScrollBar;
class QPainter;
class QKeyEvent;
class QListWidget;
class QMouseEvent;
class QScrollBar;
class QToolButton;
class SettingsStore;
class SkinRegistry;
class TimerTable;

// What the main window needs of the platform; the running program hands it
// the real pieces, tests hand it a manual clock and timer table and
// settings in a temporary file.
struct PlatformServices {
    Clock& clock;
    TimerTable& timers;
    SettingsStore& settings;
    SkinRegistry& skins;
};

// What the program was started with.
struct StartupOptions {
    QString projectPath;   // absolute path of the project named on the command line, or empty
    QString exePath;       // the program's own absolute path
    bool registerFileType = true;
    NetworkConfig network; // ports of the unit network
    // Ask at start whether a scene is to be recalled (bench and test runs leave it out).
    bool askStartupQuestion = true;
};

// The main window: owns the views, the scene panel and the per-channel link
// bookkeeping, builds the whole window in a fixed order, and is the one
// place that commands (menus, keys, strip controls, unit packets) and timer
// ticks arrive at.
// The unit on line that owns a channel, as the three unit lists report it.
struct ChannelOwner {
    bool kr9x = false;
    bool kr960_8 = false;
    bool kr960 = false;
    int slot = 0;          // the unit's slot (the first of a 16-channel unit)
    int channelInUnit = 0;
    int blockSize = 0;     // 16, 8, or 0 when no unit on line owns the channel
    int blockFirst = 0;    // first channel of the unit block
    bool any() const { return kr9x || kr960_8 || kr960; }
};

// Looks a channel up in the unit lists (each only while its model has units on line).
ChannelOwner FindChannelOwner(int channel);

class CNewCustomBtn;
struct SceneRecord;

class CQuellonKR9SeriesDlg : public QMainWindow, public UnitHost, public FaderHost {
    Q_OBJECT
public:
    // Timer ids of the main window.
    enum TimerId : int {
        kTimerMeterTest = 2,
        kTimerPoll = 3,
        kTimerMeterPeriod = 4,
        kTimerSettle = UnitHost::kTimerSettle,
        kTimerAutosave = 6,
        kTimerSendAll = 12,
        kTimerAltRelink = 14,
        kTimerSceneLock = 15,
        // The pause after a scene-list drag before the list is renumbered.
        kTimerSceneDragEnd = 16,
        kTimerResendLinks = 21,
        kTimerMeterTestEnd = 44,
        kTimerSysCommand = 46,
        kTimerStartNetwork = 48,
        kTimerHeartbeat = 50,
        // A project handed over by another start waits for open boxes to close.
        kTimerHandOffWait = 61,
        // The off-line watchdog's own tick.
        kTimerWatchdog = 9000,
    };

    // Fixed geometry of the window, in pixels of its client area.
    static constexpr int kOverviewWidth = 1242;
    static constexpr int kScrollBarWidth = 14;
    static constexpr int kMinTrackWidth = 1102;
    static constexpr int kMaxTrackWidth = 31584;
    static constexpr int kTopLogoBitmap = 191;
    static constexpr int kTopLogoHeight = 24; // the logo band above the scene caption
    static constexpr int kTopLogoOffsetX = 40;
    static constexpr QRgb kBackgroundColor = qRgb(48, 59, 83);
    static constexpr QRgb kHighlightColor = qRgb(0x78, 0x78, 0x78);
    static constexpr int kImageListBitmap = 242;
    static constexpr int kImageListWidth = 16;
    static constexpr ColorRef kImageListMask = 0xFFEED2;
    // Lines the scene list shows at once.
    static constexpr int kVisibleSceneRows = 6;
    static constexpr int kSceneDragSettleMs = 500;

    CQuellonKR9SeriesDlg(PlatformServices& platform, StartupOptions options,
                         QWidget* parent = nullptr);
    ~CQuellonKR9SeriesDlg() override;

    // Builds the window; the window stays hidden until the caller shows it.
    bool OnInitDialog();

    void OnCommand(int id);
    // Commands of the menu and the keys.
    void OnIpAddress();
    // The naming dialogs: units from a slot index, a channel's title.
    void OnUnitNaming(int slotIndex);
    void OnChannelNaming(int channel, bool prompt);
    void OnEditLink();
    void OnUpdateRate(int periodMs);
    void OnMeterTestFullScale();
    void OnMeterTestRandom();
    void OnMeterTestOff();
    void MeterTestStep();
    void RestartProgram();
    // The unit assignment button shows the unit mode (1885 all 16-channel, 1884 mixed).
    void SetUnitAssignmentPicture(int bitmapId);
    void OnUninstall();
    void OnTimer(int id);
    void OnOverviewButton();
    // Scrolls the channel-strip view by whole strips: delta in pixels,
    // rounded toward zero to a multiple of 82 and kept within the range.
    void ScrollStripsBy(int delta);
    // The scroll reports of the bars: a code and a position.
    void OnHScroll(int code, int position);
    void OnVScroll(int code, int position);
    // Connects a view's scroll bar so that the other view follows it.
    void KeepViewsInProportion(CMyScrollBar* viewBar);
    void OnSceneListScroll(int code, int position);
    // Moves the overview by whole rows (168 px) within 0..3528.
    void ScrollOverviewBy(int delta);
    void UpdateHorzScrollRange();
    // Closes the window through the shut-down routine.
    void OnClose();
    // A terminate request: the same shut-down without the save question.
    void CloseWithoutAsking();
    // Tears the program down in order; false when the operator cancelled.
    bool QuerySaveAndShutDown();

    // Every slot's unit name back to its "Unused" default.
    void ResetUnitNames();
    // The window and both views paint again (names, titles changed).
    void RepaintViews();
    // Both views show new meter preferences at once: the scales beside the
    // strips' meters and the overview's peak markers and red zone.
    void ApplyMeterPreferencesToViews();
    // The default name of a slot once a unit of the model is heard there.
    virtual void SetDefaultUnitName(int slot, int model);
    // Every slot whose model is known (only those whose unit is on line, when
    // onLineOnly) takes its model's name unless it holds one of the operator's.
    void NameUnitsByModel(bool onLineOnly);
    // The Split, Safe, Rbin and Sqrt switches of a slot's eight channels in
    // both views: hidden for a KR-9X, which has none; otherwise left as they are.
    void HideSwitchesMissingOnKR9X(int slot, bool isKR9X);
    // The link records of a unit's channels back to "owned, no group".
    void InitLinkSlots(int slot, int model);
    // Adds the "Advanced" menu with the LED test once per run.
    void AddAdvancedMenu();

    // ---- strip commands, link groups, gain, undo ----
    // The strip command (210): applies what the strip control reported in
    // g_nCurrentChannel, g_nStripCommandKind and g_nStripCommandState.
    void OnStripButton();
    // Marks the active scene modified (the "*" of its scene-list line);
    // false, marking nothing, while the blank scene is the active one.
    bool MarkCurrentSceneModified();
    // The mark of a change and, for a stored active scene, its record
    // re-captured from the live state.
    void MarkAndTrackActiveScene();
    // Whether a scene line carries the changed mark.
    bool SceneLineChanged(int row) const;
    // The record of a scene line's own scene (none for the blank scene), and
    // the line given the record of its scene.
    SceneRecordId SceneLineRecordId(int row) const;
    SceneRecord* SceneLineRecord(int row) const;
    void SetSceneLineRecord(int row, SceneRecordId id);
    // A scene line written from its scene's name, with the mark when changed.
    void WriteSceneLine(int row, bool changed);
    // The caption and "Active Scene" label above the list paint again.
    void RedrawScenePanelLabels();
    // Every scene-list line rewritten from the names, without marks.
    void RebuildSceneList();
    // Lines 1.. renumbered "  %03d %s" keeping their marks; selects item select.
    void RenumberSceneList(int select);
    // The scene-list scroll range after the list changed.
    void UpdateSceneListScroll();

    // ---- scenes ----
    // Makes the record of a new scene from the live state for the line the
    // caller has added at g_nSceneCount; false, having told the operator,
    // when there is no memory for it.
    bool NewScene(const QString& name);
    // The line just added at index for a scene whose record could not be
    // made goes again, with the names and notes from index up to end.
    void DropUnmadeSceneLine(int index, int end);
    void CaptureSceneState(SceneRecord& record);
    // Recalls the scene of a scene-list line (the blank scene resets).
    void RecallScene(int line);
    void ApplySceneChannel(const SceneRecord& record, int channel, int unit, int channelInUnit);
    void ResetAllChannels();
    void ResetChannelTitles();
    void SetChannelLinkGroup(int channel, int group, int linkDown);
    void SetChannelTitle(int channel, const QString& title);
    void ClearAllScenes();
    void OnNewScene();
    void OnRecallScene();
    void OnDeleteScene();
    // Tells the operator and returns true when another scene than the one at
    // index already has the name.
    bool RefuseTakenSceneName(const QString& name, int index);
    void RenameScene(int index, const QString& oldName);
    void SyncSceneNotesFromRecords();
    void TakeSceneOrderSnapshot();
    void RestoreSceneOrderSnapshot();
    // Re-captures the active scene's record after a change, while it is tracked.
    void TrackActiveScene();

    // ---- projects ----
    void InitBlankProject();
    void OnFileNewProject();
    void OpenProject(bool askSave);
    void OpenRecentFile(int index);
    // Another start of the program handed this console a project (empty:
    // none): the window comes to the front and the project is opened as
    // Open would open it, once no box or dialog of the console is open.
    void OnProjectHandedOver(const QString& path);
    // A project handed over and taken, but not opened before the console
    // shut down (the operator was asked about ending): empty when none.
    const QString& unopenedHandOff() const { return m_handedOverPath; }
    // Saves; false when the project was not saved (failed, or Save As cancelled).
    bool OnFileSave();
    bool OnFileSaveAs();
    // Loads a project file; false (nothing changed) when it is refused. With
    // an untitled name the project comes in without a file of its own, shown
    // under that name, so that a save asks where it goes.
    bool LoadProject(const QString& path, const QString& untitledName = QString());
    void UpdateRecentFileMenu();

    // ---- the scene panel ----
    void OnLockScenes();
    void ApplySceneLockState();
    void DrawActiveSceneLabel(QPainter& painter);
    void DrawSceneCaption(QPainter& painter);
    // The scene list's window (the lines are its items).
    QListWidget* sceneList() const { return m_lstScenes; }
    void UndoLastChange();

    // Link groups of the current channel (g_nCurrentChannel).
    void AssignLinkGroup(int channel, int group0, bool recordUndo);
    void ApplyLinkGroup(int group1);
    void SetCurrentChannelGroup(int group1, bool recordUndo);
    void OnLinkGroupNone();
    void OnLinkOff();
    void ClearChannelLink();
    void SyncLinkedMute();
    void ToggleChannelLink(bool recordUndo);

    // FaderHost: the gain operations of the current channel.
    void PushUndoRecord(int channel, int kind, int value) override;
    void SetChannelGain(int position) override;
    void SetUnitBlockGain(int position) override;
    bool CollectLinkedChannels(int channel, int& count) override;
    void SetLinkedGain(int position, int count) override;
    void OnFaderReleased() override;

    // The switch of a kind of a channel in the channel-strip view.
    CNewCustomBtn* StripSwitch(int kind, int channel) const;
    int SwitchState(int kind, int channel) const;
    // Both views: a switch state, a fader position, a gain read-out, a link label.
    void SetSwitchBothViews(int kind, int channel, int state);
    void SetFaderBothViews(int channel, int position);
    int FaderPosition(int channel) const;
    void SetReferencePosition(int channel, int position);
    int ReferencePosition(int channel) const;
    void SetGainTextBothViews(int channel, int db);
    void SetLinkLabelBothViews(int channel, const QString& label);

    // The switches of a channel as the program itself sets them (from a
    // unit's first datagram, undo, resets): both views, nothing sent.
    void SetPolButtons(int channel, int on);
    void SetPadButtons(int channel, int on);
    void Set48vButtons(int channel, int on);
    void SetMuteButtons(int channel, int on);
    void SetSplitButtons(int channel, int on);
    void SetSafeButtons(int channel, int on);
    void SetRbinButtons(int channel, int on);
    void SetSqrtButtons(int channel, int on);
    void SetLinkButton(int channel, int on);
    // 48v and Rbin as a unit reports them, whatever the two showed before.
    void SetPhantomAndRibbonButtons(int channel, int phantom, int ribbon);

    // The unit network: started by timer 48, shut down with the program.
    void StartNetwork();
    NetworkCore* network() const { return m_network.get(); }
    // Handles the datagrams the receive thread has queued, one at a time and
    // in arrival order, in one bounded batch: at most kDrainBatchCount
    // datagrams and no longer than kDrainBatchMs of the program's clock. What
    // is left waits for the next batch, queued behind the paints, timers,
    // keys and signals that are due, so a flood of datagrams never holds the
    // window up. A call while a batch runs does nothing.
    void DrainDatagrams();
    static constexpr int kDrainBatchCount = 256;
    static constexpr int kDrainBatchMs = 8;
    void OnUnitPacket_KR960(const ReceivedDatagram& datagram);
    void OnUnitPacket_KR960_8(const ReceivedDatagram& datagram);
    void OnUnitPacket_KR9X(const ReceivedDatagram& datagram);
    // A new g_MeterPeriodMs for every unit of the model; timer 4 follows it.
    void SetMeterRate_KR960();
    void SetMeterRate_KR960_8();
    void SetMeterRate_KR9X(int periodMs);
    WORD StartWatchdogTimer();
    void StopWatchdogTimer(WORD id);

    // UnitHost
    std::uint32_t NowMs() override;
    void RepaintUnitStatus() override;
    void ShowMessage(const std::string& text) override;
    void ShowMessageBox(const std::string& text) override;
    void ShowDatagramMessage(int slot, const std::string& text) override;
    void ShowNotice(const std::string& caption, const std::string& text, bool restartNow) override;
    void OnUnitAdded132(const UnitFamily132& family, int slot) override;
    void OnUnitAddedKR9X(int slot) override;
    void OnUnitRemoved(int slot, int model) override;
    void OnUnitOffline(int slot, int channelCount) override;
    void OnSlotSetUnused132(const UnitFamily132& family, int slot, bool nodeRemoved) override;
    void DrawMeterDb(int channel, float levelDb) override;
    void ArmTimer(int id, int periodMs) override;
    void KillTimer(int id) override;

    // The last meter level of every channel, in dB.
    const std::array<float, kChannelCount>& meterLevels() const { return m_meterLevelDb; }

    // The placement of the window as it stands now.
    WindowPlacement CurrentPlacement() const;

    const MainMenu& menu() const { return m_menu; }
    const QRect& topLogoRect() const { return m_stcTopLogo; }
    bool isShutDown() const { return m_bShutDown; }

    // ---- work kept when the program is told to end, settings not kept ----
    // A fingerprint of what a save of the project would write now, taken
    // without building the file.
    std::size_t CurrentProjectFingerprint() const;
    // Whether a save would write anything other than the last save, load or
    // new project did.
    bool HasUnsavedChanges() const;
    // The project as it stands is what the operator has kept.
    void MarkProjectSaved();
    // On a terminate request: writes a project with unsaved changes to the
    // recovery file of this console's receive port, in the data folder or,
    // where that refuses it, the next place that takes it (never over the
    // project's own file), and names it on stderr. True when a recovery file
    // was written; when none could be, a note is left for the next start.
    bool KeepUnsavedWorkForRecovery();
    // At start: tells of work that could not be kept, then offers to open
    // the recovery file a terminate request left on this port; true when the
    // operator took it and it was opened. Only No discards it.
    bool OfferRecoveredProject();
    // Work taken from a recovery file is kept there until it is safe: saved,
    // or left by the operator's choice (a No to the exit question, a New
    // Project or a project opened). Then its files go, except one that is
    // the project's own file now.
    void DropRecoveredWorkFiles(const QStringList& except = {});
    // Tell the operator, once per run, that the recent files and last used
    // folder, or the window placement, will not be kept (a box, or stderr
    // while the program ends on a terminate request): found says why the
    // file was not read, Ok that it could not be written.
    void TellProfileNotKept(FileReadStatus found);
    void TellPlacementNotKept(FileReadStatus found);
    bool closeRequested() const { return m_bCloseRequested; }
    // The window closed for a restart: the application starts the program
    // again once this console has let go of its port and hand-off point.
    bool restartRequested() const { return m_bRestartRequested; }

    // Unit counts, kept by the unit lists.
    int& m_nKR9XUnitCount = g_Family_KR9X.liveCount;
    int& m_nKR960_8UnitCount = g_Family_KR960_8.liveCount;
    int& m_nKR960UnitCount = g_Family_KR960.liveCount;
    WORD m_wWatchdogTimerId = 0;
    std::array<ChannelLinkRecord, kChannelCount> m_aChannelLink{};
    int m_nMinTrackHeight = 780;
    int m_nOverviewLeft = 0;
    int m_nHScrollPos = 0;
    int m_nHScrollRange = 0;
    int m_nVScrollPos = 0;
    int m_nVScrollRange = 3528;
    bool m_bAdvancedMenuAdded = false;
    CUnderviewWnd* m_wndUnderview = nullptr;
    CMyScrollBar* m_sbUnderviewHorz = nullptr;
    COverviewWnd* m_wndOverview = nullptr;
    CBorderedWindow* m_overviewPort = nullptr; // the overview shows through this window
    CMyScrollBar* m_sbOverviewVert = nullptr;
    CUnitStatusWnd* m_wndUnitStatus = nullptr;
    CMyScrollBar* m_sbUnitStatus = nullptr;
    CMyScrollBar* m_sbSceneList = nullptr;
    PictureButton* m_btnOverview = nullptr;
    PictureButton* m_btnNewScene = nullptr;
    PictureButton* m_btnRecallScene = nullptr;
    PictureButton* m_btnLockScenes = nullptr;
    PictureButton* m_btnDeleteScene = nullptr;
    PictureButton* m_btnUnitAssignment = nullptr;
    // The skin's small images (bitmap 242), 16 px wide each.
    ImageList m_imgList;
    QListWidget* m_lstScenes = nullptr;
    QRect m_stcActiveScene; // the "Active Scene" frame
    QBrush m_hbrBackground;
    QIcon m_hIcon;

    // Keys and scene-list gestures of the whole window, before they are dispatched.
    bool PreTranslateMessage(QObject* target, QEvent* event);
    // The accelerator table: the command of a key with its modifiers, or 0.
    static int AcceleratorCommand(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Maximising and restoring the window start the 2-second pause of
    // kTimerSysCommand.
    void changeEvent(QEvent* event) override;

private:
    friend class MainClientArea;

    void BuildMainWindow();
    void AskStartupQuestion();
    void FinishStartup();
    void CreateUnderviewWindow();
    void ShowLinkPopup();
    void CreateOverviewButton();
    void CreateSceneList();
    void CreateOverviewWindow();
    void CreateUnitStatusWindow();
    void CreatePictureButtons();
    void PositionSceneButtons();
    void ShowViewForMode();
    // The overview at the left x, keeping its top, down to y 724 and as wide
    // as its layout, with its scroll bar 6 px to its right, top-aligned.
    void PlaceOverview(int left);
    void ApplyStoredGeometry(const WindowPlacement& placement);
    // The window at this rectangle, or as near as the screens allow, with
    // the minimum size of the screen it lands on.
    void PlaceOnScreens(const QRect& wanted);
    // The minimum size of the screen a window at this rectangle is on.
    void FitMinimumToScreen(const QRect& window);
    QList<QRect> ScreenClientAreas() const;
    bool m_bWatchingScreen = false;
    void ClearChannelLinkRecords();
    // Both views' meters of count channels from first, as before any level.
    void ClearMeters(int first, int count);
    // The channels of a slot no unit holds any more: out of their link
    // groups, faders at the bottom with their read-outs, meters empty.
    void ClearChannelsOfUnusedSlot(int slot, int count);
    void InitBlankProjectIdentity();
    // The old-style date test, then the load, of a project the operator named.
    void OpenNamedProject(const QString& path);
    void OpenHandedOverProject();
    void BringToFront();
    QString m_handedOverPath; // the last project handed over, not yet opened
    // The save question before New Project, Open, a recent file and a
    // handed-over project, and (with a Cancel button) before the program
    // ends: Yes saves, No goes on without saving. False when the command is
    // to stop: the box ended without an answer, or the save failed or its
    // Save As was cancelled.
    bool AskSaveBefore(const QString& question, MessageBoxKind kind = MessageBoxKind::YesNo);
    struct SceneOrderSnapshot {
        QStringList lines;
        SceneTable<QString> names;
        SceneTable<QString> notes;
        QList<bool> changed; // the lines' marks
        QList<SceneRecordId> records; // the lines' records
        int count = 0;
        int activeIndex = 0;
        bool taken = false;
    } m_sceneSnapshot;
    void SetProjectTitle(const QString& name);

    void OnEraseBkgnd(QPainter& painter, const QRect& rect);
    void OnPaint(QPainter& painter);

    PlatformServices& m_platform;
    StartupOptions m_options;
    MainMenu m_menu;
    QWidget* m_client = nullptr;
    QRect m_stcTopLogo; // the top logo area
    QColor m_savedHighlight;
    bool m_bShutDown = false;
    bool m_bCloseRequested = false;
    bool m_bRestartRequested = false;
    bool m_bSkipSaveQuestion = false;
    // A save question, or the save it led to, is under way.
    bool m_bAskingToSave = false;
    // A close request from the window manager waits to run the shut-down.
    bool m_bClosePending = false;
    // What a save would have written when the project was last saved or
    // loaded; none when nothing saved matches the project.
    std::optional<std::size_t> m_savedProjectFingerprint;
    bool m_bUnsavedWorkKept = false;
    // The files of the work taken from a recovery file while they are kept.
    QStringList m_recoveredWorkFiles;
    bool m_bToldProfileNotKept = false;
    bool m_bToldPlacementNotKept = false;
    void TellOnce(bool& told, const QString& text);
    // The stored scenes a save writes, in scene-list order; missing counts
    // the list lines without a record.
    std::vector<const SceneRecord*> StoredSceneRecords(int* missing = nullptr) const;
    std::unique_ptr<NetworkCore> m_network;
    bool m_bDraining = false;
    // The next batch of datagrams is queued to run.
    bool m_bDrainQueued = false;
    void QueueNextDrain();
    bool m_bMeterTestFullScale = false;
    int m_nDragSceneIndex = 0;
    bool m_bDraggingScene = false;
    bool KeyOverSceneList(QKeyEvent* key);
    bool KeyElsewhere(QKeyEvent* key);
    bool PointerOverOverviewBar() const;
    bool SceneListMouse(QMouseEvent* mouse);
    void StepGain(int delta, bool ctrl);
    void DragSceneTo(int hovered);
    // Renumbers the list after a drag, then asks whether to keep the new order.
    void FinishSceneDrag();
    // The scene-list bar's range while the pointer is over the list.
    void SetSceneListDragRange();
    int SceneListTopIndex() const;
    void SetSceneListTopIndex(int top);
    int m_nDragDropItem = 0; // the line under the pointer when a drag ended
    int m_nDragDropTop = 0;  // the list's top line then
    bool m_bMeterTestRandom = false;
    std::array<float, kChannelCount> m_meterLevelDb{};
};
