// The settings dialog with its two pages and tab control.

#include <memory>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/maker_page.h"
#include "app/dialogs/page_tab_ctrl.h"
#include "app/dialogs/search_option_page.h"
#include "app/dialogs/setting_dlg.h"
#include "app/dialogs/site_info_page.h"
#include "app/settings/app_settings.h"
#include "engine/search_session.h"
#include "qt_test_util.h"
#include "test_sites.h"

using namespace quennit;
using test::BoxAnswerer;
using test::Column;
using test::Retype;

namespace {

const QString kNotUnsigned = QStringLiteral("半角数字で整数を入力してください。");
const QString kTimeoutRange = QStringLiteral("0 から 999 までの整数を入力してください。");

// A session and settings as the main window has them (time-out 20 s and
// 1 attempt, like a first start; MULTI not 0 is on), and the dialog on top,
// shown. Sites 1 and 3 are named alike with site 2, switched off, between
// them; site 4 has no address.
struct Fixture {
    Fixture() {
        test::LoadSites(
            session,
            test::Sjis("SITE_FILE_VER\t\t1.05\nHOST_ID\tウェブ検索\nHOST_ADDR\tone.example\n"
                       "HOST_ID\tニュース\nHOST_ADDR\ttwo.example\nHOST_ID\tウェブ検索\n"
                       "HOST_ADDR\tthree.example\nHOST_ID\tローカル\n"),
            nullptr, 20000, 1);
        session.SetSiteEnabled(2, 0);
        settings.TIMEOUT = 20;
        settings.RETRY = 1;
        settings.MULTI = 7;
        dlg = std::make_unique<CSettingDlg>(&session, &settings);
        list = Child<CSortListCtrl>("siteList");
        timeout = Child("timeoutEdit");
        retry = Child("retryEdit");
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    }
    template <class T = QLineEdit>
    T* Child(const QString& name) const {
        return dlg->findChild<T*>(name);
    }
    int RowOf(const QString& address) const { return Column(*list, 2).indexOf(address); }
    void ShowTab(int index) const {
        QTabBar* bar = Child<CPageTabCtrl>("pageTabCtrl")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        QTRY_COMPARE(timeout->isVisible(), index == 1);
    }
    QList<bool> Enabled() const {
        QList<bool> on;
        for (std::uint32_t site = 1; site <= 4; ++site) {
            on << (session.LookupSite(site)->m_bEnabled != 0);
        }
        return on;
    }
    void VerifyOptions(std::uint32_t timeoutMs, int attempts) const {
        QCOMPARE(session.GetTimeout(), timeoutMs);
        QCOMPARE(session.GetRetry(), attempts);
        QCOMPARE(settings.TIMEOUT, static_cast<std::int32_t>(timeoutMs / 1000));
        QCOMPARE(settings.RETRY, attempts);
    }

    CSearchSession session;
    CAppSettings settings;
    std::unique_ptr<CSettingDlg> dlg;
    CSortListCtrl* list;
    QLineEdit* timeout;
    QLineEdit* retry;
};

}  // namespace

class SettingDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { CSortListCtrl::ResetSortState(); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    // Blanks around and zeros in front are fine; the ends of the range are
    // the typing scenario's. A failure leaves the value alone.
    void parseUIntField() {
        std::uint32_t got = 0;
        QCOMPARE(ParseUIntField(QStringLiteral(" 0012 "), 0, 999, got), UIntField::Ok);
        // 2^32 wraps to 0 if unchecked.
        for (const auto& [text, result] :
             {std::pair{QStringLiteral("4294967296"), UIntField::OutOfRange},
              {QStringLiteral("1 2"), UIntField::NotUnsigned},
              {QStringLiteral("１２"), UIntField::NotUnsigned}}) {
            QCOMPARE(ParseUIntField(text, 0, 999, got), result);
        }
        QCOMPARE(got, 12u);
    }

