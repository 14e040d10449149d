#include "app/window/search_dlg.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFrame>
#include <QHeaderView>
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
#include "app/window/frame_extents.h"
#include "app/window/group_combo_box.h"
#include "engine/search_result.h"

namespace quennit {

namespace {

const QString kStopped = QStringLiteral("検索を中止しました");

// Sites at a time when the MULTI switch is on.
constexpr int kMultiJobs = 6;

// A placement saved on a larger or another screen, moved onto the screen
// that holds most of it (else the primary one) and shrunk to its available
// area, though never below minimum. One that fits stays as it is.
QRect FitOnScreen(QRect outer, const QSize& minimum) {
    const QScreen* best = QGuiApplication::primaryScreen();
    qint64 most = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(outer);
        const qint64 area = qint64{common.width()} * common.height();
        if (area > most) {
            most = area;
            best = screen;
        }
    }
    if (best == nullptr || best->availableGeometry().contains(outer)) {
        return outer;
    }
    const QRect room = best->availableGeometry();
    outer.setSize(outer.size().boundedTo(room.size()).expandedTo(minimum));
    // Left and top last: a window larger than the room keeps its title bar.
    outer.moveRight(std::min(outer.right(), room.right()));
    outer.moveBottom(std::min(outer.bottom(), room.bottom()));
    outer.moveLeft(std::max(outer.left(), room.left()));
    outer.moveTop(std::max(outer.top(), room.top()));
    return outer;
}

}  // namespace

CSearchDlg::CSearchDlg(const QString& programFolder, QWidget* parent)
    : CSearchDlg(FolderLocations(programFolder.toStdString()), parent) {}

