#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "app/command_ids.h"
#include "controls/strip_switch.h"
#include "protocol/unit_network.h"
#include "region_paint.h"
#include "support/view_fixtures.h"

namespace {

using overview_meter::Picture;

// Records what the overview sends to the main window.
class RecordingOverview : public COverviewWnd {
public:
    using COverviewWnd::COverviewWnd;
    std::vector<int> commands;

protected:
    void SendToMainWindow(int id) override { commands.push_back(id); }
};

QImage Render(const Picture& pic)
{
    QImage image(overview_meter::kWidth, overview_meter::kHeight, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    overview_meter::Paint(p, pic);
    return image;
}

QRgb Rgb(ColorRef c)
{
    return ToQColor(c).rgb();
}

class Overview : public console_test::OverviewFixture<RecordingOverview> {
protected:
    void SetUp() override
    {
        OverviewFixture::SetUp();
        g_MeterStepCount.fill(0);
        g_MeterPeakTime.fill(0);
    }
};

} // namespace

TEST_F(Overview, RemoteSlotsLackFourSwitches)
{
    for (auto table : {&COverviewWnd::m_pSplitButton, &COverviewWnd::m_pSafeButton,
                       &COverviewWnd::m_pRbinButton, &COverviewWnd::m_pSqrtButton}) {
        EXPECT_FALSE((m_view->*table)[255]->isHidden());
        EXPECT_TRUE((m_view->*table)[256]->isHidden());
        EXPECT_TRUE((m_view->*table)[383]->isHidden());
    }
    EXPECT_FALSE(m_view->m_pMuteButton[383]->isHidden());
}

TEST_F(Overview, TextsFollowTheTablesModelsAndSwitches)
{
    for (int s = 0; s < kSlotCount; ++s)
        g_UnitName[s] = QStringLiteral("UNIT %1").arg(s + 1);
    EXPECT_EQ(OverviewUnitHeader(0).text(), QStringLiteral("UNIT 1 - A"));
    EXPECT_EQ(OverviewUnitHeader(1).text(), QStringLiteral("UNIT 2 - B"));
    // A pair holding an 8-channel unit: its name alone over A, nothing over B.
    g_SlotModel[3] = UNIT_TYPE_KR960_8;
    EXPECT_EQ(OverviewUnitHeader(2).text(), QStringLiteral("UNIT 3"));
    EXPECT_EQ(OverviewUnitHeader(3).text(), QString());
    // An 8-channel model recorded in the B slot itself changes nothing.
    g_SlotModel[6] = UNIT_TYPE_KR960_8;
    EXPECT_EQ(OverviewUnitHeader(5).text(), QStringLiteral("UNIT 6 - B"));
    // The remote slots, from slot 33 on, show their plain names; there is no slot 49.
    EXPECT_EQ(OverviewUnitHeader(32).text(), QStringLiteral("UNIT 33"));
    EXPECT_EQ(OverviewUnitHeader(48).text(), QString());

    // Gain read-outs by model and the overview's own Pad switch.
    g_ChannelUnitType[7] = UNIT_TYPE_KR960;
    m_view->SetGainText(7, 35);
    EXPECT_EQ(g_ChannelGainText[7], QStringLiteral("+30 dB"));
    m_view->m_pPadButton[7]->m_nState = CNewCustomBtn::kOn;
    m_view->SetGainText(7, 35);
    EXPECT_EQ(g_ChannelGainText[7], QStringLiteral("+10 dB"));

    g_ChannelUnitType[300] = UNIT_TYPE_KR9X;
    m_view->m_pPadButton[300]->m_nState = CNewCustomBtn::kOn;
    m_view->SetGainText(300, 35);
    EXPECT_EQ(g_ChannelGainText[300], QStringLiteral("+21 dB"));
    m_view->SetGainText(384, 10); // ignored

    // Link labels show their group only while Link is on.
    const QColor teal(81, 165, 187);
    g_LinkGroupColor = kLinkGroupColors;
    EXPECT_EQ(OverviewLinkLabelText(9), QStringLiteral("-"));
    EXPECT_EQ(OverviewLinkLabelColour(9), teal);

    g_ChannelLinkLabel[9] = QStringLiteral("3");
    g_ChannelLinkIndex[9] = 2;
    EXPECT_EQ(OverviewLinkLabelText(9), QStringLiteral("-")); // Link is off
    EXPECT_EQ(OverviewLinkLabelColour(9), teal);
    g_ChannelLinkOn[9] = 1;
    EXPECT_EQ(OverviewLinkLabelText(9), QStringLiteral("3"));
    EXPECT_EQ(OverviewLinkLabelColour(9), ToQColor(kLinkGroupColors[2]));
}

TEST(OverviewMeter, BarsShadeFromTheLevelsColourDownTowardsGreen)
{
    BuildMeterGradient();
    // 0 dB: 85 px from the red end at the top down to green.
    const float share = overview_meter::ShareForLevel(0.0f);
    Picture pic;
    pic.lit = true;
    pic.barTop = overview_meter::kBase - overview_meter::BarLength(share);
    pic.colourIndex = overview_meter::ColourIndex(share);
    pic.wellBottom = overview_meter::WellBottom(overview_meter::BarLength(share));
    EXPECT_EQ(pic.barTop, 10);
    EXPECT_EQ(overview_meter::BandIndex(pic, 10), 4095);
    EXPECT_EQ(overview_meter::BandIndex(pic, 100), 269);

    // The picture: double black frame around the bar, bands inside it.
    const QImage image = Render(pic);
    for (const QPoint& frame : {QPoint(0, 50), QPoint(1, 50), QPoint(3, 10), QPoint(3, 11), QPoint(3, 100)})
        EXPECT_EQ(image.pixel(frame), qRgb(0, 0, 0)) << frame.x() << "," << frame.y();
    EXPECT_EQ(image.pixel(5, 98), Rgb(g_MeterGradient[overview_meter::BandIndex(pic, 98)]));

    // The lowest band is lighter green with the lowest red-zone setting.
    pic.redZoneThreshold = 4;
    EXPECT_GT(overview_meter::BandIndex(pic, 100), 269);
    EXPECT_TRUE(Render(Picture{}).pixel(3, 50) == QColor(Qt::magenta).rgb()) << "an unlit meter paints nothing";

    // -127.5 dB, the quietest level of the 132-byte models: a 1-px bar.
    EXPECT_EQ(overview_meter::BarLength(overview_meter::ShareForLevel(-127.5f)), 1);
    pic.barTop = 90;
    pic.colourIndex = 200;
    pic.wellBottom = overview_meter::WellBottom(5);
    EXPECT_EQ(Render(pic).pixel(3, 40), Rgb(kMeterUnlitColour));

    // Far above 0 dB (KR-9X) and nonsense levels: at most the whole picture, in red.
    for (float level : {6.0f, 1e30f, std::numeric_limits<float>::infinity()}) {
        const float share = overview_meter::ShareForLevel(level);
        EXPECT_EQ(overview_meter::BarLength(share), 95) << level;
        Picture over;
        over.lit = true;
        over.barTop = 0;
        over.colourIndex = overview_meter::ColourIndex(share);
        EXPECT_EQ(Render(over).pixel(3, 2), Rgb(g_MeterGradient[4095])) << level;
    }
    EXPECT_EQ(overview_meter::BarLength(overview_meter::ShareForLevel(std::nanf(""))), 0);
    EXPECT_LT(overview_meter::MarkerRowForPeak(1000), 0); // out of sight, no overflow
}

TEST_F(Overview, PeakMarkerTakesTheLevelsColourAndHoldsByTheClock)
{
    g_bMeterPeakOverVu = 1;
    g_nPeakHoldMs = 3000;
    m_view->DrawMeterDb(0, -10.7f);
    EXPECT_EQ(m_view->m_nMeterPeak[0], -10); // whole dB, truncated
    const int high = overview_meter::MarkerRowForPeak(-10);
    EXPECT_EQ(m_view->meterPicture(0).markerY, high);

    m_clock.advance(2999);
    m_view->DrawMeterDb(0, -40.0f);
    const Picture& pic = m_view->meterPicture(0);
    EXPECT_EQ(pic.markerY, high);
    // The marker is drawn above the bar in the colour of the current level.
    EXPECT_EQ(Render(pic).pixel(3, high), Rgb(MeterColourForLevel(pic.colourIndex)));

    m_clock.advance(1);
    m_view->DrawMeterDb(0, -40.0f);
    EXPECT_EQ(m_view->m_nMeterPeak[0], -40);
    EXPECT_EQ(m_view->meterPicture(0).markerY, overview_meter::MarkerRowForPeak(-40));

    // The view follows the hold preference: off follows every level.
    g_nPeakHoldMs = 0;
    m_view->DrawMeterDb(2, -5.0f);
    m_view->DrawMeterDb(2, -30.0f);
    EXPECT_EQ(m_view->m_nMeterPeak[2], -30);

    // Without the peak-over-VU display there is no marker; NaN levels are dropped.
    g_bMeterPeakOverVu = 0;
    m_view->DrawMeterDb(3, -5.0f);
    EXPECT_EQ(m_view->meterPicture(3).markerY, overview_meter::kNoMarker);
    m_view->DrawMeterDb(3, std::nanf(""));
    EXPECT_EQ(m_view->m_nMeterPeak[3], -5);
}

TEST_F(Overview, MeterTestStepsAndTheirPeakHold)
{
    g_bMeterPeakOverVu = 1;
    m_view->DrawMeterStep(0, 20, 0);
    EXPECT_EQ(m_view->meterPicture(0).barTop, 95); // no bar
    m_view->DrawMeterStep(1, 0, 4095);
    EXPECT_EQ(m_view->meterPicture(1).barTop, 10); // 85 px

    // 500 ms reports: the peak is held for 4 calls (the first call counts).
    g_MeterPeriodMs = 500;
    const int ch = 2;
    const int steps[] = {0, 10, 10, 10, 10, 10};
    std::vector<int> markers;
    for (int step : steps) {
        m_view->DrawMeterStep(ch, step, int((20 - step) * 204.75));
        markers.push_back(m_view->meterPicture(ch).markerY);
    }
    EXPECT_EQ(g_MeterHoldCalls[ch], 4);
    EXPECT_EQ(markers, (std::vector<int>{10, 10, 10, 10, 10, 53}));
    m_view->DrawMeterStep(ch, 0, 4095);
    m_view->DrawMeterStep(ch, 10, 2047);
    EXPECT_EQ(m_view->meterPicture(ch).markerY, 10); // held

    // Periods that would make the hold count 0, and steps outside 0..20.
    for (const auto& [period, calls] : {std::pair{3000, 1}, std::pair{0, 2250}}) {
        g_MeterPeriodMs = period;
        m_view->DrawMeterStep(3, 5, 3000);
        EXPECT_EQ(g_MeterHoldCalls[3], calls) << period;
    }
    m_view->DrawMeterStep(4, 44, -5);
    EXPECT_EQ(m_view->meterPicture(4).barTop, 95);
    EXPECT_EQ(m_view->meterPicture(4).colourIndex, 0);
}

// Levels from units keep the meter test's hold count as the test does: a
// channel's count is always the one of the current report period, never 0.
TEST_F(Overview, LevelsKeepTheHoldCountOfTheReportPeriod)
{
    g_MeterHoldCalls.fill(-1);
    for (const auto& [period, calls] :
         {std::pair{100, 22}, std::pair{1000, 2}, std::pair{50, 45}, std::pair{3000, 1}, std::pair{0, 2250}}) {
        g_MeterPeriodMs = period;
        m_view->DrawMeterDb(6, -20.0f);
        EXPECT_EQ(g_MeterHoldCalls[6], calls) << period;
    }
    EXPECT_EQ(g_MeterHoldCalls[7], -1) << "only the channel drawn";
}

TEST_F(Overview, MetersRepaintOnlyWhenTheyChangeOnScreen)
{
    m_view->DrawMeterDb(0, -20.0f);
    EXPECT_EQ(m_view->meterUpdates(), 1u);
    m_view->DrawMeterDb(0, -20.0f); // the same picture
    EXPECT_EQ(m_view->meterUpdates(), 1u);

    // Row 5 lies below the visible 504 px: kept, not repainted.
    const int row5 = 5 * 16;
    m_view->DrawMeterDb(row5, -6.0f);
    EXPECT_EQ(m_view->meterUpdates(), 1u);
    EXPECT_TRUE(m_view->meterPicture(row5).lit);

    // Scrolled down five rows: row 5 is seen, row 0 is not.
    m_view->move(0, -5 * 168);
    m_view->DrawMeterDb(row5, -3.0f);
    EXPECT_EQ(m_view->meterUpdates(), 2u);
    m_view->DrawMeterDb(0, -30.0f);
    EXPECT_EQ(m_view->meterUpdates(), 2u);
    // A meter cut by the viewport's bottom edge counts as seen.
    m_view->move(0, -(5 * 168 + 100));
    m_view->DrawMeterDb(row5 + 3 * 16, -8.0f); // row 8 at 1344..: its meter 1392..1493, view shows 940..1443
    EXPECT_EQ(m_view->meterUpdates(), 3u);

    // A changed preference changes the picture.
    m_view->move(0, 0);
    g_nRedZoneThreshold = 10;
    m_view->DrawMeterDb(0, -30.0f);
    EXPECT_EQ(m_view->meterUpdates(), 4u);
    // The hidden overview repaints nothing but keeps every picture.
    m_view->hide();
    m_view->DrawMeterDb(1, -1.0f);
    m_view->DrawMeterStep(2, 3, 500);
    EXPECT_EQ(m_view->meterUpdates(), 4u);
    EXPECT_TRUE(m_view->meterPicture(1).lit);
}

TEST_F(Overview, PaintedMetersReachTheScreen)
{
    m_view->DrawMeterDb(9, 0.0f);
    const QImage image = m_view->grab(QRect(0, 0, 1242, 168)).toImage();
    const QRect meter = m_view->MeterPictureRect(9);
    const Picture& pic = m_view->meterPicture(9);
    EXPECT_EQ(image.pixel(meter.left() + 3, meter.top() + 12),
              Rgb(g_MeterGradient[overview_meter::BandIndex(pic, 12)]));
    // A meter no level has reached shows its empty picture.
    const QRect idle = m_view->m_rcMeter[3];
    EXPECT_EQ(image.pixel(idle.left() + 3, idle.top() + 50), Rgb(kMeterUnlitColour));
}

TEST_F(Overview, ScatteredMetersRepaintAsTheWholeViewPaintsThem)
{
    QRegion meters;
    for (const int ch : {0, 5, 17, 30}) {
        m_view->DrawMeterDb(ch, -3.0f * float(ch));
        meters += m_view->MeterPictureRect(ch);
    }
    const RegionPaintDiff diff = CompareRegionPaint(*m_view, QRect(0, 0, 1242, 336), meters);
    EXPECT_EQ(diff.inside, 0);
    EXPECT_EQ(diff.outside, 0);
}

TEST_F(Overview, ClicksOnNamesMetersAndLinkLabels)
{
    // The unit naming opens at the slot without touching the active scene's index.
    g_nCurrentIndex = 0;
    const QRect name = m_view->m_rcUnitName[5];
    QTest::mouseClick(m_view, Qt::RightButton, {}, name.center());
    EXPECT_EQ(g_nCurrentIndex, 0);
    EXPECT_TRUE(m_view->commands.empty());

    QTest::mouseClick(m_view, Qt::RightButton, {}, m_view->m_rcMeter[200].center());
    EXPECT_EQ(m_view->commands, std::vector<int>{ID_METER_PREFERENCES});

    m_view->commands.clear();
    QTest::mouseClick(m_view, Qt::LeftButton, {}, m_view->m_rcMeter[200].center());
    QTest::mouseClick(m_view, Qt::RightButton, {}, m_view->m_rcLinkLabel[17].center());
    QTest::mouseClick(m_view, Qt::LeftButton, {}, QPoint(610, 100)); // the slot's edge
    EXPECT_TRUE(m_view->commands.empty());

    g_nStripCommandState = 1;
    QTest::mouseClick(m_view, Qt::LeftButton, {}, m_view->m_rcLinkLabel[17].topLeft());
    EXPECT_EQ(m_view->commands, std::vector<int>{ID_STRIP_COMMAND});
    EXPECT_EQ(g_nCurrentChannel, 17);
    EXPECT_EQ(g_nStripCommandKind, STRIP_LINK_MENU);
    EXPECT_EQ(g_nStripCommandState, 1);
}
