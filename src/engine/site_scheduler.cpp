#include "engine/site_scheduler.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/stop.h"

namespace quennit {

namespace {

class Scheduler {
  public:
    Scheduler(const std::function<std::optional<SiteJob>()>& next,
              const std::function<void(std::uint32_t)>& work)
        : m_next(next), m_work(work) {}

    // One thread's share: take sites until none are left.
    void Worker() {
        while (auto job = Take()) {
            try {
                m_work(job->site);
            } catch (...) {
                Fail(std::current_exception());
            }
            Release(*job);
        }
    }

    void Rethrow() {
        if (m_failure) {
            std::rethrow_exception(m_failure);
        }
        ThrowIfStopped();
    }

  private:
    std::optional<SiteJob> Take() {
        const std::stop_token stop = CurrentStopToken();
        std::unique_lock lock(m_mutex);
        while (true) {
            if (m_failure || stop.stop_requested()) {
                return std::nullopt;
            }
            // A site held back for its server goes first once it can.
            const auto ready = std::find_if(m_waiting.begin(), m_waiting.end(),
                                            [this](const SiteJob& j) { return Free(j); });
            if (ready != m_waiting.end()) {
                return Begin(m_waiting, ready);
            }
            if (!m_exhausted) {
                std::optional<SiteJob> job;
                try {
                    job = m_next();
                } catch (...) {
                    m_failure = std::current_exception();
                    m_cv.notify_all();
                    return std::nullopt;
                }
                if (!job) {
                    m_exhausted = true;
                } else if (Free(*job)) {
                    m_busy.insert(job->server);
                    return job;
                } else {
                    m_waiting.push_back(std::move(*job));
                }
                continue;
            }
            if (m_waiting.empty()) {
                return std::nullopt;
            }
            // Another thread may take the last held-back site meanwhile.
            m_cv.wait(lock, stop, [this] {
                return m_failure || m_waiting.empty() ||
                       std::any_of(m_waiting.begin(), m_waiting.end(),
                                   [this](const SiteJob& j) { return Free(j); });
            });
        }
    }

    bool Free(const SiteJob& job) const { return !m_busy.contains(job.server); }

    SiteJob Begin(std::deque<SiteJob>& from, std::deque<SiteJob>::iterator it) {
        SiteJob job = std::move(*it);
        from.erase(it);
        m_busy.insert(job.server);
        return job;
    }

    void Release(const SiteJob& job) {
        {
            std::lock_guard lock(m_mutex);
            m_busy.erase(job.server);
        }
        m_cv.notify_all();
    }

    void Fail(std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const StopRequested&) {
            return;  // every thread sees the stop by itself
        } catch (...) {
        }
        std::lock_guard lock(m_mutex);
        if (!m_failure) {
            m_failure = e;
        }
        m_cv.notify_all();
    }

    const std::function<std::optional<SiteJob>()>& m_next;
    const std::function<void(std::uint32_t)>& m_work;
    std::mutex m_mutex;
    std::condition_variable_any m_cv;
    std::deque<SiteJob> m_waiting;  // in the order next gave them
    std::set<std::string> m_busy;
    bool m_exhausted = false;
    std::exception_ptr m_failure;
};

}  // namespace

void RunSiteJobs(int jobs, const std::function<std::optional<SiteJob>()>& next,
                 const std::function<void(std::uint32_t)>& work) {
    Scheduler scheduler(next, work);
    const std::stop_token stop = CurrentStopToken();
    std::vector<std::thread> threads;
    for (int i = 1; i < jobs; ++i) {
        try {
            threads.emplace_back([&scheduler, stop] {
                const ScopedStopToken scope(stop);
                scheduler.Worker();
            });
        } catch (const std::system_error&) {
            break;  // fewer threads still do every site
        }
    }
    scheduler.Worker();
    for (auto& t : threads) {
        t.join();
    }
    scheduler.Rethrow();
}

}  // namespace quennit
