#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>

#include "app/dialogs/dialog_page.h"

class QLabel;
class QPushButton;

namespace quennit {

class CSearchSession;
class CSortListCtrl;

// Opens 「サイトを追加」 over parent; true when a site was added and the
// site table reloaded.
using AddSiteAction = std::function<bool(QWidget* parent)>;

// The settings dialog's site information page: the site file's version, the
// number of sites, and one row per site with a check box that switches the
// site on or off for the rest of the run. A double-click on a row, or Enter
// on the selected row, opens the site's address. 「サイトを追加...」 runs the
// add action and lists the reloaded table, the unapplied switches kept.
class CSiteInfoPage : public CDialogPage {
    Q_OBJECT

  public:
    // The session is not owned; the rows are read from its site table now.
    explicit CSiteInfoPage(CSearchSession* session, AddSiteAction addSite = {},
                           QWidget* parent = nullptr);

    // Switches every row's site on or off as its check box says. Always true.
    bool ApplyChanges();

    // Adding a site is refused while a search holds the site table.
    void SetAddSiteEnabled(bool enabled);

  protected:
    void OnEnter() override;

  private:
    void OpenSite(int row);
    void FillList();
    void OnAddSite();

    CSearchSession* m_pSession;
    AddSiteAction m_addSite;
    QPushButton* m_addSiteButton;
    CSortListCtrl* m_siteList;
    QLabel* m_version;
    QLabel* m_count;
    // Row key → site number. Names may repeat, so each row remembers its
    // own site; the key survives sorting, the row index doesn't.
    std::unordered_map<std::uint32_t, std::uint32_t> m_siteOfRow;
};

}  // namespace quennit
