#pragma once

#include <deque>
#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWidget>

namespace quennit::test {

// Answers modal boxes as they appear. Queue answers before the code that
// opens the box runs; each box is recorded when it is shown and its answer
// is clicked from the box's own event loop.
class BoxAnswerer : public QObject {
  public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    BoxAnswerer() { qApp->installEventFilter(this); }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }

    void Queue(QMessageBox::StandardButton answer) { m_answers.push_back(answer); }
    // A window of this class (e.g. "quennit::CAboutDlg") is closed when shown.
    void CloseWindowsOfClass(const char* className) { m_classes.push_back(className); }
    // A popup menu is answered by choosing its first item.
    void ChooseFirstMenuItem() { m_chooseMenuItem = true; }

    std::vector<Seen> seen;
    QStringList menuItems;
    int windowsClosed = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) {
            return false;
        }
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            Seen s;
            s.title = box->windowTitle();
            s.text = box->text();
            s.icon = box->icon();
            s.buttons = box->standardButtons();
            if (box->defaultButton() != nullptr) {
                s.defaultButton = box->standardButton(box->defaultButton());
            }
            seen.push_back(s);
            if (!m_answers.empty()) {
                const auto answer = m_answers.front();
                m_answers.pop_front();
                QMetaObject::invokeMethod(
                    box, [box, answer] { box->button(answer)->click(); }, Qt::QueuedConnection);
            }
            return false;
        }
        if (auto* menu = qobject_cast<QMenu*>(watched)) {
            for (const QAction* action : menu->actions()) {
                menuItems << action->text();
            }
            if (m_chooseMenuItem) {
                m_chooseMenuItem = false;
                QMetaObject::invokeMethod(
                    menu,
                    [menu] {
                        QTest::keyClick(menu, Qt::Key_Down);
                        QTest::keyClick(menu, Qt::Key_Return);
                    },
                    Qt::QueuedConnection);
            }
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->isWindow()) {
            for (const QByteArray& name : m_classes) {
                if (widget->inherits(name.constData())) {
                    ++windowsClosed;
                    QMetaObject::invokeMethod(
                        widget, [widget] { widget->close(); }, Qt::QueuedConnection);
                }
            }
        }
        return false;
    }

  private:
    std::deque<QMessageBox::StandardButton> m_answers;
    QList<QByteArray> m_classes;
    bool m_chooseMenuItem = false;
};

// Catches what the program hands to the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT

  public:
    UrlCatcher() {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
        }
    }
    ~UrlCatcher() override {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    QList<QUrl> urls;

  public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Top-level widgets still alive; a test that leaves one behind leaks.
inline int LiveTopLevelWidgets() {
    return static_cast<int>(QApplication::topLevelWidgets().size());
}

}  // namespace quennit::test
