#include "app/widgets/sort_list_ctrl.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <charconv>
#include <vector>

#include "platform/mbcs.h"
#include "platform/text_codec.h"

namespace quennit {

namespace {

constexpr std::size_t kCompareBytes = 127;

// A cell as the sort sees it: its text cut to the compared length, and its
// numeric reading when it is a number by the list's rule.
struct SortCell {
    std::string text;
    double value = 0;
    bool numeric = false;
};

SortCell Classify(std::string_view cell) {
    SortCell c;
    c.text = SjisCutAt(cell, kCompareBytes);
    char digits[kCompareBytes + 1];
    std::size_t n = 0;
    for (const char ch : c.text) {
        if (ch == ',') {
            continue;
        }
        if ((ch < '0' || ch > '9') && ch != '-') {
            return c;
        }
        digits[n++] = ch;
    }
    c.numeric = true;
    // Like atof: the number that the text begins with, 0 when there is none
    // ("-", "--1"); "1-2" reads as 1. Only digits and minus signs get here,
    // so the locale plays no part.
    std::from_chars(digits, digits + n, c.value);
    return c;
}

int Compare(const SortCell& a, const SortCell& b) {
    if (a.numeric && b.numeric) {
        return a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
    }
    return MbsCompare(a.text, b.text);
}

// Stable merge sort of the indices 0..n-1. Written out because the order
// of cells is not a strict weak order (9 < 10 as numbers, 10 < 1a and 1a < 9
// as text), which the standard algorithms don't allow; a merge stays correct
// for any answers of less.
template <typename Less>
std::vector<int> SortedOrder(int n, Less less) {
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        order[static_cast<std::size_t>(i)] = i;
    }
    std::vector<int> buffer(order.size());
    for (std::size_t width = 1; width < order.size(); width *= 2) {
        for (std::size_t lo = 0; lo < order.size(); lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, order.size());
            const std::size_t hi = std::min(lo + 2 * width, order.size());
            std::size_t i = lo;
            std::size_t j = mid;
            std::size_t k = lo;
            while (i < mid && j < hi) {
                buffer[k++] = less(order[j], order[i]) ? order[j++] : order[i++];
            }
            while (i < mid) {
                buffer[k++] = order[i++];
            }
            while (j < hi) {
                buffer[k++] = order[j++];
            }
        }
        order.swap(buffer);
    }
    return order;
}

// The program-wide sort state shared by every list.
struct SortState {
    bool clicked = false;  // any header click yet in this run
    int lastColumn = 0;
    bool ascending = true;
};
SortState g_sortState;

class GridDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool grid = false;

    // Room for the font's descent above the grid line, which otherwise
    // hides underscores.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 3));
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (grid) {
            painter->save();
            painter->setPen(option.palette.color(QPalette::Midlight));
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            painter->restore();
        }
    }
};

// As an int: every Qt version's delegates and headers read that form.
QVariant AlignmentData(Qt::Alignment align) {
    return (align | Qt::AlignVCenter).toInt();
}

}  // namespace

int CompareCells(std::string_view a, std::string_view b) {
    return Compare(Classify(a), Classify(b));
}

// The Shift_JIS form a UTF-8 cell sorts by, as long as its compared part.
// 0xFC 0xFC is beyond every character Shift_JIS has.
std::string SortText(std::string_view utf8) {
    // No Shift_JIS character is shorter than a third of its UTF-8 form.
    utf8 = utf8.substr(0, std::min(utf8.size(), 3 * kCompareBytes + 3));
    return Utf8ToSjisReplacing(utf8, "\xFC\xFC");
}

// Rows of UTF-8 cells. Only CSortListCtrl uses it.
class SortListModel : public QAbstractTableModel {
  public:
    struct Column {
        QString heading;
        Qt::Alignment align;
    };
    struct Row {
        std::uint32_t key = 0;
        bool checked = false;
        std::vector<std::string> cells;  // as many as were set, up to the column count
    };

