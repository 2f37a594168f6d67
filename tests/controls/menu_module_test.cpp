#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "controls/menu_module.h"

namespace {

QMenu* MenuOf(QWidget* parent, std::initializer_list<const char*> captions)
{
    auto* menu = new QMenu(parent);
    for (const char* caption : captions) {
        if (caption)
            menu->addAction(QString::fromUtf8(caption));
        else
            menu->addSeparator();
    }
    return menu;
}

} // namespace

TEST(MenuModule, OnlyAMenuWhoseFirstItemIsOwnerDrawnCounts)
{
    QWidget owner;
    QMenu* plain = MenuOf(&owner, {"&Open", "&Save"});
    EXPECT_FALSE(CMenuXP::IsOwnerDrawn(plain));
    EXPECT_FALSE(CMenuXP::IsOwnerDrawn(MenuOf(&owner, {})));

    QMenu* second = MenuOf(&owner, {"&Open", "&Save"});
    CMenuXP::SetOwnerDrawn(second->actions()[1], MakeMenuItemData(22, 0, 40));
    EXPECT_FALSE(CMenuXP::IsOwnerDrawn(second)) << "decided by the first item alone";
    CMenuXP::SetOwnerDrawn(second->actions()[0], MakeMenuItemData(22, 0, 40));
    EXPECT_TRUE(CMenuXP::IsOwnerDrawn(second));
}

TEST(MenuModule, MeasuresPopupAndMenuBarItemsFromTheirItemData)
{
    const auto measure = [](int height, int imageExtra, int textWidth) {
        MEASUREITEMSTRUCT m;
        m.itemData = MakeMenuItemData(height, imageExtra, textWidth);
        CMenuXP::OnMeasureItem(&m);
        return QSize(m.itemWidth, m.itemHeight);
    };
    EXPECT_EQ(measure(22, 6, 100), QSize(100 + 42 + 6, 22));
    EXPECT_EQ(measure(0, 9, 50), QSize(54, 0)) << "a menu-bar item has no image column";
}

TEST(MenuModule, MenuCharChoosesTheFirstItemWithThatMnemonic)
{
    QWidget owner;
    QMenu* menu = MenuOf(&owner, {"&Open...\t\tCtrl+O", nullptr, "Save &As", "Fish && &Chips",
                                  "A&&B", "Print\t&X", "&N\u0332ew Project", "&Another"});
    const auto run = [](int position) { return MakeMenuCharResult(position, MNC_EXECUTE); };
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('o'), MF_POPUP), run(0));
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('O'), MF_POPUP), run(0));
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('a'), MF_POPUP), run(2)) << "first of two";
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('c'), MF_POPUP), run(3));
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('b'), MF_POPUP), 0) << "a doubled & is text";
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('x'), MF_POPUP), 0) << "the shortcut part is not searched";
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('n'), MF_POPUP), run(6));
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('z'), MF_POPUP), 0);
}

TEST(MenuModule, AnItemsTextEndsAtTheTabAndItsShortcutFollows)
{
    QAction undo(QStringLiteral("&Undo\t\tCtrl+Z"));
    EXPECT_EQ(MenuItemXP(&undo).text(), QStringLiteral("&Undo"));
    EXPECT_EQ(MenuItemXP(&undo).shortcutText(), QStringLiteral("Ctrl+Z"));
    QAction link(QStringLiteral("&Link..."));
    EXPECT_TRUE(MenuItemXP(&link).shortcutText().isEmpty());
    QAction separator;
    separator.setSeparator(true);
    EXPECT_TRUE(MenuItemXP(&separator).caption.isEmpty());
}

TEST(MenuModule, PaintsAnItemOverItsRectangleOnly)
{
    QWidget owner;
    QMenu* menu = MenuOf(&owner, {"&Open\tCtrl+O"});
    QAction* open = menu->actions()[0];
    CMenuXP::SetOwnerDrawn(open, MakeMenuItemData(22, 0, 60));
    QImage canvas(200, 40, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);

    DRAWITEMSTRUCT draw;
    draw.item = open;
    draw.menu = menu;
    draw.painter = &painter;
    draw.rcItem = QRect(10, 10, 160, 22);
    EXPECT_TRUE(CMenuXP::OnDrawItem(&draw, &owner));
    painter.end();
    EXPECT_EQ(qAlpha(canvas.pixel(9, 20)), 0) << "nothing outside the item";
    EXPECT_EQ(qAlpha(canvas.pixel(169, 20)), 255);
    // The image column and the text area of the popup background.
    const QColor column = canvas.pixelColor(12, 20);
    const QColor area = canvas.pixelColor(150, 12);
    EXPECT_GT(column.lightness(), 200);
    EXPECT_LT(column.lightness(), area.lightness());
    // The caption leaves dark pixels right of the image column.
    bool text = false;
    for (int x = 10 + 24; x < 10 + 100 && !text; ++x)
        for (int y = 12; y < 30 && !text; ++y)
            text = canvas.pixelColor(x, y).lightness() < 120;
    EXPECT_TRUE(text);
}

TEST(MenuModule, AttachedMenusSizeOwnerDrawnItemsAndRunThemByMnemonic)
{
    QMainWindow window;
    QMenuBar* bar = window.menuBar();
    QMenu* plain = bar->addMenu(QStringLiteral("&Edit"));
    QAction* undo = plain->addAction(QStringLiteral("&Undo"));
    QMenu* drawn = bar->addMenu(QStringLiteral("&Tools"));
    QAction* first = drawn->addAction(QStringLiteral("&First"));
    // The desktop would take "F" for this caption; the module takes the last mnemonic.
    QAction* chips = drawn->addAction(QStringLiteral("&Fish && &Chips"));
    CMenuXP::SetOwnerDrawn(first, MakeMenuItemData(26, 0, 80));
    CMenuXP::SetOwnerDrawn(chips, MakeMenuItemData(26, 0, 80));
    window.show();
    const int plainHeight = plain->actionGeometry(undo).height();

    CMenuXP::Attach(bar);
    drawn->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(drawn));
    EXPECT_EQ(drawn->actionGeometry(chips).height(), 26);
    EXPECT_GE(drawn->actionGeometry(chips).width(), 80 + 42);
    QSignalSpy chosen(chips, &QAction::triggered);
    QTest::keyClick(drawn, Qt::Key_C);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_FALSE(drawn->isVisible());

    plain->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(plain));
    EXPECT_EQ(plain->actionGeometry(undo).height(), plainHeight) << "plain items keep their size";
    plain->close();
}
