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

constexpr QPoint kLamp(42, 13); // the status lamp of a unit picture

QRgb LampOf(const char* picture)
{
    return SkinRegistry::instance().pixmap(QString::fromLatin1(picture)).toImage().pixel(kLamp);
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
}

TEST_F(UnitStatusStrip, EachUnitShowsItsSlotsStatusFromItsBank)
{
    // Unit 16 ends the low bank, unit 17 starts the high one.
    EXPECT_EQ(Strip::PictureForStatus(16, UNIT_ACTIVE, 0), QStringLiteral("231"));
    EXPECT_EQ(Strip::PictureForStatus(17, UNIT_ACTIVE, 0), QStringLiteral("ACTIVE_UNIT_BOXED"));
    // A wrong unit id blinks between conflicted and active.
    EXPECT_EQ(Strip::PictureForStatus(16, UNIT_WRONG_UNIT_ID, 1), QStringLiteral("237"));
    EXPECT_EQ(Strip::PictureForStatus(16, UNIT_WRONG_UNIT_ID, 0), QStringLiteral("231"));

    // A unit reads its own slot (unit 3 is slot 5); a code without a picture shows inactive.
    SetSlot(5, UNIT_OFFLINE);
    EXPECT_EQ(Strip::PictureForUnit(3), QStringLiteral("233"));
    for (int status : {UNIT_STATUS_NONE, UNIT_LOCAL_MODE}) {
        SetSlot(5, status);
        EXPECT_EQ(Strip::PictureForUnit(3), QStringLiteral("229")) << status;
    }
}

TEST_F(UnitStatusStrip, PaintedBoxesCarryTheirPicturesNumbersAndBlanks)
{
    SetSlot(1, UNIT_ACTIVE);   // unit 1
    SetSlot(35, UNIT_OFFLINE); // unit 19

    QImage painted = Painted();
    EXPECT_EQ(painted.pixel(QPoint(1, 1) + kLamp), LampOf("231"));
    // The number is printed in dark grey on the plate at (6, 6).
    bool numberInk = false;
    for (int y = 6; y < 20; ++y)
        for (int x = 6; x < 14; ++x)
            numberInk |= QColor(painted.pixel(QPoint(1 + x, 1 + y))).lightness() < 110;
    EXPECT_TRUE(numberInk);

    // Scrolled to the bottom: unit 19 heads the strip, boxes 33.. are white.
    m_strip->SetScrollPos(3);
    painted = Painted();
    EXPECT_EQ(painted.pixel(QPoint(1, 1) + kLamp), LampOf("OFFLINE_UNIT_BOXED"));
    for (int column = 2; column < 6; ++column)
        EXPECT_EQ(painted.pixel(column * 120 + 56, 84), qRgb(255, 255, 255)) << column;
    EXPECT_NE(painted.pixel(56, 84), qRgb(255, 255, 255));
}

TEST_F(UnitStatusStrip, LocalModeAndSupplyFaultBoxesFollowTheBlink)
{
    const QRgb lit = LampOf("ACTIVE_UNIT_BOXED");
    const QRgb dark = LampOf("INACTIVE_UNIT_BOXED");
    const QRgb fault = LampOf("AUXILLIARY_POWER_SUPPLY_UNIT_BOXED");
    ASSERT_NE(lit, dark);
    ASSERT_NE(fault, dark);

    // A KR-9X (unit 17, slot 33) in local mode.
    const BlinkDisplay local{UNIT_NOW_OFFLINE, UNIT_INACTIVE, UNIT_ACTIVE};
    int started = 0;
    std::uint32_t blinkTime = 0, heard = 0;
    const QPoint at = m_strip->BoxRect(17).topLeft() + kLamp;
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
        {Strip::ScrollLineDown, 0, 1},   {Strip::ScrollPageDown, 0, 3}, {Strip::ScrollLineDown, 0, 3},
        {Strip::ScrollLineUp, 0, 2},     {Strip::ScrollPageUp, 0, 0},   {Strip::ScrollLineUp, 0, 0},
        {Strip::ScrollThumbPosition, 2, 2}, {Strip::ScrollThumbTrack, 0, 2},
        {Strip::ScrollThumbPosition, 9, 3}, {Strip::ScrollTop, 0, 0},  {Strip::ScrollBottom, 0, 3},
        {Strip::ScrollThumbPosition, -4, 0},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(m_strip->OnVScroll(s.code, s.position), s.expected) << s.code << "," << s.position;
        EXPECT_EQ(g_nUnitStatusScrollPos, s.expected);
    }
    m_strip->SetScrollPos(2);
    EXPECT_EQ(m_strip->scrollOffset(), 2 * 35); // whole rows of picture height + 8
}

TEST_F(UnitStatusStrip, HitTestsFindTheBoxUnderThePointAtEachScrollPosition)
{
    g_nSelectedUnitNumber = 0;
    EXPECT_EQ(m_strip->HitTestBox({1, 1}), 1);
    EXPECT_EQ(g_nSelectedUnitNumber, 1);
    EXPECT_EQ(m_strip->HitTestBox({115, 35}), 1) << "the margin under and beside the picture belongs to the box";
    EXPECT_EQ(m_strip->HitTestBox({118, 10}), 0) << "between two columns";
    EXPECT_EQ(m_strip->HitTestBox({0, 10}), 0);
    EXPECT_EQ(g_nSelectedUnitNumber, 1) << "a miss selects nothing";
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
    // An unknown model names no type; a status without a name reads "PERFECT".
    g_SlotModel[9] = 7;
    SetSlot(9, UNIT_AUX_POWER_ON);
    EXPECT_EQ(Strip::TooltipText(5), QStringLiteral("Unit 5 : Type :  Status PERFECT "));

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

    m_strip->SetScrollPos(3);
    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {118, 10});
    QTest::mouseClick(m_strip, Qt::LeftButton, {}, {250, 80}); // box 33
    EXPECT_EQ(scroll.count(), 0);
    EXPECT_EQ(g_SelectedUnitSlot, 3);
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
