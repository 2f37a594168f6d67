#include <gtest/gtest.h>

#include <QDeadlineTimer>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>

#include "controls/dialog_font_adapter.h"
#include "dialogs/link_group_members_dialog.h"
#include "dialogs/link_matrix_dialog.h"
#include "dialogs/metering_dialog.h"
#include "dialogs/unit_status_pages.h"
#include "support/program_run.h"
#include "support/x_display.h"
#include "unit_checks.h"
#include "views/unit_status_strip.h"

// Under a window manager the console's borderless dialogs are placed, dragged
// and brought back by the window manager; every position here is the one the
// X server has.

namespace {

using x_display::Display;

// How far a dialog's centre may lie from its owner's: the owner centres it,
// allowing for the title bar its own window may have.
constexpr int kCentring = 48;
// How far a box's centre may lie from the centre of the dialog it opened
// from: both are borderless, so nothing but rounding sets them apart.
constexpr int kOnOwner = 3;
// How long a window may take to get where it goes.
constexpr int kSettleMs = 10000;
// The menu bar's height above the client area's controls: the desktop's
// font and style set it, about 24 px; a click aimed at the middle of a
// control 35 px high lands on it unless the bar is off by half of that.
constexpr int kMenuBarHeight = 24;

// A control's rectangle in its dialog, from the dialog's layout.
QRect LayoutRect(const DialogTemplate& layout, int id)
{
    for (const DialogItem& item : layout.items)
        if (item.id == id)
            return DialogItemRect(item);
    return {};
}

QRect FormRect(const std::vector<FormItem>& items, int id)
{
    for (const FormItem& item : items)
        if (item.id == id)
            return DialogItemRect(DialogItem{item.id, DialogItemKind::Static, item.x, item.y, item.cx, item.cy, {}, 0});
    return {};
}

std::string Text(const QRect& r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// The console on a display of its own with openbox, and the X tools that
// drive it and read its windows back.
class PlacementRun {
public:
    PlacementRun() : m_display(m_run.display) {}
    ~PlacementRun()
    {
        if (m_program.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_program.processId()), SIGTERM);
        if (!m_program.waitForFinished(60000)) {
            m_program.kill();
            m_program.waitForFinished(30000);
        }
    }

    // Starts the console, talking to the emulator's units when given.
    bool start(const emu::Emulator* units = nullptr)
    {
        if (!m_run.isValid())
            return false;
        QProcessEnvironment env = m_run.env;
        if (units)
            program_run::TalkTo(env, units->pcPort(), *units);
        program_run::Start(m_program, env);
        if (!m_program.waitForStarted(30000))
            return false;
        const auto main = m_display.waitForWindow(QStringLiteral("^ Corvane - "));
        if (!main)
            return false;
        m_main = *main;
        return true;
    }

    const QString& mainWindow() const { return m_main; }
    const Display& display() const { return m_display; }

    // Gives the main window the keyboard and types keys into it.
    void keysToMain(const QString& keys) const
    {
        m_display.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_main});
        key(keys);
    }
    void key(const QString& keys) const { m_display.xdotool({QStringLiteral("key"), keys}); }

    // The shown window of that exact title, once there is one.
    QString window(const QString& title) const
    {
        const auto found = m_display.waitForWindow(QLatin1Char('^') + title + QLatin1Char('$'));
        return found ? *found : QString();
    }

    QRect rect(const QString& window) const { return m_display.clientRect(window).value_or(QRect()); }

    // The window's rectangle once done says yes to it, or the last one seen
    // when the time ran out first.
    QRect rectWhen(const QString& window, const std::function<bool(const QRect&)>& done) const
    {
        const QDeadlineTimer deadline(kSettleMs);
        QRect seen = rect(window);
        while (!done(seen) && !deadline.hasExpired())
            seen = rect(window);
        return seen;
    }

    // A shown window of the console other than owner that lies within
    // reach of near (the list a drop-down box opened), once there is one; its
    // rectangle, or nothing.
    std::optional<QRect> popupNear(const QRect& near, const QString& owner) const
    {
        const QDeadlineTimer deadline(kSettleMs);
        do {
            const auto found = m_display.xdotool(
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                 QStringLiteral("corvane")},
                kSettleMs);
            if (!found)
                continue;
            for (const QString& window : found->split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (window == owner || window == m_main)
                    continue;
                if (const QRect r = rect(window); r.isValid() && r.adjusted(-4, -4, 4, 4).intersects(near))
                    return r;
            }
        } while (!deadline.hasExpired());
        return std::nullopt;
    }

    // True once the window is gone from the X server (a closed dialog).
    bool closed(const QString& window) const
    {
        return !rectWhen(window, [](const QRect& r) { return !r.isValid(); }).isValid();
    }

    void click(const QString& window, QPoint at, int button, int repeat = 1) const
    {
        m_display.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                           QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                           QStringLiteral("--repeat"), QString::number(repeat), QStringLiteral("--delay"),
                           QStringLiteral("80"), QString::number(button)});
    }

    // Presses the left button at grab (client coordinates), moves the
    // pointer by travel and lets go; the window's rectangle afterwards. The
    // window manager takes the drag from where the console last saw the
    // pointer, so the pointer steps one pixel to and fro until the window
    // follows it before it makes the rest of the way: the window lags the
    // pointer by at most that pixel.
    QRect drag(const QString& window, QPoint grab, QPoint travel) const
    {
        const QRect before = rect(window);
        const QPoint from = before.topLeft() + grab;
        const auto moveTo = [this](QPoint p) {
            m_display.xdotool({QStringLiteral("mousemove"), QString::number(p.x()),
                               QString::number(p.y())});
        };
        moveTo(from);
        m_display.xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        const QPoint step(travel.x() > 0 ? 1 : -1, travel.y() > 0 ? 1 : -1);
        const QDeadlineTimer deadline(kSettleMs);
        do {
            moveTo(from);
            moveTo(from + step);
        } while (rect(window).topLeft() == before.topLeft() && !deadline.hasExpired());
        moveTo(from + travel);
        m_display.xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        const QPoint target = before.topLeft() + travel;
        return rectWhen(window, [&](const QRect& r) { return (r.topLeft() - target).manhattanLength() <= 2; });
    }

