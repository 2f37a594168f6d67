#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <QWheelEvent>

#include <vector>

#include "app/command_ids.h"
#include "controls/gain_fader.h"
#include "controls/scroll_bar.h"
#include "dialogs/naming_dialogs.h"
#include "support/console_fixture.h"
#include "support/scroll_bar_fixture.h"
#include "views/overview.h"
#include "views/underview.h"
#include "views/unit_status_strip.h"

namespace {

constexpr int kNotch = 120; // eighths of a degree

// A desktop wheel turn over target's middle (one it leaves goes to its parents); whether taken.
bool Turn(QWidget* target, QPoint angle, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, keys, Qt::NoScrollPhase,
                      false);
    QSpontaneKeyEvent::setSpontaneous(&wheel); // only the desktop's own wheel events travel up
    qApp->notify(target, &wheel);
    return wheel.isAccepted();
}

using Report = console_test::ScrollReport;

class WheelOnBar : public console_test::ScrollBarFixture {
protected:
    CMyScrollBar& Make(bool horizontal)
    {
        CMyScrollBar& bar = NewBar();
        const QRect rect = horizontal ? QRect(10, 500, 400, 20) : QRect(700, 40, 20, 300);
        EXPECT_TRUE(bar.Create(horizontal ? 0x50000100 : 0x50000101, &m_parent, rect, 1030));
        bar.SetScrollRange(0, 100);
        bar.SetScrollPos(50);
        return Record();
    }
};

using Dlg = CQuellonKR9SeriesDlg;

class WheelInWindow : public console_test::ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        m_dlg->show();
    }
    void ShowOverview(bool overview)
    {
        if (g_bOverviewMode != overview)
            m_dlg->OnOverviewButton();
        ASSERT_EQ(g_bOverviewMode, overview);
    }
    int TopLine() const { return m_dlg->m_lstScenes->indexAt(QPoint(2, 2)).row(); }
};

constexpr Report kBack{CMyScrollBar::SB_LINEUP, 0};
constexpr Report kForward{CMyScrollBar::SB_LINEDOWN, 0};

} // namespace

TEST_F(WheelOnBar, EachWholeNotchStepsTheBarLikeItsArrows)
{
    const struct {
        std::vector<int> turns; // vertical angle deltas, one event each
        std::vector<Report> expected;
        int position;
    } cases[] = {
        {{-kNotch}, {kForward}, 51},
        {{kNotch}, {kBack}, 49},
        {{-3 * kNotch}, {kForward, kForward, kForward}, 53},
        // A fine wheel: a step once a notch has added up; a turn back counts afresh.
        {{-40, -40}, {}, 50},
        {{-40, -40, -40}, {kForward}, 51},
        {{-80, 80}, {}, 50},
        {{-80, kNotch}, {kBack}, 49},
    };
    for (const auto& c : cases) {
        CMyScrollBar& bar = Make(false);
        for (const int turn : c.turns)
            EXPECT_TRUE(Turn(&bar, QPoint(0, turn)));
        EXPECT_EQ(reports, c.expected) << c.turns.size() << " turns from " << c.turns.front();
        EXPECT_EQ(bar.GetScrollPos(), c.position) << c.turns.size() << " turns from " << c.turns.front();
    }
}

TEST_F(WheelOnBar, AHorizontalBarTakesBothTurnsAVerticalOneOnlyItsOwn)
{
    CMyScrollBar& horizontal = Make(true);
    EXPECT_TRUE(Turn(&horizontal, QPoint(-kNotch, 0)));                       // tilted right
    EXPECT_TRUE(Turn(&horizontal, QPoint(0, -kNotch)));                       // turned down
    EXPECT_TRUE(Turn(&horizontal, QPoint(0, -kNotch), Qt::ShiftModifier));    // Shift and turned down
    EXPECT_TRUE(Turn(&horizontal, QPoint(kNotch, 0)));                        // tilted left
    EXPECT_EQ(reports, (std::vector<Report>{kForward, kForward, kForward, kBack}));
    EXPECT_EQ(horizontal.GetScrollPos(), 52);

    CMyScrollBar& vertical = Make(false);
    EXPECT_FALSE(Turn(&vertical, QPoint(-kNotch, 0))) << "a sideways tilt is not this bar's";
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(vertical.GetScrollPos(), 50);
}

