#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/dialog_units.h"
#include "app/dialogs/maker_page.h"
#include "qt_test_util.h"

using quennit::CAboutDlg;

class AboutDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void showsNameVersionAndIcon() {
        CAboutDlg dlg(QStringLiteral("/opt/quennit/"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Quennitのﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(dlg.windowFlags(), quennit::kModalDialogFlags);
        const QString text = dlg.findChild<QLabel*>(QStringLiteral("versionText"))->text();
        QVERIFY2(text.contains(QStringLiteral("Quennit")) && text.contains(QStringLiteral("1.2")),
                 qPrintable(text));
        // The icon resource is linked in.
        QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("appIcon"))->pixmap().isNull());
    }

    void makerButtonOpensTheHelpPageAndStaysOpen_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("short") << QStringLiteral("/opt/quennit/");
        QTest::newRow("long, shown elided")
            << QStringLiteral("/home/someone/") + QString(200, QLatin1Char('d')) + '/';
    }
    void makerButtonOpensTheHelpPageAndStaysOpen() {
        QFETCH(QString, folder);
        quennit::test::RecordingOpener opener;
        CAboutDlg dlg(folder);
        auto* maker = dlg.findChild<QPushButton*>(QStringLiteral("makerPageButton"));
        const QUrl page = quennit::MakerPageUrl(folder);
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
    }

    void enterTakesOkAndEscapeCancels() {
        CAboutDlg dlg(QStringLiteral("/opt/quennit/"));
        for (const auto& [key, result] : {std::pair{Qt::Key_Escape, QDialog::Rejected},
                                          std::pair{Qt::Key_Return, QDialog::Accepted}}) {
            dlg.show();
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            QTest::keyClick(QApplication::focusWidget(), key);
            QTRY_VERIFY(!dlg.isVisible());
            QCOMPARE(dlg.result(), int(result));
        }
    }
};

QTEST_MAIN(AboutDlgTest)
#include "about_dlg_test.moc"
