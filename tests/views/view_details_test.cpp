#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <memory>
#include <utility>

#include "app/command_ids.h"
#include "support/console_fixture.h"
#include "support/view_fixtures.h"
#include "views/strip_labels.h"

namespace {

using namespace console_test;

// The cursor a view shows once the mouse has moved to a point of it.
Qt::CursorShape CursorAt(QWidget& view, const QPoint& at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view.mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    return view.cursor().shape();
}

struct Spot {
    const char* what;
    QPoint at;
    bool takesClicks;
};

// A long name no header box holds whole.
const QString kLongName = QStringLiteral("MAIN STAGE LEFT DRUM RISER RACK");

class StripViewDetails : public StripViewFixture {};
class OverviewDetails : public OverviewFixture<> {};

} // namespace

// Every label of the strips sends the strip command when clicked, so each
// shows the hand, as does the link label; the bare ground does not.
TEST_F(StripViewDetails, TheHandShowsOverEveryLabelAndTheLinkLabel)
{
    const int ch = 3; // a strip of the first slot
    const QRect meter = m_view->MeterRect(ch);
    const Spot spots[] = {
        {"unit header (naming)", QPoint(325, 18), true},
        {"left header piece", QPoint(30, 18), true},
        {"channel title (naming)", m_view->TitleRect(ch).center(), true},
        {"channel number", QPoint(ch * 82 + 44, 55), true},
        {"meter read-out (the meter label)", QPoint(meter.center().x(), meter.top() + 5), true},
        {"gain read-out", m_view->GainRect(ch).center(), true},
        {"meter (preferences)", meter.center(), true},
        {"meter scale", m_view->m_pScaleLabel[ch]->m_rect.center(), true},
        {"link label (link menu)", m_view->LinkLabelRect(ch).center(), true},
        {"ground right of the last slot", QPoint(31550, 300), false},
        {"unit header of the last slot", QPoint(47 * 656 + 325, 18), true},
        {"channel edge", QPoint(ch * 82 + 84, 300), true},
    };
    for (const Spot& spot : spots)
        EXPECT_EQ(CursorAt(*m_view, spot.at), spot.takesClicks ? Qt::PointingHandCursor : Qt::ArrowCursor)
            << spot.what;
}

TEST_F(OverviewDetails, TheHandShowsOverWhatTakesAClickAndOnlyThere)
{
    const int ch = 12; // in the B slot of the first row
    const int s = 1;
    const Spot spots[] = {
        {"unit name (naming)", m_view->m_rcUnitName[s].center(), true},
        {"left header piece", m_view->m_rcTopUnitLeft[0].center() - QPoint(60, 0), false},
        {"meter (preferences)", m_view->m_rcMeter[ch].center(), true},
        {"channel number", m_view->m_rcChannelNumber[ch].center(), false},
        {"link label (link menu)", m_view->m_rcLinkLabel[ch].center(), true},
        {"gain read-out", m_view->m_rcGainText[ch].center(), false},
    };
    for (const Spot& spot : spots)
        EXPECT_EQ(CursorAt(*m_view, spot.at), spot.takesClicks ? Qt::PointingHandCursor : Qt::ArrowCursor)
            << spot.what;
}

