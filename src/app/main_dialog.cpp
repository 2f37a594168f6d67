#include "app/main_dialog.h"

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/fonts.h"
#include "app/gain_conversion.h"
#include "dialogs/dialog_result.h"
#include "app/file_association.h"
#include "platform/clock.h"
#include "app/recent_files.h"
#include "app/unit_names.h"
#include "platform/ini_file.h"
#include "platform/path_text.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"
#include "protocol/bytes.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/sender_kr9x.h"
#include "protocol/sender132.h"
#include "protocol/unit_network.h"
#include "protocol/watchdog.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "views/meter_art.h"
#include "views/meter_law.h"
#include "views/underview.h"
#include "views/overview.h"
#include "views/unit_status_strip.h"
#include "views/window_frame.h"
#include "controls/scroll_bar.h"
#include "controls/menu_module.h"
#include "dialogs/preferences_dialog.h"
#include "dialogs/link_matrix_dialog.h"
#include "dialogs/naming_dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cstdlib>
#include <ctime>

// The client area below the menu bar: paints the window's background and
// top logo, and carries the views and the scene panel as children.
class MainClientArea : public QWidget {
public:
    explicit MainClientArea(CQuellonKR9SeriesDlg& dlg) : QWidget(&dlg), m_dlg(dlg)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        m_dlg.OnEraseBkgnd(painter, event->rect());
        m_dlg.OnPaint(painter);
    }

private:
    CQuellonKR9SeriesDlg& m_dlg;
};

CQuellonKR9SeriesDlg::CQuellonKR9SeriesDlg(PlatformServices& platform, StartupOptions options,
                                           QWidget* parent)
    : QMainWindow(parent), m_platform(platform), m_options(std::move(options))
{
    setObjectName(QStringLiteral("Quellon-Corvane"));
    m_hIcon = QIcon(m_platform.skins.pixmap(14128, 2.0));
    m_client = new MainClientArea(*this);
    setCentralWidget(m_client);
    m_platform.timers.setHandler([this](int id) { OnTimer(id); });
}

CQuellonKR9SeriesDlg::~CQuellonKR9SeriesDlg()
{
    // The receive thread ends before anything it could reach goes away.
    m_network.reset();
    if (g_pNetwork && !m_network)
        g_pNetwork = nullptr;
    if (g_pUnitHost == this)
        g_pUnitHost = nullptr;
    if (g_pFaderHost == this)
        g_pFaderHost = nullptr;
    m_platform.timers.setHandler({});
    if (g_hMainWnd.load() == this)
        g_hMainWnd = nullptr;
    if (g_pWatchdogDlg == this)
        g_pWatchdogDlg = nullptr;
}

bool CQuellonKR9SeriesDlg::OnInitDialog()
{
    setWindowIcon(m_hIcon);
    g_pWatchdogDlg = this;
    g_pUnitHost = this;
    g_pFaderHost = this;
    m_menu = BuildMainMenu(menuBar(), [this](int id) { OnCommand(id); });
    // The recent files are listed afresh whenever the Files menu opens, so the
    // submenu always shows the current list and which entry was opened last.
    connect(m_menu.files, &QMenu::aboutToShow, this, [this] { UpdateRecentFileMenu(); });
    CMenuXP::Attach(menuBar());
    CPreferences::SetUnitModePictureHandler([this](int id) { SetUnitAssignmentPicture(id); });
    CLinkMatrixDlg::SetActiveSceneRecapture([this] { TrackActiveScene(); });
    SetOverviewRepaintHandler([this] {
        if (m_wndOverview)
            m_wndOverview->update();
    });
    qApp->installEventFilter(this);

    for (int group = 0; group < kLinkGroupCount; ++group)
        g_LinkGroupColor[group] = kLinkGroupColors[group];
    g_ChannelUnitType.fill(UNIT_TYPE_UNUSED);
    g_ChannelLinkIndex.fill(-1);

    BuildMainWindow();
    return true;
}

