#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <memory>

#include "app/widgets/sort_list_ctrl.h"
#include "qt_test_util.h"

using quennit::CompareCells;
using quennit::CSortListCtrl;
using quennit::test::Column;

namespace {

// A list with the columns "name" and "value" and one row per pair.
std::unique_ptr<CSortListCtrl> MakeList(const QList<QPair<QString, QString>>& rows) {
    auto list = std::make_unique<CSortListCtrl>();
    list->InsertColumn(0, QStringLiteral("name"), 80);
    list->InsertColumn(1, QStringLiteral("value"), 80, Qt::AlignRight);
    for (const auto& [name, value] : rows) {
        const int row = list->InsertRow(list->RowCount(), name.toStdString());
        list->SetCellText(row, 1, value.toStdString());
    }
    return list;
}

}  // namespace

class SortListCtrlTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { CSortListCtrl::ResetSortState(); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void compareCells_data() {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("numbers, not text") << QByteArray("9") << QByteArray("10") << -1;
        QTest::newRow("commas dropped") << QByteArray("1,000") << QByteArray("999") << 1;
        QTest::newRow("negative") << QByteArray("-5") << QByteArray("3") << -1;
        QTest::newRow("empty above negative") << QByteArray("") << QByteArray("-1") << 1;
        QTest::newRow("second minus ends the number") << QByteArray("1-2") << QByteArray("1") << 0;
        QTest::newRow("decimal point makes text") << QByteArray("1.5") << QByteArray("10") << -1;
        QTest::newRow("one side text") << QByteArray("10") << QByteArray("9a") << -1;
        // Half-width katakana 0xB1 against hiragana 0x82 0xA0: by characters
        // the single byte is smaller, byte by byte it would be larger.
        QTest::newRow("double-byte by its code")
            << QByteArray("\xB1") << QByteArray("\x82\xA0") << -1;
        QTest::newRow("only 127 bytes count")
            << QByteArray(127, 'a') + "z" << QByteArray(127, 'a') + "b" << 0;
        QTest::newRow("the 127th byte counts")
            << QByteArray(126, 'a') + "z" << QByteArray(126, 'a') + "b" << 1;
    }
    void compareCells() {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        const auto sign = [](int n) { return (n > 0) - (n < 0); };
        QCOMPARE(sign(CompareCells(a.toStdString(), b.toStdString())), order);
        QCOMPARE(sign(CompareCells(b.toStdString(), a.toStdString())), -order);
    }

    // Equal cells keep their order both ways; the state is program-wide, so
    // the same column in another list continues the alternation there.
    void headerClicksSortWholeRowsAlternatingAcrossLists() {
        auto list = MakeList({{"a", "1"}, {"b", "20"}, {"c", "1"}, {"d", "20"}, {"e", "3"}});
        list->resize(300, 200);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        QHeaderView* header = list->header();
        const QPoint onValue(header->sectionViewportPosition(1) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onValue);
        QTRY_COMPARE(Column(*list, 0), (QStringList{"a", "c", "e", "b", "d"}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onValue);
        QTRY_COMPARE(Column(*list, 0), (QStringList{"b", "d", "e", "a", "c"}));
        list->SortByColumn(0);  // another column: ascending again
        QCOMPARE(Column(*list, 0), (QStringList{"a", "b", "c", "d", "e"}));
        auto other = MakeList({{"x", "1"}, {"z", "2"}, {"y", "3"}});
        other->SortByColumn(0);
        QCOMPARE(Column(*other, 0), (QStringList{"z", "y", "x"}));
        // By Shift_JIS code (ｱ before あ); what Shift_JIS lacks comes after.
        auto unicode = MakeList({{"é", ""}, {"あ", ""}, {"ｱ", ""}, {"z", ""}});
        unicode->SortByColumn(0);
        QCOMPARE(Column(*unicode, 0), (QStringList{"z", "ｱ", "あ", "é"}));
    }

    // Rows that arrive after a sort still sort right: each has its own key,
    // and its check and the selection go with it. The arrow shows only over
    // sorted rows.
    void rowsAddedAfterASortKeepTheirCheckAndSelection() {
        auto list = MakeList({{"a", "5"}, {"b", "1"}});
        list->SetCheckBoxes(true);
        list->SortByColumn(1);
        for (const char* v : {"4", "2", "3"}) {
            list->SetCellText(list->InsertRow(list->RowCount(), "あ"), 1, v);
        }
        QCOMPARE(Column(*list, 1), (QStringList{"1", "5", "4", "2", "3"}));
        QVERIFY(!list->header()->isSortIndicatorShown());  // no longer sorted
        QVERIFY(list->SetCheck(2, true));
        QVERIFY(!list->SetCellText(2, 2, "beyond the header"));
        list->SelectRow(3);
        list->SortByColumn(0);
        list->SortByColumn(1);
        QCOMPARE(Column(*list, 1), (QStringList{"1", "2", "3", "4", "5"}));
        QVERIFY(list->GetCheck(3) && !list->GetCheck(2));
        QCOMPARE(list->GetSelectedRow(), 1);
        QVERIFY(list->header()->isSortIndicatorShown());
        QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("あ"));
        list->DeleteAllItems();  // a new search
        QVERIFY(!list->header()->isSortIndicatorShown());
    }
};

QTEST_MAIN(SortListCtrlTest)
#include "sort_list_ctrl_test.moc"
