#include "app/window/group_combo_box.h"

#include <QContextMenuEvent>

namespace quennit {

CGroupComboBox::CGroupComboBox(QWidget* parent) : QComboBox(parent) {}

int CGroupComboBox::AddString(const QString& text, bool unique) {
    if (unique) {
        if (text.isEmpty()) {
            return -1;
        }
        const int found = findText(text, Qt::MatchStartsWith);
        if (found >= 0) {
            return found;
        }
    }
    // Sorted like the platform's sorted list: case-insensitive, and a new
    // item goes after the items that compare equal to it.
    int index = 0;
    while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    // Adding to a list without selection must not select anything.
    const int current = currentIndex();
    insertItem(index, text);
    setCurrentIndex(current < 0 ? -1 : (current >= index ? current + 1 : current));
    return index;
}

void CGroupComboBox::contextMenuEvent(QContextMenuEvent* event) {
    // QComboBox keeps the event even when it shows nothing.
    event->ignore();
}

}  // namespace quennit
