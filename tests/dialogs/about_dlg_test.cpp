#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/about_dlg.h"
#include "app/dialog_units.h"
#include "app/maker_page.h"
#include "widget_test_util.h"

using quennit::CAboutDlg;

namespace {

const QString kFolder = QStringLiteral("/opt/quennit/");

}  // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void ShowsNameVersionAndTemplateSize() {
        CAboutDlg dlg(kFolder);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Quennitのﾊﾞｰｼﾞｮﾝ情報"));
        const quennit::DialogUnits du(dlg.font());
        QCOMPARE(dlg.size(), QSize(du.X(235), du.Y(69)));

        auto* text = dlg.findChild<QLabel*>(QStringLiteral("versionText"));
        QVERIFY(text != nullptr);
        QVERIFY(text->text().contains(QStringLiteral("Quennit")));
        QVERIFY(text->text().contains(QStringLiteral("1.2")));
        QVERIFY(text->alignment() & Qt::AlignHCenter);
        QCOMPARE(text->frameShadow(), QFrame::Sunken);

        auto* icon = dlg.findChild<QLabel*>(QStringLiteral("appIcon"));
        QVERIFY(icon != nullptr);
        QVERIFY(!icon->pixmap().isNull());  // the icon resource is linked in

        auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("okButton"));
        QVERIFY(ok != nullptr && ok->isDefault());
    }

    void MakerButtonOpensTheHelpPageAndStaysOpen() {
        quennit::test::RecordingOpener opener;
        CAboutDlg dlg(kFolder);
        auto* maker = dlg.findChild<QPushButton*>(QStringLiteral("makerPageButton"));
        QVERIFY(maker != nullptr);
        const QUrl page = quennit::MakerPageUrl(kFolder);
        QCOMPARE(maker->toolTip(), page.toString());

        int result = -1;
        bool openAfterClick = false;
        QTimer::singleShot(0, &dlg, [&] {
            QTest::mouseClick(maker, Qt::LeftButton);
            openAfterClick = dlg.isVisible();
            QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("okButton")),
                              Qt::LeftButton);
        });
        result = dlg.exec();

        QVERIFY(openAfterClick);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(opener.Urls(), QList<QUrl>{page});
        QCOMPARE(page.toLocalFile(), QStringLiteral("/opt/quennit/Help/Quennit.html"));
    }

    void EnterTakesOkAndEscapeCancels() {
        CAboutDlg dlg(kFolder);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));

        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void LongFolderIsElidedButTheTargetIsWhole() {
        quennit::test::RecordingOpener opener;
        const QString folder =
            QStringLiteral("/home/someone/") + QString(200, QLatin1Char('d')) + QStringLiteral("/");
        CAboutDlg dlg(folder);
        auto* maker = dlg.findChild<QPushButton*>(QStringLiteral("makerPageButton"));
        QVERIFY(maker->text().size() < maker->toolTip().size());
        QTest::mouseClick(maker, Qt::LeftButton);
        QCOMPARE(opener.Urls().value(0).toLocalFile(),
                 folder + QStringLiteral("Help/Quennit.html"));
    }
};

QTEST_MAIN(AboutDlgTest)
#include "about_dlg_test.moc"
