#include "app/window/window_placement.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/settings/app_settings.h"
#include "app/window/frame_extents.h"

namespace quennit {

namespace {

QRect FitOnScreen(QRect outer, const QSize& minimum) {
    const QScreen* best = QGuiApplication::primaryScreen();
    qint64 most = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(outer);
        const qint64 area = qint64{common.width()} * common.height();
        if (area > most) {
            most = area;
            best = screen;
        }
    }
    if (best == nullptr || best->availableGeometry().contains(outer)) {
        return outer;
    }
    const QRect room = best->availableGeometry();
    outer.setSize(outer.size().boundedTo(room.size()).expandedTo(minimum));
    // Left and top last: a window larger than the room keeps its title bar.
    outer.moveRight(std::min(outer.right(), room.right()));
    outer.moveBottom(std::min(outer.bottom(), room.bottom()));
    outer.moveLeft(std::max(outer.left(), room.left()));
    outer.moveTop(std::max(outer.top(), room.top()));
    return outer;
}

}  // namespace

std::optional<QMargins> CWindowPlacement::Frame() const {
    if (const std::optional<QMargins> announced = WindowManagerFrame(m_window)) {
        return announced;
    }
    const QRect outer = m_window.frameGeometry();
    const QRect inner = m_window.geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0) {
        return std::nullopt;  // half reparented: the rectangles mean nothing yet
    }
    return frame;
}

QRect CWindowPlacement::Target(const QMargins& frame) const {
    const CAppSettings& s = *m_pSettings;
    const QSize minimum = m_window.minimumSize().grownBy(frame);
    if (s.TYPE != CAppSettings::TYPE_NONE) {
        return FitOnScreen(QRect(QPoint(s.X1, s.Y1), QPoint(s.X2 - 1, s.Y2 - 1)), minimum);
    }
    // First run: the template window centred, enlarged by a quarter on each
    // side (the far side's quarter taken of the already widened size).
    QRect outer(QPoint(0, 0), m_templateSize.grownBy(frame));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        outer.moveCenter(screen->availableGeometry().center());
    }
    int left = outer.x();
    int top = outer.y();
    int right = outer.x() + outer.width();
    int bottom = outer.y() + outer.height();
    const int width = right - left;
    const int height = bottom - top;
    left -= width / 4;
    right += (right - left) / 4;
    top -= height / 4;
    bottom += (bottom - top) / 4;
    return FitOnScreen(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), minimum);
}

bool CWindowPlacement::InNormalState() const {
    return !(m_window.windowState() &
             (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void CWindowPlacement::PlaceNormal(const QMargins& frame) {
    m_placedFrame = frame;
    m_window.setGeometry(Target(frame).marginsRemoved(frame));
}

void CWindowPlacement::Apply(CAppSettings* settings, QSize templateSize) {
    m_pSettings = settings;
    m_templateSize = templateSize;
    if (m_pSettings == nullptr) {
        return;
    }
    m_bPending = true;
    m_normalFrame = Frame().value_or(QMargins());
    PlaceNormal(m_normalFrame);
    // A window closed minimized opens in its normal state.
    if (m_pSettings->TYPE == CAppSettings::TYPE_MAXIMIZED) {
        m_window.setWindowState(Qt::WindowMaximized);
    }
}

void CWindowPlacement::OnEvent(QEvent::Type type) {
    switch (type) {
        case QEvent::Paint:
        case QEvent::WindowActivate:
            // A window manager may frame the window without a configure
            // event that tells Qt; the first paint still comes.
            if (m_bPending) {
                QMetaObject::invokeMethod(
                    &m_window, [this] { FollowFrame(); }, Qt::QueuedConnection);
            }
            break;
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            FollowFrame();
            break;
        default:
            break;
    }
}

void CWindowPlacement::FollowFrame() {
    // Window managers frame a maximized window differently; a window that
    // opens maximized is placed anew when it is first restored.
    if (!m_window.isVisible() || !InNormalState()) {
        return;
    }
    const std::optional<QMargins> frame = Frame();
    if (!frame) {
        return;
    }
    m_normalFrame = *frame;
    if (!m_bPending) {
        return;
    }
    if (*frame != m_placedFrame) {
        PlaceNormal(*frame);
    } else if (!frame->isNull() && m_window.geometry() == Target(*frame).marginsRemoved(*frame)) {
        // Framed and in place: from now on the user moves the window.
        m_bPending = false;
    }
}

void CWindowPlacement::Store() {
    if (m_pSettings == nullptr || m_bStored) {
        return;
    }
    m_bStored = true;
    const bool normalState = InNormalState();
    const QMargins frame = normalState ? Frame().value_or(m_normalFrame) : m_normalFrame;
    QRect outer;
    if (m_bPending && (!normalState || frame != m_placedFrame)) {
        // Not yet seen in its normal state with this frame.
        outer = Target(frame);
    } else {
        outer = (normalState ? m_window.geometry() : m_window.normalGeometry()).marginsAdded(frame);
    }
    m_pSettings->X1 = outer.x();
    m_pSettings->Y1 = outer.y();
    m_pSettings->X2 = outer.x() + outer.width();
    m_pSettings->Y2 = outer.y() + outer.height();
    m_pSettings->TYPE = m_window.isMinimized()   ? CAppSettings::TYPE_MINIMIZED
                        : m_window.isMaximized() ? CAppSettings::TYPE_MAXIMIZED
                                                 : CAppSettings::TYPE_NORMAL;
}

}  // namespace quennit
