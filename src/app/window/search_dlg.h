#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QDialog>
#include <QMessageBox>
#include <QString>

#include "app/settings/app_settings.h"
#include "app/widgets/resize_layout.h"
#include "app/window/event_relay.h"
#include "engine/search_events.h"
#include "engine/search_session.h"
#include "engine/search_thread.h"
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
// site status lists, and the status line. It owns the search session, runs
// at most one search thread and handles that thread's events.
//
// Events from the search thread are handed over on this window's thread and
// the thread waits for each (see CEventRelay). Once a search is stopped none
// of its events arrive and it is never left waiting for this window; its
// thread is joined before a new search starts and before the window closes.
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
    CSearchSession& Session() { return m_session; }

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
    void ApplyPlacement();
    void StorePlacement();
    // The frame around the client area; none while it isn't known.
    std::optional<QMargins> Frame() const;
    // The normal outer rectangle the placement asks for, with that frame.
    QRect PlacementTarget(const QMargins& frame) const;
    void PlaceNormal(const QMargins& frame);
    void FollowFrame();
    bool InNormalState() const;

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
    // Stops the current search, if any, and joins its thread.
    void EndSearchThread();

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

    CSearchSession m_session;
    FileLocations m_files;
    QString m_strFolder;  // where Help/ is
    CResizeLayout m_layout;
    CSettingDlg* m_pSettingDlg = nullptr;  // while it is open
    CEventRelay m_relay;
    // The current or last search's thread: one search at a time.
    std::unique_ptr<SearchThread> m_pSearchThread;
    bool m_bSearching = false;
    bool m_bWaitCursor = false;
    bool m_bInitialised = false;
    bool m_bPlacementStored = false;
    // Placed with a frame that a window manager may still change when it
    // frames the window; corrected once the real frame shows.
    bool m_bPlacementPending = false;
    QMargins m_placedFrame;
    QMargins m_normalFrame;  // the frame last seen in the normal state
    QSize m_templateSize;
};

}  // namespace quennit
