#include "controls/picture_button.h"

#include <QEnterEvent>
#include <QIcon>

#include "platform/skin_registry.h"

namespace {
// The pictures are drawn for screens of up to twice the usual density.
constexpr qreal kPictureRatio = 2.0;
} // namespace

PictureButton::PictureButton(QWidget* parent, SkinRegistry& skin) : QToolButton(parent), m_skin(skin)
{
    setAutoRaise(true);
}

void PictureButton::SetImage(int normal, int hot, int disabled)
{
    m_nBmpNormal = normal;
    m_nBmpHot = hot;
    m_nBmpDisabled = disabled;
    ShowCurrentPicture();
}

int PictureButton::currentBitmap() const
{
    if (!isEnabled())
        return m_nBmpDisabled != 0 ? m_nBmpDisabled : m_nBmpNormal;
    if (m_bHot && m_nBmpHot != 0)
        return m_nBmpHot;
    return m_nBmpNormal;
}

void PictureButton::ShowCurrentPicture()
{
    const int id = currentBitmap();
    const QPixmap picture = m_skin.pixmap(id, kPictureRatio);
    QIcon icon;
    icon.addPixmap(picture, QIcon::Normal);
    icon.addPixmap(picture, QIcon::Active);
    // A picture of its own for the disabled state is shown as it is drawn;
    // without one the style greys the normal picture.
    if (!isEnabled() && m_nBmpDisabled != 0)
        icon.addPixmap(picture, QIcon::Disabled);
    setIcon(icon);
}

void PictureButton::enterEvent(QEnterEvent* event)
{
    m_bHot = true;
    ShowCurrentPicture();
    QToolButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event)
{
    m_bHot = false;
    ShowCurrentPicture();
    QToolButton::leaveEvent(event);
}

void PictureButton::changeEvent(QEvent* event)
{
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        ShowCurrentPicture();
}
