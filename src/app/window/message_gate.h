#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

#include <QObject>
#include <QPointer>

#include "platform/message_window.h"

namespace quennit {

// Hands the search thread's messages to a window on the window's own
// thread, one at a time, and makes the sender wait until each has been
// handled (so a SearchResult passed by address stays valid).
//
// Only the admitted search gets through, recognised by the stop token that
// its thread runs under (CurrentStopToken). Revoking it, or stopping the
// search, drops its later messages and releases it at once if it is
// waiting, so the window can stop a search and join its thread without the
// thread being stuck in a send that the window's thread would have to serve.
class CMessageGate {
  public:
    using Handler = std::function<LRESULT(std::uint32_t msg, WPARAM wParam, LPARAM lParam)>;

    // receiver decides the thread that handles messages and must outlive
    // every sender (revoke and join before destroying it).
    CMessageGate(QObject* receiver, Handler handler);
    ~CMessageGate();

    CMessageGate(const CMessageGate&) = delete;
    CMessageGate& operator=(const CMessageGate&) = delete;

    // Admits the search with this stop token and starts it in one step:
    // start() runs with the gate locked, so the new thread can't be turned
    // away by a check made before its admission. When start() fails nobody
    // is admitted and the result is false.
    bool StartAdmitted(std::stop_token search, const std::function<bool()>& start);

    // From now on nothing of the admitted sender is delivered; a sender
    // waiting for its message to be handled returns 0 at once (unless the
    // handler is already running).
    void Revoke();

    // True when the calling thread runs the admitted search (not yet told to
    // stop), or is the receiver's own thread.
    bool Accepts() const;

    // Delivers one message. On the receiver's thread the handler runs
    // directly; from the admitted sender it is queued to the receiver's
    // thread and waited for; from anybody else it is dropped (0).
    LRESULT Send(std::uint32_t msg, WPARAM wParam, LPARAM lParam);

  private:
    struct Call {
        std::uint32_t msg = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        std::stop_token sender;
        bool running = false;
        bool done = false;
        LRESULT result = 0;
    };

    bool OnReceiverThread() const;
    bool IsAdmitted(const std::stop_token& sender) const;  // with m_mutex held
    void Deliver(const std::shared_ptr<Call>& call);

    QPointer<QObject> m_receiver;
    Handler m_handler;
    // Queued deliveries check this, so one that outlives the gate does nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::stop_token m_sender;  // an empty token: nobody admitted
    std::vector<std::shared_ptr<Call>> m_pending;
};

}  // namespace quennit
