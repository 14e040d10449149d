#include "engine/search_events.h"

#include "platform/stop.h"

namespace quennit {

void StopFilter::SetSink(ISearchEvents* sink) {
    std::lock_guard lock(m_mutex);
    m_sink = sink;
}

void StopFilter::Stop(std::stop_source& search) {
    search.request_stop();
    // An event that passed before the stop is still being handled.
    std::lock_guard lock(m_mutex);
}

template <class Deliver>
void StopFilter::Pass(const Deliver& deliver) {
    std::lock_guard lock(m_mutex);
    if (m_sink != nullptr && !StopRequestedHere()) {
        deliver(*m_sink);
    }
}

void StopFilter::OnProgress(std::uint32_t site, std::uint32_t code) {
    Pass([&](ISearchEvents& sink) { sink.OnProgress(site, code); });
}

void StopFilter::OnError(std::uint32_t site, ErrorKind kind, int status) {
    Pass([&](ISearchEvents& sink) { sink.OnError(site, kind, status); });
}

void StopFilter::OnResult(std::uint32_t site, const SearchResult& result) {
    Pass([&](ISearchEvents& sink) { sink.OnResult(site, result); });
}

void StopFilter::OnEnd(SearchEnd how) {
    Pass([&](ISearchEvents& sink) { sink.OnEnd(how); });
}

}  // namespace quennit
