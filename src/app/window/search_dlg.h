#pragma once

#include <vector>

#include <QDialog>
#include <QMessageBox>
#include <QString>

#include "app/settings/app_settings.h"
#include "app/widgets/resize_layout.h"
#include "app/window/search_control.h"
#include "app/window/window_placement.h"
#include "engine/search_events.h"
#include "engine/search_session.h"
#include "platform/file_locations.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quennit {

class CBusyAnimation;
class CGroupComboBox;
class CSettingDlg;
class CSortListCtrl;

// The program's one window: keyword, group, Search/Stop, the result and
// site status lists, and the status line. It builds and wires the controls
// and shows the search's events; its search control runs the searches
// (one at a time) and its placement follows the settings file.
class CSearchDlg : public QDialog, public ISearchEvents {
    Q_OBJECT

  public:
    // The site file and Help/ are found where files says.
    explicit CSearchDlg(FileLocations files, QWidget* parent = nullptr);
    // Folder mode: programFolder ends in "/" and holds both.
    explicit CSearchDlg(const QString& programFolder, QWidget* parent = nullptr);
    ~CSearchDlg() override;

    // Set by start-up before the window opens; not owned.
    CAppSettings* m_pSettings = nullptr;

    // Initialises the window and shows it without a modal loop. False when
    // the site definition file could not be loaded: the window has then
    // reported it and closed itself (its placement is stored all the same).
    bool Open();

    // Open, then the modal run.
    int exec() override;

    // Ends the window: stops a running search, stores the placement.
    void done(int result) override;

    bool IsSearching() const;
    CSearchSession& Session() { return m_search.Session(); }

    // 「サイトを追加」 over parent: appends the learned block to the site file
    // and reloads the site table. True when a site was added. Refused while
    // a search holds the table.
    bool AddSite(QWidget* parent);

    // The search's events, on this window's thread.
    void OnProgress(std::uint32_t site, std::uint32_t code) override;
    void OnError(std::uint32_t site, ErrorKind kind, int status) override;
    void OnResult(std::uint32_t site, const SearchResult& result) override;
    void OnEnd(SearchEnd how) override;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void CreateControls();
    bool OnInitDialog();
    // The status line and the status list's row of a site.
    void ShowSiteStatus(const CSearchSession::StatusLine& status);

    void OnSearch();
    void OnSetting();
    void OnHelp();
    void OnListSwitch();
    void OnAboutBox();
    // Loads the site file again, every site's switch kept as the user left
    // it in this run; the group box follows. False when it can't be read.
    bool ReloadSites(std::string& error);
    void FillGroups();
    void OpenResult(int row);

    void BeginSearchUI();
    void EndSearchUI();
    void SetSearchButton(int icon, const QString& name);

    int Message(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // Controls, owned by the window as its children.
    CGroupComboBox* m_groupCombo = nullptr;
    QLineEdit* m_keywordEdit = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_settingsButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    CSortListCtrl* m_resultList = nullptr;
    CSortListCtrl* m_statusList = nullptr;
    QPushButton* m_listSwitchButton = nullptr;
    CBusyAnimation* m_animation = nullptr;
    QLabel* m_statusLine = nullptr;
    QFrame* m_separator = nullptr;
    QFrame* m_rule = nullptr;

    FileLocations m_files;
    QString m_strFolder;  // where Help/ is
    CResizeLayout m_layout;
    CWindowPlacement m_placement;
    CSearchControl m_search;
    CSettingDlg* m_pSettingDlg = nullptr;  // while it is open
    bool m_bWaitCursor = false;
    bool m_bInitialised = false;
    QSize m_templateSize;
};

}  // namespace quennit