void CQuellonKR9SeriesDlg::BuildMainWindow()
{
    // 1. Nothing is shown while the window is built.
    hide();
    g_bOverviewMode = false;
    g_bInitialising = true;
    g_bScenesLocked = false;
    m_nMinTrackHeight = 780;
    g_hMainWnd = this;

    // 2. Screen metrics; the layouts are drawn for 96 dots per inch.
    g_nScreenDpi = 96;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        g_nScreenWidth = screen->geometry().width();
        g_nScreenHeight = screen->geometry().height();
    }

    // 3. Every font the views, the scene panel, the dialogs and the menu draw with.
    CreateProgramFonts();

    // 4. The channel-strip view and its scroll bar.
    CreateUnderviewWindow();
    g_bMainWindowReady = true;
    g_bInitialising = false;

    // 5. Channel texts.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        g_ChannelGainShortText[ch] = QStringLiteral("+6 ");
        g_ChannelTitle[ch] = DefaultChannelTitle(ch);
        g_ChannelLinkGroup[ch] = 0;
        g_ChannelLinkLabel[ch] = QStringLiteral("-");
    }

    // 6. The overview and its vertical bar.
    CreateOverviewWindow();

    // 7. Overview texts and unit options.
    g_ChannelGainText.fill(QStringLiteral("+ 6 dB"));
    for (std::string& option : g_UnitOption)
        option.clear();

    // 8. Brushes of the light dialog panels; the small images.
    g_hbrPreferences = QBrush(QColor(0xFA, 0xFA, 0xFA));
    g_hbrYesNoStatic = QBrush(QColor(0xFA, 0xFA, 0xFA));
    m_imgList.Create(m_platform.skins.pixmap(kImageListBitmap).toImage(), kImageListWidth,
                     ToQColor(kImageListMask).rgb());

    // 9. Selections are highlighted in mid grey throughout the program.
    {
        QPalette palette = QApplication::palette();
        m_savedHighlight = palette.color(QPalette::Highlight);
        palette.setColor(QPalette::Highlight, QColor(kHighlightColor));
        QApplication::setPalette(palette);
    }

    // 10. The meter colours, and the meter pictures drawn from them.
    BuildMeterGradient();
    RegisterMeterArt(m_platform.skins);

    // 11. Height from the top logo area; the width follows below.
    m_stcTopLogo = QRect(0, 0, m_platform.skins.naturalSize(kTopLogoBitmap).width() * kTopLogoHeight
                                   / std::max(1, m_platform.skins.naturalSize(kTopLogoBitmap).height()),
                         kTopLogoHeight);
    int windowHeight = m_stcTopLogo.height() + 704;

    // 12. Background.
    g_bScenesLocked = false;
    g_bOverviewMode = false;
    {
        QPalette palette = m_client->palette();
        palette.setColor(QPalette::Window, QColor(kBackgroundColor));
        m_client->setPalette(palette);
        m_hbrBackground = QBrush(m_platform.skins.pixmap(QStringLiteral("BACKGROUND")));
    }

    // 13. Link groups start empty.
    g_LinkMembership.fill(0);
    g_LinkGroupTitle.fill(QString());
    m_nMinTrackHeight = 780;

    // 14. Random numbers for the meter test.
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // 15. The INI file and the last used directory, which becomes the current one.
    g_szIniPath = GetUserDataFilePath(QStringLiteral("Corvane.ini"));
    LoadRecentFileList();
    g_szLastDirectory = LoadLastUsedDirectory().left(260);
    if (!g_szLastDirectory.isEmpty() && QFileInfo(g_szLastDirectory).isDir())
        QDir::setCurrent(g_szLastDirectory);
    if (const FileReadStatus found = CheckRegularFile(g_szIniPath, kMaxIniFileBytes);
        found != FileReadStatus::Ok && found != FileReadStatus::Missing)
        TellProfileNotKept(found);

    // 16. The overview's left edge as it was created; the scene panel.
    m_nOverviewLeft = m_overviewPort->x();
    CreateOverviewButton();
    CreateSceneList();
    CreateUnitStatusWindow();
    CreatePictureButtons();

    // 17. The logo band spans the screen; the window is centred around the overview.
    m_stcTopLogo.setWidth(std::max(g_nScreenWidth, m_stcTopLogo.width()));
    const int windowWidth = kOverviewWidth + 20 + 4 * kScrollBarWidth;
    windowHeight = std::max(windowHeight, m_nMinTrackHeight);
    setMaximumWidth(kMaxTrackWidth);
    const int left = g_nScreenWidth / 2 - kOverviewWidth / 2 - 2 * kScrollBarWidth;
    const int top = g_nScreenHeight / 2 - windowHeight / 2;
    PlaceOnScreens(QRect(std::max(left, 0), std::max(top, 0), windowWidth, windowHeight));

    // 18. No channel is linked yet.
    g_bInitialising = true;
    ClearChannelLinkRecords();
    g_bInitialising = false;
    g_nCurrentChannel = 0;

    // 19. The project file type opens with this program.
    if (m_options.registerFileType)
        RegisterFileAssociation(m_options.exePath, QLatin1String(kProjectExtension));

    // 20. The project named on the command line, or an untitled one. The
    // slots start with their "Unused" names before the project is read, so
    // the names a named project brings stay, as after Files > Open.
    InitBlankProject();
    ResetUnitNames();
    UpdateRecentFileMenu();
    if (!m_options.projectPath.isEmpty())
        LoadProject(m_options.projectPath);

    // 21. The view mode of the last run.
    WindowPlacement stored;
    const bool havePlacement = LoadWindowPlacement(m_platform.settings, &stored);
    if (const FileReadStatus found = m_platform.settings.readStatus();
        found != FileReadStatus::Ok && found != FileReadStatus::Missing)
        TellPlacementNotKept(found);
    if (havePlacement && g_bOverviewMode) {
        g_bOverviewMode = false;
        OnOverviewButton();
    }

    // 22. The window is complete.
    g_bMainWindowReady = true;
    g_bInitialising = false;
    PlaceOnScreens(geometry().adjusted(0, 0, 10, 0));
    m_stcTopLogo.translate(-6, 0);
    if (havePlacement)
        ApplyStoredGeometry(stored);
    update();

    // 23. Every unit slot holds a 16-channel unit until units report otherwise;
    // no MAC is registered yet. The unit names were settled with the project
    // in step 20.
    g_bAll16ChannelUnits = true;
    g_Family_KR960.macTable.fill(MacAddress{});
    g_Family_KR960_8.macTable.fill(MacAddress{});

    // 24. The scene panel's buttons.
    PositionSceneButtons();

    // 25. The program always starts showing the overview.
    g_bOverviewMode = true;
    OnOverviewButton();
    g_bOverviewMode = false;
    OnOverviewButton();

    // The project as started is the one a save has kept.
    MarkProjectSaved();

    // 27. The start-up question waits for the window to be up.
    if (m_options.askStartupQuestion)
        QTimer::singleShot(0, this, [this] { AskStartupQuestion(); });
    else
        FinishStartup();
}

