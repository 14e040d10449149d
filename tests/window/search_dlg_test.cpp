#include <memory>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/app_icons.h"
#include "app/busy_animation.h"
#include "app/dialog_units.h"
#include "app/group_combo_box.h"
#include "app/search_dlg.h"
#include "app/sort_list_ctrl.h"
#include "engine/search_result.h"
#include "platform/text_codec.h"
#include "window_test_support.h"

using namespace quennit;
using quennit::test::BoxAnswerer;
using quennit::test::UrlCatcher;

namespace {

SjisString Sjis(const char* utf8) {
    return Utf8ToSjis(utf8).value();
}

// Three sites in three groups; nothing listens on port 1, so a search
// fails fast without touching any network.
QByteArray SiteFile() {
    const std::string text =
        "SITE_FILE_VER\t1.0\n"
        "HOST_ID\tデモ検索\nHOST_ADDR\t127.0.0.1:1\nHOST_URL_FORMAT\t/s?q=%s\n"
        "HOST_GROUP\tニュース\n"
        "HOST_ID\tSecond\nHOST_ADDR\t127.0.0.1:1\nHOST_URL_FORMAT\t/s?q=%s\nHOST_GROUP\tnews\n"
        "HOST_ID\tThird\nHOST_ADDR\t127.0.0.1:1\nHOST_URL_FORMAT\t/s?q=%s\nHOST_GROUP\tWeb\n";
    return QByteArray::fromStdString(Sjis(text.c_str()));
}

}  // namespace

class SearchDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    CAppSettings m_settings;
    std::unique_ptr<CSearchDlg> m_dlg;

    QString Folder() const { return m_dir->path() + QLatin1Char('/'); }

    // Opens the window with the current settings.
    bool OpenWindow() {
        m_dlg = std::make_unique<CSearchDlg>(Folder());
        m_dlg->m_pSettings = &m_settings;
        return m_dlg->Open();
    }

    template <class T>
    T* Child(const char* name) const {
        return m_dlg->findChild<T*>(QString::fromLatin1(name));
    }

    void SendResult(const char* url, const char* title, std::int32_t order) {
        SearchResult r;
        r.m_strSiteName = Sjis("デモ検索");
        r.m_strUrl = url;
        r.m_strTitle = Sjis(title);
        r.m_strText = Sjis("説明文");
        r.m_nOrder = order;
        m_dlg->SendMessage(WM_SEARCH_RESULT, 1, reinterpret_cast<LPARAM>(&r));
    }

    static QStringList Row(const CSortListCtrl* list, int row) {
        QStringList cells;
        for (int c = 0; c < list->GetHeaderCount(); ++c) {
            cells << QString::fromStdString(SjisToUtf8(list->GetCellText(row, c)));
        }
        return cells;
    }

    static QStringList Headers(const CSortListCtrl* list) {
        QStringList headers;
        for (int c = 0; c < list->GetHeaderCount(); ++c) {
            headers << list->model()->headerData(c, Qt::Horizontal).toString();
        }
        return headers;
    }

  private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(test::WriteFile(Folder() + "SearchSite.ini", SiteFile()));
        m_settings = CAppSettings();
        m_settings.X1 = m_settings.Y1 = m_settings.X2 = m_settings.Y2 = -1;
        m_settings.TYPE = 0;
        m_settings.TIMEOUT = 2;
        m_settings.RETRY = 1;
    }

    void cleanup() {
        m_dlg.reset();
        m_dir.reset();
        QCOMPARE(test::LiveTopLevelWidgets(), 0);
    }

    void opensCentredEnlargedWithListsAndGroups() {
        QVERIFY(OpenWindow());
        const DialogUnits du(DialogFont());
        const QSize frame = m_dlg->frameGeometry().size() - m_dlg->size();
        const int w = du.X(222) + frame.width();
        const int h = du.Y(69) + frame.height();
        // A quarter more on the near side, then a quarter of that on the far.
        const int expectedW = w + w / 4 + (w + w / 4) / 4;
        const int expectedH = h + h / 4 + (h + h / 4) / 4;
        QCOMPARE(m_dlg->frameGeometry().size(), QSize(expectedW, expectedH));

        auto* results = Child<CSortListCtrl>("resultList");
        auto* status = Child<CSortListCtrl>("statusList");
        QVERIFY(results && status);
        QVERIFY(results->isVisible());
        QVERIFY(!status->isVisible());
        QCOMPARE(Headers(results), (QStringList{"URL", "タイトル", "説明", "SITE", "順序"}));
        QCOMPARE(Headers(status), (QStringList{"サイト名", "STATUS"}));

        auto* groups = Child<CGroupComboBox>("groupCombo");
        QVERIFY(groups);
        QStringList items;
        for (int i = 0; i < groups->count(); ++i) {
            items << groups->itemText(i);
        }
        QCOMPARE(items, (QStringList{"news", "Web", "ニュース"}));
        QCOMPARE(groups->currentText(), QString());

        QCOMPARE(Child<QPushButton>("searchButton")->icon().cacheKey(),
                 AppIcon(IDI_SEARCH).cacheKey());
        QVERIFY(!Child<CBusyAnimation>("animation")->IsPlaying());
        for (const char* name :
             {"keywordEdit", "settingsButton", "helpButton", "listSwitchButton", "statusLine"}) {
            QVERIFY2(m_dlg->findChild<QWidget*>(name) != nullptr, name);
        }
    }

    void resizingFollowsTheAnchorsAndStopsAtTheTemplateSize() {
        QVERIFY(OpenWindow());
        auto* edit = Child<QLineEdit>("keywordEdit");
        auto* search = Child<QPushButton>("searchButton");
        auto* results = Child<CSortListCtrl>("resultList");
        auto* line = Child<QLabel>("statusLine");
        const int gapRight = m_dlg->width() - search->geometry().right();
        const int lineGap = m_dlg->height() - line->geometry().bottom();

        m_dlg->resize(m_dlg->width() + 200, m_dlg->height() + 100);
        QTRY_COMPARE(m_dlg->width() - search->geometry().right(), gapRight);
        QCOMPARE(m_dlg->height() - line->geometry().bottom(), lineGap);
        QVERIFY(edit->geometry().right() < search->geometry().left());
        QVERIFY(results->geometry().bottom() < line->geometry().top());

        const DialogUnits du(DialogFont());
        m_dlg->resize(10, 10);
        QTRY_COMPARE(m_dlg->size(), QSize(du.X(222), du.Y(69)));
    }

    void placementIsRestoredAndStored_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<int>("storedType");
        QTest::newRow("normal") << 1 << false << 1;
        QTest::newRow("minimized opens normal") << 2 << false << 1;
        QTest::newRow("maximized") << 3 << true << 3;
    }

    void placementIsRestoredAndStored() {
        QFETCH(int, type);
        QFETCH(bool, maximized);
        QFETCH(int, storedType);
        const QRect saved(110, 90, 640, 380);
        m_settings.X1 = saved.left();
        m_settings.Y1 = saved.top();
        m_settings.X2 = saved.left() + saved.width();
        m_settings.Y2 = saved.top() + saved.height();
        m_settings.TYPE = type;
        QVERIFY(OpenWindow());
        QCOMPARE(m_dlg->isMaximized(), maximized);
        QVERIFY(!m_dlg->isMinimized());
        if (!maximized) {
            QCOMPARE(m_dlg->frameGeometry(), saved);
        }

        m_dlg->close();
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_settings.TYPE, storedType);
        QCOMPARE(QRect(QPoint(m_settings.X1, m_settings.Y1), QPoint(m_settings.X2, m_settings.Y2)),
                 QRect(saved.topLeft(), saved.bottomRight() + QPoint(1, 1)));
    }

    void closingMinimizedStoresType2() {
        m_settings.X1 = 50;
        m_settings.Y1 = 60;
        m_settings.X2 = 650;
        m_settings.Y2 = 460;
        m_settings.TYPE = 1;
        QVERIFY(OpenWindow());
        m_dlg->showMinimized();
        m_dlg->close();
        QCOMPARE(m_settings.TYPE, 2);
        QCOMPARE(m_settings.X2 - m_settings.X1, 600);
        QCOMPARE(m_settings.Y2 - m_settings.Y1, 400);
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
            QCOMPARE(m_dlg->SendMessage(static_cast<std::uint32_t>(m[0]), static_cast<WPARAM>(m[1]),
                                        static_cast<LPARAM>(m[2])),
                     LRESULT(0));
        }
        QCOMPARE(Child<QLabel>("statusLine")->text(), line);
        auto* list = Child<CSortListCtrl>("statusList");
        QStringList actual;
        for (int r = 0; r < list->RowCount(); ++r) {
            actual << Row(list, r).join(QLatin1Char('|'));
        }
        QCOMPARE(actual, rows);
    }

    void resultsAppendRowsInArrivalOrder() {
        QVERIFY(OpenWindow());
        SendResult("www.example.jp/a", "日本語のタイトル", 120);
        SendResult("www.example.jp/b", "二番目", 10);
        auto* list = Child<CSortListCtrl>("resultList");
        QCOMPARE(list->RowCount(), 2);
        QCOMPARE(Row(list, 0), (QStringList{"www.example.jp/a", "日本語のタイトル", "説明文",
                                            "デモ検索", "120"}));
        QCOMPARE(Row(list, 1)[0], QStringLiteral("www.example.jp/b"));
    }

    void emptyKeywordIsRefusedAndListsAreEmptied() {
        QVERIFY(OpenWindow());
        SendResult("www.example.jp/a", "a", 10);
        m_dlg->SendMessage(WM_INET_STATUS, 1, 21);
        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::Ok);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Quennit"));
        QCOMPARE(boxes.seen[0].text, QStringLiteral("検索キーワードを入力してください。"));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Information);
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(Child<CSortListCtrl>("resultList")->RowCount(), 0);
        QCOMPARE(Child<CSortListCtrl>("statusList")->RowCount(), 0);
        QVERIFY(!m_dlg->IsSearching());
    }

    void keywordThatShiftJisCannotHoldIsRefused() {
        QVERIFY(OpenWindow());
        Child<QLineEdit>("keywordEdit")->setText(QStringLiteral("カフェ☕"));
        Child<CGroupComboBox>("groupCombo")->setCurrentIndex(0);
        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::Ok);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QVERIFY(boxes.seen[0].text.endsWith(QStringLiteral("☕")));
        QVERIFY(!m_dlg->IsSearching());
        QCOMPARE(Child<QPushButton>("searchButton")->icon().cacheKey(),
                 AppIcon(IDI_SEARCH).cacheKey());
    }

    void emptyGroupAsksAndNoStartsNothing() {
        QVERIFY(OpenWindow());
        Child<QLineEdit>("keywordEdit")->setText(QStringLiteral("検索語"));
        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::No);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].text,
                 QStringLiteral("検索グループが指定されていません。\r登録されている全てのサイト"
                                "を検索しますか？"));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(boxes.seen[0].defaultButton, QMessageBox::No);
        QVERIFY(!m_dlg->IsSearching());
        QVERIFY(!Child<CBusyAnimation>("animation")->IsPlaying());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void escapeNeverClosesTheWindow() {
        QVERIFY(OpenWindow());
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        QTest::keyClick(Child<QLineEdit>("keywordEdit"), Qt::Key_Escape);
        QTest::keyClick(Child<CSortListCtrl>("resultList"), Qt::Key_Escape);
        QVERIFY(m_dlg->isVisible());
    }

    void enterSearchesUnlessAResultIsSelected() {
        QVERIFY(OpenWindow());
        UrlCatcher urls;
        BoxAnswerer boxes;
        SendResult("www.example.jp/a", "a", 10);
        SendResult("www.example.jp/b", "b", 20);
        auto* edit = Child<QLineEdit>("keywordEdit");
        auto* list = Child<CSortListCtrl>("resultList");
        edit->setText(QStringLiteral("abc"));

        // In the keyword box Enter presses Search (which asks about the group).
        boxes.Queue(QMessageBox::No);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QVERIFY(urls.urls.isEmpty());

        // On a selected result Enter opens it instead.
        SendResult("www.example.jp/a", "a", 10);
        SendResult("www.example.jp/b", "b", 20);
        list->setFocus();
        list->SelectRow(1);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(urls.urls, QList<QUrl>{QUrl("http://www.example.jp/b")});
        QCOMPARE(boxes.seen.size(), size_t(1));

        // Focus on the list with nothing selected: Search again.
        list->clearSelection();
        boxes.Queue(QMessageBox::No);
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(boxes.seen.size(), size_t(2));
        QCOMPARE(urls.urls.size(), 1);
    }

    void doubleClickOpensTheRowButNotTheEmptyArea() {
        QVERIFY(OpenWindow());
        UrlCatcher urls;
        SendResult("www.example.jp/a?q=%E3%81%82", "a", 10);
        auto* list = Child<CSortListCtrl>("resultList");
        const QRect rowRect = list->visualRect(list->model()->index(0, 0));
        const QPoint onRow = rowRect.center();
        const QPoint below = onRow + QPoint(0, 5 * rowRect.height());
        // A double-click is a press and release, then a second press that
        // the platform reports as a double-click.
        const auto doubleClick = [list](QPoint at) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        };
        doubleClick(below);
        QVERIFY(urls.urls.isEmpty());
        doubleClick(onRow);
        QCOMPARE(urls.urls.size(), 1);
        // Escapes already in the address go out as they are.
        QCOMPARE(urls.urls[0].toEncoded(), QByteArray("http://www.example.jp/a?q=%E3%81%82"));
    }

    void listSwitchTogglesAndKeepsRows() {
        QVERIFY(OpenWindow());
        SendResult("www.example.jp/a", "a", 10);
        m_dlg->SendMessage(WM_INET_STATUS, 1, 21);
        auto* results = Child<CSortListCtrl>("resultList");
        auto* status = Child<CSortListCtrl>("statusList");
        auto* button = Child<QPushButton>("listSwitchButton");
        for (int click = 1; click <= 3; ++click) {
            QTest::mouseClick(button, Qt::LeftButton);
            const bool statusShown = click % 2 == 1;
            QCOMPARE(status->isVisible(), statusShown);
            QCOMPARE(results->isVisible(), !statusShown);
        }
        QCOMPARE(results->RowCount(), 1);
        QCOMPARE(status->RowCount(), 1);
    }

    void helpButtonOpensTheHelpPage() {
        QVERIFY(OpenWindow());
        UrlCatcher urls;
        QTest::mouseClick(Child<QPushButton>("helpButton"), Qt::LeftButton);
        QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(Folder() + "Help/Quennit.html")});
    }

    void contextMenuOpensTheAboutBox() {
        QVERIFY(OpenWindow());
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
};

QTEST_MAIN(SearchDlgTest)
#include "search_dlg_test.moc"