TEST_F(WheelInWindow, TheOverviewScrollsOneRowANotchOverItsBarAndOverItsFaders)
{
    ShowOverview(true);
    CMyScrollBar* bar = m_dlg->m_sbOverviewVert;
    QWidget* fader = m_dlg->m_wndOverview->m_Slider[0];
    Turn(bar, QPoint(0, -kNotch));
    EXPECT_EQ(m_dlg->m_nVScrollPos, 168);
    Turn(fader, QPoint(0, -2 * kNotch));
    EXPECT_EQ(m_dlg->m_nVScrollPos, 3 * 168);
    EXPECT_EQ(bar->GetScrollPos(), 3 * 168);
    Turn(m_dlg->m_wndOverview, QPoint(0, kNotch));
    EXPECT_EQ(m_dlg->m_nVScrollPos, 2 * 168);
    EXPECT_EQ(bar->GetScrollPos(), 2 * 168);
    Turn(fader, QPoint(0, 10 * kNotch)); // no further than the top
    EXPECT_EQ(m_dlg->m_nVScrollPos, 0);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    EXPECT_EQ(m_dlg->m_nHScrollPos, 0) << "the wheel keeps to its own view";
}

TEST_F(WheelInWindow, TheChannelStripsScrollOneStripANotchInEveryWheelDirection)
{
    ShowOverview(false);
    CMyScrollBar* bar = m_dlg->m_sbUnderviewHorz;
    QWidget* fader = m_dlg->m_wndUnderview->m_Slider[3];
    const struct {
        QWidget* target;
        QPoint angle;
        Qt::KeyboardModifiers keys;
        int position;
    } turns[] = {
        {bar, QPoint(0, -kNotch), Qt::NoModifier, 82},
        {bar, QPoint(-kNotch, 0), Qt::NoModifier, 164},
        {fader, QPoint(0, -kNotch), Qt::NoModifier, 246},
        {fader, QPoint(0, -kNotch), Qt::ShiftModifier, 328},
        {m_dlg->m_wndUnderview, QPoint(-2 * kNotch, 0), Qt::NoModifier, 492},
        {fader, QPoint(kNotch, 0), Qt::NoModifier, 410},
        {bar, QPoint(0, 10 * kNotch), Qt::NoModifier, 0},
    };
    for (const auto& t : turns) {
        Turn(t.target, t.angle, t.keys);
        EXPECT_EQ(m_dlg->m_nHScrollPos, t.position) << t.angle.x() << "," << t.angle.y();
        EXPECT_EQ(bar->GetScrollPos(), t.position);
    }
    EXPECT_EQ(m_dlg->m_nVScrollPos, 0) << "the wheel keeps to its own view";
}

TEST_F(WheelInWindow, TheSceneListScrollsOneLineANotchOverItsBarAndOverItsLines)
{
    SetDialogHandler([](CSkinnedDialog& dialog) {
        if (!dynamic_cast<CNewSceneDialog*>(&dialog))
            return IDCANCEL;
        g_SceneName[std::size_t(g_nSceneCount)] = QStringLiteral("Scene %1").arg(g_nSceneCount);
        return IDOK;
    });
    for (int i = 0; i < 10; ++i)
        m_dlg->OnCommand(IDC_NEW_SCENE);
    SetDialogHandler({});
    ASSERT_EQ(m_dlg->m_lstScenes->count(), 11);
    CMyScrollBar* bar = m_dlg->m_sbSceneList;
    QWidget* lines = m_dlg->m_lstScenes->viewport();
    m_dlg->m_lstScenes->scrollToTop();
    bar->SetScrollPos(0);

    Turn(lines, QPoint(0, -kNotch));
    EXPECT_EQ(TopLine(), 1);
    EXPECT_EQ(bar->GetScrollPos(), 1);
    Turn(bar, QPoint(0, -2 * kNotch));
    EXPECT_EQ(TopLine(), 3);
    EXPECT_EQ(bar->GetScrollPos(), 3);
    Turn(lines, QPoint(0, kNotch));
    EXPECT_EQ(TopLine(), 2);
    EXPECT_EQ(bar->GetScrollPos(), 2);
}

TEST_F(WheelInWindow, TheUnitStatusStripScrollsOneRowANotchOverItsBarAndOverItsBoxes)
{
    CMyScrollBar* bar = m_dlg->m_sbUnitStatus;
    Turn(m_dlg->m_wndUnitStatus, QPoint(0, -kNotch));
    EXPECT_EQ(g_nUnitStatusScrollPos, 1);
    EXPECT_EQ(bar->GetScrollPos(), 1);
    Turn(bar, QPoint(0, -kNotch));
    EXPECT_EQ(g_nUnitStatusScrollPos, 2);
    Turn(m_dlg->m_wndUnitStatus, QPoint(0, -5 * kNotch)); // no further than its last row
    EXPECT_EQ(g_nUnitStatusScrollPos, CUnitStatusWnd::kMaxScrollPos);
    EXPECT_EQ(bar->GetScrollPos(), CUnitStatusWnd::kMaxScrollPos);
    Turn(bar, QPoint(0, kNotch));
    EXPECT_EQ(g_nUnitStatusScrollPos, CUnitStatusWnd::kMaxScrollPos - 1);
    g_nUnitStatusScrollPos = 0;
}
