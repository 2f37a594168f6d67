#pragma once

#include <QIcon>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>

class QAction;
class QMenu;
class QMenuBar;
class QPainter;
class QWidget;

// Owner-drawn menu items: measuring, painting and mnemonic keys for menu
// items that are marked to be drawn by the program rather than by the
// desktop's style. The menus of this program carry no such item, so the
// desktop draws every menu and what follows stays idle; it is wired to the
// main window's menus all the same (CMenuXP::Attach), so an item marked
// owner-drawn is measured, painted and reached by its mnemonic here.

// The kind of control a measure or draw request is for.
enum : unsigned { ODT_MENU = 1 };

// States of an item being drawn.
enum OwnerDrawState : unsigned {
    ODS_SELECTED = 0x0001,
    ODS_GRAYED = 0x0002,
    ODS_DISABLED = 0x0004,
    ODS_CHECKED = 0x0008,
    ODS_HOTLIGHT = 0x0040,
    ODS_INACTIVE = 0x0080,
    ODS_NOACCEL = 0x0100,
};

// Flags of a menu-character request.
enum MenuCharFlag : unsigned {
    MF_POPUP = 0x0010,
    MF_SYSMENU = 0x2000,
};

// The answer to a menu character that chose an item: run it.
constexpr int MNC_EXECUTE = 2;

constexpr std::int32_t MakeMenuCharResult(int position, int action)
{
    return std::int32_t((std::uint32_t(action) << 16) | (std::uint32_t(position) & 0xFFFFu));
}

// The item data of an owner-drawn item: byte 0 the item height (0 marks a
// menu-bar item), byte 1 the extra width of the image column, bits 16-31
// the caption's text width.
constexpr std::uint32_t MakeMenuItemData(int height, int imageExtra, int textWidth)
{
    return (std::uint32_t(height) & 0xFFu) | ((std::uint32_t(imageExtra) & 0xFFu) << 8)
        | ((std::uint32_t(textWidth) & 0xFFFFu) << 16);
}

struct MEASUREITEMSTRUCT {
    unsigned CtlType = ODT_MENU;
    int itemID = 0;
    int itemWidth = 0;
    int itemHeight = 0;
    std::uint32_t itemData = 0;
};

struct DRAWITEMSTRUCT {
    unsigned CtlType = ODT_MENU;
    QAction* item = nullptr;     // the item to draw
    unsigned itemState = 0;      // OwnerDrawState bits
    QWidget* menu = nullptr;     // the QMenu or QMenuBar that holds the item
    QPainter* painter = nullptr; // where the item is drawn
    QRect rcItem;                // the item's rectangle on that painter
};

// The rectangle (in the owner window's client coordinates) of the menu-bar
// item that was last painted open, and of the menu-bar item "  &Help  ".
extern QRect g_rcMenuSelectedItem;
extern QRect g_rcMenuHelpItem;

// One menu item read for measuring or painting: its state, command id,
// submenu, type, item data, caption and image. A separator is read without
// caption or image.
struct MenuItemXP {
    MenuItemXP() = default;
    // The item of menu (a QMenu or QMenuBar) by position, or by command id
    // (the action's data) when byPosition is false.
    MenuItemXP(const QWidget* menu, int item, bool byPosition);
    explicit MenuItemXP(QAction* action);

    bool valid() const { return !action.isNull(); }
    // The caption up to its first tab, and what follows the tab.
    QString text() const;
    QString shortcutText() const;

    QPointer<QAction> action;
    int id = 0;
    QMenu* submenu = nullptr;
    bool separator = false;
    bool ownerDrawn = false;
    bool enabled = true;
    bool checked = false;
    std::uint32_t itemData = 0;
    QString caption;
    QIcon image;
};

// The owner-drawn menu module: static operations only.
class CMenuXP {
public:
    CMenuXP() = delete;

    // Marks an item owner-drawn with its item data.
    static void SetOwnerDrawn(QAction* action, std::uint32_t itemData);
    static bool IsOwnerDrawnItem(const QAction* action);

    // True when the first item of the menu (a QMenu or QMenuBar) is owner-drawn.
    static bool IsOwnerDrawn(const QWidget* menu);

    // Menus only: height from byte 0 of the item data; width = text width
    // + 4 for a menu-bar item, else text width + 42 + the image extra.
    static void OnMeasureItem(MEASUREITEMSTRUCT* measure);

    // Menus only (else false): paints the item off-screen and copies it in
    // one step, in the menu font; an open menu-bar item's rectangle goes to
    // g_rcMenuSelectedItem in owner's client coordinates (one pixel further
    // right when owner is a dialog). True when it painted.
    static bool OnDrawItem(DRAWITEMSTRUCT* draw, QWidget* owner);

    // A mnemonic key in an open menu: with flags 0, or MF_POPUP without
    // MF_SYSMENU, the first item whose caption (before the tab) has "&"
    // followed by the character (either case), that "&" not itself doubled,
    // answers MakeMenuCharResult(position, MNC_EXECUTE); else 0.
    static std::int32_t OnMenuChar(const QWidget* menu, QChar character, unsigned flags);

    // The painter of one item at rect: menu-bar items on bitmap 291 (292
    // when open), popup items on "GRAY_MENU_GRADIENT" ("..._BORDER" framed),
    // with check mark, image, caption and shortcut text.
    static void DrawItem(QPainter& painter, const QRect& rect, const MenuItemXP& item,
                         unsigned state, bool menuBar, bool framed);

    // Routes a menu bar and every menu under it through the module: sizes
    // and paints of owner-drawn items, and mnemonic keys of menus whose first
    // item is owner-drawn. Menus without such items look and behave as before.
    static void Attach(QMenuBar* bar);
    static void Attach(QMenu* menu);
};
