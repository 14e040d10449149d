#pragma once

#include <QComboBox>
#include <QString>

namespace quennit {

// The site group selector: a sorted drop-down list that can refuse names it
// already holds.
class CGroupComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit CGroupComboBox(QWidget* parent = nullptr);

    // Adds text at its sorted place and returns its index. With unique set,
    // an empty text adds nothing (-1), and so does a text that some item
    // begins with, compared without regard to case (that item's index).
    int AddString(const QString& text, bool unique);

  protected:
    // A drop-down list has no menu of its own: the window's shows.
    void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace quennit
