// 「サイトを追加」 against the test server's result pages: learning on its
// own thread, the preview, refusals, a stop, and the append and reload in
// the running window.

#include <functional>
#include <memory>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/add_site_dlg.h"
#include "app/dialogs/setting_dlg.h"
#include "app/window/group_combo_box.h"
#include "app/window/search_dlg.h"
#include "qt_test_util.h"
#include "test_server.h"

using namespace quennit;
using test::Column;
using test::Sjis;

namespace {

// Runs a script over the add dialog once it shows, from its own event loop.
class OnAddDialog : public QObject {
  public:
    explicit OnAddDialog(std::function<void(CAddSiteDlg&)> script) : m_script(std::move(script)) {
        qApp->installEventFilter(this);
    }
    ~OnAddDialog() override { qApp->removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dlg = qobject_cast<CAddSiteDlg*>(watched);
        if (event->type() == QEvent::Show && dlg != nullptr && m_script) {
            QMetaObject::invokeMethod(
                dlg,
                [dlg, script = std::move(m_script)] {
                    script(*dlg);
                    dlg->close();  // also when the script failed half-way
                },
                Qt::QueuedConnection);
        }
        return false;
    }

  private:
    std::function<void(CAddSiteDlg&)> m_script;
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class AddSiteTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString SiteFile() const { return m_dir->path() + "/SearchSite.ini"; }
    static QString Page(const char* query) {
        return QStringLiteral("http://%1/%2")
            .arg(QString::fromStdString(test::SharedServer().HostAddr()), query);
    }
    template <class T = QLineEdit>
    static T* Child(const QWidget& dlg, const char* name) {
        return dlg.findChild<T*>(QString::fromLatin1(name));
    }
    static QString Step(const CAddSiteDlg& dlg) { return Child<QLabel>(dlg, "stepLabel")->text(); }
    static QString Shown(const CAddSiteDlg& dlg) {
        return Child<QPlainTextEdit>(dlg, "proofText")->toPlainText();
    }
    // Types the address and keyword as a user does and presses Enter.
    static void Learn(CAddSiteDlg& dlg, const QString& url) {
        test::Retype(Child(dlg, "urlEdit"), url);
        test::Retype(Child(dlg, "keywordEdit"), QStringLiteral("alpha"));
        QTest::keyClick(Child(dlg, "keywordEdit"), Qt::Key_Return);
        QVERIFY(dlg.IsLearning());
    }

