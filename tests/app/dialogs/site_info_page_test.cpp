#include <memory>
#include <string>

#include <QLabel>
#include <QTest>

#include "app/dialogs/site_info_page.h"
#include "engine/search_session.h"
#include "qt_test_util.h"
#include "test_sites.h"

using quennit::CSearchSession;
using quennit::CSiteInfoPage;
using quennit::CSortListCtrl;
using quennit::test::Column;

namespace {

// count sites named S1..Sn in groups G1..Gn at hosts h1..hn.
std::string Sites(int count) {
    std::string text = "SITE_FILE_VER\t\t1.05\n";
    for (int n = 1; n <= count; ++n) {
        const std::string i = std::to_string(n);
        text += "HOST_ID\tS" + i + "\nHOST_ADDR\th" + i + ".example\nHOST_GROUP\tG" + i + "\n";
    }
    return text;
}

// Two sites named alike (1 and 3) with another between them, and one
// without an address.
const std::string kDuplicates = quennit::test::Sjis(
    "HOST_ID\tウェブ検索\nHOST_ADDR\tone.example\n"
    "HOST_ID\tニュース\nHOST_ADDR\ttwo.example\n"
    "HOST_ID\tウェブ検索\nHOST_ADDR\tthree.example\n"
    "HOST_ID\tローカル\n");

struct Fixture {
    explicit Fixture(const std::string& siteFile, std::uint32_t disabled = 0) {
        quennit::test::LoadSites(session, siteFile, nullptr);
        if (disabled != 0) {
            session.SetSiteEnabled(disabled, 0);
        }
        page = std::make_unique<CSiteInfoPage>(&session);
        page->resize(500, 400);
        page->show();
        list = page->findChild<CSortListCtrl*>(QStringLiteral("siteList"));
    }
    int RowOf(const char* address) const {
        return static_cast<int>(Column(*list, 2).indexOf(QLatin1String(address)));
    }
    bool Enabled(std::uint32_t site) const { return session.LookupSite(site)->m_bEnabled != 0; }

    CSearchSession session;
    std::unique_ptr<CSiteInfoPage> page;
    CSortListCtrl* list = nullptr;
};

}  // namespace

class SiteInfoPageTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { CSortListCtrl::ResetSortState(); }
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void listsSitesInTheTablesOrderWithTheirSwitches_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("none") << 0 << QList<int>{};
        QTest::newRow("three, last first") << 3 << QList<int>{3, 2, 1};
        QTest::newRow("seventeen, in two runs")
            << 17 << QList<int>{15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 17, 16};
    }
    void listsSitesInTheTablesOrderWithTheirSwitches() {
        QFETCH(int, count);
        QFETCH(QList<int>, order);
        Fixture f(Sites(count), count > 0 ? 2 : 0);
        QStringList names, groups, hosts;
        for (const int n : order) {
            names << QStringLiteral("S%1").arg(n);
            groups << QStringLiteral("G%1").arg(n);
            hosts << QStringLiteral("h%1.example").arg(n);
        }
        QCOMPARE(Column(*f.list, 0), names);
        QCOMPARE(Column(*f.list, 1), groups);
        QCOMPARE(Column(*f.list, 2), hosts);
        for (int row = 0; row < order.size(); ++row) {
            QCOMPARE(f.list->GetCheck(row), order[row] != 2);
        }
        QCOMPARE(f.page->findChild<QLabel*>(QStringLiteral("siteFileVersion"))->text(),
                 QStringLiteral("1.05"));
        QCOMPARE(f.page->findChild<QLabel*>(QStringLiteral("siteCount"))->text(),
                 QString::number(count));
    }

    void applyChangesSwitchesEachRowsOwnSite_data() {
        QTest::addColumn<QString>("cleared");  // the row's address
        QTest::addColumn<bool>("sortByAddress");
        QTest::addColumn<QList<bool>>("enabled");  // sites 1, 2, 3, 4 afterwards
        QTest::newRow("second of the pair")
            << "three.example" << false << QList<bool>{true, true, false, true};
        QTest::newRow("first of the pair")
            << "one.example" << false << QList<bool>{false, true, true, true};
        QTest::newRow("the other site")
            << "two.example" << false << QList<bool>{true, false, true, true};
        QTest::newRow("site without address")
            << "" << false << QList<bool>{true, true, true, false};
        // Listed 4, 3, 2, 1; by address the row of site 3 moves down.
        QTest::newRow("second of the pair, sorted")
            << "three.example" << true << QList<bool>{true, true, false, true};
    }
    void applyChangesSwitchesEachRowsOwnSite() {
        QFETCH(QString, cleared);
        QFETCH(bool, sortByAddress);
        QFETCH(QList<bool>, enabled);
        Fixture f(kDuplicates);
        if (sortByAddress) {
            const int before = f.RowOf("three.example");
            f.list->SortByColumn(2);
            QVERIFY(f.RowOf("three.example") != before);
        }
        // Toggled the way the keyboard does: select, then Space.
        const int row = f.RowOf(cleared.toLatin1().constData());
        f.list->setFocus();
        f.list->SelectRow(row);
        QTest::keyClick(f.list, Qt::Key_Space);
        QVERIFY(!f.list->GetCheck(row));
        // Nothing reaches the table before OK.
        QVERIFY(f.Enabled(1) && f.Enabled(2) && f.Enabled(3) && f.Enabled(4));
        QVERIFY(f.page->ApplyChanges());
        for (std::uint32_t site = 1; site <= 4; ++site) {
            QCOMPARE(f.Enabled(site), enabled[static_cast<int>(site) - 1]);
        }
    }

    void enterAndDoubleClickOpenTheRowsOwnAddress() {
        quennit::test::RecordingOpener opener;
        Fixture f(kDuplicates);
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Return);  // no row selected yet
        QVERIFY(opener.urls.isEmpty());
        f.list->SelectRow(f.RowOf("one.example"));
        QTest::keyClick(f.list, Qt::Key_Return);
        const int row = f.RowOf("three.example");
        quennit::test::DoubleClick(f.list->viewport(),
                                   f.list->visualRect(f.list->model()->index(row, 1)).center());
        QCOMPARE(opener.urls, (QList<QUrl>{QUrl(QStringLiteral("http://one.example")),
                                           QUrl(QStringLiteral("http://three.example"))}));
    }
};

QTEST_MAIN(SiteInfoPageTest)
#include "site_info_page_test.moc"
