// The settings dialog with its two pages and tab control, and the about box.

#include <memory>
#include <string>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/dialog_units.h"
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

Q_DECLARE_METATYPE(UIntField)

namespace {

const QString kNotUnsigned = QStringLiteral("半角数字で整数を入力してください。");
const QString kTimeoutRange = QStringLiteral("0 から 999 までの整数を入力してください。");

// Two sites named alike (1 and 3) with another between them, and one
// without an address.
const std::string kDuplicates = test::Sjis(
    "HOST_ID\tウェブ検索\nHOST_ADDR\tone.example\nHOST_ID\tニュース\nHOST_ADDR\ttwo.example\n"
    "HOST_ID\tウェブ検索\nHOST_ADDR\tthree.example\nHOST_ID\tローカル\n");

// A session and settings as the main window has them (time-out 20 s and
// 1 attempt, like a first start), and the dialog on top, shown.
struct Fixture {
    explicit Fixture(const std::string& sites = kDuplicates) {
        test::LoadSites(session, sites, nullptr, 20000, 1);
        settings.TIMEOUT = 20;
        settings.RETRY = 1;
        dlg = std::make_unique<CSettingDlg>(&session, &settings);
        tabs = dlg->findChild<CPageTabCtrl*>(QStringLiteral("pageTabCtrl"));
        list = dlg->findChild<CSortListCtrl*>(QStringLiteral("siteList"));
        timeout = dlg->findChild<QLineEdit*>(QStringLiteral("timeoutEdit"));
        retry = dlg->findChild<QLineEdit*>(QStringLiteral("retryEdit"));
        ok = dlg->findChild<QPushButton*>(QStringLiteral("okButton"));
        cancel = dlg->findChild<QPushButton*>(QStringLiteral("cancelButton"));
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    }
    int RowOf(const char* address) const {
        return static_cast<int>(Column(*list, 2).indexOf(QLatin1String(address)));
    }
    void ShowTab(int index) const {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(index).center());
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
    void init() { CSortListCtrl::ResetSortState(); }
    void cleanup() { QVERIFY(test::NoWindowLeft()); }

