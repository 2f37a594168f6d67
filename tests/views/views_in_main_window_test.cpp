// The two views as the main window holds them: where they sit and the frame
// they draw.

#include <QApplication>
#include <QImage>
#include <QTest>

#include <memory>

#include "controls/scroll_bar.h"
#include "support/console_fixture.h"
#include "views/overview.h"
#include "views/underview.h"
#include "views/window_frame.h"

namespace {

using namespace console_test;

const QColor kFrame(0, 0, 0);

class ViewsInMainWindow : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        m_dlg = StartMainWindow(m_manual.services);
        m_dlg->show();
        ShowPainted();
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        DialogFixture::TearDown();
    }

    // Lets every pending repaint reach the window's backing store.
    static void ShowPainted()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    QWidget* Client() const { return m_dlg->centralWidget(); }
    void ShowStrips()
    {
        if (g_bOverviewMode)
            m_dlg->OnOverviewButton();
        ShowPainted();
    }
    void ShowOverview()
    {
        if (!g_bOverviewMode)
            m_dlg->OnOverviewButton();
        ShowPainted();
    }

    ManualPlatform m_manual;
    std::unique_ptr<CQuellonKR9SeriesDlg> m_dlg;
};

} // namespace

TEST_F(ViewsInMainWindow, TheOverviewSitsWhereTheLayoutPutsItWheneverItIsShown)
{
    ASSERT_TRUE(g_bOverviewMode);
    const QRect overview(60, 210, 1242, 514);
    const QRect bar(60 + 1242 + 6, 210, 14, 524);
    for (int shown = 0; shown < 2; ++shown) {
        EXPECT_EQ(m_dlg->m_overviewPort->geometry(), overview) << shown;
        EXPECT_EQ(m_dlg->m_sbOverviewVert->geometry(), bar) << shown;
        // Its contents start inside the frame.
        EXPECT_EQ(m_dlg->m_wndOverview->mapTo(Client(), QPoint(0, 0)), QPoint(61, 211)) << shown;
        ShowStrips();
        ShowOverview();
    }
}

TEST_F(ViewsInMainWindow, BothViewsDrawTheirOnePixelFrame)
{
    // The overview: a frame on all four sides, the overview's ground just inside.
    ShowOverview();
    QWidget* port = m_dlg->m_overviewPort;
    const QImage overview = port->grab().toImage();
    const QRect o = port->rect();
    const int oy = 256; // the ground left of the first strip of the second row
    for (const QPoint at : {QPoint(o.left(), oy), QPoint(o.right(), oy), QPoint(o.center().x(), o.top()),
                            QPoint(o.center().x(), o.bottom())})
        EXPECT_EQ(overview.pixelColor(at), kFrame) << "overview " << at.x() << "," << at.y();
    EXPECT_EQ(overview.pixelColor(o.left() + 1, oy), QColor(COverviewWnd::kBackground));

    // The channel strips: left, top and bottom in the window; the far right end of the view.
    ShowStrips();
    CUnderviewWnd* strips = m_dlg->m_wndUnderview;
    const QRect s = strips->geometry();
    const QImage shown = Client()->grab().toImage();
    for (const QPoint at : {QPoint(s.left(), s.top() + 250), QPoint(600, s.top()), QPoint(600, s.bottom())})
        EXPECT_EQ(shown.pixelColor(at), kFrame) << "strips " << at.x() << "," << at.y();
    EXPECT_NE(shown.pixelColor(s.left() + 1, s.top() + 250), kFrame);
    const QImage end = strips->grab(QRect(CUnderviewWnd::kWidth - 4, 250, 4, 4)).toImage();
    EXPECT_EQ(end.pixelColor(3, 0), kFrame);
    EXPECT_NE(end.pixelColor(2, 0), kFrame);
}
