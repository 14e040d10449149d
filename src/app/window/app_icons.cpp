#include "app/window/app_icons.h"

#include "app/dialogs/program_icon.h"

#include <cmath>
#include <map>

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quennit {

namespace {

// Every drawing works in a 16 × 16 design grid scaled to the target.
void DrawMagnifier(QPainter& p, const QColor& rim, const QColor& glass) {
    p.setPen(QPen(rim, 1.8));
    p.setBrush(glass);
    p.drawEllipse(QPointF(6.5, 6.5), 4.6, 4.6);
    p.setPen(QPen(rim, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.0, 10.0), QPointF(14.2, 14.2));
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.6, 3.6, 5.8, 5.8), 100 * 16, 70 * 16);
}

void DrawSearch(QPainter& p) {
    DrawMagnifier(p, QColor(40, 60, 110), QColor(200, 225, 255));
}

void DrawSetting(QPainter& p) {
    QPainterPath gear;
    const QPointF c(8, 8);
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth * 2; ++i) {
        const double r = (i % 2 == 0) ? 7.2 : 5.4;
        for (double d : {-0.16, 0.16}) {
            const double a = (i + 0.5 + d) * 3.14159265358979 / kTeeth;
            const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
            if (gear.elementCount() == 0) {
                gear.moveTo(pt);
            } else {
                gear.lineTo(pt);
            }
        }
    }
    gear.closeSubpath();
    gear.addEllipse(c, 2.2, 2.2);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(QColor(60, 60, 70), 0.8));
    p.setBrush(QColor(150, 155, 170));
    p.drawPath(gear);
}

void DrawHelp(QPainter& p) {
    p.setPen(QPen(QColor(20, 100, 40), 0.8));
    p.setBrush(QColor(60, 170, 80));
    p.drawEllipse(QPointF(8, 8), 7.2, 7.2);
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath q;
    q.moveTo(5.6, 6.0);
    q.cubicTo(5.6, 3.2, 10.4, 3.2, 10.4, 6.0);
    q.cubicTo(10.4, 7.6, 8.0, 7.8, 8.0, 9.6);
    p.drawPath(q);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.0, 12.4), 1.2, 1.2);
}

void DrawStop(QPainter& p) {
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double a = (i + 0.5) * 3.14159265358979 / 4;
        octagon << QPointF(8 + 7.3 * std::cos(a), 8 + 7.3 * std::sin(a));
    }
    p.setPen(QPen(QColor(130, 10, 10), 0.8));
    p.setBrush(QColor(215, 40, 40));
    p.drawPolygon(octagon);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(4.5, 4.5, 7, 7), 0.8, 0.8);
}

void DrawListSwitch(QPainter& p) {
    // Two sheets of rows, one behind the other, and a turning arrow.
    for (const QPointF& at : {QPointF(4.5, 0.8), QPointF(0.8, 4.5)}) {
        p.setPen(QPen(QColor(70, 70, 80), 0.8));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(at, QSizeF(10.5, 10.5)));
        p.setPen(QPen(QColor(60, 110, 200), 1.0));
        for (int row = 0; row < 3; ++row) {
            const double y = at.y() + 3.0 + row * 2.6;
            p.drawLine(QPointF(at.x() + 2.0, y), QPointF(at.x() + 8.5, y));
        }
    }
}

using Painter = void (*)(QPainter&);

class VectorIconEngine : public QIconEngine {
  public:
    explicit VectorIconEngine(Painter draw) : m_paint(draw) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.4);
        }
        m_paint(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    // The window manager picks its sizes from this list.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(16, 16), QSize(24, 24),   QSize(32, 32),  QSize(48, 48),
                QSize(64, 64), QSize(128, 128), QSize(256, 256)};
    }

    QIconEngine* clone() const override { return new VectorIconEngine(m_paint); }

  private:
    Painter m_paint;
};

Painter PainterOf(int id) {
    switch (id) {
        case IDI_SEARCH:
            return DrawSearch;
        case IDI_SETTING:
            return DrawSetting;
        case IDI_HELP:
            return DrawHelp;
        case IDI_STOP:
            return DrawStop;
        case IDI_LISTSWITCH:
            return DrawListSwitch;
        default:
            return nullptr;
    }
}

}  // namespace

QIcon AppIcon(int id) {
    // The application icon is the one the desktop menu shows too.
    if (id == IDR_MAINFRAME) {
        return ProgramIcon();
    }
    static std::map<int, QIcon> cache;
    const auto found = cache.find(id);
    if (found != cache.end()) {
        return found->second;
    }
    const Painter paint = PainterOf(id);
    QIcon icon = paint ? QIcon(new VectorIconEngine(paint)) : QIcon();
    cache.emplace(id, icon);
    return icon;
}

}  // namespace quennit
