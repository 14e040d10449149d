#include "app/window/event_relay.h"

#include <stop_token>
#include <utility>

#include <QMetaObject>
#include <QThread>

#include "platform/stop.h"

namespace quennit {

CEventRelay::CEventRelay(QObject* receiver, ISearchEvents& target)
    : m_receiver(receiver), m_target(target) {}

CEventRelay::~CEventRelay() = default;

void CEventRelay::OnProgress(std::uint32_t site, std::uint32_t code) {
    Relay([&] { m_target.OnProgress(site, code); });
}

void CEventRelay::OnError(std::uint32_t site, ErrorKind kind, int status) {
    Relay([&] { m_target.OnError(site, kind, status); });
}

void CEventRelay::OnResult(std::uint32_t site, const SearchResult& result) {
    Relay([&] { m_target.OnResult(site, result); });
}

void CEventRelay::OnEnd(SearchEnd how) {
    Relay([&] { m_target.OnEnd(how); });
}

void CEventRelay::Relay(std::function<void()> handle) {
    if (m_receiver == nullptr) {
        return;
    }
    // The window's own thread must never wait for itself.
    if (QThread::currentThread() == m_receiver->thread()) {
        handle();
        return;
    }
    auto call = std::make_shared<Call>();
    call->handle = std::move(handle);
    std::weak_ptr<int> alive = m_alive;
    QMetaObject::invokeMethod(
        m_receiver,
        [this, alive, call] {
            if (!alive.expired()) {
                Deliver(call);
            }
        },
        Qt::QueuedConnection);

    // A stop withdraws the call unless it is being handled right now.
    const std::stop_callback withdraw(CurrentStopToken(), [this, &call] {
        std::lock_guard lock(m_mutex);
        call->done = call->done || !call->running;
        m_cv.notify_all();
    });
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return call->done; });
}

void CEventRelay::Deliver(const std::shared_ptr<Call>& call) {
    {
        std::lock_guard lock(m_mutex);
        if (call->done) {
            return;  // withdrawn: the sender has already gone on
        }
        call->running = true;
    }
    call->handle();
    std::lock_guard lock(m_mutex);
    call->done = true;
    m_cv.notify_all();
}

}  // namespace quennit
