#pragma once

#include <chrono>
#include <stop_token>

namespace quennit {

// Cooperative stop of a search. The search thread installs its stop token
// for the duration of the run; everything below the run (pauses, open
// requests, message delivery) asks for it here instead of carrying it
// through every call. Outside a search the token is empty and never stops.

// The stop token of the search running on the calling thread.
std::stop_token CurrentStopToken();

// True when the search running on the calling thread has been told to stop.
bool StopRequestedHere();

// Throws StopRequested when the calling thread's search has been stopped.
void ThrowIfStopped();

// Installs a stop token on the calling thread for the lifetime of the
// object and restores the previous one afterwards.
class ScopedStopToken {
  public:
    explicit ScopedStopToken(std::stop_token token);
    ~ScopedStopToken();

    ScopedStopToken(const ScopedStopToken&) = delete;
    ScopedStopToken& operator=(const ScopedStopToken&) = delete;

  private:
    std::stop_token m_previous;
};

// Waits for the given time unless the calling thread's search is stopped
// first (or already). Returns false when the wait was ended by a stop.
bool SleepUnlessStopped(std::chrono::nanoseconds duration);

}  // namespace quennit
