#include "controls/strip_switch.h"
#include "protocol/unit_network.h"
#include "region_paint.h"
#include "support/view_fixtures.h"
#include "views/strip_labels.h"

namespace {
class StripView : public console_test::StripViewFixture {};
} // namespace

TEST_F(StripView, RemoteUnitsLackFourSwitchesAndHeadersNameTheSlots)
{
    for (auto table : {&CUnderviewWnd::m_pSplitButton, &CUnderviewWnd::m_pSafeButton,
                       &CUnderviewWnd::m_pRbinButton, &CUnderviewWnd::m_pSqrtButton}) {
        EXPECT_FALSE((m_view->*table)[255]->isHidden());
        EXPECT_TRUE((m_view->*table)[256]->isHidden());
        EXPECT_TRUE((m_view->*table)[383]->isHidden());
    }
    EXPECT_EQ(StripUnitHeader(4 * 8).text(), QStringLiteral("UNIT 5 - A"));
    EXPECT_EQ(StripUnitHeader(5 * 8).text(), QStringLiteral("UNIT 6 - B"));
    EXPECT_EQ(StripUnitHeader(40 * 8).text(), QStringLiteral("UNIT 41"));
    // Every slot's block, the last one too, is one slot wide and the view's height.
    for (const int s : {0, 47})
        EXPECT_EQ(g_rcUnitBlock[s], QRect(0, 0, 656, 534)) << s;
}

TEST_F(StripView, GainReadOutFollowsModelAndPad)
{
    g_ChannelUnitType[300] = UNIT_TYPE_KR9X;
    m_view->SetGainText(300, 20);
    EXPECT_EQ(g_ChannelGainShortText[300], QStringLiteral("+20 "));
    m_view->m_pPadButton[300]->m_nState = CNewCustomBtn::kOn;
    m_view->SetGainText(300, 20);
    EXPECT_EQ(g_ChannelGainShortText[300], QStringLiteral("+6 "));

    g_ChannelUnitType[7] = UNIT_TYPE_KR960;
    m_view->SetGainText(7, 20);
    EXPECT_EQ(g_ChannelGainShortText[7], QStringLiteral("+15 "));
    m_view->m_pPadButton[7]->m_nState = CNewCustomBtn::kOn;
    m_view->SetGainText(7, 20);
    EXPECT_EQ(g_ChannelGainShortText[7], QStringLiteral("-5 "));
}

TEST_F(StripView, LinkLabelsTakeTheirGroupColourOrTeal)
{
    const QColor teal(81, 165, 187);
    g_LinkGroupColor = kLinkGroupColors;
    EXPECT_EQ(LinkLabelColour(5), teal);
    g_ChannelLinkLabel[5] = QStringLiteral("4");
    g_ChannelLinkIndex[5] = 3;
    EXPECT_EQ(LinkLabelColour(5), ToQColor(kLinkGroupColors[3]));
    for (int noSuchGroup : {12, -1}) {
        g_ChannelLinkIndex[5] = noSuchGroup;
        EXPECT_EQ(LinkLabelColour(5), teal) << noSuchGroup;
    }
}

TEST_F(StripView, MetersRepaintOnlyWhenTheyChangeOnScreen)
{
    m_view->DrawMeterDb(0, -20.0f);
    EXPECT_EQ(m_view->meterUpdates(), 1u);
    EXPECT_EQ(m_view->meterView(0).readoutValue, -20);
    m_view->DrawMeterDb(0, -20.0f); // the same picture
    EXPECT_EQ(m_view->meterUpdates(), 1u);

    // Off screen: kept, not repainted.
    m_view->DrawMeterDb(200, -6.0f);
    EXPECT_EQ(m_view->meterUpdates(), 1u);
    EXPECT_EQ(m_view->meterView(200).readoutValue, -6);

    // A level at 0 dB reads "Ovr"; the dBU scale shifts the read-out.
    m_view->DrawMeterDb(1, 0.0f);
    EXPECT_TRUE(m_view->meterView(1).over);
    EXPECT_EQ(m_view->meterView(1).unlitBottom, strip_meter::kBarTop);
    g_bMeterScaleDbu = 1;
    g_bMeterScaleDbfs = 0;
    m_view->DrawMeterDb(2, -30.0f);
    EXPECT_EQ(m_view->meterView(2).readoutValue, -8); // on the default 22 dBU scale
    g_nDbuMaxLevel = 15;

    // The held peak keeps its read-out for the hold time.
    m_view->DrawMeterDb(3, -10.0f);
    m_clock.advance(2999);
    m_view->DrawMeterDb(3, -40.0f);
    EXPECT_EQ(m_view->meterView(3).readoutValue, 5); // -10 dB on a 15 dBU scale
    m_clock.advance(1);
    m_view->DrawMeterDb(3, -40.0f);
    EXPECT_EQ(m_view->meterView(3).readoutValue, -25);
}

TEST_F(StripView, ScatteredMetersRepaintAsTheWholeViewPaintsThem)
{
    QRegion parts(QRect(0, 330, 1328, 3));
    for (const int ch : {0, 3, 9}) {
        m_view->DrawMeterDb(ch, -4.0f * float(ch) - 1.0f);
        parts += m_view->MeterRect(ch);
    }
    const RegionPaintDiff diff = CompareRegionPaint(*m_view, QRect(0, 0, 1328, 550), parts);
    EXPECT_EQ(diff.inside, 0);
    EXPECT_EQ(diff.outside, 0);
}

TEST_F(StripView, MeterTestNeverDividesByZero)
{
    g_MeterPeriodMs = 0;
    g_nPeakHoldMs = 1234; // none of the known hold times, and no count set yet
    m_view->DrawMeterStep(0, 167);
    m_view->DrawMeterStep(0, 20);
    EXPECT_GE(g_MeterHoldCalls[0], 1);
    g_nPeakHoldMs = 3000;
    g_MeterPeriodMs = 100;
    g_nMeterTestLevel = -12;
    m_view->DrawMeterStep(5, 167); // full scale: step 0 shows over with a scale chosen
    EXPECT_TRUE(m_view->meterView(5).over);
    EXPECT_EQ(g_MeterHoldCalls[5], 22);
}