void CQuellonKR9SeriesDlg::AskStartupQuestion()
{
    if (m_bShutDown)
        return;
    // Work kept when the last run was told to end comes first; taken, it is
    // the project to work on and the question below is moot.
    if (OfferRecoveredProject() || m_bShutDown) {
        FinishStartup();
        return;
    }
    const bool fileGiven = !m_options.projectPath.isEmpty();
    g_strMessage = fileGiven
        ? QStringLiteral("Would you like to recall a Scene from this project before starting?.\nIf so, "
                         "please click 'Yes', and recall a Scene.")
        : QStringLiteral("Would you like to recall a Scene from a previously-saved project before "
                         "starting?.\nIf so, please click 'Yes', open a Project File, and recall a Scene.");
    if (RunMessageBox(MessageBoxKind::YesNo) == IDYES) {
        g_SuppressUnitSends = 1;
        // "Yes" asked for a project to recall from: without one named at
        // launch, the chooser comes up at once. The untitled project has
        // nothing worth a question about saving.
        if (!fileGiven && !m_bShutDown)
            OpenProject(false);
    }
    FinishStartup();
}

void CQuellonKR9SeriesDlg::FinishStartup()
{
    // A terminate request during the question may already have ended the program.
    if (m_bShutDown)
        return;

    // 28. From here on changes reach the units.
    g_SuppressUnitSends = 0;
    if (m_wndUnderview)
        m_wndUnderview->update();

    // 29. The network starts 200 ms after the build.
    m_platform.timers.arm(kTimerStartNetwork, 200);
    m_platform.timers.arm(kTimerHeartbeat, 5000);

    // 30. Link bookkeeping and unit counts start empty.
    ClearChannelLinkRecords();
    m_nKR9XUnitCount = 0;
    m_nKR960_8UnitCount = 0;
    m_nKR960UnitCount = 0;

    // 31. The off-line watchdog.
    m_wWatchdogTimerId = StartWatchdogTimer();
}

void CQuellonKR9SeriesDlg::ClearChannelLinkRecords()
{
    for (int ch = 0; ch < kChannelCount; ++ch)
        m_aChannelLink[ch] = ChannelLinkRecord{ch, -1, -1, -1};
}

void CQuellonKR9SeriesDlg::ApplyStoredGeometry(const WindowPlacement& p)
{
    // Stored on a larger screen, or on one that is gone: brought back onto
    // a screen there is now.
    const QRect normal(QPoint(p.left, p.top), QPoint(p.right - 1, p.bottom - 1));
    if (!normal.isValid())
        return;
    PlaceOnScreens(normal);
    if (p.showCommand == WindowPlacement::kShowMaximized
        || (p.flags & WindowPlacement::kRestoreToMaximized))
        setWindowState(windowState() | Qt::WindowMaximized);
}

QList<QRect> CQuellonKR9SeriesDlg::ScreenClientAreas() const
{
    // What the window's client area may take on each screen: the screen's
    // available area less the window frame (known once the window exists).
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    QList<QRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.append(primary->availableGeometry().marginsRemoved(frame));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas.append(screen->availableGeometry().marginsRemoved(frame));
    return areas;
}

void CQuellonKR9SeriesDlg::PlaceOnScreens(const QRect& wanted)
{
    const QRect fitted =
        FitRectToScreens(wanted, ScreenClientAreas(), QSize(kMinTrackWidth, m_nMinTrackHeight));
    FitMinimumToScreen(fitted);
    setGeometry(fitted);
}

void CQuellonKR9SeriesDlg::FitMinimumToScreen(const QRect& window)
{
    setMinimumSize(MinimumSizeOn(QSize(kMinTrackWidth, m_nMinTrackHeight),
                                 ScreenAreaFor(window, ScreenClientAreas())));
}

void CQuellonKR9SeriesDlg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window dragged to another screen takes that screen's limit.
    if (!m_bWatchingScreen && windowHandle()) {
        m_bWatchingScreen = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { FitMinimumToScreen(geometry()); });
        // Only now is the frame known that the screen must hold as well.
        if (!isMaximized() && !isFullScreen())
            PlaceOnScreens(geometry());
    }
}

void CQuellonKR9SeriesDlg::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Maximised, or restored from maximised or minimised.
    const Qt::WindowStates sized = Qt::WindowMaximized | Qt::WindowMinimized;
    const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState() & sized;
    if (!isMinimized() && before != (windowState() & sized))
        m_platform.timers.arm(kTimerSysCommand, 2000);
}

void CQuellonKR9SeriesDlg::ResetUnitNames()
{
    SetUnusedUnitNames();
    RepaintViews();
}

void CQuellonKR9SeriesDlg::RepaintViews()
{
    update();
    if (m_wndUnderview)
        m_wndUnderview->update();
    if (m_wndOverview)
        m_wndOverview->update();
}

void CQuellonKR9SeriesDlg::ApplyMeterPreferencesToViews()
{
    // The views are opaque windows of their own, which a repaint of the
    // main window alone leaves as they were.
    update();
    if (m_wndUnderview)
        m_wndUnderview->RepaintMeterScales();
    if (m_wndOverview)
        m_wndOverview->ApplyMeterPreferences();
}

void CQuellonKR9SeriesDlg::InitBlankProjectIdentity()
{
    g_szProjectPath = QDir(g_szLastDirectory).filePath(QStringLiteral("New Project.qsx"));
    g_szProjectName = QStringLiteral("New Project");
    g_bProjectHasFile = false;
    SetProjectTitle(g_szProjectName);
}

void CQuellonKR9SeriesDlg::SetProjectTitle(const QString& name)
{
    setWindowTitle(QStringLiteral(" Corvane - %1").arg(DisplayPath(name)));
}