private:
    program_run::WindowManagerRun m_run;
    const Display& m_display;
    QProcess m_program;
    QString m_main;
};

// Whether a dialog dragged from at by travel ended where the pointer took it.
// The window manager's move starts from the last pointer position Qt saw,
// which may trail the press by a pixel or two on a busy machine; a drag gone
// wrong is off by the dialog's whole screen position.
bool MovedBy(const QRect& dragged, const QRect& at, QPoint travel)
{
    const QPoint off = dragged.topLeft() - (at.topLeft() + travel);
    return std::abs(off.x()) <= 4 && std::abs(off.y()) <= 4;
}

bool Centred(const QRect& dialog, const QRect& owner, int within = kCentring)
{
    const QPoint d = dialog.center() - owner.center();
    return std::abs(d.x()) <= within && std::abs(d.y()) <= within;
}

// Drags a dialog by its handle at grab well away from the main window's
// centre.
void MoveAside(const PlacementRun& run, const QString& dialog, QPoint grab)
{
    const QRect at = run.rect(dialog);
    const QPoint travel(-180, 70);
    const QRect dragged = run.drag(dialog, grab, travel);
    ASSERT_TRUE(MovedBy(dragged, at, travel)) << "from " << Text(at) << " to " << Text(dragged);
}

// A box that opened from a dialog, as the X server has them: the box is the
// dialog's transient, the window manager stacks the dialog over the main
// window and under the box, and the box is centred on the dialog.
void ExpectBoxOverItsDialog(const PlacementRun& run, const QString& box, const QString& dialog)
{
    const Display& x = run.display();
    EXPECT_EQ(x.transientFor(box).value_or(QStringLiteral("none")).toStdString(), dialog.toStdString())
        << "the box's owner";

    QStringList order;
    const bool stacked = Display::waitUntil([&] {
        order = x.stackingOrder().value_or(QStringList());
        const qsizetype main = order.indexOf(run.mainWindow());
        const qsizetype under = order.indexOf(dialog);
        return main >= 0 && under > main && order.indexOf(box) > under;
    }, kSettleMs);
    EXPECT_TRUE(stacked) << "bottom first: " << order.join(QLatin1Char(' ')).toStdString() << "; main window "
                         << run.mainWindow().toStdString() << ", dialog " << dialog.toStdString() << ", box "
                         << box.toStdString();

    QRect boxAt, dialogAt;
    const bool centred = Display::waitUntil([&] {
        boxAt = run.rect(box);
        dialogAt = run.rect(dialog);
        return boxAt.isValid() && dialogAt.isValid() && Centred(boxAt, dialogAt, kOnOwner);
    }, kSettleMs);
    EXPECT_TRUE(centred) << "box " << Text(boxAt) << " on dialog " << Text(dialogAt);
}

// The "Message" box that opened from dialog is over it as the X server has
// them (ExpectBoxOverItsDialog); Escape then closes the box, and the dialog.
void ExpectMessageBoxOverItsDialogThenEscapeBoth(const PlacementRun& run, const QString& dialog, const char* what)
{
    const QString box = run.window(QStringLiteral("Message"));
    ASSERT_FALSE(box.isEmpty()) << "no " << what;
    ExpectBoxOverItsDialog(run, box, dialog);

    ASSERT_TRUE(run.display().typeInto(box, {QStringLiteral("Escape")}));
    ASSERT_TRUE(run.closed(box));
    ASSERT_TRUE(run.display().typeInto(dialog, {QStringLiteral("Escape")}));
    ASSERT_TRUE(run.closed(dialog));
}

