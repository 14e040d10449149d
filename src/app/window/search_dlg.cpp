#include "app/window/search_dlg.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/add_site_dlg.h"
#include "app/dialogs/dialog_units.h"
#include "app/dialogs/maker_page.h"
#include "app/dialogs/setting_dlg.h"
#include "app/dialogs/url_opener.h"
#include "app/widgets/sjis_qstring.h"
#include "app/widgets/sort_list_ctrl.h"
#include "app/window/app_icons.h"
#include "app/window/busy_animation.h"
#include "app/window/group_combo_box.h"
#include "engine/search_result.h"

namespace quennit {

namespace {

const QString kStopped = QStringLiteral("検索を中止しました");

}  // namespace

CSearchDlg::CSearchDlg(const QString& programFolder, QWidget* parent)
    : CSearchDlg(FolderLocations(programFolder.toStdString()), parent) {}

CSearchDlg::CSearchDlg(FileLocations files, QWidget* parent)
    : QDialog(parent),
      m_files(std::move(files)),
      m_strFolder(QString::fromStdString(m_files.dataFolder.string())),
      m_placement(*this),
      m_search(this, *this) {
    setObjectName(QStringLiteral("searchDialog"));
    setWindowTitle(QStringLiteral("Quennit"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(DialogFont());
    CreateControls();
}

CSearchDlg::~CSearchDlg() {
    // Nothing that a search thread uses may go before the thread has ended.
    m_search.Join();
    EndSearchUI();
}

void CSearchDlg::CreateControls() {
    const DialogUnits du(font());
    m_templateSize = QSize(du.X(222), du.Y(69));
    resize(m_templateSize);
    // Centred on the screen, as the window is created.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    // Created in tab order.
    m_groupCombo = new CGroupComboBox(this);
    m_groupCombo->setObjectName(QStringLiteral("groupCombo"));
    m_groupCombo->setGeometry(du.X(2), du.Y(10), du.X(48), du.Y(13));

    m_keywordEdit = new QLineEdit(this);
    m_keywordEdit->setObjectName(QStringLiteral("keywordEdit"));
    m_keywordEdit->setGeometry(du.Rect(52, 10, 80, 13));

    const auto makeButton = [&](const char* name, QRect rect) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(rect);
        button->setAutoDefault(false);
        button->setIconSize(QSize(16, 16));
        return button;
    };
    m_searchButton = makeButton("searchButton", du.Rect(134, 7, 17, 15));
    m_searchButton->setDefault(true);
    m_settingsButton = makeButton("settingsButton", du.Rect(165, 7, 17, 15));
    m_helpButton = makeButton("helpButton", du.Rect(185, 7, 17, 15));

    const auto makeList = [&](const char* name) {
        auto* list = new CSortListCtrl(this);
        list->setObjectName(QString::fromLatin1(name));
        list->setGeometry(du.Rect(2, 25, 217, 26));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setFrameShape(QFrame::StyledPanel);
        list->setFrameShadow(QFrame::Sunken);
        return list;
    };
    m_resultList = makeList("resultList");
    m_statusList = makeList("statusList");
    m_statusList->hide();

    m_listSwitchButton = makeButton("listSwitchButton", du.Rect(207, 53, 12, 12));
    m_listSwitchButton->setIconSize(QSize(12, 12));

    // The buttons show only icons and the lists have no label: name them
    // for tool tips and screen readers.
    const std::pair<QWidget*, QString> names[] = {
        {m_groupCombo, QStringLiteral("検索グループ")},
        {m_keywordEdit, QStringLiteral("検索キーワード")},
        {m_searchButton, QStringLiteral("検索")},
        {m_settingsButton, QStringLiteral("設定")},
        {m_helpButton, QStringLiteral("ヘルプ")},
        {m_listSwitchButton, QStringLiteral("検索結果とサイトの状態を切り替え")},
        {m_resultList, QStringLiteral("検索結果")},
        {m_statusList, QStringLiteral("サイトの状態")},
    };
    for (const auto& [widget, name] : names) {
        widget->setAccessibleName(name);
        if (qobject_cast<QPushButton*>(widget) != nullptr) {
            widget->setToolTip(name);
        }
    }

    m_animation = new CBusyAnimation(this);
    m_animation->setObjectName(QStringLiteral("animation"));
    m_animation->setGeometry(du.Rect(205, 7, 14, 15));

    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setGeometry(du.Rect(2, 53, 204, 12));
    m_statusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_statusLine->setTextFormat(Qt::PlainText);

    m_separator = new QFrame(this);
    m_separator->setObjectName(QStringLiteral("separator"));
    m_separator->setGeometry(du.Rect(154, 7, 8, 15));
    m_separator->setFrameStyle(QFrame::VLine | QFrame::Sunken);

    m_rule = new QFrame(this);
    m_rule->setObjectName(QStringLiteral("rule"));
    m_rule->setGeometry(du.Rect(2, 7, 129, 2));
    m_rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    connect(m_searchButton, &QPushButton::clicked, this, &CSearchDlg::OnSearch);
    connect(m_settingsButton, &QPushButton::clicked, this, &CSearchDlg::OnSetting);
    connect(m_helpButton, &QPushButton::clicked, this, &CSearchDlg::OnHelp);
    connect(m_listSwitchButton, &QPushButton::clicked, this, &CSearchDlg::OnListSwitch);
    connect(m_resultList, &CSortListCtrl::rowDoubleClicked, this, &CSearchDlg::OpenResult);
}

bool CSearchDlg::OnInitDialog() {
    m_bInitialised = true;
    // With its native window the platform can tell the frame size, which
    // the minimum size and the stored placement include.
    winId();
    setWindowIcon(AppIcon(IDR_MAINFRAME));

    // The window's size right now, the template's, becomes its minimum.
    using enum CResizeLayout::Mode;
    const struct {
        QWidget* control;
        CResizeLayout::Mode left, top, right, bottom;
    } anchors[] = {
        {m_keywordEdit, Proportional, Stay, KeepFar, Stay},
        {m_rule, Stay, Stay, KeepFar, Stay},
        {m_groupCombo, Stay, Stay, Proportional, Stay},
        {m_searchButton, KeepFar, Stay, KeepFar, Stay},
        {m_settingsButton, KeepFar, Stay, KeepFar, Stay},
        {m_helpButton, KeepFar, Stay, KeepFar, Stay},
        {m_separator, KeepFar, Stay, KeepFar, Stay},
        {m_animation, KeepFar, Stay, KeepFar, Stay},
        {m_resultList, Stay, Stay, KeepFar, KeepFar},
        {m_statusList, Stay, Stay, KeepFar, KeepFar},
        {m_statusLine, Stay, KeepFar, KeepFar, KeepFar},
        {m_listSwitchButton, KeepFar, KeepFar, KeepFar, KeepFar},
    };
    for (const auto& a : anchors) {
        m_layout.AddControl(this, a.control, a.left, a.top, a.right, a.bottom, true);
    }

    m_searchButton->setIcon(AppIcon(IDI_SEARCH));
    m_settingsButton->setIcon(AppIcon(IDI_SETTING));
    m_helpButton->setIcon(AppIcon(IDI_HELP));
    m_listSwitchButton->setIcon(AppIcon(IDI_LISTSWITCH));

    for (CSortListCtrl* list : {m_resultList, m_statusList}) {
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setAllColumnsShowFocus(true);
        list->SetGridLines(true);
    }

    m_resultList->InsertColumn(0, QStringLiteral("URL"), 100);
    m_resultList->InsertColumn(1, QStringLiteral("タイトル"), 150);
    m_resultList->InsertColumn(2, QStringLiteral("説明"), 150);
    m_resultList->InsertColumn(3, QStringLiteral("SITE"), 50);
    m_resultList->InsertColumn(4, QStringLiteral("順序"), 50, Qt::AlignRight);
    m_statusList->InsertColumn(0, QStringLiteral("サイト名"), 200);
    m_statusList->InsertColumn(1, QStringLiteral("STATUS"), 200);

    m_placement.Apply(m_pSettings, m_templateSize);
    m_animation->Stop();

    CSearchSession& session = m_search.Session();
    const std::string siteFile = m_files.SiteFile().string();
    std::string error;
    if (!session.LoadSiteFile(siteFile, error)) {
        Message(QMessageBox::Critical,
                QStringLiteral("正しいサイト定義ファイルが必要です。") + QChar(u'\r') +
                    MakerPageUrl(m_strFolder).toString() + QStringLiteral("から取得してください。"),
                QMessageBox::Ok);
        return false;
    }

    // A TIMEOUT of 0 keeps the session's default here; RETRY 0 is the default.
    std::uint32_t timeout = session.GetTimeout();
    int retry = session.GetRetry();
    if (m_pSettings != nullptr) {
        if (m_pSettings->TIMEOUT != 0) {
            const std::int64_t ms = static_cast<std::int64_t>(m_pSettings->TIMEOUT) * 1000;
            timeout = static_cast<std::uint32_t>(ms);
        }
        if (m_pSettings->RETRY != 0) {
            retry = m_pSettings->RETRY;
        }
    }
    m_search.Connect(timeout, retry);

    FillGroups();
    m_groupCombo->setCurrentIndex(-1);
    m_groupCombo->setFocus();
    return true;
}

void CSearchDlg::FillGroups() {
    const QString chosen = m_groupCombo->currentText();
    m_groupCombo->clear();
    CSearchSession& session = m_search.Session();
    SjisString group;
    for (bool more = session.EnumSiteGroup(true, group); more;
         more = session.EnumSiteGroup(false, group)) {
        m_groupCombo->AddString(FromSjis(group), true);
    }
    m_groupCombo->setCurrentIndex(chosen.isEmpty() ? -1 : m_groupCombo->findText(chosen));
}

bool CSearchDlg::ReloadSites(std::string& error) {
    // The switches by name, in file order: a site keeps its own even if the
    // file was edited meanwhile and sites moved.
    CSearchSession& session = m_search.Session();
    std::map<SjisString, std::deque<int>> switches;
    for (int site = 1; site <= session.GetSiteCount(); ++site) {
        if (const auto def = session.LookupSite(static_cast<std::uint32_t>(site))) {
            switches[def->m_strHostId].push_back(def->m_bEnabled);
        }
    }
    if (!session.LoadSiteFile(m_files.SiteFile().string(), error)) {
        return false;
    }
    for (int site = 1; site <= session.GetSiteCount(); ++site) {
        const auto n = static_cast<std::uint32_t>(site);
        const auto found = switches.find(session.GetSiteName(n));
        if (found != switches.end() && !found->second.empty()) {
            session.SetSiteEnabled(n, found->second.front());
            found->second.pop_front();
        }
    }
    m_search.Connect(session.GetTimeout(), session.GetRetry());
    FillGroups();
    return true;
}

bool CSearchDlg::AddSite(QWidget* parent) {
    if (IsSearching()) {
        return false;
    }
    CAddSiteDlg dlg(m_files.SiteFile(), m_search.Session().GetTimeout(), parent);
    dlg.exec();
    if (!dlg.Added()) {
        return false;
    }
    std::string error;
    if (!ReloadSites(error)) {
        Message(
            QMessageBox::Warning,
            QStringLiteral("サイトは追加しましたが、サイト定義ファイルを読み直せませんでした。") +
                QChar(u'\r') + QString::fromLocal8Bit(error.c_str()),
            QMessageBox::Ok);
        return false;
    }
    return true;
}

bool CSearchDlg::Open() {
    if (!OnInitDialog()) {
        // The window closes itself before it is ever shown.
        done(QDialog::Rejected);
        return false;
    }
    show();
    return true;
}

int CSearchDlg::exec() {
    if (!Open()) {
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void CSearchDlg::done(int result) {
    m_search.Join();
    EndSearchUI();
    m_placement.Store();
    QDialog::done(result);
}

// ---- Events ---------------------------------------------------------------

bool CSearchDlg::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    m_placement.OnEvent(event->type());
    return handled;
}

void CSearchDlg::keyPressEvent(QKeyEvent* event) {
    QWidget* focus = focusWidget();
    switch (event->key()) {
        case Qt::Key_Escape:
            // The window never closes on Escape.
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (focus == m_resultList && m_resultList->GetSelectedRow() >= 0) {
                OpenResult(m_resultList->GetSelectedRow());
                event->accept();
                return;
            }
            // A focused button takes Enter as it takes Space. The tool
            // buttons aren't auto-default, so the dialog would press Search.
            if (auto* button = qobject_cast<QPushButton*>(focus); button != nullptr) {
                event->accept();
                button->click();
                return;
            }
            break;
        case Qt::Key_F10:
            // Shift+F10 is the Menu key of keyboards without one: a keyboard
            // context menu for the focus, which passes it on to the window.
            if (event->modifiers() == Qt::ShiftModifier) {
                QWidget* target = focus != nullptr ? focus : this;
                const QPoint at = target->rect().center();
                QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
                QApplication::sendEvent(target, &menu);
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    // Enter elsewhere presses the default (Search) button.
    QDialog::keyPressEvent(event);
}

void CSearchDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_bInitialised) {
        m_layout.Apply(this, true);
    }
}

void CSearchDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Stands in for the window menu's item, which window managers own here.
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("windowMenu"));
    menu.addAction(QStringLiteral("Quennit のﾊﾞｰｼﾞｮﾝ情報(&A)..."), this, &CSearchDlg::OnAboutBox);
    // A search holds the site table.
    menu.addAction(QStringLiteral("サイトを追加(&S)..."), this, [this] { AddSite(this); })
        ->setEnabled(!IsSearching());
    menu.exec(event->globalPos());
}

void CSearchDlg::OnAboutBox() {
    CAboutDlg about(m_files, this);
    about.exec();
}

void CSearchDlg::OnSetting() {
    CSettingDlg dlg(
        &m_search.Session(), m_pSettings, [this](QWidget* parent) { return AddSite(parent); },
        this);
    dlg.SiteInfoPage()->SetAddSiteEnabled(!IsSearching());
    m_pSettingDlg = &dlg;
    dlg.exec();
    m_pSettingDlg = nullptr;
}

void CSearchDlg::OnHelp() {
    OpenUrl(QUrl::fromLocalFile(m_strFolder + QStringLiteral("Help/Quennit.html")), this);
}

void CSearchDlg::OnListSwitch() {
    const bool statusShown = m_statusList->isVisible();
    m_resultList->setVisible(statusShown);
    m_statusList->setVisible(!statusShown);
}

void CSearchDlg::OpenResult(int row) {
    if (row < 0) {
        return;
    }
    OpenUrl(LinkUrl(QString::fromStdString(m_resultList->GetCellText(row, 0))), this);
}

int CSearchDlg::Message(QMessageBox::Icon icon, const QString& text,
                        QMessageBox::StandardButtons buttons,
                        QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, QStringLiteral("Quennit"), text, buttons, this);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(defaultButton);
    }
    return box.exec();
}