CSearchDlg::CSearchDlg(FileLocations files, QWidget* parent)
    : QDialog(parent),
      m_files(std::move(files)),
      m_strFolder(QString::fromStdString(m_files.dataFolder.string())),
      m_relay(this, *this) {
    setObjectName(QStringLiteral("searchDialog"));
    setWindowTitle(QStringLiteral("Quennit"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(DialogFont());
    CreateControls();
}

CSearchDlg::~CSearchDlg() {
    // Nothing that a search thread uses may go before the thread has ended.
    EndSearchThread();
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
    const struct {
        QWidget* control;
        int left, top, right, bottom;
    } anchors[] = {
        {m_keywordEdit, 2, 0, 1, 0},    {m_rule, 0, 0, 1, 0},
        {m_groupCombo, 0, 0, 2, 0},     {m_searchButton, 1, 0, 1, 0},
        {m_settingsButton, 1, 0, 1, 0}, {m_helpButton, 1, 0, 1, 0},
        {m_separator, 1, 0, 1, 0},      {m_animation, 1, 0, 1, 0},
        {m_resultList, 0, 0, 1, 1},     {m_statusList, 0, 0, 1, 1},
        {m_statusLine, 0, 1, 1, 1},     {m_listSwitchButton, 1, 1, 1, 1},
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

    ApplyPlacement();
    m_animation->Stop();

    const std::string siteFile = m_files.SiteFile().string();
    std::string error;
    if (!m_session.LoadSiteFile(siteFile, error)) {
        Message(QMessageBox::Critical,
                QStringLiteral("正しいサイト定義ファイルが必要です。") + QChar(u'\r') +
                    MakerPageUrl(m_strFolder).toString() + QStringLiteral("から取得してください。"),
                QMessageBox::Ok);
        return false;
    }

    // A TIMEOUT of 0 keeps the session's default here; RETRY 0 is the default.
    std::uint32_t timeout = m_session.GetTimeout();
    int retry = m_session.GetRetry();
    if (m_pSettings != nullptr) {
        if (m_pSettings->TIMEOUT != 0) {
            const std::int64_t ms = static_cast<std::int64_t>(m_pSettings->TIMEOUT) * 1000;
            timeout = static_cast<std::uint32_t>(ms);
        }
        if (m_pSettings->RETRY != 0) {
            retry = m_pSettings->RETRY;
        }
    }
    m_session.Connect(&m_relay, timeout, retry);

    FillGroups();
    m_groupCombo->setCurrentIndex(-1);
    m_groupCombo->setFocus();
    return true;
}

void CSearchDlg::FillGroups() {
    const QString chosen = m_groupCombo->currentText();
    m_groupCombo->clear();
    SjisString group;
    for (bool more = m_session.EnumSiteGroup(true, group); more;
         more = m_session.EnumSiteGroup(false, group)) {
        m_groupCombo->AddString(FromSjis(group), true);
    }
    m_groupCombo->setCurrentIndex(chosen.isEmpty() ? -1 : m_groupCombo->findText(chosen));
}

bool CSearchDlg::ReloadSites(std::string& error) {
    // The switches by name, in file order: a site keeps its own even if the
    // file was edited meanwhile and sites moved.
    std::map<SjisString, std::deque<int>> switches;
    for (int site = 1; site <= m_session.GetSiteCount(); ++site) {
        if (const auto def = m_session.LookupSite(static_cast<std::uint32_t>(site))) {
            switches[def->m_strHostId].push_back(def->m_bEnabled);
        }
    }
    if (!m_session.LoadSiteFile(m_files.SiteFile().string(), error)) {
        return false;
    }
    for (int site = 1; site <= m_session.GetSiteCount(); ++site) {
        const auto n = static_cast<std::uint32_t>(site);
        const auto found = switches.find(m_session.GetSiteName(n));
        if (found != switches.end() && !found->second.empty()) {
            m_session.SetSiteEnabled(n, found->second.front());
            found->second.pop_front();
        }
    }
    m_session.Connect(&m_relay, m_session.GetTimeout(), m_session.GetRetry());
    FillGroups();
    return true;
}

bool CSearchDlg::AddSite(QWidget* parent) {
    if (IsSearching()) {
        return false;
    }
    CAddSiteDlg dlg(m_files.SiteFile(), m_session.GetTimeout(), parent);
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
    EndSearchThread();
    EndSearchUI();
    if (m_bInitialised) {
        StorePlacement();
    }
    QDialog::done(result);
}

// ---- Placement ------------------------------------------------------------
//
// The settings hold the outer rectangle; Qt places the client area. Under
// X11 the frame is known only after the window manager has framed the
// mapped window, so the window is placed with the frame known so far and
// placed again when the real frame shows.

std::optional<QMargins> CSearchDlg::Frame() const {
    if (const std::optional<QMargins> announced = WindowManagerFrame(*this)) {
        return announced;
    }
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0) {
        return std::nullopt;  // half reparented: the rectangles mean nothing yet
    }
    return frame;
}

QRect CSearchDlg::PlacementTarget(const QMargins& frame) const {
    const CAppSettings& s = *m_pSettings;
    const QSize minimum = minimumSize().grownBy(frame);
    if (s.TYPE != 0) {
        return FitOnScreen(QRect(QPoint(s.X1, s.Y1), QPoint(s.X2 - 1, s.Y2 - 1)), minimum);
    }
    // First run: the template window centred, enlarged by a quarter on each
    // side (the far side's quarter taken of the already widened size).
    QRect outer(QPoint(0, 0), m_templateSize.grownBy(frame));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        outer.moveCenter(screen->availableGeometry().center());
    }
    int left = outer.x();
    int top = outer.y();
    int right = outer.x() + outer.width();
    int bottom = outer.y() + outer.height();
    const int width = right - left;
    const int height = bottom - top;
    left -= width / 4;
    right += (right - left) / 4;
    top -= height / 4;
    bottom += (bottom - top) / 4;
    return FitOnScreen(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), minimum);
}

