#pragma once

// Helpers shared by the widget tests: answering message boxes, recording
// opened addresses, loading sites, and checking that a test leaves no
// window behind.

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "app/url_opener.h"
#include "engine/search_session.h"
#include "platform/text_codec.h"

namespace quennit::test {

// Answers every message box that opens while it lives, from the box's own
// event loop (a timer polls for it, so nothing depends on timing), and keeps
// their texts. Create it before the action that may open a box.
class MessageBoxAnswerer {
  public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok)
        : m_button(button) {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Answer(); });
        m_timer.start();
    }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    const QStringList& Texts() const { return m_texts; }

  private:
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box->property("answered").toBool()) {
            return;
        }
        box->setProperty("answered", true);
        m_texts.append(box->text());
        box->button(m_button)->click();
    }

    QMessageBox::StandardButton m_button;
    QTimer m_timer;
    QStringList m_texts;
};

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

// Writes a site definition file (given in UTF-8, stored as Shift_JIS like
// the real one) into dir and loads it into session, registering every site
// the way the main window does, so that each has a connection record.
inline bool LoadSiteText(CSearchSession& session, const QString& dir, const std::string& utf8) {
    const std::string path = (dir + QStringLiteral("/SearchSite.ini")).toStdString();
    const auto sjis = Utf8ToSjis(utf8);
    std::ofstream(path, std::ios::binary) << sjis.value_or(std::string());
    std::string error;
    if (!sjis || !session.LoadSiteFile(path, error)) {
        return false;
    }
    for (int n = 1; n <= session.GetSiteCount(); ++n) {
        session.SetErrorWnd(static_cast<std::uint32_t>(n), nullptr);
        session.SetNotifyWnd(static_cast<std::uint32_t>(n), nullptr);
    }
    return true;
}

// True when no top-level window is left (after deferred deletions ran).
inline bool NoWindowLeft() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return QApplication::topLevelWidgets().isEmpty();
}

}  // namespace quennit::test
