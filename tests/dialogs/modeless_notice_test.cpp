// The modeless notice: its texts, one notice at a time, closing and
// deleting itself, and the restart it asks the main window for.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <vector>

#include "app/app_services.h"
#include "dialogs/modeless_notice.h"

namespace {

class ModelessNoticeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CModeless::SetMainCommandSender([this](int id) { sent.push_back(id); });
        g_strNoticeCaption = QStringLiteral("Unit Assignment");
        g_strNoticeText = QStringLiteral("The program must restart to use the new assignment.");
    }
    void TearDown() override
    {
        if (CModeless* notice = CModeless::current())
            delete notice;
        CModeless::SetMainCommandSender({});
        g_strNoticeCaption.clear();
        g_strNoticeText.clear();
        g_bShowRestartNow = false;
    }

    static int OpenNotices()
    {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CModeless*>(w))
                ++count;
        return count;
    }
    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    static QPushButton* Button(CModeless* notice, int id)
    {
        return qobject_cast<QPushButton*>(notice->GetDlgItem(id));
    }

    std::vector<int> sent;
};

} // namespace

TEST_F(ModelessNoticeTest, OpensWithoutBlockingAndShowsItsTextsShortlyAfter)
{
    CModeless* notice = CModeless::ShowNotice(nullptr, false);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(CModeless::current(), notice);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->isModal());
    EXPECT_FALSE(g_bShowRestartNow);
    EXPECT_FALSE(Button(notice, CModeless::IDC_RESTART_NOW)->isVisible());

    EXPECT_EQ(notice->windowTitle(), QStringLiteral("Restarting Program"));
    ASSERT_TRUE(notice->isTimerArmed(CModeless::kTimerShowTexts));
    notice->OnTimer(CModeless::kTimerShowTexts);
    EXPECT_FALSE(notice->isTimerArmed(CModeless::kTimerShowTexts));
    EXPECT_EQ(notice->windowTitle(), g_strNoticeCaption);
    EXPECT_EQ(notice->GetDlgItemText(CModeless::IDC_MESSAGE), g_strNoticeText);
}

TEST_F(ModelessNoticeTest, ASecondNoticeBringsTheOpenOneForwardWithTheNewTexts)
{
    CModeless* first = CModeless::ShowNotice(nullptr, false);
    first->OnTimer(CModeless::kTimerShowTexts);

    g_strNoticeCaption = QStringLiteral("Network");
    g_strNoticeText = QStringLiteral("Unit 5 went off-line.");
    CModeless* second = CModeless::ShowNotice(nullptr, true);
    EXPECT_EQ(second, first);
    EXPECT_EQ(OpenNotices(), 1);
    EXPECT_EQ(second->windowTitle(), QStringLiteral("Network"));
    EXPECT_EQ(second->GetDlgItemText(CModeless::IDC_MESSAGE), QStringLiteral("Unit 5 went off-line."));
    EXPECT_TRUE(g_bShowRestartNow);
    EXPECT_TRUE(Button(second, CModeless::IDC_RESTART_NOW)->isVisible());
}

TEST_F(ModelessNoticeTest, ClosingDeletesTheNoticeAndTheNextOneIsNew)
{
    CModeless* notice = CModeless::ShowNotice(nullptr, false);
    QPointer<CModeless> watch(notice);
    QTest::mouseClick(Button(notice, IDCANCEL), Qt::LeftButton);
    FlushDeletes();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(CModeless::current(), nullptr);
    EXPECT_EQ(OpenNotices(), 0);

    // Enter closes it through the hidden OK, the window's close button too.
    notice = CModeless::ShowNotice(nullptr, false);
    watch = notice;
    QTest::keyClick(notice, Qt::Key_Return);
    FlushDeletes();
    EXPECT_TRUE(watch.isNull());

    notice = CModeless::ShowNotice(nullptr, false);
    watch = notice;
    notice->close();
    FlushDeletes();
    EXPECT_TRUE(watch.isNull());
    EXPECT_TRUE(sent.empty());
}

TEST_F(ModelessNoticeTest, RestartNowAsksTheMainWindowThenClosesTheNotice)
{
    CModeless* notice = CModeless::ShowNotice(nullptr, true);
    QPushButton* restart = Button(notice, CModeless::IDC_RESTART_NOW);
    ASSERT_TRUE(restart->isVisible());

    QTest::mouseClick(restart, Qt::LeftButton);
    EXPECT_EQ(sent, std::vector<int>{44182});
    EXPECT_FALSE(restart->isVisible());
    EXPECT_TRUE(notice->isVisible());
    ASSERT_TRUE(notice->isTimerArmed(CModeless::kTimerCloseAfterRestart));

    QPointer<CModeless> watch(notice);
    notice->OnTimer(CModeless::kTimerCloseAfterRestart);
    FlushDeletes();
    EXPECT_TRUE(watch.isNull()) << "a notice left hidden would swallow every later notice";
    EXPECT_EQ(CModeless::current(), nullptr);
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(ModelessNoticeTest, NoticeGoesWithItsOwner)
{
    auto* owner = new QWidget;
    CModeless* notice = CModeless::ShowNotice(owner, false);
    EXPECT_TRUE(notice->isWindow());
    EXPECT_EQ(notice->parentWidget(), owner);
    delete owner;
    EXPECT_EQ(CModeless::current(), nullptr);
}