bool CSearchDlg::InNormalState() const {
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void CSearchDlg::PlaceNormal(const QMargins& frame) {
    m_placedFrame = frame;
    setGeometry(PlacementTarget(frame).marginsRemoved(frame));
}

void CSearchDlg::ApplyPlacement() {
    if (m_pSettings == nullptr) {
        return;
    }
    m_bPlacementPending = true;
    m_normalFrame = Frame().value_or(QMargins());
    PlaceNormal(m_normalFrame);
    // A window closed minimized opens in its normal state.
    if (m_pSettings->TYPE == 3) {
        setWindowState(Qt::WindowMaximized);
    }
}

void CSearchDlg::FollowFrame() {
    // Window managers frame a maximized window differently; a window that
    // opens maximized is placed anew when it is first restored.
    if (!isVisible() || !InNormalState()) {
        return;
    }
    const std::optional<QMargins> frame = Frame();
    if (!frame) {
        return;
    }
    m_normalFrame = *frame;
    if (!m_bPlacementPending) {
        return;
    }
    if (*frame != m_placedFrame) {
        PlaceNormal(*frame);
    } else if (!frame->isNull() && geometry() == PlacementTarget(*frame).marginsRemoved(*frame)) {
        // Framed and in place: from now on the user moves the window.
        m_bPlacementPending = false;
    }
}

void CSearchDlg::StorePlacement() {
    if (m_pSettings == nullptr || m_bPlacementStored) {
        return;
    }
    m_bPlacementStored = true;
    const bool normalState = InNormalState();
    const QMargins frame = normalState ? Frame().value_or(m_normalFrame) : m_normalFrame;
    QRect outer;
    if (m_bPlacementPending && (!normalState || frame != m_placedFrame)) {
        // Not yet seen in its normal state with this frame.
        outer = PlacementTarget(frame);
    } else {
        outer = (normalState ? geometry() : normalGeometry()).marginsAdded(frame);
    }
    m_pSettings->X1 = outer.x();
    m_pSettings->Y1 = outer.y();
    m_pSettings->X2 = outer.x() + outer.width();
    m_pSettings->Y2 = outer.y() + outer.height();
    m_pSettings->TYPE = isMinimized() ? 2 : (isMaximized() ? 3 : 1);
}

// ---- Events ---------------------------------------------------------------

bool CSearchDlg::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    switch (event->type()) {
        case QEvent::Paint:
        case QEvent::WindowActivate:
            // A window manager may frame the window without a configure
            // event that tells Qt; the first paint still comes.
            if (m_bPlacementPending) {
                QMetaObject::invokeMethod(this, &CSearchDlg::FollowFrame, Qt::QueuedConnection);
            }
            break;
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            FollowFrame();
            break;
        default:
            break;
    }
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
        &m_session, m_pSettings, [this](QWidget* parent) { return AddSite(parent); }, this);
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
    return m_bSearching;
}

void CSearchDlg::OnSearch() {
    if (IsSearching()) {
        // The search goes on while the question is open and may even end.
        const int answer =
            Message(QMessageBox::NoIcon, QStringLiteral("現在の検索を中断しますか？"),
                    QMessageBox::Ok | QMessageBox::Cancel);
        if (answer == QMessageBox::Ok && IsSearching()) {
            m_pSearchThread->Stop();
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
    // Two searches never share the session: a stopped one can't wait for
    // this window, so it ends promptly.
    EndSearchThread();

    m_pSearchThread = std::make_unique<SearchThread>(
        m_session, ToSjis(group).value_or(SjisString()), keyword.toStdString());
    if (m_pSettings != nullptr && m_pSettings->MULTI != 0) {
        m_pSearchThread->SetOptions(SearchOptions{kMultiJobs, {}});
    }
    m_bSearching = m_pSearchThread->Start();
    if (!m_bSearching) {
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
    m_bSearching = false;
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

void CSearchDlg::EndSearchThread() {
    // Destroying the thread stops the search and joins it: after a stop it
    // never waits for this window again, so the join can't deadlock.
    m_pSearchThread.reset();
}

// ---- Events of the search thread ------------------------------------------

void CSearchDlg::OnProgress(std::uint32_t site, std::uint32_t code) {
    ShowSiteStatus(m_session.GetProgressLine(site, code));
}

void CSearchDlg::OnError(std::uint32_t site, ErrorKind kind, int status) {
    ShowSiteStatus(m_session.GetErrorLine(site, kind, status));
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
