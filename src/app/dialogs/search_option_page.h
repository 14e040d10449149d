#pragma once

#include <cstdint>

#include <QString>

#include "app/dialogs/dialog_page.h"

class QCheckBox;
class QLineEdit;

namespace quennit {

class CAppSettings;
class CSearchSession;

// How a box of unsigned decimal digits reads.
enum class UIntField { Ok, NotUnsigned, OutOfRange };

// Reads text as an unsigned decimal integer within low..high. Blanks around
// the digits are allowed; signs, other characters and full-width digits are
// not. value is set only when the result is Ok.
UIntField ParseUIntField(const QString& text, std::uint32_t low, std::uint32_t high,
                         std::uint32_t& value);

// The settings dialog's search options page: the network time-out (seconds),
// the attempts per request and the MULTI switch (several sites at a time). Both boxes are checked
// as the user types and again on OK; OK hands them to the session and the settings record.
class CSearchOptionPage : public CDialogPage {
    Q_OBJECT

  public:
    static constexpr std::uint32_t kMaxTimeout = 999;
    static constexpr std::uint32_t kMaxRetry = 99;

    // Neither pointer is owned; the boxes start with the settings' values.
    CSearchOptionPage(CSearchSession* session, CAppSettings* settings, QWidget* parent = nullptr);

    // Moves the values between the boxes and the page. Reading checks the
    // time-out, then the retry count, and stops at the first bad box: it
    // gets a message and the focus, and false is returned.
    bool UpdateData(bool saveAndValidate);

    // Checks both boxes and applies them; false (after the message) when a
    // box is bad, and then nothing is applied.
    bool ApplyChanges();

    // The box that failed the last check, or nullptr.
    QLineEdit* FailedField() const { return m_pFailed; }

  private:
    bool ReadField(QLineEdit* edit, std::uint32_t high, std::uint32_t& value);
    void OnFieldChanged(QLineEdit* edit);

    CSearchSession* m_pSession;
    CAppSettings* m_pSettings;
    std::uint32_t m_nTimeout = 0;
    std::uint32_t m_nRetry = 0;
    bool m_bMulti = false;
    QLineEdit* m_timeoutEdit;
    QLineEdit* m_retryEdit;
    QCheckBox* m_multiCheck;
    QLineEdit* m_pFailed = nullptr;
    // Set while the page fills its own boxes, so that doesn't count as typing.
    bool m_bFilling = false;
};

}  // namespace quennit