  private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QFile file(SiteFile());
        const std::string sites = Sjis(
            "SITE_FILE_VER\t1.0\r\nHOST_ID\tデモ\r\nHOST_ADDR\t127.0.0.1:1"
            "\r\nHOST_GROUP\tweb\r\nHOST_ID\t二番\r\nHOST_GROUP\tnews\r\n");
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(sites.data(), qint64(sites.size())) > 0);
    }
    void cleanup() {
        m_dir.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // Nothing is written by a refusal, a stop or a duplicate name; the
    // dialog says why and stays usable.
    void refusalStopAndDuplicateWriteNothing() {
        const QByteArray before = ReadFile(SiteFile());
        CAddSiteDlg dlg(SiteFile().toStdString(), 30000);
        dlg.show();
        Learn(dlg, Page("page?n=1&of=1&per=1&q=alpha"));  // one entry: no repeated list
        QTRY_VERIFY(!dlg.IsLearning());
        QVERIFY2(Shown(dlg).endsWith(QStringLiteral("ブラウザーで保存したページ (quennit-cli learn "
                                                    "--page)、「見えているタイトルの例」、"
                                                    "別のキーワードを試してください。")),
                 qPrintable(Shown(dlg)));
        QVERIFY(!Child<QPushButton>(dlg, "addButton")->isEnabled());

        // Only a stop ends this fetch before the time-out.
        Learn(dlg, Page("stall-head?q=alpha"));
        QTRY_VERIFY(!Step(dlg).isEmpty());
        QTest::mouseClick(Child<QPushButton>(dlg, "stopButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(Step(dlg), QStringLiteral("中止しました"), 3000);
        QVERIFY(Child<QPushButton>(dlg, "learnButton")->isEnabled());

        Learn(dlg, Page("learn?q=alpha"));
        QTRY_VERIFY(Child<QPushButton>(dlg, "addButton")->isEnabled());
        // The empty name box took the learner's name: the page's title.
        QCOMPARE(Child(dlg, "nameEdit")->text(), QStringLiteral("Test search"));
        Child(dlg, "nameEdit")->setText(QStringLiteral("デモ"));
        QTest::keyClick(Child(dlg, "nameEdit"), Qt::Key_Return);  // Enter now adds
        QCOMPARE(Shown(dlg), QStringLiteral("「デモ」という名前のサイトはもうあります。"
                                            "サイト名を変えてから追加してください。"));
        QVERIFY(!dlg.Added() && dlg.isVisible());
        QCOMPARE(ReadFile(SiteFile()), before);

        // Closing during a fetch ends it at once.
        Learn(dlg, Page("stall-head?q=alpha"));
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible() && !dlg.IsLearning());
    }

    // From the settings page: learned, previewed, appended after every byte
    // that was there, and the window's table reloaded with the user's
    // switches, the new group and the new row.
    void addedSiteIsListedEnabledAndGrouped() {
        CAppSettings settings;
        CSearchDlg window(m_dir->path() + '/');
        window.m_pSettings = &settings;
        QVERIFY(window.Open());
        window.Session().SetSiteEnabled(1, 0);
        const QByteArray before = ReadFile(SiteFile());
        QString block;
        OnAddDialog script([&block](CAddSiteDlg& dlg) {
            Child(dlg, "groupEdit")->setText(QStringLiteral("学習"));
            Learn(dlg, Page("learn?q=alpha"));
            QTRY_VERIFY(Child<QPushButton>(dlg, "addButton")->isEnabled());
            const auto& preview = *Child<CSortListCtrl>(dlg, "previewList");
            const QString host = QString::fromStdString(test::SharedServer().HostAddr());
            QCOMPARE(preview.RowCount(), 5);
            QCOMPARE(
                Column(preview, 0)[4] + '|' + Column(preview, 1)[4] + '|' + Column(preview, 2)[4],
                host + "/doc/alpha/15|Guide alpha 15|about alpha");
            QVERIFY(Shown(dlg).contains("最初のページ: 5 件、次のページ: /learn?q=alpha&page=2\n"));
            Child(dlg, "nameEdit")->setText(QStringLiteral("学んだサイト"));
            block = Child<QPlainTextEdit>(dlg, "blockText")->toPlainText();
            QVERIFY(block.startsWith(QStringLiteral("HOST_ID\t学んだサイト\n")));
            QVERIFY(block.contains(QStringLiteral("\nHOST_GROUP\t学習\n")));
            QTest::mouseClick(Child<QPushButton>(dlg, "addButton"), Qt::LeftButton);
        });
        CSettingDlg settingDlg(&window.Session(), &settings,
                               [&window](QWidget* parent) { return window.AddSite(parent); });
        settingDlg.show();
        QTest::mouseClick(Child<QPushButton>(settingDlg, "addSiteButton"), Qt::LeftButton);

        const QByteArray after = ReadFile(SiteFile());
        QVERIFY(after.startsWith(before));
        QVERIFY(after.endsWith(
            QByteArray::fromStdString(*Utf8ToSjis(block.toStdString())).replace('\n', "\r\n")));
        const auto& list = *Child<CSortListCtrl>(settingDlg, "siteList");
        QCOMPARE(Column(list, 0), (QStringList{"学んだサイト", "二番", "デモ"}));
        QCOMPARE(list.GetCheck(0) + 2 * list.GetCheck(1) + 4 * list.GetCheck(2), 3);
        QCOMPARE(window.Session().LookupSite(1)->m_bEnabled, 0);
        const auto& groups = *Child<CGroupComboBox>(window, "groupCombo");
        QCOMPARE(groups.findText(QStringLiteral("学習")), 2);
        QCOMPARE(groups.count(), 3);
    }
};

QTEST_MAIN(AddSiteTest)
#include "add_site_test.moc"
