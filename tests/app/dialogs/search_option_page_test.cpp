#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "app/dialogs/search_option_page.h"
#include "app/settings/app_settings.h"
#include "engine/search_session.h"
#include "qt_test_util.h"

using quennit::CAppSettings;
using quennit::CSearchOptionPage;
using quennit::CSearchSession;
using quennit::UIntField;
using quennit::test::BoxAnswerer;
using quennit::test::Retype;

Q_DECLARE_METATYPE(UIntField)

namespace {

const QString kNotUnsigned = QStringLiteral("半角数字で整数を入力してください。");
const QString kTimeoutRange = QStringLiteral("0 から 999 までの整数を入力してください。");
const QString kRetryRange = QStringLiteral("0 から 99 までの整数を入力してください。");

// A page as the dialog opens it, from settings TIMEOUT 20 and RETRY 1.
struct Fixture {
    Fixture() {
        settings.TIMEOUT = 20;
        settings.RETRY = 1;
        page = std::make_unique<CSearchOptionPage>(&session, &settings);
        page->resize(400, 300);
        page->show();
        timeout = page->findChild<QLineEdit*>(QStringLiteral("timeoutEdit"));
        retry = page->findChild<QLineEdit*>(QStringLiteral("retryEdit"));
    }
    CSearchSession session;
    CAppSettings settings;
    std::unique_ptr<CSearchOptionPage> page;
    QLineEdit* timeout;
    QLineEdit* retry;
};

}  // namespace

class SearchOptionPageTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QVERIFY(quennit::test::NoWindowLeft()); }

    void ParseUIntField_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<UIntField>("result");
        QTest::addColumn<uint>("value");
        QTest::newRow("zero") << "0" << UIntField::Ok << 0u;
        QTest::newRow("top") << "999" << UIntField::Ok << 999u;
        QTest::newRow("leading zeros") << "0012" << UIntField::Ok << 12u;
        QTest::newRow("blanks around") << " 7 " << UIntField::Ok << 7u;
        QTest::newRow("one past the top") << "1000" << UIntField::OutOfRange << 0u;
        QTest::newRow("past 32 bits") << "99999999999999999999" << UIntField::OutOfRange << 0u;
        QTest::newRow("2^32 wraps to 0 if unchecked")
            << "4294967296" << UIntField::OutOfRange << 0u;
        QTest::newRow("empty") << "" << UIntField::NotUnsigned << 0u;
        QTest::newRow("blanks only") << "   " << UIntField::NotUnsigned << 0u;
        QTest::newRow("minus") << "-1" << UIntField::NotUnsigned << 0u;
        QTest::newRow("plus") << "+1" << UIntField::NotUnsigned << 0u;
        QTest::newRow("exponent") << "1e2" << UIntField::NotUnsigned << 0u;
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

    void TypingABadValueResetsTheBoxToZero_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("message");  // none: the value stays
        QTest::newRow("time-out 1000") << "timeoutEdit"
                                       << "1000" << kTimeoutRange;
        QTest::newRow("retry 100") << "retryEdit"
                                   << "100" << kRetryRange;
        QTest::newRow("time-out letter") << "timeoutEdit"
                                         << "2x" << kNotUnsigned;
        QTest::newRow("retry minus") << "retryEdit"
                                     << "-" << kNotUnsigned;
        QTest::newRow("time-out 999 is fine") << "timeoutEdit"
                                              << "999" << QString();
        QTest::newRow("emptied box passes quietly") << "retryEdit" << QString() << QString();
    }
    void TypingABadValueResetsTheBoxToZero() {
        QFETCH(QString, box);
        QFETCH(QString, keys);
        QFETCH(QString, message);
        Fixture f;
        auto* edit = f.page->findChild<QLineEdit*>(box);
        QLineEdit* other = edit == f.timeout ? f.retry : f.timeout;
        QCOMPARE(f.timeout->text() + f.retry->text(), QStringLiteral("201"));
        BoxAnswerer boxes;
        Retype(edit, keys);
        // One message, at the key that made the value bad, and then a 0.
        QCOMPARE(boxes.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(edit->text(), message.isEmpty() ? keys : QStringLiteral("0"));
        QCOMPARE(other->text(), other == f.timeout ? QStringLiteral("20") : QStringLiteral("1"));
        QCOMPARE(f.page->focusWidget(), edit);
    }

    void MultiSwitchShowsTheSettingAndAppliesOnlyAFlip() {
        Fixture f;
        auto* multi = f.page->findChild<QCheckBox*>(QStringLiteral("multiCheck"));
        QVERIFY(multi->isVisible() && !multi->isChecked());
        f.settings.MULTI = 7;  // not 0: on, and kept as it is while not flipped
        CSearchOptionPage page(&f.session, &f.settings);
        multi = page.findChild<QCheckBox*>(QStringLiteral("multiCheck"));
        QVERIFY(multi->isChecked());
        QVERIFY(page.ApplyChanges());
        QCOMPARE(f.settings.MULTI, 7);
        multi->setChecked(false);
        QVERIFY(page.ApplyChanges());
        QCOMPARE(f.settings.MULTI, 0);
    }

    void TypingWhileTheOtherBoxIsEmptyResetsTheBoxTyped() {
        // The whole page is checked at every change; the box being typed in
        // starts over, and the empty box gets back the page's last value.
        Fixture f;
        BoxAnswerer boxes;
        Retype(f.retry, QString());
        Retype(f.timeout, QStringLiteral("5"));
        QCOMPARE(boxes.Texts(), QStringList{kNotUnsigned});
        QCOMPARE(f.timeout->text(), QStringLiteral("0"));
        QCOMPARE(f.retry->text(), QStringLiteral("1"));
        QCOMPARE(f.page->focusWidget(), f.retry);
    }

    void AValueBeyondTheRangeFromTheFileIsReportedOnApply() {
        // The settings file may hold more than the page allows; it is shown
        // as it is and only refused when the user confirms it.
        CSearchSession session;
        CAppSettings settings;
        settings.TIMEOUT = 5000;
        CSearchOptionPage page(&session, &settings);
        QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("timeoutEdit"))->text(),
                 QStringLiteral("5000"));
        BoxAnswerer boxes;
        QVERIFY(!page.ApplyChanges());
        QCOMPARE(boxes.Texts(), QStringList{kTimeoutRange});
        QCOMPARE(settings.TIMEOUT, 5000);
    }
};

QTEST_MAIN(SearchOptionPageTest)
#include "search_option_page_test.moc"
