#include <memory>
#include <string>

#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/site_info_page.h"
#include "app/sort_list_ctrl.h"
#include "engine/search_session.h"
#include "widget_test_util.h"

using quennit::CSearchSession;
using quennit::CSiteInfoPage;
using quennit::CSortListCtrl;

namespace {

// count sites named S1..Sn in groups G1..Gn at hosts h1..hn.
std::string Sites(int count) {
    std::string text = "SITE_FILE_VER\t\t1.05\n";
    for (int n = 1; n <= count; ++n) {
        const std::string i = std::to_string(n);
        text += "HOST_ID\tS" + i + "\nHOST_ADDR\th" + i + ".example\nHOST_GROUP\tG" + i +
                "\nHOST_URL_FORMAT\t/q?%s\n";
    }
    return text;
}

// Two sites named alike (1 and 3) with another between them.
const std::string kDuplicates =
    "HOST_ID\tウェブ検索\nHOST_ADDR\tone.example\n"
    "HOST_ID\tニュース\nHOST_ADDR\ttwo.example\n"
    "HOST_ID\tウェブ検索\nHOST_ADDR\tthree.example\n";

struct Fixture {
    explicit Fixture(const std::string& siteFile) {
        loaded = quennit::test::LoadSiteText(session, dir.path(), siteFile);
    }
    void Open() {
        page = std::make_unique<CSiteInfoPage>(&session);
        page->resize(500, 400);
        page->show();
        list = page->findChild<CSortListCtrl*>(QStringLiteral("siteList"));
    }
    QString Label(const char* name) const {
        return page->findChild<QLabel*>(QLatin1String(name))->text();
    }
    std::string Cell(int row, int column) const {
        return quennit::SjisToUtf8(list->GetCellText(row, column));
    }
    int RowOf(const std::string& address) const {
        for (int row = 0; row < list->RowCount(); ++row) {
            if (Cell(row, 2) == address) {
                return row;
            }
        }
        return -1;
    }
    bool Enabled(std::uint32_t site) const { return session.LookupSite(site)->m_bEnabled != 0; }

    QTemporaryDir dir;
    CSearchSession session;
    bool loaded = false;
    std::unique_ptr<CSiteInfoPage> page;
    CSortListCtrl* list = nullptr;
};

// Toggles a row's check box the way the keyboard does: select, then Space.
void ToggleWithSpace(CSortListCtrl* list, int row) {
    list->setFocus();
    list->SelectRow(row);
    QTest::keyClick(list, Qt::Key_Space);
}

}  // namespace

class SiteInfoPageTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void ListsSitesInTheTablesOrder_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("none") << 0 << QList<int>{};
        QTest::newRow("three, last first") << 3 << QList<int>{3, 2, 1};
        QTest::newRow("seventeen, in two runs")
            << 17 << QList<int>{15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 17, 16};
    }
    void ListsSitesInTheTablesOrder() {
        QFETCH(int, count);
        QFETCH(QList<int>, order);
        Fixture f(Sites(count));
        QVERIFY(f.loaded);
        if (count > 0) {
            f.session.SetSiteEnabled(std::uint32_t{2}, 0);
        }
        f.Open();

        QCOMPARE(f.list->RowCount(), order.size());
        for (int row = 0; row < order.size(); ++row) {
            const std::string n = std::to_string(order[row]);
            QCOMPARE(f.Cell(row, 0), "S" + n);
            QCOMPARE(f.Cell(row, 1), "G" + n);
            QCOMPARE(f.Cell(row, 2), "h" + n + ".example");
            QCOMPARE(f.list->GetCheck(row), order[row] != 2);
        }
        QCOMPARE(f.Label("siteFileVersion"), QStringLiteral("1.05"));
        QCOMPARE(f.Label("siteCount"), QString::number(count));
    }

    void HasTheThreeColumns() {
        Fixture f(Sites(1));
        f.Open();
        const QStringList names = {QStringLiteral("サイト名"), QStringLiteral("グループ"),
                                   QStringLiteral("アドレス")};
        const int widths[] = {120, 120, 130};
        QCOMPARE(f.list->GetHeaderCount(), 3);
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(f.list->model()->headerData(c, Qt::Horizontal).toString(), names[c]);
            QCOMPARE(f.list->header()->sectionSize(c), widths[c]);
        }
    }

    void ApplyChangesSwitchesEachRowsOwnSite_data() {
        // Rows by address; sites 1 and 3 share a name.
        QTest::addColumn<QString>("cleared");
        QTest::addColumn<QList<bool>>("enabled");  // sites 1, 2, 3 afterwards
        QTest::newRow("second of the pair") << "three.example" << QList<bool>{true, true, false};
        QTest::newRow("first of the pair") << "one.example" << QList<bool>{false, true, true};
        QTest::newRow("the other site") << "two.example" << QList<bool>{true, false, true};
    }
    void ApplyChangesSwitchesEachRowsOwnSite() {
        QFETCH(QString, cleared);
        QFETCH(QList<bool>, enabled);
        Fixture f(kDuplicates);
        f.Open();
        const int row = f.RowOf(cleared.toStdString());
        QVERIFY(row >= 0);
        ToggleWithSpace(f.list, row);
        QVERIFY(!f.list->GetCheck(row));
        // Nothing reaches the table before OK.
        QVERIFY(f.Enabled(1) && f.Enabled(2) && f.Enabled(3));
        QVERIFY(f.page->ApplyChanges());
        for (std::uint32_t site = 1; site <= 3; ++site) {
            QCOMPARE(f.Enabled(site), enabled[static_cast<int>(site) - 1]);
        }
    }

    void RowsKeepTheirSitesThroughSorting() {
        Fixture f(kDuplicates);
        f.Open();
        // Listed 3, 2, 1; by address ascending: one, three, two. The row of
        // site 3 moves from the top to the middle.
        QCOMPARE(f.RowOf("three.example"), 0);
        CSortListCtrl::ResetSortState();
        f.list->SortByColumn(2);
        const int row = f.RowOf("three.example");
        QCOMPARE(row, 1);
        ToggleWithSpace(f.list, row);
        f.page->ApplyChanges();
        QVERIFY(f.Enabled(1));
        QVERIFY(f.Enabled(2));
        QVERIFY(!f.Enabled(3));
        CSortListCtrl::ResetSortState();
    }

    void ReopeningShowsTheCurrentSwitches() {
        Fixture f(kDuplicates);
        f.session.SetSiteEnabled(std::uint32_t{3}, 0);
        f.Open();
        QVERIFY(!f.list->GetCheck(f.RowOf("three.example")));
        QVERIFY(f.list->GetCheck(f.RowOf("one.example")));
    }

    void DoubleClickOpensTheSitesAddress() {
        quennit::test::RecordingOpener opener;
        Fixture f(kDuplicates);
        f.Open();
        const int row = f.RowOf("two.example");
        QWidget* viewport = f.list->viewport();
        const QPoint inRow = f.list->visualRect(f.list->model()->index(row, 1)).center();
        // A real double-click: the first press and release, then the second.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, inRow);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, inRow);
        QCOMPARE(opener.Urls(), QList<QUrl>{QUrl(QStringLiteral("http://two.example"))});

        // Below the last row: nothing.
        const QPoint below(20, viewport->height() - 3);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, below);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, below);
        QCOMPARE(opener.Urls().size(), 1);
    }

    void EnterOpensTheSelectedSite() {
        quennit::test::RecordingOpener opener;
        Fixture f(kDuplicates);
        f.Open();
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Return);  // no row selected yet
        QVERIFY(opener.Urls().isEmpty());

        f.list->SelectRow(f.RowOf("one.example"));
        QTest::keyClick(f.list, Qt::Key_Return);
        QCOMPARE(opener.Urls(), QList<QUrl>{QUrl(QStringLiteral("http://one.example"))});
    }

    void ASiteWithoutAddressIsListedEmpty() {
        Fixture f("HOST_ID\tローカル\nHOST_ID\tリモート\nHOST_ADDR\tremote.example\n");
        f.Open();
        QCOMPARE(f.list->RowCount(), 2);
        QCOMPARE(f.Cell(f.RowOf(""), 0), std::string("ローカル"));
    }
};

QTEST_MAIN(SiteInfoPageTest)
#include "site_info_page_test.moc"