// ---- Search ---------------------------------------------------------------

bool CSearchDlg::IsSearching() const {
    return m_search.IsSearching();
}

void CSearchDlg::OnSearch() {
    if (IsSearching()) {
        // The search goes on while the question is open and may even end.
        const int answer =
            Message(QMessageBox::NoIcon, QStringLiteral("現在の検索を中断しますか？"),
                    QMessageBox::Ok | QMessageBox::Cancel);
        if (answer == QMessageBox::Ok && IsSearching()) {
            m_search.Stop();
            EndSearchUI();
            // Nothing of the stopped search comes any more, not even its end.
            m_statusLine->setText(kStopped);
        }
        return;
    }

    // Emptied before the checks, so a refused start leaves them empty too.
    m_resultList->DeleteAllItems();
    m_statusList->DeleteAllItems();

    const QString keyword = m_keywordEdit->text();
    if (keyword.isEmpty()) {
        Message(QMessageBox::Information, QStringLiteral("検索キーワードを入力してください。"),
                QMessageBox::Ok);
        return;
    }

    const QString group = m_groupCombo->currentText();
    if (group.isEmpty()) {
        const int answer =
            Message(QMessageBox::NoIcon,
                    QStringLiteral("検索グループが指定されていません。") + QChar(u'\r') +
                        QStringLiteral("登録されている全てのサイトを検索しますか？"),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            return;
        }
    }

    BeginSearchUI();
    const bool multi = m_pSettings != nullptr && m_pSettings->MULTI != 0;
    if (!m_search.Start(ToSjis(group).value_or(SjisString()), keyword.toStdString(), multi)) {
        EndSearchUI();
    }
}

