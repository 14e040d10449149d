#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>
#include <QPointer>

#include "engine/search_events.h"

namespace quennit {

// Hands a search's events to a target on the receiver's thread, one at a
// time, and makes the sender wait until each has been handled (so a result
// passed by reference stays valid). On the receiver's own thread the target
// runs directly.
//
// The wait ends at once when the sender's search is stopped (the stop token
// its thread runs under): its queued event is withdrawn and never handled.
// So the window can stop a search and join its thread without the thread
// being stuck in a call that the window's thread would have to serve.
class CEventRelay final : public ISearchEvents {
  public:
    // receiver decides the thread that handles events; it and target must
    // outlive every sender (stop and join them before destroying either).
    CEventRelay(QObject* receiver, ISearchEvents& target);
    ~CEventRelay() override;

    CEventRelay(const CEventRelay&) = delete;
    CEventRelay& operator=(const CEventRelay&) = delete;

    void OnProgress(std::uint32_t site, std::uint32_t code) override;
    void OnError(std::uint32_t site, ErrorKind kind, int status) override;
    void OnResult(std::uint32_t site, const SearchResult& result) override;
    void OnEnd(SearchEnd how) override;

  private:
    struct Call {
        std::function<void()> handle;
        bool running = false;
        bool done = false;
    };

    void Relay(std::function<void()> handle);
    void Deliver(const std::shared_ptr<Call>& call);

    QPointer<QObject> m_receiver;
    ISearchEvents& m_target;
    // Queued deliveries check this, so one that outlives the relay does nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

}  // namespace quennit
