#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quennit {

// One site as the scheduler sees it: its number and the server it talks to.
struct SiteJob {
    std::uint32_t site = 0;
    std::string server;  // ServerKey; sites with the same key never overlap
};

// Runs work for every site that next yields, on up to jobs threads at once
// (the calling thread is one of them), never two sites of one server at the
// same time. Sites start in the order next yields them, except that a site
// whose server is busy lets later ones go ahead. next is asked only when a
// thread is free, so a site's switches are read at its turn.
//
// Every thread runs under the calling thread's stop token; a stop ends the
// waiting at once and work is expected to end promptly too. The first
// exception that escapes work stops further sites and is rethrown here once
// every thread has ended; a stop surfaces as StopRequested.
void RunSiteJobs(int jobs, const std::function<std::optional<SiteJob>()>& next,
                 const std::function<void(std::uint32_t site)>& work);

}  // namespace quennit