void CSearchDlg::BeginSearchUI() {
    if (!m_bWaitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bWaitCursor = true;
    }
    m_animation->Play();
    SetSearchButton(IDI_STOP, QStringLiteral("中止"));
}

void CSearchDlg::EndSearchUI() {
    if (m_bWaitCursor) {
        QApplication::restoreOverrideCursor();
        m_bWaitCursor = false;
    }
    m_animation->Stop();
    SetSearchButton(IDI_SEARCH, QStringLiteral("検索"));
    if (m_pSettingDlg != nullptr) {
        m_pSettingDlg->SiteInfoPage()->SetAddSiteEnabled(true);
    }
}

void CSearchDlg::SetSearchButton(int icon, const QString& name) {
    // What a click will do, for the tool tip and screen readers.
    m_searchButton->setIcon(AppIcon(icon));
    m_searchButton->setToolTip(name);
    m_searchButton->setAccessibleName(name);
}

// ---- Events of the search thread ------------------------------------------

void CSearchDlg::OnProgress(std::uint32_t site, std::uint32_t code) {
    ShowSiteStatus(m_search.Session().GetProgressLine(site, code));
}

void CSearchDlg::OnError(std::uint32_t site, ErrorKind kind, int status) {
    ShowSiteStatus(m_search.Session().GetErrorLine(site, kind, status));
}

