#pragma once

// Helpers of the widget tests: answering message boxes, menus and windows
// as they appear, recording opened addresses, and reading list columns.

#include <deque>
#include <string>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
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
// button), and records its text and default button. Chooses the first item
// of a popup menu, records the items. Create it before the action.
class BoxAnswerer : public QObject {
  public:
    BoxAnswerer() { qApp->installEventFilter(this); }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }

    void Queue(QMessageBox::StandardButton answer) { m_answers.push_back(answer); }
    // A window of this class (e.g. "quennit::CAboutDlg") is closed when shown.
    void CloseWindowsOfClass(const char* className) { m_classes.push_back(className); }

    QStringList texts;
    QList<QMessageBox::StandardButton> defaults;
    QStringList menuItems;
    int windowsClosed = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) {
            return false;
        }
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            OnBox(box);
        } else if (auto* menu = qobject_cast<QMenu*>(watched)) {
            for (const QAction* action : menu->actions()) {
                menuItems << action->text();
            }
            QMetaObject::invokeMethod(
                menu,
                [menu] {
                    QTest::keyClick(menu, Qt::Key_Down);
                    QTest::keyClick(menu, Qt::Key_Return);
                },
                Qt::QueuedConnection);
        } else if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow()) {
            for (const QByteArray& name : m_classes) {
                if (widget->inherits(name.constData())) {
                    ++windowsClosed;
                    QMetaObject::invokeMethod(widget, &QWidget::close, Qt::QueuedConnection);
                }
            }
        }
        return false;
    }

  private:
    void OnBox(QMessageBox* box) {
        texts << box->text();
        defaults << box->standardButton(box->defaultButton());
        QMessageBox::StandardButton answer = QMessageBox::Ok;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        QAbstractButton* button = box->button(answer);
        if (button == nullptr) {
            button = box->buttons().value(0);
        }
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    }

    std::deque<QMessageBox::StandardButton> m_answers;
    QList<QByteArray> m_classes;
};

// Replaces the desktop opener for the life of the object and records every
// address handed to it.
class RecordingOpener {
  public:
    RecordingOpener() {
        m_previous = SetUrlOpener([this](const QUrl& url) {
            urls.append(url);
            return true;
        });
    }
    ~RecordingOpener() { SetUrlOpener(std::move(m_previous)); }

    QList<QUrl> urls;

  private:
    UrlOpener m_previous;
};

inline std::string Sjis(const char* utf8) {
    return Utf8ToSjis(utf8).value();
}

// The cells of one column, decoded from Shift_JIS.
inline QStringList Column(const CSortListCtrl& list, int column) {
    QStringList cells;
    for (int row = 0; row < list.RowCount(); ++row) {
        cells << QString::fromStdString(SjisToUtf8(list.GetCellText(row, column)));
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

// True when no top-level window is left (after deferred deletions ran).
inline bool NoWindowLeft() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return QApplication::topLevelWidgets().isEmpty();
}

}  // namespace quennit::test
