// Searches from the window against sites served on 127.0.0.1 by the test.

#include <memory>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/app_icons.h"
#include "app/busy_animation.h"
#include "app/group_combo_box.h"
#include "app/search_dlg.h"
#include "app/sort_list_ctrl.h"
#include "local_site_server.h"
#include "platform/text_codec.h"
#include "window_test_support.h"

using namespace quennit;
using quennit::test::BoxAnswerer;
using quennit::test::LocalSiteServer;

namespace {

const QString kCompleted = QStringLiteral("検索が完了しました");

}  // namespace

class SearchDlgSearchTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalSiteServer> m_server;
    CAppSettings m_settings;
    std::unique_ptr<CSearchDlg> m_dlg;

    template <class T>
    T* Child(const char* name) const {
        return m_dlg->findChild<T*>(QString::fromLatin1(name));
    }

    QString StatusLine() const { return Child<QLabel>("statusLine")->text(); }

    QStringList Column(const char* list, int column) const {
        const auto* l = Child<CSortListCtrl>(list);
        QStringList cells;
        for (int r = 0; r < l->RowCount(); ++r) {
            cells << QString::fromStdString(SjisToUtf8(l->GetCellText(r, column)));
        }
        return cells;
    }

    bool ShowsIcon(int id) const {
        return Child<QPushButton>("searchButton")->icon().cacheKey() == AppIcon(id).cacheKey();
    }

    // Starts a search of the group "web" (no question asked).
    void Search(const QString& keyword) {
        Child<QLineEdit>("keywordEdit")->setText(keyword);
        auto* groups = Child<CGroupComboBox>("groupCombo");
        groups->setCurrentIndex(groups->findText(QStringLiteral("web")));
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
    }

  private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<LocalSiteServer>();
        QVERIFY(m_dir->isValid());
        QVERIFY(m_server->Port() != 0);
        const QByteArray sites =
            "SITE_FILE_VER\t1\n" +
            m_server->SiteLines(QByteArray::fromStdString(Utf8ToSjis("第一サイト").value()), 1,
                                "web") +
            m_server->SiteLines("Second", 2, "web") + m_server->SiteLines("Elsewhere", 3, "other");
        QVERIFY(test::WriteFile(m_dir->path() + "/SearchSite.ini", sites));
        m_settings = CAppSettings();
        m_settings.TIMEOUT = 5;
        m_settings.RETRY = 1;
        m_dlg = std::make_unique<CSearchDlg>(m_dir->path() + "/");
        m_dlg->m_pSettings = &m_settings;
        QVERIFY(m_dlg->Open());
    }

    void cleanup() {
        m_dlg.reset();
        m_server.reset();
        m_dir.reset();
        QCOMPARE(test::LiveTopLevelWidgets(), 0);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void allSitesFillBothListsInOrder() {
        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::Yes);
        Child<QLineEdit>("keywordEdit")->setText(QStringLiteral("alpha"));
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QTRY_COMPARE_WITH_TIMEOUT(StatusLine(), kCompleted, 20000);

        QCOMPARE(Column("resultList", 1),
                 (QStringList{"alpha 1-1", "alpha 1-2", "alpha 1-3", "alpha 2-1", "alpha 2-2",
                              "alpha 2-3", "alpha 3-1", "alpha 3-2", "alpha 3-3"}));
        QCOMPARE(Column("resultList", 0)[0], QStringLiteral("example.jp/1/1"));
        QCOMPARE(Column("resultList", 2)[0], QStringLiteral("text 1"));
        QCOMPARE(Column("resultList", 3)[0], QStringLiteral("第一サイト"));
        QCOMPARE(Column("resultList", 4).mid(0, 3), (QStringList{"10", "20", "30"}));
        QCOMPARE(Column("statusList", 0), (QStringList{"第一サイト", "Second", "Elsewhere"}));
        for (const QString& status : Column("statusList", 1)) {
            QVERIFY2(!status.isEmpty(), qPrintable(status));
        }
        QVERIFY(!m_dlg->IsSearching());
        QVERIFY(ShowsIcon(IDI_SEARCH));
        QVERIFY(!Child<CBusyAnimation>("animation")->IsPlaying());
    }

    void stopAskedAndCancelledGoesOnThenOkStops() {
        m_server->Hold(true);
        Search(QStringLiteral("alpha"));
        QTRY_COMPARE(m_server->Requests(), 1);
        QVERIFY(m_dlg->IsSearching());
        QVERIFY(ShowsIcon(IDI_STOP));
        QVERIFY(Child<CBusyAnimation>("animation")->IsPlaying());
        QVERIFY(QApplication::overrideCursor() != nullptr);

        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::Cancel);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].text, QStringLiteral("現在の検索を中断しますか？"));
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
        QVERIFY(m_dlg->IsSearching());
        QVERIFY(ShowsIcon(IDI_STOP));

        const QString lineBeforeStop = StatusLine();
        boxes.Queue(QMessageBox::Ok);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QVERIFY(!m_dlg->IsSearching());
        QVERIFY(ShowsIcon(IDI_SEARCH));
        QCOMPARE(Child<CBusyAnimation>("animation")->CurrentFrame(), 0);
        QVERIFY(!Child<CBusyAnimation>("animation")->IsPlaying());
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // The held page now arrives, but the stopped search shows nothing
        // more; a new search starts at once and shows only its own rows.
        m_server->Release();
        Search(QStringLiteral("beta"));
        QTRY_COMPARE_WITH_TIMEOUT(StatusLine(), kCompleted, 20000);
        const QStringList titles = Column("resultList", 1);
        QCOMPARE(titles.size(), 6);
        for (const QString& title : titles) {
            QVERIFY2(title.startsWith(QStringLiteral("beta ")), qPrintable(title));
        }
        QVERIFY(lineBeforeStop != kCompleted);
    }

    void closingDuringASearchEndsItWithoutHanging() {
        m_server->Hold(true);
        Search(QStringLiteral("alpha"));
        QTRY_COMPARE(m_server->Requests(), 1);
        BoxAnswerer boxes;
        QElapsedTimer timer;
        timer.start();
        m_dlg->close();
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(boxes.seen.empty());
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(!m_dlg->IsSearching());
        QCOMPARE(m_settings.TYPE, 1);
        // Destroying the window now frees nothing that a thread still uses.
        m_dlg.reset();
        m_server->Release();
    }
};

QTEST_MAIN(SearchDlgSearchTest)
#include "search_dlg_search_test.moc"
