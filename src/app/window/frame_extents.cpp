#include "app/window/frame_extents.h"

#include <cstdint>
#include <cstdlib>

#include <QGuiApplication>
#include <QWidget>

#ifdef QUENNIT_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace quennit {

std::optional<QMargins> WindowManagerFrame(const QWidget& window) {
#ifdef QUENNIT_HAVE_XCB
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || x11 == nullptr ||
        x11->connection() == nullptr || !window.testAttribute(Qt::WA_WState_Created)) {
        return std::nullopt;
    }
    xcb_connection_t* c = x11->connection();
    static constexpr char kName[] = "_NET_FRAME_EXTENTS";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kName - 1, kName), nullptr);
    if (atom == nullptr) {
        return std::nullopt;
    }
    const xcb_atom_t name = atom->atom;
    std::free(atom);
    if (name == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, static_cast<xcb_window_t>(window.winId()),
                                                name, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr);
    std::optional<QMargins> frame;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        // Left, right, top, bottom, in device pixels.
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        const qreal ratio = window.devicePixelRatioF();
        frame = QMargins(qRound(v[0] / ratio), qRound(v[2] / ratio), qRound(v[1] / ratio),
                         qRound(v[3] / ratio));
    }
    std::free(reply);
    return frame;
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}

}  // namespace quennit
