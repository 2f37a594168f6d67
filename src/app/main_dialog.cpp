#include "app/main_dialog.h"

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/fonts.h"
#include "app/file_association.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>

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
    m_pRestartNotice = nullptr;
    m_menu = BuildMainMenu(menuBar(), [this](int id) { OnCommand(id); });

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

    // 3. Fonts.
    CreateStripViewFonts();
    CreateOverviewFonts();

    // 4. Window-wide flags once the channel-strip area stands.
    g_bMainWindowReady = true;
    g_bInitialising = false;

    // 5. Channel texts.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        g_ChannelGainShortText[ch] = QStringLiteral("+6 ");
        g_ChannelTitle[ch] = DefaultChannelTitle(ch);
        g_ChannelLinkGroup[ch] = 0;
        g_ChannelLinkLabel[ch] = QStringLiteral("-");
    }

    // 7. Overview texts and unit options.
    g_ChannelGainText.fill(QStringLiteral("+ 6 dB"));
    for (std::string& option : g_UnitOption)
        option.clear();

    // 8. Brushes of the light dialog panels, and the menu font.
    g_hbrPreferences = QBrush(QColor(0xFA, 0xFA, 0xFA));
    g_hbrYesNoStatic = QBrush(QColor(0xFA, 0xFA, 0xFA));
    CreateMenuFont();

    // 9. Selections are highlighted in mid grey throughout the program.
    {
        QPalette palette = QApplication::palette();
        m_savedHighlight = palette.color(QPalette::Highlight);
        palette.setColor(QPalette::Highlight, QColor(kHighlightColor));
        QApplication::setPalette(palette);
    }

    // 11. Height from the top logo area; the width follows below.
    m_stcTopLogo = QRect(QPoint(0, 0), m_platform.skins.naturalSize(kTopLogoBitmap));
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
    g_szLastDirectory = IniFile(g_szIniPath)
                            .readString(QStringLiteral("Data Directory"),
                                        QStringLiteral("Last Used Directory"))
                            .left(260);
    if (!g_szLastDirectory.isEmpty() && QFileInfo(g_szLastDirectory).isDir())
        QDir::setCurrent(g_szLastDirectory);

    // 16. The overview's left edge.
    m_nOverviewLeft = 60;

    // 17. The logo band spans the screen; the window is centred around the overview.
    m_stcTopLogo.setWidth(std::max(g_nScreenWidth, m_stcTopLogo.width()));
    const int windowWidth = kOverviewWidth + 20 + 4 * kScrollBarWidth;
    windowHeight = std::max(windowHeight, m_nMinTrackHeight);
    setMinimumSize(kMinTrackWidth, m_nMinTrackHeight);
    setMaximumWidth(kMaxTrackWidth);
    const int left = g_nScreenWidth / 2 - kOverviewWidth / 2 - 2 * kScrollBarWidth;
    const int top = g_nScreenHeight / 2 - windowHeight / 2;
    setGeometry(std::max(left, 0), std::max(top, 0), windowWidth, windowHeight);

    // 18. No channel is linked yet.
    g_bInitialising = true;
    ClearChannelLinkRecords();
    g_bInitialising = false;
    g_nCurrentChannel = 0;

    // 19. The project file type opens with this program.
    if (m_options.registerFileType)
        RegisterFileAssociation(m_options.exePath, QStringLiteral("qsx"));

    // 20. The project named on the command line, or an untitled one.
    InitBlankProjectIdentity();
    if (!m_options.projectPath.isEmpty())
        g_szProjectPath = m_options.projectPath;

    // 21. The view mode of the last run.
    WindowPlacement stored;
    const bool havePlacement = LoadWindowPlacement(m_platform.settings, &stored);
    if (havePlacement && g_bOverviewMode) {
        g_bOverviewMode = false;
        OnOverviewButton();
    }

    // 22. The window is complete.
    g_bMainWindowReady = true;
    g_bInitialising = false;
    setGeometry(geometry().adjusted(0, 0, 10, 0));
    m_stcTopLogo.translate(-6, 0);
    if (havePlacement)
        ApplyStoredGeometry(stored);
    update();

    // 23. Every unit slot holds a 16-channel unit until units report otherwise.
    g_bAll16ChannelUnits = true;
    ResetUnitNames();

    // 25. The program always starts showing the overview.
    g_bOverviewMode = true;
    OnOverviewButton();
    g_bOverviewMode = false;
    OnOverviewButton();

    // 28. From here on changes reach the units.
    g_SuppressUnitSends = 0;
    hide();

    // 29. The network starts 200 ms after the build.
    m_platform.timers.arm(kTimerStartNetwork, 200);
    m_platform.timers.arm(kTimerHeartbeat, 5000);

    // 30. Link bookkeeping and unit counts start empty.
    ClearChannelLinkRecords();
    m_nKR9XUnitCount = 0;
    m_nKR960_8UnitCount = 0;
    m_nKR960UnitCount = 0;
}

