#include "app/dialogs/page_tab_ctrl.h"

namespace quennit {

CPageTabCtrl::CPageTabCtrl(QWidget* parent) : QTabWidget(parent) {
    connect(this, &QTabWidget::currentChanged, this, [this] { ShowCurrentPage(); });
}

CPageTabCtrl::~CPageTabCtrl() {
    // Removing pages below selects other tabs; the table is going away.
    disconnect(this, &QTabWidget::currentChanged, this, nullptr);
    for (TAB_PAGE& entry : m_pages) {
        if (entry.page == nullptr) {
            continue;
        }
        if (entry.owned) {
            delete entry.page.data();
        } else {
            // The owner deletes it; keep Qt's child cleanup from doing so too.
            entry.page->setParent(nullptr);
        }
    }
}

void CPageTabCtrl::AddPage(int index, const QString& caption, QWidget* page) {
    if (index < 0) {
        return;
    }
    const auto at = static_cast<std::size_t>(index);
    if (at > m_pages.size()) {
        m_pages.resize(at);
    }
    m_pages.insert(m_pages.begin() + index, TAB_PAGE{page, false});
    // The entry goes in first: inserting the first tab selects it, which
    // already calls ShowCurrentPage.
    insertTab(index, page, caption);
}

CPageTabCtrl::TAB_PAGE* CPageTabCtrl::GetPage(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_pages.size()) {
        return nullptr;
    }
    return &m_pages[static_cast<std::size_t>(index)];
}

void CPageTabCtrl::ShowCurrentPage() {
    const int selected = currentIndex();
    // One repaint for the whole switch instead of one per page.
    const bool wasEnabled = updatesEnabled();
    setUpdatesEnabled(false);
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        QWidget* page = m_pages[i].page;
        if (page == nullptr) {
            continue;
        }
        page->setVisible(static_cast<int>(i) == selected);
    }
    setUpdatesEnabled(wasEnabled);
}

}  // namespace quennit