// A click on a meter's peak read-out goes to the meter's label: the strip
// command learns the meter and its channel, and the held peak stays. The
// view's own read-out handling behind the labels covers the number with the
// blank picture and zeroes only the meter test's number, until the next level.
TEST_F(StripViewDetails, AClickOnAMetersReadOutKeepsThePeak)
{
    const int ch = 3;
    m_view->DrawMeterDb(ch, -12.0f);
    m_view->DrawMeterDb(ch, -30.0f); // -12 dB is held
    g_TestPeakReadout[ch] = 7;
    const CUnderviewWnd::MeterView before = m_view->meterView(ch);
    const float held = m_view->m_fPeak[ch];
    ASSERT_TRUE(before.hasReadout);
    const QRect meter = m_view->MeterRect(ch);
    const QRect readout(meter.topLeft(), QSize(meter.width(), 14));
    const QImage shown = m_view->grab(readout).toImage();
    g_nStripCommandKind = -1;
    g_nCurrentChannel = -1;

    for (const QPoint at : {QPoint(meter.center().x(), meter.top() + 5), meter.topLeft() + QPoint(1, 13)}) {
        QTest::mouseClick(m_view, Qt::LeftButton, {}, at);
        EXPECT_EQ(g_nStripCommandKind, TEXT_METER);
        EXPECT_EQ(g_nCurrentChannel, ch);
        EXPECT_EQ(m_view->meterView(ch), before);
        EXPECT_EQ(m_view->m_fPeak[ch], held);
        EXPECT_EQ(g_TestPeakReadout[ch], 7);
    }

    m_view->OnLButtonDown(meter.topLeft() + QPoint(10, 6));
    EXPECT_EQ(g_TestPeakReadout[ch], 0);
    EXPECT_EQ(m_view->m_fPeak[ch], held);
    const QImage covered = m_view->grab(readout).toImage();
    const QImage blank = SkinRegistry::instance().pixmap(226).toImage();
    ASSERT_FALSE(blank.isNull());
    // The blank picture lies 1 px right and 2 px down of the box's corner.
    for (const QPoint at : {QPoint(0, 0), QPoint(19, 10)})
        EXPECT_EQ(covered.pixel(at + QPoint(1, 2)), blank.pixel(at)) << at.x() << "," << at.y();
    EXPECT_EQ(covered.pixel(0, 5), shown.pixel(0, 5)) << "left of the blank";
    m_view->DrawMeterDb(ch, -31.0f);
    EXPECT_EQ(m_view->grab(readout).toImage(), shown);
}

// A meter with no level to paint (no unit has reported there, or its unit
// went) shows its label: the recess, bitmap 256, stretched over the box. A
// level paints the live meter over it.
TEST_F(StripViewDetails, AMeterWithNoLevelShowsTheRecessOfItsLabel)
{
    const int ch = 3;
    const QRect box(m_view->MeterRect(ch).topLeft(), QSize(21, 227)); // the meter label
    const QImage recess =
        SkinRegistry::instance().pixmap(256, box.size(), 1.0).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(recess.isNull());
    const auto shown = [&] { return m_view->grab(box).toImage().convertToFormat(QImage::Format_RGB32); };
    EXPECT_TRUE(shown() == recess);
    m_view->DrawMeterDb(ch, -20.0f);
    EXPECT_FALSE(shown() == recess);
    m_view->ClearMeter(ch);
    EXPECT_TRUE(shown() == recess);
    m_view->DrawMeterStep(ch, 0); // the meter test's empty step still paints the meter
    EXPECT_FALSE(shown() == recess);
}

// The peak line lies where the held level lies, over the read-out rows when
// the level is a little above 0 dB; a held level whose line would lie above
// the picture (a KR-9X's +8 dB, at y = -25) draws none.
TEST_F(StripViewDetails, APeakLineLiesAtItsLevelOrIsNotDrawn)
{
    const QColor line = ToQColor(kPeakLineColour);
    m_view->DrawMeterDb(3, 2.0f);
    m_view->DrawMeterDb(4, 8.0f);
    const QImage a = m_view->grab(m_view->MeterRect(3)).toImage();
    const QImage b = m_view->grab(m_view->MeterRect(4)).toImage();
    EXPECT_EQ(a.pixelColor(10, 16), line);
    EXPECT_NE(a.pixelColor(10, 27), line);
    for (int y = 0; y < 40; ++y)
        EXPECT_NE(b.pixelColor(10, y), line) << y;
}

// The view's own right-click handling, behind the labels, names a channel
// from its title box and leaves the active scene's index alone on a header.
TEST_F(StripViewDetails, TheViewsOwnRightClickNamesTheChannelAndKeepsTheSceneIndex)
{
    g_nCurrentIndex = 2;
    g_nStripCommandKind = -1;
    m_view->OnRButtonDown(QPoint(5 * 656 + 300, 10)); // slot 5's unit header
    EXPECT_EQ(g_nCurrentIndex, 2);
    EXPECT_EQ(g_nStripCommandKind, -1);

    m_view->OnRButtonDown(m_view->TitleRect(42).center());
    EXPECT_EQ(g_nStripCommandKind, STRIP_CHANNEL_TITLE);
    EXPECT_EQ(g_nCurrentChannel, 42);
}

// A name too wide for its header is not shortened: it starts at the text
// box's left edge and is cut at its right edge, so the " - A" and " - B"
// after it fall outside and both halves of the unit show the same.
TEST_F(StripViewDetails, ATooWideUnitNameIsCutAtItsBoxNotShortened)
{
    g_UnitName[4] = kLongName;
    g_UnitName[5] = kLongName;
    const QRect header(230, 0, 190, 36);
    const QImage a = m_view->grab(header.translated(4 * 656, 0)).toImage();
    const QImage b = m_view->grab(header.translated(5 * 656, 0)).toImage();
    EXPECT_TRUE(a == b) << "a half mark shows, so the name was shortened";
}

