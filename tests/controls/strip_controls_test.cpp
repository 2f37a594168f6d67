#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include <vector>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/gain_conversion.h"
#include "app/project_state.h"
#include "controls/drawing_tools.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "protocol/unit_network.h"

namespace {

// Records the strip commands the switches raise (no main window here).
class Strip : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProjectState();
        m_parent.resize(400, 100);
        for (int ch = 0; ch < 4; ++ch)
            m_mute.push_back(CreateNewCustomBtn(&m_parent, 7000, ch, 247, 248, QRect(ch * 40, 0, 35, 24)));
        m_parent.show();
        g_UnitStatus[1] = UNIT_ACTIVE;
        g_UnitModel[1] = UNIT_TYPE_KR960;
    }

    QWidget m_parent;
    std::vector<CNewCustomBtn*> m_mute;
};

} // namespace

TEST(GainConversion, SteppedTablesOfBothFamilies)
{
    EXPECT_EQ(GainStepToDb(55), 14);
    EXPECT_EQ(GainStepToDb(56), 6) << "the bottom steps all read the lowest gain";
    EXPECT_EQ(GainStepToDb(63), 6);
    EXPECT_EQ(GainStepToDbKR9X(56), 13);
    EXPECT_EQ(GainStepToDbKR9X(61), 8);
    ResetProjectState();
    g_ChannelUnitType[300] = UNIT_TYPE_KR9X;
    EXPECT_EQ(GainStepToDbForChannel(300, 60), 9);
    EXPECT_EQ(GainStepToDbForChannel(3, 60), 6);
}

TEST(FaderMapping, EveryStepSurvivesAGrabWithoutMovementOnBothTravels)
{
    QWidget parent;
    for (const auto& [channel, height, thumb] : {std::tuple{0, 234, 54}, std::tuple{300, 234, 54},
                                                 std::tuple{5, 100, 30}, std::tuple{260, 100, 30}}) {
        CMySlider fader(&parent);
        fader.resize(32, height);
        fader.Setup(channel, QSize(31, thumb), 133, 132);
        for (int step = 0; step <= fader.GetMax(); ++step)
            ASSERT_EQ(fader.ValueForThumbTop(fader.ThumbTopForValue(step)), step)
                << "channel " << channel << " step " << step;
        // Above the top gives 0, below the bottom the largest step.
        EXPECT_EQ(fader.ClampValue(fader.ValueForThumbTop(-40)), 0);
        EXPECT_EQ(fader.ClampValue(fader.ValueForThumbTop(height + 40)), fader.GetMax());
    }
    CMySlider remote(&parent);
    remote.resize(16, 100);
    remote.Setup(256, QSize(14, 30), 134, 135);
    remote.SetPos(63);
    EXPECT_EQ(remote.GetPos(), 61);
    remote.SetPos(-5);
    EXPECT_EQ(remote.GetPos(), 0);
    EXPECT_EQ(remote.m_nThumbTop, 0);
}

TEST_F(Strip, ClickTogglesAndRaisesTheStripCommandOnce)
{
    // No main window: the command reaches nobody, but the globals tell what it carried.
    QTest::mouseClick(m_mute[2], Qt::LeftButton);
    EXPECT_EQ(m_mute[2]->m_nState, CNewCustomBtn::kOn);
    EXPECT_EQ(g_nCurrentChannel, 2);
    EXPECT_EQ(g_nStripCommandKind, STRIP_MUTE);
    EXPECT_EQ(g_nStripCommandState, 1);
    QTest::mouseClick(m_mute[2], Qt::LeftButton);
    EXPECT_EQ(g_nStripCommandState, 0);
    // A double click is a press, a release and a double-click event: the
    // press toggles, the double-click event must not toggle back.
    QTest::mouseClick(m_mute[2], Qt::LeftButton);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), m_mute[2]->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_mute[2], &dbl);
    EXPECT_EQ(m_mute[2]->m_nState, CNewCustomBtn::kOn);
}

TEST_F(Strip, BlockedSwitchesIgnoreClicks)
{
    const auto clickChanges = [](CNewCustomBtn* sw) {
        const int before = sw->m_nState;
        g_nStripCommandKind = 0;
        QTest::mouseClick(sw, Qt::LeftButton);
        return sw->m_nState != before || g_nStripCommandKind != 0;
    };
    m_mute[0]->m_nState = CNewCustomBtn::kDisabled;
    EXPECT_FALSE(clickChanges(m_mute[0]));
    for (int status : {UNIT_INACTIVE, UNIT_OFFLINE}) {
        g_UnitStatus[1] = status;
        EXPECT_FALSE(clickChanges(m_mute[1])) << status;
    }
    g_UnitStatus[1] = UNIT_ACTIVE;
    EXPECT_TRUE(clickChanges(m_mute[1]));

    // The second half of a pair that holds an 8-channel unit does not exist.
    g_UnitModel[1] = UNIT_TYPE_KR960_8;
    auto* eight = CreateNewCustomBtn(&m_parent, 7000, 8, 247, 248, QRect(200, 40, 35, 24));
    auto* twelve = CreateNewCustomBtn(&m_parent, 7000, 12, 247, 248, QRect(240, 40, 35, 24));
    eight->show();
    twelve->show();
    EXPECT_FALSE(clickChanges(eight));
    EXPECT_FALSE(clickChanges(twelve));

    // Remote channels consult their own slot: 264 is slot 34, not slot 33.
    g_UnitStatus[33] = UNIT_INACTIVE;
    g_UnitStatus[34] = UNIT_ACTIVE;
    auto* remote = CreateNewCustomBtn(&m_parent, 7000, 264, 247, 248, QRect(280, 40, 35, 24));
    remote->show();
    EXPECT_TRUE(clickChanges(remote));
    EXPECT_EQ(ControlUnitSlot(264), 34);
    EXPECT_EQ(ControlUnitSlot(15), 1);
}

