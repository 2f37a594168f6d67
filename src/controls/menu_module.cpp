#include "controls/menu_module.h"

#include "app/fonts.h"
#include "controls/drawing_tools.h"
#include "platform/skin_registry.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

QRect g_rcMenuSelectedItem;
QRect g_rcMenuHelpItem;

namespace {

const char kOwnerDrawProperty[] = "menuXPOwnerDraw";
const char kItemDataProperty[] = "menuXPItemData";

// Pictures of the painter.
constexpr int kBmpMenuBarItem = 291;
constexpr int kBmpMenuBarItemOpen = 292;
const QString kPopupBackground = QStringLiteral("GRAY_MENU_GRADIENT");
const QString kPopupBackgroundFramed = QStringLiteral("GRAY_MENU_GRADIENT_BORDER");

// Geometry of a popup item: the image column and the gaps around the texts.
constexpr int kImageColumn = 24;
constexpr int kTextGap = 8;
constexpr int kImageSize = 16;

const QString kHelpCaption = QStringLiteral("  &Help  ");

QList<QAction*> ItemsOf(const QWidget* menu)
{
    return menu ? menu->actions() : QList<QAction*>();
}

QColor Transformed(const QColor& colour, int lightPercent, int satPercent)
{
    const ColorRef c = MakeColorRef(colour.red(), colour.green(), colour.blue());
    return ToQColor(HLSTransform(c, lightPercent, satPercent));
}

// The item under a rectangle a style was asked to paint.
QAction* ItemAt(const QWidget* widget, const QRect& rect)
{
    if (const auto* menu = qobject_cast<const QMenu*>(widget))
        return menu->actionAt(rect.center());
    if (const auto* bar = qobject_cast<const QMenuBar*>(widget))
        return bar->actionAt(rect.center());
    return nullptr;
}

// The owner-drawn item whose caption a style was asked to measure; a popup
// caption may carry the shortcut after a tab.
QAction* OwnerDrawnItemByText(const QWidget* widget, const QString& text)
{
    for (QAction* action : ItemsOf(widget)) {
        if (!CMenuXP::IsOwnerDrawnItem(action))
            continue;
        const QString caption = action->text();
        if (text == caption || text.startsWith(caption + QLatin1Char('\t')))
            return action;
    }
    return nullptr;
}

unsigned StateFrom(const QStyleOption& option, bool menuBar)
{
    unsigned state = 0;
    if (!(option.state & QStyle::State_Enabled))
        state |= ODS_GRAYED | ODS_DISABLED;
    if (menuBar) {
        // Open (pressed) is the selected state of a menu-bar item; hovering is hot.
        if (option.state & QStyle::State_Sunken)
            state |= ODS_SELECTED;
        else if (option.state & QStyle::State_Selected)
            state |= ODS_HOTLIGHT;
    } else if (option.state & QStyle::State_Selected) {
        state |= ODS_SELECTED;
    }
    if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(&option)) {
        if (item->checked)
            state |= ODS_CHECKED;
    }
    if (!(option.state & QStyle::State_Active))
        state |= ODS_INACTIVE;
    return state;
}

// Sizes and paints owner-drawn items through the module; everything else
// goes to the desktop's style unchanged.
class MenuXPStyle final : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if ((element == CE_MenuItem || element == CE_MenuBarItem) && option && widget) {
            QAction* action = ItemAt(widget, option->rect);
            if (action && CMenuXP::IsOwnerDrawnItem(action)) {
                const bool menuBar = element == CE_MenuBarItem;
                DRAWITEMSTRUCT draw;
                draw.CtlType = ODT_MENU;
                draw.item = action;
                draw.itemState = StateFrom(*option, menuBar);
                draw.menu = const_cast<QWidget*>(widget);
                draw.painter = painter;
                draw.rcItem = option->rect;
                QWidget* owner = widget->parentWidget() ? widget->parentWidget()->window()
                                                        : const_cast<QWidget*>(widget);
                if (menuBar)
                    owner = widget->window();
                if (CMenuXP::OnDrawItem(&draw, owner))
                    return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        const QSize base = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type != CT_MenuItem && type != CT_MenuBarItem)
            return base;
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const QAction* action = item ? OwnerDrawnItemByText(widget, item->text) : nullptr;
        if (!action)
            return base;
        MEASUREITEMSTRUCT measure;
        measure.CtlType = ODT_MENU;
        measure.itemData = action->property(kItemDataProperty).toUInt();
        CMenuXP::OnMeasureItem(&measure);
        // A menu-bar item keeps the bar's height.
        return QSize(measure.itemWidth, measure.itemHeight > 0 ? measure.itemHeight : base.height());
    }
};

MenuXPStyle* SharedStyle()
{
    static QPointer<MenuXPStyle> style;
    if (!style) {
        style = new MenuXPStyle;
        style->setParent(qApp);
    }
    return style;
}

