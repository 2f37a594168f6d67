#include "platform/skin_registry.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtGlobal>

#include <cmath>

SkinRegistry::SkinRegistry(QString resourcePrefix) : m_prefix(std::move(resourcePrefix)) {}

SkinRegistry::~SkinRegistry()
{
    qDeleteAll(m_renderers);
}

SkinRegistry& SkinRegistry::instance()
{
    static SkinRegistry registry;
    return registry;
}

QSvgRenderer* SkinRegistry::renderer(const QString& id) const
{
    const auto it = m_renderers.constFind(id);
    if (it != m_renderers.constEnd())
        return it.value();
    QSvgRenderer* found = nullptr;
    const QString path = m_prefix + id + QStringLiteral(".svg");
    if (QFile::exists(path)) {
        auto* r = new QSvgRenderer(path);
        if (r->isValid()) {
            r->setAspectRatioMode(Qt::IgnoreAspectRatio);
            found = r;
        } else {
            qWarning("skin: %s is not a valid picture", qPrintable(path));
            delete r;
        }
    } else {
        qWarning("skin: no picture for \"%s\"", qPrintable(id));
    }
    m_renderers.insert(id, found);
    return found;
}

bool SkinRegistry::contains(const QString& id) const
{
    return m_drawn.contains(id) || renderer(id) != nullptr;
}

QSize SkinRegistry::naturalSize(const QString& id) const
{
    if (const auto it = m_drawn.constFind(id); it != m_drawn.constEnd())
        return it->naturalSize;
    const QSvgRenderer* r = renderer(id);
    return r ? r->defaultSize() : QSize();
}

void SkinRegistry::registerPainter(const QString& id, QSize naturalSize, Painter painter)
{
    m_drawn.insert(id, Drawn{naturalSize, std::move(painter)});
    // Pictures of the id rendered before are stale now.
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        if (it.key().startsWith(id + QLatin1Char('@')))
            it = m_cache.erase(it);
        else
            ++it;
    }
}

QPixmap SkinRegistry::pixmap(const QString& id, QSize size, qreal devicePixelRatio) const
{
    if (size.isEmpty() || devicePixelRatio <= 0)
        return QPixmap();
    const QString key = QStringLiteral("%1@%2x%3@%4")
                            .arg(id)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(qRound(devicePixelRatio * 100));
    if (const auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return it.value();
    const auto drawn = m_drawn.constFind(id);
    QSvgRenderer* r = drawn == m_drawn.constEnd() ? renderer(id) : nullptr;
    if (drawn == m_drawn.constEnd() && !r)
        return QPixmap();
    const QSize device(int(std::ceil(size.width() * devicePixelRatio)),
                       int(std::ceil(size.height() * devicePixelRatio)));
    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        if (r) {
            r->render(&painter, QRectF(QPointF(0, 0), QSizeF(device)));
        } else {
            painter.scale(double(device.width()) / size.width(),
                          double(device.height()) / size.height());
            drawn->painter(painter, size);
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    m_cache.insert(key, result);
    return result;
}

void SkinRegistry::clearCache()
{
    m_cache.clear();
}
