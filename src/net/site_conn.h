#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "sitedef/number_map.h"
#include "sitedef/site_def.h"

namespace quennit {

// One site's connection record: which server it talks to and the path it
// last asked for. What outlives a page; the open
// request itself belongs to whoever asked for it (see RequestPage).
struct SiteConn {
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

    // Creates the record with its defaults when missing.
    void SetServer(std::uint32_t n, const SjisString& server);

  private:
    mutable std::mutex m_mutex;
    NumberMap<SiteConn> m_map;
};

}  // namespace quennit
