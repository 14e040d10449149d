// The main window: its start, messages and keys, and searches
// against the test server on 127.0.0.1.

#include <cstdlib>
#include <memory>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/maker_page.h"
#include "app/window/app_icons.h"
#include "app/window/busy_animation.h"
#include "app/window/group_combo_box.h"
#include "app/window/search_app.h"
#include "app/window/search_dlg.h"
#include "engine/search_result.h"
#include "qt_test_util.h"
#include "test_server.h"
#include "test_sites.h"

using namespace quennit;
using test::BoxAnswerer;
using test::Column;
using test::RecordingOpener;
using test::Sjis;

namespace {

const QString kCompleted = QStringLiteral("検索が完了しました");

// Five sites; nothing listens on port 1. A group that starts the name of
// one listed before it, in any case, is left out ("news").
const char* const kOffline =
    "SITE_FILE_VER\t1.0\nHOST_ID\tデモ検索\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tニュース\n"
    "HOST_ID\tSecond\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tnews\n"
    "HOST_ID\tThird\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tWeb\n"
    "HOST_ID\t4\nHOST_GROUP\tNewsgroup\nHOST_ID\t5\nHOST_GROUP\twE\n";

}  // namespace

class SearchDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    CAppSettings m_settings;
    test::PauseRecorder m_pauses;  // the pauses between requests, shortened
    std::unique_ptr<CSearchDlg> m_dlg;

    QString Folder() const { return m_dir->path() + QLatin1Char('/'); }

    template <class T>
    T* Child(const char* name) const {
        return m_dlg->findChild<T*>(QString::fromLatin1(name));
    }

    QString StatusLine() const { return Child<QLabel>("statusLine")->text(); }

    std::string Site(const char* name, const char* group, const std::string& path,
                     const std::string& extra = "", int port = 0) const {
        return test::PageSite(Sjis(name), test::SharedServer().HostAddr(port), path,
                              std::string("HOST_GROUP\t") + group + "\n" + extra);
    }

    bool WriteSites(const std::string& sites) const {
        QFile file(Folder() + "SearchSite.ini");
        return file.open(QIODevice::WriteOnly) && file.write(sites.data(), sites.size()) >= 0;
    }

    bool OpenWindow(const std::string& sites = Sjis(kOffline)) {
        m_dlg = std::make_unique<CSearchDlg>(Folder());
        m_dlg->m_pSettings = &m_settings;
        m_dlg->Session().SetPauseClock(m_pauses.Clock());
        return WriteSites(sites) && m_dlg->Open();
    }

    void Search(const QString& keyword, const QString& group) {
        Child<QLineEdit>("keywordEdit")->setText(keyword);
        auto* groups = Child<CGroupComboBox>("groupCombo");
        groups->setCurrentIndex(groups->findText(group));
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
    }

    void VerifyBusy(bool busy) const {
        // The tool tip says what a click will do.
        const auto* button = Child<QPushButton>("searchButton");
        QCOMPARE(m_dlg->IsSearching(), busy);
        QCOMPARE(button->icon().cacheKey(), AppIcon(busy ? IDI_STOP : IDI_SEARCH).cacheKey());
        QCOMPARE(button->toolTip(), busy ? QStringLiteral("中止") : QStringLiteral("検索"));
        QCOMPARE(Child<CBusyAnimation>("animation")->IsPlaying(), busy);
        QCOMPARE(QApplication::overrideCursor() != nullptr, busy);
    }

  private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings = CAppSettings();
        m_settings.TIMEOUT = 30;
        m_settings.RETRY = 1;
    }

    void cleanup() {
        m_dlg.reset();
        m_dir.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // menus
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void appEndsWithoutSiteFileAndStoresThePlacementOfARun() {
        QVERIFY(SetUpApplication());  // Japanese standard buttons, the dialog font
        QMessageBox box(QMessageBox::NoIcon, "Quennit", "?", QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
        QCOMPARE(box.font(), DialogFont());
        BoxAnswerer boxes;
        QVERIFY(!CSearchApp(Folder()).InitInstance());
        QVERIFY(!CSearchApp(Folder() + "no/such/folder/").InitInstance());
        QVERIFY(WriteSites(Sjis("HOST_ID\tデモ\nHOST_GROUP\tWeb\n")));
        QVERIFY(!CSearchApp(Folder()).InitInstance());  // the window was shown
        QCOMPARE(
            boxes.texts,
            (QStringList{
                QStringLiteral("正しいサイト定義ファイルが必要です。\r") +
                    MakerPageUrl(Folder()).toString() + QStringLiteral("から取得してください。"),
                "初期化ファイルの読み込みでエラーが発生しました。", "quennit::CSearchDlg"}));
        CAppSettings s;
        s.Load((Folder() + "Quennit.ini").toStdString());
        QCOMPARE(s.TYPE, 1);
        QVERIFY(s.X2 > s.X1 && s.Y2 > s.Y1);
        QCOMPARE(s.TIMEOUT, 20);  // the template's search values survive the run
    }

    void installedAppWhoseFolderCantBeMadeRunsOnTheSampleAndDefaults() {
        BoxAnswerer boxes;
        QVERIFY(WriteSites(Sjis("HOST_ID\tデモ\n")));  // the package's sample
        FileLocations files;
        files.installed = true;
        files.folder = "/proc/no-such-folder/";
        files.dataFolder = Folder().toStdString();
        CSearchApp app(files);
        QVERIFY(!app.InitInstance());
        QCOMPARE(boxes.texts, (QStringList{"初期化ファイルの読み込みでエラーが発生しました。",
                                           "quennit::CSearchDlg"}));
        QCOMPARE(app.m_settings.RETRY, 1);
    }

    void groupsRefusedSearchesKeysAndDoubleClickEscapeNeverCloses() {
        QVERIFY(OpenWindow());
        RecordingOpener opener;
        BoxAnswerer boxes;
        auto* edit = Child<QLineEdit>("keywordEdit");
        auto* groups = Child<CGroupComboBox>("groupCombo");
        QStringList items;
        for (int i = 0; i < groups->count(); ++i) {
            items << groups->itemText(i);
        }
        QCOMPARE(items, (QStringList{"Newsgroup", "wE", "Web", "ニュース"}));
        QCOMPARE(groups->currentText(), QString());
        QCOMPARE(groups->pos(),
                 QPoint(DialogUnits(DialogFont()).X(2), DialogUnits(DialogFont()).Y(10)));
        auto* list = Child<CSortListCtrl>("resultList");
        for (QWidget* w : {static_cast<QWidget*>(m_dlg.get()), static_cast<QWidget*>(edit),
                           static_cast<QWidget*>(list)}) {
            QTest::keyClick(w, Qt::Key_Escape);
        }
        QVERIFY(m_dlg->isVisible());
        const auto sendResult = [this](const char* url) {
            SearchResult r;
            r.m_strUrl = url;
            m_dlg->OnResult(1, r);
        };

        // In the keyword box Enter presses Search. A refused search starts
        // nothing, but the lists are emptied before the checks.
        const struct {
            QString keyword, group, text;
            QMessageBox::StandardButton defaultButton;
        } cases[] = {
            {QString(), "Web", "検索キーワードを入力してください。", QMessageBox::NoButton},
            {"検索語", QString(),
             "検索グループが指定されていません。\r登録されている全てのサイトを検索しますか？",
             QMessageBox::No}};
        for (const auto& c : cases) {
            sendResult("www.example.jp/a");
            m_dlg->OnProgress(1, 21);
            boxes.Queue(QMessageBox::No);
            edit->setText(c.keyword);
            groups->setCurrentIndex(groups->findText(c.group));
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(boxes.texts.last(), c.text);
            QCOMPARE(boxes.defaults.last(), c.defaultButton);
            QCOMPARE(list->RowCount() + Child<CSortListCtrl>("statusList")->RowCount(), 0);
            VerifyBusy(false);
        }

        // Escapes already in the address go out as they are; a link with
        // its own scheme keeps it, any other gets "http://".
        const std::pair<const char*, const char*> links[] = {
            {"www.example.jp/a?q=%E3%81%82", "http://www.example.jp/a?q=%E3%81%82"},
            {"https://s.example/b", "https://s.example/b"},
            {"HTTP://s.example/c", "http://s.example/c"},
            {"https.example/d", "http://https.example/d"}};
        for (const auto& link : links) {
            sendResult(link.first);
        }
        // On a selected result Enter opens it instead; a double-click too.
        list->setFocus();
        list->SelectRow(1);
        QTest::keyClick(list, Qt::Key_Return);
        for (const int row : {0, 2, 3}) {
            test::DoubleClick(list, row);
        }
        QCOMPARE(opener.urls, (QList<QUrl>{QUrl(links[1].second), QUrl(links[0].second),
                                           QUrl(links[2].second), QUrl(links[3].second)}));

        // On the list with nothing selected: Search again.
        list->clearSelection();
        boxes.Queue(QMessageBox::No);
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(boxes.texts.size(), 3);
        QCOMPARE(opener.urls.size(), 4);
    }

    void listSwitchHelpButtonAndAboutMenu() {
        QVERIFY(OpenWindow());
        const auto& status = *Child<CSortListCtrl>("statusList");
        auto* results = Child<CSortListCtrl>("resultList");
        QVERIFY(results->isVisible() && !status.isVisible());
        QCOMPARE(results->accessibleName() + '|' + status.accessibleName(),
                 "検索結果|サイトの状態");
        for (const bool shown : {true, false}) {
            QTest::mouseClick(Child<QPushButton>("listSwitchButton"), Qt::LeftButton);
            QVERIFY(status.isVisible() == shown && results->isVisible() != shown);
        }

        // Enter presses the focused button, as Space does, not Search.
        RecordingOpener opener;
        BoxAnswerer boxes;
        for (const char* name : {"helpButton", "settingsButton"}) {
            Child<QPushButton>(name)->setFocus();
            QTest::keyClick(Child<QPushButton>(name), Qt::Key_Return);
        }
        const QUrl help = QUrl::fromLocalFile(Folder() + "Help/Quennit.html");
        QCOMPARE(opener.urls, QList<QUrl>{help});
        opener.opens = false;  // no browser: the user is told, with the address
        QTest::mouseClick(Child<QPushButton>("helpButton"), Qt::LeftButton);
        QVERIFY(boxes.texts.takeLast().startsWith("次のアドレスを開けませんでした。\n\n" +
                                                  help.toString() + "\n\n既定のブラウザーを設定"));
        // The window's menu: by mouse, and by Shift+F10 from a list and the groups.
        auto* line = Child<QLabel>("statusLine");
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                line->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(line, &event);
        for (QWidget* focus : {static_cast<QWidget*>(results), Child<QWidget>("groupCombo")}) {
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_F10, Qt::ShiftModifier);
        }
        const QString about = QStringLiteral("Quennit のﾊﾞｰｼﾞｮﾝ情報(&A)...");
        const QString add = QStringLiteral("サイトを追加(&S)...");
        QCOMPARE(boxes.texts,
                 (QStringList{"quennit::CSettingDlg", about, add, "quennit::CAboutDlg", about, add,
                              "quennit::CAboutDlg", about, add, "quennit::CAboutDlg"}));
    }

    void stopAskedCancelGoesOnOkStopsAndANewSearchOfAllSitesRunsAtOnce() {
        const QString waiting = QStringLiteral("Stalled : 要求を送信しました");
        QVERIFY(OpenWindow(Site("Stalled", "slow", "/stall-head?q=%s") +
                           Site("第一サイト", "web", "/page?n=1&of=1&per=1&q=%s") +
                           Site("Second", "web", "/page?n=1&of=1&per=2&q=%s") +
                           Site("Elsewhere", "other", "/page?n=1&of=1&per=3&q=%s")));
        Search(QStringLiteral("alpha"), QStringLiteral("slow"));
        QTRY_COMPARE(StatusLine(), waiting);
        VerifyBusy(true);

        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::Cancel);
        boxes.Queue(QMessageBox::Ok);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("現在の検索を中断しますか？")});
        VerifyBusy(true);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        VerifyBusy(false);
        QCoreApplication::processEvents();
        QCOMPARE(StatusLine(), QStringLiteral("検索を中止しました"));

        // Joins the stopped search; asks every site but the one switched off.
        m_dlg->Session().SetSiteEnabled(1, 0);
        boxes.Queue(QMessageBox::Yes);
        Search(QStringLiteral("beta"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(StatusLine(), kCompleted, 20000);
        QCOMPARE(boxes.texts.size(), 3);
        const auto& list = *Child<CSortListCtrl>("resultList");
        QCOMPARE(Column(list, 3), (QStringList{"第一サイト", "Second", "Second", "Elsewhere",
                                               "Elsewhere", "Elsewhere"}));
        QCOMPARE(Column(list, 4).mid(3), (QStringList{"10", "20", "30"}));
        QCOMPARE(Column(list, 0)[0] + Column(list, 1)[0] + Column(list, 2)[0],
                 "example.test/doc/1Title 1Text 1");
        const auto& status = *Child<CSortListCtrl>("statusList");
        // One row per site, with its latest message.
        const QString closed = QStringLiteral("接続を終了しました");
        QCOMPARE(Column(status, 0) + Column(status, 1),
                 (QStringList{"第一サイト", "Second", "Elsewhere", closed, closed, closed}));
        VerifyBusy(false);
        // A keyword Shift_JIS can't hold skips the Shift_JIS sites; with
        // none left the search says so.
        Search(QStringLiteral("☕"), QStringLiteral("web"));
        QTRY_COMPARE(StatusLine(),
                     "キーワードを表せる文字コードのサイトがないため、検索しませんでした");
        QCOMPARE(Column(status, 1),
                 QStringList(2, QStringLiteral("キーワードをこのサイトの文字コードで表せません")));
    }

    // A UTF-8 site's results reach the list with every character.
    void utf8SiteShowsEveryCharacter() {
        QVERIFY(OpenWindow(Site("UTF", "u",
                                "/page?n=1&of=1&per=1&t=+%%F0%%A0%%AE%%B7+caf%%C3%%A9+"
                                "%%F0%%9F%%98%%80&amp=1&q=%s",
                                "HOST_KANJI\tUTF-8\n")));
        Search(QStringLiteral("𠮷"), QStringLiteral("u"));
        QTRY_COMPARE(StatusLine(), kCompleted);
        const auto& list = *Child<CSortListCtrl>("resultList");
        QCOMPARE(Column(list, 0) + Column(list, 1),
                 (QStringList{"example.test/doc/1?a=1&b=2", "Title 1 𠮷 café 😀"}));
    }

    void closingDuringASearchEndsItWithoutHanging_data() {
        QTest::addColumn<int>("multi");
        QTest::newRow("one site after another") << 0;
        QTest::newRow("MULTI") << 1;
    }
    void closingDuringASearchEndsItWithoutHanging() {
        QFETCH(int, multi);
        m_settings.MULTI = multi;
        // Stalled sites on three servers: only a concurrent search asks them all.
        QVERIFY(OpenWindow(Site("Stalled", "slow", "/stall-head?q=%s") +
                           Site("Stalled2", "slow", "/stall-head?q=%s", "", 1) +
                           Site("Stalled3", "slow", "/stall-head?q=%s", "", 2)));
        Search(QStringLiteral("alpha"), QStringLiteral("slow"));
        QTRY_COMPARE(StatusLine().endsWith(QStringLiteral(" : 要求を送信しました")), true);
        if (multi != 0) {
            QTRY_COMPARE(Child<CSortListCtrl>("statusList")->RowCount(), 3);
        }
        const QString atClose = StatusLine();
        BoxAnswerer boxes;
        m_dlg->close();  // joins the search thread
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_settings.TYPE, 1);
        VerifyBusy(false);
        // Nothing of the ended search arrives afterwards.
        QCoreApplication::processEvents();
        QCOMPARE(StatusLine(), atClose);
        // Destroying the window frees nothing that a thread still uses.
        m_dlg.reset();
    }
};

QTEST_MAIN(SearchDlgTest)
#include "search_dlg_test.moc"
