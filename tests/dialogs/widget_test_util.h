#pragma once

// Helpers shared by the widget tests: answering modal boxes, recording
// opened addresses, and checking that a test leaves no window behind.

#include <memory>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QList>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "app/url_opener.h"

namespace quennit::test {

// Answers the next message box once its event loop runs. Set it up before
// the action that opens the box: it polls from the event loop until a modal
// box is up (giving up after a while), so it never depends on timing. The
// box's text goes to *text.
inline void AnswerNextMessageBox(QString* text = nullptr,
                                 QMessageBox::StandardButton button = QMessageBox::Ok) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(0);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, started, text, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr && started->elapsed() < 10000) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (box == nullptr) {
            return;
        }
        if (text != nullptr) {
            *text = box->text();
        }
        box->button(button)->click();
    });
    timer->start();
}

// Replaces the desktop opener for the life of the object and records every
// address handed to it.
class RecordingOpener {
  public:
    RecordingOpener() {
        m_previous = SetUrlOpener([this](const QUrl& url) {
            m_urls.append(url);
            return true;
        });
    }
    ~RecordingOpener() { SetUrlOpener(std::move(m_previous)); }
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;

    const QList<QUrl>& Urls() const { return m_urls; }

  private:
    UrlOpener m_previous;
    QList<QUrl> m_urls;
};

// True when no top-level window is left (after deferred deletions ran).
inline bool NoWindowLeft() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return QApplication::topLevelWidgets().isEmpty();
}

}  // namespace quennit::test
