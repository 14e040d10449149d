#pragma once

#include <cstdint>

namespace quennit {

// The window-message values of a search. They keep the numbers that the
// message protocol has always used so that logs and tests read the same.
inline constexpr std::uint32_t WM_USER = 0x0400;
inline constexpr std::uint32_t WM_INET_STATUS = WM_USER + 16;  // wParam site, lParam progress code
inline constexpr std::uint32_t WM_SEARCH_RESULT =
    WM_USER + 17;                                             // wParam site, lParam SearchResult*
inline constexpr std::uint32_t WM_SEARCH_END = WM_USER + 18;  // wParam how it ended, lParam 0
inline constexpr std::uint32_t WM_INET_ERROR = WM_USER + 32;  // wParam site, lParam error code

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// How a search ended (WM_SEARCH_END's wParam): every site asked, or none,
// since no site's code could hold the keyword.
inline constexpr WPARAM kSearchEndCompleted = 0;
inline constexpr WPARAM kSearchEndKeywordUnsendable = 1;

// A receiver of search messages. The engine and the network layer hold
// non-owning pointers to one of these per site; the window (or the command
// line tool, or a test) implements it.
class IMessageWindow {
  public:
    virtual ~IMessageWindow() = default;

    // True while the receiver exists and wants messages from the calling
    // thread's search. Called on the sending thread right before SendMessage.
    virtual bool IsWindow() const = 0;

    // Delivers one message and returns once the receiver has handled it, so
    // data passed by address stays valid for the duration of the call.
    virtual LRESULT SendMessage(std::uint32_t msg, WPARAM wParam, LPARAM lParam) = 0;
};

// Sends msg to wnd when the window is live. Messages of a stopped search are
// dropped here, so nothing of it reaches the window after a stop.
void SendToWindow(IMessageWindow* wnd, std::uint32_t msg, WPARAM wParam, LPARAM lParam);

}  // namespace quennit
