#include "net/inet_session.h"

#include <array>
#include <utility>

#include "platform/errors.h"
#include "platform/http_client.h"
#include "platform/stop.h"
#include "platform/text_codec.h"

namespace quennit {

CInetSession::CInetSession() {
    // Programs initialise the client before starting threads; this covers
    // tools and tests that construct a session first thing.
    static const GlobalHttpInit http;
    SetTimeout(30000);
    SetRetry(0);
}

CInetSession::~CInetSession() = default;

void CInetSession::SetTimeout(std::uint32_t milliseconds) {
    m_nTimeout.store(milliseconds);
}

void CInetSession::ReportProgress(std::uint32_t site, std::uint32_t code) const {
    if (m_events != nullptr) {
        m_events->OnProgress(site, code);
    }
}

void CInetSession::ReportError(std::uint32_t site, ErrorKind kind, int status) const {
    if (m_events != nullptr) {
        m_events->OnError(site, kind, status);
    }
}

namespace {

SjisString Sjis(const char* utf8) {
    return Utf8ToSjis(utf8).value_or(SjisString());
}

}  // namespace

SjisString CInetSession::GetStatusText(std::uint32_t code) {
    static const std::array<std::pair<std::uint32_t, SjisString>, 15> kTexts = {{
        {10, Sjis("IPアドレスを取得しています")},
        {11, Sjis("IPアドレスを取得しました")},
        {20, Sjis("サーバーへ接続しています")},
        {21, Sjis("サーバーへ接続しました")},
        {30, Sjis("要求を送信します")},
        {31, Sjis("要求を送信しました")},
        {40, Sjis("サーバーの応答を待っています")},
        {41, Sjis("応答を受信しました")},
        {50, Sjis("接続を終了しています")},
        {51, Sjis("接続を終了しました")},
        {110, Sjis("送受信を完了しました")},
        {kStatusPageWithoutResults, Sjis("結果のないページのため次のページを読みません")},
        {kStatusPageRepeated, Sjis("読んだページへの次ページリンクのため次のページを読みません")},
        {kStatusPageLimit, Sjis("100ページに達したため次のページを読みません")},
        {kStatusNextLinkTooLong, Sjis("次ページリンクが長すぎるため次のページを読みません")},
    }};
    for (const auto& [c, text] : kTexts) {
        if (c == code) {
            return text;
        }
    }
    return {};
}

SjisString CInetSession::GetErrorText(ErrorKind kind, int status) {
    static const SjisString kSendTimeout = Sjis("送信処理がタイムアウトしました");
    static const SjisString kReceiveTimeout = Sjis("受信処理がタイムアウトしました");
    static const SjisString kOk = Sjis("正常応答を取得しました");
    static const SjisString kCertificate = Sjis("サーバー証明書を確認できませんでした");
    static const SjisString kErrorResponse = Sjis("エラー応答を受信しました。");
    static const SjisString kProxyRefused = Sjis("プロキシサーバーが接続を拒否しました");
    static const SjisString kBadResponse = Sjis("サーバーの応答を読めません");
    static const SjisString kKeyword = Sjis("キーワードをこのサイトの文字コードで表せません");
    static const std::array<std::pair<int, const char*>, 39> kReasons = {{
        {100, "Continue"},
        {101, "Switching Protocols"},
        {201, "Created"},
        {202, "Accepted"},
        {203, "Non-Authoritative Information"},
        {204, "No Content"},
        {205, "Reset Content"},
        {206, "Partial Content"},
        {300, "Multiple Choices"},
        {301, "Moved Permanently"},
        {302, "Moved Temporarily"},
        {303, "See Other"},
        {304, "Not Modified"},
        {305, "Use Proxy"},
        {307, "Temporary Redirect"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {402, "Payment Required"},
        {403, "Forbidden"},
        {404, "URL Not Found"},
        {405, "Method Not Allowed"},
        {406, "Not Acceptable"},
        {407, "Proxy Authentication Required"},
        {408, "Request Time-out"},
        {409, "Conflict"},
        {410, "Gone"},
        {411, "Length Required"},
        {412, "Precondition Failed"},
        {413, "Request Entity Too Large"},
        {414, "Request-URI Too Large"},
        {415, "Unsupported Media Type"},
        {416, "Requested range not satisfiable"},
        {417, "Expectation Failed"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Time-out"},
        {505, "HTTP Version not supported"},
    }};
    switch (kind) {
        case ErrorKind::SendFailed:
            return kSendTimeout;
        case ErrorKind::ReadFailed:
            return kReceiveTimeout;
        case ErrorKind::Certificate:
            return kCertificate;
        case ErrorKind::ProxyRefused:
            return kProxyRefused;
        case ErrorKind::BadResponse:
            return kBadResponse;
        case ErrorKind::KeywordUnsendable:
            return kKeyword;
        case ErrorKind::HttpStatus:
            break;
    }
    if (status == 200) {
        return kOk;
    }
    SjisString text = kErrorResponse + "(";
    for (const auto& [c, reason] : kReasons) {
        if (c == status) {
            text += reason;
            break;
        }
    }
    return text + ")";
}

}  // namespace quennit

namespace quennit {

void CInetSession::Pause(std::uint32_t ms) const {
    const std::chrono::nanoseconds length =
        m_pauseClock ? m_pauseClock(ms) : std::chrono::milliseconds(ms);
    if (!SleepUnlessStopped(length)) {
        throw StopRequested();
    }
}

}  // namespace quennit
