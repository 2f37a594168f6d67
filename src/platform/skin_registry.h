#pragma once

#include <QHash>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;
class QSvgRenderer;

// The artwork of the skin, looked up by the bitmap id or name the layouts
// use (191, "BACKGROUND", ...). Each picture is an SVG in the resources
// under ":/skin/<id>.svg" whose width and height are its natural size.
// A picture is rendered once per size and device-pixel ratio and cached,
// so painting never loads or scales artwork.
class SkinRegistry {
public:
    explicit SkinRegistry(QString resourcePrefix = QStringLiteral(":/skin/"));
    ~SkinRegistry();
    SkinRegistry(const SkinRegistry&) = delete;
    SkinRegistry& operator=(const SkinRegistry&) = delete;

    // The program's registry over the built-in artwork.
    static SkinRegistry& instance();

    static QString idName(int id) { return QString::number(id); }

    bool contains(const QString& id) const;
    bool contains(int id) const { return contains(idName(id)); }

    // The natural size in pixels; an invalid size for an unknown id.
    QSize naturalSize(const QString& id) const;
    QSize naturalSize(int id) const { return naturalSize(idName(id)); }

    // The picture stretched to size (logical pixels) for the given device-pixel
    // ratio; a null pixmap for an unknown id or an empty size.
    QPixmap pixmap(const QString& id, QSize size, qreal devicePixelRatio = 1.0) const;
    QPixmap pixmap(int id, QSize size, qreal devicePixelRatio = 1.0) const
    {
        return pixmap(idName(id), size, devicePixelRatio);
    }
    // The picture at its natural size.
    QPixmap pixmap(const QString& id, qreal devicePixelRatio = 1.0) const
    {
        return pixmap(id, naturalSize(id), devicePixelRatio);
    }
    QPixmap pixmap(int id, qreal devicePixelRatio = 1.0) const
    {
        return pixmap(idName(id), devicePixelRatio);
    }

    // Drops every rendered picture (after a screen change, say).
    void clearCache();

    // A picture the program draws itself (from a rule it owns, such as the
    // meter law) rather than from an SVG: the painter draws it into a
    // logical rectangle of the given size. Replaces an earlier one of the id.
    using Painter = std::function<void(QPainter& painter, QSize size)>;
    void registerPainter(const QString& id, QSize naturalSize, Painter painter);
    void registerPainter(int id, QSize naturalSize, Painter painter)
    {
        registerPainter(idName(id), naturalSize, std::move(painter));
    }

private:
    QSvgRenderer* renderer(const QString& id) const;

    struct Drawn {
        QSize naturalSize;
        Painter painter;
    };

    QString m_prefix;
    QHash<QString, Drawn> m_drawn;
    mutable QHash<QString, QSvgRenderer*> m_renderers; // nullptr marks an unknown id
    mutable QHash<QString, QPixmap> m_cache;
};
