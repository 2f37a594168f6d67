#include <gtest/gtest.h>

#include <algorithm>

#include <QCursor>
#include <QImage>
#include <QTest>

#include "controls/control_ids.h"
#include "controls/scroll_bar.h"
#include "support/scroll_bar_fixture.h"

namespace {

using Report = console_test::ScrollReport;

class ScrollBarTest : public console_test::ScrollBarFixture {
protected:
    CMyScrollBar& Make(unsigned style, const QRect& rect, int anchorId = 6024)
    {
        auto* anchor = new QWidget(&m_parent);
        SetControlId(anchor, anchorId);
        anchor->setGeometry(rect);
        EXPECT_TRUE(NewBar().Create(style, &m_parent, anchorId, 1030));
        return Record();
    }
    // Horizontal, 400 x 20: arrows 20 wide, thumb 153, travel 207.
    CMyScrollBar& Horizontal(int max = 1000) { return Ranged(0x50000100, QRect(10, 500, 400, 20), 6024, max); }
    // The overview's bar: vertical, 20 x 300, range 0..3528.
    CMyScrollBar& Vertical() { return Ranged(0x50000101, QRect(700, 40, 20, 300), 6025, 3528); }
    CMyScrollBar& Ranged(unsigned style, const QRect& rect, int anchorId, int max)
    {
        CMyScrollBar& bar = Make(style, rect, anchorId);
        bar.SetScrollRange(0, max, true);
        bar.SetScrollPos(0, true);
        return bar;
    }

    void Press(const QPoint& p) { QTest::mousePress(m_bar.get(), Qt::LeftButton, {}, p); }
    void Release(const QPoint& p) { QTest::mouseRelease(m_bar.get(), Qt::LeftButton, {}, p); }
    void MoveHeld(const QPoint& p)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), m_bar->mapToGlobal(QPointF(p)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_bar.get(), &move);
    }
};

} // namespace

TEST_F(ScrollBarTest, TakesThePlaceholdersPlaceAndShowsOnlyWhenAsked)
{
    CMyScrollBar& h = Make(0x50000100, QRect(10, 500, 400, 20));
    EXPECT_FALSE(FindChildById(&m_parent, 6024)->isVisible());
    EXPECT_EQ(h.geometry(), QRect(10, 500, 400, 20));
    EXPECT_TRUE(h.isVisible());
    EXPECT_FALSE(Make(0x40000100, QRect(10, 530, 400, 20), 6026).isVisible());

    CMyScrollBar orphan(nullptr, &m_timers);
    EXPECT_FALSE(orphan.Create(0x50000100, &m_parent, 4242, 1031));
}

