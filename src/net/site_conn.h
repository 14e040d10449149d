#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/message_window.h"
#include "sitedef/number_map.h"
#include "sitedef/site_def.h"

namespace quennit {

// One site's connection record: who receives its messages, which server it
// talks to and the path it last asked for. What outlives a page; the open
// request itself belongs to whoever asked for it (see RequestPage).
struct SiteConn {
    IMessageWindow* m_pNotifyWnd = nullptr;  // receives results
    IMessageWindow* m_pErrorWnd = nullptr;   // receives progress and errors
    SjisString m_strServer;
    std::int32_t m_nPort = 80;
    SjisString m_strObject;
};

// The per-site connection table. Used from the window's thread and the
// search thread, so every operation takes the table's lock.
class ConnTable {
  public:
    std::optional<SiteConn> Lookup(std::uint32_t n) const;
    void Store(std::uint32_t n, const SiteConn& conn);

    // Each setter creates the record with its defaults when missing.
    void SetServer(std::uint32_t n, const SjisString& server);
    void SetNotifyWnd(std::uint32_t n, IMessageWindow* wnd);
    void SetErrorWnd(std::uint32_t n, IMessageWindow* wnd);

  private:
    mutable std::mutex m_mutex;
    NumberMap<SiteConn> m_map;
};

}  // namespace quennit