WindowPlacement CQuellonKR9SeriesDlg::CurrentPlacement() const
{
    WindowPlacement p;
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const QRect rect = normal.isValid() ? normal : geometry();
    p.left = rect.x();
    p.top = rect.y();
    p.right = rect.x() + rect.width();
    p.bottom = rect.y() + rect.height();
    p.showCommand = isMinimized() ? WindowPlacement::kShowMinimized
        : isMaximized()           ? WindowPlacement::kShowMaximized
                                  : WindowPlacement::kShowNormal;
    p.flags = isMaximized() ? WindowPlacement::kRestoreToMaximized : 0;
    return p;
}

void CQuellonKR9SeriesDlg::OnTimer(int id)
{
    TimerTable& timers = m_platform.timers;
    switch (id) {
    case kTimerStartNetwork:
        timers.kill(kTimerStartNetwork);
        StartNetwork();
        SendAllUnits_KR9X();
        timers.arm(kTimerPoll, 4000);
        break;
    case kTimerPoll:
        PollAllUnits();
        break;
    case kTimerHandOffWait:
        OpenHandedOverProject();
        break;
    case kTimerSendAll:
        timers.kill(kTimerSendAll);
        SendAllModels();
        break;
    case kTimerResendLinks:
        timers.kill(kTimerResendLinks);
        ::ResendLinks_KR9X([this](int channel) { return SwitchState(STRIP_LINK, channel) != 0; });
        break;
    case kTimerAltRelink:
        // Nothing while the fader is still held; then the channel re-joins its group.
        if (g_bFaderDragging)
            break;
        timers.kill(kTimerAltRelink);
        if (g_bAltDetached) {
            g_nStripCommandState = 1;
            g_bAltDetached = false;
            ToggleChannelLink(false);
        }
        if (m_nKR9XUnitCount >= 1)
            timers.arm(kTimerSendAll, 1000);
        break;
    case kTimerWatchdog:
        WatchdogTimerProc();
        break;
    case kTimerMeterTest:
        MeterTestStep();
        break;
    case kTimerMeterTestEnd:
        OnMeterTestOff();
        break;
    case kTimerMeterPeriod:
    case kTimerSettle:
    case kTimerHeartbeat:
        // These only mark a period; their ticks carry no work.
        break;
    case kTimerAutosave:
        OnFileSave();
        break;
    case kTimerSceneLock:
        timers.kill(kTimerSceneLock);
        ApplySceneLockState();
        break;
    case kTimerSceneDragEnd:
        FinishSceneDrag();
        break;
    case kTimerSysCommand:
        timers.kill(kTimerSysCommand);
        break;
    default:
        break;
    }
}

void CQuellonKR9SeriesDlg::OnOverviewButton()
{
    g_bOverviewMode = !g_bOverviewMode;
    m_platform.timers.kill(kTimerSettle);
    ShowViewForMode();
    m_platform.timers.arm(kTimerSettle, 2000);
}

void CQuellonKR9SeriesDlg::ShowViewForMode()
{
    if (m_btnOverview)
        m_btnOverview->SetImage(174 + (g_bOverviewMode ? 1 : 0));
    const bool strips = !g_bOverviewMode;
    if (m_wndUnderview)
        m_wndUnderview->setVisible(strips);
    if (m_sbUnderviewHorz)
        m_sbUnderviewHorz->setVisible(strips);
    if (m_overviewPort) {
        if (!strips)
            PlaceOverview(m_nOverviewLeft);
        m_overviewPort->setVisible(!strips);
    }
    if (m_sbOverviewVert)
        m_sbOverviewVert->setVisible(!strips);
    update();
}

void CQuellonKR9SeriesDlg::CreateUnderviewWindow()
{
    m_wndUnderview = new CUnderviewWnd(m_client, m_platform.clock);
    m_wndUnderview->setGeometry(0, 210, CUnderviewWnd::kWidth, CUnderviewWnd::kHeight);
    m_wndUnderview->hide();
    m_wndUnderview->BuildUnderviewLayout();
    m_wndUnderview->resize(CUnderviewWnd::kWidth, 504);

    m_sbUnderviewHorz = new CMyScrollBar(m_client);
    m_sbUnderviewHorz->Create(0, m_client, QRect(0, 210 + 504 + 16, m_client->width(), 16), 1030, 6024);
    connect(m_sbUnderviewHorz, &CMyScrollBar::scrolled, this,
            [this](int code, int position) { OnHScroll(code, position); });
    m_sbUnderviewHorz->ScrollWithWheelOver(m_wndUnderview);
    KeepViewsInProportion(m_sbUnderviewHorz);
    UpdateHorzScrollRange();
    m_sbUnderviewHorz->hide();
}

void CQuellonKR9SeriesDlg::UpdateHorzScrollRange()
{
    if (!m_sbUnderviewHorz)
        return;
    const int clientWidth = m_client->width();
    m_nHScrollRange = std::max(0, CUnderviewWnd::kWidth - clientWidth + 2);
    g_nHScrollRange = m_nHScrollRange;
    m_nHScrollPos = std::clamp(m_nHScrollPos, 0, m_nHScrollRange);
    g_nHScrollPos = m_nHScrollPos;
    m_sbUnderviewHorz->SetScrollRange(0, m_nHScrollRange);
    m_sbUnderviewHorz->SetScrollPos(m_nHScrollPos);
    // Below the strips; on a screen too short for that, at the bottom of the
    // window over the strips' lower end, so the strips can still be scrolled.
    const int barTop = std::clamp(m_client->height() - 16, 210, 210 + 504 + 16);
    m_sbUnderviewHorz->setGeometry(0, barTop, clientWidth, 16);
    if (m_wndUnderview)
        m_wndUnderview->move(-m_nHScrollPos, 210);
}