TEST_F(ScrollBarTest, AQuickArrowClickStepsOnceAtTheRelease)
{
    CMyScrollBar& bar = Vertical();
    Press(QPoint(10, 290));
    EXPECT_TRUE(reports.empty()) << "pressing an arrow does not step yet";
    Release(QPoint(10, 290));

    EXPECT_EQ(reports, (std::vector<Report>{{CMyScrollBar::SB_LINEDOWN, 0},
                                            {CMyScrollBar::SB_THUMBPOSITION, 1}}));

    // The delay timer of that short click finds no arrow held and stops.
    m_timers.advance(150);
    EXPECT_FALSE(bar.isTimerArmed(CMyScrollBar::kTimerRepeat));
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(ScrollBarTest, AHeldArrowStepsAfter150MsThenEvery100MsAndOnceMoreOverTheArrow)
{
    CMyScrollBar& bar = Vertical();
    Press(QPoint(10, 290));
    m_timers.advance(149);
    EXPECT_TRUE(reports.empty());
    m_timers.advance(1);
    EXPECT_TRUE(reports.empty()) << "the delay only starts the repeat";
    m_timers.advance(100);
    EXPECT_EQ(reports.size(), 1u);
    m_timers.advance(200);
    EXPECT_EQ(reports.size(), 3u);
    EXPECT_EQ(bar.GetScrollPos(), 3);
    Release(QPoint(10, 290));
    EXPECT_EQ(bar.GetScrollPos(), 4);
    EXPECT_EQ(reports.back(), (Report{CMyScrollBar::SB_THUMBPOSITION, 4}));
    EXPECT_FALSE(bar.isTimerArmed(CMyScrollBar::kTimerRepeat));

    // Released away from the arrow: no last step.
    reports.clear();
    Press(QPoint(10, 290));
    m_timers.advance(250);
    Release(QPoint(10, 150));
    EXPECT_EQ(reports, (std::vector<Report>{{CMyScrollBar::SB_LINEDOWN, 0},
                                            {CMyScrollBar::SB_THUMBPOSITION, 5}}));
}

TEST_F(ScrollBarTest, HoldingTheFirstArrowAtTheStartKeepsReportingWithoutMoving)
{
    CMyScrollBar& bar = Horizontal();
    Press(QPoint(5, 10));
    m_timers.advance(150 + 300);
    EXPECT_EQ(reports, (std::vector<Report>(3, Report{CMyScrollBar::SB_LINEUP, 0})));
    EXPECT_EQ(bar.GetScrollPos(), 0);
    EXPECT_EQ(bar.ThumbRect().left(), 20);
}

TEST_F(ScrollBarTest, ATrackClickCentresTheThumbOnThePointAndReportsItsPosition)
{
    CMyScrollBar& bar = Horizontal();
    // After the thumb: its left edge goes to 300 - 153 / 2 = 224, (224 - 20) * 1000 / 207 = 985.5.
    Press(QPoint(300, 10));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], (Report{CMyScrollBar::SB_PAGEDOWN, 985}));
    EXPECT_EQ(bar.ThumbRect(), QRect(224, 0, 153, 20));
    Release(QPoint(300, 10));
    EXPECT_EQ(reports.back(), (Report{CMyScrollBar::SB_THUMBPOSITION, 985}));

    // Before it, near the start: (100 - 76 - 20) * 1000 / 207 = 19.3
    reports.clear();
    Press(QPoint(100, 10));
    EXPECT_EQ(reports[0], (Report{CMyScrollBar::SB_PAGEUP, 19}));
    Release(QPoint(100, 10));
}

TEST_F(ScrollBarTest, ADraggedThumbStopsAtTheEndsAndReportsOnlyAtTheRelease)
{
    CMyScrollBar& bar = Horizontal();
    Press(QPoint(96, 10)); // on the thumb (20..172)
    MoveHeld(QPoint(2000, 10));
    EXPECT_EQ(bar.GetScrollPos(), 1000);
    EXPECT_EQ(bar.ThumbRect().left(), 20 + 207);
    MoveHeld(QPoint(-500, 10));
    EXPECT_EQ(bar.GetScrollPos(), 0);
    // One pixel along gives 4.8: positions follow the thumb in whole steps.
    MoveHeld(QPoint(96 + 1, 10));
    EXPECT_EQ(bar.GetScrollPos(), 4);
    EXPECT_TRUE(reports.empty()) << "the content follows at the release";
    Release(QPoint(96 + 1, 10));
    EXPECT_EQ(reports, (std::vector<Report>{{CMyScrollBar::SB_THUMBPOSITION, 4}}));
    EXPECT_FALSE(bar.isDragging());
    EXPECT_FALSE(bar.isThumbGrabbed());

    // Thumb edges that give less than one step read 0.
    CMyScrollBar& coarse = Horizontal(100);
    EXPECT_EQ(coarse.PositionFromPoint(QPoint(96 + 2, 10)), 0); // 2 * 100 / 207 = 0.97
    EXPECT_EQ(coarse.PositionFromPoint(QPoint(96 + 3, 10)), 1);
}

