// The unit status strip: the picture each status shows in each blink phase,
// where the boxes are at each scroll position, what a click, a double-click
// and the tooltip report, and the pixels a painted box carries.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/fonts.h"
#include "app/project_state.h"
#include "dialogs/unit_status_pages.h"
#include "platform/skin_registry.h"
#include "protocol/unit_network.h"
#include "protocol/unit_status.h"
#include "protocol/unit_tables.h"
#include "views/unit_status_strip.h"

namespace {

using Strip = CUnitStatusWnd;

void SetSlot(int slot, int status, int phase = 0)
{
    g_UnitStatus[std::size_t(slot)] = status;
    g_BlinkPhase[std::size_t(slot)] = phase;
}

// The middle of the picture of box n as the strip draws it now.
QPoint PictureCentre(const Strip& strip, int n)
{
    return strip.BoxRect(n).topLeft() + QPoint(55, 13);
}

class UnitStatusStrip : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CreateStripViewFonts(); }

    void SetUp() override
    {
        ResetProjectState();
        ResetProtocolState();
        g_nUnitStatusScrollPos = 0;
        g_SelectedUnitSlot = 1;
        g_nSelectedUnitNumber = 1;
        m_window.resize(1300, 200);
        m_strip = new Strip;
        ASSERT_TRUE(m_strip->Create(&m_window));
        m_window.show();
    }
    void TearDown() override { g_nUnitStatusScrollPos = 0; }

    // The strip as painted, at a device-pixel ratio of 1.
    QImage Painted() { return m_strip->grab().toImage(); }

    QWidget m_window;
    Strip* m_strip = nullptr;
};

} // namespace

TEST_F(UnitStatusStrip, CreationMarksEverySlotInactive)
{
    for (int slot = 1; slot <= kSlotCount; ++slot)
        g_UnitStatus[std::size_t(slot)] = UNIT_ACTIVE;
    Strip other;
    ASSERT_TRUE(other.Create(&m_window));
    for (int slot = 1; slot <= kSlotCount; ++slot)
        ASSERT_EQ(g_UnitStatus[std::size_t(slot)], UNIT_INACTIVE) << slot;
    EXPECT_EQ(g_hUnitStatusWnd, &other);
}

