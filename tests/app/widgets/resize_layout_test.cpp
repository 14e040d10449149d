#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/widgets/resize_layout.h"

using quennit::CResizeLayout;
using Modes = QList<CResizeLayout::Mode>;
constexpr auto Stay = CResizeLayout::Stay;
constexpr auto KeepFar = CResizeLayout::KeepFar;
constexpr auto Proportional = CResizeLayout::Proportional;
constexpr auto KeepSize = CResizeLayout::KeepSize;

namespace {

// A top-level window that lays out its controls on every size change, as the
// main window does. Frameless, so that its outer size is its client size on
// every platform and the expected positions can be worked out by hand. The
// control starts at (100, 50)-(180, 90) in a 400 × 300 window.
class LayoutWindow : public QWidget {
  public:
    LayoutWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {
        resize(400, 300);
        control->setGeometry(100, 50, 80, 40);
        show();
    }

    CResizeLayout layout;
    QPushButton* control = new QPushButton(this);

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        layout.Apply(this, true);
    }
};

}  // namespace

class ResizeLayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void modes_data() {
        QTest::addColumn<Modes>("modes");     // left, top, right, bottom
        QTest::addColumn<QRect>("expected");  // in a 600 × 450 window
        QTest::newRow("glued right, same width")
            << Modes{KeepFar, Stay, KeepFar, Stay} << QRect(300, 50, 80, 40);
        QTest::newRow("all proportional")
            << Modes{Proportional, Proportional, Proportional, Proportional}
            << QRect(150, 75, 120, 60);
        QTest::newRow("keep size from the new corner")
            << Modes{KeepFar, KeepFar, KeepSize, KeepSize} << QRect(300, 200, 80, 40);
        QTest::newRow("keep size on a near edge stays")
            << Modes{KeepSize, KeepSize, Stay, Stay} << QRect(100, 50, 80, 40);
    }
    void modes() {
        QFETCH(Modes, modes);
        QFETCH(QRect, expected);
        LayoutWindow window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.layout.AddControl(&window, window.control, modes[0], modes[1], modes[2],
                                         modes[3], false));
        window.resize(600, 450);
        QTRY_COMPARE(window.control->geometry(), expected);
    }

    // Without the size hint (a platform may ignore it) Apply snaps back. A
    // control inside a container is measured from the window; a deleted one
    // is skipped.
    void snapsBackAndHandlesContainedOrDeletedControls() {
        LayoutWindow window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.layout.SetMinimumHint(false);
        auto* other = new QPushButton(&window);
        QVERIFY(
            window.layout.AddControl(&window, other, KeepFar, KeepFar, KeepFar, KeepFar, false));
        auto* box = new QWidget(&window);
        box->setGeometry(20, 20, 360, 260);
        auto* inner = new QPushButton(box);
        inner->setGeometry(80, 30, 80, 40);  // (100, 50) in the window
        QVERIFY(window.layout.AddControl(&window, inner, KeepFar, KeepFar, KeepFar, KeepFar, true));
        QVERIFY(!window.layout.AddControl(&window, nullptr, Stay, Stay, Stay, Stay, false));
        delete other;
        const QPoint topLeft = window.pos();
        window.resize(300, 350);  // too narrow, but taller: the height stays
        QTRY_COMPARE(window.size(), QSize(400, 350));
        QCOMPARE(window.pos(), topLeft);
        QTRY_COMPARE(inner->geometry(), QRect(80, 80, 80, 40));  // for the corrected size
        window.resize(420, 200);
        QTRY_COMPARE(window.size(), QSize(420, 300));
        QTRY_COMPARE(inner->geometry(), QRect(100, 30, 80, 40));
    }
};

QTEST_MAIN(ResizeLayoutTest)
#include "resize_layout_test.moc"