TEST(HlsTransform, LightensDarkensAndKeepsGreysGrey)
{
    EXPECT_EQ(HLSTransform(MakeColorRef(255, 255, 255), -50, 0), MakeColorRef(127, 127, 127));
    const QColor lighter = ToQColor(HLSTransform(MakeColorRef(90, 90, 90), 20, -40));
    EXPECT_EQ(lighter.red(), lighter.green());
    EXPECT_EQ(lighter.red(), lighter.blue());
    EXPECT_GT(lighter.red(), 90);
    // Both percents 0: there and back, within rounding.
    const QColor back = ToQColor(HLSTransform(MakeColorRef(81, 165, 187), 0, 0));
    EXPECT_NEAR(back.red(), 81, 3);
    EXPECT_NEAR(back.green(), 165, 3);
    EXPECT_NEAR(back.blue(), 187, 3);
    // Darkening halves the lightness of a pure colour.
    const PackedHls red = RgbToHls(HLSTransform(MakeColorRef(255, 0, 0), -50, 0));
    EXPECT_EQ((red >> 8) & 0xFF, 63u);
}

TEST(SelectBoldFont, SelectsOnlyAWeightTheFontLacksAndPutsBackOnlyWhatItSelected)
{
    QPixmap canvas(8, 8);
    QPainter painter(&canvas);
    QFont regular(QStringLiteral("Liberation Sans"));
    regular.setPixelSize(13);
    painter.setFont(regular);
    {
        CSelectBoldFont bold(painter, true);
        EXPECT_TRUE(bold.selected());
        EXPECT_EQ(painter.font().weight(), QFont::Bold);
        {
            CSelectBoldFont again(painter, true);
            EXPECT_FALSE(again.selected());
            painter.setFont(regular); // set inside the scope: not this object's to undo
        }
        EXPECT_EQ(painter.font().weight(), QFont::Normal);
        painter.setFont(QFont(regular.family(), 9, QFont::Bold));
        {
            CSelectBoldFont plain(painter, false);
            EXPECT_TRUE(plain.selected());
            EXPECT_EQ(painter.font().weight(), QFont::Normal);
        }
        EXPECT_EQ(painter.font().weight(), QFont::Bold);
    }
    EXPECT_EQ(painter.font(), regular);

    // Anything but bold already counts as not bold.
    QFont light = regular;
    light.setWeight(QFont::Light);
    painter.setFont(light);
    CSelectBoldFont plain(painter, false);
    EXPECT_FALSE(plain.selected());
    EXPECT_EQ(painter.font().weight(), QFont::Light);
}

// A buffer anywhere on the target is drawn at its own coordinates and copies
// back only its rectangle; an empty rectangle buffers the clip box.
TEST(BufferDC, CopiesOnlyItsRectangleAtItsOwnPlace)
{
    QImage target(40, 30, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        CBufferDC buffer(painter, QRect(10, 5, 20, 10));
        buffer.painter().fillRect(QRect(0, 0, 40, 30), Qt::red); // spills past the rectangle
    }
    EXPECT_EQ(target.pixel(10, 5), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(29, 14), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(9, 5), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(30, 14), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(10, 15), qRgb(255, 255, 255));

    QPainter painter(&target);
    painter.setClipRect(QRect(0, 20, 5, 5));
    CBufferDC clipped(painter, QRect());
    EXPECT_EQ(clipped.rect(), QRect(0, 20, 5, 5));
}

TEST(SelectPenAndBrush, SelectForTheirScopeAndPutTheOldOnesBack)
{
    QPixmap canvas(8, 8);
    QPainter painter(&canvas);
    const QPen oldPen(QColor(1, 2, 3), 4);
    painter.setPen(oldPen);
    painter.setBrush(QColor(9, 9, 9));
    {
        CSelectPen pen(painter, MakeColorRef(10, 20, 30));
        CSelectBrush brush(painter, CSelectBrush::kNullBrushColour);
        EXPECT_EQ(painter.pen().color(), QColor(10, 20, 30));
        EXPECT_EQ(painter.pen().width(), 1);
        EXPECT_EQ(painter.brush().style(), Qt::NoBrush);
        CSelectBrush solid(painter, MakeColorRef(40, 50, 60));
        EXPECT_EQ(painter.brush().color(), QColor(40, 50, 60));
    }
    EXPECT_EQ(painter.pen(), oldPen);
    EXPECT_EQ(painter.brush().color(), QColor(9, 9, 9));
}