void CQuellonKR9SeriesDlg::ScrollStripsBy(int delta)
{
    constexpr int step = CUnderviewWnd::kStripWidth;
    delta = delta / step * step; // toward zero
    delta = std::clamp(delta, -m_nHScrollPos, m_nHScrollRange - m_nHScrollPos);
    delta = delta / step * step;
    if (delta != 0) {
        m_nHScrollPos += delta;
        g_nHScrollPos = m_nHScrollPos;
        if (m_wndUnderview)
            m_wndUnderview->move(-m_nHScrollPos, 210);
    }
    if (m_sbUnderviewHorz && m_sbUnderviewHorz->GetScrollPos() != m_nHScrollPos)
        m_sbUnderviewHorz->SetScrollPos(m_nHScrollPos);
}

void CQuellonKR9SeriesDlg::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (g_bMainWindowReady)
        UpdateHorzScrollRange();
}

void CQuellonKR9SeriesDlg::CloseWithoutAsking()
{
    m_bSkipSaveQuestion = true;
    // Nobody is asked whether to save: what a save would keep goes to the
    // recovery file instead of being lost.
    KeepUnsavedWorkForRecovery();
    OnClose();
}

void CQuellonKR9SeriesDlg::OnClose()
{
    // Asked before the window is up (during its build): it closes once shown.
    if (!isVisible() && !m_bShutDown) {
        m_bCloseRequested = true;
        return;
    }
    // The question is asked before the window is told to close, never while
    // it closes: a window that is closing takes any further close request
    // from the window manager as done, and would end the program with the
    // question still open.
    if (QuerySaveAndShutDown())
        close();
}

void CQuellonKR9SeriesDlg::closeEvent(QCloseEvent* event)
{
    if (m_bShutDown) {
        event->accept();
        return;
    }
    // A close request from the window manager is the operator's Exit. It is
    // answered once this close has been refused, and not at all while a save
    // question is open: that question's own Cancel is the way out of it.
    event->ignore();
    if (m_bAskingToSave || m_bClosePending)
        return;
    m_bClosePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bClosePending = false;
            OnClose();
        },
        Qt::QueuedConnection);
}

bool CQuellonKR9SeriesDlg::QuerySaveAndShutDown()
{
    if (m_bShutDown)
        return true;
    // Asked nothing (a terminate request), work brought back from a
    // recovery file stays kept for the next start.
    if (!m_bSkipSaveQuestion) {
        // One save question at a time: a request to end while one is open
        // is left to that question's answer.
        if (m_bAskingToSave)
            return false;
        // No answer, or a save that was cancelled or failed, keeps the
        // program open, so nothing is lost.
        if (!AskSaveBefore(QStringLiteral("Do you want to save any changes you made?"), MessageBoxKind::YesNoCancel))
            return false;
        // Saved or thrown away by the answer.
        DropRecoveredWorkFiles();
    }
    // The program's own highlight colour goes with it.
    {
        QPalette palette = QApplication::palette();
        if (m_savedHighlight.isValid())
            palette.setColor(QPalette::Highlight, m_savedHighlight);
        QApplication::setPalette(palette);
    }

    // Datagrams still queued are not handled any more.
    if (m_network)
        m_network->g_StopReceiveThread = 1;

    if (!SaveWindowPlacement(m_platform.settings, CurrentPlacement()))
        TellPlacementNotKept(FileReadStatus::Ok);
    // Only a project with a file of its own is remembered: the untitled
    // project's path names no file and would push a real one off a full list.
    if (g_bProjectHasFile && !g_szProjectPath.isEmpty() && !AddToRecentFileList())
        TellProfileNotKept(FileReadStatus::Ok);

    DeleteFonts();

    TimerTable& timers = m_platform.timers;
    for (const int id : std::initializer_list<int>{kTimerPoll, kTimerMeterPeriod, kTimerSettle,
                                                   kTimerAutosave, 26, 27})
        timers.kill(id);
    StopWatchdogTimer(m_wWatchdogTimerId);
    timers.kill(kTimerHeartbeat);

    // The receive thread is woken and joined; the unit lists go.
    if (m_network) {
        m_network->ShutdownNetwork();
        if (g_pNetwork == m_network.get())
            g_pNetwork = nullptr;
        m_network.reset();
    }
    ::RemoveAllUnits_KR9X();
    for (const int slot : g_Family_KR960_8.SlotsInOrder())
        g_Family_KR960_8.RemoveNode(slot);
    for (const int slot : g_Family_KR960.SlotsInOrder())
        g_Family_KR960.RemoveNode(slot);

    m_bShutDown = true;
    return true;
}

void CQuellonKR9SeriesDlg::OnEraseBkgnd(QPainter& painter, const QRect& rect)
{
    painter.fillRect(rect, QColor(kBackgroundColor));
}

void CQuellonKR9SeriesDlg::OnPaint(QPainter& painter)
{
    if (!g_bMainWindowReady)
        return;
    const QSize logoSize(m_platform.skins.naturalSize(kTopLogoBitmap).scaled(QSize(10000, kTopLogoHeight),
                                                                             Qt::KeepAspectRatio));
    const QPoint logoAt = m_stcTopLogo.topLeft() + QPoint(kTopLogoOffsetX, 0);
    painter.drawPixmap(logoAt, m_platform.skins.pixmap(kTopLogoBitmap, logoSize, devicePixelRatioF()));
    DrawActiveSceneLabel(painter);
    DrawSceneCaption(painter);
}

