#include <tuple>

#include <QApplication>
#include <QScreen>
#include <QtTest>

#include "app/settings/app_settings.h"
#include "app/window/window_placement.h"

using quennit::CAppSettings;
using quennit::CWindowPlacement;

namespace {

// A top-level window that hands its events to its placement, as the main
// window does.
class PlacedWindow : public QWidget {
  public:
    PlacedWindow() { setMinimumSize(300, 200); }

    CWindowPlacement placement{*this};

  protected:
    bool event(QEvent* event) override {
        const bool handled = QWidget::event(event);
        placement.OnEvent(event->type());
        return handled;
    }
};

}  // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    // A placement that doesn't fit the screen is moved and shrunk to fit.
    void restoredAndStored_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("storedType");
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<QRect>("shown");  // and stored
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect fits(110, 90, 640, 380);
        QTest::newRow("minimized opens normal")
            << int{CAppSettings::TYPE_MINIMIZED} << int{CAppSettings::TYPE_NORMAL} << fits << fits;
        QTest::newRow("maximized") << int{CAppSettings::TYPE_MAXIMIZED}
                                   << int{CAppSettings::TYPE_MAXIMIZED} << fits << fits;
        QTest::newRow("closed minimized")
            << int{CAppSettings::TYPE_NORMAL} << int{CAppSettings::TYPE_MINIMIZED} << fits << fits;
        QTest::newRow("off the screen")
            << int{CAppSettings::TYPE_NORMAL} << int{CAppSettings::TYPE_NORMAL}
            << fits.translated(room.width(), 0) << fits.translated(room.right() - fits.right(), 0);
        QTest::newRow("from a larger screen")
            << int{CAppSettings::TYPE_MAXIMIZED} << int{CAppSettings::TYPE_MAXIMIZED}
            << QRect(room.topLeft() - QPoint(300, 0), room.size() * 2) << room;
    }
    void restoredAndStored() {
        QFETCH(int, type);
        QFETCH(int, storedType);
        QFETCH(QRect, saved);
        QFETCH(QRect, shown);
        CAppSettings settings;
        std::tie(settings.X1, settings.Y1, settings.X2, settings.Y2, settings.TYPE) =
            std::tuple(saved.left(), saved.top(), saved.right() + 1, saved.bottom() + 1, type);
        PlacedWindow window;
        window.placement.Apply(&settings, QSize(400, 250));
        window.show();
        QCOMPARE(window.isMaximized(), type == CAppSettings::TYPE_MAXIMIZED);
        if (type != CAppSettings::TYPE_MAXIMIZED) {
            QCOMPARE(window.frameGeometry(), shown);
        }
        if (storedType == CAppSettings::TYPE_MINIMIZED) {
            window.showMinimized();
        }
        window.placement.Store();
        QCOMPARE(settings.TYPE, storedType);
        // The normal placement is stored, whatever the state.
        QCOMPARE(QRect(QPoint(settings.X1, settings.Y1), QPoint(settings.X2, settings.Y2)),
                 shown.adjusted(0, 0, 1, 1));
        // Only once: what the window does later is not its placement at the end.
        window.move(window.pos() + QPoint(5, 5));
        window.placement.Store();
        QCOMPARE(settings.X1, shown.left());
    }

    // Without a saved placement the template size, enlarged, opens on the
    // screen; without settings nothing is placed or stored.
    void firstRunAndNoSettings() {
        CAppSettings settings;
        PlacedWindow first;
        first.placement.Apply(&settings, QSize(400, 250));
        first.show();
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(room.contains(first.frameGeometry()));
        QVERIFY(first.width() > 400 && first.height() > 250);
        first.placement.Store();
        QCOMPARE(settings.TYPE, int{CAppSettings::TYPE_NORMAL});

        PlacedWindow none;
        none.setGeometry(10, 20, 330, 220);
        none.placement.Apply(nullptr, QSize(400, 250));
        none.show();
        none.placement.Store();
        QCOMPARE(none.geometry(), QRect(10, 20, 330, 220));
    }
};

QTEST_MAIN(WindowPlacementTest)
#include "window_placement_test.moc"