// Mnemonic keys of open menus whose first item is owner-drawn.
class MenuXPKeyFilter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* menu = qobject_cast<QMenu*>(watched);
        if (!menu || !CMenuXP::IsOwnerDrawn(menu))
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
            return false;
        const QString text = key->text();
        if (text.size() != 1 || !text.at(0).isPrint())
            return false;
        const std::int32_t result = CMenuXP::OnMenuChar(menu, text.at(0), MF_POPUP);
        if (result == 0 || (std::uint32_t(result) >> 16) != MNC_EXECUTE)
            return false;
        QAction* action = menu->actions().value(int(result & 0xFFFF));
        if (!action)
            return false;
        // Choose the item as Enter on it would.
        menu->setActiveAction(action);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &enter);
        return true;
    }
};

MenuXPKeyFilter* SharedKeyFilter()
{
    static QPointer<MenuXPKeyFilter> filter;
    if (!filter)
        filter = new MenuXPKeyFilter;
    if (!filter->parent())
        filter->setParent(qApp);
    return filter;
}

} // namespace

// ---------------------------------------------------------------------------
// MenuItemXP

MenuItemXP::MenuItemXP(const QWidget* menu, int item, bool byPosition)
{
    const QList<QAction*> items = ItemsOf(menu);
    QAction* found = nullptr;
    if (byPosition) {
        found = items.value(item);
    } else {
        for (QAction* a : items) {
            if (!a->isSeparator() && a->data().toInt() == item) {
                found = a;
                break;
            }
        }
    }
    if (found)
        *this = MenuItemXP(found);
}

MenuItemXP::MenuItemXP(QAction* a)
{
    if (!a)
        return;
    action = a;
    id = a->data().toInt();
    submenu = a->menu();
    separator = a->isSeparator();
    ownerDrawn = CMenuXP::IsOwnerDrawnItem(a);
    enabled = a->isEnabled();
    checked = a->isChecked();
    itemData = a->property(kItemDataProperty).toUInt();
    if (!separator) {
        caption = a->text();
        image = a->icon();
    }
}

QString MenuItemXP::text() const
{
    const int tab = caption.indexOf(QLatin1Char('\t'));
    return tab < 0 ? caption : caption.left(tab);
}

QString MenuItemXP::shortcutText() const
{
    const int tab = caption.indexOf(QLatin1Char('\t'));
    return tab < 0 ? QString() : caption.mid(tab + 1).trimmed();
}

// ---------------------------------------------------------------------------
// CMenuXP

void CMenuXP::SetOwnerDrawn(QAction* action, std::uint32_t itemData)
{
    if (!action)
        return;
    action->setProperty(kOwnerDrawProperty, true);
    action->setProperty(kItemDataProperty, uint(itemData));
}

bool CMenuXP::IsOwnerDrawnItem(const QAction* action)
{
    return action && action->property(kOwnerDrawProperty).toBool();
}

bool CMenuXP::IsOwnerDrawn(const QWidget* menu)
{
    const QList<QAction*> items = ItemsOf(menu);
    return !items.isEmpty() && IsOwnerDrawnItem(items.first());
}

void CMenuXP::OnMeasureItem(MEASUREITEMSTRUCT* measure)
{
    if (!measure || measure->CtlType != ODT_MENU)
        return;
    const int height = int(measure->itemData & 0xFFu);
    const int imageExtra = int((measure->itemData >> 8) & 0xFFu);
    const int textWidth = int(measure->itemData >> 16);
    measure->itemHeight = height;
    measure->itemWidth = height == 0 ? textWidth + 4 : textWidth + 42 + imageExtra;
}

bool CMenuXP::OnDrawItem(DRAWITEMSTRUCT* draw, QWidget* owner)
{
    if (!draw || draw->CtlType != ODT_MENU || !draw->painter || !draw->item)
        return false;
    const QRect rect = draw->rcItem;
    if (rect.isEmpty())
        return true;
    const MenuItemXP item(draw->item);
    auto* bar = qobject_cast<QMenuBar*>(draw->menu);
    const bool menuBar = bar != nullptr;

    // The item is drawn off-screen at its own place and copied in one step.
    {
        CBufferDC buffer(*draw->painter, rect);
        if (g_fontMenu != QFont())
            buffer.painter().setFont(g_fontMenu);
        DrawItem(buffer.painter(), rect, item, draw->itemState, menuBar, false);
    }

    if (menuBar && (draw->itemState & ODS_SELECTED)) {
        QRect open = bar->actionGeometry(draw->item);
        if (owner && owner != bar)
            open.translate(bar->mapTo(owner, QPoint(0, 0)));
        if (qobject_cast<QDialog*>(owner))
            open.translate(1, 0);
        g_rcMenuSelectedItem = open;
    }
    return true;
}

