// The main window: its start, layout, messages and keys, and searches
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
const QString kWaiting = QStringLiteral("Stalled : 要求を送信しました");

// Three sites in three groups; nothing listens on port 1.
const char* const kOffline =
    "SITE_FILE_VER\t1.0\nHOST_ID\tデモ検索\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tニュース\n"
    "HOST_ID\tSecond\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tnews\n"
    "HOST_ID\tThird\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tWeb\n";

}  // namespace

class SearchDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<test::TestServer> m_server;
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
                     int port = 0) const {
        return test::PageSite(Sjis(name), m_server->HostAddr(port), path,
                              std::string("HOST_GROUP\t") + group + "\n");
    }

    bool WriteSites(const std::string& sites) const {
        QFile file(Folder() + "SearchSite.ini");
        return file.open(QIODevice::WriteOnly) && file.write(sites.data(), sites.size()) >= 0;
    }

    bool OpenWindow(const std::string& sites = Sjis(kOffline)) {
        if (!WriteSites(sites)) {
            return false;
        }
        m_dlg = std::make_unique<CSearchDlg>(Folder());
        m_dlg->m_pSettings = &m_settings;
        m_dlg->Session().SetPauseClock(m_pauses.Clock());
        return m_dlg->Open();
    }

    // A site that never answers, and one of two results in "web".
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

    void SendResult(const char* url, std::int32_t order) {
        SearchResult r;
        r.m_strSiteName = Sjis("デモ検索");
        r.m_strUrl = url;
        r.m_strTitle = Sjis("日本語のタイトル");
        r.m_strText = Sjis("説明文");
        r.m_nOrder = order;
        m_dlg->SendMessage(WM_SEARCH_RESULT, 1, reinterpret_cast<LPARAM>(&r));
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

    CAppSettings ReloadSettings() const {
        CAppSettings s;
        s.Load((Folder() + "Quennit.ini").toStdString());
        return s;
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
        m_settings.X1 = m_settings.Y1 = m_settings.X2 = m_settings.Y2 = -1;
        m_settings.TYPE = 0;
        m_settings.TIMEOUT = 30;
        m_settings.RETRY = 1;
    }

    void cleanup() {
        m_dlg.reset();
        m_dir.reset();
        QVERIFY(test::NoWindowLeft());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void appFirstRunCreatesTheSettingsAndStoresThePlacement() {
        QVERIFY(WriteSites(Sjis("HOST_ID\tデモ\nHOST_GROUP\tWeb\n")));
        BoxAnswerer boxes;
        boxes.CloseWindowsOfClass("quennit::CSearchDlg");
        QVERIFY(!CSearchApp(Folder()).InitInstance());
        QCOMPARE(boxes.windowsClosed, 1);
        QVERIFY(boxes.seen.empty());
        const CAppSettings s = ReloadSettings();
        QCOMPARE(s.TYPE, 1);
        QVERIFY(s.X2 > s.X1 && s.Y2 > s.Y1);
        // The template's search values survive the run.
        QCOMPARE(s.TIMEOUT, 20);
        QCOMPARE(s.RETRY, 1);
    }

    void appWithoutSiteFileOrFolderEndsBeforeTheWindow() {
        BoxAnswerer boxes;
        boxes.CloseWindowsOfClass("quennit::CSearchDlg");
        QVERIFY(!CSearchApp(Folder()).InitInstance());
        QVERIFY(!CSearchApp(Folder() + "no/such/folder/").InitInstance());
        QCOMPARE(boxes.Texts(),
                 (QStringList{QStringLiteral("正しいサイト定義ファイルが必要です。\r") +
                                  MakerPageUrl(Folder()).toString() +
                                  QStringLiteral("から取得してください。"),
                              "初期化ファイルの読み込みでエラーが発生しました。"}));
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Quennit"));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(boxes.windowsClosed, 0);    // never shown
        QCOMPARE(ReloadSettings().TYPE, 1);  // still written
    }

    void groupComboAddString_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unique");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("items");  // after adding, '|' between
        QTest::newRow("new name, sorted") << "Books" << true << 0 << "Books|News|Web|検索";
        QTest::newRow("same name refused") << "News" << true << 0 << "News|Web|検索";
        QTest::newRow("prefix refused, any case") << "nE" << true << 0 << "News|Web|検索";
        QTest::newRow("Japanese prefix refused") << "検" << true << 2 << "News|Web|検索";
        QTest::newRow("longer name is new")
            << "Newsgroup" << true << 1 << "News|Newsgroup|Web|検索";
        QTest::newRow("sorted regardless of case") << "tv" << true << 1 << "News|tv|Web|検索";
        QTest::newRow("empty refused") << "" << true << -1 << "News|Web|検索";
        QTest::newRow("duplicate without the flag") << "News" << false << 1 << "News|News|Web|検索";
        QTest::newRow("empty without the flag") << "" << false << 0 << "|News|Web|検索";
    }
    void groupComboAddString() {
        QFETCH(QString, text);
        QFETCH(bool, unique);
        QFETCH(int, index);
        QFETCH(QString, items);
        CGroupComboBox box;
        for (const char* item : {"News", "検索", "Web"}) {
            box.AddString(QString::fromUtf8(item), false);
        }
        box.setCurrentIndex(-1);
        QCOMPARE(box.AddString(text, unique), index);
        QStringList actual;
        for (int i = 0; i < box.count(); ++i) {
            actual << box.itemText(i);
        }
        QCOMPARE(actual.join('|'), items);
        // Filling never selects a group: an empty selection means all sites.
        QCOMPARE(box.currentIndex(), -1);
    }

    void firstOpeningIsCentredEnlargedAndSnapsBackToTheTemplate() {
        QVERIFY(OpenWindow());
        const DialogUnits du(DialogFont());
        const QSize frame = m_dlg->frameGeometry().size() - m_dlg->size();
        const int w = du.X(222) + frame.width();
        const int h = du.Y(69) + frame.height();
        // A quarter more on the near side, then a quarter of that on the far.
        QCOMPARE(m_dlg->frameGeometry().size(),
                 QSize(w + w / 4 + (w + w / 4) / 4, h + h / 4 + (h + h / 4) / 4));
        QVERIFY(Child<CSortListCtrl>("resultList")->isVisible());
        QVERIFY(!Child<CSortListCtrl>("statusList")->isVisible());
        QStringList headings;
        for (const char* name : {"resultList", "statusList"}) {
            const QAbstractItemModel* model = Child<CSortListCtrl>(name)->model();
            for (int column = 0; column < model->columnCount(); ++column) {
                headings << model->headerData(column, Qt::Horizontal).toString();
            }
        }
        QCOMPARE(headings,
                 (QStringList{"URL", "タイトル", "説明", "SITE", "順序", "サイト名", "STATUS"}));
        auto* groups = Child<CGroupComboBox>("groupCombo");
        QStringList items;
        for (int i = 0; i < groups->count(); ++i) {
            items << groups->itemText(i);
        }
        QCOMPARE(items, (QStringList{"news", "Web", "ニュース"}));
        QCOMPARE(groups->currentText(), QString());

        auto* search = Child<QPushButton>("searchButton");
        auto* line = Child<QLabel>("statusLine");
        const int gapRight = m_dlg->width() - search->geometry().right();
        const int gapBelow = m_dlg->height() - line->geometry().bottom();
        m_dlg->resize(m_dlg->width() + 200, m_dlg->height() + 100);
        QTRY_COMPARE(m_dlg->width() - search->geometry().right(), gapRight);
        QCOMPARE(m_dlg->height() - line->geometry().bottom(), gapBelow);
        m_dlg->resize(10, 10);
        QTRY_COMPARE(m_dlg->size(), QSize(du.X(222), du.Y(69)));
        QCOMPARE(groups->width(), du.X(48));
        QCOMPARE(Child<QFrame>("separator")->frameShape(), QFrame::VLine);
    }

    void placementIsRestoredAndStored_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("minimizeBeforeClose");
        QTest::addColumn<int>("storedType");
        QTest::newRow("normal") << 1 << false << 1;
        QTest::newRow("minimized opens normal") << 2 << false << 1;
        QTest::newRow("maximized") << 3 << false << 3;
        QTest::newRow("closed minimized") << 1 << true << 2;
    }
    void placementIsRestoredAndStored() {
        QFETCH(int, type);
        QFETCH(bool, minimizeBeforeClose);
        QFETCH(int, storedType);
        const QRect saved(110, 90, 640, 380);
        m_settings.X1 = saved.left();
        m_settings.Y1 = saved.top();
        m_settings.X2 = saved.left() + saved.width();
        m_settings.Y2 = saved.top() + saved.height();
        m_settings.TYPE = type;
        QVERIFY(OpenWindow());
        QCOMPARE(m_dlg->isMaximized(), type == 3);
        QVERIFY(!m_dlg->isMinimized());
        if (type != 3) {
            QCOMPARE(m_dlg->frameGeometry(), saved);
        }
        if (minimizeBeforeClose) {
            m_dlg->showMinimized();
        }
        m_dlg->close();
        QCOMPARE(m_settings.TYPE, storedType);
        // The normal placement is stored, whatever the state.
        QCOMPARE(QRect(m_settings.X1, m_settings.Y1, m_settings.X2 - m_settings.X1,
                       m_settings.Y2 - m_settings.Y1),
                 saved);
    }

    void progressMessagesUpdateStatusLineAndList_data() {
        QTest::addColumn<QList<QList<qint64>>>("messages");  // msg, site, code
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("rows");  // "name|status" per row
        const qint64 status = WM_INET_STATUS;
        const qint64 error = WM_INET_ERROR;
        QTest::newRow("progress") << QList<QList<qint64>>{{status, 1, 21}}
                                  << QStringLiteral("デモ検索 : サーバーへ接続しました")
                                  << QStringList{"デモ検索|サーバーへ接続しました"};
        QTest::newRow("error keeps one row per site")
            << QList<QList<qint64>>{{status, 1, 20}, {status, 2, 10}, {error, 1, 404}}
            << QStringLiteral("デモ検索 : ERROR エラー応答を受信しました。(URL Not Found)")
            << QStringList{"デモ検索|エラー応答を受信しました。(URL Not Found)",
                           "Second|IPアドレスを取得しています"};
        QTest::newRow("request attempt failed")
            << QList<QList<qint64>>{{error, 3, 1}}
            << QStringLiteral("Third : ERROR 送信処理がタイムアウトしました")
            << QStringList{"Third|送信処理がタイムアウトしました"};
        QTest::newRow("unknown site and code")
            << QList<QList<qint64>>{{status, 9, 100}} << QStringLiteral(" : ") << QStringList{"|"};
    }
    void progressMessagesUpdateStatusLineAndList() {
        QFETCH(QList<QList<qint64>>, messages);
        QFETCH(QString, line);
        QFETCH(QStringList, rows);
        QVERIFY(OpenWindow());
        for (const auto& m : messages) {
            m_dlg->SendMessage(static_cast<std::uint32_t>(m[0]), static_cast<WPARAM>(m[1]),
                               static_cast<LPARAM>(m[2]));
        }
        QCOMPARE(StatusLine(), line);
        const auto* list = Child<CSortListCtrl>("statusList");
        QStringList actual;
        for (int r = 0; r < list->RowCount(); ++r) {
            actual << Column(*list, 0)[r] + '|' + Column(*list, 1)[r];
        }
        QCOMPARE(actual, rows);
    }

    void refusedSearchStartsNothing_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::addColumn<QMessageBox::StandardButtons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
        QTest::newRow("empty keyword")
            << QString() << "Web" << QStringLiteral("検索キーワードを入力してください。")
            << QMessageBox::Information << QMessageBox::StandardButtons(QMessageBox::Ok)
            << QMessageBox::NoButton;
        QTest::newRow("keyword Shift_JIS can't hold")
            << QStringLiteral("カフェ☕☕") << "Web"
            << QStringLiteral("検索キーワードに使えない文字が含まれています。\r☕")
            << QMessageBox::Warning << QMessageBox::StandardButtons(QMessageBox::Ok)
            << QMessageBox::NoButton;
        QTest::newRow("empty group, answered No")
            << QStringLiteral("検索語") << QString()
            << QStringLiteral(
                   "検索グループが指定されていません。\r登録されている全てのサイト"
                   "を検索しますか？")
            << QMessageBox::NoIcon << (QMessageBox::Yes | QMessageBox::No) << QMessageBox::No;
    }
    void refusedSearchStartsNothing() {
        QFETCH(QString, keyword);
        QFETCH(QString, group);
        QFETCH(QString, text);
        QFETCH(QMessageBox::Icon, icon);
        QFETCH(QMessageBox::StandardButtons, buttons);
        QFETCH(QMessageBox::StandardButton, defaultButton);
        QVERIFY(OpenWindow());
        SendResult("www.example.jp/a", 10);
        m_dlg->SendMessage(WM_INET_STATUS, 1, 21);
        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::No);
        Search(keyword, group);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Quennit"));
        QCOMPARE(boxes.seen[0].text, text);
        QCOMPARE(boxes.seen[0].icon, icon);
        QCOMPARE(boxes.seen[0].buttons, buttons);
        QCOMPARE(boxes.seen[0].defaultButton, defaultButton);
        // The lists are emptied before the checks.
        QCOMPARE(Child<CSortListCtrl>("resultList")->RowCount(), 0);
        QCOMPARE(Child<CSortListCtrl>("statusList")->RowCount(), 0);
        VerifyIdle();
    }

    void keysEnterSearchesOrOpensTheSelectedResultEscapeNeverCloses() {
        QVERIFY(OpenWindow());
        RecordingOpener opener;
        BoxAnswerer boxes;
        auto* edit = Child<QLineEdit>("keywordEdit");
        auto* list = Child<CSortListCtrl>("resultList");
        for (QWidget* w : {static_cast<QWidget*>(m_dlg.get()), static_cast<QWidget*>(edit),
                           static_cast<QWidget*>(list)}) {
            QTest::keyClick(w, Qt::Key_Escape);
        }
        QVERIFY(m_dlg->isVisible());

        // In the keyword box Enter presses Search (which asks about the group).
        edit->setText(QStringLiteral("abc"));
        boxes.Queue(QMessageBox::No);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(boxes.seen.size(), size_t(1));

        // On a selected result Enter opens it instead; a double-click too,
        // with the escapes already in the address going out as they are.
        SendResult("www.example.jp/a?q=%E3%81%82", 120);
        SendResult("www.example.jp/b", 10);
        QCOMPARE(Column(*list, 4), (QStringList{"120", "10"}));
        QCOMPARE(list->GetCellText(0, 1) + list->GetCellText(0, 2) + list->GetCellText(0, 3),
                 Sjis("日本語のタイトル説明文デモ検索"));
        list->setFocus();
        list->SelectRow(1);
        QTest::keyClick(list, Qt::Key_Return);
        test::DoubleClick(list->viewport(), list->visualRect(list->model()->index(0, 1)).center());
        QCOMPARE(opener.urls.size(), 2);
        QCOMPARE(opener.urls[0], QUrl("http://www.example.jp/b"));
        QCOMPARE(opener.urls[1].toEncoded(), QByteArray("http://www.example.jp/a?q=%E3%81%82"));
        QCOMPARE(boxes.seen.size(), size_t(1));

        // On the list with nothing selected: Search again.
        list->clearSelection();
        boxes.Queue(QMessageBox::No);
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(boxes.seen.size(), size_t(2));
        QCOMPARE(opener.urls.size(), 2);
    }

    void doubleClickOpensTheRowAsGiven() {
        QVERIFY(OpenWindow());
        RecordingOpener opener;
        // Escapes already in the address go out as they are; a link with
        // its own scheme keeps it, any other gets "http://".
        const std::pair<const char*, const char*> links[] = {
            {"www.example.jp/a?q=%E3%81%82", "http://www.example.jp/a?q=%E3%81%82"},
            {"https://s.example/b", "https://s.example/b"},
            {"HTTP://s.example/c", "http://s.example/c"},
            {"https.example/d", "http://https.example/d"}};
        auto* list = Child<CSortListCtrl>("resultList");
        for (int row = 0; row < 4; ++row) {
            SendResult(links[row].first, 10 * (row + 1));
            test::DoubleClick(list->viewport(),
                              list->visualRect(list->model()->index(row, 1)).center());
            QCOMPARE(opener.urls.value(row).toEncoded(), QByteArray(links[row].second));
        }
    }

    void japaneseStandardButtonsAndTheDialogFontEverywhere() {
        QVERIFY(SetUpApplication());
        QMessageBox box(QMessageBox::NoIcon, "Quennit", "?", QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
        QCOMPARE(box.font(), DialogFont());
    }

    void listSwitchHelpButtonAndAboutMenu() {
        QVERIFY(OpenWindow());
        SendResult("www.example.jp/a", 10);
        m_dlg->SendMessage(WM_INET_STATUS, 1, 21);
        auto* results = Child<CSortListCtrl>("resultList");
        auto* status = Child<CSortListCtrl>("statusList");
        for (int click = 1; click <= 3; ++click) {
            QTest::mouseClick(Child<QPushButton>("listSwitchButton"), Qt::LeftButton);
            QCOMPARE(status->isVisible(), click % 2 == 1);
            QCOMPARE(results->isVisible(), click % 2 == 0);
        }
        QCOMPARE(results->RowCount() + status->RowCount(), 2);

        RecordingOpener opener;
        QTest::mouseClick(Child<QPushButton>("helpButton"), Qt::LeftButton);
        QCOMPARE(opener.urls, QList<QUrl>{QUrl::fromLocalFile(Folder() + "Help/Quennit.html")});
        BoxAnswerer boxes;
        boxes.ChooseFirstMenuItem();
        boxes.CloseWindowsOfClass("quennit::CAboutDlg");
        auto* line = Child<QLabel>("statusLine");
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                line->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(line, &event);
        QCOMPARE(boxes.menuItems, QStringList{QStringLiteral("Quennit のﾊﾞｰｼﾞｮﾝ情報(&A)...")});
        QCOMPARE(boxes.windowsClosed, 1);
        QVERIFY(m_dlg->isVisible());
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
                           Site("Stalled2", "slow", "/stall-head?q=%s", 1) +
                           Site("Stalled3", "slow", "/stall-head?q=%s", 2)));
        Search(QStringLiteral("alpha"), QStringLiteral("slow"));
        QTRY_COMPARE(StatusLine().endsWith(QStringLiteral(" : 要求を送信しました")), true);
        if (multi != 0) {
            QTRY_COMPARE(Child<CSortListCtrl>("statusList")->RowCount(), 3);
        }
        const QString atClose = StatusLine();
        BoxAnswerer boxes;
        m_dlg->close();  // joins the search thread
        QVERIFY(boxes.seen.empty());
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_settings.TYPE, 1);
        VerifyIdle();
        // Nothing of the ended search arrives afterwards.
        QCoreApplication::processEvents();
        QCOMPARE(StatusLine(), atClose);
        // Destroying the window frees nothing that a thread still uses.
        m_dlg.reset();
    }
};

QTEST_MAIN(SearchDlgTest)
#include "search_dlg_test.moc"
