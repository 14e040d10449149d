#include "app/sort_list_ctrl.h"

#include <QHeaderView>

#include "platform/text_codec.h"

namespace quennit {

CSortListCtrl::CSortListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setColumnCount(0);
}

int CSortListCtrl::InsertColumn(int column, const QString& heading, Qt::Alignment align,
                                int width) {
    const int n = columnCount();
    setColumnCount(n + 1);
    headerItem()->setText(n, heading);
    headerItem()->setTextAlignment(n, align);
    setColumnWidth(n, width);
    return column;
}

int CSortListCtrl::InsertItem(int row, const SjisString& text) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(SjisToUtf8(text)));
    insertTopLevelItem(row, item);
    return indexOfTopLevelItem(item);
}

bool CSortListCtrl::SetCellText(int row, int column, const SjisString& text) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr || column >= columnCount()) {
        return false;
    }
    item->setText(column, QString::fromStdString(SjisToUtf8(text)));
    item->setTextAlignment(column, Qt::Alignment(headerItem()->textAlignment(column)));
    return true;
}

SjisString CSortListCtrl::GetCellText(int row, int column) const {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        return {};
    }
    return Utf8ToSjis(item->text(column).toStdString()).value_or(SjisString());
}

bool CSortListCtrl::DeleteAllItems() {
    clear();
    return true;
}

}  // namespace quennit