TEST_F(UnitStatusStrip, EachStatusPicksItsPictureInEachBank)
{
    struct Case {
        int status;
        int phase;
        const char* low;  // units 1..16
        const char* high; // units 17..32
    };
    const Case cases[] = {
        {UNIT_ACTIVE, 1, "231", "ACTIVE_UNIT_BOXED"},
        {UNIT_NOW_OFFLINE, 1, "229", "INACTIVE_UNIT_BOXED"},
        {UNIT_NOW_OFFLINE, 0, "231", "ACTIVE_UNIT_BOXED"},
        {UNIT_WRONG_UNIT_ID, 1, "237", "CONFLICTED_UNIT_BOXED"},
        {UNIT_WRONG_UNIT_ID, 0, "231", "ACTIVE_UNIT_BOXED"},
        {UNIT_AUX_POWER_SUPPLY_FAILURE, 1, "234", "AUXILLIARY_POWER_SUPPLY_UNIT_BOXED"},
        {UNIT_BAD_IP_ADDRESS, 0, "BAD_IP_ADDRESS_UNIT_BOXED", "BAD_IP_ADDRESS_UNIT_BOXED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << " phase " << c.phase);
        EXPECT_EQ(Strip::PictureForStatus(16, c.status, c.phase), QLatin1String(c.low));
        EXPECT_EQ(Strip::PictureForStatus(17, c.status, c.phase), QLatin1String(c.high));
    }
    EXPECT_TRUE(Strip::PictureForStatus(1, UNIT_STATUS_NONE, 0).isEmpty());
    EXPECT_TRUE(Strip::PictureForStatus(1, UNIT_LOCAL_MODE, 0).isEmpty());

    // A unit reads its own slot: unit 3 is slot 5, unit 20 is slot 36.
    SetSlot(5, UNIT_OFFLINE);
    SetSlot(36, UNIT_NOW_OFFLINE, 1);
    EXPECT_EQ(Strip::PictureForUnit(3), QStringLiteral("233"));
    EXPECT_EQ(Strip::PictureForUnit(20), QStringLiteral("INACTIVE_UNIT_BOXED"));
    SetSlot(5, UNIT_STATUS_NONE);
    EXPECT_EQ(Strip::PictureForUnit(3), QStringLiteral("229")) << "a code without a picture shows inactive";
}

TEST_F(UnitStatusStrip, PaintedBoxesCarryTheirPicturesNumbersAndBlanks)
{
    const SkinRegistry& skin = SkinRegistry::instance();
    const QImage active = skin.pixmap(QStringLiteral("231")).toImage();
    const QImage offline = skin.pixmap(QStringLiteral("OFFLINE_UNIT_BOXED")).toImage();
    SetSlot(1, UNIT_ACTIVE);   // unit 1
    SetSlot(35, UNIT_OFFLINE); // unit 19
    const QPoint lamp(42, 13); // the status lamp of a picture

    QImage painted = Painted();
    EXPECT_EQ(painted.pixel(m_strip->BoxRect(1).topLeft() + lamp), active.pixel(lamp));
    // The number is printed in dark grey on the plate at (6, 6).
    bool numberInk = false;
    for (int y = 6; y < 20; ++y)
        for (int x = 6; x < 14; ++x)
            numberInk |= QColor(painted.pixel(m_strip->BoxRect(1).topLeft() + QPoint(x, y))).lightness() < 110;
    EXPECT_TRUE(numberInk);

    // Scrolled to the bottom, unit 19 heads the strip and boxes 33..36 are white.
    m_strip->SetScrollPos(3);
    painted = Painted();
    EXPECT_EQ(m_strip->BoxRect(19).topLeft(), QPoint(1, 1));
    EXPECT_EQ(painted.pixel(QPoint(1, 1) + lamp), offline.pixel(lamp));
    for (int n = 33; n <= 36; ++n) {
        const QPoint centre = PictureCentre(*m_strip, n);
        ASSERT_EQ(centre.y(), 2 * 35 + 1 + 13);
        EXPECT_EQ(painted.pixel(centre), qRgb(255, 255, 255)) << n;
    }
    EXPECT_NE(painted.pixel(PictureCentre(*m_strip, 31)), qRgb(255, 255, 255));
}

TEST_F(UnitStatusStrip, LocalModeAndSupplyFaultBoxesFollowTheBlink)
{
    const SkinRegistry& skin = SkinRegistry::instance();
    const QPoint lamp(42, 13);
    const QRgb lit = skin.pixmap(QStringLiteral("ACTIVE_UNIT_BOXED")).toImage().pixel(lamp);
    const QRgb dark = skin.pixmap(QStringLiteral("INACTIVE_UNIT_BOXED")).toImage().pixel(lamp);
    const QRgb fault = skin.pixmap(QStringLiteral("AUXILLIARY_POWER_SUPPLY_UNIT_BOXED")).toImage().pixel(lamp);
    ASSERT_NE(lit, dark);
    ASSERT_NE(fault, dark);

    // A KR-9X (unit 17, slot 33) in local mode: the blink flips the phase and
    // stores 1 or 2 in passing, then the packets keep it at 5.
    const BlinkDisplay local{UNIT_NOW_OFFLINE, UNIT_INACTIVE, UNIT_ACTIVE};
    int started = 0;
    std::uint32_t blinkTime = 0, heard = 0;
    const QPoint at = m_strip->BoxRect(17).topLeft() + lamp;
    AdvanceBlink(33, local, started, blinkTime, heard, 1000);
    EXPECT_EQ(Painted().pixel(at), lit);
    AdvanceBlink(33, local, started, blinkTime, heard, 1600); // phase 0 -> 1
    AdvanceBlink(33, local, started, blinkTime, heard, 1700);
    ASSERT_EQ(g_UnitStatus[33], UNIT_NOW_OFFLINE);
    EXPECT_EQ(Painted().pixel(at), dark);
    AdvanceBlink(33, local, started, blinkTime, heard, 2200); // phase 1 -> 0
    AdvanceBlink(33, local, started, blinkTime, heard, 2300);
    EXPECT_EQ(Painted().pixel(at), lit);

    // The supply-fault blink alternates inactive and the supply picture.
    const BlinkDisplay supply{UNIT_BAD_TEMP_OR_POWER_SUPPLY, UNIT_INACTIVE, UNIT_BAD_TEMP_OR_POWER_SUPPLY};
    started = 0;
    g_BlinkPhase[33] = 0;
    AdvanceBlink(33, supply, started, blinkTime, heard, 5000);
    EXPECT_EQ(Painted().pixel(at), fault);
    AdvanceBlink(33, supply, started, blinkTime, heard, 5600);
    EXPECT_EQ(g_UnitStatus[33], UNIT_INACTIVE);
    EXPECT_EQ(Painted().pixel(at), dark);
}

TEST_F(UnitStatusStrip, ScrollingMovesWholeRowsWithinZeroToThree)
{
    struct Step {
        int code;
        int position;
        int expected;
    };
    const Step steps[] = {
        {Strip::ScrollLineDown, 0, 1}, {Strip::ScrollLineDown, 0, 2}, {Strip::ScrollPageDown, 0, 3},
        {Strip::ScrollLineDown, 0, 3}, {Strip::ScrollLineUp, 0, 2},   {Strip::ScrollPageUp, 0, 0},
        {Strip::ScrollLineUp, 0, 0},   {Strip::ScrollThumbPosition, 2, 2},
        {Strip::ScrollThumbTrack, 0, 2}, {Strip::ScrollEndScroll, 0, 2},
        {Strip::ScrollThumbPosition, 9, 3}, {Strip::ScrollTop, 0, 0}, {Strip::ScrollBottom, 0, 3},
        {Strip::ScrollThumbPosition, -4, 0},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(m_strip->OnVScroll(s.code, s.position), s.expected) << s.code << "," << s.position;
        EXPECT_EQ(g_nUnitStatusScrollPos, s.expected);
        EXPECT_EQ(m_strip->scrollOffset(), 35 * s.expected);
    }
}

TEST_F(UnitStatusStrip, HitTestsFindTheBoxUnderThePointAtEachScrollPosition)
{
    g_nSelectedUnitNumber = 0;
    EXPECT_EQ(m_strip->HitTestBox({1, 1}), 1);
    EXPECT_EQ(g_nSelectedUnitNumber, 1);
    EXPECT_EQ(m_strip->HitTestBox({115, 35}), 1) << "the margin under and beside the picture belongs to the box";
    EXPECT_EQ(m_strip->HitTestBox({118, 10}), 0) << "between two columns";
    EXPECT_EQ(g_nSelectedUnitNumber, 1);
    EXPECT_EQ(m_strip->HitTestBox({0, 10}), 0);
    EXPECT_EQ(m_strip->HitTestBox({121, 35}), 3) << "unit 2 is slot 3";
    EXPECT_EQ(m_strip->HitTestBox({601, 71}), 34) << "row 2, column 5 is unit 18";
    EXPECT_EQ(g_nSelectedUnitNumber, 18);

    m_strip->SetScrollPos(3);
    EXPECT_EQ(m_strip->HitTestBox({1, 1}), 35) << "unit 19 heads the scrolled strip";
    EXPECT_EQ(m_strip->HitTestBox({121, 71}), 48) << "unit 32";
    EXPECT_EQ(m_strip->HitTestBox({241, 71}), 0) << "box 33 is no unit";
    EXPECT_EQ(g_nSelectedUnitNumber, 32);
}

TEST_F(UnitStatusStrip, TooltipNamesTheModelAndStatus)
{
    g_SlotModel[33] = UNIT_TYPE_KR9X;
    SetSlot(33, UNIT_ACTIVE);
    EXPECT_EQ(Strip::TooltipText(17), QStringLiteral("Unit 17 : Type KR-9X:  Status UNIT_ACTIVE "));
    g_SlotModel[3] = UNIT_TYPE_KR960_8;
    SetSlot(3, UNIT_CONFLICT);
    EXPECT_EQ(Strip::TooltipText(2), QStringLiteral("Unit 2 : Type KR-960/8:  Status  UNIT_CONFLICT "));
    g_SlotModel[1] = UNIT_TYPE_KR960;
    SetSlot(1, UNIT_AUX_POWER_ON);
    EXPECT_EQ(Strip::TooltipText(1), QStringLiteral("Unit 1 : Type KR-960:  Status PERFECT "));
    EXPECT_EQ(Strip::TooltipText(5), QStringLiteral("Unit 5 : Type Unused:  Status UNIT_INACTIVE "));
    g_SlotModel[9] = 7;

    SetSlot(9, UNIT_AUX_POWER_SUPPLY_FAILURE);
    EXPECT_EQ(Strip::TooltipText(5), QStringLiteral("Unit 5 : Type :  Status UNIT_AUX_POWER_SUPPLY_FAILURE "));
    EXPECT_EQ(Strip::StatusName(UNIT_LOCAL_MODE), QStringLiteral("PERFECT"));

    // Moving over a box sets the window's tool text; a gap leaves it.
    QTest::mouseMove(m_strip, {10, 10});
    EXPECT_EQ(m_strip->toolTip(), Strip::TooltipText(1));
    QTest::mouseMove(m_strip, {118, 10});
    EXPECT_EQ(m_strip->toolTip(), Strip::TooltipText(1));
    QTest::mouseMove(m_strip, {250, 80});
    EXPECT_EQ(m_strip->toolTip(), Strip::TooltipText(15));
}

TEST_F(UnitStatusStrip, AClickSelectsTheUnitAndAsksForItsChannels)
{
    QSignalSpy scroll(m_strip, &Strip::scrollViewsToUnit);
    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {10, 10});
    ASSERT_EQ(scroll.count(), 1);
    EXPECT_EQ(g_SelectedUnitSlot, 1);
    EXPECT_EQ(scroll.takeFirst(), (QList<QVariant>{0, 0}));

    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {130, 10}); // unit 2, slot 3, k = 2
    EXPECT_EQ(g_SelectedUnitSlot, 3);
    EXPECT_EQ(scroll.takeFirst(), (QList<QVariant>{2 * 656, 1 * 84}));

    m_strip->SetScrollPos(2);
    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {10, 10}); // unit 13, slot 25
    EXPECT_EQ(g_SelectedUnitSlot, 25);
    EXPECT_EQ(scroll.takeFirst(), (QList<QVariant>{24 * 656, 23 * 84}));
    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {10, 45}); // unit 19, slot 35
    EXPECT_EQ(g_SelectedUnitSlot, 35);
    EXPECT_EQ(scroll.takeFirst(), (QList<QVariant>{34 * 656, 33 * 84}));

    // Outside every box: neither the selection nor the views change.
    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {118, 10});
    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {250, 110}); // box 33
    EXPECT_EQ(scroll.count(), 0);
    EXPECT_EQ(g_SelectedUnitSlot, 35);
}

TEST_F(UnitStatusStrip, ADoubleClickOpensTheUnitPagesOnTheBox)
{
    QSignalSpy scroll(m_strip, &Strip::scrollViewsToUnit);
    QString title;
    int opened = 0;
    const auto closeWhenOpen = [&] {
        auto* pages = qobject_cast<CUnitMessage_KR960x*>(QApplication::activeModalWidget());
        ASSERT_NE(pages, nullptr);
        ++opened;
        title = qobject_cast<QLabel*>(pages->GetDlgItem(CUnitMessage_KR960x::IDC_TITLE))->text();
        pages->reject();
    };
    QTimer::singleShot(0, closeWhenOpen);
    m_strip->OnLButtonDblClk({250, 45}); // unit 9, slot 17
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(g_SelectedUnitSlot, 17);
    EXPECT_EQ(g_nSelectedUnitNumber, 9);
    EXPECT_EQ(title, QStringLiteral("   STATUS OF UNIT 9"));
    EXPECT_EQ(scroll.count(), 1);

    // A double-click between boxes opens nothing.
    m_strip->OnLButtonDblClk({118, 45});
    EXPECT_EQ(opened, 1);
}