    explicit SortListModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) {
            return {};
        }
        const Row& row = m_rows[static_cast<std::size_t>(index.row())];
        switch (role) {
            case Qt::DisplayRole:
            case Qt::ToolTipRole:
                return QString::fromStdString(std::string(Cell(index.row(), index.column())));
            case Qt::TextAlignmentRole:
                return AlignmentData(m_columns[static_cast<std::size_t>(index.column())].align);
            case Qt::CheckStateRole:
                if (m_checkBoxes && index.column() == 0) {
                    return row.checked ? Qt::Checked : Qt::Unchecked;
                }
                return {};
            default:
                return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::CheckStateRole || !m_checkBoxes ||
            index.column() != 0) {
            return false;
        }
        return SetChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) {
            return Qt::NoItemFlags;
        }
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (m_checkBoxes && index.column() == 0) {
            f |= Qt::ItemIsUserCheckable;
        }
        return f;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
            return {};
        }
        const Column& c = m_columns[static_cast<std::size_t>(section)];
        if (role == Qt::DisplayRole) {
            return c.heading;
        }
        if (role == Qt::TextAlignmentRole) {
            return AlignmentData(c.align);
        }
        return {};
    }

    int InsertColumn(int column, const QString& heading, Qt::Alignment align) {
        column = std::min(column, columnCount());
        beginInsertColumns({}, column, column);
        m_columns.insert(m_columns.begin() + column, Column{heading, align});
        for (Row& row : m_rows) {
            if (row.cells.size() > static_cast<std::size_t>(column)) {
                row.cells.insert(row.cells.begin() + column, std::string());
            }
        }
        endInsertColumns();
        return column;
    }

    int InsertRow(int at) {
        at = std::min(at, rowCount());
        beginInsertRows({}, at, at);
        Row row;
        row.key = m_nextKey++;
        m_rows.insert(m_rows.begin() + at, std::move(row));
        endInsertRows();
        return at;
    }

    void Clear() {
        beginResetModel();
        m_rows.clear();
        m_nextKey = 1;
        endResetModel();
    }

    bool ValidRow(int row) const { return row >= 0 && row < rowCount(); }
    Row& RowAt(int row) { return m_rows[static_cast<std::size_t>(row)]; }
    const Row& RowAt(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    bool ValidColumn(int column) const { return column >= 0 && column < columnCount(); }

    // The stored text of a cell of an existing row and column, empty when
    // it was never set.
    std::string_view Cell(int row, int column) const {
        const Row& r = RowAt(row);
        const auto c = static_cast<std::size_t>(column);
        return c < r.cells.size() ? std::string_view(r.cells[c]) : std::string_view();
    }

    void SetCell(int row, int column, const std::string& text) {
        Row& r = RowAt(row);
        const auto c = static_cast<std::size_t>(column);
        if (r.cells.size() <= c) {
            r.cells.resize(c + 1);
        }
        r.cells[c] = text;
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::ToolTipRole});
    }

    bool SetChecked(int row, bool checked) {
        RowAt(row).checked = checked;
        const QModelIndex i = index(row, 0);
        emit dataChanged(i, i, {Qt::CheckStateRole});
        return true;
    }

    void SetCheckBoxes(bool on) {
        m_checkBoxes = on;
        if (!m_rows.empty()) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
        }
    }

    // Orders the rows by column. Each cell is classified once, so a sort
    // costs O(n log n) comparisons of ready values; equal cells keep their
    // current order.
    void SortBy(int column, bool ascending) {
        const int n = rowCount();
        std::vector<SortCell> cells(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            cells[static_cast<std::size_t>(i)] = Classify(SortText(Cell(i, column)));
        }
        const auto less = [&](int a, int b) {
            const int c =
                Compare(cells[static_cast<std::size_t>(a)], cells[static_cast<std::size_t>(b)]);
            return ascending ? c < 0 : c > 0;
        };
        const std::vector<int> order = SortedOrder(n, less);

        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<int> newRow(static_cast<std::size_t>(n));
        std::vector<Row> rows;
        rows.reserve(m_rows.size());
        for (int i = 0; i < n; ++i) {
            const int from = order[static_cast<std::size_t>(i)];
            newRow[static_cast<std::size_t>(from)] = i;
            rows.push_back(std::move(m_rows[static_cast<std::size_t>(from)]));
        }
        m_rows.swap(rows);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& i : before) {
            after.append(index(newRow[static_cast<std::size_t>(i.row())], i.column()));
        }
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

  private:
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    std::uint32_t m_nextKey = 1;  // 0 means "no key"
    bool m_checkBoxes = false;
};

