#include "views/window_frame.h"

#include <QPainter>

namespace window_frame {

void Paint(QPainter& p, const QRect& r)
{
    const QColor colour(kColour);
    p.fillRect(QRect(r.left(), r.top(), r.width(), kWidth), colour);
    p.fillRect(QRect(r.left(), r.bottom() - kWidth + 1, r.width(), kWidth), colour);
    p.fillRect(QRect(r.left(), r.top(), kWidth, r.height()), colour);
    p.fillRect(QRect(r.right() - kWidth + 1, r.top(), kWidth, r.height()), colour);
}

QRect ClientRect(const QRect& r)
{
    return r.adjusted(kWidth, kWidth, -kWidth, -kWidth);
}

} // namespace window_frame

CBorderedWindow::CBorderedWindow(QWidget* parent) : QWidget(parent), m_client(new QWidget(this))
{
}

void CBorderedWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    window_frame::Paint(p, rect());
}

void CBorderedWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_client->setGeometry(window_frame::ClientRect(rect()));
}
