#include <memory>

#include <QLabel>
#include <QPointer>
#include <QTabBar>
#include <QTest>

#include "app/page_tab_ctrl.h"
#include "widget_test_util.h"

using quennit::CPageTabCtrl;

class PageTabCtrlTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void AddPageKeepsTabsAndEntriesInStep() {
        CPageTabCtrl tabs;
        auto* a = new QLabel(QStringLiteral("a"));
        auto* b = new QLabel(QStringLiteral("b"));
        auto* c = new QLabel(QStringLiteral("c"));
        tabs.AddPage(0, QStringLiteral("A"), a, 137);
        tabs.AddPage(1, QStringLiteral("C"), c, 139);
        tabs.AddPage(1, QStringLiteral("B"), b, 138);  // between: C moves up

        QCOMPARE(tabs.count(), 3);
        QCOMPARE(tabs.GetPageCount(), 3);
        const QWidget* pages[] = {a, b, c};
        const QString captions[] = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs.tabText(i), captions[i]);
            QCOMPARE(tabs.widget(i), pages[i]);
            QCOMPARE(tabs.GetPage(i)->page.data(), pages[i]);
            QCOMPARE(tabs.GetPage(i)->dialogId, 137 + i);
            QVERIFY(!tabs.GetPage(i)->owned);
        }
        QVERIFY(tabs.GetPage(3) == nullptr);
        QVERIFY(tabs.GetPage(-1) == nullptr);
        // Nothing is owned, so the test deletes the pages itself.
        delete a;
        delete b;
        delete c;
    }

    void IndexBeyondTheEndLeavesEmptyEntries() {
        CPageTabCtrl tabs;
        auto page = std::make_unique<QLabel>();
        tabs.AddPage(2, QStringLiteral("X"), page.get(), 7);
        QCOMPARE(tabs.count(), 1);
        QCOMPARE(tabs.GetPageCount(), 3);
        QVERIFY(tabs.GetPage(0)->page == nullptr);
        QVERIFY(tabs.GetPage(1)->page == nullptr);
        QCOMPARE(tabs.GetPage(2)->page.data(), page.get());
        tabs.ShowCurrentPage();  // empty entries are skipped
    }

    void OnlyOwnedPagesDieWithTheControl() {
        QPointer<QLabel> owned = new QLabel;
        auto kept = std::make_unique<QLabel>();
        {
            CPageTabCtrl tabs;
            tabs.AddPage(0, QStringLiteral("owned"), owned, 1);
            tabs.AddPage(1, QStringLiteral("kept"), kept.get(), 2);
            tabs.GetPage(0)->owned = true;
        }
        QVERIFY(owned.isNull());
        QVERIFY(kept->parent() == nullptr);  // handed back, not deleted
    }

    void SelectionShowsOnlyTheSelectedPage() {
        CPageTabCtrl tabs;
        auto* first = new QLabel;
        auto* second = new QLabel;
        tabs.AddPage(0, QStringLiteral("1"), first, 1);
        tabs.AddPage(1, QStringLiteral("2"), second, 2);
        tabs.GetPage(0)->owned = true;
        tabs.GetPage(1)->owned = true;
        tabs.resize(300, 200);
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));

        QVERIFY(first->isVisible());
        QVERIFY(!second->isVisible());

        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
        QTRY_VERIFY(second->isVisible());
        QVERIFY(!first->isVisible());
        QCOMPARE(tabs.currentIndex(), 1);

        // The page fills the display area, inside the tab frame.
        QVERIFY(tabs.rect().contains(second->geometry().translated(second->parentWidget()->pos())));
        QVERIFY(second->height() > tabs.height() / 2);

        tabs.setCurrentIndex(0);
        QVERIFY(first->isVisible());
        QVERIFY(!second->isVisible());
    }
};

QTEST_MAIN(PageTabCtrlTest)
#include "page_tab_ctrl_test.moc"
