#include "net/site_conn.h"

namespace quennit {

std::optional<SiteConn> ConnTable::Lookup(std::uint32_t n) const {
    std::lock_guard lock(m_mutex);
    if (const SiteConn* conn = m_map.Find(n)) {
        return *conn;
    }
    return std::nullopt;
}

void ConnTable::Store(std::uint32_t n, const SiteConn& conn) {
    std::lock_guard lock(m_mutex);
    m_map.Set(n, conn);
}

void ConnTable::SetServer(std::uint32_t n, const SjisString& server) {
    std::lock_guard lock(m_mutex);
    m_map.At(n).m_strServer = server;
}

}  // namespace quennit