CSortListCtrl::CSortListCtrl(QWidget* parent)
    : QTreeView(parent), m_pModel(new SortListModel(this)) {
    setObjectName(QStringLiteral("sortList"));
    m_pModel->setObjectName(QStringLiteral("sortListModel"));
    setModel(m_pModel);
    setItemDelegate(new GridDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);  // keeps 100,000 rows cheap to lay out
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);  // the header click sorts by the shared state instead
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, &CSortListCtrl::SortByColumn);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit rowDoubleClicked(index.row()); });
}

CSortListCtrl::~CSortListCtrl() = default;

int CSortListCtrl::InsertColumn(int column, const QString& heading, int width,
                                Qt::Alignment align) {
    if (column < 0) {
        return -1;
    }
    column = m_pModel->InsertColumn(column, heading, align);
    header()->resizeSection(column, width);
    return column;
}

int CSortListCtrl::InsertRow(int row, const std::string& col0) {
    if (row < 0) {
        return -1;
    }
    row = m_pModel->InsertRow(row);
    SetCellText(row, 0, col0);
    HideSortArrow();
    return row;
}

int CSortListCtrl::RowCount() const {
    return m_pModel->rowCount();
}

void CSortListCtrl::DeleteAllItems() {
    m_pModel->Clear();
    HideSortArrow();
}

void CSortListCtrl::HideSortArrow() {
    // New rows stand where they were put, not in the order the arrow shows.
    header()->setSortIndicatorShown(false);
}

bool CSortListCtrl::SetCellText(int row, int column, const std::string& text) {
    if (!m_pModel->ValidColumn(column) || !m_pModel->ValidRow(row)) {
        return false;
    }
    m_pModel->SetCell(row, column, text);
    return true;
}

std::string CSortListCtrl::GetCellText(int row, int column) const {
    if (!m_pModel->ValidColumn(column) || !m_pModel->ValidRow(row)) {
        return {};
    }
    return std::string(m_pModel->Cell(row, column));
}

std::uint32_t CSortListCtrl::GetRowKey(int row) const {
    return m_pModel->ValidRow(row) ? m_pModel->RowAt(row).key : 0;
}

void CSortListCtrl::SetCheckBoxes(bool on) {
    m_pModel->SetCheckBoxes(on);
}

bool CSortListCtrl::SetCheck(int row, bool checked) {
    return m_pModel->ValidRow(row) && m_pModel->SetChecked(row, checked);
}

bool CSortListCtrl::GetCheck(int row) const {
    return m_pModel->ValidRow(row) && m_pModel->RowAt(row).checked;
}

void CSortListCtrl::SetGridLines(bool on) {
    static_cast<GridDelegate*>(itemDelegate())->grid = on;
    viewport()->update();
}

int CSortListCtrl::RowAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() ? index.row() : -1;
}

int CSortListCtrl::GetSelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CSortListCtrl::SelectRow(int row) {
    if (m_pModel->ValidRow(row)) {
        setCurrentIndex(m_pModel->index(row, 0));
    } else {
        clearSelection();
    }
}

void CSortListCtrl::SortByColumn(int column) {
    if (!m_pModel->ValidColumn(column)) {
        return;
    }
    if (!g_sortState.clicked) {
        g_sortState.clicked = true;
        g_sortState.lastColumn = column;
    }
    if (column != g_sortState.lastColumn) {
        g_sortState.ascending = true;
    }
    g_sortState.lastColumn = column;
    m_pModel->SortBy(column, g_sortState.ascending);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(column,
                               g_sortState.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    g_sortState.ascending = !g_sortState.ascending;
}

void CSortListCtrl::ResetSortState() {
    g_sortState = SortState();
}

}  // namespace quennit
