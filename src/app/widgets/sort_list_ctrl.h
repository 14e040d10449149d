#pragma once

#include <QString>
#include <QTreeView>
#include <cstdint>
#include <string>
#include <string_view>

namespace quennit {

class SortListModel;

// Order of two cells in a sort by column: <0, 0 or >0. Only the first 127
// bytes of a text count. When both texts consist of digits, commas and minus
// signs only (an empty text too), they compare as numbers: commas are
// dropped and the rest is read like atof, so "1,234" is 1234, "1-2" is 1 and
// "-" is 0. Otherwise they compare as Shift_JIS text (MbsCompare); "1.5" is
// text.
int CompareCells(std::string_view a, std::string_view b);

// A report-style list of UTF-8 texts: rows of cells under header columns,
// sorted by a click on a column header. Cells sort by their Shift_JIS form
// (CompareCells), as the program always has; a character Shift_JIS lacks
// sorts after every character it has (and ties with the others it lacks). Every list of the program
// shares one sort state: the first click of the run, and every click on a
// column other than the previous one, sorts ascending; each further click on
// the same column index reverses the order, whichever list it is in.
//
// Every row gets a key when it is inserted and keeps it through sorts.
class CSortListCtrl : public QTreeView {
    Q_OBJECT

  public:
    explicit CSortListCtrl(QWidget* parent = nullptr);
    ~CSortListCtrl() override;

    // Adds a header column before column (appends for column >= count).
    // Returns its index, -1 when column is negative.
    int InsertColumn(int column, const QString& heading, int width,
                     Qt::Alignment align = Qt::AlignLeft);

    // Inserts a row with the text of column 0 before row (appends for row >=
    // count). Returns its index, -1 when row is negative. Inserting rows or
    // emptying the list hides the header's sort arrow until the next sort.
    int InsertRow(int row, const std::string& col0);
    int RowCount() const;
    // Removes every row.
    void DeleteAllItems();

    // Text of a cell. Rows and columns that don't exist are refused (false).
    bool SetCellText(int row, int column, const std::string& text);
    // Empty for a refused or never set cell.
    std::string GetCellText(int row, int column) const;

    // The row's key (never 0 for an existing row; 0 for no such row).
    std::uint32_t GetRowKey(int row) const;

    // Check boxes in column 0 (the settings dialog's site list).
    void SetCheckBoxes(bool on);
    bool SetCheck(int row, bool checked);
    bool GetCheck(int row) const;

    void SetGridLines(bool on);

    // The row at a point of the viewport, -1 below the last row.
    int RowAt(const QPoint& viewportPos) const;
    // The selected row, -1 when none is selected.
    int GetSelectedRow() const;
    void SelectRow(int row);

    // What a click on the header of column does: sorts by it in the direction
    // that the program-wide sort state gives, then flips the direction. A
    // column that doesn't exist is ignored.
    void SortByColumn(int column);

    // Sort state as at the start of the program (used by tests).
    static void ResetSortState();

  signals:
    // A row was double-clicked (never emitted for the empty area below the rows).
    void rowDoubleClicked(int row);

  private:
    void HideSortArrow();

    SortListModel* m_pModel;
};

}  // namespace quennit
