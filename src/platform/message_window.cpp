#include "platform/message_window.h"

#include "platform/stop.h"

namespace quennit {

void SendToWindow(IMessageWindow* wnd, std::uint32_t msg, WPARAM wParam, LPARAM lParam) {
    // The window may already be gone once its search is stopped; don't even
    // ask it whether it is live.
    if (StopRequestedHere()) {
        return;
    }
    if (wnd != nullptr && wnd->IsWindow()) {
        wnd->SendMessage(msg, wParam, lParam);
    }
}

}  // namespace quennit
