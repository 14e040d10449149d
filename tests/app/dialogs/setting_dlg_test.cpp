#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/page_tab_ctrl.h"
#include "app/dialogs/setting_dlg.h"
#include "app/settings/app_settings.h"
#include "engine/search_session.h"
#include "qt_test_util.h"
#include "recording_window.h"
#include "test_server.h"
#include "test_sites.h"

using quennit::CAppSettings;
using quennit::CSearchSession;
using quennit::CSettingDlg;
using quennit::CSortListCtrl;
using quennit::test::BoxAnswerer;
using quennit::test::Retype;

namespace {

// A session and settings as the main window has them (time-out 20 s and
// 1 attempt, like a first start), and the dialog on top, shown.
struct Fixture {
    Fixture() {
        quennit::test::LoadSites(session,
                                 "HOST_ID\tAlpha\nHOST_ADDR\talpha.example\n"
                                 "HOST_ID\tBeta\nHOST_ADDR\tbeta.example\n",
                                 nullptr, 20000, 1);
        settings.TIMEOUT = 20;
        settings.RETRY = 1;
        dlg = std::make_unique<CSettingDlg>(&session, &settings);
        tabs = dlg->findChild<quennit::CPageTabCtrl*>(QStringLiteral("pageTabCtrl"));
        list = dlg->findChild<CSortListCtrl*>(QStringLiteral("siteList"));
        timeout = dlg->findChild<QLineEdit*>(QStringLiteral("timeoutEdit"));
        retry = dlg->findChild<QLineEdit*>(QStringLiteral("retryEdit"));
        ok = dlg->findChild<QPushButton*>(QStringLiteral("okButton"));
        cancel = dlg->findChild<QPushButton*>(QStringLiteral("cancelButton"));
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    }
    int RowOf(const char* name) const {
        int row = 0;
        while (row < list->RowCount() && list->GetCellText(row, 0) != name) {
            ++row;
        }
        return row;
    }
    void Uncheck(const char* name) const { list->SetCheck(RowOf(name), false); }
    void ShowTab(int index) const {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(index).center());
    }
    bool Enabled(std::uint32_t site) const { return session.LookupSite(site)->m_bEnabled != 0; }
    void VerifyOptions(std::uint32_t timeoutMs, int attempts) const {
        QCOMPARE(session.GetTimeout(), timeoutMs);
        QCOMPARE(session.GetRetry(), attempts);
        QCOMPARE(settings.TIMEOUT, static_cast<std::int32_t>(timeoutMs / 1000));
        QCOMPARE(settings.RETRY, attempts);
    }

    CSearchSession session;
    CAppSettings settings;
    std::unique_ptr<CSettingDlg> dlg;
    quennit::CPageTabCtrl* tabs;
    CSortListCtrl* list;
    QLineEdit* timeout;
    QLineEdit* retry;
    QPushButton* ok;
    QPushButton* cancel;
};

}  // namespace

class SettingDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void opensOnTheSitePage() {
        Fixture f;
        QCOMPARE(f.dlg->windowTitle(), QStringLiteral("設定"));
        QCOMPARE(f.dlg->windowFlags(), quennit::kModalDialogFlags);
        QCOMPARE(f.cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QCOMPARE(f.tabs->tabText(0), QStringLiteral("サイト定義情報"));
        QCOMPARE(f.tabs->tabText(1), QStringLiteral("検索オプション"));
        QVERIFY(f.list->isVisible());
        QVERIFY(!f.timeout->isVisible());
    }

    void okAppliesBothPages_data() {
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<QString>("retry");
        QTest::addColumn<uint>("milliseconds");
        QTest::addColumn<int>("attempts");
        QTest::newRow("typical") << "45"
                                 << "3" << 45000u << 3;
        QTest::newRow("zero is applied too") << "0"
                                             << "0" << 0u << 0;
        QTest::newRow("limits") << "999"
                                << "99" << 999000u << 99;
    }
    void okAppliesBothPages() {
        QFETCH(QString, timeout);
        QFETCH(QString, retry);
        QFETCH(uint, milliseconds);
        QFETCH(int, attempts);
        Fixture f;
        f.Uncheck("Alpha");
        f.ShowTab(1);
        QTRY_VERIFY(f.timeout->isVisible());
        Retype(f.timeout, timeout);
        Retype(f.retry, retry);
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
        QVERIFY(!f.dlg->isVisible());
        QVERIFY(!f.Enabled(1));
        QVERIFY(f.Enabled(2));
        f.VerifyOptions(milliseconds, attempts);
    }