void CQuellonKR9SeriesDlg::SetDefaultUnitName(int slot, int model)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    const QString byDefault = DefaultUnitName(SlotToUnitNumber(slot - 1) + 1, model);
    if (byDefault.isEmpty())
        return;
    // A name the operator gave (kept in the project file) stays when the
    // unit comes on line; only a slot without one takes the default.
    QString& first = g_UnitName[std::size_t(slot - 1)];
    if (model == UNIT_TYPE_KR960) {
        // Both slots of a 16-channel unit carry the unit's one name.
        QString& second = g_UnitName[std::size_t(slot)];
        const QString name = IsOperatorUnitName(first) ? first
            : IsOperatorUnitName(second)                ? second
                                                        : byDefault;
        if (!IsOperatorUnitName(first))
            first = name;
        if (!IsOperatorUnitName(second))
            second = name;
    } else if (!IsOperatorUnitName(first)) {
        first = byDefault;
    }
    if (model == UNIT_TYPE_KR9X)
        HideSwitchesMissingOnKR9X(slot, true);
    RepaintViews();
}

void CQuellonKR9SeriesDlg::NameUnitsByModel(bool onLineOnly)
{
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        // A slot of no known model has no default name and is left alone there.
        if (!onLineOnly || g_UnitOnline[std::size_t(slot)])
            SetDefaultUnitName(slot, g_SlotModel[std::size_t(slot)]);
    }
}

void CQuellonKR9SeriesDlg::HideSwitchesMissingOnKR9X(int slot, bool isKR9X)
{
    // Only hides: the switches of the other models are never hidden, and a
    // KR-9X slot's stay hidden for good.
    if (!isKR9X || slot < 1 || slot > kSlotCount)
        return;
    // Both views hold the four switches under the same names.
    const auto hideIn = [&](auto* view) {
        if (!view)
            return;
        for (std::size_t i = std::size_t(slot - 1) * 8; i < std::size_t(slot) * 8; ++i)
            for (CNewCustomBtn* sw : {view->m_pSplitButton[i], view->m_pSafeButton[i], view->m_pRbinButton[i],
                                      view->m_pSqrtButton[i]})
                if (sw)
                    sw->hide();
    };
    hideIn(m_wndUnderview);
    hideIn(m_wndOverview);
}

void CQuellonKR9SeriesDlg::InitLinkSlots(int slot, int model)
{
    const int count = model == UNIT_TYPE_KR960 ? 16 : model == UNIT_TYPE_KR9X ? 8 : 0;
    const int first = FirstChannelOfUnit(slot);
    for (int c = first; c < first + count && c < kChannelCount; ++c) {
        m_aChannelLink[c].channel = c;
        m_aChannelLink[c].ownerSlot = slot;
        m_aChannelLink[c].unitType = -1;
    }
}

void CQuellonKR9SeriesDlg::AddAdvancedMenu()
{
    if (m_bAdvancedMenuAdded || !m_menu.setup)
        return;
    QMenu* advanced = m_menu.setup->addMenu(QStringLiteral("Advanced"));
    QAction* snake = advanced->addAction(QStringLiteral("&Snake LEDs"));
    snake->setData(int(ID_SNAKE_LEDS));
    connect(snake, &QAction::triggered, this, [this] { OnCommand(ID_SNAKE_LEDS); });
    // Added after the menu bar went through the menu module: it goes through
    // it now, as every other menu did.
    CMenuXP::Attach(advanced);
    m_bAdvancedMenuAdded = true;
}

void CQuellonKR9SeriesDlg::StartNetwork()
{
    if (m_network)
        return;
    m_network = std::make_unique<NetworkCore>(
        m_options.network,
        [this] {
            // Receive thread: only ask the GUI thread to drain the queue.
            QMetaObject::invokeMethod(this, [this] { DrainDatagrams(); }, Qt::QueuedConnection);
        },
        // Receive thread: each datagram is stamped on the clock the units' times are kept on.
        [&clock = m_platform.clock] { return static_cast<std::uint32_t>(clock.nowMs()); });
    g_pNetwork = m_network.get();
    PublishAllSlotHolders();

    if (!GetLocalHostAddress()) {
        ShowMessage(std::string("Error getting local host name and IP address"));
        ShowMessageBox("Failed to find local host name and IP address");
    }
    bool broadcastFailed = false;
    switch (m_network->InitNetwork(&broadcastFailed)) {
    case NetworkCore::InitResult::SocketFailed:
        ShowMessage(std::string("Error in establishing a socket"));
        return;
    case NetworkCore::InitResult::BindFailed:
        if (broadcastFailed)
            ShowMessage(std::string("setsockopt error"));
        // Without the port nothing can be received; no receive thread is started.
        ShowMessage(std::string(" Error in bind"));
        return;
    case NetworkCore::InitResult::Ok:
        if (broadcastFailed)
            ShowMessage(std::string("setsockopt error"));
        break;
    }
    m_network->StartReceiveThread();
}

void CQuellonKR9SeriesDlg::DrainDatagrams()
{
    m_bDrainQueued = false;
    if (m_bDraining)
        return;
    m_bDraining = true;
    const std::uint64_t started = m_platform.clock.nowMs();
    int handled = 0;
    ReceivedDatagram datagram;
    while (m_network && handled < kDrainBatchCount
           && m_platform.clock.nowMs() - started < std::uint64_t(kDrainBatchMs)
           && m_network->PopDatagram(datagram)) {
        ++handled;
        switch (datagram.route) {
        case DatagramRoute::KR960:
            OnUnitPacket_KR960(datagram);
            break;
        case DatagramRoute::KR960_8:
            OnUnitPacket_KR960_8(datagram);
            break;
        case DatagramRoute::KR9X:
            OnUnitPacket_KR9X(datagram);
            break;
        default:
            break;
        }
    }
    m_bDraining = false;
    // The receive thread only calls again once the queue has run empty.
    if (m_network && m_network->queuedCount() > 0)
        QueueNextDrain();
}

