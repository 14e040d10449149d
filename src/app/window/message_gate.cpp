#include "app/window/message_gate.h"

#include <algorithm>
#include <utility>

#include <QMetaObject>
#include <QThread>

#include "platform/stop.h"

namespace quennit {

CMessageGate::CMessageGate(QObject* receiver, Handler handler)
    : m_receiver(receiver), m_handler(std::move(handler)) {}

CMessageGate::~CMessageGate() {
    Revoke();
}

bool CMessageGate::StartAdmitted(std::stop_token search, const std::function<bool()>& start) {
    std::lock_guard lock(m_mutex);
    m_sender = std::move(search);
    if (!start()) {
        m_sender = std::stop_token();
        return false;
    }
    return true;
}

bool CMessageGate::IsAdmitted(const std::stop_token& sender) const {
    return m_sender.stop_possible() && sender == m_sender && !sender.stop_requested();
}

void CMessageGate::Revoke() {
    std::lock_guard lock(m_mutex);
    m_sender = std::stop_token();
    for (const auto& call : m_pending) {
        if (!call->running) {
            call->done = true;
        }
    }
    m_cv.notify_all();
}

bool CMessageGate::OnReceiverThread() const {
    return m_receiver != nullptr && QThread::currentThread() == m_receiver->thread();
}

bool CMessageGate::Accepts() const {
    if (OnReceiverThread()) {
        return true;
    }
    const std::stop_token sender = CurrentStopToken();
    std::lock_guard lock(m_mutex);
    return IsAdmitted(sender);
}

LRESULT CMessageGate::Send(std::uint32_t msg, WPARAM wParam, LPARAM lParam) {
    // The window's own thread must never wait for itself.
    if (OnReceiverThread()) {
        return m_handler(msg, wParam, lParam);
    }
    auto call = std::make_shared<Call>();
    call->msg = msg;
    call->wParam = wParam;
    call->lParam = lParam;
    call->sender = CurrentStopToken();
    {
        std::lock_guard lock(m_mutex);
        if (m_receiver == nullptr || !IsAdmitted(call->sender)) {
            return 0;
        }
        m_pending.push_back(call);
    }
    std::weak_ptr<int> alive = m_alive;
    QMetaObject::invokeMethod(
        m_receiver,
        [this, alive, call] {
            if (!alive.expired()) {
                Deliver(call);
            }
        },
        Qt::QueuedConnection);

    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return call->done; });
    std::erase(m_pending, call);
    return call->result;
}

void CMessageGate::Deliver(const std::shared_ptr<Call>& call) {
    {
        std::lock_guard lock(m_mutex);
        // Revoked while queued (the sender has already gone on), or sent by
        // a search that is no longer the current one.
        if (call->done) {
            return;
        }
        if (!IsAdmitted(call->sender)) {
            call->done = true;
            m_cv.notify_all();
            return;
        }
        call->running = true;
    }
    // Run without the lock: a handler may revoke (the end of a search does).
    const LRESULT result = m_handler(call->msg, call->wParam, call->lParam);
    std::lock_guard lock(m_mutex);
    call->result = result;
    call->done = true;
    m_cv.notify_all();
}

}  // namespace quennit