    void emptyTimeoutOnOkSelectsTheOptionsTabAndAppliesNoOption() {
        Fixture f;
        f.Uncheck("Beta");
        f.ShowTab(1);
        Retype(f.retry, QStringLiteral("9"));
        Retype(f.timeout, QString());
        f.ShowTab(0);  // the user goes back to the sites and presses OK there
        QTRY_VERIFY(f.list->isVisible());

        BoxAnswerer boxes;
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("半角数字で整数を入力してください。")});
        QVERIFY(f.dlg->isVisible());
        QCOMPARE(f.tabs->currentIndex(), 1);
        QTRY_VERIFY(f.timeout->isVisible());
        QCOMPARE(f.dlg->focusWidget(), f.timeout);
        f.VerifyOptions(20000, 1);
        // The site switches were applied first and stay, even on Cancel.
        QTest::mouseClick(f.cancel, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QVERIFY(!f.Enabled(2));
        QVERIFY(f.Enabled(1));
    }

    void cancelAppliesNothing() {
        Fixture f;
        f.Uncheck("Alpha");
        f.ShowTab(1);
        Retype(f.timeout, QStringLiteral("60"));
        Retype(f.retry, QStringLiteral("5"));
        QTest::mouseClick(f.cancel, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QVERIFY(f.Enabled(1));
        f.VerifyOptions(20000, 1);
    }

    void enterAndEscapeInsideThePagesKeepTheDialogOpen() {
        quennit::test::RecordingOpener opener;
        Fixture f;
        f.list->setFocus();
        f.list->SelectRow(f.RowOf("Beta"));
        QTest::keyClick(f.list, Qt::Key_Return);
        QTest::keyClick(f.list, Qt::Key_Escape);
        QCOMPARE(opener.urls, QList<QUrl>{QUrl(QStringLiteral("http://beta.example"))});

        f.ShowTab(1);
        QTRY_VERIFY(f.timeout->isVisible());
        f.timeout->setFocus();
        QTest::keyClick(f.timeout, Qt::Key_Return);
        QTest::keyClick(f.timeout, Qt::Key_Escape);
        QVERIFY(f.dlg->isVisible());

        // Outside the pages Escape cancels as usual.
        f.cancel->setFocus();
        QTest::keyClick(f.cancel, Qt::Key_Escape);
        QTRY_VERIFY(!f.dlg->isVisible());
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
    }

    void uncheckedSiteIsLeftOutOfTheNextSearch() {
        // Run modally as the main window does, then searched against the test
        // server: sites 1 and 3 share a name, and only the row of site 3 is
        // cleared.
        for (const char* var : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
            unsetenv(var);
        }
        quennit::test::TestServer server;
        quennit::test::RecordingWindow wnd;
        quennit::test::PauseRecorder pauses;
        CSearchSession session;
        std::string sites;
        for (const char* group : {"G1", "G2", "G3"}) {
            sites += quennit::test::PageSite(group == std::string("G2") ? "Other" : "Same",
                                             server.HostAddr(), "/page?n=1&of=1&per=2&q=%s",
                                             std::string("HOST_GROUP\t") + group + "\n");
        }
        quennit::test::LoadSites(session, sites, &wnd);
        session.SetPauseClock(pauses.Clock());
        CAppSettings settings;
        settings.TIMEOUT = 3;
        settings.RETRY = 1;
        CSettingDlg dlg(&session, &settings);
        auto* list = dlg.findChild<CSortListCtrl*>(QStringLiteral("siteList"));
        QTimer::singleShot(0, &dlg, [&dlg, list] {
            for (int row = 0; row < list->RowCount(); ++row) {
                list->SetCheck(row, list->GetCellText(row, 1) != "G3");
            }
            QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("okButton")),
                              Qt::LeftButton);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));

        session.Search("", "kw");
        std::set<quennit::WPARAM> answered;
        std::set<quennit::WPARAM> heard;
        for (const auto& m : wnd.Messages()) {
            heard.insert(m.wParam);
            if (m.msg == quennit::WM_SEARCH_RESULT) {
                answered.insert(m.wParam);
            }
        }
        QCOMPARE(answered, (std::set<quennit::WPARAM>{1, 2}));
        QVERIFY(heard.count(3) == 0);
    }
};

QTEST_MAIN(SettingDlgTest)
#include "setting_dlg_test.moc"
