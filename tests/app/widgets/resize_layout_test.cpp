#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/widgets/resize_layout.h"

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

    // Unless given, the control starts at (100, 50)-(180, 90) in a 400 × 300
    // window: right-to-left 300, bottom-to-top 250, right-to-right 220,
    // bottom-to-bottom 210.
    void modes_data() {
        QTest::addColumn<QList<int>>("modes");  // left, top, right, bottom
        QTest::addColumn<QRect>("start");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");

        const QRect start(100, 50, 80, 40);
        const QSize bigger(600, 450);  // ratios 1.5 and 1.5
        QTest::newRow("all stay") << QList<int>{0, 0, 0, 0} << start << bigger << start;
        QTest::newRow("glued right, same width")
            << QList<int>{1, 0, 1, 0} << start << bigger << QRect(300, 50, 80, 40);
        QTest::newRow("top stays, bottom glued: grows downward")
            << QList<int>{0, 0, 1, 1} << start << bigger << QRect(100, 50, 280, 190);
        QTest::newRow("left proportional, right glued: widens")
            << QList<int>{2, 0, 1, 0} << start << bigger << QRect(150, 50, 230, 40);
        QTest::newRow("all proportional")
            << QList<int>{2, 2, 2, 2} << start << bigger << QRect(150, 75, 120, 60);
        QTest::newRow("keep size from the new corner")
            << QList<int>{1, 1, 3, 3} << start << bigger << QRect(300, 200, 80, 40);
        QTest::newRow("unknown mode stays") << QList<int>{7, 7, 7, 7} << start << bigger << start;
        QTest::newRow("narrower, glued right")
            << QList<int>{1, 1, 1, 1} << start << QSize(350, 280) << QRect(50, 30, 80, 40);
        // 405 - 300 × (405 / 400): exactly 101.25, truncated to 101.
        QTest::newRow("truncated")
            << QList<int>{2, 0, 0, 0} << start << QSize(405, 300) << QRect(101, 50, 79, 40);
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

        auto window = ShownWindow();
        QVERIFY(window);
        window->control->setGeometry(start);
        QVERIFY(window->layout.AddControl(window.get(), window->control, modes[0], modes[1],
                                          modes[2], modes[3], false));
        window->resize(size);
        QTRY_COMPARE(window->size(), size);
        QTRY_COMPARE(window->control->geometry(), expected);
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

        // Framed only after registration, as a window manager does: the
        // minimum grows by the frame and the template size still fits.
        auto late = ShownWindow();
        QVERIFY(late->layout.AddControl(late.get(), late->control, 0, 0, 2, 0, true));
        late->setWindowFlags(Qt::Window);
        late->show();
        late->resize(10, 10);
        QTRY_COMPARE(late->size(), QSize(400, 300));
        QCOMPARE(late->layout.GetMinWidth(), late->frameGeometry().width());
        QCOMPARE(late->control->geometry(), QRect(100, 50, 80, 40));
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

        // A control inside a container is measured from the window.
        auto* box = new QWidget(window.get());
        box->setGeometry(20, 20, 360, 260);
        auto* inner = new QPushButton(box);
        inner->setGeometry(80, 30, 80, 40);  // (100, 50) in the window
        QVERIFY(window->layout.AddControl(window.get(), inner, 1, 1, 1, 1, false));
        QVERIFY(!window->layout.AddControl(window.get(), nullptr, 0, 0, 0, 0, false));

        QCOMPARE(window->layout.GetItems().size(), std::size_t{3});
        QCOMPARE(window->layout.GetItems().front().pControl.data(),
                 static_cast<QWidget*>(window->control));
        window->resize(500, 400);
        QTRY_COMPARE(window->control->geometry(), QRect(220, 50, 80, 40));
        QCOMPARE(other->geometry(), QRect(10, 10, 20, 20));
        QCOMPARE(inner->geometry(), QRect(180, 130, 80, 40));
        delete other;  // a deleted control is skipped
        window->resize(450, 350);
        QTRY_COMPARE(inner->geometry(), QRect(130, 80, 80, 40));
    }
};

QTEST_MAIN(ResizeLayoutTest)
#include "resize_layout_test.moc"
