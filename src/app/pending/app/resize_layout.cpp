#include "app/resize_layout.h"

namespace quennit {

bool CResizeLayout::AddControl(QWidget* parent, QWidget* control, int left, int top, int right,
                               int bottom, bool setMinimum) {
    const QRect client = parent->rect();
    const QRect r = control->geometry();
    const QSize outer = parent->frameGeometry().size();
    Item item{control,
              client.width() - r.x(),
              client.height() - r.y(),
              client.width() - (r.x() + r.width()),
              client.height() - (r.y() + r.height()),
              left,
              top,
              right,
              bottom,
              outer.width(),
              outer.height()};
    if (setMinimum) {
        m_minWidth = outer.width();
        m_minHeight = outer.height();
    }
    for (auto& existing : m_items) {
        if (existing.control == control) {
            existing = item;
            return true;
        }
    }
    m_items.push_back(item);
    return true;
}

void CResizeLayout::Apply(QWidget* parent, bool repaint) {
    const QSize outer = parent->frameGeometry().size();
    if (outer.width() < m_minWidth || outer.height() < m_minHeight) {
        const QSize frame = outer - parent->size();
        parent->resize(std::max(outer.width(), m_minWidth) - frame.width(),
                       std::max(outer.height(), m_minHeight) - frame.height());
        return;
    }
    const int cw = parent->width();
    const int ch = parent->height();
    for (const auto& it : m_items) {
        const float sx = static_cast<float>(outer.width()) / static_cast<float>(it.w);
        const float sy = static_cast<float>(outer.height()) / static_cast<float>(it.h);
        const QRect r = it.control->geometry();
        int l = r.x();
        int t = r.y();
        int ri = r.x() + r.width();
        int b = r.y() + r.height();
        const auto edge = [](int mode, int old, int size, int dist, float s) {
            if (mode == 1) {
                return size - dist;
            }
            if (mode == 2) {
                return static_cast<int>(static_cast<float>(size) - static_cast<float>(dist) * s);
            }
            return old;
        };
        l = edge(it.left, l, cw, it.rl, sx);
        t = edge(it.top, t, ch, it.bt, sy);
        ri = edge(it.right, ri, cw, it.rr, sx);
        b = edge(it.bottom, b, ch, it.bb, sy);
        it.control->setGeometry(l, t, ri - l, b - t);
    }
    if (repaint) {
        parent->update();
    }
}

}  // namespace quennit