TEST_F(ScrollBarTest, PositionsAreStoredAsGivenButTheThumbStaysOnTheTrack)
{
    CMyScrollBar& bar = Horizontal();
    EXPECT_EQ(bar.SetScrollPos(500), 0);
    EXPECT_EQ(bar.ThumbRect().left(), 20 + 103); // 500 * 207 / 1000 = 103.5
    EXPECT_EQ(bar.SetScrollPos(5000), 500);
    EXPECT_EQ(bar.GetScrollPos(), 5000);
    EXPECT_EQ(bar.ThumbRect().left(), 20 + 207);
    bar.SetScrollPos(-40);
    EXPECT_EQ(bar.ThumbRect().left(), 20);
    bar.SetScrollRange(300, 100);
    EXPECT_EQ(bar.GetScrollLimit(), 200);
}

TEST_F(ScrollBarTest, ABarWithoutRangeDrawsNoThumb)
{
    CMyScrollBar& bar = Horizontal(0);
    EXPECT_TRUE(bar.ThumbRect().isEmpty());
    EXPECT_LT(QColor(bar.grab().toImage().pixel(60, 10)).lightness(), 60);

    bar.SetScrollRange(0, 1000);
    EXPECT_GT(QColor(bar.grab().toImage().pixel(60, 10)).lightness(), 100) << "the thumb is light steel";
}

TEST_F(ScrollBarTest, TheHoverEndsOnceThePointerHasLeftTheThumb)
{
    CMyScrollBar& bar = Horizontal();
    Press(QPoint(96, 10));
    Release(QPoint(96, 10));
    EXPECT_EQ(bar.timerPeriod(CMyScrollBar::kTimerHover), 50);
    EXPECT_EQ(bar.cursor().shape(), Qt::PointingHandCursor);
    QCursor::setPos(bar.mapToGlobal(QPoint(96, 10)));
    m_timers.advance(50);
    EXPECT_TRUE(bar.isTimerArmed(CMyScrollBar::kTimerHover)) << "still over the thumb";
    QCursor::setPos(bar.mapToGlobal(QPoint(390, 10)));
    m_timers.advance(50);
    EXPECT_FALSE(bar.isTimerArmed(CMyScrollBar::kTimerHover));
    EXPECT_EQ(bar.cursor().shape(), Qt::ArrowCursor);
}

// X11 hands a double click over as press, release, double click, release:
// the track pages once, even where the owner put the thumb back; an arrow
// steps at both releases, as a quick second click would.
TEST_F(ScrollBarTest, ADoubleClickIsOnePress)
{
    CMyScrollBar& bar = Horizontal();
    QObject::connect(&bar, &CMyScrollBar::scrolled, &bar, [&bar](int code, int) {
        if (code == CMyScrollBar::SB_PAGEUP || code == CMyScrollBar::SB_PAGEDOWN)
            bar.SetScrollPos(0);
    });
    const QPoint track(300, 10);
    Press(track);
    Release(track);
    ASSERT_FALSE(bar.ThumbRect().contains(track));
    QTest::mouseDClick(&bar, Qt::LeftButton, {}, track);
    Release(track);
    EXPECT_EQ(std::count_if(reports.begin(), reports.end(),
                            [](const Report& r) { return r.code == CMyScrollBar::SB_PAGEDOWN; }),
              1);
    EXPECT_FALSE(bar.isThumbGrabbed());

    reports.clear();
    const QPoint arrow(390, 10);
    Press(arrow);
    Release(arrow);
    m_timers.advance(150); // the first press's delay finds no arrow held
    QTest::mouseDClick(&bar, Qt::LeftButton, {}, arrow);
    EXPECT_FALSE(bar.isTimerArmed(CMyScrollBar::kTimerRepeatDelay)) << "no hold starts";
    Release(arrow);
    EXPECT_EQ(reports, (std::vector<Report>{{CMyScrollBar::SB_LINEDOWN, 0},
                                            {CMyScrollBar::SB_THUMBPOSITION, 1},
                                            {CMyScrollBar::SB_LINEDOWN, 0},
                                            {CMyScrollBar::SB_THUMBPOSITION, 2}}));
}