void CSearchDlg::ShowSiteStatus(const CSearchSession::StatusLine& status) {
    m_statusLine->setText(QString::fromStdString(status.m_strLine));
    const std::string name = SjisToUtf8(status.m_strName);
    const std::string text = SjisToUtf8(status.m_strText);
    int row = 0;
    while (row < m_statusList->RowCount() && m_statusList->GetCellText(row, 0) != name) {
        ++row;
    }
    if (row == m_statusList->RowCount()) {
        row = m_statusList->InsertRow(row, name);
    }
    m_statusList->SetCellText(row, 1, text);
}

void CSearchDlg::OnResult(std::uint32_t, const SearchResult& result) {
    const int row = m_resultList->InsertRow(m_resultList->RowCount(), result.m_strUrl);
    if (row >= 0) {
        m_resultList->SetCellText(row, 1, result.m_strTitle);
        m_resultList->SetCellText(row, 2, result.m_strText);
        m_resultList->SetCellText(row, 3, result.m_strSiteName);
        m_resultList->SetCellText(row, 4, std::to_string(result.m_nOrder));
    }
    if (m_resultList->RowCount() % 10 == 0) {
        repaint();
    }
}

void CSearchDlg::OnEnd(SearchEnd how) {
    m_statusLine->setText(QString::fromStdString(CSearchSession::GetEndText(how)));
    EndSearchUI();
}

}  // namespace quennit
