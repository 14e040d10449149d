#include "net/inet_session.h"
#include "platform/errors.h"
#include "platform/http_client.h"

namespace quennit {

namespace {

constexpr unsigned kChunk = 1023;
constexpr int kMaxEmptyReads = 10;
constexpr std::uint32_t kEmptyReadPauseMs = 100;
constexpr std::uint32_t kFailurePauseMs = 1000;

}  // namespace

int CInetSession::ReadPage(std::uint32_t site, OpenPage page, char* buffer, unsigned size,
                           PageEnd end) {
    if (!page) {
        return -1;
    }
    // The request is closed however the page ends, a stop included.
    struct Closer {
        HttpFile& page;
        ~Closer() { page.Close(); }
    } closer{*page};

    unsigned kept = 0;
    unsigned chunk = 0;
    int empty = 0;
    std::int32_t failuresLeft = AttemptBudget();
    bool reading = true;
    while (reading) {
        if (empty >= kMaxEmptyReads) {
            break;
        }
        // Compared without overflow: kept + chunk + kChunk > size.
        if (kChunk > size || kept + chunk > size - kChunk) {
            break;
        }
        kept += chunk;
        if (failuresLeft == 0) {
            break;
        }
        while (true) {
            try {
                chunk = static_cast<unsigned>(page->Read(buffer + kept, kChunk));
                break;
            } catch (const InternetException&) {
                ReportError(site, ErrorKind::ReadFailed);
                --failuresLeft;
                Pause(kFailurePauseMs);
                if (failuresLeft == 0) {
                    reading = false;
                    break;
                }
            }
        }
        if (!reading) {
            break;
        }
        if (chunk == 0) {
            if (end == PageEnd::AtBodyEnd && page->BodyEnded()) {
                break;
            }
            Pause(kEmptyReadPauseMs);
            ++empty;
        } else {
            empty = 0;
        }
    }
    buffer[kept] = '\0';
    return static_cast<int>(kept);
}

CInetSession::FetchedPage CInetSession::ReadWholePage(std::uint32_t site, PageRequest request,
                                                      unsigned limit) {
    FetchedPage fetched;
    fetched.status = request.status;
    if (request.status != 200 || !request.page) {
        return fetched;
    }
    fetched.contentType = request.page->GetContentType();
    fetched.body.resize(std::size_t{limit} + 1);  // ReadPage ends it with a NUL
    const int kept =
        ReadPage(site, std::move(request.page), fetched.body.data(), limit, PageEnd::AtBodyEnd);
    fetched.body.resize(kept < 0 ? 0 : static_cast<std::size_t>(kept));
    return fetched;
}

}  // namespace quennit