// A console on a display with openbox and a KR-960 as unit 1, on line and
// reporting for as long as the test runs.
struct OneUnitOnLine {
    std::uint16_t pcPort = FreeUdpPort();
    emu::Emulator units{pcPort, FreeUdpPort()};
    int unit = units.addUnit(emu::defaultConfig(emu::Model::KR960, 1, 1));
    PlacementRun run;
    std::optional<program_run::UnitsReporting> reporting;

    bool start()
    {
        if (!run.start(&units) || !program_run::ReportUntilAnswered(units, unit))
            return false;
        reporting.emplace(units);
        return true;
    }
};

} // namespace

// The Link Matrix opens over the main window; the member list and the group
// name dialog open over the matrix, and the matrix comes back where it was
// when they close, also after the operator dragged it; a drag by the title
// strip moves it by the pointer's travel. Each round opens the dialogs anew.
TEST(Program, LinkDialogsOpenOverTheMatrixAndTheMatrixStaysWhereItIs)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    PlacementRun run;
    ASSERT_TRUE(run.start()) << "no console on a display with a window manager";
    const QRect main = run.rect(run.mainWindow());

    const DialogTemplate layout = CLinkMatrixDlg::Layout();
    const QPoint groupTitle = LayoutRect(layout, CLinkMatrixDlg::IDC_GROUP_TITLE_FIRST).center();
    const QPoint titleStrip = LayoutRect(layout, IDC_SKIN_LOGO).center();
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        run.keysToMain(QStringLiteral("ctrl+l"));
        const QString matrix = run.window(QStringLiteral("Link Matrix"));
        ASSERT_FALSE(matrix.isEmpty());
        QRect at = run.rect(matrix);
        EXPECT_TRUE(Centred(at, main)) << Text(at) << " over " << Text(main);

        if (round == 1) {
            const QPoint travel(-70, 45);
            const QRect dragged = run.drag(matrix, titleStrip, travel);
            ASSERT_TRUE(MovedBy(dragged, at, travel)) << "from " << Text(at) << " to " << Text(dragged);
            at = dragged;
        }

        // A double click on a group title lists its members, a right click names it.
        const std::pair<QString, int> subDialogs[] = {{QStringLiteral("Link Group Members"), 1},
                                                      {QStringLiteral("Link Group Name"), 3}};
        for (const auto& [title, button] : subDialogs) {
            run.click(matrix, groupTitle, button, button == 1 ? 2 : 1);
            const QString sub = run.window(title);
            ASSERT_FALSE(sub.isEmpty()) << title.toStdString();
            const QRect subAt = run.rect(sub);
            EXPECT_TRUE(Centred(subAt, at)) << title.toStdString() << " at " << Text(subAt) << ", matrix at " << Text(at);
            run.key(QStringLiteral("Escape"));
            ASSERT_EQ(run.window(QStringLiteral("Link Matrix")), matrix);
            const QRect back = run.rectWhen(matrix, [&](const QRect& r) { return r == at; });
            ASSERT_EQ(back, at) << "after " << title.toStdString() << " the matrix is at " << Text(back);
        }
        run.key(QStringLiteral("Escape"));
        ASSERT_TRUE(run.closed(matrix));
    }
}

// Meter Preferences opens over the main window, its dBU list drops down at
// its box, and a drag from its body moves it by the pointer's travel.
TEST(Program, MeterPreferencesListDropsAtItsBoxAndADragMovesByThePointersTravel)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    PlacementRun run;
    ASSERT_TRUE(run.start()) << "no console on a display with a window manager";
    const QRect main = run.rect(run.mainWindow());

    const QRect box = FormRect(CNewMeteringDialog::FormItems(), CNewMeteringDialog::IDC_DBU_MAX);
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        run.keysToMain(QStringLiteral("ctrl+m"));
        const QString meters = run.window(QStringLiteral("Meter Preferences"));
        ASSERT_FALSE(meters.isEmpty());
        QRect at = run.rect(meters);
        EXPECT_TRUE(Centred(at, main)) << Text(at) << " over " << Text(main);

        if (round == 1) {
            // The first thing the operator does is drag it.
            const QPoint travel(55, -40);
            const QRect dragged = run.drag(meters, QPoint(12, at.height() - 14), travel);
            ASSERT_TRUE(MovedBy(dragged, at, travel)) << "from " << Text(at) << " to " << Text(dragged);
            at = dragged;
        }

        run.click(meters, box.center(), 1);
        const QRect onScreen = box.translated(at.topLeft());
        const auto list = run.popupNear(onScreen, meters);
        ASSERT_TRUE(list.has_value()) << "no list at the box " << Text(onScreen);
        EXPECT_LE(std::abs(list->left() - onScreen.left()), 4) << Text(*list) << " box " << Text(onScreen);
        run.key(QStringLiteral("Escape"));
        run.key(QStringLiteral("Escape"));
        ASSERT_TRUE(run.closed(meters));
    }
}