    void aboutBoxOpensTheHelpPageAndCloses_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("short") << QStringLiteral("/opt/quennit/");
        QTest::newRow("long, shown elided") << "/home/" + QString(200, QLatin1Char('d')) + '/';
    }
    void aboutBoxOpensTheHelpPageAndCloses() {
        QFETCH(QString, folder);
        test::RecordingOpener opener;
        CAboutDlg dlg(folder);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Quennitのﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(dlg.windowFlags(), quennit::kModalDialogFlags);
        QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("versionText"))->text().contains("1.2"));
        QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("appIcon"))->pixmap().isNull());
        auto* maker = dlg.findChild<QPushButton*>(QStringLiteral("makerPageButton"));
        const QUrl page = MakerPageUrl(folder);
        QCOMPARE(page.toLocalFile(), folder + QStringLiteral("Help/Quennit.html"));
        QCOMPARE(maker->toolTip(), page.toString());
        QCOMPARE(maker->text().size() < page.toString().size(), folder.size() > 100);
        bool openAfterClick = false;
        QTimer::singleShot(0, &dlg, [&] {
            QTest::mouseClick(maker, Qt::LeftButton);
            openAfterClick = dlg.isVisible();
            QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("okButton")),
                              Qt::LeftButton);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(openAfterClick);
        QCOMPARE(opener.urls, QList<QUrl>{page});
        for (const auto& [key, result] : {std::pair{Qt::Key_Escape, QDialog::Rejected},
                                          std::pair{Qt::Key_Return, QDialog::Accepted}}) {
            dlg.show();
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            QTest::keyClick(QApplication::focusWidget(), key);
            QTRY_VERIFY(!dlg.isVisible());
            QCOMPARE(dlg.result(), int(result));
        }
    }

    void ParseUIntField_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<UIntField>("result");
        QTest::addColumn<uint>("value");
        QTest::newRow("zero") << "0" << UIntField::Ok << 0u;
        QTest::newRow("top") << "999" << UIntField::Ok << 999u;
        QTest::newRow("leading zeros, blanks") << " 0012 " << UIntField::Ok << 12u;
        QTest::newRow("one past the top") << "1000" << UIntField::OutOfRange << 0u;
        QTest::newRow("2^32 wraps if unchecked") << "4294967296" << UIntField::OutOfRange << 0u;
        QTest::newRow("past 64 bits") << "99999999999999999999" << UIntField::OutOfRange << 0u;
        QTest::newRow("blanks only") << "   " << UIntField::NotUnsigned << 0u;
        QTest::newRow("minus") << "-1" << UIntField::NotUnsigned << 0u;
        QTest::newRow("plus") << "+1" << UIntField::NotUnsigned << 0u;
        QTest::newRow("blank inside") << "1 2" << UIntField::NotUnsigned << 0u;
        QTest::newRow("full-width digits") << "１２" << UIntField::NotUnsigned << 0u;
    }
    void ParseUIntField() {
        QFETCH(QString, text);
        QFETCH(UIntField, result);
        QFETCH(uint, value);
        std::uint32_t got = 12345;
        QCOMPARE(quennit::ParseUIntField(text, 0, 999, got), result);
        QCOMPARE(got, result == UIntField::Ok ? value : 12345u);
    }

    void typingABadValueResetsTheBoxToZero_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("message");  // none: the value stays
        QTest::newRow("time-out 1000") << "timeoutEdit"
                                       << "1000" << kTimeoutRange;
        QTest::newRow("retry 100")
            << "retryEdit"
            << "100" << QStringLiteral("0 から 99 までの整数を入力してください。");
        QTest::newRow("emptied box passes quietly") << "retryEdit" << QString() << QString();
    }
    void typingABadValueResetsTheBoxToZero() {
        QFETCH(QString, box);
        QFETCH(QString, keys);
        QFETCH(QString, message);
        Fixture f;
        f.ShowTab(1);
        auto* edit = f.dlg->findChild<QLineEdit*>(box);
        QLineEdit* other = edit == f.timeout ? f.retry : f.timeout;
        QCOMPARE(f.timeout->text() + f.retry->text(), QStringLiteral("201"));
        BoxAnswerer boxes;
        Retype(edit, keys);
        // One message, at the key that made the value bad, and then a 0.
        QCOMPARE(boxes.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(edit->text(), message.isEmpty() ? keys : QStringLiteral("0"));
        QCOMPARE(other->text(), other == f.timeout ? QStringLiteral("20") : QStringLiteral("1"));
        QCOMPARE(f.dlg->focusWidget(), edit);
    }

    void multiSwitchShowsTheSettingAndAppliesOnlyAFlip() {
        CSearchSession session;
        CAppSettings settings;
        settings.MULTI = 7;  // not 0: on, and kept as it is while not flipped
        CSearchOptionPage page(&session, &settings);
        auto* multi = page.findChild<QCheckBox*>(QStringLiteral("multiCheck"));
        QVERIFY(multi->isChecked());
        QVERIFY(page.ApplyChanges());
        QCOMPARE(settings.MULTI, 7);
        multi->setChecked(false);
        QVERIFY(page.ApplyChanges());
        QCOMPARE(settings.MULTI, 0);
    }

    void typingWhileTheOtherBoxIsEmptyResetsTheBoxTyped() {
        // The whole page is checked at every change; the box being typed in
        // starts over, and the empty box gets back the page's last value.
        Fixture f;
        f.ShowTab(1);
        BoxAnswerer boxes;
        Retype(f.retry, QString());
        Retype(f.timeout, QStringLiteral("5"));
        QCOMPARE(boxes.Texts(), QStringList{kNotUnsigned});
        QCOMPARE(f.timeout->text() + f.retry->text(), QStringLiteral("01"));
        QCOMPARE(f.dlg->focusWidget(), f.retry);
    }

    void valueBeyondTheRangeFromTheFileIsReportedOnApply() {
        CSearchSession session;
        CAppSettings settings;
        settings.TIMEOUT = 5000;
        CSearchOptionPage page(&session, &settings);
        QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("timeoutEdit"))->text(), "5000");
        BoxAnswerer boxes;
        QVERIFY(!page.ApplyChanges());
        QCOMPARE(boxes.Texts(), QStringList{kTimeoutRange});
        QCOMPARE(settings.TIMEOUT, 5000);
    }

    void siteListInTheTablesOrderWithTheirSwitches_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("none") << 0 << QList<int>{};
        QTest::newRow("three, last first") << 3 << QList<int>{3, 2, 1};
        QTest::newRow("seventeen, in two runs")
            << 17 << QList<int>{15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 17, 16};
    }
    void siteListInTheTablesOrderWithTheirSwitches() {
        QFETCH(int, count);
        QFETCH(QList<int>, order);
        std::string sites = "SITE_FILE_VER\t\t1.05\n";
        for (int n = 1; n <= count; ++n) {
            const std::string i = std::to_string(n);
            sites += "HOST_ID\tS" + i + "\nHOST_ADDR\th" + i + ".example\nHOST_GROUP\tG" + i + "\n";
        }
        CSearchSession session;
        test::LoadSites(session, sites, nullptr);
        if (count > 0) {
            session.SetSiteEnabled(2, 0);
        }
        CSiteInfoPage page(&session);
        const auto* list = page.findChild<CSortListCtrl*>(QStringLiteral("siteList"));
        QStringList rows;
        for (const int n : order) {
            rows << QStringLiteral("S%1|G%1|h%1.example|%2").arg(n).arg(n != 2);
        }
        QStringList actual;
        for (int row = 0; row < list->RowCount(); ++row) {
            actual << QStringLiteral("%1|%2|%3|%4")
                          .arg(Column(*list, 0)[row], Column(*list, 1)[row], Column(*list, 2)[row])
                          .arg(list->GetCheck(row));
        }
        QCOMPARE(actual, rows);
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("siteFileVersion"))->text(), "1.05");
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("siteCount"))->text(),
                 QString::number(count));
    }

    void okSwitchesEachRowsOwnSiteAndAppliesTheOptions_data() {
        QTest::addColumn<QString>("cleared");  // the row's address
        QTest::addColumn<bool>("sortByAddress");
        QTest::addColumn<QList<bool>>("enabled");  // sites 1, 2, 3, 4 afterwards
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<QString>("retry");
        QTest::newRow("second of the pair")
            << "three.example" << false << QList<bool>{1, 1, 0, 1} << "45"
            << "3";
        QTest::newRow("first of the pair")
            << "one.example" << false << QList<bool>{0, 1, 1, 1} << "0"
            << "0";
        QTest::newRow("the other site")
            << "two.example" << false << QList<bool>{1, 0, 1, 1} << "999"
            << "99";
        QTest::newRow("site without address") << "" << false << QList<bool>{1, 1, 1, 0} << "20"
                                              << "1";
        // Listed 4, 3, 2, 1; by address the row of site 3 moves down.
        QTest::newRow("second of the pair, sorted")
            << "three.example" << true << QList<bool>{1, 1, 0, 1} << "20"
            << "1";
    }
    void okSwitchesEachRowsOwnSiteAndAppliesTheOptions() {
        QFETCH(QString, cleared);
        QFETCH(bool, sortByAddress);
        QFETCH(QList<bool>, enabled);
        QFETCH(QString, timeout);
        QFETCH(QString, retry);
        Fixture f;
        QCOMPARE(f.dlg->windowTitle(), QStringLiteral("設定"));
        QCOMPARE(f.dlg->windowFlags(), quennit::kModalDialogFlags);
        QCOMPARE(f.cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QCOMPARE(f.tabs->tabText(0) + f.tabs->tabText(1),
                 QStringLiteral("サイト定義情報検索オプション"));
        QVERIFY(f.list->isVisible() && !f.timeout->isVisible());
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
        f.ShowTab(1);
        Retype(f.timeout, timeout);
        Retype(f.retry, retry);
        QCOMPARE(f.Enabled(), (QList<bool>{1, 1, 1, 1}));  // nothing applied before OK
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
        QVERIFY(!f.dlg->isVisible());
        QCOMPARE(f.Enabled(), enabled);
        f.VerifyOptions(timeout.toUInt() * 1000, retry.toInt());
    }

    void emptyTimeoutOnOkSelectsTheOptionsTabAndAppliesNoOption() {
        Fixture f;
        f.list->SetCheck(f.RowOf("two.example"), false);
        f.ShowTab(1);
        Retype(f.retry, QStringLiteral("9"));
        Retype(f.timeout, QString());
        f.ShowTab(0);  // the user goes back to the sites and presses OK there
        BoxAnswerer boxes;
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(boxes.Texts(), QStringList{kNotUnsigned});
        QVERIFY(f.dlg->isVisible());
        QCOMPARE(f.tabs->currentIndex(), 1);
        QTRY_VERIFY(f.timeout->isVisible());
        QCOMPARE(f.dlg->focusWidget(), f.timeout);
        f.VerifyOptions(20000, 1);
        // The site switches were applied first and stay, even on Cancel.
        QTest::mouseClick(f.cancel, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QCOMPARE(f.Enabled(), (QList<bool>{1, 0, 1, 1}));
    }

    void cancelAppliesNothing() {
        Fixture f;
        f.list->SetCheck(0, false);
        f.ShowTab(1);
        Retype(f.timeout, QStringLiteral("60"));
        Retype(f.retry, QStringLiteral("5"));
        QTest::mouseClick(f.cancel, Qt::LeftButton);
        QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
        QCOMPARE(f.Enabled(), (QList<bool>{1, 1, 1, 1}));
        f.VerifyOptions(20000, 1);
    }

    void enterAndDoubleClickOpenTheRowEscapeInsideThePagesKeepsTheDialog() {
        test::RecordingOpener opener;
        Fixture f;
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Return);  // no row selected yet
        f.list->SelectRow(f.RowOf("one.example"));
        QTest::keyClick(f.list, Qt::Key_Return);
        QTest::keyClick(f.list, Qt::Key_Escape);
        const int row = f.RowOf("three.example");
        test::DoubleClick(f.list->viewport(),
                          f.list->visualRect(f.list->model()->index(row, 1)).center());
        QCOMPARE(opener.urls, (QList<QUrl>{QUrl(QStringLiteral("http://one.example")),
                                           QUrl(QStringLiteral("http://three.example"))}));
        f.ShowTab(1);
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
};

QTEST_MAIN(SettingDlgTest)
#include "setting_dlg_test.moc"
