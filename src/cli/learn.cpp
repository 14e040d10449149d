// quennit-cli learn: a site block learned from a results page, printed with
// the proof that the search's own extraction reads the pages with it.
#include <cstdio>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/extract.h"
#include "learn/learner.h"
#include "platform/errors.h"
#include "platform/http_client.h"
#include "platform/regular_file.h"

namespace quennit::cli {

namespace {

// A saved page as a read keeps it; false (exit 1) when it can't be read.
bool ReadPageFile(const std::string& path, std::string& page) {
    std::string error;
    std::FILE* in = OpenRegularFile(path, error);
    if (in == nullptr) {
        std::cerr << "quennit-cli learn: cannot open the page " << EscapeForTerminal(path) << ": "
                  << error << "\n";
        return false;
    }
    page.assign(kPageReadLimit, '\0');
    page.resize(std::fread(page.data(), 1, page.size(), in));
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        std::cerr << "quennit-cli learn: cannot read the page " << EscapeForTerminal(path) << "\n";
    }
    return !failed;
}

nlohmann::ordered_json ResultJson(const SearchResult& r) {
    return {
        {"order", r.m_nOrder}, {"url", r.m_strUrl}, {"title", r.m_strTitle}, {"text", r.m_strText}};
}

}  // namespace

int RunLearn(const LearnArgs& args) {
    learn::LearnRequest request;
    request.url = args.url;
    request.keyword = args.keyword;
    request.secondKeyword = args.second;
    request.examples = args.examples;
    request.name = args.name;
    request.group = args.group;
    request.maxCount = args.maxCount;
    request.timeoutMs = static_cast<std::uint32_t>(args.timeoutSeconds) * 1000;
    if (!args.pagePath.empty()) {
        request.page.emplace();
        if (!ReadPageFile(args.pagePath, *request.page)) {
            return 1;
        }
    }
    if (!args.secondPagePath.empty()) {
        request.secondPage.emplace();
        if (!ReadPageFile(args.secondPagePath, *request.secondPage)) {
            return 1;
        }
    }

    const GlobalHttpInit http;
    learn::LearnResult result;
    try {
        result = learn::Learn(request, [](const std::string& step) {
            std::cerr << EscapeForTerminal(step) << "…\n";
        });
    } catch (const StopRequested&) {
        return 130;
    }
    if (!result.Learned()) {
        std::cerr << "quennit-cli learn: " << EscapeForTerminal(result.message) << "\n";
        return result.exitCode;
    }
    if (!args.appendPath.empty()) {
        std::string error;
        if (!learn::AppendBlock(args.appendPath, result, args.url, error)) {
            std::cerr << "quennit-cli learn: " << EscapeForTerminal(error) << "\n";
            return 1;
        }
    }

    if (args.format == Format::Json) {
        nlohmann::ordered_json block = nlohmann::ordered_json::array();
        for (const auto& [key, value] : result.lines) {
            block.push_back({{"key", key}, {"value", value}});
        }
        nlohmann::ordered_json proof = nlohmann::ordered_json::array();
        for (const learn::ProofPage& page : result.proof) {
            nlohmann::ordered_json entries = nlohmann::ordered_json::array();
            for (const SearchResult& r : page.entries) {
                entries.push_back(ResultJson(r));
            }
            proof.push_back({{"page", page.label},
                             {"address", page.address},
                             {"count", page.entries.size()},
                             {"entries", entries},
                             {"next", page.nextUrl}});
        }
        std::cout << JsonLine({{"block", block},
                               {"proof", proof},
                               {"warnings", result.warnings},
                               {"verdict", result.verdict}});
        return 0;
    }
    for (const auto& [key, value] : result.lines) {
        std::cout << EscapeForTerminal(key) << "\t" << EscapeForTerminal(value) << "\n";
    }
    for (const learn::ProofPage& page : result.proof) {
        std::cout << "\n# " << EscapeForTerminal(page.label) << " ("
                  << EscapeForTerminal(page.address) << "): " << page.entries.size() << " 件\n";
        for (std::size_t i = 0; i < page.entries.size() && i < 5; ++i) {
            std::cout << "# " << FormatResult(page.entries[i], Format::Tsv);
        }
        std::cout << "# 次のページ: "
                  << (page.nextUrl.empty() ? "なし" : EscapeForTerminal(page.nextUrl)) << "\n";
    }
    for (const std::string& warning : result.warnings) {
        std::cout << "# 注意: " << EscapeForTerminal(warning) << "\n";
    }
    std::cout << "# " << EscapeForTerminal(result.verdict) << "\n";
    return 0;
}

}  // namespace quennit::cli
