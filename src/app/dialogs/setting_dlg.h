#pragma once

#include <QDialog>

#include "app/dialogs/site_info_page.h"

namespace quennit {

class CAppSettings;
class CPageTabCtrl;
class CSearchOptionPage;
class CSearchSession;

// The settings dialog: a site information page and a search options page
// on two tabs. OK applies both pages to the session and the settings record
// (the settings reach the file at exit); Cancel applies nothing. It may be
// opened while a search runs: the session and its site table take the
// changes under their own locks, and the search uses them from its next
// request on.
class CSettingDlg : public QDialog {
    Q_OBJECT

  public:
    // Neither pointer is owned. Without addSite the site page can't add sites.
    CSettingDlg(CSearchSession* session, CAppSettings* settings, AddSiteAction addSite = {},
                QWidget* parent = nullptr);

    CSiteInfoPage* SiteInfoPage() const { return m_siteInfoPage; }

    // OK: applies the site page, then the options page. A page that refuses
    // is shown and the dialog stays open.
    void accept() override;

  private:
    CSearchSession* m_pSession;
    CAppSettings* m_pSettings;
    CPageTabCtrl* m_tabCtrl;
    CSiteInfoPage* m_siteInfoPage;
    CSearchOptionPage* m_searchOptionPage;
};

}  // namespace quennit
