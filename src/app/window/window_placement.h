#pragma once

#include <optional>

#include <QEvent>
#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace quennit {

class CAppSettings;

// Places a top-level window where the settings file says and stores its
// placement back at the end.
//
// The settings hold the outer rectangle; Qt places the client area. Under
// X11 the frame is known only after the window manager has framed the
// mapped window, so the window is placed with the frame known so far and
// placed again when the real frame shows. A placement saved on a larger or
// another screen is moved onto the screen that holds most of it (else the
// primary one) and shrunk to its available area, never below the window's
// minimum size. One that fits stays exactly as it is.
class CWindowPlacement {
  public:
    // window must outlive this object.
    explicit CWindowPlacement(QWidget& window) : m_window(window) {}

    // Places the window by settings (nothing without them; not owned, kept
    // for Store). A first run, with no placement saved, centres
    // templateSize enlarged by a quarter on each side.
    void Apply(CAppSettings* settings, QSize templateSize);

    // The window's events, after the window has handled them: follows the
    // window manager's frame until the window is framed and in place.
    void OnEvent(QEvent::Type type);

    // Writes the placement into the settings, once; later calls do nothing.
    void Store();

  private:
    // The frame around the client area; none while it isn't known.
    std::optional<QMargins> Frame() const;
    // The normal outer rectangle the placement asks for, with that frame.
    QRect Target(const QMargins& frame) const;
    void PlaceNormal(const QMargins& frame);
    void FollowFrame();
    bool InNormalState() const;

    QWidget& m_window;
    CAppSettings* m_pSettings = nullptr;
    QSize m_templateSize;
    bool m_bStored = false;
    // Placed with a frame that a window manager may still change when it
    // frames the window; corrected once the real frame shows.
    bool m_bPending = false;
    QMargins m_placedFrame;
    QMargins m_normalFrame;  // the frame last seen in the normal state
};

}  // namespace quennit
