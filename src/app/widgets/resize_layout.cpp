#include "app/widgets/resize_layout.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace quennit {

namespace {

// Toward zero, as a C cast does; a position that isn't a number (a window
// registered at width 0) leaves the edge where it is.
int Truncate(float value, int fallback) {
    if (!std::isfinite(value) || value >= 2147483648.0f || value < -2147483648.0f) {
        return fallback;
    }
    return static_cast<int>(value);
}

// far − distance × scale in single precision (the ratio itself is single too).
int Scaled(int far, int distance, float scale, int fallback) {
    return Truncate(static_cast<float>(far) - static_cast<float>(distance) * scale, fallback);
}

float Ratio(int now, int then) {
    return static_cast<float>(now) / static_cast<float>(then);
}

}  // namespace

bool CResizeLayout::AddControl(QWidget* parent, QWidget* control, Mode leftMode, Mode topMode,
                               Mode rightMode, Mode bottomMode, bool setMinimum) {
    if (parent == nullptr || control == nullptr || !parent->isAncestorOf(control)) {
        return false;
    }
    const int clientRight = parent->width();
    const int clientBottom = parent->height();
    const QPoint topLeft = control->mapTo(parent, QPoint(0, 0));
    const QSize outer = OuterSize(parent);

    RESIZE_ITEM item{};
    item.pControl = control;
    item.nRightToLeft = clientRight - topLeft.x();
    item.nBottomToTop = clientBottom - topLeft.y();
    item.nRightToRight = clientRight - (topLeft.x() + control->width());
    item.nBottomToBottom = clientBottom - (topLeft.y() + control->height());
    item.nLeftMode = leftMode;
    item.nRightMode = rightMode;
    item.nBottomMode = bottomMode;
    item.nTopMode = topMode;
    item.nWindowWidth = outer.width();
    item.nWindowHeight = outer.height();

    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [control](const RESIZE_ITEM& i) { return i.pControl == control; });
    if (it != m_items.end()) {
        *it = item;
    } else {
        try {
            m_items.push_back(item);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    if (setMinimum) {
        m_nMinWidth = outer.width();
        m_nMinHeight = outer.height();
        if (m_bMinimumHint) {
            parent->setMinimumSize(parent->size());
        }
    }
    return true;
}

QSize CResizeLayout::OuterSize(const QWidget* parent) {
    const QSize outer = parent->frameGeometry().size();
    const QSize frame = outer - parent->size();
    if (frame.width() < 0 || frame.height() < 0) {
        // A window manager reparenting the window: its frame isn't known yet.
        return parent->size() + m_frame;
    }
    const QSize grown = frame - m_frame;
    m_frame = frame;
    if (grown.isNull() || m_items.empty()) {
        return outer;
    }
    for (RESIZE_ITEM& item : m_items) {
        item.nWindowWidth += grown.width();
        item.nWindowHeight += grown.height();
    }
    m_nMinWidth += grown.width();
    m_nMinHeight += grown.height();
    return outer;
}

void CResizeLayout::Apply(QWidget* parent, bool repaint) {
    if (parent == nullptr) {
        return;
    }
    const int clientRight = parent->width();
    const int clientBottom = parent->height();
    const QSize outer = OuterSize(parent);

    // The snap-back resize may come straight back here; if the platform
    // refuses the size, lay out what we got instead of trying again forever.
    if (!m_bSnapping && (outer.width() < m_nMinWidth || outer.height() < m_nMinHeight)) {
        const int frameWidth = outer.width() - clientRight;
        const int frameHeight = outer.height() - clientBottom;
        m_bSnapping = true;
        parent->resize(std::max(outer.width(), m_nMinWidth) - frameWidth,
                       std::max(outer.height(), m_nMinHeight) - frameHeight);
        m_bSnapping = false;
        return;
    }

    for (const RESIZE_ITEM& item : m_items) {
        QWidget* control = item.pControl;
        if (control == nullptr || !parent->isAncestorOf(control)) {
            continue;
        }
        const QPoint topLeft = control->mapTo(parent, QPoint(0, 0));
        const int left = topLeft.x();
        const int top = topLeft.y();
        const int right = left + control->width();
        const int bottom = top + control->height();
        const float sx = Ratio(outer.width(), item.nWindowWidth);
        const float sy = Ratio(outer.height(), item.nWindowHeight);

        int newLeft = left;
        if (item.nLeftMode == KeepFar) {
            newLeft = clientRight - item.nRightToLeft;
        } else if (item.nLeftMode == Proportional) {
            newLeft = Scaled(clientRight, item.nRightToLeft, sx, left);
        }
        int newTop = top;
        if (item.nTopMode == KeepFar) {
            newTop = clientBottom - item.nBottomToTop;
        } else if (item.nTopMode == Proportional) {
            newTop = Scaled(clientBottom, item.nBottomToTop, sy, top);
        }
        int newRight = right;
        if (item.nRightMode == KeepFar) {
            newRight = clientRight - item.nRightToRight;
        } else if (item.nRightMode == Proportional) {
            newRight = Scaled(clientRight, item.nRightToRight, sx, right);
        } else if (item.nRightMode == KeepSize) {
            newRight = newLeft + (right - left);
        }
        int newBottom = bottom;
        if (item.nBottomMode == KeepFar) {
            newBottom = clientBottom - item.nBottomToBottom;
        } else if (item.nBottomMode == Proportional) {
            newBottom = Scaled(clientBottom, item.nBottomToBottom, sy, bottom);
        } else if (item.nBottomMode == KeepSize) {
            newBottom = newTop + (bottom - top);
        }

        QWidget* holder = control->parentWidget();
        const QPoint at = holder == parent ? QPoint(newLeft, newTop)
                                           : holder->mapFrom(parent, QPoint(newLeft, newTop));
        control->setGeometry(at.x(), at.y(), std::max(0, newRight - newLeft),
                             std::max(0, newBottom - newTop));
    }
    if (repaint) {
        parent->update();
    }
}

}  // namespace quennit
