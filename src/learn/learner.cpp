#include "learn/learner.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "engine/char_refs.h"
#include "engine/extract.h"
#include "engine/keyword.h"
#include "learn/induce.h"
#include "learn/page_scan.h"
#include "learn/request_format.h"
#include "net/inet_session.h"
#include "platform/text_codec.h"
#include "sitedef/site_file.h"

namespace quennit::learn {

namespace {

constexpr int kPort = 80;

using Fetched = CInetSession::FetchedPage;

// One GET as a search sends it (headers, TLS, proxies, time-outs), read as a
// search reads it.
Fetched Fetch(const std::string& server, const std::string& object, std::uint32_t timeoutMs) {
    CInetSession session;
    session.SetTimeout(timeoutMs);
    session.SetRetry(1);
    return session.ReadWholePage(1, session.RequestPage(1, &server, &object, kPort),
                                 kPageReadLimit);
}

std::string Display(std::string_view server, std::string_view object) {
    const std::string s(server);
    return (s.rfind("https://", 0) == 0 ? s : "http://" + s) + std::string(object);
}

LearnResult Refuse(int code, std::string message) {
    LearnResult out;
    out.exitCode = code;
    out.message = std::move(message);
    out.verdict = "学習できませんでした";
    return out;
}

// HOST_ID from the page's <title>: the keyword taken out, cut short.
std::string NameFromTitle(const LearnPage& page, const std::string& keyword,
                          const std::string& fallback) {
    std::string name;
    for (const Tag& tag : page.scan.tags) {
        if (tag.name == "title" && !tag.closing) {
            const std::size_t end = page.bytes.find("</", tag.end);
            name = DecodeTextRefs(PageTextToUtf8(
                std::string_view(page.bytes).substr(tag.end, end - tag.end), page.kanji));
            break;
        }
    }
    for (std::size_t at; !keyword.empty() && (at = name.find(keyword)) != std::string::npos;) {
        name.erase(at, keyword.size());
    }
    // Separators left at either end by the keyword's removal.
    for (const std::string cut :
         {"「」", "『』", "\"\"", "の検索結果", "検索結果", "-", "|", ":", "：", "「", "」", " "}) {
        bool again = true;
        while (again) {
            name = Trim(name);
            again = false;
            if (name.rfind(cut, 0) == 0 && name.size() > cut.size()) {
                name.erase(0, cut.size());
                again = true;
            }
            if (name.size() > cut.size() &&
                name.compare(name.size() - cut.size(), cut.size(), cut) == 0) {
                name.resize(name.size() - cut.size());
                again = true;
            }
        }
    }
    name = Trim(name);
    std::string cut;
    int chars = 0;
    for (std::size_t i = 0; i < name.size() && chars < 30; ++chars) {
        std::size_t w = 1;
        const auto b = static_cast<unsigned char>(name[i]);
        w = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        cut += name.substr(i, w);
        i += w;
    }
    return cut.empty() ? fallback : cut;
}

// A word of the first page's titles, to search for as the second keyword.
std::string PickSecondKeyword(const std::vector<std::string>& titles, const std::string& keyword,
                              int kanji) {
    const std::string lowerKeyword = LowerAscii(keyword);
    for (const std::string& title : titles) {
        std::string word;
        auto take = [&]() -> bool {
            const std::string w = word;
            word.clear();
            const bool ascii =
                std::all_of(w.begin(), w.end(), [](unsigned char c) { return c < 0x80; });
            if (w.size() < (ascii ? 3u : 6u) ||
                LowerAscii(w).find(lowerKeyword) != std::string::npos ||
                lowerKeyword.find(LowerAscii(w)) != std::string::npos) {
                return false;
            }
            if (!ascii && !KeywordBytes(w, kanji)) {
                return false;
            }
            word = w;
            return true;
        };
        for (std::size_t i = 0; i <= title.size(); ++i) {
            const auto c = i < title.size() ? static_cast<unsigned char>(title[i]) : ' ';
            const bool wordByte = std::isalnum(c) != 0 || c >= 0x80;
            const bool japaneseStop =
                title.compare(i, 3, "　") == 0 || title.compare(i, 3, "「") == 0 ||
                title.compare(i, 3, "」") == 0 || title.compare(i, 3, "、") == 0 ||
                title.compare(i, 3, "。") == 0 || title.compare(i, 3, "の") == 0;
            if (wordByte && !japaneseStop) {
                word += static_cast<char>(c);
                continue;
            }
            if (take()) {
                return word;
            }
            if (japaneseStop) {
                i += 2;
            }
        }
    }
    return {};
}

ProofPage MakeProof(const std::string& label, const std::string& address, const LearnPage& page,
                    const SiteDef& site, const std::string& server) {
    ProofPage proof;
    proof.label = label;
    proof.address = address;
    const PageExtract extract = ExtractPage(page.bytes, site, server);
    proof.entries = extract.results;
    proof.nextUrl = site.m_nKanji == kKanjiUtf8 ? extract.nextUrl : SjisToUtf8(extract.nextUrl);
    return proof;
}

struct Progress {
    const LearnProgress& fn;
    void operator()(const std::string& step) const {
        if (fn) {
            fn(step);
        }
    }
};

}  // namespace

LearnResult Learn(const LearnRequest& request, const LearnProgress& progressFn) {
    const Progress progress{progressFn};
    const auto address = ParseAddress(request.url);
    if (!address) {
        return Refuse(
            2, "アドレス「" + request.url +
                   "」は http:// か https:// で始まる検索結果ページのアドレスではありません。");
    }
    if (request.keyword.empty() || !ConvertStrict(request.keyword, "UTF-8", "UTF-8")) {
        return Refuse(2, "キーワードが空か、UTF-8 の文字列ではありません。");
    }
    std::vector<KeywordSpot> spots = FindKeyword(address->object, request.keyword);
    if (spots.empty()) {
        return Refuse(2, "アドレスにキーワード「" + request.keyword +
                             "」が見つかりません (UTF-8、Shift_JIS、EUC-JP のどの書き方でも)。"
                             "そのキーワードで検索した結果ページのアドレスを指定してください。");
    }
    if (request.page && request.page->empty()) {
        return Refuse(
            3,
            "保存したページが空です。ブラウザーで「ページを保存」したファイルを指定してください。");
    }

    // The first page.
    Fetched first;
    if (request.page) {
        first.status = 200;
        first.body = *request.page;
    } else {
        progress("最初のページを取得しています");
        first = Fetch(address->server, address->object, request.timeoutMs);
        if (first.status != 200) {
            return Refuse(
                3, first.status > 0
                       ? "ページを取得できませんでした (HTTP " + std::to_string(first.status) +
                             ")。アドレスを確かめるか、保存したページを --page で渡してください。"
                       : "ページを取得できませんでした (接続できません)。"
                         "アドレスを確かめるか、保存したページを --page で渡してください。");
        }
        if (first.body.empty()) {
            return Refuse(
                3, "サーバーの返したページが空です。保存したページを --page で渡してください。");
        }
    }

    const int declared = DeclaredCode(first.contentType, first.body);
    LearnResult result;
    progress("規則を調べています");
    std::string lastFailure;
    for (const KeywordSpot& spot : spots) {
        const int kanji = spot.kanji != 0 ? spot.kanji
                          : declared != 0 ? declared
                                          : GuessCode(first.body);
        std::vector<std::string> warnings;
        if (spot.kanji != 0 && declared != 0 && declared != spot.kanji) {
            warnings.push_back(
                "ページの文字コードの宣言とアドレスのキーワードの書き方が違います。"
                "アドレスの書き方 (" +
                std::string(kanji == kKanjiUtf8  ? "UTF-8"
                            : kanji == kKanjiEuc ? "EUC-JP"
                                                 : "Shift_JIS") +
                ") を使います。");
        }
        SiteDef format;
        format.m_nKanji = kanji;
        format.m_strUrlFormat = spot.format;
        const auto own = BuildRequestPath(format, request.keyword);
        if (own && LowerAscii(*own) != LowerAscii(address->object)) {
            warnings.push_back(
                "Quennit はキーワードを「" + *own + "」と送りますが、アドレスでは「" +
                address->object +
                "」でした (例えば + と %20 の違い)。2 つ目のキーワードのページで確かめます。");
        }

        std::string keyParam;
        if (spot.begin > 0 && address->object[spot.begin - 1] == '=') {
            const std::size_t sep = address->object.find_last_of("?&;", spot.begin - 1);
            if (sep != std::string::npos) {
                keyParam = address->object.substr(sep + 1, spot.begin - 2 - sep);
            }
        }
        LearnPage page1 = MakeLearnPage(first.body, kanji, address->object, keyParam);
        const Induction probe = FindList(page1, nullptr, request.keyword, {}, request.examples);
        if (!probe.ok) {
            return Refuse(3, probe.failure);
        }

        // The second page: saved, or asked for through the learned format.
        std::string secondKeyword = request.secondKeyword;
        Fetched second;
        std::string secondObject;
        if (request.secondPage) {
            second.status = 200;
            second.body = *request.secondPage;
            if (!secondKeyword.empty()) {
                secondObject = BuildRequestPath(format, secondKeyword).value_or("");
            }
        } else {
            if (secondKeyword.empty()) {
                secondKeyword = PickSecondKeyword(probe.titles, request.keyword, kanji);
                if (secondKeyword.empty()) {
                    return Refuse(3,
                                  "2 つ目のキーワードを結果から選べませんでした。--second "
                                  "で指定してください。");
                }
                warnings.push_back("2 つ目のキーワードとして「" + secondKeyword +
                                   "」を使いました。");
            }
            const auto object2 = BuildRequestPath(format, secondKeyword);
            if (!object2) {
                return Refuse(2, "キーワード「" + secondKeyword + "」はこのサイトの文字コード (" +
                                     (kanji == kKanjiEuc ? "EUC-JP" : "Shift_JIS") +
                                     ") で表せません。");
            }
            secondObject = *object2;
            progress("2 つ目のキーワードのページを取得しています");
            second = Fetch(address->server, secondObject, request.timeoutMs);
            if (second.status != 200 || second.body.empty()) {
                lastFailure =
                    "2 つ目のキーワード「" + secondKeyword +
                    "」のページを、学習した形式のアドレス (" +
                    Display(address->server, secondObject) + ") で取得できませんでした" +
                    (second.status > 0 ? " (HTTP " + std::to_string(second.status) + ")" : "") +
                    "。別のキーワードを --second で試してください。";
                continue;
            }
        }
        LearnPage page2 = MakeLearnPage(second.body, kanji, secondObject, keyParam);

        progress("規則を確かめています");
        Induction induced =
            FindList(page1, &page2, request.keyword, secondKeyword, request.examples);
        if (!induced.ok) {
            lastFailure = induced.failure;
            if (request.secondPage) {
                break;
            }
            continue;
        }
        BlockHead head;
        head.name = request.name.empty()
                        ? NameFromTitle(page1, request.keyword, std::string(address->server))
                        : request.name;
        head.server = address->server;
        head.format = spot.format;
        head.kanji = kanji;
        head.group = request.group;
        head.maxCount = request.maxCount;
        Block block = InduceBlock(head, induced, page1, page2);
        if (!block.ok) {
            lastFailure = block.failure;
            if (request.secondPage) {
                break;
            }
            continue;
        }
        for (std::string& w : block.warnings) {
            warnings.push_back(std::move(w));
        }

        // The proof: the block as the site file will hold it, read back and
        // run by the search's own extraction.
        SiteTable table;
        SjisString server;
        LoadSiteText(block.text, table,
                     [&server](std::uint32_t, const SjisString& s) { server = s; });
        SiteDef site = table.Lookup(1).value_or(SiteDef{});
        result.proof.push_back(MakeProof(
            "最初のページ", request.page ? "(保存したページ)" : request.url, page1, site, server));
        const std::string firstNext = ExtractPage(page1.bytes, site, server).nextUrl;
        if (!firstNext.empty() && !request.page) {
            progress("次のページを取得しています");
            const Fetched next = Fetch(server, firstNext, request.timeoutMs);
            LearnPage nextPage = MakeLearnPage(next.body, kanji, firstNext, keyParam);
            ProofPage proof = MakeProof("次のページ", Display(server, SjisToUtf8(firstNext)),
                                        nextPage, site, server);
            const auto& firstEntries = result.proof.front().entries;
            const bool fresh =
                next.status == 200 && !proof.entries.empty() &&
                std::none_of(firstEntries.begin(), firstEntries.end(), [&](const SearchResult& r) {
                    return r.m_strUrl == proof.entries.front().m_strUrl;
                });
            if (!fresh) {
                lastFailure = "次のページへのリンクは見つかりましたが、そのページ (" +
                              proof.address + ") から新しい結果を取り出せませんでした。";
                return Refuse(3, lastFailure);
            }
            result.proof.push_back(std::move(proof));
        }
        result.proof.push_back(
            MakeProof(secondKeyword.empty() ? "2 つ目のページ"
                                            : "2 つ目のキーワード「" + secondKeyword + "」のページ",
                      request.secondPage ? "(保存したページ)" : Display(server, secondObject),
                      page2, site, server));

        // Examples: each must be a learned entry's title.
        for (const std::string& example : request.examples) {
            const auto& entries = result.proof.front().entries;
            if (std::none_of(entries.begin(), entries.end(), [&](const SearchResult& r) {
                    return Trim(r.m_strTitle) == Trim(example);
                })) {
                return Refuse(3, "例「" + example +
                                     "」を学習した一覧に置けませんでした。ページに表示されている題"
                                     "名をそのまま指定してください。");
            }
        }

        result.exitCode = 0;
        result.site = site;
        result.server = server;
        result.lines = block.lines;
        result.blockSjis = block.text;
        result.warnings = std::move(warnings);
        std::string counts;
        for (const ProofPage& p : result.proof) {
            counts += (counts.empty() ? "" : "、") + p.label + " " +
                      std::to_string(p.entries.size()) + " 件";
        }
        result.verdict = "学習できました: " + counts + "。";
        return result;
    }
    return Refuse(3, lastFailure.empty() ? "規則を確かめられませんでした。" : lastFailure);
}

}  // namespace quennit::learn