void CQuellonKR9SeriesDlg::QueueNextDrain()
{
    if (m_bDrainQueued)
        return;
    m_bDrainQueued = true;
    // Posted behind what is already waiting: the paints, timer ticks, keys
    // and signals of the event loop come first.
    QMetaObject::invokeMethod(this, [this] { DrainDatagrams(); }, Qt::QueuedConnection);
}

void CQuellonKR9SeriesDlg::OnUnitPacket_KR960(const ReceivedDatagram& datagram)
{
    HandlePacket132(g_Family_KR960, PacketOf<UnitPacket132>(datagram), datagram.fromAddress,
                    datagram.arrivalMs);
}

void CQuellonKR9SeriesDlg::OnUnitPacket_KR9X(const ReceivedDatagram& datagram)
{
    HandlePacketKR9X(PacketOf<UnitPacket97>(datagram), datagram.fromAddress, datagram.arrivalMs);
}

void CQuellonKR9SeriesDlg::OnUnitPacket_KR960_8(const ReceivedDatagram& datagram)
{
    const UnitPacket132 packet = PacketOf<UnitPacket132>(datagram);
    HandlePacket132(FamilyForDatagram(packet), packet, datagram.fromAddress, datagram.arrivalMs);
}

void CQuellonKR9SeriesDlg::SetMeterRate_KR960()
{
    if (m_nKR960UnitCount < 1)
        return;
    SetMeterRate132(g_Family_KR960);
    m_platform.timers.arm(kTimerMeterPeriod, g_MeterPeriodMs);
}

void CQuellonKR9SeriesDlg::SetMeterRate_KR960_8()
{
    if (m_nKR960_8UnitCount < 1)
        return;
    SetMeterRate132(g_Family_KR960_8);
    m_platform.timers.arm(kTimerMeterPeriod, g_MeterPeriodMs);
}

void CQuellonKR9SeriesDlg::SetMeterRate_KR9X(int periodMs)
{
    if (::SetMeterRate_KR9X(periodMs))
        m_platform.timers.arm(kTimerMeterPeriod, g_MeterPeriodMs);
}

WORD CQuellonKR9SeriesDlg::StartWatchdogTimer()
{
    m_platform.timers.arm(kTimerWatchdog, kWatchdogPeriodMs);
    return WORD(kTimerWatchdog);
}

void CQuellonKR9SeriesDlg::StopWatchdogTimer(WORD id)
{
    if (id != 0)
        m_platform.timers.kill(id);
}

std::uint32_t CQuellonKR9SeriesDlg::NowMs()
{
    return static_cast<std::uint32_t>(m_platform.clock.nowMs());
}

void CQuellonKR9SeriesDlg::RepaintUnitStatus()
{
    if (m_wndUnitStatus)
        m_wndUnitStatus->RepaintUnitStatus();
}

void CQuellonKR9SeriesDlg::ShowMessage(const std::string& text)
{
    ::ShowMessage(QString::fromStdString(text));
}

void CQuellonKR9SeriesDlg::ShowMessageBox(const std::string& text)
{
    g_strMessage = QString::fromStdString(text);
    RunMessageBox(MessageBoxKind::Message);
}

void CQuellonKR9SeriesDlg::ShowDatagramMessage(int slot, const std::string& text)
{
    ShowDatagramBox(DatagramBoxKind::PlainMessage, slot, QString::fromStdString(text));
}

void CQuellonKR9SeriesDlg::ShowNotice(const std::string& caption, const std::string& text,
                                      bool restartNow)
{
    g_strNoticeCaption = QString::fromStdString(caption);
    g_strNoticeText = QString::fromStdString(text);
    ShowModelessNotice(restartNow);
}

void CQuellonKR9SeriesDlg::OnUnitAdded132(const UnitFamily132& family, int slot)
{
    const CMySlider::RepaintBatch faders;
    const int model = family.model();
    const int first = FirstChannelOfUnit(slot);
    for (int c = first; c < first + family.channelsPerUnit() && c < kChannelCount; ++c)
        m_aChannelLink[c] = ChannelLinkRecord{c, slot, model, -1};
    SetDefaultUnitName(slot, model);

    // The strips show the unit's first datagram: gains and switches.
    if (const UnitNode132* node = family.FindUnit(slot)) {
        const UnitPacket132 first = node->Packet;
        for (int n = 0; n < family.channelsPerUnit(); ++n) {
            const int c = (slot - 1) * 8 + n;
            if (c >= kChannelCount)
                break;
            const std::uint8_t* r = &first[p132::RecordOffset(std::size_t(n))];
            const int gain = GainCodeOnFader(c, r[p132::kRecGainCode]);
            const std::uint8_t flags = r[p132::kRecFlags];
            SetFaderBothViews(c, kGainCodeAtTop - gain);
            SetPolButtons(c, GetBit(p132::kFlagPol, flags));
            SetPadButtons(c, GetBit(p132::kFlagPad, flags));
            SetPhantomAndRibbonButtons(c, GetBit(p132::kFlag48v, flags), GetBit(p132::kFlagRbin, flags));
            SetMuteButtons(c, GetBit(p132::kFlagMute, flags));
            SetSplitButtons(c, r[p132::kRecSplitValue]);
            SetSqrtButtons(c, GetBit(p132::kFlagSqrt, flags));
            SetGainTextBothViews(c, gain);
        }
    }
    if (const UnitNode132* node = family.FindUnit(slot);
        node && GetBit(p132::kStatusAdvanced, node->Packet[p132::kStatusFlags]))
        AddAdvancedMenu();
    update();
}

