#include "app/window/busy_animation.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace quennit {

CBusyAnimation::CBusyAnimation(QWidget* parent) : QWidget(parent) {
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % kFrameCount;
        update();
    });
}

void CBusyAnimation::Play() {
    m_frame = 0;
    m_timer.start();
    update();
}

void CBusyAnimation::Stop() {
    m_timer.stop();
    m_frame = 0;
    update();
}

void CBusyAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double ring = side * 0.34;
    const double dot = std::max(1.0, side * 0.09);
    const QColor lit = palette().color(QPalette::Highlight);
    const QColor dim = palette().color(QPalette::Mid);
    for (int i = 0; i < kFrameCount; ++i) {
        const double a = 2 * 3.14159265358979 * i / kFrameCount - 3.14159265358979 / 2;
        // The lit dot leaves a short fading tail behind it.
        const int behind = (m_frame - i + kFrameCount) % kFrameCount;
        QColor c = dim;
        if (IsPlaying() || behind == 0) {
            const double t = behind < 4 ? 1.0 - behind / 4.0 : 0.0;
            c = QColor::fromRgbF(dim.redF() + (lit.redF() - dim.redF()) * t,
                                 dim.greenF() + (lit.greenF() - dim.greenF()) * t,
                                 dim.blueF() + (lit.blueF() - dim.blueF()) * t);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(centre.x() + ring * std::cos(a), centre.y() + ring * std::sin(a)),
                      dot, dot);
    }
}

}  // namespace quennit
