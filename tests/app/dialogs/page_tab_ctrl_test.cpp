#include <memory>

#include <QLabel>
#include <QPointer>
#include <QTabBar>
#include <QTest>

#include "app/dialogs/page_tab_ctrl.h"
#include "qt_test_util.h"

using quennit::CPageTabCtrl;

class PageTabCtrlTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void addPageKeepsTabsAndEntriesInStep() {
        CPageTabCtrl tabs;
        QLabel a, b, c, x;
        tabs.AddPage(0, QStringLiteral("A"), &a, 137);
        tabs.AddPage(1, QStringLiteral("C"), &c, 139);
        tabs.AddPage(1, QStringLiteral("B"), &b, 138);  // between: C moves up
        tabs.AddPage(5, QStringLiteral("X"), &x, 7);    // beyond the end: empty entries
        QCOMPARE(tabs.count(), 4);
        QCOMPARE(tabs.GetPageCount(), 6);
        const QWidget* pages[] = {&a, &b, &c, nullptr, nullptr, &x};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(tabs.GetPage(i)->page.data(), pages[i]);
        }
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs.tabText(i), QString(QChar(u'A' + i)));
            QCOMPARE(tabs.widget(i), pages[i]);
            QCOMPARE(tabs.GetPage(i)->dialogId, 137 + i);
        }
        QVERIFY(tabs.GetPage(6) == nullptr);
        QVERIFY(tabs.GetPage(-1) == nullptr);
        tabs.ShowCurrentPage();  // empty entries are skipped
    }

    void onlyOwnedPagesDieWithTheControl() {
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

    void selectionShowsOnlyTheSelectedPageFillingTheFrame() {
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
        QVERIFY(first->isVisible() && !second->isVisible());

        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
        QTRY_VERIFY(second->isVisible());
        QVERIFY(!first->isVisible());
        QVERIFY(tabs.rect().contains(second->geometry().translated(second->parentWidget()->pos())));
        QVERIFY(second->height() > tabs.height() / 2);
    }
};

QTEST_MAIN(PageTabCtrlTest)
#include "page_tab_ctrl_test.moc"
