#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_settings.h"
#include "app/dialog_units.h"
#include "app/page_tab_ctrl.h"
#include "app/setting_dlg.h"
#include "app/sort_list_ctrl.h"
#include "engine/search_session.h"
#include "recording_window.h"
#include "test_server.h"
#include "test_sites.h"
#include "widget_test_util.h"

using quennit::CAppSettings;
using quennit::CPageTabCtrl;
using quennit::CSearchSession;
using quennit::CSettingDlg;
using quennit::CSortListCtrl;
using quennit::test::MessageBoxAnswerer;

namespace {

const std::string kSites =
    "SITE_FILE_VER\t2.0\n"
    "HOST_ID\tAlpha\nHOST_ADDR\talpha.example\nHOST_GROUP\tWeb\n"
    "HOST_ID\tBeta\nHOST_ADDR\tbeta.example\nHOST_GROUP\tNews\n";

// A session and settings as the main window has them, and the dialog on
// top: session time-out 20 s and 1 attempt, like a first start.
struct Fixture {
    Fixture() {
        loaded = quennit::test::LoadSiteText(session, dir.path(), kSites);
        settings.TIMEOUT = 20;
        settings.RETRY = 1;
        session.SetTimeout(20000);
        session.SetRetry(1);
        dlg = std::make_unique<CSettingDlg>(&session, &settings);
        tabs = dlg->findChild<CPageTabCtrl*>(QStringLiteral("pageTabCtrl"));
        list = dlg->findChild<CSortListCtrl*>(QStringLiteral("siteList"));
        timeout = dlg->findChild<QLineEdit*>(QStringLiteral("timeoutEdit"));
        retry = dlg->findChild<QLineEdit*>(QStringLiteral("retryEdit"));
        ok = dlg->findChild<QPushButton*>(QStringLiteral("okButton"));
        cancel = dlg->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    }
    void Show() {
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    }
    int RowOf(const char* name) const {
        for (int row = 0; row < list->RowCount(); ++row) {
            if (list->GetCellText(row, 0) == name) {
                return row;
            }
        }
        return -1;
    }
    void ShowTab(int index) {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(index).center());
    }
    // Replaces a box's text by typing.
    static void Retype(QLineEdit* edit, const QString& keys) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, keys);
    }
    bool Enabled(std::uint32_t site) const { return session.LookupSite(site)->m_bEnabled != 0; }

    QTemporaryDir dir;
    CSearchSession session;
    CAppSettings settings;
    bool loaded = false;
    std::unique_ptr<CSettingDlg> dlg;
    CPageTabCtrl* tabs;
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

    void OpensOnTheSitePage() {
        Fixture f;
        QVERIFY(f.loaded);
        f.Show();
        QCOMPARE(f.dlg->windowTitle(), QStringLiteral("設定"));
        const quennit::DialogUnits du(f.dlg->font());
        QCOMPARE(f.dlg->size(), QSize(du.X(254), du.Y(203)));
        QCOMPARE(f.ok->text(), QStringLiteral("OK"));
        QVERIFY(f.ok->isDefault());
        QCOMPARE(f.cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QCOMPARE(f.tabs->count(), 2);
        QCOMPARE(f.tabs->tabText(0), QStringLiteral("サイト定義情報"));
        QCOMPARE(f.tabs->tabText(1), QStringLiteral("検索オプション"));
        QCOMPARE(f.tabs->GetPage(0)->dialogId, 137);
        QCOMPARE(f.tabs->GetPage(1)->dialogId, 138);
        QCOMPARE(f.tabs->currentIndex(), 0);
        QVERIFY(f.list->isVisible());
        QVERIFY(!f.timeout->isVisible());
        QCOMPARE(f.list->RowCount(), 2);
    }

    void OkAppliesBothPages() {
        Fixture f;
        f.Show();
        f.list->SetCheck(f.RowOf("Alpha"), false);
        f.ShowTab(1);
        QTRY_VERIFY(f.timeout->isVisible());
        Fixture::Retype(f.timeout, QStringLiteral("45"));
        Fixture::Retype(f.retry, QStringLiteral("3"));
        QTest::mouseClick(f.ok, Qt::LeftButton);

        QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
        QVERIFY(!f.dlg->isVisible());
        // Site 1 takes no part in later searches; site 2 still does.
        QVERIFY(!f.Enabled(1));
        QVERIFY(f.Enabled(2));
        QCOMPARE(f.session.GetTimeout(), 45000u);
        QCOMPARE(f.session.GetRetry(), 3);
        QCOMPARE(f.settings.TIMEOUT, 45);
        QCOMPARE(f.settings.RETRY, 3);
    }

    void OkWithZeroAppliesZero() {
        Fixture f;
        f.Show();
        f.ShowTab(1);
        Fixture::Retype(f.timeout, QStringLiteral("0"));
        Fixture::Retype(f.retry, QStringLiteral("0"));
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
        QCOMPARE(f.session.GetTimeout(), 0u);
        QCOMPARE(f.session.GetRetry(), 0);
        QCOMPARE(f.settings.TIMEOUT, 0);
        QCOMPARE(f.settings.RETRY, 0);
    }

    void EmptyTimeoutOnOkSelectsTheOptionsTab() {
        Fixture f;
        f.Show();
        f.list->SetCheck(f.RowOf("Beta"), false);
        f.ShowTab(1);
        Fixture::Retype(f.timeout, QString());
        f.ShowTab(0);  // the user goes back to the sites and presses OK there
        QTRY_VERIFY(f.list->isVisible());

        MessageBoxAnswerer boxes;
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("半角数字で整数を入力してください。")});
        QVERIFY(f.dlg->isVisible());
        QCOMPARE(f.tabs->currentIndex(), 1);
        QTRY_VERIFY(f.timeout->isVisible());
        QCOMPARE(f.dlg->focusWidget(), f.timeout);
        QCOMPARE(f.session.GetTimeout(), 20000u);
        // The site switches were applied first and stay, even on Cancel.
        QTest::mouseClick(f.cancel, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QVERIFY(!f.Enabled(2));
        QVERIFY(f.Enabled(1));
    }

    void CancelAppliesNothing() {
        Fixture f;
        f.Show();
        f.list->SetCheck(f.RowOf("Alpha"), false);
        f.ShowTab(1);
        Fixture::Retype(f.timeout, QStringLiteral("60"));
        Fixture::Retype(f.retry, QStringLiteral("5"));
        QTest::mouseClick(f.cancel, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QVERIFY(f.Enabled(1));
        QCOMPARE(f.session.GetTimeout(), 20000u);
        QCOMPARE(f.session.GetRetry(), 1);
        QCOMPARE(f.settings.TIMEOUT, 20);
        QCOMPARE(f.settings.RETRY, 1);
    }

    void EnterAndEscapeInsideThePagesKeepTheDialogOpen() {
        quennit::test::RecordingOpener opener;
        Fixture f;
        f.Show();
        f.list->setFocus();
        f.list->SelectRow(f.RowOf("Beta"));
        QTest::keyClick(f.list, Qt::Key_Return);
        QTest::keyClick(f.list, Qt::Key_Escape);
        QCOMPARE(opener.Urls(), QList<QUrl>{QUrl(QStringLiteral("http://beta.example"))});

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

    void UncheckedSiteIsLeftOutOfTheNextSearch() {
        // Against the local test server: sites 1 and 3 share a name, and
        // only the row of site 3 is cleared.
        for (const char* var : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
            unsetenv(var);
        }
        quennit::test::TestServer server;
        quennit::test::RecordingWindow wnd;
        quennit::test::PauseRecorder pauses;
        CSearchSession session;
        std::string sites;
        for (const char* group : {"G1", "G2", "G3"}) {
            const std::string name = group == std::string("G2") ? "Other" : "Same";
            sites += quennit::test::PageSite(name, server.HostAddr(), "/page?n=1&of=1&per=2&q=%s",
                                             std::string("HOST_GROUP\t") + group + "\n");
        }
        quennit::test::LoadSites(session, sites, &wnd);
        session.SetPauseClock(pauses.Clock());
        CAppSettings settings;
        settings.TIMEOUT = 3;
        settings.RETRY = 1;

        CSettingDlg dlg(&session, &settings);
        auto* list = dlg.findChild<CSortListCtrl*>(QStringLiteral("siteList"));
        for (int row = 0; row < list->RowCount(); ++row) {
            if (list->GetCellText(row, 1) == "G3") {
                list->SetCheck(row, false);
            }
        }
        QTimer::singleShot(0, &dlg, [&dlg] {
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

    void RunsModallyAndReturnsAccepted() {
        // As the main window runs it: exec(), with the user's steps queued.
        Fixture f;
        QTimer::singleShot(0, f.dlg.get(), [&f] {
            f.list->SetCheck(f.RowOf("Beta"), false);
            QTest::mouseClick(f.ok, Qt::LeftButton);
        });
        QCOMPARE(f.dlg->exec(), int(QDialog::Accepted));
        QVERIFY(!f.Enabled(2));
    }
};

QTEST_MAIN(SettingDlgTest)
#include "setting_dlg_test.moc"
