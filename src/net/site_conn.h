#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/message_window.h"
#include "sitedef/number_map.h"
#include "sitedef/site_def.h"

namespace quennit {

class HttpConnection;
class HttpFile;

// One site's connection record: who receives its messages, which server it
// talks to, and the request that is open for it between RequestPage and
// ReadPage. Records are values; the request objects are shared so that a
// copy taken out of the table keeps them alive until they are closed.
struct SiteConn {
    IMessageWindow* m_pNotifyWnd = nullptr;  // receives results
    IMessageWindow* m_pErrorWnd = nullptr;   // receives progress and errors
    std::shared_ptr<HttpConnection> m_pConnection;
    std::shared_ptr<HttpFile> m_pFile;
    SjisString m_strServer;
    std::int32_t m_nPort = 80;
    SjisString m_strObject;
};

// Closes the record's request and connection, if open, and forgets them.
void CloseRequestObjects(SiteConn& conn);

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
