#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/resize_layout.h"

using quennit::CResizeLayout;

namespace {

// A top-level window that lays out its controls on every size change, as the
// main window does. Frameless, so that its outer size is its client size on
// every platform and the expected positions can be worked out by hand.
class LayoutWindow : public QWidget {
  public:
    explicit LayoutWindow(Qt::WindowFlags flags = Qt::FramelessWindowHint)
        : QWidget(nullptr, flags) {
        resize(400, 300);
        control = new QPushButton(this);
        control->setObjectName(QStringLiteral("control"));
        control->setGeometry(100, 50, 80, 40);  // right 180, bottom 90
    }

    CResizeLayout layout;
    QPushButton* control;
    int applied = 0;

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        ++applied;
        layout.Apply(this, true);
    }
};

std::unique_ptr<LayoutWindow> ShownWindow(Qt::WindowFlags flags = Qt::FramelessWindowHint) {
    auto window = std::make_unique<LayoutWindow>(flags);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) {
        return nullptr;
    }
    return window;
}

}  // namespace

class ResizeLayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    // The control starts at (100, 50)-(180, 90) in a 400 × 300 window:
    // right-to-left 300, bottom-to-top 250, right-to-right 220,
    // bottom-to-bottom 210.
    void modes_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");

        const QSize bigger(600, 450);  // ratios 1.5 and 1.5
        QTest::newRow("all stay") << 0 << 0 << 0 << 0 << bigger << QRect(100, 50, 80, 40);
        QTest::newRow("glued right, same width")
            << 1 << 0 << 1 << 0 << bigger << QRect(300, 50, 80, 40);
        QTest::newRow("top stays, bottom glued: grows downward")
            << 0 << 0 << 1 << 1 << bigger << QRect(100, 50, 280, 190);
        QTest::newRow("left proportional, right glued: widens")
            << 2 << 0 << 1 << 0 << bigger << QRect(150, 50, 230, 40);
        QTest::newRow("all proportional") << 2 << 2 << 2 << 2 << bigger << QRect(150, 75, 120, 60);
        QTest::newRow("keep size from the new corner")
            << 1 << 1 << 3 << 3 << bigger << QRect(300, 200, 80, 40);
        QTest::newRow("mode 3 on left and top stays")
            << 3 << 3 << 1 << 1 << bigger << QRect(100, 50, 280, 190);
        QTest::newRow("unknown mode stays") << 7 << 7 << 7 << 7 << bigger << QRect(100, 50, 80, 40);
        QTest::newRow("narrower, glued right")
            << 1 << 1 << 1 << 1 << QSize(350, 280) << QRect(50, 30, 80, 40);
        // 405 - 300 × (405 / 400): exactly 101.25, truncated to 101.
        QTest::newRow("truncated") << 2 << 0 << 0 << 0 << QSize(405, 300) << QRect(101, 50, 79, 40);
    }
    void modes() {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, right);
        QFETCH(int, bottom);
        QFETCH(QSize, size);
        QFETCH(QRect, expected);

        auto window = ShownWindow();
        QVERIFY(window);
        QVERIFY(window->layout.AddControl(window.get(), window->control, left, top, right, bottom,
                                          false));
        window->resize(size);
        QTRY_COMPARE(window->size(), size);
        QTRY_COMPARE(window->control->geometry(), expected);
    }

    // Ratios and positions are single-precision floats, truncated toward
    // zero: exact arithmetic gives 162 and 166 here, doubles 162 and 165.
    void singlePrecision_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expectedLeft");
        QTest::newRow("405") << 405 << 161;
        QTest::newRow("415") << 415 << 166;
    }
    void singlePrecision() {
        QFETCH(int, width);
        QFETCH(int, expectedLeft);
        auto window = ShownWindow();
        QVERIFY(window);
        window->control->setGeometry(160, 50, 80, 40);  // right-to-left 240
        QVERIFY(window->layout.AddControl(window.get(), window->control, 2, 0, 0, 0, false));
        window->resize(width, 300);
        QTRY_COMPARE(window->control->x(), expectedLeft);
    }

    void towardZeroForNegativePositions() {
        auto window = ShownWindow();
        QVERIFY(window);
        window->control->setGeometry(-10, 50, 80, 40);  // right-to-left 410
        QVERIFY(window->layout.AddControl(window.get(), window->control, 2, 0, 0, 0, false));
        window->resize(399, 300);  // 399 - 410 × 0.9975 = -9.975
        QTRY_COMPARE(window->control->x(), -9);
    }

    void narrowerThanMinimumSnapsBack_data() {
        QTest::addColumn<bool>("hint");
        QTest::newRow("platform ignores the hint") << false;
        QTest::newRow("with the minimum size hint") << true;
    }
    void narrowerThanMinimumSnapsBack() {
        QFETCH(bool, hint);
        auto window = ShownWindow();
        QVERIFY(window);
        window->layout.SetMinimumHint(hint);
        QVERIFY(window->layout.AddControl(window.get(), window->control, 1, 1, 1, 1, true));
        QCOMPARE(window->layout.GetMinWidth(), 400);
        QCOMPARE(window->layout.GetMinHeight(), 300);
        QCOMPARE(window->minimumSize(), hint ? QSize(400, 300) : QSize(0, 0));
        const QPoint topLeft = window->pos();

        window->resize(300, 350);  // too narrow, but taller: the height stays
        QTRY_COMPARE(window->size(), QSize(400, 350));
        QCOMPARE(window->pos(), topLeft);
        // Laid out for the corrected size.
        QTRY_COMPARE(window->control->geometry(), QRect(100, 100, 80, 40));

        window->resize(420, 200);
        QTRY_COMPARE(window->size(), QSize(420, 300));
        QTRY_COMPARE(window->control->geometry(), QRect(120, 50, 80, 40));
    }

    void minimumIsTheOuterSize() {
        auto window = ShownWindow(Qt::Window);
        QVERIFY(window);
        QVERIFY(window->layout.AddControl(window.get(), window->control, 0, 0, 0, 0, true));
        QCOMPARE(window->layout.GetMinWidth(), window->frameGeometry().width());
        QCOMPARE(window->layout.GetMinHeight(), window->frameGeometry().height());
        QCOMPARE(window->layout.GetItems().front().nWindowWidth, window->frameGeometry().width());
    }

    void registeringTwiceKeepsOneItemWithTheLaterModes() {
        auto window = ShownWindow();
        QVERIFY(window);
        auto* other = new QPushButton(window.get());
        other->setGeometry(10, 10, 20, 20);
        QVERIFY(window->layout.AddControl(window.get(), window->control, 0, 0, 0, 0, false));
        QVERIFY(window->layout.AddControl(window.get(), other, 0, 0, 0, 0, false));
        window->control->move(120, 50);  // the second registration measures anew
        QVERIFY(window->layout.AddControl(window.get(), window->control, 1, 0, 1, 0, false));

        QCOMPARE(window->layout.GetItems().size(), std::size_t{2});
        QCOMPARE(window->layout.GetItems().front().pControl.data(),
                 static_cast<QWidget*>(window->control));
        window->resize(500, 300);
        QTRY_COMPARE(window->control->geometry(), QRect(220, 50, 80, 40));
        QCOMPARE(other->geometry(), QRect(10, 10, 20, 20));
    }

    void controlsInsideAContainer() {
        auto window = ShownWindow();
        QVERIFY(window);
        auto* box = new QWidget(window.get());
        box->setGeometry(20, 20, 360, 260);
        auto* inner = new QPushButton(box);
        inner->setGeometry(80, 30, 80, 40);  // (100, 50) in the window
        QVERIFY(window->layout.AddControl(window.get(), inner, 1, 1, 1, 1, false));
        window->resize(600, 450);
        QTRY_COMPARE(inner->geometry(), QRect(280, 180, 80, 40));
    }

    void deletedControlAndNoControls() {
        auto window = ShownWindow();
        QVERIFY(window);
        window->resize(500, 400);  // nothing registered: nothing moves, no snap
        QTRY_COMPARE(window->size(), QSize(500, 400));
        QVERIFY(window->layout.AddControl(window.get(), window->control, 1, 1, 1, 1, false));
        delete window->control;
        window->control = nullptr;
        window->resize(450, 350);
        QTRY_COMPARE(window->size(), QSize(450, 350));
        QVERIFY(!window->layout.AddControl(window.get(), nullptr, 0, 0, 0, 0, false));
    }
};

QTEST_MAIN(ResizeLayoutTest)
#include "resize_layout_test.moc"
