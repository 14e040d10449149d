#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

namespace quennit {

// Keeps the child controls of a resizable window in place as it is resized.
// Each edge of a control follows one rule, given as a Mode:
//   Stay          stays where it is;
//   KeepFar       keeps its distance to the window's right (or bottom) side;
//   Proportional  keeps that distance scaled by the window's size against
//                 its size at registration (single-precision ratio,
//                 truncated toward zero), so the edge shares the growth in
//                 proportion;
//   KeepSize      right or bottom edge only: keeps the control's width (or
//                 height) from the new left (or top) edge; for a left or top
//                 edge it means Stay.
// Positions are in the window's client (content) coordinates; window sizes
// are outer sizes, frame included where the platform reports one. The
// window can't get smaller than its outer size at the last registration
// that asked for it: Apply snaps it back, and the window also gets that size
// as its minimum so that a window manager stops the drag there.
//
// A window manager frames a window only once it is shown, after the
// controls were registered; the registered outer sizes then grow by the
// frame, as if it had been known at registration.
class CResizeLayout {
  public:
    enum Mode { Stay = 0, KeepFar = 1, Proportional = 2, KeepSize = 3 };

    struct RESIZE_ITEM {
        QPointer<QWidget> pControl;
        int nRightToLeft;     // client right - control left, at registration
        int nBottomToTop;     // client bottom - control top
        int nRightToRight;    // client right - control right
        int nBottomToBottom;  // client bottom - control bottom
        Mode nLeftMode;
        Mode nRightMode;
        Mode nBottomMode;
        Mode nTopMode;
        int nWindowWidth;  // outer size of the window at registration
        int nWindowHeight;
    };

    CResizeLayout() = default;
    virtual ~CResizeLayout() = default;

    // Registers control (a descendant of parent) with its edge modes, or
    // replaces its earlier registration. With setMinimum, the window's current
    // outer size becomes its minimum size.
    bool AddControl(QWidget* parent, QWidget* control, Mode leftMode, Mode topMode, Mode rightMode,
                    Mode bottomMode, bool setMinimum);

    // Called on every size change of parent. A window below its minimum size
    // is resized back to it (left and top edges fixed) and nothing else
    // happens: that resize calls Apply again. Otherwise every control is moved
    // by its modes, in registration order; with repaint, the window is
    // redrawn once afterwards.
    void Apply(QWidget* parent, bool repaint);

    // Whether a registration with setMinimum also sets the window's minimum
    // size (on by default). Off, only Apply's snap-back keeps the minimum,
    // as on a platform that ignores the hint.
    void SetMinimumHint(bool on) { m_bMinimumHint = on; }

  private:
    // The parent's outer size; registrations follow a change of its frame.
    QSize OuterSize(const QWidget* parent);

    std::vector<RESIZE_ITEM> m_items;
    QSize m_frame;  // outer size - client size at the last registration
    int m_nMinWidth = 0;
    int m_nMinHeight = 0;
    bool m_bMinimumHint = true;
    bool m_bSnapping = false;
};

}  // namespace quennit
