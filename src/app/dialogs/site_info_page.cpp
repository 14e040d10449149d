#include "app/dialogs/site_info_page.h"

#include <QLabel>
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

CSiteInfoPage::CSiteInfoPage(CSearchSession* session, QWidget* parent)
    : CDialogPage(parent), m_pSession(session) {
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
    m_siteList->setGeometry(du.Rect(7, 39, 223, 103));
    m_siteList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_siteList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_siteList->InsertColumn(0, QStringLiteral("サイト名"), 120);
    m_siteList->InsertColumn(1, QStringLiteral("グループ"), 120);
    m_siteList->InsertColumn(2, QStringLiteral("アドレス"), 130);
    m_siteList->SetCheckBoxes(true);
    connect(m_siteList, &CSortListCtrl::rowDoubleClicked, this, &CSiteInfoPage::OpenSite);

    AddHiddenDefaultButton(du);

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
    }
}

void CSiteInfoPage::OpenSite(int row) {
    if (row < 0 || row >= m_siteList->RowCount()) {
        return;
    }
    OpenUrl(LinkUrl(QString::fromStdString(m_siteList->GetCellText(row, 2))), this);
}

}  // namespace quennit
