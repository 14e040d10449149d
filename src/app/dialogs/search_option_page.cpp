#include "app/dialogs/search_option_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "app/dialogs/dialog_units.h"
#include "app/settings/app_settings.h"
#include "engine/search_session.h"

namespace quennit {

UIntField ParseUIntField(const QString& text, std::uint32_t low, std::uint32_t high,
                         std::uint32_t& value) {
    const QString digits = text.trimmed();
    if (digits.isEmpty()) {
        return UIntField::NotUnsigned;
    }
    std::uint64_t n = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return UIntField::NotUnsigned;
        }
        // Past any 32-bit value it only matters that it is too big.
        if (n <= 0xFFFFFFFFu) {
            n = n * 10 + static_cast<std::uint64_t>(c.unicode() - u'0');
        }
    }
    if (n < low || n > high) {
        return UIntField::OutOfRange;
    }
    value = static_cast<std::uint32_t>(n);
    return UIntField::Ok;
}

namespace {

QLabel* SunkenLabel(const QString& text, const QRect& rect, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QLineEdit* NumberEdit(const QString& name, const QRect& rect, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(rect);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

}  // namespace

CSearchOptionPage::CSearchOptionPage(CSearchSession* session, CAppSettings* settings,
                                     QWidget* parent)
    : CDialogPage(parent), m_pSession(session), m_pSettings(settings) {
    setObjectName(QStringLiteral("searchOptionPage"));
    const DialogUnits du(DialogFont());
    AddHiddenDefaultButton(du);

    m_timeoutEdit = NumberEdit(QStringLiteral("timeoutEdit"), du.Rect(145, 7, 57, 14), this);
    const QLabel* timeout =
        SunkenLabel(QStringLiteral("検索タイムアウト（送信・受信）"), du.Rect(7, 7, 135, 14), this);
    (new QLabel(QStringLiteral("秒"), this))->setGeometry(du.Rect(204, 7, 26, 13));
    const QLabel* retry =
        SunkenLabel(QStringLiteral("リトライ回数（送信・受信）"), du.Rect(7, 24, 135, 14), this);
    m_retryEdit = NumberEdit(QStringLiteral("retryEdit"), du.Rect(145, 24, 57, 14), this);
    (new QLabel(QStringLiteral("回"), this))->setGeometry(du.Rect(204, 24, 26, 13));

    auto* multi = new QLabel(QStringLiteral("複数検索を同時に実行する"), this);
    multi->setGeometry(du.Rect(7, 41, 135, 14));
    m_multiCheck = new QCheckBox(this);
    m_multiCheck->setObjectName(QStringLiteral("multiCheck"));
    // As high as its label: the style centres the box on the label's line,
    // and the box itself is taller than 8 units.
    m_multiCheck->setGeometry(du.Rect(145, 41, 16, 14));

    // The labels are separate widgets; screen readers get their texts here.
    m_timeoutEdit->setAccessibleName(timeout->text());
    m_retryEdit->setAccessibleName(retry->text());
    m_multiCheck->setAccessibleName(multi->text());

    // The values are unsigned; what the settings file held is shown as such.
    if (m_pSettings != nullptr) {
        m_nTimeout = static_cast<std::uint32_t>(m_pSettings->TIMEOUT);
        m_nRetry = static_cast<std::uint32_t>(m_pSettings->RETRY);
        m_bMulti = m_pSettings->MULTI != 0;
    }
    UpdateData(false);

    connect(m_timeoutEdit, &QLineEdit::textChanged, this,
            [this] { OnFieldChanged(m_timeoutEdit); });
    connect(m_retryEdit, &QLineEdit::textChanged, this, [this] { OnFieldChanged(m_retryEdit); });
}

bool CSearchOptionPage::ReadField(QLineEdit* edit, std::uint32_t high, std::uint32_t& value) {
    const UIntField result = ParseUIntField(edit->text(), 0, high, value);
    if (result == UIntField::Ok) {
        return true;
    }
    m_pFailed = edit;
    const QString text = result == UIntField::NotUnsigned
                             ? QStringLiteral("半角数字で整数を入力してください。")
                             : QStringLiteral("0 から %1 までの整数を入力してください。").arg(high);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quennit"), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("validationMessage"));
    box.exec();
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CSearchOptionPage::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        m_bFilling = true;
        m_timeoutEdit->setText(QString::number(m_nTimeout));
        m_retryEdit->setText(QString::number(m_nRetry));
        m_multiCheck->setChecked(m_bMulti);
        m_bFilling = false;
        return true;
    }
    m_pFailed = nullptr;
    m_bMulti = m_multiCheck->isChecked();
    // Each good box is taken before the next one is read, so a bad retry
    // count still leaves a new time-out in the page.
    return ReadField(m_timeoutEdit, kMaxTimeout, m_nTimeout) &&
           ReadField(m_retryEdit, kMaxRetry, m_nRetry);
}

void CSearchOptionPage::OnFieldChanged(QLineEdit* edit) {
    // An empty box is left alone while typing; OK reports it.
    if (m_bFilling || edit->text().isEmpty()) {
        return;
    }
    if (!UpdateData(true)) {
        // The box being typed in starts over from 0, whichever box was bad.
        (edit == m_timeoutEdit ? m_nTimeout : m_nRetry) = 0;
        UpdateData(false);
    }
}

bool CSearchOptionPage::ApplyChanges() {
    if (!UpdateData(true)) {
        return false;
    }
    // Unlike start-up, 0 is applied too: it is what the user asked for.
    if (m_pSession != nullptr) {
        m_pSession->SetTimeout(m_nTimeout * 1000);
        m_pSession->SetRetry(static_cast<int>(m_nRetry));
    }
    if (m_pSettings != nullptr) {
        m_pSettings->TIMEOUT = static_cast<std::int32_t>(m_nTimeout);
        m_pSettings->RETRY = static_cast<std::int32_t>(m_nRetry);
        // Any non-zero value already means on; only a flip is a change.
        if ((m_pSettings->MULTI != 0) != m_bMulti) {
            m_pSettings->MULTI = m_bMulti ? 1 : 0;
        }
    }
    return true;
}

}  // namespace quennit
