// Engine benchmarks. Figures are compared from run to run by name:
//   BM_ScanFloor          one memmem pass over a full page for an absent marker
//   BM_ExtractTypical     extraction of a full page of about 1,000 entries
//   BM_ExtractGuardWorst  the same with a first entry marker that is never found
//                         again, so every rule of every entry consults the guard
//   BM_LoadSiteFile10k    loading a site file of 10,000 sites with 20 rules each
//   BM_LoadSiteFile100kBare  loading 100,000 sites without rules (peak_rss_MB:
//                         run it alone, --benchmark_filter=100kBare)
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/search_result.h"
#include "engine/search_session.h"

namespace {

using quennit::CSearchSession;

// A Shift_JIS result page of the read limit's size with ~1,000 entries.
const std::string& Page() {
    static const std::string page = [] {
        std::string p = "<html><!--top--><p>1-1000</p><a class=next href=/find?p=2>next</a><dl>";
        const std::string japanese = "\x8C\x9F\x8D\xF5\x8C\x8B\x89\xCA";  // 検索結果
        for (int i = 0; p.size() < CSearchSession::PAGE_READ_LIMIT - 700; ++i) {
            const std::string n = std::to_string(i);
            p +=
                "<dt><a href=http://pagehost/doc/" + n + ".html>" + japanese + " " + n + "</a><dd>";
            // About 640 bytes per entry: Japanese text with a bold word.
            for (int k = 0; k < 40; ++k) {
                p += k % 9 == 4 ? "<b>hit</b> " : japanese + " text ";
            }
            p += "<br>\n";
        }
        p += "</dl></html>";
        p.resize(CSearchSession::PAGE_READ_LIMIT, ' ');
        return p;
    }();
    return page;
}

quennit::SiteDef ExampleSite(bool guardWorst) {
    quennit::SiteDef site;
    site.m_strHostId = "bench";
    site.m_nMaxCount = 1000000;
    site.m_strStartWord = "<dl>";
    quennit::AddRule(site, "T_SEARCH", "class=next href=");
    quennit::AddRule(site, "T_NEXTURL", ">");
    if (guardWorst) {
        quennit::AddRule(site, "NOTE", "<!--top-->");
    }
    quennit::AddRule(site, "SEARCH", "<dt><a href=http://");
    quennit::AddRule(site, "URL", ">");
    quennit::AddRule(site, "TITLE", "</a>");
    quennit::AddRule(site, "SEARCH", "<dd>");
    quennit::AddRule(site, "TEXT", "<br>");
    quennit::AddRule(site, "R_DEL", "<b>");
    quennit::AddRule(site, "R_DEL", "</b>");
    return site;
}

void RunExtraction(benchmark::State& state, bool guardWorst) {
    const quennit::SiteDef site = ExampleSite(guardWorst);
    const std::string& page = Page();
    int hits = 0;
    for (auto _ : state) {
        const quennit::PageExtract out = quennit::ExtractPage(page, site, "pagehost");
        hits = out.hits;
        benchmark::DoNotOptimize(out);
    }
    state.counters["results"] = hits;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void BM_ScanFloor(benchmark::State& state) {
    const std::string& page = Page();
    const char marker[] = "<absent marker>";
    for (auto _ : state) {
        benchmark::DoNotOptimize(memmem(page.data(), page.size(), marker, sizeof marker - 1));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_ScanFloor)->Unit(benchmark::kMicrosecond);

void BM_ExtractTypical(benchmark::State& state) {
    RunExtraction(state, false);
}
BENCHMARK(BM_ExtractTypical)->Unit(benchmark::kMicrosecond);

void BM_ExtractGuardWorst(benchmark::State& state) {
    RunExtraction(state, true);
}
BENCHMARK(BM_ExtractGuardWorst)->Unit(benchmark::kMicrosecond);

// Loads a site file written by write (once) in every iteration.
template <typename Write>
void RunLoad(benchmark::State& state, const char* name, Write write) {
    const auto path =
        std::filesystem::temp_directory_path() /
        ("quennit-bench-" + std::string(name) + "-" + std::to_string(getpid()) + ".ini");
    {
        std::ofstream out(path, std::ios::binary);
        write(out);
    }
    for (auto _ : state) {
        CSearchSession session;
        std::string error;
        benchmark::DoNotOptimize(session.LoadSiteFile(path.string(), error));
        state.counters["sites"] = session.GetSiteCount();
    }
    std::filesystem::remove(path);
    // The process's peak so far: run this benchmark alone for its own figure.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_LoadSiteFile10k(benchmark::State& state) {
    RunLoad(state, "10k", [](std::ofstream& out) {
        out << "SITE_FILE_VER\t\t1.00\r\n";
        for (int i = 1; i <= 10000; ++i) {
            out << "HOST_ID\t\tsite " << i << "\r\nHOST_ADDR\t\thost" << i
                << ".example\r\nHOST_URL_FORMAT\t/find?q=%s&n=" << i << "\r\nHOST_GROUP\t\tgroup"
                << i % 7 << "\r\n";
            for (int r = 0; r < 20; ++r) {
                out << (r % 5 == 0   ? "SEARCH"
                        : r % 5 == 1 ? "URL"
                                     : "TITLE")
                    << "\t\t<marker " << r << " ^>\r\n";
            }
        }
    });
}
BENCHMARK(BM_LoadSiteFile10k)->Unit(benchmark::kMillisecond);

// 100,000 sites of one HOST_ID line each (1.1 MB): memory must follow the
// content, not the rule slots a site could have.
void BM_LoadSiteFile100kBare(benchmark::State& state) {
    RunLoad(state, "100k-bare", [](std::ofstream& out) {
        for (int i = 1; i <= 100000; ++i) {
            out << "HOST_ID\tsite " << i << "\n";
        }
    });
}
BENCHMARK(BM_LoadSiteFile100kBare)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
