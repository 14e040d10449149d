#pragma once

#include <atomic>
#include <thread>

#include "engine/search_session.h"
#include "platform/message_window.h"

namespace quennit {

// Stand-in: the search thread. It searches nothing and only reports the end.
class CThInetCtrl {
  public:
    ~CThInetCtrl() { Join(); }

    bool CreateThread() {
        m_thread = std::thread([this] {
            if (!m_stop.load() && m_pWnd != nullptr && m_pWnd->IsWindow()) {
                m_pWnd->SendMessage(WM_SEARCH_END, 0, 0);
            }
            m_running.store(false);
        });
        return true;
    }
    void RequestStop() { m_stop.store(true); }
    bool IsRunning() const { return m_running.load(); }
    std::thread::id GetThreadId() const { return m_thread.get_id(); }
    void Join() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    CSearchSession* m_pSession = nullptr;
    IMessageWindow* m_pWnd = nullptr;
    SjisString m_strKeyword;
    SjisString m_strSearchGroup;

  private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{true};
};

}  // namespace quennit
