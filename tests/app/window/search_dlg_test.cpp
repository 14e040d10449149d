#include <memory>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/dialog_units.h"
#include "app/window/app_icons.h"
#include "app/window/busy_animation.h"
#include "app/window/group_combo_box.h"
#include "app/window/search_dlg.h"
#include "engine/search_result.h"
#include "qt_test_util.h"

using namespace quennit;
using quennit::test::BoxAnswerer;
using quennit::test::Column;
using quennit::test::RecordingOpener;
using quennit::test::Sjis;

class SearchDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    CAppSettings m_settings;
    std::unique_ptr<CSearchDlg> m_dlg;

    QString Folder() const { return m_dir->path() + QLatin1Char('/'); }

    bool OpenWindow() {
        m_dlg = std::make_unique<CSearchDlg>(Folder());
        m_dlg->m_pSettings = &m_settings;
        return m_dlg->Open();
    }

    template <class T>
    T* Child(const char* name) const {
        return m_dlg->findChild<T*>(QString::fromLatin1(name));
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

    bool ShowsSearchIcon() const {
        return Child<QPushButton>("searchButton")->icon().cacheKey() ==
               AppIcon(IDI_SEARCH).cacheKey();
    }

  private slots:
    void init() {
        // Three sites in three groups; nothing listens on port 1.
        m_dir = std::make_unique<QTemporaryDir>();
        QFile file(Folder() + "SearchSite.ini");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(
            Sjis("SITE_FILE_VER\t1.0\n"
                 "HOST_ID\tデモ検索\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tニュース\n"
                 "HOST_ID\tSecond\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tnews\n"
                 "HOST_ID\tThird\nHOST_ADDR\t127.0.0.1:1\nHOST_GROUP\tWeb\n")));
        m_settings = CAppSettings();
        m_settings.X1 = m_settings.Y1 = m_settings.X2 = m_settings.Y2 = -1;
        m_settings.TYPE = 0;
    }

    void cleanup() {
        m_dlg.reset();
        m_dir.reset();
        QVERIFY(test::NoWindowLeft());
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

        QCOMPARE(Child<CSortListCtrl>("resultList")->isVisible(), true);
        QCOMPARE(Child<CSortListCtrl>("statusList")->isVisible(), false);
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
        QCOMPARE(Child<QLabel>("statusLine")->text(), line);
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
        Child<QLineEdit>("keywordEdit")->setText(keyword);
        auto* groups = Child<CGroupComboBox>("groupCombo");
        groups->setCurrentIndex(groups->findText(group));

        BoxAnswerer boxes;
        boxes.Queue(QMessageBox::No);
        QTest::mouseClick(Child<QPushButton>("searchButton"), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Quennit"));
        QCOMPARE(boxes.seen[0].text, text);
        QCOMPARE(boxes.seen[0].icon, icon);
        QCOMPARE(boxes.seen[0].buttons, buttons);
        QCOMPARE(boxes.seen[0].defaultButton, defaultButton);
        // The lists are emptied before the checks.
        QCOMPARE(Child<CSortListCtrl>("resultList")->RowCount(), 0);
        QCOMPARE(Child<CSortListCtrl>("statusList")->RowCount(), 0);
        QVERIFY(!m_dlg->IsSearching());
        QVERIFY(ShowsSearchIcon());
        QVERIFY(!Child<CBusyAnimation>("animation")->IsPlaying());
        QVERIFY(QApplication::overrideCursor() == nullptr);
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

        // On a selected result Enter opens it instead.
        SendResult("www.example.jp/a", 120);
        SendResult("www.example.jp/b", 10);
        QCOMPARE(Column(*list, 0), (QStringList{"www.example.jp/a", "www.example.jp/b"}));
        QCOMPARE(Column(*list, 4), (QStringList{"120", "10"}));
        QCOMPARE(list->GetCellText(0, 1) + list->GetCellText(0, 2) + list->GetCellText(0, 3),
                 Sjis("日本語のタイトル説明文デモ検索"));
        list->setFocus();
        list->SelectRow(1);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(opener.urls, QList<QUrl>{QUrl("http://www.example.jp/b")});
        QCOMPARE(boxes.seen.size(), size_t(1));

        // On the list with nothing selected: Search again.
        list->clearSelection();
        boxes.Queue(QMessageBox::No);
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(boxes.seen.size(), size_t(2));
        QCOMPARE(opener.urls.size(), 1);
    }

    void doubleClickOpensTheRowAsGiven() {
        QVERIFY(OpenWindow());
        RecordingOpener opener;
        SendResult("www.example.jp/a?q=%E3%81%82", 10);
        auto* list = Child<CSortListCtrl>("resultList");
        test::DoubleClick(list->viewport(), list->visualRect(list->model()->index(0, 1)).center());
        // Escapes already in the address go out as they are.
        QCOMPARE(opener.urls.value(0).toEncoded(),
                 QByteArray("http://www.example.jp/a?q=%E3%81%82"));
    }

    void listSwitchTogglesAndKeepsRows() {
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
        QCOMPARE(results->RowCount(), 1);
        QCOMPARE(status->RowCount(), 1);
    }

    void helpButtonAndAboutMenu() {
        QVERIFY(OpenWindow());
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
};

QTEST_MAIN(SearchDlgTest)
#include "search_dlg_test.moc"
