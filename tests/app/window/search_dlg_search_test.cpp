// Searches from the window against the test server on 127.0.0.1.

#include <cstdlib>
#include <memory>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/window/app_icons.h"
#include "app/window/busy_animation.h"
#include "app/window/group_combo_box.h"
#include "app/window/search_dlg.h"
#include "qt_test_util.h"
#include "test_server.h"
#include "test_sites.h"

using namespace quennit;
using quennit::test::BoxAnswerer;
using quennit::test::Column;
using quennit::test::PageSite;

namespace {

const QString kCompleted = QStringLiteral("検索が完了しました");
const QString kWaiting = QStringLiteral("Stalled : 要求を送信しました");

}  // namespace

class SearchDlgSearchTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<test::TestServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    CAppSettings m_settings;
    test::PauseRecorder m_pauses;  // the pauses between requests, shortened
    std::unique_ptr<CSearchDlg> m_dlg;

    template <class T>
    T* Child(const char* name) const {
        return m_dlg->findChild<T*>(QString::fromLatin1(name));
    }

    QString StatusLine() const { return Child<QLabel>("statusLine")->text(); }

    std::string Site(const char* name, const char* group, const std::string& path) const {
        return PageSite(test::Sjis(name), m_server->HostAddr(), path,
                        std::string("HOST_GROUP\t") + group + "\n");
    }

    bool OpenWindow(const std::string& sites) {
        QFile file(m_dir->path() + "/SearchSite.ini");
        if (!file.open(QIODevice::WriteOnly) || file.write(sites.data(), sites.size()) < 0) {
            return false;
        }
        file.close();
        m_dlg = std::make_unique<CSearchDlg>(m_dir->path() + "/");
        m_dlg->m_pSettings = &m_settings;
        m_dlg->Session().SetPauseClock(m_pauses.Clock());
        return m_dlg->Open();
    }

    // A site that never answers, and one of three results in "web".
    bool OpenWithStalledSite() {
        return OpenWindow(Site("Stalled", "slow", "/stall-head?q=%s") +
                          Site("Quick", "web", "/page?n=1&of=1&per=2&q=%s"));
    }

    void Search(const QString& keyword, const QString& group) {
        Child<QLineEdit>("keywordEdit")->setText(keyword);
        auto* groups = Child<CGroupComboBox>("groupCombo");
        groups->setCurrentIndex(groups->findText(group));
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
    }

    bool ShowsIcon(int id) const {
        // The tool tip and the accessible name say what a click will do.
        const auto* button = Child<QPushButton>("searchButton");
        const QString name = id == IDI_STOP ? QStringLiteral("中止") : QStringLiteral("検索");
        return button->icon().cacheKey() == AppIcon(id).cacheKey() && button->toolTip() == name &&
               button->accessibleName() == name;
    }

    void VerifyIdle() const {
        QVERIFY(!m_dlg->IsSearching());
        QVERIFY(ShowsIcon(IDI_SEARCH));
        QVERIFY(!Child<CBusyAnimation>("animation")->IsPlaying());
        QCOMPARE(Child<CBusyAnimation>("animation")->CurrentFrame(), 0);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

  private slots:
    void initTestCase() {
        for (const char* var : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
            unsetenv(var);
        }
        m_server = std::make_unique<test::TestServer>();
    }
    void cleanupTestCase() { m_server.reset(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings = CAppSettings();
        m_settings.TIMEOUT = 30;
        m_settings.RETRY = 1;
    }

    void cleanup() {
        m_dlg.reset();
        m_dir.reset();
        QVERIFY(test::NoWindowLeft());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void allSitesFillBothListsInOrder() {
        QVERIFY(OpenWindow(Site("第一サイト", "web", "/page?n=1&of=1&per=1&q=%s") +
                           Site("Second", "web", "/page?n=1&of=1&per=2&q=%s") +
                           Site("Elsewhere", "other", "/page?n=1&of=1&per=3&q=%s")));
        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::Yes);
        Search(QStringLiteral("alpha"), QString());
        QCOMPARE(boxes.seen.size(), size_t(1));
        QTRY_COMPARE_WITH_TIMEOUT(StatusLine(), kCompleted, 20000);

        const auto& list = *Child<CSortListCtrl>("resultList");
        QCOMPARE(Column(list, 3), (QStringList{"第一サイト", "Second", "Second", "Elsewhere",
                                               "Elsewhere", "Elsewhere"}));
        QCOMPARE(Column(list, 1).mid(3), (QStringList{"Title 1", "Title 2", "Title 3"}));
        QCOMPARE(Column(list, 0)[0], QStringLiteral("example.test/doc/1"));
        QCOMPARE(Column(list, 2)[0], QStringLiteral("Text 1"));
        QCOMPARE(Column(list, 4).mid(3), (QStringList{"10", "20", "30"}));
        const auto& status = *Child<CSortListCtrl>("statusList");
        QCOMPARE(Column(status, 0), (QStringList{"第一サイト", "Second", "Elsewhere"}));
        QVERIFY(!Column(status, 1).contains(QString()));
        VerifyIdle();
    }

    void stopAskedCancelGoesOnOkStopsAndANewSearchRunsAtOnce() {
        QVERIFY(OpenWithStalledSite());
        Search(QStringLiteral("alpha"), QStringLiteral("slow"));
        QTRY_COMPARE(StatusLine(), kWaiting);
        QVERIFY(m_dlg->IsSearching());
        QVERIFY(ShowsIcon(IDI_STOP));
        QVERIFY(Child<CBusyAnimation>("animation")->IsPlaying());
        QVERIFY(QApplication::overrideCursor() != nullptr);

        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::Cancel);
        boxes.Queue(QMessageBox::Ok);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].text, QStringLiteral("現在の検索を中断しますか？"));
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
        QVERIFY(m_dlg->IsSearching());
        QVERIFY(ShowsIcon(IDI_STOP));

        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        VerifyIdle();
        QCoreApplication::processEvents();
        QCOMPARE(StatusLine(), kWaiting);

        // Joins the stopped search and shows only its own rows.
        Search(QStringLiteral("beta"), QStringLiteral("web"));
        QTRY_COMPARE_WITH_TIMEOUT(StatusLine(), kCompleted, 20000);
        QCOMPARE(Column(*Child<CSortListCtrl>("resultList"), 3), (QStringList{"Quick", "Quick"}));
        QCOMPARE(Column(*Child<CSortListCtrl>("statusList"), 0), QStringList{"Quick"});
    }

    void closingDuringASearchEndsItWithoutHanging() {
        QVERIFY(OpenWithStalledSite());
        Search(QStringLiteral("alpha"), QStringLiteral("slow"));
        QTRY_COMPARE(StatusLine(), kWaiting);
        BoxAnswerer boxes;
        m_dlg->close();  // joins the search thread
        QVERIFY(boxes.seen.empty());
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_settings.TYPE, 1);
        VerifyIdle();
        // Nothing of the ended search arrives afterwards.
        QCoreApplication::processEvents();
        QCOMPARE(StatusLine(), kWaiting);
        // Destroying the window frees nothing that a thread still uses.
        m_dlg.reset();
    }
};

QTEST_MAIN(SearchDlgSearchTest)
#include "search_dlg_search_test.moc"
