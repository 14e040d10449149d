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

QStringList Split(const char* texts) {
    return QString::fromLatin1(texts).split(QLatin1Char('|'));
}

int Sign(int n) {
    return (n > 0) - (n < 0);
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
        QTest::newRow("commas anywhere") << QByteArray("1,2,3") << QByteArray("124") << -1;
        QTest::newRow("negative") << QByteArray("-5") << QByteArray("3") << -1;
        QTest::newRow("empty is zero") << QByteArray("") << QByteArray("0") << 0;
        QTest::newRow("empty above negative") << QByteArray("") << QByteArray("-1") << 1;
        QTest::newRow("lone minus is zero") << QByteArray("-") << QByteArray("0") << 0;
        QTest::newRow("second minus ends the number") << QByteArray("1-2") << QByteArray("1") << 0;
        QTest::newRow("decimal point makes text") << QByteArray("1.5") << QByteArray("10") << -1;
        QTest::newRow("letters make text") << QByteArray("abc") << QByteArray("12") << 1;
        QTest::newRow("one side text") << QByteArray("10") << QByteArray("9a") << -1;
        QTest::newRow("blank makes text") << QByteArray(" 10") << QByteArray("9") << -1;
        QTest::newRow("equal text") << QByteArray("abc") << QByteArray("abc") << 0;
        QTest::newRow("prefix first") << QByteArray("ab") << QByteArray("abc") << -1;
        // Half-width katakana 0xB1 against hiragana 0x82 0xA0: by characters
        // the single byte is smaller, byte by byte it would be larger.
        QTest::newRow("double-byte by its code")
            << QByteArray("\xB1") << QByteArray("\x82\xA0") << -1;
        QTest::newRow("hiragana order") << QByteArray("\x82\xA0") << QByteArray("\x82\xA2") << -1;
        QTest::newRow("full-width digit is text") << QByteArray("\x82\x50") << QByteArray("2") << 1;
        QTest::newRow("only 127 bytes count")
            << QByteArray(127, 'a') + "z" << QByteArray(127, 'a') + "b" << 0;
        QTest::newRow("the 127th byte counts")
            << QByteArray(126, 'a') + "z" << QByteArray(126, 'a') + "b" << 1;
        QTest::newRow("long number cut to 127 digits")
            << QByteArray(127, '1') + "9" << QByteArray(127, '1') << 0;
    }
    void compareCells() {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        QCOMPARE(Sign(CompareCells(a.toStdString(), b.toStdString())), order);
        QCOMPARE(Sign(CompareCells(b.toStdString(), a.toStdString())), -order);
    }

    void sortMovesWholeRowsInNumericOrder() {
        QList<QPair<QString, QString>> rows;
        for (const QString& v : Split("100|9|1,000||-7|3")) {
            rows.append({QStringLiteral("r") + v, v});
        }
        auto list = MakeList(rows);
        list->SortByColumn(1);
        QCOMPARE(Column(*list, 1), Split("-7||3|9|100|1,000"));
        for (int row = 0; row < list->RowCount(); ++row) {
            QCOMPARE(Column(*list, 0)[row], QStringLiteral("r") + Column(*list, 1)[row]);
        }
        // Equal cells keep their order, both ways.
        CSortListCtrl::ResetSortState();
        list = MakeList({{"a", "1"}, {"b", "2"}, {"c", "1"}, {"d", "2"}, {"e", "1"}});
        list->SortByColumn(1);
        QCOMPARE(Column(*list, 0), Split("a|c|e|b|d"));
        list->SortByColumn(1);
        QCOMPARE(Column(*list, 0), Split("b|d|a|c|e"));
    }

    void clicksAlternateAndAreShared() {
        auto a = MakeList({{"b", "2"}, {"c", "1"}, {"a", "3"}});
        auto b = MakeList({{"x", "1"}, {"y", "3"}, {"z", "2"}});

        a->SortByColumn(1);  // first click of the run: ascending
        QCOMPARE(Column(*a, 1), Split("1|2|3"));
        a->SortByColumn(1);
        QCOMPARE(Column(*a, 1), Split("3|2|1"));
        a->SortByColumn(0);  // another column: ascending again
        QCOMPARE(Column(*a, 0), Split("a|b|c"));
        a->SortByColumn(0);
        QCOMPARE(Column(*a, 0), Split("c|b|a"));
        a->SortByColumn(0);
        QCOMPARE(Column(*a, 0), Split("a|b|c"));
        // The state is program-wide: the same column index in another list
        // continues the alternation there.
        b->SortByColumn(0);
        QCOMPARE(Column(*b, 0), Split("z|y|x"));
    }

    void headerClickSorts() {
        auto list = MakeList({{"a", "10"}, {"b", "9"}, {"c", "100"}});
        list->resize(300, 200);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        QHeaderView* header = list->header();
        const QPoint onValue(header->sectionViewportPosition(1) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onValue);
        QTRY_COMPARE(Column(*list, 1), Split("9|10|100"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onValue);
        QTRY_COMPARE(Column(*list, 1), Split("100|10|9"));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    // Rows that arrive after a sort still sort right: each has its own key.
    void rowsAddedAfterASort() {
        auto list = MakeList({{"a", "5"}, {"b", "1"}});
        list->SortByColumn(1);
        for (const char* v : {"4", "2", "3"}) {
            const int row = list->InsertRow(list->RowCount(), std::string("n") + v);
            list->SetCellText(row, 1, v);
            list->SetCellText(row, 6, std::string("side") + v);  // beyond the header
        }
        QCOMPARE(Column(*list, 1), Split("1|5|4|2|3"));
        list->SortByColumn(0);
        list->SortByColumn(1);
        QCOMPARE(Column(*list, 1), Split("1|2|3|4|5"));
        QCOMPARE(Column(*list, 6), Split("|side2|side3|side4|"));

        QSet<std::uint32_t> keys;
        for (int row = 0; row < list->RowCount(); ++row) {
            QVERIFY(list->GetRowKey(row) != 0);
            keys.insert(list->GetRowKey(row));
        }
        QCOMPARE(keys.size(), list->RowCount());
    }

    void sideCellsBelongToTheirRow() {
        auto list = MakeList({{"a", "1"}, {"b", "2"}});
        QCOMPARE(list->GetCellText(0, 3), std::string());
        QVERIFY(list->SetCellText(1, 3, "three"));
        QVERIFY(list->SetCellText(1, 4, "four"));
        QVERIFY(list->SetCellText(1, 3, "THREE"));  // replaced, not added
        QCOMPARE(Column(*list, 3), Split("|THREE"));
        QCOMPARE(Column(*list, 4), Split("|four"));
        // Sorting by a column beyond the header compares numbers too.
        list->SetCellText(0, 4, "30");
        list->SetCellText(1, 4, "4");
        list->SortByColumn(4);
        QCOMPARE(Column(*list, 0), Split("b|a"));

        list->DeleteAllItems();
        QCOMPARE(list->RowCount(), 0);
        list->InsertRow(0, "c");
        list->InsertRow(1, "d");
        QCOMPARE(Column(*list, 3), Split("|"));
    }

    void insertRowPositions() {
        auto list = MakeList({{"a", "1"}, {"c", "3"}});
        QCOMPARE(list->InsertRow(1, "b"), 1);
        QCOMPARE(list->InsertRow(99, "z"), 3);
        QCOMPARE(list->InsertRow(-1, "x"), -1);
        QCOMPARE(Column(*list, 0), Split("a|b|c|z"));
        QCOMPARE(list->GetCellText(1, 1), std::string());
        list->InsertRow(0, "\x82\xA0\x82\xA2");  // Shift_JIS, shown decoded
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("あい"));
    }

    void rowsLeaveRoomForTheDescent() {
        // An underscore ends above the grid line, at 100 % and 200 %.
        auto list = MakeList({{"Shift_JIS", "1"}});
        for (const int points : {9, 18}) {
            QFont font = list->font();
            font.setPointSize(points);
            list->setFont(font);
            const QFontMetrics metrics(font);
            const int height = list->sizeHintForRow(0);
            QVERIFY2(
                (height - metrics.height()) / 2 + metrics.ascent() + metrics.descent() < height - 1,
                qPrintable(QString::number(height)));
        }
    }

    void checksAndSelectionFollowTheirRow() {
        auto list = MakeList({{"a", "3"}, {"b", "1"}, {"c", "2"}});
        list->SetCheckBoxes(true);
        QVERIFY(list->SetCheck(0, true));
        QVERIFY(!list->SetCheck(3, true));
        list->SelectRow(2);
        QCOMPARE(list->GetSelectedRow(), 2);
        list->SortByColumn(1);
        QCOMPARE(Column(*list, 0), Split("b|c|a"));
        QCOMPARE(list->GetCheck(2), true);
        QCOMPARE(list->GetCheck(0), false);
        QCOMPARE(list->GetSelectedRow(), 1);

        // The user's click on a check box goes through the model.
        QVERIFY(
            list->model()->setData(list->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(list->GetCheck(0), true);
    }
};

QTEST_MAIN(SortListCtrlTest)
#include "sort_list_ctrl_test.moc"
