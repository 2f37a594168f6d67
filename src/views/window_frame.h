#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// The thin frame of a bordered child window: one pixel in the window-frame
// colour along every edge of the window, with the client area inside it.
namespace window_frame {

constexpr int kWidth = 1;
constexpr QRgb kColour = qRgb(0, 0, 0);

// Paints the frame along the edges of rect (the window's own rectangle).
void Paint(QPainter& painter, const QRect& rect);
// The client area of a window of this rectangle.
QRect ClientRect(const QRect& rect);

} // namespace window_frame

// A bordered child window whose contents live in its client area: they are
// children of client(), which keeps them inside the frame and clips them there.
class CBorderedWindow : public QWidget {
    Q_OBJECT
public:
    explicit CBorderedWindow(QWidget* parent);

    QWidget* client() const { return m_client; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_client = nullptr;
};
