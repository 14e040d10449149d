#pragma once

// Helpers of the widget tests: answering message boxes, menus and windows
// as they appear, recording opened addresses, and reading list columns.

#include <deque>
#include <string>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include "app/dialogs/url_opener.h"
#include "app/widgets/sort_list_ctrl.h"
#include "platform/text_codec.h"

namespace quennit::test {

// Answers every message box shown while it lives, from the box's own event
// loop: with the queued answers first, then with OK (or the box's first
// button). Chooses the first item of a popup menu and closes any other
// dialog. Records what each showed: a box's text, a menu's items, a
// dialog's class. Create it before the action.
class BoxAnswerer : public QObject {
  public:
    BoxAnswerer() { qApp->installEventFilter(this); }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }

    void Queue(QMessageBox::StandardButton answer) { m_answers.push_back(answer); }

    QStringList texts;
    QList<QMessageBox::StandardButton> defaults;  // of the boxes

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) {
            return false;
        }
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            texts << box->text();
            defaults << box->standardButton(box->defaultButton());
            QAbstractButton* button =
                box->button(m_answers.empty() ? QMessageBox::Ok : m_answers.front());
            if (!m_answers.empty()) {
                m_answers.pop_front();
            }
            if (button == nullptr) {
                button = box->buttons().value(0);
            }
            QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
        } else if (auto* menu = qobject_cast<QMenu*>(watched)) {
            for (const QAction* action : menu->actions()) {
                texts << action->text();
            }
            QMetaObject::invokeMethod(
                menu,
                [menu] {
                    QTest::keyClick(menu, Qt::Key_Down);
                    QTest::keyClick(menu, Qt::Key_Return);
                },
                Qt::QueuedConnection);
        } else if (auto* dialog = qobject_cast<QDialog*>(watched)) {
            texts << dialog->metaObject()->className();
            QMetaObject::invokeMethod(dialog, &QWidget::close, Qt::QueuedConnection);
        }
        return false;
    }

  private:
    std::deque<QMessageBox::StandardButton> m_answers;
};

// Replaces the desktop opener for the life of the object and records every
// address handed to it.
struct RecordingOpener {
    ~RecordingOpener() { SetUrlOpener(std::move(previous)); }

    QList<QUrl> urls;
    bool opens = true;  // false: as a desktop without a browser
    UrlOpener previous = SetUrlOpener([this](const QUrl& url) {
        urls.append(url);
        return opens;
    });
};

inline std::string Sjis(const char* utf8) {
    return Utf8ToSjis(utf8).value();
}

// The cells of one column.
inline QStringList Column(const CSortListCtrl& list, int column) {
    QStringList cells;
    for (int row = 0; row < list.RowCount(); ++row) {
        cells << QString::fromStdString(list.GetCellText(row, column));
    }
    return cells;
}

// A real double-click on a list's row: press and release, then the press
// the platform reports as the second click.
inline void DoubleClick(CSortListCtrl* list, int row) {
    const QPoint at = list->visualRect(list->model()->index(row, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Replaces a box's text by typing, as a user does: select all, then keys.
inline void Retype(QLineEdit* edit, const QString& keys) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, keys);
}

}  // namespace quennit::test