    // Listed 4, 3, 2, 1; sorted by address the rows of sites 1 and 3, named
    // alike, change places. The options page is checked at every key: one
    // message, at the key that made it bad, and the box typed in starts over
    // at 0. On OK an empty box brings its tab back and keeps every option.
    void switchesFollowTheirSiteBadOptionsAreReportedAndOkApplies() {
        Fixture f;
        QVERIFY(f.list->isVisible() && !f.timeout->isVisible());
        f.list->SortByColumn(2);
        f.list->setFocus();
        for (const char* address : {"three.example", ""}) {
            f.list->SelectRow(f.RowOf(address));  // toggled as the keyboard does
            QTest::keyClick(f.list, Qt::Key_Space);
        }
        f.ShowTab(1);
        QTest::mouseClick(f.Child<QCheckBox>("multiCheck"), Qt::LeftButton);
        BoxAnswerer boxes;
        const auto state = [&f] {
            return f.timeout->text() + '|' + f.retry->text() + '|' +
                   f.dlg->focusWidget()->objectName();
        };
        Retype(f.timeout, QStringLiteral("1000"));
        QCOMPARE(boxes.texts, QStringList{kTimeoutRange});
        QCOMPARE(state(), "0|1|timeoutEdit");
        Retype(f.retry, QString());  // quietly, while typing
        QCOMPARE(boxes.texts.size(), 1);
        // The empty other box gets back the page's last value and the focus.
        Retype(f.timeout, QStringLiteral("5"));
        QCOMPARE(boxes.texts.last(), kNotUnsigned);
        QCOMPARE(state(), "0|1|retryEdit");

        Retype(f.retry, QStringLiteral("9"));
        Retype(f.timeout, QString());
        QCOMPARE(f.Enabled(), (QList<bool>{1, 0, 1, 1}));  // nothing applied before OK
        f.ShowTab(0);  // the user goes back to the sites and presses OK there
        QTest::mouseClick(f.Child<QPushButton>("okButton"), Qt::LeftButton);
        QCOMPARE(boxes.texts.size(), 3);
        QCOMPARE(boxes.texts.last(), kNotUnsigned);
        QTRY_VERIFY(f.timeout->isVisible());
        QCOMPARE(f.dlg->focusWidget(), f.timeout);
        f.VerifyOptions(20000, 1);
        QCOMPARE(f.settings.MULTI, 7);
        QCOMPARE(f.Enabled(), (QList<bool>{1, 0, 0, 0}));  // the switches went first
        Retype(f.timeout, QStringLiteral("999"));
        QTest::mouseClick(f.Child<QPushButton>("okButton"), Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
        f.VerifyOptions(999000, 9);
        QCOMPARE(f.settings.MULTI, 0);
    }

    void enterAndDoubleClickOpenTheRowEscapeCancelsFromAnywhere() {
        test::RecordingOpener opener;
        Fixture f;
        QCOMPARE(Column(*f.list, 0) + Column(*f.list, 2),
                 (QStringList{"ローカル", "ウェブ検索", "ニュース", "ウェブ検索", "",
                              "three.example", "two.example", "one.example"}));
        QCOMPARE(
            f.Child<QLabel>("siteFileVersion")->text() + '|' + f.Child<QLabel>("siteCount")->text(),
            "1.05|4");
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Return);  // no row selected yet
        f.list->SelectRow(f.RowOf("one.example"));
        QTest::keyClick(f.list, Qt::Key_Return);
        test::DoubleClick(f.list, f.RowOf("three.example"));
        QCOMPARE(opener.urls, (QList<QUrl>{QUrl(QStringLiteral("http://one.example")),
                                           QUrl(QStringLiteral("http://three.example"))}));
        QTest::keyClick(f.list, Qt::Key_Space);
        f.ShowTab(1);
        Retype(f.timeout, QStringLiteral("60"));
        QTest::keyClick(f.timeout, Qt::Key_Return);
        QVERIFY(f.dlg->isVisible());
        // Escape inside a page cancels as Cancel does, and applies nothing.
        QTest::keyClick(f.timeout, Qt::Key_Escape);
        QTRY_VERIFY(!f.dlg->isVisible());
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QCOMPARE(f.Enabled(), (QList<bool>{1, 0, 1, 1}));
        f.VerifyOptions(20000, 1);
        for (const char* name : {"siteList", "multiCheck"}) {
            Fixture other;
            QTest::keyClick(other.Child<QWidget>(name), Qt::Key_Escape);
            QVERIFY(!other.dlg->isVisible());
        }
    }

    // Registered twice: at scale 1 and at scale 2. Screen readers read the
    // labels' texts.
    void everyControlShowsWholeAndIsNamed() {
        Fixture f;
        for (const QWidget* w : f.dlg->findChildren<QWidget*>()) {
            if (qobject_cast<CDialogPage*>(w->parentWidget()) != nullptr && !w->isHidden()) {
                QVERIFY2(w->size().expandedTo(w->minimumSizeHint()) == w->size(),
                         qPrintable(w->objectName() + w->accessibleName()));
            }
        }
        QCOMPARE(f.list->accessibleName() + f.timeout->accessibleName() +
                     f.retry->accessibleName() + f.Child<QWidget>("multiCheck")->accessibleName(),
                 "登録されているサイト検索タイムアウト（送信・受信）リトライ回数（送信・受信）"
                 "複数検索を同時に実行する");
    }

    // Enter on the link opens it; it doesn't go on to press OK.
    void aboutBoxLinkTakesEnter() {
        test::RecordingOpener opener;
        CAboutDlg about(FolderLocations("/opt/quennit/"));
        QTest::keyClick(about.findChild<QPushButton*>("makerPageButton"), Qt::Key_Return);
        QCOMPARE(opener.urls, QList<QUrl>{MakerPageUrl(QStringLiteral("/opt/quennit/"))});
    }
};

QTEST_MAIN(SettingDlgTest)
#include "setting_dlg_test.moc"