std::int32_t CMenuXP::OnMenuChar(const QWidget* menu, QChar character, unsigned flags)
{
    const bool popup = (flags & MF_POPUP) && !(flags & MF_SYSMENU);
    if (flags != 0 && !popup)
        return 0;
    const QChar wanted = character.toUpper();
    const QList<QAction*> items = ItemsOf(menu);
    for (int position = 0; position < items.size(); ++position) {
        const QString text = MenuItemXP(items[position]).text();
        for (int i = int(text.size()) - 2; i >= 0; --i) {
            if (text[i] != QLatin1Char('&') || text[i + 1].toUpper() != wanted)
                continue;
            if (i > 0 && text[i - 1] == QLatin1Char('&'))
                continue;
            return MakeMenuCharResult(position, MNC_EXECUTE);
        }
    }
    return 0;
}

void CMenuXP::DrawItem(QPainter& painter, const QRect& rect, const MenuItemXP& item, unsigned state,
                       bool menuBar, bool framed)
{
    const SkinRegistry& skin = SkinRegistry::instance();
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPalette pal = QApplication::palette();
    const bool selected = state & ODS_SELECTED;
    const bool grayed = state & (ODS_GRAYED | ODS_DISABLED);
    const bool hot = state & ODS_HOTLIGHT;
    const int mnemonic = (state & ODS_NOACCEL) ? Qt::TextHideMnemonic : Qt::TextShowMnemonic;
    const QColor text = pal.color(QPalette::WindowText);
    const QColor textColour = grayed ? Transformed(text, 55, -50) : text;

    painter.save();
    if (menuBar) {
        const QPixmap face = skin.pixmap(selected || hot ? kBmpMenuBarItemOpen : kBmpMenuBarItem,
                                         rect.size(), dpr);
        if (!face.isNull())
            painter.drawPixmap(rect.topLeft(), face);
        else
            painter.fillRect(rect, pal.color(QPalette::Window));
        painter.setPen(selected || hot ? QColor(255, 255, 255) : QColor(226, 230, 238));
        if (grayed)
            painter.setPen(QColor(140, 148, 164));
        painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine | mnemonic, item.text());
        if (item.caption == kHelpCaption)
            g_rcMenuHelpItem = rect;
        painter.restore();
        return;
    }

    const QPixmap background =
        skin.pixmap(framed ? kPopupBackgroundFramed : kPopupBackground, rect.size(), dpr);
    if (!background.isNull())
        painter.drawPixmap(rect.topLeft(), background);
    else
        painter.fillRect(rect, pal.color(QPalette::Base));

    const int column = kImageColumn + int((item.itemData >> 8) & 0xFFu);
    if (item.separator) {
        const int y = rect.top() + rect.height() / 2;
        painter.fillRect(QRect(rect.left() + column + 2, y, rect.width() - column - 4, 1),
                         Transformed(pal.color(QPalette::Mid), -10, 0));
        painter.fillRect(QRect(rect.left() + column + 2, y + 1, rect.width() - column - 4, 1),
                         QColor(255, 255, 255));
        painter.restore();
        return;
    }

    if (selected && !grayed) {
        const QColor highlight = pal.color(QPalette::Highlight);
        const ColorRef base = MakeColorRef(highlight.red(), highlight.green(), highlight.blue());
        CSelectPen pen(painter, HLSTransform(base, -20, 0));
        CSelectBrush brush(painter, HLSTransform(base, 70, -30));
        painter.drawRect(rect.adjusted(1, 1, -2, -2));
    }

    const QRect imageRect(rect.left() + (column - kImageSize) / 2,
                          rect.top() + (rect.height() - kImageSize) / 2, kImageSize, kImageSize);
    if (!item.image.isNull()) {
        item.image.paint(&painter, imageRect, Qt::AlignCenter,
                         grayed ? QIcon::Disabled : QIcon::Normal);
    } else if (item.checked) {
        QPen tick(textColour, 2);
        painter.setPen(tick);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QPointF points[] = {
            QPointF(imageRect.left() + 3, imageRect.top() + 8),
            QPointF(imageRect.left() + 6.5, imageRect.top() + 11.5),
            QPointF(imageRect.left() + 13, imageRect.top() + 4),
        };
        painter.drawPolyline(points, 3);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    painter.setPen(textColour);
    const QRect textRect = rect.adjusted(column + kTextGap, 0, -kTextGap, 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | mnemonic,
                     item.text());
    const QString shortcut = item.shortcutText();
    if (!shortcut.isEmpty())
        painter.drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shortcut);
    painter.restore();
}

void CMenuXP::Attach(QMenuBar* bar)
{
    if (!bar)
        return;
    bar->setStyle(SharedStyle());
    for (QMenu* menu : bar->findChildren<QMenu*>())
        Attach(menu);
}

void CMenuXP::Attach(QMenu* menu)
{
    if (!menu)
        return;
    menu->setStyle(SharedStyle());
    MenuXPKeyFilter* filter = SharedKeyFilter();
    menu->removeEventFilter(filter);
    menu->installEventFilter(filter);
}
