#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/widgets/resize_layout.h"

using quennit::CResizeLayout;

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
        QTest::addColumn<QList<int>>("modes");  // left, top, right, bottom
        QTest::addColumn<QRect>("start");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        const QRect start(100, 50, 80, 40);
        const QSize bigger(600, 450);  // ratios 1.5 and 1.5
        QTest::newRow("glued right, same width")
            << QList<int>{1, 0, 1, 0} << start << bigger << QRect(300, 50, 80, 40);
        QTest::newRow("all proportional")
            << QList<int>{2, 2, 2, 2} << start << bigger << QRect(150, 75, 120, 60);
        QTest::newRow("keep size from the new corner")
            << QList<int>{1, 1, 3, 3} << start << bigger << QRect(300, 200, 80, 40);
        QTest::newRow("unknown mode stays") << QList<int>{7, 7, 7, 7} << start << bigger << start;
        // Ratios and positions are single-precision floats, truncated toward
        // zero: doubles give 165 here.
        QTest::newRow("float 415") << QList<int>{2, 0, 0, 0} << QRect(160, 50, 80, 40)
                                   << QSize(415, 300) << QRect(166, 50, 74, 40);
        // 399 - 410 × 0.9975 = -9.975
        QTest::newRow("toward zero when negative")
            << QList<int>{2, 0, 0, 0} << QRect(-10, 50, 80, 40) << QSize(399, 300)
            << QRect(-9, 50, 79, 40);
    }
    void modes() {
        QFETCH(QList<int>, modes);
        QFETCH(QRect, start);
        QFETCH(QSize, size);
        QFETCH(QRect, expected);
        LayoutWindow window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.control->setGeometry(start);
        QVERIFY(window.layout.AddControl(&window, window.control, modes[0], modes[1], modes[2],
                                         modes[3], false));
        window.resize(size);
        QTRY_COMPARE(window.control->geometry(), expected);
    }

    // Without the size hint (a platform may ignore it) Apply snaps back.
    void narrowerThanMinimumSnapsBack() {
        LayoutWindow window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.layout.SetMinimumHint(false);
        QVERIFY(window.layout.AddControl(&window, window.control, 1, 1, 1, 1, true));
        const QPoint topLeft = window.pos();
        window.resize(300, 350);  // too narrow, but taller: the height stays
        QTRY_COMPARE(window.size(), QSize(400, 350));
        QCOMPARE(window.pos(), topLeft);
        // Laid out for the corrected size.
        QTRY_COMPARE(window.control->geometry(), QRect(100, 100, 80, 40));
        window.resize(420, 200);
        QTRY_COMPARE(window.size(), QSize(420, 300));

        // Framed only after registration, as a window manager does: the
        // minimum grows by the frame and the template size still fits.
        window.setWindowFlags(Qt::Window);
        window.show();
        window.resize(10, 10);
        QTRY_COMPARE(window.size(), QSize(400, 300));
        QCOMPARE(window.layout.GetMinWidth(), window.frameGeometry().width());
    }

    void controlsInAContainerOrDeletedAreHandled() {
        LayoutWindow window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* other = new QPushButton(&window);
        QVERIFY(window.layout.AddControl(&window, other, 1, 1, 1, 1, false));
        // A control inside a container is measured from the window.
        auto* box = new QWidget(&window);
        box->setGeometry(20, 20, 360, 260);
        auto* inner = new QPushButton(box);
        inner->setGeometry(80, 30, 80, 40);  // (100, 50) in the window
        QVERIFY(window.layout.AddControl(&window, inner, 1, 1, 1, 1, false));
        QVERIFY(!window.layout.AddControl(&window, nullptr, 0, 0, 0, 0, false));
        window.resize(500, 400);
        QTRY_COMPARE(inner->geometry(), QRect(180, 130, 80, 40));
        delete other;  // a deleted control is skipped
        window.resize(450, 350);
        QTRY_COMPARE(inner->geometry(), QRect(130, 80, 80, 40));
    }
};

QTEST_MAIN(ResizeLayoutTest)
#include "resize_layout_test.moc"
