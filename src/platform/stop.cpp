#include "platform/stop.h"

#include <condition_variable>
#include <mutex>
#include <utility>

#include "platform/errors.h"

namespace quennit {

namespace {

thread_local std::stop_token t_token;

}  // namespace

std::stop_token CurrentStopToken() {
    return t_token;
}

bool StopRequestedHere() {
    return t_token.stop_requested();
}

void ThrowIfStopped() {
    if (t_token.stop_requested()) {
        throw StopRequested();
    }
}

ScopedStopToken::ScopedStopToken(std::stop_token token) : m_previous(std::move(t_token)) {
    t_token = std::move(token);
}

ScopedStopToken::~ScopedStopToken() {
    t_token = std::move(m_previous);
}

bool SleepUnlessStopped(std::chrono::nanoseconds duration) {
    if (t_token.stop_requested()) {
        return false;
    }
    if (duration <= std::chrono::nanoseconds::zero()) {
        return true;
    }
    // A private mutex and condition: nothing else ever notifies them, so the
    // wait ends only by its time or by the stop token's own wake-up.
    std::mutex mutex;
    std::condition_variable_any cv;
    std::unique_lock lock(mutex);
    const bool stopped = cv.wait_for(lock, t_token, duration, [] { return false; });
    (void)stopped;
    return !t_token.stop_requested();
}

}  // namespace quennit