void CQuellonKR9SeriesDlg::OnUnitAddedKR9X(int slot)
{
    const CMySlider::RepaintBatch faders;
    const int first = FirstChannelOfUnit(slot);
    for (int c = first; c < first + 8 && c < kChannelCount; ++c)
        m_aChannelLink[std::size_t(c)] = ChannelLinkRecord{c, slot, UNIT_TYPE_KR9X, -1};
    SetDefaultUnitName(slot, UNIT_TYPE_KR9X);
    // The strips show the unit's first datagram; its Link bits are not applied.
    if (const UnitNodeKR9X* node = g_Family_KR9X.FindUnit(slot)) {
        const UnitPacket97 stored = node->Packet;
        for (int n = 0; n < 8; ++n) {
            const int c = (slot - 1) * 8 + n;
            if (c >= kChannelCount)
                break;
            const std::uint8_t* r = &stored[p97::RecordOffset(std::size_t(n))];
            const int gain = GainCodeOnFader(c, r[p97::kRecGainCode] & p97::kGainMask);
            const std::uint8_t flags = r[p97::kRecFlags];
            SetFaderBothViews(c, kGainCodeAtTop - gain);
            SetPolButtons(c, GetBit(p97::kFlagPol, flags));
            SetPadButtons(c, GetBit(p97::kFlagPad, flags));
            // The unit has no Rbin: one left on here must not hide its 48v.
            SetPhantomAndRibbonButtons(c, GetBit(p97::kFlag48v, flags), 0);
            SetMuteButtons(c, GetBit(p97::kFlagMute, flags));
            SetGainTextBothViews(c, gain);
        }
    }
    update();
}

void CQuellonKR9SeriesDlg::OnUnitRemoved(int slot, int model)
{
    InitLinkSlots(slot, model);
}

void CQuellonKR9SeriesDlg::OnUnitOffline(int slot, int channelCount)
{
    // A unit that has gone sends no more levels: its meters must not look live.
    ClearMeters((slot - 1) * 8, channelCount);
}

void CQuellonKR9SeriesDlg::ClearMeters(int first, int count)
{
    for (int c = std::max(first, 0); c < first + count && c < kChannelCount; ++c) {
        if (m_wndUnderview)
            m_wndUnderview->ClearMeter(c);
        if (m_wndOverview)
            m_wndOverview->ClearMeter(c);
    }
}

void CQuellonKR9SeriesDlg::ClearChannelsOfUnusedSlot(int slot, int count)
{
    const int saved = g_nCurrentChannel;
    const int first = (slot - 1) * 8;
    for (int c = first; c < first + count && c < kChannelCount; ++c) {
        const std::size_t i = std::size_t(c);
        g_nCurrentChannel = c;
        g_ChannelLinkIndex[i] = -1;
        g_ChannelLinkOn[i] = 0;
        // Label, Link switch and memberships go; the group is free for other units.
        ClearChannelLink();
        SetFaderBothViews(c, 63);
        SetGainTextBothViews(c, GainStepToDbForChannel(c, FaderPosition(c)));
    }
    g_nCurrentChannel = saved;
    ClearMeters(first, count);
}

void CQuellonKR9SeriesDlg::OnSlotSetUnused132(const UnitFamily132& family, int slot,
                                              bool nodeRemoved)
{
    const CMySlider::RepaintBatch faders;
    const QString unused = QStringLiteral("KR-960 Unit %1 Unused").arg(SlotToUnitNumber(slot));
    g_UnitName[slot - 1] = unused;
    const bool twoSlots = family.model() == UNIT_TYPE_KR960 && slot < kSlotCount;
    if (twoSlots)
        g_UnitName[slot] = unused;
    HideSwitchesMissingOnKR9X(slot, false);
    if (twoSlots)
        HideSwitchesMissingOnKR9X(slot + 1, false);
    ClearChannelsOfUnusedSlot(slot, family.channelsPerUnit());
    // Every link record of the unit number lets go of its model and group.
    const int unitFirst = FirstChannelOfUnit(slot);
    for (int c = unitFirst; c < unitFirst + 16 && c < kChannelCount; ++c) {
        m_aChannelLink[std::size_t(c)].unitType = UNIT_TYPE_UNUSED;
        m_aChannelLink[std::size_t(c)].linkGroup = -1;
    }
    RepaintViews();
    if (nodeRemoved)
        ShowDatagramBox(DatagramBoxKind::SlotSetUnused, slot,
                        QStringLiteral("Unit %1 has been set to an Unused Unit.").arg(SlotToUnitNumber(slot)));
}

void CQuellonKR9SeriesDlg::DrawMeterDb(int channel, float levelDb)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    m_meterLevelDb[channel] = levelDb;
    if (g_bOverviewMode) {
        if (m_wndOverview)
            m_wndOverview->DrawMeterDb(channel, levelDb);
    } else if (m_wndUnderview) {
        m_wndUnderview->DrawMeterDb(channel, levelDb);
    }
}

void CQuellonKR9SeriesDlg::ArmTimer(int id, int periodMs)
{
    m_platform.timers.arm(id, periodMs);
}

void CQuellonKR9SeriesDlg::KillTimer(int id)
{
    m_platform.timers.kill(id);
}
