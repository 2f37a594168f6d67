// The two views as the main window holds them.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <functional>

#include "controls/scroll_bar.h"
#include "dialogs/dialog_form_controls.h"
#include "dialogs/metering_dialog.h"
#include "support/project_window_fixture.h"
#include "views/meter_law.h"
#include "views/overview.h"
#include "views/underview.h"
#include "views/window_frame.h"

namespace {

using namespace console_test;
using M = CNewMeteringDialog;

class ViewsInMainWindow : public ProjectWindowFixture {
protected:
    void SetUp() override
    {
        ProjectWindowFixture::SetUp();
        Build().show();
        ShowPainted();
    }

    // Lets every pending repaint reach the window's backing store.
    static void ShowPainted()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // What the window shows at a point of one of its widgets (its backing store).
    QColor OnScreen(const QWidget* widget, const QPoint& at) const
    {
        const QImage shown = m_dlg->screen()->grabWindow(m_dlg->winId()).toImage();
        return shown.pixelColor(widget->mapTo(m_dlg.get(), at));
    }
    void ShowView(bool overview)
    {
        if (g_bOverviewMode != overview)
            m_dlg->OnOverviewButton();
        ShowPainted();
    }
    // Opens the meter preferences with a right click at a meter of view,
    // answers them with act, then OK.
    static void SetMeterPreferences(QWidget* view, const QPoint& meter, std::function<void(M&)> act)
    {
        WhenModal<M>([act](M& dialog) {
            act(dialog);
            Press(dialog, M::IDC_OK_PLACEHOLDER);
        });
        QTest::mouseClick(view, Qt::RightButton, {}, meter);
    }
};

// The first point of a picture where two pictures differ.
QPoint FirstDifference(const QImage& a, const QImage& b)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QPoint(x, y);
    ADD_FAILURE() << "the pictures are alike";
    return {};
}

} // namespace

TEST_F(ViewsInMainWindow, TheOverviewSitsInItsFrameWhereTheLayoutPutsItWheneverItIsShownAndTheStripsHaveTheirs)
{
    ASSERT_TRUE(g_bOverviewMode);
    for (int shown = 0; shown < 2; ++shown) {
        EXPECT_EQ(m_dlg->m_overviewPort->geometry(), QRect(60, 210, 1242, 514)) << shown;
        EXPECT_EQ(m_dlg->m_sbOverviewVert->geometry(), QRect(1308, 210, 14, 524)) << shown;
        EXPECT_EQ(m_dlg->m_wndOverview->mapTo(m_dlg->centralWidget(), QPoint(0, 0)), QPoint(61, 211)) << shown;
        ShowView(false);
        ShowView(true);
    }
    // A frame on all four sides, the overview's ground just inside.
    const QImage overview = m_dlg->m_overviewPort->grab().toImage();
    const QRect o = overview.rect();
    const int oy = 256; // the ground left of the first strip of the second row
    for (const QPoint at : {QPoint(o.left(), oy), QPoint(o.right(), oy), QPoint(600, o.top()), QPoint(600, o.bottom())})
        EXPECT_EQ(overview.pixelColor(at), QColor(Qt::black)) << at.x() << "," << at.y();
    EXPECT_EQ(overview.pixelColor(o.left() + 1, oy), QColor(COverviewWnd::kBackground));

    // The channel strips: the frame at both ends and along the top and bottom.
    ShowView(false);
    CUnderviewWnd* strips = m_dlg->m_wndUnderview;
    const int w = strips->width(), h = strips->height();
    const QImage ends[] = {strips->grab(QRect(0, 250, 2, 1)).toImage(), strips->grab(QRect(w - 2, 250, 2, 1)).toImage()};
    const QImage column = strips->grab(QRect(600, 0, 1, h)).toImage();
    for (const QColor seen : {ends[0].pixelColor(0, 0), ends[1].pixelColor(1, 0), column.pixelColor(0, 0),
                              column.pixelColor(0, h - 1)})
        EXPECT_EQ(seen, QColor(Qt::black));
    EXPECT_NE(ends[0].pixelColor(1, 0), QColor(Qt::black));
}

TEST_F(ViewsInMainWindow, MeterPreferencesShowInBothViewsAtOnce)
{
    // The strips: the dBFS scale beside a meter, then the 15 dBU scale.
    ShowView(false);
    CUnderviewWnd* strips = m_dlg->m_wndUnderview;
    const int ch = 2;
    const QImage dbfs = SkinRegistry::instance().pixmap(149).toImage();
    const QImage dbu15 = SkinRegistry::instance().pixmap(154).toImage();
    const QPoint spot = FirstDifference(dbfs, dbu15);
    const QPoint scale = strips->m_pScaleLabel[ch]->m_rect.topLeft();
    ASSERT_EQ(OnScreen(strips, scale + spot), dbfs.pixelColor(spot));

    SetMeterPreferences(strips, strips->MeterRect(ch).center(), [](M& dialog) {
        DlgButton(&dialog, M::IDC_DBU)->click();
        DlgComboBox(&dialog, M::IDC_DBU_MAX)->setCurrentIndex(2);
    });
    ASSERT_EQ(g_nDbuMaxLevel, 15);
    ShowPainted();
    EXPECT_EQ(OnScreen(strips, scale + spot), dbu15.pixelColor(spot));

    // The overview: a project that asks for both peak display kinds opens the
    // dialog with "Peak Only"; OK keeps that, and the peak markers go at once.
    ShowView(true);
    g_bMeterPeakOnly = 1;
    g_bMeterPeakOverVu = 1;
    COverviewWnd* overview = m_dlg->m_wndOverview;
    overview->DrawMeterDb(ch, -6.0f);
    overview->DrawMeterDb(ch, -40.0f); // -6 dB is held above the bar
    ShowPainted();
    const overview_meter::Picture marked = overview->meterPicture(ch);
    ASSERT_NE(marked.markerY, overview_meter::kNoMarker);
    const QPoint marker = overview->MeterPictureRect(ch).topLeft() + QPoint(3, marked.markerY);
    ASSERT_EQ(OnScreen(overview, marker), ToQColor(MeterColourForLevel(marked.colourIndex)));

    SetMeterPreferences(overview, overview->m_rcMeter[ch].center(), [](M&) {});
    ASSERT_EQ(g_bMeterPeakOverVu, 0);
    ShowPainted();
    EXPECT_EQ(OnScreen(overview, marker), ToQColor(kMeterUnlitColour));
}