// A header is drawn whole in the painter's font: centred in its box when it
// fits, else from the box's left edge and cut where the box ends, with no
// ellipsis and no half mark kept back.
TEST(UnitHeaderLayout, AHeaderFitsCentredOrStartsAtTheLeftAndIsCutByItsBox)
{
    CreateStripViewFonts();
    const QRect box(20, 0, 170, 30); // the strip view's header box less its margins
    const auto draw = [&box](const UnitHeader& header) {
        QImage image(box.width() + 40, box.height(), QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter p(&image);
        p.setFont(g_hFontUnitHeader);
        p.setPen(Qt::white);
        DrawUnitHeader(p, box, header);
        return image;
    };
    // The first and last columns holding any of the text.
    const auto inked = [](const QImage& image) {
        int first = image.width();
        int last = -1;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (qGray(image.pixel(x, y)) > 0) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::pair{first, last};
    };

    const auto [left, right] = inked(draw({QStringLiteral("UNIT 5"), QStringLiteral(" - A")}));
    ASSERT_LT(left, right);
    EXPECT_NEAR(left - box.left(), box.right() - right, 2) << "centred";

    const QString wide(40, QLatin1Char('M'));
    const QImage a = draw({wide, QStringLiteral(" - A")});
    const auto [wideLeft, wideRight] = inked(a);
    EXPECT_LE(wideLeft - box.left(), 2) << "from the box's left edge";
    EXPECT_GE(wideRight, box.right() - 1) << "running on to the box's right edge";
    EXPECT_LE(wideRight, box.right()) << "cut there";
    EXPECT_TRUE(a == draw({wide, QStringLiteral(" - B")})) << "the half mark lies beyond the cut";
}

TEST_F(OverviewDetails, ATooWideUnitNameIsCutAtItsBoxNotShortened)
{
    g_UnitName[4] = kLongName;
    g_UnitName[5] = kLongName;
    const QImage a = m_view->grab(m_view->m_rcUnitName[4]).toImage();
    const QImage b = m_view->grab(m_view->m_rcUnitName[5]).toImage();
    EXPECT_TRUE(a == b) << "a half mark shows, so the name was shortened";
}

namespace {

// A main window on a manual clock, showing peaks held until a higher level.
class MeterTestThenUnits : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        m_dlg = StartMainWindow(m_manual.services);
        g_bMeterScaleDbfs = 1;
        g_bMeterScaleDbu = 0;
        g_bMeterPeakOverVu = 1;
        g_nPeakHoldMs = -1;
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        DialogFixture::TearDown();
    }

    // A full-scale meter test of a few steps, then off again.
    void RunMeterTest()
    {
        m_dlg->OnCommand(ID_METER_TEST_FULL_SCALE);
        m_manual.timers.advance(150);
        m_dlg->OnCommand(ID_METER_TEST_OFF);
    }

    ManualPlatform m_manual;
    std::unique_ptr<CQuellonKR9SeriesDlg> m_dlg;
};

} // namespace

TEST_F(MeterTestThenUnits, TheOverviewsLevelsStartFromAnEmptyHold)
{
    ASSERT_TRUE(g_bOverviewMode);
    RunMeterTest();
    const int ch = 20;
    g_pOverview->DrawMeterDb(ch, -20.0f);
    EXPECT_EQ(g_pOverview->m_nMeterPeak[ch], -20);
    EXPECT_EQ(g_pOverview->meterPicture(ch).markerY, overview_meter::MarkerRowForPeak(-20));
}

TEST_F(MeterTestThenUnits, TheChannelStripsLevelsStartFromAnEmptyHold)
{
    m_dlg->OnOverviewButton();
    ASSERT_FALSE(g_bOverviewMode);
    RunMeterTest();
    const int ch = 20;
    g_pUnderview->DrawMeterDb(ch, -20.0f);
    const CUnderviewWnd::MeterView& shown = g_pUnderview->meterView(ch);
    EXPECT_FALSE(shown.over);
    EXPECT_TRUE(shown.hasReadout);
    EXPECT_EQ(shown.readoutValue, -20);
    EXPECT_EQ(shown.peakLine, strip_meter::PeakLineForLevel(-20.0f));
}
