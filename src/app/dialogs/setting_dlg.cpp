#include "app/dialogs/setting_dlg.h"

#include <utility>

#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/page_tab_ctrl.h"
#include "app/dialogs/search_option_page.h"
#include "app/dialogs/site_info_page.h"

namespace quennit {

CSettingDlg::CSettingDlg(CSearchSession* session, CAppSettings* settings, AddSiteAction addSite,
                         QWidget* parent)
    : QDialog(parent), m_pSession(session), m_pSettings(settings) {
    setObjectName(QStringLiteral("settingDialog"));
    setWindowTitle(QStringLiteral("設定"));
    setWindowFlags(kModalDialogFlags);
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.X(254), du.Y(203));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(du.Rect(7, 182, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(du.Rect(197, 182, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_tabCtrl = new CPageTabCtrl(this);
    m_tabCtrl->setObjectName(QStringLiteral("pageTabCtrl"));
    m_tabCtrl->setGeometry(du.Rect(7, 7, 240, 168));

    m_siteInfoPage = new CSiteInfoPage(m_pSession, std::move(addSite));
    m_searchOptionPage = new CSearchOptionPage(m_pSession, m_pSettings);
    m_tabCtrl->AddPage(0, QStringLiteral("サイト定義情報"), m_siteInfoPage);
    m_tabCtrl->AddPage(1, QStringLiteral("検索オプション"), m_searchOptionPage);
    // The pages live and die with the tab control.
    m_tabCtrl->GetPage(0)->owned = true;
    m_tabCtrl->GetPage(1)->owned = true;
    m_tabCtrl->setCurrentIndex(0);
    m_tabCtrl->ShowCurrentPage();
}

void CSettingDlg::accept() {
    if (!m_siteInfoPage->ApplyChanges()) {
        m_tabCtrl->setCurrentIndex(0);
        m_tabCtrl->ShowCurrentPage();
        return;
    }
    // The site switches are applied by now and stay so, even if the options
    // are refused and the dialog is then cancelled.
    if (!m_searchOptionPage->ApplyChanges()) {
        m_tabCtrl->setCurrentIndex(1);
        m_tabCtrl->ShowCurrentPage();
        // The failed box was hidden when it got the focus; give it again.
        if (QLineEdit* failed = m_searchOptionPage->FailedField()) {
            failed->setFocus();
            failed->selectAll();
        }
        return;
    }
    QDialog::accept();
}

}  // namespace quennit
