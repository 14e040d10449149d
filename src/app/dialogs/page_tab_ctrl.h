#pragma once

#include <vector>

#include <QPointer>
#include <QString>
#include <QTabWidget>

namespace quennit {

// A tab control that shows one page widget per tab. It keeps its own table
// of pages, indexed like the tabs, so that callers can find a tab's page and
// decide which pages die with the control.
class CPageTabCtrl : public QTabWidget {
    Q_OBJECT

  public:
    struct TAB_PAGE {
        QPointer<QWidget> page;
        // Set: the page is deleted with the control. Clear: the page belongs
        // to someone else and is handed back (unparented) when the control
        // dies before it.
        bool owned = false;
    };

    explicit CPageTabCtrl(QWidget* parent = nullptr);
    ~CPageTabCtrl() override;

    // Inserts a tab with the caption at index and the page entry at the same
    // index; later entries move up by one. An index beyond the end extends
    // the table with empty entries (the tab itself goes last). The entry is
    // not owned.
    void AddPage(int index, const QString& caption, QWidget* page);

    // Shows the selected tab's page in the display area and hides the others.
    void ShowCurrentPage();

    // The entry at index, or nullptr when there is none.
    TAB_PAGE* GetPage(int index);

  private:
    std::vector<TAB_PAGE> m_pages;
};

}  // namespace quennit
