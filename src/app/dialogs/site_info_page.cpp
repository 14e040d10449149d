#include "app/dialogs/site_info_page.h"

#include <map>
#include <utility>

#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/url_opener.h"
#include "app/widgets/sjis_qstring.h"
#include "app/widgets/sort_list_ctrl.h"
#include "engine/search_session.h"

namespace quennit {

namespace {

QLabel* SunkenLabel(const QString& text, const QRect& rect, Qt::Alignment align, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setAlignment(align | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

}  // namespace

CSiteInfoPage::CSiteInfoPage(CSearchSession* session, AddSiteAction addSite, QWidget* parent)
    : CDialogPage(parent), m_pSession(session), m_addSite(std::move(addSite)) {
    setObjectName(QStringLiteral("siteInfoPage"));
    const DialogUnits du(DialogFont());

    SunkenLabel(QStringLiteral("サイト定義ファイルバージョン"), du.Rect(7, 7, 135, 13),
                Qt::AlignRight, this);
    m_version = SunkenLabel(QString(), du.Rect(145, 7, 85, 13), Qt::AlignLeft, this);
    m_version->setObjectName(QStringLiteral("siteFileVersion"));
    SunkenLabel(QStringLiteral("登録されている全サイト数"), du.Rect(7, 23, 135, 13), Qt::AlignRight,
                this);
    m_count = SunkenLabel(QString(), du.Rect(145, 23, 85, 13), Qt::AlignLeft, this);
    m_count->setObjectName(QStringLiteral("siteCount"));

    m_siteList = new CSortListCtrl(this);
    m_siteList->setObjectName(QStringLiteral("siteList"));
    m_siteList->setAccessibleName(QStringLiteral("登録されているサイト"));  // it has no label
    m_siteList->setGeometry(du.Rect(7, 39, 223, 85));
    m_siteList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_siteList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_siteList->InsertColumn(0, QStringLiteral("サイト名"), 120);
    m_siteList->InsertColumn(1, QStringLiteral("グループ"), 120);
    m_siteList->InsertColumn(2, QStringLiteral("アドレス"), 130);
    m_siteList->SetCheckBoxes(true);
    connect(m_siteList, &CSortListCtrl::rowDoubleClicked, this, &CSiteInfoPage::OpenSite);

    m_addSiteButton = new QPushButton(QStringLiteral("サイトを追加(&D)..."), this);
    m_addSiteButton->setObjectName(QStringLiteral("addSiteButton"));
    m_addSiteButton->setGeometry(du.Rect(160, 128, 70, 14));
    m_addSiteButton->setAutoDefault(false);
    m_addSiteButton->setEnabled(static_cast<bool>(m_addSite));
    connect(m_addSiteButton, &QPushButton::clicked, this, &CSiteInfoPage::OnAddSite);

    AddHiddenDefaultButton(du);
    FillList();
}

void CSiteInfoPage::FillList() {
    m_siteList->DeleteAllItems();
    m_siteOfRow.clear();
    // Rows come in the site table's listing order. The table locks itself
    // for each step, so this is safe while a search runs.
    if (m_pSession != nullptr) {
        std::uint32_t site = 0;
        SjisString group;
        SjisString name;
        SjisString server;
        int enabled = 0;
        for (bool first = true; m_pSession->EnumSiteInfo(first, site, group, name, server, enabled);
             first = false) {
            const int row = m_siteList->InsertRow(m_siteList->RowCount(), SjisToUtf8(name));
            if (row < 0) {
                continue;
            }
            m_siteList->SetCellText(row, 1, SjisToUtf8(group));
            m_siteList->SetCellText(row, 2, SjisToUtf8(server));
            m_siteList->SetCheck(row, enabled != 0);
            m_siteOfRow[m_siteList->GetRowKey(row)] = site;
        }
        m_version->setText(FromSjis(m_pSession->GetSiteFileVer()));
    }
    m_count->setText(QString::number(m_siteList->RowCount()));
}

void CSiteInfoPage::SetAddSiteEnabled(bool enabled) {
    m_addSiteButton->setEnabled(enabled && m_addSite);
}

void CSiteInfoPage::OnAddSite() {
    if (!m_addSite) {
        return;
    }
    // The switches changed here but not applied yet, by site and name.
    std::map<std::uint32_t, std::pair<std::string, bool>> pending;
    for (int row = 0; row < m_siteList->RowCount(); ++row) {
        const auto found = m_siteOfRow.find(m_siteList->GetRowKey(row));
        if (found != m_siteOfRow.end()) {
            pending[found->second] = {m_siteList->GetCellText(row, 0), m_siteList->GetCheck(row)};
        }
    }
    if (!m_addSite(this)) {
        return;
    }
    FillList();
    for (int row = 0; row < m_siteList->RowCount(); ++row) {
        const auto site = m_siteOfRow.find(m_siteList->GetRowKey(row));
        const auto before = site == m_siteOfRow.end() ? pending.end() : pending.find(site->second);
        if (before != pending.end() && before->second.first == m_siteList->GetCellText(row, 0)) {
            m_siteList->SetCheck(row, before->second.second);
        }
    }
}

bool CSiteInfoPage::ApplyChanges() {
    if (m_pSession == nullptr) {
        return true;
    }
    for (int row = 0; row < m_siteList->RowCount(); ++row) {
        const auto found = m_siteOfRow.find(m_siteList->GetRowKey(row));
        if (found != m_siteOfRow.end()) {
            m_pSession->SetSiteEnabled(found->second, m_siteList->GetCheck(row) ? 1 : 0);
        }
    }
    return true;
}

void CSiteInfoPage::OnEnter() {
    // Keys go to the focus widget first, so Enter that reached the page
    // from the list has the list's focus, even while the window is inactive.
    if (focusWidget() == m_siteList) {
        OpenSite(m_siteList->GetSelectedRow());
    } else if (focusWidget() == m_addSiteButton) {
        m_addSiteButton->click();
    }
}

void CSiteInfoPage::OpenSite(int row) {
    if (row < 0 || row >= m_siteList->RowCount()) {
        return;
    }
    OpenUrl(LinkUrl(QString::fromStdString(m_siteList->GetCellText(row, 2))), this);
}

}  // namespace quennit
