#include <memory>

#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/maker_page.h"
#include "app/window/search_app.h"
#include "qt_test_util.h"

using namespace quennit;
using quennit::test::BoxAnswerer;

class SearchAppTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString Folder() const { return m_dir->path() + QLatin1Char('/'); }

    CAppSettings Reload() const {
        CAppSettings s;
        s.Load((Folder() + "Quennit.ini").toStdString());
        return s;
    }

  private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void cleanup() {
        m_dir.reset();
        QVERIFY(test::NoWindowLeft());
    }

    void firstRunCreatesTheSettingsAndStoresThePlacement() {
        QFile site(Folder() + "SearchSite.ini");
        QVERIFY(site.open(QIODevice::WriteOnly));
        site.write(QByteArray::fromStdString(test::Sjis("HOST_ID\tデモ\nHOST_GROUP\tWeb\n")));
        site.close();
        BoxAnswerer boxes;
        boxes.CloseWindowsOfClass("quennit::CSearchDlg");
        CSearchApp app(Folder());
        QVERIFY(!app.InitInstance());
        QCOMPARE(boxes.windowsClosed, 1);
        QVERIFY(boxes.seen.empty());
        const CAppSettings s = Reload();
        QCOMPARE(s.TYPE, 1);
        QVERIFY(s.X2 > s.X1 && s.Y2 > s.Y1);
        // The template's search values survive the run.
        QCOMPARE(s.TIMEOUT, 20);
        QCOMPARE(s.RETRY, 1);
    }

    void missingSiteFileIsReportedAndSettingsAreStillWritten() {
        BoxAnswerer boxes;
        boxes.CloseWindowsOfClass("quennit::CSearchDlg");
        CSearchApp app(Folder());
        QVERIFY(!app.InitInstance());
        QCOMPARE(boxes.seen.size(), size_t(1));
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Quennit"));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(boxes.seen[0].text, QStringLiteral("正しいサイト定義ファイルが必要です。\r") +
                                         MakerPageUrl(Folder()).toString() +
                                         QStringLiteral("から取得してください。"));
        // The window closed itself without ever being shown.
        QCOMPARE(boxes.windowsClosed, 0);
        QCOMPARE(Reload().TYPE, 1);
    }

    void japaneseStandardButtonsAndTheDialogFontEverywhere() {
        QVERIFY(SetUpApplication());
        QMessageBox box(QMessageBox::NoIcon, "Quennit", "?", QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
        QCOMPARE(box.font(), DialogFont());
    }

    void unwritableFolderEndsBeforeTheWindow() {
        BoxAnswerer boxes;
        boxes.CloseWindowsOfClass("quennit::CSearchDlg");
        CSearchApp app(Folder() + "no/such/folder/");
        QVERIFY(!app.InitInstance());
        QCOMPARE(boxes.Texts(),
                 QStringList{QStringLiteral("初期化ファイルの読み込みでエラーが発生しました。")});
        QCOMPARE(boxes.windowsClosed, 0);
    }
};

QTEST_MAIN(SearchAppTest)
#include "search_app_test.moc"
