#pragma once

#include <optional>

#include <QMargins>

class QWidget;

namespace quennit {

// The frame that an X11 window manager has put around window, as it
// announces it (_NET_FRAME_EXTENTS), read afresh; Qt learns the frame only
// from later configure events. Nothing elsewhere, or before the window
// manager has taken the window.
std::optional<QMargins> WindowManagerFrame(const QWidget& window);

}  // namespace quennit
