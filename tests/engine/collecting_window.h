#pragma once

#include <vector>

#include "engine/search_result.h"
#include "platform/message_window.h"

namespace quennit::test {

// Keeps a copy of every result it is sent, as the window would.
class CollectingWindow : public IMessageWindow {
  public:
    bool IsWindow() const override { return true; }
    LRESULT SendMessage(std::uint32_t msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SEARCH_RESULT) {
            results.push_back(*reinterpret_cast<const SearchResult*>(lParam));
            sites.push_back(static_cast<std::uint32_t>(wParam));
        }
        return 0;
    }

    std::vector<SearchResult> results;
    std::vector<std::uint32_t> sites;
};

}  // namespace quennit::test
