// The owner-drawn menu module: which menus it treats as owner-drawn, the
// sizes it measures, the item a mnemonic key chooses, what it paints and the
// rectangles it records, and that plain menus are left to the desktop.

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
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

int Position(std::int32_t result)
{
    return int(result & 0xFFFF);
}

} // namespace

TEST(MenuModule, OnlyAMenuWhoseFirstItemIsOwnerDrawnCounts)
{
    QWidget owner;
    QMenu* plain = MenuOf(&owner, {"&Open", "&Save"});
    EXPECT_FALSE(CMenuXP::IsOwnerDrawn(plain));
    EXPECT_FALSE(CMenuXP::IsOwnerDrawn(MenuOf(&owner, {})));
    EXPECT_FALSE(CMenuXP::IsOwnerDrawn(nullptr));

    QMenu* second = MenuOf(&owner, {"&Open", "&Save"});
    CMenuXP::SetOwnerDrawn(second->actions()[1], MakeMenuItemData(22, 0, 40));
    EXPECT_FALSE(CMenuXP::IsOwnerDrawn(second)) << "decided by the first item alone";
    CMenuXP::SetOwnerDrawn(second->actions()[0], MakeMenuItemData(22, 0, 40));
    EXPECT_TRUE(CMenuXP::IsOwnerDrawn(second));
}

TEST(MenuModule, MeasuresPopupAndMenuBarItemsFromTheirItemData)
{
    MEASUREITEMSTRUCT popup;
    popup.itemData = MakeMenuItemData(22, 6, 100);
    CMenuXP::OnMeasureItem(&popup);
    EXPECT_EQ(popup.itemHeight, 22);
    EXPECT_EQ(popup.itemWidth, 100 + 42 + 6);

    MEASUREITEMSTRUCT bar;
    bar.itemData = MakeMenuItemData(0, 9, 50);
    CMenuXP::OnMeasureItem(&bar);
    EXPECT_EQ(bar.itemHeight, 0);
    EXPECT_EQ(bar.itemWidth, 54) << "a menu-bar item has no image column";

    MEASUREITEMSTRUCT other;
    other.CtlType = 3;
    other.itemData = MakeMenuItemData(22, 0, 10);
    other.itemWidth = -1;
    CMenuXP::OnMeasureItem(&other);
    EXPECT_EQ(other.itemWidth, -1) << "only menus are measured";
    CMenuXP::OnMeasureItem(nullptr);
}

TEST(MenuModule, MenuCharChoosesTheFirstItemWithThatMnemonic)
{
    QWidget owner;
    QMenu* menu = MenuOf(&owner, {"&Open...\t\tCtrl+O", nullptr, "Save &As", "Fish && &Chips",
                                  "A&&B", "Print\t&X", "&N\u0332ew Project", "&Another"});
    const auto run = [](int position) { return MakeMenuCharResult(position, MNC_EXECUTE); };
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('o'), MF_POPUP), run(0));
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('O'), 0), run(0));
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('a'), MF_POPUP), run(2)) << "first of two";
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('c'), MF_POPUP), run(3));
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('b'), MF_POPUP), 0) << "a doubled & is text";
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('x'), MF_POPUP), 0) << "the shortcut part is not searched";
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('n'), MF_POPUP), run(6));
    EXPECT_EQ(Position(CMenuXP::OnMenuChar(menu, QLatin1Char('n'), MF_POPUP)), 6);
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('z'), MF_POPUP), 0);
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('o'), MF_POPUP | MF_SYSMENU), 0);
    EXPECT_EQ(CMenuXP::OnMenuChar(menu, QLatin1Char('o'), 0x0004), 0);
}

TEST(MenuModule, ReadsAnItemByPositionOrCommandWithItsTextAndShortcut)
{
    QWidget owner;
    QMenu* menu = MenuOf(&owner, {"&Undo\t\tCtrl+Z", nullptr, "&Link..."});
    menu->actions()[0]->setData(32778);
    menu->actions()[2]->setData(32779);
    const MenuItemXP undo(menu, 0, true);
    ASSERT_TRUE(undo.valid());
    EXPECT_EQ(undo.id, 32778);
    EXPECT_EQ(undo.text(), QStringLiteral("&Undo"));
    EXPECT_EQ(undo.shortcutText(), QStringLiteral("Ctrl+Z"));
    const MenuItemXP separator(menu, 1, true);
    EXPECT_TRUE(separator.separator);
    EXPECT_TRUE(separator.caption.isEmpty());
    const MenuItemXP link(menu, 32779, false);
    EXPECT_EQ(link.text(), QStringLiteral("&Link..."));
    EXPECT_TRUE(link.shortcutText().isEmpty());
    EXPECT_FALSE(MenuItemXP(menu, 9, true).valid());
    EXPECT_FALSE(MenuItemXP(menu, 1, false).valid());
}

TEST(MenuModule, DrawsOnlyMenuItemsAndPaintsThemOverTheirRectangle)
{
    QWidget owner;
    QMenu* menu = MenuOf(&owner, {"&Open\tCtrl+O"});
    QAction* open = menu->actions()[0];
    CMenuXP::SetOwnerDrawn(open, MakeMenuItemData(22, 0, 60));
    QImage canvas(200, 40, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);

    DRAWITEMSTRUCT draw;
    draw.CtlType = 4; // a button, not a menu
    draw.item = open;
    draw.menu = menu;
    draw.painter = &painter;
    draw.rcItem = QRect(10, 10, 160, 22);
    EXPECT_FALSE(CMenuXP::OnDrawItem(&draw, &owner));
    EXPECT_EQ(canvas.pixel(50, 20), 0u) << "nothing painted";

    draw.CtlType = ODT_MENU;
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

TEST(MenuModule, RecordsTheOpenMenuBarItemAndTheHelpItem)
{
    for (bool dialogOwner : {false, true}) {
        std::unique_ptr<QWidget> owner;
        if (dialogOwner)
            owner = std::make_unique<QDialog>();
        else
            owner = std::make_unique<QMainWindow>();
        owner->resize(400, 200);
        auto* bar = new QMenuBar(owner.get());
        bar->move(0, 5);
        bar->addMenu(QStringLiteral("  &Files    "));
        QAction* help = bar->addMenu(QStringLiteral("  &Help  "))->menuAction();
        bar->resize(400, 24);
        owner->show();
        CMenuXP::SetOwnerDrawn(help, MakeMenuItemData(0, 0, 40));

        QImage canvas(400, 30, QImage::Format_ARGB32);
        QPainter painter(&canvas);
        DRAWITEMSTRUCT draw;
        draw.item = help;
        draw.menu = bar;
        draw.painter = &painter;
        draw.rcItem = bar->actionGeometry(help);
        draw.itemState = ODS_SELECTED;
        g_rcMenuSelectedItem = QRect();
        g_rcMenuHelpItem = QRect();
        ASSERT_TRUE(CMenuXP::OnDrawItem(&draw, owner.get()));
        painter.end();
        QRect expected = bar->actionGeometry(help).translated(0, 5);
        if (dialogOwner)
            expected.translate(1, 0);
        EXPECT_EQ(g_rcMenuSelectedItem, expected) << dialogOwner;
        EXPECT_EQ(g_rcMenuHelpItem, bar->actionGeometry(help)) << dialogOwner;

        // A closed item leaves the open rectangle alone.
        g_rcMenuSelectedItem = QRect();
        QPainter again(&canvas);
        draw.painter = &again;
        draw.itemState = 0;
        CMenuXP::OnDrawItem(&draw, owner.get());
        EXPECT_TRUE(g_rcMenuSelectedItem.isNull());
    }
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