void CQuellonKR9SeriesDlg::ClearChannelLinkRecords()
{
    for (int ch = 0; ch < kChannelCount; ++ch)
        m_aChannelLink[ch] = ChannelLinkRecord{ch, -1, -1, -1};
}

void CQuellonKR9SeriesDlg::ApplyStoredGeometry(const WindowPlacement& p)
{
    // Only a rectangle that is at least the minimum size and mostly on a
    // screen is used; a monitor that went away leaves the centred window.
    const QRect normal(QPoint(p.left, p.top), QPoint(p.right - 1, p.bottom - 1));
    if (normal.width() < kMinTrackWidth || normal.height() < m_nMinTrackHeight)
        return;
    const QScreen* screen = QGuiApplication::screenAt(normal.center());
    if (!screen)
        return;
    const QRect visible = normal.intersected(screen->availableGeometry());
    if (visible.width() < normal.width() / 2 || visible.height() < normal.height() / 2)
        return;
    setGeometry(normal);
    if (p.showCommand == WindowPlacement::kShowMaximized
        || (p.flags & WindowPlacement::kRestoreToMaximized))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CQuellonKR9SeriesDlg::ResetUnitNames()
{
    SetUnusedUnitNames();
    update();
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
    setWindowTitle(QStringLiteral(" Corvane - %1").arg(name));
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

void CQuellonKR9SeriesDlg::OnCommand(int id)
{
    switch (id) {
    case ID_APP_EXIT:
        OnClose();
        break;
    case IDC_OVERVIEW_BUTTON:
        OnOverviewButton();
        break;
    default:
        break;
    }
}

void CQuellonKR9SeriesDlg::OnTimer(int id)
{
    TimerTable& timers = m_platform.timers;
    switch (id) {
    case kTimerStartNetwork:
        timers.kill(kTimerStartNetwork);
        break;
    case kTimerMeterPeriod:
    case kTimerSettle:
    case kTimerHeartbeat:
        // These only mark a period; their ticks carry no work.
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
    update();
    m_platform.timers.arm(kTimerSettle, 2000);
}

void CQuellonKR9SeriesDlg::OnClose()
{
    close();
}

void CQuellonKR9SeriesDlg::closeEvent(QCloseEvent* event)
{
    if (m_bShutDown || QuerySaveAndShutDown())
        event->accept();
    else
        event->ignore();
}

bool CQuellonKR9SeriesDlg::QuerySaveAndShutDown()
{
    // The program's own highlight colour goes with it.
    {
        QPalette palette = QApplication::palette();
        if (m_savedHighlight.isValid())
            palette.setColor(QPalette::Highlight, m_savedHighlight);
        QApplication::setPalette(palette);
    }

    SaveWindowPlacement(m_platform.settings, CurrentPlacement());

    DeleteFonts();

    TimerTable& timers = m_platform.timers;
    for (const int id : std::initializer_list<int>{kTimerPoll, kTimerMeterPeriod, kTimerSettle,
                                                   kTimerAutosave, 26, 27, kTimerHeartbeat})
        timers.kill(id);

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
    const QRect logo = m_stcTopLogo.translated(kTopLogoOffsetX, 0);
    const QPixmap pixmap =
        m_platform.skins.pixmap(kTopLogoBitmap, devicePixelRatioF());
    painter.drawPixmap(logo.topLeft(), pixmap);
}