// Link Matrix > a group title's double click > a member's double click: the
// channel's title box opens over the member list, and the list stays in
// sight under it, over the main window.
TEST(Program, AMembersTitleBoxOpensOverTheMemberListAndKeepsItInSight)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    OneUnitOnLine line;
    ASSERT_TRUE(line.start()) << "no console on a display with a window manager, or unit 1 not answered";
    PlacementRun& run = line.run;

    run.keysToMain(QStringLiteral("ctrl+l"));
    const QString matrix = run.window(QStringLiteral("Link Matrix"));
    ASSERT_FALSE(matrix.isEmpty());
    // The unit's channel in the first column joins the first group.
    const DialogTemplate layout = CLinkMatrixDlg::Layout();
    const QRect groupTitle = LayoutRect(layout, CLinkMatrixDlg::IDC_GROUP_TITLE_FIRST);
    const QRect firstColumn = LayoutRect(layout, CLinkMatrixDlg::IDC_CHANNEL_HEADER);
    run.click(matrix, QPoint(firstColumn.center().x(), groupTitle.center().y()), 1);
    run.click(matrix, groupTitle.center(), 1, 2);
    const QString members = run.window(QStringLiteral("Link Group Members"));
    ASSERT_FALSE(members.isEmpty());
    // Away from the main window's centre, where a box of the main window would open.
    ASSERT_NO_FATAL_FAILURE(MoveAside(run, members, LayoutRect(CLinkedChannelNamesDlg::Layout(), IDC_SKIN_LOGO).center()));

    // The list's first line, where the list is in the dialog.
    const CLinkedChannelNamesDlg probe;
    const QRect list = probe.GetDlgItem(CLinkedChannelNamesDlg::IDC_MEMBERS)->geometry();
    run.click(members, QPoint(list.center().x(), list.top() + 8), 1, 2);
    ASSERT_NO_FATAL_FAILURE(ExpectMessageBoxOverItsDialogThenEscapeBoth(run, members, "title box"));
    ASSERT_EQ(run.window(QStringLiteral("Link Matrix")), matrix);
    run.key(QStringLiteral("Escape"));
    EXPECT_TRUE(run.closed(matrix));
}

// An address that is no address, typed on the Unit Status page of the unit
// on line: the box that says so opens over the page, and the page stays in
// sight under it, over the main window.
TEST(Program, TheBadAddressBoxOpensOverTheUnitStatusPageAndKeepsItInSight)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    OneUnitOnLine line;
    ASSERT_TRUE(line.start()) << "no console on a display with a window manager, or unit 1 not answered";
    PlacementRun& run = line.run;

    // A double click on unit 1's box in the unit strip opens its page.
    const CUnitStatusWnd strip;
    const QPoint unitBox =
        CUnitStatusWnd::kPlacement.topLeft() + strip.BoxRect(1).center() + QPoint(0, kMenuBarHeight);
    run.click(run.mainWindow(), unitBox, 1, 2);
    const auto page = run.display().waitForWindow(QStringLiteral("STATUS OF UNIT 1 "));
    ASSERT_TRUE(page) << "no Unit Status page";
    ASSERT_NO_FATAL_FAILURE(MoveAside(run, *page, LayoutRect(CUnitMessage_KR960x::Layout(), IDC_SKIN_LOGO).center()));

    // The address field, where the page has it, takes an address that is none.
    const CUnitMessage_KR960x probe;
    run.click(*page, probe.GetDlgItem(CUnitMessage_KR960x::IDC_IP_EDIT)->geometry().center(), 1);
    ASSERT_TRUE(run.display().typeInto(*page, {QStringLiteral("ctrl+a"), QStringLiteral("3"), QStringLiteral("0"),
                                               QStringLiteral("0"), QStringLiteral("period"), QStringLiteral("1"),
                                               QStringLiteral("period"), QStringLiteral("2"),
                                               QStringLiteral("period"), QStringLiteral("3")}));
    run.click(*page, LayoutRect(CUnitMessage_KR960x::Layout(), CUnitMessage_KR960x::IDC_OK_PLACEHOLDER).center(), 1);
    ExpectMessageBoxOverItsDialogThenEscapeBoth(run, *page, "box for the address");
}
