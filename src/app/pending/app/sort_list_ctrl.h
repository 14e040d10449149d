#pragma once

#include <QTreeWidget>

#include "sitedef/site_def.h"

namespace quennit {

// Stand-in: the report-view list of the window.
class CSortListCtrl : public QTreeWidget {
    Q_OBJECT

  public:
    explicit CSortListCtrl(QWidget* parent = nullptr);

    int InsertColumn(int column, const QString& heading, Qt::Alignment align, int width);
    int InsertItem(int row, const SjisString& text);
    bool SetCellText(int row, int column, const SjisString& text);
    SjisString GetCellText(int row, int column) const;
    int GetItemCount() const { return topLevelItemCount(); }
    bool DeleteAllItems();
};

}  // namespace quennit
