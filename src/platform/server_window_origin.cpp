#include "platform/server_window_origin.h"

#include <QGuiApplication>
#include <QWindow>

#include <cstdlib>
#include <memory>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

std::optional<QPoint> ServerWindowOrigin(const QWindow* window)
{
#if QT_CONFIG(xcb)
    if (!window || !window->handle() || !qGuiApp)
        return std::nullopt;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return std::nullopt;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const auto release = [](void* reply) { std::free(reply); };

    // The root of the window's own screen, then the window's origin on it.
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(release)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr), release);
    if (!geometry)
        return std::nullopt;
    const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(release)> origin(
        xcb_translate_coordinates_reply(connection, xcb_translate_coordinates(connection, id, geometry->root, 0, 0),
                                        nullptr),
        release);
    if (!origin)
        return std::nullopt;
    // The server counts device pixels, Qt device-independent ones.
    const QPointF device(origin->dst_x, origin->dst_y);
    return (device / window->devicePixelRatio()).toPoint();
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}
