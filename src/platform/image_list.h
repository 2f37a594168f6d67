#pragma once

#include <QImage>
#include <QList>
#include <QRgb>
#include <QSize>

// A row of small pictures of equal width cut from one picture, in which one
// colour stands for "transparent" (the skin draws its small images on such a
// colour instead of with an alpha channel).
class ImageList {
public:
    // Cuts picture into images imageWidth px wide, left to right; a narrower
    // rest at the right is left out. Pixels of maskColor become transparent.
    // False, leaving the list empty, when nothing could be cut.
    bool Create(const QImage& picture, int imageWidth, QRgb maskColor);

    int count() const { return int(m_images.size()); }
    // The size of every image; empty while the list is.
    QSize imageSize() const { return m_images.isEmpty() ? QSize() : m_images.front().size(); }
    // The image at index; a null image outside the list.
    QImage image(int index) const { return index >= 0 && index < count() ? m_images[index] : QImage(); }

private:
    QList<QImage> m_images;
};
