#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <functional>
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

TEST_F(ModelessNoticeTest, OneNoticeAtATimeOpensWithoutBlockingAndKeepsItsTexts)
{
    CModeless* notice = CModeless::ShowNotice(nullptr, false);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(CModeless::current(), notice);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->isModal());
    EXPECT_FALSE(Button(notice, CModeless::IDC_RESTART_NOW)->isVisible());
    ASSERT_TRUE(notice->isTimerArmed(CModeless::kTimerShowTexts));
    notice->OnTimer(CModeless::kTimerShowTexts);
    EXPECT_EQ(notice->windowTitle(), g_strNoticeCaption);
    EXPECT_EQ(notice->GetDlgItemText(CModeless::IDC_MESSAGE), g_strNoticeText);

    // A second notice only brings the open one forward, as it was.
    const QString caption = g_strNoticeCaption;
    const QString text = g_strNoticeText;
    g_strNoticeCaption = QStringLiteral("Network");
    g_strNoticeText = QStringLiteral("Unit 5 went off-line.");
    EXPECT_EQ(CModeless::ShowNotice(nullptr, true), notice);
    EXPECT_EQ(OpenNotices(), 1);
    EXPECT_EQ(notice->windowTitle(), caption);
    EXPECT_EQ(notice->GetDlgItemText(CModeless::IDC_MESSAGE), text);
    EXPECT_FALSE(Button(notice, CModeless::IDC_RESTART_NOW)->isVisible());
    EXPECT_TRUE(g_bShowRestartNow) << "the request is noted all the same";
}

TEST_F(ModelessNoticeTest, CancelEnterAndTheCloseButtonDeleteTheNoticeAndTheNextOneIsNew)
{
    const std::function<void(CModeless*)> closers[] = {
        [](CModeless* n) { QTest::mouseClick(Button(n, IDCANCEL), Qt::LeftButton); },
        [](CModeless* n) { QTest::keyClick(n, Qt::Key_Return); }, // through the hidden OK
        [](CModeless* n) { n->close(); },
    };
    for (const auto& close : closers) {
        QPointer<CModeless> watch(CModeless::ShowNotice(nullptr, false));
        close(watch.data());
        FlushDeletes();
        EXPECT_TRUE(watch.isNull());
        EXPECT_EQ(CModeless::current(), nullptr);
        EXPECT_EQ(OpenNotices(), 0);
    }
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
