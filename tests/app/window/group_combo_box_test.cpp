#include <QtTest>

#include "app/window/group_combo_box.h"

using quennit::CGroupComboBox;

class GroupComboBoxTest : public QObject {
    Q_OBJECT

  private slots:
    void addString_data() {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unique");
        QTest::addColumn<int>("expectedIndex");
        QTest::addColumn<QStringList>("expectedItems");

        const QStringList news{QStringLiteral("News"), QStringLiteral("検索")};
        QTest::newRow("new name goes to its sorted place")
            << news << QStringLiteral("Books") << true << 0
            << QStringList{QStringLiteral("Books"), QStringLiteral("News"), QStringLiteral("検索")};
        QTest::newRow("same name refused") << news << QStringLiteral("News") << true << 0 << news;
        QTest::newRow("prefix of an item refused, any case")
            << news << QStringLiteral("nE") << true << 0 << news;
        QTest::newRow("Japanese prefix refused")
            << news << QStringLiteral("検") << true << 1 << news;
        QTest::newRow("longer name than an item is new")
            << news << QStringLiteral("Newsgroup") << true << 1
            << QStringList{QStringLiteral("News"), QStringLiteral("Newsgroup"),
                           QStringLiteral("検索")};
        QTest::newRow("empty name refused") << news << QString() << true << -1 << news;
        QTest::newRow("without the flag a duplicate is added")
            << news << QStringLiteral("News") << false << 1
            << QStringList{QStringLiteral("News"), QStringLiteral("News"), QStringLiteral("検索")};
        QTest::newRow("without the flag an empty name is added")
            << news << QString() << false << 0
            << QStringList{QString(), QStringLiteral("News"), QStringLiteral("検索")};
        QTest::newRow("sorted without regard to case")
            << QStringList{QStringLiteral("alpha"), QStringLiteral("Gamma")}
            << QStringLiteral("Beta") << true << 1
            << QStringList{QStringLiteral("alpha"), QStringLiteral("Beta"),
                           QStringLiteral("Gamma")};
    }

    void addString() {
        QFETCH(QStringList, existing);
        QFETCH(QString, text);
        QFETCH(bool, unique);
        QFETCH(int, expectedIndex);
        QFETCH(QStringList, expectedItems);

        CGroupComboBox box;
        for (const QString& item : existing) {
            box.AddString(item, false);
        }
        box.setCurrentIndex(-1);
        QCOMPARE(box.AddString(text, unique), expectedIndex);
        QStringList items;
        for (int i = 0; i < box.count(); ++i) {
            items << box.itemText(i);
        }
        QCOMPARE(items, expectedItems);
        // Filling never selects a group: an empty selection means all sites.
        QCOMPARE(box.currentIndex(), -1);
        QCOMPARE(box.currentText(), QString());
    }
};

QTEST_MAIN(GroupComboBoxTest)
#include "group_combo_box_test.moc"
