#include "platform/image_list.h"

bool ImageList::Create(const QImage& picture, int imageWidth, QRgb maskColor)
{
    m_images.clear();
    if (picture.isNull() || imageWidth <= 0)
        return false;
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = qRgb(qRed(maskColor), qGreen(maskColor), qBlue(maskColor));
    for (int left = 0; left + imageWidth <= source.width(); left += imageWidth) {
        QImage image = source.copy(left, 0, imageWidth, source.height());
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (line[x] == mask)
                    line[x] = qRgba(0, 0, 0, 0);
        }
        m_images.append(image);
    }
    return !m_images.isEmpty();
}
